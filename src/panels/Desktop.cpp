#include "Desktop.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#if defined(CALVORA_HAS_DBUS) && !defined(Q_OS_MACOS)
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#endif

namespace {

Desktop::Handler& revealHandler()
{
    static Desktop::Handler handler;
    return handler;
}

Desktop::Handler& openHandler()
{
    static Desktop::Handler handler;
    return handler;
}

void openFolderOf(const QString& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

void platformReveal(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
#if defined(Q_OS_MACOS)
    if (!QProcess::startDetached(QStringLiteral("/usr/bin/open"), {QStringLiteral("-R"), absolute}))
        openFolderOf(absolute);
#elif defined(CALVORA_HAS_DBUS)
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openFolderOf(absolute);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(absolute).toString()} << QString();
    // Asynchronous, so a slow or missing file manager never blocks the window.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [absolute](QDBusPendingCallWatcher* w) {
                         if (w->isError())
                             openFolderOf(absolute);
                         w->deleteLater();
                     });
#else
    openFolderOf(absolute);
#endif
}

} // namespace

namespace Desktop {

void revealFile(const QString& path)
{
    if (revealHandler())
        revealHandler()(path);
    else
        platformReveal(path);
}

QString revealText()
{
#if defined(Q_OS_MACOS)
    return QStringLiteral("Mostra nel Finder");
#else
    return QStringLiteral("Mostra nella cartella");
#endif
}

void openFile(const QString& path)
{
    if (openHandler())
        openHandler()(path);
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void setRevealHandler(Handler handler)
{
    revealHandler() = std::move(handler);
}

void setOpenHandler(Handler handler)
{
    openHandler() = std::move(handler);
}

} // namespace Desktop
