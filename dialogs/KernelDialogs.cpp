#include "dialogs/KernelDialogs.h"

#include "dialogs/DialogInput.h"
#include "platform/qt/Prompt.h"

#include <QLineEdit>
#include <QPushButton>

CFiltre5x5Dialog::CFiltre5x5Dialog(IPreviewDocument* doc, QWidget* parent, const DialogBaseUnits* base)
    : CEffectDialogBase(doc, 229, parent, base), m_pFilter(new CNumericEditFilter(this))
{
    if (auto* show = Control<QPushButton>(kShowId))
        connect(show, &QPushButton::clicked, this, [this] { OnShow(); });
}

QLineEdit* CFiltre5x5Dialog::Edit(int id) const
{
    return Control<QLineEdit>(id);
}

std::unique_ptr<FCImageEffect> CFiltre5x5Dialog::MakeEffect() const
{
    return MakeKernelEffect(m_values, KernelSize());
}

bool CFiltre5x5Dialog::Exchange(bool save)
{
    const auto fields = [this](auto&& each)
    {
        each(kDivisorId, m_values.divisor);
        each(kOffsetId, m_values.offset);
        for (int i = 0; i < 25; ++i)
            each(kFirstCell + i, m_values.grid[std::size_t(i)]);
    };
    if (!save)
    {
        fields([this](int id, int& value) { SetDlgInt(Edit(id), value); });
        return true;
    }
    QLineEdit* firstBad = nullptr;
    fields(
        [&](int id, int& value)
        {
            QLineEdit* edit = Edit(id);
            const std::optional<int> v = edit ? ParseDlgInt(edit->text()) : std::nullopt;
            value = v.value_or(0);
            if (!v && !firstBad) firstBad = edit;
        });
    if (!firstBad) return true;
    MessageBeep();
    firstBad->setFocus();
    return false;
}

void CFiltre5x5Dialog::OnInitDialog()
{
    for (int i = 0; i < 25; ++i)
        if (QLineEdit* e = Edit(kFirstCell + i))
        {
            e->setMaxLength(4);
            e->installEventFilter(m_pFilter);
        }
    if (QLineEdit* e = Edit(kOffsetId))
    {
        e->setMaxLength(3);
        e->installEventFilter(m_pFilter);
    }
    Exchange(false);
    UpdatePreview();
}

void CFiltre5x5Dialog::OnShow()
{
    Exchange(true);
    UpdatePreview();
}

void CFiltre5x5Dialog::OnReset()
{
    m_values = KernelValues{};
    Exchange(false);
    ResetPreview();
    UpdatePreview();
}

void CFiltre5x5Dialog::accept()
{
    Exchange(true);
    CEffectDialogBase::accept();
}

void CFiltre5x5Dialog::reject()
{
    Exchange(true);
    CEffectDialogBase::reject();
}

CFiltre3x3Dialog::CFiltre3x3Dialog(IPreviewDocument* doc, QWidget* parent, const DialogBaseUnits* base)
    : CFiltre5x5Dialog(doc, parent, base)
{
}

bool CFiltre3x3Dialog::IsCentreCell(int index)
{
    const int row = index / 5, column = index % 5;
    return row >= 1 && row <= 3 && column >= 1 && column <= 3;
}

void CFiltre3x3Dialog::OnInitDialog()
{
    CFiltre5x5Dialog::OnInitDialog();
    for (int i = 0; i < 25; ++i)
        if (!IsCentreCell(i))
            if (QLineEdit* e = Edit(kFirstCell + i)) e->hide();
    setWindowTitle(QStringLiteral("Filtre 3 x 3"));
}
