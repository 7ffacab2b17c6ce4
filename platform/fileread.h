#pragma once

#include <QByteArray>
#include <QtGlobal>

// Reading a file for comparison: opened read-only, non-blocking and close-on-exec, and only when it is a
// regular file (FIFOs and devices are never opened, so nothing can hang or trigger a device's side
// effects). Linux has no exclusive open; a file another program holds open is still readable.
constexpr int kCurrentDirectory = -100; // AT_FDCWD

class ReadOnlyFile
{
public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile() { close(); }
    ReadOnlyFile(const ReadOnlyFile &) = delete;
    ReadOnlyFile &operator=(const ReadOnlyFile &) = delete;

    // False when the path names no readable regular file. A relative path is taken in the directory
    // that directory names (a descriptor; AT_FDCWD: the current directory).
    bool open(const QByteArray &path, int directory = kCurrentDirectory);
    // Opens a file whose facts a directory listing gave (its name in that directory, never a link): one
    // open and one look at what it opened. False unless it is still that regular file, of that size.
    bool openListed(const QByteArray &name, int directory, quint64 device, quint64 inode, qint64 size);
    void close();
    bool isOpen() const { return m_fd >= 0; }

    qint64 size() const { return m_size; }
    quint64 device() const { return m_device; }
    quint64 inode() const { return m_inode; }

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
    bool openChecked(const QByteArray &path, int directory, int flags, quint64 device, quint64 inode,
                     qint64 size);

    int m_fd = -1;
    qint64 m_size = 0;
    quint64 m_device = 0;
    quint64 m_inode = 0;
    bool m_mayHaveHoles = false;
};

// Raises the limit of open files as far as the system allows, once; returns the limit.
qint64 raiseOpenFileLimit();

// The facts of a path without opening it: false when it names no regular file (links followed).
bool regularFileFacts(const QByteArray &path, qint64 &size, quint64 &device, quint64 &inode,
                      int directory = kCurrentDirectory);

// A directory held open (search permission is enough), so that the files in it are found by their names
// alone, without walking the whole path for every file.
class DirectoryHandle
{
public:
    explicit DirectoryHandle(const QByteArray &path);
    ~DirectoryHandle();
    DirectoryHandle(const DirectoryHandle &) = delete;
    DirectoryHandle &operator=(const DirectoryHandle &) = delete;
    // The descriptor; -1 when the directory cannot be reached, so that no name is found in it.
    int descriptor() const { return m_fd; }

private:
    int m_fd;
};
