#include "imagelib/effects/ArtisticEffects.h"

#include "imagelib/FCParallel.h"
#include "imagelib/FCRandom.h"
#include "imagelib/PixelHelpers.h"
#include "imagelib/effects/ColorEffects.h"
#include "imagelib/effects/ColorModel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <type_traits>

void DeleteEffectRange(FCImageEffect** first, FCImageEffect** last)
{
    for (; first != last; ++first)
    {
        delete *first;
        *first = nullptr;
    }
}

namespace
{
int ClampIndex(long long v, int size)
{
    return int(std::clamp<long long>(v, 0, size - 1));
}

// How many times each index of first .. last (which may run past 0 .. size - 1 on either side) is
// visited once every index is clamped into the range: the indices from `from` to `to` once each,
// plus `low` more times for index 0 and `high` more for size - 1.
struct ClampedSpan
{
    int from, to;
    long long low, high;

    ClampedSpan(long long first, long long last, int size)
    {
        from = ClampIndex(first, size);
        to = ClampIndex(last, size);
        low = first < 0 ? -first : 0;
        high = last > size - 1 ? last - (size - 1) : 0;
    }
    long long Times(int i, int size) const { return 1 + (i == 0 ? low : 0) + (i == size - 1 ? high : 0); }
};
} // namespace

// ---------------------------------------------------------------------------------------------
// Oil paint

// For each level over the window of the band's last pixel: the count and the red, green and blue
// sums.
struct FCEffectOilPaint::Scan : FCEffectThreadState
{
    int y = -1, nextX = -1;
    int bins[256][4];
};

namespace
{
// Adds times x column cx of the window of rows y - radius .. y + radius (clamped).
template <class OilScan>
void AddOilColumn(OilScan& s, const FCObjImage& levels, const FCObjImage& copy, int cx, int y, int radius,
                  int times)
{
    const int h = copy.Height();
    const int n = copy.ColorBits() / 8;
    if (y - radius >= 0 && y + radius < h)
    {
        // The whole column stands inside: walk it.
        const std::ptrdiff_t levelStride = h > 1 ? levels.RowAddress(1) - levels.RowAddress(0) : 0;
        const std::ptrdiff_t copyStride = h > 1 ? copy.RowAddress(1) - copy.RowAddress(0) : 0;
        const BYTE* level = levels.RowAddress(y - radius) + cx;
        const BYTE* p = copy.RowAddress(y - radius) + std::ptrdiff_t(cx) * n;
        for (int i = 2 * radius; i >= 0; --i, level += levelStride, p += copyStride)
        {
            int* bin = s.bins[*level];
            bin[0] += times;
            bin[1] += times * p[2];
            bin[2] += times * p[1];
            bin[3] += times * p[0];
        }
        return;
    }
    const ClampedSpan rows(y - (long long)radius, y + (long long)radius, h);
    for (int cy = rows.from; cy <= rows.to; ++cy)
    {
        const int m = times * int(rows.Times(cy, h));
        const BYTE* p = copy.PixelAddress(cx, cy);
        int* bin = s.bins[*levels.PixelAddress(cx, cy)];
        bin[0] += m;
        bin[1] += m * p[2];
        bin[2] += m * p[1];
        bin[3] += m * p[0];
    }
}
} // namespace

FCEffectOilPaint::FCEffectOilPaint(int radius, int levels)
    : m_radius(std::clamp(radius, 1, 1000)), m_levels(std::clamp(levels, 3, 255))
{
}

void FCEffectOilPaint::PrepareImage(FCObjImage& image)
{
    m_copy = image;
    m_intensity.Destroy();
    if (!m_copy.HasBits() || !m_intensity.Create(m_copy.Width(), m_copy.Height(), 8))
    {
        m_copy.Destroy();
        return;
    }
    const int n = m_copy.ColorBits() / 8;
    for (int y = 0; y < m_copy.Height(); ++y)
    {
        const BYTE* p = m_copy.RowAddress(y);
        BYTE* level = m_intensity.RowAddress(y);
        for (int x = 0; x < m_copy.Width(); ++x, p += n)
            level[x] = BYTE((59 * p[1] + 30 * p[2] + 11 * p[0]) / 100 * m_levels / 255);
    }
}

void FCEffectOilPaint::ApplyToPixel(FCObjImage&, int x, int y, BYTE* pixel)
{
    const auto scan = std::make_unique<Scan>();
    PaintPixel(*scan, x, y, pixel);
}

std::unique_ptr<FCEffectThreadState> FCEffectOilPaint::CreateThreadState(const FCObjImage&)
{
    return std::unique_ptr<FCEffectThreadState>(new (std::nothrow) Scan);
}

void FCEffectOilPaint::ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel,
                                          FCEffectThreadState* state)
{
    if (!state)
    {
        FCImageEffect::ApplyToPixelsOfRow(image, y, row, bytesPerPixel, state);
        return;
    }
    Scan& scan = static_cast<Scan&>(*state);
    const int w = image.Width();
    for (int x = 0; x < w; ++x, row += bytesPerPixel)
        PaintPixel(scan, x, y, row);
}

// The window slides one column at a time along a row: a call for the pixel right of the scan's
// previous one removes the column that leaves and adds the one that enters; any other call builds
// the window afresh. Both give the same counts as visiting the square.
void FCEffectOilPaint::PaintPixel(Scan& s, int x, int y, BYTE* pixel) const
{
    if (!m_copy.IsInside(x, y)) return;
    const int w = m_copy.Width();
    if (s.y == y && s.nextX == x)
    {
        AddOilColumn(s, m_intensity, m_copy, ClampIndex(x - 1 - (long long)m_radius, w), y, m_radius, -1);
        AddOilColumn(s, m_intensity, m_copy, ClampIndex(x + (long long)m_radius, w), y, m_radius, 1);
    }
    else
    {
        std::memset(s.bins, 0, sizeof(s.bins[0]) * (std::size_t(m_levels) + 1));
        const ClampedSpan columns(x - (long long)m_radius, x + (long long)m_radius, w);
        for (int cx = columns.from; cx <= columns.to; ++cx)
            AddOilColumn(s, m_intensity, m_copy, cx, y, m_radius, int(columns.Times(cx, w)));
        s.y = y;
    }
    s.nextX = x + 1;

    int best = 0;
    for (int k = 1; k <= m_levels; ++k)
        if (s.bins[k][0] > s.bins[best][0]) best = k;
    const int* bin = s.bins[best];
    pixel[0] = BYTE(bin[3] / bin[0]);
    pixel[1] = BYTE(bin[2] / bin[0]);
    pixel[2] = BYTE(bin[1] / bin[0]);
}

// ---------------------------------------------------------------------------------------------
// Mosaic

FCEffectMosaic::FCEffectMosaic(int blockSize) : m_blockSize(std::max(blockSize, 2)) {}

void FCEffectMosaic::PrepareImage(FCObjImage& image)
{
    m_copy = image;
    m_blocks.clear();
    m_blocksAcross = 0;
    if (!m_copy.HasBits()) return;
    // Every block's mean comes from the untouched copy before any pixel is written, so a block
    // that straddles two bands of rows reads the same mean in both.
    m_blocksAcross = (m_copy.Width() - 1) / m_blockSize + 1;
    const int down = (m_copy.Height() - 1) / m_blockSize + 1;
    try
    {
        m_blocks.resize(std::size_t(m_blocksAcross) * std::size_t(down));
    }
    catch (const std::bad_alloc&)
    {
        return; // no room for the means: the image is left as it is
    }
    // Rows of blocks are independent: parts of them go to several threads.
    const std::size_t pixelsPerBlockRow = std::size_t(m_blockSize) * std::size_t(m_copy.Width());
    ParallelParts(std::size_t(down), ParallelGrain() / pixelsPerBlockRow + 1,
                  [this](std::size_t first, std::size_t last)
                  {
                      for (std::size_t by = first; by < last; ++by)
                          for (int bx = 0; bx < m_blocksAcross; ++bx)
                              m_blocks[by * std::size_t(m_blocksAcross) + std::size_t(bx)] =
                                  GetBlockAverage(bx * m_blockSize, int(by) * m_blockSize);
                  });
}

RGBQUAD FCEffectMosaic::GetBlockAverage(int x, int y) const
{
    RGBQUAD out{0, 0, 0, 0};
    if (!m_copy.IsInside(x, y)) return out;
    const int x1 = x + std::min(m_blockSize, m_copy.Width() - x);
    const int y1 = y + std::min(m_blockSize, m_copy.Height() - y);
    const bool alpha = m_copy.ColorBits() == 32;
    double sA = 0, sB = 0, sG = 0, sR = 0;
    double n = 0;
    for (int yy = y; yy < y1; ++yy)
    {
        const BYTE* p = m_copy.PixelAddress(x, yy);
        for (int xx = x; xx < x1; ++xx, p += alpha ? 4 : 3)
        {
            const int a = alpha ? p[3] : 255;
            sA += a;
            sB += p[0] * a;
            sG += p[1] * a;
            sR += p[2] * a;
            n += 1;
        }
    }
    const int a = n > 0 ? int(sA / n) : 0;
    if (a == 0) return out;
    out.rgbReserved = BYTE(a);
    out.rgbBlue = BYTE(int(sB / sA));
    out.rgbGreen = BYTE(int(sG / sA));
    out.rgbRed = BYTE(int(sR / sA));
    return out;
}

void FCEffectMosaic::ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    if (m_blocks.empty() || !m_copy.IsInside(x, y)) return;
    const RGBQUAD& c =
        m_blocks[std::size_t(y / m_blockSize) * std::size_t(m_blocksAcross) + std::size_t(x / m_blockSize)];
    CopyPixelBytes(pixel, &c.rgbBlue, image.ColorBits());
}

void FCEffectMosaic::ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int, FCEffectThreadState*)
{
    if (m_blocks.empty() || y < 0 || y >= m_copy.Height()) return;
    const int w = std::min(image.Width(), m_copy.Width());
    const RGBQUAD* means = &m_blocks[std::size_t(y / m_blockSize) * std::size_t(m_blocksAcross)];
    auto fill = [&](auto bytes)
    {
        constexpr int N = decltype(bytes)::value;
        BYTE* p = row;
        for (int x0 = 0, bx = 0; x0 < w; x0 += m_blockSize, ++bx)
        {
            const BYTE* c = &means[bx].rgbBlue;
            for (int x = x0, x1 = std::min(w, x0 + m_blockSize); x < x1; ++x, p += N)
                std::memcpy(p, c, N);
        }
    };
    if (image.ColorBits() == 32)
        fill(std::integral_constant<int, 4>{});
    else if (image.ColorBits() == 24)
        fill(std::integral_constant<int, 3>{});
    else
        FCImageEffect::ApplyToPixelsOfRow(image, y, row, image.ColorBits() / 8, nullptr);
}

// ---------------------------------------------------------------------------------------------
// Splash

FCEffectSplash::FCEffectSplash(int size) : m_size(std::max(size, 3)) {}

void FCEffectSplash::PrepareImage(FCObjImage& image)
{
    m_copy = image;
}

void FCEffectSplash::ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    if (!m_copy.IsInside(x, y)) return;
    const int dx = FCRandom() % m_size - m_size / 2;
    const int dy = FCRandom() % m_size - m_size / 2;
    const int sx = ClampIndex((long long)x + dx, m_copy.Width());
    const int sy = ClampIndex((long long)y + dy, m_copy.Height());
    CopyPixelBytes(pixel, m_copy.PixelAddress(sx, sy), image.ColorBits());
}

// ---------------------------------------------------------------------------------------------
// Noise reduction

// Histograms of red, green and blue over a disc.
using DiscHistogram = int[3][256];

// The band's histograms: the running one around (nextX - 1, y), the column one around
// (0, columnY).
struct FCEffectReduceNoise::Scan : FCEffectThreadState
{
    int y = -1, nextX = -1, columnY = -1;
    DiscHistogram running;
    DiscHistogram column;
};

namespace
{

void AddPixel(DiscHistogram& h, const BYTE* p, int n)
{
    h[0][p[2]] += n;
    h[1][p[1]] += n;
    h[2][p[0]] += n;
}

// Adds n x the copy's pixels at (x, y) + each offset, clamped into the image.
void AddClamped(DiscHistogram& h, const FCObjImage& copy, int x, int y,
                const std::vector<FCEffectReduceNoise::Offset>& offsets, int n)
{
    for (const auto& o : offsets)
        AddPixel(h,
                 copy.PixelAddress(ClampIndex((long long)x + o.dx, copy.Width()),
                                   ClampIndex((long long)y + o.dy, copy.Height())),
                 n);
}

// The same where no offset leaves the image: byte distances from the pixel.
void AddInside(DiscHistogram& h, const BYTE* pixel, const std::vector<std::ptrdiff_t>& offsets, int n)
{
    for (std::ptrdiff_t d : offsets)
        AddPixel(h, pixel + d, n);
}

// The number of values below v: a plain sum, which the compiler vectorises.
int CountBelow(const int* bins, int v)
{
    int n = 0;
    for (int i = 0; i < v; ++i)
        n += bins[i];
    return n;
}
} // namespace

FCEffectReduceNoise::FCEffectReduceNoise(int radius, double strength)
    : m_radius(std::clamp(radius, 0, 100)), m_strength(std::isnan(strength) ? 0.0 : strength)
{
}

void FCEffectReduceNoise::PrepareImage(FCObjImage& image)
{
    m_copy = image;
    const int r = m_radius;
    const int r2 = int((r + 0.5) * (r + 0.5));
    auto inDisc = [&](int dx, int dy) { return dx * dx + dy * dy <= r2; };

    m_disc.clear();
    m_addOnRight.clear();
    m_removeOnRight.clear();
    m_addOnDown.clear();
    m_removeOnDown.clear();
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx)
            if (inDisc(dx, dy)) m_disc.push_back({dx, dy});
    m_maskCount = std::max(int(m_disc.size()), 1);
    // Every row and every column of a disc is one run of cells.
    for (int d = -r; d <= r; ++d)
    {
        int first = r + 1, last = -r - 1;
        for (int e = -r; e <= r; ++e)
            if (inDisc(e, d)) first = std::min(first, e), last = std::max(last, e);
        if (first <= last)
        {
            m_addOnRight.push_back({last, d});
            m_removeOnRight.push_back({first - 1, d});
        }
        first = r + 1, last = -r - 1;
        for (int e = -r; e <= r; ++e)
            if (inDisc(d, e)) first = std::min(first, e), last = std::max(last, e);
        if (first <= last)
        {
            m_addOnDown.push_back({d, last});
            m_removeOnDown.push_back({d, first - 1});
        }
    }
    std::memset(m_columnHistogram, 0, sizeof m_columnHistogram);
    m_addOnRightBytes.clear();
    m_removeOnRightBytes.clear();
    if (!m_copy.HasBits()) return;
    AddClamped(m_columnHistogram, m_copy, 0, 0, m_disc, 1);
    const std::ptrdiff_t rowStride = m_copy.Height() > 1 ? m_copy.RowAddress(1) - m_copy.RowAddress(0) : 0;
    const int n = m_copy.ColorBits() / 8;
    for (const Offset& o : m_addOnRight)
        m_addOnRightBytes.push_back(o.dy * rowStride + o.dx * n);
    for (const Offset& o : m_removeOnRight)
        m_removeOnRightBytes.push_back(o.dy * rowStride + o.dx * n);
}

void FCEffectReduceNoise::ApplyToPixel(FCObjImage&, int x, int y, BYTE* pixel)
{
    const auto scan = std::make_unique<Scan>();
    FilterPixel(*scan, x, y, pixel);
}

std::unique_ptr<FCEffectThreadState> FCEffectReduceNoise::CreateThreadState(const FCObjImage&)
{
    return std::unique_ptr<FCEffectThreadState>(new (std::nothrow) Scan);
}

void FCEffectReduceNoise::ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel,
                                             FCEffectThreadState* state)
{
    if (!state)
    {
        FCImageEffect::ApplyToPixelsOfRow(image, y, row, bytesPerPixel, state);
        return;
    }
    Scan& scan = static_cast<Scan&>(*state);
    const int w = image.Width();
    for (int x = 0; x < w; ++x, row += bytesPerPixel)
        FilterPixel(scan, x, y, row);
}

// The histograms slide along the row (and down the first column) by the cells the disc gains
// and loses. A scan that starts elsewhere than where its previous pixel left off builds them from
// the disc itself, which gives the same counts.
void FCEffectReduceNoise::FilterPixel(Scan& s, int x, int y, BYTE* pixel) const
{
    if (!m_copy.IsInside(x, y)) return;
    const BYTE* p = m_copy.PixelAddress(x, y);
    if (x > 0 && s.y == y && s.nextX == x)
    {
        const int r = m_radius;
        if (x - r - 1 >= 0 && x + r < m_copy.Width() && y - r >= 0 && y + r < m_copy.Height())
        {
            AddInside(s.running, p, m_addOnRightBytes, 1);
            AddInside(s.running, p, m_removeOnRightBytes, -1);
        }
        else
        {
            AddClamped(s.running, m_copy, x, y, m_addOnRight, 1);
            AddClamped(s.running, m_copy, x, y, m_removeOnRight, -1);
        }
    }
    else if (x == 0)
    {
        if (y == 0)
            std::memcpy(s.column, m_columnHistogram, sizeof s.column);
        else if (s.columnY == y - 1)
        {
            AddClamped(s.column, m_copy, 0, y, m_addOnDown, 1);
            AddClamped(s.column, m_copy, 0, y, m_removeOnDown, -1);
        }
        else
        {
            std::memset(s.column, 0, sizeof s.column);
            AddClamped(s.column, m_copy, 0, y, m_disc, 1);
        }
        s.columnY = y;
        std::memcpy(s.running, s.column, sizeof s.running);
    }
    else
    {
        std::memset(s.running, 0, sizeof s.running);
        AddClamped(s.running, m_copy, x, y, m_disc, 1);
    }
    s.y = y;
    s.nextX = x + 1;

    const int rgb[3] = {p[2], p[1], p[0]};
    const double f = (-0.2 + 0.00017588235294117646 * rgb[0] + 0.0003452941176470589 * rgb[1] +
                      6.705882352941177e-5 * rgb[2]) *
                     m_strength;
    for (int c = 0; c < 3; ++c)
    {
        const int v = rgb[c];
        const int e = CountBelow(s.running[c], v) * 255 / m_maskCount;
        pixel[2 - c] = TruncClampToByte((e - v) * f + v);
    }
}

// ---------------------------------------------------------------------------------------------
// Pencil sketch

FCEffectPencilSketch::FCEffectPencilSketch(int pencilSize, int roughness)
    : FCEffectBlur_Gauss(pencilSize, true, 1)
{
    // The sub-effect holds both values to -100..100; so does this, before the sign is turned.
    const int r = std::clamp(roughness, -100, 100);
    m_subEffects.push_back(new FCEffectBrightnessContrast(r, -r));
    m_subEffects.push_back(new FCEffectInvert);
    m_subEffects.push_back(new FCEffectGrayscale);
}

FCEffectPencilSketch::~FCEffectPencilSketch()
{
    DeleteEffectRange(m_subEffects.data(), m_subEffects.data() + m_subEffects.size());
}

void FCEffectPencilSketch::PrepareImage(FCObjImage& image)
{
    m_copy = image;
    for (FCImageEffect* e : m_subEffects)
        e->PrepareImage(image);
}

void FCEffectPencilSketch::CombinePixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    if (!m_copy.IsInside(x, y)) return;
    for (FCImageEffect* e : m_subEffects)
        e->ApplyToPixel(image, x, y, pixel);
    const BYTE* o = m_copy.PixelAddress(x, y);
    const unsigned g = unsigned(59 * o[1] + 30 * o[2] + 11 * o[0]) / 100;
    const BYTE v = BYTE(std::min(255u, g * 256u / (256u - pixel[0])));
    pixel[0] = pixel[1] = pixel[2] = v;
    if (GetBitsPerPixel() == 32) pixel[3] = o[3];
}

// ---------------------------------------------------------------------------------------------
// Old photo

FCEffectOldPhoto::FCEffectOldPhoto(int softening, int brightness, int contrast)
    : FCEffectBlur_Gauss(softening, true, 1)
{
    m_subEffects.push_back(new FCEffectGrayscale);
    m_subEffects.push_back(new FCEffectBrightnessContrast(brightness, contrast));
    m_subEffects.push_back(new FCEffectColorBalance(true, 0, 30, 0, -30));
}

FCEffectOldPhoto::~FCEffectOldPhoto()
{
    DeleteEffectRange(m_subEffects.data(), m_subEffects.data() + m_subEffects.size());
}

void FCEffectOldPhoto::PrepareImage(FCObjImage& image)
{
    for (FCImageEffect* e : m_subEffects)
        e->PrepareImage(image);
}

void FCEffectOldPhoto::CombinePixel(FCObjImage& image, int x, int y, BYTE* pixel)
{
    for (FCImageEffect* e : m_subEffects)
        e->ApplyToPixel(image, x, y, pixel);
}
