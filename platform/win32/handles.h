#pragma once

#include "platform/directories.h"

#include <atomic>
#include <string>

#include <windows.h>

// What the platform types hold on Windows: a directory is a handle opened with backup semantics (the
// only way to open a directory), shared for reading, writing and deleting so that holding it keeps
// nobody from renaming or removing it; a file is known by its volume's serial number and its 64-bit file
// index. Only the Windows implementations (and tests of them) look inside.
struct PlatformAccess
{
    // A file index that says nothing: some file systems give 0, or all ones where the index does not
    // fit 64 bits (ReFS). Files with such an index get an identity that no other file shares, so that two
    // of them are never taken for one.
    static bool isRealIndex(quint64 fileIndex) { return fileIndex != 0 && fileIndex != ~quint64(0); }

    static FileIdentity identity(DWORD volumeSerial, quint64 fileIndex)
    {
        FileIdentity id;
        id.m_volume = volumeSerial;
        id.m_file = fileIndex;
        if (!isRealIndex(fileIndex)) {
            static std::atomic<quint64> made{0};
            id.m_volume |= kMadeUp;
            id.m_file = ++made;
        }
        return id;
    }
    static FileIdentity identity(const BY_HANDLE_FILE_INFORMATION &info)
    {
        return identity(info.dwVolumeSerialNumber, quint64(info.nFileIndexHigh) << 32 | info.nFileIndexLow);
    }
    // Whether the file opened is the one listed: the same identity, or a listed one that could not be told.
    static bool isSameFile(FileIdentity listed, FileIdentity opened)
    {
        return (listed.m_volume & kMadeUp) != 0 || listed == opened;
    }
    // Whether the identity is the file's own rather than made up.
    static bool isKnown(FileIdentity id) { return (id.m_volume & kMadeUp) == 0; }

    static DirectoryAnchor adopt(HANDLE handle) { return DirectoryAnchor(reinterpret_cast<qintptr>(handle)); }
    static HANDLE handle(const DirectoryAnchor &directory)
    {
        return reinterpret_cast<HANDLE>(directory.m_handle);
    }
    // The directory that relative names are taken in: the anchor's, or the current one at each call.
    static HANDLE handle(const DirectoryAnchor *directory)
    {
        return directory ? handle(*directory) : INVALID_HANDLE_VALUE;
    }

private:
    // Volume serial numbers have 32 bits; the bit above them marks a made-up identity.
    static constexpr quint64 kMadeUp = quint64(1) << 32;
};

// Opens the directory a system path names (links followed), for the access asked besides reading its
// attributes, shared as an anchor is; INVALID_HANDLE_VALUE, with the system's error, when the path names
// no directory.
HANDLE openDirectoryHandle(const std::wstring &systemPath, DWORD access);
