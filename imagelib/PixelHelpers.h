// Small pixel routines shared by the effects, paste special and the colour dialogs.
#pragma once

#include "platform/WinTypes.h"

#include <cmath>
#include <cstring>

// An int to 0..255: 255 when v >= 255, 0 when v < 1, else v.
inline BYTE ClampToByte(int v)
{
    if (v >= 255) return 255;
    if (v < 1) return 0;
    return BYTE(v);
}

// Copies one pixel: 4 bytes for 32, 3 for 24, 2 for 16, 1 for 8 bits per pixel, nothing for any
// other value.
inline void CopyPixelBytes(BYTE* dest, const BYTE* src, int bitsPerPixel)
{
    switch (bitsPerPixel)
    {
    case 32:
        std::memcpy(dest, src, 4);
        break;
    case 24:
        std::memcpy(dest, src, 3);
        break;
    case 16:
        std::memcpy(dest, src, 2);
        break;
    case 8:
        *dest = *src;
        break;
    default:
        break;
    }
}

// A floating-point value to a byte by truncation after clamping to 0..255. NaN and -inf give 0,
// +inf gives 255 (a plain cast of NaN to int is undefined).
inline BYTE TruncClampToByte(double v)
{
    if (!(v > 0.0)) // NaN and everything at or below 0
        return 0;
    if (v >= 255.0) return 255;
    return BYTE(int(v));
}

// A floating-point value clamped to 0..255, then 0.5 added and the sum truncated: the rounding
// used by every effect that computes in double. NaN gives 0.
inline BYTE RoundClampToByte(double v)
{
    if (!(v > 0.0)) return 0;
    if (v >= 255.0) return 255;
    return BYTE(int(v + 0.5));
}

// Integer luminance, (30 R + 59 G + 11 B) / 100 truncated; pixel bytes are B, G, R.
inline int PixelLuminance(const BYTE* pixel)
{
    return (30 * pixel[2] + 59 * pixel[1] + 11 * pixel[0]) / 100;
}

// Y, U and V of one pixel, shared by the Y/U/V planes and the channel effects so that the tool
// views show exactly what the effects write. The products are formed in double from the integer
// bytes and rounded once to float: under that evaluation every grey level comes back exactly
// from Y/U/V to RGB and the luminance of grey v is v.
inline float YuvLuma(int r, int g, int b)
{
    return float(0.299 * r + 0.587 * g + 0.114 * b);
}

inline float YuvChromaU(int r, int g, int b)
{
    return float(0.5 * b - (0.169 * r + 0.331 * g));
}

inline float YuvChromaV(int r, int g, int b)
{
    return float(0.5 * r - 0.419 * g - 0.081 * b);
}

// Back from Y, U and V to red, green and blue, before clamping and truncation.
inline float YuvToRed(float y, float u, float v)
{
    return float(y - 0.0009267 * u + 1.4016868 * v);
}

inline float YuvToGreen(float y, float u, float v)
{
    return float(y - 0.3436954 * u - 0.714169 * v);
}

inline float YuvToBlue(float y, float u, float v)
{
    return float(y + 1.7721604 * u + 0.0009902 * v);
}
