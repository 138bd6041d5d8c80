// Lookup-table effects: the tables of every subclass, and the base's row and pixel application.
#include "TestImages.h"

#include "imagelib/FCBandRunner.h"
#include "imagelib/PixelHelpers.h"
#include "imagelib/effects/ColorEffects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace
{
// 256 x 2 pixels where every channel runs through all 256 values in a different order, alpha
// varied: row 0 has B = i, G = 255 - i, R = 7i mod 256; row 1 the channels rotated.
FCObjImage AllValues(int bpp)
{
    FCObjImage image;
    image.Create(256, 2, bpp);
    for (int x = 0; x < 256; ++x)
    {
        const BYTE v[3] = {BYTE(x), BYTE(255 - x), BYTE((7 * x) & 0xFF)};
        for (int y = 0; y < 2; ++y)
        {
            BYTE* p = image.PixelAddress(x, y);
            for (int c = 0; c < 3; ++c)
                p[c] = v[(c + y) % 3];
            if (bpp == 32) p[3] = BYTE(x * 13 + y);
        }
    }
    return image;
}

// What a lookup-table effect must produce: every colour byte through the low byte of its entry,
// alpha untouched; written plainly, as the reference for the production row loop.
FCObjImage ReferenceLUT(const FCObjImage& source, const FCEffectLUT& effect)
{
    FCObjImage out(source);
    const int step = out.ColorBits() / 8;
    for (int y = 0; y < out.Height(); ++y)
        for (int x = 0; x < out.Width(); ++x)
        {
            BYTE* p = out.RowAddress(y) + x * step;
            for (int c = 0; c < 3; ++c)
                p[c] = BYTE(effect.Entry(p[c]) & 0xFF);
        }
    return out;
}

struct Lut
{
    std::string name;
    std::function<std::unique_ptr<FCEffectLUT>()> make;
};

std::vector<Lut> AllLuts()
{
    return {
        {"brightness/contrast 20 -30", [] { return std::make_unique<FCEffectBrightnessContrast>(20, -30); }},
        {"brightness/contrast 100 100",
         [] { return std::make_unique<FCEffectBrightnessContrast>(100, 100); }},
        {"gamma 1.6", [] { return std::make_unique<FCEffectGammaValue>(1.6); }},
        {"invert", [] { return std::make_unique<FCEffectInvert>(); }},
        {"solarize 100", [] { return std::make_unique<FCEffectSolarize>(100); }},
        {"posterize 5", [] { return std::make_unique<FCEffectPosterize>(5); }},
        {"levels 16", [] { return std::make_unique<FCEffectNbNiveaux>(16); }},
        {"threshold 90", [] { return std::make_unique<FCEffectSeuil>(90); }},
        // Tables with a shape of their own, worked out without lookups: kept, negated, all one
        // value, a step at either end.
        {"brightness/contrast 0 0 (every value kept)",
         [] { return std::make_unique<FCEffectBrightnessContrast>(0, 0); }},
        {"solarize 0 (the negative)", [] { return std::make_unique<FCEffectSolarize>(0); }},
        {"threshold -1 (all white)", [] { return std::make_unique<FCEffectSeuil>(-1); }},
        {"threshold 0", [] { return std::make_unique<FCEffectSeuil>(0); }},
        {"threshold 254", [] { return std::make_unique<FCEffectSeuil>(254); }},
        {"threshold 255 (all black)", [] { return std::make_unique<FCEffectSeuil>(255); }},
        {"levels 2", [] { return std::make_unique<FCEffectNbNiveaux>(2); }},
    };
}

std::vector<int> Entries(FCEffectLUT& effect)
{
    FCObjImage dummy = testimg::Flat(1, 1, 24, 0, 0, 0);
    effect.PrepareImage(dummy);
    std::vector<int> out(256);
    for (int i = 0; i < 256; ++i)
        out[std::size_t(i)] = effect.Entry(i);
    return out;
}

int EntryOf(FCEffectLUT&& effect, int i)
{
    return Entries(effect)[std::size_t(i)];
}
} // namespace

TEST(ColourPixelHelpers, ClampToByteAndCopyPixelBytes)
{
    const std::pair<int, int> clamps[] = {{0, 0},
                                          {1, 1},
                                          {254, 254},
                                          {255, 255},
                                          {-5, 0},
                                          {300, 255},
                                          {-100000, 0},
                                          {std::numeric_limits<int>::min(), 0},
                                          {std::numeric_limits<int>::max(), 255}};
    for (auto [in, out] : clamps)
        EXPECT_EQ(ClampToByte(in), out) << in;

    const std::pair<int, int> copies[] = {{32, 4}, {24, 3}, {16, 2}, {8, 1}, {0, 0}, {15, 0}, {64, 0}};
    for (auto [bpp, bytes] : copies)
    {
        const BYTE src[6] = {1, 2, 3, 4, 5, 6};
        BYTE dst[6] = {9, 9, 9, 9, 9, 9};
        CopyPixelBytes(dst, src, bpp);
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(dst[i], i < bytes ? src[i] : 9) << bpp << " bits, byte " << i;
    }
}

TEST(ColourLookupTable, RowsAndSinglePixelsGoThroughTheTableAndKeepAlpha)
{
    for (const Lut& lut : AllLuts())
        for (int bpp : {24, 32})
        {
            const FCObjImage source = AllValues(bpp);
            auto byRow = lut.make();
            FCObjImage rows(source);
            RunEffect(rows, *byRow, 1);
            EXPECT_TRUE(testimg::SamePixels(rows, ReferenceLUT(source, *byRow))) << lut.name << " " << bpp;

            // Composite effects prepare a sub-effect, then apply it pixel by pixel.
            auto byPixel = lut.make();
            FCObjImage pixels(source);
            byPixel->PrepareImage(pixels);
            for (int y = 0; y < pixels.Height(); ++y)
                for (int x = 0; x < pixels.Width(); ++x)
                    byPixel->ApplyToPixel(pixels, x, y, pixels.PixelAddress(x, y));
            EXPECT_TRUE(testimg::SamePixels(rows, pixels)) << lut.name << " " << bpp;
        }
}

TEST(ColourLookupTable, BrightnessContrast)
{
    auto entries = [](int b, int c)
    {
        FCEffectBrightnessContrast e(b, c);
        return Entries(e);
    };
    const std::vector<int> identity = entries(0, 0);
    const std::vector<int> flat = entries(0, -100);
    const std::vector<int> steep = entries(100, 100);
    for (int i = 0; i < 256; ++i)
    {
        EXPECT_EQ(identity[std::size_t(i)], i);
        EXPECT_EQ(flat[std::size_t(i)], 128);
        EXPECT_EQ(steep[std::size_t(i)], ClampToByte(int(std::trunc(2 * i - 27.5)))) << i;
    }
    EXPECT_EQ(steep[14], 0);
    EXPECT_EQ(steep[15], 2);
    EXPECT_EQ(steep[141], 254);
    EXPECT_EQ(steep[142], 255);
    EXPECT_EQ(entries(50, 0)[0], 50);
    EXPECT_EQ(entries(0, 50)[44], 2);
    EXPECT_EQ(entries(0, 50)[212], 254);
    // Parameters are clamped to -100..100.
    EXPECT_EQ(entries(1000, 1000), steep);
    EXPECT_EQ(entries(-1000, -1000), entries(-100, -100));
}

TEST(ColourLookupTable, Gamma)
{
    struct Case
    {
        double gamma;
        int expected[7];
    };
    const int at[7] = {0, 1, 2, 64, 128, 254, 255};
    const Case cases[] = {
        {2.0, {0, 16, 23, 128, 181, 254, 255}},
        {0.5, {0, 0, 0, 16, 64, 253, 255}},
        {3.0, {0, 40, 51, 161, 203, 255, 255}},
        {1.0, {0, 1, 2, 64, 128, 254, 255}},
        // Not a usable gamma: taken as 1 rather than filling the table with NaN.
        {0.0, {0, 1, 2, 64, 128, 254, 255}},
        {-2.0, {0, 1, 2, 64, 128, 254, 255}},
        {std::nan(""), {0, 1, 2, 64, 128, 254, 255}},
        // So small that the two powers overflow and underflow: the limit, a step at 255.
        {1e-300, {0, 0, 0, 0, 0, 0, 255}},
    };
    for (const Case& c : cases)
    {
        FCEffectGammaValue e(c.gamma);
        const std::vector<int> t = Entries(e);
        for (int k = 0; k < 7; ++k)
            EXPECT_EQ(t[std::size_t(at[k])], c.expected[k]) << "gamma " << c.gamma << " at " << at[k];
    }
}

TEST(ColourLookupTable, InvertSolarizePosterizeLevelsAndThreshold)
{
    struct Case
    {
        const char* name;
        std::function<int(int)> entry;
        std::vector<std::pair<int, int>> values; // input, entry
    };
    const Case cases[] = {
        {"invert",
         [](int i) { return EntryOf(FCEffectInvert(), i); },
         {{0, 255}, {1, 254}, {128, 127}, {255, 0}}},
        {"solarize 128",
         [](int i) { return EntryOf(FCEffectSolarize(128), i); },
         {{0, 0}, {127, 127}, {128, 127}, {200, 55}, {255, 0}}},
        // Clamped to 0..255: 300 inverts only 255, -5 everything.
        {"solarize 300", [](int i) { return EntryOf(FCEffectSolarize(300), i); }, {{254, 254}, {255, 0}}},
        {"solarize -5", [](int i) { return EntryOf(FCEffectSolarize(-5), i); }, {{0, 255}, {255, 0}}},
        {"posterize 2",
         [](int i) { return EntryOf(FCEffectPosterize(2), i); },
         {{0, 0}, {127, 0}, {128, 255}, {255, 255}}},
        {"posterize 3",
         [](int i) { return EntryOf(FCEffectPosterize(3), i); },
         {{0, 0}, {63, 0}, {64, 128}, {191, 128}, {192, 255}, {255, 255}}},
        // Fewer than 2 levels count as 2; a huge count keeps every value.
        {"posterize 0", [](int i) { return EntryOf(FCEffectPosterize(0), i); }, {{127, 0}, {128, 255}}},
        {"posterize max",
         [](int i) { return EntryOf(FCEffectPosterize(std::numeric_limits<int>::max()), i); },
         {{0, 0}, {1, 1}, {254, 254}, {255, 255}}},
        {"levels 2",
         [](int i) { return EntryOf(FCEffectNbNiveaux(2), i); },
         {{255, 128}, {127, 0}, {128, 128}}},
        {"levels 8",
         [](int i) { return EntryOf(FCEffectNbNiveaux(8), i); },
         {{255, 224}, {31, 0}, {100, 96}}},
        {"levels 128", [](int i) { return EntryOf(FCEffectNbNiveaux(128), i); }, {{255, 254}, {3, 2}}},
        {"levels 1", [](int i) { return EntryOf(FCEffectNbNiveaux(1), i); }, {{255, 0}, {128, 0}}},
        {"threshold 100",
         [](int i) { return EntryOf(FCEffectSeuil(100), i); },
         {{0, 0}, {100, 0}, {101, 255}}},
        // Not clamped: below 0 everything is white, from 255 on everything black.
        {"threshold -1", [](int i) { return EntryOf(FCEffectSeuil(-1), i); }, {{0, 255}}},
        {"threshold 255", [](int i) { return EntryOf(FCEffectSeuil(255), i); }, {{255, 0}}},
    };
    for (const Case& c : cases)
        for (auto [in, out] : c.values)
            EXPECT_EQ(c.entry(in), out) << c.name << " at " << in;
}
