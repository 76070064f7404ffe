#pragma once
// A "busy" or "in progress" flag raised for the lifetime of a scope. The
// flag drops back to what it was when the scope ends, however it ends (an
// exception included), so a nested guard never clears its caller's flag and
// a failed command never leaves the window refusing every other one.

namespace plomix {

class BusyScope {
 public:
  explicit BusyScope(bool& flag) : flag_(flag), before_(flag) { flag_ = true; }
  ~BusyScope() { flag_ = before_; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  bool& flag_;
  bool before_;
};

}  // namespace plomix
