#include "platform/scanner/SaneWia.h"

#include "platform/WinTypes.h"
#include "platform/scanner/SaneDevice.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

namespace
{
using namespace scanner;

std::u16string Utf16(const std::string& s)
{
    // Device names and descriptions are ASCII in practice; other bytes are kept as they are.
    std::u16string out;
    for (unsigned char c : s)
        out.push_back(char16_t(c));
    return out;
}

// A stored property.
struct Property
{
    VARTYPE vt = VT_EMPTY;
    std::int32_t l = 0;
    GUID guid{};
    std::u16string text;
    bool writable = false;
};

class CPropertyStore
{
public:
    void SetLong(PROPID id, std::int32_t v, bool writable = false)
    {
        Property& p = m_props[id];
        p.vt = VT_I4;
        p.l = v;
        p.writable = writable;
    }
    void SetGuid(PROPID id, const GUID& g, bool writable = false)
    {
        Property& p = m_props[id];
        p.vt = VT_CLSID;
        p.guid = g;
        p.writable = writable;
    }
    void SetText(PROPID id, const std::string& s)
    {
        Property& p = m_props[id];
        p.vt = VT_BSTR;
        p.text = Utf16(s);
    }
    std::int32_t Long(PROPID id, std::int32_t fallback) const
    {
        const auto it = m_props.find(id);
        return it != m_props.end() && it->second.vt == VT_I4 ? it->second.l : fallback;
    }
    GUID Guid(PROPID id) const
    {
        const auto it = m_props.find(id);
        return it != m_props.end() && it->second.vt == VT_CLSID ? it->second.guid : GUID_NULL;
    }

    HRESULT Read(ULONG count, const PROPKEY* keys, PROPVARIANT* values) const
    {
        if (!keys || !values) return E_POINTER;
        HRESULT result = S_OK;
        for (ULONG i = 0; i < count; ++i)
        {
            values[i] = PROPVARIANT();
            const auto it = keys[i].ulKind == PRKEY_PROPID ? m_props.find(keys[i].propid) : m_props.end();
            if (it == m_props.end())
            {
                result = S_FALSE;
                continue;
            }
            const Property& p = it->second;
            values[i].vt = p.vt;
            switch (p.vt)
            {
            case VT_I4:
                values[i].lVal = p.l;
                break;
            case VT_CLSID:
                values[i].puuid = static_cast<CLSID*>(CoTaskMemAlloc(sizeof(CLSID)));
                if (!values[i].puuid) return E_OUTOFMEMORY;
                *values[i].puuid = p.guid;
                break;
            case VT_BSTR:
                values[i].bstrVal = SysAllocString(p.text);
                break;
            default:
                break;
            }
        }
        return result;
    }

    HRESULT Write(ULONG count, const PROPKEY* keys, const PROPVARIANT* values)
    {
        if (!keys || !values) return E_POINTER;
        for (ULONG i = 0; i < count; ++i)
        {
            if (keys[i].ulKind != PRKEY_PROPID) return E_INVALIDARG;
            const auto it = m_props.find(keys[i].propid);
            if (it == m_props.end() || !it->second.writable) return E_INVALIDARG;
            Property& p = it->second;
            if (p.vt == VT_I4)
            {
                if (values[i].vt == VT_I4 || values[i].vt == VT_INT)
                    p.l = values[i].lVal;
                else if (values[i].vt == VT_UI4 || values[i].vt == VT_UINT)
                    p.l = std::int32_t(values[i].ulVal);
                else
                    return E_INVALIDARG;
            }
            else if (p.vt == VT_CLSID)
            {
                if (values[i].vt != VT_CLSID || !values[i].puuid) return E_INVALIDARG;
                p.guid = *values[i].puuid;
            }
            else
                return E_INVALIDARG;
        }
        return S_OK;
    }

private:
    std::map<PROPID, Property> m_props;
};

// What a root item and its scan item share: the device.
struct DeviceState
{
    SaneDeviceInfo info;
    SaneScanner scanner;
    ScanSettings settings;
    ScanCapabilities caps;
    bool capsKnown = false;
    CPropertyStore rootProps;

    bool EnsureOpen()
    {
        if (scanner.IsOpen()) return true;
        if (scanner.Open(info.name) != SANE_STATUS_GOOD) return false;
        caps = scanner.Capabilities();
        capsKnown = true;
        return true;
    }
};

HRESULT MapStatus(SANE_Status status)
{
    switch (status)
    {
    case SANE_STATUS_GOOD:
        return S_OK;
    case SANE_STATUS_CANCELLED:
        return S_FALSE;
    case SANE_STATUS_JAMMED:
        return WIA_ERROR_PAPER_JAM;
    case SANE_STATUS_NO_DOCS:
        return WIA_ERROR_PAPER_EMPTY;
    case SANE_STATUS_DEVICE_BUSY:
        return WIA_ERROR_BUSY;
    case SANE_STATUS_NO_MEM:
        return E_OUTOFMEMORY;
    default:
        return WIA_ERROR_GENERAL_ERROR;
    }
}

class CSaneDevInfoEnum : public CRefCounted<IEnumWIA_DEV_INFO>
{
public:
    explicit CSaneDevInfoEnum(ULONG count) : m_count(count) {}
    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IEnumWIA_DEV_INFO) return E_NOINTERFACE;
        AddRef();
        *out = static_cast<IEnumWIA_DEV_INFO*>(this);
        return S_OK;
    }
    HRESULT GetCount(ULONG* count) override
    {
        if (!count) return E_POINTER;
        *count = m_count;
        return S_OK;
    }

private:
    ULONG m_count;
};

class CSaneWiaItem : public CRefCounted<IWiaItem>, public IWiaPropertyStorage, public IWiaDataTransfer
{
public:
    CSaneWiaItem(std::shared_ptr<DeviceState> device, bool root) : m_device(std::move(device)), m_root(root)
    {
        if (!root)
        {
            const ScanSettings& s = m_device->settings;
            m_props.SetText(WIA_IPA_ITEM_NAME, "Scan");
            m_props.SetLong(WIA_IPA_DATATYPE,
                            s.mode == ScanMode::Color  ? WIA_DATA_COLOR
                            : s.mode == ScanMode::Gray ? WIA_DATA_GRAYSCALE
                                                       : WIA_DATA_THRESHOLD,
                            true);
            m_props.SetLong(WIA_IPA_DEPTH, s.mode == ScanMode::Color ? 24 : s.mode == ScanMode::Gray ? 8 : 1);
            m_props.SetLong(WIA_IPS_XRES, s.resolution, true);
            m_props.SetLong(WIA_IPS_YRES, s.resolution, true);
            m_props.SetGuid(WIA_IPA_PREFERRED_FORMAT, WiaImgFmt_MEMORYBMP);
            m_props.SetGuid(WIA_IPA_FORMAT, WiaImgFmt_MEMORYBMP, true);
            m_props.SetLong(WIA_IPA_TYMED, TYMED_CALLBACK, true);
            m_props.SetLong(WIA_IPA_BUFFER_SIZE, 65536);
        }
    }

    // IUnknown, one object under three interfaces.
    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IWiaItem)
            *out = static_cast<IWiaItem*>(this);
        else if (iid == IID_IWiaPropertyStorage)
            *out = static_cast<IWiaPropertyStorage*>(this);
        else if (iid == IID_IWiaDataTransfer && !m_root)
            *out = static_cast<IWiaDataTransfer*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return CRefCounted<IWiaItem>::AddRef(); }
    ULONG Release() override { return CRefCounted<IWiaItem>::Release(); }

    HRESULT DeviceDlg(HWND parent, LONG32 flags, LONG32 intent, LONG32* count, IWiaItem*** items) override;
    HRESULT ReadMultiple(ULONG count, const PROPKEY* keys, PROPVARIANT* values) override
    {
        return Props().Read(count, keys, values);
    }
    HRESULT WriteMultiple(ULONG count, const PROPKEY* keys, const PROPVARIANT* values, PROPID) override
    {
        return Props().Write(count, keys, values);
    }
    HRESULT idtGetBandedData(WIA_DATA_TRANSFER_INFO* info, IWiaDataCallback* callback) override;

private:
    CPropertyStore& Props() { return m_root ? m_device->rootProps : m_props; }
    HRESULT TransferPage(SaneScanner& scanner, IWiaDataCallback* callback, std::vector<std::uint8_t>& band,
                         bool first);

    std::shared_ptr<DeviceState> m_device;
    bool m_root;
    CPropertyStore m_props;
};

HRESULT CSaneWiaItem::DeviceDlg(HWND parent, LONG32, LONG32 intent, LONG32* count, IWiaItem*** items)
{
    if (!count || !items) return E_POINTER;
    *count = 0;
    *items = nullptr;
    if (!m_root) return E_INVALIDARG;
    if (!m_device->EnsureOpen()) return WIA_ERROR_OFFLINE;
    ScanSettings& s = m_device->settings;
    const ScanCapabilities& caps = m_device->caps;
    if (intent & WIA_INTENT_IMAGE_TYPE_GRAYSCALE)
        s.mode = ScanMode::Gray;
    else if (intent & WIA_INTENT_IMAGE_TYPE_TEXT)
        s.mode = ScanMode::BlackWhite;
    s.resolution = std::clamp(s.resolution, caps.minResolution, caps.maxResolution);
    if (!parent || !parent->AskScanSettings(caps, s)) return S_FALSE;
    m_device->rootProps.SetLong(WIA_DPS_DOCUMENT_HANDLING_SELECT, s.feeder ? FEEDER : FLATBED, true);
    auto* item = new (std::nothrow) CSaneWiaItem(m_device, false);
    if (!item) return E_OUTOFMEMORY;
    auto** array = static_cast<IWiaItem**>(CoTaskMemAlloc(sizeof(IWiaItem*)));
    if (!array)
    {
        item->Release();
        return E_OUTOFMEMORY;
    }
    array[0] = item;
    *items = array;
    *count = 1;
    return S_OK;
}

HRESULT CSaneWiaItem::TransferPage(SaneScanner& scanner, IWiaDataCallback* callback,
                                   std::vector<std::uint8_t>& band, bool first)
{
    const PageFormat& f = scanner.Format();
    const int entries = f.bitsPerPixel == 24 ? 0 : (f.bitsPerPixel == 8 ? 256 : 2);
    const std::size_t headerBytes = sizeof(BITMAPINFOHEADER) + 4 * std::size_t(entries);
    std::vector<std::uint8_t> header(headerBytes, 0);
    BITMAPINFOHEADER bi;
    bi.biSize = 40;
    bi.biWidth = f.width;
    bi.biHeight = 0; // filled in by whoever receives the rows
    bi.biPlanes = 1;
    bi.biBitCount = WORD(f.bitsPerPixel);
    bi.biCompression = BI_RGB;
    bi.biXPelsPerMeter = bi.biYPelsPerMeter = LONG(f.resolution / 0.0254);
    bi.biClrUsed = DWORD(entries);
    std::memcpy(header.data(), &bi, sizeof bi);
    auto* palette = reinterpret_cast<RGBQUAD*>(header.data() + sizeof bi);
    for (int i = 0; i < entries; ++i)
    {
        const BYTE v = entries == 2 ? BYTE(i == 0 ? 255 : 0) : BYTE(i);
        palette[i] = RGBQUAD{v, v, v, 0};
    }
    const std::uint64_t total =
        f.lines >= 0 ? headerBytes + std::uint64_t(f.pitch) * std::uint64_t(f.lines) : 0;
    if (first)
    {
        WIA_DATA_CALLBACK_HEADER h{};
        h.lSize = sizeof h;
        h.guidFormatID = WiaImgFmt_MEMORYBMP;
        h.lBufferSize = total <= 0x7FFFFFFF ? LONG32(total) : 0;
        h.lPageCount = m_device->settings.feeder ? 0 : 1;
        HRESULT hr = callback->BandedDataCallback(IT_MSG_DATA_HEADER, 0, 0, 0, 0, 0, 0,
                                                  reinterpret_cast<std::uint8_t*>(&h));
        if (hr != S_OK) return hr;
        hr = callback->BandedDataCallback(IT_MSG_STATUS, IT_STATUS_TRANSFER_FROM_DEVICE, 0, 0, 0, 0, 0,
                                          nullptr);
        if (hr != S_OK) return hr;
    }
    HRESULT hr = callback->BandedDataCallback(IT_MSG_DATA, IT_STATUS_TRANSFER_TO_CLIENT, 0, 0,
                                              LONG32(headerBytes), 0, 0, header.data());
    if (hr != S_OK) return hr;
    std::uint64_t offset = headerBytes;
    const int rowsPerBand = int(std::max<std::size_t>(band.size() / f.pitch, 1));
    if (band.size() < std::size_t(rowsPerBand) * f.pitch) band.resize(std::size_t(rowsPerBand) * f.pitch);
    for (;;)
    {
        int got = 0;
        const SANE_Status status = scanner.ReadRows(band.data(), f.pitch, rowsPerBand, true, &got);
        if (status != SANE_STATUS_GOOD && status != SANE_STATUS_EOF)
        {
            scanner.Cancel();
            return MapStatus(status);
        }
        if (got > 0)
        {
            const std::uint64_t bytes = std::uint64_t(got) * f.pitch;
            if (offset + bytes > 0x7FFFFFFF)
            {
                scanner.Cancel();
                return E_OUTOFMEMORY;
            }
            const int percent =
                f.lines > 0
                    ? int(std::min<std::int64_t>(100, std::int64_t(scanner.RowsRead()) * 100 / f.lines))
                    : 50;
            hr = callback->BandedDataCallback(IT_MSG_DATA, IT_STATUS_TRANSFER_TO_CLIENT, percent,
                                              LONG32(offset), LONG32(bytes), 0, 0, band.data());
            if (hr != S_OK)
            {
                scanner.Cancel();
                return hr;
            }
            offset += bytes;
        }
        if (status == SANE_STATUS_EOF || scanner.AtEnd()) return S_OK;
    }
}

HRESULT CSaneWiaItem::idtGetBandedData(WIA_DATA_TRANSFER_INFO* info, IWiaDataCallback* callback)
{
    if (!info || !callback) return E_POINTER;
    if (info->ulSize != sizeof(WIA_DATA_TRANSFER_INFO)) return E_INVALIDARG;
    if (m_props.Long(WIA_IPA_TYMED, 0) != TYMED_CALLBACK) return E_INVALIDARG;
    if (m_props.Guid(WIA_IPA_FORMAT) != WiaImgFmt_MEMORYBMP) return E_INVALIDARG;
    if (!m_device->EnsureOpen()) return WIA_ERROR_OFFLINE;
    ScanSettings s = m_device->settings;
    const std::int32_t type = m_props.Long(WIA_IPA_DATATYPE, WIA_DATA_COLOR);
    s.mode = type == WIA_DATA_COLOR       ? ScanMode::Color
             : type == WIA_DATA_GRAYSCALE ? ScanMode::Gray
                                          : ScanMode::BlackWhite;
    s.resolution = m_props.Long(WIA_IPS_XRES, s.resolution);
    s.feeder = (m_device->rootProps.Long(WIA_DPS_DOCUMENT_HANDLING_SELECT, FLATBED) & FEEDER) != 0;
    m_device->settings = s;
    SaneScanner& scanner = m_device->scanner;
    if (!scanner.Apply(s)) return E_INVALIDARG;
    const std::int32_t pages = s.feeder ? m_device->rootProps.Long(WIA_DPS_PAGES, 1) : 1;
    std::vector<std::uint8_t> band(std::max<std::size_t>(info->ulBufferSize / 2, 4096));

    SANE_Status status = scanner.Start();
    if (status != SANE_STATUS_GOOD) return MapStatus(status);
    for (int page = 0;; ++page)
    {
        const HRESULT hr = TransferPage(scanner, callback, band, page == 0);
        if (hr != S_OK) return hr;
        if (!s.feeder || (pages > 0 && page + 1 >= pages)) break;
        status = scanner.Start();
        if (status == SANE_STATUS_NO_DOCS) break;
        if (status != SANE_STATUS_GOOD) return MapStatus(status);
        const HRESULT next = callback->BandedDataCallback(IT_MSG_NEW_PAGE, 0, 0, 0, 0, 0, 0, nullptr);
        if (next != S_OK)
        {
            scanner.Cancel();
            return next;
        }
    }
    scanner.Cancel();
    return callback->BandedDataCallback(IT_MSG_TERMINATION, 0, 100, 0, 0, 0, 0, nullptr);
}

// Event registrations.
std::mutex g_eventMutex;
std::vector<IWiaEventCallback*> g_eventCallbacks;

class CRegistration : public CRefCounted<IUnknown>
{
public:
    // The callback is not held: it releases its registrations before it goes.
    explicit CRegistration(IWiaEventCallback* callback) : m_callback(callback)
    {
        std::lock_guard lock(g_eventMutex);
        g_eventCallbacks.push_back(m_callback);
    }
    ~CRegistration() override
    {
        {
            std::lock_guard lock(g_eventMutex);
            const auto it = std::find(g_eventCallbacks.begin(), g_eventCallbacks.end(), m_callback);
            if (it != g_eventCallbacks.end()) g_eventCallbacks.erase(it);
        }
    }
    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown) return E_NOINTERFACE;
        AddRef();
        *out = this;
        return S_OK;
    }

private:
    IWiaEventCallback* m_callback;
};

class CSaneWiaDevMgr : public CRefCounted<IWiaDevMgr>
{
public:
    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IWiaDevMgr) return E_NOINTERFACE;
        AddRef();
        *out = static_cast<IWiaDevMgr*>(this);
        return S_OK;
    }

    HRESULT EnumDeviceInfo(LONG32, IEnumWIA_DEV_INFO** out) override
    {
        if (!out) return E_POINTER;
        *out = new (std::nothrow) CSaneDevInfoEnum(ULONG(ListSaneDevices().size()));
        return *out ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT SelectDeviceDlg(HWND parent, LONG32 deviceType, LONG32 flags, BSTR* deviceId,
                            IWiaItem** root) override
    {
        if (!root) return E_POINTER;
        *root = nullptr;
        if (deviceId) *deviceId = nullptr;
        // Every SANE device is a scanner.
        if (deviceType != StiDeviceTypeDefault && deviceType != StiDeviceTypeScanner)
            return WIA_S_NO_DEVICE_AVAILABLE;
        const std::vector<SaneDeviceInfo> devices = ListSaneDevices();
        if (devices.empty()) return WIA_S_NO_DEVICE_AVAILABLE;
        int chosen = 0;
        if (devices.size() > 1 || (flags & WIA_SELECT_DEVICE_NODEFAULT))
        {
            std::vector<std::string> labels;
            for (const SaneDeviceInfo& d : devices)
                labels.push_back(d.vendor + " " + d.model + " (" + d.name + ")");
            chosen =
                parent ? parent->ChooseFromList("Sélectionner un périphérique", "Périphériques :", labels, 0)
                       : 0;
            if (chosen < 0 || std::size_t(chosen) >= devices.size()) return S_FALSE;
        }
        auto device = std::make_shared<DeviceState>();
        device->info = devices[std::size_t(chosen)];
        if (!device->EnsureOpen()) return WIA_ERROR_OFFLINE;
        CPropertyStore& p = device->rootProps;
        p.SetText(WIA_DIP_DEV_ID, device->info.name);
        p.SetText(WIA_DIP_DEV_NAME, device->info.model);
        p.SetText(WIA_DIP_VEND_DESC, device->info.vendor);
        p.SetLong(WIA_DIP_DEV_TYPE, StiDeviceTypeScanner << 16);
        p.SetLong(WIA_DPS_DOCUMENT_HANDLING_CAPABILITIES,
                  (device->caps.feeder ? FEEDER : 0) | (device->caps.flatbed ? FLATBED : 0));
        p.SetLong(WIA_DPS_DOCUMENT_HANDLING_SELECT, device->caps.flatbed ? FLATBED : FEEDER, true);
        p.SetLong(WIA_DPS_PAGES, 1, true);
        device->settings.mode = device->caps.color ? ScanMode::Color : ScanMode::Gray;
        device->settings.resolution = std::clamp(100, device->caps.minResolution, device->caps.maxResolution);
        auto* item = new (std::nothrow) CSaneWiaItem(device, true);
        if (!item) return E_OUTOFMEMORY;
        if (deviceId) *deviceId = SysAllocString(Utf16(device->info.name));
        *root = item;
        return S_OK;
    }

    HRESULT RegisterEventCallbackInterface(LONG32, BSTR, const GUID* event, IWiaEventCallback* callback,
                                           IUnknown** registration) override
    {
        if (!event || !callback || !registration) return E_POINTER;
        if (*event != WIA_EVENT_DEVICE_CONNECTED && *event != WIA_EVENT_DEVICE_DISCONNECTED)
            return E_INVALIDARG;
        *registration = new (std::nothrow) CRegistration(callback);
        return *registration ? S_OK : E_OUTOFMEMORY;
    }
};
} // namespace

IWiaDevMgr* CreateSaneWiaDevMgr()
{
    return new (std::nothrow) CSaneWiaDevMgr;
}

void NotifySaneDeviceChange(bool connected)
{
    std::vector<IWiaEventCallback*> callbacks;
    {
        std::lock_guard lock(g_eventMutex);
        callbacks = g_eventCallbacks;
        for (IWiaEventCallback* c : callbacks)
            c->AddRef();
    }
    const GUID event = connected ? WIA_EVENT_DEVICE_CONNECTED : WIA_EVENT_DEVICE_DISCONNECTED;
    for (IWiaEventCallback* c : callbacks)
    {
        ULONG type = 0;
        c->ImageEventCallback(&event, nullptr, nullptr, nullptr, StiDeviceTypeScanner, nullptr, &type, 0);
        c->Release();
    }
}

HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, std::uint32_t, REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return HRESULT(0x80040110u);                    // no aggregation
    if (clsid != CLSID_WiaDevMgr) return HRESULT(0x80040154u); // class not registered
    IWiaDevMgr* manager = CreateSaneWiaDevMgr();
    if (!manager) return E_OUTOFMEMORY;
    const HRESULT hr = manager->QueryInterface(iid, out);
    manager->Release();
    return hr;
}
