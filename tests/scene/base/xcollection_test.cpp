#include "scene/base/xcollection.h"

#include <gtest/gtest.h>

#include <string>

#include "scene/base/component.h"
#include "scene/base/scene_errors.h"
#include "test_support.h"

namespace zentrova {
namespace {

using namespace std::string_literals;

enum class TKind { Plain, Unique, Picky };

// An item class named `Name`, derived from `Parent`'s class; unique or refusing every collection by kind.
template <const char* Name, TKind Kind, class Parent = TXCollectionItem>
class TTestItem : public Parent {
 public:
  class TClass : public TXCollectionItemClass {
   public:
    TClass() : TXCollectionItemClass(Name, &Parent::StaticClass()) {}
    std::string KindName() const override { return std::string(Name).substr(1) + " kind"; }
    bool IsUnique() const override { return Kind == TKind::Unique; }
    bool AcceptsCollection(const TXCollection*) const override { return Kind != TKind::Picky; }

   protected:
    std::unique_ptr<TXCollectionItem> NewItem() const override { return std::make_unique<TTestItem>(); }
  };
  static const TXCollectionItemClass& StaticClass() {
    static const TClass c;
    return c;
  }
  const TXCollectionItemClass& ItemClass() const override { return StaticClass(); }
  const char* ClassName() const override { return Name; }
};

constexpr char kPlain[] = "TPlainItem", kUnique[] = "TUniqueItem", kUniqueChild[] = "TUniqueChild",
               kPicky[] = "TPickyItem";
using TPlainItem = TTestItem<kPlain, TKind::Plain>;
using TUniqueItem = TTestItem<kUnique, TKind::Unique>;
// A descendant that is not unique itself is still barred by its unique ancestor.
using TUniqueChild = TTestItem<kUniqueChild, TKind::Plain, TUniqueItem>;
using TPickyItem = TTestItem<kPicky, TKind::Picky>;

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

TEST(XCollection, UniqueAndPickyClassesAreRefused) {
  TXCollection c(nullptr), d(nullptr);
  TUniqueItem::StaticClass().Create(c);
  TUniqueChild::StaticClass().Create(d);
  const std::pair<const TXCollectionItemClass*, TXCollection*> refused[] = {
      {&TUniqueItem::StaticClass(), &c},
      {&TUniqueChild::StaticClass(), &c},
      {&TUniqueItem::StaticClass(), &d},  // the unique class itself may not join where a descendant is
      {&TPickyItem::StaticClass(), &d}};
  for (const auto& [refused_class, into] : refused) {
    const TXCollectionItemClass* item_class = refused_class;  // lambdas capture variables, not bindings
    TXCollection* collection = into;
    EXPECT_EQ(Rejected([&] { item_class->Create(*collection); }),
              "Addition of "s + item_class->ClassName() + " to TXCollection rejected.");
  }
  EXPECT_EQ(c.Count(), 1);
  EXPECT_TRUE(c.Accepts(TPlainItem::StaticClass()));
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
            "\x02\x03\x06\x0aTPlainItem\x02\x00\x06\x05"
            "first\x06\x0bTUniqueItem\x02\x00\x06\x0fUniqueItem kind\x02\x00\x02\x00\x06\x06second"s);

  TXCollection back(nullptr);
  TPlainItem::StaticClass().Create(back);  // replaced by the stream's items
  stream.SetPosition(0);
  TBinaryReader reader(stream);
  back.ReadItems(reader);
  ASSERT_EQ(back.Count(), 3);
  EXPECT_EQ(&back.Items(1)->ItemClass(), &TUniqueItem::StaticClass());
  EXPECT_EQ(&back.Items(2)->ItemClass(), &TPlainItem::StaticClass());
  EXPECT_EQ(back.Items(2)->Name(), "second");
  UnregisterXCollectionItemClass(TUniqueItem::StaticClass());
  EXPECT_TRUE(FindXCollectionItemClass("TUniqueItem") == nullptr &&
              FindXCollectionItemClass("tplainitem") == nullptr);

  // Broken streams: an unknown class, an item version other than 0, a class index beyond the table.
  const auto read = [&](const std::string& bytes) {
    TStringStream in(bytes);
    TBinaryReader r(in);
    back.ReadItems(r);
  };
  EXPECT_EQ(Rejected([&] { read("\x02\x01\x06\x05TNope\x02\x00\x06\x00"s); }),
            "Class TNope unknown. Add the relevant unit to your \"uses\".");
  EXPECT_EQ(Rejected([&] { read("\x02\x01\x06\x0aTPlainItem\x02\x01\x06\x00"s); }), "Assertion failure");
  test::ExpectError<EFilerException>(
      [&] { read("\x02\x02\x06\x0aTPlainItem\x02\x00\x06\x00\x02\x01\x02\x00\x06\x00"s); },
      "TXCollection : class index 1 out of range");
  EXPECT_EQ(back.Count(), 1);
  UnregisterXCollectionItemClass(TPlainItem::StaticClass());
}

TEST(XCollection, NewItemsNamesAssignAndDestruction) {
  TComponent holder;
  holder.SetName("Cube1");
  TXCollection a(&holder);
  TXCollectionItem& item = TPlainItem::StaticClass().Create(a);
  EXPECT_EQ(item.Name(), "PlainItem kind");  // named after the kind
  EXPECT_TRUE(item.Owner() == &a && item.Index() == 0);
  EXPECT_EQ(TPlainItem::StaticClass().KindDescription(), "PlainItem kind");
  EXPECT_EQ(TPlainItem::StaticClass().Create()->GetNamePath(), "TPlainItem");  // no owner
  item.SetName("one");
  TUniqueItem::StaticClass().Create(a);
  EXPECT_EQ(a.GetNamePath(), "Cube1.XCollection");
  EXPECT_EQ(a.Items(1)->GetNamePath(), "Cube1.XCollection[1]");
  TXCollection b(nullptr);
  EXPECT_EQ(b.GetNamePath(), "TXCollection");
  b.Assign(&a);
  ASSERT_EQ(b.Count(), 2);
  a.Items(0)->SetName("changed");
  EXPECT_EQ(b.Items(0)->Name(), "one");
  b.Delete(0);
  EXPECT_EQ(&b.Items(0)->ItemClass(), &TUniqueItem::StaticClass());
  // Another collection class falls back to the inherited assignment, which fails.
  TOtherCollection other(nullptr);
  EXPECT_THROW(other.Assign(&a), EConvertError);
  b.Assign(nullptr);
  EXPECT_EQ(b.Count(), 0);

  std::vector<TXCollection*> destroyed;
  SetXCollectionDestroyEvent([&](TXCollection* c) { destroyed.push_back(c); });
  { TXCollection temporary(nullptr); }
  SetXCollectionDestroyEvent(nullptr);
  EXPECT_EQ(destroyed.size(), 1u);
}

}  // namespace
}  // namespace zentrova
