#include "dialogs/NoiseLevelDialogs.h"

#include "document/DedicatedDialogCommands.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QSignalBlocker>

// ---- Noise ----

CBruiterDialog::CBruiterDialog(IPreviewDocument* doc, QWidget* parent, const DialogBaseUnits* base)
    : CEffectDialogBase(doc, 218, parent, base)
{
    m_pBar = Control<CTrackBar>(1043);
    m_pLabel = Control<QLabel>(1044);
    m_pCheck = Control<QCheckBox>(kCheckId);
    if (m_pBar) connect(m_pBar, &QSlider::valueChanged, this, [this] { OnHScroll(); });
    if (m_pCheck)
        connect(m_pCheck, &QAbstractButton::clicked, this,
                [this]
                {
                    m_bIndependent = m_pCheck->isChecked();
                    UpdatePreview();
                });
}

std::unique_ptr<FCImageEffect> CBruiterDialog::MakeEffect() const
{
    return MakeNoiseEffect(m_nAmount, m_bIndependent);
}

void CBruiterDialog::OnInitDialog()
{
    m_nAmount = kDefaultAmount;
    m_bIndependent = false;
    if (m_pBar)
    {
        const QSignalBlocker block(m_pBar);
        m_pBar->setRange(1, 100);
        m_pBar->setPageStep(10);
        m_pBar->setTickInterval(100);
        m_pBar->setValue(m_nAmount);
    }
    SetSliderValueLabel(m_pLabel, m_nAmount);
    if (m_pCheck) m_pCheck->setChecked(false);
    UpdatePreview();
}

void CBruiterDialog::OnHScroll()
{
    if (!IsInitialised() || !m_pBar) return;
    const int old = m_nAmount;
    m_nAmount = m_pBar->value();
    SetSliderValueLabel(m_pLabel, m_nAmount);
    if (m_nAmount != old) UpdatePreview();
}

void CBruiterDialog::OnReset()
{
    m_nAmount = kDefaultAmount;
    if (m_pBar)
    {
        const QSignalBlocker block(m_pBar);
        m_pBar->setValue(m_nAmount);
    }
    SetSliderValueLabel(m_pLabel, m_nAmount);
    ResetPreview();
    UpdatePreview(); // the check box keeps its state
}

// ---- Number of levels ----

CNbNiveauxDialog::CNbNiveauxDialog(IPreviewDocument* doc, QWidget* parent, const DialogBaseUnits* base)
    : CEffectDialogBase(doc, 219, parent, base)
{
    for (int id = kFirstButton; id <= kLastButton; ++id)
        if (auto* button = Control<QAbstractButton>(id))
            connect(button, &QAbstractButton::clicked, this, [this, id] { OnLevelsRadio(id); });
}

int CNbNiveauxDialog::LevelsOfButton(int id)
{
    switch (id)
    {
    case 1064:
        return 2;
    case 1066:
        return 4;
    case 1065:
        return 8;
    case 1067:
        return 16;
    case 1068:
        return 32;
    case 1069:
        return 64;
    case 1070:
        return 128;
    default:
        return 0;
    }
}

std::unique_ptr<FCImageEffect> CNbNiveauxDialog::MakeEffect() const
{
    return MakeLevelCountEffect(m_nLevels);
}

void CNbNiveauxDialog::CheckButton(int id)
{
    for (int b = kFirstButton; b <= kLastButton; ++b)
        if (auto* button = Control<QAbstractButton>(b)) button->setChecked(b == id);
}

void CNbNiveauxDialog::OnInitDialog()
{
    m_nLevels = 128;
    CheckButton(kLastButton);
    UpdatePreview();
}

void CNbNiveauxDialog::OnLevelsRadio(int id)
{
    m_nLevels = LevelsOfButton(id);
    UpdatePreview();
}

void CNbNiveauxDialog::OnReset()
{
    m_nLevels = 128;
    CheckButton(kLastButton);
    ResetPreview();
    UpdatePreview();
}
