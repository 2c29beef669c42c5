#include "scene/gl/context.h"

#include <algorithm>
#include <utility>

#include "scene/base/scene_errors.h"
#include "scene/gl/opengl_binding.h"

namespace zentrova {

namespace {

// One current context for the whole process (not per thread): only the GUI thread renders.
TGLContext* current_context = nullptr;

std::vector<TGLContextClass>& ContextClasses() {
  static std::vector<TGLContextClass> classes;
  return classes;
}

std::once_flag manager_created;

// The process-wide manager. At the end of the program it is terminated: freed at once when no context
// is left, else by the last context to go. Contexts that outlive even this holder are detached by the
// manager's destructor.
struct TGlobalManager {
  std::unique_ptr<TGLContextManager> manager;
  ~TGlobalManager() {
    if (manager != nullptr) manager->Terminate();
  }
} global_manager;

template <typename T>
bool Contains(const std::vector<T*>& list, const T* item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

// Frees the process-wide manager once it is terminated and no context is left.
void FreeManagerWhenDone(TGLContextManager* manager) {
  if (manager == nullptr || !manager->Terminated() || manager->ContextCount() != 0) return;
  if (global_manager.manager.get() == manager) global_manager.manager.reset();
}

}  // namespace

TGLContext* ActiveContext() {
  return current_context;
}

void AddContextClass(TGLContextClass context_class) {
  ContextClasses().push_back(context_class);
}

bool HasContextClass(TGLContextClass context_class) {
  const auto& classes = ContextClasses();
  return std::find(classes.begin(), classes.end(), context_class) != classes.end();
}

std::vector<TGLContextClass> TakeContextClasses() {
  return std::exchange(ContextClasses(), {});
}

void DrainGLErrors() {
  for (int i = 0; i < 7 && gl.GetError() != GL_NO_ERROR; ++i) {
  }
}

void RaiseOnGLError() {
  const GLenum error = gl.GetError();
  if (error == GL_NO_ERROR) return;
  DrainGLErrors();
  const GLubyte* text = glu.ErrorString(error);
  throw EOpenGLError(text != nullptr ? reinterpret_cast<const char*>(text) : "");
}

// ---- TGLContext

TGLContext::TGLContext() {
  registered_with_ = GLContextManager();
  if (registered_with_ != nullptr) registered_with_->AddContext(this);
}

TGLContext::~TGLContext() {
  // Only reached with handles or partners left when a platform class did not release: the names went
  // with the real context, so the handles are merely emptied.
  for (TGLContextHandle* handle : owned_handles_) {
    handle->rendering_context_ = nullptr;
    handle->handle_ = 0;
  }
  owned_handles_.clear();
  for (TGLContext* member : shared_) {
    if (member != this) std::erase(member->shared_, this);
  }
  if (current_context == this) current_context = nullptr;
  if (registered_with_ != nullptr) {
    try {
      registered_with_->RemoveContext(this);
    } catch (const EGLContext&) {
      // Already unregistered: nothing is left to undo.
    }
    FreeManagerWhenDone(registered_with_);
  }
}

void TGLContext::CheckNotActive() const {
  if (Active()) throw EGLContext("Cannot alter an active context");
}

void TGLContext::SetColorBits(int value) {
  CheckNotActive();
  color_bits_ = value;
}

void TGLContext::SetAlphaBits(int value) {
  CheckNotActive();
  alpha_bits_ = value;
}

void TGLContext::SetDepthBits(int value) {
  CheckNotActive();
  depth_bits_ = value;
}

void TGLContext::SetStencilBits(int value) {
  CheckNotActive();
  stencil_bits_ = value;
}

void TGLContext::SetAccumBits(int value) {
  CheckNotActive();
  accum_bits_ = value;
}

void TGLContext::SetAuxBuffers(int value) {
  CheckNotActive();
  aux_buffers_ = value;
}

void TGLContext::SetAntiAliasing(TGLAntiAliasing value) {
  CheckNotActive();
  anti_aliasing_ = value;
}

void TGLContext::SetOptions(TGLRCOptions value) {
  CheckNotActive();
  options_ = value;
}

void TGLContext::CreateOnDevice(const TGLNativeDevice& device) {
  if (IsValid()) throw EGLContext("Context already created");
  acceleration_ = chUnknown;
  CreateWindowContext(device);
  if (!Contains(shared_, this)) shared_.push_back(this);
  if (manager_ != nullptr) manager_->ContextCreatedBy(this);
}

void TGLContext::CreateOffscreen(const TGLNativeDevice& device, int width, int height) {
  if (IsValid()) throw EGLContext("Context already created");
  acceleration_ = chUnknown;
  CreatePBufferContext(device, width, height);
  if (!Contains(shared_, this)) shared_.push_back(this);
  if (manager_ != nullptr) manager_->ContextCreatedBy(this);
}

void TGLContext::ShareObjectNames(TGLContext* other) {
  if (!IsValid()) throw EGLContext("Context not created");
  if (other == nullptr || other == this || Contains(shared_, other)) return;
  DoShareLists(other);
  // The other context brings its whole group along: a member left out would go on listing partners that
  // no longer list it, and keep a dangling one once that partner is gone.
  std::vector<TGLContext*> group = shared_;
  if (!Contains(group, other)) group.push_back(other);
  for (TGLContext* member : other->shared_) {
    if (!Contains(group, member)) group.push_back(member);
  }
  shared_ = std::move(group);
  PropagateSharing();
}

void TGLContext::PropagateSharing() {
  for (TGLContext* member : shared_) {
    if (member != this) member->shared_ = shared_;
  }
}

TGLContext* TGLContext::FirstSharingContext() const {
  for (TGLContext* member : shared_) {
    if (member != this) return member;
  }
  return nullptr;
}

bool TGLContext::SharesNamesWith(const TGLContext* other) const {
  return Contains(shared_, other);
}

void TGLContext::Activate() {
  if (activation_count_ == 0) {
    if (!IsValid()) throw EGLContext("Context not created");
    DoActivate();
    current_context = this;
  } else {
    SceneAssert(current_context == this);
  }
  ++activation_count_;
}

void TGLContext::Deactivate() {
  SceneAssert(current_context == this);
  --activation_count_;
  if (activation_count_ == 0) {
    if (!IsValid()) throw EGLContext("Context not created");
    DoDeactivate();
    current_context = nullptr;
  } else if (activation_count_ < 0) {
    throw EGLContext("Unbalanced context activations");
  }
}

void TGLContext::SetActive(bool active) {
  while (Active() != active) {
    if (active) {
      Activate();
    } else {
      Deactivate();
    }
  }
}

int TGLContext::Suspend() {
  const int count = activation_count_;
  DoDeactivate();
  activation_count_ = 0;
  current_context = nullptr;
  return count;
}

void TGLContext::Resume(int count) {
  DoActivate();
  current_context = this;
  activation_count_ = count;
}

void TGLContext::Release() {
  if (!IsValid()) return;
  TGLContext* previous = current_context != this ? current_context : nullptr;
  const int previous_count = previous != nullptr ? previous->Suspend() : 0;
  try {
    Activate();
    TGLContext* heir = FirstSharingContext();
    while (!owned_handles_.empty()) {
      TGLContextHandle* handle = owned_handles_.back();
      owned_handles_.pop_back();
      if (heir != nullptr && handle->Transferable()) {
        handle->rendering_context_ = heir;
        heir->owned_handles_.push_back(handle);
      } else {
        handle->rendering_context_ = nullptr;
        try {
          handle->DoFreeName();
        } catch (...) {
          handle->handle_ = 0;
          throw;
        }
        handle->handle_ = 0;
      }
    }
    if (manager_ != nullptr) manager_->DestroyingContextBy(this);
    std::erase(shared_, this);
    PropagateSharing();
    shared_.clear();
    SetActive(false);
    DoDestroyContext();
  } catch (...) {
    try {
      SetActive(false);
    } catch (...) {
      // The first failure is the one to report.
    }
    if (previous != nullptr) previous->Resume(previous_count);
    throw;
  }
  if (previous != nullptr) previous->Resume(previous_count);
  acceleration_ = chUnknown;
}

void TGLContext::FreeAllHandles() {
  Activate();
  try {
    while (!owned_handles_.empty()) owned_handles_.back()->FreeName();
  } catch (...) {
    Deactivate();
    throw;
  }
  Deactivate();
}

// ---- TGLContextManager

TGLContextManager* GLContextManager() {
  std::call_once(manager_created, [] { global_manager.manager = std::make_unique<TGLContextManager>(); });
  return global_manager.manager.get();
}

TGLContextManager::~TGLContextManager() {
  for (TGLContext* context : contexts_) {
    context->registered_with_ = nullptr;
    if (context->manager_ == this) context->manager_ = nullptr;
  }
}

std::unique_ptr<TGLContext> TGLContextManager::NewContext() {
  if (ContextClasses().empty()) return nullptr;
  std::unique_ptr<TGLContext> context = ContextClasses().front()();
  if (context != nullptr) context->manager_ = this;
  return context;
}

void TGLContextManager::AddContext(TGLContext* context) {
  std::lock_guard guard(lock_);
  if (Contains(contexts_, context)) throw EGLContext("Invalid context registration");
  contexts_.push_back(context);
}

void TGLContextManager::RemoveContext(TGLContext* context) {
  std::lock_guard guard(lock_);
  if (!Contains(contexts_, context)) throw EGLContext("Invalid context registration");
  std::erase(contexts_, context);
}

void TGLContextManager::ContextCreatedBy(TGLContext* context) {
  std::lock_guard guard(lock_);
  ++created_count_;
}

void TGLContextManager::DestroyingContextBy(TGLContext* context) {
  std::lock_guard guard(lock_);
  --created_count_;
}

int TGLContextManager::CreatedContextCount() {
  std::lock_guard guard(lock_);
  return created_count_;
}

void TGLContextManager::LockContextList() {
  lock_.lock();
}
void TGLContextManager::UnlockContextList() {
  lock_.unlock();
}

int TGLContextManager::ContextCount() {
  std::lock_guard guard(lock_);
  return static_cast<int>(contexts_.size());
}

void TGLContextManager::FreeAllHandles() {
  std::lock_guard guard(lock_);
  for (auto it = contexts_.rbegin(); it != contexts_.rend(); ++it) {
    // A context that was never created owns no handle and could not be activated to free one.
    if ((*it)->IsValid()) (*it)->FreeAllHandles();
  }
}

void TGLContextManager::Terminate() {
  terminated_ = true;
  FreeManagerWhenDone(this);
}

// ---- TGLContextHandle

TGLContextHandle::~TGLContextHandle() {
  Detach();
}

void TGLContextHandle::Detach() {
  if (rendering_context_ != nullptr) std::erase(rendering_context_->owned_handles_, this);
  rendering_context_ = nullptr;
  handle_ = 0;
}

void TGLContextHandle::FreeNameFromDestructor() {
  try {
    FreeName();
  } catch (...) {
    // A destructor cannot report the GL error of a deletion; the name is gone either way.
    Detach();
  }
}

void TGLContextHandle::AllocName() {
  SceneAssert(handle_ == 0);
  SceneAssert(current_context != nullptr);
  handle_ = DoAllocName();
  if (handle_ != 0) {
    rendering_context_ = current_context;
    current_context->owned_handles_.push_back(this);
  }
}

void TGLContextHandle::FreeName() {
  if (handle_ == 0) return;
  TGLContext* owner = rendering_context_;
  if (owner == nullptr) {
    // No context holds the name any more: there is nothing to free it in.
    handle_ = 0;
    return;
  }
  std::erase(owner->owned_handles_, this);
  TGLContext* current = current_context;
  // The name lives only in its own group: freed right here when the current context is a member,
  // else in its own context, borrowed for the moment.
  if (current == owner || (current != nullptr && current->SharesNamesWith(owner))) {
    try {
      DoFreeName();
    } catch (...) {
      handle_ = 0;
      rendering_context_ = nullptr;
      throw;
    }
  } else {
    const int current_count = current != nullptr ? current->Suspend() : 0;
    try {
      owner->Activate();
      DoFreeName();
      owner->Deactivate();
    } catch (...) {
      handle_ = 0;
      rendering_context_ = nullptr;
      try {
        if (owner->Active() && current_context == owner) owner->SetActive(false);
      } catch (...) {
        // The first failure is the one to report.
      }
      if (current != nullptr) current->Resume(current_count);
      throw;
    }
    if (current != nullptr) current->Resume(current_count);
  }
  handle_ = 0;
  rendering_context_ = nullptr;
}

GLuint TGLListHandle::DoAllocName() {
  return gl.GenLists(1);
}

void TGLListHandle::DoFreeName() {
  DrainGLErrors();
  gl.DeleteLists(Handle(), 1);
  RaiseOnGLError();
}

GLuint TGLTextureHandle::DoAllocName() {
  GLuint name = 0;
  gl.GenTextures(1, &name);
  return name;
}

void TGLTextureHandle::DoFreeName() {
  gl.GetError();
  GLuint name = Handle();
  if (gl.IsTexture(name)) gl.DeleteTextures(1, &name);
  RaiseOnGLError();
}

GLuint TGLVirtualHandle::DoAllocName() {
  GLuint name = 0;
  if (OnAllocate) OnAllocate(this, name);
  return name;
}

void TGLVirtualHandle::DoFreeName() {
  DrainGLErrors();
  if (OnDestroy) {
    GLuint name = Handle();
    OnDestroy(this, name);
  }
  RaiseOnGLError();
}

}  // namespace zentrova
