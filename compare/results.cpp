// Result lines: one per coincidence, tag, separator, the two names.

#include "app/vestrel.h"

#include "engine/resultlines.h"
#include "ui/resultview.h"

bool TfMain::AddResultLine(QLatin1StringView tag, const QByteArray &firstName, const QByteArray &secondName)
{
    composeResultLine(m_line, tag, firstName, secondName);
    return eRich->addLine(m_line);
}
