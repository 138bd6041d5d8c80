#include "platform/qt/Prompt.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

#include <vector>

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

// Without an escape answer, Qt would take the one "No" button for it: Escape and closing the
// window are refused instead.
class EscapeGuard : public QObject
{
public:
    explicit EscapeGuard(bool active) : m_active(active) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_active)
        {
            if (event->type() == QEvent::Close)
            {
                event->ignore();
                return true;
            }
            if (event->type() == QEvent::KeyPress &&
                static_cast<QKeyEvent*>(event)->matches(QKeySequence::Cancel))
                return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_active;
};
} // namespace

int ShowPrompt(QWidget* owner, const QString& text, const QString& caption, PromptButtons buttons,
               PromptIcon icon)
{
    PromptRequest request{owner, text, caption, buttons, icon};
    if (g_handler) return g_handler->Ask(request);

    // Qt would title an untitled window with the program's name: a box the program leaves
    // untitled shows an empty title bar.
    QMessageBox box(ToQt(icon), caption.isEmpty() ? QStringLiteral(" ") : caption, text,
                    QMessageBox::NoButton, owner);
    struct Choice
    {
        const char* text;
        QMessageBox::ButtonRole role;
        int answer;
    };
    // The buttons and their letters are those of the desktop's own French boxes: O answers Oui,
    // N answers Non (without Alt), Enter the first button.
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
        choices = {{"&Oui", QMessageBox::YesRole, IDYES}, {"&Non", QMessageBox::NoRole, IDNO}};
        break;
    case PromptButtons::YesNoCancel:
        choices = {{"&Oui", QMessageBox::YesRole, IDYES},
                   {"&Non", QMessageBox::NoRole, IDNO},
                   {"Annuler", QMessageBox::RejectRole, IDCANCEL}};
        break;
    }
    std::vector<QPushButton*> made;
    for (const Choice& c : choices)
        made.push_back(box.addButton(QString::fromUtf8(c.text), c.role));
    box.setDefaultButton(made.front());
    // Escape (and the title bar's close) answers Annuler, or OK when it is the only button; a
    // Yes/No question must be answered with one of its two buttons.
    QPushButton* escape = nullptr;
    int escapeAnswer = choices.front().answer;
    for (std::size_t i = 0; i < made.size(); ++i)
        if (choices[i].answer == IDCANCEL || choices.size() == 1)
        {
            escape = made[i];
            escapeAnswer = choices[i].answer;
        }
    box.setEscapeButton(escape);
    EscapeGuard guard(escape == nullptr);
    box.installEventFilter(&guard);
    box.exec();
    for (std::size_t i = 0; i < made.size(); ++i)
        if (box.clickedButton() == made[i]) return choices[i].answer;
    return escapeAnswer;
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
