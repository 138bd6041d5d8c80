// What the decoders and encoders of the imaging layer share: decoded frames, metadata items,
// the pixel-memory budget and little byte-order helpers.
#pragma once

#include "platform/BitmapSection.h"
#include "platform/imaging/ImagingTypes.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace imaging::detail
{
// One metadata item; the value is in little-endian order.
struct Item
{
    std::uint32_t id = 0;
    std::uint16_t type = 0;
    std::vector<BYTE> value;
};
using ItemList = std::vector<Item>;

// Adds an item, replacing one with the same id.
void SetItem(ItemList& items, std::uint32_t id, std::uint16_t type, const void* value, std::size_t length);
const Item* FindItem(const ItemList& items, std::uint32_t id);
// The text of an ASCII item, up to its first zero byte.
std::string ItemText(const Item& item);

// Frame memory is a bitmap section: zero-filled, and for large pictures pages mapped on huge-page
// boundaries, which makes writing them the first time much cheaper.
struct SectionDeleter
{
    void operator()(BitmapSection* section) const { DeleteObject(section); }
};

// One decoded frame. Pixels are stored top row first in 8 (palette indices), 24 (B, G, R) or 32
// (B, G, R, fourth byte) bits; the fourth byte is straight alpha, or the raw byte of a 32bppRGB
// frame, or 255.
struct Frame
{
    int width = 0;
    int height = 0;
    PixelFormat format = PixelFormat24bppRGB; // as reported
    UINT flags = 0;
    int storageBpp = 24;
    std::size_t stride = 0;
    std::unique_ptr<BitmapSection, SectionDeleter> section;
    BYTE* pixels = nullptr; // rows from the top, stride bytes apart
    ColorPalette palette;
    // Rows that hold decoded pixels; the rest could not be read from the file.
    int validRows = 0;
    // The file's samples had more than 8 bits (16-bit or floating-point); they were reduced.
    bool deepSamples = false;
    ItemList items;

    BYTE* Row(int y) const { return pixels + std::size_t(y) * stride; }
};

struct Decoded
{
    GUID rawFormat;
    GUID dimension = FrameDimensionResolution;
    std::vector<Frame> frames;
    // Items that belong to the whole file (EXIF of a JPEG, frame delays of a GIF).
    ItemList items;
    std::uint64_t bytesUsed = 0;
    // Something the file announced could not be read: a frame cut short, a page skipped.
    bool incomplete = false;
};

// The decoded-bytes budget of one bitmap (SetMaxDecodedBytes).
std::uint64_t MaxDecodedBytes();

// Gives frame zero-filled memory for width x height pixels of storageBpp bits, within the
// decoded-bytes budget of image; false when the size is refused or cannot be had.
bool AllocateFrame(Decoded& image, Frame& frame, std::int64_t width, std::int64_t height, int storageBpp);

// Decoders: each appends frames and items to out and returns false when the data cannot be
// read at all. A frame whose data stops early keeps the rows it got (validRows).
bool DecodeBmp(const BYTE* data, std::size_t size, Decoded& out);
bool DecodeJpeg(const BYTE* data, std::size_t size, Decoded& out);
bool DecodePng(const BYTE* data, std::size_t size, Decoded& out);
bool DecodeGif(const BYTE* data, std::size_t size, Decoded& out);
bool DecodeTiff(const BYTE* data, std::size_t size, Decoded& out);
bool DecodeIco(const BYTE* data, std::size_t size, Decoded& out);

// A BMP pixel block without its file header: header, colour table, pixels at pixelOffset (0:
// right after the colour table). In icon mode the header's height counts the mask too, the
// 32-bit fourth byte is kept as alpha whatever it holds, and *pixelEnd receives the offset where
// the colour rows end (the mask follows).
bool DecodeDib(const BYTE* dib, std::size_t size, std::size_t pixelOffset, Decoded& out, Frame& frame,
               bool iconMode, std::size_t* pixelEnd = nullptr);

// Encoders: the frame (8, 24 or 32 bits) and the bitmap's items to file bytes.
bool EncodeBmp(const Frame& frame, std::vector<BYTE>& out);
bool EncodeJpeg(const Frame& frame, const ItemList& items, int quality, std::vector<BYTE>& out);
// The JPEG writer's strips, each a file of its own written with a restart marker after every row
// of blocks, every strip but the last a multiple of eight rows of blocks: the later strips'
// coded data is appended to the first file, with the restart marker between them, and the first
// file's frame header is given the whole height. The very file the whole picture would have made
// in one strip. False (first unusable) when a strip's markers are not the library's.
bool JoinJpegStrips(std::vector<BYTE>& first, const std::vector<std::vector<BYTE>>& rest, int height);
bool EncodeGif(const Frame& frame, std::vector<BYTE>& out);
bool EncodePng(const Frame& frame, const ItemList& items, std::vector<BYTE>& out);
bool EncodeTiff(const Frame& frame, const ItemList& items, std::vector<BYTE>& out);

// EXIF: a TIFF block (from its "II"/"MM" header) to items: the IFD at ifdOffset (0: the first
// one), then its Exif and GPS sub-IFDs; pointer tags, the thumbnail IFD and the
// interoperability IFD are left out. Every offset and count is checked against size; bad
// entries are skipped.
void ParseTiffItems(const BYTE* tiff, std::size_t size, ItemList& out, std::uint64_t ifdOffset = 0);
// Items to an APP1 payload ("Exif\0\0" and a little-endian TIFF block) of at most 65533 bytes:
// ids 0-31 to the GPS IFD, Exif ids to the Exif IFD, the rest to IFD0; synthetic, PNG-only,
// pointer, structure and offset tags are left out, and the largest UNDEFINED items are dropped
// while the block is too large. Empty when nothing is left to write.
std::vector<BYTE> BuildExifApp1(const ItemList& items);
// The same block without the "Exif\0\0" prefix (for a PNG eXIf chunk), or empty.
std::vector<BYTE> BuildExifTiff(const ItemList& items, std::size_t maxBytes);
// True for the ids that go into an EXIF block when an image is written.
bool IsWritableExifTag(std::uint32_t id);
// Bytes per value of a TIFF type; 0 for an unknown type.
unsigned TiffTypeSize(unsigned type);

// Byte order helpers.
inline std::uint16_t GetU16LE(const BYTE* p)
{
    return std::uint16_t(p[0] | p[1] << 8);
}
inline std::uint32_t GetU32LE(const BYTE* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
inline std::uint16_t GetU16BE(const BYTE* p)
{
    return std::uint16_t(p[0] << 8 | p[1]);
}
inline std::uint32_t GetU32BE(const BYTE* p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 |
           std::uint32_t(p[3]);
}
inline void PutU16LE(std::vector<BYTE>& v, unsigned x)
{
    v.push_back(BYTE(x));
    v.push_back(BYTE(x >> 8));
}
inline void PutU32LE(std::vector<BYTE>& v, std::uint32_t x)
{
    for (int i = 0; i < 4; ++i)
        v.push_back(BYTE(x >> (8 * i)));
}
inline void PutU32BE(std::vector<BYTE>& v, std::uint32_t x)
{
    for (int i = 3; i >= 0; --i)
        v.push_back(BYTE(x >> (8 * i)));
}
} // namespace imaging::detail
