// The Gaussian blur and the effects built on it: the plain blur ("Flou gaussien"), the unsharp
// mask, soft glow and soft portrait. The blur is separable and alpha-weighted: a column pass, then
// a row pass that hands every finished pixel to CombinePixel, where the derived effects mix the
// blurred pixel with a copy of the image.
#pragma once

#include "imagelib/FCImageEffect.h"

#include <memory>
#include <vector>

class FCEffectBrightnessContrast;

// A Gaussian of sigma = radius / 2 pixels (radius below 1 counts as 1) on 201 taps, normalised,
// with the tails whose weight stays under 1/510 trimmed off. Each tap weighs a sample by its alpha,
// so transparent pixels lend no colour to their neighbours; the edges are replicated.
//
// A whole-image effect: it runs on the calling thread, which reports progress (0 after each
// column of the first pass, 100 x (y + 1) / height after each row of the second) and honours
// cancel, and it shares the work of each pass with the threads of the run. After a cancel the
// columns or rows those threads had in hand are finished too; the image is partly blurred either
// way. CombinePixel may run on several threads at once, for different pixels; it must write only
// the pixel it is given and read nothing that another pixel's call writes.
class FCEffectBlur_Gauss : public FCImageEffect
{
public:
    // Every user passes copyEdge true and channelMode 1 (blur colour and alpha); other values
    // behave the same.
    FCEffectBlur_Gauss(int radius, bool copyEdge, int channelMode);

    int GetProcessMode() const override { return kProcessWholeImage; }
    // Nothing for an image without pixels or of another depth than 24 or 32 bits.
    void ApplyToImage(FCObjImage& image, FCProgressObserver* observer) override;
    // Called once for every pixel of the second pass once it holds its blurred value.
    virtual void CombinePixel(FCObjImage& image, int x, int y, BYTE* pixel);
    // Called for the pixels x0 .. x1 - 1 of row y of the second pass once they hold their blurred
    // values, in place of CombinePixel on each of them (what it does by default): an effect may
    // combine a whole run at once, with the same result.
    virtual void CombineRow(FCObjImage& image, int y, int x0, int x1);

    const std::vector<double>& GetKernel() const { return m_kernel; }
    int GetHalfSize() const { return m_halfSize; }

protected:
    int GetBitsPerPixel() const { return m_bitsPerPixel; }
    // Said by a final class that keeps the no-op CombinePixel: the row pass then writes the
    // blurred rows without a call for each pixel.
    void SetPlainBlur() { m_plainBlur = true; }

private:
    bool m_plainBlur = false;
    bool m_copyEdge;
    int m_channelMode;
    std::vector<double> m_kernel;
    int m_halfSize = 0;
    int m_bitsPerPixel = 0;
};

// The plain blur of the "Flou gaussien" command.
class FCEffectBlur_GaussCopyEdge final : public FCEffectBlur_Gauss
{
public:
    explicit FCEffectBlur_GaussCopyEdge(int radius) : FCEffectBlur_Gauss(radius, true, 1) { SetPlainBlur(); }
};

// Sharpening: each colour moves away from its blurred value by amount % of the difference, where
// twice the difference reaches the threshold. The alpha byte keeps its blurred value.
class FCEffectUNSharpMask : public FCEffectBlur_Gauss
{
public:
    // amount clamped to 1..100, threshold to 0..255.
    FCEffectUNSharpMask(int radius, int amount, int threshold);

    void PrepareImage(FCObjImage& image) override;
    void CombinePixel(FCObjImage& image, int x, int y, BYTE* pixel) override;
    void CombineRow(FCObjImage& image, int y, int x0, int x1) override;

    // CombinePixel over n pixels of one row, the original's pixels beside them, given amount and
    // threshold: one for 24 bits and one for 32, for the processor's widest instruction set.
    using SharpenFn = void (*)(BYTE* pixel, const BYTE* original, int n, int amount, int threshold);

private:
    SharpenFn m_sharpen[2] = {nullptr, nullptr}; // chosen by PrepareImage
    FCObjImage m_copy;
    int m_amount;
    int m_threshold;
};

// Soft glow: the image screened with its blur after brightness and contrast; 32-bit pixels keep
// their alpha.
class FCEffectSoftGlow : public FCEffectBlur_Gauss
{
public:
    // brightness and contrast -100..100 (clamped by the sub-effect).
    FCEffectSoftGlow(int radius, int brightness, int contrast);
    ~FCEffectSoftGlow() override;

    void PrepareImage(FCObjImage& image) override;
    void CombinePixel(FCObjImage& image, int x, int y, BYTE* pixel) override;

private:
    FCObjImage m_copy;
    std::unique_ptr<FCEffectBrightnessContrast> m_brightnessContrast;
};

// Soft portrait: the blur (radius 3 x softening) after brightness, overlaid with the image's
// luminance, shifted towards red and away from blue by the warmth; 32-bit pixels keep their alpha.
class FCEffectSoftPortrait : public FCEffectBlur_Gauss
{
public:
    // brightness clamped to -100..100, warmth to 0..100.
    FCEffectSoftPortrait(int softening, int brightness, int warmth);
    ~FCEffectSoftPortrait() override;

    void PrepareImage(FCObjImage& image) override;
    void CombinePixel(FCObjImage& image, int x, int y, BYTE* pixel) override;

private:
    FCObjImage m_copy;
    int m_warmth;
    std::unique_ptr<FCEffectBrightnessContrast> m_brightnessContrast;
};

// Overlay of b on a, both 0..255, with a rounded division by 255.
BYTE OverlayBlend(int a, int b);

// For tests: true makes the blur's loops of opaque pixels that take fused products (at AVX-512)
// doubt every result and make it again as the plain loop does, until set back to false.
void DoubtFusedGaussResultsForTesting(bool doubt);
