// Properties every registered effect must have, whatever it does: tested over the whole table
// of the effect runner, so that each family only registers its classes.
#include "TestImages.h"

#include "bench/EffectRegistry.h"
#include "imagelib/FCBandRunner.h"
#include "imagelib/FCParallel.h"
#include "imagelib/effects/VectorDispatch.h"
#include "imagelib/effects/YUVEffects.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
std::unique_ptr<FCImageEffect> Make(const EffectEntry& e)
{
    std::string error;
    auto effect = e.make(e.example, error);
    EXPECT_TRUE(effect) << e.name << ": its example arguments are refused: " << error;
    return effect;
}

class RegisteredEffects : public ::testing::TestWithParam<std::string>
{
protected:
    // A small grain, so that the loops of whole-image effects share out even these small images.
    void SetUp() override { SetParallelGrainForTesting(64); }
    void TearDown() override { SetParallelGrainForTesting(0); }
    const EffectEntry& Entry() const { return *EffectRegistry::Instance().Find(GetParam()); }
};

// Records every report; answers false to the one numbered refuseAt (0 = the first).
class Reports : public FCProgressObserver
{
public:
    explicit Reports(int refuseAt = -1) : m_refuseAt(refuseAt) {}
    bool OnProgress(int percent) override
    {
        seen.push_back(percent);
        return int(seen.size()) - 1 != m_refuseAt;
    }
    std::vector<int> seen;

private:
    int m_refuseAt;
};

std::vector<std::string> Names()
{
    std::vector<std::string> names;
    for (const EffectEntry* e : EffectRegistry::Instance().All())
        names.push_back(e->name);
    if (names.empty()) names.push_back("<none registered>");
    return names;
}
} // namespace

// Every thread count gives the bytes of the single-thread driver, on an image of a prime height
// (61 rows: no count divides it, so the last band always takes rows left over).
TEST_P(RegisteredEffects, AnyThreadCountGivesTheSingleThreadBytes)
{
    if (GetParam() == "<none registered>") GTEST_SKIP();
    const EffectEntry& e = Entry();
    if (e.flags & kFxRandom) GTEST_SKIP() << "draws random numbers per thread";
    for (int bpp : {24, 32})
    {
        const FCObjImage source = testimg::Varied(37, 61, bpp);
        auto one = Make(e);
        ASSERT_TRUE(one);
        FCObjImage single(source);
        FCObjImage::ApplyEffect(single, *one, nullptr);
        for (int threads : {2, 3, 7, 8})
        {
            auto effect = Make(e);
            ASSERT_TRUE(effect);
            FCObjImage banded(source);
            RunEffect(banded, *effect, threads);
            EXPECT_TRUE(testimg::SamePixels(single, banded))
                << e.name << " at " << bpp << " bits on " << threads << " threads";
        }
    }
}

// The vectorised loops give the bytes of the baseline ones, whichever instruction set the
// processor has.
TEST_P(RegisteredEffects, EveryInstructionSetGivesTheSameBytes)
{
    if (GetParam() == "<none registered>") GTEST_SKIP();
    const EffectEntry& e = Entry();
    if (e.flags & kFxRandom) GTEST_SKIP() << "draws random numbers";
    for (int bpp : {24, 32})
    {
        const FCObjImage source = testimg::Varied(45, 23, bpp, 99);
        // [2]: the widest set the processor has, [1]: AVX2 at most, [0]: the baseline.
        FCObjImage results[3];
        for (int set : {2, 1, 0})
        {
            AllowAvx2(set >= 1);
            AllowAvx512(set >= 2);
            auto effect = Make(e);
            results[set] = source;
            RunEffect(results[set], *effect, 2);
        }
        AllowAvx2(true);
        AllowAvx512(true);
        EXPECT_TRUE(testimg::SamePixels(results[0], results[1])) << e.name << " at " << bpp << " bits, AVX2";
        EXPECT_TRUE(testimg::SamePixels(results[0], results[2]))
            << e.name << " at " << bpp << " bits, AVX-512";
    }
}

// A per-pixel run visits each row through ApplyToPixelsOfRow: the bytes of ApplyToPixel called
// on its own for every pixel, rows from the top, pixels left to right (the plain loop).
TEST_P(RegisteredEffects, RowsOfAPerPixelRunAreItsPixelsOneByOne)
{
    if (GetParam() == "<none registered>") GTEST_SKIP();
    const EffectEntry& e = Entry();
    if (e.flags & kFxRandom) GTEST_SKIP() << "draws random numbers";
    auto probe = Make(e);
    ASSERT_TRUE(probe);
    if (probe->GetProcessMode() != kProcessPerPixel) GTEST_SKIP() << "not a per-pixel effect";
    bool ranOne = false;
    for (int bpp : {24, 32})
    {
        const FCObjImage source = testimg::Varied(19, 13, bpp, 4242);
        if (!probe->AcceptsImage(source)) continue; // e.g. premultiplying needs an alpha channel
        ranOne = true;
        auto byRows = Make(e);
        FCObjImage rows(source);
        RunEffect(rows, *byRows, 3);
        auto byPixels = Make(e);
        FCObjImage pixels(source);
        ASSERT_TRUE(byPixels->AcceptsImage(pixels));
        byPixels->PrepareImage(pixels);
        for (int y = 0; y < pixels.Height(); ++y)
            for (int x = 0; x < pixels.Width(); ++x)
                byPixels->ApplyToPixel(pixels, x, y, pixels.PixelAddress(x, y));
        EXPECT_TRUE(testimg::SamePixels(rows, pixels)) << e.name << " at " << bpp << " bits";
    }
    EXPECT_TRUE(ranOne) << e.name << " accepts neither 24 nor 32 bits";
}

// Progress rises from the driver's 0 and ends at 100 (the frequency filters stop at 95: writing
// the planes back is their last step and reports nothing); on one thread and on eight.
TEST_P(RegisteredEffects, ProgressRisesAndEndsAtOneHundred)
{
    if (GetParam() == "<none registered>") GTEST_SKIP();
    const EffectEntry& e = Entry();
    for (int threads : {1, 8})
    {
        FCObjImage image = testimg::Varied(26, 21, 24);
        auto effect = Make(e);
        ASSERT_TRUE(effect);
        if (!effect->AcceptsImage(image)) image = testimg::Varied(26, 21, 32); // alpha needed
        Reports reports;
        ASSERT_TRUE(RunEffect(image, *effect, threads, &reports));
        ASSERT_FALSE(reports.seen.empty()) << e.name;
        EXPECT_EQ(reports.seen.front(), 0) << e.name;
        for (std::size_t i = 1; i < reports.seen.size(); ++i)
            ASSERT_LE(reports.seen[i - 1], reports.seen[i]) << e.name << " report " << i;
        const bool planes = dynamic_cast<FCEffectYUVBase*>(effect.get()) != nullptr;
        EXPECT_EQ(reports.seen.back(), planes ? 95 : 100) << e.name << " on " << threads;
        EXPECT_FALSE(reports.IsCancelled()) << e.name;
    }
}

// A refusal ends the run soon: the pass in hand ends with its row, and each pass after it does
// its first row at the most (the Canny operator has two passes left), so at most two reports
// follow; pipelines of stages stop at once.
TEST_P(RegisteredEffects, ARefusalEndsTheRunWithinAFewReports)
{
    if (GetParam() == "<none registered>") GTEST_SKIP();
    const EffectEntry& e = Entry();
    for (int threads : {1, 8})
    {
        Reports all;
        {
            FCObjImage image = testimg::Varied(26, 40, 32);
            auto effect = Make(e);
            RunEffect(image, *effect, threads, &all);
        }
        if (all.seen.size() < 5) continue; // too few reports to tell an early end
        FCObjImage image = testimg::Varied(26, 40, 32);
        auto effect = Make(e);
        Reports refused(1); // the first report after the driver's 0
        RunEffect(image, *effect, threads, &refused);
        EXPECT_TRUE(refused.IsCancelled()) << e.name;
        EXPECT_LE(refused.seen.size(), 2u + 2u)
            << e.name << " on " << threads << " threads went on after the refusal";
    }
}

TEST_P(RegisteredEffects, KeepsTheAlphaOf32BitImages)
{
    if (GetParam() == "<none registered>") GTEST_SKIP();
    const EffectEntry& e = Entry();
    if (e.flags & (kFxChangesAlpha | kFxChangesSize))
        GTEST_SKIP() << "writes alpha or changes the size by design";
    const FCObjImage source = testimg::Varied(23, 17, 32, 777);
    FCObjImage image(source);
    auto effect = Make(e);
    ASSERT_TRUE(effect);
    RunEffect(image, *effect, 4);
    ASSERT_EQ(image.ColorBits(), 32) << e.name;
    EXPECT_EQ(testimg::Alphas(image), testimg::Alphas(source)) << e.name;
}

TEST_P(RegisteredEffects, SurvivesTinyImages)
{
    if (GetParam() == "<none registered>") GTEST_SKIP();
    const EffectEntry& e = Entry();
    for (int bpp : {24, 32})
    {
        for (auto [w, h] : {std::pair{1, 1}, {2, 2}, {1, 5}, {5, 1}, {3, 2}})
        {
            FCObjImage image = testimg::Varied(w, h, bpp);
            auto effect = Make(e);
            ASSERT_TRUE(effect);
            RunEffect(image, *effect, 8); // must neither crash nor read outside the image
            if (image.HasBits())
            {
                EXPECT_GE(image.Width(), 1);
                EXPECT_GE(image.Height(), 1);
            }
            else
            {
                ADD_FAILURE() << e.name << " left an empty image for " << w << "x" << h << "x" << bpp;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(All, RegisteredEffects, ::testing::ValuesIn(Names()),
                         [](const ::testing::TestParamInfo<std::string>& info)
                         {
                             std::string n;
                             for (char c : info.param)
                                 n += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return n;
                         });
