#include "platform/shell.h"

#include "platform/filenames.h"
#include "platform/win32/widepath.h"

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include <string>

namespace {

// One argument as the started program's command-line parser (CommandLineToArgvW, and the C run-time's,
// which follows the same rules) takes it back: quoted when it is empty or holds a blank, a tab or a
// quote; inside the quotes a quote is escaped with a backslash, and the backslashes before a quote or
// before the closing quote are doubled, while all others stand for themselves.
QString quotedArgument(const QString &argument)
{
    const bool plain = !argument.isEmpty() && !argument.contains(QLatin1Char(' ')) &&
                       !argument.contains(QLatin1Char('\t')) && !argument.contains(QLatin1Char('\n')) &&
                       !argument.contains(QLatin1Char('\v')) && !argument.contains(QLatin1Char('"'));
    if (plain)
        return argument;
    QString quoted(QLatin1Char('"'));
    qsizetype backslashes = 0;
    for (const QChar c : argument) {
        if (c == QLatin1Char('\\')) {
            ++backslashes;
            continue;
        }
        if (c == QLatin1Char('"'))
            quoted += QString(2 * backslashes + 1, QLatin1Char('\\'));
        else
            quoted += QString(backslashes, QLatin1Char('\\'));
        quoted += c;
        backslashes = 0;
    }
    quoted += QString(2 * backslashes, QLatin1Char('\\'));
    quoted += QLatin1Char('"');
    return quoted;
}

} // namespace

// A console program gets a console from the system (its own when this program has none, as a program
// with a window has not), so no terminal emulator is ever looked for.
QString findTerminal()
{
    return QString();
}

// Nothing to choose: there is no terminal lookup to replace.
void setTerminalChoice(std::optional<QString> /*terminal*/) {}

void ShellOpen(const QString &program, const QStringList &arguments)
{
    QStringList quoted;
    for (const QString &a : arguments)
        quoted << quotedArgument(a);
    // The program's path stays as it is: the shell takes no long-path form, and a relative path is found
    // under the current directory.
    std::wstring file;
    if (!toWide(pathBytes(program), file) || file.empty())
        return;
    const std::wstring parameters = quoted.join(QLatin1Char(' ')).toStdWString();
    // The shell may hand the start to extensions that it reaches through COM, so COM is set up for the
    // call unless the thread has already done it (the toolkit does on the window's thread, for the
    // clipboard and drag and drop); each successful set-up is matched by its own take-down.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    // No owner window and no directory: the program starts in the current directory, at its normal size
    // and place (restored). The call returns once the program has started or failed; nothing waits for
    // it, and no handle to it is kept.
    ::ShellExecuteW(nullptr, L"open", file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                    nullptr, SW_RESTORE);
    if (SUCCEEDED(com))
        ::CoUninitialize();
}
