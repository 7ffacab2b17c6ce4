#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The shell's "open" for a program file: starts it detached (a session of its own, never waited for,
// never left as a zombie), with an argument list (no shell parses anything), in the current directory,
// with the open-file limit and signal actions this process was started with.
// Every program is started in a terminal window when a terminal emulator is found (the exercise programs
// talk to the user on a console, and nothing here tells a console program from another); the window is
// titled with the program's file name, and the terminal's own messages go to our standard error. Without
// a terminal it starts directly. Whether it started is not reported.
void ShellOpen(const QString &program, const QStringList &arguments);

// The terminal emulator that ShellOpen would use now: $TERMINAL, then x-terminal-emulator, then xterm,
// the first that is an executable found on PATH; none without a display to open it on.
QString findTerminal();

// Replaces the terminal lookup (tests): an empty text means "no terminal"; nullopt restores the lookup.
void setTerminalChoice(std::optional<QString> terminal);
