// The platform bitmap's decoders on files built by hand or by the format libraries: the format
// found from the content, the pixel format and flags each frame reports, the pixels it gives in
// each lock format, frames of animations and multi-page files, and the metadata items.
#include "ImagingFixtures.h"

#include "platform/imaging/PlatformBitmap.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace imaging;
using fixtures::Bytes;

namespace
{
std::unique_ptr<PlatformBitmap> Open(const Bytes& bytes, Status* status = nullptr)
{
    std::unique_ptr<PlatformBitmap> bitmap;
    const Status s = PlatformBitmap::FromMemory(bytes.data(), bytes.size(), bitmap);
    if (status) *status = s;
    return bitmap;
}

// The active frame's rows in a lock format, top row first, without padding.
std::vector<BYTE> Pixels(PlatformBitmap& b, PixelFormat format)
{
    const UINT w = b.GetWidth(), h = b.GetHeight();
    const std::size_t rowBytes = std::size_t(w) * std::size_t(GetPixelFormatSize(format) / 8);
    std::vector<BYTE> out(rowBytes * h);
    Rect r;
    r.Width = w;
    r.Height = h;
    BitmapData data;
    data.Stride = INT64(rowBytes);
    data.Scan0 = out.data();
    EXPECT_EQ(b.LockBits(r, ImageLockModeRead | ImageLockModeUserInputBuf, format, &data), Ok);
    b.UnlockBits(&data);
    return out;
}

// One pixel of a 32bppARGB lock as 0xAARRGGBB.
ARGB At(const std::vector<BYTE>& argb, UINT width, UINT x, UINT y)
{
    const BYTE* p = argb.data() + (std::size_t(y) * width + x) * 4;
    return ARGB(p[3]) << 24 | ARGB(p[2]) << 16 | ARGB(p[1]) << 8 | p[0];
}

std::vector<BYTE> Item(PlatformBitmap& b, std::uint32_t id, std::uint16_t* type = nullptr)
{
    UINT size = 0;
    if (b.GetPropertyItemSize(id, &size) != Ok) return {};
    std::vector<PropertyItem> block((size + sizeof(PropertyItem) - 1) / sizeof(PropertyItem) + 1);
    EXPECT_EQ(b.GetPropertyItem(id, size, block.data()), Ok);
    if (type) *type = block[0].type;
    const BYTE* v = static_cast<const BYTE*>(block[0].value);
    return std::vector<BYTE>(v, v + block[0].length);
}

Bytes Rows(std::initializer_list<std::initializer_list<int>> rows)
{
    Bytes out;
    for (const auto& r : rows)
        for (int v : r)
            out.push_back(std::uint8_t(v));
    return out;
}
} // namespace

TEST(ImagingDecode, FormatComesFromTheContent)
{
    fixtures::BmpShape bmp;
    bmp.width = 1;
    bmp.height = 1;
    bmp.pixels = {1, 2, 3, 0};
    fixtures::PngShape png;
    png.rows = {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 2, 3, 4, 5, 6, 7, 8, 9}};
    const struct
    {
        Bytes bytes;
        GUID format;
    } cases[] = {
        {fixtures::MakeBmp(bmp), ImageFormatBMP},
        {fixtures::MakePng(png), ImageFormatPNG},
        {fixtures::MakeJpeg(2, 2, 1, std::vector<std::uint8_t>(4, 128)), ImageFormatJPEG},
        {fixtures::MakeGif(1, 1, {{0, 0, 0}, {255, 255, 255}}, {{0, 0, 1, 1, false, -1, -1, 0, {}, {1}}}),
         ImageFormatGIF},
        {fixtures::MakeTiff({{1, 1, 3, {1, 2, 3}, ""}}), ImageFormatTIFF},
        {fixtures::MakeTiff({{1, 1, 3, {1, 2, 3}, ""}}, true), ImageFormatTIFF},
    };
    for (const auto& c : cases)
    {
        Status s;
        auto b = Open(c.bytes, &s);
        ASSERT_EQ(s, Ok);
        EXPECT_TRUE(b->GetRawFormat() == c.format);
    }
    Status s;
    EXPECT_FALSE(Open(Bytes{'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'}, &s));
    EXPECT_EQ(s, UnknownImageFormat);
    std::unique_ptr<PlatformBitmap> none;
    EXPECT_EQ(PlatformBitmap::FromMemory(nullptr, 4, none), InvalidParameter);
    EXPECT_EQ(PlatformBitmap::FromMemory("BM", 0, none), InvalidParameter);
    EXPECT_EQ(PlatformBitmap::FromFile(L"/nonexistent/x.png", none), FileNotFound);
}

TEST(ImagingDecode, BmpVariants)
{
    // Palette: 0 black, 1 red, 2 green, 3 blue.
    const std::vector<std::uint32_t> pal = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    struct Case
    {
        const char* name;
        fixtures::BmpShape shape;
        PixelFormat format;
        // Expected 0xAARRGGBB of (0,0), (1,0) and (0,1) read as 32bppARGB; then the fourth byte
        // of (0,0) read as 32bppRGB.
        ARGB topLeft, topSecond, secondRow;
        int fourth;
    };
    std::vector<Case> cases;
    {
        fixtures::BmpShape s; // 1 bit, 2 x 2, bottom-up: bottom row 0 1, top row 1 0
        s.width = 2, s.height = 2, s.bitCount = 1, s.palette = {0x000000, 0xFFFFFF};
        s.pixels = Rows({{0x40, 0, 0, 0}, {0x80, 0, 0, 0}});
        cases.push_back({"1 bit", s, PixelFormat1bppIndexed, 0xFFFFFFFF, 0xFF000000, 0xFF000000, 255});
    }
    {
        fixtures::BmpShape s; // 4 bit, 3 x 2
        s.width = 3, s.height = 2, s.bitCount = 4, s.palette = pal;
        s.pixels = Rows({{0x30, 0x10, 0, 0}, {0x12, 0x30, 0, 0}});
        cases.push_back({"4 bit", s, PixelFormat4bppIndexed, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 255});
    }
    {
        fixtures::BmpShape s; // 8 bit, top-down
        s.width = 2, s.height = 2, s.bitCount = 8, s.palette = pal, s.topDown = true;
        s.pixels = Rows({{2, 3, 0, 0}, {1, 0, 0, 0}});
        cases.push_back(
            {"8 bit top-down", s, PixelFormat8bppIndexed, 0xFF00FF00, 0xFF0000FF, 0xFFFF0000, 255});
    }
    {
        fixtures::BmpShape s; // RLE8: bottom row run of 2 x index 1, then a top row in absolute mode
        s.width = 3, s.height = 2, s.bitCount = 8, s.compression = 1, s.palette = pal;
        s.pixels = Rows({{3, 1}, {0, 0}, {0, 3, 2, 3, 1, 0}, {0, 1}});
        cases.push_back({"RLE8", s, PixelFormat8bppIndexed, 0xFF00FF00, 0xFF0000FF, 0xFFFF0000, 255});
    }
    {
        fixtures::BmpShape s; // RLE4: bottom row 1 2 1, top row 3 3 (delta skips nothing)
        s.width = 3, s.height = 2, s.bitCount = 4, s.compression = 2, s.palette = pal;
        s.pixels = Rows({{3, 0x12}, {0, 0}, {2, 0x33}, {0, 1}});
        cases.push_back({"RLE4", s, PixelFormat4bppIndexed, 0xFF0000FF, 0xFF0000FF, 0xFFFF0000, 255});
    }
    {
        fixtures::BmpShape s; // 16 bit 555: red 0x7C00, white 0x7FFF
        s.width = 2, s.height = 1, s.bitCount = 16;
        s.pixels = Rows({{0x00, 0x7C, 0xFF, 0x7F}});
        cases.push_back({"16 bit 555", s, PixelFormat16bppRGB555, 0xFFFF0000, 0xFFFFFFFF, 0, 255});
    }
    {
        fixtures::BmpShape s; // 16 bit 565 through bitfields: green 0x07E0, blue 0x001F
        s.width = 2, s.height = 1, s.bitCount = 16, s.compression = 3, s.masks = {0xF800, 0x07E0, 0x001F};
        s.pixels = Rows({{0xE0, 0x07, 0x1F, 0x00}});
        cases.push_back({"16 bit 565", s, PixelFormat16bppRGB565, 0xFF00FF00, 0xFF0000FF, 0, 255});
    }
    {
        fixtures::BmpShape s; // 24 bit
        s.width = 1, s.height = 2, s.bitCount = 24;
        s.pixels = Rows({{10, 20, 30, 0}, {40, 50, 60, 0}});
        cases.push_back({"24 bit", s, PixelFormat24bppRGB, 0xFF3C3228, 0, 0xFF1E140A, 255});
    }
    {
        fixtures::BmpShape s; // 32 bit BI_RGB with fourth bytes 7 and 9: kept as stored
        s.width = 1, s.height = 2, s.bitCount = 32;
        s.pixels = Rows({{10, 20, 30, 7}, {40, 50, 60, 9}});
        cases.push_back({"32 bit", s, PixelFormat32bppRGB, 0xFF3C3228, 0, 0xFF1E140A, 9});
    }
    {
        fixtures::BmpShape s; // 32 bit whose fourth bytes are all 0: opaque
        s.width = 1, s.height = 2, s.bitCount = 32;
        s.pixels = Rows({{10, 20, 30, 0}, {40, 50, 60, 0}});
        cases.push_back({"32 bit zero fourth", s, PixelFormat32bppRGB, 0xFF3C3228, 0, 0xFF1E140A, 255});
    }
    {
        fixtures::BmpShape s; // 32 bit V4 header with an alpha mask in the low byte
        s.width = 1, s.height = 1, s.bitCount = 32, s.compression = 3, s.headerSize = 108;
        s.masks = {0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF};
        s.pixels = Rows({{0x80, 0x30, 0x20, 0x10}}); // A 0x80, B 0x30, G 0x20, R 0x10
        cases.push_back({"32 bit V4 bitfields", s, PixelFormat32bppRGB, 0xFF102030, 0, 0, 0x80});
    }
    {
        fixtures::BmpShape s; // OS/2 core header, 8 bit with RGB triples
        s.width = 2, s.height = 1, s.bitCount = 8, s.headerSize = 12, s.palette = pal;
        s.pixels = Rows({{3, 1, 0, 0}});
        cases.push_back({"core header", s, PixelFormat8bppIndexed, 0xFF0000FF, 0xFFFF0000, 0, 255});
    }
    {
        fixtures::BmpShape s; // V5 header, 24 bit
        s.width = 1, s.height = 1, s.bitCount = 24, s.headerSize = 124;
        s.pixels = Rows({{1, 2, 3, 0}});
        cases.push_back({"V5 header", s, PixelFormat24bppRGB, 0xFF030201, 0, 0, 255});
    }
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        auto b = Open(fixtures::MakeBmp(c.shape));
        ASSERT_TRUE(b);
        EXPECT_EQ(b->GetPixelFormat(), c.format);
        EXPECT_EQ(b->GetFlags() & ImageFlagsHasAlpha, 0u);
        EXPECT_EQ(b->GetFrameCount(FrameDimensionResolution), 1u);
        const UINT w = b->GetWidth();
        EXPECT_EQ(int(w), c.shape.width);
        EXPECT_EQ(int(b->GetHeight()), c.shape.height);
        const auto argb = Pixels(*b, PixelFormat32bppARGB);
        EXPECT_EQ(At(argb, w, 0, 0), c.topLeft);
        if (w > 1)
        {
            EXPECT_EQ(At(argb, w, 1, 0), c.topSecond);
        }
        if (b->GetHeight() > 1)
        {
            EXPECT_EQ(At(argb, w, 0, 1), c.secondRow);
        }
        EXPECT_EQ(Pixels(*b, PixelFormat32bppRGB)[3], c.fourth);
        const auto bgr = Pixels(*b, PixelFormat24bppRGB);
        EXPECT_EQ(bgr[0], BYTE(c.topLeft));
        EXPECT_EQ(bgr[2], BYTE(c.topLeft >> 16));
    }
}

TEST(ImagingDecode, PngVariants)
{
    using fixtures::PngShape;
    struct Case
    {
        const char* name;
        PngShape shape;
        PixelFormat format;
        bool alpha;
        ARGB first, last; // pixels (0,0) and (w-1,h-1) as 0xAARRGGBB
    };
    std::vector<Case> cases;
    {
        PngShape s;
        s.colorType = PNG_COLOR_TYPE_PALETTE, s.width = 2, s.height = 1;
        s.palette = {{255, 0, 0}, {0, 0, 255}};
        s.rows = {{0, 1}};
        cases.push_back({"palette", s, PixelFormat8bppIndexed, false, 0xFFFF0000, 0xFF0000FF});
        s.trnsAlpha = {255, 0};
        cases.push_back({"palette with tRNS", s, PixelFormat32bppARGB, true, 0xFFFF0000, 0x000000FF});
        s.depth = 1, s.trnsAlpha.clear(), s.rows = {{0x40}};
        cases.push_back({"palette 1 bit", s, PixelFormat1bppIndexed, false, 0xFFFF0000, 0xFF0000FF});
    }
    {
        PngShape s;
        s.colorType = PNG_COLOR_TYPE_GRAY, s.width = 2, s.height = 1, s.rows = {{0x10, 0xF0}};
        cases.push_back({"grey 8", s, PixelFormat24bppRGB, false, 0xFF101010, 0xFFF0F0F0});
        s.depth = 1, s.rows = {{0x40}};
        cases.push_back({"grey 1", s, PixelFormat24bppRGB, false, 0xFF000000, 0xFFFFFFFF});
        s.depth = 16, s.rows = {{0x12, 0x34, 0xAB, 0xCD}};
        cases.push_back({"grey 16", s, PixelFormat24bppRGB, false, 0xFF121212, 0xFFABABAB});
        s.depth = 8, s.rows = {{0x10, 0xF0}}, s.trnsColor = true, s.trnsValue.gray = 0xF0;
        cases.push_back({"grey with tRNS", s, PixelFormat32bppARGB, true, 0xFF101010, 0x00F0F0F0});
    }
    {
        PngShape s;
        s.colorType = PNG_COLOR_TYPE_GRAY_ALPHA, s.width = 1, s.height = 1, s.rows = {{0x20, 0x80}};
        cases.push_back({"grey alpha", s, PixelFormat32bppARGB, true, 0x80202020, 0x80202020});
    }
    {
        PngShape s;
        s.width = 2, s.height = 1, s.rows = {{1, 2, 3, 4, 5, 6}};
        cases.push_back({"RGB 8", s, PixelFormat24bppRGB, false, 0xFF010203, 0xFF040506});
        s.depth = 16, s.rows = {{1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0}};
        cases.push_back({"RGB 16", s, PixelFormat48bppRGB, false, 0xFF010203, 0xFF040506});
    }
    {
        PngShape s;
        s.colorType = PNG_COLOR_TYPE_RGB_ALPHA, s.width = 1, s.height = 2,
        s.rows = {{1, 2, 3, 0}, {4, 5, 6, 200}};
        cases.push_back({"RGBA 8", s, PixelFormat32bppARGB, true, 0x00010203, 0xC8040506});
        s.depth = 16, s.rows = {{1, 9, 2, 9, 3, 9, 0, 9}, {4, 9, 5, 9, 6, 9, 200, 9}};
        cases.push_back({"RGBA 16", s, PixelFormat32bppARGB, true, 0x00010203, 0xC8040506});
    }
    {
        // Interlaced: 9 x 9 so that every pass has pixels; the value is x + 10 y.
        PngShape s;
        s.colorType = PNG_COLOR_TYPE_GRAY, s.width = 9, s.height = 9, s.interlace = true;
        for (int y = 0; y < 9; ++y)
        {
            std::vector<png_byte> row;
            for (int x = 0; x < 9; ++x)
                row.push_back(png_byte(x + 10 * y));
            s.rows.push_back(row);
        }
        cases.push_back({"interlaced", s, PixelFormat24bppRGB, false, 0xFF000000, 0xFF585858});
    }
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        auto b = Open(fixtures::MakePng(c.shape));
        ASSERT_TRUE(b);
        EXPECT_EQ(b->GetPixelFormat(), c.format);
        EXPECT_EQ((b->GetFlags() & ImageFlagsHasAlpha) != 0, c.alpha);
        const UINT w = b->GetWidth(), h = b->GetHeight();
        const auto argb = Pixels(*b, PixelFormat32bppARGB);
        EXPECT_EQ(At(argb, w, 0, 0), c.first);
        EXPECT_EQ(At(argb, w, w - 1, h - 1), c.last);
        if (std::string(c.name) == "interlaced")
            for (UINT y = 0; y < h; ++y)
                for (UINT x = 0; x < w; ++x)
                {
                    ASSERT_EQ(BYTE(At(argb, w, x, y)), x + 10 * y) << x << "," << y;
                }
    }
}

TEST(ImagingDecode, PngChunksBecomeItems)
{
    fixtures::PngShape s;
    s.width = 1, s.height = 1, s.rows = {{1, 2, 3}};
    s.texts = {{"Software", "Orvalis 5"}, {"Author", "Moi"}, {"Comment", "not mapped"}};
    s.time = true;
    s.timeValue = png_time{2024, 2, 29, 13, 5, 9};
    s.gamma = 45455;
    s.srgb = 1;
    s.phys = true, s.physX = 2835, s.physY = 3780, s.physUnit = 1;
    s.exif = fixtures::MakeTiffBlock(false, {{271, 2, 5, fixtures::Ascii("Sony")}});
    auto b = Open(fixtures::MakePng(s));
    ASSERT_TRUE(b);
    std::uint16_t type = 0;
    EXPECT_EQ(Item(*b, 305, &type), fixtures::Ascii("Orvalis 5"));
    EXPECT_EQ(type, 2);
    EXPECT_EQ(Item(*b, 315), fixtures::Ascii("Moi"));
    EXPECT_EQ(Item(*b, 306), fixtures::Ascii("2024:02:29 13:05:09"));
    EXPECT_EQ(Item(*b, 271), fixtures::Ascii("Sony"));
    EXPECT_EQ(Item(*b, PropertyTagGamma), (Bytes{0xA0, 0x86, 1, 0, 0x8F, 0xB1, 0, 0}));
    EXPECT_EQ(Item(*b, PropertyTagSRGBRenderingIntent), Bytes{1});
    EXPECT_EQ(Item(*b, PropertyTagPixelUnit), Bytes{1});
    EXPECT_EQ(Item(*b, PropertyTagPixelPerUnitX), (Bytes{0x13, 0x0B, 0, 0}));
    EXPECT_EQ(Item(*b, PropertyTagPixelPerUnitY), (Bytes{0xC4, 0x0E, 0, 0}));
    UINT total = 0, count = 0;
    ASSERT_EQ(b->GetPropertySize(&total, &count), Ok);
    EXPECT_EQ(count, 9u); // no item for the unmapped comment
}

TEST(ImagingDecode, JpegColourSpacesAndItems)
{
    const int w = 16, h = 16;
    // Grey: a flat 100.
    auto grey = Open(fixtures::MakeJpeg(w, h, 1, std::vector<std::uint8_t>(w * h, 100)));
    ASSERT_TRUE(grey);
    EXPECT_EQ(grey->GetPixelFormat(), PixelFormat8bppIndexed);
    auto p = Pixels(*grey, PixelFormat24bppRGB);
    EXPECT_NEAR(p[0], 100, 1);
    EXPECT_EQ(p[0], p[1]);
    EXPECT_EQ(p[0], p[2]);

    // Colour: a flat (200, 100, 50).
    std::vector<std::uint8_t> rgb;
    for (int i = 0; i < w * h; ++i)
        rgb.insert(rgb.end(), {200, 100, 50});
    auto colour = Open(fixtures::MakeJpeg(w, h, 3, rgb));
    ASSERT_TRUE(colour);
    EXPECT_EQ(colour->GetPixelFormat(), PixelFormat24bppRGB);
    p = Pixels(*colour, PixelFormat24bppRGB);
    EXPECT_NEAR(p[0], 50, 2);
    EXPECT_NEAR(p[1], 100, 2);
    EXPECT_NEAR(p[2], 200, 2);

    // CMYK as Adobe writes it (inverted): C=255-R... with no black, so stored inverted values
    // are the colour itself and K stored 255 means no ink.
    std::vector<std::uint8_t> cmyk;
    for (int i = 0; i < w * h; ++i)
        cmyk.insert(cmyk.end(), {200, 100, 50, 255});
    auto ink = Open(fixtures::MakeJpeg(w, h, 4, cmyk));
    ASSERT_TRUE(ink);
    EXPECT_EQ(ink->GetPixelFormat(), PixelFormat24bppRGB);
    p = Pixels(*ink, PixelFormat24bppRGB);
    EXPECT_NEAR(p[0], 50, 3);
    EXPECT_NEAR(p[1], 100, 3);
    EXPECT_NEAR(p[2], 200, 3);

    // Quantisation tables as items: at quality 50 the IJG luminance table starts with 16.
    auto q50 = Open(fixtures::MakeJpeg(w, h, 3, rgb, 50));
    std::uint16_t type = 0;
    const auto lum = Item(*q50, PropertyTagLuminanceTable, &type);
    ASSERT_EQ(lum.size(), 128u);
    EXPECT_EQ(type, 3);
    EXPECT_EQ(lum[0] | lum[1] << 8, 16);
    EXPECT_EQ(Item(*q50, PropertyTagChrominanceTable).size(), 128u);
}

TEST(ImagingDecode, JpegExifInBothByteOrders)
{
    using fixtures::ExifEntry;
    for (bool mm : {false, true})
    {
        SCOPED_TRACE(mm ? "MM" : "II");
        Bytes r33434, r34855, r37500, gps2;
        auto p32 = [&](Bytes& b, std::uint32_t v) { mm ? fixtures::Put32BE(b, v) : fixtures::Put32(b, v); };
        p32(r33434, 10);
        p32(r33434, 1250);
        mm ? fixtures::Put16BE(r34855, 200) : fixtures::Put16(r34855, 200);
        r37500.assign(40, 0xAB);
        p32(gps2, 1);
        p32(gps2, 2);
        const Bytes tiff = fixtures::MakeTiffBlock(
            mm,
            {{271, 2, 6, fixtures::Ascii("Canon")},
             {272, 2, 4, fixtures::Ascii("EOS")},
             {305, 2, 0x7FFFFFF0, {0, 0, 0, 8}}}, // a count far beyond the block: skipped
            {{33434, 5, 1, r33434},
             {34855, 3, 1, r34855},
             {36867, 2, 20, fixtures::Ascii("2024:01:02 03:04:05")},
             {37500, 7, 40, r37500},
             {40965, 4, 1, {0, 0, 0, 8}}},
            {{1, 2, 2, {'N', 0}}, {2, 5, 1, gps2}}, {{513, 4, 1, {0, 0, 0, 0}}});
        Bytes app1 = {'E', 'x', 'i', 'f', 0, 0};
        app1.insert(app1.end(), tiff.begin(), tiff.end());
        auto b = Open(fixtures::MakeJpeg(8, 8, 1, std::vector<std::uint8_t>(64, 7), 90, app1));
        ASSERT_TRUE(b);
        EXPECT_EQ(Item(*b, 271), fixtures::Ascii("Canon"));
        EXPECT_EQ(Item(*b, 272), fixtures::Ascii("EOS"));
        EXPECT_EQ(Item(*b, 36867), fixtures::Ascii("2024:01:02 03:04:05"));
        std::uint16_t type = 0;
        EXPECT_EQ(Item(*b, 33434, &type), (Bytes{10, 0, 0, 0, 0xE2, 4, 0, 0}));
        EXPECT_EQ(type, 5);
        EXPECT_EQ(Item(*b, 34855), (Bytes{200, 0}));
        EXPECT_EQ(Item(*b, 37500), r37500);
        EXPECT_EQ(Item(*b, 1), (Bytes{'N', 0}));
        EXPECT_EQ(Item(*b, 2), (Bytes{1, 0, 0, 0, 2, 0, 0, 0}));
        // No pointers, nothing of IFD1, nothing whose value lies outside the block.
        for (std::uint32_t id : {34665u, 34853u, 40965u, 513u, 305u})
        {
            UINT size = 0;
            EXPECT_EQ(b->GetPropertyItemSize(id, &size), PropertyNotFound) << id;
        }
    }
}

TEST(ImagingDecode, AnimatedGifFramesDelaysAndDisposal)
{
    // Palette: 0 black, 1 red, 2 green, 3 blue. Screen 4 x 2.
    const std::vector<GifColorType> map = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    std::vector<fixtures::GifFrameShape> frames = {
        {0, 0, 4, 2, false, 0, -1, 1, {}, {1, 1, 1, 1, 1, 1, 1, 1}}, // red everywhere, keep
        {1, 0, 2, 1, false, 7, 0, 2, {}, {2, 0}},         // green at (1,0); index 0 transparent; then clear
        {2, 1, 2, 1, false, 10, -1, 3, {}, {3, 3}},       // blue at (2,1),(3,1); then restore
        {0, 0, 1, 1, false, 20, -1, 0, {}, {2}},          // green at (0,0)
        {3, 1, 2, 2, false, -1, -1, 0, {}, {2, 2, 2, 2}}, // clipped to (3,1); no control block
    };
    auto b = Open(fixtures::MakeGif(4, 2, map, frames, 0));
    ASSERT_TRUE(b);
    ASSERT_EQ(b->GetFrameDimensionsCount(), 1u);
    GUID dim;
    ASSERT_EQ(b->GetFrameDimensionsList(&dim, 1), Ok);
    EXPECT_TRUE(dim == FrameDimensionTime);
    ASSERT_EQ(b->GetFrameCount(FrameDimensionTime), 5u);
    EXPECT_EQ(b->GetFrameCount(FrameDimensionPage), 0u);
    EXPECT_EQ(Item(*b, PropertyTagFrameDelay),
              (Bytes{0, 0, 0, 0, 7, 0, 0, 0, 10, 0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Item(*b, PropertyTagLoopCount), (Bytes{0, 0}));

    const ARGB R = 0xFFFF0000, G = 0xFF00FF00, B = 0xFF0000FF, Z = 0x00000000;
    const std::vector<std::vector<ARGB>> expected = {
        {R, R, R, R, R, R, R, R}, {R, G, R, R, R, R, R, R}, // (2,0) transparent: the red below shows
        {R, Z, Z, R, R, R, B, B}, // the rectangle of frame 1 cleared to transparent, blue drawn
        {G, Z, Z, R, R, R, R, R}, // blue restored away
        {G, Z, Z, R, R, R, R, G},
    };
    for (UINT i = 0; i < 5; ++i)
    {
        SCOPED_TRACE(i);
        ASSERT_EQ(b->SelectActiveFrame(FrameDimensionTime, i), Ok);
        EXPECT_EQ(b->GetPixelFormat(), PixelFormat8bppIndexed);
        EXPECT_EQ(b->GetWidth(), 4u);
        EXPECT_EQ((b->GetFlags() & ImageFlagsHasAlpha) != 0, i == 1);
        const auto argb = Pixels(*b, PixelFormat32bppARGB);
        for (UINT k = 0; k < 8; ++k)
        {
            EXPECT_EQ(At(argb, 4, k % 4, k / 4), expected[i][k]) << k;
        }
    }
    EXPECT_EQ(b->SelectActiveFrame(FrameDimensionTime, 5), InvalidParameter);
}

TEST(ImagingDecode, InterlacedGifRowsInPlace)
{
    std::vector<GifColorType> map(16);
    for (int i = 0; i < 16; ++i)
        map[std::size_t(i)] = GifColorType{BYTE(i * 16), 0, 0};
    fixtures::GifFrameShape f{0, 0, 1, 10, true, -1, -1, 0, {}, {}};
    for (int y = 0; y < 10; ++y)
        f.pixels.push_back(GifPixelType(y));
    auto b = Open(fixtures::MakeGif(1, 10, map, {f}));
    ASSERT_TRUE(b);
    const auto argb = Pixels(*b, PixelFormat32bppARGB);
    for (UINT y = 0; y < 10; ++y)
    {
        EXPECT_EQ(At(argb, 1, 0, y), 0xFF000000u | (y * 16) << 16) << y;
    }
    // A still GIF still has its one delay.
    EXPECT_EQ(Item(*b, PropertyTagFrameDelay), (Bytes{0, 0, 0, 0}));
}

TEST(ImagingDecode, TiffPagesAndAlpha)
{
    fixtures::TiffPage rgb{2, 1, 3, {255, 0, 0, 0, 0, 255}, "PageOne"};
    fixtures::TiffPage rgba{1, 1, 4, {0, 255, 0, 128}, "PageTwo"};
    for (bool bigEndian : {false, true})
    {
        auto b = Open(fixtures::MakeTiff({rgb, rgba}, bigEndian));
        ASSERT_TRUE(b);
        ASSERT_EQ(b->GetFrameCount(FrameDimensionPage), 2u);
        EXPECT_EQ(b->GetPixelFormat(), PixelFormat24bppRGB);
        auto argb = Pixels(*b, PixelFormat32bppARGB);
        EXPECT_EQ(At(argb, 2, 0, 0), 0xFFFF0000u);
        EXPECT_EQ(At(argb, 2, 1, 0), 0xFF0000FFu);
        EXPECT_EQ(Item(*b, 271), fixtures::Ascii("PageOne"));
        std::uint16_t type = 0;
        EXPECT_EQ(Item(*b, 256, &type)[0], 2); // the page's own width tag
        ASSERT_EQ(b->SelectActiveFrame(FrameDimensionPage, 1), Ok);
        EXPECT_EQ(b->GetPixelFormat(), PixelFormat32bppARGB);
        EXPECT_NE(b->GetFlags() & ImageFlagsHasAlpha, 0u);
        argb = Pixels(*b, PixelFormat32bppARGB);
        const ARGB p = At(argb, 1, 0, 0);
        EXPECT_EQ(p >> 24, 128u);
        EXPECT_NEAR(int((p >> 8) & 0xFF), 255, 1); // straight, not premultiplied
        EXPECT_EQ(Item(*b, 271), fixtures::Ascii("PageTwo"));
        const auto width = Item(*b, 256, &type);
        ASSERT_GE(width.size(), 2u);
        EXPECT_EQ(width[0], 1); // little-endian whatever the file's order
    }
}

TEST(ImagingDecode, IconsWithMaskOrAlphaOrPng)
{
    // 2 x 2, 24-bit colour rows (bottom-up) then the AND mask: (1,0) transparent.
    const Bytes dib = fixtures::IconDib(2, 2, 24,
                                        Rows({{1, 2, 3, 4, 5, 6, 0, 0},
                                              {7, 8, 9, 10, 11, 12, 0, 0},
                                              {0, 0, 0, 0},       // mask, bottom row
                                              {0x40, 0, 0, 0}})); // mask, top row
    auto b = Open(fixtures::MakeIco(2, 2, dib));
    ASSERT_TRUE(b);
    EXPECT_TRUE(b->GetRawFormat() == ImageFormatIcon);
    EXPECT_EQ(b->GetPixelFormat(), PixelFormat32bppARGB);
    auto argb = Pixels(*b, PixelFormat32bppARGB);
    EXPECT_EQ(At(argb, 2, 0, 0), 0xFF090807u);
    EXPECT_EQ(At(argb, 2, 1, 0), 0x000C0B0Au);
    EXPECT_EQ(At(argb, 2, 0, 1), 0xFF030201u);

    // PNG inside: its alpha is kept.
    fixtures::PngShape png;
    png.colorType = PNG_COLOR_TYPE_RGB_ALPHA, png.width = 1, png.height = 1, png.rows = {{9, 8, 7, 77}};
    b = Open(fixtures::MakeIco(1, 1, fixtures::MakePng(png)));
    ASSERT_TRUE(b);
    argb = Pixels(*b, PixelFormat32bppARGB);
    EXPECT_EQ(At(argb, 1, 0, 0), 0x4D090807u);
}

TEST(ImagingDecode, TruncatedFilesKeepTheRowsTheyHave)
{
    // A top-down 24-bit BMP of 4 rows cut after 2 rows: 2 rows readable, the third refused.
    fixtures::BmpShape s;
    s.width = 1, s.height = 4, s.bitCount = 24, s.topDown = true;
    s.pixels = Rows({{1, 1, 1, 0}, {2, 2, 2, 0}, {3, 3, 3, 0}, {4, 4, 4, 0}});
    Bytes bmp = fixtures::MakeBmp(s);
    bmp.resize(bmp.size() - 8);
    auto b = Open(bmp);
    ASSERT_TRUE(b);
    Rect row;
    row.Width = 1;
    row.Height = 1;
    BYTE pixel[4];
    BitmapData data;
    data.Stride = 4;
    data.Scan0 = pixel;
    row.Y = 1;
    ASSERT_EQ(b->LockBits(row, ImageLockModeRead | ImageLockModeUserInputBuf, PixelFormat24bppRGB, &data),
              Ok);
    EXPECT_EQ(pixel[0], 2);
    b->UnlockBits(&data);
    row.Y = 2;
    EXPECT_NE(b->LockBits(row, ImageLockModeRead | ImageLockModeUserInputBuf, PixelFormat24bppRGB, &data),
              Ok);

    // A PNG cut inside its pixel data keeps its first rows (noisy rows, so that the data spans
    // several chunks).
    fixtures::PngShape p;
    p.colorType = PNG_COLOR_TYPE_GRAY, p.width = 256, p.height = 256;
    std::uint32_t seed = 1;
    for (int y = 0; y < 256; ++y)
    {
        std::vector<png_byte> r(256);
        for (auto& v : r)
            v = png_byte((seed = seed * 1664525u + 1013904223u) >> 24);
        p.rows.push_back(r);
    }
    Bytes png = fixtures::MakePng(p);
    png.resize(png.size() / 2);
    b = Open(png);
    ASSERT_TRUE(b);
    row.Y = 0;
    EXPECT_EQ(b->LockBits(row, ImageLockModeRead | ImageLockModeUserInputBuf, PixelFormat24bppRGB, &data),
              Ok);
    b->UnlockBits(&data);
    row.Y = 255;
    EXPECT_NE(b->LockBits(row, ImageLockModeRead | ImageLockModeUserInputBuf, PixelFormat24bppRGB, &data),
              Ok);
}

// Every fixture cut short at many lengths and with bytes flipped: no crash, no read outside the
// buffer (the sanitizer builds check that), and a bitmap only with at least one readable row.
TEST(ImagingDecode, DamagedFilesFailCleanly)
{
    fixtures::BmpShape bmp8;
    bmp8.width = 5, bmp8.height = 3, bmp8.bitCount = 8, bmp8.palette = {0x112233, 0x445566};
    bmp8.pixels.assign(24, 1);
    fixtures::BmpShape rle = bmp8;
    rle.compression = 1, rle.pixels = Rows({{0, 5, 1, 1, 1, 1, 1, 0}, {0, 2, 2, 200}, {9, 1}});
    fixtures::PngShape png;
    png.colorType = PNG_COLOR_TYPE_RGB_ALPHA, png.width = 3, png.height = 3;
    png.rows.assign(3, std::vector<png_byte>(12, 99));
    png.texts = {{"Software", "x"}};
    std::vector<std::uint8_t> rgb(16 * 16 * 3, 77);
    Bytes app1 = {'E', 'x', 'i', 'f', 0, 0};
    const Bytes tiffBlock = fixtures::MakeTiffBlock(true, {{271, 2, 6, fixtures::Ascii("Canon")}},
                                                    {{33434, 5, 1, {0, 0, 0, 1, 0, 0, 0, 60}}});
    app1.insert(app1.end(), tiffBlock.begin(), tiffBlock.end());
    const std::vector<GifColorType> map = {{0, 0, 0}, {255, 0, 0}};
    const Bytes dib = fixtures::IconDib(1, 1, 32, Rows({{0x33, 0x22, 0x11, 0x80}, {0, 0, 0, 0}}));
    const std::vector<Bytes> files = {
        fixtures::MakeBmp(bmp8),
        fixtures::MakeBmp(rle),
        fixtures::MakePng(png),
        fixtures::MakeJpeg(16, 16, 3, rgb, 80, app1),
        fixtures::MakeGif(3, 3, map, {{0, 0, 3, 3, true, 5, 0, 2, {}, std::vector<GifPixelType>(9, 1)}}, 2),
        fixtures::MakeTiff({{2, 2, 4, std::vector<std::uint8_t>(16, 50), "x"}}),
        fixtures::MakeIco(1, 1, dib),
    };
    std::size_t variants = 0;
    for (const Bytes& file : files)
    {
        ASSERT_TRUE(Open(file)) << "fixture " << &file - files.data();
        std::vector<Bytes> damaged;
        for (std::size_t cut = 1; cut < file.size(); cut += 1 + file.size() / 97)
            damaged.emplace_back(file.begin(), file.begin() + std::ptrdiff_t(cut));
        for (std::size_t at = 0; at < file.size(); at += 1 + file.size() / 61)
            for (BYTE value : {BYTE(0x00), BYTE(0xFF), BYTE(0x7F), BYTE(0x80)})
            {
                Bytes copy = file;
                copy[at] = value;
                damaged.push_back(copy);
            }
        for (const Bytes& bytes : damaged)
        {
            // An exact-size heap copy, so that an over-read is seen.
            std::unique_ptr<BYTE[]> exact(new BYTE[bytes.size()]);
            std::memcpy(exact.get(), bytes.data(), bytes.size());
            std::unique_ptr<PlatformBitmap> b;
            if (PlatformBitmap::FromMemory(exact.get(), bytes.size(), b) != Ok)
            {
                EXPECT_FALSE(b);
                continue;
            }
            ASSERT_TRUE(b);
            ++variants;
            const GUID dim = b->GetFrameCount(FrameDimensionTime)   ? FrameDimensionTime
                             : b->GetFrameCount(FrameDimensionPage) ? FrameDimensionPage
                                                                    : FrameDimensionResolution;
            for (UINT i = 0; i < b->GetFrameCount(dim); ++i)
            {
                ASSERT_EQ(b->SelectActiveFrame(dim, i), Ok);
                ASSERT_GT(b->GetWidth(), 0u);
                Rect r;
                r.Width = b->GetWidth();
                r.Height = 1;
                std::vector<BYTE> buffer(std::size_t(b->GetWidth()) * 4);
                BitmapData data;
                data.Stride = INT64(buffer.size());
                data.Scan0 = buffer.data();
                EXPECT_EQ(b->LockBits(r, ImageLockModeRead | ImageLockModeUserInputBuf, PixelFormat32bppARGB,
                                      &data),
                          Ok);
                b->UnlockBits(&data);
            }
            UINT total = 0, count = 0;
            ASSERT_EQ(b->GetPropertySize(&total, &count), Ok);
            std::vector<PropertyItem> items(total / sizeof(PropertyItem) + 1);
            if (count)
            {
                EXPECT_EQ(b->GetAllPropertyItems(total, count, items.data()), Ok);
            }
        }
    }
    EXPECT_GT(variants, 0u);
}

TEST(ImagingDecode, DecodedMemoryStaysWithinTheLimit)
{
    const std::uint64_t old = MaxDecodedBytes();
    SetMaxDecodedBytes(1 << 20);
    fixtures::PngShape big;
    big.colorType = PNG_COLOR_TYPE_GRAY;
    big.width = 1024, big.height = 1024, big.rows.assign(1024, std::vector<png_byte>(1024, 5));
    EXPECT_FALSE(Open(fixtures::MakePng(big))); // 3 MB of pixels over a 1 MB limit
    big.width = 500, big.height = 500, big.rows.assign(500, std::vector<png_byte>(500, 5));
    EXPECT_TRUE(Open(fixtures::MakePng(big)));
    SetMaxDecodedBytes(old);
}

// A PNG chunk whose length runs past the end of the file: cut off before the library reads it,
// so the picture before it still loads and nothing is allocated for the claimed length.
TEST(ImagingDecode, PngChunkLongerThanTheFile)
{
    fixtures::PngShape p;
    p.colorType = PNG_COLOR_TYPE_GRAY, p.width = 2, p.height = 2, p.rows = {{1, 2}, {3, 4}};
    Bytes png = fixtures::MakePng(p);
    // Before the end chunk: a text chunk that claims 1.2 GB.
    Bytes bogus;
    fixtures::Put32BE(bogus, 0x4D000010);
    bogus.insert(bogus.end(), {'t', 'E', 'X', 't', 'S', 'o', 'f', 't'});
    Bytes after = png;
    after.insert(after.end() - 12, bogus.begin(), bogus.end());
    after.resize(after.size() - 12); // the file ends inside the bogus chunk
    auto b = Open(after);
    ASSERT_TRUE(b);
    const auto argb = Pixels(*b, PixelFormat32bppARGB);
    EXPECT_EQ(At(argb, 2, 1, 1), 0xFF040404u);
    // The same chunk before the image data: no picture.
    Bytes before(png.begin(), png.begin() + 33);
    before.insert(before.end(), bogus.begin(), bogus.end());
    EXPECT_FALSE(Open(before));
}
