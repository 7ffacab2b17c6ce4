#pragma once

#include <QByteArray>

#include <functional>
#include <vector>

// One file taking part in the content comparison. A file listed on both sides (the same directory written
// two ways, or a hard link) is one file with entries on both sides, and it is read once.
struct ContentFile
{
    int directory;      // the directory it is in (a descriptor), or kCurrentDirectory
    QByteArray name;    // its entry name: opened in that directory, and shown in progress texts
    int firstSide = 0;  // how many directory-1 entries refer to it
    int secondSide = 0; // how many directory-2 entries refer to it
    int contentClass = -1;
    // Its identity when it was listed; a file opened under that name must still be this file.
    quint64 device = 0;
    quint64 inode = 0; // equal numbers mean equal contents; -1: unreadable, or equal to nothing useful
};

struct ClassifyHooks
{
    // Called after every block read and every open: hands over to the event loop when due; true when the
    // user asked to stop.
    std::function<bool()> stopRequested;
    // Which two files are being compared, and from which byte on.
    std::function<void(const ContentFile &first, const ContentFile &second, qint64 byte)> comparing;
};

// Splits the files of one size (indexes into files) into classes of byte-for-byte equal contents. Every
// file is read at most once, in blocks: each block of a class is compared with the block of the class's
// first member, and only the members that differ are sorted by a hash of the block and compared again.
// A class is read no further once it can give no coincidence (no entry left on one side; with both sides
// the same directory, fewer than two entries). Returns false when a stop was requested.
// memoryBudget bounds the blocks held at once (one block per file being read).
bool classifyContents(std::vector<ContentFile> &files, const std::vector<int> &group, qint64 size,
                      bool sameDirectory, int &nextClass, const ClassifyHooks &hooks,
                      qint64 memoryBudget = qint64(64) << 20);
