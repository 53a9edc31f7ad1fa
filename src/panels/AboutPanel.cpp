#include "AboutPanel.h"

#include "Desktop.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QWidget>

DialogRequest aboutPanelRequest()
{
    DialogRequest request;
    request.title = QStringLiteral("Calvora");
    const QString version = QCoreApplication::applicationVersion();
    if (!version.isEmpty())
        request.message = QStringLiteral("Versione ") + version.toHtmlEscaped();
    request.message += QStringLiteral("<p align=\"center\" style=\"font-size: 11pt;\">"
                                      "Agenda appuntamenti per studi dentistici</p>");
    request.buttons = {{QStringLiteral("OK"), QMessageBox::AcceptRole}};
    request.escapeIndex = 0;
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull())
        request.iconPixmap = icon.pixmap(64, 64);
    return request;
}

void showAboutPanel(QWidget* parent)
{
    QWidget* window = parent ? parent->window() : nullptr;
    if (window) {
        window->raise();
        window->activateWindow();
    }
    DialogRequest request = aboutPanelRequest();
    Dialogs::exec(window, request);
}

QString userGuidePath()
{
    QString folder = QCoreApplication::applicationDirPath();
#if defined(Q_OS_MACOS)
    folder += QStringLiteral("/../Resources");
#endif
    return QDir::cleanPath(folder + QStringLiteral("/Guida Calvora.pdf"));
}

void openUserGuide()
{
    const QString path = userGuidePath();
    if (QFileInfo(path).isFile())
        Desktop::openFile(path);
}
