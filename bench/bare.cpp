// The yardstick of vestrel-compare's start-up: a Qt Core program that starts its application object, says
// one line and ends, as vestrel-compare does on two empty directories.

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    std::fputs("Au fost gasite 0 coincidente\n", stderr);
    return 0;
}
