#include "imagelib/effects/ResizeEffects.h"

#include "imagelib/FCParallel.h"
#include "imagelib/PixelHelpers.h"
#include "imagelib/codecs/FreeImageInclude.h"
#include "imagelib/effects/VectorDispatch.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

// The baseline loops use vectors of four doubles too, split by the compiler in two; they never
// cross into another unit, so the note on how such vectors are passed does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

double FCFilterCatmullRom::Filter(double x) const
{
    const double t = std::fabs(x);
    if (t < 1.0) return 1.5 * t * t * t - 2.5 * t * t + 1.0;
    if (t < 2.0) return -0.5 * t * t * t + 2.5 * t * t - 4.0 * t + 2.0;
    return 0.0;
}

namespace
{
// The source taps of a run of destination indices: for index d, count[d] clamped source indices
// and their normalised weights, stored one after the other.
struct Taps
{
    std::vector<int> first; // offset of index d's taps; one more entry than indices
    std::vector<int> index;
    std::vector<double> weight;
    // 255 x each weight: what an opaque pixel's alpha times the weight comes to.
    std::vector<double> opaqueWeight;
    // Per index: the alpha sum of an opaque line (255 x each weight, added in tap order), the
    // same for every pixel of a 24-bit image.
    std::vector<double> opaqueAlpha;
};

class PassGeometry
{
public:
    PassGeometry(int srcLen, int dstLen, const FCFilterBase& filter, bool vertical)
        : m_srcLen(srcLen), m_filter(filter), m_vertical(vertical)
    {
        m_scale = double(dstLen) / double(srcLen);
        m_support = filter.GetSupport();
        m_fscale = 1.0;
        if (m_scale < 1.0)
        {
            m_support = m_support / m_scale;
            m_fscale = m_scale;
        }
        m_invScale = 1.0 / m_scale;
    }

    // The most taps one index can have.
    int MaxTaps() const { return int(std::min(2.0 * m_support + 3.0, 1073741824.0)); }

    // Appends the taps of destination indices d0 .. d1 - 1 (weights divided by their sum).
    void Build(int d0, int d1, Taps& taps) const
    {
        taps.first.clear();
        taps.index.clear();
        taps.weight.clear();
        taps.opaqueWeight.clear();
        taps.opaqueAlpha.clear();
        for (int d = d0; d < d1; ++d)
        {
            taps.first.push_back(int(taps.index.size()));
            const double centre = d * m_invScale;
            const long long left = (long long)std::floor(centre - m_support);
            const long long right = (long long)std::ceil(centre + m_support);
            const std::size_t start = taps.weight.size();
            double sum = 0.0;
            for (long long i = left; i <= right; ++i)
            {
                const double dist = m_vertical ? (double(i) - centre) : (centre - double(i));
                const double w = m_filter.Filter(dist * m_fscale) * m_fscale;
                taps.weight.push_back(w);
                sum += w;
                taps.index.push_back(int(std::clamp<long long>(i, 0, m_srcLen - 1)));
            }
            if (sum != 0.0)
                for (std::size_t k = start; k < taps.weight.size(); ++k)
                    taps.weight[k] /= sum;
            // Taps of weight zero add nothing to any sum: they are dropped.
            std::size_t kept = start;
            double opaque = 0.0;
            for (std::size_t k = start; k < taps.weight.size(); ++k)
            {
                if (taps.weight[k] == 0.0) continue;
                taps.weight[kept] = taps.weight[k];
                taps.index[kept] = taps.index[k];
                opaque += 255.0 * taps.weight[k];
                ++kept;
            }
            taps.weight.resize(kept);
            taps.index.resize(kept);
            for (std::size_t k = start; k < kept; ++k)
                taps.opaqueWeight.push_back(255.0 * taps.weight[k]);
            taps.opaqueAlpha.push_back(opaque);
        }
        taps.first.push_back(int(taps.index.size()));
    }

private:
    int m_srcLen;
    const FCFilterBase& m_filter;
    bool m_vertical;
    double m_scale, m_invScale, m_support, m_fscale;
};

// The taps of a run of destination indices, every index with the same number (the most any of
// them has; the others padded with weight 0 on their last source index), for the vector loops.
struct EvenTaps
{
    int count = 0;
    std::vector<int> index;
    std::vector<double> weight; // times 255 at 24 bits, each four times (a pixel's lanes)
    std::vector<double> inv;    // per index, 24 bits: 1 / the alpha sum of an opaque line, or 0
    int lo = 0, hi = 0;         // the source indices read (index holds them less lo)

    // pixels: indices side by side in the layout, tap after tap (the last group padded with
    // copies of the last index).
    void From(const Taps& taps, bool alpha, int pixels)
    {
        const std::size_t n = taps.first.size() - 1;
        const std::size_t groups = (n + std::size_t(pixels) - 1) / std::size_t(pixels);
        count = 1;
        for (std::size_t j = 0; j < n; ++j)
            count = std::max(count, taps.first[j + 1] - taps.first[j]);
        index.assign(groups * std::size_t(pixels) * std::size_t(count), 0);
        weight.assign(4 * index.size(), 0.0);
        inv.assign(groups * std::size_t(pixels), 0.0);
        lo = hi = 0;
        if (!taps.index.empty())
        {
            lo = *std::min_element(taps.index.begin(), taps.index.end());
            hi = *std::max_element(taps.index.begin(), taps.index.end());
        }
        const std::vector<double>& w = alpha ? taps.weight : taps.opaqueWeight;
        for (std::size_t slot = 0; slot < groups * std::size_t(pixels); ++slot)
        {
            const std::size_t j = std::min(slot, n - 1);
            const std::size_t base = slot / std::size_t(pixels) * std::size_t(pixels) * std::size_t(count) +
                                     slot % std::size_t(pixels);
            const int b = taps.first[j], e = taps.first[j + 1];
            int last = 0;
            for (int k = 0; k < count; ++k)
            {
                const std::size_t t = base + std::size_t(k) * std::size_t(pixels);
                if (b + k < e)
                {
                    index[t] = taps.index[std::size_t(b + k)] - lo;
                    std::fill_n(weight.begin() + std::ptrdiff_t(4 * t), 4, w[std::size_t(b + k)]);
                    last = std::max(last, index[t]);
                }
                else
                    index[t] = last;
            }
            const double opaque = taps.opaqueAlpha[j];
            inv[slot] = RoundClampToByte(opaque) != 0 ? 1.0 / opaque : 0.0;
        }
    }
};

namespace resize_generic
{
#define RESIZE_LANES 4
#define RESIZE_BYTE_LOADS 0
#include "imagelib/effects/ResizeKernels.inl"
#undef RESIZE_BYTE_LOADS
#undef RESIZE_LANES
} // namespace resize_generic

#ifdef ORVALIS_AVX2_TARGET
ORVALIS_AVX2_BEGIN
namespace resize_avx2
{
#define RESIZE_LANES 4
#define RESIZE_BYTE_LOADS 1
#include "imagelib/effects/ResizeKernels.inl"
#undef RESIZE_BYTE_LOADS
#undef RESIZE_LANES
} // namespace resize_avx2
ORVALIS_AVX2_END

// Two pixels in a vector of eight.
ORVALIS_AVX512_BEGIN
namespace resize_avx512
{
#define RESIZE_LANES 8
#define RESIZE_BYTE_LOADS 1
#include "imagelib/effects/ResizeKernels.inl"
#undef RESIZE_BYTE_LOADS
#undef RESIZE_LANES
} // namespace resize_avx512
ORVALIS_AVX512_END
#endif

using SpreadFn = void (*)(const BYTE*, int, double*);
using HorizontalFn = void (*)(const double*, BYTE*, const int*, const double*, const double*, int, int);
using HorizontalBytesFn = void (*)(const BYTE*, BYTE*, const int*, const double*, const double*, int, int);
using Vertical24Fn = void (*)(const BYTE* const*, const double*, int, int, double, BYTE*);
using Vertical32Fn = void (*)(const BYTE* const*, const double*, int, int, BYTE*);
using RowsFn = void (*)(const BYTE* const*, int, BYTE* const*, int, const int*, const int*, int,
                        const double*, const double*, double*, std::ptrdiff_t);

// The loops for this processor, chosen once per pass: horizontal [0] for 24 bits, [1] for 32.
struct ResizeKernels
{
    SpreadFn spread;
    HorizontalFn horizontal[2];
    HorizontalBytesFn horizontalBytes[2]; // reads four bytes a pixel: not for the last source pixel
    Vertical24Fn vertical24;
    Vertical32Fn vertical32;
    int pixels;         // destination pixels of one vector of the horizontal loop
    RowsFn rowGroup[2]; // the horizontal pass `rows` rows at once: [0] 24 bits, [1] 32
    int rows;
};

ResizeKernels PickKernels()
{
#ifdef ORVALIS_AVX2_TARGET
    if (UseAvx512())
        return ResizeKernels{
            resize_avx512::SpreadRow,
            {resize_avx512::HorizontalRow<false, double>, resize_avx512::HorizontalRow<true, double>},
            {resize_avx512::HorizontalRow<false, BYTE>, resize_avx512::HorizontalRow<true, BYTE>},
            resize_avx512::VerticalRow24,
            resize_avx512::VerticalRow32,
            resize_avx512::kPixels,
            {resize_avx512::HorizontalRows<false>, resize_avx512::HorizontalRows<true>},
            resize_avx512::kLanes};
    if (UseAvx2())
        return ResizeKernels{
            resize_avx2::SpreadRow,
            {resize_avx2::HorizontalRow<false, double>, resize_avx2::HorizontalRow<true, double>},
            {resize_avx2::HorizontalRow<false, BYTE>, resize_avx2::HorizontalRow<true, BYTE>},
            resize_avx2::VerticalRow24,
            resize_avx2::VerticalRow32,
            resize_avx2::kPixels,
            {resize_avx2::HorizontalRows<false>, resize_avx2::HorizontalRows<true>},
            resize_avx2::kLanes};
#endif
    return ResizeKernels{
        resize_generic::SpreadRow,
        {resize_generic::HorizontalRow<false, double>, resize_generic::HorizontalRow<true, double>},
        {nullptr, nullptr}, // without variable shifts the doubles are faster
        resize_generic::VerticalRow24,
        resize_generic::VerticalRow32,
        resize_generic::kPixels,
        {resize_generic::HorizontalRows<false>, resize_generic::HorizontalRows<true>},
        resize_generic::kLanes};
}

// The checkpoint after destination index d of a pass of length len: progress
// base + (d + 1) x 50 / len; false when the pass must end.
bool ReportIndex(FCProgressObserver* observer, int base, long long d, long long len)
{
    return ProgressCheckpoint(observer, base + int((d + 1) * 50 / len));
}

bool PassImagesFit(const FCObjImage& src, const FCObjImage& dst)
{
    return src.HasBits() && dst.HasBits() && src.ColorBits() == dst.ColorBits() &&
           (src.ColorBits() == 24 || src.ColorBits() == 32) && &src != &dst;
}
// The working rows of one thread for the horizontal loops.
struct ChunkBuffers
{
    std::vector<double> row;
    std::vector<double> work;
};

// Source rows y0 .. y1 - 1 through destination columns d0 .. d1 - 1, whose taps (and their even
// form) are given; out(y) is where column d0 of source row y's destination row goes.
template <class Out>
void HorizontalChunkRows(const ResizeKernels& kernels, const FCObjImage& src, int y0, int y1, int d0, int d1,
                         const Taps& taps, const EvenTaps& t, ChunkBuffers& own, const Out& out)
{
    const int srcLen = src.Width();
    const bool hasAlpha = src.ColorBits() == 32;
    const int step = src.ColorBits() / 8;
    int y = y0;
    {
        // Rows a group at a time, one on each lane of the vectors.
        const int group = kernels.rows;
        const int inBytes = (t.hi - t.lo + 1) * step;
        const std::size_t work = std::size_t(inBytes) * std::size_t(group) +
                                 (std::size_t(d1 - d0) * 4 * std::size_t(group) + 1) / 2 + 8;
        own.work.resize(work);
        // On a 64-byte boundary, so that no vector of the turned rows straddles two lines.
        double* aligned =
            own.work.data() + (8 - (reinterpret_cast<std::uintptr_t>(own.work.data()) / 8) % 8) % 8;
        // Two groups on: rows are far apart, and the chunk reads only a short run of each.
        const std::ptrdiff_t ahead =
            src.Height() > 1 ? 2 * group * (src.RowAddress(1) - src.RowAddress(0)) : 0;
        const BYTE* in[8];
        BYTE* rows[8];
        auto runGroup = [&](int first)
        {
            for (int r = 0; r < group; ++r)
            {
                in[r] = src.RowAddress(first + r) + std::size_t(t.lo) * std::size_t(step);
                rows[r] = out(first + r);
            }
            kernels.rowGroup[hasAlpha](in, inBytes, rows, d1 - d0, taps.first.data(), taps.index.data(), t.lo,
                                       (hasAlpha ? taps.weight : taps.opaqueWeight).data(),
                                       taps.opaqueAlpha.data(), aligned, ahead);
        };
        for (; y + group <= y1; y += group)
            runGroup(y);
        // The rows left over as the last group of the run, over rows already made (made again
        // the same).
        if (y < y1 && y1 - y0 >= group)
        {
            runGroup(y1 - group);
            y = y1;
        }
    }
    if (kernels.horizontalBytes[0] && (hasAlpha || t.hi < srcLen - 1))
    {
        // Every pixel read has a fourth byte in the image: the bytes are read as they are.
        for (; y < y1; ++y)
            kernels.horizontalBytes[hasAlpha](src.RowAddress(y) + std::size_t(t.lo) * std::size_t(step),
                                              out(y), t.index.data(), t.weight.data(), t.inv.data(), t.count,
                                              d1 - d0);
        return;
    }
    // The source pixels the chunk reads, as doubles, one more after them (read, not used, by the
    // last pixel's vector).
    const int spread = (t.hi - t.lo + 1) * step;
    own.row.resize(std::size_t(spread) + 1);
    own.row[std::size_t(spread)] = 0.0;
    for (; y < y1; ++y)
    {
        kernels.spread(src.RowAddress(y) + std::size_t(t.lo) * std::size_t(step), spread, own.row.data());
        kernels.horizontal[hasAlpha](own.row.data(), out(y), t.index.data(), t.weight.data(), t.inv.data(),
                                     t.count, d1 - d0);
    }
}
} // namespace

void ResampleWithFilterHorizontal(const FCObjImage& src, FCObjImage& dst, const FCFilterBase& filter,
                                  FCProgressObserver* observer, int threads)
{
    if (!PassImagesFit(src, dst) || src.Height() != dst.Height()) return;
    const int srcLen = src.Width();
    const int dstLen = dst.Width();
    const int lines = dst.Height();
    const bool hasAlpha = src.ColorBits() == 32;
    const int step = src.ColorBits() / 8;
    const PassGeometry geometry(srcLen, dstLen, filter, false);
    threads = std::clamp(threads, 1, 8);

    // Destination columns go in chunks, each over every row, so that rows are read along memory;
    // progress follows for each column of the chunk. A chunk's taps stay small, and there are
    // several chunks for each thread to share.
    const long long byProgress = std::max<long long>(16, (dstLen + 24) / 25);
    const long long byMemory = std::max<long long>(1, 65536 / geometry.MaxTaps());
    const long long byThreads = threads > 1 ? std::max(16, dstLen / (8 * threads)) : dstLen;
    const int chunk = int(std::min<long long>({byProgress, byMemory, byThreads, dstLen}));
    int chunks = (dstLen + chunk - 1) / chunk;
    // A pass that starts cancelled does its first chunk only, as it would one chunk at a time.
    if (ProgressCancelled(observer)) chunks = std::min(chunks, 1);
    struct Scratch
    {
        Taps taps;
        EvenTaps even;
        ChunkBuffers buffers;
    };
    std::vector<Scratch> scratch{std::size_t(threads)};
    const ResizeKernels kernels = PickKernels();
    std::atomic<bool> stop{false};
    RunOrdered(
        chunks, threads, stop,
        [&](int i, int thread)
        {
            Scratch& own = scratch[std::size_t(thread)];
            const int d0 = i * chunk;
            const int d1 = std::min(dstLen, d0 + chunk);
            geometry.Build(d0, d1, own.taps);
            own.even.From(own.taps, hasAlpha, kernels.pixels);
            HorizontalChunkRows(kernels, src, 0, lines, d0, d1, own.taps, own.even, own.buffers,
                                [&](int y)
                                { return dst.RowAddress(y) + std::size_t(d0) * std::size_t(step); });
        },
        [&](int i)
        {
            const int d1 = std::min(dstLen, (i + 1) * chunk);
            for (int d = i * chunk; d < d1; ++d)
                if (!ReportIndex(observer, 0, d, dstLen)) return false;
            return true;
        });
}

void ResampleWithFilterVertical(FCObjImage& dst, const FCObjImage& src, const FCFilterBase& filter,
                                FCProgressObserver* observer, int threads)
{
    if (!PassImagesFit(src, dst) || src.Width() != dst.Width()) return;
    const int srcLen = src.Height();
    const int dstLen = dst.Height();
    const int width = dst.Width();
    const bool hasAlpha = src.ColorBits() == 32;
    const int step = src.ColorBits() / 8;
    const PassGeometry geometry(srcLen, dstLen, filter, true);
    threads = std::clamp(threads, 1, 8);

    // Each destination row sums its source rows in registers, a few vectors of channels at a time,
    // tap after tap (the same order of additions for every pixel). Rows are shared between the
    // threads; progress follows them in order.
    struct Scratch
    {
        Taps taps;
        std::vector<const BYTE*> rows;
    };
    std::vector<Scratch> scratch{std::size_t(threads)};
    const ResizeKernels kernels = PickKernels();
    // A pass that starts cancelled does its first row only.
    const int rows = ProgressCancelled(observer) ? std::min(dstLen, 1) : dstLen;
    std::atomic<bool> stop{false};
    RunOrdered(
        rows, threads, stop,
        [&](int d, int thread)
        {
            Scratch& own = scratch[std::size_t(thread)];
            Taps& taps = own.taps;
            geometry.Build(d, d + 1, taps);
            own.rows.resize(taps.index.size());
            for (std::size_t k = 0; k < taps.index.size(); ++k)
                own.rows[k] = src.RowAddress(taps.index[k]);
            const int count = int(taps.index.size());
            if (hasAlpha)
                kernels.vertical32(own.rows.data(), taps.weight.data(), count, width, dst.RowAddress(d));
            else
            {
                const double opaque = taps.opaqueAlpha[0];
                const double inv = RoundClampToByte(opaque) != 0 ? 1.0 / opaque : 0.0;
                kernels.vertical24(own.rows.data(), taps.opaqueWeight.data(), count, width * step, inv,
                                   dst.RowAddress(d));
            }
        },
        [&](int d) { return ReportIndex(observer, 50, d, dstLen); });
}

namespace
{
// Both passes band by band of destination rows: each band makes, into rows of its thread's own,
// the horizontal pass of just the source rows its rows read, then its rows from them; the rows
// two neighbouring bands share are made twice. Not when the bands' rows would hold more than the
// whole horizontal pass and more than kBandBytes (strong shrinks down the columns).
constexpr std::size_t kBandBytes = std::size_t(4) << 20;

struct BandPlan
{
    // The first destination row of each band, then the height; empty when the passes are made
    // one after the other.
    std::vector<int> first;
};

BandPlan PlanBands(const PassGeometry& down, int srcH, int dstH, int width, int step, int threads)
{
    // Bands several times the taps of a row, so that the rows made twice stay few; at least three
    // bands for each thread.
    const double scale = double(dstH) / double(srcH);
    const double span = double(down.MaxTaps());
    const long long byShare = std::max<long long>(1, (dstH + 3LL * threads - 1) / (3LL * threads));
    const long long byTaps = (long long)std::ceil(6.0 * span * std::min(scale, 1e6));
    const int band = int(std::clamp<long long>(std::min(byTaps, byShare), 1, dstH));
    const int bands = (dstH + band - 1) / band;
    const long long need = std::min<long long>(srcH, (long long)std::ceil(band / scale + span) + 1);
    const std::size_t rowBytes = (std::size_t(width) * std::size_t(step) + 63) / 64 * 64;
    const long long held = need * std::min(threads, bands);
    if (held > srcH && std::size_t(held) * rowBytes > kBandBytes) return BandPlan{};
    // Where fewer rows are left than two bands for each thread, the bands grow smaller, down to
    // half a band: the threads end closer together.
    BandPlan plan;
    for (int r = 0; r < dstH;)
    {
        plan.first.push_back(r);
        const int left = dstH - r;
        const int size = std::clamp((left + 2 * threads - 1) / (2 * threads), std::max(1, band / 2), band);
        r += std::min(size, left);
    }
    plan.first.push_back(dstH);
    return plan;
}

// The bands of the plan into dst, whose bytes are all written here: every row with the padding
// at its end, and the rows of the bands a stop leaves unmade cleared. Progress after each
// destination row, in order.
void ResizeByBands(const FCObjImage& src, FCObjImage& dst, const FCFilterBase& filter,
                   const PassGeometry& down, FCProgressObserver* observer, int threads, const BandPlan& plan)
{
    const int width = dst.Width();
    const int dstH = dst.Height();
    const bool hasAlpha = src.ColorBits() == 32;
    const int step = src.ColorBits() / 8;
    const PassGeometry across(src.Width(), width, filter, false);
    threads = std::clamp(threads, 1, 8);
    const int bands = int(plan.first.size()) - 1;
    const std::size_t rowBytes = (std::size_t(width) * std::size_t(step) + 63) / 64 * 64;
    const std::size_t bytes = std::size_t(width) * std::size_t(step);
    const std::size_t padding = std::size_t(dst.RowPitch()) - bytes;

    // The columns in chunks of their own taps, made once for every band by the first thread that
    // needs them: each thread goes through the chunks from a place of its own, so that at the
    // start they make different ones, and no thread waits for the others to start.
    struct Chunk
    {
        int d0 = 0, d1 = 0;
        Taps taps;
        EvenTaps even;
        std::atomic<int> state{0}; // 0 to make, 1 being made, 2 made
    };
    const ResizeKernels kernels = PickKernels();
    const int chunkWidth = int(std::clamp<long long>(65536 / across.MaxTaps(), 1, 64));
    const int chunkCount = (width + chunkWidth - 1) / chunkWidth;
    std::unique_ptr<Chunk[]> chunks(new Chunk[std::size_t(chunkCount)]);
    auto madeChunk = [&](int c) -> const Chunk&
    {
        Chunk& chunk = chunks[std::size_t(c)];
        int state = chunk.state.load(std::memory_order_acquire);
        if (state == 0 && chunk.state.compare_exchange_strong(state, 1, std::memory_order_acq_rel))
        {
            chunk.d0 = c * chunkWidth;
            chunk.d1 = std::min(width, chunk.d0 + chunkWidth);
            across.Build(chunk.d0, chunk.d1, chunk.taps);
            chunk.even.From(chunk.taps, hasAlpha, kernels.pixels);
            chunk.state.store(2, std::memory_order_release);
            return chunk;
        }
        while (chunk.state.load(std::memory_order_acquire) != 2)
            std::this_thread::yield();
        return chunk;
    };

    struct Scratch
    {
        Taps taps;
        ChunkBuffers buffers;
        std::vector<BYTE> rows;
        std::vector<const BYTE*> read;
    };
    std::vector<Scratch> scratch{std::size_t(threads)};
    auto clearBand = [&](int b)
    {
        for (int d = plan.first[std::size_t(b)]; d < plan.first[std::size_t(b) + 1]; ++d)
            std::memset(dst.RowAddress(d), 0, bytes + padding);
    };
    // A resize that starts cancelled does its first band only.
    const int count = ProgressCancelled(observer) ? 1 : bands;
    std::atomic<bool> stop{false};
    RunOrdered(
        count, threads, stop,
        [&](int b, int thread)
        {
            Scratch& own = scratch[std::size_t(thread)];
            const int r0 = plan.first[std::size_t(b)];
            const int r1 = plan.first[std::size_t(b) + 1];
            Taps& taps = own.taps;
            down.Build(r0, r1, taps);
            const int lo = *std::min_element(taps.index.begin(), taps.index.end());
            const int hi = *std::max_element(taps.index.begin(), taps.index.end());
            own.rows.resize(std::size_t(hi - lo + 1) * rowBytes + 64);
            BYTE* const base =
                own.rows.data() + (64 - reinterpret_cast<std::uintptr_t>(own.rows.data()) % 64) % 64;
            for (int i = 0; i < chunkCount; ++i)
            {
                const Chunk& chunk = madeChunk((thread * chunkCount / threads + i) % chunkCount);
                HorizontalChunkRows(kernels, src, lo, hi + 1, chunk.d0, chunk.d1, chunk.taps, chunk.even,
                                    own.buffers,
                                    [&](int y) {
                                        return base + std::size_t(y - lo) * rowBytes +
                                               std::size_t(chunk.d0) * std::size_t(step);
                                    });
            }
            own.read.resize(taps.index.size());
            for (std::size_t k = 0; k < taps.index.size(); ++k)
                own.read[k] = base + std::size_t(taps.index[k] - lo) * rowBytes;
            for (int d = r0; d < r1; ++d)
            {
                const int j = d - r0;
                const int first = taps.first[std::size_t(j)];
                const int n = taps.first[std::size_t(j) + 1] - first;
                const BYTE* const* rows = own.read.data() + first;
                BYTE* const out = dst.RowAddress(d);
                if (hasAlpha)
                    kernels.vertical32(rows, taps.weight.data() + first, n, width, out);
                else
                {
                    const double opaque = taps.opaqueAlpha[std::size_t(j)];
                    const double inv = RoundClampToByte(opaque) != 0 ? 1.0 / opaque : 0.0;
                    kernels.vertical24(rows, taps.opaqueWeight.data() + first, n, width * step, inv, out);
                }
                std::memset(out + bytes, 0, padding);
            }
        },
        [&](int b)
        {
            const int r1 = plan.first[std::size_t(b) + 1];
            for (int d = plan.first[std::size_t(b)]; d < r1; ++d)
                if (!ProgressCheckpoint(observer, int((d + 1) * 100LL / dstH))) return false;
            return true;
        },
        clearBand);
    for (int b = count; b < bands; ++b)
        clearBand(b);
}
} // namespace

void FCEffectResize::ApplyToImage(FCObjImage& image, FCProgressObserver* observer)
{
    if (!image.HasBits() || m_newWidth < 1 || m_newHeight < 1 || image.ColorBits() < 24) return;
    if (m_newWidth == image.Width() && m_newHeight == image.Height()) return;
    const int bpp = image.ColorBits();
    const int threads = RunThreads();
    const FCFilterCatmullRom filter;
    // The result is had first, not cleared (the bands write every byte): when it cannot be, the
    // image stays as it was, and a size that cannot be had is never planned for.
    FCObjImage resized;
    if (!resized.CreateUncleared(m_newWidth, m_newHeight, bpp)) return;
    const PassGeometry down(image.Height(), m_newHeight, filter, true);
    const BandPlan plan =
        PlanBands(down, image.Height(), m_newHeight, m_newWidth, bpp / 8, std::clamp(threads, 1, 8));
    if (!plan.first.empty())
        ResizeByBands(image, resized, filter, down, observer, threads, plan);
    else
    {
        // The whole horizontal pass first, then the vertical one, into a cleared picture: the
        // vertical pass leaves the padding of its rows as it is, and the rows a stop leaves unmade.
        if (!resized.Create(m_newWidth, m_newHeight, bpp)) return;
        FCObjImage across;
        if (!across.Create(m_newWidth, image.Height(), bpp)) return;
        resized.TouchPages();
        across.TouchPages();
        ResampleWithFilterHorizontal(image, across, filter, observer, threads);
        ResampleWithFilterVertical(resized, across, filter, observer, threads);
    }
    image.Swap(resized);
}

// ---------------------------------------------------------------------------------------------

FCEffectFreeImage::~FCEffectFreeImage()
{
    if (m_bitmap) FreeImage_Unload(m_bitmap);
}

void FCEffectFreeImage::PrepareImage(FCObjImage& image)
{
    if (m_bitmap)
    {
        FreeImage_Unload(m_bitmap);
        m_bitmap = nullptr;
    }
    if (!image.HasBits()) return;
    FIBITMAP* dib = FreeImage_Allocate(image.Width(), image.Height(), image.ColorBits(), 0, 0, 0);
    if (!dib) return;
    // Both are bottom-up with rows padded to 4 bytes; copied row by row all the same, so that a
    // different pitch could never overrun either side.
    const std::size_t pitch = std::min<std::size_t>(std::size_t(image.RowPitch()), FreeImage_GetPitch(dib));
    for (int y = 0; y < image.Height(); ++y)
        std::memcpy(FreeImage_GetScanLine(dib, image.Height() - 1 - y), image.RowAddress(y), pitch);
    FreeImage_SetDotsPerMeterX(dib, 0);
    FreeImage_SetDotsPerMeterY(dib, 0);
    m_bitmap = dib;
}

void FCEffectFreeImage::ApplyToImage(FCObjImage& image, FCProgressObserver* observer)
{
    // FreeImage's own call cannot be stopped; the checkpoints around it can. After a stop the
    // image stays as it was and the bitmaps are let go.
    auto release = [this]
    {
        if (m_bitmap) FreeImage_Unload(m_bitmap);
        m_bitmap = nullptr;
    };
    if (!ProgressCheckpoint(observer, 1)) return release();
    FIBITMAP* result = m_bitmap ? RunFreeImage() : nullptr;
    release();
    m_bitmap = result;
    if (!ProgressCheckpoint(observer, 98) || !ProgressCheckpoint(observer, 99)) return release();
    CopyBack(image);
    ProgressCheckpoint(observer, 100);
}

void FCEffectFreeImage::CopyBack(FCObjImage& image)
{
    if (!m_bitmap) return; // FreeImage failed: the picture stays as it was
    FIBITMAP* dib = m_bitmap;
    FIBITMAP* converted = nullptr;
    const unsigned bpp = FreeImage_GetBPP(dib);
    if (bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16)
    {
        converted =
            FreeImage_IsTransparent(dib) ? FreeImage_ConvertTo32Bits(dib) : FreeImage_ConvertTo24Bits(dib);
        dib = converted;
    }
    FCObjImage result;
    if (dib && FreeImage_GetImageType(dib) == FIT_BITMAP && FreeImage_GetBits(dib) &&
        (FreeImage_GetBPP(dib) == 24 || FreeImage_GetBPP(dib) == 32) &&
        result.Create(int(FreeImage_GetWidth(dib)), int(FreeImage_GetHeight(dib)),
                      int(FreeImage_GetBPP(dib))))
    {
        const std::size_t pitch =
            std::min<std::size_t>(std::size_t(result.RowPitch()), FreeImage_GetPitch(dib));
        const int h = result.Height();
        for (int y = 0; y < h; ++y)
            std::memcpy(result.RowAddress(y), FreeImage_GetScanLine(dib, h - 1 - y), pitch);
        image.Swap(result);
    }
    if (converted) FreeImage_Unload(converted);
    FreeImage_Unload(m_bitmap);
    m_bitmap = nullptr;
}

FCEffectResizeFreeImage::FCEffectResizeFreeImage(int newWidth, int newHeight, int filter)
    : m_newWidth(newWidth), m_newHeight(newHeight),
      m_filter(std::clamp(filter, int(FILTER_BOX), int(FILTER_LANCZOS3)))
{
}

FIBITMAP* FCEffectResizeFreeImage::RunFreeImage()
{
    if (!m_bitmap || m_newWidth < 1 || m_newHeight < 1) return nullptr;
    // A size no image can hold fails here, not after the library has allocated and filled it.
    const std::int64_t pitch = DibRowPitch(m_newWidth, FreeImage_GetBPP(m_bitmap));
    if (pitch <= 0 || pitch * m_newHeight > kMaxBitmapBytes) return nullptr;
    return FreeImage_Rescale(m_bitmap, m_newWidth, m_newHeight, FREE_IMAGE_FILTER(m_filter));
}

FIBITMAP* FCEffectRotateFreeImage::RunFreeImage()
{
    if (!m_bitmap || !std::isfinite(m_angle)) return nullptr;
    const RGBQUAD background{0, 0, 0, 0};
    return FreeImage_Rotate(m_bitmap, m_angle, &background);
}
