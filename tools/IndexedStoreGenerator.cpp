#include "tools/IndexedStoreGenerator.h"

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <stdexcept>

namespace quill::gen {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kReference = "----------[%ImFilePath%]----------";

// incredimail-format.md §5.3: stored bit -> boundary bit.
constexpr int kCodeMapping[8] = {5, 7, 0, 2, 1, 6, 3, 4};
constexpr int kCommentMapping[8] = {4, 7, 0, 2, 1, 6, 3, 5};

fs::path Utf8Path(const std::string& s) {
    return fs::path(std::u8string(reinterpret_cast<const char8_t*>(s.data()), s.size()));
}

void WriteNewFile(const fs::path& p, const std::string& bytes) {
    if (fs::exists(p)) throw std::runtime_error("refusing to replace " + p.string());
    fs::create_directories(p.parent_path());
    std::ofstream f(p, std::ios::binary);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f) throw std::runtime_error("cannot write " + p.string());
}

std::string Base64Word(const std::string& in) {
    static const char* t = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < in.size(); i += 3) {
        std::uint32_t v = static_cast<std::uint32_t>(static_cast<unsigned char>(in[i])) << 16;
        if (i + 1 < in.size()) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(in[i + 1])) << 8;
        if (i + 2 < in.size()) v |= static_cast<unsigned char>(in[i + 2]);
        out += t[(v >> 18) & 63];
        out += t[(v >> 12) & 63];
        out += i + 1 < in.size() ? t[(v >> 6) & 63] : '=';
        out += i + 2 < in.size() ? t[v & 63] : '=';
    }
    return out;
}

std::string HeaderValue(const std::string& text, const std::string& name) {
    const std::string key = "\r\n" + name + ": ";
    std::size_t at = text.rfind(name + ": ", 0) == 0 ? 0 : text.find(key);
    if (at == std::string::npos) return {};
    at += at == 0 ? name.size() + 2 : key.size();
    return text.substr(at, text.find("\r\n", at) - at);
}

void EraseHeader(std::string& text, const std::string& name) {
    std::size_t at = text.rfind(name + ": ", 0) == 0 ? 0 : text.find("\r\n" + name + ": ");
    if (at == std::string::npos) return;
    if (at > 0) at += 2;
    text.erase(at, text.find("\r\n", at) + 2 - at);
}

void PutU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xff);
}

// An .imh string: its length in characters, then UTF-16LE (V#05) or bytes.
void PutString(std::string& out, const std::string& ascii, bool wide) {
    PutU32(out, static_cast<std::uint32_t>(ascii.size()));
    for (char c : ascii) {
        out += c;
        if (wide) out += '\0';
    }
}

struct Message {
    std::string text;
    bool deleted = false;
    bool leftover = false;  // in the container, covered by no record
    bool inFile = false;    // 2.5: msg.iml
    bool missing = false;
    std::string headerId;
    std::string location;  // as the row stores it: "1", "'1'", "0", "''"
    std::vector<GenAttachment> attachments;
    std::uint64_t offset = 0;
};

struct Container {
    std::string id, parentId, label, fileName;
    int indexInParent = 0;
    std::vector<Message> messages;      // index order
    std::vector<std::size_t> physical;  // container order of the messages in the .imm
    std::vector<std::string> folderPath;
    // Xe
    bool wide = true;
    bool leadingLength = false;
};

class Maker {
  public:
    explicit Maker(std::uint64_t seed) : seed_(seed), rng_(seed * 7919u + 17u) {}
    int Pick(int n) { return static_cast<int>(rng_() % static_cast<std::uint64_t>(n)); }
    std::mt19937_64& Rng() { return rng_; }

    std::string Bytes(int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += static_cast<char>(rng_() & 0xff);
        return s;
    }

    // A multipart message whose Content-Type carries the boundary encoded
    // as "imbndary", with two attachments referenced by name.
    Message Imbndary(int container, int n, bool commentMapping) {
        Message m;
        const std::string tag = " c" + std::to_string(container) + "n" + std::to_string(n);
        const std::string boundary =
            "----=_NextPart_000_00" + std::to_string(10 + n) + "_01C8A3B2.5F3E2D" + std::to_string(10 + container);
        struct Name {
            std::string written;  // as the message writes it
            std::string decoded;  // UTF-8, the file's name on disk
        };
        std::vector<Name> names;
        std::string charset = "iso-8859-1";
        if (commentMapping) {
            // windows-1251 encoded word and a plain name
            std::string cyr = "\xce\xf2\xf7\xb8\xf2" + tag + ".txt";  // "Отчёт" in cp1251
            names.push_back({"=?windows-1251?B?" + Base64Word(cyr) + "?=",
                             "\xd0\x9e\xd1\x82\xd1\x87\xd1\x91\xd1\x82" + tag + ".txt"});
            names.push_back({"plain" + tag + ".pdf", "plain" + tag + ".pdf"});
        } else {
            // iso-8859-1 encoded word and raw UTF-8 bytes
            std::string latin = "Protokoll M\xfcller" + tag + ".doc";
            names.push_back({"=?iso-8859-1?B?" + Base64Word(latin) + "?=", "Protokoll M\xc3\xbcller" + tag + ".doc"});
            names.push_back(
                {"R\xc3\xa9sum\xc3\xa9 \xc3\xb1" + tag + ".txt", "R\xc3\xa9sum\xc3\xa9 \xc3\xb1" + tag + ".txt"});
            charset = "utf-8";
        }
        std::string t;
        t += "Return-Path: <imb" + std::to_string(n) + "@example.net>\r\n";
        t += "Delivered-To: user@example.org\r\n";
        t += "From: \"Imke Brandt\" <imke@example.net>\r\n";
        t += "To: user@example.org\r\n";
        t += "Subject: Encoded boundary" + tag + "\r\n";
        t += "Date: Tue, 4 Mar 2008 09:1" + std::to_string(n % 10) + ":00 +0100\r\n";
        t += "Message-ID: <imb." + std::to_string(seed_) + "." + std::to_string(container) + "." + std::to_string(n) +
             "@example.net>\r\n";
        t += "MIME-Version: 1.0\r\n";
        t += "Content-Type: multipart/mixed;\r\n\timbndary=\"" + EncodeImbndary(boundary, commentMapping) + "\"\r\n";
        t += "X-Mailer: Quillmere sample\r\n\r\n";
        t += "This is a multi-part message in MIME format.\r\n\r\n";
        t += "--" + boundary + "\r\nContent-Type: text/plain; charset=\"" + charset +
             "\"\r\nContent-Transfer-Encoding: 7bit\r\n\r\nTwo files are attached" + tag + ".\r\n\r\n";
        for (const auto& name : names) {
            GenAttachment a{name.decoded, Bytes(300 + Pick(2000))};
            t += "--" + boundary + "\r\nContent-Type: application/octet-stream;\r\n\tname=\"" + name.written +
                 "\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment;\r\n\tfilename=\"" +
                 name.written + "\"\r\n\r\n" + std::string(kReference) + name.written + "\r\n\r\n";
            m.attachments.push_back(std::move(a));
        }
        t += "--" + boundary + "--\r\n\r\n";
        m.text = std::move(t);
        return m;
    }

  private:
    std::uint64_t seed_;
    std::mt19937_64 rng_;
};

// The container's messages: generated ones (some without Return-Path or
// Delivered-To, so the cut merges them), two "imbndary" messages, deleted
// ones, and one leftover that no record covers.
void FillContainer(Container& c, int index, int count, std::uint64_t seed, Maker& maker) {
    std::vector<GenMessage> made = GenerateMessages(seed, 40 + index, count);
    for (std::size_t i = 0; i < made.size(); ++i) {
        Message m;
        m.text = std::move(made[i].text);
        m.attachments = std::move(made[i].referenced);
        if (i > 0 && maker.Pick(2) == 0) {
            EraseHeader(m.text, "Return-Path");
            if (maker.Pick(2) == 0) EraseHeader(m.text, "Delivered-To");
        } else if (i == 0 && HeaderValue(m.text, "Delivered-To").empty()) {
            // The cut's marker comes from the first message: make it Delivered-To.
            m.text.insert(m.text.find("\r\n") + 2, "Delivered-To: user@example.org\r\n");
        }
        m.deleted = i > 0 && maker.Pick(5) == 0;
        c.messages.push_back(std::move(m));
    }
    c.messages.push_back(maker.Imbndary(index, count + 1, false));
    c.messages.push_back(maker.Imbndary(index, count + 2, true));
    Message leftover;
    leftover.text = GenerateMessages(seed, 90 + index, 1)[0].text;
    leftover.leftover = true;
    // Its attachment files are kept: the cut delivers it whole.
    leftover.attachments = GenerateMessages(seed, 90 + index, 1)[0].referenced;
    c.messages.push_back(std::move(leftover));
}

// The container file: the messages that lie in it, in a shuffled container
// order, with blank padding after some. Sets each message's offset.
std::string Layout(Container& c, Maker& maker) {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < c.messages.size(); ++i)
        if (!c.messages[i].inFile) order.push_back(i);
    // The first stays first: the cut takes its marker from it.
    if (order.size() > 2) std::shuffle(order.begin() + 1, order.end(), maker.Rng());
    std::string bytes;
    for (std::size_t i : order) {
        c.messages[i].offset = bytes.size();
        if (maker.Pick(4) == 0) {
            // Blank padding; the cut gives it to the message before it.
            if (c.messages[i].leftover) c.messages[i].text += "\r\n\r\n";
            bytes += c.messages[i].text;
            if (!c.messages[i].leftover) bytes += "\r\n\r\n";
        } else {
            bytes += c.messages[i].text;
        }
    }
    c.physical = order;
    return bytes;
}

std::string ImhFile(const Container& c, bool stale) {
    std::string out;
    std::uint32_t previousLength = 0;
    bool first = true;
    for (const Message& m : c.messages) {
        if (m.leftover || m.inFile) continue;
        std::string r;
        if (first)
            r += c.wide ? "V#05" : "V#04";
        else
            PutU32(r, c.leadingLength ? previousLength : 0);  // a guess: both readings are kept
        first = false;
        r += std::string("\x3C\x12\x08\x49\x17\x09\x45\x3E", 8);
        r += static_cast<char>(m.deleted ? 2 : 1);
        r += std::string(3, '\0');
        r += '\0';  // unread
        r += '\0';  // flagged
        r += std::string(20, '\0');
        PutString(r, "user@example.org", c.wide);
        PutString(r, HeaderValue(m.text, "From").substr(0, 40), c.wide);
        PutString(r, HeaderValue(m.text, "Subject"), c.wide);
        PutU32(r, 1204531200);  // sent
        PutU32(r, 1204531260);  // received
        PutU32(r, 0);
        PutString(r, "pop.example.org", c.wide);
        r += std::string(6, '\0');
        PutU32(r, static_cast<std::uint32_t>(m.text.size()));
        // A stale index, as an upgrade leaves it: its offsets no longer fit.
        PutU32(r, static_cast<std::uint32_t>(m.offset + (stale ? 7 : 0)));
        PutU32(r, 0);
        previousLength = static_cast<std::uint32_t>(r.size());
        out += r;
    }
    return out;
}

class Db {
  public:
    explicit Db(const fs::path& path) {
        if (fs::exists(path)) throw std::runtime_error("refusing to replace " + path.string());
        if (sqlite3_open(path.string().c_str(), &db_) != SQLITE_OK) throw std::runtime_error("cannot create db");
        Exec("BEGIN");
    }
    ~Db() {
        if (db_) sqlite3_close(db_);
    }
    void Exec(const std::string& sql) {
        char* error = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            std::string why = error ? error : "?";
            sqlite3_free(error);
            throw std::runtime_error("sqlite: " + why + " in " + sql);
        }
    }
    void Close() {
        Exec("COMMIT");
        sqlite3_close(db_);
        db_ = nullptr;
    }

  private:
    sqlite3* db_ = nullptr;
};

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

void WriteDatabase(const fs::path& path, const std::vector<Container>& cs, bool v25, bool stale) {
    Db db(path);
    db.Exec(
        "CREATE TABLE Containers (ContainerID TEXT, ParentContainerID TEXT, IndexInParent INTEGER, Label TEXT, "
        "FileName TEXT, MsgsCount INTEGER)");
    db.Exec(std::string("CREATE TABLE Headers (HeaderID TEXT, ContainerID TEXT, MsgPos INTEGER, LightMsgSize INTEGER, "
                        "Deleted INTEGER, Subject TEXT") +
            (v25 ? ", Location, Account TEXT)" : ")"));
    db.Exec("CREATE TABLE CommonData (CommonField TEXT, CommonValue TEXT)");
    db.Exec(std::string("INSERT INTO CommonData VALUES ('Version', ") + (v25 ? "'2.5'" : "'2.0'") + ")");
    if (v25) db.Exec("CREATE VIEW AllHeaderDataView AS SELECT HeaderID, ContainerID, Subject FROM Headers");
    // Rows in an order of their own: neither the tree's nor the containers'.
    std::vector<std::size_t> containerRows(cs.size());
    for (std::size_t i = 0; i < cs.size(); ++i) containerRows[i] = cs.size() - 1 - i;
    for (std::size_t i : containerRows) {
        const Container& c = cs[i];
        int live = 0;
        for (const Message& m : c.messages) live += !m.deleted && !m.leftover;
        db.Exec("INSERT INTO Containers VALUES (" + Quote(c.id) + ", " + Quote(c.parentId) + ", " +
                std::to_string(c.indexInParent) + ", " + Quote(c.label) + ", " + Quote(c.fileName) + ", " +
                std::to_string(live) + ")");
    }
    // In index order, which is not the container's: the messages lie shuffled in it.
    for (const Container& c : cs) {
        for (const Message& m : c.messages) {
            if (m.leftover) continue;
            std::string sql = "INSERT INTO Headers VALUES (" + Quote(m.headerId) + ", " + Quote(c.id) + ", " +
                              std::to_string(m.inFile ? 0 : m.offset + (stale ? 7 : 0)) + ", " +
                              std::to_string(m.inFile ? 0 : m.text.size()) + ", " + (m.deleted ? "1" : "0") + ", " +
                              Quote(HeaderValue(m.text, "Subject"));
            if (v25) sql += ", " + m.location + ", 'user@example.org'";
            db.Exec(sql + ")");
        }
    }
    db.Close();
}

void JsonString(std::string& out, const std::string& s) {
    static const char* hex = "0123456789abcdef";
    out += '"';
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
}

}  // namespace

std::string EncodeImbndary(const std::string& boundary, bool commentMapping) {
    const int* decode = commentMapping ? kCommentMapping : kCodeMapping;
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (unsigned char b : boundary) {
        unsigned stored = 0;
        for (int bit = 0; bit < 8; ++bit)
            if (b & (1u << decode[bit])) stored |= 1u << bit;
        out += hex[stored >> 4];
        out += hex[stored & 15];
    }
    return out;
}

IndexedStore WriteIndexedStore(const std::string& dirText, const IndexedStoreOptions& options) {
    const fs::path dir = Utf8Path(dirText);
    fs::create_directories(dir / "Attachments");
    Maker maker(options.seed);
    std::vector<Container> cs;
    if (options.generation == Generation::Xe) {
        cs = {{"", "", "Inbox", "Inbox", 0, {}, {}, {}, true, false},
              {"", "", "Sent Items", "Sent Items", 0, {}, {}, {}, true, true},
              {"", "", "Drafts", "Drafts", 0, {}, {}, {}, false, false}};
    } else {
        cs = {{"1", "", "Inbox", "Inbox", 0, {}, {}, {"Inbox"}},
              {"3", "1", "Projects", "Folder3", 0, {}, {}, {"Inbox", "Projects"}},
              {"4", "3", "2008", "Folder4", 0, {}, {}, {"Inbox", "Projects", "2008"}},
              {"2", "", "Sent Items", "Sent Items", 1, {}, {}, {"Sent Items"}},
              {"6", "5", "Old mail", "Folder6", 0, {}, {}, {"Archive", "Old mail"}},
              // A folder that holds only folders: no file, no messages.
              {"5", "", "Archive", "", 2, {}, {}, {}}};
    }
    const bool v25 = options.generation == Generation::Im25;
    int headerId = 1000;
    for (std::size_t i = 0; i < cs.size(); ++i) {
        Container& c = cs[i];
        if (c.fileName.empty()) continue;
        FillContainer(c, static_cast<int>(i), options.messages, options.seed, maker);
        for (Message& m : c.messages) {
            m.headerId = std::to_string(++headerId);
            if (!v25 || m.leftover) continue;
            // 2.5: Inbox mixed (integers), Projects mixed (text), 2008 and
            // Sent Items all in files (Sent Items has no .imm), Old mail all in
            // the container.
            const bool fileKind = c.label == "Sent Items" || c.label == "2008" ||
                                  ((c.label == "Inbox" || c.label == "Projects") && maker.Pick(3) != 0);
            const bool text = c.label == "Projects" || c.label == "2008";
            m.inFile = fileKind;
            m.location = fileKind ? (text ? "'1'" : "1") : (text ? "''" : "0");
        }
        if (v25 && c.label == "Sent Items") {
            // No container file at all: its leftover would have nowhere to lie.
            c.messages.erase(
                std::remove_if(c.messages.begin(), c.messages.end(), [](const Message& m) { return m.leftover; }),
                c.messages.end());
        }
        if (v25 && c.label == "Inbox") {
            for (Message& m : c.messages)
                if (m.inFile && !m.deleted) {
                    m.missing = true;  // its msg.iml is left out
                    break;
                }
        }
    }

    IndexedStore store;
    store.index = options.generation == Generation::Xe    ? ".imh files"
                  : options.generation == Generation::Im2 ? "Containers.db"
                                                          : "MessageStore.db";
    for (Container& c : cs) {
        if (c.fileName.empty()) continue;
        const bool anyInContainer =
            std::any_of(c.messages.begin(), c.messages.end(), [](const Message& m) { return !m.inFile; });
        if (anyInContainer) WriteNewFile(dir / Utf8Path(c.fileName + ".imm"), Layout(c, maker));
        for (const Message& m : c.messages) {
            fs::path attachments = dir / "Attachments";
            if (m.inFile) {
                const fs::path folder = dir / "Messages" / "1" / m.headerId;
                attachments = folder / "Attachments";
                fs::create_directories(attachments);
                if (!m.missing) WriteNewFile(folder / "msg.iml", m.text);
            }
            for (const auto& a : m.attachments) WriteNewFile(attachments / Utf8Path(a.fileName), a.bytes);
        }
        if (options.generation == Generation::Xe || !v25) {
            // Xe's own index, or the one IncrediMail 2 left behind when it upgraded.
            if (options.generation == Generation::Xe || c.label == "Inbox" || c.label == "Sent Items")
                WriteNewFile(dir / Utf8Path(c.fileName + ".imh"), ImhFile(c, options.generation != Generation::Xe));
        }

        ExpectedContainer e;
        e.entry = c.fileName + ".imm";
        e.folderPath = c.folderPath;
        auto expect = [&](const Message& m) {
            ExpectedMessage x;
            x.text = m.text;
            x.deleted = m.deleted;
            x.fromIndex = !m.leftover;
            x.offset = m.inFile ? 0 : m.offset;
            if (m.inFile) x.file = "Messages/1/" + m.headerId + "/msg.iml";
            x.missing = m.missing;
            x.messageId = HeaderValue(m.text, "Message-ID");
            x.subject = HeaderValue(m.text, "Subject");
            x.attachments = m.attachments;
            e.messages.push_back(std::move(x));
        };
        for (std::size_t i : c.physical) expect(c.messages[i]);
        for (const Message& m : c.messages)
            if (m.inFile) expect(m);
        store.containers.push_back(std::move(e));
    }
    if (options.generation != Generation::Xe)
        WriteDatabase(dir / (v25 ? "MessageStore.db" : "Containers.db"), cs, v25, false);
    if (v25) {
        // What 2.0 left behind: an index whose offsets no longer fit.
        WriteDatabase(dir / "Containers.db", cs, false, true);
        for (const Container& c : cs)
            if (c.label == "Old mail") WriteNewFile(dir / Utf8Path(c.fileName + ".imh"), ImhFile(c, true));
    }
    return store;
}

std::string ManifestJson(const IndexedStore& store) {
    std::string out = "{\"index\": ";
    JsonString(out, store.index);
    out += ", \"containers\": [";
    for (std::size_t ci = 0; ci < store.containers.size(); ++ci) {
        const auto& c = store.containers[ci];
        out += ci ? ",\n  {" : "\n  {";
        out += "\"entry\": ";
        JsonString(out, c.entry);
        out += ", \"path\": [";
        for (std::size_t i = 0; i < c.folderPath.size(); ++i) {
            if (i) out += ", ";
            JsonString(out, c.folderPath[i]);
        }
        out += "], \"messages\": [";
        for (std::size_t mi = 0; mi < c.messages.size(); ++mi) {
            const auto& m = c.messages[mi];
            out += mi ? ",\n    {" : "\n    {";
            out += "\"message_id\": ";
            JsonString(out, m.messageId);
            out += ", \"subject\": ";
            JsonString(out, m.subject);
            out += std::string(", \"deleted\": ") + (m.deleted ? "true" : "false");
            out += std::string(", \"from_index\": ") + (m.fromIndex ? "true" : "false");
            out += std::string(", \"missing\": ") + (m.missing ? "true" : "false");
            out += ", \"file\": ";
            JsonString(out, m.file);
            out += ", \"attachments\": [";
            for (std::size_t ai = 0; ai < m.attachments.size(); ++ai) {
                if (ai) out += ", ";
                JsonString(out, m.attachments[ai].fileName);
            }
            out += "]}";
        }
        out += "]}";
    }
    return out + "\n]}\n";
}

}  // namespace quill::gen
