#include "platform/imaging/SharedWork.h"

#include <algorithm>
#include <atomic>

namespace imaging
{
namespace
{
std::atomic<const PartsRunner*> g_runner{nullptr};
} // namespace

void SetPartsRunner(const PartsRunner* runner)
{
    g_runner.store(runner, std::memory_order_release);
}

std::size_t PartThreads()
{
    const PartsRunner* r = g_runner.load(std::memory_order_acquire);
    const std::size_t n = r ? r->threads() : 1;
    return n > 0 ? n : 1;
}

std::size_t RowParts(std::size_t rows, std::size_t rowBytes, std::size_t minPartBytes)
{
    const std::size_t byBytes = rows * rowBytes / std::max<std::size_t>(minPartBytes, 1);
    return std::max<std::size_t>(1, std::min({PartThreads(), rows, byBytes}));
}

void RunParts(std::size_t parts, PartBody body, void* context)
{
    if (const PartsRunner* r = g_runner.load(std::memory_order_acquire); r && parts > 1)
    {
        r->run(parts, body, context);
        return;
    }
    for (std::size_t k = 0; k < parts; ++k)
        body(context, k);
}
} // namespace imaging
