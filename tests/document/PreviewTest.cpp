// Preview jobs: rows copied into the document as the effect reports, status posts, restart,
// reset and end, and the repaint requests made from the preview thread.
#include "FakeHost.h"
#include "TestImages.h"

#include <gtest/gtest.h>

#include <chrono>
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
    // The old job's end and the stop, then the new job's 100 and its end.
    ASSERT_TRUE(p.host.WaitForHundreds(4));
    EXPECT_EQ(MarkedRows(p.doc.GetImage(), 0xA1), Range(0, 200));
    EXPECT_TRUE(MarkedRows(p.doc.GetImage(), 0xB2).empty());
    EXPECT_EQ(p.host.Posts(), (std::vector<int>{0, 10, 100, 100, 0, 100, 100}));
}

TEST(Preview, ResetShowsTheBackupAndThePreviewGoesOn)
{
    PreviewDoc p;
    const FCObjImage backup(p.doc.GetImage());
    p.doc.BeginPreview();
    p.doc.RunPreview(new MarkerEffect(0xB2, {20}, true));
    ASSERT_TRUE(p.host.WaitForPosts([](const std::vector<int>& v) { return v.size() >= 2; }));
    p.doc.ResetPreview();
    EXPECT_FALSE(p.doc.HasPreviewJob());
    EXPECT_TRUE(testimg::SamePixels(p.doc.GetImage(), backup));
    EXPECT_EQ(p.view.repaints, 2); // the job's copy at 20 % and the reset

    p.doc.RunPreview(new MarkerEffect(0xA1, {100}));
    ASSERT_TRUE(p.host.WaitForHundreds(4));
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
