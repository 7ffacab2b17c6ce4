// Paced runs through the real window are runs of the pair loops: on random trees they give the lines the
// literal run gives, and at every forced hand-over the window shows what the literal run shows at that
// same hand-over point: the progress text, the number of lines and the current directory.

#include "engine/criteriontexts.h"
#include "engine/pacing.h"
#include "engine/progress.h"
#include "platform/files.h"
#include "support/bytenames.h"
#include "support/comparisonrun.h"
#include "ui/resultview.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <tuple>

namespace {

constexpr qint64 kBase = 1710504000; // an even second

struct Seen
{
    qint64 point;
    QString progress;
    qint64 lines;
    QByteArray currentDir;
    bool operator==(const Seen &o) const
    {
        return std::tie(point, progress, lines, currentDir) ==
               std::tie(o.point, o.progress, o.lines, o.currentDir);
    }
};

char *toString(const Seen &s)
{
    return qstrdup(QByteArray("point ") + QByteArray::number(s.point) + " \"" + s.progress.toUtf8() +
                   "\" lines " + QByteArray::number(s.lines) + " in " + s.currentDir);
}

// Two directories whose names, sizes, times and contents are drawn from small pools, so that every
// criterion finds coincidences and passes over many pairs.
void fillRandomTree(TempTree &tree, quint32 seed)
{
    QRandomGenerator random(seed);
    for (const char *dir : {"one", "two"}) {
        const int files = 10 + int(random.bounded(25));
        for (int f = 0; f < files; ++f) {
            const QByteArray name = QByteArray(dir == QByteArray("one") ? "a" : "b") + QByteArray::number(f);
            // Half the names come from a pool both directories share.
            const QByteArray shared = "s" + QByteArray::number(random.bounded(15));
            const QByteArray path = QByteArray(dir) + '/' + (random.bounded(2) ? shared : name);
            const QByteArray contents = QByteArray("xyz").left(int(random.bounded(4))) +
                                        QByteArray(int(random.bounded(2)), char('0' + random.bounded(2)));
            const QByteArray full = tree.file(path, contents);
            const qint64 t = kBase + 2 * qint64(random.bounded(6));
            setModificationTime(full, t);
        }
    }
}

struct Outcome
{
    std::vector<Seen> seen;
    QStringList lines;
    QString finalText;
    QByteArray finalDir;
};

enum class Mode { Literal, Paced, Forced };

// One click on Compara with the criteria given; stopAt: the hand-over point at which Stop is clicked.
Outcome run(TempTree &tree, bool sameDirectory, int criteria, Mode mode, qint64 every = 0, qint64 stopAt = 0)
{
    ComparisonRun r(QStringLiteral("one"), sameDirectory ? QStringLiteral("one") : QStringLiteral("two"),
                    criteria, kNormalFiles, mode == Mode::Literal ? RunPacing::Literal : RunPacing::Paced);
    SetCurrentDir(tree.bytes());
    if (mode == Mode::Forced)
        pacingOf(*r.w).setForcedEvery(every);
    Outcome o;
    pacingOf(*r.w).handOverHook = [&](const Pacing &pacing) {
        const qint64 point = pacing.pointsReached();
        if (mode != Mode::Paced)
            o.seen.push_back({point, r.progressText(), r.w->eRich->lineCount(), currentDirBytes()});
        if (stopAt > 0 && point == stopAt)
            r.w->btnStop->click();
    };
    o.lines = r.go();
    o.finalText = r.progressText();
    o.finalDir = currentDirBytes();
    return o;
}

} // namespace

class TestPacedRuns : public QObject
{
    Q_OBJECT

private slots:
    void pacedRunsGiveTheLiteralLines_data()
    {
        QTest::addColumn<bool>("same");
        QTest::addColumn<int>("criteria");
        for (bool same : {false, true})
            for (int criteria : {ByName, BySize, ByDate, ByContents, AllCriteria})
                QTest::addRow("%s, criteria %d", same ? "one directory" : "two directories", criteria)
                    << same << criteria;
    }
    void pacedRunsGiveTheLiteralLines()
    {
        QFETCH(bool, same);
        QFETCH(int, criteria);
        for (quint32 seed = 1; seed <= 4; ++seed) {
            TempTree tree;
            fillRandomTree(tree, seed * 31 + quint32(criteria));
            const Outcome literal = run(tree, same, criteria, Mode::Literal);
            QCOMPARE(run(tree, same, criteria, Mode::Paced).lines, literal.lines);
            QCOMPARE(run(tree, same, criteria, Mode::Forced, 3).lines, literal.lines);
            QVERIFY(same || criteria == ByName || !literal.lines.isEmpty());
        }
    }

    void forcedHandOversShowWhatTheLiteralRunShowsThere_data()
    {
        QTest::addColumn<bool>("same");
        QTest::addColumn<int>("criteria");
        QTest::addColumn<qint64>("every");
        for (bool same : {false, true})
            for (int criteria : {int(ByName), int(BySize), int(ByDate), ByName | BySize | ByDate})
                for (qint64 every : {7, 997})
                    QTest::addRow("%s, criteria %d, every %lld", same ? "one directory" : "two directories",
                                  criteria, every)
                        << same << criteria << every;
    }
    void forcedHandOversShowWhatTheLiteralRunShowsThere()
    {
        QFETCH(bool, same);
        QFETCH(int, criteria);
        QFETCH(qint64, every);
        TempTree tree;
        fillRandomTree(tree, quint32(criteria * 7 + every));
        const Outcome literal = run(tree, same, criteria, Mode::Literal);
        const Outcome forced = run(tree, same, criteria, Mode::Forced, every);
        QCOMPARE(forced.lines, literal.lines);
        QCOMPARE(forced.finalDir, literal.finalDir);
        std::map<qint64, Seen> byPoint;
        for (const Seen &s : literal.seen)
            byPoint.insert_or_assign(s.point, s);
        for (const Seen &s : forced.seen) {
            if (s.point == 0)
                continue; // the hand-over before the run starts, not a point of its loops
            QVERIFY(byPoint.count(s.point));
            QCOMPARE(s, byPoint.at(s.point));
        }

        // A stop at one of those hand-overs ends the run where the literal run ends.
        if (forced.seen.size() > 2) {
            const qint64 at = forced.seen[forced.seen.size() / 2].point;
            const Outcome literalStopped = run(tree, same, criteria, Mode::Literal, 0, at);
            const Outcome forcedStopped = run(tree, same, criteria, Mode::Forced, every, at);
            QCOMPARE(forcedStopped.lines, literalStopped.lines);
            QCOMPARE(forcedStopped.finalDir, literalStopped.finalDir);
            QCOMPARE(forcedStopped.finalText, literalStopped.finalText);
        }
    }

    void aStopBeforeTheContentCriterionEndsItAtItsFirstPoll()
    {
        // Stopped inside the name criterion, the later criteria each end at their first poll, the content
        // criterion without reading anything: the lines and the last text are the literal run's.
        TempTree tree;
        fillRandomTree(tree, 5);
        for (bool same : {false, true}) {
            const int criteria = same ? AllCriteria & ~ByName : AllCriteria;
            const QString first = same ? QStringLiteral("[by volume]") : QStringLiteral("[by name]");
            const Outcome forced = run(tree, same, criteria, Mode::Forced, 7);
            const auto at = std::find_if(forced.seen.begin(), forced.seen.end(),
                                         [&](const Seen &s) { return s.progress.startsWith(first); });
            QVERIFY(at != forced.seen.end());
            const Outcome literalStopped = run(tree, same, criteria, Mode::Literal, 0, at->point);
            const Outcome forcedStopped = run(tree, same, criteria, Mode::Forced, 7, at->point);
            QCOMPARE(forcedStopped.lines, literalStopped.lines);
            QCOMPARE(forcedStopped.finalText, literalStopped.finalText);
            QCOMPARE(forcedStopped.finalDir, literalStopped.finalDir);
            QVERIFY(forcedStopped.lines.size() < forced.lines.size());
        }
    }

    void aRecordedProgressTextOutlivesTheNamesItShows()
    {
        QString shown;
        ProgressText progress([&shown](const QString &text) { shown = text; });
        {
            // Names made for one pass of a loop, gone when an exception or a return leaves it.
            const QByteArray first = QByteArray("first") + QByteArray::number(1);
            const QByteArray second = QByteArray("second") + QByteArray::number(2);
            progress.setPairAt(textsOf(Criterion::Contents).progress, first, second, 7);
        }
        progress.flush();
        QCOMPARE(shown, QStringLiteral("[by contents]  first1 vs second2 - byte 7"));
    }
};

QTEST_MAIN(TestPacedRuns)
#include "tst_pacedruns.moc"
