#pragma once

#include <QByteArray>

// Opens the directory that path names, a relative path taken from the directory base (AT_FDCWD: the
// current one), with flags (O_PATH to hold or enter it, O_RDONLY to list it); close-on-exec. A path too
// long for one call is walked a component at a time, exactly as the system walks a path: links followed,
// ".." taken from the directory reached so far, search permission needed on each directory passed. -1,
// with errno set, when it cannot be opened.
int openDirectoryAt(int base, const QByteArray &path, int flags);
