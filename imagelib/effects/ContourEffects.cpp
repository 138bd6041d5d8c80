#include "imagelib/effects/ContourEffects.h"

#include "imagelib/effects/VectorDispatch.h"

#include "imagelib/FCParallel.h"
#include "imagelib/PixelHelpers.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <new>
#include <vector>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

using neighbour::RunWindowRow3x3;

namespace
{
// Interior loops over the bytes [from, end) of a row: a, b and c are the rows above, at and below,
// s the bytes per pixel, so a[i - s], a[i], a[i + s] are the window's top row w0, w1, w2.

template <int N> BYTE SimpleContourWindow(const int* w)
{
    const int gx = (w[2] + N * w[5] + w[8]) - (w[0] + N * w[3] + w[6]);
    const int gy = (w[6] + N * w[7] + w[8]) - (w[0] + N * w[1] + w[2]);
    return BYTE(std::min(255, std::abs(gx) + std::abs(gy)));
}

// FCEffectContoursGradient::ContourValue over a row, in the same order of operations, a chunk of
// bytes at a time: the integer part, the square roots (with SSE2 where there is one: the
// compiler does not vectorise a square root that may have to set errno), then the quotients.
constexpr int kContourChunk = 512;

// The window values of the ring round the centre, in ring order.
constexpr int kRing[8] = {0, 1, 2, 5, 8, 7, 6, 3};

BYTE GradientWindow(const int* w)
{
    return BYTE(std::min(255, std::abs(w[1] - w[7]) + std::abs(w[3] - w[5])));
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

// The rows one block [y0, y1) of an in-place pass reads, as they were before the pass: its own
// rows through a RowsBeforePass of its own, the `reach` rows on either side of it, which the
// neighbouring blocks rewrite, from copies taken before any block started (top: rows
// y0 - reach .. y0 - 1, bottom: rows y1 .. y1 + reach - 1).
class BlockRows
{
public:
    BlockRows(const neighbour::RowsBeforePass& own, int height, int y0, int y1, const BYTE* top,
              const BYTE* bottom, std::size_t rowBytes)
        : m_own(own), m_height(height), m_y0(y0), m_y1(y1), m_top(top), m_bottom(bottom), m_rowBytes(rowBytes)
    {
    }

    const BYTE* Row(int v) const
    {
        v = neighbour::ClampIndex(v, m_height);
        if (v < m_y0) return m_top + std::size_t(v - (m_y0 - kMostReach)) * m_rowBytes;
        if (v >= m_y1) return m_bottom + std::size_t(v - m_y1) * m_rowBytes;
        return m_own.Row(v);
    }

    // Room for the copies of one side of a block.
    static constexpr int kMostReach = 2;

private:
    const neighbour::RowsBeforePass& m_own;
    int m_height, m_y0, m_y1;
    const BYTE* m_top;
    const BYTE* m_bottom;
    std::size_t m_rowBytes;
};

// A pass that rewrites the image in place from the top: computeRow(rows, y, out) -> bool makes
// result row y from the rows as they were before the pass (rows.Row(v), windows reaching `reach`
// rows up and down, reach 1 or 2), whose B, G and R then replace the image's. Blocks of rows are
// shared out over the threads of the run; every byte is what one thread going down the image
// would write. Progress as PassProgress, in row order; after a stop the rows in hand are
// finished and no block starts.
template <class ComputeRow>
void InPlacePass(FCObjImage& image, int reach, FCProgressObserver* observer, int span, int base,
                 ComputeRow computeRow)
{
    reach = std::clamp(reach, 1, BlockRows::kMostReach);
    const int width = image.Width();
    const int height = image.Height();
    const int step = image.ColorBits() / 8;
    const std::size_t rowBytes = std::size_t(width) * std::size_t(step);
    // Blocks of at least kBlockRows rows; the copies of their edges, 2 x reach rows for each
    // block after the first, are taken before any block starts.
    constexpr int kBlockRows = 64;
    // A pass that starts after a stop does its first row only, on the calling thread.
    const int threads =
        ProgressCancelled(observer) ? 1 : std::min(RunThreads(), std::max(1, height / kBlockRows));
    const int blocks = threads > 1 ? std::max(1, std::min(height / kBlockRows, 4 * threads)) : 1;
    std::vector<BYTE> edges;
    std::vector<neighbour::RowScratch> scratch;
    try
    {
        edges.resize(std::size_t(blocks) * 2 * BlockRows::kMostReach * rowBytes);
        scratch.resize(std::size_t(threads));
    }
    catch (const std::bad_alloc&)
    {
        return; // the image stays as it was
    }
    auto blockStart = [&](int b) { return int(std::int64_t(height) * b / blocks); };
    // Block b's copies: its top rows, then its bottom rows, kMostReach rows of room each.
    auto top = [&](int b) { return edges.data() + std::size_t(b) * 2 * BlockRows::kMostReach * rowBytes; };
    auto bottom = [&](int b) { return top(b) + BlockRows::kMostReach * rowBytes; };
    for (int b = 0; b < blocks; ++b)
    {
        const int y0 = blockStart(b), y1 = blockStart(b + 1);
        for (int k = 0; k < reach; ++k)
        {
            const int above = y0 - reach + k; // placed at kMostReach - reach + k
            if (above >= 0)
                std::memcpy(top(b) + std::size_t(BlockRows::kMostReach - reach + k) * rowBytes,
                            image.RowAddress(above), rowBytes);
            if (y1 + k < height)
                std::memcpy(bottom(b) + std::size_t(k) * rowBytes, image.RowAddress(y1 + k), rowBytes);
        }
    }
    // Block b on scratch `own`: its rows from the top, goOn(y) asked after each row (false ends
    // the block); the rows done are counted.
    std::vector<int> rowsDone(std::size_t(blocks), 0);
    auto runBlock = [&](int b, neighbour::RowScratch& own, auto&& goOn)
    {
        neighbour::RowsBeforePass before(image, reach, own);
        BYTE* out = ResultRow(image, own);
        if (!before.Ready() || !out) return;
        const int y0 = blockStart(b), y1 = blockStart(b + 1);
        const BlockRows rows(before, height, y0, y1, top(b), bottom(b), rowBytes);
        for (int y = y0; y < y1; ++y)
        {
            before.Save(y);
            if (computeRow(rows, y, out)) neighbour::StoreColourBytes(image.RowAddress(y), out, width, step);
            ++rowsDone[std::size_t(b)];
            if (!goOn(y)) return;
        }
    };
    if (blocks == 1)
    {
        // One thread: the calling thread goes down the image, progress after every row.
        runBlock(0, scratch[0], [&](int y) { return PassProgress(observer, y, height, span, base); });
        return;
    }
    std::atomic<bool> stop{false};
    RunOrdered(
        blocks, threads, stop,
        [&](int b, int thread) {
            runBlock(b, scratch[std::size_t(thread)],
                     [&](int) { return !stop.load(std::memory_order_relaxed); });
        },
        [&](int b)
        {
            const int y0 = blockStart(b);
            for (int y = y0; y < y0 + rowsDone[std::size_t(b)]; ++y)
                if (!PassProgress(observer, y, height, span, base)) return false;
            return rowsDone[std::size_t(b)] == blockStart(b + 1) - y0;
        });
}

// The same for a per-channel 3 x 3 window function (RunWindowRow3x3).
template <class Interior, class Window>
void WindowPassInPlace(FCObjImage& image, FCProgressObserver* observer, int span, int base, Interior interior,
                       Window window)
{
    const int width = image.Width();
    const int step = image.ColorBits() / 8;
    InPlacePass(image, 1, observer, span, base,
                [&](const BlockRows& rows, int y, BYTE* out)
                {
                    RunWindowRow3x3(rows.Row(y - 1), rows.Row(y), rows.Row(y + 1), width, step, out, interior,
                                    window);
                    return true;
                });
}

namespace contour_generic
{
#include "imagelib/effects/ContourKernels.inl"
} // namespace contour_generic

#ifdef ORVALIS_AVX2_TARGET
ORVALIS_AVX2_BEGIN
namespace contour_avx2
{
#include "imagelib/effects/ContourKernels.inl"
} // namespace contour_avx2
ORVALIS_AVX2_END
#endif

using InteriorFn = void (*)(const BYTE*, const BYTE*, const BYTE*, int, int, int, BYTE*);

// The row loops for one instruction set.
struct ContourKernels
{
    InteriorFn prewitt, sobel, kirsch, gradient, suppress, laplacian2, laplacian4, laplacian8;
    void (*contour)(const BYTE*, const BYTE*, const BYTE*, int, int, int, BYTE*, double);
    void (*zeroCrossingRow)(const BYTE*, const BYTE*, int, int, BYTE*);
    int (*largestColourByte)(const BYTE*, int, int);
    void (*stretchColourBytes)(BYTE*, int, int, int);
};

#define ORVALIS_CONTOUR_KERNELS(ns)                                                                          \
    ContourKernels                                                                                           \
    {                                                                                                        \
        ns::PrewittInterior, ns::SobelInterior, ns::KirschInterior, ns::GradientInterior,                    \
            ns::SuppressInterior, ns::Laplacian2Interior, ns::Laplacian4Interior, ns::Laplacian8Interior,    \
            ns::ContourInterior, ns::ZeroCrossingRow, ns::LargestColourByte, ns::StretchColourBytes          \
    }

const ContourKernels& Kernels(bool avx2)
{
    static const ContourKernels generic = ORVALIS_CONTOUR_KERNELS(contour_generic);
#ifdef ORVALIS_AVX2_TARGET
    static const ContourKernels vector = ORVALIS_CONTOUR_KERNELS(contour_avx2);
    if (avx2) return vector;
#else
    (void)avx2;
#endif
    return generic;
}
#undef ORVALIS_CONTOUR_KERNELS

// The Laplacian interior loop of a kernel. (A plain comparison: with the sanitizers on, the
// compiler does not take the addresses of two functions as constants.)
template <BYTE (*Kernel)(const int*)> InteriorFn LaplacianInterior(const ContourKernels& k)
{
    if (Kernel == &FCEffectContoursLaplacien2) return k.laplacian2;
    if (Kernel == &FCEffectContoursLaplacien4) return k.laplacian4;
    return k.laplacian8;
}
} // namespace

// ---------------------------------------------------------------------------------------------

template <int N> void FCEffectSimpleContour<N>::PrepareImage(FCObjImage& image)
{
    m_copy.Take(image);
}

template <int N>
bool FCEffectSimpleContour<N>::ComputeResultRow(int y, BYTE* out, neighbour::RowScratch& scratch) const
{
    const ContourKernels& k = Kernels(scratch.Avx2());
    return neighbour::WindowResultRow3x3(m_copy.Image(), y, out, N == 1 ? k.prewitt : k.sobel,
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

bool FCEffectGradientBase::ComputeResultRow(int y, BYTE* out, neighbour::RowScratch& scratch) const
{
    return neighbour::WindowResultRow3x3(m_copy.Image(), y, out, Kernels(scratch.Avx2()).kirsch,
                                         KirschMagnitude);
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

bool FCEffectContoursGradient::ComputeResultRow(int y, BYTE* out, neighbour::RowScratch& scratch) const
{
    const auto contour = Kernels(scratch.Avx2()).contour;
    auto interior = [&](const BYTE* a, const BYTE* b, const BYTE* c, int s, int from, int end, BYTE* o)
    { contour(a, b, c, s, from, end, o, m_threshold); };
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
    const ContourKernels& k = Kernels(UseAvx2());
    WindowPassInPlace(image, observer, 100, 0, LaplacianInterior<Kernel>(k), Kernel);
    // MarkZeroCrossing of every pixel in scan order, a row at a time: a pixel reads only its right
    // and lower neighbours, which the pass has not written yet, so a row's marks come from the
    // row and the one below as the first pass left them.
    const int height = image.Height();
    const int step = image.ColorBits() / 8;
    InPlacePass(image, 1, observer, 100, 50,
                [&](const BlockRows& rows, int y, BYTE* out)
                {
                    k.zeroCrossingRow(rows.Row(y), rows.Row(std::min(y + 1, height - 1)), step,
                                      image.Width() * step, out);
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
    const bool avx2 = UseAvx2();
    const ContourKernels& k = Kernels(avx2);
    InPlacePass(image, m_size / 2, observer, 100, 0,
                [&](const BlockRows& rows, int y, BYTE* out)
                {
                    const BYTE* window[5];
                    for (int r = 0; r < m_size; ++r)
                        window[r] = rows.Row(y - m_size / 2 + r);
                    ConvolveRows(window, width, step, out, avx2);
                    return true;
                });

    // The gradient, then the suppression, each of the picture as the previous pass left it.
    WindowPassInPlace(image, observer, m_suppressNonMaxima ? 50 : 100, 50, k.gradient, GradientWindow);
    if (m_suppressNonMaxima) WindowPassInPlace(image, observer, 50, 75, k.suppress, SuppressNonMaximum);

    // The stretch, also after a stop: the largest of B, G and R goes to 255.
    const int height = image.Height();
    const int rowBytes = width * step;
    int mx = 1;
    for (int y = 0; y < height; ++y)
        mx = std::max(mx, k.largestColourByte(image.RowAddress(y), rowBytes, step));
    if (mx == 255) return;
    for (int y = 0; y < height; ++y)
        k.stretchColourBytes(image.RowAddress(y), rowBytes, step, mx);
}
