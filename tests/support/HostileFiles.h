// Damaged and crafted files, built by the tests themselves from the fixtures' writers: what a
// hostile user (or a broken program) hands the codecs. Each is small on disk and claims much.
#pragma once

#include "ImagingFixtures.h"

#include <string>

namespace hostile
{
using fixtures::Bytes;

inline std::uint32_t Crc32(const std::uint8_t* p, std::size_t n, std::uint32_t crc = 0)
{
    crc = ~crc;
    for (std::size_t i = 0; i < n; ++i)
    {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A small photograph-like JPEG.
inline Bytes PlainJpeg(int width = 48, int height = 32)
{
    std::vector<std::uint8_t> samples(std::size_t(width) * height * 3);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = std::uint8_t(i * 7 + i / 97);
    return fixtures::MakeJpeg(width, height, 3, samples);
}

// The JPEG with an EXIF block whose first directory claims `count` entries and holds one: what
// a careless reader takes on trust and reads far past the block.
inline Bytes JpegWithExifClaiming(unsigned count, int width = 48, int height = 32)
{
    Bytes tiff = {'I', 'I', 42, 0};
    fixtures::Put32(tiff, 8);
    fixtures::Put16(tiff, count);
    fixtures::Put16(tiff, 0x010F); // Make, ASCII, 4 bytes, "AAAA"
    fixtures::Put16(tiff, 2);
    fixtures::Put32(tiff, 4);
    fixtures::Put32(tiff, 0x41414141);
    tiff.resize(tiff.size() + 16, 0);
    Bytes app1 = {'E', 'x', 'i', 'f', 0, 0};
    app1.insert(app1.end(), tiff.begin(), tiff.end());
    const Bytes plain = PlainJpeg(width, height);
    Bytes out(plain.begin(), plain.begin() + 2); // SOI
    out.push_back(0xFF);
    out.push_back(0xE1);
    fixtures::Put16BE(out, unsigned(app1.size() + 2));
    out.insert(out.end(), app1.begin(), app1.end());
    out.insert(out.end(), plain.begin() + 2, plain.end());
    return out;
}

// A JNG (a JPEG in a PNG-like wrapper), which no reader of ours knows: it goes to the foreign
// library, whose JPEG reader then meets whatever the JPEG holds.
inline Bytes JngAround(const Bytes& jpeg, unsigned width, unsigned height)
{
    Bytes out = {0x8B, 'J', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto chunk = [&](const char* type, const Bytes& data)
    {
        fixtures::Put32BE(out, std::uint32_t(data.size()));
        const std::size_t start = out.size();
        out.insert(out.end(), type, type + 4);
        out.insert(out.end(), data.begin(), data.end());
        fixtures::Put32BE(out, Crc32(out.data() + start, out.size() - start));
    };
    Bytes header;
    fixtures::Put32BE(header, width);
    fixtures::Put32BE(header, height);
    for (std::uint8_t b : {10, 8, 8, 0, 0, 0, 0, 0}) // colour, 8 bits, JPEG, no alpha
        header.push_back(b);
    chunk("JHDR", header);
    chunk("JDAT", jpeg);
    chunk("IEND", {});
    return out;
}

// A progressive grey JPEG with the scans of `script` (first DC, then AC bands), of a pattern or
// of one flat grey (whose AC scans take a few bytes whatever the size).
inline Bytes ProgressiveJpeg(int width, int height, const std::vector<jpeg_scan_info>& script,
                             bool flat = false)
{
    jpeg_compress_struct c;
    fixtures::JpegErr err;
    c.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = fixtures::JpegErrExit;
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
    c.input_components = 1;
    c.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&c);
    c.scan_info = script.data();
    c.num_scans = int(script.size());
    jpeg_start_compress(&c, TRUE);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
            row[std::size_t(x)] = flat ? std::uint8_t(128) : std::uint8_t((x ^ y) * 3);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes out(mem, mem + size);
    std::free(mem);
    return out;
}

inline jpeg_scan_info Scan(int ss, int se, int ah = 0, int al = 0)
{
    jpeg_scan_info s{};
    s.comps_in_scan = 1;
    s.Ss = ss;
    s.Se = se;
    s.Ah = ah;
    s.Al = al;
    return s;
}

// Every coefficient of a grey picture sent bit by bit: a valid file of 64 x 11 scans.
inline std::vector<jpeg_scan_info> BitByBitScript()
{
    std::vector<jpeg_scan_info> script;
    for (int band = 0; band < 64; ++band)
        for (int al = 10; al >= 0; --al)
            script.push_back(Scan(band, band, al == 10 ? 0 : al + 1, al));
    return script;
}

// The file with its last scan sent `times` times more: each copy costs a few bytes and makes a
// reader go over every block of the picture again.
inline Bytes RepeatLastScan(const Bytes& jpeg, int times)
{
    std::size_t sos = 0;
    for (std::size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) sos = i;
    const Bytes scan(jpeg.begin() + std::ptrdiff_t(sos), jpeg.end() - 2); // up to the EOI
    Bytes out(jpeg.begin(), jpeg.end() - 2);
    for (int i = 0; i < times; ++i)
        out.insert(out.end(), scan.begin(), scan.end());
    out.push_back(0xFF);
    out.push_back(0xD9);
    return out;
}

// A TIFF of `pages` pages of 1 x 1 pixel.
inline Bytes ManyPageTiff(int pages)
{
    std::vector<fixtures::TiffPage> list(static_cast<std::size_t>(pages));
    for (int i = 0; i < pages; ++i)
    {
        list[std::size_t(i)].width = 1;
        list[std::size_t(i)].height = 1;
        list[std::size_t(i)].rgb = {std::uint8_t(i), std::uint8_t(i >> 8), 7};
    }
    return fixtures::MakeTiff(list);
}

// A GIF of `frames` frames of 1 x 1 pixel on a screen of the same size, each shown for delay
// hundredths of a second.
inline Bytes ManyFrameGif(int frames, int delay = 3, int screen = 1)
{
    std::vector<fixtures::GifFrameShape> list(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i)
    {
        fixtures::GifFrameShape& f = list[std::size_t(i)];
        f.width = f.height = 1;
        f.left = i % screen;
        f.top = (i / screen) % screen;
        f.delay = delay;
        f.pixels = {GifPixelType(i & 1)};
    }
    return fixtures::MakeGif(screen, screen, {{0, 0, 0}, {255, 255, 255}}, list);
}

// Headers of formats only the foreign library reads, claiming a picture of w x h that fits the
// decoding budget but could never be held in the few bytes that follow.
inline Bytes Tail(Bytes b, std::size_t bytes = 96)
{
    for (std::size_t i = 0; i < bytes; ++i)
        b.push_back(std::uint8_t(0x55 + i));
    return b;
}

inline Bytes PsdClaiming(unsigned w, unsigned h)
{
    Bytes b = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0};
    fixtures::Put16BE(b, 3); // channels
    fixtures::Put32BE(b, h);
    fixtures::Put32BE(b, w);
    fixtures::Put16BE(b, 8); // bits per channel
    fixtures::Put16BE(b, 3); // RGB
    fixtures::Put32BE(b, 0); // colour mode data
    fixtures::Put32BE(b, 0); // resources
    fixtures::Put32BE(b, 0); // layers
    fixtures::Put16BE(b, 1); // RLE
    return Tail(b);
}

inline Bytes PcxClaiming(unsigned w, unsigned h)
{
    Bytes b = {0x0A, 5, 1, 8};
    fixtures::Put16(b, 0);
    fixtures::Put16(b, 0);
    fixtures::Put16(b, w - 1);
    fixtures::Put16(b, h - 1);
    fixtures::Put16(b, 72);
    fixtures::Put16(b, 72);
    b.resize(b.size() + 48, 0); // colour map
    b.push_back(0);
    b.push_back(3);                // planes
    fixtures::Put16(b, w + w % 2); // bytes a line of a plane
    fixtures::Put16(b, 1);
    b.resize(128, 0);
    return Tail(b);
}

inline Bytes RleTgaClaiming(unsigned w, unsigned h)
{
    Bytes b = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0}; // RLE true colour
    fixtures::Put16(b, w);
    fixtures::Put16(b, h);
    b.push_back(24);
    b.push_back(0x20);
    return Tail(b);
}

inline Bytes PpmClaiming(unsigned w, unsigned h)
{
    const std::string head = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    return Tail(Bytes(head.begin(), head.end()));
}

// An IFF ILBM picture of one plane, 8 x 2, stored as it is; extra chunks go before its BODY.
inline Bytes Ilbm(const Bytes& extraChunks = {})
{
    Bytes form = {'I', 'L', 'B', 'M', 'B', 'M', 'H', 'D'};
    fixtures::Put32BE(form, 20);
    fixtures::Put16BE(form, 8);
    fixtures::Put16BE(form, 2);
    fixtures::Put32BE(form, 0);
    for (int v : {1, 0, 0, 0, 0, 0, 10, 11}) // 1 plane, no mask, no compression, aspect
        form.push_back(std::uint8_t(v));
    fixtures::Put16BE(form, 8);
    fixtures::Put16BE(form, 2);
    const std::uint8_t cmap[] = {'C', 'M', 'A', 'P', 0, 0, 0, 6, 0, 0, 0, 255, 255, 255};
    form.insert(form.end(), std::begin(cmap), std::end(cmap));
    form.insert(form.end(), extraChunks.begin(), extraChunks.end());
    const std::uint8_t body[] = {'B', 'O', 'D', 'Y', 0, 0, 0, 4, 0x0F, 0, 0xF0, 0};
    form.insert(form.end(), std::begin(body), std::end(body));
    Bytes b = {'F', 'O', 'R', 'M'};
    fixtures::Put32BE(b, std::uint32_t(form.size()));
    b.insert(b.end(), form.begin(), form.end());
    return b;
}

inline Bytes XpmClaiming(unsigned w, unsigned h)
{
    const std::string text = "/* XPM */\nstatic char *x[] = {\n\"" + std::to_string(w) + " " +
                             std::to_string(h) +
                             " 2 1\",\n\"a c #000000\",\n\"b c #FFFFFF\",\n\"abab\"\n};\n";
    return Bytes(text.begin(), text.end());
}
} // namespace hostile
