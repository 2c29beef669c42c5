#include "scene/base/xcollection.h"

#include <gtest/gtest.h>

#include <string>

#include "scene/base/component.h"
#include "scene/base/scene_errors.h"
#include "test_support.h"

namespace zentrova {
namespace {

using namespace std::string_literals;

class TPlainItem : public TXCollectionItem {
 public:
  class TClass : public TXCollectionItemClass {
   public:
    TClass() : TXCollectionItemClass("TPlainItem", &TXCollectionItem::StaticClass()) {}
    std::string KindName() const override { return "Plain item"; }

   protected:
    std::unique_ptr<TXCollectionItem> NewItem() const override { return std::make_unique<TPlainItem>(); }
  };
  static const TXCollectionItemClass& StaticClass() {
    static const TClass c;
    return c;
  }
  const TXCollectionItemClass& ItemClass() const override { return StaticClass(); }
  const char* ClassName() const override { return "TPlainItem"; }
};

class TUniqueItem : public TXCollectionItem {
 public:
  class TClass : public TXCollectionItemClass {
   public:
    TClass(const char* name = "TUniqueItem",
           const TXCollectionItemClass* parent = &TXCollectionItem::StaticClass())
        : TXCollectionItemClass(name, parent) {}
    std::string KindName() const override { return "Unique item"; }
    bool IsUnique() const override { return true; }

   protected:
    std::unique_ptr<TXCollectionItem> NewItem() const override { return std::make_unique<TUniqueItem>(); }
  };
  static const TXCollectionItemClass& StaticClass() {
    static const TClass c;
    return c;
  }
  const TXCollectionItemClass& ItemClass() const override { return StaticClass(); }
  const char* ClassName() const override { return "TUniqueItem"; }
};

class TUniqueChild : public TUniqueItem {
 public:
  class TClass : public TUniqueItem::TClass {
   public:
    TClass() : TUniqueItem::TClass("TUniqueChild", &TUniqueItem::StaticClass()) {}
    // A descendant that is not unique itself is still barred by its unique ancestor.
    bool IsUnique() const override { return false; }

   protected:
    std::unique_ptr<TXCollectionItem> NewItem() const override { return std::make_unique<TUniqueChild>(); }
  };
  static const TXCollectionItemClass& StaticClass() {
    static const TClass c;
    return c;
  }
  const TXCollectionItemClass& ItemClass() const override { return StaticClass(); }
  const char* ClassName() const override { return "TUniqueChild"; }
};

class TPickyItem : public TXCollectionItem {
 public:
  class TClass : public TXCollectionItemClass {
   public:
    TClass() : TXCollectionItemClass("TPickyItem", &TXCollectionItem::StaticClass()) {}
    std::string KindName() const override { return "Picky"; }
    bool AcceptsCollection(const TXCollection* collection) const override { return false; }

   protected:
    std::unique_ptr<TXCollectionItem> NewItem() const override { return std::make_unique<TPickyItem>(); }
  };
  static const TXCollectionItemClass& StaticClass() {
    static const TClass c;
    return c;
  }
  const TXCollectionItemClass& ItemClass() const override { return StaticClass(); }
  const char* ClassName() const override { return "TPickyItem"; }
};

class TOtherCollection : public TXCollection {
 public:
  using TXCollection::TXCollection;
  const char* ClassName() const override { return "TOtherCollection"; }
};

std::string Rejected(const std::function<void()>& f) {
  try {
    f();
  } catch (const EAssertionFailed& e) {
    return e.Text();
  }
  return "accepted";
}

TEST(XCollection, NewItemsAreNamedAfterTheirKind) {
  TXCollection c(nullptr);
  TXCollectionItem& item = TPlainItem::StaticClass().Create(c);
  EXPECT_EQ(item.Name(), "Plain item");
  EXPECT_EQ(c.Count(), 1);
  EXPECT_EQ(item.Owner(), &c);
  EXPECT_EQ(item.Index(), 0);
  EXPECT_EQ(TPlainItem::StaticClass().KindDescription(), "Plain item");
  EXPECT_EQ(TPlainItem::StaticClass().Category(), "");
  c.Delete(0);
  EXPECT_EQ(c.Count(), 0);
  std::unique_ptr<TXCollectionItem> loose = TPlainItem::StaticClass().Create();
  EXPECT_EQ(loose->Owner(), nullptr);
  EXPECT_EQ(loose->GetNamePath(), "TPlainItem");
}

TEST(XCollection, UniqueAndPickyClassesAreRefused) {
  TXCollection c(nullptr);
  TUniqueItem::StaticClass().Create(c);
  EXPECT_EQ(Rejected([&] { TUniqueItem::StaticClass().Create(c); }),
            "Addition of TUniqueItem to TXCollection rejected.");
  EXPECT_EQ(Rejected([&] { TUniqueChild::StaticClass().Create(c); }),
            "Addition of TUniqueChild to TXCollection rejected.");
  EXPECT_EQ(c.Count(), 1);
  EXPECT_TRUE(c.Accepts(TPlainItem::StaticClass()));

  TXCollection d(nullptr);
  TUniqueChild::StaticClass().Create(d);
  // The unique class itself may not join where one of its descendants is.
  EXPECT_FALSE(d.Accepts(TUniqueItem::StaticClass()));
  EXPECT_EQ(Rejected([&] { TPickyItem::StaticClass().Create(d); }),
            "Addition of TPickyItem to TXCollection rejected.");
}

TEST(XCollection, StreamsTheClassNameOnceThenItsIndex) {
  RegisterXCollectionItemClass(TPlainItem::StaticClass());
  RegisterXCollectionItemClass(TUniqueItem::StaticClass());
  TXCollection c(nullptr);
  TPlainItem::StaticClass().Create(c).SetName("first");
  TUniqueItem::StaticClass().Create(c);
  TPlainItem::StaticClass().Create(c).SetName("second");
  TStringStream stream;
  TBinaryWriter writer(stream);
  c.WriteItems(writer);
  EXPECT_EQ(stream.DataString(),
            "\x02\x03"
            "\x06\x0aTPlainItem\x02\x00\x06\x05"
            "first"
            "\x06\x0bTUniqueItem\x02\x00\x06\x0bUnique item"
            "\x02\x00\x02\x00\x06\x06second"s);

  TXCollection back(nullptr);
  TPlainItem::StaticClass().Create(back);  // replaced by the stream's items
  stream.SetPosition(0);
  TBinaryReader reader(stream);
  back.ReadItems(reader);
  ASSERT_EQ(back.Count(), 3);
  EXPECT_EQ(&back.Items(0)->ItemClass(), &TPlainItem::StaticClass());
  EXPECT_EQ(&back.Items(1)->ItemClass(), &TUniqueItem::StaticClass());
  EXPECT_EQ(back.Items(2)->Name(), "second");
  UnregisterXCollectionItemClass(TUniqueItem::StaticClass());
  EXPECT_EQ(FindXCollectionItemClass("TUniqueItem"), nullptr);
  EXPECT_EQ(FindXCollectionItemClass("tplainitem"), nullptr);
  UnregisterXCollectionItemClass(TPlainItem::StaticClass());
}

TEST(XCollection, BrokenStreams) {
  RegisterXCollectionItemClass(TPlainItem::StaticClass());
  TXCollection c(nullptr);
  const auto read = [&](const std::string& bytes) {
    TStringStream stream(bytes);
    TBinaryReader reader(stream);
    c.ReadItems(reader);
  };
  EXPECT_EQ(Rejected([&] { read("\x02\x01\x06\x05TNope\x02\x00\x06\x00"s); }),
            "Class TNope unknown. Add the relevant unit to your \"uses\".");
  EXPECT_EQ(Rejected([&] { read("\x02\x01\x06\x0aTPlainItem\x02\x01\x06\x00"s); }), "Assertion failure");
  test::ExpectError<EFilerException>(
      [&] { read("\x02\x02\x06\x0aTPlainItem\x02\x00\x06\x00\x02\x01\x02\x00\x06\x00"s); },
      "TXCollection : class index 1 out of range");
  EXPECT_EQ(c.Count(), 1);
  UnregisterXCollectionItemClass(TPlainItem::StaticClass());
}

TEST(XCollection, AssignNamesAndDestruction) {
  TComponent holder;
  holder.SetName("Cube1");
  TXCollection a(&holder);
  TPlainItem::StaticClass().Create(a).SetName("one");
  TUniqueItem::StaticClass().Create(a);
  EXPECT_EQ(a.GetNamePath(), "Cube1.XCollection");
  EXPECT_EQ(a.Items(1)->GetNamePath(), "Cube1.XCollection[1]");
  TXCollection b(nullptr);
  EXPECT_EQ(b.GetNamePath(), "TXCollection");
  b.Assign(&a);
  ASSERT_EQ(b.Count(), 2);
  EXPECT_EQ(b.Items(0)->Name(), "one");
  EXPECT_EQ(&b.Items(1)->ItemClass(), &TUniqueItem::StaticClass());
  a.Items(0)->SetName("changed");
  EXPECT_EQ(b.Items(0)->Name(), "one");
  // Another collection class falls back to the inherited assignment, which fails.
  TOtherCollection other(nullptr);
  EXPECT_THROW(other.Assign(&a), EConvertError);
  b.Assign(nullptr);
  EXPECT_EQ(b.Count(), 0);

  std::vector<TXCollection*> destroyed;
  SetXCollectionDestroyEvent([&](TXCollection* c) { destroyed.push_back(c); });
  {
    TXCollection temporary(nullptr);
    TPlainItem::StaticClass().Create(temporary);
    destroyed.clear();
  }
  SetXCollectionDestroyEvent(nullptr);
  EXPECT_EQ(destroyed.size(), 1u);
}

}  // namespace
}  // namespace zentrova
