// The row loops of the 3 x 3 order filters and the thinning, included by MorphologyEffects.cpp
// once for each instruction set it dispatches to (VectorDispatch.h), inside a namespace of its
// own. Interior loops run over the bytes [from, end) of a row: a, b and c are the rows above, at
// and below, s the bytes per pixel, so a[i - s], a[i], a[i + s] are the window's top row.

// The smallest (or with Largest the largest) of the window.
template <bool Largest>
void ExtremeInterior(const BYTE* __restrict a, const BYTE* __restrict b, const BYTE* __restrict c, int s,
                     int from, int end, BYTE* __restrict out)
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

// Sorts every column of three bytes (a[i], b[i], c[i]) of the bytes [0, n) into lo <= mid <= hi.
void SortColumns(const BYTE* __restrict a, const BYTE* __restrict b, const BYTE* __restrict c, int n,
                 BYTE* __restrict lo, BYTE* __restrict mid, BYTE* __restrict hi)
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
void MedianOfColumns(const BYTE* __restrict lo, const BYTE* __restrict mid, const BYTE* __restrict hi, int s,
                     int from, int end, BYTE* __restrict out)
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

void ThinInterior(const BYTE* __restrict a, const BYTE* __restrict b, const BYTE* __restrict c, int s,
                  int from, int end, BYTE* __restrict out)
{
    for (int i = from; i < end; ++i)
        out[i] =
            ThinValue<BYTE>(a[i - s], a[i], a[i + s], b[i - s], b[i], b[i + s], c[i - s], c[i], c[i + s]);
}

void MinimumInterior(const BYTE* a, const BYTE* b, const BYTE* c, int s, int from, int end, BYTE* out)
{
    ExtremeInterior<false>(a, b, c, s, from, end, out);
}

void MaximumInterior(const BYTE* a, const BYTE* b, const BYTE* c, int s, int from, int end, BYTE* out)
{
    ExtremeInterior<true>(a, b, c, s, from, end, out);
}
