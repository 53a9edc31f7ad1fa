#pragma once

#include "AgendaArchive.h"

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

// One worker thread that answers the questions reading the whole agenda on a connection of its own
// (made there at the first question, again after a failure), so that the thread that asks goes on.
// Of each kind only the newest question is worth answering: one asked before it and not yet begun is
// dropped, one under way is interrupted.
class BackgroundReader {
public:
    // Runs on the worker with its reader; null when none could be made.
    using Job = std::function<void(AgendaReader* reader)>;

    explicit BackgroundReader(AgendaArchive::ReaderMaker maker);
    // Drops the waiting questions, interrupts the one under way and waits for the thread.
    ~BackgroundReader();
    BackgroundReader(const BackgroundReader&) = delete;
    BackgroundReader& operator=(const BackgroundReader&) = delete;

    void ask(int kind, Job job);
    // No answer of this kind is wanted any more.
    void forget(int kind);

private:
    void run();
    void interruptLocked(int kind);

    AgendaArchive::ReaderMaker m_maker;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::map<int, Job> m_waiting;
    // The kind of the job under way (-1: none) and the reader it runs on.
    int m_running = -1;
    AgendaReader* m_reader = nullptr;
    bool m_stop = false;
    std::thread m_thread;
};
