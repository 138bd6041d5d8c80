// The inner loops of the Gaussian blur, included by GaussBlurEffects.cpp once for each
// instruction set it dispatches to, inside a namespace of its own, with GAUSS_LANES the number of
// doubles a vector holds there and GAUSS_GROUP the pixels computed together (at most kGaussGroup,
// the padding of the working rows). Every lane runs the same operations in the same order as the
// plain loop (weight = alpha x tap, sum += value x weight, tap after tap; no contraction), so
// every instruction set gives the same bytes; the AVX-512 loops of opaque pixels that take fused
// products keep only the results that are sure to round as the plain loop's (see below).

typedef double VD __attribute__((vector_size(GAUSS_LANES * 8)));
typedef int VI __attribute__((vector_size(GAUSS_LANES * 4)));

constexpr int kLanes = GAUSS_LANES;
constexpr int kGroup = GAUSS_GROUP;
constexpr int kVectors = kGroup / kLanes;
static_assert(kGroup <= kGaussGroup && kGroup <= kGaussStrip && kGroup % kLanes == 0);

inline VD LoadVD(const double* p)
{
    VD v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// d on every lane, as one broadcast (d - 0.0 is d for every double, -0.0 and NaN included; a
// loop over the lanes would become one masked insert per lane).
inline VD SplatVD(double d)
{
    return d - VD{};
}

// trunc(clamp(v, 0, 255) + 0.5) on every lane; NaN gives 0.
inline void StoreRounded(VD v, int* out)
{
    const VD zero = SplatVD(0.0);
    const VD top = SplatVD(255.0);
    v = v > zero ? v : zero;
    v = v < top ? v : top;
    const VI i = __builtin_convertvector(v + SplatVD(0.5), VI);
    std::memcpy(out, &i, sizeof i);
}

// One group of kGroup pixels: the sums over the taps, then the rounded results into the four
// planes of out (blue, green, red, alpha, plane entries apart). src(k) points at the blue entries
// of the group for tap k; green, red and alpha follow, plane entries apart each.
template <bool Alpha, class Source>
inline void BlurGroup(const GaussSetup& s, Source src, std::ptrdiff_t plane, int* out,
                      std::ptrdiff_t outPlane)
{
    VD b[kVectors], g[kVectors], r[kVectors], w[kVectors];
#pragma GCC unroll 8
    for (int j = 0; j < kVectors; ++j)
        b[j] = g[j] = r[j] = w[j] = SplatVD(0.0);
    const double* taps = Alpha ? s.taps : s.taps255;
    for (int k = 0; k < s.tapCount; ++k)
    {
        const double* p = src(k);
        const VD t = SplatVD(taps[k]);
#pragma GCC unroll 8
        for (int j = 0; j < kVectors; ++j)
        {
            const double* q = p + j * kLanes;
            VD weight = t;
            if constexpr (Alpha)
            {
                weight = LoadVD(q + 3 * plane) * t;
                w[j] += weight;
            }
            b[j] += LoadVD(q) * weight;
            g[j] += LoadVD(q + plane) * weight;
            r[j] += LoadVD(q + 2 * plane) * weight;
        }
    }
#pragma GCC unroll 8
    for (int j = 0; j < kVectors; ++j)
    {
        int* o = out + j * kLanes;
        VD inv;
        if constexpr (Alpha)
        {
            StoreRounded(w[j], o + 3 * outPlane);
            inv = SplatVD(1.0) / w[j];
        }
        else
            inv = SplatVD(s.inverse255);
        StoreRounded(b[j] * inv, o);
        StoreRounded(g[j] * inv, o + outPlane);
        StoreRounded(r[j] * inv, o + 2 * outPlane);
    }
}

// 16 pixels of 3 bytes, their blue, green and red bytes apart, and back: at AVX-512 only, where
// the compiler turns the byte shuffles and conversions below into a few instructions (narrower
// sets spread and gather byte by byte).
#if GAUSS_LANES >= 8
typedef unsigned char VB16 __attribute__((vector_size(16)));
typedef unsigned char VB32 __attribute__((vector_size(32)));
typedef int VI16 __attribute__((vector_size(64)));
typedef unsigned char VB64 __attribute__((vector_size(64)));
typedef double VD16 __attribute__((vector_size(128)));

template <int Channel, int... I> inline VB16 ChannelOf(VB64 all, std::integer_sequence<int, I...>)
{
    return __builtin_shufflevector(all, all, (3 * I + Channel)...);
}

template <int Chunk, int... I> inline VB16 InterleavedOf(VB32 bg, VB32 rr, std::integer_sequence<int, I...>)
{
    return __builtin_shufflevector(bg, rr, ((16 * Chunk + I) % 3 * 16 + (16 * Chunk + I) / 3)...);
}

inline VB16 LoadVB16(const BYTE* p)
{
    VB16 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The bytes of one channel as 16 doubles at dst.
inline void BytesToDoubles(VB16 v, double* dst)
{
    const VD16 d = __builtin_convertvector(__builtin_convertvector(v, VI16), VD16);
    std::memcpy(dst, &d, sizeof d);
}

template <class Half, class Whole, int... I>
inline Whole ConcatOf(Half a, Half b, std::integer_sequence<int, I...>)
{
    return __builtin_shufflevector(a, b, I...);
}

// a then b in one vector twice as long (in registers: a wide read of narrower writes just made
// would wait for them to reach the cache).
inline VB32 Concat(VB16 a, VB16 b)
{
    return ConcatOf<VB16, VB32>(a, b, std::make_integer_sequence<int, 32>{});
}
inline VB64 Concat(VB32 a, VB32 b)
{
    return ConcatOf<VB32, VB64>(a, b, std::make_integer_sequence<int, 64>{});
}

inline VB32 LoadVB32(const void* p)
{
    VB32 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// 16 ints of 0 .. 255 at src as bytes: the low byte of each (a shuffle, which compiles better
// than a narrowing conversion).
inline VB16 IntsToBytes(const int* src)
{
    const VB64 v = Concat(LoadVB32(src), LoadVB32(src + 8));
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__);
    return __builtin_shufflevector(v, v, 0, 4, 8, 12, 16, 20, 24, 28, 32, 36, 40, 44, 48, 52, 56, 60);
}

// The 16 pixels at p to three planes.
inline void Spread16(const BYTE* p, double* dst, std::ptrdiff_t plane)
{
    const VB64 all = Concat(Concat(LoadVB16(p), LoadVB16(p + 16)), Concat(LoadVB16(p + 32), VB16{}));
    constexpr auto lanes = std::make_integer_sequence<int, 16>{};
    VB16 b = ChannelOf<0>(all, lanes), g = ChannelOf<1>(all, lanes), r = ChannelOf<2>(all, lanes);
    // Shuffles first, conversions after: merged, the compiler would take every byte apart.
    __asm__("" : "+x"(b), "+x"(g), "+x"(r));
    BytesToDoubles(b, dst);
    BytesToDoubles(g, dst + plane);
    BytesToDoubles(r, dst + 2 * plane);
}

// The 16 results at src (blue, green, red plane entries apart) as 16 pixels of 3 bytes at p.
inline void Gather16(const int* src, std::ptrdiff_t plane, BYTE* p)
{
    const VB16 b = IntsToBytes(src), g = IntsToBytes(src + plane), r = IntsToBytes(src + 2 * plane);
    const VB32 bg = Concat(b, g), rr = Concat(r, r);
    constexpr auto lanes = std::make_integer_sequence<int, 16>{};
    const VB16 o0 = InterleavedOf<0>(bg, rr, lanes), o1 = InterleavedOf<1>(bg, rr, lanes),
               o2 = InterleavedOf<2>(bg, rr, lanes);
    std::memcpy(p, &o0, 16);
    std::memcpy(p + 16, &o1, 16);
    std::memcpy(p + 32, &o2, 16);
}

#endif

#if GAUSS_LANES >= 8
// Opaque pixels through fused products, checked. Both passes of an opaque picture weigh bytes
// (0 .. 255) by taps255 and scale the sum by inverse255. The sums of BlurGroup<false>, product by
// product in tap order, and sums of the same products made with fused multiply-adds in any order
// are each within n x 2^-53 of the exact sum relative to the largest it can be (n taps, at most
// 201, every term positive): once scaled (results 0 .. 255) the two differ by less than
// 2 x 201 x 2^-53 x 256 < 2^-35, the scaling's own rounding included. Where a scaled fused sum is
// further than kFusedMargin (far more than that) from the middle between two integers, BlurGroup's
// clamped, rounded result is the integer nearest to it, and the fused result is taken; anywhere
// else (s.fusedLimit) the sample is made again as BlurGroup makes it. The bytes are the same either
// way; the fused loops do half the operations.
inline VD Fma(VD a, VD b, VD c)
{
    return (VD)_mm512_fmadd_pd((__m512d)a, (__m512d)b, (__m512d)c);
}

// How far each lane of v is from its nearest integer (0 .. 0.5).
inline VD OffInteger(VD v)
{
    return (VD)_mm512_abs_pd(_mm512_maskz_reduce_pd(0xFF, (__m512d)v, _MM_FROUND_TO_NEAREST_INT));
}

// True when every lane of worst (the largest OffInteger of a group's results) is below s.fusedLimit:
// no result is near the middle between two integers.
inline bool FusedCertain(const GaussSetup& s, VD worst)
{
    return _mm512_cmp_pd_mask((__m512d)worst, (__m512d)SplatVD(s.fusedLimit), _CMP_LT_OQ) == 0xFF;
}

// The scaled, rounded sums of a group of opaque pixels into the planes of out, as BlurGroup<false>
// stores them when the answer is true.
inline bool StoreFused(const VD (&sums)[3][kVectors], const GaussSetup& s, int* out, std::ptrdiff_t outPlane)
{
    const VD inverse = SplatVD(s.inverse255);
    VD worst = SplatVD(0.0);
#pragma GCC unroll 8
    for (int j = 0; j < kVectors; ++j)
#pragma GCC unroll 3
        for (int c = 0; c < 3; ++c)
        {
            const VD scaled = sums[c][j] * inverse;
            const VD off = OffInteger(scaled);
            worst = worst > off ? worst : off;
            // (The masked forms: the plain ones start from an undefined vector that GCC 12 warns
            // of.)
            const __m256i rounded = _mm512_maskz_cvt_roundpd_epi32(
                0xFF, (__m512d)scaled, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
            std::memcpy(out + c * outPlane + j * kLanes, &rounded, sizeof rounded);
        }
    return FusedCertain(s, worst);
}

// BlurGroup<false> through fused products: false, with out partly written, where a result might
// differ from BlurGroup's.
template <class Source>
inline bool OpaqueGroupFused(const GaussSetup& s, Source src, std::ptrdiff_t plane, int* out,
                             std::ptrdiff_t outPlane)
{
    VD sums[3][kVectors];
    {
        const double* p = src(0);
        const VD t = SplatVD(s.taps255[0]);
#pragma GCC unroll 8
        for (int j = 0; j < kVectors; ++j)
#pragma GCC unroll 3
            for (int c = 0; c < 3; ++c)
                sums[c][j] = LoadVD(p + c * plane + j * kLanes) * t;
    }
    for (int k = 1; k < s.tapCount; ++k)
    {
        const double* p = src(k);
        const VD t = SplatVD(s.taps255[k]);
#pragma GCC unroll 8
        for (int j = 0; j < kVectors; ++j)
#pragma GCC unroll 3
            for (int c = 0; c < 3; ++c)
                sums[c][j] = Fma(LoadVD(p + c * plane + j * kLanes), t, sums[c][j]);
    }
    return StoreFused(sums, s, out, outPlane);
}

// OpaqueGroupFused for two rows of the column pass at once, rows[0 .. tapCount] the rows of their
// taps (the upper row's rows 0 .. tapCount - 1, the lower's 1 .. tapCount) at entry g: each row is
// read once for both, and weighs the upper result by its tap i, the lower by its tap i - 1 (a zero
// of s.vectorTaps outside the kernel: a zero product adds nothing).
inline bool OpaquePairFused(const GaussSetup& s, const double* const* rows, int g, std::ptrdiff_t plane,
                            int* upper, int* lower, std::ptrdiff_t outPlane)
{
    const double* const taps = s.vectorTaps + kRowOutputs * kLanes;
    VD a[3][kVectors], b[3][kVectors];
#pragma GCC unroll 8
    for (int j = 0; j < kVectors; ++j)
#pragma GCC unroll 3
        for (int c = 0; c < 3; ++c)
            a[c][j] = b[c][j] = SplatVD(0.0);
    for (int i = 0; i <= s.tapCount; ++i)
    {
        const double* p = rows[i] + g;
        const VD ta = LoadVD(taps + i * kLanes), tb = LoadVD(taps + (i - 1) * kLanes);
#pragma GCC unroll 8
        for (int j = 0; j < kVectors; ++j)
#pragma GCC unroll 3
            for (int c = 0; c < 3; ++c)
            {
                VD v = LoadVD(p + c * plane + j * kLanes);
                // Read once into a register for both products (the compiler would read it twice).
                __asm__("" : "+v"(v));
                a[c][j] = Fma(v, ta, a[c][j]);
                b[c][j] = Fma(v, tb, b[c][j]);
            }
    }
    const bool certainA = StoreFused(a, s, upper, outPlane);
    const bool certainB = StoreFused(b, s, lower, outPlane);
    return certainA && certainB;
}

typedef unsigned long long VQ __attribute__((vector_size(64)));
typedef long long VL __attribute__((vector_size(64)));

// What BlurRowGroup<false> makes of the kRowOutputs results of OpaqueRowsFused from entry p on,
// one row on each lane: its products and sums, tap after tap, scaled, clamped and rounded as
// StoreRounded does, into stage.
inline void OpaqueRowsPlain(const GaussSetup& s, const double* p, long long* stage)
{
    const VD zero = SplatVD(0.0);
    const VD top = SplatVD(255.0);
    for (int o = 0; o < kRowOutputs; ++o)
        for (int c = 0; c < 3; ++c)
        {
            VD sum = zero;
            for (int k = 0; k < s.tapCount; ++k)
                sum += LoadVD(p + std::ptrdiff_t(3 * (o + k) + c) * 8) * SplatVD(s.taps255[k]);
            VD v = sum * SplatVD(s.inverse255);
            v = v > zero ? v : zero;
            v = v < top ? v : top;
            const VL rounded = __builtin_convertvector(v + SplatVD(0.5), VL);
            std::memcpy(stage + std::ptrdiff_t(3 * o + c) * 8, &rounded, sizeof rounded);
        }
}

#include "imagelib/effects/TurnQuadwords.inl"

// The row pass of the opaque rows y0 .. y1 - 1 (1 to 8) at once, one row on each lane, through
// fused products: every tap is then one weight for all lanes, and the values of a tap are whole
// vectors, read once for the kRowOutputs results beside each other that use them. line holds
// (width + 2 halfSize + kRowOutputs) x 3 x 8 doubles: entry e, colour c at (3e + c) x 8, the row's
// pixel e - halfSize (its end pixels beyond its ends) on each lane. stage: 3 x kEmitPixels x 8
// long longs.
void OpaqueRowsFused(const GaussSetup& s, int y0, int y1, double* line, long long* stage)
{
    const BYTE* in[8];
    for (int r = 0; r < 8; ++r)
        in[r] = s.rows[std::min(y0 + r, y1 - 1)];
    const int bytes = 3 * s.width;
    double* const entries = line + std::ptrdiff_t(3 * s.halfSize) * 8;
    // The bytes turned across: entry byte x holds byte x of each row, 64 bytes of each row at a
    // time, then 8, then one.
    int x = 0;
    for (; x + 64 <= bytes; x += 64)
    {
        VQ a[8], q[8];
#pragma GCC unroll 8
        for (int r = 0; r < 8; ++r)
            std::memcpy(&a[r], in[r] + x, sizeof a[r]);
        TurnEightQuadwords(a, q);
#pragma GCC unroll 8
        for (int i = 0; i < 8; ++i)
#pragma GCC unroll 8
            for (int b = 0; b < 8; ++b)
            {
                const VD d = __builtin_convertvector((q[i] >> (8 * b)) & 255ull, VD);
                std::memcpy(entries + std::ptrdiff_t(x + 8 * i + b) * 8, &d, sizeof d);
            }
    }
    for (; x + 8 <= bytes; x += 8)
    {
        VQ q;
#pragma GCC unroll 8
        for (int r = 0; r < 8; ++r)
        {
            unsigned long long v;
            std::memcpy(&v, in[r] + x, 8);
            q[r] = v;
        }
#pragma GCC unroll 8
        for (int b = 0; b < 8; ++b)
        {
            const VD d = __builtin_convertvector((q >> (8 * b)) & 255ull, VD);
            std::memcpy(entries + std::ptrdiff_t(x + b) * 8, &d, sizeof d);
        }
    }
    for (; x < bytes; ++x)
        for (int r = 0; r < 8; ++r)
            entries[std::ptrdiff_t(x) * 8 + r] = in[r][x];
    // The end pixels repeated beyond the ends (and over the entries the last results read past
    // the right end).
    for (int e = 0; e < s.halfSize; ++e)
        std::memcpy(line + std::ptrdiff_t(3 * e) * 8, entries, 3 * 8 * sizeof(double));
    const double* lastPixel = entries + std::ptrdiff_t(3 * (s.width - 1)) * 8;
    for (int e = s.width + s.halfSize; e < s.width + 2 * s.halfSize + kRowOutputs; ++e)
        std::memcpy(line + std::ptrdiff_t(3 * e) * 8, lastPixel, 3 * 8 * sizeof(double));
    // Result o of a pass over entries x .. x + tapCount + kRowOutputs - 2 takes entry x + i with
    // tap i - o (a zero of s.vectorTaps outside the kernel, whose product adds nothing).
    const double* const shifted = s.vectorTaps + kRowOutputs * 8;
    const VD inverse = SplatVD(s.inverse255);
    for (int x0 = 0; x0 < s.width; x0 += kEmitPixels)
    {
        const int pixels = std::min(kEmitPixels, s.width - x0);
        for (int o0 = 0; o0 < pixels; o0 += kRowOutputs)
        {
            VD sums[kRowOutputs][3];
#pragma GCC unroll 4
            for (int o = 0; o < kRowOutputs; ++o)
#pragma GCC unroll 3
                for (int c = 0; c < 3; ++c)
                    sums[o][c] = SplatVD(0.0);
            const double* p = line + std::ptrdiff_t(3 * (x0 + o0)) * 8;
            for (int i = 0; i < s.tapCount + kRowOutputs - 1; ++i, p += 24)
            {
                const VD v[3] = {LoadVD(p), LoadVD(p + 8), LoadVD(p + 16)};
#pragma GCC unroll 4
                for (int o = 0; o < kRowOutputs; ++o)
                {
                    const VD t = LoadVD(shifted + (i - o) * 8);
#pragma GCC unroll 3
                    for (int c = 0; c < 3; ++c)
                        sums[o][c] = Fma(v[c], t, sums[o][c]);
                }
            }
            VD worst = SplatVD(0.0);
#pragma GCC unroll 4
            for (int o = 0; o < kRowOutputs; ++o)
#pragma GCC unroll 3
                for (int c = 0; c < 3; ++c)
                {
                    const VD scaled = sums[o][c] * inverse;
                    const VD off = OffInteger(scaled);
                    worst = worst > off ? worst : off;
                    const __m512i rounded = _mm512_maskz_cvt_roundpd_epi64(
                        0xFF, (__m512d)scaled, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
                    std::memcpy(stage + std::ptrdiff_t(3 * (o0 + o) + c) * 8, &rounded, sizeof rounded);
                }
            if (!FusedCertain(s, worst))
                OpaqueRowsPlain(s, line + std::ptrdiff_t(3 * (x0 + o0)) * 8,
                                stage + std::ptrdiff_t(3 * o0) * 8);
        }
        // The results turned back: 64 byte columns of the 8 rows at a time, into rows of bytes.
        alignas(64) BYTE rows[8][3 * kEmitPixels];
        for (int chunk = 0; chunk < 3; ++chunk)
        {
            VQ q[8], a[8];
#pragma GCC unroll 8
            for (int i = 0; i < 8; ++i)
            {
                q[i] = VQ{};
#pragma GCC unroll 8
                for (int b = 0; b < 8; ++b)
                {
                    VQ column;
                    std::memcpy(&column, stage + std::ptrdiff_t(64 * chunk + 8 * i + b) * 8, sizeof column);
                    q[i] |= column << (8 * b);
                }
            }
            TurnEightQuadwords(q, a);
#pragma GCC unroll 8
            for (int r = 0; r < 8; ++r)
                std::memcpy(rows[r] + 64 * chunk, &a[r], sizeof a[r]);
        }
        for (int r = 0; r < y1 - y0; ++r)
            std::memcpy(s.rows[y0 + r] + std::ptrdiff_t(3 * x0), rows[r], std::size_t(3 * pixels));
    }
}
#endif

// Bytes of n pixels to the four planes of dst (alpha 255 at 24 bits).
template <bool Alpha> inline void SpreadPixels(const BYTE* p, int n, double* dst, std::ptrdiff_t plane)
{
    int i = 0;
#if GAUSS_LANES >= 8
    if constexpr (!Alpha)
        for (; i + 16 <= n; i += 16, p += 48)
            Spread16(p, dst + i, plane);
#endif
    for (; i < n; ++i, p += Alpha ? 4 : 3)
    {
        dst[i] = p[0];
        dst[i + plane] = p[1];
        dst[i + 2 * plane] = p[2];
        if constexpr (Alpha) dst[i + 3 * plane] = p[3];
    }
}

// The rounded results of n opaque pixels (blue, green, red plane entries apart) to the bytes at p.
inline void GatherPixels(const int* src, int n, std::ptrdiff_t plane, BYTE* p)
{
    int i = 0;
#if GAUSS_LANES >= 8
    for (; i + 16 <= n; i += 16, p += 48)
        Gather16(src + i, plane, p);
#endif
    for (; i < n; ++i, p += 3)
    {
        p[0] = BYTE(src[i]);
        p[1] = BYTE(src[i + plane]);
        p[2] = BYTE(src[i + 2 * plane]);
    }
}

// The column pass over the columns x0 .. x0 + n - 1 (n <= s.stripWidth), top to bottom. The
// source rows go through a ring of tapCount + 1 rows of four planes, so the image is written in
// place. A result whose alpha rounds to 0 gets colour 0: the row pass gives
// such entries no weight, so their colour never reaches the result.
// ringRows has room for s.height pointers, taps for s.tapCount, out for 8 x s.stripWidth.
template <bool Alpha>
void ColumnStrip(const GaussSetup& s, int x0, int n, double* ring, const double** ringRows,
                 const double** taps, int* out)
{
    const int bpp = Alpha ? 4 : 3;
    const std::ptrdiff_t plane = s.ringPlane;
    const std::ptrdiff_t rowSize = s.ringRow;
    const std::ptrdiff_t outPlane = s.stripWidth;
    const int last = s.height - 1;
    const std::ptrdiff_t first = std::ptrdiff_t(x0) * bpp;
    const std::ptrdiff_t lastByte = first + std::ptrdiff_t(n) * bpp - 1;
    int loaded = 0;
    auto load = [&](int need)
    {
        for (; loaded <= need; ++loaded)
        {
            // The strip's bytes of a row further down are asked for now: a row is a page or more
            // away from the next, so the processor would not fetch them ahead by itself, and the
            // read would wait for the memory at every row.
            if (loaded + kColumnAhead <= last)
            {
                __builtin_prefetch(s.rows[loaded + kColumnAhead] + first);
                __builtin_prefetch(s.rows[loaded + kColumnAhead] + lastByte);
            }
            double* slot = ring + (loaded % (s.tapCount + 1)) * rowSize;
            SpreadPixels<Alpha>(s.rows[loaded] + first, n, slot, plane);
            ringRows[loaded] = slot;
        }
    };
    for (int y = 0; y < s.height; ++y)
    {
#if GAUSS_LANES >= 8
        // Opaque rows away from the edges two at a time.
        if constexpr (!Alpha)
            if (y >= s.halfSize && y + 1 + s.halfSize <= last)
            {
                load(y + 1 + s.halfSize);
                const double* const* rows = ringRows + (y - s.halfSize);
                int* const lower = out + 4 * outPlane;
                for (int g = 0; g < n; g += kGroup)
                    if (!OpaquePairFused(s, rows, g, plane, out + g, lower + g, outPlane))
                    {
                        BlurGroup<false>(
                            s, [&](int k) { return rows[k] + g; }, plane, out + g, outPlane);
                        BlurGroup<false>(
                            s, [&](int k) { return rows[k + 1] + g; }, plane, lower + g, outPlane);
                    }
                GatherPixels(out, n, outPlane, s.rows[y] + first);
                GatherPixels(lower, n, outPlane, s.rows[++y] + first);
                continue;
            }
#endif
        load(std::min(y + s.halfSize, last));
        // Away from the top and bottom edges the taps read rows y - halfSize .. y + halfSize as
        // they are; near an edge, a table of the clamped rows.
        const double* const* rowsOfTaps = taps;
        if (y < s.halfSize || y + s.halfSize > last)
            for (int k = 0; k < s.tapCount; ++k)
                taps[k] = ringRows[std::clamp(y + k - s.halfSize, 0, last)];
        else
            rowsOfTaps = ringRows + (y - s.halfSize);
        for (int g = 0; g < n; g += kGroup)
        {
            const auto src = [&](int k) { return rowsOfTaps[k] + g; };
#if GAUSS_LANES >= 8
            if constexpr (!Alpha)
                if (OpaqueGroupFused(s, src, plane, out + g, outPlane)) continue;
#endif
            BlurGroup<Alpha>(s, src, plane, out + g, outPlane);
        }
        BYTE* p = s.rows[y] + first;
        if constexpr (!Alpha)
        {
            GatherPixels(out, n, outPlane, p);
            continue;
        }
        for (int i = 0; i < n; ++i, p += bpp)
        {
            if constexpr (Alpha)
            {
                const int a = out[i + 3 * outPlane];
                p[3] = BYTE(a);
                if (a == 0)
                {
                    p[0] = p[1] = p[2] = 0;
                    continue;
                }
            }
            p[0] = BYTE(out[i]);
            p[1] = BYTE(out[i + outPlane]);
            p[2] = BYTE(out[i + 2 * outPlane]);
        }
    }
}

template <int Shift, int... Lane> inline VD WindowOf(VD a, VD b, std::integer_sequence<int, Lane...>)
{
    return __builtin_shufflevector(a, b, (Shift + Lane)...);
}

// Lanes Shift .. Shift + kLanes - 1 of the two vectors a then b, one after the other.
template <int Shift> inline VD Window(VD a, VD b)
{
    if constexpr (Shift == 0)
        return a;
    else
        return WindowOf<Shift>(a, b, std::make_integer_sequence<int, kLanes>{});
}

// The taps k0 .. k0 + kLanes - 1 of one group of the row pass: the vectors of each plane are
// read from whole-vector boundaries once and shifted into place for each tap, in place of a read
// across two cache lines for every tap; the sums take the same products in the same order as
// BlurGroup's.
template <bool Alpha, int Shift>
inline void RowTap(const VD (&a)[4][kVectors + 1], VD t, VD (&b)[kVectors], VD (&g)[kVectors],
                   VD (&r)[kVectors], VD (&w)[kVectors])
{
#pragma GCC unroll 8
    for (int j = 0; j < kVectors; ++j)
    {
        VD weight = t;
        if constexpr (Alpha)
        {
            weight = Window<Shift>(a[3][j], a[3][j + 1]) * t;
            w[j] += weight;
        }
        b[j] += Window<Shift>(a[0][j], a[0][j + 1]) * weight;
        g[j] += Window<Shift>(a[1][j], a[1][j + 1]) * weight;
        r[j] += Window<Shift>(a[2][j], a[2][j + 1]) * weight;
    }
}

template <bool Alpha, int... Shifts>
inline void RowTaps(const VD (&a)[4][kVectors + 1], const double* taps, VD (&b)[kVectors], VD (&g)[kVectors],
                    VD (&r)[kVectors], VD (&w)[kVectors], std::integer_sequence<int, Shifts...>)
{
    (RowTap<Alpha, Shifts>(a, SplatVD(taps[Shifts]), b, g, r, w), ...);
}

// One group of the row pass, src the blue entry of its first pixel's first tap on a whole-vector
// boundary: the results of BlurGroup with src(k) = src + k.
template <bool Alpha>
inline void BlurRowGroup(const GaussSetup& s, const double* src, std::ptrdiff_t plane, int* out,
                         std::ptrdiff_t outPlane)
{
    VD b[kVectors], g[kVectors], r[kVectors], w[kVectors];
#pragma GCC unroll 8
    for (int j = 0; j < kVectors; ++j)
        b[j] = g[j] = r[j] = w[j] = SplatVD(0.0);
    const double* taps = Alpha ? s.taps : s.taps255;
    constexpr int planes = Alpha ? 4 : 3;
    int k = 0;
    for (; k + kLanes <= s.tapCount; k += kLanes)
    {
        VD a[4][kVectors + 1];
#pragma GCC unroll 4
        for (int c = 0; c < planes; ++c)
#pragma GCC unroll 8
            for (int j = 0; j <= kVectors; ++j)
                a[c][j] = LoadVD(src + c * plane + k + j * kLanes);
        RowTaps<Alpha>(a, taps + k, b, g, r, w, std::make_integer_sequence<int, kLanes>{});
    }
    for (; k < s.tapCount; ++k)
    {
        const double* p = src + k;
        const VD t = SplatVD(taps[k]);
#pragma GCC unroll 8
        for (int j = 0; j < kVectors; ++j)
        {
            const double* q = p + j * kLanes;
            VD weight = t;
            if constexpr (Alpha)
            {
                weight = LoadVD(q + 3 * plane) * t;
                w[j] += weight;
            }
            b[j] += LoadVD(q) * weight;
            g[j] += LoadVD(q + plane) * weight;
            r[j] += LoadVD(q + 2 * plane) * weight;
        }
    }
#pragma GCC unroll 8
    for (int j = 0; j < kVectors; ++j)
    {
        int* o = out + j * kLanes;
        VD inv;
        if constexpr (Alpha)
        {
            StoreRounded(w[j], o + 3 * outPlane);
            inv = SplatVD(1.0) / w[j];
        }
        else
            inv = SplatVD(s.inverse255);
        StoreRounded(b[j] * inv, o);
        StoreRounded(g[j] * inv, o + outPlane);
        StoreRounded(r[j] * inv, o + 2 * outPlane);
    }
}

// The row pass of row y: the row, extended by halfSize copies of each end pixel, into the planes
// of line (s.linePlane entries each); the rounded results into the planes of out (s.width
// rounded up to whole groups, entries each). At 24 bits they are the row's new bytes too; at 32
// nothing is written to the image.
template <bool Alpha> void BlurRow(const GaussSetup& s, int y, double* line, int* out)
{
    const int bpp = Alpha ? 4 : 3;
    const std::ptrdiff_t plane = s.linePlane;
    const BYTE* row = s.rows[y];
    for (int i = 0; i < s.halfSize; ++i)
    {
        SpreadPixels<Alpha>(row, 1, line + i, plane);
        SpreadPixels<Alpha>(row + std::ptrdiff_t(s.width - 1) * bpp, 1, line + s.halfSize + s.width + i,
                            plane);
    }
    SpreadPixels<Alpha>(row, s.width, line + s.halfSize, plane);
    for (int x = 0; x < s.width; x += kGroup)
        BlurRowGroup<Alpha>(s, line + x, plane, out + x, s.outPlane);
    if constexpr (!Alpha) GatherPixels(out, s.width, s.outPlane, s.rows[y]);
}

// The unsharp mask's sharpening of n pixels of one row (Bpp bytes each, the alpha byte left as it
// is), the original's pixels beside them: each colour moves away from its blurred value by
// diff x amount / 100, diff = original - blurred, unless twice diff stays below the threshold.
// The products (at most 255 x 100) and the quotients fit in 16 bits, so the compiler may work on
// 16-bit lanes; the results are those of the same steps on int.
template <int Bpp> void SharpenRun(BYTE* pixel, const BYTE* original, int n, int amount, int threshold)
{
    const int count = Bpp == 3 ? 3 * n : n;
    for (int i = 0; i < count; ++i)
    {
        // Every byte of an opaque row is a colour: one loop over them all.
        constexpr int colours = Bpp == 3 ? 1 : 3;
#pragma GCC unroll 3
        for (int c = 0; c < colours; ++c)
        {
            const std::ptrdiff_t at = std::ptrdiff_t(i) * (Bpp == 3 ? 1 : Bpp) + c;
            std::int16_t diff = std::int16_t(original[at] - pixel[at]);
            if (std::abs(2 * diff) < threshold) diff = 0;
            const std::int16_t moved = std::int16_t(std::int16_t(diff * amount) / 100);
            pixel[at] = ClampToByte(original[at] + moved);
        }
    }
}

// Instantiated here, where the instruction set of the including region is in force.
template void ColumnStrip<false>(const GaussSetup&, int, int, double*, const double**, const double**, int*);
template void ColumnStrip<true>(const GaussSetup&, int, int, double*, const double**, const double**, int*);
template void BlurRow<false>(const GaussSetup&, int, double*, int*);
template void BlurRow<true>(const GaussSetup&, int, double*, int*);
template void SharpenRun<3>(BYTE*, const BYTE*, int, int, int);
template void SharpenRun<4>(BYTE*, const BYTE*, int, int, int);
