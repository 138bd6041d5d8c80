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

// 8-bit text of foreign origin (metadata strings): read as UTF-8 when it is valid UTF-8, else
// as Windows-1252. Stops at the first zero byte.
std::wstring Bytes8ToWide(std::string_view bytes);
