#pragma once

// Settings the program makes for its whole process once, as it starts, and takes back from the programs
// it starts.

// Call first thing at start-up (the window and vestrel-compare alike). On POSIX a write past the file size
// limit (ulimit -f) then fails with an error the save can answer, by putting the old text back, instead of
// ending the program with the data file cut short; and memory is managed so that freeing what a large
// run held never takes one long stretch. On Windows a drive without a medium then fails a call with an
// error code (ERROR_NOT_READY) instead of holding the program in a system dialog.
void initialiseProcess();

// In a child between fork() and exec(): puts back what this process changed for itself and a started
// program must not inherit, the open-file limit it started with and the default action of a write past
// the file size limit. Makes async-signal-safe calls only. Nothing to do on Windows, which does not fork.
void restoreInheritedSettings();
