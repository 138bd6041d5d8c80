#include "document/CDocument.h"

#include "document/CView.h"

#include <algorithm>

void CDocument::AddView(CView* view)
{
    if (!view) return;
    m_views.push_back(view);
    view->m_pDoc = m_self;
}

void CDocument::RemoveView(CView* view)
{
    const auto it = std::find(m_views.begin(), m_views.end(), view);
    if (it != m_views.end()) m_views.erase(it);
}

void CDocument::UpdateAllViews()
{
    // By index: a view may leave the list while it is notified.
    for (std::size_t i = 0; i < m_views.size(); ++i)
        m_views[i]->OnUpdate();
}
