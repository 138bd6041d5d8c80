#include "imagelib/effects/FlipRotateEffects.h"

#include "imagelib/FCParallel.h"
#include "imagelib/PixelHelpers.h"
#include "imagelib/effects/VectorDispatch.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

#ifdef ORVALIS_AVX2_TARGET
#include <immintrin.h>
#endif

bool SwapIntoBackupAndRecreate(FCObjImage& image, FCObjImage& backup, long long width, long long height)
{
    backup.Destroy();
    if (!image.HasBits() || width < 1 || height < 1 || width > INT_MAX || height > INT_MAX) return false;
    FCObjImage fresh;
    if (!fresh.Create(int(width), int(height), image.ColorBits())) return false;
    image.Swap(backup);
    image.Swap(fresh);
    return true;
}

namespace
{
void SwapPixelBytes(BYTE* a, BYTE* b, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        std::swap(a[i], b[i]);
}

// (p + q) >> 1 on every byte of a pixel: B, G, R, and alpha at 32 bits.
template <int N> inline void Average2(BYTE* out, const BYTE* p, const BYTE* q)
{
    for (int i = 0; i < N; ++i)
        out[i] = BYTE((p[i] + q[i]) >> 1);
}

template <int N> inline void Average4(BYTE* out, const BYTE* p, const BYTE* q, const BYTE* r, const BYTE* s)
{
    for (int i = 0; i < N; ++i)
        out[i] = BYTE((p[i] + q[i] + r[i] + s[i]) >> 2);
}

template <int N> inline void Copy(BYTE* out, const BYTE* p)
{
    std::memcpy(out, p, N);
}

// One pixel of the doubled image (W2 x H2) from the source S.
template <int N> void DilatePixel(const FCObjImage& source, int x, int y, int w2, int h2, BYTE* pixel)
{
    const int sx = x >> 1;
    const int sy = y >> 1;
    const bool oddX = (x & 1) != 0;
    const bool oddY = (y & 1) != 0;
    // Whether a right or lower neighbour exists in the source (not on the last column or row).
    const bool right = x < w2 - 2;
    const bool below = y < h2 - 2;
    const BYTE* s = source.RowAddress(sy) + std::size_t(sx) * N;
    const BYTE* sRight = s + N;
    const BYTE* sBelow = below ? source.RowAddress(sy + 1) + std::size_t(sx) * N : s;

    if (!oddX && !oddY)
        Copy<N>(pixel, s);
    else if (!oddX) // odd row
    {
        if (below)
            Average2<N>(pixel, s, sBelow);
        else
            Copy<N>(pixel, s);
    }
    else if (!oddY) // odd column
    {
        if (right)
            Average2<N>(pixel, s, sRight);
        else
            Copy<N>(pixel, s);
    }
    else if (right && below)
        Average4<N>(pixel, s, sRight, sBelow, sBelow + N);
    else if (right)
        Average2<N>(pixel, s, sRight);
    else if (below)
        Average2<N>(pixel, s, sBelow);
    else
        Copy<N>(pixel, s);
}

template <int N> void ReducePixel(const FCObjImage& source, int x, int y, BYTE* pixel)
{
    const BYTE* top = source.RowAddress(2 * y) + std::size_t(2 * x) * N;
    const BYTE* bottom = source.RowAddress(2 * y + 1) + std::size_t(2 * x) * N;
    Average4<N>(pixel, top, top + N, bottom, bottom + N);
}
} // namespace

void FCEffectFlip::ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    const int h = image.Height();
    if (y >= h / 2) return;
    SwapPixelBytes(pixel, image.PixelAddress(x, h - 1 - y), image.ColorBits() / 8);
}

void FCEffectFlip::ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel,
                                      FCEffectThreadState*)
{
    const int h = image.Height();
    if (y >= h / 2) return;
    std::swap_ranges(row, row + std::size_t(image.Width()) * std::size_t(bytesPerPixel),
                     image.RowAddress(h - 1 - y));
}

void FCEffectMirror::ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    const int w = image.Width();
    if (x >= w / 2) return;
    SwapPixelBytes(pixel, image.PixelAddress(w - 1 - x, y), image.ColorBits() / 8);
}

namespace
{
// Pixels x0 .. x1 - 1 of a row mirrored in place.
template <int N> void MirrorRow(BYTE* row, int width)
{
    BYTE* a = row;
    BYTE* b = row + std::size_t(width - 1) * N;
    for (int x = 0; x < width / 2; ++x, a += N, b -= N)
        for (int i = 0; i < N; ++i)
            std::swap(a[i], b[i]);
}

// n pixels of N bytes from src, right to left, into dst, left to right.
template <int N> void CopyReversed(BYTE* dst, const BYTE* src, int n)
{
    src += std::size_t(n - 1) * N;
    for (int x = 0; x < n; ++x, dst += N, src -= N)
        std::memcpy(dst, src, N);
}

// n pixels of N bytes from a column: src, then every stride bytes further.
template <int N> void CopyColumn(BYTE* dst, const BYTE* src, std::ptrdiff_t stride, int n)
{
    for (int x = 0; x < n; ++x, dst += N, src += stride)
        std::memcpy(dst, src, N);
}
} // namespace

void FCEffectMirror::ApplyToPixelsOfRow(FCObjImage& image, int, BYTE* row, int bytesPerPixel,
                                        FCEffectThreadState*)
{
    if (bytesPerPixel == 4)
        MirrorRow<4>(row, image.Width());
    else if (bytesPerPixel == 3)
        MirrorRow<3>(row, image.Width());
    else
        FCImageEffect::ApplyToPixelsOfRow(image, 0, row, bytesPerPixel, nullptr);
}

void FCEffectRotate90::PrepareImage(FCObjImage& image)
{
    SwapIntoBackupAndRecreate(image, m_backup, image.Height(), image.Width());
}

void FCEffectRotate90::ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    if (!m_backup.HasBits()) return;
    CopyPixelBytes(pixel, m_backup.PixelAddress(y, image.Width() - 1 - x), image.ColorBits());
}

void FCEffectRotate90::ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int, FCEffectThreadState*)
{
    if (!m_backup.HasBits()) return;
    // Pixel x comes from (y, W - 1 - x) of the backup: up its column y from the bottom.
    const int w = image.Width();
    const BYTE* src = m_backup.PixelAddress(y, w - 1);
    if (image.ColorBits() == 32)
        CopyColumn<4>(row, src, -m_backup.RowStride(), w);
    else
        CopyColumn<3>(row, src, -m_backup.RowStride(), w);
}

void FCEffectRotate270::ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    if (!m_backup.HasBits()) return;
    CopyPixelBytes(pixel, m_backup.PixelAddress(image.Height() - 1 - y, x), image.ColorBits());
}

void FCEffectRotate270::ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int, FCEffectThreadState*)
{
    if (!m_backup.HasBits()) return;
    // Pixel x comes from (H - 1 - y, x) of the backup: down its column H - 1 - y.
    const int w = image.Width();
    const BYTE* src = m_backup.PixelAddress(image.Height() - 1 - y, 0);
    if (image.ColorBits() == 32)
        CopyColumn<4>(row, src, m_backup.RowStride(), w);
    else
        CopyColumn<3>(row, src, m_backup.RowStride(), w);
}

void FCEffectRotate180::PrepareImage(FCObjImage& image)
{
    SwapIntoBackupAndRecreate(image, m_backup, image.Width(), image.Height());
}

void FCEffectRotate180::ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    if (!m_backup.HasBits()) return;
    CopyPixelBytes(pixel, m_backup.PixelAddress(image.Width() - 1 - x, image.Height() - 1 - y),
                   image.ColorBits());
}

void FCEffectRotate180::ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int, FCEffectThreadState*)
{
    if (!m_backup.HasBits()) return;
    const BYTE* src = m_backup.RowAddress(image.Height() - 1 - y);
    if (image.ColorBits() == 32)
        CopyReversed<4>(row, src, image.Width());
    else
        CopyReversed<3>(row, src, image.Width());
}

void FCEffectDilate::PrepareImage(FCObjImage& image)
{
    SwapIntoBackupAndRecreate(image, m_backup, 2LL * image.Width(), 2LL * image.Height());
}

void FCEffectDilate::ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    if (!m_backup.HasBits()) return;
    if (image.ColorBits() == 32)
        DilatePixel<4>(m_backup, x, y, image.Width(), image.Height(), pixel);
    else
        DilatePixel<3>(m_backup, x, y, image.Width(), image.Height(), pixel);
}

namespace
{
// Row y of the doubled image (width w2, height h2) from the source: DilatePixel for every x, with
// what depends on the row worked out once.
template <int N> void DilateRow(const FCObjImage& source, int y, int w2, int h2, BYTE* out)
{
    const int sy = y >> 1;
    const bool oddY = (y & 1) != 0;
    const bool below = y < h2 - 2;
    const BYTE* s = source.RowAddress(sy);
    const BYTE* t = below ? source.RowAddress(sy + 1) : s;
    const bool mixRows = oddY && below;
    // Every pixel but the last two has a right neighbour.
    const int inner = std::max(0, std::min(w2, w2 - 2));
    int x = 0;
    for (; x + 1 < inner; x += 2, s += N, t += N, out += 2 * N)
    {
        if (mixRows)
        {
            Average2<N>(out, s, t);
            Average4<N>(out + N, s, s + N, t, t + N);
        }
        else
        {
            Copy<N>(out, s);
            Average2<N>(out + N, s, s + N);
        }
    }
    for (; x < w2; ++x, out += N)
        DilatePixel<N>(source, x, y, w2, h2, out);
}

namespace reduce_generic
{
#define REDUCE_LANES 0
#include "imagelib/effects/FlipRotateKernels.inl"
#undef REDUCE_LANES
} // namespace reduce_generic

#ifdef ORVALIS_AVX2_TARGET
ORVALIS_AVX2_BEGIN
namespace reduce_avx2
{
#define REDUCE_LANES 2
#include "imagelib/effects/FlipRotateKernels.inl"
#undef REDUCE_LANES
} // namespace reduce_avx2
ORVALIS_AVX2_END

ORVALIS_AVX512_BEGIN
namespace reduce_avx512
{
#define REDUCE_LANES 4
#include "imagelib/effects/FlipRotateKernels.inl"
#undef REDUCE_LANES
} // namespace reduce_avx512
ORVALIS_AVX512_END
#endif

// The halving's row loop of the widest instruction set allowed, for N bytes per pixel.
template <int N> FCEffectReduce::RowFn ChooseReduceRow()
{
#ifdef ORVALIS_AVX2_TARGET
    if (UseAvx512()) return reduce_avx512::ReduceRow<N>;
    if (UseAvx2()) return reduce_avx2::ReduceRow<N>;
#endif
    return reduce_generic::ReduceRow<N>;
}
} // namespace

void FCEffectDilate::ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int, FCEffectThreadState*)
{
    if (!m_backup.HasBits()) return;
    if (image.ColorBits() == 32)
        DilateRow<4>(m_backup, y, image.Width(), image.Height(), row);
    else
        DilateRow<3>(m_backup, y, image.Width(), image.Height(), row);
}

bool FCEffectReduce::AcceptsImage(const FCObjImage& image)
{
    return FCImageEffect::AcceptsImage(image) && image.Width() >= 2 && image.Height() >= 2;
}

void FCEffectReduce::PrepareImage(FCObjImage& image)
{
    m_backup.Destroy();
    m_row = image.ColorBits() == 32 ? ChooseReduceRow<4>() : ChooseReduceRow<3>();
    if (!image.HasBits() || image.Width() < 2 || image.Height() < 2) return;
    // Not cleared: ApplyToImage writes every byte.
    FCObjImage halved;
    if (!halved.CreateUncleared(image.Width() / 2, image.Height() / 2, image.ColorBits())) return;
    image.Swap(m_backup);
    image.Swap(halved);
}

void FCEffectReduce::ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    if (!m_backup.HasBits()) return;
    if (image.ColorBits() == 32)
        ReducePixel<4>(m_backup, x, y, pixel);
    else
        ReducePixel<3>(m_backup, x, y, pixel);
}

void FCEffectReduce::ApplyToImage(FCObjImage& image, FCProgressObserver* observer)
{
    if (!m_backup.HasBits() || !m_row || !image.HasBits()) return;
    const int width = image.Width();
    const int height = image.Height();
    const std::size_t bytes = std::size_t(width) * std::size_t(image.ColorBits() / 8);
    const std::size_t padding = std::size_t(image.RowPitch()) - bytes;
    RowsInBands(
        height, observer,
        [&](int y)
        {
            BYTE* const row = image.RowAddress(y);
            m_row(m_backup.RowAddress(2 * y), m_backup.RowAddress(2 * y + 1), width, row);
            std::memset(row + bytes, 0, padding);
        },
        [&](int y) { std::memset(image.RowAddress(y), 0, bytes + padding); });
}
