#include "ShellFixture.h"

#include "platform/qt/ShellVerbs.h"
#include "resources/CommandIds.h"
#include "shell/CAboutDlg.h"
#include "shell/Run.h"
#include "views/CChildFrame.h"

#include <QLabel>
#include <QPushButton>
#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

#include <clocale>
#include <functional>
#include <cstdio>

using testshell::FrameFixture;
using testshell::IsolatedSettings;

namespace
{
CImageDoc* NewModified(FrameFixture& f)
{
    f.dialogs.newImage = NewImageChoice{8, 8, 24};
    f.frame->OnCommand(57600);
    return dynamic_cast<CChildFrame*>(f.frame->MdiArea()->currentSubWindow())->BitmapView().Document();
}
} // namespace

TEST(Closing, CancelForOneDocumentKeepsEverythingButAllAreAsked)
{
    // Closing the frame and the end of the desktop session ask the same questions.
    const std::pair<const char*, std::function<bool(CMainFrame&)>> roads[] = {
        {"closing", [](CMainFrame& frame) { return frame.close(); }},
        {"session end", [](CMainFrame& frame) { return frame.OnEndSession(); }},
    };
    for (const auto& [name, road] : roads)
    {
        FrameFixture f;
        NewModified(f);
        NewModified(f);
        ASSERT_TRUE(f.frame->OpenFile(f.MakeImage("kept.png"), false));
        f.prompt.answers = {IDCANCEL, IDNO};
        EXPECT_FALSE(road(*f.frame)) << name;
        EXPECT_EQ(f.prompt.asked.size(), 2u) << name << ": both modified documents are asked";
        EXPECT_TRUE(f.prompt.asked[0].text.startsWith(QStringLiteral("Sauver Image"))) << name;
        EXPECT_EQ(f.Windows(), 3) << name;
        EXPECT_EQ(f.settings.Read(L"", L"LastDirectory").type, REG_NONE) << name << ": nothing written";
    }
}

TEST(Closing, AnsweringNoClosesAndKeepsFolderAndRecentFiles)
{
    FrameFixture f;
    NewModified(f);
    ASSERT_TRUE(f.frame->OpenFile(f.MakeImage("kept.png"), false));
    NewModified(f);
    f.prompt.answers = {IDNO, IDNO};
    EXPECT_TRUE(f.frame->close());
    EXPECT_EQ(f.prompt.asked.size(), 2u);
    EXPECT_EQ(f.Windows(), 0);
    EXPECT_EQ(f.frame->GetDocumentCount(), 0);
    EXPECT_EQ(FromUtf16Le(f.settings.Read(L"", L"LastDirectory").data),
              f.files.path().toStdWString() + L'\0');
    EXPECT_EQ(f.settings.Read(L"Recent Document List", L"Document1").type, REG_SZ);
}

TEST(Closing, SessionEndKeepsFolderAndRecentFilesAndTheWindows)
{
    FrameFixture f;
    NewModified(f);
    ASSERT_TRUE(f.frame->OpenFile(f.MakeImage("kept.png"), false));
    f.prompt.answers = {IDNO};
    EXPECT_TRUE(f.frame->OnEndSession());
    EXPECT_EQ(f.prompt.asked.size(), 1u);
    EXPECT_EQ(f.Windows(), 2) << "nothing is taken down: another program may still cancel the end";
    EXPECT_EQ(f.frame->GetDocumentCount(), 2);
    EXPECT_EQ(FromUtf16Le(f.settings.Read(L"", L"LastDirectory").data),
              f.files.path().toStdWString() + L'\0');
    EXPECT_EQ(f.settings.Read(L"Recent Document List", L"Document1").type, REG_SZ);
}

TEST(Closing, EachBoxOfTheDocumentHasItsOwnTitleBar)
{
    // A refusal has an empty title bar, a failed save the desktop's "Erreur" (its message names
    // no title) and the question before closing a modified picture the product title.
    FrameFixture f;
    f.dialogs.newImage = NewImageChoice{8, 8, 8};
    f.frame->OnCommand(57600);
    f.frame->OnCommand(kCmdInvert);
    CImageDoc* doc = NewModified(f);
    f.dialogs.saveAs =
        SaveAsFileChoice{f.files.filePath(QStringLiteral("absent/x.png")), QStringLiteral("x.png")};
    f.frame->OnCommand(kCmdFileSaveAs);
    EXPECT_TRUE(doc->IsModified());
    f.prompt.answers = {IDCANCEL};
    f.frame->OnCommand(kCmdFileClose);
    f.Settle();
    EXPECT_EQ(f.Windows(), 2) << "Annuler keeps the window";

    struct Expected
    {
        QString text, caption;
        PromptButtons buttons;
        PromptIcon icon;
    };
    const Expected expected[] = {
        {QStringLiteral("Format d'image non supporté"), QString(), PromptButtons::Ok, PromptIcon::None},
        {QStringLiteral("x.png\nErreur d'enregistrement du fichier"), QStringLiteral("Erreur"),
         PromptButtons::Ok, PromptIcon::Error},
        {QStringLiteral("Sauver %1 ?").arg(QString::fromStdWString(doc->GetTitle())),
         QStringLiteral("Orvalis 5"), PromptButtons::YesNoCancel, PromptIcon::Question},
    };
    ASSERT_EQ(f.prompt.asked.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i)
    {
        const PromptRequest& asked = f.prompt.asked[i];
        EXPECT_EQ(asked.text, expected[i].text) << i;
        EXPECT_EQ(asked.caption, expected[i].caption) << asked.text.toStdString();
        EXPECT_EQ(asked.buttons, expected[i].buttons) << asked.text.toStdString();
        EXPECT_EQ(asked.icon, expected[i].icon) << asked.text.toStdString();
        EXPECT_EQ(asked.owner, f.frame.get()) << asked.text.toStdString();
    }
}

TEST(Run, ExitCodeAndCommandLine)
{
    FrameFixture f(false);
    const QString spaced = f.MakeImage("a b.png");
    const QString plain = f.MakeImage("ab.png", 12, 12);
    f.settings.Write(L"", L"SplashTimer", REG_DWORD, IsolatedSettings::Dword(0));

    struct Case
    {
        QStringList arguments;
        int documents;
    };
    const Case cases[] = {
        {{"orvalis", "\"" + spaced + "\""}, 1},
        {{"orvalis", spaced, plain}, 2},
        {{"orvalis", f.files.filePath("a\"b.png")}, 1},
        {{"orvalis"}, 0},
    };
    for (const Case& c : cases)
    {
        int documents = -1;
        RunHooks hooks;
        hooks.started = [&documents](CMainFrame& frame)
        {
            documents = frame.GetDocumentCount();
            QTimer::singleShot(0, &frame, [&frame] { frame.close(); });
        };
        EXPECT_EQ(::Run(c.arguments, hooks), 1) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(documents, c.documents) << c.arguments.join(' ').toStdString();
    }

    RunHooks failing;
    failing.create = [](CMainFrame&) { return false; };
    EXPECT_EQ(::Run({"orvalis"}, failing), 0);
}

TEST(Run, TheMainWindowIsActiveOnceTheSplashIsInsideIt)
{
    // The offscreen platform gives the focus to every window shown, the splash included: the
    // main window must still be the active one when the loop runs (its tooltips show, dialogs
    // sit on it).
    FrameFixture f(false);
    bool frameActive = false;
    RunHooks hooks;
    hooks.started = [&frameActive](CMainFrame& frame)
    {
        QTimer::singleShot(50, &frame,
                           [&frame, &frameActive]
                           {
                               frameActive = QApplication::activeWindow() == &frame;
                               frame.close();
                           });
    };
    EXPECT_EQ(::Run({"orvalis"}, hooks), 1);
    EXPECT_TRUE(frameActive);
}

TEST(Run, WindowsOfTheCommandLineGetTheSizeOfTheOthers)
{
    FrameFixture f(false);
    const QString a = f.MakeImage("a.png"), b = f.MakeImage("b.png"), c = f.MakeImage("c.png");
    f.settings.Write(L"", L"SplashTimer", REG_DWORD, IsolatedSettings::Dword(0));
    std::vector<QSize> sizes;
    RunHooks hooks;
    hooks.started = [&](CMainFrame& frame)
    {
        for (QMdiSubWindow* w : frame.MdiArea()->subWindowList())
            sizes.push_back(w->size());
        frame.OpenFile(c, false); // as Ctrl+O opens it
        sizes.push_back(frame.MdiArea()->subWindowList().back()->size());
        QTimer::singleShot(0, &frame, [&frame] { frame.close(); });
    };
    EXPECT_EQ(::Run({"orvalis", a, b}, hooks), 1);
    ASSERT_EQ(sizes.size(), 3u);
    EXPECT_EQ(sizes[0], sizes[2]);
    EXPECT_EQ(sizes[1], sizes[2]);
    EXPECT_GT(sizes[2].width(), 320) << "not the smallest size a window can have";
}

TEST(Run, ApplicationFormatsNumbersWithoutTheLocaleAndOutlivesItsLastWindow)
{
    std::setlocale(LC_NUMERIC, "C.UTF-8");
    QGuiApplication::setQuitOnLastWindowClosed(true);
    PrepareApplication();
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    char text[16];
    std::snprintf(text, sizeof text, "%.2f", 1.5);
    EXPECT_STREQ(text, "1.50");
    EXPECT_FALSE(QGuiApplication::quitOnLastWindowClosed()) << "else the exit code would be 0";
}

TEST(Run, SplashStaysInPlaceInsideTheFrameAndHidesOnTime)
{
    FrameFixture f(false);
    f.settings.Write(L"", L"SplashTimer", REG_DWORD, IsolatedSettings::Dword(0));
    bool checked = false;
    RunHooks hooks;
    hooks.started = [&checked](CMainFrame& frame)
    {
        auto* splash = frame.findChild<CSplashDlg*>();
        ASSERT_NE(splash, nullptr);
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        const QPoint centred = area.center() - QPoint(splash->width() / 2, splash->height() / 2);
        EXPECT_EQ(splash->mapToGlobal(QPoint(0, 0)), centred);
        EXPECT_FALSE(splash->OkButton()->isVisibleTo(splash));
        EXPECT_FALSE(splash->Control(1094)->isVisibleTo(splash));
        QTimer::singleShot(20, &frame,
                           [&frame, splash, &checked]
                           {
                               EXPECT_TRUE(splash->isHidden())
                                   << "a timer of 0 hides it as soon as events flow";
                               checked = true;
                               frame.close();
                           });
    };
    EXPECT_EQ(::Run({"orvalis"}, hooks), 1);
    EXPECT_TRUE(checked);
}

TEST(AboutBox, Texts)
{
    CAboutDlg about;
    EXPECT_EQ(about.Control(1002)->text(), QStringLiteral("Orvalis 5 5.0.0.0    64 bits"));
    EXPECT_TRUE(about.Control(1003)->text().startsWith(QStringLiteral("Copyright")));
    EXPECT_TRUE(about.Control(1000)->text().endsWith(QStringLiteral(" M total")));
    EXPECT_TRUE(about.Control(1001)->text().endsWith(QStringLiteral(" M libre")));
    EXPECT_TRUE(about.Control(1001)->text().startsWith(QLatin1Char(' '))) << "no volume letter on Linux";
    EXPECT_TRUE(about.Control(1096)->text().startsWith(QStringLiteral("FreeImage version 3.")));
    EXPECT_TRUE(about.Control(1097)->text().startsWith(QStringLiteral("FFTW3 version fftw-3")));
    EXPECT_EQ(about.windowTitle(), QStringLiteral("A propos d'Orvalis"));

    struct RecordingVerbs : IShellVerbs
    {
        bool Open(const QString& target) override
        {
            opened << target;
            return true;
        }
        bool Print(const QString&) override { return true; }
        bool Properties(const QString&, QWidget*) override { return true; }
        QStringList opened;
    } verbs;
    IShellVerbs* previous = SetShellVerbs(&verbs);
    emit about.Control(1094)->linkActivated(QStringLiteral("#"));
    EXPECT_EQ(verbs.opened, QStringList{QString::fromWCharArray(GetWebPageAddress())});
    SetShellVerbs(previous);
}
