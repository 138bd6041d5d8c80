// The data source of our manager that drives one SANE device. States: 4 open, 5 enabled (its
// panel shown), 6 an image ready, 7 an image in transfer. A page is started when the user asks
// for it (or at once without a panel) and its rows are read from the device while the program
// takes them: natively as one packed bitmap, or in strips of whole rows in memory.
#pragma once

#include "platform/scanner/SaneDevice.h"
#include "platform/scanner/TwainTypes.h"

#include <deque>
#include <string>

namespace scanner
{
class CSaneTwainSource : public IScanPanelClient
{
public:
    CSaneTwainSource(std::string device, const TW_IDENTITY& identity);
    ~CSaneTwainSource() override;

    // The source's entry: every triplet the manager routes to it, MSG_OPENDS and MSG_CLOSEDS
    // included.
    TW_UINT16 Entry(TW_IDENTITY* origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

    int State() const { return m_state; }

    // The panel's buttons.
    void OnScan(const ScanSettings& settings) override;
    void OnClosePanel() override;

private:
    TW_UINT16 Fail(TW_UINT16 condition);
    TW_UINT16 Capability(TW_UINT16 msg, TW_CAPABILITY* cap);
    TW_UINT16 ImageInfo(TW_IMAGEINFO* info);
    TW_UINT16 NativeTransfer(TW_HANDLE* handle);
    TW_UINT16 SetupMemory(TW_SETUPMEMXFER* setup);
    TW_UINT16 MemoryTransfer(TW_IMAGEMEMXFER* xfer);
    TW_UINT16 EndTransfer(TW_PENDINGXFERS* pending);
    TW_UINT16 Reset(TW_PENDINGXFERS* pending);
    TW_UINT16 ReadError(SANE_Status status);
    // Starts the next page: true with the image ready (state 6).
    bool StartPage(bool first);
    void Queue(TW_UINT16 message);
    // Back to state 5; without a panel the source asks to be closed.
    void BackToEnabled();

    std::string m_device;
    TW_IDENTITY m_identity;
    SaneScanner m_scanner;
    int m_state = 3;
    TW_UINT16 m_condition = TWCC_SUCCESS;
    HWND m_window = nullptr;
    bool m_showUi = false;
    bool m_panelShown = false;
    TW_INT16 m_xferCount = -1;
    int m_pagesDone = 0;
    bool m_stopAll = false;
    ScanSettings m_settings;
    std::deque<TW_UINT16> m_events;
    std::uintptr_t m_cookie;
};
} // namespace scanner
