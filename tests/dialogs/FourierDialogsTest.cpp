// The frequency filter dialogs: every filter's dialog (the document's and the tool view's) against
// its row, the feedback values reaching the overlay before each preview, the Gaussian's
// converted width, and the 26 image-menu commands run end to end on a real document.
#include "FakePreviewDoc.h"
#include "TestImages.h"
#include "ViewTestHost.h"
#include "tests/document/FakeHost.h"

#include "dialogs/FourierDialogs.h"
#include "document/FourierCommands.h"
#include "imagelib/FFTW3Helper.h"
#include "imagelib/effects/FourierEffects.h"
#include "resources/CommandIds.h"
#include "views/CBitmapViewFourierModuleTool.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <string>

using testdlg::FakePreviewDoc;
using Timeline = std::vector<std::string>;
using Effect = std::unique_ptr<FCImageEffect>;

namespace
{
// Writes every overlay value into the document's timeline, as "O1=5".
class RecordingOverlay : public IFourierOverlayTarget
{
public:
    explicit RecordingOverlay(FakePreviewDoc& doc) : m_doc(doc) {}
    void SetOverlayValue1(int v) override { m_doc.Note("O1=" + std::to_string(v)); }
    void SetOverlayValue2(int v) override { m_doc.Note("O2=" + std::to_string(v)); }
    void SetOverlayValue3(int v) override { m_doc.Note("O3=" + std::to_string(v)); }

private:
    FakePreviewDoc& m_doc;
};

const FourierDialogInstance* FindInstance(int command)
{
    for (const FourierDialogInstance& i : FourierDialogInstances())
        if (i.command == command) return &i;
    return nullptr;
}

FourierValues ValuesOf(const CSliderDialogCore& d)
{
    FourierValues v;
    for (int s = 1; s <= d.SliderCount(); ++s)
        v.positions[std::size_t(s - 1)] = d.Value(s);
    v.sigma = d.ConvertedValue();
    return v;
}

QString Label(const FourierFilterCommand& row, int position)
{
    return row.rule == FourierRangeRule::Gaussian ? QString::asprintf("%7.4f", position * 0.0001)
                                                  : QString::number(position);
}

class FourierDialog : public ::testing::TestWithParam<int>
{
protected:
    const FourierFilterCommand& Row() const { return *FindFourierFilterCommand(GetParam()); }

    std::unique_ptr<CSliderDialogCore> Open(bool feedback)
    {
        const FourierDialogInstance* i = FindInstance(GetParam());
        EXPECT_NE(i, nullptr);
        if (!i) return nullptr;
        FourierDialogSetup setup;
        setup.width = doc.image.Width();
        setup.height = doc.image.Height();
        setup.helper = &helper;
        setup.overlay = feedback ? &overlay : nullptr;
        auto d = (feedback ? i->makeFeedback : i->makeDocument)(&doc, setup);
        d->show();
        return d;
    }
    // The filter with the values, built directly.
    Effect Direct(const FourierValues& v) const { return MakeFourierFilterEffect(GetParam(), &helper, v); }
    FourierValues Defaults() const
    {
        FourierValues v;
        const auto ranges = FourierSliderRanges(Row().rule, doc.image.Width(), doc.image.Height());
        for (int s = 0; s < 3; ++s)
            v.positions[std::size_t(s)] = ranges[std::size_t(s)].def;
        v.sigma = GaussienneConversion(ranges[0].def);
        return v;
    }

    mutable FFTW3Helper helper;
    FakePreviewDoc doc{testimg::Varied(40, 30, 24, 61)};
    RecordingOverlay overlay{doc};
};

std::vector<int> AllFilters()
{
    std::vector<int> ids;
    for (const FourierFilterCommand& f : FourierFilterCommands())
        ids.push_back(f.id);
    return ids;
}
} // namespace

TEST_P(FourierDialog, TheDocumentsDialogOpensWithItsRowAndPreviewsEveryValue)
{
    const FourierFilterCommand& row = Row();
    auto d = Open(false);
    ASSERT_TRUE(d);
    EXPECT_EQ(doc.timeline, (Timeline{"Begin", "Run"}));
    EXPECT_EQ(d->windowTitle().toStdString(), row.docTitle);
    ASSERT_EQ(d->SliderCount(), FourierSliderCount(row.rule));
    const auto ranges = FourierSliderRanges(row.rule, 40, 30);
    for (int s = 1; s <= d->SliderCount(); ++s)
    {
        const FourierSliderRange& r = ranges[std::size_t(s - 1)];
        const CTrackBar* bar = d->TrackBar(s);
        EXPECT_EQ(bar->minimum(), r.min) << s;
        EXPECT_EQ(bar->maximum(), r.max) << s;
        EXPECT_EQ(bar->value(), r.def) << s;
        EXPECT_EQ(bar->pageStep(), (r.max - r.min) / 10) << s;
        EXPECT_EQ(bar->tickInterval(), (r.max - r.min) / 2) << s;
        EXPECT_EQ(d->CaptionLabel(s)->text().toStdString(), row.docCaptions[std::size_t(s - 1)]) << s;
        EXPECT_EQ(d->ValueLabel(s)->text(), Label(row, r.def)) << s;
    }
    EXPECT_TRUE(doc.Shows(*Direct(Defaults())));

    // Each slider moved: the preview is the filter of all the values.
    FourierValues v = Defaults();
    for (int s = 1; s <= d->SliderCount(); ++s)
    {
        const int to = ranges[std::size_t(s - 1)].max;
        d->TrackBar(s)->setValue(to);
        v.positions[std::size_t(s - 1)] = to;
        if (row.rule == FourierRangeRule::Gaussian) v.sigma = GaussienneConversion(to);
        EXPECT_TRUE(doc.Shows(*Direct(v))) << s;
        EXPECT_EQ(d->ValueLabel(s)->text(), Label(row, to)) << s;
    }

    // OK: the image back as it was, and the final effect is the filter of the final values on
    // the transform object the dialog was given.
    const FCObjImage original = doc.backup;
    doc.ClearTimeline();
    QTest::mouseClick(d->Controls().Get<QPushButton>(1), Qt::LeftButton);
    EXPECT_EQ(d->result(), 1);
    EXPECT_EQ(doc.timeline, (Timeline{"End"}));
    EXPECT_TRUE(testimg::SamePixels(doc.image, original));
    const Effect final = d->MakeEffect();
    ASSERT_TRUE(final);
    EXPECT_EQ(typeid(*final), typeid(*Direct(v)));
    EXPECT_EQ(dynamic_cast<FCEffectFourierBase&>(*final).IsLuminanceOnly(), row.luminanceOnly);
    EXPECT_TRUE(testimg::SamePixels(doc.Expected(*final), doc.Expected(*Direct(ValuesOf(*d)))));
    EXPECT_TRUE(testimg::SamePixels(doc.Expected(*final), doc.Expected(*Direct(v))));
}

TEST_P(FourierDialog, TheToolViewsDialogFeedsTheOverlayBeforeEachPreview)
{
    const FourierFilterCommand& row = Row();
    auto d = Open(true);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->windowTitle().toStdString(), row.toolTitle);
    const auto ranges = FourierSliderRanges(row.rule, 40, 30);
    Timeline opening{"Begin"};
    for (int s = 1; s <= d->SliderCount(); ++s)
    {
        EXPECT_EQ(d->CaptionLabel(s)->text().toStdString(), row.toolCaptions[std::size_t(s - 1)]) << s;
        opening.push_back("O" + std::to_string(s) + "=" + std::to_string(ranges[std::size_t(s - 1)].def));
    }
    opening.push_back("Run");
    EXPECT_EQ(doc.timeline, opening);
    EXPECT_TRUE(doc.Shows(*Direct(Defaults())));

    // A move of the last slider feeds only its own value, then previews all of them.
    const int last = d->SliderCount();
    const FourierSliderRange& lastRange = ranges[std::size_t(last - 1)];
    const int to = lastRange.def != lastRange.min ? lastRange.min : lastRange.max;
    doc.ClearTimeline();
    d->TrackBar(last)->setValue(to);
    EXPECT_EQ(doc.timeline, (Timeline{"O" + std::to_string(last) + "=" + std::to_string(to), "Run"}));

    // Cancel: the image as it was, no more overlay values.
    doc.ClearTimeline();
    QTest::mouseClick(d->Controls().Get<QPushButton>(2), Qt::LeftButton);
    EXPECT_EQ(d->result(), 2);
    EXPECT_EQ(doc.timeline, (Timeline{"End"}));
    EXPECT_TRUE(testimg::SamePixels(doc.image, doc.backup));
}

INSTANTIATE_TEST_SUITE_P(All, FourierDialog, ::testing::ValuesIn(AllFilters()),
                         [](const ::testing::TestParamInfo<int>& info)
                         { return std::to_string(info.param); });

TEST(FourierDialogs, RazFeedsTheOverlayInTheOrderOfEachTemplate)
{
    FFTW3Helper helper;
    struct Case
    {
        int command;
        Timeline raz;
    };
    // 40 x 30: m/2 = 15; X 20 (default 10), Y 15 (default 7), band defaults 3 and 7, width 1.
    const std::vector<Case> cases = {
        {kCmdFourierCarre, {"Reset", "O1=7", "Run"}},
        {kCmdFourierYuvCirculairePasseBande, {"Reset", "O1=3", "O2=7", "Run"}},
        {kCmdFourierRectangulaireCoupeBande, {"O1=10", "O2=7", "O3=1", "Reset", "Run"}},
        // The Gaussian restores the image, then previews its default width (not an identity).
        {kCmdFourierGaussien, {"O1=20", "Reset", "Run"}},
    };
    for (const Case& c : cases)
    {
        FakePreviewDoc doc(testimg::Varied(40, 30, 24, 3));
        RecordingOverlay overlay(doc);
        FourierDialogSetup setup{40, 30, &helper, &overlay, nullptr, nullptr};
        auto d = FindInstance(c.command)->makeFeedback(&doc, setup);
        d->show();
        for (int s = 1; s <= d->SliderCount(); ++s)
            d->TrackBar(s)->setValue(d->TrackBar(s)->maximum());
        doc.ClearTimeline();
        QTest::mouseClick(d->Controls().Get<QPushButton>(CSliderDialogCore::kResetId), Qt::LeftButton);
        EXPECT_EQ(doc.timeline, c.raz) << c.command;
        for (int s = 1; s <= d->SliderCount(); ++s)
            EXPECT_EQ(d->TrackBar(s)->value(), d->Default(s)) << c.command;
    }
}

TEST(FourierDialogs, GaussianShowsItsWidthAndFeedsThePosition)
{
    FFTW3Helper helper;
    FakePreviewDoc doc(testimg::Varied(32, 32, 24, 8));
    RecordingOverlay overlay(doc);
    FourierDialogSetup setup{640, 480, &helper, &overlay, nullptr, nullptr};
    auto d = FindInstance(kCmdFourierYuvGaussien)->makeFeedback(&doc, setup);
    d->show();
    EXPECT_EQ(doc.timeline, (Timeline{"Begin", "O1=20", "Run"}));
    EXPECT_EQ(d->ValueLabel(1)->text(), QStringLiteral(" 0.0020"));
    EXPECT_EQ(d->TrackBar(1)->minimum(), 0);
    EXPECT_EQ(d->TrackBar(1)->maximum(), 1000);
    EXPECT_EQ(d->TrackBar(1)->pageStep(), 100);
    EXPECT_EQ(d->TrackBar(1)->tickInterval(), 500);
    EXPECT_TRUE(doc.Shows(FCEffectFourierYuvGaussien(&helper, 0.002)));
    const std::vector<std::pair<int, const char*>> moves = {
        {0, " 0.0000"}, {1000, " 0.1000"}, {437, " 0.0437"}};
    for (const auto& [position, text] : moves)
    {
        doc.ClearTimeline();
        d->TrackBar(1)->setValue(position);
        EXPECT_EQ(d->ValueLabel(1)->text(), QString::fromLatin1(text));
        EXPECT_EQ(doc.timeline, (Timeline{"O1=" + std::to_string(position), "Run"}));
        EXPECT_DOUBLE_EQ(d->ConvertedValue(), position * 0.0001);
        EXPECT_TRUE(doc.Shows(FCEffectFourierYuvGaussien(&helper, position * 0.0001)));
    }
    // RAZ: 0.0020 shown, the overlay at position 20, and the picture shows the width OK applies,
    // 0.002, which softens the image (it is not the unfiltered picture).
    QTest::mouseClick(d->Controls().Get<QPushButton>(CSliderDialogCore::kResetId), Qt::LeftButton);
    EXPECT_EQ(d->ValueLabel(1)->text(), QStringLiteral(" 0.0020"));
    EXPECT_DOUBLE_EQ(d->ConvertedValue(), 0.002);
    EXPECT_TRUE(doc.Shows(FCEffectFourierYuvGaussien(&helper, 0.002)));
    EXPECT_FALSE(testimg::SamePixels(doc.image, doc.backup));
}

TEST(FourierDialogs, BandSlidersAreIndependentAndRangesFollowTheImage)
{
    FFTW3Helper helper;
    FakePreviewDoc doc(testimg::Varied(24, 20, 24, 2));
    FourierDialogSetup setup{512, 512, &helper, nullptr, nullptr, nullptr};
    // 512 x 512: one slider [1, 256] default 128 with steps 25 and 127; the width [1, 256] at 32.
    auto one = FindInstance(kCmdFourierCirculaire)->makeDocument(&doc, setup);
    one->show();
    EXPECT_EQ(one->TrackBar(1)->maximum(), 256);
    EXPECT_EQ(one->TrackBar(1)->value(), 128);
    EXPECT_EQ(one->TrackBar(1)->pageStep(), 25);
    EXPECT_EQ(one->TrackBar(1)->tickInterval(), 127);
    one->reject();
    auto three = FindInstance(kCmdFourierYuvRectangulairePasseBande)->makeDocument(&doc, setup);
    three->show();
    EXPECT_EQ(three->TrackBar(3)->maximum(), 256);
    EXPECT_EQ(three->TrackBar(3)->value(), 32);
    three->reject();

    // Minimum above maximum goes to the filter as it is.
    setup.width = 24;
    setup.height = 20;
    auto band = FindInstance(kCmdFourierCarrePasseBande)->makeDocument(&doc, setup);
    band->show();
    band->TrackBar(1)->setValue(9);
    band->TrackBar(2)->setValue(2);
    EXPECT_EQ(band->Value(1), 9);
    EXPECT_EQ(band->Value(2), 2);
    EXPECT_TRUE(doc.Shows(FCEffectFourierCarrePasseBande(&helper, 9, 2, true)));

    // A one-pixel-high image: ranges that still hold their defaults, and a filter that leaves it.
    FakePreviewDoc line(testimg::Varied(9, 1, 24, 5));
    setup.width = 9;
    setup.height = 1;
    auto tiny = FindInstance(kCmdFourierRectangulairePasseBande)->makeDocument(&line, setup);
    tiny->show();
    for (int s = 1; s <= 3; ++s)
    {
        EXPECT_LE(tiny->TrackBar(s)->minimum(), tiny->TrackBar(s)->value()) << s;
        EXPECT_LE(tiny->TrackBar(s)->value(), tiny->TrackBar(s)->maximum()) << s;
        EXPECT_EQ(tiny->Value(s), tiny->TrackBar(s)->value()) << s;
    }
    EXPECT_TRUE(testimg::SamePixels(line.image, line.backup));
}

namespace
{
// A real document whose host runs the registered dialogs over a parent window.
class DialogHost : public testdoc::FakeHost
{
public:
    std::unique_ptr<FCImageEffect> RunEffectDialog(CImageDoc& doc, int command) override
    {
        dialogCommands.push_back(command);
        return ::RunEffectDialog(doc, command, parent);
    }
    QWidget* parent = nullptr;
};

struct RealDocument
{
    explicit RealDocument(FCObjImage picture)
    {
        qputenv("XDG_CONFIG_HOME", settings.path().toUtf8());
        testdoc::ResetSettings();
        host.activeView = &view;
        host.parent = &parent;
        doc.InitFromImage(picture);
        original = doc.GetImage();
        RegisterEffectDialogs(FourierDialogEntries());
        parent.setGeometry(100, 80, 700, 500);
        parent.show();
    }
    ~RealDocument() { qputenv("XDG_CONFIG_HOME", previous); }

    // The command through the document's table, the dialog driven once it is open.
    void Run(int command, std::function<void(CSliderDialogCore&)> drive)
    {
        bool opened = false;
        QTimer::singleShot(0,
                           [&]
                           {
                               auto* d = dynamic_cast<CSliderDialogCore*>(QApplication::activeModalWidget());
                               ASSERT_NE(d, nullptr);
                               opened = true;
                               drive(*d);
                           });
        EXPECT_TRUE(doc.OnCommand(command));
        EXPECT_TRUE(opened) << command;
    }

    QByteArray previous = qgetenv("XDG_CONFIG_HOME");
    QTemporaryDir settings;
    DialogHost host;
    testdoc::CountingView view;
    CImageDoc doc{&view, host};
    FCObjImage original;
    QWidget parent;
};
} // namespace

TEST(FourierCommandsRun, EveryFilterOfTheImageMenuAppliesItsDialogsValuesWithUndo)
{
    RealDocument r(testimg::Varied(36, 28, 24, 44));
    for (const FourierFilterCommand& row : FourierFilterCommands())
    {
        FourierValues values;
        r.Run(row.id,
              [&](CSliderDialogCore& d)
              {
                  EXPECT_EQ(d.parentWidget(), &r.parent);
                  EXPECT_EQ(d.windowTitle().toStdString(), row.docTitle);
                  EXPECT_EQ(d.SliderCount(), FourierSliderCount(row.rule));
                  d.TrackBar(1)->setValue(d.TrackBar(1)->minimum() + 2);
                  values = ValuesOf(d);
                  d.accept();
              });
        FCObjImage expected = r.original;
        const Effect direct = MakeFourierFilterEffect(row.id, r.doc.GetFFTW3Helper(), values);
        FCObjImage::ApplyEffect(expected, *direct, nullptr);
        EXPECT_TRUE(testimg::SamePixels(r.doc.GetImage(), expected)) << row.id;
        EXPECT_TRUE(r.doc.CanUndo()) << row.id;
        EXPECT_FALSE(r.doc.HasPreviewJob());
        r.doc.OnEditUndo();
        ASSERT_TRUE(testimg::SamePixels(r.doc.GetImage(), r.original)) << row.id;
    }
    EXPECT_EQ(r.host.dialogCommands.size(), 26u);
}

TEST(FourierCommandsRun, CancelAfterMovesLeavesTheDocumentAsItWas)
{
    RealDocument r(testimg::Varied(32, 32, 24, 2));
    const bool modified = r.doc.IsModified();
    for (int command : {int(kCmdFourierCirculaire), int(kCmdFourierYuvRectangulaireCoupeBande)})
    {
        r.Run(command,
              [&](CSliderDialogCore& d)
              {
                  for (int s = 1; s <= d.SliderCount(); ++s)
                      d.TrackBar(s)->setValue(d.TrackBar(s)->maximum() - 1);
                  QTest::keyClick(&d, Qt::Key_Escape);
              });
        EXPECT_TRUE(testimg::SamePixels(r.doc.GetImage(), r.original)) << command;
        EXPECT_FALSE(r.doc.CanUndo());
        EXPECT_EQ(r.doc.IsModified(), modified);
    }
}

TEST(FourierCommandsRun, SquareLowPassOnASixteenPixelImage)
{
    RealDocument r(testimg::Varied(16, 16, 24, 16));
    r.Run(kCmdFourierCarre,
          [](CSliderDialogCore& d)
          {
              EXPECT_EQ(d.TrackBar(1)->maximum(), 8);
              d.TrackBar(1)->setValue(4);
              QTest::mouseClick(d.Controls().Get<QPushButton>(1), Qt::LeftButton);
          });
    FCObjImage expected = r.original;
    FCEffectFourierCarre direct(r.doc.GetFFTW3Helper(), 4, true);
    FCObjImage::ApplyEffect(expected, direct, nullptr);
    EXPECT_TRUE(testimg::SamePixels(r.doc.GetImage(), expected));
}

TEST(FourierCommandsRun, AnEightBitImageOpensTheDialogAndOkIsRefused)
{
    RealDocument r(testimg::Varied(20, 14, 8, 3));
    r.Run(kCmdFourierYuvGaussien, [](CSliderDialogCore& d) { d.accept(); });
    ASSERT_EQ(r.host.messages.size(), 1u);
    EXPECT_EQ(r.host.messages[0].text, L"Format d'image non supporté");
    EXPECT_TRUE(testimg::SamePixels(r.doc.GetImage(), r.original));
    EXPECT_FALSE(r.doc.CanUndo());
}

// The tool view with its real dialogs: the overlay follows the dialog's sliders while the image
// window shows the preview, and OK filters the document.
TEST(FourierToolDialogs, TheOverlayFollowsTheRealDialog)
{
    testview::Host host;
    host.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host.window));
    CImageDoc* doc = nullptr;
    CChildFrame* image = host.OpenImage(testimg::Varied(64, 48, 24, 12), &doc);
    const FCObjImage original = doc->GetImage();
    auto* view = new CBitmapViewFourierModuleTool;
    auto* frame = new CChildToolFrame(view, kResFourierToolContextMenu);
    host.AddChildFrame(frame);
    doc->AddView(view);
    doc->UpdateAllViews();
    host.mdi->setActiveSubWindow(frame);
    SetFourierFeedbackRunner(&RunFourierFeedbackDialog);

    bool checked = false;
    QTimer::singleShot(0,
                       [&]
                       {
                           auto* d = dynamic_cast<CSliderDialogCore*>(QApplication::activeModalWidget());
                           ASSERT_NE(d, nullptr);
                           EXPECT_EQ(d->windowTitle(),
                                     QStringLiteral("Fourrier fenêtre rectangulaire - passe-bande"));
                           EXPECT_EQ(d->CaptionLabel(1)->text(), QStringLiteral("X"));
                           EXPECT_EQ(view->OverlayMode(), kCmdFourierYuvRectangulairePasseBande);
                           EXPECT_EQ(host.mdi->currentSubWindow(), image);
                           // The defaults of 64 x 48: X 16, Y 12, width 3.
                           EXPECT_EQ(view->OverlayValue1(), 16);
                           EXPECT_EQ(view->OverlayValue2(), 12);
                           EXPECT_EQ(view->OverlayValue3(), 3);
                           d->TrackBar(2)->setValue(20);
                           EXPECT_EQ(view->OverlayValue2(), 20);
                           checked = true;
                           d->accept();
                       });
    view->OnCommand(kCmdFourierYuvRectangulairePasseBande);
    SetFourierFeedbackRunner(nullptr);
    EXPECT_TRUE(checked);
    EXPECT_EQ(view->OverlayMode(), 0);
    EXPECT_EQ(host.mdi->currentSubWindow(), frame);
    FCObjImage expected = original;
    FCEffectFourierYuvRectangulairePasseBande direct(doc->GetFFTW3Helper(), 16, 20, 3);
    FCObjImage::ApplyEffect(expected, direct, nullptr);
    EXPECT_TRUE(testimg::SamePixels(doc->GetImage(), expected));
    EXPECT_TRUE(doc->CanUndo());
}
