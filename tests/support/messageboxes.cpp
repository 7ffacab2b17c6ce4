#include "messageboxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>

MessageBoxAnswerer::MessageBoxAnswerer()
{
    connect(&m_timer, &QTimer::timeout, this, &MessageBoxAnswerer::answer);
    m_timer.start(5);
}

void MessageBoxAnswerer::answer()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(w);
        if (!box || !box->isVisible() || box->property("answered").toBool())
            continue;
        box->setProperty("answered", true);
        boxes.append({box->text(), box->windowTitle(), box->icon()});
        if (whileShown)
            whileShown();
        if (QAbstractButton *ok = box->button(QMessageBox::Ok))
            ok->click();
        else
            box->reject();
    }
}

char *toString(const ShownBox &box)
{
    return QTest::toString(
        QStringLiteral("\"%1\" captioned \"%2\", icon %3").arg(box.text, box.caption).arg(int(box.icon)));
}
