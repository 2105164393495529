#include "pst/PstError.h"

#include <cstdio>

namespace quill::pst {
namespace {

std::string Hex(std::uint64_t v) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(v));
    return text;
}

std::string WithContext(const std::string& message, const PstErrorContext& context) {
    const std::string where = context.Describe();
    return where.empty() ? message : message + " (" + where + ")";
}

}  // namespace

void PstErrorContext::Complete(const PstErrorContext& other) {
    if (!nodeId) nodeId = other.nodeId;
    if (!blockId) blockId = other.blockId;
    if (!offset) offset = other.offset;
    if (expected.empty()) expected = other.expected;
    if (actual.empty()) actual = other.actual;
}

std::string PstErrorContext::Describe() const {
    std::string place;
    auto add = [&](const std::string& part) { place += (place.empty() ? "" : ", ") + part; };
    if (nodeId) add("node " + Hex(*nodeId));
    if (blockId) add("block " + Hex(*blockId));
    if (offset) add("offset " + std::to_string(*offset));
    std::string what;
    if (!expected.empty()) what = "expected " + expected;
    if (!actual.empty()) what += (what.empty() ? "" : ", ") + std::string("actual ") + actual;
    if (place.empty()) return what;
    return what.empty() ? place : place + ": " + what;
}

PstError::PstError(const std::string& message, PstErrorContext context)
    : std::runtime_error(WithContext(message, context)), message_(message), context_(std::move(context)) {}

PstErrorContext ContextOf(const std::exception& e) {
    if (const auto* pst = dynamic_cast<const PstError*>(&e)) return pst->Context();
    if (const auto* carrier = dynamic_cast<const ErrorContextCarrier*>(&e)) return carrier->Context();
    return {};
}

}  // namespace quill::pst
