#pragma once

#include <QtGlobal>

class TfMain;

// What one click of the window's Go button cost.
struct RunFigures
{
    double ms;
    double longestGapMs; // the longest time the event loop went unserved
};

// Clicks Go and measures the run; VESTREL_BENCH_VERBOSE set: says when the longest gap began.
RunFigures timeRun(TfMain &w);

// The process's resident memory now (VmRSS), in bytes.
qint64 residentBytes();
