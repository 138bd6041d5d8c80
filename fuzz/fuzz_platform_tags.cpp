// Foreign metadata items through the tag formatter: any id, type, length and value bytes give
// some text, never a trap or a read past the item's length.
#include "imagelib/FCExifTags.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 6 || size > 4096) return 0;
    PropertyItem item;
    const std::uint32_t ids[] = {33434, 33437, 34855, 37386, 274, 282, 283, 296, 305, 271};
    std::uint32_t id;
    std::memcpy(&id, data, 4);
    // Half the inputs name one of the tags with a special form.
    item.id = (id & 1) ? ids[(id >> 1) % std::size(ids)] : id;
    item.type = std::uint16_t(data[4] % 13);
    const std::size_t length = size - 6;
    std::unique_ptr<BYTE[]> value(new BYTE[length ? length : 1]);
    if (length) std::memcpy(value.get(), data + 6, length);
    item.length = std::uint32_t(length);
    item.value = value.get();
    const std::wstring text = FormatPropertyValue(item);
    volatile std::size_t n =
        text.size() + PropertyTagName(item.id).size() + PropertyTypeName(item.type).size();
    (void)n;
    return 0;
}
