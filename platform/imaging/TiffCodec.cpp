// TIFF over libtiff: one frame per page (directory), read through the library's RGBA reader
// (alpha from ExtraSamples kept straight), each page's tags as items of its own. Written as one
// LZW page (palette, RGB or RGBA) with the descriptive text tags and the resolution.
#include "platform/imaging/ImagingInternal.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

#include <tiffio.h>

namespace imaging::detail
{
namespace
{
// A growable block of bytes that libtiff reads, writes and seeks in.
struct MemoryFile
{
    const BYTE* data = nullptr;       // reading
    std::vector<BYTE>* out = nullptr; // writing
    std::size_t size = 0;
    std::uint64_t pos = 0;
};

tmsize_t ReadProc(thandle_t h, void* buf, tmsize_t n)
{
    auto* f = static_cast<MemoryFile*>(h);
    if (n <= 0 || f->pos >= f->size) return 0;
    const std::size_t count = std::min<std::uint64_t>(std::uint64_t(n), f->size - f->pos);
    const BYTE* src = f->out ? f->out->data() : f->data;
    std::memcpy(buf, src + f->pos, count);
    f->pos += count;
    return tmsize_t(count);
}

tmsize_t WriteProc(thandle_t h, void* buf, tmsize_t n)
{
    auto* f = static_cast<MemoryFile*>(h);
    if (!f->out || n < 0) return -1;
    const std::uint64_t end = f->pos + std::uint64_t(n);
    if (end > std::uint64_t(0x7FFFFFFF)) return -1;
    try
    {
        if (end > f->out->size()) f->out->resize(std::size_t(end));
    }
    catch (...)
    {
        return -1;
    }
    std::memcpy(f->out->data() + f->pos, buf, std::size_t(n));
    f->pos = end;
    f->size = f->out->size();
    return n;
}

toff_t SeekProc(thandle_t h, toff_t off, int whence)
{
    auto* f = static_cast<MemoryFile*>(h);
    std::int64_t base = 0;
    if (whence == SEEK_CUR)
        base = std::int64_t(f->pos);
    else if (whence == SEEK_END)
        base = std::int64_t(f->size);
    const std::int64_t to = base + std::int64_t(off);
    if (to < 0) return toff_t(-1);
    f->pos = std::uint64_t(to);
    return f->pos;
}

int CloseProc(thandle_t)
{
    return 0;
}

toff_t SizeProc(thandle_t h)
{
    return static_cast<MemoryFile*>(h)->size;
}

int MapProc(thandle_t, void**, toff_t*)
{
    return 0;
}

void UnmapProc(thandle_t, void*, toff_t) {}

int SilentHandler(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

TIFF* OpenMemory(MemoryFile& file, const char* mode)
{
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options, SilentHandler, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, SilentHandler, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options,
                                        tmsize_t(std::min<std::uint64_t>(MaxDecodedBytes(), 0x7FFFFFFF)));
    TIFF* tif = TIFFClientOpenExt("memory", mode, &file, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc,
                                  MapProc, UnmapProc, options);
    TIFFOpenOptionsFree(options);
    return tif;
}

// Whether the page has an alpha sample, and whether it is straight (unassociated).
bool HasAlphaSample(TIFF* tif, bool* straight)
{
    std::uint16_t count = 0;
    std::uint16_t* types = nullptr;
    *straight = false;
    if (!TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &count, &types) || !types) return false;
    for (std::uint16_t i = 0; i < count; ++i)
        if (types[i] == EXTRASAMPLE_ASSOCALPHA || types[i] == EXTRASAMPLE_UNASSALPHA)
        {
            *straight = types[i] == EXTRASAMPLE_UNASSALPHA && i == 0;
            return true;
        }
    return false;
}

// Plain 8-bit RGB or RGBA strips (what the encoder writes) are read row by row as they stand,
// so that straight alpha is not rounded through premultiplication. False when the page is of
// another kind.
bool ReadPlainRgb(TIFF* tif, Frame& frame, bool alpha)
{
    std::uint16_t photometric = 0, bits = 0, samples = 0, planar = 0;
    if (TIFFIsTiled(tif) || !TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric) ||
        !TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits) ||
        !TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples) ||
        !TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar))
        return false;
    if (photometric != PHOTOMETRIC_RGB || bits != 8 || planar != PLANARCONFIG_CONTIG ||
        samples != (alpha ? 4 : 3))
        return false;
    const std::size_t w = std::size_t(frame.width);
    const tmsize_t lineBytes = TIFFScanlineSize(tif);
    if (lineBytes < tmsize_t(w * samples)) return false;
    std::vector<BYTE> line(static_cast<std::size_t>(lineBytes));
    for (int y = 0; y < frame.height; ++y)
    {
        if (TIFFReadScanline(tif, line.data(), std::uint32_t(y), 0) < 0) break;
        const BYTE* s = line.data();
        BYTE* d = frame.Row(y);
        for (std::size_t x = 0; x < w; ++x, s += samples, d += samples)
        {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
            if (alpha) d[3] = s[3];
        }
        frame.validRows = y + 1;
    }
    return true;
}

// Any other page through the library's RGBA reader.
bool ReadThroughRgba(TIFF* tif, Frame& frame, bool alpha, Decoded& out)
{
    const std::uint32_t w = std::uint32_t(frame.width), h = std::uint32_t(frame.height);
    // The reader needs a raster of w x h 32-bit pixels besides the frame.
    const std::uint64_t raster = std::uint64_t(w) * h * 4;
    if (raster > std::uint64_t(kMaxBitmapBytes) || out.bytesUsed + raster > MaxDecodedBytes()) return false;
    char message[1024];
    if (!TIFFRGBAImageOK(tif, message)) return false;
    std::unique_ptr<std::uint32_t[], void (*)(std::uint32_t*)> pixels(
        static_cast<std::uint32_t*>(_TIFFmalloc(tmsize_t(raster))), [](std::uint32_t* p) { _TIFFfree(p); });
    if (!pixels) return false;
    std::memset(pixels.get(), 0, std::size_t(raster));
    if (!TIFFReadRGBAImageOriented(tif, w, h, pixels.get(), ORIENTATION_TOPLEFT, 0)) return false;
    for (std::uint32_t y = 0; y < h; ++y)
    {
        const std::uint32_t* s = pixels.get() + std::size_t(y) * w;
        BYTE* d = frame.Row(int(y));
        for (std::uint32_t x = 0; x < w; ++x)
        {
            const std::uint32_t p = s[x];
            unsigned r = TIFFGetR(p), g = TIFFGetG(p), b = TIFFGetB(p);
            if (alpha)
            {
                // The reader hands out premultiplied colour; frames hold straight alpha.
                const unsigned a = TIFFGetA(p);
                if (a > 0 && a < 255)
                {
                    r = std::min(255u, (r * 255 + a / 2) / a);
                    g = std::min(255u, (g * 255 + a / 2) / a);
                    b = std::min(255u, (b * 255 + a / 2) / a);
                }
                d[3] = BYTE(a);
            }
            d[0] = BYTE(b);
            d[1] = BYTE(g);
            d[2] = BYTE(r);
            d += alpha ? 4 : 3;
        }
    }
    frame.validRows = int(h);
    return true;
}

bool ReadPage(TIFF* tif, const BYTE* data, std::size_t size, Decoded& out)
{
    std::uint32_t w = 0, h = 0;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h) || w == 0 ||
        h == 0)
        return false;
    bool straight = false;
    const bool alpha = HasAlphaSample(tif, &straight);
    Frame frame;
    if (!AllocateFrame(out, frame, w, h, alpha ? 32 : 24)) return false;
    frame.format = alpha ? PixelFormat32bppARGB : PixelFormat24bppRGB;
    frame.flags = alpha ? ImageFlagsHasAlpha : 0;
    const bool read =
        ((straight || !alpha) && ReadPlainRgb(tif, frame, alpha)) || ReadThroughRgba(tif, frame, alpha, out);
    if (!read) return false;
    std::uint16_t bits = 8, sampleFormat = SAMPLEFORMAT_UINT;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &sampleFormat);
    frame.deepSamples = bits > 8 || sampleFormat == SAMPLEFORMAT_IEEEFP;
    ParseTiffItems(data, size, frame.items, TIFFCurrentDirOffset(tif));
    out.frames.push_back(std::move(frame));
    return true;
}

float RationalItem(const Item* item, float fallback)
{
    if (!item || item->type != 5 || item->value.size() < 8) return fallback;
    const std::uint32_t n = GetU32LE(item->value.data()), d = GetU32LE(item->value.data() + 4);
    return d ? float(double(n) / double(d)) : fallback;
}
} // namespace

bool DecodeTiff(const BYTE* data, std::size_t size, Decoded& out)
{
    MemoryFile file;
    file.data = data;
    file.size = size;
    TIFF* tif = OpenMemory(file, "rm");
    if (!tif) return false;
    // One frame per page; a page that cannot be read is skipped, and the library's own loop
    // detection ends the chain.
    int pages = 0;
    for (;;)
    {
        if (!ReadPage(tif, data, size, out)) out.incomplete = true;
        if (++pages >= 65536 || TIFFLastDirectory(tif)) break;
        if (!TIFFReadDirectory(tif))
        {
            out.incomplete = true; // a next page is announced that cannot be read
            break;
        }
    }
    TIFFClose(tif);
    return !out.frames.empty();
}

bool EncodeTiff(const Frame& frame, const ItemList& items, std::vector<BYTE>& out)
{
    out.clear();
    MemoryFile file;
    file.out = &out;
    TIFF* tif = OpenMemory(file, "w");
    if (!tif) return false;
    const int samples = frame.storageBpp / 8;
    bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, std::uint32_t(frame.width)) &&
              TIFFSetField(tif, TIFFTAG_IMAGELENGTH, std::uint32_t(frame.height)) &&
              TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8) &&
              TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples) &&
              TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW) &&
              TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    if (samples == 1)
    {
        std::vector<std::uint16_t> red(256), green(256), blue(256);
        for (int i = 0; i < 256; ++i)
        {
            const ARGB c = frame.palette.Entries[i];
            red[std::size_t(i)] = std::uint16_t(((c >> 16) & 0xFF) * 257);
            green[std::size_t(i)] = std::uint16_t(((c >> 8) & 0xFF) * 257);
            blue[std::size_t(i)] = std::uint16_t((c & 0xFF) * 257);
        }
        ok = ok && TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE) &&
             TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
    }
    else
        ok = ok && TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    if (samples == 4)
    {
        std::uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        ok = ok && TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    for (std::uint32_t tag : {269u, 270u, 271u, 272u, 305u, 306u, 315u, 33432u})
        if (const Item* item = FindItem(items, tag); item && item->type == 2)
        {
            const std::string text = ItemText(*item);
            if (!text.empty()) TIFFSetField(tif, tag, text.c_str());
        }
    std::uint16_t unit = RESUNIT_INCH;
    if (const Item* u = FindItem(items, 296); u && u->type == 3 && u->value.size() >= 2)
    {
        const unsigned v = GetU16LE(u->value.data());
        if (v >= RESUNIT_NONE && v <= RESUNIT_CENTIMETER) unit = std::uint16_t(v);
    }
    ok = ok && TIFFSetField(tif, TIFFTAG_XRESOLUTION, RationalItem(FindItem(items, 282), 72.0f)) &&
         TIFFSetField(tif, TIFFTAG_YRESOLUTION, RationalItem(FindItem(items, 283), 72.0f)) &&
         TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, unit);

    std::vector<BYTE> row(std::size_t(frame.width) * std::size_t(samples));
    for (int y = 0; ok && y < frame.height; ++y)
    {
        const BYTE* s = frame.Row(y);
        if (samples == 1)
            std::memcpy(row.data(), s, row.size());
        else
            for (int x = 0; x < frame.width; ++x, s += samples)
            {
                BYTE* d = row.data() + std::size_t(x) * std::size_t(samples);
                d[0] = s[2];
                d[1] = s[1];
                d[2] = s[0];
                if (samples == 4) d[3] = s[3];
            }
        ok = TIFFWriteScanline(tif, row.data(), std::uint32_t(y), 0) == 1;
    }
    ok = ok && TIFFWriteDirectory(tif);
    TIFFClose(tif);
    return ok && !out.empty();
}
} // namespace imaging::detail

namespace imaging
{
void QuietProcessWideTiffMessages()
{
    static std::once_flag once;
    std::call_once(once,
                   []
                   {
                       TIFFSetErrorHandler(nullptr);
                       TIFFSetWarningHandler(nullptr);
                   });
}
} // namespace imaging
