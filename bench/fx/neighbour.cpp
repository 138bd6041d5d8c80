// Neighbourhood effects: convolution kernels, sharpening, relief, minimum, maximum, median,
// thinning, and the contour family.
#include "bench/EffectRegistry.h"
#include "imagelib/effects/ContourEffects.h"
#include "imagelib/effects/ConvolutionEffects.h"
#include "imagelib/effects/MorphologyEffects.h"

namespace
{
// FCEffectConvolute takes its kernel through SetKernel: size, divisor, offset, then the size x size
// weights row by row.
EffectEntry ConvoluteEntry()
{
    EffectEntry e;
    e.name = "FCEffectConvolute";
    e.arguments = "size divisor offset weight...";
    e.example = {"3", "16", "0", "1", "2", "1", "2", "4", "2", "1", "2", "1"}; // "Passe &Bas"
    e.make = [](const std::vector<std::string>& args, std::string& error) -> std::unique_ptr<FCImageEffect>
    {
        int size = 0, divisor = 0, offset = 0;
        if (args.size() < 3 || !ParseEffectArg(args[0], size) || !ParseEffectArg(args[1], divisor) ||
            !ParseEffectArg(args[2], offset) || size < 1 || size > 15)
        {
            error = "expects a size of 1 to 15, a divisor and an offset, then the weights";
            return nullptr;
        }
        const std::size_t count = std::size_t(size) * std::size_t(size);
        if (args.size() != 3 + count)
        {
            error = "expects " + std::to_string(count) + " weight(s), got " + std::to_string(args.size() - 3);
            return nullptr;
        }
        std::vector<int> weights(count);
        for (std::size_t i = 0; i < count; ++i)
            if (!ParseEffectArg(args[3 + i], weights[i]))
            {
                error = "weight " + std::to_string(i + 1) + " is not valid: " + args[3 + i];
                return nullptr;
            }
        auto effect = std::make_unique<FCEffectConvolute>();
        effect->SetKernel(weights.data(), size, divisor, offset);
        return effect;
    };
    return e;
}
} // namespace

static const EffectFamily neighbourEffects{
    ConvoluteEntry(),
    MakeEffectEntry<FCEffectSharp, int>("FCEffectSharp", "amount", {"8"}),
    MakeEffectEntry<FCEffectEmboss, int>("FCEffectEmboss", "angle_degrees", {"45"}),
    MakeEffectEntry<FCEffectMinimum>("FCEffectMinimum", "", {}),
    MakeEffectEntry<FCEffectMaximum>("FCEffectMaximum", "", {}),
    MakeEffectEntry<FCEffectMedian>("FCEffectMedian", "", {}),
    MakeEffectEntry<FCEffectSquelettisation>("FCEffectSquelettisation", "", {}),
    MakeEffectEntry<FCEffectSimpleContour<1>>("FCEffectSimpleContour<1>", "", {}),
    MakeEffectEntry<FCEffectSimpleContour<2>>("FCEffectSimpleContour<2>", "", {}),
    MakeEffectEntry<FCEffectGradientBase>("FCEffectGradientBase", "", {}),
    MakeEffectEntry<FCEffectContoursGradient, int>("FCEffectContoursGradient", "threshold", {"10"}),
    MakeEffectEntry<FCEffectContoursFilter<&FCEffectContoursLaplacien8>>(
        "FCEffectContoursFilter<&FCEffectContoursLaplacien8>", "", {}),
    MakeEffectEntry<FCEffectContoursFilter<&FCEffectContoursLaplacien2>>(
        "FCEffectContoursFilter<&FCEffectContoursLaplacien2>", "", {}),
    MakeEffectEntry<FCEffectContoursFilter<&FCEffectContoursLaplacien4>>(
        "FCEffectContoursFilter<&FCEffectContoursLaplacien4>", "", {}),
    MakeEffectEntry<FCEffectContoursCanny, bool, bool>("FCEffectContoursCanny", "use5x5 suppress_non_maxima",
                                                       {"0", "1"}),
};
