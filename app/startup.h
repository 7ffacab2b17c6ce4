#pragma once

#include <functional>

// The program: creates the application and its two windows, runs the message loop, and returns 0 in
// every case. An exception while it starts is shown, and the program ends. windowsCreated, when given,
// runs once both windows exist and before any is shown.
int VestrelMain(int argc, char **argv, const std::function<void()> &windowsCreated = {});
