// Damaged and crafted files on every road into the codecs: under any name, through either codec,
// from a file and from memory. None may crash the process, hang it, or take memory the picture
// could not need; what the files really hold still loads.
#include "HostileFiles.h"
#include "SmallDisk.h"
#include "TestImages.h"

#include "imagelib/FCImageCodec.h"
#include "imagelib/FCImageProperty.h"
#include "imagelib/FCObjImage.h"
#include "imagelib/codecs/FCImageCodec_FreeImage.h"
#include "imagelib/codecs/FCImageCodec_Gdiplus.h"
#include "imagelib/codecs/FreeImageInclude.h"
#include "platform/TextConv.h"
#include "platform/imaging/PlatformBitmap.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using hostile::Bytes;

namespace
{
std::string ReadBytes(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class HostileFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("orvalis-hostile-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        imaging::SetMaxDecodedBytes(std::uint64_t(2) << 30);
        fs::remove_all(dir);
    }
    std::wstring Write(const std::string& name, const Bytes& bytes)
    {
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return NativeToPath((dir / name).string());
    }

    // Loads through the application's factory, as the program does; the frames are counted and
    // deleted. -1 when the load fails.
    int FramesThroughTheApplication(const std::string& name, const Bytes& bytes,
                                    FCImageProperty* prop = nullptr)
    {
        const std::wstring path = Write(name, bytes);
        CImageCodecFactory factory;
        std::unique_ptr<FCImageCodec> codec(
            factory.CreateImageCodec(factory.QueryImageFileType(path.c_str())));
        if (!codec) return -1;
        std::vector<FCObjImage*> frames;
        FCImageProperty own;
        const bool ok = codec->LoadImageFile(path.c_str(), frames, prop ? prop : &own);
        const int n = int(frames.size());
        for (FCObjImage* f : frames)
            delete f;
        EXPECT_EQ(ok, n > 0) << name;
        return ok ? n : -1;
    }

    // Loads bytes through one codec from memory; the frame count or -1.
    static int FramesFromMemory(FCImageCodec& codec, const Bytes& bytes)
    {
        std::vector<FCObjImage*> frames;
        FCImageProperty prop;
        const bool ok = codec.LoadImageMemory(bytes.data(), int(bytes.size()), frames, &prop);
        const int n = int(frames.size());
        for (FCObjImage* f : frames)
            delete f;
        return ok ? n : -1;
    }

    fs::path dir;
};

long MaxRssKb(int who)
{
    rusage u{};
    ::getrusage(who, &u);
    return u.ru_maxrss;
}
} // namespace

// A JPEG whose EXIF directory claims 65535 entries: under every name, whichever codec the name
// routes to, the picture loads and nothing reads past the block.
TEST_F(HostileFiles, ACraftedExifDirectoryUnderAnyName)
{
    const Bytes bad = hostile::JpegWithExifClaiming(65535);
    for (const char* name :
         {"a.jpg", "a.tif", "a.ico", "a.tga", "a.psd", "a.pcx", "a.xpm", "a.qlb", "noextension"})
        EXPECT_EQ(FramesThroughTheApplication(name, bad), 1) << name;
    FCImageCodec_FreeImage freeImage;
    FCImageCodec_Gdiplus platform;
    EXPECT_EQ(FramesFromMemory(freeImage, bad), 1);
    EXPECT_EQ(FramesFromMemory(platform, bad), 1);

    // The image object's own load, as the document and the open dialog's preview call it.
    FCObjImage::SetCodecFactory(new CImageCodecFactory);
    FCObjImage image;
    EXPECT_TRUE(image.Load(Write("b.tif", bad).c_str()));
    EXPECT_EQ(image.Width(), 48);
    FCObjImage::SetCodecFactory(new FCImageCodecFactory_Gdiplus);
}

// The same JPEG inside a JNG, which only the foreign library reads, makes its reader read far
// past the block: in a fresh process it crashes there (where the heap ends), in a larger one it
// may read on through mapped memory. Either way the load is the child's business: it fails or
// gives the picture, and this process and its next loads go on. A decode that overruns its time
// limit is stopped the same way.
TEST_F(HostileFiles, ACrashOrAHangInTheForeignLibraryFailsTheLoadOnly)
{
    const Bytes crashing = hostile::JngAround(hostile::JpegWithExifClaiming(65535), 48, 32);
    const Bytes fine = hostile::JngAround(hostile::PlainJpeg(), 48, 32);
    FCImageCodec_FreeImage codec;
    for (int i = 0; i < 3; ++i)
    {
        const int frames = FramesFromMemory(codec, crashing);
        EXPECT_TRUE(frames == -1 || frames == 1) << frames;
        const int named = FramesThroughTheApplication("crash.tif", crashing);
        EXPECT_TRUE(named == -1 || named == 1) << named;
    }
    EXPECT_EQ(FramesFromMemory(codec, fine), 1);
    EXPECT_EQ(FramesThroughTheApplication("fine.jng", fine), 1);

    FCImageCodec_FreeImage::SetDecodeTimeLimitForTesting(1e-6); // no decode ends in time
    EXPECT_EQ(FramesFromMemory(codec, fine), -1);
    EXPECT_EQ(FramesThroughTheApplication("slow.jng", fine), -1);
    FCImageCodec_FreeImage::SetDecodeTimeLimitForTesting(0);
    EXPECT_EQ(FramesFromMemory(codec, fine), 1);
}

// Headers that claim a picture within the budget but far larger than the bytes that follow could
// ever hold: refused before the library allocates and fills it, here or in its process.
TEST_F(HostileFiles, HeadersClaimingMoreThanTheirFileHolds)
{
    const struct
    {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"a.psd", hostile::PsdClaiming(10000, 10000)},    {"a.pcx", hostile::PcxClaiming(10000, 10000)},
        {"a.tga", hostile::RleTgaClaiming(10000, 10000)}, {"a.ppm", hostile::PpmClaiming(8000, 8000)},
        {"a.xpm", hostile::XpmClaiming(8000, 8000)},
    };
    const long selfBefore = MaxRssKb(RUSAGE_SELF), childrenBefore = MaxRssKb(RUSAGE_CHILDREN);
    for (const auto& c : cases)
    {
        EXPECT_LT(c.bytes.size(), 300u);
        EXPECT_EQ(FramesThroughTheApplication(c.name, c.bytes), -1) << c.name;
    }
    // Each would have cost at least 190 MB.
    EXPECT_LT(MaxRssKb(RUSAGE_SELF) - selfBefore, 100L * 1024);
    EXPECT_LT(std::max(0L, MaxRssKb(RUSAGE_CHILDREN) - childrenBefore), 100L * 1024);

    // Files that hold what their headers say still load.
    const FCObjImage picture = testimg::Varied(40, 30, 24);
    FCImageCodec_FreeImage codec;
    for (const char* name : {"ok.ppm", "ok.tga", "ok.xpm", "ok.psd"})
    {
        ASSERT_TRUE(
            codec.SaveImageFile(NativeToPath((dir / name).string()).c_str(), {&picture}, FCImageProperty()))
            << name;
        std::vector<FCObjImage*> frames;
        FCImageProperty prop;
        EXPECT_TRUE(codec.LoadImageFile(NativeToPath((dir / name).string()).c_str(), frames, &prop)) << name;
        ASSERT_EQ(frames.size(), 1u) << name;
        EXPECT_TRUE(testimg::SamePixels(*frames[0], picture)) << name;
        delete frames[0];
    }

    // Binary netpbm files store their rows unpadded: a 1-bit row of up to 8 pixels is one byte,
    // a narrow grey picture one byte a row. They hold what they claim and load.
    auto netpbm = [](const std::string& head, std::size_t samples, unsigned char value)
    {
        Bytes b(head.begin(), head.end());
        b.insert(b.end(), samples, value);
        return b;
    };
    const struct
    {
        const char* name;
        Bytes bytes;
        int width, height;
    } netpbmCases[] = {
        {"bits.pbm", netpbm("P4\n6 4\n", 4, 0xA8), 6, 4},
        {"tall.pbm", netpbm("P4\n1 400\n", 400, 0x80), 1, 400},
        {"tall.pgm", netpbm("P5\n1 300\n255\n", 300, 0x40), 1, 300},
        {"narrow.ppm", netpbm("P6\n2 200\n255\n", 2 * 200 * 3, 0x20), 2, 200},
    };
    for (const auto& c : netpbmCases)
    {
        std::vector<FCObjImage*> frames;
        FCImageProperty prop;
        EXPECT_TRUE(codec.LoadImageFile(Write(c.name, c.bytes).c_str(), frames, &prop)) << c.name;
        ASSERT_EQ(frames.size(), 1u) << c.name;
        EXPECT_EQ(frames[0]->Width(), c.width) << c.name;
        EXPECT_EQ(frames[0]->Height(), c.height) << c.name;
        delete frames[0];
    }
    // A binary grey header claiming far more rows than follow is still refused.
    EXPECT_EQ(FramesThroughTheApplication("short.pgm", netpbm("P5\n1 3000000\n255\n", 300, 0x40)), -1);
}

// IFF pictures cut before their BODY, or whose chunk sizes lead past it, keep the library's reader
// busy for ever: they are refused at once, without waiting for the decoding child's time limit
// (made far longer here, so that a load handed to the library would not come back). Whole
// pictures, odd-sized chunks padded as they should be, still load.
TEST_F(HostileFiles, IffPicturesThatNeverReachTheirBody)
{
    const Bytes whole = hostile::Ilbm();
    const Bytes padded = hostile::Ilbm({'A', 'N', 'N', 'O', 0, 0, 0, 3, 'a', 'b', 'c', 0});
    const Bytes unpadded = hostile::Ilbm({'A', 'N', 'N', 'O', 0, 0, 0, 3, 'a', 'b', 'c'});
    const Bytes cut(whole.begin(), whole.begin() + 13);
    const Bytes beforeBody(whole.begin(), whole.end() - 10);
    FCImageCodec_FreeImage::SetDecodeTimeLimitForTesting(120);
    auto loads = std::async(std::launch::async,
                            [&]
                            {
                                FCImageCodec_FreeImage codec;
                                return std::vector<int>{FramesFromMemory(codec, whole),
                                                        FramesFromMemory(codec, padded),
                                                        FramesThroughTheApplication("cut.iff", cut),
                                                        FramesThroughTheApplication("cut.tif", beforeBody),
                                                        FramesFromMemory(codec, unpadded)};
                            });
    const bool ready = loads.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    FCImageCodec_FreeImage::SetDecodeTimeLimitForTesting(0);
    ASSERT_TRUE(ready) << "an IFF picture was handed to the library, which loops on it";
    EXPECT_EQ(loads.get(), (std::vector<int>{1, 1, -1, -1, -1}));
}

// Thousands of pages and frames read in full (the foreign library's reader goes back to the
// start for each page, which takes minutes on these files).
TEST_F(HostileFiles, ManyPagesAndFramesUnderAnyName)
{
    EXPECT_EQ(FramesThroughTheApplication("pages.tif", hostile::ManyPageTiff(3000)), 3000);
    FCImageProperty prop;
    EXPECT_EQ(FramesThroughTheApplication("frames.tif", hostile::ManyFrameGif(5000, 3), &prop), 5000);
    ASSERT_EQ(prop.frameDelays.size(), 5000u);
    EXPECT_EQ(prop.frameDelays.front(), 30);
    EXPECT_EQ(prop.frameDelays.back(), 30);
}

// A progressive JPEG of more scans than any encoder makes, or whose scans go over the picture
// far more often than a real file's: refused on both roads. A usual progressive file loads.
TEST_F(HostileFiles, ProgressiveFilesOfEndlessScans)
{
    using hostile::Scan;
    const Bytes usual =
        hostile::ProgressiveJpeg(64, 48, {Scan(0, 0, 0, 1), Scan(1, 5), Scan(6, 63), Scan(0, 0, 1, 0)});
    const Bytes bitByBit = hostile::ProgressiveJpeg(64, 48, hostile::BitByBitScript()); // 704 scans
    const Bytes base = hostile::ProgressiveJpeg(1400, 1400, {Scan(0, 0), Scan(1, 63)}, true);
    const Bytes fewRepeats = hostile::RepeatLastScan(base, 40);   // 42 passes over 30625 blocks
    const Bytes manyRepeats = hostile::RepeatLastScan(base, 200); // 202 passes: far beyond 64
    ASSERT_FALSE(usual.empty());
    ASSERT_FALSE(bitByBit.empty());
    EXPECT_LT(manyRepeats.size(), base.size() + 200 * 100); // a few bytes a scan
    const struct
    {
        const Bytes* bytes;
        bool loads;
    } cases[] = {{&usual, true}, {&bitByBit, false}, {&fewRepeats, true}, {&manyRepeats, false}};
    FCImageCodec_Gdiplus platform;
    for (const auto& c : cases)
    {
        const int expected = c.loads ? 1 : -1;
        EXPECT_EQ(FramesFromMemory(platform, *c.bytes), expected) << c.bytes->size();
        EXPECT_EQ(FramesThroughTheApplication("p.jpg", *c.bytes), expected) << c.bytes->size();
        EXPECT_EQ(FramesThroughTheApplication("p.tif", *c.bytes), expected) << c.bytes->size();
    }
}

// The budget counts the images made from the decoded frames too, and a file that cannot have
// all its frames within it fails whole rather than coming back shorter.
TEST_F(HostileFiles, EveryCopyCountsInTheDecodingBudget)
{
    std::vector<fixtures::GifFrameShape> list;
    auto gifOf = [&](int n)
    {
        list.clear();
        for (int i = 0; i < n; ++i)
        {
            fixtures::GifFrameShape f;
            f.width = f.height = 1;
            f.left = i;
            f.delay = 2;
            f.pixels = {GifPixelType(1)};
            list.push_back(f);
        }
        return fixtures::MakeGif(1000, 1000, {{0, 0, 0}, {255, 255, 255}}, list);
    };
    // A 4000 x 2000 RLE picture of no pixels: a few bytes on disk.
    fixtures::BmpShape rle;
    rle.width = 4000;
    rle.height = 2000;
    rle.bitCount = 8;
    rle.compression = 1;
    rle.palette.assign(256, 0x808080);
    rle.pixels = {0, 1};
    const Bytes bmp = fixtures::MakeBmp(rle);

    const struct
    {
        const char* what;
        Bytes bytes;
        std::uint64_t budgetMiB;
        int frames; // -1: refused
    } cases[] = {
        // 1000 x 1000 frames: the decoder's canvas and each frame take 4 MB, each image 3 MB.
        {"6 frames within 64 MiB", gifOf(6), 64, 6},
        {"10 frames over 64 MiB with their images", gifOf(10), 64, -1},
        {"10 frames over 20 MiB while decoding", gifOf(10), 20, -1},
        // The 8-bit frame is counted at 32 MB, its 24-bit image at 24 MB.
        {"RLE picture within 64 MiB", bmp, 64, 1},
        {"RLE picture over 48 MiB with its image", bmp, 48, -1},
    };
    for (const auto& c : cases)
    {
        imaging::SetMaxDecodedBytes(c.budgetMiB << 20);
        FCImageCodec_Gdiplus platform;
        FCImageCodec_FreeImage freeImage;
        EXPECT_EQ(FramesFromMemory(platform, c.bytes), c.frames) << c.what;
        EXPECT_EQ(FramesFromMemory(freeImage, c.bytes), c.frames) << c.what;
    }
}

// A FIFO named like a picture, on both codecs' roads: refused at once, never waited on.
TEST_F(HostileFiles, AFifoIsNeverWaitedOn)
{
    ASSERT_EQ(::mkfifo((dir / "x.png").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((dir / "x.tif").c_str(), 0600), 0);
    auto loads = std::async(std::launch::async,
                            [&]
                            {
                                FCImageCodec_Gdiplus platform;
                                FCImageCodec_FreeImage freeImage;
                                std::vector<FCObjImage*> frames;
                                FCImageProperty prop;
                                const std::wstring png = NativeToPath((dir / "x.png").string());
                                const std::wstring tif = NativeToPath((dir / "x.tif").string());
                                return int(platform.LoadImageFile(png.c_str(), frames, &prop)) +
                                       int(freeImage.LoadImageFile(tif.c_str(), frames, &prop)) +
                                       int(freeImage.LoadImageFile(png.c_str(), frames, &prop));
                            });
    if (loads.wait_for(std::chrono::seconds(10)) != std::future_status::ready)
    {
        for (const char* name : {"x.png", "x.tif"})
            for (int i = 0; i < 2; ++i)
                if (const int fd = ::open((dir / name).c_str(), O_WRONLY | O_NONBLOCK); fd >= 0) ::close(fd);
        FAIL() << "a load waited for a writer of the FIFO";
    }
    EXPECT_EQ(loads.get(), 0);
}

// Saving through either codec on a disk that fills up, or into a format that cannot take the
// picture: false, the file that was there as it was, nothing left beside it.
TEST_F(HostileFiles, FailedSavesLeaveTheOldFileWhole)
{
    testdisk::SmallDisk disk;
    const fs::path folder = dir / "disk";
    std::unique_ptr<testdisk::FileSizeLimit> limit;
    if (!disk.Mount(folder, 48 * 1024)) fs::create_directories(folder);
    const std::string old = "the user's picture";
    const FCObjImage big = testimg::Varied(200, 200, 24); // 120 KB of noise, whatever the format
    const FCObjImage icon = testimg::Varied(300, 300, 32);
    struct Case
    {
        const char* name;
        const FCObjImage* image;
        bool platform;
    } cases[] = {{"a.tif", &big, false},
                 {"a.bmp", &big, false},
                 {"b.tif", &big, true},
                 {"b.png", &big, true},
                 {"a.ico", &icon, false}};
    if (!disk.Mounted()) limit = std::make_unique<testdisk::FileSizeLimit>(48 * 1024);
    for (const Case& c : cases)
    {
        std::ofstream(folder / c.name, std::ios::binary) << old;
        const std::wstring path = NativeToPath((folder / c.name).string());
        FCImageCodec_FreeImage freeImage;
        FCImageCodec_Gdiplus platform;
        FCImageCodec& codec = c.platform ? static_cast<FCImageCodec&>(platform) : freeImage;
        EXPECT_FALSE(codec.SaveImageFile(path.c_str(), {c.image}, FCImageProperty())) << c.name;
        EXPECT_EQ(ReadBytes(folder / c.name), old) << c.name;
    }
    limit.reset();
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    EXPECT_EQ(names.size(), std::size(cases)) << "files left beside the pictures";
    // Room enough: the icon is still refused (the format holds at most 256 x 256), a small TIFF
    // is written.
    const FCObjImage small = testimg::Varied(20, 20, 24);
    FCImageCodec_FreeImage codec;
    EXPECT_TRUE(
        codec.SaveImageFile(NativeToPath((folder / "a.tif").string()).c_str(), {&small}, FCImageProperty()));
    EXPECT_FALSE(
        codec.SaveImageFile(NativeToPath((folder / "a.ico").string()).c_str(), {&icon}, FCImageProperty()));
    EXPECT_EQ(ReadBytes(folder / "a.ico"), old);
}

// One of the foreign library's writers (used in this process to make the small PPM, TGA, XPM and
// PSD files above) loses a block of its own: the leak checker leaves the library to its authors.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfreeimage.so\n";
}
