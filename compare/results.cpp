// Result lines: one per coincidence, tag, separator, the two names.

#include "app/vestrel.h"

#include "engine/flags.h"
#include "engine/resultobserver.h"
#include "ui/resultview.h"

void TfMain::AddResultLine(QLatin1StringView tag, const QByteArray &firstName, const QByteArray &secondName)
{
    m_line.clear();
    m_line.append(tag.data(), tag.size());
    m_line.append("    \t");
    m_line.append(firstName);
    m_line.append("  =  ");
    m_line.append(secondName);
    if (!eRich->addLine(m_line)) {
        // The view holds every line in memory and has reached its limit: the run ends as if stopped, and
        // says why when it is over.
        m_resultsFull = true;
        bStop = true;
        return;
    }
    observeResultLine(tag, firstName, secondName);
}
