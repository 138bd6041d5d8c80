// Reading only regular files, without blocking; writing whole files or nothing, keeping the
// permissions and links of the file replaced, on full and read-only disks.
#include "SmallDisk.h"

#include "platform/FileIO.h"

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

// The entries of a folder other than those named.
std::vector<std::string> Leftovers(const fs::path& folder, std::initializer_list<std::string> expected)
{
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(folder))
    {
        const std::string name = e.path().filename().string();
        if (std::find(expected.begin(), expected.end(), name) == expected.end()) out.push_back(name);
    }
    return out;
}

class FileIO : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("orvalis-fileio-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir, ec);
    }
    std::string P(const std::string& name) const { return (dir / name).string(); }
    fs::path dir;
};
} // namespace

TEST_F(FileIO, ReadsRegularFilesOnlyAndNeverWaits)
{
    WriteBytes(dir / "a.png", "content");
    std::string got;
    EXPECT_EQ(ReadRegularFile(P("a.png"), 100, got), FileReadStatus::Ok);
    EXPECT_EQ(got, "content");
    EXPECT_EQ(ReadRegularFile(P("a.png"), 6, got), FileReadStatus::TooLarge);
    EXPECT_EQ(ReadRegularFile(P("missing.png"), 100, got), FileReadStatus::Missing);
    EXPECT_EQ(ReadRegularFile(P("a.png/x"), 100, got), FileReadStatus::Missing);
    EXPECT_EQ(ReadRegularFile(dir.string(), 100, got), FileReadStatus::NotRegular);
    EXPECT_EQ(ReadRegularFile("/dev/zero", 100, got), FileReadStatus::NotRegular);
    EXPECT_TRUE(got.empty());

    // A FIFO named like a picture, with no writer: opening it must not wait for one.
    ASSERT_EQ(::mkfifo(P("x.png").c_str(), 0600), 0);
    auto read = std::async(std::launch::async,
                           [&]
                           {
                               std::string bytes;
                               return ReadRegularFile(P("x.png"), 100, bytes);
                           });
    if (read.wait_for(std::chrono::seconds(5)) != std::future_status::ready)
    {
        // Let the blocked reader go before failing.
        const int fd = ::open(P("x.png").c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
        FAIL() << "reading a FIFO blocked";
    }
    EXPECT_EQ(read.get(), FileReadStatus::NotRegular);
}

TEST_F(FileIO, AtomicWriteKeepsModeGroupAndLinks)
{
    // A private picture stays private.
    WriteBytes(dir / "private.png", "old");
    ASSERT_EQ(::chmod(P("private.png").c_str(), 0600), 0);
    gid_t group = ::getgid();
    if (::geteuid() == 0) group = 12345; // root may give the file any group: the new one keeps it
    ASSERT_EQ(::chown(P("private.png").c_str(), uid_t(-1), group), 0);
    ASSERT_TRUE(WriteFileAtomically(P("private.png"), "new!", 4));
    EXPECT_EQ(ReadBytes(dir / "private.png"), "new!");
    struct stat st;
    ASSERT_EQ(::stat(P("private.png").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(st.st_gid, group);

    // A new file gets the usual mode of new files.
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(WriteFileAtomically(P("fresh.png"), "x", 1));
    ::umask(mask);
    ASSERT_EQ(::stat(P("fresh.png").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);

    // Through a chain of links: the file at the end is written, the links stay links.
    fs::create_directory(dir / "real");
    WriteBytes(dir / "real" / "photo.png", "old photo");
    fs::create_symlink("real/photo.png", dir / "link1.png");
    fs::create_symlink(dir / "link1.png", dir / "link2.png");
    ASSERT_TRUE(WriteFileAtomically(P("link2.png"), "new photo", 9));
    EXPECT_TRUE(fs::is_symlink(dir / "link1.png"));
    EXPECT_TRUE(fs::is_symlink(dir / "link2.png"));
    EXPECT_EQ(ReadBytes(dir / "real" / "photo.png"), "new photo");
    EXPECT_EQ(ResolveSaveTarget(P("link2.png")), P("real/photo.png"));
    // A link to a file not there yet makes that file.
    fs::create_symlink("real/later.png", dir / "dangling.png");
    ASSERT_TRUE(WriteFileAtomically(P("dangling.png"), "later", 5));
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.png"));
    EXPECT_EQ(ReadBytes(dir / "real" / "later.png"), "later");
    EXPECT_TRUE(Leftovers(dir / "real", {"photo.png", "later.png"}).empty());
}

TEST_F(FileIO, WhatIsNotARegularFileIsNeverReplaced)
{
    ASSERT_EQ(::mkfifo(P("x.png").c_str(), 0600), 0);
    fs::create_directory(dir / "folder.png");
    EXPECT_FALSE(WriteFileAtomically(P("x.png"), "data", 4));
    EXPECT_FALSE(WriteFileAtomically(P("folder.png"), "data", 4));
    EXPECT_TRUE(fs::is_fifo(dir / "x.png"));
    EXPECT_TRUE(fs::is_directory(dir / "folder.png"));
    EXPECT_FALSE(WriteFileAtomically(P("no-such-folder/a.png"), "data", 4));
    EXPECT_TRUE(Leftovers(dir, {"x.png", "folder.png"}).empty());
}

// Names near the system's limit of 255 bytes: the temporary name stays short whatever the
// target's, keeps the extension when asked, cuts no character in two, and says what it is.
TEST_F(FileIO, TemporaryNamesStayShortAndRecognisable)
{
    std::string accents = "x";
    for (int i = 0; i < 120; ++i)
        accents += "\xC3\xA9"; // é, two bytes: the kept part of the name ends inside one
    for (const std::string& stem : {std::string(250, 'a'), accents, std::string("photo")})
    {
        const std::string name = stem + ".png";
        WriteBytes(dir / name, "old");
        ASSERT_TRUE(WriteFileAtomically(P(name), "new", 3)) << name.size();
        EXPECT_EQ(ReadBytes(dir / name), "new");

        std::string temp;
        const int fd = CreateTemporaryBeside(P(name), true, temp);
        ASSERT_GE(fd, 0);
        ::close(fd);
        const std::string base = fs::path(temp).filename().string();
        EXPECT_LE(base.size(), 60u) << base;
        EXPECT_NE(base.find("~orvalis-"), std::string::npos) << base;
        EXPECT_TRUE(base.ends_with(".png")) << base;
        EXPECT_EQ(base.substr(0, 5), name.substr(0, 5));
        EXPECT_NE(static_cast<unsigned char>(base[base.find('~') - 1]), 0xC3u) << "a character cut in two";
        fs::remove(temp);
        fs::remove(dir / name);
    }
}

// A disk that fills up half-way through the write: the old file is all there, no temporary file
// is left, and the write says it failed.
TEST_F(FileIO, AFullDiskLeavesTheOldFileWhole)
{
    testdisk::SmallDisk disk;
    const fs::path folder = dir / "disk";
    const std::string old(20000, 'o');
    const std::string big(200000, 'n');
    if (disk.Mount(folder, 64 * 1024))
    {
        WriteBytes(folder / "a.tif", old);
        EXPECT_FALSE(WriteFileAtomically((folder / "a.tif").string(), big.data(), big.size()));
    }
    else
    {
        fs::create_directories(folder);
        WriteBytes(folder / "a.tif", old);
        testdisk::FileSizeLimit limit(64 * 1024);
        EXPECT_FALSE(WriteFileAtomically((folder / "a.tif").string(), big.data(), big.size()));
    }
    EXPECT_EQ(ReadBytes(folder / "a.tif"), old);
    EXPECT_TRUE(Leftovers(folder, {"a.tif"}).empty());
    // What fits is written.
    EXPECT_TRUE(WriteFileAtomically((folder / "a.tif").string(), "small", 5));
    EXPECT_EQ(ReadBytes(folder / "a.tif"), "small");
}

TEST_F(FileIO, AReadOnlyFolderRefusesTheWrite)
{
    testdisk::SmallDisk disk;
    const fs::path folder = dir / "ro";
    if (disk.Mount(folder, 64 * 1024))
    {
        WriteBytes(folder / "a.png", "old");
        ASSERT_TRUE(disk.MakeReadOnly());
    }
    else if (::geteuid() != 0)
    {
        fs::create_directories(folder);
        WriteBytes(folder / "a.png", "old");
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    }
    else
        GTEST_SKIP() << "root without the right to mount: no folder refuses it";
    EXPECT_FALSE(WriteFileAtomically((folder / "a.png").string(), "new", 3));
    EXPECT_EQ(ReadBytes(folder / "a.png"), "old");
    EXPECT_TRUE(Leftovers(folder, {"a.png"}).empty());
}

// The backup copy where a file system cannot give a file a second name.
TEST_F(FileIO, ExclusiveCopiesAreWholeOrAbsent)
{
    const std::string bytes(3 << 20, 'p'); // more than one buffer
    WriteBytes(dir / "a.jpg", bytes);
    ASSERT_EQ(::chmod(P("a.jpg").c_str(), 0640), 0);
    ASSERT_TRUE(CopyFileExclusively(P("a.jpg"), P("a.jpg.BAK")));
    EXPECT_EQ(ReadBytes(dir / "a.jpg.BAK"), bytes);
    struct stat st;
    ASSERT_EQ(::stat(P("a.jpg.BAK").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    // Never over an existing file, never from what is not a regular file.
    WriteBytes(dir / "b.BAK", "older");
    EXPECT_FALSE(CopyFileExclusively(P("a.jpg"), P("b.BAK")));
    EXPECT_EQ(ReadBytes(dir / "b.BAK"), "older");
    ASSERT_EQ(::mkfifo(P("x.png").c_str(), 0600), 0);
    EXPECT_FALSE(CopyFileExclusively(P("x.png"), P("x.png.BAK")));
    EXPECT_FALSE(fs::exists(dir / "x.png.BAK"));
    // A disk too small for the copy: no half copy.
    testdisk::FileSizeLimit limit(1 << 20);
    EXPECT_FALSE(CopyFileExclusively(P("a.jpg"), P("c.BAK")));
    EXPECT_FALSE(fs::exists(dir / "c.BAK"));
}
