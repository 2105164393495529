#include "pst/PstWriter.h"

#include "platform/File.h"
#include "pst/messaging/Folders.h"
#include "pst/messaging/Messages.h"
#include "pst/messaging/NodeWriting.h"
#include "pst/messaging/PropertyTags.h"
#include "pst/messaging/Store.h"
#include "pst/messaging/Templates.h"
#include "pst/ndb/NodeDatabase.h"

#include <array>
#include <chrono>
#include <random>
#include <stdexcept>

namespace quill::pst {

using ndb::Nid;
using ndb::NidType;

class PstWriter::Impl {
  public:
    Impl(const std::string& path, std::string_view storeName);

    void AddMessage(FolderId folder, const NewMessage& message);
    void Close();
    void CheckOpen() const;

    platform::OutputFile file;
    ndb::NodeDatabase db;
    messaging::FolderTree folders;
    std::string storeName;
    std::array<std::uint8_t, 16> recordKey{};
    std::mt19937_64 random;
    bool closed = false;
    std::string failure;  // set once a write may have been left half done
    Nid writing = 0;      // the node being written, for the context of a failure

  private:
    std::array<std::uint8_t, 16> RandomKey();
};

PstWriter::Impl::Impl(const std::string& path, std::string_view name)
    : file(path), db(file, disk::CryptMethod::Permute), folders(db), storeName(name) {
    std::random_device rd;
    random.seed((static_cast<std::uint64_t>(rd()) << 32) ^ rd() ^
                static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    recordKey = RandomKey();
}

std::array<std::uint8_t, 16> PstWriter::Impl::RandomKey() {
    std::array<std::uint8_t, 16> k{};
    for (std::size_t i = 0; i < 16; i += 8) {
        const std::uint64_t v = random();
        for (std::size_t b = 0; b < 8; ++b) k[i + b] = static_cast<std::uint8_t>(v >> (8 * b));
    }
    return k;
}

void PstWriter::Impl::CheckOpen() const {
    if (closed) throw PstError("the file is already closed");
}

void PstWriter::Impl::AddMessage(FolderId folderId, const NewMessage& message) {
    CheckOpen();
    messaging::Folder& folder = folders.MessageFolder(folderId);
    Nid nid = 0;
    try {
        nid = db.NextNid(NidType::NormalMessage);
    } catch (const std::length_error&) {
        throw PstError(
            "too many messages for one PST file",
            {.nodeId = folderId, .expected = "at most " + std::to_string(ndb::kMaxNidIndex) + " message NIDs"});
    }
    writing = nid;
    const messaging::WrittenMessage written =
        messaging::WriteMessage(db, nid, folder.nid, message, FileTimeFromUnix(kUndatedMessageTime),
                                [this] { return RandomKey(); });
    folder.contents->Table().AddRow(nid, messaging::RowFrom(written.props, messaging::ContentsColumns()));
    ++folder.count;
    if ((written.flags & kMfRead) == 0) ++folder.unread;
}

void PstWriter::Impl::Close() {
    if (closed) return;
    closed = true;
    writing = messaging::kNidMessageStore;
    messaging::WriteStoreNodes(db, recordKey, storeName);
    writing = messaging::kNidRootFolder;
    folders.Write();
    writing = messaging::kNidSpamSearchFolder;
    messaging::WriteSearchAndTemplateNodes(db);
    writing = 0;
    db.Close();
    file.Close();
}

// ---------------------------------------------------------------------------------------------

namespace {

// The writer's one error boundary: every failure leaves as a PstError that names the file and
// carries what is known of the place (the layer's own context, completed by the node being
// written and where the file stood). A refusal (a PstError from the writer itself) leaves the
// file as it was; any other failure may have left bytes half written, so the writer then refuses
// everything, and the file is removed when the writer goes away.
template <class Impl, class F>
auto Guarded(Impl* impl, const std::string& path, F&& f) -> decltype(f()) {
    if (impl != nullptr && !impl->failure.empty())
        throw PstError(path + ": the file is incomplete after an earlier failure (" + impl->failure +
                       ") and will be removed");
    if (impl != nullptr) impl->writing = 0;
    auto place = [&](PstErrorContext context) {
        if (impl != nullptr) {
            PstErrorContext known;
            if (impl->writing != 0) known.nodeId = impl->writing;
            known.offset = impl->db.FileOffset();
            context.Complete(known);
        }
        return context;
    };
    try {
        return f();
    } catch (const PstError& e) {
        throw PstError(path + ": " + e.Message(), e.Context());
    } catch (const platform::FileError& e) {
        if (impl != nullptr) impl->failure = e.what();
        PstErrorContext context;
        context.offset = e.offset();
        throw PstError(e.what(), place(context));
    } catch (const std::exception& e) {
        if (impl != nullptr) impl->failure = e.what();
        throw PstError("cannot write the PST file " + path + ": " + e.what(), place(ContextOf(e)));
    }
}

}  // namespace

PstWriter::PstWriter(const std::string& path, std::string_view storeDisplayName) {
    Guarded(static_cast<Impl*>(nullptr), path, [&] {
        impl = std::make_unique<Impl>(path, storeDisplayName);
        return 0;
    });
}

PstWriter::~PstWriter() = default;

FolderId PstWriter::TopFolder() const { return messaging::kNidIpmSubtree; }

FolderId PstWriter::AddFolder(FolderId parent, std::string_view name, std::string_view containerClass) {
    return Guarded(impl.get(), impl->file.Path(), [&] {
        impl->CheckOpen();
        return impl->folders.Add(parent, name, containerClass);
    });
}

std::optional<FolderId> PstWriter::FindFolder(FolderId parent, std::string_view name) const {
    return impl->folders.Find(parent, name);
}

void PstWriter::AddMessage(FolderId folder, const NewMessage& message) {
    Guarded(impl.get(), impl->file.Path(), [&] {
        impl->AddMessage(folder, message);
        return 0;
    });
}

void PstWriter::Close() {
    Guarded(impl.get(), impl->file.Path(), [&] {
        impl->Close();
        return 0;
    });
}

const std::string& PstWriter::Path() const { return impl->file.Path(); }

std::uint64_t PstWriter::BytesWritten() const { return impl->db.FileOffset(); }

}  // namespace quill::pst
