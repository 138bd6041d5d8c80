// Neighbourhood effects beyond the registered examples, on the 6000 x 4000 bench image at 24 and
// 32 bits, 1 and 8 threads: the menu kernels and a 5 x 5 kernel through FCEffectConvolute, a
// kernel whose sums need 64 bits, and the other Canny variants.
#include "bench/BenchImages.h"
#include "imagelib/FCBandRunner.h"
#include "imagelib/effects/ContourEffects.h"
#include "imagelib/effects/ConvolutionEffects.h"

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <vector>

namespace
{
void RunNeighbour(benchmark::State& state, const std::function<std::unique_ptr<FCImageEffect>()>& make)
{
    const FCObjImage source = MakeBenchImage(int(state.range(0)));
    const int threads = int(state.range(1));
    for (auto _ : state)
    {
        state.PauseTiming();
        FCObjImage image(source);
        auto effect = make();
        state.ResumeTiming();
        RunEffect(image, *effect, threads);
        benchmark::DoNotOptimize(image.GetBits());
        state.PauseTiming();
        image.Destroy();
        state.ResumeTiming();
    }
}

std::function<std::unique_ptr<FCImageEffect>()> Kernel(std::vector<int> weights, int size, int divisor,
                                                       int offset)
{
    return [=]
    {
        auto effect = std::make_unique<FCEffectConvolute>();
        effect->SetKernel(weights.data(), size, divisor, offset);
        return effect;
    };
}

std::vector<int> Menu(const FCConvolutionKernel3x3& k)
{
    return std::vector<int>(k.weights, k.weights + 9);
}

void Sizes(benchmark::internal::Benchmark* b)
{
    for (int bpp : {24, 32})
        for (int threads : {1, 8})
            b->Args({bpp, threads});
    b->ArgNames({"bpp", "threads"})->Unit(benchmark::kMillisecond)->UseRealTime();
}
} // namespace

static void BM_ConvoluteLaplacien(benchmark::State& state)
{
    RunNeighbour(state, Kernel(Menu(kKernelLaplacien), 3, kKernelLaplacien.divisor, kKernelLaplacien.offset));
}
BENCHMARK(BM_ConvoluteLaplacien)->Apply(Sizes);

static void BM_ConvolutePasseHaut(benchmark::State& state)
{
    RunNeighbour(state, Kernel(Menu(kKernelPasseHaut), 3, kKernelPasseHaut.divisor, kKernelPasseHaut.offset));
}
BENCHMARK(BM_ConvolutePasseHaut)->Apply(Sizes);

static void BM_Convolute5x5(benchmark::State& state)
{
    RunNeighbour(
        state,
        Kernel({2, 4, 5, 4, 2, 4, 9, 12, 9, 4, 5, 12, 15, 12, 5, 4, 9, 12, 9, 4, 2, 4, 5, 4, 2}, 5, 159, 0));
}
BENCHMARK(BM_Convolute5x5)->Apply(Sizes);

// Weights of about 10^7: sums beyond 32 bits, the plain 64-bit path.
static void BM_Convolute3x3Sums64(benchmark::State& state)
{
    RunNeighbour(state, Kernel({10000000, 20000000, 10000000, 20000000, 40000000, 20000000, 10000000,
                                20000000, 10000000},
                               3, 160000000, 0));
}
BENCHMARK(BM_Convolute3x3Sums64)->Apply(Sizes);

static void BM_CannyVariants(benchmark::State& state)
{
    const bool use5x5 = state.range(2) != 0;
    const bool suppress = state.range(3) != 0;
    RunNeighbour(state, [=] { return std::make_unique<FCEffectContoursCanny>(use5x5, suppress); });
}
BENCHMARK(BM_CannyVariants)
    ->ArgNames({"bpp", "threads", "use5x5", "suppress"})
    ->Args({24, 1, 0, 0})
    ->Args({24, 1, 1, 0})
    ->Args({24, 1, 1, 1})
    ->Args({32, 1, 1, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
