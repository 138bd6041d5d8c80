#include "dialogs/ColourDialogs.h"

#include "imagelib/qt/FCObjImageQt.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QSignalBlocker>

FCObjImage MakeBalanceRamp(int ramp)
{
    FCObjImage image;
    if (!image.Create(256, 1, 32)) return image;
    BYTE* p = image.RowAddress(0);
    for (int i = 0; i < 256; ++i, p += 4)
    {
        const BYTE up = BYTE(i), down = BYTE(255 - i);
        switch (ramp)
        {
        case 1: // cyan to red
            p[0] = down, p[1] = down, p[2] = up;
            break;
        case 2: // magenta to green
            p[0] = down, p[1] = up, p[2] = down;
            break;
        default: // yellow to blue
            p[0] = up, p[1] = down, p[2] = down;
            break;
        }
        p[3] = 255;
    }
    return image;
}

FCObjImage MakeHueRamp()
{
    FCObjImage image;
    if (!image.Create(360, 1, 32)) return image;
    BYTE* p = image.RowAddress(0);
    for (int x = 0; x < 360; ++x, p += 4)
    {
        const RGBQUAD c = HSVtoRGB(x / 360.0, 1.0, 1.0);
        p[0] = c.rgbBlue, p[1] = c.rgbGreen, p[2] = c.rgbRed, p[3] = 255;
    }
    return image;
}

void FillSaturationRamp(FCObjImage& ramp, int hueDegrees)
{
    if ((ramp.Width() != 256 || ramp.Height() != 1 || ramp.ColorBits() != 32) && !ramp.Create(256, 1, 32))
        return;
    const RGBQUAD c = HSVtoRGB(hueDegrees / 360.0, 1.0, 1.0);
    BYTE* p = ramp.RowAddress(0);
    for (int i = 0; i < 256; ++i, p += 4)
    {
        p[0] = BYTE(c.rgbBlue * i / 255);
        p[1] = BYTE(c.rgbGreen * i / 255);
        p[2] = BYTE(c.rgbRed * i / 255);
        p[3] = 255;
    }
}

void DrawRampChannel(QPainter& painter, const QRect& channel, const CTrackBar& bar, const FCObjImage& ramp,
                     const RECT& src)
{
    const QRect r = channel.adjusted(0, -7, 0, 7);
    CPreviewDialog::DrawSunkenChannel(painter, r, bar);
    const int h = (bar.ThumbRect().width() + 1) / 2;
    const RECT dest{r.x() + h, r.y() + 1, r.x() + r.width() - h, r.y() + r.height() - 1};
    DrawToDC(ramp, painter, dest, &src);
}

// ---- Colour balance ----

CBalanceCouleursDialog::CBalanceCouleursDialog(IPreviewDocument* doc, QWidget* parent,
                                               const DialogBaseUnits* base)
    : CEffectDialogBase(doc, 216, parent, base)
{
    for (int s = 1; s <= 3; ++s)
    {
        m_ramp[s - 1] = MakeBalanceRamp(s);
        m_bar[s - 1] = Control<CTrackBar>(1043 + 3 * (s - 1));
        m_label[s - 1] = Control<QLabel>(1044 + 3 * (s - 1));
        if (m_bar[s - 1]) connect(m_bar[s - 1], &QSlider::valueChanged, this, [this, s] { OnScroll(s); });
    }
    m_keep = Control<QCheckBox>(kKeepId);
    for (int t = 0; t < 3; ++t)
    {
        m_tone[t] = Control<QAbstractButton>(kShadowsId + t);
        if (m_tone[t]) connect(m_tone[t], &QAbstractButton::clicked, this, [this, t] { OnTone(t); });
    }
    if (m_keep)
        connect(m_keep, &QAbstractButton::clicked, this,
                [this]
                {
                    m_values.keepLuminosity = m_keep->isChecked();
                    UpdatePreview();
                });
}

int& CBalanceCouleursDialog::ValueOf(int slider)
{
    return slider == 1 ? m_values.cyanRed : slider == 2 ? m_values.magentaGreen : m_values.yellowBlue;
}

std::unique_ptr<FCImageEffect> CBalanceCouleursDialog::MakeEffect() const
{
    return MakeColorBalanceEffect(m_values);
}

void CBalanceCouleursDialog::CheckTone(int toneRange)
{
    for (int t = 0; t < 3; ++t)
        if (m_tone[t]) m_tone[t]->setChecked(t == toneRange);
}

void CBalanceCouleursDialog::OnInitDialog()
{
    for (int s = 1; s <= 3; ++s)
    {
        CTrackBar* bar = m_bar[s - 1];
        if (!bar) continue;
        const QSignalBlocker block(bar);
        bar->setRange(-100, 100);
        bar->setPageStep(20);
        bar->setTickInterval(100);
        bar->setValue(0);
        SetSliderValueLabel(m_label[s - 1], 0);
    }
    if (m_keep) m_keep->setChecked(true);
    CheckTone(1);
    // No preview: the picture stays as it is until a control changes.
}

void CBalanceCouleursDialog::OnScroll(int slider)
{
    if (!IsInitialised()) return;
    int& value = ValueOf(slider);
    const int old = value;
    value = m_bar[slider - 1]->value();
    SetSliderValueLabel(m_label[slider - 1], value);
    if (value == old) return;
    UpdatePreview();
}

void CBalanceCouleursDialog::OnTone(int toneRange)
{
    m_values.toneRange = toneRange;
    CheckTone(toneRange);
    UpdatePreview();
}

void CBalanceCouleursDialog::OnReset()
{
    for (int s = 1; s <= 3; ++s)
    {
        if (m_bar[s - 1])
        {
            const QSignalBlocker block(m_bar[s - 1]);
            m_bar[s - 1]->setValue(0);
        }
        SetSliderValueLabel(m_label[s - 1], 0);
    }
    if (m_keep) m_keep->setChecked(true);
    CheckTone(1);
    m_values = ColorBalanceValues{};
    ResetPreview();
}

void CBalanceCouleursDialog::DrawSliderChannel(int id, QPainter& painter, const QRect& channel,
                                               const CTrackBar& bar)
{
    const int slider = id == 1043 ? 1 : id == 1046 ? 2 : id == 1049 ? 3 : 0;
    if (!slider)
    {
        CEffectDialogBase::DrawSliderChannel(id, painter, channel, bar);
        return;
    }
    DrawRampChannel(painter, channel, bar, m_ramp[slider - 1], RECT{0, 0, 255, 1});
}

// ---- Colour and saturation ----

CCouleurSaturationDialog::CCouleurSaturationDialog(IPreviewDocument* doc, QWidget* parent,
                                                   const DialogBaseUnits* base)
    : CGeneric2SlidersDialog(doc, QStringLiteral("Couleur & Saturation"), QStringLiteral("Couleur"),
                             QStringLiteral("Saturation"), parent, base),
      m_hueRamp(MakeHueRamp())
{
    FillSaturationRamp(m_saturationRamp, Default(1));
}

void CCouleurSaturationDialog::OnSlider1Changed(int hue)
{
    FillSaturationRamp(m_saturationRamp, hue);
    // The saturation channel shows the new ramp.
    if (CTrackBar* bar = TrackBar(2)) bar->update();
}

void CCouleurSaturationDialog::DrawSliderChannel(int id, QPainter& painter, const QRect& channel,
                                                 const CTrackBar& bar)
{
    if (id == 1043)
        DrawRampChannel(painter, channel, bar, m_hueRamp, RECT{0, 0, 359, 1});
    else if (id == 1046)
        DrawRampChannel(painter, channel, bar, m_saturationRamp, RECT{0, 0, 255, 1});
    else
        CGeneric2SlidersDialog::DrawSliderChannel(id, painter, channel, bar);
}

// ---- Brilliance and soft portrait ----

CCouleursBrillanceDialog::CCouleursBrillanceDialog(IPreviewDocument* doc, QWidget* parent,
                                                   const DialogBaseUnits* base)
    : CGeneric3SlidersDialog(doc, QStringLiteral("Brillance et Adoucis"), QStringLiteral("Adoucissement"),
                             QStringLiteral("Luminosité"), QStringLiteral("Contraste"), parent, base)
{
}

CCouleursPortraitAdoucisDialog::CCouleursPortraitAdoucisDialog(IPreviewDocument* doc, QWidget* parent,
                                                               const DialogBaseUnits* base)
    : CGeneric3SlidersDialog(doc, QStringLiteral("Portrait Adoucis"), QStringLiteral("Adoucissement"),
                             QStringLiteral("Luminosité"), QStringLiteral("Chaleur"), parent, base)
{
}
