#pragma once
// Where serialized mail goes: a string, or a file written piece by piece, so
// that a message with large restored attachments is never whole in memory.

#include <string>
#include <string_view>

namespace quill::mime {

class ByteSink {
  public:
    virtual ~ByteSink() = default;
    virtual void Write(std::string_view bytes) = 0;
};

class StringSink final : public ByteSink {
  public:
    explicit StringSink(std::string& out) : out_(out) {}
    void Write(std::string_view bytes) override { out_.append(bytes); }

  private:
    std::string& out_;
};

}  // namespace quill::mime
