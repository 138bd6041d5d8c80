#include "dialogs/DistortCannyDialogs.h"

#include "dialogs/CEffectDialogBase.h"
#include "dialogs/DialogInput.h"
#include "platform/qt/Prompt.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

DistortDialogTexts LosangeDialogTexts()
{
    return {QStringLiteral("Déformation en losange"), QStringLiteral("Décalage côté bas"),
            QStringLiteral("Décalage côté droit")};
}

DistortDialogTexts TrapezeDialogTexts()
{
    return {QStringLiteral("Déformation en trapèze"), QStringLiteral("Gain en hauteur"),
            QStringLiteral("Gain en largeur")};
}

// ---- Rhombus and trapezium ----

CLosangetrapezedialog::CLosangetrapezedialog(const DistortDialogTexts& texts, QWidget* parent,
                                             const DialogBaseUnits* base)
    : QDialog(parent), m_texts(texts)
{
    if (const DialogTemplate* t = FindDialogTemplate(221)) m_controls = BuildDialog(*this, *t, base);
    CEffectDialogBase::FitTexts(*this);
    const auto onClick = [this](int id, auto action)
    {
        if (auto* b = m_controls.Get<QAbstractButton>(id))
            connect(b, &QAbstractButton::clicked, this, action);
    };
    onClick(1, [this] { accept(); });
    onClick(2, [this] { reject(); });
    onClick(kResetId, [this] { OnReset(); });
    onClick(kLeftId, [this] { SetLeft(true); });
    onClick(kRightId, [this] { SetLeft(false); });
    onClick(kUpId, [this] { SetUp(true); });
    onClick(kDownId, [this] { SetUp(false); });
}

void CLosangetrapezedialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_initialised) return;
    m_initialised = true;
    OnInitDialog();
}

void CLosangetrapezedialog::SetLeft(bool left)
{
    m_values.left = left;
    CheckDirections();
}

void CLosangetrapezedialog::SetUp(bool up)
{
    m_values.up = up;
    CheckDirections();
}

void CLosangetrapezedialog::CheckDirections()
{
    const auto check = [this](int id, bool on)
    {
        if (auto* b = m_controls.Get<QAbstractButton>(id)) b->setChecked(on);
    };
    check(m_values.up ? kUpId : kDownId, true);
    check(m_values.left ? kLeftId : kRightId, true);
}

void CLosangetrapezedialog::OnInitDialog()
{
    for (int id : {kRow1Edit, kRow2Edit})
        if (auto* e = m_controls.Get<QLineEdit>(id)) e->setMaxLength(5);
    SetDlgInt(m_controls.Get<QLineEdit>(kRow2Edit), m_values.row2);
    SetDlgInt(m_controls.Get<QLineEdit>(kRow1Edit), m_values.row1);
    CheckDirections();
    if (auto* l = m_controls.Get<QLabel>(1074)) l->setText(m_texts.row1Caption);
    if (auto* l = m_controls.Get<QLabel>(1075)) l->setText(m_texts.row2Caption);
    setWindowTitle(m_texts.title);
}

void CLosangetrapezedialog::OnReset()
{
    m_values = DistortValues{};
    CheckDirections();
    SetDlgInt(m_controls.Get<QLineEdit>(kRow1Edit), 0);
    SetDlgInt(m_controls.Get<QLineEdit>(kRow2Edit), 0);
}

void CLosangetrapezedialog::OnCloseCmd(int id)
{
    // Both rows are read, whichever of them does not hold a number.
    bool bad = false;
    const auto read = [&](int editId)
    {
        const auto* edit = m_controls.Get<QLineEdit>(editId);
        const std::optional<int> v = edit ? ParseDlgInt(edit->text()) : std::nullopt;
        if (!v) bad = true;
        return v.value_or(0);
    };
    m_values.row2 = read(kRow2Edit);
    m_values.row1 = read(kRow1Edit);
    if (bad) MessageBeep();
    done(id);
}

void CLosangetrapezedialog::accept()
{
    OnCloseCmd(1);
}

void CLosangetrapezedialog::reject()
{
    OnCloseCmd(2);
}

// ---- Canny ----

CCannydialog::CCannydialog(QWidget* parent, const DialogBaseUnits* base) : QDialog(parent)
{
    if (const DialogTemplate* t = FindDialogTemplate(222)) m_controls = BuildDialog(*this, *t, base);
    CEffectDialogBase::FitTexts(*this);
    if (auto* ok = m_controls.Get<QPushButton>(1))
        connect(ok, &QPushButton::clicked, this, [this] { accept(); });
    if (auto* cancel = m_controls.Get<QPushButton>(2))
        connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
    if (auto* box = m_controls.Get<QCheckBox>(kNonMaximaId)) box->setChecked(true);
    if (auto* box = m_controls.Get<QCheckBox>(kGaussId)) box->setChecked(false);
}

void CCannydialog::StoreFlags()
{
    if (auto* box = m_controls.Get<QCheckBox>(kGaussId)) m_bGauss5x5 = box->isChecked();
    if (auto* box = m_controls.Get<QCheckBox>(kNonMaximaId)) m_bRemoveNonMaxima = box->isChecked();
}

void CCannydialog::accept()
{
    StoreFlags();
    done(1);
}

void CCannydialog::reject()
{
    StoreFlags();
    done(2);
}
