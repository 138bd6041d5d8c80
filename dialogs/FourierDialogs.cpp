#include "dialogs/FourierDialogs.h"

#include "document/CImageDoc.h"
#include "imagelib/effects/FourierEffects.h"
#include "resources/CommandIds.h"

#include <array>
#include <type_traits>

namespace
{
using R = FourierRangeRule;

// The document's dialog class and the tool view's of a filter class, by the rule of its sliders.
template <class E, R Rule> struct DialogsOf;
template <class E> struct DialogsOf<E, R::Half>
{
    using Document = CGeneric1SliderDialogParam<E>;
    using Feedback = CFeedback1SliderDialog<E>;
};
template <class E> struct DialogsOf<E, R::XY>
{
    using Document = CGeneric2SlidersDialogParam<E>;
    using Feedback = CFeedback2SlidersDialog<E>;
};
template <class E> struct DialogsOf<E, R::Band> : DialogsOf<E, R::XY>
{
};
template <class E> struct DialogsOf<E, R::XYWidth>
{
    using Document = CGeneric3SlidersDialogParam<E>;
    using Feedback = CFeedback3SlidersDialog<E>;
};
template <class E> struct DialogsOf<E, R::Gaussian>
{
    using Document = CGeneric1SliderDialogConvertParam<E, GaussienneConversion>;
    using Feedback = CFeedbackGaussienneDialog<E>;
};

QString Text(const char* utf8)
{
    return QString::fromUtf8(utf8 ? utf8 : "");
}

// The dialog as its launcher fills it.
template <class Dialog, int Command>
std::unique_ptr<CSliderDialogCore> Make(IPreviewDocument* doc, const FourierDialogSetup& setup)
{
    const FourierFilterCommand* row = FindFourierFilterCommand(Command);
    auto dialog = std::make_unique<Dialog>(doc, setup.parent, setup.base);
    dialog->m_pHelper = setup.helper;
    const auto ranges = FourierSliderRanges(row->rule, setup.width, setup.height);
    const bool tool = Dialog::kFeedback;
    for (int s = 1; s <= dialog->SliderCount(); ++s)
    {
        const FourierSliderRange& r = ranges[std::size_t(s - 1)];
        dialog->SetSlider(s, r.min, r.max, r.def);
        dialog->SetCaption(s, Text((tool ? row->toolCaptions : row->docCaptions)[std::size_t(s - 1)]));
    }
    dialog->SetTitle(Text(tool ? row->toolTitle : row->docTitle));
    if constexpr (Dialog::kConverts) dialog->SetFormat("%7.4f");
    if constexpr (Dialog::kFeedback) dialog->m_pToolView = setup.overlay;
    return dialog;
}

// Takes the size and the transform object of the document before the dialog backs up its image.
FourierDialogSetup SetupFor(CImageDoc& doc, IFourierOverlayTarget* overlay, QWidget* parent)
{
    FourierDialogSetup setup;
    setup.width = doc.GetImage().Width();
    setup.height = doc.GetImage().Height();
    setup.helper = doc.GetFFTW3Helper();
    setup.overlay = overlay;
    setup.parent = parent;
    return setup;
}

std::unique_ptr<FCImageEffect> RunModal(std::unique_ptr<CSliderDialogCore> dialog)
{
    if (!dialog || dialog->exec() != 1) return nullptr;
    return dialog->MakeEffect();
}

template <class Dialog, int Command>
std::unique_ptr<FCImageEffect> RunDocument(CImageDoc& doc, int, QWidget* parent)
{
    const FourierDialogSetup setup = SetupFor(doc, nullptr, parent);
    return RunModal(Make<Dialog, Command>(&doc, setup));
}

template <class E, int Command, R Rule> struct Filter
{
    using D = DialogsOf<E, Rule>;
    static constexpr FourierDialogInstance instance{Command, &Make<typename D::Document, Command>,
                                                    &Make<typename D::Feedback, Command>};
    static constexpr EffectDialogEntry entry{Command, &RunDocument<typename D::Document, Command>};
};

template <class... F> struct Family
{
    static constexpr std::array<FourierDialogInstance, sizeof...(F)> instances{F::instance...};
    static constexpr std::array<EffectDialogEntry, sizeof...(F)> entries{F::entry...};
};

// clang-format off
using FourierFamily = Family<
    Filter<FCEffectFourierCarre, kCmdFourierCarre, R::Half>,
    Filter<FCEffectFourierCarrePasseHaut, kCmdFourierCarrePasseHaut, R::Half>,
    Filter<FCEffectFourierCarrePasseBande, kCmdFourierCarrePasseBande, R::Band>,
    Filter<FCEffectFourierCarreCoupeBande, kCmdFourierCarreCoupeBande, R::Band>,
    Filter<FCEffectFourierRect, kCmdFourierRect, R::XY>,
    Filter<FCEffectFourierRectangulairePasseHaut, kCmdFourierRectangulairePasseHaut, R::XY>,
    Filter<FCEffectFourierRectangulairePasseBande, kCmdFourierRectangulairePasseBande, R::XYWidth>,
    Filter<FCEffectFourierRectangulaireCoupeBande, kCmdFourierRectangulaireCoupeBande, R::XYWidth>,
    Filter<FCEffectFourierCirculaire, kCmdFourierCirculaire, R::Half>,
    Filter<FCEffectFourierCirculairePasseHaut, kCmdFourierCirculairePasseHaut, R::Half>,
    Filter<FCEffectFourierCirculairePasseBande, kCmdFourierCirculairePasseBande, R::Band>,
    Filter<FCEffectFourierCirculaireCoupeBande, kCmdFourierCirculaireCoupeBande, R::Band>,
    Filter<FCEffectFourierGaussien, kCmdFourierGaussien, R::Gaussian>,
    Filter<FCEffectFourierYuvCarre, kCmdFourierYuvCarre, R::Half>,
    Filter<FCEffectFourierYuvCarrePasseHaut, kCmdFourierYuvCarrePasseHaut, R::Half>,
    Filter<FCEffectFourierYuvCarrePasseBande, kCmdFourierYuvCarrePasseBande, R::Band>,
    Filter<FCEffectFourierYuvCarreCoupeBande, kCmdFourierYuvCarreCoupeBande, R::Band>,
    Filter<FCEffectFourierYuvRect, kCmdFourierYuvRect, R::XY>,
    Filter<FCEffectFourierYuvRectPasseHaut, kCmdFourierYuvRectPasseHaut, R::XY>,
    Filter<FCEffectFourierYuvRectangulairePasseBande, kCmdFourierYuvRectangulairePasseBande, R::XYWidth>,
    Filter<FCEffectFourierYuvRectangulaireCoupeBande, kCmdFourierYuvRectangulaireCoupeBande, R::XYWidth>,
    Filter<FCEffectFourierYuvCirculaire, kCmdFourierYuvCirculaire, R::Half>,
    Filter<FCEffectFourierYuvCirculairePasseHaut, kCmdFourierYuvCirculairePasseHaut, R::Half>,
    Filter<FCEffectFourierYuvCirculairePasseBande, kCmdFourierYuvCirculairePasseBande, R::Band>,
    Filter<FCEffectFourierYuvCirculaireCoupeBande, kCmdFourierYuvCirculaireCoupeBande, R::Band>,
    Filter<FCEffectFourierYuvGaussien, kCmdFourierYuvGaussien, R::Gaussian>>;
// clang-format on
} // namespace

std::span<const FourierDialogInstance> FourierDialogInstances()
{
    return FourierFamily::instances;
}

std::span<const EffectDialogEntry> FourierDialogEntries()
{
    return FourierFamily::entries;
}

std::unique_ptr<FCImageEffect> RunFourierFeedbackDialog(CImageDoc& doc, int command,
                                                        IFourierOverlayTarget& overlay, QWidget* parent)
{
    for (const FourierDialogInstance& i : FourierDialogInstances())
        if (i.command == command)
        {
            const FourierDialogSetup setup = SetupFor(doc, &overlay, parent);
            return RunModal(i.makeFeedback(&doc, setup));
        }
    return nullptr;
}
