#include "mime/TransferEncoding.h"

#include <gtest/gtest.h>

#include <string>

namespace quill::mime {
namespace {

std::string AllBytes() {
    std::string s;
    for (int i = 0; i < 256; ++i) s += static_cast<char>(i);
    return s;
}

TEST(Base64, DecodeSkipsJunkAndAcceptsMissingPadding) {
    EXPECT_EQ(DecodeBase64("SGVs\r\nbG8=\r\n"), "Hello");
    EXPECT_EQ(DecodeBase64("SGVsbG8"), "Hello");
    EXPECT_EQ(DecodeBase64(" S*G V s b G 8 = = "), "Hello");
    EXPECT_EQ(DecodeBase64(""), "");
}

TEST(Base64, EncodeWrapsAtTheLineLengthWithNoFinalLineEnd) {
    std::string bytes = AllBytes() + AllBytes();
    std::string enc = EncodeBase64(bytes, "\r\n");
    std::size_t start = 0;
    for (std::size_t nl; (nl = enc.find("\r\n", start)) != std::string::npos; start = nl + 2)
        EXPECT_EQ(nl - start, 76u);
    EXPECT_LE(enc.size() - start, 76u);
    EXPECT_NE(enc.substr(enc.size() - 2), "\r\n");
    EXPECT_EQ(DecodeBase64(enc), bytes);
    for (std::size_t n = 0; n < 8; ++n)
        EXPECT_EQ(DecodeBase64(EncodeBase64(bytes.substr(0, n), "\n")), bytes.substr(0, n));
    EXPECT_EQ(EncodeBase64(std::string(57, 'x'), "\r\n").size(), 76u);
}

TEST(QuotedPrintable, SoftBreaksEscapesAndTransportBlanks) {
    EXPECT_EQ(DecodeQuotedPrintable("Caf=E9 cr=e8me=\r\n joined  \r\nnext\t\n"), "Caf\xe9 cr\xe8me joined\r\nnext\n");
    EXPECT_EQ(DecodeQuotedPrintable("a=\nb"), "ab");
    EXPECT_EQ(DecodeQuotedPrintable("=XY = =4"), "=XY = =4");  // no escape: kept
    EXPECT_EQ(DecodeQuotedPrintable("end="), "end");
    EXPECT_EQ(DecodeQuotedPrintable("=3D=3d"), "==");
}

TEST(QuotedPrintable, EncodeKeepsLinesShortAndRoundTrips) {
    const std::string texts[] = {
        std::string(200, 'a') + "\n" + std::string(75, 'b') + "\r\n" + std::string(76, 'c') + "\n" +
            std::string(77, 'd'),
        "trailing blank \nand tab\t\n= sign =3D\n",
        "-- not a delimiter\n--b1\n" + std::string(75, 'x') + "-y",
        AllBytes(),
        std::string(74, 'x') + "\xe9\xe9\xe9" + std::string(10, '-'),
    };
    for (const auto& text : texts) {
        std::string enc = EncodeQuotedPrintable(text, "\r\n");
        std::size_t line = 0;
        for (std::size_t i = 0; i < enc.size(); ++i) {
            if (enc[i] == '\n') {
                EXPECT_LE(line, 77u);  // 76 characters and the CR
                line = 0;
                continue;
            }
            if (line == 0) {
                EXPECT_NE(enc[i], '-') << "a line starting with '-' could pass for a delimiter";
            }
            ++line;
        }
        // Line ends come back as the encoder wrote them.
        std::string expected;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
            if (text[i] == '\n') expected += '\r';
            expected += text[i];
        }
        EXPECT_EQ(DecodeQuotedPrintable(enc), expected);
        for (std::size_t i = 0; i + 1 < enc.size(); ++i)
            if (enc[i + 1] == '\r') {
                EXPECT_TRUE(enc[i] != ' ' && enc[i] != '\t') << "blank before a line end is lost in transport";
            }
    }
}

TEST(TransferDecode, EncodingNamesInAnyCaseAndPassThrough) {
    EXPECT_EQ(DecodeTransfer("SGk=", "BASE64"), "Hi");
    EXPECT_EQ(DecodeTransfer("H=69", "Quoted-Printable"), "Hi");
    for (std::string_view e : {"7bit", "8bit", "binary", "x-unknown", ""})
        EXPECT_EQ(DecodeTransfer("=41\xe9\0", e), "=41\xe9") << e;
}

}  // namespace
}  // namespace quill::mime
