// The library's binding to OpenGL and GLU: every GL call of the scene goes through the process-wide
// entry-point tables `gl` and `glu`, so that tests can put a recording fake behind them, and every
// optional feature is tested through the version and extension flags `GL`, `GLU` and `WGL` first.
//
// OpenGL 1.1 and GLU are linked with the program; later versions and extensions are looked up with
// eglGetProcAddress once a context is current. There is no WGL on this platform: its entry points stay
// null and its flags false.
//
// The flags are named after the extension without its "GL_", "GLU_" or "WGL_" prefix (GL.ARB_multitexture
// for GL_ARB_multitexture): OpenGL's own headers define the prefixed names as macros. Names that would
// start with a digit keep an underscore (GL._3DFX_tbuffer).
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace zentrova {

// Types of the entry points that no header of this platform declares.
using TGLAddSwapHintRectWINProc = void (*)(GLint x, GLint y, GLsizei width, GLsizei height);
using TGLUNurbsCallbackDataEXTProc = void (*)(GLUnurbs* nurb, GLvoid* user_data);
using TGLUNewNurbsTessellatorEXTProc = GLUnurbs* (*)();
using TGLUDeleteNurbsTessellatorEXTProc = void (*)(GLUnurbs* nurb);
// WGL's: placeholders of the right arity, never called.
using TWGLGetExtensionsStringARBProc = const char* (*)(void* dc);
using TWGLGetPixelFormatAttribivARBProc = int (*)(void* dc, int format, int layer, unsigned count,
                                                  const int* attributes, int* values);
using TWGLGetPixelFormatAttribfvARBProc = int (*)(void* dc, int format, int layer, unsigned count,
                                                  const int* attributes, float* values);
using TWGLChoosePixelFormatARBProc = int (*)(void* dc, const int* int_attributes,
                                             const float* float_attributes, unsigned max_formats,
                                             int* formats, unsigned* count);
using TWGLCreatePbufferARBProc = void* (*)(void* dc, int format, int width, int height,
                                           const int* attributes);
using TWGLGetPbufferDCARBProc = void* (*)(void* pbuffer);
using TWGLReleasePbufferDCARBProc = int (*)(void* pbuffer, void* dc);
using TWGLDestroyPbufferARBProc = int (*)(void* pbuffer);
using TWGLQueryPbufferARBProc = int (*)(void* pbuffer, int attribute, int* value);
using TWGLCreateBufferRegionARBProc = void* (*)(void* dc, int layer, unsigned type);
using TWGLDeleteBufferRegionARBProc = void (*)(void* region);
using TWGLSaveBufferRegionARBProc = int (*)(void* region, int x, int y, int width, int height);
using TWGLRestoreBufferRegionARBProc = int (*)(void* region, int x, int y, int width, int height,
                                               int source_x, int source_y);
using TWGLSwapIntervalEXTProc = int (*)(int interval);
using TWGLGetSwapIntervalEXTProc = int (*)();
using TWGLAllocateMemoryNVProc = void* (*)(GLsizei size, GLfloat read_frequency, GLfloat write_frequency,
                                           GLfloat priority);
using TWGLFreeMemoryNVProc = void (*)(void* pointer);

// OpenGL 1.1 (linked, never null) and the optional entry points (null until looked up), named without
// their "gl" prefix: gl.Enable(GL_BLEND), gl.ActiveTextureARB(GL_TEXTURE1_ARB).
struct TGLEntryPoints {
#define ZENTROVA_GL_CORE(name) decltype(&::gl##name) name = &::gl##name;
#define ZENTROVA_GL_OPTIONAL(name, type) type name = nullptr;
#include "scene/gl/opengl_entry_points.inc"
};

// GLU (linked) and its three extension entry points (null until looked up): glu.ErrorString(error).
struct TGLUEntryPoints {
#define ZENTROVA_GLU_CORE(name) decltype(&::glu##name) name = &::glu##name;
#define ZENTROVA_GLU_OPTIONAL(name, type) type name = nullptr;
#include "scene/gl/opengl_entry_points.inc"
};

struct TWGLEntryPoints {
#define ZENTROVA_WGL(name, type) type name = nullptr;
#include "scene/gl/opengl_entry_points.inc"
};

// The OpenGL extensions looked for in the GL_EXTENSIONS string, in detection order: flag member and the
// name searched for.
#define ZENTROVA_GL_EXTENSIONS(X)                                        \
  X(_3DFX_multisample, "GL_3DFX_multisample")                            \
  X(_3DFX_tbuffer, "GL_3DFX_tbuffer")                                    \
  X(_3DFX_texture_compression_FXT1, "GL_3DFX_texture_compression_FXT1")  \
  X(ARB_imaging, "GL_ARB_imaging")                                       \
  X(ARB_multisample, "GL_ARB_multisample")                               \
  X(ARB_multitexture, "GL_ARB_multitexture")                             \
  X(ARB_depth_texture, "GL_ARB_depth_texture")                           \
  X(ARB_shadow, "GL_ARB_shadow")                                         \
  X(ARB_texture_border_clamp, "GL_ARB_texture_border_clamp")             \
  X(ARB_texture_compression, "GL_ARB_texture_compression")               \
  X(ARB_texture_cube_map, "GL_ARB_texture_cube_map")                     \
  X(ARB_transpose_matrix, "GL_ARB_transpose_matrix")                     \
  X(ARB_vertex_blend, "GL_ARB_vertex_blend")                             \
  X(ARB_point_parameters, "GL_ARB_point_parameters")                     \
  X(ARB_texture_env_combine, "GL_ARB_texture_env_combine")               \
  X(ARB_texture_env_crossbar, "GL_ARB_texture_env_crossbar")             \
  X(ARB_texture_env_dot3, "GL_ARB_texture_env_dot3")                     \
  X(ARB_vertex_program, "GL_ARB_vertex_program")                         \
  X(ARB_vertex_buffer_object, "GL_ARB_vertex_buffer_object")             \
  X(ARB_shader_objects, "GL_ARB_shader_objects")                         \
  X(ARB_vertex_shader, "GL_ARB_vertex_shader")                           \
  X(ARB_fragment_shader, "GL_ARB_fragment_shader")                       \
  X(ARB_fragment_program, "GL_ARB_fragment_program")                     \
  X(EXT_abgr, "GL_EXT_abgr")                                             \
  X(EXT_bgra, "GL_EXT_bgra")                                             \
  X(EXT_blend_color, "GL_EXT_blend_color")                               \
  X(EXT_blend_func_separate, "GL_EXT_blend_func_separate")               \
  X(EXT_blend_logic_op, "GL_EXT_blend_logic_op")                         \
  X(EXT_blend_minmax, "GL_EXT_blend_minmax")                             \
  X(EXT_blend_subtract, "GL_EXT_blend_subtract")                         \
  X(EXT_Cg_shader, "GL_EXT_Cg_shader")                                   \
  X(EXT_compiled_vertex_array, "GL_EXT_compiled_vertex_array")           \
  X(EXT_copy_texture, "GL_EXT_copy_texture")                             \
  X(EXT_draw_range_elements, "GL_EXT_draw_range_elements")               \
  X(EXT_fog_coord, "GL_EXT_fog_coord")                                   \
  X(EXT_multi_draw_arrays, "GL_EXT_multi_draw_arrays")                   \
  X(EXT_multisample, "GL_EXT_multisample")                               \
  X(EXT_packed_pixels, "GL_EXT_packed_pixels")                           \
  X(EXT_paletted_texture, "GL_EXT_paletted_texture")                     \
  X(EXT_polygon_offset, "GL_EXT_polygon_offset")                         \
  X(EXT_rescale_normal, "GL_EXT_rescale_normal")                         \
  X(EXT_secondary_color, "GL_EXT_secondary_color")                       \
  X(EXT_separate_specular_color, "GL_EXT_separate_specular_color")       \
  X(EXT_shared_texture_palette, "GL_EXT_shared_texture_palette")         \
  X(EXT_stencil_wrap, "GL_EXT_stencil_wrap")                             \
  X(EXT_stencil_two_side, "GL_EXT_stencil_two_side")                     \
  X(EXT_texture_compression_s3tc, "GL_EXT_texture_compression_s3tc")     \
  X(EXT_texture_cube_map, "GL_EXT_texture_cube_map")                     \
  X(EXT_texture_edge_clamp, "GL_EXT_texture_edge_clamp")                 \
  X(EXT_texture_env_add, "GL_EXT_texture_env_add")                       \
  X(EXT_texture_env_combine, "GL_EXT_texture_env_combine")               \
  X(EXT_texture_filter_anisotropic, "GL_EXT_texture_filter_anisotropic") \
  X(EXT_texture_lod_bias, "GL_EXT_texture_lod_bias")                     \
  X(EXT_texture_object, "GL_EXT_texture_object")                         \
  X(EXT_texture3D, "GL_EXT_texture3D")                                   \
  X(EXT_clip_volume_hint, "GL_EXT_clip_volume_hint")                     \
  X(HP_occlusion_test, "GL_HP_occlusion_test")                           \
  X(IBM_rasterpos_clip, "GL_IBM_rasterpos_clip")                         \
  X(KTX_buffer_region, "GL_KTX_buffer_region")                           \
  X(MESA_resize_buffers, "GL_MESA_resize_buffers")                       \
  X(NV_blend_square, "GL_NV_blend_square")                               \
  X(NV_fog_distance, "GL_NV_fog_distance")                               \
  X(NV_light_max_exponent, "GL_NV_light_max_exponent")                   \
  X(NV_register_combiners, "GL_NV_register_combiners")                   \
  X(NV_texgen_reflection, "GL_NV_texgen_reflection")                     \
  X(NV_texture_env_combine4, "GL_NV_texture_env_combine4")               \
  X(NV_vertex_array_range, "GL_NV_vertex_array_range")                   \
  X(NV_multisample_filter_hint, "GL_NV_multisample_filter_hint")         \
  X(NV_vertex_program, "GL_NV_vertex_program")                           \
  X(NV_fence, "GL_NV_fence")                                             \
  X(NV_occlusion_query, "GL_NV_occlusion_query")                         \
  X(NV_texture_rectangle, "GL_NV_texture_rectangle")                     \
  X(ATI_texture_float, "GL_ATI_texture_float")                           \
  X(ATI_draw_buffers, "GL_ATI_draw_buffers")                             \
  X(SGI_color_matrix, "GL_SGI_color_matrix")                             \
  X(SGIS_generate_mipmap, "GL_SGIS_generate_mipmap")                     \
  X(SGIS_multisample, "GL_SGIS_multisample")                             \
  X(SGIS_texture_border_clamp, "GL_SGIS_texture_border_clamp")           \
  X(SGIS_texture_color_mask, "GL_SGIS_texture_color_mask")               \
  X(SGIS_texture_edge_clamp, "GL_SGIS_texture_edge_clamp")               \
  X(SGIS_texture_lod, "GL_SGIS_texture_lod")                             \
  X(SGIX_depth_texture, "GL_SGIX_depth_texture")                         \
  X(SGIX_shadow, "GL_SGIX_shadow")                                       \
  X(SGIX_shadow_ambient, "GL_SGIX_shadow_ambient")                       \
  X(WIN_swap_hint, "GL_WIN_swap_hint")                                   \
  X(WGL_ARB_extensions_string, "WGL_ARB_extensions_string")

#define ZENTROVA_GLU_EXTENSIONS(X)                      \
  X(EXT_TEXTURE, "GLU_EXT_TEXTURE")                     \
  X(EXT_object_space_tess, "GLU_EXT_object_space_tess") \
  X(EXT_nurbs_tessellator, "GLU_EXT_nurbs_tessellator")

#define ZENTROVA_WGL_EXTENSIONS(X)                      \
  X(ARB_multisample, "WGL_ARB_multisample")             \
  X(EXT_swap_control, "WGL_EXT_swap_control")           \
  X(ARB_buffer_region, "WGL_ARB_buffer_region")         \
  X(ARB_extensions_string, "WGL_ARB_extensions_string") \
  X(ARB_pbuffer, "WGL_ARB_pbuffer")                     \
  X(ARB_pixel_format, "WGL_ARB_pixel_format")           \
  X(ATI_pixel_format_float, "WGL_ATI_pixel_format_float")

#define ZENTROVA_DECLARE_FLAG(member, name) bool member = false;

struct TGLFlags {
  bool VERSION_1_0 = false;
  bool VERSION_1_1 = false;
  bool VERSION_1_2 = false;
  bool VERSION_1_3 = false;
  bool VERSION_1_4 = false;
  bool VERSION_1_5 = false;
  ZENTROVA_GL_EXTENSIONS(ZENTROVA_DECLARE_FLAG)
};

struct TGLUFlags {
  bool VERSION_1_1 = false;
  bool VERSION_1_2 = false;
  bool VERSION_1_3 = false;
  ZENTROVA_GLU_EXTENSIONS(ZENTROVA_DECLARE_FLAG)
};

struct TWGLFlags {
  ZENTROVA_WGL_EXTENSIONS(ZENTROVA_DECLARE_FLAG)
};

#undef ZENTROVA_DECLARE_FLAG

// The process-wide tables and flags. Written on the GUI thread while a context is current (and by the
// recording fake in tests), read without locks.
extern TGLEntryPoints gl;
extern TGLUEntryPoints glu;
extern TWGLEntryPoints wgl;
extern TGLFlags GL;
extern TGLUFlags GLU;
extern TWGLFlags WGL;

// How optional entry points are found: eglGetProcAddress for OpenGL names, the process's loaded libraries
// for GLU names. Tests put a fake's lookup here; nullptr restores the default.
using TGLProcAddressLookup = void* (*)(const char* name);
void SetGLProcAddressLookup(TGLProcAddressLookup lookup);
void* GLGetProcAddress(const char* name);

// Looks up every optional OpenGL and GLU entry point, then LoadWGLEntryPoints. A missing one stays null.
// EGL hands out an entry point for any OpenGL name, supported or not: test the flags before calling.
// Needs a current context.
void LoadExtensionEntryPoints();
// There is no WGL: clears the WGL entry points.
void LoadWGLEntryPoints();
// Sets every version and extension flag from the current context's strings, ending with
// DetectWGLExtensions. Needs a current context.
void DetectGLExtensions();
// Every WGL flag from the WGL extension string, which is empty without wglGetExtensionsStringARB.
void DetectWGLExtensions();

// True when `name` stands in the blank-separated `list` as a whole name. A longer name that begins with it
// ("GL_ARB_multisample_ext") does not count, wherever the two stand.
bool ExtensionPresent(std::string_view name, std::string_view list);

// Major and minor number of a version text such as "4.5 (Compatibility Profile) Mesa 22.3.6" or
// "OpenGL ES 3.2": the digits on either side of the first "."; 0 and 0 when the text has none.
void SplitVersionString(std::string_view text, int& major, int& minor);

// The string of glGetString / gluGetString through the tables; empty for a null answer.
std::string GLGetString(GLenum name);
std::string GLUGetString(GLenum name);

// What a context activation reloaded: the rule that a new pixel format (EGL config) reloads the WGL
// entry points and flags, and a new GL vendor everything.
enum class TGLExtensionReload { Nothing, WGLOnly, All };
// Called by the platform context right after it became current with the given pixel format (never 0).
TGLExtensionReload ReloadExtensionsForPixelFormat(int pixel_format);
// The next activation counts as a new pixel format (a window context has just been created).
void ForgetLastPixelFormat();
// Forgets the vendor too, so that the next activation reloads everything.
void ForgetLastVendor();

// The OpenGL and GLU libraries as loaded modules, for IsMesaLibrary. Drawing does not need them: both
// are linked with the program.
bool LoadGLLibraries();
bool LoadGLLibrariesNamed(const std::string& gl_name, const std::string& glu_name);
void UnloadGLLibraries();
void* GLLibraryHandle();
void* GLULibraryHandle();
// True when the loaded OpenGL library exports glResizeBuffersMESA.
bool IsMesaLibrary();

// The x87 control word: all floating-point exceptions masked, 64-bit mantissa, rounding to nearest. Set
// for the whole process when the binding starts, so that floating-point faults give infinities and NaNs.
inline constexpr std::uint16_t kFPUControlWord = 0x133F;
void SetFPUControlWord(std::uint16_t word);
std::uint16_t GetFPUControlWord();

}  // namespace zentrova
