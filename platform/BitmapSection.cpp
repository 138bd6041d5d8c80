#include "platform/BitmapSection.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include <sys/mman.h>

struct BitmapSection
{
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
    UINT colorCount = 0;
    void* block = nullptr;  // what calloc or mmap returned
    std::size_t mapped = 0; // bytes mapped when the block came from mmap, else 0
    BYTE* bits = nullptr;   // 64-byte aligned inside block
    std::int64_t pitch = 0;
};

namespace
{
constexpr std::int64_t kLargeBlock = std::int64_t(4) << 20;
constexpr std::size_t kHugePage = std::size_t(2) << 20;

// Large blocks freed lately, kept for the next pictures of about their size: memory touched for
// the first time costs the system a fault and a clear for every page, many times what clearing
// memory already in use costs, and an effect or a copy usually makes a picture of the size of
// the one it has just let go. At most kKeptBlocks blocks and kKeptBytes bytes are kept; when the
// system refuses memory they are given back first.
constexpr int kKeptBlocks = 2;
constexpr std::size_t kKeptBytes = std::size_t(320) << 20;

class KeptBlocks
{
public:
    static KeptBlocks& Instance()
    {
        static KeptBlocks kept;
        return kept;
    }

    // A kept block of at least length bytes and not much more, or null.
    void* Take(std::size_t length, std::size_t* taken)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (int i = 0; i < m_count; ++i)
            if (m_blocks[i].length >= length && m_blocks[i].length - length <= length / 4 + kHugePage)
            {
                void* map = m_blocks[i].map;
                *taken = m_blocks[i].length;
                m_bytes -= m_blocks[i].length;
                for (int j = i; j + 1 < m_count; ++j)
                    m_blocks[j] = m_blocks[j + 1];
                --m_count;
                return map;
            }
        return nullptr;
    }

    // Keeps the block, or gives it back when it is too large; the oldest go first.
    void Keep(void* map, std::size_t length)
    {
        if (length > kKeptBytes)
        {
            munmap(map, length);
            return;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        while (m_count > 0 && (m_count == kKeptBlocks || m_bytes + length > kKeptBytes))
            DropOldest();
        m_blocks[m_count++] = Block{map, length};
        m_bytes += length;
    }

    void GiveBackAll()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        while (m_count > 0)
            DropOldest();
    }

private:
    struct Block
    {
        void* map = nullptr;
        std::size_t length = 0;
    };

    void DropOldest()
    {
        munmap(m_blocks[0].map, m_blocks[0].length);
        m_bytes -= m_blocks[0].length;
        for (int j = 0; j + 1 < m_count; ++j)
            m_blocks[j] = m_blocks[j + 1];
        --m_count;
    }

    std::mutex m_mutex;
    Block m_blocks[kKeptBlocks];
    int m_count = 0;
    std::size_t m_bytes = 0;
};

// A mapping of length bytes: a kept one (*zeroed false: it holds what its last picture left) or
// a fresh one, whose pages the system gives zero-filled (*zeroed true).
void* MapLargeBlock(std::size_t length, std::size_t* mapped, bool* zeroed)
{
    std::size_t taken = 0;
    if (void* map = KeptBlocks::Instance().Take(length, &taken))
    {
        *mapped = taken;
        *zeroed = false;
        return map;
    }
    void* map = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map == MAP_FAILED)
    {
        KeptBlocks::Instance().GiveBackAll();
        map = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (map == MAP_FAILED) return nullptr;
    }
    *mapped = length;
    *zeroed = true;
    return map;
}
} // namespace

std::int64_t DibRowPitch(std::int64_t width, std::int64_t bitCount)
{
    if (width < 0 || bitCount < 0 || width > (std::int64_t(1) << 40) || bitCount > 64) return -1;
    const std::int64_t pitch = ((bitCount * width + 31) / 32) * 4;
    return pitch > kMaxBitmapBytes ? -1 : pitch;
}

HBITMAP CreateDIBSection(const BITMAPINFO* bmi, BYTE** bits)
{
    bool zeroed = false;
    BYTE* own = nullptr;
    HBITMAP section = CreateDIBSectionUncleared(bmi, &own, &zeroed);
    if (section && !zeroed) std::memset(own, 0, section->header.biSizeImage);
    if (bits) *bits = own;
    return section;
}

HBITMAP CreateDIBSectionUncleared(const BITMAPINFO* bmi, BYTE** bits, bool* zeroed)
{
    if (bits) *bits = nullptr;
    *zeroed = true;
    if (!bmi) return nullptr;
    const BITMAPINFOHEADER& h = bmi->bmiHeader;
    const int bc = h.biBitCount;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth < 1 || h.biHeight < 1 || h.biPlanes != 1 ||
        h.biCompression != BI_RGB)
        return nullptr;
    if (bc != 1 && bc != 4 && bc != 8 && bc != 16 && bc != 24 && bc != 32) return nullptr;
    const std::int64_t pitch = DibRowPitch(h.biWidth, bc);
    if (pitch <= 0) return nullptr;
    const std::int64_t total = pitch * std::int64_t(h.biHeight);
    if (total > kMaxBitmapBytes) return nullptr;

    auto* section = new (std::nothrow) BitmapSection;
    if (!section) return nullptr;
    if (total >= kLargeBlock)
    {
        // Large pictures get their own zero pages, on a huge-page boundary when the system has
        // them: far fewer page faults when the pixels are first written.
        const std::size_t length = std::size_t(total) + kHugePage;
        std::size_t mapped = 0;
        void* map = MapLargeBlock(length, &mapped, zeroed);
        if (!map)
        {
            delete section;
            return nullptr;
        }
        const auto addr = reinterpret_cast<std::uintptr_t>(map);
        const auto aligned = (addr + kHugePage - 1) & ~std::uintptr_t(kHugePage - 1);
        madvise(reinterpret_cast<void*>(aligned), std::size_t(total), MADV_HUGEPAGE);
        section->block = map;
        section->mapped = mapped;
        section->bits = reinterpret_cast<BYTE*>(aligned);
    }
    else
    {
        // 64 spare bytes let the pixels start on a 64-byte boundary.
        void* block = std::calloc(std::size_t(total) + 64, 1);
        if (!block)
        {
            delete section;
            return nullptr;
        }
        section->block = block;
        const auto addr = reinterpret_cast<std::uintptr_t>(block);
        section->bits = reinterpret_cast<BYTE*>((addr + 63) & ~std::uintptr_t(63));
    }
    section->header = h;
    section->header.biSizeImage = DWORD(total);
    section->pitch = pitch;
    if (bc <= 8)
    {
        section->colorCount = 1u << bc;
        for (UINT i = 0; i < section->colorCount; ++i)
            section->colors[i] = bmi->bmiColors[i];
    }
    if (bits) *bits = section->bits;
    return section;
}

void DeleteObject(HBITMAP bitmap)
{
    if (!bitmap) return;
    if (bitmap->mapped)
        KeptBlocks::Instance().Keep(bitmap->block, bitmap->mapped);
    else
        std::free(bitmap->block);
    delete bitmap;
}

bool GetDIBSection(HBITMAP bitmap, DIBSECTION* out)
{
    if (!bitmap || !out) return false;
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
    if (!bitmap || !colors || start >= bitmap->colorCount) return 0;
    const UINT n = count < bitmap->colorCount - start ? count : bitmap->colorCount - start;
    for (UINT i = 0; i < n; ++i)
        bitmap->colors[start + i] = colors[i];
    return n;
}

UINT GetDIBColorTable(HBITMAP bitmap, UINT start, UINT count, RGBQUAD* colors)
{
    if (!bitmap || !colors || start >= bitmap->colorCount) return 0;
    const UINT n = count < bitmap->colorCount - start ? count : bitmap->colorCount - start;
    for (UINT i = 0; i < n; ++i)
        colors[i] = bitmap->colors[start + i];
    return n;
}
