#include "support/batchrun.h"

#include <QProcess>

#ifndef VESTREL_COMPARE
#error "VESTREL_COMPARE must name the batch program"
#endif

bool batchZoneFromEnvironment()
{
    return false;
}

bool batchLimitsAvailable()
{
    return false;
}

// Windows passes a program its arguments as text: the bytes of a name are the UTF-8 of that text, so
// each argument is decoded and the program's own conversion gives back the same bytes. A launcher and
// resource limits are POSIX tools (batchLimitsAvailable).
BatchResult runBatch(const QList<QByteArray> &arguments, const BatchStart &start)
{
    if (!start.launcher.isEmpty() || start.addressSpaceMiB > 0 || start.fileSizeBytes > 0)
        qFatal("runBatch: a launcher and resource limits are not available on Windows");
    QStringList words;
    for (const QByteArray &a : arguments)
        words.append(QString::fromUtf8(a));
    QProcess p;
    prepareBatchProcess(p, start);
    p.start(QStringLiteral(VESTREL_COMPARE), words);
    if (!p.waitForFinished(120000))
        qFatal("vestrel-compare did not finish");
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}
