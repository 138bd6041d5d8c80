#include "acquisition/CTwain.h"

#include "platform/WinTypes.h"
#include "platform/qt/Prompt.h"
#include "platform/qt/WaitCursor.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace
{
std::optional<std::vector<std::string>> g_libraryNames;

void CopyBounded(char (&to)[34], const char* from)
{
    std::memset(to, 0, sizeof to);
    std::strncpy(to, from, sizeof to - 1);
}

// Bitmaps larger than this are not assembled from strips.
constexpr std::uint64_t kMaxMemoryImageBytes = std::uint64_t(1) << 31;

bool ValidBitsPerPixel(int bpp)
{
    return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}

// Restores a flag on every exit.
struct FlagScope
{
    explicit FlagScope(bool& flag) : m_flag(flag), m_old(flag) { m_flag = true; }
    ~FlagScope() { m_flag = m_old; }
    bool& m_flag;
    bool m_old;
};
} // namespace

std::vector<std::string> CTwain::DefaultLibraryNames()
{
    std::vector<std::string> names{"libtwaindsm.so"};
    if (const char* env = std::getenv("ORVALIS_TWAIN_DSM"); env && *env)
    {
        names.emplace_back(env);
        return names;
    }
    const QString dir = QCoreApplication::applicationDirPath();
    if (!dir.isEmpty())
    {
        names.push_back((dir + QStringLiteral("/../lib/orvalis/liborvalis-twaindsm.so")).toStdString());
        names.push_back((dir + QStringLiteral("/liborvalis-twaindsm.so")).toStdString());
    }
#ifdef ORVALIS_TWAIN_DSM_BUILD_PATH
    names.emplace_back(ORVALIS_TWAIN_DSM_BUILD_PATH);
#endif
    return names;
}

void CTwain::SetLibraryNames(std::vector<std::string> names)
{
    if (names.empty())
        g_libraryNames.reset();
    else
        g_libraryNames = std::move(names);
}

CTwain::CTwain(HWND window)
{
    if (window) InitTwain(window);
}

CTwain::~CTwain()
{
    ReleaseTwain();
}

void CTwain::ReleaseTwain()
{
    if (!m_hDSMDLL) return;
    if (m_dsmOpen)
    {
        CloseSource();
        CallTwainProc(&m_appId, nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &m_hWnd);
        m_dsmOpen = 0;
    }
    dlclose(m_hDSMDLL);
    m_hDSMDLL = nullptr;
    m_lpDSM_Entry = nullptr;
    m_sourceChosen = 0;
    m_sourceOpen = 0;
    m_sourceEnabled = 0;
}

void CTwain::GetIdentity()
{
    m_appId.Id = 0;
    m_appId.Version.MajorNum = 3;
    m_appId.Version.MinorNum = 5;
    m_appId.Version.Language = TWLG_ENGLISH_USA;
    m_appId.Version.Country = TWCY_USA;
    CopyBounded(m_appId.Version.Info, "3.5");
    m_appId.ProtocolMajor = TWON_PROTOCOLMAJOR;
    m_appId.ProtocolMinor = TWON_PROTOCOLMINOR;
    m_appId.SupportedGroups = DG_CONTROL | DG_IMAGE;
    CopyBounded(m_appId.Manufacturer, "VARDO");
    CopyBounded(m_appId.ProductFamily, "Generic");
    CopyBounded(m_appId.ProductName, "Twain Test");
}

bool CTwain::InitTwain(HWND window)
{
    if (m_hDSMDLL) return true;
    std::memset(&m_appId, 0, sizeof m_appId);
    if (!IsWindow(window)) return false;
    m_hWnd = window;
    const std::vector<std::string> names = g_libraryNames ? *g_libraryNames : DefaultLibraryNames();
    for (const std::string& name : names)
    {
        m_hDSMDLL = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (m_hDSMDLL) break;
    }
    if (!m_hDSMDLL) return false;
    m_lpDSM_Entry = reinterpret_cast<DSMENTRYPROC>(dlsym(m_hDSMDLL, "DSM_Entry"));
    if (!m_lpDSM_Entry)
    {
        dlclose(m_hDSMDLL);
        m_hDSMDLL = nullptr;
        return false;
    }
    GetIdentity();
    m_dsmOpen = CallTwainProc(&m_appId, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &m_hWnd) ? 1 : 0;
    return true;
}

bool CTwain::IsValidDriver() const
{
    return m_hDSMDLL != nullptr && m_lpDSM_Entry != nullptr;
}

bool CTwain::Ready() const
{
    return IsValidDriver() && m_dsmOpen && m_sourceOpen;
}

bool CTwain::CallTwainProc(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                           TW_MEMREF data)
{
    if (!IsValidDriver())
    {
        m_returnCode = TWRC_FAILURE;
        return false;
    }
    m_returnCode = m_lpDSM_Entry(origin, dest, dg, dat, msg, data);
    if (m_returnCode != TWRC_SUCCESS)
    {
        // Straight to the manager: the status query itself never asks for a status.
        TW_STATUS status{};
        m_lpDSM_Entry(origin, dest, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
        m_status = status;
    }
    return m_returnCode == TWRC_SUCCESS;
}

bool CTwain::SelectSource()
{
    // A source still open under the old choice is closed first, while its identity is still the
    // one the close names.
    if (m_sourceOpen) CloseSource();
    std::memset(&m_source, 0, sizeof m_source);
    if (!m_sourceChosen) GetDefaultSource();
    if (CallTwainProc(&m_appId, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &m_source))
    {
        m_sourceChosen = 1;
        return true;
    }
    return m_sourceChosen != 0;
}

void CTwain::GetDefaultSource()
{
    m_sourceChosen =
        CallTwainProc(&m_appId, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &m_source) ? 1 : 0;
}

bool CTwain::OpenSource(TW_IDENTITY* source)
{
    if (source) m_source = *source;
    if (IsValidDriver() && m_dsmOpen)
    {
        if (!m_sourceChosen) GetDefaultSource();
        m_sourceOpen =
            CallTwainProc(&m_appId, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &m_source) ? 1 : 0;
    }
    return IsValidDriver() && m_dsmOpen && m_sourceOpen;
}

bool CTwain::Acquire(int memoryTransfer, int count)
{
    m_memoryTransfer = memoryTransfer;
    if (!m_sourceOpen && !OpenSource(nullptr)) return false;
    if (!SetImageCount(count)) return false;
    if (!Ready() || m_sourceEnabled) return false;
    return EnableSource(true);
}

bool CTwain::EnableSource(bool showUI)
{
    if (!Ready() || m_sourceEnabled) return false;
    TW_USERINTERFACE ui{};
    ui.ShowUI = showUI ? 1 : 0;
    ui.ModalUI = 0;
    ui.hParent = m_hWnd;
    m_sourceEnabled =
        CallTwainProc(&m_appId, &m_source, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui) ? 1 : 0;
    m_modalUI = m_sourceEnabled ? ui.ModalUI : 1;
    return m_sourceEnabled != 0;
}

bool CTwain::DisableSource()
{
    if (!m_sourceEnabled) return false;
    TW_USERINTERFACE ui{};
    ui.ShowUI = 1;
    ui.hParent = m_hWnd;
    if (!CallTwainProc(&m_appId, &m_source, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui)) return false;
    m_sourceEnabled = 0;
    return true;
}

bool CTwain::CanClose()
{
    return true;
}

void CTwain::CloseSource()
{
    if (!Ready()) return;
    DisableSource();
    CallTwainProc(&m_appId, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &m_source);
    m_sourceOpen = 0;
    // Whatever the source answered, it no longer takes messages.
    m_sourceEnabled = 0;
}

void CTwain::CloseDSM()
{
    CloseSource();
    CallTwainProc(&m_appId, nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &m_hWnd);
    m_dsmOpen = 0;
}

bool CTwain::ProcessMessage(const MSG& msg)
{
    // A message box or a new window of the transfer loop runs a loop of its own: its messages
    // are the program's.
    if (!m_sourceEnabled || m_inTransfer) return false;
    MSG copy = msg;
    TW_EVENT event{};
    event.pEvent = &copy;
    event.TWMessage = MSG_NULL;
    CallTwainProc(&m_appId, &m_source, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
    if (m_returnCode == TWRC_NOTDSEVENT) return false;
    switch (event.TWMessage)
    {
    case MSG_XFERREADY:
        TransferImages();
        break;
    case MSG_CLOSEDSREQ:
        if (CanClose()) CloseSource();
        break;
    default:
        break;
    }
    return true;
}

int CTwain::ShouldTransfer(TW_IMAGEINFO&)
{
    return 0;
}

bool CTwain::GetImageInfo(TW_IMAGEINFO& info)
{
    if (!Ready() || !m_sourceEnabled) return false;
    return CallTwainProc(&m_appId, &m_source, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info);
}

void CTwain::TransferImages()
{
    FlagScope guard(m_inTransfer);
    bool more = true;
    while (more)
    {
        TW_IMAGEINFO info{};
        if (!GetImageInfo(info))
        {
            // Without the image's description nothing can be transferred: the pending images go.
            CancelTransfers();
            break;
        }
        switch (ShouldTransfer(info))
        {
        case 0:
            more = TransferImage(info);
            break;
        case 1:
            more = EndTransfer();
            break;
        default:
            CancelTransfers();
            more = false;
            break;
        }
    }
}

bool CTwain::TransferImage(TW_IMAGEINFO& info)
{
    return m_memoryTransfer ? TransferMemory(info) : TransferNative(info);
}

bool CTwain::TransferNative(TW_IMAGEINFO& info)
{
    TW_HANDLE handle = nullptr;
    CallTwainProc(&m_appId, &m_source, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
    if (m_returnCode == TWRC_FAILURE)
    {
        if (handle) GlobalFree(handle);
        CancelTransfers();
        return false;
    }
    if (m_returnCode == TWRC_XFERDONE && handle) CopyImage(handle, info);
    if (handle) GlobalFree(handle);
    return EndTransfer();
}

bool CTwain::TransferMemory(TW_IMAGEINFO&)
{
    bool pending = true;
    while (pending)
    {
        TW_IMAGEINFO info{};
        if (!m_sourceEnabled || !CallTwainProc(&m_appId, &m_source, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info))
        {
            Message("Memory Transfer : get Image Info");
            CancelTransfers();
            return false;
        }
        const int bpp = info.BitsPerPixel;
        const bool unknownHeight = info.ImageLength == -1;
        const std::uint64_t pitch =
            info.ImageWidth > 0 ? ((std::uint64_t(bpp) * std::uint64_t(info.ImageWidth) + 31) / 32) * 4 : 0;
        if (pitch == 0 || !ValidBitsPerPixel(bpp) || (info.ImageLength <= 0 && !unknownHeight) ||
            (!unknownHeight && pitch * std::uint64_t(info.ImageLength) > kMaxMemoryImageBytes))
        {
            // Nothing can be made of this image: it and the next ones are given up, so the source
            // leaves its transfer state.
            Message("Memory Transfer : get Image Info");
            CancelTransfers();
            return false;
        }
        // Rows of an image whose height is not known yet: the buffer grows as they come.
        std::uint64_t capacityRows = unknownHeight ? 64 : std::uint64_t(info.ImageLength);
        HGLOBAL dib = GlobalAlloc(GHND, std::size_t(pitch * capacityRows + 66600));
        if (!dib)
        {
            CancelTransfers();
            return false;
        }
        auto* bytes = static_cast<BYTE*>(GlobalLock(dib));
        BITMAPINFOHEADER bi;
        bi.biSize = 40;
        bi.biWidth = info.ImageWidth;
        bi.biHeight = unknownHeight ? 0 : info.ImageLength;
        bi.biPlanes = 1;
        bi.biBitCount = WORD(bpp);
        bi.biCompression = BI_RGB;
        bi.biSizeImage = DWORD(pitch * (unknownHeight ? 0 : capacityRows));

        // Resolution.
        TW_CAPABILITY cap{};
        cap.Cap = ICAP_UNITS;
        cap.ConType = TWON_DONTCARE16;
        bool unitsOk = CallTwainProc(&m_appId, &m_source, DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &cap);
        TW_UINT16 units = 0;
        if (unitsOk)
        {
            if (cap.ConType == TWON_ONEVALUE && GlobalSize(cap.hContainer) >= sizeof(TW_ONEVALUE))
            {
                const auto* one = static_cast<const TW_ONEVALUE*>(GlobalLock(cap.hContainer));
                units = TW_UINT16(one->Item & 0xFFFF);
                GlobalUnlock(cap.hContainer);
            }
            else
                unitsOk = false;
        }
        if (cap.hContainer) GlobalFree(cap.hContainer);
        if (unitsOk)
        {
            const float xres = float(info.XResolution.Whole + info.XResolution.Frac * 1.52587890625e-5);
            const float yres = float(info.YResolution.Whole + info.YResolution.Frac * 1.52587890625e-5);
            if (units == TWUN_CENTIMETERS)
            {
                bi.biXPelsPerMeter = LONG(xres * 100);
                bi.biYPelsPerMeter = LONG(yres * 100);
            }
            else if (units == TWUN_INCHES)
            {
                bi.biXPelsPerMeter = LONG(xres / 0.0254);
                bi.biYPelsPerMeter = LONG(yres / 0.0254);
            }
        }
        else
            Message("Get Units");

        // Colour table.
        auto* palette = reinterpret_cast<RGBQUAD*>(bytes + 40);
        switch (info.PixelType)
        {
        case TWPT_BW:
        {
            bi.biClrUsed = 2;
            TW_CAPABILITY flavourCap{};
            flavourCap.Cap = ICAP_PIXELFLAVOR;
            flavourCap.ConType = TWON_DONTCARE16;
            TW_UINT16 flavour = 0;
            if (CallTwainProc(&m_appId, &m_source, DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &flavourCap) &&
                flavourCap.ConType == TWON_ONEVALUE &&
                GlobalSize(flavourCap.hContainer) >= sizeof(TW_ONEVALUE))
            {
                const auto* one = static_cast<const TW_ONEVALUE*>(GlobalLock(flavourCap.hContainer));
                flavour = TW_UINT16(one->Item & 0xFFFF);
                GlobalUnlock(flavourCap.hContainer);
            }
            if (flavourCap.hContainer) GlobalFree(flavourCap.hContainer);
            const BYTE first = flavour ? 255 : 0;
            palette[0] = RGBQUAD{first, first, first, 0};
            palette[1] = RGBQUAD{BYTE(255 - first), BYTE(255 - first), BYTE(255 - first), 0};
            break;
        }
        case TWPT_GRAY:
            bi.biClrUsed = 256;
            for (int i = 0; i < 256; ++i)
                palette[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
            break;
        case TWPT_RGB:
            bi.biClrUsed = 0;
            break;
        default:
        {
            TW_PALETTE8 pal{};
            if (CallTwainProc(&m_appId, &m_source, DG_IMAGE, DAT_PALETTE8, MSG_GET, &pal))
            {
                // At most what the table and the pixel depth can hold.
                const int limit = bpp <= 8 ? std::min(256, 1 << bpp) : 256;
                const int n = std::min<int>(pal.NumColors, limit);
                bi.biClrUsed = DWORD(n);
                bi.biClrImportant = 0;
                for (int i = 0; i < n; ++i)
                    palette[i] =
                        RGBQUAD{pal.Colors[i].Channel3, pal.Colors[i].Channel2, pal.Colors[i].Channel1, 0};
            }
            else
            {
                Message("Get palette");
                bi.biClrUsed = 0;
            }
            break;
        }
        }
        std::memcpy(bytes, &bi, sizeof bi);
        const std::size_t pixelOffset = 40 + 4 * std::size_t(bi.biClrUsed);

        TW_SETUPMEMXFER setup{};
        if (!CallTwainProc(&m_appId, &m_source, DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup) ||
            setup.Preferred == 0)
        {
            Message("Setup Memory Transfert");
            GlobalUnlock(dib);
            GlobalFree(dib);
            CancelTransfers();
            return false;
        }
        std::vector<BYTE> strip;
        try
        {
            strip.resize(setup.Preferred);
        }
        catch (const std::bad_alloc&)
        {
            GlobalUnlock(dib);
            GlobalFree(dib);
            CancelTransfers();
            return false;
        }

        std::uint64_t rowsReceived = 0;
        bool done = false;
        bool failed = false;
        while (!done && !failed)
        {
            // Strips land in a buffer of their own; their rows are then placed in the bitmap.
            TW_IMAGEMEMXFER xfer{};
            xfer.Compression = TWCP_NONE;
            xfer.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
            xfer.Memory.Length = setup.Preferred;
            xfer.Memory.TheMem = strip.data();
            CallTwainProc(&m_appId, &m_source, DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer);
            const TW_UINT16 rc = m_returnCode;
            if (rc == TWRC_SUCCESS || rc == TWRC_XFERDONE)
            {
                // The strip's rows go to their place at the bitmap's pitch, never past its end.
                const std::uint64_t written = xfer.BytesWritten;
                const std::uint64_t bytesPerRow = xfer.BytesPerRow;
                std::uint64_t rows = xfer.Rows;
                if (bytesPerRow == 0 || written > xfer.Memory.Length || rows * bytesPerRow > written)
                {
                    failed = true;
                    break;
                }
                const std::uint64_t xBytes = std::uint64_t(xfer.XOffset) * std::uint64_t(bpp) / 8;
                if (xBytes >= pitch && rows > 0)
                {
                    failed = true;
                    break;
                }
                const std::uint64_t copy = std::min(bytesPerRow, pitch - std::min(xBytes, pitch));
                const std::uint64_t end = std::uint64_t(xfer.YOffset) + rows;
                if (end > capacityRows && unknownHeight)
                {
                    // An image whose height was not known grows with its rows.
                    const std::uint64_t grownRows = std::max(end, capacityRows * 2);
                    GlobalUnlock(dib);
                    HGLOBAL grown = pitch * grownRows <= kMaxMemoryImageBytes
                                        ? GlobalReAlloc(dib, std::size_t(pitch * grownRows + 66600), GHND)
                                        : nullptr;
                    if (grown)
                    {
                        dib = grown;
                        capacityRows = grownRows;
                    }
                    bytes = static_cast<BYTE*>(GlobalLock(dib));
                }
                if (end > capacityRows)
                {
                    // More rows than the bitmap has: the image cannot be trusted.
                    failed = true;
                    break;
                }
                for (std::uint64_t r = 0; r < rows; ++r)
                    std::memcpy(bytes + pixelOffset + (xfer.YOffset + r) * pitch + xBytes,
                                strip.data() + r * bytesPerRow, std::size_t(copy));
                rowsReceived = std::max(rowsReceived, end);
                if (rc == TWRC_XFERDONE) done = true;
                continue;
            }
            if (rc == TWRC_FAILURE)
            {
                failed = true;
                break;
            }
            if (rc != TWRC_CANCEL) Message("Unknown Return Code DG_IMAGE/DAT_IMAGEMEMXFER/MSG_GET");
            break;
        }

        if (failed)
        {
            GlobalUnlock(dib);
            GlobalFree(dib);
            CancelTransfers();
            return false;
        }
        if (done && unknownHeight)
        {
            auto* header = reinterpret_cast<BITMAPINFOHEADER*>(bytes);
            header->biHeight = LONG(rowsReceived);
            header->biSizeImage = DWORD(pitch * rowsReceived);
        }
        GlobalUnlock(dib);
        if (done && (rowsReceived > 0 || !unknownHeight))
        {
            {
                CQtWaitCursor wait;
                FlipBitmap(m_hWnd, dib, info.PixelType);
            }
            CopyImage(dib, info);
        }
        GlobalFree(dib);

        TW_PENDINGXFERS pendingXfers{};
        if (!CallTwainProc(&m_appId, &m_source, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pendingXfers))
        {
            Message("DG_CONTROL / DAT_PENDINGXFERS / MSG_ENDXFER");
            return false;
        }
        pending = pendingXfers.Count != 0;
    }
    return EndTransfer();
}

bool CTwain::FlipBitmap(HWND, HGLOBAL dib, int pixelType)
{
    auto* bytes = static_cast<BYTE*>(GlobalLock(dib));
    if (!bytes) return false;
    BITMAPINFOHEADER bi;
    std::memcpy(&bi, bytes, sizeof bi);
    const std::size_t pitch = ((std::size_t(bi.biWidth) * bi.biBitCount + 31) / 32) * 4;
    const std::size_t height =
        bi.biHeight < 0 ? std::size_t(-std::int64_t(bi.biHeight)) : std::size_t(bi.biHeight);
    const std::size_t offset = 40 + 4 * std::size_t(bi.biClrUsed);
    const std::size_t block = GlobalSize(dib);
    if (bi.biWidth <= 0 || offset + pitch * height > block)
    {
        GlobalUnlock(dib);
        return false;
    }
    HGLOBAL temp = GlobalAlloc(GHND, std::max<std::size_t>(bi.biSizeImage, pitch * height));
    if (!temp)
    {
        GlobalUnlock(dib);
        ShowPrompt(m_messageOwner, QStringLiteral("Could not allocate enough memory to flip image"),
                   QStringLiteral("Error in FixBitMap"), PromptButtons::Ok, PromptIcon::Information);
        return false;
    }
    auto* t = static_cast<BYTE*>(GlobalLock(temp));
    BYTE* pixels = bytes + offset;
    for (std::size_t y = 0; y < height; ++y)
        std::memcpy(t + (height - 1 - y) * pitch, pixels + y * pitch, pitch);
    std::memcpy(pixels, t, pitch * height);
    GlobalUnlock(temp);
    GlobalFree(temp);
    // Strips carry R, G, B; a bitmap holds B, G, R.
    if (pixelType == TWPT_RGB && (bi.biBitCount == 24 || bi.biBitCount == 32))
    {
        const std::size_t step = bi.biBitCount / 8;
        for (std::size_t y = 0; y < height; ++y)
        {
            BYTE* row = pixels + y * pitch;
            for (LONG x = 0; x < bi.biWidth; ++x)
                std::swap(row[std::size_t(x) * step], row[std::size_t(x) * step + 2]);
        }
    }
    GlobalUnlock(dib);
    return true;
}

bool CTwain::EndTransfer()
{
    TW_PENDINGXFERS pending{};
    const bool ok = CallTwainProc(&m_appId, &m_source, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
    return ok && pending.Count != 0;
}

void CTwain::CancelTransfers()
{
    TW_PENDINGXFERS pending{};
    CallTwainProc(&m_appId, &m_source, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
}

bool CTwain::SetOneValueCapability(TW_UINT16 capability, TW_UINT16 value, bool sign)
{
    if (!Ready()) return false;
    HGLOBAL container = GlobalAlloc(GHND, sizeof(TW_ONEVALUE));
    if (!container) return false;
    auto* one = static_cast<TW_ONEVALUE*>(GlobalLock(container));
    one->ItemType = sign ? TWTY_INT16 : TWTY_UINT16;
    one->Item = value;
    GlobalUnlock(container);
    TW_CAPABILITY cap{};
    cap.Cap = capability;
    cap.ConType = TWON_ONEVALUE;
    cap.hContainer = container;
    const bool ok = CallTwainProc(&m_appId, &m_source, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap);
    GlobalFree(container);
    return ok;
}

bool CTwain::GetOneValueCapability(TW_UINT16 capability, TW_UINT32* out)
{
    if (!Ready() || !out) return false;
    TW_CAPABILITY cap{};
    cap.Cap = capability;
    cap.ConType = TWON_DONTCARE16;
    if (!CallTwainProc(&m_appId, &m_source, DG_CONTROL, DAT_CAPABILITY, MSG_GET, &cap)) return false;
    bool ok = false;
    if (cap.ConType == TWON_ONEVALUE && GlobalSize(cap.hContainer) >= sizeof(TW_ONEVALUE))
    {
        const auto* one = static_cast<const TW_ONEVALUE*>(GlobalLock(cap.hContainer));
        *out = one->Item;
        GlobalUnlock(cap.hContainer);
        ok = true;
    }
    if (cap.hContainer) GlobalFree(cap.hContainer);
    return ok;
}

bool CTwain::GetCapability(TW_CAPABILITY& cap, TW_UINT16 capability, TW_UINT16 conType)
{
    if (!Ready()) return false;
    cap.Cap = capability;
    cap.ConType = conType;
    cap.hContainer = nullptr;
    return CallTwainProc(&m_appId, &m_source, DG_CONTROL, DAT_CAPABILITY, MSG_GET, &cap);
}

bool CTwain::SetCapability(TW_CAPABILITY& cap)
{
    if (!Ready()) return false;
    return CallTwainProc(&m_appId, &m_source, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap);
}

bool CTwain::SetImageCount(int count)
{
    if (SetOneValueCapability(CAP_XFERCOUNT, TW_UINT16(count), true))
    {
        m_imageCount = TW_INT16(TW_UINT16(count));
        return true;
    }
    if (m_returnCode != TWRC_CHECKSTATUS) return false;
    // The source keeps a count of its own: it is read back and set as it is.
    TW_UINT32 value = 0;
    if (!GetOneValueCapability(CAP_XFERCOUNT, &value)) return false;
    if (!SetOneValueCapability(CAP_XFERCOUNT, TW_UINT16(value), false)) return false;
    m_imageCount = TW_INT16(TW_UINT16(value));
    return true;
}

bool CTwain::IsDSMOpen() const
{
    return IsValidDriver() && m_dsmOpen;
}

bool CTwain::IsSourceOpen() const
{
    return IsDSMOpen() && m_sourceOpen;
}

void CTwain::Message(const char* text)
{
    ShowPrompt(m_messageOwner, QString::fromUtf8(text), QString(), PromptButtons::Ok,
               PromptIcon::Information);
}
