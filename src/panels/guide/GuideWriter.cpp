// Build tool: turns the Markdown source of the user guide into an A4 PDF.
// Usage: calvora_guide_writer <guide.md> <output.pdf>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextStream>
#include <QTextTable>

namespace {

// Headings a little larger and coloured, with room above them; body text justified for print.
void styleBlocks(QTextDocument& document)
{
    const QColor headingInk(0x1F, 0x4E, 0x79);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QTextCursor cursor(block);
        QTextBlockFormat format = block.blockFormat();
        const int level = format.headingLevel();
        if (level > 0) {
            format.setTopMargin(level == 1 ? 0 : 16);
            format.setBottomMargin(6);
            cursor.setBlockFormat(format);
            cursor.select(QTextCursor::BlockUnderCursor);
            QTextCharFormat chars;
            chars.setForeground(headingInk);
            chars.setFontPointSize(level == 1 ? 24 : level == 2 ? 17 : 13);
            chars.setFontWeight(QFont::Bold);
            cursor.mergeCharFormat(chars);
        } else {
            format.setBottomMargin(5);
            format.setLineHeight(118, QTextBlockFormat::ProportionalHeight);
            cursor.setBlockFormat(format);
        }
    }
}

// Tables with one thin rule between cells and some air inside them.
void styleTables(QTextDocument& document)
{
    const QList<QTextFrame*> frames = document.rootFrame()->childFrames();
    for (QTextFrame* frame : frames) {
        auto* table = qobject_cast<QTextTable*>(frame);
        if (!table)
            continue;
        QTextTableFormat format = table->format();
        format.setBorderCollapse(true);
        format.setBorder(0.6);
        format.setBorderBrush(QColor(0x99, 0x99, 0x99));
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setCellPadding(5);
        format.setCellSpacing(0);
        format.setTopMargin(4);
        format.setBottomMargin(8);
        format.setWidth(QTextLength(QTextLength::PercentageLength, 80));
        table->setFormat(format);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        QTextStream(stderr) << "usage: calvora_guide_writer <guide.md> <output.pdf>\n";
        return 2;
    }
    QFile source(args.at(1));
    if (!source.open(QIODevice::ReadOnly)) {
        QTextStream(stderr) << "cannot read " << args.at(1) << ": " << source.errorString() << '\n';
        return 1;
    }
    const QString markdown = QString::fromUtf8(source.readAll());

    QTextDocument document;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(10.5);
    document.setDefaultFont(font);
    document.setMarkdown(markdown);
    styleBlocks(document);
    styleTables(document);

    QPdfWriter writer(args.at(2));
    writer.setTitle(QStringLiteral("Guida Calvora"));
    writer.setCreator(QStringLiteral("Calvora"));
    writer.setResolution(300);
    // QTextDocument::print() adds margins of 2 cm and the page numbers itself.
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    document.print(&writer);
    if (!QFile::exists(args.at(2))) {
        QTextStream(stderr) << "cannot write " << args.at(2) << '\n';
        return 1;
    }
    return 0;
}
