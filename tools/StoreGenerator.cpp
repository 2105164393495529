#include "tools/StoreGenerator.h"

#include "tools/GenEncoding.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace quill::gen {
namespace {

const char* const kNames[] = {"Alma Perrin", "Boris Kettle", "Chloe Varga", "Dmitri Oakes", "Eun Halloway"};
const char* const kDomains[] = {"example.com", "example.org", "example.net"};
const char* const kContainers[] = {"Inbox.imm", "Sent Items.imm", "Drafts.imm", "Deleted Items.imm"};

std::string QuotedPrintable(const std::string& in) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    std::size_t col = 0;
    for (unsigned char c : in) {
        std::string piece;
        if (c == '\n') {
            out += "\r\n";
            col = 0;
            continue;
        }
        if (c == '\r') continue;
        if ((c >= 33 && c <= 126 && c != '=') || c == ' ')
            piece = std::string(1, static_cast<char>(c));
        else
            piece = {'=', hex[c >> 4], hex[c & 15]};
        if (col + piece.size() > 75) {
            out += "=\r\n";
            col = 0;
        }
        out += piece;
        col += piece.size();
    }
    return out + "\r\n";
}

struct Charset {
    const char* name;
    std::string sample;  // bytes in that charset
};

const Charset kCharsets[] = {
    {"us-ascii", "Plain words for the weekly report."},
    {"iso-8859-1", "Caf\xe9 cr\xe8me, gar\xe7on, na\xefve r\xe9sum\xe9."},
    {"windows-1251", "\xcf\xf0\xe8\xe2\xe5\xf2, \xea\xe0\xea \xe4\xe5\xeb\xe0?"},
    {"utf-8",
     "Gr\xc3\xbc\xc3\x9f"
     "e aus K\xc3\xb6ln \xe2\x80\x94 \xe6\x97\xa5\xe6\x9c\xac"},
    {"shift_jis", "\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd"},
};

class Maker {
  public:
    Maker(std::uint64_t seed, int index) : index_(index), rng_(seed * 1000003u + static_cast<std::uint64_t>(index)) {}
    int Pick(int n) { return static_cast<int>(rng_() % static_cast<std::uint64_t>(n)); }

    std::string Address(bool encoded) {
        int n = Pick(5);
        std::string local = std::string(kNames[n]).substr(0, 4) + std::to_string(Pick(90));
        for (auto& c : local) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::string addr = "<" + local + "@" + kDomains[Pick(3)] + ">";
        if (!encoded) return std::string("\"") + kNames[n] + "\" " + addr;
        const Charset& cs = kCharsets[1 + Pick(4)];
        std::string b = Base64(std::string(kNames[n]) + " " + cs.sample.substr(0, 6));
        b.erase(b.find('\r'));
        return "=?" + std::string(cs.name) + "?B?" + b + "?= " + addr;
    }

    std::string Text(int lines) {
        std::string s;
        for (int i = 0; i < lines; ++i)
            s += "Line " + std::to_string(i) + " of the note, about item " + std::to_string(Pick(10000)) + ".\n";
        return s;
    }

    GenMessage Make(int number, std::size_t bigBytes) {
        GenMessage m;
        std::string h;
        std::string from = Address(Pick(2) == 0);
        h += "Return-Path: <sender" + std::to_string(number) + "@example.com>\r\n";
        h += "Received: from mx" + std::to_string(Pick(9)) + ".example.net ([192.0.2." + std::to_string(Pick(250)) +
             "])\r\n\tby mail.example.org with ESMTP id " + std::to_string(rng_() % 100000000) +
             ";\r\n\tMon, 3 Mar 2008 10:" + std::to_string(10 + Pick(50)) + ":00 +0100\r\n";
        if (Pick(2)) h += "Delivered-To: user@example.org\r\n";
        h += "From: " + from + "\r\n";
        h += "To: " + Address(Pick(2) == 0) + "\r\n";
        if (Pick(3) == 0) h += "Cc: " + Address(true) + ", " + Address(false) + "\r\n";
        const char* prefixes[] = {"", "RE: ", "FW: ", "RE: FW: "};
        h += std::string("Subject: ") + prefixes[Pick(4)] + "Report " + std::to_string(number) + "\r\n";
        h += "Date: Mon, " + std::to_string(1 + Pick(28)) + " Mar 2008 1" + std::to_string(Pick(10)) + ":0" +
             std::to_string(Pick(10)) + ":00 +0100\r\n";
        h += "Message-ID: <" + std::to_string(rng_()) + "." + std::to_string(number) + "@example.com>\r\n";
        h += "MIME-Version: 1.0\r\n";
        const Charset& cs = kCharsets[Pick(5)];
        std::string body = cs.sample + "\n" + Text(bigBytes ? 0 : 2 + Pick(60));
        if (bigBytes)
            while (body.size() < bigBytes) body += Text(100);
        bool qp = Pick(2) == 0;
        std::string enc = qp ? "quoted-printable" : "base64";
        auto textPart = [&](const char* sub, const std::string& content) {
            return std::string("Content-Type: text/") + sub + "; charset=\"" + cs.name +
                   "\"\r\nContent-Transfer-Encoding: " + enc + "\r\n\r\n" +
                   (qp ? QuotedPrintable(content) : Base64(content));
        };
        std::string html = "<html><body><p>" + body + "</p></body></html>";
        std::string b1 = "----=_NextPart_" + std::to_string(number) + "_A";
        std::string b2 = "----=_NextPart_" + std::to_string(number) + "_B";
        switch (Pick(4)) {
            case 0:
                h += textPart("plain", body);
                break;
            case 1:
                h += textPart("html", html);
                break;
            case 2:
                h += "Content-Type: multipart/alternative;\r\n\tboundary=\"" + b1 + "\"\r\n\r\n";
                h += "This is a multi-part message in MIME format.\r\n\r\n--" + b1 + "\r\n" + textPart("plain", body) +
                     "\r\n--" + b1 + "\r\n" + textPart("html", html) + "\r\n--" + b1 + "--\r\n";
                break;
            default: {
                h += "Content-Type: multipart/mixed;\r\n\tboundary=\"" + b2 + "\"\r\n\r\n";
                h += "This is a multi-part message in MIME format.\r\n\r\n--" + b2 + "\r\n" + textPart("plain", body);
                int count = 1 + Pick(3);
                for (int a = 0; a < count; ++a) {
                    std::string name =
                        "f" + std::to_string(index_) + "_" + std::to_string(number) + "_" + std::to_string(a) + ".bin";
                    std::string bytes;
                    for (int i = 0, n = 200 + Pick(3000); i < n; ++i) bytes += static_cast<char>(rng_() & 0xff);
                    h +=
                        "\r\n--" + b2 + "\r\nContent-Type: application/octet-stream;\r\n\tname=\"" + name +
                        "\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment;\r\n\tfilename=\"" +
                        name + "\"\r\n\r\n";
                    if (Pick(2)) {
                        h += "----------[%ImFilePath%]----------" + name + "\r\n";
                        m.referenced.push_back({name, bytes});
                    } else {
                        h += Base64(bytes);
                    }
                }
                h += "\r\n--" + b2 + "--\r\n";
            }
        }
        h += "\r\n";
        m.text = std::move(h);
        return m;
    }

    // ---- the mixed kinds

    std::string Who() { return std::string(kNames[Pick(5)]); }
    std::string Mailbox() {
        std::string local = Who().substr(0, 4) + std::to_string(Pick(90));
        for (auto& c : local) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return local + "@" + kDomains[Pick(3)];
    }
    std::string DateText() {
        return "Mon, " + std::to_string(1 + Pick(28)) + " Mar 2008 1" + std::to_string(Pick(10)) + ":" +
               std::to_string(10 + Pick(50)) + ":00 +0100";
    }
    std::string Crlf(const std::string& text) {
        std::string out;
        for (char c : text) {
            if (c == '\n') out += '\r';
            out += c;
        }
        return out;
    }
    // Trace fields as a delivery writes them.
    std::string Trace(int number, bool deliveredFirst) {
        std::string h;
        if (deliveredFirst) h += "Delivered-To: user@example.org\r\n";
        h += "Return-Path: <" + Mailbox() + ">\r\n";
        h += "Received: from mx" + std::to_string(Pick(9)) + ".example.net ([192.0.2." + std::to_string(Pick(250)) +
             "])\r\n\tby mail.example.org with ESMTP id " + std::to_string(number) + ";\r\n\t" + DateText() + "\r\n";
        return h;
    }
    // From, To, Subject, Date, Message-ID: what every mail program writes.
    std::string Basic(int number, const std::string& subject) {
        std::string h = "From: \"" + Who() + "\" <" + Mailbox() + ">\r\nTo: " + Mailbox() + "\r\n";
        h += "Subject: " + subject + "\r\nDate: " + DateText() + "\r\n";
        h += "Message-ID: <mix." + std::to_string(rng_() % 1000000007) + "." + std::to_string(number) +
             "@example.com>\r\n";
        return h;
    }
    // A header block quoted inside a body, in one mail program's style.
    std::string InlineForward(int style, const std::string& subject) {
        const std::string from = Who() + " <" + Mailbox() + ">", to = Who() + " <" + Mailbox() + ">";
        const std::string quoted = Text(2 + Pick(4));
        switch (style) {
            case 0:  // Outlook
                return "-----Original Message-----\nFrom: " + from +
                       "\nSent: Monday, March 3, 2008 10:15 AM\nTo: " + to + "\nCc: " + Mailbox() +
                       "\nSubject: " + subject + "\n\n" + quoted;
            case 1:  // Outlook, separator line
                return "________________________________\nFrom: " + from +
                       "\nSent: Monday, March 3, 2008 10:15 AM\nTo: " + to + "\nSubject: " + subject + "\n\n" + quoted;
            case 2:  // Outlook, no separator
                return "From: " + from + "\nSent: Monday, March 3, 2008 10:15 AM\nTo: " + to + "\nSubject: " + subject +
                       "\n\n" + quoted;
            case 3:  // Outlook Express
                return "----- Original Message -----\nFrom: " + from + "\nTo: " + to +
                       "\nSent: Monday, March 03, 2008 10:15 AM\nSubject: " + subject + "\n\n" + quoted;
            case 4:  // Gmail
                return "---------- Forwarded message ---------\nFrom: " + from +
                       "\nDate: Mon, Mar 3, 2008 at 10:15 AM\n"
                       "Subject: " +
                       subject + "\nTo: " + to + "\n\n" + quoted;
            case 5:  // Thunderbird
                return "-------- Forwarded Message --------\nSubject: \t" + subject + "\nDate: \t" + DateText() +
                       "\nFrom: \t" + from + "\nTo: \t" + to + "\n\n" + quoted;
            case 6:  // Apple Mail
                return "Begin forwarded message:\n\nFrom: " + from + "\nSubject: " + subject +
                       "\nDate: March 3, 2008 10:15:00 AM GMT+01:00\nTo: " + to + "\n\n" + quoted;
            case 7:  // Yahoo
                return "----- Forwarded Message -----\nFrom: " + from + "\nTo: " + to +
                       "\nSent: Monday, March 3, 2008 10:15 AM\nSubject: " + subject + "\n\n" + quoted;
            default:  // mutt
                return "----- Forwarded message from " + from + " -----\n\nDate: " + DateText() + "\nFrom: " + from +
                       "\nTo: " + to + "\nSubject: " + subject + "\n\n" + quoted +
                       "\n----- End forwarded message -----\n";
        }
    }
    // A copy of a received message, as a bounce returns it.
    std::string Copy(int number) {
        return Trace(number, false) + Basic(number, "Report " + std::to_string(number)) + "\r\n" + Crlf(Text(3));
    }

    GenMessage MakeMixed(int number, bool first) {
        static const char* const kKinds[] = {"usual",         "no-marker",         "no-marker-mime", "sent",
                                             "forward",       "forward-multipart", "bounce-qmail",   "bounce-exim",
                                             "bounce-report", "bounce-headers",    "truncated"};
        GenMessage m;
        const int kind = Pick(11);
        m.kind = kKinds[kind];
        const std::string subject = "Mixed note " + std::to_string(number);
        std::string h;
        switch (kind) {
            case 0: {
                GenMessage usual = Make(number, 0);
                usual.kind = m.kind;
                if (first) usual.text = "Delivered-To: user@example.org\r\n" + usual.text;
                return usual;
            }
            case 1:
                h = Basic(number, subject) + "\r\n" + Crlf(Text(2 + Pick(8))) + "\r\n";
                break;
            case 2:
                h = Basic(number, subject) + "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n" +
                    Crlf(Text(2 + Pick(8)));
                break;
            case 3:
                h = Basic(number, subject) +
                    "MIME-Version: 1.0\r\nX-Mailer: Quillmere Sample Writer 1.0\r\n"
                    "Content-Type: text/plain; charset=us-ascii\r\nContent-Transfer-Encoding: 7bit\r\n\r\n" +
                    Crlf(Text(1 + Pick(6)));
                break;
            case 4:
                m.kind += "-" + std::to_string(number % 9);
                h = (Pick(2) ? Trace(number, false) : std::string()) + Basic(number, "FW: " + subject) +
                    "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n" +
                    Crlf("Please see below.\n\n" + InlineForward(number % 9, subject) + "\n");
                break;
            case 5: {
                m.kind += "-" + std::to_string(number % 9);
                const std::string b = "----=_Alt_" + std::to_string(number);
                const std::string plain = Crlf("See below.\n\n" + InlineForward(number % 9, subject));
                h = Trace(number, false) + Basic(number, "FW: " + subject) +
                    "MIME-Version: 1.0\r\nContent-Type: multipart/alternative; boundary=\"" + b + "\"\r\n\r\n--" + b +
                    "\r\nContent-Type: text/plain; charset=us-ascii\r\nContent-Transfer-Encoding: 7bit\r\n\r\n" +
                    plain + "\r\n--" + b + "\r\nContent-Type: text/html; charset=us-ascii\r\n\r\n<html><body><pre>" +
                    std::to_string(number) + "</pre></body></html>\r\n\r\n--" + b + "--\r\n\r\n";
                break;
            }
            case 6:
                h = Trace(number, false) + "From: MAILER-DAEMON@example.org\r\nTo: " + Mailbox() +
                    "\r\nSubject: failure notice\r\nDate: " + DateText() + "\r\nMessage-ID: <bounce." +
                    std::to_string(number) +
                    "@example.org>\r\n\r\nHi. This is the qmail-send program at example.org.\r\n"
                    "I'm afraid I wasn't able to deliver your message to the following addresses.\r\n\r\n"
                    "--- Below this line is a copy of the message.\r\n\r\n" +
                    Copy(number) + "\r\n";
                break;
            case 7:
                h = Trace(number, false) +
                    "From: Mail Delivery System <Mailer-Daemon@example.org>\r\nTo: " + Mailbox() +
                    "\r\nSubject: Mail delivery failed: returning message to sender\r\nDate: " + DateText() +
                    "\r\nMessage-ID: <exim." + std::to_string(number) +
                    "@example.org>\r\nAuto-Submitted: auto-replied\r\n\r\n"
                    "This message was created automatically by mail delivery software.\r\n\r\n"
                    "A message that you sent could not be delivered to one or more of its recipients.\r\n\r\n"
                    "------ This is a copy of the message, including all the headers. ------\r\n\r\n" +
                    Copy(number);
                break;
            case 8:
            case 9: {
                const std::string b = "report." + std::to_string(number) + "/example.org";
                h = Trace(number, false) +
                    "From: Mail Delivery Subsystem <MAILER-DAEMON@example.org>\r\nTo: " + Mailbox() +
                    "\r\nSubject: Returned mail: see transcript for details\r\nDate: " + DateText() +
                    "\r\nMessage-ID: <dsn." + std::to_string(number) +
                    "@example.org>\r\nMIME-Version: 1.0\r\nContent-Type: multipart/report; "
                    "report-type=delivery-status;\r\n"
                    "\tboundary=\"" +
                    b + "\"\r\n\r\nThis is a MIME-encapsulated message\r\n\r\n--" + b +
                    "\r\n\r\nThe original message was received at " + DateText() +
                    "\r\n\r\n   ----- The following addresses had permanent fatal errors -----\r\n<" + Mailbox() +
                    ">\r\n\r\n--" + b +
                    "\r\nContent-Type: message/delivery-status\r\n\r\nReporting-MTA: dns; mail.example.org\r\n"
                    "Arrival-Date: " +
                    DateText() + "\r\n\r\nFinal-Recipient: RFC822; " + Mailbox() +
                    "\r\nAction: failed\r\nStatus: 5.1.1\r\n\r\n--" + b + "\r\n";
                if (kind == 8) {
                    h += "Content-Type: message/rfc822\r\n\r\n" + Copy(number);
                } else {
                    std::string copy = Copy(number);
                    h += "Content-Type: text/rfc822-headers\r\n\r\n" + copy.substr(0, copy.find("\r\n\r\n") + 2);
                }
                h += "\r\n--" + b + "--\r\n\r\n";
                break;
            }
            default: {
                // A multipart whose end was lost: cut off at a line inside its last part.
                GenMessage usual = Make(number, 0);
                std::string text = usual.text;
                const std::size_t firstPart = text.find("\r\n--");
                if (firstPart == std::string::npos || text.find("multipart/") == std::string::npos) {
                    usual.kind = "usual";
                    if (first) usual.text = "Delivered-To: user@example.org\r\n" + usual.text;
                    return usual;
                }
                const std::size_t headerEnd = text.find("\r\n\r\n", firstPart + 4);
                const std::size_t from = headerEnd == std::string::npos ? firstPart : headerEnd + 4;
                std::size_t at = from + static_cast<std::size_t>(Pick(static_cast<int>(text.size() - from)));
                at = text.find("\r\n", at);
                if (at == std::string::npos || at + 2 >= text.size() - 4)
                    at = from;
                else
                    at += 2;
                h = text.substr(0, at);
                usual.referenced.clear();
                break;
            }
        }
        if (first) h = "Delivered-To: user@example.org\r\n" + h;
        m.text = std::move(h);
        return m;
    }

  private:
    int index_;
    std::mt19937_64 rng_;
};

}  // namespace

std::vector<GenMessage> GenerateMessages(std::uint64_t seed, int index, int count) {
    Maker maker(seed, index);
    std::vector<GenMessage> out;
    for (int i = 1; i <= count; ++i) {
        std::size_t big = (i % 17 == 0) ? (2u << 20) + static_cast<std::size_t>(maker.Pick(1 << 20)) : 0;
        out.push_back(maker.Make(i, big));
    }
    return out;
}

std::vector<GenMessage> GenerateMixedMessages(std::uint64_t seed, int index, int count) {
    Maker maker(seed, 5000 + index);
    std::vector<GenMessage> out;
    for (int i = 1; i <= count; ++i) out.push_back(maker.MakeMixed(i, i == 1));
    return out;
}

std::vector<std::string> AlignedMessages(std::uint64_t seed, int count, bool mix) {
    Maker maker(seed, 9999);
    std::vector<std::string> out;
    std::size_t pos = 0;
    for (int i = 0; i < count; ++i) {
        std::string text = mix ? maker.MakeMixed(i + 1, i == 0).text : maker.Make(i + 1, 0).text;
        if (i > 0) {
            // Pad the previous message (ending in a blank line) so this one starts at i mod 1024.
            std::size_t want = static_cast<std::size_t>(i % 1024);
            std::size_t need = (want + 1024 - pos % 1024) % 1024;
            if (need < 3) need += 1024;
            out.back().insert(out.back().size() - 2, std::string(need - 2, 'x') + "\r\n");
            pos += need;
        }
        pos += text.size();
        out.push_back(std::move(text));
    }
    return out;
}

std::string Concat(const std::vector<std::string>& texts) {
    std::string all;
    for (const auto& t : texts) all += t;
    return all;
}

std::vector<std::string> WriteStore(const std::string& dir, const GenOptions& options) {
    namespace fs = std::filesystem;
    fs::create_directories(fs::path(dir) / "Attachments");
    std::vector<std::string> paths;
    auto open = [&](const fs::path& p) {
        if (fs::exists(p)) throw std::runtime_error("refusing to replace " + p.string());
        std::ofstream f(p, std::ios::binary);
        if (!f) throw std::runtime_error("cannot create " + p.string());
        return f;
    };
    auto writeOne = [&](std::ofstream& f, const GenMessage& m) {
        f.write(m.text.data(), static_cast<std::streamsize>(m.text.size()));
        for (const auto& a : m.referenced) {
            auto af = open(fs::path(dir) / "Attachments" / a.fileName);
            af.write(a.bytes.data(), static_cast<std::streamsize>(a.bytes.size()));
        }
    };
    if (options.sizeMb > 0) {
        fs::path p = fs::path(dir) / "Inbox.imm";
        auto f = open(p);
        const std::uint64_t target = options.sizeMb << 20;
        std::uint64_t written = 0;
        Maker maker(options.seed, 0);
        for (int i = 1; written < target; ++i) {
            GenMessage m = options.mix ? maker.MakeMixed(i, i == 1) : maker.Make(i, i % 997 == 0 ? (3u << 20) : 0);
            m.referenced.clear();  // a bench container needs no attachment files
            writeOne(f, m);
            written += m.text.size();
        }
        if (!f) throw std::runtime_error("write failed: " + p.string());
        paths.push_back(p.string());
        return paths;
    }
    for (int c = 0; c < options.containers; ++c) {
        std::string name = c < 4 ? kContainers[c] : "Folder " + std::to_string(c) + ".imm";
        fs::path p = fs::path(dir) / name;
        auto f = open(p);
        const auto messages = options.mix ? GenerateMixedMessages(options.seed, c, options.messages)
                                          : GenerateMessages(options.seed, c, options.messages);
        for (const auto& m : messages) writeOne(f, m);
        if (!f) throw std::runtime_error("write failed: " + p.string());
        paths.push_back(p.string());
    }
    return paths;
}

}  // namespace quill::gen
