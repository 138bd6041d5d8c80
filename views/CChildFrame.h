// The MDI child windows. CChildFrame holds an image window's view; CChildToolFrame holds a tool
// view with the Fourier filter toolbar. Both route commands to their view, show a context menu,
// report the view's selection when activated, ask whether to save before the last view of a
// modified document closes, close every view of their document on "Fermer" and open further
// image views of it.
#pragma once

#include "views/CBitmapView.h"
#include "views/ChildFrameHost.h"

#include <QMdiSubWindow>

#include <memory>

class QMenu;
class QToolBar;

// What both frames share.
class CChildFrameBase : public QMdiSubWindow, public IChildFrame
{
    Q_OBJECT
public:
    explicit CChildFrameBase(QWidget* parent = nullptr);

    bool OnCommand(int id) override;
    void OnContextMenu(int globalX, int globalY) override;

    // The context menu with its items enabled for the moment; the caller owns it.
    virtual QMenu* BuildContextMenu() = 0;
    // "Fermer": every view of the document closes, after one question for a modified document.
    void OnFileClose();
    // "Nouvelle vue image": another image window on the same document.
    CChildFrameBase* OnNewView();

protected:
    void closeEvent(QCloseEvent* event) override;
};

class CChildFrame : public CChildFrameBase
{
    Q_OBJECT
public:
    explicit CChildFrame(QWidget* parent = nullptr);
    ~CChildFrame() override;

    int MenuId() const override;
    CBitmapViewBase* View() const override { return const_cast<CBitmapView*>(&m_view); }
    CBitmapView& BitmapView() { return m_view; }
    void OnMDIActivate(bool active) override;
    QMenu* BuildContextMenu() override;

private:
    CBitmapView m_view;
};

class CChildToolFrame : public CChildFrameBase
{
    Q_OBJECT
public:
    // Takes the tool view; contextMenu is the id of its context menu.
    CChildToolFrame(CBitmapViewBase* toolView, int contextMenu, QWidget* parent = nullptr);
    ~CChildToolFrame() override;

    int MenuId() const override;
    CBitmapViewBase* View() const override { return m_pToolView; }
    void OnMDIActivate(bool active) override;
    QMenu* BuildContextMenu() override;
    QToolBar* ToolBar() const { return m_toolBar; }
    int ContextMenuId() const { return m_nContextMenu; }

private:
    int m_nContextMenu;
    CBitmapViewBase* m_pToolView;
    QToolBar* m_toolBar = nullptr;
};
