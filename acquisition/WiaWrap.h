// Acquisition through the device manager: the number of devices, the user's choice of a device
// and of what to acquire, a banded transfer of each chosen item into a memory stream that ends as
// a whole BMP file, and a progress dialog with "Abandonner".
//
// The progress dialog lives on the user-interface thread, as every widget does here: the
// transfer runs on that thread too and the progress function pumps its events at every band and
// status, so the dialog shows the progress and its button is heard; the cancel counter is still
// an atomic.
#pragma once

#include "platform/WinTypes.h"
#include "platform/scanner/MemoryStream.h"
#include "platform/scanner/WiaTypes.h"

#include <QPointer>
#include <QString>

#include <atomic>

class QDialog;
class QWidget;

namespace WiaWrap
{
using PFNPROGRESSCALLBACK = HRESULT (*)(LONG status, LONG percent, void* parameter);

HRESULT WiaGetNumDevices(IWiaDevMgr* manager, ULONG* count);
HRESULT WiaGetImage(HWND parent, LONG deviceType, LONG flags, LONG intent, IWiaDevMgr* manager,
                    IWiaItem* root, PFNPROGRESSCALLBACK progress, void* parameter, GUID* format, LONG* count,
                    IStream*** streams);
HRESULT ReadPropertyLong(IWiaPropertyStorage* storage, const PROPKEY* key, LONG* out);
HRESULT ReadPropertyGuid(IWiaPropertyStorage* storage, const PROPKEY* key, GUID* out);

// Releases every element, frees the array, then nulls it and its count.
template <class T> void ReleaseInterfaceArray(T**& array, LONG& count)
{
    if (array)
    {
        for (LONG i = 0; i < count; ++i)
            if (array[i]) array[i]->Release();
        CoTaskMemFree(array);
    }
    array = nullptr;
    count = 0;
}

// The progress dialog (template 5502). One reference at creation; the last Release closes it.
class CProgressDlg : public CRefCounted<IUnknown>
{
public:
    explicit CProgressDlg(QWidget* parent);
    HRESULT QueryInterface(REFIID iid, void** out) override;

    bool Cancelled() const { return m_cancelled.load() != 0; }
    void SetMessage(const QString& text);
    void SetPercent(int percent);
    void SetTitle(const QString& title);
    // What the button does when pressed.
    void OnCancel();
    QDialog* Dialog() const { return m_dialog.data(); }
    // Runs the events waiting on this thread (the dialog's clicks, its painting).
    static void PumpEvents();

private:
    ~CProgressDlg() override;
    QPointer<QDialog> m_dialog;
    std::atomic<int> m_cancelled{0};
};

// The progress function used without one of the caller's: the parameter is a CProgressDlg.
HRESULT DefaultProgressCallback(LONG status, LONG percent, void* parameter);

// Assembles the bands of a transfer into one stream per page.
class CDataCallback : public CRefCounted<IWiaDataCallback>
{
public:
    CDataCallback(PFNPROGRESSCALLBACK progress, void* parameter, LONG* count, IStream*** streams);
    HRESULT QueryInterface(REFIID iid, void** out) override;
    HRESULT BandedDataCallback(LONG message, LONG status, LONG percent, LONG offset, LONG length,
                               LONG reserved, LONG reservedLength, std::uint8_t* buffer) override;

private:
    ~CDataCallback() override;
    HRESULT EndPage();

    bool m_isBmp = false;
    LONG m_gap = 0;
    std::uint64_t m_size = 0; // bytes written so far (the highest one)
    CMemoryStream* m_stream = nullptr;
    PFNPROGRESSCALLBACK m_progress;
    void* m_parameter;
    LONG* m_count;
    IStream*** m_streams;
};

// Keeps the number of devices up to date through the manager's events.
class CEventCallback : public CRefCounted<IWiaEventCallback>
{
public:
    CEventCallback();
    HRESULT QueryInterface(REFIID iid, void** out) override;
    HRESULT ImageEventCallback(const GUID* event, BSTR eventDescription, BSTR deviceId,
                               BSTR deviceDescription, ULONG deviceType, BSTR fullItemName, ULONG* eventType,
                               ULONG reserved) override;
    HRESULT Register();
    ULONG GetNumDevices() const { return m_devices; }

private:
    ~CEventCallback() override;
    ULONG m_devices = 0;
    IUnknown* m_connected = nullptr;
    IUnknown* m_disconnected = nullptr;
};

// Bitmap headers: core (12), info (40), V4 (108) or V5 (124) by their first field; 0 or false for
// any other size.
ULONG GetBitmapHeaderSize(const void* header);
ULONG GetBitmapLineWidthInBytes(ULONG width, ULONG bitsPerPixel);
bool GetBitmapDimensions(const void* header, LONG* width, LONG* height);
ULONG GetBitmapSize(const void* header);
ULONG GetBitmapOffsetBits(const void* header);
bool FillBitmapFileHeader(const void* header, BITMAPFILEHEADER* out);
// A missing height from the bytes received (total: header, table and pixels).
bool FixBitmapHeight(void* header, ULONG total, bool topDown);
} // namespace WiaWrap
