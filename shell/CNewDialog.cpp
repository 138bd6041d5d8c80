#include "shell/CNewDialog.h"

#include "platform/qt/Prompt.h"
#include "shell/ShellText.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

CNewDialog::CNewDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Nouvelle Image"));
    m_widthEdit = new QLineEdit(QString::number(m_width));
    m_heightEdit = new QLineEdit(QString::number(m_height));
    m_widthEdit->setObjectName(QStringLiteral("1004"));
    m_heightEdit->setObjectName(QStringLiteral("1005"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Largeur:"), m_widthEdit);
    form->addRow(QStringLiteral("Hauteur:"), m_heightEdit);

    auto* colours = new QGroupBox(QStringLiteral("Couleurs:"));
    auto* radioLayout = new QHBoxLayout(colours);
    auto* group = new QButtonGroup(this);
    const char* labels[3] = {"Gris", "RVB", "RVBA"};
    for (int i = 0; i < 3; ++i)
    {
        m_radios[i] = new QRadioButton(QString::fromUtf8(labels[i]));
        m_radios[i]->setObjectName(QString::number(1006 + i));
        group->addButton(m_radios[i], i);
        radioLayout->addWidget(m_radios[i]);
    }
    m_radios[m_type]->setChecked(true);
    connect(group, &QButtonGroup::idClicked, this, &CNewDialog::OnTypeRadio);

    auto* buttons = new QDialogButtonBox;
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this,
            [this]
            {
                if (OnCloseCmd()) accept();
            });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(colours);
    layout->addWidget(buttons);
}

void CNewDialog::OnTypeRadio(int type)
{
    if (type < 0 || type > 2) return;
    m_radios[type]->setChecked(true);
    m_type = type;
}

bool CNewDialog::OnCloseCmd()
{
    int width = 0, height = 0;
    if (!ParseDialogInt(m_widthEdit->text(), width))
    {
        MessageBeep();
        m_widthEdit->setFocus();
        return false;
    }
    if (!ParseDialogInt(m_heightEdit->text(), height))
    {
        MessageBeep();
        m_heightEdit->setFocus();
        return false;
    }
    m_width = width;
    m_height = height;
    return true;
}
