#include "platform/qt/WindowMessages.h"

#include <QCoreApplication>
#include <QWidget>

QEvent::Type ImageMessageEvent::EventType()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

QWidget* FindTopLevel(QWidget* from)
{
    QWidget* w = from;
    while (w)
    {
        QWidget* next = w->parentWidget();
        if (!next) return w;
        w = next;
    }
    return nullptr;
}

void PostToTopLevel(QWidget* from, int msg, std::int64_t wParam, std::int64_t lParam)
{
    if (QWidget* target = FindTopLevel(from))
        QCoreApplication::postEvent(target, new ImageMessageEvent(msg, wParam, lParam));
}

void PostImageMessage(QObject* target, int msg, std::int64_t wParam, std::int64_t lParam)
{
    if (target) QCoreApplication::postEvent(target, new ImageMessageEvent(msg, wParam, lParam));
}
