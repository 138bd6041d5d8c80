// The frequency filter commands as data: each row against the filter it is meant to be (texts,
// slider rule, effect class and planes), the slider ranges for large and tiny images, and the
// effect each set of values makes.
#include "TestImages.h"

#include "document/FourierCommands.h"
#include "document/ImageCommands.h"
#include "imagelib/FFTW3Helper.h"
#include "imagelib/effects/FourierEffects.h"
#include "platform/TextConv.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <typeinfo>

namespace
{
using Effect = std::unique_ptr<FCImageEffect>;
using R = FourierRangeRule;
using Make = std::function<Effect(FFTW3Helper*, const FourierValues&)>;

struct Expected
{
    int id;
    int twin;
    R rule;
    const char* docTitle;
    const char* toolTitle;
    std::vector<std::string> docCaptions;
    std::vector<std::string> toolCaptions;
    Make effect; // built directly, as the filter is meant to be
};

template <class E, class... A> Effect New(A... a)
{
    return std::make_unique<E>(a...);
}

const std::vector<Expected>& Rows()
{
    using V = const FourierValues&;
    using H = FFTW3Helper*;
    const std::vector<std::string> valeur{"Valeur"}, rayon{"Rayon"}, sigma{"Sigma"},
        xy{"Valeur X", "Valeur Y"}, minmax{"Valeur Min", "Valeur Max"}, rayons{"Rayon Min", "Rayon Max"},
        xyl{"X", "Y", "Largeur"};
    static const std::vector<Expected> rows = {
        {33088, 33106, R::Half, "Fourrier fenêtre carrée", "Fourrier fenêtre carrée - passe-bas", valeur,
         valeur, [](H h, V v) { return New<FCEffectFourierCarre>(h, v.positions[0], true); }},
        {33097, 33115, R::Half, "Fourrier fenêtre carrée passe-haut", "Fourrier fenêtre carrée - passe-haut",
         valeur, valeur,
         [](H h, V v) { return New<FCEffectFourierCarrePasseHaut>(h, v.positions[0], true); }},
        {33091, 33109, R::Band, "Fourrier fenêtre carrée basse-bande",
         "Fourrier fenêtre rectangulaire - passe-bande", minmax, minmax,
         [](H h, V v)
         { return New<FCEffectFourierCarrePasseBande>(h, v.positions[0], v.positions[1], true); }},
        {33094, 33112, R::Band, "Fourrier fenêtre carrée coupe-bande",
         "Fourrier fenêtre rectangulaire - coupe-bande", minmax, minmax,
         [](H h, V v)
         { return New<FCEffectFourierCarreCoupeBande>(h, v.positions[0], v.positions[1], true); }},
        {33089, 33107, R::XY, "Fourrier fenêtre rectangulaire", "Fourrier fenêtre rectangulaire - passe-bas",
         xy, xy, [](H h, V v) { return New<FCEffectFourierRect>(h, v.positions[0], v.positions[1], true); }},
        {33096, 33114, R::XY, "Fourrier fenêtre rectangulaire passe-haut",
         "Fourrier fenêtre rectangulaire - passe-haut", xy, xy,
         [](H h, V v)
         { return New<FCEffectFourierRectangulairePasseHaut>(h, v.positions[0], v.positions[1], true); }},
        {33099, 33117, R::XYWidth, "Fourrier fenêtre rectangulaire - passe-bande",
         "Fourrier fenêtre rectangulaire - passe-bande", xyl, xyl,
         [](H h, V v)
         {
             return New<FCEffectFourierRectangulairePasseBande>(h, v.positions[0], v.positions[1],
                                                                v.positions[2], true);
         }},
        {33100, 33118, R::XYWidth, "Fourrier fenêtre rectangulaire - coupe-bande",
         "Fourrier fenêtre rectangulaire - coupe-bande", xyl, xyl,
         [](H h, V v)
         {
             return New<FCEffectFourierRectangulaireCoupeBande>(h, v.positions[0], v.positions[1],
                                                                v.positions[2], true);
         }},
        {33090, 33108, R::Half, "Fourrier fenêtre circulaire", "Fourrier fenêtre circulaire - passe-bas",
         rayon, valeur, [](H h, V v) { return New<FCEffectFourierCirculaire>(h, v.positions[0], true); }},
        {33098, 33116, R::Half, "Fourrier fenêtre circulaire passe-haut",
         "Fourrier fenêtre circulaire - passe-haut", rayon, valeur,
         [](H h, V v) { return New<FCEffectFourierCirculairePasseHaut>(h, v.positions[0], true); }},
        {33092, 33110, R::Band, "Fourrier fenêtre circulaire passe-bande",
         "Fourrier fenêtre circulaire - passe-bande", rayons, minmax,
         [](H h, V v)
         { return New<FCEffectFourierCirculairePasseBande>(h, v.positions[0], v.positions[1], true); }},
        {33095, 33113, R::Band, "Fourrier fenêtre circulaire coupe-bande",
         "Fourrier fenêtre circulaire - coupe-bande", rayons, minmax,
         [](H h, V v)
         { return New<FCEffectFourierCirculaireCoupeBande>(h, v.positions[0], v.positions[1], true); }},
        {33093, 33111, R::Gaussian, "Fourrier fenêtre gaussienne", "Fourrier fenêtre gaussienne", sigma,
         sigma, [](H h, V v) { return New<FCEffectFourierGaussien>(h, v.sigma, true); }},

        {33106, 33088, R::Half, "Fourrier fenêtre carrée", "Fourrier fenêtre carrée - passe-bas", valeur,
         valeur, [](H h, V v) { return New<FCEffectFourierYuvCarre>(h, v.positions[0]); }},
        {33115, 33097, R::Half, "Fourrier fenêtre carrée passe-haut", "Fourrier fenêtre carrée - passe-haut",
         valeur, valeur, [](H h, V v) { return New<FCEffectFourierYuvCarrePasseHaut>(h, v.positions[0]); }},
        {33109, 33091, R::Band, "Fourrier fenêtre carrée passe-bande",
         "Fourrier fenêtre rectangulaire - passe-bande", minmax, minmax,
         [](H h, V v) { return New<FCEffectFourierYuvCarrePasseBande>(h, v.positions[0], v.positions[1]); }},
        {33112, 33094, R::Band, "Fourrier fenêtre carrée coupe-bande",
         "Fourrier fenêtre rectangulaire - coupe-bande", minmax, minmax,
         [](H h, V v) { return New<FCEffectFourierYuvCarreCoupeBande>(h, v.positions[0], v.positions[1]); }},
        {33107, 33089, R::XY, "Fourrier fenêtre rectangulaire", "Fourrier fenêtre rectangulaire - passe-bas",
         xy, xy, [](H h, V v) { return New<FCEffectFourierYuvRect>(h, v.positions[0], v.positions[1]); }},
        {33114, 33096, R::XY, "Fourrier fenêtre rectangulaire passe-haut",
         "Fourrier fenêtre rectangulaire - passe-haut", xy, xy,
         [](H h, V v) { return New<FCEffectFourierYuvRectPasseHaut>(h, v.positions[0], v.positions[1]); }},
        {33117, 33099, R::XYWidth, "Fourrier fenêtre rectangulaire - passe-bande",
         "Fourrier fenêtre rectangulaire - passe-bande", xyl, xyl,
         [](H h, V v)
         {
             return New<FCEffectFourierYuvRectangulairePasseBande>(h, v.positions[0], v.positions[1],
                                                                   v.positions[2]);
         }},
        {33118, 33100, R::XYWidth, "Fourrier fenêtre rectangulaire - coupe-bande",
         "Fourrier fenêtre rectangulaire - coupe-bande", xyl, xyl,
         [](H h, V v)
         {
             return New<FCEffectFourierYuvRectangulaireCoupeBande>(h, v.positions[0], v.positions[1],
                                                                   v.positions[2]);
         }},
        {33108, 33090, R::Half, "Fourrier fenêtre circulaire", "Fourrier fenêtre circulaire - passe-bas",
         rayon, valeur, [](H h, V v) { return New<FCEffectFourierYuvCirculaire>(h, v.positions[0]); }},
        {33116, 33098, R::Half, "Fourrier fenêtre circulaire passe-haut",
         "Fourrier fenêtre circulaire - passe-haut", rayon, valeur,
         [](H h, V v) { return New<FCEffectFourierYuvCirculairePasseHaut>(h, v.positions[0]); }},
        {33110, 33092, R::Band, "Fourrier fenêtre circulaire passe-bande",
         "Fourrier fenêtre circulaire - passe-bande", rayons, minmax,
         [](H h, V v)
         { return New<FCEffectFourierYuvCirculairePasseBande>(h, v.positions[0], v.positions[1]); }},
        {33113, 33095, R::Band, "Fourrier fenêtre circulaire coupe-bande",
         "Fourrier fenêtre circulaire - coupe-bande", rayons, minmax,
         [](H h, V v)
         { return New<FCEffectFourierYuvCirculaireCoupeBande>(h, v.positions[0], v.positions[1]); }},
        {33111, 33093, R::Gaussian, "Fourrier fenêtre gaussienne", "Fourrier fenêtre gaussienne", sigma,
         sigma, [](H h, V v) { return New<FCEffectFourierYuvGaussien>(h, v.sigma); }},
    };
    return rows;
}

std::vector<std::string> Captions(const std::array<const char*, 3>& c, int count)
{
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i)
        out.emplace_back(c[std::size_t(i)] ? c[std::size_t(i)] : "(null)");
    return out;
}

FCObjImage Apply(const FCObjImage& picture, FCImageEffect& effect)
{
    FCObjImage out = picture;
    FCObjImage::ApplyEffect(out, effect, nullptr);
    return out;
}

class FourierCommandRow : public ::testing::TestWithParam<Expected>
{
};
} // namespace

TEST(FourierCommands, TwentySixFiltersEachAFourierRowOfTheImageMenu)
{
    std::set<int> ids;
    for (const FourierFilterCommand& f : FourierFilterCommands())
    {
        EXPECT_TRUE(ids.insert(f.id).second) << f.id;
        const ImageCommand* c = FindImageCommand(f.id);
        ASSERT_NE(c, nullptr) << f.id;
        EXPECT_EQ(c->kind, ImageCommandKind::FourierFilter) << f.id;
        EXPECT_STREQ(c->handler, f.handler) << f.id;
        EXPECT_EQ(FindFourierFilterCommand(f.id), &f);
    }
    std::set<int> expected;
    for (const Expected& e : Rows())
        expected.insert(e.id);
    EXPECT_EQ(ids, expected);
    for (const ImageCommand& c : ImageCommandTable())
    {
        if (c.kind == ImageCommandKind::FourierFilter)
        {
            EXPECT_EQ(ids.count(c.id), 1u) << c.id;
        }
    }
    EXPECT_EQ(FindFourierFilterCommand(33101), nullptr);
    EXPECT_EQ(MakeFourierFilterEffect(33083, nullptr, {}), nullptr);
}

TEST_P(FourierCommandRow, TextsRuleTwinAndTheEffectOfItsValues)
{
    const Expected& e = GetParam();
    const FourierFilterCommand* f = FindFourierFilterCommand(e.id);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->twin, e.twin);
    EXPECT_EQ(f->luminanceOnly, e.id < 33106);
    EXPECT_EQ(f->rule, e.rule);
    EXPECT_STREQ(f->docTitle, e.docTitle);
    EXPECT_STREQ(f->toolTitle, e.toolTitle);
    const int sliders = FourierSliderCount(f->rule);
    EXPECT_EQ(sliders, int(e.docCaptions.size()));
    EXPECT_EQ(FourierDialogResource(f->rule), 212 + sliders);
    EXPECT_EQ(Captions(f->docCaptions, sliders), e.docCaptions);
    EXPECT_EQ(Captions(f->toolCaptions, sliders), e.toolCaptions);
    // The twin opens the same kind of dialog.
    const FourierFilterCommand* twin = FindFourierFilterCommand(e.twin);
    ASSERT_NE(twin, nullptr);
    EXPECT_EQ(twin->twin, e.id);
    EXPECT_EQ(twin->rule, f->rule);

    // Values inside the defaults' ranges of a 24 x 20 picture, away from the defaults.
    FFTW3Helper helper;
    const FCObjImage picture = testimg::Varied(24, 20, 24, 31);
    FourierValues values;
    values.positions = {3, 5, 2};
    values.sigma = 0.05;
    const Effect made = MakeFourierFilterEffect(e.id, &helper, values);
    const Effect direct = e.effect(&helper, values);
    ASSERT_TRUE(made);
    EXPECT_EQ(typeid(*made), typeid(*direct));
    auto* fourier = dynamic_cast<FCEffectFourierBase*>(made.get());
    ASSERT_NE(fourier, nullptr);
    EXPECT_EQ(fourier->IsLuminanceOnly(), f->luminanceOnly);
    const FCObjImage got = Apply(picture, *made);
    EXPECT_TRUE(testimg::SamePixels(got, Apply(picture, *direct)));
    EXPECT_FALSE(testimg::SamePixels(got, picture)) << "the filter left the picture alone";
}

INSTANTIATE_TEST_SUITE_P(All, FourierCommandRow, ::testing::ValuesIn(Rows()),
                         [](const ::testing::TestParamInfo<Expected>& info)
                         { return std::to_string(info.param.id); });

TEST(FourierCommands, RangesForA640By480And512By512Image)
{
    struct Case
    {
        R rule;
        int w, h;
        std::vector<FourierSliderRange> ranges;
    };
    const std::vector<Case> cases = {
        {R::Half, 640, 480, {{1, 240, 120}}},
        {R::XY, 640, 480, {{1, 320, 160}, {1, 240, 120}}},
        {R::Band, 640, 480, {{1, 240, 60}, {1, 240, 120}}},
        {R::XYWidth, 640, 480, {{1, 320, 160}, {1, 240, 120}, {1, 240, 30}}},
        {R::Gaussian, 640, 480, {{0, 1000, 20}}},
        {R::Half, 512, 512, {{1, 256, 128}}},
        {R::XYWidth, 512, 512, {{1, 256, 128}, {1, 256, 128}, {1, 256, 32}}},
        // A panorama wider than a 16-bit half: the range stays a plain int.
        {R::XY, 70000, 500, {{1, 35000, 17500}, {1, 250, 125}}},
        {R::Gaussian, 1, 1, {{0, 1000, 20}}},
    };
    for (const Case& c : cases)
    {
        const auto got = FourierSliderRanges(c.rule, c.w, c.h);
        for (std::size_t s = 0; s < c.ranges.size(); ++s)
        {
            EXPECT_EQ(got[s].min, c.ranges[s].min) << c.w << "x" << c.h << " slider " << s + 1;
            EXPECT_EQ(got[s].max, c.ranges[s].max) << c.w << "x" << c.h << " slider " << s + 1;
            EXPECT_EQ(got[s].def, c.ranges[s].def) << c.w << "x" << c.h << " slider " << s + 1;
        }
    }
}

TEST(FourierCommands, SmallImagesGetUsableRangesWithTheirDefaultsInside)
{
    // Under 16 pixels the plain rules give maxima below 1 or defaults of 0; every range must
    // still hold its default, and nothing changes from 16 pixels on.
    for (R rule : {R::Half, R::XY, R::Band, R::XYWidth, R::Gaussian})
        for (int w : {0, 1, 2, 3, 5, 7, 15, 16, 33})
            for (int h : {1, 2, 4, 9, 16})
            {
                const auto ranges = FourierSliderRanges(rule, w, h);
                for (int s = 0; s < FourierSliderCount(rule); ++s)
                {
                    const FourierSliderRange& r = ranges[std::size_t(s)];
                    EXPECT_LE(r.min, r.max) << w << "x" << h << " slider " << s + 1;
                    EXPECT_GE(r.def, r.min) << w << "x" << h << " slider " << s + 1;
                    EXPECT_LE(r.def, r.max) << w << "x" << h << " slider " << s + 1;
                }
            }
    const auto tiny = FourierSliderRanges(R::Band, 3, 3);
    EXPECT_EQ(tiny[0].min, 1);
    EXPECT_EQ(tiny[0].max, 1);
    EXPECT_EQ(tiny[0].def, 1);
    const auto sixteen = FourierSliderRanges(R::XYWidth, 16, 16);
    EXPECT_EQ(sixteen[2].max, 8);
    EXPECT_EQ(sixteen[2].def, 1); // 16 / 16
    EXPECT_EQ(sixteen[0].def, 4);
}

TEST(FourierCommands, GaussianPositionsBecomeWidths)
{
    EXPECT_DOUBLE_EQ(GaussienneConversion(20), 0.002);
    EXPECT_DOUBLE_EQ(GaussienneConversion(0), 0.0);
    EXPECT_DOUBLE_EQ(GaussienneConversion(1000), 0.1);
}
