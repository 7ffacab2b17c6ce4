// The comparison page's run: path checks, busy and idle states, the inventory of both directories with its
// progress texts, stop, close and exceptions during a run.

#include "engine/flags.h"
#include "engine/pacing.h"
#include "platform/directories.h"
#include "platform/exceptions.h"
#include "platform/files.h"
#include "platform/pathsyntax.h"
#include "support/bytenames.h"
#include "support/comparisonrun.h"
#include "support/messageboxes.h"
#include "ui/application.h"
#include "ui/resultview.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <vector>

namespace {

bool isIdle(const TfMain &w)
{
    return w.btnGo->isEnabled() && !w.btnStop->isEnabled() && QApplication::overrideCursor() == nullptr &&
           !w.isComparing();
}

bool isBusy(const TfMain &w)
{
    return !w.btnGo->isEnabled() && w.btnStop->isEnabled() && QApplication::overrideCursor() &&
           QApplication::overrideCursor()->shape() == Qt::WaitCursor;
}

// These tests look at the run and the inventory; the criteria have tests of their own.
constexpr int kInventoryOnly = 0;

} // namespace

class TestCompareRun : public QObject
{
    Q_OBJECT

private slots:
    void refusedPathsShowOneErrorAndLeaveThePageIdle_data()
    {
        TempTree *t = new TempTree; // lives for the whole test function's rows
        m_trees.emplace_back(t);
        const QString dir = t->path();
        const QString file = QFile::decodeName(t->file("file.txt"));
        QTest::addColumn<QString>("path1");
        QTest::addColumn<QString>("path2");
        QTest::addColumn<QString>("message");
        const QString both = QStringLiteral("N-ati indicat ambele directorii!");
        QTest::newRow("both empty") << QString() << QString() << both;
        QTest::newRow("first empty") << QString() << dir << both;
        QTest::newRow("second empty, first wrong") << QStringLiteral("/nowhere") << QString() << both;
        QTest::newRow("first is a file") << file << dir << QStringLiteral("Adresa incorecta:\n") + file;
        QTest::newRow("first missing, second too") << dir + "/missing" << QStringLiteral("/also/missing")
                                                   << "Adresa incorecta:\n" + dir + "/missing";
        QTest::newRow("second missing")
            << dir << dir + "/x" << QStringLiteral("Adresa incorecta:\n") + dir + "/x";
        QTest::newRow("blanks") << dir << QStringLiteral("   ") << QStringLiteral("Adresa incorecta:\n   ");
    }
    void refusedPathsShowOneErrorAndLeaveThePageIdle()
    {
        QFETCH(QString, path1);
        QFETCH(QString, path2);
        QFETCH(QString, message);
        ComparisonRun run(path1, path2);
        TfMain *w = run.w.get();
        w->eRez->setText(QStringLiteral("old"));
        // The box shows an arrow over the hourglass, but the page is busy behind it.
        bool busyDuringBox = false;
        MessageBoxAnswerer boxes;
        boxes.whileShown = [&] { busyDuringBox = !w->btnGo->isEnabled() && w->btnStop->isEnabled(); };
        run.go();

        QCOMPARE(boxes.boxes, (QList<ShownBox>{{message, QStringLiteral("Eroare"), QMessageBox::Critical}}));
        QVERIFY(busyDuringBox);
        QVERIFY(isIdle(*w));
        QCOMPARE(w->eRez->text(), QString());
        QCOMPARE(w->eRich->toPlainText(), QStringLiteral("Rezultat...\n"));
        QCOMPARE(w->eRich->lineCount(), 1);
        QVERIFY(w->cbByName->isChecked());
    }

    void literalRunShowsEveryStepInOrder()
    {
        TempTree t;
        t.file("one/b.txt");
        t.file("one/A.txt");
        t.file("two/c.txt");
        ComparisonRun run(t.path() + "/one", t.path() + "/two", kInventoryOnly);
        run.w->eRez->setText(QStringLiteral("before"));
        run.rez.texts.clear();
        run.go();

        QCOMPARE(run.rez.texts, (QStringList{QString(), "Asteptati un pic...", "Initializare: A.txt",
                                             "Initializare: b.txt", "Initializare: c.txt", countText(0)}));
        QCOMPARE(run.w->eRich->lineCount(), 0);
        QCOMPARE(run.w->eRich->toPlainText(), QString());
        QVERIFY(isIdle(*run.w));
        // The run leaves the second directory current.
        QCOMPARE(currentDirBytes(), t.systemPath("two"));
    }

    void pageIsBusyWhileTheRunWorks()
    {
        TempTree t;
        t.file("a");
        ComparisonRun run(t.path(), t.path() + "/", kInventoryOnly);
        int handOvers = 0, busy = 0;
        pacingOf(*run.w).handOverHook = [&](const Pacing &) {
            ++handOvers;
            busy += isBusy(*run.w);
        };
        run.go();
        QVERIFY(handOvers >= 3);
        QCOMPARE(busy, handOvers);
        QVERIFY(isIdle(*run.w));
    }

    void sameTextMeansSameDirectory()
    {
        TempTree t;
        t.file("x");
        t.file("y");
        ComparisonRun run(t.path(), t.path(), ByName);
        run.go();
        QVERIFY(bSameDir);
        QVERIFY(!run.w->cbByName->isChecked());
        // Listed once only.
        QCOMPARE(run.listed(), (QStringList{"x", "y"}));
        QCOMPARE(run.rez.texts.last(), countText(0));

        // The box stays unchecked for the next run, even with different paths.
        run.w->ePath2->setText(t.path() + "/");
        run.rez.texts.clear();
        run.go();
        QVERIFY(!bSameDir);
        QVERIFY(!run.w->cbByName->isChecked());
        QCOMPARE(run.listed(), (QStringList{"x", "y", "x", "y"}));
    }

    void sameDirectoryWrittenTwoWaysIsNotTheSameText()
    {
        TempTree t;
        t.file("x");
        ComparisonRun run(t.path(), t.path() + "/./", ByName);
        run.go();
        QVERIFY(!bSameDir);
        QVERIFY(run.w->cbByName->isChecked());
    }

    void kindsSelectFilesByEveryAttributeBit_data()
    {
        QTest::addColumn<quint32>("kinds");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("normal only") << kNormalFiles << QStringList{"a.txt"};
        QTest::newRow("normal and hidden")
            << (FileAttr::Archive | FileAttr::Hidden) << QStringList{".hid", "a.txt"};
        QTest::newRow("hidden alone") << FileAttr::Hidden << QStringList{};
        QTest::newRow("normal and read-only")
            << (FileAttr::Archive | FileAttr::ReadOnly) << QStringList{"a.txt", "ro.txt"};
        QTest::newRow("all kinds") << (FileAttr::Archive | FileAttr::Hidden | FileAttr::ReadOnly |
                                       FileAttr::System)
                                   << QStringList{".hid", ".hidro", "a.txt", "ro.txt"};
        QTest::newRow("none") << quint32(0) << QStringList{};
    }
    void kindsSelectFilesByEveryAttributeBit()
    {
        QFETCH(quint32, kinds);
        QFETCH(QStringList, listed);
        TempTree t;
        t.file("a.txt");
        markHidden(t.file(".hid"));
        markHidden(t.file(".hidro", "", 0444));
        t.file("ro.txt", "", 0444);
        t.dir("sub");
        t.file("sub/inner.txt");
        t.symlink("link", "a.txt");
        t.fifo("fifo");
        ComparisonRun run(t.path(), t.path(), kInventoryOnly, kinds);
        run.go();
        QCOMPARE(run.listed(), listed);
        QCOMPARE(run.rez.texts.last(), countText(0));
        QVERIFY(isIdle(*run.w));
    }

    void stackHoldsTheDirectoryTextAndTheName()
    {
        TempTree t;
        t.file("first");
        t.file("second");
        ComparisonRun run(QString(), QString(), kInventoryOnly);
        kindMask = kNormalFiles;
        PathStack s;
        QVERIFY(run.w->takeInventory(t.path() + "/", s));
        QCOMPARE(s.size(), 2);
        // A text that ends in a separator gets one more; the last entry found is on top.
        const QByteArray typed = t.bytes() + '/' + pathSeparator();
        QCOMPARE(s.top(), typed + "second");
        s.pop();
        QCOMPARE(s.top(), typed + "first");
    }

    void stopDuringTheFirstInventoryEndsTheRunWithNothing()
    {
        TempTree t;
        for (const char *n : {"one/a", "one/b", "one/c", "two/d"})
            t.file(n);
        ComparisonRun run(t.path() + "/one", t.path() + "/two", kInventoryOnly);
        pacingOf(*run.w).handOverHook = [&](const Pacing &) {
            if (run.progressText() == QStringLiteral("Initializare: b"))
                run.w->btnStop->click();
        };
        run.go();
        QCOMPARE(run.listed(), (QStringList{"a", "b"}));
        QCOMPARE(run.rez.texts.last(), countText(0));
        QCOMPARE(run.w->eRich->lineCount(), 0);
        QVERIFY(isIdle(*run.w));
        QCOMPARE(currentDirBytes(), t.systemPath("one"));

        // A stop left over from that run does not stop the next one.
        QVERIFY(bStop);
        pacingOf(*run.w).handOverHook = {};
        run.rez.texts.clear();
        run.go();
        QCOMPARE(run.listed(), (QStringList{"a", "b", "c", "d"}));
    }

    void relativePathsKeepTheirMeaningForTheWholeRun()
    {
        TempTree t;
        t.file("one/a");
        t.file("two/b");
        ComparisonRun run(QStringLiteral("one"), QStringLiteral("two"), kInventoryOnly);
        QVERIFY(SetCurrentDir(t.bytes()));
        run.go();
        QCOMPARE(run.listed(), (QStringList{"a", "b"}));
        QCOMPARE(currentDirBytes(), t.systemPath("two"));
    }

    void relativePathsWorkInsideADirectoryDeeperThanAPathCanName()
    {
        TempTree t;
        ComparisonRun run(QStringLiteral("."), QStringLiteral("SUB"));
        // Some 5,000 bytes deep: no absolute path can name the directory, relative ones can.
        const QByteArray component(200, 'd');
        const QByteArray deepPath = makeDeepTree(t.bytes(), QList<QByteArray>(25, component),
                                                 {{"same.txt", "bytes"}, {"SUB/same.txt", "bytes"}});
        if (deepPath.isEmpty())
            QSKIP("this system makes no tree that deep");
        const DirectoryAnchor deep(DirectoryAnchor(), deepPath);
        QVERIFY(deep.isValid());
        const DirectoryAnchor before = DirectoryAnchor::current();
        if (!keepsDeepCurrentDirectory()) {
            QVERIFY(!deep.enter());
            removeDeepTree(t.bytes(), component);
            QSKIP("this system keeps no current directory that deep");
        }
        QVERIFY(deep.enter());
        run.go();
        QCOMPARE(run.progressText(), countText(4));
        restorePacing(*run.w);
        QVERIFY(deep.enter());
        run.go();
        QVERIFY(before.enter());
        QCOMPARE(run.progressText(), countText(4));
        QCOMPARE(run.w->eRich->lineText(3), contentsLine("same.txt", "same.txt"));
        // The temporary tree cannot be removed by path from the top: take it apart from the inside.
        removeDeepTree(t.bytes(), component);
    }

    void secondPathIsReadAfterTheFirstInventory()
    {
        TempTree t;
        t.file("one/a");
        t.file("two/b");
        t.file("three/c");
        ComparisonRun run(t.path() + "/one", t.path() + "/two", kInventoryOnly);
        pacingOf(*run.w).handOverHook = [&](const Pacing &) {
            if (run.progressText() == QStringLiteral("Initializare: a"))
                run.w->ePath2->setText(t.path() + "/three");
        };
        run.go();
        QCOMPARE(run.listed(), (QStringList{"a", "c"}));
    }

    void namesAreShownAsOneLineOfText()
    {
        TempTree t;
        t.file("&lt;i&gt;entity");
        // Names Windows refuses, where the platform takes them.
        QStringList expected{"&lt;i&gt;entity"};
        if (makeFileIfNamable(t.bytes() + "/<b>bold"))
            expected << "<b>bold";
        if (makeFileIfNamable(t.bytes() + "/two\nlines"))
            expected << "two?lines";
        ComparisonRun run(t.path(), t.path(), kInventoryOnly);
        run.go();
        QCOMPARE(run.listed(), expected);
    }

    void closingDuringARunWaitsForItsEnd()
    {
        TempTree t;
        for (const char *n : {"a", "b", "c"})
            t.file(n);
        ComparisonRun run(t.path(), t.path(), kInventoryOnly);
        TfMain *w = run.w.get();
        QVERIFY(showExposed(*w));
        int visibleAfterClose = 0, handOvers = 0;
        pacingOf(*run.w).handOverHook = [&](const Pacing &) {
            if (++handOvers == 2)
                w->btnClose->click();
            else if (handOvers > 2)
                visibleAfterClose += w->isVisible();
        };
        run.go();
        QCOMPARE(visibleAfterClose, handOvers - 2);
        QVERIFY(visibleAfterClose > 0);
        QCOMPARE(run.rez.texts.last(), countText(0));
        QVERIFY(w->isVisible());
        QTRY_VERIFY(!w->isVisible());
    }

    void closingWhenIdleClosesAtOnce()
    {
        auto w = makeMainWindow();
        QVERIFY(showExposed(*w));
        MessageBoxAnswerer boxes;
        w->btnClose->click();
        QVERIFY(!w->isVisible());
        QVERIFY(boxes.boxes.isEmpty());
    }

    void exceptionInARunRestoresIdleAndIsShown()
    {
        TempTree t;
        t.file("a");
        t.file("b");
        ComparisonRun run(t.path(), t.path(), kInventoryOnly);
        pacingOf(*run.w).handOverHook = [&](const Pacing &) {
            if (run.progressText() == QStringLiteral("Initializare: b"))
                throw EInOutError(28);
        };
        MessageBoxAnswerer boxes;
        run.go();
        QTRY_COMPARE(boxes.boxes, (QList<ShownBox>{{QStringLiteral("I/O error 28."), kProgramCaption,
                                                    QMessageBox::Critical}}));
        QVERIFY(isIdle(*run.w));

        // The page works again afterwards.
        pacingOf(*run.w).handOverHook = {};
        run.go();
        QCOMPARE(run.progressText(), countText(0));
    }

    void pacedRunEndsWithTheCountAndHandsOverRarely()
    {
        TempTree t;
        for (int i = 0; i < 2000; ++i)
            t.file("f" + QByteArray::number(i));
        ComparisonRun run(t.path(), t.path() + "/", kInventoryOnly, kNormalFiles, RunPacing::Paced);
        int handOvers = 0;
        pacingOf(*run.w).handOverHook = [&](const Pacing &) { ++handOvers; };
        run.go();
        QCOMPARE(run.rez.texts.last(), countText(0));
        QVERIFY2(handOvers < 200, qPrintable(QString::number(handOvers)));
        // What the inventory showed last is the last name of the second directory.
        QVERIFY(run.rez.texts.contains(QStringLiteral("Initializare: f999")));
    }

private:
    std::vector<std::unique_ptr<TempTree>> m_trees;
};

QTEST_MAIN(TestCompareRun)
#include "tst_comparerun.moc"
