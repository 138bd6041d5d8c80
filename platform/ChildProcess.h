// Running work that may crash, hang or ask for all the memory of the machine (a foreign library's
// decoder fed a hostile file) in a process of its own, so that whatever it does, the program goes
// on: the work runs in a child forked from the caller, within a time limit and a limit on the
// memory it may add, and hands its result back as bytes written to a memory file.
#pragma once

#include <cstdint>
#include <functional>

struct ChildLimits
{
    // Wall-clock time the child may take; it is killed when it takes longer.
    double seconds = 8.0;
    // Memory the child may allocate beyond what the caller held when it was forked.
    std::uint64_t extraBytes = std::uint64_t(3) << 30;
};

// Runs work in a child process; work writes its result to the descriptor it is given (a memory
// file, positioned at its start) and answers true when it succeeded. Returns that memory file
// (the caller reads it with pread and closes it) when the child exited normally, within the
// limits, with a true answer; -1 when it failed, crashed, was killed or could not be started.
// Only the forking thread runs in the child: work must not wait for other threads of the caller.
// The child's standard output and error go nowhere.
int RunInChildProcess(const std::function<bool(int fd)>& work, const ChildLimits& limits);
