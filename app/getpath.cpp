// The handler of both "Schimba..." buttons.

#include "app/vestrel.h"
#include "ui/selpath.h"

#include <QLineEdit>
#include <QPushButton>

void TfMain::btnGetPath1Click(QObject * /*Sender*/)
{
    fSelPath->ShowModal();
    const QString path = fSelPath->ePath->text();
    if (path.isEmpty())
        return;
    // A click gives the button the focus, and the focus is back on it once the dialog has closed: that
    // alone tells the two buttons apart.
    if (btnGetPath1->hasFocus())
        ePath1->setText(path);
    else
        ePath2->setText(path);
}
