// The PST target end to end: message files in, a new PST out, read back with
// libpff (through tests/e2e/pst_props.py) and readpst. The file naming and
// failure results are checked everywhere, the reader checks natively only.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "convert/PstTarget.h"
#include "tests/convert/TestFiles.h"

namespace fs = std::filesystem;
using quill::testing::ReadAll;
using quill::testing::WriteAll;

namespace {

class FixedClock : public quill::Clock {
  public:
    quill::LocalTime Now() override { return {2026, 3, 7, 9, 5, 3}; }
};
constexpr const char* kRunTime = "7.3.26 9.5.03";

fs::path FreshDir(const std::string& name) {
    fs::path d =
        fs::temp_directory_path() /
        ("quill-psttarget-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "-" + name);
    fs::remove_all(d);
    fs::create_directories(d);
    return d;
}

std::string Slash(const fs::path& p) { return p.string() + "/"; }

#ifndef _WIN32
bool HavePypff() { return std::system("/usr/bin/python3 -c 'import pypff' >/dev/null 2>&1") == 0; }

std::string Shell(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return out;
    char buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    int rc = ::pclose(p);
    if (status) *status = rc;
    return out;
}

// The flat dump of pst_props.py: key -> value, escapes undone.
std::map<std::string, std::string> Dump(const std::string& pst) {
    int rc = 0;
    std::string text = Shell("/usr/bin/python3 " QUILL_SOURCE_DIR "/tests/e2e/pst_props.py --flat '" + pst + "'", &rc);
    EXPECT_EQ(rc, 0) << "pypff could not read " << pst;
    std::map<std::string, std::string> d;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string v;
        for (std::size_t i = eq + 1; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                char c = line[++i];
                v += c == 'n' ? '\n' : c == 'r' ? '\r' : c;
            } else {
                v += line[i];
            }
        }
        d[line.substr(0, eq)] = v;
    }
    return d;
}

// Value of a field of message i in the folder named `folder` (anywhere in the tree).
std::string Field(const std::map<std::string, std::string>& d, const std::string& folder, int i,
                  const std::string& field) {
    const std::string tail = "folders." + folder + ".messages." + std::to_string(i) + "." + field;
    for (const auto& [k, v] : d)
        if (k.size() >= tail.size() && k.compare(k.size() - tail.size(), tail.size(), tail) == 0) return v;
    return "<missing " + tail + ">";
}

int MessageCount(const std::map<std::string, std::string>& d, const std::string& folder) {
    const std::string tail = "folders." + folder + ".messages.count";
    int n = -1;
    for (const auto& [k, v] : d)
        if (k.size() >= tail.size() && k.compare(k.size() - tail.size(), tail.size(), tail) == 0) n = std::stoi(v);
    return n;
}

std::string Sha256(const std::string& bytes, const fs::path& scratch) {
    WriteAll(scratch, bytes);
    std::string out = Shell("sha256sum '" + scratch.string() + "'");
    return out.substr(0, 64);
}

// readpst's export count per folder name.
std::map<std::string, int> ReadpstCounts(const std::string& pst, const fs::path& outDir) {
    fs::create_directories(outDir);
    // One process: readpst's forked exporters now and then lose a message.
    Shell("readpst -j 0 -q -D -8 -e -o '" + outDir.string() + "' '" + pst + "' 2>&1");
    std::map<std::string, int> counts;
    for (const auto& e : fs::recursive_directory_iterator(outDir))
        if (e.is_regular_file() && e.path().extension() == ".eml") ++counts[e.path().parent_path().filename().string()];
    return counts;
}
#endif

class PstTargetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = FreshDir(info->name());
        fs::create_directories(dir_ / "out");
        fs::create_directories(dir_ / "mail");
    }
    void TearDown() override {
        // Kept after a failure (or with QUILL_KEEP_TEST_FILES set) to look at with the readers.
        if (!HasFailure() && !std::getenv("QUILL_KEEP_TEST_FILES")) fs::remove_all(dir_);
    }
    std::string Mail(const std::string& name, const std::string& text) {
        fs::path p = dir_ / "mail" / name;
        WriteAll(p, text);
        return p.string();
    }
    // One folder with the messages; returns the PST path.
    std::string Build(const std::string& folder, const std::vector<std::string>& files) {
        quill::PstTarget t;
        auto opened = t.Open(Slash(dir_ / "out"), clock_);
        EXPECT_TRUE(opened.ok) << opened.error;
        EXPECT_TRUE(t.AddFolder(folder).ok);
        for (const auto& f : files) {
            auto r = t.Import(folder, f);
            EXPECT_TRUE(r.ok) << f << ": " << r.error;
        }
        auto closed = t.Close();
        EXPECT_TRUE(closed.ok) << closed.error;
#ifndef _WIN32
        ExpectPstExtractorReads(t.Path());
#endif
        return t.Path();
    }
#ifndef _WIN32
    // The third reader, written against Outlook's own files: it must read every folder, message,
    // body and attachment of what the target writes (installed by scripts/install-deps.sh).
    static void ExpectPstExtractorReads(const std::string& pst) {
        const std::string modules = QUILL_SOURCE_DIR "/build/npm/node_modules";
        if (!fs::exists(modules + "/pst-extractor") || std::system("node --version >/dev/null 2>&1") != 0) return;
        int rc = 0;
        const std::string out = Shell("node " QUILL_SOURCE_DIR "/tests/e2e/pst_extractor_read.js --modules '" + modules +
                                          "' '" + pst + "' 2>&1 >/dev/null",
                                      &rc);
        EXPECT_EQ(rc, 0) << out;
    }
#endif
    void RequireReaders() {
#ifdef _WIN32
        GTEST_SKIP() << "the PST readers run natively only";
#else
        if (!HavePypff()) GTEST_SKIP() << "pypff does not load in /usr/bin/python3";
#endif
    }
    fs::path dir_;
    FixedClock clock_;
};

// --- naming and failures (all builds) ---

TEST_F(PstTargetTest, FileAndStoreAreNamedAfterTheRunTime) {
    quill::PstTarget t;
    auto r = t.Open(Slash(dir_ / "out"), clock_);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(fs::path(t.Path()).filename().string(), std::string("Quillmere") + kRunTime + ".pst");
    EXPECT_EQ(t.DisplayName(), std::string("IncrediMail Messages : Created - ") + kRunTime);
    ASSERT_TRUE(t.Close().ok);
    EXPECT_TRUE(fs::exists(t.Path()));
}

TEST_F(PstTargetTest, TakenNameGetsNumberedAndExistingFileIsUntouched) {
    const fs::path taken = dir_ / "out" / (std::string("Quillmere") + kRunTime + ".pst");
    const std::string before = "not a pst, someone's file\n";
    WriteAll(taken, before);
    quill::PstTarget t;
    ASSERT_TRUE(t.Open(Slash(dir_ / "out"), clock_).ok);
    EXPECT_EQ(fs::path(t.Path()).filename().string(), std::string("Quillmere") + kRunTime + " (2).pst");
    ASSERT_TRUE(t.AddFolder("Inbox").ok);
    ASSERT_TRUE(t.Close().ok);
    EXPECT_EQ(ReadAll(taken), before);

    quill::PstTarget third;
    ASSERT_TRUE(third.Open(Slash(dir_ / "out"), clock_).ok);
    EXPECT_EQ(fs::path(third.Path()).filename().string(), std::string("Quillmere") + kRunTime + " (3).pst");
    ASSERT_TRUE(third.Close().ok);
    EXPECT_EQ(ReadAll(taken), before);
}

TEST_F(PstTargetTest, MissingTargetFolderFailsNamingThePath) {
    quill::PstTarget t;
    const std::string missing = Slash(dir_ / "no such folder");
    auto r = t.Open(missing, clock_);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("no such folder"), std::string::npos) << r.error;
    EXPECT_FALSE(fs::exists(dir_ / "no such folder"));
}

#ifndef _WIN32
TEST_F(PstTargetTest, UnwritableTargetFolderFailsNamingThePath) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes anywhere";
    fs::path ro = dir_ / "readonly";
    fs::create_directories(ro);
    fs::permissions(ro, fs::perms::owner_read | fs::perms::owner_exec);
    quill::PstTarget t;
    auto r = t.Open(Slash(ro), clock_);
    fs::permissions(ro, fs::perms::owner_all);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("readonly"), std::string::npos) << r.error;
}
#endif

TEST_F(PstTargetTest, TargetFolderThatIsAFileFailsNamingThePath) {
    WriteAll(dir_ / "plainfile", "x");
    quill::PstTarget t;
    auto r = t.Open(Slash(dir_ / "plainfile"), clock_);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("plainfile"), std::string::npos) << r.error;
    EXPECT_EQ(ReadAll(dir_ / "plainfile"), "x");
}

TEST_F(PstTargetTest, UseBeforeOpenAndUnknownFolderFail) {
    quill::PstTarget t;
    EXPECT_FALSE(t.AddFolder("Inbox").ok);
    EXPECT_FALSE(t.Import("Inbox", Mail("a.eml", "Subject: x\r\n\r\nbody\r\n")).ok);
    ASSERT_TRUE(t.Open(Slash(dir_ / "out"), clock_).ok);
    auto r = t.Import("Nowhere", Mail("b.eml", "Subject: x\r\n\r\nbody\r\n"));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("Nowhere"), std::string::npos) << r.error;
    ASSERT_TRUE(t.AddFolder("Inbox").ok);
    auto missing = t.Import("Inbox", (dir_ / "mail" / "gone.eml").string());
    EXPECT_FALSE(missing.ok);
    EXPECT_TRUE(t.Close().ok);
}

TEST_F(PstTargetTest, RefusedFolderTellsTheRunWhatWasExpectedAndMet) {
    // The run's report carries this text as the reason the folder was not added.
    quill::PstTarget t;
    ASSERT_TRUE(t.Open(Slash(dir_ / "out"), clock_).ok);
    auto r = t.AddFolder(std::string(300, 'x'));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find(t.Path()), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("expected at most 255 UTF-16 units, actual 300"), std::string::npos) << r.error;
    EXPECT_TRUE(t.Close().ok);
}

// --- read back with libpff / readpst (native) ---
#ifndef _WIN32

TEST_F(PstTargetTest, SubjectsAddressesAndBodiesReadBack) {
    RequireReaders();
    if (IsSkipped()) return;
    std::vector<std::string> files = {
        Mail("1.eml",
             "From: =?UTF-8?B?SsO2cmcgTcO8bGxlcg==?= <jorg@example.com>\r\n"
             "To: =?ISO-8859-1?Q?Ren=E9e?= <renee@example.org>, plain@example.org\r\n"
             "Cc: Carl <carl@example.net>\r\n"
             "Subject: =?UTF-8?Q?RE:_Gr=C3=BC=C3=9Fe?=\r\n"
             "Date: Tue, 4 Mar 2008 10:20:30 +0000\r\n"
             "MIME-Version: 1.0\r\n"
             "Content-Type: text/plain; charset=utf-8\r\n\r\n"
             "Plain only \xC3\xA4.\r\n"),
        Mail("2.eml",
             "From: a@example.com\r\n"
             "Subject: =?ISO-8859-1?Q?AW:_Caf=E9?=\r\n"
             "Date: Tue, 4 Mar 2008 10:20:30 +0000\r\n"
             "MIME-Version: 1.0\r\n"
             "Content-Type: text/html; charset=iso-8859-1\r\n\r\n"
             "<html><body><p>Only <b>HTML</b> caf\xE9</p></body></html>\r\n"),
        Mail("3.eml",
             "From: b@example.com\r\n"
             "Subject: =?KOI8-R?B?UkU6IO/U3sXU?=\r\n"
             "Date: Tue, 4 Mar 2008 10:20:30 +0000\r\n"
             "MIME-Version: 1.0\r\n"
             "Content-Type: multipart/alternative; boundary=\"b\"\r\n\r\n"
             "--b\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\nalt plain\r\n"
             "--b\r\nContent-Type: text/html; charset=us-ascii\r\n\r\n<p>alt html</p>\r\n--b--\r\n"),
        Mail("4.eml",
             "Received: by last.example.org; Wed, 5 Mar 2008 08:00:00 +0100\r\n"
             "Received: by first.example.net; Wed, 5 Mar 2008 07:00:00 +0100\r\n"
             "From: \"Quoted, Name\" <q@example.com>\r\n"
             "Subject: no prefix: here\r\n"
             "Date: Tue, 4 Mar 2008 23:59:59 -0500\r\n\r\nx\r\n"),
    };
    const std::string pst = Build("Inbox", files);
    auto d = Dump(pst);
    ASSERT_EQ(MessageCount(d, "Inbox"), 4);

    EXPECT_EQ(Field(d, "Inbox", 0, "subject"),
              "RE: Gr\xC3\xBC\xC3\x9F"
              "e");
    EXPECT_EQ(Field(d, "Inbox", 0, "topic"),
              "Gr\xC3\xBC\xC3\x9F"
              "e");
    EXPECT_EQ(Field(d, "Inbox", 0, "sender_name"), "J\xC3\xB6rg M\xC3\xBCller");
    EXPECT_EQ(Field(d, "Inbox", 0, "sender_email"), "jorg@example.com");
    EXPECT_EQ(Field(d, "Inbox", 0, "client_submit_time").substr(0, 19), "2008-03-04T10:20:30");
    EXPECT_NE(Field(d, "Inbox", 0, "plain_body").find("Plain only \xC3\xA4."), std::string::npos);
    EXPECT_NE(Field(d, "Inbox", 0, "transport_headers").find("Subject: =?UTF-8?Q?RE:_Gr=C3=BC=C3=9Fe?="),
              std::string::npos);
    EXPECT_EQ(Field(d, "Inbox", 0, "flags"), "1");
    EXPECT_NE(Field(d, "Inbox", 0, "display_to")
                  .find("Ren\xC3\xA9"
                        "e"),
              std::string::npos);
    EXPECT_EQ(Field(d, "Inbox", 0, "display_cc"), "Carl");

    EXPECT_EQ(Field(d, "Inbox", 1, "subject"), "AW: Caf\xC3\xA9");
    EXPECT_EQ(Field(d, "Inbox", 1, "topic"), "Caf\xC3\xA9");
    EXPECT_NE(Field(d, "Inbox", 1, "html_body").find("<b>HTML</b>"), std::string::npos);
    // An HTML-only message still gets a plain body a reader can show.
    EXPECT_NE(Field(d, "Inbox", 1, "plain_body").find("HTML"), std::string::npos);
    EXPECT_EQ(Field(d, "Inbox", 1, "plain_body").find("<b>"), std::string::npos);

    EXPECT_EQ(Field(d, "Inbox", 2, "subject"), "RE: \xD0\x9E\xD1\x82\xD1\x87\xD0\xB5\xD1\x82");
    EXPECT_EQ(Field(d, "Inbox", 2, "topic"), "\xD0\x9E\xD1\x82\xD1\x87\xD0\xB5\xD1\x82");
    EXPECT_NE(Field(d, "Inbox", 2, "plain_body").find("alt plain"), std::string::npos);
    EXPECT_NE(Field(d, "Inbox", 2, "html_body").find("alt html"), std::string::npos);
    EXPECT_EQ(Field(d, "Inbox", 2, "flags"), "1");

    // Delivery from the topmost Received:, submit from Date:, both in UTC.
    EXPECT_EQ(Field(d, "Inbox", 3, "delivery_time").substr(0, 19), "2008-03-05T07:00:00");
    EXPECT_EQ(Field(d, "Inbox", 3, "client_submit_time").substr(0, 19), "2008-03-05T04:59:59");
    EXPECT_EQ(Field(d, "Inbox", 3, "sender_name"), "Quoted, Name");
    EXPECT_EQ(Field(d, "Inbox", 3, "subject"), "no prefix: here");
    EXPECT_EQ(Field(d, "Inbox", 3, "topic"), "no prefix: here");
}

TEST_F(PstTargetTest, AttachmentsKeepExactBytesAndInlineImagesAreHidden) {
    RequireReaders();
    if (IsSkipped()) return;
    std::string big(9u << 20, '\0');
    std::uint32_t x = 12345;
    for (char& c : big) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
    auto b64 = [](const std::string& in) {
        static const char* t = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string o;
        std::size_t line = 0;
        for (std::size_t i = 0; i < in.size(); i += 3) {
            std::uint32_t v = static_cast<std::uint8_t>(in[i]) << 16;
            if (i + 1 < in.size()) v |= static_cast<std::uint8_t>(in[i + 1]) << 8;
            if (i + 2 < in.size()) v |= static_cast<std::uint8_t>(in[i + 2]);
            o += t[v >> 18 & 63];
            o += t[v >> 12 & 63];
            o += i + 1 < in.size() ? t[v >> 6 & 63] : '=';
            o += i + 2 < in.size() ? t[v & 63] : '=';
            if (++line == 19) o += "\r\n", line = 0;
        }
        return o + "\r\n";
    };
    const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + std::string(100, '\x07');
    std::vector<std::string> files = {
        Mail("related.eml",
             "From: r@example.com\r\nSubject: inline\r\nDate: Tue, 4 Mar 2008 10:20:30 +0000\r\n"
             "MIME-Version: 1.0\r\nContent-Type: multipart/related; boundary=\"r\"\r\n\r\n"
             "--r\r\nContent-Type: text/html; charset=us-ascii\r\n\r\n<img src=\"cid:pic1@x\">\r\n"
             "--r\r\nContent-Type: image/png; name=\"pic.png\"\r\nContent-ID: <pic1@x>\r\n"
             "Content-Transfer-Encoding: base64\r\n\r\n" +
                 b64(png) + "--r--\r\n"),
        Mail(
            "files.eml",
            "From: f@example.com\r\nSubject: files\r\nDate: Tue, 4 Mar 2008 10:20:30 +0000\r\n"
            "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"m\"\r\n\r\n"
            "--m\r\nContent-Type: text/plain\r\n\r\nsee files\r\n"
            "--m\r\nContent-Type: application/octet-stream\r\nContent-Disposition: attachment; "
            "filename=\"empty.bin\"\r\n\r\n\r\n"
            "--m\r\nContent-Type: application/octet-stream\r\nContent-Disposition: attachment; filename=\"big.bin\"\r\n"
            "Content-Transfer-Encoding: base64\r\n\r\n" +
                b64(big) +
                "--m\r\nContent-Type: message/rfc822\r\n\r\nFrom: inner@example.com\r\nSubject: inner\r\n\r\ninner "
                "body\r\n"
                "--m--\r\n"),
    };
    const std::string pst = Build("Inbox", files);
    auto d = Dump(pst);
    ASSERT_EQ(MessageCount(d, "Inbox"), 2);

    EXPECT_EQ(Field(d, "Inbox", 0, "attachments.count"), "1");
    EXPECT_EQ(Field(d, "Inbox", 0, "attachments.0.hidden"), "True");
    EXPECT_EQ(Field(d, "Inbox", 0, "attachments.0.sha256"), Sha256(png, dir_ / "png.tmp"));
    EXPECT_EQ(Field(d, "Inbox", 0, "attachments.0.content_id"), "pic1@x");
    EXPECT_EQ(Field(d, "Inbox", 0, "flags"), "17");

    EXPECT_EQ(Field(d, "Inbox", 1, "flags"), "17");
    ASSERT_EQ(Field(d, "Inbox", 1, "attachments.count"), "3");
    EXPECT_EQ(Field(d, "Inbox", 1, "attachments.0.name"), "empty.bin");
    EXPECT_EQ(Field(d, "Inbox", 1, "attachments.0.size"), "0");
    EXPECT_EQ(Field(d, "Inbox", 1, "attachments.1.name"), "big.bin");
    EXPECT_EQ(Field(d, "Inbox", 1, "attachments.1.size"), std::to_string(big.size()));
    EXPECT_EQ(Field(d, "Inbox", 1, "attachments.1.sha256"), Sha256(big, dir_ / "big.tmp"));
    EXPECT_EQ(Field(d, "Inbox", 1, "attachments.1.hidden"), "False");
    // The attached message is an embedded message object, visible.
    EXPECT_EQ(Field(d, "Inbox", 1, "attachments.2.hidden"), "False");
    EXPECT_EQ(Field(d, "Inbox", 1, "attachments.2.method"), "5");
    EXPECT_EQ(Field(d, "Inbox", 1, "attachments.2.mime"), "message/rfc822");

    int rc = 0;
    Shell("pffinfo '" + pst + "' >/dev/null 2>&1", &rc);
    EXPECT_EQ(rc, 0);
    auto counts = ReadpstCounts(pst, dir_ / "readpst");
    EXPECT_EQ(counts["Inbox"], 2);
}

TEST_F(PstTargetTest, EncodedAttachmentNamesAndOddFolderNamesReadBack) {
    RequireReaders();
    if (IsSkipped()) return;
    const std::string folder =
        "Sch\xC3\xB6ne Gr\xC3\xBC\xC3\x9F"
        "e & more";
    const std::string pst =
        Build(folder, {Mail("n.eml",
                            "From: n@example.com\r\nSubject: names\r\nMIME-Version: 1.0\r\n"
                            "Content-Type: multipart/mixed; boundary=\"n\"\r\n\r\n"
                            "--n\r\nContent-Type: text/plain\r\n\r\nnames\r\n"
                            "--n\r\nContent-Type: application/pdf\r\n"
                            "Content-Disposition: attachment; filename*=UTF-8''R%C3%A9sum%C3%A9.pdf\r\n\r\nPDF\r\n"
                            "--n\r\nContent-Type: text/plain; name=\"=?UTF-8?B?0J7RgtGH0LXRgi50eHQ=?=\"\r\n"
                            "Content-Disposition: attachment\r\n\r\nTXT\r\n--n--\r\n")});
    auto d = Dump(pst);
    ASSERT_EQ(MessageCount(d, folder), 1);
    ASSERT_EQ(Field(d, folder, 0, "attachments.count"), "2");
    EXPECT_EQ(Field(d, folder, 0, "attachments.0.name"), "R\xC3\xA9sum\xC3\xA9.pdf");
    EXPECT_EQ(Field(d, folder, 0, "attachments.1.name"), "\xD0\x9E\xD1\x82\xD1\x87\xD0\xB5\xD1\x82.txt");
    EXPECT_EQ(ReadpstCounts(pst, dir_ / "readpst")[folder], 1);
}

TEST_F(PstTargetTest, BrokenHeadersStillImport) {
    RequireReaders();
    if (IsSkipped()) return;
    std::vector<std::string> files = {
        Mail("nofrom.eml", "Subject: no sender\r\nDate: Tue, 4 Mar 2008 10:20:30 +0000\r\n\r\nbody one\r\n"),
        Mail("baddate.eml", "From: d@example.com\r\nSubject: bad date\r\nDate: sometime last week\r\n\r\nbody two\r\n"),
        Mail("nocolon.eml",
             "From: e@example.com\r\nThis header has no colon\r\nSubject: no colon\r\n\r\nbody three\r\n"),
        Mail("empty.eml", ""),
    };
    const std::string pst = Build("Broken", files);
    auto d = Dump(pst);
    ASSERT_EQ(MessageCount(d, "Broken"), 4);
    EXPECT_EQ(Field(d, "Broken", 0, "subject"), "no sender");
    EXPECT_NE(Field(d, "Broken", 0, "plain_body").find("body one"), std::string::npos);
    EXPECT_EQ(Field(d, "Broken", 1, "subject"), "bad date");
    EXPECT_EQ(Field(d, "Broken", 1, "sender_email"), "d@example.com");
    EXPECT_EQ(Field(d, "Broken", 2, "sender_email"), "e@example.com");
    EXPECT_NE(Field(d, "Broken", 2, "plain_body").find("body three"), std::string::npos);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Field(d, "Broken", i, "flags"), "1") << i;
    int rc = 0;
    Shell("pffinfo '" + pst + "' >/dev/null 2>&1", &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(ReadpstCounts(pst, dir_ / "readpst")["Broken"], 4);
}

TEST_F(PstTargetTest, SameFolderNameTwiceCollectsBothContainers) {
    RequireReaders();
    if (IsSkipped()) return;
    quill::PstTarget t;
    ASSERT_TRUE(t.Open(Slash(dir_ / "out"), clock_).ok);
    ASSERT_TRUE(t.AddFolder("Inbox").ok);
    ASSERT_TRUE(t.Import("Inbox", Mail("a.eml", "From: a@example.com\r\nSubject: first\r\n\r\nx\r\n")).ok);
    ASSERT_TRUE(t.AddFolder("Sent Items").ok);
    ASSERT_TRUE(t.Import("Sent Items", Mail("s.eml", "From: s@example.com\r\nSubject: sent\r\n\r\nx\r\n")).ok);
    ASSERT_TRUE(t.AddFolder("Inbox").ok);
    ASSERT_TRUE(t.Import("Inbox", Mail("b.eml", "From: b@example.com\r\nSubject: second\r\n\r\nx\r\n")).ok);
    ASSERT_TRUE(t.Close().ok);

    auto d = Dump(t.Path());
    EXPECT_EQ(d["store_name"], std::string("IncrediMail Messages : Created - ") + kRunTime);
    EXPECT_EQ(MessageCount(d, "Inbox"), 2);
    EXPECT_EQ(MessageCount(d, "Sent Items"), 1);
    int inboxFolders = 0;
    for (const auto& [k, v] : d)
        if (k.size() > 20 && k.ends_with(".folders.Inbox.messages.count")) ++inboxFolders;
    EXPECT_EQ(inboxFolders, 1);
    auto counts = ReadpstCounts(t.Path(), dir_ / "readpst");
    EXPECT_EQ(counts["Inbox"], 2);
    EXPECT_EQ(counts["Sent Items"], 1);
    // readpst names the store folder after the display name.
    bool storeDir = false;
    for (const auto& e : fs::directory_iterator(dir_ / "readpst"))
        storeDir |= e.path().filename().string().starts_with("IncrediMail Messages");
    EXPECT_TRUE(storeDir);
}

#endif  // _WIN32

}  // namespace
