// Splits an element-wise loop over a whole image's worth of values into contiguous parts run on
// several threads. Each part is independent, so the result is the same byte for byte as one loop.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <memory>
#include <new>
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

// Whole-image effects that share their work with helper threads of their own take the count here:
// the threads sharing each pass, the calling one included; 0 (the default) for as many as the
// processor has, at most 8. The bytes written are the same for every count.
class FCHelperThreads
{
public:
    void SetThreadCount(int threads) { m_threads = threads; }

protected:
    ~FCHelperThreads() = default;
    int HelperThreadCount() const { return std::clamp(m_threads > 0 ? m_threads : ProcessorCount(), 1, 8); }

private:
    int m_threads = 0;
};

// Items of work per thread below which a loop stays on the calling thread.
constexpr std::size_t kParallelGrain = std::size_t(1) << 17;

// The rows of an image of the given width, in parts worth kParallelGrain values at least.
template <class F> void ParallelRows(int height, int width, F f)
{
    ParallelParts(std::size_t(height), kParallelGrain / std::size_t(std::max(width, 1)) + 1,
                  [&f](std::size_t begin, std::size_t end) { f(int(begin), int(end)); });
}

// Runs task(i, thread) for i = 0 .. count - 1 on up to `threads` threads, the calling one
// included (thread 0). The calling thread hands every finished task to drain(i), in the order of
// i, between tasks of its own and then until all are drained: whatever reports progress or checks
// a cancel flag stays on the caller. When drain answers false, or once stop is set, no task starts
// any more; running ones end and the call returns. When helpers cannot be started the calling
// thread does their share.
template <class Task, class Drain>
void RunOrdered(int count, int threads, std::atomic<bool>& stop, const Task& task, const Drain& drain)
{
    if (count <= 0) return;
    std::unique_ptr<std::atomic<int>[]> done;
    try
    {
        done.reset(new std::atomic<int>[std::size_t(count)]);
    }
    catch (const std::bad_alloc&)
    {
        // No room to track the tasks: the calling thread does them one after the other.
        for (int i = 0; i < count && !stop.load(std::memory_order_relaxed); ++i)
        {
            task(i, 0);
            if (!drain(i)) stop.store(true, std::memory_order_relaxed);
        }
        return;
    }
    for (int i = 0; i < count; ++i)
        done[std::size_t(i)].store(0, std::memory_order_relaxed);
    std::atomic<int> next{0};
    auto work = [&](int thread)
    {
        while (!stop.load(std::memory_order_relaxed))
        {
            const int i = next.fetch_add(1);
            if (i >= count) return;
            task(i, thread);
            done[std::size_t(i)].store(1, std::memory_order_release);
            done[std::size_t(i)].notify_all();
        }
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t)
    {
        try
        {
            helpers.emplace_back(work, t);
        }
        catch (const std::exception&)
        {
            break; // fewer helpers: the calling thread does the rest
        }
    }
    int drained = 0;
    auto drainFinished = [&](bool wait)
    {
        while (drained < count && !stop.load(std::memory_order_relaxed))
        {
            std::atomic<int>& flag = done[std::size_t(drained)];
            if (flag.load(std::memory_order_acquire) == 0)
            {
                if (!wait) return;
                flag.wait(0, std::memory_order_acquire);
            }
            if (!drain(drained)) stop.store(true, std::memory_order_relaxed);
            ++drained;
        }
    };
    while (!stop.load(std::memory_order_relaxed))
    {
        drainFinished(false);
        const int i = next.fetch_add(1);
        if (i >= count || stop.load(std::memory_order_relaxed)) break;
        task(i, 0);
        done[std::size_t(i)].store(1, std::memory_order_release);
    }
    drainFinished(true);
    for (std::thread& t : helpers)
        t.join();
}
