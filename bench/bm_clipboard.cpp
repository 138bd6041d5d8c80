// The PNG form of a copied 6000 x 4000 picture, as the clipboard's helper thread makes it for
// other programs while the bitmap block is served at once, and the block itself.
#include "bench/BenchImages.h"
#include "imagelib/FCDibBlock.h"
#include "platform/imaging/DibBlockPng.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace
{
void BM_ClipboardPngOfACopy(benchmark::State& state)
{
    const std::vector<BYTE> block = BuildDibBlock(MakeBenchImage(int(state.range(0))));
    std::vector<BYTE> png;
    for (auto _ : state)
    {
        EncodeDibBlockAsPng(block.data(), block.size(), png);
        benchmark::DoNotOptimize(png.data());
    }
    state.counters["bytes"] = double(png.size());
}

// What the user-interface thread does for a copy of the whole picture before the clipboard holds
// it: the bitmap block written once into new memory.
void BM_ClipboardBitmapBlockOfACopy(benchmark::State& state)
{
    const FCObjImage image = MakeBenchImage(24);
    for (auto _ : state)
    {
        std::unique_ptr<BYTE[]> block(new BYTE[DibBlockSize(image)]);
        WriteDibBlock(image, block.get());
        benchmark::DoNotOptimize(block.get());
    }
}
} // namespace

BENCHMARK(BM_ClipboardPngOfACopy)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ClipboardBitmapBlockOfACopy)->Unit(benchmark::kMillisecond)->Iterations(3);
