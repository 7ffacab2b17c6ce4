#include "engine/release.h"

#include <QTimer>

namespace {

// About a millisecond of freeing.
constexpr int kSlice = 4096;

} // namespace

void Leftovers::releaseLater()
{
    if (m_scheduled || m_held.empty())
        return;
    m_scheduled = true;
    QTimer::singleShot(0, &m_context, [this] { releaseSlice(); });
}

void Leftovers::releaseSlice()
{
    m_scheduled = false;
    if (!m_held.empty() && m_held.back()->releaseSome(kSlice))
        m_held.pop_back();
    releaseLater();
}
