#include "shell/PrintGeometry.h"

#include <algorithm>
#include <cstdint>

PrintTargetResult PrintTarget(const DeviceMetrics& d, const RECT& margins, int w, int h, int scaleSetting)
{
    PrintTargetResult r;
    if (w < 1 || h < 1) return r;

    if (scaleSetting == 0)
    {
        const std::int64_t ox = d.offsetX, oy = d.offsetY;
        if (ox + w <= d.physicalWidth - 2 * ox && oy + h <= d.physicalHeight - 2 * oy)
        {
            r.draw = true;
            r.pixelForPixel = true;
            r.rect = RECT{LONG(ox), LONG(oy), LONG(ox + w), LONG(oy + h)};
            return r;
        }
    }

    // Products of integers are exact in 64 bits; the quotients are doubles, truncated to pixels.
    const std::int64_t pw = std::int64_t(d.physicalWidth) - 2 * std::int64_t(d.offsetX);
    const std::int64_t ph = std::int64_t(d.physicalHeight) - 2 * std::int64_t(d.offsetY);
    if (d.horzSizeMm == 0 || d.vertSizeMm == 0) return r;
    const double s = double(pw) / double(w);
    const double fx = 0.01 / d.horzSizeMm, fy = 0.01 / d.vertSizeMm;
    const std::int64_t ml = std::int64_t(double(std::int64_t(margins.left) * pw) * fx);
    const std::int64_t mt = std::int64_t(double(std::int64_t(margins.top) * ph) * fy);
    const std::int64_t availW = std::int64_t(double(pw) - double(std::int64_t(margins.right) * pw) * fx) - ml;
    const std::int64_t availH =
        std::int64_t(double(ph) - double(std::int64_t(margins.bottom) * ph) * fy) - mt;
    std::int64_t iw = std::int64_t(w * s), ih = std::int64_t(h * s);
    if (iw == 0 || ih == 0 || availW < 1 || availH < 1) return r;
    if (iw > availW || ih > availH)
    {
        const double k = std::min(double(availW) / double(iw), double(availH) / double(ih));
        iw = std::max<std::int64_t>(std::int64_t(double(iw) * k), 1);
        ih = std::max<std::int64_t>(std::int64_t(double(ih) * k), 1);
    }
    const std::int64_t x = ml + (availW - iw) / 2, y = mt + (availH - ih) / 2;
    r.draw = true;
    r.rect = RECT{LONG(x), LONG(y), LONG(x + iw), LONG(y + ih)};
    return r;
}

std::optional<QString> PrintPreviewTitle(const QString& currentTitle, const QString& productTitle,
                                         const std::optional<QString>& documentTitle)
{
    if (!documentTitle) return std::nullopt;
    if (currentTitle.size() > productTitle.size()) return QStringLiteral("Aperçu");
    return QStringLiteral("Aperçu : ") + *documentTitle;
}

FCObjImage FlattenOverWhite(const FCObjImage& image)
{
    if (!image.HasBits() || image.ColorBits() != 32) return image;
    FCObjImage out;
    if (!out.Create(image.Width(), image.Height(), 24)) return out;
    for (int y = 0; y < image.Height(); ++y)
    {
        const BYTE* src = image.RowAddress(y);
        BYTE* dst = out.RowAddress(y);
        for (int x = 0; x < image.Width(); ++x, src += 4, dst += 3)
        {
            const int a = src[3];
            for (int c = 0; c < 3; ++c)
                dst[c] = BYTE((src[c] * a + 255 * (255 - a) + 127) / 255);
        }
    }
    return out;
}
