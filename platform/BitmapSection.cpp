#include "platform/BitmapSection.h"

#include <cstdlib>
#include <new>

struct BitmapSection
{
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
    UINT colorCount = 0;
    void* block = nullptr; // what calloc returned
    BYTE* bits = nullptr;  // 64-byte aligned inside block
    std::int64_t pitch = 0;
};

std::int64_t DibRowPitch(std::int64_t width, std::int64_t bitCount)
{
    if (width < 0 || bitCount < 0 || width > (std::int64_t(1) << 40) || bitCount > 64)
        return -1;
    const std::int64_t pitch = ((bitCount * width + 31) / 32) * 4;
    return pitch > kMaxBitmapBytes ? -1 : pitch;
}

HBITMAP CreateDIBSection(const BITMAPINFO* bmi, BYTE** bits)
{
    if (bits)
        *bits = nullptr;
    if (!bmi)
        return nullptr;
    const BITMAPINFOHEADER& h = bmi->bmiHeader;
    const int bc = h.biBitCount;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth < 1 || h.biHeight < 1 || h.biPlanes != 1 ||
        h.biCompression != BI_RGB)
        return nullptr;
    if (bc != 1 && bc != 4 && bc != 8 && bc != 16 && bc != 24 && bc != 32)
        return nullptr;
    const std::int64_t pitch = DibRowPitch(h.biWidth, bc);
    if (pitch <= 0)
        return nullptr;
    const std::int64_t total = pitch * std::int64_t(h.biHeight);
    if (total > kMaxBitmapBytes)
        return nullptr;

    // calloc gives zero pages lazily for large blocks; 64 spare bytes let the pixels start on a
    // 64-byte boundary.
    void* block = std::calloc(std::size_t(total) + 64, 1);
    if (!block)
        return nullptr;
    auto* section = new (std::nothrow) BitmapSection;
    if (!section)
    {
        std::free(block);
        return nullptr;
    }
    section->header = h;
    section->header.biSizeImage = DWORD(total);
    section->block = block;
    const auto addr = reinterpret_cast<std::uintptr_t>(block);
    section->bits = reinterpret_cast<BYTE*>((addr + 63) & ~std::uintptr_t(63));
    section->pitch = pitch;
    if (bc <= 8)
    {
        section->colorCount = 1u << bc;
        for (UINT i = 0; i < section->colorCount; ++i)
            section->colors[i] = bmi->bmiColors[i];
    }
    if (bits)
        *bits = section->bits;
    return section;
}

void DeleteObject(HBITMAP bitmap)
{
    if (!bitmap)
        return;
    std::free(bitmap->block);
    delete bitmap;
}

bool GetDIBSection(HBITMAP bitmap, DIBSECTION* out)
{
    if (!bitmap || !out)
        return false;
    out->bmWidth = bitmap->header.biWidth;
    out->bmHeight = bitmap->header.biHeight;
    out->bmWidthBytes = LONG(bitmap->pitch);
    out->bmPlanes = 1;
    out->bmBitsPixel = bitmap->header.biBitCount;
    out->bmBits = bitmap->bits;
    out->dsBmih = bitmap->header;
    return true;
}

UINT SetDIBColorTable(HBITMAP bitmap, UINT start, UINT count, const RGBQUAD* colors)
{
    if (!bitmap || !colors || start >= bitmap->colorCount)
        return 0;
    const UINT n = count < bitmap->colorCount - start ? count : bitmap->colorCount - start;
    for (UINT i = 0; i < n; ++i)
        bitmap->colors[start + i] = colors[i];
    return n;
}

UINT GetDIBColorTable(HBITMAP bitmap, UINT start, UINT count, RGBQUAD* colors)
{
    if (!bitmap || !colors || start >= bitmap->colorCount)
        return 0;
    const UINT n = count < bitmap->colorCount - start ? count : bitmap->colorCount - start;
    for (UINT i = 0; i < n; ++i)
        colors[i] = bitmap->colors[start + i];
    return n;
}
