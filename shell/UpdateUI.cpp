#include "shell/UpdateUI.h"

#include "document/ImageCommands.h"
#include "resources/CommandIds.h"

std::map<int, CommandState> UpdateUIState(const AppState& s)
{
    std::map<int, CommandState> ui;
    auto enable = [&ui](int id, bool on) { ui[id].enabled = on; };

    // The image menus. Their file and history commands follow the rules below.
    const bool document = s.hasActiveChild && s.hasView && s.hasDocument;
    for (const ImageCommand& c : ImageCommandTable())
    {
        if (c.kind == ImageCommandKind::File) continue;
        bool built = true;
        if (IsEffectDialogKind(c.kind))
            built = s.effectDialogs.count(c.id) != 0;
        else if (c.kind == ImageCommandKind::ToolView)
            built = s.toolViews.count(c.id) != 0;
        enable(c.id, document && built);
    }

    ui[kCmdViewToolBar] = {true, s.toolBarShown};
    ui[kCmdViewStatusBar] = {true, s.statusBarShown};
    ui[kCmdEditSelectAll] = {true, false};

    enable(kCmdTwainSelectSource, s.twainLoaded);
    enable(kCmdTwainAcquire, s.twainSourceChosen);
    const bool anyFormat = s.clipboardOpenable && s.clipboardHasAny;
    const bool image = anyFormat && s.clipboardHasImage;
    enable(kCmdNewFromClipboard, image);
    enable(kCmdEmptyClipboard, anyFormat);
    enable(kCmdClearMru, s.recentCount > 0);

    const int documentCommands[] = {kCmdFileInfo,  kCmdFileClose,        kCmdFileSave,  kCmdFileSaveAs,
                                    kCmdFilePrint, kCmdFilePrintPreview, kCmdEditUndo,  kCmdEditRedo,
                                    kCmdZoomAuto,  kCmdZoomIn,           kCmdZoomOut,   kCmdZoom1,
                                    kCmdEditCut,   kCmdEditCopy,         kCmdEditPaste, kCmdEditClear};
    if (!s.hasActiveChild)
    {
        for (int id : documentCommands)
            enable(id, false);
        ui[kCmdFilePrintPreview].checked = false;
        return ui;
    }

    enable(kCmdFileInfo, true);
    enable(kCmdFileClose, true);
    enable(kCmdFileSave, s.hasDocument && s.hasPath && !s.readOnly);
    enable(kCmdFileSaveAs, true);
    enable(kCmdFilePrint, true);
    ui[kCmdFilePrintPreview] = {true, s.previewShown};

    if (s.hasView)
    {
        enable(kCmdEditUndo, s.hasDocument && s.canUndo);
        enable(kCmdEditRedo, s.hasDocument && s.canRedo);
        enable(kCmdZoomAuto, s.zoom != 0);
        enable(kCmdZoomIn, s.zoom != 0 && s.zoom != 4096);
        enable(kCmdZoomOut, s.zoom != 0 && s.zoom != 16);
        enable(kCmdZoom1, s.zoom != 256);
    }
    else
    {
        for (int id : {kCmdEditUndo, kCmdEditRedo, kCmdZoomAuto, kCmdZoomIn, kCmdZoomOut, kCmdZoom1})
            enable(id, false);
    }

    const bool bitmap = s.hasView && s.isBitmapView;
    enable(kCmdEditCopy, bitmap);
    enable(kCmdEditCut, bitmap && s.selectionLeft >= 0);
    enable(kCmdEditClear, bitmap && s.selectionLeft >= 0);
    enable(kCmdEditPaste, image);
    return ui;
}
