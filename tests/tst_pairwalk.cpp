// The pair walk without a window: a walk that passes over stretches of pairs must be, at every real
// hand-over, exactly where the pair loop that takes every pair is, and end where it ends.

#include "engine/pacing.h"
#include "engine/pairwalk.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <tuple>

namespace {

// What can be seen at a real hand-over: which hand-over point it is, the pair the progress text names,
// how many lines there are, and whether the walk is inside a row.
struct Seen
{
    qint64 point;
    qint64 progressRow, progressColumn;
    qint64 lines;
    bool inRow;
    bool operator==(const Seen &o) const
    {
        return std::tie(point, progressRow, progressColumn, lines, inRow) ==
               std::tie(o.point, o.progressRow, o.progressColumn, o.lines, o.inRow);
    }
};

char *toString(const Seen &s)
{
    return qstrdup(QByteArray("point ") + QByteArray::number(s.point) + " progress (" +
                   QByteArray::number(s.progressRow) + "," + QByteArray::number(s.progressColumn) +
                   ") lines " + QByteArray::number(s.lines) + (s.inRow ? " in row" : " between rows"));
}

// Rows and columns with small random keys, so that many pairs coincide and many do not.
class KeyedVisitor final : public PairVisitor
{
public:
    KeyedVisitor(std::vector<qint64> rows, std::vector<qint64> columns)
        : m_rows(std::move(rows)), m_columns(std::move(columns)), m_index(m_columns, std::nullopt)
    {
    }

    qint64 columns() const override { return qint64(m_columns.size()); }
    bool enterRow(qint64 i) override
    {
        m_cursor = m_index.columnsOf(m_rows[size_t(i)], 0);
        inRow = true;
        return true;
    }
    bool leaveRow(qint64) override
    {
        inRow = false;
        return true;
    }
    qint64 nextCandidate(qint64, qint64 from) override { return m_cursor.next(from, columns()); }
    bool coincide(qint64 i, qint64 j) override { return m_rows[size_t(i)] == m_columns[size_t(j)]; }
    void report(qint64 i, qint64 j) override { lines.emplace_back(i, j); }
    void progress(qint64 i, qint64 j) override { progressAt = {i, j}; }

    std::vector<std::pair<qint64, qint64>> lines;
    std::pair<qint64, qint64> progressAt{-1, -1};
    bool inRow = false;

private:
    std::vector<qint64> m_rows, m_columns;
    ColumnIndex m_index;
    ColumnIndex::Cursor m_cursor;
};

std::vector<qint64> randomKeys(QRandomGenerator &random, int count, int distinct)
{
    std::vector<qint64> keys(static_cast<size_t>(count));
    for (qint64 &k : keys)
        k = random.bounded(distinct);
    return keys;
}

// The pair loop as it is written out, every pair taken: what the walk must be equivalent to.
void fullLoop(qint64 rows, const WalkShape &shape, KeyedVisitor &v, const bool &stop, Pacing &pacing)
{
    for (qint64 i = 0; i < rows; ++i) {
        pacing.ProcessMessages();
        v.enterRow(i);
        for (qint64 j = 0; j < v.columns(); ++j) {
            if (shape.passOverEarlierColumns && j <= i) {
                if (shape.passedOverPairsHandOver)
                    pacing.ProcessMessages();
                continue;
            }
            const bool equal = v.coincide(i, j);
            switch (shape.steps) {
            case PairSteps::ProgressPollHandOverLine:
                v.progress(i, j);
                if (stop)
                    return;
                pacing.ProcessMessages();
                if (equal)
                    v.report(i, j);
                break;
            case PairSteps::LineProgressHandOverPoll:
                if (equal)
                    v.report(i, j);
                v.progress(i, j);
                pacing.ProcessMessages();
                if (stop)
                    return;
                break;
            case PairSteps::LineProgressPollHandOver:
                if (equal)
                    v.report(i, j);
                v.progress(i, j);
                if (stop)
                    return;
                pacing.ProcessMessages();
                break;
            case PairSteps::HandOverReadPollLineProgress:
                pacing.ProcessMessages();
                if (stop)
                    return;
                if (equal)
                    v.report(i, j);
                v.progress(i, j);
                break;
            }
        }
        v.leaveRow(i);
    }
}

struct Outcome
{
    std::vector<Seen> seen;
    std::vector<std::pair<qint64, qint64>> lines;
    std::pair<qint64, qint64> lastProgress;
};

// Walks once; forcedEvery 0 means literal pacing, and -1 the full loop in literal pacing. stopAt: the
// hand-over point at which a click on Stop arrives (0: none).
Outcome walk(const std::vector<qint64> &rows, const std::vector<qint64> &columns, const WalkShape &shape,
             qint64 forcedEvery, qint64 stopAt = 0)
{
    const bool full = forcedEvery < 0;
    if (full)
        forcedEvery = 0;
    PacingSettings settings;
    if (forcedEvery == 0)
        settings.setLiteral(true);
    else
        settings.setForcedEvery(forcedEvery);
    KeyedVisitor v(rows, columns);
    bool stop = false;
    Outcome o;
    settings.handOverHook = [&](const Pacing &pacing) {
        const qint64 point = pacing.pointsReached();
        o.seen.push_back({point, v.progressAt.first, v.progressAt.second, qint64(v.lines.size()), v.inRow});
        if (point == stopAt)
            stop = true;
    };
    Pacing pacing(settings, {});
    if (full)
        fullLoop(qint64(rows.size()), shape, v, stop, pacing);
    else
        walkPairs(qint64(rows.size()), shape, v, stop, pacing);
    o.lines = v.lines;
    o.lastProgress = v.progressAt;
    return o;
}

const WalkShape kShapes[] = {
    {PairSteps::ProgressPollHandOverLine},
    {PairSteps::LineProgressHandOverPoll},
    {PairSteps::LineProgressPollHandOver},
    {PairSteps::HandOverReadPollLineProgress},
    {PairSteps::LineProgressHandOverPoll, true},
    {PairSteps::LineProgressPollHandOver, true},
    {PairSteps::HandOverReadPollLineProgress, true, true},
};

} // namespace

class TestPairWalk : public QObject
{
    Q_OBJECT

private slots:
    void everyForcedHandOverSeesWhatTheFullLoopShowsAtThatPoint_data()
    {
        QTest::addColumn<int>("shape");
        QTest::addColumn<qint64>("every");
        for (int s = 0; s < int(std::size(kShapes)); ++s)
            for (qint64 every : {1, 2, 7, 97, 997})
                QTest::addRow("shape %d every %lld", s, qint64(every)) << s << every;
    }
    void everyForcedHandOverSeesWhatTheFullLoopShowsAtThatPoint()
    {
        QFETCH(int, shape);
        QFETCH(qint64, every);
        QRandomGenerator random(quint32(shape * 1000 + every));
        for (int trial = 0; trial < 4; ++trial) {
            const auto rows = randomKeys(random, 1 + int(random.bounded(60)), 1 + int(random.bounded(12)));
            const auto columns = randomKeys(random, int(random.bounded(70)), 1 + int(random.bounded(12)));
            const Outcome literal = walk(rows, columns, kShapes[shape], -1);
            QCOMPARE(walk(rows, columns, kShapes[shape], 0).seen, literal.seen);
            const Outcome forced = walk(rows, columns, kShapes[shape], every);
            QCOMPARE(forced.lines, literal.lines);
            QCOMPARE(forced.lastProgress, literal.lastProgress);
            // Every point is real in the literal walk: the forced walk's hand-overs are some of them.
            for (const Seen &s : forced.seen) {
                QVERIFY(s.point >= 1 && s.point <= qint64(literal.seen.size()));
                QCOMPARE(s, literal.seen[size_t(s.point - 1)]);
            }
            QCOMPARE(qint64(forced.seen.size()), qint64(literal.seen.size()) / every);
        }
    }

    void aStopAtAForcedHandOverEndsWhereTheFullLoopEnds_data()
    {
        QTest::addColumn<int>("shape");
        for (int s = 0; s < int(std::size(kShapes)); ++s)
            QTest::addRow("shape %d", s) << s;
    }
    void aStopAtAForcedHandOverEndsWhereTheFullLoopEnds()
    {
        QFETCH(int, shape);
        QRandomGenerator random(quint32(77 + shape));
        const auto rows = randomKeys(random, 40, 5);
        const auto columns = randomKeys(random, 50, 5);
        const qint64 points = qint64(walk(rows, columns, kShapes[shape], -1).seen.size());
        for (qint64 every : {13, 101, 997}) {
            if (every > points)
                continue;
            const Outcome literal = walk(rows, columns, kShapes[shape], -1, every);
            const Outcome forced = walk(rows, columns, kShapes[shape], every, every);
            QCOMPARE(forced.lines, literal.lines);
            QCOMPARE(forced.lastProgress, literal.lastProgress);
            QVERIFY(literal.lines.size() < walk(rows, columns, kShapes[shape], -1).lines.size());
        }
    }

    void aStopBeforeTheWalkStillTakesItsFirstPoll()
    {
        // Name steps: one progress text and nothing tested; size steps: the first pair tested too.
        const std::vector<qint64> keys{1, 1, 1};
        for (qint64 forced : {0, 5}) {
            for (const auto &[shape, lines] :
                 {std::pair{kShapes[0], size_t(0)}, std::pair{kShapes[1], size_t(1)}}) {
                PacingSettings settings;
                if (forced == 0)
                    settings.setLiteral(true);
                else
                    settings.setForcedEvery(forced);
                Pacing pacing(settings, {});
                KeyedVisitor v(keys, keys);
                const bool stop = true;
                walkPairs(3, shape, v, stop, pacing);
                QCOMPARE(v.lines.size(), lines);
                QCOMPARE(v.progressAt, (std::pair<qint64, qint64>{0, 0}));
            }
        }
    }

    void stretchesWithoutCandidatesCostNothingPerPair()
    {
        // 10^5 x 10^5 pairs with a hundred coinciding: only candidates and a few hand-overs are taken.
        struct Counting final : PairVisitor
        {
            qint64 columns() const override { return 100'000; }
            qint64 nextCandidate(qint64 i, qint64 from) override
            {
                return i % 1000 == 0 && from <= i ? i : columns();
            }
            bool coincide(qint64 i, qint64 j) override
            {
                ++stepped;
                return i % 1000 == 0 && i == j;
            }
            void report(qint64, qint64) override { ++lines; }
            void progress(qint64, qint64) override {}
            qint64 stepped = 0, lines = 0;
        } v;
        Pacing pacing({}, {});
        const bool stop = false;
        walkPairs(100'000, {PairSteps::LineProgressHandOverPoll}, v, stop, pacing);
        QCOMPARE(v.lines, qint64(100));
        QVERIFY2(v.stepped < 1'000'000, qPrintable(QString::number(v.stepped)));
    }

    void theIndexGivesEachKeysColumnsInOrder()
    {
        const ColumnIndex index({5, 3, 5, -1, 3, 5}, -1);
        ColumnIndex::Cursor c = index.columnsOf(5, 1);
        QCOMPARE(c.next(1, 99), qint64(2));
        QCOMPARE(c.next(3, 99), qint64(5));
        QCOMPARE(c.next(6, 99), qint64(99));
        QCOMPARE(index.columnsWith(-1).size(), size_t(0));
        QCOMPARE(index.columnsWith(3).size(), size_t(2));
        QCOMPARE(index.columnsWith(4).size(), size_t(0));
    }
};

QTEST_GUILESS_MAIN(TestPairWalk)
#include "tst_pairwalk.moc"
