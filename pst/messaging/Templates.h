#pragma once

#include <cstdint>
#include <vector>

// The columns of the tables a PST carries, as the format's own template tables list them
// ([MS-PST] 2.4.3.3 folder tables, 2.4.5.2 recipients, 2.4.6.1 attachments). The template nodes
// carry exactly these, and every table of that kind is made with them.
namespace quill::pst::messaging {

[[nodiscard]] const std::vector<std::uint32_t>& HierarchyColumns();
[[nodiscard]] const std::vector<std::uint32_t>& ContentsColumns();
[[nodiscard]] const std::vector<std::uint32_t>& AssocContentsColumns();
[[nodiscard]] const std::vector<std::uint32_t>& SearchContentsColumns();
[[nodiscard]] const std::vector<std::uint32_t>& RecipientColumns();
[[nodiscard]] const std::vector<std::uint32_t>& AttachmentColumns();

// A message's own recipient table adds the columns the writer fills beyond the template's.
[[nodiscard]] const std::vector<std::uint32_t>& MessageRecipientColumns();

}  // namespace quill::pst::messaging
