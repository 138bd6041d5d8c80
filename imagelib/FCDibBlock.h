// Device-independent bitmap blocks as the clipboard carries them: a 40-byte header followed by
// the pixel rows exactly as the image holds them, bottom row first.
#pragma once

#include "imagelib/FCObjImage.h"

#include <cstddef>
#include <vector>

// The block of an image: 24 or 32 bits per pixel as the image has them (an 8-bit image goes out
// as a 24-bit copy; the image itself keeps its 8 bits). 32-bit images keep their alpha bytes and
// are still declared BI_RGB. Empty when the image has no pixels.
std::vector<BYTE> BuildDibBlock(const FCObjImage& image);

// The same block written into memory of the caller's (DibBlockSize(image) bytes at out), for 24-
// and 32-bit images only: one copy of the pixels, whatever the size of the picture. DibBlockSize
// is 0, and WriteDibBlock false, for any other image.
std::size_t DibBlockSize(const FCObjImage& image);
bool WriteDibBlock(const FCObjImage& image, BYTE* out);

enum class DibBlockRead
{
    Taken,   // a 32-bit BI_RGB block, copied byte for byte into the image
    Generic, // not such a block, or too short for what its header says: use another route
    Refused, // a 32-bit BI_RGB block the image cannot be made from (top-down, empty, too big)
};

// Reads a block of foreign origin: the sizes are checked against the header before any pixel is
// read, and a colour table after the header is skipped. out is emptied first.
DibBlockRead ReadDib32Block(const BYTE* data, std::size_t size, FCObjImage& out);
