#include "imagelib/effects/GaussBlurEffects.h"

#include "imagelib/FCParallel.h"
#include "imagelib/PixelHelpers.h"
#include "imagelib/effects/VectorDispatch.h"
#include "imagelib/effects/ColorEffects.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <exception>
#include <new>
#include <thread>
#include <utility>

#ifdef ORVALIS_AVX2_TARGET
#include <immintrin.h>
#endif

// The vector loops pass vectors wider than the baseline's registers between functions of this
// file only; they never cross into another unit, so the note on how such vectors are passed does
// not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace
{
// Pixels computed together by the widest inner loops (the padding of the working rows), columns
// in one strip of the column pass (so that its ring of rows mostly stays in the first-level
// cache), rows in one task of the row pass.
constexpr int kGaussGroup = 16;
constexpr int kGaussStrip = 16;
constexpr int kGaussRowBlock = 8;
// Doubles in one cache line.
constexpr int kLineDoubles = 8;
// Rows ahead of the one the column pass reads whose bytes it asks the memory for.
constexpr int kColumnAhead = 8;
// Outputs of the row pass of opaque rows made together, and pixels of their rows emitted at a
// time (where the instruction set takes opaque rows eight at a time).
constexpr int kRowOutputs = 4;
constexpr int kEmitPixels = 64;
// How near the middle between two integers a result of the fused loops may come before it is
// made again as the plain loop makes it: far more than the two can differ by.
constexpr double kFusedMargin = 1.0 / (1 << 20);

std::atomic<bool>& FusedResultsDoubted()
{
    static std::atomic<bool> doubted{false};
    return doubted;
}

// What the inner loops need to know of one run.
struct GaussSetup
{
    BYTE* const* rows;
    int width, height;
    int halfSize, tapCount;
    const double* taps;
    const double* taps255; // 255 x each tap: the weights of opaque samples
    double inverse255;     // 1 / (sum of taps255, in tap order): 1 / weight of an opaque line
    std::ptrdiff_t linePlane;
    std::ptrdiff_t outPlane;
    // The column pass: columns in one strip; entries of a plane and of a row in its ring of rows,
    // whole cache lines each (the vectors read start on a line), a row an odd number of lines
    // so that the rows the taps read do not all fall on the same cache sets.
    int stripWidth;
    std::ptrdiff_t ringPlane, ringRow;
    // The loops of opaque pixels through fused products: taps255 on whole vectors, kRowOutputs
    // vectors of zeros before and after; how far below 0.5 a result's distance from its nearest
    // integer must stay for the fused result to be taken (GaussBlurKernels.inl).
    const double* vectorTaps;
    double fusedLimit;
};

namespace gauss_generic
{
#define GAUSS_LANES 2
#define GAUSS_GROUP 8
#include "imagelib/effects/GaussBlurKernels.inl"
#undef GAUSS_GROUP
#undef GAUSS_LANES
} // namespace gauss_generic

#ifdef ORVALIS_AVX2_TARGET
ORVALIS_AVX2_BEGIN
namespace gauss_avx2
{
#define GAUSS_LANES 4
#define GAUSS_GROUP 8
#include "imagelib/effects/GaussBlurKernels.inl"
#undef GAUSS_GROUP
#undef GAUSS_LANES
} // namespace gauss_avx2
ORVALIS_AVX2_END

// Sixteen pixels in two vectors of eight: six independent sums (eight with alpha) keep both of
// the processor's adders busy.
ORVALIS_AVX512_BEGIN
namespace gauss_avx512
{
#define GAUSS_LANES 8
#define GAUSS_GROUP 16
#include "imagelib/effects/GaussBlurKernels.inl"
#undef GAUSS_GROUP
#undef GAUSS_LANES
} // namespace gauss_avx512
ORVALIS_AVX512_END
#endif

using ColumnStripFn = void (*)(const GaussSetup&, int, int, double*, const double**, const double**, int*);
using BlurRowFn = void (*)(const GaussSetup&, int, double*, int*);
using OpaqueRowsFn = void (*)(const GaussSetup&, int, int, double*, long long*);

// The inner loops for this processor: [0] for 24 bits, [1] for 32.
struct GaussKernels
{
    ColumnStripFn column[2];
    BlurRowFn row[2];
    FCEffectUNSharpMask::SharpenFn sharpen[2];
    // Up to eight opaque rows of the row pass at once, where the instruction set has such a loop.
    OpaqueRowsFn opaqueRows;
};

GaussKernels PickKernels()
{
#ifdef ORVALIS_AVX2_TARGET
    if (UseAvx512())
        return GaussKernels{{gauss_avx512::ColumnStrip<false>, gauss_avx512::ColumnStrip<true>},
                            {gauss_avx512::BlurRow<false>, gauss_avx512::BlurRow<true>},
                            {gauss_avx512::SharpenRun<3>, gauss_avx512::SharpenRun<4>},
                            gauss_avx512::OpaqueRowsFused};
    if (UseAvx2())
        return GaussKernels{{gauss_avx2::ColumnStrip<false>, gauss_avx2::ColumnStrip<true>},
                            {gauss_avx2::BlurRow<false>, gauss_avx2::BlurRow<true>},
                            {gauss_avx2::SharpenRun<3>, gauss_avx2::SharpenRun<4>},
                            nullptr};
#endif
    return GaussKernels{{gauss_generic::ColumnStrip<false>, gauss_generic::ColumnStrip<true>},
                        {gauss_generic::BlurRow<false>, gauss_generic::BlurRow<true>},
                        {gauss_generic::SharpenRun<3>, gauss_generic::SharpenRun<4>},
                        nullptr};
}

// Working memory of one thread.
struct GaussScratch
{
    std::vector<double> ring, line;
    std::vector<const double*> ringRows, taps;

    // The ring and the line from their first cache line on.
    double* Ring() { return FromLine(ring.data()); }
    double* Line() { return FromLine(line.data()); }
    static double* FromLine(double* p)
    {
        const auto addr = reinterpret_cast<std::uintptr_t>(p);
        const std::uintptr_t size = kLineDoubles * sizeof(double);
        return reinterpret_cast<double*>((addr + size - 1) & ~(size - 1));
    }
    std::vector<int> stripOut, rowOut;
    // The row pass of opaque rows taken eight at a time: its turned rows (every entry read is
    // written first, so the memory is left as it comes: the thread that works in it touches its
    // pages first, rather than the calling thread clearing them all) and results.
    std::unique_ptr<double[]> rowsLine;
    std::vector<long long> rowsStage;
    double* RowsLine() { return FromLine(rowsLine.get()); }

    // May throw std::bad_alloc. With opaqueRows, the memory of that row pass in place of the
    // other's.
    void Allocate(const GaussSetup& s, bool opaqueRows)
    {
        ring.assign((std::size_t(s.tapCount) + 1) * std::size_t(s.ringRow) + kLineDoubles, 0.0);
        ringRows.assign(std::size_t(s.height), nullptr);
        taps.assign(std::size_t(s.tapCount), nullptr);
        stripOut.assign(8 * std::size_t(s.stripWidth), 0);
        if (opaqueRows)
        {
            rowsLine = std::make_unique_for_overwrite<double[]>(
                (std::size_t(s.width) + 2 * std::size_t(s.halfSize) + kRowOutputs) * 24 + kLineDoubles);
            rowsStage.assign(3 * std::size_t(kEmitPixels) * 8, 0);
            return;
        }
        line.assign(std::size_t(4 * s.linePlane) + kLineDoubles, 0.0);
        rowOut.assign(std::size_t(4 * s.outPlane), 0);
    }
};

// What a block of rows of the second pass leaves for the calling thread. A clear result takes the
// colour of the last result with alpha computed before it; a block cannot know the colour its
// first clear results inherit, so it counts them (pending), and the calling thread colours and
// combines them once the blocks before are done.
struct BlockRecord
{
    long long pending = 0;
    bool coloured = false;
    BYTE colour[3] = {0, 0, 0};
    int rowsDone = 0;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// The blur

void DoubtFusedGaussResultsForTesting(bool doubt)
{
    FusedResultsDoubted().store(doubt, std::memory_order_relaxed);
}

FCEffectBlur_Gauss::FCEffectBlur_Gauss(int radius, bool copyEdge, int channelMode)
    : m_copyEdge(copyEdge), m_channelMode(channelMode)
{
    const double step = 2.0 / std::max(radius, 1);
    m_kernel.resize(201);
    for (int i = -100; i <= 100; ++i)
    {
        const double t = i * step;
        m_kernel[std::size_t(i + 100)] = std::exp(-0.5 * (t * t));
    }
    auto normalise = [this]
    {
        double sum = 0.0;
        for (double k : m_kernel)
            sum += k;
        const double inv = 1.0 / sum;
        for (double& k : m_kernel)
            k *= inv;
    };
    normalise();
    double removed = 0.0;
    for (int round = 0; round < 100; ++round)
    {
        removed += 2 * m_kernel.front();
        if (removed >= 1.0 / 510.0) break;
        m_kernel.erase(m_kernel.begin());
        m_kernel.pop_back();
    }
    normalise();
    m_halfSize = int(m_kernel.size() / 2);
}

void FCEffectBlur_Gauss::CombinePixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    (void)image, (void)x, (void)y, (void)pixel;
}

void FCEffectBlur_Gauss::CombineRow(FCObjImage& image, int y, int x0, int x1)
{
    const int bpp = image.ColorBits() / 8;
    BYTE* p = image.RowAddress(y) + std::ptrdiff_t(x0) * bpp;
    for (int x = x0; x < x1; ++x, p += bpp)
        CombinePixel(image, x, y, p);
}

void FCEffectBlur_Gauss::ApplyToImage(FCObjImage& image, FCProgressObserver* observer)
{
    if (!image.HasBits() || (image.ColorBits() != 24 && image.ColorBits() != 32)) return;
    m_bitsPerPixel = image.ColorBits();
    const bool alpha = m_bitsPerPixel == 32;
    const int bpp = m_bitsPerPixel / 8;
    const int width = image.Width();
    const int height = image.Height();
    const int tapCount = int(m_kernel.size());

    std::vector<double> taps255(m_kernel.size());
    double opaqueWeight = 0.0;
    for (std::size_t k = 0; k < m_kernel.size(); ++k)
    {
        taps255[k] = 255.0 * m_kernel[k];
        opaqueWeight += taps255[k];
    }
    std::vector<double> vectorTaps((m_kernel.size() + 2 * kRowOutputs) * kLineDoubles, 0.0);
    for (std::size_t k = 0; k < m_kernel.size(); ++k)
        std::fill_n(vectorTaps.begin() + std::ptrdiff_t((k + kRowOutputs) * kLineDoubles), kLineDoubles,
                    taps255[k]);
    GaussSetup s;
    s.rows = image.Rows();
    s.vectorTaps = vectorTaps.data();
    s.fusedLimit = FusedResultsDoubted().load(std::memory_order_relaxed) ? 0.0 : 0.5 - kFusedMargin;
    s.width = width;
    s.height = height;
    s.halfSize = m_halfSize;
    s.tapCount = tapCount;
    s.taps = m_kernel.data();
    s.taps255 = taps255.data();
    s.inverse255 = 1.0 / opaqueWeight;
    s.linePlane = (std::ptrdiff_t(width) + 2 * m_halfSize + kGaussGroup + kLineDoubles - 1) / kLineDoubles *
                  kLineDoubles;
    s.outPlane = (std::ptrdiff_t(width) + kGaussGroup - 1) / kGaussGroup * kGaussGroup;
    s.stripWidth = kGaussStrip;
    s.ringPlane = s.stripWidth + kLineDoubles;
    s.ringRow = 4 * s.ringPlane + kLineDoubles;
    const GaussKernels kernels = PickKernels();

    int threads = RunThreads();
    const int strips = (width + s.stripWidth - 1) / s.stripWidth;
    const int maxBlocks = (height + kGaussRowBlock - 1) / kGaussRowBlock;
    threads = std::min(threads, std::max(strips, maxBlocks));
    // All the working memory is had before any thread starts; without it the image is left as it
    // is.
    std::vector<GaussScratch> scratch;
    std::vector<BlockRecord> records;
    for (;;)
    {
        try
        {
            scratch.resize(std::size_t(threads));
            for (GaussScratch& sc : scratch)
                sc.Allocate(s, !alpha && kernels.opaqueRows);
            records.resize(std::size_t(maxBlocks));
            break;
        }
        catch (const std::bad_alloc&)
        {
            scratch = std::vector<GaussScratch>();
            if (threads == 1) return;
            threads = 1;
        }
    }

    // Column pass: strips of columns, progress 0 after each column.
    std::atomic<bool> stop{false};
    RunOrdered(
        strips, std::min(threads, strips), stop,
        [&](int i, int thread)
        {
            GaussScratch& sc = scratch[std::size_t(thread)];
            const int x0 = i * s.stripWidth;
            kernels.column[alpha](s, x0, std::min(s.stripWidth, width - x0), sc.Ring(), sc.ringRows.data(),
                                  sc.taps.data(), sc.stripOut.data());
        },
        [&](int i)
        {
            const int columns = std::min(s.stripWidth, width - i * s.stripWidth);
            for (int c = 0; c < columns; ++c)
                if (!ProgressCheckpoint(observer, 0)) return false;
            return true;
        });

    // Row pass: blocks of rows, CombinePixel on every result, progress after each row. After a
    // cancel in the first pass only the first row is done.
    const int rowsToDo = ProgressCancelled(observer) ? 1 : height;
    const int blocks = (rowsToDo + kGaussRowBlock - 1) / kGaussRowBlock;
    BYTE carried[3] = {0, 0, 0};
    stop.store(false);
    RunOrdered(
        blocks, std::min(threads, blocks), stop,
        [&](int i, int thread)
        {
            GaussScratch& sc = scratch[std::size_t(thread)];
            BlockRecord& rec = records[std::size_t(i)];
            const int y0 = i * kGaussRowBlock;
            const int y1 = std::min(rowsToDo, y0 + kGaussRowBlock);
            if (!alpha && kernels.opaqueRows)
            {
                // The block's rows at once; then each is combined unless the blur is plain.
                if (stop.load(std::memory_order_relaxed)) return;
                kernels.opaqueRows(s, y0, y1, sc.RowsLine(), sc.rowsStage.data());
                if (!m_plainBlur)
                    for (int y = y0; y < y1; ++y)
                        CombineRow(image, y, 0, width);
                rec.rowsDone = y1 - y0;
                return;
            }
            const std::ptrdiff_t op = s.outPlane;
            const int* out = sc.rowOut.data();
            for (int y = y0; y < y1 && !stop.load(std::memory_order_relaxed); ++y)
            {
                kernels.row[alpha](s, y, sc.Line(), sc.rowOut.data());
                BYTE* p = image.RowAddress(y);
                if (!alpha)
                {
                    // Opaque rows: the row pass wrote the bytes; each pixel is combined unless the
                    // blur is plain.
                    if (!m_plainBlur) CombineRow(image, y, 0, width);
                    ++rec.rowsDone;
                    continue;
                }
                int firstCombined = 0;
                for (int x = 0; x < width; ++x, p += bpp)
                {
                    if (alpha)
                    {
                        const int a = out[x + 3 * op];
                        p[3] = BYTE(a);
                        if (a == 0)
                        {
                            if (rec.coloured)
                                std::memcpy(p, rec.colour, 3);
                            else
                            {
                                p[0] = p[1] = p[2] = 0;
                                ++rec.pending;
                                firstCombined = x + 1;
                            }
                            continue;
                        }
                    }
                    p[0] = BYTE(out[x]);
                    p[1] = BYTE(out[x + op]);
                    p[2] = BYTE(out[x + 2 * op]);
                    if (alpha)
                    {
                        rec.coloured = true;
                        std::memcpy(rec.colour, p, 3);
                    }
                }
                CombineRow(image, y, firstCombined, width);
                ++rec.rowsDone;
            }
        },
        [&](int i)
        {
            BlockRecord& rec = records[std::size_t(i)];
            const int y0 = i * kGaussRowBlock;
            for (long long n = 0; n < rec.pending; ++n)
            {
                const int y = y0 + int(n / width);
                const int x = int(n % width);
                BYTE* p = image.PixelAddress(x, y);
                std::memcpy(p, carried, 3);
                CombinePixel(image, x, y, p);
            }
            if (rec.coloured) std::memcpy(carried, rec.colour, 3);
            for (int y = y0; y < y0 + rec.rowsDone; ++y)
                if (!ProgressCheckpoint(observer, int(100LL * (y + 1) / height))) return false;
            return true;
        });
}

// ---------------------------------------------------------------------------------------------
// Unsharp mask

FCEffectUNSharpMask::FCEffectUNSharpMask(int radius, int amount, int threshold)
    : FCEffectBlur_Gauss(radius, true, 1), m_amount(std::clamp(amount, 1, 100)),
      m_threshold(std::clamp(threshold, 0, 255))
{
}

void FCEffectUNSharpMask::PrepareImage(FCObjImage& image)
{
    m_copy = image;
    const GaussKernels kernels = PickKernels();
    m_sharpen[0] = kernels.sharpen[0];
    m_sharpen[1] = kernels.sharpen[1];
}

void FCEffectUNSharpMask::CombinePixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    (void)image;
    if (!m_copy.IsInside(x, y)) return;
    const BYTE* o = m_copy.PixelAddress(x, y);
    for (int c = 0; c < 3; ++c)
    {
        int diff = o[c] - pixel[c];
        if (std::abs(2 * diff) < m_threshold) diff = 0;
        pixel[c] = ClampToByte(o[c] + diff * m_amount / 100);
    }
}

void FCEffectUNSharpMask::CombineRow(FCObjImage& image, int y, int x0, int x1)
{
    const int bpp = image.ColorBits() / 8;
    if (image.ColorBits() != m_copy.ColorBits() || !m_copy.IsInside(0, y) || !m_sharpen[bpp == 4])
    {
        FCEffectBlur_Gauss::CombineRow(image, y, x0, x1);
        return;
    }
    x0 = std::max(x0, 0);
    x1 = std::min(x1, m_copy.Width());
    if (x0 >= x1) return;
    BYTE* p = image.RowAddress(y) + std::ptrdiff_t(x0) * bpp;
    const BYTE* o = m_copy.RowAddress(y) + std::ptrdiff_t(x0) * bpp;
    m_sharpen[bpp == 4](p, o, x1 - x0, m_amount, m_threshold);
}

// ---------------------------------------------------------------------------------------------
// Soft glow

FCEffectSoftGlow::FCEffectSoftGlow(int radius, int brightness, int contrast)
    : FCEffectBlur_Gauss(radius, true, 1),
      m_brightnessContrast(std::make_unique<FCEffectBrightnessContrast>(brightness, contrast))
{
}

FCEffectSoftGlow::~FCEffectSoftGlow() = default;

void FCEffectSoftGlow::PrepareImage(FCObjImage& image)
{
    m_copy = image;
    m_brightnessContrast->PrepareImage(image);
}

void FCEffectSoftGlow::CombinePixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    if (!m_copy.IsInside(x, y)) return;
    m_brightnessContrast->ApplyToPixel(image, x, y, pixel);
    const BYTE* o = m_copy.PixelAddress(x, y);
    for (int c = 0; c < 3; ++c)
        pixel[c] = BYTE(255 - (255 - o[c]) * (255 - pixel[c]) / 255);
    if (GetBitsPerPixel() == 32) pixel[3] = o[3];
}

// ---------------------------------------------------------------------------------------------
// Soft portrait

FCEffectSoftPortrait::FCEffectSoftPortrait(int softening, int brightness, int warmth)
    : FCEffectBlur_Gauss(int(std::clamp(3LL * softening, (long long)INT_MIN, (long long)INT_MAX)), true, 1),
      m_warmth(std::clamp(warmth, 0, 100)),
      m_brightnessContrast(std::make_unique<FCEffectBrightnessContrast>(std::clamp(brightness, -100, 100), 0))
{
}

FCEffectSoftPortrait::~FCEffectSoftPortrait() = default;

void FCEffectSoftPortrait::PrepareImage(FCObjImage& image)
{
    m_copy = image;
    m_brightnessContrast->PrepareImage(image);
}

void FCEffectSoftPortrait::CombinePixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    if (!m_copy.IsInside(x, y)) return;
    m_brightnessContrast->ApplyToPixel(image, x, y, pixel);
    const BYTE* o = m_copy.PixelAddress(x, y);
    const int l = PixelLuminance(o);
    pixel[0] = OverlayBlend(pixel[0], l * (100 - m_warmth) / 100);
    pixel[1] = OverlayBlend(pixel[1], l);
    pixel[2] = OverlayBlend(pixel[2], std::min(255, l * (100 + m_warmth) / 100));
    if (GetBitsPerPixel() == 32) pixel[3] = o[3];
}

// ---------------------------------------------------------------------------------------------

BYTE OverlayBlend(int a, int b)
{
    if (b < 128)
    {
        const int t = 2 * a * b + 128;
        return ClampToByte(((t >> 8) + t) >> 8);
    }
    const int t = 2 * (255 - b) * (255 - a) + 128;
    return ClampToByte(255 - (((t >> 8) + t) >> 8));
}
