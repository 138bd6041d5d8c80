// Flips, right-angle turns, doubling and halving: parameterless per-pixel effects of the image
// menu. The five that change the layout keep the picture as it was in a backup and rebuild the
// image in PrepareImage; each per-pixel call then reads only the backup. In a run each row is
// done at once, with the bytes of its pixels done one by one.
#pragma once

#include "imagelib/FCImageEffect.h"

// Rows exchanged top to bottom ("Miroir Vertical"); works in place, the upper member of each
// pair of rows does the exchange.
class FCEffectFlip : public FCImageEffect
{
public:
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;
    void ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel,
                            FCEffectThreadState* state) override;
};

// Columns exchanged left to right ("Miroir Horizontal"); the left member of each pair acts.
class FCEffectMirror : public FCImageEffect
{
public:
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;
    void ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel,
                            FCEffectThreadState* state) override;
};

// A quarter turn clockwise: W x H becomes H x W, the top-left pixel ends at the top right.
class FCEffectRotate90 : public FCImageEffect
{
public:
    void PrepareImage(FCObjImage& image) override;
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;
    void ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel,
                            FCEffectThreadState* state) override;

protected:
    FCObjImage m_backup;
};

// A quarter turn anticlockwise; sized like the clockwise turn.
class FCEffectRotate270 : public FCEffectRotate90
{
public:
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;
    void ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel,
                            FCEffectThreadState* state) override;
};

// A half turn.
class FCEffectRotate180 : public FCImageEffect
{
public:
    void PrepareImage(FCObjImage& image) override;
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;
    void ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel,
                            FCEffectThreadState* state) override;

private:
    FCObjImage m_backup;
};

// Doubles both sides: source pixels at the even positions, averages of two or four neighbours
// between them, copies on the last row and column.
class FCEffectDilate : public FCImageEffect
{
public:
    void PrepareImage(FCObjImage& image) override;
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;
    void ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel,
                            FCEffectThreadState* state) override;

private:
    FCObjImage m_backup;
};

// Halves both sides, each pixel the truncated mean of a 2 x 2 block; an odd last row or column is
// dropped. Images 1 pixel wide or high are refused: halving them would leave no pixels.
class FCEffectReduce : public FCImageEffect
{
public:
    bool AcceptsImage(const FCObjImage& image) override;
    // A row costs little next to the start of a thread that slept: the halving shares its rows
    // out itself, in small bands that the run's threads take in turn, so that a thread late to
    // wake holds up no other.
    int GetProcessMode() const override { return kProcessWholeImage; }
    // Moves the image into the backup and makes the halved one, whose bytes ApplyToImage writes.
    void PrepareImage(FCObjImage& image) override;
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override;
    // Every row, its padding included. Progress after each row, in order from the top. After a
    // stop no report follows and no band starts, those in hand are finished and the rows left
    // unmade are cleared; a halving that starts stopped makes its first row only.
    void ApplyToImage(FCObjImage& image, FCProgressObserver* observer) override;

    // Makes width pixels from pairs of pixels of the rows top and bottom.
    using RowFn = void (*)(const BYTE* top, const BYTE* bottom, int width, BYTE* out);

private:
    FCObjImage m_backup;
    RowFn m_row = nullptr; // the row loop of the run's instruction set, chosen by PrepareImage
};

// Moves the image into backup and recreates it at width x height with the same depth (zero
// pixels). When the new image cannot be had, the image is left as it was and the backup empty,
// which makes the per-pixel calls of the effects above do nothing.
bool SwapIntoBackupAndRecreate(FCObjImage& image, FCObjImage& backup, long long width, long long height);
