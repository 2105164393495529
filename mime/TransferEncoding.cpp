#include "mime/TransferEncoding.h"

#include <array>

#include "platform/Ascii.h"

namespace quill::mime {
namespace {

constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kQpLine = 76;

}  // namespace

void Base64Decoder::Feed(std::string_view text, std::string& out) {
    static const auto table = [] {
        std::array<signed char, 256> t{};
        t.fill(-1);
        for (std::size_t i = 0; i < kAlphabet.size(); ++i)
            t[static_cast<unsigned char>(kAlphabet[i])] = static_cast<signed char>(i);
        return t;
    }();
    // Written into room made up front: appending byte by byte was the larger
    // part of finishing a big message.
    std::size_t n = out.size();
    out.resize(n + text.size() / 4 * 3 + 3);
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        // Whole groups of four letters of the alphabet, the usual case, go four at a time.
        if (count_ == 0) {
            while (end - p >= 4) {
                const int a = table[p[0]], b = table[p[1]], c = table[p[2]], d = table[p[3]];
                if ((a | b | c | d) < 0) break;
                const unsigned v = (static_cast<unsigned>(a) << 18) | (static_cast<unsigned>(b) << 12) |
                                   (static_cast<unsigned>(c) << 6) | static_cast<unsigned>(d);
                out[n++] = static_cast<char>(v >> 16);
                out[n++] = static_cast<char>((v >> 8) & 0xFF);
                out[n++] = static_cast<char>(v & 0xFF);
                p += 4;
            }
            if (p >= end) break;
        }
        int v = table[*p++];
        if (v < 0) continue;
        bits_ = ((bits_ << 6) | static_cast<unsigned>(v)) & 0xFFFFFF;
        count_ += 6;
        if (count_ >= 8) {
            count_ -= 8;
            out[n++] = static_cast<char>((bits_ >> count_) & 0xFF);
        }
    }
    out.resize(n);
}

std::string DecodeBase64(std::string_view text) {
    std::string out;
    Base64Decoder().Feed(text, out);
    return out;
}

constexpr std::size_t kWriterBuffer = 1 << 16;

Base64Writer::Base64Writer(ByteSink& out, std::string_view lineEnd, std::size_t lineLength)
    : out_(out), lineEnd_(lineEnd), lineLength_(lineLength == 0 ? 76 : lineLength) {
    buffer_.reserve(kWriterBuffer + 8);
}

void Base64Writer::Put(char c) {
    if (column_ == lineLength_) {
        buffer_ += lineEnd_;
        column_ = 0;
    }
    buffer_ += c;
    ++column_;
}

void Base64Writer::Flush() {
    out_.Write(buffer_);
    buffer_.clear();
}

void Base64Writer::Add(std::string_view bytes) {
    std::size_t i = 0;
    auto group = [&](unsigned v) {
        Put(kAlphabet[(v >> 18) & 63]);
        Put(kAlphabet[(v >> 12) & 63]);
        Put(kAlphabet[(v >> 6) & 63]);
        Put(kAlphabet[v & 63]);
    };
    while (pendingCount_ > 0 && pendingCount_ < 3 && i < bytes.size())
        pending_[pendingCount_++] = static_cast<unsigned char>(bytes[i++]);
    if (pendingCount_ == 3) {
        group((pending_[0] << 16) | (pending_[1] << 8) | pending_[2]);
        pendingCount_ = 0;
    }
    for (; i + 3 <= bytes.size(); i += 3) {
        group((static_cast<unsigned char>(bytes[i]) << 16) | (static_cast<unsigned char>(bytes[i + 1]) << 8) |
              static_cast<unsigned char>(bytes[i + 2]));
        if (buffer_.size() >= kWriterBuffer) Flush();
    }
    while (i < bytes.size()) pending_[pendingCount_++] = static_cast<unsigned char>(bytes[i++]);
}

void Base64Writer::Finish() {
    if (pendingCount_ > 0) {
        unsigned v = pending_[0] << 16;
        if (pendingCount_ > 1) v |= pending_[1] << 8;
        Put(kAlphabet[(v >> 18) & 63]);
        Put(kAlphabet[(v >> 12) & 63]);
        Put(pendingCount_ > 1 ? kAlphabet[(v >> 6) & 63] : '=');
        Put('=');
        pendingCount_ = 0;
    }
    Flush();
}

std::string EncodeBase64(std::string_view bytes, std::string_view lineEnd, std::size_t lineLength) {
    std::string out;
    out.reserve(bytes.size() * 4 / 3 + bytes.size() / 57 * lineEnd.size() + 4);
    StringSink sink(out);
    Base64Writer writer(sink, lineEnd, lineLength);
    writer.Add(bytes);
    writer.Finish();
    return out;
}

QuotedPrintableWriter::QuotedPrintableWriter(ByteSink& out, std::string_view lineEnd) : out_(out), lineEnd_(lineEnd) {
    buffer_.reserve(kWriterBuffer + 8);
}

void QuotedPrintableWriter::Flush() {
    out_.Write(buffer_);
    buffer_.clear();
}

void QuotedPrintableWriter::Add(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (char ch : bytes) {
        auto c = static_cast<unsigned char>(ch);
        // Blanks are escaped too: one at the end of a line would be taken for
        // transport padding and dropped.
        bool literal = c >= 33 && c <= 126 && c != '=' && !(c == '-' && column_ == 0);
        std::size_t width = literal ? 1 : 3;
        if (column_ + width > kQpLine - 1) {
            buffer_ += '=';
            buffer_ += lineEnd_;
            column_ = 0;
            literal = literal && c != '-';
            width = literal ? 1 : 3;
        }
        if (literal) {
            buffer_ += ch;
        } else {
            buffer_ += '=';
            buffer_ += kHex[c >> 4];
            buffer_ += kHex[c & 15];
        }
        column_ += width;
        if (buffer_.size() >= kWriterBuffer) Flush();
    }
}

void QuotedPrintableWriter::Finish() { Flush(); }

std::string DecodeQuotedPrintable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        std::size_t contentEnd = nl == std::string_view::npos ? text.size() : nl;
        std::string_view lineEnd = nl == std::string_view::npos ? std::string_view() : text.substr(nl, 1);
        if (contentEnd > pos && text[contentEnd - 1] == '\r' && nl != std::string_view::npos) {
            --contentEnd;
            lineEnd = text.substr(contentEnd, nl + 1 - contentEnd);
        }
        std::string_view line = text.substr(pos, contentEnd - pos);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
        bool soft = !line.empty() && line.back() == '=';
        if (soft) line.remove_suffix(1);
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '=' && i + 2 < line.size() && platform::HexDigitValue(line[i + 1]) >= 0 &&
                platform::HexDigitValue(line[i + 2]) >= 0) {
                out +=
                    static_cast<char>(platform::HexDigitValue(line[i + 1]) * 16 + platform::HexDigitValue(line[i + 2]));
                i += 2;
            } else {
                out += line[i];
            }
        }
        if (!soft) out += lineEnd;
        pos = nl == std::string_view::npos ? text.size() : nl + 1;
    }
    return out;
}

std::string EncodeQuotedPrintable(std::string_view text, std::string_view lineEnd) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        bool hasEnd = nl != std::string_view::npos;
        std::size_t end = hasEnd ? nl : text.size();
        if (hasEnd && end > pos && text[end - 1] == '\r') --end;
        std::string_view line = text.substr(pos, end - pos);
        std::size_t column = 0;
        for (std::size_t i = 0; i < line.size(); ++i) {
            auto c = static_cast<unsigned char>(line[i]);
            bool last = i + 1 == line.size();
            std::string unit;
            // A '-' that starts a line is escaped, so no line of the text can
            // pass for a boundary delimiter of the message around it.
            bool startsLine = column == 0;
            if ((c >= 33 && c <= 126 && c != '=' && !(c == '-' && startsLine)) || ((c == ' ' || c == '\t') && !last)) {
                unit = std::string(1, static_cast<char>(c));
            } else {
                unit = std::string("=") + kHex[c >> 4] + kHex[c & 15];
            }
            // Keep room for the "=" of a soft break unless this ends the line.
            std::size_t limit = last ? kQpLine : kQpLine - 1;
            if (column + unit.size() > limit) {
                out += "=";
                out += lineEnd;
                column = 0;
                if (c == '-') unit = "=2D";
            }
            out += unit;
            column += unit.size();
        }
        if (hasEnd) out += lineEnd;
        pos = hasEnd ? nl + 1 : text.size();
    }
    return out;
}

std::string DecodeTransfer(std::string_view body, std::string_view encoding) {
    if (platform::EqualsIgnoreCase(encoding, "base64")) return DecodeBase64(body);
    if (platform::EqualsIgnoreCase(encoding, "quoted-printable")) return DecodeQuotedPrintable(body);
    return std::string(body);
}

}  // namespace quill::mime
