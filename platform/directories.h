#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

#include <compare>
#include <cstddef>

// Directories held open for as long as a run needs them, so that a relative path means the same place
// for the whole run and a path of any length can be reached: nothing here builds a path longer than the
// system takes, and a path too long for one call is walked a component at a time.

struct PlatformAccess; // the platform's implementation, which alone sees what the types below hold

// Which file or directory an entry is, whatever its path. Identities compare, order and hash; what they
// are made of is the platform's business.
class FileIdentity
{
public:
    FileIdentity() = default;
    auto operator<=>(const FileIdentity &) const = default;
    size_t hash() const { return size_t(m_file * 0x9E3779B97F4A7C15ull ^ m_volume); }

private:
    friend struct PlatformAccess;
    quint64 m_volume = 0;
    quint64 m_file = 0;
};

struct FileIdentityHash
{
    size_t operator()(const FileIdentity &id) const { return id.hash(); }
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

    bool isValid() const { return m_handle != kNoHandle; }
    // Makes it the current directory.
    bool enter() const;

private:
    friend struct PlatformAccess;
    // Wide enough for any platform's handle; what it means is the implementation's.
    static constexpr qintptr kNoHandle = -1;
    explicit DirectoryAnchor(qintptr handle) : m_handle(handle) {}
    qintptr m_handle = kNoHandle;
};

// Whether the sizes that the files in this directory report say nothing of their contents: on the
// kernel's pseudo-file systems (process and system information, control groups, tracing) a file reports 0
// bytes, or a page, and gives however many bytes it has when read. Asked once per directory: it is a
// property of the file system the directory is on. False when it cannot be told.
bool sizesAreNotReal(const DirectoryAnchor &directory);

// Makes the directory that path names the current one, a relative path taken from base; on failure the
// current directory stays as it was.
bool SetCurrentDirFrom(const DirectoryAnchor &base, const QByteArray &path);

// The identity of the current directory; false when it cannot be looked at.
bool currentDirIdentity(FileIdentity &identity);

// The names of the directories in a directory (links to directories too), "." and ".." left out, in no
// particular order; none when it cannot be read.
QList<QByteArray> subdirectoryNames(const QByteArray &directory);
