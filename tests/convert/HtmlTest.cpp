// The plain rendering of an HTML body.
#include "convert/Html.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

TEST(HtmlTextTest, HtmlRendering) {
    EXPECT_EQ(
        HtmlToText("<html><head><title>t</title><style>p{}</style></head><body><p>Hello&nbsp;<b>world</b></p>"
                   "<div>a &amp; b &#233;&#x20AC;</div>line<br>two<script>x()</script><!-- note --></body></html>"),
        "Hello world\n\na & b \xC3\xA9\xE2\x82\xAC\nline\ntwo");
    EXPECT_EQ(HtmlToText("<b>a < b &bogus; <i"), "a < b &bogus;");
}

}  // namespace
}  // namespace quill
