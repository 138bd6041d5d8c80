// Colour models: 8-bit RGB pixels to and from hue/lightness/saturation (HLS) and
// hue/saturation/value (HSV), and the colour adjustments built on them (hue and saturation,
// colour balance by tone range, toning by one hue). The conversions are shared with the histogram
// effects, paste special and the colour dialogs.
//
// Hue, lightness, saturation and value are doubles in 0..1; a hue of 1.0 is the hue 0.0. A packed
// colour is laid out as a pixel: blue, green, red, alpha; the conversions always give alpha 255.
#pragma once

#include "imagelib/FCImageEffect.h"

// bgr points at a pixel's blue, green and red bytes.
void RGBtoHLS(const BYTE* bgr, double& hue, double& lightness, double& saturation);
RGBQUAD HLStoRGB(double hue, double lightness, double saturation);
// One channel of HLStoRGB; h in sixths of the hue circle.
double HLSValue(double m1, double m2, double h);
void RGBtoHSV(const BYTE* bgr, double& hue, double& saturation, double& value);
// A hue of 1 or more counts as 0; a negative hue gives black.
RGBQUAD HSVtoRGB(double hue, double saturation, double value);
// Channels in 0..1 to bytes: clamped, scaled by 255 and rounded; NaN gives 0.
RGBQUAD PackRgbFromDoubles(double red, double green, double blue);

// Writes the blue, green and red bytes of a packed colour into a pixel (alpha untouched).
inline void StoreBGR(BYTE* pixel, RGBQUAD c)
{
    pixel[0] = c.rgbBlue;
    pixel[1] = c.rgbGreen;
    pixel[2] = c.rgbRed;
}

// Turns the hue and scales the saturation of every pixel, lightness kept. hue -100..100 turns by
// -180..180 degrees; saturation -100 makes grey, 100 doubles the saturation.
class FCEffectHueSaturation : public FCImageEffect
{
public:
    FCEffectHueSaturation(int hue, int saturation);
    // Chooses the row loops of the run's instruction set.
    void PrepareImage(FCObjImage& image) override;
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;
    // ApplyToPixel on every pixel of the row, in vector loops.
    void ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel,
                            FCEffectThreadState* state) override;

private:
    void (*m_run24)(BYTE*, int, const int*, const int*) = nullptr;
    void (*m_run32)(BYTE*, int, const int*, const int*) = nullptr;
    // One pair of tables per hue range (red, yellow, green, cyan, blue, magenta); the dialog only
    // ever sets all six alike.
    int m_hueTable[6][256];
    int m_saturationTable[6][256];
};

// Colour balance: pushes red, green and blue up or down in the shadows (toneRange 0), the
// midtones (1) or the highlights (2), through three byte tables. With preserveLuminosity the
// pixel keeps its HLS lightness. The values are not clamped (the dialog gives -100..100).
class FCEffectColorBalance : public FCImageEffect
{
public:
    FCEffectColorBalance(bool preserveLuminosity, int toneRange, int cyanRed, int magentaGreen,
                         int yellowBlue);
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;

    const BYTE* RedTable() const { return m_redTable; }
    const BYTE* GreenTable() const { return m_greenTable; }
    const BYTE* BlueTable() const { return m_blueTable; }

private:
    BYTE m_redTable[256];
    BYTE m_greenTable[256];
    BYTE m_blueTable[256];
    bool m_preserveLuminosity;
};

// Tints the luminance of every pixel with one hue: the pixel becomes the HLS colour (hue,
// lightnessTable[L], saturation), L its integer luminance.
class FCEffectColorTone : public FCImageEffect
{
public:
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;

    double Hue() const { return m_hue; }
    double Saturation() const { return m_saturation; }
    double Lightness(int level) const { return m_lightnessTable[level]; }

protected:
    FCEffectColorTone() = default;
    // Derived constructors call it once the members are set: the output depends on L alone, so
    // the 256 colours are converted once.
    void BuildColours();

    double m_hue = 0.0;
    double m_saturation = 0.0;
    double m_lightnessTable[256] = {};

private:
    RGBQUAD m_colours[256] = {};
};

// The toning of the "Couleur et Saturation" dialog: hueDegrees 0..360, saturation 0..255 (the
// tint grows with the square of saturation / 255).
class FCEffectColorToneIntParam : public FCEffectColorTone
{
public:
    FCEffectColorToneIntParam(int hueDegrees, int saturation);
};
