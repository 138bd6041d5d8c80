#include "shell/CMainFrame.h"

#include "dialogs/EffectDialogs.h"
#include "dialogs/SliderDialogs.h"
#include "dialogs/DedicatedDialogs.h"
#include "document/CImageDoc.h"
#include "document/ImageCommands.h"
#include "imagelib/FCImageCodec.h"
#include "imagelib/qt/FCObjImageQt.h"
#include "platform/qt/Clipboard.h"
#include "platform/qt/PathNames.h"
#include "platform/qt/Prompt.h"
#include "platform/qt/WindowMessages.h"
#include "platform/settings/Settings.h"
#include "platform/version/FileExists.h"
#include "resources/CommandIds.h"
#include "resources/ResourceBuilder.h"
#include "shell/CConfigPropertyDlg.h"
#include "shell/CStatusProgress.h"
#include "shell/RotateResizeDialogs.h"
#include "shell/ShellDialogs.h"
#include "shell/ShellText.h"
#include "shell/WindowLayout.h"
#include "views/CChildFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPrintPreviewWidget>
#include <QScreen>
#include <QSessionManager>
#include <QShortcut>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace
{
CMainFrame* g_mainFrame = nullptr;

QKeySequence AcceleratorSequence(const Accelerator& a)
{
    QString text;
    if (a.modifiers & kAccelCtrl) text += QStringLiteral("Ctrl+");
    if (a.modifiers & kAccelShift) text += QStringLiteral("Shift+");
    if (a.modifiers & kAccelAlt) text += QStringLiteral("Alt+");
    text += QString::fromLatin1(a.key);
    return QKeySequence(text, QKeySequence::PortableText);
}

// The longest path kept in the recent-file list, in bytes of its stored form.
constexpr std::size_t kMaxRecentPathBytes = 2 * 4096 + 2;
} // namespace

CMainFrame* CMainFrame::Instance()
{
    return g_mainFrame;
}

CMainFrame::CMainFrame()
{
    g_mainFrame = this;
    SetChildFrameHost(this);
    m_writable = [](const QString& path) { return ::access(NativePath(path).constData(), W_OK) == 0; };
}

CMainFrame::~CMainFrame()
{
    ShutdownAcquisition();
    // The windows go first: their views leave the documents (which go with their last view,
    // stopping any preview thread) before the document list and the status bar go.
    DestroyChildren();
    // The preview draws through the printer, which goes with the frame's members.
    delete m_preview;
    m_preview = nullptr;
    if (ChildFrameHost() == this) SetChildFrameHost(nullptr);
    if (g_mainFrame == this) g_mainFrame = nullptr;
}

bool CMainFrame::Create()
{
    RegisterEffectDialogs(SliderDialogEntries());
    RegisterEffectDialogs(ShellDialogEntries());
    RegisterFourierTools();
    RegisterEffectDialogs(DedicatedDialogEntries());
    m_productTitle = ResString(kResMainFrame);
    setWindowTitle(m_productTitle);
    setWindowIcon(QIcon(ArtPixmap("picture", 2)));
    m_actions = new CCommandActions([this](int id) { OnCommand(id); }, this);
    m_mruPlaceholder = QStringLiteral("(MRU vide)");

    BuildMenus();

    m_toolBar = addToolBar(QStringLiteral("Barre d'Outils"));
    m_toolBar->setObjectName(QStringLiteral("60161"));
    m_toolBar->setIconSize(QSize(20, 20));
    FillToolBar(m_toolBar, kResMainFrame, *m_actions);
    addToolBarBreak();
    m_previewBar = addToolBar(QStringLiteral("Aperçu"));
    m_previewBar->setObjectName(QStringLiteral("60162"));
    m_previewBar->setIconSize(QSize(20, 20));
    FillToolBar(m_previewBar, kResPreviewToolBar, *m_actions);
    m_previewBar->hide();

    MenuItemBitmaps::FromImageList(kCmdEditCut, kResMainFrame, 12);
    MenuItemBitmaps::FromImageList(kCmdEditCopy, kResMainFrame, 13);
    MenuItemBitmaps::FromImageList(kCmdEditPaste, kResMainFrame, 14);
    for (int toolbar : {kResImageToolBar, kResFourierToolBar, kResToolFrameToolBar})
        for (const ToolBarButton& b : ToolBarResource(toolbar))
            if (b.id != 0) MenuItemBitmaps::FromImageList(b.id, toolbar, b.image);
    for (const auto& [id, popups] : m_menus)
        for (QMenu* menu : popups)
            MenuItemBitmaps::ApplyToMenu(menu);

    QStatusBar* status = statusBar();
    m_paneDefault = new QLabel(ResString(57345));
    status->addWidget(m_paneDefault, 1);
    m_paneProgress = new QWidget;
    m_paneProgress->setFixedWidth(200);
    m_progress = new CTextProgressBarCtrl(m_paneProgress);
    m_progress->setGeometry(0, 0, 200, 18);
    m_progress->hide();
    status->addPermanentWidget(m_paneProgress);
    m_paneCursor = new QLabel;
    m_paneCursor->setMinimumWidth(fontMetrics().horizontalAdvance(ResString(61404)) + 8);
    status->addPermanentWidget(m_paneCursor);
    m_paneSelection = new QLabel;
    m_paneSelection->setMinimumWidth(fontMetrics().horizontalAdvance(ResString(61405)) + 8);
    status->addPermanentWidget(m_paneSelection);

    m_statusProgress = std::make_unique<CStatusProgress>([this](int p) { SetProgress(p); });
    for (int p : {0, 1, 100})
        m_statusProgress->OnProgress(p);

    m_mdi = new QMdiArea;
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setBackground(QColor(128, 128, 128));
    // The print preview takes the window area's place while it is shown.
    m_clientStack = new QStackedWidget;
    m_clientStack->addWidget(m_mdi);
    setCentralWidget(m_clientStack);
    connect(m_mdi, &QMdiArea::subWindowActivated, this, [this] { OnMdiActivation(); });

    for (const Accelerator& a : AcceleratorTable(kResMainFrame))
    {
        auto* shortcut = new QShortcut(AcceleratorSequence(a), this);
        shortcut->setContext(Qt::WindowShortcut);
        const QKeyCombination combination = shortcut->key()[0];
        connect(shortcut, &QShortcut::activated, this,
                [this, combination]
                { OnAccelerator(int(combination.key()), combination.keyboardModifiers()); });
    }
    // The window area's keys are taken before any window sees them (the image windows' own
    // system menus may carry Ctrl+F4 too, which would make a shortcut of ours ambiguous).
    qApp->installEventFilter(this);

    m_idle = new CIdleNotifier(this);
    m_idle->AddHandler([this] { UpdateUIState(); });

    InitAcquisition();
    FCObjImage::SetCodecFactory(new CImageCodecFactory);

    const QString last = QString::fromStdWString(GetLastDirectorySetting());
    struct stat folder;
    if (!last.isEmpty() && ::stat(NativePath(last).constData(), &folder) == 0 && S_ISDIR(folder.st_mode))
        m_lastDirectory = last;

    ReadRecentFiles();
    RebuildRecentMenu();

    setAcceptDrops(true);
    connect(qApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager& manager)
            {
                if (!OnEndSession()) manager.cancel();
            });
    // The first window fits the screen it opens on (the one under the mouse, where window
    // managers put new windows), with room for the window manager's frame.
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QSize wanted(1000, 720);
    resize(screen ? FitToScreen(wanted, screen->availableGeometry().size(), QSize(16, 48)) : wanted);
    UpdateUIState();
    m_created = true;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Menus and commands

void CMainFrame::BuildMenus()
{
    for (int id : {kResMainFrame, kResImageFrame, kResToolFrame})
    {
        std::vector<QMenu*>& popups = m_menus[id];
        for (const MenuEntry& e : MenuResource(id))
        {
            auto* menu = new QMenu(QString::fromUtf8(e.text), this);
            FillMenu(menu, e.children, *m_actions);
            connect(menu, &QMenu::aboutToShow, this,
                    [this]
                    {
                        if (m_idle) m_idle->Notify();
                    });
            connect(menu, &QMenu::aboutToHide, this,
                    [this]
                    {
                        if (m_paneDefault) m_paneDefault->setText(ResString(57345));
                    });
            if (FindMenuAction(menu, kCmdWindowCascade))
                connect(menu, &QMenu::aboutToShow, this, [this, menu] { FillWindowMenu(menu); });
            popups.push_back(menu);
        }
    }
    SetMenu(kResMainFrame);
}

std::vector<QMenu*> CMainFrame::CurrentMenus() const
{
    const auto it = m_menus.find(m_currentMenu);
    return it == m_menus.end() ? std::vector<QMenu*>{} : it->second;
}

void CMainFrame::SetMenu(int id)
{
    if (id == m_currentMenu) return;
    m_currentMenu = id;
    menuBar()->clear();
    for (QMenu* menu : m_menus[id])
        menuBar()->addMenu(menu);
    RebuildRecentMenu();
}

void CMainFrame::RebuildRecentMenu()
{
    const auto menus = CurrentMenus();
    if (!menus.empty()) m_mru.RebuildMenu(menus.front(), *m_actions, m_mruPlaceholder);
}

void CMainFrame::FillWindowMenu(QMenu* menu)
{
    for (QAction* a : m_windowItems)
    {
        menu->removeAction(a);
        a->deleteLater();
    }
    m_windowItems.clear();
    const QList<QMdiSubWindow*> windows = m_mdi->subWindowList();
    if (windows.isEmpty()) return;
    m_windowItems.push_back(menu->addSeparator());
    for (int i = 0; i < windows.size(); ++i)
    {
        QAction* a = menu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(windows[i]->windowTitle()));
        a->setData(kCmdWindowFirstChild + i);
        a->setCheckable(true);
        a->setChecked(windows[i] == m_mdi->currentSubWindow());
        QPointer<QMdiSubWindow> target = windows[i];
        connect(a, &QAction::triggered, this,
                [this, target]
                {
                    if (target) m_mdi->setActiveSubWindow(target);
                });
        m_windowItems.push_back(a);
    }
}

bool CMainFrame::OnCommand(int id)
{
    // While an effect reports progress nothing else runs.
    if (m_statusProgress && m_statusProgress->IsReporting()) return true;
    if (id >= kCmdFileMruFirst && id <= kCmdFileMruLast)
    {
        OnFileRecent(id);
        return true;
    }
    switch (id)
    {
    case kCmdAppExit:
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return true;
    case kCmdFileNew:
        OnFileNew();
        return true;
    case kCmdViewToolBar:
        OnViewToolBar();
        return true;
    case kCmdViewStatusBar:
        OnViewStatusBar();
        return true;
    case kCmdAppAbout:
        ShellDialogs().ShowAbout(DialogOwner());
        return true;
    case kCmdConfiguration:
        RunConfigPropertyDlg(0, DialogOwner());
        return true;
    case kCmdWindowCascade:
        ClosePrintPreview();
        CascadeWindows();
        return true;
    case kCmdWindowTileHorz:
        ClosePrintPreview();
        TileHorizontal();
        return true;
    case kCmdWindowTileVert:
        ClosePrintPreview();
        TileVertical();
        return true;
    case kCmdWindowArrange:
        ClosePrintPreview();
        ArrangeIcons();
        return true;
    default:
        break;
    }

    // Everything else is offered to the active window first.
    if (IChildFrame* child = ActiveChild()) child->OnCommand(id);

    switch (id)
    {
    case kCmdFileOpen:
        OnFileOpen();
        return true;
    case kCmdNewFromClipboard:
        OnNewFromClipboard();
        return true;
    case kCmdEmptyClipboard:
        EmptyClipboard();
        return true;
    case kCmdClearMru:
        OnClearMRU();
        return true;
    case kCmdFilePrint:
    case kCmdPreviewPrint:
        OnFilePrint();
        return true;
    case kCmdPrintWithShell:
    case kCmdPreviewPrintWithShell:
        OnPrintWithWindows();
        return true;
    case kCmdFilePageSetup:
        OnFilePageSetup();
        return true;
    case kCmdFilePrintPreview:
        OnFilePrintPreview();
        return true;
    case kCmdPreviewConfiguration:
        OnPreviewConfiguration();
        return true;
    case kCmdPreviewClose:
        ClosePrintPreview();
        return true;
    case kCmdTwainSelectSource:
        OnTwainSelectSource();
        return true;
    case kCmdTwainAcquire:
        OnTwainAcquire();
        return true;
    case kCmdWiaAcquire:
        OnWiaAcquire();
        return true;
    default:
        return false;
    }
}

bool CMainFrame::OnAccelerator(int key, Qt::KeyboardModifiers modifiers)
{
    for (const Accelerator& a : AcceleratorTable(kResMainFrame))
    {
        const QKeySequence sequence = AcceleratorSequence(a);
        if (sequence.isEmpty() || sequence[0] != QKeyCombination(modifiers, Qt::Key(key))) continue;
        // The key of a disabled command does nothing.
        const auto states = ::UpdateUIState(CurrentAppState());
        if (const auto it = states.find(a.id); it != states.end() && !it->second.enabled) return false;
        OnCommand(a.id);
        return true;
    }
    // Then the window area's own keys: Ctrl+F4 closes the active image window (after its save
    // question), Ctrl+F6 goes to the next window and Ctrl+Shift+F6 to the previous one.
    QMdiSubWindow* active = m_mdi && !m_previewShown ? m_mdi->currentSubWindow() : nullptr;
    if (!active || !(modifiers & Qt::ControlModifier) ||
        (modifiers & ~(Qt::ControlModifier | Qt::ShiftModifier)))
        return false;
    const bool shift = (modifiers & Qt::ShiftModifier) != 0;
    if (key == Qt::Key_F4 && !shift)
        active->close();
    else if (key == Qt::Key_F6)
        shift ? m_mdi->activatePreviousSubWindow() : m_mdi->activateNextSubWindow();
    else
        return false;
    return true;
}

AppState CMainFrame::CurrentAppState() const
{
    AppState s;
    const ClipboardState clip = GetClipboardState();
    s.clipboardOpenable = clip.openable;
    s.clipboardHasAny = clip.hasAny;
    s.clipboardHasImage = clip.hasImage;
    s.recentCount = m_mru.Count();
    s.twainLoaded = IsValidDriver();
    s.twainSourceChosen = IsSourceChosen();
    s.toolBarShown = m_toolBarShown;
    s.statusBarShown = statusBar()->isVisibleTo(this) || (!isVisible() && !statusBar()->isHidden());
    s.previewShown = m_previewShown;
    IChildFrame* child = ActiveChild();
    s.hasActiveChild = child != nullptr;
    CBitmapViewBase* view = child ? child->View() : nullptr;
    s.hasView = view != nullptr;
    if (!view) return s;
    s.isBitmapView = dynamic_cast<CBitmapView*>(view) != nullptr;
    s.zoom = view->Zoom();
    s.selectionLeft = s.isBitmapView ? view->GetSelection().left : -1;
    for (const ImageCommand& c : ImageCommandTable())
    {
        if (IsEffectDialogKind(c.kind) && HasEffectDialog(c.id)) s.effectDialogs.insert(c.id);
        if (c.kind == ImageCommandKind::ToolView && HasToolView(c.id)) s.toolViews.insert(c.id);
    }
    if (CImageDoc* doc = view->Document())
    {
        s.hasDocument = true;
        s.hasPath = !doc->GetPath().empty();
        s.readOnly = doc->IsReadOnly();
        s.canUndo = doc->CanUndo();
        s.canRedo = doc->CanRedo();
    }
    return s;
}

void CMainFrame::UpdateUIState()
{
    if (!m_actions || (m_statusProgress && m_statusProgress->IsReporting())) return;
    for (const auto& [id, state] : ::UpdateUIState(CurrentAppState()))
    {
        const auto it = m_uiState.find(id);
        if (it != m_uiState.end() && it->second == state) continue;
        m_uiState[id] = state;
        QAction* action = m_actions->Find(id);
        if (!action) continue;
        action->setEnabled(state.enabled);
        if (id == kCmdViewToolBar || id == kCmdViewStatusBar || id == kCmdFilePrintPreview)
        {
            action->setCheckable(true);
            action->setChecked(state.checked);
        }
    }
}

void CMainFrame::OnViewToolBar()
{
    m_toolBarShown = !m_toolBarShown;
    m_toolBar->setVisible(m_toolBarShown);
    UpdateUIState();
}

void CMainFrame::OnViewStatusBar()
{
    statusBar()->setVisible(statusBar()->isHidden());
    UpdateUIState();
}

// ---------------------------------------------------------------------------------------------
// Windows

QWidget* CMainFrame::DialogOwner()
{
    // A dialog opened from a dialog sits on that one. Everything else belongs to the main window
    // and is centred on it, whether or not the window manager has made it active yet.
    QWidget* modal = QApplication::activeModalWidget();
    return modal ? modal : this;
}

IChildFrame* CMainFrame::ActiveChild() const
{
    if (!m_mdi) return nullptr;
    QMdiSubWindow* current = m_mdi->currentSubWindow();
    // The area forgets its active window when it was hidden (print preview) or when a dialog
    // took the focus, without saying so; the window it last activated is still the active one.
    if (!current && m_lastActive && m_mdi->subWindowList().contains(m_lastActive.data()))
        current = m_lastActive;
    return dynamic_cast<IChildFrame*>(current);
}

CBitmapViewBase* CMainFrame::GetActiveView() const
{
    IChildFrame* child = ActiveChild();
    return child ? child->View() : nullptr;
}

CBitmapViewBase* CMainFrame::ActivateOtherView(CImageDoc* doc)
{
    if (!doc) return nullptr;
    QMdiSubWindow* active = m_mdi->currentSubWindow();
    for (CView* v : doc->GetViews())
    {
        auto* view = dynamic_cast<CBitmapViewBase*>(v);
        if (!view || !view->Frame()) continue;
        auto* frame = dynamic_cast<QMdiSubWindow*>(view->Frame());
        if (frame && frame != active)
        {
            m_mdi->setActiveSubWindow(frame);
            return view;
        }
    }
    return nullptr;
}

namespace
{
// The height of a child window's title bar with the frame above it.
int ChildStep(const QMdiSubWindow* w)
{
    QStyleOptionTitleBar option;
    option.initFrom(w);
    option.titleBarFlags = w->windowFlags();
    return w->style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, w) +
           w->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, w);
}
} // namespace

QSize CMainFrame::MdiAreaSize()
{
    // Laid out now: a window opened before the main window is first shown (from the command
    // line) gets the place and size of the ones opened later.
    if (QLayout* l = layout()) l->activate();
    return m_mdi->isVisible() ? m_mdi->viewport()->size() : m_mdi->contentsRect().size();
}

void CMainFrame::AddChildFrame(QMdiSubWindow* frame)
{
    m_mdi->addSubWindow(frame);
    const int index = int(m_mdi->subWindowList().size()) - 1;
    frame->setGeometry(DefaultChildGeometry(index, MdiAreaSize(), ChildStep(frame)));
    frame->show();
    m_mdi->setActiveSubWindow(frame);
}

void CMainFrame::CascadeWindows()
{
    // From the back to the front, the active window last: it ends in front, on top of the
    // others' title bars.
    QMdiSubWindow* active = m_mdi->currentSubWindow();
    std::vector<QMdiSubWindow*> windows;
    for (QMdiSubWindow* w : m_mdi->subWindowList(QMdiArea::StackingOrder))
        if (!w->isHidden() && !w->isMinimized() && w != active) windows.push_back(w);
    if (active && !active->isHidden() && !active->isMinimized()) windows.push_back(active);
    if (windows.empty()) return;
    for (QMdiSubWindow* w : windows)
        if (w->isMaximized()) w->showNormal();
    const std::vector<QRect> places =
        CascadeGeometries(int(windows.size()), MdiAreaSize(), ChildStep(windows[0]));
    for (std::size_t i = 0; i < windows.size(); ++i)
    {
        windows[i]->setGeometry(places[i]);
        windows[i]->raise();
    }
    if (active) m_mdi->setActiveSubWindow(active);
}

void CMainFrame::OnMdiActivation()
{
    QMdiSubWindow* current = m_mdi->currentSubWindow();
    if (current == m_lastActive) return;
    if (auto* old = dynamic_cast<IChildFrame*>(m_lastActive.data())) old->OnMDIActivate(false);
    m_lastActive = current;
    if (auto* now = dynamic_cast<IChildFrame*>(current))
    {
        SetMenu(now->MenuId());
        now->OnMDIActivate(true);
    }
    else
    {
        SetMenu(kResMainFrame);
        PostImageMessage(this, WM_IMAGE_SELECTION, -1, -1);
    }
}

namespace
{
std::vector<QMdiSubWindow*> Tileable(QMdiArea* mdi)
{
    std::vector<QMdiSubWindow*> out;
    for (QMdiSubWindow* w : mdi->subWindowList())
        if (w->isVisible() && !w->isMinimized()) out.push_back(w);
    return out;
}
} // namespace

void CMainFrame::TileHorizontal()
{
    Tile(false);
}

void CMainFrame::TileVertical()
{
    Tile(true);
}

void CMainFrame::Tile(bool sideBySide)
{
    const auto windows = Tileable(m_mdi);
    if (windows.empty()) return;
    const QSize area = m_mdi->viewport()->size();
    const int n = int(windows.size());
    for (int i = 0; i < n; ++i)
    {
        QMdiSubWindow* w = windows[std::size_t(i)];
        w->showNormal();
        if (sideBySide)
        {
            const int left = area.width() * i / n, right = area.width() * (i + 1) / n;
            w->setGeometry(left, 0, right - left, area.height());
        }
        else
        {
            const int top = area.height() * i / n, bottom = area.height() * (i + 1) / n;
            w->setGeometry(0, top, area.width(), bottom - top);
        }
    }
}

void CMainFrame::ArrangeIcons()
{
    const QSize area = m_mdi->viewport()->size();
    int x = 0, y = area.height();
    for (QMdiSubWindow* w : m_mdi->subWindowList())
    {
        if (!w->isMinimized()) continue;
        const QSize s = w->size();
        if (x > 0 && x + s.width() > area.width())
        {
            x = 0;
            y -= s.height();
        }
        w->move(x, y - s.height());
        x += s.width();
    }
}

CChildFrame* CMainFrame::NewChildFrame()
{
    auto* frame = new CChildFrame;
    AddChildFrame(frame);
    return frame;
}

void CMainFrame::CloseLater(QMdiSubWindow* frame)
{
    QPointer<QMdiSubWindow> target = frame;
    QMetaObject::invokeMethod(
        this,
        [target]
        {
            if (target) target->close();
        },
        Qt::QueuedConnection);
}

void CMainFrame::MaximizeIfOnly(QMdiSubWindow* frame)
{
    if (GetDocumentCount() == 1) frame->showMaximized();
}

void CMainFrame::DestroyChildren()
{
    if (!m_mdi) return;
    const QList<QMdiSubWindow*> windows = m_mdi->subWindowList();
    for (QMdiSubWindow* w : windows)
        if (auto* child = dynamic_cast<IChildFrame*>(w); child && child->View())
            child->View()->DetachFromDocument();
    for (QMdiSubWindow* w : windows)
        delete w;
    m_lastActive = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Opening and creating documents

CImageDoc* CMainFrame::FindDocument(const QString& path) const
{
    for (int i = 0; i < GetDocumentCount(); ++i)
    {
        CImageDoc* doc = GetDocument(i);
        const QString docPath = QString::fromStdWString(doc->GetPath());
        if (!docPath.isEmpty() && CRecentFileList::SamePath(docPath, path)) return doc;
    }
    return nullptr;
}

bool CMainFrame::AttachToOpenDocument(CChildFrame* frame, const QString& path)
{
    CImageDoc* doc = FindDocument(path);
    if (!doc) return false;
    doc->AddView(&frame->BitmapView());
    doc->UpdateAllViews();
    AddRecentFile(WidePath(path));
    SetLastDirectory(path);
    return true;
}

void CMainFrame::SetLastDirectory(const QString& path)
{
    m_lastDirectory = LastDirectoryOf(path, m_lastDirectory);
}

bool CMainFrame::OpenFile(const QString& given, bool readOnly)
{
    // The document, the recent files and the last folder keep the whole path: a name relative to
    // the folder the program was started from would name another file tomorrow.
    const QString path = given.isEmpty() ? given : AbsolutePath(given);
    CWaitCursor wait(*this);
    CChildFrame* frame = NewChildFrame();
    if (AttachToOpenDocument(frame, path)) return true;
    auto* doc = new CImageDoc(&frame->BitmapView(), *this);
    if (doc->InitFromFile(WidePath(path).c_str()))
    {
        AddDocument(doc);
        if (readOnly || !m_writable(path)) doc->SetReadOnly(true);
        doc->UpdateAllViews();
        AddRecentFile(WidePath(path));
        SetLastDirectory(path);
        MaximizeIfOnly(frame);
        return true;
    }
    ShowPrompt(this, QStringLiteral("Impossible de charger :\n") + DisplayPath(given), QString(),
               PromptButtons::Ok);
    CloseLater(frame);
    return false;
}

void CMainFrame::OnFileOpen()
{
    ClosePrintPreview();
    const auto choice = ShellDialogs().AskOpenFile(DialogOwner(), m_lastDirectory);
    if (choice) OpenFile(choice->path, choice->readOnly);
}

void CMainFrame::OnFileNew()
{
    ClosePrintPreview();
    const auto choice = ShellDialogs().AskNewImage(this);
    if (!choice) return;
    CWaitCursor wait(*this);
    CChildFrame* frame = NewChildFrame();
    auto* doc = new CImageDoc(&frame->BitmapView(), *this);
    if (!doc->CreateBlank(choice->width, choice->height, choice->bpp))
    {
        // No image of that size can be had: the window goes, and the document with it.
        ShowPrompt(this,
                   QStringLiteral("Impossible de créer une image de %1 x %2 pixels.")
                       .arg(choice->width)
                       .arg(choice->height),
                   QString(), PromptButtons::Ok);
        CloseLater(frame);
        return;
    }
    AddDocument(doc);
    doc->UpdateAllViews();
    MaximizeIfOnly(frame);
}

void CMainFrame::OnNewFromClipboard()
{
    ClosePrintPreview();
    const ClipboardState clip = GetClipboardState();
    if (!clip.openable || !clip.hasImage) return;
    CWaitCursor wait(*this);
    CChildFrame* frame = NewChildFrame();
    auto* doc = new CImageDoc(&frame->BitmapView(), *this);
    if (!doc->InitFromClipboard())
    {
        CloseLater(frame);
        return;
    }
    AddDocument(doc);
    doc->UpdateAllViews();
    MaximizeIfOnly(frame);
}

void CMainFrame::OnFileRecent(int id)
{
    ClosePrintPreview();
    const int index = m_mru.IndexOfCommand(id);
    if (index < 0)
    {
        MessageBeep();
        return;
    }
    const QString path = m_mru.Entries()[index];
    CWaitCursor wait(*this);
    CChildFrame* frame = NewChildFrame();
    if (AttachToOpenDocument(frame, path)) return;
    auto* doc = new CImageDoc(&frame->BitmapView(), *this);
    if (doc->InitFromFile(WidePath(path).c_str()))
    {
        AddDocument(doc);
        doc->UpdateAllViews();
        m_mru.MoveToTop(index);
        RebuildRecentMenu();
        SetLastDirectory(path);
        MaximizeIfOnly(frame);
        return;
    }
    const std::wstring wide = WidePath(path);
    const QString text = FileExists(wide.c_str()) ? QStringLiteral("Impossible de charger :\n")
                                                  : QStringLiteral("Fichier non trouvé :\n");
    ShowPrompt(this, text + DisplayPath(path), QString(), PromptButtons::Ok);
    CloseLater(frame);
    m_mru.Remove(index);
    RebuildRecentMenu();
}

void CMainFrame::OnClearMRU()
{
    m_paneDefault->clear();
    m_mru.Clear();
    RebuildRecentMenu();
    WriteRecentFiles();
    if (QAction* placeholder = m_actions->Find(kCmdFileMruFirst)) placeholder->setText(m_mruPlaceholder);
}

void CMainFrame::OnDropFiles(const QStringList& paths)
{
    ClosePrintPreview();
    CWaitCursor wait(*this);
    for (const QString& path : paths)
        OpenFile(AbsolutePath(path), false);
    if (paths.size() >= 2) CascadeWindows();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        for (const QUrl& url : event->mimeData()->urls())
            if (url.isLocalFile())
            {
                event->acceptProposedAction();
                return;
            }
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths << LocalPathOfUrl(url);
    event->acceptProposedAction();
    // Opened once the drag is over: a message box inside the drop would hold the drag source.
    QTimer::singleShot(0, this, [this, paths] { OnDropFiles(paths); });
}

void CMainFrame::ReadRecentFiles()
{
    SettingsKey key;
    const std::wstring path = std::wstring(GetSettingsKeyPath()) + L"\\Recent Document List";
    if (key.Open(GetSettingsFile(), path, false) != ERROR_SUCCESS) return;
    SettingsValue count;
    if (key.QueryValue(L"DocumentCount", count, 4) != ERROR_SUCCESS || count.type != REG_DWORD ||
        count.data.size() != 4)
        return;
    std::int32_t max = 0;
    std::memcpy(&max, count.data.data(), 4);
    m_mru.SetMaxEntries(max);
    QStringList entries;
    for (int i = m_mru.MaxEntries(); i >= 1; --i)
    {
        SettingsValue value;
        const std::wstring name = L"Document" + std::to_wstring(i);
        if (key.QueryValue(name, value, kMaxRecentPathBytes) != ERROR_SUCCESS) continue;
        if ((value.type != REG_SZ && value.type != REG_EXPAND_SZ) || value.data.size() < 2 ||
            value.data.size() % 2 != 0 || value.data[value.data.size() - 1] != 0 ||
            value.data[value.data.size() - 2] != 0)
            continue;
        const std::wstring text = FromUtf16Le(std::string_view(value.data).substr(0, value.data.size() - 2));
        if (text.empty() || text.find(L'\0') != std::wstring::npos) continue;
        entries << QString::fromStdWString(text);
    }
    m_mru.SetEntries(entries);
}

void CMainFrame::WriteRecentFiles()
{
    SettingsKey key;
    const std::wstring path = std::wstring(GetSettingsKeyPath()) + L"\\Recent Document List";
    if (key.Open(GetSettingsFile(), path, true) != ERROR_SUCCESS) return;
    const DWORD max = DWORD(m_mru.MaxEntries());
    key.SetValue(L"DocumentCount", REG_DWORD, std::string_view(reinterpret_cast<const char*>(&max), 4));
    const QStringList& entries = m_mru.Entries();
    const int n = int(entries.size());
    for (int i = 0; i < n; ++i)
        key.SetValue(L"Document" + std::to_wstring(i + 1), REG_SZ, ToRegString(WidePath(entries[n - 1 - i])));
    for (int i = n + 1; i <= CRecentFileList::kHighest; ++i)
        key.DeleteValue(L"Document" + std::to_wstring(i));
}

// ---------------------------------------------------------------------------------------------
// Status bar and posted messages

QLabel* CMainFrame::Pane(int id) const
{
    switch (id)
    {
    case 57345:
        return m_paneDefault;
    case 61404:
        return m_paneCursor;
    case 61405:
        return m_paneSelection;
    default:
        return nullptr;
    }
}

void CMainFrame::SetProgress(int percent)
{
    if (!m_progress) return;
    if (percent >= 100)
    {
        m_progress->hide();
        return;
    }
    if (m_progress->isHidden())
    {
        m_progress->setGeometry(m_paneProgress->rect());
        m_progress->setValue(0);
        m_progress->show();
    }
    if (m_progress->value() != percent)
    {
        m_progress->setValue(percent);
        m_progress->repaint();
    }
}

void CMainFrame::OnImageCursorPos(std::int64_t x, std::int64_t y)
{
    m_paneCursor->setText(CursorPaneText(x, y));
}

void CMainFrame::OnImageSelection(std::int64_t wParam, std::int64_t lParam)
{
    m_paneSelection->setText(SelectionPaneText(wParam, lParam));
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    auto* widget = qobject_cast<QWidget*>(watched);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    const bool windowKey =
        (key->key() == Qt::Key_F4 && modifiers == Qt::ControlModifier) ||
        (key->key() == Qt::Key_F6 &&
         (modifiers == Qt::ControlModifier || modifiers == (Qt::ControlModifier | Qt::ShiftModifier)));
    // Only keys typed in this window, and never while an effect reports its progress.
    if (!windowKey || !widget || widget->window() != this ||
        (m_statusProgress && m_statusProgress->IsReporting()))
        return QMainWindow::eventFilter(watched, event);
    if (type == QEvent::ShortcutOverride)
    {
        key->accept(); // the key press comes here next, not to a shortcut
        return true;
    }
    return OnAccelerator(key->key(), modifiers);
}

bool CMainFrame::event(QEvent* event)
{
    if (event->type() == ImageMessageEvent::EventType())
    {
        auto* m = static_cast<ImageMessageEvent*>(event);
        switch (m->Message())
        {
        case WM_IMAGE_CURSOR_POS:
            OnImageCursorPos(m->WParam(), m->LParam());
            break;
        case WM_IMAGE_SELECTION:
            OnImageSelection(m->WParam(), m->LParam());
            break;
        case WM_STATUS_PROGRESS:
            SetProgress(int(m->WParam()));
            break;
        case WM_SETTINGS_CHANGED:
            OnSettingsChanged();
            break;
        default:
            break;
        }
        return true;
    }
    return QMainWindow::event(event);
}

// ---------------------------------------------------------------------------------------------
// Closing

bool CMainFrame::QuerySaveAll()
{
    bool mayClose = true;
    for (QMdiSubWindow* w : m_mdi->subWindowList())
    {
        auto* child = dynamic_cast<IChildFrame*>(w);
        CBitmapViewBase* view = child ? child->View() : nullptr;
        CImageDoc* doc = view ? view->Document() : nullptr;
        if (doc && !doc->QuerySaveModified(true)) mayClose = false;
    }
    return mayClose;
}

bool CMainFrame::OnEndSession()
{
    if (!QuerySaveAll()) return false;
    // The session may take the program down without closing its window: what closing keeps is
    // kept now. The windows stay, should another program cancel the end.
    StoreSettingsOnClose();
    return true;
}

void CMainFrame::StoreSettingsOnClose()
{
    const std::wstring last = WidePath(m_lastDirectory);
    SetLastDirectorySetting(last.c_str());
    WriteRecentFiles();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_closing)
    {
        event->accept();
        return;
    }
    if (!QuerySaveAll())
    {
        event->ignore();
        return;
    }
    m_closing = true;
    StoreSettingsOnClose();
    MenuItemBitmaps::Clear();
    DestroyChildren();
    event->accept();
    QCoreApplication::exit(1);
}

// ---------------------------------------------------------------------------------------------
// The document's host

DocMsgAnswer CMainFrame::MessageBox(const std::wstring& text, const wchar_t* caption, DocMsgStyle style)
{
    const QString title = caption ? QString::fromWCharArray(caption) : QStringLiteral("Erreur");
    PromptButtons buttons = PromptButtons::Ok;
    PromptIcon icon = PromptIcon::None;
    if (style == DocMsgStyle::Error)
        icon = PromptIcon::Error;
    else if (style == DocMsgStyle::Question)
    {
        buttons = PromptButtons::YesNoCancel;
        icon = PromptIcon::Question;
    }
    switch (ShowPrompt(this, DisplayPath(QString::fromStdWString(text)), title, buttons, icon))
    {
    case IDYES:
        return DocMsgAnswer::Yes;
    case IDNO:
        return DocMsgAnswer::No;
    case IDCANCEL:
        return DocMsgAnswer::Cancel;
    default:
        return DocMsgAnswer::Ok;
    }
}

void CMainFrame::BeginWaitCursor()
{
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void CMainFrame::EndWaitCursor()
{
    QApplication::restoreOverrideCursor();
}

std::optional<SaveAsChoice> CMainFrame::AskSaveAs(const std::wstring& initialName,
                                                  const std::wstring& initialFolder)
{
    const auto choice = ShellDialogs().AskSaveAs(DialogOwner(), QString::fromStdWString(initialName),
                                                 QString::fromStdWString(initialFolder));
    if (!choice) return std::nullopt;
    return SaveAsChoice{WidePath(choice->path), WidePath(choice->fileTitle)};
}

void CMainFrame::ShowInfo(const std::wstring& path, const std::wstring& title, const std::wstring& text)
{
    ShellDialogs().ShowInfo(DialogOwner(), QString::fromStdWString(path), QString::fromStdWString(title),
                            QString::fromStdWString(text));
}

std::unique_ptr<FCImageEffect> CMainFrame::RunEffectDialog(CImageDoc& doc, int command)
{
    return ::RunEffectDialog(doc, command, DialogOwner());
}

bool CMainFrame::HasEffectDialog(int command) const
{
    return FindEffectDialog(command) != nullptr;
}

CView* CMainFrame::ActiveView()
{
    return GetActiveView();
}

void CMainFrame::RemoveDocument(CImageDoc* doc)
{
    CDocManager::RemoveDocument(doc);
}

void CMainFrame::AddRecentFile(const std::wstring& path)
{
    m_mru.Add(QString::fromStdWString(path));
    RebuildRecentMenu();
}

std::wstring CMainFrame::LastFolder()
{
    return WidePath(m_lastDirectory);
}

void CMainFrame::SetLastFolder(const std::wstring& folder)
{
    m_lastDirectory = QString::fromStdWString(folder);
}

bool CMainFrame::ReadClipboardImage(FCObjImage& out)
{
    return PasteFromClipboard(out);
}

FCProgressObserver& CMainFrame::UiProgress()
{
    return *m_statusProgress;
}

void CMainFrame::PostProgress(int percent)
{
    PostImageMessage(this, WM_STATUS_PROGRESS, percent, 0);
}
