// The Fourier transform object and the Fourier filters, on runs of 1 and 8 threads: forward plus
// inverse transform of one plane, and whole filter commands (Y/U/V split, transforms, window,
// write-back) on the bench image.
#include "bench/BenchImages.h"
#include "imagelib/FCBandRunner.h"
#include "imagelib/FFTW3Helper.h"
#include "imagelib/effects/FourierEffects.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

// Arguments: width, height, threads of the run.
static void BM_FourierForwardInverse(benchmark::State& state)
{
    const int w = int(state.range(0)), h = int(state.range(1));
    FFTW3Helper transform;
    const FCEffectRun run(int(state.range(2)));
    FCObjImage size;
    size.Create(w, h, 24);
    const std::size_t n = std::size_t(w) * h;
    std::vector<float> plane(n), re(n), im(n);
    for (std::size_t i = 0; i < n; ++i)
        plane[i] = float((i * 2654435761u >> 24) & 0xFF);
    // Planned once, outside the timing, as for repeated previews of one image.
    transform.PlanForward(size);
    transform.PlanInverse(size);
    for (auto _ : state)
    {
        transform.Forward(size, plane.data(), re.data(), im.data());
        transform.Inverse(size, re.data(), im.data(), plane.data());
        benchmark::DoNotOptimize(plane.data());
    }
}
BENCHMARK(BM_FourierForwardInverse)
    ->Args({2048, 2048, 1})
    ->Args({2048, 2048, 8})
    ->Args({4096, 4096, 1})
    ->Args({4096, 4096, 8})
    ->Args({6000, 4000, 1})
    ->Args({6000, 4000, 8})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Runs the effect that make(transform) builds on a fresh copy of the bench image at each
// iteration; the copy is not timed, the plans are made beforehand.
template <class Make> static void RunFilter(benchmark::State& state, int w, int h, int fftwThreads, Make make)
{
    FFTW3Helper transform;
    const FCObjImage source = MakeBenchImage(24, w, h);
    transform.PlanForward(source);
    transform.PlanInverse(source);
    for (auto _ : state)
    {
        state.PauseTiming();
        FCObjImage image(source);
        state.ResumeTiming();
        auto effect = make(&transform);
        RunEffect(image, effect, fftwThreads);
        benchmark::DoNotOptimize(image.GetBits());
    }
}

// Arguments: width, height, threads, luminance only (1) or Y+U+V (0). The circular low-pass
// at a radius of a quarter of the smaller side, on a 24-bit image.
static void BM_FourierCircularLowPass(benchmark::State& state)
{
    const int w = int(state.range(0)), h = int(state.range(1));
    const bool luminanceOnly = state.range(3) != 0;
    RunFilter(state, w, h, int(state.range(2)),
              [&](FFTW3Helper* t)
              { return FCEffectFourierCirculaire(t, std::min(w, h) / 4, luminanceOnly); });
}
BENCHMARK(BM_FourierCircularLowPass)
    ->Args({2048, 2048, 1, 1})
    ->Args({2048, 2048, 8, 1})
    ->Args({2048, 2048, 8, 0})
    ->Args({6000, 4000, 1, 1})
    ->Args({6000, 4000, 8, 1})
    ->Args({6000, 4000, 1, 0})
    ->Args({6000, 4000, 8, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The Gaussian on all three planes of the 6000 x 4000 image: its weights cost one exponential per
// cell. Argument: threads.
static void BM_FourierGaussianYuv(benchmark::State& state)
{
    RunFilter(state, 6000, 4000, int(state.range(0)),
              [](FFTW3Helper* t) { return FCEffectFourierYuvGaussien(t, 0.002); });
}
BENCHMARK(BM_FourierGaussianYuv)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();
