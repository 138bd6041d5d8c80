// Which commands are enabled and which carry a check mark, as a pure function of the state of the
// application. The main frame computes it at every idle moment and when a menu opens, and pushes
// only the states that changed.
#pragma once

#include <map>
#include <set>

struct AppState
{
    bool twainLoaded = false;
    bool twainSourceChosen = false;
    bool clipboardOpenable = false;
    bool clipboardHasAny = false;
    bool clipboardHasImage = false;
    int recentCount = 0;
    bool toolBarShown = true;
    bool statusBarShown = true;
    bool previewShown = false;
    // The active child window and its view.
    bool hasActiveChild = false;
    bool hasView = false;
    bool isBitmapView = false; // the image window's view, not a tool view
    int zoom = 256;
    int selectionLeft = -1; // left edge of the view's selection, -1 without one
    // Its document.
    bool hasDocument = false;
    bool hasPath = false;
    bool readOnly = false;
    bool canUndo = false;
    bool canRedo = false;
    // The image commands whose dialog the host can run, and those whose tool view it can build.
    std::set<int> effectDialogs;
    std::set<int> toolViews;
};

struct CommandState
{
    bool enabled = true;
    bool checked = false;
    bool operator==(const CommandState&) const = default;
};

// The states of the commands the rules cover: the frame's own table, and every command of the
// image menus (greyed without an active window on a document; a dialog or tool view only once
// the host has it).
std::map<int, CommandState> UpdateUIState(const AppState& state);
