// Progress observers for tests: they record every percentage they are shown and answer false to
// one chosen call, or to every call from a chosen one on.
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

class RefusingObserver : public FCProgressObserver
{
public:
    // Answers false from the call numbered refuseAt (0 = the first) on; -1 never.
    explicit RefusingObserver(int refuseAt = -1) : m_refuseAt(refuseAt) {}
    bool OnProgress(int percent) override
    {
        calls.push_back(percent);
        return m_refuseAt < 0 || int(calls.size()) - 1 < m_refuseAt;
    }
    std::vector<int> calls;

private:
    int m_refuseAt;
};
} // namespace testobs
