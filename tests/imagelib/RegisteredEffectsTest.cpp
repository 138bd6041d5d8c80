// Properties every registered effect must have, whatever it does: tested over the whole table
// of the effect runner, so that each family only registers its classes.
#include "TestImages.h"

#include "bench/EffectRegistry.h"
#include "imagelib/FCBandRunner.h"

#include <gtest/gtest.h>

#include <string>

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
    const EffectEntry& Entry() const { return *EffectRegistry::Instance().Find(GetParam()); }
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

TEST_P(RegisteredEffects, BandsOnEightThreadsGiveTheSingleThreadBytes)
{
    if (GetParam() == "<none registered>") GTEST_SKIP();
    const EffectEntry& e = Entry();
    if (e.flags & kFxRandom) GTEST_SKIP() << "draws random numbers per thread";
    for (int bpp : {24, 32})
    {
        const FCObjImage source = testimg::Varied(37, 61, bpp);
        auto one = Make(e);
        auto eight = Make(e);
        ASSERT_TRUE(one && eight);
        FCObjImage single(source);
        FCObjImage::ApplyEffect(single, *one, nullptr);
        FCObjImage banded(source);
        RunEffect(banded, *eight, 8);
        EXPECT_TRUE(testimg::SamePixels(single, banded)) << e.name << " at " << bpp << " bits";
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
