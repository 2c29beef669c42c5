#include "scene/gl/texture_coordinates.h"

#include "scene/base/scene_errors.h"
#include "scene/gl/opengl_binding.h"

namespace zentrova {

namespace {

constexpr GLenum kUnit0 = GL_TEXTURE0_ARB;
constexpr GLenum kUnit1 = GL_TEXTURE1_ARB;

TTexCoordMapping mapping = tcmNone;
TTexCoordMapping pending = tcmNone;
int update_count = 0;
bool second_unit_locked = false;
std::vector<GLenum> unit_list;
int bind_count = 0;

// Coordinate calls: the plain call for the main unit, the multitexture call with the unit otherwise.
template <auto Plain, auto Multi, typename Signature>
struct TCoordRoute;

template <auto Plain, auto Multi, typename... A>
struct TCoordRoute<Plain, Multi, void (*)(A...)> {
  static void None(A...) {}
  static void Main(A... a) { (gl.*Plain)(a...); }
  static void Second(A... a) { (gl.*Multi)(kUnit1, a...); }
  static void Dual(A... a) {
    Main(a...);
    Second(a...);
  }
  static void Units(A... a) {
    for (GLenum unit : unit_list) (gl.*Multi)(unit, a...);
  }
};

// State calls: the plain call, with the unit selected before and unit 0 selected again after.
template <auto Plain, auto Select, typename Signature>
struct TSelectRoute;

template <auto Plain, auto Select, typename... A>
struct TSelectRoute<Plain, Select, void (*)(A...)> {
  static void None(A...) {}
  static void Main(A... a) { (gl.*Plain)(a...); }
  static void Second(A... a) {
    (gl.*Select)(kUnit1);
    (gl.*Plain)(a...);
    (gl.*Select)(kUnit0);
  }
  static void Dual(A... a) {
    Main(a...);
    Second(a...);
  }
  static void Units(A... a) {
    for (GLenum unit : unit_list) {
      (gl.*Select)(unit);
      (gl.*Plain)(a...);
    }
    (gl.*Select)(kUnit0);
  }
};

#define ZENTROVA_COORD_ROUTE(name, multi) \
  TCoordRoute<&TGLEntryPoints::name, &TGLEntryPoints::multi, decltype(TGLEntryPoints::name)>
#define ZENTROVA_SELECT_ROUTE(name, select) \
  TSelectRoute<&TGLEntryPoints::name, &TGLEntryPoints::select, decltype(TGLEntryPoints::name)>

// Every routed call with its five forms.
#define ZENTROVA_ROUTES(X)                                                                       \
  X(RoutedTexCoord2f, ZENTROVA_COORD_ROUTE(TexCoord2f, MultiTexCoord2fARB))                      \
  X(RoutedTexCoord2fv, ZENTROVA_COORD_ROUTE(TexCoord2fv, MultiTexCoord2fvARB))                   \
  X(RoutedTexCoord3f, ZENTROVA_COORD_ROUTE(TexCoord3f, MultiTexCoord3fARB))                      \
  X(RoutedTexCoord3fv, ZENTROVA_COORD_ROUTE(TexCoord3fv, MultiTexCoord3fvARB))                   \
  X(RoutedTexCoord4f, ZENTROVA_COORD_ROUTE(TexCoord4f, MultiTexCoord4fARB))                      \
  X(RoutedTexCoord4fv, ZENTROVA_COORD_ROUTE(TexCoord4fv, MultiTexCoord4fvARB))                   \
  X(RoutedTexGenf, ZENTROVA_SELECT_ROUTE(TexGenf, ActiveTextureARB))                             \
  X(RoutedTexGenfv, ZENTROVA_SELECT_ROUTE(TexGenfv, ActiveTextureARB))                           \
  X(RoutedTexGeni, ZENTROVA_SELECT_ROUTE(TexGeni, ActiveTextureARB))                             \
  X(RoutedTexGeniv, ZENTROVA_SELECT_ROUTE(TexGeniv, ActiveTextureARB))                           \
  X(RoutedTexCoordPointer, ZENTROVA_SELECT_ROUTE(TexCoordPointer, ClientActiveTextureARB))       \
  X(RoutedEnableClientState, ZENTROVA_SELECT_ROUTE(EnableClientState, ClientActiveTextureARB))   \
  X(RoutedDisableClientState, ZENTROVA_SELECT_ROUTE(DisableClientState, ClientActiveTextureARB)) \
  X(RoutedEnable, ZENTROVA_SELECT_ROUTE(Enable, ActiveTextureARB))                               \
  X(RoutedDisable, ZENTROVA_SELECT_ROUTE(Disable, ActiveTextureARB))

void Bind(TTexCoordMapping m) {
  // Routing to a unit other than the main one needs the multitexture entry points.
  if (m == tcmDual || m == tcmSecond || m == tcmUnits) SceneAssert(GL.ARB_multitexture);
#define ZENTROVA_BIND(routed, route) \
  switch (m) {                       \
    case tcmNone:                    \
      routed = route::None;          \
      break;                         \
    case tcmMain:                    \
      routed = route::Main;          \
      break;                         \
    case tcmDual:                    \
      routed = route::Dual;          \
      break;                         \
    case tcmSecond:                  \
      routed = route::Second;        \
      break;                         \
    case tcmUnits:                   \
      routed = route::Units;         \
      break;                         \
  }
  ZENTROVA_ROUTES(ZENTROVA_BIND)
#undef ZENTROVA_BIND
  mapping = m;
  ++bind_count;
}

// Outside an update, binds the mapping unless it is in force; inside, only remembers it.
void Choose(TTexCoordMapping m) {
  if (update_count > 0) {
    pending = m;
  } else if (m != mapping) {
    Bind(m);
  }
}

}  // namespace

#define ZENTROVA_DEFINE_ROUTED(routed, route) decltype(routed) routed = route::None;
ZENTROVA_ROUTES(ZENTROVA_DEFINE_ROUTED)
#undef ZENTROVA_DEFINE_ROUTED

void TexCoordRouteNone() {
  Choose(tcmNone);
}
void TexCoordRouteMain() {
  Choose(tcmMain);
}

void TexCoordRouteSecond() {
  if (second_unit_locked) {
    TexCoordRouteNone();
  } else {
    Choose(tcmSecond);
  }
}

void TexCoordRouteBoth() {
  if (second_unit_locked) {
    TexCoordRouteMain();
  } else {
    Choose(tcmDual);
  }
}

void TexCoordRouteUnits(const std::vector<GLenum>& units) {
  unit_list.clear();
  for (GLenum unit : units) {
    if (!(second_unit_locked && unit == kUnit1)) unit_list.push_back(unit);
  }
  Choose(tcmUnits);
}

void TexCoordRouteMask(std::uint32_t bits) {
  std::vector<GLenum> units;
  for (std::uint32_t b = 0; b < 8; ++b) {
    if ((bits & (1u << b)) != 0) units.push_back(kUnit0 + b);
  }
  TexCoordRouteUnits(units);
}

void TexCoordRouteAddMask(std::uint32_t bits) {
  TexCoordRouteMask(TexCoordRouteCurrentMask() | bits);
}

std::uint32_t TexCoordRouteCurrentMask() {
  switch (update_count > 0 ? pending : mapping) {
    case tcmMain:
      return 1;
    case tcmSecond:
      return 2;
    case tcmDual:
      return 3;
    case tcmUnits: {
      std::uint32_t mask = 0;
      for (GLenum unit : unit_list) {
        // Units beyond the mask's 32 bits cannot be told; they add nothing.
        if (unit >= kUnit0 && unit - kUnit0 < 32) mask |= 1u << (unit - kUnit0);
      }
      return mask;
    }
    default:
      SceneAssert(false);
      return 0;
  }
}

void TexCoordRouteBeginUpdate() {
  if (update_count <= 0) {
    update_count = 1;
    pending = mapping;
  } else {
    ++update_count;
  }
}

void TexCoordRouteEndUpdate() {
  --update_count;
  if (update_count != 0 || pending == mapping) return;
  switch (pending) {
    case tcmNone:
    case tcmMain:
    case tcmDual:
    case tcmSecond:
    case tcmUnits:
      Bind(pending);
      break;
    default:
      SceneAssert(false);
  }
}

void LockSecondTexUnit() {
  second_unit_locked = true;
}
bool SecondTextureUnitForbidden() {
  return second_unit_locked;
}

void UnlockSecondTexUnit() {
  second_unit_locked = false;
}

TTexCoordMapping TexCoordRouteMapping() {
  return mapping;
}
const std::vector<GLenum>& TexCoordRouteUnitList() {
  return unit_list;
}
int TexCoordRouteBindCount() {
  return bind_count;
}

}  // namespace zentrova
