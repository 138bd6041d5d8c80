// Catmull-Rom resize: filter values, the production passes against a plain reference loop,
// resize properties, progress and cancel, sizes that cannot be had; a new picture written whole
// over memory a freed one left, by the resize and the halving.
#include "TestImages.h"

#include "imagelib/FCBandRunner.h"
#include "imagelib/PixelHelpers.h"
#include "imagelib/effects/FlipRotateEffects.h"
#include "imagelib/effects/ResizeEffects.h"
#include "imagelib/effects/VectorDispatch.h"

#include "ScriptedObserver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{
using RecordingObserver = testobs::RefusingObserver;

// One pass as plainly as it can be written: destination index by index, a weight array for
// each, every line of the destination, source indices clamped at the edges.
void ReferencePass(const FCObjImage& src, FCObjImage& dst, bool vertical)
{
    const FCFilterCatmullRom filter;
    const int srcLen = vertical ? src.Height() : src.Width();
    const int dstLen = vertical ? dst.Height() : dst.Width();
    const int lines = vertical ? dst.Width() : dst.Height();
    const bool alpha = src.ColorBits() == 32;
    const double scale = double(dstLen) / double(srcLen);
    double support = filter.GetSupport(), fscale = 1.0;
    if (scale < 1.0)
    {
        support = support / scale;
        fscale = scale;
    }
    for (int d = 0; d < dstLen; ++d)
    {
        const double centre = d * (1.0 / scale);
        const int left = int(std::floor(centre - support));
        const int right = int(std::ceil(centre + support));
        std::vector<double> w(std::size_t(right - left + 1));
        double sum = 0;
        for (int i = left; i <= right; ++i)
        {
            w[std::size_t(i - left)] = filter.Filter((vertical ? i - centre : centre - i) * fscale) * fscale;
            sum += w[std::size_t(i - left)];
        }
        for (double& v : w)
            v /= sum;
        for (int line = 0; line < lines; ++line)
        {
            double b = 0, g = 0, r = 0, a = 0;
            for (int i = left; i <= right; ++i)
            {
                const int s = std::clamp(i, 0, srcLen - 1);
                const BYTE* p = vertical ? src.PixelAddress(line, s) : src.PixelAddress(s, line);
                const double wa = (alpha ? p[3] : 255) * w[std::size_t(i - left)];
                b += p[0] * wa;
                g += p[1] * wa;
                r += p[2] * wa;
                a += wa;
            }
            BYTE* out = vertical ? dst.PixelAddress(line, d) : dst.PixelAddress(d, line);
            const BYTE outAlpha = RoundClampToByte(a);
            out[0] = out[1] = out[2] = 0;
            if (outAlpha != 0)
            {
                out[0] = RoundClampToByte(b * (1.0 / a));
                out[1] = RoundClampToByte(g * (1.0 / a));
                out[2] = RoundClampToByte(r * (1.0 / a));
            }
            if (alpha) out[3] = outAlpha;
        }
    }
}

FCObjImage ReferenceResize(const FCObjImage& src, int w, int h)
{
    FCObjImage across, out;
    across.Create(w, src.Height(), src.ColorBits());
    ReferencePass(src, across, false);
    out.Create(w, h, src.ColorBits());
    ReferencePass(across, out, true);
    return out;
}

std::string Size(int w, int h)
{
    return std::to_string(w) + "x" + std::to_string(h);
}
} // namespace

TEST(GeometryResize, CatmullRomFilterValues)
{
    const FCFilterCatmullRom f;
    EXPECT_EQ(f.GetSupport(), 2.0);
    const struct
    {
        double x, y;
    } cases[] = {{0, 1},         {0.5, 0.5625},   {-0.5, 0.5625}, {1, 0},
                 {1.5, -0.0625}, {-1.5, -0.0625}, {2, 0},         {3, 0}};
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(f.Filter(c.x), c.y) << c.x;
}

// A 32-bit image with clear regions: a transparent block, a column of nearly transparent
// pixels (alpha 1 or 2, whose sums may round to 0) and a transparent row, over varied colours.
FCObjImage WithClearRegions(int w, int h, std::uint32_t seed)
{
    FCObjImage image = testimg::Varied(w, h, 32, seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            BYTE* p = image.PixelAddress(x, y);
            if ((x >= w / 4 && x < w / 2 && y >= h / 3 && y < 2 * h / 3) || y == h - 2)
                p[3] = 0;
            else if (x == 3 * w / 4)
                p[3] = BYTE(1 + (y & 1));
        }
    return image;
}

TEST(GeometryResize, MatchesThePlainReferenceLoopByteForByte)
{
    // Every instruction set: 2 with AVX-512, 1 AVX2 only, 0 the baseline.
    const std::pair<int, int> sizes[] = {{80, 51}, {11, 7},  {37, 5}, {1, 1}, {200, 3}, {3, 200},
                                         {36, 24}, {74, 46}, {37, 1}, {2, 9}, {19, 13}, {101, 70}};
    for (int bpp : {24, 32})
    {
        const FCObjImage source =
            bpp == 32 ? WithClearRegions(37, 23, 2024) : testimg::Varied(37, 23, bpp, 2024);
        for (auto [w, h] : sizes)
        {
            const FCObjImage expected = ReferenceResize(source, w, h);
            for (int set : {2, 1, 0})
            {
                AllowAvx2(set >= 1);
                AllowAvx512(set >= 2);
                for (int threads : {1, 3, 8})
                {
                    FCObjImage image(source);
                    FCEffectResize effect(w, h);
                    ASSERT_TRUE(RunEffect(image, effect, threads));
                    EXPECT_TRUE(testimg::SamePixels(image, expected))
                        << Size(w, h) << "x" << bpp << " on " << threads << ", set " << set;
                }
            }
            AllowAvx2(true);
            AllowAvx512(true);
        }
    }
    // Wide enough for several column chunks and strips, and a strong shrink; tall, at 24 bits, for
    // many rows to share in both passes.
    const FCObjImage wide = WithClearRegions(4500, 3, 7);
    const FCObjImage tall = testimg::Varied(5, 900, 24, 99);
    const FCObjImage broad = testimg::Varied(700, 6, 24, 5);
    // Rows in groups of four or eight with some left over, in several column chunks, halved.
    const FCObjImage deep = testimg::Varied(611, 21, 24, 11);
    // The same at 32 bits, with clear regions.
    const FCObjImage clear = WithClearRegions(211, 45, 21);
    // Clear but for faint pixels apart: alpha sums below one half, whose colours must be 0.
    FCObjImage faint = testimg::Varied(53, 19, 32, 8);
    for (int y = 0; y < faint.Height(); ++y)
        for (int x = 0; x < faint.Width(); ++x)
            faint.PixelAddress(x, y)[3] = BYTE(x % 5 == 0 && y % 3 == 0 ? 1 : 0);
    // Tall columns shrunk to two rows: on eight threads, the whole horizontal pass first.
    const FCObjImage column = testimg::Varied(500, 2000, 24, 13);
    const struct
    {
        const FCObjImage* source;
        int w, h;
    } large[] = {{&wide, 5000, 4},  {&wide, 9, 2},    {&wide, 4500, 7}, {&tall, 7, 1300}, {&tall, 3, 250},
                 {&broad, 1051, 5}, {&broad, 233, 9}, {&deep, 305, 10}, {&deep, 917, 31}};
    for (const auto& c : large)
    {
        const FCObjImage expected = ReferenceResize(*c.source, c.w, c.h);
        for (int set : {2, 1, 0})
        {
            AllowAvx2(set >= 1);
            AllowAvx512(set >= 2);
            for (int threads : {1, 8})
            {
                FCObjImage image(*c.source);
                FCEffectResize effect(c.w, c.h);
                RunEffect(image, effect, threads);
                EXPECT_TRUE(testimg::SamePixels(image, expected))
                    << Size(c.w, c.h) << " on " << threads << ", set " << set;
            }
        }
        AllowAvx2(true);
        AllowAvx512(true);
    }
}

TEST(GeometryResize, SameSizeIsLeftUntouchedWithoutProgress)
{
    const FCObjImage source = testimg::Varied(9, 6, 32);
    FCObjImage image(source);
    FCEffectResize effect(9, 6);
    RecordingObserver observer;
    effect.ApplyToImage(image, &observer);
    EXPECT_TRUE(testimg::SamePixels(image, source));
    EXPECT_TRUE(observer.calls.empty());
}

TEST(GeometryResize, DoublingReproducesEverySourcePixelAtEvenIndices)
{
    for (int bpp : {24, 32})
    {
        FCObjImage source = testimg::Varied(13, 9, bpp, 3);
        if (bpp == 32)
            for (int y = 0; y < 9; ++y)
                for (int x = 0; x < 13; ++x)
                    source.PixelAddress(x, y)[3] |= 1; // a transparent pixel has no colour to keep
        FCObjImage image(source);
        FCEffectResize effect(26, 18);
        RunEffect(image, effect, 1);
        ASSERT_EQ(image.Width(), 26);
        ASSERT_EQ(image.Height(), 18);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 13; ++x)
                ASSERT_EQ(std::memcmp(image.PixelAddress(2 * x, 2 * y), source.PixelAddress(x, y),
                                      std::size_t(bpp / 8)),
                          0)
                    << x << "," << y << " at " << bpp;
    }
}

TEST(GeometryResize, FlatImagesStayFlatAndKeepTheirDepth)
{
    for (int bpp : {24, 32})
        for (auto [w, h] : {std::pair{31, 17}, {5, 3}, {64, 2}, {1, 40}})
        {
            FCObjImage image = testimg::Flat(12, 10, bpp, 17, 130, 250, 255);
            const FCObjImage expected = testimg::Flat(w, h, bpp, 17, 130, 250, 255);
            FCEffectResize effect(w, h);
            RunEffect(image, effect, 1);
            EXPECT_TRUE(testimg::SamePixels(image, expected)) << Size(w, h) << "x" << bpp;
        }
}

TEST(GeometryResize, TransparentPixelsDoNotBleedAndAlphaRampsAcross)
{
    // Left half opaque red, right half transparent green.
    FCObjImage image;
    image.Create(16, 4, 32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 16; ++x)
        {
            BYTE* p = image.PixelAddress(x, y);
            p[0] = 0;
            p[1] = x < 8 ? 0 : 255;
            p[2] = x < 8 ? 255 : 0;
            p[3] = x < 8 ? 255 : 0;
        }
    for (auto [w, h] : {std::pair{37, 9}, {7, 3}})
    {
        FCObjImage resized(image);
        FCEffectResize effect(w, h);
        RunEffect(resized, effect, 1);
        for (int y = 0; y < h; ++y)
        {
            int previous = 256, partial = 0;
            for (int x = 0; x < w; ++x)
            {
                const BYTE* p = resized.PixelAddress(x, y);
                if (p[3] != 0)
                {
                    EXPECT_EQ(p[1], 0) << "green bled in at " << x << "," << y << " of " << Size(w, h);
                    EXPECT_EQ(p[2], 255) << x << "," << y << " of " << Size(w, h);
                }
                EXPECT_LE(p[3], previous) << x << "," << y << " of " << Size(w, h);
                previous = p[3];
                partial += p[3] > 0 && p[3] < 255;
            }
            EXPECT_EQ(resized.PixelAddress(0, y)[3], 255);
            EXPECT_EQ(resized.PixelAddress(w - 1, y)[3], 0);
            EXPECT_GT(partial, 0) << Size(w, h);
        }
    }
}

// Shapes made band by band of destination rows, and a strong shrink down tall columns that
// goes through the whole horizontal pass first when many threads would each hold most rows.
struct ProgressCase
{
    int w, h, bpp, newW, newH;
};
constexpr ProgressCase kProgressCases[] = {
    {10, 4, 24, 20, 8}, {300, 20, 32, 600, 50}, {61, 47, 24, 30, 23}, {500, 2000, 24, 500, 2}};

TEST(GeometryResize, ProgressRisesToOneHundredWithACheckpointForEveryRow)
{
    for (const ProgressCase& c : kProgressCases)
        for (int threads : {1, 8})
        {
            FCObjImage image = testimg::Varied(c.w, c.h, c.bpp);
            FCEffectResize effect(c.newW, c.newH);
            RecordingObserver observer;
            ASSERT_TRUE(RunEffect(image, effect, threads, &observer));
            const std::string what = Size(c.newW, c.newH) + " on " + std::to_string(threads);
            ASSERT_GE(observer.calls.size(), std::size_t(c.newH)) << what;
            EXPECT_GE(observer.calls.front(), 0) << what;
            for (std::size_t i = 1; i < observer.calls.size(); ++i)
                EXPECT_GE(observer.calls[i], observer.calls[i - 1]) << what << " at " << i;
            EXPECT_EQ(observer.calls.back(), 100) << what;
            EXPECT_FALSE(observer.IsCancelled()) << what;
            EXPECT_EQ(image.Width(), c.newW);
            EXPECT_EQ(image.Height(), c.newH);
        }
}

TEST(GeometryResize, CancellingStopsAtOnceAndStillGivesTheNewSize)
{
    for (const ProgressCase& c : kProgressCases)
        for (int threads : {1, 8})
            for (int refuseAt : {0, 1, c.newH / 2})
            {
                FCObjImage image = testimg::Varied(c.w, c.h, c.bpp);
                FCEffectResize effect(c.newW, c.newH);
                RecordingObserver observer(refuseAt);
                RunEffect(image, effect, threads, &observer);
                const std::string what = Size(c.newW, c.newH) + " on " + std::to_string(threads) + " at " +
                                         std::to_string(refuseAt);
                EXPECT_EQ(image.Width(), c.newW) << what;
                EXPECT_EQ(image.Height(), c.newH) << what;
                EXPECT_EQ(observer.GetCancelFlag(), 1) << what;
                // After the refused checkpoint, at most the one step each pass takes when it
                // starts cancelled (the run's own first checkpoint comes before the resize's).
                ASSERT_GE(observer.calls.size(), std::size_t(refuseAt) + 1) << what;
                EXPECT_LE(observer.calls.size(), std::size_t(refuseAt) + 3) << what;
                EXPECT_LT(observer.calls[std::size_t(refuseAt)], 100) << what;
            }
    // A flag set from elsewhere stops the resize just the same: one step, the new size.
    for (const ProgressCase& c : kProgressCases)
    {
        FCObjImage image = testimg::Varied(c.w, c.h, c.bpp);
        FCEffectResize effect(c.newW, c.newH);
        RecordingObserver observer;
        observer.SetCancelFlag(1);
        effect.ApplyToImage(image, &observer);
        EXPECT_LE(observer.calls.size(), 2u) << Size(c.newW, c.newH);
        EXPECT_EQ(image.Width(), c.newW);
        EXPECT_EQ(image.Height(), c.newH);
    }
}

// The halving and the resize write their new picture over memory a freed picture may have left
// (large blocks are kept for the next picture of about their size) without clearing it first:
// every row they make has its padding zeroed, and the rows a stop leaves unmade are cleared, as
// those of a picture made zero-filled.
TEST(GeometryResize, ANewPictureOverMemoryAFreedOneLeftIsWrittenWhole)
{
    // 2001 x 701 at 24 bits: rows of 6003 bytes and one of padding, 4.2 MB.
    constexpr int kW = 2001, kH = 701;
    const struct
    {
        const char* name;
        int w, h;
        std::unique_ptr<FCImageEffect> (*make)();
    } cases[] = {
        {"halving", 2 * kW, 2 * kH, [] { return std::unique_ptr<FCImageEffect>(new FCEffectReduce); }},
        {"resize", 1300, 500, [] { return std::unique_ptr<FCImageEffect>(new FCEffectResize(kW, kH)); }},
    };
    for (const auto& c : cases)
    {
        const FCObjImage source = testimg::Varied(c.w, c.h, 24, 77);
        for (bool stopped : {false, true})
        {
            const std::string what = std::string(c.name) + (stopped ? ", stopped" : "");
            FCObjImage image(source);
            const BYTE* left = nullptr;
            {
                FCObjImage white;
                ASSERT_TRUE(white.Create(kW, kH, 24));
                std::memset(white.GetBits(), 255, std::size_t(white.RowPitch()) * kH);
                left = white.GetBits();
            }
            RecordingObserver observer;
            observer.SetCancelFlag(stopped ? 1 : 0);
            RunEffect(image, *c.make(), 8, &observer);
            ASSERT_EQ(image.Width(), kW) << what;
            ASSERT_EQ(image.Height(), kH) << what;
            // Otherwise the test proves nothing: the new picture has the white one's memory.
            ASSERT_EQ(image.GetBits(), left) << what;
            int whiteRows = 0, paddings = 0, clearRows = 0;
            for (int y = 0; y < kH; ++y)
            {
                const BYTE* row = image.RowAddress(y);
                whiteRows += std::count(row, row + 3 * kW, BYTE(255)) == 3 * kW;
                paddings += row[3 * kW] != 0;
                clearRows += std::count(row, row + 3 * kW + 1, BYTE(0)) == 3 * kW + 1;
            }
            EXPECT_EQ(whiteRows, 0) << what;
            EXPECT_EQ(paddings, 0) << what;
            // A stopped run makes its first row or band only: the bottom half is cleared.
            if (stopped)
                EXPECT_GE(clearRows, kH / 2) << what;
            else
                EXPECT_EQ(clearRows, 0) << what;
        }
    }
}

TEST(GeometryResize, SizesThatCannotBeHadLeaveTheImageAsItWas)
{
    const FCObjImage source = testimg::Varied(7, 5, 24);
    for (auto [w, h] : {std::pair{0, 5}, {7, 0}, {-3, 4}, {INT_MAX, 5}, {100000, 100000}, {7, INT_MAX}})
    {
        FCObjImage image(source);
        FCEffectResize effect(w, h);
        RecordingObserver observer;
        FCObjImage::ApplyEffect(image, effect, &observer);
        EXPECT_TRUE(testimg::SamePixels(image, source)) << Size(w, h);
    }
}
