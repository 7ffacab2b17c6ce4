#include "secondpage.h"

#include "platform/files.h"
#include "ui/memofile.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

SecondPage::SecondPage(const std::optional<QByteArray> &data, bool withLab2)
{
    tree.dir("prog");
    if (data)
        tree.file("prog/data.txt", *data);
    if (withLab2)
        standIns.writeProgram(tree.bytes() + "/prog/LAB2.EXE");
    if (!SetCurrentDir(tree.bytes()))
        qFatal("cannot enter the test directory");
    w = makeMainWindow();
    if (!showExposed(*w))
        qFatal("window not exposed");
}

void SecondPage::showPage2()
{
    w->pgControl->setCurrentWidget(w->tSheet2);
}

void SecondPage::leaveAndReturn()
{
    w->pgControl->setCurrentWidget(w->tSheet1);
    showPage2();
}

void SecondPage::launch()
{
    QTest::mouseClick(w->btnLab2, Qt::LeftButton);
}

void SecondPage::typeInMemo(const QString &digits)
{
    w->fMemo->setFocus();
    w->fMemo->moveCursor(QTextCursor::End);
    QTest::keyClicks(w->fMemo, digits);
}

QString SecondPage::memo() const
{
    return memoText(w->fMemo);
}

QByteArray SecondPage::dataFile() const
{
    QFile f(QFile::decodeName(data()));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
}
