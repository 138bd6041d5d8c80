#include "imagelib/effects/MotionBlurEffects.h"

#include "imagelib/PixelHelpers.h"
#include "imagelib/effects/VectorDispatch.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

#ifdef ORVALIS_AVX2_TARGET
#include <immintrin.h>
#endif

namespace
{
// Sums of the samples of one pixel. At 24 bits every sample weighs 255, a factor that cancels
// out of every mean, so the colour sums there are plain sums. 32-bit sums hold up to
// kMaxNarrowSamples samples of 32-bit pixels; longer walks of the motion blur sum in 64 bits.
template <class Int = int> struct SampleSums
{
    Int b = 0, g = 0, r = 0, a = 0, n = 0;
};
constexpr std::size_t kMaxNarrowSamples = 2147483647 / (255 * 255);

template <int N, class Int> inline void AddSample(SampleSums<Int>& s, const BYTE* p)
{
    if constexpr (N == 4)
    {
        const int a = p[3];
        s.b += p[0] * a;
        s.g += p[1] * a;
        s.r += p[2] * a;
        s.a += a;
    }
    else
    {
        s.b += p[0];
        s.g += p[1];
        s.r += p[2];
    }
    ++s.n;
}

template <int N, class Int> inline void WriteMean(BYTE* out, const SampleSums<Int>& s)
{
    if constexpr (N == 4)
    {
        if (s.a > 0)
        {
            out[0] = ClampToByte(int(s.b / s.a));
            out[1] = ClampToByte(int(s.g / s.a));
            out[2] = ClampToByte(int(s.r / s.a));
            out[3] = ClampToByte(int(s.a / s.n));
        }
        else
        {
            out[0] = out[1] = out[2] = 255;
            out[3] = 0;
        }
    }
    else
    {
        out[0] = BYTE(s.b / s.n);
        out[1] = BYTE(s.g / s.n);
        out[2] = BYTE(s.r / s.n);
    }
}

// The 16.16 centre of the radial and zoom blurs: the middle of the image moved by offset x size.
std::int64_t FixedCentre(int size, double offset)
{
    return (std::int64_t(size) << 15) - std::int64_t(size * offset * -32768.0);
}

// Adds the copy's pixel at the 16.16 point centre + 32768 + offset (division truncating towards
// zero) when it lies inside the copy.
template <int N>
inline void AddFixedPointSample(SampleSums<>& s, const FCObjImage& copy, std::int64_t centreX,
                                std::int64_t centreY, std::int64_t u, std::int64_t v)
{
    const std::int64_t px = (centreX + 32768 + u) / 65536;
    const std::int64_t py = (centreY + 32768 + v) / 65536;
    if (px >= 0 && px < copy.Width() && py >= 0 && py < copy.Height())
        AddSample<N>(s, copy.PixelAddress(int(px), int(py)));
}
} // namespace

// ---------------------------------------------------------------------------------------------
// Radial and zoom blurs over runs of a row, in 32-bit lanes

namespace
{
// What the eight-lane loops read: the copy packed four bytes a pixel (B, G, R, A), its size, and
// the 16.16 centre.
struct FixedRun
{
    const std::uint32_t* pixels;
    int width, height;
    int centreX, centreY;
    bool alpha;
};

// Eight 32-bit lanes make 32-byte vectors, passed between these internal functions in pairs of
// 16-byte registers where AVX is not there; no interface depends on how.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif
namespace fixed_generic
{
#include "imagelib/effects/FixedBlurKernels.inl"
} // namespace fixed_generic

#ifdef ORVALIS_AVX2_TARGET
ORVALIS_AVX2_BEGIN
namespace fixed_avx2
{
#define FIXED_BLUR_GATHER 1
#include "imagelib/effects/FixedBlurKernels.inl"
#undef FIXED_BLUR_GATHER
} // namespace fixed_avx2
ORVALIS_AVX2_END
#endif

using FixedRowFn = void (*)(const FixedRun&, int, int, int, int, std::uint32_t*);

struct FixedKernels
{
    FixedRowFn radial;
    FixedRowFn zoom;
};

FixedKernels PickFixedKernels()
{
#ifdef ORVALIS_AVX2_TARGET
    if (UseAvx2()) return FixedKernels{fixed_avx2::RadialRow, fixed_avx2::ZoomRow};
#endif
    return FixedKernels{fixed_generic::RadialRow, fixed_generic::ZoomRow};
}

// Pixels of a row worked out together.
constexpr int kFixedRowChunk = 256;

// A little below 2^31, for bounds worked out in double.
constexpr double kInt32Room = 2147483647.0 - 1048576.0;

// The largest 16.16 offsets on each axis at the start, over every pixel and the seven lanes past
// the last one.
void OffsetBounds(int w, int h, std::int64_t cx, std::int64_t cy, double& ux, double& vy)
{
    ux = std::max(std::fabs(double(cx)), std::fabs((w + 7) * 65536.0 - double(cx)));
    vy = std::max(std::fabs(double(cy)), std::fabs((h - 1) * 65536.0 - double(cy)));
}

bool SizeFits32(int w, int h)
{
    return w + 8 <= 32767 && h <= 32767 && double(w) * h < kInt32Room;
}

// Whether no value of the radial blur can leave 32 bits: the offsets turn with a gain of
// sqrt((1 - c2 / 2^22)^2 + (step / 2^16)^2) a turn, plus the truncations of each turn.
bool RadialFits32(int w, int h, std::int64_t cx, std::int64_t cy, int span)
{
    if (!SizeFits32(w, h)) return false;
    const std::int64_t istep = span / 64;
    const double step = double(istep);
    const double c2 = double((istep * istep) >> 11);
    double ux, vy;
    OffsetBounds(w, h, cx, cy, ux, vy);
    const double k = 1 - c2 / 4194304.0, t = step / 65536.0;
    const double gain = std::max(1.0, std::sqrt(k * k + t * t));
    double m = std::hypot(ux, vy);
    for (int i = 0; i < 64; ++i)
        m = m * gain + 2 * (c2 / 256 + step / 256 + 4);
    m = m * 1.001 + 65536;
    return m < kInt32Room && m / 256 * step < kInt32Room && (m / 16384 + 1) * c2 < kInt32Room &&
           std::fabs(double(cx)) + 32768 + m < kInt32Room && std::fabs(double(cy)) + 32768 + m < kInt32Room;
}

// The same for the zoom blur, whose offsets never grow (strength at most 32768).
bool ZoomFits32(int w, int h, std::int64_t cx, std::int64_t cy, int strength)
{
    if (!SizeFits32(w, h)) return false;
    double ux, vy;
    OffsetBounds(w, h, cx, cy, ux, vy);
    const double m = std::max(ux, vy) + 65536;
    return (m / 16 + 1) * strength < kInt32Room && std::fabs(double(cx)) + 32768 + m < kInt32Room &&
           std::fabs(double(cy)) + 32768 + m < kInt32Room;
}

void PackPixels(const FCObjImage& image, std::vector<std::uint32_t>& packed)
{
    const int w = image.Width(), h = image.Height(), n = image.ColorBits() / 8;
    packed.resize(std::size_t(w) * std::size_t(h));
    std::uint32_t* out = packed.data();
    for (int y = 0; y < h; ++y)
    {
        const BYTE* p = image.RowAddress(y);
        for (int x = 0; x < w; ++x, p += n)
            *out++ = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                     std::uint32_t(n == 4 ? p[3] : 255) << 24;
    }
}

// Packs the copy, and lets it go, where every value fits 32 bits.
void PreparePacked(FCObjImage& copy, bool fits, FCPackedCopy& packed)
{
    packed.pixels.clear();
    if (!fits) return;
    try
    {
        PackPixels(copy, packed.pixels);
    }
    catch (const std::bad_alloc&)
    {
        packed.pixels = std::vector<std::uint32_t>(); // the copy serves, one pixel at a time
        return;
    }
    packed.width = copy.Width();
    packed.height = copy.Height();
    packed.alpha = copy.ColorBits() == 32;
    copy.Destroy();
}

// Writes the results of pixels x0 .. x1 - 1 of row y from the packed copy, worked out in runs of
// kFixedRowChunk pixels from x0; false when there is no packed copy (nothing written).
template <class Compute>
bool WritePacked(const FCPackedCopy& packed, std::int64_t cx, std::int64_t cy, int x0, int x1, int y,
                 BYTE* pixel, int step, const Compute& compute)
{
    if (packed.pixels.empty()) return false;
    if (y < 0 || y >= packed.height) return true;
    x1 = std::min(x1, packed.width);
    const FixedRun f{packed.pixels.data(), packed.width, packed.height, int(cx), int(cy), packed.alpha};
    std::uint32_t out[kFixedRowChunk];
    for (int x = std::max(x0, 0); x < x1;)
    {
        const int count = std::min(kFixedRowChunk, packed.width - x);
        compute(f, x, y, count, out);
        const int n = std::min(count, x1 - x);
        for (int i = 0; i < n; ++i, pixel += step)
        {
            const std::uint32_t v = out[i];
            pixel[0] = BYTE(v);
            pixel[1] = BYTE(v >> 8);
            pixel[2] = BYTE(v >> 16);
            if (packed.alpha) pixel[3] = BYTE(v >> 24);
        }
        x += n;
    }
    return true;
}
} // namespace

// ---------------------------------------------------------------------------------------------
// Motion blur

FCEffectBlur_Motion::FCEffectBlur_Motion(int length, int angle)
{
    const double a = angle * 0.017453292519943295;
    const std::int64_t dx = std::int64_t(length * std::cos(a));
    const std::int64_t dy = std::int64_t(length * std::sin(a));
    const std::int64_t adx = dx < 0 ? -dx : dx;
    const std::int64_t ady = dy < 0 ? -dy : dy;
    const std::int64_t major = std::max(adx, ady);
    const std::int64_t minor = std::min(adx, ady);
    m_twiceMajor = 2 * major;
    m_twiceMinor = 2 * minor;
    m_stepX = dx > 0 ? 1 : (dx < 0 ? -1 : 0);
    m_stepY = dy > 0 ? 1 : (dy < 0 ? -1 : 0);
    m_initialError = 2 * minor - major;
    m_steep = ady > adx ? 1 : 0;
    m_length = std::max(length, 1);
}

void FCEffectBlur_Motion::PrepareImage(FCObjImage& image)
{
    m_copy = image;
    m_offsets.clear();
    m_fitX.clear();
    m_fitY.clear();
    if (!m_copy.HasBits()) return;

    // A walk of two samples or more moves one pixel along its major axis at every step, so no more
    // than the longer side of the image can stay inside.
    const int w = m_copy.Width();
    const int h = m_copy.Height();
    const int samples = std::min(m_length, std::max(w, h));
    const int n = m_copy.ColorBits() / 8;
    const std::ptrdiff_t rowStride = h > 1 ? m_copy.RowAddress(1) - m_copy.RowAddress(0) : 0;
    std::int64_t e = m_initialError;
    int px = 0, py = 0;
    for (int i = 0; i < samples; ++i)
    {
        m_offsets.push_back({px, py, std::ptrdiff_t(py) * rowStride + std::ptrdiff_t(px) * n});
        while (e >= 0 && m_twiceMajor != 0)
        {
            if (m_steep)
                px += m_stepX;
            else
                py += m_stepY;
            e -= m_twiceMajor;
        }
        if (m_steep)
            py += m_stepY;
        else
            px += m_stepX;
        e += m_twiceMinor;
    }
    // Both coordinates move away from 0 monotonically: fit[d] = how many leading samples stay
    // within d of the pixel on that axis.
    for (const Offset& o : m_offsets)
    {
        const std::size_t ax = std::size_t(std::abs(o.dx));
        const std::size_t ay = std::size_t(std::abs(o.dy));
        if (m_fitX.size() <= ax) m_fitX.resize(ax + 1, int(&o - m_offsets.data()));
        if (m_fitY.size() <= ay) m_fitY.resize(ay + 1, int(&o - m_offsets.data()));
    }
    // fit[d] so far holds the index of the first sample reaching d; shift to "samples within d".
    m_fitX.push_back(int(m_offsets.size()));
    m_fitY.push_back(int(m_offsets.size()));
    m_fitX.erase(m_fitX.begin());
    m_fitY.erase(m_fitY.begin());
}

void FCEffectBlur_Motion::ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    (void)image;
    if (!m_copy.HasBits()) return;
    if (m_copy.ColorBits() == 32)
        BlurPixel<4>(x, y, pixel);
    else
        BlurPixel<3>(x, y, pixel);
}

void FCEffectBlur_Motion::ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel,
                                             FCEffectThreadState*)
{
    if (!m_copy.HasBits()) return;
    const int w = image.Width();
    if (m_copy.ColorBits() == 32)
        for (int x = 0; x < w; ++x, row += bytesPerPixel)
            BlurPixel<4>(x, y, row);
    else
        for (int x = 0; x < w; ++x, row += bytesPerPixel)
            BlurPixel<3>(x, y, row);
}

template <int N> void FCEffectBlur_Motion::BlurPixel(int x, int y, BYTE* pixel) const
{
    std::size_t count = m_offsets.size();
    if (m_stepX != 0)
    {
        const std::size_t d = std::size_t(m_stepX > 0 ? m_copy.Width() - 1 - x : x);
        if (d < m_fitX.size()) count = std::min(count, std::size_t(m_fitX[d]));
    }
    if (m_stepY != 0)
    {
        const std::size_t d = std::size_t(m_stepY > 0 ? m_copy.Height() - 1 - y : y);
        if (d < m_fitY.size()) count = std::min(count, std::size_t(m_fitY[d]));
    }
    const BYTE* base = m_copy.PixelAddress(x, y);
    auto average = [&](auto sums)
    {
        for (std::size_t i = 0; i < count; ++i)
            AddSample<N>(sums, base + m_offsets[i].bytes);
        WriteMean<N>(pixel, sums);
    };
    if (count <= kMaxNarrowSamples)
        average(SampleSums<>{});
    else
        average(SampleSums<std::int64_t>{});
}

// ---------------------------------------------------------------------------------------------
// Radial blur

FCEffectBlur_Radial::FCEffectBlur_Radial(int angle, double offsetX, double offsetY)
    : m_angle(std::clamp(angle, 0, 360)), m_offsetX(std::clamp(offsetX, -2.0, 2.0)),
      m_offsetY(std::clamp(offsetY, -2.0, 2.0))
{
    // A NaN offset is the middle of the image.
    if (std::isnan(m_offsetX)) m_offsetX = 0.0;
    if (std::isnan(m_offsetY)) m_offsetY = 0.0;
    m_angleSpan = int(m_angle * 1137.4995367163574);
}

void FCEffectBlur_Radial::PrepareImage(FCObjImage& image)
{
    m_copy = image;
    m_centreX = FixedCentre(image.Width(), m_offsetX);
    m_centreY = FixedCentre(image.Height(), m_offsetY);
    PreparePacked(m_copy,
                  m_copy.HasBits() &&
                      RadialFits32(m_copy.Width(), m_copy.Height(), m_centreX, m_centreY, m_angleSpan),
                  m_packed);
}

namespace
{
// One turn of an offset vector by s (16.16 radians), to second order.
inline void TurnFixed(std::int64_t& u, std::int64_t& v, std::int64_t s, std::int64_t c2)
{
    const std::int64_t nu = u - ((((u >> 14) * c2) >> 8) + (((v >> 8) * s) >> 8));
    const std::int64_t nv = v + ((((u >> 8) * s) >> 8) - (((v >> 14) * c2) >> 8));
    u = nu;
    v = nv;
}

template <int N>
void RadialPixel(const FCObjImage& copy, std::int64_t cx, std::int64_t cy, int span, int x, int y,
                 BYTE* pixel)
{
    SampleSums<> s;
    AddSample<N>(s, copy.PixelAddress(x, y));
    const std::int64_t step = span / 64;
    const std::int64_t c2 = (step * step) >> 11;
    std::int64_t u1 = (std::int64_t(x) << 16) - cx, v1 = (std::int64_t(y) << 16) - cy;
    std::int64_t u2 = u1, v2 = v1;
    for (int i = 0; i < 64; ++i)
    {
        TurnFixed(u1, v1, step, c2);
        TurnFixed(u2, v2, -step, c2);
        AddFixedPointSample<N>(s, copy, cx, cy, u1, v1);
        AddFixedPointSample<N>(s, copy, cx, cy, u2, v2);
    }
    WriteMean<N>(pixel, s);
}
} // namespace

void FCEffectBlur_Radial::ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    ApplyToPixels(image, x, x + 1, y, pixel);
}

void FCEffectBlur_Radial::ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int, FCEffectThreadState*)
{
    ApplyToPixels(image, 0, image.Width(), y, row);
}

void FCEffectBlur_Radial::ApplyToPixels(FCObjImage& image, int x0, int x1, int y, BYTE* pixel) const
{
    const int step = image.ColorBits() / 8;
    const FixedRowFn radial = PickFixedKernels().radial;
    auto row = [&](const FixedRun& f, int x, int y0, int count, std::uint32_t* out)
    { radial(f, m_angleSpan, x, y0, count, out); };
    if (WritePacked(m_packed, m_centreX, m_centreY, x0, x1, y, pixel, step, row)) return;
    if (y < 0 || y >= m_copy.Height() || x0 < 0) return;
    x1 = std::min(x1, m_copy.Width());
    if (m_copy.ColorBits() == 32)
        for (int x = x0; x < x1; ++x, pixel += step)
            RadialPixel<4>(m_copy, m_centreX, m_centreY, m_angleSpan, x, y, pixel);
    else
        for (int x = x0; x < x1; ++x, pixel += step)
            RadialPixel<3>(m_copy, m_centreX, m_centreY, m_angleSpan, x, y, pixel);
}

// ---------------------------------------------------------------------------------------------
// Zoom blur

FCEffectBlur_Zoom::FCEffectBlur_Zoom(int strength, double offsetX, double offsetY)
    : m_strength(std::clamp(strength, 1, 32768)), m_offsetX(std::clamp(offsetX, -2.0, 2.0)),
      m_offsetY(std::clamp(offsetY, -2.0, 2.0))
{
    if (std::isnan(m_offsetX)) m_offsetX = 0.0;
    if (std::isnan(m_offsetY)) m_offsetY = 0.0;
}

void FCEffectBlur_Zoom::PrepareImage(FCObjImage& image)
{
    m_copy = image;
    m_centreX = FixedCentre(image.Width(), m_offsetX);
    m_centreY = FixedCentre(image.Height(), m_offsetY);
    PreparePacked(m_copy,
                  m_copy.HasBits() &&
                      ZoomFits32(m_copy.Width(), m_copy.Height(), m_centreX, m_centreY, m_strength),
                  m_packed);
}

namespace
{
template <int N>
void ZoomPixel(const FCObjImage& copy, std::int64_t cx, std::int64_t cy, int strength, int x, int y,
               BYTE* pixel)
{
    SampleSums<> s;
    AddSample<N>(s, copy.PixelAddress(x, y));
    std::int64_t u = (std::int64_t(x) << 16) - cx, v = (std::int64_t(y) << 16) - cy;
    for (int i = 0; i < 64; ++i)
    {
        u += (-(u / 16) * strength) / 1024;
        v += (-(v / 16) * strength) / 1024;
        AddFixedPointSample<N>(s, copy, cx, cy, u, v);
    }
    WriteMean<N>(pixel, s);
}
} // namespace

void FCEffectBlur_Zoom::ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    ApplyToPixels(image, x, x + 1, y, pixel);
}

void FCEffectBlur_Zoom::ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int, FCEffectThreadState*)
{
    ApplyToPixels(image, 0, image.Width(), y, row);
}

void FCEffectBlur_Zoom::ApplyToPixels(FCObjImage& image, int x0, int x1, int y, BYTE* pixel) const
{
    const int step = image.ColorBits() / 8;
    const FixedRowFn zoom = PickFixedKernels().zoom;
    auto row = [&](const FixedRun& f, int x, int y0, int count, std::uint32_t* out)
    { zoom(f, m_strength, x, y0, count, out); };
    if (WritePacked(m_packed, m_centreX, m_centreY, x0, x1, y, pixel, step, row)) return;
    if (y < 0 || y >= m_copy.Height() || x0 < 0) return;
    x1 = std::min(x1, m_copy.Width());
    if (m_copy.ColorBits() == 32)
        for (int x = x0; x < x1; ++x, pixel += step)
            ZoomPixel<4>(m_copy, m_centreX, m_centreY, m_strength, x, y, pixel);
    else
        for (int x = x0; x < x1; ++x, pixel += step)
            ZoomPixel<3>(m_copy, m_centreX, m_centreY, m_strength, x, y, pixel);
}
