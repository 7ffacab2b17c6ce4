#pragma once

#include "fixture.h"

#include "ui/selpath.h"

#include <functional>
#include <memory>

// The main window, shown and active, and a picker made the way start-up makes it: after the main window,
// with the current directory it will start from (kept for the test).
struct ProgramWithPicker
{
    explicit ProgramWithPicker(const QByteArray &startDirectory);
    ~ProgramWithPicker();
    ProgramWithPicker(const ProgramWithPicker &) = delete;
    ProgramWithPicker &operator=(const ProgramWithPicker &) = delete;

    CurrentDirKeeper keep;
    std::unique_ptr<TfMain> w;
    std::unique_ptr<TfSelPath> picker;
};

// Runs an action once the picker (fSelPath) is the active modal window, from inside its showing. Whatever
// the action leaves open is closed after a while, so that a failing test ends.
void whenPickerShown(std::function<void(TfSelPath &)> action);
