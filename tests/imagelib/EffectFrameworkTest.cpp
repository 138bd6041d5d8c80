#include "TestImages.h"

#include "imagelib/FCBandRunner.h"
#include "imagelib/FCImageEffect.h"
#include "imagelib/FCParallel.h"
#include "imagelib/FCRandom.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace
{
class RecordingObserver : public FCProgressObserver
{
public:
    std::vector<int> calls;
    std::vector<bool> answers; // answers for the first calls, then true
    std::function<void(int)> hook;
    bool OnProgress(int percent) override
    {
        calls.push_back(percent);
        if (hook) hook(percent);
        const std::size_t i = calls.size() - 1;
        return i < answers.size() ? answers[i] : true;
    }
};

// Records what the driver asks of it.
class ProbeEffect : public FCImageEffect
{
public:
    explicit ProbeEffect(int mode) : m_mode(mode) {}
    int GetProcessMode() const override { return m_mode; }
    void PrepareImage(FCObjImage&) override { ++prepared; }
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override
    {
        EXPECT_EQ(pixel, image.RowAddress(y) + x * image.ColorBits() / 8);
        std::lock_guard<std::mutex> lock(m);
        visits.emplace_back(x, y);
        pixel[0] = BYTE(pixel[0] + 1);
    }
    void ApplyToRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel) override
    {
        EXPECT_EQ(row, image.RowAddress(y));
        EXPECT_EQ(bytesPerPixel, image.ColorBits() / 8);
        std::lock_guard<std::mutex> lock(m);
        rowsSeen.push_back(y);
        for (int x = 0; x < image.Width(); ++x)
            row[x * bytesPerPixel] = BYTE(row[x * bytesPerPixel] + 1);
    }
    void ApplyToImage(FCObjImage&, FCProgressObserver* observer) override
    {
        ++whole;
        observerSeen = observer;
    }
    int m_mode;
    int prepared = 0;
    int whole = 0;
    FCProgressObserver* observerSeen = reinterpret_cast<FCProgressObserver*>(1);
    std::mutex m;
    std::vector<std::pair<int, int>> visits;
    std::vector<int> rowsSeen;
};
} // namespace

TEST(EffectFramework, DefaultsOfTheInterface)
{
    FCImageEffect plain;
    FCObjImage image = testimg::Varied(3, 3, 24);
    EXPECT_TRUE(plain.AcceptsImage(image));
    EXPECT_EQ(plain.GetProcessMode(), kProcessPerPixel);
    FCObjImage grey = testimg::Varied(3, 3, 8);
    EXPECT_FALSE(plain.AcceptsImage(grey));
    EXPECT_FALSE(plain.AcceptsImage(FCObjImage()));
    const FCObjImage before(image);
    FCObjImage::ApplyEffect(image, plain, nullptr);
    EXPECT_TRUE(testimg::SamePixels(image, before));
}

TEST(EffectFramework, ProgressOfPerPixelAndPerRowRuns)
{
    for (int mode : {kProcessPerPixel, kProcessPerRow})
    {
        FCObjImage image = testimg::Varied(4, 3, 32);
        ProbeEffect effect(mode);
        RecordingObserver observer;
        FCObjImage::ApplyEffect(image, effect, &observer);
        EXPECT_EQ(observer.calls, (std::vector<int>{0, 33, 66, 100})) << "mode " << mode;
        EXPECT_EQ(effect.prepared, 1);
        EXPECT_FALSE(observer.IsCancelled());
    }
}

TEST(EffectFramework, PerPixelVisitsRowsFromTheTopThenLeftToRight)
{
    FCObjImage image = testimg::Varied(3, 2, 24);
    ProbeEffect effect(kProcessPerPixel);
    FCObjImage::ApplyEffect(image, effect, nullptr);
    const std::vector<std::pair<int, int>> expected{{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}};
    EXPECT_EQ(effect.visits, expected);
    ProbeEffect rows(kProcessPerRow);
    FCObjImage::ApplyEffect(image, rows, nullptr);
    EXPECT_EQ(rows.rowsSeen, (std::vector<int>{0, 1}));
}

TEST(EffectFramework, WholeImageAndUnknownModes)
{
    FCObjImage image = testimg::Varied(3, 2, 24);
    RecordingObserver observer;
    ProbeEffect whole(kProcessWholeImage);
    FCObjImage::ApplyEffect(image, whole, &observer);
    EXPECT_EQ(whole.whole, 1);
    EXPECT_EQ(whole.observerSeen, &observer);
    ProbeEffect wholeNull(kProcessWholeImage);
    FCObjImage::ApplyEffect(image, wholeNull, nullptr);
    EXPECT_EQ(wholeNull.observerSeen, nullptr);

    ProbeEffect odd(7);
    RecordingObserver oddObserver;
    FCObjImage::ApplyEffect(image, odd, &oddObserver);
    EXPECT_EQ(odd.prepared, 1);
    EXPECT_EQ(oddObserver.calls, std::vector<int>{0});
    EXPECT_TRUE(odd.visits.empty() && odd.rowsSeen.empty() && odd.whole == 0);

    FCObjImage grey = testimg::Varied(3, 2, 8);
    ProbeEffect refused(kProcessPerPixel);
    RecordingObserver none;
    FCObjImage::ApplyEffect(grey, refused, &none);
    EXPECT_EQ(refused.prepared, 0);
    EXPECT_TRUE(none.calls.empty());
}

TEST(EffectFramework, CancelAtTheStartStillProcessesTheFirstRow)
{
    FCObjImage image = testimg::Varied(5, 4, 24);
    ProbeEffect effect(kProcessPerPixel);
    RecordingObserver observer;
    observer.answers = {false};
    FCObjImage::ApplyEffect(image, effect, &observer);
    EXPECT_EQ(effect.visits.size(), 5u);
    EXPECT_EQ(observer.calls, (std::vector<int>{0, 25}));
    EXPECT_TRUE(observer.IsCancelled());
}

TEST(EffectFramework, FlagSetFromAnotherThreadStopsAtTheNextRowEnd)
{
    for (int mode : {kProcessPerPixel, kProcessPerRow})
    {
        FCObjImage image = testimg::Varied(5, 10, 24);
        ProbeEffect effect(mode);
        RecordingObserver observer;
        observer.hook = [&](int percent)
        {
            if (percent == 20) std::thread([&] { observer.SetCancelFlag(1); }).join();
        };
        FCObjImage::ApplyEffect(image, effect, &observer);
        EXPECT_EQ(observer.calls, (std::vector<int>{0, 10, 20})) << "mode " << mode;
        if (mode == kProcessPerRow)
            EXPECT_EQ(effect.rowsSeen.size(), 2u);
        else
            EXPECT_EQ(effect.visits.size(), 10u);
    }
}

TEST(EffectFramework, LoopsUseTheImageAsPrepared)
{
    class Grow : public FCImageEffect
    {
    public:
        void PrepareImage(FCObjImage& image) override { image.Create(2, 7, 32); }
        void ApplyToPixel(FCObjImage&, int x, int y, BYTE* p) override
        {
            ++count;
            maxX = std::max(maxX, x);
            maxY = std::max(maxY, y);
            p[3] = 9;
        }
        int count = 0, maxX = 0, maxY = 0;
    } grow;
    FCObjImage image = testimg::Varied(5, 3, 24);
    FCObjImage::ApplyEffect(image, grow, nullptr);
    EXPECT_EQ(grow.count, 14);
    EXPECT_EQ(grow.maxX, 1);
    EXPECT_EQ(grow.maxY, 6);
    EXPECT_EQ(image.PixelAddress(1, 6)[3], 9);
}

TEST(EffectFramework, UpdateProgress)
{
    struct Case
    {
        bool answer;
        int flag;
        bool result;
        int flagAfter;
    } cases[] = {{false, 0, false, 1}, {true, 0, true, 0}, {true, 1, false, 1}};
    for (const Case& c : cases)
    {
        RecordingObserver observer;
        observer.answers = {c.answer};
        observer.SetCancelFlag(c.flag);
        EXPECT_EQ(observer.UpdateProgress(42), c.result);
        EXPECT_EQ(observer.GetCancelFlag(), c.flagAfter);
        EXPECT_EQ(observer.calls, std::vector<int>{42});
    }
}

TEST(BandRunner, SplitsBandsAndReportsTheLastBand)
{
    struct Case
    {
        int threads, height;
        std::vector<int> progress;
    } cases[] = {
        {4, 10, {0, 25, 50, 75, 100}}, // bands 0-1, 2-3, 4-5; this thread rows 6-9
        {8, 3, {0, 33, 66, 100}},      // band 0: every row here
        {12, 16, {0, 50, 100}},        // clamped to 8 threads: 2 rows here
        {1, 3, {0, 33, 66, 100}},      {0, 2, {0, 50, 100}},
    };
    for (const Case& c : cases)
    {
        FCObjImage image = testimg::Flat(3, c.height, 24, 0, 0, 0);
        ProbeEffect effect(kProcessPerRow);
        RecordingObserver observer;
        ApplyEffectInBands(image, effect, c.threads, &observer);
        EXPECT_EQ(observer.calls, c.progress) << c.threads << " threads, " << c.height << " rows";
        std::multiset<int> rows(effect.rowsSeen.begin(), effect.rowsSeen.end());
        for (int y = 0; y < c.height; ++y)
            EXPECT_EQ(rows.count(y), 1u) << "row " << y;
        EXPECT_EQ(effect.prepared, 1);
        for (int y = 0; y < c.height; ++y)
            EXPECT_EQ(image.PixelAddress(2, y)[0], 1);
    }
    EXPECT_EQ(ClampBandThreads(12), 8);
    EXPECT_EQ(ClampBandThreads(-3), 1);
}

TEST(BandRunner, CancelStopsEveryBand)
{
    // A large image so that the workers are still running when this thread cancels.
    FCObjImage image = testimg::Flat(64, 4000, 24, 0, 0, 0);
    ProbeEffect effect(kProcessPerRow);
    RecordingObserver observer;
    observer.hook = [&](int)
    {
        if (observer.calls.size() == 2) // after the first row of this thread's band
            observer.SetCancelFlag(1);
    };
    ApplyEffectInBands(image, effect, 4, &observer);
    EXPECT_TRUE(observer.IsCancelled());
    EXPECT_EQ(observer.calls.size(), 2u);
    EXPECT_LT(effect.rowsSeen.size(), 4000u);
}

TEST(BandRunner, RunEffectRefusesWhatTheEffectRefuses)
{
    FCObjImage grey = testimg::Varied(3, 3, 8);
    ProbeEffect effect(kProcessPerPixel);
    EXPECT_FALSE(RunEffect(grey, effect, 4));
    EXPECT_EQ(effect.prepared, 0);
    FCObjImage rgb = testimg::Varied(3, 3, 24);
    ProbeEffect whole(kProcessWholeImage);
    EXPECT_TRUE(RunEffect(rgb, whole, 8));
    EXPECT_EQ(whole.whole, 1);
}

namespace
{
// Rows of every band but the calling thread's wait in their first row until the calling thread
// has cancelled (or two seconds have gone by): each of them must then stop after that row.
class LatchedRows : public FCImageEffect
{
public:
    int GetProcessMode() const override { return kProcessPerRow; }
    void ApplyToRow(FCObjImage& image, int y, BYTE*, int) override
    {
        const bool last = y >= (image.Height() / 8) * 7;
        if (!last)
        {
            const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(2);
            while (!cancelled.load() && std::chrono::steady_clock::now() < limit)
                std::this_thread::yield();
        }
        std::lock_guard<std::mutex> lock(m);
        rows.push_back(y);
    }
    std::atomic<bool> cancelled{false};
    std::mutex m;
    std::vector<int> rows;
};
} // namespace

// Eight threads: the calling thread refuses after its third row; each helper is inside its first
// row then, and stops after it.
TEST(BandRunner, EveryBandStopsWithinOneRowOfACancel)
{
    FCObjImage image = testimg::Flat(4, 80, 24, 0, 0, 0); // bands of 10 rows
    LatchedRows effect;
    RecordingObserver observer;
    observer.answers = {true, true, true, false};
    observer.hook = [&](int)
    {
        if (observer.calls.size() == 4) effect.cancelled = true;
    };
    ApplyEffectInBands(image, effect, 8, &observer);
    EXPECT_TRUE(observer.IsCancelled());
    EXPECT_EQ(observer.calls, (std::vector<int>{0, 10, 20, 30}));
    std::multiset<int> byBand;
    for (int y : effect.rows)
        byBand.insert(y / 10);
    for (int band = 0; band < 7; ++band)
        EXPECT_EQ(byBand.count(band), 1u) << "band " << band;
    EXPECT_EQ(byBand.count(7), 3u);
}

namespace
{
// Records the first draw of the band's generator at the start of each row.
class FirstDraws : public FCImageEffect
{
public:
    void ApplyToPixel(FCObjImage&, int x, int y, BYTE*) override
    {
        if (x != 0) return;
        const int draw = FCRandom();
        std::lock_guard<std::mutex> lock(m);
        draws[y] = draw;
    }
    std::mutex m;
    std::map<int, int> draws;
};

// Counts its rows per band in a state of its own, merged at the end.
class CountedRows : public FCImageEffect
{
public:
    struct Count : FCEffectThreadState
    {
        std::thread::id thread = std::this_thread::get_id();
        int first = -1, rows = 0;
    };
    std::unique_ptr<FCEffectThreadState> CreateThreadState(const FCObjImage&) override
    {
        return std::make_unique<Count>();
    }
    void ApplyToPixelsOfRow(FCObjImage&, int y, BYTE*, int, FCEffectThreadState* state) override
    {
        auto& c = static_cast<Count&>(*state);
        EXPECT_EQ(c.thread, std::this_thread::get_id()) << "a state stays on its band's thread";
        if (c.first < 0) c.first = y;
        EXPECT_EQ(y, c.first + c.rows) << "rows of a band come in order";
        ++c.rows;
    }
    void MergeThreadState(FCEffectThreadState& state) override
    {
        merged.emplace_back(static_cast<Count&>(state).first, static_cast<Count&>(state).rows);
    }
    std::vector<std::pair<int, int>> merged;
};
} // namespace

// Helper bands draw from a fresh generator, as a thread started for them would, every run (the
// runner's threads are kept from one run to the next); the calling thread's band goes on with
// the calling thread's own generator.
TEST(BandRunner, BandsDrawFromTheGeneratorOfTheirOwnThread)
{
    const int fresh = FCRandomGenerator().Next();
    for (int run = 0; run < 2; ++run)
    {
        FCRandomSetState(777u + unsigned(run));
        FCRandomGenerator caller(777u + unsigned(run));
        FCObjImage image = testimg::Flat(2, 8, 24, 0, 0, 0); // bands 0-1, 2-3, 4-5; rows 6-7 here
        FirstDraws effect;
        RunEffect(image, effect, 4);
        EXPECT_EQ(effect.draws[0], fresh) << run;
        EXPECT_EQ(effect.draws[2], fresh) << run;
        EXPECT_EQ(effect.draws[4], fresh) << run;
        EXPECT_EQ(effect.draws[6], caller.Next()) << run;
        EXPECT_EQ(effect.draws[7], caller.Next()) << run;
    }
}

TEST(BandRunner, EachBandHasAStateMergedInBandOrder)
{
    for (int threads : {1, 3, 8})
    {
        FCObjImage image = testimg::Flat(5, 29, 32, 0, 0, 0);
        CountedRows effect;
        RunEffect(image, effect, threads);
        const int band = 29 / threads;
        std::vector<std::pair<int, int>> expected;
        for (int k = 0; k + 1 < threads; ++k)
            expected.emplace_back(k * band, band);
        expected.emplace_back((threads - 1) * band, 29 - (threads - 1) * band);
        EXPECT_EQ(effect.merged, expected) << threads;
    }
}

// The runner's own count of the threads that worked: one for a run of one thread, with no thread
// started for it; every thread of the run for a run of eight.
TEST(BandRunner, ARunUsesTheThreadsItIsGivenAndNoMore)
{
    FCObjImage image = testimg::Flat(8, 64, 24, 0, 0, 0);
    ProbeEffect eight(kProcessPerRow);
    RunEffect(image, eight, 8);
    EXPECT_EQ(FCEffectRun::LastThreadsUsedForTesting(), 8);
    const int started = FCEffectRun::ThreadsStartedForTesting();
    EXPECT_GE(started, 7);
    ProbeEffect one(kProcessPerRow);
    RunEffect(image, one, 1);
    EXPECT_EQ(FCEffectRun::LastThreadsUsedForTesting(), 1);
    ProbeEffect three(kProcessPerPixel);
    RunEffect(image, three, 3);
    EXPECT_EQ(FCEffectRun::LastThreadsUsedForTesting(), 3);
    EXPECT_EQ(FCEffectRun::ThreadsStartedForTesting(), started) << "the threads are kept";
}

// Loops shared out inside the share of another loop (the transform nests them) run inline
// rather than wait for helpers that are all busy.
TEST(BandRunner, NestedLoopsRunInline)
{
    SetParallelGrainForTesting(1);
    const FCEffectRun run(8);
    std::atomic<int> inner{0};
    ParallelParts(8, 1,
                  [&](std::size_t begin, std::size_t end)
                  {
                      for (std::size_t i = begin; i < end; ++i)
                          ParallelParts(4, 1, [&](std::size_t b, std::size_t e) { inner += int(e - b); });
                  });
    SetParallelGrainForTesting(0);
    EXPECT_EQ(inner.load(), 32);
    EXPECT_EQ(run.ThreadsUsed(), 8);
}

// Ordered tasks stopped part-way: every task either ran or is reported as skipped, once, on 1 and
// on several threads, whether a drain refuses or the stop flag is set from a task.
TEST(BandRunner, OrderedTasksStoppedPartWayReportEveryTaskThatNeverRan)
{
    constexpr int kTasks = 200;
    for (int threads : {1, 3, 8})
        for (int refuseAt : {0, 7, 150, kTasks})
            for (bool fromTask : {false, true})
            {
                SCOPED_TRACE(std::to_string(threads) + " threads, stop at " + std::to_string(refuseAt) +
                             (fromTask ? " from a task" : " from the drain"));
                const FCEffectRun run(threads);
                std::vector<std::atomic<int>> ran(kTasks), skipped(kTasks);
                std::vector<int> drained;
                std::atomic<bool> stop{false};
                RunOrdered(
                    kTasks, threads, stop,
                    [&](int i, int)
                    {
                        ran[std::size_t(i)] += 1;
                        if (fromTask && i == refuseAt) stop.store(true);
                    },
                    [&](int i)
                    {
                        drained.push_back(i);
                        return fromTask || i != refuseAt;
                    },
                    [&](int i) { skipped[std::size_t(i)] += 1; });
                int ranCount = 0;
                for (int i = 0; i < kTasks; ++i)
                {
                    ASSERT_EQ(ran[std::size_t(i)] + skipped[std::size_t(i)], 1) << "task " << i;
                    ranCount += ran[std::size_t(i)].load();
                }
                for (std::size_t k = 0; k < drained.size(); ++k)
                    ASSERT_EQ(drained[k], int(k)) << "drained in order";
                if (refuseAt == kTasks)
                {
                    EXPECT_EQ(ranCount, kTasks);
                }
                else
                {
                    EXPECT_LT(drained.size(), std::size_t(kTasks));
                    if (threads == 1)
                    {
                        EXPECT_EQ(ranCount, refuseAt + 1);
                    }
                }
            }
}
