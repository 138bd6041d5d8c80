#include "shell/RotateResizeDialogs.h"

#include "document/CImageDoc.h"
#include "document/RotateResizeCommands.h"
#include "platform/qt/Prompt.h"
#include "resources/CommandIds.h"
#include "resources/ResourceBuilder.h"
#include "shell/CRotationdialog.h"
#include "shell/CSizedialog.h"

namespace
{
const EffectDialogEntry kEntries[] = {
    {kCmdRotateFree, &RunRotationDialog},
    {kCmdResize, &RunSizeDialog},
};
} // namespace

std::span<const EffectDialogEntry> ShellDialogEntries()
{
    return kEntries;
}

std::unique_ptr<FCImageEffect> RunRotationDialog(CImageDoc&, int, QWidget* parent)
{
    CRotationdialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted) return nullptr;
    const std::optional<RotationCommand> command = RotationFromDialog(dialog.Values());
    return command ? MakeRotationEffect(*command) : nullptr;
}

std::unique_ptr<FCImageEffect> RunSizeDialog(CImageDoc& doc, int, QWidget* parent)
{
    const FCObjImage& image = doc.GetImage();
    CSizedialog dialog(image.Width(), image.Height(), parent);
    if (dialog.exec() != QDialog::Accepted) return nullptr;
    const ResizeDecision decision = ResizeFromDialog(image.Width(), image.Height(), dialog.Values());
    if (decision.command) return MakeResizeEffect(*decision.command);
    const QString size = QStringLiteral("%1 x %2").arg(decision.width).arg(decision.height);
    const QString why = decision.refusal == ResizeRefusal::TooLarge
                            ? QStringLiteral("L'image serait trop grande.")
                            : QStringLiteral("La largeur et la hauteur doivent valoir au moins 1 pixel.");
    ShowPrompt(parent, QStringLiteral("Nouvelle taille impossible : %1 pixels.\n%2").arg(size, why),
               ResString(kResMainFrame), PromptButtons::Ok, PromptIcon::Warning);
    return nullptr;
}
