#include "bench/EffectRegistry.h"

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>

EffectRegistry& EffectRegistry::Instance()
{
    static EffectRegistry registry;
    return registry;
}

void EffectRegistry::Add(EffectEntry entry)
{
    for (auto& e : m_entries)
        if (e.name == entry.name)
        {
            e = std::move(entry);
            return;
        }
    m_entries.push_back(std::move(entry));
}

const EffectEntry* EffectRegistry::Find(const std::string& name) const
{
    for (const auto& e : m_entries)
        if (e.name == name) return &e;
    return nullptr;
}

std::vector<const EffectEntry*> EffectRegistry::All() const
{
    std::vector<const EffectEntry*> all;
    for (const auto& e : m_entries)
        all.push_back(&e);
    std::sort(all.begin(), all.end(), [](auto* a, auto* b) { return a->name < b->name; });
    return all;
}

bool ParseEffectArg(const std::string& text, long long& out)
{
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0') return false;
    out = v;
    return true;
}

bool ParseEffectArg(const std::string& text, int& out)
{
    long long v;
    if (!ParseEffectArg(text, v) || v < std::numeric_limits<int>::min() ||
        v > std::numeric_limits<int>::max())
        return false;
    out = int(v);
    return true;
}

bool ParseEffectArg(const std::string& text, unsigned& out)
{
    long long v;
    if (!ParseEffectArg(text, v) || v < 0 || v > 0xFFFFFFFFLL) return false;
    out = unsigned(v);
    return true;
}

bool ParseEffectArg(const std::string& text, BYTE& out)
{
    long long v;
    if (!ParseEffectArg(text, v) || v < 0 || v > 255) return false;
    out = BYTE(v);
    return true;
}

bool ParseEffectArg(const std::string& text, double& out)
{
    if (text.empty()) return false;
    // Numbers are read in the C locale whatever the environment says.
    static locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", nullptr);
    errno = 0;
    char* end = nullptr;
    const double v = strtod_l(text.c_str(), &end, cLocale);
    if (errno != 0 || *end != '\0' || !std::isfinite(v)) return false;
    out = v;
    return true;
}

bool ParseEffectArg(const std::string& text, float& out)
{
    double v;
    if (!ParseEffectArg(text, v)) return false;
    out = float(v);
    return true;
}

bool ParseEffectArg(const std::string& text, bool& out)
{
    if (text == "0")
        out = false;
    else if (text == "1")
        out = true;
    else
        return false;
    return true;
}

bool ParseEffectArg(const std::string& text, RGBQUAD& out)
{
    if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X') || text.size() > 10)
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long v = std::strtoul(text.c_str() + 2, &end, 16);
    if (errno != 0 || *end != '\0') return false;
    out.rgbBlue = BYTE(v & 0xFF);
    out.rgbGreen = BYTE((v >> 8) & 0xFF);
    out.rgbRed = BYTE((v >> 16) & 0xFF);
    out.rgbReserved = BYTE((v >> 24) & 0xFF);
    return true;
}
