// Fixtures for the tests of the scene's OpenGL layer:
// - TGLRecordingFake: records every call made through the entry-point tables, as text, and answers the
//   calls that return something from a small script; needs no context and no display.
// - TFakeContext: a context class without a real context, whose platform operations are recorded in
//   the same call list ("A.DoActivate"), for the context and handle logic.
// - NewPBufferContext and GLContextTest: a real off-screen context on EGL's surfaceless platform
//   (8 bits per channel, 8 alpha bits, depth 24), for the tests labelled gl.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "scene/base/update_able.h"
#include "scene/gl/context.h"
#include "scene/gl/opengl_binding.h"

namespace zentrova::test {

// One argument as the fake records it: integers in decimal, reals with 9 significant digits.
template <typename T>
std::string FormatGLArg(T value) {
  if constexpr (std::is_floating_point_v<T>) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.9g", static_cast<double>(value));
    return text;
  } else if constexpr (std::is_integral_v<T> || std::is_enum_v<T>) {
    return std::to_string(static_cast<long long>(value));
  } else if constexpr (std::is_pointer_v<T>) {
    return value == nullptr ? "null" : "ptr";
  } else {
    return "?";
  }
}

// Arrays that the fake expands (the colour of glMaterialfv, a matrix) read "[0.2, 0.2, 0.2, 1]".
struct GLValues {
  std::string text;
};
inline std::string FormatGLArg(const GLValues& v) {
  return v.text;
}

// "a, b, c" of the formatted arguments.
template <typename... A>
std::string GLArgs(A... args) {
  std::string text;
  ((text += (text.empty() ? "" : ", ") + FormatGLArg(args)), ...);
  return text;
}
template <typename... T>
GLValues Values(T... v) {
  return {"[" + GLArgs(v...) + "]"};
}
// "glEnable(3042)": the text under which the fake records a call with these arguments.
template <typename... A>
std::string GLCall(const std::string& name, A... args) {
  return name + "(" + GLArgs(args...) + ")";
}

class TGLRecordingFake {
 public:
  // Puts recorders behind every entry point of gl and glu (optional ones included) and a lookup that
  // hands them out; saves the tables, the flags and the lookup, and restores them all when destroyed.
  TGLRecordingFake();
  ~TGLRecordingFake();
  TGLRecordingFake(const TGLRecordingFake&) = delete;
  TGLRecordingFake& operator=(const TGLRecordingFake&) = delete;

  const std::vector<std::string>& Calls() const { return calls_; }
  void Clear() { calls_.clear(); }
  void Record(std::string call) { calls_.push_back(std::move(call)); }

  // The script.
  std::string Vendor = "Zentrova recording fake";
  std::string Renderer = "recorder";
  std::string Version = "1.1";
  std::string Extensions;
  std::string GLUVersion = "1.3";
  std::string GLUExtensions;
  std::deque<GLenum> Errors;  // answers of glGetError, then 0
  std::set<GLuint> Textures;  // names glIsTexture confirms; glGenTextures adds, glDeleteTextures removes
  GLuint NextName = 1;        // the next list or texture name handed out

 private:
  std::tuple<TGLEntryPoints, TGLUEntryPoints, TWGLEntryPoints, TGLFlags, TGLUFlags, TWGLFlags> saved_;
  TGLRecordingFake* previous_;
  std::vector<std::string> calls_;
};

// A context with no real context behind it. Its platform operations are recorded, prefixed by its name,
// into the recording fake when one is installed.
class TFakeContext : public TGLContext {
 public:
  explicit TFakeContext(std::string name = "fake") : name_(std::move(name)) {}
  ~TFakeContext() override;
  const char* ClassName() const override { return "TFakeContext"; }

  bool IsValid() const override { return created_; }
  void SwapBuffers() override { Note("SwapBuffers"); }
  TGLNativeDevice DeviceContext() const override { return {}; }

  // Creates it with Activate-free defaults (CreateOffscreen).
  void Create() { CreateOffscreen({}, 16, 16); }

 protected:
  void DoActivate() override { Note("DoActivate"); }
  void DoDeactivate() override { Note("DoDeactivate"); }
  void CreateWindowContext(const TGLNativeDevice&) override { Created("CreateWindowContext"); }
  void CreatePBufferContext(const TGLNativeDevice&, int, int) override { Created("CreatePBufferContext"); }
  void DoShareLists(TGLContext*) override { Note("DoShareLists"); }
  void DoDestroyContext() override {
    created_ = false;
    Note("DoDestroyContext");
  }

 private:
  void Note(const std::string& what);
  void Created(const std::string& what) {
    created_ = true;
    Note(what);
  }
  std::string name_;
  bool created_ = false;
};

// The calls of the golden file tests/data/scene/gl/calls/<name>.txt, one per line.
std::vector<std::string> GoldenCalls(const std::string& name);

// An owner that counts the change notices that reach it.
class TNoticeCounter : public TGLUpdateAbleObject {
 public:
  TNoticeCounter() : TGLUpdateAbleObject(nullptr) {}
  void NotifyChange(TPersistent* sender) override { ++notices; }
  int notices = 0;
};

// A created off-screen context from the manager (the EGL class), not active.
std::unique_ptr<TGLContext> NewPBufferContext(int width = 64, int height = 64);

// The surfaceless EGL display initialised for the rest of the process. The X11 display is terminated
// with its last context, which would unload the driver; the driver's own leaks (suppressed by its name)
// would then be reported from an unknown module.
void KeepGLDriverLoaded();

// RGBA of one pixel of the current context's colour buffer.
std::array<std::uint8_t, 4> ReadPixel(int x, int y);

// A pbuffer context, active for the whole test.
class GLContextTest : public ::testing::Test {
 protected:
  void SetUp() override { (context_ = NewPBufferContext())->Activate(); }
  void TearDown() override {
    if (ActiveContext() == context_.get()) context_->SetActive(false);
  }
  TGLContext& Context() { return *context_; }

  std::unique_ptr<TGLContext> context_;
};

}  // namespace zentrova::test
