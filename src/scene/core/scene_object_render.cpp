// Drawing one node of the tree during a frame: culling, the matrix, the picking name, the depth and
// state exceptions, the axes, the node's own geometry and its children in the sorting order in force.
#include <algorithm>
#include <utility>
#include <vector>

#include "scene/base/matrix_geometry.h"
#include "scene/base/scene_errors.h"
#include "scene/base/scope_exit.h"
#include "scene/core/behaviours.h"
#include "scene/core/camera.h"
#include "scene/core/scene_object.h"
#include "scene/core/stage.h"
#include "scene/gl/bounding_box.h"
#include "scene/gl/context.h"
#include "scene/gl/gl_state_scope.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/state_cache.h"

namespace zentrova {

namespace {

TAffineVector Affine(const TVector4f& v) {
  return {v[0], v[1], v[2]};
}

}  // namespace

TBoxBounds TGLBaseSceneObject::HierarchicalBox() {
  TBoxBounds box;
  BoxFromHalfExtents(box, Affine(UnscaledHalfExtents()));
  for (const auto& child : children_) {
    TBoxBounds child_box = child->HierarchicalBox();
    TransformBox(child_box, child->LocalMatrix());
    MergeBoxes(box, child_box);
  }
  return box;
}

void TGLBaseSceneObject::DecideCulling(const TRenderContextInfo& rci, bool& render_self,
                                       bool& render_children) {
  const bool has_children = !children_.empty();
  switch (rci.visibilityCulling) {
    case vcObjectBased:
      render_self = HasStyle(osNoVisibilityCulling) ||
                    !IsVolumeClipped(Affine(AbsoluteTranslation()), BoundingSphereRadius(), rci.rcci.frustum);
      render_children = has_children;
      break;
    case vcHierarchical:
      if (HasStyle(osNoVisibilityCulling)) {
        render_self = true;
      } else {
        TBoxBounds box = HierarchicalBox();
        TransformBox(box, AbsoluteMatrix());
        render_self = !IsVolumeClipped(box.Min, box.Max, rci.rcci.frustum);
      }
      render_children = render_self && has_children;
      break;
    case vcNone:
    case vcInherited:
      render_self = true;
      render_children = has_children;
      break;
    default:
      SceneAssert(false, "Unknown visibility culling option");
  }
}

void TGLBaseSceneObject::RenderWithTransform(TRenderContextInfo& rci) {
  bool render_self = false;
  bool render_children = false;
  DecideCulling(rci, render_self, render_children);
  if (!render_self && !render_children) return;

  const TGLMatrixScope matrix;
  bool name_pushed = false;
  const TScopeExit pop_name([&name_pushed] {
    if (name_pushed) gl.PopName();
  });
  gl.MultMatrixf(LocalMatrix()[0].data());
  if (rci.drawState == TDrawState::Picking) {
    if (rci.proxySubObject) {
      gl.PushName(selection_name_);
      name_pushed = true;
    } else {
      gl.LoadName(selection_name_);
    }
  }
  if (!render_self) {
    RenderUnderDepthRule(rci, false, render_children);
    return;
  }
  if (show_axes_ && scene_ != nullptr && scene_->CurrentCamera() != nullptr) {
    DrawObjectAxes(rci, 0xCCCC, scene_->CurrentCamera()->DepthOfView());
  }
  if (!HasEffects()) {
    RenderUnderDepthRule(rci, true, render_children);
    if (HasStyle(osTampersWithState)) rci.GLStates->ResetAll();
    return;
  }
  SceneAssert(rci.buffer != nullptr, "TGLBaseSceneObject.RenderWithTransform: effects need a buffer");
  {
    const TGLMatrixScope pre_effects_matrix;
    effects_->RenderPreEffects(*rci.buffer, rci);
  }
  const TGLMatrixScope matrix_for_post_effects;
  RenderUnderDepthRule(rci, true, render_children);
  if (HasStyle(osTampersWithState)) rci.GLStates->ResetAll();
  effects_->RenderPostEffects(*rci.buffer, rci);
}

void TGLBaseSceneObject::RenderUnderDepthRule(TRenderContextInfo& rci, bool render_self,
                                              bool render_children) {
  if (!HasStyle(osIgnoreDepthBuffer)) {
    DoRender(rci, render_self, render_children);
    return;
  }
  SceneAssert(rci.GLStates != nullptr, "TGLBaseSceneObject.RenderWithTransform: no state cache");
  TGLStateCache& states = *rci.GLStates;
  // Back on afterwards only if it was on before: the frame may be drawn without a depth test.
  const bool depth_was_on = states.StateEnabled(stDepthTest);
  states.DisableState(stDepthTest);
  const TScopeExit restore([&states, depth_was_on] {
    if (depth_was_on) states.EnableState(stDepthTest);
  });
  DoRender(rci, render_self, render_children);
}

void TGLBaseSceneObject::DoRender(TRenderContextInfo& rci, bool render_self, bool render_children) {
  if (render_self) RenderSelf(rci);
  if (render_children) RenderChildrenSorted(0, ChildCount() - 1, rci);
}

void TGLBaseSceneObject::RenderSelf(TRenderContextInfo& rci) {
  // Mesa 22.3 loses or crashes on compiled lists that mix primitive modes in selection mode, where
  // immediate mode is right: a pick pass calls no list.
  if (HasStyle(osDirectDraw) || rci.amalgamating || rci.drawState == TDrawState::Picking) {
    BuildList(rci);
  } else {
    gl.CallList(DisplayListHandle(rci));
  }
}

GLuint TGLBaseSceneObject::DisplayListHandle(TRenderContextInfo& rci) {
  if (list_handle_ != nullptr && list_handle_->Handle() != 0 && !DisplayListDirty())
    return list_handle_->Handle();
  // Cleared before the build, so that a change made while building marks the list again.
  changes_ &= static_cast<std::uint8_t>(~kDisplayListDirty);
  if (list_handle_ == nullptr) list_handle_ = std::make_unique<TGLListHandle>();
  if (list_handle_->Handle() == 0) list_handle_->AllocName();
  const GLuint name = list_handle_->Handle();
  SceneAssert(name != 0);
  gl.NewList(name, GL_COMPILE);
  try {
    BuildList(rci);
  } catch (...) {
    // Without the end every later frame would compile into this list; left dirty, it is built again.
    gl.EndList();
    changes_ |= kDisplayListDirty;
    throw;
  }
  gl.EndList();
  return name;
}

void TGLBaseSceneObject::RenderChildrenSorted(int first, int last, TRenderContextInfo& rci) {
  if (children_.empty()) return;
  const TGLVisibilityCulling saved_culling = rci.visibilityCulling;
  const TGLObjectsSorting saved_sorting = rci.objectsSorting;
  const TScopeExit restore([&rci, saved_culling, saved_sorting] {
    rci.objectsSorting = saved_sorting;
    rci.visibilityCulling = saved_culling;
  });
  if (visibility_culling_ != vcInherited) rci.visibilityCulling = visibility_culling_;
  if (last < first) return;
  if (first == last) {
    TGLBaseSceneObject& child = *children_.at(first);
    if (child.Visible()) child.RenderWithTransform(rci);
    return;
  }
  if (objects_sorting_ != osInherited) rci.objectsSorting = objects_sorting_;
  switch (rci.objectsSorting) {
    case osNone:
      for (int i = first; i <= last; ++i) {
        TGLBaseSceneObject& child = *children_.at(i);
        if (child.Visible()) child.RenderWithTransform(rci);
      }
      break;
    case osRenderFarthestFirst:
    case osRenderBlendedLast:
    case osRenderNearestFirst: {
      // Keys ascending, drawn from the last: largest key first.
      std::vector<std::pair<float, TGLBaseSceneObject*>> sorted;
      sorted.reserve(static_cast<std::size_t>(last) + 1);
      for (int i = first; i <= last; ++i) {
        TGLBaseSceneObject& child = *children_.at(i);
        if (!child.Visible()) continue;
        const float d2 = child.BarycenterSqrDistanceTo(rci.cameraPosition);
        switch (rci.objectsSorting) {
          case osRenderFarthestFirst:
            sorted.emplace_back(d2 + 1.0f, &child);
            break;
          case osRenderBlendedLast:
            if (child.Blended()) {
              sorted.emplace_back(d2 + 1.0f, &child);
            } else {
              child.RenderWithTransform(rci);
            }
            break;
          default:
            sorted.emplace_back(-1.0f - d2, &child);
        }
      }
      if (sorted.size() > 1) {
        std::sort(sorted.begin(), sorted.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
      }
      for (auto it = sorted.rbegin(); it != sorted.rend(); ++it) it->second->RenderWithTransform(rci);
      break;
    }
    default:
      SceneAssert(false);
  }
}

void TGLBaseSceneObject::DrawObjectAxes(TRenderContextInfo& rci, std::uint16_t pattern, float length) {
  struct TAxis {
    TAffineVector end;
    TAffineVector color;
  };
  const TAxis axes[] = {
      {{-length, 0, 0}, {0.5f, 0, 0}}, {{length, 0, 0}, {1, 0, 0}},     {{0, -length, 0}, {0, 0.5f, 0}},
      {{0, length, 0}, {0, 1, 0}},     {{0, 0, -length}, {0, 0, 0.5f}}, {{0, 0, length}, {0, 0, 1}},
  };
  // The attribute stack restores what is switched here, so the state cache stays true.
  const TGLAttribScope attributes(rci.GLStates, GL_ENABLE_BIT | GL_LIGHTING_BIT | GL_LINE_BIT);
  gl.Disable(GL_LIGHTING);
  gl.Enable(GL_LINE_STIPPLE);
  if (!rci.ignoreBlendingRequests) {
    gl.Enable(GL_BLEND);
    gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
  gl.LineWidth(1);
  gl.LineStipple(1, pattern);
  gl.Begin(GL_LINES);
  for (const TAxis& axis : axes) {
    gl.Color3fv(axis.color.data());
    gl.Vertex3f(0, 0, 0);
    gl.Vertex3fv(axis.end.data());
  }
  gl.End();
}

}  // namespace zentrova
