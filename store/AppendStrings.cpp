#include "store/AppendStrings.h"

#include <cstring>
#include <limits>
#include <stdexcept>

namespace quill {

void AppendStrings::AddToString(std::string_view strAdd) {
    if (strAdd.empty()) return;
    const std::int64_t added = static_cast<std::int64_t>(strAdd.size()) * 2;
    if (lengthHeld_ + added > std::numeric_limits<std::int32_t>::max())
        throw std::overflow_error("message text exceeds the accumulator's 32-bit length");
    const std::size_t held = Length();
    const std::size_t need = held + strAdd.size();
    if (need > storage_.size()) {
        // One step normally makes room; a longer piece takes as many steps as
        // it needs, so nothing is ever written past the storage.
        std::size_t steps = (need - storage_.size() + kGrowthStep - 1) / kGrowthStep;
        storage_.resize(storage_.size() + steps * kGrowthStep, ' ');
    }
    std::memcpy(storage_.data() + held, strAdd.data(), strAdd.size());
    lengthHeld_ += static_cast<std::int32_t>(added);
}

const std::string& AppendStrings::ReturnString() {
    storage_.resize(Length());
    return storage_;
}

std::string AppendStrings::TakeFront(std::size_t n) {
    const std::size_t held = Length();
    if (n >= held) return TakeAll();
    std::string rest(storage_.data() + n, held - n);
    storage_.resize(n);
    std::string front = std::move(storage_);
    storage_ = std::string();
    lengthHeld_ = 0;
    AddToString(rest);
    return front;
}

std::string AppendStrings::TakeAll() {
    storage_.resize(Length());
    std::string all = std::move(storage_);
    storage_ = std::string();
    lengthHeld_ = 0;
    return all;
}

}  // namespace quill
