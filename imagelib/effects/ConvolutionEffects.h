// Convolution effects: a square integer kernel with a divisor and an offset, sharpening built on
// it, and relief (a kernel of cosines turned by an angle, applied to the luminance). All three
// read their windows from a copy taken in PrepareImage, with the edge pixels repeated outward,
// and never write the alpha byte.
#pragma once

#include "imagelib/FCImageEffect.h"
#include "imagelib/effects/NeighbourhoodRows.h"

#include <cstdint>
#include <vector>

// A 3 x 3 kernel of the image menu, weights row by row.
struct FCConvolutionKernel3x3
{
    int weights[9];
    int divisor;
    int offset;
};

// "&Laplacien": edges around mid-grey.
inline constexpr FCConvolutionKernel3x3 kKernelLaplacien{{-1, -1, -1, -1, 8, -1, -1, -1, -1}, 1, 128};
// "Passe &Bas": a small smoothing.
inline constexpr FCConvolutionKernel3x3 kKernelPasseBas{{1, 2, 1, 2, 4, 2, 1, 2, 1}, 16, 0};
// "Passe &Haut": the picture plus its edges.
inline constexpr FCConvolutionKernel3x3 kKernelPasseHaut{{-1, -2, -1, -2, 28, -2, -1, -2, -1}, 16, 0};

// Every channel of a pixel becomes offset + (sum of weight x value over the window) / divisor,
// the division truncating toward zero, clamped to 0..255. The window of a kernel of side s covers
// columns x - s/2 .. x - s/2 + s - 1 and the same rows; coordinates outside the image are clamped
// to its edge. Sums are kept in 64 bits, so kernels with very large weights cannot overflow.
class FCEffectConvolute : public neighbour::FCNeighbourhoodEffect
{
public:
    // An empty kernel (size 0): every pixel gets the clamped offset, 0.
    FCEffectConvolute();

    // Replaces the kernel by size x size weights read row by row; the divisor is raised to at
    // least 1. Nothing happens when kernel is null or size < 1 (or the memory cannot be had).
    void SetKernel(const int* kernel, int size, int divisor, int offset);

    void PrepareImage(FCObjImage& image) override;

    int KernelSize() const { return m_size; }
    int Divisor() const { return m_divisor; }
    int Offset() const { return m_offset; }
    const int* Kernel() const { return m_pKernel; }

protected:
    // Result row y of the convolution of the copy, every byte of the row in the copy's layout
    // (alpha bytes too, which callers do not store). False when scratch memory cannot be had.
    bool ComputeResultRow(int y, BYTE* out, neighbour::RowScratch& scratch) const override;
    // The same from the rows of the window, rows[0..size-1] top to bottom (already clamped to the
    // image), of width pixels of step bytes, with the AVX2 row loops or the baseline ones.
    void ConvolveRows(const BYTE* const* rows, int width, int step, BYTE* out, bool avx2) const;

    std::vector<int> m_kernel; // size x size weights, row by row
    const int* m_pKernel = nullptr;
    int m_size = 0;
    int m_divisor = 1;
    int m_offset = 0;

private:
    // How the rows are computed, worked out whenever the kernel changes.
    struct Tap
    {
        int row;    // window row, 0..size-1
        int dx;     // column offset from the pixel
        int weight; // never 0
    };
    void PlanKernel();
    void ConvolveEdgePixel(const BYTE* const* rows, int x, int width, int step, BYTE* out) const;

    std::vector<Tap> m_taps;
    bool m_sums32 = true; // the largest possible sum fits comfortably in 32 bits
    int m_division = 0;   // how 32-bit sums are divided (see the source)
    int m_offset32 = 0;   // the offset brought near the range of the sums: same results
};

// Sharpening: the kernel -1 -1 -1 / -1 amount+8 -1 / -1 -1 -1 with divisor max(1, amount). Its
// weights sum to amount, so flat areas keep their value when amount >= 1; amount 0 keeps only
// the edges.
class FCEffectSharp : public FCEffectConvolute
{
public:
    explicit FCEffectSharp(int amount);
};

// Relief: the luminance (59 G + 30 R + 11 B) / 100 of the 3 x 3 window through a kernel of
// cosines turned by the angle, plus 128, written as grey.
class FCEffectEmboss : public neighbour::FCNeighbourhoodEffect
{
public:
    // The angle in degrees, brought into 0..359 by whole turns.
    explicit FCEffectEmboss(int angleDegrees);

    void PrepareImage(FCObjImage& image) override;

    // The nine weights, row by row.
    const double* Kernel() const { return m_kernel; }

private:
    bool ComputeResultRow(int y, BYTE* out, neighbour::RowScratch& scratch) const override;

    double m_kernel[9];
};
