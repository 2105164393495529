// The text of stored design values on arbitrary bytes: it is either refused
// with a DesignValuesError or read, and what is read is written as text that
// reads back to the same values and is written again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "controls/host/DesignValues.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

class Picture final : public quill::host::Picture {
  public:
    explicit Picture(quill::host::PictureSource source) : source_(source) {}
    quill::host::PictureType Type() const override { return quill::host::PictureType::kIcon; }
    quill::host::NativeHandle Handle() const override { return 0; }
    std::int32_t Width() const override { return 1; }
    std::int32_t Height() const override { return 1; }
    std::optional<quill::host::PictureSource> Source() const override { return source_; }

  private:
    quill::host::PictureSource source_;
};

// One object per resource, so two readings of a text compare equal.
class Pictures final : public quill::host::PictureLoader {
  public:
    quill::host::PicturePtr Load(const quill::host::PictureSource& source) override {
        auto& made = made_[{static_cast<int>(source.kind), source.id}];
        if (!made) made = std::make_shared<Picture>(source);
        return made;
    }

  private:
    std::map<std::pair<int, std::int32_t>, quill::host::PicturePtr> made_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Pictures pictures;
    quill::host::FormDesign form;
    try {
        form = quill::host::ParseDesignValues(text, "fuzz", pictures);
    } catch (const quill::host::DesignValuesError&) {
        return 0;
    }
    const std::string written = quill::host::WriteDesignValues(form);
    const quill::host::FormDesign reread = quill::host::ParseDesignValues(written, "written", pictures);
    Check(reread == form);
    Check(quill::host::WriteDesignValues(reread) == written);
    return 0;
}
