// Geometry beyond the registered examples: the Catmull-Rom resize to 50 % and 150 % on runs of 1
// and 8 threads, FreeImage's Lanczos rescale to 150 %, and the free rotation by 30 degrees and the
// rhombus by 1000 pixels at both depths on 1 and 8 threads, on the 6000 x 4000 bench image.
#include "bench/BenchImages.h"
#include "imagelib/FCBandRunner.h"
#include "imagelib/effects/DistortEffects.h"
#include "imagelib/effects/ResizeEffects.h"

#include <benchmark/benchmark.h>

template <class Effect, class... Args> static void RunResize(benchmark::State& state, Args... args)
{
    const FCObjImage source = MakeBenchImage(int(state.range(0)));
    for (auto _ : state)
    {
        state.PauseTiming();
        FCObjImage image(source);
        Effect effect(args...);
        state.ResumeTiming();
        RunEffect(image, effect, int(state.range(1)));
        benchmark::DoNotOptimize(image.GetBits());
        state.PauseTiming();
        image.Destroy();
        state.ResumeTiming();
    }
}

static void BM_ResizeCatmullRom50(benchmark::State& state)
{
    RunResize<FCEffectResize>(state, 3000, 2000);
}
BENCHMARK(BM_ResizeCatmullRom50)
    ->ArgNames({"bpp", "threads"})
    ->ArgsProduct({{24, 32}, {1, 8}})
    ->Unit(benchmark::kMillisecond);

static void BM_ResizeCatmullRom150(benchmark::State& state)
{
    RunResize<FCEffectResize>(state, 9000, 6000);
}
BENCHMARK(BM_ResizeCatmullRom150)
    ->ArgNames({"bpp", "threads"})
    ->ArgsProduct({{24, 32}, {1, 8}})
    ->Unit(benchmark::kMillisecond);

static void BM_ResizeFreeImageLanczos150(benchmark::State& state)
{
    RunResize<FCEffectResizeFreeImage>(state, 9000, 6000, 5);
}
BENCHMARK(BM_ResizeFreeImageLanczos150)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);

// At 32 bits the bench image's alpha varies: the rotation's groups mostly take the translucent
// road, pixel by pixel, and the rhombus (which ignores alpha) its vector groups.
static void BM_Rotate30Bilinear(benchmark::State& state)
{
    RunResize<FCEffectRotate>(state, 0.5235987755982988, 0u);
}
BENCHMARK(BM_Rotate30Bilinear)
    ->ArgNames({"bpp", "threads"})
    ->ArgsProduct({{24, 32}, {1, 8}})
    ->Unit(benchmark::kMillisecond);

static void BM_Rhombus1000(benchmark::State& state)
{
    RunResize<FCEffectLosange>(state, 1000, 0);
}
BENCHMARK(BM_Rhombus1000)
    ->ArgNames({"bpp", "threads"})
    ->ArgsProduct({{24, 32}, {1, 8}})
    ->Unit(benchmark::kMillisecond);
