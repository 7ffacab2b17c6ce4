// The window and vestrel-compare are two faces of one comparison: on the same trees they give the same
// lines, byte for byte, and the same count.

#include "platform/filenames.h"
#include "support/batchrun.h"
#include "support/bytenames.h"
#include "support/comparisonrun.h"
#include "ui/resultview.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTest>

namespace {

constexpr qint64 kBase = 1710504000; // an even second

// Names, sizes, times, contents and kinds drawn from small pools, so that every criterion finds
// coincidences; some names are not UTF-8 or hold control characters (where names are bytes), some files are
// hidden or read-only.
void fillRandomTree(TempTree &tree, quint32 seed)
{
    QRandomGenerator random(seed);
    // Where names are text, the odd ones are those a name may hold there: a right-to-left override, a
    // no-break space.
    const QList<QByteArray> odd =
        namesAreBytes()
            ? QList<QByteArray>{"a\xff", "a\xfe", "t\tx", "n\nl", "p  =  q", ".hidden", "\xc3\xa9t\xc3\xa9"}
            : QList<QByteArray>{"a\xe2\x80\xae", "a\xc2\xa0", "p  =  q", ".hidden", "\xc3\xa9t\xc3\xa9"};
    for (const char *dir : {"one", "two"}) {
        tree.dir(dir);
        QSet<QByteArray> made;
        const int files = 5 + int(random.bounded(20));
        for (int f = 0; f < files; ++f) {
            QByteArray name = random.bounded(3) == 0 ? odd[random.bounded(int(odd.size()))]
                                                     : "s" + QByteArray::number(random.bounded(12));
            if (random.bounded(4) == 0)
                name = "." + name;
            // A file made hidden or read-only is not written again (Windows refuses to).
            if (made.contains(name))
                continue;
            made.insert(name);
            const QByteArray path = tree.bytes() + '/' + dir + '/' + name;
            writeBytes(path, QByteArray("xyz").left(int(random.bounded(4))) +
                                 QByteArray(int(random.bounded(2)), char('0' + random.bounded(2))));
            setModificationTime(path, kBase + 2 * qint64(random.bounded(5)));
            if (name.startsWith('.'))
                markHidden(path);
            if (random.bounded(5) == 0)
                QFile::setPermissions(pathText(path), QFileDevice::ReadOwner);
        }
    }
}

// The batch options for the criteria and kinds bits of a run.
QList<QByteArray> batchOptions(int criteria, quint32 kinds)
{
    QList<QByteArray> by, kindWords;
    const std::pair<int, const char *> criterionWords[] = {
        {ByName, "name"}, {BySize, "size"}, {ByDate, "date"}, {ByContents, "contents"}};
    for (const auto &[bit, word] : criterionWords)
        if (criteria & bit)
            by << word;
    const std::pair<quint32, const char *> kindNames[] = {{FileAttr::Archive, "normal"},
                                                          {FileAttr::Hidden, "hidden"},
                                                          {FileAttr::ReadOnly, "readonly"},
                                                          {FileAttr::System, "system"}};
    for (const auto &[bit, word] : kindNames)
        if (kinds & bit)
            kindWords << word;
    QList<QByteArray> options;
    if (!by.isEmpty())
        options << "--by" << by.join(',');
    if (!kindWords.isEmpty())
        options << "--kinds" << kindWords.join(',');
    return options;
}

} // namespace

class TestFaces : public QObject
{
    Q_OBJECT

private slots:
    void bothFacesGiveTheSameLines()
    {
        qsizetype lines = 0;
        for (quint32 seed = 1; seed <= 40; ++seed) {
            TempTree t;
            ContentsRemover cleanup(t.bytes());
            fillRandomTree(t, seed);
            QRandomGenerator random(seed * 7919);
            // Never none: the command line would have no list to give.
            const int criteria = 1 + int(random.bounded(15));
            const quint32 kinds = FileAttr::Archive | (random.bounded(2) ? FileAttr::Hidden : 0) |
                                  (random.bounded(2) ? FileAttr::ReadOnly : 0);
            const bool same = random.bounded(4) == 0;
            const QByteArray one = t.bytes() + "/one", two = same ? one : t.bytes() + "/two";

            ComparisonRun window(pathText(one), pathText(two), criteria, kinds, RunPacing::Paced);
            window.go();
            QByteArray shown;
            for (const QString &line : window.lines())
                shown += line.toUtf8() + '\n';

            const BatchResult batch = runBatch(batchOptions(criteria, kinds) << one << two);
            QCOMPARE(batch.exitCode, BatchExit::Ran);
            QVERIFY2(batch.out == shown, qPrintable(QStringLiteral("seed %1").arg(seed)));
            QCOMPARE(batch.errLines(), QStringList{window.progressText()});
            lines += window.lines().size();
        }
        // The trees are made to coincide often: a comparison of empty outputs would prove little.
        QVERIFY2(lines > 400, qPrintable(QString::number(lines)));
    }
};

QTEST_MAIN(TestFaces)
#include "tst_faces.moc"
