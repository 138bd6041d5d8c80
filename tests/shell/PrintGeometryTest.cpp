// Where the image goes on the page, the preview's title, and transparency on paper.
#include "TestImages.h"

#include "shell/PrintGeometry.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
} // namespace

TEST(PrintGeometry, TargetOnSyntheticDevices)
{
    // Sizes chosen so that every quotient is exact in double.
    const DeviceMetrics portrait{1000, 2000, 0, 0, 100, 200};
    const DeviceMetrics offset50{1000, 2000, 50, 50, 90, 190};
    const RECT tenMm{1000, 1000, 1000, 1000};
    const RECT none{0, 0, 0, 0};
    struct Case
    {
        const char* what;
        DeviceMetrics device;
        RECT margins;
        int w, h, setting;
        bool draw, pixelForPixel;
        RECT rect;
    };
    const Case cases[] = {
        // Wide image on portrait paper: the width between the margins, centred vertically.
        {"wide, scaled", portrait, tenMm, 200, 100, 1, true, false, {100, 800, 900, 1200}},
        // Tall image: the height between the margins, centred horizontally.
        {"tall, scaled", portrait, tenMm, 100, 400, 1, true, false, {275, 100, 725, 1900}},
        // Small image with the scaled setting: still filled to the margins (it grows).
        {"small grows", portrait, none, 10, 20, 1, true, false, {0, 0, 1000, 2000}},
        // Pixel for pixel at the offset, inside coordinates that start at the printable corner.
        {"1:1 fits", offset50, tenMm, 300, 200, 0, true, true, {50, 50, 350, 250}},
        // 50 + 900 > 1000 - 100: too wide for 1:1, scaled like the default.
        {"1:1 too wide", offset50, tenMm, 900, 100, 0, true, false, {100, 911, 800, 988}},
        // The limit itself still fits.
        {"1:1 at the limit", offset50, none, 850, 1850, 0, true, true, {50, 50, 900, 1900}},
        // Any setting but 0 scales.
        {"setting 2 scales", offset50, none, 300, 200, 2, true, false, {0, 650, 900, 1250}},
        // Margins that cover the page leave nothing to draw in.
        {"no room", portrait, {6000, 1000, 6000, 1000}, 200, 100, 1, false, false, {0, 0, 0, 0}},
        {"no image", portrait, tenMm, 0, 0, 1, false, false, {0, 0, 0, 0}},
    };
    for (const Case& c : cases)
    {
        const PrintTargetResult r = PrintTarget(c.device, c.margins, c.w, c.h, c.setting);
        EXPECT_EQ(r.draw, c.draw) << c.what;
        EXPECT_EQ(r.pixelForPixel, c.pixelForPixel) << c.what;
        if (!c.draw) continue;
        EXPECT_TRUE(SameRect(r.rect, c.rect)) << c.what << ": " << r.rect.left << "," << r.rect.top << ","
                                              << r.rect.right << "," << r.rect.bottom;
    }
}

TEST(PrintGeometry, ShrinkingUsesAQuotientNotAWholeNumber)
{
    // 0.8 of the fitted size: a whole-number division would give 0 and lose the image.
    const PrintTargetResult r =
        PrintTarget({1000, 2000, 0, 0, 100, 200}, {1000, 1000, 1000, 1000}, 200, 100, 1);
    EXPECT_EQ(r.rect.right - r.rect.left, 800);
    EXPECT_EQ(r.rect.bottom - r.rect.top, 400);
    // A sliver shrunk into the page keeps at least one pixel across.
    const PrintTargetResult thin = PrintTarget({1000, 2000, 0, 0, 100, 200}, {0, 0, 0, 0}, 1, 100000, 1);
    EXPECT_TRUE(thin.draw);
    EXPECT_EQ(thin.rect.right - thin.rect.left, 1);
    EXPECT_EQ(thin.rect.bottom - thin.rect.top, 2000);
}

TEST(PrintGeometry, PreviewTitle)
{
    const QString product = QStringLiteral("Orvalis 5");
    EXPECT_EQ(PrintPreviewTitle(product, product, QStringLiteral("photo.jpg")),
              QStringLiteral("Aperçu : photo.jpg"));
    // A maximised window adds its name to the frame's title.
    EXPECT_EQ(
        PrintPreviewTitle(QStringLiteral("Orvalis 5 - [photo.jpg]"), product, QStringLiteral("photo.jpg")),
        QStringLiteral("Aperçu"));
    EXPECT_FALSE(PrintPreviewTitle(product, product, std::nullopt));
}

TEST(PrintGeometry, TransparencyIsPrintedOverWhite)
{
    FCObjImage image;
    ASSERT_TRUE(image.Create(4, 1, 32));
    const BYTE pixels[4][4] = {{200, 100, 50, 255}, {200, 100, 50, 0}, {200, 100, 50, 128}, {0, 0, 0, 128}};
    for (int x = 0; x < 4; ++x)
        for (int c = 0; c < 4; ++c)
            image.PixelAddress(x, 0)[c] = pixels[x][c];
    const FCObjImage paper = FlattenOverWhite(image);
    ASSERT_EQ(paper.ColorBits(), 24);
    const BYTE expected[4][3] = {{200, 100, 50}, {255, 255, 255}, {227, 177, 152}, {127, 127, 127}};
    for (int x = 0; x < 4; ++x)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(paper.PixelAddress(x, 0)[c], expected[x][c]) << x << " " << c;
    // Opaque depths go as they are.
    const FCObjImage rgb = testimg::Varied(5, 3, 24);
    const FCObjImage same = FlattenOverWhite(rgb);
    ASSERT_EQ(same.ColorBits(), 24);
    EXPECT_EQ(std::memcmp(same.GetBits(), rgb.GetBits(), std::size_t(rgb.RowPitch() * 3)), 0);
}
