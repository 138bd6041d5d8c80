// The EXIF writer (which IFD each item goes to, what is left out, the segment limit) checked
// with libexif as an independent reader; the bitmap's items, locks and encoders.
#include "ImagingFixtures.h"

#include "platform/imaging/ImagingInternal.h"
#include "platform/imaging/PlatformBitmap.h"

#include <gtest/gtest.h>
#include <libexif/exif-data.h>

using namespace imaging;
using namespace imaging::detail;
using fixtures::Bytes;

namespace
{
void Add(ItemList& items, std::uint32_t id, std::uint16_t type, const std::vector<BYTE>& value)
{
    SetItem(items, id, type, value.data(), value.size());
}

std::vector<BYTE> Le32(std::uint32_t v)
{
    std::vector<BYTE> b;
    PutU32LE(b, v);
    return b;
}

// libexif reading the block as it is: no tags added by its own rules, none dropped as unknown.
ExifData* LoadAsIs(const std::vector<BYTE>& app1)
{
    ExifData* data = exif_data_new();
    exif_data_unset_option(data, EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
    exif_data_unset_option(data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(data, app1.data(), unsigned(app1.size()));
    return data;
}

// Which IFD libexif finds a tag in (-1: none).
int IfdOf(ExifData* data, unsigned tag)
{
    for (int i = 0; i < EXIF_IFD_COUNT; ++i)
        if (exif_content_get_entry(data->ifd[i], ExifTag(tag))) return i;
    return -1;
}
} // namespace

TEST(ImagingExif, WriterPlacesItemsAndLeavesOutWhatWouldBeStale)
{
    ItemList items;
    Add(items, 271, 2, {'S', 'o', 'n', 'y', 0});
    Add(items, 305, 2, {'O', 'r', 'v', 0});
    Add(items, 36867, 2, std::vector<BYTE>(20, '1'));
    Add(items, 33434, 5, {1, 0, 0, 0, 60, 0, 0, 0});
    Add(items, 41486, 5, {1, 0, 0, 0, 1, 0, 0, 0});
    Add(items, 42240, 5, {1, 0, 0, 0, 1, 0, 0, 0});
    Add(items, 2, 5, {1, 0, 0, 0, 1, 0, 0, 0}); // GPS latitude
    Add(items, 7, 5, std::vector<BYTE>(24, 1)); // GPS time stamp
    // Never written: synthetic, PNG-only, pointers, structure and offsets, ICC (its own segment).
    const std::uint32_t leftOut[] = {0x5090, 0x5100, 769, 770, 771, 34665, 34853, 40965,        254, 256, 259,
                                     262,    273,    277, 279, 284, 288,   292,   317,          320, 322, 325,
                                     330,    338,    339, 513, 514, 521,   34675, 0x10000 + 271};
    for (std::uint32_t id : leftOut)
        Add(items, id, 4, Le32(1));
    Add(items, 306, 7, {1, 2, 3});     // fine
    Add(items, 315, 3, {1, 2, 3});     // a length that is no whole number of SHORTs: left out
    Add(items, 316, 99, {1, 2, 3, 4}); // unknown type: left out

    const std::vector<BYTE> app1 = BuildExifApp1(items);
    ASSERT_GT(app1.size(), 6u);
    EXPECT_EQ(std::memcmp(app1.data(), "Exif\0\0", 6), 0);
    ExifData* data = LoadAsIs(app1);
    ASSERT_TRUE(data);
    EXPECT_EQ(IfdOf(data, 271), EXIF_IFD_0);
    EXPECT_EQ(IfdOf(data, 305), EXIF_IFD_0);
    EXPECT_EQ(IfdOf(data, 306), EXIF_IFD_0);
    EXPECT_EQ(IfdOf(data, 36867), EXIF_IFD_EXIF);
    EXPECT_EQ(IfdOf(data, 33434), EXIF_IFD_EXIF);
    EXPECT_EQ(IfdOf(data, 41486), EXIF_IFD_EXIF);
    EXPECT_EQ(IfdOf(data, 42240), EXIF_IFD_EXIF);
    EXPECT_EQ(exif_content_get_entry(data->ifd[EXIF_IFD_GPS], ExifTag(2)) != nullptr, true);
    EXPECT_EQ(exif_content_get_entry(data->ifd[EXIF_IFD_GPS], ExifTag(7)) != nullptr, true);
    for (std::uint32_t id :
         {0x5090u, 0x5100u, 769u, 770u, 771u, 254u, 256u, 259u, 262u, 273u, 277u, 279u,   284u, 288u,
          292u,    317u,    320u, 322u, 325u, 330u, 338u, 339u, 513u, 514u, 521u, 34675u, 315u, 316u})
        EXPECT_EQ(IfdOf(data, id), -1) << id;
    exif_data_unref(data);

    // Our own reader gives back every written item unchanged, and no pointer.
    ItemList back;
    ParseTiffItems(app1.data() + 6, app1.size() - 6, back);
    for (const Item& item : back)
    {
        const Item* original = FindItem(items, item.id);
        ASSERT_TRUE(original) << item.id;
        EXPECT_EQ(original->value, item.value) << item.id;
        EXPECT_TRUE(IsWritableExifTag(item.id));
    }
    EXPECT_EQ(back.size(), 9u);
}

TEST(ImagingExif, SegmentLimitDropsTheLargestUndefinedItemsFirst)
{
    ItemList items;
    Add(items, 271, 2, {'S', 0});
    Add(items, 37500, 7, std::vector<BYTE>(40000, 1));
    Add(items, 37510, 7, std::vector<BYTE>(30000, 2));
    Add(items, 41728, 7, std::vector<BYTE>(100, 3));
    std::vector<BYTE> app1 = BuildExifApp1(items);
    ASSERT_FALSE(app1.empty());
    EXPECT_LE(app1.size(), 65533u);
    ItemList back;
    ParseTiffItems(app1.data() + 6, app1.size() - 6, back);
    EXPECT_FALSE(FindItem(back, 37500));
    ASSERT_TRUE(FindItem(back, 37510));
    EXPECT_TRUE(FindItem(back, 41728));
    EXPECT_TRUE(FindItem(back, 271));
    // A block that cannot be made small enough is not written at all.
    Add(items, 270, 2, std::vector<BYTE>(70000, 'x'));
    EXPECT_TRUE(BuildExifApp1(items).empty());
    // Nothing writable: nothing.
    ItemList none;
    Add(none, 0x5100, 4, Le32(5));
    EXPECT_TRUE(BuildExifApp1(none).empty());
}

TEST(ImagingExif, ReaderSkipsWhatLiesOutsideTheBlock)
{
    using fixtures::ExifEntry;
    // IFD0 with a value whose offset points past the end, a GPS IFD holding an id above 31,
    // and a pointer to an Exif IFD beyond the block.
    Bytes block = fixtures::MakeTiffBlock(false,
                                          {{271, 2, 6, fixtures::Ascii("Canon")},
                                           {272, 2, 40, {0xF0, 0xFF, 0, 0}},
                                           {34665, 4, 1, {0xFF, 0xFF, 0, 0}}},
                                          {}, {{1, 2, 2, {'N', 0}}, {300, 3, 1, {1, 0}}});
    ItemList items;
    ParseTiffItems(block.data(), block.size(), items);
    EXPECT_TRUE(FindItem(items, 271));
    EXPECT_FALSE(FindItem(items, 272));
    EXPECT_FALSE(FindItem(items, 34665));
    EXPECT_TRUE(FindItem(items, 1));
    EXPECT_FALSE(FindItem(items, 300));
    // An IFD whose entry count runs past the end reads the entries that are there.
    block =
        fixtures::MakeTiffBlock(false, {{271, 2, 4, {'A', 'B', 'C', 0}}, {272, 2, 4, {'D', 'E', 'F', 0}}});
    block[8] = 200;
    items.clear();
    ParseTiffItems(block.data(), block.size(), items);
    EXPECT_TRUE(FindItem(items, 271));
    EXPECT_TRUE(FindItem(items, 272));
    // Not a TIFF header, or too short: nothing.
    items.clear();
    const BYTE junk[] = {'X', 'X', 42, 0, 8, 0, 0, 0, 0, 0};
    ParseTiffItems(junk, sizeof junk, items);
    ParseTiffItems(block.data(), 7, items);
    EXPECT_TRUE(items.empty());
}

TEST(ImagingBitmap, ItemsLocksAndEncoders)
{
    std::unique_ptr<PlatformBitmap> b;
    ASSERT_EQ(PlatformBitmap::FromScan0(3, 2, PixelFormat24bppRGB, b), Ok);
    EXPECT_EQ(PlatformBitmap::FromScan0(0, 2, PixelFormat24bppRGB, b), InvalidParameter);
    EXPECT_EQ(PlatformBitmap::FromScan0(3, 2, PixelFormat48bppRGB, b), InvalidParameter);
    ASSERT_EQ(PlatformBitmap::FromScan0(3, 2, PixelFormat24bppRGB, b), Ok);

    // Items: the same id replaces the earlier one; the block holds the items then the values.
    PropertyItem item;
    item.id = 305;
    item.type = 2;
    item.length = 2;
    item.value = "a";
    ASSERT_EQ(b->SetPropertyItem(item), Ok);
    item.length = 3;
    item.value = "bc";
    ASSERT_EQ(b->SetPropertyItem(item), Ok);
    item.id = 271;
    ASSERT_EQ(b->SetPropertyItem(item), Ok);
    UINT total = 0, count = 0;
    ASSERT_EQ(b->GetPropertySize(&total, &count), Ok);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(total, 2 * sizeof(PropertyItem) + 6);
    std::vector<PropertyItem> block(total / sizeof(PropertyItem) + 1);
    EXPECT_EQ(b->GetAllPropertyItems(total - 1, count, block.data()), InvalidParameter);
    ASSERT_EQ(b->GetAllPropertyItems(total, count, block.data()), Ok);
    EXPECT_EQ(block[0].id, 305u);
    EXPECT_EQ(block[0].length, 3u);
    EXPECT_STREQ(static_cast<const char*>(block[0].value), "bc");
    UINT size = 0;
    EXPECT_EQ(b->GetPropertyItemSize(999, &size), PropertyNotFound);

    // Locks: rectangles inside the frame, one lock at a time, writing in the frame's format.
    Rect r;
    r.Width = 3;
    r.Height = 1;
    BitmapData data;
    ASSERT_EQ(b->LockBits(r, ImageLockModeWrite, PixelFormat24bppRGB, &data), Ok);
    EXPECT_EQ(b->LockBits(r, ImageLockModeWrite, PixelFormat24bppRGB, &data), WrongState);
    static_cast<BYTE*>(data.Scan0)[0] = 42;
    ASSERT_EQ(b->UnlockBits(&data), Ok);
    EXPECT_EQ(b->UnlockBits(&data), WrongState);
    EXPECT_EQ(b->LockBits(r, ImageLockModeWrite, PixelFormat32bppARGB, &data), NotImplemented);
    EXPECT_EQ(b->LockBits(r, ImageLockModeRead, PixelFormat8bppIndexed, &data), InvalidParameter);
    Rect outside = r;
    outside.Y = 2;
    EXPECT_EQ(b->LockBits(outside, ImageLockModeRead, PixelFormat24bppRGB, &data), InvalidParameter);
    outside = r;
    outside.X = -1;
    EXPECT_EQ(b->LockBits(outside, ImageLockModeRead, PixelFormat24bppRGB, &data), InvalidParameter);
    ASSERT_EQ(b->LockBits(r, ImageLockModeRead, PixelFormat32bppARGB, &data), Ok);
    EXPECT_EQ(static_cast<BYTE*>(data.Scan0)[0], 42);
    EXPECT_EQ(static_cast<BYTE*>(data.Scan0)[3], 255);
    b->UnlockBits(&data);

    // Encoders: one per writable format; an unknown encoder id is refused.
    UINT n = 0, bytes = 0;
    ASSERT_EQ(GetImageEncodersSize(&n, &bytes), Ok);
    ASSERT_EQ(n, 5u);
    std::vector<ImageCodecInfo> encoders(n);
    ASSERT_EQ(GetImageEncoders(n, bytes, encoders.data()), Ok);
    const GUID formats[] = {ImageFormatBMP, ImageFormatJPEG, ImageFormatGIF, ImageFormatTIFF, ImageFormatPNG};
    for (const GUID& f : formats)
        EXPECT_EQ(std::count_if(encoders.begin(), encoders.end(),
                                [&](const ImageCodecInfo& e) { return e.FormatID == f; }),
                  1);
    std::vector<BYTE> out;
    EXPECT_EQ(b->SaveToMemory(out, ImageFormatPNG, nullptr), InvalidParameter); // a format is no encoder id
    for (const ImageCodecInfo& e : encoders)
    {
        ASSERT_EQ(b->SaveToMemory(out, e.Clsid, nullptr), Ok);
        std::unique_ptr<PlatformBitmap> back;
        ASSERT_EQ(PlatformBitmap::FromMemory(out.data(), out.size(), back), Ok);
        EXPECT_TRUE(back->GetRawFormat() == e.FormatID);
        EXPECT_EQ(back->GetWidth(), 3u);
    }
}
