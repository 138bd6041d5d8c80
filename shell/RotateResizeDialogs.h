// The shell's dialogs of image commands: "Rotation libre..." and "Nouvelle Taille...", run
// modally; on OK the effect their values make.
#pragma once

#include "dialogs/EffectDialogs.h"

#include <span>

std::span<const EffectDialogEntry> ShellDialogEntries();

// The runners themselves (also reached through the table).
std::unique_ptr<FCImageEffect> RunRotationDialog(CImageDoc& doc, int command, QWidget* parent);
std::unique_ptr<FCImageEffect> RunSizeDialog(CImageDoc& doc, int command, QWidget* parent);
