#include "support/batchrun.h"

#include <QProcess>

#include <sys/resource.h>

#ifndef VESTREL_COMPARE
#error "VESTREL_COMPARE must name the batch program"
#endif

namespace {

// A word of the shell that printf makes of the bytes, since QProcess would pass its arguments as text.
QString shellBytes(const QByteArray &bytes)
{
    QString word = QStringLiteral("\"$(printf '");
    for (const char c : bytes)
        word += QStringLiteral("\\%1").arg(uint(uchar(c)), 3, 8, QLatin1Char('0'));
    return word + QStringLiteral("')\"");
}

} // namespace

bool batchZoneFromEnvironment()
{
    return true;
}

bool batchLimitsAvailable()
{
    return true;
}

BatchResult runBatch(const QList<QByteArray> &arguments, const BatchStart &start)
{
    QString command = QStringLiteral("exec");
    for (const QString &word : start.launcher)
        command += QLatin1Char(' ') + shellBytes(word.toUtf8());
    command += QLatin1Char(' ') + shellBytes(VESTREL_COMPARE);
    for (const QByteArray &a : arguments)
        command += QLatin1Char(' ') + shellBytes(a);
    QProcess p;
    prepareBatchProcess(p, start);
    // The limit is set in the shell, and the program that replaces the shell keeps it.
    if (start.addressSpaceMiB > 0 || start.fileSizeBytes > 0) {
        const rlim_t space = rlim_t(start.addressSpaceMiB) << 20, size = rlim_t(start.fileSizeBytes);
        p.setChildProcessModifier([space, size] {
            if (space > 0) {
                const struct rlimit limit = {space, space};
                ::setrlimit(RLIMIT_AS, &limit);
            }
            if (size > 0) {
                const struct rlimit limit = {size, size};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
        });
    }
    p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    if (!p.waitForFinished(120000))
        qFatal("vestrel-compare did not finish");
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}
