// Dialog templates as data: every control of a dialog with its id, kind, text and rectangle in
// dialog units, in the order the dialog creates them (which is also the tab order). One builder
// (DialogBuilder.h) makes the widgets; the dialogs give them their behaviour.
#pragma once

#include <span>

enum class DlgKind
{
    Button,    // a push button
    DefButton, // the default push button (Enter)
    Static,    // a text
    Edit,      // a one-line edit; kDlgMultiLine makes it a text box
    CheckBox,  // an automatic check box
    Radio,     // an automatic radio button
    PushRadio, // a radio button drawn as a push button
    GroupBox,  // a frame with a title; the controls inside it stay siblings drawn above it
    Trackbar,  // a horizontal slider
    Combo,     // a drop-down list; its height in the template includes the list
    ListBox,
    Progress,
    Custom, // a widget the dialog makes itself (owner-drawn strips, previews)
};

enum : unsigned
{
    kDlgTicksTop = 1u << 0,    // trackbar: ticks above
    kDlgTicksBottom = 1u << 1, // trackbar: ticks below (the default side)
    kDlgDigits = 1u << 2,      // edit: digits only
    kDlgCenterV = 1u << 3,     // static: text centred vertically
    kDlgAlignRight = 1u << 4,  // static: text on the right
    kDlgAlignCenter = 1u << 5, // static: text centred
    kDlgMultiLine = 1u << 6,   // edit: several lines
    kDlgReadOnly = 1u << 7,    // edit
    kDlgGroupStart = 1u << 8,  // radio: starts a new exclusive group
    kDlgSunken = 1u << 9,      // static: a sunken frame
    kDlgWordWrap = 1u << 10,   // static: the text wraps
    kDlgVScroll = 1u << 11,    // edit or list: a vertical scroll bar
};

// Controls without an id of their own use this one; they are not found by id.
constexpr int kDlgNoId = -1;

struct DialogControl
{
    int id;
    DlgKind kind;
    const char* text; // UTF-8; "&" marks a mnemonic where the kind shows one; may be null
    int x, y, w, h;   // dialog units
    unsigned flags = 0;
};

struct DialogTemplate
{
    int id;
    const char* caption; // replaced by most dialogs at initialisation
    int width, height;   // client size in dialog units
    std::span<const DialogControl> controls;
};

// The template of a dialog resource, or null.
const DialogTemplate* FindDialogTemplate(int id);
