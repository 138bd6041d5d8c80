// What travels with an image besides its pixels: frame delays, camera make, model and date
// taken, every other metadata item in packed form, and the one integer that steers saving.
#pragma once

#include "platform/WinTypes.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class FCImageProperty
{
public:
    FCImageProperty() = default;
    FCImageProperty(const FCImageProperty&) = default;
    FCImageProperty& operator=(const FCImageProperty&) = default;
    virtual ~FCImageProperty() = default;

    // -1: none. JPEG: quality 0..100. GIF: index of the transparent palette entry.
    int saveParameter = -1;
    // One per animation frame, in milliseconds.
    std::vector<std::int32_t> frameDelays;
    // Tags 271, 272 and 36867 as read; may end with their zero terminator.
    std::string make;
    std::string model;
    std::string dateTaken;
    // Every other item: tag (u32), type (u16), length (u32), then the value bytes, little-endian.
    std::vector<std::string> rawItems;
};

// TIFF value types of metadata items.
enum : unsigned short
{
    kPropertyTypeByte = 1,
    kPropertyTypeASCII = 2,
    kPropertyTypeShort = 3,
    kPropertyTypeLong = 4,
    kPropertyTypeRational = 5,
    kPropertyTypeUndefined = 7,
    kPropertyTypeSLong = 9,
    kPropertyTypeSRational = 10,
};

// The packed form of one item; empty when length is 0 or value is null.
std::string PackPropertyItem(unsigned tag, unsigned short type, unsigned length, const void* value);

// Reads a packed item back. False (and out untouched) when the string is shorter than its
// 10-byte head or its length field claims more bytes than follow; out.value then points into
// the packed string.
bool UnpackPropertyItem(std::string_view packed, PropertyItem& out);
