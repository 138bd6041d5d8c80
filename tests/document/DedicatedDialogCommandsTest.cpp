// From the values of the dedicated dialogs to the effects the document applies: each effect is
// compared, by the pixels it gives, with the effect built directly from the arguments it must
// receive.
#include "TestImages.h"

#include "document/DedicatedDialogCommands.h"
#include "imagelib/effects/ColorEffects.h"
#include "imagelib/effects/ColorModel.h"
#include "imagelib/effects/ContourEffects.h"
#include "imagelib/effects/ConvolutionEffects.h"
#include "imagelib/effects/DistortEffects.h"
#include "imagelib/effects/HistogramEffects.h"

#include <gtest/gtest.h>

#include <numeric>

namespace
{
FCObjImage Applied(FCImageEffect& effect, const FCObjImage& source = testimg::Varied(23, 17, 24, 4242))
{
    FCObjImage out = source;
    FCObjImage::ApplyEffect(out, effect, nullptr);
    return out;
}

bool SameResult(FCImageEffect& a, FCImageEffect& b)
{
    return testimg::SamePixels(Applied(a), Applied(b));
}
} // namespace

TEST(DedicatedDialogCommands, ColourBalanceKeepsItsArgumentOrder)
{
    // Distinct values in every place, so that any two swapped arguments change the picture.
    const ColorBalanceValues v{false, 2, 37, -64, 81};
    auto made = MakeColorBalanceEffect(v);
    FCEffectColorBalance direct(false, 2, 37, -64, 81);
    EXPECT_TRUE(SameResult(*made, direct));
    FCEffectColorBalance swapped(false, 2, -64, 37, 81);
    EXPECT_FALSE(SameResult(*made, swapped));
}

TEST(DedicatedDialogCommands, LevelsTakeTheGammaInHundredthsAndTheChannelMask)
{
    EXPECT_EQ(LevelGammaOf(100), 1.0);
    EXPECT_EQ(LevelGammaOf(10), 10 * 0.01);
    EXPECT_EQ(LevelGammaOf(999), 999 * 0.01);
    // "RVB", "Rouge", "Vert", "Bleu"; anything else keeps the mask.
    const int masks[] = {7, 1, 2, 4};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(ChannelMaskOf(i, 5), masks[i]) << i;
    EXPECT_EQ(ChannelMaskOf(-1, 2), 2);
    EXPECT_EQ(ChannelMaskOf(4, 1), 1);

    const ColorLevelValues v{12, 230, 137, 40, 200, 2};
    auto made = MakeColorLevelEffect(v);
    FCEffectColorLevel direct(12, 230, 40, 200, 1.37, 2);
    EXPECT_TRUE(SameResult(*made, direct));
}

TEST(DedicatedDialogCommands, NoiseAmountIsBroughtIntoItsRange)
{
    const std::pair<int, int> cases[] = {{-5, 1},    {0, 1},     {1, 1},       {50, 50},
                                         {100, 100}, {101, 100}, {100000, 100}};
    for (const auto& [given, used] : cases)
        EXPECT_EQ(ClampNoiseAmount(given), used) << given;
}

TEST(DedicatedDialogCommands, RhombusAndTrapeziumSigns)
{
    struct Case
    {
        DistortValues values;
        DistortParameters rhombus, trapezium;
    };
    // row1, row2, "Gauche", "Haut".
    const Case cases[] = {
        {{10, 0, true, true}, {-10, 0}, {0, 10}},
        {{10, 0, false, true}, {10, 0}, {0, -10}},
        {{0, 7, true, true}, {0, -7}, {7, 0}},
        {{0, 7, true, false}, {0, 7}, {-7, 0}},
        {{3, 99999, false, false}, {3, 99999}, {-99999, -3}},
    };
    for (const Case& c : cases)
    {
        const DistortParameters r = LosangeParameters(c.values);
        const DistortParameters t = TrapezeParameters(c.values);
        EXPECT_EQ(r.first, c.rhombus.first);
        EXPECT_EQ(r.second, c.rhombus.second);
        EXPECT_EQ(t.first, c.trapezium.first);
        EXPECT_EQ(t.second, c.trapezium.second);
    }
    // The effects receive them.
    const DistortValues v{6, 4, true, false};
    auto rhombus = MakeLosangeEffect(v);
    FCEffectLosange directRhombus(-6, 4);
    EXPECT_TRUE(SameResult(*rhombus, directRhombus));
    auto trapezium = MakeTrapezeEffect(v);
    FCEffectTrapeze directTrapezium(-4, 6);
    EXPECT_TRUE(SameResult(*trapezium, directTrapezium));
}

TEST(DedicatedDialogCommands, CannyTakesBothOptionsInOrder)
{
    auto made = MakeCannyEffect(true, false);
    FCEffectContoursCanny direct(true, false);
    EXPECT_TRUE(SameResult(*made, direct));
    FCEffectContoursCanny other(false, true);
    EXPECT_FALSE(SameResult(*made, other));
}

TEST(DedicatedDialogCommands, KernelsPackTheCentreAndDivideByAtLeastOne)
{
    KernelValues v;
    std::iota(v.grid.begin(), v.grid.end(), -12); // -12 .. 12, every cell different
    EXPECT_EQ(PackCentre3x3(v.grid), (std::array<int, 9>{-6, -5, -4, -1, 0, 1, 4, 5, 6}));
    for (const auto& [given, used] :
         std::initializer_list<std::pair<int, int>>{{-3, 1}, {0, 1}, {1, 1}, {16, 16}})
        EXPECT_EQ(KernelDivisorOf(given), used) << given;

    v.divisor = 0;
    v.offset = 9;
    auto five = MakeKernelEffect(v, 5);
    FCEffectConvolute direct5;
    direct5.SetKernel(v.grid.data(), 5, 1, 9);
    EXPECT_TRUE(SameResult(*five, direct5));

    v.divisor = 7;
    auto three = MakeKernelEffect(v, 3);
    const int centre[9] = {-6, -5, -4, -1, 0, 1, 4, 5, 6};
    FCEffectConvolute direct3;
    direct3.SetKernel(centre, 3, 7, 9);
    EXPECT_TRUE(SameResult(*three, direct3));

    // The start: the identity, whatever the size.
    const KernelValues identity;
    auto unchanged = MakeKernelEffect(identity, 3);
    const FCObjImage source = testimg::Varied(23, 17, 24, 4242);
    EXPECT_TRUE(testimg::SamePixels(Applied(*unchanged, source), source));
    auto unchanged5 = MakeKernelEffect(identity, 5);
    EXPECT_TRUE(testimg::SamePixels(Applied(*unchanged5, source), source));
}
