#include "OperatorChoice.h"

#include "Store.h"

#include <QSettings>

OperatorChoice::OperatorChoice(Store& store, std::unique_ptr<QSettings> local, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_local(std::move(local))
    // One choice per agenda: a test folder or a second practice's agenda keeps its own.
    , m_key(QStringLiteral("operatore/") + QString::fromLatin1(store.archiveLocation().toUtf8().toBase64(
                                                 QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals)))
{
    m_remembered = m_local->value(m_key).toString();
    if (!m_remembered.isEmpty())
        m_store.setCurrentOperator(m_remembered);
    remember();
    connect(&m_store, &Store::changed, this, &OperatorChoice::remember);
}

OperatorChoice::~OperatorChoice() = default;

std::unique_ptr<QSettings> OperatorChoice::localSettings()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Calvora"),
                                       QStringLiteral("Calvora"));
}

void OperatorChoice::remember()
{
    const QString current = m_store.currentOperator();
    if (current == m_remembered)
        return;
    m_remembered = current;
    if (current.isEmpty())
        m_local->remove(m_key);
    else
        m_local->setValue(m_key, current);
    m_local->sync();
}
