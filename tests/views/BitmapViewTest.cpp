#include "TestImages.h"
#include "ViewTestHost.h"

#include "imagelib/FCDibBlock.h"
#include "platform/qt/Clipboard.h"
#include "resources/CommandIds.h"
#include "views/CBitmapView.h"
#include "views/COverlayWin.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <cstring>

namespace
{
struct Fixture
{
    explicit Fixture(FCObjImage image, QSize viewport = QSize(200, 100))
    {
        view = host.AddBareView<CBitmapView>(std::move(image), viewport, &doc);
    }
    ~Fixture() { delete view; }

    QImage Grab() const { return view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    void Drag(int x1, int y1, int x2, int y2)
    {
        view->OnLButtonDown(x1, y1);
        view->OnMouseMove(x2, y2);
        view->OnLButtonUp(x2, y2);
    }

    testview::Host host;
    CBitmapView* view;
    CImageDoc* doc;
};

QRgb Rgb(const BYTE* p)
{
    return qRgb(p[2], p[1], p[0]);
}

FCObjImage ClipboardImage()
{
    FCObjImage image;
    PasteFromClipboard(image);
    return image;
}
} // namespace

TEST(BitmapView, PaintsTheImageAtTheTopLeftWithGreyMargins)
{
    const FCObjImage image = testimg::Varied(100, 50, 24);
    Fixture f(image);
    QImage shot = f.Grab();
    for (const QPoint& p : {QPoint(0, 0), QPoint(99, 0), QPoint(0, 49), QPoint(99, 49), QPoint(37, 21)})
        EXPECT_EQ(shot.pixel(p) & 0xFFFFFF, Rgb(image.PixelAddress(p.x(), p.y())) & 0xFFFFFF)
            << p.x() << "," << p.y();
    EXPECT_EQ(shot.pixel(100, 0) & 0xFFFFFF, qRgb(192, 192, 192) & 0xFFFFFF);
    EXPECT_EQ(shot.pixel(0, 50) & 0xFFFFFF, qRgb(192, 192, 192) & 0xFFFFFF);
    EXPECT_EQ(shot.pixel(199, 99) & 0xFFFFFF, qRgb(192, 192, 192) & 0xFFFFFF);

    f.view->OnCommand(kCmdZoom2);
    shot = f.Grab();
    EXPECT_EQ(shot.pixel(199, 99) & 0xFFFFFF, Rgb(image.PixelAddress(99, 49)) & 0xFFFFFF);
    EXPECT_EQ(shot.pixel(74, 42) & 0xFFFFFF, Rgb(image.PixelAddress(37, 21)) & 0xFFFFFF);
    EXPECT_TRUE(testimg::SamePixels(f.doc->GetImage(), image)) << "painting never changes the document";

    // Shrunk, the picture is averaged into the smaller rectangle.
    f.view->OnCommand(kCmdZoom1_2);
    shot = f.Grab();
    EXPECT_EQ(shot.pixel(50, 0) & 0xFFFFFF, qRgb(192, 192, 192) & 0xFFFFFF);
    EXPECT_NE(shot.pixel(49, 24) & 0xFFFFFF, qRgb(192, 192, 192) & 0xFFFFFF);
}

TEST(BitmapView, TranslucentPixelsOverWhiteAndPalettes)
{
    Fixture f(testimg::Flat(4, 4, 32, 200, 100, 50, 128));
    const QRgb shown = f.Grab().pixel(1, 1);
    EXPECT_NEAR(qBlue(shown), 227, 1);
    EXPECT_NEAR(qGreen(shown), 177, 1);
    EXPECT_NEAR(qRed(shown), 152, 1);
    const BYTE original[4] = {200, 100, 50, 128};
    EXPECT_EQ(std::memcmp(f.doc->GetImage().PixelAddress(1, 1), original, 4), 0);

    Fixture g(testimg::Indexed(2, 2, 0, RGBQUAD{10, 20, 30, 0}));
    EXPECT_EQ(g.Grab().pixel(1, 1) & 0xFFFFFF, qRgb(30, 20, 10) & 0xFFFFFF);
}

TEST(BitmapView, NoDocumentIsAllGrey)
{
    testview::Host host;
    host.window.show();
    CBitmapView view(&host.window);
    view.show();
    view.resize(60, 40);
    const QImage shot = view.viewport()->grab().toImage();
    EXPECT_EQ(shot.pixel(30, 20) & 0xFFFFFF, qRgb(192, 192, 192) & 0xFFFFFF);
}

TEST(BitmapView, TitlesFollowZoomViewsAndFlags)
{
    Fixture f(testimg::Flat(640, 480, 24, 0, 0, 0));
    const QString untitled = f.view->Title();
    EXPECT_TRUE(untitled.startsWith(QStringLiteral("Image"))) << untitled.toStdString();
    EXPECT_TRUE(untitled.endsWith(QStringLiteral(" [640x480] (1:1)*"))) << untitled.toStdString();
    EXPECT_EQ(f.host.window.windowTitle(), untitled) << "the title goes to the view's parent";
    f.view->OnCommand(kCmdZoom1_4);
    EXPECT_TRUE(f.host.window.windowTitle().endsWith(QStringLiteral("(1:4)*")));
}

TEST(BitmapView, CopyTakesTheSelectionOrTheWholeImage)
{
    const FCObjImage image = testimg::Varied(640, 480, 24);
    Fixture f(image, QSize(700, 500));
    f.view->OnEditCopy();
    FCObjImage copied = ClipboardImage();
    EXPECT_TRUE(testimg::SamePixels(copied, image));

    f.view->OnCommand(kCmdEditSelectAll);
    f.view->OnEditCopy();
    EXPECT_TRUE(testimg::SamePixels(ClipboardImage(), image));

    f.Drag(50, 40, 10, 20);
    f.view->OnEditCopy();
    copied = ClipboardImage();
    FCObjImage expected;
    ASSERT_TRUE(image.CopyRegionTo(expected, RECT{10, 20, 51, 41}));
    EXPECT_EQ(copied.Width(), 41);
    EXPECT_EQ(copied.Height(), 21);
    EXPECT_TRUE(testimg::SamePixels(copied, expected));

    f.Drag(630, 470, 690, 495);
    f.view->OnEditCopy();
    copied = ClipboardImage();
    EXPECT_EQ(copied.Width(), 10);
    EXPECT_EQ(copied.Height(), 10);
}

TEST(BitmapView, CopyOfADocumentWithoutPixelsLeavesTheClipboard)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("avant"));
    Fixture f{FCObjImage()};
    f.view->OnEditCopy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("avant"));
}

TEST(BitmapView, CutBlackensExactlyTheSelection)
{
    for (int bpp : {24, 32})
    {
        const FCObjImage image = testimg::Flat(100, 80, bpp, 9, 9, 9, 77);
        Fixture f(image, QSize(120, 100));
        f.Drag(50, 40, 10, 20);
        f.view->OnCommand(kCmdEditCut);
        EXPECT_EQ(ClipboardImage().Width(), 41);
        const FCObjImage& after = f.doc->GetImage();
        for (int y = 19; y <= 41; ++y)
            for (int x = 9; x <= 51; ++x)
            {
                const BYTE* p = after.PixelAddress(x, y);
                const bool inside = x >= 10 && x <= 50 && y >= 20 && y <= 40;
                EXPECT_EQ(p[0], inside ? 0 : 9) << bpp << " " << x << "," << y;
                EXPECT_EQ(bpp == 32 ? p[3] : 77, inside && bpp == 32 ? 255 : 77);
            }
        EXPECT_TRUE(f.doc->CanUndo());
    }
}

TEST(BitmapView, ClearWithoutSelectionChangesNoPixelButIsAnEdit)
{
    const FCObjImage image = testimg::Varied(30, 20, 24);
    Fixture f(image);
    f.view->OnCommand(kCmdEditClear);
    EXPECT_TRUE(testimg::SamePixels(f.doc->GetImage(), image));
    EXPECT_TRUE(f.doc->CanUndo());
    EXPECT_TRUE(f.doc->IsModified());
}

TEST(BitmapView, PasteOpensTheWindowAtTheFirstCorner)
{
    CopyToClipboard(testimg::Flat(8, 6, 24, 255, 255, 255));
    Fixture f(testimg::Flat(100, 80, 24, 0, 0, 0), QSize(300, 200));
    f.Drag(50, 40, 10, 20);
    f.view->OnCommand(kCmdEditPaste);
    COverlayWin* overlay = f.view->Overlay();
    ASSERT_NE(overlay, nullptr);
    EXPECT_TRUE(overlay->IsOpen());
    EXPECT_EQ(overlay->pos(), QPoint(50, 40));
    EXPECT_EQ(overlay->size(), QSize(8, 6));

    f.view->OnCommand(kCmdZoom2);
    EXPECT_EQ(overlay->pos(), QPoint(100, 80)) << "a zoom change places the window again";
    EXPECT_EQ(overlay->size(), QSize(16, 12));
    f.view->OnCommand(kCmdEditPaste);
    ASSERT_NE(f.view->Overlay(), nullptr);
    EXPECT_EQ(f.view->Overlay()->pos(), QPoint(100, 80)) << "a second paste replaces the first";

    EmptyClipboard();
    f.view->OnCommand(kCmdEditPaste);
    EXPECT_EQ(f.view->Overlay(), nullptr);

    // A document without pixels gives the paste window nothing to stand on.
    CopyToClipboard(testimg::Flat(8, 6, 24, 255, 255, 255));
    Fixture empty{FCObjImage()};
    empty.view->OnCommand(kCmdEditPaste);
    EXPECT_EQ(empty.view->Overlay(), nullptr);
}

TEST(BitmapView, ResizeMovesThePasteWindowInFitModeOnly)
{
    CopyToClipboard(testimg::Flat(10, 10, 24, 255, 255, 255));
    Fixture f(testimg::Flat(400, 400, 24, 0, 0, 0), QSize(200, 200));
    f.view->OnCommand(kCmdEditSelectAll);
    f.view->OnCommand(kCmdSelectNone);
    f.view->OnLButtonDown(100, 100);
    f.view->OnLButtonUp(120, 120);
    f.view->OnCommand(kCmdEditPaste);
    ASSERT_NE(f.view->Overlay(), nullptr);
    f.view->resize(150, 150);
    EXPECT_EQ(f.view->Overlay()->pos(), QPoint(100, 100));
    f.view->OnCommand(kCmdZoomAuto);
    EXPECT_EQ(f.view->Overlay()->pos(), QPoint(37, 37)) << "fitted 400 -> 150";
    f.view->resize(100, 100);
    EXPECT_EQ(f.view->Overlay()->pos(), QPoint(25, 25));
}
