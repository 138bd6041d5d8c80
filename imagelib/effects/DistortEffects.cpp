#include "imagelib/effects/DistortEffects.h"

#include "imagelib/FCParallel.h"
#include "imagelib/PixelHelpers.h"
#include "imagelib/effects/FlipRotateEffects.h"
#include "imagelib/effects/VectorDispatch.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#ifdef ORVALIS_AVX2_TARGET
#include <immintrin.h>
#endif

// The vector loops pass vectors wider than the baseline's registers between functions of this
// file only; they never cross into another unit, so the note on how such vectors are passed does
// not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace
{
constexpr double kTwoPi = 6.283185307179586;

// The turn of RotatePoint with its cosine and sine already evaluated.
inline void TurnPoint(double* x, double* y, double cx, double cy, double c, double s)
{
    const double dx = *x - cx;
    const double dy = cy - *y;
    *x = cx + dx * c + dy * s;
    *y = cy - (dy * c - dx * s);
}

inline double Interpolate(double q00, double q10, double q01, double q11, double fx, double fy)
{
    const double t = (q10 - q00) * fx + q00;
    const double b = (q11 - q01) * fx + q01;
    return (b - t) * fy + t;
}

// The bilinear sample of p00, its right neighbour p10, the one below it p01 and p11 at (fx, fy),
// written as N bytes. At 4 bytes, unless the four are opaque, colours are weighted by their alpha
// and a fully transparent result is white.
template <int N>
inline void SampleInto(double fx, double fy, const BYTE* p00, const BYTE* p10, const BYTE* p01,
                       const BYTE* p11, BYTE* out)
{
    if constexpr (N == 4)
    {
        if ((p00[3] & p10[3] & p01[3] & p11[3]) != 255)
        {
            const double a = Interpolate(p00[3], p10[3], p01[3], p11[3], fx, fy);
            out[3] = RoundClampToByte(a);
            if (out[3] == 0)
            {
                out[0] = out[1] = out[2] = 255;
                return;
            }
            const double inv = 1.0 / a;
            for (int c = 0; c < 3; ++c)
                out[c] =
                    RoundClampToByte(Interpolate(double(p00[c] * p00[3]), double(p10[c] * p10[3]),
                                                 double(p01[c] * p01[3]), double(p11[c] * p11[3]), fx, fy) *
                                     inv);
            return;
        }
        out[3] = 255;
    }
    for (int c = 0; c < 3; ++c)
        out[c] = RoundClampToByte(Interpolate(p00[c], p10[c], p01[c], p11[c], fx, fy));
}

// The colour of source point (sx, sy), N bytes: the background outside, else the bilinear sample
// of the four neighbours, those outside the source counting as the background.
template <int N>
inline void SampleSource(const FCObjImage& source, const BYTE* background, double sx, double sy, BYTE* pixel)
{
    const int w = source.Width();
    const int h = source.Height();
    if (!(sx > -1.0 && sx < double(w) && sy > -1.0 && sy < double(h)))
    {
        for (int c = 0; c < N; ++c)
            pixel[c] = background[c];
        return;
    }
    const int x0 = sx >= 0.0 ? int(sx) : -1;
    const int y0 = sy >= 0.0 ? int(sy) : -1;
    const double fx = sx - x0;
    const double fy = sy - y0;
    if (x0 >= 0 && y0 >= 0 && x0 + 1 < w && y0 + 1 < h)
    {
        // The four neighbours inside: the common case.
        const BYTE* p00 = source.RowAddress(y0) + std::size_t(x0) * N;
        const BYTE* p01 = source.RowAddress(y0 + 1) + std::size_t(x0) * N;
        SampleInto<N>(fx, fy, p00, p00 + N, p01, p01 + N, pixel);
        return;
    }
    auto at = [&](int px, int py) -> const BYTE*
    { return source.IsInside(px, py) ? source.PixelAddress(px, py) : background; };
    SampleInto<N>(fx, fy, at(x0, y0), at(x0 + 1, y0), at(x0, y0 + 1), at(x0 + 1, y0 + 1), pixel);
}

// A single-precision value to a byte: clamped to 0..255, 0.5 added, truncated (in float). NaN
// gives 0.
inline BYTE RoundClampFloatToByte(float v)
{
    if (!(v > 0.0f)) return 0;
    if (v >= 255.0f) return 255;
    return BYTE(int(v + 0.5f));
}

// A ceiling that ignores the rounding noise of sine and cosine at right angles, so that a turn by
// 90 degrees of 640 x 480 gives 480 x 640 and not 481 x 640. -1 when it does not fit an int.
long long CeilExtent(double extent)
{
    const double c = std::ceil(extent - 1e-7);
    if (!(c >= 1.0) || c > double(INT_MAX)) return -1;
    return (long long)c;
}
} // namespace

void RotatePoint(double* x, double* y, double cx, double cy, double angle)
{
    TurnPoint(x, y, cx, cy, std::cos(angle), std::sin(angle));
}

// ---------------------------------------------------------------------------------------------

FCEffectBilinearDistort::FCEffectBilinearDistort(std::uint32_t background)
{
    m_background.rgbBlue = BYTE(background & 0xFF);
    m_background.rgbGreen = BYTE((background >> 8) & 0xFF);
    m_background.rgbRed = BYTE((background >> 16) & 0xFF);
    m_background.rgbReserved = BYTE((background >> 24) & 0xFF);
}

bool FCEffectBilinearDistort::AcceptsImage(const FCObjImage& image)
{
    return image.HasBits() && image.ColorBits() >= 24 && image.Width() >= 2 && image.Height() >= 2;
}

void FCEffectBilinearDistort::PrepareImage(FCObjImage& image)
{
    m_source = image;
}

RGBQUAD FCEffectBilinearDistort::SampleBilinear(double fx, double fy, int bpp, const BYTE* p00,
                                                const BYTE* p10, const BYTE* p01, const BYTE* p11)
{
    RGBQUAD out{255, 255, 255, 255};
    if (bpp == 24)
        SampleInto<3>(fx, fy, p00, p10, p01, p11, &out.rgbBlue);
    else
        SampleInto<4>(fx, fy, p00, p10, p01, p11, &out.rgbBlue);
    return out;
}

void FCEffectBilinearDistort::ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    if (!m_source.HasBits()) return; // nothing was prepared: the image is left as it is
    double sx = 0.0, sy = 0.0;
    MapToSource(x, y, &sx, &sy);
    if (image.ColorBits() == 32)
        SampleSource<4>(m_source, &m_background.rgbBlue, sx, sy, pixel);
    else
        SampleSource<3>(m_source, &m_background.rgbBlue, sx, sy, pixel);
}

void FCEffectBilinearDistort::ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel,
                                                 FCEffectThreadState*)
{
    if (!m_source.HasBits()) return;
    const int w = image.Width();
    auto run = [&](auto n)
    {
        constexpr int N = decltype(n)::value;
        for (int x = 0; x < w; ++x, row += bytesPerPixel)
        {
            double sx = 0.0, sy = 0.0;
            MapToSource(x, y, &sx, &sy);
            SampleSource<N>(m_source, &m_background.rgbBlue, sx, sy, row);
        }
    };
    if (image.ColorBits() == 32)
        run(std::integral_constant<int, 4>{});
    else
        run(std::integral_constant<int, 3>{});
}

// ---------------------------------------------------------------------------------------------

FCEffectRotate::FCEffectRotate(double angle, std::uint32_t background)
    : FCEffectBilinearDistort(background), m_angle(angle)
{
}

void FCEffectRotate::PrepareImage(FCObjImage& image)
{
    m_source.Destroy();
    m_newWidth = m_newHeight = 0;
    if (!image.HasBits()) return;
    const int w = image.Width();
    const int h = image.Height();
    const double cx = w * 0.5;
    const double cy = h * 0.5;
    const double c = std::cos(m_angle);
    const double s = std::sin(m_angle);
    double px[4] = {0.0, double(w), 0.0, double(w)};
    double py[4] = {0.0, 0.0, double(h), double(h)};
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (int i = 0; i < 4; ++i)
    {
        TurnPoint(&px[i], &py[i], cx, cy, c, s);
        if (i == 0 || px[i] < minX) minX = px[i];
        if (i == 0 || px[i] > maxX) maxX = px[i];
        if (i == 0 || py[i] < minY) minY = py[i];
        if (i == 0 || py[i] > maxY) maxY = py[i];
    }
    const long long newWidth = CeilExtent(maxX - minX);
    const long long newHeight = CeilExtent(maxY - minY);
    if (newWidth < 1 || newHeight < 1) return; // an angle that is not a number: nothing to do
    // The source is the picture as it was; moving it there costs no copy.
    if (!SwapIntoBackupAndRecreate(image, m_source, newWidth, newHeight)) return;
    m_newWidth = int(newWidth);
    m_newHeight = int(newHeight);
    const double back = kTwoPi - m_angle;
    m_cos = std::cos(back);
    m_sin = std::sin(back);
    m_centreX = (m_newWidth - 1) * 0.5;
    m_centreY = (m_newHeight - 1) * 0.5;
    m_shiftX = (m_newWidth - m_source.Width()) * 0.5;
    m_shiftY = (m_newHeight - m_source.Height()) * 0.5;
}

void FCEffectRotate::MapToSource(int x, int y, double* sx, double* sy)
{
    double px = x, py = y;
    TurnPoint(&px, &py, m_centreX, m_centreY, m_cos, m_sin);
    *sx = px - m_shiftX;
    *sy = py - m_shiftY;
}

void FCEffectRotate::ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    // The base's work with the mapping written in place.
    if (!m_source.HasBits()) return;
    double sx = x, sy = y;
    TurnPoint(&sx, &sy, m_centreX, m_centreY, m_cos, m_sin);
    sx -= m_shiftX;
    sy -= m_shiftY;
    if (image.ColorBits() == 32)
        SampleSource<4>(m_source, &m_background.rgbBlue, sx, sy, pixel);
    else
        SampleSource<3>(m_source, &m_background.rgbBlue, sx, sy, pixel);
}

// ---------------------------------------------------------------------------------------------

namespace
{
// The edge-fading sampler for N bytes per pixel.
template <int N> inline void FadeSample(const FCObjImage& source, float sx, float sy, BYTE* pixel)
{
    const int w = source.Width();
    const int h = source.Height();
    const float ex = sx + 2.0f;
    const float ey = sy + 2.0f;
    // Points far outside (or not numbers) fall in the last case without an int conversion that
    // could overflow.
    constexpr float kFar = 1073741824.0f;
    int x0 = INT_MIN, y0 = INT_MIN;
    float fx = 0.0f, fy = 0.0f;
    if (ex > -kFar && ex < kFar && ey > -kFar && ey < kFar)
    {
        const int i = int(ex);
        const int j = int(ey);
        fx = ex - float(i);
        fy = ey - float(j);
        x0 = i - 2;
        y0 = j - 2;
    }

    int which = 0; // 0: outside
    if (x0 >= 0 && x0 < w && y0 >= 0 && y0 < h)
        which = x0 < w - 1 ? (y0 < h - 1 ? 1 : 2) : (y0 < h - 1 ? 3 : 4);
    else if (x0 == -1 && y0 >= 0 && y0 < h - 1)
        which = 5;
    else if (y0 == -1 && x0 >= 0 && x0 < w - 1)
        which = 6;
    if (which == 0)
    {
        pixel[0] = pixel[1] = pixel[2] = 0;
        if constexpr (N == 4) pixel[3] = 0;
        return;
    }

    // The pixels each case reads: S(x0, y0), S(x1, y0), S(x0, y1), S(x1, y1), with the first
    // column for case 5 and the first row for case 6.
    constexpr int step = N;
    const int cx = which == 5 ? 0 : x0;
    const int cy = which == 6 ? 0 : y0;
    const BYTE* p00 = source.RowAddress(cy) + std::size_t(cx) * std::size_t(step);
    const BYTE* p10 = p00 + step;
    const BYTE* p01 = (which == 1 || which == 3 || which == 5)
                          ? source.RowAddress(cy + 1) + std::size_t(cx) * std::size_t(step)
                          : p00;
    const BYTE* p11 = p01 + step;
    if (which == 1)
    {
        // Inside: the common case, without the case switch.
        for (int c = 0; c < 3; ++c)
        {
            const float s00 = p00[c];
            const float t = (float(p10[c]) - s00) * fx + s00;
            const float b = (float(p11[c]) - float(p01[c])) * fx + float(p01[c]);
            pixel[c] = RoundClampFloatToByte((b - t) * fy + t);
        }
        if constexpr (N == 4) pixel[3] = 255;
        return;
    }
    for (int c = 0; c < 3; ++c)
    {
        const float s00 = p00[c];
        float v = 0.0f;
        switch (which)
        {
        case 1:
        {
            const float t = (float(p10[c]) - s00) * fx + s00;
            const float b = (float(p11[c]) - float(p01[c])) * fx + float(p01[c]);
            v = (b - t) * fy + t;
            break;
        }
        case 2: // last row
            v = ((float(p10[c]) - s00) * fx + s00) * (1.0f - fy);
            break;
        case 3: // last column
        {
            const float g = 1.0f - fx;
            v = (float(p01[c]) * g - s00 * g) * fy + s00 * g;
            break;
        }
        case 4: // bottom-right corner
            v = s00;
            break;
        case 5: // left of the first column
            v = (float(p01[c]) * fx - s00 * fx) * fy + s00 * fx;
            break;
        default: // above the first row
            v = ((float(p10[c]) - s00) * fx + s00) * fy;
            break;
        }
        pixel[c] = RoundClampFloatToByte(v);
    }
    if constexpr (N == 4) pixel[3] = 255;
}

// What the row loops of the rotation need to know of one run.
struct RotateSetup
{
    const FCObjImage* source;
    const BYTE* top;       // the source's row 0
    std::ptrdiff_t stride; // from a row to the one below it
    const BYTE* background;
    int width, height;
    double centreX, centreY, cos, sin, shiftX, shiftY;
};

// And those of the rhombus.
struct RhombusSetup
{
    const FCObjImage* source;
    const BYTE* top;
    std::ptrdiff_t stride;
    int width, height;
    float kx, ky;
    int offsetX, offsetY;
};

namespace distort_generic
{
#define DISTORT_LANES 2
#include "imagelib/effects/DistortKernels.inl"
#undef DISTORT_LANES
} // namespace distort_generic

#ifdef ORVALIS_AVX2_TARGET
ORVALIS_AVX2_BEGIN
namespace distort_avx2
{
#define DISTORT_LANES 4
#include "imagelib/effects/DistortKernels.inl"
#undef DISTORT_LANES
} // namespace distort_avx2
ORVALIS_AVX2_END

ORVALIS_AVX512_BEGIN
namespace distort_avx512
{
#define DISTORT_LANES 8
#include "imagelib/effects/DistortKernels.inl"
#undef DISTORT_LANES
} // namespace distort_avx512
ORVALIS_AVX512_END
#endif

using RotateRowFn = void (*)(const RotateSetup&, int, int, BYTE*);
using RhombusRowFn = void (*)(const RhombusSetup&, int, int, BYTE*);

// The row loops of the widest instruction set allowed, for N bytes per pixel.
template <int N> RotateRowFn ChooseRotateRow()
{
#ifdef ORVALIS_AVX2_TARGET
    if (UseAvx512()) return distort_avx512::RotateRow<N>;
    if (UseAvx2()) return distort_avx2::RotateRow<N>;
#endif
    return distort_generic::RotateRow<N>;
}

template <int N> RhombusRowFn ChooseRhombusRow()
{
#ifdef ORVALIS_AVX2_TARGET
    if (UseAvx512()) return distort_avx512::RhombusRow<N>;
    if (UseAvx2()) return distort_avx2::RhombusRow<N>;
#endif
    return distort_generic::RhombusRow<N>;
}
} // namespace

void FCEffectRotate::ApplyToImage(FCObjImage& image, FCProgressObserver* observer)
{
    if (!m_source.HasBits() || !image.HasBits()) return;
    const RotateSetup setup{&m_source,
                            m_source.RowAddress(0),
                            m_source.RowStride(),
                            &m_background.rgbBlue,
                            m_source.Width(),
                            m_source.Height(),
                            m_centreX,
                            m_centreY,
                            m_cos,
                            m_sin,
                            m_shiftX,
                            m_shiftY};
    const RotateRowFn rowLoop = image.ColorBits() == 32 ? ChooseRotateRow<4>() : ChooseRotateRow<3>();
    const int width = image.Width();
    RowsInBands(image.Height(), observer, [&](int y) { rowLoop(setup, y, width, image.RowAddress(y)); });
}

void SampleFadingEdges(const FCObjImage& source, float sx, float sy, BYTE* pixel)
{
    if (source.ColorBits() == 32)
        FadeSample<4>(source, sx, sy, pixel);
    else
        FadeSample<3>(source, sx, sy, pixel);
}

// ---------------------------------------------------------------------------------------------

FCEffectLosange::FCEffectLosange(int dx, int dy) : m_dx(dx), m_dy(dy) {}

void FCEffectLosange::PrepareImage(FCObjImage& image)
{
    const long long adx = std::llabs((long long)m_dx);
    const long long ady = std::llabs((long long)m_dy);
    if (!SwapIntoBackupAndRecreate(image, m_backup, image.Width() + adx, image.Height() + ady)) return;
    // The new size fits an int, so the offsets' negations do too.
    m_offsetX = m_dx < 0 ? -m_dx : 0;
    m_offsetY = m_dy < 0 ? -m_dy : 0;
    m_kx = float(m_dx) / float(m_backup.Height());
    m_ky = float(m_dy) / float(m_backup.Width());
}

void FCEffectLosange::ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    (void)image;
    if (!m_backup.HasBits()) return;
    const float sx = float(x) - float(y) * m_kx - float(m_offsetX);
    const float sy = float(y) - float(x) * m_ky - float(m_offsetY);
    if (m_backup.ColorBits() == 32)
        FadeSample<4>(m_backup, sx, sy, pixel);
    else
        FadeSample<3>(m_backup, sx, sy, pixel);
}

void FCEffectLosange::ApplyToImage(FCObjImage& image, FCProgressObserver* observer)
{
    if (!m_backup.HasBits() || !image.HasBits()) return;
    // The stride of a picture of one row is never used: no group of its reads two rows.
    const RhombusSetup setup{&m_backup,
                             m_backup.RowAddress(0),
                             m_backup.RowStride(),
                             m_backup.Width(),
                             m_backup.Height(),
                             m_kx,
                             m_ky,
                             m_offsetX,
                             m_offsetY};
    const RhombusRowFn rowLoop = m_backup.ColorBits() == 32 ? ChooseRhombusRow<4>() : ChooseRhombusRow<3>();
    const int width = image.Width();
    RowsInBands(image.Height(), observer, [&](int y) { rowLoop(setup, y, width, image.RowAddress(y)); });
}

// ---------------------------------------------------------------------------------------------

FCEffectTrapeze::FCEffectTrapeze(int dx, int dy) : m_dx(dx), m_dy(dy) {}

void FCEffectTrapeze::PrepareImage(FCObjImage& image)
{
    const long long adx = std::llabs((long long)m_dx);
    const long long ady = std::llabs((long long)m_dy);
    if (!SwapIntoBackupAndRecreate(image, m_backup, image.Width() + adx, image.Height() + ady)) return;
    m_halfDx = m_dx / 2;
    m_halfDy = m_dy / 2;
    const long long w = image.Width();
    const long long h = image.Height();
    m_invW = 1.0f / float(w);
    m_invH = 1.0f / float(h);
    m_inv2W = 1.0f / float(2 * w);
    m_inv2H = 1.0f / float(2 * h);
}

void FCEffectTrapeze::ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    if (!m_backup.HasBits()) return;
    if (m_backup.ColorBits() == 32)
        TrapezePixels<4>(image, x, x + 1, y, pixel);
    else
        TrapezePixels<3>(image, x, x + 1, y, pixel);
}

void FCEffectTrapeze::ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int, FCEffectThreadState*)
{
    if (!m_backup.HasBits()) return;
    if (m_backup.ColorBits() == 32)
        TrapezePixels<4>(image, 0, image.Width(), y, row);
    else
        TrapezePixels<3>(image, 0, image.Width(), y, row);
}

template <int N>
void FCEffectTrapeze::TrapezePixels(const FCObjImage& image, int x0, int x1, int y, BYTE* pixel) const
{
    const long long w = image.Width();
    const long long h = image.Height();
    const long long dx = m_dx;
    const long long dy = m_dy;
    const float invW = m_invW, invH = m_invH, inv2W = m_inv2W, inv2H = m_inv2H;
    // The products of two ints are formed in 64 bits, then converted.
    for (long long x = x0; x < x1; ++x, pixel += N)
    {
        float sx, sy;
        if (dx < 0)
            sx =
                invH * float(y) * (float(dx * x) * invW) + float(x) - float(dx * y) * inv2H + float(m_halfDx);
        else
        {
            const long long u = h - 1 - y;
            sx =
                float(x) - float(u) * invH * (float(dx * x) * invW) + float(u * dx) * inv2H - float(m_halfDx);
        }
        if (dy < 0)
            sy =
                invW * float(x) * (float(dy * y) * invH) + float(y) - float(dy * x) * inv2W + float(m_halfDy);
        else
        {
            const long long v = w - 1 - x;
            sy =
                float(y) - float(v) * invW * (float(dy * y) * invH) + float(v * dy) * inv2W - float(m_halfDy);
        }
        FadeSample<N>(m_backup, sx, sy, pixel);
    }
}
