// The image commands whose dialogs are their own: colour and saturation, brilliance, soft
// portrait, colour balance, colour levels, noise, number of levels, rhombus, trapezium, Canny and
// the two custom kernels. The main frame registers the family's runners.
#pragma once

#include "dialogs/EffectDialogs.h"

#include <span>

// (command, runner): each runner makes the command's dialog on its stack over the document, runs
// it modally over parent and on OK gives the effect of its final values.
std::span<const EffectDialogEntry> DedicatedDialogEntries();
