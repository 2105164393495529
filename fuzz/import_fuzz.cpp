// Mail as the PST target imports it: arbitrary bytes loaded, mapped to PST properties, and the
// mapped properties built into a property context. Nothing may crash, every string property
// must be whole UTF-16, and address and date parsing must accept anything.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "convert/PstMessageMap.h"
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
    for (const auto& p : props.Items())
        if (p.Type() == quill::pst::PropType::String && p.value.size() % 2 != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    (void)quill::ParseAddressList(input);
    (void)quill::ParseMailDate(input);
    (void)quill::SubjectPrefixLength(input);

    quill::mime::MimeMessage message;
    message.Load(input);
    const quill::pst::NewMessage mapped = quill::MapMessage(message);
    CheckStrings(mapped.props);
    NullSink sink;
    (void)quill::pst::ltp::BuildPropertyContext(mapped.props, sink);
    for (const auto& r : mapped.recipients) CheckStrings(r);
    for (const auto& a : mapped.attachments) {
        CheckStrings(a.props);
        (void)quill::pst::ltp::BuildPropertyContext(a.props, sink);
    }
    return 0;
}
