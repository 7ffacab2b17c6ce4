// Times a comparison run with no criterion (the inventory of both directories) against a plain loop that
// lists and stats the same entries, and measures the longest time the event loop went unserved.
//
//   vestrel-bench-inventory [repetitions]

#include "app/vestrel.h"
#include "datasets.h"
#include "ui/application.h"
#include "windowrun.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The baseline: what any program must do to know the names, kinds, sizes and times of the entries.
qint64 plainListing(const QString &dir)
{
    DIR *d = ::opendir(QFile::encodeName(dir).constData());
    if (!d)
        qFatal("cannot open %s", qPrintable(dir));
    qint64 sum = 0;
    while (const dirent *e = ::readdir(d)) {
        struct stat st;
        if (::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
            sum += st.st_size;
    }
    ::closedir(d);
    return sum;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    initialiseApplication();
    const int repetitions = argc > 1 ? std::max(1, atoi(argv[1])) : 5;

    const QString root = benchRoot();
    const QString big = ensureDataset(root, {QStringLiteral("flat-100k"), 100000, 16});
    const QString small = ensureDataset(root, {QStringLiteral("flat-10k"), 10000, 16});

    TfMain w;
    w.ePath1->setText(big);
    w.ePath2->setText(small);
    for (QCheckBox *c : {w.cbByName, w.cbByVolume, w.cbByContents, w.cbByDate})
        c->setChecked(false);

    double bestPlain = 1e18, bestRun = 1e18, worstGap = 0;
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer t;
        t.start();
        plainListing(big);
        plainListing(small);
        bestPlain = std::min(bestPlain, t.nsecsElapsed() / 1e6);

        const RunFigures run = timeRun(w);
        bestRun = std::min(bestRun, run.ms);
        worstGap = std::max(worstGap, run.longestGapMs);
        if (w.eRez->text() != QStringLiteral("Au fost gasite 0 coincidente"))
            qFatal("unexpected result: %s", qPrintable(w.eRez->text()));
    }
    std::printf("inventory of 100,000 + 10,000 files, best of %d\n", repetitions);
    std::printf("  plain list+stat loop : %8.1f ms\n", bestPlain);
    std::printf("  comparison run       : %8.1f ms  (%.2f x the plain loop)\n", bestRun, bestRun / bestPlain);
    std::printf("  longest event-loop gap over all runs: %.1f ms\n", worstGap);
    return 0;
}
