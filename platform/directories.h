#pragma once

#include <QByteArray>
#include <QtGlobal>

// Directories held open for as long as a run needs them, so that a relative path means the same place
// for the whole run and a path of any length can be reached: nothing here builds a path longer than the
// system takes, and a path too long for one call is walked a component at a time.

// Which file or directory an entry is, whatever its path.
struct FileIdentity
{
    quint64 device = 0;
    quint64 inode = 0;

    bool operator==(const FileIdentity &o) const { return device == o.device && inode == o.inode; }
    bool operator<(const FileIdentity &o) const
    {
        return device != o.device ? device < o.device : inode < o.inode;
    }
};

class DirectoryAnchor
{
public:
    // The current directory.
    static DirectoryAnchor current();
    // The directory that path names, a relative path taken from base (search permission is enough).
    DirectoryAnchor(const DirectoryAnchor &base, const QByteArray &path);
    DirectoryAnchor() = default;
    ~DirectoryAnchor();
    DirectoryAnchor(DirectoryAnchor &&other) noexcept;
    DirectoryAnchor &operator=(DirectoryAnchor &&other) noexcept;
    DirectoryAnchor(const DirectoryAnchor &) = delete;
    DirectoryAnchor &operator=(const DirectoryAnchor &) = delete;

    bool isValid() const { return m_fd >= 0; }
    // For the calls that take a directory: the files in it are found by their names alone.
    int descriptor() const { return m_fd; }
    // Makes it the current directory.
    bool enter() const;

private:
    explicit DirectoryAnchor(int fd) : m_fd(fd) {}
    int m_fd = -1;
};

// Makes the directory that path names the current one, a relative path taken from base; on failure the
// current directory stays as it was.
bool SetCurrentDirFrom(const DirectoryAnchor &base, const QByteArray &path);

// The identity of the current directory; false when it cannot be looked at.
bool currentDirIdentity(FileIdentity &identity);
