#include "dialogs/DedicatedDialogs.h"

#include "dialogs/CNiveauxCouleursDialog.h"
#include "dialogs/ColourDialogs.h"
#include "dialogs/DistortCannyDialogs.h"
#include "dialogs/KernelDialogs.h"
#include "dialogs/NoiseLevelDialogs.h"
#include "document/CImageDoc.h"
#include "document/DedicatedDialogCommands.h"
#include "resources/CommandIds.h"

#include <array>

namespace
{
using Effect = std::unique_ptr<FCImageEffect>;

// The dialogs with a preview make their effect from their values.
template <class D> Effect RunPreviewDialog(CImageDoc& doc, int, QWidget* parent)
{
    D dialog(&doc, parent);
    if (dialog.exec() != 1) return nullptr;
    return dialog.MakeEffect();
}

Effect RunLevels(CImageDoc& doc, int, QWidget* parent)
{
    CNiveauxCouleursDialog dialog(&doc, doc.GetImage(), parent);
    if (dialog.exec() != 1) return nullptr;
    return dialog.MakeEffect();
}

Effect RunDistort(CImageDoc&, int command, QWidget* parent)
{
    const bool rhombus = command == kCmdLosange;
    CLosangetrapezedialog dialog(rhombus ? LosangeDialogTexts() : TrapezeDialogTexts(), parent);
    if (dialog.exec() != 1) return nullptr;
    return rhombus ? MakeLosangeEffect(dialog.Values()) : MakeTrapezeEffect(dialog.Values());
}

Effect RunCanny(CImageDoc&, int, QWidget* parent)
{
    CCannydialog dialog(parent);
    if (dialog.exec() != 1) return nullptr;
    return MakeCannyEffect(dialog.Gauss5x5(), dialog.RemoveNonMaxima());
}

constexpr std::array<EffectDialogEntry, 12> kEntries{{
    {kCmdColorSaturation, &RunPreviewDialog<CCouleurSaturationDialog>},
    {kCmdSoftGlow, &RunPreviewDialog<CCouleursBrillanceDialog>},
    {kCmdSoftPortrait, &RunPreviewDialog<CCouleursPortraitAdoucisDialog>},
    {kCmdColorBalance, &RunPreviewDialog<CBalanceCouleursDialog>},
    {kCmdColorLevels, &RunLevels},
    {kCmdNoisify, &RunPreviewDialog<CBruiterDialog>},
    {kCmdNbNiveaux, &RunPreviewDialog<CNbNiveauxDialog>},
    {kCmdLosange, &RunDistort},
    {kCmdTrapeze, &RunDistort},
    {kCmdCanny, &RunCanny},
    {kCmdFilter5x5, &RunPreviewDialog<CFiltre5x5Dialog>},
    {kCmdFilter3x3, &RunPreviewDialog<CFiltre3x3Dialog>},
}};
} // namespace

std::span<const EffectDialogEntry> DedicatedDialogEntries()
{
    return kEntries;
}
