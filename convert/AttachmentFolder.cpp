#include "convert/AttachmentFolder.h"

#include "convert/AttachmentNames.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/UnicodeName.h"

namespace quill {

AttachmentFolder::AttachmentFolder(std::string path) : path_(std::move(path)) {}

void AttachmentFolder::List() const {
    if (listed_) return;
    listed_ = true;
    std::vector<platform::DirEntry> entries;
    try {
        entries = platform::ListDirectory(path_);
    } catch (const platform::FileError& e) {
        listError_ = e.what();
        return;
    }
    for (auto& e : entries) {
        Entry entry{e.name, e.kind == platform::FileKind::Regular, platform::DescribeKind(e.kind)};
        auto [at, inserted] = byName_.emplace(e.name, std::move(entry));
        if (inserted) byKey_.emplace(platform::FileNameKey(at->first), &at->second);
    }
}

AttachmentLookup AttachmentFolder::Find(const std::vector<std::string>& readings) const {
    List();
    AttachmentLookup result;
    result.name = readings.empty() ? std::string() : readings.front();
    bool anySafe = false;
    auto take = [&](const Entry& entry, const std::string& reading) {
        result.name = reading;
        if (entry.regular) {
            result.outcome = AttachmentLookup::Outcome::Found;
            result.path = platform::JoinPath(path_, entry.name);
        } else {
            result.outcome = AttachmentLookup::Outcome::Refused;
            result.why = "\"" + entry.name + "\" in the attachments folder is " + entry.kind + ", not a regular file";
        }
        return result;
    };
    // Exact spellings first, across all readings, then the same name to a person.
    for (const auto& reading : readings) {
        std::string safe = SafeAttachmentName(reading);
        if (safe.empty()) continue;
        anySafe = true;
        auto exact = byName_.find(safe);
        if (exact != byName_.end()) return take(exact->second, reading);
    }
    for (const auto& reading : readings) {
        std::string safe = SafeAttachmentName(reading);
        if (safe.empty()) continue;
        auto alike = byKey_.find(platform::FileNameKey(safe));
        if (alike != byKey_.end()) return take(*alike->second, reading);
    }
    if (!readings.empty() && !anySafe) {
        result.outcome = AttachmentLookup::Outcome::Refused;
        result.why = "the name is not a file name that can be looked up safely (a path, a drive or a device name)";
    } else if (!listError_.empty()) {
        result.why = "the attachments folder cannot be read: " + listError_;
    } else {
        result.why = "no file of that name in the attachments folder \"" + path_ + "\"";
    }
    return result;
}

}  // namespace quill
