#pragma once
// The PST writer's one error type, and the place a failure is known to have happened: the node
// being written, the block or the file offset, and what the format or the writer required against
// what it met. Every layer may include this header.
//
// The layers below the facade throw the standard exception their callers and tests expect
// (std::invalid_argument for a value the format cannot hold, std::length_error for a limit,
// ...), as a LayerError when they know more; the facade's one error boundary turns every failure
// into a PstError, adding what it knows itself (the file, the node it was writing, where the
// file stood).

#include <cstdint>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>

namespace quill::pst {

struct PstErrorContext {
    std::optional<std::uint32_t> nodeId{};  // NID of the node being written
    std::optional<std::uint64_t> blockId{};
    std::optional<std::uint64_t> offset{};  // in the file
    std::string expected{};                 // what the format or the writer required
    std::string actual{};                   // what it met instead

    [[nodiscard]] bool Empty() const noexcept {
        return !nodeId && !blockId && !offset && expected.empty() && actual.empty();
    }
    // Fills what this context does not know from other.
    void Complete(const PstErrorContext& other);
    // "node 0x200024, block 0x48, offset 8192: expected ..., actual ..."; empty when nothing is known.
    [[nodiscard]] std::string Describe() const;
};

// what() is the message followed by the context in parentheses, so that every place that shows
// the message (the run's report among them) shows where it happened.
class PstError : public std::runtime_error {
  public:
    explicit PstError(const std::string& message, PstErrorContext context = {});
    [[nodiscard]] const std::string& Message() const noexcept { return message_; }
    [[nodiscard]] const PstErrorContext& Context() const noexcept { return context_; }

  private:
    std::string message_;
    PstErrorContext context_;
};

// The context a lower layer attaches to the standard exception it throws.
class ErrorContextCarrier {
  public:
    explicit ErrorContextCarrier(PstErrorContext context) : context_(std::move(context)) {}
    virtual ~ErrorContextCarrier() = default;
    [[nodiscard]] const PstErrorContext& Context() const noexcept { return context_; }

  private:
    PstErrorContext context_;
};

template <typename StdError>
class LayerError : public StdError, public ErrorContextCarrier {
  public:
    LayerError(const std::string& what, PstErrorContext context)
        : StdError(what), ErrorContextCarrier(std::move(context)) {}
};

// The context an exception carries, if it carries one.
[[nodiscard]] PstErrorContext ContextOf(const std::exception& e);

}  // namespace quill::pst
