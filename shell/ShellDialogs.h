// The shell's modal dialogs behind one interface: the real dialogs by default, scripted answers
// in tests.
#pragma once

#include <QString>

#include <optional>

class QWidget;

struct OpenFileChoice
{
    QString path;
    bool readOnly = false;
};

struct NewImageChoice
{
    int width = 256;
    int height = 256;
    int bpp = 24;
};

struct SaveAsFileChoice
{
    QString path;
    QString fileTitle;
};

class IShellDialogs
{
public:
    virtual ~IShellDialogs() = default;
    virtual std::optional<OpenFileChoice> AskOpenFile(QWidget* parent, const QString& folder) = 0;
    virtual std::optional<NewImageChoice> AskNewImage(QWidget* parent) = 0;
    virtual std::optional<SaveAsFileChoice> AskSaveAs(QWidget* parent, const QString& name,
                                                      const QString& folder) = 0;
    virtual void ShowAbout(QWidget* parent) = 0;
    // The information box of a document: its text, its title, its file's properties button.
    virtual void ShowInfo(QWidget* parent, const QString& path, const QString& title,
                          const QString& text) = 0;
};

IShellDialogs& ShellDialogs();
// Installs dialogs in place of the real ones; null puts the real ones back. Returns the previous.
IShellDialogs* SetShellDialogs(IShellDialogs* dialogs);
