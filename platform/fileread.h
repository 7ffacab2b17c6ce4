#pragma once

#include "platform/directories.h"

#include <QByteArray>
#include <QtGlobal>

// Reading a file for comparison: opened read-only, non-blocking and close-on-exec, and only when it is a
// regular file (FIFOs and devices are never opened, so nothing can hang or trigger a device's side
// effects). Linux has no exclusive open; a file another program holds open is still readable.
//
// A relative path is taken in the directory given; none (nullptr): in the current directory at the time
// of the call. In a directory that could not be held nothing is found.

class ReadOnlyFile
{
public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile() { close(); }
    ReadOnlyFile(const ReadOnlyFile &) = delete;
    ReadOnlyFile &operator=(const ReadOnlyFile &) = delete;

    // False when the path names no readable regular file.
    bool open(const QByteArray &path, const DirectoryAnchor *directory = nullptr);
    // Opens a file whose facts a directory listing gave (its name in that directory, never a link): one
    // open and one look at what it opened. False unless it is still that regular file, of that size (of
    // any size when size is negative: for a file whose reported size says nothing).
    bool openListed(const QByteArray &name, const DirectoryAnchor *directory, FileIdentity identity,
                    qint64 size);
    void close();
    bool isOpen() const { return m_handle != kNoHandle; }
    // The last open failed only because no handle was left for it (this process's limit or the system's):
    // the file may well be readable once handles are freed.
    bool lackedHandle() const { return m_lackedHandle; }

    qint64 size() const { return m_size; }
    FileIdentity identity() const { return m_identity; }

    // Where data lies at or after offset (below size()): it starts at start and goes on up to end, the
    // bytes before start being a hole (zeros). start == size() when only a hole is left; start == -1
    // when the file is found shorter than it was when opened. A file that may have no holes, or whose file
    // system cannot tell, is data from offset to its end.
    struct Extent
    {
        qint64 start;
        qint64 end;
    };
    Extent dataExtent(qint64 offset) const;
    // False when the file takes up all the room its size needs: it has no holes, and dataExtent costs
    // nothing.
    bool mayHaveHoles() const { return m_mayHaveHoles; }

    // Reads up to length bytes at offset into buffer: the count, which is smaller only where the file
    // ends; -1 on an error.
    qint64 readUpTo(qint64 offset, char *buffer, qint64 length) const;
    // Reads exactly length bytes at offset into buffer; false on an error or a short read (the file
    // changed under us).
    bool readAt(qint64 offset, char *buffer, qint64 length) const
    {
        return readUpTo(offset, buffer, length) == length;
    }
    // The file's size now; -1 when it cannot be told.
    qint64 currentSize() const;

private:
    bool openChecked(const QByteArray &path, const DirectoryAnchor *directory, bool followLinks,
                     FileIdentity identity, qint64 size);

    static constexpr qintptr kNoHandle = -1;
    qintptr m_handle = kNoHandle; // the platform's handle of the open file
    qint64 m_size = 0;
    FileIdentity m_identity;
    bool m_mayHaveHoles = false;
    bool m_lackedHandle = false;
};

// Raises the limit of open files as far as the system allows, once; returns the limit.
qint64 raiseOpenFileLimit();

// The facts of a path without opening it: false when it names no regular file (links followed).
bool regularFileFacts(const QByteArray &path, qint64 &size, FileIdentity &identity,
                      const DirectoryAnchor *directory = nullptr);
