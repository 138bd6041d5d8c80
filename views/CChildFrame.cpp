#include "views/CChildFrame.h"

#include "document/CImageDoc.h"
#include "platform/qt/Clipboard.h"
#include "platform/qt/CommandTarget.h"
#include "platform/qt/WindowMessages.h"
#include "resources/CommandIds.h"
#include "resources/ResourceBuilder.h"

#include <QAction>
#include <QCloseEvent>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QToolBar>
#include <QVBoxLayout>

#include <memory>

CChildFrameBase::CChildFrameBase(QWidget* parent) : QMdiSubWindow(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
}

bool CChildFrameBase::OnCommand(int id)
{
    if (id == kCmdFileClose)
    {
        OnFileClose();
        return true;
    }
    CBitmapViewBase* view = View();
    const bool handled = view && view->OnCommand(id);
    if (id == kCmdNewView)
    {
        OnNewView();
        return true;
    }
    return handled;
}

void CChildFrameBase::OnContextMenu(int globalX, int globalY)
{
    std::unique_ptr<QMenu> menu(BuildContextMenu());
    if (!menu) return;
    QAction* chosen = menu->exec(QPoint(globalX, globalY));
    if (chosen && View()) View()->OnCommand(CommandIdOf(chosen));
}

void CChildFrameBase::OnFileClose()
{
    if (IChildFrameHost* host = ChildFrameHost()) host->ClosePrintPreview();
    CBitmapViewBase* view = View();
    CImageDoc* doc = view ? view->Document() : nullptr;
    if (!doc) return;
    if (!doc->QuerySaveModified(false)) return;
    // Each frame then runs its own close, which asks again only for the last view.
    // A tool view sits inside a holder of its own, so the frame is asked of the view, not
    // taken from the view's parent widget.
    std::vector<QPointer<QWidget>> frames;
    for (CView* v : doc->GetViews())
        if (auto* view = dynamic_cast<CBitmapViewBase*>(v))
            if (auto* frame = dynamic_cast<QWidget*>(view->Frame())) frames.emplace_back(frame);
    for (const QPointer<QWidget>& frame : frames)
        QMetaObject::invokeMethod(
            frame.data(),
            [frame]
            {
                if (frame) frame->close();
            },
            Qt::QueuedConnection);
}

CChildFrameBase* CChildFrameBase::OnNewView()
{
    CBitmapViewBase* view = View();
    CImageDoc* doc = view ? view->Document() : nullptr;
    if (!doc) return nullptr;
    auto* frame = new CChildFrame;
    if (IChildFrameHost* host = ChildFrameHost()) host->AddChildFrame(frame);
    doc->AddView(&frame->BitmapView());
    doc->UpdateAllViews();
    return frame;
}

void CChildFrameBase::closeEvent(QCloseEvent* event)
{
    CBitmapViewBase* view = View();
    CImageDoc* doc = view ? view->Document() : nullptr;
    if (doc && !doc->QuerySaveModified(false))
    {
        event->ignore();
        return;
    }
    // The view leaves its document now, not when Qt deletes the window later: a document with
    // several windows closing at once must see each one go in turn.
    if (view) view->DetachFromDocument();
    QMdiSubWindow::closeEvent(event);
}

// ---------------------------------------------------------------------------------------------

CChildFrame::CChildFrame(QWidget* parent) : CChildFrameBase(parent)
{
    setWindowTitle(ResString(kResImageFrame));
    setWindowIcon(QIcon(ArtPixmap("picture")));
    m_view.SetFrame(this);
    setWidget(&m_view);
}

CChildFrame::~CChildFrame()
{
    // The view is a member: take it out of the window before the window goes.
    setWidget(nullptr);
}

int CChildFrame::MenuId() const
{
    return kResImageFrame;
}

void CChildFrame::OnMDIActivate(bool)
{
    const RECT s = m_view.IsSelectionShown() ? m_view.GetSelection() : RECT{-1, -1, -1, -1};
    if (m_view.IsSelectionShown() && s.left >= 0)
        PostToTopLevel(this, WM_IMAGE_SELECTION, PackCorner(s.left, s.top), PackCorner(s.right, s.bottom));
    else
        PostToTopLevel(this, WM_IMAGE_SELECTION, -1, -1);
}

QMenu* CChildFrame::BuildContextMenu()
{
    QMenu* menu = ::BuildContextMenu(kResImageContextMenu, this);
    if (!menu) return nullptr;
    MenuItemBitmaps::ApplyToMenu(menu);
    if (QAction* paste = FindMenuAction(menu, kCmdEditPaste))
    {
        const ClipboardState clip = GetClipboardState();
        paste->setEnabled(clip.openable && clip.hasImage);
    }
    if (QAction* cut = FindMenuAction(menu, kCmdEditCut)) cut->setEnabled(m_view.GetSelection().left >= 0);
    return menu;
}

// ---------------------------------------------------------------------------------------------

CChildToolFrame::CChildToolFrame(CBitmapViewBase* toolView, int contextMenu, QWidget* parent)
    : CChildFrameBase(parent), m_nContextMenu(contextMenu), m_pToolView(toolView)
{
    setWindowTitle(ResString(kResToolFrame));
    setWindowIcon(QIcon(ArtPixmap("tool")));
    auto* holder = new QMainWindow;
    holder->setWindowFlags(Qt::Widget);
    if (!ToolBarResource(kResToolFrameToolBar).empty())
    {
        m_toolBar = new QToolBar(holder);
        m_toolBar->setIconSize(QSize(20, 20));
        m_toolBar->setMovable(false);
        auto* actions = new CCommandActions([this](int id) { OnCommand(id); }, m_toolBar);
        FillToolBar(m_toolBar, kResToolFrameToolBar, *actions);
        holder->addToolBar(m_toolBar);
    }
    m_pToolView->setParent(holder);
    holder->setCentralWidget(m_pToolView);
    m_pToolView->SetFrame(this);
    setWidget(holder);
}

CChildToolFrame::~CChildToolFrame()
{
    // The tool view goes (leaving its document) before the rest of the window.
    delete m_pToolView;
    m_pToolView = nullptr;
}

int CChildToolFrame::MenuId() const
{
    return kResToolFrame;
}

void CChildToolFrame::OnMDIActivate(bool)
{
    if (m_pToolView && m_pToolView->IsSelectionShown())
    {
        const RECT c = m_pToolView->SelectionCorners();
        PostToTopLevel(this, WM_IMAGE_SELECTION, PackCorner(c.left, c.top), PackCorner(c.right, c.bottom));
    }
    else
        PostToTopLevel(this, WM_IMAGE_SELECTION, -1, -1);
}

QMenu* CChildToolFrame::BuildContextMenu()
{
    QMenu* menu = ::BuildContextMenu(m_nContextMenu, this);
    if (menu) MenuItemBitmaps::ApplyToMenu(menu);
    return menu;
}
