// The second page's data file: shown in the memo whenever the page comes up, saved from its menu.

#include "app/vestrel.h"

#include "engine/exercisepaths.h"
#include "platform/files.h"
#include "ui/memofile.h"

#include <QPlainTextEdit>

void TfMain::tSheet2Show(QObject * /*Sender*/)
{
    fMemo->clear();
    if (FileExists(ExercisePaths::onDisk(ExercisePaths::dataFile())))
        LoadMemoFromFile(fMemo, ExercisePaths::dataFile());
    else
        fMemo->setPlainText(QStringLiteral("EROARE: Fisierul \"data.txt\" nu exista!\n"));
}

void TfMain::iReloadDataClick(QObject *Sender)
{
    // The memo's menu offers to reload the data: the same as showing the page again.
    tSheet2Show(Sender);
}

void TfMain::iSaveDataClick(QObject * /*Sender*/)
{
    SaveMemoToFile(fMemo, ExercisePaths::dataFile());
}
