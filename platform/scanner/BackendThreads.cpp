#include "platform/scanner/BackendThreads.h"

#include <sys/syscall.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <thread>

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
} // namespace scanner
