// The luminance of a run of pixels, included by YUVEffects.cpp once for each instruction set it
// dispatches to, inside a namespace of its own: TruncClampToByte(YuvLuma(R, G, B)) in integers,
// so that the compiler vectorises it. The luminance is (299 R + 587 G + 114 B) / 1000: whole, or
// at least 0.001 away from the whole numbers on either side, and the double products and the
// rounding to float move it by far less than that, so its truncation is the integer quotient
// (the effect's tests compare both over every colour).

template <int Bpp> void LuminanceRun(BYTE* __restrict p, int n)
{
    for (int x = 0; x < n; ++x, p += Bpp)
    {
        const unsigned sum = 299u * p[2] + 587u * p[1] + 114u * p[0];
        const BYTE v = BYTE(sum / 1000u);
        p[0] = v;
        p[1] = v;
        p[2] = v;
    }
}
