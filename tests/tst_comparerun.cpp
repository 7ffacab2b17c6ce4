// The comparison page's run: path checks, busy and idle states, the inventory of both directories with its
// progress texts, stop, close and exceptions during a run.

#include "engine/flags.h"
#include "engine/pacing.h"
#include "platform/directories.h"
#include "platform/exceptions.h"
#include "platform/files.h"
#include "platform/posix/handles.h"
#include "support/fixture.h"
#include "support/messageboxes.h"
#include "ui/application.h"
#include "ui/resultview.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const QString kCount0 = QStringLiteral("Au fost gasite 0 coincidente");

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

void setKinds(TfMain &w, bool normal, bool hidden, bool readOnly, bool system)
{
    w.cbNormal->setChecked(normal);
    w.cbHide->setChecked(hidden);
    w.cbReadOnly->setChecked(readOnly);
    w.cbSystem->setChecked(system);
}

// These tests look at the run and the inventory; the criteria have tests of their own.
void inventoryOnly(TfMain &w)
{
    for (QCheckBox *c : {w.cbByName, w.cbByVolume, w.cbByContents, w.cbByDate})
        c->setChecked(false);
}

// The names that the inventory showed, in order.
QStringList listedNames(const TextRecorder &rez)
{
    QStringList names;
    for (const QString &t : rez.textsStartingWith(QStringLiteral("Initializare: ")))
        names.append(t.mid(14));
    return names;
}

// Removes a directory and everything in it, found by descriptors, whatever the length of its paths.
void removeTreeAt(int parent, const QByteArray &name)
{
    const int fd = ::openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        ::unlinkat(parent, name.constData(), 0);
        return;
    }
    DIR *dir = ::fdopendir(fd);
    std::vector<QByteArray> entries;
    while (const dirent *e = ::readdir(dir))
        if (qstrcmp(e->d_name, ".") != 0 && qstrcmp(e->d_name, "..") != 0)
            entries.emplace_back(e->d_name);
    for (const QByteArray &entry : entries)
        removeTreeAt(::dirfd(dir), entry);
    ::closedir(dir);
    ::unlinkat(parent, name.constData(), AT_REMOVEDIR);
}

} // namespace

class TestCompareRun : public QObject
{
    Q_OBJECT

private slots:
    void init() { useLiteralPacing(); }
    void cleanup() { restorePacing(); }

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
        auto w = makeMainWindow();
        w->eRez->setText(QStringLiteral("old"));
        w->ePath1->setText(path1);
        w->ePath2->setText(path2);
        // The box shows an arrow over the hourglass, but the page is busy behind it.
        bool busyDuringBox = false;
        MessageBoxAnswerer boxes;
        QTimer probe;
        connect(&probe, &QTimer::timeout, [&] {
            busyDuringBox = busyDuringBox || (!w->btnGo->isEnabled() && w->btnStop->isEnabled());
        });
        probe.start(1);
        w->btnGo->click();

        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].text, message);
        QCOMPARE(boxes.boxes[0].caption, QStringLiteral("Eroare"));
        QCOMPARE(boxes.boxes[0].icon, QMessageBox::Critical);
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
        auto w = makeMainWindow();
        inventoryOnly(*w);
        w->ePath1->setText(t.path() + "/one");
        w->ePath2->setText(t.path() + "/two");
        w->eRez->setText(QStringLiteral("before"));
        TextRecorder rez(w->eRez);
        CurrentDirKeeper keep;
        w->btnGo->click();

        QCOMPARE(rez.texts, (QStringList{QString(), "Asteptati un pic...", "Initializare: A.txt",
                                         "Initializare: b.txt", "Initializare: c.txt", kCount0}));
        QCOMPARE(w->eRich->lineCount(), 0);
        QCOMPARE(w->eRich->toPlainText(), QString());
        QVERIFY(isIdle(*w));
        // The run leaves the second directory current.
        QCOMPARE(currentDirBytes(), t.bytes() + "/two");
    }

    void pageIsBusyWhileTheRunWorks()
    {
        TempTree t;
        t.file("a");
        auto w = makeMainWindow();
        inventoryOnly(*w);
        w->ePath1->setText(t.path());
        w->ePath2->setText(t.path() + "/");
        int handOvers = 0, busy = 0;
        pacing::setHandOverHook([&] {
            ++handOvers;
            busy += isBusy(*w);
        });
        CurrentDirKeeper keep;
        w->btnGo->click();
        QVERIFY(handOvers >= 3);
        QCOMPARE(busy, handOvers);
        QVERIFY(isIdle(*w));
    }

    void sameTextMeansSameDirectory()
    {
        TempTree t;
        t.file("x");
        t.file("y");
        auto w = makeMainWindow();
        inventoryOnly(*w);
        w->cbByName->setChecked(true);
        w->ePath1->setText(t.path());
        w->ePath2->setText(t.path());
        TextRecorder rez(w->eRez);
        CurrentDirKeeper keep;
        w->btnGo->click();
        QVERIFY(bSameDir);
        QVERIFY(!w->cbByName->isChecked());
        // Listed once only.
        QCOMPARE(listedNames(rez), (QStringList{"x", "y"}));
        QCOMPARE(rez.texts.last(), kCount0);

        // The box stays unchecked for the next run, even with different paths.
        w->ePath2->setText(t.path() + "/");
        rez.texts.clear();
        w->btnGo->click();
        QVERIFY(!bSameDir);
        QVERIFY(!w->cbByName->isChecked());
        QCOMPARE(listedNames(rez), (QStringList{"x", "y", "x", "y"}));
    }

    void sameDirectoryWrittenTwoWaysIsNotTheSameText()
    {
        TempTree t;
        t.file("x");
        auto w = makeMainWindow();
        inventoryOnly(*w);
        w->cbByName->setChecked(true);
        w->ePath1->setText(t.path());
        w->ePath2->setText(t.path() + "/./");
        CurrentDirKeeper keep;
        w->btnGo->click();
        QVERIFY(!bSameDir);
        QVERIFY(w->cbByName->isChecked());
    }

    void kindsSelectFilesByEveryAttributeBit_data()
    {
        QTest::addColumn<bool>("normal");
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("system");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("normal only") << true << false << false << false << QStringList{"a.txt"};
        QTest::newRow("normal and hidden") << true << true << false << false << QStringList{".hid", "a.txt"};
        QTest::newRow("hidden alone") << false << true << false << false << QStringList{};
        QTest::newRow("normal and read-only")
            << true << false << true << false << QStringList{"a.txt", "ro.txt"};
        QTest::newRow("all kinds") << true << true << true << true
                                   << QStringList{".hid", ".hidro", "a.txt", "ro.txt"};
        QTest::newRow("none") << false << false << false << false << QStringList{};
    }
    void kindsSelectFilesByEveryAttributeBit()
    {
        QFETCH(bool, normal);
        QFETCH(bool, hidden);
        QFETCH(bool, readOnly);
        QFETCH(bool, system);
        QFETCH(QStringList, listed);
        TempTree t;
        t.file("a.txt");
        t.file(".hid");
        t.file(".hidro", "", 0444);
        t.file("ro.txt", "", 0444);
        t.dir("sub");
        t.file("sub/inner.txt");
        t.symlink("link", "a.txt");
        t.fifo("fifo");
        auto w = makeMainWindow();
        inventoryOnly(*w);
        setKinds(*w, normal, hidden, readOnly, system);
        w->ePath1->setText(t.path());
        w->ePath2->setText(t.path());
        TextRecorder rez(w->eRez);
        CurrentDirKeeper keep;
        w->btnGo->click();
        QCOMPARE(listedNames(rez), listed);
        QCOMPARE(rez.texts.last(), kCount0);
        QVERIFY(isIdle(*w));
    }

    void stackHoldsTheDirectoryTextAndTheName()
    {
        TempTree t;
        t.file("first");
        t.file("second");
        auto w = makeMainWindow();
        inventoryOnly(*w);
        kindMask = 0x20;
        CurrentDirKeeper keep;
        PathStack s;
        QVERIFY(w->takeInventory(t.path() + "/", s));
        QCOMPARE(s.size(), 2);
        // A text that ends in the separator gives a doubled one; the last entry found is on top.
        QCOMPARE(s.top(), t.bytes() + "//second");
        s.pop();
        QCOMPARE(s.top(), t.bytes() + "//first");
    }

    void stopDuringTheFirstInventoryEndsTheRunWithNothing()
    {
        TempTree t;
        for (const char *n : {"one/a", "one/b", "one/c", "two/d"})
            t.file(n);
        auto w = makeMainWindow();
        inventoryOnly(*w);
        w->ePath1->setText(t.path() + "/one");
        w->ePath2->setText(t.path() + "/two");
        TextRecorder rez(w->eRez);
        pacing::setHandOverHook([&] {
            if (w->eRez->text() == QStringLiteral("Initializare: b"))
                w->btnStop->click();
        });
        CurrentDirKeeper keep;
        w->btnGo->click();
        QCOMPARE(listedNames(rez), (QStringList{"a", "b"}));
        QCOMPARE(rez.texts.last(), kCount0);
        QCOMPARE(w->eRich->lineCount(), 0);
        QVERIFY(isIdle(*w));
        QCOMPARE(currentDirBytes(), t.bytes() + "/one");

        // A stop left over from that run does not stop the next one.
        QVERIFY(bStop);
        pacing::setHandOverHook({});
        rez.texts.clear();
        w->btnGo->click();
        QCOMPARE(listedNames(rez), (QStringList{"a", "b", "c", "d"}));
    }

    void relativePathsKeepTheirMeaningForTheWholeRun()
    {
        TempTree t;
        t.file("one/a");
        t.file("two/b");
        auto w = makeMainWindow();
        inventoryOnly(*w);
        w->ePath1->setText(QStringLiteral("one"));
        w->ePath2->setText(QStringLiteral("two"));
        TextRecorder rez(w->eRez);
        CurrentDirKeeper keep;
        QVERIFY(SetCurrentDir(t.bytes()));
        w->btnGo->click();
        QCOMPARE(listedNames(rez), (QStringList{"a", "b"}));
        QCOMPARE(currentDirBytes(), t.bytes() + "/two");
    }

    void relativePathsWorkInsideADirectoryDeeperThanAPathCanName()
    {
        TempTree t;
        // Some 5,000 bytes deep: no absolute path can name the directory, relative ones can.
        const DirectoryAnchor top(DirectoryAnchor(), t.bytes());
        DirectoryAnchor deep(top, QByteArray("."));
        const QByteArray component(200, 'd');
        for (int level = 0; level < 25; ++level) {
            QCOMPARE(::mkdirat(PlatformAccess::descriptor(deep), component.constData(), 0755), 0);
            deep = DirectoryAnchor(deep, component);
        }
        QCOMPARE(::mkdirat(PlatformAccess::descriptor(deep), "SUB", 0755), 0);
        for (const char *name : {"same.txt", "SUB/same.txt"}) {
            const int fd = ::openat(PlatformAccess::descriptor(deep), name, O_WRONLY | O_CREAT, 0644);
            QVERIFY(fd >= 0 && ::write(fd, "bytes", 5) == 5);
            ::close(fd);
        }
        const DirectoryAnchor before = DirectoryAnchor::current();
        QVERIFY(deep.enter());
        auto w = makeMainWindow();
        w->ePath1->setText(QStringLiteral("."));
        w->ePath2->setText(QStringLiteral("SUB"));
        w->btnGo->click();
        QCOMPARE(w->eRez->text(), QStringLiteral("Au fost gasite 4 coincidente"));
        restorePacing();
        QVERIFY(deep.enter());
        w->btnGo->click();
        QVERIFY(before.enter());
        QCOMPARE(w->eRez->text(), QStringLiteral("Au fost gasite 4 coincidente"));
        QCOMPARE(w->eRich->lineText(3), QStringLiteral("[by contents]    \tsame.txt  =  same.txt"));
        // The temporary tree cannot be removed by path from the top: take it apart from the inside.
        removeTreeAt(PlatformAccess::descriptor(top), component);
    }

    void secondPathIsReadAfterTheFirstInventory()
    {
        TempTree t;
        t.file("one/a");
        t.file("two/b");
        t.file("three/c");
        auto w = makeMainWindow();
        inventoryOnly(*w);
        w->ePath1->setText(t.path() + "/one");
        w->ePath2->setText(t.path() + "/two");
        TextRecorder rez(w->eRez);
        pacing::setHandOverHook([&] {
            if (w->eRez->text() == QStringLiteral("Initializare: a"))
                w->ePath2->setText(t.path() + "/three");
        });
        CurrentDirKeeper keep;
        w->btnGo->click();
        QCOMPARE(listedNames(rez), (QStringList{"a", "c"}));
    }

    void namesAreShownAsOneLineOfText()
    {
        TempTree t;
        t.file("two\nlines");
        t.file("<b>bold");
        auto w = makeMainWindow();
        inventoryOnly(*w);
        w->ePath1->setText(t.path());
        w->ePath2->setText(t.path());
        TextRecorder rez(w->eRez);
        CurrentDirKeeper keep;
        w->btnGo->click();
        QCOMPARE(listedNames(rez), (QStringList{"<b>bold", "two?lines"}));
    }

    void closingDuringARunWaitsForItsEnd()
    {
        TempTree t;
        for (const char *n : {"a", "b", "c"})
            t.file(n);
        auto w = makeMainWindow();
        inventoryOnly(*w);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->ePath1->setText(t.path());
        w->ePath2->setText(t.path());
        int visibleAfterClose = 0, handOvers = 0;
        pacing::setHandOverHook([&] {
            if (++handOvers == 2)
                w->btnClose->click();
            else if (handOvers > 2)
                visibleAfterClose += w->isVisible();
        });
        TextRecorder rez(w->eRez);
        CurrentDirKeeper keep;
        w->btnGo->click();
        QCOMPARE(visibleAfterClose, handOvers - 2);
        QVERIFY(visibleAfterClose > 0);
        QCOMPARE(rez.texts.last(), kCount0);
        QVERIFY(w->isVisible());
        QTRY_VERIFY(!w->isVisible());
    }

    void closingWhenIdleClosesAtOnce()
    {
        auto w = makeMainWindow();
        inventoryOnly(*w);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
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
        auto w = makeMainWindow();
        inventoryOnly(*w);
        w->ePath1->setText(t.path());
        w->ePath2->setText(t.path());
        pacing::setHandOverHook([&] {
            if (w->eRez->text() == QStringLiteral("Initializare: b"))
                throw EInOutError(28);
        });
        MessageBoxAnswerer boxes;
        CurrentDirKeeper keep;
        w->btnGo->click();
        QTRY_COMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].text, QStringLiteral("I/O error 28."));
        QCOMPARE(boxes.boxes[0].caption, vestrelTitle());
        QCOMPARE(boxes.boxes[0].icon, QMessageBox::Critical);
        QVERIFY(isIdle(*w));

        // The page works again afterwards.
        pacing::setHandOverHook({});
        w->btnGo->click();
        QCOMPARE(w->eRez->text(), kCount0);
    }

    void pacedRunEndsWithTheCountAndHandsOverRarely()
    {
        TempTree t;
        for (int i = 0; i < 2000; ++i)
            t.file("f" + QByteArray::number(i));
        pacing::setLiteral(false);
        auto w = makeMainWindow();
        inventoryOnly(*w);
        w->ePath1->setText(t.path());
        w->ePath2->setText(t.path() + "/");
        int handOvers = 0;
        pacing::setHandOverHook([&] { ++handOvers; });
        TextRecorder rez(w->eRez);
        CurrentDirKeeper keep;
        w->btnGo->click();
        QCOMPARE(rez.texts.last(), kCount0);
        QVERIFY2(handOvers < 200, qPrintable(QString::number(handOvers)));
        // What the inventory showed last is the last name of the second directory.
        QVERIFY(rez.texts.contains(QStringLiteral("Initializare: f999")));
    }

private:
    std::vector<std::unique_ptr<TempTree>> m_trees;
};

QTEST_MAIN(TestCompareRun)
#include "tst_comparerun.moc"
