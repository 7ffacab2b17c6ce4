// The result view: an exact line count, lines shown as one line of plain text each, selection and copy,
// and a limit that refuses lines instead of dropping them.

#include "compare/resultview.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>

class TestResultView : public QObject
{
    Q_OBJECT

private slots:
    void countsEveryLineAddedEvenBeforeItIsShown()
    {
        ResultView view;
        QCOMPARE(view.lineCount(), 0);
        QCOMPARE(view.model()->rowCount(), 0);
        for (int i = 0; i < 1000; ++i)
            QVERIFY(view.addLine("line " + QByteArray::number(i)));
        QCOMPARE(view.lineCount(), 1000);
        QCOMPARE(view.model()->rowCount(), 0); // shown only when the run hands over
        view.flush();
        QCOMPARE(view.model()->rowCount(), 1000);
        QCOMPARE(view.lineText(999), QStringLiteral("line 999"));
        view.clearLines();
        QCOMPARE(view.lineCount(), 0);
        QCOMPARE(view.model()->rowCount(), 0);
        QCOMPARE(view.toPlainText(), QString());
    }

    void controlCharactersShowAsQuestionMarksButTheTabStays()
    {
        ResultView view;
        view.addLine("[by name]        \ttwo\nlines  =  cr\rhere\x7f");
        view.addLine("<b>not bold</b>  =  \xc3\xa4");
        view.flush();
        QCOMPARE(view.lineCount(), 2);
        QCOMPARE(view.lineText(0), QStringLiteral("[by name]        \ttwo?lines  =  cr?here?"));
        QCOMPARE(view.model()->index(1, 0).data().toString(), QStringLiteral("<b>not bold</b>  =  \u00e4"));
    }

    void selectAllAndCopyGivesTheLines()
    {
        ResultView view;
        view.show();
        for (const char *l : {"first\tline", "second", "third"})
            view.addLine(l);
        view.flush();
        QApplication::clipboard()->clear();
        QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("first\tline\nsecond\nthird\n"));

        view.selectionModel()->clearSelection();
        view.selectionModel()->select(view.model()->index(1, 0), QItemSelectionModel::Select);
        QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("second\n"));
    }

    void aFullViewRefusesFurtherLines()
    {
        ResultView view;
        view.setCapacity(2);
        QVERIFY(view.addLine("a"));
        QVERIFY(view.addLine("b"));
        QVERIFY(!view.addLine("c"));
        QCOMPARE(view.lineCount(), 2);
    }

    void longLinesWidenTheRows()
    {
        ResultView view;
        view.resize(200, 100);
        view.show();
        view.addLine("short");
        view.flush();
        QTest::qWait(50);
        const int narrow = view.sizeHintForIndex(view.model()->index(0, 0)).width();
        view.addLine(QByteArray(400, 'w'));
        view.flush();
        QTest::qWait(50);
        QVERIFY(view.sizeHintForIndex(view.model()->index(0, 0)).width() > narrow + 1000);
        QVERIFY(view.horizontalScrollBar()->maximum() > 0);
    }
};

QTEST_MAIN(TestResultView)
#include "tst_resultview.moc"
