#pragma once

#include "platform/volumes.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

// The volumes that a mount table (the text of /proc/self/mountinfo) describes: "/" first, then the
// mounted devices in the byte order of their mount points. labelOf gives a device's label, or an empty
// text. Nothing here looks at the file system, so the rules can be tried on any table.
QList<Volume> volumesFromMountInfo(const QByteArray &mountInfo,
                                   const std::function<QString(const QByteArray &device)> &labelOf);
