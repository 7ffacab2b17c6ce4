#include "batchrun.h"

#include <QProcess>

#ifndef VESTREL_COMPARE
#error "VESTREL_COMPARE must name the batch program"
#endif

namespace {

QStringList textLines(const QByteArray &stream)
{
    QStringList lines = QString::fromUtf8(stream).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    lines.removeIf([](const QString &l) { return l.startsWith(QLatin1String("QStandardPaths:")); });
    return lines;
}

} // namespace

QStringList BatchResult::outLines() const
{
    return textLines(out);
}

QStringList BatchResult::errLines() const
{
    return textLines(err);
}

BatchRecords BatchResult::records() const
{
    BatchRecords found;
    QList<QByteArray> fields = out.split('\0');
    if (fields.isEmpty() || !fields.last().isEmpty())
        return {{"output not ended by a NUL"}};
    fields.removeLast();
    if (fields.size() % 3 != 0)
        return {{"output not in threes"}};
    for (qsizetype i = 0; i < fields.size(); i += 3)
        found.append({fields[i], fields[i + 1], fields[i + 2]});
    return found;
}

QString batchProgram()
{
    return QStringLiteral(VESTREL_COMPARE);
}

void prepareBatchProcess(QProcess &process, const BatchStart &start)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &setting : start.environment)
        env.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(start.workingDirectory);
    if (!start.standardOutput.isEmpty())
        process.setStandardOutputFile(start.standardOutput);
}
