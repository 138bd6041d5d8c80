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

// How many parts rows of rowBytes each make: one per thread the caller may use, each with at
// least minPartBytes (and a row), one at the least. Part k holds rows [PartRow(k), PartRow(k + 1)).
std::size_t RowParts(std::size_t rows, std::size_t rowBytes, std::size_t minPartBytes);
inline std::size_t PartRow(std::size_t rows, std::size_t parts, std::size_t k)
{
    return rows * k / parts;
}
} // namespace imaging
