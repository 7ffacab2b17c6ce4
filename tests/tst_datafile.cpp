// The second page's data file: loaded into the memo whenever the page comes up (or from the memo's
// menu), saved from the menu, byte for byte, and replaced all at once.

#include "support/fixture.h"
#include "support/messageboxes.h"

#include "launcher/memofile.h"
#include "launcher/memotext.h"
#include "platform/files.h"

#include <QAction>
#include <QDir>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

class DataFileTest : public QObject
{
    Q_OBJECT

private slots:
    void lineBreaks_data();
    void lineBreaks();
    void bytesSurviveLoadAndSave_data();
    void bytesSurviveLoadAndSave();
    void missingFile_data();
    void missingFile();
    void editsLostOnLeavingThePage();
    void reloadFromTheMenu();
    void saveFailures_data();
    void saveFailures();
    void unreadableFile();
    void saveFollowsALink();
};

namespace {

const QString kMissingLine = QStringLiteral("EROARE: Fisierul \"data.txt\" nu exista!\n");

// A window in a directory of its own, showing the second page.
struct Page2
{
    TempTree tree;
    CurrentDirKeeper keeper;
    std::unique_ptr<TfMain> w;

    explicit Page2(const QByteArray *data = nullptr)
    {
        tree.dir("prog");
        if (data)
            tree.file("prog/data.txt", *data);
        if (!SetCurrentDir(tree.bytes()))
            qFatal("cannot enter the test directory");
        w = makeMainWindow();
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get()))
            qFatal("window not exposed");
    }
    void showPage2() { w->pgControl->setCurrentWidget(w->tSheet2); }
    void leaveAndReturn()
    {
        w->pgControl->setCurrentWidget(w->tSheet1);
        showPage2();
    }
    QString memo() const { return memoText(w->fMemo); }
    QByteArray dataFile() const
    {
        QFile f(QFile::decodeName(tree.bytes() + "/prog/data.txt"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }
    void typeInMemo(const QString &digits)
    {
        w->fMemo->setFocus();
        w->fMemo->moveCursor(QTextCursor::End);
        QTest::keyClicks(w->fMemo, digits);
    }
};

} // namespace

void DataFileTest::lineBreaks_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("memo");
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("CR LF") << QByteArray("1 2\r\n3\r\n") << "1 2\n3\n" << QByteArray("1 2\r\n3\r\n");
    QTest::newRow("LF only") << QByteArray("1 2\n3\n4") << "1 2\n3\n4" << QByteArray("1 2\r\n3\r\n4");
    QTest::newRow("lone CR") << QByteArray("1\r2\r") << "1\n2\n" << QByteArray("1\r\n2\r\n");
    QTest::newRow("mixed, LF CR is two")
        << QByteArray("1\n\r2\r\n\n3") << "1\n\n2\n\n3" << QByteArray("1\r\n\r\n2\r\n\r\n3");
    QTest::newRow("no final break") << QByteArray("7") << "7" << QByteArray("7");
    QTest::newRow("empty") << QByteArray() << "" << QByteArray();
    QTest::newRow("only breaks") << QByteArray("\r\n\n") << "\n\n" << QByteArray("\r\n\r\n");
}

// Through the real memo: the page loads the file, the menu saves it.
void DataFileTest::lineBreaks()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, memo);
    QFETCH(QByteArray, saved);
    Page2 page(&file);
    page.showPage2();
    QCOMPARE(page.memo(), memo);
    QCOMPARE(page.w->fMemo->document()->blockCount(), int(memo.count(QLatin1Char('\n')) + 1));
    MessageBoxAnswerer answerer;
    page.w->iSaveData->trigger();
    QCOMPARE(page.dataFile(), saved);
    QTest::qWait(20);
    QVERIFY(answerer.boxes.isEmpty());
}

void DataFileTest::bytesSurviveLoadAndSave_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("Romanian UTF-8") << QByteArray("\xc8\x99i \xc8\x9b\r\n");
    QTest::newRow("Latin-1, not UTF-8") << QByteArray("caf\xe9 \xff\xfe\r\n");
    QTest::newRow("truncated sequence at the end") << QByteArray("1\r\n\xe2\x82");
    QTest::newRow("overlong and surrogate encodings") << QByteArray("\xc0\xaf \xed\xa0\x80\r\n");
    QTest::newRow("no-break space") << QByteArray("1\xc2\xa0"
                                                  "2\r\n");
    QTest::newRow("paragraph and line separators") << QByteArray("1\xe2\x80\xa9"
                                                                 "2\xe2\x80\xa8"
                                                                 "3\r\n");
    QTest::newRow("document's frame marks") << QByteArray("\xef\xb7\x90x\xef\xb7\x91\r\n");
    QTest::newRow("NUL, tab, form feed") << QByteArray("1\0002\t3\f", 7);
    QTest::newRow("byte-order mark") << QByteArray("\xef\xbb\xbf"
                                                   "5 6\r\n");
    QTest::newRow("outside the BMP") << QByteArray("\xf0\x9f\x98\x80 9\r\n");
}

// An unedited load and save writes back the very bytes that were loaded.
void DataFileTest::bytesSurviveLoadAndSave()
{
    QFETCH(QByteArray, file);
    QCOMPARE(fileBytesFromMemo(memoTextFromFile(file)), file);
    Page2 page(&file);
    page.showPage2();
    page.w->iSaveData->trigger();
    QCOMPARE(page.dataFile(), file);
}

void DataFileTest::missingFile_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::newRow("no file") << QByteArray();
    QTest::newRow("a directory") << QByteArray("dir");
    // A FIFO would block a reader forever: it is taken for a missing file and never opened.
    QTest::newRow("a FIFO") << QByteArray("fifo");
}

void DataFileTest::missingFile()
{
    QFETCH(QByteArray, entry);
    Page2 page;
    if (entry == "dir")
        page.tree.dir("prog/data.txt");
    else if (entry == "fifo")
        page.tree.fifo("prog/data.txt");
    page.w->fMemo->setPlainText(QStringLiteral("old text"));
    MessageBoxAnswerer answerer;
    page.showPage2();
    QCOMPARE(page.memo(), kMissingLine);
    QTest::qWait(20);
    QVERIFY(answerer.boxes.isEmpty());
    if (entry.isEmpty()) {
        // Saved as it stands, the line becomes the new file's text.
        page.w->iSaveData->trigger();
        QCOMPARE(page.dataFile(), QByteArray("EROARE: Fisierul \"data.txt\" nu exista!\r\n"));
    }
}

void DataFileTest::editsLostOnLeavingThePage()
{
    const QByteArray file("1 2\r\n");
    Page2 page(&file);
    page.showPage2();
    page.typeInMemo(QStringLiteral(" 9"));
    QCOMPARE(page.memo(), QStringLiteral("1 2\n 9"));
    page.leaveAndReturn();
    QCOMPARE(page.memo(), QStringLiteral("1 2\n"));
    QCOMPARE(page.dataFile(), file);

    // Saved edits are what comes back.
    page.typeInMemo(QStringLiteral("3"));
    page.w->iSaveData->trigger();
    page.leaveAndReturn();
    QCOMPARE(page.memo(), QStringLiteral("1 2\n3"));
    QCOMPARE(page.dataFile(), QByteArray("1 2\r\n3"));
}

void DataFileTest::reloadFromTheMenu()
{
    const QByteArray file("4 5\r\n");
    Page2 page(&file);
    page.showPage2();
    page.typeInMemo(QStringLiteral("6"));
    page.tree.file("prog/data.txt", "7 8\n");
    page.w->iReloadData->trigger();
    QCOMPARE(page.memo(), QStringLiteral("7 8\n"));
    ::unlink(page.tree.bytes() + "/prog/data.txt");
    page.w->iReloadData->trigger();
    QCOMPARE(page.memo(), kMissingLine);
}

void DataFileTest::saveFailures_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::newRow("no prog directory") << QByteArray("noprog");
    QTest::newRow("data.txt is a directory") << QByteArray("dir");
    QTest::newRow("data.txt is a FIFO") << QByteArray("fifo");
}

void DataFileTest::saveFailures()
{
    QFETCH(QByteArray, entry);
    Page2 page;
    page.showPage2();
    if (entry == "noprog")
        QVERIFY(QDir(page.tree.path()).rmdir(QStringLiteral("prog")));
    else if (entry == "dir")
        page.tree.dir("prog/data.txt");
    else
        page.tree.fifo("prog/data.txt");
    page.w->fMemo->setPlainText(QStringLiteral("1 2"));
    MessageBoxAnswerer answerer;
    page.w->iSaveData->trigger();
    QTRY_COMPARE(answerer.boxes.size(), 1);
    QCOMPARE(answerer.boxes[0].text, QStringLiteral("Cannot create file prog\\data.txt."));
    QCOMPARE(answerer.boxes[0].caption, QStringLiteral("\"Vestrel\" by Tovi"));
    QCOMPARE(answerer.boxes[0].icon, QMessageBox::Critical);
    // What stood there is left as it was, and no temporary file is left behind.
    struct stat st;
    const QByteArray data = page.tree.bytes() + "/prog/data.txt";
    if (entry == "dir")
        QVERIFY(::stat(data.constData(), &st) == 0 && S_ISDIR(st.st_mode));
    if (entry == "fifo")
        QVERIFY(::stat(data.constData(), &st) == 0 && S_ISFIFO(st.st_mode));
    if (entry != "noprog") {
        const QStringList left = QDir(page.tree.path() + "/prog")
                                     .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        QCOMPARE(left, QStringList{QStringLiteral("data.txt")});
    }
}

void DataFileTest::unreadableFile()
{
    if (::geteuid() == 0)
        QSKIP("root reads any file; run as an ordinary user to see a file that cannot be opened");
    const QByteArray file("1\r\n");
    Page2 page(&file);
    ::chmod(page.tree.bytes() + "/prog/data.txt", 0);
    page.w->fMemo->setPlainText(QStringLiteral("old"));
    MessageBoxAnswerer answerer;
    page.showPage2();
    QTRY_COMPARE(answerer.boxes.size(), 1);
    QCOMPARE(answerer.boxes[0].text, QStringLiteral("Cannot open file prog\\data.txt."));
    QCOMPARE(answerer.boxes[0].icon, QMessageBox::Critical);
    QCOMPARE(page.memo(), QString());
}

// A data file that is a link stays a link: the file it points to gets the text.
void DataFileTest::saveFollowsALink()
{
    Page2 page;
    page.tree.file("elsewhere/real.txt", "1\r\n");
    page.tree.symlink("prog/data.txt", "../elsewhere/real.txt");
    page.showPage2();
    QCOMPARE(page.memo(), QStringLiteral("1\n"));
    page.typeInMemo(QStringLiteral("2"));
    page.w->iSaveData->trigger();
    struct stat st;
    QVERIFY(::lstat(page.tree.bytes() + "/prog/data.txt", &st) == 0 && S_ISLNK(st.st_mode));
    QCOMPARE(page.dataFile(), QByteArray("1\r\n2"));
}

QTEST_MAIN(DataFileTest)
#include "tst_datafile.moc"
