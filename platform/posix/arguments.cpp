#include "platform/arguments.h"

QList<QByteArray> commandLineArguments(int argc, char *argv[])
{
    QList<QByteArray> words;
    for (int i = 0; i < argc; ++i)
        words.append(QByteArray(argv[i]));
    return words;
}
