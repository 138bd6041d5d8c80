// The program's resources as data: the string table, the menus, the accelerators and the
// toolbars. One builder (ResourceBuilder.h) turns them into Qt objects.
#pragma once

#include <span>
#include <string_view>

// A string of the string table (UTF-8); empty when the id has none.
std::string_view ResourceString(int id);

struct MenuEntry
{
    const char* text;                    // "&" marks the mnemonic, "\t" starts the accelerator text
    int id;                              // 0 for a separator or a popup
    std::span<const MenuEntry> children; // a popup when not empty
};

// A menu resource: its top-level entries (popups for a menu bar; one popup for a context menu).
// Empty when the id has no menu.
std::span<const MenuEntry> MenuResource(int id);

enum AccelModifier : int
{
    kAccelCtrl = 1,
    kAccelShift = 2,
    kAccelAlt = 4,
};

// The text of the command's first item in menus 128, 129, 130, 225 and 228; null when none has it.
const char* CommandMenuText(int id);

struct Accelerator
{
    const char* key; // a key name as Qt reads it: "N", "Backspace", "Delete", "Insert", "F6"
    int modifiers;   // AccelModifier bits
    int id;
};

std::span<const Accelerator> AcceleratorTable(int id);

struct ToolBarButton
{
    int id;    // 0 for a separator
    int image; // index in the toolbar's image strip
};

std::span<const ToolBarButton> ToolBarResource(int id);

// The art names of a toolbar's image strip, index by index.
std::span<const char* const> ToolBarStrip(int id);

// The freedesktop icon name that fits a command, or null.
const char* ThemeIconName(int id);
