#include "platform/BackgroundJob.h"

#include <new>
#include <system_error>
#include <utility>

namespace
{
std::atomic<void (*)()> g_startHook{nullptr};
} // namespace

CBackgroundJob::~CBackgroundJob()
{
    RequestStop();
    Join();
}

bool CBackgroundJob::Start(Body body)
{
    if (!body || m_thread.joinable() || m_finished.load()) return false;
    try
    {
        if (const auto hook = g_startHook.load()) hook();
        m_thread = std::thread(
            [this, run = std::move(body)]() mutable
            {
                run(m_stop);
                // The body's captures (a picture, an effect) go now, not when the job is joined.
                run = nullptr;
                m_finished.store(true);
            });
    }
    catch (const std::system_error&)
    {
        return false;
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }
    return true;
}

void CBackgroundJob::Join()
{
    if (m_thread.joinable()) m_thread.join();
}

void CBackgroundJob::SetStartHookForTesting(void (*hook)())
{
    g_startHook.store(hook);
}
