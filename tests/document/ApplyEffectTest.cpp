// Effects applied to a document on 1 to 8 threads: bands, progress, cancel, refusal, undo state.
#include "FakeHost.h"
#include "TestImages.h"

#include "bench/EffectRegistry.h"
#include "imagelib/FCBandRunner.h"
#include "platform/TextConv.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <thread>
#include <unistd.h>

using namespace testdoc;

namespace
{
// Inverts the blue byte and records which thread did each row.
class RecordingEffect : public FCImageEffect
{
public:
    explicit RecordingEffect(int mode) : m_mode(mode) {}
    int GetProcessMode() const override { return m_mode; }
    void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel) override
    {
        (void)image;
        if (x == 0) Record(y);
        pixel[0] = BYTE(255 - pixel[0]);
    }
    void ApplyToRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel) override
    {
        Record(y);
        for (int x = 0; x < image.Width(); ++x)
            row[x * bytesPerPixel] = BYTE(255 - row[x * bytesPerPixel]);
    }
    void ApplyToImage(FCObjImage& image, FCProgressObserver* observer) override
    {
        (void)image, (void)observer;
        wholeImageThread = std::this_thread::get_id();
    }

    std::multimap<int, std::thread::id> Rows()
    {
        std::lock_guard lock(m_mutex);
        return m_rows;
    }
    std::thread::id wholeImageThread;

private:
    void Record(int y)
    {
        std::lock_guard lock(m_mutex);
        m_rows.emplace(y, std::this_thread::get_id());
    }
    int m_mode;
    std::mutex m_mutex;
    std::multimap<int, std::thread::id> m_rows;
};

FCObjImage InvertedBlue(FCObjImage image)
{
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            image.PixelAddress(x, y)[0] = BYTE(255 - image.PixelAddress(x, y)[0]);
    return image;
}

class ApplyEffect : public ::testing::Test
{
protected:
    void SetUp() override { ResetSettings(); }
    void TearDown() override
    {
        ResetSettings();
        SetBandWorkerStartHookForTesting(nullptr);
    }
};
} // namespace

TEST_F(ApplyEffect, BandsThreadsAndProgress)
{
    struct Case
    {
        int nbThreads, processors, height, mode;
        int workerThreads;                            // distinct threads other than this one
        std::vector<std::pair<int, int>> workerBands; // [first, last] rows done off this thread, by band
        int firstUiRow;
        std::vector<int> reports;
    };
    const Case cases[] = {
        {4, 16, 10, 1, 3, {{0, 1}, {2, 3}, {4, 5}}, 6, {0, 25, 50, 75, 100, 100}},
        {4, 16, 10, 2, 3, {{0, 1}, {2, 3}, {4, 5}}, 6, {0, 25, 50, 75, 100, 100}},
        {8, 8, 3, 1, 0, {}, 0, {0, 33, 66, 100, 100}},
        {8, 16, 3, 2, 0, {}, 0, {0, 33, 66, 100, 100}},
        {12,
         16,
         16,
         1,
         7,
         {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {8, 9}, {10, 11}, {12, 13}},
         14,
         {0, 50, 100, 100}},
        {1, 16, 4, 1, 0, {}, 0, {0, 25, 50, 75, 100, 100}},
        {8, 2, 4, 2, 1, {{0, 1}}, 2, {0, 50, 100, 100}}, // limited to the processors
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE("NbThreads " + std::to_string(c.nbThreads) + ", " + std::to_string(c.processors) +
                     " processors, height " + std::to_string(c.height) + ", mode " + std::to_string(c.mode));
        SetNbThreads(c.nbThreads);
        SetProcessorCountForTesting(c.processors);
        FakeHost host;
        CountingView view;
        CImageDoc doc(&view, host);
        FCObjImage image = testimg::Varied(5, c.height, 24);
        ASSERT_TRUE(doc.InitFromImage(image));
        const FCObjImage before(doc.GetImage());
        RecordingEffect effect(c.mode);
        doc.ApplyEffect(effect);

        const auto rows = effect.Rows();
        const std::thread::id ui = std::this_thread::get_id();
        std::set<std::thread::id> workers;
        for (int y = 0; y < c.height; ++y)
        {
            ASSERT_EQ(rows.count(y), 1u) << "row " << y;
            const std::thread::id t = rows.find(y)->second;
            EXPECT_EQ(t == ui, y >= c.firstUiRow) << "row " << y;
            if (t != ui) workers.insert(t);
        }
        EXPECT_EQ(int(workers.size()), c.workerThreads);
        for (const auto& [first, last] : c.workerBands)
            for (int y = first; y <= last; ++y)
                EXPECT_EQ(rows.find(y)->second, rows.find(first)->second) << "band " << first << ".." << last;
        EXPECT_EQ(host.progress.reports, c.reports);
        EXPECT_TRUE(testimg::SamePixels(doc.GetImage(), InvertedBlue(before)));
        EXPECT_EQ(view.updates, 1);
        EXPECT_EQ(host.waitCursors, 1);
        EXPECT_EQ(host.waitDepth, 0);
    }
}

TEST_F(ApplyEffect, WholeImageEffectsRunOnTheCallingThread)
{
    SetNbThreads(8);
    SetProcessorCountForTesting(8);
    FakeHost host;
    CountingView view;
    CImageDoc doc(&view, host);
    ASSERT_TRUE(doc.CreateBlank(4, 20, 24));
    RecordingEffect effect(kProcessWholeImage);
    doc.ApplyEffect(effect);
    EXPECT_EQ(effect.wholeImageThread, std::this_thread::get_id());
    EXPECT_TRUE(effect.Rows().empty());
    EXPECT_EQ(host.progress.reports, (std::vector<int>{0, 100}));
}

TEST_F(ApplyEffect, AWorkerThatCannotStartHasItsBandDoneHere)
{
    SetNbThreads(4);
    SetProcessorCountForTesting(4);
    SetBandWorkerStartHookForTesting([](int worker) { return worker != 1; });
    FakeHost host;
    CountingView view;
    CImageDoc doc(&view, host);
    FCObjImage image = testimg::Varied(6, 12, 32);
    ASSERT_TRUE(doc.InitFromImage(image));
    const FCObjImage before(doc.GetImage());
    RecordingEffect effect(kProcessPerPixel);
    doc.ApplyEffect(effect);
    const auto rows = effect.Rows();
    for (int y = 0; y < 12; ++y)
    {
        ASSERT_EQ(rows.count(y), 1u) << "row " << y;
        // Band 1 (rows 3 to 5) and the last band are done by this thread.
        EXPECT_EQ(rows.find(y)->second == std::this_thread::get_id(), (y >= 3 && y < 6) || y >= 9) << y;
    }
    EXPECT_TRUE(testimg::SamePixels(doc.GetImage(), InvertedBlue(before)));
    EXPECT_TRUE(doc.CanUndo());
}

TEST_F(ApplyEffect, RefusedImageShowsTheMessageAndChangesNothing)
{
    FakeHost host;
    CountingView view;
    CImageDoc doc(&view, host);
    ASSERT_TRUE(doc.CreateBlank(5, 5, 8));
    doc.ClearRect(0, 0, 2, 2); // an undo level to keep
    view.updates = 0;
    host.waitCursors = 0;
    const FCObjImage image(doc.GetImage()), undo(doc.GetUndoImage());
    RecordingEffect effect(kProcessPerPixel);
    doc.ApplyEffect(effect);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, L"Format d'image non supporté");
    EXPECT_TRUE(host.messages[0].hasCaption);
    EXPECT_EQ(host.messages[0].caption, L"");
    EXPECT_EQ(host.messages[0].style, DocMsgStyle::Ok);
    EXPECT_TRUE(testimg::SamePixels(doc.GetImage(), image));
    EXPECT_TRUE(testimg::SamePixels(doc.GetUndoImage(), undo));
    EXPECT_TRUE(doc.CanUndo());
    EXPECT_FALSE(doc.CanRedo());
    EXPECT_TRUE(effect.Rows().empty());
    EXPECT_EQ(view.updates, 0);
    EXPECT_TRUE(host.progress.reports.empty());
    EXPECT_EQ(host.waitCursors, 0);
}

// A cancel gives back the image and the undo state from before the effect: the undo level and
// the redo level the user had are kept.
TEST_F(ApplyEffect, CancelRestoresTheImageAndTheUndoStateBeforeIt)
{
    SetNbThreads(4);
    SetProcessorCountForTesting(16);
    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("orvalis-doc-cancel-" + std::to_string(::getpid()) + ".png");
    const std::wstring path = Utf8ToWide(file.string());
    ASSERT_TRUE(testimg::Varied(8, 10, 24).Save(path.c_str(), FCImageProperty()));
    enum class Before
    {
        FromFile,
        WithUndo,
        WithRedo
    };
    for (Before state : {Before::FromFile, Before::WithUndo, Before::WithRedo})
    {
        SCOPED_TRACE(state == Before::FromFile   ? "opened from a file, not modified"
                     : state == Before::WithUndo ? "modified, with an undo level"
                                                 : "an edit undone, with a redo level");
        FakeHost host;
        CountingView view;
        CImageDoc doc(&view, host);
        if (state == Before::FromFile)
            ASSERT_TRUE(doc.InitFromFile(path.c_str()));
        else
        {
            FCObjImage image = testimg::Varied(8, 10, 24);
            ASSERT_TRUE(doc.InitFromImage(image));
            RecordingEffect first(kProcessPerPixel);
            doc.ApplyEffect(first);
            ASSERT_TRUE(doc.CanUndo());
            if (state == Before::WithRedo)
            {
                doc.OnEditUndo();
                ASSERT_TRUE(doc.CanRedo());
            }
        }
        const FCObjImage before(doc.GetImage());
        const FCObjImage undoBefore(doc.GetUndoImage());
        const bool modifiedBefore = doc.IsModified();
        const bool canUndoBefore = doc.CanUndo(), canRedoBefore = doc.CanRedo();
        view.updates = 0;
        host.progress.reports.clear();
        host.progress.answers = {true, true, false}; // 0, the first row of this thread, then Escape
        RecordingEffect effect(kProcessPerPixel);
        doc.ApplyEffect(effect);
        EXPECT_TRUE(testimg::SamePixels(doc.GetImage(), before));
        EXPECT_EQ(doc.GetUndoImage().HasBits(), undoBefore.HasBits());
        if (undoBefore.HasBits())
        {
            EXPECT_TRUE(testimg::SamePixels(doc.GetUndoImage(), undoBefore));
        }
        EXPECT_EQ(doc.CanUndo(), canUndoBefore);
        EXPECT_EQ(doc.CanRedo(), canRedoBefore);
        EXPECT_EQ(doc.IsModified(), modifiedBefore);
        EXPECT_EQ(host.progress.reports, (std::vector<int>{0, 25, 50, 100}));
        EXPECT_EQ(view.updates, 1);
        EXPECT_EQ(host.waitDepth, 0);
        // The calling thread stopped after its second row.
        int uiRows = 0;
        for (const auto& [y, t] : effect.Rows())
            uiRows += t == std::this_thread::get_id();
        EXPECT_EQ(uiRows, 2);
        // The level kept works: undo (or redo) gives back the picture it held.
        if (state != Before::FromFile)
        {
            if (state == Before::WithUndo)
                doc.OnEditUndo();
            else
                doc.OnEditRedo();
            EXPECT_TRUE(testimg::SamePixels(doc.GetImage(), undoBefore));
        }
    }
    std::filesystem::remove(file);
}

TEST_F(ApplyEffect, CompletedEffectSetsTheUndoState)
{
    SetNbThreads(3);
    SetProcessorCountForTesting(8);
    FakeHost host;
    CountingView view;
    CImageDoc doc(&view, host);
    FCObjImage image = testimg::Varied(8, 9, 24);
    ASSERT_TRUE(doc.InitFromImage(image));
    doc.ClearRect(0, 0, 1, 1);
    doc.OnEditUndo();
    ASSERT_TRUE(doc.CanRedo());
    const FCObjImage before(doc.GetImage());
    RecordingEffect effect(kProcessPerRow);
    doc.ApplyEffect(effect);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(doc.CanUndo());
    EXPECT_FALSE(doc.CanRedo());
    EXPECT_FALSE(doc.ArePlanesValid());
    EXPECT_TRUE(testimg::SamePixels(doc.GetUndoImage(), before));
}

namespace
{
// Whole-image effects too: they share their loops with the threads of the document's run.
std::vector<std::string> NonRandomEffectNames()
{
    std::vector<std::string> names;
    for (const EffectEntry* e : EffectRegistry::Instance().All())
    {
        std::string error;
        auto probe = e->make(e->example, error);
        if (!(e->flags & kFxRandom) && probe) names.push_back(e->name);
    }
    if (names.empty()) names.push_back("<none registered>");
    return names;
}

class RegisteredEffectsInADocument : public ::testing::TestWithParam<std::string>
{
protected:
    void SetUp() override { ResetSettings(); }
    void TearDown() override { ResetSettings(); }
};
} // namespace

TEST_P(RegisteredEffectsInADocument, GiveTheSameBytesOnOneAndEightThreads)
{
    if (GetParam() == "<none registered>") GTEST_SKIP() << "no effect is registered";
    const EffectEntry& e = *EffectRegistry::Instance().Find(GetParam());
    SetProcessorCountForTesting(8);
    std::string error;
    for (int bpp : {24, 32})
    {
        FCObjImage results[2];
        for (int i = 0; i < 2; ++i)
        {
            SetNbThreads(i == 0 ? 1 : 8);
            FakeHost host;
            CountingView view;
            CImageDoc doc(&view, host);
            FCObjImage image = testimg::Varied(23, 37, bpp);
            ASSERT_TRUE(doc.InitFromImage(image));
            auto effect = e.make(e.example, error);
            ASSERT_TRUE(effect) << error;
            doc.ApplyEffect(*effect);
            results[i] = doc.GetImage();
        }
        EXPECT_TRUE(results[0].HasBits());
        EXPECT_TRUE(testimg::SamePixels(results[0], results[1])) << bpp << " bits";
        // Against the single-thread driver: the bands cover the image as prepared.
        FCObjImage reference = testimg::Varied(23, 37, bpp);
        auto effect = e.make(e.example, error);
        FCObjImage::ApplyEffect(reference, *effect, nullptr);
        EXPECT_TRUE(testimg::SamePixels(results[1], reference)) << bpp << " bits";
    }
}

INSTANTIATE_TEST_SUITE_P(All, RegisteredEffectsInADocument, ::testing::ValuesIn(NonRandomEffectNames()),
                         [](const ::testing::TestParamInfo<std::string>& info)
                         {
                             std::string name;
                             for (char c : info.param)
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

// "NbThreads" is the thread count of every effect of the document, whole-image ones included: one
// thread (and none started) at 1, eight at 8, as the runner counts them.
TEST_F(ApplyEffect, TheThreadsOfAnEffectAreThoseOfNbThreads)
{
    SetProcessorCountForTesting(8);
    const struct
    {
        const char* name;
        std::vector<std::string> arguments;
    } effects[] = {
        {"FCEffectInvert", {}},                                      // per row
        {"FCEffectMedian", {}},                                      // per pixel, a row at a time
        {"FCEffectBlur_GaussCopyEdge", {"6"}},                       // whole image, two passes
        {"FCEffectResize", {"200", "150"}},                          // whole image, two passes
        {"FCEffectFourierCirculaire", {"40", "1"}},                  // the transform's own loops
        {"FCEffectContoursFilter<&FCEffectContoursLaplacien8>", {}}, // whole image, blocks of rows
    };
    for (int nbThreads : {1, 8})
        for (const auto& e : effects)
        {
            SCOPED_TRACE(std::string(e.name) + " with NbThreads " + std::to_string(nbThreads));
            const EffectEntry* entry = EffectRegistry::Instance().Find(e.name);
            ASSERT_TRUE(entry);
            std::string error;
            auto effect = entry->make(e.arguments, error);
            ASSERT_TRUE(effect) << error;
            SetNbThreads(nbThreads);
            FakeHost host;
            CountingView view;
            CImageDoc doc(&view, host);
            // Tall enough for eight blocks of the contour passes (64 rows at least each).
            FCObjImage image = testimg::Varied(256, 512, 24);
            ASSERT_TRUE(doc.InitFromImage(image));
            const int started = FCEffectRun::ThreadsStartedForTesting();
            doc.ApplyEffect(*effect);
            EXPECT_TRUE(doc.CanUndo());
            EXPECT_EQ(FCEffectRun::LastThreadsUsedForTesting(), nbThreads);
            if (nbThreads == 1)
            {
                EXPECT_EQ(FCEffectRun::ThreadsStartedForTesting(), started);
            }
        }
}

TEST_F(ApplyEffect, CommandsDuringAnEffectAreIgnored)
{
    // The progress display lets events through while the effect runs; a command or a second
    // effect reaching the document then must not touch the image.
    FakeHost host;
    CountingView view;
    CImageDoc doc(&view, host);
    FCObjImage image = testimg::Varied(4, 6, 24);
    ASSERT_TRUE(doc.InitFromImage(image));
    const FCObjImage before(doc.GetImage());
    RecordingEffect nested(kProcessPerPixel);
    bool handled = false;
    host.progress.onReport = [&](int percent)
    {
        if (percent != 50) return;
        handled = doc.OnCommand(kCmdEditUndo) && doc.OnCommand(kCmdConvert32);
        doc.ApplyEffect(nested);
    };
    RecordingEffect effect(kProcessPerRow);
    doc.ApplyEffect(effect);
    EXPECT_TRUE(handled);
    EXPECT_TRUE(nested.Rows().empty());
    EXPECT_EQ(doc.GetImage().ColorBits(), 24);
    EXPECT_TRUE(testimg::SamePixels(doc.GetImage(), InvertedBlue(before)));
    EXPECT_FALSE(doc.IsBusy());
    EXPECT_TRUE(doc.OnCommand(kCmdEditUndo));
    EXPECT_TRUE(testimg::SamePixels(doc.GetImage(), before));
}
