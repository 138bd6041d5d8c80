#include "platform/qt/CaptureOwner.h"

#include <QApplication>
#include <QEvent>

CCaptureOwner::CCaptureOwner(std::function<void()> onLost, QObject* parent)
    : QObject(parent), m_onLost(std::move(onLost))
{
}

CCaptureOwner::~CCaptureOwner()
{
    if (m_widget)
    {
        qApp->removeEventFilter(this);
        m_widget->releaseMouse();
    }
}

void CCaptureOwner::Capture(QWidget* widget)
{
    if (!widget) return;
    if (m_widget == widget) return;
    if (m_widget) End(true);
    m_widget = widget;
    m_window = widget->window();
    widget->grabMouse();
    qApp->installEventFilter(this);
}

void CCaptureOwner::Release()
{
    if (m_widget) End(true);
}

void CCaptureOwner::End(bool releaseGrab)
{
    QWidget* widget = m_widget;
    m_widget = nullptr;
    m_window = nullptr;
    qApp->removeEventFilter(this);
    if (widget && releaseGrab) widget->releaseMouse();
    if (m_onLost) m_onLost();
}

bool CCaptureOwner::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_widget) return false;
    switch (event->type())
    {
    case QEvent::WindowDeactivate:
        if (watched == m_window) End(true);
        break;
    case QEvent::Hide:
        if (watched == m_widget || watched == m_window) End(true);
        break;
    case QEvent::Show:
        // A popup opening takes the pointer.
        if (auto* w = qobject_cast<QWidget*>(watched); w && w->windowType() == Qt::Popup) End(true);
        break;
    default:
        break;
    }
    return false;
}
