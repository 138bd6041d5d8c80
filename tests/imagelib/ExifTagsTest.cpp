// Tag names and the text of item values, including malformed items that must not be read past
// their length, and a French LC_NUMERIC that must not change the decimal point.
#include "imagelib/FCExifTags.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace
{
std::string LE32(std::uint32_t v)
{
    return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}
std::string LE16(unsigned v)
{
    return std::string{char(v), char(v >> 8)};
}
std::string Rat(std::uint32_t n, std::uint32_t d)
{
    return LE32(n) + LE32(d);
}

struct Case
{
    unsigned tag;
    unsigned short type;
    std::string bytes;
    std::wstring expected;
};

// The value is copied into a block of exactly its length, so that ASan sees any over-read.
std::wstring Format(unsigned tag, unsigned short type, const std::string& bytes)
{
    std::vector<char> exact(bytes.begin(), bytes.end());
    PropertyItem item;
    item.id = tag;
    item.type = type;
    item.length = std::uint32_t(exact.size());
    static const char nothing = 0; // a value pointer with no bytes to read for length 0
    item.value = exact.empty() ? &nothing : exact.data();
    return FormatPropertyValue(item);
}

const std::vector<Case>& Cases()
{
    static const std::vector<Case> cases = {
        // Exposure time: reduced to 1/x only when n > 1, d >= 11 and d > n.
        {33434, 5, Rat(10, 1250), L"1/125 s"},
        {33434, 5, Rat(1, 60), L"1/60 s"},
        {33434, 5, Rat(5, 10), L"5/10 s"},
        {33434, 5, Rat(30, 1), L"30/1 s"},
        {33434, 5, Rat(3, 1000), L"1/333 s"},
        {33434, 5, Rat(5, 0), L""},
        // F-number, ISO, focal length.
        {33437, 5, Rat(28, 10), L"F/2.8"},
        {33437, 5, Rat(56, 10), L"F/5.6"},
        {33437, 5, Rat(28, 0), L""},
        {34855, 3, LE16(200), L"ISO 200"},
        {34855, 3, LE16(200) + LE16(400), L"ISO 200"},
        {37386, 5, Rat(50, 10), L"5.00 mm"},
        {37386, 5, Rat(350, 10), L"35.0 mm"},
        {37386, 5, Rat(2000, 10), L"200 mm"},
        {37386, 5, Rat(999, 100), L"9.99 mm"},
        {37386, 5, Rat(1, 0), L""},
        // Orientation and resolution unit.
        {274, 3, LE16(1), L"Horizontal"},
        {274, 3, LE16(3), L"Horizontal Rot 180\u00b0"},
        {274, 3, LE16(5), L"Vertical Rot 90\u00b0 Flix X"},
        {274, 3, LE16(8), L"Vertical Rot 90\u00b0"},
        {274, 3, LE16(9), L""},
        {274, 3, LE16(0), L""},
        {296, 3, LE16(2), L"inch"},
        {296, 3, LE16(3), L"cm"},
        {296, 3, LE16(4), L""},
        // Resolution in signed integer division; no trap on 0 or INT_MIN / -1.
        {282, 5, Rat(300, 1), L"300 dpi"},
        {283, 5, Rat(720, 10), L"72 dpi"},
        {282, 10, Rat(std::uint32_t(-300), 7), L"-42 dpi"},
        {282, 5, Rat(300, 0), L""},
        {282, 10, Rat(0x80000000u, 0xFFFFFFFFu), L""},
        // Generic forms by type.
        {9999, 1, "\x07", L"7"},
        {9999, 1, "\xC8\x01\x02", L"Array(3) 200 ..."},
        {9999, 1, "", L""},
        {9999, 2, std::string("Canon\0", 6), L"Canon"},
        {9999, 2, "NoTerminator", L"NoTerminator"},
        {9999, 2, "caf\xc3\xa9", L"caf\u00e9"}, // UTF-8
        {9999, 2, "caf\xe9", L"caf\u00e9"},     // Windows-1252
        {9999, 2, "\x80uro", L"\u20acuro"},     // Windows-1252 high range
        {9999, 3, LE16(640), L"640"},
        {9999, 3, LE16(640) + LE16(1) + LE16(2), L"Array(3) 640 ..."},
        {9999, 3, "\x01", L""},
        {9999, 4, LE32(123456), L"123456"},
        {9999, 4, LE32(0xFFFFFFFFu), L"-1"}, // shown signed
        {9999, 4, LE32(5) + LE32(6), L"Array(2) 5 ..."},
        {9999, 4, "\x01\x02", L""},
        {9999, 9, LE32(std::uint32_t(-17)), L"-17"},
        {9999, 5, Rat(72, 1), L"72/1"},
        {9999, 5, Rat(72, 0), L"72/0"},
        {9999, 10, Rat(std::uint32_t(-1), 3), L"-1/3"},
        {9999, 5, "\x01\x02\x03", L""},
        {9999, 7, std::string(12, 'x'), L"Undefined(12)"},
        {9999, 11, LE32(0), L""},
        {9999, 6, "\x01", L""},
        // A special tag whose value is too short or of the wrong type falls back to the
        // generic form (and to empty text when even that lacks bytes).
        {33434, 3, LE16(2), L"2"},
        {33434, 5, LE32(10), L""},
        {34855, 3, "\x01", L""},
        {34855, 4, LE32(100), L"100"},
        {274, 1, "\x01", L"1"},
        {282, 4, LE32(300), L"300"},
        {37386, 7, std::string(8, '\0'), L"Undefined(8)"},
    };
    return cases;
}
} // namespace

TEST(ExifTags, FormatsValues)
{
    for (const Case& c : Cases())
        EXPECT_EQ(Format(c.tag, c.type, c.bytes), c.expected) << "tag " << c.tag << " type " << c.type;
}

TEST(ExifTags, NullValueGivesEmptyText)
{
    PropertyItem item;
    item.id = 282;
    item.type = 5;
    item.length = 8;
    item.value = nullptr;
    EXPECT_EQ(FormatPropertyValue(item), L"");
}

TEST(ExifTags, Names)
{
    const struct
    {
        unsigned tag;
        const wchar_t* name;
    } names[] = {
        {20736, L"FrameDelay"},
        {41486, L"FocalXRes"},
        {1, L""},
        {292, L"T4Optio"},
        {339, L"SampleForma"},
        {301, L"TransferFuncition"},
        {263, L"ThreshHolding"},
        {305, L"SoftwareUsed"},
        {271, L"EquipMake"},
        {254, L"NewSubfileType"},
        {41730, L"ExifCfaPattern"},
        {36867, L"ExifDTOrig"},
        {40965, L"ExifInterop"},
        {0, L""},
        {41731, L""},
        {0x10000 + 271, L""},
        {20624, L"LuminanceTable"},
        {530, L"TagYCbCrSubsampling"},
    };
    for (const auto& n : names)
        EXPECT_EQ(PropertyTagName(n.tag), n.name) << n.tag;

    // The names are unique, so that a match by name is a match by tag.
    std::vector<std::wstring> seen;
    int count = 0;
    for (unsigned tag = 0; tag < 65536; ++tag)
    {
        std::wstring name = PropertyTagName(tag);
        if (name.empty()) continue;
        ++count;
        for (const auto& s : seen)
            ASSERT_NE(s, name) << tag;
        seen.push_back(name);
    }
    EXPECT_EQ(count, 123);
}

TEST(ExifTags, TypeAndStatusNames)
{
    const wchar_t* types[] = {L"Unknown", L"Byte",      L"ASCII",   L"Short", L"Long",      L"Rational",
                              L"Unknown", L"Undefined", L"Unknown", L"SLONG", L"SRational", L"Unknown"};
    for (unsigned t = 0; t < std::size(types); ++t)
        EXPECT_EQ(PropertyTypeName(t), types[t]) << t;
    EXPECT_EQ(GdiplusStatusName(0), L"Ok");
    EXPECT_EQ(GdiplusStatusName(1), L"GenericError");
    EXPECT_EQ(GdiplusStatusName(13), L"UnknownImageFormat");
    EXPECT_EQ(GdiplusStatusName(17), L"UnsupportedGdiplusVersion");
    EXPECT_EQ(GdiplusStatusName(20), L"PropertyNotSupported");
    EXPECT_EQ(GdiplusStatusName(21), L"Unknown");
    EXPECT_EQ(GdiplusStatusName(-1), L"Unknown");
}

// A French locale is compiled for the test into a temporary folder, so that the check does not
// depend on the locales the machine has generated.
TEST(ExifTags, NumbersIgnoreTheLocale)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(::testing::TempDir()) / ("orvalis-locale-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string command =
        "localedef -i fr_FR -f UTF-8 '" + (dir / "fr_FR.UTF-8").string() + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << "localedef (Debian package locales) is needed";
    const char* oldLocpath = std::getenv("LOCPATH");
    const std::string saved = oldLocpath ? oldLocpath : "";
    setenv("LOCPATH", dir.c_str(), 1);
    ASSERT_NE(std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"), nullptr);
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.2f", 5.0);
    EXPECT_STREQ(probe, "5,00"); // the locale is really in force

    EXPECT_EQ(Format(37386, 5, Rat(50, 10)), L"5.00 mm");
    EXPECT_EQ(Format(37386, 5, Rat(350, 10)), L"35.0 mm");
    EXPECT_EQ(Format(33437, 5, Rat(28, 10)), L"F/2.8");
    for (const Case& c : Cases())
        EXPECT_EQ(Format(c.tag, c.type, c.bytes), c.expected) << "tag " << c.tag;

    std::setlocale(LC_NUMERIC, "C");
    if (oldLocpath)
        setenv("LOCPATH", saved.c_str(), 1);
    else
        unsetenv("LOCPATH");
    fs::remove_all(dir);
}
