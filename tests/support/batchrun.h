#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// vestrel-compare's exit statuses.
namespace BatchExit {
constexpr int Ran = 0;
constexpr int Usage = 1;
constexpr int Refused = 2;
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

// Runs vestrel-compare with its arguments as bytes, byte for byte whatever they spell, with NAME=VALUE
// settings added to the tests' environment, in a working directory, and started through a launcher
// command (setpriv and its options, say) when one is given.
BatchResult runBatch(const QList<QByteArray> &arguments, const QStringList &environment = {},
                     const QString &workingDirectory = QString(), const QStringList &launcher = {});
