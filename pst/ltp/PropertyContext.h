#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "pst/ltp/Heap.h"
#include "pst/ltp/Property.h"

namespace quill::pst::ltp {

// [MS-PST] 2.3.3: the node data of a property context holding `props`. Values of at most 4 bytes
// inline, others in the heap up to kMaxAllocation bytes, larger ones through `sink` as subnodes.
// An empty string or binary is a zero-length allocation: no HNID is 0.
[[nodiscard]] std::vector<std::vector<std::uint8_t>> BuildPropertyContext(const PropertyList& props, SubnodeSink& sink);

// A value the caller has already written as a subnode of the node (streamed data too large to
// hold in memory); the context only refers to it.
struct StoredValue {
    std::uint32_t tag = 0;
    std::uint32_t subnodeNid = 0;
};
// As above, with `stored` values added to `props` (their ids must not be in `props`).
[[nodiscard]] std::vector<std::vector<std::uint8_t>> BuildPropertyContext(const PropertyList& props, SubnodeSink& sink,
                                                                          std::span<const StoredValue> stored);

}  // namespace quill::pst::ltp
