#include "compare/pacing.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace pacing {
namespace {

struct State
{
    QElapsedTimer sinceHandOver;
    bool literal = false;
    std::function<void()> beforeHandOver;
    std::function<void()> hook;
};

State &state()
{
    static State s;
    return s;
}

} // namespace

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

void ProcessMessages()
{
    State &s = state();
    if (s.literal || !s.sinceHandOver.isValid() || s.sinceHandOver.elapsed() >= kIntervalMs)
        ProcessMessagesNow();
}

void keepAlive()
{
    State &s = state();
    if (!s.literal && s.sinceHandOver.isValid() && s.sinceHandOver.elapsed() >= kIntervalMs)
        ProcessMessagesNow();
}

void setBeforeHandOver(std::function<void()> flush)
{
    state().beforeHandOver = std::move(flush);
}

void setLiteral(bool on)
{
    state().literal = on;
}

bool isLiteral()
{
    return state().literal;
}

void setHandOverHook(std::function<void()> hook)
{
    state().hook = std::move(hook);
}

} // namespace pacing
