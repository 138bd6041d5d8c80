// Splits an element-wise loop over a whole image's worth of values into contiguous parts run on
// several threads. Each part is independent, so the result is the same byte for byte as one loop.
#pragma once

#include <algorithm>
#include <cstddef>
#include <system_error>
#include <thread>
#include <vector>

// The number of processors, at least 1.
inline int ProcessorCount()
{
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : int(std::min(n, 256u));
}

// Calls f(begin, end) over [0, count) in contiguous parts of at least minPart items, one per
// processor at the most, the last part on the calling thread; returns when every part is done. A
// thread that cannot be started has its part run on the calling thread.
template <class F> void ParallelParts(std::size_t count, std::size_t minPart, F f)
{
    const std::size_t parts =
        std::min<std::size_t>(std::size_t(ProcessorCount()), count / std::max<std::size_t>(minPart, 1));
    if (parts <= 1)
    {
        f(std::size_t(0), count);
        return;
    }
    std::vector<std::thread> workers;
    workers.reserve(parts - 1);
    const std::size_t step = count / parts;
    for (std::size_t p = 0; p + 1 < parts; ++p)
    {
        const std::size_t begin = p * step, end = begin + step;
        try
        {
            workers.emplace_back([&f, begin, end] { f(begin, end); });
        }
        catch (const std::system_error&)
        {
            f(begin, end);
        }
    }
    f((parts - 1) * step, count);
    for (std::thread& t : workers)
        t.join();
}

// Items of work per thread below which a loop stays on the calling thread.
constexpr std::size_t kParallelGrain = std::size_t(1) << 17;

// The rows of an image of the given width, in parts worth kParallelGrain values at least.
template <class F> void ParallelRows(int height, int width, F f)
{
    ParallelParts(std::size_t(height), kParallelGrain / std::size_t(std::max(width, 1)) + 1,
                  [&f](std::size_t begin, std::size_t end) { f(int(begin), int(end)); });
}
