// A comparison in the window, all four criteria, as a user runs it: how long it takes, the longest time the
// event loop went unserved, and how long the run goes on after a click on Opreste at several moments.
//
//   vestrel-bench-window [--by name,size,date,contents] DIR1 DIR2 [stops]

#include "app/vestrel.h"
#include "platform/process.h"
#include "ui/application.h"
#include "ui/resultview.h"
#include "windowrun.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    // As the program starts.
    initialiseProcess();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    initialiseApplication();
    QStringList args = app.arguments().mid(1);
    QString by = QStringLiteral("name,size,date,contents");
    if (args.size() >= 2 && args[0] == QLatin1String("--by")) {
        by = args[1];
        args = args.mid(2);
    }
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: vestrel-bench-window [--by LIST] DIR1 DIR2 [stops]\n");
        return 1;
    }
    const int stops = args.size() > 2 ? args[2].toInt() : 5;
    TfMain w;
    w.ePath1->setText(args[0]);
    w.ePath2->setText(args[1]);
    const QStringList chosen = by.split(QLatin1Char(','));
    w.cbByName->setChecked(chosen.contains(QLatin1String("name")));
    w.cbByVolume->setChecked(chosen.contains(QLatin1String("size")));
    w.cbByDate->setChecked(chosen.contains(QLatin1String("date")));
    w.cbByContents->setChecked(chosen.contains(QLatin1String("contents")));

    const RunFigures whole = timeRun(w);
    std::printf("whole run: %.0f ms, %lld lines, longest event-loop gap %.1f ms, peak RSS %lld MiB\n",
                whole.ms, qint64(w.eRich->lineCount()), whole.longestGapMs, residentBytes() >> 20);

    // Stops spread over the run: the time from the click to the end of the run is what Stop costs.
    double worst = 0;
    for (int k = 1; k <= stops; ++k) {
        const int at = int(whole.ms * k / (stops + 1));
        QElapsedTimer clock;
        qint64 clickedAt = -1;
        QTimer::singleShot(at, [&] {
            clickedAt = clock.nsecsElapsed();
            w.btnStop->click();
        });
        clock.start();
        w.btnGo->click();
        const double afterStop = clickedAt < 0 ? -1 : (clock.nsecsElapsed() - clickedAt) / 1e6;
        worst = std::max(worst, afterStop);
        std::printf("stop at %d ms: run ended %.1f ms after the click (%lld lines)\n", at, afterStop,
                    qint64(w.eRich->lineCount()));
    }
    std::printf("worst time from Stop to the end of the run: %.1f ms\n", worst);
    return 0;
}
