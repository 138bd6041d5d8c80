#include "platform/scanner/SaneDevice.h"

#include "platform/scanner/BackendThreads.h"

#include <sane/saneopts.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>

namespace scanner
{
namespace
{
// How long a page's threads are given to come to rest before the page is stopped anyway.
constexpr std::chrono::milliseconds kRestLimit{3000};

std::mutex g_sessionMutex;
int g_sessionUsers = 0;
bool g_sessionOk = false;

bool Contains(const char* text, const char* part)
{
    return text && std::strstr(text, part) != nullptr;
}

bool IsFeederSource(const char* source)
{
    return Contains(source, "Feeder") || Contains(source, "ADF") || Contains(source, "feeder");
}

std::vector<std::string> StringList(const SANE_Option_Descriptor* d)
{
    std::vector<std::string> out;
    if (d && d->type == SANE_TYPE_STRING && d->constraint_type == SANE_CONSTRAINT_STRING_LIST)
        for (const SANE_String_Const* s = d->constraint.string_list; *s; ++s)
            out.emplace_back(*s);
    return out;
}

bool HasString(const std::vector<std::string>& list, const char* s)
{
    return std::find(list.begin(), list.end(), s) != list.end();
}
} // namespace

SaneSession::SaneSession()
{
    std::lock_guard lock(g_sessionMutex);
    if (g_sessionUsers++ == 0)
    {
        SANE_Int version = 0;
        g_sessionOk = sane_init(&version, nullptr) == SANE_STATUS_GOOD;
    }
    m_ok = g_sessionOk;
}

SaneSession::~SaneSession()
{
    std::lock_guard lock(g_sessionMutex);
    if (--g_sessionUsers == 0 && g_sessionOk)
    {
        sane_exit();
        g_sessionOk = false;
    }
}

std::vector<SaneDeviceInfo> ListSaneDevices()
{
    SaneSession session;
    std::vector<SaneDeviceInfo> out;
    if (!session.Ok()) return out;
    const SANE_Device** list = nullptr;
    if (sane_get_devices(&list, SANE_TRUE) != SANE_STATUS_GOOD || !list) return out;
    for (const SANE_Device** d = list; *d; ++d)
        out.push_back({(*d)->name ? (*d)->name : "", (*d)->vendor ? (*d)->vendor : "",
                       (*d)->model ? (*d)->model : "", (*d)->type ? (*d)->type : ""});
    return out;
}

std::size_t BitmapPitch(std::int64_t width, int bitsPerPixel)
{
    if (width <= 0 || bitsPerPixel <= 0 || width > (std::int64_t(1) << 28)) return 0;
    return std::size_t(((width * bitsPerPixel + 31) / 32) * 4);
}

SaneScanner::~SaneScanner()
{
    Close();
}

SANE_Status SaneScanner::Open(const std::string& device)
{
    Close();
    if (!m_session.Ok()) return SANE_STATUS_IO_ERROR;
    SANE_Handle handle = nullptr;
    const SANE_Status status = sane_open(device.c_str(), &handle);
    if (status != SANE_STATUS_GOOD) return status;
    m_handle = handle;
    m_device = device;
    return SANE_STATUS_GOOD;
}

void SaneScanner::Close()
{
    if (!m_handle) return;
    if (m_inPage) StopDevice();
    sane_close(m_handle);
    m_handle = nullptr;
    m_inPage = false;
}

const SANE_Option_Descriptor* SaneScanner::FindOption(const char* name, int* index) const
{
    if (!m_handle) return nullptr;
    for (int i = 1;; ++i)
    {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(m_handle, i);
        if (!d) return nullptr;
        if (d->name && std::strcmp(d->name, name) == 0 && SANE_OPTION_IS_ACTIVE(d->cap))
        {
            if (index) *index = i;
            return d;
        }
    }
}

ScanCapabilities SaneScanner::Capabilities() const
{
    ScanCapabilities caps;
    caps.deviceName = m_device;
    const auto modes = StringList(FindOption(SANE_NAME_SCAN_MODE, nullptr));
    if (!modes.empty())
    {
        caps.color = HasString(modes, SANE_VALUE_SCAN_MODE_COLOR);
        caps.gray = HasString(modes, SANE_VALUE_SCAN_MODE_GRAY);
        caps.blackWhite = HasString(modes, SANE_VALUE_SCAN_MODE_LINEART) || caps.gray;
    }
    if (const SANE_Option_Descriptor* d = FindOption(SANE_NAME_SCAN_RESOLUTION, nullptr))
    {
        if (d->constraint_type == SANE_CONSTRAINT_RANGE)
        {
            const bool fixed = d->type == SANE_TYPE_FIXED;
            auto value = [fixed](SANE_Word w) { return fixed ? int(SANE_UNFIX(w)) : int(w); };
            caps.minResolution = std::max(1, value(d->constraint.range->min));
            caps.maxResolution = std::max(caps.minResolution, value(d->constraint.range->max));
        }
        else if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST && d->constraint.word_list[0] > 0)
        {
            const bool fixed = d->type == SANE_TYPE_FIXED;
            const SANE_Word* w = d->constraint.word_list;
            caps.minResolution = fixed ? int(SANE_UNFIX(w[1])) : int(w[1]);
            caps.maxResolution = fixed ? int(SANE_UNFIX(w[w[0]])) : int(w[w[0]]);
        }
    }
    const auto sources = StringList(FindOption(SANE_NAME_SCAN_SOURCE, nullptr));
    if (!sources.empty())
    {
        caps.feeder = std::any_of(sources.begin(), sources.end(),
                                  [](const std::string& s) { return IsFeederSource(s.c_str()); });
        caps.flatbed = std::any_of(sources.begin(), sources.end(),
                                   [](const std::string& s) { return !IsFeederSource(s.c_str()); });
    }
    return caps;
}

bool SaneScanner::SetOption(const std::string& name, const std::string& value)
{
    int index = 0;
    const SANE_Option_Descriptor* d = FindOption(name.c_str(), &index);
    if (!d || !SANE_OPTION_IS_SETTABLE(d->cap)) return false;
    SANE_Int info = 0;
    switch (d->type)
    {
    case SANE_TYPE_BOOL:
    case SANE_TYPE_INT:
    case SANE_TYPE_FIXED:
    {
        SANE_Word w = 0;
        if (value == "yes" || value == "true")
            w = SANE_TRUE;
        else if (value == "no" || value == "false")
            w = SANE_FALSE;
        else
        {
            char* end = nullptr;
            const double v = std::strtod(value.c_str(), &end);
            if (end == value.c_str()) return false;
            w = d->type == SANE_TYPE_FIXED ? SANE_FIX(v) : SANE_Word(std::lround(v));
        }
        return sane_control_option(m_handle, index, SANE_ACTION_SET_VALUE, &w, &info) == SANE_STATUS_GOOD;
    }
    case SANE_TYPE_STRING:
    {
        std::vector<char> buffer(std::max<std::size_t>(std::size_t(d->size), value.size() + 1), 0);
        std::memcpy(buffer.data(), value.c_str(), value.size());
        return sane_control_option(m_handle, index, SANE_ACTION_SET_VALUE, buffer.data(), &info) ==
               SANE_STATUS_GOOD;
    }
    default:
        return false;
    }
}

bool SaneScanner::Apply(const ScanSettings& settings)
{
    if (!m_handle) return false;
    const auto modes = StringList(FindOption(SANE_NAME_SCAN_MODE, nullptr));
    bool ok = true;
    switch (settings.mode)
    {
    case ScanMode::Color:
        ok = SetOption(SANE_NAME_SCAN_MODE, SANE_VALUE_SCAN_MODE_COLOR);
        break;
    case ScanMode::Gray:
        ok = SetOption(SANE_NAME_SCAN_MODE, SANE_VALUE_SCAN_MODE_GRAY);
        break;
    case ScanMode::BlackWhite:
        ok = HasString(modes, SANE_VALUE_SCAN_MODE_LINEART)
                 ? SetOption(SANE_NAME_SCAN_MODE, SANE_VALUE_SCAN_MODE_LINEART)
                 : SetOption(SANE_NAME_SCAN_MODE, SANE_VALUE_SCAN_MODE_GRAY);
        break;
    }
    if (!ok) return false;
    if (FindOption(SANE_NAME_BIT_DEPTH, nullptr))
    {
        const bool oneBit =
            settings.mode == ScanMode::BlackWhite && !HasString(modes, SANE_VALUE_SCAN_MODE_LINEART);
        if (!SetOption(SANE_NAME_BIT_DEPTH, oneBit ? "1" : "8") && settings.mode != ScanMode::BlackWhite)
            return false;
    }
    if (FindOption(SANE_NAME_SCAN_RESOLUTION, nullptr) &&
        !SetOption(SANE_NAME_SCAN_RESOLUTION, std::to_string(settings.resolution)))
        return false;
    const auto sources = StringList(FindOption(SANE_NAME_SCAN_SOURCE, nullptr));
    for (const std::string& s : sources)
        if (IsFeederSource(s.c_str()) == settings.feeder)
        {
            if (!SetOption(SANE_NAME_SCAN_SOURCE, s)) return false;
            break;
        }
    m_settings = settings;
    return true;
}

SANE_Status SaneScanner::Start()
{
    if (!m_handle) return SANE_STATUS_INVAL;
    if (m_inPage && !m_ended) StopDevice();
    m_inPage = false;
    m_ended = false;
    m_rowsRead = 0;
    m_lineFill = 0;
    m_lineReady = false;
    m_pending = SANE_STATUS_GOOD;
    // The threads the backend starts for the page are the ones born during sane_start, and so
    // are the pipes they write the page into.
    const std::vector<pid_t> before = ProcessThreads();
    const std::vector<FdRecord> fdsBefore = ProcessFds();
    SANE_Status status = sane_start(m_handle);
    m_pageThreads = NewThreads(before, ProcessThreads());
    m_pagePipes = NewPipeReadEnds(fdsBefore, ProcessFds());
    if (status != SANE_STATUS_GOOD)
    {
        StopDevice();
        return status;
    }
    SANE_Parameters p{};
    status = sane_get_parameters(m_handle, &p);
    if (status != SANE_STATUS_GOOD)
    {
        StopDevice();
        return status;
    }
    PageFormat f;
    f.width = p.pixels_per_line;
    f.lines = p.lines < 0 ? -1 : p.lines;
    f.sourceBytesPerLine = p.bytes_per_line;
    if (p.format == SANE_FRAME_GRAY && p.depth == 1)
    {
        f.bitsPerPixel = 1;
        f.mode = ScanMode::BlackWhite;
    }
    else if (p.format == SANE_FRAME_GRAY && p.depth == 8)
    {
        f.bitsPerPixel = 8;
        f.mode = ScanMode::Gray;
    }
    else if (p.format == SANE_FRAME_RGB && p.depth == 8)
    {
        f.bitsPerPixel = 24;
        f.mode = ScanMode::Color;
    }
    f.pitch = BitmapPitch(f.width, f.bitsPerPixel);
    const std::int64_t needed = (std::int64_t(f.width) * f.bitsPerPixel + 7) / 8;
    if (f.bitsPerPixel == 0 || f.pitch == 0 || p.bytes_per_line < needed || p.bytes_per_line > (1 << 28) ||
        !p.last_frame)
    {
        StopDevice();
        return SANE_STATUS_UNSUPPORTED;
    }
    f.resolution = m_settings.resolution;
    m_format = f;
    m_line.assign(std::size_t(p.bytes_per_line), 0);
    m_inPage = true;
    if (f.lines == 0) m_ended = true;
    return SANE_STATUS_GOOD;
}

SANE_Status SaneScanner::FillLine()
{
    while (m_lineFill < m_line.size())
    {
        SANE_Int got = 0;
        const SANE_Status status =
            sane_read(m_handle, m_line.data() + m_lineFill, SANE_Int(m_line.size() - m_lineFill), &got);
        if (status != SANE_STATUS_GOOD) return status;
        if (got < 0 || std::size_t(got) > m_line.size() - m_lineFill) return SANE_STATUS_IO_ERROR;
        m_lineFill += std::size_t(got);
    }
    m_lineFill = 0;
    m_lineReady = true;
    return SANE_STATUS_GOOD;
}

void SaneScanner::ConvertLine(std::uint8_t* dest, bool bgr) const
{
    const std::size_t width = std::size_t(m_format.width);
    std::size_t used = 0;
    switch (m_format.bitsPerPixel)
    {
    case 24:
        for (std::size_t x = 0; x < width; ++x)
        {
            const std::uint8_t* s = m_line.data() + 3 * x;
            dest[3 * x] = bgr ? s[2] : s[0];
            dest[3 * x + 1] = s[1];
            dest[3 * x + 2] = bgr ? s[0] : s[2];
        }
        used = 3 * width;
        break;
    case 8:
        std::memcpy(dest, m_line.data(), width);
        used = width;
        break;
    default:
        used = (width + 7) / 8;
        std::memcpy(dest, m_line.data(), used);
        // Bits past the last pixel are left clear.
        if (width % 8) dest[used - 1] &= std::uint8_t(0xFF << (8 - width % 8));
        break;
    }
    std::memset(dest + used, 0, m_format.pitch - used);
}

SANE_Status SaneScanner::ReadRows(std::uint8_t* dest, std::size_t pitch, int maxRows, bool bgr, int* rowsRead)
{
    *rowsRead = 0;
    if (!m_inPage) return SANE_STATUS_INVAL;
    if (pitch < m_format.pitch) return SANE_STATUS_INVAL;
    if (m_pending != SANE_STATUS_GOOD) return m_pending;
    while (*rowsRead < maxRows)
    {
        if (m_ended) return SANE_STATUS_EOF;
        if (!m_lineReady)
        {
            const SANE_Status status = FillLine();
            if (status == SANE_STATUS_EOF)
            {
                m_ended = true;
                return SANE_STATUS_EOF;
            }
            if (status != SANE_STATUS_GOOD) return status;
        }
        ConvertLine(dest + std::size_t(*rowsRead) * pitch, bgr);
        m_lineReady = false;
        ++*rowsRead;
        ++m_rowsRead;
        if (m_format.lines >= 0 && m_rowsRead >= m_format.lines)
        {
            // The page is complete: SANE's end of frame is taken now, so the next page can start.
            std::uint8_t scratch[4096];
            for (int i = 0; i < 1024; ++i)
            {
                SANE_Int got = 0;
                if (sane_read(m_handle, scratch, SANE_Int(sizeof scratch), &got) != SANE_STATUS_GOOD) break;
            }
            m_ended = true;
            return SANE_STATUS_EOF;
        }
    }
    return SANE_STATUS_GOOD;
}

bool SaneScanner::AtEnd()
{
    if (!m_inPage || m_ended) return true;
    if (m_lineReady || m_format.lines >= 0) return false;
    const SANE_Status status = FillLine();
    if (status == SANE_STATUS_EOF)
    {
        m_ended = true;
        return true;
    }
    // The error comes back from the next read.
    if (status != SANE_STATUS_GOOD) m_pending = status;
    return false;
}

void SaneScanner::Cancel()
{
    if (m_handle && m_inPage) StopDevice();
    m_inPage = false;
    m_ended = true;
}

int SaneScanner::ReleasePagePipes()
{
    const int released = ReleasePipeReadEnds(m_pagePipes);
    m_pagePipes.clear();
    return released;
}

void SaneScanner::StopDevice()
{
    // sane_cancel may cancel the backend's reading thread wherever it is: let it first reach a
    // blocking call or its end (a page read to its end or stopped by an error gets there in a
    // few milliseconds), so that it is never stopped in the middle of an allocation.
    WaitThreadsAtRest(m_pageThreads, kRestLimit);
    // A backend may wake its own writer (by closing the read end of its pipe) just before it
    // cancels it. So a writer still there is woken from our side first, its pipe's read end
    // closed, and runs to its end before sane_cancel. A thread that does not end that way (one
    // that writes no pipe of ours to see) is stopped as before, once at rest again.
    if (!WaitThreadsGone(m_pageThreads, std::chrono::milliseconds(0)) && ReleasePagePipes() > 0 &&
        !WaitThreadsGone(m_pageThreads, kRestLimit))
        WaitThreadsAtRest(m_pageThreads, kRestLimit);
    m_pageThreads.clear();
    m_pagePipes.clear();
    sane_cancel(m_handle);
}

const char* ScanStatusText(SANE_Status status)
{
    switch (status)
    {
    case SANE_STATUS_NO_DOCS:
        return "Le chargeur de documents est vide.";
    case SANE_STATUS_JAMMED:
        return "Le papier est coincé dans le chargeur.";
    case SANE_STATUS_COVER_OPEN:
        return "Le capot du scanner est ouvert.";
    case SANE_STATUS_DEVICE_BUSY:
        return "Le scanner est occupé.";
    case SANE_STATUS_CANCELLED:
        return "La numérisation a été annulée.";
    case SANE_STATUS_NO_MEM:
        return "Mémoire insuffisante pour la numérisation.";
    case SANE_STATUS_UNSUPPORTED:
        return "Ce format de numérisation n'est pas pris en charge.";
    default:
        return "Erreur de communication avec le scanner.";
    }
}
} // namespace scanner
