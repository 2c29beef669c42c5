#include "scene/base/coordinates.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "scene/base/scene_errors.h"
#include "scene/base/update_able.h"
#include "scene/expect_near.h"
#include "test_support.h"

namespace zentrova {
namespace {

using Senders = std::vector<TPersistent*>;
using ::testing::ElementsAre;

// A component that records the notices it receives.
class TRecordingComponent : public TGLUpdateAbleComponent {
 public:
  void NotifyChange(TPersistent* sender) override {
    senders.push_back(sender);
    TGLUpdateAbleComponent::NotifyChange(sender);
  }
  Senders senders;
};

class TRecordingSceneObject : public TGLCoordinatesUpdateAbleComponent {
 public:
  void CoordinateChanged(TGLCoordinates* sender) override { changed.push_back(sender); }
  void NotifyChange(TPersistent* sender) override { senders.push_back(sender); }
  std::vector<TGLCoordinates*> changed;
  Senders senders;
};

TEST(UpdateAble, NoticesClimbTheChainEachLevelNamingItself) {
  TRecordingComponent top;
  auto& middle = top.CreateComponent<TRecordingComponent>();
  TGLUpdateAbleObject holder(&middle);
  TGLCoordinates c(&holder, ZeroHmgVector, csVector);
  Senders holder_events, coordinate_events;
  holder.OnNotifyChange = [&](TPersistent* s) { holder_events.push_back(s); };
  c.OnNotifyChange = [&](TPersistent* s) { coordinate_events.push_back(s); };
  c.SetVectorXYZ(1, 2, 3);
  EXPECT_EQ(middle.senders, Senders{&holder});
  EXPECT_EQ(top.senders, Senders{&middle});
  EXPECT_EQ(holder_events, Senders{&holder});
  EXPECT_EQ(coordinate_events, Senders{&c});
  // Inside an update bracket nothing is told, not even the event; without an owner neither.
  c.BeginUpdate();
  c.SetCoordinate(1, 9);
  c.EndUpdate();
  TGLCoordinates lone(nullptr, {0, 0, 0, 1}, csPoint);
  lone.OnNotifyChange = c.OnNotifyChange;
  lone.SetCoordinate(0, 5);
  EXPECT_TRUE(coordinate_events.size() == 1 && middle.senders.size() == 1);
  EXPECT_EQ(lone.X(), 5);
}

TEST(UpdateAble, SceneObjectsHearOnlyThroughCoordinateChanged) {
  TRecordingSceneObject object;
  TGLCoordinates position(&object, {0, 0, 0, 1}, csPoint);
  int fired = 0;
  position.OnNotifyChange = [&](TPersistent*) { ++fired; };
  position.AddVector({1, 2, 3});
  EXPECT_EQ(object.changed, std::vector<TGLCoordinates*>{&position});
  EXPECT_TRUE(object.senders.empty() && fired == 0);
  EXPECT_EQ(position.AsVector(), (TVector4f{1, 2, 3, 1}));
}

TEST(Coordinates, StyleDecidesW) {
  TGLCoordinates point(nullptr, ZeroHmgVector, csPoint), vector(nullptr, ZeroHmgVector, csVector),
      free(nullptr, ZeroHmgVector, csUnknown);
  for (TGLCoordinates* c : {&point, &vector, &free}) c->SetAsVector({1, 2, 3, 7});
  // A point takes no vector, a vector no position; the value stays.
  EXPECT_THROW(point.SetVectorXYZ(4, 5, 6), EAssertionFailed);
  EXPECT_THROW(point.SetVectorXYZW(4, 5, 6, 0), EAssertionFailed);
  EXPECT_THROW(vector.SetPositionXYZ(4, 5, 6), EAssertionFailed);
  EXPECT_THAT((std::array{point.AsVector(), vector.AsVector(), free.AsVector()}),
              ElementsAre(TVector4f{1, 2, 3, 1}, TVector4f{1, 2, 3, 0}, TVector4f{1, 2, 3, 7}));
  point.SetPositionXYZ(4, 5, 6);
  vector.SetVector(1, 1, 1);
  free.SetVectorXYZW(4, 5, 6, 8);
  EXPECT_THAT((std::array{point.AsVector(), vector.AsVector(), free.AsVector()}),
              ElementsAre(TVector4f{4, 5, 6, 1}, TVector4f{1, 1, 1, 0}, TVector4f{4, 5, 6, 8}));
}

TEST(Coordinates, AssignCopiesAllFourSilentlyAndIndexesAreChecked) {
  TRecordingComponent owner;
  TGLCoordinates a(&owner, {1, 2, 3, 4}, csUnknown);
  TGLCoordinates b(&owner, ZeroHmgVector, csVector);
  b.Assign(&a);
  EXPECT_EQ(b.AsVector(), (TVector4f{1, 2, 3, 4}));
  EXPECT_EQ(b.Style(), csVector);
  EXPECT_TRUE(owner.senders.empty());
  TGLUpdateAbleObject other(nullptr);
  EXPECT_THROW(b.Assign(&other), EConvertError);
  for (int index : {4, -1}) EXPECT_THROW(a.SetCoordinate(index, 9), ERangeError);
  EXPECT_EQ(a.AsVector(), (TVector4f{1, 2, 3, 4}));
  TGLCoordinates4 plane(nullptr, {0, 0, 1, 0}, csUnknown);
  plane.SetW(-2);
  EXPECT_EQ(plane.W(), -2);
}

TEST(Coordinates, GeometryAndStreaming) {
  TGLCoordinates c(nullptr, {3, 4, 0, 5}, csUnknown);
  EXPECT_EQ(c.VectorLength(), 5);
  c.Normalize();
  EXPECT_TRUE(c.Equals({0.6f, 0.8f, 0, 0}) && !c.Equals({0.6f, 0.8f, -0.0f, 0}));  // bitwise
  TGLCoordinates d(nullptr, {1, 0, 0, 0}, csVector);
  d.Rotate(UnitVectorZ, static_cast<float>(M_PI / 2));  // the axis-angle matrix turns by -angle
  test::ExpectNear(d.AsVector(), {0, -1, 0, 0}, 1e-7);

  TGLCoordinates e(nullptr, {1.5f, -2, 0.25f, 1}, csPoint);
  TMemoryStream stream;
  e.WriteData(stream);
  EXPECT_EQ(stream.DataString(),
            std::string("\x00\x00\xc0\x3f\x00\x00\x00\xc0\x00\x00\x80\x3e\x00\x00\x80\x3f", 16));
  stream.SetPosition(0);
  TGLCoordinates f(nullptr, ZeroHmgVector, csPoint);
  f.ReadData(stream);
  EXPECT_EQ(f.AsVector(), e.AsVector());
  EXPECT_THROW(f.ReadData(stream), EReadError);
}

class TNamedItem : public TCollectionItem {
 public:
  using TCollectionItem::TCollectionItem;
  void Assign(const TPersistent* source) override {
    if (const auto* other = dynamic_cast<const TNamedItem*>(source)) return void(name = other->name);
    TCollectionItem::Assign(source);
  }
  void Rename(const std::string& n) {
    name = n;
    Changed(false);
  }
  std::string name;
};

TEST(Collections, NotifyCollectionForwardsEveryChange) {
  TRecordingComponent owner;
  owner.SetName("Owner");
  TNotifyCollection items(&owner, &CreateCollectionItem<TNamedItem>);
  auto* first = static_cast<TNamedItem*>(items.Add());
  EXPECT_EQ(owner.senders, Senders{&items});
  first->Rename("a");
  items.BeginUpdate();
  items.Add();
  items.Add();
  EXPECT_EQ(owner.senders.size(), 2u);
  items.EndUpdate();
  items.Delete(1);
  EXPECT_EQ(owner.senders.size(), 4u);
  EXPECT_EQ(items.Items(1)->Index(), 1);
  EXPECT_EQ(first->GetNamePath(), "Owner.TNotifyCollection[0]");
  test::ExpectError<EListError>([&] { items.Items(2); }, "List index out of bounds (2)");

  TNotifyCollection copy(nullptr, &CreateCollectionItem<TNamedItem>);
  EXPECT_FALSE(copy.OnNotifyChange);
  copy.Assign(&items);
  EXPECT_TRUE(copy.Count() == 2 && static_cast<TNamedItem*>(copy.Items(0))->name == "a");
  copy.Clear();
  // IDs come from each collection's counter and are never handed out twice; Assign does not copy them.
  EXPECT_EQ(items.Items(1)->ID(), 2);
  EXPECT_EQ(items.Add()->ID(), 3);
  EXPECT_EQ(copy.Add()->ID(), 2);
}

}  // namespace
}  // namespace zentrova
