#include "platform/scanner/TwainSaneSource.h"

#include "platform/WinTypes.h"
#include "platform/scanner/GlobalMemory.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace scanner
{
namespace
{
HGLOBAL OneValue(TW_UINT16 type, TW_UINT32 value)
{
    HGLOBAL h = GlobalAlloc(GHND, sizeof(TW_ONEVALUE));
    if (!h) return nullptr;
    auto* one = static_cast<TW_ONEVALUE*>(GlobalLock(h));
    one->ItemType = type;
    one->Item = value;
    GlobalUnlock(h);
    return h;
}

TW_UINT32 Fix32Item(double value)
{
    TW_FIX32 f;
    const std::int32_t v = std::int32_t(std::lround(value * 65536.0));
    f.Whole = TW_INT16(v >> 16);
    f.Frac = TW_UINT16(v & 0xFFFF);
    TW_UINT32 item = 0;
    std::memcpy(&item, &f, 4);
    return item;
}

double Fix32Value(TW_UINT32 item)
{
    TW_FIX32 f;
    std::memcpy(&f, &item, 4);
    return f.Whole + f.Frac / 65536.0;
}

// The one value of a container the program set, with its type.
bool ReadOneValue(const TW_CAPABILITY* cap, TW_UINT16* type, TW_UINT32* item)
{
    if (cap->ConType != TWON_ONEVALUE || !cap->hContainer ||
        GlobalSize(cap->hContainer) < sizeof(TW_ONEVALUE))
        return false;
    const auto* one = static_cast<const TW_ONEVALUE*>(GlobalLock(cap->hContainer));
    *type = one->ItemType;
    *item = one->Item;
    GlobalUnlock(cap->hContainer);
    return true;
}

std::int32_t SignedItem(TW_UINT16 type, TW_UINT32 item)
{
    switch (type)
    {
    case TWTY_INT8:
        return TW_INT8(item & 0xFF);
    case TWTY_INT16:
        return TW_INT16(item & 0xFFFF);
    case TWTY_UINT8:
        return std::int32_t(item & 0xFF);
    case TWTY_UINT16:
    case TWTY_BOOL:
        return std::int32_t(item & 0xFFFF);
    default:
        return std::int32_t(item);
    }
}

TW_UINT16 PixelTypeOf(ScanMode mode)
{
    switch (mode)
    {
    case ScanMode::BlackWhite:
        return TWPT_BW;
    case ScanMode::Gray:
        return TWPT_GRAY;
    default:
        return TWPT_RGB;
    }
}

// The strip size asked for by the environment (tests ask for small strips), else 64 KiB.
std::size_t PreferredStripBytes()
{
    if (const char* env = std::getenv("ORVALIS_TWAIN_STRIP_BYTES"))
    {
        const long v = std::strtol(env, nullptr, 10);
        if (v > 0) return std::size_t(v);
    }
    return 65536;
}
} // namespace

CSaneTwainSource::CSaneTwainSource(std::string device, const TW_IDENTITY& identity)
    : m_device(std::move(device)), m_identity(identity), m_cookie(reinterpret_cast<std::uintptr_t>(this))
{
}

CSaneTwainSource::~CSaneTwainSource()
{
    if (m_panelShown && m_window) m_window->CloseScanPanel(this);
}

TW_UINT16 CSaneTwainSource::Fail(TW_UINT16 condition)
{
    m_condition = condition;
    return TWRC_FAILURE;
}

void CSaneTwainSource::Queue(TW_UINT16 message)
{
    m_events.push_back(message);
    if (m_window) m_window->PostScannerMessage(kScannerSourceMessage, m_cookie, 0);
}

void CSaneTwainSource::BackToEnabled()
{
    m_state = 5;
    m_pagesDone = 0;
    m_stopAll = false;
    if (!m_showUi) Queue(MSG_CLOSEDSREQ);
}

TW_UINT16 CSaneTwainSource::Entry(TW_IDENTITY*, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    if (dg == DG_CONTROL && dat == DAT_STATUS && msg == MSG_GET)
    {
        if (!data) return TWRC_FAILURE;
        auto* status = static_cast<TW_STATUS*>(data);
        status->ConditionCode = m_condition;
        status->Data = 0;
        m_condition = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    }
    if (dg == DG_CONTROL && dat == DAT_EVENT && msg == MSG_PROCESSEVENT)
    {
        auto* event = static_cast<TW_EVENT*>(data);
        if (!event) return Fail(TWCC_BADVALUE);
        event->TWMessage = MSG_NULL;
        const auto* m = static_cast<const MSG*>(event->pEvent);
        if (m_state < 5 || !m || m->message != kScannerSourceMessage || m->wParam != m_cookie)
            return TWRC_NOTDSEVENT;
        if (!m_events.empty())
        {
            event->TWMessage = m_events.front();
            m_events.pop_front();
        }
        return TWRC_DSEVENT;
    }
    if (dg == DG_CONTROL && dat == DAT_IDENTITY)
    {
        switch (msg)
        {
        case MSG_GET:
            if (!data) return Fail(TWCC_BADVALUE);
            std::memcpy(data, &m_identity, sizeof m_identity);
            return TWRC_SUCCESS;
        case MSG_OPENDS:
        {
            if (m_state != 3) return Fail(TWCC_SEQERROR);
            if (m_scanner.Open(m_device) != SANE_STATUS_GOOD) return Fail(TWCC_CHECKDEVICEONLINE);
            const ScanCapabilities caps = m_scanner.Capabilities();
            m_settings.mode = caps.color ? ScanMode::Color : ScanMode::Gray;
            m_settings.resolution = std::clamp(100, caps.minResolution, caps.maxResolution);
            m_settings.feeder = !caps.flatbed && caps.feeder;
            m_xferCount = -1;
            m_state = 4;
            return TWRC_SUCCESS;
        }
        case MSG_CLOSEDS:
            if (m_state < 4) return Fail(TWCC_SEQERROR);
            // Whatever was under way ends with the source.
            if (m_panelShown && m_window) m_window->CloseScanPanel(this);
            m_panelShown = false;
            m_scanner.Close();
            m_events.clear();
            m_state = 3;
            return TWRC_SUCCESS;
        default:
            return Fail(TWCC_BADPROTOCOL);
        }
    }
    if (m_state < 4) return Fail(TWCC_SEQERROR);
    if (dg == DG_CONTROL && dat == DAT_CAPABILITY) return Capability(msg, static_cast<TW_CAPABILITY*>(data));
    if (dg == DG_CONTROL && dat == DAT_USERINTERFACE)
    {
        auto* ui = static_cast<TW_USERINTERFACE*>(data);
        if (msg == MSG_ENABLEDS)
        {
            if (m_state != 4) return Fail(TWCC_SEQERROR);
            if (!ui) return Fail(TWCC_BADVALUE);
            m_window = static_cast<HWND>(ui->hParent);
            m_showUi = ui->ShowUI != 0;
            ui->ModalUI = 0;
            m_state = 5;
            m_pagesDone = 0;
            m_stopAll = false;
            if (m_showUi)
            {
                if (!m_window || !m_window->OpenScanPanel(m_scanner.Capabilities(), m_settings, this))
                {
                    m_state = 4;
                    return Fail(TWCC_OPERATIONERROR);
                }
                m_panelShown = true;
            }
            else if (!StartPage(true))
                Queue(MSG_CLOSEDSREQ);
            return TWRC_SUCCESS;
        }
        if (msg == MSG_DISABLEDS)
        {
            if (m_state != 5) return Fail(TWCC_SEQERROR);
            if (m_panelShown && m_window) m_window->CloseScanPanel(this);
            m_panelShown = false;
            m_events.clear();
            m_state = 4;
            return TWRC_SUCCESS;
        }
        return Fail(TWCC_BADPROTOCOL);
    }
    if (dg == DG_IMAGE && dat == DAT_IMAGEINFO && msg == MSG_GET)
        return ImageInfo(static_cast<TW_IMAGEINFO*>(data));
    if (dg == DG_IMAGE && dat == DAT_IMAGENATIVEXFER && msg == MSG_GET)
        return NativeTransfer(static_cast<TW_HANDLE*>(data));
    if (dg == DG_CONTROL && dat == DAT_SETUPMEMXFER && msg == MSG_GET)
        return SetupMemory(static_cast<TW_SETUPMEMXFER*>(data));
    if (dg == DG_IMAGE && dat == DAT_IMAGEMEMXFER && msg == MSG_GET)
        return MemoryTransfer(static_cast<TW_IMAGEMEMXFER*>(data));
    if (dg == DG_CONTROL && dat == DAT_PENDINGXFERS)
    {
        auto* pending = static_cast<TW_PENDINGXFERS*>(data);
        if (!pending) return Fail(TWCC_BADVALUE);
        switch (msg)
        {
        case MSG_ENDXFER:
            return EndTransfer(pending);
        case MSG_RESET:
            return Reset(pending);
        case MSG_GET:
            pending->Count = m_state >= 6 ? TW_UINT16(0xFFFF) : 0;
            return TWRC_SUCCESS;
        default:
            return Fail(TWCC_BADPROTOCOL);
        }
    }
    return Fail(TWCC_BADPROTOCOL);
}

TW_UINT16 CSaneTwainSource::Capability(TW_UINT16 msg, TW_CAPABILITY* cap)
{
    if (!cap) return Fail(TWCC_BADVALUE);
    const ScanCapabilities caps = m_scanner.Capabilities();
    TW_UINT16 type = TWTY_UINT16;
    TW_UINT32 value = 0;
    switch (cap->Cap)
    {
    case CAP_XFERCOUNT:
        type = TWTY_INT16;
        value = TW_UINT16(m_xferCount);
        break;
    case ICAP_UNITS:
        value = TWUN_INCHES;
        break;
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION:
        type = TWTY_FIX32;
        value = Fix32Item(m_settings.resolution);
        break;
    case ICAP_PIXELTYPE:
        value = PixelTypeOf(m_settings.mode);
        break;
    case ICAP_BITDEPTH:
        value = m_settings.mode == ScanMode::BlackWhite ? 1 : 8;
        break;
    case ICAP_PIXELFLAVOR:
        value = TWPF_VANILLA;
        break;
    case CAP_FEEDERENABLED:
        type = TWTY_BOOL;
        value = m_settings.feeder ? 1 : 0;
        break;
    case ICAP_XFERMECH:
        value = TWSX_NATIVE;
        break;
    default:
        return Fail(TWCC_CAPUNSUPPORTED);
    }

    switch (msg)
    {
    case MSG_GET:
    case MSG_GETCURRENT:
    case MSG_GETDEFAULT:
        cap->ConType = TWON_ONEVALUE;
        cap->hContainer = OneValue(type, value);
        return cap->hContainer ? TWRC_SUCCESS : Fail(TWCC_LOWMEMORY);
    case MSG_RESET:
        if (m_state != 4) return Fail(TWCC_CAPSEQERROR);
        if (cap->Cap == CAP_XFERCOUNT) m_xferCount = -1;
        return TWRC_SUCCESS;
    case MSG_SET:
        break;
    default:
        return Fail(TWCC_CAPBADOPERATION);
    }

    if (m_state != 4) return Fail(TWCC_CAPSEQERROR);
    TW_UINT16 setType = 0;
    TW_UINT32 item = 0;
    if (!ReadOneValue(cap, &setType, &item)) return Fail(TWCC_BADVALUE);
    const std::int32_t v = SignedItem(setType, item);
    switch (cap->Cap)
    {
    case CAP_XFERCOUNT:
    {
        const TW_INT16 count = TW_INT16(v & 0xFFFF);
        if (count == 0 || count < -1) return Fail(TWCC_BADVALUE);
        m_xferCount = count;
        return TWRC_SUCCESS;
    }
    case ICAP_UNITS:
        return v == TWUN_INCHES ? TWRC_SUCCESS : Fail(TWCC_BADVALUE);
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION:
    {
        const double dpi = setType == TWTY_FIX32 ? Fix32Value(item) : double(v);
        const int r = int(std::lround(dpi));
        if (r < caps.minResolution || r > caps.maxResolution) return Fail(TWCC_BADVALUE);
        m_settings.resolution = r;
        return TWRC_SUCCESS;
    }
    case ICAP_PIXELTYPE:
        if (v == TWPT_RGB && caps.color)
            m_settings.mode = ScanMode::Color;
        else if (v == TWPT_GRAY && caps.gray)
            m_settings.mode = ScanMode::Gray;
        else if (v == TWPT_BW && caps.blackWhite)
            m_settings.mode = ScanMode::BlackWhite;
        else
            return Fail(TWCC_BADVALUE);
        return TWRC_SUCCESS;
    case CAP_FEEDERENABLED:
        if (v != 0 && !caps.feeder) return Fail(TWCC_BADVALUE);
        if (v == 0 && !caps.flatbed) return Fail(TWCC_BADVALUE);
        m_settings.feeder = v != 0;
        return TWRC_SUCCESS;
    case ICAP_XFERMECH:
        return v == TWSX_NATIVE || v == TWSX_MEMORY ? TWRC_SUCCESS : Fail(TWCC_BADVALUE);
    default:
        return Fail(TWCC_CAPBADOPERATION);
    }
}

void CSaneTwainSource::OnScan(const ScanSettings& settings)
{
    // A click while an image waits or moves is not a new scan.
    if (m_state != 5) return;
    m_settings = settings;
    StartPage(true);
}

void CSaneTwainSource::OnClosePanel()
{
    if (m_state >= 5) Queue(MSG_CLOSEDSREQ);
}

bool CSaneTwainSource::StartPage(bool first)
{
    if (first && !m_scanner.Apply(m_settings))
    {
        if (m_window) m_window->ShowScannerMessage("Le scanner refuse ces réglages.");
        return false;
    }
    const SANE_Status status = m_scanner.Start();
    if (status != SANE_STATUS_GOOD)
    {
        // The end of a feeder's batch is no error.
        if (m_window && (first || status != SANE_STATUS_NO_DOCS))
            m_window->ShowScannerMessage(ScanStatusText(status));
        return false;
    }
    m_state = 6;
    if (first) Queue(MSG_XFERREADY);
    return true;
}

TW_UINT16 CSaneTwainSource::ImageInfo(TW_IMAGEINFO* info)
{
    if (m_state != 6 && m_state != 7) return Fail(TWCC_SEQERROR);
    if (!info) return Fail(TWCC_BADVALUE);
    const PageFormat& f = m_scanner.Format();
    std::memset(info, 0, sizeof *info);
    const TW_UINT32 res = Fix32Item(m_settings.resolution);
    std::memcpy(&info->XResolution, &res, 4);
    std::memcpy(&info->YResolution, &res, 4);
    info->ImageWidth = f.width;
    info->ImageLength = f.lines;
    info->SamplesPerPixel = f.bitsPerPixel == 24 ? 3 : 1;
    for (int i = 0; i < info->SamplesPerPixel; ++i)
        info->BitsPerSample[i] = TW_INT16(f.bitsPerPixel == 1 ? 1 : 8);
    info->BitsPerPixel = TW_INT16(f.bitsPerPixel);
    info->Planar = 0;
    info->PixelType = TW_INT16(PixelTypeOf(f.mode));
    info->Compression = TWCP_NONE;
    return TWRC_SUCCESS;
}

TW_UINT16 CSaneTwainSource::ReadError(SANE_Status status)
{
    m_scanner.Cancel();
    m_stopAll = true;
    if (status == SANE_STATUS_CANCELLED)
    {
        m_state = 7;
        return TWRC_CANCEL;
    }
    if (m_window) m_window->ShowScannerMessage(ScanStatusText(status));
    return Fail(status == SANE_STATUS_JAMMED   ? TWCC_PAPERJAM
                : status == SANE_STATUS_NO_MEM ? TWCC_LOWMEMORY
                                               : TWCC_OPERATIONERROR);
}

TW_UINT16 CSaneTwainSource::NativeTransfer(TW_HANDLE* handle)
{
    if (m_state != 6) return Fail(TWCC_SEQERROR);
    if (!handle) return Fail(TWCC_BADVALUE);
    const PageFormat& f = m_scanner.Format();
    const std::size_t pitch = f.pitch;
    std::vector<std::uint8_t> rows;
    int count = 0;
    for (;;)
    {
        const int chunk = 64;
        if (rows.size() / pitch < std::size_t(count + chunk))
        {
            if (std::uint64_t(count + chunk) * pitch > (std::uint64_t(1) << 31))
                return ReadError(SANE_STATUS_NO_MEM);
            rows.resize(std::size_t(count + chunk) * pitch);
        }
        int got = 0;
        const SANE_Status status =
            m_scanner.ReadRows(rows.data() + std::size_t(count) * pitch, pitch, chunk, true, &got);
        count += got;
        if (status == SANE_STATUS_EOF) break;
        if (status != SANE_STATUS_GOOD) return ReadError(status);
        if (m_scanner.AtEnd()) break;
    }
    const int entries = f.bitsPerPixel == 24 ? 0 : (f.bitsPerPixel == 8 ? 256 : 2);
    const std::size_t header = sizeof(BITMAPINFOHEADER) + 4 * std::size_t(entries);
    HGLOBAL h = GlobalAlloc(GHND, header + pitch * std::size_t(count));
    if (!h)
    {
        m_stopAll = true;
        return Fail(TWCC_LOWMEMORY);
    }
    auto* p = static_cast<std::uint8_t*>(GlobalLock(h));
    BITMAPINFOHEADER bi;
    bi.biSize = 40;
    bi.biWidth = f.width;
    bi.biHeight = count;
    bi.biPlanes = 1;
    bi.biBitCount = WORD(f.bitsPerPixel);
    bi.biCompression = BI_RGB;
    bi.biSizeImage = DWORD(pitch * std::size_t(count));
    bi.biXPelsPerMeter = bi.biYPelsPerMeter = LONG(m_settings.resolution / 0.0254);
    bi.biClrUsed = DWORD(entries);
    std::memcpy(p, &bi, sizeof bi);
    auto* palette = reinterpret_cast<RGBQUAD*>(p + sizeof bi);
    for (int i = 0; i < entries; ++i)
    {
        // Black and white: 0 is white, 1 black, as the device gives its bits.
        const BYTE v = entries == 2 ? BYTE(i == 0 ? 255 : 0) : BYTE(i);
        palette[i] = RGBQUAD{v, v, v, 0};
    }
    for (int y = 0; y < count; ++y)
        std::memcpy(p + header + std::size_t(count - 1 - y) * pitch, rows.data() + std::size_t(y) * pitch,
                    pitch);
    GlobalUnlock(h);
    *handle = h;
    m_state = 7;
    return TWRC_XFERDONE;
}

TW_UINT16 CSaneTwainSource::SetupMemory(TW_SETUPMEMXFER* setup)
{
    if (m_state != 6 && m_state != 7) return Fail(TWCC_SEQERROR);
    if (!setup) return Fail(TWCC_BADVALUE);
    const std::size_t pitch = m_scanner.Format().pitch;
    std::size_t preferred = std::max(PreferredStripBytes() / pitch, std::size_t(1)) * pitch;
    preferred = std::min<std::size_t>(preferred, 0x7FFFFFFF / pitch * pitch);
    setup->MinBufSize = TW_UINT32(pitch);
    setup->MaxBufSize = TW_UINT32(std::max<std::size_t>(preferred, 1 << 24));
    setup->Preferred = TW_UINT32(preferred);
    return TWRC_SUCCESS;
}

TW_UINT16 CSaneTwainSource::MemoryTransfer(TW_IMAGEMEMXFER* xfer)
{
    if (m_state != 6 && m_state != 7) return Fail(TWCC_SEQERROR);
    if (!xfer || !(xfer->Memory.Flags & TWMF_POINTER) || !xfer->Memory.TheMem) return Fail(TWCC_BADVALUE);
    const PageFormat& f = m_scanner.Format();
    const std::size_t pitch = f.pitch;
    if (xfer->Memory.Length < pitch) return Fail(TWCC_BADVALUE);
    m_state = 7;
    const int maxRows = int(std::min<std::size_t>(xfer->Memory.Length / pitch, INT_MAX));
    const int before = m_scanner.RowsRead();
    int got = 0;
    const SANE_Status status =
        m_scanner.ReadRows(static_cast<std::uint8_t*>(xfer->Memory.TheMem), pitch, maxRows, false, &got);
    if (status != SANE_STATUS_GOOD && status != SANE_STATUS_EOF) return ReadError(status);
    xfer->Compression = TWCP_NONE;
    xfer->BytesPerRow = TW_UINT32(pitch);
    xfer->Columns = TW_UINT32(f.width);
    xfer->Rows = TW_UINT32(got);
    xfer->XOffset = 0;
    xfer->YOffset = TW_UINT32(before);
    xfer->BytesWritten = TW_UINT32(std::size_t(got) * pitch);
    if (status == SANE_STATUS_EOF || m_scanner.AtEnd()) return TWRC_XFERDONE;
    return TWRC_SUCCESS;
}

TW_UINT16 CSaneTwainSource::EndTransfer(TW_PENDINGXFERS* pending)
{
    if (m_state != 6 && m_state != 7) return Fail(TWCC_SEQERROR);
    ++m_pagesDone;
    const bool more = !m_stopAll && m_settings.feeder && (m_xferCount < 0 || m_pagesDone < m_xferCount);
    if (more)
    {
        // A page skipped without its transfer is read to its end first.
        std::vector<std::uint8_t> scratch(m_scanner.Format().pitch * 16);
        while (m_scanner.InPage() && !m_scanner.AtEnd())
        {
            int got = 0;
            const SANE_Status status =
                m_scanner.ReadRows(scratch.data(), m_scanner.Format().pitch, 16, true, &got);
            if (status != SANE_STATUS_GOOD) break;
        }
        if (StartPage(false))
        {
            pending->Count = m_xferCount < 0 ? TW_UINT16(0xFFFF) : TW_UINT16(m_xferCount - m_pagesDone);
            return TWRC_SUCCESS;
        }
    }
    m_scanner.Cancel();
    pending->Count = 0;
    BackToEnabled();
    return TWRC_SUCCESS;
}

TW_UINT16 CSaneTwainSource::Reset(TW_PENDINGXFERS* pending)
{
    if (m_state != 6 && m_state != 7) return Fail(TWCC_SEQERROR);
    m_scanner.Cancel();
    pending->Count = 0;
    BackToEnabled();
    return TWRC_SUCCESS;
}
} // namespace scanner
