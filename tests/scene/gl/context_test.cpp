#include "scene/gl/context.h"

#include <gtest/gtest.h>

#include "scene/base/scene_errors.h"
#include "scene/gl/gl_fixtures.h"
#include "test_support.h"

namespace zentrova {
namespace {

using test::ExpectError;
using test::GLCall;
using test::TFakeContext;
using test::TGLRecordingFake;
using test::Values;
using Calls = std::vector<std::string>;

TEST(GLContext, NestedActivationCallsThePlatformOnce) {
  TFakeContext context;
  context.Create();
  context.Activate();
  context.Activate();
  EXPECT_EQ(ActiveContext(), &context);
  context.Deactivate();
  EXPECT_EQ(ActiveContext(), &context);
  context.Deactivate();
  EXPECT_EQ(ActiveContext(), nullptr);
  EXPECT_EQ(context.Activations, 1);
  EXPECT_EQ(context.Deactivations, 1);
  // No longer current: a third deactivation fails the is-current check.
  EXPECT_THROW(context.Deactivate(), EAssertionFailed);
}

TEST(GLContext, SettersAreRefusedWhileActive) {
  TFakeContext context;
  EXPECT_EQ(context.ColorBits(), 32);
  EXPECT_EQ(context.DepthBits(), 0);
  context.Create();
  context.Activate();
  ExpectError<EGLContext>([&] { context.SetDepthBits(24); }, "Cannot alter an active context");
  EXPECT_THROW(context.SetColorBits(16), EGLContext);
  EXPECT_THROW(context.SetOptions(rcoDoubleBuffered), EGLContext);
  EXPECT_THROW(context.SetAntiAliasing(aa4x), EGLContext);
  EXPECT_EQ(context.DepthBits(), 0);
  context.Deactivate();
  context.SetDepthBits(24);
  EXPECT_EQ(context.DepthBits(), 24);
}

TEST(GLContext, CreationAndActivationErrors) {
  TFakeContext context;
  ExpectError<EGLContext>([&] { context.Activate(); }, "Context not created");
  ExpectError<EGLContext>([&] { context.ShareObjectNames(&context); }, "Context not created");
  context.Create();
  ExpectError<EGLContext>([&] { context.CreateOffscreen({}, 8, 8); }, "Context already created");
  ExpectError<EGLContext>([&] { context.CreateOnDevice({}); }, "Context already created");
  // Activating a second context takes the seat; the first may not nest while it is away.
  TFakeContext other("other");
  other.Create();
  context.Activate();
  other.Activate();
  EXPECT_EQ(ActiveContext(), &other);
  EXPECT_THROW(context.Activate(), EAssertionFailed);
  other.Deactivate();
}

TEST(GLContext, ReleaseOfAnUnsharedContextFreesItsHandles) {
  TGLRecordingFake fake;
  TFakeContext context("A");
  context.Create();
  TGLListHandle list;
  TGLTextureHandle texture;
  context.Activate();
  list.AllocName();
  texture.AllocName();
  context.Deactivate();
  EXPECT_EQ(list.RenderingContext(), &context);
  EXPECT_EQ(context.OwnedHandleCount(), 2);
  fake.Clear();
  context.Release();
  EXPECT_FALSE(context.IsValid());
  EXPECT_EQ(list.Handle(), 0u);
  EXPECT_EQ(texture.Handle(), 0u);
  EXPECT_EQ(list.RenderingContext(), nullptr);
  // Freed last first, inside the context, before it is destroyed.
  EXPECT_EQ(fake.Calls(),
            (Calls{"A.DoActivate", "glGetError()", GLCall("glIsTexture", 2),
                   GLCall("glDeleteTextures", 1, Values(2)), "glGetError()", "glGetError()",
                   GLCall("glDeleteLists", 1, 1), "glGetError()", "A.DoDeactivate", "A.DoDestroyContext"}));
  EXPECT_EQ(context.Acceleration(), chUnknown);
  // The handle can take a new name later.
  context.Create();
  context.Activate();
  list.AllocName();
  EXPECT_NE(list.Handle(), 0u);
  context.Deactivate();
}

TEST(GLContext, ReleaseMovesHandlesToASharingContext) {
  TGLRecordingFake fake;
  TFakeContext a("A");
  TFakeContext b("B");
  a.Create();
  b.Create();
  a.ShareObjectNames(&b);
  EXPECT_EQ(a.FirstSharingContext(), &b);
  EXPECT_EQ(b.FirstSharingContext(), &a);
  TGLListHandle list;
  TGLTextureHandle texture;
  a.Activate();
  list.AllocName();
  texture.AllocName();
  a.Deactivate();
  const GLuint list_name = list.Handle();
  fake.Clear();
  a.Release();
  // Nothing freed: both moved, names kept.
  EXPECT_EQ(fake.Calls(), (Calls{"A.DoActivate", "A.DoDeactivate", "A.DoDestroyContext"}));
  EXPECT_EQ(list.RenderingContext(), &b);
  EXPECT_EQ(texture.RenderingContext(), &b);
  EXPECT_EQ(list.Handle(), list_name);
  EXPECT_EQ(b.OwnedHandleCount(), 2);
  EXPECT_EQ(b.FirstSharingContext(), nullptr);
  // Freed later while the heir is current: no switch of context.
  b.Activate();
  fake.Clear();
  list.FreeName();
  EXPECT_EQ(fake.Calls(), (Calls{"glGetError()", GLCall("glDeleteLists", list_name, 1), "glGetError()"}));
  b.Deactivate();
}

TEST(GLContext, FreeNameBorrowsItsOwnContextAndGivesTheSeatBack) {
  TGLRecordingFake fake;
  TFakeContext a("A");
  TFakeContext b("B");
  a.Create();
  b.Create();
  TGLListHandle list;
  a.Activate();
  list.AllocName();
  a.Deactivate();
  // B is current twice over and shares nothing with A: the list is freed in A.
  b.Activate();
  b.Activate();
  fake.Clear();
  list.FreeName();
  EXPECT_EQ(fake.Calls(),
            (Calls{"B.DoDeactivate", "A.DoActivate", "glGetError()", GLCall("glDeleteLists", 1, 1),
                   "glGetError()", "A.DoDeactivate", "B.DoActivate"}));
  EXPECT_EQ(ActiveContext(), &b);
  EXPECT_EQ(b.ActivationCount(), 2);
  b.Deactivate();
  b.Deactivate();
  EXPECT_EQ(ActiveContext(), nullptr);
}

TEST(GLContext, SharingJoinsWholeGroups) {
  TFakeContext a("A");
  TFakeContext b("B");
  TFakeContext c("C");
  a.Create();
  b.Create();
  c.Create();
  b.ShareObjectNames(&c);
  a.ShareObjectNames(&b);
  // C, which shared with B before, is a member of the joined group too, and lists every other member.
  for (TFakeContext* member : {&a, &b, &c}) {
    EXPECT_EQ(member->SharedContexts().size(), 3u) << member;
    EXPECT_TRUE(member->SharesNamesWith(&a));
    EXPECT_TRUE(member->SharesNamesWith(&b));
    EXPECT_TRUE(member->SharesNamesWith(&c));
  }
  TGLRecordingFake fake;
  TGLListHandle list;
  c.Activate();
  list.AllocName();
  c.Deactivate();
  // Once B is gone, C's handles still have a living heir in the group.
  b.Release();
  EXPECT_EQ(c.SharedContexts().size(), 2u);
  c.Release();
  EXPECT_EQ(list.RenderingContext(), &a);
  EXPECT_NE(list.Handle(), 0u);
}

TEST(GLContext, ADestroyedPartnerIsForgotten) {
  TFakeContext a("A");
  a.Create();
  {
    TFakeContext b("B");
    b.Create();
    a.ShareObjectNames(&b);
  }
  EXPECT_EQ(a.FirstSharingContext(), nullptr);
  EXPECT_EQ(a.SharedContexts().size(), 1u);
}

TEST(GLContext, FreeAllHandlesFreesInTheContext) {
  TGLRecordingFake fake;
  TFakeContext a("A");
  a.Create();
  TGLTextureHandle t1;
  TGLTextureHandle t2;
  a.Activate();
  t1.AllocName();
  t2.AllocName();
  a.Deactivate();
  fake.Clear();
  a.FreeAllHandles();
  EXPECT_EQ(t1.Handle(), 0u);
  EXPECT_EQ(t2.Handle(), 0u);
  EXPECT_EQ(fake.Calls().front(), "A.DoActivate");
  EXPECT_EQ(fake.Calls().back(), "A.DoDeactivate");
  EXPECT_TRUE(fake.Textures.empty());
}

TEST(GLContextHandle, AllocNameNeedsACurrentContextAndNoName) {
  TGLRecordingFake fake;
  TGLListHandle list;
  EXPECT_THROW(list.AllocName(), EAssertionFailed);
  TFakeContext a("A");
  a.Create();
  a.Activate();
  list.AllocName();
  EXPECT_THROW(list.AllocName(), EAssertionFailed);
  a.Deactivate();
}

TEST(GLContextHandle, TextureNameIsDeletedOnlyWhenGLKnowsIt) {
  TGLRecordingFake fake;
  TFakeContext a("A");
  a.Create();
  a.Activate();
  TGLTextureHandle texture;
  texture.AllocName();
  fake.Textures.clear();  // gone behind the handle's back
  fake.Clear();
  texture.FreeName();
  EXPECT_EQ(fake.Calls(), (Calls{"glGetError()", GLCall("glIsTexture", 1), "glGetError()"}));
  a.Deactivate();
}

TEST(GLContextHandle, VirtualHandleUsesItsEvents) {
  TGLRecordingFake fake;
  TFakeContext a("A");
  a.Create();
  a.Activate();
  TGLVirtualHandle handle;
  std::vector<GLuint> destroyed;
  handle.OnAllocate = [](TGLVirtualHandle*, GLuint& name) { name = 42; };
  handle.OnDestroy = [&](TGLVirtualHandle* sender, GLuint& name) {
    EXPECT_EQ(sender, &handle);
    destroyed.push_back(name);
  };
  handle.AllocName();
  EXPECT_EQ(handle.Handle(), 42u);
  EXPECT_EQ(handle.RenderingContext(), &a);
  handle.FreeName();
  EXPECT_EQ(destroyed, std::vector<GLuint>{42});
  // Without an allocation event the name stays 0 and no context owns the handle.
  TGLVirtualHandle empty;
  empty.AllocName();
  EXPECT_EQ(empty.Handle(), 0u);
  EXPECT_EQ(empty.RenderingContext(), nullptr);
  a.Deactivate();
}

TEST(GLContextHandle, AGLErrorOfTheDeletionIsRaisedWithGLUsText) {
  TGLRecordingFake fake;
  TFakeContext a("A");
  a.Create();
  a.Activate();
  TGLListHandle list;
  list.AllocName();
  fake.Errors = {GL_NO_ERROR, GL_INVALID_VALUE};  // nothing pending before, an error after
  ExpectError<EOpenGLError>([&] { list.FreeName(); }, "invalid value");
  EXPECT_EQ(list.Handle(), 0u);
  EXPECT_EQ(a.OwnedHandleCount(), 0);
  a.Deactivate();
}

TEST(RaiseOnGLError, ReturnsQuietlyAndDrainsAtMostSevenMore) {
  TGLRecordingFake fake;
  EXPECT_NO_THROW(RaiseOnGLError());
  EXPECT_EQ(fake.Calls(), Calls{"glGetError()"});
  fake.Clear();
  fake.Errors.assign(12, GL_INVALID_ENUM);
  ExpectError<EOpenGLError>([] { RaiseOnGLError(); }, "invalid enumerant");
  EXPECT_EQ(fake.Errors.size(), 4u);  // one read, seven drained
  fake.Errors = {GL_OUT_OF_MEMORY, GL_INVALID_ENUM};
  ExpectError<EOpenGLError>([] { RaiseOnGLError(); }, "out of memory");
  EXPECT_TRUE(fake.Errors.empty());
}

TEST(GLContextManager, RegistryAndClasses) {
  TGLContextManager* manager = GLContextManager();
  ASSERT_NE(manager, nullptr);
  const int before = manager->ContextCount();
  {
    TFakeContext a;
    EXPECT_EQ(manager->ContextCount(), before + 1);
    ExpectError<EGLContext>([&] { manager->AddContext(&a); }, "Invalid context registration");
  }
  EXPECT_EQ(manager->ContextCount(), before);
  TFakeContext b;
  manager->RemoveContext(&b);
  ExpectError<EGLContext>([&] { manager->RemoveContext(&b); }, "Invalid context registration");
  manager->AddContext(&b);

  const std::vector<TGLContextClass> saved = TakeContextClasses();
  EXPECT_EQ(manager->NewContext(), nullptr);
  AddContextClass([]() -> std::unique_ptr<TGLContext> { return std::make_unique<TFakeContext>("made"); });
  std::unique_ptr<TGLContext> made = manager->NewContext();
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->Manager(), manager);
  const int created = manager->CreatedContextCount();
  static_cast<TFakeContext*>(made.get())->Create();
  EXPECT_EQ(manager->CreatedContextCount(), created + 1);
  made->Release();
  EXPECT_EQ(manager->CreatedContextCount(), created);
  made.reset();
  TakeContextClasses();
  for (TGLContextClass c : saved) AddContextClass(c);
}

TEST(GLContextManager, FreeAllHandlesVisitsEveryCreatedContext) {
  TGLRecordingFake fake;
  TFakeContext a("A");
  TFakeContext b("B");
  TFakeContext never("never");
  a.Create();
  b.Create();
  TGLListHandle la;
  TGLListHandle lb;
  a.Activate();
  la.AllocName();
  a.Deactivate();
  b.Activate();
  lb.AllocName();
  b.Deactivate();
  GLContextManager()->FreeAllHandles();
  EXPECT_EQ(la.Handle(), 0u);
  EXPECT_EQ(lb.Handle(), 0u);
  EXPECT_EQ(never.Activations, 0);
}

}  // namespace
}  // namespace zentrova
