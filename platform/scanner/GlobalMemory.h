// Movable memory blocks that the program, the data source manager and the sources hand to one
// another (capability containers, native images). One header-only implementation with no state
// of its own: a block is a malloc'd area that starts with its size, so whichever module frees it,
// the C library's one heap takes it back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

using HGLOBAL = void*;

constexpr unsigned GMEM_FIXED = 0x0000;
constexpr unsigned GMEM_MOVEABLE = 0x0002;
constexpr unsigned GMEM_ZEROINIT = 0x0040;
constexpr unsigned GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;

namespace globalmem
{
struct BlockHeader
{
    std::uint64_t magic;
    std::uint64_t size;
    std::uint64_t locks;
    std::uint64_t reserved;
};
constexpr std::uint64_t kMagic = 0x4f52564c474d454dull;

inline BlockHeader* Header(HGLOBAL h)
{
    auto* header = static_cast<BlockHeader*>(h);
    return header && header->magic == kMagic ? header : nullptr;
}
} // namespace globalmem

// A block of bytes (zero-filled with GMEM_ZEROINIT), or null when there is no memory for it.
inline HGLOBAL GlobalAlloc(unsigned flags, std::size_t bytes)
{
    using namespace globalmem;
    if (bytes > (std::size_t(1) << 48)) return nullptr;
    void* p = (flags & GMEM_ZEROINIT) ? std::calloc(1, sizeof(BlockHeader) + bytes)
                                      : std::malloc(sizeof(BlockHeader) + bytes);
    if (!p) return nullptr;
    auto* header = static_cast<BlockHeader*>(p);
    header->magic = kMagic;
    header->size = bytes;
    header->locks = 0;
    header->reserved = 0;
    return p;
}

inline void* GlobalLock(HGLOBAL h)
{
    globalmem::BlockHeader* header = globalmem::Header(h);
    if (!header) return nullptr;
    ++header->locks;
    return header + 1;
}

inline bool GlobalUnlock(HGLOBAL h)
{
    globalmem::BlockHeader* header = globalmem::Header(h);
    if (!header || header->locks == 0) return false;
    return --header->locks != 0;
}

inline std::size_t GlobalSize(HGLOBAL h)
{
    globalmem::BlockHeader* header = globalmem::Header(h);
    return header ? std::size_t(header->size) : 0;
}

// Null when the block was freed; the block itself when it was not one of ours.
inline HGLOBAL GlobalFree(HGLOBAL h)
{
    globalmem::BlockHeader* header = globalmem::Header(h);
    if (!header) return h;
    header->magic = 0;
    std::free(header);
    return nullptr;
}

// A larger or smaller block with the same leading bytes (new bytes zero-filled with
// GMEM_ZEROINIT); null, with the old block untouched, when there is no memory.
inline HGLOBAL GlobalReAlloc(HGLOBAL h, std::size_t bytes, unsigned flags)
{
    using namespace globalmem;
    BlockHeader* header = Header(h);
    if (!header || bytes > (std::size_t(1) << 48)) return nullptr;
    const std::size_t old = std::size_t(header->size);
    void* p = std::realloc(header, sizeof(BlockHeader) + bytes);
    if (!p) return nullptr;
    header = static_cast<BlockHeader*>(p);
    if ((flags & GMEM_ZEROINIT) && bytes > old)
        std::memset(reinterpret_cast<unsigned char*>(header + 1) + old, 0, bytes - old);
    header->size = bytes;
    return p;
}
