// "Idle": the moment the event queue of the user-interface thread runs empty. Handlers run then
// (once per idle moment, never re-entered), and whenever Notify() is called, for example when a
// menu is about to show.
#pragma once

#include <QObject>

#include <functional>
#include <vector>

class CIdleNotifier : public QObject
{
    Q_OBJECT
public:
    explicit CIdleNotifier(QObject* parent = nullptr);

    void AddHandler(std::function<void()> handler);
    // Runs the handlers now (unless they are already running).
    void Notify();

private:
    std::vector<std::function<void()>> m_handlers;
    bool m_running = false;
};
