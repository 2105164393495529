#include "mime/Part.h"

#include "mime/TransferEncoding.h"
#include "platform/Ascii.h"
#include "platform/File.h"

namespace quill::mime {
namespace {

// Deeper nesting than this is kept as a leaf: no real mail needs it, and it
// bounds the recursion on hostile input.
constexpr int kMaxDepth = 48;

// Is line (without its line end) a delimiter of boundary? closing tells
// whether it is the close delimiter.
bool IsDelimiter(std::string_view line, std::string_view boundary, bool& closing) {
    if (line.size() < boundary.size() + 2 || line[0] != '-' || line[1] != '-') return false;
    if (line.substr(2, boundary.size()) != boundary) return false;
    std::string_view rest = line.substr(2 + boundary.size());
    closing = rest.substr(0, 2) == "--";
    if (closing) rest.remove_prefix(2);
    for (char c : rest)
        if (c != ' ' && c != '\t' && c != '\r') return false;
    return true;
}

bool HasDelimiterLine(std::string_view body, std::string_view boundary) {
    if (boundary.empty()) return false;
    for (std::size_t pos = 0; pos < body.size();) {
        std::size_t nl = body.find('\n', pos);
        std::string_view line = body.substr(pos, (nl == std::string_view::npos ? body.size() : nl) - pos);
        bool closing = false;
        if (IsDelimiter(line, boundary, closing)) return true;
        if (nl == std::string_view::npos) break;
        pos = nl + 1;
    }
    return false;
}

// stored bit -> boundary bit
constexpr int kImbndaryMappings[2][8] = {{5, 7, 0, 2, 1, 6, 3, 4}, {4, 7, 0, 2, 1, 6, 3, 5}};

std::string QuotedParameterValue(std::string_view value) {
    std::string out = "\"";
    for (char c : value) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + '"';
}

void WriteFileBody(const FileBody& body, ByteSink& out) {
    platform::InputFile in(body.path, platform::Links::Refuse);
    char buffer[1 << 16];
    auto copy = [&](auto& writer) {
        while (std::size_t n = in.Read(buffer, sizeof buffer)) writer.Add(std::string_view(buffer, n));
        writer.Finish();
    };
    if (body.encoding.empty()) {
        while (std::size_t n = in.Read(buffer, sizeof buffer)) out.Write(std::string_view(buffer, n));
    } else if (body.encoding == "quoted-printable") {
        QuotedPrintableWriter writer(out, body.lineEnd);
        copy(writer);
    } else {
        Base64Writer writer(out, body.lineEnd);
        copy(writer);
    }
    if (body.lineEndAfter) out.Write(body.lineEnd);
}

}  // namespace

std::string ImbndaryBoundary(std::string_view value, std::string_view body) {
    if (!value.empty() && value.size() % 2 == 0) {
        for (const auto& mapping : kImbndaryMappings) {
            std::string decoded;
            for (std::size_t i = 0; i < value.size(); i += 2) {
                const int hi = platform::HexDigitValue(value[i]), lo = platform::HexDigitValue(value[i + 1]);
                if (hi < 0 || lo < 0) {
                    decoded.clear();
                    break;
                }
                const unsigned stored = static_cast<unsigned>(hi * 16 + lo);
                unsigned byte = 0;
                for (int bit = 0; bit < 8; ++bit)
                    if (stored & (1u << bit)) byte |= 1u << mapping[bit];
                decoded += static_cast<char>(byte);
            }
            if (HasDelimiterLine(body, decoded)) return decoded;
        }
    }
    if (HasDelimiterLine(body, value)) return std::string(value);
    for (std::size_t pos = 0; pos < body.size();) {
        std::size_t nl = body.find('\n', pos);
        std::string_view line = body.substr(pos, (nl == std::string_view::npos ? body.size() : nl) - pos);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        if (line.size() > 2 && line[0] == '-' && line[1] == '-') return std::string(line.substr(2));
        if (nl == std::string_view::npos) break;
        pos = nl + 1;
    }
    return std::string(value);
}

std::unique_ptr<Part> Part::Parse(std::string_view bytes, std::string_view defaultType, int depth) {
    auto part = std::make_unique<Part>();
    part->defaultType_ = std::string(defaultType);
    std::size_t bodyStart = 0;
    part->header_ = Header::Parse(bytes, bodyStart);
    std::string_view body = bytes.substr(bodyStart);
    StructuredValue type = part->ContentType();
    if (depth < kMaxDepth && type.token.rfind("multipart/", 0) == 0) {
        const Parameter* b = type.Find("boundary");
        bool fromImbndary = false;
        bool imbndary = false;
        if (!b || b->value.empty()) {
            fromImbndary = b == nullptr;  // only then can the name be corrected
            b = type.Find("imbndary");
            imbndary = true;
        }
        if (b && !b->value.empty()) {
            part->boundary_ = imbndary ? ImbndaryBoundary(b->value, body) : b->value;
            part->boundaryFromImbndary_ = fromImbndary;
            if (fromImbndary) part->imbndaryValue_ = b->value;
            part->SplitMultipart(body, depth);
            if (part->multipart_) return part;
            part->boundary_.clear();
            part->boundaryFromImbndary_ = false;
        }
    }
    part->body_ = std::string(body);
    return part;
}

void Part::SplitMultipart(std::string_view body, int depth) {
    std::string childDefault = MediaType() == "multipart/digest" ? "message/rfc822" : "text/plain";
    std::size_t segmentStart = 0;
    bool inPreamble = true;
    auto closeSegment = [&](std::size_t end) {
        std::string_view segment = body.substr(segmentStart, end - segmentStart);
        if (inPreamble)
            preamble_ = std::string(segment);
        else
            children_.back().part = Parse(segment, childDefault, depth + 1);
    };
    std::size_t pos = 0;
    while (pos < body.size()) {
        std::size_t nl = body.find('\n', pos);
        std::size_t end = nl == std::string_view::npos ? body.size() : nl + 1;
        std::string_view line = body.substr(pos, (nl == std::string_view::npos ? body.size() : nl) - pos);
        bool closing = false;
        if (IsDelimiter(line, boundary_, closing)) {
            std::size_t prefix = pos;
            if (prefix > segmentStart && body[prefix - 1] == '\n') {
                --prefix;
                if (prefix > segmentStart && body[prefix - 1] == '\r') --prefix;
            }
            closeSegment(prefix);
            std::string delimiter(body.substr(prefix, end - prefix));
            if (closing) {
                closing_ = std::move(delimiter);
                epilogue_ = std::string(body.substr(end));
                multipart_ = true;
                return;
            }
            children_.push_back({std::move(delimiter), nullptr});
            inPreamble = false;
            segmentStart = end;
        }
        pos = end;
    }
    if (inPreamble) {
        preamble_.clear();
        return;  // no delimiter at all: a leaf
    }
    closeSegment(body.size());
    multipart_ = true;
}

void Part::SerializeTo(ByteSink& out) const {
    for (const auto& f : header_.Fields()) out.Write(f.raw);
    out.Write(header_.Separator());
    if (!multipart_) {
        if (fileBody_)
            WriteFileBody(*fileBody_, out);
        else
            out.Write(body_);
        return;
    }
    out.Write(preamble_);
    for (const auto& child : children_) {
        out.Write(child.delimiter);
        child.part->SerializeTo(out);
    }
    out.Write(closing_);
    out.Write(epilogue_);
}

void Part::SerializeTo(std::string& out) const {
    StringSink sink(out);
    SerializeTo(sink);
}

std::string Part::Serialize() const {
    std::string out;
    SerializeTo(out);
    return out;
}

StructuredValue Part::ContentType() const {
    const HeaderField* field = header_.Find("Content-Type");
    auto& cache = typeCache_;
    if (!cache.valid || cache.present != (field != nullptr) || (field && field->raw != cache.raw)) {
        cache.valid = true;
        cache.present = field != nullptr;
        cache.raw = field ? field->raw : std::string();
        cache.parsed = field ? ParseStructured(field->Value()) : StructuredValue{};
        std::size_t slash = cache.parsed.token.find('/');
        if (slash == std::string::npos || slash == 0 || slash + 1 == cache.parsed.token.size())
            cache.parsed.token = defaultType_;
    }
    return cache.parsed;
}

StructuredValue Part::ContentDisposition() const {
    auto value = header_.Value("Content-Disposition");
    return value ? ParseStructured(*value) : StructuredValue{};
}

std::string Part::MediaType() const { return ContentType().token; }

std::string Part::Charset() const {
    StructuredValue type = ContentType();
    const Parameter* p = type.Find("charset");
    return p ? p->value : std::string();
}

std::string Part::TransferEncoding() const {
    auto value = header_.Value("Content-Transfer-Encoding");
    return value ? ParseStructured(*value).token : std::string();
}

std::string Part::DecodedBody() const {
    if (fileBody_) {
        std::string content;
        platform::InputFile in(fileBody_->path, platform::Links::Refuse);
        char buffer[1 << 16];
        while (std::size_t n = in.Read(buffer, sizeof buffer)) content.append(buffer, n);
        return content;
    }
    return DecodeTransfer(body_, TransferEncoding());
}

void Part::SetFileBody(FileBody body) {
    body_.clear();
    fileBody_ = std::make_unique<FileBody>(std::move(body));
}

std::string Part::Text() const { return BytesToUtf8(DecodedBody(), Charset()); }

bool Part::IsAttachment() const {
    if (multipart_) return false;
    StructuredValue disposition = ContentDisposition();
    if (disposition.token == "attachment" || disposition.Find("filename")) return true;
    return ContentType().Find("name") != nullptr;
}

void Part::RenameImbndary() {
    if (!boundaryFromImbndary_) return;
    boundaryFromImbndary_ = false;
    std::string* raw = header_.MutableRaw("Content-Type");
    if (!raw) return;
    std::string lower = platform::LowerAscii(*raw);
    std::size_t at = lower.find("imbndary");
    if (at == std::string::npos) return;
    if (boundary_ == imbndaryValue_) {
        raw->replace(at, 8, "boundary");  // written in clear: only the name changes
        return;
    }
    // imbndary [blanks] = [blanks] value, quoted or a token.
    std::size_t end = at + 8;
    auto skipBlanks = [&] {
        while (end < raw->size() && ((*raw)[end] == ' ' || (*raw)[end] == '\t')) ++end;
    };
    skipBlanks();
    if (end >= raw->size() || (*raw)[end] != '=') return;
    ++end;
    skipBlanks();
    if (end < raw->size() && (*raw)[end] == '"') {
        for (++end; end < raw->size() && (*raw)[end] != '"'; ++end)
            if ((*raw)[end] == '\\') ++end;
        if (end >= raw->size()) return;
        ++end;
    } else {
        while (end < raw->size() && std::string_view(" \t\r\n;").find((*raw)[end]) == std::string_view::npos) ++end;
    }
    raw->replace(at, end - at, "boundary=" + QuotedParameterValue(boundary_));
}

void Part::MakeMultipart(std::string boundary) {
    multipart_ = true;
    boundary_ = std::move(boundary);
    boundaryFromImbndary_ = false;
    body_.clear();
    fileBody_.reset();
    preamble_.clear();
    children_.clear();
    closing_.clear();
    epilogue_.clear();
}

void Part::TakeBodyFrom(Part& other) {
    body_ = std::move(other.body_);
    fileBody_ = std::move(other.fileBody_);
    multipart_ = other.multipart_;
    boundaryFromImbndary_ = other.boundaryFromImbndary_;
    imbndaryValue_ = std::move(other.imbndaryValue_);
    boundary_ = std::move(other.boundary_);
    preamble_ = std::move(other.preamble_);
    children_ = std::move(other.children_);
    closing_ = std::move(other.closing_);
    epilogue_ = std::move(other.epilogue_);
    defaultType_ = other.defaultType_;
    typeCache_.valid = false;
    other.typeCache_.valid = false;
    other.MakeMultipart({});
    other.multipart_ = false;
}

}  // namespace quill::mime
