#include "views/ViewMath.h"

#include "resources/CommandIds.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cwchar>

int ZoomAfterCommand(int id, int zoom)
{
    switch (id)
    {
    case kCmdZoomAuto:
        return kZoomFit;
    case kCmdZoom1_16:
        return 16;
    case kCmdZoom1_8:
        return 32;
    case kCmdZoom1_4:
        return 64;
    case kCmdZoom1_2:
        return 128;
    case kCmdZoom1:
        return 256;
    case kCmdZoom2:
        return 512;
    case kCmdZoom4:
        return 1024;
    case kCmdZoom8:
        return 2048;
    case kCmdZoom16:
        return 4096;
    case kCmdZoomOut:
        return zoom >= 17 ? zoom / 2 : -1;
    case kCmdZoomIn:
        return zoom > 0 && zoom < kZoomMax ? zoom * 2 : -1;
    default:
        return -1;
    }
}

std::int64_t ZoomedLength(std::int64_t length, int zoom)
{
    return std::min<std::int64_t>(length * zoom / 256, INT_MAX);
}

std::int64_t DeviceToLogical(std::int64_t deviceLength, int unit)
{
    if (unit <= 0 || unit == kUnitPlain) return deviceLength;
    return (deviceLength * kUnitPlain + unit - 1) / unit;
}

std::int64_t CanvasLength(std::int64_t length, int zoom, int unit)
{
    return std::min<std::int64_t>(DeviceToLogical(ZoomedLength(length, zoom), unit), INT_MAX);
}

RECT FitRect(int w, int h, int cw, int ch)
{
    if (w <= 0 || h <= 0 || cw < 1 || ch < 1) return RECT{};
    int fw = w, fh = h;
    if (w > cw || h > ch)
    {
        const double r = std::min(double(cw) / w, double(ch) / h);
        fw = std::max(int(double(w) * r), 1);
        fh = std::max(int(double(h) * r), 1);
    }
    return RECT{0, 0, fw, fh};
}

namespace
{
LONG Clamp32(std::int64_t v)
{
    return LONG(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}

std::int64_t Wide(__int128 v)
{
    return std::int64_t(std::clamp<__int128>(v, INT64_MIN, INT64_MAX));
}
} // namespace

POINT CanvasToImage(std::int64_t X, std::int64_t Y, int zoom, const RECT& fit, int imageWidth, int unit)
{
    if (unit <= 0) unit = kUnitPlain;
    // Window pixels to device pixels (X x unit / 256), then undo the zoom, in one division.
    if (zoom != kZoomFit) return POINT{Clamp32(X * unit / zoom), Clamp32(Y * unit / zoom)};
    const std::int64_t fw = fit.right - fit.left, fh = fit.bottom - fit.top;
    if (fw == 0 || fh == 0) return POINT{-1, -1};
    // 128 bits: the product of a far canvas point, the density and the width may not fit in 64.
    const __int128 num = __int128(unit) * imageWidth, den = __int128(fw) * kUnitPlain;
    return POINT{Clamp32(Wide(X * num / den)), Clamp32(Wide(Y * num / den))};
}

POINT ImageToCanvas(std::int64_t x, std::int64_t y, int zoom, const RECT& fit, int imageWidth,
                    int imageHeight, int unit)
{
    if (unit <= 0) unit = kUnitPlain;
    if (zoom != kZoomFit) return POINT{Clamp32(x * zoom / unit), Clamp32(y * zoom / unit)};
    if (imageWidth == 0 || imageHeight == 0) return POINT{0, 0};
    const std::int64_t fw = fit.right - fit.left;
    const __int128 num = __int128(fw) * kUnitPlain, den = __int128(imageWidth) * unit;
    return POINT{Clamp32(Wide(x * num / den)), Clamp32(Wide(y * num / den))};
}

RECT NormalizeRect(const RECT& r)
{
    return RECT{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
                std::max(r.top, r.bottom)};
}

RECT ClipSelection(const RECT& corners, int w, int h)
{
    const RECT none{-1, -1, -1, -1};
    if (w < 1 || h < 1) return none;
    const RECT n = NormalizeRect(corners);
    const RECT c{std::max<LONG>(n.left, 0), std::max<LONG>(n.top, 0), std::min<LONG>(n.right, w - 1),
                 std::min<LONG>(n.bottom, h - 1)};
    if (c.left > c.right || c.top > c.bottom) return none;
    return c;
}

std::wstring FormatViewTitle(const std::wstring& title, int w, int h, int zoom, int viewCount, int viewNumber,
                             bool modified, bool readOnly)
{
    wchar_t buffer[128];
    if (zoom != kZoomFit)
    {
        const int a = zoom < 256 ? 1 : zoom / 256;
        const int b = zoom < 256 ? 256 / zoom : 1;
        std::swprintf(buffer, 128, L" [%dx%d] (%d:%d)", w, h, a, b);
    }
    else
        std::swprintf(buffer, 128, L" [%dx%d] ([])", w, h);
    std::wstring text = title + buffer;
    if (viewCount > 1) text += L":" + std::to_wstring(viewNumber);
    if (modified) text += L"*";
    if (readOnly) text += L" (Lecture)";
    return text;
}
