#include "imagelib/FCBandRunner.h"

#include "imagelib/FCParallel.h"
#include "imagelib/FCRandom.h"

#include <array>
#include <bit>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#if defined(__x86_64__) || defined(__i386__)
#define ORVALIS_SPIN_PAUSE() __builtin_ia32_pause()
#else
#define ORVALIS_SPIN_PAUSE() ((void)0)
#endif

namespace
{
// ---------------------------------------------------------------------------------------------
// The helper threads, kept from one run to the next. Helper k (1..7) has a slot of its own; a
// group hands each of its helpers one task and waits for all of them.

// How long an idle helper or a waiting caller keeps looking before it sleeps: a run's next pass
// usually follows within a few microseconds, and waking a sleeping thread costs more than that.
constexpr int kSpinRounds = 4000;

class Pool
{
public:
    static Pool& Instance()
    {
        static Pool pool;
        return pool;
    }

    ~Pool()
    {
        m_quit.store(true);
        for (Slot& s : m_slots)
        {
            if (!s.thread.joinable()) continue;
            s.ticket.fetch_add(1);
            s.ticket.notify_one();
            s.thread.join();
        }
    }

    // Whether the calling thread is one of the helpers, or holds them already (a group started
    // inside the share of a group: the transform nests its parallel loops).
    bool IsBusyHere() const
    {
        const std::thread::id me = std::this_thread::get_id();
        if (m_owner.load(std::memory_order_relaxed) == me) return true;
        for (const Slot& s : m_slots)
            if (s.id.load(std::memory_order_relaxed) == me) return true;
        return false;
    }

    void Lock()
    {
        m_group.lock();
        m_owner.store(std::this_thread::get_id(), std::memory_order_relaxed);
    }
    bool TryLock()
    {
        if (!m_group.try_lock()) return false;
        m_owner.store(std::this_thread::get_id(), std::memory_order_relaxed);
        return true;
    }
    void Unlock()
    {
        m_owner.store(std::thread::id(), std::memory_order_relaxed);
        m_group.unlock();
    }

    // Hands helper k its task (the group lock held); false when its thread cannot be had.
    bool Assign(int k, runner_detail::HelperBody body, void* context, std::atomic<int>* pending)
    {
        Slot& s = m_slots[std::size_t(k)];
        if (!s.thread.joinable())
        {
            try
            {
                s.thread = std::thread(&Pool::Loop, this, k);
            }
            catch (const std::system_error&)
            {
                return false;
            }
            m_started.fetch_add(1, std::memory_order_relaxed);
        }
        s.body = body;
        s.context = context;
        s.pending = pending;
        s.ticket.fetch_add(1); // sequentially consistent, against the sleeping flag below
        if (s.sleeping.load()) s.ticket.notify_one();
        return true;
    }

    int Started() const { return m_started.load(std::memory_order_relaxed); }

private:
    struct Slot
    {
        std::thread thread;
        std::atomic<std::thread::id> id{};
        std::atomic<std::uint32_t> ticket{0};
        std::atomic<bool> sleeping{false};
        runner_detail::HelperBody body = nullptr;
        void* context = nullptr;
        std::atomic<int>* pending = nullptr;
    };

    void Loop(int k)
    {
        Slot& s = m_slots[std::size_t(k)];
        s.id.store(std::this_thread::get_id());
        std::uint32_t seen = 0;
        for (;;)
        {
            std::uint32_t now = s.ticket.load(std::memory_order_acquire);
            for (int i = 0; now == seen && i < kSpinRounds; ++i)
            {
                ORVALIS_SPIN_PAUSE();
                now = s.ticket.load(std::memory_order_acquire);
            }
            if (now == seen)
            {
                s.sleeping.store(true);
                s.ticket.wait(seen);
                s.sleeping.store(false);
                now = s.ticket.load(std::memory_order_acquire);
            }
            seen = now;
            if (m_quit.load()) return;
            s.body(s.context, k);
            std::atomic<int>* pending = s.pending;
            if (pending->fetch_sub(1, std::memory_order_acq_rel) == 1) pending->notify_all();
        }
    }

    std::mutex m_group;
    std::atomic<std::thread::id> m_owner{};
    std::array<Slot, kMaxRunThreads> m_slots; // slot 0 unused: helper numbers start at 1
    std::atomic<int> m_started{0};
    std::atomic<bool> m_quit{false};
};

thread_local FCEffectRun* t_currentRun = nullptr;
constexpr std::size_t kDefaultGrain = std::size_t(1) << 17;
std::atomic<std::size_t> g_grain{kDefaultGrain};
std::atomic<int> g_lastThreadsUsed{0};
std::atomic<bool (*)(int)> g_startHook{nullptr};
} // namespace

// ---------------------------------------------------------------------------------------------
// Runs

int ClampBandThreads(int threads)
{
    return threads < 1 ? 1 : (threads > kMaxRunThreads ? kMaxRunThreads : threads);
}

FCEffectRun::FCEffectRun(int threads) : m_threads(ClampBandThreads(threads)), m_outer(t_currentRun)
{
    t_currentRun = this;
}

FCEffectRun::~FCEffectRun()
{
    t_currentRun = m_outer;
    const int used = ThreadsUsed();
    g_lastThreadsUsed.store(used, std::memory_order_relaxed);
    // The helpers of an inner run worked for the outer one too.
    if (m_outer)
        m_outer->m_helpers.fetch_or(m_helpers.load(std::memory_order_relaxed), std::memory_order_relaxed);
}

int FCEffectRun::ThreadsUsed() const
{
    return 1 + std::popcount(m_helpers.load(std::memory_order_relaxed));
}

FCEffectRun* FCEffectRun::Current()
{
    return t_currentRun;
}

int FCEffectRun::CurrentThreads()
{
    return t_currentRun ? t_currentRun->m_threads : 1;
}

int FCEffectRun::LastThreadsUsedForTesting()
{
    return g_lastThreadsUsed.load(std::memory_order_relaxed);
}

int FCEffectRun::ThreadsStartedForTesting()
{
    return Pool::Instance().Started();
}

std::size_t ParallelGrain()
{
    return g_grain.load(std::memory_order_relaxed);
}

void SetParallelGrainForTesting(std::size_t grain)
{
    g_grain.store(grain == 0 ? kDefaultGrain : grain, std::memory_order_relaxed);
}

namespace runner_detail
{
void HelperGroup::Start(int helpers, HelperBody body, void* context, bool (*allow)(int), bool ifFree)
{
    Wait();
    m_started = 0;
    helpers = helpers < 0 ? 0 : (helpers > kMaxRunThreads - 1 ? kMaxRunThreads - 1 : helpers);
    if (helpers == 0) return;
    Pool& pool = Pool::Instance();
    // Work started on a helper, or inside the caller's share of a group, stays on its thread:
    // the helpers are all busy with that group.
    if (pool.IsBusyHere()) return;
    if (!ifFree)
        pool.Lock();
    else if (!pool.TryLock())
        return;
    m_holding = true;
    FCEffectRun* run = FCEffectRun::Current();
    // Counted up front, so that a helper that ends at once cannot bring it to 0 too early.
    m_pending.store(helpers, std::memory_order_relaxed);
    int skipped = 0;
    for (int k = 1; k <= helpers; ++k)
    {
        if ((allow && !allow(k)) || !pool.Assign(k, body, context, &m_pending))
        {
            ++skipped;
            continue;
        }
        m_started |= std::uint32_t(1) << k;
        if (run) run->NoteHelper(k);
    }
    if (skipped && m_pending.fetch_sub(skipped, std::memory_order_acq_rel) == skipped) m_pending.notify_all();
}

void HelperGroup::Wait()
{
    if (!m_holding) return;
    int left = m_pending.load(std::memory_order_acquire);
    for (int i = 0; left != 0 && i < kSpinRounds; ++i)
    {
        ORVALIS_SPIN_PAUSE();
        left = m_pending.load(std::memory_order_acquire);
    }
    while (left != 0)
    {
        m_pending.wait(left, std::memory_order_acquire);
        left = m_pending.load(std::memory_order_acquire);
    }
    m_holding = false;
    Pool::Instance().Unlock();
}
} // namespace runner_detail

// ---------------------------------------------------------------------------------------------
// Bands

namespace
{
// One run over bands: what every band's thread shares.
struct BandRun
{
    BandRun(FCObjImage& i, FCImageEffect& e, int m, int b)
        : image(i), effect(e), mode(m), width(i.Width()), step(i.ColorBits() / 8), band(b)
    {
    }

    FCObjImage& image;
    FCImageEffect& effect;
    int mode;
    int width;
    int step;
    int band; // rows of each band but the last
    std::atomic<bool> stop{false};
    std::array<std::unique_ptr<FCEffectThreadState>, kMaxRunThreads> states;

    void Row(int y, FCEffectThreadState* state)
    {
        BYTE* row = image.RowAddress(y);
        if (mode == kProcessPerRow)
            effect.ApplyToRow(image, y, row, step);
        else
            effect.ApplyToPixelsOfRow(image, y, row, step, state);
    }

    // Band k of the helpers (0-based): rows k x band .. (k + 1) x band - 1, with a fresh
    // generator, as a thread started for the band would have.
    void HelperBand(int k)
    {
        FCRandomGenerator& generator = ThreadRandomGenerator();
        const FCRandomGenerator own = generator;
        generator = FCRandomGenerator();
        states[std::size_t(k)] = effect.CreateThreadState(image);
        FCEffectThreadState* state = states[std::size_t(k)].get();
        for (int y = k * band; y < (k + 1) * band; ++y)
        {
            Row(y, state);
            if (stop.load(std::memory_order_relaxed)) break;
        }
        generator = own;
    }
};

void BandHelper(void* context, int helper)
{
    static_cast<BandRun*>(context)->HelperBand(helper - 1);
}

bool AllowBandWorker(int helper)
{
    const auto hook = g_startHook.load();
    return !hook || hook(helper - 1);
}
} // namespace

void SetBandWorkerStartHookForTesting(bool (*hook)(int worker))
{
    g_startHook.store(hook);
}

void ApplyEffectInBands(FCObjImage& image, FCImageEffect& effect, int threads, FCProgressObserver* observer)
{
    const FCEffectRun run(threads);
    effect.PrepareImage(image);
    ProgressCheckpoint(observer, 0); // a stop is seen after the first row
    const int mode = effect.GetProcessMode();
    if (mode == kProcessWholeImage)
    {
        effect.ApplyToImage(image, observer);
        return;
    }
    if ((mode != kProcessPerPixel && mode != kProcessPerRow) || !image.HasBits()) return;

    // Read after PrepareImage, which may have replaced the image.
    const int height = image.Height();
    const int n = run.Threads();
    BandRun bands(image, effect, mode, height / n);
    runner_detail::HelperGroup helpers;
    if (bands.band > 0) helpers.Start(n - 1, BandHelper, &bands, AllowBandWorker);

    // The last band, with the progress and the cancel of the whole run.
    const int first = (n - 1) * bands.band;
    const int count = height - first;
    std::unique_ptr<FCEffectThreadState> ownState = effect.CreateThreadState(image);
    bool stopped = false;
    for (int i = 0; i < count && !stopped; ++i)
    {
        bands.Row(first + i, ownState.get());
        if (observer && !observer->UpdateProgress(int((100LL * (i + 1)) / count))) stopped = true;
    }
    // Bands no helper could take, in order, with the generator a thread of their own would have.
    for (int k = 0; k + 1 < n && bands.band > 0 && !stopped; ++k)
    {
        if (helpers.Started(k + 1)) continue;
        FCRandomGenerator& generator = ThreadRandomGenerator();
        const FCRandomGenerator own = generator;
        generator = FCRandomGenerator();
        bands.states[std::size_t(k)] = effect.CreateThreadState(image);
        for (int y = k * bands.band; y < (k + 1) * bands.band && !stopped; ++y)
        {
            bands.Row(y, bands.states[std::size_t(k)].get());
            stopped = ProgressCancelled(observer);
        }
        generator = own;
    }
    if (ProgressCancelled(observer)) bands.stop.store(true, std::memory_order_relaxed);
    helpers.Wait();

    for (int k = 0; k + 1 < n; ++k)
        if (bands.states[std::size_t(k)]) effect.MergeThreadState(*bands.states[std::size_t(k)]);
    if (ownState) effect.MergeThreadState(*ownState);
}

bool RunEffect(FCObjImage& image, FCImageEffect& effect, int threads, FCProgressObserver* observer)
{
    if (!effect.AcceptsImage(image)) return false;
    ApplyEffectInBands(image, effect, threads, observer);
    return true;
}
