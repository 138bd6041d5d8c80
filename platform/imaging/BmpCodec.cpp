// BMP files: core (12-byte) and info (40 to 124-byte) headers, 1/4/8 bits with colour tables,
// RLE4 and RLE8, 16 bits (555, 565, bitfields), 24 bits, 32 bits (plain or bitfields),
// bottom-up and top-down rows. Written bottom-up, uncompressed, in 8, 24 or 32 bits.
#include "platform/imaging/ImagingInternal.h"

#include <algorithm>
#include <cstring>

namespace imaging::detail
{
namespace
{
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitfields = 3;
constexpr std::uint32_t kAlphaBitfields = 6;

// One channel under a bit mask, scaled to 0..255.
struct Channel
{
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    explicit Channel(std::uint32_t m = 0) : mask(m)
    {
        if (!mask) return;
        while (!((mask >> shift) & 1u))
            ++shift;
        max = mask >> shift;
    }
    BYTE Get(std::uint32_t pixel) const
    {
        if (!max) return 0;
        const std::uint64_t v = (pixel & mask) >> shift;
        return BYTE(v * 255u / max);
    }
};

// Decodes RLE8 or RLE4 data into 8-bit indices (rows counted from the bottom of the file).
void DecodeRle(const BYTE* p, std::size_t n, bool four, Frame& frame)
{
    const int w = frame.width, h = frame.height;
    int x = 0, row = 0; // row 0 is the bottom row
    std::size_t i = 0;
    auto put = [&](BYTE index)
    {
        if (x < w && row < h) frame.Row(h - 1 - row)[x] = index;
        ++x;
    };
    while (i + 1 < n && row < h)
    {
        const BYTE count = p[i], value = p[i + 1];
        i += 2;
        if (count > 0)
        {
            for (int k = 0; k < count && x < w; ++k)
                put(four ? BYTE((k & 1) ? (value & 0x0F) : (value >> 4)) : value);
            continue;
        }
        if (value == 0) // end of line
        {
            x = 0;
            ++row;
        }
        else if (value == 1) // end of bitmap
            break;
        else if (value == 2) // delta
        {
            if (i + 1 >= n) break;
            x += p[i];
            row += p[i + 1];
            i += 2;
        }
        else // absolute run of value pixels, padded to 16 bits
        {
            const std::size_t bytes = four ? (std::size_t(value) + 1) / 2 : value;
            if (i + bytes > n) break;
            for (int k = 0; k < value; ++k)
                put(four ? BYTE((k & 1) ? (p[i + k / 2] & 0x0F) : (p[i + k / 2] >> 4)) : p[i + k]);
            i += (bytes + 1) & ~std::size_t(1);
        }
    }
}
} // namespace

bool DecodeDib(const BYTE* dib, std::size_t size, std::size_t pixelOffset, Decoded& out, Frame& frame,
               bool iconMode, std::size_t* pixelEnd)
{
    if (size < 12) return false;
    const std::uint32_t headerSize = GetU32LE(dib);
    std::int64_t width, height;
    unsigned bitCount;
    std::uint32_t compression = 0, colorsUsed = 0;
    std::uint32_t masks[4] = {0, 0, 0, 0};
    bool hasMasks = false;
    std::size_t tableAt, entrySize;
    if (headerSize == 12)
    {
        width = GetU16LE(dib + 4);
        height = GetU16LE(dib + 6);
        if (GetU16LE(dib + 8) != 1) return false;
        bitCount = GetU16LE(dib + 10);
        tableAt = 12;
        entrySize = 3;
    }
    else if (headerSize >= 40 && headerSize <= 124 && headerSize <= size)
    {
        width = std::int32_t(GetU32LE(dib + 4));
        height = std::int32_t(GetU32LE(dib + 8));
        if (GetU16LE(dib + 12) != 1) return false;
        bitCount = GetU16LE(dib + 14);
        compression = GetU32LE(dib + 16);
        colorsUsed = GetU32LE(dib + 32);
        tableAt = headerSize;
        entrySize = 4;
        if (compression == kBitfields || compression == kAlphaBitfields)
        {
            hasMasks = true;
            const unsigned count = compression == kAlphaBitfields ? 4 : 3;
            if (headerSize >= 40 + 4 * std::size_t(count))
                for (unsigned i = 0; i < count; ++i)
                    masks[i] = GetU32LE(dib + 40 + 4 * i);
            else
            {
                // The masks follow a 40-byte header.
                if (size < 40 + 4 * std::size_t(count)) return false;
                for (unsigned i = 0; i < count; ++i)
                    masks[i] = GetU32LE(dib + 40 + 4 * i);
                tableAt = 40 + 4 * std::size_t(count);
            }
            if (headerSize >= 56) masks[3] = GetU32LE(dib + 52);
        }
    }
    else
        return false;

    bool topDown = false;
    if (height < 0)
    {
        topDown = true;
        height = -height;
    }
    if (iconMode) height /= 2;
    if (width < 1 || height < 1) return false;
    if (topDown && (compression == kRle8 || compression == kRle4)) return false;
    const bool rleOk = (compression == kRle8 && bitCount == 8) || (compression == kRle4 && bitCount == 4);
    const bool plainOk = compression == 0 || ((compression == kBitfields || compression == kAlphaBitfields) &&
                                              (bitCount == 16 || bitCount == 32));
    if (!rleOk && !plainOk) return false;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return false;

    // The colour table.
    std::size_t tableEntries = 0;
    if (bitCount <= 8)
        tableEntries = colorsUsed ? colorsUsed : (std::size_t(1) << bitCount);
    else if (headerSize != 12)
        tableEntries = colorsUsed;
    // A table that claims more entries than lie before the pixels holds only those.
    if (pixelOffset > tableAt && tableEntries > (pixelOffset - tableAt) / entrySize)
        tableEntries = (pixelOffset - tableAt) / entrySize;
    if (tableEntries > (size - tableAt) / entrySize)
    {
        if (bitCount <= 8) return false;
        tableEntries = 0;
    }
    const std::size_t tableEnd = tableAt + tableEntries * entrySize;
    if (pixelOffset == 0 || pixelOffset > size) pixelOffset = tableEnd;

    int storage = bitCount <= 8 ? 8 : (bitCount == 32 ? 32 : 24);
    if (!AllocateFrame(out, frame, width, height, storage)) return false;
    const int w = frame.width, h = frame.height;

    if (bitCount <= 8)
    {
        frame.format = bitCount == 1 ? PixelFormat1bppIndexed
                                     : (bitCount == 4 ? PixelFormat4bppIndexed : PixelFormat8bppIndexed);
        frame.palette.Count = 1u << bitCount;
        for (UINT i = 0; i < 256; ++i)
            frame.palette.Entries[i] = 0xFF000000u;
        for (std::size_t i = 0; i < tableEntries && i < 256; ++i)
        {
            const BYTE* e = dib + tableAt + i * entrySize;
            frame.palette.Entries[i] = 0xFF000000u | ARGB(e[2]) << 16 | ARGB(e[1]) << 8 | e[0];
        }
    }
    else if (bitCount == 16)
        frame.format = hasMasks && masks[1] == 0x07E0 ? PixelFormat16bppRGB565 : PixelFormat16bppRGB555;
    else if (bitCount == 24)
        frame.format = PixelFormat24bppRGB;
    else
        frame.format = iconMode ? PixelFormat32bppARGB : PixelFormat32bppRGB;
    if (iconMode && bitCount == 32) frame.flags = ImageFlagsHasAlpha;

    const BYTE* pixels = dib + pixelOffset;
    const std::size_t available = size - pixelOffset;
    if (rleOk)
    {
        DecodeRle(pixels, available, compression == kRle4, frame);
        frame.validRows = h;
        if (pixelEnd) *pixelEnd = size;
        return true;
    }

    const std::size_t stride = std::size_t(DibRowPitch(w, bitCount));
    const std::size_t rowsPresent = std::min<std::size_t>(available / stride, std::size_t(h));
    if (pixelEnd) *pixelEnd = pixelOffset + stride * std::size_t(h);

    if (!hasMasks)
    {
        if (bitCount == 16)
        {
            masks[0] = 0x7C00;
            masks[1] = 0x03E0;
            masks[2] = 0x001F;
        }
        else if (bitCount == 32)
        {
            masks[0] = 0x00FF0000;
            masks[1] = 0x0000FF00;
            masks[2] = 0x000000FF;
        }
    }
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
    const bool plain32 = bitCount == 32 && masks[0] == 0x00FF0000 && masks[1] == 0x0000FF00 &&
                         masks[2] == 0x000000FF && (masks[3] == 0 || masks[3] == 0xFF000000u);
    bool anyFourth = false;

    for (std::size_t fileRow = 0; fileRow < rowsPresent; ++fileRow)
    {
        const int y = topDown ? int(fileRow) : h - 1 - int(fileRow);
        const BYTE* s = pixels + fileRow * stride;
        BYTE* d = frame.Row(y);
        switch (bitCount)
        {
        case 1:
            for (int x = 0; x < w; ++x)
                d[x] = BYTE((s[x >> 3] >> (7 - (x & 7))) & 1);
            break;
        case 4:
            for (int x = 0; x < w; ++x)
                d[x] = BYTE((x & 1) ? (s[x >> 1] & 0x0F) : (s[x >> 1] >> 4));
            break;
        case 8:
            std::memcpy(d, s, std::size_t(w));
            break;
        case 16:
            for (int x = 0; x < w; ++x, d += 3)
            {
                const std::uint32_t v = GetU16LE(s + 2 * x);
                d[0] = blue.Get(v);
                d[1] = green.Get(v);
                d[2] = red.Get(v);
            }
            break;
        case 24:
            std::memcpy(d, s, std::size_t(w) * 3);
            break;
        case 32:
            if (plain32)
                std::memcpy(d, s, std::size_t(w) * 4);
            else
                for (int x = 0; x < w; ++x, d += 4)
                {
                    const std::uint32_t v = GetU32LE(s + 4 * x);
                    d[0] = blue.Get(v);
                    d[1] = green.Get(v);
                    d[2] = red.Get(v);
                    d[3] = masks[3] ? alpha.Get(v) : BYTE(v >> 24);
                }
            if (!anyFourth)
            {
                const BYTE* row = frame.Row(y);
                for (int x = 0; x < w && !anyFourth; ++x)
                    anyFourth = row[4 * x + 3] != 0;
            }
            break;
        }
    }
    frame.validRows = topDown ? int(rowsPresent) : (rowsPresent == std::size_t(h) ? h : 0);

    // A 32-bit picture whose fourth bytes are all 0 would draw invisible: it reads as opaque.
    if (bitCount == 32 && !iconMode && !anyFourth && frame.validRows > 0)
        for (int y = 0; y < frame.validRows; ++y)
        {
            BYTE* d = frame.Row(y);
            for (int x = 0; x < w; ++x)
                d[4 * x + 3] = 255;
        }
    return true;
}

bool DecodeBmp(const BYTE* data, std::size_t size, Decoded& out)
{
    if (size < 14 + 12) return false;
    const std::uint32_t offBits = GetU32LE(data + 10);
    const std::size_t pixelOffset = offBits >= 14 + 12 && offBits < size ? offBits - 14 : 0;
    Frame frame;
    if (!DecodeDib(data + 14, size - 14, pixelOffset, out, frame, false)) return false;
    out.frames.push_back(std::move(frame));
    return true;
}

bool EncodeBmp(const Frame& frame, std::vector<BYTE>& out)
{
    const int bpp = frame.storageBpp;
    const std::int64_t pitch = DibRowPitch(frame.width, bpp);
    const std::size_t tableBytes = bpp == 8 ? 256 * 4 : 0;
    const std::uint64_t total = 14 + 40 + tableBytes + std::uint64_t(pitch) * std::uint64_t(frame.height);
    if (pitch <= 0 || total > 0xFFFFFFFFu) return false;
    out.clear();
    out.reserve(std::size_t(total));
    out.push_back('B');
    out.push_back('M');
    PutU32LE(out, std::uint32_t(total));
    PutU32LE(out, 0);
    PutU32LE(out, std::uint32_t(14 + 40 + tableBytes));
    PutU32LE(out, 40);
    PutU32LE(out, std::uint32_t(frame.width));
    PutU32LE(out, std::uint32_t(frame.height));
    PutU16LE(out, 1);
    PutU16LE(out, unsigned(bpp));
    PutU32LE(out, 0); // BI_RGB
    PutU32LE(out, std::uint32_t(std::uint64_t(pitch) * std::uint64_t(frame.height)));
    PutU32LE(out, 0);
    PutU32LE(out, 0);
    PutU32LE(out, bpp == 8 ? 256 : 0);
    PutU32LE(out, 0);
    if (bpp == 8)
        for (int i = 0; i < 256; ++i)
        {
            const ARGB c = frame.palette.Entries[i];
            out.push_back(BYTE(c));
            out.push_back(BYTE(c >> 8));
            out.push_back(BYTE(c >> 16));
            out.push_back(0);
        }
    const std::size_t rowBytes = std::size_t(frame.width) * std::size_t(bpp / 8);
    for (int y = frame.height - 1; y >= 0; --y)
    {
        const BYTE* row = frame.Row(y);
        out.insert(out.end(), row, row + rowBytes);
        out.insert(out.end(), std::size_t(pitch) - rowBytes, BYTE(0));
    }
    return true;
}
} // namespace imaging::detail
