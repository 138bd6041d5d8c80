// The convolution, sharpening and relief effects against plain loops, and the cases that pin
// their arithmetic: truncation toward zero, edge replication, 64-bit sums, the menu kernels.
#include "NeighbourhoodReference.h"

#include "imagelib/FCBandRunner.h"
#include "imagelib/effects/ConvolutionEffects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace
{
struct Kernel
{
    const char* name;
    int size;
    int divisor;
    int offset;
    std::vector<int> weights;
};

FCObjImage ReferenceConvolution(const FCObjImage& source, const Kernel& k)
{
    return reference::Convolution(source, k.size, k.divisor, k.offset, k.weights);
}

std::vector<int> Weights(int count, int low, int high, std::uint32_t seed)
{
    std::vector<int> w;
    std::uint32_t s = seed;
    for (int i = 0; i < count; ++i)
    {
        s = s * 1103515245u + 12345u;
        w.push_back(low + int((s >> 8) % std::uint32_t(high - low + 1)));
    }
    return w;
}

std::vector<int> FromMenu(const FCConvolutionKernel3x3& k)
{
    return std::vector<int>(k.weights, k.weights + 9);
}

FCObjImage Convolve(const FCObjImage& source, const Kernel& k, int threads = 0)
{
    FCObjImage image(source);
    FCEffectConvolute effect;
    effect.SetKernel(k.weights.data(), k.size, k.divisor, k.offset);
    if (threads == 0)
        FCObjImage::ApplyEffect(image, effect, nullptr);
    else
        RunEffect(image, effect, threads);
    return image;
}

// Relief as meant: the luminance window through the effect's kernel, summed in row order.
FCObjImage ReferenceEmboss(const FCObjImage& source, const double* kernel)
{
    return reference::PerChannel(source,
                                 [&](const FCObjImage& s, int x, int y, int)
                                 {
                                     double sum = 0.0;
                                     for (int j = 0; j < 3; ++j)
                                         for (int i = 0; i < 3; ++i)
                                         {
                                             const BYTE* p =
                                                 s.PixelAddress(reference::Clamp(x - 1 + i, s.Width()),
                                                                reference::Clamp(y - 1 + j, s.Height()));
                                             const int lum = (59 * p[1] + 30 * p[2] + 11 * p[0]) / 100;
                                             sum += lum * kernel[j * 3 + i];
                                         }
                                     const double v = sum + 128;
                                     return v >= 255 ? 255 : int(std::trunc(std::max(v, 0.0) + 0.5));
                                 });
}
} // namespace

TEST(ConvolutionTest, MatchesThePlainLoopForEveryKindOfKernel)
{
    const std::vector<Kernel> kernels{
        {"Passe Bas", 3, kKernelPasseBas.divisor, kKernelPasseBas.offset, FromMenu(kKernelPasseBas)},
        {"Laplacien", 3, kKernelLaplacien.divisor, kKernelLaplacien.offset, FromMenu(kKernelLaplacien)},
        {"Passe Haut", 3, kKernelPasseHaut.divisor, kKernelPasseHaut.offset, FromMenu(kKernelPasseHaut)},
        {"3x3 mixed signs", 3, 7, 50, Weights(9, -20, 20, 1)},
        {"5x5 mixed signs", 5, 159, -20, Weights(25, -9, 15, 2)},
        {"one weight", 1, 16, 100, {-15}},
        {"even side 2", 2, 3, 10, Weights(4, -5, 9, 3)},
        {"even side 4", 4, 11, 0, Weights(16, -4, 6, 4)},
        {"side 7", 7, 40, 128, Weights(49, -3, 3, 5)},
        // Sums beyond single precision: divided in double.
        {"large sums", 3, 1000, 0, Weights(9, -2000, 2000, 6)},
        {"large sums, large divisor", 3, 300000, 40, Weights(9, 10000, 20000, 7)},
        {"divisor beyond 2^24", 3, 20000000, 77, Weights(9, -1000, 1000, 8)},
        // Sums beyond 32 bits: the 64-bit path.
        {"weights near 10^7", 5, 123456789, 0, Weights(25, -10000000, 12000000, 9)},
        {"extreme weights",
         3,
         2147483647,
         100,
         {2147483647, -2147483647 - 1, 2147483647, 5, 6, 7, -2147483647, 8, 9}},
        {"offset far above", 3, 1, 2000000000, Weights(9, -100, 100, 10)},
        {"offset far below", 3, 1, -2000000000, Weights(9, -100, 100, 11)},
        {"offset at the edge of the sums", 3, 1, -2040, {1, 1, 1, 1, 1, 1, 1, 1, 1}},
        {"divisor 0 counts as 1", 3, 0, 0, {0, 0, 0, 0, 2, 0, 0, 0, -1}},
    };
    for (const Kernel& k : kernels)
        ExpectSameAsPlainLoop(
            k.name,
            [&]
            {
                auto effect = std::make_unique<FCEffectConvolute>();
                effect->SetKernel(k.weights.data(), k.size, k.divisor, k.offset);
                return effect;
            },
            [&](const FCObjImage& s) { return ReferenceConvolution(s, k); },
            [](int w, int h, int bpp)
            { return std::vector<FCObjImage>{testimg::Varied(w, h, bpp, std::uint32_t(w * 31 + h))}; });
    // The bands of 8 threads on a larger image, for the kernels with a wide window.
    const FCObjImage large = testimg::Varied(131, 97, 32, 5);
    for (const Kernel& k : kernels)
        EXPECT_EQ(testimg::FirstDifference(Convolve(large, k, 8), ReferenceConvolution(large, k)), "")
            << k.name;
}

TEST(ConvolutionTest, MenuKernelsOnSmallFixtures)
{
    struct Case
    {
        const char* name;
        FCConvolutionKernel3x3 kernel;
        FCObjImage source;
        std::vector<std::vector<int>> expected; // channel 0 (blue)
    };
    const std::vector<Case> cases{
        {"Passe Bas keeps a flat image",
         kKernelPasseBas,
         testimg::Flat(4, 3, 24, 37, 120, 250),
         {{37, 37, 37, 37}, {37, 37, 37, 37}, {37, 37, 37, 37}}},
        {"Passe Haut keeps a flat image",
         kKernelPasseHaut,
         testimg::Flat(4, 3, 32, 201, 120, 250, 9),
         {{201, 201, 201, 201}, {201, 201, 201, 201}, {201, 201, 201, 201}}},
        {"Laplacien gives 128 on a flat image",
         kKernelLaplacien,
         testimg::Flat(3, 3, 24, 90, 90, 90),
         {{128, 128, 128}, {128, 128, 128}, {128, 128, 128}}},
        {"Laplacien of a white dot",
         kKernelLaplacien,
         testimg::Dots(5, 5, 24, {{2, 2}}),
         {{128, 128, 128, 128, 128},
          {128, 0, 0, 0, 128},
          {128, 0, 255, 0, 128},
          {128, 0, 0, 0, 128},
          {128, 128, 128, 128, 128}}},
    };
    for (const Case& c : cases)
    {
        FCObjImage image(c.source);
        FCEffectConvolute effect;
        effect.SetKernel(c.kernel.weights, 3, c.kernel.divisor, c.kernel.offset);
        FCObjImage::ApplyEffect(image, effect, nullptr);
        EXPECT_EQ(testimg::Channel(image), c.expected) << c.name;
        EXPECT_EQ(testimg::Alphas(image), testimg::Alphas(c.source)) << c.name;
    }
}

TEST(ConvolutionTest, NegativeSumsTruncateTowardZeroBeforeTheOffset)
{
    // One weight on a pixel of value 1: sum = weight.
    struct Case
    {
        int weight, divisor, offset, expected;
    } cases[] = {
        {-15, 16, 100, 100}, // -15 / 16 is 0, not -1
        {-17, 16, 100, 99},  // -1.06 truncates to -1
        {-32, 16, 100, 98},  {15, 16, 100, 100}, {17, 16, 100, 101},
    };
    for (const auto& c : cases)
    {
        FCObjImage image = testimg::Flat(3, 2, 24, 1, 1, 1);
        FCEffectConvolute effect;
        effect.SetKernel(&c.weight, 1, c.divisor, c.offset);
        FCObjImage::ApplyEffect(image, effect, nullptr);
        EXPECT_EQ(image.PixelAddress(1, 1)[0], c.expected) << c.weight << " / " << c.divisor;
    }
}

TEST(ConvolutionTest, WindowsRepeatTheEdgePixelsOutward)
{
    // A kernel that reads the left neighbour: column 0 reads column 0 again.
    FCObjImage ramp = testimg::Flat(5, 2, 24, 0, 0, 0);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x)
            ramp.PixelAddress(x, y)[0] = BYTE(10 * (x + 1));
    const int left[9] = {0, 0, 0, 1, 0, 0, 0, 0, 0};
    FCObjImage shifted(ramp);
    FCEffectConvolute effect;
    effect.SetKernel(left, 3, 1, 0);
    FCObjImage::ApplyEffect(shifted, effect, nullptr);
    EXPECT_EQ(testimg::Channel(shifted),
              (std::vector<std::vector<int>>{{10, 10, 20, 30, 40}, {10, 10, 20, 30, 40}}));

    // Two rows up with a 5 x 5 window: rows 0 and 1 both read row 0.
    FCObjImage rows = testimg::Flat(2, 4, 32, 0, 0, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 2; ++x)
            rows.PixelAddress(x, y)[1] = BYTE(50 + y);
    std::vector<int> up(25, 0);
    up[2] = 1;
    FCEffectConvolute twoUp;
    twoUp.SetKernel(up.data(), 5, 1, 0);
    FCObjImage::ApplyEffect(rows, twoUp, nullptr);
    EXPECT_EQ(testimg::Channel(rows, 1),
              (std::vector<std::vector<int>>{{50, 50}, {50, 50}, {50, 50}, {51, 51}}));

    // A 5 x 5 smoothing keeps a flat image flat up to its corners.
    FCObjImage flat = testimg::Flat(6, 5, 24, 77, 78, 79);
    FCEffectConvolute smooth;
    smooth.SetKernel(std::vector<int>(25, 1).data(), 5, 25, 0);
    FCObjImage::ApplyEffect(flat, smooth, nullptr);
    EXPECT_TRUE(testimg::SamePixels(flat, testimg::Flat(6, 5, 24, 77, 78, 79)));
}

TEST(ConvolutionTest, SetKernelIgnoresMissingKernelsAndRaisesTheDivisor)
{
    FCEffectConvolute effect;
    EXPECT_EQ(effect.KernelSize(), 0);
    EXPECT_EQ(effect.Divisor(), 1);
    EXPECT_EQ(effect.Offset(), 0);

    const int weights[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    effect.SetKernel(weights, 3, 9, -4);
    effect.SetKernel(nullptr, 3, 2, 2);
    effect.SetKernel(weights, 0, 2, 2);
    effect.SetKernel(weights, -3, 2, 2);
    ASSERT_EQ(effect.KernelSize(), 3);
    EXPECT_EQ(effect.Divisor(), 9);
    EXPECT_EQ(effect.Offset(), -4);
    EXPECT_EQ(std::vector<int>(effect.Kernel(), effect.Kernel() + 9), std::vector<int>(weights, weights + 9));

    for (int divisor : {0, -5})
    {
        effect.SetKernel(weights, 1, divisor, 0);
        EXPECT_EQ(effect.Divisor(), 1) << divisor;
    }
}

TEST(ConvolutionTest, AnEmptyKernelWritesTheClampedOffset)
{
    const FCObjImage source = testimg::Varied(7, 4, 32);
    FCObjImage image(source);
    FCEffectConvolute effect;
    FCObjImage::ApplyEffect(image, effect, nullptr);
    EXPECT_EQ(testimg::Channel(image, 2), std::vector<std::vector<int>>(4, std::vector<int>(7, 0)));
    EXPECT_EQ(testimg::Alphas(image), testimg::Alphas(source));
}

TEST(ConvolutionTest, LargeWeightsDoNotOverflow)
{
    // 9 x 2e8 x 255 = 4.59e11 does not fit 32 bits; / 2e9 gives 229.
    FCObjImage image = testimg::Flat(3, 3, 24, 255, 255, 255);
    const std::vector<int> weights(9, 200000000);
    FCEffectConvolute effect;
    effect.SetKernel(weights.data(), 3, 2000000000, 0);
    FCObjImage::ApplyEffect(image, effect, nullptr);
    EXPECT_EQ(testimg::Channel(image), std::vector<std::vector<int>>(3, std::vector<int>(3, 229)));
}

TEST(ConvolutionTest, ARerunOrANewKernelNeverReusesRowsOfTheLastRun)
{
    const FCObjImage a = testimg::Varied(20, 6, 24, 1);
    const FCObjImage b = testimg::Varied(20, 6, 24, 2);
    const Kernel k{"k", 3, 5, 3, Weights(9, -4, 9, 12)};
    FCEffectConvolute effect;
    effect.SetKernel(k.weights.data(), 3, k.divisor, k.offset);
    FCObjImage first(a), second(b);
    FCObjImage::ApplyEffect(first, effect, nullptr);
    FCObjImage::ApplyEffect(second, effect, nullptr);
    EXPECT_EQ(testimg::FirstDifference(second, ReferenceConvolution(b, k)), "");

    const Kernel other{"other", 3, 1, 128, FromMenu(kKernelLaplacien)};
    effect.SetKernel(other.weights.data(), 3, other.divisor, other.offset);
    // Pixels out of scan order, one at a time: each is the kernel's value at that place.
    const FCObjImage expected = ReferenceConvolution(b, other);
    for (auto [x, y] : {std::pair{5, 3}, {19, 0}, {5, 3}, {0, 5}, {7, 3}})
    {
        BYTE pixel[3] = {0, 0, 0};
        effect.ApplyToPixel(second, x, y, pixel);
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(pixel[c], expected.PixelAddress(x, y)[c]) << x << ", " << y;
    }
}

TEST(ConvolutionTest, SharpenKeepsFlatAreasFromAmountOneAndMatchesItsKernel)
{
    struct Case
    {
        int amount;
        int flatResult; // of a flat 100
    } cases[] = {{0, 0}, {1, 100}, {4, 100}, {8, 100}, {12, 100}};
    for (const auto& c : cases)
    {
        FCObjImage flat = testimg::Flat(4, 4, 24, 100, 100, 100);
        FCEffectSharp sharp(c.amount);
        FCObjImage::ApplyEffect(flat, sharp, nullptr);
        EXPECT_EQ(testimg::Channel(flat), std::vector<std::vector<int>>(4, std::vector<int>(4, c.flatResult)))
            << c.amount;

        const Kernel k{"sharp", 3, std::max(1, c.amount), 0, {-1, -1, -1, -1, c.amount + 8, -1, -1, -1, -1}};
        const FCObjImage source = testimg::Varied(13, 9, 32, std::uint32_t(c.amount));
        FCObjImage image(source);
        FCEffectSharp again(c.amount);
        FCObjImage::ApplyEffect(image, again, nullptr);
        EXPECT_EQ(testimg::FirstDifference(image, ReferenceConvolution(source, k)), "") << c.amount;
    }
    FCEffectSharp huge(2147483647); // the centre weight must not overflow
    EXPECT_EQ(huge.Kernel()[4], 2147483647);
}

TEST(ConvolutionTest, EmbossKernelTurnsWithTheAngle)
{
    FCEffectEmboss zero(0);
    const double* k = zero.Kernel();
    const double h = std::sqrt(0.5);
    const double expected[9] = {h, 0, -h, 1, 0, -1, h, 0, -h};
    for (int i = 0; i < 9; ++i)
        EXPECT_NEAR(k[i], expected[i], 1e-12) << i;

    // -90, 270 and 630 are one angle: the same kernel to the bit.
    FCEffectEmboss a(-90), b(270), c(630);
    for (int i = 0; i < 9; ++i)
    {
        EXPECT_EQ(a.Kernel()[i], b.Kernel()[i]) << i;
        EXPECT_EQ(c.Kernel()[i], b.Kernel()[i]) << i;
    }
    EXPECT_NEAR(b.Kernel()[1], 1.0, 1e-12); // turned a quarter: the light comes from above
}

TEST(ConvolutionTest, EmbossGivesGreyReliefAroundMidGrey)
{
    // Flat: 128 everywhere whatever the angle.
    for (int angle : {0, 45, 90, 200, 359})
    {
        FCObjImage flat = testimg::Flat(5, 4, 32, 10, 200, 60, 33);
        FCEffectEmboss emboss(angle);
        FCObjImage::ApplyEffect(flat, emboss, nullptr);
        EXPECT_TRUE(testimg::SamePixels(flat, testimg::Flat(5, 4, 32, 128, 128, 128, 33))) << angle;
    }

    // A vertical edge, bright on the left, lights up at angle 0 and darkens at 180.
    FCObjImage edge = testimg::Flat(6, 3, 24, 0, 0, 0);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
        {
            BYTE* p = edge.PixelAddress(x, y);
            p[0] = p[1] = p[2] = 200;
        }
    FCObjImage lit(edge), dark(edge);
    FCEffectEmboss e0(0), e180(180);
    FCObjImage::ApplyEffect(lit, e0, nullptr);
    FCObjImage::ApplyEffect(dark, e180, nullptr);
    for (int x : {2, 3})
    {
        EXPECT_GT(lit.PixelAddress(x, 1)[0], 128) << x;
        EXPECT_LT(dark.PixelAddress(x, 1)[0], 128) << x;
    }
    EXPECT_EQ(lit.PixelAddress(0, 1)[1], 128);
    EXPECT_EQ(lit.PixelAddress(5, 1)[2], 128);

    // Against the plain loop, colour pictures of every size, several angles.
    for (int angle : {0, 45, 137, 359, -30})
    {
        FCEffectEmboss kernel(angle);
        ExpectSameAsPlainLoop(
            "emboss " + std::to_string(angle), [angle] { return std::make_unique<FCEffectEmboss>(angle); },
            [&](const FCObjImage& s) { return ReferenceEmboss(s, kernel.Kernel()); },
            [angle](int w, int h, int bpp)
            { return std::vector<FCObjImage>{testimg::Varied(w, h, bpp, std::uint32_t(angle + 1000))}; });
    }
}
