// The row loop of the halving, included by FlipRotateEffects.cpp once for each instruction set it
// dispatches to (VectorDispatch.h), inside a namespace of its own, with REDUCE_LANES the 128-bit
// lanes of one vector: 0 for the baseline (the plain loop alone), 2 for AVX2, 4 for AVX-512.
//
// ReduceRow<N> makes width pixels of N bytes into out, pixel x from pixels 2x and 2x + 1 of the
// rows top and bottom: every byte is (a + b + c + d) >> 2 of its four, in integers, so every
// instruction set gives the same bytes. The vector loops work a 128-bit lane at a time: the bytes
// of a lane's pixel pairs are brought side by side by a byte shuffle, summed two by two into
// 16-bit words by a multiply-add with ones, the two rows' words added, shifted down by two and
// packed back into bytes. At 32 bits a lane's 16 bytes are two pairs; at 24 bits a lane takes 12
// bytes, the two pairs of pixels of three doublewords, moved into the lane first. Nothing is read
// beyond the 2 x width pixels of each row, nothing written beyond the width pixels of out.

// One pixel: the truncated mean of its four.
template <int N> inline void ReducePixelBytes(const BYTE* top, const BYTE* bottom, BYTE* out)
{
    for (int i = 0; i < N; ++i)
        out[i] = BYTE((top[i] + top[i + N] + bottom[i] + bottom[i + N]) >> 2);
}

#if REDUCE_LANES == 4
// Pixels 16 at a time: 64 bytes out of 128 (32 bits) or 48 out of 96 (24 bits) of each row.
template <int N> void ReduceRow(const BYTE* top, const BYTE* bottom, int width, BYTE* out)
{
    const __m512i ones = _mm512_set1_epi8(1);
    int x = 0;
    if constexpr (N == 4)
    {
        // In each lane the bytes of its two pairs of pixels, each byte beside its partner.
        const __m512i pairs = _mm512_maskz_broadcast_i32x4(
            0xFFFF, _mm_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15));
        // Packing takes lane k of each half in turn: the quadwords back in the order of the row.
        const __m512i order = _mm512_setr_epi64(0, 2, 4, 6, 1, 3, 5, 7);
        auto sums = [&](const BYTE* t, const BYTE* b)
        {
            const __m512i st = _mm512_maddubs_epi16(_mm512_shuffle_epi8(_mm512_loadu_si512(t), pairs), ones);
            const __m512i sb = _mm512_maddubs_epi16(_mm512_shuffle_epi8(_mm512_loadu_si512(b), pairs), ones);
            return _mm512_srli_epi16(_mm512_add_epi16(st, sb), 2);
        };
        for (; x + 16 <= width; x += 16)
        {
            const BYTE* t = top + std::size_t(x) * 8;
            const BYTE* b = bottom + std::size_t(x) * 8;
            const __m512i packed = _mm512_packus_epi16(sums(t, b), sums(t + 64, b + 64));
            _mm512_storeu_si512(out + std::size_t(x) * 4,
                                _mm512_maskz_permutexvar_epi64(0xFF, order, packed));
        }
    }
    else
    {
        // Lane k takes doublewords 3k .. 3k + 2: the 12 bytes of its two pairs of pixels.
        const __m512i spread = _mm512_setr_epi32(0, 1, 2, 2, 3, 4, 5, 5, 6, 7, 8, 8, 9, 10, 11, 11);
        const __m512i pairs = _mm512_maskz_broadcast_i32x4(
            0xFFFF, _mm_setr_epi8(0, 3, 1, 4, 2, 5, 6, 9, 7, 10, 8, 11, -1, -1, -1, -1));
        // After packing, lane k holds words 0 .. 2 of the first half's lane k and words 4 .. 6
        // of the second's: the 24 words of the 48 bytes, in the order of the row.
        const __m512i order = _mm512_set_epi16(31, 31, 31, 31, 31, 31, 31, 31, 30, 29, 28, 22, 21, 20, 14, 13,
                                               12, 6, 5, 4, 26, 25, 24, 18, 17, 16, 10, 9, 8, 2, 1, 0);
        constexpr __mmask16 kTwelve = 0x0FFF;
        constexpr __mmask64 kFortyEight = 0x0000FFFFFFFFFFFFull;
        auto sums = [&](const BYTE* t, const BYTE* b)
        {
            const __m512i vt =
                _mm512_maskz_permutexvar_epi32(0xFFFF, spread, _mm512_maskz_loadu_epi32(kTwelve, t));
            const __m512i vb =
                _mm512_maskz_permutexvar_epi32(0xFFFF, spread, _mm512_maskz_loadu_epi32(kTwelve, b));
            const __m512i st = _mm512_maddubs_epi16(_mm512_shuffle_epi8(vt, pairs), ones);
            const __m512i sb = _mm512_maddubs_epi16(_mm512_shuffle_epi8(vb, pairs), ones);
            return _mm512_srli_epi16(_mm512_add_epi16(st, sb), 2);
        };
        for (; x + 16 <= width; x += 16)
        {
            const BYTE* t = top + std::size_t(x) * 6;
            const BYTE* b = bottom + std::size_t(x) * 6;
            const __m512i packed = _mm512_packus_epi16(sums(t, b), sums(t + 48, b + 48));
            _mm512_mask_storeu_epi8(out + std::size_t(x) * 3, kFortyEight,
                                    _mm512_maskz_permutexvar_epi16(~__mmask32(0), order, packed));
        }
    }
    for (; x < width; ++x)
        ReducePixelBytes<N>(top + std::size_t(x) * 2 * N, bottom + std::size_t(x) * 2 * N,
                            out + std::size_t(x) * N);
}
#elif REDUCE_LANES == 2
// Pixels 8 at a time: 32 bytes out of 64 (32 bits) or 24 out of 48 (24 bits) of each row.
template <int N> void ReduceRow(const BYTE* top, const BYTE* bottom, int width, BYTE* out)
{
    const __m256i ones = _mm256_set1_epi8(1);
    int x = 0;
    if constexpr (N == 4)
    {
        const __m256i pairs = _mm256_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15, 0, 4, 1,
                                               5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15);
        auto sums = [&](const BYTE* t, const BYTE* b)
        {
            const __m256i vt = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t));
            const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b));
            const __m256i st = _mm256_maddubs_epi16(_mm256_shuffle_epi8(vt, pairs), ones);
            const __m256i sb = _mm256_maddubs_epi16(_mm256_shuffle_epi8(vb, pairs), ones);
            return _mm256_srli_epi16(_mm256_add_epi16(st, sb), 2);
        };
        for (; x + 8 <= width; x += 8)
        {
            const BYTE* t = top + std::size_t(x) * 8;
            const BYTE* b = bottom + std::size_t(x) * 8;
            const __m256i packed = _mm256_packus_epi16(sums(t, b), sums(t + 32, b + 32));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + std::size_t(x) * 4),
                                _mm256_permute4x64_epi64(packed, 0xD8));
        }
    }
    else
    {
        const __m256i pairs = _mm256_setr_epi8(0, 3, 1, 4, 2, 5, 6, 9, 7, 10, 8, 11, -1, -1, -1, -1, 0, 3, 1,
                                               4, 2, 5, 6, 9, 7, 10, 8, 11, -1, -1, -1, -1);
        // After packing, lane k holds the six bytes of the first half's lane k, two zeros, the
        // second half's six and two zeros: each lane's twelve bytes brought together, then the
        // lanes' doublewords.
        const __m256i join = _mm256_setr_epi8(0, 1, 2, 3, 4, 5, 8, 9, 10, 11, 12, 13, -1, -1, -1, -1, 0, 1, 2,
                                              3, 4, 5, 8, 9, 10, 11, 12, 13, -1, -1, -1, -1);
        const __m256i order = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 7, 7);
        const __m256i six = _mm256_setr_epi32(-1, -1, -1, -1, -1, -1, 0, 0);
        // The 16 bytes from p in the low lane and those from p + 24 in the high one: the first 12
        // of each are the two pairs of pixels the lane makes.
        auto lanes = [&](const BYTE* p)
        {
            return _mm256_inserti128_si256(
                _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))),
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 24)), 1);
        };
        auto sums = [&](const BYTE* t, const BYTE* b)
        {
            const __m256i st = _mm256_maddubs_epi16(_mm256_shuffle_epi8(lanes(t), pairs), ones);
            const __m256i sb = _mm256_maddubs_epi16(_mm256_shuffle_epi8(lanes(b), pairs), ones);
            return _mm256_srli_epi16(_mm256_add_epi16(st, sb), 2);
        };
        // The first half makes bytes 0 .. 5 and 12 .. 17 of the 24 (its lanes read from pixels 0
        // and 8), the second 6 .. 11 and 18 .. 23 (from pixels 4 and 12). The last lane reads 4
        // bytes past its 12: one pixel more is kept for the plain loop.
        for (; x + 9 <= width; x += 8)
        {
            const BYTE* t = top + std::size_t(x) * 6;
            const BYTE* b = bottom + std::size_t(x) * 6;
            const __m256i packed = _mm256_packus_epi16(sums(t, b), sums(t + 12, b + 12));
            const __m256i joined = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(packed, join), order);
            _mm256_maskstore_epi32(reinterpret_cast<int*>(out + std::size_t(x) * 3), six, joined);
        }
    }
    for (; x < width; ++x)
        ReducePixelBytes<N>(top + std::size_t(x) * 2 * N, bottom + std::size_t(x) * 2 * N,
                            out + std::size_t(x) * N);
}
#else
template <int N> void ReduceRow(const BYTE* top, const BYTE* bottom, int width, BYTE* out)
{
    for (int x = 0; x < width; ++x, top += 2 * N, bottom += 2 * N, out += N)
        ReducePixelBytes<N>(top, bottom, out);
}
#endif

template void ReduceRow<3>(const BYTE*, const BYTE*, int, BYTE*);
template void ReduceRow<4>(const BYTE*, const BYTE*, int, BYTE*);
