// The dialogs of the frequency-domain filters. Their ranges follow the image size, so the range,
// default, title and captions of every slider are set at run time by whoever opens the dialog,
// and every effect the dialog makes is handed the document's transform object (m_pHelper). One
// to three sliders on templates 213, 214 and 215, and a converting variant for the Gaussian width
// (position x 0.0001, shown with "%7.4f").
//
// The feedback variants serve the Fourier tool view: they behave the same and also store each
// slider value as overlay value 1, 2 or 3 of the view, which repaints at once. Their hooks run at
// the dialog's start, on every changed value and on "RAZ", always before the preview of the same
// change starts. The Gaussian's overlay value is the slider position, not the width.
//
// The family's runners: FourierDialogEntries() for the document's 26 commands (registered with the
// other dialog families), RunFourierFeedbackDialog for the tool view's twins.
#pragma once

#include "dialogs/CSliderDialogCore.h"
#include "dialogs/EffectDialogs.h"
#include "document/FourierCommands.h"
#include "views/FourierFeedback.h"

#include <memory>
#include <span>

class FFTW3Helper;

template <class E> class CGeneric1SliderDialogParam : public CSliderDialogCore
{
public:
    static constexpr bool kFeedback = false;
    static constexpr bool kConverts = false;
    explicit CGeneric1SliderDialogParam(IPreviewDocument* doc, QWidget* parent = nullptr,
                                        const DialogBaseUnits* base = nullptr)
        : CSliderDialogCore(doc, 1, parent, base)
    {
    }
    std::unique_ptr<FCImageEffect> MakeEffect() const override
    {
        return FourierEffectFactory<E>::Make(m_pHelper, Value(1));
    }
    FFTW3Helper* m_pHelper = nullptr; // the document's, borrowed
};

template <class E> class CGeneric2SlidersDialogParam : public CSliderDialogCore
{
public:
    static constexpr bool kFeedback = false;
    static constexpr bool kConverts = false;
    explicit CGeneric2SlidersDialogParam(IPreviewDocument* doc, QWidget* parent = nullptr,
                                         const DialogBaseUnits* base = nullptr)
        : CSliderDialogCore(doc, 2, parent, base)
    {
    }
    // The band sliders are independent: a minimum above the maximum is passed on as it is.
    std::unique_ptr<FCImageEffect> MakeEffect() const override
    {
        return FourierEffectFactory<E>::Make(m_pHelper, Value(1), Value(2));
    }
    FFTW3Helper* m_pHelper = nullptr;
};

template <class E> class CGeneric3SlidersDialogParam : public CSliderDialogCore
{
public:
    static constexpr bool kFeedback = false;
    static constexpr bool kConverts = false;
    explicit CGeneric3SlidersDialogParam(IPreviewDocument* doc, QWidget* parent = nullptr,
                                         const DialogBaseUnits* base = nullptr)
        : CSliderDialogCore(doc, 3, parent, base)
    {
    }
    std::unique_ptr<FCImageEffect> MakeEffect() const override
    {
        return FourierEffectFactory<E>::Make(m_pHelper, Value(1), Value(2), Value(3));
    }
    FFTW3Helper* m_pHelper = nullptr;
};

// One slider whose position passes through Convert; the effect receives the converted value.
template <class E, double (*Convert)(int) = GaussienneConversion>
class CGeneric1SliderDialogConvertParam : public CGeneric1SliderDialogParam<E>
{
public:
    static constexpr bool kConverts = true;
    explicit CGeneric1SliderDialogConvertParam(IPreviewDocument* doc, QWidget* parent = nullptr,
                                               const DialogBaseUnits* base = nullptr)
        : CGeneric1SliderDialogParam<E>(doc, parent, base)
    {
        this->SetConverter(Convert, nullptr);
    }
    // The printf format of the converted value in the value label ("%7.4f").
    void SetFormat(const char* format) { this->SetConverter(Convert, format); }
    std::unique_ptr<FCImageEffect> MakeEffect() const override
    {
        return FourierEffectFactory<E>::Make(this->m_pHelper, this->ConvertedValue());
    }

protected:
    // "RAZ" restores the image, then previews the default width: unlike a gamma of 1, the default
    // Gaussian softens the picture, and the preview shows what OK applies.
    void OnReset() override
    {
        CGeneric1SliderDialogParam<E>::OnReset();
        this->SetPreviewEffect(this->MakeEffect());
    }
};

template <class E> class CFeedback1SliderDialog : public CGeneric1SliderDialogParam<E>
{
public:
    static constexpr bool kFeedback = true;
    using CGeneric1SliderDialogParam<E>::CGeneric1SliderDialogParam;
    IFourierOverlayTarget* m_pToolView = nullptr; // not owned

protected:
    void OnSlider1Changed(int value) override
    {
        if (m_pToolView) m_pToolView->SetOverlayValue1(value);
    }
};

template <class E> class CFeedback2SlidersDialog : public CGeneric2SlidersDialogParam<E>
{
public:
    static constexpr bool kFeedback = true;
    using CGeneric2SlidersDialogParam<E>::CGeneric2SlidersDialogParam;
    IFourierOverlayTarget* m_pToolView = nullptr;

protected:
    void OnSlider1Changed(int value) override
    {
        if (m_pToolView) m_pToolView->SetOverlayValue1(value);
    }
    void OnSlider2Changed(int value) override
    {
        if (m_pToolView) m_pToolView->SetOverlayValue2(value);
    }
};

template <class E> class CFeedback3SlidersDialog : public CGeneric3SlidersDialogParam<E>
{
public:
    static constexpr bool kFeedback = true;
    using CGeneric3SlidersDialogParam<E>::CGeneric3SlidersDialogParam;
    IFourierOverlayTarget* m_pToolView = nullptr;

protected:
    void OnSlider1Changed(int value) override
    {
        if (m_pToolView) m_pToolView->SetOverlayValue1(value);
    }
    void OnSlider2Changed(int value) override
    {
        if (m_pToolView) m_pToolView->SetOverlayValue2(value);
    }
    void OnSlider3Changed(int value) override
    {
        if (m_pToolView) m_pToolView->SetOverlayValue3(value);
    }
};

template <class E>
class CFeedbackGaussienneDialog : public CGeneric1SliderDialogConvertParam<E, GaussienneConversion>
{
public:
    static constexpr bool kFeedback = true;
    using CGeneric1SliderDialogConvertParam<E, GaussienneConversion>::CGeneric1SliderDialogConvertParam;
    IFourierOverlayTarget* m_pToolView = nullptr;

protected:
    // The position (0..1000), not the width.
    void OnSlider1Changed(int position) override
    {
        if (m_pToolView) m_pToolView->SetOverlayValue1(position);
    }
};

// What a launcher gives a filter dialog: the image size its ranges follow, the transform object,
// and for the tool view's dialogs the overlay their values go to.
struct FourierDialogSetup
{
    int width = 0;
    int height = 0;
    FFTW3Helper* helper = nullptr;
    IFourierOverlayTarget* overlay = nullptr; // null: the document's dialog (no feedback)
    QWidget* parent = nullptr;
    const DialogBaseUnits* base = nullptr;
};

struct FourierDialogInstance
{
    int command;
    // The document's dialog (Param) and the tool view's (Feedback), over the document (which
    // backs up its image now), filled as their launchers fill them: ranges from the size,
    // titles, captions, transform object, format, overlay.
    std::unique_ptr<CSliderDialogCore> (*makeDocument)(IPreviewDocument* doc,
                                                       const FourierDialogSetup& setup);
    std::unique_ptr<CSliderDialogCore> (*makeFeedback)(IPreviewDocument* doc,
                                                       const FourierDialogSetup& setup);
};

// The 26 filters' dialogs.
std::span<const FourierDialogInstance> FourierDialogInstances();

// The document's commands as (command, runner): the image size and transform object of the
// document, its dialog run modally over parent, and on OK the filter of the final values.
std::span<const EffectDialogEntry> FourierDialogEntries();

// The Fourier tool view's dialogs: the feedback dialog of the command over the document, its
// values going to the overlay; on OK the filter of the final values, null otherwise.
std::unique_ptr<FCImageEffect> RunFourierFeedbackDialog(CImageDoc& doc, int command,
                                                        IFourierOverlayTarget& overlay, QWidget* parent);
