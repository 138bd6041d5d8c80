// The live preview of the effect dialogs.
#include "document/CPreviewProgress.h"
#include "document/CView.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>

CImageDoc::CPreviewProgress::CPreviewProgress(CImageDoc& doc, std::unique_ptr<FCImageEffect> effect)
    : m_doc(doc), m_image(doc.m_image), m_work(std::make_unique<FCObjImage>()), m_backup(doc.m_previewBackup),
      m_view(doc.m_previewView), m_effect(std::move(effect))
{
}

CImageDoc::CPreviewProgress::~CPreviewProgress()
{
    m_run.exchange(0);
    if (m_thread.joinable()) m_thread.join();
}

bool CImageDoc::CPreviewProgress::Start()
{
    try
    {
        m_thread = std::thread(&CPreviewProgress::ThreadProc, this);
    }
    catch (const std::system_error&)
    {
        return false;
    }
    return true;
}

void CImageDoc::CPreviewProgress::Stop()
{
    m_run.exchange(0);
    if (m_thread.joinable()) m_thread.join();
    m_doc.m_host.PostProgress(100);
    m_lastPosted = 0;
}

void CImageDoc::CPreviewProgress::ThreadProc()
{
    m_lastPosted = 0;
    m_doc.m_host.PostProgress(0);

    // The working copy starts from the image as it was when the preview began (the document
    // image may already hold rows of an earlier job). While a preview lasts the image keeps the
    // backup's size and depth, so the backup is copied directly.
    if (m_backup.Width() == m_image.Width() && m_backup.Height() == m_image.Height() &&
        m_backup.ColorBits() == m_image.ColorBits())
        *m_work = m_backup;
    else
    {
        *m_work = m_image;
        m_work->PasteImageAt(m_backup, 0, 0);
    }
    if (!m_work->HasBits())
    {
        m_doc.m_host.PostProgress(100); // nothing to show: the bar must not stay at 0
        return;
    }

    FCObjImage::ApplyEffect(*m_work, *m_effect, this);
    if (GetCancelFlag() == 0) OnProgress(100);
    m_doc.m_host.PostProgress(100);
}

bool CImageDoc::CPreviewProgress::OnProgress(int percent)
{
    if (m_run.load() == 0) return false;
    const int p = std::clamp(percent, 0, 100);
    if (p != m_lastPosted)
    {
        m_doc.m_host.PostProgress(p);
        m_lastPosted = p;
    }
    if (p % 5 != 0 || p == m_lastMultipleOf5) return true;
    m_lastMultipleOf5 = p;
    if (p < m_lastRedraw + 10 && p < 100) return true;

    if (m_image.HasBits() && m_work->HasBits())
    {
        const std::int64_t h = m_image.Height();
        const int first = p == 100 ? 0 : int(m_lastRedraw * h / 100);
        const int end = int(std::min<std::int64_t>(p * h / 100, m_work->Height()));
        const std::size_t bytes = std::size_t(std::min(m_image.RowPitch(), m_work->RowPitch()));
        const std::lock_guard lock(m_doc.m_imageMutex);
        for (int y = first; y < end; ++y)
            std::memcpy(m_image.RowAddress(y), m_work->RowAddress(y), bytes);
    }
    if (m_view) m_view->RequestRepaint();
    m_lastRedraw = p;
    return true;
}

void CImageDoc::StopPreviewJob()
{
    if (!m_previewJob) return;
    m_previewJob->Stop();
    m_previewJob.reset();
}

void CImageDoc::BeginPreview()
{
    StopPreviewJob();
    m_previewBackup = m_image;
    CView* active = m_host.ActiveView();
    m_previewView = active ? active->RepaintHandle() : nullptr;
}

void CImageDoc::RunPreview(FCImageEffect* effect)
{
    std::unique_ptr<FCImageEffect> owned(effect);
    StopPreviewJob();
    if (!owned) return;
    try
    {
        auto job = std::make_unique<CPreviewProgress>(*this, std::move(owned));
        if (job->Start()) m_previewJob = std::move(job);
    }
    catch (const std::bad_alloc&)
    {
        // No job; the preview goes on with the next change.
    }
}

void CImageDoc::ResetPreview()
{
    StopPreviewJob();
    m_image.PasteImageAt(m_previewBackup, 0, 0);
    // A tool view painted during the preview may have filled the plane cache from preview rows.
    m_planesValid = false;
    if (m_previewView) m_previewView->RequestRepaint();
}

void CImageDoc::EndPreview()
{
    StopPreviewJob();
    m_image = m_previewBackup;
    m_planesValid = false;
    if (m_previewView) m_previewView->RequestRepaint();
}
