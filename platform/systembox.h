#pragma once

#include <QString>

// The system's own message box with a stop icon and one OK button, owned by no window. False where the
// platform has none: the caller then shows the toolkit's.
bool showSystemStopBox(const QString &text, const QString &caption);
