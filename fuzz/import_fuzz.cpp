// Mail as the PST target imports it: arbitrary bytes loaded, mapped to PST properties, and the
// mapped properties built into a property context. Nothing may crash, every string property
// must be whole UTF-16 without a NUL (the notes count every one replaced), embedded messages
// included, and address and date parsing must accept anything.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "convert/PstMessageMap.h"
#include "mime/Address.h"
#include "mime/MailDate.h"
#include "mime/MimeMessage.h"
#include "pst/ltp/PropertyContext.h"

namespace {

class NullSink : public quill::pst::ltp::SubnodeSink {
  public:
    std::uint32_t AddSubnode(std::span<const std::uint8_t>) override { return (next++ << 5) | 0x1F; }

  private:
    std::uint32_t next = 1;
};

void CheckStrings(const quill::pst::PropertyList& props) {
    for (const auto& p : props.Items()) {
        if (p.Type() != quill::pst::PropType::String) continue;
        if (p.value.size() % 2 != 0) std::abort();
        for (std::size_t i = 0; i + 1 < p.value.size(); i += 2)
            if (p.value[i] == 0 && p.value[i + 1] == 0) std::abort();
    }
}

void CheckMessage(const quill::pst::NewMessage& mapped, NullSink& sink, int depth) {
    if (depth > quill::kMaxEmbeddedMessages) std::abort();
    CheckStrings(mapped.props);
    (void)quill::pst::ltp::BuildPropertyContext(mapped.props, sink);
    for (const auto& r : mapped.recipients) CheckStrings(r);
    for (const auto& a : mapped.attachments) {
        CheckStrings(a.props);
        (void)quill::pst::ltp::BuildPropertyContext(a.props, sink);
        if (a.embedded) CheckMessage(*a.embedded, sink, depth + 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    (void)quill::mime::ParseAddressList(input);
    (void)quill::mime::ParseMailDate(input);
    (void)quill::SubjectPrefixLength(input);

    quill::mime::MimeMessage message;
    message.Load(input);
    quill::MessageMapNotes notes;
    const quill::pst::NewMessage mapped = quill::MapMessage(message, {}, notes);
    NullSink sink;
    CheckMessage(mapped, sink, 0);
    return 0;
}
