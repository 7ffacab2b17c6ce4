#include "platform/systembox.h"

#include <windows.h>

bool showSystemStopBox(const QString &text, const QString &caption)
{
    // No owner window, as the box is asked for; task-modal, so that while it is up every window of this
    // thread takes no input, as while any other of the program's boxes is up. Without it a box with no
    // owner leaves the main window live behind it, and a click there would run a handler nested inside
    // the one still waiting for the box.
    const int answer =
        ::MessageBoxW(nullptr, reinterpret_cast<const wchar_t *>(text.utf16()),
                      reinterpret_cast<const wchar_t *>(caption.utf16()), MB_OK | MB_ICONSTOP | MB_TASKMODAL);
    // A box the system could not show (no desktop to show it on) is shown by the toolkit instead.
    return answer != 0;
}
