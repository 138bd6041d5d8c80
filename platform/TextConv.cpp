#include "platform/TextConv.h"

#include <cwchar>

namespace
{
void AppendUtf8(std::string& out, char32_t c)
{
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
    if (c < 0x80)
        out += char(c);
    else if (c < 0x800)
    {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    }
    else if (c < 0x10000)
    {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
    else
    {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// Decodes one UTF-8 sequence at text[i]; returns the code point or -1 when invalid, and the
// number of bytes used (at least 1).
long DecodeOne(std::string_view text, std::size_t i, std::size_t& used)
{
    const unsigned char b0 = static_cast<unsigned char>(text[i]);
    used = 1;
    if (b0 < 0x80) return b0;
    int n;
    char32_t c;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0)
        n = 1, c = b0 & 0x1F, min = 0x80;
    else if ((b0 & 0xF0) == 0xE0)
        n = 2, c = b0 & 0x0F, min = 0x800;
    else if ((b0 & 0xF8) == 0xF0)
        n = 3, c = b0 & 0x07, min = 0x10000;
    else
        return -1;
    if (i + std::size_t(n) >= text.size()) return -1;
    for (int k = 1; k <= n; ++k)
    {
        const unsigned char b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80) return -1;
        c = (c << 6) | (b & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return -1;
    used = std::size_t(n) + 1;
    return long(c);
}

const char16_t kCp1252High[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                  0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
} // namespace

std::string WideToUtf8(std::wstring_view text)
{
    std::string out;
    out.reserve(text.size());
    for (wchar_t w : text)
        AppendUtf8(out, static_cast<char32_t>(w));
    return out;
}

std::string WideToUtf8(const wchar_t* text)
{
    if (!text) return {};
    return WideToUtf8(std::wstring_view(text, std::wcslen(text)));
}

std::wstring Utf8ToWide(std::string_view text)
{
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();)
    {
        std::size_t used;
        const long c = DecodeOne(text, i, used);
        out += c < 0 ? wchar_t(0xFFFD) : wchar_t(c);
        i += used;
    }
    return out;
}

bool IsValidUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();)
    {
        std::size_t used;
        if (DecodeOne(text, i, used) < 0) return false;
        i += used;
    }
    return true;
}

std::wstring Bytes8ToWide(std::string_view bytes)
{
    const auto zero = bytes.find('\0');
    if (zero != std::string_view::npos) bytes = bytes.substr(0, zero);
    if (IsValidUtf8(bytes)) return Utf8ToWide(bytes);
    std::wstring out;
    out.reserve(bytes.size());
    for (char ch : bytes)
    {
        const unsigned char b = static_cast<unsigned char>(ch);
        out += (b >= 0x80 && b < 0xA0) ? wchar_t(kCp1252High[b - 0x80]) : wchar_t(b);
    }
    return out;
}

namespace
{
constexpr wchar_t kKeptByteBase = 0xDC00;

bool IsKeptByte(wchar_t c)
{
    return c >= 0xDC80 && c <= 0xDCFF;
}
} // namespace

std::wstring NativeToPath(std::string_view bytes)
{
    std::wstring out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();)
    {
        std::size_t used;
        const long c = DecodeOne(bytes, i, used);
        if (c < 0)
        {
            // Not UTF-8: this byte is kept as it is; decoding starts again at the next one.
            out += wchar_t(kKeptByteBase + static_cast<unsigned char>(bytes[i]));
            i += 1;
            continue;
        }
        out += wchar_t(c);
        i += used;
    }
    return out;
}

std::string PathToNative(std::wstring_view path)
{
    std::string out;
    out.reserve(path.size());
    for (wchar_t w : path)
    {
        if (IsKeptByte(w))
            out += char(w - kKeptByteBase);
        else
            AppendUtf8(out, static_cast<char32_t>(w));
    }
    return out;
}

std::string PathToNative(const wchar_t* path)
{
    if (!path) return {};
    return PathToNative(std::wstring_view(path, std::wcslen(path)));
}

std::wstring Utf16UnitsToWide(const char16_t* units, std::size_t count)
{
    std::wstring out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
    {
        const char16_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF)
        {
            out += wchar_t(0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(units[i + 1]) - 0xDC00));
            ++i;
        }
        else
            out += wchar_t(u); // lone halves too: they may be kept bytes of a file name
    }
    return out;
}

std::u16string WideToUtf16Units(std::wstring_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (wchar_t w : text)
    {
        char32_t c = static_cast<char32_t>(w);
        if (c > 0x10FFFF) c = 0xFFFD;
        if (c >= 0x10000)
        {
            c -= 0x10000;
            out += char16_t(0xD800 + (c >> 10));
            out += char16_t(0xDC00 + (c & 0x3FF));
        }
        else
            out += char16_t(c);
    }
    return out;
}

std::wstring PathForDisplay(std::wstring_view path)
{
    std::wstring out(path);
    for (wchar_t& c : out)
        if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
    return out;
}
