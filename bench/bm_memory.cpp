// What the memory of this machine allows a one-read one-write pass over a 6000 x 4000 x 24
// picture (72 MB): a plain copy between two buffers touched beforehand, shared out over the run's
// threads as the effects' own passes are. Its time is the floor below which no such pass can go;
// the GB/s counter counts the bytes read and written.
#include "imagelib/FCBandRunner.h"
#include "imagelib/FCParallel.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

namespace
{
void BM_CopyPass(benchmark::State& state)
{
    const std::size_t bytes = std::size_t(6000) * 4000 * 3;
    const std::unique_ptr<unsigned char[]> from(new unsigned char[bytes]);
    const std::unique_ptr<unsigned char[]> to(new unsigned char[bytes]);
    std::memset(from.get(), 0x5A, bytes);
    std::memset(to.get(), 0, bytes);
    const FCEffectRun run(int(state.range(0)));
    for (auto _ : state)
    {
        ParallelParts(bytes, std::size_t(1) << 20,
                      [&](std::size_t begin, std::size_t end)
                      { std::memcpy(to.get() + begin, from.get() + begin, end - begin); });
        benchmark::DoNotOptimize(to.get());
        benchmark::ClobberMemory();
    }
    state.counters["GB/s"] = benchmark::Counter(double(bytes) * 2 * double(state.iterations()),
                                                benchmark::Counter::kIsRate, benchmark::Counter::kIs1000);
}
} // namespace

BENCHMARK(BM_CopyPass)->ArgName("threads")->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();
