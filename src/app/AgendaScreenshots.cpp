#include "AgendaScreenshots.h"

#include "CalvoraView.h"

#include <QApplication>
#include <QPixmap>
#include <QTextStream>

namespace AgendaScreenshots {

bool smallScreen(CalvoraView& window, const QString& folder)
{
    const QRect before = window.geometry();
    window.fitInto(QRect(0, 0, 1366, 768));
    QApplication::processEvents();
    const QString path = folder + QStringLiteral("/agenda-1366x768.png");
    const bool ok = window.grab().save(path);
    QTextStream(ok ? stdout : stderr) << (ok ? "" : "Impossibile scrivere ") << path << '\n';
    window.setGeometry(before);
    QApplication::processEvents();
    return ok;
}

} // namespace AgendaScreenshots
