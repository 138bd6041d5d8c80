// Edge and contour detection: first-derivative magnitudes (Prewitt, Sobel), the Kirsch compass
// gradient and a normalised contour built on it, the two-pass Laplacian contours with zero-crossing
// marking, and the Canny operator. Every effect works on B, G and R separately (a colour picture
// gives colour contours), reads neighbours from the picture as it was before (a copy taken in
// PrepareImage; the whole-image effects keep copies of rows instead), with coordinates clamped to
// the image edge, and never writes the alpha byte.
#pragma once

#include "imagelib/FCImageEffect.h"
#include "imagelib/PixelHelpers.h"
#include "imagelib/effects/ConvolutionEffects.h"
#include "imagelib/effects/NeighbourhoodRows.h"

// |Gx| + |Gy| capped at 255, where Gx is the right column of the 3 x 3 window minus the left one
// and Gy the bottom row minus the top one, the middle values weighted N: N = 1 is Prewitt
// ("Prewitt"), N = 2 Sobel ("Sobel").
template <int N> class FCEffectSimpleContour : public neighbour::FCNeighbourhoodEffect
{
    static_assert(N == 1 || N == 2, "Prewitt (1) or Sobel (2)");

public:
    void PrepareImage(FCObjImage& image) override;

protected:
    bool ComputeResultRow(int y, BYTE* out, neighbour::RowScratch& scratch) const override;
};

extern template class FCEffectSimpleContour<1>;
extern template class FCEffectSimpleContour<2>;

// The Kirsch compass gradient ("Dérivée &Gradient").
class FCEffectGradientBase : public neighbour::FCNeighbourhoodEffect
{
public:
    void PrepareImage(FCObjImage& image) override;

    // The eight compass responses of a window (w0..w8 row by row; the centre takes no part). The
    // ring round the centre is w0, w1, w2, w5, w8, w7, w6, w3; the response of direction d is 5
    // times the three ring values d, d + 1, d + 2 (counted round the ring, so direction 6 takes w6,
    // w3 and w0) minus 3 times the five others.
    static void KirschResponses(const int window[9], int responses[8]);
    // The largest absolute response, halved (>> 1), capped at 255.
    static BYTE KirschMagnitude(const int window[9]);

protected:
    bool ComputeResultRow(int y, BYTE* out, neighbour::RowScratch& scratch) const override;
};

// A normalised Kirsch contour with a threshold ("Contours gradient optimisé").
class FCEffectContoursGradient : public FCEffectGradientBase
{
public:
    // threshold 1..100 (the dialog's range; 10 by default), kept as threshold x 0.1. Values below
    // 1 are taken as 1: a threshold of 0 would divide by zero.
    explicit FCEffectContoursGradient(int threshold);

    // From the absolute Kirsch responses a1..a8: mn and mx the smallest and largest, rms =
    // sqrt(max(sum of squares, 1) x 0.125), d = (mn - rms) / (mx - mn) when mx - mn exceeds the
    // threshold, else (mn - rms) / threshold; the value is trunc((w5 - d) x 128 / rms), clamped to
    // 0..255. It reads w5, the right neighbour, and not the centre.
    BYTE ContourValue(const int window[9]) const;

    double Threshold() const { return m_threshold; }

private:
    bool ComputeResultRow(int y, BYTE* out, neighbour::RowScratch& scratch) const override;

    double m_threshold;
};

// Zero-crossing marking of a pixel p from its right neighbour r, the one below b and the one below
// right d (values of a Laplacian around 128): 0 unless p and one of them lie on either side of the
// dead band 125..131 (p >= 132 and q < 125, or p < 125 and q >= 132). Otherwise 2 x the largest
// difference: the larger in magnitude of p - r and p - b (p - b on a tie), then of that and p - d
// (p - d on a tie); capped at 255.
BYTE ZeroCrossing2x2(int p, int r, int b, int d);

// The Laplacian kernels of the contour filters, over a window w0..w8 (centre w4), plus 128,
// clamped to 0..255.
// 4 w4 - 2 (w1 + w3 + w5 + w7) + (w0 + w2 + w6 + w8) + 128 ("Contours Laplacien 2").
inline BYTE FCEffectContoursLaplacien2(const int w[9])
{
    return ClampToByte(4 * w[4] - 2 * (w[1] + w[3] + w[5] + w[7]) + (w[0] + w[2] + w[6] + w[8]) + 128);
}
// 4 w4 - (w1 + w3 + w5 + w7) + 128 ("Contours Laplacien 4").
inline BYTE FCEffectContoursLaplacien4(const int w[9])
{
    return ClampToByte(4 * w[4] - (w[1] + w[3] + w[5] + w[7]) + 128);
}
// 8 w4 - (the eight neighbours) + 128 ("Contours Laplacien").
inline BYTE FCEffectContoursLaplacien8(const int w[9])
{
    return ClampToByte(8 * w[4] - (w[0] + w[1] + w[2] + w[3] + w[5] + w[6] + w[7] + w[8]) + 128);
}

// Laplacian contours, a whole-image effect in two passes over the image: the kernel applied to the
// picture as it was, then MarkZeroCrossing on every pixel in place (it reads only the right and
// lower neighbours, which that pass has not written yet). Progress goes 0..50 over the first pass
// and 50..100 over the second; after a stop the pass ends with its row and the next one after its
// first row. The first pass keeps copies of the rows it still needs instead of a copy of the
// whole image. The class is final: the second pass marks a row at a time, exactly as
// MarkZeroCrossing would pixel by pixel.
template <BYTE (*Kernel)(const int*)> class FCEffectContoursFilter final : public FCImageEffect
{
public:
    int GetProcessMode() const override { return kProcessWholeImage; }
    void ApplyToImage(FCObjImage& image, FCProgressObserver* observer) override;

    // Writes into the pixel, per channel, ZeroCrossing2x2 of the pixel and its right, lower and
    // lower-right neighbours in the image (coordinates clamped).
    virtual void MarkZeroCrossing(FCObjImage& image, int x, int y, BYTE* pixel);
};

extern template class FCEffectContoursFilter<&FCEffectContoursLaplacien2>;
extern template class FCEffectContoursFilter<&FCEffectContoursLaplacien4>;
extern template class FCEffectContoursFilter<&FCEffectContoursLaplacien8>;

// The Canny operator ("Opérateur de canny"), a whole-image effect: Gaussian smoothing (3 x 3 / 16
// or 5 x 5 / 159), the gradient |up - down| + |left - right| of the smoothed picture, optionally
// the suppression of the points that are not maxima along the gradient, then a stretch of B, G and
// R that maps their largest value to 255. Progress: smoothing 0..50, gradient 50..75 (50..100
// without suppression), suppression 75..100. The stretch also runs after a stop. Each pass
// rewrites the image in place, keeping copies of the rows its windows still need, so no copy of
// the whole image is taken.
class FCEffectContoursCanny : public FCEffectConvolute
{
public:
    FCEffectContoursCanny(bool use5x5Smoothing, bool suppressNonMaxima);

    int GetProcessMode() const override { return kProcessWholeImage; }
    // Sets the smoothing kernel.
    void PrepareImage(FCObjImage& image) override;
    void ApplyToImage(FCObjImage& image, FCProgressObserver* observer) override;

    // From a window of the gradient picture (centre c = w4): gy = w1 - w7, gx = w3 - w5; the larger
    // in magnitude (gy on a tie) gives m. m = 0 gives 0. Otherwise the direction is quantised,
    // dx = floor(gx / m + 1.586) and dy = floor(gy / m + 1.586) (0, 1 or 2), and c survives only
    // when it is not below the neighbour at (dx - 1, dy - 1) nor the one opposite.
    static BYTE SuppressNonMaximum(const int window[9]);

private:
    bool m_use5x5Smoothing;
    bool m_suppressNonMaxima;
};
