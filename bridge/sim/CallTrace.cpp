#include "CallTrace.h"

namespace sim {

void CallTrace::record(const SimTraceEntry &entry)
{
    if (enabled)
        entries.push_back(entry);
}

SimTraceEntry CallTrace::at(std::size_t index) const
{
    if (index < entries.size())
        return entries[index];
    return SimTraceEntry {};
}

} // namespace sim
