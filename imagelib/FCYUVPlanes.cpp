#include "imagelib/FCYUVPlanes.h"

#include "imagelib/FCLargeArrays.h"
#include "imagelib/FCObjImage.h"
#include "imagelib/FCParallel.h"
#include "imagelib/PixelHelpers.h"

void FCYUVPlanes::Release()
{
    m_y.reset();
    m_u.reset();
    m_v.reset();
    m_width = m_height = 0;
}

bool FCYUVPlanes::Allocate(int width, int height)
{
    if (m_y && width == m_width && height == m_height) return true;
    Release();
    const std::size_t count = std::size_t(width) * std::size_t(height);
    m_y = NewLargeFloats(count);
    m_u = NewLargeFloats(count);
    m_v = NewLargeFloats(count);
    if (!m_y || !m_u || !m_v)
    {
        Release();
        return false;
    }
    m_width = width;
    m_height = height;
    return true;
}

bool FCYUVPlanes::FromImage(const FCObjImage& image)
{
    const int bpp = image.ColorBits();
    if (!image.HasBits() || (bpp != 8 && bpp != 24 && bpp != 32))
    {
        Release();
        return false;
    }
    const int w = image.Width(), h = image.Height();
    if (!Allocate(w, h)) return false;
    const RGBQUAD* palette = image.PaletteEntries();
    const int step = bpp / 8;
    ParallelRows(h, w,
                 [&](int firstRow, int endRow)
                 {
                     for (int y = firstRow; y < endRow; ++y)
                     {
                         const BYTE* p = image.RowAddress(y);
                         float* py = m_y.get() + std::size_t(y) * w;
                         float* pu = m_u.get() + std::size_t(y) * w;
                         float* pv = m_v.get() + std::size_t(y) * w;
                         for (int x = 0; x < w; ++x, p += step)
                         {
                             int b, g, r;
                             if (bpp == 8 && palette)
                             {
                                 const RGBQUAD& c = palette[*p];
                                 b = c.rgbBlue, g = c.rgbGreen, r = c.rgbRed;
                             }
                             else if (bpp == 8)
                             {
                                 b = g = r = *p;
                             }
                             else
                             {
                                 b = p[0], g = p[1], r = p[2];
                             }
                             py[x] = YuvLuma(r, g, b);
                             pu[x] = YuvChromaU(r, g, b);
                             pv[x] = YuvChromaV(r, g, b);
                         }
                     }
                 });
    return true;
}

bool FCYUVPlanes::ToImage(FCObjImage& image) const
{
    if (!m_y) return false;
    const int oldBpp = image.ColorBits();
    if (!image.HasBits() || image.Width() != m_width || image.Height() != m_height ||
        (oldBpp != 24 && oldBpp != 32))
    {
        const int bpp = oldBpp == 32 ? 32 : 24;
        FCObjImage fresh;
        if (!fresh.Create(m_width, m_height, bpp)) return false;
        if (bpp == 32)
            for (int y = 0; y < m_height; ++y)
            {
                BYTE* p = fresh.RowAddress(y);
                for (int x = 0; x < m_width; ++x, p += 4)
                    p[3] = 255;
            }
        image.Swap(fresh);
    }
    const int step = image.ColorBits() / 8;
    ParallelRows(m_height, m_width,
                 [&](int firstRow, int endRow)
                 {
                     for (int y = firstRow; y < endRow; ++y)
                     {
                         BYTE* p = image.RowAddress(y);
                         const float* py = m_y.get() + std::size_t(y) * m_width;
                         const float* pu = m_u.get() + std::size_t(y) * m_width;
                         const float* pv = m_v.get() + std::size_t(y) * m_width;
                         for (int x = 0; x < m_width; ++x, p += step)
                         {
                             p[2] = TruncClampToByte(YuvToRed(py[x], pu[x], pv[x]));
                             p[1] = TruncClampToByte(YuvToGreen(py[x], pu[x], pv[x]));
                             p[0] = TruncClampToByte(YuvToBlue(py[x], pu[x], pv[x]));
                         }
                     }
                 });
    return true;
}
