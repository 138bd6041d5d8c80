#include "shell/CInfoDialog.h"

#include "platform/qt/ShellVerbs.h"
#include "shell/DialogRules.h"

#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QPushButton>

CInfoDialog::CInfoDialog(const QString& path, const QString& title, const QString& text, QWidget* parent,
                         const DialogBaseUnits* base)
    : QDialog(parent), m_path(path)
{
    m_controls = BuildDialog(*this, *FindDialogTemplate(207), base);
    setWindowTitle(QStringLiteral("Informations ") + title);
    m_text = m_controls.Get<QPlainTextEdit>(1009);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_text->setPlainText(shown);
    SetScrollBars(text);
    m_properties = m_controls.Get<QPushButton>(1010);
    m_properties->setEnabled(!path.isEmpty());
    connect(m_properties, &QPushButton::clicked, this, &CInfoDialog::OnProperties);
    auto* close = m_controls.Get<QPushButton>(1);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    close->setFocus();
}

void CInfoDialog::SetScrollBars(const QString& text)
{
    const QFontMetrics metrics(m_text->font());
    const QSize client = m_text->contentsRect().size();
    // A line is as high as a space is: the font's height.
    const ScrollBarsNeeded bars = InfoScrollBars(
        text, metrics.height(), [&metrics](const QString& line) { return metrics.horizontalAdvance(line); },
        client.width(), client.height());
    m_text->setHorizontalScrollBarPolicy(bars.horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    m_text->setVerticalScrollBarPolicy(bars.vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void CInfoDialog::OnProperties()
{
    if (!m_path.isEmpty()) ShellVerbs().Properties(m_path, parentWidget());
}
