#include "platform/arguments.h"

#include "platform/win32/widepath.h"

#include <shellapi.h>

QList<QByteArray> commandLineArguments(int argc, char *argv[])
{
    // argv holds the words in the ANSI code page, where a name outside it is lost: the wide command line
    // holds them as typed.
    int count = 0;
    LPWSTR *words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    QList<QByteArray> result;
    if (!words) {
        for (int i = 0; i < argc; ++i)
            result.append(QByteArray(argv[i]));
        return result;
    }
    for (int i = 0; i < count; ++i)
        result.append(fromWide(words[i]));
    ::LocalFree(words);
    return result;
}
