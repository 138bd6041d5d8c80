// A preview job of the document: a background job (a thread of its own, not one of the effects'
// runner) that applies one effect to a private working copy of the preview backup and copies the
// finished rows into the document image as it goes.
//
// Every job carries the document's preview generation from when it was made. Stopping a job only
// asks its thread to stop and moves the document to a new generation: the user-interface thread
// never waits for the effect to finish the row or the stage in hand. A job whose generation is
// no longer the document's neither copies rows into the document image nor posts progress; its
// thread ends at its next progress call and is joined later, when it has already returned.
#pragma once

#include "document/CImageDoc.h"
#include "platform/BackgroundJob.h"

#include <cstdint>
#include <memory>

class CImageDoc::CPreviewProgress : public FCProgressObserver
{
public:
    // Takes the effect. The job does not run until Start.
    CPreviewProgress(CImageDoc& doc, std::unique_ptr<FCImageEffect> effect, std::uint64_t generation);
    // Asks the thread to stop and waits for it.
    ~CPreviewProgress() override;

    // Starts the thread; false (and no thread) when the system refuses one.
    bool Start();
    // Asks the thread to stop; returns at once.
    void Stop() { m_job.RequestStop(); }
    // Whether the thread has returned (a join is then immediate).
    bool Finished() const { return m_job.Finished(); }

    // On the preview thread: status posts when the percentage changes, and rows copied into the
    // document at multiples of 5 that lie at least 10 above the last copy, all rows at 100.
    bool OnProgress(int percent) override;

private:
    void ThreadProc();
    // Whether the job is still the document's current run.
    bool Current() const;
    // A status post, unless the job was superseded.
    void Post(int percent);

    CImageDoc& m_doc;
    FCObjImage& m_image; // the document image (not owned)
    std::unique_ptr<FCObjImage> m_work;
    std::shared_ptr<const FCObjImage> m_backup; // the preview backup when the job was made
    std::shared_ptr<CRepaintHandle> m_view;
    std::unique_ptr<FCImageEffect> m_effect;
    const std::uint64_t m_generation;
    int m_lastMultipleOf5 = 0;
    int m_lastRedraw = 0;
    int m_lastPosted = 0;
    // Last, so that it goes first: the thread is joined before anything it uses.
    CBackgroundJob m_job;
};
