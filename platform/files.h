#pragma once

#include <QByteArray>
#include <QString>

// A regular file, after following links.
bool FileExists(const QString &path);
// A directory, after following links.
bool DirectoryExists(const QString &path);

QString GetCurrentDir();
QByteArray currentDirBytes();
bool SetCurrentDir(const QByteArray &path);
