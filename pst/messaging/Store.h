#pragma once
// The store-wide nodes of a PST ([MS-PST] 2.4.3, 2.4.7, 2.4.8): the message store, the
// name-to-ID map, the spam search folder with its queue, criteria and contents table, the search
// management nodes and the table templates.

#include <array>
#include <cstdint>
#include <string_view>

#include "pst/ltp/Property.h"
#include "pst/ndb/NodeDatabase.h"

namespace quill::pst::messaging {

// The spam search folder's values, which the root folder's hierarchy row copies.
[[nodiscard]] PropertyList SpamSearchFolderProperties();

// The message store and the name-to-ID map.
void WriteStoreNodes(ndb::NodeDatabase& db, const std::array<std::uint8_t, 16>& recordKey,
                     std::string_view storeDisplayName);

// The spam search folder's nodes, the search management nodes and the table templates.
void WriteSearchAndTemplateNodes(ndb::NodeDatabase& db);

}  // namespace quill::pst::messaging
