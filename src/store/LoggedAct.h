#pragma once

#include "AgendaArchive.h"

#include <QString>

// Names the receptionist's act for the activity log while it lasts: every entry its writes leave is
// recorded under it. An act within another (a save made by an undo) keeps the outer act's name.
class LoggedAct {
public:
    LoggedAct(AgendaArchive& archive, QString& current, const QString& action)
        : m_archive(archive)
        , m_current(current)
        , m_outermost(current.isEmpty())
    {
        if (!m_outermost)
            return;
        m_current = action;
        m_archive.setAction(action);
    }
    ~LoggedAct()
    {
        if (!m_outermost)
            return;
        m_current.clear();
        m_archive.setAction({});
    }
    LoggedAct(const LoggedAct&) = delete;
    LoggedAct& operator=(const LoggedAct&) = delete;

private:
    AgendaArchive& m_archive;
    QString& m_current;
    bool m_outermost;
};
