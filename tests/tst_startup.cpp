// Start-up: a fault while the program starts is shown once in the exception display, the window never
// appears and the program ends normally; the path edits name the directory the program started in. Start-up
// makes its own application object, so it runs in a helper process (startupfault_helper.cpp).

#include "support/bytenames.h"
#include "support/fixture.h"
#include "support/messageboxes.h"

#include <QMessageBox>
#include <QProcess>
#include <QTest>

#ifndef STARTUPFAULT_HELPER
#error "STARTUPFAULT_HELPER must name the helper program"
#endif

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void startUpShowsEachFaultOnceInsteadOfTheWindow_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<bool>("shown");

        const QString critical = QString::number(int(QMessageBox::Critical));
        const QString title = kProgramCaption;
        QTest::newRow("toolkit exception")
            << QStringLiteral("exception")
            << QStringList{QStringLiteral("Boom.|") + title + QLatin1Char('|') + critical} << false;
        QTest::newRow("foreign exception")
            << QStringLiteral("foreign")
            << QStringList{QLatin1Char('|') + title + QLatin1Char('|') + critical} << false;
        QTest::newRow("no fault") << QStringLiteral("normal") << QStringList{} << true;
    }
    void startUpShowsEachFaultOnceInsteadOfTheWindow()
    {
        QFETCH(QString, mode);
        QFETCH(QStringList, boxes);
        QFETCH(bool, shown);

        QProcess helper;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        helper.setProcessEnvironment(env);
        helper.setProcessChannelMode(QProcess::SeparateChannels);
        helper.start(QStringLiteral(STARTUPFAULT_HELPER), {mode});
        QVERIFY2(helper.waitForStarted(), qPrintable(helper.errorString()));
        if (!helper.waitForFinished(60000)) {
            helper.kill();
            helper.waitForFinished();
            QFAIL("the helper did not end: start-up hangs");
        }
        const QByteArray errors = helper.readAllStandardError();
        QCOMPARE(helper.exitStatus(), QProcess::NormalExit);
        QVERIFY2(helper.exitCode() == 0, errors.constData());

        QStringList shownBoxes;
        QString shownLine, resultLine;
        const QStringList lines = QString::fromUtf8(helper.readAllStandardOutput()).split(QLatin1Char('\n'));
        for (const QString &line : lines) {
            if (line.startsWith(QLatin1String("box|")))
                shownBoxes.append(line.mid(4));
            else if (line.startsWith(QLatin1String("shown=")))
                shownLine = line;
            else if (line.startsWith(QLatin1String("result=")))
                resultLine = line;
        }
        QCOMPARE(shownBoxes, boxes);
        QCOMPARE(shownLine, shown ? QStringLiteral("shown=1") : QStringLiteral("shown=0"));
        QCOMPARE(resultLine, QStringLiteral("result=0"));
    }

    // Where names are bytes, a directory whose name is not UTF-8, beside one whose name a lossy decoding
    // would make of it; where names are text, one whose name lies outside the Basic Multilingual Plane.
    void pathEditsNameTheStartDirectorysBytes()
    {
        TempTree t;
        ContentsRemover cleanup(t.bytes());
        const QByteArray name = namesAreBytes() ? QByteArray("bad\xff") : QByteArray("emoji\xf0\x9f\x98\x80");
        makeDirectory(t.bytes() + '/' + name);
        if (namesAreBytes())
            makeDirectory(t.bytes() + "/bad\xef\xbf\xbd");
        // The edits hold the directory as the system reports it.
        const QByteArray start = t.systemPath(name);

        QProcess helper;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        helper.setProcessEnvironment(env);
        helper.start(QStringLiteral(STARTUPFAULT_HELPER),
                     {QStringLiteral("paths"), QString::fromLatin1(start.toHex())});
        QVERIFY(helper.waitForFinished(60000));
        QCOMPARE(helper.exitCode(), 0);
        const QString out = QString::fromUtf8(helper.readAllStandardOutput());
        const QString hex = QString::fromLatin1(start.toHex());
        QVERIFY2(out.contains(QStringLiteral("path1=") + hex + QLatin1Char('\n')), qPrintable(out));
        QVERIFY2(out.contains(QStringLiteral("path2=") + hex + QLatin1Char('\n')), qPrintable(out));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
