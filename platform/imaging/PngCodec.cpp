// PNG over libpng: every colour type and depth decoded into B, G, R (A) rows (16-bit samples
// keep their high byte, transparency becomes alpha), text, time, gamma, sRGB, ICC, physical
// size and eXIf chunks read into items. Written as palette, RGB or RGBA with those chunks built
// back from the items.
#include "platform/imaging/ImagingInternal.h"
#include "platform/imaging/PngMemoryIo.h"
#include "platform/imaging/SharedWork.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include <png.h>
#include <zlib.h>

namespace imaging::detail
{
namespace
{
struct Reader
{
    const BYTE* data;
    std::size_t size;
    std::size_t pos;
};

void ReadData(png_structp png, png_bytep out, png_size_t length)
{
    auto* r = static_cast<Reader*>(png_get_io_ptr(png));
    if (length > r->size - r->pos) png_error(png, "read past the end");
    std::memcpy(out, r->data + r->pos, length);
    r->pos += length;
}

// Text chunk keywords and the items they stand for.
struct TextKey
{
    const char* key;
    std::uint32_t id;
};
const TextKey kTextKeys[] = {
    {"Software", 305},
    {"Author", 315},
    {"Description", 270},
    {"Copyright", 33432},
    {"Title", PropertyTagImageTitle},
};

bool IsPngChunkItem(std::uint32_t id)
{
    for (const TextKey& k : kTextKeys)
        if (k.id == id) return true;
    return id == 306 || id == PropertyTagGamma || id == PropertyTagICCProfileDescriptor ||
           id == PropertyTagSRGBRenderingIntent || id == PropertyTagICCProfile ||
           id == PropertyTagPixelUnit || id == PropertyTagPixelPerUnitX || id == PropertyTagPixelPerUnitY;
}

void SetAsciiItem(ItemList& items, std::uint32_t id, const char* text, std::size_t length)
{
    std::vector<BYTE> value(text, text + length);
    value.push_back(0);
    SetItem(items, id, 2, value.data(), value.size());
}

void SetLongItem(ItemList& items, std::uint32_t id, std::uint32_t v)
{
    std::vector<BYTE> value;
    PutU32LE(value, v);
    SetItem(items, id, 4, value.data(), value.size());
}

void ReadTextItems(png_structp png, png_infop info, ItemList& items)
{
    png_textp text = nullptr;
    int count = 0;
    if (!info || png_get_text(png, info, &text, &count) <= 0 || !text) return;
    for (int i = 0; i < count; ++i)
    {
        if (!text[i].key || !text[i].text) continue;
        // libpng ends every text with a zero byte.
        for (const TextKey& k : kTextKeys)
            if (std::strcmp(text[i].key, k.key) == 0)
                SetAsciiItem(items, k.id, text[i].text, std::strlen(text[i].text));
    }
}

void ReadChunkItems(png_structp png, png_infop info, ItemList& items)
{
    png_bytep exif = nullptr;
    png_uint_32 exifLength = 0;
    if (png_get_eXIf_1(png, info, &exifLength, &exif) && exif && exifLength > 0)
        ParseTiffItems(exif, exifLength, items);

    ReadTextItems(png, info, items);
    png_timep time = nullptr;
    if (png_get_tIME(png, info, &time) && time)
    {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%04u:%02u:%02u %02u:%02u:%02u", unsigned(time->year) % 10000,
                      unsigned(time->month) % 100, unsigned(time->day) % 100, unsigned(time->hour) % 100,
                      unsigned(time->minute) % 100, unsigned(time->second) % 100);
        SetAsciiItem(items, 306, buf, std::strlen(buf));
    }
    png_fixed_point gamma = 0;
    if (png_get_gAMA_fixed(png, info, &gamma) && gamma > 0)
    {
        // As a rational: 100000 over the file gamma times 100000 (2.2 for 45455).
        std::vector<BYTE> value;
        PutU32LE(value, 100000);
        PutU32LE(value, std::uint32_t(gamma));
        SetItem(items, PropertyTagGamma, 5, value.data(), value.size());
    }
    int intent = 0;
    if (png_get_sRGB(png, info, &intent))
    {
        const BYTE b = BYTE(intent);
        SetItem(items, PropertyTagSRGBRenderingIntent, 1, &b, 1);
    }
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profileLength = 0;
    if (png_get_iCCP(png, info, &name, &compression, &profile, &profileLength) && profile &&
        profileLength > 0)
    {
        SetItem(items, PropertyTagICCProfile, 7, profile, profileLength);
        if (name) SetAsciiItem(items, PropertyTagICCProfileDescriptor, name, std::strlen(name));
    }
    png_uint_32 resX = 0, resY = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &resX, &resY, &unit))
    {
        const BYTE u = BYTE(unit);
        SetItem(items, PropertyTagPixelUnit, 1, &u, 1);
        SetLongItem(items, PropertyTagPixelPerUnitX, resX);
        SetLongItem(items, PropertyTagPixelPerUnitY, resY);
    }
}

// The bytes the library may read: a chunk other than image data whose length runs past the
// end of the file is cut off before it, so that the library never allocates for a length that
// no data backs (image data is read piece by piece and may stop early).
std::size_t UsableBytes(const BYTE* data, std::size_t size)
{
    std::size_t pos = 8;
    while (pos + 8 <= size)
    {
        const std::uint64_t length = GetU32BE(data + pos);
        if (pos + 12 + length > size) return std::memcmp(data + pos + 4, "IDAT", 4) == 0 ? size : pos;
        pos += 12 + std::size_t(length);
    }
    return size;
}

struct DecodeState
{
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_infop endInfo = nullptr;
    Reader reader{};
    Frame frame;
    bool haveFrame = false;
    bool interlaced = false;
    bool rowsDone = false;
};

bool RunDecode(DecodeState& st, Decoded& out)
{
    png_structp png = st.png;
    if (setjmp(png_jmpbuf(png)))
    {
        if (st.interlaced && !st.rowsDone) st.frame.validRows = 0;
        out.incomplete = true; // the file stopped or went wrong before its end
        return st.haveFrame && st.frame.validRows > 0;
    }
    png_set_read_fn(png, &st.reader, ReadData);
    png_set_benign_errors(png, 1);

    png_read_info(png, st.info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(png, st.info, &width, &height, &depth, &colorType, &interlace, nullptr, nullptr);
    const bool trns = png_get_valid(png, st.info, PNG_INFO_tRNS) != 0;
    const bool alpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || trns;

    if (!AllocateFrame(out, st.frame, width, height, alpha ? 32 : 24)) return false;
    st.haveFrame = true;
    st.frame.deepSamples = depth > 8;
    if (alpha)
    {
        st.frame.format = PixelFormat32bppARGB;
        st.frame.flags = ImageFlagsHasAlpha;
    }
    else if (colorType == PNG_COLOR_TYPE_PALETTE)
        st.frame.format = depth == 1 ? PixelFormat1bppIndexed
                                     : (depth <= 4 ? PixelFormat4bppIndexed : PixelFormat8bppIndexed);
    else
        st.frame.format =
            depth == 16 && colorType == PNG_COLOR_TYPE_RGB ? PixelFormat48bppRGB : PixelFormat24bppRGB;

    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    st.interlaced = interlace != PNG_INTERLACE_NONE;
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, st.info);
    if (png_get_rowbytes(png, st.info) != std::size_t(width) * (alpha ? 4 : 3)) return false;
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y)
        {
            png_read_row(png, st.frame.Row(int(y)), nullptr);
            if (!st.interlaced) st.frame.validRows = int(y + 1);
        }
    st.rowsDone = true;
    st.frame.validRows = int(height);
    ReadChunkItems(png, st.info, out.items);
    png_read_end(png, st.endInfo);
    ReadChunkItems(png, st.endInfo, out.items);
    return true;
}

// "YYYY:MM:DD HH:MM:SS" to a PNG time; false when the text is not a valid date.
bool ParseExifTime(const Item& item, png_time& t)
{
    std::string s(item.value.begin(), item.value.end());
    s = s.substr(0, s.find('\0'));
    unsigned y, mo, d, h, mi, se;
    char tail;
    if (std::sscanf(s.c_str(), "%4u:%2u:%2u %2u:%2u:%2u%c", &y, &mo, &d, &h, &mi, &se, &tail) != 6)
        return false;
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || se > 60) return false;
    t.year = png_uint_16(y);
    t.month = png_byte(mo);
    t.day = png_byte(d);
    t.hour = png_byte(h);
    t.minute = png_byte(mi);
    t.second = png_byte(se);
    return true;
}

bool IsAscii(const std::string& s)
{
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

struct EncodeState
{
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<BYTE>* out = nullptr;
    std::vector<std::string> keys, texts;
    std::vector<png_text> chunks;
    std::vector<BYTE> exif;
    std::string profileName;
};

bool RunEncode(EncodeState& st, const Frame& frame, const ItemList& items)
{
    png_structp png = st.png;
    png_infop info = st.info;
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, st.out, PngWriteToVector, PngFlushNothing);
    png_set_benign_errors(png, 1);
    const int colorType = frame.storageBpp == 8    ? PNG_COLOR_TYPE_PALETTE
                          : frame.storageBpp == 24 ? PNG_COLOR_TYPE_RGB
                                                   : PNG_COLOR_TYPE_RGB_ALPHA;
    png_set_IHDR(png, info, png_uint_32(frame.width), png_uint_32(frame.height), 8, colorType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (frame.storageBpp == 8)
    {
        png_color palette[256];
        for (int i = 0; i < 256; ++i)
        {
            const ARGB c = frame.palette.Entries[i];
            palette[i].red = png_byte(c >> 16);
            palette[i].green = png_byte(c >> 8);
            palette[i].blue = png_byte(c);
        }
        png_set_PLTE(png, info, palette, 256);
    }

    // Text chunks, time, gamma, sRGB, ICC profile, physical size.
    for (const TextKey& k : kTextKeys)
        if (const Item* item = FindItem(items, k.id); item && item->type == 2)
        {
            st.keys.push_back(k.key);
            st.texts.push_back(ItemText(*item));
        }
    st.chunks.resize(st.keys.size());
    for (std::size_t i = 0; i < st.keys.size(); ++i)
    {
        png_text& t = st.chunks[i];
        std::memset(&t, 0, sizeof t);
        t.key = st.keys[i].data();
        t.text = st.texts[i].data();
        if (IsAscii(st.texts[i]))
        {
            t.compression = PNG_TEXT_COMPRESSION_NONE;
            t.text_length = st.texts[i].size();
        }
        else
        {
            t.compression = PNG_ITXT_COMPRESSION_NONE;
            t.itxt_length = st.texts[i].size();
        }
    }
    if (!st.chunks.empty()) png_set_text(png, info, st.chunks.data(), int(st.chunks.size()));
    png_time time;
    if (const Item* item = FindItem(items, 306); item && item->type == 2 && ParseExifTime(*item, time))
        png_set_tIME(png, info, &time);
    if (const Item* item = FindItem(items, PropertyTagGamma);
        item && item->type == 5 && item->value.size() >= 8)
    {
        const std::uint64_t n = GetU32LE(item->value.data()), d = GetU32LE(item->value.data() + 4);
        const std::uint64_t g = n ? d * 100000 / n : 0;
        if (g > 0 && g < 0x7FFFFFFF) png_set_gAMA_fixed(png, info, png_fixed_point(g));
    }
    if (const Item* item = FindItem(items, PropertyTagSRGBRenderingIntent);
        item && item->value.size() >= 1 && item->value[0] < 4)
        png_set_sRGB(png, info, item->value[0]);
    if (const Item* item = FindItem(items, PropertyTagICCProfile); item && item->value.size() >= 132)
    {
        st.profileName = "ICC Profile";
        if (const Item* name = FindItem(items, PropertyTagICCProfileDescriptor); name && name->type == 2)
        {
            const std::string n = ItemText(*name);
            if (!n.empty() && n.size() < 80) st.profileName = n;
        }
        png_set_iCCP(png, info, st.profileName.c_str(), PNG_COMPRESSION_TYPE_BASE, item->value.data(),
                     png_uint_32(item->value.size()));
    }
    const Item* unit = FindItem(items, PropertyTagPixelUnit);
    const Item* resX = FindItem(items, PropertyTagPixelPerUnitX);
    const Item* resY = FindItem(items, PropertyTagPixelPerUnitY);
    if (unit && resX && resY && unit->value.size() >= 1 && resX->value.size() >= 4 &&
        resY->value.size() >= 4 && unit->value[0] <= 1)
        png_set_pHYs(png, info, GetU32LE(resX->value.data()), GetU32LE(resY->value.data()), unit->value[0]);

    if (!st.exif.empty()) png_set_eXIf_1(png, info, png_uint_32(st.exif.size()), st.exif.data());

    png_write_info(png, info);
    // Colour pictures: their image data and the end are written by WriteColourRows.
    if (frame.storageBpp != 8) return true;
    for (int y = 0; y < frame.height; ++y)
        png_write_row(png, frame.Row(y));
    png_write_end(png, info);
    return true;
}

// Colour pictures are written the way an interactive save wants them: at zlib's fastest level,
// every row filtered against the one above (one filter pass per row, where the library's default
// tries all five and keeps the best), several times quicker than the defaults on a photograph for
// a somewhat larger file. The rows are shared out in parts over the caller's threads: each part
// is a deflate stream of its own (no match reaches back into the part before) ended on a byte
// boundary, so that the parts laid end to end make one zlib stream, whose check value is made
// from the parts' own. Every part goes into IDAT chunks of its own.
constexpr std::size_t kPartRawBytes = std::size_t(2) << 20; // a part has at least this much
constexpr std::size_t kIdatBytes = std::size_t(1) << 22;    // at most this much in one chunk

void AppendChunk(std::vector<BYTE>& out, const char type[4], const BYTE* data, std::size_t size)
{
    PutU32BE(out, std::uint32_t(size));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    if (size) out.insert(out.end(), data, data + size);
    PutU32BE(out, std::uint32_t(crc32(0, out.data() + start, uInt(size + 4))));
}

struct ColourPart
{
    int y0 = 0, y1 = 0;
    std::vector<BYTE> chunks; // the part's IDAT chunks, ready to be laid out
    uLong adler = 1;
    std::size_t rawBytes = 0;
    bool ok = false;
};

struct ColourJob
{
    const Frame* frame;
    std::vector<ColourPart>* parts;
};

// Filters and deflates rows [y0, y1) of the part.
void DeflatePart(const Frame& frame, ColourPart& part, bool last)
{
    const int channels = frame.storageBpp / 8;
    const std::size_t rowBytes = 1 + std::size_t(frame.width) * std::size_t(channels);
    std::vector<BYTE> row(rowBytes);
    z_stream zs{};
    if (deflateInit2(&zs, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return;
    part.rawBytes = rowBytes * std::size_t(part.y1 - part.y0);
    // Room for the worst case, left uncleared: only the pages the stream reaches are touched.
    std::size_t room =
        std::size_t(deflateBound(&zs, uLong(std::min<std::size_t>(part.rawBytes, 0x7FFFFFFF)))) + 64;
    std::unique_ptr<BYTE[]> stream(new (std::nothrow) BYTE[room]);
    if (!stream)
    {
        deflateEnd(&zs);
        return;
    }
    std::size_t used = 0;
    bool ok = true;
    for (int y = part.y0; y < part.y1 && ok; ++y)
    {
        // Rows are B, G, R (A) in memory and R, G, B (A) in the file; the first row of the
        // picture has no row above it and stays unfiltered.
        const BYTE* cur = frame.Row(y);
        BYTE* d = row.data() + 1;
        if (y == 0)
        {
            row[0] = 0;
            for (int x = 0; x < frame.width; ++x, cur += channels, d += channels)
            {
                d[0] = cur[2];
                d[1] = cur[1];
                d[2] = cur[0];
                if (channels == 4) d[3] = cur[3];
            }
        }
        else
        {
            row[0] = 2;
            const BYTE* up = frame.Row(y - 1);
            for (int x = 0; x < frame.width; ++x, cur += channels, up += channels, d += channels)
            {
                d[0] = BYTE(cur[2] - up[2]);
                d[1] = BYTE(cur[1] - up[1]);
                d[2] = BYTE(cur[0] - up[0]);
                if (channels == 4) d[3] = BYTE(cur[3] - up[3]);
            }
        }
        part.adler = adler32(part.adler, row.data(), uInt(rowBytes));
        const int flush = y + 1 < part.y1 ? Z_NO_FLUSH : (last ? Z_FINISH : Z_SYNC_FLUSH);
        zs.next_in = row.data();
        zs.avail_in = uInt(rowBytes);
        for (;;)
        {
            if (room - used < 64)
            {
                std::unique_ptr<BYTE[]> more(new (std::nothrow) BYTE[room * 2]);
                if (!more)
                {
                    ok = false;
                    break;
                }
                std::memcpy(more.get(), stream.get(), used);
                stream = std::move(more);
                room *= 2;
            }
            zs.next_out = stream.get() + used;
            zs.avail_out = uInt(std::min<std::size_t>(room - used, 0x7FFFFFFF));
            const int rc = deflate(&zs, flush);
            used = std::size_t(zs.next_out - stream.get());
            if (rc == Z_STREAM_ERROR)
            {
                ok = false;
                break;
            }
            if (flush == Z_FINISH ? rc == Z_STREAM_END : (zs.avail_in == 0 && zs.avail_out > 0)) break;
        }
    }
    deflateEnd(&zs);
    if (!ok) return;
    part.chunks.reserve(used + (used / kIdatBytes + 1) * 12);
    for (std::size_t at = 0; at < used; at += kIdatBytes)
        AppendChunk(part.chunks, "IDAT", stream.get() + at, std::min(kIdatBytes, used - at));
    part.ok = true;
}

bool WriteColourRows(const Frame& frame, std::vector<BYTE>& out)
{
    try
    {
        const std::size_t rowBytes = 1 + std::size_t(frame.width) * std::size_t(frame.storageBpp / 8);
        const std::size_t rows = std::size_t(frame.height);
        const std::size_t count = RowParts(rows, rowBytes, kPartRawBytes);
        std::vector<ColourPart> parts(count);
        for (std::size_t k = 0; k < count; ++k)
        {
            parts[k].y0 = int(PartRow(rows, count, k));
            parts[k].y1 = int(PartRow(rows, count, k + 1));
        }
        ColourJob job{&frame, &parts};
        RunParts(
            count,
            [](void* context, std::size_t k)
            {
                auto& j = *static_cast<ColourJob*>(context);
                try
                {
                    DeflatePart(*j.frame, (*j.parts)[k], k + 1 == j.parts->size());
                }
                catch (const std::bad_alloc&)
                {
                    (*j.parts)[k].ok = false;
                }
            },
            &job);
        uLong adler = 1;
        std::size_t total = 0;
        for (std::size_t k = 0; k < count; ++k)
        {
            const ColourPart& part = parts[k];
            if (!part.ok) return false;
            adler = k == 0 ? part.adler : adler32_combine(adler, part.adler, z_off_t(part.rawBytes));
            total += part.chunks.size();
        }
        out.reserve(out.size() + total + 64);
        const BYTE header[2] = {0x78, 0x01}; // deflate, 32 KiB window, fastest level
        AppendChunk(out, "IDAT", header, 2);
        for (const ColourPart& part : parts)
            out.insert(out.end(), part.chunks.begin(), part.chunks.end());
        const BYTE check[4] = {BYTE(adler >> 24), BYTE(adler >> 16), BYTE(adler >> 8), BYTE(adler)};
        AppendChunk(out, "IDAT", check, 4);
        AppendChunk(out, "IEND", nullptr, 0);
        return true;
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }
}
} // namespace

bool DecodePng(const BYTE* data, std::size_t size, Decoded& out)
{
    DecodeState st;
    st.reader = Reader{data, UsableBytes(data, size), 0};
    st.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (!st.png) return false;
    st.info = png_create_info_struct(st.png);
    st.endInfo = png_create_info_struct(st.png);
    bool ok = false;
    if (st.info && st.endInfo) ok = RunDecode(st, out);
    png_destroy_read_struct(&st.png, st.info ? &st.info : nullptr, st.endInfo ? &st.endInfo : nullptr);
    if (ok) out.frames.push_back(std::move(st.frame));
    return ok;
}

bool EncodePng(const Frame& frame, const ItemList& items, std::vector<BYTE>& out)
{
    EncodeState st;
    out.clear();
    st.out = &out;
    st.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (!st.png) return false;
    // Every other EXIF item (camera, exposure...) travels in an eXIf chunk. Prepared before the
    // library runs, so that nothing with a destructor lives across its error jumps.
    {
        ItemList rest;
        for (const Item& item : items)
            if (!IsPngChunkItem(item.id)) rest.push_back(item);
        st.exif = BuildExifTiff(rest, 0x7FFFFFF);
    }
    st.info = png_create_info_struct(st.png);
    bool ok = false;
    if (st.info) ok = RunEncode(st, frame, items);
    png_destroy_write_struct(&st.png, st.info ? &st.info : nullptr);
    if (ok && frame.storageBpp != 8) ok = WriteColourRows(frame, out);
    return ok;
}
} // namespace imaging::detail
