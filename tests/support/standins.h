#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// Stand-ins for the exercise programs: shell scripts that write down how they were started (arguments,
// working directory, process ids, and a copy of prog/data.txt as they found it) into a directory of
// records, one file per started process.
struct LaunchRecord
{
    QString kind; // "program" or "terminal"
    QString argv0;
    QStringList arguments;
    QString cwd;
    qint64 pid = 0;
    qint64 parentPid = 0;
    qint64 session = 0;
    QByteArray dataFile; // prog/data.txt when the program started; "<none>" when there was none
};

class StandIns
{
public:
    // Records go to recordDir (created if needed).
    explicit StandIns(const QByteArray &recordDir);
    // Writes an executable stand-in at path (any missing parent directories are created).
    void writeProgram(const QByteArray &path) const;
    // A stand-in terminal emulator: records its own arguments as "terminal", then runs what follows -e
    // (after a title given with -T).
    void writeTerminal(const QByteArray &path) const;

    // Every record written so far.
    QList<LaunchRecord> records() const;
    // Waits up to timeoutMs for at least count records; returns them.
    QList<LaunchRecord> waitForRecords(int count, int timeoutMs = 5000) const;

private:
    QByteArray m_dir;
};
