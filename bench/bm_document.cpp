// The document's effect application on 1, 2, 4 and 8 threads (undo copy included), the live
// preview's time to its first rows and to completion, and the memory a document takes while a
// preview runs, on the 6000 x 4000 bench image. Effects are taken from the effect table by name;
// one that is not registered yet is reported as skipped.
#include "bench/BenchImages.h"
#include "bench/EffectRegistry.h"
#include "document/CImageDoc.h"
#include "document/CView.h"
#include "platform/settings/Settings.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <unistd.h>

namespace
{
class QuietProgress : public FCProgressObserver
{
public:
    bool OnProgress(int) override { return true; }
};

// A main window that shows nothing; it times the preview's repaint requests and posts.
class BenchHost : public CDocHost
{
public:
    DocMsgAnswer MessageBox(const std::wstring&, const wchar_t*, DocMsgStyle) override
    {
        return DocMsgAnswer::Ok;
    }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    std::optional<SaveAsChoice> AskSaveAs(const std::wstring&, const std::wstring&) override { return {}; }
    void ShowInfo(const std::wstring&, const std::wstring&, const std::wstring&) override {}
    void CreateToolView(CImageDoc&, int) override {}
    CView* ActiveView() override { return view; }
    void RemoveDocument(CImageDoc*) override {}
    void AddRecentFile(const std::wstring&) override {}
    std::wstring LastFolder() override { return {}; }
    void SetLastFolder(const std::wstring&) override {}
    bool ReadClipboardImage(FCObjImage&) override { return false; }
    FCProgressObserver& UiProgress() override { return progress; }
    void PostProgress(int percent) override
    {
        std::lock_guard lock(mutex);
        hundreds += percent == 100;
        changed.notify_all();
    }
    int Hundreds()
    {
        std::lock_guard lock(mutex);
        return hundreds;
    }
    void WaitForHundreds(int n)
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return hundreds >= n; });
    }

    CView* view = nullptr;
    QuietProgress progress;
    std::mutex mutex;
    std::condition_variable changed;
    int hundreds = 0;
};

// Settings of the benchmark's own, never the user's.
void UseBenchSettings(int threads)
{
    static const std::string dir = "/tmp/orvalis-bench-config-" + std::to_string(::getpid());
    ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    SetProcessorCountForTesting(8);
    SetNbThreads(threads);
}

std::unique_ptr<FCImageEffect> MakeRegistered(const char* name, benchmark::State& state)
{
    const EffectEntry* entry = EffectRegistry::Instance().Find(name);
    if (!entry)
    {
        state.SkipWithError((std::string(name) + " is not registered").c_str());
        return nullptr;
    }
    std::string error;
    auto effect = entry->make(entry->example, error);
    if (!effect) state.SkipWithError(error.c_str());
    return effect;
}

void ApplyInDocument(benchmark::State& state, const char* effectName)
{
    UseBenchSettings(int(state.range(0)));
    BenchHost host;
    CView view;
    CImageDoc doc(&view, host);
    FCObjImage image = MakeBenchImage(24);
    doc.InitFromImage(image);
    for (auto _ : state)
    {
        auto effect = MakeRegistered(effectName, state);
        if (!effect) break;
        doc.ApplyEffect(*effect); // the undo copy is part of it
        benchmark::DoNotOptimize(doc.GetImage().GetBits());
    }
    state.SetLabel(effectName);
}

// Resident memory now and at its peak since the last reset, in bytes.
long long StatusBytes(const char* field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0) return std::atoll(line.c_str() + std::strlen(field)) * 1024;
    return -1;
}

void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

const char* kGaussianBlur = "FCEffectBlur_GaussCopyEdge";
} // namespace

// 1, 2, 4 and 8 threads, in wall-clock time.
static void ThreadCounts(benchmark::internal::Benchmark* b)
{
    for (int n : {1, 2, 4, 8})
        b->Arg(n);
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK_CAPTURE(ApplyInDocument, LookupTable, "FCEffectBrightnessContrast")->Apply(ThreadCounts);
BENCHMARK_CAPTURE(ApplyInDocument, Convolution3x3, "FCEffectConvolute")->Apply(ThreadCounts);

// Time from the slider change (RunPreview) to the first rows shown, and to the last.
static void BM_DocPreviewGaussianBlur(benchmark::State& state)
{
    UseBenchSettings(1);
    BenchHost host;
    CView view;
    std::mutex firstMutex;
    std::condition_variable firstShown;
    bool shown = false;
    view.RepaintHandle()->Attach(
        [&]
        {
            std::lock_guard lock(firstMutex);
            shown = true;
            firstShown.notify_all();
        });
    host.view = &view;
    CImageDoc doc(&view, host);
    FCObjImage image = MakeBenchImage(24);
    doc.InitFromImage(image);
    doc.BeginPreview();
    double firstTotal = 0;
    for (auto _ : state)
    {
        auto effect = MakeRegistered(kGaussianBlur, state);
        if (!effect) break;
        {
            std::lock_guard lock(firstMutex);
            shown = false;
        }
        const int hundreds = host.Hundreds();
        const auto start = std::chrono::steady_clock::now();
        doc.RunPreview(effect.release());
        {
            std::unique_lock lock(firstMutex);
            firstShown.wait(lock, [&] { return shown; });
        }
        const auto first = std::chrono::steady_clock::now();
        host.WaitForHundreds(hundreds +
                             (hundreds > 0 ? 3 : 2)); // the previous job's stop, then this one's end
        const auto end = std::chrono::steady_clock::now();
        firstTotal += std::chrono::duration<double, std::milli>(first - start).count();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    doc.EndPreview();
    view.RepaintHandle()->Detach();
    state.counters["first_rows_ms"] = benchmark::Counter(firstTotal, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_DocPreviewGaussianBlur)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

// What the user of an effect dialog waits for after moving a slider: the time from the new
// preview's start (RunPreview, which first stops the running job) to its first rows reaching
// the picture (the first repaint request), for an effect that works row by row.
static void BM_DocPreviewFirstRowsPerRowEffect(benchmark::State& state)
{
    UseBenchSettings(1);
    BenchHost host;
    CView view;
    std::mutex firstMutex;
    std::condition_variable firstShown;
    bool shown = false;
    std::chrono::steady_clock::time_point shownAt;
    view.RepaintHandle()->Attach(
        [&]
        {
            std::lock_guard lock(firstMutex);
            if (shown) return;
            shown = true;
            shownAt = std::chrono::steady_clock::now();
            firstShown.notify_all();
        });
    host.view = &view;
    CImageDoc doc(&view, host);
    FCObjImage image = MakeBenchImage(24);
    doc.InitFromImage(image);
    doc.BeginPreview();
    // The dialog's opening preview comes before any move.
    if (auto opening = MakeRegistered("FCEffectBrightnessContrast", state))
    {
        doc.RunPreview(opening.release());
        host.WaitForHundreds(2);
    }
    for (auto _ : state)
    {
        auto effect = MakeRegistered("FCEffectBrightnessContrast", state);
        if (!effect) break;
        {
            std::lock_guard lock(firstMutex);
            shown = false;
        }
        const int hundreds = host.Hundreds();
        const auto start = std::chrono::steady_clock::now();
        doc.RunPreview(effect.release());
        std::chrono::steady_clock::time_point first;
        {
            std::unique_lock lock(firstMutex);
            firstShown.wait(lock, [&] { return shown; });
            first = shownAt;
        }
        state.SetIterationTime(std::chrono::duration<double>(first - start).count());
        host.WaitForHundreds(hundreds + (hundreds > 0 ? 3 : 2)); // the job ends before the next move
    }
    doc.EndPreview();
    view.RepaintHandle()->Detach();
    state.SetLabel("FCEffectBrightnessContrast");
}
BENCHMARK(BM_DocPreviewFirstRowsPerRowEffect)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

// A 6000 x 4000 x 32 document with an undo level, previewing an effect: the peak resident
// memory it takes (image, undo image, preview backup, working copy and whatever the effect
// needs), against the image size.
static void BM_DocPreviewPeakMemory(benchmark::State& state)
{
    UseBenchSettings(1);
    const char* name = EffectRegistry::Instance().Find(kGaussianBlur) ? kGaussianBlur : "FCEffectInvert";
    for (auto _ : state)
    {
        ResetPeak();
        const long long base = StatusBytes("VmRSS:");
        FCObjImage image = MakeBenchImage(32);
        const double imageBytes = double(image.RowPitch()) * image.Height();
        {
            BenchHost host;
            CView view;
            host.view = &view;
            CImageDoc doc(&view, host);
            doc.InitFromImage(image);
            auto edit = MakeRegistered("FCEffectInvert", state);
            if (!edit) break;
            doc.ApplyEffect(*edit); // an undo image
            doc.BeginPreview();
            auto effect = MakeRegistered(name, state);
            if (!effect) break;
            doc.RunPreview(effect.release());
            host.WaitForHundreds(2);
            doc.EndPreview();
        }
        const long long peak = StatusBytes("VmHWM:");
        state.counters["peak_MB"] = double(peak - base) / (1 << 20);
        state.counters["image_MB"] = imageBytes / (1 << 20);
        state.counters["images"] = double(peak - base) / imageBytes;
    }
    state.SetLabel(name);
}
BENCHMARK(BM_DocPreviewPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);
