// A document host and MDI host for the window tests: documents are kept in a list of their own,
// message boxes are recorded and answered from a script, the clipboard is the real (in-process)
// one, and new child frames join an MDI area inside a window that records posted messages.
#pragma once

#include "MessageRecorder.h"

#include "document/CDocManager.h"
#include "document/CImageDoc.h"
#include "imagelib/qt/FCObjImageQt.h"
#include "views/CChildFrame.h"
#include "views/ChildFrameHost.h"

#include <QApplication>
#include <QMdiArea>

#include <deque>
#include <string>
#include <vector>

namespace testview
{
struct Message
{
    std::wstring text;
    DocMsgStyle style;
};

class AlwaysGoOn : public FCProgressObserver
{
public:
    bool OnProgress(int) override { return true; }
};

class Host : public CDocHost, public IChildFrameHost
{
public:
    Host()
    {
        window.resize(800, 600);
        window.setCentralWidget(mdi);
        SetChildFrameHost(this);
    }
    ~Host() override
    {
        for (QMdiSubWindow* w : mdi->subWindowList())
            if (auto* child = dynamic_cast<IChildFrame*>(w); child && child->View())
                child->View()->DetachFromDocument();
        qDeleteAll(mdi->subWindowList());
        SetChildFrameHost(nullptr);
    }

    // ---- CDocHost ----
    DocMsgAnswer MessageBox(const std::wstring& text, const wchar_t*, DocMsgStyle style) override
    {
        messages.push_back({text, style});
        if (answers.empty()) return style == DocMsgStyle::Question ? DocMsgAnswer::Cancel : DocMsgAnswer::Ok;
        const DocMsgAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    std::optional<SaveAsChoice> AskSaveAs(const std::wstring&, const std::wstring&) override
    {
        return std::nullopt;
    }
    void ShowInfo(const std::wstring&, const std::wstring&, const std::wstring&) override {}
    void CreateToolView(CImageDoc&, int) override {}
    CView* ActiveView() override { return nullptr; }
    void RemoveDocument(CImageDoc* doc) override { documents.RemoveDocument(doc); }
    void AddRecentFile(const std::wstring&) override {}
    std::wstring LastFolder() override { return {}; }
    void SetLastFolder(const std::wstring&) override {}
    bool ReadClipboardImage(FCObjImage& out) override { return PasteFromClipboard(out); }
    FCProgressObserver& UiProgress() override { return progress; }
    void PostProgress(int) override {}

    // ---- IChildFrameHost ----
    void AddChildFrame(QMdiSubWindow* frame) override
    {
        mdi->addSubWindow(frame);
        frame->resize(400, 300);
        frame->show();
    }
    void ClosePrintPreview() override { ++previewCloses; }

    // A bare view in the window, without frame or scroll bars, so that its viewport has exactly
    // the size given, showing a new document made from the image (none when it has no pixels).
    template <class View> View* AddBareView(FCObjImage image, QSize viewport, CImageDoc** docOut)
    {
        window.show();
        auto* view = new View(&window);
        view->setFrameShape(QFrame::NoFrame);
        view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view->show();
        view->resize(viewport);
        auto* doc = new CImageDoc(view, *this);
        if (image.HasBits()) doc->InitFromImage(image);
        documents.AddDocument(doc);
        doc->UpdateAllViews();
        *docOut = doc;
        return view;
    }

    // A new image window showing a new document made from the image (taken over).
    CChildFrame* OpenImage(FCObjImage image, CImageDoc** docOut = nullptr)
    {
        auto* frame = new CChildFrame;
        AddChildFrame(frame);
        auto* doc = new CImageDoc(&frame->BitmapView(), *this);
        doc->InitFromImage(image);
        documents.AddDocument(doc);
        doc->UpdateAllViews();
        if (docOut) *docOut = doc;
        return frame;
    }

    MessageRecorder window;
    QMdiArea* mdi = new QMdiArea;
    CDocManager documents;
    std::vector<Message> messages;
    std::deque<DocMsgAnswer> answers;
    AlwaysGoOn progress;
    int previewCloses = 0;
};
} // namespace testview
