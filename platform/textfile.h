#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Reads a regular file whole. Opening never blocks: a FIFO or a device is refused without being read,
// as is anything that cannot be opened or read to its end.
std::optional<QByteArray> readWholeFile(const QString &path);

// Replaces a file's contents all at once: the bytes go to a new file beside it, which takes the old
// one's place only when everything was written. On failure the old file is left as it was. A link is
// followed, so the file it points to gets the new contents.
bool saveWholeFile(const QString &path, const QByteArray &contents);
