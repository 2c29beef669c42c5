// The form stream's own parts with small classes of the test's: properties chained through the class
// levels and nested objects, children taken or refused, names registered from a class's own file, and the
// setter helper.
#include "scene/base/property_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"
#include "scene/stream_test_support.h"
#include "test_support.h"

namespace zentrova {
namespace {

using test::Bytes;

// A nested property object: "Size" (default 1), "Tag" (default empty) and the collection "Subparts"
// (stored when not empty).
class TPart : public TPersistent {
  ZENTROVA_CLASS(TPart)

  float size = 1;
  std::string tag;
  std::vector<std::unique_ptr<TPart>> subparts;

  void WriteProperties(TPropertyWriter& writer) const override {
    TPersistent::WriteProperties(writer);
    if (size != 1) writer.Single("Size", size);
    if (!tag.empty()) writer.String("Tag", tag);
    if (!subparts.empty()) {
      std::vector<const TPersistent*> items;
      for (const auto& part : subparts) items.push_back(part.get());
      writer.Items("Subparts", items);
    }
  }
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override {
    if (name == "Size") {
      size = AsSingle(value);
    } else if (name == "Tag") {
      tag = AsString(value);
    } else if (name == "Subparts") {
      ReadItems(value, [this]() -> TPersistent& { return *subparts.emplace_back(std::make_unique<TPart>()); });
    } else {
      return TPersistent::ReadProperty(name, value);
    }
    return true;
  }
};

constexpr TIdentNames<3> kModes{"mdA", "mdB", "mdC"};

// Base level: "Count" and "Modes" (a set); takes only TTestLeaf children.
class TTestNode : public TComponent {
  ZENTROVA_CLASS(TTestNode)

  int count = 0;
  unsigned modes = 0;
  int changes = 0;
  std::vector<std::unique_ptr<TComponent>> children;

  void SetCount(int value) { SetProperty(count, value, [this] { ++changes; }); }

  void WriteProperties(TPropertyWriter& writer) const override {
    TComponent::WriteProperties(writer);
    if (count != 0) writer.Integer("Count", count);
    if (modes != 0) writer.SetOf("Modes", kModes, modes);
  }
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override {
    if (name == "Count") {
      SetCount(AsInteger(value));
    } else if (name == "Modes") {
      modes = SetBits(kModes, value);
    } else {
      return TComponent::ReadProperty(name, value);
    }
    return true;
  }
  std::vector<const TComponent*> GetChildren() const override {
    std::vector<const TComponent*> list;
    for (const auto& child : children) list.push_back(child.get());
    return list;
  }
  bool ReadChild(std::unique_ptr<TComponent>& child) override;
};

// Second level: "Mode" (an enumeration, default mdA) and the nested "Part".
class TTestLeaf : public TTestNode {
  ZENTROVA_CLASS(TTestLeaf)

  int mode = 0;
  TPart part;

  void WriteProperties(TPropertyWriter& writer) const override {
    TTestNode::WriteProperties(writer);
    if (mode != 0) writer.Enum("Mode", kModes, mode);
    writer.Nested("Part", part);
  }
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override {
    if (name == "Mode") {
      mode = AsEnum<int>(kModes, value);
    } else if (!ReadNested("Part", part, name, value)) {
      return TTestNode::ReadProperty(name, value);
    }
    return true;
  }
};

bool TTestNode::ReadChild(std::unique_ptr<TComponent>& child) {
  if (dynamic_cast<TTestLeaf*>(child.get()) == nullptr) return false;
  children.push_back(std::move(child));
  return true;
}

// An archived class with a virtual constructor.
class TTestArchived : public TPersistentObject {
  ZENTROVA_CLASS_NEW(TTestArchived)
};

ZENTROVA_REGISTER_CLASS(TTestNode);
ZENTROVA_REGISTER_CLASS(TTestLeaf);
ZENTROVA_REGISTER_CLASS(TTestArchived);

template <std::size_t N>
std::string Raw(const char (&text)[N]) {
  return std::string(text, N - 1);
}

TEST(PropertyStream, BaseLevelFirstThenOwnAndNestedWithPrefix) {
  TTestLeaf leaf;
  leaf.SetName("L");
  EXPECT_EQ(Bytes(leaf), Raw("TPF0\x09TTestLeaf\x01L\x00\x00")) << "defaults are not stored";
  leaf.count = 300;
  leaf.modes = 0b101;
  leaf.mode = 2;
  leaf.part.tag = "t";
  leaf.part.subparts.push_back(std::make_unique<TPart>());
  leaf.part.subparts[0]->tag = "s";
  // Collection items name their properties without the prefix of the object that holds the collection.
  EXPECT_EQ(Bytes(leaf), Raw("TPF0\x09TTestLeaf\x01L"
                             "\x05" "Count\x03\x2c\x01"
                             "\x05" "Modes\x0b\x03mdA\x03mdC\x00"
                             "\x04" "Mode\x07\x03mdC"
                             "\x08" "Part.Tag\x06\x01t"
                             "\x0d" "Part.Subparts\x0e\x01\x03" "Tag\x06\x01s\x00\x00"
                             "\x00\x00"));
  TMemoryStream stream(Bytes(leaf));
  const auto read = ReadComponentAs<TTestLeaf>(stream);
  ASSERT_EQ(read->part.subparts.size(), 1u);
  EXPECT_EQ(read->part.subparts[0]->tag, "s");
}

TEST(PropertyStream, RoundTripThroughTheRegisteredNamesWithChildren) {
  TTestNode root;
  root.SetName("Root");
  root.SetCount(-7);
  auto leaf = std::make_unique<TTestLeaf>();
  leaf->SetName("Leaf");
  leaf->part.size = 2.5f;
  leaf->mode = 1;
  root.children.push_back(std::move(leaf));
  TMemoryStream stream(Bytes(root));
  const std::unique_ptr<TTestNode> read = ReadComponentAs<TTestNode>(stream);
  EXPECT_EQ(stream.Remaining(), 0);
  EXPECT_EQ(read->Name(), "Root");
  EXPECT_EQ(read->count, -7);
  ASSERT_EQ(read->children.size(), 1u);
  const auto& read_leaf = dynamic_cast<const TTestLeaf&>(*read->children[0]);
  EXPECT_EQ(read_leaf.Name(), "Leaf");
  EXPECT_EQ(read_leaf.part.size, 2.5f);
  EXPECT_EQ(read_leaf.mode, 1);
  EXPECT_TRUE(read_leaf.part.tag.empty());
}

TEST(PropertyStream, FailuresNameWhatIsWrong) {
  struct Case {
    const char* what;
    std::string bytes;
    std::string message;
  } cases[] = {
      {"unknown property", Raw("TPF0\x09TTestNode\x00\x03" "Foo\x08\x00\x00"), "Property Foo does not exist"},
      {"unknown nested property", Raw("TPF0\x09TTestLeaf\x00\x08Part.Foo\x08\x00\x00"),
       "Property Part.Foo does not exist"},
      {"bare prefix", Raw("TPF0\x09TTestLeaf\x00\x05Part.\x08\x00\x00"), "Property Part. does not exist"},
      {"wrong kind", Raw("TPF0\x09TTestNode\x00\x05" "Count\x08\x00\x00"), "Invalid property value"},
      {"unknown identifier", Raw("TPF0\x09TTestLeaf\x00\x04Mode\x07\x03mdD\x00\x00"), "Invalid property value"},
      {"refused child", Raw("TPF0\x09TTestNode\x00\x00\x09TTestNode\x00\x00\x00\x00"),
       "TTestNode cannot be a child of TTestNode"},
  };
  for (const Case& c : cases) {
    TMemoryStream stream(c.bytes);
    try {
      ReadComponent(stream);
      ADD_FAILURE() << c.what << ": read";
    } catch (const EReadError& error) {
      EXPECT_EQ(std::string(error.what()), c.message) << c.what;
    }
  }
  TMemoryStream unknown_class(Raw("TPF0\x08TNoClass\x00\x00\x00"));
  EXPECT_THROW(ReadComponent(unknown_class), EClassNotFound);
  TMemoryStream other_class(Bytes(TTestNode()));
  EXPECT_THROW(ReadComponentAs<TTestLeaf>(other_class), EReadError);
}

// A leaf whose part holds `levels` subparts, each inside the one before.
std::unique_ptr<TTestLeaf> NestedLeaf(int levels) {
  auto leaf = std::make_unique<TTestLeaf>();
  TPart* part = &leaf->part;
  for (int i = 0; i < levels; ++i) part = part->subparts.emplace_back(std::make_unique<TPart>()).get();
  part->tag = "deepest";
  return leaf;
}

TEST(PropertyStream, FormsNestDeeperThan256LevelsAreRefused) {
  // The component is the first level, each collection one more.
  TMemoryStream deepest(Bytes(*NestedLeaf(255)));
  const auto read = ReadComponentAs<TTestLeaf>(deepest);
  const TPart* part = &read->part;
  for (int i = 0; i < 255; ++i) {
    ASSERT_EQ(part->subparts.size(), 1u) << i;
    part = part->subparts[0].get();
  }
  EXPECT_EQ(part->tag, "deepest");

  const std::string message = "Form nested deeper than 256 levels";
  TMemoryStream one_more(Bytes(*NestedLeaf(256)));
  test::ExpectError<EReadError>([&] { ReadComponent(one_more); }, message);
  // Damaged forms 16,000 levels deep, a few bytes a level: collections of collections named X, and
  // children in children. Each would take the whole stack.
  std::string collections = Raw("TPF0\x09TTestLeaf\x00\x0DPart.Subparts\x0E");
  std::string children = "TPF0";
  for (int i = 0; i < 16000; ++i) {
    collections += Raw("\x01\x01X\x0E");
    children += Raw("\x09TTestLeaf\x00\x00");
  }
  for (const std::string& bytes : {collections, children}) {
    TMemoryStream stream(bytes);
    test::ExpectError<EReadError>([&] { ReadComponent(stream); }, message);
  }
}

TEST(ClassRegistration, NamesAndFactoriesComeFromTheClassItself) {
  EXPECT_STREQ(TTestLeaf::StaticClassName(), "TTestLeaf");
  const TComponentFactory factory = GetComponentClass("TTestLeaf");
  ASSERT_NE(factory, nullptr);
  const std::unique_ptr<TComponent> made = factory();
  EXPECT_STREQ(made->ClassName(), "TTestLeaf");
  EXPECT_NE(dynamic_cast<TTestLeaf*>(made.get()), nullptr);
  EXPECT_EQ(GetClass("TTestLeaf"), nullptr) << "a component is not an archive class";
  const TPersistentObjectFactory archived = GetClass("TTestArchived");
  ASSERT_NE(archived, nullptr);
  const std::unique_ptr<TPersistentObject> object = archived();
  EXPECT_STREQ(object->ClassName(), "TTestArchived");
  EXPECT_STREQ(object->NewInstance()->ClassName(), "TTestArchived");
  EXPECT_NE(dynamic_cast<TTestArchived*>(object->CreateClone().get()), nullptr);
}

TEST(PropertySetter, StoresAndTellsOnlyOnAChange) {
  TTestNode node;
  node.SetCount(0);
  EXPECT_EQ(node.changes, 0);
  node.SetCount(3);
  node.SetCount(3);
  EXPECT_EQ(std::pair(node.count, node.changes), std::pair(3, 1));
  int told = 0;
  std::string text = "a";
  EXPECT_FALSE(SetProperty(text, "a", [&] { ++told; }));
  EXPECT_TRUE(SetProperty(text, std::string("b"), [&] { ++told; }));
  EXPECT_EQ(std::pair(text, told), std::pair(std::string("b"), 1));
}

}  // namespace
}  // namespace zentrova
