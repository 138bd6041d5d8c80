// The threads a SANE backend starts for a page, the pipes they write the page into, and whether
// they may be stopped now.
//
// Many backends read the device on a thread of their own and stop it from sane_cancel with an
// asynchronous thread cancel. That is only harmless while the thread waits in a blocking system
// call (a pipe write, a device read, a sleep) or has already ended: cancelled while it runs its
// own code (allocating its buffer as it starts, freeing it as it ends), it dies holding the
// allocator's lock and sane_cancel waits for it for ever. So before a page is stopped, its
// threads are given a moment to reach such a place.
//
// A resting writer is not enough when the backend's cancel first closes the read end of the
// page's pipe and only then cancels its thread: the close wakes the writer, which runs on to its
// end (through the allocator as its thread exits) while the cancel is on its way. So the page's
// pipes are known too: their read ends are closed from our side first, the writer ends on its
// own, and sane_cancel only joins a thread that is over.
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

// Waits until every one of these threads has ended, polling, for at most `limit` (none: looks
// once). True when they all have.
bool WaitThreadsGone(const std::vector<pid_t>& threads, std::chrono::milliseconds limit);

// What an open file descriptor of this process is.
enum class FdKind
{
    Fifo, // a pipe (or a named one)
    File,
    Socket,
    Other,
};

struct FdRecord
{
    int fd = -1;
    FdKind kind = FdKind::Other;
    int access = 0; // O_RDONLY, O_WRONLY or O_RDWR
    dev_t dev = 0;
    ino_t ino = 0;
};

// The open file descriptors of this process, by number.
std::vector<FdRecord> ProcessFds();

// The read ends of the pipes made between the two lists: read-only pipe ends whose pipe had no
// descriptor in `before` and whose write end is in `after` too. A pipe that was there before (even
// under another number), one whose writer is in another process (a named pipe, a forked reader)
// and any other kind of descriptor are left out.
std::vector<FdRecord> NewPipeReadEnds(const std::vector<FdRecord>& before,
                                      const std::vector<FdRecord>& after);

// Closes these pipe read ends while keeping their numbers open: each one that is still the same
// read end (the number may have been closed and given to something else since) becomes, in one
// step, the read end of a new pipe with no writer. A thread blocked writing into the old pipe
// gets EPIPE; the owner's later close() closes the empty pipe. How many were replaced.
int ReleasePipeReadEnds(const std::vector<FdRecord>& readEnds);
} // namespace scanner
