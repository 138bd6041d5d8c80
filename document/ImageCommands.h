// The commands of the image menus as data: for every command id that the document answers, what
// kind of command it is, the text menu 129 shows for it, the document member named after it, and
// for the effects without parameters the effect with its fixed arguments. CImageDoc::OnCommand
// routes through this table; the main frame's enabling rules read the kinds.
#pragma once

#include "imagelib/FCImageEffect.h"

#include <memory>
#include <span>

enum class ImageCommandKind
{
    File,            // save, save as, information, undo, redo
    WholeImageEdit,  // the document's own alpha and bit-depth edits
    DirectEffect,    // an effect with fixed arguments, applied at once
    SliderDialog,    // a dialog of the generic slider templates, with live preview
    DedicatedDialog, // a dialog of its own, with live preview
    DialogNoPreview, // a dialog without preview (rotation, size, rhombus and trapezium, Canny)
    ToolView,        // a new tool window on the document
    FourierFilter,   // a frequency-domain filter through its slider dialog, with live preview
};

struct ImageCommand
{
    int id;
    const char* menuText; // UTF-8, as the menu shows it ("&" mnemonic, "&&" one ampersand)
    ImageCommandKind kind;
    const char* handler; // the member of CImageDoc that carries it out
    // Direct effects: builds the effect with its fixed arguments. Null for every other kind.
    std::unique_ptr<FCImageEffect> (*makeEffect)();
};

// Every command, in the order of the menu's items (popups depth first).
std::span<const ImageCommand> ImageCommandTable();

// The row of a command id, or null when the document does not answer it.
const ImageCommand* FindImageCommand(int id);

// Whether commands of the kind go through the host's effect dialog (RunEffectDialog).
constexpr bool IsEffectDialogKind(ImageCommandKind kind)
{
    return kind == ImageCommandKind::SliderDialog || kind == ImageCommandKind::DedicatedDialog ||
           kind == ImageCommandKind::DialogNoPreview || kind == ImageCommandKind::FourierFilter;
}
