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
    // Opens a file whose facts were looked at a moment ago (regularFileFacts): false unless it is still
    // that regular file.
    bool openAgain(const QByteArray &path, int directory, quint64 device, quint64 inode);
    void close();
    bool isOpen() const { return m_fd >= 0; }

    qint64 size() const { return m_size; }
    quint64 device() const { return m_device; }
    quint64 inode() const { return m_inode; }

    // Where the next data at or after offset starts: the bytes in between are a hole and read as zeros.
    // Returns offset itself when the file system cannot tell.
    qint64 dataFrom(qint64 offset) const;

    // Reads exactly length bytes at offset into buffer; false on an error or a short read (the file
    // changed under us).
    bool readAt(qint64 offset, char *buffer, qint64 length) const;

private:
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
