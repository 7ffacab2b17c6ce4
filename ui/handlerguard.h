#pragma once

#include <QObject>

#include <functional>

// Runs one event handler. An exception that leaves it is shown in the exception display and the program
// goes on: no exception may cross the toolkit's own frames.
void runHandler(const std::function<void()> &handler);

// A slot that runs a window's handler through runHandler, passing the control that sent the event.
template <class Window> auto guarded(Window *window, void (Window::*handler)(QObject *), QObject *sender)
{
    return [window, handler, sender] { runHandler([&] { (window->*handler)(sender); }); };
}
