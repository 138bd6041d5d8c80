#include "imagelib/effects/ConvolutionEffects.h"

#include "imagelib/effects/VectorDispatch.h"

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

namespace convolution_generic
{
#include "imagelib/effects/ConvolutionKernels.inl"
} // namespace convolution_generic

#ifdef ORVALIS_AVX2_TARGET
ORVALIS_AVX2_BEGIN
namespace convolution_avx2
{
#include "imagelib/effects/ConvolutionKernels.inl"
} // namespace convolution_avx2
ORVALIS_AVX2_END

ORVALIS_AVX512_BEGIN
namespace convolution_avx512
{
#include "imagelib/effects/ConvolutionKernels.inl"
} // namespace convolution_avx512
ORVALIS_AVX512_END
#endif

// The row loops for one instruction set.
struct ConvolutionKernels
{
    void (*addTap)(int*, const BYTE*, int, int);
    void (*sumWindow3)(const BYTE*, const BYTE*, const BYTE*, const int*, int, int, int, int*);
    void (*addWindowRow5)(const BYTE*, const int*, int, int, int, int*);
    void (*finishSums)(BYTE*, const int*, int, int, int, int);
    void (*embossInterior)(BYTE*, const int*, const int*, const int*, const double*, int, int);
};

// avx512 (with avx2) takes the widest loops; the general convolutions stay at AVX2, where their
// sums of bytes already run at the speed of memory.
const ConvolutionKernels& Kernels(bool avx2, bool avx512 = false)
{
    static const ConvolutionKernels generic{
        convolution_generic::AddTap, convolution_generic::SumWindow3, convolution_generic::AddWindowRow5,
        convolution_generic::FinishSums, convolution_generic::EmbossInterior};
#ifdef ORVALIS_AVX2_TARGET
    static const ConvolutionKernels vector{convolution_avx2::AddTap, convolution_avx2::SumWindow3,
                                           convolution_avx2::AddWindowRow5, convolution_avx2::FinishSums,
                                           convolution_avx2::EmbossInterior};
    static const ConvolutionKernels wide{convolution_avx512::AddTap, convolution_avx512::SumWindow3,
                                         convolution_avx512::AddWindowRow5, convolution_avx512::FinishSums,
                                         convolution_avx512::EmbossInterior};
    if (avx2 && avx512) return wide;
    if (avx2) return vector;
#else
    (void)avx2, (void)avx512;
#endif
    return generic;
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
    ConvolveRows(rows, source.Width(), source.ColorBits() / 8, out, scratch.Avx2());
    return true;
}

void FCEffectConvolute::ConvolveRows(const BYTE* const* rows, int width, int step, BYTE* out, bool avx2) const
{
    const ConvolutionKernels& k = Kernels(avx2);
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
                k.sumWindow3(rows[0], rows[1], rows[2], m_pKernel, step, i0, n, acc);
            else if (m_size == 5)
            {
                std::fill(acc, acc + n, 0);
                for (int r = 0; r < 5; ++r)
                    k.addWindowRow5(rows[r], m_pKernel + 5 * r, step, i0, n, acc);
            }
            else
            {
                std::fill(acc, acc + n, 0);
                for (const Tap& t : m_taps)
                    k.addTap(acc, rows[t.row] + i0 + t.dx * step, t.weight, n);
            }
            k.finishSums(out + i0, acc, n, m_offset32, m_divisor, m_division);
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
    // Which rows of which picture the three luminance rows hold: a band goes down its rows one
    // after the other, so each row's luminance is worked out once, not three times.
    struct Held
    {
        const BYTE* picture;
        int width;
        int row[3];
    };
    auto* held = reinterpret_cast<Held*>(scratch.Slot(3, sizeof(Held)));
    if (!lum || !grey || !held) return false;
    if (held->picture != source.RowAddress(0) || held->width != width)
    {
        held->picture = source.RowAddress(0);
        held->width = width;
        held->row[0] = held->row[1] = held->row[2] = -1;
    }
    const int* rows[3];
    bool used[3] = {false, false, false};
    int wanted[3];
    for (int r = 0; r < 3; ++r)
    {
        wanted[r] = ClampIndex(y - 1 + r, source.Height());
        rows[r] = nullptr;
        for (int b = 0; b < 3 && !rows[r]; ++b)
            if (held->row[b] == wanted[r])
            {
                rows[r] = lum + std::size_t(b) * w;
                used[b] = true;
            }
    }
    for (int r = 0; r < 3; ++r)
    {
        if (rows[r]) continue;
        int b = 0;
        while (used[b])
            ++b;
        used[b] = true;
        int* l = lum + std::size_t(b) * w;
        const BYTE* p = ClampedRow(source, wanted[r]);
        for (int x = 0; x < width; ++x, p += step)
            l[x] = PixelLuminance(p);
        held->row[b] = wanted[r];
        rows[r] = l;
        // A row clamped at the top or bottom edge may be wanted twice.
        for (int q = r + 1; q < 3; ++q)
            if (!rows[q] && wanted[q] == wanted[r]) rows[q] = l;
    }
    const int* la = rows[0];
    const int* lb = rows[1];
    const int* lc = rows[2];
    if (width > 2)
        Kernels(scratch.Avx2(), scratch.Avx512()).embossInterior(grey, la, lb, lc, m_kernel, 1, width - 1);
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
    if (step == 3)
        for (int x = 0; x < width; ++x, out += 3)
            out[0] = out[1] = out[2] = grey[x];
    else
        for (int x = 0; x < width; ++x, out += step)
            std::memset(out, grey[x], std::size_t(step));
    return true;
}
