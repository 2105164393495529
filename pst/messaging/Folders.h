#pragma once
// The folder tree of the PST being written ([MS-PST] 2.4.4): the mandatory folders, the ones the
// caller adds, each with the contents table its messages fill; written out, with the hierarchy
// and associated-contents tables, when the file is closed.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pst/ltp/TableContext.h"
#include "pst/messaging/NodeWriting.h"
#include "pst/ndb/NodeDatabase.h"

namespace quill::pst::messaging {

// The fixed NIDs of the nodes every PST has ([MS-PST] 2.4.1).
inline constexpr ndb::Nid kNidMessageStore = 0x21;
inline constexpr ndb::Nid kNidNameToIdMap = 0x61;
inline constexpr ndb::Nid kNidRootFolder = 0x122;
inline constexpr ndb::Nid kNidIpmSubtree = 0x8022;
inline constexpr ndb::Nid kNidSearchRoot = 0x8042;
inline constexpr ndb::Nid kNidDeletedItems = 0x8062;
inline constexpr ndb::Nid kNidSpamSearchFolder = 0x2223;
inline constexpr ndb::Nid kNidSearchManagementQueue = 0x1E1;
inline constexpr ndb::Nid kNidSearchActivityList = 0x201;
inline constexpr ndb::Nid kNidSearchDomainObject = 0x261;
inline constexpr ndb::Nid kNidHierarchyTemplate = 0x60D;
inline constexpr ndb::Nid kNidContentsTemplate = 0x60E;
inline constexpr ndb::Nid kNidAssocContentsTemplate = 0x60F;
inline constexpr ndb::Nid kNidSearchContentsTemplate = 0x610;
inline constexpr ndb::Nid kNidAttachmentTemplate = 0x671;
inline constexpr ndb::Nid kNidRecipientTemplate = 0x692;

// A folder's table of the given type shares the folder's index.
[[nodiscard]] constexpr ndb::Nid TableNid(ndb::Nid folder, ndb::NidType type) {
    return (folder & ~0x1Fu) | static_cast<std::uint32_t>(type);
}

inline constexpr std::size_t kMaxFolderNameUnits = 255;

struct Folder {
    ndb::Nid nid = 0;
    ndb::Nid parent = 0;
    std::string name;
    std::string containerClass;
    std::vector<ndb::Nid> children;
    std::unique_ptr<StreamedTableNode> contents;
    std::uint32_t count = 0;
    std::uint32_t unread = 0;
};

class FolderTree {
  public:
    // Reserves the NID ranges of the database and makes the mandatory folders: the root, the IPM
    // subtree ("Top of Personal Folders"), the search root and Deleted Items.
    explicit FolderTree(ndb::NodeDatabase& db);

    // A new folder; PstError for an unknown or unfit parent, an empty or over-long name, or when
    // the NID space is used up.
    [[nodiscard]] ndb::Nid Add(ndb::Nid parent, std::string_view name, std::string_view containerClass);
    // The folder of that name directly under parent, matched without regard to ASCII letter case.
    [[nodiscard]] std::optional<ndb::Nid> Find(ndb::Nid parent, std::string_view name) const;
    // The folder that can take messages, or PstError naming the NID.
    [[nodiscard]] Folder& MessageFolder(ndb::Nid nid);

    // Every folder's node and its three tables, and the spam search folder's hierarchy row.
    void Write();

  private:
    Folder& Make(ndb::Nid nid, ndb::Nid parent, std::string_view name, std::string_view containerClass);
    void WriteFolder(Folder& f);

    ndb::NodeDatabase& db_;
    std::map<ndb::Nid, Folder> folders_;
};

}  // namespace quill::pst::messaging
