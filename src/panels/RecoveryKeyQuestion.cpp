#include "RecoveryKeyQuestion.h"

#include "PanelStyle.h"
#include "RecoveryKey.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

RecoveryKeyQuestion::RecoveryKeyQuestion(const QString& copyName, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Chiave di ripristino"));
    setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(this);
    auto* about = new QLabel(
        QStringLiteral("La copia più recente (%1) è cifrata. Per provarne il ripristino scrivi le parole della "
                       "chiave di ripristino, come sono stampate sul foglio: la chiave serve solo a questa prova e "
                       "non viene conservata. Con «Solo verifica» la copia viene letta e controllata senza "
                       "decifrarla.")
            .arg(copyName),
        this);
    about->setWordWrap(true);
    layout->addWidget(about);
    m_words = new QPlainTextEdit(this);
    m_words->setObjectName(QStringLiteral("recoveryWords"));
    m_words->setAccessibleName(QStringLiteral("Parole della chiave di ripristino"));
    m_words->setTabChangesFocus(true);
    layout->addWidget(m_words);
    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("recoveryWordsError"));
    m_error->setWordWrap(true);
    m_error->setFont(PanelStyle::caption());
    m_error->hide();
    layout->addWidget(m_error);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* withKey = buttons->addButton(QStringLiteral("Prova con la chiave"), QDialogButtonBox::AcceptRole);
    withKey->setDefault(true);
    QPushButton* checkOnly = buttons->addButton(QStringLiteral("Solo verifica"), QDialogButtonBox::ActionRole);
    buttons->addButton(QStringLiteral("Annulla"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    // The buttons' own accept would close before the words are read.
    connect(withKey, &QPushButton::clicked, this, &RecoveryKeyQuestion::tryKey);
    connect(checkOnly, &QPushButton::clicked, this, [this] { done(CheckOnly); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString RecoveryKeyQuestion::errorText() const
{
    return m_error->isHidden() ? QString() : m_error->text();
}

void RecoveryKeyQuestion::tryKey()
{
    m_secret = RecoveryKey::fromWords(m_words->toPlainText());
    if (!m_secret) {
        m_error->setText(QStringLiteral("Queste parole non formano una chiave di ripristino: controlla di averle scritte "
                                        "tutte, nell'ordine del foglio."));
        m_error->show();
        return;
    }
    m_words->clear();
    done(WithKey);
}
