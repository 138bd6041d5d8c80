// The program's side of the scanner protocol: it loads the data source manager at run time,
// identifies the program, lets the user choose a source, opens and enables it with the source's
// own panel, hands every message of the loop to the source while it is enabled, and transfers
// the images natively (one packed bitmap per image) or in memory strips. Each image goes to
// CopyImage. Everything runs on the user-interface thread.
#pragma once

#include "platform/scanner/GlobalMemory.h"
#include "platform/scanner/ScannerWindow.h"
#include "platform/scanner/TwainTypes.h"

#include <string>
#include <vector>

class QWidget;

class CTwain
{
public:
    // With a window, InitTwain is done at once.
    explicit CTwain(HWND window = nullptr);
    virtual ~CTwain();
    CTwain(const CTwain&) = delete;
    CTwain& operator=(const CTwain&) = delete;

    // The program's identity as the manager receives it.
    virtual void GetIdentity();
    // The user's choice of a source ("Source Twain"); true when one is chosen.
    virtual bool SelectSource();
    // Opens the given source, or the chosen one (the default when none was chosen).
    virtual bool OpenSource(TW_IDENTITY* source = nullptr);
    // 0 transfer the image, 1 skip it, 2 cancel every pending image.
    virtual int ShouldTransfer(TW_IMAGEINFO& info);
    virtual bool DisableSource();
    // Whether the source may close when it asks to.
    virtual bool CanClose();
    // One image: a handle on a packed bitmap, which stays the caller's.
    virtual void CopyImage(HGLOBAL dib, TW_IMAGEINFO& info) = 0;

    bool InitTwain(HWND window);
    // The manager's library is loaded and its entry found.
    bool IsValidDriver() const;
    bool CallTwainProc(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                       TW_MEMREF data);
    void GetDefaultSource();
    // "Acquisition Twain": memory transfer nonzero for strips, count -1 for every image.
    bool Acquire(int memoryTransfer, int count);
    bool EnableSource(bool showUI);
    void CloseSource();
    void CloseDSM();
    // As the destructor, without destruction.
    void ReleaseTwain();
    // Called first for every message of the loop; true when the source took it.
    bool ProcessMessage(const MSG& msg);

    bool EndTransfer();
    void CancelTransfers();
    bool SetOneValueCapability(TW_UINT16 capability, TW_UINT16 value, bool sign);
    bool GetOneValueCapability(TW_UINT16 capability, TW_UINT32* out);
    bool GetCapability(TW_CAPABILITY& cap, TW_UINT16 capability, TW_UINT16 conType = TWON_DONTCARE16);
    bool SetCapability(TW_CAPABILITY& cap);
    bool SetImageCount(int count);
    bool GetImageInfo(TW_IMAGEINFO& info);
    bool IsDSMOpen() const;
    bool IsSourceOpen() const;
    bool IsSourceChosen() const { return m_sourceChosen != 0; }
    bool IsSourceEnabled() const { return m_sourceEnabled != 0; }
    // The transfer loop runs (messages it lets through are not the source's).
    bool IsInTransfer() const { return m_inTransfer; }

    // Reverses a packed bitmap's rows (strips come top-down) and, for 24-bit colour, turns R, G, B
    // into B, G, R. false, with the bitmap unchanged, without memory.
    bool FlipBitmap(HWND window, HGLOBAL dib, int pixelType);

    TW_UINT16 LastReturnCode() const { return m_returnCode; }
    const TW_STATUS& LastStatus() const { return m_status; }
    const TW_IDENTITY& AppIdentity() const { return m_appId; }
    const TW_IDENTITY& SourceIdentity() const { return m_source; }
    int ImageCount() const { return m_imageCount; }
    int ModalUI() const { return m_modalUI; }

    // The libraries tried, in order: a manager installed on the system by its usual name, then
    // ours (ORVALIS_TWAIN_DSM, else next to the program, else in the build tree). Tests replace
    // the list.
    static std::vector<std::string> DefaultLibraryNames();
    static void SetLibraryNames(std::vector<std::string> names);
    // The window the message boxes of the transfers belong to.
    void SetMessageOwner(QWidget* owner) { m_messageOwner = owner; }

protected:
    void TransferImages();
    bool TransferImage(TW_IMAGEINFO& info);
    bool TransferNative(TW_IMAGEINFO& info);
    bool TransferMemory(TW_IMAGEINFO& info);
    // A message box of the transfers: no caption, the information icon.
    void Message(const char* text);
    bool Ready() const;

    // In order: the manager's module and entry, the identities, the last status and code, the
    // owner window, then the flags.
    void* m_hDSMDLL = nullptr;
    DSMENTRYPROC m_lpDSM_Entry = nullptr;
    TW_IDENTITY m_appId{};
    TW_IDENTITY m_source{};
    TW_STATUS m_status{};
    TW_UINT16 m_returnCode = TWRC_SUCCESS;
    HWND m_hWnd = nullptr;
    int m_sourceChosen = 0;
    int m_dsmOpen = 0;
    int m_sourceOpen = 0;
    int m_sourceEnabled = 0;
    int m_modalUI = 1;
    int m_imageCount = -1;
    int m_memoryTransfer = 0;

private:
    bool m_inTransfer = false;
    QWidget* m_messageOwner = nullptr;
};
