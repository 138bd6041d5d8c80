// The radial and zoom blurs over eight pixels of a row at once, included by
// MotionBlurEffects.cpp once for each instruction set it dispatches to, inside a namespace of its
// own. Lanes hold 32-bit 16.16 values: the caller takes this road only where no value of the run
// can overflow 32 bits, so every lane computes exactly what the 64-bit formulas give. With
// FIXED_BLUR_GATHER the samples are fetched with the processor's gather instruction.

typedef int I8 __attribute__((vector_size(32)));

inline I8 SplatI8(int v)
{
    I8 r;
#pragma GCC unroll 8
    for (int i = 0; i < 8; ++i)
        r[i] = v;
    return r;
}

// t / 2^shift, truncating towards zero.
inline I8 DivideTrunc(I8 t, int shift)
{
    return (t + ((t >> 31) & SplatI8((1 << shift) - 1))) >> shift;
}

struct Sums8
{
    I8 b, g, r, a, n;
};

// Adds the packed pixel at the 16.16 point centre + 32768 + (u, v) of every lane whose point lies
// inside the image.
inline void SampleFixed(Sums8& s, const FixedRun& f, I8 u, I8 v)
{
    const I8 px = DivideTrunc(SplatI8(f.centreX + 32768) + u, 16);
    const I8 py = DivideTrunc(SplatI8(f.centreY + 32768) + v, 16);
    const I8 inside = (px >= 0) & (px < f.width) & (py >= 0) & (py < f.height);
    const I8 index = (py & inside) * f.width + (px & inside);
    I8 pix;
#ifdef FIXED_BLUR_GATHER
    pix = (I8)_mm256_mask_i32gather_epi32(_mm256_setzero_si256(), reinterpret_cast<const int*>(f.pixels),
                                          (__m256i)index, (__m256i)inside, 4);
#else
#pragma GCC unroll 8
    for (int i = 0; i < 8; ++i)
        pix[i] = inside[i] ? int(f.pixels[index[i]]) : 0;
#endif
    const I8 byte = SplatI8(0xFF);
    const I8 b = pix & byte, g = (pix >> 8) & byte, r = (pix >> 16) & byte;
    if (f.alpha)
    {
        const I8 a = (pix >> 24) & byte;
        s.b += b * a;
        s.g += g * a;
        s.r += r * a;
        s.a += a;
    }
    else
    {
        s.b += b;
        s.g += g;
        s.r += r;
    }
    s.n -= inside; // inside lanes are -1
}

// The means of the first `count` lanes, packed as pixels.
inline void StoreMeans(const Sums8& s, bool alpha, int count, std::uint32_t* out)
{
    for (int i = 0; i < count; ++i)
    {
        std::uint32_t b, g, r, a = 255;
        if (!alpha)
        {
            b = std::uint32_t(s.b[i] / s.n[i]), g = std::uint32_t(s.g[i] / s.n[i]),
            r = std::uint32_t(s.r[i] / s.n[i]);
        }
        else if (s.a[i] > 0)
        {
            b = ClampToByte(s.b[i] / s.a[i]), g = ClampToByte(s.g[i] / s.a[i]),
            r = ClampToByte(s.r[i] / s.a[i]);
            a = ClampToByte(s.a[i] / s.n[i]);
        }
        else
            b = g = r = 255, a = 0;
        out[i] = b | g << 8 | r << 16 | a << 24;
    }
}

inline I8 Lanes(int first)
{
    I8 r;
#pragma GCC unroll 8
    for (int i = 0; i < 8; ++i)
        r[i] = first + i;
    return r;
}

// One turn of the offset vectors by s, to second order.
inline void TurnFixed8(I8& u, I8& v, int s, int c2)
{
    const I8 nu = u - ((((u >> 14) * c2) >> 8) + (((v >> 8) * s) >> 8));
    const I8 nv = v + ((((u >> 8) * s) >> 8) - (((v >> 14) * c2) >> 8));
    u = nu;
    v = nv;
}

// Results of the radial blur for pixels x0 .. x0 + count - 1 of row y.
void RadialRow(const FixedRun& f, int span, int x0, int y, int count, std::uint32_t* out)
{
    const int step = span / 64;
    const int c2 = (step * step) >> 11;
    for (int g = 0; g < count; g += 8)
    {
        Sums8 s{};
        I8 u1 = (Lanes(x0 + g) << 16) - f.centreX;
        I8 v1 = SplatI8((y << 16) - f.centreY);
        // The pixel itself: its point is the pixel.
        SampleFixed(s, f, u1, v1);
        I8 u2 = u1, v2 = v1;
        for (int i = 0; i < 64; ++i)
        {
            TurnFixed8(u1, v1, step, c2);
            TurnFixed8(u2, v2, -step, c2);
            SampleFixed(s, f, u1, v1);
            SampleFixed(s, f, u2, v2);
        }
        StoreMeans(s, f.alpha, std::min(8, count - g), out + g);
    }
}

// Results of the zoom blur for pixels x0 .. x0 + count - 1 of row y.
void ZoomRow(const FixedRun& f, int strength, int x0, int y, int count, std::uint32_t* out)
{
    for (int g = 0; g < count; g += 8)
    {
        Sums8 s{};
        I8 u = (Lanes(x0 + g) << 16) - f.centreX;
        I8 v = SplatI8((y << 16) - f.centreY);
        SampleFixed(s, f, u, v);
        for (int i = 0; i < 64; ++i)
        {
            u += DivideTrunc(-DivideTrunc(u, 4) * strength, 10);
            v += DivideTrunc(-DivideTrunc(v, 4) * strength, 10);
            SampleFixed(s, f, u, v);
        }
        StoreMeans(s, f.alpha, std::min(8, count - g), out + g);
    }
}
