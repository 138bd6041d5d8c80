// The device-manager road's own logic: bitmap headers, property values, the progress texts and
// its dialog, the data callback's streams, and WiaGetImage's calls observed through a recording
// device.
#include "ScannerTestSupport.h"

#include "acquisition/WiaWrap.h"
#include "platform/WinTypes.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <map>

namespace
{
using namespace WiaWrap;

std::vector<std::uint8_t> Header(std::uint32_t size, LONG width, LONG height, WORD bpp,
                                 DWORD compression = BI_RGB, DWORD sizeImage = 0, DWORD clrUsed = 0)
{
    std::vector<std::uint8_t> h(std::max<std::uint32_t>(size, 40), 0);
    if (size == 12)
    {
        const std::uint16_t core[4] = {std::uint16_t(width), std::uint16_t(height), 1, bpp};
        std::memcpy(h.data(), &size, 4);
        std::memcpy(h.data() + 4, core, 8);
        return h;
    }
    BITMAPINFOHEADER bi;
    bi.biSize = size;
    bi.biWidth = width;
    bi.biHeight = height;
    bi.biPlanes = 1;
    bi.biBitCount = bpp;
    bi.biCompression = compression;
    bi.biSizeImage = sizeImage;
    bi.biClrUsed = clrUsed;
    std::memcpy(h.data(), &bi, 40);
    return h;
}

TEST(WiaBitmapHeaders, SizesOffsetsAndFileHeadersByHeaderKind)
{
    struct Case
    {
        const char* what;
        std::vector<std::uint8_t> header;
        ULONG size;
        ULONG offset;
    };
    std::vector<std::uint8_t> v5 = Header(124, 3, 2, 24);
    const std::uint32_t profileData = 124, profileSize = 20;
    std::memcpy(v5.data() + 112, &profileData, 4);
    std::memcpy(v5.data() + 116, &profileSize, 4);
    const std::vector<Case> cases = {
        {"info, 8 bits", Header(40, 3, 2, 8), 1072, 1064},
        {"info, 8 bits, 4 colours", Header(40, 3, 2, 8, BI_RGB, 0, 4), 40 + 16 + 8, 56},
        {"core, 1 bit", Header(12, 3, 2, 1), 12 + 6 + 8, 18},
        {"bit fields", Header(40, 3, 2, 32, BI_BITFIELDS), 40 + 12 + 24, 52},
        {"V4, 24 bits, top-down", Header(108, 3, -2, 24), 108 + 24, 108},
        {"V5 with a profile after the header", v5, 124 + 24 + 20, 144},
        {"size given", Header(40, 3, 2, 24, BI_RGB, 100), 140, 40},
        {"compressed without a size", Header(40, 3, 2, 8, 1), 0, 1064},
        {"header of 56 bytes", Header(56, 3, 2, 24), 0, 0},
        {"header of 0 bytes", Header(0, 3, 2, 24), 0, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(GetBitmapSize(c.header.data()), c.size);
        EXPECT_EQ(GetBitmapOffsetBits(c.header.data()), c.offset);
        BITMAPFILEHEADER fh;
        const bool ok = FillBitmapFileHeader(c.header.data(), &fh);
        EXPECT_EQ(ok, c.size != 0 && c.offset != 0);
        if (ok)
        {
            EXPECT_EQ(+fh.bfType, 0x4D42);
            EXPECT_EQ(+fh.bfSize, 14 + c.size);
            EXPECT_EQ(+fh.bfOffBits, 14 + c.offset);
        }
    }
    EXPECT_EQ(GetBitmapLineWidthInBytes(3, 8), 4u);
    EXPECT_EQ(GetBitmapLineWidthInBytes(5, 24), 16u);
    LONG w = 0, h = 0;
    EXPECT_TRUE(GetBitmapDimensions(Header(108, 7, -9, 24).data(), &w, &h));
    EXPECT_EQ(w, 7);
    EXPECT_EQ(h, 9);
}

TEST(WiaBitmapHeaders, AMissingHeightComesFromTheBytesReceived)
{
    // 40-byte header, 24 bits, 3 pixels (pitch 12), five rows received.
    std::vector<std::uint8_t> h = Header(40, 3, 0, 24);
    ASSERT_TRUE(FixBitmapHeight(h.data(), 40 + 5 * 12, true));
    BITMAPINFOHEADER bi;
    std::memcpy(&bi, h.data(), 40);
    EXPECT_EQ(bi.biHeight, -5);
    EXPECT_EQ(bi.biSizeImage, 60u);

    h = Header(40, 3, 0, 8);
    ASSERT_TRUE(FixBitmapHeight(h.data(), 40 + 1024 + 3 * 4, false));
    std::memcpy(&bi, h.data(), 40);
    EXPECT_EQ(bi.biHeight, 3);

    h = Header(40, 3, 7, 24);
    EXPECT_TRUE(FixBitmapHeight(h.data(), 10, true));
    std::memcpy(&bi, h.data(), 40);
    EXPECT_EQ(bi.biHeight, 7);

    h = Header(40, 0, 0, 24);
    EXPECT_FALSE(FixBitmapHeight(h.data(), 400, true));
    // Fewer bytes than the header and its table: no height, and nothing wraps round.
    h = Header(40, 3, 0, 8);
    EXPECT_FALSE(FixBitmapHeight(h.data(), 500, true));
    std::memcpy(&bi, h.data(), 40);
    EXPECT_EQ(bi.biHeight, 0);
    EXPECT_EQ(bi.biSizeImage, 0u);
}

// A property storage answering with values of every type.
class FakeStorage : public CRefCounted<IWiaPropertyStorage>
{
public:
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    HRESULT ReadMultiple(ULONG count, const PROPKEY* keys, PROPVARIANT* values) override
    {
        for (ULONG i = 0; i < count; ++i)
        {
            values[i] = PROPVARIANT();
            const auto it = props.find(keys[i].propid);
            if (it == props.end()) return S_FALSE;
            values[i] = it->second;
            // Strings and GUIDs are the caller's to free: fresh copies.
            if (values[i].vt == VT_LPSTR)
            {
                values[i].pszVal = static_cast<char*>(CoTaskMemAlloc(64));
                std::strcpy(values[i].pszVal, text.c_str());
            }
            else if (values[i].vt == VT_LPWSTR)
            {
                values[i].pwszVal = static_cast<WCHAR*>(CoTaskMemAlloc(128));
                std::u16string wide(text.begin(), text.end());
                std::memcpy(values[i].pwszVal, wide.c_str(), (wide.size() + 1) * 2);
            }
            else if (values[i].vt == VT_BSTR)
                values[i].bstrVal = SysAllocString(std::u16string(text.begin(), text.end()));
        }
        return S_OK;
    }
    HRESULT WriteMultiple(ULONG count, const PROPKEY* keys, const PROPVARIANT* values, PROPID) override
    {
        for (ULONG i = 0; i < count; ++i)
        {
            written.push_back({keys[i].propid, values[i].vt == VT_CLSID ? 0 : values[i].lVal});
            if (values[i].vt == VT_CLSID) format = *values[i].puuid;
        }
        return S_OK;
    }
    std::map<PROPID, PROPVARIANT> props;
    std::string text = "{B96B3CAA-0728-11D3-9D7B-0000F81EF32E}";
    std::vector<std::pair<PROPID, LONG>> written;
    GUID format{};
};

TEST(WiaProperties, LongsAndGuidsFromEveryValueType)
{
    auto* storage = new FakeStorage;
    auto set = [&](VARTYPE vt, auto assign)
    {
        PROPVARIANT v;
        v.vt = vt;
        assign(v);
        storage->props[1] = v;
    };
    PROPKEY key;
    key.propid = 1;
    LONG out = 0;
    set(VT_R8, [](PROPVARIANT& v) { v.dblVal = 2.5; });
    EXPECT_EQ(ReadPropertyLong(storage, &key, &out), S_OK);
    EXPECT_EQ(out, 3);
    set(VT_R4, [](PROPVARIANT& v) { v.fltVal = -2.7f; });
    EXPECT_EQ(ReadPropertyLong(storage, &key, &out), S_OK);
    EXPECT_EQ(out, -2);
    set(VT_UI2, [](PROPVARIANT& v) { v.uiVal = 65535; });
    EXPECT_EQ(ReadPropertyLong(storage, &key, &out), S_OK);
    EXPECT_EQ(out, 65535);
    set(VT_I1, [](PROPVARIANT& v) { v.cVal = -5; });
    EXPECT_EQ(ReadPropertyLong(storage, &key, &out), S_OK);
    EXPECT_EQ(out, -5);
    set(VT_BSTR, [](PROPVARIANT&) {});
    EXPECT_EQ(ReadPropertyLong(storage, &key, &out), E_FAIL);
    storage->props.clear();
    EXPECT_EQ(ReadPropertyLong(storage, &key, &out), E_FAIL);

    for (VARTYPE vt : {VARTYPE(VT_BSTR), VARTYPE(VT_LPWSTR), VARTYPE(VT_LPSTR)})
    {
        SCOPED_TRACE(vt);
        set(vt, [](PROPVARIANT&) {});
        GUID g{};
        EXPECT_EQ(ReadPropertyGuid(storage, &key, &g), S_OK);
        EXPECT_EQ(g, WiaImgFmt_MEMORYBMP);
    }
    storage->text = "{B96B3CAA-0728-11D3-9D7B-0000F81EF32}";
    GUID g{};
    EXPECT_NE(ReadPropertyGuid(storage, &key, &g), S_OK);
    set(VT_I4, [](PROPVARIANT& v) { v.lVal = 4; });
    EXPECT_EQ(ReadPropertyGuid(storage, &key, &g), E_FAIL);
    storage->Release();
}

TEST(WiaProgress, TextsByStatusFlagAndTheCancelButton)
{
    auto* dialog = new CProgressDlg(nullptr);
    ASSERT_NE(dialog->Dialog(), nullptr);
    EXPECT_EQ(dialog->Dialog()->windowTitle(), QStringLiteral("WIA Progression"));
    auto* label = dialog->Dialog()->findChild<QLabel*>(QStringLiteral("ctl5501"));
    auto* bar = dialog->Dialog()->findChild<QProgressBar*>(QStringLiteral("ctl5500"));
    auto* button = dialog->Dialog()->findChild<QPushButton*>(QStringLiteral("ctl2"));
    ASSERT_TRUE(label && bar && button);
    EXPECT_EQ(button->text(), QStringLiteral("Abandonner"));
    struct Case
    {
        LONG status;
        const char* text;
    };
    for (const Case c :
         {Case{1, "Lecture de données du périphérique (42% fait)"},
          Case{2, "Traitement de données (42% fait)"}, Case{4, "Transfert de données (42% fait)"},
          Case{1 | 2, "Lecture de données du périphérique (42% fait)"},
          Case{2 | 4, "Traitement de données (42% fait)"}})
    {
        SCOPED_TRACE(c.status);
        label->clear();
        EXPECT_EQ(DefaultProgressCallback(c.status, 42, dialog), S_OK);
        EXPECT_EQ(label->text(), QString::fromUtf8(c.text));
        EXPECT_EQ(bar->value(), 42);
    }
    // No known flag: the text stays, the transfer goes on.
    EXPECT_EQ(DefaultProgressCallback(8, 60, dialog), S_OK);
    EXPECT_EQ(label->text(), QString::fromUtf8("Traitement de données (42% fait)"));
    EXPECT_EQ(DefaultProgressCallback(1, 42, nullptr), E_POINTER);

    QPointer<QDialog> window = dialog->Dialog();
    button->click();
    EXPECT_EQ(button->text(), QStringLiteral("Attendre..."));
    EXPECT_TRUE(dialog->Cancelled());
    EXPECT_EQ(DefaultProgressCallback(4, 50, dialog), S_FALSE);
    EXPECT_EQ(DefaultProgressCallback(8, 50, dialog), S_FALSE);
    dialog->Release();
    EXPECT_TRUE(window.isNull());
}

// Bands of a MEMORYBMP page: header (height 0) and table, then top-down rows.
struct Page
{
    std::vector<std::uint8_t> header;
    std::vector<std::uint8_t> rows;
};

Page GreyPage(LONG width, int rows)
{
    Page p;
    p.header = Header(40, width, 0, 8);
    p.header.resize(40 + 1024);
    const std::size_t pitch = std::size_t((width + 3) / 4 * 4);
    p.rows.resize(pitch * std::size_t(rows));
    for (std::size_t i = 0; i < p.rows.size(); ++i)
        p.rows[i] = std::uint8_t(i * 3);
    return p;
}

HRESULT Send(IWiaDataCallback* callback, const Page& page, LONG announced, bool first, std::size_t band = 20)
{
    if (first)
    {
        WIA_DATA_CALLBACK_HEADER h{};
        h.lSize = sizeof h;
        h.guidFormatID = WiaImgFmt_MEMORYBMP;
        h.lBufferSize = announced;
        if (HRESULT hr = callback->BandedDataCallback(IT_MSG_DATA_HEADER, 0, 0, 0, 0, 0, 0,
                                                      reinterpret_cast<std::uint8_t*>(&h));
            hr != S_OK)
            return hr;
    }
    std::vector<std::uint8_t> all = page.header;
    all.insert(all.end(), page.rows.begin(), page.rows.end());
    // The first band is the header alone; then bands of `band` bytes.
    std::vector<std::uint8_t> headerBand(page.header);
    HRESULT hr = callback->BandedDataCallback(IT_MSG_DATA, IT_STATUS_TRANSFER_TO_CLIENT, 0, 0,
                                              LONG(headerBand.size()), 0, 0, headerBand.data());
    if (hr != S_OK) return hr;
    for (std::size_t at = page.header.size(); at < all.size(); at += band)
    {
        const std::size_t n = std::min(band, all.size() - at);
        hr = callback->BandedDataCallback(IT_MSG_DATA, IT_STATUS_TRANSFER_TO_CLIENT, 50, LONG(at), LONG(n), 0,
                                          0, all.data() + at);
        if (hr != S_OK) return hr;
    }
    return S_OK;
}

TEST(WiaDataCallback, PagesBecomeWholeTopDownBmpStreams)
{
    for (LONG announced : {0, 40 + 1024 + 6 * 8, 100000})
    {
        SCOPED_TRACE(announced);
        LONG count = 0;
        IStream** streams = nullptr;
        auto* callback = new CDataCallback(nullptr, nullptr, &count, &streams);
        callback->AddRef();
        const Page page = GreyPage(6, 5); // pitch 8
        ASSERT_EQ(Send(callback, page, announced, true), S_OK);
        ASSERT_EQ(callback->BandedDataCallback(IT_MSG_NEW_PAGE, 0, 0, 0, 0, 0, 0, nullptr), S_OK);
        ASSERT_EQ(Send(callback, GreyPage(6, 3), 0, false), S_OK);
        ASSERT_EQ(callback->BandedDataCallback(IT_MSG_TERMINATION, 0, 100, 0, 0, 0, 0, nullptr), S_OK);
        callback->Release();
        ASSERT_EQ(count, 2);
        for (int i = 0; i < 2; ++i)
        {
            const int rows = i == 0 ? 5 : 3;
            std::vector<std::uint8_t> bytes;
            ASSERT_TRUE(ReadWholeStream(streams[i], bytes)); // rewound: the whole file
            ASSERT_EQ(bytes.size(), 14u + 1064 + 8u * rows) << "what was received, not what was announced";
            BITMAPFILEHEADER fh;
            std::memcpy(&fh, bytes.data(), 14);
            EXPECT_EQ(+fh.bfType, 0x4D42);
            EXPECT_EQ(+fh.bfOffBits, 14u + 40 + 1024);
            EXPECT_EQ(+fh.bfSize, bytes.size());
            BITMAPINFOHEADER bi;
            std::memcpy(&bi, bytes.data() + 14, 40);
            EXPECT_EQ(bi.biHeight, -rows);
            EXPECT_EQ(bytes[14 + 1064 + 9], std::uint8_t(9 * 3));
        }
        ReleaseInterfaceArray(streams, count);
        EXPECT_EQ(streams, nullptr);
    }
}

TEST(WiaDataCallback, AShortFirstBandIsNotReadAsAHeaderAndACancelKeepsWhatWasStored)
{
    LONG count = 0;
    IStream** streams = nullptr;
    int calls = 0;
    auto progress = [](LONG, LONG, void* p) -> HRESULT
    { return ++*static_cast<int*>(p) >= 3 ? S_FALSE : S_OK; };
    auto* callback = new CDataCallback(progress, &calls, &count, &streams);
    callback->AddRef();
    WIA_DATA_CALLBACK_HEADER h{};
    h.lSize = sizeof h;
    h.guidFormatID = WiaImgFmt_MEMORYBMP;
    ASSERT_EQ(callback->BandedDataCallback(IT_MSG_DATA_HEADER, 0, 0, 0, 0, 0, 0,
                                           reinterpret_cast<std::uint8_t*>(&h)),
              S_OK);
    // Three bytes, then the rest of a header: the first band is too short to be one.
    std::vector<std::uint8_t> header = Header(40, 2, 0, 24);
    ASSERT_EQ(callback->BandedDataCallback(IT_MSG_DATA, 4, 0, 0, 3, 0, 0, header.data()), S_OK);
    ASSERT_EQ(callback->BandedDataCallback(IT_MSG_DATA, 4, 0, 3, 37, 0, 0, header.data() + 3), S_OK);
    ASSERT_EQ(callback->BandedDataCallback(IT_MSG_NEW_PAGE, 0, 0, 0, 0, 0, 0, nullptr), S_OK);
    ASSERT_EQ(count, 1);
    // The user stops during the next page: the stored page stays, the next never comes.
    EXPECT_EQ(callback->BandedDataCallback(IT_MSG_STATUS, 1, 0, 0, 0, 0, 0, nullptr), S_FALSE);
    callback->Release();
    EXPECT_EQ(count, 1);
    ReleaseInterfaceArray(streams, count);
}

// A device recording what WiaGetImage does with it.
class RecordingItem : public CRefCounted<IWiaItem>
{
public:
    class Transfer : public CRefCounted<IWiaDataTransfer>
    {
    public:
        explicit Transfer(RecordingItem& item) : m_item(item) {}
        HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
        HRESULT idtGetBandedData(WIA_DATA_TRANSFER_INFO* info, IWiaDataCallback* callback) override
        {
            m_item.info = *info;
            return Send(callback, GreyPage(4, 2), 0, true) == S_OK
                       ? callback->BandedDataCallback(IT_MSG_TERMINATION, 0, 100, 0, 0, 0, 0, nullptr)
                       : E_FAIL;
        }

    private:
        RecordingItem& m_item;
    };

    RecordingItem() { storage = new FakeStorage; }
    ~RecordingItem() override { storage->Release(); }
    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        *out = nullptr;
        if (iid == IID_IWiaPropertyStorage)
        {
            storage->AddRef();
            *out = storage;
            return S_OK;
        }
        if (iid == IID_IWiaDataTransfer && !refuseTransfer)
        {
            *out = new Transfer(*this);
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    HRESULT DeviceDlg(HWND, LONG32, LONG32, LONG32* count, IWiaItem*** items) override
    {
        ++dialogs;
        if (cancel) return S_FALSE;
        *items = static_cast<IWiaItem**>(CoTaskMemAlloc(sizeof(IWiaItem*)));
        AddRef();
        (*items)[0] = this;
        *count = 1;
        return S_OK;
    }
    FakeStorage* storage;
    WIA_DATA_TRANSFER_INFO info{};
    bool cancel = false;
    bool refuseTransfer = false;
    int dialogs = 0;
};

TEST(WiaGetImage, WhatItAsksOfTheDeviceAndWhatItHandsBack)
{
    LONG count = 0;
    IStream** streams = nullptr;
    EXPECT_EQ(WiaGetImage(nullptr, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &streams),
              E_POINTER);
    EXPECT_EQ(WiaGetImage(nullptr, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr),
              E_POINTER);

    auto progress = [](LONG, LONG, void*) -> HRESULT { return S_OK; };
    auto* item = new RecordingItem;
    PROPVARIANT v;
    v.vt = VT_I4;
    v.lVal = StiDeviceTypeScanner << 16;
    item->storage->props[WIA_DIP_DEV_TYPE] = v;
    v.lVal = FEEDER;
    item->storage->props[WIA_DPS_DOCUMENT_HANDLING_SELECT] = v;
    v.vt = VT_BSTR;
    item->storage->props[WIA_IPA_PREFERRED_FORMAT] = v;

    EXPECT_EQ(WiaGetImage(nullptr, 0, 0, 0, nullptr, item, progress, nullptr, nullptr, &count, &streams),
              S_OK);
    EXPECT_EQ(count, 1);
    // Every page of the feeder, the callback medium, the preferred format, 65536 bytes by default.
    const std::vector<std::pair<PROPID, LONG>> written{
        {WIA_DPS_PAGES, 0}, {WIA_IPA_TYMED, 128}, {WIA_IPA_FORMAT, 0}};
    EXPECT_EQ(item->storage->written, written);
    EXPECT_EQ(item->storage->format, WiaImgFmt_MEMORYBMP);
    EXPECT_EQ(item->info.ulSize, 28u);
    EXPECT_EQ(item->info.ulSection, 0u);
    EXPECT_EQ(item->info.ulBufferSize, 131072u);
    EXPECT_EQ(item->info.bDoubleBuffer, 1);
    ReleaseInterfaceArray(streams, count);

    // One image only: the pages are left alone.
    item->storage->written.clear();
    EXPECT_EQ(WiaGetImage(nullptr, 0, WIA_DEVICE_DIALOG_SINGLE_IMAGE, 0, nullptr, item, progress, nullptr,
                          nullptr, &count, &streams),
              S_OK);
    EXPECT_EQ(item->storage->written.front().first, PROPID(WIA_IPA_TYMED));
    ReleaseInterfaceArray(streams, count);

    item->cancel = true;
    EXPECT_EQ(WiaGetImage(nullptr, 0, 0, 0, nullptr, item, progress, nullptr, nullptr, &count, &streams),
              S_FALSE);
    EXPECT_EQ(count, 0);
    item->cancel = false;
    item->refuseTransfer = true;
    EXPECT_EQ(WiaGetImage(nullptr, 0, 0, 0, nullptr, item, progress, nullptr, nullptr, &count, &streams),
              E_NOINTERFACE);
    EXPECT_EQ(count, 0);
    item->Release();
}
} // namespace
