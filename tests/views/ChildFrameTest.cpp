#include "TestImages.h"
#include "ViewTestHost.h"

#include "imagelib/FCImageCodec.h"
#include "imagelib/FCImageProperty.h"
#include "platform/qt/Clipboard.h"
#include "platform/qt/CommandTarget.h"
#include "resources/CommandIds.h"
#include "resources/ResourceBuilder.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QTemporaryDir>
#include <QToolBar>

#include <gtest/gtest.h>

#include <memory>

namespace
{
class ToolView : public CBitmapViewBase
{
public:
    ToolView() = default;

protected:
    void DoPaint(QPainter& painter, const QRect& rc) override { painter.fillRect(rc, Qt::black); }
};

// Frames of one document that is not modified: it comes from a file.
struct SavedDocument
{
    SavedDocument()
    {
        FCObjImage::SetCodecFactory(new CImageCodecFactory);
        path = dir.filePath(QStringLiteral("saved.png"));
        FCObjImage image = testimg::Flat(30, 20, 24, 1, 2, 3);
        image.Save(path.toStdWString().c_str(), FCImageProperty());
    }
    CChildFrame* Open(testview::Host& host, CImageDoc** docOut)
    {
        auto* frame = new CChildFrame;
        host.AddChildFrame(frame);
        auto* doc = new CImageDoc(&frame->BitmapView(), host);
        EXPECT_TRUE(doc->InitFromFile(path.toStdWString().c_str()));
        host.documents.AddDocument(doc);
        doc->UpdateAllViews();
        *docOut = doc;
        return frame;
    }
    QTemporaryDir dir;
    QString path;
};

int Frames(testview::Host& host)
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return int(host.mdi->subWindowList().size());
}
} // namespace

TEST(ChildFrame, ContextMenuEnabling)
{
    testview::Host host;
    host.window.show();
    CChildFrame* frame = host.OpenImage(testimg::Flat(100, 100, 24, 0, 0, 0));
    struct Case
    {
        bool image, selection;
    };
    for (const Case c : {Case{false, false}, Case{true, false}, Case{false, true}, Case{true, true}})
    {
        if (c.image)
            CopyToClipboard(testimg::Flat(2, 2, 24, 0, 0, 0));
        else
            QGuiApplication::clipboard()->setText(QStringLiteral("texte"));
        frame->BitmapView().OnCommand(kCmdSelectNone);
        if (c.selection)
        {
            frame->BitmapView().OnLButtonDown(5, 5);
            frame->BitmapView().OnLButtonUp(9, 9);
        }
        std::unique_ptr<QMenu> menu(frame->BuildContextMenu());
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(FindMenuAction(menu.get(), kCmdEditPaste)->isEnabled(), c.image);
        EXPECT_EQ(FindMenuAction(menu.get(), kCmdEditCut)->isEnabled(), c.selection);
        for (int always : {kCmdEditCopy, kCmdEditSelectAll, kCmdSelectNone})
            EXPECT_TRUE(FindMenuAction(menu.get(), always)->isEnabled());
    }
}

TEST(ChildFrame, ActivationReportsTheSelection)
{
    testview::Host host;
    host.window.show();
    CChildFrame* frame = host.OpenImage(testimg::Flat(100, 100, 24, 0, 0, 0));
    frame->OnMDIActivate(true);
    EXPECT_EQ(host.window.Take(WM_IMAGE_SELECTION),
              (std::vector<RecordedMessage>{{WM_IMAGE_SELECTION, -1, -1}}));
    frame->BitmapView().OnLButtonDown(50, 40);
    frame->BitmapView().OnMouseMove(10, 20);
    frame->BitmapView().OnLButtonUp(10, 20);
    host.window.Take();
    frame->OnMDIActivate(false);
    EXPECT_EQ(host.window.Take(), (std::vector<RecordedMessage>{{WM_IMAGE_SELECTION, 1310730, 2621490}}));

    // A tool window reports the corners as they were dragged.
    auto* toolView = new ToolView;
    auto* tool = new CChildToolFrame(toolView, kResToolContextMenu);
    host.AddChildFrame(tool);
    host.documents.GetDocument(0)->AddView(toolView);
    toolView->OnLButtonDown(50, 40);
    toolView->OnMouseMove(10, 20);
    toolView->OnLButtonUp(10, 20);
    host.window.Take();
    tool->OnMDIActivate(true);
    EXPECT_EQ(host.window.Take(), (std::vector<RecordedMessage>{{WM_IMAGE_SELECTION, 2621490, 1310730}}));
    EXPECT_EQ(tool->MenuId(), 130);
}

TEST(ChildFrame, CloseAllViewsOfAnUnmodifiedDocument)
{
    testview::Host host;
    host.window.show();
    SavedDocument saved;
    CImageDoc* doc = nullptr;
    CChildFrame* first = saved.Open(host, &doc);
    first->OnNewView();
    first->OnNewView();
    // A tool window of the same document goes too, although its view sits in a holder.
    auto* toolView = new ToolView;
    host.AddChildFrame(new CChildToolFrame(toolView, kResToolContextMenu));
    doc->AddView(toolView);
    ASSERT_EQ(doc->GetViews().size(), 4u);
    first->OnCommand(kCmdFileClose);
    EXPECT_EQ(host.previewCloses, 1) << "print preview is left first";
    EXPECT_EQ(Frames(host), 0);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.documents.GetDocumentCount(), 0);
}

TEST(ChildFrame, CloseAllViewsOfAModifiedDocumentAsksOnceForTheLast)
{
    testview::Host host;
    host.window.show();
    CImageDoc* doc = nullptr;
    CChildFrame* first = host.OpenImage(testimg::Flat(30, 20, 24, 1, 2, 3), &doc);
    first->OnNewView();
    first->OnNewView();
    ASSERT_TRUE(doc->IsModified());
    host.answers = {DocMsgAnswer::Cancel};
    first->OnCommand(kCmdFileClose);
    EXPECT_EQ(Frames(host), 1) << "Cancel keeps the last window";
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].style, DocMsgStyle::Question);
    EXPECT_EQ(host.documents.GetDocumentCount(), 1);

    // The one window left, closed on its own, asks again; Cancel keeps it.
    host.answers = {DocMsgAnswer::Cancel};
    host.mdi->subWindowList().front()->close();
    EXPECT_EQ(Frames(host), 1);
    EXPECT_EQ(host.messages.size(), 2u);
    host.answers = {DocMsgAnswer::No};
    host.mdi->subWindowList().front()->close();
    EXPECT_EQ(Frames(host), 0);
    EXPECT_EQ(host.documents.GetDocumentCount(), 0);
}

TEST(ChildFrame, NewViewFromAToolWindowIsAnImageWindow)
{
    testview::Host host;
    host.window.show();
    CImageDoc* doc = nullptr;
    CChildFrame* image = host.OpenImage(testimg::Flat(30, 20, 24, 1, 2, 3), &doc);
    auto* toolView = new ToolView;
    auto* tool = new CChildToolFrame(toolView, kResToolContextMenu);
    host.AddChildFrame(tool);
    doc->AddView(toolView);
    doc->UpdateAllViews();

    CChildFrameBase* made = tool->OnNewView();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->MenuId(), 129);
    EXPECT_EQ(made->View()->Document(), doc);
    EXPECT_EQ(doc->GetViews().size(), 3u);
    EXPECT_TRUE(image->windowTitle().contains(QStringLiteral("(1:1):1")))
        << image->windowTitle().toStdString();
    EXPECT_TRUE(made->windowTitle().contains(QStringLiteral("(1:1):3"))) << made->windowTitle().toStdString();

    std::unique_ptr<QMenu> menu(tool->BuildContextMenu());
    QStringList texts;
    for (QAction* a : menu->actions())
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(texts, (QStringList{QStringLiteral("Sélectionner tout"), QStringLiteral("Annuler la sélection"),
                                  "-", "Appliquer la transformation"}));
}

TEST(ChildFrame, ToolWindowShowsTheYuvFourierFilterBar)
{
    testview::Host host;
    host.window.show();
    CImageDoc* doc = nullptr;
    host.OpenImage(testimg::Flat(30, 20, 24, 1, 2, 3), &doc);
    auto* toolView = new ToolView;
    auto* tool = new CChildToolFrame(toolView, kResToolContextMenu);
    host.AddChildFrame(tool);
    doc->AddView(toolView);

    ASSERT_NE(tool->ToolBar(), nullptr);
    std::vector<int> ids;
    for (QAction* a : tool->ToolBar()->actions())
    {
        ids.push_back(a->isSeparator() ? 0 : a->data().toInt());
        if (!a->isSeparator())
        {
            EXPECT_FALSE(a->icon().isNull()) << ids.back();
        }
    }
    EXPECT_EQ(ids, (std::vector<int>{33106, 33107, 33108, 33109, 33117, 33110, 0, 33111, 0, 33115, 33114,
                                     33116, 33112, 33118, 33113}));
}

TEST(ChildFrame, CommandsGoToTheViewAndOnToTheDocument)
{
    testview::Host host;
    host.window.show();
    CImageDoc* doc = nullptr;
    CChildFrame* frame = host.OpenImage(testimg::Flat(30, 20, 24, 1, 2, 3), &doc);
    EXPECT_TRUE(frame->OnCommand(kCmdZoom2)) << "zoom: the view's own";
    EXPECT_EQ(frame->BitmapView().Zoom(), 512);
    frame->BitmapView().OnCommand(kCmdEditSelectAll);
    EXPECT_TRUE(frame->OnCommand(kCmdEditClear)) << "clear: the image view's";
    EXPECT_EQ(doc->GetImage().PixelAddress(0, 0)[0], 0);
    EXPECT_TRUE(frame->OnCommand(kCmdEditUndo)) << "undo: passed on to the document";
    EXPECT_EQ(doc->GetImage().PixelAddress(0, 0)[0], 1);
    EXPECT_TRUE(doc->CanRedo());
    EXPECT_FALSE(frame->OnCommand(12345)) << "nobody's command";
    EXPECT_TRUE(frame->OnCommand(kCmdNewView));
    EXPECT_EQ(doc->GetViews().size(), 2u);
}

TEST(ChildFrame, AWindowWithoutADocumentStillCloses)
{
    // The creators never leave such a window behind; if one is left, it must not stay for good.
    testview::Host host;
    host.window.show();
    auto* frame = new CChildFrame;
    host.AddChildFrame(frame);
    EXPECT_TRUE(frame->close());
    EXPECT_EQ(Frames(host), 0);
    EXPECT_TRUE(host.messages.empty());
}
