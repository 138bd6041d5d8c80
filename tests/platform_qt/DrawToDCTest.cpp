#include "TestImages.h"

#include "imagelib/FCParallel.h"
#include "imagelib/qt/FCObjImageQt.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace
{
QImage WhiteTarget(int w, int h)
{
    QImage target(w, h, QImage::Format_RGB32);
    target.fill(Qt::white);
    return target;
}

void SetPixel(FCObjImage& image, int x, int y, BYTE b, BYTE g, BYTE r, BYTE a = 255)
{
    BYTE* p = image.PixelAddress(x, y);
    p[0] = b;
    if (image.ColorBits() >= 24)
    {
        p[1] = g;
        p[2] = r;
    }
    if (image.ColorBits() == 32) p[3] = a;
}
} // namespace

TEST(DrawToDC, EnlargingRepeatsEachPixelTopRowAtTheTop)
{
    FCObjImage image;
    ASSERT_TRUE(image.Create(2, 2, 24));
    SetPixel(image, 0, 0, 0, 0, 255); // red, top left
    SetPixel(image, 1, 0, 0, 255, 0); // green
    SetPixel(image, 0, 1, 255, 0, 0); // blue
    SetPixel(image, 1, 1, 10, 20, 30);
    QImage target = WhiteTarget(4, 4);
    {
        QPainter painter(&target);
        DrawToDC(image, painter, RECT{0, 0, 4, 4});
    }
    const QRgb expected[2][2] = {{qRgb(255, 0, 0), qRgb(0, 255, 0)}, {qRgb(0, 0, 255), qRgb(30, 20, 10)}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(target.pixel(x, y) & 0xFFFFFF, expected[y / 2][x / 2] & 0xFFFFFF) << x << "," << y;
}

TEST(DrawToDC, SourceRectangleAndOffsetDestination)
{
    const FCObjImage image = testimg::Varied(6, 5, 24);
    QImage target = WhiteTarget(10, 10);
    const RECT src{2, 1, 5, 4};
    {
        QPainter painter(&target);
        DrawToDC(image, painter, RECT{4, 3, 7, 6}, &src);
    }
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
        {
            const BYTE* p = image.PixelAddress(2 + x, 1 + y);
            EXPECT_EQ(target.pixel(4 + x, 3 + y) & 0xFFFFFF, qRgb(p[2], p[1], p[0]) & 0xFFFFFF);
        }
    EXPECT_EQ(target.pixel(3, 3) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(target.pixel(7, 6) & 0xFFFFFF, 0xFFFFFFu);
}

// At one to one only what the painter can reach is drawn, exactly: through a clip, a translation
// (the view's scroll position), a picture larger than the device and a part of the source, the
// pixels inside are the picture's and everything outside stays as it was; at half scale (a
// screen of twice the density) the result is the one the painter's own drawing of the picture
// gives.
TEST(DrawToDC, OneToOneDrawsWhatThePainterReaches)
{
    const FCObjImage image = testimg::Varied(61, 47, 24);
    struct Case
    {
        QPoint translate;
        QRect clip; // in the painter's coordinates; empty: none
        RECT src;
    };
    const Case cases[] = {{{0, 0}, {}, {0, 0, 61, 47}},
                          {{-13, -9}, {15, 10, 20, 17}, {0, 0, 61, 47}},
                          {{5, 4}, {0, 0, 33, 200}, {7, 3, 50, 40}},
                          {{-30, -20}, {}, {0, 0, 61, 47}}};
    for (const Case& c : cases)
    {
        const int sw = c.src.right - c.src.left, sh = c.src.bottom - c.src.top;
        QImage target = WhiteTarget(40, 30);
        {
            QPainter painter(&target);
            painter.translate(c.translate);
            if (!c.clip.isEmpty()) painter.setClipRect(c.clip);
            DrawToDC(image, painter, RECT{2, 1, 2 + sw, 1 + sh}, &c.src);
        }
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
            {
                const QPoint logical = QPoint(x, y) - c.translate; // where the painter drew
                const int ix = logical.x() - 2, iy = logical.y() - 1;
                const bool inside = ix >= 0 && iy >= 0 && ix < sw && iy < sh &&
                                    (c.clip.isEmpty() || c.clip.contains(logical));
                QRgb expected = 0xFFFFFF;
                if (inside)
                {
                    const BYTE* p = image.PixelAddress(c.src.left + ix, c.src.top + iy);
                    expected = qRgb(p[2], p[1], p[0]) & 0xFFFFFF;
                }
                ASSERT_EQ(target.pixel(x, y) & 0xFFFFFF, expected) << x << "," << y;
            }
    }

    QImage ours = WhiteTarget(40, 30), painters = WhiteTarget(40, 30);
    {
        QPainter painter(&ours);
        painter.scale(0.5, 0.5);
        painter.setClipRect(QRect(6, 4, 50, 40));
        DrawToDC(image, painter, RECT{0, 0, 61, 47});
    }
    {
        QPainter painter(&painters);
        painter.scale(0.5, 0.5);
        painter.setClipRect(QRect(6, 4, 50, 40));
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QPoint(0, 0), ToTopDownImage(image).convertToFormat(QImage::Format_RGB32));
    }
    EXPECT_EQ(ours, painters);
}

// On a screen of twice the density the view draws in device pixels through a painter scaled by
// one half: one to one must still fill every device pixel of the target, not the quarter that
// the target's size in its own (logical) units would give.
TEST(DrawToDC, OneToOneFillsADenserTargetInItsDevicePixels)
{
    const FCObjImage image = testimg::Varied(90, 70, 24);
    QImage target = WhiteTarget(80, 60); // 40 x 30 in the target's own units
    target.setDevicePixelRatio(2);
    {
        QPainter painter(&target);
        painter.scale(0.5, 0.5);
        DrawToDC(image, painter, RECT{0, 0, 90, 70});
    }
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x)
        {
            const BYTE* p = image.PixelAddress(x, y);
            ASSERT_EQ(target.pixel(x, y) & 0xFFFFFF, qRgb(p[2], p[1], p[0]) & 0xFFFFFF) << x << "," << y;
        }
}

TEST(DrawToDC, EightBitsThroughThePalette)
{
    FCObjImage image = testimg::Indexed(1, 1, 3, RGBQUAD{40, 50, 60, 0});
    image.PixelAddress(0, 0)[0] = 3;
    QImage target = WhiteTarget(2, 2);
    {
        QPainter painter(&target);
        DrawToDC(image, painter, RECT{0, 0, 2, 2});
    }
    EXPECT_EQ(target.pixel(1, 1) & 0xFFFFFF, qRgb(60, 50, 40) & 0xFFFFFF);
}

TEST(DrawToDC, PremultipliedPixelBlendsOverWhite)
{
    FCObjImage image;
    ASSERT_TRUE(image.Create(1, 1, 32));
    SetPixel(image, 0, 0, 100, 50, 25, 128); // premultiplied (200, 100, 50) at alpha 128
    QImage target = WhiteTarget(1, 1);
    {
        QPainter painter(&target);
        DrawToDC(image, painter, RECT{0, 0, 1, 1});
    }
    const QRgb got = target.pixel(0, 0);
    // src + white x (255 - a) / 255
    EXPECT_NEAR(qBlue(got), 100 + 127, 1);
    EXPECT_NEAR(qGreen(got), 50 + 127, 1);
    EXPECT_NEAR(qRed(got), 25 + 127, 1);
}

TEST(DrawToDC, ShrinkingAveragesAndLeavesThePainterAsItWas)
{
    FCObjImage image;
    ASSERT_TRUE(image.Create(2, 1, 24));
    SetPixel(image, 0, 0, 0, 0, 0);
    SetPixel(image, 1, 0, 200, 200, 200);
    QImage target = WhiteTarget(1, 1);
    {
        QPainter painter(&target);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setBrushOrigin(5, 5);
        const QPainter::RenderHints before = painter.renderHints();
        const QTransform transform = painter.transform();
        DrawToDC(image, painter, RECT{0, 0, 1, 1});
        EXPECT_EQ(painter.renderHints(), before);
        EXPECT_EQ(painter.transform(), transform);
        EXPECT_EQ(painter.compositionMode(), QPainter::CompositionMode_SourceOver);
        EXPECT_EQ(painter.brushOrigin(), QPoint(0, 0));
    }
    EXPECT_NEAR(qRed(target.pixel(0, 0)), 100, 2);
}

TEST(DrawToDC, NothingForAnEmptyImageOrRectangle)
{
    QImage target = WhiteTarget(2, 2);
    QPainter painter(&target);
    DrawToDC(FCObjImage(), painter, RECT{0, 0, 2, 2});
    DrawToDC(testimg::Flat(2, 2, 24, 0, 0, 0), painter, RECT{0, 0, 0, 2});
    painter.end();
    EXPECT_EQ(target.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
}

// The picture a window shows shrunk is made on several threads: every output pixel is the plain
// loop's, for each depth, odd ratios, parts of the image, and parts of a few rows each.
TEST(ShrinkForDisplay, SharedOutRowsGiveThePlainLoopsPixels)
{
    const struct
    {
        int w, h, bpp;
        RECT src;
        QSize size;
    } cases[] = {
        {97, 61, 24, {0, 0, 97, 61}, {13, 7}},     // odd ratios
        {97, 61, 24, {5, 3, 90, 58}, {40, 29}},    // a part, under half
        {64, 48, 8, {0, 0, 64, 48}, {20, 15}},     // through the palette
        {64, 48, 32, {0, 0, 64, 48}, {31, 47}},    // 32 bits, runs of one and two rows
        {300, 7, 24, {0, 0, 300, 7}, {299, 1}},    // one output row
        {1000, 40, 24, {0, 0, 1000, 40}, {3, 39}}, // long runs per column
    };
    for (std::size_t grain : {std::size_t(1), std::size_t(0)})
    {
        SetParallelGrainForTesting(grain);
        for (const auto& c : cases)
        {
            SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << "x" << c.bpp << " to " << c.size.width()
                                            << "x" << c.size.height() << " grain " << grain);
            const FCObjImage image = testimg::Varied(c.w, c.h, c.bpp);
            const QImage fast = ShrinkForDisplay(image, c.src, c.size);
            const QImage plain = ShrinkForDisplayPlain(image, c.src, c.size);
            ASSERT_FALSE(plain.isNull());
            EXPECT_EQ(fast, plain);
        }
    }
    SetParallelGrainForTesting(0);
}

// While an effect holds the runner's helpers, the window's picture is made on its own thread at
// once: it never waits for the effect's bands.
TEST(ShrinkForDisplay, DoesNotWaitForHelpersThatAnEffectHolds)
{
    SetParallelGrainForTesting(1);
    std::mutex m;
    std::condition_variable cv;
    bool release = false, holding = false;
    std::thread effect(
        [&]
        {
            const FCEffectRun run(8);
            ParallelParts(8, 1,
                          [&](std::size_t, std::size_t)
                          {
                              std::unique_lock lock(m);
                              holding = true;
                              cv.notify_all();
                              cv.wait_for(lock, std::chrono::seconds(20), [&] { return release; });
                          });
        });
    {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return holding; });
    }
    const FCObjImage image = testimg::Varied(200, 150, 24);
    const QImage fast = ShrinkForDisplay(image, RECT{0, 0, 200, 150}, QSize(50, 40));
    bool stillHeld;
    {
        std::lock_guard lock(m);
        stillHeld = !release;
        release = true;
    }
    cv.notify_all();
    effect.join();
    SetParallelGrainForTesting(0);
    EXPECT_TRUE(stillHeld);
    EXPECT_EQ(fast, ShrinkForDisplayPlain(image, RECT{0, 0, 200, 150}, QSize(50, 40)));
}
