#include "platform/scanner/BackendThreads.h"

#include <sys/stat.h>
#include <sys/syscall.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>
#include <utility>

namespace scanner
{
namespace
{
// The blocking calls a reading thread waits in with no lock of its own held. A futex wait is
// not one of them: it may be the allocator's lock itself.
bool IsRestingCall(long number)
{
    static const long calls[] = {
        SYS_read,       SYS_write,       SYS_readv,    SYS_writev,        SYS_pread64,
        SYS_pwrite64,   SYS_ioctl,       SYS_ppoll,    SYS_pselect6,      SYS_clock_nanosleep,
        SYS_nanosleep,  SYS_epoll_pwait, SYS_recvfrom, SYS_recvmsg,       SYS_sendto,
        SYS_sendmsg,    SYS_wait4,       SYS_waitid,   SYS_rt_sigsuspend, SYS_rt_sigtimedwait,
        SYS_accept4,    SYS_connect,
#ifdef SYS_poll
        SYS_poll,
#endif
#ifdef SYS_select
        SYS_select,
#endif
#ifdef SYS_epoll_wait
        SYS_epoll_wait,
#endif
#ifdef SYS_pause
        SYS_pause,
#endif
#ifdef SYS_accept
        SYS_accept,
#endif
    };
    return std::find(std::begin(calls), std::end(calls), number) != std::end(calls);
}

bool ReadSmallFile(const std::string& path, std::string& out)
{
    out.clear();
    FILE* f = std::fopen(path.c_str(), "re");
    if (!f) return false;
    char buffer[512];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0 && out.size() < 4096)
        out.append(buffer, n);
    std::fclose(f);
    return true;
}
} // namespace

ThreadPlace ClassifyThread(std::string_view statLine, std::string_view syscallLine)
{
    // "tid (name) S ...": the name may hold spaces and brackets, the state follows the last ')'.
    const std::size_t close = statLine.rfind(')');
    if (close == std::string_view::npos || close + 2 >= statLine.size()) return ThreadPlace::Gone;
    const char state = statLine[close + 2];
    if (state == 'Z' || state == 'X' || state == 'x') return ThreadPlace::Gone;
    if (state != 'S' && state != 'D') return ThreadPlace::Busy;
    // "running", "-1 sp pc" (asleep outside a call) or "number arguments... sp pc".
    if (syscallLine.empty() || syscallLine[0] < '0' || syscallLine[0] > '9') return ThreadPlace::Busy;
    long number = 0;
    for (char c : syscallLine)
    {
        if (c < '0' || c > '9') break;
        number = number * 10 + (c - '0');
        if (number > 100000) return ThreadPlace::Busy;
    }
    return IsRestingCall(number) ? ThreadPlace::Waiting : ThreadPlace::Busy;
}

std::vector<pid_t> ProcessThreads()
{
    std::vector<pid_t> out;
    DIR* dir = opendir("/proc/self/task");
    if (!dir) return out;
    while (const dirent* e = readdir(dir))
    {
        char* end = nullptr;
        const long tid = std::strtol(e->d_name, &end, 10);
        if (end != e->d_name && *end == 0 && tid > 0) out.push_back(pid_t(tid));
    }
    closedir(dir);
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<pid_t> NewThreads(const std::vector<pid_t>& before, const std::vector<pid_t>& after)
{
    std::vector<pid_t> out;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(out));
    return out;
}

ThreadPlace ThreadPlaceOf(pid_t tid)
{
    const std::string base = "/proc/self/task/" + std::to_string(tid);
    std::string stat, call;
    if (!ReadSmallFile(base + "/stat", stat)) return ThreadPlace::Gone;
    // Without a syscall file the thread cannot be told safe; the caller's time limit decides.
    ReadSmallFile(base + "/syscall", call);
    return ClassifyThread(stat, call);
}

bool WaitThreadsAtRest(const std::vector<pid_t>& threads, std::chrono::milliseconds limit)
{
    // A thread seen in a blocking call may be leaving it (a pipe write that the other end has
    // just made room for) on its way to its own code: only a rest that lasts is trusted.
    constexpr auto kSettle = std::chrono::milliseconds(5);
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + limit;
    auto restSince = std::chrono::steady_clock::time_point::max();
    for (;;)
    {
        bool allGone = true, atRest = true;
        for (pid_t tid : threads)
        {
            const ThreadPlace place = ThreadPlaceOf(tid);
            allGone = allGone && place == ThreadPlace::Gone;
            atRest = atRest && place != ThreadPlace::Busy;
        }
        const auto now = std::chrono::steady_clock::now();
        if (allGone) return true;
        if (!atRest)
            restSince = std::chrono::steady_clock::time_point::max();
        else if (restSince == std::chrono::steady_clock::time_point::max())
            restSince = now;
        else if (now - restSince >= kSettle)
            return true;
        if (now >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
}

bool WaitThreadsGone(const std::vector<pid_t>& threads, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;)
    {
        if (std::all_of(threads.begin(), threads.end(),
                        [](pid_t tid) { return ThreadPlaceOf(tid) == ThreadPlace::Gone; }))
            return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
}

std::vector<FdRecord> ProcessFds()
{
    std::vector<FdRecord> out;
    DIR* dir = opendir("/proc/self/fd");
    if (!dir) return out;
    const int own = dirfd(dir);
    while (const dirent* e = readdir(dir))
    {
        char* end = nullptr;
        const long fd = std::strtol(e->d_name, &end, 10);
        if (end == e->d_name || *end != 0 || fd < 0 || fd == own) continue;
        // A descriptor closed since the listing is simply left out.
        struct stat st;
        const int flags = fcntl(int(fd), F_GETFL);
        if (flags < 0 || fstat(int(fd), &st) != 0) continue;
        FdRecord r;
        r.fd = int(fd);
        r.kind = S_ISFIFO(st.st_mode)   ? FdKind::Fifo
                 : S_ISREG(st.st_mode)  ? FdKind::File
                 : S_ISSOCK(st.st_mode) ? FdKind::Socket
                                        : FdKind::Other;
        r.access = flags & O_ACCMODE;
        r.dev = st.st_dev;
        r.ino = st.st_ino;
        out.push_back(r);
    }
    closedir(dir);
    std::sort(out.begin(), out.end(), [](const FdRecord& a, const FdRecord& b) { return a.fd < b.fd; });
    return out;
}

std::vector<FdRecord> NewPipeReadEnds(const std::vector<FdRecord>& before, const std::vector<FdRecord>& after)
{
    std::set<std::pair<dev_t, ino_t>> old, written;
    for (const FdRecord& r : before)
        if (r.kind == FdKind::Fifo) old.emplace(r.dev, r.ino);
    for (const FdRecord& r : after)
        if (r.kind == FdKind::Fifo && r.access == O_WRONLY) written.emplace(r.dev, r.ino);
    std::vector<FdRecord> out;
    for (const FdRecord& r : after)
        if (r.kind == FdKind::Fifo && r.access == O_RDONLY && !old.count({r.dev, r.ino}) &&
            written.count({r.dev, r.ino}))
            out.push_back(r);
    return out;
}

int ReleasePipeReadEnds(const std::vector<FdRecord>& readEnds)
{
    int released = 0;
    for (const FdRecord& r : readEnds)
    {
        // Only the very pipe end recorded: a number closed by its owner may be anybody's now.
        struct stat st;
        const int flags = fcntl(r.fd, F_GETFL);
        const int fdFlags = fcntl(r.fd, F_GETFD);
        if (flags < 0 || fdFlags < 0 || fstat(r.fd, &st) != 0 || !S_ISFIFO(st.st_mode) ||
            st.st_dev != r.dev || st.st_ino != r.ino || (flags & O_ACCMODE) != O_RDONLY)
            continue;
        // No descriptor to spare: the rest are stopped as they would have been without this.
        int fresh[2];
        if (pipe2(fresh, O_CLOEXEC) != 0) break;
        close(fresh[1]);
        // dup3 closes the old end and puts the new one under its number at once: the number is
        // never free for another thread's open in between. The owner's flags stay as they were.
        const bool replaced = dup3(fresh[0], r.fd, (fdFlags & FD_CLOEXEC) ? O_CLOEXEC : 0) == r.fd;
        close(fresh[0]);
        if (!replaced) continue;
        fcntl(r.fd, F_SETFL, flags);
        ++released;
    }
    return released;
}
} // namespace scanner
