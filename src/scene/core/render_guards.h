// Guards of the buffer's frames, picks and bitmap renders: whatever ends the work, the rendering flag is
// cleared and the context made current for it is released again, so that one exception does not leave
// every later frame ignored or asserting.
#pragma once

#include <atomic>

#include "scene/gl/context.h"

namespace zentrova {

// Raises the flag for its lifetime.
class TRenderingFlag {
 public:
  explicit TRenderingFlag(std::atomic<bool>& flag) : flag_(flag) { flag_.store(true); }
  ~TRenderingFlag() { flag_.store(false); }
  TRenderingFlag(const TRenderingFlag&) = delete;
  TRenderingFlag& operator=(const TRenderingFlag&) = delete;

 private:
  std::atomic<bool>& flag_;
};

// Activates the context for its lifetime. End deactivates it and reports a failure to do so; when the
// scope ends by an exception instead, the deactivation is still made and its own failure dropped (the
// first failure is the one to report).
class TContextActivation {
 public:
  explicit TContextActivation(TGLContext& context) : context_(&context) { context.Activate(); }
  ~TContextActivation() {
    if (context_ == nullptr) return;
    try {
      context_->Deactivate();
    } catch (...) {
    }
  }
  TContextActivation(const TContextActivation&) = delete;
  TContextActivation& operator=(const TContextActivation&) = delete;
  void End() {
    TGLContext* context = context_;
    context_ = nullptr;
    context->Deactivate();
  }

 private:
  TGLContext* context_;
};

}  // namespace zentrova
