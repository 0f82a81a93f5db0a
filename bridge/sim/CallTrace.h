#pragma once

#include "SimControl.h"

#include <cstddef>
#include <vector>

namespace sim {

// Record of the entry-point calls, kept only while enabled.
class CallTrace
{
public:
    void setEnabled(bool on) { m_enabled = on; }
    bool enabled() const { return m_enabled; }
    void clear() { m_entries.clear(); }
    void record(const SimTraceEntry &entry);
    std::size_t size() const { return m_entries.size(); }
    // The entry at index, or an all-zero entry for an index past the end.
    SimTraceEntry at(std::size_t index) const;

private:
    bool m_enabled = false;
    std::vector<SimTraceEntry> m_entries;
};

} // namespace sim
