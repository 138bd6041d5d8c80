// Foreign TIFF/EXIF blocks through the item reader, then the items through the EXIF writer and
// back: every item the writer keeps must read back with its type and value unchanged, and the
// block must stay within the marker segment limit.
#include "platform/imaging/ImagingInternal.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

using namespace imaging::detail;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > (1u << 18)) return 0;
    // An exact-size copy, so that a read past the block is seen.
    std::unique_ptr<BYTE[]> block(new BYTE[size ? size : 1]);
    if (size) std::memcpy(block.get(), data, size);
    ItemList items;
    ParseTiffItems(block.get(), size, items);
    const std::vector<BYTE> app1 = BuildExifApp1(items);
    if (app1.size() > 65533) std::abort();
    if (app1.empty()) return 0;
    ItemList back;
    ParseTiffItems(app1.data() + 6, app1.size() - 6, back);
    for (const Item& item : back)
    {
        const Item* original = FindItem(items, item.id);
        if (!original || original->type != item.type || original->value != item.value ||
            !IsWritableExifTag(item.id))
            std::abort();
    }
    return 0;
}
