#pragma once

#include "engine/pacing.h"

// Lets go of a large container a piece at a time, serving the window in between. Freeing the hundreds of
// thousands of names and nodes of a large run at once would keep the window unserved for a noticeable
// moment at the end of every criterion and of the run; element by element, each free is a cheap step and
// the hand-over points come as they come everywhere else.
template <typename Container> void releaseGradually(Container &container, Pacing &pacing)
{
    while (!container.empty()) {
        if constexpr (requires { container.pop_back(); })
            container.pop_back();
        else
            container.erase(container.begin());
        pacing.keepAlive();
    }
}
