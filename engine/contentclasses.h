#pragma once

#include "engine/blockhash.h"
#include "platform/directories.h"

#include <QByteArray>

#include <functional>
#include <vector>

// One file taking part in the content comparison. A file listed on both sides (the same directory written
// two ways, or a hard link) is one file with entries on both sides, and it is read once.
struct ContentFile
{
    const DirectoryAnchor *directory; // the directory it is in; nullptr: the current directory
    QByteArray name;                  // its entry name: opened in that directory, and shown in progress texts
    int firstSide = 0;                // how many directory-1 entries refer to it
    int secondSide = 0;               // how many directory-2 entries refer to it
    // Equal numbers mean equal contents; -1: unreadable, or equal to nothing that gives a coincidence.
    int contentClass = -1;
    // Its identity when it was listed; a file opened under that name must still be this file.
    FileIdentity identity{};
    // Its listed size says nothing of its contents (a pseudo-file, see sizesAreNotReal): it is judged by
    // the bytes its reads give, however many, and its size is not checked when it is opened.
    bool sizeUnknown = false;
};

struct ClassifyHooks
{
    // Called after every block read, every open that reads nothing and every hole stepped over: hands over to
    // the event loop when due; true when the user asked to stop.
    std::function<bool()> handOverAndPollStop = nullptr;
    // Called just before every hand-over: the byte that the comparison of the watched pair, one byte after
    // the other, would show now; -1 when it shows none (files of no bytes or of unknown size, a file that
    // cannot be read, no pair watched). It never goes back, stays below the size and never passes the
    // first byte where the two differ.
    std::function<void(qint64 byte)> watchedPairAt = nullptr;
    // Called for every file's block that is read, or tried (what the reading costs).
    std::function<void()> blockRead = nullptr;
    // Sorts the differing ends of blocks into buckets; equal hashes never decide, the bytes do.
    quint64 (*hashBlock)(const char *data, qint64 length) = blockHash;
};

// The pair whose comparison the progress follows: two indexes into files, both in the group; -1: none.
struct WatchedPair
{
    int first = -1;
    int second = -1;
};

// Splits the files of one size (indexes into files) into classes of byte-for-byte equal contents. The
// members of a class are read side by side, block by block, each block compared with the block of the
// class's first member; those that differ from it are sorted by where they differ and a hash of the rest of
// the block, and each set that agrees so far is followed on its own, equal bytes deciding. What is held at
// once is two blocks and, within memoryBudget, the differing ends of blocks, whatever the number of files.
// Holes are stepped over: where every member has a hole nothing is read. A class is read no further once it
// can give no coincidence (no entry left on one side; with both sides the same directory, fewer than two
// entries), and a single file listed on both sides equals itself once it is known to be readable.
//
// A file that cannot be opened or read, that is no longer the listed file, or that ends before its listed
// size while its size says otherwise (cut short meanwhile) coincides with nothing. A file whose reads end
// before its size while its size stays (what the kernel's attribute files do) is judged by the bytes read.
// A file of unknown size (whatever its listed size) is read as far as its reads go and split from the others
// by those bytes; beside it, the files of known size are taken to end at their size.
// Returns false when a stop was requested.
bool classifyContents(std::vector<ContentFile> &files, const std::vector<int> &group, qint64 size,
                      bool sameDirectory, int &nextClass, const ClassifyHooks &hooks,
                      WatchedPair watched = {}, qint64 memoryBudget = qint64(32) << 20);
