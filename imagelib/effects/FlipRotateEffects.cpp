#include "imagelib/effects/FlipRotateEffects.h"

#include "imagelib/PixelHelpers.h"

#include <climits>
#include <utility>

bool SwapIntoBackupAndRecreate(FCObjImage& image, FCObjImage& backup, long long width, long long height)
{
    backup.Destroy();
    if (!image.HasBits() || width < 1 || height < 1 || width > INT_MAX || height > INT_MAX)
        return false;
    FCObjImage fresh;
    if (!fresh.Create(int(width), int(height), image.ColorBits()))
        return false;
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
void Average2(BYTE* out, const BYTE* p, const BYTE* q, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[i] = BYTE((p[i] + q[i]) >> 1);
}

void Average4(BYTE* out, const BYTE* p, const BYTE* q, const BYTE* r, const BYTE* s, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[i] = BYTE((p[i] + q[i] + r[i] + s[i]) >> 2);
}
} // namespace

void FCEffectFlip::ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    const int h = image.Height();
    if (y >= h / 2)
        return;
    SwapPixelBytes(pixel, image.PixelAddress(x, h - 1 - y), image.ColorBits() / 8);
}

void FCEffectMirror::ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    const int w = image.Width();
    if (x >= w / 2)
        return;
    SwapPixelBytes(pixel, image.PixelAddress(w - 1 - x, y), image.ColorBits() / 8);
}

void FCEffectRotate90::PrepareImage(FCObjImage& image)
{
    SwapIntoBackupAndRecreate(image, m_backup, image.Height(), image.Width());
}

void FCEffectRotate90::ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    if (!m_backup.HasBits())
        return;
    CopyPixelBytes(pixel, m_backup.PixelAddress(y, image.Width() - 1 - x), image.ColorBits());
}

void FCEffectRotate270::ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    if (!m_backup.HasBits())
        return;
    CopyPixelBytes(pixel, m_backup.PixelAddress(image.Height() - 1 - y, x), image.ColorBits());
}

void FCEffectRotate180::PrepareImage(FCObjImage& image)
{
    SwapIntoBackupAndRecreate(image, m_backup, image.Width(), image.Height());
}

void FCEffectRotate180::ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    if (!m_backup.HasBits())
        return;
    CopyPixelBytes(pixel, m_backup.PixelAddress(image.Width() - 1 - x, image.Height() - 1 - y), image.ColorBits());
}

void FCEffectDilate::PrepareImage(FCObjImage& image)
{
    SwapIntoBackupAndRecreate(image, m_backup, 2LL * image.Width(), 2LL * image.Height());
}

void FCEffectDilate::ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    if (!m_backup.HasBits())
        return;
    const int bpp = image.ColorBits();
    const int bytes = bpp / 8;
    const int sx = x >> 1;
    const int sy = y >> 1;
    const bool oddX = (x & 1) != 0;
    const bool oddY = (y & 1) != 0;
    // Whether a right or lower neighbour exists in the source (not on the last column or row).
    const bool right = x < image.Width() - 2;
    const bool below = y < image.Height() - 2;
    const BYTE* s = m_backup.PixelAddress(sx, sy);

    if (!oddX && !oddY)
        CopyPixelBytes(pixel, s, bpp);
    else if (!oddX) // odd row
    {
        if (below)
            Average2(pixel, s, m_backup.PixelAddress(sx, sy + 1), bytes);
        else
            CopyPixelBytes(pixel, s, bpp);
    }
    else if (!oddY) // odd column
    {
        if (right)
            Average2(pixel, s, m_backup.PixelAddress(sx + 1, sy), bytes);
        else
            CopyPixelBytes(pixel, s, bpp);
    }
    else if (right && below)
        Average4(pixel, s, m_backup.PixelAddress(sx + 1, sy), m_backup.PixelAddress(sx, sy + 1),
                 m_backup.PixelAddress(sx + 1, sy + 1), bytes);
    else if (right)
        Average2(pixel, s, m_backup.PixelAddress(sx + 1, sy), bytes);
    else if (below)
        Average2(pixel, s, m_backup.PixelAddress(sx, sy + 1), bytes);
    else
        CopyPixelBytes(pixel, s, bpp);
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
    if (!m_backup.HasBits())
        return;
    const int bytes = image.ColorBits() / 8;
    Average4(pixel, m_backup.PixelAddress(2 * x, 2 * y), m_backup.PixelAddress(2 * x + 1, 2 * y),
             m_backup.PixelAddress(2 * x, 2 * y + 1), m_backup.PixelAddress(2 * x + 1, 2 * y + 1), bytes);
}
