#include "convert/EmlMessageFile.h"

#include "convert/PendingMessage.h"
#include "platform/File.h"
#include "platform/NumberedName.h"
#include "platform/Path.h"

namespace quill {
namespace {

// Gathers small writes (header fields, delimiters) into large ones.
class FileSink final : public mime::ByteSink {
  public:
    explicit FileSink(platform::OutputFile& file) : file_(file) { buffer_.reserve(kSize); }
    void Write(std::string_view bytes) override {
        if (buffer_.size() + bytes.size() > kSize) Flush();
        if (bytes.size() >= kSize)
            file_.Write(bytes.data(), bytes.size());
        else
            buffer_.append(bytes);
    }
    void Flush() {
        file_.Write(buffer_);
        buffer_.clear();
    }

  private:
    static constexpr std::size_t kSize = 1 << 18;
    platform::OutputFile& file_;
    std::string buffer_;
};

template <typename WriteBody>
WriteResult WriteUnderFreeName(const std::string& folder, int number, WriteBody&& writeBody) {
    WriteResult result;
    try {
        auto path = platform::CreateUnderFreeName(platform::JoinPath(folder, "email-" + std::to_string(number)), ".eml",
                                                  [&](const std::string& candidate) {
                                                      ++result.copy;
                                                      try {
                                                          platform::OutputFile file(candidate);
                                                          result.path = candidate;
                                                          writeBody(file);
                                                          file.Close();
                                                          return true;
                                                      } catch (const platform::FileError& e) {
                                                          if (e.kind() == platform::FileError::Kind::Exists)
                                                              return false;
                                                          throw;  // the file is removed as it goes out of scope
                                                      }
                                                  });
        --result.copy;
        result.ok = path.has_value();
        if (!result.ok)
            result.error = "no free file name for message " + std::to_string(number) + " in \"" + folder + "\"";
    } catch (const platform::FileError& e) {
        result.error = e.what();
    }
    return result;
}

}  // namespace

std::string MessageFileName(int number, int copy) {
    return platform::NumberedName("email-" + std::to_string(number), ".eml", copy);
}

WriteResult WriteMessageFile(const std::string& folder, int number, const std::string& text) {
    return WriteUnderFreeName(folder, number, [&](platform::OutputFile& file) { file.Write(text); });
}

WriteResult WriteMessageFile(const std::string& folder, int number, const PendingMessage& message) {
    return WriteUnderFreeName(folder, number, [&](platform::OutputFile& file) {
        FileSink sink(file);
        message.WriteTo(sink);
        sink.Flush();
    });
}

}  // namespace quill
