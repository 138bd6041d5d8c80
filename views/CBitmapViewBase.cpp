#include "views/CBitmapViewBase.h"

#include "document/CImageDoc.h"
#include "platform/qt/WindowMessages.h"
#include "resources/CommandIds.h"
#include "views/CIntelliMouse.h"
#include "views/ChildFrameHost.h"
#include "views/ViewMath.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <climits>

namespace
{
std::atomic<bool> g_paintingSuspended{false};

// The band is drawn as a dotted rectangle that inverts what lies under it.
void DrawFocusRect(QPainter& painter, const QRect& r)
{
    if (r.width() <= 0 || r.height() <= 0) return;
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(Qt::white);
    pen.setWidth(1);
    pen.setCosmetic(true);
    pen.setDashPattern({1, 1});
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(r.adjusted(0, 0, -1, -1));
    painter.restore();
}
} // namespace

CBitmapViewBase::CBitmapViewBase(QWidget* parent) : QAbstractScrollArea(parent)
{
    m_intelliMouse = std::make_unique<CIntelliMouse>(this);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    viewport()->setCursor(Qt::CrossCursor);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()})
        connect(bar, &QScrollBar::actionTriggered, this,
                [this, bar](int action)
                {
                    // A page is a tenth of the canvas, as the scroll bars have always stepped.
                    const int content = bar == horizontalScrollBar() ? m_canvas.width() : m_canvas.height();
                    const int step = std::max(1, content / 10);
                    if (action == QAbstractSlider::SliderPageStepAdd)
                        bar->setSliderPosition(std::min(bar->maximum(), bar->value() + step));
                    else if (action == QAbstractSlider::SliderPageStepSub)
                        bar->setSliderPosition(std::max(bar->minimum(), bar->value() - step));
                });

    // The preview thread asks for repaints through the handle: queued, never blocking.
    QWidget* port = viewport();
    RepaintHandle()->Attach(
        [this, port]
        {
            OnImageRowsChanged();
            QMetaObject::invokeMethod(
                port, [port] { port->update(); }, Qt::QueuedConnection);
        });
}

CBitmapViewBase::~CBitmapViewBase()
{
    RepaintHandle()->Detach();
    DetachFromDocument();
}

void CBitmapViewBase::DetachFromDocument()
{
    if (CImageDoc* doc = m_pDoc)
    {
        m_pDoc = nullptr;
        doc->RemoveView(this); // may delete the document
    }
}

void CBitmapViewBase::SetPaintingSuspended(bool suspended)
{
    g_paintingSuspended = suspended;
}

bool CBitmapViewBase::IsPaintingSuspended()
{
    return g_paintingSuspended;
}

int CBitmapViewBase::ScrollAxisMask() const
{
    return m_intelliMouse->ScrollBars();
}

QPoint CBitmapViewBase::ScrollPosition() const
{
    return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void CBitmapViewBase::UpdateBars()
{
    const QSize client = viewport()->size();
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    h->setRange(0, std::max(0, m_canvas.width() - client.width()));
    v->setRange(0, std::max(0, m_canvas.height() - client.height()));
    h->setPageStep(std::max(1, client.width()));
    v->setPageStep(std::max(1, client.height()));
    h->setSingleStep(std::max(1, m_canvas.width() / 100));
    v->setSingleStep(std::max(1, m_canvas.height() / 100));
}

void CBitmapViewBase::SetCanvas(std::int64_t width, std::int64_t height, bool reset)
{
    const QSize canvas(int(std::min<std::int64_t>(width, INT_MAX)),
                       int(std::min<std::int64_t>(height, INT_MAX)));
    const bool changed = canvas != m_canvas;
    m_canvas = canvas;
    UpdateBars();
    if (changed || reset)
    {
        horizontalScrollBar()->setValue(0);
        verticalScrollBar()->setValue(0);
        viewport()->update();
    }
}

void CBitmapViewBase::SetZoom(int zoom)
{
    m_nZoom = zoom;
    const QSize client = viewport()->size();
    if (zoom != kZoomFit)
    {
        if (m_pDoc && m_pDoc->GetImage().HasBits())
        {
            const FCObjImage& image = m_pDoc->GetImage();
            SetCanvas(ZoomedLength(image.Width(), zoom), ZoomedLength(image.Height(), zoom), true);
        }
    }
    else
    {
        SetCanvas(client.width(), client.height(), true);
        const FCObjImage* image = m_pDoc ? &m_pDoc->GetImage() : nullptr;
        m_rcFit =
            FitRect(image ? image->Width() : 0, image ? image->Height() : 0, client.width(), client.height());
    }
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    m_zoomChanging = true;
    OnUpdate();
    m_zoomChanging = false;
    OnZoomChanged();
}

void CBitmapViewBase::UpdateScrollSize()
{
    if (m_nZoom != kZoomFit)
    {
        if (m_pDoc && m_pDoc->GetImage().HasBits())
        {
            const FCObjImage& image = m_pDoc->GetImage();
            SetCanvas(ZoomedLength(image.Width(), m_nZoom), ZoomedLength(image.Height(), m_nZoom), false);
        }
        return;
    }
    const QSize client = viewport()->size();
    SetCanvas(client.width(), client.height(), false);
    // Keeps clicks in step with the painting when the image changed size.
    const FCObjImage* image = m_pDoc ? &m_pDoc->GetImage() : nullptr;
    m_rcFit =
        FitRect(image ? image->Width() : 0, image ? image->Height() : 0, client.width(), client.height());
}

POINT CBitmapViewBase::ClientToImage(int x, int y) const
{
    const std::int64_t X =
        std::int64_t(x) + (horizontalScrollBar()->maximum() > 0 ? horizontalScrollBar()->value() : 0);
    const std::int64_t Y =
        std::int64_t(y) + (verticalScrollBar()->maximum() > 0 ? verticalScrollBar()->value() : 0);
    const int w = m_pDoc ? m_pDoc->GetImage().Width() : 0;
    return CanvasToImage(X, Y, m_nZoom, m_rcFit, w);
}

POINT CBitmapViewBase::ImageToClient(int x, int y) const
{
    const int w = m_pDoc ? m_pDoc->GetImage().Width() : 0;
    const int h = m_pDoc ? m_pDoc->GetImage().Height() : 0;
    return ImageToCanvas(x, y, m_nZoom, m_rcFit, w, h);
}

RECT CBitmapViewBase::GetSelection() const
{
    if (!m_bSelShown || !m_pDoc) return RECT{-1, -1, -1, -1};
    const FCObjImage& image = m_pDoc->GetImage();
    return ClipSelection(m_rcSel, image.Width(), image.Height());
}

QRect CBitmapViewBase::BandRect() const
{
    if (!m_bSelShown) return {};
    const POINT a = ImageToClient(m_rcSel.left, m_rcSel.top);
    const POINT b = ImageToClient(m_rcSel.right, m_rcSel.bottom);
    const QPoint scroll = ScrollPosition();
    const RECT n = NormalizeRect(RECT{a.x, a.y, b.x, b.y});
    return QRect(QPoint(n.left - scroll.x(), n.top - scroll.y()),
                 QPoint(n.right - scroll.x() - 1, n.bottom - scroll.y() - 1));
}

void CBitmapViewBase::UpdateBand()
{
    const QRect now = BandRect();
    for (const QRect& r : {m_bandDrawn, now})
    {
        if (r.isEmpty()) continue;
        QRegion edges(r.adjusted(-1, -1, 1, 1));
        edges -= QRegion(r.adjusted(1, 1, -1, -1));
        viewport()->update(edges);
    }
    m_bandDrawn = now;
}

void CBitmapViewBase::PostSelection(const RECT& r)
{
    const RECT n = NormalizeRect(r);
    PostToTopLevel(this, WM_IMAGE_SELECTION, PackCorner(n.left, n.top), PackCorner(n.right, n.bottom));
}

void CBitmapViewBase::OnMouseMove(int x, int y)
{
    if (!m_bTrackingLeave) m_bTrackingLeave = true;
    const POINT p = ClientToImage(x, y);
    if (m_bSelDragging)
    {
        m_rcSel.right = p.x;
        m_rcSel.bottom = p.y;
        UpdateBand();
        PostSelection(m_rcSel);
    }
    PostToTopLevel(this, WM_IMAGE_CURSOR_POS, p.x, p.y);
}

void CBitmapViewBase::OnMouseLeave()
{
    m_bTrackingLeave = false;
    if (!m_bSelShown) PostToTopLevel(this, WM_IMAGE_CURSOR_POS, -1, -1);
}

void CBitmapViewBase::OnLButtonDown(int x, int y)
{
    const POINT p = ClientToImage(x, y);
    m_rcSel = RECT{p.x, p.y, p.x, p.y};
    m_bSelShown = true;
    m_bSelDragging = true;
    UpdateBand();
}

void CBitmapViewBase::OnLButtonUp(int x, int y)
{
    if (m_bSelDragging)
    {
        const POINT p = ClientToImage(x, y);
        m_rcSel.right = p.x;
        m_rcSel.bottom = p.y;
        UpdateBand();
    }
    m_bSelDragging = false;
    if (m_rcSel.left == m_rcSel.right && m_rcSel.top == m_rcSel.bottom)
    {
        m_bSelShown = false;
        UpdateBand();
        PostToTopLevel(this, WM_IMAGE_SELECTION, -1, -1);
    }
    else
        PostSelection(m_rcSel);
}

void CBitmapViewBase::OnSelectAll()
{
    const FCObjImage* image = m_pDoc ? &m_pDoc->GetImage() : nullptr;
    const int w = image ? image->Width() : 0, h = image ? image->Height() : 0;
    m_rcSel = RECT{0, 0, w - 1, h - 1};
    m_bSelShown = true;
    UpdateBand();
    PostToTopLevel(this, WM_IMAGE_SELECTION, PackCorner(0, 0), PackCorner(w - 1, h - 1));
}

void CBitmapViewBase::OnSelectNone()
{
    m_bSelShown = false;
    UpdateBand();
    PostToTopLevel(this, WM_IMAGE_SELECTION, -1, -1);
}

bool CBitmapViewBase::OnCommand(int id)
{
    const int zoom = ZoomAfterCommand(id, m_nZoom);
    switch (id)
    {
    case kCmdZoomAuto:
    case kCmdZoom1_16:
    case kCmdZoom1_8:
    case kCmdZoom1_4:
    case kCmdZoom1_2:
    case kCmdZoomOut:
    case kCmdZoom1:
    case kCmdZoomIn:
    case kCmdZoom2:
    case kCmdZoom4:
    case kCmdZoom8:
    case kCmdZoom16:
        if (zoom >= 0) SetZoom(zoom);
        return true;
    case kCmdEditSelectAll:
        OnSelectAll();
        return true;
    case kCmdSelectNone:
        OnSelectNone();
        return true;
    default:
        return m_pDoc && m_pDoc->OnCommand(id);
    }
}

void CBitmapViewBase::paintEvent(QPaintEvent* event)
{
    if (IsPaintingSuspended()) return;
    QPainter painter(viewport());
    const QPoint scroll = ScrollPosition();
    painter.setClipRegion(event->region());
    painter.translate(-scroll.x(), -scroll.y());
    const QRect rc(scroll, viewport()->size());
    DoPaint(painter, rc);
    painter.resetTransform();
    m_bandDrawn = BandRect();
    DrawFocusRect(painter, m_bandDrawn);
}

void CBitmapViewBase::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (m_nZoom != kZoomFit)
    {
        UpdateBars();
        m_intelliMouse->SetScrollBars((horizontalScrollBar()->maximum() > 0 ? 2 : 0) +
                                      (verticalScrollBar()->maximum() > 0 ? 1 : 0));
    }
    else
    {
        const QSize client = viewport()->size();
        SetCanvas(client.width(), client.height(), false);
        const FCObjImage* image = m_pDoc ? &m_pDoc->GetImage() : nullptr;
        m_rcFit =
            FitRect(image ? image->Width() : 0, image ? image->Height() : 0, client.width(), client.height());
        m_intelliMouse->SetScrollBars(0);
        viewport()->update();
    }
    OnSizeChanged();
}

bool CBitmapViewBase::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Leave) OnMouseLeave();
    return QAbstractScrollArea::viewportEvent(event);
}

void CBitmapViewBase::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
    {
        const QPoint p = event->position().toPoint();
        OnLButtonDown(p.x(), p.y());
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void CBitmapViewBase::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    OnMouseMove(p.x(), p.y());
}

void CBitmapViewBase::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
    {
        const QPoint p = event->position().toPoint();
        OnLButtonUp(p.x(), p.y());
    }
}

void CBitmapViewBase::contextMenuEvent(QContextMenuEvent* event)
{
    if (m_frame) m_frame->OnContextMenu(event->globalPos().x(), event->globalPos().y());
    event->accept();
}

void CBitmapViewBase::scrollContentsBy(int dx, int dy)
{
    // Moves the pixels and the child windows (the paste window) with the content.
    // The band moves with them, and the uncovered strips are painted with their part of it.
    viewport()->scroll(dx, dy);
    m_bandDrawn = BandRect();
}
