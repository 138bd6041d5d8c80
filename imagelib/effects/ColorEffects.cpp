#include "imagelib/effects/ColorEffects.h"

#include "imagelib/FCRandom.h"
#include "imagelib/PixelHelpers.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <new>

// ---------------------------------------------------------------------------------------------
// Lookup tables

void FCEffectLUT::PrepareImage(FCObjImage&)
{
    for (int i = 0; i < 256; ++i)
    {
        m_table[i] = ComputeEntry(i);
        m_bytes[i] = BYTE(m_table[i] & 0xFF);
    }
    bool identity = true, complement = true;
    for (int i = 0; i < 256; ++i)
    {
        identity = identity && m_bytes[i] == i;
        complement = complement && m_bytes[i] == 255 - i;
    }
    // A step: 0 up to some value, 255 above it.
    int zeros = 0;
    while (zeros < 256 && m_bytes[zeros] == 0)
        ++zeros;
    bool step = true;
    for (int i = zeros; i < 256; ++i)
        step = step && m_bytes[i] == 255;
    m_step = zeros - 1;
    m_shape = identity ? Shape::Identity : complement ? Shape::Complement : step ? Shape::Step : Shape::Table;
}

void FCEffectLUT::ApplyToPixel(FCObjImage&, int, int, BYTE* pixel)
{
    pixel[0] = m_bytes[pixel[0]];
    pixel[1] = m_bytes[pixel[1]];
    pixel[2] = m_bytes[pixel[2]];
}

namespace
{
// The colour bytes of a row of n bytes, f applied to each: every byte at 24 bits, all but the
// fourth of each pixel at 32 (those loops are vectorised; the alpha byte is put back as it was).
template <class F> void MapColourBytes(BYTE* row, int n, int bytesPerPixel, F f)
{
    if (bytesPerPixel == 3)
        for (int i = 0; i < n; ++i)
            row[i] = f(row[i]);
    else
        for (int i = 0; i < n; ++i)
            row[i] = (i & 3) == 3 ? row[i] : f(row[i]);
}
} // namespace

void FCEffectLUT::ApplyToRow(FCObjImage& image, int, BYTE* row, int bytesPerPixel)
{
    const int width = image.Width();
    if (bytesPerPixel != 3 && bytesPerPixel != 4)
    {
        MapRowChannels(row, width, bytesPerPixel, m_bytes, m_bytes, m_bytes);
        return;
    }
    const int n = width * bytesPerPixel;
    switch (m_shape)
    {
    case Shape::Identity:
        return;
    case Shape::Complement:
        MapColourBytes(row, n, bytesPerPixel, [](BYTE v) { return BYTE(~v); });
        return;
    case Shape::Step:
    {
        const int t = m_step;
        MapColourBytes(row, n, bytesPerPixel, [t](BYTE v) { return BYTE(v > t ? 255 : 0); });
        return;
    }
    case Shape::Table:
        break;
    }
    if (bytesPerPixel == 3)
    {
        // Every byte of a 24-bit row is a colour byte.
        for (int i = 0; i < n; ++i)
            row[i] = m_bytes[row[i]];
        return;
    }
    MapRowChannels(row, width, bytesPerPixel, m_bytes, m_bytes, m_bytes);
}

FCEffectBrightnessContrast::FCEffectBrightnessContrast(int brightness, int contrast)
    : m_brightness(std::clamp(brightness, -100, 100)), m_contrast(std::clamp(contrast, -100, 100))
{
}

int FCEffectBrightnessContrast::ComputeEntry(int i) const
{
    const double v = (m_contrast + 100) * 0.01 * (i - 128) + (m_brightness + 128) + 0.5;
    return ClampToByte(int(v)); // |v| < 600: the cast truncates toward zero, then the clamp
}

FCEffectGammaValue::FCEffectGammaValue(double gamma)
{
    if (!(gamma > 0.0)) gamma = 1.0;
    const double e = 1 / gamma;
    for (int i = 0; i < 256; ++i)
    {
        double v = std::pow(double(i), e) * std::pow(255.0, 1 - e);
        // For a gamma so small that i^e overflows while 255^(1-e) underflows the product is
        // inf x 0; the same value written as 255 x (i/255)^e has its limit.
        if (std::isnan(v)) v = 255 * std::pow(i / 255.0, e);
        m_values[i] = BYTE(std::floor(std::min(255.0, v) + 0.5));
    }
}

FCEffectSolarize::FCEffectSolarize(int threshold) : m_threshold(std::clamp(threshold, 0, 255)) {}

int FCEffectSolarize::ComputeEntry(int i) const
{
    return i < m_threshold ? i : 255 - i;
}

FCEffectPosterize::FCEffectPosterize(int levels) : m_levels(std::max(levels, 2)) {}

int FCEffectPosterize::ComputeEntry(int i) const
{
    const double step = 255.0 / (m_levels - 1.0);
    const double q = std::trunc(i / step + 0.5);
    return int(std::trunc(std::clamp(q * step, 0.0, 255.0) + 0.5));
}

FCEffectNbNiveaux::FCEffectNbNiveaux(int levels)
{
    int mask = 0;
    for (int n = levels; n >= 2; n /= 2)
        mask |= 256 / n;
    for (int i = 0; i < 256; ++i)
        m_values[i] = BYTE(i & mask);
}

FCEffectSeuil::FCEffectSeuil(int threshold)
{
    for (int i = 0; i < 256; ++i)
        m_values[i] = i > threshold ? 255 : 0;
}

// ---------------------------------------------------------------------------------------------
// Point effects

FCEffectSeuilRGB::FCEffectSeuilRGB(int thresholdRed, int thresholdGreen, int thresholdBlue)
{
    for (int i = 0; i < 256; ++i)
    {
        m_redTable[i] = i > thresholdRed ? 255 : 0;
        m_greenTable[i] = i > thresholdGreen ? 255 : 0;
        m_blueTable[i] = i > thresholdBlue ? 255 : 0;
    }
}

void FCEffectSeuilRGB::ApplyToRow(FCObjImage& image, int, BYTE* row, int bytesPerPixel)
{
    MapRowChannels(row, image.Width(), bytesPerPixel, m_blueTable, m_greenTable, m_redTable);
}

namespace
{
inline void SetGrey(BYTE* pixel, BYTE v)
{
    pixel[0] = pixel[1] = pixel[2] = v;
}
} // namespace

FCEffectThreshold::FCEffectThreshold(int level) : m_level(std::clamp(level, 0, 255)) {}

void FCEffectThreshold::ApplyToPixel(FCObjImage&, int, int, BYTE* pixel)
{
    SetGrey(pixel, PixelLuminance(pixel) <= m_level ? 0 : 255);
}

FCEffectThreshold2::FCEffectThreshold2(int low, int high)
    : m_low(std::clamp(low, 0, 255)), m_high(std::clamp(high, 0, 255))
{
    if (m_low > m_high)
    {
        std::swap(m_low, m_high);
        m_darkInside = false;
    }
}

void FCEffectThreshold2::ApplyToPixel(FCObjImage&, int, int, BYTE* pixel)
{
    const int L = PixelLuminance(pixel);
    const bool inside = L >= m_low && L <= m_high;
    SetGrey(pixel, inside == m_darkInside ? 0 : 255);
}

void FCEffectGrayscale::ApplyToPixel(FCObjImage&, int, int, BYTE* pixel)
{
    SetGrey(pixel, BYTE(PixelLuminance(pixel)));
}

FCEffectAdjustRGB::FCEffectAdjustRGB(int deltaRed, int deltaGreen, int deltaBlue)
    : m_deltaRed(std::clamp(deltaRed, -255, 255)), m_deltaGreen(std::clamp(deltaGreen, -255, 255)),
      m_deltaBlue(std::clamp(deltaBlue, -255, 255))
{
}

void FCEffectAdjustRGB::ApplyToPixel(FCObjImage&, int, int, BYTE* pixel)
{
    pixel[0] = ClampToByte(pixel[0] + m_deltaBlue);
    pixel[1] = ClampToByte(pixel[1] + m_deltaGreen);
    pixel[2] = ClampToByte(pixel[2] + m_deltaRed);
}

FCEffectFillColor::FCEffectFillColor(RGBQUAD colour, int alpha) : m_colour(colour), m_alpha(alpha) {}

bool FCEffectFillColor::AcceptsImage(const FCObjImage& image)
{
    if (!image.HasBits() || image.ColorBits() < 24) return false;
    m_writeAlpha = m_alpha != -1 && image.ColorBits() == 32;
    if (m_writeAlpha) m_colour.rgbReserved = BYTE(std::clamp(m_alpha, 0, 255));
    return true;
}

void FCEffectFillColor::ApplyToPixel(FCObjImage&, int, int, BYTE* pixel)
{
    CopyPixelBytes(pixel, reinterpret_cast<const BYTE*>(&m_colour), m_writeAlpha ? 32 : 24);
}

namespace
{
std::atomic<unsigned long long> g_noiseSeeds{0};

// A state for the generator, different for every call (splitmix64 of a counter).
std::uint32_t NextNoiseSeed()
{
    unsigned long long z = g_noiseSeeds.fetch_add(1, std::memory_order_relaxed) + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return std::uint32_t(z ^ (z >> 31));
}

struct NoiseState : FCEffectThreadState
{
    FCRandomGenerator generator{NextNoiseSeed()};
};
} // namespace

FCEffectNoisify::FCEffectNoisify(int amount, bool independentColours)
    : m_amount(std::clamp(amount, 1, 100)), m_independentColours(independentColours)
{
}

int FCEffectNoisify::RandomNoise() const
{
    return RandomNoise(ThreadRandomGenerator());
}

int FCEffectNoisify::RandomNoise(FCRandomGenerator& generator) const
{
    const int s = generator.Next() + generator.Next() + generator.Next() + generator.Next();
    return int((s * 6.7131703409299e-5 - 4.3994090512278) * m_amount);
}

void FCEffectNoisify::AddNoise(FCRandomGenerator& generator, BYTE* pixel) const
{
    const int nB = RandomNoise(generator);
    int nG = nB, nR = nB;
    if (m_independentColours)
    {
        nG = RandomNoise(generator);
        nR = RandomNoise(generator);
    }
    pixel[0] = ClampToByte(pixel[0] + nB);
    pixel[1] = ClampToByte(pixel[1] + nG);
    pixel[2] = ClampToByte(pixel[2] + nR);
}

void FCEffectNoisify::ApplyToPixel(FCObjImage&, int, int, BYTE* pixel)
{
    AddNoise(ThreadRandomGenerator(), pixel);
}

std::unique_ptr<FCEffectThreadState> FCEffectNoisify::CreateThreadState(const FCObjImage&)
{
    return std::unique_ptr<FCEffectThreadState>(new (std::nothrow) NoiseState);
}

void FCEffectNoisify::ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel,
                                         FCEffectThreadState* state)
{
    if (!state)
    {
        FCImageEffect::ApplyToPixelsOfRow(image, y, row, bytesPerPixel, state);
        return;
    }
    FCRandomGenerator& generator = static_cast<NoiseState*>(state)->generator;
    const int w = image.Width();
    for (int x = 0; x < w; ++x, row += bytesPerPixel)
        AddNoise(generator, row);
}

const BYTE FCEffectHalftoneM3::kMatrix[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},    {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},    {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},   {63, 31, 55, 23, 61, 29, 53, 21},
};

void FCEffectHalftoneM3::ApplyToPixel(FCObjImage&, int x, int y, BYTE* pixel)
{
    SetGrey(pixel, kMatrix[y & 7][x & 7] < (PixelLuminance(pixel) >> 2) ? 255 : 0);
}

// ---------------------------------------------------------------------------------------------
// Premultiplied alpha

namespace
{
inline void PremultiplyPixel(BYTE* pixel)
{
    const unsigned a = pixel[3];
    pixel[0] = BYTE(pixel[0] * a / 255);
    pixel[1] = BYTE(pixel[1] * a / 255);
    pixel[2] = BYTE(pixel[2] * a / 255);
}
} // namespace

bool FCEffectPremultipleAlpha::AcceptsImage(const FCObjImage& image)
{
    return image.HasBits() && image.ColorBits() == 32;
}

void FCEffectPremultipleAlpha::ApplyToPixel(FCObjImage&, int, int, BYTE* pixel)
{
    PremultiplyPixel(pixel);
}

void PremultiplyAlphaRow(BYTE* row, int width)
{
    for (int x = 0; x < width; ++x, row += 4)
        PremultiplyPixel(row);
}
