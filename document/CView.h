// The document's side of a view: the change notification, the document it shows, and a repaint
// request that other threads may make.
#pragma once

#include <functional>
#include <memory>
#include <mutex>

class CImageDoc;

// Lets a thread other than the user-interface thread ask for a view to be repainted without
// touching the window: the view attaches a function that queues a repaint (it must not block or
// paint there) and detaches it before it is destroyed. Requests made after the detach do nothing,
// so a thread may keep the handle longer than the view lives.
class CRepaintHandle
{
public:
    // User-interface thread.
    void Attach(std::function<void()> request);
    // User-interface thread; once it returns no request runs or will run.
    void Detach();
    // Any thread; never waits for the user-interface thread.
    void RequestRepaint();

private:
    std::mutex m_mutex;
    std::function<void()> m_request;
};

class CView
{
public:
    CView();
    CView(const CView&) = delete;
    CView& operator=(const CView&) = delete;
    // Detaches the repaint handle. A view whose repaint function uses members of a derived class
    // detaches it first thing in its own destructor.
    virtual ~CView();

    // The document changed (image, flags, path); called on the user-interface thread by
    // CDocument::UpdateAllViews. Nothing by default.
    virtual void OnUpdate() {}

    // Shared with the document's preview thread, which asks through it for this view to be
    // repainted while the preview fills the image in.
    const std::shared_ptr<CRepaintHandle>& RepaintHandle() const { return m_repaint; }

    // The document shown, set by CDocument::AddView; not owned.
    CImageDoc* m_pDoc = nullptr;

private:
    std::shared_ptr<CRepaintHandle> m_repaint;
};
