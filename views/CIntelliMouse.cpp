#include "views/CIntelliMouse.h"

#include "views/PanningCursors.h"

#include <QAbstractScrollArea>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <cstdlib>

PanStep GetScrollStep(POINT origin, POINT cursor, int mask, int divisor, ScrollBarState h, ScrollBarState v)
{
    if (divisor < 1) divisor = 1;
    PanStep s;
    s.dx = int((std::int64_t(origin.x) - cursor.x) / divisor);
    s.dy = int((std::int64_t(origin.y) - cursor.y) / divisor);
    if (mask == 1 || std::abs(s.dx) < 5) s.dx = 0;
    if (mask == 2 || std::abs(s.dy) < 5) s.dy = 0;
    if ((h.pos == h.min && s.dx >= 1) || (h.pos == h.max && s.dx < 0)) s.dx = 0;
    if ((v.pos == v.min && s.dy >= 1) || (v.pos == v.max && s.dy < 0)) s.dy = 0;
    s.code = (s.dx < 0 ? kPanRight : s.dx > 0 ? kPanLeft : 0) + (s.dy < 0 ? kPanDown : s.dy > 0 ? kPanUp : 0);
    return s;
}

int PanCursorResource(int code)
{
    switch (code)
    {
    case kPanUp:
        return 3203;
    case kPanDown:
        return 3202;
    case kPanLeft:
        return 3205;
    case kPanRight:
        return 3204;
    case kPanUp | kPanLeft:
        return 3207;
    case kPanUp | kPanRight:
        return 3208;
    case kPanDown | kPanLeft:
        return 3210;
    case kPanDown | kPanRight:
        return 3209;
    default:
        return 3206;
    }
}

// ---------------------------------------------------------------------------------------------
// The marker

CPanningMarker::CPanningMarker(CIntelliMouse* owner, QWidget* parent) : QWidget(parent), m_owner(owner)
{
    setObjectName(QStringLiteral("PanningMarker"));
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
}

void CPanningMarker::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    m_owner->DrawOrigin(painter);
}

void CPanningMarker::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    m_owner->OnMarkerButtonDown(event->button());
}

void CPanningMarker::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    m_owner->OnMarkerButtonDown(event->button());
}

void CPanningMarker::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    m_owner->OnMarkerButtonUp(event->button());
}

void CPanningMarker::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    m_owner->OnMarkerMouseMove(event->globalPosition().toPoint());
}

void CPanningMarker::wheelEvent(QWheelEvent* event)
{
    if (m_owner->OnWheel(event))
        event->accept();
    else
        event->ignore();
}

// ---------------------------------------------------------------------------------------------
// Panning

CIntelliMouse::CIntelliMouse(QAbstractScrollArea* view)
    : m_view(view), m_viewport(view->viewport()), m_capture([this] { OnCaptureChanged(); })
{
    m_scrollTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_scrollTimer, &QTimer::timeout, this, [this] { OnTimer(kTimerScroll); });
    m_clickTimer.setSingleShot(true);
    connect(&m_clickTimer, &QTimer::timeout, this, [this] { OnTimer(kTimerClickWindow); });
    m_viewport->installEventFilter(this);
}

CIntelliMouse::~CIntelliMouse()
{
    m_destroying = true;
    if (m_viewport) m_viewport->removeEventFilter(this);
    if (m_capture.HasCapture()) m_capture.Release();
    delete m_marker.data();
}

void CIntelliMouse::SetClock(IPanningClock* clock)
{
    m_clock = clock;
}

void CIntelliMouse::SetTimer(int id, unsigned ms)
{
    if (m_clock)
        m_clock->SetTimer(id, ms);
    else
        (id == kTimerScroll ? m_scrollTimer : m_clickTimer).start(int(ms));
}

void CIntelliMouse::KillTimer(int id)
{
    if (m_clock)
        m_clock->KillTimer(id);
    else
        (id == kTimerScroll ? m_scrollTimer : m_clickTimer).stop();
}

QPoint CIntelliMouse::CursorPos() const
{
    return m_clock ? m_clock->CursorPos() : QCursor::pos();
}

void CIntelliMouse::StartPanning(QPoint clientPoint)
{
    if (m_bClickWindow)
    {
        ReleaseCapture();
        return;
    }
    if (m_bActive || !m_viewport) return;
    m_ptOrigin = m_viewport->mapToGlobal(clientPoint);
    auto* marker = new CPanningMarker(this, m_viewport);
    marker->setGeometry(clientPoint.x(), clientPoint.y(), kMarkerSize, kMarkerSize);
    marker->setMask(QRegion(0, 0, kMarkerSize, kMarkerSize, QRegion::Ellipse));
    marker->show();
    marker->raise();
    m_marker = marker;
    m_bActive = true;
    m_bClickWindow = true;
    m_capture.Capture(marker);
    SetTimer(kTimerClickWindow, kClickWindowMs);
    SetTimer(kTimerScroll, m_nTimerPeriod);
    UpdateCursor(m_ptOrigin);
}

int CIntelliMouse::GetScrollStep(QPoint cursor, QPoint& step) const
{
    const QScrollBar* h = m_view->horizontalScrollBar();
    const QScrollBar* v = m_view->verticalScrollBar();
    const PanStep s = ::GetScrollStep(POINT{m_ptOrigin.x(), m_ptOrigin.y()}, POINT{cursor.x(), cursor.y()},
                                      m_nScrollBars, m_nDivisor, {h->minimum(), h->maximum(), h->value()},
                                      {v->minimum(), v->maximum(), v->value()});
    step = QPoint(s.dx, s.dy);
    return s.code;
}

void CIntelliMouse::ScrollBy(QPoint cursor)
{
    QPoint step;
    GetScrollStep(cursor, step);
    // Positions are whole ints: a canvas of more than 65535 pixels scrolls as any other.
    if (step.x() != 0)
    {
        QScrollBar* bar = m_view->horizontalScrollBar();
        bar->setValue(bar->value() - step.x());
    }
    if (step.y() != 0)
    {
        QScrollBar* bar = m_view->verticalScrollBar();
        bar->setValue(bar->value() - step.y());
    }
}

void CIntelliMouse::ShowCursor(int id)
{
    if (id == m_cursorId) return;
    const QCursor cursor = PanCursor(id, m_viewport ? m_viewport->devicePixelRatioF() : 1.0);
    if (m_cursorId == 0)
        QGuiApplication::setOverrideCursor(cursor);
    else
        QGuiApplication::changeOverrideCursor(cursor);
    m_cursorId = id;
}

void CIntelliMouse::UpdateCursor(QPoint cursor)
{
    if (!m_bActive) return;
    QPoint step;
    ShowCursor(PanCursorResource(GetScrollStep(cursor, step)));
}

void CIntelliMouse::DrawOrigin(QPainter& painter)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(40, 40, 40), 1));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(0.5, 0.5, kMarkerSize - 1, kMarkerSize - 1));
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    painter.drawPixmap(1, 1, PanIconPixmap(dpr));
    painter.restore();
}

void CIntelliMouse::OnTimer(int id)
{
    if (id == kTimerClickWindow)
    {
        m_bClickWindow = false;
        KillTimer(kTimerClickWindow);
        return;
    }
    if (id != kTimerScroll || !m_bActive || !m_marker) return;
    m_marker->update();
    const QPoint screen = m_marker->mapToGlobal(QPoint(0, 0));
    const QPoint pointer = CursorPos();
    ScrollBy(pointer);
    // The view's scrolling moved its child windows with the content.
    if ((m_dwFlags & 1) && m_marker && m_marker->parentWidget())
        m_marker->move(m_marker->parentWidget()->mapFromGlobal(screen));
    UpdateCursor(pointer);
}

void CIntelliMouse::ReleaseCapture()
{
    m_capture.Release();
}

void CIntelliMouse::OnCaptureChanged()
{
    if (!m_bActive) return;
    KillTimer(kTimerScroll);
    KillTimer(kTimerClickWindow);
    if (CPanningMarker* marker = m_marker)
    {
        m_marker = nullptr;
        if (m_destroying)
            delete marker;
        else
        {
            marker->hide();
            marker->deleteLater();
        }
    }
    if (m_cursorId != 0)
    {
        QGuiApplication::restoreOverrideCursor();
        m_cursorId = 0;
    }
    m_bActive = false;
    m_bClickWindow = false;
    if (!m_destroying) m_view->setFocus(Qt::OtherFocusReason);
}

void CIntelliMouse::OnMarkerButtonDown(Qt::MouseButton button)
{
    if ((button == Qt::LeftButton || button == Qt::RightButton) && m_bActive && !m_bClickWindow)
        ReleaseCapture();
}

void CIntelliMouse::OnMarkerButtonUp(Qt::MouseButton button)
{
    if (button == Qt::MiddleButton && m_bActive && !m_bClickWindow) ReleaseCapture();
}

void CIntelliMouse::OnMarkerMouseMove(QPoint screen)
{
    UpdateCursor(screen);
}

bool CIntelliMouse::OnWheel(QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    if (m_bActive) ReleaseCapture();
    if (event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) return true;
    // A sideways wheel is the view's own.
    if (delta == 0) return false;
    // Fine wheels (touchpads) give small steps: they add up until they make a step.
    m_wheelRest += delta;
    if (std::abs(m_wheelRest) < 5) return true;
    const int amount = m_wheelRest;
    m_wheelRest = 0;
    QPoint p = m_ptOrigin;
    const QScrollBar* v = m_view->verticalScrollBar();
    const QScrollBar* h = m_view->horizontalScrollBar();
    if (v->maximum() > v->minimum())
        p.setY(m_ptOrigin.y() - amount);
    else if (h->maximum() > h->minimum())
        p.setX(m_ptOrigin.x() - amount);
    ScrollBy(p);
    return true;
}

bool CIntelliMouse::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_viewport) return false;
    switch (event->type())
    {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::MiddleButton)
        {
            StartPanning(mouse->position().toPoint());
            return true;
        }
        if ((mouse->button() == Qt::LeftButton || mouse->button() == Qt::RightButton) && m_bClickWindow)
            ReleaseCapture();
        return false;
    }
    case QEvent::MouseButtonRelease:
    {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::MiddleButton && m_bActive && !m_bClickWindow) ReleaseCapture();
        return false;
    }
    case QEvent::Wheel:
        return OnWheel(static_cast<QWheelEvent*>(event));
    default:
        return false;
    }
}
