#pragma once

#include <array>
#include <cstdint>
#include <unordered_set>
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

  private:
    struct Column {
        std::uint32_t tag;
        std::uint16_t ib;
        std::uint8_t cb;
        std::uint8_t iBit;
        bool hnid;  // the cell holds an HNID to the value, not the value
    };
    struct PendingValue {    // a variable cell's value, placed in the heap or a subnode by Finish
        std::size_t cell;    // offset of the cell in `matrix`
        std::size_t offset;  // its bytes in `arena`: one buffer, as a big folder has many cells
        std::size_t size;
    };

    // Sorted by tag, the TCOLDESC order. iBit: LtpRowId 0, LtpRowVer 1, the others in this order;
    // a row's LtpRowVer is its 1-based position.
    std::vector<Column> columns;
    std::array<std::uint16_t, 4> rgib{};
    std::size_t rowSize = 0;
    std::vector<std::uint8_t> matrix;  // the rows in the order added, variable cells still 0
    std::vector<PendingValue> pending;
    std::vector<std::uint8_t> arena;
    std::vector<std::uint32_t> rowIds;
    std::unordered_set<std::uint32_t> rowIdSet;
};

}  // namespace quill::pst::ltp
