#include "imagelib/effects/ColorModel.h"

#include "imagelib/PixelHelpers.h"
#include "imagelib/effects/VectorDispatch.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace
{
// Hue in sixths from the channels (0..1) and d = max - min > 0; red wins ties, then green.
double HueSixths(int R, int G, int B, int max, double d)
{
    const double r = R / 255.0;
    const double g = G / 255.0;
    const double b = B / 255.0;
    if (R == max) return (g - b) / d;
    if (G == max) return 2 + (b - r) / d;
    return 4 + (r - g) / d;
}

// Clamps a double to 0..255 and truncates it; NaN gives 0. The operands of the colour balance
// are not clamped, so the sums are kept in double until here.
int ClampTrunc(double v)
{
    if (!(v > 0.0)) return 0;
    if (v >= 255.0) return 255;
    return int(v);
}
} // namespace

namespace
{
namespace colour_generic
{
#include "imagelib/effects/ColorModelKernels.inl"
} // namespace colour_generic

#ifdef ORVALIS_AVX2_TARGET
ORVALIS_AVX2_BEGIN
namespace colour_avx2
{
#include "imagelib/effects/ColorModelKernels.inl"
} // namespace colour_avx2
ORVALIS_AVX2_END

ORVALIS_AVX512_BEGIN
namespace colour_avx512
{
#include "imagelib/effects/ColorModelKernels.inl"
} // namespace colour_avx512
ORVALIS_AVX512_END
#endif

using HueSaturationRunFn = void (*)(BYTE*, int, const int*, const int*);

// The run loop for this processor: [0] for 24 bits, [1] for 32.
struct HueSaturationRuns
{
    HueSaturationRunFn run[2];
};

HueSaturationRuns PickHueSaturationRuns()
{
#ifdef ORVALIS_AVX2_TARGET
    if (UseAvx512())
        return HueSaturationRuns{{colour_avx512::HueSaturationRun<3>, colour_avx512::HueSaturationRun<4>}};
    if (UseAvx2())
        return HueSaturationRuns{{colour_avx2::HueSaturationRun<3>, colour_avx2::HueSaturationRun<4>}};
#endif
    return HueSaturationRuns{{colour_generic::HueSaturationRun<3>, colour_generic::HueSaturationRun<4>}};
}
} // namespace

void RGBtoHLS(const BYTE* bgr, double& hue, double& lightness, double& saturation)
{
    const int B = bgr[0], G = bgr[1], R = bgr[2];
    const int max = std::max({R, G, B});
    const int min = std::min({R, G, B});
    lightness = (max + min) / 510.0;
    if (max == min)
    {
        hue = 0.0;
        saturation = 0.0;
        return;
    }
    const double M = max / 255.0;
    const double m = min / 255.0;
    const double d = M - m;
    saturation = lightness < 0.5 ? d / (M + m) : d / (2 - M - m);
    hue = HueSixths(R, G, B, max, d) / 6;
    if (hue < 0) hue += 1;
}

double HLSValue(double m1, double m2, double h)
{
    if (h > 6)
        h -= 6;
    else if (h < 0)
        h += 6;
    if (h < 1) return m1 + (m2 - m1) * h;
    if (h < 3) return m2;
    if (h >= 4) return m1;
    return m1 + (m2 - m1) * (4 - h);
}

RGBQUAD HLStoRGB(double hue, double lightness, double saturation)
{
    if (saturation == 0.0) return PackRgbFromDoubles(lightness, lightness, lightness);
    const double m2 =
        lightness <= 0.5 ? lightness * (1 + saturation) : lightness + saturation - lightness * saturation;
    const double m1 = 2 * lightness - m2;
    return PackRgbFromDoubles(HLSValue(m1, m2, 6 * hue + 2), HLSValue(m1, m2, 6 * hue),
                              HLSValue(m1, m2, 6 * hue - 2));
}

void RGBtoHSV(const BYTE* bgr, double& hue, double& saturation, double& value)
{
    const int B = bgr[0], G = bgr[1], R = bgr[2];
    const int max = std::max({R, G, B});
    const int min = std::min({R, G, B});
    value = max / 255.0;
    if (max == min)
    {
        hue = 0.0;
        saturation = 0.0;
        return;
    }
    saturation = double(max - min) / max;
    const double d = (max - min) / 255.0;
    hue = HueSixths(R, G, B, max, d) / 6;
    if (hue < 0)
        hue += 1;
    else if (hue > 1)
        hue -= 1;
}

RGBQUAD HSVtoRGB(double hue, double saturation, double value)
{
    if (saturation == 0.0) return PackRgbFromDoubles(value, value, value);
    const double h6 = hue >= 1.0 ? 0.0 : 6 * hue;
    const double sector = std::trunc(h6);
    // A negative hue (or NaN) has no sector: black.
    if (!(sector >= 0.0 && sector <= 5.0)) return PackRgbFromDoubles(0, 0, 0);
    const int i = int(sector);
    const double f = h6 - i;
    const double p = (1 - saturation) * value;
    const double q = (1 - f * saturation) * value;
    const double t = (1 - (1 - f) * saturation) * value;
    switch (i)
    {
    case 0:
        return PackRgbFromDoubles(value, t, p);
    case 1:
        return PackRgbFromDoubles(q, value, p);
    case 2:
        return PackRgbFromDoubles(p, value, t);
    case 3:
        return PackRgbFromDoubles(p, q, value);
    case 4:
        return PackRgbFromDoubles(t, p, value);
    default:
        return PackRgbFromDoubles(value, p, q);
    }
}

RGBQUAD PackRgbFromDoubles(double red, double green, double blue)
{
    RGBQUAD c;
    c.rgbRed = RoundClampToByte(red * 255);
    c.rgbGreen = RoundClampToByte(green * 255);
    c.rgbBlue = RoundClampToByte(blue * 255);
    c.rgbReserved = 255;
    return c;
}

FCEffectHueSaturation::FCEffectHueSaturation(int hue, int saturation)
{
    hue = std::clamp(hue, -100, 100);
    saturation = std::clamp(saturation, -100, 100);
    const int H = hue * 180 / 100;        // degrees, -180..180
    const int hs = H * 255 / 360;         // the shift on a hue circle of 255 steps
    const int S = saturation * 255 / 100; // -255..255
    const int factor = S + 255;
    for (int k = 0; k < 6; ++k)
        for (int i = 0; i < 256; ++i)
        {
            int h = hs + i;
            if (h < 0)
                h += 255;
            else if (h > 255)
                h -= 255;
            m_hueTable[k][i] = h;
            m_saturationTable[k][i] = std::min(i * factor / 255, 255);
        }
}

void FCEffectHueSaturation::PrepareImage(FCObjImage& image)
{
    (void)image;
    const HueSaturationRuns runs = PickHueSaturationRuns();
    m_run24 = runs.run[0];
    m_run32 = runs.run[1];
}

void FCEffectHueSaturation::ApplyToPixelsOfRow(FCObjImage& image, int, BYTE* row, int bytesPerPixel,
                                               FCEffectThreadState*)
{
    const int w = image.Width();
    // The loops of the instruction set chosen for the run (those of the processor when the run
    // did not prepare the effect).
    const HueSaturationRuns runs = m_run24 ? HueSaturationRuns{{m_run24, m_run32}} : PickHueSaturationRuns();
    if (bytesPerPixel == 3 || bytesPerPixel == 4)
    {
        runs.run[bytesPerPixel == 4](row, w, &m_hueTable[0][0], &m_saturationTable[0][0]);
        return;
    }
    for (int x = 0; x < w; ++x, row += bytesPerPixel)
        FCEffectHueSaturation::ApplyToPixel(image, x, 0, row);
}

void FCEffectHueSaturation::ApplyToPixel(FCObjImage&, int, int, BYTE* pixel)
{
    double hue, lightness, saturation;
    RGBtoHLS(pixel, hue, lightness, saturation);
    const double hv = hue * 255;
    int k;
    if (hv < 21)
        k = 0;
    else if (hv < 64)
        k = 1;
    else if (hv < 106)
        k = 2;
    else if (hv < 149)
        k = 3;
    else if (hv < 192)
        k = 4;
    else if (hv < 234)
        k = 5;
    else
        k = 0;
    const double newHue = m_hueTable[k][RoundClampToByte(hv)] / 255.0;
    const double newSaturation = m_saturationTable[k][RoundClampToByte(saturation * 255)] / 255.0;
    StoreBGR(pixel, HLStoRGB(newHue, lightness, newSaturation));
}

FCEffectColorBalance::FCEffectColorBalance(bool preserveLuminosity, int toneRange, int cyanRed,
                                           int magentaGreen, int yellowBlue)
    : m_preserveLuminosity(preserveLuminosity)
{
    // Transfer curves: F rises steeply from 0 (the shadows), R = F mirrored (the highlights),
    // M a parabola that is 0.667 at 127 and 0 at 0 and 254 (the midtones).
    double F[256], R[256], M[256];
    for (int i = 0; i < 256; ++i)
    {
        F[i] = 1.075 - 1 / (i / 16.0 + 1);
        M[i] = 0.667 - (i - 127) * (i - 127) * 4.1354082708165414e-5;
    }
    for (int i = 0; i < 256; ++i)
        R[i] = F[255 - i];

    const int values[3] = {cyanRed, magentaGreen, yellowBlue};
    BYTE* tables[3] = {m_redTable, m_greenTable, m_blueTable};
    for (int c = 0; c < 3; ++c)
    {
        const double shadows = toneRange == 0 ? values[c] : 0;
        const double midtones = toneRange == 1 ? values[c] : 0;
        const double highlights = toneRange == 2 ? values[c] : 0;
        const double* shadowCurve = shadows > 0 ? F : R;
        const double* highlightCurve = highlights > 0 ? R : F;
        for (int i = 0; i < 256; ++i)
        {
            const int a = ClampTrunc(i + std::trunc(shadows * shadowCurve[i]));
            const int b = ClampTrunc(a + std::trunc(midtones * M[a]));
            tables[c][i] = BYTE(ClampTrunc(b + std::trunc(highlights * highlightCurve[b])));
        }
    }
}

void FCEffectColorBalance::ApplyToPixel(FCObjImage&, int, int, BYTE* pixel)
{
    const BYTE mapped[3] = {m_blueTable[pixel[0]], m_greenTable[pixel[1]], m_redTable[pixel[2]]};
    if (!m_preserveLuminosity)
    {
        pixel[0] = mapped[0];
        pixel[1] = mapped[1];
        pixel[2] = mapped[2];
        return;
    }
    const int max = std::max({pixel[0], pixel[1], pixel[2]});
    const int min = std::min({pixel[0], pixel[1], pixel[2]});
    double hue, lightness, saturation;
    RGBtoHLS(mapped, hue, lightness, saturation);
    StoreBGR(pixel, HLStoRGB(hue, (max + min) / 510.0, saturation));
}

void FCEffectColorTone::BuildColours()
{
    for (int i = 0; i < 256; ++i)
        m_colours[i] = HLStoRGB(m_hue, m_lightnessTable[i], m_saturation);
}

void FCEffectColorTone::ApplyToPixel(FCObjImage&, int, int, BYTE* pixel)
{
    StoreBGR(pixel, m_colours[PixelLuminance(pixel)]);
}

FCEffectColorToneIntParam::FCEffectColorToneIntParam(int hueDegrees, int saturation)
{
    hueDegrees = std::clamp(hueDegrees, 0, 360);
    saturation = std::clamp(saturation, 0, 255);
    const RGBQUAD tone = HSVtoRGB(hueDegrees / 360.0, 1, 1);
    const BYTE bgr[3] = {tone.rgbBlue, tone.rgbGreen, tone.rgbRed};
    double toneLightness;
    RGBtoHLS(bgr, m_hue, toneLightness, m_saturation);
    const double f = saturation / 255.0;
    m_saturation = std::min(1.0, f * m_saturation * f);
    const double gain = 1 / 510.0 + (128 - std::abs(saturation - 128)) * 1.702069716775599e-6;
    for (int i = 0; i < 256; ++i)
        m_lightnessTable[i] = std::min(1.0, 2 * i * gain);
    BuildColours();
}
