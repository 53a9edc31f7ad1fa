#include "LogCheck.h"

#include "DatabaseError.h"
#include "LogVerification.h"

#include <QPointer>
#include <QThread>

LogCheck::LogCheck(AgendaArchive::LogReaderMaker maker, QObject* parent)
    : QObject(parent)
    , m_stop(std::make_shared<std::atomic<bool>>(false))
{
    if (!maker)
        return;
    m_thread.reset(QThread::create([this, maker = std::move(maker), stop = m_stop] {
        try {
            const std::unique_ptr<AgendaArchive> reader = maker();
            if (!reader)
                return;
            const ActivityChain::Verdict verdict = LogVerification::verify(*reader, stop.get());
            if (!verdict.intact() && !*stop)
                QMetaObject::invokeMethod(this, [this, message = verdict.message()] { emit broken(message); },
                                          Qt::QueuedConnection);
        } catch (const DatabaseError&) {
            // A log that cannot be read now is read again at the next start; the agenda goes on.
        }
    }));
    // Only on a core the receptionist's work leaves idle.
    m_thread->start(QThread::IdlePriority);
}

LogCheck::~LogCheck()
{
    *m_stop = true;
    if (m_thread)
        m_thread->wait();
}
