// Plain reference loops for the tests of the neighbourhood effects (convolution, morphology,
// contours): one pixel at a time, coordinates clamped to the image, nothing hoisted, so the
// production loops can be compared byte for byte with the arithmetic as it is meant.
#pragma once

#include "ScriptedObserver.h"
#include "TestImages.h"

#include "imagelib/FCImageEffect.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace reference
{
inline int Clamp(int v, int n)
{
    return v < 0 ? 0 : (v >= n ? n - 1 : v);
}

// Channel c of pixel (x, y), both coordinates clamped into the image.
inline int At(const FCObjImage& image, int x, int y, int c)
{
    return image.PixelAddress(Clamp(x, image.Width()), Clamp(y, image.Height()))[c];
}

// The 3 x 3 window of channel c round (x, y), row by row.
inline void Window(const FCObjImage& image, int x, int y, int c, int w[9])
{
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i)
            w[j * 3 + i] = At(image, x - 1 + i, y - 1 + j, c);
}

// A copy of source whose B, G and R bytes are value(source, x, y, c), alpha kept.
inline FCObjImage PerChannel(const FCObjImage& source,
                             const std::function<int(const FCObjImage&, int, int, int)>& value)
{
    FCObjImage out(source);
    for (int y = 0; y < source.Height(); ++y)
        for (int x = 0; x < source.Width(); ++x)
            for (int c = 0; c < 3; ++c)
                out.PixelAddress(x, y)[c] = BYTE(value(source, x, y, c));
    return out;
}

// The same with a function of the 3 x 3 window.
inline FCObjImage PerWindow(const FCObjImage& source, const std::function<int(const int*)>& value)
{
    return PerChannel(source,
                      [&](const FCObjImage& s, int x, int y, int c)
                      {
                          int w[9];
                          Window(s, x, y, c, w);
                          return value(w);
                      });
}

inline int ClampByte(long long v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : int(v));
}

// offset + (sum of weight x value) / divisor over a size x size window, in 64 bits, truncated
// toward zero, clamped; a divisor below 1 counts as 1.
inline FCObjImage Convolution(const FCObjImage& source, int size, int divisor, int offset,
                              const std::vector<int>& weights)
{
    const int d = divisor < 1 ? 1 : divisor;
    return PerChannel(source,
                      [&](const FCObjImage& s, int x, int y, int c)
                      {
                          const int half = size / 2;
                          long long sum = 0;
                          for (int j = 0; j < size; ++j)
                              for (int i = 0; i < size; ++i)
                                  sum += (long long)weights[std::size_t(j * size + i)] *
                                         At(s, x - half + i, y - half + j, c);
                          return ClampByte(offset + sum / d);
                      });
}
} // namespace reference

namespace testimg
{
// Pixels of 0 or 255 (alpha varied), about `percent` % of them white, from a seed.
inline FCObjImage TwoLevel(int width, int height, int bpp, int percent, std::uint32_t seed = 99)
{
    FCObjImage image = Varied(width, height, bpp, seed);
    std::uint32_t s = seed * 7919u + 1u;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            s = s * 1664525u + 1013904223u;
            const BYTE v = (s >> 8) % 100 < std::uint32_t(percent) ? 255 : 0;
            BYTE* p = image.PixelAddress(x, y);
            p[0] = p[1] = p[2] = v;
        }
    return image;
}

// A black image of the given size with the B, G and R of the listed pixels set to v.
inline FCObjImage Dots(int width, int height, int bpp, std::initializer_list<std::pair<int, int>> dots,
                       BYTE v = 255)
{
    FCObjImage image = Flat(width, height, bpp, 0, 0, 0, 200);
    for (auto [x, y] : dots)
    {
        BYTE* p = image.PixelAddress(x, y);
        p[0] = p[1] = p[2] = v;
    }
    return image;
}

// The value of channel 0 of every pixel, rows from the top: a picture of a small result.
inline std::vector<std::vector<int>> Channel(const FCObjImage& image, int c = 0)
{
    std::vector<std::vector<int>> rows;
    for (int y = 0; y < image.Height(); ++y)
    {
        rows.emplace_back();
        for (int x = 0; x < image.Width(); ++x)
            rows.back().push_back(image.PixelAddress(x, y)[c]);
    }
    return rows;
}

// Where two images first differ, for a readable failure; empty when they are the same.
inline std::string FirstDifference(const FCObjImage& a, const FCObjImage& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.ColorBits() != b.ColorBits())
        return "sizes differ";
    const int step = a.ColorBits() / 8;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            for (int c = 0; c < step; ++c)
                if (a.PixelAddress(x, y)[c] != b.PixelAddress(x, y)[c])
                    return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") byte " +
                           std::to_string(c) + ": " + std::to_string(a.PixelAddress(x, y)[c]) + " against " +
                           std::to_string(b.PixelAddress(x, y)[c]);
    return "";
}

// The image sizes the comparisons run over: single pixels, lines, windows wider than the
// image, and an interior large enough for the vectorised loops.
inline const std::vector<std::pair<int, int>>& ComparisonSizes()
{
    static const std::vector<std::pair<int, int>> sizes{{1, 1}, {1, 6}, {6, 1}, {2, 2},
                                                        {3, 5}, {4, 4}, {9, 7}, {67, 11}};
    return sizes;
}
} // namespace testimg

// Runs the effect that make() builds, through the single-thread driver, over every picture that
// sources(width, height, bpp) gives for every comparison size at 24 and 32 bits, and expects the
// bytes of expected(picture).
inline void ExpectSameAsPlainLoop(const std::string& name,
                                  const std::function<std::unique_ptr<FCImageEffect>()>& make,
                                  const std::function<FCObjImage(const FCObjImage&)>& expected,
                                  const std::function<std::vector<FCObjImage>(int, int, int)>& sources)
{
    for (auto [w, h] : testimg::ComparisonSizes())
        for (int bpp : {24, 32})
            for (const FCObjImage& source : sources(w, h, bpp))
            {
                FCObjImage image(source);
                auto effect = make();
                FCObjImage::ApplyEffect(image, *effect, nullptr);
                EXPECT_EQ(testimg::FirstDifference(image, expected(source)), "")
                    << name << ", " << w << "x" << h << "x" << bpp;
            }
}

// Records every progress report; answers false at the report numbered stopAt (counted from 0).
using RecordingObserver = testobs::ScriptedObserver;
