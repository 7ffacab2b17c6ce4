// Times the name, size and date criteria of a comparison run, each alone, against a plain loop that
// compares the same pairs' keys, and checks that a run with a million coincidences stays small in memory
// and keeps the window responsive.
//
//   vestrel-bench-criteria [repetitions]

#include "app/vestrel.h"
#include "datasets.h"
#include "ui/application.h"
#include "ui/resultview.h"
#include "windowrun.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QLineEdit>

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr double kMaxRatio = 5.0;
constexpr double kMaxBytesPerLine = 250.0;
constexpr double kMaxGapMs = 50.0;

// The keys the plain loop compares, one per regular file, read straight from the directory.
struct DirectoryKeys
{
    std::vector<qint64> nameIds;
    std::vector<qint64> sizes;
    std::vector<qint64> timeKeys;

    qint64 count() const { return qint64(sizes.size()); }
};

// Names become integers once, up front, as any program comparing names many times over would do; ids is
// shared by both directories so that equal names get equal ids.
DirectoryKeys readKeys(const QString &dir, QHash<QByteArray, qint64> &ids)
{
    DIR *d = ::opendir(QFile::encodeName(dir).constData());
    if (!d)
        qFatal("cannot open %s", qPrintable(dir));
    DirectoryKeys keys;
    while (const dirent *e = ::readdir(d)) {
        struct stat st;
        if (::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
            continue;
        const QByteArray name(e->d_name);
        auto id = ids.constFind(name);
        if (id == ids.constEnd())
            id = ids.insert(name, ids.size()); // a name seen before keeps its id
        keys.nameIds.push_back(id.value());
        keys.sizes.push_back(st.st_size);
        keys.timeKeys.push_back(st.st_mtim.tv_sec / 2); // the datasets' times are all after 1970
    }
    ::closedir(d);
    return keys;
}

// The baseline: every pair's keys compared once. Out of line, so that the compiler cannot merge the
// repeated calls; the count is checked against the window's lines, so the loop cannot be dropped.
[[gnu::noinline]] qint64 countEqualPairs(const std::vector<qint64> &first, const std::vector<qint64> &second)
{
    qint64 equal = 0;
    for (const qint64 a : first)
        for (const qint64 b : second)
            equal += a == b;
    return equal;
}

// The best time of several tries, and the worst freeze among them.
struct Best
{
    double ms = std::numeric_limits<double>::infinity();
    double worstGapMs = 0;

    void add(double tryMs, double gapMs = 0)
    {
        ms = std::min(ms, tryMs);
        worstGapMs = std::max(worstGapMs, gapMs);
    }
};

// A criterion as the benchmark drives it: its box (none: the inventory alone), the tag of its lines, and
// the keys the plain loop compares for it.
struct BenchCriterion
{
    BenchCriterion(const char *label, QCheckBox *TfMain::*box, const char *tag,
                   std::vector<qint64> DirectoryKeys::*keys)
        : label(label), box(box), tag(tag), keys(keys)
    {
    }

    const char *label;
    QCheckBox *TfMain::*box;
    const char *tag;
    std::vector<qint64> DirectoryKeys::*keys;

    Best run;
    Best plain;
    qint64 expectedLines = 0;
    qint64 lines = 0;
    bool linesRight = true;
};

void checkOnly(TfMain &w, QCheckBox *TfMain::*chosen)
{
    for (QCheckBox *TfMain::*box :
         {&TfMain::cbByName, &TfMain::cbByVolume, &TfMain::cbByContents, &TfMain::cbByDate})
        (w.*box)->setChecked(box == chosen);
}

void setPaths(TfMain &w, const DatasetPairPaths &paths)
{
    w.ePath1->setText(paths.first);
    w.ePath2->setText(paths.second);
}

// The window found as many lines as the plain loop counted coincidences, and they are this criterion's.
bool linesAsExpected(const TfMain &w, qint64 expected, const char *tag)
{
    const qint64 lines = w.eRich->lineCount();
    if (lines != expected)
        std::fprintf(stderr, "%s: %lld lines, expected %lld\n", tag, qint64(lines), qint64(expected));
    return lines == expected && (lines == 0 || w.eRich->lineText(0).startsWith(QLatin1String(tag)));
}

double timePlainLoop(const std::vector<qint64> &first, const std::vector<qint64> &second, qint64 &equal)
{
    QElapsedTimer t;
    t.start();
    equal = countEqualPairs(first, second);
    return t.nsecsElapsed() / 1e6;
}

// One click per criterion and one with none (the inventory, taken off the others), interleaved within each
// repetition so that a passing load spreads over all of them alike.
void measureCriteria(TfMain &w, const DatasetPairPaths &paths, std::vector<BenchCriterion> &criteria,
                     int repetitions)
{
    QHash<QByteArray, qint64> ids;
    const DirectoryKeys keys1 = readKeys(paths.first, ids);
    const DirectoryKeys keys2 = readKeys(paths.second, ids);
    setPaths(w, paths);
    for (int i = 0; i < repetitions; ++i) {
        for (BenchCriterion &c : criteria) {
            if (c.keys)
                c.plain.add(timePlainLoop(keys1.*c.keys, keys2.*c.keys, c.expectedLines));
            checkOnly(w, c.box);
            const RunFigures run = timeRun(w);
            c.run.add(run.ms, run.longestGapMs);
            c.lines = w.eRich->lineCount();
            c.linesRight = c.linesRight && linesAsExpected(w, c.expectedLines, c.tag);
        }
    }
}

struct DenseFigures
{
    Best run;
    qint64 lines = 0;
    qint64 expectedLines = 0;
    qint64 growthBytes = 0;
    bool linesRight = true;
};

// The size criterion where every pair coincides. Only the first run shows the memory a line costs: later
// ones start with the previous run's lines still held, and reuse that memory.
DenseFigures measureDenseRun(TfMain &w, const DatasetPairPaths &paths, int repetitions)
{
    QHash<QByteArray, qint64> ids;
    DenseFigures f;
    f.expectedLines = countEqualPairs(readKeys(paths.first, ids).sizes, readKeys(paths.second, ids).sizes);
    setPaths(w, paths);
    // A first run with no criterion, so that what any run loads once is not counted as the lines' memory.
    checkOnly(w, nullptr);
    timeRun(w);
    checkOnly(w, &TfMain::cbByVolume);
    for (int i = 0; i < repetitions; ++i) {
        const qint64 before = residentBytes();
        const RunFigures run = timeRun(w);
        if (i == 0)
            f.growthBytes = residentBytes() - before;
        f.run.add(run.ms, run.longestGapMs);
        f.lines = w.eRich->lineCount();
        f.linesRight = f.linesRight && linesAsExpected(w, f.expectedLines, "[by volume]");
    }
    return f;
}

// The first three fields of /proc/loadavg: the load over the last 1, 5 and 15 minutes.
QByteArray loadAverage()
{
    std::FILE *file = std::fopen("/proc/loadavg", "r");
    char text[128] = "?";
    if (file) {
        if (!std::fgets(text, sizeof text, file))
            text[0] = 0;
        std::fclose(file);
    }
    return QByteArray(text).split(' ').mid(0, 3).join(' ');
}

const char *verdict(bool met)
{
    return met ? "ok" : "MISSED";
}

void printCriteria(const std::vector<BenchCriterion> &criteria, qint64 pairs)
{
    const double inventoryMs = criteria.front().run.ms;
    std::printf("%-9s %9s %9s %11s %9s %8s %10s %10s %8s\n", "criterion", "click ms", "crit. ms", "pairs/s",
                "plain ms", "ratio", "lines", "expected", "gap ms");
    const BenchCriterion &none = criteria.front();
    std::printf("%-9s %9.1f %9s %11s %9s %8s %10lld %10lld %8.1f  lines %s\n", none.label, inventoryMs, "-",
                "-", "-", "-", qint64(none.lines), qint64(none.expectedLines), none.run.worstGapMs,
                none.linesRight ? "right" : "WRONG");
    for (size_t i = 1; i < criteria.size(); ++i) {
        const BenchCriterion &c = criteria[i];
        const double criterionMs = c.run.ms - inventoryMs;
        const double ratio = criterionMs / c.plain.ms;
        std::printf("%-9s %9.1f %9.1f %11.3g %9.1f %7.2fx %10lld %10lld %8.1f  ratio %s, lines %s\n", c.label,
                    c.run.ms, criterionMs, double(pairs) / (criterionMs / 1e3), c.plain.ms, ratio,
                    qint64(c.lines), qint64(c.expectedLines), c.run.worstGapMs, verdict(ratio <= kMaxRatio),
                    c.linesRight ? "right" : "WRONG");
    }
}

void printDense(const DenseFigures &f)
{
    const double perLine = f.lines ? double(f.growthBytes) / double(f.lines) : 0;
    std::printf("  run %.1f ms, %lld lines (expected %lld: %s)\n", f.run.ms, qint64(f.lines),
                qint64(f.expectedLines), f.linesRight ? "right" : "WRONG");
    std::printf("  VmRSS growth %.1f MiB over the first run = %.1f bytes a line (target < %.0f: %s)\n",
                f.growthBytes / 1048576.0, perLine, kMaxBytesPerLine, verdict(perLine < kMaxBytesPerLine));
    std::printf("  longest event-loop gap over all runs %.1f ms (target <= %.0f: %s)\n", f.run.worstGapMs,
                kMaxGapMs, verdict(f.run.worstGapMs <= kMaxGapMs));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    initialiseApplication();
    const int repetitions = argc > 1 ? std::max(1, atoi(argv[1])) : 3;

    const QString root = benchRoot();
    const DatasetPair wideSet{QStringLiteral("pair-10k-varied"), 10000, 0, 2048};
    const DatasetPair denseSet{QStringLiteral("pair-1k-same-size"), 1000, 100, 100};
    const DatasetPairPaths wide = ensureDatasetPair(root, wideSet);
    const DatasetPairPaths dense = ensureDatasetPair(root, denseSet);

    const QByteArray loadBefore = loadAverage();
    // Shown, as in use: the result view lays out and paints its rows when the run hands over.
    TfMain w;
    w.show();

    // First, while the process's memory holds no earlier run's lines.
    const DenseFigures denseFigures = measureDenseRun(w, dense, repetitions);

    std::vector<BenchCriterion> criteria{
        {"none", nullptr, "", nullptr},
        {"name", &TfMain::cbByName, "[by name]", &DirectoryKeys::nameIds},
        {"size", &TfMain::cbByVolume, "[by volume]", &DirectoryKeys::sizes},
        {"date", &TfMain::cbByDate, "[by time]", &DirectoryKeys::timeKeys},
    };
    measureCriteria(w, wide, criteria, repetitions);
    const qint64 pairs = qint64(wideSet.filesPerDir) * wideSet.filesPerDir;

    std::printf("load average before %s, after %s; best of %d\n", loadBefore.constData(),
                loadAverage().constData(), repetitions);
    std::printf("each criterion alone on %d x %d files (%lld pairs); crit. = click - click with none "
                "(the inventory); ratio = crit. / plain loop (target <= %.0fx)\n",
                wideSet.filesPerDir, wideSet.filesPerDir, qint64(pairs), kMaxRatio);
    printCriteria(criteria, pairs);
    std::printf("size alone on %d x %d files of %d bytes\n", denseSet.filesPerDir, denseSet.filesPerDir,
                denseSet.minBytes);
    printDense(denseFigures);

    bool allRight = denseFigures.linesRight;
    for (const BenchCriterion &c : criteria)
        allRight = allRight && c.linesRight;
    return allRight ? 0 : 1;
}
