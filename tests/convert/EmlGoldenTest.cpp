// Whole messages through the finishing step, compared with frozen results
// in golden/<case>/: in.eml and its Attachments folder give expected.eml.
// QUILL_UPDATE_GOLDEN=1 rewrites the expected files (check the diff!).

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "TestFiles.h"
#include "convert/EmlFinish.h"
#include "mime/MimeMessage.h"

namespace quill {
namespace {

namespace fs = std::filesystem;
using testing::ReadAll;
using testing::WriteAll;

fs::path GoldenDir(const std::string& name) {
    std::string root = QUILL_SOURCE_DIR;
#ifdef _WIN32
    if (!root.empty() && root[0] == '/') root = "Z:" + root;  // the build's Unix path, seen from Wine
#endif
    return fs::path(root) / "tests" / "convert" / "golden" / name;
}

std::string Utf8(const fs::path& p) {
    auto u8 = p.u8string();
    return std::string(u8.begin(), u8.end());
}

class EmlGolden : public ::testing::Test {
  protected:
    fs::path work;
    void SetUp() override {
        work = fs::path(::testing::TempDir()) /
               ("quill_golden_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(work);
        fs::create_directories(work);
    }
    void TearDown() override { fs::remove_all(work); }

    // Finishes a copy of the case's in.eml and returns what it became.
    std::string Run(const std::string& name, FinishResult* result = nullptr) {
        fs::path dir = GoldenDir(name);
        fs::path file = work / "email-1.eml";
        WriteAll(file, ReadAll(dir / "in.eml"));
        FinishResult r = EmlFinisher().Finish(Utf8(file), Utf8(dir / "Attachments"));
        EXPECT_EQ(r.status, FinishResult::Status::Finished) << r.error;
        if (result) *result = r;
        return ReadAll(file);
    }

    void ExpectGolden(const std::string& name, const std::string& out) {
        fs::path expected = GoldenDir(name) / "expected.eml";
        if (std::getenv("QUILL_UPDATE_GOLDEN")) WriteAll(expected, out);
        ASSERT_TRUE(fs::exists(expected)) << expected;
        EXPECT_EQ(out, ReadAll(expected)) << name;
    }

    static mime::MimeMessage Parsed(const std::string& bytes) {
        mime::MimeMessage m;
        m.Load(bytes);
        return m;
    }
    std::string Attachment(const std::string& name, const std::string& file) {
        return ReadAll(GoldenDir(name) / "Attachments" / fs::path(std::u8string(file.begin(), file.end())));
    }
};

TEST_F(EmlGolden, AttachmentsArePutBackFromTheFolder) {
    FinishResult r;
    std::string out = Run("restore", &r);
    EXPECT_EQ(r.attachmentsRestored, 2);
    auto m = Parsed(out);
    ASSERT_EQ(m.AttachmentCount(), 2);
    EXPECT_EQ(m.AttachmentContent(0), Attachment("restore", "notes.txt"));
    EXPECT_EQ(m.AttachmentContent(1), Attachment("restore", "dot.gif"));
    EXPECT_EQ(m.Attachments()[1].contentType, "image/gif");
    EXPECT_EQ(m.BodyText(), "Both files are attached.\r\n");
    ExpectGolden("restore", out);
}

TEST_F(EmlGolden, JoinedMessageCutInTextAndHtmlAtTheirOwnPlaces) {
    FinishResult r;
    std::string out = Run("joined", &r);
    EXPECT_TRUE(r.cutApplied);
    auto m = Parsed(out);
    EXPECT_EQ(m.BodyText(), "Caf\xc3\xa9 first.\r\n");
    EXPECT_EQ(m.HtmlBody(),
              "<html><body><p>Caf\xc3\xa9 first, with more words in the HTML.</p>\r\n"
              "<p>");
    ASSERT_EQ(m.AttachmentCount(), 2);
    EXPECT_EQ(m.AttachmentFileName(0), "joined-message.txt");
    EXPECT_EQ(m.AttachmentContent(0), "Return-Path: <dmitri@example.org>\r\nSubject: the other one\r\n\r\nsecond body");
    EXPECT_EQ(m.AttachmentFileName(1), "joined-message.html");
    EXPECT_EQ(m.AttachmentContent(1).rfind("Return-Path: &lt;dmitri@example.org&gt;</p><br>", 0), 0u);
    ExpectGolden("joined", out);
}

TEST_F(EmlGolden, EncodedAndEightBitNamesAreDecodedForTheLookup) {
    FinishResult r;
    std::string out = Run("names", &r);
    EXPECT_EQ(r.attachmentsRestored, 3);
    EXPECT_TRUE(r.attachmentsMissing.empty());
    auto m = Parsed(out);
    ASSERT_EQ(m.AttachmentCount(), 3);
    const char* names[] = {
        "\xc3\xbc"
        "ber.pdf",
        "r\xc3\xa9sum\xc3\xa9.doc", "\xd0\x9f\xd1\x80.txt"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(m.AttachmentFileName(i), names[i]);
        EXPECT_EQ(m.AttachmentContent(i), Attachment("names", names[i])) << names[i];
    }
    EXPECT_EQ(*m.HeaderText("Subject"), "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82 names");
    ExpectGolden("names", out);
}

TEST_F(EmlGolden, MissingAttachmentFileBecomesANoteNamingIt) {
    FinishResult r;
    std::string out = Run("missing", &r);
    EXPECT_EQ(r.attachmentsRestored, 1);
    EXPECT_EQ(r.attachmentsMissing, std::vector<std::string>{"gone.bin"});
    auto m = Parsed(out);
    ASSERT_EQ(m.AttachmentCount(), 2);
    EXPECT_EQ(m.AttachmentContent(0), Attachment("missing", "here.bin"));
    EXPECT_EQ(m.AttachmentFileName(1), "gone.bin (missing).txt");
    EXPECT_NE(m.AttachmentContent(1).find("\"gone.bin\""), std::string::npos);
    EXPECT_EQ(m.AttachmentContent(1).find("[%ImFilePath%]"), std::string::npos);
    ExpectGolden("missing", out);
}

TEST_F(EmlGolden, PathLikeNamesAreLookedUpByTheirLastComponent) {
    FinishResult r;
    std::string out = Run("pathlike", &r);
    EXPECT_EQ(r.attachmentsRestored, 2);
    ASSERT_EQ(r.attachmentsRefused.size(), 1u);
    EXPECT_EQ(r.attachmentsRefused[0].first, "CON");
    auto m = Parsed(out);
    ASSERT_EQ(m.AttachmentCount(), 3);
    EXPECT_EQ(m.AttachmentContent(0), Attachment("pathlike", "x.txt"));
    EXPECT_EQ(m.AttachmentContent(1), Attachment("pathlike", "y.txt"));
    EXPECT_EQ(m.AttachmentFileName(2), "CON (missing).txt");
    ExpectGolden("pathlike", out);
}

// Common names ("signature.asc", "scan.pdf") meet in the shared folder: a part
// that carries its content keeps it; only the one without content takes the file.
TEST_F(EmlGolden, OwnContentWinsOverAnotherMessagesFileOfTheSameName) {
    FinishResult r;
    std::string out = Run("clash", &r);
    EXPECT_EQ(r.attachmentsRestored, 1);
    EXPECT_EQ(r.attachmentsKept, 1);
    auto m = Parsed(out);
    ASSERT_EQ(m.AttachmentCount(), 2);
    EXPECT_NE(m.AttachmentContent(0).find("carla's own signature"), std::string::npos);
    EXPECT_EQ(m.AttachmentContent(1), Attachment("clash", "scan.pdf"));
    ExpectGolden("clash", out);
}

// Restored in place: the images stay in multipart/related with their
// Content-IDs, so the HTML still shows them; every header field stays.
TEST_F(EmlGolden, InlineImagesKeepTheirPlaceAndContentIds) {
    FinishResult r;
    std::string out = Run("inline", &r);
    EXPECT_EQ(r.attachmentsRestored, 3);
    auto m = Parsed(out);
    const mime::Part& related = *m.Root().Children().at(0).part;
    ASSERT_EQ(related.MediaType(), "multipart/related");
    ASSERT_EQ(related.Children().size(), 3u);
    const mime::Part& png = *related.Children()[1].part;
    const mime::Part& gif = *related.Children()[2].part;
    EXPECT_EQ(*png.GetHeader().Value("Content-ID"), "<image001.png@01D2>");
    EXPECT_EQ(*png.GetHeader().Value("Content-Location"), "image001.png");
    EXPECT_EQ(*gif.GetHeader().Value("Content-ID"), "<logo@example.com>");
    EXPECT_EQ(*gif.GetHeader().Value("Content-Description"), "the logo");
    EXPECT_EQ(png.DecodedBody(), Attachment("inline", "image001.png"));
    EXPECT_EQ(gif.DecodedBody(), Attachment("inline", "logo.gif"));
    // A quoted-printable part stays quoted-printable, and decodes to the exact bytes.
    const mime::Part& csv = *m.Root().Children().at(1).part;
    EXPECT_EQ(csv.TransferEncoding(), "quoted-printable");
    EXPECT_EQ(csv.DecodedBody(), Attachment("inline", "list.csv"));
    EXPECT_NE(m.HtmlBody().find("cid:image001.png@01D2"), std::string::npos);
    ExpectGolden("inline", out);
}

// Raw UTF-8, decomposed accents and another letter case still find their files.
TEST_F(EmlGolden, NamesMatchAsAPersonReadsThem) {
    FinishResult r;
    std::string out = Run("rawnames", &r);
    EXPECT_EQ(r.attachmentsRestored, 3) << (r.attachmentsMissing.empty() ? "" : r.attachmentsMissing[0]);
    auto m = Parsed(out);
    ASSERT_EQ(m.AttachmentCount(), 3);
    EXPECT_EQ(m.AttachmentContent(0), Attachment("rawnames",
                                                 "Gr\xc3\xb6\xc3\x9f"
                                                 "e.bin"));
    EXPECT_EQ(m.AttachmentContent(1), Attachment("rawnames", "R\xc3\xa9sum\xc3\xa9.txt"));
    EXPECT_EQ(m.AttachmentContent(2), Attachment("rawnames", "readme.txt"));
    ExpectGolden("rawnames", out);
}

TEST_F(EmlGolden, AttachedMessageIsRestoredFromTheFolder) {
    FinishResult r;
    std::string out = Run("attached", &r);
    EXPECT_EQ(r.attachmentsRestored, 1);
    auto m = Parsed(out);
    const mime::Part& attached = *m.Root().Children().at(1).part;
    EXPECT_EQ(attached.MediaType(), "message/rfc822");
    EXPECT_EQ(attached.DecodedBody(), Attachment("attached", "the original.eml"));
    ExpectGolden("attached", out);
}

TEST_F(EmlGolden, PartsWithContentStayByteForByte) {
    FinishResult r;
    std::string out = Run("owncontent", &r);
    EXPECT_EQ(r.attachmentsKept, 2);
    EXPECT_EQ(r.attachmentsRestored, 0);
    EXPECT_FALSE(r.changed);
    EXPECT_EQ(out, ReadAll(GoldenDir("owncontent") / "in.eml"));
}

// Readers other than ours know only "boundary": the encoded form is written out.
TEST_F(EmlGolden, EncodedImbndaryIsWrittenAsAPlainBoundary) {
    std::string out = Run("imbndary");
    EXPECT_EQ(Parsed(out).Root().Children().size(), 2u);
    ExpectGolden("imbndary", out);
}

TEST_F(EmlGolden, UntouchedMessagesStayByteIdentical) {
    for (std::string name : {"untouched", "untouched-lf"}) {
        FinishResult r;
        std::string out = Run(name, &r);
        EXPECT_FALSE(r.cutApplied) << name;
        EXPECT_EQ(r.attachmentsRestored, 0) << name;
        EXPECT_EQ(out, ReadAll(GoldenDir(name) / "in.eml")) << name;
    }
}

}  // namespace
}  // namespace quill
