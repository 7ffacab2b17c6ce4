// The directory picker with real widgets: how each way of closing it fills the path edits, the directory
// list's rows and opening, the drive selector, the second showing, and the picker used after and during
// a comparison.

#include "engine/pacing.h"
#include "platform/files.h"
#include "support/bytenames.h"
#include "support/comparisonrun.h"
#include "support/messageboxes.h"
#include "support/picker.h"
#include "ui/dirbox.h"
#include "ui/drivebox.h"
#include "ui/selpath.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

QString text(const QByteArray &path)
{
    return QFile::decodeName(path);
}

QListWidgetItem *row(TDirBox *box, const QString &rowText)
{
    const QList<QListWidgetItem *> found = box->findItems(rowText, Qt::MatchExactly);
    return found.size() == 1 ? found.front() : nullptr;
}

void click(TDirBox *box, QListWidgetItem *item)
{
    QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, box->visualItemRect(item).center());
}

void doubleClick(TDirBox *box, QListWidgetItem *item)
{
    const QPoint at = box->visualItemRect(item).center();
    QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(box->viewport(), Qt::LeftButton, {}, at);
}

QStringList rowTexts(const TDirBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts.append(box->item(i)->text());
    return texts;
}

QList<QByteArray> rowPaths(const TDirBox *box)
{
    QList<QByteArray> paths;
    for (int i = 0; i < box->count(); ++i)
        paths.append(box->item(i)->data(TDirBox::PathRole).toByteArray());
    return paths;
}

// The chain of rows from the root down to a directory, as texts.
QStringList chain(const QByteArray &directory)
{
    QStringList texts{QStringLiteral("/")};
    for (const QByteArray &part : directory.split('/'))
        if (!part.isEmpty())
            texts.append(text(part));
    return texts;
}

// The row of a temporary tree's own directory, in the chain of a list inside the tree.
QListWidgetItem *treeRow(TDirBox *box, const TempTree &t)
{
    return box->item(int(chain(t.bytes()).size()) - 1);
}

// 22 directories of 200-byte names, one in another, in a temporary tree: the deepest one's path is longer
// than the longest the system takes in one call (4,096 bytes), relative to the tree too. Each name ends
// in its level, so that no two rows of the picker read alike. The deepest directory holds a.txt and
// inner/a.txt, with the same bytes.
struct DeepTree
{
    static constexpr int kLevels = 22;
    TempTree t;
    QList<QByteArray> names;
    QByteArray relative;

    DeepTree()
    {
        for (int level = 0; level < kLevels; ++level) {
            names.append(QByteArray(197, 'd') + QByteArray::number(100 + level));
            relative += (level ? "/" : "") + names.back();
        }
        makeDeepTree(t.bytes(), names, {{"a.txt", "bytes"}, {"inner/a.txt", "bytes"}});
    }
    ~DeepTree() { removeDeepTree(t.bytes(), names.front()); }
    QByteArray absolute() const { return t.bytes() + '/' + relative; }
};

} // namespace

class TestSelPath : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { makeMainWindow(); }

    void pickerHasItsLayoutAndStartsInTheDriveSelector()
    {
        TempTree t;
        ProgramWithPicker p(t.bytes());
        TfSelPath &d = *p.picker;
        QCOMPARE(d.objectName(), QStringLiteral("fSelPath"));
        QCOMPARE(d.windowTitle(), QStringLiteral("Alegere directoriu..."));
        QCOMPARE(d.size(), QSize(387, 171));
        QCOMPARE(d.minimumSize(), d.maximumSize());
        QVERIFY(!(d.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(d.windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(!d.isVisible());

        const struct
        {
            QWidget *widget;
            const char *name;
            QRect bounds;
            int fontPixels;
        } controls[] = {
            {d.DriveBox, "DriveBox", {61, 10, 234, 22}, 13}, {d.DirBox, "DirBox", {61, 38, 234, 100}, 11},
            {d.btnOk, "btnOk", {303, 9, 76, 25}, 11},        {d.ePath, "ePath", {7, 144, 372, 21}, 11},
            {d.btnClose, "btnClose", {304, 39, 75, 25}, 11},
        };
        for (const auto &c : controls) {
            QCOMPARE(c.widget->objectName(), QLatin1String(c.name));
            QCOMPARE(c.widget->geometry(), c.bounds);
            QCOMPARE(c.widget->font().pixelSize(), c.fontPixels);
        }
        QCOMPARE(d.Label1->text(), QStringLiteral("Disc:"));
        QCOMPARE(d.Label1->pos(), QPoint(32, 12));
        QCOMPARE(d.Label2->text(), QStringLiteral("Directoriu:"));
        QCOMPARE(d.Label2->pos(), QPoint(8, 32));
        QCOMPARE(d.btnOk->text(), QStringLiteral("&OK"));
        QVERIFY(!d.btnOk->icon().isNull());
        QVERIFY(d.btnOk->isDefault());
        QCOMPARE(d.btnClose->text(), QStringLiteral("&Anulare"));
        QVERIFY(d.btnClose->icon().isNull());
        QVERIFY(d.ePath->isReadOnly());
        QCOMPARE(d.ePath->palette().color(QPalette::Base), QColor(0xE4, 0xE4, 0xE4));

        QStringList order;
        QWidget *w = d.DriveBox;
        do {
            if (w->focusPolicy() & Qt::TabFocus)
                order.append(w->objectName());
            w = w->nextInFocusChain();
        } while (w != d.DriveBox);
        QCOMPARE(order, (QStringList{"DriveBox", "DirBox", "btnOk", "ePath", "btnClose"}));

        // The first showing starts in the drive selector, on the volume of the directory the program started
        // in, with the list at that directory.
        QCOMPARE(d.DirBox->directory(), t.bytes());
        QCOMPARE(d.DriveBox->currentIndex(), 0);
        QString focused;
        whenPickerShown([&](TfSelPath &s) {
            focused = QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
            s.btnOk->click();
        });
        QTest::mouseClick(p.w->btnGetPath1, Qt::LeftButton);
        QCOMPARE(focused, QStringLiteral("DriveBox"));
    }

    void eachWayOfClosingFillsThePathEditOrLeavesIt_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("way");
        QTest::addColumn<bool>("copied");
        QTest::newRow("Directoriul 2, OK") << 2 << "ok" << true;
        QTest::newRow("Directoriul 1, OK") << 1 << "ok" << true;
        QTest::newRow("Directoriul 2, Enter") << 2 << "enter" << true;
        QTest::newRow("Directoriul 1, Enter on the list") << 1 << "enter on list" << true;
        QTest::newRow("Directoriul 1, Alt+O") << 1 << "alt+o" << true;
        QTest::newRow("Directoriul 2, close box") << 2 << "close" << true;
        QTest::newRow("Directoriul 1, Anulare") << 1 << "cancel" << false;
        QTest::newRow("Directoriul 2, Alt+A") << 2 << "alt+a" << false;
    }
    // Each row browses one level down first, so the current directory has moved whatever ends the showing.
    void eachWayOfClosingFillsThePathEditOrLeavesIt()
    {
        QFETCH(int, button);
        QFETCH(QString, way);
        QFETCH(bool, copied);
        TempTree t;
        t.dir("sub");
        ProgramWithPicker p(t.bytes());
        p.w->ePath1->setText(QStringLiteral("first"));
        p.w->ePath2->setText(QStringLiteral("second"));
        QString shownAtStart;
        whenPickerShown([&](TfSelPath &s) {
            shownAtStart = s.ePath->text();
            doubleClick(s.DirBox, row(s.DirBox, QStringLiteral("sub")));
            if (way == "ok")
                QTest::mouseClick(s.btnOk, Qt::LeftButton);
            else if (way == "enter")
                QTest::keyClick(s.DriveBox, Qt::Key_Return);
            else if (way == "enter on list") {
                // The root's row is highlighted, not opened: Enter presses "&OK".
                s.DirBox->setCurrentRow(0);
                QTest::keyClick(s.DirBox, Qt::Key_Return);
            } else if (way == "alt+o")
                QTest::keyClick(&s, Qt::Key_O, Qt::AltModifier);
            else if (way == "close")
                s.close();
            else if (way == "cancel")
                QTest::mouseClick(s.btnClose, Qt::LeftButton);
            else if (way == "alt+a")
                QTest::keyClick(&s, Qt::Key_A, Qt::AltModifier);
        });
        QPushButton *pressed = button == 1 ? p.w->btnGetPath1 : p.w->btnGetPath2;
        QTest::mouseClick(pressed, Qt::LeftButton);

        QVERIFY(!p.picker->isVisible());
        QCOMPARE(shownAtStart, t.path());
        const QString chosen = t.path() + "/sub";
        QCOMPARE(currentDirBytes(), t.bytes() + "/sub");
        QCOMPARE(p.picker->ePath->text(), copied ? chosen : QString());
        QCOMPARE(p.w->ePath1->text(), copied && button == 1 ? chosen : QStringLiteral("first"));
        QCOMPARE(p.w->ePath2->text(), copied && button == 2 ? chosen : QStringLiteral("second"));
        QVERIFY(pressed->hasFocus());
    }

    void escapeDoesNothing()
    {
        TempTree t;
        ProgramWithPicker p(t.bytes());
        bool openAfterEsc = false;
        whenPickerShown([&](TfSelPath &s) {
            QTest::keyClick(s.DirBox, Qt::Key_Escape);
            QTest::keyClick(&s, Qt::Key_Escape);
            QTest::qWait(50);
            openAfterEsc = s.isVisible();
            s.btnOk->click();
        });
        QTest::mouseClick(p.w->btnGetPath2, Qt::LeftButton);
        QVERIFY(openAfterEsc);
        QCOMPARE(p.w->ePath2->text(), t.path());
    }

    void rowsShowTheChainAndSubdirectoriesAndADoubleClickOpens()
    {
        TempTree t;
        for (const char *d : {"beta", "Alpha", "gamma/inner", ".hidden", "Zeta", "alpha2", "ALPHA"})
            t.dir(d);
        t.file("file.txt");
        t.file("aaa.txt");
        t.symlink("link", t.bytes() + "/gamma");
        t.symlink("broken", t.bytes() + "/nowhere");
        t.symlink("filelink", t.bytes() + "/file.txt");
        ProgramWithPicker p(t.bytes());
        TDirBox *box = p.picker->DirBox;

        const QStringList subdirectories{"ALPHA", "Alpha", "alpha2", "beta", "gamma", "link", "Zeta"};
        QCOMPARE(rowTexts(box), chain(t.bytes()) + subdirectories);
        const int top = int(chain(t.bytes()).size());
        QCOMPARE(box->currentRow(), top - 1);
        QCOMPARE(rowPaths(box).at(top), t.bytes() + "/ALPHA");
        QCOMPARE(rowPaths(box).at(0), QByteArray("/"));
        const QImage open(QStringLiteral(":/pictures/folder-open.png"));
        const QImage closed(QStringLiteral(":/pictures/folder-closed.png"));
        QVERIFY(!open.isNull() && !closed.isNull() && open != closed);
        for (int i = 0; i < box->count(); ++i) {
            QListWidgetItem *item = box->item(i);
            const QImage picture = item->icon().pixmap(16, 16).toImage();
            QCOMPARE(picture.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                     (i < top ? open : closed).convertToFormat(QImage::Format_ARGB32_Premultiplied));
            QCOMPARE(item->data(TDirBox::LevelRole).toInt(), std::min(i, top));
            QCOMPARE(box->visualItemRect(item).height(), 16);
        }

        QStringList shown;
        QByteArray currentAfterSingleClick;
        int rowAfterSingleClick = -1;
        bool openAfterEnter = true;
        whenPickerShown([&](TfSelPath &s) {
            click(box, row(box, "gamma"));
            shown.append(s.ePath->text());
            currentAfterSingleClick = currentDirBytes();
            rowAfterSingleClick = box->currentRow();
            doubleClick(box, row(box, "gamma"));
            shown.append(s.ePath->text());
            doubleClick(box, row(box, "inner"));
            shown.append(s.ePath->text());
            // Up the chain: the row of the tree's own directory.
            doubleClick(box, box->item(top - 1));
            shown.append(s.ePath->text());
            // Enter on a highlighted row does not open it: it presses the default button, "&OK".
            box->setCurrentItem(row(box, "gamma"));
            QTest::keyClick(box, Qt::Key_Return);
            openAfterEnter = s.isVisible();
        });
        QTest::mouseClick(p.w->btnGetPath1, Qt::LeftButton);

        QVERIFY(!openAfterEnter);
        QCOMPARE(p.picker->result(), int(QDialog::Accepted));
        QCOMPARE(currentAfterSingleClick, t.bytes());
        QCOMPARE(rowAfterSingleClick, top + 4);
        QCOMPARE(shown, (QStringList{t.path(), t.path() + "/gamma", t.path() + "/gamma/inner", t.path()}));
        QCOMPARE(box->directory(), t.bytes());
        QCOMPARE(currentDirBytes(), t.bytes());
        QCOMPARE(p.picker->ePath->text(), t.path());
        QCOMPARE(p.w->ePath1->text(), t.path());
    }

    // Opening a link to a directory leads to the directory itself, as the current directory reads back.
    // A name that is no valid text in the locale is shown, and opens by its bytes.
    void namesThatAreNotTextShowAndOpenByTheirBytes()
    {
        TempTree t;
        const QByteArray odd = "caf\xe9-\x01";
        // The tree's helpers take names as text; this one must keep its bytes.
        QVERIFY(::mkdir((t.bytes() + '/' + odd).constData(), 0755) == 0);
        QVERIFY(::mkdir((t.bytes() + '/' + odd + "/deeper").constData(), 0755) == 0);
        const auto removeOdd = qScopeGuard([&] {
            ::rmdir((t.bytes() + '/' + odd + "/deeper").constData());
            ::rmdir((t.bytes() + '/' + odd).constData());
        });
        t.dir("real/x");
        t.symlink("viaLink", t.bytes() + "/real");
        ProgramWithPicker p(t.bytes());
        TDirBox *box = p.picker->DirBox;
        QListWidgetItem *oddRow = nullptr;
        for (int i = 0; i < box->count(); ++i)
            if (box->item(i)->data(TDirBox::PathRole).toByteArray() == t.bytes() + '/' + odd)
                oddRow = box->item(i);
        QVERIFY(oddRow);
        QVERIFY(oddRow->text().startsWith(QStringLiteral("caf")));
        QVERIFY(oddRow->text().endsWith(QStringLiteral("-?")));

        QByteArray afterOdd;
        QStringList rowsAfterOdd;
        whenPickerShown([&](TfSelPath &s) {
            // The rows were read again for the showing.
            for (int i = 0; i < box->count(); ++i)
                if (box->item(i)->data(TDirBox::PathRole).toByteArray() == t.bytes() + '/' + odd)
                    oddRow = box->item(i);
            doubleClick(box, oddRow);
            afterOdd = currentDirBytes();
            rowsAfterOdd = rowTexts(box);
            doubleClick(box, treeRow(box, t));
            doubleClick(box, row(box, "viaLink"));
            s.btnOk->click();
        });
        QTest::mouseClick(p.w->btnGetPath2, Qt::LeftButton);

        QCOMPARE(afterOdd, t.bytes() + '/' + odd);
        QCOMPARE(rowsAfterOdd.last(), QStringLiteral("deeper"));
        QCOMPARE(box->directory(), t.bytes() + "/real");
        QCOMPARE(rowTexts(box), chain(t.bytes() + "/real") + QStringList{"x"});
        QCOMPARE(p.w->ePath2->text(), t.path() + "/real");
    }

    void aSecondShowingListsTheLastDirectoryAndShowsTheCurrentOne()
    {
        TempTree t;
        t.dir("a/a1");
        t.dir("b");
        ProgramWithPicker p(t.bytes());
        whenPickerShown([&](TfSelPath &s) {
            doubleClick(s.DirBox, row(s.DirBox, "a"));
            s.close();
        });
        QTest::mouseClick(p.w->btnGetPath1, Qt::LeftButton);
        QCOMPARE(p.w->ePath1->text(), t.path() + "/a");

        // Something else moves the current directory between the showings.
        SetCurrentDir(t.bytes() + "/b");
        QByteArray listed;
        QString shown, focused;
        whenPickerShown([&](TfSelPath &s) {
            listed = s.DirBox->directory();
            shown = s.ePath->text();
            focused = QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
            QTest::mouseClick(s.btnOk, Qt::LeftButton);
        });
        QTest::mouseClick(p.w->btnGetPath2, Qt::LeftButton);
        QCOMPARE(listed, t.bytes() + "/a");
        QCOMPARE(rowTexts(p.picker->DirBox), chain(t.bytes() + "/a") + QStringList{"a1"});
        QCOMPARE(shown, t.path() + "/b");
        QCOMPARE(focused, QStringLiteral("DirBox"));
        QCOMPARE(p.w->ePath2->text(), t.path() + "/b");
        QCOMPARE(p.w->ePath1->text(), t.path() + "/a");
    }

    // The list keeps its directory between showings, but its rows and the volumes are read at each one: a
    // folder made or removed since, or a volume mounted since, shows as it is now. The highlighted row stays.
    void rowsAndVolumesAreReadAtEachShowing()
    {
        TempTree t;
        t.dir("old");
        t.dir("gone");
        QList<Volume> volumes{{"/", QString()}};
        ProgramWithPicker p(t.bytes());
        p.picker->DriveBox->setVolumeSource([&] { return volumes; });
        t.dir("made later");
        QVERIFY(::rmdir((t.bytes() + "/gone").constData()) == 0);

        QStringList rows;
        QStringList drives;
        whenPickerShown([&](TfSelPath &s) {
            rows = rowTexts(s.DirBox);
            s.DirBox->setCurrentItem(row(s.DirBox, "old"));
            s.btnOk->click();
        });
        QTest::mouseClick(p.w->btnGetPath1, Qt::LeftButton);
        QCOMPARE(rows, chain(t.bytes()) + QStringList({"made later", "old"}));

        t.dir("another");
        volumes.append({t.bytes() + "/old", QStringLiteral("DISC")});
        QString highlighted;
        whenPickerShown([&](TfSelPath &s) {
            rows = rowTexts(s.DirBox);
            highlighted = s.DirBox->currentItem() ? s.DirBox->currentItem()->text() : QString();
            for (int i = 0; i < s.DriveBox->count(); ++i)
                drives.append(s.DriveBox->itemText(i));
            s.btnOk->click();
        });
        QTest::mouseClick(p.w->btnGetPath1, Qt::LeftButton);
        QCOMPARE(rows, chain(t.bytes()) + QStringList({"another", "made later", "old"}));
        QCOMPARE(highlighted, QStringLiteral("old"));
        QCOMPARE(drives, (QStringList{"/", t.path() + "/old DISC"}));
        QCOMPARE(p.picker->DriveBox->currentIndex(), 0);
    }

    // The machine's volumes are replaced by two places in a temporary tree: the tree stands for "/" and its
    // directory vol for a mounted volume.
    void driveSelectorMovesBetweenVolumesAndFollowsTheList()
    {
        TempTree t;
        t.dir("home/docs");
        t.dir("vol/photos/2024");
        ProgramWithPicker p(t.bytes() + "/home");
        TDriveBox *drives = p.picker->DriveBox;
        drives->setVolumeSource([&] {
            return QList<Volume>{{"/", QString()}, {t.bytes() + "/vol", "STICK"}};
        });
        drives->follow(p.picker->DirBox->directory());
        QCOMPARE(drives->itemText(1), t.path() + "/vol STICK");
        QCOMPARE(drives->currentIndex(), 0);

        QStringList shown;
        QList<int> selected;
        whenPickerShown([&](TfSelPath &s) {
            const auto note = [&] {
                shown.append(s.ePath->text());
                selected.append(drives->currentIndex());
            };
            drives->setFocus();
            QTest::keyClick(drives, Qt::Key_Down); // the volume, at its mount point
            note();
            doubleClick(s.DirBox, row(s.DirBox, "photos"));
            QTest::keyClick(drives, Qt::Key_Up); // back to where the list was on "/"
            note();
            QTest::keyClick(drives, Qt::Key_Down); // the volume again, where it was left
            note();
            // Up the chain out of the volume: the selector follows the list.
            doubleClick(s.DirBox, treeRow(s.DirBox, t));
            note();
            s.btnOk->click();
        });
        QTest::mouseClick(p.w->btnGetPath2, Qt::LeftButton);

        QCOMPARE(shown,
                 (QStringList{t.path() + "/vol", t.path() + "/home", t.path() + "/vol/photos", t.path()}));
        QCOMPARE(selected, (QList<int>{1, 0, 1, 0}));
        QCOMPARE(currentDirBytes(), t.bytes());
        QCOMPARE(p.w->ePath2->text(), t.path());
    }

    void afterARunThePickerGivesTheDirectoryTheRunLeftCurrent()
    {
        TempTree t;
        t.file("one/a.txt");
        t.file("two/a.txt");
        t.dir("browsed");
        ProgramWithPicker p(t.bytes());
        whenPickerShown([&](TfSelPath &s) {
            doubleClick(s.DirBox, row(s.DirBox, "browsed"));
            s.btnOk->click();
        });
        QTest::mouseClick(p.w->btnGetPath1, Qt::LeftButton);

        p.w->ePath1->setText(t.path() + "/one");
        p.w->ePath2->setText(t.path() + "/two");
        MessageBoxAnswerer boxes;
        p.w->btnGo->click();
        QVERIFY(boxes.boxes.isEmpty());
        const QByteArray enteredLast = currentDirBytes();
        QVERIFY(enteredLast == t.bytes() + "/one" || enteredLast == t.bytes() + "/two");

        whenPickerShown([&](TfSelPath &s) { QTest::mouseClick(s.btnOk, Qt::LeftButton); });
        QTest::mouseClick(p.w->btnGetPath1, Qt::LeftButton);
        QCOMPARE(p.w->ePath1->text(), text(enteredLast));
        QCOMPARE(p.picker->DirBox->directory(), t.bytes() + "/browsed");
        QCOMPARE(currentDirBytes(), enteredLast);
    }

    // The picker opened while a run lists the first directory: the second directory chosen there is the one
    // the run lists next.
    void aPickerOpenedDuringARunChoosesTheDirectoryListedNext()
    {
        TempTree t;
        t.file("one/a");
        t.file("two/b");
        t.file("three/c");
        ProgramWithPicker p(t.bytes());
        choose(*p.w, 0); // the inventory only
        p.w->ePath1->setText(t.path() + "/one");
        p.w->ePath2->setText(t.path() + "/two");
        pacingOf(*p.w).setLiteral(true);
        bool opened = false;
        bool runStillBusy = false;
        pacingOf(*p.w).handOverHook = [&](const Pacing &) {
            if (opened || p.w->eRez->text() != QStringLiteral("Initializare: a"))
                return;
            opened = true;
            whenPickerShown([&](TfSelPath &s) {
                runStillBusy = !p.w->btnGo->isEnabled();
                doubleClick(s.DirBox, row(s.DirBox, "three"));
                s.btnOk->click();
            });
            QTest::mouseClick(p.w->btnGetPath2, Qt::LeftButton);
        };
        TextRecorder rez(p.w->eRez);
        p.w->btnGo->click();
        pacingOf(*p.w).setLiteral(false);

        QVERIFY(opened);
        QVERIFY(runStillBusy);
        QCOMPARE(p.w->ePath2->text(), t.path() + "/three");
        QCOMPARE(rez.textsStartingWith(QStringLiteral("Initializare: ")),
                 (QStringList{"Initializare: a", "Initializare: c"}));
        QCOMPARE(rez.texts.last(), countText(0));
        QVERIFY(p.w->btnGo->isEnabled());
    }

    // A directory that cannot be entered: the exception display shows the system's error number, the dialog
    // stays open and nothing else changes. Run as a user without privileges, since for root every directory
    // opens.
    void aDirectoryDeeperThanTheLongestPathPassesTheCheck_data()
    {
        QTest::addColumn<bool>("absolute");
        QTest::newRow("absolute path texts") << true;
        QTest::newRow("relative path texts") << false;
    }
    // Too long for one call of the system, such a text is still checked, and the run compares the
    // directories; a text that names a file there, or nothing, is still refused.
    void aDirectoryDeeperThanTheLongestPathPassesTheCheck()
    {
        QFETCH(bool, absolute);
        DeepTree deep;
        const QByteArray dir = absolute ? deep.absolute() : deep.relative;
        QVERIFY(dir.size() > 4096);
        ComparisonRun run(text(dir), text(dir + "/inner"), ByName | ByContents);
        QVERIFY(SetCurrentDir(deep.t.bytes()));
        MessageBoxAnswerer boxes;
        QCOMPARE(run.go(), (QStringList{nameLine("a.txt", "a.txt"), contentsLine("a.txt", "a.txt")}));
        QCOMPARE(boxes.boxes.size(), 0);

        for (const QByteArray &refused : {dir + "/a.txt", dir + "/missing"}) {
            QVERIFY(SetCurrentDir(deep.t.bytes()));
            run.w->ePath1->setText(text(refused));
            run.go();
            QTRY_COMPARE(boxes.boxes.size(), 1);
            QCOMPARE(boxes.boxes[0].text, QStringLiteral("Adresa incorecta:\n") + text(refused));
            boxes.boxes.clear();
        }
    }

    // Opening one row after another down the deep tree: past the longest path the system takes in one call
    // the picker still enters each directory, lists it and shows its full path, and the next showing
    // starts from it.
    void thePickerWalksDownPastTheLongestPath()
    {
        DeepTree deep;
        ProgramWithPicker p(deep.t.bytes());
        MessageBoxAnswerer boxes;
        QStringList shown;
        QStringList deepestRows;
        whenPickerShown([&](TfSelPath &s) {
            for (const QByteArray &name : deep.names) {
                QListWidgetItem *next = row(s.DirBox, text(name));
                if (!next)
                    break;
                s.DirBox->scrollToItem(next);
                doubleClick(s.DirBox, next);
                shown.append(s.ePath->text());
            }
            deepestRows = rowTexts(s.DirBox);
            s.btnOk->click();
        });
        QTest::mouseClick(p.w->btnGetPath1, Qt::LeftButton);

        QCOMPARE(boxes.boxes.size(), 0);
        QCOMPARE(shown.size(), DeepTree::kLevels);
        QCOMPARE(shown.back(), text(deep.absolute()));
        QCOMPARE(deepestRows, chain(deep.absolute()) + QStringList{"inner"});
        QCOMPARE(p.picker->DirBox->directory(), deep.absolute());
        QCOMPARE(currentDirBytes(), deep.absolute());
        QCOMPARE(p.w->ePath1->text(), text(deep.absolute()));

        whenPickerShown([&](TfSelPath &s) {
            doubleClick(s.DirBox, row(s.DirBox, "inner"));
            s.btnOk->click();
        });
        QTest::mouseClick(p.w->btnGetPath2, Qt::LeftButton);
        QCOMPARE(boxes.boxes.size(), 0);
        QCOMPARE(p.w->ePath2->text(), text(deep.absolute() + "/inner"));
        QCOMPARE(currentDirBytes(), deep.absolute() + "/inner");
    }

    void aDirectoryWithoutAccessShowsTheErrorAndStaysPut()
    {
        if (isSuperUser()) {
            const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
            if (setpriv.isEmpty())
                QSKIP("running as root and setpriv is not installed to drop privileges");
            QProcess child;
            child.setWorkingDirectory(QStringLiteral("/"));
            // The unprivileged user may not reach the display this test runs on.
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            child.setProcessEnvironment(environment);
            child.setProcessChannelMode(QProcess::MergedChannels);
            child.start(setpriv, {"--reuid=65534", "--regid=65534", "--clear-groups",
                                  QCoreApplication::applicationFilePath(),
                                  "aDirectoryWithoutAccessShowsTheErrorAndStaysPut"});
            QVERIFY(child.waitForFinished(120000));
            const QByteArray output = child.readAll();
            if (child.exitCode() == 126 || output.contains("Permission denied"))
                QSKIP("the test program cannot be run by an unprivileged user from where it was built");
            QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.constData());
            QVERIFY2(
                output.contains("PASS   : TestSelPath::aDirectoryWithoutAccessShowsTheErrorAndStaysPut()"),
                output.constData());
            return;
        }

        TempTree t;
        t.dir("open/inside");
        const QByteArray locked = t.dir("locked");
        QVERIFY(::chmod(locked.constData(), 0) == 0);
        ProgramWithPicker p(t.bytes() + "/open");
        p.picker->DriveBox->setVolumeSource([&] {
            return QList<Volume>{{"/", QString()}, {locked, QString()}};
        });
        p.picker->DriveBox->follow(p.picker->DirBox->directory());
        MessageBoxAnswerer boxes;
        QList<bool> openAfterError;
        QStringList rowsBefore, rowsAfter;
        QList<QByteArray> currentAfter;
        QString pathAfter;
        int driveAfter = -1;
        whenPickerShown([&](TfSelPath &s) {
            doubleClick(s.DirBox, treeRow(s.DirBox, t));
            rowsBefore = rowTexts(s.DirBox);
            doubleClick(s.DirBox, row(s.DirBox, "locked"));
            openAfterError.append(s.isVisible());
            currentAfter.append(currentDirBytes());
            rowsAfter = rowTexts(s.DirBox);
            pathAfter = s.ePath->text();
            s.DriveBox->setFocus();
            QTest::keyClick(s.DriveBox, Qt::Key_Down);
            openAfterError.append(s.isVisible());
            currentAfter.append(currentDirBytes());
            driveAfter = s.DriveBox->currentIndex();
            s.btnOk->click();
        });
        QTest::mouseClick(p.w->btnGetPath1, Qt::LeftButton);

        const ShownBox denied{QStringLiteral("I/O error %1.").arg(EACCES), kProgramCaption,
                              QMessageBox::Critical};
        QCOMPARE(boxes.boxes, (QList<ShownBox>{denied, denied}));
        QCOMPARE(openAfterError, (QList<bool>{true, true}));
        QCOMPARE(currentAfter, (QList<QByteArray>{t.bytes(), t.bytes()}));
        QCOMPARE(rowsAfter, rowsBefore);
        QCOMPARE(pathAfter, t.path());
        QCOMPARE(driveAfter, 1);
        QCOMPARE(p.picker->DirBox->directory(), t.bytes());
        QCOMPARE(p.w->ePath1->text(), t.path());
    }
};

QTEST_MAIN(TestSelPath)
#include "tst_selpath.moc"
