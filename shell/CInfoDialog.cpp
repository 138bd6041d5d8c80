#include "shell/CInfoDialog.h"

#include "platform/qt/ShellVerbs.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

CInfoDialog::CInfoDialog(const QString& path, const QString& title, const QString& text, QWidget* parent)
    : QDialog(parent), m_path(path)
{
    setWindowTitle(QStringLiteral("Informations ") + title);
    m_text = new QPlainTextEdit;
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_text->setPlainText(shown);
    m_properties = new QPushButton(QStringLiteral("Informations fichier..."));
    m_properties->setEnabled(!path.isEmpty());
    connect(m_properties, &QPushButton::clicked, this, &CInfoDialog::OnProperties);
    auto* close = new QPushButton(QStringLiteral("Fermer"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_properties);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text, 1);
    layout->addLayout(buttons);
    resize(460, 360);
}

void CInfoDialog::OnProperties()
{
    if (!m_path.isEmpty()) ShellVerbs().Properties(m_path, parentWidget());
}
