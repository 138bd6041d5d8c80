// What the neighbourhood effects (convolution, morphology, contours) share: clamped window rows
// of the copy they take in PrepareImage, the working rows of each band, and the per-pixel base
// that computes a whole row of results at once.
#pragma once

#include "imagelib/FCImageEffect.h"
#include "imagelib/FCObjImage.h"
#include "imagelib/effects/VectorDispatch.h"

#include <algorithm>
#include <memory>

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace neighbour
{
// v clamped into 0..n-1 (n >= 1).
inline int ClampIndex(int v, int n)
{
    return v < 0 ? 0 : (v >= n ? n - 1 : v);
}

// Row y of the image, y clamped into the image.
inline const BYTE* ClampedRow(const FCObjImage& image, int y)
{
    return image.RowAddress(ClampIndex(y, image.Height()));
}

// The 3x3 window of channel byte `channel` (0..bytes per pixel - 1) of pixel x, from the rows
// above, at and below the pixel, x clamped into 0..width-1; w[0..8] row by row.
inline void GatherWindow3x3(const BYTE* above, const BYTE* row, const BYTE* below, int x, int width, int step,
                            int channel, int w[9])
{
    const int l = (x > 0 ? x - 1 : 0) * step + channel;
    const int m = x * step + channel;
    const int r = (x + 1 < width ? x + 1 : width - 1) * step + channel;
    w[0] = above[l], w[1] = above[m], w[2] = above[r];
    w[3] = row[l], w[4] = row[m], w[5] = row[r];
    w[6] = below[l], w[7] = below[m], w[8] = below[r];
}

// Runs a per-channel 3x3 window function over one row into `out` (the row's layout, every byte
// of every pixel, alpha bytes included), from the rows above, at and below it. The interior
// pixels 1..width-2 go through interior(above, row, below, step, firstByte, endByte, out), which
// reads the bytes i - step, i and i + step of the three rows for every byte i of
// [firstByte, endByte); the first and last pixels through window(w) on windows clamped to the edge.
template <class Interior, class Window>
void RunWindowRow3x3(const BYTE* above, const BYTE* row, const BYTE* below, int width, int step, BYTE* out,
                     Interior&& interior, Window&& window)
{
    if (width > 2) interior(above, row, below, step, step, (width - 1) * step, out);
    int w[9];
    for (int x : {0, width - 1})
    {
        for (int c = 0; c < step; ++c)
        {
            GatherWindow3x3(above, row, below, x, width, step, c, w);
            out[x * step + c] = window(w);
        }
        if (width == 1) break;
    }
}

// The same over row y of `source`, rows clamped to the image.
template <class Interior, class Window>
void RunWindowRow3x3(const FCObjImage& source, int y, BYTE* out, Interior&& interior, Window&& window)
{
    RunWindowRow3x3(ClampedRow(source, y - 1), ClampedRow(source, y), ClampedRow(source, y + 1),
                    source.Width(), source.ColorBits() / 8, out, interior, window);
}

// Working rows of one band or pass: one buffer per slot (0..5), kept from one call to the next;
// null when the memory cannot be had. Slot 0 holds the result rows of SourceCopy. The instruction
// set of the row loops is chosen once, when the scratch is made.
class RowScratch
{
public:
    BYTE* Slot(int slot, std::size_t bytes);
    bool Avx2() const { return m_avx2; }
    bool Avx512() const { return m_avx512; }

private:
    std::vector<BYTE> m_slots[6];
    bool m_avx2 = UseAvx2();
    bool m_avx512 = UseAvx512();
};

// The state of one band of a per-pixel neighbourhood effect: its working rows.
struct RowState : FCEffectThreadState
{
    RowScratch scratch;
};

// The rows of an image as they were before a pass that rewrites it in place from the top. While
// row y is being made, the rows at or above it come from saved copies and the rows below, which
// the pass has not reached, from the image itself. reach (1 or 2) is how far the pass's windows
// look up and down; the copies take slots 3 to 5 of the scratch rows given.
class RowsBeforePass
{
public:
    RowsBeforePass(const FCObjImage& image, int reach, RowScratch& scratch);
    // Whether the copies could be had.
    bool Ready() const { return m_ready; }
    // Saves row y before the pass writes it; rows are saved from the top, one after the other.
    void Save(int y);
    // Row v, clamped into the image, as it was before the pass; y - reach <= v for the row y saved
    // last.
    const BYTE* Row(int v) const
    {
        v = ClampIndex(v, m_image.Height());
        return v > m_last ? m_image.RowAddress(v) : m_saved[v % (m_reach + 1)];
    }

private:
    const FCObjImage& m_image;
    int m_reach;
    int m_last = -1;
    bool m_ready = true;
    BYTE* m_saved[3] = {nullptr, nullptr, nullptr};
};

// Copies the B, G and R bytes of a result row into an image row, keeping the image's alpha bytes.
void StoreColourBytes(BYTE* dest, const BYTE* result, int width, int step);

// The copy of the image a per-pixel neighbourhood effect reads, taken in PrepareImage.
class SourceCopy
{
public:
    // Copies the image, a large one on the threads of the run (the copy is the only part of these
    // effects that the bands cannot share). The copy is left empty when its memory cannot be had.
    void Take(const FCObjImage& image);

    const FCObjImage& Image() const { return m_image; }
    // Whether the copy has the size and depth of the image (it was taken from it).
    bool Matches(const FCObjImage& image) const
    {
        return m_image.HasBits() && image.HasBits() && image.Width() == m_image.Width() &&
               image.Height() == m_image.Height() && image.ColorBits() == m_image.ColorBits();
    }

    // What ApplyToPixelsOfRow of these effects does: computes result row y with
    // computeRow(out, scratch) -> bool (false when its own working memory cannot be had), in the
    // copy's row layout, then copies the B, G and R bytes of its pixels into the image row (as
    // far as both reach). Nothing is written when nothing was prepared, y lies outside the copy,
    // or memory is short.
    template <class Compute>
    void ApplyToRow(int y, BYTE* row, int width, RowScratch& scratch, Compute&& computeRow) const
    {
        if (!m_image.HasBits() || y < 0 || y >= m_image.Height()) return;
        const int step = m_image.ColorBits() / 8;
        BYTE* out = scratch.Slot(0, std::size_t(m_image.Width()) * std::size_t(step));
        if (!out || !computeRow(out, scratch)) return;
        StoreColourBytes(row, out, std::min(width, m_image.Width()), step);
    }

    // The same for one pixel on its own (outside a run): the whole row is worked out for it.
    template <class Compute> void ApplyToPixel(int x, int y, BYTE* pixel, Compute&& computeRow) const
    {
        if (!m_image.HasBits() || y < 0 || y >= m_image.Height() || x < 0 || x >= m_image.Width()) return;
        RowScratch scratch;
        const int step = m_image.ColorBits() / 8;
        BYTE* out = scratch.Slot(0, std::size_t(m_image.Width()) * std::size_t(step));
        if (!out || !computeRow(out, scratch)) return;
        const BYTE* s = out + std::size_t(x) * std::size_t(step);
        pixel[0] = s[0];
        pixel[1] = s[1];
        pixel[2] = s[2];
    }

private:
    FCObjImage m_image;
};

// A per-pixel effect whose pixels are the B, G and R bytes of result rows computed from a copy
// of the image taken in PrepareImage, a whole row at once, in loops over the row's bytes that the
// compiler vectorises. A result row depends only on the copy and the effect's parameters, fixed
// once PrepareImage has run; so every band computes exactly the bytes a single thread would, and
// ApplyToPixel alone (outside a run) gives the same pixel.
class FCNeighbourhoodEffect : public FCImageEffect
{
public:
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) final;
    std::unique_ptr<FCEffectThreadState> CreateThreadState(const FCObjImage& image) final;
    void ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel,
                            FCEffectThreadState* state) final;

protected:
    // Result row y of the copy into out (the copy's width and layout, every byte of every pixel);
    // false when working memory cannot be had.
    virtual bool ComputeResultRow(int y, BYTE* out, RowScratch& scratch) const = 0;

    SourceCopy m_copy;
};

// The rows of the copy around row y, clamped: a per-channel 3 x 3 window function over row y.
template <class Interior, class Window>
bool WindowResultRow3x3(const FCObjImage& source, int y, BYTE* out, Interior&& interior, Window&& window)
{
    RunWindowRow3x3(source, y, out, interior, window);
    return true;
}
} // namespace neighbour
