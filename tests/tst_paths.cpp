// Paths as texts: a directory whose name is not UTF-8 keeps its exact bytes through the path edits, the
// picker, the comparison, the launcher and the data file, and never stands for a directory whose name
// merely looks the same.

#include "support/bytenames.h"
#include "support/comparisonrun.h"
#include "support/messageboxes.h"
#include "support/picker.h"
#include "support/standins.h"

#include "platform/filenames.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "ui/dirbox.h"
#include "ui/resultview.h"
#include "ui/selpath.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

namespace {

const QByteArray kMine = "bad\xff";
// What a lossy decoding makes of kMine: U+FFFD, written in UTF-8.
const QByteArray kLookalike = "bad\xef\xbf\xbd";

QString kept(char16_t byte)
{
    return QString(QChar(char16_t(0xDC00 + byte)));
}

// A course folder whose name is not UTF-8: two files of equal size, prog/ with the data file and P1,
// and, when asked, a look-alike folder beside it with its own files, data and P1. Each P1 writes its
// records into a folder of its own.
struct Course
{
    TempTree t;
    ContentsRemover cleanup{t.bytes()};
    QByteArray mine = t.bytes() + '/' + kMine;
    QByteArray lookalike = t.bytes() + '/' + kLookalike;
    StandIns mineRuns{t.bytes() + "/runs-mine"};
    StandIns lookalikeRuns{t.bytes() + "/runs-lookalike"};

    explicit Course(bool withLookalike)
    {
        make(mine, "mine", "1 2", mineRuns);
        if (withLookalike)
            make(lookalike, "other", "OTHER USER DATA", lookalikeRuns);
    }

private:
    // Distinct dates: only the sizes coincide.
    void make(const QByteArray &dir, const QByteArray &prefix, const QByteArray &data, const StandIns &runs)
    {
        // The stand-ins are written under an ASCII name, as their writer decodes the path it is given.
        const QByteArray staging = t.bytes() + "/staging-" + prefix;
        runs.writeProgram(staging + "/P1.EXE");
        writeBytes(staging + "/data.txt", data);
        makeDirectory(dir);
        if (::rename(staging.constData(), (dir + "/prog").constData()) != 0)
            qFatal("cannot move the stand-in");
        for (int i = 1; i <= 2; ++i) {
            const QByteArray file = dir + '/' + prefix + QByteArray::number(i);
            writeBytes(file, "xx");
            setModificationTime(file, (m_nextDate += 100));
        }
    }
    qint64 m_nextDate = 1710504000;
};

QImage drawn(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    edit->setCursorPosition(0);
    edit->deselect();
    return edit->grab().toImage();
}

} // namespace

class TestPaths : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { setTerminalChoice(QString()); }

    void everyByteStringKeepsItsBytes()
    {
        // Short strings drawn from the bytes where UTF-8 goes wrong: lead bytes, continuations, the bytes of
        // encoded surrogates and of code points past U+10FFFF, and plain ASCII.
        const QByteArray alphabet(
            "\x00\x2f\x41\x7f\x80\x8f\x90\x9f\xa0\xbf\xc0\xc1\xc2\xdf\xe0\xed\xee\xef\xf0"
            "\xf4\xf5\xff",
            22);
        QRandomGenerator random(20211031);
        for (int round = 0; round < 200000; ++round) {
            QByteArray bytes;
            for (int n = int(random.bounded(7)); n > 0; --n) {
                const char c = alphabet[random.bounded(int(alphabet.size()))];
                if (c != 0) // a name never holds a NUL
                    bytes.append(c);
            }
            const QString text = pathText(bytes);
            QVERIFY2(pathBytes(text) == bytes, bytes.toHex(' ').constData());
            if (!QByteArrayView(bytes).isValidUtf8())
                QVERIFY2(text != QString::fromUtf8(bytes), bytes.toHex(' ').constData());
        }
    }

    void bytesHaveOneTextFormAndBack_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("ASCII") << QByteArray("/tmp/a b") << QStringLiteral("/tmp/a b");
        QTest::newRow("a stray byte") << kMine << QStringLiteral("bad") + kept(0xff);
        QTest::newRow("a real U+FFFD") << kLookalike << QStringLiteral("bad\uFFFD");
        QTest::newRow("two and three bytes")
            << QByteArray("\xc3\xa4\xe2\x82\xac") << QStringLiteral("\u00e4\u20ac");
        QTest::newRow("four bytes") << QByteArray("\xf0\x9f\x93\x81")
                                    << QString::fromUtf8("\xf0\x9f\x93\x81");
        QTest::newRow("cut short") << QByteArray("\xe2\x82/")
                                   << kept(0xe2) + kept(0x82) + QStringLiteral("/");
        QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << kept(0xc0) + kept(0xaf);
        QTest::newRow("encoded surrogate")
            << QByteArray("\xed\xb3\xbf") << kept(0xed) + kept(0xb3) + kept(0xbf);
        QTest::newRow("past U+10FFFF")
            << QByteArray("\xf4\x90\x80\x80") << kept(0xf4) + kept(0x90) + kept(0x80) + kept(0x80);
        QTest::newRow("Latin-1") << QByteArray("caf\xe9") << QStringLiteral("caf") + kept(0xe9);
    }
    void bytesHaveOneTextFormAndBack()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(pathText(bytes), text);
        QCOMPARE(pathBytes(text), bytes);
    }

    void textsThatNameNoPathGiveNoBytes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("lone high surrogate") << QStringLiteral("dir") + QChar(char16_t(0xd800));
        QTest::newRow("high surrogate, then no low") << QChar(char16_t(0xdbff)) + QStringLiteral("x");
        QTest::newRow("low surrogate for an ASCII byte") << QStringLiteral("a") + kept(0x41);
        QTest::newRow("low surrogate below the kept bytes") << QStringLiteral("a") + QChar(char16_t(0xdc7f));
        QTest::newRow("kept bytes that read as UTF-8") << QStringLiteral("/tmp/") + kept(0xc3) + kept(0xa4);
        QTest::newRow("kept lead byte before a continuation") << kept(0xe2) + kept(0x82) + kept(0xac);
        QTest::newRow("NUL") << QStringLiteral("/tmp") + QChar(char16_t(0)) + QStringLiteral("x");
    }
    void textsThatNameNoPathGiveNoBytes()
    {
        QFETCH(QString, text);
        QCOMPARE(pathBytes(text), QByteArray());
        QVERIFY(!DirectoryExists(text));
        QVERIFY(!FileExists(text));
    }

    void keptBytesShowAsAMark()
    {
        QCOMPARE(displayName("a\xff\tb"), QStringLiteral("a\uFFFD?b"));
        QCOMPARE(displayName("n\nx"), QStringLiteral("n?x"));
        QCOMPARE(displayName("\xf0\x9f\x93\x81"), QString::fromUtf8("\xf0\x9f\x93\x81"));
        QCOMPARE(shownText(pathText(kMine)), QStringLiteral("bad\uFFFD"));
        QCOMPARE(shownText(QStringLiteral("x") + QChar(char16_t(0xd800))), QStringLiteral("x\uFFFD"));
    }

    // The path edits draw a kept byte as the replacement mark, and editing around it keeps it.
    void editsKeepKeptBytes()
    {
        std::unique_ptr<TfMain> w = makeMainWindow();
        useLiteralPacing(*w);
        QVERIFY(showExposed(*w));
        QLineEdit *edit = w->ePath1;
        const QString text = pathText("/tmp/" + kMine);
        QCOMPARE(drawn(edit, text), drawn(edit, shownText(text)));
        QVERIFY(drawn(edit, text) != drawn(edit, QStringLiteral("/tmp/bad?")));

        edit->setText(text);
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_End);
        QTest::keyClicks(edit, QStringLiteral("/sub"));
        QTest::keyClick(edit, Qt::Key_Home);
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, QStringLiteral("/"));
        QCOMPARE(pathBytes(edit->text()), "/tmp/" + kMine + "/sub");
        // The cursor steps over the kept byte as over one character.
        QTest::keyClick(edit, Qt::Key_End);
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClick(edit, Qt::Key_Left);
        QTest::keyClicks(edit, QStringLiteral("x"));
        QCOMPARE(pathBytes(edit->text()), "/tmp/badx\xff");
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(pathBytes(edit->text()), "/tmp/" + kMine);
        edit->selectAll();
        QCOMPARE(edit->selectedText(), text);
    }

    void startedInsideANonUtf8DirectoryTheRunListsItsFiles_data()
    {
        QTest::addColumn<bool>("withLookalike");
        QTest::newRow("alone") << false;
        QTest::newRow("beside a look-alike") << true;
    }
    // Both path edits hold the start-up directory's own bytes: the run lists its files, not the look-alike's.
    void startedInsideANonUtf8DirectoryTheRunListsItsFiles()
    {
        QFETCH(bool, withLookalike);
        Course c(withLookalike);
        CurrentDirKeeper keep;
        QVERIFY(SetCurrentDir(c.mine));
        std::unique_ptr<TfMain> w = makeMainWindow();
        useLiteralPacing(*w);
        QCOMPARE(pathBytes(w->ePath1->text()), c.mine);
        QCOMPARE(w->ePath2->text(), w->ePath1->text());

        MessageBoxAnswerer boxes;
        TextRecorder rez(w->eRez);
        w->cbByContents->setChecked(false);
        w->btnGo->click();
        QCOMPARE(boxes.boxes.size(), 0);
        QCOMPARE(rez.textsStartingWith(QStringLiteral("Initializare: ")),
                 (QStringList{"Initializare: mine1", "Initializare: mine2"}));
        QCOMPARE(w->eRich->lineText(0), sizeLine("mine1", "mine2"));

        // The look-alike is another directory, compared as such.
        if (withLookalike) {
            w->ePath2->setText(pathText(c.lookalike));
            w->btnGo->click();
            QCOMPARE(boxes.boxes.size(), 0);
            QVERIFY(rez.texts.contains(QStringLiteral("Initializare: other1")));
            QCOMPARE(w->eRez->text(), countText(4));
        }
    }

    void theLauncherStartsItsOwnDirectorysProgram_data()
    {
        startedInsideANonUtf8DirectoryTheRunListsItsFiles_data();
    }
    void theLauncherStartsItsOwnDirectorysProgram()
    {
        QFETCH(bool, withLookalike);
        Course c(withLookalike);
        CurrentDirKeeper keep;
        QVERIFY(SetCurrentDir(c.mine));
        std::unique_ptr<TfMain> w = makeMainWindow();
        useLiteralPacing(*w);
        MessageBoxAnswerer boxes;
        w->btnP1->click();
        QCOMPARE(c.mineRuns.waitForRecords(1).size(), 1);
        QCOMPARE(boxes.boxes.size(), 0);
        QTest::qWait(100);
        QCOMPARE(c.lookalikeRuns.records().size(), 0);
    }

    void thePickerGivesTheDirectoryItShows()
    {
        Course c(true);
        ProgramWithPicker p(c.t.bytes());
        useLiteralPacing(*p.w);
        TfMain *w = p.w.get();

        // Browsed to: the list's directory becomes the result.
        QString shown;
        whenPickerShown([&](TfSelPath &s) {
            s.DirBox->setDirectory(c.mine);
            shown = s.ePath->text();
            s.btnOk->click();
        });
        QTest::mouseClick(w->btnGetPath1, Qt::LeftButton);
        QCOMPARE(pathBytes(shown), c.mine);
        QCOMPARE(pathBytes(w->ePath1->text()), c.mine);

        // Shown again: the current directory, which the browsing left there, is the result.
        whenPickerShown([&](TfSelPath &s) { s.btnOk->click(); });
        QTest::mouseClick(w->btnGetPath2, Qt::LeftButton);
        QCOMPARE(pathBytes(w->ePath2->text()), c.mine);
    }

    // The data file is read and written relative to the current directory, as bytes.
    void theDataFileStaysInItsDirectory()
    {
        Course c(true);
        CurrentDirKeeper keep;
        QVERIFY(SetCurrentDir(c.mine));
        std::unique_ptr<TfMain> w = makeMainWindow();
        useLiteralPacing(*w);
        MessageBoxAnswerer boxes;
        w->pgControl->setCurrentWidget(w->tSheet2);
        QCOMPARE(w->fMemo->toPlainText(), QStringLiteral("1 2"));
        w->fMemo->setPlainText(QStringLiteral("5 6"));
        w->iSaveData->trigger();
        QCOMPARE(boxes.boxes.size(), 0);
        // saveWholeFile follows links through QFileInfo::canonicalFilePath(), which decodes the current
        // directory lossily and so finds the look-alike's file.
        QCOMPARE(readBytes(c.mine + "/prog/data.txt"), QByteArray("5 6"));
        QCOMPARE(readBytes(c.lookalike + "/prog/data.txt"), QByteArray("OTHER USER DATA"));
    }

    void aTextThatNamesNoPathIsRefused()
    {
        Course c(true);
        std::unique_ptr<TfMain> w = makeMainWindow();
        useLiteralPacing(*w);
        MessageBoxAnswerer boxes;
        // The look-alike's bytes spelt as kept bytes: the text shows a mark for each, so it is no way to
        // name the look-alike.
        const QString spelt =
            pathText(c.t.bytes()) + QStringLiteral("/bad") + kept(0xef) + kept(0xbf) + kept(0xbd);
        for (const QString &text :
             {spelt, pathText(c.t.bytes()) + QStringLiteral("/bad") + QChar(char16_t(0xd800))}) {
            w->ePath1->setText(text);
            w->ePath2->setText(pathText(c.mine));
            w->btnGo->click();
            QTRY_COMPARE(boxes.boxes.size(), 1);
            QCOMPARE(boxes.boxes[0].text, QStringLiteral("Adresa incorecta:\n") + text);
            boxes.boxes.clear();
        }
    }
};

QTEST_MAIN(TestPaths)
#include "tst_paths.moc"
