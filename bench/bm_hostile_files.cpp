// Hostile files against the time and memory they may cost: each load must end within 10 s and
// within the decoding budget (2 GiB). Run one benchmark a process to read its peak memory:
//   build/default/bench/orvalis-bench --benchmark_filter=BM_Hostile/TiffPages
// "frames" is what the load gave (-1: refused), "rss_mb" the peak of this process and
// "child_rss_mb" the peak of the decoding child processes.
#include "HostileFiles.h"

#include "imagelib/FCImageCodec.h"
#include "imagelib/FCImageProperty.h"
#include "imagelib/FCObjImage.h"
#include "platform/TextConv.h"
#include "platform/settings/Settings.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>

namespace
{
using hostile::Bytes;

std::wstring WriteBenchFile(const std::string& name, const Bytes& bytes)
{
    const auto path = std::filesystem::temp_directory_path() / ("orvalis-bench-hostile-" + name);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return NativeToPath(path.string());
}

double PeakMb(int who)
{
    rusage u{};
    ::getrusage(who, &u);
    return double(u.ru_maxrss) / 1024.0;
}

// Loads through the application's factory, as the program opens files.
int LoadFrames(const std::wstring& path)
{
    CImageCodecFactory factory;
    std::unique_ptr<FCImageCodec> codec(factory.CreateImageCodec(factory.QueryImageFileType(path.c_str())));
    std::vector<FCObjImage*> frames;
    FCImageProperty prop;
    const bool ok = codec && codec->LoadImageFile(path.c_str(), frames, &prop);
    const int n = int(frames.size());
    for (FCObjImage* f : frames)
        delete f;
    return ok ? n : -1;
}

void BM_Hostile(benchmark::State& state, const std::function<Bytes()>& make, const char* name)
{
    const std::wstring path = WriteBenchFile(name, make());
    int frames = 0;
    for (auto _ : state)
        frames = LoadFrames(path);
    state.counters["frames"] = frames;
    state.counters["rss_mb"] = PeakMb(RUSAGE_SELF);
    state.counters["child_rss_mb"] = PeakMb(RUSAGE_CHILDREN);
    std::filesystem::remove(PathToNative(path));
}

Bytes EndlessScans()
{
    using hostile::Scan;
    return hostile::RepeatLastScan(hostile::ProgressiveJpeg(8000, 8000, {Scan(0, 0), Scan(1, 63)}, true),
                                   3000);
}

// A GIF of a few kilobytes whose frames, on a large screen, would take gigabytes as images.
Bytes ManyLargeFrames()
{
    std::vector<fixtures::GifFrameShape> list;
    for (int i = 0; i < 60; ++i)
    {
        fixtures::GifFrameShape f;
        f.width = f.height = 1;
        f.left = i;
        f.delay = 1;
        f.pixels = {GifPixelType(i & 1)};
        list.push_back(f);
    }
    return fixtures::MakeGif(4000, 4000, {{0, 0, 0}, {255, 255, 255}}, list);
}

// An RLE picture of 20000 x 20000 of no pixels: 82 bytes on disk.
Bytes EmptyRle()
{
    fixtures::BmpShape rle;
    rle.width = 20000;
    rle.height = 20000;
    rle.bitCount = 8;
    rle.compression = 1;
    rle.palette.assign(256, 0x808080);
    rle.pixels = {0, 1};
    return fixtures::MakeBmp(rle);
}

// A settings file of 15 MB: reading a value costs a parse only when the file changed.
void BM_SettingsReadOfALargeFile(benchmark::State& state)
{
    const auto folder = std::filesystem::temp_directory_path() / "orvalis-bench-settings";
    std::filesystem::create_directories(folder / "orvalis5");
    ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    {
        std::ofstream out(folder / "orvalis5" / "settings.reg", std::ios::binary | std::ios::trunc);
        out << "[Software\\Norbec\\Orvalis5]\n\"JpegQuality\"=dword:00000050\n[Software\\Other]\n";
        for (int i = 0; out.tellp() < 15 * 1000 * 1000; ++i)
            out << "\"Value" << i << "\"=\"some text that another program keeps here\"\n";
    }
    const timespec old[2] = {{::time(nullptr) - 60, 0}, {::time(nullptr) - 60, 0}};
    ::utimensat(AT_FDCWD, (folder / "orvalis5" / "settings.reg").c_str(), old, 0);
    // The first read parses the file (about a second); the others find it unchanged.
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(GetJpegQuality());
    state.counters["first_read_ms"] =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const std::uint64_t before = SettingsFileParses();
    for (auto _ : state)
        benchmark::DoNotOptimize(GetJpegQuality());
    state.counters["parses"] = double(SettingsFileParses() - before);
    std::filesystem::remove_all(folder);
}
} // namespace

BENCHMARK_CAPTURE(
    BM_Hostile, TiffPages, [] { return hostile::ManyPageTiff(3000); }, "pages.tif")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(
    BM_Hostile, GifFramesNamedTif, [] { return hostile::ManyFrameGif(5000); }, "frames.tif")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Hostile, EndlessScans, EndlessScans, "scans.jpg")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Hostile, EndlessScansNamedTif, EndlessScans, "scans.tif")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(
    BM_Hostile, PsdClaim, [] { return hostile::PsdClaiming(10000, 10000); }, "claim.psd")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(
    BM_Hostile, PcxClaim, [] { return hostile::PcxClaiming(10000, 10000); }, "claim.pcx")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(
    BM_Hostile, TgaClaim, [] { return hostile::RleTgaClaiming(10000, 10000); }, "claim.tga")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(
    BM_Hostile, PpmClaim, [] { return hostile::PpmClaiming(8000, 8000); }, "claim.ppm")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(
    BM_Hostile, XpmClaim, [] { return hostile::XpmClaiming(8000, 8000); }, "claim.xpm")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Hostile, GifLargeFrames, ManyLargeFrames, "large.gif")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Hostile, EmptyRleBmp, EmptyRle, "empty.bmp")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_SettingsReadOfALargeFile)->Unit(benchmark::kMicrosecond);
