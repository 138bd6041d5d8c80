#include "imagelib/effects/MorphologyEffects.h"

#include "imagelib/effects/VectorDispatch.h"

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

BYTE MinimumWindow(const int* w)
{
    return BYTE(*std::min_element(w, w + 9));
}

BYTE MaximumWindow(const int* w)
{
    return BYTE(*std::max_element(w, w + 9));
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

namespace morph_generic
{
#include "imagelib/effects/MorphologyKernels.inl"
} // namespace morph_generic

#ifdef ORVALIS_AVX2_TARGET
ORVALIS_AVX2_BEGIN
namespace morph_avx2
{
#include "imagelib/effects/MorphologyKernels.inl"
} // namespace morph_avx2
ORVALIS_AVX2_END
#endif

using InteriorFn = void (*)(const BYTE*, const BYTE*, const BYTE*, int, int, int, BYTE*);

// The row loops for one instruction set.
struct MorphKernels
{
    InteriorFn minimum, maximum, thin;
    void (*sortColumns)(const BYTE*, const BYTE*, const BYTE*, int, BYTE*, BYTE*, BYTE*);
    InteriorFn medianOfColumns;
};

const MorphKernels& Kernels(const neighbour::RowScratch& scratch)
{
    static const MorphKernels generic{morph_generic::MinimumInterior, morph_generic::MaximumInterior,
                                      morph_generic::ThinInterior, morph_generic::SortColumns,
                                      morph_generic::MedianOfColumns};
#ifdef ORVALIS_AVX2_TARGET
    static const MorphKernels avx2{morph_avx2::MinimumInterior, morph_avx2::MaximumInterior,
                                   morph_avx2::ThinInterior, morph_avx2::SortColumns,
                                   morph_avx2::MedianOfColumns};
    if (scratch.Avx2()) return avx2;
#else
    (void)scratch;
#endif
    return generic;
}
} // namespace

// ---------------------------------------------------------------------------------------------

void FCEffectMinimum::PrepareImage(FCObjImage& image)
{
    m_copy.Take(image);
}

bool FCEffectMinimum::ComputeResultRow(int y, BYTE* out, neighbour::RowScratch& scratch) const
{
    return neighbour::WindowResultRow3x3(m_copy.Image(), y, out, Kernels(scratch).minimum, MinimumWindow);
}

// ---------------------------------------------------------------------------------------------

void FCEffectMaximum::PrepareImage(FCObjImage& image)
{
    m_copy.Take(image);
}

bool FCEffectMaximum::ComputeResultRow(int y, BYTE* out, neighbour::RowScratch& scratch) const
{
    return neighbour::WindowResultRow3x3(m_copy.Image(), y, out, Kernels(scratch).maximum, MaximumWindow);
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
    const MorphKernels& k = Kernels(scratch);
    auto interior = [&](const BYTE* a, const BYTE* b, const BYTE* c, int s, int from, int end, BYTE* o)
    {
        k.sortColumns(a, b, c, int(n), lo, mid, hi);
        k.medianOfColumns(lo, mid, hi, s, from, end, o);
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

bool FCEffectSquelettisation::ComputeResultRow(int y, BYTE* out, neighbour::RowScratch& scratch) const
{
    return neighbour::WindowResultRow3x3(m_copy.Image(), y, out, Kernels(scratch).thin, ThinPixel);
}
