#include "platform/settings/Settings.h"

#include <atomic>
#include <cstring>
#include <thread>

namespace
{
std::atomic<int> g_processorOverride{0};

constexpr std::size_t kLastDirectoryBytes = 8192;

int ReadInt(const wchar_t* name, int def)
{
    return int(ReadSettingDword(name, DWORD(def)));
}
} // namespace

const wchar_t* GetSettingsKeyPath()
{
    return L"Software\\Norbec\\Orvalis5";
}

std::string GetSettingsFile()
{
    return DefaultSettingsFile();
}

bool OpenSettingsKey(SettingsKey& key)
{
    return key.Open(GetSettingsFile(), GetSettingsKeyPath(), true) == ERROR_SUCCESS;
}

DWORD ReadSettingDword(const wchar_t* name, DWORD def)
{
    SettingsKey key;
    if (!OpenSettingsKey(key)) return def;
    SettingsValue value;
    if (key.QueryValue(name, value, 4) != ERROR_SUCCESS || value.type != REG_DWORD || value.data.size() != 4)
        return def;
    DWORD v;
    std::memcpy(&v, value.data.data(), 4);
    return v;
}

void WriteSettingDword(DWORD value, const wchar_t* name)
{
    SettingsKey key;
    if (!OpenSettingsKey(key)) return;
    key.SetValue(name, REG_DWORD, std::string_view(reinterpret_cast<const char*>(&value), 4));
}

int GetJpegQuality()
{
    return ReadInt(L"JpegQuality", 90);
}

void SetJpegQuality(int quality)
{
    if (quality == 0) quality = 90;
    if (quality < 30) quality = 30;
    if (quality > 100) quality = 100;
    WriteSettingDword(DWORD(quality), L"JpegQuality");
}

int GetNbThreads()
{
    int v = ReadInt(L"NbThreads", 1);
    if (v < 1) v = 1;
    const int processors = GetProcessorCount();
    return v < processors ? v : processors;
}

void SetNbThreads(int threads)
{
    WriteSettingDword(DWORD(threads), L"NbThreads");
}

int GetExifWriteDate()
{
    return ReadInt(L"ExifWriteDate", 1);
}

void SetExifWriteDate(int value)
{
    WriteSettingDword(DWORD(value), L"ExifWriteDate");
}

int GetExifWriteSoftware()
{
    return ReadInt(L"ExifWriteSoftware", 1);
}

void SetExifWriteSoftware(int value)
{
    WriteSettingDword(DWORD(value), L"ExifWriteSoftware");
}

int GetPrintMiseALEchelle()
{
    return ReadInt(L"PrintMiseALEchelle", 1);
}

void SetPrintMiseALEchelle(int value)
{
    WriteSettingDword(DWORD(value), L"PrintMiseALEchelle");
}

int GetSplashTimer()
{
    return ReadInt(L"SplashTimer", 5000);
}

int GetTwainMemoryTransfert()
{
    return ReadInt(L"TwainMemoryTransfert", 0);
}

void SetTwainMemoryTransfert(int value)
{
    WriteSettingDword(DWORD(value), L"TwainMemoryTransfert");
}

std::wstring ReadLastDirectory(const std::wstring& def)
{
    SettingsKey key;
    if (!OpenSettingsKey(key)) return def;
    SettingsValue value;
    if (key.QueryValue(L"LastDirectory", value, kLastDirectoryBytes) != ERROR_SUCCESS) return def;
    if (value.type != REG_SZ && value.type != REG_EXPAND_SZ) return def;
    const std::string& d = value.data;
    if (d.empty()) return std::wstring();
    if (d.size() % 2 != 0 || d[d.size() - 1] != 0 || d[d.size() - 2] != 0) return def;
    std::wstring text = FromUtf16Le(d);
    text.resize(text.find(L'\0'));
    return text;
}

std::wstring GetLastDirectorySetting()
{
    return ReadLastDirectory(std::wstring());
}

void SetLastDirectorySetting(const wchar_t* text)
{
    if (!text) return;
    SettingsKey key;
    if (!OpenSettingsKey(key)) return;
    key.SetValue(L"LastDirectory", REG_SZ, ToRegString(text));
}

int GetProcessorCount()
{
    const int forced = g_processorOverride.load();
    if (forced > 0) return forced;
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : int(n);
}

void SetProcessorCountForTesting(int count)
{
    g_processorOverride.store(count > 0 ? count : 0);
}

const std::vector<std::pair<std::wstring, std::wstring>>& GetKnownImagesFilterLabel()
{
    static const std::vector<std::pair<std::wstring, std::wstring>> filters = {
        {L"Fichiers images connus",
         L"*.jpg;*.jpeg;*.jpe;*.jfif*;*.png;*.bmp;*.rle;*.gif;*.tif;*.tiff;*.pcx;*.xpm;"
         L"*.tga;*.targa;*.jp2;*.j2k;*.j2c;*.pbm;*.ppm;*.pgm;*.ico"},
        {L"Fichiers Jpeg (*.jpg;*.jpeg)", L"*.jpg;*.jpeg"},
        {L"Fichiers PNG (*.png)", L"*.png"},
        {L"Fichiers BMP (*.bmp)", L"*.bmp"},
        {L"Fichiers GIF (*.gif)", L"*.gif"},
        {L"Fichiers TIFF (*.tif;*.tiff)", L"*.tif;*.tiff"},
        {L"Fichiers PCX (*.pcx)", L"*.pcx"},
        {L"Fichiers XPM (*.xpm)", L"*.xpm"},
        {L"Fichiers TGA Targa (*.tga;*.targa)", L"*.tga;*.targa"},
        {L"Fichiers Jpeg2000 (*.jp2;*.j2k;*.j2c)", L"*.jp2;*.j2k;*.j2c"},
        {L"Fichiers PBM PGM PPM (*.pbm;*.ppm;*.pgm)", L"*.pbm;*.ppm;*.pgm"},
        {L"Fichiers Icône (*.ico)", L"*.ico"},
        {L"Tous (*.*)", L"*.*"},
    };
    return filters;
}

const wchar_t* GetWebPageAddress()
{
    return L"https://orvalis.example.org/";
}
