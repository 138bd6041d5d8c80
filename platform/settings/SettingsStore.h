// The per-user typed settings store: keys and subkeys under one per-user root, each value kept
// with its type and its raw bytes exactly as written, in one human-readable text file in the
// user's configuration folder. Every open sees the file as it is now: the file is parsed again
// whenever it changed since it was last read (by this program or another). Every write is a
// read-modify-write of the whole file under an advisory lock, through a temporary file that is
// flushed and renamed over the old one, so that two running programs lose none of each other's
// values; a settings file reached through a symbolic link is written where the link points.
//
// A file that does not parse (or is far too large to be ours) reads as an empty store: readers
// get their defaults, and the file is left as it is until something is written. The first write
// moves it aside, under its name followed by ".endommage-" and the date and time, where the user
// finds it, and starts a new file, so that changes are never silently dropped. A file that
// cannot be read at all (no permission, a folder, a FIFO or a device in its place) opens no key:
// readers get their defaults and writers change nothing.
//
// The file looks like this (string data is UTF-16LE with its terminating null, as the values
// have always been kept; the text form is used only when it gives back the same bytes):
//
//   [Software\Norbec\Orvalis5]
//   "JpegQuality"=dword:0000005a
//   "LastDirectory"="/home/u/images"
//   "Odd"=hex(2):2f,00,61
#pragma once

#include "platform/WinTypes.h"

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

// Value types.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

// Results of the key operations.
constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_MORE_DATA = 234;

struct SettingsValue
{
    DWORD type = REG_NONE;
    std::string data; // raw bytes
};

// The parsed contents of a settings file: key path -> value name -> value. Key paths and value
// names compare without regard to the case of ASCII letters; the spelling first written is kept.
class SettingsContents
{
public:
    struct Key
    {
        std::wstring path;
        std::map<std::wstring, std::pair<std::wstring, SettingsValue>> values; // folded name -> (name, value)
    };

    // Null when the key does not exist.
    const Key* FindKey(std::wstring_view path) const;
    Key& MakeKey(std::wstring_view path);
    bool RemoveKey(std::wstring_view path);
    const std::map<std::wstring, Key>& Keys() const { return m_keys; }

    // The text form; Parse gives false for anything it does not understand.
    std::string Format() const;
    bool Parse(std::string_view text);

    static std::wstring Fold(std::wstring_view text);

private:
    std::map<std::wstring, Key> m_keys; // folded path -> key
};

// How many times a settings file has been parsed by this process (for tests and diagnostics).
std::uint64_t SettingsFileParses();

// Where the settings of this user live: $XDG_CONFIG_HOME/orvalis5/settings.reg, with
// ~/.config in place of an unset or relative $XDG_CONFIG_HOME; empty when neither can be found.
std::string DefaultSettingsFile();

// An open key of the store at one file: a handle that the accessors open, use once and close.
class SettingsKey
{
public:
    SettingsKey() = default;
    SettingsKey(const SettingsKey&) = delete;
    SettingsKey& operator=(const SettingsKey&) = delete;

    // Opens the key `path` (backslash-separated, under the per-user root) of the store in `file`.
    // A key that is missing opens only with `create` (it comes into the file with its first
    // value; opening writes nothing). ERROR_ACCESS_DENIED when the file cannot be read, or does
    // not parse and `create` is not given; ERROR_FILE_NOT_FOUND for a missing key without
    // `create`.
    LONG Open(const std::string& file, std::wstring_view path, bool create);
    bool IsOpen() const { return m_open; }
    void Close() { m_open = false; }

    // Copies the value into out when its data holds at most maxBytes bytes; ERROR_MORE_DATA
    // (out.type set, data empty) when it holds more; ERROR_FILE_NOT_FOUND when missing.
    LONG QueryValue(std::wstring_view name, SettingsValue& out, std::size_t maxBytes) const;
    // Writes one value (any type, any bytes) or deletes one; the file is rewritten at once.
    LONG SetValue(std::wstring_view name, DWORD type, std::string_view data);
    LONG DeleteValue(std::wstring_view name);

private:
    template <class Change> LONG Rewrite(Change change);

    bool m_open = false;
    std::string m_file;
    std::wstring m_path;
    SettingsContents::Key m_snapshot;
};

// Helpers for string values: text <-> UTF-16LE bytes. ToRegString stops at the first null
// character and appends the terminating null. Lone surrogates are kept as lone units both ways,
// so that a path holding bytes that are not UTF-8 (TextConv) comes back as it went.
std::string ToRegString(std::wstring_view text);
// The UTF-16LE code units as text (surrogate pairs joined); an odd last byte is ignored.
std::wstring FromUtf16Le(std::string_view data);
