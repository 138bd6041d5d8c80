// The list of open documents. It owns them: removing a document from the list deletes it, and
// the list deletes whatever remains when it goes.
#pragma once

#include <vector>

class CImageDoc;

class CDocManager
{
public:
    CDocManager() = default;
    CDocManager(const CDocManager&) = delete;
    CDocManager& operator=(const CDocManager&) = delete;
    // Deletes every document still in the list, in order.
    virtual ~CDocManager();

    // Appends the document and returns the new count. A document already in the list is not
    // added a second time (it would be deleted twice).
    virtual int AddDocument(CImageDoc* doc);
    // Removes the first entry equal to doc, then deletes doc (when not null) whether or not it
    // was in the list. The caller must not touch the document afterwards.
    virtual void RemoveDocument(CImageDoc* doc);

    int GetDocumentCount() const { return int(m_docs.size()); }
    CImageDoc* GetDocument(int index) const { return m_docs[std::size_t(index)]; }

private:
    std::vector<CImageDoc*> m_docs;
};
