// Both acquisition roads of the main frame against SANE's test backend: colour, grey and black
// and white pages from the flatbed and the feeder become documents whose pixels are scanimage's
// for the same options; a device error or a cancel leaves no document half made and no transfer
// under way; without a device the commands say so.
#include "ScannerTestSupport.h"
#include "ShellFixture.h"

#include "acquisition/WiaWrap.h"
#include "platform/imaging/PlatformBitmap.h"
#include "resources/CommandIds.h"

#include <QPushButton>

namespace
{
using namespace scantest;
using scanner::ScanMode;
using scanner::ScanSettings;

struct Road
{
    ScanMode mode;
    int memory; // 0 native, 1 strips
    bool feeder;
    int resolution;
};

bool Decode(const std::vector<std::uint8_t>& bytes, FCObjImage& image)
{
    std::unique_ptr<imaging::PlatformBitmap> bitmap;
    return imaging::PlatformBitmap::FromMemory(bytes.data(), bytes.size(), bitmap) == imaging::Ok && bitmap &&
           image.FromGdiplusBitmap(*bitmap);
}

std::string Name(const Road& r)
{
    return std::string(r.mode == ScanMode::Color  ? "colour"
                       : r.mode == ScanMode::Gray ? "grey"
                                                  : "black-and-white") +
           (r.memory ? " strips" : " native") + (r.feeder ? " feeder" : " flatbed");
}

class SaneRoads : public ::testing::Test
{
protected:
    // Every document equals the device's page (the feeder's pages are alike).
    void ExpectPages(const SaneConfig& conf, const ScanSettings& s, int pages)
    {
        ASSERT_EQ(fixture->frame->GetDocumentCount(), pages);
        Pnm pnm;
        ASSERT_TRUE(ScanImage(conf.Dir(), ScanOptions(s), pnm, s.feeder ? 1 : 0));
        for (int i = 0; i < pages; ++i)
            EXPECT_TRUE(SamePixels(fixture->frame->GetDocument(i)->GetImage(), pnm)) << "document " << i;
    }

    testshell::IsolatedSettings settings;
    ScriptedScannerDialogs dialogs;
    std::unique_ptr<testshell::FrameFixture> fixture;
};

TEST_F(SaneRoads, TwainPagesAreTheDevicesPages)
{
    // Small reads and small strips: every page comes in several pieces.
    SaneConfig conf({"read-limit true", "read-limit-size 700"});
    setenv("ORVALIS_TWAIN_STRIP_BYTES", "900", 1);
    const Road roads[] = {{ScanMode::Color, 0, false, 50},      {ScanMode::Color, 1, false, 50},
                          {ScanMode::Gray, 0, false, 75},       {ScanMode::Gray, 1, false, 75},
                          {ScanMode::BlackWhite, 1, false, 60}, {ScanMode::BlackWhite, 0, false, 60},
                          {ScanMode::Color, 1, true, 30},       {ScanMode::Gray, 0, true, 30}};
    for (const Road& road : roads)
    {
        SCOPED_TRACE(Name(road));
        fixture = std::make_unique<testshell::FrameFixture>();
        CMainFrame& frame = *fixture->frame;
        SetTwainMemoryTransfert(road.memory);
        EXPECT_FALSE(frame.CurrentAppState().twainSourceChosen);
        ASSERT_TRUE(frame.OnCommand(kCmdTwainSelectSource));
        ASSERT_FALSE(dialogs.lists.empty());
        ASSERT_TRUE(frame.CurrentAppState().twainSourceChosen);
        frame.OnCommand(kCmdTwainAcquire);
        ASSERT_NE(dialogs.panel, nullptr);
        EXPECT_TRUE(dialogs.caps.feeder);
        const ScanSettings s{road.mode, road.resolution, road.feeder};
        dialogs.panel->OnScan(s);
        const int pages = road.feeder ? 10 : 1;
        ASSERT_TRUE(PumpUntil([&] { return frame.GetDocumentCount() == pages && !frame.IsInTransfer(); }));
        Settle();
        ExpectPages(conf, s, pages);
        EXPECT_TRUE(dialogs.messages.empty());
        // The source stays open for more until its panel is closed.
        EXPECT_TRUE(frame.IsSourceEnabled());
        dialogs.panel->OnClosePanel();
        ASSERT_TRUE(PumpUntil([&] { return !frame.IsSourceOpen(); }));
        fixture.reset();
        dialogs.lists.clear();
    }
    unsetenv("ORVALIS_TWAIN_STRIP_BYTES");
}

TEST_F(SaneRoads, TwainPageOfUnknownHeightComesWhole)
{
    SaneConfig conf({"hand-scanner true", "read-limit true", "read-limit-size 1000"});
    for (int memory : {1, 0})
    {
        SCOPED_TRACE(memory);
        fixture = std::make_unique<testshell::FrameFixture>();
        CMainFrame& frame = *fixture->frame;
        SetTwainMemoryTransfert(memory);
        frame.OnCommand(kCmdTwainSelectSource);
        frame.OnCommand(kCmdTwainAcquire);
        ASSERT_NE(dialogs.panel, nullptr);
        const ScanSettings s{ScanMode::Gray, 50, false};
        dialogs.panel->OnScan(s);
        ASSERT_TRUE(PumpUntil([&] { return frame.GetDocumentCount() == 1 && !frame.IsInTransfer(); }));
        ExpectPages(conf, s, 1);
        dialogs.panel->OnClosePanel();
        ASSERT_TRUE(PumpUntil([&] { return !frame.IsSourceOpen(); }));
        fixture.reset();
    }
}

TEST_F(SaneRoads, DeviceErrorsAndCancelsLeaveNoDocumentAndNoTransfer)
{
    struct Case
    {
        const char* status;
        bool message;
    };
    for (const Case c : {Case{"SANE_STATUS_IO_ERROR", true}, Case{"SANE_STATUS_JAMMED", true},
                         Case{"SANE_STATUS_CANCELLED", false}})
    {
        SaneConfig conf({std::string("read-status-code \"") + c.status + "\""});
        for (int memory : {0, 1})
        {
            SCOPED_TRACE(std::string(c.status) + (memory ? " strips" : " native"));
            fixture = std::make_unique<testshell::FrameFixture>();
            CMainFrame& frame = *fixture->frame;
            SetTwainMemoryTransfert(memory);
            dialogs.messages.clear();
            frame.OnCommand(kCmdTwainSelectSource);
            frame.OnCommand(kCmdTwainAcquire);
            ASSERT_NE(dialogs.panel, nullptr);
            dialogs.panel->OnScan({ScanMode::Color, 50, false});
            // The source leaves its transfer and waits for the next scan.
            ASSERT_TRUE(PumpUntil(
                [&] { return !frame.IsInTransfer() && dialogs.messages.size() == (c.message ? 1u : 0u); }));
            Settle();
            EXPECT_EQ(frame.GetDocumentCount(), 0);
            EXPECT_TRUE(fixture->frame->MdiArea()->subWindowList().isEmpty());
            EXPECT_TRUE(frame.IsSourceEnabled());
            // "Erreur transfert image twain" is for bitmaps that do not decode, not for these.
            EXPECT_TRUE(fixture->prompt.asked.empty());
            dialogs.panel->OnClosePanel();
            ASSERT_TRUE(PumpUntil([&] { return !frame.IsSourceOpen(); }));
            fixture.reset();
        }
    }
}

TEST_F(SaneRoads, WiaPagesAreTheDevicesPages)
{
    SaneConfig conf({"read-limit true", "read-limit-size 800"});
    const Road roads[] = {{ScanMode::Color, 0, false, 50},
                          {ScanMode::Gray, 0, false, 75},
                          {ScanMode::BlackWhite, 0, false, 60},
                          {ScanMode::Color, 0, true, 30}};
    for (const Road& road : roads)
    {
        SCOPED_TRACE(Name(road));
        fixture = std::make_unique<testshell::FrameFixture>();
        CMainFrame& frame = *fixture->frame;
        const ScanSettings s{road.mode, road.resolution, road.feeder};
        dialogs.settings = s;
        dialogs.lists.clear();
        frame.OnCommand(kCmdWiaAcquire);
        // Two devices: the user chose one; the settings dialog was asked once.
        ASSERT_EQ(dialogs.lists.size(), 1u);
        EXPECT_EQ(dialogs.asked, 1);
        dialogs.asked = 0;
        Settle();
        ExpectPages(conf, s, road.feeder ? 10 : 1);
        EXPECT_TRUE(fixture->prompt.asked.empty());
        fixture.reset();
    }
}

TEST_F(SaneRoads, WiaErrorsAndTheUsersCancelKeepOnlyWholePages)
{
    {
        SaneConfig conf({"read-status-code \"SANE_STATUS_IO_ERROR\""});
        fixture = std::make_unique<testshell::FrameFixture>();
        dialogs.settings = ScanSettings{ScanMode::Color, 50, false};
        fixture->frame->OnCommand(kCmdWiaAcquire);
        Settle();
        EXPECT_EQ(fixture->frame->GetDocumentCount(), 0);
        ASSERT_EQ(fixture->prompt.asked.size(), 1u);
        EXPECT_EQ(fixture->prompt.asked[0].text, QStringLiteral("Erreur WIA"));
        EXPECT_EQ(fixture->prompt.asked[0].caption, QStringLiteral("Orvalis 5"));
        fixture.reset();
    }
    {
        // The settings dialog cancelled: nothing, and no message.
        SaneConfig conf({});
        fixture = std::make_unique<testshell::FrameFixture>();
        dialogs.settings.reset();
        fixture->frame->OnCommand(kCmdWiaAcquire);
        Settle();
        EXPECT_EQ(fixture->frame->GetDocumentCount(), 0);
        EXPECT_TRUE(fixture->prompt.asked.empty());
        fixture.reset();
    }
    {
        // "Abandonner" pressed during the third page of the feeder: two whole pages stay.
        SaneConfig conf({"read-limit true", "read-limit-size 400"});
        dialogs.settings = ScanSettings{ScanMode::Gray, 30, true};
        dialogs.pick = "test:1";
        IWiaDevMgr* manager = nullptr;
        ASSERT_EQ(CoCreateInstance(CLSID_WiaDevMgr, nullptr, CLSCTX_ALL, IID_IWiaDevMgr,
                                   reinterpret_cast<void**>(&manager)),
                  S_OK);
        CScannerWindow window(nullptr);
        struct Counter
        {
            int bands = 0;
            int pages = 0;
            WiaWrap::CProgressDlg* dialog = nullptr;
        } counter;
        counter.dialog = new WiaWrap::CProgressDlg(nullptr);
        auto progress = [](LONG status, LONG percent, void* p) -> HRESULT
        {
            auto* c = static_cast<Counter*>(p);
            if (status == IT_STATUS_TRANSFER_TO_CLIENT && percent == 0) ++c->pages;
            if (c->pages == 3 && ++c->bands == 2) c->dialog->OnCancel();
            return WiaWrap::DefaultProgressCallback(status, percent, c->dialog);
        };
        LONG count = 0;
        IStream** streams = nullptr;
        const HRESULT hr = WiaWrap::WiaGetImage(&window, 0, 0, 0, manager, nullptr, progress, &counter,
                                                nullptr, &count, &streams);
        EXPECT_EQ(hr, S_FALSE);
        EXPECT_EQ(count, 2);
        QPushButton* button = counter.dialog->Dialog()->findChild<QPushButton*>(QStringLiteral("ctl2"));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QStringLiteral("Attendre..."));
        Pnm pnm;
        ASSERT_TRUE(ScanImage(conf.Dir(), ScanOptions(*dialogs.settings), pnm, 1));
        for (LONG i = 0; i < count; ++i)
        {
            std::vector<std::uint8_t> bytes;
            ASSERT_TRUE(ReadWholeStream(streams[i], bytes));
            FCObjImage image;
            ASSERT_TRUE(Decode(bytes, image));
            EXPECT_TRUE(SamePixels(image, pnm));
        }
        WiaWrap::ReleaseInterfaceArray(streams, count);
        counter.dialog->Release();
        manager->Release();
        dialogs.pick = "test:0";
    }
}

TEST_F(SaneRoads, WithoutAnyDeviceTheCommandsSaySo)
{
    SaneConfig conf({}, true);
    // No scripted source either: the manager has nothing at all.
    const QByteArray sources = qgetenv("ORVALIS_TWAIN_SOURCES");
    qunsetenv("ORVALIS_TWAIN_SOURCES");
    fixture = std::make_unique<testshell::FrameFixture>();
    CMainFrame& frame = *fixture->frame;
    ULONG count = 99;
    EXPECT_EQ(WiaWrap::WiaGetNumDevices(nullptr, &count), S_OK);
    EXPECT_EQ(count, 0u);
    frame.OnCommand(kCmdWiaAcquire);
    ASSERT_EQ(fixture->prompt.asked.size(), 1u);
    EXPECT_EQ(fixture->prompt.asked[0].text, QStringLiteral("Aucun périphérique WIA connecté"));
    EXPECT_EQ(dialogs.asked, 0);
    EXPECT_TRUE(dialogs.lists.empty());

    // The manager is there, but it has no source to offer.
    EXPECT_TRUE(frame.CurrentAppState().twainLoaded);
    frame.OnCommand(kCmdTwainSelectSource);
    EXPECT_FALSE(frame.CurrentAppState().twainSourceChosen);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "Aucune source d'acquisition n'est disponible.");
    qputenv("ORVALIS_TWAIN_SOURCES", sources);
}

TEST_F(SaneRoads, TheTestConfigurationHasTwoDevices)
{
    SaneConfig conf({});
    ULONG count = 0;
    EXPECT_EQ(WiaWrap::WiaGetNumDevices(nullptr, &count), S_OK);
    EXPECT_EQ(count, 2u);
}
} // namespace

// The test backend loses a block of its own on some pages: the leak checker leaves SANE's
// backends to their authors.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libsane-test.so\n";
}
