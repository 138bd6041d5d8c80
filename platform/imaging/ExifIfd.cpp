// TIFF image file directories as metadata items: the reader behind JPEG EXIF segments, PNG
// eXIf chunks and TIFF pages, and the writer of EXIF blocks. Item values are kept in
// little-endian order whatever the file's order.
#include "platform/imaging/ImagingInternal.h"

#include <algorithm>
#include <cstring>

namespace imaging::detail
{
namespace
{
constexpr std::uint16_t kExifPointer = 34665;
constexpr std::uint16_t kGpsPointer = 34853;
constexpr std::uint16_t kInteropPointer = 40965;

struct TiffReader
{
    const BYTE* data;
    std::size_t size;
    bool bigEndian;

    std::uint16_t U16(std::size_t at) const { return bigEndian ? GetU16BE(data + at) : GetU16LE(data + at); }
    std::uint32_t U32(std::size_t at) const { return bigEndian ? GetU32BE(data + at) : GetU32LE(data + at); }
};

bool IsPointerTag(std::uint32_t tag)
{
    return tag == kExifPointer || tag == kGpsPointer || tag == kInteropPointer;
}

// The bytes of one value element that need swapping from a big-endian file.
unsigned SwapUnit(unsigned type)
{
    switch (type)
    {
    case 3:
    case 8:
        return 2;
    case 4:
    case 5:
    case 9:
    case 10:
    case 11:
        return 4;
    case 12:
        return 8;
    default:
        return 1;
    }
}

enum class IfdKind
{
    Main,
    Exif,
    Gps
};

// Reads the entries of the IFD at offset; returns the offsets of the Exif and GPS sub-IFDs it
// points to (0 when none).
void ParseIfd(const TiffReader& r, std::size_t offset, IfdKind kind, ItemList& out, std::uint32_t& exifAt,
              std::uint32_t& gpsAt)
{
    if (offset < 8 || offset > r.size || r.size - offset < 2) return;
    std::size_t count = r.U16(offset);
    count = std::min(count, (r.size - offset - 2) / 12);
    for (std::size_t i = 0; i < count; ++i)
    {
        const std::size_t e = offset + 2 + 12 * i;
        const std::uint16_t tag = r.U16(e);
        const std::uint16_t type = r.U16(e + 2);
        const std::uint32_t n = r.U32(e + 4);
        if (kind == IfdKind::Main && tag == kExifPointer && n == 1 && (type == 4 || type == 13))
            exifAt = r.U32(e + 8);
        if (kind == IfdKind::Main && tag == kGpsPointer && n == 1 && (type == 4 || type == 13))
            gpsAt = r.U32(e + 8);
        if (IsPointerTag(tag) || (kind == IfdKind::Gps && tag > 31)) continue;
        const unsigned unit = TiffTypeSize(type);
        if (unit == 0 || n == 0) continue;
        const std::uint64_t bytes = std::uint64_t(n) * unit;
        if (bytes > r.size) continue;
        std::size_t at = e + 8;
        if (bytes > 4)
        {
            at = r.U32(e + 8);
            if (at > r.size || bytes > r.size - at) continue; // the value lies outside the block
        }
        std::vector<BYTE> value(r.data + at, r.data + at + bytes);
        const unsigned swap = SwapUnit(type);
        if (r.bigEndian && swap > 1)
            for (std::size_t k = 0; k + swap <= value.size(); k += swap)
                std::reverse(value.begin() + std::ptrdiff_t(k), value.begin() + std::ptrdiff_t(k + swap));
        SetItem(out, tag, type, value.data(), value.size());
    }
}

bool OpenTiff(const BYTE* tiff, std::size_t size, TiffReader& r, std::uint32_t& first)
{
    if (!tiff || size < 8) return false;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        r = TiffReader{tiff, size, false};
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        r = TiffReader{tiff, size, true};
    else
        return false;
    if (r.U16(2) != 42) return false;
    first = r.U32(4);
    return true;
}

bool IsExifIfdTag(std::uint32_t id)
{
    return id == 33434 || id == 33437 || (id >= 34850 && id <= 34869) || (id >= 36864 && id <= 37522) ||
           (id >= 40960 && id <= 42080 && id != kInteropPointer) || id == 42240;
}

// Tags that describe the layout of the pixels they came with: stale anywhere else.
bool IsStructureTag(std::uint32_t id)
{
    return (id >= 254 && id <= 259) || id == 262 || id == 273 || (id >= 277 && id <= 279) || id == 284 ||
           id == 288 || id == 289 || id == 292 || id == 293 || id == 317 || id == 320 ||
           (id >= 322 && id <= 325) || id == 330 || id == 338 || id == 339 || (id >= 513 && id <= 521);
}

struct Entry
{
    std::uint16_t tag;
    std::uint16_t type;
    std::uint32_t count;
    const std::vector<BYTE>* value; // null for a pointer written by the writer itself
    std::uint32_t pointer = 0;
};

std::size_t IfdBytes(const std::vector<Entry>& entries)
{
    std::size_t bytes = 2 + 12 * entries.size() + 4;
    for (const Entry& e : entries)
        if (e.value && e.value->size() > 4) bytes += (e.value->size() + 1) & ~std::size_t(1);
    return bytes;
}

// Writes one IFD and its values at out's end (which is offset start of the TIFF block).
void WriteIfd(std::vector<BYTE>& out, std::vector<Entry>& entries)
{
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
    const std::size_t start = out.size();
    std::size_t dataAt = start + 2 + 12 * entries.size() + 4;
    PutU16LE(out, unsigned(entries.size()));
    std::vector<BYTE> data;
    for (const Entry& e : entries)
    {
        PutU16LE(out, e.tag);
        PutU16LE(out, e.type);
        PutU32LE(out, e.count);
        if (!e.value)
        {
            PutU32LE(out, e.pointer);
            continue;
        }
        if (e.value->size() <= 4)
        {
            out.insert(out.end(), e.value->begin(), e.value->end());
            out.insert(out.end(), 4 - e.value->size(), BYTE(0));
            continue;
        }
        PutU32LE(out, std::uint32_t(dataAt + data.size()));
        data.insert(data.end(), e.value->begin(), e.value->end());
        if (data.size() & 1) data.push_back(0);
    }
    PutU32LE(out, 0); // no next IFD
    out.insert(out.end(), data.begin(), data.end());
}
} // namespace

unsigned TiffTypeSize(unsigned type)
{
    switch (type)
    {
    case 1:
    case 2:
    case 6:
    case 7:
        return 1;
    case 3:
    case 8:
        return 2;
    case 4:
    case 9:
    case 11:
    case 13:
        return 4;
    case 5:
    case 10:
    case 12:
        return 8;
    default:
        return 0;
    }
}

void ParseTiffItems(const BYTE* tiff, std::size_t size, ItemList& out, std::uint64_t ifdOffset)
{
    TiffReader r{};
    std::uint32_t offset = 0;
    if (!OpenTiff(tiff, size, r, offset)) return;
    if (ifdOffset != 0)
    {
        if (ifdOffset > 0xFFFFFFFFu) return;
        offset = std::uint32_t(ifdOffset);
    }
    std::uint32_t exifAt = 0, gpsAt = 0, unused1 = 0, unused2 = 0;
    ParseIfd(r, offset, IfdKind::Main, out, exifAt, gpsAt);
    if (exifAt) ParseIfd(r, exifAt, IfdKind::Exif, out, unused1, unused2);
    if (gpsAt) ParseIfd(r, gpsAt, IfdKind::Gps, out, unused1, unused2);
}

bool IsWritableExifTag(std::uint32_t id)
{
    if (id > 0xFFFF || (id >= 0x5000 && id <= 0x5FFF) || (id >= 769 && id <= 771)) return false;
    if (IsPointerTag(id) || IsStructureTag(id) || id == PropertyTagICCProfile) return false;
    return true;
}

std::vector<BYTE> BuildExifTiff(const ItemList& items, std::size_t maxBytes)
{
    // The items that can be written, the last of each id winning.
    std::vector<const Item*> chosen;
    for (const Item& item : items)
    {
        const unsigned unit = TiffTypeSize(item.type);
        if (!IsWritableExifTag(item.id) || unit == 0 || item.value.empty() || item.value.size() % unit != 0 ||
            item.value.size() / unit > 0xFFFFFFFFu)
            continue;
        auto same =
            std::find_if(chosen.begin(), chosen.end(), [&](const Item* c) { return c->id == item.id; });
        if (same != chosen.end())
            *same = &item;
        else
            chosen.push_back(&item);
    }
    for (;;)
    {
        std::vector<Entry> ifd0, exif, gps;
        for (const Item* item : chosen)
        {
            const Entry e{std::uint16_t(item->id), item->type,
                          std::uint32_t(item->value.size() / TiffTypeSize(item->type)), &item->value};
            if (item->id <= 31)
                gps.push_back(e);
            else if (IsExifIfdTag(item->id))
                exif.push_back(e);
            else
                ifd0.push_back(e);
        }
        if (ifd0.empty() && exif.empty() && gps.empty()) return {};
        // An IFD counts its entries in 16 bits.
        if (ifd0.size() + 2 > 0xFFFF || exif.size() > 0xFFFF || gps.size() > 0xFFFF) return {};
        // Layout: header, IFD0, Exif IFD, GPS IFD, each followed by its values.
        if (!exif.empty()) ifd0.push_back(Entry{kExifPointer, 4, 1, nullptr});
        if (!gps.empty()) ifd0.push_back(Entry{kGpsPointer, 4, 1, nullptr});
        const std::size_t ifd0Bytes = IfdBytes(ifd0);
        const std::size_t exifBytes = exif.empty() ? 0 : IfdBytes(exif);
        const std::size_t gpsBytes = gps.empty() ? 0 : IfdBytes(gps);
        const std::size_t total = 8 + ifd0Bytes + exifBytes + gpsBytes;
        if (total <= maxBytes && total <= 0xFFFFFFFFu)
        {
            for (Entry& e : ifd0)
            {
                if (e.tag == kExifPointer) e.pointer = std::uint32_t(8 + ifd0Bytes);
                if (e.tag == kGpsPointer) e.pointer = std::uint32_t(8 + ifd0Bytes + exifBytes);
            }
            std::vector<BYTE> out = {'I', 'I', 42, 0, 8, 0, 0, 0};
            out.reserve(total);
            WriteIfd(out, ifd0);
            if (!exif.empty()) WriteIfd(out, exif);
            if (!gps.empty()) WriteIfd(out, gps);
            return out;
        }
        // Too large: drop the largest UNDEFINED item (a maker note, typically) and try again.
        auto largest = chosen.end();
        for (auto it = chosen.begin(); it != chosen.end(); ++it)
            if ((*it)->type == 7 &&
                (largest == chosen.end() || (*it)->value.size() > (*largest)->value.size()))
                largest = it;
        if (largest == chosen.end()) return {};
        chosen.erase(largest);
    }
}

std::vector<BYTE> BuildExifApp1(const ItemList& items)
{
    // A marker segment holds at most 65533 bytes of payload.
    std::vector<BYTE> tiff = BuildExifTiff(items, 65533 - 6);
    if (tiff.empty()) return {};
    std::vector<BYTE> out = {'E', 'x', 'i', 'f', 0, 0};
    out.insert(out.end(), tiff.begin(), tiff.end());
    return out;
}
} // namespace imaging::detail
