#include "standins.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/stat.h>

namespace {

void writeScript(const QByteArray &path, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(QFile::decodeName(path)).absolutePath());
    QFile f(QFile::decodeName(path));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text) != text.size())
        qFatal("cannot write %s", path.constData());
    f.close();
    ::chmod(path.constData(), 0755);
}

// Records are written under a temporary name and renamed, so a reader never sees half of one. A
// terminal runs the program with exec, in the same process: the kind keeps their records apart.
QByteArray recorder(const QByteArray &dir, const QByteArray &kind)
{
    QByteArray script = R"sh(#!/bin/sh
rec='@DIR@/@KIND@-'$$
{
  echo 'kind=@KIND@'
  echo "argv0=$0"
  echo "cwd=$(pwd -P)"
  for a in "$@"; do echo "arg=$a"; done
  ids() { echo "pid=$1"; echo "ppid=$4"; echo "session=$6"; }
  ids $(cat /proc/$$/stat)
} > "$rec.tmp"
)sh";
    return script.replace("@DIR@", dir).replace("@KIND@", kind);
}

} // namespace

StandIns::StandIns(const QByteArray &recordDir) : m_dir(recordDir)
{
    QDir().mkpath(QFile::decodeName(m_dir));
}

void StandIns::writeProgram(const QByteArray &path) const
{
    writeScript(path, recorder(m_dir, "program") +
                          "if [ -f prog/data.txt ]; then cp prog/data.txt \"$rec.data\"; fi\n"
                          "mv \"$rec.tmp\" \"$rec\"\n"
                          // Still running a while after the click has returned: nobody waits for it.
                          "exec sleep 2 </dev/null >/dev/null 2>&1\n");
}

void StandIns::writeTerminal(const QByteArray &path) const
{
    writeScript(path, recorder(m_dir, "terminal") + "mv \"$rec.tmp\" \"$rec\"\n"
                                                    "[ \"$1\" != -T ] || shift 2\n"
                                                    "[ \"$1\" = -e ] || exit 1\n"
                                                    "shift\n"
                                                    "exec \"$@\"\n");
}

QList<LaunchRecord> StandIns::records() const
{
    QList<LaunchRecord> found;
    const QDir dir(QFile::decodeName(m_dir));
    for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
        if (name.contains(QLatin1Char('.')))
            continue;
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        LaunchRecord r;
        for (const QByteArray &raw : f.readAll().split('\n')) {
            const QString line = QString::fromLocal8Bit(raw);
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            if (eq < 0)
                continue;
            const QString key = line.left(eq), value = line.mid(eq + 1);
            if (key == QLatin1String("kind"))
                r.kind = value;
            else if (key == QLatin1String("argv0"))
                r.argv0 = value;
            else if (key == QLatin1String("arg"))
                r.arguments.append(value);
            else if (key == QLatin1String("cwd"))
                r.cwd = value;
            else if (key == QLatin1String("pid"))
                r.pid = value.toLongLong();
            else if (key == QLatin1String("ppid"))
                r.parentPid = value.toLongLong();
            else if (key == QLatin1String("session"))
                r.session = value.toLongLong();
        }
        QFile data(dir.filePath(name + QStringLiteral(".data")));
        r.dataFile = data.open(QIODevice::ReadOnly) ? data.readAll() : QByteArrayLiteral("<none>");
        found.append(r);
    }
    return found;
}

QList<LaunchRecord> StandIns::waitForRecords(int count, int timeoutMs) const
{
    QList<LaunchRecord> found = records();
    for (QDeadlineTimer deadline(timeoutMs); found.size() < count && !deadline.hasExpired();) {
        QTest::qWait(20);
        found = records();
    }
    return found;
}
