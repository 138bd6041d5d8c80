// Conversions between the wide strings of the program's interfaces and the UTF-8 bytes that
// the operating system and the C libraries take. wchar_t holds UTF-32 code points here.
#pragma once

#include <string>
#include <string_view>

// Lossless: every code point is encoded; an unpaired surrogate or a value above 0x10FFFF
// becomes U+FFFD. A null pointer gives the empty string.
std::string WideToUtf8(const wchar_t* text);
std::string WideToUtf8(std::wstring_view text);

// Invalid sequences become U+FFFD.
std::wstring Utf8ToWide(std::string_view text);

// True when the bytes form valid UTF-8.
bool IsValidUtf8(std::string_view text);

// File names. The system names a file by bytes, which need not be UTF-8 (a name written by a
// program in Latin-1 is "caf\xE9.png"). In the wide paths of the program's interfaces, each byte
// of such a name that is not part of a valid UTF-8 sequence is kept as the lone code unit
// U+DC80..U+DCFF (0xDC00 + the byte), which no decoded text can hold; every other byte sequence
// is decoded as UTF-8. PathToNative gives the very bytes back, so that every name the system can
// give is a name the program can open and save. This is the one place where paths cross to the
// operating system; text that is not a path goes through the functions above.
std::wstring NativeToPath(std::string_view bytes);
std::string PathToNative(std::wstring_view path);
std::string PathToNative(const wchar_t* path);
// UTF-16 code units (a QString's) to a wide path and back, lone surrogates kept as they are, so
// that the kept bytes of a name survive the windows' strings.
std::wstring Utf16UnitsToWide(const char16_t* units, std::size_t count);
std::u16string WideToUtf16Units(std::wstring_view text);
// A path for the user's eyes: each kept byte shown as U+FFFD.
std::wstring PathForDisplay(std::wstring_view path);

// 8-bit text of foreign origin (metadata strings): read as UTF-8 when it is valid UTF-8, else
// as Windows-1252. Stops at the first zero byte.
std::wstring Bytes8ToWide(std::string_view bytes);
