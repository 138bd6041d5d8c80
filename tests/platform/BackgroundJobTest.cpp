// The background job: a long job on a thread of its own, stopped by request, joined when it goes.
#include "platform/BackgroundJob.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <system_error>
#include <thread>

namespace
{
using Clock = std::chrono::steady_clock;

// Waits until flag is set, at most 20 s (a fault that would otherwise hang the test); whether it
// was set.
bool WaitFor(const std::atomic<bool>& flag)
{
    const auto limit = Clock::now() + std::chrono::seconds(20);
    while (!flag.load())
    {
        if (Clock::now() > limit) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

void Refuse()
{
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
}
} // namespace

TEST(BackgroundJob, TheBodyRunsToItsEndAndItsCapturesGoBeforeItIsFinished)
{
    std::atomic<bool> inside{false}, release{false}, returned{false};
    auto payload = std::make_shared<int>(7);
    std::weak_ptr<int> watch = payload;
    std::atomic<int> seen{0};
    CBackgroundJob job;
    EXPECT_FALSE(job.Finished());
    ASSERT_TRUE(job.Start(
        [&, payload = std::move(payload)](const std::atomic<bool>& stop)
        {
            seen = *payload;
            inside = true;
            WaitFor(release);
            EXPECT_FALSE(stop.load());
            returned = true;
        }));
    ASSERT_TRUE(WaitFor(inside));
    EXPECT_EQ(seen.load(), 7);
    EXPECT_FALSE(job.Finished()) << "the body has not returned";
    EXPECT_FALSE(watch.expired());

    release = true;
    const auto limit = Clock::now() + std::chrono::seconds(20);
    while (!job.Finished() && Clock::now() < limit)
        std::this_thread::yield();
    ASSERT_TRUE(job.Finished());
    EXPECT_TRUE(returned.load());
    EXPECT_TRUE(watch.expired()) << "what the body held is released on its thread, not at the join";
    job.Join();
    EXPECT_FALSE(job.StopRequested());

    // A job runs once; an empty body is no job.
    EXPECT_FALSE(job.Start([](const std::atomic<bool>&) {}));
    CBackgroundJob empty;
    EXPECT_FALSE(empty.Start({}));
    EXPECT_FALSE(empty.Finished());
}

// The stop is a request: it returns while the body is still on its way out.
TEST(BackgroundJob, AStopRequestReturnsAtOnceAndTheBodySeesIt)
{
    std::atomic<bool> sawStop{false}, release{false}, timedOut{false};
    CBackgroundJob job;
    ASSERT_TRUE(job.Start(
        [&](const std::atomic<bool>& stop)
        {
            sawStop = WaitFor(stop);
            timedOut = !WaitFor(release);
        }));
    EXPECT_FALSE(job.StopRequested());
    job.RequestStop();
    EXPECT_TRUE(job.StopRequested());
    ASSERT_TRUE(WaitFor(sawStop));
    EXPECT_FALSE(job.Finished()) << "the body is held until released";
    release = true;
    job.Join();
    EXPECT_TRUE(job.Finished());
    EXPECT_FALSE(timedOut.load()) << "the stop request waited for the body";
}

// A job still running when it goes is asked to stop and waited for: nothing of it outlives it.
TEST(BackgroundJob, TheDestructorStopsAndJoinsARunningJob)
{
    std::atomic<bool> inside{false}, sawStop{false}, returned{false};
    {
        CBackgroundJob job;
        ASSERT_TRUE(job.Start(
            [&](const std::atomic<bool>& stop)
            {
                inside = true;
                sawStop = WaitFor(stop);
                // Still some work after the stop: a destructor that did not join would be gone.
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                returned = true;
            }));
        ASSERT_TRUE(WaitFor(inside));
    }
    EXPECT_TRUE(sawStop.load()) << "the destructor waited without asking the body to stop";
    EXPECT_TRUE(returned.load());
}

// A thread the system refuses (std::thread throws std::system_error where the thread would be
// made): Start answers false, the body never runs, nothing is left to join.
TEST(BackgroundJob, ARefusedThreadIsAFalseStart)
{
    std::atomic<bool> ran{false};
    CBackgroundJob job;
    CBackgroundJob::SetStartHookForTesting(Refuse);
    EXPECT_FALSE(job.Start([&](const std::atomic<bool>&) { ran = true; }));
    CBackgroundJob::SetStartHookForTesting(nullptr);
    EXPECT_FALSE(job.Finished());
    job.Join(); // nothing to wait for
    EXPECT_FALSE(ran.load());

    // The job is as new: a later start runs it.
    ASSERT_TRUE(job.Start([&](const std::atomic<bool>&) { ran = true; }));
    job.Join();
    EXPECT_TRUE(ran.load());
}
