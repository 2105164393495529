#pragma once

#include <cstdint>
#include <vector>

#include "pst/ltp/Heap.h"
#include "pst/ltp/Property.h"

namespace quill::pst::ltp {

constexpr std::uint32_t kTagLtpRowId = 0x67F20003;
constexpr std::uint32_t kTagLtpRowVer = 0x67F30003;

// [MS-PST] 2.3.4: a table context built row by row, emitted as node data by Finish.
class TableContextBuilder {
public:
    // The columns by full tag. LtpRowId and LtpRowVer are always columns (listing them is allowed).
    explicit TableContextBuilder(std::vector<std::uint32_t> columnTags);

    // A row keyed by rowId (its dwRowID in the row index, and its LtpRowId cell). Each column takes
    // the value of `values` whose full tag equals the column's tag; other columns are absent
    // (cell-existence bit clear). Rows stay in the order added.
    void AddRow(std::uint32_t rowId, const PropertyList& values);
    [[nodiscard]] std::size_t RowCount() const;

    // The node data: TCINFO at hidUserRoot, the row index BTH, the row matrix in the heap while
    // it fits in one allocation, else through `sink` as a subnode whose 8176-byte blocks each hold
    // whole rows (padded). Large variable cells go through `sink` too.
    [[nodiscard]] std::vector<std::vector<std::uint8_t>> Finish(SubnodeSink& sink) const;
};

} // namespace quill::pst::ltp
