// A page is stopped only when the backend's reading threads can be cancelled without harm: what
// a thread's /proc lines say about where it is, real threads asleep, running and locked, the
// test backend's own reader stopped right after a device error at the start of a page (which
// used to leave sane_cancel waiting for ever now and then), and the page's pipes: which ones are
// the page's, and how closing their read ends from our side ends a writer before sane_cancel.
#include "ScannerTestSupport.h"

#include "platform/scanner/BackendThreads.h"
#include "platform/scanner/SaneDevice.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>

namespace
{
using namespace scantest;
using scanner::FdKind;
using scanner::FdRecord;
using scanner::ThreadPlace;
using namespace std::chrono_literals;

// A thread that has been joined still runs the last of its exit in the kernel for a moment (its
// joiner is woken first): it is gone once that is over, well within the limit.
ThreadPlace PlaceOnceEnded(pid_t tid)
{
    const auto limit = std::chrono::steady_clock::now() + 2s;
    ThreadPlace place = scanner::ThreadPlaceOf(tid);
    while (place == ThreadPlace::Busy && std::chrono::steady_clock::now() < limit)
    {
        std::this_thread::sleep_for(1ms);
        place = scanner::ThreadPlaceOf(tid);
    }
    return place;
}

std::string Call(long number)
{
    return std::to_string(number) + " 0x3 0x7f00 0x10 0x0 0x0 0x0 0x7ffc0 0x7f77\n";
}

TEST(BackendThreads, PlaceFromTheThreadsProcLines)
{
    struct Case
    {
        std::string stat;
        std::string call;
        ThreadPlace place;
    };
    const Case cases[] = {
        {"4242 (reader) S 1 4242 0", Call(SYS_write), ThreadPlace::Waiting}, // a full pipe
        {"4242 (reader) S 1 4242 0", Call(SYS_read), ThreadPlace::Waiting},
        {"4242 (usb reader) D 1 4242 0", Call(SYS_ioctl), ThreadPlace::Waiting},
        {"4242 (reader) S 1 4242 0", Call(SYS_clock_nanosleep), ThreadPlace::Waiting},
        // The name may hold spaces and brackets: the state follows the last one.
        {"4242 (a) b (c)) S 1 4242 0", Call(SYS_write), ThreadPlace::Waiting},
        {"4242 (a) S (c)) R 1 4242 0", Call(SYS_write), ThreadPlace::Busy},
        // A lock's wait may be the allocator's own lock.
        {"4242 (reader) S 1 4242 0", Call(SYS_futex), ThreadPlace::Busy},
        {"4242 (reader) D 1 4242 0", Call(SYS_mmap), ThreadPlace::Busy},
        {"4242 (reader) S 1 4242 0", "-1 0x7ffc0 0x7f77\n", ThreadPlace::Busy},
        {"4242 (reader) R 1 4242 0", "running\n", ThreadPlace::Busy},
        {"4242 (reader) t 1 4242 0", Call(SYS_write), ThreadPlace::Busy},
        {"4242 (reader) S 1 4242 0", "", ThreadPlace::Busy}, // no syscall line: cannot tell
        {"4242 (reader) Z 1 4242 0", "", ThreadPlace::Gone},
        {"4242 (reader) X 1 4242 0", "", ThreadPlace::Gone},
        {"", "", ThreadPlace::Gone},
        {"4242 (reader", "", ThreadPlace::Gone},
        {"4242 (reader)", "", ThreadPlace::Gone},
    };
    for (const Case& c : cases)
        EXPECT_EQ(scanner::ClassifyThread(c.stat, c.call), c.place) << c.stat << " | " << c.call;
}

// A thread of the test, its id known once it runs.
struct Worker
{
    template <class F>
    explicit Worker(F body)
        : thread(
              [this, body]
              {
                  tid = pid_t(syscall(SYS_gettid));
                  body();
              })
    {
        while (tid == 0)
            std::this_thread::yield();
    }
    std::atomic<pid_t> tid{0};
    std::thread thread;
};

TEST(BackendThreads, RealThreadsAsleepRunningLockedAndEnded)
{
    const std::vector<pid_t> before = scanner::ProcessThreads();
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::atomic<bool> stop{false};
    std::mutex lock;
    lock.lock();
    Worker reader(
        [&]
        {
            char c = 0;
            (void)!read(fds[0], &c, 1);
        });
    Worker spinner(
        [&]
        {
            while (!stop)
            {
            }
        });
    Worker locked([&] { std::lock_guard wait(lock); });

    const std::vector<pid_t> born = scanner::NewThreads(before, scanner::ProcessThreads());
    for (pid_t tid : {reader.tid.load(), spinner.tid.load(), locked.tid.load()})
        EXPECT_NE(std::find(born.begin(), born.end(), tid), born.end()) << tid;
    EXPECT_EQ(std::find(born.begin(), born.end(), pid_t(syscall(SYS_gettid))), born.end());

    // Blocked reading an empty pipe: safe. Running, or waiting for a lock: not, for as long as
    // it lasts (the wait gives up at its limit).
    EXPECT_TRUE(scanner::WaitThreadsAtRest({reader.tid}, 2s));
    EXPECT_EQ(scanner::ThreadPlaceOf(reader.tid), ThreadPlace::Waiting);
    EXPECT_FALSE(scanner::WaitThreadsAtRest({reader.tid, spinner.tid}, 50ms));
    EXPECT_FALSE(scanner::WaitThreadsAtRest({locked.tid}, 50ms));

    stop = true;
    lock.unlock();
    ASSERT_EQ(write(fds[1], "x", 1), 1);
    for (Worker* w : {&reader, &spinner, &locked})
        w->thread.join();
    EXPECT_TRUE(scanner::WaitThreadsAtRest({reader.tid, spinner.tid, locked.tid}, 50ms));
    EXPECT_EQ(PlaceOnceEnded(spinner.tid), ThreadPlace::Gone);
    close(fds[0]);
    close(fds[1]);
}

// The device's error comes at the first read, while the backend's reader is still starting: a
// small page that its reader ends on its own, and a large one whose reader waits on its full
// pipe until it is stopped. Every stop must come back, and the reader be gone after it.
TEST(BackendThreads, ErrorAtTheStartOfAPageStopsTheBackendsReader)
{
    // A runtime that starts a helper thread of its own with the process's first thread (the
    // thread sanitizer's) starts it now, not inside the first page, where it would pass for the
    // backend's reader.
    std::thread([] {}).join();
    for (const char* status : {"SANE_STATUS_JAMMED", "SANE_STATUS_IO_ERROR", "SANE_STATUS_CANCELLED"})
    {
        SaneConfig conf({std::string("read-status-code \"") + status + "\""});
        scanner::SaneScanner device;
        ASSERT_EQ(device.Open("test:0"), SANE_STATUS_GOOD);
        for (int resolution : {50, 300})
        {
            SCOPED_TRACE(std::string(status) + " at " + std::to_string(resolution));
            ASSERT_TRUE(device.Apply({scanner::ScanMode::Color, resolution, false}));
            for (int page = 0; page < 30; ++page)
            {
                ASSERT_EQ(device.Start(), SANE_STATUS_GOOD);
                const std::vector<pid_t> threads = device.PageThreads();
                // Far more than a pipe holds: the reader is still there, on a thread of its own.
                if (resolution == 300)
                {
                    ASSERT_FALSE(threads.empty());
                }
                std::vector<std::uint8_t> rows(device.Format().pitch * 4);
                int got = -1;
                EXPECT_NE(device.ReadRows(rows.data(), device.Format().pitch, 4, true, &got),
                          SANE_STATUS_GOOD);
                EXPECT_EQ(got, 0);
                device.Cancel();
                EXPECT_FALSE(device.InPage());
                for (pid_t tid : threads)
                    EXPECT_EQ(PlaceOnceEnded(tid), ThreadPlace::Gone) << "page " << page;
            }
        }
        // A page after the stopped ones comes whole.
        ASSERT_TRUE(device.SetOption("read-return-value", "Default"));
        ASSERT_EQ(device.Start(), SANE_STATUS_GOOD);
        const int lines = device.Format().lines;
        std::vector<std::uint8_t> rows(device.Format().pitch * std::size_t(lines));
        int got = 0;
        EXPECT_EQ(device.ReadRows(rows.data(), device.Format().pitch, lines, true, &got), SANE_STATUS_EOF);
        EXPECT_EQ(got, lines);
        device.Cancel();
    }
}

std::vector<int> Numbers(const std::vector<FdRecord>& records)
{
    std::vector<int> out;
    for (const FdRecord& r : records)
        out.push_back(r.fd);
    return out;
}

TEST(BackendThreads, ThePagesPipesAreTheReadEndsOfPipesMadeDuringIt)
{
    auto fd = [](int n, FdKind kind, int access, dev_t dev, ino_t ino) {
        return FdRecord{n, kind, access, dev, ino};
    };
    const FdRecord file = fd(3, FdKind::File, O_RDONLY, 1, 50);
    const FdRecord oldRead = fd(5, FdKind::Fifo, O_RDONLY, 9, 100);
    const FdRecord oldWrite = fd(6, FdKind::Fifo, O_WRONLY, 9, 100);
    struct Case
    {
        const char* what;
        std::vector<FdRecord> before, after;
        std::vector<int> picked;
    };
    const Case cases[] = {
        {"a new pipe",
         {file},
         {file, fd(7, FdKind::Fifo, O_RDONLY, 9, 200), fd(8, FdKind::Fifo, O_WRONLY, 9, 200)},
         {7}},
        {"a new pipe, its read end shared",
         {file},
         {fd(4, FdKind::Fifo, O_RDONLY, 9, 200), fd(7, FdKind::Fifo, O_RDONLY, 9, 200),
          fd(8, FdKind::Fifo, O_WRONLY, 9, 200)},
         {4, 7}},
        {"a pipe that was there", {oldRead, oldWrite}, {oldRead, oldWrite}, {}},
        {"a new read end of a pipe that was there",
         {oldWrite},
         {fd(7, FdKind::Fifo, O_RDONLY, 9, 100), oldWrite},
         {}},
        {"a new write end of a pipe that was there",
         {oldRead},
         {oldRead, fd(7, FdKind::Fifo, O_WRONLY, 9, 100)},
         {}},
        {"the old pipe under new numbers",
         {oldRead, oldWrite},
         {fd(7, FdKind::Fifo, O_RDONLY, 9, 100), fd(8, FdKind::Fifo, O_WRONLY, 9, 100)},
         {}},
        {"a new pipe under the old numbers",
         {oldRead, oldWrite},
         {fd(5, FdKind::Fifo, O_RDONLY, 9, 300), fd(6, FdKind::Fifo, O_WRONLY, 9, 300)},
         {5}},
        {"a read end whose writer is elsewhere", {file}, {file, fd(7, FdKind::Fifo, O_RDONLY, 9, 200)}, {}},
        {"a write end alone", {file}, {file, fd(8, FdKind::Fifo, O_WRONLY, 9, 200)}, {}},
        {"a named pipe opened for both",
         {},
         {fd(7, FdKind::Fifo, O_RDWR, 9, 200), fd(8, FdKind::Fifo, O_WRONLY, 9, 200)},
         {}},
        {"a file and a socket",
         {},
         {fd(7, FdKind::File, O_RDONLY, 9, 200), fd(8, FdKind::File, O_WRONLY, 9, 200),
          fd(9, FdKind::Socket, O_RDONLY, 9, 201), fd(10, FdKind::Socket, O_WRONLY, 9, 201)},
         {}},
        {"the same inode number on another device",
         {oldRead, oldWrite},
         {oldRead, oldWrite, fd(7, FdKind::Fifo, O_RDONLY, 8, 100), fd(8, FdKind::Fifo, O_WRONLY, 8, 100)},
         {7}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Numbers(scanner::NewPipeReadEnds(c.before, c.after)), c.picked) << c.what;
}

// A thread of the test writing into a pipe for as long as it can, blocked once the pipe is full;
// SIGPIPE is held back from it, so that the closed pipe shows as EPIPE whatever the process does
// with the signal.
struct PipeWriter
{
    explicit PipeWriter(int fd)
        : worker(
              [this, fd]
              {
                  sigset_t pipeSignal;
                  sigemptyset(&pipeSignal);
                  sigaddset(&pipeSignal, SIGPIPE);
                  pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
                  const std::vector<char> bytes(1 << 16, 'x');
                  long n = 0;
                  while ((n = long(write(fd, bytes.data(), bytes.size()))) > 0)
                  {
                  }
                  result = n;
                  error = errno;
              })
    {
    }
    std::atomic<long> result{0};
    std::atomic<int> error{0};
    Worker worker;
};

TEST(BackendThreads, AReleasedReadEndWakesItsWriterAndKeepsItsNumber)
{
    const std::vector<FdRecord> before = scanner::ProcessFds();
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const std::vector<FdRecord> readEnds = scanner::NewPipeReadEnds(before, scanner::ProcessFds());
    ASSERT_EQ(Numbers(readEnds), std::vector<int>{fds[0]});

    PipeWriter writer(fds[1]);
    ASSERT_TRUE(scanner::WaitThreadsAtRest({writer.worker.tid}, 2s));
    ASSERT_EQ(scanner::ThreadPlaceOf(writer.worker.tid), ThreadPlace::Waiting);
    EXPECT_EQ(scanner::ReleasePipeReadEnds(readEnds), 1);
    // The writer learns at once that nobody reads, and ends on its own.
    const bool gone = scanner::WaitThreadsGone({writer.worker.tid}, 2s);
    EXPECT_TRUE(gone);
    if (!gone) close(fds[0]);
    writer.worker.thread.join();
    if (!gone) return;
    EXPECT_EQ(writer.result, -1);
    EXPECT_EQ(writer.error, EPIPE);

    // The number is still open, still without close-on-exec, on an empty pipe of its own that
    // nobody writes: its owner's close and reads go on as usual.
    EXPECT_EQ(fcntl(fds[0], F_GETFD), 0);
    EXPECT_EQ(fcntl(fds[0], F_GETFL) & O_ACCMODE, O_RDONLY);
    char c = 0;
    EXPECT_EQ(read(fds[0], &c, 1), 0);
    // It is not the recorded pipe any more, and is left alone.
    EXPECT_EQ(scanner::ReleasePipeReadEnds(readEnds), 0);
    EXPECT_EQ(close(fds[0]), 0);
    close(fds[1]);

    // A number closed by its owner and given to another pipe is not touched.
    int other[2];
    ASSERT_EQ(pipe(other), 0);
    ASSERT_EQ(dup2(other[0], readEnds[0].fd), readEnds[0].fd);
    EXPECT_EQ(scanner::ReleasePipeReadEnds(readEnds), 0);
    ASSERT_EQ(write(other[1], "y", 1), 1);
    EXPECT_EQ(read(readEnds[0].fd, &c, 1), 1);
    EXPECT_EQ(c, 'y');
    for (int f : {readEnds[0].fd, other[0], other[1]})
        close(f);
}

// SIGPIPE at its default for the life of this, as in a process that never set it.
struct DefaultPipeSignal
{
    DefaultPipeSignal()
    {
        struct sigaction dflt = {};
        dflt.sa_handler = SIG_DFL;
        sigaction(SIGPIPE, &dflt, &old);
    }
    ~DefaultPipeSignal() { sigaction(SIGPIPE, &old, nullptr); }
    struct sigaction old = {};
};

// The test backend's reader waits on its full pipe after a few rows of a large page, whether the
// page goes on or the device has failed: releasing the page's pipes ends it before sane_cancel is
// even called. SIGPIPE is at its default: the backend ignores it from the start of its reader to
// the join, so the reader's write fails and the process lives. A page read to its end has
// nothing left to release.
TEST(BackendThreads, ReleasingThePagesPipesEndsTheBackendsReaderBeforeItsCancel)
{
    std::thread([] {}).join();
    DefaultPipeSignal pipeSignal;
    struct Case
    {
        const char* option;
        SANE_Status read;
        int rows;
    };
    for (const Case c :
         {Case{"Default", SANE_STATUS_GOOD, 4}, Case{"SANE_STATUS_JAMMED", SANE_STATUS_JAMMED, 0},
          Case{"SANE_STATUS_IO_ERROR", SANE_STATUS_IO_ERROR, 0}})
    {
        SCOPED_TRACE(c.option);
        SaneConfig conf({});
        scanner::SaneScanner device;
        ASSERT_EQ(device.Open("test:0"), SANE_STATUS_GOOD);
        ASSERT_TRUE(device.Apply({scanner::ScanMode::Color, 300, false}));
        ASSERT_TRUE(device.SetOption("read-return-value", c.option));
        for (int page = 0; page < 5; ++page)
        {
            ASSERT_EQ(device.Start(), SANE_STATUS_GOOD);
            const std::vector<pid_t> threads = device.PageThreads();
            ASSERT_EQ(threads.size(), 1u);
            ASSERT_EQ(device.PagePipes().size(), 1u);
            std::vector<std::uint8_t> rows(device.Format().pitch * 4);
            int got = -1;
            EXPECT_EQ(device.ReadRows(rows.data(), device.Format().pitch, 4, true, &got), c.read);
            EXPECT_EQ(got, c.rows);
            ASSERT_TRUE(scanner::WaitThreadsAtRest(threads, 2s));
            EXPECT_EQ(scanner::ThreadPlaceOf(threads[0]), ThreadPlace::Waiting) << "page " << page;
            EXPECT_EQ(device.ReleasePagePipes(), 1);
            ASSERT_TRUE(scanner::WaitThreadsGone(threads, 3s)) << "page " << page;
            device.Cancel();
        }
    }
    {
        SaneConfig conf({});
        scanner::SaneScanner device;
        ASSERT_EQ(device.Open("test:0"), SANE_STATUS_GOOD);
        ASSERT_TRUE(device.Apply({scanner::ScanMode::Color, 300, false}));
        ASSERT_EQ(device.Start(), SANE_STATUS_GOOD);
        const std::vector<FdRecord> pipes = device.PagePipes();
        ASSERT_EQ(pipes.size(), 1u);
        const int lines = device.Format().lines;
        std::vector<std::uint8_t> rows(device.Format().pitch * std::size_t(lines));
        int got = 0;
        EXPECT_EQ(device.ReadRows(rows.data(), device.Format().pitch, lines, true, &got), SANE_STATUS_EOF);
        EXPECT_EQ(got, lines);
        EXPECT_TRUE(scanner::WaitThreadsGone(device.PageThreads(), 2s));
        // The backend has closed its pipe at the end of the page: its number, given to another
        // pipe, is not touched, and the stop costs nothing.
        ASSERT_EQ(fcntl(pipes[0].fd, F_GETFD), -1);
        int other[2];
        ASSERT_EQ(pipe(other), 0);
        ASSERT_EQ(dup2(other[0], pipes[0].fd), pipes[0].fd);
        EXPECT_EQ(device.ReleasePagePipes(), 0);
        const auto start = std::chrono::steady_clock::now();
        device.Cancel();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
        ASSERT_EQ(write(other[1], "y", 1), 1);
        char c = 0;
        EXPECT_EQ(read(pipes[0].fd, &c, 1), 1);
        for (int f : {pipes[0].fd, other[0], other[1]})
            close(f);
    }
}

// What the process writes to its standard error while `body` runs.
std::string StandardErrorOf(const std::function<void()>& body)
{
    char path[] = "/tmp/orvalis-stderr-XXXXXX";
    const int file = mkstemp(path);
    if (file < 0) return {};
    std::fflush(stderr);
    const int saved = dup(2);
    dup2(file, 2);
    body();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    close(file);
    std::string out = ReadFile(path);
    std::remove(path);
    return out;
}

// A page stopped in its middle, going on or failed at its start: by the test backend's own
// account (its debug lines), its reader has run to its end before the backend's cancel begins,
// so that the cancel has nothing left to interrupt.
TEST(BackendThreads, AStoppedPagesReaderHasEndedBeforeTheBackendsCancel)
{
    std::thread([] {}).join();
    // Read when the backend starts, with each device.
    struct DebugLines
    {
        DebugLines() { setenv("SANE_DEBUG_TEST", "2", 1); }
        ~DebugLines() { unsetenv("SANE_DEBUG_TEST"); }
    } debugLines;
    for (const char* option : {"Default", "SANE_STATUS_JAMMED"})
    {
        SCOPED_TRACE(option);
        SaneConfig conf({});
        scanner::SaneScanner device;
        ASSERT_EQ(device.Open("test:0"), SANE_STATUS_GOOD);
        ASSERT_TRUE(device.Apply({scanner::ScanMode::Color, 300, false}));
        ASSERT_TRUE(device.SetOption("read-return-value", option));
        for (int page = 0; page < 5; ++page)
        {
            ASSERT_EQ(device.Start(), SANE_STATUS_GOOD);
            std::vector<std::uint8_t> rows(device.Format().pitch * 4);
            int got = 0;
            device.ReadRows(rows.data(), device.Format().pitch, 4, true, &got);
            const std::string log = StandardErrorOf([&] { device.Cancel(); });
            const std::size_t cancel = log.find("sane_cancel:");
            ASSERT_NE(cancel, std::string::npos) << log;
            EXPECT_LT(log.find("reader_process finished"), cancel) << "page " << page << "\n" << log;
        }
    }
}
} // namespace
