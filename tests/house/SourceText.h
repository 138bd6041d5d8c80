// What the house tests read the program's sources with: a file's text, the same text with its
// comments and string literals blanked (lines kept, so that offsets still give line numbers).
#pragma once

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace house
{
inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The text without its comments and string literals, lines kept.
inline std::string StripComments(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        const char c = text[i];
        if (c == '/' && i + 1 < text.size() && text[i + 1] == '/')
        {
            while (i < text.size() && text[i] != '\n')
                ++i;
            out += '\n';
        }
        else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*')
        {
            for (i += 2; i + 1 < text.size() && !(text[i] == '*' && text[i + 1] == '/'); ++i)
                if (text[i] == '\n') out += '\n';
            ++i;
        }
        else if (c == '"' && (i == 0 || text[i - 1] != '\''))
        {
            for (++i; i < text.size() && text[i] != '"'; ++i)
                if (text[i] == '\\') ++i;
            out += "\"\"";
        }
        else
            out += c;
    }
    return out;
}

inline int LineOf(const std::string& text, std::size_t offset)
{
    return 1 + int(std::count(text.begin(), text.begin() + std::ptrdiff_t(offset), '\n'));
}

inline bool IsSource(const std::filesystem::path& path)
{
    const std::string ext = path.extension().string();
    return ext == ".h" || ext == ".cpp" || ext == ".inl" || ext == ".c";
}
} // namespace house
