// Seeds for the FreeImage fuzz target: a small picture in every format the library writes (from
// memory, through its own writers), and hand-made files of the formats it only reads. Each seed
// starts the fuzzer inside one of the library's readers.
//   make_freeimage_seeds OUTPUT-FOLDER
#include "imagelib/codecs/FreeImageInclude.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{
using Bytes = std::vector<unsigned char>;

void Write(const std::string& folder, const std::string& name, const Bytes& bytes)
{
    const std::string path = folder + "/" + name;
    if (std::FILE* f = std::fopen(path.c_str(), "wb"))
    {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

void Put16(Bytes& b, unsigned v)
{
    b.push_back(BYTE(v));
    b.push_back(BYTE(v >> 8));
}
void Put16BE(Bytes& b, unsigned v)
{
    b.push_back(BYTE(v >> 8));
    b.push_back(BYTE(v));
}
void Put32(Bytes& b, unsigned v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
void Put32BE(Bytes& b, unsigned v)
{
    Put16BE(b, v >> 16);
    Put16BE(b, v & 0xFFFF);
}

// A small picture of the given type and depth, with a little of everything in it.
FIBITMAP* Picture(FREE_IMAGE_TYPE type, unsigned bpp, int width = 6, int height = 4)
{
    FIBITMAP* dib = FreeImage_AllocateT(type, width, height, int(bpp));
    if (!dib) return nullptr;
    if (type == FIT_BITMAP && bpp <= 8)
    {
        RGBQUAD* pal = FreeImage_GetPalette(dib);
        const unsigned colours = 1u << bpp;
        for (unsigned i = 0; i < colours; ++i)
            pal[i] =
                RGBQUAD{BYTE(i * 255 / (colours - 1)), BYTE(i * 37), BYTE(255 - i * 255 / (colours - 1)), 0};
    }
    for (unsigned y = 0; y < FreeImage_GetHeight(dib); ++y)
    {
        BYTE* row = FreeImage_GetScanLine(dib, int(y));
        for (unsigned i = 0; i < FreeImage_GetLine(dib); ++i)
            row[i] = BYTE(i * 41 + y * 73);
    }
    return dib;
}

Bytes SaveToMemory(FREE_IMAGE_FORMAT fif, FIBITMAP* dib, int flags = 0)
{
    Bytes out;
    FIMEMORY* mem = FreeImage_OpenMemory(nullptr, 0);
    if (mem && dib && FreeImage_SaveToMemory(fif, dib, mem, flags))
    {
        BYTE* data = nullptr;
        DWORD size = 0;
        if (FreeImage_AcquireMemory(mem, &data, &size)) out.assign(data, data + size);
    }
    if (mem) FreeImage_CloseMemory(mem);
    return out;
}

// PCX: 8 bits, 3 planes, RLE.
Bytes Pcx()
{
    Bytes b = {0x0A, 5, 1, 8};
    for (unsigned v : {0u, 0u, 5u, 3u, 72u, 72u})
        Put16(b, v);
    b.resize(b.size() + 48, 0);
    b.push_back(0);
    b.push_back(3);
    Put16(b, 6);
    Put16(b, 1);
    b.resize(128, 0);
    for (int row = 0; row < 4 * 3; ++row)
    {
        b.push_back(0xC3); // a run of 3
        b.push_back(BYTE(row * 20));
        for (int x = 0; x < 3; ++x)
            b.push_back(BYTE(x * 50 + row)); // below 0xC0: literal bytes
    }
    return b;
}

// Sun raster: 8 bits with a colour map, RLE or stored as they are.
Bytes SunRaster(bool rle)
{
    Bytes b;
    for (unsigned v : {0x59A66A95u, 6u, 4u, 8u, 24u, rle ? 2u : 1u, 1u, 768u})
        Put32BE(b, v);
    for (int i = 0; i < 768; ++i)
        b.push_back(BYTE(i));
    for (int row = 0; row < 4; ++row)
    {
        if (rle)
        {
            b.push_back(0x80); // a run
            b.push_back(2);    // of 3
        }
        b.push_back(BYTE(row * 9));
        for (int x = 0; x < (rle ? 3 : 5); ++x)
            b.push_back(BYTE(x + row));
    }
    return b;
}

// SGI: 3 channels of 8 bits, stored as they are.
Bytes Sgi()
{
    Bytes b;
    Put16BE(b, 474);
    b.push_back(0); // no RLE
    b.push_back(1); // one byte a sample
    Put16BE(b, 3);
    for (unsigned v : {6u, 4u, 3u})
        Put16BE(b, v);
    Put32BE(b, 0);
    Put32BE(b, 255);
    b.resize(512, 0);
    for (int i = 0; i < 6 * 4 * 3; ++i)
        b.push_back(BYTE(i * 11));
    return b;
}

// DirectDraw surface: uncompressed 32-bit.
Bytes Dds()
{
    Bytes b = {'D', 'D', 'S', ' '};
    Put32(b, 124);
    Put32(b, 0x100F); // caps, height, width, pitch, pixel format
    Put32(b, 4);
    Put32(b, 6);
    Put32(b, 24);
    b.resize(4 + 72, 0);
    Put32(b, 32); // pixel format
    Put32(b, 0x41);
    Put32(b, 0);
    Put32(b, 32);
    for (unsigned mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u})
        Put32(b, mask);
    Put32(b, 0x1000);
    b.resize(4 + 124, 0);
    for (int i = 0; i < 6 * 4 * 4; ++i)
        b.push_back(BYTE(i * 7));
    return b;
}

// X bitmap (text).
Bytes Xbm()
{
    const std::string text =
        "#define s_width 8\n#define s_height 2\nstatic char s_bits[] = {\n0x0f, 0xf0 };\n";
    return Bytes(text.begin(), text.end());
}

// Commodore Koala: a load address and 10001 bytes of a fixed 320 x 200 picture.
Bytes Koala()
{
    Bytes b = {0x00, 0x60};
    for (int i = 0; i < 10001; ++i)
        b.push_back(BYTE(i * 13));
    return b;
}

// Amiga IFF ILBM: one plane of 8 x 2, stored as it is.
Bytes Ilbm()
{
    Bytes body;
    Put16BE(body, 8);
    Put16BE(body, 2);
    Put32BE(body, 0);
    for (BYTE v : {1, 0, 0, 0})
        body.push_back(v); // 1 plane, no mask, no compression, pad
    Put16BE(body, 0);
    body.push_back(10);
    body.push_back(11);
    Put16BE(body, 8);
    Put16BE(body, 2);
    Bytes b = {'F', 'O', 'R', 'M'};
    Bytes form = {'I', 'L', 'B', 'M', 'B', 'M', 'H', 'D'};
    Put32BE(form, unsigned(body.size()));
    form.insert(form.end(), body.begin(), body.end());
    for (BYTE c : {'C', 'M', 'A', 'P'})
        form.push_back(c);
    Put32BE(form, 6);
    for (BYTE v : {0, 0, 0, 255, 255, 255})
        form.push_back(v);
    for (BYTE c : {'B', 'O', 'D', 'Y'})
        form.push_back(c);
    Put32BE(form, 4);
    for (BYTE v : {0x0F, 0, 0xF0, 0})
        form.push_back(v);
    Put32BE(b, unsigned(form.size()));
    b.insert(b.end(), form.begin(), form.end());
    return b;
}
// JPEG 2000 codestream: an 8 x 8 grey picture in one tile, no wavelet levels, whose one packet
// is empty (the picture is mid-grey).
Bytes J2kCodestream()
{
    Bytes b = {0xFF, 0x4F, 0xFF, 0x51};
    Put16BE(b, 41);
    Put16BE(b, 0);
    for (unsigned v : {8u, 8u, 0u, 0u, 8u, 8u, 0u, 0u})
        Put32BE(b, v);
    Put16BE(b, 1);
    for (BYTE v : {7, 1, 1}) // 8 bits unsigned, no subsampling
        b.push_back(v);
    for (BYTE v : {0xFF, 0x52, 0, 12, 0, 0, 0, 1, 0, 0, 4, 4, 0, 1}) // COD: 1 layer, 5/3
        b.push_back(v);
    for (BYTE v : {0xFF, 0x5C, 0, 4, 0x40, 0x40}) // QCD: no quantisation
        b.push_back(v);
    for (BYTE v : {0xFF, 0x90, 0, 10, 0, 0}) // SOT, tile 0
        b.push_back(v);
    Put32BE(b, 15);
    for (BYTE v : {0, 1, 0xFF, 0x93, 0x00, 0xFF, 0xD9})
        b.push_back(v);
    return b;
}

// The same in a JP2 file: signature, file type, header (size, grey) and the codestream box.
Bytes Jp2()
{
    Bytes b;
    auto box = [&](const char* type, const Bytes& data)
    {
        Put32BE(b, unsigned(8 + data.size()));
        b.insert(b.end(), type, type + 4);
        b.insert(b.end(), data.begin(), data.end());
    };
    box("jP  ", {0x0D, 0x0A, 0x87, 0x0A});
    box("ftyp", {'j', 'p', '2', ' ', 0, 0, 0, 0, 'j', 'p', '2', ' '});
    Bytes header;
    Put32BE(header, 22);
    for (BYTE c : {'i', 'h', 'd', 'r'})
        header.push_back(c);
    Put32BE(header, 8);
    Put32BE(header, 8);
    Put16BE(header, 1);
    for (BYTE v : {7, 7, 0, 0})
        header.push_back(v);
    Put32BE(header, 15);
    for (BYTE c : {'c', 'o', 'l', 'r'})
        header.push_back(c);
    for (BYTE v : {1, 0, 0})
        header.push_back(v);
    Put32BE(header, 17); // grey
    box("jp2h", header);
    box("jp2c", J2kCodestream());
    return b;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: make_freeimage_seeds OUTPUT-FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    FreeImage_Initialise(TRUE);
    const struct
    {
        FREE_IMAGE_FORMAT fif;
        FREE_IMAGE_TYPE type;
        unsigned bpp;
        const char* name;
        int flags;
        int width = 6, height = 4;
    } written[] = {
        {FIF_BMP, FIT_BITMAP, 8, "rgb8.bmp", BMP_SAVE_RLE},
        {FIF_ICO, FIT_BITMAP, 32, "argb.ico", 0, 16, 16},
        {FIF_JPEG, FIT_BITMAP, 24, "rgb.jpg", JPEG_PROGRESSIVE},
        {FIF_JNG, FIT_BITMAP, 24, "rgb.jng", 0},
        {FIF_PBM, FIT_BITMAP, 1, "ascii.pbm", 0},
        {FIF_PBMRAW, FIT_BITMAP, 1, "raw.pbm", 0},
        {FIF_PGM, FIT_BITMAP, 8, "ascii.pgm", 0},
        {FIF_PGMRAW, FIT_BITMAP, 8, "raw.pgm", 0},
        {FIF_PPM, FIT_BITMAP, 24, "ascii.ppm", 0},
        {FIF_PPMRAW, FIT_BITMAP, 24, "raw.ppm", 0},
        {FIF_PNG, FIT_BITMAP, 32, "argb.png", 0},
        {FIF_TARGA, FIT_BITMAP, 24, "rle.tga", TARGA_SAVE_RLE},
        {FIF_TARGA, FIT_BITMAP, 8, "indexed.tga", 0},
        {FIF_TIFF, FIT_BITMAP, 24, "rgb.tif", 0},
        {FIF_PSD, FIT_BITMAP, 24, "rgb.psd", 0},
        {FIF_XPM, FIT_BITMAP, 8, "indexed.xpm", 0},
        {FIF_GIF, FIT_BITMAP, 8, "indexed.gif", 0},
        {FIF_HDR, FIT_RGBF, 96, "float.hdr", 0},
        {FIF_EXR, FIT_RGBF, 96, "float.exr", 0},
        {FIF_PFM, FIT_RGBF, 96, "float.pfm", 0},
        {FIF_WEBP, FIT_BITMAP, 24, "rgb.webp", 0},
    };
    int made = 0;
    for (const auto& w : written)
    {
        FIBITMAP* dib = Picture(w.type, w.bpp, w.width, w.height);
        const Bytes bytes = SaveToMemory(w.fif, dib, w.flags);
        if (dib) FreeImage_Unload(dib);
        if (bytes.empty())
        {
            std::fprintf(stderr, "make_freeimage_seeds: this library does not write %s\n", w.name);
            continue;
        }
        Write(folder, w.name, bytes);
        ++made;
    }
    const struct
    {
        const char* name;
        Bytes bytes;
    } handMade[] = {{"rle.pcx", Pcx()},       {"rle.ras", SunRaster(true)}, {"plain.ras", SunRaster(false)},
                    {"plain.sgi", Sgi()},     {"argb.dds", Dds()},          {"mono.xbm", Xbm()},
                    {"picture.koa", Koala()}, {"plane.iff", Ilbm()},        {"grey.j2k", J2kCodestream()},
                    {"grey.jp2", Jp2()}};
    for (const auto& h : handMade)
    {
        Write(folder, h.name, h.bytes);
        ++made;
    }
    FreeImage_DeInitialise();
    std::printf("%d seeds in %s\n", made, folder.c_str());
    return 0;
}
