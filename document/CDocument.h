// The base of the document: the ordered list of the views attached to it, their notification,
// and the chain by which commands a view does not handle reach the document.
#pragma once

#include <vector>

class CImageDoc;
class CView;

class CDocument
{
public:
    CDocument(const CDocument&) = delete;
    CDocument& operator=(const CDocument&) = delete;
    virtual ~CDocument() = default;

    // Appends the view (not owned) and makes this document the view's document.
    void AddView(CView* view);
    // Removes the first entry equal to the view; nothing when it is not attached.
    virtual void RemoveView(CView* view);
    // CView::OnUpdate on every attached view, in list order.
    void UpdateAllViews();

    // A command id that a view and its frame did not handle; true when handled here.
    virtual bool OnCommand(int id)
    {
        (void)id;
        return false;
    }

    const std::vector<CView*>& GetViews() const { return m_views; }

protected:
    // self: the document this base belongs to, given to the views it attaches.
    explicit CDocument(CImageDoc* self) : m_self(self) {}

    std::vector<CView*> m_views;

private:
    CImageDoc* m_self;
};
