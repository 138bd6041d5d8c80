// The version block embedded by the build, read back from executables, and FileExists.
#include "platform/TextConv.h"
#include "platform/version/FileExists.h"
#include "platform/version/VersionConfig.h"
#include "platform/version/VersionInfo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <elf.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
// A minimal 64-bit ELF file: a null section, the section names and one named section.
std::string MakeElf(const std::string& sectionName, const std::string& contents,
                    std::uint64_t claimedSize = 0)
{
    const std::string names = std::string("\0.shstrtab\0", 11) + sectionName + '\0';
    Elf64_Ehdr eh{};
    std::memcpy(eh.e_ident, ELFMAG, SELFMAG);
    eh.e_ident[EI_CLASS] = ELFCLASS64;
    eh.e_ident[EI_DATA] = ELFDATA2LSB;
    eh.e_ident[EI_VERSION] = EV_CURRENT;
    eh.e_type = ET_EXEC;
    eh.e_machine = EM_X86_64;
    eh.e_version = EV_CURRENT;
    eh.e_ehsize = sizeof(Elf64_Ehdr);
    eh.e_shentsize = sizeof(Elf64_Shdr);
    eh.e_shnum = 3;
    eh.e_shstrndx = 1;
    const std::uint64_t namesAt = sizeof(Elf64_Ehdr);
    const std::uint64_t dataAt = namesAt + names.size();
    eh.e_shoff = dataAt + contents.size();
    Elf64_Shdr sh[3]{};
    sh[1].sh_name = 1;
    sh[1].sh_type = SHT_STRTAB;
    sh[1].sh_offset = namesAt;
    sh[1].sh_size = names.size();
    sh[2].sh_name = 11;
    sh[2].sh_type = SHT_PROGBITS;
    sh[2].sh_offset = dataAt;
    sh[2].sh_size = claimedSize ? claimedSize : contents.size();
    std::string out(reinterpret_cast<const char*>(&eh), sizeof eh);
    out += names + contents;
    out.append(reinterpret_cast<const char*>(sh), sizeof sh);
    return out;
}

std::wstring Wide(const char* utf8)
{
    return Utf8ToWide(utf8);
}

class VersionFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("orvalis-version-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::wstring Write(const char* name, const std::string& bytes)
    {
        const fs::path p = m_dir / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return Utf8ToWide(p.string());
    }

    fs::path m_dir;
};
} // namespace

TEST(VersionInfo, TheRunningProgramHasTheBuildStrings)
{
    const CVersionInfo info;
    EXPECT_EQ(info.QueryValue(L"FileDescription"), Wide(ORVALIS_FILE_DESCRIPTION));
    EXPECT_EQ(info.QueryValue(L"FileVersion"), Wide(ORVALIS_FILE_VERSION));
    EXPECT_EQ(info.QueryValue(L"LegalCopyright"), Wide(ORVALIS_LEGAL_COPYRIGHT));
    EXPECT_STRNE(info.QueryValue(L"FileVersion"), L"");
    EXPECT_STREQ(info.QueryValue(L"ProductName"), L"");
    EXPECT_STREQ(info.QueryValue(nullptr), L"");

    // The same block read from the file by name.
    const CVersionInfo byName(Utf8ToWide(fs::read_symlink("/proc/self/exe").string()).c_str());
    EXPECT_EQ(byName.QueryValue(L"FileVersion"), Wide(ORVALIS_FILE_VERSION));
}

TEST_F(VersionFiles, FilesWithoutABlockAnswerEmptyStrings)
{
    const std::string block = std::string("ORVALIS-VERSION-1\0", 18) +
                              std::string("\\VarFileInfo\\Translation=040c04b0\0", 34) +
                              std::string("\\StringFileInfo\\040c04b0\\FileVersion=9.9\0\0", 42);
    const std::wstring files[] = {
        L"/bin/true",                           // an executable of somebody else
        Write("text.txt", "FileVersion=1.0\n"), // not an executable
        Write("empty", ""),                     // nothing at all
        m_dir.wstring() + L"/missing",          // no file
        m_dir.wstring(),                        // a folder
        Write("other.elf", MakeElf("other_section", block)),
        Write("bad-magic.elf", MakeElf("orvalis_version", "NOT-A-BLOCK" + block.substr(17))),
        Write("no-translation.elf",
              MakeElf("orvalis_version",
                      std::string("ORVALIS-VERSION-1\0", 18) +
                          std::string("\\StringFileInfo\\040c04b0\\FileVersion=9.9\0\0", 42))),
        Write("truncated.elf", MakeElf("orvalis_version", block, 1 << 20)), // claims more than the file has
        Write("unended.elf", MakeElf("orvalis_version", block.substr(0, block.size() - 2))),
    };
    for (const std::wstring& f : files)
    {
        const CVersionInfo info(f.c_str());
        for (const wchar_t* name : {L"FileDescription", L"FileVersion", L"LegalCopyright"})
            EXPECT_STREQ(info.QueryValue(name), L"") << WideToUtf8(f);
    }
    EXPECT_STREQ(CVersionInfo(nullptr).QueryValue(L"FileVersion"), L"");
}

TEST_F(VersionFiles, ValuesAreTakenUnderTheFirstTranslation)
{
    // Upper-case digits in the translation are looked up in lower case, as the prefix is built.
    const std::string block =
        std::string("ORVALIS-VERSION-1\0", 18) + std::string("\\VarFileInfo\\Translation=0409ABCD\0", 34) +
        std::string("\\StringFileInfo\\040c04b0\\FileVersion=wrong\0", 43) +
        std::string("\\StringFileInfo\\0409abcd\\FileVersion=1.2.3\0", 43) +
        "\\StringFileInfo\\0409abcd\\LegalCopyright=\xc2\xa9 Moi" + std::string("\0\0", 2);
    const std::wstring file = Write("ours.elf", MakeElf("orvalis_version", block));
    const CVersionInfo info(file.c_str());
    EXPECT_STREQ(info.QueryValue(L"FileVersion"), L"1.2.3");
    EXPECT_STREQ(info.QueryValue(L"LegalCopyright"), L"© Moi");
    EXPECT_STREQ(info.QueryValue(L"FileDescription"), L"");
}

TEST_F(VersionFiles, FileExistsOnlyForEntriesThatAreNotFolders)
{
    EXPECT_TRUE(FileExists(Write("a.png", "x").c_str()));
    EXPECT_FALSE(FileExists(m_dir.wstring().c_str()));
    EXPECT_FALSE(FileExists((m_dir.wstring() + L"/missing.png").c_str()));
    EXPECT_FALSE(FileExists(L""));
    EXPECT_FALSE(FileExists(nullptr));
    EXPECT_TRUE(FileExists(Write("été.png", "x").c_str()));
}
