#include "platform/systembox.h"

bool showSystemStopBox(const QString &, const QString &)
{
    // A Linux desktop has no message box of the system's own apart from its toolkits'.
    return false;
}
