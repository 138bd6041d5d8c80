// The program's options, one getter and one setter per value. Each accessor opens the settings
// key, does one read or one write and closes it again: no value is kept between calls (the store
// parses its file again whenever the file changed), so what the configuration dialog writes is
// what the next reader sees. A store that cannot be opened gives every getter its default and
// makes every setter do nothing, without a message.
#pragma once

#include "platform/settings/SettingsStore.h"

#include <string>
#include <utility>
#include <vector>

// The key of the options under the per-user root; the recent-file list is its subkey
// "Recent Document List".
const wchar_t* GetSettingsKeyPath();
// The file of the settings store: DefaultSettingsFile() as the environment says now.
std::string GetSettingsFile();

// Opens the options key, creating it when missing (it comes into the file with its first value).
bool OpenSettingsKey(SettingsKey& key);
// The stored 32-bit value, or def when the key cannot be opened, the value is missing, is not
// a REG_DWORD, or does not hold exactly 4 bytes.
DWORD ReadSettingDword(const wchar_t* name, DWORD def);
// Writes a REG_DWORD of 4 bytes; failures are ignored.
void WriteSettingDword(DWORD value, const wchar_t* name);

// "JpegQuality", 90 by default; the setter stores 0 as 90, then clamps to 30..100.
int GetJpegQuality();
void SetJpegQuality(int quality);
// "NbThreads", 1 by default: read as signed, below 1 gives 1, then at most the processor count.
int GetNbThreads();
void SetNbThreads(int threads);
// "ExifWriteDate" and "ExifWriteSoftware", 1 by default; nonzero stamps the tag.
int GetExifWriteDate();
void SetExifWriteDate(int value);
int GetExifWriteSoftware();
void SetExifWriteSoftware(int value);
// "PrintMiseALEchelle", 1 by default; 0 prints pixel for pixel when the image fits the page.
int GetPrintMiseALEchelle();
void SetPrintMiseALEchelle(int value);
// "SplashTimer" in milliseconds, 5000 by default; never written by the program.
int GetSplashTimer();
// "TwainMemoryTransfert", 0 by default (native transfer); nonzero: memory transfer.
int GetTwainMemoryTransfert();
void SetTwainMemoryTransfert(int value);

// "LastDirectory": a REG_SZ or REG_EXPAND_SZ (not expanded) of at most 8192 bytes, empty or of
// even length ending in a null character; the text up to its first null. Anything else: def.
std::wstring ReadLastDirectory(const std::wstring& def);
std::wstring GetLastDirectorySetting();
// Writes REG_SZ of the text up to its first null, with the terminating null; null writes nothing.
void SetLastDirectorySetting(const wchar_t* text);

// The number of processors NbThreads is limited to: the hardware's (at least 1), unless a test
// has set another count (0 goes back to the hardware's).
int GetProcessorCount();
void SetProcessorCountForTesting(int count);

// The file dialogs' filter list: (label, patterns) pairs, "Fichiers images connus" first.
const std::vector<std::pair<std::wstring, std::wstring>>& GetKnownImagesFilterLabel();
// The address the about box links to.
const wchar_t* GetWebPageAddress();
