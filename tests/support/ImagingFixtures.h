// Image files built in memory for the codec tests: BMP and ICO by hand, byte by byte, and
// JPEG, PNG, GIF and TIFF through the system libraries directly (not through our layer), so
// that the decoders are checked against files they did not write themselves.
#pragma once

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>
#include <unistd.h>

namespace fixtures
{
using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& b, unsigned v)
{
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}
inline void Put32(Bytes& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(std::uint8_t(v >> (8 * i)));
}
inline void Put16BE(Bytes& b, unsigned v)
{
    b.push_back(std::uint8_t(v >> 8));
    b.push_back(std::uint8_t(v));
}
inline void Put32BE(Bytes& b, std::uint32_t v)
{
    for (int i = 3; i >= 0; --i)
        b.push_back(std::uint8_t(v >> (8 * i)));
}

// ---- BMP ----

struct BmpShape
{
    int width = 4;
    int height = 3;
    int bitCount = 24;
    std::uint32_t compression = 0; // 0 RGB, 1 RLE8, 2 RLE4, 3 BITFIELDS
    std::uint32_t headerSize = 40; // 12 core, 40 info, 108 V4, 124 V5
    bool topDown = false;
    std::vector<std::uint32_t> palette; // 0x00RRGGBB entries
    std::vector<std::uint32_t> masks;   // R, G, B[, A] for bitfields
    Bytes pixels;                       // the rows as stored in the file (padding included)
};

// A BMP file: file header, DIB header, masks (after a 40-byte header), colour table, pixels.
inline Bytes MakeBmp(const BmpShape& s)
{
    Bytes dib;
    if (s.headerSize == 12)
    {
        Put32(dib, 12);
        Put16(dib, unsigned(s.width));
        Put16(dib, unsigned(s.height));
        Put16(dib, 1);
        Put16(dib, unsigned(s.bitCount));
        for (std::uint32_t c : s.palette)
        {
            dib.push_back(std::uint8_t(c));
            dib.push_back(std::uint8_t(c >> 8));
            dib.push_back(std::uint8_t(c >> 16));
        }
    }
    else
    {
        Put32(dib, s.headerSize);
        Put32(dib, std::uint32_t(s.width));
        Put32(dib, std::uint32_t(s.topDown ? -s.height : s.height));
        Put16(dib, 1);
        Put16(dib, unsigned(s.bitCount));
        Put32(dib, s.compression);
        Put32(dib, std::uint32_t(s.pixels.size()));
        Put32(dib, 2835);
        Put32(dib, 2835);
        Put32(dib, std::uint32_t(s.palette.size()));
        Put32(dib, 0);
        if (s.headerSize > 40)
        {
            for (std::size_t i = 0; i < 4; ++i)
                Put32(dib, i < s.masks.size() ? s.masks[i] : 0);
            while (dib.size() < s.headerSize)
                dib.push_back(0);
        }
        else
            for (std::uint32_t m : s.masks)
                Put32(dib, m);
        for (std::uint32_t c : s.palette)
            Put32(dib, c);
    }
    Bytes file = {'B', 'M'};
    Put32(file, std::uint32_t(14 + dib.size() + s.pixels.size()));
    Put32(file, 0);
    Put32(file, std::uint32_t(14 + dib.size()));
    file.insert(file.end(), dib.begin(), dib.end());
    file.insert(file.end(), s.pixels.begin(), s.pixels.end());
    return file;
}

// ---- PNG through libpng ----

struct PngShape
{
    int width = 3;
    int height = 2;
    int colorType = PNG_COLOR_TYPE_RGB;
    int depth = 8;
    bool interlace = false;
    std::vector<png_color> palette;
    std::vector<png_byte> trnsAlpha; // palette transparency
    bool trnsColor = false;
    png_color_16 trnsValue{};
    std::vector<std::vector<png_byte>> rows; // packed as PNG stores them
    std::vector<std::pair<std::string, std::string>> texts;
    bool time = false;
    png_time timeValue{};
    int gamma = 0; // times 100000
    int srgb = -1;
    bool phys = false;
    png_uint_32 physX = 0, physY = 0;
    int physUnit = 0;
    Bytes exif;
};

inline void PngWrite(png_structp png, png_bytep data, png_size_t n)
{
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}
inline void PngFlush(png_structp) {}

inline Bytes MakePng(const PngShape& s)
{
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)))
    {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, PngWrite, PngFlush);
    png_set_IHDR(png, info, png_uint_32(s.width), png_uint_32(s.height), s.depth, s.colorType,
                 s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), int(s.palette.size()));
    if (!s.trnsAlpha.empty()) png_set_tRNS(png, info, s.trnsAlpha.data(), int(s.trnsAlpha.size()), nullptr);
    if (s.trnsColor) png_set_tRNS(png, info, nullptr, 0, &s.trnsValue);
    std::vector<png_text> texts(s.texts.size());
    for (std::size_t i = 0; i < s.texts.size(); ++i)
    {
        std::memset(&texts[i], 0, sizeof(png_text));
        texts[i].compression = PNG_TEXT_COMPRESSION_NONE;
        texts[i].key = const_cast<char*>(s.texts[i].first.c_str());
        texts[i].text = const_cast<char*>(s.texts[i].second.c_str());
        texts[i].text_length = s.texts[i].second.size();
    }
    if (!texts.empty()) png_set_text(png, info, texts.data(), int(texts.size()));
    if (s.time) png_set_tIME(png, info, &s.timeValue);
    if (s.gamma) png_set_gAMA_fixed(png, info, s.gamma);
    if (s.srgb >= 0) png_set_sRGB(png, info, s.srgb);
    if (s.phys) png_set_pHYs(png, info, s.physX, s.physY, s.physUnit);
    if (!s.exif.empty())
        png_set_eXIf_1(png, info, png_uint_32(s.exif.size()), const_cast<png_bytep>(s.exif.data()));
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < s.height; ++y)
            png_write_row(png, const_cast<png_bytep>(s.rows[std::size_t(y)].data()));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// ---- JPEG through libjpeg ----

struct JpegErr
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};
inline void JpegErrExit(j_common_ptr c)
{
    std::longjmp(reinterpret_cast<JpegErr*>(c->err)->jump, 1);
}

// components 1 (grey), 3 (RGB, rows R,G,B) or 4 (CMYK, stored inverted as Adobe does).
inline Bytes MakeJpeg(int width, int height, int components, const std::vector<std::uint8_t>& samples,
                      int quality = 95, const Bytes& app1 = {})
{
    jpeg_compress_struct c;
    JpegErr err;
    c.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = JpegErrExit;
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    if (setjmp(err.jump))
    {
        jpeg_destroy_compress(&c);
        std::free(mem);
        return {};
    }
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = components;
    c.in_color_space = components == 1 ? JCS_GRAYSCALE : (components == 3 ? JCS_RGB : JCS_CMYK);
    jpeg_set_defaults(&c);
    if (components == 4) jpeg_set_colorspace(&c, JCS_YCCK);
    jpeg_set_quality(&c, quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    if (!app1.empty()) jpeg_write_marker(&c, JPEG_APP0 + 1, app1.data(), unsigned(app1.size()));
    for (int y = 0; y < height; ++y)
    {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data() + std::size_t(y) * width * components);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes out(mem, mem + size);
    std::free(mem);
    return out;
}

// ---- GIF through giflib ----

struct GifFrameShape
{
    int left = 0, top = 0, width = 0, height = 0;
    bool interlace = false;
    int delay = -1; // no control block when -1
    int transparent = -1;
    int disposal = 0;
    std::vector<GifColorType> localMap; // empty: the global map
    std::vector<GifPixelType> pixels;   // width x height, top row first
};

inline int GifWrite(GifFileType* gif, const GifByteType* data, int n)
{
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + n);
    return n;
}

inline Bytes MakeGif(int screenW, int screenH, const std::vector<GifColorType>& globalMap,
                     const std::vector<GifFrameShape>& frames, int loopCount = -1)
{
    Bytes out;
    int err = 0;
    GifFileType* gif = EGifOpen(&out, GifWrite, &err);
    EGifSetGifVersion(gif, true);
    ColorMapObject* map =
        globalMap.empty() ? nullptr : GifMakeMapObject(int(globalMap.size()), globalMap.data());
    EGifPutScreenDesc(gif, screenW, screenH, 8, 0, map);
    if (loopCount >= 0)
    {
        EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
        EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0");
        const unsigned char loop[3] = {1, std::uint8_t(loopCount), std::uint8_t(loopCount >> 8)};
        EGifPutExtensionBlock(gif, 3, loop);
        EGifPutExtensionTrailer(gif);
    }
    for (const GifFrameShape& f : frames)
    {
        if (f.delay >= 0)
        {
            GraphicsControlBlock gcb;
            gcb.DisposalMode = f.disposal;
            gcb.UserInputFlag = false;
            gcb.DelayTime = f.delay;
            gcb.TransparentColor = f.transparent;
            GifByteType ext[4];
            EGifGCBToExtension(&gcb, ext);
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext);
        }
        ColorMapObject* local =
            f.localMap.empty() ? nullptr : GifMakeMapObject(int(f.localMap.size()), f.localMap.data());
        EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlace, local);
        if (local) GifFreeMapObject(local);
        std::vector<GifPixelType> pixels = f.pixels;
        if (f.interlace)
        {
            static const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int y = start[pass]; y < f.height; y += step[pass])
                    EGifPutLine(gif, pixels.data() + std::size_t(y) * std::size_t(f.width), f.width);
        }
        else
            for (int y = 0; y < f.height; ++y)
                EGifPutLine(gif, pixels.data() + std::size_t(y) * std::size_t(f.width), f.width);
    }
    EGifCloseFile(gif, &err);
    if (map) GifFreeMapObject(map);
    return out;
}

// ---- TIFF through libtiff, in a temporary file ----

struct TiffPage
{
    int width = 2, height = 2;
    int samples = 3;               // 3 RGB, 4 RGBA (unassociated alpha)
    std::vector<std::uint8_t> rgb; // R, G, B[, A] per pixel, top row first
    std::string make;
};

inline Bytes MakeTiff(const std::vector<TiffPage>& pages, bool bigEndian = false)
{
    char name[] = "/tmp/orvalis-fixture-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) return {};
    close(fd);
    TIFF* tif = TIFFOpen(name, bigEndian ? "wb" : "wl");
    for (const TiffPage& p : pages)
    {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, std::uint32_t(p.width));
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, std::uint32_t(p.height));
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, p.samples);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        if (p.samples == 4)
        {
            std::uint16_t extra = EXTRASAMPLE_UNASSALPHA;
            TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
        }
        if (!p.make.empty()) TIFFSetField(tif, TIFFTAG_MAKE, p.make.c_str());
        if (pages.size() > 1)
        {
            TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        }
        for (int y = 0; y < p.height; ++y)
            TIFFWriteScanline(tif,
                              const_cast<std::uint8_t*>(p.rgb.data() + std::size_t(y) * p.width * p.samples),
                              std::uint32_t(y), 0);
        TIFFWriteDirectory(tif);
    }
    TIFFClose(tif);
    Bytes out;
    if (std::FILE* f = std::fopen(name, "rb"))
    {
        std::uint8_t buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            out.insert(out.end(), buf, buf + n);
        std::fclose(f);
    }
    std::remove(name);
    return out;
}

// ---- ICO ----

// The 40-byte header of an icon's image block (its height counts the mask too) followed by
// the colour rows and the mask rows, both bottom-up and padded to 4 bytes.
inline Bytes IconDib(int width, int height, int bitCount, const Bytes& rowsAndMask)
{
    Bytes dib;
    Put32(dib, 40);
    Put32(dib, std::uint32_t(width));
    Put32(dib, std::uint32_t(2 * height));
    Put16(dib, 1);
    Put16(dib, unsigned(bitCount));
    for (int i = 0; i < 6; ++i)
        Put32(dib, 0);
    dib.insert(dib.end(), rowsAndMask.begin(), rowsAndMask.end());
    return dib;
}

// An icon directory of one entry followed by the image block (a DIB without file header, or a
// PNG file).
inline Bytes MakeIco(int width, int height, const Bytes& image)
{
    Bytes out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, 1);
    out.push_back(std::uint8_t(width));
    out.push_back(std::uint8_t(height));
    out.push_back(0);
    out.push_back(0);
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, std::uint32_t(image.size()));
    Put32(out, 22);
    out.insert(out.end(), image.begin(), image.end());
    return out;
}

// ---- EXIF ----

struct ExifEntry
{
    std::uint16_t tag;
    std::uint16_t type;
    std::uint32_t count;
    Bytes value; // in the block's byte order, count x type size bytes
};

// A TIFF block (no "Exif\0\0") holding IFD0 and, when given, an Exif sub-IFD, a GPS sub-IFD and
// an IFD1; values of more than 4 bytes follow each IFD.
inline Bytes MakeTiffBlock(bool bigEndian, const std::vector<ExifEntry>& ifd0,
                           const std::vector<ExifEntry>& exif = {}, const std::vector<ExifEntry>& gps = {},
                           const std::vector<ExifEntry>& ifd1 = {})
{
    auto p16 = [&](Bytes& b, unsigned v) { bigEndian ? Put16BE(b, v) : Put16(b, v); };
    auto p32 = [&](Bytes& b, std::uint32_t v) { bigEndian ? Put32BE(b, v) : Put32(b, v); };
    auto ifdSize = [](const std::vector<ExifEntry>& e, std::size_t extra)
    {
        std::size_t n = 2 + 12 * (e.size() + extra) + 4;
        for (const ExifEntry& x : e)
            if (x.value.size() > 4) n += (x.value.size() + 1) & ~std::size_t(1);
        return n;
    };
    const std::size_t extra0 = (exif.empty() ? 0 : 1) + (gps.empty() ? 0 : 1);
    const std::size_t at0 = 8, atExif = at0 + ifdSize(ifd0, extra0);
    const std::size_t atGps = atExif + (exif.empty() ? 0 : ifdSize(exif, 0));
    const std::size_t at1 = atGps + (gps.empty() ? 0 : ifdSize(gps, 0));
    Bytes out;
    if (bigEndian)
        out = {'M', 'M', 0, 42};
    else
        out = {'I', 'I', 42, 0};
    p32(out, 8);
    auto writeIfd = [&](std::vector<ExifEntry> e, std::uint32_t next)
    {
        const std::size_t start = out.size();
        std::size_t data = start + 2 + 12 * e.size() + 4;
        p16(out, unsigned(e.size()));
        Bytes values;
        for (const ExifEntry& x : e)
        {
            p16(out, x.tag);
            p16(out, x.type);
            p32(out, x.count);
            if (x.value.size() <= 4)
            {
                Bytes v = x.value;
                v.resize(4, 0);
                out.insert(out.end(), v.begin(), v.end());
            }
            else
            {
                p32(out, std::uint32_t(data + values.size()));
                values.insert(values.end(), x.value.begin(), x.value.end());
                if (values.size() & 1) values.push_back(0);
            }
        }
        p32(out, next);
        out.insert(out.end(), values.begin(), values.end());
    };
    std::vector<ExifEntry> first = ifd0;
    auto ptr = [&](std::uint16_t tag, std::size_t at)
    {
        Bytes v;
        p32(v, std::uint32_t(at));
        first.push_back(ExifEntry{tag, 4, 1, v});
    };
    if (!exif.empty()) ptr(34665, atExif);
    if (!gps.empty()) ptr(34853, atGps);
    writeIfd(first, ifd1.empty() ? 0 : std::uint32_t(at1));
    if (!exif.empty()) writeIfd(exif, 0);
    if (!gps.empty()) writeIfd(gps, 0);
    if (!ifd1.empty()) writeIfd(ifd1, 0);
    return out;
}

inline Bytes Ascii(const std::string& s)
{
    Bytes b(s.begin(), s.end());
    b.push_back(0);
    return b;
}
} // namespace fixtures
