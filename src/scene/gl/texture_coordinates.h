// Texture-coordinate routing: geometry code emits texture coordinates, texture-coordinate generation and
// arrays and texture enables through the fifteen routed calls below instead of calling OpenGL, and one
// process-wide mapping decides where they go: nowhere, to the main texture unit, to the second, to both,
// or to a list of units. Materials choose the mapping before an object draws. GUI thread only.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <vector>

namespace zentrova {

// The mapping in force: 1 none, 2 main unit, 3 main and second (dual), 4 second unit, 5 listed units.
enum TTexCoordMapping : std::uint8_t {
  tcmNone = 1,
  tcmMain = 2,
  tcmDual = 3,
  tcmSecond = 4,
  tcmUnits = 5,
};

// The routed calls; each has the signature of the OpenGL call its name ends with. Rebound whenever the
// mapping changes; the calls reach OpenGL through the binding's entry-point table.
extern void (*RoutedTexCoord2f)(GLfloat s, GLfloat t);
extern void (*RoutedTexCoord2fv)(const GLfloat* v);
extern void (*RoutedTexCoord3f)(GLfloat s, GLfloat t, GLfloat r);
extern void (*RoutedTexCoord3fv)(const GLfloat* v);
extern void (*RoutedTexCoord4f)(GLfloat s, GLfloat t, GLfloat r, GLfloat q);
extern void (*RoutedTexCoord4fv)(const GLfloat* v);
extern void (*RoutedTexGenf)(GLenum coord, GLenum pname, GLfloat param);
extern void (*RoutedTexGenfv)(GLenum coord, GLenum pname, const GLfloat* params);
extern void (*RoutedTexGeni)(GLenum coord, GLenum pname, GLint param);
extern void (*RoutedTexGeniv)(GLenum coord, GLenum pname, const GLint* params);
extern void (*RoutedTexCoordPointer)(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer);
extern void (*RoutedEnableClientState)(GLenum array);
extern void (*RoutedDisableClientState)(GLenum array);
extern void (*RoutedEnable)(GLenum cap);
extern void (*RoutedDisable)(GLenum cap);

void TexCoordRouteNone();
void TexCoordRouteMain();
// To unit GL_TEXTURE1_ARB; while the second unit is locked, TexCoordRouteNone instead.
void TexCoordRouteSecond();
// To the main unit, then to GL_TEXTURE1_ARB; while the second unit is locked, TexCoordRouteMain instead.
void TexCoordRouteBoth();
// To each listed unit (GL_TEXTURE0_ARB + n) in order; while the second unit is locked, GL_TEXTURE1_ARB is
// dropped from the list. The list is stored at once, even inside an update.
void TexCoordRouteUnits(const std::vector<GLenum>& units);
// The units of the set bits 0..7 of `bits`, in increasing order.
void TexCoordRouteMask(std::uint32_t bits);
void TexCoordRouteAddMask(std::uint32_t bits);
// Bit mask of the units of the mapping in force (inside an update, the pending one): main 1, second 2,
// dual 3, listed units their bits. With no mapping it raises the assertion failure.
std::uint32_t TexCoordRouteCurrentMask();

// Brackets that defer mapping changes to the outermost end, which applies the last one chosen once, and
// only when it differs from the mapping in force at the outermost begin.
void TexCoordRouteBeginUpdate();
void TexCoordRouteEndUpdate();

// Reserves the second unit for a scene object that needs it for itself.
void LockSecondTexUnit();
void UnlockSecondTexUnit();
// Whether the second unit is reserved: library materials then keep their second texture off it too.
bool SecondTextureUnitForbidden();

// The mapping in force, the units of the listed-units mapping and the number of times the routed calls
// were rebound since the program started.
TTexCoordMapping TexCoordRouteMapping();
const std::vector<GLenum>& TexCoordRouteUnitList();
int TexCoordRouteBindCount();

}  // namespace zentrova
