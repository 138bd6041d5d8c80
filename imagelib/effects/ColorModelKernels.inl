// The hue and saturation turn over a run of pixels, included by ColorModel.cpp once for each
// instruction set it dispatches to, inside a namespace of its own. FCEffectHueSaturation::
// ApplyToPixel without branches, so that the compiler vectorises it: every pixel works out the
// value of each side of a choice and keeps the one the choice takes, and every value that reaches
// the result comes from the same operations in the same order.

// RoundClampToByte as a choice of values: NaN and values up to 0 give 0, 255 and beyond 255.
inline int RoundClampSelect(double v)
{
    const double c = v > 0.0 ? (v < 255.0 ? v : 255.0) : 0.0;
    return int(c + 0.5);
}

// HLSValue.
inline double HlsValueSelect(double m1, double m2, double h)
{
    h = h > 6 ? h - 6 : (h < 0 ? h + 6 : h);
    const double rise = m1 + (m2 - m1) * h;
    const double fall = m1 + (m2 - m1) * (4 - h);
    return h < 1 ? rise : (h < 3 ? m2 : (h >= 4 ? m1 : fall));
}

// Pixels of one chunk worked out together.
constexpr int kHueChunk = 256;

// n pixels of Bpp bytes from p on; tables are the effect's six hue tables and six saturation
// tables, 256 entries each, one after the other.
template <int Bpp> void HueSaturationRun(BYTE* p, int n, const int* hueTables, const int* saturationTables)
{
    alignas(64) int hueIndex[kHueChunk], saturationIndex[kHueChunk];
    alignas(64) int blues[kHueChunk], greens[kHueChunk], reds[kHueChunk];
    alignas(64) double lightness[kHueChunk], newHue[kHueChunk], newSaturation[kHueChunk];
    for (int start = 0; start < n; start += kHueChunk, p += kHueChunk * Bpp)
    {
        const int count = std::min(kHueChunk, n - start);
        for (int i = 0; i < count; ++i)
        {
            blues[i] = p[i * Bpp];
            greens[i] = p[i * Bpp + 1];
            reds[i] = p[i * Bpp + 2];
        }
        // RGBtoHLS and the table indices.
        for (int i = 0; i < count; ++i)
        {
            const int B = blues[i], G = greens[i], R = reds[i];
            const int mx = std::max(std::max(R, G), B);
            const int mn = std::min(std::min(R, G), B);
            const double l = (mx + mn) / 510.0;
            const double M = mx / 255.0;
            const double m = mn / 255.0;
            const double d = M - m;
            const double sat = d / (l < 0.5 ? M + m : 2 - M - m);
            const double r = R / 255.0;
            const double g = G / 255.0;
            const double b = B / 255.0;
            // One quotient: the side's numerator is chosen first, then divided as that side
            // divides it.
            const double q = (R == mx ? g - b : (G == mx ? b - r : r - g)) / d;
            const double sixths = R == mx ? q : (G == mx ? 2 + q : 4 + q);
            double hue = sixths / 6;
            hue = hue < 0 ? hue + 1 : hue;
            const bool grey = mx == mn;
            hue = grey ? 0.0 : hue;
            const double saturation = grey ? 0.0 : sat;
            const double hv = hue * 255;
            // The hue range: 0 below 21, 1 below 64, ... 5 below 234, then 0 again (NaN: 0).
            int k = int(hv >= 21) + int(hv >= 64) + int(hv >= 106) + int(hv >= 149) + int(hv >= 192) +
                    int(hv >= 234);
            k = k == 6 ? 0 : k;
            hueIndex[i] = k * 256 + RoundClampSelect(hv);
            saturationIndex[i] = k * 256 + RoundClampSelect(saturation * 255);
            lightness[i] = l;
        }
        for (int i = 0; i < count; ++i)
        {
            newHue[i] = hueTables[hueIndex[i]] / 255.0;
            newSaturation[i] = saturationTables[saturationIndex[i]] / 255.0;
        }
        // HLStoRGB and PackRgbFromDoubles.
        for (int i = 0; i < count; ++i)
        {
            const double h = newHue[i], l = lightness[i], s = newSaturation[i];
            const double m2 = l <= 0.5 ? l * (1 + s) : l + s - l * s;
            const double m1 = 2 * l - m2;
            const bool flat = s == 0.0;
            const double red = flat ? l : HlsValueSelect(m1, m2, 6 * h + 2);
            const double green = flat ? l : HlsValueSelect(m1, m2, 6 * h);
            const double blue = flat ? l : HlsValueSelect(m1, m2, 6 * h - 2);
            blues[i] = RoundClampSelect(blue * 255);
            greens[i] = RoundClampSelect(green * 255);
            reds[i] = RoundClampSelect(red * 255);
        }
        for (int i = 0; i < count; ++i)
        {
            p[i * Bpp] = BYTE(blues[i]);
            p[i * Bpp + 1] = BYTE(greens[i]);
            p[i * Bpp + 2] = BYTE(reds[i]);
        }
    }
}

template void HueSaturationRun<3>(BYTE*, int, const int*, const int*);
template void HueSaturationRun<4>(BYTE*, int, const int*, const int*);
