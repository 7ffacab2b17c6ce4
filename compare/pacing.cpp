#include "compare/pacing.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>

namespace pacing {

namespace detail {
unsigned countdown = 1;
} // namespace detail

namespace {

constexpr qint64 kCheckEveryNs = 250'000;
constexpr unsigned kMaxStride = 1024;

struct State
{
    QElapsedTimer sinceHandOver;
    QElapsedTimer sinceCheck;
    unsigned stride = 1;
    bool literal = false;
    int intervalMs = kIntervalMs;
    std::function<void()> beforeHandOver;
    std::function<void()> hook;
};

State &state()
{
    static State s;
    return s;
}

// Chooses how many calls pass before the clock is read again.
void adaptStride(State &s)
{
    if (s.literal) {
        s.stride = 1;
    } else if (s.sinceCheck.isValid()) {
        // Grows slowly, shrinks at once to what the last stretch of calls cost.
        const qint64 ns = std::max<qint64>(1, s.sinceCheck.nsecsElapsed());
        if (ns < kCheckEveryNs / 2)
            s.stride = std::min(kMaxStride, s.stride * 2);
        else if (ns > kCheckEveryNs * 2)
            s.stride = unsigned(std::max<qint64>(1, qint64(s.stride) * kCheckEveryNs / ns));
    }
    s.sinceCheck.start();
    detail::countdown = s.stride;
}

} // namespace

void detail::atCheckPoint(bool handOverPoint)
{
    State &s = state();
    adaptStride(s);
    if (s.literal) {
        if (handOverPoint)
            ProcessMessagesNow();
        return;
    }
    if (!s.sinceHandOver.isValid() || s.sinceHandOver.elapsed() >= s.intervalMs)
        ProcessMessagesNow();
}

void ProcessMessagesNow()
{
    State &s = state();
    if (s.beforeHandOver)
        s.beforeHandOver();
    if (s.hook)
        s.hook();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    s.sinceHandOver.start();
}

void startRun()
{
    State &s = state();
    s.stride = 1;
    s.sinceCheck.invalidate();
    detail::countdown = 1;
}

void setBeforeHandOver(std::function<void()> flush)
{
    state().beforeHandOver = std::move(flush);
}

void setLiteral(bool on)
{
    State &s = state();
    s.literal = on;
    s.stride = 1;
    detail::countdown = 1;
}

bool isLiteral()
{
    return state().literal;
}

void setHandOverHook(std::function<void()> hook)
{
    state().hook = std::move(hook);
}

void setInterval(int ms)
{
    state().intervalMs = ms;
}

} // namespace pacing
