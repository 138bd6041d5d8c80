#include "imagelib/FCDibBlock.h"

#include <cstdint>
#include <cstring>

std::vector<BYTE> BuildDibBlock(const FCObjImage& image)
{
    if (!image.HasBits()) return {};
    FCObjImage converted;
    const FCObjImage* source = &image;
    if (image.ColorBits() < 24)
    {
        converted = image;
        converted.ConvertBitDepth(24);
        if (!converted.HasBits()) return {};
        source = &converted;
    }
    std::vector<BYTE> block(DibBlockSize(*source));
    if (block.empty() || !WriteDibBlock(*source, block.data())) return {};
    return block;
}

std::size_t DibBlockSize(const FCObjImage& image)
{
    if (!image.HasBits() || (image.ColorBits() != 24 && image.ColorBits() != 32)) return 0;
    return sizeof(BITMAPINFOHEADER) + std::size_t(image.RowPitch()) * std::size_t(image.Height());
}

bool WriteDibBlock(const FCObjImage& image, BYTE* out)
{
    const std::size_t size = DibBlockSize(image);
    if (!size || !out) return false;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = image.Width();
    header.biHeight = image.Height();
    header.biPlanes = 1;
    header.biBitCount = WORD(image.ColorBits());
    header.biCompression = BI_RGB;
    std::memcpy(out, &header, sizeof header);
    std::memcpy(out + sizeof header, image.GetBits(), size - sizeof header);
    return true;
}

DibBlockRead ReadDib32Block(const BYTE* data, std::size_t size, FCObjImage& out)
{
    out.Destroy();
    if (!data || size < sizeof(BITMAPINFOHEADER)) return DibBlockRead::Generic;
    BITMAPINFOHEADER header;
    std::memcpy(&header, data, sizeof header);
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biSize > size) return DibBlockRead::Generic;
    if (header.biBitCount != 32 || header.biCompression != BI_RGB) return DibBlockRead::Generic;
    if (header.biWidth < 1 || header.biHeight < 1) return DibBlockRead::Refused;
    const std::int64_t pitch = DibRowPitch(header.biWidth, 32);
    if (pitch <= 0) return DibBlockRead::Refused;
    const std::uint64_t offset = std::uint64_t(header.biSize) + 4 * std::uint64_t(header.biClrUsed);
    const std::uint64_t pixels = std::uint64_t(pitch) * std::uint64_t(header.biHeight);
    if (offset > size || pixels > size - offset) return DibBlockRead::Generic;
    if (!out.Create(header.biWidth, header.biHeight, 32)) return DibBlockRead::Refused;
    std::memcpy(out.GetBits(), data + offset, std::size_t(pixels));
    return DibBlockRead::Taken;
}
