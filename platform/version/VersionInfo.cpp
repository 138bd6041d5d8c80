#include "platform/version/VersionInfo.h"

#include "platform/TextConv.h"

#include <cstdio>
#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

// Defined in the generated block; naming it here links the block into every program that reads
// its own version.
extern const char g_orvalisVersionBlock[];

namespace
{
constexpr char kSectionName[] = "orvalis_version";
constexpr std::string_view kMagic = "ORVALIS-VERSION-1";
// A version block is a few hundred bytes; anything much larger is not one.
constexpr std::uint64_t kMaxBlockBytes = 64 * 1024;

class File
{
public:
    explicit File(const std::string& name) : m_fd(::open(name.c_str(), O_RDONLY | O_CLOEXEC))
    {
        struct stat st;
        if (m_fd >= 0 && ::fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode)) m_size = std::uint64_t(st.st_size);
    }
    ~File()
    {
        if (m_fd >= 0) ::close(m_fd);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Reads exactly count bytes at offset; false when they are not all in the file.
    bool Read(std::uint64_t offset, void* out, std::uint64_t count) const
    {
        if (m_fd < 0 || offset > m_size || count > m_size - offset) return false;
        auto* p = static_cast<char*>(out);
        while (count > 0)
        {
            const ssize_t n = ::pread(m_fd, p, std::size_t(count), off_t(offset));
            if (n <= 0) return false;
            p += n;
            offset += std::uint64_t(n);
            count -= std::uint64_t(n);
        }
        return true;
    }

private:
    int m_fd;
    std::uint64_t m_size = 0;
};

// The bytes of the named section of a 64-bit little-endian ELF file; false when there is none.
bool ReadElfSection(const File& file, const char* wanted, std::string& out)
{
    Elf64_Ehdr eh;
    if (!file.Read(0, &eh, sizeof eh) || std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0 ||
        eh.e_ident[EI_CLASS] != ELFCLASS64 || eh.e_ident[EI_DATA] != ELFDATA2LSB ||
        eh.e_shentsize != sizeof(Elf64_Shdr) || eh.e_shoff == 0)
        return false;
    auto header = [&](std::uint64_t index, Elf64_Shdr& sh)
    { return file.Read(eh.e_shoff + index * sizeof(Elf64_Shdr), &sh, sizeof sh); };
    std::uint64_t count = eh.e_shnum;
    std::uint64_t names = eh.e_shstrndx;
    if (count == 0 || names == SHN_XINDEX)
    {
        // Extended numbering: the real values sit in section 0.
        Elf64_Shdr first;
        if (!header(0, first)) return false;
        if (count == 0) count = first.sh_size;
        if (names == SHN_XINDEX) names = first.sh_link;
    }
    Elf64_Shdr strtab;
    if (names >= count || !header(names, strtab) || strtab.sh_type == SHT_NOBITS) return false;
    const std::size_t wantedLength = std::strlen(wanted);
    for (std::uint64_t i = 0; i < count; ++i)
    {
        Elf64_Shdr sh;
        if (!header(i, sh)) return false;
        if (sh.sh_name >= strtab.sh_size || strtab.sh_size - sh.sh_name < wantedLength + 1) continue;
        char name[sizeof kSectionName];
        if (!file.Read(strtab.sh_offset + sh.sh_name, name, wantedLength + 1) ||
            std::memcmp(name, wanted, wantedLength + 1) != 0)
            continue;
        if (sh.sh_type == SHT_NOBITS || sh.sh_size > kMaxBlockBytes) return false;
        out.resize(std::size_t(sh.sh_size));
        return file.Read(sh.sh_offset, out.data(), sh.sh_size);
    }
    return false;
}
} // namespace

CVersionInfo::CVersionInfo()
{
    // Keeps the block of this program in the link.
    (void)*static_cast<const volatile char*>(g_orvalisVersionBlock);
    Load("/proc/self/exe");
}

CVersionInfo::CVersionInfo(const wchar_t* fileName)
{
    if (fileName) Load(PathToNative(fileName));
}

void CVersionInfo::Load(const std::string& fileName)
{
    const File file(fileName);
    std::string block;
    if (!ReadElfSection(file, kSectionName, block)) return;
    // "magic\0path=value\0...\0\0"; the block may be followed by padding.
    std::string_view rest(block);
    bool first = true;
    while (!rest.empty())
    {
        const std::size_t end = rest.find('\0');
        if (end == std::string_view::npos) return; // not ended: not a block of ours
        const std::string_view entry = rest.substr(0, end);
        rest.remove_prefix(end + 1);
        if (first)
        {
            if (entry != kMagic) return;
            first = false;
            continue;
        }
        if (entry.empty()) break;
        const std::size_t eq = entry.find('=');
        if (eq == std::string_view::npos) continue;
        m_block[Utf8ToWide(entry.substr(0, eq))] = Utf8ToWide(entry.substr(eq + 1));
    }

    // The first translation: language then code page, four hexadecimal digits each.
    const auto it = m_block.find(L"\\VarFileInfo\\Translation");
    if (it == m_block.end() || it->second.size() < 8) return;
    unsigned pair = 0;
    for (int i = 0; i < 8; ++i)
    {
        const wchar_t c = it->second[std::size_t(i)];
        int d;
        if (c >= L'0' && c <= L'9')
            d = c - L'0';
        else if (c >= L'a' && c <= L'f')
            d = c - L'a' + 10;
        else if (c >= L'A' && c <= L'F')
            d = c - L'A' + 10;
        else
            return;
        pair = pair * 16 + unsigned(d);
    }
    const unsigned language = pair >> 16, codePage = pair & 0xFFFF;
    char prefix[40];
    std::snprintf(prefix, sizeof prefix, "\\StringFileInfo\\%04x%04x", language, codePage);
    m_prefix = Utf8ToWide(prefix);
}

const wchar_t* CVersionInfo::QueryValue(const wchar_t* name) const
{
    if (m_prefix.empty() || !name) return L"";
    const auto it = m_block.find(m_prefix + L"\\" + name);
    return it == m_block.end() ? L"" : it->second.c_str();
}
