// The second page's launch: the bounds checked in order, the data file saved, LAB2 started with the two
// bounds as typed.

#include "support/messageboxes.h"
#include "support/secondpage.h"

#include "platform/exceptions.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "platform/strtoint.h"

#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

class TestBounds : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { setTerminalChoice(QString()); }

    void strToIntTakesOnlyPlainDecimalIntegers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        const auto ok = [](const char *t, int v) { QTest::newRow(t) << QString::fromUtf8(t) << true << v; };
        const auto bad = [](const char *t) { QTest::newRow(t) << QString::fromUtf8(t) << false << 0; };
        ok("0", 0);
        ok("007", 7);
        ok("2147483647", 2147483647);
        ok("000000000000002147483647", 2147483647);
        ok("-2147483648", -2147483647 - 1);
        ok("+12", 12);
        ok("-0", 0);
        bad("2147483648");
        bad("0002147483648");
        bad("-2147483649");
        bad("99999999999999999999999999");
        bad("");
        bad("-");
        bad("+");
        bad("+-1");
        bad(" 1");
        bad("1 ");
        bad("0x10");
        bad("$10");
        bad("1e3");
        bad("\xd9\xa3"); // ARABIC-INDIC DIGIT THREE: a digit, but not an ASCII one
    }
    void strToIntTakesOnlyPlainDecimalIntegers()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        if (valid) {
            QCOMPARE(StrToInt(text), value);
            return;
        }
        try {
            StrToInt(text);
            QFAIL("no conversion error");
        } catch (const EConvertError &e) {
            QCOMPARE(e.message(), QStringLiteral("'%1' is not a valid integer value").arg(text));
        }
    }

    void lab2StartsWithTheBoundsAsTypedAfterTheMemoIsSaved_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::newRow("as the window starts") << "2"
                                              << "6";
        QTest::newRow("A equal to B") << "3"
                                      << "3";
        QTest::newRow("leading zeros passed on") << "007"
                                                 << "8";
        QTest::newRow("9 before 10: numeric order") << "9"
                                                    << "10";
        QTest::newRow("the extremes") << "-2147483648"
                                      << "02147483647";
    }
    void lab2StartsWithTheBoundsAsTypedAfterTheMemoIsSaved()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        SecondPage page(QByteArray("1 2\n3"), true);
        page.showPage2();
        page.w->aEdit->setText(a);
        page.w->bEdit->setText(b);
        // The memo as the page showed it, then edited: the launch saves it before LAB2 starts.
        page.typeInMemo(QStringLiteral(" 4"));
        MessageBoxAnswerer answerer;
        page.launch();
        const QList<LaunchRecord> records = page.standIns.waitForRecords(1);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].arguments, (QStringList{a, b}));
        QCOMPARE(records[0].cwd, QDir(page.tree.path()).canonicalPath());
        QCOMPARE(records[0].dataFile, QByteArray("1 2\r\n3 4"));
        QCOMPARE(page.dataFile(), QByteArray("1 2\r\n3 4"));
        QTest::qWait(20);
        QVERIFY(answerer.boxes.isEmpty());
    }

    void badBoundsOrAMissingLab2AreRefusedAndStartNothing_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("withLab2");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("exception");
        const QString noValues = QStringLiteral("EROARE: N-ati introdus valorile A si B");
        const QString order = QStringLiteral("EROARE: Nu e indeplinita conditia A < B");
        // With A empty, B is not looked at: it would not convert.
        QTest::newRow("A empty") << ""
                                 << "99999999999" << true << noValues << false;
        QTest::newRow("B empty") << "1"
                                 << "" << true << noValues << false;
        QTest::newRow("10 and 9: numeric order") << "10"
                                                 << "9" << true << order << false;
        QTest::newRow("A out of range")
            << "2147483648"
            << "1" << true << "'2147483648' is not a valid integer value." << true;
        // A is converted before B, so A's text is the one named.
        QTest::newRow("both out of range")
            << "0002147483648"
            << "2147483649" << true << "'0002147483648' is not a valid integer value." << true;
        QTest::newRow("B out of range")
            << "1"
            << "2147483648" << true << "'2147483648' is not a valid integer value." << true;
        QTest::newRow("LAB2 missing")
            << "2"
            << "6" << false << "EROARE: Programul prog\\LAB2.EXE nu a fost gasit!" << false;
    }
    void badBoundsOrAMissingLab2AreRefusedAndStartNothing()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, withLab2);
        QFETCH(QString, message);
        QFETCH(bool, exception);
        const QByteArray data("5\n6");
        SecondPage page(data, withLab2);
        page.showPage2();
        page.w->fMemo->setPlainText(QStringLiteral("edited"));
        page.w->aEdit->setText(a);
        page.w->bEdit->setText(b);
        MessageBoxAnswerer answerer;
        page.launch();
        const QMessageBox::Icon icon = exception ? QMessageBox::Critical : QMessageBox::NoIcon;
        QTRY_COMPARE(answerer.boxes, (QList<ShownBox>{{message, kProgramCaption, icon}}));
        QTest::qWait(200);
        QVERIFY(page.standIns.records().isEmpty());
        QCOMPARE(page.dataFile(), data);
    }

    // The file cannot be written (here: a file size limit, which binds root too). The old text stays whole,
    // the error is shown, and LAB2 is not started on a file it did not get.
    void failedSaveKeepsTheFileAndStartsNothing()
    {
        const QByteArray data("1 2 3\r\n");
        SecondPage page(data, true);
        page.showPage2();
        page.w->fMemo->setPlainText(QStringLiteral("1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20"));

        struct rlimit saved;
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
        struct rlimit small = saved;
        small.rlim_cur = 8;
        auto *previous = std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
        MessageBoxAnswerer answerer;
        page.launch();
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);

        QTRY_COMPARE(answerer.boxes.size(), 1);
        QCOMPARE(answerer.boxes[0].text, QStringLiteral("Cannot create file prog\\data.txt."));
        QCOMPARE(answerer.boxes[0].icon, QMessageBox::Critical);
        QCOMPARE(page.dataFile(), data);
        const QStringList left =
            QDir(page.tree.path() + "/prog").entryList(QDir::Files | QDir::Hidden, QDir::Name);
        QCOMPARE(left, (QStringList{QStringLiteral("LAB2.EXE"), QStringLiteral("data.txt")}));
        QTest::qWait(300);
        QVERIFY(page.standIns.records().isEmpty());
    }
};

QTEST_MAIN(TestBounds)
#include "tst_bounds.moc"
