#include "document/CView.h"

void CRepaintHandle::Attach(std::function<void()> request)
{
    std::lock_guard lock(m_mutex);
    m_request = std::move(request);
}

void CRepaintHandle::Detach()
{
    std::lock_guard lock(m_mutex);
    m_request = nullptr;
}

void CRepaintHandle::RequestRepaint()
{
    std::lock_guard lock(m_mutex);
    if (m_request) m_request();
}

CView::CView() : m_repaint(std::make_shared<CRepaintHandle>()) {}

CView::~CView()
{
    m_repaint->Detach();
}
