#include "platform/TextConv.h"

#include <gtest/gtest.h>

TEST(TextConv, WideAndUtf8RoundTrip)
{
    const std::wstring names[] = {L"", L"photo.png", L"été/Ça.jpg", L"\u65e5\u672c.tif", L"\U0001F600.gif"};
    for (const auto& n : names)
        EXPECT_EQ(Utf8ToWide(WideToUtf8(n)), n);
    EXPECT_EQ(WideToUtf8(L"é"), "\xC3\xA9");
    EXPECT_EQ(WideToUtf8(static_cast<const wchar_t*>(nullptr)), "");
}

TEST(TextConv, InvalidInputBecomesReplacementCharacters)
{
    const wchar_t lone[] = {wchar_t(0xD800), 0};
    EXPECT_EQ(WideToUtf8(lone), "\xEF\xBF\xBD");
    struct Case
    {
        const char* bytes;
        bool valid;
    } cases[] = {
        {"abc", true},
        {"\xC3\xA9", true},
        {"\xC3", false}, // truncated
        {"\xC0\xAF", false},
        /* overlong */ {"\xED\xA0\x80", false}, // surrogate
        {"\xF4\x90\x80\x80", false},
        /* above U+10FFFF */ {"\xE2\x82\xAC", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.bytes;
    EXPECT_EQ(Utf8ToWide("a\xC3"), std::wstring(L"a\uFFFD"));
}

TEST(TextConv, EightBitMetadataIsUtf8ElseWindows1252)
{
    EXPECT_EQ(Bytes8ToWide(std::string("Canon\0", 6)), L"Canon");
    EXPECT_EQ(Bytes8ToWide("Caf\xC3\xA9"), L"Café");
    EXPECT_EQ(Bytes8ToWide("Caf\xE9"), L"Café");
    EXPECT_EQ(Bytes8ToWide("\x80 \x99"), L"\u20AC \u2122");
}
