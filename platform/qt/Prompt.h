// Message boxes and beeps. The buttons carry French texts whatever the installed translations;
// tests install a handler that answers in place of the user and records what was asked.
#pragma once

#include <QString>

class QWidget;

enum class PromptButtons
{
    Ok,
    OkCancel,
    YesNo,
    YesNoCancel,
};

enum class PromptIcon
{
    None,
    Information,
    Warning,
    Error,
    Question,
};

// The answers, numbered as the program has always numbered them.
enum : int
{
    IDOK = 1,
    IDCANCEL = 2,
    IDYES = 6,
    IDNO = 7,
};

struct PromptRequest
{
    QWidget* owner = nullptr;
    QString text;
    QString caption;
    PromptButtons buttons = PromptButtons::Ok;
    PromptIcon icon = PromptIcon::None;
};

class IPromptHandler
{
public:
    virtual ~IPromptHandler() = default;
    virtual int Ask(const PromptRequest& request) = 0;
    virtual void Beep() = 0;
};

// Shows a modal message box (or asks the installed handler) and returns IDOK, IDCANCEL, IDYES or
// IDNO. The buttons carry the desktop's letters (O for Oui, N for Non); Enter answers the first
// button; Escape and closing the window answer Annuler, or OK when it is the only button, and do
// nothing in a Yes/No question. An empty caption gives an empty title bar.
int ShowPrompt(QWidget* owner, const QString& text, const QString& caption,
               PromptButtons buttons = PromptButtons::Ok, PromptIcon icon = PromptIcon::None);

// The system beep (or the handler's).
void MessageBeep();

// Installs a handler in place of the real boxes; null puts the real boxes back. Returns the
// previous handler.
IPromptHandler* SetPromptHandler(IPromptHandler* handler);
