#pragma once
// A "busy" or "in progress" flag raised for the lifetime of a scope. The
// flag drops back to what it was when the scope ends, however it ends (an
// exception included), so a nested guard never clears its caller's flag and
// a failed command never leaves the window refusing every other one.
//
// The owner of a flag that others raise hands out scopes (Session::MarkBusy)
// rather than the flag itself; a scope can be moved out of such a function.

#include <utility>

namespace plomix {

class [[nodiscard]] BusyScope {
 public:
  explicit BusyScope(bool& flag) : flag_(&flag), before_(flag) { flag = true; }
  // Raises nothing (for a command that runs without an owner to tell).
  BusyScope() = default;
  BusyScope(BusyScope&& other) noexcept
      : flag_(std::exchange(other.flag_, nullptr)), before_(other.before_) {}
  ~BusyScope() {
    if (flag_ != nullptr) *flag_ = before_;
  }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;
  BusyScope& operator=(BusyScope&&) = delete;

 private:
  bool* flag_ = nullptr;
  bool before_ = false;
};

}  // namespace plomix
