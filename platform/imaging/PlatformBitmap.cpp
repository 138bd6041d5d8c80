#include "platform/imaging/PlatformBitmap.h"
#include "platform/imaging/SharedWork.h"

#include "platform/BitmapSection.h"
#include "platform/FileIO.h"
#include "platform/TextConv.h"
#include "platform/imaging/ImagingInternal.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

namespace imaging
{
namespace
{
std::atomic<int> g_startups{0};
std::atomic<std::uintptr_t> g_nextToken{1};
std::atomic<std::uint64_t> g_maxDecoded{std::uint64_t(2) << 30};

// Encoder ids of this layer, one per format (the format GUID with a different first group).
constexpr CLSID MakeEncoderId(const GUID& format)
{
    CLSID id = format;
    id.Data1 = 0x4f525600u | (format.Data1 & 0xFF);
    return id;
}

struct EncoderEntry
{
    CLSID clsid;
    GUID format;
    const wchar_t* name;
    const wchar_t* description;
    const wchar_t* extensions;
    const wchar_t* mime;
};

const EncoderEntry kEncoders[] = {
    {MakeEncoderId(ImageFormatBMP), ImageFormatBMP, L"BMP encoder", L"BMP", L"*.BMP;*.DIB;*.RLE",
     L"image/bmp"},
    {MakeEncoderId(ImageFormatJPEG), ImageFormatJPEG, L"JPEG encoder", L"JPEG", L"*.JPG;*.JPEG;*.JPE;*.JFIF",
     L"image/jpeg"},
    {MakeEncoderId(ImageFormatGIF), ImageFormatGIF, L"GIF encoder", L"GIF", L"*.GIF", L"image/gif"},
    {MakeEncoderId(ImageFormatTIFF), ImageFormatTIFF, L"TIFF encoder", L"TIFF", L"*.TIF;*.TIFF",
     L"image/tiff"},
    {MakeEncoderId(ImageFormatPNG), ImageFormatPNG, L"PNG encoder", L"PNG", L"*.PNG", L"image/png"},
};

bool StartsWith(const BYTE* data, std::size_t size, const char* magic, std::size_t n)
{
    return size >= n && std::memcmp(data, magic, n) == 0;
}

Status Decode(const BYTE* data, std::size_t size, detail::Decoded& out)
{
    bool ok = false;
    if (StartsWith(data, size, "BM", 2))
    {
        out.rawFormat = ImageFormatBMP;
        ok = detail::DecodeBmp(data, size, out);
    }
    else if (StartsWith(data, size, "\xFF\xD8\xFF", 3))
    {
        out.rawFormat = ImageFormatJPEG;
        ok = detail::DecodeJpeg(data, size, out);
    }
    else if (StartsWith(data, size, "GIF87a", 6) || StartsWith(data, size, "GIF89a", 6))
    {
        out.rawFormat = ImageFormatGIF;
        out.dimension = FrameDimensionTime;
        ok = detail::DecodeGif(data, size, out);
    }
    else if (StartsWith(data, size, "\x89PNG\r\n\x1A\n", 8))
    {
        out.rawFormat = ImageFormatPNG;
        ok = detail::DecodePng(data, size, out);
    }
    else if (StartsWith(data, size, "II*\0", 4) || StartsWith(data, size, "MM\0*", 4))
    {
        out.rawFormat = ImageFormatTIFF;
        out.dimension = FrameDimensionPage;
        ok = detail::DecodeTiff(data, size, out);
    }
    else if (StartsWith(data, size, "\0\0\1\0", 4))
    {
        out.rawFormat = ImageFormatIcon;
        ok = detail::DecodeIco(data, size, out);
    }
    else
        return UnknownImageFormat;
    for (const detail::Frame& f : out.frames)
        if (f.validRows < f.height) out.incomplete = true;
    // A frame none of whose rows could be read is no frame.
    std::erase_if(out.frames, [](const detail::Frame& f) { return f.validRows == 0; });
    if (!ok || out.frames.empty()) return GenericError;
    return Ok;
}

// Converts count pixels of a frame row to the requested format.
void ConvertRow(const detail::Frame& f, const BYTE* src, int count, PixelFormat to, BYTE* dst)
{
    const bool raw32 = f.format == PixelFormat32bppRGB;
    if (f.storageBpp == 8)
    {
        if (to == PixelFormat8bppIndexed)
        {
            std::memcpy(dst, src, std::size_t(count));
            return;
        }
        const int step = to == PixelFormat24bppRGB ? 3 : 4;
        for (int x = 0; x < count; ++x, dst += step)
        {
            const ARGB c = f.palette.Entries[src[x]];
            dst[0] = BYTE(c);
            dst[1] = BYTE(c >> 8);
            dst[2] = BYTE(c >> 16);
            if (step == 4) dst[3] = to == PixelFormat32bppARGB ? BYTE(c >> 24) : 255;
        }
        return;
    }
    if (f.storageBpp == 24)
    {
        if (to == PixelFormat24bppRGB)
        {
            std::memcpy(dst, src, std::size_t(count) * 3);
            return;
        }
        for (int x = 0; x < count; ++x, src += 3, dst += 4)
        {
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
            dst[3] = 255;
        }
        return;
    }
    if (to == PixelFormat24bppRGB)
    {
        for (int x = 0; x < count; ++x, src += 4, dst += 3)
        {
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
        }
        return;
    }
    // 32 to 32: the fourth byte of a 32bppRGB frame is not alpha, so it reads as opaque when
    // alpha is asked for.
    if (to == PixelFormat32bppARGB && raw32)
    {
        for (int x = 0; x < count; ++x, src += 4, dst += 4)
        {
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
            dst[3] = 255;
        }
        return;
    }
    std::memcpy(dst, src, std::size_t(count) * 4);
}

int StorageBppOf(PixelFormat format)
{
    switch (format)
    {
    case PixelFormat8bppIndexed:
        return 8;
    case PixelFormat24bppRGB:
        return 24;
    case PixelFormat32bppRGB:
    case PixelFormat32bppARGB:
        return 32;
    default:
        return 0;
    }
}

} // namespace

namespace detail
{
void SetItem(ItemList& items, std::uint32_t id, std::uint16_t type, const void* value, std::size_t length)
{
    Item item;
    item.id = id;
    item.type = type;
    const BYTE* p = static_cast<const BYTE*>(value);
    item.value.assign(p, p + length);
    for (Item& existing : items)
        if (existing.id == id)
        {
            existing = std::move(item);
            return;
        }
    items.push_back(std::move(item));
}

const Item* FindItem(const ItemList& items, std::uint32_t id)
{
    for (const Item& item : items)
        if (item.id == id) return &item;
    return nullptr;
}

std::string ItemText(const Item& item)
{
    std::string s(item.value.begin(), item.value.end());
    return s.substr(0, s.find('\0'));
}

bool AllocateFrame(Decoded& image, Frame& frame, std::int64_t width, std::int64_t height, int storageBpp)
{
    if (width < 1 || height < 1 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) return false;
    const std::int64_t rowBytes = DibRowPitch(width, storageBpp);
    if (rowBytes <= 0 || DibRowPitch(width, 32) <= 0) return false;
    // Rows are kept 4-byte aligned like a bitmap section's.
    const std::uint64_t total = std::uint64_t(rowBytes) * std::uint64_t(height);
    // The budget counts what a reader of the frame will need as well: 32-bit rows, a row table
    // and the frame's own records, so that neither a tall picture of a few bytes a row nor an
    // animation of many tiny frames can claim far more memory than it is counted for.
    const std::uint64_t charged =
        std::max<std::uint64_t>(total, std::uint64_t(DibRowPitch(width, 32) + 16) * std::uint64_t(height)) +
        8192;
    if (total > std::uint64_t(kMaxBitmapBytes) || image.bytesUsed + charged > MaxDecodedBytes()) return false;
    // Zero pages that are not touched until written, so that a header that claims a huge
    // picture over a few bytes of data costs little memory.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = LONG(width);
    info.bmiHeader.biHeight = LONG(height);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = WORD(storageBpp);
    BYTE* bits = nullptr;
    HBITMAP section = CreateDIBSection(&info, &bits);
    if (!section || !bits)
    {
        DeleteObject(section);
        return false;
    }
    frame.section.reset(section);
    frame.pixels = bits;
    frame.width = int(width);
    frame.height = int(height);
    frame.storageBpp = storageBpp;
    frame.stride = std::size_t(rowBytes);
    frame.validRows = 0;
    image.bytesUsed += charged;
    return true;
}
} // namespace detail

Status Startup(std::uintptr_t* token)
{
    if (!token) return InvalidParameter;
    *token = g_nextToken.fetch_add(1);
    g_startups.fetch_add(1);
    return Ok;
}

void Shutdown(std::uintptr_t token)
{
    if (token == 0) return;
    int n = g_startups.load();
    while (n > 0 && !g_startups.compare_exchange_weak(n, n - 1))
    {
    }
}

int StartupCount()
{
    return g_startups.load();
}

void SetMaxDecodedBytes(std::uint64_t bytes)
{
    g_maxDecoded.store(bytes);
}

std::uint64_t MaxDecodedBytes()
{
    return g_maxDecoded.load();
}

namespace detail
{
std::uint64_t MaxDecodedBytes()
{
    return imaging::MaxDecodedBytes();
}
} // namespace detail

Status GetImageEncodersSize(UINT* count, UINT* size)
{
    if (!count || !size) return InvalidParameter;
    *count = UINT(std::size(kEncoders));
    *size = UINT(std::size(kEncoders) * sizeof(ImageCodecInfo));
    return Ok;
}

Status GetImageEncoders(UINT count, UINT size, ImageCodecInfo* encoders)
{
    if (!encoders || count != std::size(kEncoders) || size < count * sizeof(ImageCodecInfo))
        return InvalidParameter;
    for (UINT i = 0; i < count; ++i)
    {
        const EncoderEntry& e = kEncoders[i];
        encoders[i] = ImageCodecInfo{e.clsid, e.format, e.name, e.description, e.extensions, e.mime};
    }
    return Ok;
}

PlatformBitmap::PlatformBitmap() : m_image(new detail::Decoded) {}

PlatformBitmap::~PlatformBitmap() = default;

Status PlatformBitmap::FromFile(const wchar_t* fileName, std::unique_ptr<PlatformBitmap>& out)
{
    out.reset();
    if (!fileName) return InvalidParameter;
    std::vector<BYTE> bytes;
    switch (ReadRegularFile(PathToNative(fileName), std::uint64_t(kMaxBitmapBytes), bytes))
    {
    case FileReadStatus::Ok:
        break;
    case FileReadStatus::Denied:
        return AccessDenied;
    case FileReadStatus::TooLarge:
        return OutOfMemory;
    default:
        return FileNotFound;
    }
    return FromMemory(bytes.data(), bytes.size(), out);
}

Status PlatformBitmap::FromMemory(const void* data, std::size_t size, std::unique_ptr<PlatformBitmap>& out)
{
    out.reset();
    if (!data || size == 0) return InvalidParameter;
    std::unique_ptr<PlatformBitmap> bitmap(new PlatformBitmap);
    Status s;
    try
    {
        s = Decode(static_cast<const BYTE*>(data), size, *bitmap->m_image);
    }
    catch (const std::bad_alloc&)
    {
        s = OutOfMemory; // failure is a status, never an exception
    }
    if (s != Ok) return s;
    out = std::move(bitmap);
    return Ok;
}

Status PlatformBitmap::FromScan0(int width, int height, PixelFormat format,
                                 std::unique_ptr<PlatformBitmap>& out)
{
    out.reset();
    const int bpp = StorageBppOf(format);
    if (bpp == 0 || width < 1 || height < 1) return InvalidParameter;
    std::unique_ptr<PlatformBitmap> bitmap(new PlatformBitmap);
    detail::Decoded& image = *bitmap->m_image;
    image.rawFormat = GUID{}; // made in memory
    detail::Frame frame;
    if (!detail::AllocateFrame(image, frame, width, height, bpp)) return OutOfMemory;
    frame.format = format;
    frame.flags = format == PixelFormat32bppARGB ? ImageFlagsHasAlpha : 0;
    frame.validRows = height;
    if (bpp == 8)
    {
        frame.palette.Count = 256;
        frame.palette.Flags = PaletteFlagsGrayScale;
        for (UINT i = 0; i < 256; ++i)
            frame.palette.Entries[i] = 0xFF000000u | i << 16 | i << 8 | i;
    }
    image.frames.push_back(std::move(frame));
    out = std::move(bitmap);
    return Ok;
}

UINT PlatformBitmap::GetFrameDimensionsCount() const
{
    return 1;
}

Status PlatformBitmap::GetFrameDimensionsList(GUID* dimensions, UINT count) const
{
    if (!dimensions || count != 1) return InvalidParameter;
    dimensions[0] = m_image->dimension;
    return Ok;
}

UINT PlatformBitmap::GetFrameCount(const GUID& dimension) const
{
    return dimension == m_image->dimension ? UINT(m_image->frames.size()) : 0;
}

Status PlatformBitmap::SelectActiveFrame(const GUID& dimension, UINT index)
{
    if (m_locked) return WrongState;
    if (!(dimension == m_image->dimension) || index >= m_image->frames.size()) return InvalidParameter;
    m_activeFrame = index;
    return Ok;
}

UINT PlatformBitmap::GetWidth() const
{
    return UINT(m_image->frames[m_activeFrame].width);
}

UINT PlatformBitmap::GetHeight() const
{
    return UINT(m_image->frames[m_activeFrame].height);
}

PixelFormat PlatformBitmap::GetPixelFormat() const
{
    return m_image->frames[m_activeFrame].format;
}

UINT PlatformBitmap::GetFlags() const
{
    return m_image->frames[m_activeFrame].flags;
}

GUID PlatformBitmap::GetRawFormat() const
{
    return m_image->rawFormat;
}

std::uint64_t PlatformBitmap::DecodedBytes() const
{
    return m_image->bytesUsed;
}

bool PlatformBitmap::IsIncomplete() const
{
    return m_image->incomplete;
}

bool PlatformBitmap::HasDeepSamples() const
{
    return m_image->frames[m_activeFrame].deepSamples;
}

Status PlatformBitmap::LockBits(const Rect& rect, UINT flags, PixelFormat format, BitmapData* data)
{
    if (!data || m_locked) return data ? WrongState : InvalidParameter;
    detail::Frame& f = m_image->frames[m_activeFrame];
    if (rect.X < 0 || rect.Y < 0 || rect.Width < 1 || rect.Height < 1 || rect.X + rect.Width > f.width ||
        rect.Y + rect.Height > f.height || (flags & (ImageLockModeRead | ImageLockModeWrite)) == 0)
        return InvalidParameter;
    const bool indexedOk = format == PixelFormat8bppIndexed && f.storageBpp == 8;
    if (format != PixelFormat24bppRGB && format != PixelFormat32bppRGB && format != PixelFormat32bppARGB &&
        !indexedOk)
        return InvalidParameter;
    // Writing is done in the frame's own format.
    if ((flags & ImageLockModeWrite) && StorageBppOf(format) != f.storageBpp) return NotImplemented;
    const int w = int(rect.Width), h = int(rect.Height), y0 = int(rect.Y), x0 = int(rect.X);
    if ((flags & ImageLockModeRead) && y0 + h > f.validRows) return Win32Error;
    const std::size_t rowBytes = std::size_t(w) * std::size_t(GetPixelFormatSize(format) / 8);
    if (flags & ImageLockModeUserInputBuf)
    {
        if (!data->Scan0 || data->Stride == 0 ||
            std::uint64_t(data->Stride < 0 ? -data->Stride : data->Stride) < rowBytes)
            return InvalidParameter;
    }
    else
    {
        m_lockBuffer.assign(rowBytes * std::size_t(h), 0);
        data->Scan0 = m_lockBuffer.data();
        data->Stride = INT64(rowBytes);
    }
    data->Width = UINT(w);
    data->Height = UINT(h);
    data->Format = format;
    if (flags & ImageLockModeRead)
    {
        const std::size_t srcOffset = std::size_t(x0) * std::size_t(f.storageBpp / 8);
        for (int y = 0; y < h; ++y)
            ConvertRow(f, f.Row(y0 + y) + srcOffset, w, format,
                       static_cast<BYTE*>(data->Scan0) + std::ptrdiff_t(y) * data->Stride);
    }
    m_locked = true;
    m_lockRect = rect;
    m_lockFlags = flags;
    return Ok;
}

Status PlatformBitmap::UnlockBits(BitmapData* data)
{
    if (!data || !m_locked) return data ? WrongState : InvalidParameter;
    m_locked = false;
    if (m_lockFlags & ImageLockModeWrite)
    {
        detail::Frame& f = m_image->frames[m_activeFrame];
        const std::size_t bytes = std::size_t(f.storageBpp / 8);
        const std::size_t rowBytes = std::size_t(m_lockRect.Width) * bytes;
        // The rows in parts over the caller's threads (a whole picture written at once).
        struct WriteBack
        {
            detail::Frame* f;
            const BitmapData* data;
            const Rect* rect;
            std::size_t bytes, rowBytes, parts;
        } job{&f, data, &m_lockRect, bytes, rowBytes, 1};
        job.parts = RowParts(std::size_t(m_lockRect.Height), rowBytes, std::size_t(1) << 20);
        RunParts(
            job.parts,
            [](void* context, std::size_t part)
            {
                const WriteBack& j = *static_cast<const WriteBack*>(context);
                const std::size_t rows = std::size_t(j.rect->Height);
                for (std::size_t y = PartRow(rows, j.parts, part); y < PartRow(rows, j.parts, part + 1); ++y)
                    std::memcpy(j.f->Row(int(j.rect->Y + INT64(y))) + std::size_t(j.rect->X) * j.bytes,
                                static_cast<const BYTE*>(j.data->Scan0) + std::ptrdiff_t(y) * j.data->Stride,
                                j.rowBytes);
            },
            &job);
    }
    if (!(m_lockFlags & ImageLockModeUserInputBuf))
    {
        m_lockBuffer.clear();
        m_lockBuffer.shrink_to_fit();
    }
    return Ok;
}

Status PlatformBitmap::GetPalette(ColorPalette* palette) const
{
    if (!palette) return InvalidParameter;
    *palette = m_image->frames[m_activeFrame].palette;
    return Ok;
}

Status PlatformBitmap::SetPalette(const ColorPalette* palette)
{
    if (!palette || palette->Count > 256) return InvalidParameter;
    detail::Frame& f = m_image->frames[m_activeFrame];
    if (f.storageBpp != 8) return InvalidParameter;
    f.palette = *palette;
    return Ok;
}

namespace
{
// The items of the active frame: the file's own, then the frame's.
std::vector<const detail::Item*> ActiveItems(const detail::Decoded& image, UINT frame)
{
    std::vector<const detail::Item*> out;
    for (const detail::Item& item : image.items)
        out.push_back(&item);
    for (const detail::Item& item : image.frames[frame].items)
        out.push_back(&item);
    return out;
}
} // namespace

Status PlatformBitmap::GetPropertySize(UINT* totalBytes, UINT* count) const
{
    if (!totalBytes || !count) return InvalidParameter;
    const auto items = ActiveItems(*m_image, m_activeFrame);
    std::uint64_t total = 0;
    for (const detail::Item* item : items)
        total += sizeof(PropertyItem) + item->value.size();
    if (total > 0xFFFFFFFFu) return ValueOverflow;
    *totalBytes = UINT(total);
    *count = UINT(items.size());
    return Ok;
}

Status PlatformBitmap::GetAllPropertyItems(UINT totalBytes, UINT count, PropertyItem* items) const
{
    UINT needBytes = 0, needCount = 0;
    if (!items || GetPropertySize(&needBytes, &needCount) != Ok) return InvalidParameter;
    if (totalBytes != needBytes || count != needCount) return InvalidParameter;
    BYTE* values = reinterpret_cast<BYTE*>(items + count);
    UINT i = 0;
    for (const detail::Item* item : ActiveItems(*m_image, m_activeFrame))
    {
        PropertyItem& out = items[i++];
        out.id = item->id;
        out.type = item->type;
        out.length = UINT(item->value.size());
        out.value = item->value.empty() ? nullptr : values;
        if (!item->value.empty()) std::memcpy(values, item->value.data(), item->value.size());
        values += item->value.size();
    }
    return Ok;
}

Status PlatformBitmap::GetPropertyItemSize(std::uint32_t id, UINT* size) const
{
    if (!size) return InvalidParameter;
    *size = 0;
    for (const detail::Item* item : ActiveItems(*m_image, m_activeFrame))
        if (item->id == id)
        {
            *size = UINT(sizeof(PropertyItem) + item->value.size());
            return Ok;
        }
    return PropertyNotFound;
}

Status PlatformBitmap::GetPropertyItem(std::uint32_t id, UINT size, PropertyItem* out) const
{
    if (!out) return InvalidParameter;
    for (const detail::Item* item : ActiveItems(*m_image, m_activeFrame))
        if (item->id == id)
        {
            if (size != sizeof(PropertyItem) + item->value.size()) return InvalidParameter;
            BYTE* value = reinterpret_cast<BYTE*>(out + 1);
            out->id = id;
            out->type = item->type;
            out->length = UINT(item->value.size());
            out->value = item->value.empty() ? nullptr : value;
            if (!item->value.empty()) std::memcpy(value, item->value.data(), item->value.size());
            return Ok;
        }
    return PropertyNotFound;
}

Status PlatformBitmap::SetPropertyItem(const PropertyItem& item)
{
    if (item.length > 0 && !item.value) return InvalidParameter;
    detail::SetItem(m_image->items, item.id, item.type, item.value, item.length);
    return Ok;
}

Status PlatformBitmap::SaveToMemory(std::vector<BYTE>& out, const CLSID& encoder,
                                    const EncoderParameters* parameters) const
{
    out.clear();
    const EncoderEntry* entry = nullptr;
    for (const EncoderEntry& e : kEncoders)
        if (e.clsid == encoder) entry = &e;
    if (!entry) return InvalidParameter;
    int quality = -1;
    if (parameters)
        for (UINT i = 0; i < parameters->Count && i < std::size(parameters->Parameter); ++i)
        {
            const EncoderParameter& p = parameters->Parameter[i];
            if (p.Guid == EncoderQuality && p.NumberOfValues >= 1 &&
                p.Type == EncoderParameterValueTypeLong && p.Value)
            {
                std::int32_t q;
                std::memcpy(&q, p.Value, 4);
                quality = std::clamp(q, 0, 100);
            }
        }
    const detail::Frame& f = m_image->frames[m_activeFrame];
    if (f.validRows < f.height) return WrongState;
    bool ok = false;
    try
    {
        // The file's own items and those set since, then the frame's.
        detail::ItemList items = m_image->items;
        for (const detail::Item& item : f.items)
            detail::SetItem(items, item.id, item.type, item.value.data(), item.value.size());
        if (entry->format == ImageFormatBMP)
            ok = detail::EncodeBmp(f, out);
        else if (entry->format == ImageFormatJPEG)
            ok = detail::EncodeJpeg(f, items, quality, out);
        else if (entry->format == ImageFormatGIF)
            ok = detail::EncodeGif(f, out);
        else if (entry->format == ImageFormatPNG)
            ok = detail::EncodePng(f, items, out);
        else if (entry->format == ImageFormatTIFF)
            ok = detail::EncodeTiff(f, items, out);
    }
    catch (const std::bad_alloc&)
    {
        ok = false; // failure is a status, never an exception
    }
    if (!ok)
    {
        out.clear();
        return GenericError;
    }
    return Ok;
}

Status PlatformBitmap::Save(const wchar_t* fileName, const CLSID& encoder,
                            const EncoderParameters* parameters) const
{
    if (!fileName) return InvalidParameter;
    std::vector<BYTE> bytes;
    const Status s = SaveToMemory(bytes, encoder, parameters);
    if (s != Ok) return s;
    return WriteFileAtomically(PathToNative(fileName), bytes) ? Ok : Win32Error;
}
} // namespace imaging
