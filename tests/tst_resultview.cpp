// The result view: an exact line count, lines shown as one line of plain text each, selection by mouse
// and keys, copy, a limit that refuses lines instead of dropping them, and lines painted while a run goes on.

#include "support/comparisonrun.h"
#include "support/messageboxes.h"

#include "engine/pacing.h"
#include "ui/resultview.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <unistd.h>

namespace {

using Pos = ResultView::Position;

// A view on screen holding the given lines.
struct ShownView
{
    explicit ShownView(const QList<QByteArray> &lines, QSize size = QSize(420, 178))
    {
        view.resize(size);
        for (const QByteArray &l : lines)
            view.addLine(l);
        view.flush();
        QVERIFY(showExposed(view));
    }
    // The point before the given text of a row's start, in the middle of the row.
    QPoint at(int row, const QString &before) const
    {
        const QFontMetrics fm(view.font());
        return {3 + fm.horizontalAdvance(before), 1 + row * fm.lineSpacing() + fm.lineSpacing() / 2};
    }
    QString copied()
    {
        QApplication::clipboard()->clear();
        QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
        return QApplication::clipboard()->text();
    }
    ResultView view;
};

// For each band of rows, the rightmost column holding a dark pixel (-1 for none).
QList<int> rightEdges(const QImage &image, int rowHeight, int rows)
{
    QList<int> edges;
    for (int r = 0; r < rows; ++r) {
        int edge = -1;
        for (int y = 1 + r * rowHeight; y < 1 + (r + 1) * rowHeight && y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 128)
                    edge = std::max(edge, x);
        edges.append(edge);
    }
    return edges;
}

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toLongLong() * ::sysconf(_SC_PAGESIZE);
}

} // namespace

class TestResultView : public QObject
{
    Q_OBJECT

private slots:
    void countsEveryLineAddedEvenBeforeItIsShown()
    {
        ResultView view;
        QCOMPARE(view.lineCount(), 0);
        for (int i = 0; i < 1000; ++i)
            QVERIFY(view.addLine("line " + QByteArray::number(i)));
        QCOMPARE(view.lineCount(), 1000);
        QCOMPARE(view.shownLineCount(), 0); // shown only when the run hands over
        view.flush();
        QCOMPARE(view.shownLineCount(), 1000);
        QCOMPARE(view.lineText(999), QStringLiteral("line 999"));
        view.clearLines();
        QCOMPARE(view.lineCount(), 0);
        QCOMPARE(view.shownLineCount(), 0);
        QCOMPARE(view.toPlainText(), QString());
    }

    void controlCharactersShowAsQuestionMarksButTheSeparatorTabStays()
    {
        ResultView view;
        view.addLine("[by name]        \ttwo\nlines\t=  cr\rhere\x7f");
        view.addLine("<b>not bold</b>  =  \xc3\xa4 \xe2\x80\xae"
                     "cba");
        QCOMPARE(view.lineText(0), QStringLiteral("[by name]        \ttwo?lines?=  cr?here?"));
        QCOMPARE(view.lineText(1), QStringLiteral("<b>not bold</b>  =  \u00e4 ?cba"));
        QCOMPARE(view.lineBytes(0), QByteArray("[by name]        \ttwo\nlines\t=  cr\rhere\x7f"));
    }

    void theNamesOfEveryCriterionLineUpAfterTheTabAndANameTabIsAMark()
    {
        // The window's own view and font.
        std::unique_ptr<TfMain> w = makeMainWindow();
        QVERIFY(showExposed(*w));
        ResultView *view = w->eRich;
        view->clearLines();
        for (const char *tag : {"[by name]    ", "[by volume]  ", "[by time]  ", "[by contents]"})
            view->addLine(QByteArray(tag) + "    \tWW");
        view->addLine("[by name]        \ta\tb");
        view->addLine("[by name]        \ta?b");
        view->flush();
        const QList<int> edges =
            rightEdges(view->viewport()->grab().toImage(), QFontMetrics(view->font()).lineSpacing(), 6);
        QVERIFY2(edges[0] > 0, qPrintable(QString::number(edges[0])));
        for (int r : {1, 2, 3})
            QCOMPARE(edges[r], edges[0]);
        QCOMPARE(edges[4], edges[5]);
    }

    void selectAllAndCopyGivesTheLines()
    {
        ShownView s({"first\tline", "second", "third"});
        QTest::keyClick(&s.view, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(s.copied(), QStringLiteral("first\tline\nsecond\nthird\n"));
        s.view.select({1, 0}, {2, 0});
        QCOMPARE(s.copied(), QStringLiteral("second\n"));
    }

    void theMouseSelectsCharactersAcrossLines()
    {
        ShownView s({"alpha beta", "gamma", "delta epsilon"});
        QWidget *vp = s.view.viewport();
        QTest::mousePress(vp, Qt::LeftButton, {}, s.at(0, QStringLiteral("alp")));
        QTest::mouseMove(vp, s.at(1, QStringLiteral("ga")));
        QTest::mouseMove(vp, s.at(2, QStringLiteral("del")));
        QTest::mouseRelease(vp, Qt::LeftButton, {}, s.at(2, QStringLiteral("del")));
        QCOMPARE(s.copied(), QStringLiteral("ha beta\ngamma\ndel"));

        // Shift and a click move the end of the selection, not its start.
        QTest::mouseClick(vp, Qt::LeftButton, Qt::ShiftModifier, s.at(1, QString()));
        QCOMPARE(s.copied(), QStringLiteral("ha beta\n"));

        // A double click takes the word, a third click the line with its break; a drag below the last
        // line reaches the end of the text.
        QTest::mouseDClick(vp, Qt::LeftButton, {}, s.at(2, QStringLiteral("delta ep")));
        QCOMPARE(s.copied(), QStringLiteral("epsilon"));
        QTest::mouseDClick(vp, Qt::LeftButton, {}, s.at(0, QStringLiteral("al")));
        QTest::mousePress(vp, Qt::LeftButton, {}, s.at(0, QStringLiteral("al")));
        QTest::mouseRelease(vp, Qt::LeftButton, {}, s.at(0, QStringLiteral("al")));
        QCOMPARE(s.copied(), QStringLiteral("alpha beta\n"));
        QTest::mousePress(vp, Qt::LeftButton, {}, s.at(1, QStringLiteral("gam")));
        QTest::mouseMove(vp, s.at(5, QString()));
        QTest::mouseRelease(vp, Qt::LeftButton, {}, s.at(5, QString()));
        QCOMPARE(s.copied(), QStringLiteral("ma\ndelta epsilon\n"));
    }

    void shiftAndTheMovementKeysExtendTheSelection()
    {
        QList<QByteArray> lines;
        for (int i = 0; i < 100; ++i)
            lines.append("line " + QByteArray::number(i));
        ShownView s(lines);
        ResultView &v = s.view;
        QTest::keyClick(&v, Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClick(&v, Qt::Key_Right);
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(&v, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(s.copied(), QStringLiteral("ine"));
        QTest::keyClick(&v, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(&v, Qt::Key_End, Qt::ShiftModifier);
        QCOMPARE(s.copied(), QStringLiteral("ine 0\nline 1"));
        QTest::keyClick(&v, Qt::Key_Home, Qt::ShiftModifier);
        QTest::keyClick(&v, Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(s.copied(), QStringLiteral("ine 0"));

        // A page down moves the cursor and the view by the rows that fit.
        const int rows = v.verticalScrollBar()->pageStep();
        QTest::keyClick(&v, Qt::Key_PageDown, Qt::ShiftModifier);
        QCOMPARE(v.cursorPosition().line, qint64(rows));
        QCOMPARE(v.verticalScrollBar()->value(), rows);
        QTest::keyClick(&v, Qt::Key_PageUp);
        QCOMPARE(v.cursorPosition().line, qint64(0));
        QVERIFY(!v.hasSelection());

        QTest::keyClick(&v, Qt::Key_Down); // keeps the column: the end of "line 1"
        QTest::keyClick(&v, Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(v.cursorPosition(), (Pos{100, 0}));
        QCOMPARE(v.verticalScrollBar()->value(), v.verticalScrollBar()->maximum());
        QVERIFY(s.copied().startsWith(QStringLiteral("\nline 2\n")));
        QVERIFY(s.copied().endsWith(QStringLiteral("line 99\n")));
        // Typing changes nothing: the view is read-only.
        QTest::keyClicks(&v, QStringLiteral("xy"));
        QCOMPARE(v.lineCount(), 100);
        QCOMPARE(v.lineText(99), QStringLiteral("line 99"));
    }

    void theContextMenuCopiesAndSelectsAllInRomanian()
    {
        ShownView s({"first", "second"});
        const auto openMenu = [&] {
            const QPoint p = s.at(0, QString());
            QContextMenuEvent event(QContextMenuEvent::Mouse, p, s.view.viewport()->mapToGlobal(p));
            QApplication::sendEvent(s.view.viewport(), &event);
            return qobject_cast<QMenu *>(QApplication::activePopupWidget());
        };
        QMenu *menu = openMenu();
        const QList<QAction *> actions = menu ? menu->actions() : QList<QAction *>();
        QCOMPARE(actions.size(), 2);
        QCOMPARE(actions[0]->text().remove(QLatin1Char('&')), QStringLiteral("Copiaza"));
        QCOMPARE(actions[1]->text().remove(QLatin1Char('&')), QStringLiteral("Selecteaza tot"));
        QVERIFY(!actions[0]->isEnabled());
        QVERIFY(actions[1]->isEnabled());
        actions[1]->trigger();
        menu->close();
        QVERIFY(s.view.hasSelection());

        menu = openMenu();
        QVERIFY(actions[0]->isEnabled());
        QApplication::clipboard()->clear();
        actions[0]->trigger();
        menu->close();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("first\nsecond\n"));
    }

    void aSelectionBeyondTheCopyLimitIsRefusedWithAMessage()
    {
        QList<QByteArray> lines;
        for (int i = 0; i < 50; ++i)
            lines.append("0123456789");
        ShownView s(lines);
        s.view.setCopyLimit(200);
        MessageBoxAnswerer answerer;
        s.view.select({0, 0}, {10, 0});
        QCOMPARE(s.copied().size(), 110);
        QVERIFY(answerer.boxes.isEmpty());
        QApplication::clipboard()->setText(QStringLiteral("kept"));
        s.view.selectAll();
        QTest::keyClick(&s.view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("kept"));
        QCOMPARE(answerer.boxes.size(), 1);
        QVERIFY2(answerer.boxes[0].text.contains(QLatin1String("50 linii")),
                 qPrintable(answerer.boxes[0].text));
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

    void longLinesCanBeScrolledIntoViewAndNeverWrap()
    {
        ShownView s({"short"}, QSize(200, 100));
        QCOMPARE(s.view.horizontalScrollBar()->maximum(), 0);
        s.view.addLine(QByteArray(400, 'w'));
        s.view.flush();
        QVERIFY(s.view.horizontalScrollBar()->maximum() > 1000);
        QCOMPARE(s.view.verticalScrollBar()->maximum(), 0); // two lines and the end fit: no wrapped rows
        // The end of a long line scrolls into view with the cursor.
        QTest::mouseClick(s.view.viewport(), Qt::LeftButton, {}, s.at(1, QString()));
        QTest::keyClick(&s.view, Qt::Key_End);
        QCOMPARE(s.view.horizontalScrollBar()->value(), s.view.horizontalScrollBar()->maximum());
    }

    void millionsOfLinesScrollPaintOnlyTheVisibleRowsAndFollowTheEndUntilScrolledAway()
    {
        ShownView s({});
        constexpr int kLines = 3'000'000;
        for (int i = 0; i < kLines; ++i)
            s.view.addLine("[by volume]      \tf" + QByteArray::number(i));
        s.view.flush();
        QScrollBar *bar = s.view.verticalScrollBar();
        QCOMPARE(bar->maximum(), kLines + 1 - bar->pageStep());
        QCOMPARE(bar->value(), bar->maximum()); // the view followed the end from the start
        for (int value : {bar->maximum(), kLines / 2, 0}) {
            bar->setValue(value);
            s.view.viewport()->grab();
            const auto [first, end] = s.view.paintedLines();
            QCOMPARE(first, qint64(value));
            QVERIFY(end - first <= bar->pageStep() + 1);
        }
        s.view.addLine("more");
        s.view.flush();
        QCOMPARE(bar->value(), 0);
        QTest::keyClick(&s.view, Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(bar->value(), bar->maximum());
        s.view.addLine("more");
        s.view.flush();
        QCOMPARE(bar->value(), bar->maximum());
        QCOMPARE(bar->maximum(), kLines + 3 - bar->pageStep());
    }

    void linesArePaintedAtEveryHandOverOfARun()
    {
        TempTree t;
        for (int i = 0; i < 120; ++i) {
            t.file("one/f" + QByteArray::number(i), "x");
            t.file("two/g" + QByteArray::number(i), "x");
        }
        ComparisonRun run(t.path() + "/one", t.path() + "/two", AllCriteria, kNormalFiles, RunPacing::Paced);
        QVERIFY(showExposed(*run.w));
        ResultView *view = run.w->eRich;
        qint64 shownBefore = 0;
        int checked = 0;
        bool sawText = false;
        QStringList faults;
        pacingOf(*run.w).intervalMs = 1;
        pacingOf(*run.w).handOverHook = [&](const Pacing &) {
            // The event loop has painted, since the last hand-over, the last line shown then.
            const auto [first, end] = view->paintedLines();
            if (shownBefore > 0 && end < shownBefore)
                faults << QStringLiteral("%1 shown, painted up to %2").arg(shownBefore).arg(end);
            else if (shownBefore > 0 && ++checked == 3) {
                const QImage image = view->viewport()->grab().toImage();
                sawText = rightEdges(image, image.height() - 2, 1).value(0) > 0;
            }
            if (view->shownLineCount() != view->lineCount())
                faults << QStringLiteral("lines stored but not shown at a hand-over");
            if (run.progressText().startsWith(QLatin1String("Au fost")))
                faults << QStringLiteral("count shown during the run");
            shownBefore = view->shownLineCount();
        };
        run.go();
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        QVERIFY2(checked >= 3, qPrintable(QString::number(checked)));
        QVERIFY(sawText);
        QVERIFY(view->lineCount() >= 2 * 120 * 120);
        QCOMPARE(run.progressText(), countText(view->lineCount()));
    }

    void aLineCostsLessThanAHundredBytes()
    {
        // VESTREL_RESULT_LINES chooses how many lines are measured.
        const qint64 n = std::max(qEnvironmentVariableIntValue("VESTREL_RESULT_LINES"), 1'000'000);
        ResultView view;
        view.setCapacity(n);
        const qint64 before = residentBytes();
        char line[80];
        for (qint64 i = 0; i < n; ++i) {
            const int size = std::snprintf(
                line, sizeof line, "[by contents]    \tfile_%07lld.dat  =  file_%07lld.dat", i, n - i);
            QVERIFY(view.addLine(QByteArrayView(line, size)));
        }
        view.flush();
        const double perLine = double(residentBytes() - before) / double(n);
        qInfo("%lld lines of 55 bytes: %.1f bytes per line", n, perLine);
        QVERIFY2(perLine < 100, qPrintable(QString::number(perLine)));
    }
};

QTEST_MAIN(TestResultView)
#include "tst_resultview.moc"
