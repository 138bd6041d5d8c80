// The colour dialogs of the image menu: the colour balance with its three ramps, colour and
// saturation with its hue circle and its ramp from black to the chosen hue, and the brilliance
// and soft portrait dialogs of three sliders.
#pragma once

#include "dialogs/CEffectDialogBase.h"
#include "dialogs/SliderDialogTemplates.h"
#include "document/DedicatedDialogCommands.h"
#include "imagelib/FCObjImage.h"
#include "imagelib/effects/ColorModel.h"
#include "imagelib/effects/GaussBlurEffects.h"

#include <array>

class QAbstractButton;
class QCheckBox;
class QLabel;

// ---- Ramps (32 bits, alpha 255) ----
// Ramp 1, 2 or 3 of the colour balance, 256 x 1: pixel i runs from cyan to red (B, G, R =
// 255 - i, 255 - i, i), from magenta to green (255 - i, i, 255 - i), from yellow to blue
// (i, 255 - i, 255 - i).
FCObjImage MakeBalanceRamp(int ramp);
// The hue circle, 360 x 1: pixel x is the pure hue x / 360.
FCObjImage MakeHueRamp();
// 256 x 1 from black to the pure hue (0..359 degrees): each channel of the hue x i / 255.
void FillSaturationRamp(FCObjImage& ramp, int hueDegrees);

// A ramp channel of a trackbar: the channel grown by 7 pixels above and below, sunken, with the
// part src of the ramp stretched into it, inset by half a thumb width at each end and by one
// pixel above and below.
void DrawRampChannel(QPainter& painter, const QRect& channel, const CTrackBar& bar, const FCObjImage& ramp,
                     const RECT& src);

// "Balance des couleurs": cyan-red, magenta-green and yellow-blue, each -100..100; the tone range
// ("Ombre", "Demi-ton", "Eclaircir") and "Conserver la luminosité". Nothing is previewed until a
// control changes; "RAZ" shows the picture as it was and previews nothing.
class CBalanceCouleursDialog : public CEffectDialogBase
{
public:
    explicit CBalanceCouleursDialog(IPreviewDocument* doc, QWidget* parent = nullptr,
                                    const DialogBaseUnits* base = nullptr);

    const ColorBalanceValues& Values() const { return m_values; }
    std::unique_ptr<FCImageEffect> MakeEffect() const override;

    CTrackBar* TrackBar(int slider) const { return m_bar[slider - 1]; }
    QLabel* ValueLabel(int slider) const { return m_label[slider - 1]; }
    const FCObjImage& Ramp(int slider) const { return m_ramp[slider - 1]; }

    void DrawSliderChannel(int id, QPainter& painter, const QRect& channel, const CTrackBar& bar) override;

    static constexpr int kKeepId = 1053, kShadowsId = 1054, kMidtonesId = 1055, kHighlightsId = 1056;

protected:
    void OnInitDialog() override;
    void OnReset() override;

private:
    void OnScroll(int slider);
    void OnTone(int toneRange);
    void CheckTone(int toneRange);
    int& ValueOf(int slider);

    ColorBalanceValues m_values;
    std::array<CTrackBar*, 3> m_bar{};
    std::array<QLabel*, 3> m_label{};
    QCheckBox* m_keep = nullptr;
    std::array<QAbstractButton*, 3> m_tone{}; // shadows, midtones, highlights
    std::array<FCObjImage, 3> m_ramp;
};

// "Couleur & Saturation": the toning of the picture by one hue, on the two-slider dialog. The
// hue channel shows the hue circle, the saturation channel a ramp from black to the hue chosen.
class CCouleurSaturationDialog
    : public CGeneric2SlidersDialog<FCEffectColorToneIntParam, 0, 359, 45, 0, 255, 160>
{
public:
    explicit CCouleurSaturationDialog(IPreviewDocument* doc, QWidget* parent = nullptr,
                                      const DialogBaseUnits* base = nullptr);

    const FCObjImage& HueRamp() const { return m_hueRamp; }
    const FCObjImage& SaturationRamp() const { return m_saturationRamp; }

    void DrawSliderChannel(int id, QPainter& painter, const QRect& channel, const CTrackBar& bar) override;

protected:
    void OnSlider1Changed(int hue) override;

private:
    FCObjImage m_hueRamp;
    FCObjImage m_saturationRamp;
};

class CCouleursBrillanceDialog
    : public CGeneric3SlidersDialog<FCEffectSoftGlow, 1, 16, 10, -100, 100, 0, -100, 100, 0>
{
public:
    explicit CCouleursBrillanceDialog(IPreviewDocument* doc, QWidget* parent = nullptr,
                                      const DialogBaseUnits* base = nullptr);
};

class CCouleursPortraitAdoucisDialog
    : public CGeneric3SlidersDialog<FCEffectSoftPortrait, 1, 10, 5, -20, 20, 0, 0, 20, 10>
{
public:
    explicit CCouleursPortraitAdoucisDialog(IPreviewDocument* doc, QWidget* parent = nullptr,
                                            const DialogBaseUnits* base = nullptr);
};
