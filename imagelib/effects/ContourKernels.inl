// The row loops of the contour effects, included by ContourEffects.cpp once for each
// instruction set it dispatches to (VectorDispatch.h), inside a namespace of its own. Interior
// loops run over the bytes [from, end) of a row: a, b and c are the rows above, at and below, s
// the bytes per pixel, so a[i - s], a[i], a[i + s] are the window's top row w0, w1, w2.

template <int N>
void SimpleContourInterior(const BYTE* __restrict a, const BYTE* __restrict b, const BYTE* __restrict c,
                           int s, int from, int end, BYTE* __restrict out)
{
    for (int i = from; i < end; ++i)
    {
        const int gx = (a[i + s] + N * b[i + s] + c[i + s]) - (a[i - s] + N * b[i - s] + c[i - s]);
        const int gy = (c[i - s] + N * c[i] + c[i + s]) - (a[i - s] + N * a[i] + a[i + s]);
        const int v = std::abs(gx) + std::abs(gy);
        out[i] = BYTE(v > 255 ? 255 : v);
    }
}

// With T the ring total and S the sum of three consecutive ring values, 5 S - 3 (T - S) = 8 S - 3 T.
void KirschInterior(const BYTE* __restrict a, const BYTE* __restrict b, const BYTE* __restrict c, int s,
                    int from, int end, BYTE* __restrict out)
{
    for (int i = from; i < end; ++i)
    {
        const int r0 = a[i - s], r1 = a[i], r2 = a[i + s], r3 = b[i + s];
        const int r4 = c[i + s], r5 = c[i], r6 = c[i - s], r7 = b[i - s];
        const int t3 = 3 * (r0 + r1 + r2 + r3 + r4 + r5 + r6 + r7);
        int m = std::abs(8 * (r0 + r1 + r2) - t3);
        m = std::max(m, std::abs(8 * (r1 + r2 + r3) - t3));
        m = std::max(m, std::abs(8 * (r2 + r3 + r4) - t3));
        m = std::max(m, std::abs(8 * (r3 + r4 + r5) - t3));
        m = std::max(m, std::abs(8 * (r4 + r5 + r6) - t3));
        m = std::max(m, std::abs(8 * (r5 + r6 + r7) - t3));
        m = std::max(m, std::abs(8 * (r6 + r7 + r0) - t3));
        m = std::max(m, std::abs(8 * (r7 + r0 + r1) - t3));
        m >>= 1;
        out[i] = BYTE(m > 255 ? 255 : m);
    }
}

void ContourResponses(const BYTE* __restrict a, const BYTE* __restrict b, const BYTE* __restrict c, int s,
                      int from, int n, double* __restrict q, int* __restrict low, int* __restrict range,
                      int* __restrict right)
{
    for (int j = 0; j < n; ++j)
    {
        const int i = from + j;
        const int r0 = a[i - s], r1 = a[i], r2 = a[i + s], r3 = b[i + s];
        const int r4 = c[i + s], r5 = c[i], r6 = c[i - s], r7 = b[i - s];
        const int t3 = 3 * (r0 + r1 + r2 + r3 + r4 + r5 + r6 + r7);
        const int k0 = std::abs(8 * (r0 + r1 + r2) - t3), k1 = std::abs(8 * (r1 + r2 + r3) - t3);
        const int k2 = std::abs(8 * (r2 + r3 + r4) - t3), k3 = std::abs(8 * (r3 + r4 + r5) - t3);
        const int k4 = std::abs(8 * (r4 + r5 + r6) - t3), k5 = std::abs(8 * (r5 + r6 + r7) - t3);
        const int k6 = std::abs(8 * (r6 + r7 + r0) - t3), k7 = std::abs(8 * (r7 + r0 + r1) - t3);
        const int mn = std::min(std::min(std::min(k0, k1), std::min(k2, k3)),
                                std::min(std::min(k4, k5), std::min(k6, k7)));
        const int mx = std::max(std::max(std::max(k0, k1), std::max(k2, k3)),
                                std::max(std::max(k4, k5), std::max(k6, k7)));
        const int squares = k0 * k0 + k1 * k1 + k2 * k2 + k3 * k3 + k4 * k4 + k5 * k5 + k6 * k6 + k7 * k7;
        q[j] = double(std::max(squares, 1)) * 0.125;
        low[j] = mn;
        range[j] = mx - mn;
        right[j] = r3; // w5
    }
}

void ContourValues(const double* __restrict rms, const int* __restrict low, const int* __restrict range,
                   const int* __restrict right, int n, double threshold, BYTE* __restrict out)
{
    for (int j = 0; j < n; ++j)
    {
        // The range when it exceeds the threshold, else the threshold.
        const double d = (low[j] - rms[j]) / std::max(double(range[j]), threshold);
        const double v = (right[j] - d) * 128 / rms[j];
        out[j] = BYTE(int(std::min(std::max(v, 0.0), 255.0))); // v is never a NaN: rms >= sqrt(0.125)
    }
}

void ContourInterior(const BYTE* a, const BYTE* b, const BYTE* c, int s, int from, int end, BYTE* out,
                     double threshold)
{
    alignas(64) double q[kContourChunk];
    alignas(64) int low[kContourChunk], range[kContourChunk], right[kContourChunk];
    for (int i0 = from; i0 < end; i0 += kContourChunk)
    {
        const int n = std::min(kContourChunk, end - i0);
        ContourResponses(a, b, c, s, i0, n, q, low, range, right);
        for (int j = 0; j < n; ++j)
            q[j] = std::sqrt(q[j]);
        ContourValues(q, low, range, right, n, threshold, out + i0);
    }
}

// The Canny gradient |up - down| + |left - right|, capped at 255.
void GradientInterior(const BYTE* __restrict a, const BYTE* __restrict b, const BYTE* __restrict c, int s,
                      int from, int end, BYTE* __restrict out)
{
    for (int i = from; i < end; ++i)
    {
        const int v = std::abs(a[i] - c[i]) + std::abs(b[i - s] - b[i + s]);
        out[i] = BYTE(v > 255 ? 255 : v);
    }
}

// FCEffectContoursCanny::SuppressNonMaximum over a row without branches. Its quantised step
// floor(g / m + 1.586), for |g| <= m and 1 <= m <= 255, is taken in integers: g / m >= 0.414 steps
// +1, g / m < -0.586 steps -1. No quotient of such integers lies within 1 / (500 m) of either bound
// (500 g = 207 m or 500 g = -293 m needs m to be a multiple of 500), far beyond the rounding of
// the floating-point form, so both agree on every window of bytes. Each step becomes two masks
// per axis (all bits set or none), which pick the neighbour ahead and the one behind.
void SuppressInterior(const BYTE* __restrict a, const BYTE* __restrict b, const BYTE* __restrict c, int s,
                      int from, int end, BYTE* __restrict out)
{
    for (int i = from; i < end; ++i)
    {
        const int w0 = a[i - s], w1 = a[i], w2 = a[i + s];
        const int w3 = b[i - s], w4 = b[i], w5 = b[i + s];
        const int w6 = c[i - s], w7 = c[i], w8 = c[i + s];
        const int gy = w1 - w7;
        const int gx = w3 - w5;
        const int m = std::max(std::abs(gx), std::abs(gy));
        const int mm = m + int(m == 0);
        const int xPlus = -int(500 * gx >= 207 * mm);
        const int xMinus = -int(500 * gx < -293 * mm);
        const int yPlus = -int(500 * gy >= 207 * mm);
        const int yMinus = -int(500 * gy < -293 * mm);
        const int top = w1 ^ ((w0 ^ w1) & xMinus) ^ ((w2 ^ w1) & xPlus);
        const int mid = w4 ^ ((w3 ^ w4) & xMinus) ^ ((w5 ^ w4) & xPlus);
        const int bot = w7 ^ ((w6 ^ w7) & xMinus) ^ ((w8 ^ w7) & xPlus);
        const int ahead = mid ^ ((top ^ mid) & yMinus) ^ ((bot ^ mid) & yPlus);
        const int oppTop = w1 ^ ((w0 ^ w1) & xPlus) ^ ((w2 ^ w1) & xMinus);
        const int oppMid = w4 ^ ((w3 ^ w4) & xPlus) ^ ((w5 ^ w4) & xMinus);
        const int oppBot = w7 ^ ((w6 ^ w7) & xPlus) ^ ((w8 ^ w7) & xMinus);
        const int behind = oppMid ^ ((oppTop ^ oppMid) & yPlus) ^ ((oppBot ^ oppMid) & yMinus);
        const int keep = int(m > 0) & int(w4 >= ahead) & int(w4 >= behind);
        out[i] = BYTE(w4 & -keep);
    }
}

template <BYTE (*Kernel)(const int*)>
void KernelInterior(const BYTE* __restrict a, const BYTE* __restrict b, const BYTE* __restrict c, int s,
                    int from, int end, BYTE* __restrict out)
{
    for (int i = from; i < end; ++i)
    {
        const int w[9] = {a[i - s], a[i], a[i + s], b[i - s], b[i], b[i + s], c[i - s], c[i], c[i + s]};
        out[i] = Kernel(w);
    }
}

// The zero-crossing marks of a row of n bytes from the row and the one below (s bytes a pixel; the
// last pixel's right neighbours are clamped to itself).
void ZeroCrossingRow(const BYTE* __restrict row, const BYTE* __restrict below, int s, int n,
                     BYTE* __restrict out)
{
    for (int i = 0; i < n - s; ++i)
        out[i] = BYTE(ZeroCrossingOfBytes(row[i], row[i + s], below[i], below[i + s]));
    for (int i = n - s; i < n; ++i)
        out[i] = BYTE(ZeroCrossingOfBytes(row[i], row[i], below[i], below[i]));
}

// The largest B, G or R byte of a row of n bytes (alpha bytes skipped at 4 bytes a pixel).
int LargestColourByte(const BYTE* __restrict row, int n, int step)
{
    BYTE m = 0;
    if (step == 3)
        for (int i = 0; i < n; ++i)
            m = std::max(m, row[i]);
    else
        for (int i = 0; i < n; ++i)
            m = std::max(m, BYTE(row[i] & ((i & 3) == 3 ? 0 : 0xFF)));
    return m;
}

// Every B, G and R byte v of a row becomes v x 255 / mx (mx 1..254, integer division; the
// floating-point quotient of these small integers, truncated, is exact).
void StretchColourBytes(BYTE* __restrict row, int n, int step, int mx)
{
    const float d = float(mx);
    if (step == 3)
        for (int i = 0; i < n; ++i)
            row[i] = BYTE(int(float(row[i] * 255) / d));
    else
        for (int i = 0; i < n; ++i)
            row[i] = (i & 3) == 3 ? row[i] : BYTE(int(float(row[i] * 255) / d));
}

void PrewittInterior(const BYTE* a, const BYTE* b, const BYTE* c, int s, int from, int end, BYTE* out)
{
    SimpleContourInterior<1>(a, b, c, s, from, end, out);
}

void SobelInterior(const BYTE* a, const BYTE* b, const BYTE* c, int s, int from, int end, BYTE* out)
{
    SimpleContourInterior<2>(a, b, c, s, from, end, out);
}

void Laplacian2Interior(const BYTE* a, const BYTE* b, const BYTE* c, int s, int from, int end, BYTE* out)
{
    KernelInterior<&FCEffectContoursLaplacien2>(a, b, c, s, from, end, out);
}

void Laplacian4Interior(const BYTE* a, const BYTE* b, const BYTE* c, int s, int from, int end, BYTE* out)
{
    KernelInterior<&FCEffectContoursLaplacien4>(a, b, c, s, from, end, out);
}

void Laplacian8Interior(const BYTE* a, const BYTE* b, const BYTE* c, int s, int from, int end, BYTE* out)
{
    KernelInterior<&FCEffectContoursLaplacien8>(a, b, c, s, from, end, out);
}
