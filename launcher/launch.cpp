// The first page: each button starts its exercise program.

#include "app/vestrel.h"

#include "engine/exercisepaths.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "ui/messages.h"

void TfMain::LaunchProgram(QString path)
{
    // Looked up at every click: the current directory may have moved since start-up (the comparison
    // and the directory picker leave it where they went), and the program is looked for there.
    const QString onDisk = ExercisePaths::onDisk(path);
    if (FileExists(onDisk))
        ShellOpen(onDisk, {});
    else
        ShowMessage(QStringLiteral("EROARE: Programul ") + path + QStringLiteral(" nu a fost gasit!"));
}

void TfMain::btnP1Click(QObject * /*Sender*/)
{
    LaunchProgram(ExercisePaths::p1());
}

void TfMain::btnP2Click(QObject * /*Sender*/)
{
    LaunchProgram(ExercisePaths::p2());
}

void TfMain::btnP3Click(QObject * /*Sender*/)
{
    LaunchProgram(ExercisePaths::p3());
}
