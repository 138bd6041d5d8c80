#include "bench/BenchImages.h"
#include "bench/EffectRegistry.h"
#include "imagelib/FCBandRunner.h"

#include <benchmark/benchmark.h>

static void BM_ImageCopy(benchmark::State& state)
{
    const FCObjImage source = MakeBenchImage(int(state.range(0)));
    for (auto _ : state)
    {
        FCObjImage copy(source);
        benchmark::DoNotOptimize(copy.GetBits());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * source.RowPitch() * source.Height());
}
BENCHMARK(BM_ImageCopy)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);

static void BM_ConvertBitDepth(benchmark::State& state)
{
    const int from = int(state.range(0));
    const int to = int(state.range(1));
    const FCObjImage source = MakeBenchImage(from);
    for (auto _ : state)
    {
        state.PauseTiming();
        FCObjImage image(source);
        state.ResumeTiming();
        image.ConvertBitDepth(to);
        benchmark::DoNotOptimize(image.GetBits());
    }
}
BENCHMARK(BM_ConvertBitDepth)->Args({24, 32})->Args({32, 24})->Args({8, 24})->Unit(benchmark::kMillisecond);

void RegisterRegisteredEffectBenchmarks();

// Every registered effect with its example arguments, on 24 and 32 bits, 1 and 8 threads.
static void BM_RegisteredEffect(benchmark::State& state, const EffectEntry* entry, int bpp, int threads)
{
    const FCObjImage source = MakeBenchImage(bpp);
    std::string error;
    for (auto _ : state)
    {
        state.PauseTiming();
        FCObjImage image(source);
        auto effect = entry->make(entry->example, error);
        state.ResumeTiming();
        if (effect) RunEffect(image, *effect, threads);
        benchmark::DoNotOptimize(image.GetBits());
    }
}

void RegisterRegisteredEffectBenchmarks()
{
    for (const EffectEntry* e : EffectRegistry::Instance().All())
        for (int bpp : {24, 32})
            for (int threads : {1, 8})
                benchmark::RegisterBenchmark(
                    (e->name + "/" + std::to_string(bpp) + "bpp/threads:" + std::to_string(threads)).c_str(),
                    BM_RegisteredEffect, e, bpp, threads)
                    ->Unit(benchmark::kMillisecond);
}
