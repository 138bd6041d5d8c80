// The tool views from the main frame: each tool-view command of the image menu opens its tool
// window on the active document, from an image window or from a tool window (menu 130), and the
// Fourier tool view of the only open document stands beside its image window.
#include "ShellFixture.h"

#include "document/FourierCommands.h"
#include "document/ImageCommands.h"
#include "platform/qt/CommandTarget.h"
#include "resources/CommandIds.h"
#include "resources/ResourceBuilder.h"
#include "views/CBitmapViewFourierModuleTool.h"
#include "views/CBitmapViewToolBase.h"
#include "views/CChildFrame.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

#include <typeinfo>

using testshell::FrameFixture;

namespace
{
QAction* MenuItem(CMainFrame& frame, int id)
{
    for (QMenu* m : frame.CurrentMenus())
        if (QAction* a = FindMenuAction(m, id)) return a;
    return nullptr;
}
} // namespace

TEST(ToolViewsFrame, EveryToolViewCommandOpensItsToolWindowOnTheDocument)
{
    FrameFixture f;
    ASSERT_TRUE(f.frame->OpenFile(f.MakeImage("t.png", 40, 30), false));
    auto* image = dynamic_cast<CChildFrame*>(f.frame->MdiArea()->currentSubWindow());
    ASSERT_NE(image, nullptr);
    CImageDoc* doc = image->BitmapView().Document();
    EXPECT_FALSE(f.frame->HasToolView(kCmdApplyTransform));

    int windows = 1;
    for (const ToolViewInfo& info : ToolViewTable())
    {
        EXPECT_TRUE(f.frame->HasToolView(info.command)) << info.command;
        f.frame->MdiArea()->setActiveSubWindow(image);
        f.frame->UpdateUIState();
        QAction* item = MenuItem(*f.frame, info.command);
        ASSERT_NE(item, nullptr) << info.command;
        ASSERT_TRUE(item->isEnabled()) << info.command;
        item->trigger();
        ++windows;
        ASSERT_EQ(f.Windows(), windows) << info.command;
        auto* tool = dynamic_cast<CChildToolFrame*>(f.frame->MdiArea()->currentSubWindow());
        ASSERT_NE(tool, nullptr) << info.command;
        EXPECT_EQ(tool->ContextMenuId(), info.contextMenu);
        auto* view = dynamic_cast<CBitmapViewToolBase*>(tool->View());
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->Document(), doc);
        EXPECT_STREQ(view->GetViewName(), info.name);
        EXPECT_EQ(info.command == kCmdViewFourierTool,
                  dynamic_cast<CBitmapViewFourierModuleTool*>(view) != nullptr);
        EXPECT_EQ(f.frame->CurrentMenuId(), 130);
        EXPECT_TRUE(tool->windowTitle().startsWith(QStringLiteral("Outil t.png (1:1) - "))) << info.command;
    }
    EXPECT_EQ(int(doc->GetViews().size()), windows);

    // From a tool window: menu 130 carries the tool views too, and they reach the same document.
    f.frame->UpdateUIState();
    QMenu* tools = nullptr;
    for (QMenu* m : f.frame->CurrentMenus())
        if (m->title() == QStringLiteral("&Outils")) tools = m;
    ASSERT_NE(tools, nullptr);
    for (const ToolViewInfo& info : ToolViewTable())
    {
        QAction* a = FindMenuAction(tools, info.command);
        ASSERT_NE(a, nullptr) << info.command;
        EXPECT_TRUE(a->isEnabled()) << info.command;
    }
    EXPECT_EQ(FindMenuAction(tools, kCmdFourierCarre), nullptr) << "the filters stay in the image menu";
    FindMenuAction(tools, kCmdViewGreen)->trigger();
    EXPECT_EQ(f.Windows(), windows + 1);
    EXPECT_EQ(int(doc->GetViews().size()), windows + 1);
}

TEST(ToolViewsFrame, TheFourierToolViewOfTheOnlyDocumentStandsBesideItsImage)
{
    FrameFixture f;
    ASSERT_TRUE(f.frame->OpenFile(f.MakeImage("one.png", 40, 30), false));
    QMdiArea* mdi = f.frame->MdiArea();
    f.frame->OnCommand(kCmdViewFourierTool);
    const QList<QMdiSubWindow*> windows = mdi->subWindowList();
    ASSERT_EQ(windows.size(), 2);
    const QSize area = mdi->viewport()->size();
    EXPECT_EQ(windows[0]->geometry(), QRect(0, 0, area.width() / 2, area.height()));
    EXPECT_EQ(windows[1]->geometry(),
              QRect(area.width() / 2, 0, area.width() - area.width() / 2, area.height()));

    // Other tool views are not tiled.
    windows[0]->setGeometry(10, 10, 200, 150);
    f.frame->OnCommand(kCmdViewFourierPhase);
    EXPECT_EQ(windows[0]->geometry(), QRect(10, 10, 200, 150));
}

TEST(ToolViewsFrame, WithTwoDocumentsOpenNothingIsTiled)
{
    FrameFixture f;
    ASSERT_TRUE(f.frame->OpenFile(f.MakeImage("a.png", 40, 30), false));
    ASSERT_TRUE(f.frame->OpenFile(f.MakeImage("b.png", 40, 30), false));
    QMdiArea* mdi = f.frame->MdiArea();
    const QList<QMdiSubWindow*> before = mdi->subWindowList();
    for (QMdiSubWindow* w : before)
        w->showNormal();
    before[0]->setGeometry(5, 5, 220, 160);
    before[1]->setGeometry(40, 40, 220, 160);
    mdi->setActiveSubWindow(before[1]);
    f.frame->OnCommand(kCmdViewFourierTool);
    EXPECT_EQ(mdi->subWindowList().size(), 3);
    EXPECT_EQ(before[0]->geometry(), QRect(5, 5, 220, 160));
    EXPECT_EQ(before[1]->geometry(), QRect(40, 40, 220, 160));
}

TEST(ToolViewsFrame, TheFourierFiltersHaveTheirDialogs)
{
    FrameFixture f;
    for (const FourierFilterCommand& row : FourierFilterCommands())
    {
        EXPECT_TRUE(f.frame->HasEffectDialog(row.id)) << row.id;
    }
    EXPECT_TRUE(GetFourierFeedbackRunner());
}
