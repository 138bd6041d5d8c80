#include "document/ImageCommands.h"

#include "imagelib/effects/ArtisticEffects.h"
#include "imagelib/effects/ColorEffects.h"
#include "imagelib/effects/ContourEffects.h"
#include "imagelib/effects/ConvolutionEffects.h"
#include "imagelib/effects/FlipRotateEffects.h"
#include "imagelib/effects/HistogramEffects.h"
#include "imagelib/effects/MorphologyEffects.h"
#include "resources/CommandIds.h"

namespace
{
template <class Effect> std::unique_ptr<FCImageEffect> Make()
{
    return std::make_unique<Effect>();
}

template <const FCConvolutionKernel3x3& Kernel> std::unique_ptr<FCImageEffect> MakeKernel()
{
    auto effect = std::make_unique<FCEffectConvolute>();
    effect->SetKernel(Kernel.weights, 3, Kernel.divisor, Kernel.offset);
    return effect;
}

// "Déparasitage " always uses radius 10 and strength 0.4.
std::unique_ptr<FCImageEffect> MakeReduceNoise()
{
    return std::make_unique<FCEffectReduceNoise>(10, 0.4);
}

using K = ImageCommandKind;

// clang-format off
const ImageCommand kCommands[] = {
    // In the File and Edit popups.
    {kCmdFileInfo, "&Informations", K::File, "CImageDoc::OnFileInfo", nullptr},
    {kCmdFileSave, "&Sauver\tCtrl+S", K::File, "CImageDoc::OnFileSave", nullptr},
    {kCmdFileSaveAs, "Sauver dans...", K::File, "CImageDoc::OnFileSaveAs", nullptr},
    {kCmdEditUndo, "&Annuler\tCtrl+Z", K::File, "CImageDoc::OnEditUndo", nullptr},
    {kCmdEditRedo, "&Rétablir\tCtrl+Y", K::File, "CImageDoc::OnEditRedo", nullptr},

    // "&Image"
    {kCmdMirror, "Miroir Horizontal", K::DirectEffect, "CImageDoc::OnMirror", Make<FCEffectMirror>},
    {kCmdFlip, "Miroir Vertical", K::DirectEffect, "CImageDoc::OnFlip", Make<FCEffectFlip>},
    {kCmdRotate90, "Rotation 90°", K::DirectEffect, "CImageDoc::OnRotate90", Make<FCEffectRotate90>},
    {kCmdRotate270, "Rotation 270°", K::DirectEffect, "CImageDoc::OnRotate270", Make<FCEffectRotate270>},
    {kCmdRotate180, "Rotation 180°", K::DirectEffect, "CImageDoc::OnRotate180", Make<FCEffectRotate180>},
    {kCmdRotateFree, "Rotation libre...", K::DialogNoPreview, "CImageDoc::OnRotate", nullptr},
    // "&Image" > "Couleurs"
    {kCmdEqualize, "Egaliser", K::DirectEffect, "CImageDoc::OnEgaliser",
     Make<FCEffectEgaliserHistogrammeLuminosite>},
    {kCmdEqualizeRgb, "Egaliser RVB", K::DirectEffect, "CImageDoc::OnEgaliserRGB", Make<FCEffectEgaliserHistogrammeRGB>},
    {kCmdGamma, "Gamma...", K::SliderDialog, "CImageDoc::OnGamma", nullptr},
    {kCmdBrightnessContrast, "Contraste && Luminosité...", K::SliderDialog, "CImageDoc::OnBrightnessContrast", nullptr},
    {kCmdHueSaturation, "Teinte && Saturation...", K::SliderDialog, "CImageDoc::OnHueSaturation", nullptr},
    {kCmdColorSaturation, "Couleur et Saturation...", K::SliderDialog, "CImageDoc::OnColorTone", nullptr},
    {kCmdAdjustRgb, "Canaux RVB...", K::SliderDialog, "CImageDoc::OnAdjustRGB", nullptr},
    {kCmdColorBalance, "Balance des couleurs...", K::DedicatedDialog, "CImageDoc::OnColorBalance", nullptr},
    {kCmdColorLevels, "Niveaux de couleurs...", K::DedicatedDialog, "CImageDoc::OnColorLevel", nullptr},
    {kCmdInvert, "Négatif", K::DirectEffect, "CImageDoc::OnInvert", Make<FCEffectInvert>},
    {kCmdGrayscale, "Convertir Gris", K::DirectEffect, "CImageDoc::OnGrayscale", Make<FCEffectGrayscale>},
    {kCmdAutoColorLevel, "Niveau de couleur auto", K::DirectEffect, "CImageDoc::OnAutoColorLevel",
     Make<FCEffectAutoColorLevel>},
    {kCmdAutoContrast, "Contraste auto", K::DirectEffect, "CImageDoc::OnAutoContrast", Make<FCEffectAutoContrast>},
    {kCmdAutoColorEnhance, "Amélioration couleur auto", K::DirectEffect, "CImageDoc::OnAutoColorEnhance",
     Make<FCEffectAutoColorEnhance>},
    {kCmdSoftGlow, "Brillance...", K::SliderDialog, "CImageDoc::OnSoftGlow", nullptr},
    {kCmdSoftPortrait, "Portrait adoucis...", K::SliderDialog, "CImageDoc::OnSoftPortrait", nullptr},
    // "&Image", after "Couleurs"
    {kCmdDilate, "Dilater (x2)", K::DirectEffect, "CImageDoc::OnDilate", Make<FCEffectDilate>},
    {kCmdReduce, "Réduire (x0,5)", K::DirectEffect, "CImageDoc::OnReduce", Make<FCEffectReduce>},
    {kCmdResize, "Nouvelle Taille...", K::DialogNoPreview, "CImageDoc::OnResize", nullptr},
    {kCmdLosange, "Losange...", K::DialogNoPreview, "CImageDoc::OnLosange", nullptr},
    {kCmdTrapeze, "Trapèze...", K::DialogNoPreview, "CImageDoc::OnTrapeze", nullptr},
    {kCmdAlphaOpaque, "Alpha à 1", K::WholeImageEdit, "CImageDoc::OnAlphaOpaque", nullptr},
    {kCmdConvert24, "Convertir 24 bits RVB", K::WholeImageEdit, "CImageDoc::OnConvert24", nullptr},
    {kCmdConvert32, "Convertir 32 bits RVBA", K::WholeImageEdit, "CImageDoc::OnConvert32", nullptr},
    // "&Image" > "Flou"
    {kCmdBlurGauss, "Flou...", K::SliderDialog, "CImageDoc::OnBlurGauss", nullptr},
    {kCmdReduceNoise, "Déparasitage ", K::DirectEffect, "CImageDoc::OnReduceNoise", MakeReduceNoise},
    {kCmdBlurMotion, "Flou de vitesse...", K::SliderDialog, "CImageDoc::OnBlurMotion", nullptr},
    {kCmdBlurZoom, "Flou zoom...", K::SliderDialog, "CImageDoc::OnBlurZoom", nullptr},
    {kCmdBlurRadial, "Flou radial...", K::SliderDialog, "CImageDoc::OnBlurRadial", nullptr},
    // "&Image" > "Netteté"
    {kCmdSharp, "Netteté...", K::SliderDialog, "CImageDoc::OnSharp", nullptr},
    {kCmdUnsharpMask, "Netteté USM...", K::SliderDialog, "CImageDoc::OnUnsharpMask", nullptr},

    // "Effets"
    {kCmdMosaic, "Mosaïque...", K::SliderDialog, "CImageDoc::OnMosaic", nullptr},
    // "Effets" > "Couleur"
    {kCmdSeuil, "Seuil...", K::SliderDialog, "CImageDoc::OnSeuil", nullptr},
    {kCmdSeuilRgb, "Seuil RVB...", K::SliderDialog, "CImageDoc::OnSeuilRGB", nullptr},
    {kCmdNbNiveaux, "Nombre de niveaux...", K::DedicatedDialog, "CImageDoc::OnNbNiveaux", nullptr},
    {kCmdSolarize, "Solariser...", K::SliderDialog, "CImageDoc::OnSolarize", nullptr},
    // "Effets", after "Couleur"
    {kCmdOldPhoto, "Photo Ancienne...", K::SliderDialog, "CImageDoc::OnOldPhoto", nullptr},
    {kCmdHalftone, "Demi ton", K::DirectEffect, "CImageDoc::OnHalftone", Make<FCEffectHalftoneM3>},
    {kCmdNoisify, "Bruiter...", K::DedicatedDialog, "CImageDoc::OnNoisify", nullptr},
    {kCmdEmboss, "Relief...", K::SliderDialog, "CImageDoc::OnEmboss", nullptr},
    {kCmdOilPaint, "Peinture à l'huile...", K::SliderDialog, "CImageDoc::OnOilPaint", nullptr},
    {kCmdPosterize, "Postériser...", K::SliderDialog, "CImageDoc::OnPosterize", nullptr},
    {kCmdSplash, "Splash...", K::SliderDialog, "CImageDoc::OnSplash", nullptr},
    {kCmdPencilSketch, "Dessin au trait...", K::SliderDialog, "CImageDoc::OnPencilSketch", nullptr},

    // "&Traitements"
    {kCmdPasseBas, "Passe &Bas", K::DirectEffect, "CImageDoc::OnPasseBas", MakeKernel<kKernelPasseBas>},
    {kCmdPasseHaut, "Passe &Haut", K::DirectEffect, "CImageDoc::OnPasseHaut", MakeKernel<kKernelPasseHaut>},
    {kCmdMaximum, "M&aximum", K::DirectEffect, "CImageDoc::OnMaximum", Make<FCEffectMaximum>},
    {kCmdMinimum, "M&inimum", K::DirectEffect, "CImageDoc::OnMinimum", Make<FCEffectMinimum>},
    {kCmdMedian, "&Médian", K::DirectEffect, "CImageDoc::OnMedian", Make<FCEffectMedian>},
    {kCmdGradient, "Dérivée &Gradient", K::DirectEffect, "CImageDoc::OnGradient", Make<FCEffectGradientBase>},
    {kCmdLaplacien, "&Laplacien", K::DirectEffect, "CImageDoc::OnLaplacien", MakeKernel<kKernelLaplacien>},
    {kCmdFilter3x3, "Filtre 3x3 custom...", K::DedicatedDialog, "CImageDoc::OnFiltre3x3", nullptr},
    {kCmdFilter5x5, "Filtre 5x5 custom...", K::DedicatedDialog, "CImageDoc::OnFiltre5x5", nullptr},
    // "&Traitements" > "Contours"
    {kCmdSobel, "Sobel", K::DirectEffect, "CImageDoc::OnSobel", Make<FCEffectSimpleContour<2>>},
    {kCmdPrewitt, "Prewitt", K::DirectEffect, "CImageDoc::OnPrewitt", Make<FCEffectSimpleContour<1>>},
    {kCmdContoursLaplacien, "Contours Laplacien", K::DirectEffect, "CImageDoc::OnContoursLaplacien",
     Make<FCEffectContoursFilter<&FCEffectContoursLaplacien8>>},
    {kCmdContoursLaplacien2, "Contours Laplacien 2", K::DirectEffect, "CImageDoc::OnContoursLaplacien2",
     Make<FCEffectContoursFilter<&FCEffectContoursLaplacien2>>},
    {kCmdContoursLaplacien4, "Contours Laplacien 4", K::DirectEffect, "CImageDoc::OnContoursLaplacien4",
     Make<FCEffectContoursFilter<&FCEffectContoursLaplacien4>>},
    {kCmdContoursGradient, "Contours gradient optimisé", K::SliderDialog, "CImageDoc::OnContoursGradient", nullptr},
    {kCmdCanny, "Opérateur de canny", K::DialogNoPreview, "CImageDoc::OnCanny", nullptr},
    // "&Traitements" > "Opérateurs morphologiques"
    {kCmdThreshold, "Binariser...", K::SliderDialog, "CImageDoc::OnThreshold", nullptr},
    {kCmdThreshold2, "Binariser 2 seuils...", K::SliderDialog, "CImageDoc::OnThreshold2", nullptr},
    {kCmdErosion, "Erosion", K::DirectEffect, "CImageDoc::OnErosion", Make<FCEffectMinimum>},
    {kCmdDilatation, "Dilatation", K::DirectEffect, "CImageDoc::OnDilatation", Make<FCEffectMaximum>},
    {kCmdSquelettisation, "Squelettisation", K::DirectEffect, "CImageDoc::OnSquelettisation",
     Make<FCEffectSquelettisation>},

    // "&Outils" > "Vues RVB"
    {kCmdViewRed, "Canal Rouge", K::ToolView, "CImageDoc::OnRedView", nullptr},
    {kCmdViewRedAsGrey, "Canal Rouge -> Luminance", K::ToolView, "CImageDoc::OnRedAsGreyView", nullptr},
    {kCmdViewGreen, "Canal Vert", K::ToolView, "CImageDoc::OnGreenView", nullptr},
    {kCmdViewGreenAsGrey, "Canal Vert -> Luminance", K::ToolView, "CImageDoc::OnGreenAsGreyView", nullptr},
    {kCmdViewBlue, "Canal Bleu", K::ToolView, "CImageDoc::OnBlueView", nullptr},
    {kCmdViewBlueAsGrey, "Canal Bleu -> Luminance", K::ToolView, "CImageDoc::OnBlueAsGreyView", nullptr},
    // "&Outils" > "Vues YUV"
    {kCmdViewY, "Luminance (Y)", K::ToolView, "CImageDoc::OnYView", nullptr},
    {kCmdViewU, "Chrominance bleue (U)", K::ToolView, "CImageDoc::OnUView", nullptr},
    {kCmdViewUAsGrey, "Chrominance bleue -> Luminance", K::ToolView, "CImageDoc::OnUAsGreyView", nullptr},
    {kCmdViewV, "Chrominance rouge (V)", K::ToolView, "CImageDoc::OnVView", nullptr},
    {kCmdViewVAsGrey, "Chrominance rouge -> Luminance", K::ToolView, "CImageDoc::OnVAsGreyView", nullptr},
    // "&Outils" > "Vues Fourier (Luminance)"
    {kCmdViewFourierModule, "Fourier module", K::ToolView, "CImageDoc::OnFourierModuleView", nullptr},
    {kCmdViewFourierPhase, "Fourier phase", K::ToolView, "CImageDoc::OnFourierPhaseView", nullptr},
    {kCmdViewFourierTool, "Vue Outil Fourier (module)", K::ToolView, "CImageDoc::OnFourierToolView", nullptr},
    // "&Outils" > "Filtres Fourier (Luminance)"
    {kCmdFourierCarre, "Fenêtre carrée passe-bas", K::FourierFilter, "CImageDoc::OnFourierCarre", nullptr},
    {kCmdFourierCarrePasseHaut, "Fenêtre carrée passe-haut", K::FourierFilter, "CImageDoc::OnFourierCarrePasseHaut", nullptr},
    {kCmdFourierCarrePasseBande, "Fenêtre carrée passe-bande (min/max)", K::FourierFilter,
     "CImageDoc::OnFourierCarrePasseBande", nullptr},
    {kCmdFourierCarreCoupeBande, "Fenêtre carrée coupe- bande", K::FourierFilter, "CImageDoc::OnFourierCarreCoupeBande",
     nullptr},
    {kCmdFourierRect, "Fenêtre rectangulaire passe-bas", K::FourierFilter, "CImageDoc::OnFourierRect", nullptr},
    {kCmdFourierRectangulairePasseHaut, "Fenêtre rectangulaire passe-haut", K::FourierFilter,
     "CImageDoc::OnFourierRectangulairePasseHaut", nullptr},
    {kCmdFourierRectangulairePasseBande, "Fenêtre rectangulaire passe-bande", K::FourierFilter,
     "CImageDoc::OnFourierRectangulairePasseBande", nullptr},
    {kCmdFourierRectangulaireCoupeBande, "Fenêtre rectangulaire coupe-bande", K::FourierFilter,
     "CImageDoc::OnFourierRectangulaireCoupeBande", nullptr},
    {kCmdFourierCirculaire, "Fenêtre circulaire passe-bas", K::FourierFilter, "CImageDoc::OnFourierCirculaire", nullptr},
    {kCmdFourierCirculairePasseHaut, "Fenêtre circulaire passe-haut", K::FourierFilter,
     "CImageDoc::OnFourierCirculairePasseHaut", nullptr},
    {kCmdFourierCirculairePasseBande, "Fenêtre circulaire passe-bande (min/max)", K::FourierFilter,
     "CImageDoc::OnFourierCirculairePasseBande", nullptr},
    {kCmdFourierCirculaireCoupeBande, "Fenêtre circulaire coupe-bande", K::FourierFilter,
     "CImageDoc::OnFourierCirculaireCoupeBande", nullptr},
    {kCmdFourierGaussien, "Gaussienne", K::FourierFilter, "CImageDoc::OnFourierGaussien", nullptr},
    // "&Outils" > "Filtres Fourier (Y+U+V)"
    {kCmdFourierYuvCarre, "Fenêtre carrée passe-bas", K::FourierFilter, "CImageDoc::OnFourierYuvCarre", nullptr},
    {kCmdFourierYuvCarrePasseHaut, "Fenêtre carrée passe-haut", K::FourierFilter,
     "CImageDoc::OnFourierYuvCarrePasseHaut", nullptr},
    {kCmdFourierYuvCarrePasseBande, "Fenêtre carrée passe-bande (min/max)", K::FourierFilter,
     "CImageDoc::OnFourierYuvCarrePasseBande", nullptr},
    {kCmdFourierYuvCarreCoupeBande, "Fenêtre carrée coupe bande", K::FourierFilter,
     "CImageDoc::OnFourierYuvCarreCoupeBande", nullptr},
    {kCmdFourierYuvRect, "Fenêtre rectangulaire passe-bas", K::FourierFilter, "CImageDoc::OnFourierYuvRect", nullptr},
    {kCmdFourierYuvRectPasseHaut, "Fenêtre rectangulaire passe-haut", K::FourierFilter,
     "CImageDoc::OnFourierYuvRectPasseHaut", nullptr},
    {kCmdFourierYuvRectangulairePasseBande, "Fenêtre rectangulaire passe-bande", K::FourierFilter,
     "CImageDoc::OnFourierYuvRectangulairePasseBande", nullptr},
    {kCmdFourierYuvRectangulaireCoupeBande, "Fenêtre rectangulaire coupe-bande", K::FourierFilter,
     "CImageDoc::OnFourierYuvRectangulaireCoupeBande", nullptr},
    {kCmdFourierYuvCirculaire, "Fenêtre circulaire passe-bas", K::FourierFilter, "CImageDoc::OnFourierYuvCirculaire",
     nullptr},
    {kCmdFourierYuvCirculairePasseHaut, "Fenêtre circulaire passe-haut", K::FourierFilter,
     "CImageDoc::OnFourierYuvCirculairePasseHaut", nullptr},
    {kCmdFourierYuvCirculairePasseBande, "Fenêtre circulaire passe-bande (min/max)", K::FourierFilter,
     "CImageDoc::OnFourierYuvCirculairePasseBande", nullptr},
    {kCmdFourierYuvCirculaireCoupeBande, "Fenêtre circulaire coupe bande", K::FourierFilter,
     "CImageDoc::OnFourierYuvCirculaireCoupeBande", nullptr},
    {kCmdFourierYuvGaussien, "Gaussienne", K::FourierFilter, "CImageDoc::OnFourierYuvGaussien", nullptr},
};
// clang-format on
} // namespace

std::span<const ImageCommand> ImageCommandTable()
{
    return kCommands;
}

const ImageCommand* FindImageCommand(int id)
{
    for (const ImageCommand& c : kCommands)
        if (c.id == id) return &c;
    return nullptr;
}
