// Icons: the first image of the directory, stored either as a BMP block (colour rows followed by
// a 1-bit AND mask) or as a PNG file, read as one 32-bit frame with alpha.
#include "platform/imaging/ImagingInternal.h"

#include <cstring>

namespace imaging::detail
{
namespace
{
// A frame of any storage to a 32-bit frame with alpha; mask (may be null) gives transparency
// where the colour data carries none.
bool ToArgb(Decoded& out, Frame& source, const BYTE* mask, std::size_t maskBytes, Frame& result)
{
    const int w = source.width, h = source.height;
    bool anyAlpha = false;
    if (source.storageBpp == 32)
        for (int y = 0; y < source.validRows && !anyAlpha; ++y)
            for (int x = 0; x < w && !anyAlpha; ++x)
                anyAlpha = source.Row(y)[4 * x + 3] != 0;
    if (source.storageBpp == 32 && (anyAlpha || !mask))
    {
        if (!anyAlpha) // no alpha and no mask: opaque
            for (int y = 0; y < source.validRows; ++y)
                for (int x = 0; x < w; ++x)
                    source.Row(y)[4 * x + 3] = 255;
        result = std::move(source);
        return true;
    }
    if (source.storageBpp == 32)
    {
        // Keep the frame, alpha comes from the mask below.
        result = std::move(source);
    }
    else
    {
        if (!AllocateFrame(out, result, w, h, 32)) return false;
        result.validRows = source.validRows;
        for (int y = 0; y < source.validRows; ++y)
        {
            const BYTE* s = source.Row(y);
            BYTE* d = result.Row(y);
            for (int x = 0; x < w; ++x, d += 4)
            {
                if (source.storageBpp == 8)
                {
                    const ARGB c = source.palette.Entries[s[x]];
                    d[0] = BYTE(c);
                    d[1] = BYTE(c >> 8);
                    d[2] = BYTE(c >> 16);
                }
                else
                    std::memcpy(d, s + 3 * x, 3);
                d[3] = 255;
            }
        }
    }
    const std::size_t maskStride = std::size_t(DibRowPitch(w, 1));
    for (int y = 0; y < result.validRows; ++y)
    {
        // The mask is stored bottom-up, one bit a pixel, 1 for transparent.
        const std::size_t at = std::size_t(h - 1 - y) * maskStride;
        BYTE* d = result.Row(y);
        for (int x = 0; x < w; ++x)
        {
            bool clear = false;
            if (mask && at + std::size_t(x >> 3) < maskBytes)
                clear = (mask[at + std::size_t(x >> 3)] >> (7 - (x & 7))) & 1;
            d[4 * x + 3] = clear ? 0 : 255;
        }
    }
    return true;
}
} // namespace

bool DecodeIco(const BYTE* data, std::size_t size, Decoded& out)
{
    if (size < 6 + 16) return false;
    const unsigned count = GetU16LE(data + 4);
    if (count == 0) return false;
    const BYTE* entry = data + 6;
    const std::uint32_t bytes = GetU32LE(entry + 8);
    const std::uint32_t offset = GetU32LE(entry + 12);
    if (offset >= size || bytes == 0) return false;
    const std::size_t length = std::min<std::size_t>(bytes, size - offset);
    const BYTE* image = data + offset;

    Frame result;
    if (length >= 8 && std::memcmp(image, "\x89PNG\r\n\x1A\n", 8) == 0)
    {
        Decoded png;
        png.bytesUsed = out.bytesUsed;
        if (!DecodePng(image, length, png) || png.frames.empty()) return false;
        out.bytesUsed = png.bytesUsed;
        if (!ToArgb(out, png.frames[0], nullptr, 0, result)) return false;
    }
    else
    {
        Frame colour;
        std::size_t pixelEnd = 0;
        if (!DecodeDib(image, length, 0, out, colour, true, &pixelEnd)) return false;
        const BYTE* mask = pixelEnd < length ? image + pixelEnd : nullptr;
        if (!ToArgb(out, colour, mask, mask ? length - pixelEnd : 0, result)) return false;
    }
    result.format = PixelFormat32bppARGB;
    result.flags = ImageFlagsHasAlpha;
    if (result.validRows == 0) return false;
    out.frames.push_back(std::move(result));
    return true;
}
} // namespace imaging::detail
