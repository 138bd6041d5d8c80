// Oil paint, mosaic, splash, noise reduction, pencil sketch and old photo: each against a plain
// loop written from its definition where it has one, on one thread, on bands of rows, and with the
// pixels visited out of order (which the sliding windows must survive).
#include "BlurReference.h"
#include "TestImages.h"

#include "imagelib/FCBandRunner.h"
#include "imagelib/PixelHelpers.h"
#include "imagelib/effects/ArtisticEffects.h"
#include "imagelib/effects/ColorEffects.h"
#include "imagelib/effects/ColorModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

namespace
{
FCObjImage Apply(const FCObjImage& source, FCImageEffect& effect, int threads = 1)
{
    FCObjImage image(source);
    RunEffect(image, effect, threads);
    return image;
}

// Prepares the effect on a copy, then visits the pixels bottom row first, right to left.
FCObjImage ApplyBackwards(const FCObjImage& source, FCImageEffect& effect)
{
    FCObjImage image(source);
    effect.PrepareImage(image);
    for (int y = image.Height() - 1; y >= 0; --y)
        for (int x = image.Width() - 1; x >= 0; --x)
            effect.ApplyToPixel(image, x, y, image.PixelAddress(x, y));
    return image;
}

const BYTE* Clamped(const FCObjImage& image, long long x, long long y)
{
    return image.PixelAddress(int(std::clamp<long long>(x, 0, image.Width() - 1)),
                              int(std::clamp<long long>(y, 0, image.Height() - 1)));
}

FCObjImage ReferenceOilPaint(const FCObjImage& src, int radius, int levels)
{
    FCObjImage out(src);
    for (int y = 0; y < src.Height(); ++y)
        for (int x = 0; x < src.Width(); ++x)
        {
            int count[256] = {}, sumR[256] = {}, sumG[256] = {}, sumB[256] = {};
            for (int cy = y - radius; cy <= y + radius; ++cy)
                for (int cx = x - radius; cx <= x + radius; ++cx)
                {
                    const BYTE* p = Clamped(src, cx, cy);
                    const int k = (59 * p[1] + 30 * p[2] + 11 * p[0]) / 100 * levels / 255;
                    ++count[k], sumR[k] += p[2], sumG[k] += p[1], sumB[k] += p[0];
                }
            int best = 0;
            for (int k = 0; k <= levels; ++k)
                if (count[k] > count[best]) best = k;
            BYTE* o = out.PixelAddress(x, y);
            o[0] = BYTE(sumB[best] / count[best]);
            o[1] = BYTE(sumG[best] / count[best]);
            o[2] = BYTE(sumR[best] / count[best]);
        }
    return out;
}

FCObjImage ReferenceReduceNoise(const FCObjImage& src, int radius, double strength)
{
    FCObjImage out(src);
    const int r2 = int((radius + 0.5) * (radius + 0.5));
    for (int y = 0; y < src.Height(); ++y)
        for (int x = 0; x < src.Width(); ++x)
        {
            int histogram[3][256] = {}, cells = 0;
            for (int dy = -radius; dy <= radius; ++dy)
                for (int dx = -radius; dx <= radius; ++dx)
                    if (dx * dx + dy * dy <= r2)
                    {
                        const BYTE* p = Clamped(src, x + dx, y + dy);
                        ++histogram[0][p[2]], ++histogram[1][p[1]], ++histogram[2][p[0]], ++cells;
                    }
            const BYTE* p = src.PixelAddress(x, y);
            const int rgb[3] = {p[2], p[1], p[0]};
            const double f = (-0.2 + 0.00017588235294117646 * rgb[0] + 0.0003452941176470589 * rgb[1] +
                              6.705882352941177e-5 * rgb[2]) *
                             strength;
            for (int c = 0; c < 3; ++c)
            {
                int below = 0;
                for (int v = 0; v < rgb[c]; ++v)
                    below += histogram[c][v];
                const int e = below * 255 / cells;
                out.PixelAddress(x, y)[2 - c] = TruncClampToByte((e - rgb[c]) * f + rgb[c]);
            }
        }
    return out;
}

FCObjImage GreyRow(const std::vector<int>& values)
{
    FCObjImage image;
    image.Create(int(values.size()), 1, 24);
    for (std::size_t i = 0; i < values.size(); ++i)
        std::memset(image.PixelAddress(int(i), 0), values[i], 3);
    return image;
}
} // namespace

TEST(ArtisticOilPaint, SameBytesAsTheSquareWindowInAnyOrder)
{
    struct Case
    {
        int w, h, bpp, radius, levels;
    };
    const Case cases[] = {
        {29, 23, 24, 1, 3}, {29, 23, 32, 3, 30}, {17, 40, 24, 8, 255},
        {1, 6, 32, 2, 12},  {7, 1, 24, 5, 100},  {4, 3, 24, 9, 7}, // window wider than the image
    };
    for (const Case& c : cases)
    {
        // Few distinct values, so that levels repeat and ties happen.
        FCObjImage source = testimg::Varied(c.w, c.h, c.bpp, std::uint32_t(c.radius * 31 + c.levels));
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x)
                for (int k = 0; k < 3; ++k)
                    source.PixelAddress(x, y)[k] &= 0xE0;
        const FCObjImage expected = ReferenceOilPaint(source, c.radius, c.levels);
        FCEffectOilPaint one(c.radius, c.levels), bands(c.radius, c.levels), backwards(c.radius, c.levels);
        EXPECT_TRUE(testimg::SamePixels(Apply(source, one), expected))
            << c.w << "x" << c.h << " r" << c.radius;
        EXPECT_TRUE(testimg::SamePixels(Apply(source, bands, 4), expected))
            << c.w << "x" << c.h << " r" << c.radius;
        EXPECT_TRUE(testimg::SamePixels(ApplyBackwards(source, backwards), expected))
            << c.w << "x" << c.h << " r" << c.radius;
    }
}

TEST(ArtisticOilPaint, FlatImageTiesAndIntegerMeans)
{
    for (int bpp : {24, 32})
    {
        const FCObjImage flat = testimg::Flat(10, 8, bpp, 30, 140, 220, 90);
        FCEffectOilPaint paint(4, 30);
        EXPECT_TRUE(testimg::SamePixels(Apply(flat, paint), flat)) << bpp;
    }
    // Three levels three times each around the middle pixel: the lowest (10) wins.
    FCEffectOilPaint tie(1, 255);
    EXPECT_EQ(Apply(GreyRow({200, 10, 100}), tie).PixelAddress(1, 0)[0], 10);
    // 10 and 21 share level 0 of 3: the mean (10 + 21 + 10) / 3 = 13.67 is truncated.
    FCEffectOilPaint mean(1, 3);
    EXPECT_EQ(Apply(GreyRow({10, 21, 10}), mean).PixelAddress(1, 0)[0], 13);
    // Radius and levels are held to 1..1000 and to 3..255.
    const FCObjImage varied = testimg::Varied(12, 9, 24, 6);
    FCEffectOilPaint small(0, 1), held(1, 3), large(2, 999), top(2, 255), wide(50000, 40), widest(1000, 40);
    EXPECT_TRUE(testimg::SamePixels(Apply(varied, small), Apply(varied, held)));
    EXPECT_TRUE(testimg::SamePixels(Apply(varied, large), Apply(varied, top)));
    EXPECT_TRUE(testimg::SamePixels(Apply(varied, wide), Apply(varied, widest)));
}

TEST(ArtisticMosaic, BlockMeansWeightedByAlpha)
{
    // Block size 2 on a width of 5: the last column's blocks average that column alone.
    const FCObjImage source = testimg::Varied(5, 3, 24, 4);
    FCEffectMosaic mosaic(2);
    const FCObjImage out = Apply(source, mosaic);
    ASSERT_EQ(out.ColorBits(), 24);
    for (int c = 0; c < 3; ++c)
    {
        EXPECT_EQ(out.PixelAddress(4, 0)[c],
                  (source.PixelAddress(4, 0)[c] + source.PixelAddress(4, 1)[c]) / 2);
        EXPECT_EQ(out.PixelAddress(4, 1)[c], out.PixelAddress(4, 0)[c]);
        EXPECT_EQ(out.PixelAddress(4, 2)[c], source.PixelAddress(4, 2)[c]);
        const int sum = source.PixelAddress(2, 2)[c] + source.PixelAddress(3, 2)[c];
        EXPECT_EQ(out.PixelAddress(3, 2)[c], sum / 2);
    }

    // Alpha-weighted, truncated: (100 x 255 + 201 x 1) / 256 = 100.39, alpha 256 / 2 = 128;
    // a clear block is transparent black.
    FCObjImage image;
    image.Create(4, 1, 32);
    const BYTE pixels[4][4] = {{100, 50, 7, 255}, {201, 150, 250, 1}, {40, 40, 40, 0}, {90, 90, 90, 0}};
    for (int x = 0; x < 4; ++x)
        std::memcpy(image.PixelAddress(x, 0), pixels[x], 4);
    const FCObjImage blocks = Apply(image, mosaic);
    const BYTE first[4] = {100, (50 * 255 + 150) / 256, (7 * 255 + 250) / 256, 128};
    EXPECT_EQ(0, std::memcmp(blocks.PixelAddress(0, 0), first, 4));
    EXPECT_EQ(0, std::memcmp(blocks.PixelAddress(1, 0), first, 4));
    const BYTE clear[4] = {0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(blocks.PixelAddress(2, 0), clear, 4));
    EXPECT_EQ(0, std::memcmp(blocks.PixelAddress(3, 0), clear, 4));
}

// Blocks of 5 rows over bands of 3: every pixel shows its own block's mean of the untouched image,
// on one thread or four; on a large image the means are worked out by several threads.
TEST(ArtisticMosaic, BlocksAcrossBandsOfRows)
{
    struct Case
    {
        int w, h, block;
    };
    for (const Case& c : {Case{13, 12, 5}, Case{700, 650, 7}})
    {
        const FCObjImage source = testimg::Varied(c.w, c.h, 32, std::uint32_t(21 + c.w));
        FCEffectMosaic probe(c.block);
        FCObjImage prepared(source);
        probe.PrepareImage(prepared);
        for (int threads : {1, 4})
        {
            FCEffectMosaic mosaic(c.block);
            const FCObjImage out = Apply(source, mosaic, threads);
            int wrong = 0;
            for (int y = 0; y < c.h; ++y)
                for (int x = 0; x < c.w; ++x)
                {
                    const RGBQUAD mean = probe.GetBlockAverage(x - x % c.block, y - y % c.block);
                    wrong += std::memcmp(out.PixelAddress(x, y), &mean, 4) != 0;
                }
            EXPECT_EQ(wrong, 0) << c.w << "x" << c.h << " on " << threads;
        }
    }
}

// Every pixel is a whole pixel of the copy (alpha included) from within the splash's reach.
TEST(ArtisticSplash, PixelsComeFromWithinReach)
{
    FCObjImage source;
    source.Create(24, 20, 32);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 24; ++x)
        {
            BYTE* p = source.PixelAddress(x, y);
            p[0] = BYTE(x), p[1] = BYTE(y), p[2] = BYTE(x ^ y), p[3] = BYTE(x * 7 + y * 13);
        }
    struct Case
    {
        int size, low, high;
    };
    const Case cases[] = {{3, -1, 1}, {1, -1, 1}, {4, -2, 1}, {9, -4, 4}};
    for (const Case& c : cases)
    {
        FCEffectSplash splash(c.size);
        const FCObjImage out = Apply(source, splash);
        std::set<int> seen;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 24; ++x)
            {
                const BYTE* p = out.PixelAddress(x, y);
                const int sx = p[0], sy = p[1];
                ASSERT_TRUE(sx < 24 && sy < 20) << c.size;
                EXPECT_EQ(0, std::memcmp(p, source.PixelAddress(sx, sy), 4)) << c.size;
                EXPECT_EQ(sx, std::clamp(sx, std::max(0, x + c.low), std::min(23, x + c.high))) << c.size;
                EXPECT_EQ(sy, std::clamp(sy, std::max(0, y + c.low), std::min(19, y + c.high))) << c.size;
                if (x > c.high && x < 23 + c.low) seen.insert(sx - x);
            }
        EXPECT_EQ(int(seen.size()), c.high - c.low + 1) << c.size; // every offset turns up
    }
}

TEST(ArtisticReduceNoise, FlatImagesBrighten)
{
    const std::pair<int, int> greys[] = {{0, 0}, {50, 53}, {100, 105}, {200, 206}, {255, 255}};
    for (auto [in, out] : greys)
        for (int bpp : {24, 32})
        {
            FCEffectReduceNoise reduce;
            const FCObjImage result =
                Apply(testimg::Flat(15, 12, bpp, BYTE(in), BYTE(in), BYTE(in), 60), reduce);
            EXPECT_TRUE(
                testimg::SamePixels(result, testimg::Flat(15, 12, bpp, BYTE(out), BYTE(out), BYTE(out), 60)))
                << in << " at " << bpp;
        }
}

TEST(ArtisticReduceNoise, DiscSize)
{
    const std::pair<int, int> cases[] = {{0, 1}, {1, 9}, {2, 21}, {10, 349}, {-4, 1}};
    for (auto [radius, cells] : cases)
    {
        FCEffectReduceNoise reduce(radius, 0.4);
        FCObjImage image = testimg::Varied(3, 3, 24);
        reduce.PrepareImage(image);
        EXPECT_EQ(reduce.GetMaskCount(), cells) << radius;
    }
}

// The sliding histograms against the disc counted afresh for every pixel, in scan order on one
// thread, on four bands, and backwards.
TEST(ArtisticReduceNoise, SameBytesAsTheDiscCountedAfresh)
{
    struct Case
    {
        int w, h, bpp, radius;
        double strength;
    };
    const Case cases[] = {{31, 27, 24, 10, 0.4},
                          {40, 13, 32, 3, 1.5},
                          {5, 30, 24, 2, 0.4},
                          {1, 1, 32, 10, 0.4},
                          {9, 1, 24, 4, -2.0}};
    for (const Case& c : cases)
    {
        const FCObjImage source = testimg::Varied(c.w, c.h, c.bpp, std::uint32_t(c.radius + c.w));
        const FCObjImage expected = ReferenceReduceNoise(source, c.radius, c.strength);
        FCEffectReduceNoise one(c.radius, c.strength), bands(c.radius, c.strength),
            backwards(c.radius, c.strength);
        EXPECT_TRUE(testimg::SamePixels(Apply(source, one), expected))
            << c.w << "x" << c.h << " r" << c.radius;
        EXPECT_TRUE(testimg::SamePixels(Apply(source, bands, 4), expected))
            << c.w << "x" << c.h << " r" << c.radius;
        EXPECT_TRUE(testimg::SamePixels(ApplyBackwards(source, backwards), expected))
            << c.w << "x" << c.h << " r" << c.radius;
    }
}

// A flat grey g with roughness 0 dodges to min(255, 256 g / (g + 1)); the alpha is the image's.
TEST(ArtisticPencilSketch, DodgesTheGreyByItsBlurredNegative)
{
    const std::pair<int, int> greys[] = {{0, 0}, {64, 252}, {128, 254}, {255, 255}};
    for (auto [in, out] : greys)
        for (int bpp : {24, 32})
        {
            FCEffectPencilSketch sketch(5, 0);
            const FCObjImage result =
                Apply(testimg::Flat(14, 9, bpp, BYTE(in), BYTE(in), BYTE(in), 70), sketch);
            EXPECT_TRUE(
                testimg::SamePixels(result, testimg::Flat(14, 9, bpp, BYTE(out), BYTE(out), BYTE(out), 70)))
                << in << " at " << bpp;
        }
}

// The whole chain against the plain blur followed by the sub-effects and the dodge, with clear
// stretches whose carried colour the restored alpha makes visible.
TEST(ArtisticPencilSketch, SameBytesAsThePlainLoop)
{
    FCObjImage source = testimg::Varied(47, 33, 32, 12);
    for (int y = 0; y < 33; ++y)
        for (int x = 0; x < 47; ++x)
            if (y < 9 || (x > 30 && y > 20)) source.PixelAddress(x, y)[3] = 0;
    FCEffectBrightnessContrast bc(-7, 7);
    FCObjImage scratch(source);
    bc.PrepareImage(scratch);
    FCEffectInvert invert;
    invert.PrepareImage(scratch);
    FCEffectGrayscale grey;
    FCObjImage expected(source);
    blurtest::ReferenceBlur(expected, FCEffectBlur_GaussCopyEdge(3).GetKernel(),
                            [&](int x, int y, BYTE* p)
                            {
                                bc.ApplyToPixel(expected, x, y, p);
                                invert.ApplyToPixel(expected, x, y, p);
                                grey.ApplyToPixel(expected, x, y, p);
                                const BYTE* o = source.PixelAddress(x, y);
                                const unsigned g = (59u * o[1] + 30u * o[2] + 11u * o[0]) / 100;
                                p[0] = p[1] = p[2] = BYTE(std::min(255u, g * 256 / (256u - p[0])));
                                p[3] = o[3];
                            });
    for (int threads : {1, 8})
    {
        FCEffectPencilSketch sketch(3, -7);
        EXPECT_TRUE(testimg::SamePixels(Apply(source, sketch, threads), expected)) << threads;
    }
}

// Greys come out warm (red >= green >= blue) with the lightness of the grey after brightness and
// contrast.
TEST(ArtisticOldPhoto, WarmGreysOfTheSameLightness)
{
    for (int g : {20, 60, 100, 128})
    {
        FCEffectOldPhoto photo(3, -20, -40);
        const FCObjImage out = Apply(testimg::Flat(10, 10, 24, BYTE(g), BYTE(g), BYTE(g)), photo);
        const BYTE* p = out.PixelAddress(5, 5);
        EXPECT_GE(p[2], p[1]) << g;
        EXPECT_GE(p[1], p[0]) << g;
        EXPECT_GT(p[2], p[0]) << g;
        const int processed = ClampToByte(int(0.6 * (g - 128) + 108 + 0.5));
        double hue, lightness, saturation;
        RGBtoHLS(p, hue, lightness, saturation);
        EXPECT_NEAR(lightness, processed / 255.0, 1.0 / 255) << g;
        EXPECT_TRUE(testimg::SamePixels(out, testimg::Flat(10, 10, 24, p[0], p[1], p[2]))) << g;
    }
}

TEST(ArtisticDeleteEffectRange, DeletesEachEffectAndClearsItsSlot)
{
    static int destroyed = 0;
    struct Counted : FCImageEffect
    {
        ~Counted() override { ++destroyed; }
    };
    FCImageEffect* effects[4] = {new Counted, nullptr, new Counted, new Counted};
    DeleteEffectRange(effects, effects + 3);
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(effects[0], nullptr);
    EXPECT_EQ(effects[2], nullptr);
    ASSERT_NE(effects[3], nullptr); // outside the range
    DeleteEffectRange(effects + 3, effects + 4);
    EXPECT_EQ(destroyed, 3);
}
