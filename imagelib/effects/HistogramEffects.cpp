#include "imagelib/effects/HistogramEffects.h"

#include "imagelib/PixelHelpers.h"
#include "imagelib/effects/ColorEffects.h"
#include "imagelib/effects/ColorModel.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

// ---------------------------------------------------------------------------------------------
// Counting

namespace
{
// The counts of one band.
struct BandCounts : FCEffectThreadState
{
    std::int64_t blue[256] = {};
    std::int64_t green[256] = {};
    std::int64_t red[256] = {};
};

// Counts n pixels of step bytes into the three tables, in 32-bit counters a chunk at a time.
void CountPixels(const BYTE* p, int n, int step, std::int64_t* blue, std::int64_t* green, std::int64_t* red)
{
    constexpr int kChunk = 1 << 24; // below 2^32 counts per chunk
    std::uint32_t b[256], g[256], r[256];
    for (int done = 0; done < n;)
    {
        const int m = std::min(kChunk, n - done);
        std::memset(b, 0, sizeof b);
        std::memset(g, 0, sizeof g);
        std::memset(r, 0, sizeof r);
        for (int x = 0; x < m; ++x, p += step)
        {
            ++b[p[0]];
            ++g[p[1]];
            ++r[p[2]];
        }
        for (int i = 0; i < 256; ++i)
        {
            blue[i] += b[i];
            green[i] += g[i];
            red[i] += r[i];
        }
        done += m;
    }
}
} // namespace

FCEffectGetHistogram::FCEffectGetHistogram() : m_red(256, 0), m_green(256, 0), m_blue(256, 0) {}

void FCEffectGetHistogram::ApplyToPixel(FCObjImage&, int, int, BYTE* pixel)
{
    ++m_blue[pixel[0]];
    ++m_green[pixel[1]];
    ++m_red[pixel[2]];
}

std::unique_ptr<FCEffectThreadState> FCEffectGetHistogram::CreateThreadState(const FCObjImage&)
{
    return std::unique_ptr<FCEffectThreadState>(new (std::nothrow) BandCounts);
}

void FCEffectGetHistogram::ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel,
                                              FCEffectThreadState* state)
{
    if (!state)
    {
        FCImageEffect::ApplyToPixelsOfRow(image, y, row, bytesPerPixel, state);
        return;
    }
    auto& counts = static_cast<BandCounts&>(*state);
    CountPixels(row, image.Width(), bytesPerPixel, counts.blue, counts.green, counts.red);
}

void FCEffectGetHistogram::MergeThreadState(FCEffectThreadState& state)
{
    const auto& counts = static_cast<const BandCounts&>(state);
    for (int i = 0; i < 256; ++i)
    {
        m_blue[std::size_t(i)] += counts.blue[i];
        m_green[std::size_t(i)] += counts.green[i];
        m_red[std::size_t(i)] += counts.red[i];
    }
}

void FCEffectGetHistogram::Count(const FCObjImage& image)
{
    if (!AcceptsImage(image)) return;
    const int step = image.ColorBits() / 8;
    for (int y = 0; y < image.Height(); ++y)
        CountPixels(image.RowAddress(y), image.Width(), step, m_blue.data(), m_green.data(), m_red.data());
}

void MakeEqualizeTable(int table[256], const std::int64_t histogram[256])
{
    int first = -1, last = 0, used = 0;
    for (int v = 0; v < 256; ++v)
        if (histogram[v] != 0)
        {
            if (first < 0) first = v;
            last = v;
            ++used;
        }
    for (int v = 0; v <= first; ++v)
        table[v] = 0;
    for (int v = last; v < 256; ++v)
        table[v] = 255;
    if (used == 1)
    {
        table[first] = first; // a single value stays where it is
    }
    else if (used == 2)
    {
        for (int v = first + 1; v < last; ++v)
            table[v] = 0; // no pixel has these values
    }
    else if (used > 2)
    {
        std::int64_t total = 0;
        for (int v = first + 1; v < last; ++v)
            total += histogram[v];
        std::int64_t cumulative = 0;
        for (int v = first + 1; v < last; ++v)
        {
            cumulative += histogram[v];
            table[v] = int(cumulative * 254 / total);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Equalisation

void FCEffectEgaliserHistogrammeRGB::PrepareImage(FCObjImage& image)
{
    std::fill(std::begin(m_redTable), std::end(m_redTable), 0);
    std::fill(std::begin(m_greenTable), std::end(m_greenTable), 0);
    std::fill(std::begin(m_blueTable), std::end(m_blueTable), 0);
    FCEffectGetHistogram histogram;
    histogram.Count(image);
    MakeEqualizeTable(m_redTable, histogram.Red().data());
    MakeEqualizeTable(m_greenTable, histogram.Green().data());
    MakeEqualizeTable(m_blueTable, histogram.Blue().data());
}

void FCEffectEgaliserHistogrammeRGB::ApplyToRow(FCObjImage& image, int, BYTE* row, int bytesPerPixel)
{
    MapRowChannels(row, image.Width(), bytesPerPixel, m_blueTable, m_greenTable, m_redTable);
}

FCEffectEgaliserHistogrammeLuminosite::FCEffectEgaliserHistogrammeLuminosite() : m_histogram(256, 0) {}

void FCEffectEgaliserHistogrammeLuminosite::PrepareImage(FCObjImage& image)
{
    std::fill(std::begin(m_luminanceTable), std::end(m_luminanceTable), 0);
    // Counted afresh on every preparation, so that one object can serve again.
    std::fill(m_histogram.begin(), m_histogram.end(), 0);
    const int step = image.ColorBits() == 32 ? 4 : 3;
    const int width = image.Width();
    for (int y = 0; y < image.Height(); ++y)
    {
        const BYTE* p = image.RowAddress(y);
        for (int x = 0; x < width; ++x, p += step)
            ++m_histogram[std::size_t((77 * p[2] + 150 * p[1] + 29 * p[0]) >> 8)];
    }
    MakeEqualizeTable(m_luminanceTable, m_histogram.data());
    // One luminance only: its table keeps that level and sends every other to 0 or 255, which
    // would turn the channels of a flat colour to 0 and 255. Such an image is left as it is.
    if (std::count_if(m_histogram.begin(), m_histogram.end(), [](std::int64_t n) { return n != 0; }) == 1)
        for (int i = 0; i < 256; ++i)
            m_luminanceTable[i] = i;
}

void FCEffectEgaliserHistogrammeLuminosite::ApplyToRow(FCObjImage& image, int, BYTE* row, int bytesPerPixel)
{
    MapRowChannels(row, image.Width(), bytesPerPixel, m_luminanceTable, m_luminanceTable, m_luminanceTable);
}

// ---------------------------------------------------------------------------------------------
// Automatic contrast

void FCEffectAutoContrast::PrepareImage(FCObjImage& image)
{
    int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0}; // blue, green, red
    const int step = image.ColorBits() / 8;
    const int width = image.Width();
    for (int y = 0; y < image.Height(); ++y)
    {
        const BYTE* p = image.RowAddress(y);
        for (int x = 0; x < width; ++x, p += step)
            for (int c = 0; c < 3; ++c)
            {
                lo[c] = std::min(lo[c], int(p[c]));
                hi[c] = std::max(hi[c], int(p[c]));
            }
    }
    int Entry::*const fields[3] = {&Entry::blue, &Entry::green, &Entry::red};
    for (int c = 0; c < 3; ++c)
    {
        if (hi[c] == lo[c])
        {
            m_table[lo[c]].*fields[c] = lo[c];
            continue;
        }
        for (int i = lo[c]; i <= hi[c]; ++i)
            m_table[i].*fields[c] = (i - lo[c]) * 255 / (hi[c] - lo[c]);
    }
}

void FCEffectAutoContrast::ApplyToPixel(FCObjImage&, int, int, BYTE* pixel)
{
    pixel[0] = BYTE(m_table[pixel[0]].blue);
    pixel[1] = BYTE(m_table[pixel[1]].green);
    pixel[2] = BYTE(m_table[pixel[2]].red);
}

// ---------------------------------------------------------------------------------------------
// Levels

FCEffectColorLevel::FCEffectColorLevel(int inLow, int inHigh, int outLow, int outHigh, double gamma,
                                       int channelMask)
    : m_outLow(std::clamp(outLow, 0, 255)), m_outHigh(std::clamp(outHigh, 0, 255)), m_gamma(gamma),
      m_channelMask(channelMask)
{
    for (int c = 0; c < 3; ++c)
    {
        m_inLow[c] = std::clamp(inLow, 0, 255);
        m_inHigh[c] = std::clamp(inHigh, 0, 255);
    }
    BuildMaps();
}

BYTE FCEffectColorLevel::MapLevel(int value, int low, int high) const
{
    double t = low == high ? double(value - low) : double(value - low) / (high - low);
    t = std::clamp(t, 0.0, 1.0);
    if (m_gamma > 0) t = std::pow(t, 1 / m_gamma);
    return RoundClampToByte(m_outLow + (m_outHigh - m_outLow) * t);
}

void FCEffectColorLevel::BuildMaps()
{
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v)
            m_map[c][v] = MapLevel(v, m_inLow[c], m_inHigh[c]);
}

void FCEffectColorLevel::ApplyToPixel(FCObjImage&, int, int, BYTE* pixel)
{
    if (m_channelMask & 4) pixel[0] = m_map[0][pixel[0]];
    if (m_channelMask & 2) pixel[1] = m_map[1][pixel[1]];
    if (m_channelMask & 1) pixel[2] = m_map[2][pixel[2]];
}

FCEffectAutoColorLevel::FCEffectAutoColorLevel() : FCEffectColorLevel(0, 255, 0, 255, 1.0, 7) {}

void FCEffectAutoColorLevel::FindClipLevels(int inLow[3], int inHigh[3], const std::int64_t histogram[256],
                                            int channel)
{
    constexpr double kClip = 0.006;
    double total = 0;
    for (int i = 0; i < 256; ++i)
        total += double(histogram[i]);
    inLow[channel] = 0;
    if (total == 0)
    {
        inHigh[channel] = 0;
        return;
    }
    inHigh[channel] = 255;
    const double scale = 1 / total;

    double cumulative = 0;
    for (int i = 0; i < 255; ++i)
    {
        cumulative += double(histogram[i]);
        if (std::abs(cumulative * scale - kClip) <
            std::abs((cumulative + double(histogram[i + 1])) * scale - kClip))
        {
            inLow[channel] = i + 1;
            break;
        }
    }
    cumulative = 0;
    for (int i = 255; i >= 1; --i)
    {
        cumulative += double(histogram[i]);
        if (std::abs(cumulative * scale - kClip) <
            std::abs((cumulative + double(histogram[i - 1])) * scale - kClip))
        {
            inHigh[channel] = i - 1;
            break;
        }
    }
}

void FCEffectAutoColorLevel::PrepareImage(FCObjImage& image)
{
    FCEffectGetHistogram histogram;
    histogram.Count(image);
    FindClipLevels(m_inLow, m_inHigh, histogram.Blue().data(), 0);
    FindClipLevels(m_inLow, m_inHigh, histogram.Green().data(), 1);
    FindClipLevels(m_inLow, m_inHigh, histogram.Red().data(), 2);
    // Levels that meet or cross would turn a flat channel black or invert a nearly two-valued
    // one: such a channel is kept as it is.
    for (int c = 0; c < 3; ++c)
        if (m_inLow[c] >= m_inHigh[c])
        {
            m_inLow[c] = 0;
            m_inHigh[c] = 255;
        }
    BuildMaps();
}

// ---------------------------------------------------------------------------------------------
// Automatic colour enhancement

namespace
{
// Below this many pixels, converting each pixel costs less than building the table.
constexpr std::int64_t kReducedMapPixels = 3 * 65536;

// The other two channels of a reduced pixel whose channel z is 0, in increasing order.
constexpr int kOthers[3][2] = {{1, 2}, {0, 2}, {0, 1}};
} // namespace

void FCEffectAutoColorEnhance::PrepareImage(FCObjImage& image)
{
    m_valueMax = 0.0;
    m_valueMin = 1.0;
    m_reducedMap.clear();
    // The value of a reduced pixel is (max - min) / 255 of the pixel's channels.
    int spanMax = -1, spanMin = 256;
    const int step = image.ColorBits() / 8;
    const int width = image.Width();
    for (int y = 0; y < image.Height(); ++y)
    {
        const BYTE* p = image.RowAddress(y);
        for (int x = 0; x < width; ++x, p += step)
        {
            const int span = std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]});
            spanMax = std::max(spanMax, span);
            spanMin = std::min(spanMin, span);
        }
    }
    if (spanMax >= 0)
    {
        m_valueMax = spanMax / 255.0;
        m_valueMin = spanMin / 255.0;
    }

    if (std::int64_t(width) * image.Height() < kReducedMapPixels) return;
    m_reducedMap.resize(3 * 65536);
    for (int z = 0; z < 3; ++z)
        for (int a = 0; a < 256; ++a)
            for (int b = 0; b < 256; ++b)
            {
                BYTE reduced[3] = {0, 0, 0};
                reduced[kOthers[z][0]] = BYTE(a);
                reduced[kOthers[z][1]] = BYTE(b);
                m_reducedMap[std::size_t(z * 65536 + a * 256 + b)] = MapReduced(reduced);
            }
}

RGBQUAD FCEffectAutoColorEnhance::MapReduced(const BYTE reduced[3]) const
{
    double hue, saturation, value;
    RGBtoHSV(reduced, hue, saturation, value);
    if (m_valueMax != m_valueMin) value = (value - m_valueMin) / (m_valueMax - m_valueMin);
    return HSVtoRGB(hue, saturation, value);
}

void FCEffectAutoColorEnhance::ApplyToPixel(FCObjImage&, int, int, BYTE* pixel)
{
    // Inverted channels c = 255 - R, m = 255 - G, y = 255 - B share k = 255 - max(R, G, B);
    // without it the pixel is (max - R, max - G, max - B) in the red, green and blue places.
    const int max = std::max({pixel[0], pixel[1], pixel[2]});
    const int k = 255 - max;
    const BYTE reduced[3] = {BYTE(max - pixel[0]), BYTE(max - pixel[1]), BYTE(max - pixel[2])};
    RGBQUAD c;
    if (m_reducedMap.empty())
    {
        c = MapReduced(reduced);
    }
    else
    {
        const int z = reduced[0] == 0 ? 0 : (reduced[1] == 0 ? 1 : 2);
        c = m_reducedMap[std::size_t(z * 65536 + reduced[kOthers[z][0]] * 256 + reduced[kOthers[z][1]])];
    }
    pixel[0] = BYTE(255 - std::min(c.rgbBlue + k, 255));
    pixel[1] = BYTE(255 - std::min(c.rgbGreen + k, 255));
    pixel[2] = BYTE(255 - std::min(c.rgbRed + k, 255));
}
