#pragma once

#include "platform/pathsyntax.h"

#include <QString>

// The exercise programs and the data file keep the names the window shows ("prog\P1.EXE"), relative to
// the current directory at the moment they are used; the file system sees them as the platform writes paths.
namespace ExercisePaths {
inline QString p1()
{
    return QStringLiteral("prog\\P1.EXE");
}
inline QString p2()
{
    return QStringLiteral("prog\\P2.EXE");
}
inline QString p3()
{
    return QStringLiteral("prog\\P3.EXE");
}
inline QString lab2()
{
    return QStringLiteral("prog\\LAB2.EXE");
}
inline QString dataFile()
{
    return QStringLiteral("prog\\data.txt");
}

inline QString onDisk(const QString &shown)
{
    return onDiskPath(shown);
}
} // namespace ExercisePaths
