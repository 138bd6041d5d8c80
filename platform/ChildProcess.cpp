#include "platform/ChildProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ORVALIS_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define ORVALIS_SANITIZED 1
#endif
#endif
#ifdef ORVALIS_SANITIZED
#include <sanitizer/common_interface_defs.h>
#endif

namespace
{
constexpr int kWorkFailed = 1;
constexpr int kChildCrashed = 2;

// What the process holds now in private writable memory, the measure the system limits.
std::uint64_t CurrentDataBytes()
{
    std::FILE* f = std::fopen("/proc/self/status", "re");
    if (!f) return 0;
    char line[256];
    unsigned long long kb = 0;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmData: %llu kB", &kb) == 1) break;
    std::fclose(f);
    return std::uint64_t(kb) * 1024;
}

#ifdef ORVALIS_SANITIZED
// A sanitizer's report of the foreign code ends the child quietly; the caller sees a failure.
void ChildDied()
{
    _exit(kChildCrashed);
}
#endif

[[noreturn]] void RunChild(const std::function<bool(int)>& work, int fd, const ChildLimits& limits,
                           std::uint64_t dataBytes)
{
    // A crash is the end of this process and nothing more: default actions, no handler of the
    // parent's (a test framework's or a fuzzer's) to report it as its own.
    for (int sig : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP, SIGXCPU, SIGPIPE})
        std::signal(sig, SIG_DFL);
#ifdef ORVALIS_SANITIZED
    __sanitizer_set_death_callback(ChildDied);
#endif
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0)
    {
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
    }
    if (dataBytes > 0)
    {
        rlimit data{rlim_t(dataBytes + limits.extraBytes), rlim_t(dataBytes + limits.extraBytes)};
        ::setrlimit(RLIMIT_DATA, &data);
    }
    const rlim_t cpu = rlim_t(limits.seconds) + 1;
    rlimit cpuLimit{cpu, cpu + 1};
    ::setrlimit(RLIMIT_CPU, &cpuLimit);
    bool ok = false;
    try
    {
        ok = work(fd);
    }
    catch (...)
    {
        ok = false;
    }
    _exit(ok ? 0 : kWorkFailed);
}

// Waits for the child until the deadline; kills it when the deadline passes. The exit status,
// or -1 when it was killed or could not be waited for.
int WaitWithDeadline(pid_t pid, double seconds)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    const int pidfd = int(::syscall(SYS_pidfd_open, pid, 0));
    auto microseconds = std::chrono::microseconds(50);
    for (;;)
    {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
        {
            if (pidfd >= 0) ::close(pidfd);
            return status;
        }
        if (done < 0 && errno != EINTR)
        {
            if (pidfd >= 0) ::close(pidfd);
            return -1;
        }
        const auto now = Clock::now();
        if (now >= deadline) break;
        if (pidfd >= 0)
        {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
            pollfd p{pidfd, POLLIN, 0};
            ::poll(&p, 1, int(left) + 1);
        }
        else
        {
            // No process descriptor on this system: look again soon, then less often.
            std::this_thread::sleep_for(microseconds);
            if (microseconds < std::chrono::milliseconds(5)) microseconds *= 2;
        }
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR)
    {
    }
    if (pidfd >= 0) ::close(pidfd);
    return -1;
}
} // namespace

int RunInChildProcess(const std::function<bool(int fd)>& work, const ChildLimits& limits)
{
    const int fd = ::memfd_create("orvalis-child-result", MFD_CLOEXEC);
    if (fd < 0) return -1;
    const std::uint64_t dataBytes = CurrentDataBytes();
    const pid_t pid = ::fork();
    if (pid < 0)
    {
        ::close(fd);
        return -1;
    }
    if (pid == 0) RunChild(work, fd, limits, dataBytes);
    const int status = WaitWithDeadline(pid, limits.seconds);
    if (status < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    {
        ::close(fd);
        return -1;
    }
    return fd;
}
