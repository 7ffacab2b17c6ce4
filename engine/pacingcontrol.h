#pragma once

#include <QtGlobal>

#include <functional>

class Pacing;

// How a comparison paces its hand-overs to the event loop, and the hooks through which tests watch them.
//
// The rule that every shortcut of a run rests on: between two real hand-overs no input arrives (no click,
// no key, no edit of a path or a check box), so whatever the run passes over between them must leave the
// progress text, the result lines and the current directory exactly as the loop would have left them at
// the next real hand-over. A paced run is then a run of the loop in which every click landed on one of
// the hand-over points, and the literal mode below lets tests compare the two point by point.
struct PacingSettings
{
    enum class Mode {
        Paced,   // a hand-over point is real when about intervalMs have passed since the last one
        Literal, // every hand-over point is real: the loops' progress texts and stop points one by one
        Forced,  // every forcedEvery-th point is real and no other, whatever the clock says
    };

    static constexpr int kIntervalMs = 15;

    Mode mode = Mode::Paced;
    qint64 forcedEvery = 0;
    int intervalMs = kIntervalMs;
    // Nanoseconds on a monotonic clock; empty: the system's.
    std::function<qint64()> clock;
    // Runs at each real hand-over, after what the run writes out and before the event loop.
    std::function<void(const Pacing &)> handOverHook;

    void setLiteral(bool on)
    {
        mode = on ? Mode::Literal : Mode::Paced;
        forcedEvery = 0;
    }
    // 0: back to the paced mode.
    void setForcedEvery(qint64 points)
    {
        mode = points > 0 ? Mode::Forced : Mode::Paced;
        forcedEvery = points;
    }
};
