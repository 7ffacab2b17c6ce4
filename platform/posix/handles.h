#pragma once

#include "platform/directories.h"

#include <fcntl.h>
#include <sys/stat.h>

// What the platform types hold on POSIX systems: a directory is an open descriptor, a file is known by its
// device and inode. Only the POSIX implementations (and tests of them) look inside.
struct PlatformAccess
{
    static FileIdentity identity(const struct stat &st)
    {
        FileIdentity id;
        id.m_volume = quint64(st.st_dev);
        id.m_file = quint64(st.st_ino);
        return id;
    }
    static DirectoryAnchor adopt(int fd) { return DirectoryAnchor(fd); }
    static int descriptor(const DirectoryAnchor &directory) { return int(directory.m_handle); }
    // The directory that relative names are taken in: the anchor's, or the current one at each call.
    static int descriptor(const DirectoryAnchor *directory)
    {
        return directory ? descriptor(*directory) : AT_FDCWD;
    }
};
