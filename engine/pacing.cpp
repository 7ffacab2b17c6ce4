#include "engine/pacing.h"

#include <QElapsedTimer>

#include <algorithm>
#include <limits>

namespace {

constexpr qint64 kCheckEveryNs = 250'000;
constexpr unsigned kMaxStride = 1024;
// Keep-alive points read the clock at a fixed stride: they stand for cheap steps of listing work.
constexpr unsigned kAliveStride = 64;
constexpr unsigned kNever = std::numeric_limits<unsigned>::max();

qint64 systemClock()
{
    static const QElapsedTimer started = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return started.nsecsElapsed();
}

} // namespace

Pacing::Pacing(PacingSettings settings, std::function<void()> handOver)
    : m_settings(std::move(settings)), m_handOver(std::move(handOver))
{
    using Mode = PacingSettings::Mode;
    m_reload = m_settings.mode == Mode::Forced ? unsigned(std::max<qint64>(1, m_settings.forcedEvery)) : 1;
    m_countdown = m_reload;
    m_aliveCountdown = m_settings.mode == Mode::Paced ? 1 : kNever;
}

qint64 Pacing::now() const
{
    return m_settings.clock ? m_settings.clock() : systemClock();
}

bool Pacing::intervalPassed() const
{
    return m_lastHandOver < 0 || now() - m_lastHandOver >= qint64(m_settings.intervalMs) * 1'000'000;
}

void Pacing::setCountdown(unsigned value)
{
    m_pointsBefore += m_reload - m_countdown;
    m_reload = value;
    m_countdown = value;
}

// Chooses how many calls pass before the clock is read again.
void Pacing::adaptStride()
{
    const qint64 t = now();
    if (m_lastCheck >= 0) {
        // Grows slowly, shrinks at once to what the last stretch of calls cost.
        const qint64 ns = std::max<qint64>(1, t - m_lastCheck);
        if (ns < kCheckEveryNs / 2)
            m_stride = std::min(kMaxStride, m_stride * 2);
        else if (ns > kCheckEveryNs * 2)
            m_stride = unsigned(std::max<qint64>(1, qint64(m_stride) * kCheckEveryNs / ns));
    }
    m_lastCheck = t;
    setCountdown(m_stride);
}

void Pacing::atCheckPoint()
{
    switch (m_settings.mode) {
    case PacingSettings::Mode::Literal:
        setCountdown(1);
        ProcessMessagesNow();
        return;
    case PacingSettings::Mode::Forced:
        setCountdown(unsigned(m_settings.forcedEvery));
        ProcessMessagesNow();
        return;
    case PacingSettings::Mode::Paced:
        adaptStride();
        if (intervalPassed())
            ProcessMessagesNow();
        return;
    }
}

void Pacing::atAliveCheck()
{
    if (!isPaced()) {
        m_aliveCountdown = kNever;
        return;
    }
    m_aliveCountdown = kAliveStride;
    if (intervalPassed())
        ProcessMessagesNow();
}

void Pacing::keepAliveAfterWork()
{
    if (isPaced() && intervalPassed())
        ProcessMessagesNow();
}

qint64 Pacing::passPoints(qint64 count)
{
    if (count < qint64(m_countdown)) {
        m_countdown -= unsigned(count);
        return count;
    }
    const qint64 passed = qint64(m_countdown) - 1;
    if (!isPaced() || intervalPassed()) {
        m_countdown = 1; // the next point reached is the real hand-over
        return passed;
    }
    // Passing points costs nothing, so one look at the clock covers the whole stretch.
    adaptStride();
    return count;
}

void Pacing::ProcessMessagesNow()
{
    // Newest first: what a loop brings up to date comes before what the run writes out.
    for (auto action = m_beforeHandOver.rbegin(); action != m_beforeHandOver.rend(); ++action)
        (*action)();
    if (m_settings.handOverHook)
        m_settings.handOverHook(*this);
    ++m_handOvers;
    if (m_handOver)
        m_handOver();
    m_lastHandOver = now();
}

Pacing::BeforeHandOver::BeforeHandOver(Pacing &pacing, std::function<void()> action) : m_pacing(pacing)
{
    m_pacing.m_beforeHandOver.push_back(std::move(action));
}

Pacing::BeforeHandOver::~BeforeHandOver()
{
    m_pacing.m_beforeHandOver.pop_back();
}
