// The slider dialogs of the image commands: for each command, its dialog class with its title,
// captions and ranges, and the effect its values make. The main frame registers the family's
// runners; tests make the dialogs over a document of their own.
#pragma once

#include "dialogs/EffectDialogs.h"

#include <memory>
#include <span>

class CSliderDialogCore;
class IPreviewDocument;
class QWidget;

struct SliderDialogInstance
{
    int command;
    // The command's dialog over the document, which backs up its image now.
    std::unique_ptr<CSliderDialogCore> (*make)(IPreviewDocument* doc, QWidget* parent);
};

// Every slider dialog of the image menu but those with a class of their own (colour and
// saturation, brilliance, soft portrait).
std::span<const SliderDialogInstance> SliderDialogInstances();

// The same commands as (command, runner): the runner makes the dialog on its stack over the
// document, runs it modally over parent and on OK gives the effect of the final values.
std::span<const EffectDialogEntry> SliderDialogEntries();
