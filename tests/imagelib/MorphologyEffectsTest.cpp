// Minimum, maximum, median and one thinning step against plain loops, and the cases that pin
// them: dots, corners counted four times, bars and lines under thinning.
#include "NeighbourhoodReference.h"

#include "imagelib/FCBandRunner.h"
#include "imagelib/effects/MorphologyEffects.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace
{
// The thinning templates as written: the values that must be set, then the ones that must be 0.
constexpr int kTemplates[8][2][3] = {
    {{2, 5, 8}, {0, 3, 6}}, {{5, 7, 8}, {0, 1, 3}}, {{6, 7, 8}, {0, 1, 2}}, {{3, 6, 7}, {1, 2, 5}},
    {{0, 3, 6}, {2, 5, 8}}, {{0, 1, 3}, {5, 7, 8}}, {{0, 1, 2}, {6, 7, 8}}, {{1, 2, 5}, {3, 6, 7}},
};

int ReferenceThin(const int* w)
{
    for (const auto& t : kTemplates)
    {
        const bool set = (w[4] & w[t[0][0]] & w[t[0][1]] & w[t[0][2]]) != 0;
        const bool clear = w[t[1][0]] == 0 && w[t[1][1]] == 0 && w[t[1][2]] == 0;
        if (set && clear) return 0;
    }
    return w[4];
}

int ReferenceMedian(const int* w)
{
    std::array<int, 9> v;
    std::copy(w, w + 9, v.begin());
    std::nth_element(v.begin(), v.begin() + 4, v.end());
    return v[4];
}

struct Filter
{
    const char* name;
    std::function<std::unique_ptr<FCImageEffect>()> make;
    std::function<int(const int*)> reference;
};

const std::vector<Filter>& Filters()
{
    static const std::vector<Filter> filters{
        {"minimum", [] { return std::make_unique<FCEffectMinimum>(); },
         [](const int* w) { return *std::min_element(w, w + 9); }},
        {"maximum", [] { return std::make_unique<FCEffectMaximum>(); },
         [](const int* w) { return *std::max_element(w, w + 9); }},
        {"median", [] { return std::make_unique<FCEffectMedian>(); }, ReferenceMedian},
        {"thinning", [] { return std::make_unique<FCEffectSquelettisation>(); }, ReferenceThin},
    };
    return filters;
}

FCObjImage Apply(const FCObjImage& source, FCImageEffect& effect)
{
    FCObjImage image(source);
    FCObjImage::ApplyEffect(image, effect, nullptr);
    return image;
}

template <class Effect> std::vector<std::vector<int>> Filtered(const FCObjImage& source)
{
    Effect effect;
    return testimg::Channel(Apply(source, effect));
}

using Grid = std::vector<std::vector<int>>;

// A black image with the 1s of the grid white (channel values 255).
FCObjImage FromGrid(const std::vector<std::string>& rows, int bpp = 24)
{
    FCObjImage image = testimg::Flat(int(rows[0].size()), int(rows.size()), bpp, 0, 0, 0, 200);
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            if (rows[std::size_t(y)][std::size_t(x)] == '1')
            {
                BYTE* p = image.PixelAddress(x, y);
                p[0] = p[1] = p[2] = 255;
            }
    return image;
}

std::vector<std::string> ToGrid(const FCObjImage& image)
{
    std::vector<std::string> rows;
    for (int y = 0; y < image.Height(); ++y)
    {
        rows.emplace_back();
        for (int x = 0; x < image.Width(); ++x)
            rows.back() +=
                image.PixelAddress(x, y)[0] == 255 ? '1' : (image.PixelAddress(x, y)[0] == 0 ? '.' : '?');
    }
    return rows;
}
} // namespace

TEST(MorphologyTest, EveryFilterMatchesThePlainLoop)
{
    for (const Filter& f : Filters())
        ExpectSameAsPlainLoop(
            f.name, f.make, [&](const FCObjImage& s) { return reference::PerWindow(s, f.reference); },
            [](int w, int h, int bpp)
            {
                // Colour noise, and two-level pictures where the thinning templates match.
                std::vector<FCObjImage> v;
                v.push_back(testimg::Varied(w, h, bpp, std::uint32_t(w * 7 + h)));
                v.push_back(testimg::TwoLevel(w, h, bpp, 60, std::uint32_t(w + h)));
                v.push_back(testimg::TwoLevel(w, h, bpp, 85, std::uint32_t(w * h)));
                return v;
            });
}

TEST(MorphologyTest, APictureLargeEnoughToBeCopiedOnSeveralThreads)
{
    // The copy of a picture this size is made in parts on several threads; every row of it must
    // still be there, in its place, single-threaded or in bands.
    for (int bpp : {24, 32})
    {
        const FCObjImage source = testimg::Varied(701, 389, bpp, 4321);
        const FCObjImage expected =
            reference::PerWindow(source, [](const int* w) { return *std::max_element(w, w + 9); });
        for (int threads : {1, 8})
        {
            FCObjImage image(source);
            FCEffectMaximum maximum;
            RunEffect(image, maximum, threads);
            EXPECT_EQ(testimg::FirstDifference(image, expected), "")
                << bpp << " bits, " << threads << " threads";
        }
    }
}

TEST(MorphologyTest, FlatImagesStayFlat)
{
    for (const Filter& f : Filters())
        for (int bpp : {24, 32})
        {
            const FCObjImage flat = testimg::Flat(5, 4, bpp, 17, 130, 255, 40);
            auto effect = f.make();
            EXPECT_TRUE(testimg::SamePixels(Apply(flat, *effect), flat)) << f.name << " at " << bpp;
        }
}

TEST(MorphologyTest, ADotVanishesUnderTheMinimumAndGrowsUnderTheMaximum)
{
    const FCObjImage dot = testimg::Dots(5, 5, 32, {{1, 2}});
    EXPECT_EQ(Filtered<FCEffectMinimum>(dot), Grid(5, std::vector<int>(5, 0)));
    EXPECT_EQ(Filtered<FCEffectMaximum>(dot), (Grid{{0, 0, 0, 0, 0},
                                                    {255, 255, 255, 0, 0},
                                                    {255, 255, 255, 0, 0},
                                                    {255, 255, 255, 0, 0},
                                                    {0, 0, 0, 0, 0}}));
    EXPECT_EQ(Filtered<FCEffectMedian>(dot), Grid(5, std::vector<int>(5, 0))); // salt removed
}

TEST(MorphologyTest, ACornerPixelCountsFourTimesInItsOwnWindow)
{
    // Corner (0, 0) at 200 and its right neighbour at 200: the corner's window holds the corner 4
    // times and the neighbour twice, 6 of 9, so its median is 200. The pixel below (0, 1) sees the
    // corner twice and the neighbour once, 3 of 9: 0.
    const FCObjImage image = testimg::Dots(4, 3, 24, {{0, 0}, {1, 0}}, 200);
    const Grid median = Filtered<FCEffectMedian>(image);
    EXPECT_EQ(median[0][0], 200);
    EXPECT_EQ(median[1][0], 0);
}

TEST(MorphologyTest, Median9IsTheFifthSmallest)
{
    std::array<int, 9> w{0, 1, 2, 3, 4, 5, 6, 7, 8};
    // Every rotation of the window 0..8, and a few shuffles, give 4.
    for (int r = 0; r < 9; ++r)
    {
        std::array<int, 9> v = w;
        std::rotate(v.begin(), v.begin() + r, v.end());
        EXPECT_EQ(FCEffectMedian::Median9(v.data()), 4) << r;
        std::reverse(v.begin(), v.end());
        EXPECT_EQ(FCEffectMedian::Median9(v.data()), 4) << r;
    }
    struct Case
    {
        std::array<int, 9> window;
        int median;
    } cases[] = {
        {{255, 0, 0, 0, 0, 0, 0, 0, 0}, 0},           {{255, 255, 255, 255, 0, 0, 0, 0, 0}, 0},
        {{255, 255, 255, 255, 255, 0, 0, 0, 0}, 255}, {{9, 9, 9, 1, 1, 1, 5, 5, 5}, 5},
        {{200, 7, 7, 7, 200, 200, 3, 250, 7}, 7},
    };
    for (auto& c : cases)
        EXPECT_EQ(FCEffectMedian::Median9(c.window.data()), c.median);
}

TEST(MorphologyTest, MedianKeepsALineTwoPixelsWideWhereFiveOfNineAreSet)
{
    // A vertical line two pixels wide: inside the line each window holds 6 set values, at the
    // line's ends (and just outside it) fewer.
    const FCObjImage line = FromGrid({"......", "..11..", "..11..", "..11..", "..11..", "......"});
    FCEffectMedian median;
    EXPECT_EQ(ToGrid(Apply(line, median)),
              (std::vector<std::string>{"......", "......", "..11..", "..11..", "......", "......"}));
}

TEST(MorphologyTest, ThinPixelTemplates)
{
    // Each template alone, on 255s: the centre goes.
    for (int t = 0; t < 8; ++t)
    {
        int w[9] = {7, 7, 7, 7, 255, 7, 7, 7, 7}; // the rest neither set with the centre nor 0
        for (int i : kTemplates[t][0])
            w[i] = 255;
        for (int i : kTemplates[t][1])
            w[i] = 0;
        EXPECT_EQ(FCEffectSquelettisation::ThinPixel(w), 0) << "template " << t + 1;
        // One clear value that is not 0 saves the centre.
        w[kTemplates[t][1][1]] = 1;
        EXPECT_EQ(FCEffectSquelettisation::ThinPixel(w), 255) << "template " << t + 1;
    }
    // "Set" is a bitwise AND with the centre: 1 and 2 share no bit, so the centre 1 stays.
    const int grey[9] = {0, 0, 2, 0, 1, 2, 0, 0, 2};
    EXPECT_EQ(FCEffectSquelettisation::ThinPixel(grey), 1);
    const int shared[9] = {0, 0, 3, 0, 1, 3, 0, 0, 3};
    EXPECT_EQ(FCEffectSquelettisation::ThinPixel(shared), 0);
}

TEST(MorphologyTest, ThinningStepOnBarsAndLines)
{
    struct Case
    {
        const char* name;
        std::vector<std::string> before, after;
    } cases[] = {
        {"a bar three wide keeps its middle column, without its end pixels",
         {".......", "..111..", "..111..", "..111..", "..111..", "..111..", "..111..", "......."},
         {".......", ".......", "...1...", "...1...", "...1...", "...1...", ".......", "......."}},
        // Both columns of a line two wide match at once (templates 1 and 5): one parallel step
        // removes the whole line.
        {"a line two wide vanishes",
         {"......", "..11..", "..11..", "..11..", "..11..", "......"},
         {"......", "......", "......", "......", "......", "......"}},
        {"a horizontal bar three high keeps its middle row",
         {"........", ".111111.", ".111111.", ".111111.", "........"},
         {"........", "........", "..1111..", "........", "........"}},
    };
    for (const Case& c : cases)
        for (int bpp : {24, 32})
        {
            FCEffectSquelettisation thin;
            EXPECT_EQ(ToGrid(Apply(FromGrid(c.before, bpp), thin)), c.after) << c.name << " at " << bpp;
        }
}
