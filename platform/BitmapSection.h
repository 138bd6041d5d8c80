// Device-independent bitmap sections: pixel memory laid out bottom-up (the last row in memory is
// the top of the picture), rows padded to 4 bytes, with a 256-entry colour table for 8 bits per
// pixel. The memory is zero-filled and 64-byte aligned; sizes are computed in 64 bits and a
// bitmap whose size does not fit is refused.
#pragma once

#include "platform/WinTypes.h"

#include <cstddef>
#include <cstdint>

struct BitmapSection;
using HBITMAP = BitmapSection*;

constexpr UINT DIB_RGB_COLORS = 0;

// The largest pixel block a bitmap section may hold: offsets inside it stay within a signed
// 32-bit integer.
constexpr std::int64_t kMaxBitmapBytes = 0x7FFFFFFF;

// Bytes per row of a bitmap of this width and depth, rows padded to 4 bytes; -1 when the row
// would not fit in a signed 32-bit integer.
std::int64_t DibRowPitch(std::int64_t width, std::int64_t bitCount);

// Creates a bitmap section from the header of bmi (biWidth > 0, biHeight > 0 bottom-up,
// biPlanes 1, biBitCount 1/4/8/16/24/32, BI_RGB); the colour table is taken from bmi for depths
// of 8 bits or less. Returns null (and *bits null) when the header is refused or the memory
// cannot be had.
HBITMAP CreateDIBSection(const BITMAPINFO* bmi, BYTE** bits);

// The same, for a caller that writes every byte of the pixels itself or clears them its own
// way: memory kept from a section freed earlier is handed out as its last picture left it.
// *zeroed tells whether the pixels are all zero (fresh memory) or not.
HBITMAP CreateDIBSectionUncleared(const BITMAPINFO* bmi, BYTE** bits, bool* zeroed);

// Releases the section and its pixel memory. Null is ignored. The memory of the last large
// sections freed may be kept (a few hundred megabytes at most) for the next sections of about
// their size, cleared again before CreateDIBSection hands them out.
void DeleteObject(HBITMAP bitmap);

struct DIBSECTION
{
    LONG bmWidth = 0;
    LONG bmHeight = 0;
    LONG bmWidthBytes = 0;
    WORD bmPlanes = 0;
    WORD bmBitsPixel = 0;
    BYTE* bmBits = nullptr;
    BITMAPINFOHEADER dsBmih;
};

// Describes a section; false for null.
bool GetDIBSection(HBITMAP bitmap, DIBSECTION* out);

// Colour table access, entries [start, start + count) clipped to the table; returns the number
// of entries copied (0 for sections of more than 8 bits per pixel).
UINT SetDIBColorTable(HBITMAP bitmap, UINT start, UINT count, const RGBQUAD* colors);
UINT GetDIBColorTable(HBITMAP bitmap, UINT start, UINT count, RGBQUAD* colors);
