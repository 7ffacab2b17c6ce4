#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// vestrel-compare's exit statuses.
namespace BatchExit {
constexpr int Ran = 0;      // the comparison ran to its end
constexpr int Usage = 1;    // the command line was wrong
constexpr int Refused = 2;  // a path was refused before the comparison started
constexpr int ListFull = 3; // the result list was full: the comparison stopped there
constexpr int Failed = 4;   // an error ended the comparison, or the results could not be written
} // namespace BatchExit

// The records of --null output: criterion, first name, second name.
using BatchRecords = QList<QList<QByteArray>>;

// What one run of vestrel-compare gave: its exit status (-1 when it did not exit) and its two streams.
struct BatchResult
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    // A stream's lines as text, without the toolkit's own notes on standard paths.
    QStringList outLines() const;
    QStringList errLines() const;
    BatchRecords records() const;
};

// How one run starts; what is left empty is as the tests' own process has it. Every member has an
// initializer, so that a designated initializer names only what it sets.
struct BatchStart
{
    QStringList environment{};  // NAME=VALUE settings added to the tests' environment
    QString workingDirectory{}; // where it runs
    QStringList launcher{};     // a command that starts it (setpriv and its options, say)
    QString standardOutput{};   // a file its results go to instead of out
    qint64 addressSpaceMiB = 0; // a limit on its memory (0: none)
    qint64 fileSizeBytes = 0;   // a limit on the size of the files it writes (0: none)
};

// The program under test.
QString batchProgram();

// Whether a run can be given a launcher and resource limits (BatchStart's launcher, addressSpaceMiB and
// fileSizeBytes): POSIX tools, which Windows does not have.
bool batchLimitsAvailable();

// Whether a started program takes its local clock's zone from TZ in its environment (POSIX); on Windows
// the zone is the system's setting.
bool batchZoneFromEnvironment();

// What every platform's start of a run sets alike: the environment, the working directory, where the
// results go.
class QProcess;
void prepareBatchProcess(QProcess &process, const BatchStart &start);

// Runs vestrel-compare with its arguments as bytes, byte for byte whatever they spell.
BatchResult runBatch(const QList<QByteArray> &arguments, const BatchStart &start = {});
