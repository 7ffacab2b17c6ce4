#pragma once

#include "engine/pacingcontrol.h"

#include <QtGlobal>

#include <functional>
#include <vector>

// The hand-overs of one run to the event loop. The long loops of a run hand over once per file, pair or
// byte; a real hand-over is paced (engine/pacingcontrol.h states the rule that makes this invisible): it
// happens only when the interval has passed since the last one, so the window stays responsive while the
// loops run at full speed.
//
// A hand-over point costs a counter decrement: the clock is read only every so many calls (at most 1024),
// the stride adapting so that it is read about every quarter millisecond whatever one call costs.
class Pacing
{
public:
    // handOver is the hand-over itself: the window serves its events, a batch front end writes out.
    Pacing(PacingSettings settings, std::function<void()> handOver);
    Pacing(const Pacing &) = delete;
    Pacing &operator=(const Pacing &) = delete;

    // A hand-over point: hands over when the interval has passed (or always, in literal mode).
    void ProcessMessages()
    {
        if (--m_countdown == 0)
            atCheckPoint();
    }

    // A point inside work where nothing reads what the user can change: in paced mode it hands over too
    // when the interval has passed, so no stretch of work freezes the window; in literal and forced modes
    // nothing happens. A click served here is seen at the next hand-over point, as if it had arrived there.
    void keepAlive()
    {
        if (--m_aliveCountdown == 0)
            atAliveCheck();
    }

    // keepAlive() after work that takes long for each call (a block read): reads the clock every time.
    void keepAliveAfterWork();

    // The next count hand-over points, passed over without doing anything at them. Returns how many of them
    // were passed: count, or fewer when the point after those is due to be a real hand-over, so that the
    // caller makes it one by reaching it with ProcessMessages(). A loop can so advance over a stretch of
    // steps that change nothing but the place where the window would be served, at no cost per step.
    qint64 passPoints(qint64 count);

    // A hand-over point that always hands over.
    void ProcessMessagesNow();

    // How many real hand-overs there have been: code that skipped work while nothing could change compares
    // it.
    quint64 handOvers() const { return m_handOvers; }
    bool isLiteral() const { return m_settings.mode == PacingSettings::Mode::Literal; }
    bool isPaced() const { return m_settings.mode == PacingSettings::Mode::Paced; }
    // The hand-over points reached so far (exact in the literal and forced modes only).
    qint64 pointsReached() const { return m_pointsBefore + (m_reload - m_countdown); }

    // While it lives, its action runs just before each real hand-over. Actions run newest first: a loop
    // that skips steps brings what the user can see (the current directory, say) to where those steps
    // would have left it before the run writes out its progress text and lines.
    class BeforeHandOver
    {
    public:
        BeforeHandOver(Pacing &pacing, std::function<void()> action);
        ~BeforeHandOver();
        BeforeHandOver(const BeforeHandOver &) = delete;
        BeforeHandOver &operator=(const BeforeHandOver &) = delete;

    private:
        Pacing &m_pacing;
    };

private:
    void atCheckPoint();
    void atAliveCheck();
    bool intervalPassed() const;
    qint64 now() const;
    void setCountdown(unsigned value);
    void adaptStride();

    PacingSettings m_settings;
    std::function<void()> m_handOver;
    std::vector<std::function<void()>> m_beforeHandOver;
    unsigned m_countdown = 1;
    unsigned m_aliveCountdown = 1;
    unsigned m_stride = 1;
    unsigned m_reload = 1;
    qint64 m_pointsBefore = 0;
    quint64 m_handOvers = 0;
    qint64 m_lastHandOver = -1; // ns; -1: none yet, so the first point due hands over
    qint64 m_lastCheck = -1;
};
