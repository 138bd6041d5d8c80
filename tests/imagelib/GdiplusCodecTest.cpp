// The platform codec: the depth each kind of file loads with, frames and delays, saving by
// type with the JPEG quality and the GIF transparent index, metadata items written and read
// back (checked with libexif and with FreeImage as independent readers), round trips.
#include "ImagingFixtures.h"
#include "TestImages.h"

#include "imagelib/FCExifTags.h"
#include "imagelib/FCImageCodec.h"
#include "imagelib/FCImageProperty.h"
#include "imagelib/FCObjImage.h"
#include "imagelib/codecs/FCImageCodec_FreeImage.h"
#include "imagelib/codecs/FCImageCodec_Gdiplus.h"
#include "imagelib/codecs/FreeImageInclude.h"
#include "platform/TextConv.h"

#include <gtest/gtest.h>
#include <libexif/exif-data.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace fs = std::filesystem;
using fixtures::Bytes;

namespace
{
class GdiplusCodec : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir = fs::path(::testing::TempDir()) /
              ("orvalis-gp-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        Clear();
        fs::remove_all(dir);
    }
    void Clear()
    {
        for (auto* f : frames)
            delete f;
        frames.clear();
        prop = FCImageProperty();
    }
    std::wstring WPath(const std::string& name) const { return Utf8ToWide((dir / name).string()); }

    bool LoadBytes(const Bytes& bytes)
    {
        Clear();
        FCImageCodec_Gdiplus codec;
        return codec.LoadImageMemory(bytes.data(), int(bytes.size()), frames, &prop);
    }
    bool LoadFile(const std::string& name)
    {
        Clear();
        FCImageCodec_Gdiplus codec;
        return codec.LoadImageFile(WPath(name).c_str(), frames, &prop);
    }
    bool Save(const std::string& name, const FCObjImage& image, const FCImageProperty& p)
    {
        FCImageCodec_Gdiplus codec;
        return codec.SaveImageFile(WPath(name).c_str(), {&image}, p);
    }
    Bytes Read(const std::string& name) const
    {
        std::ifstream in(dir / name, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    // The raw item of an id, unpacked; empty when absent.
    std::string RawItem(std::uint32_t id, std::uint16_t* type = nullptr) const
    {
        for (const std::string& packed : prop.rawItems)
        {
            PropertyItem item;
            if (UnpackPropertyItem(packed, item) && item.id == id)
            {
                if (type) *type = item.type;
                return std::string(static_cast<const char*>(item.value), item.length);
            }
        }
        return {};
    }

    fs::path dir;
    std::vector<FCObjImage*> frames;
    FCImageProperty prop;
};

std::string Packed(std::uint32_t id, std::uint16_t type, const std::string& value)
{
    return PackPropertyItem(id, type, unsigned(value.size()), value.data());
}

// An 8-bit image with a palette of distinct colours and every index used.
FCObjImage Indexed(int w, int h)
{
    FCObjImage image = testimg::Varied(w, h, 8);
    RGBQUAD pal[256];
    for (int i = 0; i < 256; ++i)
        pal[i] = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i * 7), 255};
    image.SetPalette(pal);
    return image;
}

// The APP1 EXIF payload of a JPEG file (without its marker and length), or empty.
Bytes ExifSegment(const Bytes& jpeg)
{
    std::size_t i = 2;
    while (i + 4 <= jpeg.size() && jpeg[i] == 0xFF)
    {
        const unsigned marker = jpeg[i + 1];
        const std::size_t length = std::size_t(jpeg[i + 2]) << 8 | jpeg[i + 3];
        if (marker == 0xE1 && length >= 8 && i + 2 + length <= jpeg.size() &&
            std::memcmp(&jpeg[i + 4], "Exif\0\0", 6) == 0)
            return Bytes(jpeg.begin() + std::ptrdiff_t(i + 4), jpeg.begin() + std::ptrdiff_t(i + 2 + length));
        if (marker == 0xDA) break;
        i += 2 + length;
    }
    return {};
}

// The text of a tag in one IFD as libexif reads it, or "(none)".
std::string LibexifText(ExifData* data, ExifIfd ifd, ExifTag tag)
{
    ExifEntry* e = exif_content_get_entry(data->ifd[ifd], tag);
    if (!e) return "(none)";
    return std::string(reinterpret_cast<const char*>(e->data), e->size);
}
} // namespace

TEST_F(GdiplusCodec, DepthRuleByKindOfFile)
{
    fixtures::BmpShape bmp8;
    bmp8.width = 1, bmp8.height = 1, bmp8.bitCount = 8, bmp8.palette = {0x102030}, bmp8.pixels = {0, 0, 0, 0};
    fixtures::BmpShape bmp32 = bmp8;
    bmp32.bitCount = 32, bmp32.palette.clear(), bmp32.pixels = {1, 2, 3, 77};
    fixtures::BmpShape bmp32zero = bmp32;
    bmp32zero.pixels = {1, 2, 3, 0};
    fixtures::BmpShape bmp16 = bmp32;
    bmp16.bitCount = 16, bmp16.pixels = {0x00, 0x7C, 0, 0};
    fixtures::PngShape png8;
    png8.colorType = PNG_COLOR_TYPE_PALETTE, png8.width = 1, png8.height = 1, png8.palette = {{9, 8, 7}},
    png8.rows = {{0}};
    fixtures::PngShape pngTrns = png8;
    pngTrns.trnsAlpha = {0};
    fixtures::PngShape pngRgba;
    pngRgba.colorType = PNG_COLOR_TYPE_RGB_ALPHA, pngRgba.width = 1, pngRgba.height = 1,
    pngRgba.rows = {{9, 8, 7, 66}};
    const std::vector<GifColorType> map = {{9, 8, 7}, {1, 2, 3}};
    const Bytes gifPlain = fixtures::MakeGif(1, 1, map, {{0, 0, 1, 1, false, 5, -1, 0, {}, {0}}});
    const Bytes gifClear = fixtures::MakeGif(1, 1, map, {{0, 0, 1, 1, false, 5, 0, 0, {}, {0}}});
    const Bytes icoDib = fixtures::IconDib(1, 1, 32, {0x09, 0x08, 0x07, 0x55, 0, 0, 0, 0});

    const struct
    {
        const char* name;
        Bytes bytes;
        int bpp;
        std::vector<BYTE> pixel; // B, G, R (, A) of (0, 0)
    } cases[] = {
        {"BMP 8", fixtures::MakeBmp(bmp8), 24, {0x30, 0x20, 0x10}},
        {"BMP 16", fixtures::MakeBmp(bmp16), 24, {0, 0, 255}},
        {"BMP 32 keeps its fourth byte", fixtures::MakeBmp(bmp32), 32, {1, 2, 3, 77}},
        {"BMP 32 of zero fourth bytes is opaque", fixtures::MakeBmp(bmp32zero), 32, {1, 2, 3, 255}},
        {"PNG palette", fixtures::MakePng(png8), 24, {7, 8, 9}},
        {"PNG palette with tRNS", fixtures::MakePng(pngTrns), 32, {7, 8, 9, 0}},
        {"PNG RGBA", fixtures::MakePng(pngRgba), 32, {7, 8, 9, 66}},
        {"GIF without transparency", gifPlain, 24, {7, 8, 9}},
        {"GIF with a transparent index", gifClear, 32, {0, 0, 0, 0}},
        {"JPEG", fixtures::MakeJpeg(8, 8, 1, std::vector<std::uint8_t>(64, 200)), 24, {200, 200, 200}},
        {"TIFF RGB", fixtures::MakeTiff({{1, 1, 3, {9, 8, 7}, ""}}), 24, {7, 8, 9}},
        {"TIFF RGBA", fixtures::MakeTiff({{1, 1, 4, {9, 8, 7, 255}, ""}}), 32, {7, 8, 9, 255}},
        {"ICO", fixtures::MakeIco(1, 1, icoDib), 32, {9, 8, 7, 0x55}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(LoadBytes(c.bytes));
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0]->ColorBits(), c.bpp);
        const BYTE* p = frames[0]->PixelAddress(0, 0);
        for (std::size_t k = 0; k < c.pixel.size(); ++k)
            EXPECT_NEAR(p[k], c.pixel[k], c.bpp == 24 && std::string(c.name) == "JPEG" ? 1 : 0) << k;
    }
}

TEST_F(GdiplusCodec, AnimatedGifGivesEveryFrameAndItsDelay)
{
    const std::vector<GifColorType> map = {{0, 0, 0}, {255, 0, 0}};
    std::vector<fixtures::GifFrameShape> shapes;
    const int delays[] = {0, 7, 10, 25, -1};
    for (int i = 0; i < 5; ++i)
        shapes.push_back(
            {0, 0, 2, 2, false, delays[i], i == 2 ? 0 : -1, 0, {}, {1, 1, 1, GifPixelType(i % 2)}});
    ASSERT_TRUE(LoadBytes(fixtures::MakeGif(2, 2, map, shapes)));
    ASSERT_EQ(frames.size(), 5u);
    // Hundredths of a second to milliseconds; none (or no control block) reads as 100 ms.
    EXPECT_EQ(prop.frameDelays, (std::vector<std::int32_t>{100, 70, 100, 250, 100}));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(frames[std::size_t(i)]->ColorBits(), i == 2 ? 32 : 24) << i;
    // Index 0 is transparent in frame 2: the red of frame 1 shows through.
    EXPECT_EQ(frames[2]->PixelAddress(1, 1)[0], 0);
    EXPECT_EQ(frames[2]->PixelAddress(1, 1)[2], 255);
    EXPECT_EQ(frames[2]->PixelAddress(1, 1)[3], 255);
    EXPECT_EQ(frames[4]->PixelAddress(1, 1)[2], 0); // index 0 drawn black where it is opaque
}

TEST_F(GdiplusCodec, SameBytesAsFreeImageOnTheSameFiles)
{
    const FCObjImage rgb = testimg::Varied(37, 23, 24);
    const FCObjImage rgba = testimg::Varied(37, 23, 32);
    ASSERT_TRUE(Save("a.bmp", rgb, FCImageProperty()));
    ASSERT_TRUE(Save("b.png", rgb, FCImageProperty()));
    ASSERT_TRUE(Save("c.png", rgba, FCImageProperty()));
    ASSERT_TRUE(Save("e.tif", rgba, FCImageProperty()));
    for (const char* name : {"a.bmp", "b.png", "c.png", "e.tif"})
    {
        SCOPED_TRACE(name);
        ASSERT_TRUE(LoadFile(name));
        EXPECT_TRUE(testimg::SamePixels(
            *frames[0], std::string(name) == "a.bmp" || std::string(name) == "b.png" ? rgb : rgba));
        std::vector<FCObjImage*> theirs;
        FCImageProperty p;
        FCImageCodec_FreeImage fi;
        ASSERT_TRUE(fi.LoadImageFile(WPath(name).c_str(), theirs, &p));
        ASSERT_EQ(theirs.size(), 1u);
        EXPECT_TRUE(testimg::SamePixels(*theirs[0], *frames[0]));
        for (auto* f : theirs)
            delete f;
    }
    // JPEG, written by the library directly and by us: the same bytes as FreeImage's accurate
    // decoding (the same IDCT and upsampling).
    std::vector<std::uint8_t> samples(40 * 24 * 3);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = std::uint8_t((i * 37) ^ (i >> 5));
    const Bytes theirJpeg = fixtures::MakeJpeg(40, 24, 3, samples, 85);
    std::ofstream(dir / "f.jpg", std::ios::binary)
        .write(reinterpret_cast<const char*>(theirJpeg.data()), std::streamsize(theirJpeg.size()));
    ASSERT_TRUE(Save("d.jpg", rgb, FCImageProperty()));
    FreeImage_Initialise(TRUE);
    for (const char* name : {"d.jpg", "f.jpg"})
    {
        SCOPED_TRACE(name);
        ASSERT_TRUE(LoadFile(name));
        FIBITMAP* dib = FreeImage_Load(FIF_JPEG, (dir / name).c_str(), JPEG_ACCURATE);
        ASSERT_TRUE(dib);
        ASSERT_EQ(int(FreeImage_GetWidth(dib)), frames[0]->Width());
        ASSERT_EQ(FreeImage_GetBPP(dib), 24u);
        int worst = 0;
        const int h = frames[0]->Height();
        for (int y = 0; y < h; ++y)
            for (int i = 0; i < frames[0]->Width() * 3; ++i)
                worst = std::max(worst, std::abs(int(frames[0]->RowAddress(y)[i]) -
                                                 int(FreeImage_GetScanLine(dib, h - 1 - y)[i])));
        EXPECT_LE(worst, 1);
        FreeImage_Unload(dib);
    }
    FreeImage_DeInitialise();
}

TEST_F(GdiplusCodec, RoundTripsKeepPixels)
{
    const FCObjImage indexed = Indexed(19, 7);
    FCObjImage expanded(indexed);
    expanded.ConvertBitDepth(24);
    for (const char* ext : {"bmp", "png", "tif", "gif"})
        for (int bpp : {8, 24, 32})
        {
            SCOPED_TRACE(std::string(ext) + " " + std::to_string(bpp));
            if (std::string(ext) == "gif" && bpp != 8) continue;
            const FCObjImage source = bpp == 8 ? indexed : testimg::Varied(19, 7, bpp);
            const std::string name = std::string("rt.") + ext;
            ASSERT_TRUE(Save(name, source, FCImageProperty()));
            ASSERT_TRUE(LoadFile(name));
            // 8-bit pictures come back as 24 bits with their palette's colours; 32-bit ones
            // keep their alpha (BMP through its fourth byte).
            EXPECT_TRUE(testimg::SamePixels(*frames[0], bpp == 8 ? expanded : source));
        }
    // 8 bits to JPEG: the palette is expanded.
    const FCObjImage flat = []
    {
        FCObjImage image;
        image.Create(16, 16, 8);
        RGBQUAD pal[256] = {};
        pal[0] = RGBQUAD{40, 120, 220, 255};
        image.SetPalette(pal);
        return image;
    }();
    ASSERT_TRUE(Save("flat.jpg", flat, FCImageProperty()));
    ASSERT_TRUE(LoadFile("flat.jpg"));
    const BYTE* p = frames[0]->PixelAddress(8, 8);
    EXPECT_NEAR(p[0], 40, 2);
    EXPECT_NEAR(p[1], 120, 2);
    EXPECT_NEAR(p[2], 220, 2);
    // A deep picture to GIF is reduced to 256 colours, close to the original.
    const FCObjImage deep = testimg::Varied(40, 40, 24);
    ASSERT_TRUE(Save("deep.gif", deep, FCImageProperty()));
    ASSERT_TRUE(LoadFile("deep.gif"));
    ASSERT_EQ(frames[0]->Width(), 40);
    long error = 0;
    for (int y = 0; y < 40; ++y)
        for (int i = 0; i < 120; ++i)
            error += std::abs(int(frames[0]->RowAddress(y)[i]) - int(deep.RowAddress(y)[i]));
    EXPECT_LT(error / (40 * 120), 40); // mean error per channel of noise over 256 colours
}

TEST_F(GdiplusCodec, DeepPicturesToGifKeepTheirClearPixels)
{
    // Pixels of alpha below 128 take a transparent entry of their own.
    FCObjImage image = testimg::Flat(4, 2, 32, 10, 20, 30, 255);
    image.PixelAddress(1, 0)[3] = 0;
    image.PixelAddress(2, 1)[3] = 100;
    image.PixelAddress(3, 1)[3] = 200;
    ASSERT_TRUE(Save("clear.gif", image, FCImageProperty()));
    ASSERT_TRUE(LoadFile("clear.gif"));
    ASSERT_EQ(frames[0]->ColorBits(), 32);
    EXPECT_EQ(testimg::Alphas(*frames[0]), (std::vector<BYTE>{255, 0, 255, 255, 255, 255, 0, 255}));
    EXPECT_EQ(frames[0]->PixelAddress(0, 0)[2], 30);
}

TEST_F(GdiplusCodec, MultiPageTiffGivesEveryPageAndTheLastPagesItems)
{
    const Bytes tiff = fixtures::MakeTiff({{2, 1, 3, {255, 0, 0, 0, 0, 255}, "First"},
                                           {1, 1, 4, {0, 255, 0, 128}, "Second"},
                                           {1, 2, 3, {1, 2, 3, 4, 5, 6}, "Third"}});
    ASSERT_TRUE(LoadBytes(tiff));
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0]->ColorBits(), 24);
    EXPECT_EQ(frames[0]->PixelAddress(0, 0)[2], 255);
    EXPECT_EQ(frames[1]->ColorBits(), 32);
    EXPECT_EQ(frames[1]->PixelAddress(0, 0)[3], 128);
    EXPECT_EQ(frames[2]->Height(), 2);
    // The items are read after the frame loop, from the active (last) page.
    EXPECT_EQ(prop.make, std::string("Third\0", 6));
}

TEST_F(GdiplusCodec, JpegQualityFromTheSaveParameter)
{
    const FCObjImage image = testimg::Varied(64, 64, 24);
    FCImageProperty p;
    ASSERT_TRUE(Save("q90.jpg", image, p)); // -1: quality 90
    p.saveParameter = 40;
    ASSERT_TRUE(Save("q40.jpg", image, p));
    EXPECT_LT(Read("q40.jpg").size(), Read("q90.jpg").size());
    // The IJG luminance table starts with 3 at quality 90 and 20 at quality 40.
    for (auto [name, first] : {std::pair{"q90.jpg", 3}, std::pair{"q40.jpg", 20}})
    {
        ASSERT_TRUE(LoadFile(name));
        std::uint16_t type = 0;
        const std::string table = RawItem(0x5090, &type);
        ASSERT_EQ(table.size(), 128u) << name;
        EXPECT_EQ(type, 3);
        EXPECT_EQ(BYTE(table[0]) | BYTE(table[1]) << 8, first) << name;
    }
}

TEST_F(GdiplusCodec, SaveRefusesTypesWithoutEncoder)
{
    const FCObjImage image = testimg::Varied(4, 4, 24);
    for (const char* name : {"x.ico", "x.xyz", "x.pcx", "x.tga", "noextension"})
    {
        EXPECT_FALSE(Save(name, image, FCImageProperty())) << name;
        EXPECT_FALSE(fs::exists(dir / name)) << name;
    }
    FCImageCodec_Gdiplus codec;
    FCObjImage empty;
    EXPECT_FALSE(codec.SaveImageFile(WPath("e.png").c_str(), {}, FCImageProperty()));
    EXPECT_FALSE(codec.SaveImageFile(WPath("e.png").c_str(), {&empty}, FCImageProperty()));
    // A folder that does not exist: false, and nothing left behind.
    EXPECT_FALSE(Save("missing/x.png", image, FCImageProperty()));
}

TEST_F(GdiplusCodec, GifTransparentIndexFromTheSaveParameter)
{
    const FCObjImage image = Indexed(8, 8);
    for (int parameter : {3, -1, 300, -5, 255})
    {
        SCOPED_TRACE(parameter);
        FCImageProperty p;
        p.saveParameter = parameter;
        ASSERT_TRUE(Save("t.gif", image, p));
        int error = 0;
        GifFileType* gif = DGifOpenFileName((dir / "t.gif").c_str(), &error);
        ASSERT_TRUE(gif);
        ASSERT_EQ(DGifSlurp(gif), GIF_OK);
        GraphicsControlBlock gcb;
        const bool hasGcb = DGifSavedExtensionToGCB(gif, 0, &gcb) == GIF_OK;
        const int expected = parameter >= 0 && parameter <= 255 ? parameter : -1;
        EXPECT_EQ(hasGcb ? gcb.TransparentColor : -1, expected);
        // The palette is written as it stands.
        ASSERT_TRUE(gif->SColorMap);
        EXPECT_EQ(gif->SColorMap->Colors[3].Red, 21);
        DGifCloseFile(gif, &error);
        ASSERT_TRUE(LoadFile("t.gif"));
        EXPECT_EQ(frames[0]->ColorBits(), expected >= 0 ? 32 : 24);
        EXPECT_TRUE(prop.frameDelays == std::vector<std::int32_t>{100}); // never written, read as none
    }
}

TEST_F(GdiplusCodec, MetadataWrittenAndReadBack)
{
    const FCObjImage image = testimg::Varied(16, 16, 24);
    FCImageProperty p;
    p.make = std::string("Sony\0", 5);
    p.model = "DSC"; // no terminator: one is added
    p.dateTaken = std::string("2023:05:06 07:08:09\0", 20);
    const std::string software("Orvalis 5\0", 10), stamp("2024:12:31 23:59:58\0", 20);
    p.rawItems = {Packed(305, 2, std::string("Older\0", 6)), Packed(305, 2, software), Packed(306, 2, stamp),
                  Packed(33434, 5, std::string("\x01\0\0\0\x3C\0\0\0", 8)),
                  Packed(34855, 3, std::string("\xC8\0", 2)),
                  // Stale structure and offset tags, pointers and synthetic items are not written.
                  Packed(273, 4, std::string(4, '\1')), Packed(513, 4, std::string(4, '\1')),
                  Packed(40965, 4, std::string(4, '\1')), Packed(0x5090, 3, std::string(128, '\1')),
                  Packed(256, 4, std::string(4, '\1'))};
    p.frameDelays = {500};
    ASSERT_TRUE(Save("m.jpg", image, p));
    ASSERT_TRUE(LoadFile("m.jpg"));
    EXPECT_EQ(prop.make, std::string("Sony\0", 5));
    EXPECT_EQ(prop.model, std::string("DSC\0", 4));
    EXPECT_EQ(prop.dateTaken, p.dateTaken);
    EXPECT_EQ(RawItem(305), software); // the later of two items with one id
    EXPECT_EQ(RawItem(306), stamp);
    std::uint16_t type = 0;
    EXPECT_EQ(RawItem(33434, &type), std::string("\x01\0\0\0\x3C\0\0\0", 8));
    EXPECT_EQ(type, 5);
    EXPECT_EQ(RawItem(34855), std::string("\xC8\0", 2));
    for (std::uint32_t id : {273u, 513u, 40965u, 256u})
        EXPECT_EQ(RawItem(id), "") << id;
    EXPECT_TRUE(prop.frameDelays.empty());

    // libexif on the same file: the camera items in IFD0, the date taken in the Exif IFD.
    const Bytes app1 = ExifSegment(Read("m.jpg"));
    ASSERT_FALSE(app1.empty());
    ExifData* data = exif_data_new_from_data(app1.data(), unsigned(app1.size()));
    ASSERT_TRUE(data);
    EXPECT_EQ(LibexifText(data, EXIF_IFD_0, EXIF_TAG_MAKE), std::string("Sony\0", 5));
    EXPECT_EQ(LibexifText(data, EXIF_IFD_0, EXIF_TAG_MODEL), std::string("DSC\0", 4));
    EXPECT_EQ(LibexifText(data, EXIF_IFD_0, EXIF_TAG_SOFTWARE), software);
    EXPECT_EQ(LibexifText(data, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL), p.dateTaken);
    EXPECT_EQ(LibexifText(data, EXIF_IFD_0, EXIF_TAG_DATE_TIME_ORIGINAL), "(none)");
    ExifEntry* iso = exif_content_get_entry(data->ifd[EXIF_IFD_EXIF], EXIF_TAG_ISO_SPEED_RATINGS);
    ASSERT_TRUE(iso);
    EXPECT_EQ(exif_get_short(iso->data, exif_data_get_byte_order(data)), 200);
    exif_data_unref(data);

    // The same items survive a PNG round trip.
    ASSERT_TRUE(Save("m.png", image, p));
    ASSERT_TRUE(LoadFile("m.png"));
    EXPECT_EQ(RawItem(305), software);
    EXPECT_EQ(RawItem(306), stamp);
    EXPECT_EQ(prop.make, std::string("Sony\0", 5));
    EXPECT_EQ(prop.dateTaken, p.dateTaken);
    EXPECT_EQ(RawItem(33434), std::string("\x01\0\0\0\x3C\0\0\0", 8));
}

TEST_F(GdiplusCodec, ExifReadAgreesWithLibexif)
{
    Bytes rational;
    fixtures::Put32BE(rational, 28);
    fixtures::Put32BE(rational, 10);
    const Bytes tiff = fixtures::MakeTiffBlock(
        true, {{271, 2, 6, fixtures::Ascii("Nikon")}},
        {{33437, 5, 1, rational}, {36867, 2, 20, fixtures::Ascii("2020:02:02 02:02:02")}});
    Bytes app1 = {'E', 'x', 'i', 'f', 0, 0};
    app1.insert(app1.end(), tiff.begin(), tiff.end());
    ASSERT_TRUE(LoadBytes(fixtures::MakeJpeg(8, 8, 3, std::vector<std::uint8_t>(192, 60), 90, app1)));
    ExifData* data = exif_data_new_from_data(app1.data(), unsigned(app1.size()));
    ASSERT_TRUE(data);
    EXPECT_EQ(prop.make, LibexifText(data, EXIF_IFD_0, EXIF_TAG_MAKE));
    EXPECT_EQ(prop.dateTaken, LibexifText(data, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL));
    ExifEntry* f = exif_content_get_entry(data->ifd[EXIF_IFD_EXIF], EXIF_TAG_FNUMBER);
    ASSERT_TRUE(f);
    const ExifRational r = exif_get_rational(f->data, exif_data_get_byte_order(data));
    std::uint16_t type = 0;
    const std::string ours = RawItem(33437, &type);
    ASSERT_EQ(ours.size(), 8u);
    std::uint32_t n, d;
    std::memcpy(&n, ours.data(), 4);
    std::memcpy(&d, ours.data() + 4, 4);
    EXPECT_EQ(n, r.numerator);
    EXPECT_EQ(d, r.denominator);
    exif_data_unref(data);
}

TEST_F(GdiplusCodec, OversizedExifStillGivesAValidJpeg)
{
    const FCObjImage image = testimg::Varied(16, 16, 24);
    FCImageProperty p;
    p.make = std::string("Sony\0", 5);
    // A maker note that alone passes the segment limit is dropped; the rest stays.
    p.rawItems = {Packed(37500, 7, std::string(70000, 'm')), Packed(37510, 7, std::string(3000, 'c'))};
    ASSERT_TRUE(Save("big.jpg", image, p));
    ASSERT_TRUE(LoadFile("big.jpg"));
    EXPECT_EQ(prop.make, p.make);
    EXPECT_EQ(RawItem(37500), "");
    EXPECT_EQ(RawItem(37510), std::string(3000, 'c'));
    // Text that cannot be dropped that way: the EXIF segment is left out, the picture is kept.
    p.rawItems = {Packed(270, 2, std::string(70000, 'd'))};
    ASSERT_TRUE(Save("big2.jpg", image, p));
    ASSERT_TRUE(LoadFile("big2.jpg"));
    EXPECT_EQ(frames[0]->Width(), 16);
    EXPECT_TRUE(prop.make.empty());
    std::vector<FCObjImage*> theirs;
    FCImageProperty other;
    FCImageCodec_FreeImage fi;
    EXPECT_TRUE(fi.LoadImageFile(WPath("big.jpg").c_str(), theirs, &other));
    for (auto* f : theirs)
        delete f;
}

TEST_F(GdiplusCodec, LoadsByContentAndRefusesBadInput)
{
    const FCObjImage image = testimg::Varied(5, 5, 24);
    ASSERT_TRUE(Save("real.png", image, FCImageProperty()));
    fs::rename(dir / "real.png", dir / "named.jpg");
    ASSERT_TRUE(LoadFile("named.jpg"));
    EXPECT_TRUE(testimg::SamePixels(*frames[0], image));

    Clear();
    FCImageCodec_Gdiplus codec;
    const Bytes png = Read("named.jpg");
    EXPECT_FALSE(codec.LoadImageMemory(png.data(), -5, frames, &prop));
    EXPECT_FALSE(codec.LoadImageMemory(png.data(), 0, frames, &prop));
    EXPECT_FALSE(codec.LoadImageMemory(nullptr, 10, frames, &prop));
    EXPECT_FALSE(codec.LoadImageMemory(png.data(), int(png.size()), frames, nullptr));
    EXPECT_FALSE(codec.LoadImageMemory("garbage!", 8, frames, &prop));
    EXPECT_FALSE(codec.LoadImageFile(WPath("absent.png").c_str(), frames, &prop));
    EXPECT_TRUE(frames.empty());
}

TEST_F(GdiplusCodec, ThroughTheFactories)
{
    struct Restore
    {
        ~Restore() { FCObjImage::SetCodecFactory(new FCImageCodecFactory_Gdiplus); }
    } restore;
    const FCObjImage image = testimg::Varied(6, 4, 32);
    FCImageProperty p;
    // TIFF goes to the platform codec under the default factory and to FreeImage under the
    // application's; both read what the other wrote.
    FCObjImage::SetCodecFactory(new FCImageCodecFactory_Gdiplus);
    ASSERT_TRUE(image.Save(WPath("f.tif").c_str(), p));
    ASSERT_TRUE(image.Save(WPath("f.png").c_str(), p));
    FCObjImage back;
    ASSERT_TRUE(back.Load(WPath("f.png").c_str(), &p));
    EXPECT_TRUE(testimg::SamePixels(back, image));
    FCObjImage::SetCodecFactory(new CImageCodecFactory);
    FCObjImage viaFreeImage;
    ASSERT_TRUE(viaFreeImage.Load(WPath("f.tif").c_str(), &p));
    EXPECT_TRUE(testimg::SamePixels(viaFreeImage, image));
    ASSERT_TRUE(back.Load(WPath("f.png").c_str(), &p));
    EXPECT_TRUE(testimg::SamePixels(back, image));
}

TEST_F(GdiplusCodec, GuardStartsTheLayerForTheCodecsLifetime)
{
    const int before = imaging::StartupCount();
    {
        FCImageCodec_Gdiplus codec;
        EXPECT_EQ(imaging::StartupCount(), before + 1);
        FCAutoInitGDIPlus another;
        EXPECT_EQ(imaging::StartupCount(), before + 2);
    }
    EXPECT_EQ(imaging::StartupCount(), before);
}

TEST_F(GdiplusCodec, FromBitmapCopiesRowsUntilOneFails)
{
    // A top-down 24-bit BMP cut inside its third row.
    fixtures::BmpShape s;
    s.width = 1, s.height = 4, s.bitCount = 24, s.topDown = true;
    s.pixels = {1, 1, 1, 0, 2, 2, 2, 0, 3, 3, 3, 0, 4, 4, 4, 0};
    Bytes bmp = fixtures::MakeBmp(s);
    bmp.resize(bmp.size() - 6);
    std::unique_ptr<imaging::PlatformBitmap> bitmap;
    ASSERT_EQ(imaging::PlatformBitmap::FromMemory(bmp.data(), bmp.size(), bitmap), imaging::Ok);
    FCObjImage image = testimg::Varied(3, 3, 32);
    ASSERT_TRUE(image.FromGdiplusBitmap(*bitmap));
    EXPECT_EQ(image.Height(), 4);
    EXPECT_EQ(image.ColorBits(), 24);
    EXPECT_EQ(image.PixelAddress(0, 1)[0], 2);
    EXPECT_EQ(image.PixelAddress(0, 2)[0], 0); // not read: left zero
    // The codec still counts the partial picture as loaded.
    ASSERT_TRUE(LoadBytes(bmp));
    EXPECT_EQ(frames[0]->PixelAddress(0, 0)[0], 1);
}

TEST_F(GdiplusCodec, PropertyTextOfABitmap)
{
    const FCObjImage image = testimg::Varied(8, 8, 24);
    FCImageProperty p;
    p.rawItems = {Packed(37386, 5, std::string("\x32\0\0\0\x0A\0\0\0", 8)),
                  Packed(274, 3, std::string("\x06\0", 2))};
    ASSERT_TRUE(Save("t.jpg", image, p));
    const Bytes bytes = Read("t.jpg");
    std::unique_ptr<imaging::PlatformBitmap> bitmap;
    ASSERT_EQ(imaging::PlatformBitmap::FromMemory(bytes.data(), bytes.size(), bitmap), imaging::Ok);
    EXPECT_EQ(GetPropertyText(*bitmap, 37386), L"5.00 mm");
    EXPECT_EQ(GetPropertyText(*bitmap, 274), L"Vertical Rot 270\u00b0");
    EXPECT_EQ(GetPropertyText(*bitmap, 271), L"");
}
