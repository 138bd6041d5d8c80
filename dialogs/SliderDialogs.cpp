#include "dialogs/SliderDialogs.h"

#include "dialogs/SliderDialogTemplates.h"
#include "document/CImageDoc.h"
#include "imagelib/effects/ArtisticEffects.h"
#include "imagelib/effects/ColorEffects.h"
#include "imagelib/effects/ColorModel.h"
#include "imagelib/effects/ContourEffects.h"
#include "imagelib/effects/ConvolutionEffects.h"
#include "imagelib/effects/GaussBlurEffects.h"
#include "imagelib/effects/MotionBlurEffects.h"
#include "resources/CommandIds.h"

#include <array>

// The effects whose constructors take more than the dialog's positions.
template <> struct CSliderEffectFactory<FCEffectOldPhoto>
{
    static std::unique_ptr<FCImageEffect> Make(int softening)
    {
        return std::make_unique<FCEffectOldPhoto>(softening, -20, -40);
    }
};
template <> struct CSliderEffectFactory<FCEffectBlur_Radial>
{
    static std::unique_ptr<FCImageEffect> Make(int angle)
    {
        return std::make_unique<FCEffectBlur_Radial>(angle, 0.0, 0.0);
    }
};
template <> struct CSliderEffectFactory<FCEffectBlur_Zoom>
{
    static std::unique_ptr<FCImageEffect> Make(int strength)
    {
        return std::make_unique<FCEffectBlur_Zoom>(strength, 0.0, 0.0);
    }
};

namespace
{
struct SliderTexts
{
    const char* title;
    std::array<const char*, 3> captions;
    const char* format = nullptr; // of the converted value
};

// clang-format off
// One entry per command: its dialog class, its command id and its texts.
struct Flou { using Dialog = CGeneric1SliderDialog<FCEffectBlur_GaussCopyEdge, 1, 32, 5>;
    static constexpr int command = kCmdBlurGauss; static constexpr SliderTexts texts{"Flou gaussien", {"Taille"}}; };
struct FlouRadial { using Dialog = CGeneric1SliderDialog<FCEffectBlur_Radial, 1, 45, 3>;
    static constexpr int command = kCmdBlurRadial; static constexpr SliderTexts texts{"Flou radial", {"Niveau"}}; };
struct FlouZoom { using Dialog = CGeneric1SliderDialog<FCEffectBlur_Zoom, 1, 100, 15>;
    static constexpr int command = kCmdBlurZoom; static constexpr SliderTexts texts{"Flou zoom", {"Niveau"}}; };
struct Contours { using Dialog = CGeneric1SliderDialog<FCEffectContoursGradient, 1, 100, 10>;
    static constexpr int command = kCmdContoursGradient; static constexpr SliderTexts texts{"Contours", {"Seuil"}}; };
struct Relief { using Dialog = CGeneric1SliderDialog<FCEffectEmboss, 0, 359, 0>;
    static constexpr int command = kCmdEmboss; static constexpr SliderTexts texts{"Relief", {"Angle (°)"}}; };
struct Mosaique { using Dialog = CGeneric1SliderDialog<FCEffectMosaic, 2, 100, 20>;
    static constexpr int command = kCmdMosaic; static constexpr SliderTexts texts{"Mosaïque", {"Taille"}}; };
struct PhotoAncienne { using Dialog = CGeneric1SliderDialog<FCEffectOldPhoto, 1, 8, 3>;
    static constexpr int command = kCmdOldPhoto; static constexpr SliderTexts texts{"Photo Ancienne", {"Adoucissement"}}; };
struct Posteriser { using Dialog = CGeneric1SliderDialog<FCEffectPosterize, 2, 20, 3>;
    static constexpr int command = kCmdPosterize; static constexpr SliderTexts texts{"Posteriser", {"Niveau"}}; };
struct Seuil { using Dialog = CGeneric1SliderDialog<FCEffectSeuil, 0, 255, 128>;
    static constexpr int command = kCmdSeuil; static constexpr SliderTexts texts{"Seuil", {"Niveau"}}; };
struct Nettete { using Dialog = CGeneric1SliderDialog<FCEffectSharp, 4, 12, 8>;
    static constexpr int command = kCmdSharp; static constexpr SliderTexts texts{"Netteté", {"Niveau"}}; };
struct Solariser { using Dialog = CGeneric1SliderDialog<FCEffectSolarize, 0, 255, 128>;
    static constexpr int command = kCmdSolarize; static constexpr SliderTexts texts{"Solariser", {"Niveau"}}; };
struct Splash { using Dialog = CGeneric1SliderDialog<FCEffectSplash, 3, 64, 20>;
    static constexpr int command = kCmdSplash; static constexpr SliderTexts texts{"Splash", {"Niveau"}}; };
struct Binariser { using Dialog = CGeneric1SliderDialog<FCEffectThreshold, 0, 255, 128>;
    static constexpr int command = kCmdThreshold; static constexpr SliderTexts texts{"Binariser", {"Seuil"}}; };
struct Gamma { using Dialog = CGeneric1SliderDialogConvert<FCEffectGammaValue, CImageDoc::GammaConvertFunction, -100, 100, 0>;
    static constexpr int command = kCmdGamma; static constexpr SliderTexts texts{"Gamma", {"Gamma:"}, "%6.2f"}; };
struct FlouVitesse { using Dialog = CGeneric2SlidersDialog<FCEffectBlur_Motion, 1, 200, 50, 0, 360, 0>;
    static constexpr int command = kCmdBlurMotion; static constexpr SliderTexts texts{"Flou de vitesse", {"Vitesse", "Angle"}}; };
struct ContrasteLuminosite { using Dialog = CGeneric2SlidersDialog<FCEffectBrightnessContrast, -100, 100, 0, -100, 100, 0>;
    static constexpr int command = kCmdBrightnessContrast; static constexpr SliderTexts texts{"Luminosité & Contraste", {"Luminosité", "Contraste"}}; };
struct TeinteSaturation { using Dialog = CGeneric2SlidersDialog<FCEffectHueSaturation, -100, 100, 0, -100, 100, 0>;
    static constexpr int command = kCmdHueSaturation; static constexpr SliderTexts texts{"Teinte & Saturation", {"Teinte", "Saturation"}}; };
struct PeintureHuile { using Dialog = CGeneric2SlidersDialog<FCEffectOilPaint, 2, 8, 3, 3, 255, 30>;
    static constexpr int command = kCmdOilPaint; static constexpr SliderTexts texts{"Peinture à l'huile", {"Taille", "Rugosité"}}; };
struct DessinTrait { using Dialog = CGeneric2SlidersDialog<FCEffectPencilSketch, 1, 20, 5, -20, 20, 3>;
    static constexpr int command = kCmdPencilSketch; static constexpr SliderTexts texts{"Dessin au trait", {"Taille du crayon", "Rugosité"}}; };
struct Binariser2 { using Dialog = CGeneric2SlidersDialog<FCEffectThreshold2, 0, 255, 64, 0, 255, 192>;
    static constexpr int command = kCmdThreshold2; static constexpr SliderTexts texts{"Binariser", {"Seuil bas", "Seuil haut"}}; };
struct NetteteUsm { using Dialog = CGeneric3SlidersDialog<FCEffectUNSharpMask, 1, 32, 5, 1, 100, 70, 0, 255, 0>;
    static constexpr int command = kCmdUnsharpMask; static constexpr SliderTexts texts{"Netteté USM", {"Rayon", "Quantité", "Seuil"}}; };
struct CanauxRvb { using Dialog = CRVBDialog<FCEffectAdjustRGB, -128, 128, 0, -128, 128, 0, -128, 128, 0>;
    static constexpr int command = kCmdAdjustRgb; static constexpr SliderTexts texts{"Couleurs RVB", {"Rouge", "Vert", "Bleu"}}; };
struct SeuilRvb { using Dialog = CRVBDialog<FCEffectSeuilRGB, 0, 255, 128, 0, 255, 128, 0, 255, 128>;
    static constexpr int command = kCmdSeuilRgb; static constexpr SliderTexts texts{"Seuils RVB", {"Rouge", "Vert", "Bleu"}}; };
// clang-format on

QString Text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// The dialog of entry I, made where the caller puts it (a prvalue: on the caller's stack).
template <class I> typename I::Dialog Make(IPreviewDocument* doc, QWidget* parent)
{
    using D = typename I::Dialog;
    constexpr const SliderTexts& t = I::texts;
    const QString title = Text(t.title);
    if constexpr (D::kConverts)
        return D(doc, title, Text(t.captions[0]), t.format, parent);
    else if constexpr (D::kSliders == 1)
        return D(doc, title, Text(t.captions[0]), parent);
    else if constexpr (D::kSliders == 2)
        return D(doc, title, Text(t.captions[0]), Text(t.captions[1]), parent);
    else
        return D(doc, title, Text(t.captions[0]), Text(t.captions[1]), Text(t.captions[2]), parent);
}

template <class I> std::unique_ptr<CSliderDialogCore> MakeOnHeap(IPreviewDocument* doc, QWidget* parent)
{
    return std::unique_ptr<CSliderDialogCore>(new auto(Make<I>(doc, parent)));
}

template <class I> std::unique_ptr<FCImageEffect> Run(CImageDoc& doc, int, QWidget* parent)
{
    auto dialog = Make<I>(&doc, parent);
    if (dialog.exec() != 1) return nullptr;
    return dialog.MakeEffect();
}

template <class... I> struct Family
{
    static constexpr std::array<SliderDialogInstance, sizeof...(I)> instances{
        SliderDialogInstance{I::command, &MakeOnHeap<I>}...};
    static constexpr std::array<EffectDialogEntry, sizeof...(I)> entries{
        EffectDialogEntry{I::command, &Run<I>}...};
};

using SliderFamily =
    Family<Flou, FlouRadial, FlouZoom, Contours, Relief, Mosaique, PhotoAncienne, Posteriser, Seuil, Nettete,
           Solariser, Splash, Binariser, Gamma, FlouVitesse, ContrasteLuminosite, TeinteSaturation,
           PeintureHuile, DessinTrait, Binariser2, NetteteUsm, CanauxRvb, SeuilRvb>;
} // namespace

std::span<const SliderDialogInstance> SliderDialogInstances()
{
    return SliderFamily::instances;
}

std::span<const EffectDialogEntry> SliderDialogEntries()
{
    return SliderFamily::entries;
}
