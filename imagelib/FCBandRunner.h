// The runner: the one owner of every thread an effect uses.
//
// A run is opened around each application of an effect with the number of threads it may use
// (the document's "NbThreads" setting, the effect runner's --threads): per-pixel and per-row
// effects get one band of rows per thread (the visiting rule is written in FCImageEffect.h), and
// everything an effect shares out itself (the loops of FCParallel.h, the passes of the blurs and
// the resize, the transform's own threads) takes its thread count from the run open on the
// calling thread. Outside any run, and on the runner's own threads, that count is 1: work is done
// inline. The runner's threads are started when first needed and kept from one run to the next;
// none is ever started for a run of one thread.
//
// The long jobs that are not effects (the document's preview jobs, the PNG form of a copied
// picture) never take the runner's threads: each runs as a background job of its own
// (platform/BackgroundJob.h), so that no effect waits for them.
#pragma once

#include "imagelib/FCImageEffect.h"

#include <atomic>
#include <cstdint>

// Most threads one run may use, the calling one included.
constexpr int kMaxRunThreads = 8;

// The thread count actually used for a request: clamped to 1..8.
int ClampBandThreads(int threads);

// The run open on a thread, from construction to destruction (runs nest: the inner one is in
// force until it ends).
class FCEffectRun
{
public:
    explicit FCEffectRun(int threads);
    ~FCEffectRun();
    FCEffectRun(const FCEffectRun&) = delete;
    FCEffectRun& operator=(const FCEffectRun&) = delete;

    int Threads() const { return m_threads; }
    // Distinct threads that have worked for this run so far, the calling one included.
    int ThreadsUsed() const;

    // The run open on the calling thread, null when there is none.
    static FCEffectRun* Current();
    // Its thread count; 1 outside any run.
    static int CurrentThreads();

    // Tests: how many threads the last run that ended (on any thread) used, and how many
    // threads the runner has started since the process began.
    static int LastThreadsUsedForTesting();
    static int ThreadsStartedForTesting();

    // The runner's own: records that helper k (1..7) worked for this run.
    void NoteHelper(int helper) { m_helpers.fetch_or(std::uint32_t(1) << helper, std::memory_order_relaxed); }

private:
    int m_threads;
    FCEffectRun* m_outer;
    std::atomic<std::uint32_t> m_helpers{0};
};

namespace runner_detail
{
using HelperBody = void (*)(void* context, int helper);

// For work that must not wait for an effect's helpers (what the window paints): see Start.
constexpr bool kIfHelpersFree = true;

// Work handed to helper threads 1 .. n of the runner, each calling body(context, k) once while
// the calling thread goes on with its own share; Wait (or the destructor) returns when every
// helper has returned. One group at a time has the helpers: a second thread that starts a group
// waits until the first one's Wait. A helper that cannot be had (the system refuses a thread, or
// the group is started on one of the runner's own threads) does nothing: Started(k) tells.
class HelperGroup
{
public:
    HelperGroup() = default;
    HelperGroup(const HelperGroup&) = delete;
    HelperGroup& operator=(const HelperGroup&) = delete;
    ~HelperGroup() { Wait(); }

    // allow(k), when given, is asked before helper k is handed its work; false skips it. With
    // kIfHelpersFree, a group that would have to wait for another one's Wait gets no helpers.
    void Start(int helpers, HelperBody body, void* context, bool (*allow)(int helper) = nullptr,
               bool ifFree = false);
    bool Started(int helper) const { return (m_started >> helper) & 1u; }
    void Wait();

private:
    std::uint32_t m_started = 0;
    bool m_holding = false;
    std::atomic<int> m_pending{0};
};
} // namespace runner_detail

// Prepares the effect (PrepareImage once, on the calling thread), reports 0 through
// UpdateProgress, then runs it on `threads` threads (clamped to 1..8) in an FCEffectRun of its
// own: a whole-image effect through ApplyToImage on the calling thread, a per-pixel or per-row
// effect over bands (n - 1 helpers take bands of height / n rows from the top, the calling thread
// takes the last band with the rows left over and is the only one that reports progress: after
// each of its rows p = 100 x (rows done) / (rows of its band); a false answer or a set cancel
// flag stops every band at its next row end). Helpers are waited for before it returns. A band
// whose helper cannot be had is done on the calling thread after its own. The caller checks
// AcceptsImage first. Effects of another mode are prepared and nothing more.
void ApplyEffectInBands(FCObjImage& image, FCImageEffect& effect, int threads, FCProgressObserver* observer);

// Tests: a function asked before band worker k (0-based) is given its band; false makes it fail
// as when the system refuses a thread. Null (the default) lets every worker start.
void SetBandWorkerStartHookForTesting(bool (*hook)(int worker));

// What tests, benchmarks and the effect runner use: AcceptsImage (false: nothing done), then
// ApplyEffectInBands.
bool RunEffect(FCObjImage& image, FCImageEffect& effect, int threads, FCProgressObserver* observer = nullptr);
