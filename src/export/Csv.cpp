#include "Csv.h"

#include <QSaveFile>

namespace {

QString field(const QString& text)
{
    if (!text.contains(u';') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

} // namespace

namespace Csv {

QByteArray document(const QList<QStringList>& rows)
{
    QString out;
    for (const QStringList& fields : rows) {
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (i > 0)
                out += u';';
            out += field(fields[i]);
        }
        out += QStringLiteral("\r\n");
    }
    return QByteArrayLiteral("\xEF\xBB\xBF") + out.toUtf8();
}

bool write(const QString& path, const QByteArray& document, QString* error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(document) == document.size() && file.commit())
        return true;
    *error = QStringLiteral("Impossibile scrivere il file ") + path + QStringLiteral(": ") + file.errorString();
    return false;
}

} // namespace Csv
