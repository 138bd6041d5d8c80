// What the child frames and views need of the main frame, reached through one process-wide
// pointer that the main frame sets (tests set a fake).
#pragma once

class QMdiSubWindow;
class CImageDoc;
class CBitmapViewBase;

class IChildFrameHost
{
public:
    virtual ~IChildFrameHost() = default;
    // Adds a new child frame to the MDI area and shows it.
    virtual void AddChildFrame(QMdiSubWindow* frame) = 0;
    // Leaves print preview when it is shown.
    virtual void ClosePrintPreview() = 0;
    // Activates the frame of the first view of the document (in the document's order) whose
    // frame is not the active child, and gives that view; null when there is none. The Fourier
    // tool view uses it to show the live preview of its filters in another window.
    virtual CBitmapViewBase* ActivateOtherView(CImageDoc* doc);
    // Makes the frame the active child of its MDI area.
    virtual void ActivateChildFrame(QMdiSubWindow* frame);
};

IChildFrameHost* ChildFrameHost();
void SetChildFrameHost(IChildFrameHost* host);

// The frame side of a child window, as the main frame and the views see it.
class IChildFrame
{
public:
    virtual ~IChildFrame() = default;
    // 129 for an image window, 130 for a tool window.
    virtual int MenuId() const = 0;
    virtual CBitmapViewBase* View() const = 0;
    virtual bool OnCommand(int id) = 0;
    virtual void OnMDIActivate(bool active) = 0;
    // Shows the frame's context menu at a screen point.
    virtual void OnContextMenu(int globalX, int globalY) = 0;
};
