#include "tools/AttachmentStoreGenerator.h"

#include "tools/GenEncoding.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace quill::gen {
namespace {

namespace fs = std::filesystem;

constexpr const char* kRef = "----------[%ImFilePath%]----------";
const char* const kCommonNames[] = {"signature.asc", "image001.png", "scan.pdf", "details.txt"};

std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// How a name is written in the mail, and the file's own name on disk.
struct Name {
    std::string inMail;  // header bytes
    std::string onDisk;  // UTF-8
};

class Maker {
  public:
    Maker(std::uint64_t seed, std::string dir) : rng_(seed * 7919u + 17u), dir_(std::move(dir)) {}
    int Pick(int n) { return static_cast<int>(rng_() % static_cast<std::uint64_t>(n)); }

    std::string Bytes(int size) {
        std::string b;
        for (int i = 0; i < size; ++i) b += static_cast<char>(rng_() & 0xff);
        return b;
    }

    void File(const std::string& utf8Name, const std::string& bytes) {
        fs::path p = fs::path(dir_) / "Attachments" / fs::path(std::u8string(utf8Name.begin(), utf8Name.end()));
        if (fs::exists(p)) throw std::runtime_error("generator wrote a name twice: " + utf8Name);
        std::ofstream(p, std::ios::binary) << bytes;
    }

    Name NameFor(int number, int slot) {
        const std::string n = std::to_string(number) + "-" + std::to_string(slot);
        switch (Pick(6)) {
            case 0:  // raw UTF-8
                return {
                    "Gr\xc3\xb6\xc3\x9f"
                    "e " +
                        n + ".bin",
                    "Gr\xc3\xb6\xc3\x9f"
                    "e " +
                        n + ".bin"};
            case 1:  // raw windows-1251 (the message declares it)
                return {"\xce\xf2\xf7\xb8\xf2 " + n + ".txt", "\xd0\x9e\xd1\x82\xd1\x87\xd1\x91\xd1\x82 " + n + ".txt"};
            case 2: {  // an RFC 2047 word
                std::string word = Base64(
                    "\xc3\x9c"
                    "bersicht " +
                    n + ".pdf");
                word.erase(word.find_last_not_of("\r\n") + 1);
                return {"=?utf-8?B?" + word + "?=",
                        "\xc3\x9c"
                        "bersicht " +
                            n + ".pdf"};
            }
            case 3:  // decomposed in the mail, composed on disk
                return {"Re\xcc\x81sume\xcc\x81 " + n + ".doc", "R\xc3\xa9sum\xc3\xa9 " + n + ".doc"};
            case 4:  // another letter case
                return {"NOTES " + n + ".TXT", "notes " + n + ".txt"};
            default:
                return {"report " + n + ".pdf", "report " + n + ".pdf"};
        }
    }

    std::string Part(const std::string& type, const std::string& name, const std::string& encoding,
                     const std::string& disposition, const std::string& contentId, const std::string& body) {
        std::string h = "Content-Type: " + type + (name.empty() ? "" : "; name=\"" + name + "\"") + "\r\n";
        if (!encoding.empty()) h += "Content-Transfer-Encoding: " + encoding + "\r\n";
        if (!contentId.empty()) h += "Content-ID: <" + contentId + ">\r\n";
        if (!disposition.empty())
            h += "Content-Disposition: " + disposition + (name.empty() ? "" : "; filename=\"" + name + "\"") + "\r\n";
        return h + "\r\n" + body;
    }

    AttachedMessageExpected Make(int number, std::string& text) {
        AttachedMessageExpected m;
        m.messageId = "att." + std::to_string(number) + "@example.com";
        m.subject = "Attachments " + std::to_string(number);
        std::vector<std::string> parts;
        const int count = 1 + Pick(4);
        for (int slot = 0; slot < count; ++slot) {
            AttachmentExpected a;
            const int kind = Pick(8);
            if (kind == 0) {  // own content under a common name whose file (another message's) is in the folder
                const char* common = kCommonNames[Pick(4)];
                a.bytes = Bytes(100 + Pick(900));
                a.type = "application/octet-stream";
                parts.push_back(Part(a.type, common, "base64", "attachment", "", Base64(a.bytes)));
            } else if (kind == 1) {  // missing on purpose
                Name name = NameFor(number, slot);
                a.missing = true;
                a.type = "application/pdf";
                parts.push_back(Part(a.type, name.inMail, "base64", "attachment", "", kRef + name.inMail + "\r\n"));
                a.fileName = name.onDisk;
            } else if (kind == 2) {  // an attached message, its content in the folder
                const std::string file = "forwarded " + std::to_string(number) + "-" + std::to_string(slot) + ".eml";
                a.bytes = "From: <orig@example.net>\r\nSubject: original " + std::to_string(number) +
                          "\r\nMessage-ID: <orig." + std::to_string(number) + "." + std::to_string(slot) +
                          "@example.net>\r\n\r\nThe original text.\r\n";
                a.type = "message/rfc822";
                a.restored = true;
                File(file, a.bytes);
                parts.push_back(Part(a.type, file, "", "attachment", "", ""));
            } else if (kind == 3) {  // empty body: the content is in the folder
                Name name = NameFor(number, slot);
                a.bytes = Bytes(50 + Pick(400));
                a.type = "application/octet-stream";
                a.restored = true;
                File(name.onDisk, a.bytes);
                parts.push_back(Part(a.type, name.inMail, Pick(2) ? "base64" : "", "attachment", "", ""));
            } else {  // the reference line in place of the content
                Name name = NameFor(number, slot);
                a.bytes = Bytes(100 + Pick(5000));
                a.type = "application/octet-stream";
                a.restored = true;
                File(name.onDisk, a.bytes);
                const char* encodings[] = {"base64", "base64", "quoted-printable", ""};
                const std::string line =
                    Pick(2) ? kRef + name.inMail + "\r\n" : kRef + std::string("\r\n") + name.inMail + "\r\n";
                parts.push_back(Part(a.type, name.inMail, encodings[Pick(4)], "attachment", "", line));
            }
            m.attachments.push_back(std::move(a));
        }

        std::string b = "----=_Mixed_" + std::to_string(number);
        std::string h = "Return-Path: <att" + std::to_string(number) + "@example.com>\r\n";
        h += "From: \"Sender " + std::to_string(number) + "\" <att" + std::to_string(number) + "@example.com>\r\n";
        h += "To: <me@example.org>\r\nSubject: " + m.subject + "\r\nDate: Tue, 4 Mar 2008 09:1" +
             std::to_string(Pick(10)) + ":00 +0100\r\nMessage-ID: <" + m.messageId +
             ">\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"" + b + "\"\r\n\r\n";
        const std::string textPart =
            "Content-Type: text/plain; charset=windows-1251\r\n\r\nSee the files, " + std::to_string(number) + ".\r\n";
        std::string body = "--" + b + "\r\n";
        if (Pick(3) == 0) {
            // HTML with two inline images held out of line, the first one named, the other not.
            std::vector<AttachmentExpected> inline_;
            const std::string rel = "----=_Related_" + std::to_string(number);
            const std::string alt = "----=_Alt_" + std::to_string(number);
            std::string html = "<html><body><p>Pictures " + std::to_string(number) + "</p>";
            std::string images;
            for (int i = 0; i < 2; ++i) {
                AttachmentExpected img;
                img.contentId = "img" + std::to_string(i) + "." + std::to_string(number) + "@example.com";
                img.type = i == 0 ? "image/png" : "image/gif";
                img.bytes = Bytes(80 + Pick(300));
                img.restored = true;
                const std::string file =
                    "image " + std::to_string(number) + "-" + std::to_string(i) + (i ? ".gif" : ".png");
                File(file, img.bytes);
                html += "<img src=\"cid:" + img.contentId + "\">";
                m.cids.push_back(img.contentId);
                images += "--" + rel + "\r\n" +
                          Part(img.type, i == 0 ? file : "", "base64", i == 0 ? "inline" : "", img.contentId,
                               kRef + file + "\r\n");
                inline_.push_back(std::move(img));
            }
            html += "</body></html>\r\n";
            body += "Content-Type: multipart/related; boundary=\"" + rel + "\"\r\n\r\n--" + rel + "\r\n" +
                    "Content-Type: multipart/alternative; boundary=\"" + alt + "\"\r\n\r\n--" + alt + "\r\n" +
                    textPart + "--" + alt + "\r\nContent-Type: text/html; charset=us-ascii\r\n\r\n" + html + "--" +
                    alt + "--\r\n" + images + "--" + rel + "--\r\n";
            m.attachments.insert(m.attachments.begin(), inline_.begin(), inline_.end());
        } else {
            body += textPart;
        }
        for (const auto& p : parts) body += "--" + b + "\r\n" + p;
        body += "--" + b + "--\r\n";
        text = h + body;
        return m;
    }

  private:
    std::mt19937_64 rng_;
    std::string dir_;
};

}  // namespace

AttachmentStore WriteAttachmentStore(const std::string& dir, std::uint64_t seed, int messages) {
    fs::create_directories(fs::path(dir) / "Attachments");
    AttachmentStore store;
    store.container = "Inbox.imm";
    Maker maker(seed, dir);
    // The folder holds another message's file under each common name.
    for (const char* common : kCommonNames) maker.File(common, "another message's " + std::string(common) + "\r\n");
    fs::path path = fs::path(dir) / store.container;
    if (fs::exists(path)) throw std::runtime_error("refusing to replace " + path.string());
    std::ofstream f(path, std::ios::binary);
    for (int i = 1; i <= messages; ++i) {
        std::string text;
        store.messages.push_back(maker.Make(i, text));
        f << text;
    }
    if (!f) throw std::runtime_error("write failed: " + path.string());
    return store;
}

std::string AttachmentManifestJson(const AttachmentStore& store) {
    std::string j = "{\"container\": " + JsonString(store.container) + ", \"messages\": [\n";
    for (std::size_t i = 0; i < store.messages.size(); ++i) {
        const auto& m = store.messages[i];
        j +=
            "{\"message_id\": " + JsonString(m.messageId) + ", \"subject\": " + JsonString(m.subject) + ", \"cids\": [";
        for (std::size_t c = 0; c < m.cids.size(); ++c) j += (c ? ", " : "") + JsonString(m.cids[c]);
        j += "], \"attachments\": [";
        for (std::size_t a = 0; a < m.attachments.size(); ++a) {
            const auto& x = m.attachments[a];
            j += std::string(a ? ", " : "") + "{\"file_name\": " + JsonString(x.fileName) +
                 ", \"hex\": " + JsonString(Hex(x.bytes)) + ", \"missing\": " + (x.missing ? "true" : "false") +
                 ", \"restored\": " + (x.restored ? "true" : "false") + ", \"content_id\": " + JsonString(x.contentId) +
                 ", \"type\": " + JsonString(x.type) + "}";
        }
        j += "]}" + std::string(i + 1 < store.messages.size() ? "," : "") + "\n";
    }
    return j + "]}\n";
}

}  // namespace quill::gen
