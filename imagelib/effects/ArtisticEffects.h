// Painterly and stylising effects: oil paint, mosaic, splash (random scatter), noise reduction
// ("Déparasitage"), pencil sketch and old photo. The first four are per-pixel effects that read a
// copy taken in PrepareImage, coordinates outside the image clamped to its edge; pencil sketch and
// old photo finish each blurred pixel of a Gaussian blur with a chain of owned sub-effects.
#pragma once

#include "imagelib/FCImageEffect.h"
#include "imagelib/effects/GaussBlurEffects.h"

#include <cstdint>
#include <memory>
#include <vector>

// Deletes every non-null effect of [first, last) and leaves null in its slot.
void DeleteEffectRange(FCImageEffect** first, FCImageEffect** last);

// Each pixel takes the mean colour of the most frequent intensity level in the square of side
// 2 x radius + 1 around it (ties go to the lower level). Alpha is kept.
class FCEffectOilPaint : public FCImageEffect
{
public:
    // radius clamped to 1..1000 (the counts of a wider window would overflow), levels to 3..255.
    FCEffectOilPaint(int radius, int levels);

    void PrepareImage(FCObjImage& image) override;
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;
    // A band keeps the window's counts and slides them one column at a time along each row.
    std::unique_ptr<FCEffectThreadState> CreateThreadState(const FCObjImage& image) override;
    void ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel,
                            FCEffectThreadState* state) override;

private:
    struct Scan;
    void PaintPixel(Scan& scan, int x, int y, BYTE* pixel) const;

    int m_radius;
    int m_levels;
    FCObjImage m_intensity; // 8 bits: the level of each pixel, 0..levels
    FCObjImage m_copy;
};

// Blocks of blockSize x blockSize pixels (cut at the right and bottom edges) filled with their
// alpha-weighted mean; a fully transparent block becomes transparent black.
class FCEffectMosaic : public FCImageEffect
{
public:
    // blockSize at least 2.
    explicit FCEffectMosaic(int blockSize);

    // Copies the image and works out every block's mean from it.
    void PrepareImage(FCObjImage& image) override;
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;
    // A row at once: runs of pixels of one block take its mean.
    void ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel,
                            FCEffectThreadState* state) override;

    // The mean of the block whose top-left pixel is (x, y), from the copy: alpha the mean alpha,
    // colours weighted by alpha, all truncated (alpha 255 for 24-bit pixels).
    RGBQUAD GetBlockAverage(int x, int y) const;

private:
    int m_blockSize;
    FCObjImage m_copy;
    std::vector<RGBQUAD> m_blocks; // row after row of blocks
    int m_blocksAcross = 0;
};

// Each pixel takes the pixel of the copy at a random offset of -size/2 .. size - 1 - size/2 in
// each direction (edges clamped); alpha moves with the colour.
class FCEffectSplash : public FCImageEffect
{
public:
    // size at least 3.
    explicit FCEffectSplash(int size);

    void PrepareImage(FCObjImage& image) override;
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;

private:
    int m_size;
    FCObjImage m_copy;
};

// "Déparasitage": each channel moves away from the value a histogram equalisation of its disc of
// the given radius would give it, by strength x (0.2 - 0.15 x luminance / 255), which flattens
// local contrast. Alpha is kept.
class FCEffectReduceNoise : public FCImageEffect
{
public:
    // radius clamped to 0..100; a strength that is not a number counts as 0.
    explicit FCEffectReduceNoise(int radius = 10, double strength = 0.4);

    void PrepareImage(FCObjImage& image) override;
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;
    // A band keeps the disc's histograms and slides them along each row and down the first column.
    std::unique_ptr<FCEffectThreadState> CreateThreadState(const FCObjImage& image) override;
    void ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel,
                            FCEffectThreadState* state) override;

    // Cells of the disc (valid after PrepareImage).
    int GetMaskCount() const { return m_maskCount; }

    struct Offset
    {
        int dx, dy;
    };

private:
    struct Scan;
    void FilterPixel(Scan& scan, int x, int y, BYTE* pixel) const;

    int m_radius;
    double m_strength;
    int m_maskCount = 0;
    // The disc's histograms around (0, 0), red, green, blue.
    int m_columnHistogram[3][256] = {};
    // Sliding the disc one pixel right: the cells it gains and those it loses; one pixel down the
    // same.
    std::vector<Offset> m_addOnRight, m_removeOnRight, m_addOnDown, m_removeOnDown;
    std::vector<Offset> m_disc;
    // The sideways offsets as byte distances in the copy, for pixels whose disc stays inside.
    std::vector<std::ptrdiff_t> m_addOnRightBytes, m_removeOnRightBytes;
    FCObjImage m_copy;
};

// Pencil sketch: the grey image dodged by its blurred, brightened, inverted grey. 32-bit pixels
// keep their alpha.
class FCEffectPencilSketch : public FCEffectBlur_Gauss
{
public:
    FCEffectPencilSketch(int pencilSize, int roughness);
    ~FCEffectPencilSketch() override;

    void PrepareImage(FCObjImage& image) override;
    void CombinePixel(FCObjImage& image, int x, int y, BYTE* pixel) override;

private:
    // Brightness and contrast (roughness, -roughness), the negative, grey.
    std::vector<FCImageEffect*> m_subEffects;
    FCObjImage m_copy;
};

// Old photo: the blur in grey, through brightness and contrast, warmed by a colour balance of the
// shadows (more red, less blue, lightness kept). The alpha is the blurred alpha.
class FCEffectOldPhoto : public FCEffectBlur_Gauss
{
public:
    FCEffectOldPhoto(int softening, int brightness, int contrast);
    ~FCEffectOldPhoto() override;

    void PrepareImage(FCObjImage& image) override;
    void CombinePixel(FCObjImage& image, int x, int y, BYTE* pixel) override;

private:
    // Grey, brightness and contrast, colour balance.
    std::vector<FCImageEffect*> m_subEffects;
};
