// The inner loops of the two resampling passes, included by ResizeEffects.cpp once for each
// instruction set it dispatches to, inside a namespace of its own, with RESIZE_LANES the doubles
// of one vector (4 or 8) and RESIZE_BYTE_LOADS 1 where the set has variable shifts (bytes are then
// widened by shifts, and the horizontal pass may read its pixels straight from their bytes). A pixel takes
// four lanes: blue, green, red, then alpha at 32 bits (a lane whose sum nobody reads at 24). Every lane runs
// the operations of the plain loop in the same order (weight = alpha x tap, sum += value x weight, tap after
// tap; no contraction), so every instruction set gives the same bytes. A tap of weight zero adds zero to a
// sum that is never -0, which changes nothing: padded taps are free to add.

typedef double VD __attribute__((vector_size(RESIZE_LANES * 8)));
typedef int VI __attribute__((vector_size(RESIZE_LANES * 4)));
typedef unsigned VU __attribute__((vector_size(RESIZE_LANES)));
typedef unsigned char VB __attribute__((vector_size(RESIZE_LANES)));
typedef long long VL __attribute__((vector_size(RESIZE_LANES * 8)));

constexpr int kLanes = RESIZE_LANES;
constexpr int kPixels = kLanes / 4; // pixels of one vector

inline VD SplatVD(double d)
{
    return d - VD{};
}

// The kLanes bytes from p as doubles. Where variable shifts exist, each lane shifts a broadcast
// of the bytes down to its own (the compiler's widening of a byte vector goes one byte at a time);
// elsewhere through ints.
inline VD BytesToDoubles(const BYTE* p)
{
#if RESIZE_BYTE_LOADS && RESIZE_LANES == 8
    typedef unsigned long long VQ __attribute__((vector_size(64)));
    unsigned long long q;
    std::memcpy(&q, p, 8);
    const VQ shift = {0, 8, 16, 24, 32, 40, 48, 56};
    return __builtin_convertvector(((q - VQ{}) >> shift) & 255ull, VD);
#elif RESIZE_BYTE_LOADS
    typedef unsigned VW __attribute__((vector_size(16)));
    unsigned a;
    std::memcpy(&a, p, 4);
    const VW shift = {0, 8, 16, 24};
    return __builtin_convertvector((VI)(((a - VW{}) >> shift) & 255u), VD);
#else
    VB b;
    std::memcpy(&b, p, sizeof b);
    return __builtin_convertvector(__builtin_convertvector(b, VI), VD);
#endif
}

// The n bytes of in as doubles into out.
void SpreadRow(const BYTE* in, int n, double* out)
{
    int i = 0;
    for (; i + kLanes <= n; i += kLanes)
    {
        const VD d = BytesToDoubles(in + i);
        std::memcpy(out + i, &d, sizeof d);
    }
    for (; i < n; ++i)
        out[i] = in[i];
}

// Lanes 3, 7, ...: the mask of the alpha lanes.
inline VL AlphaLanes()
{
    VL m;
#pragma GCC unroll 8
    for (int i = 0; i < kLanes; ++i)
        m[i] = i % 4 == 3 ? -1 : 0;
    return m;
}

template <int... Lane> inline VD SpreadAlphaOf(VD v, std::integer_sequence<int, Lane...>)
{
    return __builtin_shufflevector(v, v, (Lane / 4 * 4 + 3)...);
}

// The alpha lane of each pixel on its four lanes.
inline VD SpreadAlpha(VD v)
{
    return SpreadAlphaOf(v, std::make_integer_sequence<int, kLanes>{});
}

// One tap: sum += value x (alpha x w) at 32 bits (alpha lanes add alpha x w), value x w at 24.
template <bool Alpha> inline VD AddTap(VD sum, VD value, VD w)
{
    if constexpr (Alpha)
    {
        const VD wa = SpreadAlpha(value) * w;
        const VL alpha = AlphaLanes();
        return sum + (alpha ? SplatVD(1.0) : value) * wa;
    }
    else
        return sum + value * w;
}

// RoundClampToByte on every lane: trunc(clamp(v, 0, 255) + 0.5), NaN gives 0.
inline VI Rounded(VD v)
{
    v = v > SplatVD(0.0) ? v : SplatVD(0.0);
    v = v < SplatVD(255.0) ? v : SplatVD(255.0);
    return __builtin_convertvector(v + SplatVD(0.5), VI);
}

// The bytes of the pixels of sum. At 32 bits: alpha rounded from the alpha lane, colours times
// 1 / alpha sum where alpha is not 0, else 0. At 24 bits colours times inv (0 where the alpha
// of an opaque line rounds to 0: any sum times 0 rounds to 0).
template <bool Alpha> inline VI PixelBytes(VD sum, VD inv)
{
    if constexpr (Alpha)
    {
        const VD a = SpreadAlpha(sum);
        const VI alpha = Rounded(a);
        const VD one = SplatVD(1.0);
        const VL keep = __builtin_convertvector(alpha != VI{}, VL);
        const VI c = Rounded(sum * (keep ? one / a : SplatVD(0.0)));
        const VI alphaMask = __builtin_convertvector(AlphaLanes(), VI);
        return alphaMask ? alpha : c;
    }
    else
        return Rounded(sum * inv);
}

// The weights of one tap of the pixels of one vector, each already on its pixel's four lanes.
inline VD LoadWeights(const double* w)
{
    VD v;
    std::memcpy(&v, w, sizeof v);
    return v;
}

// w[0], w[1]... each on the four lanes of its pixel.
inline VD PixelWeights(const double* w)
{
#if RESIZE_LANES == 4
    return SplatVD(w[0]);
#else
    // Two broadcasts joined (a pair widened through memory would stall on the store).
    typedef double V4 __attribute__((vector_size(32)));
    const V4 lo = w[0] - V4{}, hi = w[1] - V4{};
    return __builtin_shufflevector(lo, hi, 0, 1, 2, 3, 4, 5, 6, 7);
#endif
}

// The four doubles from p of each pixel of one vector.
inline VD LoadPixels(const double* row, const int* index, int n)
{
#if RESIZE_LANES == 4
    VD v;
    std::memcpy(&v, row + std::size_t(index[0]) * std::size_t(n), sizeof v);
    return v;
#else
    typedef double V4 __attribute__((vector_size(32)));
    V4 lo, hi;
    std::memcpy(&lo, row + std::size_t(index[0]) * std::size_t(n), sizeof lo);
    std::memcpy(&hi, row + std::size_t(index[1]) * std::size_t(n), sizeof hi);
    return __builtin_shufflevector(lo, hi, 0, 1, 2, 3, 4, 5, 6, 7);
#endif
}

// The four bytes from in of each pixel of one vector, as doubles: each pixel's four bytes on its
// four lanes, shifted down by 0, 8, 16 and 24 bits (the widening conversions of byte vectors
// would go through one byte at a time).
inline VD LoadPixelBytes(const BYTE* in, const int* index, int n)
{
    typedef unsigned VW __attribute__((vector_size(RESIZE_LANES * 4)));
    typedef unsigned VW4 __attribute__((vector_size(16)));
    unsigned a;
    std::memcpy(&a, in + std::size_t(index[0]) * std::size_t(n), 4);
#if RESIZE_LANES == 4
    const VW w = a - VW4{};
    const VW shift = {0, 8, 16, 24};
#else
    unsigned b;
    std::memcpy(&b, in + std::size_t(index[1]) * std::size_t(n), 4);
    const VW w = __builtin_shufflevector(a - VW4{}, b - VW4{}, 0, 1, 2, 3, 4, 5, 6, 7);
    const VW shift = {0, 8, 16, 24, 0, 8, 16, 24};
#endif
    return __builtin_convertvector((VI)((w >> shift) & 255u), VD);
}

// One row of the horizontal pass: count destination pixels, in groups of kPixels (the last group
// padded with copies of the last pixel), each group taps x kPixels indices and weights, laid out
// tap after tap with the pixels of the group side by side (each weight four times, times 255 at
// 24 bits). row:
// the source pixels as doubles, 3 or 4 a pixel, from the first index read on, with one more
// double after the last pixel at 24 bits. inv: per pixel, 24 bits: 1 / the alpha sum of an
// opaque line, or 0.
template <bool Alpha, class Source>
void HorizontalRow(const Source* row, BYTE* out, const int* index, const double* weight, const double* inv,
                   int taps, int count)
{
    constexpr int N = Alpha ? 4 : 3;
    for (int j = 0; j < count; j += kPixels)
    {
        VD sum = VD{};
        for (int k = 0; k < taps; ++k, index += kPixels, weight += kLanes)
        {
            if constexpr (std::is_same_v<Source, double>)
                sum = AddTap<Alpha>(sum, LoadPixels(row, index, N), LoadWeights(weight));
            else
                sum = AddTap<Alpha>(sum, LoadPixelBytes(row, index, N), LoadWeights(weight));
        }
        VD iv = VD{};
        if constexpr (!Alpha) iv = PixelWeights(inv + j);
        const VI bytes = PixelBytes<Alpha>(sum, iv);
        VU packed;
        const VB narrow = __builtin_convertvector(bytes, VB);
        std::memcpy(&packed, &narrow, sizeof packed);
#pragma GCC unroll 8
        for (int i = 0; i < kPixels; ++i)
        {
            const int d = j + i;
            if (d >= count) break;
            const unsigned v = packed[i];
            // The fourth byte of a 24-bit pixel is the next one's first, written after it.
            if (Alpha || d + 1 < count)
                std::memcpy(out + std::size_t(d) * N, &v, 4);
            else
                std::memcpy(out + std::size_t(d) * N, &v, 3);
        }
    }
}

typedef unsigned long long VQ __attribute__((vector_size(RESIZE_LANES * 8)));

#if RESIZE_LANES == 8
#include "imagelib/effects/TurnQuadwords.inl"
#endif

// q[i] = {a[0][i], a[1][i], ...}: the kLanes x kLanes quadwords turned across.
inline void TurnQuadwords(const VQ* a, VQ* q)
{
#if RESIZE_LANES == 8
    TurnEightQuadwords(a, q);
#else
    const VQ t0 = __builtin_shufflevector(a[0], a[1], 0, 4, 2, 6);
    const VQ t1 = __builtin_shufflevector(a[0], a[1], 1, 5, 3, 7);
    const VQ t2 = __builtin_shufflevector(a[2], a[3], 0, 4, 2, 6);
    const VQ t3 = __builtin_shufflevector(a[2], a[3], 1, 5, 3, 7);
    q[0] = __builtin_shufflevector(t0, t2, 0, 1, 4, 5);
    q[2] = __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
    q[1] = __builtin_shufflevector(t1, t3, 0, 1, 4, 5);
    q[3] = __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
#endif
}

// Byte b of each quadword of q, as doubles.
inline VD QuadwordBytes(VQ q, int b)
{
#if RESIZE_LANES == 8
    return __builtin_convertvector((VL)((q >> (8 * b)) & 255ull), VD);
#else
    return __builtin_convertvector(__builtin_convertvector((q >> (8 * b)) & 255ull, VI), VD);
#endif
}

// The horizontal pass for kLanes rows at once, one row on each lane, so that every tap is one
// weight for all lanes and no lane is idle. in: the rows' bytes from the first source pixel read
// (inBytes of them); out: the rows' first destination pixels (outPixels of them). The taps of
// destination pixel j are first[j] .. first[j + 1] - 1 of index (source pixels less lo) and
// weight, added in that order. At 24 bits the weights are times 255 and opaque holds, per pixel,
// the alpha sum of an opaque line; at 32 each tap weighs its colours by its alpha (opaque unused).
// work holds inBytes x kLanes doubles and 4 x outPixels x kLanes ints. ahead: how far the bytes of
// the next rows are from in (fetched early into the cache; never read).
template <bool Alpha>
void HorizontalRows(const BYTE* const* in, int inBytes, BYTE* const* out, int outPixels, const int* first,
                    const int* index, int lo, const double* weight, const double* opaque, double* work,
                    std::ptrdiff_t ahead)
{
    constexpr int N = Alpha ? 4 : 3;
    // The later rows' bytes are asked for as these are read, a line for a line, the last one first.
    for (int r = 0; r < kLanes; ++r)
        __builtin_prefetch(in[r] + ahead + inBytes - 1);
    double* const t = work;
    int* const stage = reinterpret_cast<int*>(work + std::size_t(inBytes) * kLanes);
    // The bytes turned across: entry x holds byte x of each row. First kLanes x 8 bytes of each
    // row at a time, their kLanes x kLanes quadwords turned in three (two) rounds of shuffles.
    int x = 0;
    for (; x + 8 * kLanes <= inBytes; x += 8 * kLanes)
    {
        VQ a[kLanes], q[kLanes];
#pragma GCC unroll 8
        for (int r = 0; r < kLanes; ++r)
        {
            std::memcpy(&a[r], in[r] + x, sizeof a[r]);
            __builtin_prefetch(in[r] + ahead + x);
        }
        TurnQuadwords(a, q);
#pragma GCC unroll 8
        for (int i = 0; i < kLanes; ++i)
        {
#pragma GCC unroll 8
            for (int b = 0; b < 8; ++b)
            {
                const VD d = QuadwordBytes(q[i], b);
                std::memcpy(t + std::size_t(x + 8 * i + b) * kLanes, &d, sizeof d);
            }
        }
    }
    for (; x + 8 <= inBytes; x += 8)
    {
        VQ q;
#pragma GCC unroll 8
        for (int r = 0; r < kLanes; ++r)
        {
            unsigned long long v;
            std::memcpy(&v, in[r] + x, 8);
            q[r] = v;
        }
#pragma GCC unroll 8
        for (int b = 0; b < 8; ++b)
        {
            const VD d = QuadwordBytes(q, b);
            std::memcpy(t + std::size_t(x + b) * kLanes, &d, sizeof d);
        }
    }
    for (; x < inBytes; ++x)
        for (int r = 0; r < kLanes; ++r)
            t[std::size_t(x) * kLanes + std::size_t(r)] = in[r][x];
    for (int j = 0; j < outPixels; ++j)
    {
        VD s0 = VD{}, s1 = VD{}, s2 = VD{}, sa = VD{};
        for (int k = first[j]; k < first[j + 1]; ++k)
        {
            const double* p = t + std::size_t(index[k] - lo) * N * kLanes;
            VD v0, v1, v2;
            std::memcpy(&v0, p, sizeof v0);
            std::memcpy(&v1, p + kLanes, sizeof v1);
            std::memcpy(&v2, p + 2 * kLanes, sizeof v2);
            VD w = SplatVD(weight[k]);
            if constexpr (Alpha)
            {
                VD a;
                std::memcpy(&a, p + 3 * kLanes, sizeof a);
                w = a * w;
                sa += w;
            }
            s0 += v0 * w;
            s1 += v1 * w;
            s2 += v2 * w;
        }
        VD inv;
        VI ra = VI{};
        if constexpr (Alpha)
        {
            // Colours times 1 / the alpha sum where the alpha rounds to more than 0, else 0.
            ra = Rounded(sa);
            const VL keep = __builtin_convertvector(ra != VI{}, VL);
            inv = keep ? SplatVD(1.0) / sa : SplatVD(0.0);
        }
        else
            inv = SplatVD(RoundClampToByte(opaque[j]) != 0 ? 1.0 / opaque[j] : 0.0);
        const VI r0 = Rounded(s0 * inv), r1 = Rounded(s1 * inv), r2 = Rounded(s2 * inv);
        int* o = stage + std::size_t(j) * N * kLanes;
        std::memcpy(o, &r0, sizeof r0);
        std::memcpy(o + kLanes, &r1, sizeof r1);
        std::memcpy(o + 2 * kLanes, &r2, sizeof r2);
        if constexpr (Alpha) std::memcpy(o + 3 * kLanes, &ra, sizeof ra);
    }
    // Turned back, eight bytes of each row at a time.
    const int outBytes = N * outPixels;
    for (x = 0; x < outBytes; x += 8)
    {
        const int n = std::min(8, outBytes - x);
        VQ acc = VQ{};
        if (n == 8)
        {
#pragma GCC unroll 8
            for (int b = 0; b < 8; ++b)
            {
                VI v;
                std::memcpy(&v, stage + std::size_t(x + b) * kLanes, sizeof v);
                acc |= __builtin_convertvector(v, VQ) << (8 * b);
            }
#pragma GCC unroll 8
            for (int r = 0; r < kLanes; ++r)
            {
                const unsigned long long a = acc[r];
                std::memcpy(out[r] + x, &a, 8);
            }
        }
        else
            for (int r = 0; r < kLanes; ++r)
                for (int b = 0; b < n; ++b)
                {
                    int v;
                    std::memcpy(&v, stage + std::size_t(x + b) * kLanes + std::size_t(r), sizeof v);
                    out[r][x + b] = BYTE(v);
                }
    }
}

// One row of the vertical pass at 24 bits: bytes entries, each the sum over taps rows (weights
// times 255) times inv, 1 / the alpha sum of an opaque line or 0.
void VerticalRow24(const BYTE* const* rows, const double* weight, int taps, int bytes, double inv, BYTE* out)
{
    constexpr int kGroup = 4; // vectors summed together
    const VD vinv = SplatVD(inv);
    int x = 0;
    for (; x + kGroup * kLanes <= bytes; x += kGroup * kLanes)
    {
        VD sum[kGroup];
#pragma GCC unroll 8
        for (int g = 0; g < kGroup; ++g)
            sum[g] = VD{};
        for (int k = 0; k < taps; ++k)
        {
            const VD w = SplatVD(weight[k]);
            const BYTE* p = rows[k] + x;
#pragma GCC unroll 8
            for (int g = 0; g < kGroup; ++g)
            {
                sum[g] += BytesToDoubles(p + g * kLanes) * w;
            }
        }
#pragma GCC unroll 8
        for (int g = 0; g < kGroup; ++g)
        {
            const VI r = Rounded(sum[g] * vinv);
#pragma GCC unroll 8
            for (int i = 0; i < kLanes; ++i)
                out[x + g * kLanes + i] = BYTE(r[i]);
        }
    }
    for (; x < bytes; ++x)
    {
        double s = 0.0;
        for (int k = 0; k < taps; ++k)
            s += rows[k][x] * weight[k];
        out[x] = RoundClampToByte(s * inv);
    }
}

// One row of the vertical pass at 32 bits: pixels pixels from taps rows (plain weights).
void VerticalRow32(const BYTE* const* rows, const double* weight, int taps, int pixels, BYTE* out)
{
    constexpr int kGroup = 4;
    constexpr int kStep = kGroup * kPixels;
    int x = 0;
    for (; x + kStep <= pixels; x += kStep)
    {
        VD sum[kGroup];
#pragma GCC unroll 8
        for (int g = 0; g < kGroup; ++g)
            sum[g] = VD{};
        for (int k = 0; k < taps; ++k)
        {
            const VD w = SplatVD(weight[k]);
            const BYTE* p = rows[k] + std::size_t(x) * 4;
#pragma GCC unroll 8
            for (int g = 0; g < kGroup; ++g)
            {
                sum[g] = AddTap<true>(sum[g], BytesToDoubles(p + g * kLanes), w);
            }
        }
#pragma GCC unroll 8
        for (int g = 0; g < kGroup; ++g)
        {
            const VI r = PixelBytes<true>(sum[g], VD{});
#pragma GCC unroll 8
            for (int i = 0; i < kLanes; ++i)
                out[std::size_t(x) * 4 + g * kLanes + i] = BYTE(r[i]);
        }
    }
    for (; x < pixels; ++x)
    {
        double b = 0.0, g = 0.0, r = 0.0, a = 0.0;
        for (int k = 0; k < taps; ++k)
        {
            const BYTE* p = rows[k] + std::size_t(x) * 4;
            const double wa = p[3] * weight[k];
            b += p[0] * wa;
            g += p[1] * wa;
            r += p[2] * wa;
            a += wa;
        }
        BYTE* o = out + std::size_t(x) * 4;
        const BYTE alpha = RoundClampToByte(a);
        o[0] = o[1] = o[2] = 0;
        if (alpha != 0)
        {
            const double inv = 1.0 / a;
            o[0] = RoundClampToByte(b * inv);
            o[1] = RoundClampToByte(g * inv);
            o[2] = RoundClampToByte(r * inv);
        }
        o[3] = alpha;
    }
}

template void HorizontalRows<false>(const BYTE* const*, int, BYTE* const*, int, const int*, const int*, int,
                                    const double*, const double*, double*, std::ptrdiff_t);
template void HorizontalRows<true>(const BYTE* const*, int, BYTE* const*, int, const int*, const int*, int,
                                   const double*, const double*, double*, std::ptrdiff_t);
template void HorizontalRow<false>(const double*, BYTE*, const int*, const double*, const double*, int, int);
template void HorizontalRow<true>(const double*, BYTE*, const int*, const double*, const double*, int, int);
#if RESIZE_BYTE_LOADS
template void HorizontalRow<false>(const BYTE*, BYTE*, const int*, const double*, const double*, int, int);
template void HorizontalRow<true>(const BYTE*, BYTE*, const int*, const double*, const double*, int, int);
#endif
