// The row loops of the convolutions and the relief, included by ConvolutionEffects.cpp once for
// each instruction set it dispatches to (VectorDispatch.h), inside a namespace of its own.

// acc[j] += weight x src[j], j < n.
void AddTap(int* __restrict acc, const BYTE* __restrict src, int weight, int n)
{
    for (int j = 0; j < n; ++j)
        acc[j] += weight * int(src[j]);
}

// acc[j] = the sum of weight x value over the 3 x 3 window of byte from + j, from the window's
// rows r0, r1, r2 and weights k row by row; s is the bytes per pixel.
void SumWindow3(const BYTE* __restrict r0, const BYTE* __restrict r1, const BYTE* __restrict r2,
                const int* __restrict k, int s, int from, int n, int* __restrict acc)
{
    const int k0 = k[0], k1 = k[1], k2 = k[2], k3 = k[3], k4 = k[4], k5 = k[5], k6 = k[6], k7 = k[7],
              k8 = k[8];
    for (int j = 0; j < n; ++j)
    {
        const int i = from + j;
        acc[j] = k0 * r0[i - s] + k1 * r0[i] + k2 * r0[i + s] + k3 * r1[i - s] + k4 * r1[i] + k5 * r1[i + s] +
                 k6 * r2[i - s] + k7 * r2[i] + k8 * r2[i + s];
    }
}

// acc[j] += the sum of weight x value over one row of a 5 x 5 window: the row p, its weights w.
void AddWindowRow5(const BYTE* __restrict p, const int* __restrict w, int s, int from, int n,
                   int* __restrict acc)
{
    const int w0 = w[0], w1 = w[1], w2 = w[2], w3 = w[3], w4 = w[4];
    for (int j = 0; j < n; ++j)
    {
        const int i = from + j;
        acc[j] += w0 * p[i - 2 * s] + w1 * p[i - s] + w2 * p[i] + w3 * p[i + s] + w4 * p[i + 2 * s];
    }
}

// out[j] = offset + acc[j] / divisor (truncated), clamped to 0..255.
void FinishSums(BYTE* __restrict out, const int* __restrict acc, int n, int offset, int divisor, int division)
{
    if (division == kDivideNone)
    {
        for (int j = 0; j < n; ++j)
        {
            const int v = offset + acc[j];
            out[j] = BYTE(v < 0 ? 0 : (v > 255 ? 255 : v));
        }
    }
    else if (division == kDivideFloat)
    {
        const float d = float(divisor);
        for (int j = 0; j < n; ++j)
        {
            const int v = offset + int(float(acc[j]) / d);
            out[j] = BYTE(v < 0 ? 0 : (v > 255 ? 255 : v));
        }
    }
    else
    {
        const double d = double(divisor);
        for (int j = 0; j < n; ++j)
        {
            const int v = offset + int(double(acc[j]) / d);
            out[j] = BYTE(v < 0 ? 0 : (v > 255 ? 255 : v));
        }
    }
}

// Relief sums over the interior pixels [from, to) of rows of luminance, into one grey byte each.
void EmbossInterior(BYTE* __restrict grey, const int* __restrict la, const int* __restrict lb,
                    const int* __restrict lc, const double* __restrict k, int from, int to)
{
    for (int x = from; x < to; ++x)
    {
        double sum = 0.0;
        sum += la[x - 1] * k[0];
        sum += la[x] * k[1];
        sum += la[x + 1] * k[2];
        sum += lb[x - 1] * k[3];
        sum += lb[x] * k[4];
        sum += lb[x + 1] * k[5];
        sum += lc[x - 1] * k[6];
        sum += lc[x] * k[7];
        sum += lc[x + 1] * k[8];
        const double v = sum + 128.0;
        grey[x] = BYTE(v >= 255.0 ? 255 : int((v > 0.0 ? v : 0.0) + 0.5));
    }
}
