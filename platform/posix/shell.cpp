#include "platform/shell.h"

#include "platform/filenames.h"
#include "platform/files.h"
#include "platform/process.h"

#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

std::optional<QString> &terminalChoice()
{
    static std::optional<QString> choice;
    return choice;
}

QString executableOnPath(const QString &name)
{
    if (name.isEmpty())
        return QString();
    if (name.contains(QLatin1Char('/')))
        return ::access(pathBytes(name).constData(), X_OK) == 0 && FileExists(name) ? name : QString();
    return QStandardPaths::findExecutable(name);
}

// The program's own path as the terminal (and argv[0]) will see it: absolute, so that it does not
// depend on where a terminal emulator starts its command.
QString absoluteProgram(const QString &program)
{
    if (program.startsWith(QLatin1Char('/')))
        return program;
    return GetCurrentDir() + QLatin1Char('/') + program;
}

// Everything the child needs is built before fork(): between fork() and exec() only async-signal-safe
// calls are allowed, as other threads may hold locks. A terminal emulator talks to the user in its own
// window; what it writes on its standard output and error (warnings about fonts, locales, resources)
// goes to our standard error, and it reads nothing from our input.
void startDetached(const QList<QByteArray> &argv, bool terminal)
{
    std::vector<char *> pointers;
    for (const QByteArray &a : argv)
        pointers.push_back(const_cast<char *>(a.constData()));
    pointers.push_back(nullptr);

    const pid_t child = ::fork();
    if (child < 0)
        return;
    if (child == 0) {
        // The intermediate process leaves our session and exits at once, so the program is adopted by
        // init (or the session's subreaper) and reaped there: we never wait for it.
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            struct sigaction dflt = {};
            dflt.sa_handler = SIG_DFL;
            ::sigaction(SIGPIPE, &dflt, nullptr);
            sigset_t none;
            ::sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            restoreInheritedSettings();
            if (terminal) {
                const int nothing = ::open("/dev/null", O_RDONLY);
                if (nothing > 0) {
                    ::dup2(nothing, STDIN_FILENO);
                    ::close(nothing);
                }
                ::dup2(STDERR_FILENO, STDOUT_FILENO);
            }
            ::execv(pointers[0], pointers.data());
            ::_exit(127);
        }
        ::_exit(0);
    }
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
}

} // namespace

QString findTerminal()
{
    if (terminalChoice())
        return executableOnPath(*terminalChoice());
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return QString();
    for (const QString &candidate :
         {qEnvironmentVariable("TERMINAL"), QStringLiteral("x-terminal-emulator"), QStringLiteral("xterm")}) {
        const QString found = executableOnPath(candidate);
        if (!found.isEmpty())
            return found;
    }
    return QString();
}

void setTerminalChoice(std::optional<QString> terminal)
{
    terminalChoice() = std::move(terminal);
}

void ShellOpen(const QString &program, const QStringList &arguments)
{
    QList<QByteArray> argv;
    const QString terminal = findTerminal();
    // -T and -e are the two options every terminal emulator of the system's alternative takes; the
    // window is titled with the program's file name ("P1.EXE"), as the user knows the exercise.
    if (!terminal.isEmpty())
        argv << pathBytes(terminal) << QByteArrayLiteral("-T")
             << pathBytes(program.section(QLatin1Char('/'), -1)) << QByteArrayLiteral("-e");
    argv << pathBytes(absoluteProgram(program));
    for (const QString &a : arguments)
        argv << a.toLocal8Bit();
    startDetached(argv, !terminal.isEmpty());
}
