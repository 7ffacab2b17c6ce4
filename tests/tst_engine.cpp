// The comparison engine, driven through a face of its own, against a plain model of the loops it stands
// for: the inventory, the name, size, date and content criteria written out step by step, every file
// searched and read again each time the loops say so. On random trees the two must agree on the lines, on
// what is shown at every hand-over point (in literal pacing each of them, in forced pacing every n-th) and
// on where a stop at any point leaves them.

#include "engine/comparison.h"
#include "engine/flags.h"
#include "engine/pacing.h"
#include "platform/dirsearch.h"
#include "platform/filenames.h"
#include "platform/files.h"
#include "platform/pathsyntax.h"
#include "support/bytenames.h"
#include "support/tree.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

#include <tuple>
#include <vector>

namespace {

constexpr qint64 kBase = 1710504000; // an even second
const QString kWaiting = QStringLiteral("Asteptati un pic...");

// What a hand-over shows: its point, the progress text, the number of lines, the current directory.
using Seen = std::tuple<qint64, QString, qint64, QByteArray>;
qint64 pointOf(const Seen &s)
{
    return std::get<0>(s);
}

// What a run showed: its lines as bytes, its progress texts as a field shows them (a text set again
// unchanged shows nothing new), what was shown at each hand-over, and where it ended.
struct Outcome
{
    QList<QByteArray> lines;
    QStringList texts;
    std::vector<Seen> seen;
    QByteArray finalDir;
    QString shown() const { return texts.isEmpty() ? QString() : texts.back(); }
    void show(const QString &text)
    {
        if (text != shown() || texts.isEmpty())
            texts.append(text);
    }
    void handOver(qint64 point) { seen.push_back({point, shown(), lines.size(), currentDirBytes()}); }
};

// One run's choices, as the page would hold them.
struct Setup
{
    QByteArray base; // current when the run starts; relative texts are taken from it
    QByteArray text1, text2;
    bool chosen[4] = {true, true, true, true}; // name, size, date, contents
    quint32 kinds = FileAttr::Archive;
    QByteArray resolved(const QByteArray &text) const
    {
        return QDir::isAbsolutePath(QString::fromUtf8(text)) ? text : base + pathSeparator() + text;
    }
};

QByteArray composed(const QByteArray &tag, const QByteArray &first, const QByteArray &second)
{
    return tag + "    \t" + first + "  =  " + second;
}

class RecordingFace final : public ComparisonInputs, public ComparisonReport
{
public:
    RecordingFace(const Setup &setup, Outcome &out) : m_setup(setup), m_out(out) {}

    QString pathText(int directory) const override
    {
        return ::pathText(directory == 1 ? m_setup.text1 : m_setup.text2);
    }
    bool isChosen(Criterion criterion) const override { return m_setup.chosen[int(criterion)]; }
    quint32 chosenKinds() const override { return m_setup.kinds; }
    void clearResults() override { m_out.lines.clear(); }
    bool AddResultLine(QLatin1StringView tag, const QByteArray &first, const QByteArray &second) override
    {
        m_out.lines.append(composed(QByteArray(tag.data(), tag.size()), first, second));
        return true;
    }
    void showProgress(const QString &text) override { m_out.show(text); }
    void writeOut() override {}
    void handOver() override {}

private:
    const Setup &m_setup;
    Outcome &m_out;
};

// every: 0 literal pacing, else forced every n-th point. stopAt: the point at which Stop is clicked.
Outcome runEngine(const Setup &setup, qint64 every, qint64 stopAt = 0)
{
    SetCurrentDir(setup.base);
    Outcome out;
    RecordingFace face(setup, out);
    Comparison comparison(face, face);
    PacingSettings &settings = comparison.pacingSettings();
    if (every == 0)
        settings.setLiteral(true);
    else
        settings.setForcedEvery(every);
    settings.handOverHook = [&](const Pacing &pacing) {
        out.handOver(pacing.pointsReached());
        if (stopAt > 0 && pacing.pointsReached() == stopAt)
            bStop = true;
    };
    comparison.beginRun(::pathText(setup.text1), ::pathText(setup.text2));
    face.showProgress(kWaiting);
    comparison.pacing().ProcessMessagesNow();
    comparison.CompareDirs();
    comparison.progress().flush();
    comparison.endRun();
    out.finalDir = currentDirBytes();
    return out;
}

QByteArray entryName(const QByteArray &path)
{
    return path.mid(nameStart(path));
}

QString shownPair(const char *prefix, const QByteArray &first, const QByteArray &second)
{
    return QLatin1StringView(prefix) + QString::fromUtf8(first) + QStringLiteral(" vs ") +
           QString::fromUtf8(second);
}

// A file read whole: its count of bytes, -1 when it cannot be opened or read. A file beyond the limit is
// counted but left unread: the trees never give two of them one count.
constexpr qint64 kReadLimit = 1 << 20;
struct WholeFile
{
    qint64 count = -1;
    QByteArray bytes;
};

WholeFile readWhole(const QByteArray &path)
{
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    WholeFile f{file.size(), file.size() <= kReadLimit ? file.readAll() : QByteArray()};
    return file.error() == QFileDevice::NoError ? f : WholeFile();
}

// The loops of a run, step by step, with nothing skipped, cached or batched.
class Model
{
public:
    Model(const Setup &setup, qint64 stopAt)
        : m_setup(setup), m_stopAt(stopAt), m_same(setup.text1 == setup.text2)
    {
    }

    Outcome run()
    {
        SetCurrentDir(m_setup.base);
        show(kWaiting);
        m_out.handOver(0);
        compareDirs();
        m_out.finalDir = currentDirBytes();
        return m_out;
    }

private:
    using Stack = std::vector<QByteArray>; // full paths, top at the back

    void point()
    {
        m_out.handOver(++m_point);
        if (m_point == m_stopAt)
            m_stop = true;
    }
    void show(const QString &text) { m_out.show(text); }
    void line(const char *tag, const QByteArray &first, const QByteArray &second)
    {
        m_out.lines.append(composed(tag, first, second));
    }
    bool qualifies(const DirEntry &e) const { return (e.Attr & m_setup.kinds) == e.Attr; }
    bool enter(const QByteArray &text) const { return SetCurrentDir(m_setup.resolved(text)); }

    void compareDirs()
    {
        Stack s1, s2;
        m_out.lines.clear();
        if (!inventory(m_setup.text1, s1))
            return;
        if (m_same)
            s2 = s1;
        else if (!inventory(m_setup.text2, s2))
            return;
        if (s1.empty() || s2.empty())
            return;
        if (m_setup.chosen[0])
            byName(s1, s2);
        if (m_setup.chosen[1])
            byKey(false);
        if (m_setup.chosen[2])
            byKey(true);
        if (m_setup.chosen[3])
            byContents(s1, s2);
    }

    bool inventory(const QByteArray &text, Stack &stack)
    {
        if (!enter(text))
            return true;
        DirEntry e;
        if (FindFirst("*.*", m_setup.kinds, e) != 0)
            return true;
        do {
            if (!qualifies(e))
                continue;
            show(QStringLiteral("Initializare: ") + QString::fromUtf8(e.Name));
            point();
            if (m_stop) {
                FindClose(e);
                return false;
            }
            stack.push_back(m_setup.resolved(text) + pathSeparator() + e.Name);
        } while (FindNext(e) == 0);
        FindClose(e);
        return true;
    }

    void byName(Stack s1, const Stack &s2)
    {
        while (!s1.empty()) {
            point();
            const QByteArray name1 = entryName(s1.back());
            s1.pop_back();
            for (Stack work = s2; !work.empty();) {
                const QByteArray name2 = entryName(work.back());
                work.pop_back();
                show(shownPair("[by name]  ", name1, name2));
                if (m_stop)
                    return;
                point();
                if (name1 == name2)
                    line("[by name]    ", name1, name2);
            }
        }
    }

    // The size criterion hands over before its poll, the date criterion after it.
    void byKey(bool byDate)
    {
        const auto key = [byDate](const DirEntry &e) { return byDate ? dateKey(e.Time.utcSeconds) : e.Size; };
        const char *tag = byDate ? "[by time]  " : "[by volume]  ";
        const char *prefix = byDate ? "[by time]    " : "[by volume]  ";
        qint64 p1 = 0;
        if (!enter(m_setup.text1))
            return;
        DirEntry e1;
        if (FindFirst("*.*", m_setup.kinds, e1) != 0)
            return;
        do {
            if (!qualifies(e1))
                continue;
            ++p1;
            qint64 p2 = 0;
            point();
            if (!enter(m_setup.text2))
                return FindClose(e1);
            DirEntry e2;
            if (FindFirst("*.*", m_setup.kinds, e2) == 0) {
                do {
                    if (!qualifies(e2) || (++p2 <= p1 && m_same))
                        continue;
                    if (key(e1) == key(e2))
                        line(tag, e1.Name, e2.Name);
                    show(shownPair(prefix, e1.Name, e2.Name));
                    if (!byDate)
                        point();
                    if (m_stop) {
                        FindClose(e2);
                        return FindClose(e1);
                    }
                    if (byDate)
                        point();
                } while (FindNext(e2) == 0);
                FindClose(e2);
            }
            if (!enter(m_setup.text1))
                return FindClose(e1);
        } while (FindNext(e1) == 0);
        FindClose(e1);
    }

    void byContents(Stack s1, const Stack &s2)
    {
        for (quint64 i = 0; !s1.empty(); ++i) {
            point();
            const QByteArray name1 = entryName(s1.back());
            const WholeFile f1 = readWhole(s1.back());
            s1.pop_back();
            Stack work = s2;
            for (quint64 j = 0; !work.empty(); ++j) {
                point();
                const QByteArray name2 = entryName(work.back());
                if (m_same && j <= i) {
                    work.pop_back();
                    continue;
                }
                const WholeFile f2 = readWhole(work.back());
                work.pop_back();
                if (m_stop)
                    return;
                // Two files that cannot be read have equal counts, but no bytes to be equal.
                if (f1.count >= 0 && f1.count == f2.count) {
                    QVERIFY2(f1.count <= kReadLimit, "the model compares no files this large");
                    qint64 k = 0;
                    for (; k < f1.count; ++k) {
                        show(shownPair("[by contents]  ", name1, name2) + QStringLiteral(" - byte ") +
                             QString::number(k));
                        if (m_stop)
                            return;
                        point();
                        if (f1.bytes[k] != f2.bytes[k])
                            break;
                    }
                    if (k == f1.count)
                        line("[by contents]", name1, name2);
                }
                show(shownPair("[by contents]  ", name1, name2));
            }
        }
    }

    const Setup &m_setup;
    qint64 m_stopAt;
    bool m_same;
    bool m_stop = false;
    qint64 m_point = 0;
    Outcome m_out;
};

Outcome runModel(const Setup &setup, qint64 stopAt = 0)
{
    return Model(setup, stopAt).run();
}

enum Variant { TwoDirectories, OneText, OneDirectoryTwoWays, RelativeTexts, Variants };
const char *const kVariantNames[] = {"two directories", "one text twice", "one directory two ways",
                                     "relative texts"};

// Two directories of 10 to 30 files whose names, sizes, times and contents come from small pools, so that
// every criterion finds coincidences; some hidden, some read-only, some that cannot be read (which only
// an ordinary user cannot read), and entries that never take part. The kinds and criteria are drawn too.
Setup randomSetup(TempTree &tree, quint32 seed, Variant variant, bool unreadable)
{
    QRandomGenerator random(seed);
    const QByteArray contents[] = {"", "x", "y", "xy", "xz", "xyz", "xyw", "0123456789", "0123456780"};
    for (const char *dir : {"one", "two"}) {
        tree.dir(dir);
        const int files = 10 + int(random.bounded(21));
        QSet<QByteArray> made;
        for (int f = 0; made.size() < files; ++f) {
            const bool hidden = random.bounded(6) == 0;
            QByteArray name = random.bounded(2) ? "s" + QByteArray::number(random.bounded(12))
                                                : QByteArray(dir).left(1) + QByteArray::number(f);
            if (f == 3)
                name = "s 1=2";
            const int mode = unreadable && random.bounded(5) == 0 ? 0 : random.bounded(5) == 0 ? 0444 : 0644;
            const QByteArray path = QByteArray(dir) + '/' + (hidden ? "." : "") + name;
            if (made.contains(path))
                continue;
            made.insert(path);
            const QByteArray full = tree.file(path, contents[random.bounded(9)], mode);
            // An odd second shares its two-second step with the even one before it.
            setModificationTime(full, kBase + 2 * qint64(random.bounded(5)) + random.bounded(2));
        }
        tree.dir(QByteArray(dir) + "/sub.d");
        tree.file(QByteArray(dir) + "/sub.d/s1", "x");
        tree.symlink(QByteArray(dir) + "/link", "s1");
        tree.fifo(QByteArray(dir) + "/fifo");
    }
    // Only the low 32 bits of this size are those of a one-byte file. (Not where it would meet itself: its
    // bytes would all be compared.)
    if (seed % 3 == 0 && (variant == TwoDirectories || variant == RelativeTexts))
        tree.sparse("one/huge", (qint64(1) << 32) + 1, "x");

    Setup s;
    s.base = tree.bytes();
    const QByteArray where = variant == RelativeTexts ? QByteArray() : s.base + '/';
    s.text1 = where + "one";
    s.text2 = where + (variant == OneText ? "one" : variant == OneDirectoryTwoWays ? "one/" : "two");
    for (bool &c : s.chosen)
        c = random.bounded(4) != 0;
    // The page unticks the name criterion for one text twice; ticked again meanwhile, it compares every pair.
    s.chosen[0] = s.chosen[0] && (variant != OneText || random.bounded(2));
    const quint32 roll = random.bounded(10);
    s.kinds = roll == 0 ? 0 : roll == 1 ? FileAttr::Hidden | FileAttr::ReadOnly : FileAttr::Archive;
    if (roll > 1) {
        for (quint32 bit : {FileAttr::Hidden, FileAttr::ReadOnly, FileAttr::System})
            s.kinds |= random.bounded(2) ? bit : 0;
    }
    return s;
}

// Where two sequences first part, compared there so that a failure shows both sides.
template <typename List> void compareInOrder(const List &engine, const List &model)
{
    for (size_t k = 0; k < size_t(std::min(engine.size(), model.size())); ++k)
        QCOMPARE(engine[k], model[k]);
    QCOMPARE(engine.size(), model.size());
}

void compareLiteral(const Outcome &engine, const Outcome &model)
{
    compareInOrder(engine.lines, model.lines);
    compareInOrder(engine.seen, model.seen);
    compareInOrder(engine.texts, model.texts);
    QCOMPARE(engine.finalDir, model.finalDir);
}

} // namespace

class TestEngine : public QObject
{
    Q_OBJECT

    void addTrees()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("variant");
        for (quint32 seed = 1; seed <= 12; ++seed)
            for (int v = 0; v < Variants; ++v)
                QTest::addRow("seed %u, %s", seed, kVariantNames[v]) << seed * 101 + quint32(v) << v;
    }

    // The trees of one row: the literal run of the model, and the checks made on it.
    void checkTree(bool unreadable)
    {
        QFETCH(quint32, seed);
        QFETCH(int, variant);
        const CurrentDirKeeper keep;
        TempTree tree;
        const Setup setup = randomSetup(tree, seed, Variant(variant), unreadable);
        const Outcome model = runModel(setup);
        compareLiteral(runEngine(setup, 0), model);
        if (QTest::currentTestFailed())
            return;

        const qint64 points = pointOf(model.seen.back());
        for (qint64 every : {1, 2, 3, 7, 50}) {
            const Outcome forced = runEngine(setup, every);
            QCOMPARE(forced.lines, model.lines);
            QCOMPARE(forced.finalDir, model.finalDir);
            QCOMPARE(forced.shown(), model.shown());
            QCOMPARE(qint64(forced.seen.size()), 1 + points / every);
            for (const Seen &s : forced.seen) {
                QCOMPARE(pointOf(s) % every, 0);
                QCOMPARE(s, model.seen[size_t(pointOf(s))]);
            }
        }

        // Stops at points drawn over the whole run, at the last, and at each change of phase: at the point
        // that shows the next phase's first text and at the two before it.
        QRandomGenerator random(seed);
        std::vector<qint64> stops{points};
        for (int k = 0; k < 8 && points > 0; ++k)
            stops.push_back(1 + qint64(random.bounded(quint32(points))));
        const auto phase = [](const QString &text) {
            return text.left(text.startsWith(QLatin1Char('[')) ? text.indexOf(QLatin1Char(']'))
                                                               : text.indexOf(QLatin1Char(' ')));
        };
        for (size_t k = 1; k < model.seen.size(); ++k) {
            if (phase(std::get<1>(model.seen[k])) != phase(std::get<1>(model.seen[k - 1])))
                for (qint64 back : {0, 1, 2})
                    stops.push_back(std::max<qint64>(1, pointOf(model.seen[k]) - back));
        }
        for (const qint64 stopAt : stops) {
            const Outcome modelStopped = runModel(setup, stopAt);
            compareLiteral(runEngine(setup, 0, stopAt), modelStopped);
            if (QTest::currentTestFailed())
                return qInfo("stopped at %lld", stopAt);
            // Forced pacing: the stop lands on the last forced hand-over at or before the point.
            const qint64 every = 3, forcedAt = stopAt - stopAt % every;
            if (forcedAt == 0)
                continue;
            const Outcome forcedModel = runModel(setup, forcedAt);
            const Outcome forcedStopped = runEngine(setup, every, forcedAt);
            QCOMPARE(forcedStopped.lines, forcedModel.lines);
            QCOMPARE(forcedStopped.shown(), forcedModel.shown());
            QCOMPARE(forcedStopped.finalDir, forcedModel.finalDir);
        }
    }

private slots:
    void runsFollowTheLoops_data() { addTrees(); }
    void runsFollowTheLoops() { checkTree(false); }

    void aStopAtTheFirstReadOfAPairShowsNoByte_data()
    {
        QTest::addColumn<QByteArray>("second");
        QTest::addRow("two equal files") << QByteArray("two");
        QTest::addRow("one file listed twice") << QByteArray("one/");
    }
    void aStopAtTheFirstReadOfAPairShowsNoByte()
    {
        // Two files of one size, the content criterion alone. Stop at the pair's hand-over: the loop reads
        // the second file, sees the stop and ends before its first byte, so the inventory's text stays.
        QFETCH(QByteArray, second);
        const CurrentDirKeeper keep;
        TempTree tree;
        tree.file("one/a", "xy");
        tree.file("two/a", "xy");
        Setup setup;
        setup.base = tree.bytes();
        setup.text1 = setup.base + "/one";
        setup.text2 = setup.base + '/' + second;
        std::fill(setup.chosen, setup.chosen + 3, false);
        const Outcome model = runModel(setup, 4);
        QCOMPARE(model.shown(), QStringLiteral("Initializare: a"));
        compareLiteral(runEngine(setup, 0, 4), model);
        QCOMPARE(runEngine(setup, 2, 4).shown(), model.shown());
    }

    // Run again as an ordinary user, to whom files of mode 0 cannot be read.
    void unreadableFilesCoincideWithNothing_data() { addTrees(); }
    void unreadableFilesCoincideWithNothing()
    {
        if (isSuperUser())
            QSKIP("root reads every file; tst_engine_unprivileged runs this as an ordinary user");
        if (!canMakeUnreadableFiles())
            QSKIP("this system keeps no access rights that would make a file unreadable");
        checkTree(true);
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
