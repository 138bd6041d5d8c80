// The 3 x 3 order and morphological filters: minimum (erosion), maximum (dilation), median, and
// one step of thinning towards a skeleton. Each channel B, G, R is filtered on its own over the
// 3 x 3 window of a copy taken in PrepareImage, coordinates clamped to the image edge (so a corner
// pixel counts four times in its own window); the alpha byte is never written.
#pragma once

#include "imagelib/FCImageEffect.h"
#include "imagelib/effects/NeighbourhoodRows.h"

// The smallest value of the window ("M&inimum", "Erosion").
class FCEffectMinimum : public neighbour::FCNeighbourhoodEffect
{
public:
    void PrepareImage(FCObjImage& image) override;

private:
    bool ComputeResultRow(int y, BYTE* out, neighbour::RowScratch& scratch) const override;
};

// The largest value of the window ("M&aximum", "Dilatation").
class FCEffectMaximum : public neighbour::FCNeighbourhoodEffect
{
public:
    void PrepareImage(FCObjImage& image) override;

private:
    bool ComputeResultRow(int y, BYTE* out, neighbour::RowScratch& scratch) const override;
};

// The median of the window ("&Médian").
class FCEffectMedian : public neighbour::FCNeighbourhoodEffect
{
public:
    void PrepareImage(FCObjImage& image) override;

    // The median (the fifth smallest) of nine values, each 0..255; the window is only read.
    static BYTE Median9(const int window[9]);

private:
    bool ComputeResultRow(int y, BYTE* out, neighbour::RowScratch& scratch) const override;
};

// One parallel thinning step ("Squelettisation"): every pixel is decided from the copy, so all
// the border pixels that match a template are removed at once. Repeating the effect thins further.
class FCEffectSquelettisation : public neighbour::FCNeighbourhoodEffect
{
public:
    void PrepareImage(FCObjImage& image) override;

    // 0 when one of eight templates matches the window (w0..w8 row by row, w4 the centre), else
    // the centre value. A template asks three values to be "set" (the bitwise AND of each with the
    // centre is non-zero) and the three opposite ones to be 0: the right column set and the left
    // one clear, the bottom-right corner set and the top-left one clear, and so on round the
    // compass.
    static BYTE ThinPixel(const int window[9]);

private:
    bool ComputeResultRow(int y, BYTE* out, neighbour::RowScratch& scratch) const override;
};
