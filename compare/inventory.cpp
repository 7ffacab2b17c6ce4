// The comparison engine's entry: lists both directories, then calls the chosen criteria. The work is the
// engine's (engine/comparison.h); the page's members hand it over.

#include "app/vestrel.h"

void TfMain::CompareDirs()
{
    m_comparison->CompareDirs();
}

bool TfMain::takeInventory(const QString &dirText, PathStack &stack)
{
    return m_comparison->takeInventory(dirText, stack);
}
