#pragma once

#include "engine/pacing.h"

#include <QObject>

#include <memory>
#include <vector>

// Freeing the hundreds of thousands of names and nodes of a large run at once would keep the window
// unserved for a noticeable moment. Within a run they are let go of element by element between hand-over
// points; what is left when the run ends, or when a stop asks it to end at once, is let go of after it.

// Lets go of one element of a non-empty container: the last of a sequence, the first of a map.
template <typename Container> void releaseOne(Container &container)
{
    if constexpr (requires { container.pop_back(); })
        container.pop_back();
    else
        container.erase(container.begin());
}

// Lets go of a container element by element, serving the window in between.
template <typename Container> void releaseGradually(Container &container, Pacing &pacing)
{
    while (!container.empty()) {
        releaseOne(container);
        pacing.keepAlive();
    }
}

// What a run held, let go of once the run is over, a slice at a time from the event loop.
class Leftovers
{
public:
    Leftovers() = default;
    // What is still held goes at once.
    ~Leftovers() = default;
    Leftovers(const Leftovers &) = delete;
    Leftovers &operator=(const Leftovers &) = delete;

    // Takes a container to let go of later: its elements, from the back.
    template <typename Container> void take(Container &&container)
    {
        if (!container.empty())
            m_held.push_back(std::make_unique<Held<Container>>(std::move(container)));
    }
    // Lets go of what is held a slice at a time while the event loop runs. Without one, it all goes when
    // the holder does.
    void releaseLater();
    bool empty() const { return m_held.empty(); }

private:
    struct Piece
    {
        virtual ~Piece() = default;
        // Lets go of up to count elements; true when none is left.
        virtual bool releaseSome(int count) = 0;
    };
    template <typename Container> struct Held final : Piece
    {
        explicit Held(Container &&c) : container(std::move(c)) {}
        bool releaseSome(int count) override
        {
            for (; count > 0 && !container.empty(); --count)
                releaseOne(container);
            return container.empty();
        }
        Container container;
    };

    void releaseSlice();

    std::vector<std::unique_ptr<Piece>> m_held;
    QObject m_context; // a slice still to come is cancelled when the holder goes
    bool m_scheduled = false;
};
