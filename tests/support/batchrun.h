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

// What one run of vestrel-compare gave: its exit status (-1 when it did not exit) and its two streams.
struct BatchResult
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    // A stream's lines as text, without the toolkit's own notes on standard paths.
    QStringList outLines() const;
    QStringList errLines() const;
    // The records of --null output: criterion, first name, second name.
    QList<QList<QByteArray>> records() const;
};

struct BatchOptions
{
    QStringList environment; // NAME=VALUE settings added to the tests' own
    QString workingDirectory;
    QStringList launcher; // a command the program is started through, as setpriv and its options
};

// Runs vestrel-compare with its arguments as bytes, byte for byte whatever they spell.
BatchResult runBatch(const QList<QByteArray> &arguments, const BatchOptions &options = {});
