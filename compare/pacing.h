#pragma once

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
void atCheckPoint(bool handOverPoint);
} // namespace detail

// A hand-over point: runs the event loop when the interval has passed (or always, in literal mode).
inline void ProcessMessages()
{
    if (--detail::countdown == 0)
        detail::atCheckPoint(true);
}

// A point inside work where nothing reads what the user can change: in paced mode the window is served
// here too when the interval has passed, so no stretch of work freezes it; in literal mode nothing
// happens. A click served here is seen at the next hand-over point, as if it had arrived there.
inline void keepAlive()
{
    if (--detail::countdown == 0)
        detail::atCheckPoint(false);
}

// keepAlive() after work that takes long for each call: reads the clock every time.
inline void keepAliveAfterWork()
{
    detail::atCheckPoint(false);
}

// A hand-over point after work that takes long for each call (a block read): reads the clock every time.
inline void ProcessMessagesAfterWork()
{
    detail::atCheckPoint(true);
}

// A hand-over point that always runs the event loop.
void ProcessMessagesNow();

// A run starts: the clock is read at the first hand-over point, whatever the calls before cost.
void startRun();

// Called just before each real hand-over, to write out what the run has recorded since the last one.
void setBeforeHandOver(std::function<void()> flush);

// Test hooks: literal mode makes every hand-over point real; the hand-over hook runs at each real
// hand-over, before the event loop.
void setLiteral(bool on);
bool isLiteral();
void setHandOverHook(std::function<void()> hook);
// Test hook: the interval between real hand-overs (kIntervalMs unless set).
void setInterval(int ms);

} // namespace pacing
