#include "acquisition/WiaWrap.h"

#include "acquisition/CScannerWindow.h"

#include "resources/DialogBuilder.h"
#include "resources/ResourceBuilder.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <cmath>
#include <cstring>
#include <new>

namespace WiaWrap
{
namespace
{
std::uint32_t Read32(const void* p, std::size_t offset)
{
    std::uint32_t v;
    std::memcpy(&v, static_cast<const std::uint8_t*>(p) + offset, 4);
    return v;
}

std::uint16_t Read16(const void* p, std::size_t offset)
{
    std::uint16_t v;
    std::memcpy(&v, static_cast<const std::uint8_t*>(p) + offset, 2);
    return v;
}

void Write32(void* p, std::size_t offset, std::uint32_t v)
{
    std::memcpy(static_cast<std::uint8_t*>(p) + offset, &v, 4);
}

void Write16(void* p, std::size_t offset, std::uint16_t v)
{
    std::memcpy(static_cast<std::uint8_t*>(p) + offset, &v, 2);
}

// Offsets of the info header's fields.
constexpr std::size_t kWidth = 4, kHeight = 8, kBitCount = 14, kCompression = 16, kSizeImage = 20,
                      kClrUsed = 32;
constexpr std::size_t kProfileData = 112, kProfileSize = 116;

std::uint64_t ColorTableBytes(const void* header)
{
    const ULONG size = GetBitmapHeaderSize(header);
    if (size == 12)
    {
        const unsigned bpp = Read16(header, 10);
        return bpp <= 8 ? 3ull << bpp : 0;
    }
    const unsigned bpp = Read16(header, kBitCount);
    const std::uint32_t used = Read32(header, kClrUsed);
    if (used) return 4ull * used;
    return bpp <= 8 ? 4ull << bpp : 0;
}

std::uint64_t Masks(const void* header)
{
    return GetBitmapHeaderSize(header) == 40 && Read32(header, kCompression) == BI_BITFIELDS ? 12 : 0;
}

ULONG Clamp32(std::uint64_t v)
{
    return v > 0xFFFFFFFFull ? 0 : ULONG(v);
}

HRESULT WriteLong(IWiaPropertyStorage* storage, PROPID id, LONG value)
{
    PROPKEY key;
    key.ulKind = PRKEY_PROPID;
    key.propid = id;
    PROPVARIANT v;
    v.vt = VT_I4;
    v.lVal = value;
    return storage->WriteMultiple(1, &key, &v, 2);
}

HRESULT WriteGuid(IWiaPropertyStorage* storage, PROPID id, GUID value)
{
    PROPKEY key;
    key.ulKind = PRKEY_PROPID;
    key.propid = id;
    PROPVARIANT v;
    v.vt = VT_CLSID;
    v.puuid = &value;
    return storage->WriteMultiple(1, &key, &v, 2);
}

PROPKEY Key(PROPID id)
{
    PROPKEY key;
    key.ulKind = PRKEY_PROPID;
    key.propid = id;
    return key;
}
} // namespace

ULONG GetBitmapHeaderSize(const void* header)
{
    if (!header) return 0;
    const std::uint32_t size = Read32(header, 0);
    return size == 12 || size == 40 || size == 108 || size == 124 ? size : 0;
}

ULONG GetBitmapLineWidthInBytes(ULONG width, ULONG bitsPerPixel)
{
    return Clamp32(((std::uint64_t(width) * bitsPerPixel + 31) >> 3) & ~std::uint64_t(3));
}

bool GetBitmapDimensions(const void* header, LONG* width, LONG* height)
{
    const ULONG size = GetBitmapHeaderSize(header);
    if (!size || !width || !height) return false;
    if (size == 12)
    {
        *width = Read16(header, 4);
        *height = Read16(header, 6);
        return true;
    }
    *width = LONG(Read32(header, kWidth));
    const LONG h = LONG(Read32(header, kHeight));
    *height = h < 0 ? -h : h;
    return true;
}

ULONG GetBitmapSize(const void* header)
{
    const ULONG size = GetBitmapHeaderSize(header);
    if (!size) return 0;
    if (size == 12)
    {
        const std::uint64_t pitch = GetBitmapLineWidthInBytes(Read16(header, 4), Read16(header, 10));
        return Clamp32(12 + ColorTableBytes(header) + pitch * Read16(header, 6));
    }
    const LONG width = LONG(Read32(header, kWidth));
    const LONG height = LONG(Read32(header, kHeight));
    const std::uint32_t compression = Read32(header, kCompression);
    std::uint64_t image = Read32(header, kSizeImage);
    if (image == 0)
    {
        if (compression != BI_RGB && compression != BI_BITFIELDS) return 0;
        const std::uint64_t rows = height < 0 ? std::uint64_t(-std::int64_t(height)) : std::uint64_t(height);
        image = rows * GetBitmapLineWidthInBytes(ULONG(width), Read16(header, kBitCount));
    }
    std::uint64_t total = size + ColorTableBytes(header) + image + Masks(header);
    if (size == 124)
        total = std::max<std::uint64_t>(total, Read32(header, kProfileData)) + Read32(header, kProfileSize);
    return Clamp32(total);
}

ULONG GetBitmapOffsetBits(const void* header)
{
    const ULONG size = GetBitmapHeaderSize(header);
    if (!size) return 0;
    std::uint64_t offset = size + ColorTableBytes(header) + (size == 12 ? 0 : Masks(header));
    if (size == 124 && Read32(header, kProfileData) <= offset) offset += Read32(header, kProfileSize);
    return Clamp32(offset);
}

bool FillBitmapFileHeader(const void* header, BITMAPFILEHEADER* out)
{
    if (!out) return false;
    const ULONG size = GetBitmapSize(header);
    const ULONG offset = GetBitmapOffsetBits(header);
    if (!size || !offset || size > 0xFFFFFFFFu - 14) return false;
    out->bfType = 0x4D42;
    out->bfSize = 14 + size;
    out->bfReserved1 = 0;
    out->bfReserved2 = 0;
    out->bfOffBits = 14 + offset;
    return true;
}

bool FixBitmapHeight(void* header, ULONG total, bool topDown)
{
    const ULONG size = GetBitmapHeaderSize(header);
    if (!size) return false;
    if (size == 12)
    {
        if (Read16(header, 6) != 0) return true;
        const std::uint64_t before = 12 + ColorTableBytes(header);
        const ULONG pitch = GetBitmapLineWidthInBytes(Read16(header, 4), Read16(header, 10));
        if (pitch == 0 || total < before) return false;
        Write16(header, 6, std::uint16_t(std::min<std::uint64_t>((total - before) / pitch, 0xFFFF)));
        return true;
    }
    if (Read32(header, kHeight) != 0) return true;
    std::uint64_t image = Read32(header, kSizeImage);
    if (image == 0)
    {
        std::uint64_t before = size + ColorTableBytes(header) + Masks(header);
        if (size == 124) before += Read32(header, kProfileSize);
        if (total < before) return false;
        image = total - before;
        Write32(header, kSizeImage, std::uint32_t(image));
    }
    const ULONG pitch = GetBitmapLineWidthInBytes(Read32(header, kWidth), Read16(header, kBitCount));
    if (pitch == 0) return false;
    const std::uint64_t rows = image / pitch;
    if (rows > 0x7FFFFFFF) return false;
    Write32(header, kHeight, std::uint32_t(topDown ? -LONG(rows) : LONG(rows)));
    return true;
}

HRESULT ReadPropertyLong(IWiaPropertyStorage* storage, const PROPKEY* key, LONG* out)
{
    if (!storage || !key || !out) return E_POINTER;
    PROPVARIANT v;
    HRESULT hr = storage->ReadMultiple(1, key, &v);
    if (hr != S_OK) return FAILED(hr) ? hr : E_FAIL;
    hr = S_OK;
    switch (v.vt)
    {
    case VT_I1:
        *out = v.cVal;
        break;
    case VT_UI1:
        *out = v.bVal;
        break;
    case VT_I2:
        *out = v.iVal;
        break;
    case VT_UI2:
        *out = v.uiVal;
        break;
    case VT_I4:
    case VT_INT:
        *out = v.lVal;
        break;
    case VT_UI4:
    case VT_UINT:
        *out = LONG(v.ulVal);
        break;
    case VT_R4:
        *out = LONG(std::trunc(double(v.fltVal) + 0.5));
        break;
    case VT_R8:
        *out = LONG(std::trunc(v.dblVal + 0.5));
        break;
    default:
        hr = E_FAIL;
        break;
    }
    PropVariantClear(&v);
    return hr;
}

HRESULT ReadPropertyGuid(IWiaPropertyStorage* storage, const PROPKEY* key, GUID* out)
{
    if (!storage || !key || !out) return E_POINTER;
    PROPVARIANT v;
    HRESULT hr = storage->ReadMultiple(1, key, &v);
    if (hr != S_OK) return FAILED(hr) ? hr : E_FAIL;
    switch (v.vt)
    {
    case VT_CLSID:
        hr = v.puuid ? S_OK : E_FAIL;
        if (v.puuid) *out = *v.puuid;
        break;
    case VT_BSTR:
        hr = CLSIDFromString(v.bstrVal, out);
        break;
    case VT_LPWSTR:
        hr = CLSIDFromString(v.pwszVal, out);
        break;
    case VT_LPSTR:
    {
        WCHAR wide[40] = {};
        if (!v.pszVal)
        {
            hr = E_FAIL;
            break;
        }
        for (int i = 0; i < 39 && v.pszVal[i]; ++i)
            wide[i] = WCHAR(static_cast<unsigned char>(v.pszVal[i]));
        hr = CLSIDFromString(wide, out);
        break;
    }
    default:
        hr = E_FAIL;
        break;
    }
    PropVariantClear(&v);
    return hr;
}

// ---------------------------------------------------------------------------------------------

CProgressDlg::CProgressDlg(QWidget* parent)
{
    auto* dialog = new QDialog(parent);
    m_dialog = dialog;
    const DialogTemplate* t = FindDialogTemplate(5502);
    CDialogControls controls;
    if (t) controls = BuildDialog(*dialog, *t);
    dialog->setWindowTitle(QStringLiteral("WIA Progression"));
    if (auto* bar = controls.Get<QProgressBar>(5500))
    {
        bar->setRange(0, 100);
        bar->setValue(0);
    }
    if (auto* button = controls.Get<QPushButton>(2))
        QObject::connect(button, &QPushButton::clicked, dialog, [this] { OnCancel(); });
    // Closing the window is the button.
    dialog->setWindowFlag(Qt::WindowCloseButtonHint, false);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
    PumpEvents();
}

CProgressDlg::~CProgressDlg()
{
    if (m_dialog)
    {
        m_dialog->hide();
        delete m_dialog.data();
    }
}

HRESULT CProgressDlg::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown) return E_NOINTERFACE;
    AddRef();
    *out = static_cast<IUnknown*>(this);
    return S_OK;
}

void CProgressDlg::OnCancel()
{
    m_cancelled.fetch_add(1);
    if (!m_dialog) return;
    if (auto* button = m_dialog->findChild<QPushButton*>(DialogControlName(2)))
        button->setText(ResString(5504));
}

void CProgressDlg::SetMessage(const QString& text)
{
    if (!m_dialog) return;
    if (auto* label = m_dialog->findChild<QLabel*>(DialogControlName(5501))) label->setText(text);
}

void CProgressDlg::SetPercent(int percent)
{
    if (!m_dialog) return;
    if (auto* bar = m_dialog->findChild<QProgressBar*>(DialogControlName(5500))) bar->setValue(percent);
}

void CProgressDlg::SetTitle(const QString& title)
{
    if (m_dialog) m_dialog->setWindowTitle(title);
}

void CProgressDlg::PumpEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

HRESULT DefaultProgressCallback(LONG status, LONG percent, void* parameter)
{
    auto* dialog = static_cast<CProgressDlg*>(parameter);
    if (!dialog) return E_POINTER;
    CProgressDlg::PumpEvents();
    if (dialog->Cancelled()) return S_FALSE;
    // The status is a set of flags: the text of the lowest one is shown; without a known flag the
    // text stays as it is.
    int id = 0;
    if (status & IT_STATUS_TRANSFER_FROM_DEVICE)
        id = 5505;
    else if (status & IT_STATUS_PROCESSING_DATA)
        id = 5506;
    else if (status & IT_STATUS_TRANSFER_TO_CLIENT)
        id = 5507;
    if (id == 0) return S_OK;
    QString format = ResString(id);
    if (format.isEmpty()) format = QStringLiteral("%d");
    QString text = format;
    text.replace(QStringLiteral("%d"), QString::number(percent));
    text.replace(QStringLiteral("%%"), QStringLiteral("%"));
    dialog->SetMessage(text.left(255));
    dialog->SetPercent(int(percent));
    return S_OK;
}

// ---------------------------------------------------------------------------------------------

CDataCallback::CDataCallback(PFNPROGRESSCALLBACK progress, void* parameter, LONG* count, IStream*** streams)
    : m_progress(progress), m_parameter(parameter), m_count(count), m_streams(streams)
{
    m_refs = 0;
}

CDataCallback::~CDataCallback()
{
    if (m_stream) m_stream->Release();
}

HRESULT CDataCallback::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IWiaDataCallback) return E_NOINTERFACE;
    AddRef();
    *out = static_cast<IWiaDataCallback*>(this);
    return S_OK;
}

HRESULT CDataCallback::EndPage()
{
    if (!m_stream) return S_OK;
    // What was received, not what the device announced, is the page.
    m_stream->SetSize(m_size);
    std::uint8_t* data = m_stream->Data();
    if (m_isBmp && m_size >= std::uint64_t(m_gap) + 4)
    {
        void* header = data + m_gap;
        const ULONG headerSize = GetBitmapHeaderSize(header);
        if (headerSize && m_size >= std::uint64_t(m_gap) + headerSize)
        {
            FixBitmapHeight(header,
                            ULONG(std::min<std::uint64_t>(m_size - std::uint64_t(m_gap), 0xFFFFFFFFu)), true);
            BITMAPFILEHEADER fh;
            if (m_gap && FillBitmapFileHeader(header, &fh)) std::memcpy(data, &fh, 14);
        }
    }
    auto** grown =
        static_cast<IStream**>(CoTaskMemRealloc(*m_streams, sizeof(IStream*) * std::size_t(*m_count + 1)));
    if (!grown) return E_OUTOFMEMORY;
    *m_streams = grown;
    m_stream->Seek(0, STREAM_SEEK_SET, nullptr);
    m_stream->AddRef();
    grown[*m_count] = m_stream;
    ++*m_count;
    m_stream->Release();
    m_stream = nullptr;
    m_size = 0;
    return S_OK;
}

HRESULT CDataCallback::BandedDataCallback(LONG message, LONG status, LONG percent, LONG offset, LONG length,
                                          LONG, LONG, std::uint8_t* buffer)
{
    switch (message)
    {
    case IT_MSG_DATA_HEADER:
    {
        if (!buffer) return E_POINTER;
        WIA_DATA_CALLBACK_HEADER header;
        std::memcpy(&header, buffer, sizeof header);
        m_isBmp = header.guidFormatID == WiaImgFmt_MEMORYBMP || header.guidFormatID == WiaImgFmt_BMP;
        m_gap = header.guidFormatID == WiaImgFmt_MEMORYBMP ? 14 : 0;
        if (header.lBufferSize > 0)
        {
            if (!m_stream && !(m_stream = CMemoryStream::Create())) return E_OUTOFMEMORY;
            if (FAILED(m_stream->SetSize(std::uint64_t(header.lBufferSize) + std::uint64_t(m_gap))))
                return E_OUTOFMEMORY;
        }
        return S_OK;
    }
    case IT_MSG_DATA:
    {
        if (m_progress)
        {
            const HRESULT hr = m_progress(status, percent, m_parameter);
            if (hr != S_OK) return hr;
        }
        if (offset < 0 || length < 0 || (length > 0 && !buffer)) return E_INVALIDARG;
        if (m_isBmp && !m_stream && offset == 0)
        {
            // The first band starts with the bitmap's header: it is read only when the band
            // holds it whole.
            ULONG size = 0;
            if (length >= 4)
            {
                const ULONG headerSize = GetBitmapHeaderSize(buffer);
                if (headerSize && ULONG(length) >= headerSize) size = GetBitmapSize(buffer);
            }
            if (!(m_stream = CMemoryStream::Create())) return E_OUTOFMEMORY;
            if (size && FAILED(m_stream->SetSize(std::uint64_t(size) + std::uint64_t(m_gap))))
                return E_OUTOFMEMORY;
        }
        if (!m_stream && !(m_stream = CMemoryStream::Create())) return E_OUTOFMEMORY;
        const std::uint64_t end = std::uint64_t(m_gap) + std::uint64_t(offset) + std::uint64_t(length);
        if (end > m_stream->Size() && FAILED(m_stream->SetSize(end))) return E_OUTOFMEMORY;
        if (length > 0) std::memcpy(m_stream->Data() + m_gap + offset, buffer, std::size_t(length));
        m_size = std::max(m_size, end);
        return S_OK;
    }
    case IT_MSG_STATUS:
        if (m_progress)
        {
            const HRESULT hr = m_progress(status, percent, m_parameter);
            if (hr != S_OK) return hr;
        }
        return S_OK;
    case IT_MSG_TERMINATION:
    case IT_MSG_NEW_PAGE:
        return EndPage();
    default:
        return S_OK;
    }
}

// ---------------------------------------------------------------------------------------------

CEventCallback::CEventCallback() = default;

CEventCallback::~CEventCallback()
{
    if (m_connected) m_connected->Release();
    if (m_disconnected) m_disconnected->Release();
}

HRESULT CEventCallback::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IWiaEventCallback) return E_NOINTERFACE;
    AddRef();
    *out = static_cast<IWiaEventCallback*>(this);
    return S_OK;
}

HRESULT CEventCallback::Register()
{
    IWiaDevMgr* manager = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_WiaDevMgr, nullptr, CLSCTX_ALL, IID_IWiaDevMgr,
                                  reinterpret_cast<void**>(&manager));
    if (FAILED(hr)) return hr;
    hr = manager->RegisterEventCallbackInterface(0, nullptr, &WIA_EVENT_DEVICE_CONNECTED, this, &m_connected);
    if (SUCCEEDED(hr))
        hr = manager->RegisterEventCallbackInterface(0, nullptr, &WIA_EVENT_DEVICE_DISCONNECTED, this,
                                                     &m_disconnected);
    if (SUCCEEDED(hr)) hr = WiaGetNumDevices(manager, &m_devices);
    manager->Release();
    return hr;
}

HRESULT CEventCallback::ImageEventCallback(const GUID*, BSTR, BSTR, BSTR, ULONG, BSTR, ULONG*, ULONG)
{
    return WiaGetNumDevices(nullptr, &m_devices);
}

// ---------------------------------------------------------------------------------------------

HRESULT WiaGetNumDevices(IWiaDevMgr* manager, ULONG* count)
{
    if (!count) return E_POINTER;
    *count = 0;
    IWiaDevMgr* own = nullptr;
    if (!manager)
    {
        const HRESULT hr = CoCreateInstance(CLSID_WiaDevMgr, nullptr, CLSCTX_ALL, IID_IWiaDevMgr,
                                            reinterpret_cast<void**>(&own));
        if (FAILED(hr)) return hr;
        manager = own;
    }
    IEnumWIA_DEV_INFO* devices = nullptr;
    HRESULT hr = manager->EnumDeviceInfo(WIA_DEVINFO_ENUM_LOCAL, &devices);
    if (SUCCEEDED(hr) && devices)
    {
        hr = devices->GetCount(count);
        devices->Release();
    }
    if (own) own->Release();
    return hr;
}

HRESULT WiaGetImage(HWND parent, LONG deviceType, LONG flags, LONG intent, IWiaDevMgr* manager,
                    IWiaItem* root, PFNPROGRESSCALLBACK progress, void* parameter, GUID* format, LONG* count,
                    IStream*** streams)
{
    if (!count || !streams) return E_POINTER;
    *count = 0;
    *streams = nullptr;
    HRESULT hr = S_OK;

    if (root)
        root->AddRef();
    else
    {
        IWiaDevMgr* own = nullptr;
        if (!manager)
        {
            hr = CoCreateInstance(CLSID_WiaDevMgr, nullptr, CLSCTX_ALL, IID_IWiaDevMgr,
                                  reinterpret_cast<void**>(&own));
            if (FAILED(hr)) return hr;
            manager = own;
        }
        hr = manager->SelectDeviceDlg(parent, deviceType, flags, nullptr, &root);
        if (own) own->Release();
        if (hr != S_OK)
        {
            if (root) root->Release();
            return hr;
        }
    }

    IWiaItem** items = nullptr;
    LONG itemCount = 0;
    hr = root->DeviceDlg(parent, flags, intent, &itemCount, &items);
    if (hr != S_OK)
    {
        ReleaseInterfaceArray(items, itemCount);
        root->Release();
        return hr;
    }

    if (!(flags & WIA_DEVICE_DIALOG_SINGLE_IMAGE))
    {
        IWiaPropertyStorage* rootProps = nullptr;
        if (SUCCEEDED(root->QueryInterface(IID_IWiaPropertyStorage, reinterpret_cast<void**>(&rootProps))))
        {
            const PROPKEY type = Key(WIA_DIP_DEV_TYPE);
            const PROPKEY select = Key(WIA_DPS_DOCUMENT_HANDLING_SELECT);
            LONG deviceKind = 0, handling = 0;
            if (ReadPropertyLong(rootProps, &type, &deviceKind) == S_OK &&
                GET_STIDEVICE_TYPE(deviceKind) == StiDeviceTypeScanner &&
                ReadPropertyLong(rootProps, &select, &handling) == S_OK && (handling & FEEDER))
                WriteLong(rootProps, WIA_DPS_PAGES, 0);
            rootProps->Release();
        }
    }

    CProgressDlg* dialog = nullptr;
    if (!progress)
    {
        auto* window = dynamic_cast<CScannerWindow*>(parent);
        dialog = new CProgressDlg(window ? window->Owner() : nullptr);
        progress = DefaultProgressCallback;
        parameter = dialog;
    }
    auto* callback = new CDataCallback(progress, parameter, count, streams);
    callback->AddRef();

    for (LONG i = 0; i < itemCount && hr == S_OK; ++i)
    {
        IWiaPropertyStorage* props = nullptr;
        IWiaDataTransfer* transfer = nullptr;
        if (FAILED(items[i]->QueryInterface(IID_IWiaPropertyStorage, reinterpret_cast<void**>(&props))) ||
            FAILED(items[i]->QueryInterface(IID_IWiaDataTransfer, reinterpret_cast<void**>(&transfer))))
            hr = E_NOINTERFACE;
        if (hr == S_OK) hr = WriteLong(props, WIA_IPA_TYMED, TYMED_CALLBACK);
        GUID chosen = format ? *format : GUID_NULL;
        if (hr == S_OK && chosen == GUID_NULL)
        {
            const PROPKEY preferred = Key(WIA_IPA_PREFERRED_FORMAT);
            hr = ReadPropertyGuid(props, &preferred, &chosen);
        }
        if (hr == S_OK) hr = WriteGuid(props, WIA_IPA_FORMAT, chosen);
        LONG bufferSize = 0;
        if (hr == S_OK)
        {
            const PROPKEY buffer = Key(WIA_IPA_BUFFER_SIZE);
            if (ReadPropertyLong(props, &buffer, &bufferSize) != S_OK || bufferSize <= 0) bufferSize = 65536;
        }
        if (hr == S_OK)
        {
            WIA_DATA_TRANSFER_INFO info{};
            info.ulSize = sizeof info;
            info.ulSection = 0;
            info.ulBufferSize = ULONG(bufferSize) * 2;
            info.bDoubleBuffer = 1;
            hr = transfer->idtGetBandedData(&info, callback);
        }
        if (props) props->Release();
        if (transfer) transfer->Release();
    }

    callback->Release();
    if (dialog) dialog->Release();
    ReleaseInterfaceArray(items, itemCount);
    root->Release();
    return hr;
}
} // namespace WiaWrap
