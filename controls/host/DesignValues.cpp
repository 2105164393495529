#include "controls/host/DesignValues.h"

#include "platform/Ascii.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <system_error>

namespace quill::host {
namespace {

constexpr std::int32_t kMaxResourceId = 0xFFFF;  // resource numbers are 16-bit
// Font sizes the text holds, in points: wide enough for any real font, and
// narrow enough that every size is written back in a few digits.
constexpr double kMinFontSize = 1;
constexpr double kMaxFontSize = 2048;
constexpr std::int32_t kMaxFontWeight = 1000;
constexpr std::int32_t kMaxCharset = 255;

bool IsIdentifierStart(char c) { return platform::IsAsciiLetter(c) || c == '_'; }
bool IsIdentifierChar(char c) { return platform::IsAsciiAlnum(c) || c == '_'; }
bool IsSpace(char c) { return c == ' ' || c == '\t'; }

bool IsIdentifier(std::string_view s) {
    if (s.empty() || !IsIdentifierStart(s.front())) return false;
    for (char c : s) {
        if (!IsIdentifierChar(c)) return false;
    }
    return true;
}

// Reads one line, left to right; every error names the column it stopped at.
class LineReader {
  public:
    LineReader(std::string_view line, const std::string& source, int lineNumber, PictureLoader& pictures)
        : line_(line), source_(source), lineNumber_(lineNumber), pictures_(pictures) {}

    [[noreturn]] void Fail(const std::string& what) const {
        throw DesignValuesError(source_, lineNumber_, static_cast<int>(pos_) + 1, what);
    }

    void SkipSpaces() {
        while (pos_ < line_.size() && IsSpace(line_[pos_])) ++pos_;
    }
    // Nothing but blanks or a comment left.
    [[nodiscard]] bool AtEnd() {
        SkipSpaces();
        return pos_ == line_.size() || line_[pos_] == '#';
    }
    void ExpectEnd() {
        if (!AtEnd()) Fail("unexpected text at the end of the line");
    }
    void Expect(char c) {
        SkipSpaces();
        if (pos_ >= line_.size() || line_[pos_] != c) Fail(std::string("expected '") + c + "'");
        ++pos_;
    }
    [[nodiscard]] bool Accept(char c) {
        SkipSpaces();
        if (pos_ < line_.size() && line_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    // Fails at the start of the last identifier read.
    [[noreturn]] void FailAtWord(const std::string& what) {
        pos_ = wordStart_;
        Fail(what);
    }

    [[nodiscard]] std::string_view Identifier(const char* what) {
        SkipSpaces();
        std::size_t start = wordStart_ = pos_;
        if (pos_ >= line_.size() || !IsIdentifierStart(line_[pos_])) Fail(std::string("expected ") + what);
        while (pos_ < line_.size() && IsIdentifierChar(line_[pos_])) ++pos_;
        return line_.substr(start, pos_ - start);
    }

    [[nodiscard]] PropertyValue Value() {
        SkipSpaces();
        if (pos_ >= line_.size() || line_[pos_] == '#') Fail("expected a value");
        char c = line_[pos_];
        if (c == '"') return Text();
        if (c == '-' || (c >= '0' && c <= '9')) return Integer();
        std::string_view word = Identifier("a value");
        if (word == "true") return true;
        if (word == "false") return false;
        if (word == "None") return PicturePtr{};
        if (word == "Font") return FontValue();
        if (word == "Icon") return PictureValue(PictureSource::Kind::kIcon);
        if (word == "Bitmap") return PictureValue(PictureSource::Kind::kBitmap);
        if (word == "Cursor") return PictureValue(PictureSource::Kind::kCursor);
        FailAtWord("unknown value '" + std::string(word) + "'");
    }

  private:
    std::int32_t Integer() {
        SkipSpaces();
        if (line_.substr(pos_, 2) == "0x" || line_.substr(pos_, 2) == "0X") {
            pos_ += 2;
            std::uint32_t bits = 0;
            int digits = 0;
            for (int d; pos_ < line_.size() && (d = platform::HexDigitValue(line_[pos_])) >= 0; ++pos_, ++digits) {
                if (digits == 8) Fail("more than eight hex digits");
                bits = bits << 4 | static_cast<std::uint32_t>(d);
            }
            if (digits == 0) Fail("expected hex digits after 0x");
            EndOfToken();
            return static_cast<std::int32_t>(bits);  // the bit pattern, as written
        }
        std::int64_t value = 0;
        const char* first = line_.data() + pos_;
        const char* last = line_.data() + line_.size();
        auto [end, error] = std::from_chars(first, last, value);
        if (error == std::errc::result_out_of_range ||
            (error == std::errc() && (value < INT32_MIN || value > INT32_MAX)))
            Fail("number out of the 32-bit range");
        if (error != std::errc()) Fail("expected a number");
        pos_ += static_cast<std::size_t>(end - first);
        EndOfToken();
        return static_cast<std::int32_t>(value);
    }

    // A number glued to letters ("12px") is a mistake, not a number.
    void EndOfToken() {
        if (pos_ < line_.size() && (IsIdentifierChar(line_[pos_]) || line_[pos_] == '.')) Fail("malformed number");
    }

    double Size() {
        SkipSpaces();
        double value = 0;
        const char* first = line_.data() + pos_;
        auto [end, error] = std::from_chars(first, line_.data() + line_.size(), value, std::chars_format::fixed);
        if (error != std::errc()) Fail("expected a font size in points");
        if (!(value >= kMinFontSize && value <= kMaxFontSize)) Fail("font size out of range 1 to 2048 points");
        pos_ += static_cast<std::size_t>(end - first);
        EndOfToken();
        return value;
    }

    std::string Text() {
        std::string out;
        ++pos_;  // opening quote
        for (;;) {
            if (pos_ >= line_.size()) Fail("text not closed by '\"'");
            char c = line_[pos_];
            if (c == '"') {
                ++pos_;
                return out;
            }
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) Fail("control character in a text");
            if (c != '\\') {
                out += c;
                ++pos_;
                continue;
            }
            if (++pos_ >= line_.size()) Fail("text not closed by '\"'");
            switch (line_[pos_]) {
                case '\\':
                    out += '\\';
                    break;
                case '"':
                    out += '"';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'x': {
                    int hi = pos_ + 1 < line_.size() ? platform::HexDigitValue(line_[pos_ + 1]) : -1;
                    int lo = pos_ + 2 < line_.size() ? platform::HexDigitValue(line_[pos_ + 2]) : -1;
                    if (hi < 0 || lo < 0) Fail("expected two hex digits after \\x");
                    out += static_cast<char>(hi * 16 + lo);
                    pos_ += 2;
                    break;
                }
                default:
                    Fail("unknown escape in a text");
            }
            ++pos_;
        }
    }

    Font FontValue() {
        Font font;
        Expect('(');
        SkipSpaces();
        if (pos_ >= line_.size() || line_[pos_] != '"') Fail("expected the face name in double quotes");
        font.name = Text();
        Expect(',');
        font.size = Size();
        while (Accept(',')) {
            std::string_view flag = Identifier("a font attribute");
            if (flag == "bold") {
                font.weight = 700;
            } else if (flag == "italic") {
                font.italic = true;
            } else if (flag == "underline") {
                font.underline = true;
            } else if (flag == "strikethrough") {
                font.strikethrough = true;
            } else if (flag == "weight" || flag == "charset") {
                Expect('=');
                std::int32_t n = Integer();
                if (n < 0 || n > (flag == "weight" ? kMaxFontWeight : kMaxCharset))
                    Fail("font " + std::string(flag) + " out of range");
                (flag == "weight" ? font.weight : font.charset) = n;
            } else {
                FailAtWord("unknown font attribute '" + std::string(flag) + "'");
            }
        }
        Expect(')');
        return font;
    }

    PicturePtr PictureValue(PictureSource::Kind kind) {
        Expect('(');
        std::size_t at = (SkipSpaces(), pos_);
        std::int32_t id = Integer();
        if (id < 1 || id > kMaxResourceId) {
            pos_ = at;
            Fail("resource number out of range 1 to 65535");
        }
        Expect(')');
        try {
            return pictures_.Load(PictureSource{kind, id});
        } catch (const std::exception& e) {
            pos_ = at;
            Fail(std::string("cannot load the picture: ") + e.what());
        }
    }

    std::string_view line_;
    std::size_t pos_ = 0;
    std::size_t wordStart_ = 0;
    const std::string& source_;
    int lineNumber_;
    PictureLoader& pictures_;
};

void AppendText(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += '"';
    for (char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                    out += "\\x";
                    out += kHex[static_cast<unsigned char>(c) >> 4];
                    out += kHex[static_cast<unsigned char>(c) & 0xF];
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

// Small numbers in decimal; larger ones, colours above all, in hex.
void AppendInteger(std::string& out, std::int32_t value) {
    char buffer[16];
    if (value >= 0 && value < 0x10000) {
        auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
        out.append(buffer, end);
        return;
    }
    auto end = std::to_chars(buffer, buffer + sizeof buffer, static_cast<std::uint32_t>(value), 16).ptr;
    out += "0x";
    for (char* p = buffer; p != end; ++p) out += static_cast<char>(*p >= 'a' ? *p - 'a' + 'A' : *p);
}

void AppendFont(std::string& out, const Font& font, const ControlDesign& control, const std::string& key) {
    if (!(font.size >= kMinFontSize && font.size <= kMaxFontSize)) {
        throw DesignValuesError(control.name, 0, 0, key + ": font size out of range 1 to 2048 points");
    }
    if (font.weight < 0 || font.weight > kMaxFontWeight || font.charset < 0 || font.charset > kMaxCharset) {
        throw DesignValuesError(control.name, 0, 0, key + ": font weight or character set out of range");
    }
    char buffer[64];
    out += "Font(";
    AppendText(out, font.name);
    out += ", ";
    auto end = std::to_chars(buffer, buffer + sizeof buffer, font.size, std::chars_format::fixed).ptr;
    out.append(buffer, end);
    if (font.weight == 700) {
        out += ", bold";
    } else if (font.weight != 400) {
        out += ", weight=";
        AppendInteger(out, font.weight);
    }
    if (font.italic) out += ", italic";
    if (font.underline) out += ", underline";
    if (font.strikethrough) out += ", strikethrough";
    if (font.charset != 0) {
        out += ", charset=";
        AppendInteger(out, font.charset);
    }
    out += ')';
}

void AppendValue(std::string& out, const PropertyValue& value, const ControlDesign& control, const std::string& key) {
    if (const bool* b = std::get_if<bool>(&value)) {
        out += *b ? "true" : "false";
    } else if (const std::int32_t* n = std::get_if<std::int32_t>(&value)) {
        AppendInteger(out, *n);
    } else if (const std::string* s = std::get_if<std::string>(&value)) {
        AppendText(out, *s);
    } else if (const Font* f = std::get_if<Font>(&value)) {
        AppendFont(out, *f, control, key);
    } else {
        const PicturePtr& picture = std::get<PicturePtr>(value);
        if (!picture) {
            out += "None";
            return;
        }
        std::optional<PictureSource> source = picture->Source();
        if (!source) {
            throw DesignValuesError(control.name, 0, 0,
                                    key + ": a picture that is not a resource of the program cannot be stored");
        }
        static constexpr const char* kKinds[] = {"Bitmap(", "Icon(", "Cursor("};
        out += kKinds[static_cast<int>(source->kind)];
        AppendInteger(out, source->id);
        out += ')';
    }
}

}  // namespace

DesignValuesError::DesignValuesError(const std::string& source, int line, int column, const std::string& what)
    : std::runtime_error(line > 0 ? source + ", line " + std::to_string(line) + ", column " + std::to_string(column) +
                                        ": " + what
                                  : source + ": " + what),
      line_(line),
      column_(column) {}

const ControlDesign* FormDesign::Find(std::string_view name) const {
    for (const ControlDesign& c : controls) {
        if (c.name == name) return &c;
    }
    return nullptr;
}

FormDesign ParseDesignValues(std::string_view text, const std::string& source, PictureLoader& pictures) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    FormDesign form;
    ControlDesign* open = nullptr;
    int openedOnLine = 0;
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        std::size_t newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        LineReader reader(line, source, lineNumber, pictures);
        if (reader.AtEnd()) continue;
        std::string_view word = reader.Identifier("'control', 'end' or a key");
        if (word == "control") {
            if (open != nullptr) reader.FailAtWord("'control' inside the block of " + open->name + ": 'end' missing");
            ControlDesign control;
            control.name = reader.Identifier("the control's name");
            if (form.Find(control.name) != nullptr) reader.FailAtWord("a second control named " + control.name);
            control.type = reader.Identifier("the control's type");
            reader.ExpectEnd();
            form.controls.push_back(std::move(control));
            open = &form.controls.back();
            openedOnLine = lineNumber;
        } else if (word == "end") {
            if (open == nullptr) reader.FailAtWord("'end' without 'control'");
            reader.ExpectEnd();
            open = nullptr;
        } else {
            if (open == nullptr) reader.FailAtWord("a key outside a control's block");
            std::string key(word);
            if (open->properties.Find(key) != nullptr) reader.FailAtWord("a second value for " + key);
            reader.Expect('=');
            PropertyValue value = reader.Value();
            reader.ExpectEnd();
            open->properties.Set(key, std::move(value));
        }
    }
    if (open != nullptr) {
        throw DesignValuesError(source, openedOnLine, 1, "the block of " + open->name + " has no 'end'");
    }
    return form;
}

std::string WriteDesignValues(const FormDesign& form) {
    std::string out;
    for (const ControlDesign& control : form.controls) {
        if (!IsIdentifier(control.name) || !IsIdentifier(control.type)) {
            throw DesignValuesError(control.name, 0, 0, "a control's name and type must be identifiers");
        }
        if (!out.empty()) out += '\n';
        out += "control " + control.name + ' ' + control.type + '\n';
        for (const auto& [key, value] : control.properties.Entries()) {
            if (!IsIdentifier(key) || key == "control" || key == "end") {
                throw DesignValuesError(control.name, 0, 0, "the key '" + key + "' is not an identifier");
            }
            out += "    " + key + " = ";
            AppendValue(out, value, control, key);
            out += '\n';
        }
        out += "end\n";
    }
    return out;
}

}  // namespace quill::host
