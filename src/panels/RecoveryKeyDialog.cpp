#include "RecoveryKeyDialog.h"

#include "PanelStyle.h"
#include "QrCode.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int gridColumns = 4;
constexpr int qrPixels = 180;

QString& nextPdf()
{
    static QString path;
    return path;
}

QPixmap qrPixmap(const QString& text, qreal ratio)
{
    QPixmap pixmap(QSize(qrPixels, qrPixels) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    QPainter painter(&pixmap);
    QrCode::encode(text).draw(painter, QRectF(0, 0, qrPixels, qrPixels));
    return pixmap;
}

} // namespace

RecoveryKeyDialog::RecoveryKeyDialog(RecoveryKeySheet::Sheet sheet, QWidget* parent)
    : QDialog(parent)
    , m_sheet(std::move(sheet))
{
    setObjectName(QStringLiteral("recoveryKeyDialog"));
    setWindowTitle(RecoveryKeySheet::title());
    auto* layout = new QVBoxLayout(this);
    auto* warning = new QLabel(
        QStringLiteral("Stampa questo foglio e conservalo in un luogo sicuro, lontano dal disco delle copie. Il "
                       "programma non conserva la chiave e non la mostrerà più: senza il foglio le copie cifrate "
                       "non si possono aprire."),
        this);
    warning->setObjectName(QStringLiteral("recoveryKeyWarning"));
    warning->setWordWrap(true);
    warning->setFont(PanelStyle::headline());
    layout->addWidget(warning);

    auto* middle = new QHBoxLayout;
    middle->addWidget(wordGrid(), 1);
    auto* qr = new QLabel(this);
    qr->setObjectName(QStringLiteral("recoveryKeyQr"));
    qr->setPixmap(qrPixmap(RecoveryKeySheet::qrText(m_sheet), devicePixelRatioF()));
    qr->setAccessibleName(QStringLiteral("Codice QR della chiave di ripristino"));
    middle->addWidget(qr, 0, Qt::AlignTop);
    layout->addLayout(middle);

    auto* fingerprint = new QLabel(QStringLiteral("Impronta della chiave: ") + m_sheet.fingerprint, this);
    fingerprint->setObjectName(QStringLiteral("recoveryKeyFingerprint"));
    fingerprint->setFont(PanelStyle::caption());
    layout->addWidget(fingerprint);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* printButton = buttons->addButton(QStringLiteral("Stampa…"), QDialogButtonBox::ActionRole);
    printButton->setObjectName(QStringLiteral("printRecoveryKey"));
    QPushButton* done = buttons->addButton(QStringLiteral("Chiudi"), QDialogButtonBox::AcceptRole);
    done->setObjectName(QStringLiteral("closeRecoveryKey"));
    printButton->setDefault(true);
    connect(printButton, &QPushButton::clicked, this, &RecoveryKeyDialog::printSheet);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

QWidget* RecoveryKeyDialog::wordGrid()
{
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setHorizontalSpacing(18);
    const int rows = int((m_sheet.words.size() + gridColumns - 1) / gridColumns);
    const QFont font = PanelStyle::withTabularDigits(PanelStyle::body());
    // Numbered down the columns, as on the printed sheet.
    for (int i = 0; i < m_sheet.words.size(); ++i) {
        auto* number = new QLabel(QString::number(i + 1) + u'.', box);
        number->setFont(font);
        number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        number->setForegroundRole(QPalette::PlaceholderText);
        auto* word = new QLabel(m_sheet.words[i], box);
        word->setObjectName(QStringLiteral("recoveryWord"));
        word->setFont(font);
        word->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(number, i % rows, (i / rows) * 2);
        grid->addWidget(word, i % rows, (i / rows) * 2 + 1);
    }
    return box;
}

QStringList RecoveryKeyDialog::shownWords() const
{
    QStringList words;
    for (const QLabel* label : findChildren<QLabel*>(QStringLiteral("recoveryWord")))
        words << label->text();
    return words;
}

void RecoveryKeyDialog::answerNextPrintToPdf(const QString& path)
{
    nextPdf() = path;
}

void RecoveryKeyDialog::printSheet()
{
    if (const QString pdf = std::exchange(nextPdf(), QString()); !pdf.isEmpty()) {
        (void)RecoveryKeySheet::writePdf(m_sheet, pdf);
        return;
    }
    RecoveryKeySheet::print(this, m_sheet);
}
