// What the neighbourhood effects (convolution, morphology, contours) share: clamped window rows
// of the copy they take in PrepareImage, and a per-thread cache of finished result rows.
//
// The per-pixel effects of these families compute a whole row of results at once from their
// copy, in loops over the row's bytes that the compiler vectorises, keep the row in a buffer of
// the calling thread and hand it out pixel by pixel. ApplyToPixel still writes only the pixel it
// is given, and a row depends only on the copy and the effect's parameters, which are fixed once
// PrepareImage has run; so every band thread computes exactly the bytes a single thread would.
#pragma once

#include "imagelib/FCObjImage.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

// The hottest row loops are also built for AVX2, chosen at run time (the loops are the same, so
// are their results: integer arithmetic, and floating point without contraction). GCC only: clang
// does not multiversion templates.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__) &&     \
    !defined(__SANITIZE_THREAD__)
#define ORVALIS_SIMD_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define ORVALIS_SIMD_CLONES
#endif

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

// The rows of an image as they were before a pass that rewrites it in place from the top. While
// row y is being made, the rows at or above it come from saved copies and the rows below, which
// the pass has not reached, from the image itself. reach (1 or 2) is how far the pass's windows
// look up and down; the copies take scratch slots 3 to 5 of the calling thread.
class RowsBeforePass
{
public:
    RowsBeforePass(const FCObjImage& image, int reach);
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

// A buffer of the calling thread, one per slot (0..5), kept between calls; null when the memory
// cannot be had. Slot 0 holds the result rows of SourceCopy.
BYTE* ThreadScratch(int slot, std::size_t bytes);

// The result row the calling thread computed last: whose (a cache's identity, 0 for none), which
// row, and its bytes, in slot 0 of the thread's scratch space.
struct HeldResultRow
{
    std::uint64_t owner;
    int y;
    int width;
    int step;
    const BYTE* data;
};
inline thread_local HeldResultRow t_heldResultRow{0, -1, 0, 0, nullptr};

// The copy of the image a per-pixel neighbourhood effect reads, taken in PrepareImage, and the
// identity of the result rows computed from it in the per-thread cache.
class SourceCopy
{
public:
    SourceCopy() { Invalidate(); }

    // Copies the image, a large one on several threads (the copy is the only part of these
    // effects that the band threads cannot share); the rows computed from an earlier copy are never
    // handed out again. The copy is left empty when its memory cannot be had.
    void Take(const FCObjImage& image);
    // A new identity, for a change of the effect's parameters.
    void Invalidate();

    const FCObjImage& Image() const { return m_image; }
    // Whether the copy has the size and depth of the image (it was taken from it).
    bool Matches(const FCObjImage& image) const
    {
        return m_image.HasBits() && image.HasBits() && image.Width() == m_image.Width() &&
               image.Height() == m_image.Height() && image.ColorBits() == m_image.ColorBits();
    }

    // What ApplyToPixel of these effects does: copies the B, G and R bytes of pixel x of result
    // row y into the pixel. The row is computed by computeRow(out) -> bool (false when its own
    // scratch memory cannot be had), in the copy's row layout, when this thread does not hold it.
    // Nothing is written when nothing was prepared, (x, y) lies outside the copy, or memory is
    // short.
    template <class Compute> void ApplyToPixel(int x, int y, BYTE* pixel, Compute&& computeRow) const
    {
        if (!CopyHeldPixel(x, y, pixel)) ComputeRowAndCopy(x, y, pixel, computeRow);
    }

    // The same for an effect that works each channel over the 3 x 3 window (RunWindowRow3x3).
    template <class Interior, class Window>
    void ApplyWindow3x3(int x, int y, BYTE* pixel, Interior& interior, Window& window) const
    {
        if (!CopyHeldPixel(x, y, pixel)) ComputeWindowRowAndCopy(x, y, pixel, interior, window);
    }

private:
    // Copies pixel x of result row y when this thread holds that row (nothing when x lies outside
    // it); false when the thread does not hold it.
    bool CopyHeldPixel(int x, int y, BYTE* pixel) const
    {
        const HeldResultRow& held = t_heldResultRow;
        if (held.owner != m_id || held.y != y) return false;
        if (unsigned(x) < unsigned(held.width))
        {
            const BYTE* s = held.data + std::size_t(x) * std::size_t(held.step);
            pixel[0] = s[0];
            pixel[1] = s[1];
            pixel[2] = s[2];
        }
        return true;
    }

    // Makes result row y this thread's held row, then copies pixel x. Out of line, so that handing
    // out a held pixel stays cheap.
    template <class Compute>
    [[gnu::noinline]] void ComputeRowAndCopy(int x, int y, BYTE* pixel, Compute& computeRow) const
    {
        HeldResultRow& held = t_heldResultRow;
        if (!m_image.HasBits() || y < 0 || y >= m_image.Height()) return;
        held.owner = 0;
        const int step = m_image.ColorBits() / 8;
        BYTE* data = ThreadScratch(0, std::size_t(m_image.Width()) * std::size_t(step));
        if (!data || !computeRow(data)) return;
        held = HeldResultRow{m_id, y, m_image.Width(), step, data};
        CopyHeldPixel(x, y, pixel);
    }

    template <class Interior, class Window>
    [[gnu::noinline]] void ComputeWindowRowAndCopy(int x, int y, BYTE* pixel, Interior& interior,
                                                   Window& window) const
    {
        auto computeRow = [&](BYTE* out)
        {
            RunWindowRow3x3(m_image, y, out, interior, window);
            return true;
        };
        ComputeRowAndCopy(x, y, pixel, computeRow);
    }

    FCObjImage m_image;
    std::uint64_t m_id = 0;
};
} // namespace neighbour
