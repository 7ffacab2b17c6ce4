#pragma once

#include <QByteArray>
#include <QList>

// The program's command line as the bytes its words name, program name first: a directory named on the
// command line is found exactly, whatever its encoding. POSIX gives the bytes as they are; Windows gives
// texts, which become the bytes of the names they spell (platform/filenames.h).
QList<QByteArray> commandLineArguments(int argc, char *argv[]);
