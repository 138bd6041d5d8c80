#include "shell/Run.h"

#include "platform/FileIO.h"
#include "platform/qt/PathNames.h"
#include "platform/settings/Settings.h"
#include "resources/ResourceBuilder.h"
#include "shell/CAboutDlg.h"
#include "shell/CMainFrame.h"
#include "shell/ShellText.h"

#include <QApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMdiArea>
#include <QPointer>
#include <QScreen>
#include <QTranslator>

#include <clocale>

void PrepareApplication()
{
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QStringLiteral("Orvalis 5"));
    QApplication::setStyle(new CMenuPictureStyle);
    static QTranslator qtFrench;
    if (qtFrench.load(QStringLiteral("qtbase_fr"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtFrench);
}

int Run(const QStringList& arguments, const RunHooks& hooks)
{
    // The splash belongs to the frame once the frame stands (deleted with it); until then to us.
    QPointer<CSplashDlg> splash = new CSplashDlg;
    splash->OnInitDialog(GetSplashTimer());
    if (QScreen* screen = QGuiApplication::primaryScreen())
    {
        const QRect area = screen->availableGeometry();
        splash->move(area.center() - QPoint(splash->width() / 2, splash->height() / 2));
    }
    splash->show();
    splash->raise();

    auto frame = std::make_unique<CMainFrame>();
    const bool created = hooks.create ? hooks.create(*frame) : frame->Create();
    if (!created)
    {
        delete splash.data();
        return 0;
    }
    frame->show();

    for (int i = 1; i < arguments.size(); ++i)
    {
        const QString path =
            CleanArgument(arguments[i], [](const QString& p)
                          { return KindOfFile(NativePath(p).toStdString()) == FileKind::Regular; });
        frame->OpenFile(path, false);
    }
    if (arguments.size() > 2) frame->CascadeWindows();

    // The splash stays where it was on the screen, inside the frame now.
    if (splash)
    {
        const QPoint onScreen = splash->pos();
        const bool visible = splash->isVisible();
        splash->setParent(frame.get(), Qt::Widget);
        splash->move(frame->mapFromGlobal(onScreen));
        splash->setAutoFillBackground(true);
        splash->setVisible(visible);
        splash->raise();
    }
    // Should the splash have had the focus, its window hands it to the main window without the
    // application being told, and the main window would stay inactive (no tooltips, dialogs not
    // on it) until some other window had been active: it is told here.
    if (QGuiApplication::focusWindow() == frame->windowHandle() &&
        QApplication::activeWindow() != frame.get())
    {
        QT_WARNING_PUSH
        QT_WARNING_DISABLE_DEPRECATED
        QApplication::setActiveWindow(frame.get());
        QT_WARNING_POP
    }

    if (hooks.started) hooks.started(*frame);
    const int code = QApplication::exec();
    frame.reset();
    return code;
}
