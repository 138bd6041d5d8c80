// What opening and saving must never do: crash or hang on a hostile file, leave the user's name
// without a file, report a save it did not make, lose the backup of the original, change who may
// read the picture, replace a link or a FIFO, or fail on a name the system accepts.
#include "FakeHost.h"
#include "HostileFiles.h"
#include "SmallDisk.h"
#include "TestImages.h"

#include "imagelib/FCImageCodec.h"
#include "platform/TextConv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
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

std::vector<std::string> Names(const fs::path& folder)
{
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(folder))
        out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

// A codec that writes "new picture" and, while it writes, lets the test look at the folder: what
// the test sees then is what a save killed at that moment leaves behind.
struct Observer
{
    std::function<void(const std::wstring& fileName)> whileWriting;
};

class ObservedCodec : public FCImageCodec
{
public:
    explicit ObservedCodec(Observer& o) : m_observer(o) {}
    bool SaveImageFile(const wchar_t* fileName, const std::vector<const FCObjImage*>&,
                       const FCImageProperty&) override
    {
        WriteBytes(PathToNative(fileName), "new pic");
        if (m_observer.whileWriting) m_observer.whileWriting(fileName);
        std::ofstream(PathToNative(fileName), std::ios::binary | std::ios::app) << "ture";
        return true;
    }

private:
    Observer& m_observer;
};

class ObservedFactory : public CImageCodecFactory
{
public:
    explicit ObservedFactory(Observer& o) : m_observer(o) {}
    FCImageCodec* CreateImageCodec(int type) override
    {
        return type == IMG_UNKNOWN ? nullptr : new ObservedCodec(m_observer);
    }

private:
    Observer& m_observer;
};

// Records the order of the file operations of a save.
class RecordingFiles : public CDocFiles
{
public:
    std::wstring CreateTemporary(const std::wstring& path) override
    {
        calls.push_back("temporary");
        return CDocFiles::CreateTemporary(path);
    }
    bool KeepAsBackup(const std::wstring& path, const std::wstring& backup) override
    {
        calls.push_back("backup");
        return CDocFiles::KeepAsBackup(path, backup);
    }
    bool Replace(const std::wstring& from, const std::wstring& to) override
    {
        calls.push_back("replace");
        return CDocFiles::Replace(from, to);
    }
    std::vector<std::string> calls;
};

class SaveSafety : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetSettings();
        dir = fs::temp_directory_path() / ("orvalis-doc-safe-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        FCObjImage::SetCodecFactory(new CImageCodecFactory);
        host.files = &files;
    }
    void TearDown() override
    {
        FCObjImage::SetCodecFactory(new FCImageCodecFactory_Gdiplus);
        ResetSettings();
        std::error_code ec;
        fs::permissions(dir / "ro", fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir, ec);
    }
    static std::wstring W(const fs::path& p) { return NativeToPath(p.string()); }

    // A document opened from a real picture at path.
    std::unique_ptr<CImageDoc> Open(const fs::path& path, CView* view)
    {
        auto doc = std::make_unique<CImageDoc>(view, host);
        EXPECT_TRUE(doc->InitFromFile(W(path).c_str())) << path;
        return doc;
    }
    void WritePicture(const fs::path& path, int seed = 1)
    {
        ASSERT_TRUE(
            testimg::Varied(30, 20, 24, std::uint32_t(seed)).Save(W(path).c_str(), FCImageProperty()));
    }
    void SaveAs(CImageDoc& doc, const fs::path& path)
    {
        host.saveAsAnswer = SaveAsChoice{W(path), W(path.filename())};
        doc.OnFileSaveAs();
        host.saveAsAnswer.reset();
    }

    fs::path dir;
    RecordingFiles files;
    FakeHost host;
};
} // namespace

// At every moment of a save, the user's name holds the old file or the new one, whole; the old
// backup stays until the new file is on the disk; a file left by a save killed half-way says
// what it is and keeps the picture's extension.
TEST_F(SaveSafety, TheUsersNameHoldsAWholeFileAtEveryMoment)
{
    Observer observer;
    FCObjImage::SetCodecFactory(new ObservedFactory(observer));
    WriteBytes(dir / "a.png", "old picture");
    WriteBytes(dir / "a.png.BAK", "older picture");
    CountingView view;
    auto doc = std::make_unique<CImageDoc>(&view, host);
    FCObjImage image = testimg::Varied(4, 4, 24);
    doc->InitFromImage(image);
    bool looked = false;
    observer.whileWriting = [&](const std::wstring& fileName)
    {
        looked = true;
        EXPECT_EQ(ReadBytes(dir / "a.png"), "old picture");
        EXPECT_EQ(ReadBytes(dir / "a.png.BAK"), "older picture");
        const std::string temp = fs::path(PathToNative(fileName)).filename().string();
        EXPECT_EQ(fs::path(PathToNative(fileName)).parent_path(), dir);
        EXPECT_TRUE(temp.starts_with("a~orvalis-")) << temp;
        EXPECT_TRUE(temp.ends_with(".png")) << temp;
    };
    SaveAs(*doc, dir / "a.png");
    EXPECT_TRUE(looked);
    EXPECT_EQ(files.calls, (std::vector<std::string>{"temporary", "backup", "replace"}));
    EXPECT_EQ(ReadBytes(dir / "a.png"), "new picture");
    EXPECT_EQ(ReadBytes(dir / "a.png.BAK"), "old picture");
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"a.png", "a.png.BAK"}));
    EXPECT_TRUE(host.messages.empty());
}

// A disk that fills up during the save, through FreeImage (TIFF) and the platform codec (PNG):
// the save is reported as failed, the document stays modified, the picture and the backup of
// the original stay as they were, however often the user tries again.
TEST_F(SaveSafety, AFullDiskFailsTheSaveAndKeepsTheOriginalAndItsBackup)
{
    testdisk::SmallDisk disk;
    const fs::path folder = dir / "disk";
    const bool mounted = disk.Mount(folder, 96 * 1024);
    if (!mounted) fs::create_directories(folder);
    for (const char* name : {"photo.tif", "photo.png"})
    {
        SCOPED_TRACE(name);
        WritePicture(folder / name, 1);
        const std::string original = ReadBytes(folder / name);
        CountingView view;
        auto doc = Open(folder / name, &view);
        doc->OnFileSave(); // the backup of the original is made
        ASSERT_EQ(ReadBytes(folder / (std::string(name) + ".BAK")), original);
        const std::string firstSave = ReadBytes(folder / name);

        // A picture too big for what is left, saved over the same name.
        FCObjImage big = testimg::Varied(200, 200, 24);
        doc->InitFromImage(big);
        host.messages.clear();
        std::unique_ptr<testdisk::FileSizeLimit> limit;
        if (!mounted) limit = std::make_unique<testdisk::FileSizeLimit>(96 * 1024);
        for (int attempt = 0; attempt < 2; ++attempt)
        {
            SaveAs(*doc, folder / name);
            ASSERT_EQ(host.messages.size(), std::size_t(attempt + 1));
            EXPECT_EQ(host.messages.back().text,
                      NativeToPath(name) + L"\nErreur d'enregistrement du fichier");
            EXPECT_TRUE(doc->IsModified());
            EXPECT_EQ(ReadBytes(folder / name), firstSave);
            EXPECT_EQ(ReadBytes(folder / (std::string(name) + ".BAK")), original);
        }
        limit.reset();
        EXPECT_EQ(Names(folder).size(), 2u) << "a temporary file was left";
        fs::remove(folder / name);
        fs::remove(folder / (std::string(name) + ".BAK"));
    }
}

TEST_F(SaveSafety, AReadOnlyFolderFailsTheSaveWithNothingTouched)
{
    testdisk::SmallDisk disk;
    const fs::path folder = dir / "ro";
    if (disk.Mount(folder, 256 * 1024))
    {
        WritePicture(folder / "a.png");
        ASSERT_TRUE(disk.MakeReadOnly());
    }
    else if (::geteuid() != 0)
    {
        fs::create_directories(folder);
        WritePicture(folder / "a.png");
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    }
    else
        GTEST_SKIP() << "root without the right to mount: no folder refuses it";
    const std::string before = ReadBytes(folder / "a.png");
    CountingView view;
    auto doc = Open(folder / "a.png", &view);
    doc->ClearRect(0, 0, 2, 2);
    doc->OnFileSave();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, W(folder / "a.png") + L"\nErreur d'enregistrement du fichier");
    SaveAs(*doc, folder / "b.png");
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1].text, L"b.png\nErreur d'enregistrement du fichier");
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(ReadBytes(folder / "a.png"), before);
    EXPECT_EQ(Names(folder), (std::vector<std::string>{"a.png"}));
}

// A private picture stays private (and so does its backup); a save through a link writes the
// file the link names, keeps the link, and keeps the backup beside that file.
TEST_F(SaveSafety, PermissionsAndLinksSurviveTheSave)
{
    WritePicture(dir / "private.png");
    ASSERT_EQ(::chmod((dir / "private.png").c_str(), 0600), 0);
    CountingView view;
    auto doc = Open(dir / "private.png", &view);
    doc->ClearRect(0, 0, 2, 2);
    doc->OnFileSave();
    EXPECT_TRUE(host.messages.empty());
    struct stat st;
    ASSERT_EQ(::stat((dir / "private.png").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat((dir / "private.png.BAK").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    fs::create_directory(dir / "albums");
    WritePicture(dir / "albums" / "real.png", 3);
    const std::string original = ReadBytes(dir / "albums" / "real.png");
    fs::create_symlink("albums/real.png", dir / "link.png");
    CountingView other;
    auto linked = Open(dir / "link.png", &other);
    linked->ClearRect(0, 0, 30, 20);
    linked->OnFileSave();
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(fs::is_symlink(dir / "link.png"));
    EXPECT_EQ(ReadBytes(dir / "albums" / "real.png.BAK"), original);
    FCObjImage back;
    ASSERT_TRUE(back.Load(W(dir / "link.png").c_str()));
    EXPECT_TRUE(testimg::SamePixels(back, linked->GetImage()));
    EXPECT_EQ(Names(dir / "albums"), (std::vector<std::string>{"real.png", "real.png.BAK"}));
}

// A FIFO named x.png: opening it fails at once, saving onto it fails and leaves it a FIFO.
TEST_F(SaveSafety, AFifoIsNeitherWaitedOnNorReplaced)
{
    ASSERT_EQ(::mkfifo((dir / "x.png").c_str(), 0600), 0);
    CountingView view;
    auto doc = std::make_unique<CImageDoc>(&view, host);
    auto opened = std::async(std::launch::async, [&] { return doc->InitFromFile(W(dir / "x.png").c_str()); });
    if (opened.wait_for(std::chrono::seconds(10)) != std::future_status::ready)
    {
        if (const int fd = ::open((dir / "x.png").c_str(), O_WRONLY | O_NONBLOCK); fd >= 0) ::close(fd);
        FAIL() << "opening a FIFO waited for a writer";
    }
    EXPECT_FALSE(opened.get());
    FCObjImage image = testimg::Varied(4, 4, 24);
    doc->InitFromImage(image);
    SaveAs(*doc, dir / "x.png");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, L"x.png\nErreur d'enregistrement du fichier");
    EXPECT_TRUE(fs::is_fifo(dir / "x.png"));
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"x.png"}));
}

// Names the system accepts are names the program opens and saves: Latin-1 bytes, and names up
// to the system's limit (only the backup, 4 bytes longer, may not fit).
TEST_F(SaveSafety, NamesOfEveryKindOpenAndSave)
{
    const std::string latin1 = "caf\xE9.png";
    WritePicture(dir / latin1);
    CountingView view;
    auto doc = Open(dir / latin1, &view);
    doc->ClearRect(0, 0, 2, 2);
    doc->OnFileSave();
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(fs::exists(dir / (latin1 + ".BAK")));
    EXPECT_EQ(doc->GetPath(), W(dir / latin1));
    EXPECT_EQ(PathToNative(doc->GetPath()), (dir / latin1).string());

    const std::string longest = std::string(251, 'n') + ".png"; // 255 bytes
    const std::string fits = std::string(246, 'n') + ".png";    // 250 bytes: its backup fits too
    SaveAs(*doc, dir / fits);
    EXPECT_TRUE(host.messages.empty());
    doc->ClearRect(0, 0, 2, 2);
    doc->OnFileSave();
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(fs::exists(dir / (fits + ".BAK")));
    SaveAs(*doc, dir / longest);
    EXPECT_TRUE(host.messages.empty());
    doc->ClearRect(0, 0, 2, 2);
    doc->OnFileSave();
    ASSERT_EQ(host.messages.size(), 1u); // the backup's name is too long; the save goes on
    EXPECT_EQ(host.messages[0].text, L"Impossible de créer le fichier .BAK");
    EXPECT_FALSE(doc->IsModified());
    FCObjImage back;
    ASSERT_TRUE(back.Load(W(dir / longest).c_str()));
    EXPECT_TRUE(testimg::SamePixels(back, doc->GetImage()));
    EXPECT_EQ(Names(dir).size(), 5u); // the two pictures of each name and their backups, no leftovers
}

// Hostile files through the document: a crafted EXIF directory under a name that routes to
// FreeImage opens; a file that makes the library's reader crash leaves the document (and the
// next file it opens) unharmed.
TEST_F(SaveSafety, HostileFilesOpenOrFailWithoutHarm)
{
    auto write = [&](const char* name, const hostile::Bytes& bytes)
    {
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return dir / name;
    };
    const hostile::Bytes exif = hostile::JpegWithExifClaiming(65535);
    CountingView view;
    CImageDoc doc(&view, host);
    EXPECT_TRUE(doc.InitFromFile(W(write("exif.tif", exif)).c_str()));
    EXPECT_EQ(doc.GetImage().Width(), 48);
    // The library's reader reads past the block: it crashes, or (where the memory beyond is
    // mapped) reads on; the document either fails to open or has the picture.
    if (doc.InitFromFile(W(write("crash.tif", hostile::JngAround(exif, 48, 32))).c_str()))
        EXPECT_EQ(doc.GetImage().Width(), 48);
    else
        EXPECT_FALSE(doc.GetImage().HasBits());
    EXPECT_TRUE(
        doc.InitFromFile(W(write("fine.jng", hostile::JngAround(hostile::PlainJpeg(), 48, 32))).c_str()));
    EXPECT_EQ(doc.GetImage().Height(), 32);
}
