// Loading and saving a 6000 x 4000 picture through the platform codec: JPEG at quality 90 and
// PNG, 24 bits, from files in the temporary folder. The picture is the benchmarks' own, or the
// file named by ORVALIS_BENCH_PICTURE (a photograph compresses quite unlike a synthetic pattern;
// the peer comparisons give theirs).
#include "bench/BenchImages.h"
#include "imagelib/FCBandRunner.h"
#include "imagelib/FCImageProperty.h"
#include "imagelib/codecs/FCImageCodec_Gdiplus.h"
#include "platform/TextConv.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace
{
const FCObjImage& SourceImage()
{
    static const FCObjImage image = []
    {
        if (const char* path = std::getenv("ORVALIS_BENCH_PICTURE"); path && *path)
        {
            FCImageCodec_Gdiplus codec;
            std::vector<FCObjImage*> frames;
            FCImageProperty prop;
            if (codec.LoadImageFile(Utf8ToWide(path).c_str(), frames, &prop) && !frames.empty())
            {
                FCObjImage loaded(*frames[0]);
                for (FCObjImage* f : frames)
                    delete f;
                if (loaded.ColorBits() != 24) loaded.ConvertBitDepth(24);
                return loaded;
            }
            for (FCObjImage* f : frames)
                delete f;
            std::fprintf(stderr, "ORVALIS_BENCH_PICTURE: cannot read %s, the bench picture is used\n", path);
        }
        return MakeBenchImage(24);
    }();
    return image;
}

std::wstring BenchFile(const char* ext)
{
    const auto path = std::filesystem::temp_directory_path() / (std::string("orvalis-bench-codec.") + ext);
    return Utf8ToWide(path.string());
}

// Writes the bench picture once per format, for the load benchmarks.
const std::wstring& Written(const char* ext)
{
    static std::wstring jpg, png;
    std::wstring& name = std::string(ext) == "jpg" ? jpg : png;
    if (name.empty())
    {
        name = BenchFile(ext);
        FCImageCodec_Gdiplus codec;
        codec.SaveImageFile(name.c_str(), {&SourceImage()}, FCImageProperty());
    }
    return name;
}

void BM_CodecSave(benchmark::State& state, const char* ext)
{
    const FCObjImage& image = SourceImage();
    const std::wstring name = BenchFile(ext);
    // The save shares its work out over the run's threads, as from the document.
    const FCEffectRun run(int(state.range(0)));
    for (auto _ : state)
    {
        FCImageCodec_Gdiplus codec;
        if (!codec.SaveImageFile(name.c_str(), {&image}, FCImageProperty()))
            state.SkipWithError("save failed");
    }
    state.counters["MB"] = double(std::filesystem::file_size(WideToUtf8(name))) / 1e6;
}

void BM_CodecLoad(benchmark::State& state, const char* ext)
{
    const std::wstring& name = Written(ext);
    for (auto _ : state)
    {
        FCImageCodec_Gdiplus codec;
        std::vector<FCObjImage*> frames;
        FCImageProperty prop;
        if (!codec.LoadImageFile(name.c_str(), frames, &prop)) state.SkipWithError("load failed");
        for (FCObjImage* f : frames)
            delete f;
    }
}
} // namespace

BENCHMARK_CAPTURE(BM_CodecLoad, jpeg, "jpg")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CodecSave, jpeg, "jpg")
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(8)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CodecLoad, png, "png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CodecSave, png, "png")
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(8)
    ->Unit(benchmark::kMillisecond);
