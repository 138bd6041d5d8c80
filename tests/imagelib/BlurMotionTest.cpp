// Motion, radial and zoom blurs: the walk of the motion blur, the alpha-weighted means, the
// fixed-point sampling against a plain loop written from the formulas, wide images.
#include "TestImages.h"

#include "imagelib/FCBandRunner.h"
#include "imagelib/effects/MotionBlurEffects.h"
#include "imagelib/effects/VectorDispatch.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

namespace
{
FCObjImage Apply(const FCObjImage& source, FCImageEffect& effect, int threads = 1)
{
    FCObjImage image(source);
    RunEffect(image, effect, threads);
    return image;
}

// A 24-bit grey row (B = G = R) from values.
FCObjImage GreyRow(const std::vector<int>& values, int bpp = 24, const std::vector<int>& alphas = {})
{
    FCObjImage image;
    image.Create(int(values.size()), 1, bpp);
    for (std::size_t i = 0; i < values.size(); ++i)
    {
        BYTE* p = image.PixelAddress(int(i), 0);
        p[0] = p[1] = p[2] = BYTE(values[i]);
        if (bpp == 32) p[3] = BYTE(alphas.empty() ? 255 : alphas[i]);
    }
    return image;
}

// The radial and zoom blurs written straight from their formulas, in the integer type given:
// 32 bits as the formulas are stated (for images where nothing overflows), 64 for wide images.
template <class Int> struct Reference
{
    const FCObjImage& src;
    Int cx, cy;
    int b = 0, g = 0, r = 0, a = 0, n = 0;

    void Sample(Int px, Int py)
    {
        if (px < 0 || py < 0 || px >= src.Width() || py >= src.Height()) return;
        const BYTE* p = src.PixelAddress(int(px), int(py));
        const int alpha = src.ColorBits() == 32 ? p[3] : 255;
        b += p[0] * alpha;
        g += p[1] * alpha;
        r += p[2] * alpha;
        a += alpha;
        ++n;
    }
    void SampleFixed(Int u, Int v) { Sample((cx + 32768 + u) / 65536, (cy + 32768 + v) / 65536); }
    void Write(BYTE* out)
    {
        if (a > 0)
        {
            out[0] = BYTE(b / a), out[1] = BYTE(g / a), out[2] = BYTE(r / a);
            if (src.ColorBits() == 32) out[3] = BYTE(a / n);
        }
        else
        {
            out[0] = out[1] = out[2] = 255;
            if (src.ColorBits() == 32) out[3] = 0;
        }
    }
};

template <class Int> Int Centre(int size, double offset)
{
    return (Int(size) << 15) - Int(size * offset * -32768.0);
}

template <class Int> FCObjImage ReferenceRadial(const FCObjImage& src, int angle, double ox, double oy)
{
    FCObjImage out(src);
    const Int span = Int(angle * 1137.4995367163574);
    const Int step = span / 64;
    const Int c2 = (step * step) >> 11;
    for (int y = 0; y < src.Height(); ++y)
        for (int x = 0; x < src.Width(); ++x)
        {
            Reference<Int> ref{src, Centre<Int>(src.Width(), ox), Centre<Int>(src.Height(), oy)};
            ref.Sample(x, y);
            Int u[2], v[2];
            u[0] = u[1] = (Int(x) << 16) - ref.cx;
            v[0] = v[1] = (Int(y) << 16) - ref.cy;
            for (int i = 0; i < 64; ++i)
                for (int k = 0; k < 2; ++k)
                {
                    const Int s = k == 0 ? step : -step;
                    const Int nu = u[k] - ((((u[k] >> 14) * c2) >> 8) + (((v[k] >> 8) * s) >> 8));
                    const Int nv = v[k] + ((((u[k] >> 8) * s) >> 8) - (((v[k] >> 14) * c2) >> 8));
                    u[k] = nu, v[k] = nv;
                    ref.SampleFixed(u[k], v[k]);
                }
            ref.Write(out.PixelAddress(x, y));
        }
    return out;
}

template <class Int> FCObjImage ReferenceZoom(const FCObjImage& src, int strength, double ox, double oy)
{
    FCObjImage out(src);
    for (int y = 0; y < src.Height(); ++y)
        for (int x = 0; x < src.Width(); ++x)
        {
            Reference<Int> ref{src, Centre<Int>(src.Width(), ox), Centre<Int>(src.Height(), oy)};
            ref.Sample(x, y);
            Int u = (Int(x) << 16) - ref.cx, v = (Int(y) << 16) - ref.cy;
            for (int i = 0; i < 64; ++i)
            {
                u += (-(u / 16) * strength) / 1024;
                v += (-(v / 16) * strength) / 1024;
                ref.SampleFixed(u, v);
            }
            ref.Write(out.PixelAddress(x, y));
        }
    return out;
}

// A varied 32-bit image whose alpha is never 0 (fully transparent pixels turn white by design).
FCObjImage VariedNoClearPixel(int w, int h, std::uint32_t seed)
{
    FCObjImage image = testimg::Varied(w, h, 32, seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (image.PixelAddress(x, y)[3] == 0) image.PixelAddress(x, y)[3] = 1;
    return image;
}
} // namespace

// Which pixels see a single bright pixel pins the walk: pixel P takes the samples P + offset, so
// exactly the pixels impulse - offset light up, each with 255 / samples.
TEST(BlurMotion, WalkFollowsTheAngleOneWayOnly)
{
    using Walk = std::vector<std::pair<int, int>>;
    struct Case
    {
        int length, angle;
        Walk offsets;
    };
    const Case cases[] = {
        {5, 0, {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}}},
        {5, 90, {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}}},
        {5, 180, {{0, 0}, {-1, 0}, {-2, 0}, {-3, 0}, {-4, 0}}},
        {5, 270, {{0, 0}, {0, -1}, {0, -2}, {0, -3}, {0, -4}}},
        {4, 45, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
        // dx = dy = 7: twice major 14, error starts at 7, every step diagonal.
        {10, 45, {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}, {8, 8}, {9, 9}}},
        {4, -45, {{0, 0}, {1, -1}, {2, -2}, {3, -3}}},
        // dx 8, dy 4: error starts at 0, so the first step is diagonal.
        {10, 27, {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 3}, {6, 3}, {7, 4}, {8, 4}, {9, 5}}},
        // The steep mirror: dx 4, dy 8.
        {10, 63, {{0, 0}, {1, 1}, {1, 2}, {2, 3}, {2, 4}, {3, 5}, {3, 6}, {4, 7}, {4, 8}, {5, 9}}},
        {10,
         207,
         {{0, 0}, {-1, -1}, {-2, -1}, {-3, -2}, {-4, -2}, {-5, -3}, {-6, -3}, {-7, -4}, {-8, -4}, {-9, -5}}},
    };
    for (const Case& c : cases)
    {
        FCObjImage source = testimg::Flat(31, 31, 24, 0, 0, 0);
        BYTE* impulse = source.PixelAddress(15, 15);
        impulse[0] = impulse[1] = impulse[2] = 255;
        FCEffectBlur_Motion effect(c.length, c.angle);
        const FCObjImage out = Apply(source, effect);
        std::set<std::pair<int, int>> expected, lit;
        for (auto [dx, dy] : c.offsets)
            expected.insert({15 - dx, 15 - dy});
        for (int y = 0; y < 31; ++y)
            for (int x = 0; x < 31; ++x)
            {
                const BYTE* p = out.PixelAddress(x, y);
                if (p[0] == 0) continue;
                lit.insert({x, y});
                EXPECT_EQ(p[0], 255 / int(c.offsets.size()))
                    << c.length << "/" << c.angle << " at " << x << "," << y;
            }
        EXPECT_EQ(lit, expected) << "length " << c.length << ", angle " << c.angle;
    }
}

TEST(BlurMotion, FewerSamplesTowardTheEdge)
{
    const FCObjImage row = GreyRow({10, 20, 30, 40, 50, 60, 70});
    FCEffectBlur_Motion right(5, 0);
    const FCObjImage out = Apply(row, right);
    const int expected[] = {30, 40, 50, 55, 60, 65, 70};
    for (int x = 0; x < 7; ++x)
        EXPECT_EQ(out.PixelAddress(x, 0)[0], expected[x]) << x;

    // Downwards on a one-column image: the bottom pixel averages only itself.
    FCObjImage column;
    column.Create(1, 4, 24);
    const int values[] = {10, 40, 70, 250};
    for (int y = 0; y < 4; ++y)
        column.PixelAddress(0, y)[0] = BYTE(values[y]);
    FCEffectBlur_Motion down(3, 90);
    const FCObjImage outColumn = Apply(column, down);
    const int expectedColumn[] = {40, 120, 160, 250};
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(outColumn.PixelAddress(0, y)[0], expectedColumn[y]) << y;
}

TEST(BlurMotion, OneSampleIsTheIdentity)
{
    for (int length : {1, 0, -7})
        for (int bpp : {24, 32})
        {
            const FCObjImage source =
                bpp == 32 ? VariedNoClearPixel(13, 9, 5) : testimg::Varied(13, 9, 24, 5);
            FCEffectBlur_Motion effect(length, 30);
            EXPECT_TRUE(testimg::SamePixels(Apply(source, effect), source)) << length << " at " << bpp;
        }
}

// Mean alpha over the samples, colours weighted by alpha; all transparent gives clear white.
TEST(BlurMotion, AlphaWeightedMeans)
{
    const FCObjImage row = GreyRow({100, 200, 50, 70}, 32, {255, 85, 0, 0});
    FCEffectBlur_Motion effect(2, 0);
    const FCObjImage out = Apply(row, effect);
    const BYTE* p = out.PixelAddress(0, 0);
    EXPECT_EQ(p[0], (100 * 255 + 200 * 85) / 340); // 125
    EXPECT_EQ(p[3], 340 / 2);
    p = out.PixelAddress(1, 0); // 200 at 85 beside a clear pixel: the clear one adds no colour
    EXPECT_EQ(p[0], 200);
    EXPECT_EQ(p[3], 85 / 2);
    for (int x : {2, 3})
    {
        p = out.PixelAddress(x, 0);
        EXPECT_EQ(p[0], 255);
        EXPECT_EQ(p[1], 255);
        EXPECT_EQ(p[2], 255);
        EXPECT_EQ(p[3], 0);
    }
}

// A walk of more than 33025 samples of 32-bit pixels sums past 2^31: the means stay exact.
TEST(BlurMotion, LongWalksAverageExactly)
{
    const int w = 40000;
    FCObjImage row;
    row.Create(w, 1, 32);
    for (int x = 0; x < w; ++x)
    {
        BYTE* p = row.PixelAddress(x, 0);
        p[0] = 255, p[1] = BYTE(x % 2 ? 240 : 10), p[2] = 7, p[3] = BYTE(x % 7 ? 255 : 3);
    }
    FCEffectBlur_Motion effect(w, 0);
    FCObjImage image(row);
    effect.PrepareImage(image);
    for (int x : {0, 1, 1000, w - 2, w - 1})
    {
        effect.ApplyToPixel(image, x, 0, image.PixelAddress(x, 0));
        long long g = 0, a = 0;
        for (int k = x; k < w; ++k)
        {
            const BYTE* p = row.PixelAddress(k, 0);
            g += p[1] * p[3], a += p[3];
        }
        const BYTE* p = image.PixelAddress(x, 0);
        EXPECT_EQ(p[0], 255) << x;
        EXPECT_EQ(p[1], g / a) << x;
        EXPECT_EQ(p[2], 7) << x;
        EXPECT_EQ(p[3], a / (w - x)) << x;
    }
}

TEST(BlurRadialZoom, AllClearSamplesGiveClearWhite)
{
    const FCObjImage clear = testimg::Flat(6, 5, 32, 10, 20, 30, 0);
    FCEffectBlur_Radial radial(45, 0, 0);
    FCEffectBlur_Zoom zoom(50, 0.5, 0);
    for (FCImageEffect* effect : {static_cast<FCImageEffect*>(&radial), static_cast<FCImageEffect*>(&zoom)})
        EXPECT_TRUE(testimg::SamePixels(Apply(clear, *effect), testimg::Flat(6, 5, 32, 255, 255, 255, 0)));
}

TEST(BlurRadial, AngleSpanAndClamping)
{
    const std::pair<int, int> cases[] = {{45, 51187}, {3, 3412},     {0, 0},
                                         {-5, 0},     {360, 409499}, {400, 409499}};
    for (auto [angle, span] : cases)
        EXPECT_EQ(FCEffectBlur_Radial(angle, 0, 0).AngleSpan(), span) << angle;
}

TEST(BlurRadial, AngleZeroIsTheIdentity)
{
    for (int bpp : {24, 32})
    {
        const FCObjImage source = bpp == 32 ? VariedNoClearPixel(11, 7, 9) : testimg::Varied(11, 7, 24, 9);
        FCEffectBlur_Radial effect(0, 0.7, -1.5);
        EXPECT_TRUE(testimg::SamePixels(Apply(source, effect), source)) << bpp;
    }
}

TEST(BlurRadialZoom, CentrePixelOfAnEvenImageIsUnchanged)
{
    const FCObjImage source = testimg::Varied(16, 12, 24, 3);
    FCEffectBlur_Radial radial(45, 0, 0);
    FCEffectBlur_Zoom zoom(100, 0, 0);
    for (FCImageEffect* effect : {static_cast<FCImageEffect*>(&radial), static_cast<FCImageEffect*>(&zoom)})
    {
        const FCObjImage out = Apply(source, *effect);
        EXPECT_EQ(0, std::memcmp(out.PixelAddress(8, 6), source.PixelAddress(8, 6), 3));
        EXPECT_FALSE(testimg::SamePixels(out, source)); // the rest does move
    }
}

// Production code against the formulas, over offsets, angles, strengths, both depths, runs of a
// row longer than the blurs work out at once, one thread or four, either instruction set.
TEST(BlurRadialZoom, MatchTheFormulas)
{
    struct Case
    {
        int w, h, bpp;
        int param;
        double ox, oy;
    };
    const Case cases[] = {
        {23, 17, 24, 3, 0, 0},     {23, 17, 32, 45, 0, 0},       {24, 18, 32, 360, 0.3, -0.4},
        {19, 31, 24, 90, 2, -2},   {40, 9, 32, 17, -1.25, 1.75}, {1, 1, 24, 45, 0, 0},
        {5, 1, 32, 200, 0.5, 0.5}, {301, 6, 24, 30, 0.1, 0},
    };
    for (bool avx2 : {true, false})
    {
        AllowAvx2(avx2);
        for (const Case& c : cases)
            for (int threads : {1, 4})
            {
                const FCObjImage source = testimg::Varied(c.w, c.h, c.bpp, std::uint32_t(c.param));
                FCEffectBlur_Radial radial(c.param, c.ox, c.oy);
                EXPECT_TRUE(testimg::SamePixels(Apply(source, radial, threads),
                                                ReferenceRadial<std::int32_t>(source, c.param, c.ox, c.oy)))
                    << "radial " << c.param << " on " << c.w << "x" << c.h << "x" << c.bpp << ", " << threads
                    << " threads, avx2 " << avx2;
                const int strength = c.param > 100 ? 100 : (c.param < 1 ? 1 : c.param);
                FCEffectBlur_Zoom zoom(strength, c.ox, c.oy);
                EXPECT_TRUE(testimg::SamePixels(Apply(source, zoom, threads),
                                                ReferenceZoom<std::int32_t>(source, strength, c.ox, c.oy)))
                    << "zoom " << strength << " on " << c.w << "x" << c.h << "x" << c.bpp << ", " << threads
                    << " threads, avx2 " << avx2;
            }
    }
    AllowAvx2(true);
}

// Beyond 32768 pixels the 16.16 positions no longer fit 32 bits; the blurs work all the same.
TEST(BlurRadialZoom, ImagesWiderThan32768Pixels)
{
    const FCObjImage source = testimg::Varied(70000, 2, 24, 77);
    FCEffectBlur_Radial radial(45, 1.5, 0);
    EXPECT_TRUE(
        testimg::SamePixels(Apply(source, radial, 4), ReferenceRadial<std::int64_t>(source, 45, 1.5, 0)));
    FCEffectBlur_Zoom zoom(100, -1.5, 0);
    EXPECT_TRUE(
        testimg::SamePixels(Apply(source, zoom, 4), ReferenceZoom<std::int64_t>(source, 100, -1.5, 0)));
}

// With strength 100 the 64th sample lies at 0.6758 of the distance to the centre. On a row of
// 3001 pixels centred at 1500.5, the last pixel (1499.5 from the centre) reaches down to 2514.
TEST(BlurZoom, SamplesReachTwoThirdsOfTheWay)
{
    std::vector<int> values(3001, 0);
    values[2514] = 255;
    FCEffectBlur_Zoom zoom(100, 0, 0);
    const FCObjImage out = Apply(GreyRow(values), zoom);
    EXPECT_GT(out.PixelAddress(3000, 0)[0], 0); // the farthest sample lands on 2514
    values[2514] = 0;
    values[2513] = 255;
    EXPECT_EQ(Apply(GreyRow(values), zoom).PixelAddress(3000, 0)[0], 0); // and none beyond it
}

// With strength 1 an offset below a quarter pixel does not move: the pixel samples only itself.
TEST(BlurZoom, WeakStrengthLeavesPixelsNearTheCentre)
{
    const FCObjImage source = testimg::Varied(10, 10, 24, 8);
    FCEffectBlur_Zoom zoom(1, 0.01, -0.02); // centre at (5.05, 4.9)
    const FCObjImage out = Apply(source, zoom);
    EXPECT_EQ(0, std::memcmp(out.PixelAddress(5, 5), source.PixelAddress(5, 5), 3));
    EXPECT_EQ(0, std::memcmp(out.PixelAddress(5, 4), source.PixelAddress(5, 4), 3));
}

// Beyond 32768 each step would throw the offset further out than it was and the 16.16 values
// would overflow: the strength is held there, where a step at most mirrors the offset.
TEST(BlurZoom, StrengthIsHeldWhereTheStepsStayBounded)
{
    const FCObjImage source = testimg::Varied(300, 200, 24, 5);
    FCEffectBlur_Zoom held(32768, 2, -2), huge(INT_MAX, 2, -2);
    EXPECT_TRUE(testimg::SamePixels(Apply(source, huge), Apply(source, held)));
    EXPECT_TRUE(testimg::SamePixels(Apply(source, held), ReferenceZoom<std::int64_t>(source, 32768, 2, -2)));
}
