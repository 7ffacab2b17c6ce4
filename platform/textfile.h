#pragma once

#include <QByteArray>
#include <QString>

// Reads a regular file whole, if it holds at most limit bytes. Opening never blocks: a FIFO or a device
// is refused without being read, as is anything that cannot be opened or read to its end. The size the
// system reports is not trusted alone (the files of /proc report 0): reading stops once it has more than
// limit bytes.
struct WholeFile
{
    enum Outcome { Read, CannotOpen, TooLarge };
    Outcome outcome = CannotOpen;
    QByteArray bytes;
};
WholeFile readWholeFile(const QString &path, qint64 limit);

// Gives a file new contents the way "create or truncate, then write" does, refused by the same users
// and files and kept in the same file: its owner, mode and links stay, a link to nothing gets its target
// created. Unlike that plain write, a failure never loses the old contents: the space for the new ones is
// reserved before anything is overwritten, and what they cover is read first and put back if a write
// fails part way. A FIFO, a device or a directory in the file's place is refused without being opened.
bool saveWholeFile(const QString &path, const QByteArray &contents);

// For tests: writes without reserving the space first, as on a file system that cannot reserve it.
void setSpaceReservation(bool reserve);
