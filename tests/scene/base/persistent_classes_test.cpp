#include "scene/base/persistent_classes.h"

#include <gtest/gtest.h>

#include <string>

#include "scene/base/scene_errors.h"
#include "scene/base/vector_lists.h"
#include "test_support.h"

namespace zentrova {
namespace {

using namespace std::string_literals;

std::string Written(const std::function<void(TBinaryWriter&)>& write) {
  TStringStream stream;
  TBinaryWriter writer(stream);
  write(writer);
  return stream.DataString();
}

using test::ExpectError;

TEST(BinaryArchive, IntegersTakeTheSmallestWidth) {
  EXPECT_EQ(Written([](auto& w) { w.WriteInteger(127); }), "\x02\x7f"s);
  EXPECT_EQ(Written([](auto& w) { w.WriteInteger(128); }), "\x03\x80\x00"s);
  EXPECT_EQ(Written([](auto& w) { w.WriteInteger(32768); }), "\x04\x00\x80\x00\x00"s);
  EXPECT_EQ(Written([](auto& w) { w.WriteInteger(-128); }), "\x02\x80"s);
  EXPECT_EQ(Written([](auto& w) { w.WriteInteger(-129); }), "\x03\x7f\xff"s);
  EXPECT_EQ(Written([](auto& w) { w.WriteInteger(-32768); }), "\x03\x00\x80"s);
  EXPECT_EQ(Written([](auto& w) { w.WriteInteger(-32769); }), "\x04\xff\x7f\xff\xff"s);
  TStringStream in("\x02\xff\x03\xfe\xff\x04\x00\x00\x00\x80"s);
  TBinaryReader reader(in);
  EXPECT_EQ(reader.ReadInteger(), -1);
  EXPECT_EQ(reader.ReadInteger(), -2);
  EXPECT_EQ(reader.ReadInteger(), INT32_MIN);
}

TEST(BinaryArchive, StringsBooleansFloatsAndLists) {
  const std::string s255(255, 'a'), s256(256, 'b');
  EXPECT_EQ(Written([&](auto& w) { w.WriteString(s255); }), "\x06\xff"s + s255);
  EXPECT_EQ(Written([&](auto& w) { w.WriteString(s256); }), "\x0c\x00\x01\x00\x00"s + s256);
  EXPECT_EQ(Written([](auto& w) { w.WriteString(""); }), "\x06\x00"s);
  EXPECT_EQ(Written([](auto& w) {
              w.WriteBoolean(false);
              w.WriteBoolean(true);
              w.WriteListBegin();
              w.WriteListEnd();
            }),
            "\x08\x09\x01\x00"s);
  // 1.0 as an 80-bit extended: mantissa with its explicit integer bit, exponent 16383.
  EXPECT_EQ(Written([](auto& w) { w.WriteFloat(1.0L); }), "\x05\x00\x00\x00\x00\x00\x00\x00\x80\xff\x3f"s);

  const std::string bytes = Written([&](auto& w) {
    w.WriteString(s256);
    w.WriteFloat(-0.1L);
    w.WriteBoolean(true);
    w.WriteListBegin();
    w.WriteListEnd();
  });
  TStringStream in(bytes);
  TBinaryReader reader(in);
  EXPECT_EQ(reader.ReadString(), s256);
  EXPECT_EQ(reader.ReadFloat(), -0.1L);
  EXPECT_TRUE(reader.ReadBoolean());
  reader.ReadListBegin();
  EXPECT_TRUE(reader.EndOfList());
  reader.ReadListEnd();
}

TEST(BinaryArchive, NextValuePeeks) {
  TStringStream in("\x03\x10\x27"s);
  TBinaryReader reader(in);
  EXPECT_EQ(reader.NextValue(), vaInt16);
  EXPECT_EQ(reader.ReadInteger(), 10000);
}

TEST(BinaryArchive, WrongTagsAreReadTypeErrors) {
  TStringStream in("\x06\x01x\x02\x05"s);
  TBinaryReader reader(in);
  ExpectError<EReadError>([&] { reader.ReadInteger(); }, "TBinaryReader, read type error");
  // The stream stands after the refused tag.
  EXPECT_EQ(in.Position(), 1);
  in.SetPosition(0);
  EXPECT_EQ(reader.ReadString(), "x");
  ExpectError<EReadError>([&] { reader.ReadString(); }, "TBinaryReader, read type error");
  in.SetPosition(3);
  ExpectError<EReadError>([&] { reader.ReadBoolean(); }, "TBinaryReader, read type error");
  in.SetPosition(3);
  ExpectError<EReadError>([&] { reader.ReadFloat(); }, "TBinaryReader, read type error");
  in.SetPosition(3);
  ExpectError<EReadError>([&] { reader.ReadListBegin(); }, "TBinaryReader, read type error");
  for (const char* tag : {"\x05", "\x08", "\x09", "\x01", "\x00", "\x07", "\x0c"}) {
    TStringStream one(std::string(tag, 1) + "\x00\x00\x00\x00"s);
    TBinaryReader r(one);
    EXPECT_THROW(r.ReadInteger(), EReadError) << int(tag[0]);
  }
}

TEST(BinaryArchive, ReadsWideAndUtf8Strings) {
  // "Aé€😀" as UTF-16LE (the emoji as a surrogate pair) and as UTF-8.
  const std::string utf8 = "A\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80";
  TStringStream wide("\x12\x05\x00\x00\x00"s + "A\x00\xe9\x00\xac\x20\x3d\xd8\x00\xde"s);
  EXPECT_EQ(TBinaryReader(wide).ReadString(), utf8);
  TStringStream u8("\x14\x0a\x00\x00\x00"s + utf8);
  EXPECT_EQ(TBinaryReader(u8).ReadString(), utf8);
  // A lone surrogate cannot be spelled in UTF-8.
  TStringStream lone("\x12\x02\x00\x00\x00\x00\xd8\x41\x00"s);
  EXPECT_EQ(TBinaryReader(lone).ReadString(),
            "\xef\xbf\xbd"
            "A");
}

TEST(BinaryArchive, Utf8BeyondTheLastCodePointBecomesTheReplacementCharacter) {
  // U+110000 in four bytes, and the obsolete five-byte form of 0x200000.
  TStringStream beyond("\x14\x05\x00\x00\x00\xf4\x90\x80\x80Z"s);
  EXPECT_EQ(TBinaryReader(beyond).ReadString(), "\xef\xbf\xbdZ");
  TStringStream five("\x14\x05\x00\x00\x00\xf8\x88\x80\x80\x80"s);
  EXPECT_EQ(TBinaryReader(five).ReadString(), "\xef\xbf\xbd");
  // The last code point itself survives.
  TStringStream last("\x14\x04\x00\x00\x00\xf4\x8f\xbf\xbf"s);
  EXPECT_EQ(TBinaryReader(last).ReadString(), "\xf4\x8f\xbf\xbf");
  // A sequence cut off by the end of the string is a range error.
  TStringStream cut("\x14\x02\x00\x00\x00\xe2\x82"s);
  EXPECT_THROW(TBinaryReader(cut).ReadString(), ERangeError);
}

TEST(BinaryArchive, LengthsAndRawBlocksAreCheckedAgainstTheData) {
  TStringStream too_long("\x0c\x10\x00\x00\x00short"s);
  ExpectError<EReadError>([&] { TBinaryReader(too_long).ReadString(); },
                          "TBinaryReader, invalid string length 16");
  TStringStream negative("\x0c\xff\xff\xff\xff"s);
  ExpectError<EReadError>([&] { TBinaryReader(negative).ReadString(); },
                          "TBinaryReader, invalid string length -1");
  TStringStream wide("\x12\x00\x00\x00\x40"s);
  EXPECT_THROW(TBinaryReader(wide).ReadString(), EReadError);
  TStringStream short_string(
      "\x06\x05"
      "ab"s);
  ExpectError<EReadError>([&] { TBinaryReader(short_string).ReadString(); }, "Stream read error");
  TStringStream short_int("\x04\x01\x02"s);
  ExpectError<EReadError>([&] { TBinaryReader(short_int).ReadInteger(); }, "Stream read error");
  TStringStream empty;
  ExpectError<EReadError>([&] { TBinaryReader(empty).NextValue(); }, "Stream read error");
  char buffer[4];
  TStringStream raw("ab");
  ExpectError<EReadError>([&] { TBinaryReader(raw).Read(buffer, 4); }, "Stream read error");
}

// An archivable class that counts its live instances, to see who frees what.
class TCounted : public TPersistentObject {
 public:
  TCounted() { ++live; }
  ~TCounted() override { --live; }
  const char* ClassName() const override { return "TCounted"; }
  std::unique_ptr<TPersistentObject> NewInstance() const override { return std::make_unique<TCounted>(); }
  void WriteArchive(TVirtualWriter& writer) const override {
    TPersistentObject::WriteArchive(writer);
    writer.WriteInteger(0);
    writer.WriteString(text);
  }
  void ReadArchive(TVirtualReader& reader) override {
    TPersistentObject::ReadArchive(reader);
    const int version = reader.ReadInteger();
    if (version != 0) RaiseArchiveVersionError(version);
    text = reader.ReadString();
  }
  std::string text;
  static int live;
};
int TCounted::live = 0;

class TSigned : public TCounted {
 public:
  const char* ClassName() const override { return "TSigned"; }
  std::unique_ptr<TPersistentObject> NewInstance() const override { return std::make_unique<TSigned>(); }
  std::string FileSignature() const override { return "ZSIG"; }
};

class ArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterClass<TCounted>();
    TCounted::live = 0;
  }
  void TearDown() override { EXPECT_EQ(TCounted::live, 0); }
};

TEST_F(ArchiveTest, ObjectListOfTwoAffineListsAndNil) {
  TPersistentObjectList list;
  auto first = std::make_unique<TAffineVectorList>();
  first->Add({1, 2, 3});
  first->Add({4, 5, 6});
  auto second = std::make_unique<TAffineVectorList>();
  second->Add({-1.5f, 0.25f, 8});
  list.Add(std::move(first));
  list.Add(std::move(second));
  list.Add(nullptr);
  // Version, begin, the class name once, the first list, class index 0, the second list, false and
  // the integer 0 for nil, end.
  const std::string golden = test::ReadBytes(test::DataPath("scene/object_list.bin"));
  ASSERT_EQ(golden.size(), 80u);
  EXPECT_EQ(list.SaveToString(), golden);

  TPersistentObjectList back;
  back.LoadFromString(golden);
  ASSERT_EQ(back.Count(), 3);
  const auto* a = dynamic_cast<TAffineVectorList*>(back.Get(0));
  const auto* b = dynamic_cast<TAffineVectorList*>(back.Get(1));
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(a->Count(), 2);
  EXPECT_EQ(a->GetItem(1), (TAffineVector{4, 5, 6}));
  EXPECT_EQ(b->Count(), 1);
  EXPECT_EQ(b->GetItem(0), (TAffineVector{-1.5f, 0.25f, 8}));
  EXPECT_EQ(back.Get(2), nullptr);
  EXPECT_EQ(back.SaveToString(), golden);
}

TEST_F(ArchiveTest, ReadingFreesTheOldItemsFirst) {
  TPersistentObjectList source;
  auto item = std::make_unique<TCounted>();
  item->text = "kept";
  source.Add(std::move(item));
  const std::string archive = source.SaveToString();

  TPersistentObjectList target;
  target.Add(std::make_unique<TCounted>());
  target.Add(std::make_unique<TCounted>());
  EXPECT_EQ(TCounted::live, 3);
  target.LoadFromString(archive);
  EXPECT_EQ(TCounted::live, 2);
  ASSERT_EQ(target.Count(), 1);
  EXPECT_EQ(static_cast<TCounted*>(target.Get(0))->text, "kept");
}

TEST_F(ArchiveTest, BrokenObjectListArchives) {
  const std::string head = "\x02\x00\x01\x06\x08TCounted\x02\x00\x06\x01x"s;  // one item read fine
  const auto expect_broken = [&](const std::string& rest) {
    TPersistentObjectList list;
    ExpectError<Exception>([&] { list.LoadFromString(head + rest); }, "Broken ObjectList archive");
    // What was read before the fault stays.
    EXPECT_EQ(list.Count(), 1);
  };
  expect_broken("\x02\x01"s);                  // class index beyond the table
  expect_broken("\x02\xff"s);                  // negative class index
  expect_broken("\x08\x04\x78\x56\x34\x12"s);  // a pointer value
  expect_broken("\x05"s);                      // no item starts with a float
  expect_broken("\x12\x01\x00\x00\x00\x41\x00"s);

  TPersistentObjectList list;
  ExpectError<EClassNotFound>([&] { list.LoadFromString("\x02\x00\x01\x06\x07TNoSuch\x00"s); },
                              "Class TNoSuch not found");
  ExpectError<EFilerException>([&] { list.LoadFromString("\x02\x01\x01\x00"s); },
                               "TPersistentObjectList : unknown archive version 1");
  ExpectError<EReadError>([&] { list.LoadFromString("\x02\x00\x01"s); }, "Stream read error");
  // A list nested a thousand levels deep is refused, not a stack overflow.
  std::string nested = "\x02\x00\x01\x06\x15TPersistentObjectList\x02\x00\x01"s;
  for (int i = 0; i < 1000; ++i) nested += "\x02\x00\x02\x00\x01"s;
  ExpectError<Exception>([&] { list.LoadFromString(nested); }, "Broken ObjectList archive");
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(ArchiveTest, OnlyPersistentObjectsAndNilAreArchived) {
  TPersistentObjectList list;
  list.Add(std::make_unique<TObject>());
  ExpectError<EFilerException>([&] { list.SaveToString(); },
                               "TPersistentObjectList : cannot archive a TObject");
}

TEST_F(ArchiveTest, AssignCopiesThroughTheArchive) {
  TCounted a;
  a.text = "original";
  TCounted b;
  b.Assign(&a);
  EXPECT_EQ(b.text, "original");
  a.text = "changed";
  EXPECT_EQ(b.text, "original");
  const std::unique_ptr<TPersistentObject> clone = a.CreateClone();
  ASSERT_NE(dynamic_cast<TCounted*>(clone.get()), nullptr);
  EXPECT_EQ(static_cast<TCounted*>(clone.get())->text, "changed");
  // Another class falls back to the persistent base, which refuses.
  TAffineVectorList other;
  ExpectError<EConvertError>([&] { b.Assign(&other); }, "Cannot assign a TAffineVectorList to a TCounted");
  ExpectError<EConvertError>([&] { b.Assign(nullptr); }, "Cannot assign a nil to a TCounted");
}

TEST_F(ArchiveTest, SignatureEnvelopeAndFiles) {
  TSigned s;
  s.text = "payload";
  const std::string saved = s.SaveToString();
  EXPECT_EQ(saved, "ZSIG\x02\x00\x06\x07payload"s);
  TSigned back;
  back.LoadFromString(saved);
  EXPECT_EQ(back.text, "payload");
  ExpectError<EInvalidFileSignature>([&] { back.LoadFromString("ZSIX\x02\x00\x06\x00"s); },
                                     "Invalid file signature");
  ExpectError<EInvalidFileSignature>([&] { back.LoadFromString("ZS"); }, "Invalid file signature");
  EXPECT_EQ(back.text, "payload");

  test::TempDir dir;
  s.SaveToFile(dir.File("signed.bin"));
  EXPECT_EQ(test::ReadBytes(dir.File("signed.bin")), saved);
  TSigned from_file;
  from_file.LoadFromFile(dir.File("signed.bin"));
  EXPECT_EQ(from_file.text, "payload");
  ExpectError<EFilerException>([&] { s.RaiseArchiveVersionError(3); }, "TSigned : unknown archive version 3");
}

TEST_F(ArchiveTest, ObjectListOwnsItsItems) {
  TPersistentObjectList list;
  TObject* items[4];
  for (TObject*& item : items) {
    auto made = std::make_unique<TCounted>();
    item = made.get();
    list.Add(std::move(made));
  }
  EXPECT_EQ(list.Capacity(), 16);
  list.Insert(4, std::make_unique<TCounted>());  // at Count
  list.Insert(0, nullptr);
  EXPECT_EQ(list.Get(1), items[0]);
  EXPECT_EQ(list.IndexOf(items[2]), 3);
  EXPECT_EQ(TCounted::live, 5);
  // Remove and Delete free; Extract, Put and Pop hand the item back.
  EXPECT_EQ(list.Remove(items[2]), 3);
  EXPECT_EQ(list.Remove(items[2]), -1);
  list.Delete(0);
  EXPECT_EQ(TCounted::live, 4);
  std::unique_ptr<TObject> extracted = list.Extract(0);
  EXPECT_EQ(extracted.get(), items[0]);
  std::unique_ptr<TObject> replaced = list.Put(0, std::move(extracted));
  EXPECT_EQ(replaced.get(), items[1]);
  EXPECT_EQ(list.Pop()->ClassName(), std::string("TCounted"));
  EXPECT_EQ(TCounted::live, 3);
  ExpectError<EListError>([&] { list.Get(2); }, "Invalid list index");
  ExpectError<EListError>([&] { list.Insert(3, nullptr); }, "Invalid list index");
  ExpectError<EListError>([&] { list.Put(-1, nullptr); }, "Invalid list index");
  // Cutting the count or the capacity frees what is cut off.
  list.SetCount(4);
  EXPECT_EQ(list.Get(3), nullptr);
  list.SetCapacity(1);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(TCounted::live, 2);
  list.Clear();
  EXPECT_EQ(list.Capacity(), 0);
  EXPECT_EQ(list.Pop(), nullptr);
  EXPECT_EQ(TCounted::live, 1);
  for (int i = 0; i < 17; ++i) list.Add(std::make_unique<TCounted>());
  EXPECT_EQ(list.Capacity(), 32);
  list.FreeItems();
  EXPECT_EQ(list.Count(), 17);
  EXPECT_EQ(list.Get(16), nullptr);
  EXPECT_EQ(TCounted::live, 1);
}

TEST(PersistentObjectList, SortOrdersByTheCompareFunction) {
  TPersistentObjectList list;
  for (float k : {5.0f, 1.0f, 4.0f, 1.0f, 3.0f, 9.0f, 0.0f}) {
    auto key = std::make_unique<TSingleList>();
    key->Add(k);
    list.Add(std::move(key));
  }
  list.Sort([](const TObject* x, const TObject* y) {
    const float a = static_cast<const TSingleList*>(x)->GetItem(0),
                b = static_cast<const TSingleList*>(y)->GetItem(0);
    return a < b ? -1 : (a > b ? 1 : 0);
  });
  std::vector<float> sorted;
  for (int i = 0; i < list.Count(); ++i) sorted.push_back(static_cast<TSingleList*>(list.Get(i))->GetItem(0));
  EXPECT_EQ(sorted, (std::vector<float>{0, 1, 1, 3, 4, 5, 9}));
}

TEST(ClassRegistry, NamesOfTheBaseLayer) {
  EXPECT_NE(GetClass("TPersistentObjectList"), nullptr);
  EXPECT_NE(GetClass("TAffineVectorList"), nullptr);
  EXPECT_NE(GetClass("TVectorList"), nullptr);
  EXPECT_NE(GetClass("TTexPointList"), nullptr);
  EXPECT_NE(GetClass("TSingleList"), nullptr);
  EXPECT_EQ(GetClass("TIntegerList"), nullptr);
  EXPECT_EQ(GetClass("TByteList"), nullptr);
  EXPECT_EQ(GetClass("TQuaternionList"), nullptr);
  EXPECT_EQ(GetClass("taffinevectorlist"), nullptr);
  std::unique_ptr<TPersistentObject> made = FindClass("TTexPointList")();
  EXPECT_STREQ(made->ClassName(), "TTexPointList");
  ExpectError<EClassNotFound>([] { FindClass("TMissing"); }, "Class TMissing not found");
}

}  // namespace
}  // namespace zentrova
