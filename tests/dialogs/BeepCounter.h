// Counts the beeps a dialog gives (and fails on any message box) while it is alive.
#pragma once

#include "platform/qt/Prompt.h"

#include <gtest/gtest.h>

namespace testdlg
{
class BeepCounter : public IPromptHandler
{
public:
    BeepCounter() : m_previous(SetPromptHandler(this)) {}
    ~BeepCounter() override { SetPromptHandler(m_previous); }
    BeepCounter(const BeepCounter&) = delete;
    BeepCounter& operator=(const BeepCounter&) = delete;

    int Ask(const PromptRequest& request) override
    {
        ADD_FAILURE() << "unexpected message box: " << request.text.toStdString();
        return IDOK;
    }
    void Beep() override { ++beeps; }

    int beeps = 0;

private:
    IPromptHandler* m_previous;
};
} // namespace testdlg
