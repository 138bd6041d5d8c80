// The document record: creation roads, titles, the view list, the list of open documents.
#include "FakeHost.h"
#include "TestImages.h"

#include "imagelib/FCYUVPlanes.h"
#include "imagelib/FFTW3Helper.h"
#include "platform/TextConv.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace testdoc;

TEST(DocumentRecord, UntitledNumbersAreTakenOnlyBySuccessfulCreations)
{
    FakeHost host;
    CountingView v1, v2, v3, v4, v5, v6;
    CImageDoc a(&v1, host), b(&v2, host), c(&v3, host);
    ASSERT_TRUE(a.CreateBlank(4, 3, 24));
    const int n = a.GetUntitledNumber();
    EXPECT_EQ(a.GetTitle(), L"Image" + std::to_wstring(n));

    CImageDoc failedBlank(&v4, host), failedClipboard(&v5, host), failedScan(&v6, host);
    EXPECT_FALSE(failedBlank.CreateBlank(0, 5, 24));
    EXPECT_FALSE(failedBlank.CreateBlank(5, 5, 16));
    EXPECT_FALSE(failedClipboard.InitFromClipboard()); // the clipboard holds no image
    EXPECT_FALSE(failedClipboard.IsModified());
    FCObjImage empty;
    EXPECT_FALSE(failedScan.InitFromImage(empty));
    EXPECT_FALSE(failedScan.InitFromMemory("not an image", 12));
    EXPECT_EQ(failedBlank.GetUntitledNumber(), 0);

    ASSERT_TRUE(b.CreateBlank(4, 3, 8));
    host.clipboard = testimg::Varied(5, 4, 32);
    ASSERT_TRUE(c.InitFromClipboard());
    EXPECT_EQ(b.GetTitle(), L"Image" + std::to_wstring(n + 1));
    EXPECT_EQ(c.GetTitle(), L"Image" + std::to_wstring(n + 2));
    EXPECT_TRUE(c.IsModified());
    EXPECT_TRUE(testimg::SamePixels(c.GetImage(), host.clipboard));
    EXPECT_FALSE(c.CanUndo());
}

TEST(DocumentRecord, BlankImages)
{
    FakeHost host;
    for (int bpp : {8, 24, 32})
    {
        CountingView view;
        CImageDoc doc(&view, host);
        ASSERT_TRUE(doc.CreateBlank(6, 5, bpp));
        EXPECT_TRUE(doc.IsModified());
        EXPECT_TRUE(doc.GetPath().empty());
        EXPECT_FALSE(doc.CanRedo());
        if (bpp == 32)
        {
            // Opaque black, with an Undo back to the zero alpha of the fresh image.
            EXPECT_TRUE(testimg::SamePixels(doc.GetImage(), testimg::Flat(6, 5, 32, 0, 0, 0, 255)));
            EXPECT_TRUE(doc.CanUndo());
            EXPECT_TRUE(testimg::SamePixels(doc.GetUndoImage(), testimg::Flat(6, 5, 32, 0, 0, 0, 0)));
        }
        else
        {
            EXPECT_FALSE(doc.CanUndo());
            EXPECT_FALSE(doc.GetUndoImage().HasBits());
        }
        EXPECT_EQ(view.updates, 0); // the frame updates the views once the document is listed
    }
}

TEST(DocumentRecord, ImagesFromScannersAndMemory)
{
    FakeHost host;
    CountingView v1, v2;
    CImageDoc fromImage(&v1, host), fromMemory(&v2, host);
    FCObjImage scan = testimg::Varied(7, 3, 24);
    const FCObjImage copy(scan);
    ASSERT_TRUE(fromImage.InitFromImage(scan));
    EXPECT_FALSE(scan.HasBits()); // taken over
    EXPECT_TRUE(testimg::SamePixels(fromImage.GetImage(), copy));
    EXPECT_TRUE(fromImage.IsModified());
    EXPECT_NE(fromImage.GetUntitledNumber(), 0);

    // A BMP block as a scanner transfer delivers it.
    const fs::path file =
        fs::temp_directory_path() / ("orvalis-doc-scan-" + std::to_string(::getpid()) + ".bmp");
    ASSERT_TRUE(copy.Save(Utf8ToWide(file.string()).c_str(), FCImageProperty()));
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fs::remove(file);
    ASSERT_TRUE(fromMemory.InitFromMemory(bytes.data(), bytes.size()));
    EXPECT_TRUE(testimg::SamePixels(fromMemory.GetImage(), copy));
    EXPECT_EQ(fromMemory.GetUntitledNumber(), fromImage.GetUntitledNumber() + 1);
}

TEST(DocumentRecord, OpeningFiles)
{
    FakeHost host;
    const fs::path dir = fs::temp_directory_path() / ("orvalis-doc-open-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::wstring png = Utf8ToWide((dir / "b.png").string());
    const FCObjImage image = testimg::Varied(9, 4, 24);
    ASSERT_TRUE(image.Save(png.c_str(), FCImageProperty()));
    std::ofstream(dir / "junk.png") << "not a picture";

    CountingView v1, v2, v3, v4;
    CImageDoc opened(&v1, host), missing(&v2, host), junk(&v3, host), folder(&v4, host);
    ASSERT_TRUE(opened.InitFromFile(png.c_str()));
    EXPECT_EQ(opened.GetPath(), png);
    EXPECT_EQ(opened.GetTitle(), L"b.png");
    EXPECT_EQ(opened.GetUntitledNumber(), 0);
    EXPECT_FALSE(opened.IsModified());
    EXPECT_FALSE(opened.CanUndo());
    EXPECT_TRUE(testimg::SamePixels(opened.GetImage(), image));

    EXPECT_FALSE(missing.InitFromFile(Utf8ToWide((dir / "missing.png").string()).c_str()));
    EXPECT_FALSE(junk.InitFromFile(Utf8ToWide((dir / "junk.png").string()).c_str()));
    EXPECT_FALSE(folder.InitFromFile(Utf8ToWide(dir.string()).c_str()));
    for (const CImageDoc* doc : {&missing, &junk, &folder})
    {
        EXPECT_TRUE(doc->GetPath().empty());
        EXPECT_FALSE(doc->GetImage().HasBits());
    }
    EXPECT_TRUE(host.messages.empty()); // the caller reports failures
    fs::remove_all(dir);
}

TEST(DocumentRecord, TitlesTakeThePartAfterTheLastSlash)
{
    FakeHost host;
    const fs::path dir = fs::temp_directory_path() / ("orvalis-doc-title-" + std::to_string(::getpid()));
    fs::create_directories(dir / "a\\b");
    const FCObjImage image = testimg::Varied(2, 2, 24);
    const std::pair<fs::path, std::wstring> cases[] = {
        {dir / "a\\b" / "c.png", L"c.png"}, // a backslash is an ordinary character here
        {dir / "x\\y.png", L"x\\y.png"},
        {dir / "été.png", L"été.png"},
    };
    for (const auto& [path, title] : cases)
    {
        const std::wstring wide = Utf8ToWide(path.string());
        ASSERT_TRUE(image.Save(wide.c_str(), FCImageProperty()));
        CountingView view;
        CImageDoc doc(&view, host);
        ASSERT_TRUE(doc.InitFromFile(wide.c_str()));
        EXPECT_EQ(doc.GetTitle(), title);
    }
    // A relative name without a slash is its own title.
    const fs::path old = fs::current_path();
    fs::current_path(dir);
    CountingView view;
    CImageDoc doc(&view, host);
    ASSERT_TRUE(doc.InitFromFile(L"x\\y.png"));
    EXPECT_EQ(doc.GetTitle(), L"x\\y.png");
    fs::current_path(old);
    fs::remove_all(dir);
}

TEST(DocumentRecord, ViewListAndItsNotifications)
{
    FakeHost host;
    std::vector<CountingView*> order;
    CountingView first(&order), second(&order), third(&order), stranger(&order);
    auto* doc = new CImageDoc(&first, host);
    host.manager.AddDocument(doc);
    ASSERT_TRUE(doc->CreateBlank(2, 2, 24));
    doc->AddView(&second);
    doc->AddView(&third);
    EXPECT_EQ(first.m_pDoc, doc);
    EXPECT_EQ(third.m_pDoc, doc);
    EXPECT_EQ(doc->GetViewNumber(&first), 1);
    EXPECT_EQ(doc->GetViewNumber(&second), 2);
    EXPECT_EQ(doc->GetViewNumber(&stranger), 0);

    doc->UpdateAllViews();
    EXPECT_EQ(order, (std::vector<CountingView*>{&first, &second, &third}));

    order.clear();
    doc->RemoveView(&stranger); // not attached: nothing at all
    EXPECT_TRUE(order.empty());
    doc->RemoveView(&second);
    EXPECT_EQ(order, (std::vector<CountingView*>{&first, &third}));
    EXPECT_EQ(doc->GetViewNumber(&third), 2);
    doc->RemoveView(&first);
    EXPECT_EQ(host.removals, 0);
    EXPECT_EQ(host.manager.GetDocumentCount(), 1);

    doc->RemoveView(&third); // the last view: the document is closed and deleted
    EXPECT_EQ(host.removals, 1);
    EXPECT_EQ(host.manager.GetDocumentCount(), 0);
}

namespace
{
int g_deleted = 0;

class CountedDoc : public CImageDoc
{
public:
    CountedDoc(CView* view, CDocHost& host, std::vector<int>* log, int id)
        : CImageDoc(view, host), m_log(log), m_id(id)
    {
    }
    ~CountedDoc() override
    {
        ++g_deleted;
        m_log->push_back(m_id);
    }

private:
    std::vector<int>* m_log;
    int m_id;
};
} // namespace

TEST(DocumentList, OwnsItsDocuments)
{
    FakeHost host;
    CountingView v;
    std::vector<int> log;
    g_deleted = 0;
    {
        CDocManager list;
        auto* a = new CountedDoc(&v, host, &log, 1);
        auto* b = new CountedDoc(&v, host, &log, 2);
        auto* c = new CountedDoc(&v, host, &log, 3);
        auto* d = new CountedDoc(&v, host, &log, 4);
        EXPECT_EQ(list.AddDocument(a), 1);
        EXPECT_EQ(list.AddDocument(b), 2);
        EXPECT_EQ(list.AddDocument(c), 3);
        EXPECT_EQ(list.AddDocument(b), 3); // already held: not added twice
        list.RemoveDocument(b);
        EXPECT_EQ(list.GetDocumentCount(), 2);
        EXPECT_EQ(list.GetDocument(0), a);
        EXPECT_EQ(list.GetDocument(1), c);
        list.RemoveDocument(d); // not in the list: deleted, the list unchanged
        EXPECT_EQ(list.GetDocumentCount(), 2);
        list.RemoveDocument(nullptr);
        EXPECT_EQ(log, (std::vector<int>{2, 4}));
    }
    EXPECT_EQ(log, (std::vector<int>{2, 4, 1, 3})); // the rest, in order, once each
    EXPECT_EQ(g_deleted, 4);
}

namespace
{
class InvertGreen : public FCImageEffect
{
public:
    void ApplyToPixel(FCObjImage&, int, int, BYTE* pixel) override { pixel[1] = BYTE(255 - pixel[1]); }
};

class FlatPreview : public FCImageEffect
{
public:
    int GetProcessMode() const override { return kProcessWholeImage; }
    void ApplyToImage(FCObjImage& image, FCProgressObserver*) override
    {
        for (int y = 0; y < image.Height(); ++y)
            std::memset(image.RowAddress(y), 77, std::size_t(image.Width()) * 3);
    }
};

std::vector<float> FreshY(const FCObjImage& image)
{
    FCYUVPlanes planes;
    planes.FromImage(image);
    return std::vector<float>(planes.Y(),
                              planes.Y() + std::size_t(planes.Width()) * std::size_t(planes.Height()));
}

std::vector<float> CachedY(CImageDoc& doc)
{
    FCYUVPlanes* planes = doc.GetYUVPlanes();
    return std::vector<float>(planes->Y(),
                              planes->Y() + std::size_t(planes->Width()) * std::size_t(planes->Height()));
}
} // namespace

TEST(DocumentRecord, TheYuvCacheIsFilledAgainAfterEveryChange)
{
    FakeHost host;
    CountingView view;
    host.activeView = &view;
    CImageDoc doc(&view, host);
    FCObjImage image = testimg::Varied(12, 9, 24);
    ASSERT_TRUE(doc.InitFromImage(image));
    FCYUVPlanes* record = doc.GetYUVPlanes();
    EXPECT_TRUE(doc.ArePlanesValid());
    EXPECT_EQ(doc.GetYUVPlanes(), record);

    FCObjImage pasted = testimg::Varied(3, 3, 24, 5);
    const std::pair<const char*, std::function<void()>> edits[] = {
        {"effect",
         [&]
         {
             InvertGreen e;
             doc.ApplyEffect(e);
         }},
        {"clear", [&] { doc.ClearRect(5, 5, 7, 7); }},
        {"undo", [&] { doc.OnEditUndo(); }},
        {"redo", [&] { doc.OnEditRedo(); }},
        {"paste", [&] { doc.PasteSpecial(pasted, 4, 4, 3); }},
        {"conversion", [&] { doc.OnConvert32(); }},
        {"alpha", [&] { doc.OnAlphaOpaque(); }},
        {"preview end",
         [&]
         {
             doc.OnConvert24();
             doc.GetYUVPlanes();
             doc.GetImage().RowAddress(0)[0] ^= 0xFF;
             doc.BeginPreview();
             doc.RunPreview(new FlatPreview);
             host.WaitForHundreds(2);
             doc.GetYUVPlanes(); // a tool view painting during the preview
             doc.EndPreview();
         }},
    };
    for (const auto& [name, edit] : edits)
    {
        SCOPED_TRACE(name);
        doc.GetYUVPlanes();
        doc.GetImage().RowAddress(0)[0] ^= 0x5A; // a change the document is not told of
        EXPECT_NE(CachedY(doc), FreshY(doc.GetImage())) << "filled again without an edit";
        edit();
        EXPECT_FALSE(doc.ArePlanesValid());
        EXPECT_EQ(CachedY(doc), FreshY(doc.GetImage()));
        EXPECT_EQ(doc.GetYUVPlanes(), record);
    }
    FFTW3Helper* fourier = doc.GetFFTW3Helper();
    ASSERT_NE(fourier, nullptr);
    EXPECT_EQ(doc.GetFFTW3Helper(), fourier);
}
