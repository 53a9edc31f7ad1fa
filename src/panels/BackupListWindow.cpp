#include "BackupListWindow.h"

#include "Cal.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { PlaceColumn, DayColumn, TimeColumn, CountColumn };

} // namespace

QString BackupChoice::placeText() const
{
    return place == Place::ThisComputer ? QStringLiteral("Questo computer") : QStringLiteral("Cartella delle copie");
}

QString BackupChoice::momentText() const
{
    const QString dayText = Cal::format(day, QStringLiteral("EEEEdMMMMy"));
    return time ? dayText + QStringLiteral(" alle ") + time->toString(QStringLiteral("HH:mm"))
                : dayText + QStringLiteral(" \u2013 copia del giorno");
}

BackupListWindow::BackupListWindow(QList<BackupChoice> backups, const QString& placeNote, Counter count,
                                   QWidget* parent)
    : QDialog(parent)
    , m_backups(std::move(backups))
    , m_list(new QTreeWidget(this))
    , m_note(new QLabel(placeNote, this))
{
    setObjectName(QStringLiteral("backupList"));
    setWindowTitle(QStringLiteral("Ripristina da backup"));
    resize(760, 520);
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(QStringLiteral("Scegli un backup per guardarlo in sola lettura: da lì puoi riportare in "
                                            "agenda un appuntamento o un giorno, oppure ripristinare tutto l'archivio."),
                             this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    m_note->setWordWrap(true);
    m_note->setVisible(!placeNote.isEmpty());
    layout->addWidget(m_note);

    m_list->setAccessibleName(QStringLiteral("Backup"));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({QStringLiteral("Dove"), QStringLiteral("Giorno"), QStringLiteral("Ora"),
                             QStringLiteral("Appuntamenti")});
    m_list->header()->setSectionResizeMode(DayColumn, QHeaderView::Stretch);
    for (const int fitted : {PlaceColumn, TimeColumn})
        m_list->header()->setSectionResizeMode(fitted, QHeaderView::ResizeToContents);
    for (const BackupChoice& b : m_backups) {
        auto* row = new QTreeWidgetItem(m_list);
        row->setText(PlaceColumn, b.placeText());
        row->setText(DayColumn, Cal::format(b.day, QStringLiteral("EEEEdMMMMy")));
        row->setText(TimeColumn, b.time ? b.time->toString(QStringLiteral("HH:mm")) : QStringLiteral("copia del giorno"));
        row->setText(CountColumn, b.encrypted ? QStringLiteral("cifrata") : QStringLiteral("…"));
        row->setTextAlignment(CountColumn, Qt::AlignRight | Qt::AlignVCenter);
        row->setToolTip(PlaceColumn, b.path);
    }
    if (m_backups.isEmpty()) {
        auto* none = new QTreeWidgetItem(m_list, {QString(), QStringLiteral("Nessun backup trovato")});
        none->setFlags(Qt::NoItemFlags);
    } else {
        m_list->setCurrentItem(m_list->topLevelItem(0));
    }
    layout->addWidget(m_list, 1);

    auto* buttons = new QDialogButtonBox(this);
    m_open = buttons->addButton(QStringLiteral("Apri in sola lettura…"), QDialogButtonBox::AcceptRole);
    m_open->setEnabled(!m_backups.isEmpty());
    buttons->addButton(QStringLiteral("Chiudi"), QDialogButtonBox::RejectRole);
    connect(m_open, &QPushButton::clicked, this, &BackupListWindow::chooseCurrent);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemActivated, this, &BackupListWindow::chooseCurrent);
    layout->addWidget(buttons);

    countOnWorker(std::move(count));
}

BackupListWindow::~BackupListWindow()
{
    if (m_worker) {
        *m_stop = true;
        m_worker->wait();
        delete m_worker;
    }
}

void BackupListWindow::countOnWorker(Counter count)
{
    QList<std::pair<int, QString>> plain;
    for (int i = 0; i < m_backups.size(); ++i)
        if (!m_backups[i].encrypted)
            plain.append({i, m_backups[i].path});
    m_pending = int(plain.size());
    if (plain.isEmpty())
        return;
    // A backup on a slow share takes a while to open; the list is usable meanwhile.
    m_worker = QThread::create([this, plain, count = std::move(count), stop = m_stop] {
        for (const auto& [row, path] : plain) {
            if (*stop)
                return;
            QString text;
            try {
                text = QLocale(QLocale::Italian, QLocale::Italy).toString(count(path));
            } catch (...) {
                text = QStringLiteral("illeggibile");
            }
            QMetaObject::invokeMethod(this, [this, row, text] { showCount(row, text); }, Qt::QueuedConnection);
        }
    });
    m_worker->start(QThread::LowPriority);
}

void BackupListWindow::showCount(int row, const QString& text)
{
    if (QTreeWidgetItem* item = m_list->topLevelItem(row))
        item->setText(CountColumn, text);
    --m_pending;
}

void BackupListWindow::chooseCurrent()
{
    const int row = m_list->indexOfTopLevelItem(m_list->currentItem());
    if (row >= 0 && row < m_backups.size())
        emit chosen(m_backups[row]);
}
