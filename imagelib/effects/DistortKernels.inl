// The row loops of the free rotation and the rhombus, included by DistortEffects.cpp once for
// each instruction set it dispatches to, inside a namespace of its own, with DISTORT_LANES the
// number of doubles a vector holds there (twice as many floats). A group of pixels whose source
// points all fall on four neighbours inside the source (and, at 32 bits for the rotation, on
// opaque ones) is computed lane by lane with the operations of the pixel on its own, in the same
// order and without contraction; a group wholly away from the source gets the background (black
// for the rhombus) at once; any other group goes pixel by pixel through the plain sampler, so
// every instruction set gives the same bytes.

typedef double VD __attribute__((vector_size(DISTORT_LANES * 8)));
typedef int VI __attribute__((vector_size(DISTORT_LANES * 4)));
typedef float VF __attribute__((vector_size(DISTORT_LANES * 8)));
typedef int VFI __attribute__((vector_size(DISTORT_LANES * 8)));
typedef unsigned long long VQ __attribute__((vector_size(DISTORT_LANES * 8)));
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

// The eight bytes from p on (a pixel and its right neighbour, and more at 24 bits), read at once
// where they lie within the picture's bits, else byte by byte from the six or eight needed.
template <int N> inline unsigned long long PairAt(const BYTE* p, const BYTE* end)
{
    unsigned long long v = 0;
    if (p + 8 <= end)
        std::memcpy(&v, p, 8);
    else
        for (int i = 0; i < 2 * N; ++i)
            v |= (unsigned long long)p[i] << (8 * i);
    return v;
}

// Byte k of every lane, converted.
inline VD ByteVD(VQ v, int k)
{
    return __builtin_convertvector(__builtin_convertvector((v >> (8 * k)) & 255, VI), VD);
}

inline VF ByteVF(VFQ v, int k)
{
    return __builtin_convertvector(__builtin_convertvector((v >> (8 * k)) & 255, VFI), VF);
}

// Lanes of B | G << 8 | R << 16 (| A << 24) to the row: whole at 32 bits; at 24 bits four bytes
// per lane from left to right, each lane's fourth byte rewritten by the next, and three for the
// last lane, so that nothing past the group is touched.
template <int N, class V> inline void StorePixels(V packed, BYTE* row)
{
    constexpr int lanes = int(sizeof(V) / 4);
    if constexpr (N == 4)
        std::memcpy(row, &packed, sizeof packed);
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
    const BYTE* const* rows = s.rows;
    const double sw1 = double(s.width - 1);
    const double sh1 = double(s.height - 1);
    // The terms of the turn that do not change along the row, as TurnPoint forms them.
    const double dy = s.centreY - double(y);
    const double dys = dy * s.sin;
    const double dyc = dy * s.cos;
    const VD cx = SplatVD(s.centreX), c = SplatVD(s.cos), sn = SplatVD(s.sin);
    const VD vdys = SplatVD(dys), vdyc = SplatVD(dyc), cy = SplatVD(s.centreY);
    const VD shiftX = SplatVD(s.shiftX), shiftY = SplatVD(s.shiftY);
    const VD zero = SplatVD(0.0), top = SplatVD(255.0), half = SplatVD(0.5);
    VD px = RampVD();
    int x = 0;
    for (; x + kLanes <= width; x += kLanes, row += kLanes * N, px += SplatVD(double(kLanes)))
    {
        const VD dx = px - cx;
        const VD sx = ((cx + dx * c) + vdys) - shiftX;
        const VD sy = (cy - (vdyc - dx * sn)) - shiftY;
        const auto inside = (sx >= zero) & (sx < SplatVD(sw1)) & (sy >= zero) & (sy < SplatVD(sh1));
        // Lanes whose point is away from the source, where the sampler gives the background.
        const auto away = !((sx > SplatVD(-1.0)) & (sx < SplatVD(double(s.width))) & (sy > SplatVD(-1.0)) &
                            (sy < SplatVD(double(s.height))));
        bool all = true, none = true;
        for (int i = 0; i < kLanes; ++i)
        {
            all = all && inside[i] != 0;
            none = none && away[i] != 0;
        }
        if (none)
        {
            for (int i = 0; i < kLanes; ++i)
                std::memcpy(row + i * N, s.background, N);
            continue;
        }
        if (all)
        {
            const VI x0 = __builtin_convertvector(sx, VI);
            const VI y0 = __builtin_convertvector(sy, VI);
            const VD fx = sx - __builtin_convertvector(x0, VD);
            const VD fy = sy - __builtin_convertvector(y0, VD);
            VQ topRow = VQ{}, bottomRow = VQ{};
            for (int i = 0; i < kLanes; ++i)
            {
                const std::size_t at = std::size_t(x0[i]) * N;
                topRow[i] = PairAt<N>(rows[y0[i]] + at, s.end);
                bottomRow[i] = PairAt<N>(rows[y0[i] + 1] + at, s.end);
            }
            bool opaque = true;
            if constexpr (N == 4)
            {
                const VQ both = topRow & bottomRow;
                const VQ alphas = both & (both >> 32);
                for (int i = 0; i < kLanes; ++i)
                    opaque = opaque && ((alphas[i] >> 24) & 255) == 255;
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
                    VD v = (b - t) * fy + t;
                    v = v > zero ? v : zero;
                    v = v < top ? v : top;
                    packed |= __builtin_convertvector(v + half, VI) << (8 * k);
                }
                StorePixels<N>(packed, row);
                continue;
            }
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
    const BYTE* const* rows = s.rows;
    const float yk = float(y) * s.kx;
    const float fy0 = float(y);
    const float offX = float(s.offsetX), offY = float(s.offsetY);
    const VF vyk = SplatVF(yk), vy = SplatVF(fy0), ky = SplatVF(s.ky);
    const VF voffX = SplatVF(offX), voffY = SplatVF(offY), two = SplatVF(2.0f);
    const VF zero = SplatVF(0.0f), top = SplatVF(255.0f), half = SplatVF(0.5f);
    // Lanes whose point is far outside, or not a number, are moved to -100 before the integer
    // conversion, where they count as outside.
    const VF farAbove = SplatVF(1073741824.0f), farBelow = SplatVF(-1073741824.0f), away = SplatVF(-100.0f);
    const VFI w2 = VFI{} + (s.width - 2), h2 = VFI{} + (s.height - 2), izero = VFI{};
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
        const auto inside = (x0 >= izero) & (x0 <= w2) & (y0 >= izero) & (y0 <= h2);
        bool all = true, none = true;
        for (int i = 0; i < kFLanes; ++i)
        {
            all = all && inside[i] != 0;
            none = none && inside[i] == 0;
        }
        if (all)
        {
            const VF fx = ex - __builtin_convertvector(i0, VF);
            const VF fy = ey - __builtin_convertvector(j0, VF);
            unsigned long long top0[kFLanes], bottom0[kFLanes];
            for (int i = 0; i < kFLanes; ++i)
            {
                const std::size_t at = std::size_t(x0[i]) * N;
                top0[i] = PairAt<N>(rows[y0[i]] + at, s.end);
                bottom0[i] = PairAt<N>(rows[y0[i] + 1] + at, s.end);
            }
            VFQ topRow, bottomRow;
            std::memcpy(&topRow, top0, sizeof topRow);
            std::memcpy(&bottomRow, bottom0, sizeof bottomRow);
            VFI packed = N == 4 ? VFI{} + int(0xFF000000u) : VFI{};
            for (int k = 0; k < 3; ++k)
            {
                const VF s00 = ByteVF(topRow, k);
                const VF s10 = ByteVF(topRow, N + k);
                const VF s01 = ByteVF(bottomRow, k);
                const VF s11 = ByteVF(bottomRow, N + k);
                const VF t = (s10 - s00) * fx + s00;
                const VF b = (s11 - s01) * fx + s01;
                VF v = (b - t) * fy + t;
                v = v > zero ? v : zero;
                v = v < top ? v : top;
                packed |= __builtin_convertvector(v + half, VFI) << (8 * k);
            }
            StorePixels<N>(packed, row);
            continue;
        }
        if (none)
        {
            // Outside the source, or on its outer fading edge: the plain sampler tells which.
            bool outside = true;
            for (int i = 0; i < kFLanes; ++i)
            {
                const int a = x0[i], b = y0[i];
                // The cases of the sampler that still read the source.
                const bool reads = (a >= 0 && a < s.width && b >= 0 && b < s.height) ||
                                   (a == -1 && b >= 0 && b < s.height - 1) ||
                                   (b == -1 && a >= 0 && a < s.width - 1);
                outside = outside && !reads;
            }
            if (outside)
            {
                std::memset(row, 0, std::size_t(kFLanes) * N);
                continue;
            }
        }
        for (int i = 0; i < kFLanes; ++i)
            FadeSample<N>(*s.source, sx[i], sy[i], row + i * N);
    }
    for (; x < width; ++x, row += N)
        FadeSample<N>(*s.source, float(x) - yk - offX, fy0 - float(x) * s.ky - offY, row);
}
