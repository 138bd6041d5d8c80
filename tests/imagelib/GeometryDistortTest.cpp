// Free rotation, rhombus and trapezium: sizes, samplers, backgrounds, edge fading; the rows the
// rotation, the rhombus and the halving share out in bands.
#include "TestImages.h"

#include "imagelib/FCBandRunner.h"
#include "imagelib/effects/DistortEffects.h"
#include "imagelib/effects/FlipRotateEffects.h"

#include "ScriptedObserver.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr double kDegree = 0.017453292519943295;

std::array<int, 4> Px(const FCObjImage& image, int x, int y)
{
    const BYTE* p = image.PixelAddress(x, y);
    return {p[0], p[1], p[2], image.ColorBits() == 32 ? p[3] : -1};
}

std::array<int, 4> Quad(const RGBQUAD& q)
{
    return {q.rgbBlue, q.rgbGreen, q.rgbRed, q.rgbReserved};
}

using Recorder = testobs::RefusingObserver;

bool RowIsZero(const FCObjImage& image, int y)
{
    const BYTE* row = image.RowAddress(y);
    for (int i = 0; i < image.Width() * image.ColorBits() / 8; ++i)
        if (row[i] != 0) return false;
    return true;
}

// A varied image whose alpha bytes are all above zero (a transparent pixel comes back white).
FCObjImage VariedVisible(int w, int h, int bpp)
{
    FCObjImage image = testimg::Varied(w, h, bpp, 4242);
    if (bpp == 32)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                image.PixelAddress(x, y)[3] |= 1;
    return image;
}
} // namespace

TEST(GeometryDistort, RotationNeedsTwoByTwoPixelsTheOtherDistortionsDoNot)
{
    FCEffectRotate rotate(0.3, 0);
    FCEffectLosange losange(3, 2);
    FCEffectTrapeze trapeze(3, 2);
    for (auto [w, h] : {std::pair{1, 5}, {5, 1}, {1, 1}})
    {
        const FCObjImage image = testimg::Varied(w, h, 24);
        EXPECT_FALSE(rotate.AcceptsImage(image)) << w << "x" << h;
        EXPECT_TRUE(losange.AcceptsImage(image)) << w << "x" << h;
        EXPECT_TRUE(trapeze.AcceptsImage(image)) << w << "x" << h;
    }
    EXPECT_TRUE(rotate.AcceptsImage(testimg::Varied(2, 2, 32)));
    FCObjImage grey;
    grey.Create(4, 4, 8);
    EXPECT_FALSE(rotate.AcceptsImage(grey));
    EXPECT_FALSE(rotate.AcceptsImage(FCObjImage()));
}

TEST(GeometryDistort, RotatePointTurnsClockwiseOnScreen)
{
    const struct
    {
        double x, y, cx, cy, angle, ex, ey;
    } cases[] = {
        {1, 0, 0, 0, M_PI / 2, 0, 1}, // right of the centre to below it
        {1, 0, 0, 0, M_PI, -1, 0},    {0, 1, 0, 0, M_PI / 2, -1, 0},
        {5, 2, 3, 2, M_PI / 2, 3, 4}, {5, 2, 3, 2, 0, 5, 2},
    };
    for (const auto& c : cases)
    {
        double x = c.x, y = c.y;
        RotatePoint(&x, &y, c.cx, c.cy, c.angle);
        EXPECT_NEAR(x, c.ex, 1e-12) << c.x << "," << c.y << " by " << c.angle;
        EXPECT_NEAR(y, c.ey, 1e-12) << c.x << "," << c.y << " by " << c.angle;
    }
}

TEST(GeometryDistort, SampleBilinearTable)
{
    const BYTE a[4] = {10, 20, 30, 255}, b[4] = {30, 40, 50, 255}, c[4] = {50, 60, 70, 255},
               d[4] = {70, 80, 91, 255};
    const BYTE clear[4] = {200, 200, 200, 0};
    const BYTE half[4] = {100, 0, 0, 128};
    const BYTE red[4] = {0, 0, 255, 255};
    const struct
    {
        const char* name;
        double fx, fy;
        int bpp;
        const BYTE *p00, *p10, *p01, *p11;
        std::array<int, 4> expected;
    } cases[] = {
        {"opaque centre", 0.5, 0.5, 32, a, b, c, d, {40, 50, 60, 255}}, // R: 60.25 -> 60
        {"opaque corner", 0.0, 0.0, 32, a, b, c, d, {10, 20, 30, 255}},
        {"opaque along x", 0.25, 0.0, 24, a, b, c, d, {15, 25, 35, 255}},
        {"all transparent is white", 0.3, 0.6, 32, clear, clear, clear, clear, {255, 255, 255, 0}},
        {"24 bits ignore alpha bytes", 0.5, 0.5, 24, clear, clear, clear, clear, {200, 200, 200, 255}},
        // Half way between opaque red and transparent grey: alpha 127.5 -> 128, and the colour
        // comes from the red pixel alone.
        {"transparent neighbour does not bleed", 0.5, 0.0, 32, red, clear, red, clear, {0, 0, 255, 128}},
        // Weighted by alpha: B = (100 x 128 x 0.5 + 10 x 255 x 0.5) / 191.5 = 40.08 -> 40.
        {"mixed alphas", 0.5, 0.0, 32, half, a, half, a, {40, 13, 20, 192}},
    };
    for (const auto& t : cases)
        EXPECT_EQ(
            Quad(FCEffectBilinearDistort::SampleBilinear(t.fx, t.fy, t.bpp, t.p00, t.p10, t.p01, t.p11)),
            t.expected)
            << t.name;
}

TEST(GeometryDistort, RotationByZeroKeepsSizeAndPixels)
{
    for (int bpp : {24, 32})
    {
        const FCObjImage source = VariedVisible(9, 7, bpp);
        FCObjImage image(source);
        FCEffectRotate effect(0.0, 0);
        ASSERT_TRUE(RunEffect(image, effect, 3));
        EXPECT_TRUE(testimg::SamePixels(image, source)) << bpp;
    }
}

TEST(GeometryDistort, RightAngleTurnsKeepTheExactSize)
{
    const struct
    {
        int w, h;
        double degrees;
        int ew, eh;
    } cases[] = {
        {640, 480, 270, 480, 640}, {1920, 1080, 270, 1080, 1920},
        {640, 480, 90, 480, 640},  {2, 4, 180, 2, 4},
        {6, 4, 90, 4, 6},          {1000, 10, 360 - 90, 10, 1000},
    };
    for (const auto& c : cases)
    {
        FCObjImage image = testimg::Flat(c.w, c.h, 24, 1, 2, 3);
        FCEffectRotate effect(c.degrees * kDegree, 0);
        effect.PrepareImage(image);
        EXPECT_EQ(image.Width(), c.ew) << c.w << "x" << c.h << " by " << c.degrees;
        EXPECT_EQ(image.Height(), c.eh) << c.w << "x" << c.h << " by " << c.degrees;
    }
}

TEST(GeometryDistort, QuarterTurnGivesTheRightAngleTurnsPixels)
{
    for (int bpp : {24, 32})
    {
        const FCObjImage source = testimg::Varied(6, 4, bpp, 5);
        FCObjImage opaque(source);
        if (bpp == 32)
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 6; ++x)
                    opaque.PixelAddress(x, y)[3] = 255;
        FCObjImage turned(opaque), expected(opaque);
        FCEffectRotate effect(M_PI / 2, 0);
        RunEffect(turned, effect, 2);
        FCEffectRotate90 quarter;
        RunEffect(expected, quarter, 1);
        EXPECT_TRUE(testimg::SamePixels(turned, expected)) << bpp;
    }
}

TEST(GeometryDistort, BackgroundDarkensAt24BitsAndClearsAt32Bits)
{
    // A flat colour turned by 30 degrees with a black transparent background.
    for (int bpp : {24, 32})
    {
        FCObjImage image = testimg::Flat(20, 12, bpp, 200, 100, 50);
        FCEffectRotate effect(30 * kDegree, 0);
        ASSERT_TRUE(RunEffect(image, effect, 4));
        EXPECT_GT(image.Width(), 20);
        EXPECT_GT(image.Height(), 12);
        EXPECT_EQ(Px(image, 0, 0), (std::array<int, 4>{0, 0, 0, bpp == 32 ? 0 : -1})) << "corner, " << bpp;
        int partial = 0, full = 0;
        for (int y = 0; y < image.Height(); ++y)
            for (int x = 0; x < image.Width(); ++x)
            {
                const auto p = Px(image, x, y);
                if (bpp == 24)
                {
                    // Every pixel is the colour scaled towards black, the border in between.
                    const bool isFull = p == std::array<int, 4>{200, 100, 50, -1};
                    full += isFull;
                    partial += !isFull && p[0] > 0 && p[0] < 200;
                }
                else if (p[3] > 0)
                {
                    // Colours are weighted by alpha: the border keeps the colour, fades in alpha.
                    EXPECT_EQ(p[0], 200) << x << "," << y;
                    EXPECT_EQ(p[1], 100) << x << "," << y;
                    EXPECT_EQ(p[2], 50) << x << "," << y;
                    full += p[3] == 255;
                    partial += p[3] < 255;
                }
            }
        EXPECT_GT(full, 100) << bpp;
        EXPECT_GT(partial, 10) << bpp;
    }
}

// The rotation, the rhombus and the halving share their rows out themselves, in bands that the
// run's threads take in turn, and keep the reports of one loop: the runner's 0, then one after
// every row from the top, rising to 100; after a refusal no report follows; a run whose flag is
// already set makes its first row only. Whatever the thread count, the bytes are those of one
// thread.
TEST(GeometryDistort, EffectsThatShareTheirRowsInBandsReportAsOneLoop)
{
    const FCObjImage source = testimg::Varied(157, 103, 24, 11);
    const struct
    {
        const char* name;
        std::unique_ptr<FCImageEffect> (*make)();
    } cases[] = {
        {"rotation",
         [] { return std::unique_ptr<FCImageEffect>(new FCEffectRotate(30 * kDegree, 0)); }},    // 188 x 168
        {"rhombus", [] { return std::unique_ptr<FCImageEffect>(new FCEffectLosange(40, -7)); }}, // 197 x 110
        {"halving", [] { return std::unique_ptr<FCImageEffect>(new FCEffectReduce); }},          // 78 x 51
    };
    for (const auto& c : cases)
    {
        FCObjImage single(source);
        ASSERT_TRUE(RunEffect(single, *c.make(), 1));
        const int h = single.Height();
        for (int threads : {1, 2, 8})
        {
            FCObjImage image(source);
            Recorder observer;
            ASSERT_TRUE(RunEffect(image, *c.make(), threads, &observer));
            const std::string what = std::string(c.name) + " on " + std::to_string(threads) + " threads";
            EXPECT_TRUE(testimg::SamePixels(image, single)) << what;
            ASSERT_EQ(observer.calls.size(), std::size_t(h) + 1) << what;
            EXPECT_EQ(observer.calls[0], 0);
            for (int y = 0; y < h; ++y)
                ASSERT_EQ(observer.calls[std::size_t(y) + 1], (y + 1) * 100 / h) << what << ", row " << y;
            EXPECT_FALSE(observer.IsCancelled());
        }
        for (int threads : {1, 8})
            for (int refuseAt : {1, 2, 40, h})
            {
                FCObjImage image(source);
                Recorder observer(refuseAt);
                ASSERT_TRUE(RunEffect(image, *c.make(), threads, &observer));
                const std::string what = std::string(c.name) + " on " + std::to_string(threads) +
                                         " threads, refused at " + std::to_string(refuseAt);
                EXPECT_EQ(observer.calls.size(), std::size_t(refuseAt) + 1) << what;
                EXPECT_TRUE(observer.IsCancelled()) << what;
                ASSERT_EQ(image.Height(), h);
                // One thread stops with the band in hand: the bottom rows are never made.
                if (threads == 1 && refuseAt < 40)
                {
                    EXPECT_TRUE(RowIsZero(image, h - 1)) << what;
                }
            }
        FCObjImage image(source);
        Recorder observer;
        observer.SetCancelFlag(1);
        RunEffect(image, *c.make(), 8, &observer);
        EXPECT_EQ(observer.calls.size(), 2u) << c.name; // the runner's 0 and the first row's
        EXPECT_FALSE(RowIsZero(image, 0)) << c.name;
        for (int y = 1; y < h; ++y)
            ASSERT_TRUE(RowIsZero(image, y)) << c.name << ", row " << y;
    }
}

TEST(GeometryDistort, RotationOfATooLargeOrUndefinedAngleLeavesTheImage)
{
    const FCObjImage source = testimg::Varied(5, 4, 32);
    for (double angle : {std::nan(""), double(INFINITY)})
    {
        FCObjImage image(source);
        FCEffectRotate effect(angle, 0);
        RunEffect(image, effect, 2);
        EXPECT_TRUE(testimg::SamePixels(image, source)) << angle;
    }
}

TEST(GeometryDistort, RotationWhoseBoundingBoxCannotBeHadLeavesTheImage)
{
    // 40000 x 10 turned by 45 degrees needs about 28300 x 28300 pixels: more than a bitmap holds.
    const FCObjImage source = testimg::Varied(40000, 10, 24);
    FCObjImage image(source);
    FCEffectRotate effect(45 * kDegree, 0);
    ASSERT_TRUE(RunEffect(image, effect, 2));
    EXPECT_TRUE(testimg::SamePixels(image, source));
}

TEST(GeometryDistort, RhombusShearsRowsByWholePixels)
{
    // 5 x 4 with dx = +-12: each row moves by 3 pixels. Inside the shape the source comes back
    // exactly with alpha 255; the pixel just left of it on all but the last row is the black
    // fading edge (alpha 255); everything else is 0 with alpha 0.
    const int w = 5, h = 4;
    const FCObjImage source = testimg::Varied(w, h, 32, 31);
    for (int dx : {12, -12})
    {
        FCObjImage image(source);
        FCEffectLosange effect(dx, 0);
        ASSERT_TRUE(RunEffect(image, effect, 2));
        ASSERT_EQ(image.Width(), w + 12);
        ASSERT_EQ(image.Height(), h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < image.Width(); ++x)
            {
                const int s = dx > 0 ? x - 3 * y : x + 3 * y - 12;
                std::array<int, 4> expected{0, 0, 0, 0};
                if (s >= 0 && s < w)
                {
                    expected = Px(source, s, y);
                    expected[3] = 255;
                }
                else if (s == -1 && y < h - 1)
                    expected[3] = 255;
                ASSERT_EQ(Px(image, x, y), expected) << "dx " << dx << " at " << x << "," << y;
            }
    }
}

TEST(GeometryDistort, RhombusShearsColumnsWithDy)
{
    // 4 x 5 with dy = 8: column x moves down by 2 x; the top of the image is the fading edge.
    const int w = 4, h = 5;
    const FCObjImage source = testimg::Varied(w, h, 24, 8);
    FCObjImage image(source);
    FCEffectLosange effect(0, 8);
    ASSERT_TRUE(RunEffect(image, effect, 3));
    ASSERT_EQ(image.Width(), w);
    ASSERT_EQ(image.Height(), h + 8);
    for (int x = 0; x < w; ++x)
        for (int y = 0; y < image.Height(); ++y)
        {
            const int s = y - 2 * x;
            const auto expected = s >= 0 && s < h ? Px(source, x, s) : std::array<int, 4>{0, 0, 0, -1};
            ASSERT_EQ(Px(image, x, y), expected) << x << "," << y;
        }
}

TEST(GeometryDistort, TrapeziumWithoutGainCopiesColoursAndMakesThemOpaque)
{
    const FCObjImage source = testimg::Varied(7, 6, 32, 77);
    FCObjImage image(source);
    FCEffectTrapeze effect(0, 0);
    ASSERT_TRUE(RunEffect(image, effect, 2));
    ASSERT_EQ(image.Width(), 7);
    ASSERT_EQ(image.Height(), 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 7; ++x)
        {
            auto expected = Px(source, x, y);
            expected[3] = 255;
            ASSERT_EQ(Px(image, x, y), expected) << x << "," << y;
        }
}

namespace
{
// The opaque run of one row or column of a 32-bit image: first and last index with alpha 255,
// and whether every pixel between them is opaque and every other one fully transparent.
struct OpaqueSpan
{
    int first = -1, last = -1;
    bool clean = true;
};

OpaqueSpan OpaqueRun(const FCObjImage& image, bool row, int at)
{
    OpaqueSpan r;
    const int n = row ? image.Width() : image.Height();
    for (int i = 0; i < n; ++i)
    {
        const int a = row ? image.PixelAddress(i, at)[3] : image.PixelAddress(at, i)[3];
        if (a == 255)
        {
            if (r.first < 0)
                r.first = i;
            else if (r.last != i - 1)
                r.clean = false;
            r.last = i;
        }
        else if (a != 0)
            r.clean = false;
    }
    return r;
}
} // namespace

TEST(GeometryDistort, TrapeziumKeepsOneSideAtTheSourceSizeAndSpreadsTheOther)
{
    // 10 x 6 source, gain 6: the short side covers the 10 middle pixels of 16, the long side all
    // of them. On the top row and the left column the fading edge adds one opaque black pixel
    // before the picture; the corner where both edges meet falls outside it.
    const struct
    {
        int dx, dy;
        bool row;       // which sides: rows (top, bottom) or columns (left, right)
        int shortSide;  // index of the side kept at the source size
        int shortFirst; // its first opaque pixel
        int longSide;
        int longFirst;
    } cases[] = {
        {6, 0, true, 5, 3, 0, 0},   // dx > 0: bottom short, top spread
        {-6, 0, true, 0, 2, 5, 1},  // dx < 0: top short, bottom spread
        {0, 6, false, 9, 3, 0, 0},  // dy > 0: right short, left spread
        {0, -6, false, 0, 2, 9, 1}, // dy < 0: left short, right spread
    };
    for (const auto& c : cases)
    {
        const std::string where = "dx " + std::to_string(c.dx) + " dy " + std::to_string(c.dy);
        // 10 along the sides that grow, 6 across.
        FCObjImage image = testimg::Flat(c.row ? 10 : 6, c.row ? 6 : 10, 32, 90, 80, 70, 3);
        FCEffectTrapeze effect(c.dx, c.dy);
        ASSERT_TRUE(RunEffect(image, effect, 2)) << where;
        ASSERT_EQ(c.row ? image.Width() : image.Height(), 16) << where;
        const int last = (c.row ? image.Height() : image.Width()) - 1;
        const OpaqueSpan shortRun = OpaqueRun(image, c.row, c.shortSide == 0 ? 0 : last);
        EXPECT_EQ(shortRun.first, c.shortFirst) << where;
        EXPECT_EQ(shortRun.last, 12) << where;
        EXPECT_TRUE(shortRun.clean) << where;
        const OpaqueSpan longRun = OpaqueRun(image, c.row, c.longSide == 0 ? 0 : last);
        EXPECT_EQ(longRun.first, c.longFirst) << where;
        EXPECT_EQ(longRun.last, 15) << where;
        // Inside the shape the flat colour is kept.
        const BYTE* centre = image.PixelAddress(image.Width() / 2, image.Height() / 2);
        EXPECT_EQ((std::array<int, 4>{centre[0], centre[1], centre[2], centre[3]}),
                  (std::array<int, 4>{90, 80, 70, 255}))
            << where;
    }
}

TEST(GeometryDistort, FadingEdgeSamplerCases)
{
    // A flat 3 x 3 source of 100 sampled at (x0 + 0.25, y0 + 0.75): inside 100, the last row
    // fades by (1 - fy), the last column by (1 - fx), left of the first column by fx, above the
    // first row by fy, the bottom-right cell is copied, anything else is clear.
    const int w = 3, h = 3;
    const FCObjImage source = testimg::Flat(w, h, 32, 100, 100, 100, 7);
    auto expected = [&](int x0, int y0) -> int
    {
        if (x0 >= 0 && x0 < w && y0 >= 0 && y0 < h)
        {
            if (x0 < w - 1 && y0 < h - 1) return 100;
            if (x0 < w - 1) return 25;
            if (y0 < h - 1) return 75;
            return 100;
        }
        if (x0 == -1 && y0 >= 0 && y0 < h - 1) return 25;
        if (y0 == -1 && x0 >= 0 && x0 < w - 1) return 75;
        return -1; // clear
    };
    for (int x0 : {-3, -2, -1, 0, 1, w - 1, w, w + 1})
        for (int y0 : {-3, -2, -1, 0, h - 2, h - 1, h, h + 1})
        {
            BYTE pixel[4] = {1, 2, 3, 4};
            SampleFadingEdges(source, float(x0) + 0.25f, float(y0) + 0.75f, pixel);
            const int e = expected(x0, y0);
            const std::array<int, 4> want =
                e < 0 ? std::array<int, 4>{0, 0, 0, 0} : std::array<int, 4>{e, e, e, 255};
            EXPECT_EQ((std::array<int, 4>{pixel[0], pixel[1], pixel[2], pixel[3]}), want) << x0 << "," << y0;
        }
    // Points far away or not numbers are clear, without an overflowing conversion.
    for (auto [sx, sy] : {std::pair{3e9f, 0.0f}, {-3e9f, 1.0f}, {0.0f, NAN}, {INFINITY, 0.0f}})
    {
        BYTE pixel[4] = {1, 2, 3, 4};
        SampleFadingEdges(source, sx, sy, pixel);
        EXPECT_EQ((std::array<int, 4>{pixel[0], pixel[1], pixel[2], pixel[3]}),
                  (std::array<int, 4>{0, 0, 0, 0}));
    }
    // Inside, x is interpolated before y: S = 10 x + 100 y at (0.25, 0.75) gives 77.5 -> 78.
    FCObjImage ramp;
    ramp.Create(3, 3, 24);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            ramp.PixelAddress(x, y)[0] = BYTE(10 * x + 100 * y);
    BYTE pixel[3] = {};
    SampleFadingEdges(ramp, 0.25f, 0.75f, pixel);
    EXPECT_EQ(pixel[0], 78);
}

TEST(GeometryDistort, OffsetsBeyondWhatAnImageHoldsLeaveTheImage)
{
    const FCObjImage source = testimg::Varied(4, 3, 24);
    for (auto [dx, dy] : {std::pair{1000000000, 0},
                          {0, -1000000000},
                          {INT_MAX, INT_MAX},
                          {INT_MIN, INT_MIN},
                          {INT_MIN, 0},
                          {100000, 100000}})
    {
        FCObjImage a(source), b(source);
        FCEffectLosange losange(dx, dy);
        FCEffectTrapeze trapeze(dx, dy);
        RunEffect(a, losange, 2);
        RunEffect(b, trapeze, 2);
        EXPECT_TRUE(testimg::SamePixels(a, source)) << dx << "," << dy;
        EXPECT_TRUE(testimg::SamePixels(b, source)) << dx << "," << dy;
    }
}

TEST(GeometryDistort, LargeTrapeziumGainsAreComputedWithoutOverflow)
{
    // 1 x 2 with a width gain of 60000: the products gain x column pass 2^31. The bottom side stays
    // one pixel wide, in the middle of the new width, and nothing else of it is drawn.
    FCObjImage image = testimg::Flat(1, 2, 32, 10, 20, 30, 255);
    FCEffectTrapeze effect(60000, 0);
    ASSERT_TRUE(RunEffect(image, effect, 4));
    ASSERT_EQ(image.Width(), 60001);
    ASSERT_EQ(image.Height(), 2);
    const OpaqueSpan bottom = OpaqueRun(image, true, 1);
    EXPECT_EQ(bottom.first, 30000);
    EXPECT_EQ(bottom.last, 30000);
    EXPECT_TRUE(bottom.clean);
    EXPECT_EQ(Px(image, 30000, 1), (std::array<int, 4>{10, 20, 30, 255}));
}

TEST(GeometryDistort, RotationMapsThroughRotatePointExactly)
{
    // The rotation evaluates its sine and cosine once; every mapped point must still be the one
    // RotatePoint gives, to the last bit.
    for (double degrees : {0.0, 30.0, 90.0, 137.5, 270.0, 359.9})
    {
        FCObjImage image = testimg::Varied(13, 8, 24);
        const double angle = degrees * kDegree;
        FCEffectRotate effect(angle, 0);
        effect.PrepareImage(image);
        const int nw = effect.NewWidth(), nh = effect.NewHeight();
        ASSERT_EQ(image.Width(), nw);
        ASSERT_EQ(image.Height(), nh);
        for (int y = 0; y < nh; y += 3)
            for (int x = 0; x < nw; x += 2)
            {
                double ex = x, ey = y;
                RotatePoint(&ex, &ey, (nw - 1) * 0.5, (nh - 1) * 0.5, 6.283185307179586 - angle);
                ex -= (nw - 13) * 0.5;
                ey -= (nh - 8) * 0.5;
                double sx = 0, sy = 0;
                effect.MapToSource(x, y, &sx, &sy);
                ASSERT_EQ(sx, ex) << degrees << " at " << x << "," << y;
                ASSERT_EQ(sy, ey) << degrees << " at " << x << "," << y;
            }
    }
}
