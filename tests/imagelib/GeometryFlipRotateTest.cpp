// Flips, right-angle turns, doubling and halving: exact pixel maps, round trips, averaging.
#include "TestImages.h"

#include "imagelib/FCBandRunner.h"
#include "imagelib/effects/FlipRotateEffects.h"
#include "imagelib/effects/VectorDispatch.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace
{
// Every pixel tells where it came from: B = x, G = y, R = 100 + x + 10 y, A = 200 + x + 10 y.
FCObjImage Coded(int w, int h, int bpp)
{
    FCObjImage image;
    image.Create(w, h, bpp);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            BYTE* p = image.PixelAddress(x, y);
            p[0] = BYTE(x);
            p[1] = BYTE(y);
            p[2] = BYTE(100 + x + 10 * y);
            if (bpp == 32) p[3] = BYTE(200 + x + 10 * y);
        }
    return image;
}

std::array<int, 4> Px(const FCObjImage& image, int x, int y)
{
    const BYTE* p = image.PixelAddress(x, y);
    return {p[0], p[1], p[2], image.ColorBits() == 32 ? p[3] : -1};
}

void SetPx(FCObjImage& image, int x, int y, std::array<int, 4> v)
{
    BYTE* p = image.PixelAddress(x, y);
    for (int c = 0; c < image.ColorBits() / 8; ++c)
        p[c] = BYTE(v[std::size_t(c)]);
}

struct MapCase
{
    const char* name;
    std::function<std::unique_ptr<FCImageEffect>()> make;
    bool swapsSides;
    // The source pixel of destination (x, y), W' x H' the new size.
    std::function<std::pair<int, int>(int x, int y, int w, int h)> source;
};
} // namespace

TEST(GeometryFlipRotate, EveryPixelLandsWhereTheTurnOrFlipPutsIt)
{
    const MapCase cases[] = {
        {"flip", [] { return std::make_unique<FCEffectFlip>(); }, false,
         [](int x, int y, int, int h) {
             return std::pair{x, h - 1 - y};
         }},
        {"mirror", [] { return std::make_unique<FCEffectMirror>(); }, false,
         [](int x, int y, int w, int) {
             return std::pair{w - 1 - x, y};
         }},
        {"rotate 90", [] { return std::make_unique<FCEffectRotate90>(); }, true,
         [](int x, int y, int w, int) {
             return std::pair{y, w - 1 - x};
         }},
        {"rotate 270", [] { return std::make_unique<FCEffectRotate270>(); }, true,
         [](int x, int y, int, int h) {
             return std::pair{h - 1 - y, x};
         }},
        {"rotate 180", [] { return std::make_unique<FCEffectRotate180>(); }, false,
         [](int x, int y, int w, int h) {
             return std::pair{w - 1 - x, h - 1 - y};
         }},
    };
    for (const MapCase& c : cases)
        for (int bpp : {24, 32})
            for (auto [w, h] : {std::pair{3, 2}, {4, 3}, {1, 5}, {5, 1}})
                for (int threads : {1, 3})
                {
                    const std::string where = std::string(c.name) + " " + std::to_string(w) + "x" +
                                              std::to_string(h) + "x" + std::to_string(bpp) + " on " +
                                              std::to_string(threads);
                    const FCObjImage source = Coded(w, h, bpp);
                    FCObjImage image(source);
                    auto effect = c.make();
                    ASSERT_TRUE(RunEffect(image, *effect, threads)) << where;
                    ASSERT_EQ(image.Width(), c.swapsSides ? h : w) << where;
                    ASSERT_EQ(image.Height(), c.swapsSides ? w : h) << where;
                    ASSERT_EQ(image.ColorBits(), bpp) << where;
                    for (int y = 0; y < image.Height(); ++y)
                        for (int x = 0; x < image.Width(); ++x)
                        {
                            auto [sx, sy] = c.source(x, y, image.Width(), image.Height());
                            ASSERT_EQ(Px(image, x, y), Px(source, sx, sy))
                                << where << " at " << x << "," << y;
                        }
                }
}

TEST(GeometryFlipRotate, QuarterTurnClockwisePutsTheTopLeftPixelTopRight)
{
    FCObjImage image = Coded(3, 2, 24);
    FCEffectRotate90 effect;
    RunEffect(image, effect, 1);
    EXPECT_EQ(Px(image, 1, 0), Px(Coded(3, 2, 24), 0, 0));
}

TEST(GeometryFlipRotate, RoundTripsRestoreTheImage)
{
    using Maker = std::function<std::unique_ptr<FCImageEffect>()>;
    const Maker flip = [] { return std::make_unique<FCEffectFlip>(); };
    const Maker mirror = [] { return std::make_unique<FCEffectMirror>(); };
    const Maker r90 = [] { return std::make_unique<FCEffectRotate90>(); };
    const Maker r180 = [] { return std::make_unique<FCEffectRotate180>(); };
    const Maker r270 = [] { return std::make_unique<FCEffectRotate270>(); };
    const std::vector<std::pair<const char*, std::vector<Maker>>> trips = {
        {"flip twice", {flip, flip}},
        {"mirror twice", {mirror, mirror}},
        {"90 then 270", {r90, r270}},
        {"270 then 90", {r270, r90}},
        {"180 twice", {r180, r180}},
        {"four 90", {r90, r90, r90, r90}},
        {"flip mirror 180", {flip, mirror, r180}},
    };
    for (const auto& [name, steps] : trips)
        for (int bpp : {24, 32})
        {
            const FCObjImage source = testimg::Varied(7, 5, bpp);
            FCObjImage image(source);
            for (const Maker& make : steps)
            {
                auto effect = make();
                RunEffect(image, *effect, 3);
            }
            EXPECT_TRUE(testimg::SamePixels(image, source)) << name << " at " << bpp;
        }
}

TEST(GeometryFlipRotate, FlipOfAnOddHeightKeepsTheMiddleRow)
{
    const FCObjImage source = testimg::Varied(4, 5, 32);
    FCObjImage image(source);
    FCEffectFlip effect;
    RunEffect(image, effect, 2);
    EXPECT_EQ(std::memcmp(image.RowAddress(2), source.RowAddress(2), 16), 0);
    EXPECT_EQ(std::memcmp(image.RowAddress(0), source.RowAddress(4), 16), 0);
}

TEST(GeometryDilate, OnePixelBecomesFourCopies)
{
    for (int bpp : {24, 32})
    {
        FCObjImage image;
        image.Create(1, 1, bpp);
        SetPx(image, 0, 0, {10, 20, 30, 40});
        FCEffectDilate effect;
        ASSERT_TRUE(RunEffect(image, effect, 1));
        ASSERT_EQ(image.Width(), 2);
        ASSERT_EQ(image.Height(), 2);
        const std::array<int, 4> expected{10, 20, 30, bpp == 32 ? 40 : -1};
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x)
                EXPECT_EQ(Px(image, x, y), expected) << x << "," << y;
    }
}

TEST(GeometryDilate, AveragesBetweenSourcePixelsAndCopiesOnTheLastRowAndColumn)
{
    // 3 x 1: B = 0, 11, 100; alpha 255, 0, 101. Doubled: 6 x 2, columns 1 and 3 averaged
    // (truncated), column 5 and the whole last row copied or averaged sideways only.
    FCObjImage image;
    image.Create(3, 1, 32);
    SetPx(image, 0, 0, {0, 7, 1, 255});
    SetPx(image, 1, 0, {11, 8, 2, 0});
    SetPx(image, 2, 0, {100, 9, 3, 101});
    FCEffectDilate effect;
    ASSERT_TRUE(RunEffect(image, effect, 2));
    ASSERT_EQ(image.Width(), 6);
    ASSERT_EQ(image.Height(), 2);
    const std::array<std::array<int, 4>, 6> row = {{
        {0, 7, 1, 255},
        {5, 7, 1, 127}, // (0 + 11) >> 1, (7 + 8) >> 1, (1 + 2) >> 1, (255 + 0) >> 1
        {11, 8, 2, 0},
        {55, 8, 2, 50},
        {100, 9, 3, 101},
        {100, 9, 3, 101}, // last column: a copy
    }};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(Px(image, x, y), row[std::size_t(x)]) << x << "," << y;
}

TEST(GeometryDilate, OddPositionsInsideAverageFourNeighbours)
{
    // 2 x 2 at 24 bits: B = 1, 2 / 3, 5. The doubled centre (1, 1) is (1 + 2 + 3 + 5) >> 2 = 2;
    // (1, 0) and (0, 1) average two; (3, 1) and (1, 3) sit on the last column or row.
    FCObjImage image;
    image.Create(2, 2, 24);
    SetPx(image, 0, 0, {1, 0, 0, 0});
    SetPx(image, 1, 0, {2, 0, 0, 0});
    SetPx(image, 0, 1, {3, 0, 0, 0});
    SetPx(image, 1, 1, {5, 0, 0, 0});
    FCEffectDilate effect;
    RunEffect(image, effect, 1);
    const int expected[4][4] = {
        {1, 1, 2, 2}, // (1+2)>>1 = 1
        {2, 2, 3, 3}, // (1+3)>>1, (1+2+3+5)>>2, (2+5)>>1, (2+5)>>1
        {3, 4, 5, 5},
        {3, 4, 5, 5},
    };
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(image.PixelAddress(x, y)[0], expected[y][x]) << x << "," << y;
}

TEST(GeometryReduce, EachPixelIsTheTruncatedMeanOfItsBlockAndOddEdgesAreDropped)
{
    for (int bpp : {24, 32})
    {
        const FCObjImage source = testimg::Varied(5, 5, bpp, 99);
        FCObjImage image(source);
        FCEffectReduce effect;
        ASSERT_TRUE(RunEffect(image, effect, 2));
        ASSERT_EQ(image.Width(), 2);
        ASSERT_EQ(image.Height(), 2);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x)
                for (int c = 0; c < bpp / 8; ++c)
                {
                    const int sum = source.PixelAddress(2 * x, 2 * y)[c] +
                                    source.PixelAddress(2 * x + 1, 2 * y)[c] +
                                    source.PixelAddress(2 * x, 2 * y + 1)[c] +
                                    source.PixelAddress(2 * x + 1, 2 * y + 1)[c];
                    EXPECT_EQ(image.PixelAddress(x, y)[c], sum / 4) << x << "," << y << " byte " << c;
                }
    }
    // 1, 1, 1, 2 gives 1: the mean is truncated, not rounded.
    FCObjImage image = testimg::Flat(2, 2, 32, 1, 1, 1, 1);
    image.PixelAddress(1, 1)[0] = 2;
    image.PixelAddress(1, 1)[3] = 2;
    FCEffectReduce effect;
    RunEffect(image, effect, 1);
    ASSERT_EQ(image.Width(), 1);
    EXPECT_EQ(Px(image, 0, 0), (std::array<int, 4>{1, 1, 1, 1}));
}

TEST(GeometryReduce, EveryInstructionSetAndThreadCountGivesThePlainMeanOnEveryWidth)
{
    // Widths from 1 to 40 halved pixels, odd or even, take every vector loop through its tail
    // alone, one block and the tail, several blocks; the wide ones many blocks. White pictures
    // have the largest sums, 4 x 255.
    std::vector<FCObjImage> sources;
    for (int bpp : {24, 32})
    {
        for (int w = 2; w <= 81; ++w)
            sources.push_back(testimg::Varied(w, 5, bpp, std::uint32_t(w)));
        sources.push_back(testimg::Varied(1001, 9, bpp, 3));
        sources.push_back(testimg::Flat(67, 4, bpp, 255, 255, 255, 255));
    }
    for (const FCObjImage& source : sources)
    {
        const int w = source.Width() / 2, h = source.Height() / 2, n = source.ColorBits() / 8;
        const std::string what = std::to_string(source.Width()) + "x" + std::to_string(source.Height()) +
                                 "x" + std::to_string(source.ColorBits());
        for (int set : {2, 1, 0})
        {
            AllowAvx2(set >= 1);
            AllowAvx512(set >= 2);
            for (int threads : {1, 3, 8})
            {
                FCObjImage image(source);
                FCEffectReduce effect;
                ASSERT_TRUE(RunEffect(image, effect, threads));
                ASSERT_EQ(image.Width(), w);
                ASSERT_EQ(image.Height(), h);
                int wrong = 0;
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x)
                        for (int c = 0; c < n; ++c)
                        {
                            const int sum = source.PixelAddress(2 * x, 2 * y)[c] +
                                            source.PixelAddress(2 * x + 1, 2 * y)[c] +
                                            source.PixelAddress(2 * x, 2 * y + 1)[c] +
                                            source.PixelAddress(2 * x + 1, 2 * y + 1)[c];
                            wrong += image.PixelAddress(x, y)[c] != sum / 4;
                        }
                EXPECT_EQ(wrong, 0) << what << ", set " << set << ", " << threads << " threads";
            }
        }
        AllowAvx2(true);
        AllowAvx512(true);
    }
}

TEST(GeometryReduce, RefusesImagesThatWouldLoseAllTheirPixels)
{
    for (auto [w, h, accepted] :
         {std::tuple{1, 1, false}, {1, 5, false}, {5, 1, false}, {2, 2, true}, {3, 2, true}})
    {
        const FCObjImage source = testimg::Varied(w, h, 24);
        FCObjImage image(source);
        FCEffectReduce effect;
        EXPECT_EQ(effect.AcceptsImage(image), accepted) << w << "x" << h;
        EXPECT_EQ(RunEffect(image, effect, 1), accepted) << w << "x" << h;
        if (!accepted)
        {
            EXPECT_TRUE(testimg::SamePixels(image, source)) << w << "x" << h;
        }
    }
}

TEST(GeometryFlipRotate, ANewImageThatCannotBeHadLeavesTheImageAsItWas)
{
    FCObjImage image = testimg::Varied(3, 2, 24);
    const FCObjImage source(image);
    FCObjImage backup = testimg::Varied(2, 2, 24);
    EXPECT_FALSE(SwapIntoBackupAndRecreate(image, backup, 100000, 100000)); // beyond what a bitmap may hold
    EXPECT_FALSE(SwapIntoBackupAndRecreate(image, backup, 1LL << 32, 1));
    EXPECT_TRUE(testimg::SamePixels(image, source));
    EXPECT_FALSE(backup.HasBits());

    EXPECT_TRUE(SwapIntoBackupAndRecreate(image, backup, 4, 5));
    EXPECT_TRUE(testimg::SamePixels(backup, source));
    EXPECT_EQ(image.Width(), 4);
    EXPECT_EQ(image.Height(), 5);
    EXPECT_EQ(image.ColorBits(), 24);
}

TEST(GeometryDilate, AnImageTooLargeToDoubleIsLeftAsItWas)
{
    // 20000 x 9000 at 24 bits holds 540 MB (mapped, barely touched); doubled it would pass what a
    // bitmap may hold.
    FCObjImage image;
    ASSERT_TRUE(image.Create(20000, 9000, 24));
    image.PixelAddress(19999, 8999)[2] = 77;
    FCEffectDilate effect;
    effect.PrepareImage(image);
    EXPECT_EQ(image.Width(), 20000);
    EXPECT_EQ(image.Height(), 9000);
    EXPECT_EQ(image.PixelAddress(19999, 8999)[2], 77);
    effect.ApplyToPixel(image, 19999, 8999, image.PixelAddress(19999, 8999));
    EXPECT_EQ(image.PixelAddress(19999, 8999)[2], 77);
}
