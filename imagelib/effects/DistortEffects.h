// Free rotation and bilinear distortions: every pixel of the new image is mapped to a point of
// the picture as it was and interpolated there (in a run, a row at a time, the depth and the
// vector loops chosen once per row or per run, with the arithmetic of the pixel on its own). The free
// rotation grows the image to the bounding box of the turned rectangle; the rhombus (shear) and the trapezium
// grow it by the offsets and fade to black at the edges of the shape.
#pragma once

#include "imagelib/FCImageEffect.h"

#include <cstdint>

// Turns (x, y) in place about (cx, cy) by angle radians, in a frame whose vertical axis points
// up: on screen, where y grows downwards, a positive angle turns the point clockwise.
void RotatePoint(double* x, double* y, double cx, double cy, double angle);

// Maps each destination pixel to a source point (MapToSource) and interpolates there from the
// four neighbouring source pixels; neighbours outside the source count as the background colour.
class FCEffectBilinearDistort : public FCImageEffect
{
public:
    // background: 0xAARRGGBB.
    explicit FCEffectBilinearDistort(std::uint32_t background);

    // Needs at least 2 x 2 pixels of 24 or 32 bits.
    bool AcceptsImage(const FCObjImage& image) override;
    // Takes a copy of the image as the source; the image itself is left for subclasses to size.
    void PrepareImage(FCObjImage& image) override;
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;
    void ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel,
                            FCEffectThreadState* state) override;

    // The source point of destination pixel (x, y).
    virtual void MapToSource(int x, int y, double* sx, double* sy) = 0;

    // Bilinear interpolation at (fx, fy) in [0, 1) between p00, its right neighbour p10, the one
    // below it p01 and p11. At 32 bits, unless the four are opaque, colours are weighted by their
    // alpha; a fully transparent result is white with alpha 0.
    static RGBQUAD SampleBilinear(double fx, double fy, int bpp, const BYTE* p00, const BYTE* p10,
                                  const BYTE* p01, const BYTE* p11);

    RGBQUAD Background() const { return m_background; }

protected:
    RGBQUAD m_background; // bytes B, G, R, A
    FCObjImage m_source;
};

// Free rotation by angle radians (positive turns the picture clockwise on screen). Pixels outside
// the turned rectangle get the background colour.
class FCEffectRotate : public FCEffectBilinearDistort
{
public:
    FCEffectRotate(double angle, std::uint32_t background);

    // The rows are independent but their work is not: where the turned picture is wide they
    // cost several times what they cost near its corners. The rotation shares its rows out
    // itself, in small bands that the run's threads take in turn.
    int GetProcessMode() const override { return kProcessWholeImage; }
    void PrepareImage(FCObjImage& image) override;
    void MapToSource(int x, int y, double* sx, double* sy) override;
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;
    // Progress after each row, in order from the top. After a stop no report follows and no
    // band starts, those in hand are finished; a rotation that starts stopped makes its first
    // row only.
    void ApplyToImage(FCObjImage& image, FCProgressObserver* observer) override;

    int NewWidth() const { return m_newWidth; }
    int NewHeight() const { return m_newHeight; }

private:
    double m_angle;
    int m_newWidth = 0;
    int m_newHeight = 0;
    // Of the inverse turn (2 pi - angle), evaluated once in PrepareImage.
    double m_cos = 1.0;
    double m_sin = 0.0;
    // The centre of the turn and the shift back into the source, set with the new size.
    double m_centreX = 0.0, m_centreY = 0.0;
    double m_shiftX = 0.0, m_shiftY = 0.0;
};

// Shear into a rhombus: the bottom side moves by dx, the right side by dy (either sign); the
// image grows to (W + |dx|) x (H + |dy|).
class FCEffectLosange : public FCImageEffect
{
public:
    FCEffectLosange(int dx, int dy);

    // Shares its rows out itself as the free rotation does, in small bands that the run's threads
    // take in turn: the work stays even when a thread runs slower than the others.
    int GetProcessMode() const override { return kProcessWholeImage; }
    void PrepareImage(FCObjImage& image) override;
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;
    // As the free rotation's.
    void ApplyToImage(FCObjImage& image, FCProgressObserver* observer) override;

private:
    int m_dx;
    int m_dy;
    float m_kx = 0.0f;
    float m_ky = 0.0f;
    int m_offsetX = 0;
    int m_offsetY = 0;
    FCObjImage m_backup;
};

// Trapezium: a positive dx keeps the bottom side at the source width, centred, and spreads the
// top side over the new width (a negative dx the other way round); dy does the same for the right
// and left sides. The image grows to (W + |dx|) x (H + |dy|).
class FCEffectTrapeze : public FCImageEffect
{
public:
    FCEffectTrapeze(int dx, int dy);

    void PrepareImage(FCObjImage& image) override;
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;
    void ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel,
                            FCEffectThreadState* state) override;

private:
    // Pixels x0 .. x1 - 1 of row y, N bytes each, pixel pointing at the first of them.
    template <int N> void TrapezePixels(const FCObjImage& image, int x0, int x1, int y, BYTE* pixel) const;

    int m_dx;
    int m_dy;
    int m_halfDx = 0;
    int m_halfDy = 0;
    // 1 / W', 1 / H', 1 / 2W', 1 / 2H' of the new size.
    float m_invW = 0.0f, m_invH = 0.0f, m_inv2W = 0.0f, m_inv2H = 0.0f;
    FCObjImage m_backup;
};

// The interpolation shared by the rhombus and the trapezium: bilinear inside the source, fading
// to black across the outer edge of the first and last rows and columns, black outside (alpha 0
// at 32 bits, 255 wherever a colour is produced). Writes the pixel in the source's format.
void SampleFadingEdges(const FCObjImage& source, float sx, float sy, BYTE* pixel);
