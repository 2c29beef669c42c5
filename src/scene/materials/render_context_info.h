// The record that a tree render hands by reference to every object it draws, and the sorting and culling
// choices that travel in it.
#pragma once

#include <array>
#include <cstdint>

#include "scene/base/vector_types.h"

namespace zentrova {

class TGLStage;
class TGLStageBuffer;
class TGLMaterialLibrary;
class TGLStateCache;

// The order in which an object's children are drawn. An object left at osInherited draws its children in
// the order in force for its parent; the scene has nothing to inherit from.
enum TGLObjectsSorting : std::uint8_t {
  osInherited,
  osNone,                 // index order
  osRenderFarthestFirst,  // by distance from the camera, farthest first
  osRenderBlendedLast,    // opaque children in index order, then blended ones farthest first
  osRenderNearestFirst,
};

// How objects outside the view frustum are left out.
enum TGLVisibilityCulling : std::uint8_t {
  vcInherited,
  vcNone,
  vcObjectBased,   // each object by its own bounding sphere; a culled object's children still tested
  vcHierarchical,  // an object by the box around its whole sub-tree; a culled object takes it along
};

// Their identifiers in form streams.
inline constexpr std::array<const char*, 5> kObjectsSortingNames{
    "osInherited", "osNone", "osRenderFarthestFirst", "osRenderBlendedLast", "osRenderNearestFirst"};
inline constexpr std::array<const char*, 4> kVisibilityCullingNames{"vcInherited", "vcNone", "vcObjectBased",
                                                                    "vcHierarchical"};

// What a tree render is for.
enum class TDrawState : std::uint8_t { Rendering, Picking, ToBitmap };

// The camera's view volume as objects are tested against it.
struct TRenderContextClippingInfo {
  TVector4f origin{};             // the camera position
  TVector4f clippingDirection{};  // the camera direction
  float viewPortRadius = 0;
  float farClippingDistance = 0;
  TFrustum frustum{};  // left, top, right, bottom, near, far
};

struct TViewPortSize {
  std::int32_t cx = 0;
  std::int32_t cy = 0;
};

struct TRenderContextInfo {
  TGLStage* scene = nullptr;
  TGLStageBuffer* buffer = nullptr;
  TVector4f cameraPosition{};  // absolute, w = 1
  TVector4f cameraDirection{};
  TVector4f cameraUp{};
  const TMatrix4f* modelViewMatrix = nullptr;  // the view matrix of the frame
  TViewPortSize viewPortSize{};
  std::int32_t renderDPI = 0;
  // Set by a mesh around its own drawing; a tree render leaves them empty.
  TGLMaterialLibrary* materialLibrary = nullptr;
  TGLMaterialLibrary* lightmapLibrary = nullptr;
  // The absolute matrix of the scene's light in slot 0, false without one: materials lie below the scene
  // graph, so a cube map that follows that light asks the scene through this.
  bool (*firstLightMatrix)(TGLStage& scene, TMatrix4f& matrix) = nullptr;
  // Nesting of materials that switch fog or lighting off while they are applied.
  std::int32_t fogDisabledCounter = 0;
  std::int32_t lightingDisabledCounter = 0;
  TDrawState drawState = TDrawState::Rendering;
  TGLObjectsSorting objectsSorting = osInherited;
  TGLVisibilityCulling visibilityCulling = vcInherited;
  TGLStateCache* GLStates = nullptr;  // the buffer's; every capability change goes through it
  TRenderContextClippingInfo rcci{};
  TVector4f sceneAmbientColor{};
  bool bufferFaceCull = false;
  bool proxySubObject = false;          // picking names are pushed (nested) instead of loaded
  bool ignoreMaterials = false;         // one pass without materials (picking, no colour buffer)
  bool ignoreBlendingRequests = false;  // drawing code must not switch blending on
  bool amalgamating = false;            // a container compiles its children into its own list
};

}  // namespace zentrova
