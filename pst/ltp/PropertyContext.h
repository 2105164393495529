#pragma once

#include <cstdint>
#include <vector>

#include "pst/ltp/Heap.h"
#include "pst/ltp/Property.h"

namespace quill::pst::ltp {

// [MS-PST] 2.3.3: the node data of a property context holding `props`. Values of at most 4 bytes
// inline, others in the heap up to kMaxAllocation bytes, larger ones through `sink` as subnodes.
// An empty string or binary has HNID 0.
[[nodiscard]] std::vector<std::vector<std::uint8_t>> BuildPropertyContext(const PropertyList& props, SubnodeSink& sink);

} // namespace quill::pst::ltp
