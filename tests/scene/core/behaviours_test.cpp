// A scene object's behaviours and effects in its form: the binary properties "BehavioursData" and
// "EffectsData" to the byte, read back item by item with their own data, damaged counts refused; and the
// object's published TagFloat and its position, a point whatever w the form holds.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "scene/base/persistent_classes.h"
#include "scene/base/property_stream.h"
#include "scene/base/scene_errors.h"
#include "scene/core/behaviours.h"
#include "scene/core/direct_opengl.h"
#include "scene/stream_test_support.h"

namespace zentrova::test {
namespace {

// Kinds an application would define: a spin with its rate and a damping with its strength, behaviours
// that stream data of their own after the base's; and a glow, an effect with none.
struct TSpin : TGLBehaviour {
  static const TXCollectionItemClass& StaticClass() {
    static const TGLBehaviourClass<TSpin, TGLBehaviour> item_class("TSpin", "Spin");
    return item_class;
  }
  const TXCollectionItemClass& ItemClass() const override { return StaticClass(); }
  void WriteItem(TVirtualWriter& writer) const override {
    TGLBehaviour::WriteItem(writer);
    writer.WriteFloat(rate);
  }
  void ReadItem(TVirtualReader& reader) override {
    TGLBehaviour::ReadItem(reader);
    rate = static_cast<float>(reader.ReadFloat());
  }
  void Loaded() override { loaded = true; }
  float rate = 0;
  bool loaded = false;
};

struct TDamping : TGLBehaviour {
  static const TXCollectionItemClass& StaticClass() {
    static const TGLBehaviourClass<TDamping, TGLBehaviour> item_class("TDamping", "Damping");
    return item_class;
  }
  const TXCollectionItemClass& ItemClass() const override { return StaticClass(); }
  void WriteItem(TVirtualWriter& writer) const override {
    TGLBehaviour::WriteItem(writer);
    writer.WriteInteger(strength);
  }
  void ReadItem(TVirtualReader& reader) override {
    TGLBehaviour::ReadItem(reader);
    strength = reader.ReadInteger();
  }
  int strength = 0;
};

struct TGlow : TGLObjectPostEffect {
  static const TXCollectionItemClass& StaticClass() {
    static const TGLBehaviourClass<TGlow, TGLObjectPostEffect> item_class("TGlow", "Glow");
    return item_class;
  }
  const TXCollectionItemClass& ItemClass() const override { return StaticClass(); }
};

// Tagged values as the archive writer writes them.
std::string Int8(int v) { return std::string{'\x02', static_cast<char>(v)}; }
std::string Str(const std::string& s) { return std::string{'\x06', static_cast<char>(s.size())} + s; }
std::string Ext(long double v) {
  std::string bytes(11, '\0');
  bytes[0] = '\x05';
  std::memcpy(&bytes[1], &v, 10);
  return bytes;
}
// A binary property: its name, tag 10, a 4-byte size and the data.
std::string BinaryProperty(const std::string& name, const std::string& data) {
  const auto size = static_cast<std::int32_t>(data.size());
  std::string bytes = Named(name) + '\x0A';
  bytes.append(reinterpret_cast<const char*>(&size), 4);
  return bytes + data;
}

// Each item: the behaviour's version 0, the item's version 0 and its name, then its own data.
const std::string kBehavioursData = Int8(2) +                                    //
                                    Str("TSpin") + Int8(0) + Int8(0) + Str("spin") + Ext(90) +  //
                                    Str("TDamping") + Int8(0) + Int8(0) + Str("Damping") + Int8(7);
const std::string kEffectsData = Int8(1) + Str("TGlow") + Int8(0) + Int8(0) + Str("Glow");

class BehavioursInAForm : public ::testing::Test {
 protected:
  BehavioursInAForm() {
    for (const TXCollectionItemClass* c : Classes()) RegisterXCollectionItemClass(*c);
    object.SetName("Spinner");
    auto& spin = static_cast<TSpin&>(TSpin::StaticClass().Create(object.Behaviours()));
    spin.SetName("spin");
    spin.rate = 90;
    static_cast<TDamping&>(TDamping::StaticClass().Create(object.Behaviours())).strength = 7;
    TGlow::StaticClass().Create(object.Effects());
    object.SetTagFloat(2.5f);
  }
  ~BehavioursInAForm() override {
    for (const TXCollectionItemClass* c : Classes()) UnregisterXCollectionItemClass(*c);
  }
  static std::array<const TXCollectionItemClass*, 3> Classes() {
    return {&TSpin::StaticClass(), &TDamping::StaticClass(), &TGlow::StaticClass()};
  }
  TGLDirectOpenGL object;
};

TEST_F(BehavioursInAForm, TheTwoBinaryPropertiesHoldTheGoldenBytes) {
  const std::string bytes = Bytes(object);
  EXPECT_NE(bytes.find(BinaryProperty("BehavioursData", kBehavioursData)), std::string::npos);
  EXPECT_NE(bytes.find(BinaryProperty("EffectsData", kEffectsData)), std::string::npos);
  const float tag = 2.5f;
  std::string single = Named("TagFloat") + '\x0F';
  single.append(reinterpret_cast<const char*>(&tag), 4);
  EXPECT_NE(bytes.find(single), std::string::npos);
}

TEST_F(BehavioursInAForm, AnObjectWithTwoBehavioursAndAnEffectReadsBackWhole) {
  const std::string bytes = Bytes(object);
  const std::unique_ptr<TComponent> read = ReadBack(bytes);
  auto& back = dynamic_cast<TGLDirectOpenGL&>(*read);
  ASSERT_EQ(back.Behaviours().Count(), 2);
  const auto& spin = dynamic_cast<const TSpin&>(back.Behaviours().Behaviour(0));
  const auto& damping = dynamic_cast<const TDamping&>(back.Behaviours().Behaviour(1));
  EXPECT_EQ(std::pair(spin.Name(), spin.rate), std::pair(std::string("spin"), 90.0f));
  EXPECT_EQ(std::pair(damping.Name(), damping.strength), std::pair(std::string("Damping"), 7));
  EXPECT_EQ(spin.OwnerBaseSceneObject(), &back);
  EXPECT_TRUE(spin.loaded) << "told when the whole object was read";
  ASSERT_EQ(back.Effects().Count(), 1);
  EXPECT_NE(dynamic_cast<const TGlow*>(&back.Effects().ObjectEffect(0)), nullptr);
  EXPECT_EQ(back.Effects().ObjectEffect(0).Name(), "Glow");
  EXPECT_EQ(back.TagFloat(), 2.5f);
  EXPECT_EQ(Bytes(back), bytes);
}

TEST_F(BehavioursInAForm, EmptyOrMissingCollectionsAndAZeroTagAreNotWritten) {
  TGLDirectOpenGL bare;
  bare.Behaviours();  // created, empty
  const std::string bytes = Bytes(bare);
  for (const char* name : {"BehavioursData", "EffectsData", "TagFloat"}) {
    EXPECT_EQ(bytes.find(Named(name)), std::string::npos) << name;
  }
  const std::unique_ptr<TComponent> read = ReadBack(bytes);
  EXPECT_FALSE(dynamic_cast<TGLDirectOpenGL&>(*read).HasBehaviours());
}

// The count byte of each collection's data set to a value the items do not bear out.
TEST_F(BehavioursInAForm, ADamagedCountIsRefusedWithItsText) {
  const std::string bytes = Bytes(object);
  struct TCase {
    const char* property;
    std::int8_t count;
    std::string error;
  };
  const TCase cases[] = {
      {"BehavioursData", -1, "TGLBehaviours : invalid item count -1"},
      {"BehavioursData", 1, "TGLBehaviours : invalid item count 1"},  // an item left over
      {"BehavioursData", 100, "TGLBehaviours : invalid item count 100"},
      {"BehavioursData", 3, "Stream read error"},  // the data ends inside the third item
      {"EffectsData", -3, "TGLObjectEffects : invalid item count -3"},
      {"EffectsData", 0, "TGLObjectEffects : invalid item count 0"},
  };
  for (const TCase& c : cases) {
    std::string damaged = bytes;
    // Name, tag, size, then the count's tag and its byte.
    const std::size_t at = damaged.find(Named(c.property)) + Named(c.property).size() + 1 + 4 + 1;
    damaged[at] = static_cast<char>(c.count);
    try {
      ReadBack(damaged);
      ADD_FAILURE() << c.property << " " << int(c.count) << " was read";
    } catch (const EReadError& e) {
      EXPECT_EQ(std::string(e.what()), c.error) << c.property << " " << int(c.count);
    }
  }
}

TEST(SceneObjectForm, APositionIsReadBackAsAPoint) {
  TGLDirectOpenGL object;
  object.Position().SetCoordinate(0, 3);
  object.Position().SetCoordinate(3, 0);
  const std::unique_ptr<TComponent> read = ReadBack(Bytes(object));
  EXPECT_EQ(dynamic_cast<TGLDirectOpenGL&>(*read).Position().AsVector(), (TVector4f{3, 0, 0, 1}));
}

}  // namespace
}  // namespace zentrova::test
