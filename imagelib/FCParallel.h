// Loops of whole-image work shared out over the threads of the run open on the calling thread
// (FCBandRunner.h): as many threads as the run has, never more, one (the caller, inline) outside
// any run. Every part is independent or handed back in order, so the result is the same byte for
// byte as one loop.
#pragma once

#include "imagelib/FCBandRunner.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <memory>
#include <new>

// Items of work per thread below which a loop stays on the calling thread: sharing out less
// costs more than it saves (2^17 items).
std::size_t ParallelGrain();
// Tests: another grain, so that small images are shared out too; 0 brings back the default.
void SetParallelGrainForTesting(std::size_t grain);

// Calls f(begin, end) over [0, count) in contiguous parts of at least minPart items, one per
// thread of the run at the most, the last part on the calling thread; returns when every part is
// done. Parts no helper could take are done on the calling thread; with ifFree
// (runner_detail::kIfHelpersFree) that is every part while another group has the helpers.
template <class F> void ParallelParts(std::size_t count, std::size_t minPart, F f, bool ifFree = false)
{
    const std::size_t parts = std::min<std::size_t>(std::size_t(FCEffectRun::CurrentThreads()),
                                                    count / std::max<std::size_t>(minPart, 1));
    if (parts <= 1)
    {
        f(std::size_t(0), count);
        return;
    }
    struct Context
    {
        F* f;
        std::size_t step;
    } context{&f, count / parts};
    runner_detail::HelperGroup helpers;
    helpers.Start(
        int(parts) - 1,
        [](void* c, int k)
        {
            const Context& ctx = *static_cast<Context*>(c);
            (*ctx.f)(std::size_t(k - 1) * ctx.step, std::size_t(k) * ctx.step);
        },
        &context, nullptr, ifFree);
    f((parts - 1) * context.step, count);
    for (std::size_t k = 1; k < parts; ++k)
        if (!helpers.Started(int(k))) f((k - 1) * context.step, k * context.step);
    helpers.Wait();
}

// The rows of an image of the given width, in parts worth ParallelGrain() values at least.
template <class F> void ParallelRows(int height, int width, F f)
{
    ParallelParts(std::size_t(height), ParallelGrain() / std::size_t(std::max(width, 1)) + 1,
                  [&f](std::size_t begin, std::size_t end) { f(int(begin), int(end)); });
}

// The thread count a whole-image pass of the current run may use.
inline int RunThreads()
{
    return FCEffectRun::CurrentThreads();
}

// What RunOrdered calls for the tasks that did not run when none is given: nothing.
struct NoSkippedTask
{
    void operator()(int) const {}
};

// Runs task(i, thread) for i = 0 .. count - 1 on up to `threads` threads (at most those of the
// run), the calling one included (thread 0). The calling thread hands every finished task to
// drain(i), in the order of i, between tasks of its own and then until all are drained:
// whatever reports progress or checks a cancel flag stays on the caller. When drain answers
// false, or once stop is set, no task starts any more; running ones end, skipped(i) is called on
// the calling thread for every task that never ran, and the call returns.
template <class Task, class Drain, class Skipped = NoSkippedTask>
void RunOrdered(int count, int threads, std::atomic<bool>& stop, const Task& task, const Drain& drain,
                const Skipped& skipped = Skipped())
{
    if (count <= 0) return;
    threads = std::clamp(std::min(threads, RunThreads()), 1, count);
    std::unique_ptr<std::atomic<int>[]> done;
    if (threads > 1) done.reset(new (std::nothrow) std::atomic<int>[std::size_t(count)]);
    if (!done)
    {
        // One thread, or no room to track the tasks: the calling thread does them in turn.
        int i = 0;
        for (; i < count && !stop.load(std::memory_order_relaxed); ++i)
        {
            task(i, 0);
            if (!drain(i)) stop.store(true, std::memory_order_relaxed);
        }
        for (; i < count; ++i)
            skipped(i);
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
    runner_detail::HelperGroup helpers;
    helpers.Start(
        threads - 1, [](void* w, int k) { (*static_cast<decltype(work)*>(w))(k); }, &work);
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
    helpers.Wait();
    for (int i = 0; i < count; ++i)
        if (done[std::size_t(i)].load(std::memory_order_relaxed) == 0) skipped(i);
}

// Rows 0 .. height - 1 made by row(y) in bands of kBandRows that the run's threads take in turn:
// many more bands than threads, so that rows of unequal work and threads of unequal speed (on a
// core another program holds, or slow to wake) still share the work out evenly. Progress after
// every row, in order from the top; after a stop no report follows and no band starts, those in
// hand are finished; a run that starts stopped makes its first row only. unmade(y) is called on
// the calling thread, at the end, for every row that was not made.
constexpr int kBandRows = 16;

template <class Row, class Unmade = NoSkippedTask>
void RowsInBands(int height, FCProgressObserver* observer, const Row& row, const Unmade& unmade = Unmade())
{
    const int rows = ProgressCancelled(observer) ? std::min(height, 1) : height;
    const int bands = (rows + kBandRows - 1) / kBandRows;
    auto bandRows = [rows](int band, auto f)
    {
        const int y1 = std::min(rows, (band + 1) * kBandRows);
        for (int y = band * kBandRows; y < y1; ++y)
            f(y);
    };
    std::atomic<bool> stop{false};
    RunOrdered(
        bands, RunThreads(), stop, [&](int band, int) { bandRows(band, row); },
        [&](int band)
        {
            bool going = true;
            bandRows(band, [&](int y)
                     { going = going && ProgressCheckpoint(observer, int((y + 1) * 100LL / height)); });
            return going;
        },
        [&](int band) { bandRows(band, unmade); });
    for (int y = rows; y < height; ++y)
        unmade(y);
}
