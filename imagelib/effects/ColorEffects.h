// Lookup-table and per-pixel colour effects: a byte-to-byte table applied to blue, green and red
// (FCEffectLUT and its subclasses), and the point effects that look at one pixel at a time
// (grey, thresholds, channel offsets, fill, noise, ordered halftone). None writes the alpha byte
// of a 32-bit pixel, except FCEffectFillColor when told to.
#pragma once

#include "imagelib/FCImageEffect.h"
#include "imagelib/FCRandom.h"

// Maps the blue, green and red bytes of width pixels through a table each (the low byte of the
// entry); the alpha byte of 32-bit rows is left alone.
template <class Entry>
inline void MapRowChannels(BYTE* row, int width, int bytesPerPixel, const Entry* blue, const Entry* green,
                           const Entry* red)
{
    for (int x = 0; x < width; ++x, row += bytesPerPixel)
    {
        row[0] = BYTE(blue[row[0]]);
        row[1] = BYTE(green[row[1]]);
        row[2] = BYTE(red[row[2]]);
    }
}

// Base of the lookup-table effects: PrepareImage fills the table from ComputeEntry, then every row
// (or, for composite effects that hold one as a sub-effect, every single pixel) has its blue,
// green and red bytes replaced by the low byte of their entry.
class FCEffectLUT : public FCImageEffect
{
public:
    int GetProcessMode() const override { return kProcessPerRow; }
    void PrepareImage(FCObjImage& image) override;
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;
    void ApplyToRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel) override;

    // The entry for input value i (0..255).
    virtual int ComputeEntry(int i) const = 0;

    // Valid after PrepareImage.
    int Entry(int i) const { return m_table[i]; }

private:
    // What the table turns out to be, found in PrepareImage: rows of the tables that are a plain
    // function of the byte (the negative, a threshold) are worked out without the lookups, with
    // the same bytes.
    enum class Shape
    {
        Table,      // anything else: one lookup per byte
        Identity,   // every byte kept
        Complement, // 255 - v
        Step,       // 255 above m_step, else 0
    };

    int m_table[256] = {};
    // The low bytes of m_table, which is what the rows receive.
    BYTE m_bytes[256] = {};
    Shape m_shape = Shape::Table;
    int m_step = 0;
};

// Brightness and contrast, each -100..100: contrast scales around 128 by (contrast + 100) %,
// brightness moves the centre.
class FCEffectBrightnessContrast : public FCEffectLUT
{
public:
    FCEffectBrightnessContrast(int brightness, int contrast);
    int ComputeEntry(int i) const override;

private:
    int m_brightness;
    int m_contrast;
};

// i^(1/gamma) scaled so that 0 and 255 stay; a gamma that is not above 0 (or NaN) is taken as 1.
class FCEffectGammaValue : public FCEffectLUT
{
public:
    explicit FCEffectGammaValue(double gamma);
    int ComputeEntry(int i) const override { return m_values[i]; }

private:
    BYTE m_values[256];
};

// The negative.
class FCEffectInvert : public FCEffectLUT
{
public:
    int ComputeEntry(int i) const override { return 255 - i; }
};

// Values from threshold on (0..255) are inverted, those below kept.
class FCEffectSolarize : public FCEffectLUT
{
public:
    explicit FCEffectSolarize(int threshold);
    int ComputeEntry(int i) const override;

private:
    int m_threshold;
};

// levels (at least 2) evenly spaced values, each value going to the nearest.
class FCEffectPosterize : public FCEffectLUT
{
public:
    explicit FCEffectPosterize(int levels);
    int ComputeEntry(int i) const override;

private:
    int m_levels;
};

// Keeps the high bits of each value: levels 2^k keeps k bits, levels below 2 gives 0 everywhere.
class FCEffectNbNiveaux : public FCEffectLUT
{
public:
    explicit FCEffectNbNiveaux(int levels);
    int ComputeEntry(int i) const override { return m_values[i]; }

private:
    BYTE m_values[256];
};

// Each channel to 255 above threshold, else 0 (threshold not clamped).
class FCEffectSeuil : public FCEffectLUT
{
public:
    explicit FCEffectSeuil(int threshold);
    int ComputeEntry(int i) const override { return m_values[i]; }

private:
    BYTE m_values[256];
};

// FCEffectSeuil with a threshold per channel.
class FCEffectSeuilRGB : public FCImageEffect
{
public:
    FCEffectSeuilRGB(int thresholdRed, int thresholdGreen, int thresholdBlue);
    int GetProcessMode() const override { return kProcessPerRow; }
    void ApplyToRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel) override;

private:
    int m_redTable[256];
    int m_greenTable[256];
    int m_blueTable[256];
};

// Black when the luminance is at most level (0..255), else white.
class FCEffectThreshold : public FCImageEffect
{
public:
    explicit FCEffectThreshold(int level);
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;

private:
    int m_level;
};

// A band of luminance low..high (both included, each 0..255) drawn black on white; given the
// other way round (low above high) the band is drawn white on black.
class FCEffectThreshold2 : public FCImageEffect
{
public:
    FCEffectThreshold2(int low, int high);
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;

private:
    int m_low;
    int m_high;
    bool m_darkInside = true;
};

// Blue, green and red set to the luminance.
class FCEffectGrayscale : public FCImageEffect
{
public:
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;
};

// Adds a delta to each channel. Deltas beyond -255..255 are brought to those bounds, which gives
// the same result without overflowing.
class FCEffectAdjustRGB : public FCImageEffect
{
public:
    FCEffectAdjustRGB(int deltaRed, int deltaGreen, int deltaBlue);
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;

private:
    int m_deltaRed;
    int m_deltaGreen;
    int m_deltaBlue;
};

// Fills every pixel with one colour. alpha -1 leaves the alpha bytes alone; any other value is
// written (clamped to 0..255) into 32-bit images. AcceptsImage settles which, so one object
// serves one image.
class FCEffectFillColor : public FCImageEffect
{
public:
    FCEffectFillColor(RGBQUAD colour, int alpha);
    bool AcceptsImage(const FCObjImage& image) override;
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;

private:
    RGBQUAD m_colour;
    int m_alpha;
    bool m_writeAlpha = false;
};

// Adds noise centred on zero, within about 4.4 x amount (amount 1..100), to each channel: the
// same draw for the three channels unless independentColours.
class FCEffectNoisify : public FCImageEffect
{
public:
    FCEffectNoisify(int amount, bool independentColours);
    // Alone (outside a run) a pixel draws from the calling thread's generator.
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;
    // Each band of a run draws from a generator of its own, started from a state no other band
    // or run has had: left to start alike, every band would get the same noise and the pattern
    // would repeat down the image.
    std::unique_ptr<FCEffectThreadState> CreateThreadState(const FCObjImage& image) override;
    void ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel,
                            FCEffectThreadState* state) override;

    // The sum of four draws of the generator (the calling thread's by default), centred and
    // scaled by amount.
    int RandomNoise() const;
    int RandomNoise(FCRandomGenerator& generator) const;

private:
    void AddNoise(FCRandomGenerator& generator, BYTE* pixel) const;

    int m_amount;
    bool m_independentColours;
};

// Ordered dither of the luminance through the 8 x 8 Bayer matrix: black or white pixels.
class FCEffectHalftoneM3 : public FCImageEffect
{
public:
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;

    // The matrix, indexed [y & 7][x & 7].
    static const BYTE kMatrix[8][8];
};

// Colours premultiplied by alpha, for drawing translucent pictures: blue, green and red := c x a /
// 255 (truncated), alpha kept. 32-bit images only.
class FCEffectPremultipleAlpha : public FCImageEffect
{
public:
    bool AcceptsImage(const FCObjImage& image) override;
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;
};

// The same arithmetic over a row of width 32-bit pixels, for whole copies made to be drawn.
void PremultiplyAlphaRow(BYTE* row, int width);
