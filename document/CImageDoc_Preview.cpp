// The live preview of the effect dialogs.
#include "document/CPreviewProgress.h"
#include "document/CView.h"

#include <algorithm>
#include <cstring>
#include <new>

CImageDoc::CPreviewProgress::CPreviewProgress(CImageDoc& doc, std::unique_ptr<FCImageEffect> effect,
                                              std::uint64_t generation)
    : m_doc(doc), m_image(doc.m_image), m_work(std::make_unique<FCObjImage>()), m_backup(doc.m_previewBackup),
      m_view(doc.m_previewView), m_effect(std::move(effect)), m_generation(generation)
{
}

CImageDoc::CPreviewProgress::~CPreviewProgress()
{
    m_job.RequestStop();
    m_job.Join();
}

bool CImageDoc::CPreviewProgress::Start()
{
    return m_job.Start([this](const std::atomic<bool>&) { ThreadProc(); });
}

bool CImageDoc::CPreviewProgress::Current() const
{
    return m_doc.m_previewGeneration.load() == m_generation;
}

void CImageDoc::CPreviewProgress::Post(int percent)
{
    const std::lock_guard lock(m_doc.m_previewPostMutex);
    if (Current()) m_doc.m_host.PostProgress(percent);
}

void CImageDoc::CPreviewProgress::ThreadProc()
{
    m_lastPosted = 0;
    Post(0);

    // The working copy starts from the image as it was when the preview began (the document
    // image may already hold rows of an earlier job). While a preview lasts the image keeps the
    // backup's size and depth, so the backup is copied directly.
    static const FCObjImage kNone;
    const FCObjImage& backup = m_backup ? *m_backup : kNone;
    bool sameShape = false;
    bool current = false;
    {
        // A superseded job never looks at the document image: once a stop has moved the
        // generation on, the user-interface thread may swap or replace it without the lock.
        const std::lock_guard lock(m_doc.m_imageMutex);
        current = Current();
        if (current)
        {
            sameShape = backup.Width() == m_image.Width() && backup.Height() == m_image.Height() &&
                        backup.ColorBits() == m_image.ColorBits();
            if (!sameShape) *m_work = m_image;
        }
    }
    if (!current)
    {
        m_effect.reset();
        m_work.reset();
        return;
    }
    if (sameShape)
        *m_work = backup;
    else
        m_work->PasteImageAt(backup, 0, 0);
    if (m_work->HasBits())
    {
        FCObjImage::ApplyEffect(*m_work, *m_effect, this);
        if (GetCancelFlag() == 0) OnProgress(100);
    }
    Post(100); // the bar must not stay where the job left it
    // Nothing of the job is needed any more: its memory goes now, not when it is joined.
    m_effect.reset();
    m_work.reset();
}

bool CImageDoc::CPreviewProgress::OnProgress(int percent)
{
    if (m_job.StopRequested()) return false;
    const int p = std::clamp(percent, 0, 100);
    if (p != m_lastPosted)
    {
        Post(p);
        m_lastPosted = p;
    }
    if (p % 5 != 0 || p == m_lastMultipleOf5) return true;
    m_lastMultipleOf5 = p;
    if (p < m_lastRedraw + 10 && p < 100) return true;

    // Rows go over in chunks, each under the image lock with the generation checked: a stop
    // waits for one chunk at the most, and no row of a superseded job reaches the document.
    constexpr std::size_t kChunkBytes = std::size_t(1) << 20;
    for (int y = -1;;)
    {
        const std::lock_guard lock(m_doc.m_imageMutex);
        if (!Current()) return false;
        if (!m_image.HasBits() || !m_work->HasBits()) break;
        const std::int64_t h = m_image.Height();
        const int first = p == 100 ? 0 : int(m_lastRedraw * h / 100);
        const int end = int(std::min<std::int64_t>(p * h / 100, m_work->Height()));
        const std::size_t bytes = std::size_t(std::min(m_image.RowPitch(), m_work->RowPitch()));
        if (y < 0) y = first;
        const int chunk = int(std::max<std::size_t>(1, kChunkBytes / std::max<std::size_t>(bytes, 1)));
        for (const int stop = std::min(end, y + chunk); y < stop; ++y)
            std::memcpy(m_image.RowAddress(y), m_work->RowAddress(y), bytes);
        if (y >= end) break;
    }
    {
        // Under the image lock too: once a stop holds it, no repaint of this job is asked for.
        const std::lock_guard lock(m_doc.m_imageMutex);
        if (!Current()) return false;
        if (m_view) m_view->RequestRepaint();
    }
    m_lastRedraw = p;
    return true;
}

void CImageDoc::StopPreviewJob()
{
    if (!m_previewJob) return;
    {
        // No chunk of rows of the job is being copied once both locks are held. The job is
        // superseded before it is told to stop, so that nothing it does on its way out (its last
        // post) reaches the document.
        const std::lock_guard image(m_imageMutex);
        const std::lock_guard posts(m_previewPostMutex);
        m_previewGeneration.fetch_add(1);
    }
    m_previewJob->Stop();
    m_host.PostProgress(100);
    try
    {
        m_stoppedJobs.push_back(std::move(m_previewJob));
    }
    catch (const std::bad_alloc&)
    {
        m_previewJob.reset(); // no room to keep it: waited for here
    }
    m_previewJob.reset();
    ReapPreviewJobs(false);
}

void CImageDoc::ReapPreviewJobs(bool wait)
{
    std::erase_if(m_stoppedJobs,
                  [wait](const std::unique_ptr<CPreviewProgress>& job) { return wait || job->Finished(); });
}

void CImageDoc::BeginPreview()
{
    StopPreviewJob();
    try
    {
        m_previewBackup = std::make_shared<const FCObjImage>(m_image);
    }
    catch (const std::bad_alloc&)
    {
        m_previewBackup.reset();
    }
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
        auto job = std::make_unique<CPreviewProgress>(*this, std::move(owned), m_previewGeneration.load());
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
    if (m_previewBackup)
    {
        const std::lock_guard lock(m_imageMutex);
        m_image.PasteImageAt(*m_previewBackup, 0, 0);
    }
    // A tool view painted during the preview may have filled the plane cache from preview rows.
    m_planesValid = false;
    if (m_previewView) m_previewView->RequestRepaint();
}

void CImageDoc::EndPreview()
{
    StopPreviewJob();
    {
        const std::lock_guard lock(m_imageMutex);
        if (m_previewBackup)
            m_image = *m_previewBackup;
        else
            m_image.Destroy();
    }
    m_planesValid = false;
    if (m_previewView) m_previewView->RequestRepaint();
}
