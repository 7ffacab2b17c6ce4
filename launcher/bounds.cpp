// The second page's launch: bounds A and B checked, the data file saved, LAB2 started with the bounds.

#include "app/vestrel.h"

#include "engine/exercisepaths.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "platform/strtoint.h"
#include "ui/memofile.h"
#include "ui/messages.h"

#include <QLineEdit>
#include <QPlainTextEdit>

void TfMain::btnLab2Click(QObject * /*Sender*/)
{
    if (aEdit->text().isEmpty() || bEdit->text().isEmpty()) {
        ShowMessage(QStringLiteral("EROARE: N-ati introdus valorile A si B"));
        return;
    }
    const qint32 a = StrToInt(aEdit->text());
    const qint32 b = StrToInt(bEdit->text());
    if (a > b) {
        ShowMessage(QStringLiteral("EROARE: Nu e indeplinita conditia A < B"));
        return;
    }
    // The bounds go on as typed, leading zeros included, one argument each.
    const QStringList parameters{aEdit->text(), bEdit->text()};
    const QString program = ExercisePaths::onDisk(ExercisePaths::lab2());
    if (FileExists(program)) {
        // A save that fails raises, and LAB2 is then not started on a file it did not get.
        SaveMemoBeforeLaunch(fMemo, ExercisePaths::dataFile());
        ShellOpen(program, parameters);
    } else {
        ShowMessage(QStringLiteral("EROARE: Programul ") + ExercisePaths::lab2() +
                    QStringLiteral(" nu a fost gasit!"));
    }
}
