#include "FakeTwainSource.h"

#include "platform/scanner/GlobalMemory.h"

#include <algorithm>
#include <cstring>

namespace
{
FakeScript g_script;

TW_UINT16 Fail(TW_UINT16 condition)
{
    g_script.condition = condition;
    return TWRC_FAILURE;
}

HGLOBAL OneValue(TW_UINT16 type, TW_UINT32 value)
{
    HGLOBAL h = GlobalAlloc(GHND, sizeof(TW_ONEVALUE));
    auto* one = static_cast<TW_ONEVALUE*>(GlobalLock(h));
    one->ItemType = type;
    one->Item = value;
    GlobalUnlock(h);
    return h;
}

HGLOBAL Enumeration(TW_UINT16 type)
{
    HGLOBAL h = GlobalAlloc(GHND, sizeof(TW_ENUMERATION) + 4);
    auto* e = static_cast<TW_ENUMERATION*>(GlobalLock(h));
    e->ItemType = type;
    e->NumItems = 2;
    e->CurrentIndex = 1;
    e->DefaultIndex = 0;
    GlobalUnlock(h);
    return h;
}

void Post(TW_UINT16 message)
{
    g_script.events.push_back(message);
    if (g_script.window)
        g_script.window->PostScannerMessage(kScannerSourceMessage,
                                            reinterpret_cast<std::uintptr_t>(&g_script), 0);
}

void ToEnabled()
{
    g_script.state = 5;
    Post(MSG_CLOSEDSREQ);
}

std::size_t Pitch(const TW_IMAGEINFO& info)
{
    return std::size_t(((std::int64_t(info.BitsPerPixel) * info.ImageWidth + 31) / 32) * 4);
}

TW_UINT16 Capability(TW_UINT16 msg, TW_CAPABILITY* cap, FakeCall& call)
{
    call.cap = cap->Cap;
    FakeScript& s = g_script;
    if (msg == MSG_SET)
    {
        if (cap->hContainer && GlobalSize(cap->hContainer) >= sizeof(TW_ONEVALUE))
        {
            const auto* one = static_cast<const TW_ONEVALUE*>(GlobalLock(cap->hContainer));
            call.itemType = one->ItemType;
            call.item = one->Item;
            GlobalUnlock(cap->hContainer);
        }
        if (cap->Cap == CAP_XFERCOUNT && s.xferCountRc == TWRC_CHECKSTATUS && call.itemType == TWTY_INT16)
            return TWRC_CHECKSTATUS;
        return TWRC_SUCCESS;
    }
    if (msg != MSG_GET && msg != MSG_GETCURRENT) return Fail(TWCC_CAPBADOPERATION);
    switch (cap->Cap)
    {
    case CAP_XFERCOUNT:
        cap->ConType = s.xferCountConType;
        cap->hContainer = s.xferCountConType == TWON_ONEVALUE ? OneValue(TWTY_UINT16, s.xferCountCurrent)
                                                              : Enumeration(TWTY_UINT16);
        return TWRC_SUCCESS;
    case ICAP_UNITS:
        switch (s.units)
        {
        case FakeUnits::Failure:
            return Fail(TWCC_CAPUNSUPPORTED);
        case FakeUnits::Enumeration:
            cap->ConType = TWON_ENUMERATION;
            cap->hContainer = Enumeration(TWTY_UINT16);
            return TWRC_SUCCESS;
        default:
            cap->ConType = TWON_ONEVALUE;
            cap->hContainer = OneValue(TWTY_UINT16, s.units == FakeUnits::Inches        ? TWUN_INCHES
                                                    : s.units == FakeUnits::Centimeters ? TWUN_CENTIMETERS
                                                                                        : TWUN_PIXELS);
            return TWRC_SUCCESS;
        }
    case ICAP_PIXELFLAVOR:
        switch (s.flavour)
        {
        case FakeFlavour::Failure:
            return Fail(TWCC_CAPUNSUPPORTED);
        case FakeFlavour::Enumeration:
            cap->ConType = TWON_ENUMERATION;
            cap->hContainer = Enumeration(TWTY_UINT16);
            return TWRC_SUCCESS;
        default:
            cap->ConType = TWON_ONEVALUE;
            cap->hContainer =
                OneValue(TWTY_UINT16, s.flavour == FakeFlavour::Vanilla ? TWPF_VANILLA : TWPF_CHOCOLATE);
            return TWRC_SUCCESS;
        }
    default:
        return Fail(TWCC_CAPUNSUPPORTED);
    }
}

TW_UINT16 Entry(TW_IDENTITY* origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    FakeScript& s = g_script;
    if (dg == DG_CONTROL && dat == DAT_STATUS)
    {
        auto* status = static_cast<TW_STATUS*>(data);
        status->ConditionCode = s.condition;
        s.condition = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    }
    if (dg == DG_CONTROL && dat == DAT_IDENTITY && msg == MSG_GET)
    {
        TW_IDENTITY id{};
        std::strcpy(id.Manufacturer, "Essais");
        std::strcpy(id.ProductFamily, "Scripte");
        std::strcpy(id.ProductName, "Source scriptee");
        id.ProtocolMajor = TWON_PROTOCOLMAJOR;
        id.ProtocolMinor = TWON_PROTOCOLMINOR;
        id.SupportedGroups = DG_CONTROL | DG_IMAGE;
        std::memcpy(data, &id, sizeof id);
        return TWRC_SUCCESS;
    }
    FakeCall call;
    call.dg = dg;
    call.dat = dat;
    call.msg = msg;
    if (origin) call.origin = *origin;
    TW_UINT16 rc = TWRC_SUCCESS;
    if (dg == DG_CONTROL && dat == DAT_EVENT)
    {
        auto* event = static_cast<TW_EVENT*>(data);
        event->TWMessage = MSG_NULL;
        const auto* m = static_cast<const MSG*>(event->pEvent);
        if (!m || m->message != kScannerSourceMessage || m->wParam != reinterpret_cast<std::uintptr_t>(&s))
            return TWRC_NOTDSEVENT;
        s.log.push_back(call);
        if (!s.events.empty())
        {
            event->TWMessage = s.events.front();
            s.events.pop_front();
        }
        return TWRC_DSEVENT;
    }
    auto wrong = [&] { return Fail(TWCC_SEQERROR); };
    if (dg == DG_CONTROL && dat == DAT_IDENTITY && msg == MSG_OPENDS)
        rc = s.state == 3 ? (s.state = 4, TWRC_SUCCESS) : wrong();
    else if (dg == DG_CONTROL && dat == DAT_IDENTITY && msg == MSG_CLOSEDS)
        rc = s.state == 4 ? (s.state = 3, TWRC_SUCCESS) : wrong();
    else if (dg == DG_CONTROL && dat == DAT_CAPABILITY)
        rc = s.state >= 4 ? Capability(msg, static_cast<TW_CAPABILITY*>(data), call) : wrong();
    else if (dg == DG_CONTROL && dat == DAT_USERINTERFACE && msg == MSG_ENABLEDS)
    {
        auto* ui = static_cast<TW_USERINTERFACE*>(data);
        call.showUI = ui->ShowUI;
        if (s.state != 4)
            rc = wrong();
        else
        {
            s.window = static_cast<HWND>(ui->hParent);
            ui->ModalUI = s.modalUI;
            s.current = 0;
            s.strip = 0;
            s.rowsSent = 0;
            s.state = 5;
            if (!s.images.empty())
            {
                s.state = 6;
                Post(MSG_XFERREADY);
            }
        }
    }
    else if (dg == DG_CONTROL && dat == DAT_USERINTERFACE && msg == MSG_DISABLEDS)
        rc = s.state == 5 ? (s.state = 4, TWRC_SUCCESS) : wrong();
    else if (dg == DG_IMAGE && dat == DAT_IMAGEINFO)
    {
        if (s.state != 6 && s.state != 7)
            rc = wrong();
        else if (s.images[s.current].infoFails && s.infoCalls++ >= 1)
            rc = Fail(TWCC_BUMMER);
        else
            *static_cast<TW_IMAGEINFO*>(data) = s.images[s.current].info;
    }
    else if (dg == DG_IMAGE && dat == DAT_IMAGENATIVEXFER)
    {
        const FakeImage& image = s.images[s.current];
        if (s.state != 6)
            rc = wrong();
        else if (image.nativeRc == TWRC_XFERDONE)
        {
            HGLOBAL h = GlobalAlloc(GHND, image.dib.size());
            std::memcpy(GlobalLock(h), image.dib.data(), image.dib.size());
            GlobalUnlock(h);
            *static_cast<TW_HANDLE*>(data) = h;
            s.state = 7;
            rc = TWRC_XFERDONE;
        }
        else if (image.nativeRc == TWRC_FAILURE)
            rc = Fail(TWCC_OPERATIONERROR);
        else
        {
            s.state = 7;
            rc = image.nativeRc;
        }
    }
    else if (dg == DG_CONTROL && dat == DAT_SETUPMEMXFER)
    {
        if (s.state != 6 && s.state != 7)
            rc = wrong();
        else if (s.setupFails)
            rc = Fail(TWCC_BUMMER);
        else
        {
            auto* setup = static_cast<TW_SETUPMEMXFER*>(data);
            setup->MinBufSize = 1;
            setup->MaxBufSize = s.preferred * 4;
            setup->Preferred = s.preferred;
        }
    }
    else if (dg == DG_IMAGE && dat == DAT_IMAGEMEMXFER)
    {
        auto* xfer = static_cast<TW_IMAGEMEMXFER*>(data);
        call.memFlags = xfer->Memory.Flags;
        call.memLength = xfer->Memory.Length;
        const FakeImage& image = s.images[s.current];
        if (s.state != 6 && s.state != 7)
            rc = wrong();
        else
        {
            s.state = 7;
            FakeStrip strip =
                s.strip < image.strips.size() ? image.strips[s.strip] : FakeStrip{TWRC_XFERDONE, 0};
            ++s.strip;
            const std::uint32_t bpr =
                strip.bytesPerRow ? strip.bytesPerRow : std::uint32_t(Pitch(image.info));
            // As a source would, no more rows than the memory takes (unless told to claim more).
            if (strip.bytesWritten == 0xFFFFFFFF)
                strip.rows = std::min<std::uint32_t>(strip.rows, xfer->Memory.Length / bpr);
            auto* out = static_cast<std::uint8_t*>(xfer->Memory.TheMem);
            // The fake never writes past the memory it was given, whatever it claims.
            const std::uint64_t claimed = std::uint64_t(strip.rows) * bpr;
            const std::uint64_t fits = std::min<std::uint64_t>(claimed, xfer->Memory.Length);
            for (std::uint64_t i = 0; i < fits; ++i)
                out[i] = FakeStripByte(s.rowsSent + std::uint32_t(i / bpr), std::uint32_t(i % bpr));
            xfer->Compression = TWCP_NONE;
            xfer->BytesPerRow = bpr;
            xfer->Columns = TW_UINT32(image.info.ImageWidth);
            xfer->Rows = strip.rows;
            xfer->XOffset = 0;
            xfer->YOffset = s.rowsSent;
            xfer->BytesWritten = strip.bytesWritten != 0xFFFFFFFF ? strip.bytesWritten : TW_UINT32(claimed);
            s.rowsSent += strip.rows;
            rc = strip.rc == TWRC_FAILURE ? Fail(TWCC_OPERATIONERROR) : strip.rc;
        }
    }
    else if (dg == DG_IMAGE && dat == DAT_PALETTE8)
    {
        const FakeImage& image = s.images[s.current];
        if (image.paletteFails)
            rc = Fail(TWCC_BUMMER);
        else
        {
            auto* pal = static_cast<TW_PALETTE8*>(data);
            pal->NumColors = TW_UINT16(image.numColors);
            pal->PaletteType = TWPA_RGB;
            for (int i = 0; i < 256; ++i)
                pal->Colors[i] = {TW_UINT8(i), TW_UINT8(i), TW_UINT8(255 - i), TW_UINT8(i / 2)};
        }
    }
    else if (dg == DG_CONTROL && dat == DAT_PENDINGXFERS)
    {
        auto* pending = static_cast<TW_PENDINGXFERS*>(data);
        if (s.state != 6 && s.state != 7)
            rc = wrong();
        else if (msg == MSG_ENDXFER)
        {
            ++s.current;
            s.strip = 0;
            s.rowsSent = 0;
            if (s.current < s.images.size())
            {
                s.state = 6;
                pending->Count = TW_UINT16(s.images.size() - s.current);
            }
            else
            {
                pending->Count = 0;
                ToEnabled();
            }
        }
        else if (msg == MSG_RESET)
        {
            pending->Count = 0;
            ToEnabled();
        }
        else
            rc = Fail(TWCC_BADPROTOCOL);
    }
    else
        rc = Fail(TWCC_BADPROTOCOL);
    s.log.push_back(call);
    return rc;
}
} // namespace

extern "C" __attribute__((visibility("default"))) TW_UINT16
DS_Entry(TW_IDENTITY* origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    return Entry(origin, dg, dat, msg, data);
}

extern "C" __attribute__((visibility("default"))) FakeScript* FakeSourceScript()
{
    return &g_script;
}
