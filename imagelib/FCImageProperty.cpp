#include "imagelib/FCImageProperty.h"

namespace
{
void PutLE(std::string& s, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        s += char((v >> (8 * i)) & 0xFF);
}

std::uint32_t GetLE(std::string_view s, std::size_t at, int bytes)
{
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= std::uint32_t(static_cast<unsigned char>(s[at + i])) << (8 * i);
    return v;
}
} // namespace

std::string PackPropertyItem(unsigned tag, unsigned short type, unsigned length, const void* value)
{
    if (length == 0 || value == nullptr) return {};
    std::string s;
    s.reserve(10 + std::size_t(length));
    PutLE(s, tag, 4);
    PutLE(s, type, 2);
    PutLE(s, length, 4);
    s.append(static_cast<const char*>(value), length);
    return s;
}

bool UnpackPropertyItem(std::string_view packed, PropertyItem& out)
{
    if (packed.size() < 10) return false;
    const std::uint32_t length = GetLE(packed, 6, 4);
    if (length > packed.size() - 10) return false;
    out.id = GetLE(packed, 0, 4);
    out.type = std::uint16_t(GetLE(packed, 4, 2));
    out.length = length;
    out.value = packed.data() + 10;
    return true;
}
