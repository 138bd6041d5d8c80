// The JPEG writer shares a picture out in strips over threads and joins them: the file must be
// the very file one strip makes (restart markers after every row of blocks), decode to the
// pixels a file without restart markers gives, and keep its EXIF items.
#include "platform/imaging/ImagingInternal.h"
#include "ImagingFixtures.h"
#include "ThreadPartsRunner.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace imaging;
using namespace imaging::detail;

namespace
{
using namespace codec_test;

struct Picture
{
    std::vector<BYTE> pixels;
    Frame frame;

    Picture(int width, int height, int bpp) : pixels(MakePixels(width, height, bpp / 8))
    {
        frame.width = width;
        frame.height = height;
        frame.storageBpp = bpp;
        frame.format = bpp == 24 ? PixelFormat24bppRGB : PixelFormat32bppRGB;
        frame.stride = std::size_t(width) * std::size_t(bpp / 8);
        frame.pixels = pixels.data();
        frame.validRows = height;
    }
};

// The picture as libjpeg writes it in one go at quality 90 with its defaults, without restart
// markers: the file the writer's pixels must decode to.
std::vector<BYTE> PlainFile(const Frame& frame)
{
    const std::size_t step = std::size_t(frame.storageBpp / 8);
    std::vector<std::uint8_t> samples;
    samples.reserve(std::size_t(frame.width) * std::size_t(frame.height) * 3);
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x)
        {
            const BYTE* p = frame.Row(y) + std::size_t(x) * step;
            samples.insert(samples.end(), {p[2], p[1], p[0]});
        }
    return fixtures::MakeJpeg(frame.width, frame.height, 3, samples, 90);
}

std::vector<BYTE> Encoded(const Frame& frame, std::size_t threads, const ItemList& items = {})
{
    RunnerScope runner(threads);
    std::vector<BYTE> file;
    EXPECT_TRUE(EncodeJpeg(frame, items, 90, file));
    return file;
}

// The restart markers of the coded data in order (0 to 7), read after the scan header.
std::vector<int> RestartMarkers(const std::vector<BYTE>& file)
{
    std::size_t at = 2;
    while (at + 4 <= file.size() && file[at] == 0xFF && file[at + 1] != 0xDA)
        at += 2 + (std::size_t(file[at + 2]) << 8 | file[at + 3]);
    std::vector<int> markers;
    if (at + 4 > file.size()) return markers;
    for (at += 2 + (std::size_t(file[at + 2]) << 8 | file[at + 3]); at + 1 < file.size(); ++at)
        if (file[at] == 0xFF && file[at + 1] >= 0xD0 && file[at + 1] <= 0xD7)
            markers.push_back(file[at + 1] - 0xD0);
    return markers;
}
} // namespace

TEST(JpegWriter, StripsOnThreadsMakeTheFileOfOneStrip)
{
    struct Case
    {
        int width, height, bpp;
        std::size_t threads;
    };
    // One group of eight block rows and one row more, exact groups, a last strip of a few rows,
    // prime sizes, more threads than groups, a thread count that does not divide the groups.
    const Case cases[] = {{2731, 129, 24, 8},  {2731, 256, 24, 2}, {2731, 1031, 24, 8}, {2731, 1031, 24, 3},
                          {2731, 1031, 32, 7}, {4099, 385, 24, 8}, {2731, 127, 24, 8}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + "x" + std::to_string(c.bpp) +
                     " on " + std::to_string(c.threads));
        const Picture picture(c.width, c.height, c.bpp);
        const std::vector<BYTE> one = Encoded(picture.frame, 1);
        const std::vector<BYTE> many = Encoded(picture.frame, c.threads);
        ASSERT_FALSE(one.empty());
        EXPECT_TRUE(one == many) << one.size() << " bytes on one thread, " << many.size() << " on several";

        // A restart marker after every row of blocks but the last, counting 0 to 7 over and over.
        const std::vector<int> markers = RestartMarkers(many);
        ASSERT_EQ(markers.size(), std::size_t((c.height + 15) / 16 - 1));
        for (std::size_t i = 0; i < markers.size(); ++i)
            ASSERT_EQ(markers[i], int(i % 8)) << "marker " << i;

        // The same pixels as the file written in one go without restart markers.
        Decoded ours, plain;
        const std::vector<BYTE> reference = PlainFile(picture.frame);
        ASSERT_TRUE(DecodeJpeg(many.data(), many.size(), ours));
        ASSERT_TRUE(DecodeJpeg(reference.data(), reference.size(), plain));
        ASSERT_EQ(ours.frames.size(), 1u);
        ASSERT_EQ(plain.frames.size(), 1u);
        const Frame& a = ours.frames[0];
        const Frame& b = plain.frames[0];
        ASSERT_EQ(a.width, c.width);
        ASSERT_EQ(a.height, c.height);
        EXPECT_FALSE(ours.incomplete);
        bool same = true;
        for (int y = 0; y < c.height && same; ++y)
            same = std::memcmp(a.Row(y), b.Row(y), std::size_t(c.width) * 3) == 0;
        EXPECT_TRUE(same);
    }
}

TEST(JpegWriter, TheItemsGoIntoTheFirstStripOnly)
{
    const Picture picture(2731, 700, 24);
    ItemList items;
    const std::string make = "Orvalis";
    SetItem(items, 271, 2, reinterpret_cast<const BYTE*>(make.c_str()), make.size() + 1);
    const std::string when = "2026:12:11 12:00:00";
    SetItem(items, 306, 2, reinterpret_cast<const BYTE*>(when.c_str()), when.size() + 1);
    const std::vector<BYTE> one = Encoded(picture.frame, 1, items);
    const std::vector<BYTE> many = Encoded(picture.frame, 6, items);
    EXPECT_TRUE(one == many);
    Decoded back;
    ASSERT_TRUE(DecodeJpeg(many.data(), many.size(), back));
    const ItemList& read = back.items.empty() ? back.frames[0].items : back.items;
    const Item* m = FindItem(read, 271);
    const Item* w = FindItem(read, 306);
    ASSERT_NE(m, nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(m->value.data())), make);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(w->value.data())), when);
    // One EXIF segment in the whole file.
    std::size_t exif = 0;
    for (std::size_t i = 0; i + 10 <= many.size(); ++i)
        if (many[i] == 0xFF && many[i + 1] == 0xE1 && std::memcmp(&many[i + 4], "Exif\0\0", 6) == 0) ++exif;
    EXPECT_EQ(exif, 1u);
}

TEST(JpegWriter, StripsThatAreNotTheLibrarysAreRefused)
{
    const Picture picture(300, 300, 24);
    const std::vector<BYTE> good = Encoded(picture.frame, 1);
    std::vector<BYTE> noEnd(good.begin(), good.end() - 2);
    std::vector<BYTE> noScan(good.begin(), good.begin() + 20);
    noScan.push_back(0xFF);
    noScan.push_back(0xD9);
    std::vector<BYTE> badLength = good;
    badLength[4] = 0xFF; // the first segment runs past the end
    const std::vector<std::vector<BYTE>> rests[] = {{noEnd}, {noScan}, {badLength}, {{}}};
    for (const auto& rest : rests)
    {
        std::vector<BYTE> first = good;
        EXPECT_FALSE(JoinJpegStrips(first, rest, 600));
    }
    for (const std::vector<BYTE>& bad : {noEnd, noScan, badLength})
    {
        std::vector<BYTE> first = bad;
        EXPECT_FALSE(JoinJpegStrips(first, {good}, 600));
    }
    std::vector<BYTE> first = good;
    EXPECT_FALSE(JoinJpegStrips(first, {good}, 70000)); // no height of a frame header
    first = good;
    EXPECT_TRUE(JoinJpegStrips(first, {good}, 600));
}
