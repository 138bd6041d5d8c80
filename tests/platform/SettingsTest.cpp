// The settings store and the option accessors over it, in a temporary configuration folder.
#include "platform/settings/Settings.h"
#include "platform/TextConv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
std::string Dword(DWORD v)
{
    return std::string(reinterpret_cast<const char*>(&v), 4);
}

std::string ReadFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class Settings : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("orvalis-settings-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) m_oldXdg = old, m_hadXdg = true;
        ::setenv("XDG_CONFIG_HOME", m_dir.c_str(), 1);
        SetProcessorCountForTesting(0);
    }
    void TearDown() override
    {
        SetProcessorCountForTesting(0);
        if (m_hadXdg)
            ::setenv("XDG_CONFIG_HOME", m_oldXdg.c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
        fs::remove_all(m_dir);
    }

    fs::path File() const { return m_dir / "orvalis5" / "settings.reg"; }

    // Writes a raw value of any type and size into the options key.
    void Raw(const wchar_t* name, DWORD type, const std::string& data)
    {
        SettingsKey key;
        ASSERT_EQ(key.Open(GetSettingsFile(), GetSettingsKeyPath(), true), ERROR_SUCCESS);
        ASSERT_EQ(key.SetValue(name, type, data), ERROR_SUCCESS);
    }
    bool Query(const wchar_t* name, SettingsValue& out)
    {
        SettingsKey key;
        return key.Open(GetSettingsFile(), GetSettingsKeyPath(), false) == ERROR_SUCCESS &&
               key.QueryValue(name, out, 1 << 20) == ERROR_SUCCESS;
    }

    fs::path m_dir;
    std::string m_oldXdg;
    bool m_hadXdg = false;
};
} // namespace

TEST_F(Settings, DefaultsWithNothingStoredAndNoFileWritten)
{
    EXPECT_EQ(GetSettingsFile(), File().string());
    EXPECT_EQ(GetJpegQuality(), 90);
    EXPECT_EQ(GetNbThreads(), 1);
    EXPECT_EQ(GetExifWriteDate(), 1);
    EXPECT_EQ(GetExifWriteSoftware(), 1);
    EXPECT_EQ(GetPrintMiseALEchelle(), 1);
    EXPECT_EQ(GetSplashTimer(), 5000);
    EXPECT_EQ(GetTwainMemoryTransfert(), 0);
    EXPECT_EQ(GetLastDirectorySetting(), L"");
    EXPECT_FALSE(fs::exists(m_dir / "orvalis5"));
}

TEST_F(Settings, DwordValuesOfTheWrongTypeOrSizeReadAsTheirDefault)
{
    struct Case
    {
        DWORD type;
        std::string data;
        int expected;
    };
    const Case cases[] = {
        {REG_DWORD, Dword(75), 75},
        {REG_DWORD, Dword(12), 12}, // written by another tool: read as stored
        {REG_SZ, ToRegString(L"75"), 90},
        {REG_BINARY, Dword(75), 90},
        {REG_DWORD, Dword(75) + Dword(0), 90},
        {REG_DWORD, std::string("\x4b\x00", 2), 90},
        {REG_DWORD, std::string(), 90},
    };
    for (const Case& c : cases)
    {
        Raw(L"JpegQuality", c.type, c.data);
        EXPECT_EQ(GetJpegQuality(), c.expected) << "type " << c.type << ", " << c.data.size() << " bytes";
    }
}

TEST_F(Settings, NbThreadsIsAtLeastOneAndAtMostTheProcessors)
{
    SetProcessorCountForTesting(4);
    const std::pair<DWORD, int> cases[] = {{0, 1}, {0xFFFFFFFF, 1}, {0x80000000, 1}, {3, 3}, {4, 4}, {64, 4}};
    for (const auto& [stored, expected] : cases)
    {
        Raw(L"NbThreads", REG_DWORD, Dword(stored));
        EXPECT_EQ(GetNbThreads(), expected) << stored;
    }
}

TEST_F(Settings, SettersStoreFourByteDwords)
{
    const std::pair<int, DWORD> jpeg[] = {{0, 90},  {12, 30},   {250, 100}, {-5, 30},
                                          {30, 30}, {100, 100}, {75, 75}};
    for (const auto& [given, stored] : jpeg)
    {
        SetJpegQuality(given);
        SettingsValue v;
        ASSERT_TRUE(Query(L"JpegQuality", v));
        EXPECT_EQ(v.type, REG_DWORD);
        EXPECT_EQ(v.data, Dword(stored)) << given;
    }
    SetNbThreads(-1);
    SetExifWriteDate(-1); // the configuration dialog stores ticked boxes as -1
    SetExifWriteSoftware(0);
    SetPrintMiseALEchelle(0);
    SetTwainMemoryTransfert(1);
    EXPECT_EQ(GetNbThreads(), 1);
    EXPECT_EQ(GetExifWriteDate(), -1);
    EXPECT_EQ(GetExifWriteSoftware(), 0);
    EXPECT_EQ(GetPrintMiseALEchelle(), 0);
    EXPECT_EQ(GetTwainMemoryTransfert(), 1);
}

TEST_F(Settings, LastDirectoryAcceptsOnlyWellFormedStrings)
{
    const std::wstring def = L"<default>";
    std::string oddLength = ToRegString(L"/tmp");
    oddLength.pop_back();
    std::string noNull = ToRegString(L"/tmp");
    noNull.resize(noNull.size() - 2);
    const std::string embedded("/\0a\0\0\0/\0b\0\0\0", 12);
    struct Case
    {
        DWORD type;
        std::string data;
        std::wstring expected;
    };
    const Case cases[] = {
        {REG_SZ, ToRegString(L"/home/u/images"), L"/home/u/images"},
        {REG_SZ, ToRegString(L"/home/u/été"), L"/home/u/été"},
        {REG_EXPAND_SZ, ToRegString(L"$HOME/x"), L"$HOME/x"}, // not expanded
        {REG_SZ, std::string(), L""},
        {REG_SZ, oddLength, def},
        {REG_SZ, noNull, def},
        {REG_SZ, embedded, L"/a"}, // the text up to its first null
        {REG_DWORD, Dword(1), def},
        {REG_BINARY, ToRegString(L"/tmp"), def},
        {REG_SZ, ToRegString(std::wstring(4095, L'a')), std::wstring(4095, L'a')}, // 8192 bytes
        {REG_SZ, ToRegString(std::wstring(4096, L'a')), def},                      // 8194 bytes
    };
    for (const Case& c : cases)
    {
        Raw(L"LastDirectory", c.type, c.data);
        EXPECT_EQ(ReadLastDirectory(def), c.expected)
            << "type " << c.type << ", " << c.data.size() << " bytes";
    }
}

TEST_F(Settings, SetLastDirectoryWritesTheTextUpToItsFirstNull)
{
    SetLastDirectorySetting(L"ab");
    SettingsValue v;
    ASSERT_TRUE(Query(L"LastDirectory", v));
    EXPECT_EQ(v.type, REG_SZ);
    EXPECT_EQ(v.data, std::string("a\0b\0\0\0", 6));

    const wchar_t withNull[] = L"x\0y";
    SetLastDirectorySetting(withNull);
    ASSERT_TRUE(Query(L"LastDirectory", v));
    EXPECT_EQ(v.data, std::string("x\0\0\0", 4));

    SetLastDirectorySetting(nullptr);
    ASSERT_TRUE(Query(L"LastDirectory", v));
    EXPECT_EQ(v.data, std::string("x\0\0\0", 4));
    EXPECT_EQ(GetLastDirectorySetting(), L"x");
}

TEST_F(Settings, EveryGetterReadsTheFileAgain)
{
    EXPECT_EQ(GetJpegQuality(), 90);
    Raw(L"JpegQuality", REG_DWORD, Dword(40));
    EXPECT_EQ(GetJpegQuality(), 40);
    // Changed by hand, as another program would.
    std::string text = ReadFile(File());
    const std::size_t at = text.find("dword:00000028");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 14, "dword:00000041");
    std::ofstream(File(), std::ios::binary | std::ios::trunc) << text;
    EXPECT_EQ(GetJpegQuality(), 65);
}

// A damaged file reads as defaults and stays as it is while nothing is written; the first write
// moves it aside under a name that says so, and from then on changes persist.
TEST_F(Settings, ADamagedFileIsKeptAsideAndChangesPersist)
{
    SetJpegQuality(50);
    const std::string damaged = ReadFile(File()) + "this line means nothing\n";
    std::ofstream(File(), std::ios::binary | std::ios::trunc) << damaged;
    EXPECT_EQ(GetJpegQuality(), 90);
    EXPECT_EQ(GetLastDirectorySetting(), L"");
    EXPECT_EQ(ReadFile(File()), damaged);

    SetJpegQuality(60);
    SetLastDirectorySetting(L"/x");
    EXPECT_EQ(GetJpegQuality(), 60);
    EXPECT_EQ(GetLastDirectorySetting(), L"/x");
    std::vector<fs::path> aside;
    for (const auto& e : fs::directory_iterator(File().parent_path()))
        if (e.path().filename().string().starts_with("settings.reg.endommage-")) aside.push_back(e.path());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(ReadFile(aside[0]), damaged);

    // Damaged again: a second file aside, the first one stays.
    std::ofstream(File(), std::ios::binary | std::ios::trunc) << "[not closed\n";
    SetJpegQuality(70);
    EXPECT_EQ(GetJpegQuality(), 70);
    int count = 0;
    for (const auto& e : fs::directory_iterator(File().parent_path()))
        count += e.path().filename().string().starts_with("settings.reg.endommage-");
    EXPECT_EQ(count, 2);
    EXPECT_EQ(ReadFile(aside[0]), damaged);
}

// A settings file in the user's dotfiles, reached through a link: written where the link points.
TEST_F(Settings, ALinkedSettingsFileIsWrittenThroughTheLink)
{
    fs::create_directories(File().parent_path());
    fs::create_directories(m_dir / "dotfiles");
    fs::create_symlink(m_dir / "dotfiles" / "orvalis.reg", File());
    SetJpegQuality(55);
    SetNbThreads(1);
    EXPECT_TRUE(fs::is_symlink(File()));
    EXPECT_NE(ReadFile(m_dir / "dotfiles" / "orvalis.reg").find("\"JpegQuality\"=dword:00000037"),
              std::string::npos);
    EXPECT_EQ(GetJpegQuality(), 55);
    // Damaged there: moved aside there, the link kept.
    std::ofstream(m_dir / "dotfiles" / "orvalis.reg", std::ios::binary | std::ios::trunc) << "garbage\n";
    SetJpegQuality(65);
    EXPECT_TRUE(fs::is_symlink(File()));
    EXPECT_EQ(GetJpegQuality(), 65);
    int aside = 0;
    for (const auto& e : fs::directory_iterator(m_dir / "dotfiles"))
        aside += e.path().filename().string().starts_with("orvalis.reg.endommage-");
    EXPECT_EQ(aside, 1);
}

// A FIFO in place of the settings file: the program starts (nothing waits on it), reads its
// defaults, and leaves the FIFO alone.
TEST_F(Settings, AFifoInPlaceOfTheFileNeverBlocks)
{
    fs::create_directories(File().parent_path());
    ASSERT_EQ(::mkfifo(File().c_str(), 0600), 0);
    auto reads = std::async(std::launch::async,
                            []
                            {
                                SetJpegQuality(50);
                                return GetJpegQuality() + GetNbThreads() * 1000;
                            });
    if (reads.wait_for(std::chrono::seconds(10)) != std::future_status::ready)
    {
        for (int i = 0; i < 4; ++i)
            if (const int fd = ::open(File().c_str(), O_WRONLY | O_NONBLOCK); fd >= 0) ::close(fd);
        FAIL() << "the settings store waited on a FIFO";
    }
    EXPECT_EQ(reads.get(), 90 + 1000);
    EXPECT_TRUE(fs::is_fifo(File()));
}

// The file is parsed again only when it changed: many reads of a settled file cost one parse,
// and a change by another program is seen at once.
TEST_F(Settings, TheFileIsParsedAgainOnlyWhenItChanged)
{
    SetJpegQuality(40);
    // As if written a while ago.
    const timespec old[2] = {{::time(nullptr) - 60, 0}, {::time(nullptr) - 60, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, File().c_str(), old, 0), 0);
    EXPECT_EQ(GetJpegQuality(), 40);
    const std::uint64_t parses = SettingsFileParses();
    for (int i = 0; i < 50; ++i)
    {
        EXPECT_EQ(GetJpegQuality(), 40);
        EXPECT_EQ(GetNbThreads(), 1);
    }
    EXPECT_EQ(SettingsFileParses(), parses);

    // Another program rewrites the file in place, with a value of the same length.
    std::string text = ReadFile(File());
    const std::size_t at = text.find("dword:00000028");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 14, "dword:00000041");
    std::ofstream(File(), std::ios::binary | std::ios::trunc) << text;
    EXPECT_EQ(GetJpegQuality(), 65);
    EXPECT_GT(SettingsFileParses(), parses);
}

TEST_F(Settings, AStoreThatCannotBeOpenedGivesDefaultsAndIgnoresWrites)
{
    fs::create_directories(File()); // the settings file is a directory
    EXPECT_EQ(GetJpegQuality(), 90);
    SetJpegQuality(50);
    EXPECT_EQ(GetJpegQuality(), 90);
    EXPECT_TRUE(fs::is_directory(File()));
    SettingsKey key;
    EXPECT_FALSE(OpenSettingsKey(key));
}

TEST_F(Settings, KeysAndValuesKeepTheirTypesAndBytesThroughTheFile)
{
    const std::string path = GetSettingsFile();
    struct Value
    {
        std::wstring name;
        DWORD type;
        std::string data;
    };
    const Value values[] = {
        {L"Dword", REG_DWORD, Dword(0xDEADBEEF)},
        {L"Text", REG_SZ, ToRegString(L"C'est \"été\" \\ à 100 %\tfin")},
        {L"Expand", REG_EXPAND_SZ, ToRegString(L"$HOME/x")},
        {L"Odd", REG_SZ, std::string("\x2f\x00\x61", 3)},
        {L"Binary", REG_BINARY, std::string("\0\xff\x10", 3)},
        {L"Empty", REG_SZ, std::string()},
        {L"Short dword", REG_DWORD, std::string("\x01\x02", 2)},
        {L"Type 7", 7, ToRegString(L"a")},
        {L"Name with \"quotes\", \\ and\nnewline", REG_DWORD, Dword(1)},
        {L"Ünïcödé €", REG_SZ, ToRegString(L"😀")},
    };
    {
        SettingsKey key;
        ASSERT_EQ(key.Open(path, L"Software\\Test\\Sub Key", true), ERROR_SUCCESS);
        for (const Value& v : values)
            ASSERT_EQ(key.SetValue(v.name, v.type, v.data), ERROR_SUCCESS);
    }
    SettingsKey key;
    ASSERT_EQ(key.Open(path, L"software\\TEST\\sub key", false), ERROR_SUCCESS); // letters' case is ignored
    for (const Value& v : values)
    {
        SettingsValue out;
        ASSERT_EQ(key.QueryValue(v.name, out, 1024), ERROR_SUCCESS);
        EXPECT_EQ(out.type, v.type);
        EXPECT_EQ(out.data, v.data);
    }
    SettingsValue out;
    EXPECT_EQ(key.QueryValue(L"dword", out, 3), ERROR_MORE_DATA);
    EXPECT_EQ(key.QueryValue(L"Missing", out, 8), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key.DeleteValue(L"Dword"), ERROR_SUCCESS);
    EXPECT_EQ(key.QueryValue(L"Dword", out, 8), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key.DeleteValue(L"Dword"), ERROR_FILE_NOT_FOUND);

    SettingsKey missing;
    EXPECT_EQ(missing.Open(path, L"Software\\Test\\Nothing", false), ERROR_FILE_NOT_FOUND);

    // The text form is readable as written.
    const std::string text = ReadFile(path);
    EXPECT_NE(text.find("[Software\\Test\\Sub Key]"), std::string::npos);
    EXPECT_NE(text.find("\"Expand\"=expand:\"$HOME/x\""), std::string::npos);
    EXPECT_NE(text.find("\"Odd\"=hex(1):2f,00,61"), std::string::npos);
}

TEST_F(Settings, HandWrittenFilesAreReadAndBadOnesRefused)
{
    fs::create_directories(File().parent_path());
    const std::string good = "; comment\r\n\r\n[Software\\Norbec\\Orvalis5]\r\n"
                             "  \"JpegQuality\"=dword:0000004B  \r\n"
                             "\"LastDirectory\"=\"/home/u/d\\x01\"\n"
                             "[Software\\Norbec\\Orvalis5\\Recent Document List]\n"
                             "\"Document1\"=hex(1):61,00,00,00\n";
    std::ofstream(File(), std::ios::binary) << good;
    EXPECT_EQ(GetJpegQuality(), 75);
    EXPECT_EQ(GetLastDirectorySetting(), L"/home/u/d\x01");

    const char* bad[] = {
        "\"JpegQuality\"=dword:0000004b\n",                                  // a value before any key
        "[Software\\Norbec\\Orvalis5]\n\"JpegQuality\"=dword:4b\n",          // too few digits
        "[Software\\Norbec\\Orvalis5]\n\"JpegQuality\"=dword:0000004g\n",    // not hexadecimal
        "[Software\\Norbec\\Orvalis5]\n\"JpegQuality\"=hex(4):4b,00,00,0\n", // a half byte
        "[Software\\Norbec\\Orvalis5]\n\"JpegQuality\"=\"unterminated\n",    // no closing quote
        "[Software\\Norbec\\Orvalis5]\n\"X\"=\"a\\x00b\"\n",                 // a null inside a text
        "[Software\\Norbec\\Orvalis5]\n\"X\"=\"\xff\xfe\"\n",                // not UTF-8
        "[Software\\Norbec\\Orvalis5\n\"JpegQuality\"=dword:0000004b\n",     // no closing bracket
        "[Software\\Norbec\\Orvalis5]\nJpegQuality=dword:0000004b\n",        // unquoted name
    };
    for (const char* text : bad)
    {
        std::ofstream(File(), std::ios::binary | std::ios::trunc) << text;
        EXPECT_EQ(GetJpegQuality(), 90) << text;
    }
}

TEST_F(Settings, WritersOfTwoProgramsLoseNothing)
{
    // Each writer opens the key for itself, as another running program would.
    auto writer = [](int id)
    {
        for (int i = 0; i < 40; ++i)
        {
            SettingsKey key;
            if (key.Open(GetSettingsFile(), GetSettingsKeyPath(), true) != ERROR_SUCCESS) return;
            const std::wstring name = L"W" + std::to_wstring(id) + L"_" + std::to_wstring(i);
            key.SetValue(name, REG_DWORD, Dword(DWORD(i)));
        }
    };
    std::thread a(writer, 1), b(writer, 2);
    a.join();
    b.join();
    SettingsKey key;
    ASSERT_EQ(key.Open(GetSettingsFile(), GetSettingsKeyPath(), false), ERROR_SUCCESS);
    for (int id : {1, 2})
        for (int i = 0; i < 40; ++i)
        {
            SettingsValue v;
            EXPECT_EQ(key.QueryValue(L"W" + std::to_wstring(id) + L"_" + std::to_wstring(i), v, 4),
                      ERROR_SUCCESS);
        }
    // No temporary file is left beside the settings.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(File().parent_path()))
    {
        const std::string name = entry.path().filename().string();
        files += name != "settings.reg" && name != "settings.reg.lock";
    }
    EXPECT_EQ(files, 0);
}

TEST_F(Settings, TheFileLivesInTheConfigurationFolder)
{
    ::setenv("XDG_CONFIG_HOME", "relative/path", 1); // ignored: not absolute
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
    {
        EXPECT_EQ(DefaultSettingsFile(), std::string(home) + "/.config/orvalis5/settings.reg");
    }
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(DefaultSettingsFile(), "/cfg/orvalis5/settings.reg");
}

// A folder whose name is not UTF-8 (its bytes kept in the wide path) comes back byte for byte.
TEST_F(Settings, PathsOfAnyBytesComeBackAsTheyWent)
{
    const std::wstring folder = NativeToPath("/home/u/caf\xE9 \xC3\xA9t\xC3\xA9");
    SetLastDirectorySetting(folder.c_str());
    EXPECT_EQ(GetLastDirectorySetting(), folder);
    EXPECT_EQ(PathToNative(GetLastDirectorySetting()), "/home/u/caf\xE9 \xC3\xA9t\xC3\xA9");
    EXPECT_EQ(FromUtf16Le(ToRegString(folder)), folder + L'\0');
    // The file stays readable text; the kept byte is written in hex.
    EXPECT_NE(ReadFile(File()).find("\"LastDirectory\"=hex(1):"), std::string::npos);
}
