#include "mime/Header.h"

#include "platform/Ascii.h"

namespace quill::mime {

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string CollapseBlanks(std::string_view s) {
    std::string out;
    bool pending = false;
    for (char c : s) {
        if (IsBlank(c)) {
            pending = !out.empty();
            continue;
        }
        if (pending) out += ' ';
        pending = false;
        out += c;
    }
    return out;
}

namespace {

bool IsBlankLine(std::string_view line) { return line == "\n" || line == "\r\n"; }

// The field name of a line that starts a field, or nullopt. A NUL inside a
// name (damage seen in stored mail) keeps the line a field: ending the header
// there would turn every field after it into body text.
std::optional<std::string_view> FieldName(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size()) {
        unsigned char c = static_cast<unsigned char>(line[i]);
        if (c == ':' || (c <= 32 && !(c == 0 && i > 0)) || c >= 127) break;
        ++i;
    }
    if (i == 0) return std::nullopt;
    std::size_t nameEnd = i;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size() || line[i] != ':') return std::nullopt;
    return line.substr(0, nameEnd);
}

}  // namespace

std::string HeaderField::Value() const {
    std::string_view rest = raw;
    std::size_t colon = rest.find(':');
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    std::string out;
    out.reserve(rest.size());
    for (std::size_t i = 0; i < rest.size(); ++i) {
        char c = rest[i];
        if (c == '\n') continue;
        if (c == '\r' && i + 1 < rest.size() && rest[i + 1] == '\n') continue;
        out += c;
    }
    return std::string(TrimBlanks(out));
}

Header Header::Parse(std::string_view text, std::size_t& bodyStart) {
    Header header;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        std::size_t end = nl == std::string_view::npos ? text.size() : nl + 1;
        std::string_view line = text.substr(pos, end - pos);
        if (IsBlankLine(line)) {
            header.separator_ = std::string(line);
            pos = end;
            break;
        }
        if ((line[0] == ' ' || line[0] == '\t') && !header.fields_.empty()) {
            header.fields_.back().raw += line;
        } else if (auto name = FieldName(line)) {
            header.fields_.push_back({std::string(*name), std::string(line)});
        } else {
            break;
        }
        pos = end;
    }
    bodyStart = pos;
    return header;
}

std::string Header::Serialize() const {
    std::string out;
    for (const auto& f : fields_) out += f.raw;
    out += separator_;
    return out;
}

const HeaderField* Header::Find(std::string_view name) const {
    for (const auto& f : fields_)
        if (platform::EqualsIgnoreCase(f.name, name)) return &f;
    return nullptr;
}

std::optional<std::string> Header::Value(std::string_view name) const {
    const HeaderField* f = Find(name);
    if (!f) return std::nullopt;
    return f->Value();
}

std::string* Header::MutableRaw(std::string_view name) {
    for (auto& f : fields_)
        if (platform::EqualsIgnoreCase(f.name, name)) return &f.raw;
    return nullptr;
}

void Header::Set(std::string_view name, std::string_view value, std::string_view lineEnd) {
    for (auto& f : fields_) {
        if (platform::EqualsIgnoreCase(f.name, name)) {
            f.raw = std::string(f.name) + ": " + std::string(value) + std::string(lineEnd);
            return;
        }
    }
    Append(name, value, lineEnd);
}

void Header::Append(std::string_view name, std::string_view value, std::string_view lineEnd) {
    AppendField({std::string(name), std::string(name) + ": " + std::string(value) + std::string(lineEnd)}, lineEnd);
}

void Header::AppendField(HeaderField field, std::string_view lineEnd) {
    // A last line cut off at the end of the text has no line end yet.
    if (!fields_.empty() && (fields_.back().raw.empty() || fields_.back().raw.back() != '\n'))
        fields_.back().raw += lineEnd;
    fields_.push_back(std::move(field));
}

void Header::Remove(std::string_view name) {
    std::erase_if(fields_, [&](const HeaderField& f) { return platform::EqualsIgnoreCase(f.name, name); });
}

std::vector<HeaderField> Header::Extract(std::string_view prefix) {
    std::vector<HeaderField> taken;
    std::vector<HeaderField> kept;
    for (auto& f : fields_) (platform::StartsWithIgnoreCase(f.name, prefix) ? taken : kept).push_back(std::move(f));
    fields_ = std::move(kept);
    return taken;
}

void Header::EnsureSeparator(std::string_view lineEnd) {
    if (!separator_.empty()) return;
    if (!fields_.empty() && (fields_.back().raw.empty() || fields_.back().raw.back() != '\n'))
        fields_.back().raw += lineEnd;
    separator_ = std::string(lineEnd);
}

}  // namespace quill::mime
