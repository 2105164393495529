// Stores that carry their own index: every message exactly where the index
// puts it, the check that keeps a damaged index from being believed, and
// the bytes no record covers.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>

#include "store/ImhIndex.h"
#include "store/IndexedContainer.h"
#include "store/StoreIndex.h"
#include "tools/IndexedStoreGenerator.h"

namespace quill {
namespace {

namespace fs = std::filesystem;
using gen::Generation;

fs::path FreshDir(const std::string& name) {
    fs::path p = fs::path(::testing::TempDir()) / ("quill_index_" + name);
    fs::remove_all(p);
    return p;
}

std::string ReadAll(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void WriteAll(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

struct Delivered {
    std::vector<StoreMessage> messages;
    ContainerRead read;
};

Delivered Read(const StoreIndex& index, const std::string& entry) {
    Delivered d;
    const StoreContainer* c = index.Find(entry);
    EXPECT_NE(c, nullptr) << entry;
    if (c) d.read = ReadStoreContainer(index, *c, false, [&](StoreMessage& m) { d.messages.push_back(m); });
    return d;
}

const char* Name(Generation g) { return g == Generation::Xe ? "xe" : g == Generation::Im2 ? "im2" : "im25"; }

TEST(IndexedStore, EveryGenerationDeliversEveryMessageExactly) {
    for (Generation g : {Generation::Xe, Generation::Im2, Generation::Im25}) {
        for (std::uint64_t seed : {1u, 2u}) {
            SCOPED_TRACE(std::string(Name(g)) + " seed " + std::to_string(seed));
            const fs::path dir = FreshDir(std::string("exact_") + Name(g) + std::to_string(seed));
            const gen::IndexedStore expected = gen::WriteIndexedStore(dir.string(), {seed, g, 12});
            const StoreIndex index = StoreIndex::Open(dir.string());
            EXPECT_EQ(IndexKindName(index.Kind()), expected.index);
            EXPECT_EQ(index.Error(), "");
            ASSERT_EQ(index.Containers().size(), expected.containers.size());
            for (std::size_t ci = 0; ci < expected.containers.size(); ++ci) {
                const auto& want = expected.containers[ci];
                SCOPED_TRACE(want.entry);
                // A tree lists in its own order; without one the folder's order stands.
                if (index.HasTree()) {
                    EXPECT_EQ(index.Containers()[ci].entry, want.entry);
                }
                const StoreContainer* found = index.Find(want.entry);
                ASSERT_NE(found, nullptr);
                const StoreContainer& c = *found;
                EXPECT_EQ(c.folderPath, want.folderPath);
                Delivered got = Read(index, c.entry);
                EXPECT_EQ(got.read.way, ContainerRead::Way::Index) << got.read.fellBackWhy;
                EXPECT_TRUE(got.read.complete) << got.read.error;
                std::size_t next = 0, leftovers = 0, missing = 0;
                for (const auto& m : want.messages) {
                    if (m.missing) {
                        ++missing;
                        continue;
                    }
                    ASSERT_LT(next, got.messages.size());
                    const StoreMessage& d = got.messages[next++];
                    EXPECT_EQ(d.text, m.text) << "message " << d.number;
                    EXPECT_EQ(d.deleted, m.deleted) << "message " << d.number;
                    EXPECT_EQ(d.fromIndex, m.fromIndex) << "message " << d.number;
                    EXPECT_EQ(d.offset, m.offset) << "message " << d.number;
                    EXPECT_EQ(!d.file.empty(), !m.file.empty()) << "message " << d.number;
                    leftovers += !m.fromIndex;
                }
                EXPECT_EQ(next, got.messages.size());
                EXPECT_EQ(got.read.unread.size(), missing);
                EXPECT_EQ(got.read.gaps.size(), leftovers) << "each leftover is a gap of its own";
            }
        }
    }
}

// The layout of one .imh record, written independently of the generator.
std::string ImhRecord(const std::string& lead, bool wide, unsigned char status, std::uint32_t size,
                      std::uint32_t offset, const std::string& subject = "s") {
    auto u32 = [](std::uint32_t v) {
        std::string b;
        for (int i = 0; i < 4; ++i) b += static_cast<char>((v >> (8 * i)) & 0xff);
        return b;
    };
    auto str = [&](const std::string& t) {
        std::string b = u32(static_cast<std::uint32_t>(t.size()));
        for (char c : t) b += wide ? std::string{c, '\0'} : std::string(1, c);
        return b;
    };
    std::string r = lead + std::string("\x3C\x12\x08\x49\x17\x09\x45\x3E", 8);
    r += static_cast<char>(status);
    r += std::string(25, '\0');
    r += str("to@x") + str("from@x") + str(subject) + u32(1) + u32(2) + u32(0) + str("pop");
    r += std::string(6, '\0') + u32(size) + u32(offset) + u32(0);
    return r;
}

TEST(ImhParse, RecordsAreReadOrRefusedWhole) {
    const std::string narrow =
        ImhRecord("V#04", false, 1, 10, 20) + ImhRecord(std::string(4, '\0'), false, 2, 30, 0, "abc");
    const std::string wide = ImhRecord("V#05", true, 2, 5, 7) + ImhRecord(std::string(4, '\0'), true, 1, 8, 12);
    std::string hugeLength = ImhRecord("V#05", true, 1, 1, 1);
    hugeLength.replace(38, 4, "\xff\xff\xff\xff");
    struct Case {
        const char* name;
        std::string bytes;
        bool ok;
        std::vector<std::pair<std::uint64_t, std::uint64_t>> offsetSize;
        std::vector<bool> deleted;
        const char* error;
    } cases[] = {
        {"empty file: no messages", "", true, {}, {}, ""},
        {"8-bit strings", narrow, true, {{20, 10}, {0, 30}}, {false, true}, ""},
        {"UTF-16 strings", wide, true, {{7, 5}, {12, 8}}, {true, false}, ""},
        {"tag alone", "V#05", false, {}, {}, "cut short"},
        {"last record truncated", wide.substr(0, wide.size() - 3), false, {}, {}, "record 2 is cut short"},
        {"magic damaged",
         wide.substr(0, wide.size() / 2 + 5) + "?" + wide.substr(wide.size() / 2 + 6),
         false,
         {},
         {},
         "record 2 lacks the record magic"},
        {"string length past the end", hugeLength, false, {}, {}, "string past the end"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ImhParse parsed = ParseImh(c.bytes);
        EXPECT_EQ(parsed.ok, c.ok) << parsed.error;
        EXPECT_NE(parsed.error.find(c.error), std::string::npos) << parsed.error;
        ASSERT_EQ(parsed.records.size(), c.offsetSize.size());
        for (std::size_t i = 0; i < parsed.records.size(); ++i) {
            EXPECT_EQ(parsed.records[i].record, static_cast<int>(i + 1));
            EXPECT_EQ(parsed.records[i].offset, c.offsetSize[i].first);
            EXPECT_EQ(parsed.records[i].size, c.offsetSize[i].second);
            EXPECT_EQ(parsed.records[i].deleted, c.deleted[i]);
            // Sent 1, received 2: the index's time of the message is the received one.
            EXPECT_EQ(parsed.records[i].sentTime, std::optional<std::int64_t>(1));
            EXPECT_EQ(IndexTime(parsed.records[i]), std::optional<std::int64_t>(2));
        }
    }
}

IndexEntry Entry(int record, std::uint64_t offset, std::uint64_t size, bool deleted) {
    IndexEntry e;
    e.record = record;
    e.offset = offset;
    e.size = size;
    e.deleted = deleted;
    return e;
}

class MemorySource : public ByteSource {
  public:
    explicit MemorySource(std::string bytes) : bytes_(std::move(bytes)) {}
    std::uint64_t Size() override { return bytes_.size(); }
    void ReadAt(std::uint64_t offset, char* buffer, std::size_t n) override {
        ASSERT_LE(offset + n, bytes_.size());
        std::copy_n(bytes_.data() + offset, n, buffer);
    }

  private:
    std::string bytes_;
};

// Every byte of the container is in exactly one delivered message or is blank padding.
void ExpectNothingLost(const std::string& container, const std::vector<StoreMessage>& messages,
                       const ContainerRead& read) {
    std::uint64_t covered = read.paddingBytes;
    std::uint64_t end = 0;
    for (const auto& m : messages) {
        if (!m.file.empty()) continue;
        EXPECT_GE(m.offset, end) << "message " << m.number << " out of order";
        EXPECT_EQ(container.substr(static_cast<std::size_t>(m.offset), m.text.size()), m.text)
            << "message " << m.number;
        end = m.offset + m.text.size();
        covered += m.text.size();
    }
    EXPECT_EQ(covered, container.size());
}

TEST(IndexedDelivery, BytesNoRecordCoversGoThroughTheCutAndAreReported) {
    const std::string a = "Return-Path: <a@x>\r\nSubject: a\r\n\r\nbody a\r\n";
    const std::string b = "Return-Path: <b@x>\r\nSubject: b\r\n\r\nbody b\r\n";
    const std::string c = "Return-Path: <c@x>\r\nSubject: c\r\n\r\nbody c\r\n";
    const std::string d = "Subject: d, no marker at all\r\n\r\nbody d\r\n";
    const std::string junk = "junk that is no message\r\n";
    const std::string fragment = "tail of a message overwritten\r\n\r\n";
    const std::string container = junk + a + "\r\n\r\n" + fragment + b + c + d + "\r\n";
    std::vector<IndexEntry> records = {
        Entry(1, junk.size() + a.size() + 4 + fragment.size() + b.size() + c.size(), d.size(), true),
        Entry(2, junk.size(), a.size(), false)};
    MemorySource source(container);
    ASSERT_EQ(CheckRecords(records, source), "");

    std::vector<StoreMessage> got;
    ContainerRead read;
    IndexedDelivery how;
    how.container = &source;
    how.marker = "return-path:";
    DeliverIndexed(
        records, how, [&](StoreMessage& m) { got.push_back(m); }, read);

    const std::vector<std::pair<std::string, bool>> want = {{junk, false}, {a, true},  {fragment, false},
                                                            {b, false},    {c, false}, {d, true}};
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].number, static_cast<int>(i + 1));
        EXPECT_EQ(got[i].text, want[i].first) << i;
        EXPECT_EQ(got[i].fromIndex, want[i].second) << i;
    }
    EXPECT_TRUE(got[5].deleted);
    EXPECT_EQ(read.exact, 2u);
    EXPECT_EQ(read.deleted, 1u);
    EXPECT_EQ(read.cut, 4u);
    ASSERT_EQ(read.gaps.size(), 2u);
    EXPECT_EQ(read.gaps[0].offset, 0u);
    EXPECT_EQ(read.gaps[0].messages, 1);
    EXPECT_EQ(read.gaps[1].firstNumber, 3);
    EXPECT_EQ(read.gaps[1].messages, 3);
    EXPECT_EQ(read.paddingBytes, 6u);
    ExpectNothingLost(container, got, read);
}

TEST(IndexCheck, RecordsThatDoNotFitTheContainerAreRefused) {
    const std::string m1 = "From: a\r\n\r\nx\r\n";
    const std::string m2 = "From: b\r\n\r\ny\r\n";
    MemorySource source(m1 + m2);
    const std::uint64_t n = m1.size(), total = m1.size() + m2.size();
    struct Case {
        const char* name;
        std::vector<std::pair<std::uint64_t, std::uint64_t>> offsetSize;
        const char* why;
    } cases[] = {
        {"both fit", {{0, n}, {n, total - n}}, ""},
        {"past the end", {{0, n}, {n, total - n + 1}}, "reaches past the end"},
        {"offset near 2^64", {{UINT64_MAX - 1, 4}}, "reaches past the end"},
        {"overlap", {{0, n + 1}, {n, total - n}}, "overlaps"},
        {"empty record", {{0, 0}}, "is empty"},
        {"not at a header line", {{0, n}, {n + 9, total - n - 9}}, "does not begin with a header line"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<IndexEntry> records;
        for (const auto& [offset, size] : c.offsetSize)
            records.push_back(Entry(static_cast<int>(records.size() + 1), offset, size, false));
        const std::string why = CheckRecords(records, source);
        if (*c.why == 0)
            EXPECT_EQ(why, "");
        else
            EXPECT_NE(why.find(c.why), std::string::npos) << why;
    }
}

std::uint32_t U32(const std::string& s, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(s[at + static_cast<std::size_t>(i)]);
    return v;
}

void PutU32(std::string& s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xff);
}

void Sql(const fs::path& db, const std::string& statement) {
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(db.string().c_str(), &h), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(h, statement.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(h);
    sqlite3_close(h);
}

TEST(IndexCheck, DamagedIndexFallsBackToTheCutAndLosesNothing) {
    struct Case {
        const char* name;
        Generation generation;
        const char* entry;
        std::function<void(const fs::path&)> damage;
        const char* why;
    } cases[] = {
        {"wrong magic", Generation::Xe, "Inbox.imm",
         [](const fs::path& dir) {
             std::string imh = ReadAll(dir / "Inbox.imh");
             const std::size_t second = imh.find("\x3C\x12\x08\x49", 8);
             imh[second] = 'X';
             WriteAll(dir / "Inbox.imh", imh);
         },
         "lacks the record magic"},
        {"offset past the end", Generation::Xe, "Inbox.imm",
         [](const fs::path& dir) {
             std::string imh = ReadAll(dir / "Inbox.imh");
             PutU32(imh, imh.size() - 8, static_cast<std::uint32_t>(fs::file_size(dir / "Inbox.imm")));
             WriteAll(dir / "Inbox.imh", imh);
         },
         "reaches past the end"},
        {"truncated .imh", Generation::Xe, "Sent Items.imm",
         [](const fs::path& dir) {
             std::string imh = ReadAll(dir / "Sent Items.imh");
             WriteAll(dir / "Sent Items.imh", imh.substr(0, imh.size() - 10));
         },
         "is cut short"},
        {"record inside a body", Generation::Xe, "Drafts.imm",
         [](const fs::path& dir) {
             std::string imh = ReadAll(dir / "Drafts.imh");
             const std::string imm = ReadAll(dir / "Drafts.imm");
             const std::size_t body = imm.find("\r\n\r\n", U32(imh, imh.size() - 8)) + 4;
             PutU32(imh, imh.size() - 12, 10);
             PutU32(imh, imh.size() - 8, static_cast<std::uint32_t>(body));
             WriteAll(dir / "Drafts.imh", imh);
         },
         "does not begin with a header line"},
        {"rows that overlap", Generation::Im2, "Folder3.imm",
         [](const fs::path& dir) {
             Sql(dir / "Containers.db",
                 "UPDATE Headers SET LightMsgSize = LightMsgSize + 40 WHERE MsgPos = 0 AND ContainerID = '3'");
         },
         "overlaps"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path dir = FreshDir(std::string("damaged_") + std::to_string(&c - cases));
        (void)gen::WriteIndexedStore(dir.string(), {3, c.generation, 12});
        c.damage(dir);
        const StoreIndex index = StoreIndex::Open(dir.string());
        Delivered got = Read(index, c.entry);
        EXPECT_EQ(got.read.way, ContainerRead::Way::FellBack);
        EXPECT_NE(got.read.fellBackWhy.find(c.why), std::string::npos) << got.read.fellBackWhy;
        EXPECT_GT(got.messages.size(), 0u);
        EXPECT_EQ(got.read.exact, 0u);
        ExpectNothingLost(ReadAll(dir / c.entry), got.messages, got.read);
        // The other containers keep their index.
        for (const auto& other : index.Containers())
            if (other.entry != c.entry) {
                EXPECT_EQ(Read(index, other.entry).read.way, ContainerRead::Way::Index);
            }
    }
}

TEST(IndexCheck, ADatabaseThatIsNotSqliteLeavesEveryContainerToTheCut) {
    const fs::path dir = FreshDir("not_sqlite");
    (void)gen::WriteIndexedStore(dir.string(), {4, Generation::Im2, 12});
    WriteAll(dir / "Containers.db", std::string(4096, 'x'));
    const StoreIndex index = StoreIndex::Open(dir.string());
    EXPECT_EQ(index.Kind(), IndexKind::None);
    EXPECT_NE(index.Error().find("Containers.db"), std::string::npos) << index.Error();
    EXPECT_EQ(index.Found(), (std::vector<IndexKind>{IndexKind::ContainersDb, IndexKind::Imh}));
    EXPECT_FALSE(index.HasTree());
    ASSERT_EQ(index.Containers().size(), 5u);
    for (const auto& c : index.Containers()) {
        Delivered got = Read(index, c.entry);
        EXPECT_EQ(got.read.way, ContainerRead::Way::Cut);
        EXPECT_GT(got.messages.size(), 0u);
    }
}

TEST(StoreDatabase, ReadsWithoutChangingLockingOrJournalingTheFile) {
    // Characters a URI would take for its own: the path must still name the file.
    std::string name = "odd #1 %41 name";
#ifndef _WIN32
    name += "?x=1";
#endif
    const fs::path dir = FreshDir("immutable") / name;
    fs::create_directories(dir);
    const fs::path path = dir / "Containers.db";
    Sql(path,
        "CREATE TABLE Containers (ContainerID, ParentContainerID, Label, FileName);"
        "CREATE TABLE Headers (ContainerID, MsgPos, LightMsgSize, Deleted);"
        "INSERT INTO Containers VALUES (1, '', 'Inbox', 'Inbox');"
        "INSERT INTO Headers VALUES (1, 0, 10, 0);");
    const std::string before = ReadAll(path);
    const auto modified = fs::last_write_time(path);

    // The mail program holds the file, in the middle of writing to it.
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(path.string().c_str(), &writer), SQLITE_OK);
    ASSERT_EQ(
        sqlite3_exec(writer, "BEGIN EXCLUSIVE; INSERT INTO Headers VALUES (1, 10, 5, 1);", nullptr, nullptr, nullptr),
        SQLITE_OK);
    {
        StoreDatabase db(path.string());
        const auto headers = db.Headers();
        ASSERT_EQ(headers.size(), 1u) << "only what the file holds";
        EXPECT_EQ(headers[0].size, 10);
        EXPECT_EQ(db.Containers().at(0).label, "Inbox");
    }
    sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(writer);

    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(fs::last_write_time(path), modified);
    for (const char* suffix : {"-journal", "-wal", "-shm"}) EXPECT_FALSE(fs::exists(path.string() + suffix)) << suffix;
}

TEST(StoreIndex, OddTreesAndRowsStayConvertibleAndInsideTheStore) {
    const fs::path dir = FreshDir("odd_tree");
    fs::create_directories(dir);
    Sql(dir / "MessageStore.db",
        "CREATE TABLE Containers (ContainerID, ParentContainerID, IndexInParent, Label, FileName);"
        "CREATE TABLE Headers (HeaderID, ContainerID, MsgPos, LightMsgSize, Deleted, Location);"
        // C under B under A; D's parent is missing; E and F are each other's parent;
        // G and H share a label; I has no file and no messages.
        "INSERT INTO Containers VALUES ('c', 'b', 0, 'C', 'fc'), ('a', '', 0, 'A', 'fa'), ('b', 'a', 0, 'B', 'fb'),"
        " ('d', 'zz', 1, 'D', 'fd'), ('e', 'f', 2, 'E', 'fe'), ('f', 'e', 3, 'F', 'ff'),"
        " ('g', '', 4, 'Inbox', 'fg'), ('h', '', 5, 'inbox', 'fh'), ('i', '', 6, 'I', '');"
        "INSERT INTO Headers VALUES ('..', 'a', 0, 0, 0, '1'), ('ok', 'a', 0, 0, 0, '..'),"
        " ('m1', 'a', 0, 0, 1, 1);");
    const StoreIndex index = StoreIndex::Open(dir.string());
    ASSERT_EQ(index.Kind(), IndexKind::MessageStoreDb);
    std::vector<std::pair<std::string, std::vector<std::string>>> listed;
    for (const auto& c : index.Containers()) listed.emplace_back(c.entry, c.folderPath);
    const std::vector<std::pair<std::string, std::vector<std::string>>> want = {
        {"fa.imm", {"A"}}, {"fb.imm", {"A", "B"}}, {"fc.imm", {"A", "B", "C"}}, {"fd.imm", {"D"}},
        {"fe.imm", {"E"}}, {"ff.imm", {"F"}},      {"fg.imm", {"Inbox"}},       {"fh.imm", {"inbox (2)"}}};
    EXPECT_EQ(listed, want);

    // Names from the database never lead out of the store; the missing file is told.
    Delivered got = Read(index, "fa.imm");
    EXPECT_TRUE(got.messages.empty());
    ASSERT_EQ(got.read.unread.size(), 3u);
    EXPECT_NE(got.read.unread[0].why.find("do not name a folder inside the store"), std::string::npos);
    EXPECT_NE(got.read.unread[1].why.find("do not name a folder inside the store"), std::string::npos);
    EXPECT_EQ(fs::path(got.read.unread[2].file).parent_path().filename(), "m1");
}

}  // namespace
}  // namespace quill
