// Scanners through SANE: the list of devices, a device opened with its settings applied, and a
// page read row by row into the layout of a bottom-up bitmap (rows padded to 4 bytes, colour as
// B, G, R or R, G, B). Shared by the data source of our manager and by the device manager.
#pragma once

#include "platform/scanner/BackendThreads.h"
#include "platform/scanner/ScannerWindow.h"

#include <sane/sane.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace scanner
{
struct SaneDeviceInfo
{
    std::string name;
    std::string vendor;
    std::string model;
    std::string type;
};

// SANE is started once for every user and stopped with the last one.
class SaneSession
{
public:
    SaneSession();
    ~SaneSession();
    SaneSession(const SaneSession&) = delete;
    SaneSession& operator=(const SaneSession&) = delete;
    bool Ok() const { return m_ok; }

private:
    bool m_ok = false;
};

// The devices attached to this machine (SANE's network backends left out).
std::vector<SaneDeviceInfo> ListSaneDevices();

// The shape of one page.
struct PageFormat
{
    int width = 0;        // pixels
    int lines = 0;        // -1: not known before the end of the page
    int bitsPerPixel = 0; // 1, 8 or 24
    int sourceBytesPerLine = 0;
    std::size_t pitch = 0; // of the bitmap rows: ((width * bits + 31) / 32) * 4
    ScanMode mode = ScanMode::Color;
    int resolution = 0;
};

// The padded row size of a bitmap row, or 0 when it does not fit.
std::size_t BitmapPitch(std::int64_t width, int bitsPerPixel);

class SaneScanner
{
public:
    SaneScanner() = default;
    ~SaneScanner();
    SaneScanner(const SaneScanner&) = delete;
    SaneScanner& operator=(const SaneScanner&) = delete;

    SANE_Status Open(const std::string& device);
    void Close();
    bool IsOpen() const { return m_handle != nullptr; }
    const std::string& DeviceName() const { return m_device; }

    ScanCapabilities Capabilities() const;
    // Mode, depth, resolution and source; false when the device refuses one of them.
    bool Apply(const ScanSettings& settings);
    const ScanSettings& Settings() const { return m_settings; }

    // Any option by its SANE name: a word (integer, fixed or boolean, given as an integer or
    // "yes"/"no"), or a string.
    bool SetOption(const std::string& name, const std::string& value);

    // Starts a page: SANE_STATUS_NO_DOCS when the feeder is empty.
    SANE_Status Start();
    const PageFormat& Format() const { return m_format; }
    bool InPage() const { return m_inPage; }

    // Reads up to maxRows rows, each at dest + r * pitch (the format's pitch, or larger), colour
    // in B, G, R order when bgr, else R, G, B. rowsRead: the rows written. Returns SANE_STATUS_GOOD
    // while rows come, SANE_STATUS_EOF once the page has ended (possibly with rows written), or
    // the device's error.
    SANE_Status ReadRows(std::uint8_t* dest, std::size_t pitch, int maxRows, bool bgr, int* rowsRead);
    // The page has no more rows (reads ahead when its height is not known).
    bool AtEnd();
    int RowsRead() const { return m_rowsRead; }
    // Stops the page (and the batch of a feeder).
    void Cancel();
    // The threads the backend started for the page (those it cancels when the page stops).
    const std::vector<pid_t>& PageThreads() const { return m_pageThreads; }
    // The read ends of the pipes the backend made for the page (its threads write into them).
    const std::vector<FdRecord>& PagePipes() const { return m_pagePipes; }
    // Closes the read ends of the page's pipes under the backend (their numbers stay open for
    // its own close): a thread of the page blocked writing into one gets EPIPE and ends. The
    // first step of a stop; the number of pipes closed.
    int ReleasePagePipes();

private:
    // sane_cancel, once the page's own threads may safely be stopped.
    void StopDevice();
    SANE_Status FillLine();
    void ConvertLine(std::uint8_t* dest, bool bgr) const;
    const SANE_Option_Descriptor* FindOption(const char* name, int* index) const;

    SaneSession m_session;
    SANE_Handle m_handle = nullptr;
    std::string m_device;
    ScanSettings m_settings;
    PageFormat m_format;
    bool m_inPage = false;
    bool m_ended = false;
    int m_rowsRead = 0;
    std::vector<std::uint8_t> m_line;
    std::size_t m_lineFill = 0;
    bool m_lineReady = false;
    SANE_Status m_pending = SANE_STATUS_GOOD; // an error met while reading ahead
    std::vector<pid_t> m_pageThreads;         // started by the backend for the page
    std::vector<FdRecord> m_pagePipes;        // read ends of the pipes made for the page
};

const char* ScanStatusText(SANE_Status status);
} // namespace scanner
