#include "PatientSheet.h"

#include "Cal.h"
#include "PrintSettings.h"

#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

namespace {

constexpr qreal bodyPoints = 9.5;

QString escaped(const QString& text)
{
    return text.toHtmlEscaped().replace(u'\n', QStringLiteral("<br>"));
}

// One appointment as a block: what, when, with whom, its state, then its log lines in grey.
QString lineHtml(const PatientLines::Line& line)
{
    QString facts = QStringLiteral("<b>") + escaped(line.day + u' ' + line.time) + QStringLiteral("</b> · ")
        + escaped(line.kind) + QStringLiteral(" · ") + escaped(line.dentist);
    if (!line.treatment.isEmpty())
        facts += QStringLiteral(" · ") + escaped(line.treatment);
    QString html = QStringLiteral("<p style=\"margin-top:10px; margin-bottom:0px\">") + facts + QStringLiteral("<br>")
        + QStringLiteral("Stato: ") + escaped(line.status);
    if (!line.phone.isEmpty())
        html += QStringLiteral(" · Telefono: ") + escaped(line.phone);
    if (!line.cancellation.isEmpty())
        html += QStringLiteral("<br>") + escaped(line.cancellation);
    if (!line.notes.isEmpty())
        html += QStringLiteral("<br>Note: ") + escaped(line.notes);
    html += QStringLiteral("</p>");
    if (!line.log.isEmpty())
        html += QStringLiteral("<p style=\"margin-top:0px; margin-left:16px; color:#555555\">") + escaped(line.log.join(u'\n'))
            + QStringLiteral("</p>");
    return html;
}

QString documentHtml(const PatientSheet::Sheet& sheet)
{
    QString html = QStringLiteral("<h2>") + escaped(sheet.studio.isEmpty() ? QStringLiteral("Studio") : sheet.studio)
        + QStringLiteral("</h2><h3>") + escaped(PatientSheet::title(sheet)) + QStringLiteral("</h3><p>")
        + QStringLiteral("Documento preparato il ") + escaped(Cal::locale().toString(sheet.madeOn, QStringLiteral("d MMMM yyyy")))
        + QStringLiteral(". Contiene gli appuntamenti registrati a questo nome, quelli disdetti e la lista "
                         "d'attesa, con le voci del registro attività che li riguardano (data e ora, operazione, "
                         "computer e utente).</p>");
    if (sheet.lines.isEmpty())
        html += QStringLiteral("<p>Nessun appuntamento registrato.</p>");
    for (const PatientLines::Line& line : sheet.lines)
        html += lineHtml(line);
    return html;
}

} // namespace

namespace PatientSheet {

QString title(const Sheet& sheet)
{
    return QStringLiteral("Dati del paziente \u2013 ") + sheet.patient;
}

bool writePdf(const Sheet& sheet, const QString& path)
{
    // Whole or not at all: a file of the same name stays as it was when this one cannot be written.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    {
        QPdfWriter writer(&file);
        writer.setPageLayout(portraitListLayout());
        writer.setTitle(title(sheet));
        writer.setCreator(QStringLiteral("Calvora"));
        QTextDocument document;
        QFont font = document.defaultFont();
        font.setPointSizeF(bodyPoints);
        document.setDefaultFont(font);
        document.setHtml(documentHtml(sheet));
        // print() lays the text out on the writer's pages and numbers them.
        document.print(&writer);
    }
    return file.size() > 0 && file.commit();
}

} // namespace PatientSheet
