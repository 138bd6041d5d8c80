#include "imagelib/effects/NeighbourhoodVectorise.h"

#include "imagelib/effects/ConvolutionEffects.h"

#include "imagelib/PixelHelpers.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

using neighbour::ClampedRow;
using neighbour::ClampIndex;

namespace
{
// Bytes of a row summed at once, so that the sums stay in the first-level cache.
constexpr int kChunkBytes = 2048;

// Sums of 32-bit rows are used while the largest possible sum stays below this; the offset is then
// brought within the same distance of 0..255, so offset + sum / divisor cannot overflow either.
constexpr std::int64_t kSums32Limit = std::int64_t(1) << 29;

// How 32-bit sums are divided. The quotient of two integers through a correctly rounded floating
// division, truncated, is the exact truncated integer quotient when both are exactly representable
// and the dividend is well below 2^(mantissa bits) in magnitude: the distance from a non-integer
// quotient to the next integer (at least 1 / divisor) is then larger than the rounding error.
enum : int
{
    kDivideNone,   // divisor 1
    kDivideFloat,  // |sum| < 2^22 and divisor < 2^24
    kDivideDouble, // everything else that fits 32 bits
};

inline BYTE ClampSumToByte(std::int64_t v)
{
    return v >= 255 ? BYTE(255) : (v < 1 ? BYTE(0) : BYTE(v));
}

// acc[j] += weight x src[j], j < n.
ORVALIS_SIMD_CLONES void AddTap(int* __restrict acc, const BYTE* __restrict src, int weight, int n)
{
    for (int j = 0; j < n; ++j)
        acc[j] += weight * int(src[j]);
}

// acc[j] = the sum of weight x value over the 3 x 3 window of byte from + j, from the window's
// rows r0, r1, r2 and weights k row by row; s is the bytes per pixel.
ORVALIS_SIMD_CLONES void SumWindow3(const BYTE* __restrict r0, const BYTE* __restrict r1,
                                    const BYTE* __restrict r2, const int* __restrict k, int s, int from,
                                    int n, int* __restrict acc)
{
    const int k0 = k[0], k1 = k[1], k2 = k[2], k3 = k[3], k4 = k[4], k5 = k[5], k6 = k[6], k7 = k[7],
              k8 = k[8];
    for (int j = 0; j < n; ++j)
    {
        const int i = from + j;
        acc[j] = k0 * r0[i - s] + k1 * r0[i] + k2 * r0[i + s] + k3 * r1[i - s] + k4 * r1[i] + k5 * r1[i + s] +
                 k6 * r2[i - s] + k7 * r2[i] + k8 * r2[i + s];
    }
}

// acc[j] += the sum of weight x value over one row of a 5 x 5 window: the row p, its weights w.
ORVALIS_SIMD_CLONES void AddWindowRow5(const BYTE* __restrict p, const int* __restrict w, int s, int from,
                                       int n, int* __restrict acc)
{
    const int w0 = w[0], w1 = w[1], w2 = w[2], w3 = w[3], w4 = w[4];
    for (int j = 0; j < n; ++j)
    {
        const int i = from + j;
        acc[j] += w0 * p[i - 2 * s] + w1 * p[i - s] + w2 * p[i] + w3 * p[i + s] + w4 * p[i + 2 * s];
    }
}

// out[j] = offset + acc[j] / divisor (truncated), clamped to 0..255.
ORVALIS_SIMD_CLONES void FinishSums(BYTE* __restrict out, const int* __restrict acc, int n, int offset,
                                    int divisor, int division)
{
    if (division == kDivideNone)
    {
        for (int j = 0; j < n; ++j)
        {
            const int v = offset + acc[j];
            out[j] = BYTE(v < 0 ? 0 : (v > 255 ? 255 : v));
        }
    }
    else if (division == kDivideFloat)
    {
        const float d = float(divisor);
        for (int j = 0; j < n; ++j)
        {
            const int v = offset + int(float(acc[j]) / d);
            out[j] = BYTE(v < 0 ? 0 : (v > 255 ? 255 : v));
        }
    }
    else
    {
        const double d = double(divisor);
        for (int j = 0; j < n; ++j)
        {
            const int v = offset + int(double(acc[j]) / d);
            out[j] = BYTE(v < 0 ? 0 : (v > 255 ? 255 : v));
        }
    }
}

// Relief sums over the interior pixels [from, to) of rows of luminance, into one grey byte each.
ORVALIS_SIMD_CLONES void EmbossInterior(BYTE* __restrict grey, const int* __restrict la,
                                        const int* __restrict lb, const int* __restrict lc,
                                        const double* __restrict k, int from, int to)
{
    for (int x = from; x < to; ++x)
    {
        double sum = 0.0;
        sum += la[x - 1] * k[0];
        sum += la[x] * k[1];
        sum += la[x + 1] * k[2];
        sum += lb[x - 1] * k[3];
        sum += lb[x] * k[4];
        sum += lb[x + 1] * k[5];
        sum += lc[x - 1] * k[6];
        sum += lc[x] * k[7];
        sum += lc[x + 1] * k[8];
        const double v = sum + 128.0;
        grey[x] = BYTE(v >= 255.0 ? 255 : int((v > 0.0 ? v : 0.0) + 0.5));
    }
}
} // namespace

// ---------------------------------------------------------------------------------------------

FCEffectConvolute::FCEffectConvolute()
{
    PlanKernel();
}

void FCEffectConvolute::SetKernel(const int* kernel, int size, int divisor, int offset)
{
    if (!kernel || size < 1) return;
    const std::size_t count = std::size_t(size) * std::size_t(size);
    std::vector<int> weights;
    try
    {
        weights.assign(kernel, kernel + count);
        m_taps.reserve(count);
    }
    catch (const std::exception&)
    {
        return; // the kernel stays as it was
    }
    m_kernel.swap(weights);
    m_pKernel = m_kernel.data();
    m_size = size;
    m_divisor = std::max(1, divisor);
    m_offset = offset;
    PlanKernel();
}

void FCEffectConvolute::PlanKernel()
{
    m_taps.clear();
    const int half = m_size / 2;
    std::int64_t weightSum = 0;
    for (int r = 0; r < m_size; ++r)
        for (int c = 0; c < m_size; ++c)
        {
            const int k = m_pKernel[r * m_size + c];
            if (k == 0) continue;
            m_taps.push_back(Tap{r, c - half, k}); // capacity reserved by SetKernel
            weightSum += std::llabs(k);
        }
    const std::int64_t bound = weightSum * 255; // the largest |sum|
    m_sums32 = bound < kSums32Limit;
    if (!m_sums32) return;
    if (m_divisor == 1)
        m_division = kDivideNone;
    else if (bound < (std::int64_t(1) << 22) && m_divisor < (1 << 24))
        m_division = kDivideFloat;
    else
        m_division = kDivideDouble;
    // offset + q with |q| <= bound: an offset beyond -bound or 256 + bound gives the same bytes as
    // those limits.
    m_offset32 = int(std::clamp<std::int64_t>(m_offset, -bound, 256 + bound));
}

void FCEffectConvolute::PrepareImage(FCObjImage& image)
{
    m_copy.Take(image);
}

void FCEffectConvolute::ConvolveEdgePixel(const BYTE* const* rows, int x, int width, int step,
                                          BYTE* out) const
{
    for (int c = 0; c < step; ++c)
    {
        std::int64_t sum = 0;
        for (const Tap& t : m_taps)
            sum += std::int64_t(t.weight) * rows[t.row][ClampIndex(x + t.dx, width) * step + c];
        out[c] = ClampSumToByte(std::int64_t(m_offset) + sum / m_divisor);
    }
}

bool FCEffectConvolute::ComputeResultRow(int y, BYTE* out, neighbour::RowScratch& scratch) const
{
    const FCObjImage& source = m_copy.Image();
    auto** rows = reinterpret_cast<const BYTE**>(scratch.Slot(1, sizeof(BYTE*) * std::size_t(m_size + 1)));
    if (!rows) return false;
    const int half = m_size / 2;
    for (int r = 0; r < m_size; ++r)
        rows[r] = ClampedRow(source, y - half + r);
    ConvolveRows(rows, source.Width(), source.ColorBits() / 8, out);
    return true;
}

void FCEffectConvolute::ConvolveRows(const BYTE* const* rows, int width, int step, BYTE* out) const
{
    if (m_size == 0)
    {
        std::memset(out, ClampToByte(m_offset), std::size_t(width) * std::size_t(step));
        return;
    }
    const int half = m_size / 2;

    // Pixels whose whole window lies inside the row: no clamping, 32-bit sums over whole chunks.
    int first = half;
    int end = width - (m_size - 1 - half);
    if (!m_sums32 || end <= first) first = end = width; // every pixel through the plain path
    if (first < end)
    {
        alignas(64) int acc[kChunkBytes];
        for (int i0 = first * step; i0 < end * step; i0 += kChunkBytes)
        {
            const int n = std::min(kChunkBytes, end * step - i0);
            if (m_size == 3)
                SumWindow3(rows[0], rows[1], rows[2], m_pKernel, step, i0, n, acc);
            else if (m_size == 5)
            {
                std::fill(acc, acc + n, 0);
                for (int r = 0; r < 5; ++r)
                    AddWindowRow5(rows[r], m_pKernel + 5 * r, step, i0, n, acc);
            }
            else
            {
                std::fill(acc, acc + n, 0);
                for (const Tap& t : m_taps)
                    AddTap(acc, rows[t.row] + i0 + t.dx * step, t.weight, n);
            }
            FinishSums(out + i0, acc, n, m_offset32, m_divisor, m_division);
        }
    }
    for (int x = 0; x < width; ++x)
    {
        if (x == first) x = end;
        if (x >= width) break;
        ConvolveEdgePixel(rows, x, width, step, out + x * step);
    }
}

// ---------------------------------------------------------------------------------------------

FCEffectSharp::FCEffectSharp(int amount)
{
    const int centre = std::min(amount, INT_MAX - 8) + 8;
    const int kernel[9] = {-1, -1, -1, -1, centre, -1, -1, -1, -1};
    SetKernel(kernel, 3, std::max(1, amount), 0);
}

// ---------------------------------------------------------------------------------------------

FCEffectEmboss::FCEffectEmboss(int angleDegrees)
{
    const int degrees = ((angleDegrees % 360) + 360) % 360;
    constexpr double kDegree = 0.017453292519943295;
    const double a = degrees * kDegree;
    // Weights as (row, column) -> angle added, in degrees.
    const int turns[9] = {45, 90, 135, 0, 0, 180, -45, -90, -135};
    for (int i = 0; i < 9; ++i)
        m_kernel[i] = i == 4 ? 0.0 : std::cos(a + turns[i] * kDegree);
}

void FCEffectEmboss::PrepareImage(FCObjImage& image)
{
    m_copy.Take(image);
}

bool FCEffectEmboss::ComputeResultRow(int y, BYTE* out, neighbour::RowScratch& scratch) const
{
    const FCObjImage& source = m_copy.Image();
    const int width = source.Width();
    const int step = source.ColorBits() / 8;
    const std::size_t w = std::size_t(width);
    int* lum = reinterpret_cast<int*>(scratch.Slot(1, sizeof(int) * 3 * w));
    BYTE* grey = scratch.Slot(2, w);
    if (!lum || !grey) return false;
    for (int r = 0; r < 3; ++r)
    {
        const BYTE* p = ClampedRow(source, y - 1 + r);
        int* l = lum + std::size_t(r) * w;
        for (int x = 0; x < width; ++x, p += step)
            l[x] = PixelLuminance(p);
    }
    const int* la = lum;
    const int* lb = lum + w;
    const int* lc = lum + 2 * w;
    if (width > 2) EmbossInterior(grey, la, lb, lc, m_kernel, 1, width - 1);
    for (int x : {0, width - 1})
    {
        const int l = ClampIndex(x - 1, width);
        const int r = ClampIndex(x + 1, width);
        const int window[9] = {la[l], la[x], la[r], lb[l], lb[x], lb[r], lc[l], lc[x], lc[r]};
        double sum = 0.0;
        for (int i = 0; i < 9; ++i)
            sum += window[i] * m_kernel[i];
        grey[x] = RoundClampToByte(sum + 128.0);
    }
    for (int x = 0; x < width; ++x, out += step)
        std::memset(out, grey[x], std::size_t(step));
    return true;
}
