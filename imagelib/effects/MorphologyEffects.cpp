#include "imagelib/effects/NeighbourhoodVectorise.h"

#include "imagelib/effects/MorphologyEffects.h"

#include <algorithm>

using neighbour::RunWindowRow3x3;

namespace
{
inline int Min3(int a, int b, int c)
{
    return std::min(std::min(a, b), c);
}
inline int Max3(int a, int b, int c)
{
    return std::max(std::max(a, b), c);
}
inline int Med3(int a, int b, int c)
{
    return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

// Interior loops over the bytes [from, end) of a row: a, b and c are the rows above, at and below,
// s the bytes per pixel, so a[i - s], a[i], a[i + s] are the window's top row.

// The smallest (or with Largest the largest) of the window.
template <bool Largest>
ORVALIS_SIMD_CLONES void ExtremeInterior(const BYTE* __restrict a, const BYTE* __restrict b,
                                         const BYTE* __restrict c, int s, int from, int end,
                                         BYTE* __restrict out)
{
    auto pick = [](BYTE x, BYTE y) { return Largest ? std::max(x, y) : std::min(x, y); };
    for (int i = from; i < end; ++i)
    {
        const BYTE top = pick(pick(a[i - s], a[i]), a[i + s]);
        const BYTE mid = pick(pick(b[i - s], b[i]), b[i + s]);
        const BYTE bot = pick(pick(c[i - s], c[i]), c[i + s]);
        out[i] = pick(pick(top, mid), bot);
    }
}

BYTE MinimumWindow(const int* w)
{
    return BYTE(*std::min_element(w, w + 9));
}

BYTE MaximumWindow(const int* w)
{
    return BYTE(*std::max_element(w, w + 9));
}

// Sorts every column of three bytes (a[i], b[i], c[i]) of the bytes [0, n) into lo <= mid <= hi.
ORVALIS_SIMD_CLONES void SortColumns(const BYTE* __restrict a, const BYTE* __restrict b,
                                     const BYTE* __restrict c, int n, BYTE* __restrict lo,
                                     BYTE* __restrict mid, BYTE* __restrict hi)
{
    for (int i = 0; i < n; ++i)
    {
        const BYTE x = a[i], y = b[i], z = c[i];
        const BYTE l = std::min(x, y), h = std::max(x, y);
        hi[i] = std::max(h, z);
        const BYTE m = std::min(h, z);
        lo[i] = std::min(l, m);
        mid[i] = std::max(l, m);
    }
}

// The median of nine from their three sorted columns: the middle of the largest low, the middle
// middle and the smallest high.
ORVALIS_SIMD_CLONES void MedianOfColumns(const BYTE* __restrict lo, const BYTE* __restrict mid,
                                         const BYTE* __restrict hi, int s, int from, int end,
                                         BYTE* __restrict out)
{
    for (int i = from; i < end; ++i)
    {
        const BYTE l = std::max(std::max(lo[i - s], lo[i]), lo[i + s]);
        const BYTE m0 = mid[i - s], m1 = mid[i], m2 = mid[i + s];
        const BYTE m = std::max(std::min(m0, m1), std::min(std::max(m0, m1), m2));
        const BYTE h = std::min(std::min(hi[i - s], hi[i]), hi[i + s]);
        out[i] = std::max(std::min(l, m), std::min(std::max(l, m), h));
    }
}

// The thinning templates in byte arithmetic without comparisons, so that the loop over a row is
// vectorised: One(v) is 1 when v is not 0, else 0, and a match turns the mask match - 1 to 0. A template
// matches when the AND of the centre and its three set values is not 0 and the OR of its three clear values
// is 0.
template <class T> inline T One(T v)
{
    return T(v != 0);
}

template <class T> inline T ThinTemplate(T c, T x, T y, T z, T p, T q, T r)
{
    return T(One(T(c & x & y & z)) & (One(T(p | q | r)) ^ T(1)));
}

template <class T> inline T ThinValue(T w0, T w1, T w2, T w3, T w4, T w5, T w6, T w7, T w8)
{
    const T match = T(ThinTemplate(w4, w2, w5, w8, w0, w3, w6) | ThinTemplate(w4, w5, w7, w8, w0, w1, w3) |
                      ThinTemplate(w4, w6, w7, w8, w0, w1, w2) | ThinTemplate(w4, w3, w6, w7, w1, w2, w5) |
                      ThinTemplate(w4, w0, w3, w6, w2, w5, w8) | ThinTemplate(w4, w0, w1, w3, w5, w7, w8) |
                      ThinTemplate(w4, w0, w1, w2, w6, w7, w8) | ThinTemplate(w4, w1, w2, w5, w3, w6, w7));
    return T(w4 & T(match - 1));
}

ORVALIS_SIMD_CLONES void ThinInterior(const BYTE* __restrict a, const BYTE* __restrict b,
                                      const BYTE* __restrict c, int s, int from, int end,
                                      BYTE* __restrict out)
{
    for (int i = from; i < end; ++i)
        out[i] =
            ThinValue<BYTE>(a[i - s], a[i], a[i + s], b[i - s], b[i], b[i + s], c[i - s], c[i], c[i + s]);
}
} // namespace

// ---------------------------------------------------------------------------------------------

void FCEffectMinimum::PrepareImage(FCObjImage& image)
{
    m_copy.Take(image);
}

bool FCEffectMinimum::ComputeResultRow(int y, BYTE* out, neighbour::RowScratch&) const
{
    return neighbour::WindowResultRow3x3(m_copy.Image(), y, out, ExtremeInterior<false>, MinimumWindow);
}

// ---------------------------------------------------------------------------------------------

void FCEffectMaximum::PrepareImage(FCObjImage& image)
{
    m_copy.Take(image);
}

bool FCEffectMaximum::ComputeResultRow(int y, BYTE* out, neighbour::RowScratch&) const
{
    return neighbour::WindowResultRow3x3(m_copy.Image(), y, out, ExtremeInterior<true>, MaximumWindow);
}

// ---------------------------------------------------------------------------------------------

BYTE FCEffectMedian::Median9(const int window[9])
{
    // Columns (w0, w3, w6), (w1, w4, w7), (w2, w5, w8), each sorted.
    int lo[3], mid[3], hi[3];
    for (int c = 0; c < 3; ++c)
    {
        int v[3] = {window[c], window[c + 3], window[c + 6]};
        std::sort(v, v + 3);
        lo[c] = v[0], mid[c] = v[1], hi[c] = v[2];
    }
    return BYTE(Med3(Max3(lo[0], lo[1], lo[2]), Med3(mid[0], mid[1], mid[2]), Min3(hi[0], hi[1], hi[2])));
}

void FCEffectMedian::PrepareImage(FCObjImage& image)
{
    m_copy.Take(image);
}

bool FCEffectMedian::ComputeResultRow(int y, BYTE* out, neighbour::RowScratch& scratch) const
{
    const FCObjImage& source = m_copy.Image();
    const std::size_t n = std::size_t(source.Width()) * std::size_t(source.ColorBits() / 8);
    BYTE* lo = scratch.Slot(1, n);
    BYTE* mid = scratch.Slot(2, n);
    BYTE* hi = scratch.Slot(3, n);
    if (!lo || !mid || !hi) return false;
    auto interior = [&](const BYTE* a, const BYTE* b, const BYTE* c, int s, int from, int end, BYTE* o)
    {
        SortColumns(a, b, c, int(n), lo, mid, hi);
        MedianOfColumns(lo, mid, hi, s, from, end, o);
    };
    RunWindowRow3x3(source, y, out, interior, [](const int* w) { return Median9(w); });
    return true;
}

// ---------------------------------------------------------------------------------------------

BYTE FCEffectSquelettisation::ThinPixel(const int window[9])
{
    const int* w = window;
    return BYTE(ThinValue<int>(w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8]));
}

void FCEffectSquelettisation::PrepareImage(FCObjImage& image)
{
    m_copy.Take(image);
}

bool FCEffectSquelettisation::ComputeResultRow(int y, BYTE* out, neighbour::RowScratch&) const
{
    return neighbour::WindowResultRow3x3(m_copy.Image(), y, out, ThinInterior, ThinPixel);
}
