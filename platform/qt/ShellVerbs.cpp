#include "platform/qt/ShellVerbs.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDateTime>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace
{
constexpr int kSpoolerWaitMs = 15000;

class DesktopVerbs : public IShellVerbs
{
public:
    bool Open(const QString& target) override
    {
        const QUrl url = target.contains(QStringLiteral("://")) ? QUrl(target) : QUrl::fromLocalFile(target);
        return QDesktopServices::openUrl(url);
    }

    bool Print(const QString& path) override
    {
        if (!QFileInfo(path).isFile()) return false;
        const QString lp = QStandardPaths::findExecutable(QStringLiteral("lp"));
        if (lp.isEmpty()) return false;
        // The spooler answers at once: it takes the file or says why not.
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(lp, {QStringLiteral("--"), path});
        if (!process.waitForFinished(kSpoolerWaitMs))
        {
            process.kill();
            process.waitForFinished();
            return false;
        }
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    bool HasPrintingSystem() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("lp")).isEmpty()) return false;
        const QString lpstat = QStandardPaths::findExecutable(QStringLiteral("lpstat"));
        if (lpstat.isEmpty()) return true; // a spooler without its status command: lp will tell
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        process.setProcessEnvironment(environment);
        process.start(lpstat, {QStringLiteral("-r")});
        if (!process.waitForFinished(kSpoolerWaitMs))
        {
            process.kill();
            process.waitForFinished();
            return false;
        }
        const QString answer = QString::fromLocal8Bit(process.readAllStandardOutput());
        return answer.contains(QStringLiteral("scheduler is running"));
    }

    bool Properties(const QString& path, QWidget* parent) override
    {
        const QFileInfo info(path);
        if (!info.exists()) return false;
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItemProperties"));
        call << QStringList{QUrl::fromLocalFile(info.absoluteFilePath()).toString()} << QString();
        const QDBusConnection bus = QDBusConnection::sessionBus();
        if (bus.isConnected())
        {
            const QDBusMessage reply = bus.call(call, QDBus::Block, 3000);
            if (reply.type() == QDBusMessage::ReplyMessage) return true;
        }
        QMessageBox box(QMessageBox::Information, QStringLiteral("Propriétés"), FilePropertiesText(path),
                        QMessageBox::NoButton, parent);
        box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box.exec();
        return true;
    }
};

DesktopVerbs g_desktop;
IShellVerbs* g_verbs = nullptr;
} // namespace

IShellVerbs& ShellVerbs()
{
    return g_verbs ? *g_verbs : g_desktop;
}

IShellVerbs* SetShellVerbs(IShellVerbs* verbs)
{
    IShellVerbs* previous = g_verbs;
    g_verbs = verbs;
    return previous;
}

QString FilePropertiesText(const QString& path)
{
    const QFileInfo info(path);
    QString text;
    text += QStringLiteral("Nom : ") + info.fileName() + QLatin1Char('\n');
    text += QStringLiteral("Dossier : ") + info.absolutePath() + QLatin1Char('\n');
    text += QStringLiteral("Taille : ") + QString::number(info.size()) + QStringLiteral(" octets\n");
    text +=
        QStringLiteral("Modifié le : ") + info.lastModified().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    return text;
}
