#include "platform/qt/CaptureOwner.h"
#include "platform/qt/CommandTarget.h"
#include "platform/qt/DialogUnits.h"
#include "platform/qt/IdleNotifier.h"
#include "platform/qt/PathNames.h"
#include "platform/qt/Prompt.h"
#include "platform/qt/ShellVerbs.h"
#include "platform/qt/WaitCursor.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <gtest/gtest.h>

#include "platform/TextConv.h"

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

TEST(CaptureOwner, EveryEndOfTheCaptureIsReportedOnce)
{
    QWidget window;
    auto* inner = new QWidget(&window);
    window.resize(100, 100);
    window.show();
    int lost = 0;
    CCaptureOwner capture([&lost] { ++lost; });

    capture.Capture(inner);
    EXPECT_TRUE(capture.HasCapture());
    capture.Release();
    EXPECT_EQ(lost, 1);
    EXPECT_FALSE(capture.HasCapture());
    capture.Release();
    EXPECT_EQ(lost, 1) << "releasing twice reports once";

    capture.Capture(inner);
    inner->hide();
    EXPECT_EQ(lost, 2) << "hiding the captured widget ends the capture";

    inner->show();
    capture.Capture(inner);
    QMenu popup;
    popup.addAction(QStringLiteral("x"));
    popup.popup(QPoint(0, 0));
    EXPECT_EQ(lost, 3) << "a popup takes the pointer";
    popup.hide();
    EXPECT_FALSE(capture.HasCapture());

    // The window losing the activation takes the capture with it; another window does not.
    capture.Capture(inner);
    QWidget other;
    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(&other, &deactivate);
    EXPECT_EQ(lost, 3);
    QCoreApplication::sendEvent(&window, &deactivate);
    EXPECT_EQ(lost, 4);
    EXPECT_FALSE(capture.HasCapture());
}

TEST(WaitCursor, NestedScopesGiveTheCursorBack)
{
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    {
        CQtWaitCursor outer;
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        {
            CQtWaitCursor inner;
        }
        ASSERT_NE(QApplication::overrideCursor(), nullptr) << "the outer scope still waits";
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(CommandTarget, IdOfAnAction)
{
    QAction withId;
    withId.setData(57634);
    QAction without;
    QAction text;
    text.setData(QStringLiteral("copier"));
    EXPECT_EQ(CommandIdOf(&withId), 57634);
    EXPECT_EQ(CommandIdOf(&without), 0);
    EXPECT_EQ(CommandIdOf(&text), 0);
    EXPECT_EQ(CommandIdOf(nullptr), 0);
}

namespace
{
struct ScriptedPrompts : IPromptHandler
{
    int Ask(const PromptRequest& request) override
    {
        asked.push_back(request.text);
        return answer;
    }
    void Beep() override { ++beeps; }
    int answer = IDNO;
    QStringList asked;
    int beeps = 0;
};

struct RecordedVerbs : IShellVerbs
{
    bool Open(const QString& target) override { return calls << "open " + target, true; }
    bool Print(const QString& path) override { return calls << "print " + path, true; }
    bool Properties(const QString& path, QWidget*) override { return calls << "properties " + path, true; }
    QStringList calls;
};
} // namespace

TEST(Seams, PromptsAndBeepsGoToTheInstalledHandler)
{
    ScriptedPrompts script;
    IPromptHandler* before = SetPromptHandler(&script);
    EXPECT_EQ(ShowPrompt(nullptr, QStringLiteral("Sauver a.png ?"), QStringLiteral("Orvalis 5"),
                         PromptButtons::YesNoCancel),
              IDNO);
    MessageBeep();
    EXPECT_EQ(script.asked, QStringList{QStringLiteral("Sauver a.png ?")});
    EXPECT_EQ(script.beeps, 1);
    EXPECT_EQ(SetPromptHandler(before), &script);
}

TEST(Seams, ShellVerbsAreReplaceableAndRefuseMissingFiles)
{
    RecordedVerbs recorded;
    IShellVerbs* before = SetShellVerbs(&recorded);
    EXPECT_EQ(&ShellVerbs(), &recorded);
    ShellVerbs().Print(QStringLiteral("/tmp/a.png"));
    EXPECT_EQ(recorded.calls, QStringList{QStringLiteral("print /tmp/a.png")});
    SetShellVerbs(before);
    EXPECT_NE(&ShellVerbs(), &recorded);

    // The desktop's verbs start nothing for a file that is not there.
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("absent.png"));
    EXPECT_FALSE(ShellVerbs().Print(missing));
    EXPECT_FALSE(ShellVerbs().Properties(missing, nullptr));
    EXPECT_FALSE(ShellVerbs().Print(dir.path())) << "a folder is not printed";

    const QString path = dir.filePath(QStringLiteral("photo d'été.png"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("12345");
    file.close();
    const QStringList lines = FilePropertiesText(path).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], QStringLiteral("Nom : photo d'été.png"));
    EXPECT_EQ(lines[1], QStringLiteral("Dossier : ") + QFileInfo(path).absolutePath());
    EXPECT_EQ(lines[2], QStringLiteral("Taille : 5 octets"));
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("Modifié le : ")));
}

TEST(DialogUnits, ConversionWithTheFontBaseUnits)
{
    const DialogBaseUnits base{6, 13};
    EXPECT_EQ(DluToPixelsX(4, base), 6);
    EXPECT_EQ(DluToPixelsX(243, base), 365); // 364.5 rounds up
    EXPECT_EQ(DluToPixelsY(8, base), 13);
    EXPECT_EQ(DluToPixelsY(98, base), 159);
    EXPECT_EQ(DluRectToPixels(7, 7, 50, 14, base), QRect(11, 11, 75, 23));
    const DialogBaseUnits real = BaseUnitsOf(QFont());
    EXPECT_GT(real.x, 0);
    EXPECT_GT(real.y, real.x);
}

TEST(IdleNotifier, RunsWhenTheQueueRunsEmptyAndNeverReentrant)
{
    CIdleNotifier idle;
    int runs = 0, depth = 0, deepest = 0;
    idle.AddHandler(
        [&]
        {
            ++runs;
            deepest = std::max(deepest, ++depth);
            idle.Notify(); // a handler asking again is not re-entered
            --depth;
        });
    QEventLoop loop;
    QTimer::singleShot(30, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_GE(runs, 1);
    EXPECT_EQ(deepest, 1);
    const int before = runs;
    idle.Notify();
    EXPECT_EQ(runs, before + 1);
}

// Paths through the windows' strings keep the bytes of names that are not UTF-8.
TEST(PathNames, BytesSurviveQStrings)
{
    const char* native = "/tmp/caf\xE9/\xC3\xA9t\xC3\xA9 \xFF.png";
    const QString path = QPathFromNative(native);
    EXPECT_EQ(NativePath(path), QByteArray(native));
    EXPECT_EQ(PathToNative(WidePath(path)), native);
    EXPECT_EQ(WidePath(QPathFromWide(WidePath(path))), WidePath(path));
    EXPECT_EQ(DisplayPath(path), QStringLiteral("/tmp/caf\uFFFD/été \uFFFD.png"));
    EXPECT_EQ(QtReachableFolder(path), QStringLiteral("/tmp"));
    EXPECT_EQ(QtReachableFolder(QStringLiteral("/tmp/été")), QStringLiteral("/tmp/été"));
    EXPECT_EQ(LocalPathOfUrl(QUrl::fromEncoded("file:///tmp/caf%E9.png")),
              QPathFromNative("/tmp/caf\xE9.png"));
}

TEST(PathNames, TypedNamesFindTheEntriesQtCannotList)
{
    QTemporaryDir dir;
    const std::string base = NativePath(dir.path()).toStdString();
    ASSERT_EQ(::mkdir((base + "/\xC9t\xE9").c_str(), 0700), 0); // "Été", Latin-1
    std::ofstream(base + "/\xC9t\xE9/caf\xE9.png") << "x";
    std::ofstream(base + "/plain.png") << "x";
    // Two names that read alike: neither is chosen.
    std::ofstream(base + "/d\xE9j\xE0.png") << "x";
    std::ofstream(base + "/d\xE9j\xE1.png") << "x";
    const struct
    {
        QString typed;
        std::string found; // empty: not found
    } cases[] = {
        {dir.path() + QStringLiteral("/Été/café.png"), base + "/\xC9t\xE9/caf\xE9.png"},
        {dir.path() + QStringLiteral("/\uFFFDt\uFFFD/caf\uFFFD.png"), base + "/\xC9t\xE9/caf\xE9.png"},
        {dir.path() + QStringLiteral("/plain.png"), base + "/plain.png"},
        {dir.path() + QStringLiteral("/d\uFFFDj\uFFFD.png"), ""},
        {dir.path() + QStringLiteral("/Été/other.png"), ""},
        {QStringLiteral("relative/café.png"), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NativePath(ResolveTypedPath(c.typed)).toStdString(), c.found) << c.typed.toStdString();
    std::filesystem::remove_all(base + "/\xC9t\xE9"); // names Qt's own clean-up cannot see
    std::filesystem::remove(base + "/d\xE9j\xE0.png");
    std::filesystem::remove(base + "/d\xE9j\xE1.png");
}
