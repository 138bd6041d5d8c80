// Directional blurs of the image menu: motion ("Flou de vitesse..."), radial ("Flou radial...")
// and zoom ("Flou zoom..."). Each is a per-pixel effect that averages samples of a copy taken in
// PrepareImage, weighted by the samples' alpha: when some sample has alpha, the result's alpha is
// the mean alpha of the samples and each colour their alpha-weighted mean (integer divisions);
// when every sample is transparent the pixel becomes white with alpha 0.
//
// Radial and zoom blurs work in 16.16 fixed point (v stands for v / 65536 pixels), computed in
// 64 bits so that images of any size work; results are those of 32-bit arithmetic wherever that
// does not overflow.
#pragma once

#include "imagelib/FCImageEffect.h"

#include <cstdint>
#include <vector>

// Samples along a straight line from the pixel in the direction of the angle (one way only),
// walked with Bresenham steps, at most `length` of them; the walk stops at the image edge.
class FCEffectBlur_Motion : public FCImageEffect
{
public:
    // length is raised to at least 1; angle in degrees, 0 to the right, 90 down the image. The
    // direction comes from the length given, before it is raised.
    FCEffectBlur_Motion(int length, int angle);

    void PrepareImage(FCObjImage& image) override;
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;
    void ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel,
                            FCEffectThreadState* state) override;

private:
    // N bytes a pixel in the copy.
    template <int N> void BlurPixel(int x, int y, BYTE* pixel) const;

    // Bresenham state; 64 bits so that no length overflows it.
    std::int64_t m_twiceMajor = 0;
    std::int64_t m_twiceMinor = 0;
    int m_stepX = 0;
    int m_stepY = 0;
    std::int64_t m_initialError = 0;
    int m_steep = 0;
    int m_length = 1;
    FCObjImage m_copy;

    // The walk is the same from every pixel: its offsets, and for each distance d to the edge the
    // walk moves towards, how many of its first samples stay within d on that axis.
    struct Offset
    {
        int dx, dy;
        std::ptrdiff_t bytes; // from the pixel's first byte in the copy
    };
    std::vector<Offset> m_offsets;
    std::vector<int> m_fitX, m_fitY;
};

// The copy of the radial and zoom blurs four bytes a pixel, kept in place of the image copy where
// every 16.16 value of a run fits 32 bits: rows are then worked out eight pixels at a time (the
// same values).
struct FCPackedCopy
{
    std::vector<std::uint32_t> pixels;
    int width = 0, height = 0;
    bool alpha = false;
};

// Samples on the circle through the pixel around a centre, 64 each way, over plus and minus the
// angle (scaled by 180/181) in 64 equal turns.
class FCEffectBlur_Radial : public FCImageEffect
{
public:
    // angle clamped to 0..360 degrees; offsets clamped to -2..2: the centre moves by offset x
    // image width (height) from the middle of the image.
    FCEffectBlur_Radial(int angle, double offsetX, double offsetY);

    void PrepareImage(FCObjImage& image) override;
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;
    void ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel,
                            FCEffectThreadState* state) override;

    // The span of the samples each way, in 16.16 radians.
    int AngleSpan() const { return m_angleSpan; }

private:
    // Pixels x0 .. x1 - 1 of row y, pixel pointing at the first of them.
    void ApplyToPixels(FCObjImage& image, int x0, int x1, int y, BYTE* pixel) const;

    int m_angle;
    double m_offsetX;
    double m_offsetY;
    std::int64_t m_centreX = 0; // 16.16
    std::int64_t m_centreY = 0;
    int m_angleSpan = 0;
    FCObjImage m_copy;
    FCPackedCopy m_packed;
};

// Samples on the segment from the pixel towards a centre: 64 steps, each pulling the offset
// towards the centre by strength / 16384 of itself.
class FCEffectBlur_Zoom : public FCImageEffect
{
public:
    // strength raised to at least 1; offsets as for the radial blur.
    FCEffectBlur_Zoom(int strength, double offsetX, double offsetY);

    void PrepareImage(FCObjImage& image) override;
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;
    void ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel,
                            FCEffectThreadState* state) override;

private:
    // Pixels x0 .. x1 - 1 of row y, pixel pointing at the first of them.
    void ApplyToPixels(FCObjImage& image, int x0, int x1, int y, BYTE* pixel) const;

    int m_strength;
    double m_offsetX;
    double m_offsetY;
    std::int64_t m_centreX = 0; // 16.16
    std::int64_t m_centreY = 0;
    FCObjImage m_copy;
    FCPackedCopy m_packed;
};
