// Disks that fail the way users' disks do, for the tests of saving: a small file system that
// fills up (or that is mounted read-only), where the test process may mount one; otherwise a
// limit on the size of the files the process writes, which fails writes the same way (the
// system refuses the bytes past it).
#pragma once

#include <csignal>
#include <filesystem>
#include <string>

#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>

namespace testdisk
{
// A tmpfs of `bytes` bytes mounted on folder, in a mount namespace of this process's own (so
// that nothing is left mounted whatever happens to the test). Needs the right to mount, which
// tests running as root in CI have; Mount answers false elsewhere.
class SmallDisk
{
public:
    bool Mount(const std::filesystem::path& folder, std::size_t bytes, bool readOnly = false)
    {
        static const bool privateNamespace =
            ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        if (!privateNamespace) return false;
        std::filesystem::create_directories(folder);
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
        if (::mount("tmpfs", folder.c_str(), "tmpfs", readOnly ? MS_RDONLY : 0, options.c_str()) != 0)
            return false;
        m_folder = folder;
        return true;
    }
    // Makes the mounted disk read-only, keeping what is on it.
    bool MakeReadOnly()
    {
        return !m_folder.empty() &&
               ::mount(nullptr, m_folder.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    ~SmallDisk()
    {
        if (!m_folder.empty()) ::umount2(m_folder.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return !m_folder.empty(); }

private:
    std::filesystem::path m_folder;
};

// Until destroyed, no file this process writes may grow past `bytes`: writes beyond fail with
// EFBIG, as on a full disk (SIGXFSZ, which would end the process, is ignored meanwhile).
class FileSizeLimit
{
public:
    explicit FileSizeLimit(std::size_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{rlim_t(bytes), m_old.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_handler)(int) = nullptr;
};
} // namespace testdisk
