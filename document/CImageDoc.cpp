// The document record: creation roads, views, title, commands.
#include "document/CImageDoc.h"

#include "document/CPreviewProgress.h"
#include "document/CView.h"
#include "document/ImageCommands.h"
#include "imagelib/FCBandRunner.h"
#include "imagelib/FCImageCodec.h"
#include "imagelib/FCYUVPlanes.h"
#include "imagelib/FFTW3Helper.h"
#include "platform/settings/Settings.h"
#include "platform/version/FileExists.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace
{
// The number of the next untitled document, for the whole process.
int g_nextUntitledNumber = 1;

int TakeUntitledNumber()
{
    return g_nextUntitledNumber++;
}
} // namespace

CImageDoc::CImageDoc(CView* firstView, CDocHost& host) : CDocument(this), m_host(host)
{
    AddView(firstView);
}

CImageDoc::~CImageDoc()
{
    // A preview never outlives its dialog, but a thread must never outlive the image it writes
    // (nor the transform object a Fourier preview uses): every job, stopped ones too, is joined.
    m_previewJob.reset();
    for (auto& job : m_stoppedJobs)
        job->Stop();
    m_stoppedJobs.clear();
    m_fftw.reset();
    m_planes.reset();
}

bool CImageDoc::CreateBlank(int width, int height, int bpp)
{
    m_canUndo = false;
    m_canRedo = false;
    if (!m_image.Create(width, height, bpp)) return false;
    m_untitledNumber = TakeUntitledNumber();
    if (bpp == 32) SetAlphaChannel(255);
    m_modified = true;
    m_planesValid = false;
    m_path.clear();
    return true;
}

bool CImageDoc::InitFromClipboard()
{
    m_canUndo = false;
    m_canRedo = false;
    m_image.Destroy();
    FCObjImage image;
    if (m_host.ReadClipboardImage(image)) m_image.Swap(image);
    const bool ok = m_image.HasBits();
    m_path.clear();
    if (ok) m_untitledNumber = TakeUntitledNumber();
    m_modified = ok;
    m_planesValid = false;
    return ok;
}

bool CImageDoc::InitFromFile(const wchar_t* path)
{
    m_canUndo = false;
    m_canRedo = false;
    m_path.clear();
    m_planesValid = false;
    if (!path || !FileExists(path)) return false;
    // A codec may report success without a frame: only an image with pixels is a success.
    const bool ok = m_image.Load(path, &m_properties) && m_image.HasBits();
    if (ok)
        m_path = path;
    else
        m_image.Destroy();
    return ok;
}

bool CImageDoc::InitFromImage(FCObjImage& image)
{
    m_canUndo = false;
    m_canRedo = false;
    m_image.Destroy();
    if (image.HasBits()) m_image.Swap(image);
    const bool ok = m_image.HasBits();
    m_path.clear();
    if (ok) m_untitledNumber = TakeUntitledNumber();
    m_modified = ok;
    m_planesValid = false;
    return ok;
}

bool CImageDoc::InitFromMemory(const void* data, std::size_t size)
{
    FCObjImage image;
    if (data && size > 0 && size <= std::size_t(INT_MAX))
    {
        std::unique_ptr<FCImageCodec> codec(CreatePlatformImageCodec());
        std::vector<FCObjImage*> frames;
        FCImageProperty prop;
        if (codec && codec->LoadImageMemory(data, int(size), frames, &prop) && !frames.empty() && frames[0])
            image.Swap(*frames[0]);
        for (FCObjImage* frame : frames)
            delete frame;
    }
    return InitFromImage(image);
}

double CImageDoc::GammaConvertFunction(int position)
{
    if (position > 0) return 1.0 + 0.02 * position;
    if (position == 0) return 1.0;
    return 1.0 / (1.0 - 0.02 * position);
}

FFTW3Helper* CImageDoc::GetFFTW3Helper()
{
    if (!m_fftw) m_fftw = std::make_unique<FFTW3Helper>();
    return m_fftw.get();
}

FCYUVPlanes* CImageDoc::GetYUVPlanes()
{
    if (!m_planes)
    {
        m_planes = std::make_unique<FCYUVPlanes>();
        m_planesValid = false;
    }
    if (!m_planesValid)
    {
        const std::lock_guard lock(m_imageMutex); // a preview thread may be copying rows
        const FCEffectRun run(GetNbThreads());
        m_planes->FromImage(m_image);
        m_planesValid = true;
    }
    return m_planes.get();
}

void CImageDoc::RemoveView(CView* view)
{
    const auto it = std::find(m_views.begin(), m_views.end(), view);
    if (it == m_views.end()) return;
    CDocument::RemoveView(view);
    if (!m_views.empty())
        UpdateAllViews();
    else
        m_host.RemoveDocument(this); // deletes this document: nothing may follow
}

int CImageDoc::GetViewNumber(const CView* view) const
{
    const auto it = std::find(m_views.begin(), m_views.end(), view);
    return it == m_views.end() ? 0 : int(it - m_views.begin()) + 1;
}

std::wstring CImageDoc::GetTitle() const
{
    if (m_path.empty()) return L"Image" + std::to_wstring(m_untitledNumber);
    const std::size_t slash = m_path.find_last_of(L'/');
    return slash == std::wstring::npos ? m_path : m_path.substr(slash + 1);
}

void CImageDoc::Message(const std::wstring& text, const wchar_t* caption, DocMsgStyle style)
{
    m_host.MessageBox(text, caption, style);
}

bool CImageDoc::OnCommand(int id)
{
    if (m_busy) return true;
    const ImageCommand* command = FindImageCommand(id);
    if (!command) return false;
    switch (command->kind)
    {
    case ImageCommandKind::DirectEffect:
    {
        const std::unique_ptr<FCImageEffect> effect = command->makeEffect();
        if (effect) ApplyEffect(*effect);
        return true;
    }
    case ImageCommandKind::SliderDialog:
    case ImageCommandKind::DedicatedDialog:
    case ImageCommandKind::DialogNoPreview:
    case ImageCommandKind::FourierFilter:
    {
        // The dialog has ended its preview when it returns: the effect starts from the image
        // as it was before the dialog. Nothing on Cancel.
        const std::unique_ptr<FCImageEffect> effect = m_host.RunEffectDialog(*this, id);
        if (effect) ApplyEffect(*effect);
        return true;
    }
    case ImageCommandKind::ToolView:
        m_host.CreateToolView(*this, id);
        return true;
    case ImageCommandKind::File:
    case ImageCommandKind::WholeImageEdit:
        break;
    }
    switch (id)
    {
    case kCmdFileSave:
        OnFileSave();
        break;
    case kCmdFileSaveAs:
        OnFileSaveAs();
        break;
    case kCmdFileInfo:
        OnFileInfo();
        break;
    case kCmdEditUndo:
        OnEditUndo();
        break;
    case kCmdEditRedo:
        OnEditRedo();
        break;
    case kCmdAlphaOpaque:
        OnAlphaOpaque();
        break;
    case kCmdConvert24:
        OnConvert24();
        break;
    case kCmdConvert32:
        OnConvert32();
        break;
    default:
        break;
    }
    return true;
}
