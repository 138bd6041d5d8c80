#include "document/DocHost.h"

#include "platform/TextConv.h"
#include "platform/version/FileExists.h"
#include "platform/version/VersionInfo.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::unique_ptr<FCImageEffect> CDocHost::RunEffectDialog(CImageDoc&, int)
{
    return nullptr;
}

bool CDocHost::HasEffectDialog(int) const
{
    return false;
}

bool CDocHost::HasToolView(int) const
{
    return false;
}

bool CDocFiles::Exists(const std::wstring& path)
{
    return FileExists(path.c_str());
}

bool CDocFiles::Remove(const std::wstring& path)
{
    return ::unlink(WideToUtf8(path).c_str()) == 0;
}

bool CDocFiles::Move(const std::wstring& from, const std::wstring& to)
{
    // Never replaces what is there.
    const std::string source = WideToUtf8(from), target = WideToUtf8(to);
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system that cannot refuse by itself.
    struct stat st;
    if (::lstat(target.c_str(), &st) == 0) return false;
    return std::rename(source.c_str(), target.c_str()) == 0;
}

bool CDocFiles::Stat(const std::wstring& path, std::uint64_t& size, std::int64_t& lastWrite)
{
    struct stat st;
    if (path.empty() || ::stat(WideToUtf8(path).c_str(), &st) != 0) return false;
    size = std::uint64_t(st.st_size);
    lastWrite = std::int64_t(st.st_mtime);
    return true;
}

std::tm CDocHost::LocalTime()
{
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    return t;
}

VersionStrings CDocHost::ProgramVersion()
{
    const CVersionInfo info;
    return {info.QueryValue(L"FileDescription"), info.QueryValue(L"FileVersion"),
            info.QueryValue(L"LegalCopyright")};
}

CDocFiles& CDocHost::Files()
{
    static CDocFiles files;
    return files;
}
