#include "shell/CStatusProgress.h"

#include "views/CBitmapViewBase.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionProgressBar>

CTextProgressBarCtrl::CTextProgressBarCtrl(QWidget* parent) : QProgressBar(parent)
{
    setRange(0, 100);
    setValue(0);
    setTextVisible(true);
}

QString CTextProgressBarCtrl::text() const
{
    return QStringLiteral("%1 %").arg(value());
}

void CTextProgressBarCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionProgressBar option;
    initStyleOption(&option);
    option.textVisible = false;
    style()->drawControl(QStyle::CE_ProgressBar, &option, &painter, this);
    painter.setPen(Qt::white);
    painter.setFont(QApplication::font());
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
}

CStatusProgress::CStatusProgress(std::function<void(int)> show, QObject* parent)
    : QObject(parent), m_show(std::move(show))
{
    SetCancelFlag(0);
    qApp->installEventFilter(this);
}

CStatusProgress::~CStatusProgress()
{
    qApp->removeEventFilter(this);
}

bool CStatusProgress::OnProgress(int percent)
{
    // One report per row: the display repaints only when the figure changes, and events are let
    // through when it changes or every 30 ms.
    if (m_show) m_show(percent);
    const bool changed = percent != m_lastShown;
    m_lastShown = percent;
    if (changed || !m_sinceEvents.isValid() || m_sinceEvents.elapsed() >= 30)
    {
        m_reporting = true;
        CBitmapViewBase::SetPaintingSuspended(true);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        CBitmapViewBase::SetPaintingSuspended(false);
        m_reporting = false;
        m_sinceEvents.restart();
    }
    const bool escape = m_escape;
    m_escape = false;
    return !escape;
}

bool CStatusProgress::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_reporting) return QObject::eventFilter(watched, event);
    switch (event->type())
    {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) m_escape = true;
        return true;
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::Close:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}
