#include "scene/gl/context.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "scene/base/scene_errors.h"
#include "scene/gl/gl_fixtures.h"
#include "test_support.h"

namespace zentrova {
namespace {

using test::ExpectError;
using test::GLCall;
using test::TFakeContext;
using test::TGLRecordingFake;
using Calls = std::vector<std::string>;

// Two created contexts, A and B, that share nothing, behind the recording fake.
class FakeContexts : public ::testing::Test {
 protected:
  FakeContexts() {
    a.Create();
    b.Create();
    fake.Clear();
  }
  // Names for the handles in the context, which then owns them.
  static void AllocIn(TGLContext& context, std::initializer_list<TGLContextHandle*> handles) {
    context.Activate();
    for (TGLContextHandle* handle : handles) handle->AllocName();
    context.Deactivate();
  }
  TGLRecordingFake fake;
  TFakeContext a{"A"}, b{"B"};
};

TEST_F(FakeContexts, NestedActivationCallsThePlatformOnce) {
  a.Activate();
  a.Activate();
  a.Deactivate();
  EXPECT_EQ(ActiveContext(), &a);
  a.Deactivate();
  EXPECT_EQ(fake.Calls(), (Calls{"A.DoActivate", "A.DoDeactivate"}));
  // No longer current: a third deactivation fails the is-current check.
  EXPECT_THROW(a.Deactivate(), EAssertionFailed);
  // Activating another context takes the seat; the first may not nest while it is away.
  a.Activate();
  b.Activate();
  EXPECT_EQ(ActiveContext(), &b);
  EXPECT_THROW(a.Activate(), EAssertionFailed);
  b.Deactivate();
}

TEST_F(FakeContexts, SettersAndCreationAreRefusedAtTheWrongTime) {
  TFakeContext fresh;
  ExpectError<EGLContext>([&] { fresh.Activate(); }, "Context not created");
  ExpectError<EGLContext>([&] { fresh.ShareObjectNames(&a); }, "Context not created");
  ExpectError<EGLContext>([&] { a.CreateOffscreen({}, 8, 8); }, "Context already created");
  ExpectError<EGLContext>([&] { a.CreateOnDevice({}); }, "Context already created");
  a.Activate();
  ExpectError<EGLContext>([&] { a.SetDepthBits(24); }, "Cannot alter an active context");
  for (const auto set :
       {+[](TGLContext& c) { c.SetColorBits(16); }, +[](TGLContext& c) { c.SetAntiAliasing(aa4x); },
        +[](TGLContext& c) { c.SetOptions(rcoDoubleBuffered); }})
    EXPECT_THROW(set(a), EGLContext);
  EXPECT_EQ(a.DepthBits(), 0);
  a.Deactivate();
  a.SetDepthBits(24);
  EXPECT_EQ(a.DepthBits(), 24);
}

TEST_F(FakeContexts, ReleaseOfAnUnsharedContextFreesItsHandles) {
  TGLListHandle list;
  TGLTextureHandle texture;
  AllocIn(a, {&list, &texture});
  EXPECT_EQ(a.OwnedHandleCount(), 2);
  fake.Clear();
  a.Release();
  EXPECT_FALSE(a.IsValid());
  EXPECT_EQ(list.Handle() + texture.Handle(), 0u);
  // Freed last first, inside the context, before it is destroyed.
  EXPECT_EQ(fake.Calls(), test::GoldenCalls("release_frees_handles"));
  EXPECT_EQ(a.Acceleration(), chUnknown);
  // The handle can take a new name later.
  a.Create();
  AllocIn(a, {&list});
  EXPECT_NE(list.Handle(), 0u);
}

TEST_F(FakeContexts, ReleaseMovesHandlesToASharingContext) {
  a.ShareObjectNames(&b);
  EXPECT_TRUE(a.FirstSharingContext() == &b && b.FirstSharingContext() == &a);
  TGLListHandle list;
  TGLTextureHandle texture;
  AllocIn(a, {&list, &texture});
  const GLuint list_name = list.Handle();
  fake.Clear();
  a.Release();
  // Nothing freed: both moved, names kept.
  EXPECT_EQ(fake.Calls(), (Calls{"A.DoActivate", "A.DoDeactivate", "A.DoDestroyContext"}));
  EXPECT_TRUE(list.RenderingContext() == &b && texture.RenderingContext() == &b &&
              list.Handle() == list_name);
  EXPECT_EQ(b.OwnedHandleCount(), 2);
  EXPECT_EQ(b.FirstSharingContext(), nullptr);
  // Freed later while the heir is current: no switch of context.
  b.Activate();
  fake.Clear();
  list.FreeName();
  EXPECT_EQ(fake.Calls(), (Calls{"glGetError()", GLCall("glDeleteLists", list_name, 1), "glGetError()"}));
  b.Deactivate();
}

TEST_F(FakeContexts, FreeNameBorrowsItsOwnContextAndGivesTheSeatBack) {
  TGLListHandle list;
  AllocIn(a, {&list});
  // B is current twice over and shares nothing with A: the list is freed in A.
  b.Activate();
  b.Activate();
  fake.Clear();
  list.FreeName();
  EXPECT_EQ(fake.Calls(),
            (Calls{"B.DoDeactivate", "A.DoActivate", "glGetError()", GLCall("glDeleteLists", 1, 1),
                   "glGetError()", "A.DoDeactivate", "B.DoActivate"}));
  EXPECT_TRUE(ActiveContext() == &b && b.ActivationCount() == 2);
  b.SetActive(false);
}

TEST_F(FakeContexts, SharingJoinsWholeGroups) {
  TFakeContext c("C");
  c.Create();
  b.ShareObjectNames(&c);
  a.ShareObjectNames(&b);
  // C, which shared with B before, is a member of the joined group too, and lists every other member.
  for (TFakeContext* member : {&a, &b, &c}) {
    EXPECT_EQ(member->SharedContexts().size(), 3u) << member;
    EXPECT_TRUE(member->SharesNamesWith(&a) && member->SharesNamesWith(&b) && member->SharesNamesWith(&c));
  }
  TGLListHandle list;
  AllocIn(c, {&list});
  // Once B is gone, C's handles still have a living heir in the group.
  b.Release();
  EXPECT_EQ(c.SharedContexts().size(), 2u);
  c.Release();
  EXPECT_EQ(list.RenderingContext(), &a);
  EXPECT_NE(list.Handle(), 0u);
  {
    TFakeContext d("D");
    d.Create();
    a.ShareObjectNames(&d);
  }
  // A destroyed partner is forgotten.
  EXPECT_EQ(a.FirstSharingContext(), nullptr);
}

TEST_F(FakeContexts, HandlesNeedACurrentContextAndGLsWord) {
  TGLListHandle list;
  EXPECT_THROW(list.AllocName(), EAssertionFailed);
  a.Activate();
  list.AllocName();
  EXPECT_THROW(list.AllocName(), EAssertionFailed);
  // A GL error of the deletion is raised with GLU's text; the handle is empty all the same.
  fake.Errors = {GL_NO_ERROR, GL_INVALID_VALUE};  // nothing pending before, an error after
  ExpectError<EOpenGLError>([&] { list.FreeName(); }, "invalid value");
  EXPECT_TRUE(list.Handle() == 0 && a.OwnedHandleCount() == 0);
  // A texture name is deleted only when GL still knows it.
  TGLTextureHandle texture;
  texture.AllocName();
  fake.Textures.clear();
  fake.Clear();
  texture.FreeName();
  EXPECT_EQ(fake.Calls(), (Calls{"glGetError()", GLCall("glIsTexture", 2), "glGetError()"}));
  a.Deactivate();
}

TEST_F(FakeContexts, VirtualHandleUsesItsEvents) {
  TGLVirtualHandle handle, empty;  // the second without an allocation event: no name, no context
  std::vector<std::pair<TGLVirtualHandle*, GLuint>> destroyed;
  handle.OnAllocate = [](TGLVirtualHandle*, GLuint& name) { name = 42; };
  handle.OnDestroy = [&](TGLVirtualHandle* sender, GLuint& name) { destroyed.emplace_back(sender, name); };
  AllocIn(a, {&handle, &empty});
  EXPECT_EQ(handle.Handle(), 42u);
  EXPECT_EQ(handle.RenderingContext(), &a);
  EXPECT_TRUE(empty.Handle() == 0 && a.OwnedHandleCount() == 1);
  a.Activate();
  handle.FreeName();
  a.Deactivate();
  EXPECT_EQ(destroyed, (std::vector<std::pair<TGLVirtualHandle*, GLuint>>{{&handle, 42}}));
}

TEST(RaiseOnGLError, ReturnsQuietlyAndDrainsAtMostSevenMore) {
  TGLRecordingFake fake;
  RaiseOnGLError();
  EXPECT_EQ(fake.Calls(), Calls{"glGetError()"});
  fake.Errors.assign(12, GL_INVALID_ENUM);
  ExpectError<EOpenGLError>([] { RaiseOnGLError(); }, "invalid enumerant");
  EXPECT_EQ(fake.Errors.size(), 4u);  // one read, seven drained
  fake.Errors = {GL_OUT_OF_MEMORY, GL_INVALID_ENUM};
  ExpectError<EOpenGLError>([] { RaiseOnGLError(); }, "out of memory");
  EXPECT_TRUE(fake.Errors.empty());
}

TEST_F(FakeContexts, TheManagerRegistersContextsAndMakesThemOfTheFirstClass) {
  TGLContextManager* manager = GLContextManager();
  ASSERT_NE(manager, nullptr);
  const int before = manager->ContextCount();
  {
    TFakeContext c;
    EXPECT_EQ(manager->ContextCount(), before + 1);
    ExpectError<EGLContext>([&] { manager->AddContext(&c); }, "Invalid context registration");
    manager->RemoveContext(&c);
    ExpectError<EGLContext>([&] { manager->RemoveContext(&c); }, "Invalid context registration");
    manager->AddContext(&c);
  }
  EXPECT_EQ(manager->ContextCount(), before);
  TFakeContext never("never");
  TGLTextureHandle ta, tb;
  AllocIn(a, {&ta});
  AllocIn(b, {&tb});
  fake.Clear();
  // Every created context frees its handles, inside itself, the last registered first; the context
  // never created is left alone.
  manager->FreeAllHandles();
  EXPECT_TRUE(fake.Textures.empty() && ta.Handle() + tb.Handle() == 0);
  EXPECT_EQ(fake.Calls().front() + " .. " + fake.Calls().back(), "B.DoActivate .. A.DoDeactivate");
  EXPECT_EQ(std::count(fake.Calls().begin(), fake.Calls().end(), "never.DoActivate"), 0);

  const std::vector<TGLContextClass> saved = TakeContextClasses();
  EXPECT_EQ(manager->NewContext(), nullptr);
  AddContextClass([]() -> std::unique_ptr<TGLContext> { return std::make_unique<TFakeContext>("made"); });
  std::unique_ptr<TGLContext> made = manager->NewContext();
  ASSERT_EQ(made->Manager(), manager);
  const int created = manager->CreatedContextCount();
  static_cast<TFakeContext*>(made.get())->Create();
  EXPECT_EQ(manager->CreatedContextCount(), created + 1);
  made->Release();
  EXPECT_EQ(manager->CreatedContextCount(), created);
  TakeContextClasses();
  for (TGLContextClass c : saved) AddContextClass(c);
}

}  // namespace
}  // namespace zentrova
