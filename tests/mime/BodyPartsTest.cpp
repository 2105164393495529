// The parts the converter reads, chosen in one walk: which leaf is a body,
// which an attachment, and that the rest is kept in document order.
#include "mime/BodyParts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quill::mime {
namespace {

// Each leaf's body is its label, so the choice reads as text.
std::string Label(const Part* p) { return p ? p->RawBody() : "-"; }
std::vector<std::string> Labels(const std::vector<const Part*>& parts) {
    std::vector<std::string> out;
    for (const Part* p : parts) out.push_back(Label(p));
    return out;
}

TEST(BodyPartsTest, BodiesAttachmentsAndLeavesInDocumentOrder) {
    struct Case {
        const char* message;
        const char* text;
        const char* html;
        std::vector<std::string> attachments, leaves;
    };
    const Case cases[] = {
        {"Subject: no type\r\n\r\nT", "T", "-", {}, {}},
        {"Content-Type: text/html\r\n\r\nH", "-", "H", {}, {}},
        {"Content-Type: text/plain; name=a.txt\r\n\r\nA", "-", "-", {"A"}, {"A"}},  // a named text is a file
        {"Content-Type: multipart/mixed; boundary=b\r\n\r\n"
         "--b\r\nContent-Type: multipart/alternative; boundary=c\r\n\r\n"
         "--c\r\n\r\nT\r\n--c\r\nContent-Type: text/enriched\r\n\r\nE\r\n"
         "--c\r\nContent-Type: text/html\r\n\r\nH\r\n--c--\r\n"
         "--b\r\nContent-Type: text/plain\r\n\r\nT2\r\n"
         "--b\r\nContent-Type: image/png\r\n\r\nI\r\n"
         "--b\r\nContent-Type: message/rfc822\r\n\r\nContent-Type: text/plain\r\n\r\ninner\r\n"
         "--b\r\nContent-Type: text/html; name=page.htm\r\n\r\nP\r\n--b--\r\n",
         "T",
         "H",
         {"P"},
         {"E", "T2", "I", "Content-Type: text/plain\r\n\r\ninner", "P"}},
    };
    for (const auto& c : cases) {
        auto root = Part::Parse(c.message);
        const BodyParts parts = ChooseBodyParts(*root);
        EXPECT_EQ(Label(parts.text), c.text) << c.message;
        EXPECT_EQ(Label(parts.html), c.html) << c.message;
        EXPECT_EQ(Labels(parts.attachments), c.attachments) << c.message;
        EXPECT_EQ(Labels(parts.leaves), c.leaves) << c.message;
    }
}

TEST(BodyPartsTest, FileNamePrefersTheDispositionAndDecodesEachForm) {
    struct Case {
        const char* part;
        const char* name;
    };
    const Case cases[] = {
        {"Content-Type: image/png; name=type.png\r\nContent-Disposition: inline; filename=disp.png\r\n\r\n",
         "disp.png"},
        {"Content-Type: image/png; name=type.png\r\n\r\n", "type.png"},
        {"Content-Disposition: attachment; filename*=utf-8''%C3%BCber.pdf\r\n\r\n",
         "\xC3\xBC"
         "ber.pdf"},
        {"Content-Disposition: attachment; filename=\"=?utf-8?B?w7xiZXI=?=.pdf\"\r\n\r\n",
         "\xC3\xBC"
         "ber.pdf"},
        {"Content-Disposition: attachment; filename=\"\xFC"
         "ber.pdf\"\r\n\r\n",
         "\xC3\xBC"
         "ber.pdf"},  // raw Latin-1
        {"Content-Type: application/pdf\r\n\r\n", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(PartFileName(*Part::Parse(c.part), "iso-8859-1"), c.name) << c.part;
}

}  // namespace
}  // namespace quill::mime
