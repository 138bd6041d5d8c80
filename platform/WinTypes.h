// Value types of the desktop platform the program was designed for, written here as plain
// structs with the same field layout so that pixel blocks and headers read and write alike.
#pragma once

#include <cstdint>
#include <cstring>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = std::uint32_t;
using BOOL = std::int32_t;
using INT64 = std::int64_t;
using UINT64 = std::uint64_t;

#ifndef FALSE
#define FALSE 0
#endif
#ifndef TRUE
#define TRUE 1
#endif

struct RECT
{
    LONG left = 0;
    LONG top = 0;
    LONG right = 0;
    LONG bottom = 0;
};

struct POINT
{
    LONG x = 0;
    LONG y = 0;
};

struct SIZE
{
    LONG cx = 0;
    LONG cy = 0;
};

struct RGBQUAD
{
    BYTE rgbBlue = 0;
    BYTE rgbGreen = 0;
    BYTE rgbRed = 0;
    BYTE rgbReserved = 0;
};
static_assert(sizeof(RGBQUAD) == 4);

#pragma pack(push, 2)
struct BITMAPFILEHEADER
{
    WORD bfType = 0;
    DWORD bfSize = 0;
    WORD bfReserved1 = 0;
    WORD bfReserved2 = 0;
    DWORD bfOffBits = 0;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPFILEHEADER) == 14);

struct BITMAPINFOHEADER
{
    DWORD biSize = 0;
    LONG biWidth = 0;
    LONG biHeight = 0;
    WORD biPlanes = 0;
    WORD biBitCount = 0;
    DWORD biCompression = 0;
    DWORD biSizeImage = 0;
    LONG biXPelsPerMeter = 0;
    LONG biYPelsPerMeter = 0;
    DWORD biClrUsed = 0;
    DWORD biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

constexpr DWORD BI_RGB = 0;
constexpr DWORD BI_BITFIELDS = 3;

// A header followed by room for a full 256-entry colour table.
struct BITMAPINFO
{
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[256];
};

// A metadata item of an image file: the tag, the byte length of its value, its TIFF type and
// a pointer to the value bytes (owned by whoever handed the item out).
struct PropertyItem
{
    std::uint32_t id = 0;
    std::uint32_t length = 0;
    std::uint16_t type = 0;
    const void* value = nullptr;
};

inline bool IntersectRect(RECT* out, const RECT* a, const RECT* b)
{
    RECT r;
    r.left = a->left > b->left ? a->left : b->left;
    r.top = a->top > b->top ? a->top : b->top;
    r.right = a->right < b->right ? a->right : b->right;
    r.bottom = a->bottom < b->bottom ? a->bottom : b->bottom;
    if (r.left >= r.right || r.top >= r.bottom)
    {
        *out = RECT{};
        return false;
    }
    *out = r;
    return true;
}
