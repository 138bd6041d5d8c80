// The program's side of the scanner protocol against the scripted source, through our manager:
// identity, order of the calls, the count, the transfer loop's choices, memory strips and their
// faults, native bitmaps, and the manager's absence.
#include "ScannerTestSupport.h"
#include "ShellFixture.h"

#include "acquisition/CTwain.h"
#include "platform/WinTypes.h"
#include "platform/scanner/ScanDib.h"

#include <deque>

namespace
{
using namespace scantest;

class TestTwain : public CTwain
{
public:
    using CTwain::CTwain;
    void CopyImage(HGLOBAL dib, TW_IMAGEINFO& info) override
    {
        const auto* p = static_cast<const std::uint8_t*>(GlobalLock(dib));
        images.emplace_back(p, p + GlobalSize(dib));
        GlobalUnlock(dib);
        infos.push_back(info);
    }
    int ShouldTransfer(TW_IMAGEINFO& info) override
    {
        if (should.empty()) return CTwain::ShouldTransfer(info);
        const int a = should.front();
        should.pop_front();
        return a;
    }
    BITMAPINFOHEADER Header(std::size_t i) const
    {
        BITMAPINFOHEADER h;
        std::memcpy(&h, images.at(i).data(), sizeof h);
        return h;
    }
    const RGBQUAD* Palette(std::size_t i) const
    {
        return reinterpret_cast<const RGBQUAD*>(images.at(i).data() + 40);
    }
    std::vector<std::vector<std::uint8_t>> images;
    std::vector<TW_IMAGEINFO> infos;
    std::deque<int> should;
};

TW_IMAGEINFO Info(int width, int length, int bpp, int type, int dpi = 50)
{
    TW_IMAGEINFO info{};
    info.XResolution = {TW_INT16(dpi), 0};
    info.YResolution = {TW_INT16(dpi), 0};
    info.ImageWidth = width;
    info.ImageLength = length;
    info.BitsPerPixel = TW_INT16(bpp);
    info.SamplesPerPixel = bpp == 24 ? 3 : 1;
    info.PixelType = TW_INT16(type);
    return info;
}

// A packed bitmap: header, table, rows (every byte 0x5A).
std::vector<std::uint8_t> Dib(int width, int height, int bpp, int clrUsed, bool sizeImage = true,
                              std::size_t cut = 0)
{
    const int entries = clrUsed ? clrUsed : (bpp <= 8 ? 1 << bpp : 0);
    const std::size_t pitch = std::size_t(((width * bpp + 31) / 32) * 4);
    BITMAPINFOHEADER h;
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = WORD(bpp);
    h.biSizeImage = sizeImage ? DWORD(pitch * height) : 0;
    h.biClrUsed = DWORD(clrUsed);
    std::vector<std::uint8_t> out(40 + 4 * std::size_t(entries) + pitch * height, 0x5A);
    std::memcpy(out.data(), &h, 40);
    for (int i = 0; i < entries; ++i)
    {
        const std::uint8_t v = std::uint8_t(i * 255 / std::max(1, entries - 1));
        std::uint8_t q[4] = {v, v, v, 0};
        std::memcpy(out.data() + 40 + 4 * i, q, 4);
    }
    out.resize(out.size() - cut);
    return out;
}

class TwainProtocol : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Fake().Reset();
        dialogs.pick = "scriptee";
        pump = std::make_unique<CTwainMessagePump>(twain, &window, nullptr);
        SetPromptHandler(&prompt);
        ASSERT_TRUE(twain.InitTwain(&window));
    }
    void TearDown() override
    {
        pump.reset();
        twain.ReleaseTwain();
        SetPromptHandler(nullptr);
    }
    // Chooses the scripted source, acquires, and runs the loop until the source is closed again.
    bool Run(int memory)
    {
        if (!twain.SelectSource()) return false;
        if (!twain.Acquire(memory, -1)) return false;
        return PumpUntil([] { return Fake().state == 3; }, 10000);
    }
    std::vector<QString> Messages() const
    {
        std::vector<QString> out;
        for (const PromptRequest& r : prompt.asked)
            out.push_back(r.text);
        return out;
    }

    ScriptedScannerDialogs dialogs;
    testshell::ScriptedPrompt prompt;
    CScannerWindow window{nullptr};
    TestTwain twain;
    std::unique_ptr<CTwainMessagePump> pump;
};

TEST_F(TwainProtocol, TheSourceSeesTheProgramAndTheCallsInOrder)
{
    FakeImage image;
    image.info = Info(4, 2, 24, TWPT_RGB);
    image.dib = Dib(4, 2, 24, 0);
    Fake().images = {image, image};
    ASSERT_TRUE(Run(0));

    const TW_IDENTITY& id = Fake().log.front().origin;
    EXPECT_NE(+id.Id, 0u);
    EXPECT_EQ(id.Version.MajorNum, 3);
    EXPECT_EQ(id.Version.MinorNum, 5);
    EXPECT_EQ(id.Version.Language, 13);
    EXPECT_EQ(id.Version.Country, 1);
    EXPECT_STREQ(id.Version.Info, "3.5");
    EXPECT_EQ(id.ProtocolMajor, 2);
    EXPECT_EQ(id.ProtocolMinor, 4);
    EXPECT_EQ(id.SupportedGroups, 3u);
    EXPECT_STREQ(id.Manufacturer, "VARDO");
    EXPECT_STREQ(id.ProductFamily, "Generic");
    EXPECT_STREQ(id.ProductName, "Twain Test");

    using P = std::pair<TW_UINT16, TW_UINT16>;
    const std::vector<P> expected{
        {DAT_IDENTITY, MSG_OPENDS},         {DAT_CAPABILITY, MSG_SET},      {DAT_USERINTERFACE, MSG_ENABLEDS},
        {DAT_IMAGEINFO, MSG_GET},           {DAT_IMAGENATIVEXFER, MSG_GET}, {DAT_PENDINGXFERS, MSG_ENDXFER},
        {DAT_IMAGEINFO, MSG_GET},           {DAT_IMAGENATIVEXFER, MSG_GET}, {DAT_PENDINGXFERS, MSG_ENDXFER},
        {DAT_USERINTERFACE, MSG_DISABLEDS}, {DAT_IDENTITY, MSG_CLOSEDS}};
    EXPECT_EQ(Fake().Triplets(), expected);
    const FakeCall& count = Fake().log[1];
    EXPECT_EQ(count.cap, CAP_XFERCOUNT);
    EXPECT_EQ(count.itemType, TWTY_INT16);
    EXPECT_EQ(count.item, 0xFFFFu);
    EXPECT_EQ(Fake().log[2].showUI, 1);
    EXPECT_EQ(twain.images.size(), 2u);
    EXPECT_EQ(twain.ModalUI(), 0);
    EXPECT_FALSE(twain.IsSourceOpen());
}

TEST_F(TwainProtocol, ACountTheSourceRefusesIsReadBackAndSetUnsigned)
{
    struct Case
    {
        TW_UINT16 current;
        int stored;
    };
    for (const Case c : {Case{65535, -1}, Case{3, 3}})
    {
        SCOPED_TRACE(c.current);
        Fake().Reset();
        Fake().xferCountRc = TWRC_CHECKSTATUS;
        Fake().xferCountCurrent = c.current;
        ASSERT_TRUE(twain.SelectSource());
        ASSERT_TRUE(twain.Acquire(0, -1));
        EXPECT_EQ(twain.ImageCount(), c.stored);
        std::vector<FakeCall> caps;
        for (const FakeCall& call : Fake().log)
            if (call.dat == DAT_CAPABILITY) caps.push_back(call);
        ASSERT_EQ(caps.size(), 3u);
        EXPECT_EQ(caps[0].msg, MSG_SET);
        EXPECT_EQ(caps[1].msg, MSG_GET);
        EXPECT_EQ(caps[2].msg, MSG_SET);
        EXPECT_EQ(caps[2].itemType, TWTY_UINT16);
        EXPECT_EQ(caps[2].item, c.current);
        twain.CloseSource();
    }
    // A count read back in another container is not taken for a value.
    Fake().Reset();
    Fake().xferCountRc = TWRC_CHECKSTATUS;
    Fake().xferCountConType = TWON_ENUMERATION;
    ASSERT_TRUE(twain.SelectSource());
    EXPECT_FALSE(twain.Acquire(0, -1));
    EXPECT_FALSE(twain.IsSourceEnabled());
}

TEST_F(TwainProtocol, ShouldTransferSkipsOrCancelsAndAFailedTransferEndsTheLoop)
{
    FakeImage image;
    image.info = Info(4, 2, 24, TWPT_RGB);
    image.dib = Dib(4, 2, 24, 0);
    auto natives = []
    {
        int n = 0;
        for (const auto& t : Fake().Triplets())
            n += t.first == DAT_IMAGENATIVEXFER;
        return n;
    };
    auto resets = []
    {
        int n = 0;
        for (const auto& t : Fake().Triplets())
            n += t == std::pair<TW_UINT16, TW_UINT16>{DAT_PENDINGXFERS, MSG_RESET};
        return n;
    };

    Fake().images = {image, image};
    twain.should = {1, 0};
    ASSERT_TRUE(Run(0));
    EXPECT_EQ(natives(), 1);
    EXPECT_EQ(twain.images.size(), 1u);

    Fake().Reset();
    Fake().images = {image, image};
    twain.images.clear();
    twain.should = {2};
    ASSERT_TRUE(Run(0));
    EXPECT_EQ(natives(), 0);
    EXPECT_EQ(resets(), 1);
    EXPECT_TRUE(twain.images.empty());

    Fake().Reset();
    image.nativeRc = TWRC_FAILURE;
    Fake().images = {image, image};
    ASSERT_TRUE(Run(0));
    EXPECT_EQ(natives(), 1);
    EXPECT_EQ(resets(), 1);
    EXPECT_TRUE(twain.images.empty());
}

TEST_F(TwainProtocol, GreyStripsMakeABottomUpBitmapWithAGreyTable)
{
    FakeImage image;
    image.info = Info(10, 7, 8, TWPT_GRAY); // pitch 12
    image.strips = {{TWRC_SUCCESS, 3}, {TWRC_SUCCESS, 3}, {TWRC_XFERDONE, 1}};
    Fake().images = {image};
    Fake().preferred = 36;
    ASSERT_TRUE(Run(1));
    ASSERT_EQ(twain.images.size(), 1u);
    const BITMAPINFOHEADER h = twain.Header(0);
    EXPECT_EQ(h.biBitCount, 8);
    EXPECT_EQ(h.biHeight, 7);
    EXPECT_EQ(h.biClrUsed, 256u);
    EXPECT_EQ(h.biXPelsPerMeter, 1968); // 50 dpi
    for (int i : {0, 77, 255})
    {
        EXPECT_EQ(twain.Palette(0)[i].rgbBlue, i);
        EXPECT_EQ(twain.Palette(0)[i].rgbRed, i);
        EXPECT_EQ(twain.Palette(0)[i].rgbReserved, 0);
    }
    // Rows come top-down; the bitmap's first row is the image's last.
    const std::uint8_t* pixels = twain.images[0].data() + 40 + 1024;
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 12; ++x)
            ASSERT_EQ(pixels[(6 - y) * 12 + x], FakeStripByte(std::uint32_t(y), std::uint32_t(x)))
                << x << "," << y;
    std::vector<FakeCall> strips;
    for (const FakeCall& c : Fake().log)
        if (c.dat == DAT_IMAGEMEMXFER) strips.push_back(c);
    ASSERT_EQ(strips.size(), 3u);
    for (const FakeCall& c : strips)
        EXPECT_EQ(c.memFlags, 9u);
    EXPECT_EQ(strips[0].memLength, 36u);
    EXPECT_EQ(strips[2].memLength, 36u);
    std::vector<std::uint8_t> block = twain.images[0];
    std::vector<std::uint8_t> file;
    ASSERT_TRUE(scanner::DibToBmpFile(block.data(), block.size(), file));
    BITMAPFILEHEADER fh;
    std::memcpy(&fh, file.data(), 14);
    EXPECT_EQ(+fh.bfOffBits, 1078u);
}

TEST_F(TwainProtocol, BlackAndWhiteTablesFollowThePixelFlavour)
{
    struct Case
    {
        FakeFlavour flavour;
        std::uint8_t first;
    };
    for (const Case c : {Case{FakeFlavour::Vanilla, 255}, Case{FakeFlavour::Chocolate, 0},
                         Case{FakeFlavour::Enumeration, 0}, Case{FakeFlavour::Failure, 0}})
    {
        SCOPED_TRACE(int(c.flavour));
        Fake().Reset();
        Fake().flavour = c.flavour;
        FakeImage image;
        image.info = Info(9, 2, 1, TWPT_BW);
        image.strips = {{TWRC_XFERDONE, 2}};
        Fake().images = {image};
        twain.images.clear();
        ASSERT_TRUE(Run(1));
        ASSERT_EQ(twain.images.size(), 1u);
        EXPECT_EQ(twain.Header(0).biClrUsed, 2u);
        EXPECT_EQ(twain.Palette(0)[0].rgbGreen, c.first);
        EXPECT_EQ(twain.Palette(0)[1].rgbGreen, 255 - c.first);
    }
}

TEST_F(TwainProtocol, ResolutionFollowsTheUnits)
{
    struct Case
    {
        FakeUnits units;
        int dpi;
        LONG perMeter;
        bool message;
    };
    for (const Case c : {Case{FakeUnits::Inches, 50, 1968, false},
                         Case{FakeUnits::Centimeters, 20, 2000, false}, Case{FakeUnits::Pixels, 50, 0, false},
                         Case{FakeUnits::Failure, 50, 0, true}, Case{FakeUnits::Enumeration, 50, 0, true}})
    {
        SCOPED_TRACE(int(c.units));
        Fake().Reset();
        Fake().units = c.units;
        FakeImage image;
        image.info = Info(4, 1, 24, TWPT_RGB, c.dpi);
        image.strips = {{TWRC_XFERDONE, 1}};
        Fake().images = {image};
        twain.images.clear();
        prompt.asked.clear();
        ASSERT_TRUE(Run(1));
        ASSERT_EQ(twain.images.size(), 1u);
        EXPECT_EQ(twain.Header(0).biXPelsPerMeter, c.perMeter);
        EXPECT_EQ(twain.Header(0).biYPelsPerMeter, c.perMeter);
        EXPECT_EQ(Messages(),
                  c.message ? std::vector<QString>{QStringLiteral("Get Units")} : std::vector<QString>{});
    }
    ASSERT_FALSE(prompt.asked.empty());
    EXPECT_EQ(prompt.asked.back().caption, QString());
    EXPECT_EQ(prompt.asked.back().icon, PromptIcon::Information);
}

TEST_F(TwainProtocol, SourcePalettesAreBoundedByTheTableAndTheDepth)
{
    struct Case
    {
        int bpp;
        int colours;
        bool fails;
        DWORD used;
    };
    for (const Case c :
         {Case{8, 300, false, 256}, Case{4, 300, false, 16}, Case{8, 5, false, 5}, Case{8, 5, true, 0}})
    {
        SCOPED_TRACE(c.bpp * 1000 + c.colours);
        Fake().Reset();
        FakeImage image;
        image.info = Info(6, 2, c.bpp, TWPT_PALETTE);
        image.numColors = c.colours;
        image.paletteFails = c.fails;
        image.strips = {{TWRC_XFERDONE, 2}};
        Fake().images = {image};
        twain.images.clear();
        prompt.asked.clear();
        ASSERT_TRUE(Run(1));
        ASSERT_EQ(twain.images.size(), 1u);
        EXPECT_EQ(twain.Header(0).biClrUsed, c.used);
        if (c.used > 1)
        {
            // Entry i = (blue Channel3, green Channel2, red Channel1).
            EXPECT_EQ(twain.Palette(0)[1].rgbRed, 1);
            EXPECT_EQ(twain.Palette(0)[1].rgbGreen, 254);
            EXPECT_EQ(twain.Palette(0)[1].rgbBlue, 0);
        }
        EXPECT_EQ(Messages(),
                  c.fails ? std::vector<QString>{QStringLiteral("Get palette")} : std::vector<QString>{});
    }
}

TEST_F(TwainProtocol, StripsThatDoNotFitOrFailNeverLoopAndNeverOverrun)
{
    struct Case
    {
        const char* what;
        std::vector<FakeStrip> strips;
        bool image;
        const char* message;
        bool reset;
    };
    const TW_UINT32 pitch = 12; // 4 pixels of 24 bits
    const std::vector<Case> cases = {
        {"rows wider than the bitmap's",
         {{TWRC_SUCCESS, 2, pitch + 8}, {TWRC_XFERDONE, 2, pitch + 8}},
         true,
         nullptr,
         false},
        {"more rows than the image has", {{TWRC_SUCCESS, 3}, {TWRC_SUCCESS, 3}}, false, nullptr, true},
        {"more bytes than the memory", {{TWRC_SUCCESS, 1, 0, 5000}}, false, nullptr, true},
        {"a code the protocol does not have",
         {{77, 1}},
         false,
         "Unknown Return Code DG_IMAGE/DAT_IMAGEMEMXFER/MSG_GET",
         false},
        {"cancelled by the source", {{TWRC_SUCCESS, 1}, {TWRC_CANCEL, 0}}, false, nullptr, false},
        {"failed", {{TWRC_SUCCESS, 1}, {TWRC_FAILURE, 0}}, false, nullptr, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        Fake().Reset();
        FakeImage image;
        image.info = Info(4, 4, 24, TWPT_RGB);
        image.strips = c.strips;
        FakeImage second = image;
        second.strips = {{TWRC_XFERDONE, 4}};
        Fake().images = {image, second};
        Fake().preferred = 1000;
        twain.images.clear();
        prompt.asked.clear();
        ASSERT_TRUE(Run(1));
        int resets = 0;
        for (const auto& t : Fake().Triplets())
            resets += t == std::pair<TW_UINT16, TW_UINT16>{DAT_PENDINGXFERS, MSG_RESET};
        EXPECT_EQ(resets, c.reset ? 1 : 0);
        // After a reset nothing more is transferred; otherwise the second image comes.
        EXPECT_EQ(twain.images.size(), std::size_t(c.reset ? 0 : 1) + (c.image ? 1 : 0));
        EXPECT_EQ(Messages(),
                  c.message ? std::vector<QString>{QString::fromUtf8(c.message)} : std::vector<QString>{});
        if (c.image)
        {
            // Each wide row lands at the bitmap's pitch: its first 12 bytes, B and R exchanged.
            const std::uint8_t* pixels = twain.images[0].data() + 40;
            const std::uint8_t* top = pixels + 3 * pitch;
            EXPECT_EQ(top[0], FakeStripByte(0, 2));
            EXPECT_EQ(top[1], FakeStripByte(0, 1));
            EXPECT_EQ(top[2], FakeStripByte(0, 0));
            EXPECT_EQ(pixels[2], FakeStripByte(3, 0));
        }
    }
}

TEST_F(TwainProtocol, AnImageOfUnknownHeightGrowsItsBuffer)
{
    FakeImage image;
    image.info = Info(5, -1, 24, TWPT_RGB); // pitch 16
    for (int i = 0; i < 5; ++i)
        image.strips.push_back({TWRC_SUCCESS, 40});
    image.strips.push_back({TWRC_XFERDONE, 3});
    Fake().images = {image};
    Fake().preferred = 40 * 16;
    ASSERT_TRUE(Run(1));
    ASSERT_EQ(twain.images.size(), 1u);
    const BITMAPINFOHEADER h = twain.Header(0);
    EXPECT_EQ(h.biHeight, 203);
    EXPECT_EQ(h.biSizeImage, 203u * 16);
    const std::uint8_t* pixels = twain.images[0].data() + 40;
    EXPECT_EQ(pixels[202 * 16 + 1], FakeStripByte(0, 1));
    EXPECT_EQ(pixels[1], FakeStripByte(202, 1));
}

TEST_F(TwainProtocol, AMemoryTransferThatCannotStartResetsThePendingImages)
{
    struct Case
    {
        bool infoFails;
        bool setupFails;
        const char* message;
    };
    for (const Case c :
         {Case{false, true, "Setup Memory Transfert"}, Case{true, false, "Memory Transfer : get Image Info"}})
    {
        SCOPED_TRACE(c.message);
        Fake().Reset();
        FakeImage image;
        image.info = Info(4, 4, 24, TWPT_RGB);
        image.strips = {{TWRC_XFERDONE, 4}};
        image.infoFails = c.infoFails;
        Fake().setupFails = c.setupFails;
        Fake().images = {image, image};
        twain.images.clear();
        prompt.asked.clear();
        ASSERT_TRUE(Run(1));
        EXPECT_TRUE(twain.images.empty());
        ASSERT_FALSE(Messages().empty());
        EXPECT_EQ(Messages().front(), QString::fromUtf8(c.message));
        EXPECT_LT(Fake().log.size(), 20u);
    }
}

TEST_F(TwainProtocol, ChoosingAnotherSourceClosesTheOpenOne)
{
    FakeImage image;
    image.info = Info(4, 2, 24, TWPT_RGB);
    image.dib = Dib(4, 2, 24, 0);
    ASSERT_TRUE(twain.SelectSource());
    ASSERT_TRUE(twain.Acquire(0, -1));
    ASSERT_EQ(Fake().state, 5);
    ASSERT_TRUE(twain.SelectSource());
    EXPECT_EQ(Fake().state, 3);
    EXPECT_EQ(Fake().Triplets().back(), (std::pair<TW_UINT16, TW_UINT16>{DAT_IDENTITY, MSG_CLOSEDS}));
    EXPECT_FALSE(twain.IsSourceOpen());
}

TEST(TwainManager, WithoutTheManagerOrItsEntryNothingAnswers)
{
    CScannerWindow window(nullptr);
    for (const char* name : {"/nonexistent/liborvalis-none.so", ORVALIS_TEST_NO_ENTRY})
    {
        SCOPED_TRACE(name);
        CTwain::SetLibraryNames({name});
        TestTwain twain;
        EXPECT_FALSE(twain.InitTwain(&window));
        EXPECT_FALSE(twain.IsValidDriver());
        EXPECT_FALSE(twain.SelectSource());
        EXPECT_FALSE(twain.Acquire(0, -1));
        EXPECT_FALSE(twain.CallTwainProc(nullptr, nullptr, DG_CONTROL, DAT_STATUS, MSG_GET, nullptr));
        EXPECT_EQ(twain.LastReturnCode(), TWRC_FAILURE);
    }
    CTwain::SetLibraryNames({});
}

TEST(TwainDib, BitmapsBecomeFilesOnlyWhenTheirBlockHoldsWhatTheyClaim)
{
    struct Case
    {
        const char* what;
        std::vector<std::uint8_t> dib;
        bool ok;
        DWORD offBits;
    };
    std::vector<std::uint8_t> bitfields = Dib(3, 2, 32, 0);
    {
        BITMAPINFOHEADER h;
        std::memcpy(&h, bitfields.data(), 40);
        h.biCompression = BI_BITFIELDS;
        std::memcpy(bitfields.data(), &h, 40);
        bitfields.resize(bitfields.size() + 12);
    }
    std::vector<std::uint8_t> core(12 + 6 + 8, 0);
    core[0] = 12;
    const std::vector<Case> cases = {
        {"8 bits, full table", Dib(3, 2, 8, 0), true, 14 + 40 + 1024},
        {"8 bits, 2 colours used", Dib(3, 2, 8, 2), true, 14 + 40 + 8},
        {"4 bits", Dib(3, 2, 4, 0), true, 14 + 40 + 64},
        {"24 bits, size 0", Dib(3, 2, 24, 0, false), true, 54},
        {"bit fields", bitfields, true, 14 + 40 + 12},
        {"one byte short", Dib(3, 2, 8, 0, true, 1), false, 0},
        {"size 0 and one byte short", Dib(3, 2, 24, 0, false, 1), false, 0},
        {"table cut", Dib(3, 2, 8, 0, true, 700), false, 0},
        {"a core header", core, false, 0},
        {"more colours than 8 bits hold", Dib(3, 2, 8, 0), false, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        std::vector<std::uint8_t> block = c.dib;
        if (std::string(c.what) == "more colours than 8 bits hold")
        {
            const DWORD many = 300;
            std::memcpy(block.data() + 32, &many, 4);
        }
        std::vector<std::uint8_t> file;
        ASSERT_EQ(scanner::DibToBmpFile(block.data(), block.size(), file), c.ok);
        if (!c.ok)
        {
            EXPECT_TRUE(file.empty());
            continue;
        }
        BITMAPFILEHEADER fh;
        std::memcpy(&fh, file.data(), 14);
        EXPECT_EQ(+fh.bfType, 0x4D42);
        EXPECT_EQ(+fh.bfOffBits, c.offBits);
        EXPECT_EQ(+fh.bfSize, file.size());
        BITMAPINFOHEADER h;
        std::memcpy(&h, block.data(), 40);
        EXPECT_EQ(+fh.bfSize, c.offBits + h.biSizeImage);
        EXPECT_NE(h.biSizeImage, 0u); // written back when it was 0
    }
}
} // namespace
