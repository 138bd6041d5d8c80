// The document: the image every view of one window group shows, one level of undo, the metadata
// read from the file, the path, the live preview of the effect dialogs, and the commands that
// change, save and describe the image. Everything here runs on the user-interface thread except
// the band workers of ApplyEffect and the preview thread, which write the image under the rules
// given with those operations.
#pragma once

#include "document/CDocument.h"
#include "document/DocHost.h"
#include "document/IPreviewDocument.h"
#include "imagelib/FCImageEffect.h"
#include "imagelib/FCImageProperty.h"
#include "imagelib/FCObjImage.h"
#include "resources/CommandIds.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CRepaintHandle;
class FCYUVPlanes;
class FFTW3Helper;

class CImageDoc : public CDocument, public IPreviewDocument
{
public:
    // The first view is attached as by AddView; everything else starts empty (no path, not
    // modified, not read-only, three empty images, save parameter -1). host outlives the
    // document.
    CImageDoc(CView* firstView, CDocHost& host);
    // Stops a preview job that would still run, then frees everything.
    ~CImageDoc() override;

    // ---- Creation (each true on success; the caller discards the document on false) ----
    // A zero-filled image; 32-bit images get alpha 255 (which leaves an Undo to the zero alpha).
    // Takes the next untitled number once the image exists; modified.
    bool CreateBlank(int width, int height, int bpp);
    // The clipboard's image; untitled number and modified only on success.
    bool InitFromClipboard();
    // Loads the file when it exists; the path is kept only on success, when the image has pixels.
    // No message: the caller reports the failure.
    bool InitFromFile(const wchar_t* path);
    // An image delivered by a scanner, taken over (the argument is left empty); untitled number
    // and modified only on success.
    bool InitFromImage(FCObjImage& image);
    // An encoded image in memory (a scanner transfer), decoded by the platform codec from its
    // content; as InitFromImage otherwise.
    bool InitFromMemory(const void* data, std::size_t size);

    // ---- Views ----
    // Removes the view; when others remain they are updated, when none remains the document
    // asks the host to delete it: nothing of the document may be used after that.
    void RemoveView(CView* view) override;
    // 1-based position of the view, 0 when it is not attached.
    int GetViewNumber(const CView* view) const;
    // "Image<n>" without a path, else the part of the path after its last '/'.
    std::wstring GetTitle() const;

    // ---- State read by the views and the main frame ----
    FCObjImage& GetImage() { return m_image; }
    const FCObjImage& GetImage() const { return m_image; }
    const FCObjImage& GetUndoImage() const { return m_undoImage; }
    FCImageProperty& GetProperties() { return m_properties; }
    const std::wstring& GetPath() const { return m_path; }
    int GetUntitledNumber() const { return m_untitledNumber; }
    bool IsModified() const { return m_modified; }
    bool IsReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool CanUndo() const { return m_canUndo; }
    bool CanRedo() const { return m_canRedo; }
    bool ArePlanesValid() const { return m_planesValid; }
    CDocHost& GetHost() const { return m_host; }
    // Held by a view while it reads the image to paint; the preview thread holds it while it
    // copies finished rows into the image.
    std::unique_lock<std::mutex> LockImage() { return std::unique_lock(m_imageMutex); }

    // ---- Caches of the tool views and the Fourier filters ----
    // The document's Fourier transform object, made on the first request and kept until the
    // document goes (the first one of the process sets up the transform's threads).
    FFTW3Helper* GetFFTW3Helper();
    // The Y/U/V planes of the image, filled again on the first request after any change of the
    // image. Takes the image lock while it reads the image: not to be called with it held.
    FCYUVPlanes* GetYUVPlanes();

    // ---- Effects ----
    // The one road by which an effect changes the image: acceptance (else "Format d'image non
    // supporté"), undo copy, the effect on NbThreads threads over bands of rows (whole-image
    // effects on this thread), progress and Escape through the host's observer, restore when
    // cancelled, then the views. The effect stays the caller's.
    void ApplyEffect(FCImageEffect& effect);

    // The gamma dialog's slider position (-100..100) as a gamma: 1 + 0.02 p above 0, exactly 1 at
    // 0, 1 / (1 - 0.02 p) below, so opposite positions give reciprocal values (1/3 .. 3).
    static double GammaConvertFunction(int position);

    // ---- Preview ----
    // Backup of the image and the view to repaint (the active view).
    void BeginPreview() override;
    // Takes the heap-allocated effect; stops the running job and starts a new one that applies
    // the effect to a copy of the backup on a thread of its own and copies finished rows into
    // the image.
    void RunPreview(FCImageEffect* effect) override;
    // Stops the job; the image shows the backup again; the preview goes on.
    void ResetPreview() override;
    // Stops the job; the image becomes a copy of the backup.
    void EndPreview() override;
    bool HasPreviewJob() const { return m_previewJob != nullptr; }

    // ---- Undo and whole-image edits ----
    void OnEditUndo();
    void OnEditRedo();
    // Blackens the rectangle (right and bottom exclusive; opaque black at 32 bits, index 0 at 8).
    void ClearRect(int left, int top, int right, int bottom);
    // Every alpha byte := value, 32-bit images only; the views are not updated.
    void SetAlphaChannel(BYTE value);
    void OnAlphaOpaque();
    // Conversions with an undo level (also when the depth does not change); no update.
    void ConvertTo24();
    void ConvertTo32();
    void OnConvert24();
    void OnConvert32();

    // ---- Paste special ----
    // Pastes (mode 0) or blends (modes 1..10) the image with its top-left pixel at (x, y). The
    // pasted image may come back converted to the document's depth.
    void PasteSpecial(FCObjImage& pasted, int x, int y, int mode);

    // ---- Saving and information ----
    void OnFileSave();
    void OnFileSaveAs();
    // Adds or replaces the software (305) and date-time (306) items as the settings ask.
    void StampExifProperties();
    // false: the close is to be abandoned.
    bool QuerySaveModified(bool force);
    // The information text and its dialog.
    std::wstring GetInfoText() const;
    void OnFileInfo();

    // The commands of the image menus (ImageCommands.h): effects with fixed arguments applied at
    // once, effect dialogs run by the host and their effect applied on OK, tool views built by
    // the host, saving, information, undo and the whole-image edits. False for any other id.
    // Commands reaching the document while an effect runs (the progress display lets events
    // through to catch Escape) are taken and ignored.
    bool OnCommand(int id) override;
    bool IsBusy() const { return m_busy; }

private:
    class CPreviewProgress;

    // The undo rule around an edit: before, KeepUndo; after, EndEdit.
    void KeepUndo();
    void EndEdit();
    // The image and the undo image change places, under the image lock.
    void SwapUndoImage();
    // Stops the preview job, if any, without waiting for its thread: the job is superseded (it
    // reaches the document no more) and kept until its thread has returned.
    void StopPreviewJob();
    // Joins the stopped jobs whose threads have returned; with wait, every one of them.
    void ReapPreviewJobs(bool wait);
    // Keeps the file at target as target.BAK (an older backup replaced) as the save commands do,
    // telling the user what fails; the file itself stays where it is.
    void KeepBackup(const std::wstring& target);
    bool SaveTo(const std::wstring& path, int type);
    // The save of both commands: nothing happens without a codec for the type; otherwise the
    // picture goes to a temporary file beside the target first, then the backup is made, then
    // the temporary file takes the target's name in one step, with the permissions of the file
    // it replaces. A file stays under the user's name at every moment, and a failed save leaves
    // the file and its backup as they were. Symbolic links are followed, not replaced; what is
    // not a regular file is never replaced.
    bool SaveWithBackup(const std::wstring& path, int type);
    void Message(const std::wstring& text, const wchar_t* caption, DocMsgStyle style);

    CDocHost& m_host;
    int m_untitledNumber = 0;
    bool m_modified = false;
    bool m_readOnly = false;
    std::wstring m_path;
    FCObjImage m_image;
    FCObjImage m_undoImage;
    bool m_canUndo = false;
    bool m_canRedo = false;
    std::shared_ptr<const FCObjImage> m_previewBackup; // shared with the jobs made from it
    std::shared_ptr<CRepaintHandle> m_previewView;
    bool m_planesValid = false;
    std::unique_ptr<FCYUVPlanes> m_planes;
    std::unique_ptr<FFTW3Helper> m_fftw;
    std::unique_ptr<CPreviewProgress> m_previewJob;
    // Jobs stopped whose threads may still be finishing their row or stage.
    std::vector<std::unique_ptr<CPreviewProgress>> m_stoppedJobs;
    // The preview run whose rows and posts may reach the document; every stop moves it on, under
    // both locks below.
    std::atomic<std::uint64_t> m_previewGeneration{0};
    std::mutex m_previewPostMutex;
    FCImageProperty m_properties;
    std::mutex m_imageMutex;
    bool m_busy = false; // inside ApplyEffect
};
