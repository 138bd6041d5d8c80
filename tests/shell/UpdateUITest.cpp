#include "document/ImageCommands.h"
#include "resources/CommandIds.h"
#include "shell/UpdateUI.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <set>

namespace
{
AppState ImageWindow()
{
    AppState s;
    s.hasActiveChild = s.hasView = s.isBitmapView = s.hasDocument = true;
    s.hasPath = true;
    s.clipboardOpenable = true;
    return s;
}

void ExpectEnabled(const std::map<int, CommandState>& ui, std::initializer_list<int> ids, bool enabled,
                   const char* label)
{
    for (int id : ids)
    {
        ASSERT_TRUE(ui.count(id)) << label << ": " << id;
        EXPECT_EQ(ui.at(id).enabled, enabled) << label << ": " << id;
    }
}
} // namespace

TEST(UpdateUI, CoversTheFramesTableAndTheImageMenus)
{
    const auto ui = UpdateUIState(AppState{});
    std::set<int> ids;
    for (const auto& [id, state] : ui)
        ids.insert(id);
    std::set<int> expected{32776, 32777, 32778, 32779, 32780, 32781, 32782, 32784,
                           32786, 33060, 57602, 57603, 57604, 57607, 57609, 57632,
                           57634, 57635, 57637, 57642, 57643, 57644, 59392, 59393};
    for (const ImageCommand& c : ImageCommandTable())
        expected.insert(c.id);
    EXPECT_EQ(ids, expected);
    EXPECT_EQ(ids.size(), 24u + 116u - 5u) << "the image menus' file commands are in the frame's table";
}

TEST(UpdateUI, ImageMenusNeedADocumentAndTheirDialogOrView)
{
    struct Case
    {
        const char* label;
        AppState state;
        bool direct;        // direct effects and whole-image edits
        bool dialogBuilt;   // a dialog row the host can run
        bool dialogMissing; // a dialog row it cannot
        bool viewBuilt, viewMissing;
    };
    AppState image = ImageWindow();
    image.effectDialogs = {kCmdBlurGauss, kCmdFourierGaussien, kCmdRotateFree};
    image.toolViews = {kCmdViewRed};
    AppState none = image;
    none.hasActiveChild = none.hasView = none.isBitmapView = none.hasDocument = false;
    AppState emptyChild = image; // an active window that shows no document
    emptyChild.hasView = emptyChild.hasDocument = false;
    AppState toolWindow = image; // a tool window: its commands reach the same document
    toolWindow.isBitmapView = false;
    const Case cases[] = {
        {"image window", image, true, true, false, true, false},
        {"tool window", toolWindow, true, true, false, true, false},
        {"no window", none, false, false, false, false, false},
        {"window without a document", emptyChild, false, false, false, false, false},
    };
    for (const Case& c : cases)
    {
        const auto ui = UpdateUIState(c.state);
        ExpectEnabled(ui, {kCmdInvert, kCmdMirror, kCmdPasseBas, kCmdErosion, kCmdAlphaOpaque, kCmdConvert24},
                      c.direct, c.label);
        ExpectEnabled(ui, {kCmdBlurGauss, kCmdFourierGaussien, kCmdRotateFree}, c.dialogBuilt, c.label);
        ExpectEnabled(ui, {kCmdSeuil, kCmdColorLevels, kCmdCanny, kCmdFourierYuvCarre}, c.dialogMissing,
                      c.label);
        ExpectEnabled(ui, {kCmdViewRed}, c.viewBuilt, c.label);
        ExpectEnabled(ui, {kCmdViewGreen, kCmdViewFourierTool}, c.viewMissing, c.label);
    }
    // A dialog the host has does not enable a tool view of the same id, nor the other way round.
    AppState crossed = ImageWindow();
    crossed.effectDialogs = {kCmdViewRed};
    crossed.toolViews = {kCmdBlurGauss};
    ExpectEnabled(UpdateUIState(crossed), {kCmdViewRed, kCmdBlurGauss}, false, "crossed");
}

TEST(UpdateUI, Rules)
{
    {
        AppState s;
        s.clipboardOpenable = s.clipboardHasAny = s.clipboardHasImage = true;
        const auto ui = UpdateUIState(s);
        ExpectEnabled(ui,
                      {32784, 57602, 57603, 57604, 57607, 57609, 57643, 57644, 32780, 32782, 32781, 32786,
                       57635, 57634, 57637, 57632},
                      false, "no child");
        EXPECT_FALSE(ui.at(57609).checked);
        ExpectEnabled(ui, {57642, 32776, 32777}, true, "no child");
    }
    {
        AppState s = ImageWindow();
        s.clipboardHasAny = true;
        const auto ui = UpdateUIState(s);
        ExpectEnabled(ui, {32777}, true, "text only");
        ExpectEnabled(ui, {32776, 57637}, false, "text only");
        s.clipboardHasAny = false;
        ExpectEnabled(UpdateUIState(s), {32776, 32777}, false, "empty clipboard");
        s.clipboardOpenable = false;
        s.clipboardHasAny = s.clipboardHasImage = true;
        ExpectEnabled(UpdateUIState(s), {32776, 32777, 57637}, false, "clipboard that cannot be opened");
    }
    struct ZoomCase
    {
        int zoom;
        std::initializer_list<int> on, off;
    };
    const ZoomCase zooms[] = {
        {4096, {32781, 32780, 32786}, {32782}},
        {0, {32786}, {32780, 32781, 32782}},
        {16, {32780, 32782, 32786}, {32781}},
        {256, {32780, 32781, 32782}, {32786}},
    };
    for (const ZoomCase& z : zooms)
    {
        AppState s = ImageWindow();
        s.zoom = z.zoom;
        const auto ui = UpdateUIState(s);
        ExpectEnabled(ui, z.on, true, "zoom on");
        ExpectEnabled(ui, z.off, false, "zoom off");
    }
    {
        AppState s = ImageWindow();
        s.readOnly = true;
        ExpectEnabled(UpdateUIState(s), {57603}, false, "read-only");
        ExpectEnabled(UpdateUIState(s), {57604}, true, "read-only");
        s = ImageWindow();
        s.hasPath = false;
        ExpectEnabled(UpdateUIState(s), {57603}, false, "untitled");
    }
    {
        AppState s = ImageWindow();
        s.isBitmapView = false;
        s.canUndo = true;
        s.clipboardHasAny = s.clipboardHasImage = true;
        const auto ui = UpdateUIState(s);
        ExpectEnabled(ui, {57634, 57635, 57632}, false, "tool view");
        ExpectEnabled(ui, {57643}, true, "tool view");
        ExpectEnabled(ui, {57644}, false, "tool view");
    }
    {
        AppState s = ImageWindow();
        ExpectEnabled(UpdateUIState(s), {57635, 57632}, false, "no selection");
        ExpectEnabled(UpdateUIState(s), {57634}, true, "no selection");
        s.selectionLeft = 0;
        ExpectEnabled(UpdateUIState(s), {57635, 57632}, true, "selection");
    }
    {
        AppState s = ImageWindow();
        s.previewShown = true;
        s.recentCount = 1;
        s.toolBarShown = false;
        const auto ui = UpdateUIState(s);
        EXPECT_TRUE(ui.at(57609).checked);
        EXPECT_TRUE(ui.at(33060).enabled);
        EXPECT_FALSE(ui.at(59392).checked);
        EXPECT_TRUE(ui.at(59393).checked);
        s.recentCount = 0;
        EXPECT_FALSE(UpdateUIState(s).at(33060).enabled);
    }
}
