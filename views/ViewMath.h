// The arithmetic of the zooming, scrolling views, kept apart from the windows: zoom steps, the
// fitted size, the conversions between window and image coordinates, the selection rectangle and
// the window titles.
#pragma once

#include "platform/WinTypes.h"

#include <cstdint>
#include <string>

// Zoom factors are in 1/256 units: 256 is 1:1, 16 is 1:16, 4096 is 16:1; 0 fits the image to
// the window (shrinking only).
constexpr int kZoomFit = 0;
constexpr int kZoom1to1 = 256;
constexpr int kZoomMin = 16;
constexpr int kZoomMax = 4096;

// The zoom a zoom command gives from the current zoom, or -1 when the command does nothing
// (or is not a zoom command).
int ZoomAfterCommand(int id, int zoom);

// The size of the image at a zoom, each side truncated, in 64 bits and clamped to INT32_MAX. At
// 1:1 one image pixel is one pixel of the screen (a device pixel), whatever its density.
std::int64_t ZoomedLength(std::int64_t length, int zoom);

// A view's density as device pixels per 256 of its own (logical) pixels: 256 on an ordinary
// screen, 512 at twice the density. Lengths in device pixels become window lengths rounded up,
// so that the last device pixel of the image can be scrolled into sight.
constexpr int kUnitPlain = 256;
std::int64_t DeviceToLogical(std::int64_t deviceLength, int unit);
// The canvas length (window pixels) of an image side at a zoom on a screen of that density.
std::int64_t CanvasLength(std::int64_t length, int zoom, int unit);

// The fitted rectangle of an image of w x h in a client area of cw x ch: shrunk by one ratio
// when it does not fit (each side at least 1), never enlarged, always at the origin; empty when
// the image or the client area is empty.
RECT FitRect(int w, int h, int cw, int ch);

// Canvas point (client point plus scroll position, in window pixels) to image pixel. fit is the
// fitted rectangle of fit mode, in device pixels; (-1, -1) there when it is empty. Both axes of
// fit mode use the width ratio.
POINT CanvasToImage(std::int64_t X, std::int64_t Y, int zoom, const RECT& fit, int imageWidth,
                    int unit = kUnitPlain);

// Image pixel to canvas point (scroll position not subtracted); (0, 0) in fit mode when the
// image is empty.
POINT ImageToCanvas(std::int64_t x, std::int64_t y, int zoom, const RECT& fit, int imageWidth,
                    int imageHeight, int unit = kUnitPlain);

// The rectangle with left <= right and top <= bottom.
RECT NormalizeRect(const RECT& r);

// The normalised selection intersected with the image [0, w - 1] x [0, h - 1]; all four -1 when
// nothing of it lies on the image.
RECT ClipSelection(const RECT& corners, int w, int h);

// "title [wxh] (a:b)" or "title [wxh] ([])" in fit mode, then ":n" when the document has several
// views, "*" when modified and " (Lecture)" when read-only.
std::wstring FormatViewTitle(const std::wstring& title, int w, int h, int zoom, int viewCount, int viewNumber,
                             bool modified, bool readOnly);
