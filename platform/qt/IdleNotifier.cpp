#include "platform/qt/IdleNotifier.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>

CIdleNotifier::CIdleNotifier(QObject* parent) : QObject(parent)
{
    if (auto* dispatcher = QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread()))
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &CIdleNotifier::Notify);
}

void CIdleNotifier::AddHandler(std::function<void()> handler)
{
    m_handlers.push_back(std::move(handler));
}

void CIdleNotifier::Notify()
{
    if (m_running) return;
    m_running = true;
    for (auto& handler : m_handlers)
        handler();
    m_running = false;
}
