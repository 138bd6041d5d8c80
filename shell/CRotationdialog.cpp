#include "shell/CRotationdialog.h"

#include "shell/DialogRules.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace
{
// The field reads at most this many characters, as it always has.
constexpr int kAngleTextMax = 99;
} // namespace

CRotationdialog::CRotationdialog(QWidget* parent, const DialogBaseUnits* base) : QDialog(parent)
{
    m_controls = BuildDialog(*this, *FindDialogTemplate(209), base);
    m_controls.Get<QAbstractButton>(1027)->setChecked(true);
    m_controls.Get<QAbstractButton>(1028)->setChecked(true);
    QLineEdit* edit = AngleEdit();
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textEdited, this, [this] { OnAngleChange(); });
    connect(m_controls.Get<QPushButton>(1), &QPushButton::clicked, this, &QDialog::accept);
    connect(m_controls.Get<QPushButton>(2), &QPushButton::clicked, this, &QDialog::reject);
    edit->setFocus();
}

QLineEdit* CRotationdialog::AngleEdit() const
{
    return m_controls.Get<QLineEdit>(1025);
}

bool CRotationdialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == AngleEdit() && event->type() == QEvent::KeyPress)
    {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        for (const QChar c : text)
            if (c.isPrint() && !IsAngleCharacter(c)) return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CRotationdialog::OnAngleChange()
{
    QLineEdit* edit = AngleEdit();
    const QString text = edit->text().left(kAngleTextMax);
    QString dotted = text;
    dotted.replace(QLatin1Char(','), QLatin1Char('.'));
    if (const std::optional<double> angle = ParseAngleText(dotted))
    {
        m_lastText = text;
        m_selectionStart =
            edit->hasSelectedText() ? int(edit->selectionStart()) : int(edit->cursorPosition());
        m_selectionEnd = edit->hasSelectedText() ? int(edit->selectionEnd()) : m_selectionStart;
        m_angle = *angle;
        return;
    }
    edit->setText(m_lastText);
    if (m_selectionEnd > m_selectionStart)
        edit->setSelection(m_selectionStart, m_selectionEnd - m_selectionStart);
    else
        edit->setCursorPosition(m_selectionStart);
}

void CRotationdialog::OnOK()
{
    // Read as it stands: a comma does not read here, and the angle kept while typing stays.
    if (const std::optional<double> angle = ParseAngleText(AngleEdit()->text().left(kAngleTextMax)))
        m_angle = *angle;
    m_bRight = m_controls.Get<QAbstractButton>(1027)->isChecked();
    m_bFit = m_controls.Get<QAbstractButton>(1028)->isChecked();
    m_bFreeImage = m_controls.Get<QAbstractButton>(1099)->isChecked();
}

void CRotationdialog::done(int result)
{
    OnOK();
    QDialog::done(result);
}
