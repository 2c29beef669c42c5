#include "scene/gl/color.h"

#include <gtest/gtest.h>

#include "platform/exception.h"
#include "scene/base/scene_errors.h"
#include "scene/base/streams.h"
#include "scene/expect_near.h"
#include "scene/gl/gl_fixtures.h"
#include "test_support.h"

namespace zentrova {
namespace {

// An owner that counts the notices that reach it and the display-list marks of a scene object.
class TCountingOwner : public TGLUpdateAbleObject, public TGLStructureDirtyTarget {
 public:
  TCountingOwner() : TGLUpdateAbleObject(nullptr) {}
  void NotifyChange(TPersistent* sender) override { ++notices; }
  void MarkStructureDirty() override { ++marks; }
  int notices = 0;
  int marks = 0;
};

using TPlainOwner = test::TNoticeCounter;

TEST(GLColor, ConstructionFiresNothingAndNoOwnerHearsNothing) {
  TPlainOwner owner;
  int events = 0;
  TGLColor navy(&owner, clrNavy, [&](TPersistent*) { ++events; });
  EXPECT_EQ(owner.notices + events, 0);
  navy.SetRed(0);
  EXPECT_EQ(owner.notices, 1);
  EXPECT_EQ(events, 1);
  TGLColor lone(nullptr, clrRed, [&](TPersistent*) { ++events; });
  lone.SetGreen(1);
  lone.SetRGBA(0, 0, 0, 0);
  EXPECT_EQ(events, 1);
  EXPECT_EQ(lone.Color(), clrTransparent);
}

TEST(GLColor, ComponentSettersNotifyOnlyOnChange) {
  TPlainOwner owner;
  TGLColor color(&owner, {0.5f, 0.25f, 1, 1});
  color.SetRed(0.5f);  // no change
  color.SetGreen(0.75f);
  color.SetComponent(3, 0.5f);
  EXPECT_EQ(owner.notices, 2);
  EXPECT_EQ(color.Color(), (TVector4f{0.5f, 0.75f, 1, 0.5f}));
  // The whole-colour setters notify even without a change.
  color.SetRGBA(0.5f, 0.75f, 1, 0.5f);
  color.SetVector(color.Color());
  EXPECT_EQ(owner.notices, 4);
  for (int index : {4, -1}) EXPECT_THROW(color.SetComponent(index, 1), ERangeError);
  EXPECT_THROW(color.Component(4), ERangeError);
  EXPECT_EQ(owner.notices, 4);
}

TEST(GLColor, ASceneObjectOwnerIsMarkedOnEveryChange) {
  TCountingOwner owner;
  TGLColor color(&owner, clrWhite);
  color.SetBlue(0);
  color.SetRGBA(1, 1, 1, 1);
  // Inside an update bracket the owner still has its display list marked, only the notice waits.
  color.BeginUpdate();
  color.SetAlpha(0.5f);
  color.EndUpdate();
  EXPECT_EQ((std::array{owner.marks, owner.notices}), (std::array{3, 2}));
}

TEST(GLColor, AssignCopiesThenNotifies) {
  TPlainOwner owner;
  TGLColor target(&owner);
  const TGLColor source(nullptr, clrYellow);
  target.Assign(&source);
  EXPECT_EQ(target.Color(), clrYellow);
  EXPECT_EQ(owner.notices, 1);
  TPlainOwner not_a_colour;
  EXPECT_THROW(target.Assign(&not_a_colour), EConvertError);
}

TEST(GLColor, StreamsSixteenLittleEndianBytes) {
  TGLColor color(nullptr, {0.5f, 0.25f, 1, 0.75f});
  TMemoryStream out;
  color.WriteData(out);
  EXPECT_EQ(out.DataString(), test::ReadBytes(test::DataPath("scene/gl/color.bin")));
  TGLColor read(nullptr);
  out.SetPosition(0);
  read.ReadData(out);
  EXPECT_EQ(read.Color(), (TVector4f{0.5f, 0.25f, 1, 0.75f}));
  TMemoryStream short_stream(std::string(12, '\0'));
  EXPECT_THROW(read.ReadData(short_stream), EReadError);
}

TEST(GLColor, DefaultCopiesDecideWhatIsStreamed) {
  KeepDefaultCopies = true;
  TGLColor color(nullptr, clrBlue);
  KeepDefaultCopies = false;
  EXPECT_FALSE(color.StoresColor());
  color.SetRed(1);
  EXPECT_TRUE(color.StoresColor());
  EXPECT_EQ(*color.DefaultCopy(), clrBlue);
  EXPECT_EQ(TGLColor(nullptr, clrBlue).DefaultCopy(), nullptr);  // none in a running program
}

TEST(NamedColors, ValuesAndLookup) {
  EXPECT_EQ(NamedColors().size(), 11u);
  EXPECT_EQ(ColorByName("clrNavy"), clrNavy);
  EXPECT_EQ(ColorByName("CLRWHITE"), clrWhite);
  EXPECT_EQ(ColorByName("clrNoSuchColour"), std::nullopt);
  test::ExpectNear(clrNavy, {35 / 255.0, 35 / 255.0, 142 / 255.0, 1}, 1e-6);  // bytes of the colour
}

}  // namespace
}  // namespace zentrova
