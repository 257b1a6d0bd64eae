#include "platform/LoginName.h"

#include <pwd.h>
#include <unistd.h>

QString loginName()
{
    // Not $LOGNAME first: sudo and su keep the caller's in some set-ups, and
    // the record should name whose rights did the work.
    if (const passwd *entry = getpwuid(geteuid()); entry && entry->pw_name)
        return QString::fromLocal8Bit(entry->pw_name);
    return qEnvironmentVariable("USER");
}
