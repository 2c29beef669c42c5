// Rendering contexts, the process-wide context manager and context handles.
//
// A context is platform-neutral here: the platform class (the EGL context) creates, activates and
// destroys the real one. Activation nests by a count and makes the context the single process-wide
// current one. Contexts that share object names form a group; handles (display lists, textures, names
// from events) remember the context that created them, are freed in their own group, and move to another
// member of the group when their context is released.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/exception.h"
#include "scene/base/class_name.h"
#include "scene/base/object_base.h"

namespace zentrova {

// Misuse of a context.
class EGLContext : public Exception {
 public:
  using Exception::Exception;
};

// An error that OpenGL reported.
class EOpenGLError : public Exception {
 public:
  using Exception::Exception;
};

enum TGLAntiAliasing : std::uint8_t { aaDefault, aaNone, aa2x, aa2xHQ, aa4x, aa4xHQ };

// Bits of TGLContext::Options.
enum TGLRCOption : std::uint8_t { rcoDoubleBuffered = 1u << 0, rcoStereo = 1u << 1 };
using TGLRCOptions = std::uint8_t;

enum TGLContextAcceleration : std::uint8_t { chUnknown = 0, chHardware = 1, chSoftware = 2 };

// What a window context draws on: a native X11 window on an X display (Display* and Window). Off-screen
// contexts take none.
struct TGLNativeDevice {
  void* x_display = nullptr;
  unsigned long x_window = 0;
};

class TGLContext;
class TGLContextHandle;
class TGLContextManager;

// The current context of the process, nullptr when none is active.
TGLContext* ActiveContext();

// A platform context class: makes a new, not yet created context.
using TGLContextClass = std::unique_ptr<TGLContext> (*)();
// Appends a class to the process-wide list; the manager creates its contexts from the first one.
void AddContextClass(TGLContextClass context_class);
bool HasContextClass(TGLContextClass context_class);
// Empties the list and returns what it held (tests that check the manager without a class).
std::vector<TGLContextClass> TakeContextClasses();

// Reads glGetError; when an error is pending, clears up to 7 more and raises EOpenGLError with the GLU
// text of the first.
void RaiseOnGLError();
// Reads glGetError until it answers 0, at most 7 times.
void DrainGLErrors();

class TGLContext : public TObject {
 public:
  // Registers with the process-wide manager. ColorBits 32, the other sizes 0, no options.
  TGLContext();
  // Platform classes release the real context in their own destructor (Release calls their overrides,
  // which no longer exist here). What is left is unregistered and detached.
  ~TGLContext() override;
  ZENTROVA_CLASS(TGLContext)

  // The requested buffer sizes and options. The setters raise EGLContext "Cannot alter an active
  // context" while the context is active.
  int ColorBits() const { return color_bits_; }
  int AlphaBits() const { return alpha_bits_; }
  int DepthBits() const { return depth_bits_; }
  int StencilBits() const { return stencil_bits_; }
  int AccumBits() const { return accum_bits_; }
  int AuxBuffers() const { return aux_buffers_; }
  TGLAntiAliasing AntiAliasing() const { return anti_aliasing_; }
  TGLRCOptions Options() const { return options_; }
  void SetColorBits(int value);
  void SetAlphaBits(int value);
  void SetDepthBits(int value);
  void SetStencilBits(int value);
  void SetAccumBits(int value);
  void SetAuxBuffers(int value);
  void SetAntiAliasing(TGLAntiAliasing value);
  void SetOptions(TGLRCOptions value);

  // The manager that made the context (nullptr when constructed directly).
  TGLContextManager* Manager() const { return manager_; }
  // What the platform found at creation; chUnknown before and after.
  TGLContextAcceleration Acceleration() const { return acceleration_; }
  bool Active() const { return activation_count_ > 0; }
  int ActivationCount() const { return activation_count_; }

  // Create the real context on a window, or off screen with the given size. EGLContext "Context already
  // created" when it exists.
  void CreateOnDevice(const TGLNativeDevice& device);
  void CreateOffscreen(const TGLNativeDevice& device, int width, int height);

  // Makes the two contexts' groups one: every member of either shares names with every other. EGLContext
  // "Context not created" when this context does not exist.
  void ShareObjectNames(TGLContext* other);
  // The contexts sharing names with this one, itself included (empty before creation).
  const std::vector<TGLContext*>& SharedContexts() const { return shared_; }
  // The first context of the group other than this one, or nullptr.
  TGLContext* FirstSharingContext() const;
  bool SharesNamesWith(const TGLContext* other) const;

  void Activate();
  void Deactivate();
  void SetActive(bool active);

  // Destroys the real context: transferable handles move to another member of the group, the other
  // handles free their names, then the platform destroys the context. Nothing when it was never created.
  void Release();
  // Frees the names of every handle this context owns, in this context.
  void FreeAllHandles();
  int OwnedHandleCount() const { return static_cast<int>(owned_handles_.size()); }

  virtual bool IsValid() const = 0;
  virtual void SwapBuffers() = 0;
  virtual TGLNativeDevice DeviceContext() const = 0;

 protected:
  // The platform operations.
  virtual void DoActivate() = 0;
  virtual void DoDeactivate() = 0;
  virtual void CreateWindowContext(const TGLNativeDevice& device) = 0;
  virtual void CreatePBufferContext(const TGLNativeDevice& device, int width, int height) = 0;
  virtual void DoShareLists(TGLContext* other) = 0;
  virtual void DoDestroyContext() = 0;

  void SetAcceleration(TGLContextAcceleration value) { acceleration_ = value; }

 private:
  friend class TGLContextHandle;
  friend class TGLContextManager;

  void CheckNotActive() const;
  void PropagateSharing();
  // Takes this context, current with any nesting, out of the current seat; Resume puts it back with the
  // same nesting. Borrowing the seat for another context must not disturb the nesting of this one.
  int Suspend();
  void Resume(int count);

  int color_bits_ = 32;
  int alpha_bits_ = 0;
  int depth_bits_ = 0;
  int stencil_bits_ = 0;
  int accum_bits_ = 0;
  int aux_buffers_ = 0;
  TGLAntiAliasing anti_aliasing_ = aaDefault;
  TGLRCOptions options_ = 0;
  TGLContextManager* manager_ = nullptr;
  TGLContextManager* registered_with_ = nullptr;
  int activation_count_ = 0;
  std::vector<TGLContext*> shared_;
  std::vector<TGLContextHandle*> owned_handles_;
  TGLContextAcceleration acceleration_ = chUnknown;
};

// The registry of all live contexts. Its list is locked for every access, since contexts may be made
// and dropped by other threads than the one that draws.
class TGLContextManager : public TObject {
 public:
  TGLContextManager() = default;
  ~TGLContextManager() override;
  ZENTROVA_CLASS(TGLContextManager)

  // A new context of the first registered class with its Manager set; nullptr without a class.
  std::unique_ptr<TGLContext> NewContext();

  // EGLContext "Invalid context registration" for a context already present or one that is absent.
  void AddContext(TGLContext* context);
  void RemoveContext(TGLContext* context);
  void ContextCreatedBy(TGLContext* context);
  void DestroyingContextBy(TGLContext* context);
  int CreatedContextCount();

  void LockContextList();
  void UnlockContextList();
  int ContextCount();

  // Every context's FreeAllHandles, from the last to the first, under the lock.
  void FreeAllHandles();

  // Marks the manager finished; the process-wide one is freed now when no context is left, else with
  // the last one.
  void Terminate();
  bool Terminated() const { return terminated_; }

 private:
  std::recursive_mutex lock_;
  std::vector<TGLContext*> contexts_;
  bool terminated_ = false;
  int created_count_ = 0;
};

// The process-wide manager; nullptr once terminated and freed.
TGLContextManager* GLContextManager();

// An OpenGL object name with the context that created it. Owning: freeing the handle frees the name.
class TGLContextHandle : public TObject {
 public:
  TGLContextHandle() = default;
  // Frees the name (FreeName).
  ~TGLContextHandle() override;
  ZENTROVA_CLASS(TGLContextHandle)

  GLuint Handle() const { return handle_; }
  TGLContext* RenderingContext() const { return rendering_context_; }

  // A new name in the current context, which then owns the handle. Asserts that no name is held and
  // that a context is current.
  void AllocName();
  // Frees the name in a context of its own group (switching to its context when the current one is
  // elsewhere) and leaves the handle empty and reusable. Nothing without a name.
  void FreeName();

  // Whether the handle may move to another context of the group when its own is released.
  virtual bool Transferable() const { return true; }

 protected:
  // Destructors of subclasses call FreeName themselves: DoFreeName is theirs.
  void FreeNameFromDestructor();
  virtual GLuint DoAllocName() = 0;
  virtual void DoFreeName() = 0;

 private:
  friend class TGLContext;
  void Detach();

  TGLContext* rendering_context_ = nullptr;
  GLuint handle_ = 0;
};

// One display list.
class TGLListHandle : public TGLContextHandle {
 public:
  ~TGLListHandle() override { FreeNameFromDestructor(); }
  ZENTROVA_CLASS(TGLListHandle)

 protected:
  GLuint DoAllocName() override;
  void DoFreeName() override;
};

// One texture object.
class TGLTextureHandle : public TGLContextHandle {
 public:
  ~TGLTextureHandle() override { FreeNameFromDestructor(); }
  ZENTROVA_CLASS(TGLTextureHandle)

 protected:
  GLuint DoAllocName() override;
  void DoFreeName() override;
};

// A name of any other kind, handed out and taken back by the owner's events.
class TGLVirtualHandle : public TGLContextHandle {
 public:
  using TNameEvent = std::function<void(TGLVirtualHandle* sender, GLuint& name)>;

  ~TGLVirtualHandle() override { FreeNameFromDestructor(); }
  ZENTROVA_CLASS(TGLVirtualHandle)

  TNameEvent OnAllocate;
  TNameEvent OnDestroy;
  // For the owner's use.
  std::int32_t Tag = 0;

 protected:
  GLuint DoAllocName() override;
  void DoFreeName() override;
};

}  // namespace zentrova
