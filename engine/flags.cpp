#include "engine/flags.h"

bool bStop = true;
bool bSameDir = false;
quint32 kindMask = 0;
