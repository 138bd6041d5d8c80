// The views on a screen of twice the density (QT_SCALE_FACTOR=2, a test run of its own): 1:1 is
// one image pixel per screen pixel. Skipped on an ordinary screen.
#include "TestImages.h"
#include "ViewTestHost.h"

#include "platform/qt/CommandTarget.h"
#include "resources/CommandIds.h"
#include "views/CBitmapView.h"
#include "views/COverlayWin.h"

#include <gtest/gtest.h>

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
