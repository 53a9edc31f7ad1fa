#pragma once

#include "PrintLayout.h"
#include "PrintSettings.h"
#include "SchedulePrintView.h"

#include <QList>
#include <QPageLayout>
#include <QPrinter>
#include <QString>

class QPainter;
class QPagedPaintDevice;
class QWidget;
class Store;

// Turns a printed layout into a print job or a PDF file. Everything runs on the user-interface thread.
namespace PrintService {

// A4 landscape, 20 pt margins; duplex asks for two-sided printing with tumble (QPrinter::DuplexShortSide).
[[nodiscard]] PrintSettings makePrintInfo(bool duplex);

// A snapshot of the store for one layout: the working week of store.anchor() (weekOnePage: one page of
// five days, or with six dentists or more Monday–Wednesday and Thursday–Friday on two one-sided pages;
// weekTwoPages: Monday–Wednesday, then Thursday–Friday; day: the anchor alone), the whole
// week's appointments grouped by day key (a failed read throws DatabaseError), the dentists
// in column order, the practice name, the title ("Settimana " + range for the week layouts, the day's
// own title for a day) and the printable size of `settings`. Later changes to the store do not reach it.
[[nodiscard]] SchedulePrintView makeView(Store& store, PrintLayout layout, const PrintSettings& settings);

// Up to this many dentists the week fits one page; with more it takes two (see makeView).
constexpr int mostDentistsOnOnePage = 5;

// What the print dialog tells about a layout before printing: empty, or for the one-page week of six
// dentists or more that it prints on two pages.
[[nodiscard]] QString layoutNote(const Store& store, PrintLayout layout);

// "Appuntamenti – " followed by the view's title.
[[nodiscard]] QString jobTitle(const SchedulePrintView& view);

// Scales the painter so that one user unit is one point on its device (printers and PDF writers work
// in device pixels of their own resolution).
void scaleToPoints(QPainter& painter);

// Draws the view on an open printer as one sheet per page, honouring the printer's page range, page
// order and, when the print system cannot make copies itself, its copy count and collation.
void renderJob(QPrinter& printer, const SchedulePrintView& view);

// The print command of the toolbar and the menus: builds the settings and the view, names the job
// "Appuntamenti – " + title, and shows modally the print preview, whose print button opens the
// platform's print dialog (copies, page range, printer, paper) and whose tool bar sets orientation and
// page set-up. Changing paper or orientation there does not change the page layout, fixed before.
// The outcome (printed, cancelled, failed) is left to the print system. When the week cannot be read
// nothing is printed and the store's alert says why. See the test hooks below.
void print(QWidget* parent, Store& store, PrintLayout layout, bool duplex);

// Writes the layout to a PDF file (A4 landscape, 20 pt margins, document title = job title) with the
// same pages as print; a file has no two-sided mode. Returns false when the week could not be read or the
// file could not be written.
bool writePdf(Store& store, PrintLayout layout, const QString& path);

// Suggested file names for the three layouts' PDFs: "stampa-settimana-1-pagina.pdf",
// "stampa-settimana-fronte-retro.pdf", "stampa-giorno.pdf".
[[nodiscard]] QString pdfFileName(PrintLayout layout);

// Test hooks (also for the self-check). A queued answer replaces the next print command's dialog:
// the job either goes to a PDF file (path not empty; pages fromPage..toPage counted from 1, 0 for all)
// or is cancelled, and nothing is shown.
void answerNextPrintToPdf(const QString& path, int fromPage = 0, int toPage = 0);
void answerNextPrintCancelled();

// What a print command set on its printer. The title and page layout are read back from the printer;
// duplex is both what was asked for and what the printer kept (Qt's PDF output and printers without a
// duplex unit keep DuplexNone).
struct StartedJob {
    QString title;
    QPrinter::DuplexMode requestedDuplex = QPrinter::DuplexNone;
    QPrinter::DuplexMode printerDuplex = QPrinter::DuplexNone;
    QPageLayout pageLayout;
    int pageCount = 0;
    QString note; // what the dialog said about the layout (layoutNote)
};
// Every job the print command started since the last call, in order (also those answered by a hook).
[[nodiscard]] QList<StartedJob> takeStartedJobs();

} // namespace PrintService
