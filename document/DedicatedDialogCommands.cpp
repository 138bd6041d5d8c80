#include "document/DedicatedDialogCommands.h"

#include "imagelib/effects/ColorEffects.h"
#include "imagelib/effects/ColorModel.h"
#include "imagelib/effects/ContourEffects.h"
#include "imagelib/effects/ConvolutionEffects.h"
#include "imagelib/effects/DistortEffects.h"
#include "imagelib/effects/HistogramEffects.h"

#include <algorithm>
#include <limits>

std::unique_ptr<FCImageEffect> MakeColorBalanceEffect(const ColorBalanceValues& v)
{
    return std::make_unique<FCEffectColorBalance>(v.keepLuminosity, v.toneRange, v.cyanRed, v.magentaGreen,
                                                  v.yellowBlue);
}

double LevelGammaOf(int gammaHundredths)
{
    return gammaHundredths * 0.01;
}

int ChannelMaskOf(int channelIndex, int currentMask)
{
    switch (channelIndex)
    {
    case 0:
        return 7;
    case 1:
        return 1;
    case 2:
        return 2;
    case 3:
        return 4;
    default:
        return currentMask;
    }
}

std::unique_ptr<FCImageEffect> MakeColorLevelEffect(const ColorLevelValues& v)
{
    return std::make_unique<FCEffectColorLevel>(v.inBlack, v.inWhite, v.outBlack, v.outWhite,
                                                LevelGammaOf(v.gammaHundredths), v.channelMask);
}

int ClampNoiseAmount(int amount)
{
    return std::clamp(amount, 1, 100);
}

std::unique_ptr<FCImageEffect> MakeNoiseEffect(int amount, bool independentColours)
{
    return std::make_unique<FCEffectNoisify>(ClampNoiseAmount(amount), independentColours);
}

std::unique_ptr<FCImageEffect> MakeLevelCountEffect(int levels)
{
    return std::make_unique<FCEffectNbNiveaux>(levels);
}

namespace
{
// The edits hold at most five digits; a value given from elsewhere keeps its sign rule without
// overflowing when negated.
int Negated(int v)
{
    return v == std::numeric_limits<int>::min() ? std::numeric_limits<int>::max() : -v;
}
} // namespace

DistortParameters LosangeParameters(const DistortValues& v)
{
    return {v.left ? Negated(v.row1) : v.row1, v.up ? Negated(v.row2) : v.row2};
}

DistortParameters TrapezeParameters(const DistortValues& v)
{
    return {v.up ? v.row2 : Negated(v.row2), v.left ? v.row1 : Negated(v.row1)};
}

std::unique_ptr<FCImageEffect> MakeLosangeEffect(const DistortValues& values)
{
    const DistortParameters p = LosangeParameters(values);
    return std::make_unique<FCEffectLosange>(p.first, p.second);
}

std::unique_ptr<FCImageEffect> MakeTrapezeEffect(const DistortValues& values)
{
    const DistortParameters p = TrapezeParameters(values);
    return std::make_unique<FCEffectTrapeze>(p.first, p.second);
}

std::unique_ptr<FCImageEffect> MakeCannyEffect(bool gauss5x5, bool removeNonMaxima)
{
    return std::make_unique<FCEffectContoursCanny>(gauss5x5, removeNonMaxima);
}

std::array<int, 9> PackCentre3x3(const std::array<int, 25>& grid)
{
    return {grid[6], grid[7], grid[8], grid[11], grid[12], grid[13], grid[16], grid[17], grid[18]};
}

int KernelDivisorOf(int divisor)
{
    return std::max(1, divisor);
}

std::unique_ptr<FCImageEffect> MakeKernelEffect(const KernelValues& v, int size)
{
    auto effect = std::make_unique<FCEffectConvolute>();
    if (size == 3)
    {
        const std::array<int, 9> packed = PackCentre3x3(v.grid);
        effect->SetKernel(packed.data(), 3, KernelDivisorOf(v.divisor), v.offset);
    }
    else
        effect->SetKernel(v.grid.data(), 5, KernelDivisorOf(v.divisor), v.offset);
    return effect;
}
