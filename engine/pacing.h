#pragma once

#include <QtGlobal>

#include <functional>

// The long loops of a run hand control to the event loop once per file, pair or byte. A real hand-over
// is paced: it happens only when about 15 ms have passed since the last one, so the window stays
// responsive while the loops run at full speed. Between two real hand-overs no click can arrive, so the
// user sees a run in which every click landed on one of the hand-over points.
//
// A hand-over point costs a counter decrement: the clock is read only every so many calls (at most 1024),
// the stride adapting so that it is read about every quarter millisecond whatever one call costs.
namespace pacing {

constexpr int kIntervalMs = 15;

namespace detail {
extern unsigned countdown;
extern unsigned aliveCountdown;
void atCheckPoint(bool handOverPoint);
void atAliveCheck();
} // namespace detail

// A hand-over point: runs the event loop when the interval has passed (or always, in literal mode).
inline void ProcessMessages()
{
    if (--detail::countdown == 0)
        detail::atCheckPoint(true);
}

// A point inside work where nothing reads what the user can change: in paced mode the window is served
// here too when the interval has passed, so no stretch of work freezes it; in literal and forced modes
// nothing happens. A click served here is seen at the next hand-over point, as if it had arrived there.
inline void keepAlive()
{
    if (--detail::aliveCountdown == 0)
        detail::atAliveCheck();
}

// keepAlive() after work that takes long for each call: reads the clock every time.
void keepAliveAfterWork();

// A hand-over point after work that takes long for each call (a block read): reads the clock every time.
void ProcessMessagesAfterWork();

// The next count hand-over points, passed over without doing anything at them. Returns how many of them
// were passed: count, or fewer when the point after those is due to be a real hand-over, so that the
// caller makes it one by reaching it with ProcessMessages(). A loop can so advance over a stretch of
// steps that change nothing but the place where the window would be served, at no cost per step.
qint64 passPoints(qint64 count);

// A hand-over point that always runs the event loop.
void ProcessMessagesNow();

// How many real hand-overs there have been: code that skipped work while nothing could change compares it.
quint64 handOvers();

// A run starts: the clock is read at the first hand-over point, whatever the calls before cost.
void startRun();

// Called just before each real hand-over, to write out what the run has recorded since the last one.
void setBeforeHandOver(std::function<void()> flush);

// While it lives, its function runs just before each real hand-over, ahead of the run's own one: a loop
// that skips steps brings what the user can see (the current directory, say) to where those steps would
// have left it.
class BeforeHandOver
{
public:
    explicit BeforeHandOver(std::function<void()> bringUpToDate);
    ~BeforeHandOver();
    BeforeHandOver(const BeforeHandOver &) = delete;
    BeforeHandOver &operator=(const BeforeHandOver &) = delete;

private:
    std::function<void()> m_previous;
};

// Test hooks: literal mode makes every hand-over point real; forced mode makes every n-th one real and no
// other (0: off), whatever the clock says; the hand-over hook runs at each real hand-over, before the
// event loop.
void setLiteral(bool on);
bool isLiteral();
void setForcedEvery(qint64 points);
// The hand-over points reached since literal or forced mode was set (exact in those modes only).
qint64 pointsReached();
void setHandOverHook(std::function<void()> hook);
// Test hook: the interval between real hand-overs (kIntervalMs unless set).
void setInterval(int ms);

} // namespace pacing
