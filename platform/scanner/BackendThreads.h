// The threads a SANE backend starts for a page, and whether they may be stopped now.
//
// Many backends read the device on a thread of their own and stop it from sane_cancel with an
// asynchronous thread cancel. That is only harmless while the thread waits in a blocking system
// call (a pipe write, a device read, a sleep) or has already ended: cancelled while it runs its
// own code (allocating its buffer as it starts, freeing it as it ends), it dies holding the
// allocator's lock and sane_cancel waits for it for ever. So before a page is stopped, its
// threads are given a moment to reach such a place.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string_view>
#include <vector>

namespace scanner
{
// Where a thread is, read from its /proc stat line and its syscall line.
enum class ThreadPlace
{
    Gone,    // ended (or no longer readable)
    Waiting, // asleep in a blocking system call: safe to cancel
    Busy,    // running, or asleep in a lock or in a call that may hold one
};

ThreadPlace ClassifyThread(std::string_view statLine, std::string_view syscallLine);

// The ids of this process's threads, sorted.
std::vector<pid_t> ProcessThreads();

// The ids in `after` that are not in `before` (both sorted).
std::vector<pid_t> NewThreads(const std::vector<pid_t>& before, const std::vector<pid_t>& after);

// Where one thread of this process is now.
ThreadPlace ThreadPlaceOf(pid_t tid);

// Waits until every one of these threads has ended, or has stayed in a blocking call (or ended)
// for a few milliseconds on end, polling, for at most `limit`. True when they all did in time.
bool WaitThreadsAtRest(const std::vector<pid_t>& threads, std::chrono::milliseconds limit);
} // namespace scanner
