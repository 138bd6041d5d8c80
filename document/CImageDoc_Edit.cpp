// Effects on threads, undo and redo, the document's own whole-image edits, paste special.
#include "document/CImageDoc.h"

#include "document/CPreviewProgress.h"
#include "imagelib/FCBandRunner.h"
#include "platform/settings/Settings.h"

#include <algorithm>
#include <cstring>

void CImageDoc::KeepUndo()
{
    // Operations that replace the image never run beside a preview job.
    StopPreviewJob();
    m_undoImage = m_image;
}

void CImageDoc::EndEdit()
{
    m_canUndo = m_undoImage.HasBits();
    m_canRedo = false;
    m_modified = true;
    m_planesValid = false;
}

void CImageDoc::ApplyEffect(FCImageEffect& effect)
{
    if (m_busy) return; // never one effect inside another on the same image
    StopPreviewJob();
    if (!effect.AcceptsImage(m_image))
    {
        Message(L"Format d'image non supporté", L"", DocMsgStyle::Ok);
        return;
    }
    CWaitCursor wait(m_host);
    m_busy = true;
    // The undo copy also serves to restore the image when the effect is cancelled; the undo
    // level it replaces is kept aside meanwhile and comes back with a cancel (a user who stops
    // a slow effect with Escape keeps the picture an undo or a redo would give back).
    FCObjImage previousUndo;
    previousUndo.Swap(m_undoImage);
    const bool couldUndo = m_canUndo, couldRedo = m_canRedo;
    m_undoImage = m_image;
    FCProgressObserver& observer = m_host.UiProgress();
    observer.SetCancelFlag(0);
    // Every thread of the effect comes from this run, whole-image effects included.
    const FCEffectRun run(GetNbThreads());
    if (effect.GetProcessMode() == kProcessWholeImage)
        FCObjImage::ApplyEffect(m_image, effect, &observer);
    else
        ApplyEffectInBands(m_image, effect, run.Threads(), &observer);

    if (observer.IsCancelled())
    {
        m_image.Swap(m_undoImage);
        m_undoImage.Swap(previousUndo);
        m_canUndo = couldUndo;
        m_canRedo = couldRedo;
    }
    else
        EndEdit();
    if (!observer.OnProgress(100)) observer.SetCancelFlag(1);
    m_busy = false;
    UpdateAllViews();
}

void CImageDoc::SwapUndoImage()
{
    // A stopped preview job may still be on its way out, reading the image's size under the
    // image lock: the swap takes the lock too.
    const std::lock_guard lock(m_imageMutex);
    m_image.Swap(m_undoImage);
}

void CImageDoc::OnEditUndo()
{
    if (!m_canUndo) return;
    StopPreviewJob();
    SwapUndoImage();
    m_planesValid = false;
    UpdateAllViews();
    m_canUndo = false;
    m_canRedo = true;
}

void CImageDoc::OnEditRedo()
{
    if (!m_canRedo) return;
    StopPreviewJob();
    SwapUndoImage();
    m_planesValid = false;
    UpdateAllViews();
    m_canUndo = true;
    m_canRedo = false;
}

void CImageDoc::ClearRect(int left, int top, int right, int bottom)
{
    CWaitCursor wait(m_host);
    KeepUndo();
    // The rectangle clipped to the image, filled in place: zero bytes, alpha 255 at 32 bits.
    if (m_image.HasBits())
    {
        const std::int64_t l = std::max<std::int64_t>(left, 0), t = std::max<std::int64_t>(top, 0);
        const std::int64_t r = std::min<std::int64_t>(right, m_image.Width());
        const std::int64_t b = std::min<std::int64_t>(bottom, m_image.Height());
        if (l < r && t < b)
        {
            const int step = m_image.ColorBits() / 8;
            for (std::int64_t y = t; y < b; ++y)
            {
                BYTE* p = m_image.PixelAddress(int(l), int(y));
                std::memset(p, 0, std::size_t((r - l) * step));
                if (step == 4)
                    for (std::int64_t x = l; x < r; ++x, p += 4)
                        p[3] = 255;
            }
        }
    }
    EndEdit();
    UpdateAllViews();
}

void CImageDoc::SetAlphaChannel(BYTE value)
{
    if (m_image.ColorBits() != 32) return;
    KeepUndo();
    for (int y = 0; y < m_image.Height(); ++y)
    {
        BYTE* p = m_image.RowAddress(y) + 3;
        for (int x = 0; x < m_image.Width(); ++x, p += 4)
            *p = value;
    }
    EndEdit();
}

void CImageDoc::OnAlphaOpaque()
{
    CWaitCursor wait(m_host);
    SetAlphaChannel(255);
    UpdateAllViews();
}

void CImageDoc::ConvertTo24()
{
    KeepUndo();
    m_image.ConvertBitDepth(24);
    EndEdit();
}

void CImageDoc::ConvertTo32()
{
    KeepUndo();
    m_image.ConvertBitDepth(32);
    EndEdit();
}

void CImageDoc::OnConvert24()
{
    CWaitCursor wait(m_host);
    ConvertTo24();
    UpdateAllViews();
}

void CImageDoc::OnConvert32()
{
    CWaitCursor wait(m_host);
    ConvertTo32();
    UpdateAllViews();
}

namespace
{
// One blend rule over every colour byte of the overlap; alpha bytes are not touched.
template <class Rule>
void BlendRows(FCObjImage& doc, const FCObjImage& pasted, int x, int y, int l, int t, int r, int b, Rule rule)
{
    const int step = doc.ColorBits() / 8;
    for (int row = t; row < b; ++row)
    {
        BYTE* d = doc.PixelAddress(l, row);
        const BYTE* s = pasted.PixelAddress(l - x, row - y);
        for (int col = l; col < r; ++col, d += step, s += step)
        {
            d[0] = rule(d[0], s[0]);
            d[1] = rule(d[1], s[1]);
            d[2] = rule(d[2], s[2]);
        }
    }
}

BYTE Clamp(int v)
{
    return BYTE(v < 0 ? 0 : (v > 255 ? 255 : v));
}

void Blend(FCObjImage& doc, const FCObjImage& pasted, int x, int y, int mode)
{
    if (!doc.HasBits() || !pasted.HasBits()) return;
    // The overlap, in 64 bits: x + width may not fit an int.
    const std::int64_t l = std::max<std::int64_t>(x, 0), t = std::max<std::int64_t>(y, 0);
    const std::int64_t r = std::min<std::int64_t>(std::int64_t(x) + pasted.Width(), doc.Width());
    const std::int64_t b = std::min<std::int64_t>(std::int64_t(y) + pasted.Height(), doc.Height());
    if (l >= r || t >= b) return;
    const int L = int(l), T = int(t), R = int(r), B = int(b);
    switch (mode)
    {
    case 1:
        BlendRows(doc, pasted, x, y, L, T, R, B, [](int d, int s) { return BYTE(d & s); });
        break;
    case 2:
        BlendRows(doc, pasted, x, y, L, T, R, B, [](int d, int s) { return BYTE(d | s); });
        break;
    case 3:
        BlendRows(doc, pasted, x, y, L, T, R, B, [](int d, int s) { return BYTE(d ^ s); });
        break;
    case 4:
        BlendRows(doc, pasted, x, y, L, T, R, B, [](int d, int s) { return Clamp((d ^ s) + 128); });
        break;
    case 5:
        BlendRows(doc, pasted, x, y, L, T, R, B, [](int d, int s) { return BYTE(std::min(d, s)); });
        break;
    case 6:
        BlendRows(doc, pasted, x, y, L, T, R, B, [](int d, int s) { return BYTE(std::max(d, s)); });
        break;
    case 7:
        BlendRows(doc, pasted, x, y, L, T, R, B, [](int d, int s) { return BYTE((d + s) / 2); });
        break;
    case 8:
        BlendRows(doc, pasted, x, y, L, T, R, B, [](int d, int s) { return Clamp(d - s); });
        break;
    case 9:
        BlendRows(doc, pasted, x, y, L, T, R, B, [](int d, int s) { return BYTE(d > s ? d - s : s - d); });
        break;
    case 10:
        BlendRows(doc, pasted, x, y, L, T, R, B, [](int d, int s) { return Clamp(d - s + 128); });
        break;
    default:
        break; // an unknown mode changes no pixel
    }
}
} // namespace

void CImageDoc::PasteSpecial(FCObjImage& pasted, int x, int y, int mode)
{
    if (m_image.ColorBits() != pasted.ColorBits())
    {
        if (m_image.ColorBits() == 8)
        {
            Message(L"Problème de format d'image : 24 et 32 bits uniquement", L"", DocMsgStyle::Ok);
            return;
        }
        pasted.ConvertBitDepth(m_image.ColorBits());
    }
    CWaitCursor wait(m_host);
    KeepUndo();
    if (mode >= 1 && mode <= 10 && m_image.ColorBits() == 8)
    {
        // The blends work on colour bytes of 3- and 4-byte pixels: an 8-bit document (which can
        // meet only an 8-bit pasted image here) is made 24-bit first, the undo image keeping
        // the original.
        m_image.ConvertBitDepth(24);
        pasted.ConvertBitDepth(24);
    }
    if (mode == 0)
        m_image.PasteImageAt(pasted, x, y);
    else if (m_image.ColorBits() == pasted.ColorBits() && m_image.ColorBits() >= 24)
        Blend(m_image, pasted, x, y, mode);
    EndEdit();
    UpdateAllViews();
}
