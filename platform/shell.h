#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The shell's "open" for a program file: starts it, never waited for, in the current directory (a
// relative program path is found there), each argument arriving as given. Whether it started is not
// reported.
// - POSIX: detached (a session of its own, never left as a zombie), with an argument list (no shell
//   parses anything), with the open-file limit and signal actions this process was started with. Every
//   program is started in a terminal window when a terminal emulator is found (the exercise programs talk
//   to the user on a console, and nothing here tells a console program from another); the window is
//   titled with the program's file name, and the terminal's own messages go to our standard error.
//   Without a terminal it starts directly.
// - Windows: the system's shell opens it in the restore show state, the arguments quoted into one
//   command line the way the program's parser takes them apart; a console program gets its console from
//   the system.
void ShellOpen(const QString &program, const QStringList &arguments);

// The terminal emulator that ShellOpen would use now: $TERMINAL, then x-terminal-emulator, then xterm,
// the first that is an executable found on PATH; none without a display to open it on. None on Windows,
// which needs no terminal emulator.
QString findTerminal();

// Replaces the terminal lookup (tests): an empty text means "no terminal"; nullopt restores the lookup.
void setTerminalChoice(std::optional<QString> terminal);
