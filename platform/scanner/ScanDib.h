// Packed bitmaps (a header, its colour table, then the pixel rows) as scanners hand them over,
// and the BMP file made from one.
#pragma once

#include "platform/WinTypes.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace scanner
{
// The colour-table entries that follow a header: biClrUsed when set, else 2^bpp up to 8 bits,
// else none. -1 when the header is not one a packed bitmap may have.
int DibColorEntries(const BITMAPINFOHEADER& header);

// A BMP file (14-byte file header, then the packed bitmap) from a packed bitmap of blockSize
// bytes. The header's size (40 to 124 bytes), the colour table, the three masks of a 40-byte
// BI_BITFIELDS header and the pixel bytes must all lie inside the block; biSizeImage 0 is
// computed (pitch x height; half as much again for compressed data, at most what the block
// holds) and written back into the block. false, with nothing written, for a block that does
// not hold what its header claims.
bool DibToBmpFile(std::uint8_t* block, std::size_t blockSize, std::vector<std::uint8_t>& file);
} // namespace scanner
