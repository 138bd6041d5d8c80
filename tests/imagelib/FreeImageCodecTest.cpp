// The FreeImage codec over the real library. Fixtures are written at test time with FreeImage
// itself: what is under test is our conversion and routing around it.
#include "TestImages.h"

#include "imagelib/FCImageCodec.h"
#include "imagelib/FCImageProperty.h"
#include "imagelib/codecs/FCImageCodec_FreeImage.h"
#include "imagelib/codecs/FreeImageInclude.h"
#include "platform/TextConv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
class FreeImageCodec : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FreeImage_Initialise(TRUE);
        dir = fs::path(::testing::TempDir()) /
              ("orvalis-fi-" + std::to_string(::getpid()) + "-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        for (auto* f : frames)
            delete f;
        fs::remove_all(dir);
        FreeImage_DeInitialise();
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }
    std::wstring WPath(const std::string& name) const { return Utf8ToWide(Path(name)); }

    bool Load(const std::string& name)
    {
        FCImageCodec_FreeImage codec;
        return codec.LoadImageFile(WPath(name).c_str(), frames, &prop);
    }

    fs::path dir;
    std::vector<FCObjImage*> frames;
    FCImageProperty prop;
};

struct Dib
{
    FIBITMAP* dib;
    explicit Dib(FIBITMAP* d) : dib(d) {}
    ~Dib()
    {
        if (dib) FreeImage_Unload(dib);
    }
};

FIBITMAP* MakeRgb(int w, int h, int bpp, int seed)
{
    FIBITMAP* dib = FreeImage_Allocate(w, h, bpp);
    for (int y = 0; y < h; ++y)
    {
        BYTE* p = FreeImage_GetScanLine(dib, y);
        for (int i = 0; i < w * bpp / 8; ++i)
            p[i] = BYTE(seed + i * 7 + y * 13);
    }
    return dib;
}

FIBITMAP* MakeIndexed(int w, int h, int seed)
{
    FIBITMAP* dib = FreeImage_Allocate(w, h, 8);
    RGBQUAD* pal = FreeImage_GetPalette(dib);
    for (int i = 0; i < 256; ++i)
        pal[i] = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE((i * 3) & 0xFF), 0};
    for (int y = 0; y < h; ++y)
    {
        BYTE* p = FreeImage_GetScanLine(dib, y);
        for (int x = 0; x < w; ++x)
            p[x] = BYTE(seed + x + y * w);
    }
    return dib;
}

void SetFrameTime(FIBITMAP* dib, DWORD ms)
{
    FITAG* tag = FreeImage_CreateTag();
    FreeImage_SetTagKey(tag, "FrameTime");
    FreeImage_SetTagType(tag, FIDT_LONG);
    FreeImage_SetTagCount(tag, 1);
    FreeImage_SetTagLength(tag, 4);
    FreeImage_SetTagValue(tag, &ms);
    FreeImage_SetMetadata(FIMD_ANIMATION, dib, "FrameTime", tag);
    FreeImage_DeleteTag(tag);
}
} // namespace

TEST_F(FreeImageCodec, RoundTripKeepsPixelsAndRowOrder)
{
    for (int bpp : {24, 32})
    {
        const FCObjImage image = testimg::Varied(7, 5, bpp);
        const std::string name = "round" + std::to_string(bpp) + ".png";
        FCImageCodec_FreeImage codec;
        ASSERT_TRUE(codec.SaveImageFile(WPath(name).c_str(), {&image}, prop));
        // Our top row is FreeImage's last scan line.
        Dib back(FreeImage_Load(FIF_PNG, Path(name).c_str(), 0));
        ASSERT_NE(back.dib, nullptr);
        EXPECT_EQ(std::memcmp(FreeImage_GetScanLine(back.dib, 4), image.RowAddress(0), 7 * bpp / 8), 0);
        ASSERT_TRUE(Load(name));
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_TRUE(testimg::SamePixels(*frames[0], image)) << bpp;
        for (auto* f : frames)
            delete f;
        frames.clear();
    }
}

TEST_F(FreeImageCodec, MultiPageTiffDropsPagesItCannotHold)
{
    {
        FIMULTIBITMAP* multi =
            FreeImage_OpenMultiBitmap(FIF_TIFF, Path("pages.tif").c_str(), TRUE, FALSE, FALSE, 0);
        ASSERT_NE(multi, nullptr);
        Dib a(MakeRgb(5, 4, 24, 1)), b(MakeIndexed(6, 3, 2)), c(MakeRgb(4, 4, 32, 3));
        Dib deep(FreeImage_AllocateT(FIT_RGB16, 3, 3, 48));
        // 16 bits of grey: the library has no conversion of it to 24 bits.
        Dib grey16(FreeImage_AllocateT(FIT_UINT16, 2, 2, 16));
        FreeImage_AppendPage(multi, a.dib);
        FreeImage_AppendPage(multi, deep.dib);
        FreeImage_AppendPage(multi, b.dib);
        FreeImage_AppendPage(multi, grey16.dib);
        FreeImage_AppendPage(multi, c.dib);
        FreeImage_CloseMultiBitmap(multi, 0);
    }
    ASSERT_TRUE(Load("pages.tif"));
    ASSERT_EQ(frames.size(), 3u); // the 48-bit and 16-bit grey pages are dropped, the others load
    EXPECT_EQ(frames[0]->Width(), 5);
    EXPECT_EQ(frames[0]->ColorBits(), 24);
    EXPECT_EQ(frames[1]->Width(), 6);
    EXPECT_EQ(frames[1]->ColorBits(), 24); // 8 bits become 24
    EXPECT_EQ(frames[2]->ColorBits(), 32);
    // The 8-bit page's pixel (0, 0) went through its palette.
    Dib indexed(MakeIndexed(6, 3, 2));
    const BYTE index = FreeImage_GetScanLine(indexed.dib, 2)[0];
    const RGBQUAD c = FreeImage_GetPalette(indexed.dib)[index];
    EXPECT_EQ(frames[1]->PixelAddress(0, 0)[0], c.rgbBlue);
    EXPECT_EQ(frames[1]->PixelAddress(0, 0)[2], c.rgbRed);
}

TEST_F(FreeImageCodec, SixteenBitPagesBecome24Bits)
{
    Dib rgb555(FreeImage_Allocate(4, 2, 16, FI16_555_RED_MASK, FI16_555_GREEN_MASK, FI16_555_BLUE_MASK));
    for (int y = 0; y < 2; ++y)
    {
        WORD* p = reinterpret_cast<WORD*>(FreeImage_GetScanLine(rgb555.dib, y));
        for (int x = 0; x < 4; ++x)
            p[x] = WORD(0x7C00); // pure red
    }
    ASSERT_TRUE(FreeImage_Save(FIF_BMP, rgb555.dib, Path("sixteen").c_str(), 0)); // no extension
    ASSERT_TRUE(Load("sixteen"));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0]->ColorBits(), 24);
    const BYTE* p = frames[0]->PixelAddress(3, 1);
    EXPECT_EQ(p[0], 0);
    EXPECT_GE(p[2], 248);
}

TEST_F(FreeImageCodec, AnimatedGifUnderAnotherNameKeepsItsFrameTimes)
{
    {
        FIMULTIBITMAP* multi =
            FreeImage_OpenMultiBitmap(FIF_GIF, Path("anim.gif").c_str(), TRUE, FALSE, FALSE, 0);
        ASSERT_NE(multi, nullptr);
        const DWORD times[] = {40, 0, 1230}; // GIF keeps hundredths of a second
        for (int i = 0; i < 3; ++i)
        {
            Dib page(MakeIndexed(6, 5, i * 10));
            SetFrameTime(page.dib, times[i]);
            FreeImage_AppendPage(multi, page.dib);
        }
        FreeImage_CloseMultiBitmap(multi, 0);
    }
    fs::rename(dir / "anim.gif", dir / "anim.qlb");
    ASSERT_TRUE(Load("anim.qlb"));
    EXPECT_EQ(frames.size(), 3u);
    EXPECT_EQ(prop.frameDelays, (std::vector<std::int32_t>{40, 0, 1230}));
    for (auto* f : frames)
        EXPECT_TRUE(f->ColorBits() == 24 || f->ColorBits() == 32);
}

TEST_F(FreeImageCodec, PalettisedTgaWithATransparentEntryGives32Bits)
{
    for (bool transparent : {true, false})
    {
        Dib dib(MakeIndexed(5, 5, 0));
        if (transparent)
        {
            BYTE table[256];
            std::memset(table, 255, sizeof table);
            table[3] = 0;
            FreeImage_SetTransparencyTable(dib.dib, table, 256);
        }
        const std::string name = transparent ? "alpha.tga" : "plain.tga";
        ASSERT_TRUE(FreeImage_Save(FIF_TARGA, dib.dib, Path(name).c_str(), 0));
        Dib check(FreeImage_Load(FIF_TARGA, Path(name).c_str(), 0));
        if (transparent && !FreeImage_IsTransparent(check.dib))
            GTEST_SKIP() << "this FreeImage build does not keep TGA palette transparency";
        ASSERT_TRUE(Load(name));
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0]->ColorBits(), transparent ? 32 : 24);
        for (auto* f : frames)
            delete f;
        frames.clear();
    }
}

TEST_F(FreeImageCodec, GifSaveMarksTheClampedTransparentEntry)
{
    FCObjImage grey = testimg::Varied(8, 8, 8);
    struct Case
    {
        int parameter;
        int entry; // -1: no transparency
    } cases[] = {{300, 255}, {-5, 0}, {7, 7}, {-1, -1}};
    for (const Case& c : cases)
    {
        FCImageProperty p;
        p.saveParameter = c.parameter;
        const std::string name = "t" + std::to_string(c.parameter) + ".gif";
        FCImageCodec_FreeImage codec;
        ASSERT_TRUE(codec.SaveImageFile(WPath(name).c_str(), {&grey}, p));
        Dib back(FreeImage_Load(FIF_GIF, Path(name).c_str(), 0));
        ASSERT_NE(back.dib, nullptr);
        if (c.entry < 0)
        {
            EXPECT_FALSE(FreeImage_IsTransparent(back.dib));
            continue;
        }
        ASSERT_TRUE(FreeImage_IsTransparent(back.dib)) << c.parameter;
        const BYTE* table = FreeImage_GetTransparencyTable(back.dib);
        ASSERT_GT(int(FreeImage_GetTransparencyCount(back.dib)), c.entry);
        EXPECT_EQ(table[c.entry], 0) << c.parameter;
        for (int i = 0; i < int(FreeImage_GetTransparencyCount(back.dib)); ++i)
        {
            if (i != c.entry)
            {
                EXPECT_EQ(table[i], 255) << "entry " << i;
            }
        }
    }
}

TEST_F(FreeImageCodec, JpegQualityComesFromTheSaveParameter)
{
    const FCObjImage image = testimg::Varied(64, 64, 24);
    auto size = [&](int parameter)
    {
        FCImageProperty p;
        p.saveParameter = parameter;
        const std::string name = "q" + std::to_string(parameter) + ".jfif.jpg";
        FCImageCodec_FreeImage codec;
        EXPECT_TRUE(codec.SaveImageFile(WPath(name).c_str(), {&image}, p));
        return fs::file_size(dir / name);
    };
    const auto q90 = size(90);
    EXPECT_EQ(size(-1), q90);
    EXPECT_LT(size(20), q90);
    // What was written reads back close to the original.
    ASSERT_TRUE(Load("q90.jfif.jpg"));
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_EQ(frames[0]->ColorBits(), 24);
    ASSERT_EQ(frames[0]->Width(), 64);
    const FCObjImage flat = testimg::Flat(64, 64, 24, 30, 140, 220);
    FCImageCodec_FreeImage flatCodec;
    ASSERT_TRUE(flatCodec.SaveImageFile(WPath("flat.jpg").c_str(), {&flat}, prop));
    ASSERT_TRUE(Load("flat.jpg"));
    const BYTE* p = frames[1]->PixelAddress(40, 20);
    EXPECT_NEAR(p[0], 30, 3);
    EXPECT_NEAR(p[1], 140, 3);
    EXPECT_NEAR(p[2], 220, 3);
    // A 32-bit image cannot be written as JPEG through this codec.
    const FCObjImage deep = testimg::Varied(4, 4, 32);
    FCImageCodec_FreeImage codec;
    EXPECT_FALSE(codec.SaveImageFile(WPath("deep.jpg").c_str(), {&deep}, prop));
}

TEST_F(FreeImageCodec, SaveRefusals)
{
    FCImageCodec_FreeImage codec;
    const FCObjImage image = testimg::Varied(4, 4, 24);
    const FCObjImage empty;
    EXPECT_FALSE(codec.SaveImageFile(WPath("x.png").c_str(), {}, prop));
    EXPECT_FALSE(codec.SaveImageFile(WPath("x.png").c_str(), {&empty}, prop));
    EXPECT_FALSE(codec.SaveImageFile(WPath("x.unknownext").c_str(), {&image}, prop));
    EXPECT_FALSE(codec.SaveImageFile(nullptr, {&image}, prop));
    // A depth the format cannot take, found at run time.
    const FCObjImage deep = testimg::Varied(4, 4, 32);
    for (auto [ext, fif] : {std::pair{"ppm", FIF_PPM}, {"xpm", FIF_XPM}, {"pcx", FIF_PCX}})
    {
        if (!FreeImage_FIFSupportsWriting(fif) || !FreeImage_FIFSupportsExportBPP(fif, 32))
        {
            EXPECT_FALSE(codec.SaveImageFile(WPath(std::string("deep.") + ext).c_str(), {&deep}, prop))
                << ext;
        }
    }
    EXPECT_FALSE(codec.SaveImageFile(WPath("missing-dir/x.png").c_str(), {&image}, prop));
}

TEST_F(FreeImageCodec, DamagedMissingAndForeignNamedFiles)
{
    const FCObjImage image = testimg::Varied(40, 30, 24);
    FCImageCodec_FreeImage codec;
    ASSERT_TRUE(codec.SaveImageFile(WPath("good.png").c_str(), {&image}, prop));
    ASSERT_TRUE(codec.SaveImageFile(WPath("good.bmp").c_str(), {&image}, prop));

    EXPECT_FALSE(Load("does-not-exist.png"));
    EXPECT_TRUE(frames.empty());

    std::ofstream(Path("garbage.png"), std::ios::binary) << "this is not an image at all";
    EXPECT_FALSE(Load("garbage.png"));
    EXPECT_TRUE(frames.empty());

    // Truncated files give nothing, not a picture filled out with zeros.
    for (const char* name : {"good.png", "good.bmp"})
    {
        const auto full = fs::file_size(dir / name);
        for (auto keep : {full - 1, full / 2, std::uintmax_t(60), std::uintmax_t(20)})
        {
            fs::copy_file(dir / name, dir / "cut", fs::copy_options::overwrite_existing);
            fs::resize_file(dir / "cut", keep);
            std::vector<FCObjImage*> out;
            FCImageProperty p;
            EXPECT_FALSE(codec.LoadImageFile(WPath("cut").c_str(), out, &p)) << name << " cut to " << keep;
            EXPECT_TRUE(out.empty()) << name << " cut to " << keep;
        }
    }

    // Content decides, not the name; non-ASCII names work both ways.
    fs::copy_file(dir / "good.png", dir / "content.qlb");
    EXPECT_TRUE(Load("content.qlb"));
    fs::copy_file(dir / "good.png", dir / "noextension");
    EXPECT_TRUE(Load("noextension"));
    ASSERT_TRUE(codec.SaveImageFile(WPath("été Ça 日本.png").c_str(), {&image}, prop));
    EXPECT_TRUE(Load("été Ça 日本.png"));
    EXPECT_EQ(frames.size(), 3u);
}

TEST_F(FreeImageCodec, LoadFromMemory)
{
    const FCObjImage image = testimg::Varied(9, 6, 32);
    FCImageCodec_FreeImage codec;
    ASSERT_TRUE(codec.SaveImageFile(WPath("m.png").c_str(), {&image}, prop));
    std::ifstream in(Path("m.png"), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_TRUE(codec.LoadImageMemory(bytes.data(), int(bytes.size()), frames, &prop));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_TRUE(testimg::SamePixels(*frames[0], image));
    std::vector<FCObjImage*> none;
    EXPECT_FALSE(codec.LoadImageMemory(nullptr, 10, none, &prop));
    EXPECT_FALSE(codec.LoadImageMemory(bytes.data(), 0, none, &prop));
    EXPECT_FALSE(codec.LoadImageMemory("garbage!", 8, none, &prop));
    EXPECT_FALSE(codec.LoadImageMemory(bytes.data(), 30, none, &prop));
    EXPECT_TRUE(none.empty());
}

TEST_F(FreeImageCodec, ApplicationFactorySendsUnlistedNamesToFreeImage)
{
    const FCObjImage image = testimg::Varied(5, 5, 24);
    FCImageCodec_FreeImage codec;
    ASSERT_TRUE(codec.SaveImageFile(WPath("p.tga").c_str(), {&image}, prop));
    fs::copy_file(dir / "p.tga", dir / "p.targa");
    CImageCodecFactory app;
    std::unique_ptr<FCImageCodec> c(app.CreateImageCodec(app.QueryImageFileType(WPath("p.targa").c_str())));
    ASSERT_NE(dynamic_cast<FCImageCodec_FreeImage*>(c.get()), nullptr);
    ASSERT_TRUE(c->LoadImageFile(WPath("p.targa").c_str(), frames, &prop));
    EXPECT_TRUE(testimg::SamePixels(*frames[0], image));
    EXPECT_EQ(FCImageCodec_FreeImage::WideToAnsi(nullptr), "");
    EXPECT_EQ(FCImageCodec_FreeImage::WideToAnsi(L"é"), "\xC3\xA9");
    EXPECT_NE(std::string(FCImageCodec_FreeImage::LibraryVersion()).find('3'), std::string::npos);
}

TEST_F(FreeImageCodec, IconsWithSeveralSizesAndDamagedDirectories)
{
    {
        FIMULTIBITMAP* multi =
            FreeImage_OpenMultiBitmap(FIF_ICO, Path("two.ico").c_str(), TRUE, FALSE, FALSE, 0);
        ASSERT_NE(multi, nullptr);
        Dib small(MakeRgb(16, 16, 32, 5)), large(MakeRgb(32, 32, 32, 9));
        FreeImage_AppendPage(multi, small.dib);
        FreeImage_AppendPage(multi, large.dib);
        FreeImage_CloseMultiBitmap(multi, 0);
    }
    ASSERT_TRUE(Load("two.ico"));
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0]->Width(), 16);
    EXPECT_EQ(frames[1]->Width(), 32);
    EXPECT_EQ(frames[1]->ColorBits(), 32);

    std::ifstream in(Path("two.ico"), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    FCImageCodec_FreeImage codec;
    std::vector<FCObjImage*> out;
    ASSERT_TRUE(codec.LoadImageMemory(bytes.data(), int(bytes.size()), out, &prop));
    EXPECT_EQ(out.size(), 2u);
    for (auto* f : out)
        delete f;

    // A directory claiming more entries than the file holds, an entry pointing past the end,
    // and a five-byte file: refused, from a file and from memory.
    std::string many = bytes;
    many[4] = '\xE8';
    many[5] = '\x03';
    std::string pastEnd = bytes;
    pastEnd[6 + 12] = '\xFF';
    pastEnd[6 + 13] = '\xFF';
    pastEnd[6 + 14] = '\xFF';
    const std::string tiny("\0\0\1\0q", 5);
    for (const std::string& bad : {many, pastEnd, tiny})
    {
        std::vector<FCObjImage*> none;
        EXPECT_FALSE(codec.LoadImageMemory(bad.data(), int(bad.size()), none, &prop));
        std::ofstream(Path("bad.ico"), std::ios::binary) << bad;
        EXPECT_FALSE(codec.LoadImageFile(WPath("bad.ico").c_str(), none, &prop));
        EXPECT_TRUE(none.empty());
    }
}

TEST_F(FreeImageCodec, PortablePixmapRoundTrip)
{
    const FCObjImage image = testimg::Varied(11, 7, 24);
    for (const char* name : {"x.ppm"})
    {
        FCImageCodec_FreeImage codec;
        ASSERT_TRUE(codec.SaveImageFile(WPath(name).c_str(), {&image}, prop)) << name;
        ASSERT_TRUE(Load(name)) << name;
        EXPECT_TRUE(testimg::SamePixels(*frames.back(), image)) << name;
    }
}

namespace
{
void Put16(std::string& s, unsigned v)
{
    s += char(v & 0xFF);
    s += char(v >> 8);
}

void Put32(std::string& s, unsigned v)
{
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

// Headers of files whose pictures are far larger than an image may hold, followed by a few bytes
// of pixels: what a damaged or hostile file looks like.
std::string BmpHeader(unsigned w, unsigned h, unsigned bpp)
{
    std::string s = "BM";
    Put32(s, 54 + 64);
    Put32(s, 0);
    Put32(s, 54);
    Put32(s, 40);
    Put32(s, w);
    Put32(s, h);
    Put16(s, 1);
    Put16(s, bpp);
    for (int i = 0; i < 6; ++i)
        Put32(s, 0);
    return s + std::string(64, '\x55');
}

std::string TgaHeader(unsigned w, unsigned h)
{
    std::string s("\0\0\2", 3);
    s += std::string(9, '\0');
    Put16(s, w);
    Put16(s, h);
    s += char(32);
    s += char(8);
    return s + std::string(64, '\x55');
}

// A GIF whose screen is screenW x screenH (small by default) and whose one frame is w x h.
std::string GifFrame(unsigned w, unsigned h, unsigned screenW = 4, unsigned screenH = 4)
{
    std::string s = "GIF89a";
    Put16(s, screenW);
    Put16(s, screenH);
    s += '\xF7'; // a global table of 256 colours
    s += std::string(2, '\0');
    s += std::string(768, '\x20');
    s += ',';
    Put16(s, 0);
    Put16(s, 0);
    Put16(s, w);
    Put16(s, h);
    s += '\0';
    s += std::string("\x08\x02\x00\x00\x00;", 6);
    return s;
}

// A two-page RGB TIFF: a 2 x 2 page, then one of w x h.
std::string TiffPages(unsigned w, unsigned h)
{
    std::string s("II*\0", 4);
    Put32(s, 8);
    auto ifd = [&](unsigned width, unsigned height, bool last)
    {
        const unsigned entries = 9;
        const unsigned ifdSize = 2 + entries * 12 + 4;
        const unsigned bitsAt = unsigned(s.size()) + ifdSize; // 3 shorts of 8
        const unsigned stripAt = bitsAt + 6;
        Put16(s, entries);
        auto entry = [&](unsigned tag, unsigned type, unsigned count, unsigned value)
        {
            Put16(s, tag);
            Put16(s, type);
            Put32(s, count);
            Put32(s, value);
        };
        entry(256, 4, 1, width);
        entry(257, 4, 1, height);
        entry(258, 3, 3, bitsAt);
        entry(259, 3, 1, 1);
        entry(262, 3, 1, 2);
        entry(273, 4, 1, stripAt);
        entry(277, 3, 1, 3);
        entry(278, 4, 1, height);
        entry(279, 4, 1, 12);
        Put32(s, last ? 0 : stripAt + 12);
        Put16(s, 8);
        Put16(s, 8);
        Put16(s, 8);
        s += std::string(12, '\x40');
    };
    ifd(2, 2, false);
    ifd(w, h, true);
    return s;
}
} // namespace

TEST_F(FreeImageCodec, AbsurdlySizedPicturesAreRefusedBeforeTheyAreDecoded)
{
    // Each would take gigabytes once decoded; none may become a frame, and the library must not
    // allocate it first (the peak memory of this test process stays far below that).
    const struct
    {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"bmp", BmpHeader(30000, 30000, 24)}, {"bmp", BmpHeader(70000000, 10, 32)},
        {"tga", TgaHeader(24000, 24000)},     {"gif", GifFrame(30000, 30000, 30000, 30000)},
        {"tif", TiffPages(30000, 30000)},
    };
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    for (const auto& c : cases)
    {
        const std::string name = std::string("absurd.") + c.name;
        std::ofstream(Path(name), std::ios::binary) << c.bytes;
        FCImageCodec_FreeImage codec;
        std::vector<FCObjImage*> fromFile, fromMemory;
        EXPECT_FALSE(codec.LoadImageFile(WPath(name).c_str(), fromFile, &prop)) << c.name;
        EXPECT_FALSE(codec.LoadImageMemory(c.bytes.data(), int(c.bytes.size()), fromMemory, &prop)) << c.name;
        EXPECT_TRUE(fromFile.empty() && fromMemory.empty()) << c.name;
    }
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 512L * 1024) << "kilobytes";

    // The same headers at a size an image holds still load, and so does a huge GIF frame on a
    // small screen: the picture is the screen, the frame is cut to it.
    const std::string fine[] = {TiffPages(2, 2), GifFrame(3, 2), GifFrame(30000, 30000)};
    for (const std::string& bytes : fine)
    {
        FCImageCodec_FreeImage codec;
        std::vector<FCObjImage*> out;
        EXPECT_TRUE(codec.LoadImageMemory(bytes.data(), int(bytes.size()), out, &prop)) << bytes.substr(0, 3);
        EXPECT_FALSE(out.empty());
        for (auto* f : out)
            delete f;
    }
}

TEST_F(FreeImageCodec, TruncatedFilesOfEachFamilyGiveNothing)
{
    const FCObjImage rgb = testimg::Varied(40, 30, 24);
    const FCObjImage argb = testimg::Varied(40, 30, 32);
    FCImageCodec_FreeImage codec;
    ASSERT_TRUE(codec.SaveImageFile(WPath("full.bmp").c_str(), {&rgb}, prop));
    ASSERT_TRUE(codec.SaveImageFile(WPath("full.tga").c_str(), {&argb}, prop));
    ASSERT_TRUE(codec.SaveImageFile(WPath("full.jpg").c_str(), {&rgb}, prop));
    {
        FIMULTIBITMAP* multi =
            FreeImage_OpenMultiBitmap(FIF_TIFF, Path("full.tif").c_str(), TRUE, FALSE, FALSE, 0);
        ASSERT_NE(multi, nullptr);
        Dib a(MakeRgb(20, 10, 24, 1)), b(MakeRgb(30, 20, 24, 2));
        FreeImage_AppendPage(multi, a.dib);
        FreeImage_AppendPage(multi, b.dib);
        FreeImage_CloseMultiBitmap(multi, 0);
        multi = FreeImage_OpenMultiBitmap(FIF_GIF, Path("full.gif").c_str(), TRUE, FALSE, FALSE, 0);
        ASSERT_NE(multi, nullptr);
        for (int i = 0; i < 2; ++i)
        {
            Dib page(MakeIndexed(30, 20, i));
            SetFrameTime(page.dib, 50);
            FreeImage_AppendPage(multi, page.dib);
        }
        FreeImage_CloseMultiBitmap(multi, 0);
    }
    for (const char* name : {"full.bmp", "full.tga", "full.jpg", "full.tif", "full.gif"})
    {
        std::ifstream in(Path(name), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        {
            std::vector<FCObjImage*> whole;
            FCImageProperty p;
            ASSERT_TRUE(codec.LoadImageMemory(bytes.data(), int(bytes.size()), whole, &p)) << name;
            for (auto* f : whole)
                delete f;
        }
        // Cut in the pixels of the last frame.
        const std::string cut = bytes.substr(0, bytes.size() * 3 / 4);
        std::ofstream(Path("cut"), std::ios::binary) << cut;
        std::vector<FCObjImage*> fromFile, fromMemory;
        FCImageProperty p;
        EXPECT_FALSE(codec.LoadImageFile(WPath("cut").c_str(), fromFile, &p)) << name;
        EXPECT_FALSE(codec.LoadImageMemory(cut.data(), int(cut.size()), fromMemory, &p)) << name;
        EXPECT_TRUE(fromFile.empty() && fromMemory.empty()) << name;
        EXPECT_TRUE(p.frameDelays.empty()) << name;
    }
}

// libtiff reports through process-wide handlers that print to standard error; FreeImage's TIFF
// reader trips them on every file with an EXIF directory ("unknown tag", dozens of lines).
// Failures are reported by return values, so a load prints nothing.
TEST_F(FreeImageCodec, TiffLoadPrintsNothing)
{
    const FCObjImage image = testimg::Varied(6, 4, 24);
    FCImageProperty withExif;
    withExif.make = "Orvalis";
    withExif.model = "Test";
    FCImageCodec_FreeImage codec;
    ASSERT_TRUE(codec.SaveImageFile(WPath("exif.tif").c_str(), {&image}, withExif));
    ::testing::internal::CaptureStderr();
    const bool loaded = Load("exif.tif");
    const std::string printed = ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(testimg::SamePixels(*frames[0], image));
    EXPECT_EQ(printed, "");
}
