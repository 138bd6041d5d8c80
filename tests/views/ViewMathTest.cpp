#include "resources/CommandIds.h"
#include "views/ViewMath.h"

#include <gtest/gtest.h>

#include <climits>

namespace
{
bool Same(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
} // namespace

TEST(ViewMath, ZoomCommands)
{
    struct Case
    {
        int id, from, to;
    };
    const Case cases[] = {
        {kCmdZoomAuto, 256, 0},  {kCmdZoom1_16, 256, 16}, {kCmdZoom1_8, 0, 32},     {kCmdZoom1_4, 256, 64},
        {kCmdZoom1_2, 256, 128}, {kCmdZoom1, 0, 256},     {kCmdZoom2, 256, 512},    {kCmdZoom4, 256, 1024},
        {kCmdZoom8, 256, 2048},  {kCmdZoom16, 256, 4096}, {kCmdZoomOut, 256, 128},  {kCmdZoomOut, 32, 16},
        {kCmdZoomOut, 16, -1},   {kCmdZoomOut, 0, -1},    {kCmdZoomIn, 2048, 4096}, {kCmdZoomIn, 4096, -1},
        {kCmdZoomIn, 0, -1},     {kCmdEditCopy, 256, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ZoomAfterCommand(c.id, c.from), c.to) << c.id << " from " << c.from;
    int zoom = 256;
    for (int i = 0; i < 3; ++i)
        zoom = ZoomAfterCommand(kCmdZoomOut, zoom);
    EXPECT_EQ(zoom, 32);
}

TEST(ViewMath, FittedRectangle)
{
    EXPECT_TRUE(Same(FitRect(1000, 10, 100, 100), RECT{0, 0, 100, 1}));
    EXPECT_TRUE(Same(FitRect(50, 40, 100, 100), RECT{0, 0, 50, 40})) << "never enlarged";
    EXPECT_TRUE(Same(FitRect(400, 300, 200, 200), RECT{0, 0, 200, 150}));
    EXPECT_TRUE(Same(FitRect(1, 1000, 100, 100), RECT{0, 0, 1, 100})) << "each side at least 1";
    EXPECT_TRUE(Same(FitRect(50, 40, 0, 0), RECT{}));
    EXPECT_TRUE(Same(FitRect(0, 0, 100, 100), RECT{}));
}

TEST(ViewMath, Conversions)
{
    // Zoom 512, scroll (20, 0): client (11, 7) is canvas (31, 7), image (15, 3).
    const POINT p = CanvasToImage(31, 7, 512, RECT{}, 300);
    EXPECT_EQ(p.x, 15);
    EXPECT_EQ(p.y, 3);
    const POINT c = ImageToCanvas(15, 3, 512, RECT{}, 300, 200);
    EXPECT_EQ(c.x, 30);
    EXPECT_EQ(c.y, 6);
    // Fit mode uses the width ratio on both axes.
    const RECT fit = FitRect(1000, 10, 100, 100);
    const POINT f = CanvasToImage(50, 1, kZoomFit, fit, 1000);
    EXPECT_EQ(f.x, 500);
    EXPECT_EQ(f.y, 10);
    EXPECT_EQ(ImageToCanvas(500, 10, kZoomFit, fit, 1000, 10).x, 50);
    const POINT none = CanvasToImage(5, 5, kZoomFit, RECT{}, 1000);
    EXPECT_EQ(none.x, -1);
    EXPECT_EQ(none.y, -1);
    EXPECT_EQ(ImageToCanvas(5, 5, kZoomFit, fit, 0, 0).x, 0);
    // Truncation toward zero, and huge canvases do not wrap.
    EXPECT_EQ(CanvasToImage(-3, 0, 512, RECT{}, 10).x, -1);
    EXPECT_EQ(ZoomedLength(600000, 4096), 9600000);
    EXPECT_EQ(ZoomedLength(300000000, 4096), INT_MAX);
    EXPECT_EQ(ImageToCanvas(600000, 0, 4096, RECT{}, 600000, 1).x, 9600000);
}

TEST(ViewMath, ConversionsOnAScreenOfTwiceTheDensity)
{
    // 512 device pixels per 256 window pixels: at 1:1 an image pixel is half a window pixel.
    const int unit = 512;
    struct Case
    {
        int zoom;
        std::int64_t canvas; // a window point
        LONG image;          // the image pixel under it
    };
    const Case cases[] = {
        {256, 0, 0}, {256, 1, 2}, {256, 7, 14}, {512, 7, 7}, {128, 7, 28}, {4096, 16, 2}, {256, -1, -2},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(CanvasToImage(c.canvas, c.canvas, c.zoom, RECT{}, 100, unit).x, c.image) << c.zoom;
        if (c.canvas >= 0)
        {
            EXPECT_EQ(ImageToCanvas(c.image, 0, c.zoom, RECT{}, 100, 100, unit).x, c.canvas) << c.zoom;
        }
    }
    // Canvases round up to whole window pixels: a 5-pixel side at 1:1 needs 3 of them.
    EXPECT_EQ(CanvasLength(5, 256, unit), 3);
    EXPECT_EQ(CanvasLength(5, 512, unit), 5);
    EXPECT_EQ(CanvasLength(5, 256, 256), 5) << "an ordinary screen is left as it was";
    EXPECT_EQ(CanvasLength(300000000, 4096, unit), (std::int64_t(INT_MAX) + 1) / 2) << "clamped, not wrapped";
    EXPECT_EQ(DeviceToLogical(7, 384), 5) << "a density of one and a half";

    // Fit mode: the fitted rectangle is in device pixels (1000 x 10 in 100 x 100 device pixels).
    const RECT fit = FitRect(1000, 10, 100, 100);
    EXPECT_EQ(CanvasToImage(25, 0, kZoomFit, fit, 1000, unit).x, 500) << "window 25 is device 50";
    EXPECT_EQ(ImageToCanvas(500, 0, kZoomFit, fit, 1000, 10, unit).x, 25);
    // Far points do not wrap.
    EXPECT_EQ(CanvasToImage(std::int64_t(1) << 40, 0, kZoomFit, FitRect(INT_MAX, 1, 3, 3), INT_MAX, unit).x,
              INT_MAX);
}

TEST(ViewMath, SelectionClippedToTheImage)
{
    EXPECT_TRUE(Same(ClipSelection(RECT{50, 40, 10, 20}, 640, 480), RECT{10, 20, 50, 40}));
    EXPECT_TRUE(Same(ClipSelection(RECT{90, 70, 150, 120}, 100, 80), RECT{90, 70, 99, 79}));
    EXPECT_TRUE(Same(ClipSelection(RECT{-5, -5, 3, 2}, 100, 80), RECT{0, 0, 3, 2}));
    // Wholly in the grey margin: nothing selected, never the last column or row.
    EXPECT_TRUE(Same(ClipSelection(RECT{120, 10, 150, 30}, 100, 80), RECT{-1, -1, -1, -1}));
    EXPECT_TRUE(Same(ClipSelection(RECT{10, 90, 30, 95}, 100, 80), RECT{-1, -1, -1, -1}));
    EXPECT_TRUE(Same(ClipSelection(RECT{0, 0, 5, 5}, 0, 0), RECT{-1, -1, -1, -1}));
}

TEST(ViewMath, Titles)
{
    struct Case
    {
        int zoom, views, number;
        bool modified, readOnly;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {64, 1, 1, false, false, L"photo.jpg [640x480] (1:4)"},
        {16, 1, 1, false, false, L"photo.jpg [640x480] (1:16)"},
        {4096, 1, 1, false, false, L"photo.jpg [640x480] (16:1)"},
        {512, 1, 1, false, false, L"photo.jpg [640x480] (2:1)"},
        {0, 1, 1, false, false, L"photo.jpg [640x480] ([])"},
        {256, 3, 2, true, true, L"photo.jpg [640x480] (1:1):2* (Lecture)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatViewTitle(L"photo.jpg", 640, 480, c.zoom, c.views, c.number, c.modified, c.readOnly),
                  c.expected);
}
