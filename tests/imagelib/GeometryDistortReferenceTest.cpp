// The free rotation, rhombus and trapezium against plain reference loops: every destination pixel
// mapped and sampled by the formulas written out one after the other, with nothing hoisted or
// specialised. The production loops must give the same bytes on every size, angle and depth, on
// one to eight threads, and with every instruction set the processor has (the vector loops take
// groups of pixels whose four neighbours are inside; the rest go pixel by pixel).
#include "TestImages.h"

#include "imagelib/FCBandRunner.h"
#include "imagelib/effects/DistortEffects.h"
#include "imagelib/effects/VectorDispatch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace
{
constexpr double kDegree = 0.017453292519943295;

// Clamped to 0..255, 0.5 added, truncated.
BYTE StoreDouble(double v)
{
    if (!(v > 0.0)) return 0;
    if (v > 255.0) v = 255.0;
    return BYTE(int(v + 0.5));
}

double Lerp2(double q00, double q10, double q01, double q11, double fx, double fy)
{
    const double t = (q10 - q00) * fx + q00;
    const double b = (q11 - q01) * fx + q01;
    return (b - t) * fy + t;
}

// Varied colours; at 32 bits one pixel in `every` keeps any alpha and the others are opaque, so
// both branches of the sampler are taken: with every = 3 nearly all groups of neighbours hold a
// translucent pixel, with every = 61 most groups of pixels are wholly opaque.
FCObjImage Mixed(int w, int h, int bpp, std::uint32_t seed, int every = 3)
{
    FCObjImage image = testimg::Varied(w, h, bpp, seed);
    if (bpp == 32)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if ((x + 2 * y) % every != 0) image.PixelAddress(x, y)[3] = 255;
    return image;
}

// Runs check(set, threads) with every instruction set (2: the widest the processor has, 1: AVX2
// at most, 0: the baseline) on 1, 2, 3, 7 and 8 threads, then allows every set again.
template <class Check> void ForEverySetAndThreads(Check check)
{
    for (int set : {2, 1, 0})
    {
        AllowAvx2(set >= 1);
        AllowAvx512(set >= 2);
        for (int threads : {1, 2, 3, 7, 8})
            check(set, threads);
    }
    AllowAvx2(true);
    AllowAvx512(true);
}

// The free rotation of src into an image of nw x nh, pixel by pixel.
FCObjImage ReferenceRotate(const FCObjImage& src, double angle, std::uint32_t background, int nw, int nh)
{
    const int w = src.Width(), h = src.Height(), bpp = src.ColorBits();
    const BYTE bg[4] = {BYTE(background), BYTE(background >> 8), BYTE(background >> 16),
                        BYTE(background >> 24)};
    FCObjImage out;
    out.Create(nw, nh, bpp);
    for (int y = 0; y < nh; ++y)
        for (int x = 0; x < nw; ++x)
        {
            double sx = x, sy = y;
            RotatePoint(&sx, &sy, (nw - 1) * 0.5, (nh - 1) * 0.5, 6.283185307179586 - angle);
            sx -= (nw - w) * 0.5;
            sy -= (nh - h) * 0.5;
            BYTE result[4] = {bg[0], bg[1], bg[2], bg[3]};
            if (sx > -1.0 && sx < w && sy > -1.0 && sy < h)
            {
                const int x0 = sx >= 0 ? int(sx) : -1;
                const int y0 = sy >= 0 ? int(sy) : -1;
                const double fx = sx - x0, fy = sy - y0;
                const BYTE* q[4];
                for (int k = 0; k < 4; ++k)
                {
                    const int px = x0 + (k & 1), py = y0 + (k >> 1);
                    q[k] = (px >= 0 && px < w && py >= 0 && py < h) ? src.PixelAddress(px, py) : bg;
                }
                result[0] = result[1] = result[2] = result[3] = 255;
                if (bpp != 24 && (q[0][3] != 255 || q[1][3] != 255 || q[2][3] != 255 || q[3][3] != 255))
                {
                    const double a = Lerp2(q[0][3], q[1][3], q[2][3], q[3][3], fx, fy);
                    result[3] = StoreDouble(a);
                    if (result[3] != 0)
                        for (int c = 0; c < 3; ++c)
                            result[c] = StoreDouble(Lerp2(q[0][c] * q[0][3], q[1][c] * q[1][3],
                                                          q[2][c] * q[2][3], q[3][c] * q[3][3], fx, fy) *
                                                    (1.0 / a));
                }
                else
                    for (int c = 0; c < 3; ++c)
                        result[c] = StoreDouble(Lerp2(q[0][c], q[1][c], q[2][c], q[3][c], fx, fy));
            }
            BYTE* p = out.PixelAddress(x, y);
            for (int c = 0; c < bpp / 8; ++c)
                p[c] = result[c];
        }
    return out;
}

// The edge-fading sampler, case by case, into pixel p of the format of s.
void ReferenceFade(const FCObjImage& s, float sx, float sy, BYTE* p)
{
    const int w = s.Width(), h = s.Height(), bpp = s.ColorBits();
    const int i = int(sx + 2.0f), j = int(sy + 2.0f);
    const float fx = (sx + 2.0f) - float(i), fy = (sy + 2.0f) - float(j);
    const int x0 = i - 2, y0 = j - 2, x1 = x0 + 1, y1 = y0 + 1;
    auto S = [&](int x, int y, int c) { return float(s.PixelAddress(x, y)[c]); };
    for (int c = 0; c < 3; ++c)
    {
        float v;
        if (x0 >= 0 && x0 < w && y0 >= 0 && y0 < h)
        {
            if (x0 < w - 1 && y0 < h - 1)
            {
                const float t = (S(x1, y0, c) - S(x0, y0, c)) * fx + S(x0, y0, c);
                const float b = (S(x1, y1, c) - S(x0, y1, c)) * fx + S(x0, y1, c);
                v = (b - t) * fy + t;
            }
            else if (x0 < w - 1)
                v = ((S(x1, y0, c) - S(x0, y0, c)) * fx + S(x0, y0, c)) * (1.0f - fy);
            else if (y0 < h - 1)
            {
                const float g = 1.0f - fx;
                v = (S(x0, y1, c) * g - S(x0, y0, c) * g) * fy + S(x0, y0, c) * g;
            }
            else
                v = S(x0, y0, c);
        }
        else if (x0 == -1 && y0 >= 0 && y0 < h - 1)
            v = (S(0, y1, c) * fx - S(0, y0, c) * fx) * fy + S(0, y0, c) * fx;
        else if (y0 == -1 && x0 >= 0 && x0 < w - 1)
            v = ((S(x1, 0, c) - S(x0, 0, c)) * fx + S(x0, 0, c)) * fy;
        else
        {
            p[0] = p[1] = p[2] = 0;
            if (bpp == 32) p[3] = 0;
            return;
        }
        p[c] = v <= 0.0f ? 0 : (v >= 255.0f ? 255 : BYTE(int(v + 0.5f)));
    }
    if (bpp == 32) p[3] = 255;
}

FCObjImage ReferenceRhombus(const FCObjImage& src, int dx, int dy)
{
    const int w = src.Width(), h = src.Height();
    FCObjImage out;
    out.Create(w + std::abs(dx), h + std::abs(dy), src.ColorBits());
    const float kx = float(dx) / float(h), ky = float(dy) / float(w);
    const int ox = dx < 0 ? -dx : 0, oy = dy < 0 ? -dy : 0;
    for (int y = 0; y < out.Height(); ++y)
        for (int x = 0; x < out.Width(); ++x)
            ReferenceFade(src, float(x) - float(y) * kx - float(ox), float(y) - float(x) * ky - float(oy),
                          out.PixelAddress(x, y));
    return out;
}

FCObjImage ReferenceTrapezium(const FCObjImage& src, int dx, int dy)
{
    const int W = src.Width() + std::abs(dx), H = src.Height() + std::abs(dy);
    FCObjImage out;
    out.Create(W, H, src.ColorBits());
    const int hdx = dx / 2, hdy = dy / 2;
    const float iW = 1.0f / float(W), iH = 1.0f / float(H), i2W = 1.0f / float(2 * W),
                i2H = 1.0f / float(2 * H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
        {
            float sx, sy;
            if (dx < 0)
                sx = iH * float(y) * (float(dx * x) * iW) + float(x) - float(dx * y) * i2H + float(hdx);
            else
            {
                const int u = H - 1 - y;
                sx = float(x) - float(u) * iH * (float(dx * x) * iW) + float(u * dx) * i2H - float(hdx);
            }
            if (dy < 0)
                sy = iW * float(x) * (float(dy * y) * iH) + float(y) - float(dy * x) * i2W + float(hdy);
            else
            {
                const int v = W - 1 - x;
                sy = float(y) - float(v) * iW * (float(dy * y) * iH) + float(v * dy) * i2W - float(hdy);
            }
            ReferenceFade(src, sx, sy, out.PixelAddress(x, y));
        }
    return out;
}

std::string Case(int w, int h, int bpp, int set, int threads, const std::string& what)
{
    return std::to_string(w) + "x" + std::to_string(h) + "x" + std::to_string(bpp) + " on " +
           std::to_string(threads) + " threads, instruction set " + std::to_string(set) + ", " + what;
}

// Rows narrower than one vector group, a few groups and a tail, and many groups; a prime height
// whose turned picture has many bands of rows for the threads to share.
const std::pair<int, int> kSizes[] = {{2, 2},  {3, 2},    {2, 5},    {17, 11},
                                      {64, 9}, {131, 77}, {300, 23}, {211, 101}};
} // namespace

TEST(GeometryDistortReference, RotationMatchesThePlainLoopByteForByte)
{
    const double degrees[] = {0, 12.5, 30, 45, 90, 135, 180, 200, 270, 333.3, 359.99};
    // Black transparent, opaque grey, half-transparent red.
    const std::uint32_t backgrounds[] = {0x00000000u, 0xFF808080u, 0x80FF0000u};
    for (int bpp : {24, 32})
        for (int every : {3, 61})
            for (const auto& size : kSizes)
            {
                const int w = size.first, h = size.second; // named, so that lambdas may capture them
                if (bpp == 24 && every != 3) continue;
                const FCObjImage source = Mixed(w, h, bpp, std::uint32_t(w * 131 + h), every);
                for (double deg : degrees)
                    for (std::uint32_t bg : backgrounds)
                    {
                        FCObjImage expected;
                        ForEverySetAndThreads(
                            [&](int set, int threads)
                            {
                                FCObjImage image(source);
                                FCEffectRotate effect(deg * kDegree, bg);
                                ASSERT_TRUE(RunEffect(image, effect, threads));
                                if (!expected.HasBits())
                                    expected = ReferenceRotate(source, deg * kDegree, bg, image.Width(),
                                                               image.Height());
                                ASSERT_TRUE(testimg::SamePixels(image, expected)) << Case(
                                    w, h, bpp, set, threads,
                                    std::to_string(deg) + " degrees, background " + std::to_string(bg) +
                                        ", one pixel in " + std::to_string(every) + " translucent");
                            });
                    }
            }
}

TEST(GeometryDistortReference, RhombusAndTrapeziumMatchThePlainLoopByteForByte)
{
    const std::pair<int, int> offsets[] = {{0, 0},    {10, 0},  {-10, 0}, {0, 7},   {0, -7},
                                           {25, -13}, {-3, 40}, {1, 1},   {200, 0}, {-150, 9}};
    const std::pair<int, int> sizes[] = {{1, 1},  {1, 6},    {5, 1},    {2, 2},    {17, 11},
                                         {64, 9}, {131, 77}, {300, 23}, {211, 101}};
    for (int bpp : {24, 32})
        for (const auto& size : sizes)
        {
            const int w = size.first, h = size.second;
            const FCObjImage source = Mixed(w, h, bpp, std::uint32_t(w * 7 + h));
            for (const auto& offset : offsets)
            {
                const int dx = offset.first, dy = offset.second;
                const std::string what = "dx " + std::to_string(dx) + ", dy " + std::to_string(dy);
                const FCObjImage expectedRhombus = ReferenceRhombus(source, dx, dy);
                const FCObjImage expectedTrapezium = ReferenceTrapezium(source, dx, dy);
                ForEverySetAndThreads(
                    [&](int set, int threads)
                    {
                        FCObjImage rhombus(source);
                        FCEffectLosange losange(dx, dy);
                        ASSERT_TRUE(RunEffect(rhombus, losange, threads));
                        ASSERT_TRUE(testimg::SamePixels(rhombus, expectedRhombus))
                            << Case(w, h, bpp, set, threads, "rhombus " + what);
                        FCObjImage trapezium(source);
                        FCEffectTrapeze trapeze(dx, dy);
                        ASSERT_TRUE(RunEffect(trapezium, trapeze, threads));
                        ASSERT_TRUE(testimg::SamePixels(trapezium, expectedTrapezium))
                            << Case(w, h, bpp, set, threads, "trapezium " + what);
                    });
            }
        }
}
