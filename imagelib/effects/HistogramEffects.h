// Histogram and level effects: their mapping depends on statistics of the whole image, gathered
// in PrepareImage before any pixel changes (equalisation per channel or on luminance, automatic
// contrast, automatic levels, automatic colour enhancement), the levels effect itself, and the
// counting effect the others and the levels dialog use. None writes the alpha byte.
#pragma once

#include "imagelib/FCImageEffect.h"

#include <cstdint>
#include <vector>

// Counts blue, green and red values into 256 bins each. Bins are 64-bit so that no image can
// overflow them. In a run each band counts into bins of its own, added to the effect's when the
// bands are done.
class FCEffectGetHistogram : public FCImageEffect
{
public:
    FCEffectGetHistogram();
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;
    std::unique_ptr<FCEffectThreadState> CreateThreadState(const FCObjImage& image) override;
    void ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel,
                            FCEffectThreadState* state) override;
    void MergeThreadState(FCEffectThreadState& state) override;

    // Runs the counting over the image on the calling thread, as the single-thread driver would
    // (nothing counted when the image is refused), with the same counts, faster.
    void Count(const FCObjImage& image);

    const std::vector<std::int64_t>& Red() const { return m_red; }
    const std::vector<std::int64_t>& Green() const { return m_green; }
    const std::vector<std::int64_t>& Blue() const { return m_blue; }

private:
    std::vector<std::int64_t> m_red;
    std::vector<std::int64_t> m_green;
    std::vector<std::int64_t> m_blue;
};

// Equalisation table of a histogram: the used range spread over 0..255 by cumulative count, the
// lowest used value to 0 and the highest to 255; a single used value stays where it is.
void MakeEqualizeTable(int table[256], const std::int64_t histogram[256]);

// Equalises red, green and blue each by its own histogram.
class FCEffectEgaliserHistogrammeRGB : public FCImageEffect
{
public:
    int GetProcessMode() const override { return kProcessPerRow; }
    void PrepareImage(FCObjImage& image) override;
    void ApplyToRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel) override;

protected:
    int m_redTable[256] = {};
    int m_greenTable[256] = {};
    int m_blueTable[256] = {};
};

// Equalises by the histogram of the luminance (77 R + 150 G + 29 B) >> 8: blue, green and red go
// through the same table, so greys stay grey.
class FCEffectEgaliserHistogrammeLuminosite : public FCEffectEgaliserHistogrammeRGB
{
public:
    FCEffectEgaliserHistogrammeLuminosite();
    void PrepareImage(FCObjImage& image) override;
    void ApplyToRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel) override;

private:
    int m_luminanceTable[256] = {};
    std::vector<std::int64_t> m_histogram;
};

// Stretches each channel from its own minimum and maximum to 0..255; a flat channel is kept.
class FCEffectAutoContrast : public FCImageEffect
{
public:
    void PrepareImage(FCObjImage& image) override;
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;

private:
    struct Entry
    {
        int blue = 0, green = 0, red = 0;
    };
    Entry m_table[256];
};

// Levels: the input range inLow..inHigh of each channel whose bit is set in channelMask (4 blue,
// 2 green, 1 red) is mapped to outLow..outHigh through t^(1/gamma). Levels are clamped to 0..255;
// an output range given high to low inverts.
class FCEffectColorLevel : public FCImageEffect
{
public:
    FCEffectColorLevel(int inLow, int inHigh, int outLow, int outHigh, double gamma, int channelMask);
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;

    // The new value of one channel byte given its input range.
    BYTE MapLevel(int value, int low, int high) const;

    // Index 0 blue, 1 green, 2 red.
    int InLow(int channel) const { return m_inLow[channel]; }
    int InHigh(int channel) const { return m_inHigh[channel]; }

protected:
    // Rebuilds the per-channel byte maps from the levels; called whenever they change.
    void BuildMaps();

    int m_inLow[3];
    int m_inHigh[3];
    int m_outLow;
    int m_outHigh;
    double m_gamma;
    int m_channelMask;

private:
    BYTE m_map[3][256];
};

// Levels found from the image: for each channel the input range that clips about 0.6 % of the
// pixels at each end. A channel whose two clip levels meet or cross (a flat or nearly two-valued
// channel) is left as it is.
class FCEffectAutoColorLevel : public FCEffectColorLevel
{
public:
    FCEffectAutoColorLevel();
    void PrepareImage(FCObjImage& image) override;

    // Sets inLow[channel] and inHigh[channel] from a histogram of 256 bins, as found; no repair
    // of crossed levels here.
    static void FindClipLevels(int inLow[3], int inHigh[3], const std::int64_t histogram[256], int channel);
};

// Widens the colour range: in the inverted colours with their common (black) part removed, the
// largest component is stretched over the image's range to 0..1 through HSV. Greys are kept.
class FCEffectAutoColorEnhance : public FCImageEffect
{
public:
    void PrepareImage(FCObjImage& image) override;
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;

private:
    // The new reduced pixel (red, green, blue in a packed colour) of a reduced pixel.
    RGBQUAD MapReduced(const BYTE reduced[3]) const;

    double m_valueMax = 0.0;
    double m_valueMin = 1.0;
    // For large images, MapReduced of every reduced pixel, built once by PrepareImage: one
    // component of a reduced pixel is always 0, so [zero channel][first other][second other].
    std::vector<RGBQUAD> m_reducedMap;
};
