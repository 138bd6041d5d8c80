// A scripted data source for the protocol corners a real device does not show: what it answers
// is set before the acquisition, and every call it receives is logged. Built as a source module
// that our manager loads (ORVALIS_TWAIN_SOURCES); the tests reach the same instance through
// FakeSourceScript().
#pragma once

#include "platform/scanner/ScannerWindow.h"
#include "platform/scanner/TwainTypes.h"

#include <cstdint>
#include <deque>
#include <vector>

struct FakeCall
{
    TW_UINT32 dg = 0;
    TW_UINT16 dat = 0;
    TW_UINT16 msg = 0;
    TW_UINT16 cap = 0;
    TW_UINT16 itemType = 0;
    TW_UINT32 item = 0;
    TW_UINT32 memFlags = 0;
    TW_UINT32 memLength = 0;
    TW_UINT16 showUI = 0;
    TW_IDENTITY origin{};
};

struct FakeStrip
{
    TW_UINT16 rc = TWRC_SUCCESS;
    TW_UINT32 rows = 1;
    TW_UINT32 bytesPerRow = 0;           // 0: the image's pitch
    TW_UINT32 bytesWritten = 0xFFFFFFFF; // as the rows make, unless set
};

struct FakeImage
{
    TW_IMAGEINFO info{};
    bool infoFails = false; // the image's description is given once, then refused
    TW_UINT16 nativeRc = TWRC_XFERDONE;
    std::vector<std::uint8_t> dib; // the native bitmap, given as it is
    std::vector<FakeStrip> strips;
    int numColors = 0;
    bool paletteFails = false;
};

enum class FakeUnits
{
    Inches,
    Centimeters,
    Pixels,
    Failure,
    Enumeration,
};

enum class FakeFlavour
{
    Vanilla,
    Chocolate,
    Enumeration,
    Failure,
};

struct FakeScript
{
    TW_UINT16 xferCountRc = TWRC_SUCCESS; // TWRC_CHECKSTATUS: a signed count is refused
    TW_UINT16 xferCountCurrent = 65535;
    TW_UINT16 xferCountConType = TWON_ONEVALUE;
    FakeUnits units = FakeUnits::Inches;
    FakeFlavour flavour = FakeFlavour::Vanilla;
    bool setupFails = false;
    TW_UINT32 preferred = 4096;
    TW_UINT16 modalUI = 0;
    std::vector<FakeImage> images;

    // What happened.
    std::vector<FakeCall> log;
    int state = 3;
    std::size_t current = 0;
    std::size_t strip = 0;
    std::uint32_t rowsSent = 0;
    int infoCalls = 0;
    HWND window = nullptr;
    std::deque<TW_UINT16> events;
    TW_UINT16 condition = TWCC_SUCCESS;

    void Reset() { *this = FakeScript(); }
    // The logged triplets (dat, msg) in order, DAT_EVENT and DAT_STATUS left out.
    std::vector<std::pair<TW_UINT16, TW_UINT16>> Triplets() const
    {
        std::vector<std::pair<TW_UINT16, TW_UINT16>> out;
        for (const FakeCall& c : log)
            if (c.dat != DAT_EVENT && c.dat != DAT_STATUS) out.push_back({c.dat, c.msg});
        return out;
    }
};

// The byte a strip holds at row y (of the image), byte x (of the row).
inline std::uint8_t FakeStripByte(std::uint32_t y, std::uint32_t x)
{
    return std::uint8_t((y * 31 + x * 7 + 1) & 0xFF);
}

extern "C" FakeScript* FakeSourceScript();
using FakeSourceScriptProc = FakeScript* (*)();
