#include "document/FourierCommands.h"

#include "imagelib/effects/FourierEffects.h"
#include "resources/CommandIds.h"

#include <algorithm>

namespace
{
template <class E> std::unique_ptr<FCImageEffect> Make1(FFTW3Helper* helper, const FourierValues& v)
{
    return FourierEffectFactory<E>::Make(helper, v.positions[0]);
}
template <class E> std::unique_ptr<FCImageEffect> Make2(FFTW3Helper* helper, const FourierValues& v)
{
    return FourierEffectFactory<E>::Make(helper, v.positions[0], v.positions[1]);
}
template <class E> std::unique_ptr<FCImageEffect> Make3(FFTW3Helper* helper, const FourierValues& v)
{
    return FourierEffectFactory<E>::Make(helper, v.positions[0], v.positions[1], v.positions[2]);
}
template <class E> std::unique_ptr<FCImageEffect> MakeSigma(FFTW3Helper* helper, const FourierValues& v)
{
    return FourierEffectFactory<E>::Make(helper, v.sigma);
}

using R = FourierRangeRule;

// The tool view's dialogs name the circles' sliders like the squares'.
constexpr std::array<const char*, 3> kValeur{"Valeur"};
constexpr std::array<const char*, 3> kRayon{"Rayon"};
constexpr std::array<const char*, 3> kSigma{"Sigma"};
constexpr std::array<const char*, 3> kXY{"Valeur X", "Valeur Y"};
constexpr std::array<const char*, 3> kMinMax{"Valeur Min", "Valeur Max"};
constexpr std::array<const char*, 3> kRayonMinMax{"Rayon Min", "Rayon Max"};
constexpr std::array<const char*, 3> kXYWidth{"X", "Y", "Largeur"};

// clang-format off
const FourierFilterCommand kFilters[] = {
    // "Filtres Fourier (Luminance)"
    {kCmdFourierCarre, kCmdFourierYuvCarre, true, R::Half, "CImageDoc::OnFourierCarre",
     "Fourrier fenêtre carrée", "Fourrier fenêtre carrée - passe-bas", kValeur, kValeur,
     Make1<FCEffectFourierCarre>},
    {kCmdFourierCarrePasseHaut, kCmdFourierYuvCarrePasseHaut, true, R::Half, "CImageDoc::OnFourierCarrePasseHaut",
     "Fourrier fenêtre carrée passe-haut", "Fourrier fenêtre carrée - passe-haut", kValeur, kValeur,
     Make1<FCEffectFourierCarrePasseHaut>},
    {kCmdFourierCarrePasseBande, kCmdFourierYuvCarrePasseBande, true, R::Band, "CImageDoc::OnFourierCarrePasseBande",
     "Fourrier fenêtre carrée basse-bande", "Fourrier fenêtre rectangulaire - passe-bande", kMinMax, kMinMax,
     Make2<FCEffectFourierCarrePasseBande>},
    {kCmdFourierCarreCoupeBande, kCmdFourierYuvCarreCoupeBande, true, R::Band, "CImageDoc::OnFourierCarreCoupeBande",
     "Fourrier fenêtre carrée coupe-bande", "Fourrier fenêtre rectangulaire - coupe-bande", kMinMax, kMinMax,
     Make2<FCEffectFourierCarreCoupeBande>},
    {kCmdFourierRect, kCmdFourierYuvRect, true, R::XY, "CImageDoc::OnFourierRect",
     "Fourrier fenêtre rectangulaire", "Fourrier fenêtre rectangulaire - passe-bas", kXY, kXY,
     Make2<FCEffectFourierRect>},
    {kCmdFourierRectangulairePasseHaut, kCmdFourierYuvRectPasseHaut, true, R::XY,
     "CImageDoc::OnFourierRectangulairePasseHaut",
     "Fourrier fenêtre rectangulaire passe-haut", "Fourrier fenêtre rectangulaire - passe-haut", kXY, kXY,
     Make2<FCEffectFourierRectangulairePasseHaut>},
    {kCmdFourierRectangulairePasseBande, kCmdFourierYuvRectangulairePasseBande, true, R::XYWidth,
     "CImageDoc::OnFourierRectangulairePasseBande",
     "Fourrier fenêtre rectangulaire - passe-bande", "Fourrier fenêtre rectangulaire - passe-bande", kXYWidth,
     kXYWidth, Make3<FCEffectFourierRectangulairePasseBande>},
    {kCmdFourierRectangulaireCoupeBande, kCmdFourierYuvRectangulaireCoupeBande, true, R::XYWidth,
     "CImageDoc::OnFourierRectangulaireCoupeBande",
     "Fourrier fenêtre rectangulaire - coupe-bande", "Fourrier fenêtre rectangulaire - coupe-bande", kXYWidth,
     kXYWidth, Make3<FCEffectFourierRectangulaireCoupeBande>},
    {kCmdFourierCirculaire, kCmdFourierYuvCirculaire, true, R::Half, "CImageDoc::OnFourierCirculaire",
     "Fourrier fenêtre circulaire", "Fourrier fenêtre circulaire - passe-bas", kRayon, kValeur,
     Make1<FCEffectFourierCirculaire>},
    {kCmdFourierCirculairePasseHaut, kCmdFourierYuvCirculairePasseHaut, true, R::Half,
     "CImageDoc::OnFourierCirculairePasseHaut",
     "Fourrier fenêtre circulaire passe-haut", "Fourrier fenêtre circulaire - passe-haut", kRayon, kValeur,
     Make1<FCEffectFourierCirculairePasseHaut>},
    {kCmdFourierCirculairePasseBande, kCmdFourierYuvCirculairePasseBande, true, R::Band,
     "CImageDoc::OnFourierCirculairePasseBande",
     "Fourrier fenêtre circulaire passe-bande", "Fourrier fenêtre circulaire - passe-bande", kRayonMinMax, kMinMax,
     Make2<FCEffectFourierCirculairePasseBande>},
    {kCmdFourierCirculaireCoupeBande, kCmdFourierYuvCirculaireCoupeBande, true, R::Band,
     "CImageDoc::OnFourierCirculaireCoupeBande",
     "Fourrier fenêtre circulaire coupe-bande", "Fourrier fenêtre circulaire - coupe-bande", kRayonMinMax, kMinMax,
     Make2<FCEffectFourierCirculaireCoupeBande>},
    {kCmdFourierGaussien, kCmdFourierYuvGaussien, true, R::Gaussian, "CImageDoc::OnFourierGaussien",
     "Fourrier fenêtre gaussienne", "Fourrier fenêtre gaussienne", kSigma, kSigma,
     MakeSigma<FCEffectFourierGaussien>},

    // "Filtres Fourier (Y+U+V)"
    {kCmdFourierYuvCarre, kCmdFourierCarre, false, R::Half, "CImageDoc::OnFourierYuvCarre",
     "Fourrier fenêtre carrée", "Fourrier fenêtre carrée - passe-bas", kValeur, kValeur,
     Make1<FCEffectFourierYuvCarre>},
    {kCmdFourierYuvCarrePasseHaut, kCmdFourierCarrePasseHaut, false, R::Half, "CImageDoc::OnFourierYuvCarrePasseHaut",
     "Fourrier fenêtre carrée passe-haut", "Fourrier fenêtre carrée - passe-haut", kValeur, kValeur,
     Make1<FCEffectFourierYuvCarrePasseHaut>},
    {kCmdFourierYuvCarrePasseBande, kCmdFourierCarrePasseBande, false, R::Band,
     "CImageDoc::OnFourierYuvCarrePasseBande",
     "Fourrier fenêtre carrée passe-bande", "Fourrier fenêtre rectangulaire - passe-bande", kMinMax, kMinMax,
     Make2<FCEffectFourierYuvCarrePasseBande>},
    {kCmdFourierYuvCarreCoupeBande, kCmdFourierCarreCoupeBande, false, R::Band,
     "CImageDoc::OnFourierYuvCarreCoupeBande",
     "Fourrier fenêtre carrée coupe-bande", "Fourrier fenêtre rectangulaire - coupe-bande", kMinMax, kMinMax,
     Make2<FCEffectFourierYuvCarreCoupeBande>},
    {kCmdFourierYuvRect, kCmdFourierRect, false, R::XY, "CImageDoc::OnFourierYuvRect",
     "Fourrier fenêtre rectangulaire", "Fourrier fenêtre rectangulaire - passe-bas", kXY, kXY,
     Make2<FCEffectFourierYuvRect>},
    {kCmdFourierYuvRectPasseHaut, kCmdFourierRectangulairePasseHaut, false, R::XY,
     "CImageDoc::OnFourierYuvRectPasseHaut",
     "Fourrier fenêtre rectangulaire passe-haut", "Fourrier fenêtre rectangulaire - passe-haut", kXY, kXY,
     Make2<FCEffectFourierYuvRectPasseHaut>},
    {kCmdFourierYuvRectangulairePasseBande, kCmdFourierRectangulairePasseBande, false, R::XYWidth,
     "CImageDoc::OnFourierYuvRectangulairePasseBande",
     "Fourrier fenêtre rectangulaire - passe-bande", "Fourrier fenêtre rectangulaire - passe-bande", kXYWidth,
     kXYWidth, Make3<FCEffectFourierYuvRectangulairePasseBande>},
    {kCmdFourierYuvRectangulaireCoupeBande, kCmdFourierRectangulaireCoupeBande, false, R::XYWidth,
     "CImageDoc::OnFourierYuvRectangulaireCoupeBande",
     "Fourrier fenêtre rectangulaire - coupe-bande", "Fourrier fenêtre rectangulaire - coupe-bande", kXYWidth,
     kXYWidth, Make3<FCEffectFourierYuvRectangulaireCoupeBande>},
    {kCmdFourierYuvCirculaire, kCmdFourierCirculaire, false, R::Half, "CImageDoc::OnFourierYuvCirculaire",
     "Fourrier fenêtre circulaire", "Fourrier fenêtre circulaire - passe-bas", kRayon, kValeur,
     Make1<FCEffectFourierYuvCirculaire>},
    {kCmdFourierYuvCirculairePasseHaut, kCmdFourierCirculairePasseHaut, false, R::Half,
     "CImageDoc::OnFourierYuvCirculairePasseHaut",
     "Fourrier fenêtre circulaire passe-haut", "Fourrier fenêtre circulaire - passe-haut", kRayon, kValeur,
     Make1<FCEffectFourierYuvCirculairePasseHaut>},
    {kCmdFourierYuvCirculairePasseBande, kCmdFourierCirculairePasseBande, false, R::Band,
     "CImageDoc::OnFourierYuvCirculairePasseBande",
     "Fourrier fenêtre circulaire passe-bande", "Fourrier fenêtre circulaire - passe-bande", kRayonMinMax, kMinMax,
     Make2<FCEffectFourierYuvCirculairePasseBande>},
    {kCmdFourierYuvCirculaireCoupeBande, kCmdFourierCirculaireCoupeBande, false, R::Band,
     "CImageDoc::OnFourierYuvCirculaireCoupeBande",
     "Fourrier fenêtre circulaire coupe-bande", "Fourrier fenêtre circulaire - coupe-bande", kRayonMinMax, kMinMax,
     Make2<FCEffectFourierYuvCirculaireCoupeBande>},
    {kCmdFourierYuvGaussien, kCmdFourierGaussien, false, R::Gaussian, "CImageDoc::OnFourierYuvGaussien",
     "Fourrier fenêtre gaussienne", "Fourrier fenêtre gaussienne", kSigma, kSigma,
     MakeSigma<FCEffectFourierYuvGaussien>},
};
// clang-format on

FourierSliderRange Range(int min, int max, int def)
{
    max = std::max(max, min);
    return {min, max, std::clamp(def, min, max)};
}
} // namespace

std::span<const FourierFilterCommand> FourierFilterCommands()
{
    return kFilters;
}

const FourierFilterCommand* FindFourierFilterCommand(int id)
{
    for (const FourierFilterCommand& f : kFilters)
        if (f.id == id) return &f;
    return nullptr;
}

int FourierSliderCount(FourierRangeRule rule)
{
    switch (rule)
    {
    case R::XY:
    case R::Band:
        return 2;
    case R::XYWidth:
        return 3;
    case R::Half:
    case R::Gaussian:
        break;
    }
    return 1;
}

int FourierDialogResource(FourierRangeRule rule)
{
    return 212 + FourierSliderCount(rule);
}

std::array<FourierSliderRange, 3> FourierSliderRanges(FourierRangeRule rule, int w, int h)
{
    w = std::max(w, 0);
    h = std::max(h, 0);
    const int m = std::min(w, h);
    const int r = m / 2;
    switch (rule)
    {
    case R::Half:
        return {Range(1, r, r / 2), FourierSliderRange{}, FourierSliderRange{}};
    case R::XY:
        return {Range(1, w / 2, w / 4), Range(1, h / 2, h / 4), FourierSliderRange{}};
    case R::Band:
        return {Range(1, r, r / 4), Range(1, r, r / 2), FourierSliderRange{}};
    case R::XYWidth:
        return {Range(1, w / 2, w / 4), Range(1, h / 2, h / 4), Range(1, r, m / 16)};
    case R::Gaussian:
        break;
    }
    return {Range(0, 1000, 20), FourierSliderRange{}, FourierSliderRange{}};
}

double GaussienneConversion(int position)
{
    return position * 0.0001;
}

std::unique_ptr<FCImageEffect> MakeFourierFilterEffect(int id, FFTW3Helper* helper,
                                                       const FourierValues& values)
{
    const FourierFilterCommand* f = FindFourierFilterCommand(id);
    return f ? f->make(helper, values) : nullptr;
}
