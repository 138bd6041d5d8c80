#include "imagelib/effects/NeighbourhoodVectorise.h"

#include "imagelib/effects/ContourEffects.h"

#include "imagelib/PixelHelpers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using neighbour::RunWindowRow3x3;

namespace
{
// Interior loops over the bytes [from, end) of a row: a, b and c are the rows above, at and below,
// s the bytes per pixel, so a[i - s], a[i], a[i + s] are the window's top row w0, w1, w2.

template <int N>
ORVALIS_SIMD_CLONES void SimpleContourInterior(const BYTE* __restrict a, const BYTE* __restrict b,
                                               const BYTE* __restrict c, int s, int from, int end,
                                               BYTE* __restrict out)
{
    for (int i = from; i < end; ++i)
    {
        const int gx = (a[i + s] + N * b[i + s] + c[i + s]) - (a[i - s] + N * b[i - s] + c[i - s]);
        const int gy = (c[i - s] + N * c[i] + c[i + s]) - (a[i - s] + N * a[i] + a[i + s]);
        const int v = std::abs(gx) + std::abs(gy);
        out[i] = BYTE(v > 255 ? 255 : v);
    }
}

template <int N> BYTE SimpleContourWindow(const int* w)
{
    const int gx = (w[2] + N * w[5] + w[8]) - (w[0] + N * w[3] + w[6]);
    const int gy = (w[6] + N * w[7] + w[8]) - (w[0] + N * w[1] + w[2]);
    return BYTE(std::min(255, std::abs(gx) + std::abs(gy)));
}

// With T the ring total and S the sum of three consecutive ring values, 5 S - 3 (T - S) = 8 S - 3 T.
ORVALIS_SIMD_CLONES void KirschInterior(const BYTE* __restrict a, const BYTE* __restrict b,
                                        const BYTE* __restrict c, int s, int from, int end,
                                        BYTE* __restrict out)
{
    for (int i = from; i < end; ++i)
    {
        const int r0 = a[i - s], r1 = a[i], r2 = a[i + s], r3 = b[i + s];
        const int r4 = c[i + s], r5 = c[i], r6 = c[i - s], r7 = b[i - s];
        const int t3 = 3 * (r0 + r1 + r2 + r3 + r4 + r5 + r6 + r7);
        int m = std::abs(8 * (r0 + r1 + r2) - t3);
        m = std::max(m, std::abs(8 * (r1 + r2 + r3) - t3));
        m = std::max(m, std::abs(8 * (r2 + r3 + r4) - t3));
        m = std::max(m, std::abs(8 * (r3 + r4 + r5) - t3));
        m = std::max(m, std::abs(8 * (r4 + r5 + r6) - t3));
        m = std::max(m, std::abs(8 * (r5 + r6 + r7) - t3));
        m = std::max(m, std::abs(8 * (r6 + r7 + r0) - t3));
        m = std::max(m, std::abs(8 * (r7 + r0 + r1) - t3));
        m >>= 1;
        out[i] = BYTE(m > 255 ? 255 : m);
    }
}

// FCEffectContoursGradient::ContourValue over a row, in the same order of operations, a chunk of
// bytes at a time: the integer part, the square roots (with SSE2 where there is one: the
// compiler does not vectorise a square root that may have to set errno), then the quotients.
constexpr int kContourChunk = 512;

ORVALIS_SIMD_CLONES void ContourResponses(const BYTE* __restrict a, const BYTE* __restrict b,
                                          const BYTE* __restrict c, int s, int from, int n,
                                          double* __restrict q, int* __restrict low, int* __restrict range,
                                          int* __restrict right)
{
    for (int j = 0; j < n; ++j)
    {
        const int i = from + j;
        const int r0 = a[i - s], r1 = a[i], r2 = a[i + s], r3 = b[i + s];
        const int r4 = c[i + s], r5 = c[i], r6 = c[i - s], r7 = b[i - s];
        const int t3 = 3 * (r0 + r1 + r2 + r3 + r4 + r5 + r6 + r7);
        const int k0 = std::abs(8 * (r0 + r1 + r2) - t3), k1 = std::abs(8 * (r1 + r2 + r3) - t3);
        const int k2 = std::abs(8 * (r2 + r3 + r4) - t3), k3 = std::abs(8 * (r3 + r4 + r5) - t3);
        const int k4 = std::abs(8 * (r4 + r5 + r6) - t3), k5 = std::abs(8 * (r5 + r6 + r7) - t3);
        const int k6 = std::abs(8 * (r6 + r7 + r0) - t3), k7 = std::abs(8 * (r7 + r0 + r1) - t3);
        const int mn = std::min(std::min(std::min(k0, k1), std::min(k2, k3)),
                                std::min(std::min(k4, k5), std::min(k6, k7)));
        const int mx = std::max(std::max(std::max(k0, k1), std::max(k2, k3)),
                                std::max(std::max(k4, k5), std::max(k6, k7)));
        const int squares = k0 * k0 + k1 * k1 + k2 * k2 + k3 * k3 + k4 * k4 + k5 * k5 + k6 * k6 + k7 * k7;
        q[j] = double(std::max(squares, 1)) * 0.125;
        low[j] = mn;
        range[j] = mx - mn;
        right[j] = r3; // w5
    }
}

ORVALIS_SIMD_CLONES void ContourValues(const double* __restrict rms, const int* __restrict low,
                                       const int* __restrict range, const int* __restrict right, int n,
                                       double threshold, BYTE* __restrict out)
{
    for (int j = 0; j < n; ++j)
    {
        // The range when it exceeds the threshold, else the threshold.
        const double d = (low[j] - rms[j]) / std::max(double(range[j]), threshold);
        const double v = (right[j] - d) * 128 / rms[j];
        out[j] = BYTE(int(std::min(std::max(v, 0.0), 255.0))); // v is never a NaN: rms >= sqrt(0.125)
    }
}

void ContourInterior(const BYTE* a, const BYTE* b, const BYTE* c, int s, int from, int end, BYTE* out,
                     double threshold)
{
    alignas(64) double q[kContourChunk];
    alignas(64) int low[kContourChunk], range[kContourChunk], right[kContourChunk];
    for (int i0 = from; i0 < end; i0 += kContourChunk)
    {
        const int n = std::min(kContourChunk, end - i0);
        ContourResponses(a, b, c, s, i0, n, q, low, range, right);
        int j = 0;
#if defined(__SSE2__)
        for (; j + 2 <= n; j += 2)
            _mm_store_pd(q + j, _mm_sqrt_pd(_mm_load_pd(q + j)));
#endif
        for (; j < n; ++j)
            q[j] = std::sqrt(q[j]);
        ContourValues(q, low, range, right, n, threshold, out + i0);
    }
}

// The window values of the ring round the centre, in ring order.
constexpr int kRing[8] = {0, 1, 2, 5, 8, 7, 6, 3};

// The Canny gradient |up - down| + |left - right|, capped at 255.
ORVALIS_SIMD_CLONES void GradientInterior(const BYTE* __restrict a, const BYTE* __restrict b,
                                          const BYTE* __restrict c, int s, int from, int end,
                                          BYTE* __restrict out)
{
    for (int i = from; i < end; ++i)
    {
        const int v = std::abs(a[i] - c[i]) + std::abs(b[i - s] - b[i + s]);
        out[i] = BYTE(v > 255 ? 255 : v);
    }
}

BYTE GradientWindow(const int* w)
{
    return BYTE(std::min(255, std::abs(w[1] - w[7]) + std::abs(w[3] - w[5])));
}

// FCEffectContoursCanny::SuppressNonMaximum over a row without branches. Its quantised step
// floor(g / m + 1.586), for |g| <= m and 1 <= m <= 255, is taken in integers: g / m >= 0.414 steps
// +1, g / m < -0.586 steps -1. No quotient of such integers lies within 1 / (500 m) of either bound
// (500 g = 207 m or 500 g = -293 m needs m to be a multiple of 500), far beyond the rounding of
// the floating-point form, so both agree on every window of bytes. Each step becomes two masks
// per axis (all bits set or none), which pick the neighbour ahead and the one behind.
ORVALIS_SIMD_CLONES void SuppressInterior(const BYTE* __restrict a, const BYTE* __restrict b,
                                          const BYTE* __restrict c, int s, int from, int end,
                                          BYTE* __restrict out)
{
    for (int i = from; i < end; ++i)
    {
        const int w0 = a[i - s], w1 = a[i], w2 = a[i + s];
        const int w3 = b[i - s], w4 = b[i], w5 = b[i + s];
        const int w6 = c[i - s], w7 = c[i], w8 = c[i + s];
        const int gy = w1 - w7;
        const int gx = w3 - w5;
        const int m = std::max(std::abs(gx), std::abs(gy));
        const int mm = m + int(m == 0);
        const int xPlus = -int(500 * gx >= 207 * mm);
        const int xMinus = -int(500 * gx < -293 * mm);
        const int yPlus = -int(500 * gy >= 207 * mm);
        const int yMinus = -int(500 * gy < -293 * mm);
        const int top = w1 ^ ((w0 ^ w1) & xMinus) ^ ((w2 ^ w1) & xPlus);
        const int mid = w4 ^ ((w3 ^ w4) & xMinus) ^ ((w5 ^ w4) & xPlus);
        const int bot = w7 ^ ((w6 ^ w7) & xMinus) ^ ((w8 ^ w7) & xPlus);
        const int ahead = mid ^ ((top ^ mid) & yMinus) ^ ((bot ^ mid) & yPlus);
        const int oppTop = w1 ^ ((w0 ^ w1) & xPlus) ^ ((w2 ^ w1) & xMinus);
        const int oppMid = w4 ^ ((w3 ^ w4) & xPlus) ^ ((w5 ^ w4) & xMinus);
        const int oppBot = w7 ^ ((w6 ^ w7) & xPlus) ^ ((w8 ^ w7) & xMinus);
        const int behind = oppMid ^ ((oppTop ^ oppMid) & yPlus) ^ ((oppBot ^ oppMid) & yMinus);
        const int keep = int(m > 0) & int(w4 >= ahead) & int(w4 >= behind);
        out[i] = BYTE(w4 & -keep);
    }
}

template <BYTE (*Kernel)(const int*)>
ORVALIS_SIMD_CLONES void KernelInterior(const BYTE* __restrict a, const BYTE* __restrict b,
                                        const BYTE* __restrict c, int s, int from, int end,
                                        BYTE* __restrict out)
{
    for (int i = from; i < end; ++i)
    {
        const int w[9] = {a[i - s], a[i], a[i + s], b[i - s], b[i], b[i + s], c[i - s], c[i], c[i + s]};
        out[i] = Kernel(w);
    }
}

// ZeroCrossing2x2, inlined where the marking pass calls it.
inline BYTE ZeroCrossingValue(int p, int r, int b, int d)
{
    const bool high = p >= 132, low = p < 125;
    const bool crossing =
        (high & ((r < 125) | (b < 125) | (d < 125))) | (low & ((r >= 132) | (b >= 132) | (d >= 132)));
    // The rules pick, among p - r, p - b and p - d, one of the largest magnitude (which one on a
    // tie makes no difference to twice its magnitude).
    const long long m =
        std::max({std::llabs((long long)p - r), std::llabs((long long)p - b), std::llabs((long long)p - d)});
    return crossing ? BYTE(std::min<long long>(255, 2 * m)) : BYTE(0);
}

// ZeroCrossingValue for bytes, without branches.
inline int ZeroCrossingOfBytes(int p, int r, int b, int d)
{
    const int high = p >= 132, low = p < 125;
    const int crossing =
        (high & ((r < 125) | (b < 125) | (d < 125))) | (low & ((r >= 132) | (b >= 132) | (d >= 132)));
    const int m = std::max(std::max(std::abs(p - r), std::abs(p - b)), std::abs(p - d));
    return std::min(255, 2 * m) & -crossing;
}

// The zero-crossing marks of a row of n bytes from the row and the one below (s bytes a pixel; the
// last pixel's right neighbours are clamped to itself).
ORVALIS_SIMD_CLONES void ZeroCrossingRow(const BYTE* __restrict row, const BYTE* __restrict below, int s,
                                         int n, BYTE* __restrict out)
{
    for (int i = 0; i < n - s; ++i)
        out[i] = BYTE(ZeroCrossingOfBytes(row[i], row[i + s], below[i], below[i + s]));
    for (int i = n - s; i < n; ++i)
        out[i] = BYTE(ZeroCrossingOfBytes(row[i], row[i], below[i], below[i]));
}

// The bytes of a result row of the image's width, in slot 2 of the pass's working rows.
BYTE* ResultRow(const FCObjImage& image, neighbour::RowScratch& scratch)
{
    return scratch.Slot(2, std::size_t(image.Width()) * std::size_t(image.ColorBits() / 8));
}

// Progress after row y of a pass, the pass covering [base, base + span) of the whole: the
// observer is told and asked whether to go on. Without an observer the pass always goes on.
bool PassProgress(FCProgressObserver* observer, int y, int height, int span, int base)
{
    return ProgressCheckpoint(observer, int((std::int64_t(span) * (y + 1)) / height) / 2 + base);
}

// A pass over the image, rows from the top: computeRow(y, out) -> bool makes result row y, whose
// B, G and R then replace the image's. Progress as PassProgress; a stop ends the pass after its row.
template <class ComputeRow>
void ResultRowPass(FCObjImage& image, FCProgressObserver* observer, int span, int base, ComputeRow computeRow)
{
    const int width = image.Width();
    const int height = image.Height();
    const int step = image.ColorBits() / 8;
    neighbour::RowScratch scratch;
    BYTE* out = ResultRow(image, scratch);
    if (!out) return;
    for (int y = 0; y < height; ++y)
    {
        if (computeRow(y, out)) neighbour::StoreColourBytes(image.RowAddress(y), out, width, step);
        if (!PassProgress(observer, y, height, span, base)) return;
    }
}

// A pass that rewrites the image in place from the top: computeRow(rows, y, out) -> bool makes
// result row y from the rows as they were before the pass (RowsBeforePass, windows reaching
// `reach` rows up and down), whose B, G and R then replace the image's. Progress as
// PassProgress; a stop ends the pass after its row.
template <class ComputeRow>
void InPlacePass(FCObjImage& image, int reach, FCProgressObserver* observer, int span, int base,
                 ComputeRow computeRow)
{
    neighbour::RowScratch scratch;
    neighbour::RowsBeforePass rows(image, reach, scratch);
    BYTE* out = ResultRow(image, scratch);
    if (!rows.Ready() || !out) return;
    const int width = image.Width();
    const int height = image.Height();
    const int step = image.ColorBits() / 8;
    for (int y = 0; y < height; ++y)
    {
        rows.Save(y);
        if (computeRow(rows, y, out)) neighbour::StoreColourBytes(image.RowAddress(y), out, width, step);
        if (!PassProgress(observer, y, height, span, base)) return;
    }
}

// The same for a per-channel 3 x 3 window function (RunWindowRow3x3).
template <class Interior, class Window>
void WindowPassInPlace(FCObjImage& image, FCProgressObserver* observer, int span, int base, Interior interior,
                       Window window)
{
    const int width = image.Width();
    const int step = image.ColorBits() / 8;
    InPlacePass(image, 1, observer, span, base,
                [&](const neighbour::RowsBeforePass& rows, int y, BYTE* out)
                {
                    RunWindowRow3x3(rows.Row(y - 1), rows.Row(y), rows.Row(y + 1), width, step, out, interior,
                                    window);
                    return true;
                });
}

// The largest B, G or R byte of a row of n bytes (alpha bytes skipped at 4 bytes a pixel).
ORVALIS_SIMD_CLONES int LargestColourByte(const BYTE* __restrict row, int n, int step)
{
    BYTE m = 0;
    if (step == 3)
        for (int i = 0; i < n; ++i)
            m = std::max(m, row[i]);
    else
        for (int i = 0; i < n; ++i)
            m = std::max(m, BYTE(row[i] & ((i & 3) == 3 ? 0 : 0xFF)));
    return m;
}

// Every B, G and R byte v of a row becomes v x 255 / mx (mx 1..254, integer division; the
// floating-point quotient of these small integers, truncated, is exact).
ORVALIS_SIMD_CLONES void StretchColourBytes(BYTE* __restrict row, int n, int step, int mx)
{
    const float d = float(mx);
    if (step == 3)
        for (int i = 0; i < n; ++i)
            row[i] = BYTE(int(float(row[i] * 255) / d));
    else
        for (int i = 0; i < n; ++i)
            row[i] = (i & 3) == 3 ? row[i] : BYTE(int(float(row[i] * 255) / d));
}
} // namespace

// ---------------------------------------------------------------------------------------------

template <int N> void FCEffectSimpleContour<N>::PrepareImage(FCObjImage& image)
{
    m_copy.Take(image);
}

template <int N>
bool FCEffectSimpleContour<N>::ComputeResultRow(int y, BYTE* out, neighbour::RowScratch&) const
{
    return neighbour::WindowResultRow3x3(m_copy.Image(), y, out, SimpleContourInterior<N>,
                                         SimpleContourWindow<N>);
}

template class FCEffectSimpleContour<1>;
template class FCEffectSimpleContour<2>;

// ---------------------------------------------------------------------------------------------

void FCEffectGradientBase::KirschResponses(const int window[9], int responses[8])
{
    int total = 0;
    for (int k : kRing)
        total += window[k];
    for (int d = 0; d < 8; ++d)
    {
        // Three consecutive ring values, the ring taken round: direction 7 is w3, w0, w1.
        const int three = window[kRing[d]] + window[kRing[(d + 1) % 8]] + window[kRing[(d + 2) % 8]];
        responses[d] = 5 * three - 3 * (total - three);
    }
}

BYTE FCEffectGradientBase::KirschMagnitude(const int window[9])
{
    int responses[8];
    KirschResponses(window, responses);
    int m = 0;
    for (int r : responses)
        m = std::max(m, std::abs(r));
    return BYTE(std::min(255, m >> 1));
}

void FCEffectGradientBase::PrepareImage(FCObjImage& image)
{
    m_copy.Take(image);
}

bool FCEffectGradientBase::ComputeResultRow(int y, BYTE* out, neighbour::RowScratch&) const
{
    return neighbour::WindowResultRow3x3(m_copy.Image(), y, out, KirschInterior, KirschMagnitude);
}

// ---------------------------------------------------------------------------------------------

FCEffectContoursGradient::FCEffectContoursGradient(int threshold) : m_threshold(std::max(1, threshold) * 0.1)
{
}

BYTE FCEffectContoursGradient::ContourValue(const int window[9]) const
{
    int responses[8];
    KirschResponses(window, responses);
    int mn = std::abs(responses[0]);
    int mx = mn;
    int squares = 0;
    for (int r : responses)
    {
        const int a = std::abs(r);
        mn = std::min(mn, a);
        mx = std::max(mx, a);
        squares += a * a;
    }
    const double rms = std::sqrt(double(std::max(squares, 1)) * 0.125);
    const int range = mx - mn;
    const double d = range > m_threshold ? (mn - rms) / range : (mn - rms) / m_threshold;
    return TruncClampToByte((window[5] - d) * 128 / rms);
}

bool FCEffectContoursGradient::ComputeResultRow(int y, BYTE* out, neighbour::RowScratch&) const
{
    auto interior = [this](const BYTE* a, const BYTE* b, const BYTE* c, int s, int from, int end, BYTE* o)
    { ContourInterior(a, b, c, s, from, end, o, m_threshold); };
    auto window = [this](const int* w) { return ContourValue(w); };
    return neighbour::WindowResultRow3x3(m_copy.Image(), y, out, interior, window);
}

// ---------------------------------------------------------------------------------------------

BYTE ZeroCrossing2x2(int p, int r, int b, int d)
{
    return ZeroCrossingValue(p, r, b, d);
}

template <BYTE (*Kernel)(const int*)>
void FCEffectContoursFilter<Kernel>::MarkZeroCrossing(FCObjImage& image, int x, int y, BYTE* pixel)
{
    const int step = image.ColorBits() / 8;
    const BYTE* right = x + 1 < image.Width() ? pixel + step : pixel;
    const BYTE* below =
        image.RowAddress(std::min(y + 1, image.Height() - 1)) + std::size_t(x) * std::size_t(step);
    const BYTE* belowRight = x + 1 < image.Width() ? below + step : below;
    for (int c = 0; c < 3; ++c)
        pixel[c] = ZeroCrossingValue(pixel[c], right[c], below[c], belowRight[c]);
}

template <BYTE (*Kernel)(const int*)>
void FCEffectContoursFilter<Kernel>::ApplyToImage(FCObjImage& image, FCProgressObserver* observer)
{
    if (!image.HasBits()) return;
    WindowPassInPlace(image, observer, 100, 0, KernelInterior<Kernel>, Kernel);
    // MarkZeroCrossing of every pixel in scan order, a row at a time: a pixel reads only its right
    // and lower neighbours, which the pass has not written yet, so a row's marks come from the
    // row and the one below as the first pass left them.
    const int height = image.Height();
    const int step = image.ColorBits() / 8;
    ResultRowPass(image, observer, 100, 50,
                  [&](int y, BYTE* out)
                  {
                      ZeroCrossingRow(image.RowAddress(y), image.RowAddress(std::min(y + 1, height - 1)),
                                      step, image.Width() * step, out);
                      return true;
                  });
}

template class FCEffectContoursFilter<&FCEffectContoursLaplacien2>;
template class FCEffectContoursFilter<&FCEffectContoursLaplacien4>;
template class FCEffectContoursFilter<&FCEffectContoursLaplacien8>;

// ---------------------------------------------------------------------------------------------

FCEffectContoursCanny::FCEffectContoursCanny(bool use5x5Smoothing, bool suppressNonMaxima)
    : m_use5x5Smoothing(use5x5Smoothing), m_suppressNonMaxima(suppressNonMaxima)
{
}

void FCEffectContoursCanny::PrepareImage(FCObjImage& image)
{
    (void)image; // the passes rewrite the image in place: no copy is needed
    static const int kSmooth3[9] = {1, 2, 1, 2, 4, 2, 1, 2, 1};
    static const int kSmooth5[25] = {2,  4, 5, 4, 2,  4, 9, 12, 9, 4, 5, 12, 15,
                                     12, 5, 4, 9, 12, 9, 4, 2,  4, 5, 4, 2};
    if (m_use5x5Smoothing)
        SetKernel(kSmooth5, 5, 159, 0);
    else
        SetKernel(kSmooth3, 3, 16, 0);
}

BYTE FCEffectContoursCanny::SuppressNonMaximum(const int window[9])
{
    const int* w = window;
    const int c = w[4];
    const int gy = w[1] - w[7];
    const int gx = w[3] - w[5];
    const int g = std::abs(gx) > std::abs(gy) ? gx : gy;
    const int m = std::abs(g);
    if (m == 0) return 0;
    const int dx = int(std::floor(double(gx) / m + 1.586));
    const int dy = int(std::floor(double(gy) / m + 1.586));
    const int di = dx - 1;
    const int dj = dy - 1;
    if (c < w[4 + di + 3 * dj]) return 0;
    return c >= w[4 - di - 3 * dj] ? BYTE(c) : BYTE(0);
}

void FCEffectContoursCanny::ApplyToImage(FCObjImage& image, FCProgressObserver* observer)
{
    if (!image.HasBits() || m_size < 1) return;
    const int width = image.Width();
    const int step = image.ColorBits() / 8;
    InPlacePass(image, m_size / 2, observer, 100, 0,
                [&](const neighbour::RowsBeforePass& rows, int y, BYTE* out)
                {
                    const BYTE* window[5];
                    for (int r = 0; r < m_size; ++r)
                        window[r] = rows.Row(y - m_size / 2 + r);
                    ConvolveRows(window, width, step, out);
                    return true;
                });

    // The gradient, then the suppression, each of the picture as the previous pass left it.
    WindowPassInPlace(image, observer, m_suppressNonMaxima ? 50 : 100, 50, GradientInterior, GradientWindow);
    if (m_suppressNonMaxima) WindowPassInPlace(image, observer, 50, 75, SuppressInterior, SuppressNonMaximum);

    // The stretch, also after a stop: the largest of B, G and R goes to 255.
    const int height = image.Height();
    const int rowBytes = width * step;
    int mx = 1;
    for (int y = 0; y < height; ++y)
        mx = std::max(mx, LargestColourByte(image.RowAddress(y), rowBytes, step));
    if (mx == 255) return;
    for (int y = 0; y < height; ++y)
        StretchColourBytes(image.RowAddress(y), rowBytes, step, mx);
}
