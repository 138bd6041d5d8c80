// The main frame under test: settings in a folder of its own, message boxes and dialogs answered
// from a script, image files made in a temporary folder.
#pragma once

#include "TestImages.h"

#include "document/CImageDoc.h"
#include "imagelib/FCImageCodec.h"
#include "imagelib/FCImageProperty.h"
#include "platform/qt/Prompt.h"
#include "platform/settings/Settings.h"
#include "platform/settings/SettingsStore.h"
#include "shell/CMainFrame.h"
#include "shell/ShellDialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>

#include <deque>
#include <memory>
#include <vector>

namespace testshell
{
class ScriptedPrompt : public IPromptHandler
{
public:
    int Ask(const PromptRequest& r) override
    {
        asked.push_back(r);
        if (answers.empty()) return r.buttons == PromptButtons::YesNoCancel ? IDCANCEL : IDOK;
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    void Beep() override { ++beeps; }
    std::vector<PromptRequest> asked;
    std::deque<int> answers;
    int beeps = 0;
};

class ScriptedDialogs : public IShellDialogs
{
public:
    std::optional<OpenFileChoice> AskOpenFile(QWidget* parent, const QString& folder) override
    {
        parents.push_back(parent);
        openFolders.push_back(folder);
        return open;
    }
    std::optional<NewImageChoice> AskNewImage(QWidget*) override { return newImage; }
    std::optional<SaveAsFileChoice> AskSaveAs(QWidget*, const QString&, const QString&) override
    {
        return saveAs;
    }
    void ShowAbout(QWidget* parent) override
    {
        parents.push_back(parent);
        ++abouts;
    }
    void ShowInfo(QWidget*, const QString& path, const QString& title, const QString& text) override
    {
        infos.push_back({path, title, text});
    }

    std::vector<QWidget*> parents; // of the open dialogs and the about boxes
    std::vector<QString> openFolders;
    std::optional<OpenFileChoice> open;
    std::optional<NewImageChoice> newImage;
    std::optional<SaveAsFileChoice> saveAs;
    int abouts = 0;
    std::vector<QStringList> infos; // path, title, text
};

// Settings in a folder of their own for the life of the object.
struct IsolatedSettings
{
    IsolatedSettings()
    {
        previous = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    }
    ~IsolatedSettings() { qputenv("XDG_CONFIG_HOME", previous); }
    // Writes a raw value under the options key (or its subkey).
    void Write(const std::wstring& subkey, const std::wstring& name, DWORD type, const std::string& data)
    {
        SettingsKey key;
        std::wstring path = GetSettingsKeyPath();
        if (!subkey.empty()) path += L"\\" + subkey;
        key.Open(GetSettingsFile(), path, true);
        key.SetValue(name, type, data);
    }
    static std::string Dword(std::int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
    // Reads a raw value; type REG_NONE when missing.
    SettingsValue Read(const std::wstring& subkey, const std::wstring& name)
    {
        SettingsKey key;
        std::wstring path = GetSettingsKeyPath();
        if (!subkey.empty()) path += L"\\" + subkey;
        SettingsValue v;
        if (key.Open(GetSettingsFile(), path, false) == ERROR_SUCCESS) key.QueryValue(name, v, 1 << 16);
        return v;
    }
    QTemporaryDir dir;
    QByteArray previous;
};

struct FrameFixture
{
    explicit FrameFixture(bool create = true)
    {
        SetPromptHandler(&prompt);
        SetShellDialogs(&dialogs);
        FCObjImage::SetCodecFactory(new CImageCodecFactory);
        if (create) Create();
    }
    void Create()
    {
        frame = std::make_unique<CMainFrame>();
        frame->Create();
        frame->show();
    }
    ~FrameFixture()
    {
        frame.reset();
        SetPromptHandler(nullptr);
        SetShellDialogs(nullptr);
    }

    // An image file of our own making.
    QString MakeImage(const QString& name, int w = 40, int h = 30, int bpp = 24)
    {
        const QString path = files.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        testimg::Varied(w, h, bpp).Save(path.toStdWString().c_str(), FCImageProperty());
        return path;
    }
    void Settle()
    {
        for (int i = 0; i < 3; ++i)
        {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
    int Windows() { return frame ? int(frame->MdiArea()->subWindowList().size()) : 0; }

    IsolatedSettings settings;
    ScriptedPrompt prompt;
    ScriptedDialogs dialogs;
    QTemporaryDir files;
    std::unique_ptr<CMainFrame> frame;
};
} // namespace testshell
