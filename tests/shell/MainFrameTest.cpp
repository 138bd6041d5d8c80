#include "ShellFixture.h"

#include "imagelib/effects/ColorEffects.h"
#include "imagelib/qt/FCObjImageQt.h"
#include "platform/qt/Clipboard.h"
#include "platform/qt/WindowMessages.h"
#include "resources/CommandIds.h"
#include "resources/ResourceBuilder.h"
#include "shell/CStatusProgress.h"
#include "views/CChildFrame.h"
#include "views/COverlayWin.h"

#include <QAction>
#include <QClipboard>
#include <QDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QUrl>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <thread>

using testshell::FrameFixture;

namespace
{
// A child window that records the commands it is given.
class RecordingChild : public QMdiSubWindow, public IChildFrame
{
public:
    int MenuId() const override { return 129; }
    CBitmapViewBase* View() const override { return nullptr; }
    bool OnCommand(int id) override
    {
        commands.push_back(id);
        return false;
    }
    void OnMDIActivate(bool) override {}
    void OnContextMenu(int, int) override {}
    std::vector<int> commands;
};

CChildFrame* ActiveImageWindow(CMainFrame& frame)
{
    return dynamic_cast<CChildFrame*>(frame.MdiArea()->currentSubWindow());
}

bool Enabled(CMainFrame& frame, int id)
{
    frame.UpdateUIState();
    return frame.Actions().Find(id)->isEnabled();
}
} // namespace

TEST(MainFrame, StartsWithItsBarsAndNothingInThePanes)
{
    testshell::IsolatedSettings outer;
    FrameFixture f(false);
    const std::wstring missing = L"/nonexistent/folder";
    f.settings.Write(L"", L"LastDirectory", REG_SZ, ToRegString(missing));
    f.Create();
    EXPECT_TRUE(f.frame->LastDirectory().isEmpty()) << "a folder that does not exist is not kept";
    EXPECT_TRUE(f.frame->ProgressBar()->isHidden());
    EXPECT_TRUE(f.frame->Actions().Find(kCmdViewToolBar)->isChecked());
    EXPECT_TRUE(f.frame->Actions().Find(kCmdViewStatusBar)->isChecked());
    EXPECT_TRUE(f.frame->Pane(61404)->text().isEmpty());
    EXPECT_EQ(f.frame->Pane(57345)->text(), QStringLiteral("Prêt"));
    EXPECT_EQ(f.frame->windowTitle(), QStringLiteral("Orvalis 5"));
    EXPECT_EQ(f.frame->CurrentMenuId(), 128);
    EXPECT_FALSE(Enabled(*f.frame, kCmdFileClose));
    EXPECT_TRUE(Enabled(*f.frame, kCmdFileOpen));

    FrameFixture g(false);
    g.settings.Write(L"", L"LastDirectory", REG_SZ, ToRegString(g.files.path().toStdWString()));
    g.Create();
    EXPECT_EQ(g.frame->LastDirectory(), g.files.path());
}

TEST(MainFrame, FillsTheMenuItemPicturesOfEditImageAndFourierCommands)
{
    testshell::IsolatedSettings outer;
    MenuItemBitmaps::Clear();
    FrameFixture f(false);
    f.Create();
    // An index out of every strip only finds what the frame has cached.
    auto cached = [](int id) { return MenuItemBitmaps::FromImageList(id, kResMainFrame, -1); };
    auto same = [](const QIcon& icon, const QPixmap& expected)
    {
        return icon.pixmap(20, 20).toImage().convertToFormat(QImage::Format_ARGB32) ==
               expected.toImage().convertToFormat(QImage::Format_ARGB32);
    };
    const std::pair<int, int> edit[] = {{kCmdEditCut, 12}, {kCmdEditCopy, 13}, {kCmdEditPaste, 14}};
    for (const auto& [id, image] : edit)
        EXPECT_TRUE(same(cached(id), StripImage(kResMainFrame, image))) << id;
    int commands = 0;
    for (int toolbar : {kResImageToolBar, kResFourierToolBar, kResToolFrameToolBar})
        for (const ToolBarButton& b : ToolBarResource(toolbar))
        {
            if (b.id == 0) continue;
            ++commands;
            const QIcon icon = cached(b.id);
            ASSERT_FALSE(icon.isNull()) << b.id;
            EXPECT_TRUE(same(icon, StripImage(toolbar, b.image))) << b.id;
            const int neighbour = b.image == 0 ? 1 : b.image - 1;
            EXPECT_FALSE(same(icon, StripImage(toolbar, neighbour))) << b.id;
        }
    EXPECT_EQ(commands, 15 + 26);
    MenuItemBitmaps::Clear();
}

TEST(MainFrame, PanesShowPostedCursorAndSelection)
{
    FrameFixture f;
    PostImageMessage(f.frame.get(), WM_IMAGE_CURSOR_POS, 5, 7);
    PostImageMessage(f.frame.get(), WM_IMAGE_SELECTION, PackCorner(0, 0), PackCorner(9, 4));
    f.Settle();
    EXPECT_EQ(f.frame->Pane(61404)->text(), QStringLiteral("(5, 7)"));
    EXPECT_EQ(f.frame->Pane(61405)->text(), QStringLiteral("1,1 -> 10,5"));
    PostImageMessage(f.frame.get(), WM_IMAGE_CURSOR_POS, -1, 3);
    PostImageMessage(f.frame.get(), WM_IMAGE_SELECTION, -1, -1);
    f.Settle();
    EXPECT_TRUE(f.frame->Pane(61404)->text().isEmpty());
    EXPECT_TRUE(f.frame->Pane(61405)->text().isEmpty());
}

TEST(MainFrame, ProgressShowsItsPercentAndHidesAtTheEnd)
{
    FrameFixture f;
    CStatusProgress& progress = *f.frame->StatusProgress();
    CTextProgressBarCtrl* bar = f.frame->ProgressBar();
    EXPECT_TRUE(progress.OnProgress(10));
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->text(), QStringLiteral("10 %"));
    progress.OnProgress(50);
    EXPECT_EQ(bar->text(), QStringLiteral("50 %"));
    progress.OnProgress(100);
    EXPECT_TRUE(bar->isHidden());
    f.frame->SetProgress(100);
    EXPECT_TRUE(bar->isHidden());

    // The bar's own text is drawn in white in its middle.
    bar->resize(200, 20);
    f.frame->SetProgress(42);
    const QImage shot = bar->grab().toImage();
    bool white = false;
    for (int x = 80; x < 120 && !white; ++x)
        for (int y = 4; y < 16 && !white; ++y)
            white = (shot.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF;
    EXPECT_TRUE(white);
    f.frame->SetProgress(100);
}

TEST(MainFrame, EscapeBeforeAReportCancelsAndOtherKeysAreEaten)
{
    FrameFixture f;
    CStatusProgress& progress = *f.frame->StatusProgress();
    QCoreApplication::postEvent(f.frame.get(), new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier));
    EXPECT_TRUE(progress.OnProgress(20));
    QCoreApplication::postEvent(f.frame.get(),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    EXPECT_FALSE(progress.OnProgress(30));
    EXPECT_TRUE(progress.OnProgress(40)) << "the Escape was used up";
    progress.OnProgress(100);

    // A command arriving while a report lets events through is not run.
    int opened = 0;
    f.dialogs.open.reset();
    QTimer::singleShot(0, f.frame.get(),
                       [&]
                       {
                           f.frame->OnCommand(kCmdFileOpen);
                           opened = int(f.dialogs.openFolders.size());
                       });
    progress.OnProgress(60);
    EXPECT_EQ(opened, 0);
    progress.OnProgress(100);
}

TEST(MainFrame, ProgressPostedFromAnotherThreadArrivesInOrder)
{
    FrameFixture f;
    std::vector<int> seen;
    QObject::connect(f.frame->ProgressBar(), &QProgressBar::valueChanged,
                     [&seen](int v) { seen.push_back(v); });
    std::thread worker(
        [&f]
        {
            for (int p : {10, 20, 100})
                f.frame->PostProgress(p);
        });
    worker.join();
    f.Settle();
    EXPECT_EQ(seen, (std::vector<int>{0, 10, 20}));
    EXPECT_TRUE(f.frame->ProgressBar()->isHidden());
}

TEST(MainFrame, CommandRouting)
{
    FrameFixture f;
    auto* child = new RecordingChild;
    f.frame->AddChildFrame(child);
    f.frame->OnCommand(32901); // an image command
    EXPECT_EQ(child->commands, std::vector<int>{32901});
    f.frame->OnCommand(kCmdFileOpen); // offered to the child, then the frame's own
    EXPECT_EQ(child->commands, (std::vector<int>{32901, kCmdFileOpen}));
    EXPECT_EQ(f.dialogs.openFolders.size(), 1u);
    f.frame->OnCommand(kCmdWindowCascade); // the frame's alone
    f.frame->OnCommand(kCmdAppAbout);
    EXPECT_EQ(child->commands.size(), 2u);
    EXPECT_EQ(f.dialogs.abouts, 1);
}

TEST(MainFrame, ToolBarAndStatusBarCommands)
{
    FrameFixture f;
    f.frame->OnCommand(kCmdViewToolBar);
    EXPECT_FALSE(f.frame->MainToolBar()->isVisible());
    EXPECT_FALSE(f.frame->Actions().Find(kCmdViewToolBar)->isChecked());
    EXPECT_TRUE(f.frame->statusBar()->isVisible());
    f.frame->OnCommand(kCmdViewToolBar);
    EXPECT_TRUE(f.frame->MainToolBar()->isVisible());
    f.frame->OnCommand(kCmdViewStatusBar);
    EXPECT_FALSE(f.frame->statusBar()->isVisible());
    EXPECT_FALSE(f.frame->Actions().Find(kCmdViewStatusBar)->isChecked());
    EXPECT_TRUE(f.frame->Actions().Find(kCmdViewToolBar)->isChecked());
    f.frame->OnCommand(kCmdViewStatusBar);
    EXPECT_TRUE(f.frame->statusBar()->isVisible());
}

TEST(MainFrame, AcceleratorsRunEnabledCommandsOnly)
{
    FrameFixture f;
    ASSERT_TRUE(f.frame->OpenFile(f.MakeImage("a.png", 40, 30), false));
    CChildFrame* window = ActiveImageWindow(*f.frame);
    ASSERT_NE(window, nullptr);
    CBitmapView& view = window->BitmapView();
    CImageDoc* doc = view.Document();

    EXPECT_FALSE(f.frame->OnAccelerator(Qt::Key_X, Qt::ControlModifier)) << "nothing selected: cut is off";
    view.OnLButtonDown(2, 2);
    view.OnLButtonUp(5, 5);
    QGuiApplication::clipboard()->clear();
    EXPECT_TRUE(f.frame->OnAccelerator(Qt::Key_Insert, Qt::ControlModifier));
    EXPECT_TRUE(GetClipboardState().hasImage) << "Ctrl+Insert copies";
    EXPECT_TRUE(f.frame->OnAccelerator(Qt::Key_Delete, Qt::ShiftModifier));
    EXPECT_EQ(doc->GetImage().PixelAddress(3, 3)[0], 0) << "Shift+Delete cuts";
    EXPECT_TRUE(doc->CanUndo());
    EXPECT_TRUE(f.frame->OnAccelerator(Qt::Key_Backspace, Qt::AltModifier));
    EXPECT_TRUE(doc->CanRedo()) << "Alt+Backspace undoes";
    EXPECT_TRUE(f.frame->OnAccelerator(Qt::Key_Y, Qt::ControlModifier));
    EXPECT_TRUE(doc->CanUndo()) << "Ctrl+Y redoes";
    EXPECT_TRUE(f.frame->OnAccelerator(Qt::Key_Insert, Qt::ShiftModifier));
    EXPECT_NE(view.Overlay(), nullptr) << "Shift+Insert pastes";

    // A real key press goes through the frame's shortcuts.
    f.frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.frame.get()));
    view.Overlay()->Close();
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(doc->CanRedo()) << "Ctrl+Z undoes";
}

// The window area's keys: Ctrl+F6 and Ctrl+Shift+F6 go round the windows, Ctrl+F4 closes the
// active one through its save question.
TEST(MainFrame, WindowAreaKeysGoRoundAndCloseTheActiveWindow)
{
    FrameFixture f;
    EXPECT_FALSE(f.frame->OnAccelerator(Qt::Key_F4, Qt::ControlModifier)) << "no window: nothing to close";
    for (const char* name : {"a.png", "b.png", "c.png"})
        ASSERT_TRUE(f.frame->OpenFile(f.MakeImage(name), false));
    ASSERT_EQ(f.Windows(), 3);
    QMdiArea* area = f.frame->MdiArea();
    QMdiSubWindow* last = area->currentSubWindow();
    EXPECT_TRUE(f.frame->OnAccelerator(Qt::Key_F6, Qt::ControlModifier));
    QMdiSubWindow* next = area->currentSubWindow();
    EXPECT_NE(next, last);
    EXPECT_TRUE(f.frame->OnAccelerator(Qt::Key_F6, Qt::ControlModifier | Qt::ShiftModifier));
    EXPECT_EQ(area->currentSubWindow(), last);
    EXPECT_FALSE(f.frame->OnAccelerator(Qt::Key_F4, Qt::ControlModifier | Qt::AltModifier));

    // A modified picture asks first; Annuler keeps the window, Non lets it go.
    CImageDoc* doc = ActiveImageWindow(*f.frame)->BitmapView().Document();
    FCEffectInvert invert;
    doc->ApplyEffect(invert);
    f.prompt.answers = {IDCANCEL};
    EXPECT_TRUE(f.frame->OnAccelerator(Qt::Key_F4, Qt::ControlModifier));
    f.Settle();
    ASSERT_EQ(f.prompt.asked.size(), 1u);
    EXPECT_EQ(f.Windows(), 3);
    f.prompt.answers = {IDNO};
    EXPECT_TRUE(f.frame->OnAccelerator(Qt::Key_F4, Qt::ControlModifier));
    f.Settle();
    EXPECT_EQ(f.prompt.asked.size(), 2u);
    EXPECT_EQ(f.Windows(), 2);
    EXPECT_FALSE(area->subWindowList().contains(last));

    // The real key, typed in the image window, reaches it before any shortcut.
    f.frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.frame.get()));
    area->currentSubWindow()->widget()->setFocus();
    QTest::keyClick(area->currentSubWindow()->widget(), Qt::Key_F4, Qt::ControlModifier);
    f.Settle();
    EXPECT_EQ(f.Windows(), 1);
}

TEST(MainFrame, EnablingFollowsTheActiveWindow)
{
    FrameFixture f;
    EXPECT_FALSE(Enabled(*f.frame, kCmdEditCopy));
    ASSERT_TRUE(f.frame->OpenFile(f.MakeImage("b.png"), false));
    EXPECT_EQ(f.frame->CurrentMenuId(), 129);
    EXPECT_TRUE(Enabled(*f.frame, kCmdEditCopy));
    EXPECT_TRUE(Enabled(*f.frame, kCmdFileSave));
    EXPECT_FALSE(Enabled(*f.frame, kCmdZoom1));
    EXPECT_FALSE(Enabled(*f.frame, kCmdEditCut));
    ActiveImageWindow(*f.frame)->BitmapView().OnCommand(kCmdZoom16);
    EXPECT_FALSE(Enabled(*f.frame, kCmdZoomIn));
    EXPECT_TRUE(Enabled(*f.frame, kCmdZoom1));
    // Opening a menu brings its items up to date.
    ActiveImageWindow(*f.frame)->BitmapView().OnCommand(kCmdEditSelectAll);
    QMenu* edit = f.frame->CurrentMenus()[1];
    emit edit->aboutToShow();
    EXPECT_TRUE(f.frame->Actions().Find(kCmdEditCut)->isEnabled());
}

TEST(MainFrame, ActivationSwitchesMenusAndReportsSelectionsInOrder)
{
    FrameFixture f;
    ASSERT_TRUE(f.frame->OpenFile(f.MakeImage("a.png"), false));
    CChildFrame* a = ActiveImageWindow(*f.frame);
    ASSERT_TRUE(f.frame->OpenFile(f.MakeImage("b.png"), false));
    CChildFrame* b = ActiveImageWindow(*f.frame);
    ASSERT_NE(a, b);
    a->BitmapView().OnLButtonDown(1, 1);
    a->BitmapView().OnLButtonUp(3, 4);
    f.Settle();
    f.frame->MdiArea()->setActiveSubWindow(a);
    f.Settle();
    EXPECT_EQ(f.frame->Pane(61405)->text(), QStringLiteral("2,2 -> 4,5"))
        << "the active window's selection last";
    f.frame->MdiArea()->setActiveSubWindow(b);
    f.Settle();
    EXPECT_TRUE(f.frame->Pane(61405)->text().isEmpty());
    b->close();
    a->close();
    f.Settle();
    EXPECT_EQ(f.frame->CurrentMenuId(), 128);
    EXPECT_TRUE(f.frame->Pane(61405)->text().isEmpty());
}

TEST(MainFrame, DialogsBelongToTheMainWindowOrToTheDialogInFront)
{
    FrameFixture f;
    // Whether or not the window manager has made the main window active yet.
    f.frame->OnCommand(kCmdFileOpen);
    f.frame->OnCommand(kCmdAppAbout);
    EXPECT_EQ(f.dialogs.parents, (std::vector<QWidget*>{f.frame.get(), f.frame.get()}));

    QDialog front(f.frame.get());
    QTimer::singleShot(0, &front,
                       [&]
                       {
                           f.frame->OnCommand(kCmdAppAbout);
                           front.reject();
                       });
    front.exec();
    EXPECT_EQ(f.dialogs.parents.back(), &front);
}

TEST(MainFrame, WindowMenuAndTiling)
{
    FrameFixture f;
    ASSERT_TRUE(f.frame->OpenFile(f.MakeImage("a.png"), false));
    ASSERT_TRUE(f.frame->OpenFile(f.MakeImage("b.png"), false));
    QMdiArea* mdi = f.frame->MdiArea();
    const QList<QMdiSubWindow*> windows = mdi->subWindowList();
    ASSERT_EQ(windows.size(), 2);

    QMenu* windowMenu = f.frame->CurrentMenus().back();
    EXPECT_EQ(windowMenu->title(), QStringLiteral("Fenêtre"));
    emit windowMenu->aboutToShow();
    QList<QAction*> items;
    for (QAction* a : windowMenu->actions())
        if (a->data().toInt() >= kCmdWindowFirstChild) items << a;
    ASSERT_EQ(items.size(), 2);
    EXPECT_TRUE(items[0]->text().startsWith(QStringLiteral("&1 a.png")));
    EXPECT_TRUE(items[1]->isChecked()) << "the active window is checked";
    items[0]->trigger();
    EXPECT_EQ(mdi->currentSubWindow(), windows[0]);

    const QSize area = mdi->viewport()->size();
    f.frame->OnCommand(kCmdWindowTileVert);
    EXPECT_EQ(windows[0]->geometry(), QRect(0, 0, area.width() / 2, area.height()));
    EXPECT_EQ(windows[1]->geometry().left(), area.width() / 2);
    f.frame->OnCommand(kCmdWindowTileHorz);
    EXPECT_EQ(windows[0]->geometry(), QRect(0, 0, area.width(), area.height() / 2));
    EXPECT_EQ(windows[1]->geometry().top(), area.height() / 2);

    // Minimised windows are lined up along the bottom of the area, left to right.
    windows[0]->showMinimized();
    windows[1]->showMinimized();
    windows[0]->move(200, 10);
    f.frame->OnCommand(kCmdWindowArrange);
    EXPECT_EQ(windows[0]->geometry().bottom(), area.height() - 1);
    EXPECT_EQ(windows[0]->x(), 0);
    EXPECT_EQ(windows[1]->x(), windows[0]->width());
    EXPECT_EQ(windows[1]->geometry().bottom(), area.height() - 1);
}

TEST(MainFrame, CascadeEndsWithTheActiveWindowInFrontAndEveryTitleBarInSight)
{
    FrameFixture f;
    for (const char* name : {"a.png", "b.png", "c.png"})
        ASSERT_TRUE(f.frame->OpenFile(f.MakeImage(name), false));
    QMdiArea* mdi = f.frame->MdiArea();
    const QList<QMdiSubWindow*> windows = mdi->subWindowList();
    ASSERT_EQ(windows.size(), 3);
    windows[0]->showMaximized();
    mdi->setActiveSubWindow(windows[1]); // neither the first nor the last opened

    f.frame->OnCommand(kCmdWindowCascade);
    const QList<QMdiSubWindow*> stack = mdi->subWindowList(QMdiArea::StackingOrder);
    EXPECT_EQ(stack.back(), windows[1]) << "the active window ends in front";
    EXPECT_EQ(mdi->currentSubWindow(), windows[1]);
    for (QMdiSubWindow* w : stack)
        EXPECT_FALSE(w->isMaximized());
    for (int i = 0; i + 1 < stack.size(); ++i)
    {
        // Where the contents of a window begin, below its title bar, the next one may start.
        const int titleBottom = stack[i]->y() + stack[i]->widget()->y();
        EXPECT_GE(stack[i + 1]->y(), titleBottom) << i;
        EXPECT_GT(stack[i + 1]->x(), stack[i]->x()) << i;
        EXPECT_EQ(stack[i + 1]->size(), stack[i]->size());
    }
    const QRect area(QPoint(0, 0), mdi->viewport()->size());
    EXPECT_TRUE(area.contains(stack.back()->geometry())) << "nothing cascades off the area";
    EXPECT_GT(stack.back()->width(), area.width() / 2);
}

TEST(MainFrame, FirstWindowFitsTheScreen)
{
    FrameFixture f;
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE(f.frame->width(), available.width());
    EXPECT_LE(f.frame->height(), available.height());
}

TEST(MainFrame, DroppedFilesOpenOnceTheDropIsOver)
{
    FrameFixture f;
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(f.MakeImage("d1.png")), QUrl::fromLocalFile(f.MakeImage("d2.png"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(f.frame.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(f.frame.get(), &drop);
    EXPECT_EQ(f.frame->GetDocumentCount(), 0) << "not inside the drop";
    QCoreApplication::processEvents();
    EXPECT_EQ(f.frame->GetDocumentCount(), 2);
    delete data;
}

TEST(MainFrame, EscapeCancelsAnEffectAndTheImageComesBack)
{
    FrameFixture f;
    f.settings.Write(L"", L"NbThreads", REG_DWORD, testshell::IsolatedSettings::Dword(4));
    ASSERT_TRUE(f.frame->OpenFile(f.MakeImage("big.png", 300, 400), false));
    CImageDoc* doc = ActiveImageWindow(*f.frame)->BitmapView().Document();
    const FCObjImage before = doc->GetImage();
    QCoreApplication::postEvent(f.frame.get(),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    FCEffectInvert invert;
    doc->ApplyEffect(invert);
    EXPECT_TRUE(testimg::SamePixels(doc->GetImage(), before));
    EXPECT_TRUE(f.frame->ProgressBar()->isHidden());

    FCEffectInvert again;
    doc->ApplyEffect(again);
    EXPECT_FALSE(testimg::SamePixels(doc->GetImage(), before)) << "without Escape the effect runs";
}

TEST(MainFrame, ActivateOtherViewOfADocument)
{
    FrameFixture f;
    const QString path = f.MakeImage("twice.png");
    ASSERT_TRUE(f.frame->OpenFile(path, false));
    CChildFrame* first = ActiveImageWindow(*f.frame);
    ASSERT_TRUE(f.frame->OpenFile(path, false));
    CChildFrame* second = ActiveImageWindow(*f.frame);
    ASSERT_NE(first, second);
    CImageDoc* doc = second->BitmapView().Document();
    EXPECT_EQ(f.frame->ActivateOtherView(doc), &first->BitmapView());
    EXPECT_EQ(f.frame->MdiArea()->currentSubWindow(), first);
    EXPECT_EQ(f.frame->GetActiveView(), &first->BitmapView());
}

TEST(MainFrame, FileMenuCommandsReachTheDocument)
{
    FrameFixture f;
    const QString path = f.MakeImage("doc.png", 20, 10);
    ASSERT_TRUE(f.frame->OpenFile(path, false));
    CBitmapView& view = ActiveImageWindow(*f.frame)->BitmapView();
    CImageDoc* doc = view.Document();
    view.OnCommand(kCmdEditSelectAll);
    f.frame->OnCommand(kCmdEditClear);
    ASSERT_TRUE(doc->IsModified());

    f.frame->OnCommand(kCmdFileSave);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_TRUE(QFileInfo::exists(path + QStringLiteral(".BAK"))) << "the replaced file is kept";
    FCObjImage saved;
    ASSERT_TRUE(saved.Load(path.toStdWString().c_str()));
    EXPECT_EQ(saved.PixelAddress(5, 5)[0], 0) << "the cleared pixels were written";

    const QString copy = f.files.filePath(QStringLiteral("copy.png"));
    f.dialogs.saveAs = SaveAsFileChoice{copy, QStringLiteral("copy.png")};
    f.frame->OnCommand(kCmdFileSaveAs);
    EXPECT_TRUE(QFileInfo::exists(copy));
    EXPECT_EQ(f.frame->RecentFiles().Entries().last(), copy);

    f.frame->OnCommand(kCmdFileInfo);
    ASSERT_EQ(f.dialogs.infos.size(), 1u);
    EXPECT_EQ(f.dialogs.infos[0][0], copy);
    EXPECT_FALSE(f.dialogs.infos[0][2].isEmpty());

    // "Nouvelle vue image" and "Fermer" reach the active window.
    f.frame->OnCommand(kCmdNewView);
    EXPECT_EQ(f.Windows(), 2);
    EXPECT_EQ(doc->GetViews().size(), 2u);
    f.frame->OnCommand(kCmdFileClose);
    f.Settle();
    EXPECT_EQ(f.Windows(), 0) << "every window of the document";
    EXPECT_TRUE(f.prompt.asked.empty()) << "nothing left to save";

    // Quitter closes the frame once the events in hand are done.
    f.frame->OnCommand(kCmdAppExit);
    EXPECT_TRUE(f.frame->isVisible());
    f.Settle();
    EXPECT_FALSE(f.frame->isVisible());
    EXPECT_EQ(f.frame->GetDocumentCount(), 0);
}
