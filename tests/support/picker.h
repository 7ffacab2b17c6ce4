#pragma once

#include <functional>

class TfSelPath;

// Runs an action once the picker (fSelPath) is the active modal window, from inside its showing. Whatever
// the action leaves open is closed after a while, so that a failing test ends.
void whenPickerShown(std::function<void(TfSelPath &)> action);
