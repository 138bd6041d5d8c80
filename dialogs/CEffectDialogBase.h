// What the effect dialogs of their own (colour balance, colour levels, noise, number of levels,
// custom kernels) share: the window built from its dialog template, the live preview of its
// effect on the document, an initialisation at the first show, and OK, "Annuler", Escape and
// the window's close button ending the preview before the dialog ends with 1 (OK) or 2.
#pragma once

#include "dialogs/CPreviewDialog.h"
#include "resources/DialogBuilder.h"

#include <QDialog>

#include <memory>

class FCImageEffect;
class IPreviewDocument;

class CEffectDialogBase : public QDialog, public CPreviewDialog
{
public:
    // The document (may be null) backs up its image now. The template's trackbars are made as
    // CTrackBars painted through this dialog; factory (may be empty) makes the other controls
    // the dialog draws itself. base: the dialog-unit base to lay out with (tests give fixed
    // ones); null takes it from the dialog's font.
    CEffectDialogBase(IPreviewDocument* doc, int templateId, QWidget* parent, const DialogBaseUnits* base,
                      const DialogControlFactory& factory = {});
    ~CEffectDialogBase() override;

    const CDialogControls& Controls() const { return m_controls; }
    template <class T> T* Control(int id) const { return m_controls.Get<T>(id); }

    // The effect of the values held now: each preview shows it, and on OK the caller applies it.
    virtual std::unique_ptr<FCImageEffect> MakeEffect() const = 0;

    void accept() override;
    void reject() override;

    static constexpr int kResetId = 1052;

    // Check boxes, radio buttons and left-aligned one-line texts whose text is wider than their
    // rectangle (the dialog font may be wider than the one the layout was made for) grow to the
    // right as far as the next control on their row or the dialog's edge, so that no text is cut.
    static void FitTexts(QDialog& dialog);

protected:
    // Runs once, when the dialog is first shown.
    virtual void OnInitDialog() {}
    // "RAZ".
    virtual void OnReset() {}
    // A new preview of the values held now.
    void UpdatePreview() { SetPreviewEffect(MakeEffect()); }
    bool IsInitialised() const { return m_initialised; }

    void showEvent(QShowEvent* event) override;

private:
    CDialogControls m_controls;
    bool m_initialised = false;
};
