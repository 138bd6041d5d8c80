// The tool views in their tool windows: what they paint at 1:1, their titles, when they rebuild
// their picture, "Appliquer la transformation", their context menus, and the Fourier filter tool:
// the road of a filter command and the filter window painted over the spectrum.
#include "TestImages.h"
#include "ViewTestHost.h"

#include "document/FourierCommands.h"
#include "imagelib/FCYUVPlanes.h"
#include "imagelib/FFTW3Helper.h"
#include "imagelib/effects/FourierEffects.h"
#include "imagelib/effects/YUVEffects.h"
#include "platform/qt/CommandTarget.h"
#include "resources/CommandIds.h"
#include "resources/ResourceBuilder.h"
#include "views/CBitmapViewFourierModuleTool.h"
#include "views/CBitmapViewToolBase.h"

#include <QMenu>
#include <QTest>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace
{
using K = ToolViewKind;

// Puts the view in a tool window on the document, as the main frame does.
CChildToolFrame* OpenTool(testview::Host& host, CImageDoc* doc, CBitmapViewToolBase* view, int contextMenu,
                          QSize size = QSize(400, 300))
{
    auto* frame = new CChildToolFrame(view, contextMenu);
    host.AddChildFrame(frame);
    frame->resize(size);
    doc->AddView(view);
    doc->UpdateAllViews();
    return frame;
}

CChildToolFrame* OpenTool(testview::Host& host, CImageDoc* doc, int command, QSize size = QSize(400, 300))
{
    return OpenTool(host, doc, NewToolView(command).release(), FindToolView(command)->contextMenu, size);
}

CBitmapViewToolBase* ToolViewOf(CChildToolFrame* frame)
{
    return dynamic_cast<CBitmapViewToolBase*>(frame->View());
}

// What the view's window shows now.
QImage Shown(CBitmapViewBase* view)
{
    return view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Whether the window shows the picture pixel for pixel at its top left, light grey beyond it.
::testing::AssertionResult ShowsAt1to1(const QImage& shown, const FCObjImage& picture)
{
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
        {
            const BYTE* p = picture.PixelAddress(x, y);
            const QRgb s = shown.pixel(x, y);
            if (qRed(s) != p[2] || qGreen(s) != p[1] || qBlue(s) != p[0])
                return ::testing::AssertionFailure()
                       << "at " << x << "," << y << " shown (" << qRed(s) << "," << qGreen(s) << ","
                       << qBlue(s) << ") picture (" << int(p[2]) << "," << int(p[1]) << "," << int(p[0])
                       << ")";
        }
    const QRgb margin = shown.pixel(picture.Width() + 2, 2);
    if (margin != qRgb(192, 192, 192)) return ::testing::AssertionFailure() << "the margin is not light grey";
    return ::testing::AssertionSuccess();
}

std::unique_ptr<FCImageEffect> ChannelEffect(ToolViewKind kind)
{
    switch (kind)
    {
    case K::Red:
        return std::make_unique<FCEffectGetRChannel>();
    case K::RedAsGrey:
        return std::make_unique<FCEffectGetRChannelLumi>();
    case K::Green:
        return std::make_unique<FCEffectGetGChannel>();
    case K::GreenAsGrey:
        return std::make_unique<FCEffectGetGChannelLumi>();
    case K::Blue:
        return std::make_unique<FCEffectGetBChannel>();
    case K::BlueAsGrey:
        return std::make_unique<FCEffectGetBChannelLumi>();
    case K::Y:
        return std::make_unique<FCEffectYUVLuminance>();
    case K::U:
        return std::make_unique<FCEffectYUVChrominanceBleue>();
    case K::UAsGrey:
        return std::make_unique<FCEffectYUVChrominanceBleueLuminance>();
    case K::V:
        return std::make_unique<FCEffectYUVChrominanceRouge>();
    case K::VAsGrey:
        return std::make_unique<FCEffectYUVChrominanceRougeLuminance>();
    default:
        return nullptr;
    }
}

// The picture a view of the kind must show for the image.
FCObjImage ExpectedPicture(ToolViewKind kind, const FCObjImage& image, FFTW3Helper& helper)
{
    FCObjImage copy24;
    const FCObjImage& source = ToolViewSource(image, copy24);
    if (auto effect = ChannelEffect(kind))
    {
        FCObjImage out = source;
        FCObjImage::ApplyEffect(out, *effect, nullptr);
        return out;
    }
    FCYUVPlanes planes;
    planes.FromImage(image);
    return kind == K::FourierPhase ? BuildFourierPhaseDisplay(image, planes.Y(), helper)
                                   : BuildFourierModuleDisplay(image, planes.Y(), helper);
}

template <class Base> class Counting : public Base
{
public:
    std::unique_ptr<FCObjImage> BuildDisplayImage(const FCObjImage& image) override
    {
        ++builds;
        return Base::BuildDisplayImage(image);
    }
    int builds = 0;
};

class CountingRed : public CBitmapViewChannel
{
public:
    CountingRed() : CBitmapViewChannel(K::Red) {}
    std::unique_ptr<FCObjImage> BuildDisplayImage(const FCObjImage& image) override
    {
        ++builds;
        return CBitmapViewChannel::BuildDisplayImage(image);
    }
    int builds = 0;
};

// A scripted feedback runner for the tool view's filters.
struct ScriptedRunner
{
    ScriptedRunner()
    {
        SetFourierFeedbackRunner([this](CImageDoc& doc, int command, IFourierOverlayTarget& overlay, QWidget*)
                                 { return run(doc, command, overlay); });
    }
    ~ScriptedRunner() { SetFourierFeedbackRunner(nullptr); }
    std::function<std::unique_ptr<FCImageEffect>(CImageDoc&, int, IFourierOverlayTarget&)> run;
};

// The tool view counting its paints.
class PaintCountingTool : public CBitmapViewFourierModuleTool
{
public:
    int paints = 0;

protected:
    void DoPaint(QPainter& painter, const QRect& rc) override
    {
        ++paints;
        CBitmapViewFourierModuleTool::DoPaint(painter, rc);
    }
};
} // namespace

TEST(ToolView, EachViewShowsItsPictureAt1to1InItsToolWindow)
{
    testview::Host host;
    host.window.show();
    FFTW3Helper helper;
    // A 24-bit picture and an 8-bit one whose palette has colours: the 8-bit document is shown
    // through a 24-bit copy, never read three bytes a pixel.
    FCObjImage indexed = testimg::Varied(35, 21, 8, 8);
    RGBQUAD palette[256];
    for (int i = 0; i < 256; ++i)
        palette[i] = RGBQUAD{BYTE(i * 3), BYTE(255 - i), BYTE(i * 11 + 7), 0};
    indexed.SetPalette(palette);
    for (const FCObjImage& picture : {testimg::Varied(48, 30, 24, 21), indexed})
    {
        CImageDoc* doc = nullptr;
        host.OpenImage(picture, &doc);
        for (const ToolViewInfo& info : ToolViewTable())
        {
            CChildToolFrame* frame = OpenTool(host, doc, info.command);
            CBitmapViewToolBase* view = ToolViewOf(frame);
            ASSERT_NE(view, nullptr);
            EXPECT_EQ(frame->ContextMenuId(), info.contextMenu);
            EXPECT_EQ(frame->MenuId(), 130);
            EXPECT_EQ(view->CachesDisplay(), info.cacheDisplay);
            EXPECT_STREQ(view->GetViewName(), info.name);
            EXPECT_EQ(frame->windowTitle().toStdString(),
                      QStringLiteral("Outil %1 (1:1) - %2:2*") // made from an image: modified
                          .arg(QString::fromStdWString(doc->GetTitle()), QString::fromUtf8(info.name))
                          .toStdString());
            EXPECT_TRUE(ShowsAt1to1(Shown(view), ExpectedPicture(info.kind, doc->GetImage(), helper)))
                << info.name << " at " << picture.ColorBits() << " bits";
            frame->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        EXPECT_TRUE(testimg::SamePixels(doc->GetImage(), picture)) << "painting changed the document";
        EXPECT_FALSE(doc->CanUndo());
    }
}

TEST(ToolView, SpectraAreBuiltOncePerChangeChannelsAtEveryPaint)
{
    testview::Host host;
    host.window.show();
    CImageDoc* doc = nullptr;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host.window));
    host.OpenImage(testimg::Varied(40, 24, 24, 3), &doc);
    auto* module = new Counting<CBitmapViewFourierModule>;
    auto* phase = new Counting<CBitmapViewFourierPhase>;
    auto* tool = new Counting<CBitmapViewFourierModuleTool>;
    auto* red = new CountingRed;
    OpenTool(host, doc, module, 236);
    OpenTool(host, doc, phase, 236);
    OpenTool(host, doc, tool, 237);
    OpenTool(host, doc, red, 236);
    // Each view painted into a picture of its own (the windows overlap on screen).
    auto paintAll = [&](int times)
    {
        for (int i = 0; i < times; ++i)
            for (CBitmapViewBase* v : std::initializer_list<CBitmapViewBase*>{module, phase, tool, red})
                v->viewport()->grab();
    };
    QCoreApplication::processEvents();
    int redBefore = red->builds;
    paintAll(3);
    EXPECT_EQ(module->builds, 1);
    EXPECT_EQ(phase->builds, 1);
    EXPECT_EQ(tool->builds, 1);
    EXPECT_EQ(red->builds - redBefore, 3);
    EXPECT_NE(module->CachedDisplay(), nullptr);
    EXPECT_EQ(red->CachedDisplay(), nullptr);

    // A change of the document: the next paint builds again, once.
    doc->UpdateAllViews();
    EXPECT_EQ(module->CachedDisplay(), nullptr);
    redBefore = red->builds;
    paintAll(2);
    EXPECT_EQ(module->builds, 2);
    EXPECT_EQ(phase->builds, 2);
    EXPECT_EQ(tool->builds, 2);
    EXPECT_EQ(red->builds - redBefore, 2);

    // A zoom change shows the same spectrum: no new transform.
    module->OnCommand(kCmdZoom2);
    paintAll(1);
    EXPECT_EQ(module->builds, 2);
    EXPECT_EQ(module->Title().toStdString(), QStringLiteral("Outil Image%1 (2:1) - Fourier (module-log):2*")
                                                 .arg(doc->GetUntitledNumber())
                                                 .toStdString());
}

TEST(ToolView, ApplyingTheTransformationChangesTheDocumentWithUndo)
{
    testview::Host host;
    host.window.show();
    const FCObjImage picture = testimg::Varied(30, 20, 24, 12);
    for (int command : {int(kCmdViewUAsGrey), int(kCmdViewBlue), int(kCmdViewFourierPhase)})
    {
        CImageDoc* doc = nullptr;
        host.OpenImage(picture, &doc);
        CChildToolFrame* frame = OpenTool(host, doc, command);
        FFTW3Helper helper;
        FCObjImage expected = picture;
        if (command == kCmdViewFourierPhase)
        {
            FCEffectFourierPhase effect(&helper, true);
            FCObjImage::ApplyEffect(expected, effect, nullptr);
        }
        else
            FCObjImage::ApplyEffect(expected, *ChannelEffect(FindToolView(command)->kind), nullptr);

        // From the context menu's command, through the frame.
        EXPECT_TRUE(frame->OnCommand(kCmdApplyTransform));
        EXPECT_TRUE(testimg::SamePixels(doc->GetImage(), expected)) << command;
        EXPECT_TRUE(doc->CanUndo());
        EXPECT_TRUE(doc->IsModified());
        EXPECT_TRUE(frame->windowTitle().endsWith(QLatin1Char('*'))) << frame->windowTitle().toStdString();
        // The channel picture of a changed document follows it.
        if (command != kCmdViewFourierPhase)
        {
            EXPECT_TRUE(ShowsAt1to1(Shown(ToolViewOf(frame)),
                                    ExpectedPicture(FindToolView(command)->kind, doc->GetImage(), helper)));
        }
        doc->OnCommand(kCmdEditUndo);
        EXPECT_TRUE(testimg::SamePixels(doc->GetImage(), picture)) << command;
    }
    // The pixel of the edge case: U = -40 shows 88 grey, and gives the document 88 grey.
    CImageDoc* doc = nullptr;
    host.OpenImage(testimg::Flat(2, 2, 24, 0, 80, 80), &doc);
    CChildToolFrame* frame = OpenTool(host, doc, kCmdViewUAsGrey);
    EXPECT_EQ(Shown(frame->View()).pixel(1, 1), qRgb(88, 88, 88));
    frame->OnCommand(kCmdApplyTransform);
    EXPECT_EQ(doc->GetImage().PixelAddress(1, 1)[0], 88);
    EXPECT_EQ(doc->GetImage().PixelAddress(1, 1)[2], 88);
}

TEST(ToolView, AnEightBitDocumentRefusesTheTransformationAndStaysAsItWas)
{
    testview::Host host;
    host.window.show();
    const FCObjImage picture = testimg::Varied(16, 12, 8, 4);
    for (int command : {int(kCmdViewRed), int(kCmdViewY), int(kCmdViewFourierModule)})
    {
        CImageDoc* doc = nullptr;
        host.OpenImage(picture, &doc);
        CChildToolFrame* frame = OpenTool(host, doc, command);
        host.messages.clear();
        frame->OnCommand(kCmdApplyTransform);
        ASSERT_EQ(host.messages.size(), 1u) << command;
        EXPECT_EQ(host.messages[0].text, L"Format d'image non supporté");
        EXPECT_TRUE(testimg::SamePixels(doc->GetImage(), picture));
        EXPECT_FALSE(doc->CanUndo());
    }
}

TEST(ToolView, ContextMenusOfTheToolWindows)
{
    testview::Host host;
    host.window.show();
    CImageDoc* doc = nullptr;
    host.OpenImage(testimg::Varied(20, 16, 24), &doc);
    CChildToolFrame* channel = OpenTool(host, doc, kCmdViewGreen);
    std::unique_ptr<QMenu> menu236(channel->BuildContextMenu());
    ASSERT_TRUE(menu236);
    EXPECT_NE(FindMenuAction(menu236.get(), kCmdApplyTransform), nullptr);
    EXPECT_EQ(FindMenuAction(menu236.get(), kCmdFourierYuvCarrePasseBande), nullptr);

    CChildToolFrame* tool = OpenTool(host, doc, kCmdViewFourierTool);
    std::unique_ptr<QMenu> menu(tool->BuildContextMenu());
    ASSERT_TRUE(menu);
    QStringList top;
    for (QAction* a : menu->actions())
        top << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(top, (QStringList{QStringLiteral("Sélectionner tout"), QStringLiteral("Annuler la sélection"),
                                "-", QStringLiteral("Filtres Fourier (Luminance)"),
                                QStringLiteral("Filtres Fourier (Y+U+V)"), "-",
                                QStringLiteral("Appliquer la transformation")}));
    const QString texts[] = {
        QStringLiteral("Fenêtre carrée passe-bas"),
        QStringLiteral("Fenêtre carrée passe-haut"),
        QStringLiteral("Fenêtre carrée passe-bande (min/max)"),
        QStringLiteral("Fenêtre carrée coupe-bande"),
        "-",
        QStringLiteral("Fenêtre rectangulaire passe-bas"),
        QStringLiteral("Fenêtre rectangulaire passe-haut"),
        QStringLiteral("Fenêtre rectangulaire passe-bande"),
        QStringLiteral("Fenêtre rectangulaire coupe-bande"),
        "-",
        QStringLiteral("Fenêtre circulaire passe-bas"),
        QStringLiteral("Fenêtre circulaire passe-haut"),
        QStringLiteral("Fenêtre circulaire passe-bande (min/max)"),
        QStringLiteral("Fenêtre circulaire coupe-bande"),
        "-",
        QStringLiteral("Gaussienne"),
    };
    const std::vector<int> luminance = {33088, 33097, 33091, 33094, 0,     33089, 33096, 33099,
                                        33100, 0,     33090, 33098, 33092, 33095, 0,     33093};
    const std::vector<int> yuv = {33106, 33115, 33109, 33112, 0,     33107, 33114, 33117,
                                  33118, 0,     33108, 33116, 33110, 33113, 0,     33111};
    for (int popup = 0; popup < 2; ++popup)
    {
        const QMenu* sub = menu->actions()[3 + popup]->menu();
        ASSERT_NE(sub, nullptr);
        const std::vector<int>& ids = popup == 0 ? luminance : yuv;
        ASSERT_EQ(sub->actions().size(), qsizetype(ids.size()));
        for (std::size_t i = 0; i < ids.size(); ++i)
        {
            const QAction* a = sub->actions()[qsizetype(i)];
            QString expected = texts[i];
            if (ids[i] == 33118) expected += QLatin1Char(' '); // kept as written, with its blank
            EXPECT_EQ(a->isSeparator() ? QStringLiteral("-") : a->text(), expected) << ids[i];
            EXPECT_EQ(a->isSeparator() ? 0 : CommandIdOf(a), ids[i]);
        }
    }
}

TEST(ToolView, AFilterCommandActivatesTheImageWindowRunsTheDialogAndComesBack)
{
    testview::Host host;
    host.window.show();
    CImageDoc* doc = nullptr;
    CChildFrame* image = host.OpenImage(testimg::Varied(32, 24, 24, 5), &doc);
    const FCObjImage original = doc->GetImage();
    const bool modified = doc->IsModified();
    auto* view = new CBitmapViewFourierModuleTool;
    CChildToolFrame* frame = OpenTool(host, doc, view, 237);
    host.mdi->setActiveSubWindow(frame);
    ASSERT_EQ(host.mdi->currentSubWindow(), frame);

    ScriptedRunner runner;
    FFTW3Helper* helper = doc->GetFFTW3Helper();
    std::vector<int> commands;
    bool ok = true;
    runner.run = [&](CImageDoc& d, int command,
                     IFourierOverlayTarget& overlay) -> std::unique_ptr<FCImageEffect>
    {
        commands.push_back(command);
        EXPECT_EQ(&d, doc);
        EXPECT_EQ(&overlay, static_cast<IFourierOverlayTarget*>(view));
        // While the dialog runs: the mode is the command and the image window is the active one.
        EXPECT_EQ(view->OverlayMode(), command);
        EXPECT_EQ(host.mdi->currentSubWindow(), image);
        overlay.SetOverlayValue1(7);
        if (!ok) return nullptr;
        return std::make_unique<FCEffectFourierYuvCarrePasseBande>(helper, 2, 6);
    };

    // Cancel: nothing changes, the mode goes, the tool window is active again.
    ok = false;
    EXPECT_TRUE(frame->OnCommand(kCmdFourierCarre));
    EXPECT_EQ(view->OverlayMode(), 0);
    EXPECT_EQ(view->OverlayValue1(), 7); // kept until the next dialog
    EXPECT_EQ(host.mdi->currentSubWindow(), frame);
    EXPECT_TRUE(testimg::SamePixels(doc->GetImage(), original));
    EXPECT_FALSE(doc->CanUndo());
    EXPECT_EQ(doc->IsModified(), modified);

    // OK: the filter reaches the document with undo.
    ok = true;
    EXPECT_TRUE(frame->OnCommand(kCmdFourierYuvCarrePasseBande));
    FCEffectFourierYuvCarrePasseBande direct(helper, 2, 6);
    FCObjImage expected = original;
    FCObjImage::ApplyEffect(expected, direct, nullptr);
    EXPECT_TRUE(testimg::SamePixels(doc->GetImage(), expected));
    EXPECT_TRUE(doc->CanUndo());
    EXPECT_EQ(view->OverlayMode(), 0);
    EXPECT_EQ(host.mdi->currentSubWindow(), frame);
    EXPECT_EQ(commands, (std::vector<int>{kCmdFourierCarre, kCmdFourierYuvCarrePasseBande}));

    // Every one of the 26 reaches the tool view's handler; the other views pass them on to the
    // document (no overlay there).
    commands.clear();
    ok = false;
    int filters = 0;
    for (int id = 33088; id <= 33118; ++id)
        if (IsFourierFilterCommand(id))
        {
            ++filters;
            EXPECT_TRUE(view->OnCommand(id));
        }
    EXPECT_EQ(filters, 26);
    EXPECT_EQ(commands.size(), 26u);
    EXPECT_FALSE(IsFourierFilterCommand(33101));
    EXPECT_FALSE(IsFourierFilterCommand(kCmdApplyTransform));
}

TEST(ToolView, AFilterOnAnEightBitDocumentShowsItsSpectrumOpensTheDialogAndIsRefusedOnOk)
{
    testview::Host host;
    host.window.show();
    CImageDoc* doc = nullptr;
    const FCObjImage picture = testimg::Varied(24, 16, 8, 6);
    host.OpenImage(picture, &doc);
    auto* view = new CBitmapViewFourierModuleTool;
    CChildToolFrame* frame = OpenTool(host, doc, view, 237);
    host.mdi->setActiveSubWindow(frame);
    // The spectrum of the grey picture is shown (built from a 24-bit copy of the document).
    const QImage shown = Shown(view);
    EXPECT_NE(shown.pixel(12, 8), shown.pixel(1, 1)) << "the zero frequency stands out";

    ScriptedRunner runner;
    int dialogs = 0;
    runner.run = [&](CImageDoc& d, int command,
                     IFourierOverlayTarget& overlay) -> std::unique_ptr<FCImageEffect>
    {
        ++dialogs;
        overlay.SetOverlayValue1(3);
        return MakeFourierFilterEffect(command, d.GetFFTW3Helper(), FourierValues{{3, 0, 0}, 0.0});
    };
    host.messages.clear();
    EXPECT_TRUE(frame->OnCommand(kCmdFourierCarre));
    EXPECT_EQ(dialogs, 1);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, L"Format d'image non supporté");
    EXPECT_TRUE(testimg::SamePixels(doc->GetImage(), picture));
    EXPECT_EQ(doc->GetImage().ColorBits(), 8);
    EXPECT_FALSE(doc->CanUndo());
    EXPECT_EQ(view->OverlayMode(), 0);
    EXPECT_EQ(host.mdi->currentSubWindow(), frame);
}

TEST(ToolView, TheFilterWindowIsPaintedOverTheSpectrum)
{
    testview::Host host;
    host.window.show();
    CImageDoc* doc = nullptr;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host.window));
    host.OpenImage(testimg::Varied(640, 480, 24, 9), &doc);
    auto* view = new PaintCountingTool;
    CChildToolFrame* frame = OpenTool(host, doc, view, 237, QSize(760, 640));
    ASSERT_GE(view->viewport()->width(), 660);
    ASSERT_GE(view->viewport()->height(), 490);
    const QImage spectrum = Shown(view);

    // Each stored value repaints at once.
    const int paints = view->paints;
    view->SetOverlayValue1(120);
    EXPECT_GT(view->paints, paints);
    // Tinted: the spectrum's grey blended with alpha 64 of red 180.
    auto tinted = [&](const QImage& shown, int x, int y, int alpha)
    {
        const int grey = qGreen(spectrum.pixel(x, y));
        const int r = qRed(shown.pixel(x, y)), g = qGreen(shown.pixel(x, y));
        const int er = (grey * (255 - alpha) + 180 * alpha) / 255;
        const int eg = grey * (255 - alpha) / 255;
        return std::abs(r - er) <= 2 && std::abs(g - eg) <= 2;
    };
    auto plain = [&](const QImage& shown, int x, int y) { return shown.pixel(x, y) == spectrum.pixel(x, y); };

    int x = 0, y = 0, w = 0, h = 0;
    view->GetOverlayRect(x, y, w, h, 120, 120);
    EXPECT_EQ(QRect(x, y, w, h), QRect(200, 120, 240, 240));

    view->SetOverlayMode(kCmdFourierCarre);
    view->SetOverlayValue1(120);
    QImage shown = Shown(view);
    EXPECT_TRUE(tinted(shown, 200, 120, 64));
    EXPECT_TRUE(tinted(shown, 439, 359, 64));
    EXPECT_TRUE(plain(shown, 199, 120));
    EXPECT_TRUE(plain(shown, 440, 360));

    // The ring of the circle band-pass: tinted between the radii, not at the centre nor beyond.
    view->SetOverlayMode(kCmdFourierYuvCirculairePasseBande);
    view->SetOverlayValue1(60);
    view->SetOverlayValue2(120);
    shown = Shown(view);
    EXPECT_TRUE(tinted(shown, 320 + 90, 240, 64));
    EXPECT_TRUE(tinted(shown, 320, 240 - 90, 64));
    EXPECT_TRUE(plain(shown, 320, 240));
    EXPECT_TRUE(plain(shown, 320 + 130, 240));
    // Maximum below minimum: nothing.
    view->SetOverlayValue2(30);
    EXPECT_EQ(Shown(view), spectrum);

    // The Gaussian at position 40 (r = 120): three nested, fainter ellipses cut to the image, so
    // the margins stay light grey where the outer one (3r = 360) reaches past the image.
    view->SetOverlayMode(kCmdFourierGaussien);
    view->SetOverlayValue1(40);
    shown = Shown(view);
    EXPECT_EQ(shown.pixel(650, 240), qRgb(192, 192, 192));
    EXPECT_EQ(shown.pixel(320, 485), qRgb(192, 192, 192));
    EXPECT_GT(qRed(shown.pixel(320, 240)) - qGreen(shown.pixel(320, 240)), 60); // all three layers
    // Between 2r and 3r only the faintest layer: about 11 of red over green.
    const int rim = qRed(shown.pixel(2, 240)) - qGreen(shown.pixel(2, 240));
    EXPECT_GE(rim, 9);
    EXPECT_LE(rim, 13);

    // Scrolled at 2:1: the window follows the spectrum on screen.
    view->SetOverlayMode(kCmdFourierCarre);
    view->SetOverlayValue1(100);
    view->SetZoom(512);
    view->horizontalScrollBar()->setValue(300);
    view->verticalScrollBar()->setValue(100);
    view->GetOverlayRect(x, y, w, h, 100, 100);
    EXPECT_EQ(QRect(x, y, w, h), QRect(440 - 300, 280 - 100, 400, 400));

    view->EndFilterDialog();
    EXPECT_EQ(view->OverlayMode(), 0);
    (void)frame;
}

TEST(ToolView, ASpectrumPaintedDuringAFourierPreviewSharesTheTransformSafely)
{
    // The preview thread filters with the document's transform object while the module view,
    // its picture dropped, transforms the Y plane on this thread with the same object.
    testview::Host host;
    host.window.show();
    CImageDoc* doc = nullptr;
    CChildFrame* image = host.OpenImage(testimg::Varied(96, 64, 24, 17), &doc);
    const FCObjImage original = doc->GetImage();
    auto* module = new Counting<CBitmapViewFourierModule>;
    OpenTool(host, doc, module, 236);
    host.mdi->setActiveSubWindow(image);
    FFTW3Helper* helper = doc->GetFFTW3Helper();
    doc->BeginPreview();
    for (int radius = 4; radius < 12; ++radius)
    {
        doc->RunPreview(new FCEffectFourierYuvCirculaire(helper, radius));
        module->OnUpdate(); // as any change of the document would
        module->viewport()->grab();
    }
    doc->EndPreview();
    EXPECT_GE(module->builds, 8);
    EXPECT_TRUE(testimg::SamePixels(doc->GetImage(), original));
    // Afterwards the spectrum is that of the image again.
    module->OnUpdate();
    FFTW3Helper own;
    EXPECT_TRUE(ShowsAt1to1(Shown(module), ExpectedPicture(K::FourierModule, original, own)));
}
