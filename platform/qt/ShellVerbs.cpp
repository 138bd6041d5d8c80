#include "platform/qt/ShellVerbs.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDateTime>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace
{
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
        return QProcess::startDetached(QStringLiteral("lp"), {QStringLiteral("--"), path});
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
