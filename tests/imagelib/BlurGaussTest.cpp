// The Gaussian blur, the unsharp mask, soft glow and soft portrait: the kernel, reference rows,
// the production passes against a plain loop on every thread count, alpha weighting, progress and
// cancel.
#include "BlurReference.h"
#include "TestImages.h"

#include "imagelib/FCBandRunner.h"
#include "imagelib/PixelHelpers.h"
#include "imagelib/effects/GaussBlurEffects.h"
#include "imagelib/effects/VectorDispatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

namespace
{
using blurtest::Combine;
using blurtest::ReferenceBlur;
using blurtest::ScriptedObserver;

FCObjImage GreyRow(const std::vector<int>& values, int bpp = 24)
{
    FCObjImage image;
    image.Create(int(values.size()), 1, bpp);
    for (std::size_t i = 0; i < values.size(); ++i)
    {
        BYTE* p = image.PixelAddress(int(i), 0);
        p[0] = p[1] = p[2] = BYTE(values[i]);
        if (bpp == 32) p[3] = 255;
    }
    return image;
}

std::vector<int> Blues(const FCObjImage& image)
{
    std::vector<int> out;
    for (int x = 0; x < image.Width(); ++x)
        out.push_back(image.PixelAddress(x, 0)[0]);
    return out;
}

// The loops a run may take: the widest instruction set the processor has, its fused loops of
// opaque pixels trusted, then doubted on every result (so that the plain loop makes each again);
// AVX2 at most; the baseline.
struct LoopSet
{
    bool avx2, avx512, doubtFused;
    const char* name;
};
constexpr LoopSet kLoopSets[] = {{true, true, false, "widest"},
                                 {true, true, true, "widest, fused results made again"},
                                 {true, false, false, "AVX2"},
                                 {false, false, false, "baseline"}};

void TakeLoops(const LoopSet& set)
{
    AllowAvx2(set.avx2);
    AllowAvx512(set.avx512);
    DoubtFusedGaussResultsForTesting(set.doubtFused);
}

// A varied 32-bit image with clear stretches: whole rows at the top, a band across the middle and
// a block on the right, so that clear results open blocks of rows and cross their edges.
FCObjImage WithClearRegions(int w, int h, std::uint32_t seed)
{
    FCObjImage image = testimg::Varied(w, h, 32, seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (y < h / 5 || (y > h / 2 && y < h / 2 + 11) || (x > w * 3 / 4 && y > h / 3))
                image.PixelAddress(x, y)[3] = 0;
    return image;
}
} // namespace

TEST(BlurGauss, KernelLengthAndTaps)
{
    const std::pair<int, std::size_t> lengths[] = {{-3, 3}, {0, 3},   {1, 3},    {2, 7},     {3, 11},
                                                   {5, 17}, {10, 31}, {32, 101}, {100, 201}, {500, 201}};
    for (auto [radius, length] : lengths)
    {
        const FCEffectBlur_GaussCopyEdge blur(radius);
        EXPECT_EQ(blur.GetKernel().size(), length) << radius;
        EXPECT_EQ(blur.GetHalfSize(), int(length / 2)) << radius;
        double sum = 0;
        for (double t : blur.GetKernel())
            sum += t;
        EXPECT_NEAR(sum, 1.0, 1e-12) << radius;
    }
    const std::vector<double> taps = FCEffectBlur_GaussCopyEdge(1).GetKernel();
    EXPECT_NEAR(taps[0], 0.1065070, 1e-7);
    EXPECT_NEAR(taps[1], 0.7869860, 1e-7);
    EXPECT_NEAR(taps[2], 0.1065070, 1e-7);
}

// One-row opaque images (the column pass changes nothing there), at 24 and 32 bits.
TEST(BlurGauss, ReferenceRows)
{
    struct Case
    {
        int radius;
        std::vector<int> in, out;
    };
    const Case cases[] = {
        {1, {0, 0, 255, 255, 255}, {0, 27, 228, 255, 255}},
        {2, {0, 0, 0, 255, 255, 255, 255}, {1, 15, 77, 178, 240, 254, 255}},
        {5, {0, 0, 0, 0, 0, 255, 255, 255, 255, 255}, {9, 20, 40, 70, 107, 148, 185, 215, 235, 246}},
    };
    for (const Case& c : cases)
        for (int bpp : {24, 32})
        {
            FCObjImage image = GreyRow(c.in, bpp);
            FCEffectBlur_GaussCopyEdge blur(c.radius);
            RunEffect(image, blur, 1);
            EXPECT_EQ(Blues(image), c.out) << "radius " << c.radius << " at " << bpp;
        }
}

TEST(BlurGauss, FlatOpaqueImageIsUnchanged)
{
    for (int bpp : {24, 32})
        for (int radius : {1, 7, 40})
        {
            const FCObjImage flat = testimg::Flat(45, 38, bpp, 12, 130, 251);
            FCObjImage image(flat);
            FCEffectBlur_GaussCopyEdge blur(radius);
            RunEffect(image, blur, 1);
            EXPECT_TRUE(testimg::SamePixels(image, flat)) << radius << " at " << bpp;
        }
}

// Opaque red beside clear green: no green reaches a pixel that has alpha, and alpha ramps down
// across the border.
TEST(BlurGauss, ClearPixelsLendNoColour)
{
    FCObjImage image;
    image.Create(40, 6, 32);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 40; ++x)
        {
            BYTE* p = image.PixelAddress(x, y);
            p[0] = 0, p[1] = x < 20 ? 0 : 255, p[2] = x < 20 ? 255 : 0, p[3] = x < 20 ? 255 : 0;
        }
    FCEffectBlur_GaussCopyEdge blur(4);
    RunEffect(image, blur, 1);
    int previous = 256, ramp = 0;
    for (int x = 0; x < 40; ++x)
    {
        const BYTE* p = image.PixelAddress(x, 3);
        EXPECT_LE(p[3], previous) << x;
        previous = p[3];
        ramp += p[3] > 0 && p[3] < 255;
        if (p[3] > 0)
        {
            EXPECT_EQ(p[1], 0) << x;
            EXPECT_EQ(p[2], 255) << x;
        }
    }
    EXPECT_GE(ramp, 4);
}

// Every byte of the production passes (vectors, strips of columns, blocks of rows on helper
// threads) equals the plain loop's, for any thread count and either instruction set.
TEST(BlurGauss, SameBytesAsThePlainLoopOnEveryThreadCount)
{
    struct Case
    {
        int w, h, bpp, radius;
    };
    const Case cases[] = {
        {37, 61, 24, 3}, {37, 61, 32, 3},  {1, 1, 32, 5},    {1, 17, 24, 2},   {23, 1, 32, 10},
        {70, 9, 32, 32}, {9, 70, 24, 120}, {130, 97, 32, 5}, {130, 97, 24, 0}, {65, 40, 32, 1},
    };
    for (const Case& c : cases)
    {
        const FCObjImage source = c.bpp == 32 ? WithClearRegions(c.w, c.h, std::uint32_t(c.radius + c.w))
                                              : testimg::Varied(c.w, c.h, 24, std::uint32_t(c.radius));
        FCObjImage expected(source);
        ReferenceBlur(expected, FCEffectBlur_GaussCopyEdge(c.radius).GetKernel());
        for (const LoopSet& set : kLoopSets)
        {
            TakeLoops(set);
            for (int threads : {1, 3, 8})
            {
                FCObjImage image(source);
                FCEffectBlur_GaussCopyEdge blur(c.radius);
                RunEffect(image, blur, threads);
                EXPECT_TRUE(testimg::SamePixels(image, expected))
                    << c.w << "x" << c.h << "x" << c.bpp << " radius " << c.radius << " on " << threads
                    << " threads, loops " << set.name;
            }
        }
        TakeLoops(kLoopSets[0]);
    }
}

TEST(BlurGauss, ProgressAfterEachColumnThenEachRow)
{
    const FCObjImage source = testimg::Varied(70, 3, 32);
    std::vector<int> expected(70, 0);
    expected.insert(expected.end(), {33, 66, 100});
    for (int threads : {1, 8})
    {
        FCObjImage image(source);
        FCEffectBlur_GaussCopyEdge blur(2);
        const FCEffectRun run(threads);
        ScriptedObserver observer;
        FCObjImage::ApplyEffect(image, blur, &observer);
        std::vector<int> calls(observer.calls.begin() + 1, observer.calls.end()); // the driver's 0 first
        EXPECT_EQ(calls, expected) << threads;
        EXPECT_FALSE(observer.IsCancelled());
    }
}

// A no during the column pass ends it; the row pass then does its first row and ends. A no
// during the row pass ends it after that row.
TEST(BlurGauss, CancelEndsThePasses)
{
    const FCObjImage source = testimg::Varied(70, 50, 24);
    struct Case
    {
        int refuseAt; // counted from the driver's initial 0
        std::vector<int> tail;
    };
    const Case cases[] = {
        {5, {0, 0, 0, 0, 0, 2}},          // calls 1..5 are columns; then row 0 only
        {70 + 3, {0, 2, 4, 6}},           // the third row's report says no
        {70 + 50, {92, 94, 96, 98, 100}}, // the last one: nothing left to stop
    };
    for (const Case& c : cases)
        for (int threads : {1, 8})
        {
            FCObjImage image(source);
            FCEffectBlur_GaussCopyEdge blur(3);
            const FCEffectRun run(threads);
            ScriptedObserver observer(c.refuseAt);
            FCObjImage::ApplyEffect(image, blur, &observer);
            ASSERT_GE(observer.calls.size(), c.tail.size());
            EXPECT_EQ(int(observer.calls.size()), c.refuseAt + (c.refuseAt < 71 ? 2 : 1)) << c.refuseAt;
            const std::vector<int> tail(observer.calls.end() - std::ptrdiff_t(c.tail.size()),
                                        observer.calls.end());
            EXPECT_EQ(tail, c.tail) << c.refuseAt << " on " << threads;
            EXPECT_TRUE(observer.IsCancelled());
        }
    // A run started with the flag already set: one column, one row.
    FCObjImage image(source);
    FCEffectBlur_GaussCopyEdge blur(3);
    const FCEffectRun run(8);
    ScriptedObserver observer;
    observer.SetCancelFlag(1);
    FCObjImage::ApplyEffect(image, blur, &observer);
    EXPECT_EQ(observer.calls, (std::vector<int>{0, 0, 2}));
}

TEST(BlurUnsharpMask, MovesAwayFromTheBlurBeyondTheThreshold)
{
    // Radius 1 blurs [100, 100, 200, 200, 200] to [100, 111, 189, 200, 200]: differences -11, 11.
    struct Case
    {
        int amount, threshold;
        std::vector<int> out;
    };
    const Case cases[] = {
        {70, 0, {100, 93, 207, 200, 200}},   // trunc(-7.7) = -7, towards zero
        {70, 22, {100, 93, 207, 200, 200}},  // |2 x 11| = 22 is not below 22
        {70, 23, {100, 100, 200, 200, 200}}, // below 23: left alone
        {100, 0, {100, 89, 211, 200, 200}},   {500, 0, {100, 89, 211, 200, 200}}, // amount clamped to 100
        {0, 0, {100, 100, 200, 200, 200}},    // clamped to 1: trunc(-0.11) = 0
        {70, 300, {100, 100, 200, 200, 200}}, // threshold clamped to 255
        {70, -9, {100, 93, 207, 200, 200}},
    };
    for (const Case& c : cases)
    {
        FCObjImage image = GreyRow({100, 100, 200, 200, 200});
        FCEffectUNSharpMask sharpen(1, c.amount, c.threshold);
        RunEffect(image, sharpen, 1);
        EXPECT_EQ(Blues(image), c.out) << c.amount << " / " << c.threshold;
    }
    // Threshold 255 leaves every difference up to 127 alone.
    const FCObjImage varied = testimg::Varied(31, 29, 24, 3);
    FCObjImage image(varied);
    FCEffectUNSharpMask sharpen(4, 100, 255);
    RunEffect(image, sharpen, 1);
    FCObjImage blurred(varied);
    FCEffectBlur_GaussCopyEdge blur(4);
    RunEffect(blurred, blur, 1);
    for (int y = 0; y < 29; ++y)
        for (int x = 0; x < 31; ++x)
            for (int c = 0; c < 3; ++c)
            {
                const int o = varied.PixelAddress(x, y)[c];
                if (std::abs(o - blurred.PixelAddress(x, y)[c]) <= 127)
                {
                    EXPECT_EQ(image.PixelAddress(x, y)[c], o);
                }
            }
}

// Every byte equals the plain loop followed by the sharpening step, on every instruction set; the
// alpha byte is the blurred alpha.
TEST(BlurUnsharpMask, SameBytesAsThePlainLoop)
{
    // 32 bits with clear regions (whose pixels are combined one by one), and opaque 24 bits
    // (combined a row at a time). Amounts and thresholds at their ends and between: the largest
    // products, quotients rounding towards zero on either side, differences left alone.
    const FCObjImage sources[] = {WithClearRegions(90, 71, 5), testimg::Varied(90, 71, 24, 5)};
    const std::pair<int, int> settings[] = {{65, 20}, {100, 0}, {1, 0}, {70, 255}, {99, 7}};
    for (const FCObjImage& source : sources)
        for (auto [amount, threshold] : settings)
        {
            FCObjImage expected(source);
            ReferenceBlur(expected, FCEffectBlur_GaussCopyEdge(6).GetKernel(),
                          [&](int x, int y, BYTE* p)
                          {
                              const BYTE* o = source.PixelAddress(x, y);
                              for (int c = 0; c < 3; ++c)
                              {
                                  int diff = o[c] - p[c];
                                  if (std::abs(2 * diff) < threshold) diff = 0;
                                  p[c] = ClampToByte(o[c] + diff * amount / 100);
                              }
                          });
            for (const LoopSet& set : kLoopSets)
            {
                TakeLoops(set);
                for (int threads : {1, 8})
                {
                    FCObjImage image(source);
                    FCEffectUNSharpMask sharpen(6, amount, threshold);
                    RunEffect(image, sharpen, threads);
                    EXPECT_TRUE(testimg::SamePixels(image, expected))
                        << source.ColorBits() << " bits, " << threads << " threads, amount " << amount
                        << ", threshold " << threshold << ", loops " << set.name;
                }
            }
            TakeLoops(kLoopSets[0]);
        }
    FCObjImage blurred(sources[0]);
    FCEffectBlur_GaussCopyEdge blur(6);
    RunEffect(blurred, blur, 1);
    FCObjImage sharpened(sources[0]);
    FCEffectUNSharpMask sharpen(6, 65, 20);
    RunEffect(sharpened, sharpen, 1);
    EXPECT_EQ(testimg::Alphas(sharpened), testimg::Alphas(blurred));
}

TEST(BlurOverlayBlend, Table)
{
    struct Case
    {
        int a, b, out;
    };
    const Case cases[] = {{0, 0, 0},     {77, 0, 0},      {255, 0, 0},   {255, 255, 255}, {255, 127, 254},
                          {128, 64, 64}, {100, 200, 188}, {0, 255, 255}, {200, 128, 200}};
    for (const Case& c : cases)
        EXPECT_EQ(OverlayBlend(c.a, c.b), c.out) << c.a << ", " << c.b;
}

// Brightness and contrast 0 screen the image with its own blur: 100 over 100 gives
// 255 - trunc(155 x 155 / 255) = 161, and nothing gets darker. 32-bit pixels keep their alpha.
TEST(BlurSoftGlow, ScreensTheImageWithItsBlur)
{
    for (int bpp : {24, 32})
    {
        FCObjImage flat = testimg::Flat(20, 15, bpp, 100, 100, 100, 200);
        FCEffectSoftGlow glow(4, 0, 0);
        RunEffect(flat, glow, 1);
        EXPECT_TRUE(testimg::SamePixels(flat, testimg::Flat(20, 15, bpp, 161, 161, 161, 200))) << bpp;
    }
    const FCObjImage source = WithClearRegions(60, 45, 8);
    FCObjImage image(source);
    FCEffectSoftGlow glow(5, 0, 0);
    RunEffect(image, glow, 8);
    EXPECT_EQ(testimg::Alphas(image), testimg::Alphas(source));
    for (int y = 0; y < 45; ++y)
        for (int x = 0; x < 60; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_GE(image.PixelAddress(x, y)[c], source.PixelAddress(x, y)[c]) << x << "," << y;
}

// The brightness goes through the sub-effect's table before the screen.
TEST(BlurSoftGlow, BrightnessAndContrastApplyToTheBlur)
{
    FCObjImage flat = testimg::Flat(9, 9, 24, 100, 50, 200);
    FCEffectSoftGlow glow(2, 40, -50);
    RunEffect(flat, glow, 1);
    // Blue 100: 0.5 x (100 - 128) + 168 + 0.5 = 154.5 -> 154; 255 - 155 x 101 / 255 = 194.
    // Green 50: 129.5 -> 129; 255 - 205 x 126 / 255 = 154. Red 200: 204.5 -> 204; 255 - 55 x 51 / 255 = 244.
    EXPECT_TRUE(testimg::SamePixels(flat, testimg::Flat(9, 9, 24, 194, 154, 244)));
}

TEST(BlurSoftPortrait, WarmOverlayOfTheLuminance)
{
    struct Case
    {
        int brightness, warmth;
        BYTE b, g, r;
    };
    const Case cases[] = {
        {0, 10, 115, 128, 140},
        {0, 0, 128, 128, 128},
        {0, 300, 0, 128, 255}, // warmth clamped to 100: blue overlays 0, red overlays 255
        {0, -5, 128, 128, 128},
    };
    for (const Case& c : cases)
        for (int bpp : {24, 32})
        {
            FCObjImage flat = testimg::Flat(12, 10, bpp, 128, 128, 128, 33);
            FCEffectSoftPortrait portrait(5, c.brightness, c.warmth);
            RunEffect(flat, portrait, 1);
            EXPECT_TRUE(testimg::SamePixels(flat, testimg::Flat(12, 10, bpp, c.b, c.g, c.r, 33)))
                << c.brightness << "/" << c.warmth << " at " << bpp;
        }
    // Brightness is held to -100..100: 500 acts as 100.
    FCObjImage a = testimg::Varied(14, 11, 24, 2), b(a);
    FCEffectSoftPortrait clamped(2, 500, 10), top(2, 100, 10);
    RunEffect(a, clamped, 1);
    RunEffect(b, top, 1);
    EXPECT_TRUE(testimg::SamePixels(a, b));
    // The blur radius is three times the softening.
    EXPECT_EQ(FCEffectSoftPortrait(4, 0, 0).GetKernel(), FCEffectBlur_GaussCopyEdge(12).GetKernel());
}
