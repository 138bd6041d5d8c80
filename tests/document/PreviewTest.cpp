// Preview jobs: rows copied into the document as the effect reports, status posts, restart,
// reset and end, and the repaint requests made from the preview thread.
#include "FakeHost.h"
#include "TestImages.h"

#include "platform/BackgroundJob.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <system_error>
#include <thread>

using namespace testdoc;

namespace
{
// Writes its marker into every row of the working copy, then reports a scripted list of
// percentages. With `hold`, keeps reporting its last percentage until it is told to stop.
class MarkerEffect : public FCImageEffect
{
public:
    MarkerEffect(BYTE marker, std::vector<int> script, bool hold = false)
        : m_marker(marker), m_script(std::move(script)), m_hold(hold)
    {
    }
    int GetProcessMode() const override { return kProcessWholeImage; }
    void ApplyToImage(FCObjImage& image, FCProgressObserver* observer) override
    {
        for (int y = 0; y < image.Height(); ++y)
            std::memset(image.RowAddress(y), m_marker, std::size_t(image.Width() * image.ColorBits() / 8));
        for (int p : m_script)
            if (!observer->UpdateProgress(p)) return;
        while (m_hold)
        {
            if (!observer->UpdateProgress(m_script.empty() ? 0 : m_script.back())) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

private:
    BYTE m_marker;
    std::vector<int> m_script;
    bool m_hold;
};

// Rows of the image whose first byte is the marker.
std::vector<int> MarkedRows(const FCObjImage& image, BYTE marker)
{
    std::vector<int> rows;
    for (int y = 0; y < image.Height(); ++y)
        if (image.RowAddress(y)[0] == marker) rows.push_back(y);
    return rows;
}

std::vector<int> Range(int first, int end)
{
    std::vector<int> v;
    for (int y = first; y < end; ++y)
        v.push_back(y);
    return v;
}

// A document of 200 rows whose pixels never hold the markers 0xA1, 0xB2.
struct PreviewDoc
{
    PreviewDoc(int height = 200)
    {
        host.activeView = &view;
        FCObjImage image = testimg::Flat(3, height, 24, 10, 20, 30);
        doc.InitFromImage(image);
        // Snapshots of the marked rows, taken on the preview thread at each repaint request.
        view.onRepaint = [this] { snapshots.push_back(MarkedRows(doc.GetImage(), 0xA1)); };
    }
    std::vector<std::vector<int>> snapshots;
    FakeHost host;
    CountingView view;
    CImageDoc doc{&view, host};
};
} // namespace

TEST(Preview, RowsAreCopiedInStepsOfTenPercent)
{
    PreviewDoc p;
    p.doc.BeginPreview();
    std::vector<int> script;
    for (int i = 1; i <= 100; ++i)
        script.push_back(i);
    p.doc.RunPreview(new MarkerEffect(0xA1, script));
    ASSERT_TRUE(p.host.WaitForHundreds(2));
    ASSERT_EQ(p.snapshots.size(), 10u);
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(p.snapshots[std::size_t(k)], Range(0, 20 * (k + 1))) << "at " << 10 * (k + 1) << " %";
    EXPECT_EQ(p.snapshots[9], Range(0, 200));
    std::vector<int> posts = {0};
    posts.insert(posts.end(), script.begin(), script.end());
    posts.push_back(100);
    EXPECT_EQ(p.host.Posts(), posts);
}

TEST(Preview, ScriptsOfReports)
{
    struct Case
    {
        std::vector<int> script;
        std::vector<int> posts;
        std::size_t repaints;
    };
    const Case cases[] = {
        {{7, 12}, {0, 7, 12, 100, 100}, 1},       // no multiple of 5: everything at the final 100
        {{150}, {0, 100, 100}, 1},                // above 100: 100
        {{-5}, {0, 100, 100}, 1},                 // below 0: 0
        {{0, 0, 5, 5, 100}, {0, 5, 100, 100}, 1}, // posts only when the percentage changes
        {{}, {0, 100, 100}, 1},
    };
    for (const Case& c : cases)
    {
        PreviewDoc p;
        p.doc.BeginPreview();
        p.doc.RunPreview(new MarkerEffect(0xA1, c.script));
        const int hundreds = int(std::count(c.posts.begin(), c.posts.end(), 100));
        ASSERT_TRUE(p.host.WaitForHundreds(hundreds));
        EXPECT_EQ(p.host.Posts(), c.posts);
        ASSERT_EQ(p.snapshots.size(), c.repaints);
        EXPECT_EQ(p.snapshots.back(), Range(0, 200));
    }
}

TEST(Preview, ANewEffectStopsTheRunningJob)
{
    PreviewDoc p;
    p.doc.BeginPreview();
    p.doc.RunPreview(new MarkerEffect(0xB2, {10}, true)); // copies 10 %, then holds
    ASSERT_TRUE(p.host.WaitForPosts([](const std::vector<int>& v) { return v.size() >= 2; }));
    p.doc.RunPreview(new MarkerEffect(0xA1, {100}));
    // The stop, then the new job's 100 and its end; the old job posts nothing once stopped.
    ASSERT_TRUE(p.host.WaitForHundreds(3));
    EXPECT_EQ(MarkedRows(p.doc.GetImage(), 0xA1), Range(0, 200));
    EXPECT_TRUE(MarkedRows(p.doc.GetImage(), 0xB2).empty());
    EXPECT_EQ(p.host.Posts(), (std::vector<int>{0, 10, 100, 0, 100, 100}));
}

namespace
{
// Marks the working copy, reports 10, then stays inside its stage until released (or 20 s have
// gone by), then reports 50 and 100.
class StuckEffect : public FCImageEffect
{
public:
    struct Flags
    {
        std::atomic<bool> stuck{false}, release{false}, timedOut{false}, done{false};
    };
    explicit StuckEffect(Flags& flags) : m_flags(flags) {}
    int GetProcessMode() const override { return kProcessWholeImage; }
    void ApplyToImage(FCObjImage& image, FCProgressObserver* observer) override
    {
        for (int y = 0; y < image.Height(); ++y)
            std::memset(image.RowAddress(y), 0xB2, std::size_t(image.Width() * image.ColorBits() / 8));
        if (observer->UpdateProgress(10))
        {
            m_flags.stuck = true;
            const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (!m_flags.release && !(m_flags.timedOut = std::chrono::steady_clock::now() > limit))
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            observer->UpdateProgress(50) && observer->UpdateProgress(100);
        }
        m_flags.done = true;
    }

private:
    Flags& m_flags;
};
} // namespace

// A slider move while the effect is inside a long stage: the new job starts at once, and nothing
// of the old one (rows, posts) reaches the document when it finally stops.
TEST(Preview, ANewRequestNeverWaitsForTheOldJobsStage)
{
    StuckEffect::Flags flags;
    auto host = std::make_unique<FakeHost>();
    CountingView view;
    host->activeView = &view;
    auto doc = std::make_unique<CImageDoc>(&view, *host);
    FCObjImage image = testimg::Flat(3, 200, 24, 10, 20, 30);
    ASSERT_TRUE(doc->InitFromImage(image));
    doc->BeginPreview();
    doc->RunPreview(new StuckEffect(flags));
    ASSERT_TRUE(host->WaitForPosts([](const std::vector<int>& v) { return v.size() >= 2; }));
    while (!flags.stuck)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));

    doc->RunPreview(new MarkerEffect(0xA1, {100})); // returns with the old job still stuck
    EXPECT_FALSE(flags.release);
    EXPECT_FALSE(flags.done);
    ASSERT_TRUE(host->WaitForHundreds(3));
    EXPECT_EQ(MarkedRows(doc->GetImage(), 0xA1), Range(0, 200));

    flags.release = true;
    while (!flags.done)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    doc.reset(); // joins the stopped job
    EXPECT_FALSE(flags.timedOut);
    EXPECT_EQ(host->Posts(), (std::vector<int>{0, 10, 100, 0, 100, 100}));
}

TEST(Preview, ResetShowsTheBackupAndThePreviewGoesOn)
{
    PreviewDoc p;
    const FCObjImage backup(p.doc.GetImage());
    p.doc.BeginPreview();
    p.doc.RunPreview(new MarkerEffect(0xB2, {20}, true));
    // The stop does not wait for the job: let it copy its 20 % first.
    for (int i = 0; i < 20000 && p.view.repaints < 1; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    p.doc.ResetPreview();
    EXPECT_FALSE(p.doc.HasPreviewJob());
    EXPECT_TRUE(testimg::SamePixels(p.doc.GetImage(), backup));
    EXPECT_EQ(p.view.repaints, 2); // the job's copy at 20 % and the reset

    p.doc.RunPreview(new MarkerEffect(0xA1, {100}));
    ASSERT_TRUE(p.host.WaitForHundreds(3)); // the reset's, then the new job's two
    EXPECT_EQ(MarkedRows(p.doc.GetImage(), 0xA1), Range(0, 200));
    p.doc.EndPreview();
    EXPECT_TRUE(testimg::SamePixels(p.doc.GetImage(), backup));
}

TEST(Preview, EndRestoresTheImageAndLeavesTheUndoStateAlone)
{
    PreviewDoc p;
    p.doc.ClearRect(0, 0, 1, 1);
    p.doc.OnEditUndo(); // can-undo false, can-redo true, modified
    const FCObjImage image(p.doc.GetImage()), undo(p.doc.GetUndoImage());
    p.doc.BeginPreview();
    p.doc.RunPreview(new MarkerEffect(0xA1, {30, 60}, true));
    ASSERT_TRUE(p.host.WaitForPosts([](const std::vector<int>& v) { return v.size() >= 3; }));
    const int updates = p.view.updates;
    p.doc.EndPreview();
    EXPECT_FALSE(p.doc.HasPreviewJob());
    EXPECT_TRUE(testimg::SamePixels(p.doc.GetImage(), image));
    EXPECT_TRUE(testimg::SamePixels(p.doc.GetUndoImage(), undo));
    EXPECT_FALSE(p.doc.CanUndo());
    EXPECT_TRUE(p.doc.CanRedo());
    EXPECT_TRUE(p.doc.IsModified());
    EXPECT_EQ(p.view.updates, updates);
    EXPECT_EQ(p.host.Posts().back(), 100); // the bar is hidden
}

TEST(Preview, WithoutAnActiveViewRowsAreStillCopied)
{
    PreviewDoc p;
    p.host.activeView = nullptr;
    p.doc.BeginPreview();
    p.doc.RunPreview(new MarkerEffect(0xA1, {50, 100}));
    ASSERT_TRUE(p.host.WaitForHundreds(2));
    EXPECT_EQ(MarkedRows(p.doc.GetImage(), 0xA1), Range(0, 200));
    EXPECT_EQ(p.view.repaints, 0);
}

TEST(Preview, AViewDestroyedDuringThePreviewIsNotAskedToRepaint)
{
    PreviewDoc p;
    auto doomed = std::make_unique<CountingView>();
    p.host.activeView = doomed.get();
    p.doc.BeginPreview();
    doomed.reset(); // its frame closed while the dialog is open
    p.doc.RunPreview(new MarkerEffect(0xA1, {50, 100}));
    ASSERT_TRUE(p.host.WaitForHundreds(2));
    // Nothing reached the freed view (AddressSanitizer would tell).
    EXPECT_EQ(MarkedRows(p.doc.GetImage(), 0xA1), Range(0, 200));
}

TEST(Preview, AnEmptyImageIsLeftAlone)
{
    FakeHost host;
    CountingView view;
    host.activeView = &view;
    CImageDoc doc(&view, host);
    doc.BeginPreview();
    doc.RunPreview(new MarkerEffect(0xA1, {100}));
    ASSERT_TRUE(host.WaitForHundreds(1));
    EXPECT_EQ(host.Posts(), (std::vector<int>{0, 100}));
    doc.EndPreview();
    EXPECT_FALSE(doc.GetImage().HasBits());
    EXPECT_EQ(view.repaints, 1); // the end's own repaint
}

TEST(Preview, EditsAndTheDocumentsEndStopTheJob)
{
    PreviewDoc p;
    p.doc.BeginPreview();
    p.doc.RunPreview(new MarkerEffect(0xB2, {10}, true));
    ASSERT_TRUE(p.host.WaitForPosts([](const std::vector<int>& v) { return v.size() >= 2; }));
    p.doc.ClearRect(0, 0, 3, 200); // an edit never runs beside a job
    EXPECT_FALSE(p.doc.HasPreviewJob());
    EXPECT_TRUE(MarkedRows(p.doc.GetImage(), 0xB2).empty());

    // A job still running when the document goes is stopped, not left on freed memory.
    auto* doc = new CImageDoc(&p.view, p.host);
    FCObjImage image = testimg::Flat(3, 50, 24, 1, 2, 3);
    ASSERT_TRUE(doc->InitFromImage(image));
    doc->BeginPreview();
    doc->RunPreview(new MarkerEffect(0xB2, {10}, true));
    delete doc;
}

// No thread to be had for a job: the preview shows nothing new, and the next change tries again.
TEST(Preview, ARefusedThreadLeavesNoJobAndTheNextRequestRuns)
{
    PreviewDoc p;
    const FCObjImage before(p.doc.GetImage());
    p.doc.BeginPreview();
    CBackgroundJob::SetStartHookForTesting(
        [] { throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again)); });
    p.doc.RunPreview(new MarkerEffect(0xA1, {100}));
    CBackgroundJob::SetStartHookForTesting(nullptr);
    EXPECT_FALSE(p.doc.HasPreviewJob());
    EXPECT_TRUE(p.host.Posts().empty());
    EXPECT_TRUE(testimg::SamePixels(p.doc.GetImage(), before));

    p.doc.RunPreview(new MarkerEffect(0xA1, {100}));
    EXPECT_TRUE(p.doc.HasPreviewJob());
    ASSERT_TRUE(p.host.WaitForHundreds(2));
    EXPECT_EQ(MarkedRows(p.doc.GetImage(), 0xA1), Range(0, 200));
}
