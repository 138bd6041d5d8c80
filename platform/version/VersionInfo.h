// Reads the string values of a program's version block: the description, version and legal
// notice that the build embeds in every executable of ours, in a section of its own. The about box
// shows them and the EXIF software stamp is made from them. Values are looked up by their full
// path, "\StringFileInfo\" + language and code page of the block's first translation (four
// lower-case hexadecimal digits each) + "\" + name, as the block lists them.
#pragma once

#include <map>
#include <string>

class CVersionInfo
{
public:
    // The block of the running program.
    CVersionInfo();
    // The block of the executable file fileName (UTF-8 on disk). A file that is not one of our
    // executables, or has no block or no translation, answers every query with an empty string.
    explicit CVersionInfo(const wchar_t* fileName);

    // The value, or an empty string; the pointer lives as long as this object.
    const wchar_t* QueryValue(const wchar_t* name) const;

private:
    void Load(const std::string& file);

    std::map<std::wstring, std::wstring> m_block; // full query path -> value
    std::wstring m_prefix;                        // "\StringFileInfo\040c04b0", empty without a block
};
