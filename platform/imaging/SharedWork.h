// Work a codec may share out over threads it does not own: the layer above installs a runner
// that takes its thread count from the caller's run; without one, or outside any run, the parts
// are done in order on the calling thread.
#pragma once

#include <cstddef>

namespace imaging
{
using PartBody = void (*)(void* context, std::size_t part);

struct PartsRunner
{
    // Threads the caller may use now (1 and more).
    std::size_t (*threads)();
    // Calls body(context, part) once for every part in [0, parts) and returns when all are done.
    void (*run)(std::size_t parts, PartBody body, void* context);
};

// Installs the runner (kept by pointer; null puts back the one-thread default).
void SetPartsRunner(const PartsRunner* runner);
std::size_t PartThreads();
void RunParts(std::size_t parts, PartBody body, void* context);
} // namespace imaging
