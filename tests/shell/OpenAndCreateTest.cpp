#include "ShellFixture.h"

#include "imagelib/qt/FCObjImageQt.h"
#include "platform/qt/Clipboard.h"
#include "resources/CommandIds.h"
#include "resources/ResourceBuilder.h"
#include "shell/CNewDialog.h"
#include "views/CChildFrame.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>

#include <gtest/gtest.h>

using testshell::FrameFixture;
using testshell::IsolatedSettings;

namespace
{
CChildFrame* Active(CMainFrame& frame)
{
    return dynamic_cast<CChildFrame*>(frame.MdiArea()->currentSubWindow());
}

QStringList RecentMenuTexts(CMainFrame& frame)
{
    QStringList texts;
    for (QAction* a : frame.CurrentMenus().front()->actions())
    {
        const int id = a->data().toInt();
        if (id >= kCmdFileMruFirst && id <= kCmdFileMruLast)
            texts << a->text() + (a->isEnabled() ? QString() : QStringLiteral(" (grisé)"));
    }
    return texts;
}
} // namespace

TEST(OpenFile, SameFileTwiceIsOneDocumentWithTwoWindows)
{
    FrameFixture f;
    const QString path = f.MakeImage("photo.png");
    ASSERT_TRUE(f.frame->OpenFile(path, false));
    CImageDoc* doc = Active(*f.frame)->BitmapView().Document();
    ASSERT_TRUE(f.frame->OpenFile(QFileInfo(path).absolutePath() + "/./photo.png", false));
    EXPECT_EQ(f.frame->GetDocumentCount(), 1);
    EXPECT_EQ(Active(*f.frame)->BitmapView().Document(), doc);
    EXPECT_EQ(doc->GetViews().size(), 2u);
    EXPECT_TRUE(Active(*f.frame)->windowTitle().endsWith(QStringLiteral(":2")))
        << "every title gets its number";

    // Another file whose name differs only by letter case is another document.
    const QString other = f.MakeImage("Photo.png", 10, 10);
    ASSERT_TRUE(f.frame->OpenFile(other, false));
    EXPECT_EQ(f.frame->GetDocumentCount(), 2);
    EXPECT_EQ(Active(*f.frame)->BitmapView().Document()->GetImage().Width(), 10);
    EXPECT_EQ(f.frame->LastDirectory(), f.files.path());
}

TEST(OpenFile, RelativeNameIsKeptWhole)
{
    FrameFixture f;
    const QString path = f.MakeImage("sub/rel.png");
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(f.files.path()));
    const bool opened = f.frame->OpenFile(QStringLiteral("sub/rel.png"), false);
    QDir::setCurrent(before);
    ASSERT_TRUE(opened);
    EXPECT_EQ(QString::fromStdWString(Active(*f.frame)->BitmapView().Document()->GetPath()), path);
    EXPECT_EQ(f.frame->RecentFiles().Entries(), QStringList{path});
    EXPECT_EQ(f.frame->LastDirectory(), QFileInfo(path).absolutePath());
}

TEST(OpenFile, ReadOnlyByTheFlagOrTheFile)
{
    FrameFixture f;
    const QString path = f.MakeImage("ro.png");
    ASSERT_TRUE(f.frame->OpenFile(path, true));
    EXPECT_TRUE(Active(*f.frame)->BitmapView().Document()->IsReadOnly());
    f.frame->UpdateUIState();
    EXPECT_FALSE(f.frame->Actions().Find(kCmdFileSave)->isEnabled());
    EXPECT_TRUE(f.frame->Actions().Find(kCmdFileSaveAs)->isEnabled());

    f.frame->SetWritableProbe([](const QString&) { return false; });
    ASSERT_TRUE(f.frame->OpenFile(f.MakeImage("locked.png"), false));
    EXPECT_TRUE(Active(*f.frame)->BitmapView().Document()->IsReadOnly());
    f.frame->SetWritableProbe([](const QString&) { return true; });
    ASSERT_TRUE(f.frame->OpenFile(f.MakeImage("free.png"), false));
    EXPECT_FALSE(Active(*f.frame)->BitmapView().Document()->IsReadOnly());
}

TEST(OpenFile, FailureSaysSoAndLeavesNothing)
{
    FrameFixture f;
    const QString path = f.files.filePath(QStringLiteral("not-an-image.png"));
    QFile bad(path);
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("nothing here");
    bad.close();
    EXPECT_FALSE(f.frame->OpenFile(path, false));
    ASSERT_EQ(f.prompt.asked.size(), 1u);
    EXPECT_EQ(f.prompt.asked[0].text, QStringLiteral("Impossible de charger :\n") + path);
    EXPECT_TRUE(f.prompt.asked[0].caption.isEmpty());
    f.Settle();
    EXPECT_EQ(f.Windows(), 0);
    EXPECT_EQ(f.frame->GetDocumentCount(), 0);
}

TEST(OpenFile, FirstDocumentIsMaximised)
{
    FrameFixture f;
    ASSERT_TRUE(f.frame->OpenFile(f.MakeImage("one.png"), false));
    EXPECT_TRUE(Active(*f.frame)->isMaximized());
    EXPECT_TRUE(f.frame->windowTitle().startsWith(QStringLiteral("Orvalis 5 - [")))
        << f.frame->windowTitle().toStdString();
    Active(*f.frame)->showNormal();
    ASSERT_TRUE(f.frame->OpenFile(f.MakeImage("two.png"), false));
    EXPECT_FALSE(Active(*f.frame)->isMaximized());
}

TEST(OpenFile, OpenCommandStartsInTheLastFolderAndHonoursReadOnly)
{
    FrameFixture f;
    const QString path = f.MakeImage("sub/pick.png");
    f.dialogs.open = OpenFileChoice{path, true};
    f.frame->OnCommand(kCmdFileOpen);
    ASSERT_EQ(f.frame->GetDocumentCount(), 1);
    EXPECT_TRUE(Active(*f.frame)->BitmapView().Document()->IsReadOnly());
    f.frame->OnCommand(kCmdFileOpen);
    EXPECT_EQ(f.dialogs.openFolders.back(), QFileInfo(path).absolutePath());
}

TEST(RecentFiles, MenuFollowsOpeningAndClearing)
{
    FrameFixture f;
    EXPECT_EQ(RecentMenuTexts(*f.frame), QStringList{QStringLiteral("(MRU vide) (grisé)")});
    const QString a = f.MakeImage("a.png"), b = f.MakeImage("R&D.png");
    ASSERT_TRUE(f.frame->OpenFile(a, false));
    ASSERT_TRUE(f.frame->OpenFile(b, false));
    EXPECT_EQ(RecentMenuTexts(*f.frame), (QStringList{"&1 " + QString(b).replace("&", "&&"), "&2 " + a}));
    f.frame->OnCommand(kCmdClearMru);
    EXPECT_EQ(RecentMenuTexts(*f.frame), QStringList{QStringLiteral("(MRU vide) (grisé)")});
    EXPECT_EQ(f.settings.Read(L"Recent Document List", L"Document1").type, REG_NONE);
    EXPECT_EQ(f.settings.Read(L"Recent Document List", L"DocumentCount").type, REG_DWORD);
}

TEST(RecentFiles, OpeningAnEntryAndMissingFiles)
{
    FrameFixture f;
    const QString a = f.MakeImage("a.png"), b = f.MakeImage("b.png");
    ASSERT_TRUE(f.frame->OpenFile(a, false));
    ASSERT_TRUE(f.frame->OpenFile(b, false));
    for (QMdiSubWindow* w : f.frame->MdiArea()->subWindowList())
        w->close();
    f.Settle();
    ASSERT_EQ(f.frame->GetDocumentCount(), 0);

    f.frame->OnCommand(kCmdFileMruFirst + 1); // the older one, a.png
    EXPECT_EQ(f.frame->GetDocumentCount(), 1);
    EXPECT_EQ(f.frame->RecentFiles().Entries().last(), a) << "moved to the top";
    EXPECT_FALSE(Active(*f.frame)->BitmapView().Document()->IsReadOnly());

    QFile::remove(b);
    f.frame->OnCommand(kCmdFileMruFirst + 1);
    ASSERT_EQ(f.prompt.asked.size(), 1u);
    EXPECT_EQ(f.prompt.asked[0].text, QStringLiteral("Fichier non trouvé :\n") + b);
    f.Settle();
    EXPECT_EQ(f.frame->RecentFiles().Entries(), QStringList{a});
    EXPECT_EQ(f.frame->GetDocumentCount(), 1);

    f.frame->OnCommand(kCmdFileMruFirst + 5);
    EXPECT_EQ(f.prompt.beeps, 1);
    EXPECT_EQ(f.prompt.asked.size(), 1u);
}

TEST(RecentFiles, StoredInTheSettings)
{
    struct Case
    {
        const char* name;
        std::function<void(IsolatedSettings&)> write;
        int max;
    };
    const Case cases[] = {
        {"count 1",
         [](IsolatedSettings& s)
         { s.Write(L"Recent Document List", L"DocumentCount", REG_DWORD, IsolatedSettings::Dword(1)); },
         2},
        {"count 40",
         [](IsolatedSettings& s)
         { s.Write(L"Recent Document List", L"DocumentCount", REG_DWORD, IsolatedSettings::Dword(40)); },
         16},
        {"no count",
         [](IsolatedSettings& s)
         { s.Write(L"Recent Document List", L"Document1", REG_SZ, ToRegString(L"/x.png")); },
         4},
        {"count as text",
         [](IsolatedSettings& s)
         { s.Write(L"Recent Document List", L"DocumentCount", REG_SZ, ToRegString(L"8")); },
         4},
        {"nothing", [](IsolatedSettings&) {}, 4},
    };
    for (const Case& c : cases)
    {
        FrameFixture f(false);
        c.write(f.settings);
        f.Create();
        EXPECT_EQ(f.frame->RecentFiles().MaxEntries(), c.max) << c.name;
    }

    FrameFixture f(false);
    f.settings.Write(L"Recent Document List", L"DocumentCount", REG_DWORD, IsolatedSettings::Dword(3));
    f.settings.Write(L"Recent Document List", L"Document1", REG_SZ, ToRegString(L"/newest.png"));
    f.settings.Write(L"Recent Document List", L"Document2", REG_SZ, ToRegString(L"/older.png"));
    f.settings.Write(L"Recent Document List", L"Document3", REG_DWORD, IsolatedSettings::Dword(7));
    f.settings.Write(L"Recent Document List", L"Document9", REG_SZ, ToRegString(L"/stale.png"));
    f.Create();
    EXPECT_EQ(f.frame->RecentFiles().Entries(), (QStringList{"/older.png", "/newest.png"}));
    f.frame->RecentFiles().Remove(0);
    f.frame->WriteRecentFiles();
    EXPECT_EQ(FromUtf16Le(f.settings.Read(L"Recent Document List", L"Document1").data),
              std::wstring(L"/newest.png", 11) + L'\0');
    EXPECT_EQ(f.settings.Read(L"Recent Document List", L"Document2").type, REG_NONE);
    EXPECT_EQ(f.settings.Read(L"Recent Document List", L"Document9").type, REG_NONE);
    const SettingsValue count = f.settings.Read(L"Recent Document List", L"DocumentCount");
    ASSERT_EQ(count.data.size(), 4u);
    EXPECT_EQ(count.data, IsolatedSettings::Dword(3)) << "the maximum, not the number written";
}

TEST(NewImage, DialogDefaultsAndWholeNumbers)
{
    testshell::ScriptedPrompt prompt;
    SetPromptHandler(&prompt);
    CNewDialog dialog;
    dialog.show();
    EXPECT_EQ(dialog.WidthEdit()->text(), QStringLiteral("256"));
    EXPECT_EQ(dialog.HeightEdit()->text(), QStringLiteral("256"));
    EXPECT_TRUE(dialog.TypeRadio(1)->isChecked());
    EXPECT_EQ(dialog.TypeRadio(1)->text(), QStringLiteral("RVB"));
    EXPECT_EQ(dialog.BitsPerPixel(), 24);

    dialog.WidthEdit()->setText(QStringLiteral("abc"));
    EXPECT_FALSE(dialog.OnCloseCmd());
    EXPECT_EQ(prompt.beeps, 1);
    EXPECT_EQ(dialog.focusWidget(), dialog.WidthEdit());

    dialog.WidthEdit()->setText(QStringLiteral("-5"));
    dialog.HeightEdit()->setText(QStringLiteral(" 12"));
    dialog.OnTypeRadio(2);
    EXPECT_TRUE(dialog.OnCloseCmd());
    EXPECT_EQ(dialog.m_width, -5);
    EXPECT_EQ(dialog.m_height, 12);
    EXPECT_EQ(dialog.BitsPerPixel(), 32);
    SetPromptHandler(nullptr);
}

TEST(NewImage, MadeFromTheDialogOrRefused)
{
    FrameFixture f;
    f.dialogs.newImage = NewImageChoice{30, 20, 32};
    f.frame->OnCommand(kCmdFileNew);
    ASSERT_EQ(f.frame->GetDocumentCount(), 1);
    const FCObjImage& image = Active(*f.frame)->BitmapView().Document()->GetImage();
    EXPECT_EQ(image.Width(), 30);
    EXPECT_EQ(image.ColorBits(), 32);
    EXPECT_TRUE(Active(*f.frame)->isMaximized());

    f.dialogs.newImage = NewImageChoice{-5, 20, 24};
    f.frame->OnCommand(kCmdFileNew);
    EXPECT_EQ(f.prompt.asked.size(), 1u);
    f.Settle();
    EXPECT_EQ(f.frame->GetDocumentCount(), 1);
    EXPECT_EQ(f.Windows(), 1);
}

TEST(NewImage, FromTheClipboard)
{
    FrameFixture f;
    QGuiApplication::clipboard()->setText(QStringLiteral("texte"));
    f.frame->OnCommand(kCmdNewFromClipboard);
    EXPECT_EQ(f.Windows(), 0);
    CopyToClipboard(testimg::Varied(9, 7, 32));
    f.frame->OnCommand(kCmdNewFromClipboard);
    ASSERT_EQ(f.frame->GetDocumentCount(), 1);
    CImageDoc* doc = Active(*f.frame)->BitmapView().Document();
    EXPECT_TRUE(doc->GetPath().empty());
    EXPECT_TRUE(testimg::SamePixels(doc->GetImage(), testimg::Varied(9, 7, 32)));
    EXPECT_TRUE(Active(*f.frame)->isMaximized());
    f.frame->OnCommand(kCmdEmptyClipboard);
    EXPECT_FALSE(GetClipboardState().hasAny);
}
