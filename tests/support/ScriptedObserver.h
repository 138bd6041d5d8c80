// A progress observer for tests: records every percentage it is shown and answers false to one
// chosen call.
#pragma once

#include "imagelib/FCImageEffect.h"

#include <vector>

namespace testobs
{
class ScriptedObserver : public FCProgressObserver
{
public:
    // Answers false to the call numbered refuseAt (0 = the first), true to every other; -1 never.
    explicit ScriptedObserver(int refuseAt = -1) : m_refuseAt(refuseAt) {}
    bool OnProgress(int percent) override
    {
        calls.push_back(percent);
        return int(calls.size()) - 1 != m_refuseAt;
    }
    std::vector<int> calls;

private:
    int m_refuseAt;
};
} // namespace testobs
