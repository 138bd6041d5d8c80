// A file whose name is not UTF-8 (Latin-1 "café.png", as older programs and cameras write it)
// opens from the command line, a drop, the open dialog (where Qt cannot list it, by its typed
// name) and the recent-file list, and keeps its bytes through the settings.
#include "ShellFixture.h"

#include "platform/TextConv.h"
#include "platform/qt/PathNames.h"
#include "shell/CFilePreviewDialog.h"
#include "resources/CommandIds.h"
#include "shell/Run.h"

#include <QLineEdit>

#include <filesystem>
#include <unistd.h>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

using testshell::FrameFixture;
using testshell::IsolatedSettings;

namespace
{
// A picture under a Latin-1 name in the fixture's folder; the system's bytes of its path.
std::string MakeLatin1Picture(FrameFixture& f, int width = 30)
{
    const std::string native = NativePath(f.files.path()).toStdString() + "/caf\xE9.png";
    EXPECT_TRUE(testimg::Varied(width, 20, 24).Save(NativeToPath(native).c_str(), FCImageProperty()));
    return native;
}
} // namespace

TEST(NonUtf8Names, CommandLineDropAndRecentList)
{
    FrameFixture f(false);
    const std::string native = MakeLatin1Picture(f);
    f.settings.Write(L"", L"SplashTimer", REG_DWORD, IsolatedSettings::Dword(0));

    // The command line, as main() builds it from argv.
    int documents = -1;
    std::string opened;
    RunHooks hooks;
    hooks.started = [&](CMainFrame& frame)
    {
        documents = frame.GetDocumentCount();
        if (documents == 1) opened = PathToNative(frame.GetDocument(0)->GetPath());
        QTimer::singleShot(0, &frame, [&frame] { frame.close(); });
    };
    EXPECT_EQ(::Run({QStringLiteral("orvalis"), QPathFromNative(native.c_str())}, hooks), 1);
    EXPECT_EQ(documents, 1);
    EXPECT_EQ(opened, native);

    // The recent list kept it through the settings, byte for byte, and opens it again.
    f.Create();
    ASSERT_FALSE(f.frame->RecentFiles().Entries().isEmpty());
    EXPECT_EQ(NativePath(f.frame->RecentFiles().Entries().back()).toStdString(), native);
    f.frame->OnFileRecent(kCmdFileMruFirst);
    ASSERT_EQ(f.frame->GetDocumentCount(), 1);
    EXPECT_EQ(PathToNative(f.frame->GetDocument(0)->GetPath()), native);
    EXPECT_TRUE(f.prompt.asked.empty());

    // A drop names the file by a URL with the name's bytes percent-encoded.
    const QUrl url =
        QUrl::fromEncoded(QByteArray("file://") + QByteArray(native.data()).toPercentEncoding("/"));
    EXPECT_EQ(NativePath(LocalPathOfUrl(url)).toStdString(), native);
    f.frame->OnDropFiles({LocalPathOfUrl(url)});
    EXPECT_EQ(f.Windows(), 2);
    EXPECT_EQ(f.frame->GetDocumentCount(), 1) << "the same file, a second window";

    // Relative to the current folder, it is still that file; a name that differs in its kept
    // byte only is another file.
    const QString previous = QDir::currentPath();
    ASSERT_EQ(::chdir(NativePath(f.files.path()).constData()), 0);
    EXPECT_TRUE(f.frame->OpenFile(QPathFromNative("caf\xE9.png"), false));
    EXPECT_EQ(f.frame->GetDocumentCount(), 1);
    const std::string other = NativePath(f.files.path()).toStdString() + "/caf\xEA.png";
    ASSERT_TRUE(testimg::Varied(12, 12, 24).Save(NativeToPath(other).c_str(), FCImageProperty()));
    EXPECT_TRUE(f.frame->OpenFile(QPathFromNative("caf\xEA.png"), false));
    ASSERT_EQ(f.frame->GetDocumentCount(), 2);
    EXPECT_EQ(PathToNative(f.frame->GetDocument(1)->GetPath()), other);
    QDir::setCurrent(previous);
    std::filesystem::remove(other);

    // A name that names nothing says so, with the bytes shown as the replacement character.
    const std::string missing = NativePath(f.files.path()).toStdString() + "/absent\xE9.png";
    EXPECT_FALSE(f.frame->OpenFile(QPathFromNative(missing.c_str()), false));
    ASSERT_EQ(f.prompt.asked.size(), 1u);
    EXPECT_TRUE(f.prompt.asked[0].text.endsWith(QStringLiteral("absent\uFFFD.png")))
        << f.prompt.asked[0].text.toStdString();
    f.frame.reset();
    std::filesystem::remove(native); // a name Qt's own clean-up cannot see
}

TEST(NonUtf8Names, TheOpenDialogFindsATypedNameItCouldNotList)
{
    FrameFixture f;
    const std::string native = MakeLatin1Picture(f, 17);
    for (const QString& typed : {QStringLiteral("café.png"), QStringLiteral("caf\uFFFD.png")})
    {
        CFilePreviewDialog dialog(f.files.path());
        auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(edit, nullptr);
        edit->setText(typed);
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted) << typed.toStdString();
        EXPECT_EQ(NativePath(dialog.ChosenPath()).toStdString(), native) << typed.toStdString();
        dialog.UpdatePreview(dialog.ChosenPath());
        EXPECT_EQ(dialog.PreviewImage().Width(), 17);
    }
    std::filesystem::remove(native);
}
