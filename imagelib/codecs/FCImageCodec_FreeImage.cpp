#include "imagelib/codecs/FCImageCodec_FreeImage.h"

#include "imagelib/FCImageProperty.h"
#include "imagelib/FCObjImage.h"
#include "platform/BitmapSection.h"
#include "platform/TextConv.h"
#include "platform/imaging/PlatformBitmap.h"

#include "imagelib/codecs/FreeImageInclude.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

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
// do not fit in the bytes present is refused before the library sees it. data holds at least
// the directory (6 + 16 x count bytes) of a file of total bytes.
bool IconDirectoryFits(const BYTE* data, std::size_t available, std::uint64_t total)
{
    if (available < 6) return false;
    const std::size_t count = std::size_t(data[4]) | std::size_t(data[5]) << 8;
    const std::size_t directory = 6 + count * 16;
    if (count == 0 || directory > available) return false;
    auto u32 = [](const BYTE* p)
    {
        return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
               std::uint32_t(p[3]) << 24;
    };
    for (std::size_t i = 0; i < count; ++i)
    {
        const BYTE* e = data + 6 + i * 16;
        const std::uint32_t bytes = u32(e + 8);
        const std::uint32_t offset = u32(e + 12);
        if (bytes < 40 || offset < directory || std::uint64_t(offset) + bytes > total) return false;
    }
    return true;
}

bool IconFileFits(const std::string& name)
{
    std::FILE* f = std::fopen(name.c_str(), "rb");
    if (!f) return false;
    std::vector<BYTE> head(6);
    bool ok = std::fread(head.data(), 1, 6, f) == 6;
    if (ok)
    {
        const std::size_t count = std::size_t(head[4]) | std::size_t(head[5]) << 8;
        head.resize(6 + count * 16);
        ok = std::fread(head.data() + 6, 1, count * 16, f) == count * 16;
    }
    long total = -1;
    if (ok && std::fseek(f, 0, SEEK_END) == 0) total = std::ftell(f);
    std::fclose(f);
    return ok && total > 0 && IconDirectoryFits(head.data(), head.size(), std::uint64_t(total));
}

// ICO, TIFF and GIF are read page by page.
bool IsMultiPage(FREE_IMAGE_FORMAT fif)
{
    return fif >= 0 && fif <= 25 && ((0x2040002u >> unsigned(fif)) & 1u) != 0;
}

// Whether a frame of this size could become an image at 24 bits per pixel or at depth bits, the
// larger: the least memory the library and we would need for it. A header of no pixels has
// nothing to allocate.
bool FrameFits(std::uint64_t width, std::uint64_t height, unsigned depth)
{
    if (width == 0 || height == 0) return true;
    const std::int64_t pitch =
        DibRowPitch(std::int64_t(std::min<std::uint64_t>(width, 0x7FFFFFFF)), std::max(24u, depth));
    return width <= 0x7FFFFFFF && height <= 0x7FFFFFFF && pitch > 0 &&
           pitch * std::int64_t(height) <= kMaxBitmapBytes;
}

// The library reads files and memory through this stream, which notes a read of more than one
// byte that found nothing left: the data ended where the decoder expected more. Several decoders
// would otherwise hand back a picture filled out with zeros.
struct SourceStream
{
    std::FILE* file = nullptr;
    FIMEMORY* memory = nullptr;
    bool endedEarly = false;
};

unsigned DLL_CALLCONV StreamRead(void* buffer, unsigned size, unsigned count, fi_handle handle)
{
    auto* s = static_cast<SourceStream*>(handle);
    const unsigned got = s->file ? unsigned(std::fread(buffer, size, count, s->file))
                                 : FreeImage_ReadMemory(buffer, size, count, s->memory);
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
    if (s->file) return std::fseek(s->file, offset, origin);
    return FreeImage_SeekMemory(s->memory, offset, origin) ? 0 : -1;
}

long DLL_CALLCONV StreamTell(fi_handle handle)
{
    auto* s = static_cast<SourceStream*>(handle);
    return s->file ? std::ftell(s->file) : FreeImage_TellMemory(s->memory);
}

// The decoders that fill out a cut file's missing pixels, or keep the pages before the cut,
// instead of failing, and whose reads of a whole file never come back empty. PNG and GIF fail by
// themselves on a cut file; JPEG 2000 reads on to the end by design.
bool NoticesTheEnd(FREE_IMAGE_FORMAT fif)
{
    switch (fif)
    {
    case FIF_BMP:
    case FIF_ICO:
    case FIF_JPEG:
    case FIF_TARGA:
    case FIF_TIFF:
    case FIF_PSD:
        return true;
    default:
        return false;
    }
}

// GIF frames are as large as their image descriptors say, whatever the screen size: walks the
// blocks and answers false when a frame could not become an image. Stops quietly at anything it
// does not understand, leaving the decoder to judge the file.
bool GifFramesFit(FreeImageIO& io, fi_handle handle)
{
    auto read = [&](BYTE* out, unsigned n) { return io.read_proc(out, n, 1, handle) == 1; };
    auto skipColourTable = [&](BYTE flags)
    { return (flags & 0x80) == 0 || io.seek_proc(handle, 3L << ((flags & 7) + 1), SEEK_CUR) == 0; };
    auto skipSubBlocks = [&]()
    {
        for (BYTE n = 0;;)
        {
            if (!read(&n, 1)) return false;
            if (n == 0) return true;
            if (io.seek_proc(handle, n, SEEK_CUR) != 0) return false;
        }
    };
    BYTE head[13];
    if (!read(head, 13) || !skipColourTable(head[10])) return true;
    for (BYTE kind = 0; read(&kind, 1);)
    {
        if (kind == 0x21) // extension: label, then sub-blocks
        {
            BYTE label;
            if (!read(&label, 1) || !skipSubBlocks()) return true;
        }
        else if (kind == 0x2C) // image descriptor: left, top, width, height, flags
        {
            BYTE d[9];
            if (!read(d, 9)) return true;
            if (!FrameFits(unsigned(d[4] | d[5] << 8), unsigned(d[6] | d[7] << 8), 8)) return false;
            BYTE codeSize;
            if (!skipColourTable(d[8]) || !read(&codeSize, 1) || !skipSubBlocks()) return true;
        }
        else
            return true; // the trailer, or something the decoder will judge
    }
    return true;
}

// Reads the headers alone, where the library can, and answers false when a frame is too large to
// become an image: the library would otherwise allocate (and fill) it in full first.
bool FramesFit(FREE_IMAGE_FORMAT fif, FreeImageIO& io, SourceStream& source)
{
    if (fif == FIF_GIF) return GifFramesFit(io, &source);
    if (!FreeImage_FIFSupportsNoPixels(fif)) return true;
    if (IsMultiPage(fif))
    {
        MultiGuard multi(FreeImage_OpenMultiBitmapFromHandle(fif, &io, &source, FIF_LOAD_NOPIXELS));
        if (!multi.multi) return true;
        for (int page = 0; page < FreeImage_GetPageCount(multi.multi); ++page)
        {
            FIBITMAP* dib = FreeImage_LockPage(multi.multi, page);
            if (!dib) continue;
            const bool fits =
                FrameFits(FreeImage_GetWidth(dib), FreeImage_GetHeight(dib), FreeImage_GetBPP(dib));
            FreeImage_UnlockPage(multi.multi, dib, FALSE);
            if (!fits) return false;
        }
        return true;
    }
    BitmapGuard dib(FreeImage_LoadFromHandle(fif, &io, &source, FIF_LOAD_NOPIXELS));
    return !dib.dib ||
           FrameFits(FreeImage_GetWidth(dib.dib), FreeImage_GetHeight(dib.dib), FreeImage_GetBPP(dib.dib));
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

// Loads every frame of source, which the library has recognised as fif. Nothing is appended (and
// no frame delay kept) when a frame is too large or the data ends before the decoder is done.
bool LoadFromSource(FREE_IMAGE_FORMAT fif, SourceStream& source, std::vector<FCObjImage*>& frames,
                    FCImageProperty* prop)
{
    FreeImageIO io{StreamRead, StreamWrite, StreamSeek, StreamTell};
    if (io.seek_proc(&source, 0, SEEK_SET) != 0 || !FramesFit(fif, io, source)) return false;
    source.endedEarly = false;
    if (io.seek_proc(&source, 0, SEEK_SET) != 0) return false;
    const std::size_t framesBefore = frames.size();
    const std::size_t delaysBefore = prop->frameDelays.size();
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
    if (source.endedEarly && NoticesTheEnd(fif))
    {
        for (std::size_t i = framesBefore; i < frames.size(); ++i)
            delete frames[i];
        frames.resize(framesBefore);
        prop->frameDelays.resize(delaysBefore);
        return false;
    }
    return !frames.empty();
}
} // namespace

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
    return WideToUtf8(name);
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
    const FREE_IMAGE_FORMAT fif = FreeImage_GetFileType(name.c_str(), 0);
    if (fif == FIF_UNKNOWN || (fif == FIF_ICO && !IconFileFits(name))) return false;
    SourceStream source;
    source.file = std::fopen(name.c_str(), "rb");
    if (!source.file) return false;
    const bool result = LoadFromSource(fif, source, frames, prop);
    std::fclose(source.file);
    return result;
}

bool FCImageCodec_FreeImage::LoadImageMemory(const void* buffer, int size, std::vector<FCObjImage*>& frames,
                                             FCImageProperty* prop)
{
    if (!buffer || size <= 0 || !prop) return false;
    MemoryGuard mem(FreeImage_OpenMemory(static_cast<BYTE*>(const_cast<void*>(buffer)), DWORD(size)));
    if (!mem.mem) return false;
    const FREE_IMAGE_FORMAT fif = FreeImage_GetFileTypeFromMemory(mem.mem, 0);
    if (fif == FIF_UNKNOWN || (fif == FIF_ICO && !IconDirectoryFits(static_cast<const BYTE*>(buffer),
                                                                    std::size_t(size), std::uint64_t(size))))
        return false;
    SourceStream source;
    source.memory = mem.mem;
    return LoadFromSource(fif, source, frames, prop);
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
    return FreeImage_Save(fif, dib.dib, name.c_str(), flags) != 0;
}
