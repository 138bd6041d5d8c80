#include "views/ChildFrameHost.h"

#include "document/CImageDoc.h"
#include "views/CBitmapViewBase.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace
{
IChildFrameHost* g_host = nullptr;
}

IChildFrameHost* ChildFrameHost()
{
    return g_host;
}

void SetChildFrameHost(IChildFrameHost* host)
{
    g_host = host;
}

CBitmapViewBase* IChildFrameHost::ActivateOtherView(CImageDoc* doc)
{
    if (!doc) return nullptr;
    for (CView* v : doc->GetViews())
    {
        auto* view = dynamic_cast<CBitmapViewBase*>(v);
        auto* frame = view ? dynamic_cast<QMdiSubWindow*>(view->Frame()) : nullptr;
        QMdiArea* area = frame ? frame->mdiArea() : nullptr;
        if (!area || frame == area->currentSubWindow()) continue;
        area->setActiveSubWindow(frame);
        return view;
    }
    return nullptr;
}

void IChildFrameHost::ActivateChildFrame(QMdiSubWindow* frame)
{
    if (frame && frame->mdiArea()) frame->mdiArea()->setActiveSubWindow(frame);
}
