#include "store/StoreIndex.h"

#include <algorithm>
#include <set>

#include "platform/Ascii.h"
#include "platform/File.h"
#include "platform/NumberedName.h"
#include "platform/Path.h"
#include "platform/UnicodeName.h"
#include "store/ImhIndex.h"

namespace quill {
namespace {

using platform::LowerAscii;

// A name from the database that is to become one path component: never a
// way out of its folder.
bool IsPlainComponent(const std::string& s) {
    if (s.empty() || s == "." || s == "..") return false;
    for (unsigned char c : s)
        if (c < 32 || c == '/' || c == '\\' || c == ':') return false;
    return true;
}

// "name", else "name (2)", "name (3)", ... not yet in used (any letter case).
std::string Unique(const std::string& name, std::set<std::string>& used) {
    std::string candidate = name;
    for (int n = 2; used.count(LowerAscii(candidate)); ++n) candidate = platform::NumberedName(name, "", n);
    used.insert(LowerAscii(candidate));
    return candidate;
}

}  // namespace

std::string IndexKindName(IndexKind kind) {
    switch (kind) {
        case IndexKind::MessageStoreDb:
            return "MessageStore.db";
        case IndexKind::ContainersDb:
            return "Containers.db";
        case IndexKind::Imh:
            return ".imh files";
        case IndexKind::None:
            break;
    }
    return {};
}

StoreIndex StoreIndex::Open(const std::string& storeFolder) {
    StoreIndex index;
    index.folder_ = storeFolder;
    std::vector<platform::DirEntry> entries;
    try {
        entries = platform::ListDirectory(storeFolder);
    } catch (const platform::FileError&) {
        return index;
    }
    std::vector<std::string> immFiles;
    std::map<std::string, std::string> imhByBase;  // lower-case base name -> file name
    std::string messageStore, containersDb;
    for (const auto& e : entries) {
        if (!e.regular) {
            if (platform::IsContainerName(e.name) && !e.hidden && !e.system)
                index.skipped_.push_back({e.name, e.kind == platform::FileKind::Link
                                                      ? "a symbolic link that leads to no regular file"
                                                      : platform::DescribeKind(e.kind)});
            continue;
        }
        const std::string lower = LowerAscii(e.name);
        if (lower == "messagestore.db") messageStore = e.name;
        if (lower == "containers.db") containersDb = e.name;
        if (e.hidden || e.system) continue;
        if (platform::IsContainerName(e.name)) immFiles.push_back(e.name);
        if (lower.size() > 4 && platform::EndsWithIgnoreCase(lower, ".imh"))
            imhByBase.emplace(lower.substr(0, lower.size() - 4), e.name);
    }
    // One order on every system: the one Windows lists a folder in.
    auto byName = [](const std::string& a, const std::string& b) {
        const std::string ka = platform::FileNameKey(a), kb = platform::FileNameKey(b);
        return ka != kb ? ka < kb : a < b;
    };
    std::sort(immFiles.begin(), immFiles.end(), byName);
    std::sort(index.skipped_.begin(), index.skipped_.end(),
              [&](const Skipped& a, const Skipped& b) { return byName(a.name, b.name); });
    if (!messageStore.empty()) index.found_.push_back(IndexKind::MessageStoreDb);
    if (!containersDb.empty()) index.found_.push_back(IndexKind::ContainersDb);
    if (!imhByBase.empty()) index.found_.push_back(IndexKind::Imh);

    auto flat = [&](bool withImh) {
        index.containers_.clear();
        for (const auto& name : immFiles) {
            StoreContainer c;
            c.entry = name;
            c.immPath = platform::JoinPath(storeFolder, name);
            if (withImh) {
                auto imh = imhByBase.find(LowerAscii(platform::WithoutContainerExtension(name)));
                if (imh != imhByBase.end()) {
                    c.indexed = true;
                    c.imhPath = platform::JoinPath(storeFolder, imh->second);
                }
            }
            index.containers_.push_back(std::move(c));
        }
    };

    if (!messageStore.empty() || !containersDb.empty()) {
        const bool newest25 = !messageStore.empty();
        const std::string path = platform::JoinPath(storeFolder, newest25 ? messageStore : containersDb);
        try {
            index.OpenDatabase(path, newest25 ? IndexKind::MessageStoreDb : IndexKind::ContainersDb, immFiles);
        } catch (const DatabaseError& e) {
            index.kind_ = IndexKind::None;
            index.error_ = e.what();
            index.headers_.clear();
            flat(false);
        }
        return index;
    }
    index.kind_ = imhByBase.empty() ? IndexKind::None : IndexKind::Imh;
    flat(index.kind_ == IndexKind::Imh);
    return index;
}

void StoreIndex::OpenDatabase(const std::string& path, IndexKind kind, const std::vector<std::string>& immFiles) {
    StoreDatabase db(path);
    std::vector<DbContainer> rows = db.Containers();
    for (auto& h : db.Headers()) headers_[h.containerId].push_back(std::move(h));
    kind_ = kind;

    // The tree: children by parent, siblings by IndexInParent (ties in table
    // order). A container whose parent is missing, or that sits in a loop,
    // counts as a root.
    std::map<std::string, std::size_t> byId;
    for (std::size_t i = 0; i < rows.size(); ++i) byId.emplace(rows[i].id, i);
    std::map<std::string, std::vector<std::size_t>> children;
    std::vector<std::size_t> roots;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        std::set<std::string> seen{rows[i].id};
        std::string up = rows[i].parentId;
        bool rooted = true;
        while (!up.empty()) {
            auto it = byId.find(up);
            if (it == byId.end() || !seen.insert(up).second) {
                rooted = false;
                break;
            }
            up = rows[it->second].parentId;
        }
        if (rows[i].parentId.empty() || !rooted || byId.count(rows[i].parentId) == 0)
            roots.push_back(i);
        else
            children[rows[i].parentId].push_back(i);
    }
    auto bySiblingOrder = [&](std::vector<std::size_t>& v) {
        std::stable_sort(v.begin(), v.end(),
                         [&](std::size_t a, std::size_t b) { return rows[a].indexInParent < rows[b].indexInParent; });
    };

    std::set<std::string> usedEntries;
    std::set<std::string> namedFiles;
    std::set<std::string> visited;
    std::vector<std::string> labels;
    auto walk = [&](auto&& self, std::vector<std::size_t> level) -> void {
        bySiblingOrder(level);
        std::set<std::string> usedLabels;
        for (std::size_t i : level) {
            const DbContainer& row = rows[i];
            if (!visited.insert(row.id).second) continue;
            std::string label = !row.label.empty()      ? row.label
                                : !row.fileName.empty() ? row.fileName
                                                        : "Folder " + row.id;
            labels.push_back(Unique(label, usedLabels));
            const bool hasMessages = headers_.count(row.id) > 0;
            if (!row.fileName.empty() || hasMessages) {
                StoreContainer c;
                c.entry = Unique(row.fileName.empty() ? labels.back() : row.fileName + ".imm", usedEntries);
                if (!row.fileName.empty()) {
                    c.immPath = platform::JoinPath(folder_, row.fileName + ".imm");
                    namedFiles.insert(LowerAscii(row.fileName + ".imm"));
                }
                c.folderPath = labels;
                c.indexed = true;
                c.containerId = row.id;
                containers_.push_back(std::move(c));
            }
            auto kids = children.find(row.id);
            if (kids != children.end()) self(self, kids->second);
            labels.pop_back();
        }
    };
    walk(walk, roots);

    // Container files the database does not name are converted too, by the cut.
    for (const auto& name : immFiles) {
        if (namedFiles.count(LowerAscii(name))) continue;
        StoreContainer c;
        c.entry = Unique(name, usedEntries);
        c.immPath = platform::JoinPath(folder_, name);
        containers_.push_back(std::move(c));
    }
}

const StoreContainer* StoreIndex::Find(const std::string& entry) const {
    const std::string want = LowerAscii(entry);
    for (const auto& c : containers_)
        if (LowerAscii(c.entry) == want) return &c;
    return nullptr;
}

std::vector<IndexEntry> StoreIndex::Records(const StoreContainer& container) const {
    std::vector<IndexEntry> records;
    if (!container.indexed) return records;
    if (kind_ == IndexKind::Imh) {
        std::string bytes;
        try {
            platform::InputFile file(container.imhPath);
            char buffer[65536];
            for (std::size_t got; (got = file.Read(buffer, sizeof buffer)) > 0;) bytes.append(buffer, got);
        } catch (const platform::FileError& e) {
            throw IndexError(e.what());
        }
        ImhParse parsed = ParseImh(bytes);
        if (!parsed.ok) throw IndexError("\"" + container.imhPath + "\": " + parsed.error);
        return std::move(parsed.records);
    }
    auto rows = headers_.find(container.containerId);
    if (rows == headers_.end()) return records;
    const std::string messages = platform::JoinPath(folder_, "Messages");
    int number = 0;
    for (const DbHeader& h : rows->second) {
        IndexEntry e;
        e.record = ++number;
        e.deleted = h.deleted;
        // A negative position or size can't be in the container: the check refuses it.
        e.offset = h.msgPos < 0 ? UINT64_MAX : static_cast<std::uint64_t>(h.msgPos);
        e.size = h.size < 0 ? 0 : static_cast<std::uint64_t>(h.size);
        if (!h.location.empty()) {
            if (IsPlainComponent(h.location) && IsPlainComponent(h.headerId)) {
                const std::string folder = platform::JoinPath(platform::JoinPath(messages, h.location), h.headerId);
                e.file = platform::JoinPath(folder, "msg.iml");
                e.attachmentFolder = platform::JoinPath(folder, "Attachments");
            } else {
                e.unsafe = "Location \"" + h.location + "\" and HeaderID \"" + h.headerId +
                           "\" do not name a folder inside the store";
            }
        }
        records.push_back(std::move(e));
    }
    return records;
}

}  // namespace quill
