// The live preview of an effect dialog, the second base of every dialog that previews its effect
// on the document: the document backs up its image when the dialog object is made, every new set
// of values hands a new effect to the document's preview, "RAZ" shows the backup again, and OK,
// Cancel or the end of the object put the image back exactly as it was. It also paints the
// channels of the dialog's trackbars.
#pragma once

#include "dialogs/CTrackBar.h"

#include <memory>

class FCImageEffect;
class IPreviewDocument;
class QLabel;

class CPreviewDialog : public CTrackBarOwner
{
public:
    // With a document, its image is backed up (BeginPreview) and the preview is open. With
    // null, nothing ever reaches a document.
    explicit CPreviewDialog(IPreviewDocument* doc);
    // Ends the preview when it is still open.
    ~CPreviewDialog() override;
    CPreviewDialog(const CPreviewDialog&) = delete;
    CPreviewDialog& operator=(const CPreviewDialog&) = delete;

    // The document's image becomes its backup again and the preview is closed; a second call
    // does nothing.
    virtual void EndPreview();
    // Hands the effect to the document, which restarts its preview with it and returns without
    // waiting for it. Once the preview is closed the effect is only destroyed: no pixels may
    // reach the image outside its undo.
    virtual void SetPreviewEffect(std::unique_ptr<FCImageEffect> effect);
    // Stops the running preview and shows the backup; the preview stays open. Nothing once it
    // is closed.
    virtual void ResetPreview();

    // Trackbar painting: the thumb is the trackbar's own; the channel is filled with the button
    // face and framed sunken (shadow on the top and left edges, light on the right and bottom).
    bool DrawSliderThumb(int id, QPainter& painter, const CTrackBar& bar) override;
    void DrawSliderChannel(int id, QPainter& painter, const QRect& channel, const CTrackBar& bar) override;

    // The value label of a slider: the value as "%d".
    static void SetSliderValueLabel(QLabel* label, int value);

    // The default channel on r in the trackbar's palette: the button face, then a one-pixel
    // sunken frame (shadow on the top row but its last pixel and the left column but its last
    // pixel, light on the right column and the bottom row). For the dialogs that draw over it.
    static void DrawSunkenChannel(QPainter& painter, const QRect& r, const CTrackBar& bar);

    bool IsPreviewActive() const { return m_bPreviewActive != 0; }
    IPreviewDocument* GetPreviewDocument() const { return m_pDoc; }

private:
    int m_bPreviewActive = 0;
    IPreviewDocument* m_pDoc = nullptr;
};
