// A preview job of the document: a thread that applies one effect to a private working copy of
// the preview backup and copies the finished rows into the document image as it goes.
#pragma once

#include "document/CImageDoc.h"

#include <atomic>
#include <memory>
#include <thread>

class CImageDoc::CPreviewProgress : public FCProgressObserver
{
public:
    // Takes the effect. The job does not run until Start.
    CPreviewProgress(CImageDoc& doc, std::unique_ptr<FCImageEffect> effect);
    // Asks the thread to stop and waits for it.
    ~CPreviewProgress() override;

    // Starts the thread; false (and no thread) when the system refuses one.
    bool Start();
    // Asks the thread to stop, waits for it, then shows 100 (the status bar hides its progress).
    void Stop();

    // On the preview thread: status posts when the percentage changes, and rows copied into the
    // document at multiples of 5 that lie at least 10 above the last copy, all rows at 100.
    bool OnProgress(int percent) override;

private:
    void ThreadProc();

    CImageDoc& m_doc;
    FCObjImage& m_image; // the document image (not owned)
    std::unique_ptr<FCObjImage> m_work;
    const FCObjImage& m_backup; // the document's preview backup (not owned)
    std::shared_ptr<CRepaintHandle> m_view;
    std::atomic<std::int32_t> m_run{1};
    std::unique_ptr<FCImageEffect> m_effect;
    std::thread m_thread;
    int m_lastMultipleOf5 = 0;
    int m_lastRedraw = 0;
    int m_lastPosted = 0;
};
