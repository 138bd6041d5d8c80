#include "platform/qt/Prompt.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace
{
IPromptHandler* g_handler = nullptr;

QMessageBox::Icon ToQt(PromptIcon icon)
{
    switch (icon)
    {
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::Warning:
        return QMessageBox::Warning;
    case PromptIcon::Error:
        return QMessageBox::Critical;
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

int ShowPrompt(QWidget* owner, const QString& text, const QString& caption, PromptButtons buttons,
               PromptIcon icon)
{
    PromptRequest request{owner, text, caption, buttons, icon};
    if (g_handler) return g_handler->Ask(request);

    QMessageBox box(ToQt(icon), caption, text, QMessageBox::NoButton, owner);
    struct Choice
    {
        const char* text;
        QMessageBox::ButtonRole role;
        int answer;
    };
    std::vector<Choice> choices;
    switch (buttons)
    {
    case PromptButtons::Ok:
        choices = {{"OK", QMessageBox::AcceptRole, IDOK}};
        break;
    case PromptButtons::OkCancel:
        choices = {{"OK", QMessageBox::AcceptRole, IDOK}, {"Annuler", QMessageBox::RejectRole, IDCANCEL}};
        break;
    case PromptButtons::YesNo:
        choices = {{"Oui", QMessageBox::YesRole, IDYES}, {"Non", QMessageBox::NoRole, IDNO}};
        break;
    case PromptButtons::YesNoCancel:
        choices = {{"Oui", QMessageBox::YesRole, IDYES},
                   {"Non", QMessageBox::NoRole, IDNO},
                   {"Annuler", QMessageBox::RejectRole, IDCANCEL}};
        break;
    }
    std::vector<QPushButton*> made;
    for (const Choice& c : choices)
        made.push_back(box.addButton(QString::fromUtf8(c.text), c.role));
    box.setDefaultButton(made.front());
    box.setEscapeButton(made.back());
    box.exec();
    for (std::size_t i = 0; i < made.size(); ++i)
        if (box.clickedButton() == made[i]) return choices[i].answer;
    return choices.back().answer;
}

void MessageBeep()
{
    if (g_handler)
        g_handler->Beep();
    else
        QApplication::beep();
}

IPromptHandler* SetPromptHandler(IPromptHandler* handler)
{
    IPromptHandler* previous = g_handler;
    g_handler = handler;
    return previous;
}
