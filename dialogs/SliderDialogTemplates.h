// The slider dialogs of the effects with one to three integer parameters, as class templates of
// the effect class and of each slider's minimum, maximum and default (-100, 100 and 0 when not
// given). They are thin: CSliderDialogCore does all the work, they give it their ranges and
// build their effect.
//
// A dialog is made with the document, the title and the captions, run modally, and on OK its
// MakeEffect() is the effect to apply. A dialog of its own derives from one of them and
// overrides the hooks OnSlider1Changed.. (called with every new position) or the painting of its
// trackbars' channels (DrawSliderChannel, given the trackbar's id: 1043, 1046, 1049).
#pragma once

#include "dialogs/CSliderDialogCore.h"
#include "imagelib/FCImageEffect.h"

#include <memory>

// How a slider dialog makes its effect: the effect's constructor given the values in slider
// order. An effect whose constructor takes more than these values has a specialisation that
// gives the rest (see SliderDialogs.cpp); without one it does not compile.
template <class E> struct CSliderEffectFactory
{
    template <class... Values> static std::unique_ptr<FCImageEffect> Make(Values... values)
    {
        return std::make_unique<E>(values...);
    }
};

template <class E, int Min1 = -100, int Max1 = 100, int Def1 = 0>
class CGeneric1SliderDialog : public CSliderDialogCore
{
public:
    // For code that makes any of these dialogs: how many sliders, and whether the value passes
    // through a conversion.
    static constexpr int kSliders = 1;
    static constexpr bool kConverts = false;
    CGeneric1SliderDialog(IPreviewDocument* doc, const QString& title, const QString& caption,
                          QWidget* parent = nullptr, const DialogBaseUnits* base = nullptr)
        : CSliderDialogCore(doc, 1, parent, base)
    {
        SetSlider(1, Min1, Max1, Def1);
        SetTitle(title);
        SetCaption(1, caption);
    }
    std::unique_ptr<FCImageEffect> MakeEffect() const override
    {
        return CSliderEffectFactory<E>::Make(Value(1));
    }
};

template <class E, int Min1 = -100, int Max1 = 100, int Def1 = 0, int Min2 = -100, int Max2 = 100,
          int Def2 = 0>
class CGeneric2SlidersDialog : public CSliderDialogCore
{
public:
    static constexpr int kSliders = 2;
    static constexpr bool kConverts = false;
    CGeneric2SlidersDialog(IPreviewDocument* doc, const QString& title, const QString& caption1,
                           const QString& caption2, QWidget* parent = nullptr,
                           const DialogBaseUnits* base = nullptr)
        : CSliderDialogCore(doc, 2, parent, base)
    {
        SetSlider(1, Min1, Max1, Def1);
        SetSlider(2, Min2, Max2, Def2);
        SetTitle(title);
        SetCaption(1, caption1);
        SetCaption(2, caption2);
    }
    std::unique_ptr<FCImageEffect> MakeEffect() const override
    {
        return CSliderEffectFactory<E>::Make(Value(1), Value(2));
    }
};

template <class E, int Min1 = -100, int Max1 = 100, int Def1 = 0, int Min2 = -100, int Max2 = 100,
          int Def2 = 0, int Min3 = -100, int Max3 = 100, int Def3 = 0>
class CGeneric3SlidersDialog : public CSliderDialogCore
{
public:
    static constexpr int kSliders = 3;
    static constexpr bool kConverts = false;
    CGeneric3SlidersDialog(IPreviewDocument* doc, const QString& title, const QString& caption1,
                           const QString& caption2, const QString& caption3, QWidget* parent = nullptr,
                           const DialogBaseUnits* base = nullptr)
        : CSliderDialogCore(doc, 3, parent, base)
    {
        SetSlider(1, Min1, Max1, Def1);
        SetSlider(2, Min2, Max2, Def2);
        SetSlider(3, Min3, Max3, Def3);
        SetTitle(title);
        SetCaption(1, caption1);
        SetCaption(2, caption2);
        SetCaption(3, caption3);
    }
    std::unique_ptr<FCImageEffect> MakeEffect() const override
    {
        return CSliderEffectFactory<E>::Make(Value(1), Value(2), Value(3));
    }
};

// One slider whose position passes through Convert before it reaches the effect; the value
// label shows the converted value in the given printf format.
template <class E, double (*Convert)(int), int Min1 = -100, int Max1 = 100, int Def1 = 0>
class CGeneric1SliderDialogConvert : public CGeneric1SliderDialog<E, Min1, Max1, Def1>
{
public:
    static constexpr bool kConverts = true;
    CGeneric1SliderDialogConvert(IPreviewDocument* doc, const QString& title, const QString& caption,
                                 const char* format, QWidget* parent = nullptr,
                                 const DialogBaseUnits* base = nullptr)
        : CGeneric1SliderDialog<E, Min1, Max1, Def1>(doc, title, caption, parent, base)
    {
        this->SetConverter(Convert, format);
    }
    std::unique_ptr<FCImageEffect> MakeEffect() const override
    {
        return CSliderEffectFactory<E>::Make(this->ConvertedValue());
    }
};

// Three sliders for the red, green and blue channels, each trackbar's channel a bar of its
// colour.
template <class E, int Min1 = -100, int Max1 = 100, int Def1 = 0, int Min2 = -100, int Max2 = 100,
          int Def2 = 0, int Min3 = -100, int Max3 = 100, int Def3 = 0>
class CRVBDialog : public CGeneric3SlidersDialog<E, Min1, Max1, Def1, Min2, Max2, Def2, Min3, Max3, Def3>
{
public:
    using CGeneric3SlidersDialog<E, Min1, Max1, Def1, Min2, Max2, Def2, Min3, Max3,
                                 Def3>::CGeneric3SlidersDialog;
    void DrawSliderChannel(int id, QPainter& painter, const QRect& channel, const CTrackBar& bar) override
    {
        DrawColourBarChannel(id, painter, channel, bar);
    }
};
