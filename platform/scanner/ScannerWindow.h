// The owner window as the scanner layer sees it, in place of a window handle: it takes the
// events a data source posts for the program's message loop, and it shows the few dialogs the
// data source manager, the sources and the device manager need (a list of sources or devices,
// the scan settings, a device's message). The program's windows implement it; the scanner layer
// itself draws nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace scanner
{
enum class ScanMode
{
    Color,
    Gray,
    BlackWhite,
};

// What a scan is made with.
struct ScanSettings
{
    ScanMode mode = ScanMode::Color;
    int resolution = 50; // dots per inch
    bool feeder = false; // the document feeder, else the flatbed
};

// What a device offers.
struct ScanCapabilities
{
    std::string deviceName; // shown in the dialog's title
    bool color = true;
    bool gray = true;
    bool blackWhite = true;
    int minResolution = 1;
    int maxResolution = 1200;
    bool flatbed = true;
    bool feeder = false;
};

// The source's side of its non-modal settings panel.
class IScanPanelClient
{
public:
    virtual ~IScanPanelClient() = default;
    // "Numériser" with the settings shown.
    virtual void OnScan(const ScanSettings& settings) = 0;
    // "Fermer", or the panel's window closed.
    virtual void OnClosePanel() = 0;
};
} // namespace scanner

class IScannerWindow
{
public:
    virtual ~IScannerWindow() = default;
    // Queues a message for the window's message loop; any thread, never blocks.
    virtual void PostScannerMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
    // A modal choice in a list; the index chosen, or -1 when cancelled.
    virtual int ChooseFromList(const std::string& title, const std::string& label,
                               const std::vector<std::string>& items, int initial) = 0;
    // The modal settings of one acquisition ("Numériser" or "Annuler"); false when cancelled.
    virtual bool AskScanSettings(const scanner::ScanCapabilities& caps, scanner::ScanSettings& settings) = 0;
    // Shows a source's non-modal panel; it calls the client until CloseScanPanel.
    virtual bool OpenScanPanel(const scanner::ScanCapabilities& caps, const scanner::ScanSettings& settings,
                               scanner::IScanPanelClient* client) = 0;
    virtual void CloseScanPanel(scanner::IScanPanelClient* client) = 0;
    // A device's message to the user (a jam, an empty feeder).
    virtual void ShowScannerMessage(const std::string& text) = 0;
};

// The window handle of the scanner layer.
using HWND = IScannerWindow*;

// Whether a handle names a window.
inline bool IsWindow(HWND window)
{
    return window != nullptr;
}

// A message of the window's loop as the data sources see it.
struct MSG
{
    HWND hwnd = nullptr;
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

// The message a source posts to its owner window to be handed its own events back.
constexpr std::uint32_t kScannerSourceMessage = 0x7f10;
