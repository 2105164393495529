// Attachment names: the one set of rules seen from both ends (the name the
// finisher looks for, the name the PST shows), the names a PST attachment
// gets, and 8.3 names.
#include "convert/AttachmentNames.h"

#include <gtest/gtest.h>

#include <string>

namespace quill {
namespace {

TEST(AttachmentNamesTest, LookupRefusesWhatDisplayMends) {
    struct Case {
        std::string name, lookup, display;
    };
    const Case cases[] = {
        {"C:\\docs\\report.pdf", "report.pdf", "report.pdf"},  // never a folder
        {"../../etc/passwd", "passwd", "passwd"},
        {"C:report.pdf", "report.pdf", "C_report.pdf"},  // a drive-relative name
        {"a?b.txt", "", "a_b.txt"},
        {"tab\there.txt", "", "tabhere.txt"},
        {"del\x7F.txt", "del\x7F.txt", "del.txt"},
        {"CON.txt", "", "CON.txt"},  // a device in every folder
        {"lpt1", "", "lpt1"},
        {"name. . ", "name", "name"},
        {"  lead.txt", "  lead.txt", "lead.txt"},
        {"..", "", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SafeAttachmentName(c.name), c.lookup) << c.name;
        EXPECT_EQ(AttachmentDisplayName(c.name), c.display) << c.name;
    }
}

TEST(AttachmentNamesTest, PstNamesForNamedUnnamedAndAttachedMessages) {
    struct Case {
        const char* part;
        const char* want;
    };
    const Case cases[] = {
        {"Content-Type: application/pdf; name=\"dir/Plan?.pdf\"\r\n\r\n%PDF", "Plan_.pdf"},
        {"Content-Type: image/png\r\n\r\nPNG", "image001.png"},
        {"Content-Type: application/x-thing\r\n\r\nX", "attachment002.dat"},
        {"Content-Type: message/rfc822\r\n\r\nSubject: Re:  the  plan.v2\r\n\r\nbody", "Re_ the plan.v2.eml"},
        {"Content-Type: message/rfc822\r\n\r\nFrom: a@b\r\n\r\nbody", "attachment003.eml"},
        {"Content-Type: message/rfc822; name=forwarded\r\n\r\nSubject: x\r\n\r\n", "forwarded.eml"},
    };
    int unnamed = 0;
    for (const auto& c : cases) {
        auto part = mime::Part::Parse(c.part);
        EXPECT_EQ(PstAttachmentName(*part, part->DecodedBody(), "", unnamed), c.want) << c.part;
    }
    EXPECT_EQ(unnamed, 3);
}

TEST(AttachmentNamesTest, ShortNames) {
    EXPECT_EQ(ShortFileName("report.pdf"), "REPORT.PDF");
    EXPECT_EQ(ShortFileName("Long name.text"), "LONGNA~1.TEX");
    EXPECT_EQ(ShortFileName("longfilename.txt", 2), "LONGFI~2.TXT");
    EXPECT_EQ(ShortFileName("README"), "README");
    EXPECT_EQ(ShortFileName("a.b.c"), "AB~1.C");
    EXPECT_EQ(ShortFileName(".htaccess"), "HTACCE~1");
    EXPECT_EQ(ShortFileName("\xC3\xA9\xC3\xA9"), "ATT~1");
}

}  // namespace
}  // namespace quill
