#pragma once
// The window's one guard against re-entry and against closing under a
// running handler. The handlers that let window events run (a conversion, a
// listing, a folder choice) run one at a time: a click that arrives while
// one is under way is passed over. A close asked for meanwhile waits until
// that handler has ended, and a running conversion is asked to stop after
// its current message, so the window never goes while a loop still uses it.

#include <functional>
#include <utility>

namespace quill::app {

class RunGuard {
  public:
    // Held for the length of one guarded handler.
    class Scope {
      public:
        Scope(Scope&& other) noexcept : guard_(std::exchange(other.guard_, nullptr)) {}
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        Scope& operator=(Scope&&) = delete;
        ~Scope() {
            if (guard_ != nullptr) guard_->Leave();
        }
        [[nodiscard]] bool Entered() const noexcept { return guard_ != nullptr; }
        explicit operator bool() const noexcept { return Entered(); }

      private:
        friend class RunGuard;
        explicit Scope(RunGuard* guard) noexcept : guard_(guard) {}
        RunGuard* guard_;
    };

    // Called once the handler under way has ended with a close waiting.
    explicit RunGuard(std::function<void()> closeNow) : closeNow_(std::move(closeNow)) {}

    // A scope that did not enter (false) when another handler is under way.
    [[nodiscard]] Scope Enter() noexcept {
        if (busy_) return Scope(nullptr);
        busy_ = true;
        return Scope(this);
    }
    // What stops the conversion of the current scope, until the scope ends.
    void SetStop(std::function<void()> stop) { stop_ = std::move(stop); }

    // True when the window may close now. Otherwise the close waits for the
    // handler under way, whose conversion (if any) is asked to stop.
    [[nodiscard]] bool RequestClose() {
        if (!busy_) return true;
        closePending_ = true;
        if (stop_) stop_();
        return false;
    }

    [[nodiscard]] bool Busy() const noexcept { return busy_; }
    [[nodiscard]] bool ClosePending() const noexcept { return closePending_; }

  private:
    void Leave() {
        busy_ = false;
        stop_ = nullptr;
        if (std::exchange(closePending_, false) && closeNow_) closeNow_();
    }

    std::function<void()> closeNow_;
    std::function<void()> stop_;
    bool busy_ = false;
    bool closePending_ = false;
};

}  // namespace quill::app
