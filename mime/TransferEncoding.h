#pragma once
// Content-Transfer-Encoding: base64 and quoted-printable both ways; 7bit,
// 8bit, binary and unknown encodings pass bytes through.

#include <cstddef>
#include <string>
#include <string_view>

#include "mime/ByteSink.h"

namespace quill::mime {

// Base64 written piece by piece: Add as often as needed, then Finish. The
// output is what EncodeBase64 gives for all the pieces at once.
class Base64Writer {
  public:
    Base64Writer(ByteSink& out, std::string_view lineEnd, std::size_t lineLength = 76);
    void Add(std::string_view bytes);
    void Finish();  // the last group with its padding, and what is buffered

  private:
    void Put(char c);
    void Flush();

    ByteSink& out_;
    std::string lineEnd_;
    std::size_t lineLength_;
    std::size_t column_ = 0;
    unsigned char pending_[3] = {};
    std::size_t pendingCount_ = 0;
    std::string buffer_;
};

// Quoted-printable for bytes rather than text: CR and LF are escaped too, so
// decoding gives back exactly the bytes written, and lines of at most 76
// characters end in soft breaks. A '-' that starts a line is escaped, so no
// line can pass for a boundary delimiter.
class QuotedPrintableWriter {
  public:
    QuotedPrintableWriter(ByteSink& out, std::string_view lineEnd);
    void Add(std::string_view bytes);
    void Finish();

  private:
    void Flush();

    ByteSink& out_;
    std::string lineEnd_;
    std::size_t column_ = 0;
    std::string buffer_;
};

// Characters outside the alphabet are skipped; missing padding is accepted.
std::string DecodeBase64(std::string_view text);
// The same piece by piece: each call appends what its piece completes to out,
// so a large body can be looked through without being decoded whole.
class Base64Decoder {
  public:
    void Feed(std::string_view text, std::string& out);

  private:
    unsigned bits_ = 0;
    int count_ = 0;
};
// Lines of lineLength characters joined by lineEnd, no line end after the last.
std::string EncodeBase64(std::string_view bytes, std::string_view lineEnd, std::size_t lineLength = 76);

// Soft breaks ("=" at a line end) joined, =XX decoded in either case, blanks
// that transport added at line ends dropped; a "=" that starts no escape is
// kept as it is. Hard line ends are kept as written.
std::string DecodeQuotedPrintable(std::string_view text);
// Text mode: each line of the input (LF or CR LF) becomes a line ended by
// lineEnd, split by soft breaks to at most 76 characters. A '-' at the start
// of a line is written as =2D, so the text never holds a delimiter line.
std::string EncodeQuotedPrintable(std::string_view text, std::string_view lineEnd);

// The body's bytes under the encoding named (any letter case).
std::string DecodeTransfer(std::string_view body, std::string_view encoding);

}  // namespace quill::mime
