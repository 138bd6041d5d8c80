// Command-line effect runner: loads an image through the application's codec factory, applies
// one effect by class name on 1 to 8 threads, saves the result, and times the effect.
//
//   orvalis-fx [--threads N] [--repeat K] INPUT OUTPUT EFFECT [ARG...]
//   orvalis-fx --list
//   orvalis-fx --info INPUT
#include "bench/EffectRegistry.h"
#include "imagelib/FCBandRunner.h"
#include "imagelib/FCImageCodec.h"
#include "imagelib/FCImageProperty.h"
#include "imagelib/FCObjImage.h"
#include "platform/TextConv.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace
{
int Usage()
{
    std::fprintf(stderr,
                 "usage: orvalis-fx [--threads N] [--repeat K] INPUT OUTPUT EFFECT [ARG...] | --list | "
                 "--info INPUT\n");
    return 2;
}

int List()
{
    for (const EffectEntry* e : EffectRegistry::Instance().All())
        std::printf("%s%s%s\n", e->name.c_str(), e->arguments.empty() ? "" : " ", e->arguments.c_str());
    return 0;
}

void PrintBytes(const char* label, const std::string& s)
{
    std::printf("%s: ", label);
    for (char c : s)
    {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b == 0) break;
        if (b >= 32 && b != 127)
            std::putchar(b);
        else
            std::printf("\\x%02x", b);
    }
    std::printf("\n");
}

int Info(const char* input)
{
    const std::wstring name = NativeToPath(input);
    FCImageCodecFactory* factory = FCObjImage::GetCodecFactory();
    std::unique_ptr<FCImageCodec> codec(factory->CreateImageCodec(factory->QueryImageFileType(name.c_str())));
    std::vector<FCObjImage*> frames;
    FCImageProperty prop;
    const bool ok = codec && codec->LoadImageFile(name.c_str(), frames, &prop);
    if (!ok)
    {
        for (auto* f : frames)
            delete f;
        std::fprintf(stderr, "orvalis-fx: cannot load %s\n", input);
        return 1;
    }
    std::printf("frames: %zu\n", frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i)
        std::printf("frame %zu: %d x %d, %d bpp\n", i, frames[i]->Width(), frames[i]->Height(),
                    frames[i]->ColorBits());
    for (auto* f : frames)
        delete f;
    std::printf("save parameter: %d\n", prop.saveParameter);
    std::printf("frame delays:");
    for (int d : prop.frameDelays)
        std::printf(" %d", d);
    std::printf("\n");
    PrintBytes("make", prop.make);
    PrintBytes("model", prop.model);
    PrintBytes("date taken", prop.dateTaken);
    std::printf("raw items: %zu\n", prop.rawItems.size());
    for (const std::string& raw : prop.rawItems)
    {
        PropertyItem item;
        if (UnpackPropertyItem(raw, item))
            std::printf("  tag 0x%04x type %u length %u\n", item.id, unsigned(item.type), item.length);
        else
            std::printf("  (damaged item of %zu bytes)\n", raw.size());
    }
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    FCObjImage::SetCodecFactory(new CImageCodecFactory);

    int threads = 1;
    int repeat = 1;
    int i = 1;
    if (argc == 2 && std::string(argv[1]) == "--list") return List();
    if (argc == 3 && std::string(argv[1]) == "--info") return Info(argv[2]);
    for (; i < argc; ++i)
    {
        const std::string a = argv[i];
        if ((a == "--threads" || a == "--repeat") && i + 1 < argc)
        {
            int v = 0;
            if (!ParseEffectArg(argv[i + 1], v) || v < 1 || (a == "--threads" && v > 8) || v > 100000)
            {
                std::fprintf(stderr, "orvalis-fx: bad value for %s: %s\n", a.c_str(), argv[i + 1]);
                return 2;
            }
            (a == "--threads" ? threads : repeat) = v;
            ++i;
        }
        else if (a.size() > 1 && a[0] == '-' && a[1] == '-')
            return Usage();
        else
            break;
    }
    if (argc - i < 3) return Usage();
    const char* input = argv[i];
    const char* output = argv[i + 1];
    const std::string effectName = argv[i + 2];
    const std::vector<std::string> args(argv + i + 3, argv + argc);

    const EffectEntry* entry = nullptr;
    if (effectName != "none")
    {
        entry = EffectRegistry::Instance().Find(effectName);
        if (!entry)
        {
            std::fprintf(stderr, "orvalis-fx: unknown effect %s (see --list)\n", effectName.c_str());
            return 2;
        }
        std::string error;
        if (!entry->make(args, error))
        {
            std::fprintf(stderr, "orvalis-fx: %s %s: %s\n", effectName.c_str(), entry->arguments.c_str(),
                         error.c_str());
            return 2;
        }
    }
    else if (!args.empty())
    {
        std::fprintf(stderr, "orvalis-fx: none takes no arguments\n");
        return 2;
    }

    FCObjImage source;
    FCImageProperty prop;
    if (!source.Load(NativeToPath(input).c_str(), &prop) || !source.HasBits())
    {
        std::fprintf(stderr, "orvalis-fx: cannot load %s\n", input);
        return 1;
    }

    FCObjImage result;
    std::vector<double> times;
    bool accepted = true;
    for (int k = 0; k < repeat; ++k)
    {
        result = source;
        std::unique_ptr<FCImageEffect> effect;
        if (entry)
        {
            std::string error;
            effect = entry->make(args, error);
        }
        const auto t0 = std::chrono::steady_clock::now();
        if (effect) accepted = RunEffect(result, *effect, threads, nullptr);
        const auto t1 = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        if (!accepted) break;
    }
    if (!accepted)
    {
        std::fprintf(stderr, "orvalis-fx: %s does not accept a %d-bit image\n", effectName.c_str(),
                     source.ColorBits());
        return 1;
    }
    std::sort(times.begin(), times.end());
    const double median = times.size() % 2 ? times[times.size() / 2]
                                           : (times[times.size() / 2 - 1] + times[times.size() / 2]) / 2;
    std::fprintf(stderr, "%s threads=%d size=%dx%dx%d median=%.3f ms\n", effectName.c_str(), threads,
                 source.Width(), source.Height(), source.ColorBits(), median);

    if (std::string(output) != "-")
    {
        const FCEffectRun run(threads); // the save shares its work out like the effect
        if (!result.HasBits() || !result.Save(NativeToPath(output).c_str(), prop))
        {
            std::fprintf(stderr, "orvalis-fx: cannot save %s\n", output);
            return 1;
        }
    }
    return 0;
}
