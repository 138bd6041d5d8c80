// Colour and tone beyond the registered examples (which the table times on 24 and 32 bits, 1 and
// 8 threads): a lookup table applied pixel by pixel as composite effects do, histogram counting
// through the driver and directly, the colour-model round trips, and the hue/saturation and
// colour-balance settings of the dialogs' extremes. All on the 6000 x 4000 bench image.
#include "bench/BenchImages.h"
#include "imagelib/FCBandRunner.h"
#include "imagelib/effects/ColorEffects.h"
#include "imagelib/effects/ColorModel.h"
#include "imagelib/effects/HistogramEffects.h"

#include <benchmark/benchmark.h>

template <class Effect, class... Args> static void RunColourEffect(benchmark::State& state, Args... args)
{
    const FCObjImage source = MakeBenchImage(int(state.range(0)));
    const int threads = int(state.range(1));
    for (auto _ : state)
    {
        state.PauseTiming();
        FCObjImage image(source);
        Effect effect(args...);
        state.ResumeTiming();
        RunEffect(image, effect, threads);
        benchmark::DoNotOptimize(image.GetBits());
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * source.Width() * source.Height());
}

// The per-pixel path of a lookup table, as the blurs and artistic effects use it.
static void BM_LutPerPixel(benchmark::State& state)
{
    const FCObjImage source = MakeBenchImage(int(state.range(0)));
    for (auto _ : state)
    {
        state.PauseTiming();
        FCObjImage image(source);
        FCEffectBrightnessContrast effect(20, -30);
        state.ResumeTiming();
        effect.PrepareImage(image);
        const int step = image.ColorBits() / 8;
        for (int y = 0; y < image.Height(); ++y)
        {
            BYTE* p = image.RowAddress(y);
            for (int x = 0; x < image.Width(); ++x, p += step)
                effect.ApplyToPixel(image, x, y, p);
        }
        benchmark::DoNotOptimize(image.GetBits());
    }
}
BENCHMARK(BM_LutPerPixel)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);

// What the equalisations and automatic levels run before mapping, and the levels dialog once.
static void BM_HistogramCountDirect(benchmark::State& state)
{
    const FCObjImage source = MakeBenchImage(int(state.range(0)));
    for (auto _ : state)
    {
        FCEffectGetHistogram histogram;
        histogram.Count(source);
        benchmark::DoNotOptimize(histogram.Red().data());
    }
}
BENCHMARK(BM_HistogramCountDirect)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);

static void BM_HistogramCountDriver(benchmark::State& state)
{
    FCObjImage source = MakeBenchImage(int(state.range(0)));
    for (auto _ : state)
    {
        FCEffectGetHistogram histogram;
        FCObjImage::ApplyEffect(source, histogram, nullptr);
        benchmark::DoNotOptimize(histogram.Red().data());
    }
}
BENCHMARK(BM_HistogramCountDriver)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);

// Conversions per colour: 2^20 colours spread over the cube, there and back.
template <class RoundTrip> static void RunRoundTrips(benchmark::State& state, RoundTrip roundTrip)
{
    for (auto _ : state)
    {
        unsigned sum = 0;
        for (unsigned i = 0; i < (1u << 20); ++i)
        {
            const BYTE bgr[3] = {BYTE(i * 16), BYTE(i >> 4), BYTE(i >> 12)};
            sum += roundTrip(bgr).rgbRed;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) << 20);
}

static void BM_HlsRoundTrip(benchmark::State& state)
{
    RunRoundTrips(state,
                  [](const BYTE* bgr)
                  {
                      double h, l, s;
                      RGBtoHLS(bgr, h, l, s);
                      return HLStoRGB(h, l, s);
                  });
}
BENCHMARK(BM_HlsRoundTrip)->Unit(benchmark::kMillisecond);

static void BM_HsvRoundTrip(benchmark::State& state)
{
    RunRoundTrips(state,
                  [](const BYTE* bgr)
                  {
                      double h, s, v;
                      RGBtoHSV(bgr, h, s, v);
                      return HSVtoRGB(h, s, v);
                  });
}
BENCHMARK(BM_HsvRoundTrip)->Unit(benchmark::kMillisecond);

// The extremes of the dialogs, 24 and 32 bits on 1 and 8 threads.
static void BM_HueSaturationGrey(benchmark::State& state)
{
    RunColourEffect<FCEffectHueSaturation>(state, 0, -100);
}
BENCHMARK(BM_HueSaturationGrey)->ArgsProduct({{24, 32}, {1, 8}})->Unit(benchmark::kMillisecond);

static void BM_ColorBalanceWithoutLuminosity(benchmark::State& state)
{
    RunColourEffect<FCEffectColorBalance>(state, false, 1, 40, -10, -30);
}
BENCHMARK(BM_ColorBalanceWithoutLuminosity)->ArgsProduct({{24, 32}, {1, 8}})->Unit(benchmark::kMillisecond);

static void BM_NoisifyShared(benchmark::State& state)
{
    RunColourEffect<FCEffectNoisify>(state, 20, false);
}
BENCHMARK(BM_NoisifyShared)->ArgsProduct({{24, 32}, {1, 8}})->Unit(benchmark::kMillisecond);
