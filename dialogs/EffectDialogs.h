// The registry of the effect dialogs of the image commands: each family of dialogs gives a table
// of (command, runner), the main frame registers every table once, and the document reaches the
// dialog of a command through its host.
#pragma once

#include <memory>
#include <span>

class CImageDoc;
class FCImageEffect;
class QWidget;

// Runs the command's dialog modally over parent with its live preview on the document. On OK,
// the effect that the dialog's final values make; null otherwise. The preview has ended when it
// returns (the image is as it was before the dialog).
using EffectDialogRunner = std::unique_ptr<FCImageEffect> (*)(CImageDoc& doc, int command, QWidget* parent);

struct EffectDialogEntry
{
    int command;
    EffectDialogRunner run;
};

// Adds a family's dialogs; a command registered again takes the later runner.
void RegisterEffectDialogs(std::span<const EffectDialogEntry> entries);
// The runner of a command, or null.
EffectDialogRunner FindEffectDialog(int command);
// Runs the command's dialog; null when it has none or when the user did not choose OK.
std::unique_ptr<FCImageEffect> RunEffectDialog(CImageDoc& doc, int command, QWidget* parent);
