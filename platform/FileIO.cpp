#include "platform/FileIO.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
constexpr int kMaxLinkHops = 40;
// The part of the target's name kept in a temporary name, and the longest extension kept.
constexpr std::size_t kStemBytes = 40;
constexpr std::size_t kExtensionBytes = 32;

template <class Buffer> FileReadStatus ReadInto(const std::string& path, std::uint64_t maxBytes, Buffer& out)
{
    out.clear();
    if (path.empty()) return FileReadStatus::Missing;
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer. It changes
    // nothing for a regular file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
    {
        if (errno == ENOENT || errno == ENOTDIR) return FileReadStatus::Missing;
        if (errno == EACCES || errno == EPERM) return FileReadStatus::Denied;
        if (errno == ENXIO || errno == EISDIR) return FileReadStatus::NotRegular;
        return FileReadStatus::Failed;
    }
    struct stat st;
    FileReadStatus status = FileReadStatus::Ok;
    if (::fstat(fd, &st) != 0)
        status = FileReadStatus::Failed;
    else if (!S_ISREG(st.st_mode))
        status = FileReadStatus::NotRegular;
    else if (st.st_size < 0 || std::uint64_t(st.st_size) > maxBytes)
        status = FileReadStatus::TooLarge;
    if (status == FileReadStatus::Ok)
    {
        try
        {
            out.resize(std::size_t(st.st_size));
        }
        catch (...)
        {
            status = FileReadStatus::Failed;
        }
    }
    std::size_t done = 0;
    while (status == FileReadStatus::Ok && done < out.size())
    {
        const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) status = FileReadStatus::Failed;
        if (n <= 0) break;
        done += std::size_t(n);
    }
    ::close(fd);
    if (status != FileReadStatus::Ok)
    {
        out.clear();
        return status;
    }
    out.resize(done); // the file shrank while it was read
    return FileReadStatus::Ok;
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// The length of the longest prefix of s of at most n bytes that does not cut a UTF-8 sequence.
std::size_t CutAtCharacter(const std::string& s, std::size_t n)
{
    if (s.size() <= n) return s.size();
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80)
        --n;
    return n;
}

std::string RandomTag()
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static std::atomic<unsigned> counter{0};
    unsigned char bytes[6];
    if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != ssize_t(sizeof bytes))
    {
        // No random bytes to be had: the clock, the process and a counter still make a name
        // that no other save uses now (creation is exclusive in any case).
        std::uint64_t seed = std::uint64_t(std::time(nullptr)) * 6364136223846793005u +
                             std::uint64_t(::getpid()) * 1442695040888963407u + counter.fetch_add(1);
        for (unsigned char& b : bytes)
        {
            seed ^= seed >> 29;
            seed *= 0xBF58476D1CE4E5B9u;
            b = static_cast<unsigned char>(seed >> 56);
        }
    }
    std::string tag;
    for (unsigned char b : bytes)
        tag += kLetters[b % (sizeof kLetters - 1)];
    return tag;
}

bool WriteAll(int fd, const void* data, std::size_t size)
{
    const auto* p = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (done < size)
    {
        const ssize_t n = ::write(fd, p + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
        {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        done += std::size_t(n);
    }
    return true;
}
} // namespace

FileReadStatus ReadRegularFile(const std::string& path, std::uint64_t maxBytes,
                               std::vector<unsigned char>& out)
{
    return ReadInto(path, maxBytes, out);
}

FileReadStatus ReadRegularFile(const std::string& path, std::uint64_t maxBytes, std::string& out)
{
    return ReadInto(path, maxBytes, out);
}

std::string ResolveSaveTarget(const std::string& path)
{
    std::string current = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop)
    {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::vector<char> buf(std::size_t(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
        const ssize_t n = ::readlink(current.c_str(), buf.data(), buf.size());
        if (n <= 0 || std::size_t(n) >= buf.size()) return current;
        const std::string target(buf.data(), std::size_t(n));
        current = target[0] == '/' ? target : FolderOf(current) + "/" + target;
    }
    return current; // a loop of links: the write fails on it like the system's own calls would
}

FileKind KindOfFile(const std::string& path)
{
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return FileKind::Missing;
    return S_ISREG(st.st_mode) ? FileKind::Regular : FileKind::Other;
}

int CreateTemporaryBeside(const std::string& target, bool keepExtension, std::string& name)
{
    const std::size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::size_t dot = base.find_last_of('.');
    std::string stem = dot == std::string::npos ? base : base.substr(0, dot);
    std::string extension = dot == std::string::npos ? std::string() : base.substr(dot);
    stem.resize(CutAtCharacter(stem, kStemBytes));
    if (!keepExtension || extension.size() > kExtensionBytes + 1) extension.clear();
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        name = folder + stem + "~orvalis-" + RandomTag() + extension;
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0) return fd;
        if (errno != EEXIST) break;
    }
    name.clear();
    return -1;
}

bool CopyFileAttributes(const std::string& from, int fd)
{
    struct stat st;
    if (::stat(from.c_str(), &st) != 0) return false;
    // Only a privileged user can give the file to another owner; any user
    // can give it one of their own groups.
    if (::fchown(fd, st.st_uid, st.st_gid) != 0) (void)!::fchown(fd, uid_t(-1), st.st_gid);
    // The permission bits only: a set-user bit has no business on a picture written anew.
    return ::fchmod(fd, st.st_mode & 0777) == 0;
}

bool CopyFileAttributes(const std::string& from, const std::string& to)
{
    const int fd = ::open(to.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    const bool ok = CopyFileAttributes(from, fd);
    ::close(fd);
    return ok;
}

bool CopyFileExclusively(const std::string& source, const std::string& target)
{
    const int in = ::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (in < 0) return false;
    struct stat st;
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode))
    {
        ::close(in);
        return false;
    }
    const int out =
        ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, st.st_mode & 0777);
    if (out < 0)
    {
        ::close(in);
        return false;
    }
    std::vector<unsigned char> buffer(std::size_t(1) << 20);
    bool ok = true;
    for (;;)
    {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
        {
            ok = n == 0;
            break;
        }
        if (!WriteAll(out, buffer.data(), std::size_t(n)))
        {
            ok = false;
            break;
        }
    }
    ok = ok && ::fchmod(out, st.st_mode & 0777) == 0 && ::fsync(out) == 0;
    ok = ::close(out) == 0 && ok;
    ::close(in);
    if (!ok) ::unlink(target.c_str());
    return ok;
}

void FlushFolderOf(const std::string& path)
{
    const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

bool WriteFileAtomically(const std::string& path, const void* data, std::size_t size)
{
    if (path.empty() || (size > 0 && !data)) return false;
    const std::string target = ResolveSaveTarget(path);
    const FileKind kind = KindOfFile(target);
    if (kind == FileKind::Other)
    {
        errno = EEXIST;
        return false;
    }
    std::string temp;
    const int fd = CreateTemporaryBeside(target, false, temp);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, data, size);
    if (ok && kind == FileKind::Regular) ok = CopyFileAttributes(target, fd);
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(temp.c_str(), target.c_str()) == 0)
    {
        FlushFolderOf(target);
        return true;
    }
    const int saved = errno;
    ::unlink(temp.c_str());
    errno = saved;
    return false;
}
