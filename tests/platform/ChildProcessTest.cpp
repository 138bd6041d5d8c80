// Work run in a child process: its result comes back; a crash, a hang, a runaway allocation or a
// failure in it is a failed call and nothing more.
#include "platform/ChildProcess.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{
std::string ReadAll(int fd)
{
    std::string out;
    char buf[4096];
    off_t at = 0;
    for (ssize_t n; (n = ::pread(fd, buf, sizeof buf, at)) > 0; at += n)
        out.append(buf, std::size_t(n));
    return out;
}

ChildLimits Quick()
{
    ChildLimits limits;
    limits.seconds = 1.0;
    limits.extraBytes = std::uint64_t(256) << 20;
    return limits;
}
} // namespace

TEST(ChildProcess, TheChildsResultComesBack)
{
    const std::string message = "frames: 3";
    const int fd = RunInChildProcess(
        [&](int out) { return ::write(out, message.data(), message.size()) == ssize_t(message.size()); },
        Quick());
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ReadAll(fd), message);
    ::close(fd);
}

TEST(ChildProcess, EveryWayTheWorkCanGoWrongIsAFailure)
{
    const struct
    {
        const char* what;
        std::function<bool(int)> work;
    } cases[] = {
        {"answers false", [](int) { return false; }},
        {"crashes",
         [](int)
         {
             std::raise(SIGSEGV);
             return true;
         }},
        {"aborts", [](int) -> bool { std::abort(); }},
        {"throws", [](int) -> bool { throw std::bad_alloc(); }},
        {"hangs",
         [](int)
         {
             for (;;)
                 std::this_thread::sleep_for(std::chrono::milliseconds(50));
             return true;
         }},
        {"spins",
         [](int)
         {
             std::atomic<unsigned long> i{0};
             for (;;)
                 i.fetch_add(1, std::memory_order_relaxed);
             return true;
         }},
        {"asks for all the memory",
         [](int)
         {
             // Far more than the 256 MiB it may add, touched page by page: the allocation is
             // refused (or the child is stopped) long before the machine runs short.
             std::vector<char*> blocks;
             for (int i = 0; i < 64; ++i)
             {
                 char* p = static_cast<char*>(std::malloc(std::size_t(64) << 20));
                 if (!p) return false;
                 std::memset(p, 1, std::size_t(64) << 20);
                 blocks.push_back(p);
             }
             return true;
         }},
    };
    for (const auto& c : cases)
    {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(RunInChildProcess(c.work, Quick()), -1) << c.what;
        // Not a measure of speed: a hang would never end, and this one is stopped at its limit.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30)) << c.what;
    }
    // And the caller goes on as before.
    const int fd = RunInChildProcess([](int out) { return ::write(out, "ok", 2) == 2; }, Quick());
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ReadAll(fd), "ok");
    ::close(fd);
}
