// Runs a function when the scope ends, however it ends: GL state pushed for drawing is popped again when
// the drawing throws.
#pragma once

#include <utility>

namespace zentrova {

template <class F>
class TScopeExit {
 public:
  explicit TScopeExit(F f) : f_(std::move(f)) {}
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;
  ~TScopeExit() { f_(); }

 private:
  F f_;
};

}  // namespace zentrova
