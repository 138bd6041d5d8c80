// The device manager's interfaces, records, property ids and format GUIDs (the published values
// of version 1.0), as our own abstract classes over the small component layer.
#pragma once

#include "platform/scanner/Com.h"
#include "platform/scanner/ScannerWindow.h"

using LONG32 = std::int32_t;

// Formats and events.
constexpr GUID WiaImgFmt_MEMORYBMP = {
    0xb96b3caa, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
constexpr GUID WiaImgFmt_BMP = {0xb96b3cab, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
constexpr GUID WIA_EVENT_DEVICE_CONNECTED = {
    0xa28bbade, 0x64b6, 0x11d2, {0xa2, 0x31, 0x00, 0xc0, 0x4f, 0xa3, 0x18, 0x09}};
constexpr GUID WIA_EVENT_DEVICE_DISCONNECTED = {
    0x143e4e83, 0x6497, 0x11d2, {0xa2, 0x31, 0x00, 0xc0, 0x4f, 0xa3, 0x18, 0x09}};
constexpr CLSID CLSID_WiaDevMgr = {
    0xa1f4e726, 0x8cf1, 0x11d1, {0xbf, 0x92, 0x00, 0x60, 0x08, 0x1e, 0xd8, 0x11}};
constexpr IID IID_IWiaDevMgr = {0x5eb2502a, 0x8cf1, 0x11d1, {0xbf, 0x92, 0x00, 0x60, 0x08, 0x1e, 0xd8, 0x11}};
constexpr IID IID_IWiaItem = {0x4db1ad10, 0x3391, 0x11d2, {0x9a, 0x33, 0x00, 0xc0, 0x4f, 0xa3, 0x61, 0x45}};
constexpr IID IID_IWiaPropertyStorage = {
    0x98b5e8a0, 0x29cc, 0x491a, {0xaa, 0xc0, 0xe6, 0xdb, 0x4f, 0xdc, 0xce, 0xb6}};
constexpr IID IID_IWiaDataTransfer = {
    0xa6cef998, 0xa5b0, 0x11d2, {0xa0, 0x8f, 0x00, 0xc0, 0x4f, 0x72, 0xdc, 0x3c}};
constexpr IID IID_IWiaDataCallback = {
    0xa558a866, 0xa5b0, 0x11d2, {0xa0, 0x8f, 0x00, 0xc0, 0x4f, 0x72, 0xdc, 0x3c}};
constexpr IID IID_IWiaEventCallback = {
    0xae6287b0, 0x0084, 0x11d2, {0x97, 0x3b, 0x00, 0xa0, 0xc9, 0x06, 0x8f, 0x2e}};
constexpr IID IID_IEnumWIA_DEV_INFO = {
    0x5e38b83c, 0x8cf1, 0x11d1, {0xbf, 0x92, 0x00, 0x60, 0x08, 0x1e, 0xd8, 0x11}};

// Property ids.
enum : PROPID
{
    WIA_DIP_DEV_ID = 2,
    WIA_DIP_VEND_DESC = 3,
    WIA_DIP_DEV_DESC = 4,
    WIA_DIP_DEV_TYPE = 5,
    WIA_DIP_DEV_NAME = 7,
    WIA_DPS_DOCUMENT_HANDLING_CAPABILITIES = 3086,
    WIA_DPS_DOCUMENT_HANDLING_STATUS = 3087,
    WIA_DPS_DOCUMENT_HANDLING_SELECT = 3088,
    WIA_DPS_PAGES = 3096,
    WIA_IPA_ITEM_NAME = 4098,
    WIA_IPA_DATATYPE = 4103,
    WIA_IPA_DEPTH = 4104,
    WIA_IPA_PREFERRED_FORMAT = 4105,
    WIA_IPA_FORMAT = 4106,
    WIA_IPA_TYMED = 4108,
    WIA_IPA_PIXELS_PER_LINE = 4112,
    WIA_IPA_BYTES_PER_LINE = 4113,
    WIA_IPA_NUMBER_OF_LINES = 4114,
    WIA_IPA_BUFFER_SIZE = 4118,
    WIA_IPS_CUR_INTENT = 6146,
    WIA_IPS_XRES = 6147,
    WIA_IPS_YRES = 6148,
};

// Values.
constexpr LONG32 FEEDER = 0x001;
constexpr LONG32 FLATBED = 0x002;
constexpr LONG32 StiDeviceTypeScanner = 1;
constexpr LONG32 StiDeviceTypeDigitalCamera = 2;
constexpr LONG32 StiDeviceTypeDefault = 0;
constexpr std::uint32_t GET_STIDEVICE_TYPE(LONG32 type)
{
    return std::uint32_t(type) >> 16;
}
constexpr LONG32 WIA_DEVINFO_ENUM_LOCAL = 0x10;
constexpr LONG32 WIA_DEVICE_DIALOG_SINGLE_IMAGE = 0x2;
constexpr LONG32 WIA_SELECT_DEVICE_NODEFAULT = 0x1;
constexpr LONG32 TYMED_CALLBACK = 128;
constexpr LONG32 WIA_DATA_THRESHOLD = 0;
constexpr LONG32 WIA_DATA_GRAYSCALE = 2;
constexpr LONG32 WIA_DATA_COLOR = 3;
constexpr LONG32 WIA_INTENT_IMAGE_TYPE_COLOR = 0x1;
constexpr LONG32 WIA_INTENT_IMAGE_TYPE_GRAYSCALE = 0x2;
constexpr LONG32 WIA_INTENT_IMAGE_TYPE_TEXT = 0x4;

// Data callback messages and status flags.
constexpr LONG32 IT_MSG_DATA_HEADER = 1;
constexpr LONG32 IT_MSG_DATA = 2;
constexpr LONG32 IT_MSG_STATUS = 3;
constexpr LONG32 IT_MSG_TERMINATION = 4;
constexpr LONG32 IT_MSG_NEW_PAGE = 5;
constexpr LONG32 IT_STATUS_TRANSFER_FROM_DEVICE = 0x1;
constexpr LONG32 IT_STATUS_PROCESSING_DATA = 0x2;
constexpr LONG32 IT_STATUS_TRANSFER_TO_CLIENT = 0x4;

// Errors of devices.
constexpr HRESULT WIA_ERROR_GENERAL_ERROR = HRESULT(0x80210001u);
constexpr HRESULT WIA_ERROR_PAPER_JAM = HRESULT(0x80210002u);
constexpr HRESULT WIA_ERROR_PAPER_EMPTY = HRESULT(0x80210003u);
constexpr HRESULT WIA_ERROR_OFFLINE = HRESULT(0x80210005u);
constexpr HRESULT WIA_ERROR_BUSY = HRESULT(0x80210006u);
constexpr HRESULT WIA_S_NO_DEVICE_AVAILABLE = HRESULT(0x80210015u);

#pragma pack(push, 4)
struct WIA_DATA_CALLBACK_HEADER
{
    LONG32 lSize;
    GUID guidFormatID;
    LONG32 lBufferSize;
    LONG32 lPageCount;
};
struct WIA_DATA_TRANSFER_INFO
{
    ULONG ulSize;
    ULONG ulSection;
    ULONG ulBufferSize;
    std::int32_t bDoubleBuffer;
    ULONG ulReserved1;
    ULONG ulReserved2;
    ULONG ulReserved3;
};
#pragma pack(pop)
static_assert(sizeof(WIA_DATA_CALLBACK_HEADER) == 28);
static_assert(sizeof(WIA_DATA_TRANSFER_INFO) == 28);

class IWiaItem;

class IEnumWIA_DEV_INFO : public IUnknown
{
public:
    virtual HRESULT GetCount(ULONG* count) = 0;
};

class IWiaEventCallback : public IUnknown
{
public:
    virtual HRESULT ImageEventCallback(const GUID* event, BSTR eventDescription, BSTR deviceId,
                                       BSTR deviceDescription, ULONG deviceType, BSTR fullItemName,
                                       ULONG* eventType, ULONG reserved) = 0;
};

class IWiaDevMgr : public IUnknown
{
public:
    virtual HRESULT EnumDeviceInfo(LONG32 flags, IEnumWIA_DEV_INFO** out) = 0;
    // The user's choice of a device (none asked when there is one); S_FALSE when cancelled,
    // WIA_S_NO_DEVICE_AVAILABLE without any.
    virtual HRESULT SelectDeviceDlg(HWND parent, LONG32 deviceType, LONG32 flags, BSTR* deviceId,
                                    IWiaItem** root) = 0;
    virtual HRESULT RegisterEventCallbackInterface(LONG32 flags, BSTR deviceId, const GUID* event,
                                                   IWiaEventCallback* callback, IUnknown** registration) = 0;
};

class IWiaItem : public IUnknown
{
public:
    // The items the user chose to acquire, in a task-memory array; S_FALSE when cancelled.
    virtual HRESULT DeviceDlg(HWND parent, LONG32 flags, LONG32 intent, LONG32* count, IWiaItem*** items) = 0;
};

class IWiaPropertyStorage : public IUnknown
{
public:
    // S_FALSE when a property is not there (its value left VT_EMPTY).
    virtual HRESULT ReadMultiple(ULONG count, const PROPKEY* keys, PROPVARIANT* values) = 0;
    virtual HRESULT WriteMultiple(ULONG count, const PROPKEY* keys, const PROPVARIANT* values,
                                  PROPID first) = 0;
};

class IWiaDataCallback : public IUnknown
{
public:
    virtual HRESULT BandedDataCallback(LONG32 message, LONG32 status, LONG32 percent, LONG32 offset,
                                       LONG32 length, LONG32 reserved, LONG32 reservedLength,
                                       std::uint8_t* buffer) = 0;
};

class IWiaDataTransfer : public IUnknown
{
public:
    virtual HRESULT idtGetBandedData(WIA_DATA_TRANSFER_INFO* info, IWiaDataCallback* callback) = 0;
};

// The device manager of this machine: SANE's devices (CLSID_WiaDevMgr).
HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, std::uint32_t context, REFIID iid, void** out);
constexpr std::uint32_t CLSCTX_ALL = 0x17;
