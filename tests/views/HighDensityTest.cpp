// The views on a screen of twice the density (QT_SCALE_FACTOR=2, a test run of its own): 1:1 is
// one image pixel per screen pixel. Skipped on an ordinary screen.
#include "TestImages.h"
#include "ViewTestHost.h"

#include "platform/qt/CommandTarget.h"
#include "resources/CommandIds.h"
#include "views/CBitmapView.h"
#include "views/CBitmapViewFourierModuleTool.h"
#include "views/CBitmapViewToolBase.h"
#include "views/ToolViewDisplays.h"
#include "views/COverlayWin.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace
{
struct Fixture
{
    Fixture(FCObjImage image, QSize viewport)
    {
        view = host.AddBareView<CBitmapView>(std::move(image), viewport, &doc);
    }
    ~Fixture() { delete view; }
    // The view as the screen shows it, one QImage pixel per device pixel.
    QImage Grab() const
    {
        const QImage shot = view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(shot.width(), view->viewport()->width() * 2);
        return shot;
    }

    testview::Host host;
    CBitmapView* view;
    CImageDoc* doc;
};

QRgb Rgb(const BYTE* p)
{
    return qRgb(p[2], p[1], p[0]);
}

bool TwiceTheDensity(const QWidget& w)
{
    return w.devicePixelRatioF() == 2.0;
}
} // namespace

TEST(HighDensity, OneToOneIsOneImagePixelPerScreenPixel)
{
    const FCObjImage image = testimg::Varied(5, 3, 24);
    Fixture f(image, QSize(40, 30));
    if (!TwiceTheDensity(*f.view->viewport())) GTEST_SKIP() << "runs with QT_SCALE_FACTOR=2";
    ASSERT_EQ(f.view->DeviceUnit(), 512);

    for (int zoom : {256, 512, 1024})
    {
        f.view->SetZoom(zoom);
        const int n = zoom / 256; // screen pixels per image pixel
        const QImage shot = f.Grab();
        for (int y = 0; y < 3 * n; ++y)
            for (int x = 0; x < 5 * n; ++x)
                ASSERT_EQ(shot.pixel(x, y), Rgb(image.PixelAddress(x / n, y / n)))
                    << "zoom " << zoom << " at " << x << "," << y;
        EXPECT_EQ(shot.pixel(5 * n, 0), qRgb(192, 192, 192)) << "the margin starts at the image's edge";
        EXPECT_EQ(shot.pixel(0, 3 * n), qRgb(192, 192, 192));
    }

    f.view->SetZoom(256);
    EXPECT_TRUE(f.view->parentWidget()->windowTitle().contains(QStringLiteral(" (1:1)")))
        << f.view->parentWidget()->windowTitle().toStdString();
    // Half a window pixel per image pixel, the odd last one included in the canvas.
    EXPECT_EQ(f.view->CanvasSize(), QSize(3, 2));
    EXPECT_EQ(f.view->ClientToImage(1, 1).x, 2);
    EXPECT_EQ(f.view->ImageToClient(4, 2).x, 2);

    // Fit mode shrinks only below one image pixel per screen pixel.
    f.view->SetZoom(0);
    const QImage fitted = f.Grab();
    EXPECT_EQ(fitted.pixel(4, 2), Rgb(image.PixelAddress(4, 2)));
    EXPECT_EQ(fitted.pixel(5, 0), qRgb(192, 192, 192));
    EXPECT_EQ(f.view->ClientToImage(2, 1).x, 4);
}

// A picture larger than the window at 1:1: every screen pixel of the window shows its image
// pixel, not only the part as large as the window counted in window pixels.
TEST(HighDensity, OneToOneFillsTheWholeWindowWithALargerPicture)
{
    const FCObjImage image = testimg::Varied(150, 120, 24);
    Fixture f(image, QSize(40, 30));
    if (!TwiceTheDensity(*f.view->viewport())) GTEST_SKIP() << "runs with QT_SCALE_FACTOR=2";
    f.view->SetZoom(256);
    const QImage shot = f.Grab();
    ASSERT_GE(shot.height(), 40);
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            ASSERT_EQ(shot.pixel(x, y), Rgb(image.PixelAddress(x, y))) << x << "," << y;
}

TEST(HighDensity, ThePasteWindowCoversTheImagePixelsItPastesOn)
{
    Fixture f(testimg::Flat(40, 40, 24, 0, 0, 0), QSize(100, 100));
    if (!TwiceTheDensity(*f.view->viewport())) GTEST_SKIP() << "runs with QT_SCALE_FACTOR=2";
    CopyToClipboard(testimg::Flat(6, 4, 24, 255, 255, 255));
    f.view->OnLButtonDown(5, 5); // image pixel (10, 10)
    f.view->OnLButtonUp(8, 8);
    f.view->OnCommand(kCmdEditPaste);
    COverlayWin* overlay = f.view->Overlay();
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(overlay->size(), QSize(3, 2)) << "6 x 4 screen pixels";
    EXPECT_EQ(overlay->ImagePosition().x, 10);
    overlay->PasteAndClose(0);
    const FCObjImage& doc = f.doc->GetImage();
    EXPECT_EQ(doc.PixelAddress(10, 10)[0], 255);
    EXPECT_EQ(doc.PixelAddress(15, 13)[0], 255);
    EXPECT_EQ(doc.PixelAddress(16, 13)[0], 0);
    EXPECT_EQ(doc.PixelAddress(9, 10)[0], 0);
}

TEST(HighDensity, ToolViewsShowTheirPictureOnePixelPerScreenPixelAndTheFilterWindowOnIt)
{
    testview::Host host;
    CImageDoc* doc = nullptr;
    const FCObjImage image = testimg::Varied(7, 5, 24);
    auto* view = host.AddBareView<CBitmapViewBlueAsGrey>(image, QSize(40, 30), &doc);
    if (!TwiceTheDensity(*view->viewport()))
    {
        delete view;
        GTEST_SKIP() << "runs with QT_SCALE_FACTOR=2";
    }
    const FCObjImage picture = *view->BuildDisplayImage(image);
    for (int zoom : {256, 512, 0})
    {
        view->SetZoom(zoom);
        const int n = zoom == 512 ? 2 : 1; // fitting never enlarges
        const QImage shot = view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(shot.width(), 80);
        for (int y = 0; y < 5 * n; ++y)
            for (int x = 0; x < 7 * n; ++x)
                ASSERT_EQ(shot.pixel(x, y), Rgb(picture.PixelAddress(x / n, y / n)))
                    << "zoom " << zoom << " at " << x << "," << y;
        EXPECT_EQ(shot.pixel(7 * n, 0), qRgb(192, 192, 192)) << "the margin starts at the picture's edge";
        EXPECT_EQ(shot.pixel(0, 5 * n), qRgb(192, 192, 192));
    }
    delete view;

    // The filter window lies on the spectrum's screen pixels: a 64 x 48 image at 1:1 takes 64 x
    // 48 screen pixels, and the square low-pass of half-size 8 covers screen pixels 24..39, 16..31.
    auto* tool =
        host.AddBareView<CBitmapViewFourierModuleTool>(testimg::Varied(64, 48, 24), QSize(60, 40), &doc);
    int x = 0, y = 0, w = 0, h = 0;
    tool->GetOverlayRect(x, y, w, h, 8, 8);
    EXPECT_EQ(QRect(x, y, w, h), QRect(24, 16, 16, 16));
    const QImage spectrum = tool->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    tool->SetOverlayMode(kCmdFourierCarre);
    tool->SetOverlayValue1(8);
    const QImage shot = tool->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // Tinted: the spectrum's grey blended with alpha 64 of red 180.
    auto tinted = [&](int px, int py)
    {
        const int grey = qGreen(spectrum.pixel(px, py));
        const int r = qRed(shot.pixel(px, py)), g = qGreen(shot.pixel(px, py));
        return std::abs(r - (grey * 191 + 180 * 64) / 255) <= 2 && std::abs(g - grey * 191 / 255) <= 2 &&
               shot.pixel(px, py) != spectrum.pixel(px, py);
    };
    EXPECT_TRUE(tinted(24, 16));
    EXPECT_TRUE(tinted(39, 31));
    EXPECT_EQ(shot.pixel(23, 16), spectrum.pixel(23, 16));
    EXPECT_EQ(shot.pixel(40, 31), spectrum.pixel(40, 31));
    EXPECT_EQ(shot.pixel(64, 10), qRgb(192, 192, 192)) << "the margin beyond the spectrum";
    delete tool;
}
