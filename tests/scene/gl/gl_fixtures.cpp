#include "scene/gl/gl_fixtures.h"

#include <cctype>
#include <map>
#include <set>
#include <sstream>
#include <string_view>
#include <utility>

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include "scene/gl/egl_context.h"
#include "test_support.h"

namespace zentrova::test {

namespace {

TGLRecordingFake* current_fake = nullptr;

template <typename F>
struct TSignature;

template <typename R, typename... A>
struct TSignature<R (*)(A...)> {
  using Result = R;
};

// How many values a vector argument of the call holds: the fixed sizes of the calls without a count in
// their name, else the digit before the type letters ("glColor4fv", "glMultiTexCoord2fvARB").
int VectorSize(std::string_view name) {
  static const std::set<std::string_view> four = {"glMaterialfv", "glLightfv",       "glLightModelfv",
                                                  "glFogfv",      "glTexEnvfv",      "glTexGenfv",
                                                  "glTexGeniv",   "glTexParameterfv"};
  static const std::set<std::string_view> sixteen = {
      "glLoadMatrixf", "glMultMatrixf", "glLoadTransposeMatrixfARB", "glMultTransposeMatrixfARB"};
  if (four.count(name) != 0) return 4;
  if (sixteen.count(name) != 0) return 16;
  std::size_t digit = name.find_last_of("0123456789");
  if (digit == std::string_view::npos) return 0;
  const std::string_view rest = name.substr(digit + 1);
  for (std::string_view suffix : {"fv", "dv", "iv", "sv", "ubv", "uiv", "usv", "bv"}) {
    if (rest.substr(0, suffix.size()) == suffix) return name[digit] - '0';
  }
  return 0;
}

template <typename T>
std::string FormatRecordedArg(T value, int size) {
  if constexpr (std::is_pointer_v<T>) {
    using Item = std::remove_pointer_t<T>;
    if constexpr (std::is_const_v<Item> && std::is_arithmetic_v<std::remove_cv_t<Item>>) {
      if (value != nullptr && size > 0) {
        std::string text = "[";
        for (int i = 0; i < size; ++i) text += (i > 0 ? ", " : "") + FormatGLArg(value[i]);
        return text + "]";
      }
    }
  }
  return FormatGLArg(value);
}

template <typename R, typename... A>
R Recorded(const char* name, A... args) {
  [[maybe_unused]] const int size = VectorSize(name);
  if (current_fake != nullptr) current_fake->Record(GLCall(name, GLValues{FormatRecordedArg(args, size)}...));
  if constexpr (!std::is_void_v<R>) return R{};
}

std::map<std::string, void*>& Stubs() {
  static std::map<std::string, void*> stubs;
  return stubs;
}

void* FakeLookup(const char* name) {
  auto it = Stubs().find(name);
  return it != Stubs().end() ? it->second : nullptr;
}

#define ZENTROVA_STUB(table, Table, member, text)                               \
  table.member = [](auto... a) -> TSignature<decltype(Table::member)>::Result { \
    return Recorded<TSignature<decltype(Table::member)>::Result>(text, a...);   \
  };                                                                            \
  Stubs()[text] = reinterpret_cast<void*>(table.member);

void InstallRecorders() {
#define ZENTROVA_GL_CORE(name) ZENTROVA_STUB(gl, TGLEntryPoints, name, "gl" #name)
#define ZENTROVA_GL_OPTIONAL(name, type) ZENTROVA_STUB(gl, TGLEntryPoints, name, "gl" #name)
#define ZENTROVA_GLU_CORE(name) ZENTROVA_STUB(glu, TGLUEntryPoints, name, "glu" #name)
#define ZENTROVA_GLU_OPTIONAL(name, type) ZENTROVA_STUB(glu, TGLUEntryPoints, name, "glu" #name)
#include "scene/gl/opengl_entry_points.inc"

  // The calls that answer: from the script.
  gl.GetError = []() -> GLenum {
    current_fake->Record("glGetError()");
    if (current_fake->Errors.empty()) return GL_NO_ERROR;
    const GLenum error = current_fake->Errors.front();
    current_fake->Errors.pop_front();
    return error;
  };
  gl.GetString = [](GLenum name) -> const GLubyte* {
    current_fake->Record(GLCall("glGetString", name));
    TGLRecordingFake& f = *current_fake;
    const std::string* text = name == GL_VENDOR       ? &f.Vendor
                              : name == GL_RENDERER   ? &f.Renderer
                              : name == GL_VERSION    ? &f.Version
                              : name == GL_EXTENSIONS ? &f.Extensions
                                                      : nullptr;
    return text != nullptr ? reinterpret_cast<const GLubyte*>(text->c_str()) : nullptr;
  };
  gl.GenLists = [](GLsizei range) -> GLuint {
    current_fake->Record(GLCall("glGenLists", range));
    return std::exchange(current_fake->NextName, current_fake->NextName + range);
  };
  gl.GenTextures = [](GLsizei n, GLuint* names) {
    current_fake->Record(GLCall("glGenTextures", n, names));
    for (GLsizei i = 0; i < n; ++i) {
      names[i] = current_fake->NextName++;
      current_fake->Textures.insert(names[i]);
    }
  };
  gl.DeleteTextures = [](GLsizei n, const GLuint* names) {
    std::string values = "[";
    for (GLsizei i = 0; i < n; ++i) {
      values += (i > 0 ? ", " : "") + FormatGLArg(names[i]);
      current_fake->Textures.erase(names[i]);
    }
    current_fake->Record(GLCall("glDeleteTextures", n, GLValues{values + "]"}));
  };
  gl.IsTexture = [](GLuint name) -> GLboolean {
    current_fake->Record(GLCall("glIsTexture", name));
    return current_fake->Textures.count(name) != 0 ? GL_TRUE : GL_FALSE;
  };
  glu.GetString = [](GLenum name) -> const GLubyte* {
    current_fake->Record(GLCall("gluGetString", name));
    if (name == GLU_VERSION) return reinterpret_cast<const GLubyte*>(current_fake->GLUVersion.c_str());
    if (name == GLU_EXTENSIONS) return reinterpret_cast<const GLubyte*>(current_fake->GLUExtensions.c_str());
    return nullptr;
  };
  // GLU's error texts need no context: the real ones.
  glu.ErrorString = [](GLenum error) -> const GLubyte* {
    current_fake->Record(GLCall("gluErrorString", error));
    return ::gluErrorString(error);
  };
}

}  // namespace

TGLRecordingFake::TGLRecordingFake() : saved_(gl, glu, wgl, GL, GLU, WGL), previous_(current_fake) {
  current_fake = this;
  InstallRecorders();
  SetGLProcAddressLookup(FakeLookup);
}

TGLRecordingFake::~TGLRecordingFake() {
  std::tie(gl, glu, wgl, GL, GLU, WGL) = saved_;
  SetGLProcAddressLookup(nullptr);
  current_fake = previous_;
}

// ---- TFakeContext

TFakeContext::~TFakeContext() {
  if (!IsValid()) return;
  try {
    Release();
  } catch (...) {
  }
}

void TFakeContext::Note(const std::string& what) {
  if (current_fake != nullptr) current_fake->Record(name_ + "." + what);
}

std::vector<std::string> GoldenCalls(const std::string& name) {
  std::istringstream in(ReadBytes(DataPath("scene/gl/calls/" + name + ".txt")));
  std::vector<std::string> calls;
  for (std::string line; std::getline(in, line);) calls.push_back(line);
  return calls;
}

// ---- real contexts

std::unique_ptr<TGLContext> NewPBufferContext(int width, int height) {
  RegisterEGLContextClass();
  std::unique_ptr<TGLContext> context = GLContextManager()->NewContext();
  if (context == nullptr) throw Exception("no context class registered");
  context->SetColorBits(32);
  context->SetAlphaBits(8);
  context->SetDepthBits(24);
  context->CreateOffscreen({}, width, height);
  return context;
}

std::array<std::uint8_t, 4> ReadPixel(int x, int y) {
  std::array<std::uint8_t, 4> pixel{};
  gl.ReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
  return pixel;
}

void KeepGLDriverLoaded() {
  static const bool loaded = [] {
    const EGLDisplay display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    return display != EGL_NO_DISPLAY && eglInitialize(display, nullptr, nullptr);
  }();
  (void)loaded;
}

}  // namespace zentrova::test
