// The desktop's verbs on a file or an address: open it with its program, print it, show its
// properties. One interface so that tests can record the calls in place of the desktop.
#pragma once

#include <QString>

class QWidget;

class IShellVerbs
{
public:
    virtual ~IShellVerbs() = default;
    // An address (http...) or a local path, opened by the desktop's program for it.
    virtual bool Open(const QString& target) = 0;
    // Prints a file on the default printer (the print spooler, no shell involved); false when the
    // spooler refused it.
    virtual bool Print(const QString& path) = 0;
    // Whether a print spooler is there to take files at all.
    virtual bool HasPrintingSystem() { return true; }
    // The file manager's properties window of the file, or our own summary when there is none.
    virtual bool Properties(const QString& path, QWidget* parent) = 0;
};

// The verbs in force: the desktop's unless a test installed others.
IShellVerbs& ShellVerbs();

// Installs verbs in place of the desktop's; null puts the desktop's back. Returns the previous.
IShellVerbs* SetShellVerbs(IShellVerbs* verbs);

// The French summary shown when the desktop has no properties window: name, folder, size in
// bytes, last change.
QString FilePropertiesText(const QString& path);
