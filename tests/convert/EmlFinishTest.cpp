#include "convert/EmlFinish.h"

#include "convert/AttachmentNames.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "mime/MimeMessage.h"
#include "TestFiles.h"

namespace quill {
namespace {

namespace fs = std::filesystem;

using testing::ReadAll;
using testing::WriteAll;

std::string ReferencePart(const std::string& name) {
    return "--b1\r\nContent-Type: application/octet-stream; name=\"" + name +
           "\"\r\nContent-Disposition: attachment; filename=\"" + name +
           "\"\r\n\r\n----------[%ImFilePath%]----------" + name + "\r\n";
}

std::string WithAttachments(const std::vector<std::string>& names) {
    std::string m =
        "From: a@example.org\r\nSubject: files\r\nMIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n--b1\r\nContent-Type: text/plain\r\n\r\nsee files\r\n";
    for (const auto& n : names) m += ReferencePart(n);
    return m + "--b1--\r\n";
}

class FinishTest : public ::testing::Test {
  protected:
    fs::path root, attachments, file;
    void SetUp() override {
        root = fs::path(::testing::TempDir()) /
               ("quill_finish_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root);
        attachments = root / "Attachments";
        fs::create_directories(attachments);
        file = root / "email-1.eml";
    }
    void TearDown() override { fs::remove_all(root); }
    FinishResult Finish(const std::string& message) {
        WriteAll(file, message);
        return EmlFinisher().Finish(file.string(), attachments.string() + "/");
    }
    mime::MimeMessage Reload() {
        mime::MimeMessage m;
        m.Load(ReadAll(file));
        return m;
    }
};

TEST_F(FinishTest, AttachmentsArePutBackInTheirOrder) {
    WriteAll(attachments / "a.txt", "alpha bytes");
    WriteAll(attachments / "b.pdf", std::string("%PDF\0\x01\x02", 7));
    auto r = Finish(WithAttachments({"a.txt", "b.pdf"}));
    EXPECT_EQ(r.status, FinishResult::Status::Finished);
    EXPECT_EQ(r.attachmentsRestored, 2);
    EXPECT_TRUE(r.attachmentsMissing.empty());
    auto m = Reload();
    ASSERT_EQ(m.AttachmentCount(), 2);
    EXPECT_EQ(m.AttachmentFileName(0), "a.txt");
    EXPECT_EQ(m.AttachmentContent(0), "alpha bytes");
    EXPECT_EQ(m.AttachmentFileName(1), "b.pdf");
    EXPECT_EQ(m.AttachmentContent(1), std::string("%PDF\0\x01\x02", 7));
    EXPECT_EQ(m.BodyText(), "see files");  // the line end before a boundary is the boundary's
}

// Never a garbage file: a user who opens the attachment reads why it is not there.
TEST_F(FinishTest, MissingFileBecomesANoteThatNamesIt) {
    WriteAll(attachments / "a.txt", "alpha");
    auto r = Finish(WithAttachments({"a.txt", "b.pdf"}));
    EXPECT_EQ(r.attachmentsRestored, 1);
    EXPECT_EQ(r.attachmentsMissing, (std::vector<std::string>{"b.pdf"}));
    auto m = Reload();
    ASSERT_EQ(m.AttachmentCount(), 2);
    EXPECT_EQ(m.AttachmentContent(0), "alpha");
    EXPECT_EQ(m.AttachmentFileName(1), "b.pdf (missing).txt");
    EXPECT_EQ(m.Attachments()[1].contentType, "text/plain");
    EXPECT_NE(m.AttachmentContent(1).find("\"b.pdf\""), std::string::npos);
    EXPECT_EQ(m.AttachmentContent(1).find("[%ImFilePath%]"), std::string::npos);
}

TEST_F(FinishTest, AttachmentNamesAreNeverPaths) {
    WriteAll(root / "secret.txt", "outside the attachments folder");
    for (std::string name : {"../secret.txt", "..\\secret.txt", "C:secret.txt", "/etc/../secret.txt"}) {
        auto r = Finish(WithAttachments({name}));
        EXPECT_EQ(r.attachmentsRestored, 0) << name;
        EXPECT_EQ(Reload().AttachmentContent(0).find("outside"), std::string::npos) << name;
    }
    // The last component is looked up inside the folder.
    WriteAll(attachments / "secret.txt", "inside");
    auto r = Finish(WithAttachments({"..\\..\\secret.txt"}));
    EXPECT_EQ(r.attachmentsRestored, 1);
    EXPECT_EQ(Reload().AttachmentContent(0), "inside");
    EXPECT_EQ(SafeAttachmentName("CON.txt"), "");
    EXPECT_EQ(SafeAttachmentName("nul"), "");
    EXPECT_EQ(SafeAttachmentName("lpt1.doc"), "");
    EXPECT_EQ(SafeAttachmentName(".."), "");
    EXPECT_EQ(SafeAttachmentName("report.2024.pdf"), "report.2024.pdf");
}

TEST_F(FinishTest, JoinedMessageIsCutAtALineStartAndKeptAsAttachment) {
    std::string joined = "Return-Path: <other@example.org>\r\nSubject: other\r\n\r\nother body\r\n";
    std::string message = "From: a@example.org\r\nSubject: s\r\n\r\nfirst body\r\n" + joined;
    auto r = Finish(message);
    EXPECT_TRUE(r.cutApplied);
    auto m = Reload();
    EXPECT_EQ(m.BodyText(), "first body\r\n");
    ASSERT_EQ(m.AttachmentCount(), 1);
    EXPECT_EQ(m.AttachmentFileName(0), "joined-message.txt");
    EXPECT_EQ(m.AttachmentContent(0), joined);
}

TEST_F(FinishTest, ReturnPathInsideALineOrWithoutBlankIsNotACut) {
    for (std::string body : {"see the return-path: header\r\n", "Return-Path:<x@y>\r\nmore\r\n"}) {
        std::string message = "From: a@example.org\r\nSubject: s\r\n\r\n" + body;
        auto r = Finish(message);
        EXPECT_FALSE(r.cutApplied) << body;
        EXPECT_EQ(ReadAll(file), message);
    }
}

TEST_F(FinishTest, HtmlIsCutAtItsOwnPosition) {
    std::string message =
        "From: a@example.org\r\nSubject: s\r\nMIME-Version: 1.0\r\n"
        "Content-Type: multipart/alternative; boundary=\"alt\"\r\n\r\n"
        "--alt\r\nContent-Type: text/plain\r\n\r\nshort\r\nReturn-Path: <j@x>\r\n"
        "--alt\r\nContent-Type: text/html\r\n\r\n<html><body><p>a much longer html text than the plain one</p>"
        "<br>Return-Path: &lt;j@x&gt;</body></html>\r\n--alt--\r\n";
    auto r = Finish(message);
    EXPECT_TRUE(r.cutApplied);
    auto m = Reload();
    EXPECT_EQ(m.BodyText(), "short\r\n");
    EXPECT_EQ(m.HtmlBody(), "<html><body><p>a much longer html text than the plain one</p><br>");
    ASSERT_EQ(m.AttachmentCount(), 2);
    EXPECT_EQ(m.AttachmentFileName(1), "joined-message.html");
    EXPECT_EQ(m.AttachmentContent(1).rfind("Return-Path: &lt;j@x&gt;", 0), 0u);
}

TEST_F(FinishTest, UnreadableMessageIsLeftAsWrittenAndReported) {
    auto r = EmlFinisher().Finish((root / "missing.eml").string(), attachments.string());
    EXPECT_EQ(r.status, FinishResult::Status::LeftAsWritten);
    EXPECT_NE(r.error.find("missing.eml"), std::string::npos);
    EXPECT_FALSE(fs::exists(root / "missing.eml"));
}

TEST_F(FinishTest, UntouchedMessageStaysByteIdentical) {
    std::string message =
        "Received: from x\r\nFrom: =?utf-8?B?w4RwZmVs?= <a@example.org>\r\nSubject: plain\r\n\r\nbody\r\n";
    Finish(message);
    EXPECT_EQ(ReadAll(file), message);
}

// The cheap look must never skip a message that finishing would change; the
// fuzz target checks the same on arbitrary bytes.
TEST(NeedsFinishing, SaysYesToEveryReasonAndNoToPlainMail) {
    const std::string head = "From: a@example.org\r\nSubject: s\r\nMIME-Version: 1.0\r\n";
    const std::string mixed = head + "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n\r\ntext\r\n";
    struct Case {
        const char* what;
        std::string message;
        bool needs;
    } cases[] = {
        {"reference line",
         mixed + "--b\r\nContent-Type: x/y\r\n\r\n----------[%ImFilePath%]----------a.txt\r\n--b--\r\n", true},
        {"imbndary", head + "Content-Type: multipart/mixed; imbndary=\"4d4d\"\r\n\r\n--\r\n", true},
        {"joined message", head + "\r\nfirst\r\nReturn-Path: <b@example.org>\r\n", true},
        {"joined, soft break",
         head + "Content-Transfer-Encoding: quoted-printable\r\n\r\nx\r\nReturn-Pa=\r\nth: <b>\r\n", true},
        {"joined, escaped", head + "Content-Transfer-Encoding: quoted-printable\r\n\r\nx\r\n=52eturn-Path:=20<b>\r\n",
         true},
        {"base64 text hiding a join",
         head + "Content-Transfer-Encoding: "
                "base64\r\n\r\nZmlyc3QNClJldHVybi1QYXRoOiA8YkBleGFtcGxlLm9yZz4NClN1YmplY3Q6IGpvaW5lZA0K\r\n",
         true},
        {"base64 text in a part of a boundary in sections",
         head +
             "Content-Type: multipart/mixed; boundary*0=\"b\"\r\n\r\n--b\r\nContent-Transfer-Encoding: base64\r\n\r\n"
             "Zmlyc3QNClJldHVybi1QYXRoOiA8YkBleGFtcGxlLm9yZz4NClN1YmplY3Q6IGpvaW5lZA0K\r\n--b--\r\n",
         true},
        {"a multipart the look cannot follow", head + "Content-Type: multipart/mixed\r\n\r\n--b\r\n\r\nx\r\n--b--\r\n",
         true},
        {"UTF-16 text", head + "Content-Type: text/plain; charset=utf-16\r\n\r\nx\r\n", true},
        {"empty named part", mixed + "--b\r\nContent-Type: application/pdf; name=x.pdf\r\n\r\n--b--\r\n", true},
        {"a named multipart on its parent's boundary is an empty leaf",
         mixed + "--b\r\nContent-Disposition: attachment; filename=\"x\"\r\nContent-Type: multipart/mixed; "
                 "boundary=\"b\"\r\n\r\n--b\r\n\r\nbody\r\n--b--\r\n",
         true},
        {"named part without its blank line",
         mixed + "--b\r\nContent-Type: message/rfc822; name=\"x.eml\"\r\n--b--\r\n", true},
        {"empty last part, no close", mixed + "--b\r\nContent-Disposition: attachment; filename=x\r\n\r\n", true},
        {"empty attachment message",
         "From: a@example.org\r\nContent-Type: application/pdf; name=x.pdf\r\nContent-Disposition: attachment\r\n\r\n",
         true},
        {"plain text", head + "\r\nHello.\r\n-- \r\nsignature\r\n", false},
        {"alternative with blank lines",
         head + "Content-Type: multipart/alternative; boundary=\"a\"\r\n\r\n--a\r\nContent-Type: text/plain\r\n\r\n"
                "text\r\n\r\n--a\r\nContent-Type: text/html\r\n\r\n<p>x</p>\r\n\r\n--a--\r\n",
         false},
        {"nested multipart",
         mixed + "--b\r\nContent-Type: multipart/alternative; boundary=\"a\"\r\n\r\n--a\r\n\r\nx\r\n--a--\r\n--b--\r\n",
         false},
        {"Return-Path in the header", "Return-Path: <a@example.org>\r\n" + head + "\r\nbody\r\n", false},
        {"base64 text", head + "Content-Transfer-Encoding: base64\r\n\r\ndGV4dA==\r\n", false},
        {"attachment with its content",
         mixed + "--b\r\nContent-Type: application/pdf; name=x.pdf\r\nContent-Transfer-Encoding: base64\r\n\r\n"
                 "UmV0dXJuLVBhdGg6IGluIGEgUERG\r\n--b--\r\n",
         false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NeedsFinishing(c.message), c.needs) << c.what;
        if (c.needs) continue;
        mime::MimeMessage m;
        m.Load(c.message);
        FinishResult r = FinishMessage(m, AttachmentFolder("/nonexistent-folder"));
        EXPECT_FALSE(r.changed) << c.what;
    }
}

// A restored part keeps its transfer encoding when it is base64 or
// quoted-printable; anything else becomes base64 and says so. The bytes
// decode to exactly the file's, line ends and trailing blanks included.
TEST_F(FinishTest, RestoredContentKeepsThePartsEncodingAndExactBytes) {
    const std::string content = "line one\r\n-dash first\r\ntrailing blank \r\n=equals\nbare LF\x00\xff";
    WriteAll(attachments / "f.bin", content);
    for (std::string encoding : {"base64", "quoted-printable", "7bit", ""}) {
        std::string part = "--b1\r\nContent-Type: application/octet-stream; name=\"f.bin\"\r\n" +
                           (encoding.empty() ? "" : "Content-Transfer-Encoding: " + encoding + "\r\n") +
                           "\r\n----------[%ImFilePath%]----------f.bin\r\n";
        std::string message = WithAttachments({}).substr(0, WithAttachments({}).size() - 8) + part + "--b1--\r\n";
        auto r = Finish(message);
        EXPECT_EQ(r.attachmentsRestored, 1) << encoding;
        auto m = Reload();
        ASSERT_EQ(m.AttachmentCount(), 1) << encoding;
        EXPECT_EQ(m.AttachmentContent(0), content) << encoding;
        const std::string want = encoding == "quoted-printable" ? "quoted-printable" : "base64";
        EXPECT_EQ(m.Bodies().attachments[0]->TransferEncoding(), want) << encoding;
    }
}

// Saving goes through a temporary file beside the message; one of the user's
// that happens to carry the name it would take is never touched.
TEST_F(FinishTest, TemporaryFileNeverTouchesAUsersFile) {
    WriteAll(attachments / "a.txt", "alpha");
    WriteAll(root / "email-1.eml.quill-tmp", "the user's own file");
    auto r = Finish(WithAttachments({"a.txt"}));
    EXPECT_EQ(r.status, FinishResult::Status::Finished) << r.error;
    EXPECT_EQ(ReadAll(root / "email-1.eml.quill-tmp"), "the user's own file");
    EXPECT_EQ(Reload().AttachmentContent(0), "alpha");
    EXPECT_FALSE(fs::exists(root / "email-1.eml (2).quill-tmp"));
}

// A match that is a link or a special file is never opened: nothing from
// outside the folder reaches the mail, and a FIFO cannot make the run wait.
TEST_F(FinishTest, LinksAndSpecialFilesInTheFolderAreRefused) {
    WriteAll(root / "outside.txt", "outside the attachments folder");
    std::error_code ec;
    fs::create_symlink(root / "outside.txt", attachments / "leak.txt", ec);
    if (ec) GTEST_SKIP() << "this system makes no symbolic links here: " << ec.message();
    fs::create_directory(attachments / "folder.txt");
    std::vector<std::string> names{"leak.txt", "folder.txt"};
#ifndef _WIN32
    ASSERT_EQ(::mkfifo((attachments / "pipe.txt").c_str(), 0600), 0);
    names.push_back("pipe.txt");
#endif
    auto r = Finish(WithAttachments(names));
    EXPECT_EQ(r.attachmentsRestored, 0);
    ASSERT_EQ(r.attachmentsRefused.size(), names.size());
    EXPECT_NE(r.attachmentsRefused[0].second.find("symbolic link"), std::string::npos);
    EXPECT_NE(r.attachmentsRefused[1].second.find("folder"), std::string::npos);
    if (names.size() > 2) {
        EXPECT_NE(r.attachmentsRefused[2].second.find("FIFO"), std::string::npos);
    }
    EXPECT_EQ(ReadAll(file).find("outside the attachments"), std::string::npos);
}

}  // namespace
}  // namespace quill
