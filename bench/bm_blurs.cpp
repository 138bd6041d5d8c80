// The Gaussian family on the 6000 x 4000 bench image on runs of 1 or 8 threads, for several radii.
#include "bench/BenchImages.h"
#include "imagelib/FCBandRunner.h"
#include "imagelib/effects/GaussBlurEffects.h"

#include <benchmark/benchmark.h>

template <class Effect, class... Args> static void RunGaussFamily(benchmark::State& state, Args... args)
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
    }
}

static void GaussArgs(benchmark::internal::Benchmark* b)
{
    for (int bpp : {24, 32})
        for (int threads : {1, 8})
            b->Args({bpp, threads});
    b->ArgNames({"bpp", "threads"})->Unit(benchmark::kMillisecond);
}

static void BM_GaussBlurRadius5(benchmark::State& state)
{
    RunGaussFamily<FCEffectBlur_GaussCopyEdge>(state, 5);
}
BENCHMARK(BM_GaussBlurRadius5)->Apply(GaussArgs);

static void BM_GaussBlurRadius10(benchmark::State& state)
{
    RunGaussFamily<FCEffectBlur_GaussCopyEdge>(state, 10);
}
BENCHMARK(BM_GaussBlurRadius10)->Apply(GaussArgs);

static void BM_GaussBlurRadius32(benchmark::State& state)
{
    RunGaussFamily<FCEffectBlur_GaussCopyEdge>(state, 32);
}
BENCHMARK(BM_GaussBlurRadius32)->Apply(GaussArgs);

static void BM_UnsharpMaskRadius5(benchmark::State& state)
{
    RunGaussFamily<FCEffectUNSharpMask>(state, 5, 70, 0);
}
BENCHMARK(BM_UnsharpMaskRadius5)->Apply(GaussArgs);
