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

// Names the system gives are bytes: whatever they hold comes back byte for byte, and UTF-8
// names read as their text.
TEST(TextConv, PathsKeepTheBytesOfEveryName)
{
    const std::string names[] = {
        "/tmp/photo.png",
        "/tmp/caf\xE9.png",                // Latin-1
        "/tmp/\xC3\xA9t\xC3\xA9/x.jpg",    // UTF-8
        "/tmp/\xC3",                       // a UTF-8 sequence cut short
        "/tmp/\xED\xA0\x80.gif",           // an encoded surrogate
        "/tmp/\xF0\x9F\x98\x80\xFF\xFE.x", // valid, then not
        std::string("\x80\x81\xBF\xC0\xC1\xF5\xFF", 7),
    };
    for (const std::string& n : names)
    {
        const std::wstring wide = NativeToPath(n);
        EXPECT_EQ(PathToNative(wide), n);
        // Through the windows' 16-bit strings and back.
        const std::u16string units = WideToUtf16Units(wide);
        EXPECT_EQ(Utf16UnitsToWide(units.data(), units.size()), wide);
    }
    EXPECT_EQ(NativeToPath("/tmp/\xC3\xA9t\xC3\xA9"), L"/tmp/été");
    EXPECT_EQ(NativeToPath("caf\xE9"), std::wstring(L"caf") + wchar_t(0xDCE9));
    EXPECT_EQ(PathToNative(L"/tmp/été"), "/tmp/\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(PathForDisplay(NativeToPath("caf\xE9.png")), L"caf\uFFFD.png");
    EXPECT_EQ(PathToNative(static_cast<const wchar_t*>(nullptr)), "");
}
