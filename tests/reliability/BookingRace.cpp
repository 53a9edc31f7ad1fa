#include "BookingRace.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace BookingRace {

namespace {

// The message of a write whose commit was sent but whose answer never came back.
const QString lostAnswer = QStringLiteral("la conferma del server è andata persa");

// Reads one worker's lines into the outcome.
class Reader {
public:
    Reader(Outcome& outcome, bool lostAnswers, int worker) : m_o(outcome), m_lostAnswers(lostAnswers), m_worker(worker) {}

    void read(const QString& line)
    {
        const QStringList f = line.split(u'\t');
        if (f.value(0) == "done") {
            ++m_o.workersDone;
            return;
        }
        if (f.value(0) == "alert") {
            ++m_o.counts["read alert"];
            return;
        }
        const QString kind = f.value(0) + ' ' + f.value(2);
        ++m_o.counts[kind];
        const QString& tag = f.value(1);
        const bool lost = m_lostAnswers && f.value(3).contains(lostAnswer);
        if (lost)
            ++m_o.counts["lost answer"];
        if (kind == "save ok") {
            m_o.expected.insert(tag, {f.value(3).toLongLong(), f.value(4), f.value(5).toInt(), f.value(6).toInt()});
            m_savedSinceFailure = true;
        } else if (kind == "save refused" || kind == "save error") {
            if (lost)
                m_o.uncertain[tag] = {{f.value(4).toLongLong(), f.value(5), f.value(6).toInt(), f.value(7).toInt()}};
            else
                m_o.refused.insert(tag);
            if (kind == "save error") {
                m_failed = true;
                m_savedSinceFailure = false;
                // Reported database errors must carry the operation's message.
                if (!f.value(3).startsWith("Errore durante il salvataggio: "))
                    m_o.faults << line;
            }
        } else if (kind == "move ok") {
            const Placement before = m_o.expected.value(tag, m_o.uncertain.value(tag).value(0));
            m_o.expected.insert(tag, {f.value(3).toLongLong(), f.value(4), f.value(5).toInt(), before.duration});
            m_o.uncertain.remove(tag);
        } else if (kind == "move error" && lost) {
            makeUncertain(tag);
            QList<Placement>& options = m_o.uncertain[tag];
            if (!options.isEmpty())
                options.append({f.value(4).toLongLong(), f.value(5), f.value(6).toInt(), options.first().duration});
        } else if (kind == "delete ok") {
            m_o.expected.remove(tag);
            m_o.uncertain.remove(tag);
        } else if (kind == "delete error" && m_lostAnswers) {
            makeUncertain(tag); // the answer to a delete that was done can be lost too
        } else if (kind == "save unfound" && m_lostAnswers) {
            // Saved, then the server went away before the week could be read again.
        } else if (kind == "move lost" && m_o.uncertain.contains(tag)) {
            // It was deleted after all, by a delete whose answer was lost.
        } else if (kind != "move refused" && kind != "move error" && kind != "delete error") {
            m_o.faults << QString("worker %1: %2").arg(m_worker).arg(line);
        }
    }

    void finish()
    {
        if (!m_failed)
            return;
        ++m_o.workersThatFailed;
        if (m_savedSinceFailure)
            ++m_o.workersRecovered;
    }

private:
    void makeUncertain(const QString& tag)
    {
        if (m_o.expected.contains(tag))
            m_o.uncertain[tag] = {m_o.expected.take(tag)};
    }

    Outcome& m_o;
    bool m_lostAnswers;
    int m_worker;
    bool m_failed = false;
    bool m_savedSinceFailure = false;
};

} // namespace

Outcome run(const Race& r)
{
    Outcome outcome;
    int ready[2];
    int go[2];
    if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(go, O_CLOEXEC) != 0) {
        outcome.faults << "pipe";
        return outcome;
    }
    std::vector<std::unique_ptr<ChildProcess>> children;
    for (int i = 0; i < r.workers; ++i) {
        QStringList args{"book", r.agenda, QString::number(i), QString::number(r.bookings), QString::number(r.seed),
                         QString::number(ready[1]), QString::number(go[0])};
        if (!r.mode.isEmpty())
            args << r.mode;
        children.push_back(std::make_unique<ChildProcess>(args, r.folder + QString("/worker-%1.txt").arg(i),
                                                          std::vector<int>{ready[1], go[0]}));
    }
    ::close(ready[1]);
    ::close(go[0]);
    for (int i = 0; i < r.workers; ++i) {
        char c;
        if (::read(ready[0], &c, 1) != 1)
            outcome.faults << "a worker did not get ready";
    }
    ::close(ready[0]);
    ::close(go[1]); // everybody starts now
    if (r.meanwhile)
        r.meanwhile(children);

    for (int i = 0; i < r.workers; ++i) {
        const int status = children[size_t(i)]->wait();
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            outcome.faults << QString("worker %1 ended with status %2").arg(i).arg(status);
        Reader reader(outcome, r.lostAnswers, i);
        for (const QString& line : children[size_t(i)]->lines())
            reader.read(line);
        reader.finish();
    }
    return outcome;
}

QStringList differences(const Outcome& o, const QList<std::pair<QString, Placement>>& rows)
{
    QStringList found;
    QHash<QString, Placement> stored;
    for (const auto& [patient, placement] : rows) {
        if (stored.contains(patient))
            found << "twice: " + patient;
        if (o.refused.contains(patient))
            found << "refused but stored: " + patient;
        else if (o.uncertain.contains(patient) && !o.uncertain.value(patient).contains(placement))
            found << "stored where it was never put: " + patient;
        else if (!o.uncertain.contains(patient) && !o.expected.contains(patient))
            found << "stored though deleted or never acknowledged: " + patient;
        stored.insert(patient, placement);
    }
    // Every acknowledged booking is there, in its last acknowledged place.
    for (auto it = o.expected.cbegin(); it != o.expected.cend(); ++it) {
        if (!stored.contains(it.key()))
            found << "acknowledged but missing: " + it.key();
        else if (stored.value(it.key()) != it.value())
            found << "not where the worker was told: " + it.key();
    }
    return found;
}

QString figures(const Outcome& o, qint64 overlaps)
{
    QStringList parts;
    for (auto it = o.counts.cbegin(); it != o.counts.cend(); ++it)
        parts << QString("%1=%2").arg(it.key()).arg(it.value());
    parts.sort();
    return parts.join(", ") + QString(", uncertain=%1, overlaps=%2").arg(o.uncertain.size()).arg(overlaps);
}

} // namespace BookingRace
