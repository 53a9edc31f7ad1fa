#include "Store.h"

#include "AgendaArchive.h"
#include "LoggedAct.h"
#include "SaveFailure.h"
#include "StorePractice.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

// Trimmed, without blanks and without a second spelling of a name already listed (ignoring case).
QStringList cleaned(const QStringList& names)
{
    QStringList result;
    for (const QString& name : names) {
        const QString trimmed = name.simplified();
        if (!trimmed.isEmpty() && !result.contains(trimmed, Qt::CaseInsensitive))
            result.append(trimmed);
    }
    return result;
}

} // namespace

QStringList Store::operatorsIn(const QHash<QString, QString>& settings)
{
    QStringList names;
    for (const QJsonValue& v : QJsonDocument::fromJson(settings.value(operatorsKey).toUtf8()).array())
        names.append(v.toString());
    return cleaned(names);
}

std::optional<QString> Store::setOperators(const QStringList& names)
{
    const QStringList list = cleaned(names);
    // A rename made here keeps its operator working here; other computers see a name gone and choose nobody.
    const qsizetype working = m_operators.indexOf(m_currentOperator);
    const bool renamedHere = working >= 0 && list.size() == m_operators.size() && !list.contains(m_currentOperator);
    const LoggedAct act(m_archive, m_act, QStringLiteral("settings"));
    try {
        m_archive.writeSetting(operatorsKey,
                               list.isEmpty() ? std::nullopt
                                              : std::optional(QString::fromUtf8(
                                                    QJsonDocument(QJsonArray::fromStringList(list))
                                                        .toJson(QJsonDocument::Compact))));
    } catch (const DatabaseError& error) {
        return SaveFailure::text(error);
    }
    loadSettings();
    if (renamedHere)
        setCurrentOperator(list.at(working));
    return std::nullopt;
}

void Store::setCurrentOperator(const QString& name)
{
    const QString chosen = m_operators.contains(name) ? name : QString();
    AgendaArchive::Actor actor = AgendaArchive::localActor();
    actor.operatorName = chosen;
    m_archive.setActor(actor);
    m_currentOperator = chosen;
    emit changed();
}

bool Store::takeOperators(const QHash<QString, QString>& settings)
{
    const QStringList fresh = operatorsIn(settings);
    if (fresh == m_operators)
        return false;
    m_operators = fresh;
    // Whoever was working here and is no longer named: nobody, without a question.
    if (!m_currentOperator.isEmpty() && !m_operators.contains(m_currentOperator))
        setCurrentOperator(QString());
    return true;
}
