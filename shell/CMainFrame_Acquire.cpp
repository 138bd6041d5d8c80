// The main frame's scanner commands: the source list and the acquisition of the scanner
// protocol, the device-manager acquisition, and the new documents made of what they bring.
#include "acquisition/CScannerWindow.h"
#include "acquisition/WiaWrap.h"
#include "document/CImageDoc.h"
#include "platform/qt/Prompt.h"
#include "platform/qt/WaitCursor.h"
#include "platform/scanner/MemoryStream.h"
#include "platform/scanner/ScanDib.h"
#include "platform/settings/Settings.h"
#include "shell/CMainFrame.h"
#include "views/CChildFrame.h"

#include <cstring>

namespace
{
// A document read from a stream: the encoded image from the stream's position to its end.
bool InitFromStream(CImageDoc& doc, IStream* stream)
{
    std::vector<std::uint8_t> bytes;
    return ReadWholeStream(stream, bytes) && doc.InitFromMemory(bytes.data(), bytes.size());
}

void CopyBounded(char (&to)[34], const char* from)
{
    std::memset(to, 0, sizeof to);
    std::strncpy(to, from, sizeof to - 1);
}
} // namespace

void CMainFrame::InitAcquisition()
{
    m_scannerWindow = new CScannerWindow(this);
    m_scannerWindow->setParent(this);
    SetMessageOwner(this);
    InitTwain(m_scannerWindow);
    m_twainPump = new CTwainMessagePump(*this, m_scannerWindow, this);
}

void CMainFrame::ShutdownAcquisition()
{
    delete m_twainPump;
    m_twainPump = nullptr;
    ReleaseTwain();
}

void CMainFrame::GetIdentity()
{
    CTwain::GetIdentity();
    m_appId.Version.MajorNum = 5;
    m_appId.Version.MinorNum = 0;
    m_appId.Version.Language = TWLG_FRENCH;
    m_appId.Version.Country = TWCY_FRANCE;
    CopyBounded(m_appId.Version.Info, "5.0");
    CopyBounded(m_appId.Manufacturer, "Norbec'Software");
    CopyBounded(m_appId.ProductFamily, "Generic");
    CopyBounded(m_appId.ProductName, "Orvalis");
}

void CMainFrame::OnTwainSelectSource()
{
    ClosePrintPreview();
    SelectSource();
    UpdateUIState();
}

void CMainFrame::OnTwainAcquire()
{
    ClosePrintPreview();
    Acquire(GetTwainMemoryTransfert() != 0 ? 1 : 0, -1);
    UpdateUIState();
}

void CMainFrame::CopyImage(HGLOBAL dib, TW_IMAGEINFO&)
{
    CQtWaitCursor wait;
    std::vector<std::uint8_t> file;
    auto* bytes = static_cast<std::uint8_t*>(GlobalLock(dib));
    const bool ok = bytes && scanner::DibToBmpFile(bytes, GlobalSize(dib), file);
    if (bytes) GlobalUnlock(dib);
    CMemoryStream* stream = ok ? CMemoryStream::Create(file.data(), file.size()) : nullptr;
    CChildFrame* frame = NewChildFrame();
    auto* doc = new CImageDoc(&frame->BitmapView(), *this);
    if (!stream || !InitFromStream(*doc, stream))
    {
        ShowPrompt(this, QStringLiteral("Erreur transfert image twain"), QString(), PromptButtons::Ok);
        CloseLater(frame);
    }
    else
    {
        AddDocument(doc);
        doc->UpdateAllViews();
        MaximizeIfOnly(frame);
    }
    if (stream) stream->Release();
}

void CMainFrame::OnWiaAcquire()
{
    ULONG devices = 0;
    HRESULT hr = S_OK;
    {
        CQtWaitCursor wait;
        hr = WiaWrap::WiaGetNumDevices(nullptr, &devices);
    }
    if (FAILED(hr))
    {
        ShowPrompt(this, QStringLiteral("Erreur WIA get Num Devices"), m_productTitle, PromptButtons::Ok);
        return;
    }
    if (devices == 0)
    {
        ShowPrompt(this, QStringLiteral("Aucun périphérique WIA connecté"), m_productTitle,
                   PromptButtons::Ok);
        return;
    }
    // The device's dialogs show their own cursor; the wait cursor is for the documents.
    LONG count = 0;
    IStream** streams = nullptr;
    hr = WiaWrap::WiaGetImage(m_scannerWindow, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                              &streams);
    if (FAILED(hr)) ShowPrompt(this, QStringLiteral("Erreur WIA"), m_productTitle, PromptButtons::Ok);
    CQtWaitCursor wait;
    for (LONG i = 0; i < count; ++i)
    {
        CChildFrame* frame = NewChildFrame();
        auto* doc = new CImageDoc(&frame->BitmapView(), *this);
        if (!InitFromStream(*doc, streams[i]))
        {
            ShowPrompt(this, QStringLiteral("Erreur transfert image WIA"), QString(), PromptButtons::Ok);
            CloseLater(frame);
            continue;
        }
        AddDocument(doc);
        doc->UpdateAllViews();
        MaximizeIfOnly(frame);
    }
    WiaWrap::ReleaseInterfaceArray(streams, count);
}
