#include "views/CBitmapView.h"

#include "document/CImageDoc.h"
#include "imagelib/qt/FCObjImageQt.h"
#include "platform/TextConv.h"
#include "resources/CommandIds.h"
#include "views/COverlayWin.h"
#include "views/OverlayImages.h"
#include "views/ViewMath.h"

#include <QPainter>

CBitmapView::CBitmapView(QWidget* parent) : CBitmapViewBase(parent) {}

CBitmapView::~CBitmapView()
{
    // The preview thread's requests use this object: stop them first. Then the paste window
    // goes before the view leaves its document.
    RepaintHandle()->Detach();
    CloseOverlay();
}

void CBitmapView::CloseOverlay()
{
    if (m_pOverlay)
    {
        m_pOverlay->hide();
        m_pOverlay.reset();
    }
}

void CBitmapView::OnImageRowsChanged()
{
    m_cacheStale = true;
}

QString CBitmapView::Title() const
{
    if (!m_pDoc) return {};
    const FCObjImage& image = m_pDoc->GetImage();
    const std::wstring text = FormatViewTitle(m_pDoc->GetTitle(), image.Width(), image.Height(), Zoom(),
                                              int(m_pDoc->GetViews().size()), m_pDoc->GetViewNumber(this),
                                              m_pDoc->IsModified(), m_pDoc->IsReadOnly());
    return QString::fromStdWString(text);
}

void CBitmapView::OnUpdate()
{
    if (!IsZoomChanging()) m_cacheStale = true;
    viewport()->update();
    UpdateScrollSize();
    if (m_pDoc && parentWidget()) parentWidget()->setWindowTitle(Title());
}

bool CBitmapView::OnCommand(int id)
{
    switch (id)
    {
    case kCmdEditCopy:
        OnEditCopy();
        return true;
    case kCmdEditCut:
        OnEditCopy();
        OnEditClear();
        return true;
    case kCmdEditClear:
        OnEditClear();
        return true;
    case kCmdEditPaste:
        OnEditPaste();
        return true;
    default:
        return CBitmapViewBase::OnCommand(id);
    }
}

void CBitmapView::OnEditCopy()
{
    if (!m_pDoc) return;
    const FCObjImage& image = m_pDoc->GetImage();
    if (!image.HasBits()) return;
    RECT region{0, 0, image.Width() - 1, image.Height() - 1};
    if (IsSelectionShown()) region = GetSelection();
    if (region.left < 0) return;
    auto lock = m_pDoc->LockImage();
    // The whole picture goes out as it is, without a copy of it first.
    if (region.left == 0 && region.top == 0 && region.right == image.Width() - 1 &&
        region.bottom == image.Height() - 1)
    {
        CopyToClipboard(image);
        return;
    }
    FCObjImage part;
    if (!image.CopyRegionTo(part, RECT{region.left, region.top, region.right + 1, region.bottom + 1})) return;
    CopyToClipboard(part);
}

void CBitmapView::OnEditClear()
{
    if (!m_pDoc) return;
    const RECT s = GetSelection();
    if (s.left < 0)
        m_pDoc->ClearRect(-1, -1, -1, -1);
    else
        m_pDoc->ClearRect(s.left, s.top, s.right + 1, s.bottom + 1);
}

void CBitmapView::OnEditPaste()
{
    CloseOverlay();
    if (!m_pDoc || !m_pDoc->GetImage().HasBits()) return;
    auto image = std::make_unique<FCObjImage>();
    if (!PasteFromClipboard(*image)) return;
    POINT at{0, 0};
    if (IsSelectionShown())
    {
        const RECT corners = SelectionCorners();
        at = ImageToClient(corners.left, corners.top);
    }
    const QPoint scroll = ScrollPosition();
    m_pOverlay = std::make_unique<COverlayWin>(std::move(image), this);
    m_pOverlay->Create(at.x - scroll.x(), at.y - scroll.y());
    m_pOverlay->update();
}

void CBitmapView::PasteImageAt(FCObjImage& image, int x, int y, int mode)
{
    if (!m_pDoc) return;
    const POINT p = ClientToImage(x, y);
    m_pDoc->PasteSpecial(image, p.x, p.y, mode);
}

void CBitmapView::OnZoomChanged()
{
    if (m_pOverlay && m_pOverlay->IsOpen()) m_pOverlay->UpdatePosition();
}

void CBitmapView::OnSizeChanged()
{
    if (Zoom() == kZoomFit && m_pOverlay && m_pOverlay->IsOpen()) m_pOverlay->UpdatePosition();
}

void CBitmapView::DoPaint(QPainter& painter, const QRect& rc)
{
    const QColor lightGrey(192, 192, 192);
    if (!m_pDoc)
    {
        painter.fillRect(rc, lightGrey);
        return;
    }
    auto lock = m_pDoc->LockImage();
    const FCObjImage& image = m_pDoc->GetImage();
    const int w = image.Width(), h = image.Height();
    // The image is drawn in device pixels: at 1:1 each of its pixels is one pixel of the screen.
    const int unit = DeviceUnit();
    RECT dest{0, 0, w, h};
    if (Zoom() != kZoomFit)
        dest = RECT{0, 0, LONG(ZoomedLength(w, Zoom())), LONG(ZoomedLength(h, Zoom()))};
    else
    {
        const QSize client = DeviceSize(rc.size());
        dest = FitRect(w, h, client.width(), client.height());
    }

    if (m_cacheStale.exchange(false))
    {
        m_premultiplied.Destroy();
        m_shrunk = QImage();
    }
    if (image.HasBits() && dest.right > 0 && dest.bottom > 0)
    {
        painter.save();
        painter.scale(double(kUnitPlain) / unit, double(kUnitPlain) / unit);
        const QRect destRect(0, 0, dest.right, dest.bottom);
        if (image.ColorBits() == 32)
        {
            painter.fillRect(destRect, Qt::white);
            if (!m_premultiplied.HasBits()) m_premultiplied = PremultipliedCopy(image);
            DrawToDC(m_premultiplied, painter, dest);
        }
        else if (dest.right < w || dest.bottom < h)
        {
            const QSize size(dest.right, dest.bottom);
            if (m_shrunk.isNull() || m_shrunkSize != size)
            {
                m_shrunk = ShrinkForDisplay(image, RECT{0, 0, w, h}, size);
                m_shrunkSize = size;
            }
            painter.drawImage(QPoint(0, 0), m_shrunk);
        }
        else
            DrawToDC(image, painter, dest);
        painter.restore();
    }
    // The margins, in window pixels from the image's edge in device pixels.
    const double right = double(dest.right) * kUnitPlain / unit,
                 bottom = double(dest.bottom) * kUnitPlain / unit;
    const double rcRight = rc.right() + 1.0, rcBottom = rc.bottom() + 1.0;
    if (rcRight > right) painter.fillRect(QRectF(right, rc.top(), rcRight - right, rc.height()), lightGrey);
    if (rcBottom > bottom)
        painter.fillRect(QRectF(rc.left(), bottom, rc.width(), rcBottom - bottom), lightGrey);
}
