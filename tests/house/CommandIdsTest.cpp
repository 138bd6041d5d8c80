// House rule: the command ids live in one table, resources/CommandIds.h, which the document and
// the windows both include and which includes nothing itself. No other source defines a command
// id of its own, under the table's names or under any other name with one of its numbers.
#include "SourceText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace
{
namespace fs = std::filesystem;
using namespace house;

const fs::path kSource = ORVALIS_SOURCE_DIR;
const fs::path kTable = kSource / "resources" / "CommandIds.h";

// The ids of the table, by number.
std::map<long, std::string> TableIds()
{
    std::map<long, std::string> ids;
    const std::string text = StripComments(ReadFile(kTable));
    const std::regex entry(R"(\b(kCmd\w+)\s*=\s*(0[xX][0-9A-Fa-f]+|\d+))");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), entry); it != std::sregex_iterator(); ++it)
        ids.emplace(std::stol((*it)[2], nullptr, 0), (*it)[1]);
    return ids;
}

// What in a source other than the table defines a command id: a kCmd name given a value, or an
// enumerator, #define or named constant holding one of the table's numbers.
std::vector<std::string> Violations(const std::string& source, const std::map<long, std::string>& ids)
{
    std::vector<std::string> found;
    const std::string text = StripComments(source);
    const std::regex named(R"(\b(kCmd\w*)\s*=[^=])");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), named); it != std::sregex_iterator(); ++it)
        found.push_back("line " + std::to_string(LineOf(text, std::size_t(it->position()))) + ": " +
                        (*it)[1].str() + " defined outside the table");

    auto numbered = [&](const std::string& part, std::size_t base, const std::regex& pattern, int nameGroup,
                        int valueGroup)
    {
        for (auto it = std::sregex_iterator(part.begin(), part.end(), pattern); it != std::sregex_iterator();
             ++it)
        {
            const auto id = ids.find(std::stol((*it)[valueGroup], nullptr, 0));
            if (id == ids.end()) continue;
            found.push_back("line " + std::to_string(LineOf(text, base + std::size_t(it->position()))) +
                            ": " + (*it)[nameGroup].str() + " copies " + id->second);
        }
    };
    const std::regex enumBody(R"(\benum\b[^;{]*\{([^}]*)\})");
    const std::regex enumerator(R"((\w+)\s*=\s*(0[xX][0-9A-Fa-f]+|\d+))");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), enumBody); it != std::sregex_iterator();
         ++it)
        numbered((*it)[1].str(), std::size_t(it->position(1)), enumerator, 1, 2);
    numbered(text, 0, std::regex(R"(#\s*define\s+(\w+)\s+(0[xX][0-9A-Fa-f]+|\d+)\b)"), 1, 2);
    numbered(
        text, 0,
        std::regex(
            R"(\bconst(?:expr)?\s+(?:unsigned\s+)?(?:int|long|short|UINT|WORD|DWORD)\s+(\w+)\s*=\s*(0[xX][0-9A-Fa-f]+|\d+)\s*;)"),
        1, 2);
    return found;
}
} // namespace

TEST(HouseRules, TheCheckFindsCopiesOfCommandIds)
{
    const std::map<long, std::string> ids{
        {57601, "kCmdFileOpen"}, {57634, "kCmdEditCopy"}, {0xFF00, "kCmdWindowFirstChild"}};
    const char* const copies[] = {
        "enum { kCmdFileOpen = 57601 };", "enum Commands : int\n{\n    ID_EDIT_COPY = 57634,\n};",
        "#define ID_FILE_OPEN 57601",     "static constexpr int kOpen = 57601;",
        "const UINT kCopy = 57634;",      "enum { kFirstWindow = 0xFF00 };",
    };
    for (const char* text : copies)
        EXPECT_FALSE(Violations(text, ids).empty()) << text;
    const char* const fine[] = {
        "switch (id) { case kCmdFileOpen: break; }",
        "if (id == kCmdEditCopy) return;",
        "enum { kWidth = 57, kOther = 0 };",
        "// kCmdFileOpen = 57601 in a comment\nconst char* s = \"kCmdFileOpen = 1\";",
        "const int id = kCmdFileOpen;",
    };
    for (const char* text : fine)
        EXPECT_TRUE(Violations(text, ids).empty()) << text;
}

TEST(HouseRules, CommandIdsLiveInOneQtFreeTable)
{
    const std::map<long, std::string> ids = TableIds();
    ASSERT_GT(ids.size(), 50u) << "the table was not read";
    EXPECT_EQ(ReadFile(kTable).find("#include"), std::string::npos) << "the table includes nothing";

    std::vector<std::string> found;
    for (auto it = fs::recursive_directory_iterator(kSource); it != fs::recursive_directory_iterator(); ++it)
    {
        const std::string name = it->path().filename().string();
        if (it->is_directory() && (name == "build" || name.rfind(".", 0) == 0))
        {
            it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file() || !IsSource(it->path()) || fs::equivalent(it->path(), kTable)) continue;
        if (it->path().filename() == "CommandIdsTest.cpp") continue; // this check's own samples
        for (const std::string& v : Violations(ReadFile(it->path()), ids))
            found.push_back(fs::relative(it->path(), kSource).string() + " " + v);
    }
    EXPECT_TRUE(found.empty()) << [&]
    {
        std::string all;
        for (const std::string& f : found)
            all += f + "\n";
        return all;
    }();
}
