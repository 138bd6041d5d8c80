// House rule: the program starts threads in two places only, the effects' runner
// (imagelib/FCBandRunner.cpp), which owns every thread an effect uses, and the background job
// (platform/BackgroundJob.{h,cpp}) for the long jobs that are not effects. No other source of the
// program names a thread type or a call that starts one; asking which thread runs, sleeping or
// counting processors stays free.
#include "SourceText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace
{
namespace fs = std::filesystem;
using namespace house;

const fs::path kSource = ORVALIS_SOURCE_DIR;

// The program's folders; tests, benchmarks and fuzz targets start threads of their own.
const char* const kProgramFolders[] = {"platform", "imagelib", "document",    "views",
                                       "shell",    "dialogs",  "acquisition", "resources"};
// Where threads may be started.
const char* const kThreadOwners[] = {"imagelib/FCBandRunner.cpp", "platform/BackgroundJob.h",
                                     "platform/BackgroundJob.cpp"};

// What starts a thread in a source text: "line N: what" for each.
std::vector<std::string> ThreadStarts(const std::string& source)
{
    struct Rule
    {
        std::regex pattern;
        const char* what;
    };
    static const Rule rules[] = {
        // std::thread, but not its id type nor the processor count.
        {std::regex(R"(\bstd\s*::\s*thread\b(?!\s*::\s*(id|hardware_concurrency)\b))"), "std::thread"},
        {std::regex(R"(\bjthread\b)"), "std::jthread"},
        {std::regex(R"(\bstd\s*::\s*async\b)"), "std::async"},
        {std::regex(R"(\b(pthread_create|thrd_create)\b)"), "a C thread"},
        // A QThread made, owned, created or derived from; a pointer to the thread that runs, the
        // static calls about the calling thread, and the include itself stay free.
        {std::regex(R"(\bQThread\b(?!\s*\*|\s*::\s*(currentThread|currentThreadId|isMainThread|)"
                    R"(sleep|msleep|usleep|yieldCurrentThread|idealThreadCount)\b))"),
         "QThread"},
        {std::regex(R"(\b(QThreadPool|QtConcurrent)\b)"), "a Qt thread pool"},
    };
    std::vector<std::string> found;
    // Including the header starts nothing (what is used of it is checked below).
    static const std::regex include(R"(#\s*include\s*<QThread>)");
    const std::string text = std::regex_replace(StripComments(source), include, "");
    for (const Rule& rule : rules)
        for (auto it = std::sregex_iterator(text.begin(), text.end(), rule.pattern);
             it != std::sregex_iterator(); ++it)
            found.push_back("line " + std::to_string(LineOf(text, std::size_t(it->position()))) + ": " +
                            rule.what);
    return found;
}
} // namespace

TEST(HouseRules, TheCheckFindsEveryWayOfStartingAThread)
{
    const char* const starts[] = {
        "std::thread t([] {});",
        "m_thread = std::thread(&Job::Run, this);",
        "std::vector<std::thread> threads;",
        "std :: thread t(f);",
        "std::jthread t(f);",
        "auto f = std::async(std::launch::async, g);",
        "pthread_create(&id, nullptr, Run, this);",
        "thrd_create(&t, Run, nullptr);",
        "QThread* t = QThread::create([] {});",
        "auto* t = new QThread(parent);",
        "class CWorker : public QThread\n{\n};",
        "std::unique_ptr<QThread> m_worker;",
        "QThreadPool::globalInstance()->start(task);",
        "QtConcurrent::run([] {});",
        "#include <QtConcurrent>",
    };
    for (const char* text : starts)
        EXPECT_FALSE(ThreadStarts(text).empty()) << text;

    const char* const free[] = {
        "#include <thread>\n#include <QThread>\n\nint main() { return 0; }",
        "std::thread::id owner = std::this_thread::get_id();",
        "const unsigned n = std::thread::hardware_concurrency();",
        "std::this_thread::sleep_for(std::chrono::milliseconds(1));",
        "if (QThread::currentThread() != qApp->thread()) return;",
        "QThread* current = QThread::currentThread();",
        "QThread::msleep(5);\nQThread::isMainThread();\nQThread::idealThreadCount();",
        "// std::thread t; QtConcurrent::run(f);\nconst char* s = \"std::async\";",
        "std::atomic<bool> m_asyncDone; int m_threadCount = 0;",
    };
    for (const char* text : free)
        EXPECT_TRUE(ThreadStarts(text).empty()) << text;

    // Where a start is found: its line.
    const std::vector<std::string> found = ThreadStarts("int a;\n\n// std::thread\nstd::thread t(f);\n");
    EXPECT_EQ(found, std::vector<std::string>{"line 4: std::thread"});
}

TEST(HouseRules, ThreadsStartOnlyInTheRunnerAndTheBackgroundJob)
{
    for (const char* owner : kThreadOwners)
        ASSERT_TRUE(fs::exists(kSource / owner)) << owner;
    // The check sees the threads of the two owners (else it would find nothing anywhere).
    EXPECT_FALSE(ThreadStarts(ReadFile(kSource / "imagelib" / "FCBandRunner.cpp")).empty());
    EXPECT_FALSE(ThreadStarts(ReadFile(kSource / "platform" / "BackgroundJob.cpp")).empty());

    std::vector<std::string> found;
    int files = 0;
    for (const char* folder : kProgramFolders)
    {
        ASSERT_TRUE(fs::is_directory(kSource / folder)) << folder;
        for (const auto& entry : fs::recursive_directory_iterator(kSource / folder))
        {
            if (!entry.is_regular_file() || !IsSource(entry.path())) continue;
            ++files;
            const std::string name = fs::relative(entry.path(), kSource).generic_string();
            if (std::find(std::begin(kThreadOwners), std::end(kThreadOwners), name) !=
                std::end(kThreadOwners))
                continue;
            for (const std::string& start : ThreadStarts(ReadFile(entry.path())))
                found.push_back(name + " " + start);
        }
    }
    EXPECT_GT(files, 100) << "the sources were not read";
    EXPECT_TRUE(found.empty()) << [&]
    {
        std::string all = "threads started outside the runner and the background job:\n";
        for (const std::string& f : found)
            all += "  " + f + "\n";
        return all;
    }();
}
