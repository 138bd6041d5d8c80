#include "imagelib/codecs/FCImageCodec_FreeImage.h"

#include "imagelib/FCImageProperty.h"
#include "imagelib/FCObjImage.h"
#include "platform/BitmapSection.h"
#include "platform/ChildProcess.h"
#include "platform/FileIO.h"
#include "platform/TextConv.h"
#include "platform/imaging/PlatformBitmap.h"

#include "imagelib/codecs/FreeImageInclude.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>

#include <unistd.h>

namespace
{
struct BitmapGuard
{
    FIBITMAP* dib;
    explicit BitmapGuard(FIBITMAP* d) : dib(d) {}
    ~BitmapGuard()
    {
        if (dib) FreeImage_Unload(dib);
    }
    BitmapGuard(const BitmapGuard&) = delete;
    BitmapGuard& operator=(const BitmapGuard&) = delete;
};

struct MemoryGuard
{
    FIMEMORY* mem;
    explicit MemoryGuard(FIMEMORY* m) : mem(m) {}
    ~MemoryGuard()
    {
        if (mem) FreeImage_CloseMemory(mem);
    }
    MemoryGuard(const MemoryGuard&) = delete;
    MemoryGuard& operator=(const MemoryGuard&) = delete;
};

struct MultiGuard
{
    FIMULTIBITMAP* multi;
    explicit MultiGuard(FIMULTIBITMAP* m) : multi(m) {}
    ~MultiGuard()
    {
        if (multi) FreeImage_CloseMultiBitmap(multi, 0);
    }
    MultiGuard(const MultiGuard&) = delete;
    MultiGuard& operator=(const MultiGuard&) = delete;
};

// The icon reader takes the directory's entry count on trust: an icon whose directory or images
// do not fit in the bytes present is refused before the library sees it.
bool IconDirectoryFits(const BYTE* data, std::size_t size)
{
    auto u32 = [](const BYTE* p)
    {
        return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
               std::uint32_t(p[3]) << 24;
    };
    if (size < 6) return false;
    const std::size_t count = std::size_t(data[4]) | std::size_t(data[5]) << 8;
    const std::size_t directory = 6 + count * 16;
    if (count == 0 || directory > size) return false;
    for (std::size_t i = 0; i < count; ++i)
    {
        const BYTE* e = data + 6 + i * 16;
        const std::uint32_t bytes = u32(e + 8);
        const std::uint32_t offset = u32(e + 12);
        if (bytes < 40 || offset < directory || std::uint64_t(offset) + bytes > size) return false;
    }
    return true;
}

// The library's IFF reader walks the chunks of the FORM until it meets BODY and never stops when
// the data ends first: a picture cut before its BODY (or whose chunk sizes lead past it) would
// keep it busy for ever. Such content is refused before the library sees it. Chunks are padded to
// an even length, as the reader pads them.
bool IffReachesItsBody(const BYTE* data, std::size_t size)
{
    auto u32 = [](const BYTE* p)
    {
        return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 |
               std::uint32_t(p[3]);
    };
    std::uint64_t pos = 12; // FORM, its size, its type
    while (pos + 8 <= size)
    {
        if (std::memcmp(data + pos, "BODY", 4) == 0) return true;
        const std::uint64_t length = u32(data + pos + 4);
        pos += 8 + length + (length & 1);
    }
    return false;
}

// ICO, TIFF and GIF are read page by page.
bool IsMultiPage(FREE_IMAGE_FORMAT fif)
{
    return fif >= 0 && fif <= 25 && ((0x2040002u >> unsigned(fif)) & 1u) != 0;
}

std::uint64_t BitmapBytes(std::uint64_t width, std::uint64_t height, unsigned depth)
{
    if (width == 0 || height == 0) return 0;
    if (width > 0x7FFFFFFF || height > 0x7FFFFFFF) return UINT64_MAX;
    const std::int64_t pitch = DibRowPitch(std::int64_t(width), std::max(1u, depth));
    if (pitch <= 0 || std::uint64_t(pitch) > UINT64_MAX / height) return UINT64_MAX;
    return std::uint64_t(pitch) * height;
}

// What an image of this size holds: its rows and its table of row addresses.
std::uint64_t ImageBytes(std::uint64_t width, std::uint64_t height, unsigned depth)
{
    const std::uint64_t rows = BitmapBytes(width, height, depth);
    return rows == UINT64_MAX ? rows : rows + height * sizeof(BYTE*);
}

// Whether a frame of this size and depth could become an image: the library's bitmap and our
// 24- or 32-bit copy of it together within the decoding budget. A header of no pixels has
// nothing to allocate.
bool FrameFits(std::uint64_t width, std::uint64_t height, unsigned depth)
{
    if (width == 0 || height == 0) return true;
    const std::uint64_t theirs = BitmapBytes(width, height, depth);
    const std::uint64_t ours = BitmapBytes(width, height, depth > 24 ? 32 : 24);
    return theirs != UINT64_MAX && ours <= std::uint64_t(kMaxBitmapBytes) &&
           theirs + ours <= imaging::MaxDecodedBytes();
}

// Whether netpbm content holds its samples as bytes ("P4" to "P6") rather than as text ("P1" to
// "P3"): the library names both by the text format's number.
bool IsBinaryNetpbm(const BYTE* data, std::size_t size)
{
    return size >= 2 && data[0] == 'P' && data[1] >= '4' && data[1] <= '6';
}

// The fewest bytes a file of this format can hold a picture of this size in, by how far its
// compression can go (a run of one byte repeated at most 63, 128 or 256 times): a header that
// claims a picture its file could never hold is refused before the library allocates it. Formats
// whose compression has no such bound give 0 (the child's limits bound them instead).
// binarySamples: netpbm content whose samples are bytes.
std::uint64_t FewestFileBytes(FREE_IMAGE_FORMAT fif, std::uint64_t width, std::uint64_t height, unsigned bpp,
                              bool binarySamples)
{
    const std::uint64_t raw = BitmapBytes(width, height, bpp);
    if (raw == UINT64_MAX) return UINT64_MAX;
    const std::uint64_t pixels = width * height;
    // The rows as the file stores them, unpadded (a 1-bit row of 6 pixels is one byte).
    const std::uint64_t packed = (width * std::max(1u, bpp) + 7) / 8 * height;
    if (binarySamples && (fif == FIF_PBM || fif == FIF_PGM || fif == FIF_PPM)) fif = FIF_PBMRAW;
    switch (fif)
    {
    case FIF_PBMRAW:
    case FIF_PGMRAW:
    case FIF_PPMRAW:
    case FIF_PFM:
        return packed / 2; // stored as they are (half of them may be missing from a cut file)
    case FIF_PBM:
    case FIF_PGM:
    case FIF_PPM:
    case FIF_XPM:
        return pixels / 2; // text: at least a character a pixel
    case FIF_PCX:
        return raw / 32; // two bytes give at most 63
    case FIF_TARGA:
    case FIF_PSD:
    case FIF_CUT:
    case FIF_HDR:
        return raw / 128; // two bytes give at most 128 (or 127) pixels
    case FIF_RAS:
        return raw / 256; // three bytes give at most 256
    default:
        return 0;
    }
}

// The library reads memory through this stream, which notes a read of more than one byte that
// found nothing left: the data ended where the decoder expected more. Several decoders would
// otherwise hand back a picture filled out with zeros.
struct SourceStream
{
    FIMEMORY* memory = nullptr;
    bool endedEarly = false;
};

unsigned DLL_CALLCONV StreamRead(void* buffer, unsigned size, unsigned count, fi_handle handle)
{
    auto* s = static_cast<SourceStream*>(handle);
    const unsigned got = FreeImage_ReadMemory(buffer, size, count, s->memory);
    if (got == 0 && std::uint64_t(size) * count > 1) s->endedEarly = true;
    return got;
}

unsigned DLL_CALLCONV StreamWrite(void*, unsigned, unsigned, fi_handle)
{
    return 0;
}

int DLL_CALLCONV StreamSeek(fi_handle handle, long offset, int origin)
{
    auto* s = static_cast<SourceStream*>(handle);
    return FreeImage_SeekMemory(s->memory, offset, origin) ? 0 : -1;
}

long DLL_CALLCONV StreamTell(fi_handle handle)
{
    return FreeImage_TellMemory(static_cast<SourceStream*>(handle)->memory);
}

// The decoders that fill out a cut file's missing pixels, or keep the pages before the cut,
// instead of failing, and whose reads of a whole file never come back empty.
bool NoticesTheEnd(FREE_IMAGE_FORMAT fif)
{
    switch (fif)
    {
    case FIF_ICO:
    case FIF_TARGA:
    case FIF_PSD:
        return true;
    default:
        return false;
    }
}

bool HeaderFits(FREE_IMAGE_FORMAT fif, FIBITMAP* dib, const BYTE* data, std::size_t size)
{
    const unsigned w = FreeImage_GetWidth(dib), h = FreeImage_GetHeight(dib), bpp = FreeImage_GetBPP(dib);
    return FrameFits(w, h, bpp) && size >= FewestFileBytes(fif, w, h, bpp, IsBinaryNetpbm(data, size));
}

// Reads the headers alone, where the library can, and answers false when a frame is too large to
// become an image or larger than its file could hold: the library would otherwise allocate (and
// fill) it in full first.
bool FramesFit(FREE_IMAGE_FORMAT fif, FreeImageIO& io, SourceStream& source, const BYTE* data,
               std::size_t size)
{
    if (!FreeImage_FIFSupportsNoPixels(fif)) return true;
    if (IsMultiPage(fif))
    {
        MultiGuard multi(FreeImage_OpenMultiBitmapFromHandle(fif, &io, &source, FIF_LOAD_NOPIXELS));
        if (!multi.multi) return true;
        for (int page = 0; page < FreeImage_GetPageCount(multi.multi); ++page)
        {
            FIBITMAP* dib = FreeImage_LockPage(multi.multi, page);
            if (!dib) continue;
            const bool fits = HeaderFits(fif, dib, data, size);
            FreeImage_UnlockPage(multi.multi, dib, FALSE);
            if (!fits) return false;
        }
        return true;
    }
    BitmapGuard dib(FreeImage_LoadFromHandle(fif, &io, &source, FIF_LOAD_NOPIXELS));
    return !dib.dib || HeaderFits(fif, dib.dib, data, size);
}

// One FreeImage bitmap to a new frame: 1, 4, 8 and 16 bits become 32 (when transparent) or
// 24; 24 and 32 bits are copied; other depths are dropped.
void FreeImageToObjImage(FIBITMAP* dib, std::vector<FCObjImage*>& frames)
{
    auto image = std::make_unique<FCObjImage>();
    if (dib)
    {
        FIBITMAP* converted = nullptr;
        const unsigned bpp = FreeImage_GetBPP(dib);
        const bool transparent = FreeImage_IsTransparent(dib);
        // A frame too large to become an image is dropped before the library converts it.
        const bool fits =
            FrameFits(FreeImage_GetWidth(dib), FreeImage_GetHeight(dib), transparent ? 32 : bpp);
        if (fits && (bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16))
            converted = transparent ? FreeImage_ConvertTo32Bits(dib) : FreeImage_ConvertTo24Bits(dib);
        BitmapGuard convertedGuard(converted);
        FIBITMAP* source = converted ? converted : dib;
        const bool usable = fits &&
                            (converted != nullptr || !(bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16)) &&
                            FreeImage_GetImageType(source) == FIT_BITMAP;
        const unsigned w = FreeImage_GetWidth(source);
        const unsigned h = FreeImage_GetHeight(source);
        if (usable && w <= 0x7FFFFFFF && h <= 0x7FFFFFFF &&
            image->Create(int(w), int(h), int(FreeImage_GetBPP(source))))
        {
            const std::size_t ourPitch = std::size_t(image->RowPitch());
            const std::size_t theirPitch = FreeImage_GetPitch(source);
            const std::size_t n = std::min(ourPitch, theirPitch);
            // Both layouts are bottom-up: scan line 0 is the bottom row.
            for (unsigned y = 0; y < h; ++y)
                std::memcpy(image->RowAddress(int(h - 1 - y)), FreeImage_GetScanLine(source, int(y)), n);
        }
    }
    if (image->HasBits()) frames.push_back(image.release());
}

void FreeImageToObjImageMultiPage(FIMULTIBITMAP* multi, std::vector<FCObjImage*>& frames,
                                  FCImageProperty* prop)
{
    if (!multi) return;
    for (int page = 0; page < FreeImage_GetPageCount(multi); ++page)
    {
        FIBITMAP* dib = FreeImage_LockPage(multi, page);
        if (!dib) continue;
        FreeImageToObjImage(dib, frames);
        FITAG* tag = nullptr;
        if (FreeImage_GetMetadata(FIMD_ANIMATION, dib, "FrameTime", &tag) && tag &&
            FreeImage_GetTagValue(tag) && FreeImage_GetTagLength(tag) >= 4)
        {
            std::uint32_t ms;
            std::memcpy(&ms, FreeImage_GetTagValue(tag), 4);
            prop->frameDelays.push_back(std::int32_t(ms));
        }
        FreeImage_UnlockPage(multi, dib, FALSE);
    }
}

// Content that the platform's own readers know, by its first bytes. The library never sees it:
// they read the same formats, hold on damaged and hostile files, and read many pages in linear
// time, where the library trusts what some of these files say (an EXIF directory's count, the
// sizes of TIFF pages) and reads multi-page files page by page from the start.
bool OwnReadersKnow(const BYTE* data, std::size_t size)
{
    auto starts = [&](const char* magic, std::size_t n)
    { return size >= n && std::memcmp(data, magic, n) == 0; };
    return starts("BM", 2) || starts("\xFF\xD8\xFF", 3) || starts("GIF87a", 6) || starts("GIF89a", 6) ||
           starts("\x89PNG\r\n\x1A\n", 8) || starts("II*\0", 4) || starts("MM\0*", 4);
}

// The formats those readers serve: content the library takes for one of them without the first
// bytes above is damaged, and refused.
bool IsOwnReadersFormat(FREE_IMAGE_FORMAT fif)
{
    return fif == FIF_BMP || fif == FIF_JPEG || fif == FIF_GIF || fif == FIF_PNG || fif == FIF_TIFF;
}

// Frames from the platform's readers, as this codec gives them: 24 or 32 bits, frames of
// samples deeper than 8 bits dropped as the library drops them, the GIF frame times in
// milliseconds as they stand, nothing at all when the data ends before the file does. The images
// count in the decoding budget with the decoded frames.
bool LoadWithOwnReaders(const BYTE* data, std::size_t size, std::vector<FCObjImage*>& frames,
                        FCImageProperty* prop)
{
    using namespace imaging;
    std::unique_ptr<PlatformBitmap> bitmap;
    if (PlatformBitmap::FromMemory(data, size, bitmap) != Ok || !bitmap || bitmap->IsIncomplete())
        return false;
    GUID dimension;
    if (bitmap->GetFrameDimensionsList(&dimension, 1) != Ok) return false;
    const std::size_t before = frames.size();
    auto fail = [&]
    {
        for (std::size_t i = before; i < frames.size(); ++i)
            delete frames[i];
        frames.resize(before);
        return false;
    };
    std::uint64_t charged = bitmap->DecodedBytes();
    const UINT count = bitmap->GetFrameCount(dimension);
    for (UINT index = 0; index < count; ++index)
    {
        if (bitmap->SelectActiveFrame(dimension, index) != Ok) return fail();
        if (bitmap->HasDeepSamples()) continue;
        charged += ImageBytes(bitmap->GetWidth(), bitmap->GetHeight(),
                              unsigned(FCObjImage::GdiplusBitmapDepth(*bitmap)));
        if (charged > MaxDecodedBytes()) return fail();
        auto image = std::make_unique<FCObjImage>();
        if (!image->FromGdiplusBitmap(*bitmap)) return fail();
        frames.push_back(image.release());
    }
    if (bitmap->GetRawFormat() == ImageFormatGIF)
    {
        UINT bytes = 0;
        if (bitmap->GetPropertyItemSize(PropertyTagFrameDelay, &bytes) == Ok && bytes > sizeof(PropertyItem))
        {
            std::vector<BYTE> block(bytes);
            auto* item = reinterpret_cast<PropertyItem*>(block.data());
            if (bitmap->GetPropertyItem(PropertyTagFrameDelay, bytes, item) == Ok && item->value)
                for (UINT k = 0; k + 4 <= item->length; k += 4)
                {
                    std::uint32_t hundredths;
                    std::memcpy(&hundredths, static_cast<const BYTE*>(item->value) + k, 4);
                    prop->frameDelays.push_back(
                        std::int32_t(std::min<std::uint64_t>(std::uint64_t(hundredths) * 10, INT_MAX)));
                }
        }
    }
    return frames.size() > before;
}

// Decodes with the library (in the child process): every frame of content it recognises, or
// nothing when a frame is too large or the data ends before the decoder is done.
bool LoadWithLibrary(const BYTE* data, std::size_t size, std::vector<FCObjImage*>& frames,
                     FCImageProperty* prop)
{
    MemoryGuard mem(FreeImage_OpenMemory(const_cast<BYTE*>(data), DWORD(size)));
    if (!mem.mem) return false;
    const FREE_IMAGE_FORMAT fif = FreeImage_GetFileTypeFromMemory(mem.mem, 0);
    if (fif == FIF_UNKNOWN || IsOwnReadersFormat(fif) || (fif == FIF_ICO && !IconDirectoryFits(data, size)))
        return false;
    SourceStream source;
    source.memory = mem.mem;
    FreeImageIO io{StreamRead, StreamWrite, StreamSeek, StreamTell};
    if (io.seek_proc(&source, 0, SEEK_SET) != 0 || !FramesFit(fif, io, source, data, size)) return false;
    source.endedEarly = false;
    if (io.seek_proc(&source, 0, SEEK_SET) != 0) return false;
    if (IsMultiPage(fif))
    {
        MultiGuard multi(FreeImage_OpenMultiBitmapFromHandle(fif, &io, &source, 0));
        FreeImageToObjImageMultiPage(multi.multi, frames, prop);
    }
    else
    {
        BitmapGuard dib(FreeImage_LoadFromHandle(fif, &io, &source, 0));
        FreeImageToObjImage(dib.dib, frames);
    }
    return !(source.endedEarly && NoticesTheEnd(fif)) && !frames.empty();
}

// What the child hands back: a header, the frame delays, then each frame's size and depth and
// its rows from the top.
constexpr std::uint32_t kResultMagic = 0x3146564F; // "OVF1"

bool WriteAllTo(int fd, const void* data, std::size_t size)
{
    const auto* p = static_cast<const BYTE*>(data);
    while (size > 0)
    {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= std::size_t(n);
    }
    return true;
}

bool WriteResult(int fd, const std::vector<FCObjImage*>& frames, const FCImageProperty& prop)
{
    const std::uint32_t head[3] = {kResultMagic, std::uint32_t(frames.size()),
                                   std::uint32_t(prop.frameDelays.size())};
    if (!WriteAllTo(fd, head, sizeof head) ||
        !WriteAllTo(fd, prop.frameDelays.data(), prop.frameDelays.size() * sizeof(std::int32_t)))
        return false;
    for (const FCObjImage* f : frames)
    {
        const std::uint32_t size[3] = {std::uint32_t(f->Width()), std::uint32_t(f->Height()),
                                       std::uint32_t(f->ColorBits())};
        if (!WriteAllTo(fd, size, sizeof size)) return false;
        for (int y = 0; y < f->Height(); ++y)
            if (!WriteAllTo(fd, f->RowAddress(y), std::size_t(f->RowPitch()))) return false;
    }
    return true;
}

bool ReadAt(int fd, void* out, std::size_t size, std::uint64_t& offset)
{
    auto* p = static_cast<BYTE*>(out);
    while (size > 0)
    {
        const ssize_t n = ::pread(fd, p, size, off_t(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= std::size_t(n);
        offset += std::uint64_t(n);
    }
    return true;
}

// The child's result, checked like any foreign bytes: sizes within the file and the budget.
bool ReadResult(int fd, std::vector<FCObjImage*>& frames, FCImageProperty* prop)
{
    std::uint64_t offset = 0;
    std::uint32_t head[3];
    if (!ReadAt(fd, head, sizeof head, offset) || head[0] != kResultMagic || head[1] > 65536 ||
        head[2] > 65536)
        return false;
    std::vector<std::int32_t> delays(head[2]);
    if (!ReadAt(fd, delays.data(), delays.size() * sizeof(std::int32_t), offset)) return false;
    const std::size_t before = frames.size();
    std::uint64_t charged = 0;
    for (std::uint32_t i = 0; i < head[1]; ++i)
    {
        std::uint32_t size[3];
        auto image = std::make_unique<FCObjImage>();
        bool ok = ReadAt(fd, size, sizeof size, offset) && (size[2] == 24 || size[2] == 32);
        if (ok)
        {
            charged += ImageBytes(size[0], size[1], size[2]);
            ok = charged <= imaging::MaxDecodedBytes() && size[0] <= 0x7FFFFFFF && size[1] <= 0x7FFFFFFF &&
                 image->Create(int(size[0]), int(size[1]), int(size[2]));
        }
        for (int y = 0; ok && y < image->Height(); ++y)
            ok = ReadAt(fd, image->RowAddress(y), std::size_t(image->RowPitch()), offset);
        if (!ok)
        {
            for (std::size_t k = before; k < frames.size(); ++k)
                delete frames[k];
            frames.resize(before);
            return false;
        }
        frames.push_back(image.release());
    }
    prop->frameDelays.insert(prop->frameDelays.end(), delays.begin(), delays.end());
    return frames.size() > before;
}

std::atomic<double> g_childSeconds{8.0};

// The library decodes in a child process: a crash, a hang or a runaway allocation in it fails
// this load and nothing else.
bool LoadInChild(const BYTE* data, std::size_t size, std::vector<FCObjImage*>& frames, FCImageProperty* prop)
{
    ChildLimits limits;
    limits.seconds = g_childSeconds.load();
    // The library's bitmap and our copy, both within the budget, and its work memory.
    limits.extraBytes = imaging::MaxDecodedBytes() + (std::uint64_t(512) << 20);
    const int fd = RunInChildProcess(
        [&](int out)
        {
            std::vector<FCObjImage*> decoded;
            FCImageProperty found;
            const bool ok = LoadWithLibrary(data, size, decoded, &found) && WriteResult(out, decoded, found);
            for (FCObjImage* f : decoded)
                delete f;
            return ok;
        },
        limits);
    if (fd < 0) return false;
    const bool ok = ReadResult(fd, frames, prop);
    ::close(fd);
    return ok;
}

bool LoadBytes(const BYTE* data, std::size_t size, std::vector<FCObjImage*>& frames, FCImageProperty* prop)
{
    if (OwnReadersKnow(data, size)) return LoadWithOwnReaders(data, size, frames, prop);
    if (size >= 4 && std::memcmp(data, "FORM", 4) == 0 && !IffReachesItsBody(data, size)) return false;
    return LoadInChild(data, size, frames, prop);
}
} // namespace

void FCImageCodec_FreeImage::SetDecodeTimeLimitForTesting(double seconds)
{
    g_childSeconds.store(seconds > 0 ? seconds : 8.0);
}

FCImageCodec_FreeImage::FCImageCodec_FreeImage()
{
    FreeImage_Initialise(TRUE);
    imaging::QuietProcessWideTiffMessages();
}

FCImageCodec_FreeImage::~FCImageCodec_FreeImage()
{
    FreeImage_DeInitialise();
}

std::string FCImageCodec_FreeImage::WideToAnsi(const wchar_t* name)
{
    return PathToNative(name);
}

const char* FCImageCodec_FreeImage::LibraryVersion()
{
    return FreeImage_GetVersion();
}

bool FCImageCodec_FreeImage::LoadImageFile(const wchar_t* fileName, std::vector<FCObjImage*>& frames,
                                           FCImageProperty* prop)
{
    const std::string name = WideToAnsi(fileName);
    if (name.empty() || !prop) return false;
    // Read by us, regular files only and without blocking, then decoded from memory.
    std::vector<BYTE> bytes;
    if (ReadRegularFile(name, std::uint64_t(kMaxBitmapBytes), bytes) != FileReadStatus::Ok || bytes.empty())
        return false;
    return LoadBytes(bytes.data(), bytes.size(), frames, prop);
}

bool FCImageCodec_FreeImage::LoadImageMemory(const void* buffer, int size, std::vector<FCObjImage*>& frames,
                                             FCImageProperty* prop)
{
    if (!buffer || size <= 0 || !prop) return false;
    return LoadBytes(static_cast<const BYTE*>(buffer), std::size_t(size), frames, prop);
}

bool FCImageCodec_FreeImage::SaveImageFile(const wchar_t* fileName,
                                           const std::vector<const FCObjImage*>& frames,
                                           const FCImageProperty& prop)
{
    if (frames.empty() || !frames[0] || !frames[0]->HasBits()) return false;
    const FCObjImage& image = *frames[0];
    const std::string name = WideToAnsi(fileName);
    if (name.empty()) return false;
    const FREE_IMAGE_FORMAT fif = FreeImage_GetFIFFromFilename(name.c_str());
    if (fif == FIF_UNKNOWN || !FreeImage_FIFSupportsWriting(fif) ||
        !FreeImage_FIFSupportsExportBPP(fif, image.ColorBits()))
        return false;

    BitmapGuard dib(FreeImage_Allocate(image.Width(), image.Height(), image.ColorBits(), 0, 0, 0));
    if (!dib.dib) return false;
    const std::size_t n = std::min<std::size_t>(std::size_t(image.RowPitch()), FreeImage_GetPitch(dib.dib));
    const int h = image.Height();
    for (int y = 0; y < h; ++y)
        std::memcpy(FreeImage_GetScanLine(dib.dib, y), image.RowAddress(h - 1 - y), n);
    if (image.ColorBits() == 8 && FreeImage_GetPalette(dib.dib) && image.PaletteEntries())
    {
        const unsigned colors = std::min(256u, FreeImage_GetColorsUsed(dib.dib));
        std::memcpy(FreeImage_GetPalette(dib.dib), image.PaletteEntries(), colors * 4);
    }
    FreeImage_SetDotsPerMeterX(dib.dib, 0);
    FreeImage_SetDotsPerMeterY(dib.dib, 0);

    int flags = 0;
    if (fif == FIF_JPEG)
        flags = prop.saveParameter == -1 ? 90 : prop.saveParameter;
    else if (fif == FIF_GIF && image.ColorBits() == 8 && prop.saveParameter != -1)
    {
        BYTE table[256];
        std::memset(table, 255, sizeof table);
        table[std::clamp(prop.saveParameter, 0, 255)] = 0;
        FreeImage_SetTransparent(dib.dib, TRUE);
        FreeImage_SetTransparencyTable(dib.dib, table, 256);
    }
    // The library writes into memory, which never fails half-way; the file is then written
    // whole or not at all, by the same writer as the platform's codecs.
    MemoryGuard memory(FreeImage_OpenMemory(nullptr, 0));
    if (!memory.mem || !FreeImage_SaveToMemory(fif, dib.dib, memory.mem, flags)) return false;
    BYTE* bytes = nullptr;
    DWORD count = 0;
    if (!FreeImage_AcquireMemory(memory.mem, &bytes, &count) || !bytes || count == 0) return false;
    return WriteFileAtomically(name, bytes, count);
}
