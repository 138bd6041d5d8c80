#include "views/COverlayWin.h"

#include "document/CImageDoc.h"
#include "imagelib/qt/FCObjImageQt.h"
#include "platform/qt/CommandTarget.h"
#include "resources/CommandIds.h"
#include "resources/ResourceBuilder.h"
#include "views/CBitmapView.h"
#include "views/OverlayImages.h"
#include "views/ViewMath.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

COverlayWin::COverlayWin(std::unique_ptr<FCObjImage> image, CBitmapView* view)
    : QWidget(view->viewport()), m_pImage(std::move(image)), m_pView(view)
{
    m_imgPaste = *m_pImage;
    MakeOverlayDisplayImage(*m_pImage);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::SizeAllCursor);
    setMouseTracking(true);
    hide();
}

COverlayWin::~COverlayWin() = default;

void COverlayWin::Scale(std::int64_t& num, std::int64_t& den) const
{
    // Device pixels per pasted pixel.
    const int zoom = m_pView->Zoom();
    if (zoom != kZoomFit)
    {
        num = zoom;
        den = 256;
        return;
    }
    const CImageDoc* doc = m_pView->Document();
    const RECT fit = m_pView->FitRectangle();
    num = fit.right - fit.left;
    den = doc ? doc->GetImage().Width() : 0;
    if (den <= 0) // no pixels: no scale to speak of
    {
        num = 1;
        den = 1;
    }
}

QSize COverlayWin::ScaledDeviceSize() const
{
    std::int64_t num = 1, den = 1;
    Scale(num, den);
    const std::int64_t w = std::int64_t(m_imgPaste.Width()) * num / den;
    const std::int64_t h = std::int64_t(m_imgPaste.Height()) * num / den;
    return QSize(int(std::min<std::int64_t>(w, 1 << 24)), int(std::min<std::int64_t>(h, 1 << 24)));
}

QSize COverlayWin::ScaledSize() const
{
    const QSize device = ScaledDeviceSize();
    const int unit = m_pView->DeviceUnit();
    return QSize(int(DeviceToLogical(device.width(), unit)), int(DeviceToLogical(device.height(), unit)));
}

void COverlayWin::Create(int x, int y)
{
    m_ptClient = POINT{x, y};
    m_ptImage = m_pView->ClientToImage(x, y);
    ComposeBackground();
    setGeometry(QRect(QPoint(x, y), ScaledSize()));
    m_open = true;
    show();
    raise();
    setFocus(Qt::OtherFocusReason);
    repaint();
}

void COverlayWin::UpdatePosition()
{
    const POINT p = m_pView->ImageToClient(m_ptImage.x, m_ptImage.y);
    const QPoint scroll = m_pView->ScrollPosition();
    setGeometry(QRect(QPoint(p.x - scroll.x(), p.y - scroll.y()), ScaledSize()));
    m_ptClient = POINT{p.x - scroll.x(), p.y - scroll.y()};
    ComposeBackground();
    update();
}

void COverlayWin::MoveBy(int dx, int dy)
{
    const POINT to{m_ptClient.x + dx, m_ptClient.y + dy};
    move(to.x, to.y);
    m_ptClient = to;
    m_ptImage = m_pView->ClientToImage(m_ptClient.x, m_ptClient.y);
    ComposeBackground();
    update();
}

void COverlayWin::ComposeBackground()
{
    CImageDoc* doc = m_pView->Document();
    if (!doc) return;
    auto lock = doc->LockImage();
    m_premultipliedBackground.Destroy();
    ComposeOverlayBackground(m_imgBackground, m_imgPaste.Width(), m_imgPaste.Height(), doc->GetImage(),
                             m_pView->ClientToImage(m_ptClient.x, m_ptClient.y));
}

void COverlayWin::Close()
{
    // Hidden at once, so that nothing queued behind (an auto-repeated Enter) reaches it again.
    m_open = false;
    m_bDragging = false;
    hide();
    m_pImage.reset();
}

void COverlayWin::PasteAndClose(int mode)
{
    if (!m_open) return;
    m_pView->PasteImageAt(m_imgPaste, m_ptClient.x, m_ptClient.y, mode);
    Close();
}

bool COverlayWin::OnCommand(int id)
{
    if (!m_open) return false;
    if (id == kCmdPasteCancel)
    {
        Close();
        return true;
    }
    const int mode = PasteModeOfCommand(id);
    if (mode < 0) return false;
    PasteAndClose(mode);
    return true;
}

QMenu* COverlayWin::BuildMenu()
{
    return BuildContextMenu(kResPasteMenu, this);
}

void COverlayWin::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(128, 128, 128));
    if (!m_pImage) return;
    // Drawn in device pixels, as the view draws the document under it.
    const int unit = m_pView->DeviceUnit();
    RECT dest{0, 0, 0, 0};
    if (m_pView->Zoom() != kZoomFit)
    {
        const QSize s = ScaledDeviceSize();
        dest = RECT{0, 0, s.width(), s.height()};
    }
    else
    {
        const QSize s = m_pView->DeviceSize(size());
        dest = FitRect(m_imgPaste.Width(), m_imgPaste.Height(), s.width(), s.height());
    }
    painter.save();
    painter.scale(double(kUnitPlain) / unit, double(kUnitPlain) / unit);
    // The document pixels are straight alpha: drawn as they are over the grey.
    if (m_imgBackground.ColorBits() == 32)
    {
        if (!m_premultipliedBackground.HasBits())
            m_premultipliedBackground = PremultipliedCopy(m_imgBackground);
        DrawToDC(m_premultipliedBackground, painter, dest);
    }
    else
        DrawToDC(m_imgBackground, painter, dest);
    DrawToDC(*m_pImage, painter, dest);
    painter.restore();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    QPen pen(Qt::white);
    pen.setDashPattern({1, 1});
    painter.setPen(pen);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void COverlayWin::moveEvent(QMoveEvent* event)
{
    m_ptClient = POINT{event->pos().x(), event->pos().y()};
    QWidget::moveEvent(event);
}

void COverlayWin::mousePressEvent(QMouseEvent* event)
{
    if (!m_open) return;
    if (event->button() == Qt::LeftButton && !m_bDragging)
    {
        const QPoint g = event->globalPosition().toPoint();
        m_ptLastMouse = POINT{g.x(), g.y()};
        setFocus(Qt::MouseFocusReason);
        m_bDragging = true;
    }
    // The right button's menu comes with the context-menu event that follows the press.
    event->accept();
}

void COverlayWin::contextMenuEvent(QContextMenuEvent* event)
{
    // Taken here, or the view under the window would show its own menu after this one.
    event->accept();
    if (!m_open) return;
    const QPoint at =
        event->reason() == QContextMenuEvent::Mouse ? event->globalPos() : mapToGlobal(QPoint(0, 0));
    std::unique_ptr<QMenu> menu(BuildMenu());
    QAction* chosen = menu->exec(at);
    if (chosen) OnCommand(CommandIdOf(chosen));
}

void COverlayWin::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_bTrackingLeave) m_bTrackingLeave = true;
    if (m_bDragging && m_open)
    {
        const QPoint g = event->globalPosition().toPoint();
        MoveBy(g.x() - m_ptLastMouse.x, g.y() - m_ptLastMouse.y);
        m_ptLastMouse = POINT{g.x(), g.y()};
    }
}

void COverlayWin::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_bDragging)
    {
        const QPoint p = event->position().toPoint();
        m_ptLastMouse = POINT{p.x(), p.y()};
        m_bDragging = false;
    }
}

void COverlayWin::keyPressEvent(QKeyEvent* event)
{
    if (!m_open) return;
    const int step = event->modifiers() & Qt::ControlModifier ? 10 : 1;
    switch (event->key())
    {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        PasteAndClose(0);
        break;
    case Qt::Key_Escape:
        Close();
        break;
    case Qt::Key_Left:
        MoveBy(-step, 0);
        break;
    case Qt::Key_Right:
        MoveBy(step, 0);
        break;
    case Qt::Key_Up:
        MoveBy(0, -step);
        break;
    case Qt::Key_Down:
        MoveBy(0, step);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

bool COverlayWin::event(QEvent* event)
{
    if (event->type() == QEvent::Leave) m_bTrackingLeave = false;
    // Arrows and Escape are the window's own, not focus moves or the frame's shortcuts.
    if (event->type() == QEvent::ShortcutOverride)
    {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key())
        {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
            event->accept();
            return true;
        default:
            break;
        }
    }
    return QWidget::event(event);
}
