// Splits an element-wise loop over a whole image's worth of values into contiguous parts run on
// several threads. Each part is independent, so the result is the same byte for byte as one loop.
#pragma once

#include <algorithm>
#include <cstddef>
#include <exception>
#include <thread>
#include <vector>

// The number of processors, at least 1.
inline int ProcessorCount()
{
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : int(std::min(n, 256u));
}

// Calls f(begin, end) over [0, count) in contiguous parts of at least minPart items, one per
// processor at the most, the last part on the calling thread; returns when every part is done.
// When threads cannot be started, the calling thread runs the parts they would have run.
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
    const std::size_t step = count / parts;
    std::size_t begin = 0;
    try
    {
        workers.reserve(parts - 1);
        for (; begin + step < count && workers.size() + 1 < parts; begin += step)
        {
            const std::size_t from = begin, to = begin + step;
            workers.emplace_back([&f, from, to] { f(from, to); });
        }
    }
    catch (const std::exception&)
    {
        // No more threads or no memory for them: the calling thread does what is left.
    }
    f(begin, count);
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
