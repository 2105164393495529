// Loading and saving without edits must give the input back byte for byte,
// whatever the input; a message written after edits must load and save back
// to itself.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MimeTestSupport.h"
#include "mime/MimeMessage.h"
#ifdef QUILL_HAVE_GEN
#include "tools/StoreGenerator.h"
#endif

namespace quill::mime {
namespace {

using test::Crlf;
using test::Loaded;

std::vector<std::string> Shapes() {
    std::vector<std::string> lf = {
        "",
        "\n",
        "no header at all\n",
        "Subject: only a header",
        "Subject: s\n\n",
        "Subject: folded\n continued\n\tagain\n\nbody\n",
        "Subject: caf\xe9 \x80\xff\nFrom: \"J\xc3\xb6rg\" <j@x>\n\nbody \xe9\n",
        "Subject: s\r\nMixed: line ends\n\r\nbody\r\nline\n",
        "Subject: s\rwith a bare CR\r\r\n\r\n",
        "Content-Type: multipart/mixed; boundary=b\n\npre\n--b\n\none\n--b--\nepi\nlogue",
        "Content-Type: multipart/mixed; boundary=b\n\n--b\n\nno close",
        "Content-Type: multipart/mixed; boundary=b\n\n--b--\n",
        "Content-Type: multipart/mixed; boundary=b\n\n--b\n--b\n--b\n--b--",
        "Content-Type: multipart/mixed; boundary=b\n\n--b\nX: y\n--b--\n\n--b\nafter close\n",
        "Content-Type: multipart/mixed; boundary=\"\"\n\n--\n\nx\n----\n",
        "Content-Type: multipart/mixed; boundary=b; boundary=c\n\n--c\n\nc\n--b\n\nb\n--b--\n",
        "Content-Type: multipart/mixed; imbndary=\"i\"\n\n--i\nContent-Type: multipart/related; "
        "imbndary=j\n\n--j\n\nx\n--j--\n--i--\n",
        "Content-Type: multipart/mixed; boundary=o\n\n--o\nContent-Type: message/rfc822\n\nContent-Type: "
        "multipart/mixed; "
        "boundary=o\n\n--o\n\ninner\n--o--\n--o--\n",
        "Content-Type: multipart/alternative; boundary=a\n\n--a \t\n\nblank after delimiter\n--a-- \n",
        "Content-Type: text/plain; charset=\"unterminated\n\nx",
        "Content-Type: text/plain; name*0*=utf-8''%C3; name*1*=%A4; name*0=dup\n\nx",
        "Content-Type: application/octet-stream; name=\"=?utf-8?B?w6Q=?=\"\nContent-Transfer-Encoding: "
        "base64\n\n!!!not base64\n",
        "Content-Transfer-Encoding: quoted-printable\n\n=\n=4\n=ZZ\n",
        "Content-Type: multipart/digest; boundary=d\n\n--d\n\nSubject: digest entry\n\nx\n--d--\n",
        "Content-Type: multipart/mixed; boundary=b\n\n--b\nContent-Disposition: attachment\n\n"
        "----------[%ImFilePath%]----------\n  file.txt\n--b--\n",
    };
    std::vector<std::string> all;
    for (const auto& s : lf) {
        all.push_back(s);
        all.push_back(Crlf(s));
    }
    return all;
}

TEST(LosslessSave, UnchangedMessagesComeBackByteForByte) {
    for (const auto& s : Shapes()) {
        auto m = Loaded(s);
        EXPECT_EQ(m.Save(), s);
        EXPECT_FALSE(m.Changed());
        // Reading must not disturb it either.
        (void)m.BodyText();
        (void)m.HtmlBody();
        (void)m.Attachments();
        EXPECT_EQ(m.Save(), s);
    }
}

// A message cut off anywhere (a damaged store, a short read) still saves back.
TEST(LosslessSave, EveryTruncationOfAMessageSavesBack) {
    for (const auto& s : Shapes()) {
        for (std::size_t n = 0; n <= s.size(); ++n) {
            std::string cut = s.substr(0, n);
            ASSERT_EQ(Loaded(cut).Save(), cut) << s << "@" << n;
        }
    }
}

TEST(LosslessSave, EditedMessagesAreStableWhenReloaded) {
    for (const auto& s : Shapes()) {
        auto m = Loaded(s);
        std::string body = m.BodyText();
        (void)m.SetBodyText(body.substr(0, body.size() / 2) + "\xc3\xa9");
        if (m.HasHtmlBody()) (void)m.SetHtmlBody("<p>new</p>");
        m.DropAttachments();
        m.AddAttachment("n\xc3\xa4me.txt", s.substr(0, 40));
        std::string saved = m.Save();
        auto again = Loaded(saved);
        EXPECT_EQ(again.Save(), saved) << s;
        ASSERT_GE(again.AttachmentCount(), 1) << s;
        EXPECT_EQ(again.AttachmentContent(again.AttachmentCount() - 1), s.substr(0, 40)) << s;
        EXPECT_EQ(again.AttachmentFileName(again.AttachmentCount() - 1), "n\xc3\xa4me.txt") << s;
    }
}

#ifdef QUILL_HAVE_GEN
TEST(LosslessSave, GeneratedStoreMessages) {
    int checked = 0;
    for (int container = 0; container < 2; ++container) {
        for (const auto& g : gen::GenerateMessages(11, container, 30)) {
            auto m = Loaded(g.text);
            ASSERT_EQ(m.Save(), g.text);
            // Every referenced file is found by the name the message gives it.
            std::vector<std::string> names;
            for (int i = 0; i < m.AttachmentCount(); ++i) {
                auto info = m.Attachments()[static_cast<std::size_t>(i)];
                if (!info.referencedFile.empty()) names.push_back(info.referencedFile);
            }
            ASSERT_EQ(names.size(), g.referenced.size());
            for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(names[i], g.referenced[i].fileName);
            EXPECT_FALSE(m.BodyText().empty() && !m.HasHtmlBody());
            ++checked;
        }
    }
    EXPECT_EQ(checked, 60);
}
#endif

}  // namespace
}  // namespace quill::mime
