#include "platform/scanner/ScanDib.h"

#include <cstring>

namespace scanner
{
int DibColorEntries(const BITMAPINFOHEADER& h)
{
    const int bpp = h.biBitCount;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return -1;
    if (h.biClrUsed != 0)
    {
        const DWORD limit = bpp <= 8 ? (DWORD(1) << bpp) : 256;
        return h.biClrUsed > limit ? -1 : int(h.biClrUsed);
    }
    return bpp <= 8 ? (1 << bpp) : 0;
}

bool DibToBmpFile(std::uint8_t* block, std::size_t blockSize, std::vector<std::uint8_t>& file)
{
    file.clear();
    if (!block || blockSize < sizeof(BITMAPINFOHEADER)) return false;
    BITMAPINFOHEADER h;
    std::memcpy(&h, block, sizeof h);
    if (h.biSize < 40 || h.biSize > 124 || h.biSize > blockSize) return false;
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biPlanes != 1) return false;
    const int entries = DibColorEntries(h);
    if (entries < 0) return false;
    const std::uint64_t masks = (h.biCompression == BI_BITFIELDS && h.biSize == 40) ? 12 : 0;
    const std::uint64_t offBits = std::uint64_t(h.biSize) + masks + 4ull * std::uint64_t(entries);
    if (offBits > blockSize) return false;
    const std::uint64_t available = blockSize - offBits;
    std::uint64_t image = h.biSizeImage;
    if (image == 0)
    {
        const std::uint64_t height =
            h.biHeight < 0 ? std::uint64_t(-std::int64_t(h.biHeight)) : std::uint64_t(h.biHeight);
        const std::uint64_t pitch = ((std::uint64_t(h.biWidth) * h.biBitCount + 31) & ~std::uint64_t(31)) / 8;
        image = pitch * height;
        if (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS)
        {
            image = image * 3 / 2;
            if (image > available) image = available;
        }
        if (image > 0xFFFFFFFFull) return false;
    }
    if (image > available) return false;
    const std::uint64_t total = 14 + offBits + image;
    if (total > 0xFFFFFFFFull) return false;
    // The computed size goes back into the bitmap, as it was given to us.
    if (h.biSizeImage == 0)
    {
        h.biSizeImage = DWORD(image);
        std::memcpy(block, &h, sizeof h);
    }
    BITMAPFILEHEADER fh;
    fh.bfType = 0x4D42;
    fh.bfSize = DWORD(total);
    fh.bfOffBits = DWORD(14 + offBits);
    file.resize(std::size_t(total));
    std::memcpy(file.data(), &fh, 14);
    std::memcpy(file.data() + 14, block, std::size_t(offBits + image));
    return true;
}
} // namespace scanner
