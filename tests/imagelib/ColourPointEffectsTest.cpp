// Per-pixel colour effects: grey, thresholds, channel offsets, fill, noise, halftone and
// premultiplied alpha.
#include "TestImages.h"

#include "imagelib/FCBandRunner.h"
#include "imagelib/FCRandom.h"
#include "imagelib/effects/ColorEffects.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace
{
using Bgr = std::array<int, 3>;

Bgr Apply(FCImageEffect& effect, Bgr in)
{
    FCObjImage image = testimg::Flat(1, 1, 24, BYTE(in[0]), BYTE(in[1]), BYTE(in[2]));
    FCObjImage::ApplyEffect(image, effect, nullptr);
    const BYTE* p = image.PixelAddress(0, 0);
    return {p[0], p[1], p[2]};
}

// A pixel whose luminance (30 R + 59 G + 11 B) / 100 is exactly L, not grey where that can be.
Bgr WithLuminance(int L)
{
    for (int r = L; r < 256; ++r)
        for (int b = 0; b < 256; ++b)
            if ((30 * r + 59 * L + 11 * b) / 100 == L && (r != L || b != L)) return {b, L, r};
    return {L, L, L};
}
} // namespace

TEST(ColourPointEffects, LuminanceFixtureIsRight)
{
    for (int L = 0; L < 256; ++L)
    {
        const Bgr p = WithLuminance(L);
        ASSERT_EQ((30 * p[2] + 59 * p[1] + 11 * p[0]) / 100, L) << L;
    }
}

TEST(ColourPointEffects, GreyAndThresholdsFollowTheIntegerLuminance)
{
    FCEffectGrayscale grey;
    EXPECT_EQ(Apply(grey, {255, 255, 255}), (Bgr{255, 255, 255}));
    EXPECT_EQ(Apply(grey, {0, 0, 255}), (Bgr{76, 76, 76}));    // 30 x 255 / 100 = 76.5
    EXPECT_EQ(Apply(grey, {0, 255, 0}), (Bgr{150, 150, 150})); // 150.45
    EXPECT_EQ(Apply(grey, {255, 0, 0}), (Bgr{28, 28, 28}));    // 28.05
    EXPECT_EQ(Apply(grey, {10, 20, 30}), (Bgr{21, 21, 21}));   // 21.9, truncated

    for (int t : {0, 1, 100, 254, 255})
    {
        FCEffectThreshold threshold(t);
        EXPECT_EQ(Apply(threshold, WithLuminance(t)), (Bgr{0, 0, 0})) << t;
        if (t < 255)
        {
            EXPECT_EQ(Apply(threshold, WithLuminance(t + 1)), (Bgr{255, 255, 255})) << t;
        }
    }
    FCEffectThreshold clampedLow(-40), clampedHigh(900);
    EXPECT_EQ(Apply(clampedLow, WithLuminance(1)), (Bgr{255, 255, 255}));
    EXPECT_EQ(Apply(clampedHigh, WithLuminance(255)), (Bgr{0, 0, 0}));

    // A band: both ends included; crossed sliders draw the band white on black.
    struct Case
    {
        int low, high;
        std::vector<std::pair<int, int>> values; // luminance, output
    };
    const Case cases[] = {
        {50, 200, {{49, 255}, {50, 0}, {120, 0}, {200, 0}, {201, 255}}},
        {200, 50, {{49, 0}, {50, 255}, {120, 255}, {200, 255}, {201, 0}}},
        {-10, 300, {{0, 0}, {255, 0}}},
        {300, -10, {{0, 255}, {255, 255}}},
        {90, 90, {{89, 255}, {90, 0}, {91, 255}}},
    };
    for (const Case& c : cases)
    {
        FCEffectThreshold2 band(c.low, c.high);
        for (auto [L, v] : c.values)
            EXPECT_EQ(Apply(band, WithLuminance(L)), (Bgr{v, v, v}))
                << c.low << ".." << c.high << " at " << L;
    }
}

TEST(ColourPointEffects, ChannelThresholdsAndOffsets)
{
    FCEffectSeuilRGB seuil(100, 128, 160); // red, green, blue
    EXPECT_EQ(Apply(seuil, {160, 128, 100}), (Bgr{0, 0, 0}));
    EXPECT_EQ(Apply(seuil, {161, 129, 101}), (Bgr{255, 255, 255}));
    EXPECT_EQ(Apply(seuil, {161, 0, 0}), (Bgr{255, 0, 0}));

    FCEffectAdjustRGB adjust(10, -20, 30); // red, green, blue
    EXPECT_EQ(Apply(adjust, {100, 100, 100}), (Bgr{130, 80, 110}));
    EXPECT_EQ(Apply(adjust, {250, 5, 250}), (Bgr{255, 0, 255}));
    // Deltas far out of range saturate instead of overflowing.
    FCEffectAdjustRGB extreme(std::numeric_limits<int>::max(), std::numeric_limits<int>::min(), 1000);
    EXPECT_EQ(Apply(extreme, {0, 255, 0}), (Bgr{255, 0, 255}));
}

TEST(ColourPointEffects, FillColourWritesAlphaOnlyWhenAsked)
{
    RGBQUAD colour;
    colour.rgbBlue = 10;
    colour.rgbGreen = 20;
    colour.rgbRed = 30;
    colour.rgbReserved = 40;
    const FCObjImage source = testimg::Varied(5, 4, 32, 3);
    struct Case
    {
        int alpha;
        int expectedAlpha; // -1: kept
    };
    for (const Case c : {Case{-1, -1}, Case{300, 255}, Case{0, 0}, Case{128, 128}, Case{-7, 0}})
    {
        FCEffectFillColor fill(colour, c.alpha);
        FCObjImage image(source);
        ASSERT_TRUE(RunEffect(image, fill, 2));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x)
            {
                const BYTE* p = image.PixelAddress(x, y);
                EXPECT_EQ((Bgr{p[0], p[1], p[2]}), (Bgr{10, 20, 30}));
                EXPECT_EQ(p[3], c.expectedAlpha < 0 ? source.PixelAddress(x, y)[3] : c.expectedAlpha)
                    << "alpha " << c.alpha;
            }
    }
    // 24 bits: never a fourth byte, whatever alpha says.
    FCObjImage rgb = testimg::Flat(3, 1, 24, 1, 2, 3);
    FCEffectFillColor fill24(colour, 200);
    ASSERT_TRUE(RunEffect(rgb, fill24, 1));
    EXPECT_EQ(rgb.PixelAddress(0, 0)[3], 10); // the next pixel's blue
    // 8 bits and images without pixels are refused.
    FCObjImage grey;
    grey.Create(4, 4, 8);
    FCEffectFillColor fill8(colour, -1);
    EXPECT_FALSE(fill8.AcceptsImage(grey));
    EXPECT_FALSE(fill8.AcceptsImage(FCObjImage()));
}

TEST(ColourPointEffects, HalftoneComparesTheMatrixWithAQuarterOfTheLuminance)
{
    // Every value 0..63 stands once in the matrix.
    std::set<int> seen;
    for (auto& row : FCEffectHalftoneM3::kMatrix)
        for (BYTE v : row)
            seen.insert(v);
    EXPECT_EQ(seen.size(), 64u);
    EXPECT_EQ(*seen.rbegin(), 63);

    for (int L : {255, 3, 0, 128})
    {
        const Bgr p = WithLuminance(L);
        FCObjImage image = testimg::Flat(16, 16, 32, BYTE(p[0]), BYTE(p[1]), BYTE(p[2]), 77);
        FCEffectHalftoneM3 halftone;
        RunEffect(image, halftone, 4);
        int white = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
            {
                const BYTE* q = image.PixelAddress(x, y);
                const int v = FCEffectHalftoneM3::kMatrix[y & 7][x & 7] < (L >> 2) ? 255 : 0;
                ASSERT_EQ((Bgr{q[0], q[1], q[2]}), (Bgr{v, v, v})) << "L " << L << " at " << x << "," << y;
                EXPECT_EQ(q[3], 77);
                white += v == 255;
            }
        if (L == 255)
        {
            EXPECT_EQ(white, 256 - 4); // black only where the matrix holds 63
            EXPECT_EQ(image.PixelAddress(0, 7)[0], 0);
        }
        if (L < 4)
        {
            EXPECT_EQ(white, 0);
        }
    }
}

TEST(ColourPointEffects, NoiseFromKnownDraws)
{
    // Find generator states whose next four draws sum to the wanted value.
    auto stateGiving = [](std::function<bool(int, int, int, int)> want)
    {
        for (std::uint32_t s = 0;; ++s)
        {
            FCRandomSetState(s);
            const int a = FCRandom(), b = FCRandom(), c = FCRandom(), d = FCRandom();
            if (want(a, b, c, d)) return s;
        }
    };
    // The noise of four draws summing to s is trunc((s x 6.7131703409299e-5 - 4.3994090512278)
    // x amount): -4, -43, -439 at s = 0 and 4, 43, 439 at s = 131068 for amounts 1, 10, 100.
    const std::uint32_t saved = FCRandomGetState();
    for (int amount : {1, 10, 100})
        for (std::uint32_t s : {1u, 12345u, 0xDEADBEEFu, 777u})
        {
            FCRandomSetState(s);
            const int sum = FCRandom() + FCRandom() + FCRandom() + FCRandom();
            const std::uint32_t after = FCRandomGetState();
            FCRandomSetState(s);
            FCEffectNoisify noise(amount, true);
            EXPECT_EQ(noise.RandomNoise(), int((sum * 6.7131703409299e-5 - 4.3994090512278) * amount))
                << amount << " " << s;
            EXPECT_EQ(FCRandomGetState(), after) << "four draws, no more";
        }
    // A state whose four draws sum to 65534 gives 0 at every amount.
    const std::uint32_t middle =
        stateGiving([](int a, int b, int c, int d) { return a + b + c + d == 65534; });
    for (int amount : {1, 10, 100})
    {
        FCRandomSetState(middle);
        EXPECT_EQ(FCEffectNoisify(amount, false).RandomNoise(), 0);
    }
    // The amount is clamped to 1..100.
    FCRandomSetState(7);
    const int n100 = FCEffectNoisify(100, false).RandomNoise();
    FCRandomSetState(7);
    EXPECT_EQ(FCEffectNoisify(5000, false).RandomNoise(), n100);
    FCRandomSetState(7);
    const int n1 = FCEffectNoisify(1, false).RandomNoise();
    FCRandomSetState(7);
    EXPECT_EQ(FCEffectNoisify(-3, false).RandomNoise(), n1);
    FCRandomSetState(saved);
}

TEST(ColourPointEffects, NoiseStaysInBoundsAndSharesOneDrawUnlessIndependent)
{
    for (bool independent : {false, true})
    {
        const FCObjImage source = testimg::Flat(64, 64, 32, 128, 128, 128, 9);
        FCObjImage image(source);
        FCEffectNoisify noise(20, independent);
        RunEffect(image, noise, 1);
        int differing = 0, moved = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
            {
                const BYTE* p = image.PixelAddress(x, y);
                for (int c = 0; c < 3; ++c)
                    EXPECT_LE(std::abs(p[c] - 128), 88); // 4.4 x 20
                EXPECT_EQ(p[3], 9);
                differing += p[0] != p[1] || p[1] != p[2];
                moved += p[0] != 128;
            }
        if (independent)
            EXPECT_GT(differing, 0);
        else
            EXPECT_EQ(differing, 0);
        EXPECT_GT(moved, 64 * 64 / 2);
    }
}

TEST(ColourPointEffects, NoiseDoesNotRepeatFromBandToBand)
{
    // Every band thread starts its generator from the same state; the effect must not let the
    // bands share one noise pattern.
    FCObjImage image = testimg::Flat(50, 80, 24, 128, 128, 128);
    FCEffectNoisify noise(30, true);
    RunEffect(image, noise, 8); // 8 bands of 10 rows
    int identicalPairs = 0;
    for (int a = 0; a < 8; ++a)
        for (int b = a + 1; b < 8; ++b)
        {
            bool same = true;
            for (int r = 0; r < 10 && same; ++r)
                same = std::memcmp(image.RowAddress(a * 10 + r), image.RowAddress(b * 10 + r), 150) == 0;
            identicalPairs += same;
        }
    EXPECT_EQ(identicalPairs, 0);

    // Two runs of the same settings draw new noise.
    FCObjImage first = testimg::Flat(30, 10, 24, 128, 128, 128), second(first);
    FCEffectNoisify a(30, true), b(30, true);
    RunEffect(first, a, 1);
    RunEffect(second, b, 1);
    EXPECT_FALSE(testimg::SamePixels(first, second));
}

TEST(ColourPointEffects, PremultipliedAlphaScalesColoursByAlphaAndKeepsIt)
{
    struct Case
    {
        std::array<BYTE, 4> in, out;
    };
    const Case cases[] = {
        {{200, 100, 50, 128}, {100, 50, 25, 128}}, // truncated: 200 x 128 / 255 = 100.39
        {{255, 255, 255, 127}, {127, 127, 127, 127}},
        {{9, 8, 7, 255}, {9, 8, 7, 255}},
        {{250, 1, 254, 0}, {0, 0, 0, 0}},
        {{1, 2, 3, 1}, {0, 0, 0, 1}},
    };
    for (const Case& c : cases)
    {
        FCObjImage image = testimg::Flat(1, 1, 32, c.in[0], c.in[1], c.in[2], c.in[3]);
        FCEffectPremultipleAlpha effect;
        FCObjImage::ApplyEffect(image, effect, nullptr);
        const BYTE* p = image.PixelAddress(0, 0);
        EXPECT_EQ((std::array<BYTE, 4>{p[0], p[1], p[2], p[3]}), c.out) << int(c.in[3]);
    }

    // The row form gives the effect's bytes; 24-bit and empty images are not taken.
    const FCObjImage source = testimg::Varied(19, 7, 32);
    FCObjImage byEffect(source), byRow(source);
    FCEffectPremultipleAlpha effect;
    RunEffect(byEffect, effect, 4);
    for (int y = 0; y < byRow.Height(); ++y)
        PremultiplyAlphaRow(byRow.RowAddress(y), byRow.Width());
    EXPECT_TRUE(testimg::SamePixels(byEffect, byRow));
    EXPECT_FALSE(testimg::SamePixels(byEffect, source));
    EXPECT_FALSE(effect.AcceptsImage(testimg::Flat(1, 1, 24, 1, 2, 3)));
    EXPECT_FALSE(effect.AcceptsImage(FCObjImage()));
}
