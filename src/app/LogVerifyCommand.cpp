#include "LogVerifyCommand.h"

#include "AgendaArchive.h"
#include "CommandArchive.h"
#include "DatabaseError.h"
#include "LogVerification.h"

#include <QTextStream>

namespace LogVerifyCommand {

bool requested(const QStringList& arguments)
{
    return arguments.contains(QStringLiteral("--verify-log"));
}

int run()
{
    try {
        const std::unique_ptr<AgendaArchive> archive = CommandArchive::open();
        const ActivityChain::Verdict verdict = LogVerification::verify(*archive);
        QTextStream(stdout) << verdict.message() << '\n';
        return verdict.intact() ? 0 : 1;
    } catch (const DatabaseError& error) {
        QTextStream(stderr) << QStringLiteral("Impossibile leggere il registro attività: ") << error.message()
                            << QStringLiteral(".\n");
        return 1;
    }
}

} // namespace LogVerifyCommand
