#include "AgendaArchive.h"

#include <QSysInfo>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

AgendaArchive::Actor AgendaArchive::localActor()
{
    QString account = qEnvironmentVariable("USER");
    if (account.isEmpty())
        account = qEnvironmentVariable("USERNAME");
#ifdef Q_OS_UNIX
    if (account.isEmpty())
        if (const passwd* user = getpwuid(geteuid()))
            account = QString::fromLocal8Bit(user->pw_name);
#endif
    return Actor{QSysInfo::machineHostName(), account, {}};
}
