#include "TestImages.h"

#include "imagelib/FCBandRunner.h"
#include "imagelib/FCImageEffect.h"

#include <gtest/gtest.h>

#include <atomic>
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
