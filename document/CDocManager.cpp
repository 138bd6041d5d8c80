#include "document/CDocManager.h"

#include "document/CImageDoc.h"

#include <algorithm>

CDocManager::~CDocManager()
{
    for (CImageDoc* doc : m_docs)
        delete doc;
}

int CDocManager::AddDocument(CImageDoc* doc)
{
    if (doc && std::find(m_docs.begin(), m_docs.end(), doc) == m_docs.end()) m_docs.push_back(doc);
    return int(m_docs.size());
}

void CDocManager::RemoveDocument(CImageDoc* doc)
{
    const auto it = std::find(m_docs.begin(), m_docs.end(), doc);
    if (it != m_docs.end()) m_docs.erase(it);
    delete doc;
}
