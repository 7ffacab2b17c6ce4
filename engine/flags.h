#pragma once

#include <QtGlobal>

// The comparison's process-wide state, shared by the run control, the inventory and the criteria.
extern bool bStop;       // a stop was requested
extern bool bSameDir;    // both path edits held the same text when the run started
extern quint32 kindMask; // the chosen kinds of files, as attribute bits

// An entry takes part only when every bit of its attribute word is a chosen kind.
inline bool isSelected(quint32 attr, quint32 mask)
{
    return (attr & mask) == attr;
}
