#include "platform/process.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

void initialiseProcess()
{
    // A drive without a medium (a card reader, a disc drive), or one that cannot be read, would otherwise
    // make the system hold the program in its own dialog at the first call that touches it; this way the
    // call fails with an error code (ERROR_NOT_READY, 21) that the picker reports like any other.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    // Lines end in LF alone and names are written as their UTF-8 bytes, as on every platform, so that a
    // script reads the same output here as elsewhere; a console shows those bytes as UTF-8.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    ::SetConsoleOutputCP(CP_UTF8);
}

void restoreInheritedSettings()
{
    // Nothing to put back: no program is forked from this one (the shell starts them), no limit is
    // raised and no signal action changed. The error mode above may pass to a started program, which
    // then gets error codes, not dialogs, for a drive without a medium, as many programs ask for anyway.
}
