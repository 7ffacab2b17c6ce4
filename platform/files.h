#pragma once

#include <QByteArray>
#include <QString>

// Paths given as texts are path texts (platform/filenames.h): they name exactly the bytes they came from.
// A path longer than the system takes in one call is walked a component at a time, so a directory that
// lies that deep is still found, entered and read back.

// A regular file, after following links.
bool FileExists(const QString &path);
// A directory, after following links.
bool DirectoryExists(const QString &path);

// The current directory as a path text, and as the system gives it.
QString GetCurrentDir();
QByteArray currentDirBytes();
// Every change of the current directory goes through here, so that the count of changes tells whether
// the current directory is still the one some earlier code saw.
bool SetCurrentDir(const QByteArray &path);
quint64 currentDirChanges();
// Counts a change of the current directory made by other means than SetCurrentDir.
void noteCurrentDirChanged();
// The system's code for why the last failed call here failed (errno on POSIX, GetLastError on Windows).
int lastSystemError();
