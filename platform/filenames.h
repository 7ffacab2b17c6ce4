#pragma once

#include <QByteArray>
#include <QString>

// Names on the file system are bytes. Texts typed by the user become bytes for the system calls, and
// bytes become text only to be shown.
QByteArray pathBytes(const QString &text);

// Decodes a name for display; control characters become '?' so that a name is always one line.
QString displayName(const QByteArray &name);
