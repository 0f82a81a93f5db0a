#include "CallTrace.h"

namespace sim {

void CallTrace::record(const SimTraceEntry &entry)
{
    if (m_enabled)
        m_entries.push_back(entry);
}

SimTraceEntry CallTrace::at(std::size_t index) const
{
    if (index < m_entries.size())
        return m_entries[index];
    return SimTraceEntry {};
}

} // namespace sim
