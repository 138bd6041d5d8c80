// The PNG writer's colour pictures: rows shared out in parts over threads must still make one
// valid file. Checked with zlib and the chunk layout read here (every chunk's CRC, the IDAT data
// inflated as one zlib stream with its check value, every row's filter undone), and with libpng
// reading the pixels back.
#include "platform/imaging/ImagingInternal.h"
#include "platform/imaging/SharedWork.h"
#include "ThreadPartsRunner.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace imaging;
using namespace imaging::detail;

namespace
{
using namespace codec_test;

struct Parsed
{
    std::vector<std::string> chunks; // chunk types in order
    std::vector<BYTE> idat;          // the IDAT data laid end to end
    bool crcsGood = true;
};

Parsed ParseChunks(const std::vector<BYTE>& file)
{
    Parsed parsed;
    std::size_t at = 8;
    while (at + 12 <= file.size())
    {
        const std::uint32_t length = GetU32BE(&file[at]);
        if (at + 12 + length > file.size()) break;
        const BYTE* type = &file[at + 4];
        const std::uint32_t crc = GetU32BE(&file[at + 8 + length]);
        if (crc32(0, type, length + 4) != crc) parsed.crcsGood = false;
        parsed.chunks.emplace_back(reinterpret_cast<const char*>(type), 4);
        if (parsed.chunks.back() == "IDAT")
            parsed.idat.insert(parsed.idat.end(), type + 4, type + 4 + length);
        at += 12 + length;
    }
    return parsed;
}
} // namespace

TEST(PngWriter, PartsOnThreadsMakeOneValidStreamOfTheSameRows)
{
    struct Case
    {
        int width, height, bpp;
        std::size_t threads;
    };
    // One part, two parts, as many parts as threads, a prime height, one column, one row, more
    // threads than the picture has parts of its size.
    const Case cases[] = {{300, 200, 24, 8},  {1200, 1500, 24, 8}, {1200, 1511, 24, 3}, {701, 3001, 32, 8},
                          {701, 3001, 32, 1}, {1, 4099, 24, 8},    {40000, 1, 32, 8},   {2900, 1000, 24, 7}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + "x" + std::to_string(c.bpp) +
                     " on " + std::to_string(c.threads));
        const int channels = c.bpp / 8;
        std::vector<BYTE> pixels = MakePixels(c.width, c.height, channels);
        Frame frame;
        frame.width = c.width;
        frame.height = c.height;
        frame.storageBpp = c.bpp;
        frame.format = c.bpp == 24 ? PixelFormat24bppRGB : PixelFormat32bppARGB;
        frame.stride = std::size_t(c.width) * std::size_t(channels);
        frame.pixels = pixels.data();
        frame.validRows = c.height;

        std::vector<BYTE> file;
        {
            RunnerScope runner(c.threads);
            ASSERT_TRUE(EncodePng(frame, {}, file));
        }
        ASSERT_GE(file.size(), 8u);
        EXPECT_EQ(std::memcmp(file.data(), "\x89PNG\r\n\x1A\n", 8), 0);
        const Parsed parsed = ParseChunks(file);
        EXPECT_TRUE(parsed.crcsGood);
        ASSERT_GE(parsed.chunks.size(), 3u);
        EXPECT_EQ(parsed.chunks.front(), "IHDR");
        EXPECT_EQ(parsed.chunks.back(), "IEND");

        // One zlib stream, its check value right, ending exactly at the end of the data.
        const std::size_t rowBytes = 1 + frame.stride;
        std::vector<BYTE> raw(rowBytes * std::size_t(c.height) + 1);
        z_stream zs{};
        ASSERT_EQ(inflateInit(&zs), Z_OK);
        zs.next_in = const_cast<BYTE*>(parsed.idat.data());
        zs.avail_in = uInt(parsed.idat.size());
        zs.next_out = raw.data();
        zs.avail_out = uInt(raw.size());
        EXPECT_EQ(inflate(&zs, Z_FINISH), Z_STREAM_END);
        EXPECT_EQ(zs.avail_in, 0u);
        EXPECT_EQ(zs.total_out, rowBytes * std::size_t(c.height));
        inflateEnd(&zs);

        // Every row's filter undone gives the row in the file's order (R, G, B, A).
        std::vector<BYTE> previous(frame.stride, 0), row(frame.stride);
        bool rowsGood = true;
        for (int y = 0; y < c.height && rowsGood; ++y)
        {
            const BYTE* line = &raw[std::size_t(y) * rowBytes];
            ASSERT_TRUE(line[0] == 0 || line[0] == 2) << "filter " << int(line[0]) << " on row " << y;
            for (std::size_t i = 0; i < frame.stride; ++i)
                row[i] = BYTE(line[1 + i] + (line[0] == 2 ? previous[i] : 0));
            const BYTE* source = frame.Row(y);
            for (int x = 0; x < c.width && rowsGood; ++x)
            {
                const BYTE* s = source + std::size_t(x) * std::size_t(channels);
                const BYTE* d = &row[std::size_t(x) * std::size_t(channels)];
                rowsGood = d[0] == s[2] && d[1] == s[1] && d[2] == s[0] && (channels == 3 || d[3] == s[3]);
            }
            EXPECT_TRUE(rowsGood) << "row " << y;
            previous = row;
        }

        // libpng reads the same pixels back.
        Decoded decoded;
        ASSERT_TRUE(DecodePng(file.data(), file.size(), decoded));
        ASSERT_EQ(decoded.frames.size(), 1u);
        const Frame& back = decoded.frames[0];
        ASSERT_EQ(back.width, c.width);
        ASSERT_EQ(back.height, c.height);
        ASSERT_EQ(back.storageBpp, c.bpp);
        bool same = true;
        for (int y = 0; y < c.height && same; ++y)
            same = std::memcmp(back.Row(y), frame.Row(y), frame.stride) == 0;
        EXPECT_TRUE(same);
    }
}

TEST(PngWriter, ChunksOfTheItemsComeBeforeTheImageData)
{
    std::vector<BYTE> pixels = MakePixels(2000, 1200, 3);
    Frame frame;
    frame.width = 2000;
    frame.height = 1200;
    frame.stride = 6000;
    frame.pixels = pixels.data();
    frame.validRows = 1200;
    ItemList items;
    const std::string name = "Un nom";
    SetItem(items, PropertyTagImageTitle, 2, reinterpret_cast<const BYTE*>(name.c_str()), name.size() + 1);
    const std::string when = "2026:12:11 12:00:00";
    SetItem(items, 306, 2, reinterpret_cast<const BYTE*>(when.c_str()), when.size() + 1);
    std::vector<BYTE> file;
    {
        RunnerScope runner(4);
        ASSERT_TRUE(EncodePng(frame, items, file));
    }
    const Parsed parsed = ParseChunks(file);
    EXPECT_TRUE(parsed.crcsGood);
    std::size_t firstIdat = parsed.chunks.size(), lastIdat = 0;
    for (std::size_t i = 0; i < parsed.chunks.size(); ++i)
        if (parsed.chunks[i] == "IDAT")
        {
            firstIdat = std::min(firstIdat, i);
            lastIdat = i;
        }
    ASSERT_LT(firstIdat, parsed.chunks.size());
    // The IDAT chunks follow one another, the text and time before them, IEND last.
    for (std::size_t i = firstIdat; i <= lastIdat; ++i)
        EXPECT_EQ(parsed.chunks[i], "IDAT");
    EXPECT_EQ(lastIdat + 2, parsed.chunks.size());
    for (const char* type : {"tEXt", "tIME"})
    {
        const auto it = std::find(parsed.chunks.begin(), parsed.chunks.end(), type);
        ASSERT_NE(it, parsed.chunks.end()) << type;
        EXPECT_LT(std::size_t(it - parsed.chunks.begin()), firstIdat) << type;
    }
    Decoded decoded;
    ASSERT_TRUE(DecodePng(file.data(), file.size(), decoded));
    ASSERT_EQ(decoded.frames.size(), 1u);
    const Item* title = FindItem(decoded.frames[0].items, PropertyTagImageTitle);
    if (!title) title = FindItem(decoded.items, PropertyTagImageTitle);
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(ItemText(*title), name);
}
