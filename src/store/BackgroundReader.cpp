#include "BackgroundReader.h"

BackgroundReader::BackgroundReader(AgendaArchive::ReaderMaker maker)
    : m_maker(std::move(maker))
    , m_thread([this] { run(); })
{
}

BackgroundReader::~BackgroundReader()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
        m_waiting.clear();
        interruptLocked(m_running);
    }
    m_wake.notify_one();
    m_thread.join();
}

void BackgroundReader::ask(int kind, Job job)
{
    {
        const std::lock_guard lock(m_mutex);
        m_waiting[kind] = std::move(job);
        interruptLocked(kind);
    }
    m_wake.notify_one();
}

void BackgroundReader::forget(int kind)
{
    const std::lock_guard lock(m_mutex);
    m_waiting.erase(kind);
    interruptLocked(kind);
}

void BackgroundReader::interruptLocked(int kind)
{
    // The reader is set only while a job runs on it, and is not destroyed meanwhile (the lock).
    if (m_reader && m_running == kind && kind >= 0)
        m_reader->interrupt();
}

void BackgroundReader::run()
{
    std::unique_ptr<AgendaReader> reader;
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || !m_waiting.empty(); });
            if (m_stop)
                break;
            const auto first = m_waiting.begin();
            m_running = first->first;
            job = std::move(first->second);
            m_waiting.erase(first);
        }
        if (!reader)
            reader = m_maker();
        {
            const std::lock_guard lock(m_mutex);
            m_reader = reader.get();
        }
        job(reader.get());
        const std::lock_guard lock(m_mutex);
        m_reader = nullptr;
        m_running = -1;
        if (reader && !reader->usable())
            reader.reset();
    }
    const std::lock_guard lock(m_mutex);
    m_reader = nullptr;
}
