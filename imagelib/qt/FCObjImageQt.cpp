#include "imagelib/qt/FCObjImageQt.h"

#include "imagelib/FCDibBlock.h"
#include "imagelib/FCParallel.h"
#include "platform/qt/Clipboard.h"

#include <QPainter>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

QImage WrapBottomUp(const FCObjImage& image)
{
    if (!image.HasBits()) return {};
    QImage::Format format = QImage::Format_BGR888;
    if (image.ColorBits() == 32)
        format = QImage::Format_ARGB32_Premultiplied;
    else if (image.ColorBits() == 8)
        format = QImage::Format_Indexed8;
    QImage wrap(image.GetBits(), image.Width(), image.Height(), image.RowPitch(), format);
    if (image.ColorBits() == 8)
    {
        QList<QRgb> table(256);
        const RGBQUAD* pal = image.PaletteEntries();
        for (int i = 0; i < 256; ++i)
            table[i] = pal ? qRgb(pal[i].rgbRed, pal[i].rgbGreen, pal[i].rgbBlue) : qRgb(i, i, i);
        wrap.setColorTable(table);
    }
    return wrap;
}

QImage ToTopDownImage(const FCObjImage& image)
{
    QImage wrap = WrapBottomUp(image);
    if (wrap.isNull()) return {};
    if (image.ColorBits() == 32)
    {
        // The document's 32-bit pixels hold straight alpha: say so, then copy top-down.
        QImage straight(image.GetBits(), image.Width(), image.Height(), image.RowPitch(),
                        QImage::Format_ARGB32);
        return straight.mirrored(false, true);
    }
    return wrap.mirrored(false, true).convertToFormat(QImage::Format_RGB888);
}

QImage ShrinkForDisplayPlain(const FCObjImage& image, const RECT& src, QSize size)
{
    if (!image.HasBits() || size.isEmpty()) return {};
    const std::int64_t sw = src.right - src.left, sh = src.bottom - src.top;
    const int dw = size.width(), dh = size.height();
    if (sw <= 0 || sh <= 0 || src.left < 0 || src.top < 0 || src.right > image.Width() ||
        src.bottom > image.Height())
        return {};
    QImage out(dw, dh, QImage::Format_RGB32);
    if (out.isNull()) return {};

    // Every output pixel is the plain average of the source pixels it covers (at least one).
    std::vector<int> cols(std::size_t(dw) + 1);
    for (int i = 0; i <= dw; ++i)
        cols[std::size_t(i)] = int(src.left + std::int64_t(i) * sw / dw);
    std::vector<int> colEnd(static_cast<std::size_t>(dw));
    for (int i = 0; i < dw; ++i)
        colEnd[std::size_t(i)] =
            std::min<int>(std::max(cols[std::size_t(i) + 1], cols[std::size_t(i)] + 1), src.right);
    const int step = image.ColorBits() / 8;
    const RGBQUAD* pal = image.PaletteEntries();
    std::vector<std::uint64_t> sums(std::size_t(dw) * 3);
    for (int dy = 0; dy < dh; ++dy)
    {
        const int y0 = int(src.top + std::int64_t(dy) * sh / dh);
        const int y1 =
            std::min<int>(std::max<int>(int(src.top + std::int64_t(dy + 1) * sh / dh), y0 + 1), src.bottom);
        std::fill(sums.begin(), sums.end(), 0);
        for (int y = y0; y < y1; ++y)
        {
            const BYTE* row = image.RowAddress(y);
            std::uint64_t* sum = sums.data();
            for (int dx = 0; dx < dw; ++dx, sum += 3)
            {
                std::uint64_t b = 0, g = 0, r = 0;
                const int x1 = colEnd[std::size_t(dx)];
                for (int x = cols[std::size_t(dx)]; x < x1; ++x)
                {
                    const BYTE* p = row + std::size_t(x) * std::size_t(step);
                    if (step == 1)
                    {
                        const RGBQUAD c = pal ? pal[p[0]] : RGBQUAD{p[0], p[0], p[0], 0};
                        b += c.rgbBlue;
                        g += c.rgbGreen;
                        r += c.rgbRed;
                    }
                    else
                    {
                        b += p[0];
                        g += p[1];
                        r += p[2];
                    }
                }
                sum[0] += b;
                sum[1] += g;
                sum[2] += r;
            }
        }
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(dy));
        for (int dx = 0; dx < dw; ++dx)
        {
            const std::uint64_t n =
                std::uint64_t(colEnd[std::size_t(dx)] - cols[std::size_t(dx)]) * std::uint64_t(y1 - y0);
            const std::uint64_t* sum = &sums[std::size_t(dx) * 3];
            line[dx] = qRgb(int(sum[2] / n), int(sum[1] / n), int(sum[0] / n));
        }
    }
    return out;
}

namespace
{
// Output rows [dyBegin, dyEnd) of the shrink, the depth fixed: the same sums and divisions as the
// plain loop.
template <int Step>
void ShrinkRows(const FCObjImage& image, const RECT& src, int dh, const std::vector<int>& cols,
                const std::vector<int>& colEnd, QImage& out, int dyBegin, int dyEnd)
{
    const std::int64_t sh = src.bottom - src.top;
    const int dw = out.width();
    const RGBQUAD* pal = image.PaletteEntries();
    std::vector<std::uint64_t> sums(std::size_t(dw) * 3);
    for (int dy = dyBegin; dy < dyEnd; ++dy)
    {
        const int y0 = int(src.top + std::int64_t(dy) * sh / dh);
        const int y1 =
            std::min<int>(std::max<int>(int(src.top + std::int64_t(dy + 1) * sh / dh), y0 + 1), src.bottom);
        std::fill(sums.begin(), sums.end(), 0);
        for (int y = y0; y < y1; ++y)
        {
            const BYTE* row = image.RowAddress(y);
            std::uint64_t* sum = sums.data();
            for (int dx = 0; dx < dw; ++dx, sum += 3)
            {
                std::uint32_t b = 0, g = 0, r = 0; // a few thousand pixels of one row at most
                const BYTE* p = row + std::size_t(cols[std::size_t(dx)]) * Step;
                const BYTE* end = row + std::size_t(colEnd[std::size_t(dx)]) * Step;
                for (; p < end; p += Step)
                {
                    if constexpr (Step == 1)
                    {
                        const RGBQUAD c = pal ? pal[p[0]] : RGBQUAD{p[0], p[0], p[0], 0};
                        b += c.rgbBlue;
                        g += c.rgbGreen;
                        r += c.rgbRed;
                    }
                    else
                    {
                        b += p[0];
                        g += p[1];
                        r += p[2];
                    }
                }
                sum[0] += b;
                sum[1] += g;
                sum[2] += r;
            }
        }
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(dy));
        for (int dx = 0; dx < dw; ++dx)
        {
            const std::uint64_t n =
                std::uint64_t(colEnd[std::size_t(dx)] - cols[std::size_t(dx)]) * std::uint64_t(y1 - y0);
            const std::uint64_t* sum = &sums[std::size_t(dx) * 3];
            line[dx] = qRgb(int(sum[2] / n), int(sum[1] / n), int(sum[0] / n));
        }
    }
}
} // namespace

QImage ShrinkForDisplay(const FCObjImage& image, const RECT& src, QSize size)
{
    if (!image.HasBits() || size.isEmpty()) return {};
    const std::int64_t sw = src.right - src.left, sh = src.bottom - src.top;
    const int dw = size.width(), dh = size.height();
    if (sw <= 0 || sh <= 0 || src.left < 0 || src.top < 0 || src.right > image.Width() ||
        src.bottom > image.Height())
        return {};
    // A row's run of one output column sums in 32 bits: it must stay under 2^32 / 255.
    if (sw / dw + 1 > (std::int64_t(1) << 24)) return ShrinkForDisplayPlain(image, src, size);
    QImage out(dw, dh, QImage::Format_RGB32);
    if (out.isNull()) return {};
    std::vector<int> cols(std::size_t(dw) + 1);
    for (int i = 0; i <= dw; ++i)
        cols[std::size_t(i)] = int(src.left + std::int64_t(i) * sw / dw);
    std::vector<int> colEnd(static_cast<std::size_t>(dw));
    for (int i = 0; i < dw; ++i)
        colEnd[std::size_t(i)] =
            std::min<int>(std::max(cols[std::size_t(i) + 1], cols[std::size_t(i)] + 1), src.right);
    // The window waits for this picture: its rows are shared out over the runner's threads when
    // they are free, and made on this thread alone when an effect has them (the window never
    // waits for an effect's band).
    const FCEffectRun run(kMaxRunThreads);
    const int step = image.ColorBits() / 8;
    const std::size_t perRow = std::size_t(sw) * std::size_t(sh / dh + 1);
    ParallelParts(
        std::size_t(dh), ParallelGrain() / std::max<std::size_t>(perRow, 1) + 1,
        [&](std::size_t begin, std::size_t end)
        {
            if (step == 1)
                ShrinkRows<1>(image, src, dh, cols, colEnd, out, int(begin), int(end));
            else if (step == 3)
                ShrinkRows<3>(image, src, dh, cols, colEnd, out, int(begin), int(end));
            else
                ShrinkRows<4>(image, src, dh, cols, colEnd, out, int(begin), int(end));
        },
        runner_detail::kIfHelpersFree);
    return out;
}

void DrawToDC(const FCObjImage& image, QPainter& painter, const RECT& dest, const RECT* src)
{
    if (!image.HasBits()) return;
    const RECT whole{0, 0, image.Width(), image.Height()};
    const RECT& s = src ? *src : whole;
    const int sw = s.right - s.left, sh = s.bottom - s.top;
    const int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;

    painter.save();
    const bool shrinking = dw < sw || dh < sh;
    if (shrinking && image.ColorBits() != 32)
    {
        // Averaged like a halftone stretch rather than sampled.
        const QImage small = ShrinkForDisplay(image, s, QSize(dw, dh));
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QPoint(dest.left, dest.top), small);
    }
    else if (dw == sw && dh == sh && image.ColorBits() == 24)
    {
        // One to one: the part the painter may draw on is made top-down and drawn as it is (a
        // flipped drawing of the whole picture goes through the painter's slower transformed
        // road).
        QRect visible(dest.left, dest.top, dw, dh);
        if (painter.hasClipping()) visible &= painter.clipBoundingRect().toAlignedRect();
        if (const QPaintDevice* device = painter.device())
        {
            // The combined transform reaches the device's own pixels, while a widget gives its
            // size in window units: its density times that size covers it. (An image gives its
            // size in pixels already; the rectangle is then only larger than needed.)
            bool invertible = false;
            const QTransform back = painter.combinedTransform().inverted(&invertible);
            const qreal density = device->devicePixelRatioF();
            if (invertible)
                visible &= back.mapRect(QRectF(0, 0, device->width() * density, device->height() * density))
                               .toAlignedRect();
        }
        if (!visible.isEmpty())
        {
            QImage part(visible.size(), QImage::Format_RGB32);
            if (!part.isNull())
            {
                const int x0 = s.left + visible.left() - dest.left, y0 = s.top + visible.top() - dest.top;
                const int w = visible.width();
                const FCEffectRun run(kMaxRunThreads);
                ParallelParts(
                    std::size_t(visible.height()), ParallelGrain() / std::size_t(w) + 1,
                    [&](std::size_t begin, std::size_t end)
                    {
                        for (std::size_t j = begin; j < end; ++j)
                        {
                            const BYTE* p = image.RowAddress(y0 + int(j)) + std::size_t(x0) * 3;
                            auto* line = reinterpret_cast<QRgb*>(part.scanLine(int(j)));
                            for (int i = 0; i < w; ++i, p += 3)
                                line[i] = 0xFF000000u | QRgb(p[2]) << 16 | QRgb(p[1]) << 8 | p[0];
                        }
                    },
                    runner_detail::kIfHelpersFree);
                painter.setCompositionMode(QPainter::CompositionMode_Source);
                painter.drawImage(visible.topLeft(), part);
            }
        }
    }
    else
    {
        const QImage wrap = WrapBottomUp(image);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.setCompositionMode(image.ColorBits() == 32 ? QPainter::CompositionMode_SourceOver
                                                           : QPainter::CompositionMode_Source);
        // The rows are bottom-up in memory: draw through a vertical flip of the destination.
        painter.translate(0, dest.top + dest.bottom);
        painter.scale(1, -1);
        const QRectF target(dest.left, dest.top, dw, dh);
        const QRectF source(s.left, image.Height() - s.bottom, sw, sh);
        painter.drawImage(target, wrap, source);
    }
    painter.restore();
    painter.setBrushOrigin(0, 0);
}

void CopyToClipboard(const FCObjImage& image)
{
    if (!image.HasBits()) return;
    // 24 and 32 bits: the block is written once, straight into what the clipboard serves.
    if (const std::size_t size = DibBlockSize(image))
    {
        QByteArray file = BitmapFileFor(size);
        if (!file.isEmpty() &&
            WriteDibBlock(image, reinterpret_cast<BYTE*>(file.data()) + sizeof(BITMAPFILEHEADER)))
            SetClipboardBitmapFile(file);
        return;
    }
    const std::vector<BYTE> block = BuildDibBlock(image);
    if (block.empty()) return;
    SetClipboardBitmap(
        QByteArray::fromRawData(reinterpret_cast<const char*>(block.data()), qsizetype(block.size())));
}

bool PasteFromClipboard(FCObjImage& image)
{
    image.Destroy();
    const QByteArray block = GetClipboardBitmapBlock();
    if (!block.isEmpty())
    {
        switch (ReadDib32Block(reinterpret_cast<const BYTE*>(block.constData()), std::size_t(block.size()),
                               image))
        {
        case DibBlockRead::Taken:
            return true;
        case DibBlockRead::Refused:
            return false;
        case DibBlockRead::Generic:
            break;
        }
    }

    // Any other picture: drawn into a 24-bit bitmap, alpha dropped.
    QImage picture = GetClipboardImage();
    if (picture.isNull()) return false;
    picture = picture.convertToFormat(QImage::Format_BGR888);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = picture.width();
    info.bmiHeader.biHeight = picture.height();
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    BYTE* bits = nullptr;
    HBITMAP section = CreateDIBSection(&info, &bits);
    if (!section) return false;
    const std::size_t pitch = std::size_t(DibRowPitch(picture.width(), 24));
    for (int y = 0; y < picture.height(); ++y)
        std::memcpy(bits + pitch * std::size_t(picture.height() - 1 - y), picture.constScanLine(y),
                    std::size_t(picture.width()) * 3);
    const bool ok = image.FromBitmapHandle(section);
    DeleteObject(section);
    return ok;
}
