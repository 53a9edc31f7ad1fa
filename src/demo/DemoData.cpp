#include "DemoData.h"

#include "Cal.h"
#include "Schedule.h"
#include "SeededGenerator.h"
#include "Store.h"

#include <array>

namespace {

constexpr std::array<int, 5> gapChoices{0, 0, 15, 30, 60};
constexpr std::array<int, 6> lengthChoices{15, 30, 30, 45, 60, 90};

const std::array<const char*, 20> patientNames{
    "Giulia Ferri",      "Marco Bellandi",  "Chiara Rinaldi",  "Luca Marchetti",   "Francesca Galli",
    "Paolo Santoro",     "Elena Colombo",   "Andrea Moretti",  "Sara De Angelis",  "Matteo Fontana",
    "Valentina Greco",   "Davide Lombardi", "Martina Ricci",   "Stefano Barbieri", "Alessia Conti",
    "Roberto Mancini",   "Federica Villa",  "Simone Caruso",   "Laura Ferraro",    "Giorgio Testa"};

} // namespace

namespace DemoData {

int seed(Store& store)
{
    SeededGenerator generator(42);
    int stored = 0;
    const QStringList& treatments = Store::defaultTreatments();
    const QList<QDate> days = Cal::workdays(store.anchor());
    const QList<Dentist> dentists = store.dentists();
    for (const QDate& day : days) {
        for (const Dentist& dentist : dentists) {
            int t = Schedule::openingMinutes;
            while (true) {
                const int start = t + gapChoices[generator.next(gapChoices.size())];
                const int end = start + lengthChoices[generator.next(lengthChoices.size())];
                if (end > Schedule::closingMinutes)
                    break;
                const QString patient = QString::fromUtf8(patientNames[generator.next(patientNames.size())]);
                QString phone;
                if (generator.nextBool())
                    phone = QStringLiteral("333 ") + QString::number(generator.next(9000000) + 1000000);
                const QString treatment = treatments[qsizetype(generator.next(std::uint64_t(treatments.size())))];
                const QString notes =
                    generator.next(5) == 0 ? QStringLiteral("Portare radiografie precedenti") : QString();
                const Appointment proposal{0, dentist.id, Cal::dayKey(day), start, end - start,
                                           patient, phone, treatment, notes};
                if (!store.save(proposal))
                    ++stored;
                if (end == Schedule::closingMinutes)
                    break;
                t = end;
            }
        }
    }
    return stored;
}

} // namespace DemoData
