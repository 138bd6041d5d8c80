#include "dialogs/CSliderDialogCore.h"

#include "imagelib/FCImageEffect.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>

namespace
{
int TemplateOf(int sliders)
{
    return sliders == 1 ? 213 : sliders == 2 ? 214 : 215;
}
} // namespace

CSliderDialogCore::CSliderDialogCore(IPreviewDocument* doc, int sliders, QWidget* parent,
                                     const DialogBaseUnits* base)
    : QDialog(parent), CPreviewDialog(doc), m_sliders(std::clamp(sliders, 1, 3))
{
    const DialogTemplate* dialogTemplate = FindDialogTemplate(TemplateOf(m_sliders));
    m_controls = BuildDialog(*this, *dialogTemplate, base,
                             [this](const DialogControl& c, QWidget* owner) -> QWidget*
                             {
                                 if (c.kind != DlgKind::Trackbar) return nullptr;
                                 auto* bar = new CTrackBar(c.id, this, owner);
                                 if (c.flags & kDlgTicksTop)
                                     bar->setTickPosition(QSlider::TicksAbove);
                                 else
                                     bar->setTickPosition(QSlider::TicksBelow);
                                 return bar;
                             });
    for (int s = 1; s <= m_sliders; ++s)
    {
        m_bar[s - 1] = m_controls.Get<CTrackBar>(TrackBarId(s));
        m_label[s - 1] = m_controls.Get<QLabel>(ValueLabelId(s));
        m_captionLabel[s - 1] = m_controls.Get<QLabel>(CaptionId(s));
        connect(m_bar[s - 1], &QSlider::valueChanged, this, [this, s] { OnHScroll(s); });
    }
    if (auto* ok = m_controls.Get<QPushButton>(1))
        connect(ok, &QPushButton::clicked, this, [this] { accept(); });
    if (auto* cancel = m_controls.Get<QPushButton>(2))
        connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
    if (auto* reset = m_controls.Get<QPushButton>(kResetId))
        connect(reset, &QPushButton::clicked, this, [this] { OnReset(); });
}

CSliderDialogCore::~CSliderDialogCore()
{
    // The trackbars outlive this part of the object: they must not ask it to paint.
    for (CTrackBar* bar : m_bar)
        if (bar) bar->SetOwner(nullptr);
}

int CSliderDialogCore::Index(int slider) const
{
    return std::clamp(slider, 1, m_sliders) - 1;
}

void CSliderDialogCore::SetSlider(int slider, int min, int max, int def)
{
    const int i = Index(slider);
    m_min[i] = min;
    m_max[i] = max;
    m_default[i] = def;
    m_value[i] = def;
}

void CSliderDialogCore::SetCaption(int slider, const QString& caption)
{
    m_caption[Index(slider)] = caption;
}

void CSliderDialogCore::SetConverter(double (*convert)(int), const char* format)
{
    m_convert = convert;
    m_format = format ? format : "%g";
    if (m_convert) m_converted = m_convert(m_default[0]);
}

CTrackBar* CSliderDialogCore::TrackBar(int slider) const
{
    return m_bar[Index(slider)];
}

QLabel* CSliderDialogCore::ValueLabel(int slider) const
{
    return m_label[Index(slider)];
}

QLabel* CSliderDialogCore::CaptionLabel(int slider) const
{
    return m_captionLabel[Index(slider)];
}

void CSliderDialogCore::CallHook(int slider, int position)
{
    switch (slider)
    {
    case 1:
        OnSlider1Changed(position);
        break;
    case 2:
        OnSlider2Changed(position);
        break;
    default:
        OnSlider3Changed(position);
        break;
    }
}

void CSliderDialogCore::ShowValue(int slider)
{
    SetSliderValueLabel(m_label[Index(slider)], m_value[Index(slider)]);
}

void CSliderDialogCore::ShowConverted()
{
    if (m_label[0]) m_label[0]->setText(QString::asprintf(m_format.c_str(), m_converted));
}

void CSliderDialogCore::SetValue(int slider, int value)
{
    const int i = Index(slider);
    {
        const QSignalBlocker block(m_bar[i]);
        m_bar[i]->setValue(value);
    }
    m_value[i] = m_bar[i]->value();
    ShowValue(slider);
}

void CSliderDialogCore::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_initialised) return;
    m_initialised = true;
    OnInitDialog();
}

void CSliderDialogCore::OnInitDialog()
{
    for (int s = 1; s <= m_sliders; ++s)
    {
        const int i = s - 1;
        CTrackBar* bar = m_bar[i];
        {
            const QSignalBlocker block(bar);
            bar->SetRangeAndSteps(m_min[i], m_max[i]);
            bar->setValue(m_default[i]);
        }
        // A default outside an empty or short range is held where the trackbar put it.
        m_value[i] = bar->value();
        ShowValue(s);
        if (m_captionLabel[i]) m_captionLabel[i]->setText(m_caption[i]);
    }
    setWindowTitle(m_title);
    for (int s = 1; s <= m_sliders; ++s)
        CallHook(s, m_value[s - 1]);
    if (m_convert)
    {
        m_converted = m_convert(m_value[0]);
        ShowConverted();
    }
    SetPreviewEffect(MakeEffect());
}

void CSliderDialogCore::OnHScroll(int slider)
{
    if (!m_initialised) return;
    if (m_convert)
    {
        const int position = m_bar[0]->value();
        const double converted = m_convert(position);
        if (converted == m_converted) return;
        m_converted = converted;
        ShowConverted();
        OnSlider1Changed(position);
        SetPreviewEffect(MakeEffect());
        return;
    }

    const std::array<int, 3> old = m_value;
    const int i = Index(slider);
    m_value[i] = m_bar[i]->value();
    ShowValue(slider);
    for (int s = 1; s <= m_sliders; ++s)
        if (m_value[s - 1] != old[s - 1]) CallHook(s, m_value[s - 1]);
    if (m_value == old) return; // nothing changed, or a hook set it back
    SetPreviewEffect(MakeEffect());
}

void CSliderDialogCore::OnReset()
{
    if (m_convert)
    {
        SetValue(1, m_default[0]);
        m_converted = m_convert(m_bar[0]->value());
        ShowConverted();
        OnSlider1Changed(m_bar[0]->value());
        ResetPreview(); // the default converts to the identity: the restored image is its preview
        return;
    }

    for (int s = 1; s <= m_sliders; ++s)
        SetValue(s, m_default[s - 1]);
    const bool hooksFirst = m_sliders == 3;
    if (!hooksFirst) ResetPreview();
    for (int s = 1; s <= m_sliders; ++s)
        CallHook(s, m_value[s - 1]);
    if (hooksFirst) ResetPreview();
    SetPreviewEffect(MakeEffect());
}

void CSliderDialogCore::accept()
{
    EndPreview();
    done(1);
}

void CSliderDialogCore::reject()
{
    EndPreview();
    done(2);
}

void DrawColourBarChannel(int id, QPainter& painter, const QRect& channel, const CTrackBar& bar)
{
    const QRect r = channel.adjusted(0, -2, 0, 2);
    CPreviewDialog::DrawSunkenChannel(painter, r, bar);

    QColor colour;
    switch (id)
    {
    case 1043:
        colour = QColor(255, 0, 0);
        break;
    case 1046:
        colour = QColor(0, 255, 0);
        break;
    case 1049:
        colour = QColor(0, 0, 255);
        break;
    default:
        return;
    }
    const int h = (bar.ThumbRect().width() + 1) / 2;
    const QRect colourBar(r.x() + h, r.y() + 1, r.width() - 2 * h, r.height() - 2);
    if (!colourBar.isEmpty()) painter.fillRect(colourBar, colour);
}
