// Histogram counting, equalisation, automatic contrast and levels, the levels effect and
// automatic colour enhancement.
#include "TestImages.h"

#include "imagelib/FCBandRunner.h"
#include "imagelib/effects/ColorModel.h"
#include "imagelib/effects/HistogramEffects.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace
{
using Bgr = std::array<int, 3>;
using Histogram = std::array<std::int64_t, 256>;

Histogram Bins(std::initializer_list<std::pair<int, std::int64_t>> bins)
{
    Histogram h{};
    for (auto [v, n] : bins)
        h[std::size_t(v)] = n;
    return h;
}

std::array<int, 256> Equalize(const Histogram& h)
{
    std::array<int, 256> t;
    t.fill(-1);
    MakeEqualizeTable(t.data(), h.data());
    return t;
}

// An image of one row per listed pixel (B, G, R), 32 bits with alpha 100 + index.
FCObjImage Pixels(const std::vector<Bgr>& pixels, int width = 1)
{
    FCObjImage image;
    image.Create(width, int(pixels.size() + width - 1) / width, 32);
    for (std::size_t i = 0; i < pixels.size(); ++i)
    {
        BYTE* p = image.PixelAddress(int(i) % width, int(i) / width);
        for (int c = 0; c < 3; ++c)
            p[c] = BYTE(pixels[i][std::size_t(c)]);
        p[3] = BYTE(100 + i);
    }
    return image;
}

Bgr At(const FCObjImage& image, int x, int y)
{
    const BYTE* p = image.PixelAddress(x, y);
    return {p[0], p[1], p[2]};
}

std::array<std::int64_t, 768> DirectCount(const FCObjImage& image)
{
    std::array<std::int64_t, 768> bins{}; // red, green, blue
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
        {
            const BYTE* p = image.PixelAddress(x, y);
            ++bins[p[2]];
            ++bins[256 + p[1]];
            ++bins[512 + p[0]];
        }
    return bins;
}

std::array<std::int64_t, 768> BinsOf(const FCEffectGetHistogram& h)
{
    std::array<std::int64_t, 768> bins{};
    for (int i = 0; i < 256; ++i)
    {
        bins[std::size_t(i)] = h.Red()[std::size_t(i)];
        bins[std::size_t(256 + i)] = h.Green()[std::size_t(i)];
        bins[std::size_t(512 + i)] = h.Blue()[std::size_t(i)];
    }
    return bins;
}

class Recorder : public FCProgressObserver
{
public:
    std::vector<int> calls;
    int refuseAt = -1;
    bool OnProgress(int percent) override
    {
        calls.push_back(percent);
        return percent != refuseAt;
    }
};
} // namespace

TEST(HistogramCount, DriverBandsAndDirectCountAgree)
{
    for (int bpp : {24, 32})
    {
        FCObjImage image = testimg::Varied(37, 61, bpp, 5);
        const FCObjImage before(image);
        const auto expected = DirectCount(image);

        FCEffectGetHistogram single, banded, direct;
        FCObjImage::ApplyEffect(image, single, nullptr);
        RunEffect(image, banded, 8);
        direct.Count(image);
        EXPECT_EQ(BinsOf(single), expected) << bpp;
        EXPECT_EQ(BinsOf(banded), expected) << bpp;
        EXPECT_EQ(BinsOf(direct), expected) << bpp;
        EXPECT_TRUE(testimg::SamePixels(image, before));
    }
    // An 8-bit image is refused: nothing counted.
    FCObjImage grey;
    grey.Create(4, 4, 8);
    FCEffectGetHistogram h;
    h.Count(grey);
    FCObjImage::ApplyEffect(grey, h, nullptr);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(h.Red()[std::size_t(i)] + h.Green()[std::size_t(i)] + h.Blue()[std::size_t(i)], 0);
}

TEST(HistogramEqualize, TablesFromHistograms)
{
    // No bins: 255 everywhere.
    for (int v : Equalize(Histogram{}))
        EXPECT_EQ(v, 255);

    // One value stays where it is.
    const auto one = Equalize(Bins({{77, 1000}}));
    EXPECT_EQ(one[76], 0);
    EXPECT_EQ(one[77], 77);
    EXPECT_EQ(one[78], 255);
    EXPECT_EQ(one[0], 0);

    // Two values go to 0 and 255; the values between (no pixel has them) to 0.
    const auto two = Equalize(Bins({{10, 3}, {200, 9}}));
    EXPECT_EQ(two[10], 0);
    EXPECT_EQ(two[200], 255);
    EXPECT_EQ(two[100], 0);
    EXPECT_EQ(two[0], 0);
    EXPECT_EQ(two[255], 255);

    // More: the cumulative count strictly between first and last spread over 0..254.
    const auto more = Equalize(Bins({{10, 5}, {20, 1}, {30, 2}, {40, 1}, {50, 3}}));
    const std::pair<int, int> expected[] = {{0, 0},    {10, 0},   {11, 0},   {20, 63},  {25, 63},
                                            {30, 190}, {40, 254}, {49, 254}, {50, 255}, {255, 255}};
    for (auto [v, out] : expected)
        EXPECT_EQ(more[std::size_t(v)], out) << v;

    // Counts too large for cumulative x 254 in 32 bits.
    const std::int64_t big = std::int64_t(1) << 40;
    const auto huge = Equalize(Bins({{0, 1}, {1, big}, {2, big}, {3, 1}}));
    EXPECT_EQ(huge[1], 127);
    EXPECT_EQ(huge[2], 254);
    EXPECT_EQ(huge[3], 255);
}

TEST(HistogramEqualize, ImagesPerChannelAndByLuminance)
{
    // A flat image is kept by both: by luminance too, though its channels differ from the one
    // luminance level.
    for (int which : {0, 1})
    {
        FCObjImage image = testimg::Flat(6, 5, 32, 30, 140, 220, 17);
        const FCObjImage before(image);
        std::unique_ptr<FCImageEffect> e;
        if (which == 0)
            e = std::make_unique<FCEffectEgaliserHistogrammeRGB>();
        else
            e = std::make_unique<FCEffectEgaliserHistogrammeLuminosite>();
        RunEffect(image, *e, 3);
        EXPECT_TRUE(testimg::SamePixels(image, before)) << which;
    }

    {
        // Two colours of one luminance, (77 R + 150 G + 29 B) >> 8 = 30.
        FCObjImage image = Pixels({{30, 30, 30}, {0, 0, 100}});
        const FCObjImage before(image);
        FCEffectEgaliserHistogrammeLuminosite e;
        RunEffect(image, e, 1);
        EXPECT_TRUE(testimg::SamePixels(image, before));
    }

    // Per channel: green has only 10 and 200, which go to 0 and 255; blue and red are flat.
    {
        FCObjImage image = Pixels({{5, 10, 250}, {5, 200, 250}, {5, 10, 250}});
        FCEffectEgaliserHistogrammeRGB e;
        RunEffect(image, e, 1);
        EXPECT_EQ(At(image, 0, 0), (Bgr{5, 0, 250}));
        EXPECT_EQ(At(image, 0, 1), (Bgr{5, 255, 250}));
        EXPECT_EQ(image.PixelAddress(0, 1)[3], 101);
    }

    // By luminance: one table for the three channels, so greys stay grey; the table is the
    // equalisation of the (77 R + 150 G + 29 B) >> 8 histogram.
    {
        std::vector<Bgr> pixels;
        Histogram lum{};
        for (int i = 0; i < 40; ++i)
        {
            const Bgr p = {(i * 37) % 256, (i * 11) % 256, (i * 5) % 256};
            pixels.push_back(p);
            ++lum[std::size_t((77 * p[2] + 150 * p[1] + 29 * p[0]) >> 8)];
        }
        for (int i = 0; i < 20; ++i)
        {
            pixels.push_back({i * 12, i * 12, i * 12});
            ++lum[std::size_t(((77 + 150 + 29) * i * 12) >> 8)];
        }
        const auto table = Equalize(lum);
        FCObjImage image = Pixels(pixels, 6);
        const FCObjImage source(image);
        FCEffectEgaliserHistogrammeLuminosite e;
        RunEffect(image, e, 1);
        for (std::size_t i = 0; i < pixels.size(); ++i)
        {
            const int x = int(i) % 6, y = int(i) / 6;
            const Bgr in = pixels[i];
            EXPECT_EQ(At(image, x, y),
                      (Bgr{table[std::size_t(in[0])], table[std::size_t(in[1])], table[std::size_t(in[2])]}))
                << i;
        }
        // Prepared a second time on the same picture, the object gives the same result: the
        // counts start again from zero.
        FCObjImage again(source);
        RunEffect(again, e, 1);
        EXPECT_TRUE(testimg::SamePixels(again, image));
    }
}

TEST(HistogramAutoContrast, StretchesEachChannelFromItsOwnRange)
{
    FCObjImage image = Pixels({{50, 7, 0}, {100, 7, 128}, {150, 7, 255}});
    FCEffectAutoContrast e;
    RunEffect(image, e, 1);
    EXPECT_EQ(At(image, 0, 0), (Bgr{0, 7, 0}));
    EXPECT_EQ(At(image, 0, 1), (Bgr{127, 7, 128})); // 50 x 255 / 100, truncated
    EXPECT_EQ(At(image, 0, 2), (Bgr{255, 7, 255}));

    FCObjImage flat = testimg::Flat(4, 4, 24, 9, 99, 199);
    const FCObjImage before(flat);
    FCEffectAutoContrast f;
    RunEffect(flat, f, 2);
    EXPECT_TRUE(testimg::SamePixels(flat, before));
}

TEST(HistogramLevels, MapLevel)
{
    struct Case
    {
        int inLow, inHigh, outLow, outHigh;
        double gamma;
        std::vector<std::pair<int, int>> values; // value, result (through the effect's own range)
    };
    const Case cases[] = {
        {0, 255, 0, 255, 1.0, {{0, 0}, {1, 1}, {128, 128}, {254, 254}, {255, 255}}},
        {0, 255, 255, 0, 1.0, {{0, 255}, {1, 254}, {200, 55}, {255, 0}}},
        // A step at inLow = inHigh: the level itself gives outLow, anything above outHigh.
        {100, 100, 20, 230, 1.0, {{0, 20}, {99, 20}, {100, 20}, {101, 230}, {255, 230}}},
        // t = 50 / 200 = 0.25 and gamma 2 give 0.5: 127.5, rounded up.
        {0, 200, 0, 255, 2.0, {{50, 128}, {200, 255}, {230, 255}, {0, 0}}},
        // A gamma of 0, below 0 or NaN leaves t as it is.
        {0, 200, 0, 255, 0.0, {{50, 64}}},
        {0, 200, 0, 255, -3.0, {{50, 64}}},
        {0, 200, 0, 255, std::nan(""), {{50, 64}}},
        // Levels are clamped to 0..255.
        {-50, 900, -9, 300, 1.0, {{0, 0}, {77, 77}, {255, 255}}},
        {50, 150, 0, 255, 1.0, {{49, 0}, {100, 128}, {151, 255}}},
    };
    for (const Case& c : cases)
    {
        FCEffectColorLevel e(c.inLow, c.inHigh, c.outLow, c.outHigh, c.gamma, 7);
        for (auto [v, out] : c.values)
        {
            EXPECT_EQ(e.MapLevel(v, e.InLow(0), e.InHigh(0)), out)
                << c.inLow << " " << c.inHigh << " " << c.outLow << " " << c.outHigh << " " << c.gamma
                << " at " << v;
            FCObjImage image = testimg::Flat(1, 1, 24, BYTE(v), BYTE(v), BYTE(v));
            RunEffect(image, e, 1);
            EXPECT_EQ(At(image, 0, 0), (Bgr{out, out, out}));
        }
    }
}

TEST(HistogramLevels, ChannelMaskPicksTheChannels)
{
    const std::pair<int, Bgr> masks[] = {{4, {155, 100, 100}},
                                         {2, {100, 155, 100}},
                                         {1, {100, 100, 155}},
                                         {7, {155, 155, 155}},
                                         {0, {100, 100, 100}}};
    for (auto [mask, expected] : masks)
    {
        FCEffectColorLevel negative(0, 255, 255, 0, 1.0, mask);
        FCObjImage image = testimg::Flat(2, 2, 32, 100, 100, 100, 33);
        RunEffect(image, negative, 1);
        EXPECT_EQ(At(image, 1, 1), expected) << mask;
        EXPECT_EQ(image.PixelAddress(1, 1)[3], 33);
    }
}

TEST(HistogramAutoLevels, ClipLevelsFromHistograms)
{
    struct Case
    {
        const char* name;
        Histogram histogram;
        int low, high;
    };
    Histogram ramp;
    ramp.fill(10);
    const Case cases[] = {
        {"even ramp", ramp, 2, 253},
        // Zero bins tie at |0 - 0.006| and the search goes on past them (strict comparison).
        {"two values", Bins({{10, 500}, {200, 500}}), 10, 200},
        {"empty", Histogram{}, 0, 0},
        // Found as such: the levels meet (flat) or cross (nearly two-valued).
        {"flat", Bins({{90, 64}}), 90, 90},
        {"nearly black", Bins({{0, 995}, {255, 5}}), 255, 0},
        {"tail clipped", Bins({{0, 3}, {40, 500}, {41, 500}, {250, 3}}), 40, 41},
    };
    for (const Case& c : cases)
    {
        int low[3] = {-1, -1, -1}, high[3] = {-1, -1, -1};
        FCEffectAutoColorLevel::FindClipLevels(low, high, c.histogram.data(), 1);
        EXPECT_EQ(low[1], c.low) << c.name;
        EXPECT_EQ(high[1], c.high) << c.name;
        EXPECT_EQ(low[0], -1);
        EXPECT_EQ(high[2], -1);
    }
}

TEST(HistogramAutoLevels, StretchesEachChannelAndKeepsDegenerateOnes)
{
    // Blue alone spans a narrow range: it is stretched, and channel 0 of the levels is blue.
    std::vector<Bgr> pixels;
    for (int i = 0; i < 256; ++i)
        pixels.push_back({100 + i % 41, i, 255 - i});
    FCObjImage image = Pixels(pixels, 16);
    FCEffectAutoColorLevel e;
    RunEffect(image, e, 1);
    EXPECT_GT(e.InLow(0), 95);
    EXPECT_LT(e.InHigh(0), 145);
    EXPECT_LT(e.InLow(2), 5);
    EXPECT_GT(e.InHigh(2), 250);
    int blueMin = 255, blueMax = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
        {
            blueMin = std::min(blueMin, At(image, x, y)[0]);
            blueMax = std::max(blueMax, At(image, x, y)[0]);
        }
    EXPECT_EQ(blueMin, 0);
    EXPECT_EQ(blueMax, 255);

    // A flat image, and one of 99.5 % black with a few white pixels, come out unchanged (the
    // literal clip levels would have made the first black and inverted the second).
    FCObjImage flat = testimg::Flat(10, 10, 24, 200, 128, 64);
    const FCObjImage flatBefore(flat);
    FCEffectAutoColorLevel a;
    RunEffect(flat, a, 2);
    EXPECT_TRUE(testimg::SamePixels(flat, flatBefore));

    std::vector<Bgr> dark(1000, Bgr{0, 0, 0});
    for (int i = 0; i < 5; ++i)
        dark[std::size_t(i * 200)] = {255, 255, 255};
    FCObjImage nearlyBlack = Pixels(dark, 25);
    const FCObjImage darkBefore(nearlyBlack);
    FCEffectAutoColorLevel b;
    RunEffect(nearlyBlack, b, 2);
    EXPECT_TRUE(testimg::SamePixels(nearlyBlack, darkBefore));
}

TEST(HistogramAutoEnhance, KeepsGreysAndWidensColours)
{
    std::vector<Bgr> greys;
    for (int i = 0; i < 256; i += 15)
        greys.push_back({i, i, i});
    FCObjImage grey = Pixels(greys, 3);
    const FCObjImage greyBefore(grey);
    FCEffectAutoColorEnhance g;
    RunEffect(grey, g, 1);
    EXPECT_TRUE(testimg::SamePixels(grey, greyBefore));

    // Spans 40 and 10 stretch to 1 and 0. The first pixel (R 200, G 160, B 180) has k = 55 and the
    // reduced pixel (red 0, green 40, blue 20): hue 2.5 sixths, value 1 after the stretch, so
    // (0, 255, 128) reduced and (200, 0, 72) back. The second becomes grey at its maximum.
    FCObjImage image = Pixels({{180, 160, 200}, {90, 95, 100}});
    FCEffectAutoColorEnhance e;
    RunEffect(image, e, 1);
    EXPECT_EQ(At(image, 0, 0), (Bgr{72, 0, 200}));
    EXPECT_EQ(At(image, 0, 1), (Bgr{100, 100, 100}));
    EXPECT_EQ(image.PixelAddress(0, 1)[3], 101);
}

TEST(HistogramAutoEnhance, LargeImagesGiveThePlainLoopsBytes)
{
    // Large images go through a table of reduced pixels; the plain per-pixel chain, written
    // out here, is the reference. 512 x 384 is the smallest image that uses the table.
    for (auto [w, h] : {std::pair{512, 384}, {60, 50}})
    {
        const FCObjImage source = testimg::Varied(w, h, 24, 2024);
        double vMax = 0.0, vMin = 1.0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
            {
                const BYTE* p = source.PixelAddress(x, y);
                const double c = 255 - p[2], m = 255 - p[1], ye = 255 - p[0];
                const double k = std::min({c, m, ye});
                const double v = std::max({c - k, m - k, ye - k}) / 255;
                vMax = std::max(vMax, v);
                vMin = std::min(vMin, v);
            }
        FCObjImage expected(source);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
            {
                BYTE* p = expected.PixelAddress(x, y);
                const int k = std::min({255 - p[2], 255 - p[1], 255 - p[0]});
                const BYTE reduced[3] = {BYTE(255 - p[0] - k), BYTE(255 - p[1] - k), BYTE(255 - p[2] - k)};
                double hue, sat, val;
                RGBtoHSV(reduced, hue, sat, val);
                if (vMax != vMin) val = (val - vMin) / (vMax - vMin);
                const RGBQUAD q = HSVtoRGB(hue, sat, val);
                p[0] = BYTE(255 - std::min(q.rgbBlue + k, 255));
                p[1] = BYTE(255 - std::min(q.rgbGreen + k, 255));
                p[2] = BYTE(255 - std::min(q.rgbRed + k, 255));
            }
        FCObjImage image(source);
        FCEffectAutoColorEnhance e;
        RunEffect(image, e, 4);
        EXPECT_TRUE(testimg::SamePixels(image, expected)) << w << "x" << h;
    }
}

TEST(HistogramEffects, ProgressAndCancelAfterThePreparation)
{
    const std::vector<std::pair<std::string, std::function<std::unique_ptr<FCImageEffect>()>>> effects = {
        {"equalise RGB", [] { return std::make_unique<FCEffectEgaliserHistogrammeRGB>(); }},
        {"equalise luminance", [] { return std::make_unique<FCEffectEgaliserHistogrammeLuminosite>(); }},
        {"auto contrast", [] { return std::make_unique<FCEffectAutoContrast>(); }},
        {"auto levels", [] { return std::make_unique<FCEffectAutoColorLevel>(); }},
        {"auto enhance", [] { return std::make_unique<FCEffectAutoColorEnhance>(); }},
    };
    for (const auto& [name, make] : effects)
    {
        const FCObjImage source = testimg::Varied(7, 3, 24, 41);
        FCObjImage full(source);
        Recorder all;
        auto e = make();
        FCObjImage::ApplyEffect(full, *e, &all);
        EXPECT_EQ(all.calls, (std::vector<int>{0, 33, 66, 100})) << name;

        // Stopped after the first row: the rows below keep their bytes, and the first row is
        // mapped by tables built from the whole image.
        FCObjImage cut(source);
        Recorder stop;
        stop.refuseAt = 33;
        auto f = make();
        FCObjImage::ApplyEffect(cut, *f, &stop);
        EXPECT_EQ(stop.calls, (std::vector<int>{0, 33})) << name;
        EXPECT_EQ(std::memcmp(cut.RowAddress(0), full.RowAddress(0), 21), 0) << name;
        EXPECT_EQ(std::memcmp(cut.RowAddress(1), source.RowAddress(1), 21), 0) << name;
        EXPECT_EQ(std::memcmp(cut.RowAddress(2), source.RowAddress(2), 21), 0) << name;
    }
}
