// The PNG form of a copied picture, for the programs that read only compressed images. Made from
// the bitmap block the clipboard already holds (24 bits as RGB, 32 bits as RGBA with its straight
// alpha), at a fast compression level: a big copy is encoded in a fraction of the time the
// default level takes, on a helper thread, row by row so that a newer copy can stop it.
#pragma once

#include "platform/WinTypes.h"

#include <atomic>
#include <cstddef>
#include <vector>

// Encodes a bottom-up 24- or 32-bit BI_RGB block (header, then the rows; nothing else is
// accepted). False, with out empty, for any other block, a block shorter than its rows, or when
// cancel became true (checked before every row).
bool EncodeDibBlockAsPng(const BYTE* block, std::size_t size, std::vector<BYTE>& out,
                         const std::atomic<bool>* cancel = nullptr);
