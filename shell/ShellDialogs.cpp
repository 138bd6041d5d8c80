#include "shell/ShellDialogs.h"

#include "platform/qt/PathNames.h"
#include "shell/CAboutDlg.h"
#include "shell/CFilePreviewDialog.h"
#include "shell/CFileSaveAsDialog.h"
#include "shell/CInfoDialog.h"
#include "shell/CNewDialog.h"

#include <QApplication>
#include <QFileInfo>

namespace
{
class RealDialogs : public IShellDialogs
{
public:
    std::optional<OpenFileChoice> AskOpenFile(QWidget* parent, const QString& folder) override
    {
        CFilePreviewDialog dialog(QtReachableFolder(folder), parent ? parent : QApplication::activeWindow());
        if (dialog.exec() != QDialog::Accepted || dialog.ChosenPath().isEmpty()) return std::nullopt;
        return OpenFileChoice{dialog.ChosenPath(), dialog.IsReadOnlyChecked()};
    }

    std::optional<NewImageChoice> AskNewImage(QWidget* parent) override
    {
        CNewDialog dialog(parent);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return NewImageChoice{dialog.m_width, dialog.m_height, dialog.BitsPerPixel()};
    }

    std::optional<SaveAsFileChoice> AskSaveAs(QWidget* parent, const QString& name,
                                              const QString& folder) override
    {
        CFileSaveAsDialog dialog(name, QtReachableFolder(folder),
                                 parent ? parent : QApplication::activeWindow());
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        const QString path = dialog.selectedFiles().front();
        return SaveAsFileChoice{path, QFileInfo(path).fileName()};
    }

    void ShowAbout(QWidget* parent) override
    {
        CAboutDlg dialog(parent ? parent : QApplication::activeWindow());
        dialog.exec();
    }

    void ShowInfo(QWidget* parent, const QString& path, const QString& title, const QString& text) override
    {
        CInfoDialog dialog(path, title, text, parent ? parent : QApplication::activeWindow());
        dialog.exec();
    }
};

RealDialogs g_real;
IShellDialogs* g_dialogs = nullptr;
} // namespace

IShellDialogs& ShellDialogs()
{
    return g_dialogs ? *g_dialogs : g_real;
}

IShellDialogs* SetShellDialogs(IShellDialogs* dialogs)
{
    IShellDialogs* previous = g_dialogs;
    g_dialogs = dialogs;
    return previous;
}
