#include "imagelib/effects/FlipRotateEffects.h"

#include "imagelib/PixelHelpers.h"

#include <climits>
#include <cstring>
#include <utility>

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

void FCEffectMirror::ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    const int w = image.Width();
    if (x >= w / 2) return;
    SwapPixelBytes(pixel, image.PixelAddress(w - 1 - x, y), image.ColorBits() / 8);
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

void FCEffectRotate270::ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    if (!m_backup.HasBits()) return;
    CopyPixelBytes(pixel, m_backup.PixelAddress(image.Height() - 1 - y, x), image.ColorBits());
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

bool FCEffectReduce::AcceptsImage(const FCObjImage& image)
{
    return FCImageEffect::AcceptsImage(image) && image.Width() >= 2 && image.Height() >= 2;
}

void FCEffectReduce::PrepareImage(FCObjImage& image)
{
    SwapIntoBackupAndRecreate(image, m_backup, image.Width() / 2, image.Height() / 2);
}

void FCEffectReduce::ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    if (!m_backup.HasBits()) return;
    if (image.ColorBits() == 32)
        ReducePixel<4>(m_backup, x, y, pixel);
    else
        ReducePixel<3>(m_backup, x, y, pixel);
}
