#include "imagelib/qt/FCObjImageQt.h"

#include "imagelib/FCDibBlock.h"
#include "platform/qt/Clipboard.h"

#include <QPainter>

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

QImage ShrinkForDisplay(const FCObjImage& image, const RECT& src, QSize size)
{
    const QImage wrap = WrapBottomUp(image);
    if (wrap.isNull() || size.isEmpty()) return {};
    const QRect part(src.left, image.Height() - src.bottom, src.right - src.left, src.bottom - src.top);
    QImage region = wrap.copy(part).mirrored(false, true);
    if (region.format() == QImage::Format_Indexed8) region = region.convertToFormat(QImage::Format_RGB32);
    return region.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
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
    const std::vector<BYTE> block = BuildDibBlock(image);
    if (block.empty()) return;
    SetClipboardBitmap(QByteArray(reinterpret_cast<const char*>(block.data()), qsizetype(block.size())),
                       ToTopDownImage(image));
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
