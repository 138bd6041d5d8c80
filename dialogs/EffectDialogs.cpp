#include "dialogs/EffectDialogs.h"

#include "imagelib/FCImageEffect.h"

#include <map>

namespace
{
std::map<int, EffectDialogRunner>& Registry()
{
    static std::map<int, EffectDialogRunner> registry;
    return registry;
}
} // namespace

void RegisterEffectDialogs(std::span<const EffectDialogEntry> entries)
{
    for (const EffectDialogEntry& e : entries)
        if (e.run) Registry()[e.command] = e.run;
}

EffectDialogRunner FindEffectDialog(int command)
{
    const auto it = Registry().find(command);
    return it == Registry().end() ? nullptr : it->second;
}

std::unique_ptr<FCImageEffect> RunEffectDialog(CImageDoc& doc, int command, QWidget* parent)
{
    const EffectDialogRunner run = FindEffectDialog(command);
    return run ? run(doc, command, parent) : nullptr;
}
