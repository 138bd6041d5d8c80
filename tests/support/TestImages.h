// Small images built in code for the tests of every layer.
#pragma once

#include "imagelib/FCObjImage.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace testimg
{
// A deterministic image whose every byte varies (alpha too), from a seed.
inline FCObjImage Varied(int width, int height, int bpp, std::uint32_t seed = 12345)
{
    FCObjImage image;
    image.Create(width, height, bpp);
    std::uint32_t s = seed;
    const int bytes = width * (bpp / 8);
    for (int y = 0; y < height; ++y)
    {
        BYTE* p = image.RowAddress(y);
        for (int i = 0; i < bytes; ++i)
        {
            s = s * 1664525u + 1013904223u;
            p[i] = BYTE(s >> 24);
        }
    }
    return image;
}

// Every pixel the same colour (B, G, R, A).
inline FCObjImage Flat(int width, int height, int bpp, BYTE b, BYTE g, BYTE r, BYTE a = 255)
{
    FCObjImage image;
    image.Create(width, height, bpp);
    const int step = bpp / 8;
    for (int y = 0; y < height; ++y)
    {
        BYTE* p = image.RowAddress(y);
        for (int x = 0; x < width; ++x, p += step)
        {
            p[0] = b;
            if (step >= 3)
            {
                p[1] = g;
                p[2] = r;
            }
            if (step == 4) p[3] = a;
        }
    }
    return image;
}

// An 8-bit image of palette index 0 everywhere, whose palette entry `index` is `colour`.
inline FCObjImage Indexed(int width, int height, BYTE index, RGBQUAD colour)
{
    FCObjImage image;
    image.Create(width, height, 8);
    RGBQUAD palette[256];
    image.GetPalette(palette);
    palette[index] = colour;
    image.SetPalette(palette);
    return image;
}

// True when both images have the same size, depth and pixel bytes (padding ignored).
inline bool SamePixels(const FCObjImage& a, const FCObjImage& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.ColorBits() != b.ColorBits()) return false;
    if (!a.HasBits() || !b.HasBits()) return a.HasBits() == b.HasBits();
    const std::size_t n = std::size_t(a.Width()) * std::size_t(a.ColorBits() / 8);
    for (int y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.RowAddress(y), b.RowAddress(y), n) != 0) return false;
    return true;
}

// The alpha bytes of a 32-bit image, top row first.
inline std::vector<BYTE> Alphas(const FCObjImage& image)
{
    std::vector<BYTE> out;
    if (image.ColorBits() != 32) return out;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            out.push_back(image.PixelAddress(x, y)[3]);
    return out;
}
} // namespace testimg
