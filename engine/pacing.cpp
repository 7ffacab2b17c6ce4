#include "engine/pacing.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <limits>

namespace pacing {

namespace detail {
unsigned countdown = 1;
unsigned aliveCountdown = 1;
} // namespace detail

namespace {

constexpr qint64 kCheckEveryNs = 250'000;
constexpr unsigned kMaxStride = 1024;
// Keep-alive points read the clock at a fixed stride: they stand for cheap steps of listing work.
constexpr unsigned kAliveStride = 64;
constexpr unsigned kNever = std::numeric_limits<unsigned>::max();

enum class Mode { Paced, Literal, Forced };

struct State
{
    QElapsedTimer sinceHandOver;
    QElapsedTimer sinceCheck;
    unsigned stride = 1;
    Mode mode = Mode::Paced;
    qint64 forcedEvery = 0;
    // The points reached are those counted before the countdown was last set, plus what it has run down.
    qint64 pointsBefore = 0;
    unsigned reload = 1;
    quint64 handOvers = 0;
    int intervalMs = kIntervalMs;
    std::function<void()> beforeHandOver;
    std::function<void()> local;
    std::function<void()> hook;
};

State &state()
{
    static State s;
    return s;
}

void setCountdown(State &s, unsigned value)
{
    s.pointsBefore += s.reload - detail::countdown;
    s.reload = value;
    detail::countdown = value;
}

bool intervalPassed(const State &s)
{
    return !s.sinceHandOver.isValid() || s.sinceHandOver.elapsed() >= s.intervalMs;
}

// Chooses how many calls pass before the clock is read again.
void adaptStride(State &s)
{
    if (s.sinceCheck.isValid()) {
        // Grows slowly, shrinks at once to what the last stretch of calls cost.
        const qint64 ns = std::max<qint64>(1, s.sinceCheck.nsecsElapsed());
        if (ns < kCheckEveryNs / 2)
            s.stride = std::min(kMaxStride, s.stride * 2);
        else if (ns > kCheckEveryNs * 2)
            s.stride = unsigned(std::max<qint64>(1, qint64(s.stride) * kCheckEveryNs / ns));
    }
    s.sinceCheck.start();
    setCountdown(s, s.stride);
}

void resetCounting(State &s)
{
    s.stride = 1;
    s.sinceCheck.invalidate();
    s.pointsBefore = 0;
    s.reload = s.mode == Mode::Forced ? unsigned(s.forcedEvery) : 1;
    detail::countdown = s.reload;
    detail::aliveCountdown = s.mode == Mode::Paced ? 1 : kNever;
}

} // namespace

void detail::atCheckPoint(bool handOverPoint)
{
    State &s = state();
    switch (s.mode) {
    case Mode::Literal:
        setCountdown(s, 1);
        if (handOverPoint)
            ProcessMessagesNow();
        return;
    case Mode::Forced:
        setCountdown(s, unsigned(s.forcedEvery));
        ProcessMessagesNow();
        return;
    case Mode::Paced:
        adaptStride(s);
        if (intervalPassed(s))
            ProcessMessagesNow();
        return;
    }
}

void detail::atAliveCheck()
{
    State &s = state();
    if (s.mode != Mode::Paced) {
        aliveCountdown = kNever;
        return;
    }
    aliveCountdown = kAliveStride;
    if (intervalPassed(s))
        ProcessMessagesNow();
}

void keepAliveAfterWork()
{
    const State &s = state();
    if (s.mode == Mode::Paced && intervalPassed(s))
        ProcessMessagesNow();
}

void ProcessMessagesAfterWork()
{
    if (state().mode == Mode::Paced)
        detail::atCheckPoint(true);
    else
        ProcessMessages();
}

qint64 passPoints(qint64 count)
{
    State &s = state();
    if (count < qint64(detail::countdown)) {
        detail::countdown -= unsigned(count);
        return count;
    }
    const qint64 passed = qint64(detail::countdown) - 1;
    if (s.mode != Mode::Paced || intervalPassed(s)) {
        detail::countdown = 1; // the next point reached is the real hand-over
        return passed;
    }
    // Passing points costs nothing, so one look at the clock covers the whole stretch.
    adaptStride(s);
    return count;
}

void ProcessMessagesNow()
{
    State &s = state();
    if (s.local)
        s.local();
    if (s.beforeHandOver)
        s.beforeHandOver();
    if (s.hook)
        s.hook();
    ++s.handOvers;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    s.sinceHandOver.start();
}

quint64 handOvers()
{
    return state().handOvers;
}

void startRun()
{
    resetCounting(state());
}

void setBeforeHandOver(std::function<void()> flush)
{
    state().beforeHandOver = std::move(flush);
}

BeforeHandOver::BeforeHandOver(std::function<void()> bringUpToDate) : m_previous(state().local)
{
    state().local = [previous = m_previous, own = std::move(bringUpToDate)] {
        own();
        if (previous)
            previous();
    };
}

BeforeHandOver::~BeforeHandOver()
{
    state().local = std::move(m_previous);
}

void setLiteral(bool on)
{
    State &s = state();
    s.mode = on ? Mode::Literal : Mode::Paced;
    resetCounting(s);
}

bool isLiteral()
{
    return state().mode == Mode::Literal;
}

void setForcedEvery(qint64 points)
{
    State &s = state();
    s.mode = points > 0 ? Mode::Forced : Mode::Paced;
    s.forcedEvery = points;
    resetCounting(s);
}

qint64 pointsReached()
{
    const State &s = state();
    return s.pointsBefore + (s.reload - detail::countdown);
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
