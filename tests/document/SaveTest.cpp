// Saving in a temporary folder: the backup chain and its failures, the redirections to "Sauver
// dans...", the JPEG quality, EXIF stamping, the save-modified question and the information text.
#include "FakeHost.h"
#include "TestImages.h"

#include "imagelib/FCBandRunner.h"
#include "imagelib/FCImageCodec.h"
#include "platform/TextConv.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace testdoc;

namespace
{
std::string ReadBytes(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteBytes(const fs::path& p, const std::string& bytes)
{
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

// What the codecs were given, and how they answer.
struct CodecLog
{
    std::vector<int> saveParameters;
    std::vector<std::vector<std::string>> rawItems;
    int saves = 0;
    bool fail = false;         // every save fails...
    bool writePartial = false; // ...after writing part of the file
    std::size_t fileBytes = 0; // 0: "saved-<n>"
    int runThreads = 0;        // the thread count of the run of the last save
};

// Writes "saved-<n>" (or fileBytes bytes) instead of an image, so that files are told apart by
// their content.
class RecordingCodec : public FCImageCodec
{
public:
    explicit RecordingCodec(CodecLog& log) : m_log(log) {}
    bool SaveImageFile(const wchar_t* fileName, const std::vector<const FCObjImage*>& frames,
                       const FCImageProperty& prop) override
    {
        if (frames.empty() || !frames[0]->HasBits()) return false;
        m_log.saveParameters.push_back(prop.saveParameter);
        m_log.rawItems.push_back(prop.rawItems);
        const fs::path path(WideToUtf8(fileName));
        if (m_log.fail)
        {
            if (m_log.writePartial) WriteBytes(path, "partial");
            return false;
        }
        ++m_log.saves;
        WriteBytes(path, m_log.fileBytes ? std::string(m_log.fileBytes, 'x')
                                         : "saved-" + std::to_string(m_log.saves));
        return true;
    }

private:
    CodecLog& m_log;
};

// The application's extension table with recording codecs.
class RecordingFactory : public CImageCodecFactory
{
public:
    explicit RecordingFactory(CodecLog& log) : m_log(log) {}
    FCImageCodec* CreateImageCodec(int type) override
    {
        return type == IMG_UNKNOWN ? nullptr : new RecordingCodec(m_log);
    }

private:
    CodecLog& m_log;
};

// The application's codecs, noting the thread count of the run each save is made in.
class RunNotingFactory : public CImageCodecFactory
{
public:
    explicit RunNotingFactory(CodecLog& log) : m_log(log) {}
    FCImageCodec* CreateImageCodec(int type) override
    {
        FCImageCodec* real = CImageCodecFactory::CreateImageCodec(type);
        return real ? new Noting(m_log, real) : nullptr;
    }

private:
    class Noting : public FCImageCodec
    {
    public:
        Noting(CodecLog& log, FCImageCodec* real) : m_log(log), m_real(real) {}
        bool LoadImageFile(const wchar_t* fileName, std::vector<FCObjImage*>& frames,
                           FCImageProperty* prop) override
        {
            return m_real->LoadImageFile(fileName, frames, prop);
        }
        bool LoadImageMemory(const void* buffer, int size, std::vector<FCObjImage*>& frames,
                             FCImageProperty* prop) override
        {
            return m_real->LoadImageMemory(buffer, size, frames, prop);
        }
        bool SaveImageFile(const wchar_t* fileName, const std::vector<const FCObjImage*>& frames,
                           const FCImageProperty& prop) override
        {
            m_log.runThreads = FCEffectRun::CurrentThreads();
            return m_real->SaveImageFile(fileName, frames, prop);
        }

    private:
        CodecLog& m_log;
        std::unique_ptr<FCImageCodec> m_real;
    };
    CodecLog& m_log;
};

// Fails removals or backups on demand; the rest goes to the file system.
class FailingFiles : public CDocFiles
{
public:
    bool Remove(const std::wstring& path) override { return !failRemove && CDocFiles::Remove(path); }
    bool KeepAsBackup(const std::wstring& path, const std::wstring& backup) override
    {
        return !failBackup && CDocFiles::KeepAsBackup(path, backup);
    }
    bool failRemove = false;
    bool failBackup = false;
};

// An error box: the text, no caption of ours, the error icon.
void ExpectError(const MessageCall& m, const std::wstring& text)
{
    EXPECT_EQ(m.text, text);
    EXPECT_FALSE(m.hasCaption);
    EXPECT_EQ(m.style, DocMsgStyle::Error);
}

std::tm FixedClock()
{
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 0;
    t.tm_mday = 2;
    t.tm_hour = 3;
    t.tm_min = 4;
    t.tm_sec = 5;
    return t;
}

class Saving : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetSettings();
        m_dir = fs::temp_directory_path() / ("orvalis-doc-save-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        FCObjImage::SetCodecFactory(new RecordingFactory(log));
        host.clock = FixedClock();
        host.files = &files;
    }
    void TearDown() override
    {
        FCObjImage::SetCodecFactory(new FCImageCodecFactory_Gdiplus);
        ResetSettings();
        fs::remove_all(m_dir);
    }

    std::wstring Path(const char* name) const { return Utf8ToWide((m_dir / name).string()); }
    fs::path File(const char* name) const { return m_dir / name; }

    // An untitled, modified document.
    std::unique_ptr<CImageDoc> NewDoc(CView* view, int bpp = 24)
    {
        auto doc = std::make_unique<CImageDoc>(view, host);
        FCObjImage image = testimg::Varied(4, 3, bpp);
        doc->InitFromImage(image);
        return doc;
    }
    // Saves a document as name through the save dialog.
    void SaveAs(CImageDoc& doc, const char* name)
    {
        host.saveAsAnswer = SaveAsChoice{Path(name), Utf8ToWide(name)};
        doc.OnFileSaveAs();
        host.saveAsAnswer.reset();
    }

    fs::path m_dir;
    CodecLog log;
    FailingFiles files;
    FakeHost host;
};
} // namespace

TEST_F(Saving, EachSaveKeepsTheFileItReplacesAsBak)
{
    CountingView view;
    auto doc = NewDoc(&view);
    WriteBytes(File("a.png"), "the user's file");
    SaveAs(*doc, "a.png");
    EXPECT_EQ(ReadBytes(File("a.png")), "saved-1");
    EXPECT_EQ(ReadBytes(File("a.png.BAK")), "the user's file");
    EXPECT_EQ(doc->GetPath(), Path("a.png"));
    EXPECT_EQ(doc->GetTitle(), L"a.png");
    EXPECT_FALSE(doc->IsModified());

    for (int n = 2; n <= 3; ++n)
    {
        doc->ClearRect(0, 0, 1, 1);
        view.updates = 0;
        doc->OnFileSave();
        EXPECT_EQ(ReadBytes(File("a.png")), "saved-" + std::to_string(n));
        EXPECT_EQ(ReadBytes(File("a.png.BAK")), "saved-" + std::to_string(n - 1));
        EXPECT_FALSE(doc->IsModified());
        EXPECT_TRUE(doc->CanUndo()); // saving leaves the undo state alone
        EXPECT_EQ(view.updates, 1);
    }
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.saveAsCalls.size(), 1u);
}

TEST_F(Saving, ARealFileComesBackUnderBak)
{
    FCObjImage::SetCodecFactory(new CImageCodecFactory);
    const FCObjImage original = testimg::Varied(6, 5, 24);
    ASSERT_TRUE(original.Save(Path("photo.png").c_str(), FCImageProperty()));
    const std::string bytes = ReadBytes(File("photo.png"));
    CountingView view;
    CImageDoc doc(&view, host);
    ASSERT_TRUE(doc.InitFromFile(Path("photo.png").c_str()));
    doc.ClearRect(0, 0, 6, 5);
    doc.OnFileSave();
    EXPECT_EQ(ReadBytes(File("photo.png.BAK")), bytes);
    FCObjImage saved;
    ASSERT_TRUE(saved.Load(Path("photo.png").c_str()));
    EXPECT_TRUE(testimg::SamePixels(saved, doc.GetImage()));
    EXPECT_FALSE(doc.IsModified());
}

// A PNG save shares its rows out over the threads of "NbThreads", as the effects do; the file is
// the same picture whatever the count.
TEST_F(Saving, APngSaveTakesTheThreadsOfNbThreads)
{
    FCObjImage::SetCodecFactory(new RunNotingFactory(log));
    SetProcessorCountForTesting(8);
    // Large enough for several parts of the PNG writer's rows (about 9 MB).
    const FCObjImage original = testimg::Varied(2000, 1500, 24);
    for (int nbThreads : {1, 8})
    {
        SCOPED_TRACE("NbThreads " + std::to_string(nbThreads));
        SetNbThreads(nbThreads);
        CountingView view;
        CImageDoc doc(&view, host);
        FCObjImage image = original;
        ASSERT_TRUE(doc.InitFromImage(image));
        const std::string name = "threads" + std::to_string(nbThreads) + ".png";
        SaveAs(doc, name.c_str());
        EXPECT_FALSE(doc.IsModified());
        // The codec works inside a run of "NbThreads" threads: one alone at 1; at 8, as many as
        // are free when its parts are handed out.
        EXPECT_EQ(log.runThreads, nbThreads);
        if (nbThreads == 1)
        {
            EXPECT_EQ(FCEffectRun::LastThreadsUsedForTesting(), 1);
        }
        else
        {
            EXPECT_LE(FCEffectRun::LastThreadsUsedForTesting(), nbThreads);
        }
        FCObjImage saved;
        ASSERT_TRUE(saved.Load(Path(name.c_str()).c_str()));
        EXPECT_TRUE(testimg::SamePixels(saved, original));
    }
}

TEST_F(Saving, UntitledAndReadOnlyDocumentsGoThroughTheSaveDialog)
{
    CountingView view;
    auto doc = NewDoc(&view);
    host.lastFolder = L"/some/folder";
    doc->OnFileSave(); // untitled: the dialog, cancelled
    ASSERT_EQ(host.saveAsCalls.size(), 1u);
    EXPECT_EQ(host.saveAsCalls[0], std::make_pair(std::wstring(), std::wstring(L"/some/folder")));
    EXPECT_EQ(view.updates, 0);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(log.saveParameters.size(), 0u);
    EXPECT_EQ(host.lastFolder, L"/some/folder"); // a cancel leaves it

    SaveAs(*doc, "b.bmp");
    EXPECT_EQ(host.recent, std::vector<std::wstring>{Path("b.bmp")});
    EXPECT_EQ(host.lastFolder, Utf8ToWide(m_dir.string())); // where the file went

    doc->SetReadOnly(true);
    doc->ClearRect(0, 0, 1, 1);
    view.updates = 0;
    doc->OnFileSave(); // read-only: the dialog again, starting from the path
    ASSERT_EQ(host.saveAsCalls.size(), 3u);
    EXPECT_EQ(host.saveAsCalls[2], std::make_pair(Path("b.bmp"), std::wstring()));
    EXPECT_EQ(ReadBytes(File("b.bmp")), "saved-1");
    EXPECT_EQ(view.updates, 0);

    SaveAs(*doc, "c.bmp");
    EXPECT_FALSE(doc->IsReadOnly()); // the file just written can be saved again
    EXPECT_EQ(doc->GetPath(), Path("c.bmp"));
}

TEST_F(Saving, JpegSavesGetTheQualitySetting)
{
    SetJpegQuality(75);
    CountingView view;
    auto doc = NewDoc(&view);
    doc->GetProperties().saveParameter = 7; // a GIF's transparent index, as read from its file
    SaveAs(*doc, "x.jpg");
    SaveAs(*doc, "x.png");
    SaveAs(*doc, "x.gif");
    EXPECT_EQ(log.saveParameters, (std::vector<int>{75, 7, 7}));
    EXPECT_EQ(doc->GetProperties().saveParameter, 7);
}

TEST_F(Saving, ExifItemsAreStampedOnceAndAtTheEnd)
{
    CountingView view;
    auto doc = NewDoc(&view);
    FCImageProperty& prop = doc->GetProperties();
    const std::string date = "2020:05:06 07:08:09";
    prop.make = "Canon";
    prop.model = "EOS";
    prop.dateTaken = "2019:01:01 00:00:00";
    prop.rawItems = {PackPropertyItem(306, 2, unsigned(date.size() + 1), date.c_str()),
                     PackPropertyItem(274, 3, 2, "\x06\x00"), PackPropertyItem(305, 2, 4, "Old")};
    SaveAs(*doc, "x.png");
    doc->OnFileSave();
    ASSERT_EQ(log.rawItems.size(), 2u);
    for (const auto& items : log.rawItems)
    {
        ASSERT_EQ(items.size(), 3u);
        PropertyItem first, software, time;
        ASSERT_TRUE(UnpackPropertyItem(items[0], first));
        ASSERT_TRUE(UnpackPropertyItem(items[1], software));
        ASSERT_TRUE(UnpackPropertyItem(items[2], time));
        EXPECT_EQ(first.id, 274u);
        EXPECT_EQ(software.id, 305u);
        EXPECT_EQ(time.id, 306u);
        const std::string softwareText = "Orvalis 5 5.1.2.3 Copyright (C) Test" + std::string(1, '\0');
        EXPECT_EQ(items[1].substr(10), softwareText);
        EXPECT_EQ(items[2], PackPropertyItem(306, 2, 20, "2024:01:02 03:04:05"));
        // The packed head: tag (u32), type 2 (u16), length (u32), little-endian.
        EXPECT_EQ(items[2].substr(0, 10), std::string("\x32\x01\x00\x00\x02\x00\x14\x00\x00\x00", 10));
    }
    EXPECT_EQ(prop.make, "Canon");
    EXPECT_EQ(prop.model, "EOS");
    EXPECT_EQ(prop.dateTaken, "2019:01:01 00:00:00");
}

TEST_F(Saving, StampingFollowsTheSettings)
{
    struct Case
    {
        int software, date;
        std::vector<unsigned> tags; // of the raw items after stamping
    };
    const Case cases[] = {
        {1, 1, {274, 306, 305, 305, 306}}, // the first of each name replaced, at the end
        {0, 0, {306, 274, 305, 306, 305}},
        {0, 1, {274, 305, 306, 305, 306}},
        {-1, 0, {306, 274, 306, 305, 305}}, // ticked boxes are stored as -1: nonzero stamps
    };
    for (const Case& c : cases)
    {
        SetExifWriteSoftware(c.software);
        SetExifWriteDate(c.date);
        CountingView view;
        auto doc = NewDoc(&view);
        FCImageProperty& prop = doc->GetProperties();
        prop.rawItems = {PackPropertyItem(306, 2, 2, "a"), PackPropertyItem(274, 3, 2, "\x01\x00"),
                         PackPropertyItem(305, 2, 2, "b"), PackPropertyItem(306, 2, 2, "c"),
                         PackPropertyItem(305, 2, 2, "d")};
        doc->StampExifProperties();
        std::vector<unsigned> tags;
        for (const std::string& item : prop.rawItems)
        {
            PropertyItem unpacked;
            ASSERT_TRUE(UnpackPropertyItem(item, unpacked));
            tags.push_back(unpacked.id);
        }
        EXPECT_EQ(tags, c.tags) << "software " << c.software << ", date " << c.date;
    }
}

TEST_F(Saving, VersionStringsReachTheSoftwareTagAsUtf8)
{
    host.version = {L"Orvalis 5", L"5.0", L"© Équipe"};
    CountingView view;
    auto doc = NewDoc(&view);
    doc->StampExifProperties();
    const std::string expected = "Orvalis 5 5.0 \xc2\xa9 \xc3\x89quipe" + std::string(1, '\0');
    EXPECT_EQ(doc->GetProperties().rawItems.front(),
              PackPropertyItem(305, 2, unsigned(expected.size()), expected.data()));
}

TEST_F(Saving, FailuresAndTheirMessages)
{
    CountingView view;
    auto doc = NewDoc(&view);
    SaveAs(*doc, "kept.png");
    doc->ClearRect(0, 0, 1, 1);

    // Unknown extension: nothing on disk is touched, not even a file of that name.
    WriteBytes(File("x.zzz"), "the user's file");
    SaveAs(*doc, "x.zzz");
    ASSERT_EQ(host.messages.size(), 1u);
    ExpectError(host.messages[0], L"x.zzz\nType de fichier inconnu (extension)");
    EXPECT_EQ(ReadBytes(File("x.zzz")), "the user's file");
    EXPECT_FALSE(fs::exists(File("x.zzz.BAK")));
    EXPECT_EQ(doc->GetPath(), Path("kept.png"));
    EXPECT_TRUE(doc->IsModified());

    // A known type whose save fails, after writing part of the file: the user's file comes back.
    log.fail = true;
    log.writePartial = true;
    WriteBytes(File("y.png"), "the user's other file");
    SaveAs(*doc, "y.png");
    ASSERT_EQ(host.messages.size(), 2u);
    ExpectError(host.messages[1], L"y.png\nErreur d'enregistrement du fichier");
    EXPECT_EQ(ReadBytes(File("y.png")), "the user's other file");
    EXPECT_FALSE(fs::exists(File("y.png.BAK")));
    EXPECT_EQ(doc->GetPath(), Path("kept.png"));
    EXPECT_TRUE(doc->IsModified());

    // "&Sauver" failing: the path in the message, the file as it was, still modified.
    view.updates = 0;
    doc->OnFileSave();
    ASSERT_EQ(host.messages.size(), 3u);
    ExpectError(host.messages[2], Path("kept.png") + L"\nErreur d'enregistrement du fichier");
    EXPECT_EQ(ReadBytes(File("kept.png")), "saved-1");
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(view.updates, 1);

    // A new file that fails leaves nothing behind.
    SaveAs(*doc, "new.png");
    EXPECT_FALSE(fs::exists(File("new.png")));
    EXPECT_EQ(host.waitDepth, 0);
}

TEST_F(Saving, BackupFailuresAreToldAndTheSaveGoesOn)
{
    CountingView view;
    auto doc = NewDoc(&view);

    // A folder in the way of the backup: it cannot be made.
    WriteBytes(File("a.png"), "old");
    fs::create_directory(File("a.png.BAK"));
    SaveAs(*doc, "a.png");
    ASSERT_EQ(host.messages.size(), 1u);
    ExpectError(host.messages[0], L"Impossible de créer le fichier .BAK");
    EXPECT_EQ(ReadBytes(File("a.png")), "saved-1");
    EXPECT_FALSE(doc->IsModified());

    // An old backup that cannot be deleted: both messages, and still the save.
    host.messages.clear();
    WriteBytes(File("b.png"), "old");
    WriteBytes(File("b.png.BAK"), "older");
    files.failRemove = true;
    SaveAs(*doc, "b.png");
    ASSERT_EQ(host.messages.size(), 2u);
    ExpectError(host.messages[0], L"Impossible de supprimer le fichier .BAK");
    ExpectError(host.messages[1], L"Impossible de créer le fichier .BAK");
    EXPECT_EQ(ReadBytes(File("b.png")), "saved-2");
    EXPECT_EQ(ReadBytes(File("b.png.BAK")), "older");

    // The backup alone refused.
    host.messages.clear();
    files.failRemove = false;
    files.failBackup = true;
    doc->OnFileSave();
    ASSERT_EQ(host.messages.size(), 1u);
    ExpectError(host.messages[0], L"Impossible de créer le fichier .BAK");
    EXPECT_EQ(ReadBytes(File("b.png")), "saved-3");
    EXPECT_FALSE(fs::exists(File("b.png.BAK")));
}

TEST_F(Saving, TheSaveModifiedQuestion)
{
    enum Setup
    {
        NotModified,
        TwoViews,
        TwoViewsForced,
        Saved,
        Untitled,
        FailingSave,
    };
    struct Case
    {
        const char* name;
        Setup setup;
        std::optional<DocMsgAnswer> answer; // none: no question expected
        bool result, modifiedAfter;
    };
    const Case cases[] = {
        {"not modified", NotModified, {}, true, false},
        {"one of two windows", TwoViews, {}, true, true},
        {"one of two windows, application closing", TwoViewsForced, DocMsgAnswer::No, true, false},
        {"yes", Saved, DocMsgAnswer::Yes, true, false},
        {"no", Saved, DocMsgAnswer::No, true, false},
        {"cancel", Saved, DocMsgAnswer::Cancel, false, true},
        {"yes, then the save dialog cancelled", Untitled, DocMsgAnswer::Yes, false, true},
        {"yes, then the save failing", FailingSave, DocMsgAnswer::Yes, false, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        host.messages.clear();
        log.fail = false;
        CountingView view, second;
        auto doc = NewDoc(&view);
        if (c.setup != Untitled) SaveAs(*doc, "q.png");
        if (c.setup != NotModified) doc->ClearRect(0, 0, 1, 1);
        if (c.setup == TwoViews || c.setup == TwoViewsForced) doc->AddView(&second);
        if (c.setup == FailingSave) log.fail = true;
        const int saves = log.saves;
        if (c.answer) host.answers = {*c.answer};
        const std::wstring title = doc->GetTitle();
        EXPECT_EQ(doc->QuerySaveModified(c.setup == TwoViewsForced), c.result);
        EXPECT_EQ(doc->IsModified(), c.modifiedAfter);
        if (!c.answer)
        {
            EXPECT_TRUE(host.messages.empty());
            continue;
        }
        ASSERT_GE(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text, L"Sauver " + title + L" ?");
        EXPECT_EQ(host.messages[0].caption, L"Orvalis 5");
        EXPECT_EQ(host.messages[0].style, DocMsgStyle::Question);
        EXPECT_EQ(log.saves - saves, c.setup == Saved && *c.answer == DocMsgAnswer::Yes ? 1 : 0);
    }
}

TEST_F(Saving, InformationText)
{
    CountingView view;
    auto doc = NewDoc(&view);
    EXPECT_EQ(doc->GetInfoText(), L"\r\n\r\nTaille : 4 x 3 - 24 bits\r\n\r\n");

    log.fileBytes = 2048;
    FCImageProperty& prop = doc->GetProperties();
    prop.make = std::string("Canon\0", 6);
    prop.model = "EOS \xe9t\xe9"; // not UTF-8: read as Windows-1252
    prop.dateTaken = "2024:01:01 10:00:00";
    prop.rawItems = {PackPropertyItem(274, 3, 2, "\x06\x00"), PackPropertyItem(1, 2, 2, "x")};
    SaveAs(*doc, "i.png");
    // 2024-01-02 03:04:05 UTC.
    const timespec times[2] = {{1704164645, 0}, {1704164645, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, File("i.png").c_str(), times, 0), 0);
    const std::wstring expected = Path("i.png") +
                                  L"\r\n\r\nFichier : 2048 octets (2 K)\r\nModifié : 02/01/2024 03:04:05\r\n"
                                  L"\r\nTaille : 4 x 3 - 24 bits\r\n\r\n"
                                  L"Date : 2024:01:01 10:00:00\r\nMarque : Canon\r\nModèle : EOS été\r\n"
                                  L"Orientation - Vertical Rot 270°\r\n"
                                  L"SoftwareUsed - Orvalis 5 5.1.2.3 Copyright (C) Test\r\n"
                                  L"DateTime - 2024:01:02 03:04:05\r\n";
    EXPECT_EQ(doc->GetInfoText(), expected);
    doc->OnFileInfo();
    ASSERT_EQ(host.infos.size(), 1u);
    EXPECT_EQ(host.infos[0].path, Path("i.png"));
    EXPECT_EQ(host.infos[0].title, L"i.png");
    EXPECT_EQ(host.infos[0].text, expected);

    // A file that went away: no file lines.
    fs::remove(File("i.png"));
    EXPECT_EQ(doc->GetInfoText().find(L"Fichier"), std::wstring::npos);
}

TEST_F(Saving, CommandsReachTheDocument)
{
    CountingView view;
    auto doc = NewDoc(&view);
    EXPECT_TRUE(doc->OnCommand(kCmdFileSave));
    EXPECT_EQ(host.saveAsCalls.size(), 1u);
    EXPECT_TRUE(doc->OnCommand(kCmdFileSaveAs));
    EXPECT_EQ(host.saveAsCalls.size(), 2u);
    EXPECT_TRUE(doc->OnCommand(kCmdFileInfo));
    EXPECT_EQ(host.infos.size(), 1u);
    EXPECT_TRUE(doc->OnCommand(kCmdConvert32));
    EXPECT_EQ(doc->GetImage().ColorBits(), 32);
    EXPECT_TRUE(doc->OnCommand(kCmdEditUndo));
    EXPECT_EQ(doc->GetImage().ColorBits(), 24);
    EXPECT_TRUE(doc->OnCommand(kCmdEditRedo));
    EXPECT_TRUE(doc->OnCommand(kCmdAlphaOpaque));
    EXPECT_TRUE(doc->OnCommand(kCmdConvert24));
    EXPECT_EQ(doc->GetImage().ColorBits(), 24);
    EXPECT_FALSE(doc->OnCommand(kCmdFileOpen)); // the frame's command: not handled here
}
