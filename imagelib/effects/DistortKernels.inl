// The row loops of the free rotation and the rhombus, included by DistortEffects.cpp once for
// each instruction set it dispatches to, inside a namespace of its own, with DISTORT_LANES the
// number of doubles a vector holds there (twice as many floats). A group of pixels whose source
// points all fall on four neighbours inside the source (and, at 32 bits for the rotation, on
// opaque ones) is computed lane by lane with the operations of the pixel on its own, in the same
// order and without contraction; a group wholly away from the source gets the background (black
// for the rhombus) at once; any other group goes pixel by pixel through the plain sampler, so
// every instruction set gives the same bytes. The eight bytes from each lane's top-left and
// bottom-left neighbours on are read with one gather per row of neighbours where the set has
// one; the bytes of each channel are then picked out of them by shuffles, and at 24 bits the
// results are packed to three bytes a pixel the same way before they are stored.

typedef double VD __attribute__((vector_size(DISTORT_LANES * 8)));
typedef int VI __attribute__((vector_size(DISTORT_LANES * 4)));
typedef float VF __attribute__((vector_size(DISTORT_LANES * 8)));
typedef int VFI __attribute__((vector_size(DISTORT_LANES * 8)));
typedef unsigned long long VQ __attribute__((vector_size(DISTORT_LANES * 8)));
typedef long long VSQ __attribute__((vector_size(DISTORT_LANES * 8)));
typedef unsigned long long VFQ __attribute__((vector_size(DISTORT_LANES * 16)));

constexpr int kLanes = DISTORT_LANES;
constexpr int kFLanes = DISTORT_LANES * 2;

// d on every lane, as one broadcast (d - 0.0 is d for every double; a loop over the lanes would
// become one masked insert per lane).
inline VD SplatVD(double d)
{
    return d - VD{};
}

inline VF SplatVF(float f)
{
    return f - VF{};
}

// kLanes (kFLanes) ints of an array, converted.
inline VD ToVD(const int* p)
{
    VI v;
    std::memcpy(&v, p, sizeof v);
    return __builtin_convertvector(v, VD);
}

inline VF ToVF(const int* p)
{
    VFI v;
    std::memcpy(&v, p, sizeof v);
    return __builtin_convertvector(v, VF);
}

// Byte k of every lane, converted.
inline VD ByteVD(VQ v, int k)
{
#if DISTORT_LANES == 8
    // Byte k of each quadword moved down and zero-extended by one shuffle, then converted.
    const long long pick = (long long)0x8080808080808000ull + k;
    const VQ picked = (VQ)_mm512_shuffle_epi8(
        (__m512i)v, _mm512_set_epi64(pick + 8, pick, pick + 8, pick, pick + 8, pick, pick + 8, pick));
    return __builtin_convertvector((VSQ)picked, VD);
#elif DISTORT_LANES == 4
    // The byte of each quadword moved to the low doublewords of its 128-bit half, the halves then
    // joined by a permutation.
    const int pick = int(0x80808000u) + k;
    const __m256i picked =
        _mm256_shuffle_epi8((__m256i)v, _mm256_set_epi32(-1, -1, pick + 8, pick, -1, -1, pick + 8, pick));
    const __m256i low = _mm256_permutevar8x32_epi32(picked, _mm256_set_epi32(7, 7, 7, 7, 5, 4, 1, 0));
    return __builtin_convertvector((VI)_mm256_castsi256_si128(low), VD);
#else
    return __builtin_convertvector(__builtin_convertvector((v >> (8 * k)) & 255, VI), VD);
#endif
}

// The eight bytes at base + offset on every lane (a pixel and its right neighbour, and two more
// at 24 bits): the caller makes sure they all lie within the picture's bits.
inline VQ GatherPairs(const BYTE* base, VI offset)
{
#if DISTORT_LANES == 8
    return (VQ)_mm512_mask_i32gather_epi64(_mm512_setzero_si512(), 0xFF, (__m256i)offset, base, 1);
#elif DISTORT_LANES == 4
    return (VQ)_mm256_i32gather_epi64(reinterpret_cast<const long long*>(base), (__m128i)offset, 1);
#else
    int at[kLanes];
    std::memcpy(at, &offset, sizeof at);
    unsigned long long pairs[kLanes];
    for (int i = 0; i < kLanes; ++i)
        std::memcpy(&pairs[i], base + at[i], 8);
    VQ v;
    std::memcpy(&v, pairs, sizeof v);
    return v;
#endif
}

// The pixel pairs of the kFLanes lanes of floats. Where shuffles within 128-bit halves pick the
// bytes, in two vectors of quadwords: lanes 4j and 4j + 1 in the first at 2j and 2j + 1, lanes
// 4j + 2 and 4j + 3 in the second, so that the bytes of each come back in the order of the lanes.
// The baseline reads them into an array and takes it whole, as one vector in the order of the
// lanes.
struct FPairs
{
#if DISTORT_LANES >= 4
    VQ a, b;
#else
    VFQ all; // in the order of the lanes
#endif
};

inline FPairs GatherFPairs(const BYTE* base, VFI offset)
{
#if DISTORT_LANES == 8
    const VI a = __builtin_shufflevector(offset, offset, 0, 1, 4, 5, 8, 9, 12, 13);
    const VI b = __builtin_shufflevector(offset, offset, 2, 3, 6, 7, 10, 11, 14, 15);
#elif DISTORT_LANES == 4
    const VI a = __builtin_shufflevector(offset, offset, 0, 1, 4, 5);
    const VI b = __builtin_shufflevector(offset, offset, 2, 3, 6, 7);
#else
    int at[kFLanes];
    std::memcpy(at, &offset, sizeof at);
    unsigned long long pairs[kFLanes];
    for (int i = 0; i < kFLanes; ++i)
        std::memcpy(&pairs[i], base + at[i], 8);
    FPairs p;
    std::memcpy(&p.all, pairs, sizeof pairs);
    return p;
#endif
#if DISTORT_LANES >= 4
    return {GatherPairs(base, a), GatherPairs(base, b)};
#endif
}

inline VF ByteVF(const FPairs& p, int k)
{
#if DISTORT_LANES == 8
    // The byte of each quadword of the first vector to doublewords 0 and 1 of its 128-bit half,
    // of the second to doublewords 2 and 3.
    const int low = int(0xFFFFFF00u) + k, high = low + 8;
    const __m512i a = _mm512_shuffle_epi8((__m512i)p.a, _mm512_set4_epi32(-1, -1, high, low));
    const __m512i b = _mm512_shuffle_epi8((__m512i)p.b, _mm512_set4_epi32(high, low, -1, -1));
    return __builtin_convertvector((VFI)_mm512_or_si512(a, b), VF);
#elif DISTORT_LANES == 4
    const int low = int(0xFFFFFF00u) + k, high = low + 8;
    const __m256i a =
        _mm256_shuffle_epi8((__m256i)p.a, _mm256_set_epi32(-1, -1, high, low, -1, -1, high, low));
    const __m256i b =
        _mm256_shuffle_epi8((__m256i)p.b, _mm256_set_epi32(high, low, -1, -1, high, low, -1, -1));
    return __builtin_convertvector((VFI)_mm256_or_si256(a, b), VF);
#else
    return __builtin_convertvector(__builtin_convertvector((p.all >> (8 * k)) & 255, VFI), VF);
#endif
}

// One bit per lane of a comparison's result, lane 0 in bit 0.
template <class M> inline unsigned LaneBits(M m)
{
    constexpr bool wide = sizeof(m[0]) == 8;
#if DISTORT_LANES == 8
    if constexpr (wide)
        return _mm512_movepi64_mask((__m512i)m);
    else
        return _mm512_movepi32_mask((__m512i)m);
#elif DISTORT_LANES == 4
    if constexpr (wide)
        return unsigned(_mm256_movemask_pd((__m256d)m));
    else
        return unsigned(_mm256_movemask_ps((__m256)m));
#elif defined(ORVALIS_AVX2_TARGET)
    if constexpr (wide)
        return unsigned(_mm_movemask_pd((__m128d)m));
    else
        return unsigned(_mm_movemask_ps((__m128)m));
#else
    unsigned bits = 0;
    for (int i = 0; i < int(sizeof m / sizeof m[0]); ++i)
        bits |= unsigned(m[i] != 0) << i;
    return bits;
#endif
}

// v < 0 ? 0 : v, then v > 255 ? 255 : v, as the sampler clamps: the second operand is what the
// maximum and minimum instructions give when the comparison fails.
inline VD ClampVD(VD v)
{
#if DISTORT_LANES == 8
    // (The zero-masking forms: the plain ones start from an undefined register.)
    return (VD)_mm512_maskz_min_pd(0xFF, _mm512_maskz_max_pd(0xFF, (__m512d)v, _mm512_setzero_pd()),
                                   _mm512_set1_pd(255.0));
#elif DISTORT_LANES == 4
    return (VD)_mm256_min_pd(_mm256_max_pd((__m256d)v, _mm256_setzero_pd()), _mm256_set1_pd(255.0));
#else
    v = v > SplatVD(0.0) ? v : SplatVD(0.0);
    return v < SplatVD(255.0) ? v : SplatVD(255.0);
#endif
}

inline VF ClampVF(VF v)
{
#if DISTORT_LANES == 8
    return (VF)_mm512_maskz_min_ps(0xFFFF, _mm512_maskz_max_ps(0xFFFF, (__m512)v, _mm512_setzero_ps()),
                                   _mm512_set1_ps(255.0f));
#elif DISTORT_LANES == 4
    return (VF)_mm256_min_ps(_mm256_max_ps((__m256)v, _mm256_setzero_ps()), _mm256_set1_ps(255.0f));
#else
    v = v > SplatVF(0.0f) ? v : SplatVF(0.0f);
    return v < SplatVF(255.0f) ? v : SplatVF(255.0f);
#endif
}

// Lanes of B | G << 8 | R << 16 (| A << 24) to the row: whole at 32 bits; at 24 bits the three
// low bytes of each lane, and nothing past the group.
template <int N, class V> inline void StorePixels(V packed, BYTE* row)
{
    constexpr int lanes = int(sizeof(V) / 4);
    if constexpr (N == 4) std::memcpy(row, &packed, sizeof packed);
#if DISTORT_LANES == 8
    else if constexpr (lanes == 16)
    {
        // Each 128-bit quarter packed to 12 bytes, the quarters joined: 48 bytes.
        const __m512i three =
            _mm512_shuffle_epi8((__m512i)packed, _mm512_set4_epi32(-1, 0x0E0D0C0A, 0x09080605, 0x04020100));
        const __m512i joined = _mm512_maskz_permutexvar_epi32(
            0xFFFF, _mm512_set_epi32(15, 11, 7, 3, 14, 13, 12, 10, 9, 8, 6, 5, 4, 2, 1, 0), three);
        std::memcpy(row, &joined, 48);
    }
#endif
#if DISTORT_LANES >= 4
    else if constexpr (lanes == 8)
    {
        // Each 128-bit half packed to 12 bytes, the halves joined: 24 bytes.
        const __m256i three = _mm256_shuffle_epi8(
            (__m256i)packed, _mm256_set_epi8(-1, -1, -1, -1, 14, 13, 12, 10, 9, 8, 6, 5, 4, 2, 1, 0, -1, -1,
                                             -1, -1, 14, 13, 12, 10, 9, 8, 6, 5, 4, 2, 1, 0));
        const __m256i joined = _mm256_permutevar8x32_epi32(three, _mm256_set_epi32(7, 3, 6, 5, 4, 2, 1, 0));
        std::memcpy(row, &joined, 24);
    }
    else if constexpr (lanes == 4)
    {
        const __m128i three = _mm_shuffle_epi8(
            (__m128i)packed, _mm_set_epi8(-1, -1, -1, -1, 14, 13, 12, 10, 9, 8, 6, 5, 4, 2, 1, 0));
        std::memcpy(row, &three, 12);
    }
#endif
    else
    {
        int words[lanes];
        std::memcpy(words, &packed, sizeof packed);
        for (int i = 0; i < lanes - 1; ++i)
            std::memcpy(row + 3 * i, &words[i], 4);
        std::memcpy(row + 3 * (lanes - 1), &words[lanes - 1], 3);
    }
}

// 0, 1, 2, ... on the lanes.
inline VD RampVD()
{
    VD v;
    for (int i = 0; i < kLanes; ++i)
        v[i] = double(i);
    return v;
}

inline VF RampVF()
{
    VF v;
    for (int i = 0; i < kFLanes; ++i)
        v[i] = float(i);
    return v;
}

template <int N> void RotateRow(const RotateSetup& s, int y, int width, BYTE* row)
{
    const double sw1 = double(s.width - 1);
    const double sh1 = double(s.height - 1);
    // The terms of the turn that do not change along the row, as TurnPoint forms them.
    const double dy = s.centreY - double(y);
    const double dys = dy * s.sin;
    const double dyc = dy * s.cos;
    const VD cx = SplatVD(s.centreX), c = SplatVD(s.cos), sn = SplatVD(s.sin);
    const VD vdys = SplatVD(dys), vdyc = SplatVD(dyc), cy = SplatVD(s.centreY);
    const VD shiftX = SplatVD(s.shiftX), shiftY = SplatVD(s.shiftY);
    const VD zero = SplatVD(0.0), half = SplatVD(0.5);
    // At 24 bits the eight bytes read for a pixel and its right neighbour run two bytes past
    // them: groups that read the top row, the last in memory, go pixel by pixel.
    const VD firstRow = SplatVD(N == 3 ? 1.0 : 0.0);
    const VD right = SplatVD(sw1), bottom = SplatVD(sh1);
    const VD left = SplatVD(-1.0), above = SplatVD(-1.0);
    const VD farRight = SplatVD(double(s.width)), farBottom = SplatVD(double(s.height));
    const VI stride = VI{} + int(s.stride);
    const BYTE* const below = s.top + s.stride;
    constexpr unsigned every = (1u << kLanes) - 1;
    BYTE fill[kLanes * N];
    for (int i = 0; i < kLanes; ++i)
        std::memcpy(fill + i * N, s.background, N);
    VD px = RampVD();
    int x = 0;
    for (; x + kLanes <= width; x += kLanes, row += kLanes * N, px += SplatVD(double(kLanes)))
    {
        const VD dx = px - cx;
        const VD sx = ((cx + dx * c) + vdys) - shiftX;
        const VD sy = (cy - (vdyc - dx * sn)) - shiftY;
        const unsigned inside = LaneBits((sx >= zero) & (sx < right) & (sy >= firstRow) & (sy < bottom));
        if (inside == every)
        {
            const VI x0 = __builtin_convertvector(sx, VI);
            const VI y0 = __builtin_convertvector(sy, VI);
            const VD fx = sx - __builtin_convertvector(x0, VD);
            const VD fy = sy - __builtin_convertvector(y0, VD);
            // Within the bits, whose size fits an int: so do the offsets.
            const VI offset = y0 * stride + x0 * N;
            const VQ topRow = GatherPairs(s.top, offset);
            const VQ bottomRow = GatherPairs(below, offset);
            bool opaque = true;
            if constexpr (N == 4)
            {
                const VQ both = topRow & bottomRow;
                const VQ alphas = both & (both >> 32);
                opaque = LaneBits(((alphas >> 24) & 255) == 255) == every;
            }
            if (opaque)
            {
                VI packed = N == 4 ? VI{} + int(0xFF000000u) : VI{};
                for (int k = 0; k < 3; ++k)
                {
                    const VD q00 = ByteVD(topRow, k);
                    const VD q10 = ByteVD(topRow, N + k);
                    const VD q01 = ByteVD(bottomRow, k);
                    const VD q11 = ByteVD(bottomRow, N + k);
                    const VD t = (q10 - q00) * fx + q00;
                    const VD b = (q11 - q01) * fx + q01;
                    const VD v = ClampVD((b - t) * fy + t);
                    packed |= __builtin_convertvector(v + half, VI) << (8 * k);
                }
                StorePixels<N>(packed, row);
                continue;
            }
        }
        else if (inside == 0 &&
                 LaneBits((sx > left) & (sx < farRight) & (sy > above) & (sy < farBottom)) == 0)
        {
            // Every point away from the source, where the sampler gives the background.
            std::memcpy(row, fill, sizeof fill);
            continue;
        }
        for (int i = 0; i < kLanes; ++i)
            SampleSource<N>(*s.source, s.background, sx[i], sy[i], row + i * N);
    }
    for (; x < width; ++x, row += N)
    {
        double sx = x, sy = y;
        TurnPoint(&sx, &sy, s.centreX, s.centreY, s.cos, s.sin);
        SampleSource<N>(*s.source, s.background, sx - s.shiftX, sy - s.shiftY, row);
    }
}

template <int N> void RhombusRow(const RhombusSetup& s, int y, int width, BYTE* row)
{
    const float yk = float(y) * s.kx;
    const float fy0 = float(y);
    const float offX = float(s.offsetX), offY = float(s.offsetY);
    const VF vyk = SplatVF(yk), vy = SplatVF(fy0), ky = SplatVF(s.ky);
    const VF voffX = SplatVF(offX), voffY = SplatVF(offY), two = SplatVF(2.0f);
    const VF half = SplatVF(0.5f);
    // Lanes whose point is far outside, or not a number, are moved to -100 before the integer
    // conversion, where they count as outside.
    const VF farAbove = SplatVF(1073741824.0f), farBelow = SplatVF(-1073741824.0f), away = SplatVF(-100.0f);
    const VFI izero = VFI{}, minusOne = VFI{} - 1;
    const VFI w1 = VFI{} + (s.width - 1), h1 = VFI{} + (s.height - 1);
    const VFI w2 = VFI{} + (s.width - 2), h2 = VFI{} + (s.height - 2);
    // At 24 bits the eight bytes read for a pixel and its right neighbour run two bytes past
    // them: groups that read the top row, the last in memory, go pixel by pixel.
    const VFI firstRow = VFI{} + (N == 3 ? 1 : 0);
    const VFI stride = VFI{} + int(s.stride);
    const BYTE* const below = s.top + s.stride;
    constexpr unsigned every = (1u << kFLanes) - 1;
    VF px = RampVF();
    int x = 0;
    for (; x + kFLanes <= width && x + kFLanes <= (1 << 24);
         x += kFLanes, row += kFLanes * N, px += SplatVF(float(kFLanes)))
    {
        const VF sx = (px - vyk) - voffX;
        const VF sy = (vy - px * ky) - voffY;
        VF ex = sx + two;
        VF ey = sy + two;
        const auto nearby = (ex > farBelow) & (ex < farAbove) & (ey > farBelow) & (ey < farAbove);
        ex = nearby ? ex : away;
        ey = nearby ? ey : away;
        const VFI i0 = __builtin_convertvector(ex, VFI);
        const VFI j0 = __builtin_convertvector(ey, VFI);
        const VFI x0 = i0 - 2;
        const VFI y0 = j0 - 2;
        const unsigned inside = LaneBits((x0 >= izero) & (x0 <= w2) & (y0 >= firstRow) & (y0 <= h2));
        if (inside == every)
        {
            const VF fx = ex - __builtin_convertvector(i0, VF);
            const VF fy = ey - __builtin_convertvector(j0, VF);
            // Within the bits, whose size fits an int: so do the offsets.
            const VFI offset = y0 * stride + x0 * N;
            const FPairs topRow = GatherFPairs(s.top, offset);
            const FPairs bottomRow = GatherFPairs(below, offset);
            VFI packed = N == 4 ? VFI{} + int(0xFF000000u) : VFI{};
            for (int k = 0; k < 3; ++k)
            {
                const VF s00 = ByteVF(topRow, k);
                const VF s10 = ByteVF(topRow, N + k);
                const VF s01 = ByteVF(bottomRow, k);
                const VF s11 = ByteVF(bottomRow, N + k);
                const VF t = (s10 - s00) * fx + s00;
                const VF b = (s11 - s01) * fx + s01;
                const VF v = ClampVF((b - t) * fy + t);
                packed |= __builtin_convertvector(v + half, VFI) << (8 * k);
            }
            StorePixels<N>(packed, row);
            continue;
        }
        // The cases of the sampler that still read the source: none on any lane is black.
        const auto inRows = (y0 >= izero) & (y0 < h1);
        const auto inColumns = (x0 >= izero) & (x0 < w1);
        const auto reads = ((x0 >= izero) & (x0 <= w1) & (y0 >= izero) & (y0 <= h1)) |
                           ((x0 == minusOne) & inRows) | ((y0 == minusOne) & inColumns);
        if (LaneBits(reads) == 0)
        {
            std::memset(row, 0, std::size_t(kFLanes) * N);
            continue;
        }
        for (int i = 0; i < kFLanes; ++i)
            FadeSample<N>(*s.source, sx[i], sy[i], row + i * N);
    }
    for (; x < width; ++x, row += N)
        FadeSample<N>(*s.source, float(x) - yk - offX, fy0 - float(x) * s.ky - offY, row);
}
