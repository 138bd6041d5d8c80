// A top-level window that records the private messages posted to it.
#pragma once

#include "platform/qt/WindowMessages.h"

#include <QCoreApplication>
#include <QMainWindow>

#include <cstdint>
#include <vector>

struct RecordedMessage
{
    int msg;
    std::int64_t wParam;
    std::int64_t lParam;
    bool operator==(const RecordedMessage&) const = default;
};

template <class Base = QMainWindow> class MessageRecorderT : public Base
{
public:
    using Base::Base;
    std::vector<RecordedMessage> messages;

    // Delivers what is posted, then returns the messages of one kind (all when msg is 0).
    std::vector<RecordedMessage> Take(int msg = 0)
    {
        QCoreApplication::sendPostedEvents();
        std::vector<RecordedMessage> out;
        for (const RecordedMessage& m : messages)
            if (msg == 0 || m.msg == msg) out.push_back(m);
        messages.clear();
        return out;
    }

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == ImageMessageEvent::EventType())
        {
            auto* m = static_cast<ImageMessageEvent*>(e);
            messages.push_back({m->Message(), m->WParam(), m->LParam()});
            return true;
        }
        return Base::event(e);
    }
};

using MessageRecorder = MessageRecorderT<>;
