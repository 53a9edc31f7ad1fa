#include "SecondPlaceSection.h"

#include "Cal.h"
#include "Dialogs.h"
#include "PanelStyle.h"
#include "RecoveryKeyRow.h"
#include "SecondPlace.h"

#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

SecondPlaceSection::SecondPlaceSection(Store& store, SecondPlace& place, QWidget* parent)
    : FormSection(QStringLiteral("Copia dei backup in un'altra cartella"), parent)
    , m_place(place)
{
    auto* about = new QLabel(
        QStringLiteral("Ogni backup di questo computer viene copiato anche qui (un disco esterno, una cartella di "
                       "rete o sincronizzata), riletto e controllato; vengono conservati gli ultimi 60. Se il "
                       "computer si guasta o viene rubato, le copie restano."),
        this);
    about->setWordWrap(true);
    about->setFont(PanelStyle::caption());
    form()->addRow(about);

    m_folder = new QLineEdit(this);
    m_folder->setObjectName(QStringLiteral("secondPlaceFolder"));
    m_folder->setReadOnly(true);
    m_folder->setPlaceholderText(QStringLiteral("Nessuna"));
    m_folder->setAccessibleName(QStringLiteral("Cartella delle copie"));
    form()->addRow(QStringLiteral("Cartella"), m_folder);

    auto* row = new QWidget(this);
    auto* buttons = new QHBoxLayout(row);
    buttons->setContentsMargins(0, 0, 0, 0);
    auto* chooseButton = new QPushButton(QStringLiteral("Scegli…"), row);
    chooseButton->setObjectName(QStringLiteral("chooseSecondPlace"));
    m_clear = new QPushButton(QStringLiteral("Nessuna"), row);
    m_clear->setObjectName(QStringLiteral("clearSecondPlace"));
    buttons->addWidget(chooseButton);
    buttons->addWidget(m_clear);
    buttons->addStretch(1);
    form()->addRow(row);
    connect(chooseButton, &QPushButton::clicked, this, &SecondPlaceSection::choose);
    connect(m_clear, &QPushButton::clicked, this, &SecondPlaceSection::clear);

    m_lastCopy = new QLabel(this);
    m_lastCopy->setObjectName(QStringLiteral("secondPlaceLastCopy"));
    form()->addRow(m_lastCopy);
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("secondPlaceMessage"));
    m_message->setWordWrap(true);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form()->addRow(m_message);
    m_recoveryKey = new RecoveryKeyRow(store, this);
    form()->addRow(QStringLiteral("Cifratura"), m_recoveryKey);
    showState();
    connect(&m_place, &SecondPlace::changed, this, &SecondPlaceSection::showState);
}

QString SecondPlaceSection::folderText() const
{
    return m_folder->text();
}

QString SecondPlaceSection::lastCopyText() const
{
    return m_lastCopy->text();
}

QString SecondPlaceSection::messageText() const
{
    return m_message->text();
}

void SecondPlaceSection::choose()
{
    const QString start = m_place.folder().isEmpty() ? QDir::homePath() : m_place.folder();
    if (const std::optional<QString> folder =
            Dialogs::chooseFolder(window(), QStringLiteral("Cartella delle copie dei backup"), start))
        m_place.setFolder(QDir::cleanPath(*folder));
}

void SecondPlaceSection::clear()
{
    m_place.setFolder(QString());
}

void SecondPlaceSection::showState()
{
    const QString folder = m_place.folder();
    m_folder->setText(QDir::toNativeSeparators(folder));
    m_folder->setToolTip(m_folder->text());
    m_clear->setEnabled(!folder.isEmpty());
    const std::optional<QDateTime> last = m_place.lastArrival();
    m_lastCopy->setVisible(!folder.isEmpty());
    m_lastCopy->setText(last ? QStringLiteral("Ultima copia arrivata: ") + Cal::format(*last, QStringLiteral("EEEEdMMMMyHHmm"))
                             : QStringLiteral("Nessuna copia è ancora arrivata in questa cartella."));
    m_message->setText(m_place.busy() ? QStringLiteral("Copia del backup in corso…") : m_place.lastOutcome());
    m_message->setVisible(!folder.isEmpty() && !m_message->text().isEmpty());
}
