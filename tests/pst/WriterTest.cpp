#include "platform/File.h"
#include "pst/PstWriter.h"
#include "pst/ndb/NodeDatabase.h"
#include "pst/verify/PstReader.h"
#include "pst/verify/Verifier.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace quill::pst;
namespace verify = quill::pst::verify;

namespace {

class TempDir {
  public:
    TempDir() {
        std::random_device rd;
        path = fs::temp_directory_path() / ("quill-pst-" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(path);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string File(const std::string& name) const { return (path / name).string(); }

  private:
    fs::path path;
};

std::string Pattern(std::size_t n, unsigned seed) {
    std::string s(n, '\0');
    std::mt19937 r(seed);
    for (auto& c : s) c = static_cast<char>(r());
    return s;
}

NewMessage TextMessage(const std::string& subject, bool read = true) {
    NewMessage m;
    m.props.SetString(0x0037, "\x01\x01" + subject);
    m.props.SetString(0x1000, "Body of " + subject);
    m.props.SetInt32(0x0E07, read ? 1 : 0);
    return m;
}

void ExpectValid(const std::string& path) {
    const auto problems = verify::VerifyPst(path);
    EXPECT_TRUE(problems.empty()) << verify::JoinProblems(problems);
}

std::string Subject(const PropertyList& props) { return props.GetStringUtf8(0x0037).substr(2); }

}  // namespace

// Attachment sizes at the data tree's edges: one block, two blocks, a full XBLOCK, and one byte
// more, which needs an XXBLOCK above two XBLOCKs.
TEST(PstWriter, AttachmentsAtDataTreeBoundariesReadBackExactly) {
    TempDir dir;
    const std::string path = dir.File("edges.pst");
    const std::vector<std::size_t> sizes = {0, 3580, 3581, 8176, 8177, 1021 * 8176, 1021 * 8176 + 1};
    {
        PstWriter w(path, "Edges");
        const FolderId f = w.AddFolder(w.TopFolder(), "Sizes");
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            NewMessage m = TextMessage("size " + std::to_string(sizes[i]));
            NewAttachment a;
            a.props.SetString(0x3707, "data.bin");
            a.data = Pattern(sizes[i], static_cast<unsigned>(i));
            m.attachments.push_back(a);
            w.AddMessage(f, m);
        }
        w.Close();
    }
    ExpectValid(path);
    verify::PstReader r(path);
    const auto tree = r.FolderTree();
    ASSERT_EQ(tree.children.size(), 2u);
    const auto messages = r.MessagesOf(tree.children[1].nid);
    ASSERT_EQ(messages.size(), sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const auto m = r.ReadMessage(messages[i]);
        ASSERT_EQ(m.attachments.size(), 1u);
        const std::string want = Pattern(sizes[i], static_cast<unsigned>(i));
        EXPECT_EQ(std::string(m.attachments[0].data.begin(), m.attachments[0].data.end()), want) << "size " << sizes[i];
        EXPECT_EQ(m.props.GetInt32(0x0E07), 0x11u) << "read, with attachment";
        EXPECT_GE(m.attachments[0].props.GetInt32(0x0E20), sizes[i]);
    }
    // The last one's value stream is an XXBLOCK (cLevel 2) over XBLOCKs.
    const auto last = r.ReadMessage(messages.back());
    const auto attachNode = r.Subnode(r.Node(messages.back()), last.attachments[0].subnid);
    const auto streams = r.Subnodes(attachNode);
    ASSERT_EQ(streams.size(), 1u);
    const auto root = r.ReadBlock(streams[0].bidData);
    ASSERT_GE(root.size(), 8u);
    EXPECT_EQ(root[0], 0x01);
    EXPECT_EQ(root[1], 2) << "one byte past a full XBLOCK needs an XXBLOCK";
}

// Streamed content never has to be in memory at once and lands exactly as the source gave it.
TEST(PstWriter, StreamedAttachmentArrivesInUnevenPieces) {
    TempDir dir;
    const std::string path = dir.File("stream.pst");
    const std::string content = Pattern(100000, 7);
    {
        PstWriter w(path, "Stream");
        NewMessage m = TextMessage("streamed");
        NewAttachment a;
        std::size_t at = 0;
        std::size_t step = 1;
        a.source = [&](std::span<std::uint8_t> buffer) {
            const std::size_t n = std::min({content.size() - at, buffer.size(), step});
            std::copy(content.begin() + static_cast<std::ptrdiff_t>(at),
                      content.begin() + static_cast<std::ptrdiff_t>(at + n), buffer.begin());
            at += n;
            step = step * 3 + 1;
            return n;
        };
        m.attachments.push_back(std::move(a));
        w.AddMessage(w.TopFolder(), m);
        w.Close();
    }
    ExpectValid(path);
    verify::PstReader r(path);
    const auto m = r.ReadMessage(r.MessagesOf(0x8022).at(0));
    ASSERT_EQ(m.attachments.size(), 1u);
    EXPECT_EQ(std::string(m.attachments[0].data.begin(), m.attachments[0].data.end()), content);
}

// The NBT's shape at its page boundaries: 15 entries fill one leaf, 16 need an index page; 300
// fill twenty leaves under one index page, 301 need a third level.
TEST(NodeDatabase, NodeTreeGrowsALevelPastFullPages) {
    for (const auto& [count, levels] : {std::pair{15, 1}, {16, 2}, {300, 2}, {301, 3}}) {
        TempDir dir;
        const std::string path = dir.File("nbt.pst");
        {
            quill::platform::OutputFile file(path);
            ndb::NodeDatabase db(file, disk::CryptMethod::Permute);
            db.ReserveNid(ndb::NidType::Internal, 0x400);  // clear of the store's own NIDs
            for (int i = 0; i < count; ++i) {
                const std::string text = "node " + std::to_string(i);
                db.AddNode(db.NextNid(ndb::NidType::Internal),
                           db.WriteDataBlock({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}), 0, 0);
            }
            db.Close();
            file.Close();
        }
        verify::PstReader r(path);
        ASSERT_EQ(r.Nodes().size(), static_cast<std::size_t>(count));
        int nbtLevels = 0;
        for (const auto& p : r.Pages())
            if (p.nbt) nbtLevels = std::max(nbtLevels, p.cLevel + 1);
        EXPECT_EQ(nbtLevels, levels) << count << " nodes";
        for (std::size_t i = 0; i < r.Nodes().size(); ++i)
            EXPECT_EQ(r.ReadNodeData(r.Nodes()[i].nid).data.size(), ("node " + std::to_string(i)).size());
        // Everything but the missing store nodes is in order.
        for (const auto& problem : verify::VerifyPst(path))
            EXPECT_NE(problem.find("missing"), std::string::npos) << problem;
    }
}

// Until Close the file has no header, so nothing takes it for a PST; a writer dropped without
// Close removes its file; an existing file is refused and left as it was.
TEST(PstWriter, IncompleteFilesNeverLookValidAndExistingOnesAreNotReplaced) {
    TempDir dir;
    const std::string path = dir.File("partial.pst");
    {
        PstWriter w(path, "Partial");
        for (int i = 0; i < 300; ++i) w.AddMessage(w.TopFolder(), TextMessage("m" + std::to_string(i)));
        ASSERT_TRUE(fs::exists(path));
        std::ifstream in(path, std::ios::binary);
        char magic[4] = {1, 1, 1, 1};
        in.read(magic, 4);
        EXPECT_TRUE(!in || (magic[0] == 0 && magic[1] == 0 && magic[2] == 0 && magic[3] == 0))
            << "the header is written last";
    }
    EXPECT_FALSE(fs::exists(path)) << "an unclosed PST is removed";

    const std::string existing = dir.File("existing.pst");
    { std::ofstream(existing, std::ios::binary) << "the user's file"; }
    EXPECT_THROW(PstWriter(existing, "X"), PstError);
    std::ifstream in(existing, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "the user's file");
}

// A source that fails halfway leaves blocks on disk that no node owns: the writer must not go on
// to make a file of them, and no file that looks like a PST may remain.
TEST(PstWriter, FailureInsideAMessageStopsTheFileAndRemovesIt) {
    TempDir dir;
    const std::string path = dir.File("broken.pst");
    {
        PstWriter w(path, "Broken");
        w.AddMessage(w.TopFolder(), TextMessage("fine"));
        NewMessage m = TextMessage("fails");
        NewAttachment a;
        int calls = 0;
        a.source = [&](std::span<std::uint8_t> buffer) -> std::size_t {
            if (++calls > 3) throw std::runtime_error("the attachment file went away");
            std::fill(buffer.begin(), buffer.end(), std::uint8_t{7});
            return buffer.size();
        };
        m.attachments.push_back(std::move(a));
        try {
            w.AddMessage(w.TopFolder(), m);
            ADD_FAILURE() << "the failing source went unnoticed";
        } catch (const PstError& e) {
            EXPECT_NE(std::string(e.what()).find("went away"), std::string::npos) << e.what();
        }
        EXPECT_THROW(w.AddMessage(w.TopFolder(), TextMessage("after")), PstError);
        EXPECT_THROW(w.Close(), PstError);
    }
    EXPECT_FALSE(fs::exists(path));
}

TEST(PstWriter, RefusesBadFoldersClearly) {
    TempDir dir;
    PstWriter w(dir.File("folders.pst"), "Folders");
    EXPECT_THROW((void)w.AddFolder(w.TopFolder(), ""), PstError);
    EXPECT_THROW((void)w.AddFolder(w.TopFolder(), std::string(256, 'x')), PstError);
    EXPECT_NO_THROW((void)w.AddFolder(w.TopFolder(), std::string(255, 'x')));
    EXPECT_THROW((void)w.AddFolder(0x12345, "Orphan"), PstError);
    try {
        w.AddMessage(0x12345, TextMessage("lost"));
        ADD_FAILURE() << "a message for an unknown folder was accepted";
    } catch (const PstError& e) {
        EXPECT_NE(std::string(e.what()).find("folders.pst"), std::string::npos) << e.what();
    }
    const FolderId inbox = w.AddFolder(w.TopFolder(), "Inbox");
    EXPECT_EQ(w.FindFolder(w.TopFolder(), "INBOX"), inbox);
    EXPECT_FALSE(w.FindFolder(w.TopFolder(), "Outbox").has_value());
    w.Close();
}

// Nested folders with Unicode names, read and unread mail: counts, flags and the hierarchy as
// the tables and the objects both tell them.
TEST(PstWriter, FolderTreeCountsAndUnicodeNamesAgreeWithTheObjects) {
    TempDir dir;
    const std::string path = dir.File("tree.pst");
    {
        PstWriter w(path, "Ящик для писем");
        const FolderId a = w.AddFolder(w.TopFolder(), "Входящие");
        const FolderId b = w.AddFolder(a, "Grüße 😀");
        for (int i = 0; i < 5; ++i) w.AddMessage(a, TextMessage("a" + std::to_string(i), i % 2 == 0));
        w.AddMessage(b, TextMessage("RE: Привет", false));
        w.Close();
    }
    ExpectValid(path);
    verify::PstReader r(path);
    EXPECT_EQ(r.ReadPropertyContext(0x21).GetStringUtf8(0x3001), "Ящик для писем");
    const auto tree = r.FolderTree();
    ASSERT_EQ(tree.children.size(), 2u);
    const auto& a = tree.children[1];
    EXPECT_EQ(a.props.GetStringUtf8(0x3001), "Входящие");
    EXPECT_EQ(a.props.GetInt32(0x3602), 5u);
    EXPECT_EQ(a.props.GetInt32(0x3603), 2u);
    ASSERT_EQ(a.children.size(), 1u);
    EXPECT_EQ(a.children[0].props.GetStringUtf8(0x3001), "Grüße 😀");
    const auto m = r.ReadMessage(r.MessagesOf(a.children[0].nid).at(0));
    EXPECT_EQ(Subject(m.props), "RE: Привет");
    EXPECT_EQ(m.props.GetInt32(0x0E07), 0u) << "unread, no attachment";
}

namespace {

// Level 0 holds level 1 as an attached mail, level 1 holds level 2 and a 10 KB file, level 2
// holds a small file: embedded messages nested two deep, each with its own bytes.
NewMessage Nested(int level) {
    NewMessage m = TextMessage("level " + std::to_string(level));
    for (std::uint16_t id : {0x0C1A, 0x0042}) m.props.SetString(id, "Sender " + std::to_string(level));
    for (std::uint16_t id : {0x0C1F, 0x0065}) m.props.SetString(id, "sender@example.org");
    for (std::uint16_t id : {0x0C1E, 0x0064}) m.props.SetString(id, "SMTP");
    PropertyList to;
    to.SetString(0x3001, "Reader " + std::to_string(level));
    to.SetString(0x39FE, "reader@example.org");
    m.recipients.push_back(to);
    if (level < 2) {
        NewAttachment mail;
        mail.props.SetString(0x3001, "level " + std::to_string(level + 1));
        mail.embedded = std::make_shared<NewMessage>(Nested(level + 1));
        m.attachments.push_back(std::move(mail));
    }
    NewAttachment file;
    file.props.SetString(0x3707, "file" + std::to_string(level) + ".bin");
    file.data = Pattern(level == 1 ? 10000 : 300, static_cast<unsigned>(level));
    m.attachments.push_back(std::move(file));
    return m;
}

}  // namespace

// An attached mail is a message object in its attachment (attach method 5), with its own
// recipients and attachments, as deep as it nests; sizes count everything below.
TEST(PstWriter, EmbeddedMessagesNestAndReadBackWholly) {
    TempDir dir;
    const std::string path = dir.File("nested.pst");
    {
        PstWriter w(path, "Nested");
        w.AddMessage(w.AddFolder(w.TopFolder(), "Inbox"), Nested(0));
        w.Close();
    }
    ExpectValid(path);
    const verify::PstReader r(path);
    const auto top = r.FolderTree();
    const verify::Message m = r.ReadMessage(r.MessagesOf(top.children.back().nid).at(0));
    const verify::Message* at = &m;
    for (int level = 0; level <= 2; ++level) {
        SCOPED_TRACE(level);
        EXPECT_EQ(Subject(at->props), "level " + std::to_string(level));
        EXPECT_EQ(at->props.GetStringUtf8(0x1000), "Body of level " + std::to_string(level));
        EXPECT_EQ(at->props.GetStringUtf8(0x0C1A), "Sender " + std::to_string(level));
        ASSERT_EQ(at->recipients.size(), 1u);
        ASSERT_EQ(at->attachments.size(), level < 2 ? 2u : 1u);
        const verify::Attachment& file = at->attachments.back();
        const std::string bytes(file.data.begin(), file.data.end());
        EXPECT_EQ(bytes, Pattern(level == 1 ? 10000 : 300, static_cast<unsigned>(level)));
        if (level == 2) break;
        const verify::Attachment& mail = at->attachments.front();
        EXPECT_EQ(mail.props.GetInt32(0x3705), 5u);
        ASSERT_EQ(mail.embedded.size(), 1u);
        at = &mail.embedded[0];
    }
#ifndef _WIN32
    // libpff (pffexport walks embedded items; this pypff has no call for them) and libpst (readpst
    // writes each embedded message as a message/rfc822 part): every level's subject, sender, body
    // and file, digested the same way.
    std::string expected;
    for (int level = 0; level <= 2; ++level) {
        const std::string data = Pattern(level == 1 ? 10000 : 300, static_cast<unsigned>(level));
        expected += "level " + std::to_string(level) + "|Sender " + std::to_string(level) + "|Body of level " +
                    std::to_string(level) + "|" + std::to_string(data.size()) + "\n";
    }
    const std::string script = dir.File("nested.py");
    {
        std::ofstream py(script);
        py << R"PY(import email, email.policy, os, re, subprocess, sys
path, work = sys.argv[1], sys.argv[2]
os.makedirs(work, exist_ok=True)
out = []
# libpff: Message00001/Attachments/Attachment00001/Message00001/...
subprocess.run(["pffexport", "-q", "-f", "all", "-t", work + "/pff", path], check=True, capture_output=True)
d = work + "/pff.export/Top of Personal Folders/Inbox/Message00001"
while d:
    head = open(d + "/OutlookHeaders.txt", encoding="utf-8", errors="replace").read()
    subject = re.search(r"Subject:\s*(.*)", head).group(1).strip()
    sender = re.search(r"Sender name:\s*(.*)", head).group(1).strip()
    body = open(d + "/Message.txt", "rb").read().decode("utf-8", "replace").strip("\ufeff\x00\r\n ")
    files = [f for f in os.listdir(d + "/Attachments") if os.path.isfile(d + "/Attachments/" + f)]
    size = os.path.getsize(d + "/Attachments/" + files[0]) if len(files) == 1 else -1
    out.append("%s|%s|%s|%d" % (subject, sender, body, size))
    nxt = d + "/Attachments/Attachment00001/Message00001"
    d = nxt if os.path.isdir(nxt) else None
print("pff " + ";".join(out))
out = []
os.makedirs(work + "/rp")
subprocess.run(["readpst", "-j", "0", "-q", "-D", "-8", "-e", "-o", work + "/rp", path], check=True, capture_output=True)
emls = [os.path.join(r, f) for r, _, fs in os.walk(work + "/rp") for f in fs if f.endswith(".eml")]
m = email.message_from_binary_file(open(emls[0], "rb"), policy=email.policy.default)
while m is not None:
    body, size, inner = "", -1, None
    for part in m.walk():
        if part.get_content_type() == "message/rfc822":
            # readpst starts an embedded message with an mbox ">From " line: drop it, then parse.
            raw = part.as_bytes().split(b"\n\n", 1)[1].lstrip(b"\r\n")
            if raw.startswith(b">From "): raw = raw.split(b"\n", 1)[1]
            inner = email.message_from_bytes(raw, policy=email.policy.default)
            break
    for part in m.iter_parts():
        if part.get_content_type() == "text/plain" and not part.get_filename(): body = part.get_content().strip()
        elif part.get_filename(): size = len(part.get_payload(decode=True))
    out.append("%s|%s|%s|%d" % (m["subject"], m["from"].addresses[0].display_name if m["from"] else "", body, size))
    m = inner
print("rp " + ";".join(out))
)PY";
    }
    FILE* p = popen(("/usr/bin/python3 '" + script + "' '" + path + "' '" + dir.File("x") + "' 2>&1").c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string got;
    char line[4096];
    while (fgets(line, sizeof line, p) != nullptr) got += line;
    EXPECT_EQ(pclose(p), 0) << got;
    std::string flat = expected;
    std::replace(flat.begin(), flat.end(), '\n', ';');
    flat.pop_back();
    EXPECT_NE(got.find("pff " + flat + "\n"), std::string::npos) << got;
    EXPECT_NE(got.find("rp " + flat + "\n"), std::string::npos) << got;
#endif
}

#ifndef _WIN32
// libpff is known to lose messages of big folders when the tables are wrong: 25,000 messages
// in one folder, counted through the real reader.
TEST(PstWriter, TwentyFiveThousandMessagesInOneFolderAllReadBack) {
    if (std::system("/usr/bin/python3 -c 'import pypff' >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "pypff is not installed";
    TempDir dir;
    const std::string path = dir.File("big.pst");
    constexpr int kMessages = 25000;
    {
        PstWriter w(path, "Big");
        const FolderId f = w.AddFolder(w.TopFolder(), "Everything");
        for (int i = 0; i < kMessages; ++i) w.AddMessage(f, TextMessage("message " + std::to_string(i), i % 3 != 0));
        w.Close();
    }
    ExpectValid(path);
    const std::string script = dir.File("count.py");
    {
        std::ofstream py(script);
        py << "import pypff, sys\n"
              "f = pypff.file(); f.open(sys.argv[1])\n"
              "top = [s for s in f.get_root_folder().sub_folders if s.name == 'Top of Personal Folders'][0]\n"
              "box = [s for s in top.sub_folders if s.name == 'Everything'][0]\n"
              "subjects = set(m.subject for m in box.sub_messages)\n"
              "print(box.number_of_sub_messages, len(subjects))\n";
    }
    FILE* p = popen(("/usr/bin/python3 '" + script + "' '" + path + "'").c_str(), "r");
    ASSERT_NE(p, nullptr);
    char line[128] = {};
    ASSERT_NE(fgets(line, sizeof line, p), nullptr);
    EXPECT_EQ(pclose(p), 0);
    EXPECT_EQ(std::string(line), std::to_string(kMessages) + " " + std::to_string(kMessages) + "\n");
}
#endif
