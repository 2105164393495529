#pragma once
// One entity of a message: its header and its body, the body either the
// bytes as written (a leaf) or, for a multipart, the preamble, each part
// with the delimiter line before it, the close delimiter and the epilogue.
// Serialize() puts these pieces back together, so a part that was not
// changed comes out exactly as it went in.
//
// Splitting a multipart:
//  - the boundary is the "boundary" parameter, or, failing that, the
//    "imbndary" parameter some writers use in its place (see
//    ImbndaryBoundary);
//  - a delimiter is a line "--boundary", optionally followed by "--" (the
//    close), blanks, and the line end; the line end before it belongs to it;
//  - without a close delimiter the last part runs to the end of the body;
//  - after the close delimiter everything is epilogue;
//  - a multipart body without any delimiter line is kept as a leaf;
//  - message/rfc822 is a leaf: an attached message stays whole.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mime/ByteSink.h"
#include "mime/Header.h"
#include "mime/HeaderValue.h"

namespace quill::mime {

// The boundary an "imbndary" value stands for. The value is usually the
// boundary encoded: two hex digits per byte, each byte a permutation of the
// boundary byte's bits, of which two are known (stored bit -> boundary bit:
// 0>5 1>7 2>0 3>2 4>1 5>6 6>3 7>4, and the same with bits 0 and 7 landing
// on 4 and 5). The first reading whose delimiter line occurs in the body
// wins: either permutation, then the value as written, then the body's
// first delimiter line. Without any, the value as written.
std::string ImbndaryBoundary(std::string_view value, std::string_view body);

// A leaf's body that is a file's content, read and encoded only when the
// part is written out, so a large restored attachment is never held whole.
struct FileBody {
    std::string path;
    std::string encoding;       // "base64", "quoted-printable", or "" for the bytes as they are
    std::string lineEnd;        // the message's
    bool lineEndAfter = false;  // the encoded content is followed by a line end
};

class Part {
  public:
    struct Child {
        std::string delimiter;  // line end before it, "--boundary", its line end
        std::unique_ptr<Part> part;
    };

    // defaultType applies when the part has no usable Content-Type
    // (text/plain, message/rfc822 inside multipart/digest).
    static std::unique_ptr<Part> Parse(std::string_view bytes, std::string_view defaultType = "text/plain",
                                       int depth = 0);

    // A file body is read as the part is written: a file that can no
    // longer be read throws platform::FileError.
    std::string Serialize() const;
    void SerializeTo(std::string& out) const;
    void SerializeTo(ByteSink& out) const;

    Header& MutableHeader() noexcept { return header_; }
    const Header& GetHeader() const noexcept { return header_; }

    // "type/subtype" in lower case.
    std::string MediaType() const;
    StructuredValue ContentType() const;
    StructuredValue ContentDisposition() const;
    std::string Charset() const;           // as written, may be empty
    std::string TransferEncoding() const;  // lower case, may be empty

    bool IsMultipart() const noexcept { return multipart_; }
    const std::string& Boundary() const noexcept { return boundary_; }
    bool BoundaryFromImbndary() const noexcept { return boundaryFromImbndary_; }
    std::vector<Child>& Children() noexcept { return children_; }
    const std::vector<Child>& Children() const noexcept { return children_; }
    const std::string& Preamble() const noexcept { return preamble_; }
    const std::string& Epilogue() const noexcept { return epilogue_; }
    const std::string& Closing() const noexcept { return closing_; }

    // A leaf's bytes as written (empty for a file body), and after its
    // transfer encoding (a file body's file content).
    const std::string& RawBody() const noexcept { return body_; }
    std::string DecodedBody() const;
    // A text part's content as UTF-8, from its charset (see BytesToUtf8).
    std::string Text() const;

    // An attachment: a leaf with Content-Disposition "attachment", or with a
    // "filename" (Content-Disposition) or "name" (Content-Type) parameter.
    bool IsAttachment() const;

    // Edits. The caller keeps the header consistent with them.
    void SetRawBody(std::string body) {
        body_ = std::move(body);
        fileBody_.reset();
    }
    // The body becomes the file's content in that encoding.
    void SetFileBody(FileBody body);
    const FileBody* GetFileBody() const noexcept { return fileBody_.get(); }
    // Writes an "imbndary" parameter as a plain "boundary" parameter with
    // the boundary the body's delimiters carry, so every reader splits the
    // part; nothing else in the header changes.
    void RenameImbndary();
    // Makes this part a multipart with that boundary and no parts yet.
    void MakeMultipart(std::string boundary);
    void SetClosing(std::string closing) { closing_ = std::move(closing); }
    // Takes the body over from another part (for wrapping a message body).
    void TakeBodyFrom(Part& other);

  private:
    void SplitMultipart(std::string_view body, int depth);

    Header header_;
    // The Content-Type as last parsed, with the field's bytes it was parsed
    // from: asked for many times, parsed again only when the field changed.
    mutable struct {
        bool valid = false;
        bool present = false;
        std::string raw;
        StructuredValue parsed;
    } typeCache_;
    std::string defaultType_;
    std::string body_;
    std::unique_ptr<FileBody> fileBody_;
    bool multipart_ = false;
    bool boundaryFromImbndary_ = false;
    std::string boundary_;
    std::string imbndaryValue_;  // as written, while boundaryFromImbndary_
    std::string preamble_;
    std::vector<Child> children_;
    std::string closing_;
    std::string epilogue_;
};

// Calls visit(part) for the part and every part below it, depth first in
// document order; an attached message is a leaf and is not looked into.
template <typename P, typename Visit>
void ForEachPart(P& part, Visit&& visit) {
    visit(part);
    if (!part.IsMultipart()) return;
    for (auto& child : part.Children()) ForEachPart(static_cast<P&>(*child.part), visit);
}

}  // namespace quill::mime
