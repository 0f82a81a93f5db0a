#pragma once

#include "SimControl.h"

#include <cstddef>
#include <vector>

namespace sim {

// Record of the entry-point calls, kept only while enabled.
class CallTrace
{
public:
    void setEnabled(bool on) { enabled = on; }
    bool isEnabled() const { return enabled; }
    void clear() { entries.clear(); }
    void record(const SimTraceEntry &entry);
    std::size_t size() const { return entries.size(); }
    // The entry at index, or an all-zero entry for an index past the end.
    SimTraceEntry at(std::size_t index) const;

private:
    bool enabled = false;
    std::vector<SimTraceEntry> entries;
};

} // namespace sim
