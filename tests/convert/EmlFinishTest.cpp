#include "convert/EmlFinish.h"

#include "convert/AttachmentNames.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

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

TEST_F(FinishTest, MissingFileKeepsThePartTheMessageCarries) {
    WriteAll(attachments / "a.txt", "alpha");
    auto r = Finish(WithAttachments({"a.txt", "b.pdf"}));
    EXPECT_EQ(r.attachmentsRestored, 1);
    EXPECT_EQ(r.attachmentsMissing, (std::vector<std::string>{"b.pdf"}));
    auto m = Reload();
    ASSERT_EQ(m.AttachmentCount(), 2);
    EXPECT_EQ(m.AttachmentContent(0), "alpha");
    EXPECT_EQ(m.AttachmentFileName(1), "b.pdf");
    EXPECT_NE(m.AttachmentContent(1).find("[%ImFilePath%]"), std::string::npos);
}

TEST_F(FinishTest, NothingFoundLeavesTheFileAsWritten) {
    std::string message = WithAttachments({"gone.doc"});
    auto r = Finish(message);
    EXPECT_EQ(r.attachmentsMissing.size(), 1u);
    EXPECT_EQ(ReadAll(file), message);
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

}  // namespace
}  // namespace quill
