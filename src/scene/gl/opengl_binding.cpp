#include "scene/gl/opengl_binding.h"

#include <EGL/egl.h>
#include <dlfcn.h>

#include <cctype>
#include <charconv>

namespace zentrova {

// Constant-initialised: the linked entry points are usable before any static constructor runs.
constinit TGLEntryPoints gl;
constinit TGLUEntryPoints glu;
constinit TWGLEntryPoints wgl;
constinit TGLFlags GL;
constinit TGLUFlags GLU;
constinit TWGLFlags WGL;

namespace {

void* DefaultLookup(const char* name) {
  if (name[0] == 'g' && name[1] == 'l' && name[2] == 'u') return dlsym(RTLD_DEFAULT, name);
  return reinterpret_cast<void*>(eglGetProcAddress(name));
}

TGLProcAddressLookup proc_address_lookup = DefaultLookup;

int last_pixel_format = 0;
std::string last_vendor;

void* gl_library = nullptr;
void* glu_library = nullptr;

[[maybe_unused]] const bool fpu_control_word_set = (SetFPUControlWord(kFPUControlWord), true);

}  // namespace

void SetGLProcAddressLookup(TGLProcAddressLookup lookup) {
  proc_address_lookup = lookup != nullptr ? lookup : DefaultLookup;
}

void* GLGetProcAddress(const char* name) {
  return proc_address_lookup(name);
}

void LoadExtensionEntryPoints() {
#define ZENTROVA_GL_OPTIONAL(name, type) gl.name = reinterpret_cast<type>(GLGetProcAddress("gl" #name));
#define ZENTROVA_GLU_OPTIONAL(name, type) glu.name = reinterpret_cast<type>(GLGetProcAddress("glu" #name));
#include "scene/gl/opengl_entry_points.inc"
  LoadWGLEntryPoints();
}

void LoadWGLEntryPoints() {
  wgl = TWGLEntryPoints{};
}

void DetectGLExtensions() {
  int major = 0;
  int minor = 0;
  SplitVersionString(GLGetString(GL_VERSION), major, minor);
  GL.VERSION_1_0 = true;
  GL.VERSION_1_1 = minor >= 1 || major > 1;
  GL.VERSION_1_2 = minor >= 2 || major > 1;
  GL.VERSION_1_3 = minor >= 3 || major > 1;
  GL.VERSION_1_4 = minor >= 4 || major > 1;
  GL.VERSION_1_5 = minor >= 5 || major > 1;

  SplitVersionString(GLUGetString(GLU_VERSION), major, minor);
  GLU.VERSION_1_1 = true;
  GLU.VERSION_1_2 = minor >= 2 || major > 1;
  GLU.VERSION_1_3 = minor >= 3 || major > 1;

  const std::string extensions = GLGetString(GL_EXTENSIONS);
#define ZENTROVA_DETECT(member, name) GL.member = ExtensionPresent(name, extensions);
  ZENTROVA_GL_EXTENSIONS(ZENTROVA_DETECT)
#undef ZENTROVA_DETECT

  const std::string glu_extensions = GLUGetString(GLU_EXTENSIONS);
#define ZENTROVA_DETECT(member, name) GLU.member = ExtensionPresent(name, glu_extensions);
  ZENTROVA_GLU_EXTENSIONS(ZENTROVA_DETECT)
#undef ZENTROVA_DETECT

  DetectWGLExtensions();
}

void DetectWGLExtensions() {
  const char* text = wgl.GetExtensionsStringARB != nullptr ? wgl.GetExtensionsStringARB(nullptr) : nullptr;
  const std::string_view list = text != nullptr ? text : "";
#define ZENTROVA_DETECT(member, name) WGL.member = ExtensionPresent(name, list);
  ZENTROVA_WGL_EXTENSIONS(ZENTROVA_DETECT)
#undef ZENTROVA_DETECT
}

bool ExtensionPresent(std::string_view name, std::string_view list) {
  if (name.empty()) return false;
  std::size_t i = 0;
  while (i < list.size()) {
    while (i < list.size() && std::isspace(static_cast<unsigned char>(list[i]))) ++i;
    std::size_t end = i;
    while (end < list.size() && !std::isspace(static_cast<unsigned char>(list[end]))) ++end;
    if (list.substr(i, end - i) == name) return true;
    i = end;
  }
  return false;
}

void SplitVersionString(std::string_view text, int& major, int& minor) {
  major = 0;
  minor = 0;
  const auto is_digit = [](char c) { return c >= '0' && c <= '9'; };
  const std::size_t dot = text.find('.');
  // The dot needs a digit on either side: at least one character before it and one after it.
  if (dot == std::string_view::npos || dot == 0 || dot + 1 >= text.size()) return;
  if (!is_digit(text[dot - 1]) || !is_digit(text[dot + 1])) return;
  std::size_t first = dot;
  while (first > 0 && is_digit(text[first - 1])) --first;
  std::size_t last = dot + 1;
  while (last < text.size() && is_digit(text[last])) ++last;
  int parsed_major = 0;
  int parsed_minor = 0;
  // A number too large for an integer fails the whole split, like any other malformed text.
  const auto r1 = std::from_chars(text.data() + first, text.data() + dot, parsed_major);
  const auto r2 = std::from_chars(text.data() + dot + 1, text.data() + last, parsed_minor);
  if (r1.ec != std::errc{} || r1.ptr != text.data() + dot) return;
  if (r2.ec != std::errc{} || r2.ptr != text.data() + last) return;
  major = parsed_major;
  minor = parsed_minor;
}

std::string GLGetString(GLenum name) {
  const GLubyte* text = gl.GetString(name);
  return text != nullptr ? reinterpret_cast<const char*>(text) : std::string();
}

std::string GLUGetString(GLenum name) {
  const GLubyte* text = glu.GetString(name);
  return text != nullptr ? reinterpret_cast<const char*>(text) : std::string();
}

TGLExtensionReload ReloadExtensionsForPixelFormat(int pixel_format) {
  if (pixel_format == last_pixel_format) return TGLExtensionReload::Nothing;
  last_pixel_format = pixel_format;
  std::string vendor = GLGetString(GL_VENDOR);
  if (vendor != last_vendor) {
    LoadExtensionEntryPoints();
    DetectGLExtensions();
    last_vendor = std::move(vendor);
    return TGLExtensionReload::All;
  }
  LoadWGLEntryPoints();
  DetectWGLExtensions();
  return TGLExtensionReload::WGLOnly;
}

void ForgetLastPixelFormat() {
  last_pixel_format = 0;
}

void ForgetLastVendor() {
  last_pixel_format = 0;
  last_vendor.clear();
}

bool LoadGLLibraries() {
  if (gl_library != nullptr && glu_library != nullptr) return true;
  return LoadGLLibrariesNamed("libGL.so.1", "libGLU.so.1");
}

bool LoadGLLibrariesNamed(const std::string& gl_name, const std::string& glu_name) {
  UnloadGLLibraries();
  gl_library = dlopen(gl_name.c_str(), RTLD_NOW | RTLD_LOCAL);
  glu_library = dlopen(glu_name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (gl_library != nullptr && glu_library != nullptr) return true;
  // The one that did load is closed and forgotten: a handle kept after closing would be closed a second
  // time by the next load or unload.
  UnloadGLLibraries();
  return false;
}

void UnloadGLLibraries() {
  if (gl_library != nullptr) dlclose(gl_library);
  if (glu_library != nullptr) dlclose(glu_library);
  gl_library = nullptr;
  glu_library = nullptr;
}

void* GLLibraryHandle() {
  return gl_library;
}
void* GLULibraryHandle() {
  return glu_library;
}

bool IsMesaLibrary() {
  return gl_library != nullptr && dlsym(gl_library, "glResizeBuffersMESA") != nullptr;
}

void SetFPUControlWord(std::uint16_t word) {
#if defined(__x86_64__) || defined(__i386__)
  asm volatile("fldcw %0" : : "m"(word));
#else
  (void)word;
#endif
}

std::uint16_t GetFPUControlWord() {
#if defined(__x86_64__) || defined(__i386__)
  std::uint16_t word = 0;
  asm volatile("fnstcw %0" : "=m"(word));
  return word;
#else
  return kFPUControlWord;
#endif
}

}  // namespace zentrova
