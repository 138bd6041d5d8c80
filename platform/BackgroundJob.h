// A long job on a thread of its own, apart from the effects' runner: the document's live-preview
// jobs and the PNG form of a copied picture. They last seconds and are stopped by the user at any
// moment; on the runner's helpers they would hold up every effect started meanwhile.
//
// Effects never use it: every thread an effect uses comes from the runner (imagelib/
// FCBandRunner.h). Besides the runner, this class is the one place where the program starts a
// thread; a house test of the build keeps it so.
//
// A stop is only asked for: the body reads the flag it is given and returns when it sees it set.
// Nobody waits for it but the destructor, so the user-interface thread keeps a stopped job aside
// and lets it go once Finished says so, when the join is immediate.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

class CBackgroundJob
{
public:
    // The job's work; stop becomes true when a stop is asked for.
    using Body = std::function<void(const std::atomic<bool>& stop)>;

    CBackgroundJob() = default;
    // Asks the body to stop and waits for it to return.
    ~CBackgroundJob();
    CBackgroundJob(const CBackgroundJob&) = delete;
    CBackgroundJob& operator=(const CBackgroundJob&) = delete;

    // Runs body on a new thread; false (and no thread) when the system refuses one, when body is
    // empty, or when this job has been started already. What the body holds is released on its
    // thread as soon as it returns.
    bool Start(Body body);
    // Asks the body to stop; returns at once.
    void RequestStop() { m_stop.store(true); }
    bool StopRequested() const { return m_stop.load(); }
    // Whether the body has returned (a join is then immediate); false before Start.
    bool Finished() const { return m_finished.load(); }
    // Waits for the body to return (at once when it never started).
    void Join();

    // Tests: a function called where the thread is about to be made; one that throws
    // std::system_error makes Start fail as when the system refuses a thread. Null: none.
    static void SetStartHookForTesting(void (*hook)());

private:
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_finished{false};
    std::thread m_thread;
};
