// Colour models (HLS, HSV, packing) and the adjustments built on them: hue and saturation, colour
// balance, toning.
#include "TestImages.h"

#include "imagelib/FCBandRunner.h"
#include "imagelib/effects/ColorModel.h"
#include "imagelib/effects/VectorDispatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

namespace
{
std::array<int, 3> Rgb(RGBQUAD c)
{
    return {c.rgbRed, c.rgbGreen, c.rgbBlue};
}

// Runs a per-pixel effect over one pixel given as R, G, B; returns R, G, B.
std::array<int, 3> Apply(FCImageEffect& effect, int r, int g, int b)
{
    FCObjImage image = testimg::Flat(1, 1, 24, BYTE(b), BYTE(g), BYTE(r));
    FCObjImage::ApplyEffect(image, effect, nullptr);
    const BYTE* p = image.PixelAddress(0, 0);
    return {p[2], p[1], p[0]};
}

int LightnessSum(const std::array<int, 3>& rgb)
{
    return *std::max_element(rgb.begin(), rgb.end()) + *std::min_element(rgb.begin(), rgb.end());
}
} // namespace

TEST(ColourModel, HlsAndHsvRoundTripsAreExact)
{
    // Every colour takes a few seconds under the sanitizers; a grid with odd steps through the
    // whole cube, plus its faces, finds the same faults.
    std::vector<int> levels;
    for (int v = 0; v < 256; v += 5)
        levels.push_back(v);
    for (int v : {1, 2, 127, 128, 254, 255})
        levels.push_back(v);
    for (int r : levels)
        for (int g : levels)
            for (int b : levels)
            {
                const BYTE bgr[3] = {BYTE(b), BYTE(g), BYTE(r)};
                double h, l, s;
                RGBtoHLS(bgr, h, l, s);
                ASSERT_TRUE(h >= 0 && h < 1 && l >= 0 && l <= 1 && s >= 0 && s <= 1)
                    << r << " " << g << " " << b;
                const RGBQUAD back = HLStoRGB(h, l, s);
                ASSERT_EQ(Rgb(back), (std::array<int, 3>{r, g, b})) << "HLS " << r << " " << g << " " << b;
                EXPECT_EQ(back.rgbReserved, 255);

                double hh, ss, vv;
                RGBtoHSV(bgr, hh, ss, vv);
                ASSERT_TRUE(hh >= 0 && hh <= 1 && ss >= 0 && ss <= 1 && vv >= 0 && vv <= 1);
                ASSERT_EQ(Rgb(HSVtoRGB(hh, ss, vv)), (std::array<int, 3>{r, g, b}))
                    << "HSV " << r << " " << g << " " << b;
            }
}

TEST(ColourModel, KnownColours)
{
    const struct
    {
        int r, g, b;
        double hue, lightness, saturation;
    } hls[] = {
        {255, 255, 255, 0, 1, 0},
        {0, 0, 0, 0, 0, 0},
        {255, 0, 0, 0, 0.5, 1},
        {0, 255, 0, 1 / 3.0, 0.5, 1},
        {0, 0, 255, 2 / 3.0, 0.5, 1},
        {255, 0, 255, 5 / 6.0, 0.5, 1},
        {128, 128, 128, 0, 256 / 510.0, 0},
        {255, 128, 128, 0, 383 / 510.0, 127 / 255.0 / (2 - 1 - 128 / 255.0)},
    };
    for (const auto& c : hls)
    {
        const BYTE bgr[3] = {BYTE(c.b), BYTE(c.g), BYTE(c.r)};
        double h, l, s;
        RGBtoHLS(bgr, h, l, s);
        EXPECT_NEAR(h, c.hue, 1e-12) << c.r << " " << c.g << " " << c.b;
        EXPECT_NEAR(l, c.lightness, 1e-12) << c.r << " " << c.g << " " << c.b;
        EXPECT_NEAR(s, c.saturation, 1e-12) << c.r << " " << c.g << " " << c.b;
    }
    // Red wins a tie with green, green a tie with blue: yellow is hue 1/6 from red's side.
    const BYTE yellow[3] = {0, 255, 255};
    double h, s, v;
    RGBtoHSV(yellow, h, s, v);
    EXPECT_NEAR(h, 1 / 6.0, 1e-12);
    EXPECT_EQ(s, 1.0);
    EXPECT_EQ(v, 1.0);
    const BYTE dark[3] = {0, 0, 100};
    RGBtoHSV(dark, h, s, v);
    EXPECT_EQ(h, 0.0);
    EXPECT_EQ(s, 1.0);
    EXPECT_NEAR(v, 100 / 255.0, 1e-15);
}

TEST(ColourModel, HsvEdgesAndPacking)
{
    EXPECT_EQ(Rgb(HSVtoRGB(1.0, 0.7, 0.9)), Rgb(HSVtoRGB(0.0, 0.7, 0.9)));
    EXPECT_EQ(Rgb(HSVtoRGB(1.5, 1, 1)), (std::array<int, 3>{255, 0, 0})); // 1 or more counts as 0
    EXPECT_EQ(Rgb(HSVtoRGB(0.4, 0.0, 0.5)), (std::array<int, 3>{128, 128, 128}));
    EXPECT_EQ(Rgb(HSVtoRGB(-0.5, 1, 1)), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(Rgb(HSVtoRGB(std::nan(""), 1, 1)), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(HSVtoRGB(-0.5, 1, 1).rgbReserved, 255);
    EXPECT_EQ(Rgb(HLStoRGB(0.3, 0.25, 0.0)), (std::array<int, 3>{64, 64, 64}));
    // Hue 1.0 in HLS is hue 0.0 as well.
    EXPECT_EQ(Rgb(HLStoRGB(1.0, 0.4, 0.6)), Rgb(HLStoRGB(0.0, 0.4, 0.6)));

    const struct
    {
        double in;
        int out;
    } packs[] = {{0, 0},
                 {1, 255},
                 {0.5, 128},
                 {-3, 0},
                 {7, 255},
                 {1.5 / 255, 2},
                 {1.49 / 255, 1},
                 {std::nan(""), 0},
                 {std::numeric_limits<double>::infinity(), 255},
                 {-std::numeric_limits<double>::infinity(), 0}};
    for (const auto& p : packs)
    {
        const RGBQUAD c = PackRgbFromDoubles(p.in, 0.25, 1.0);
        EXPECT_EQ(c.rgbRed, p.out) << p.in;
        EXPECT_EQ(c.rgbGreen, 64);
        EXPECT_EQ(c.rgbBlue, 255);
        EXPECT_EQ(c.rgbReserved, 255);
    }
    // HLSValue brings the hue once into 0..6.
    EXPECT_DOUBLE_EQ(HLSValue(0.2, 0.8, 6.5), HLSValue(0.2, 0.8, 0.5));
    EXPECT_DOUBLE_EQ(HLSValue(0.2, 0.8, -1.5), HLSValue(0.2, 0.8, 4.5));
    EXPECT_DOUBLE_EQ(HLSValue(0.2, 0.8, 3.5), 0.5);
}

TEST(ColourBalance, TablesOfEachToneRange)
{
    struct Case
    {
        const char* name;
        FCEffectColorBalance effect;
        const BYTE* (FCEffectColorBalance::*table)() const;
        std::vector<std::pair<int, int>> values;
    };
    const Case cases[] = {
        {"midtones +100 red",
         FCEffectColorBalance(false, 1, 100, 0, 0),
         &FCEffectColorBalance::RedTable,
         {{0, 0}, {64, 114}, {127, 193}, {200, 244}, {255, 254}}},
        {"shadows +30 red",
         FCEffectColorBalance(false, 0, 30, 0, 0),
         &FCEffectColorBalance::RedTable,
         {{0, 2}, {10, 23}, {50, 74}, {128, 156}, {200, 230}, {255, 255}}},
        {"shadows -30 blue",
         FCEffectColorBalance(false, 0, 0, 0, -30),
         &FCEffectColorBalance::BlueTable,
         {{0, 0}, {10, 0}, {50, 20}, {128, 100}, {200, 175}, {255, 253}}},
        // Untouched channels and tone ranges stay the identity.
        {"shadows -30 blue, red",
         FCEffectColorBalance(false, 0, 0, 0, -30),
         &FCEffectColorBalance::RedTable,
         {{0, 0}, {77, 77}, {255, 255}}},
        {"no tone range 5",
         FCEffectColorBalance(false, 5, 100, 100, 100),
         &FCEffectColorBalance::GreenTable,
         {{0, 0}, {77, 77}, {255, 255}}},
        // The values are not clamped, and huge ones saturate instead of overflowing.
        {"highlights huge green",
         FCEffectColorBalance(false, 2, 0, std::numeric_limits<int>::max(), 0),
         &FCEffectColorBalance::GreenTable,
         {{0, 255}, {255, 255}}},
        {"highlights -huge green",
         FCEffectColorBalance(false, 2, 0, std::numeric_limits<int>::min(), 0),
         &FCEffectColorBalance::GreenTable,
         {{0, 0}, {255, 0}}},
    };
    for (const Case& c : cases)
    {
        const BYTE* t = (c.effect.*c.table)();
        for (auto [in, out] : c.values)
            EXPECT_EQ(t[in], out) << c.name << " at " << in;
    }
}

TEST(ColourBalance, ZeroIsTheIdentityAndPreservedLightnessIsKept)
{
    const FCObjImage source = testimg::Varied(40, 30, 32, 99);
    for (bool preserve : {false, true})
        for (int range : {0, 1, 2})
        {
            FCEffectColorBalance e(preserve, range, 0, 0, 0);
            FCObjImage image(source);
            RunEffect(image, e, 1);
            EXPECT_TRUE(testimg::SamePixels(image, source)) << preserve << " " << range;
        }

    // The old-photo toning: shadows warmed, each pixel's HLS lightness kept (to the rounding of
    // the HLS round trip, one step of max + min).
    FCEffectColorBalance warm(true, 0, 30, 0, -30);
    FCEffectColorBalance plain(false, 0, 30, 0, -30);
    int changed = 0;
    for (int r = 0; r < 256; r += 15)
        for (int g = 0; g < 256; g += 17)
            for (int b = 0; b < 256; b += 15)
            {
                const auto out = Apply(warm, r, g, b);
                EXPECT_LE(std::abs(LightnessSum(out) - LightnessSum({r, g, b})), 1)
                    << r << " " << g << " " << b;
                const auto unpreserved = Apply(plain, r, g, b);
                changed += LightnessSum(unpreserved) != LightnessSum({r, g, b});
            }
    EXPECT_GT(changed, 0); // the tables alone do move the lightness
    // A dark grey turns warm: red above blue.
    const auto dark = Apply(warm, 40, 40, 40);
    EXPECT_GT(dark[0], dark[2]);
}

TEST(ColourHueSaturation, NeutralSettingsKeepColoursWithinTheHlsRounding)
{
    FCEffectHueSaturation neutral(0, 0);
    int worst = 0;
    for (int r = 0; r < 256; r += 9)
        for (int g = 0; g < 256; g += 3)
            for (int b = 0; b < 256; b += 9)
            {
                const auto out = Apply(neutral, r, g, b);
                worst = std::max({worst, std::abs(out[0] - r), std::abs(out[1] - g), std::abs(out[2] - b)});
            }
    EXPECT_LE(worst, 3); // hue and saturation are quantised to 1/255
    // Greys and the primaries (hues 0, 85 and 170 in 255ths) come back exactly; yellow (42.5)
    // does not.
    for (auto c : {std::array<int, 3>{0, 0, 0},
                   {255, 255, 255},
                   {77, 77, 77},
                   {255, 0, 0},
                   {0, 255, 0},
                   {0, 0, 255},
                   {0, 0, 128}})
        EXPECT_EQ(Apply(neutral, c[0], c[1], c[2]), c);
    EXPECT_EQ(Apply(neutral, 255, 255, 0), (std::array<int, 3>{252, 255, 0}));
}

TEST(ColourHueSaturation, SaturationAndHueShifts)
{
    // Saturation -100: grey at the pixel's own HLS lightness.
    FCEffectHueSaturation grey(0, -100);
    for (auto c : {std::array<int, 3>{255, 0, 0}, {10, 200, 30}, {90, 40, 250}, {255, 254, 0}, {3, 2, 1}})
    {
        const int l = (std::max({c[0], c[1], c[2]}) + std::min({c[0], c[1], c[2]}) + 1) / 2;
        EXPECT_EQ(Apply(grey, c[0], c[1], c[2]), (std::array<int, 3>{l, l, l}))
            << c[0] << " " << c[1] << " " << c[2];
    }
    // Hue +100 turns by 180 degrees, but 127.5 steps of the hue circle truncate to 127: red goes
    // to nearly cyan.
    FCEffectHueSaturation opposite(100, 0);
    EXPECT_EQ(Apply(opposite, 255, 0, 0), (std::array<int, 3>{0, 255, 252}));
    // Parameters are clamped to -100..100.
    FCEffectHueSaturation clamped(500, -500);
    EXPECT_EQ(Apply(clamped, 255, 0, 0), (std::array<int, 3>{128, 128, 128}));
    // Saturation +100 doubles the saturation (capped at 1).
    FCEffectHueSaturation vivid(0, 100);
    EXPECT_EQ(Apply(vivid, 191, 64, 64), (std::array<int, 3>{255, 0, 0}));
    // A hue shift of -100 goes the other way round the circle: blue to yellow-ish.
    FCEffectHueSaturation back(-100, 0);
    const auto y = Apply(back, 0, 0, 255);
    EXPECT_GT(y[0], 200);
    EXPECT_GT(y[1], 200);
    EXPECT_LT(y[2], 10);
}

TEST(ColourTone, TintOfTheLuminance)
{
    // Saturation 0: a grey of the pixel's luminance.
    FCEffectColorToneIntParam none(200, 0);
    EXPECT_EQ(none.Saturation(), 0.0);
    for (auto c : {std::array<int, 3>{255, 0, 0}, {10, 200, 30}, {255, 255, 255}, {0, 0, 0}, {90, 40, 250}})
    {
        const int L = (30 * c[0] + 59 * c[1] + 11 * c[2]) / 100;
        EXPECT_EQ(Apply(none, c[0], c[1], c[2]), (std::array<int, 3>{L, L, L}));
    }

    // The defaults of the dialog: hue 45 degrees gives the tone (255, 191, 0), whose HLS hue and
    // saturation (1) are kept, the saturation scaled by (160/255)^2.
    FCEffectColorToneIntParam sepia(45, 160);
    EXPECT_NEAR(sepia.Hue(), (191 / 255.0) / 6, 1e-12);
    EXPECT_NEAR(sepia.Saturation(), (160 / 255.0) * (160 / 255.0), 1e-12);
    EXPECT_NEAR(sepia.Lightness(100), 200 * (1 / 510.0 + 96 * 1.702069716775599e-6), 1e-15);
    for (auto c : {std::array<int, 3>{255, 0, 0}, {10, 200, 30}, {90, 40, 250}})
    {
        const int L = (30 * c[0] + 59 * c[1] + 11 * c[2]) / 100;
        const auto expected = Rgb(HLStoRGB(sepia.Hue(), sepia.Lightness(L), sepia.Saturation()));
        EXPECT_EQ(Apply(sepia, c[0], c[1], c[2]), expected);
        EXPECT_GT(expected[0], expected[2]); // warm
    }

    // Saturation 128 brightens the most: the table is capped at 1.
    FCEffectColorToneIntParam bright(0, 128);
    EXPECT_EQ(bright.Lightness(255), 1.0);
    EXPECT_EQ(bright.Lightness(240), 1.0); // 480 x (1/510 + 128 x 1.7e-6) is above 1
    EXPECT_LT(bright.Lightness(200), 1.0);
    EXPECT_EQ(bright.Lightness(0), 0.0);

    // Out-of-range parameters are brought to 0..360 and 0..255.
    FCEffectColorToneIntParam wide(720, 1000), edge(360, 255);
    EXPECT_EQ(wide.Hue(), edge.Hue());
    EXPECT_EQ(wide.Saturation(), edge.Saturation());
    FCEffectColorToneIntParam red(0, 255);
    EXPECT_EQ(edge.Hue(), red.Hue()); // 360 degrees is 0
}

// The row loops (vectors, every instruction set) give ApplyToPixel's bytes across the colour cube:
// greys, ties between the largest channels, every hue range and its wrap, at both depths.
TEST(ColourHueSaturation, RowsGiveThePixelByPixelBytesAcrossTheColourCube)
{
    constexpr int kStep = 5; // 0, 5, ... 255: 52 values per channel
    const int side = 256 / kStep + 1;
    for (int bpp : {24, 32})
    {
        FCObjImage source;
        ASSERT_TRUE(source.Create(side * side, side, bpp));
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side * side; ++x)
            {
                BYTE* p = source.PixelAddress(x, y);
                p[0] = BYTE(std::min(255, (x % side) * kStep));
                p[1] = BYTE(std::min(255, (x / side) * kStep));
                p[2] = BYTE(std::min(255, y * kStep));
                if (bpp == 32) p[3] = BYTE(x * 7 + y);
            }
        for (auto [hue, saturation] : {std::pair{30, 40}, {0, 0}, {-100, 100}, {100, -100}, {-7, -60}})
        {
            FCEffectHueSaturation effect(hue, saturation);
            FCObjImage expected(source);
            for (int y = 0; y < side; ++y)
                for (int x = 0; x < side * side; ++x)
                    effect.ApplyToPixel(expected, x, y, expected.PixelAddress(x, y));
            for (int set : {2, 1, 0})
            {
                AllowAvx2(set >= 1);
                AllowAvx512(set >= 2);
                FCObjImage image(source);
                FCEffectHueSaturation rows(hue, saturation);
                RunEffect(image, rows, 3);
                EXPECT_TRUE(testimg::SamePixels(image, expected))
                    << bpp << " bits, hue " << hue << ", saturation " << saturation << ", instruction set "
                    << set;
            }
            AllowAvx2(true);
            AllowAvx512(true);
        }
    }
}
