// What a person waits for in the windows, on the real widgets (offscreen platform), with a
// 6000 x 4000 x 24 picture (the benchmarks' own, or the file named by ORVALIS_BENCH_PICTURE):
// opening a JPEG from the command line to the first painted frame, beside the JPEG decode alone;
// one repaint at "fit" after a zoom step and at 1:1 after a scroll step.
#include "bench/BenchImages.h"
#include "imagelib/FCImageCodec.h"
#include "imagelib/FCImageProperty.h"
#include "platform/qt/Prompt.h"
#include "shell/CMainFrame.h"
#include "views/CBitmapViewBase.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QTemporaryDir>

#include <chrono>
#include <cstdlib>
#include <memory>

namespace
{
// Every question is answered "no": nothing waits for a person.
class NoPrompts : public IPromptHandler
{
public:
    int Ask(const PromptRequest& r) override { return r.buttons == PromptButtons::Ok ? IDOK : IDNO; }
    void Beep() override {}
};

QTemporaryDir& Folder()
{
    static QTemporaryDir dir;
    return dir;
}

// The JPEG the benchmarks open, written once at quality 90.
const QString& Jpeg()
{
    static const QString path = []
    {
        const QString p = Folder().filePath(QStringLiteral("window.jpg"));
        FCObjImage image;
        const char* given = std::getenv("ORVALIS_BENCH_PICTURE");
        if (!(given && *given && image.Load(QString::fromLocal8Bit(given).toStdWString().c_str())))
            image = MakeBenchImage(24);
        if (image.ColorBits() != 24) image.ConvertBitDepth(24);
        FCImageProperty prop;
        prop.saveParameter = 90;
        image.Save(p.toStdWString().c_str(), prop);
        return p;
    }();
    return path;
}

// Notes the end of the first paint of a widget.
class PaintWatch : public QObject
{
public:
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) painted = true;
        return false;
    }
};

struct Frame
{
    Frame()
    {
        frame.Create();
        frame.resize(1600, 1200);
        frame.show();
        QCoreApplication::processEvents();
    }
    ~Frame() { CloseAll(); }
    CBitmapViewBase* Open()
    {
        frame.OpenFile(Jpeg(), false);
        QCoreApplication::processEvents();
        return frame.GetActiveView();
    }
    void CloseAll()
    {
        frame.MdiArea()->closeAllSubWindows();
        for (int i = 0; i < 3; ++i)
        {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
    CMainFrame frame;
};

void BM_DecodeJpegAlone(benchmark::State& state)
{
    const std::wstring path = Jpeg().toStdWString();
    for (auto _ : state)
    {
        FCObjImage image;
        if (!image.Load(path.c_str())) state.SkipWithError("load failed");
    }
}
BENCHMARK(BM_DecodeJpegAlone)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// From the open request to the end of the view's first paint, as the command line opens a file.
void BM_OpenJpegToFirstFrame(benchmark::State& state)
{
    Jpeg();
    Frame f;
    for (auto _ : state)
    {
        PaintWatch watch;
        const auto start = std::chrono::steady_clock::now();
        f.frame.OpenFile(Jpeg(), false);
        CBitmapViewBase* view = f.frame.GetActiveView();
        if (!view)
        {
            state.SkipWithError("no view");
            break;
        }
        view->viewport()->installEventFilter(&watch);
        QElapsedTimer guard;
        guard.start();
        while (!watch.painted && guard.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const auto end = std::chrono::steady_clock::now();
        view->viewport()->removeEventFilter(&watch);
        if (!watch.painted) state.SkipWithError("never painted");
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        state.PauseTiming();
        f.CloseAll();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenJpegToFirstFrame)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

// One repaint of the whole view after a step, the window maximised: at "fit" after a zoom step
// from 1:1 (the fitted picture is kept from before), at 1:1 after a zoom step from "fit", at 1:1
// after a scroll step, and at 50 % after a zoom step from 1:1 (the picture shrunk anew). Only the
// repaint after the step is timed.
void BM_RepaintAfterStep(benchmark::State& state)
{
    const int kind = int(state.range(0));
    Frame f;
    CBitmapViewBase* view = f.Open();
    if (!view)
    {
        state.SkipWithError("no view");
        return;
    }
    if (QMdiSubWindow* sub = f.frame.MdiArea()->activeSubWindow()) sub->showMaximized();
    QCoreApplication::processEvents();
    const int zoom = kind == 0 ? 0 : (kind == 3 ? 128 : 256), from = kind == 1 ? 0 : 256;
    view->SetZoom(zoom);
    QCoreApplication::processEvents();
    for (auto _ : state)
    {
        if (kind == 2)
        {
            QScrollBar* bar = view->horizontalScrollBar();
            const int to = bar->value() + bar->singleStep() * 8;
            bar->setValue(to > bar->maximum() ? 0 : to);
        }
        else
        {
            state.PauseTiming();
            view->SetZoom(from);
            view->viewport()->repaint();
            state.ResumeTiming();
            view->SetZoom(zoom);
        }
        view->viewport()->repaint();
    }
    const char* labels[] = {"fit, after a zoom step", "1:1, after a zoom step", "1:1, after a scroll step",
                            "50 %, after a zoom step"};
    state.SetLabel(labels[kind]);
}
BENCHMARK(BM_RepaintAfterStep)
    ->ArgName("kind")
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Settings of their own: the benchmarks never read or write the user's.
    qputenv("XDG_CONFIG_HOME", QDir(Folder().path()).filePath(QStringLiteral("config")).toUtf8());
    QApplication app(argc, argv);
    NoPrompts prompts;
    SetPromptHandler(&prompts);
    FCObjImage::SetCodecFactory(new CImageCodecFactory);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    SetPromptHandler(nullptr);
    return 0;
}
