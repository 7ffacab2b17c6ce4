#include "windowrun.h"

#include "app/vestrel.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

RunFigures timeRun(TfMain &w)
{
    // A zero-interval timer fires whenever the event loop runs; the longest time between two firings
    // (and from the click to the first, and from the last to the end) is how long the window froze.
    QElapsedTimer clock;
    qint64 last = 0, longest = 0, longestAt = 0;
    QTimer probe;
    probe.setInterval(0);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (qEnvironmentVariableIsSet("VESTREL_BENCH_GAPS") && now - last > 30'000'000)
            std::fprintf(stderr, "gap %.1f ms from %.1f ms\n", (now - last) / 1e6, last / 1e6);
        if (now - last > longest) {
            longest = now - last;
            longestAt = last;
        }
        last = now;
    });
    probe.start();
    clock.start();
    w.btnGo->click();
    const qint64 total = clock.nsecsElapsed();
    if (total - last > longest) {
        longest = total - last;
        longestAt = last;
    }
    probe.stop();
    if (qEnvironmentVariableIsSet("VESTREL_BENCH_VERBOSE"))
        std::fprintf(stderr, "run %.1f ms, longest gap %.1f ms from %.1f ms\n", total / 1e6, longest / 1e6,
                     longestAt / 1e6);
    return {total / 1e6, longest / 1e6};
}

qint64 residentBytes()
{
    // Read with stdio: /proc files report a size of 0, which QFile takes for an empty file.
    std::FILE *status = std::fopen("/proc/self/status", "r");
    if (!status)
        qFatal("cannot read /proc/self/status");
    char line[256];
    long long kib = -1;
    while (kib < 0 && std::fgets(line, sizeof line, status))
        std::sscanf(line, "VmRSS: %lld kB", &kib);
    std::fclose(status);
    if (kib < 0)
        qFatal("no VmRSS in /proc/self/status");
    return kib * 1024;
}
