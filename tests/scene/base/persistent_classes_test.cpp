#include "scene/base/persistent_classes.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <utility>

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
  const std::int32_t values[] = {127, 128, 32768, -128, -129, -32768, -32769, INT32_MIN};
  const std::string bytes = Written([&](auto& w) {
    for (std::int32_t v : values) w.WriteInteger(v);
  });
  // 127 and 128, 32768, -128 and -129, -32768 and -32769, the smallest.
  EXPECT_EQ(bytes,
            "\x02\x7f\x03\x80\x00\x04\x00\x80\x00\x00\x02\x80\x03\x7f\xff\x03\x00\x80\x04\xff\x7f\xff\xff"
            "\x04\x00\x00\x00\x80"s);
  TStringStream in(bytes);
  TBinaryReader reader(in);
  for (std::int32_t v : values) EXPECT_EQ(reader.ReadInteger(), v);
}

TEST(BinaryArchive, StringsBooleansFloatsAndLists) {
  const std::string s255(255, 'a'), s256(256, 'b');
  const std::string bytes = Written([&](auto& w) {
    w.WriteString(s255);
    w.WriteString(s256);
    w.WriteString("");
    w.WriteBoolean(false);
    w.WriteBoolean(true);
    w.WriteFloat(1.0L);
    w.WriteListBegin();
    w.WriteListEnd();
  });
  // 1.0 as an 80-bit extended: mantissa with its explicit integer bit, exponent 16383.
  EXPECT_EQ(bytes, "\x06\xff"s + s255 + "\x0c\x00\x01\x00\x00"s + s256 +
                       "\x06\x00\x08\x09\x05\x00\x00\x00\x00\x00\x00\x00\x80\xff\x3f\x01\x00"s);
  TStringStream in(bytes);
  TBinaryReader reader(in);
  EXPECT_EQ(reader.NextValue(), vaString);  // a peek: the string is still there
  EXPECT_EQ((std::array{reader.ReadString(), reader.ReadString(), reader.ReadString()}),
            (std::array{s255, s256, ""s}));
  EXPECT_EQ((std::array{reader.ReadBoolean(), reader.ReadBoolean()}), (std::array{false, true}));
  EXPECT_EQ(reader.ReadFloat(), 1.0L);
  reader.ReadListBegin();
  EXPECT_TRUE(reader.EndOfList());
  reader.ReadListEnd();
  TStringStream tenth(Written([](auto& w) { w.WriteFloat(-0.1L); }));
  EXPECT_EQ(TBinaryReader(tenth).ReadFloat(), -0.1L);  // all 64 mantissa bits
}

TEST(BinaryArchive, WrongTagsAreReadTypeErrors) {
  const std::pair<std::string, std::function<void(TBinaryReader&)>> cases[] = {
      {"\x06\x01x"s, [](auto& r) { r.ReadInteger(); }},  {"\x02\x05"s, [](auto& r) { r.ReadString(); }},
      {"\x02\x05"s, [](auto& r) { r.ReadBoolean(); }},   {"\x02\x05"s, [](auto& r) { r.ReadFloat(); }},
      {"\x02\x05"s, [](auto& r) { r.ReadListBegin(); }}, {"\x01\x00"s, [](auto& r) { r.ReadListEnd(); }},
      {"\x05\x00"s, [](auto& r) { r.ReadInteger(); }},   {"\x0c\x00"s, [](auto& r) { r.ReadInteger(); }}};
  for (const auto& entry : cases) {
    const auto& read = entry.second;
    TStringStream in(entry.first);
    TBinaryReader reader(in);
    ExpectError<EReadError>([&] { read(reader); }, "TBinaryReader, read type error");
    EXPECT_EQ(in.Position(), 1);  // the stream stands after the refused tag
  }
}

TEST(BinaryArchive, WideAndUtf8StringsReadAsUtf8) {
  // "Aé€😀" as UTF-16LE (the emoji as a surrogate pair) and as UTF-8.
  const std::string utf8 = "A\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80", replacement = "\xef\xbf\xbd";
  const std::pair<std::string, std::string> cases[] = {
      {"\x12\x05\x00\x00\x00"s + "A\x00\xe9\x00\xac\x20\x3d\xd8\x00\xde"s, utf8},
      {"\x14\x0a\x00\x00\x00"s + utf8, utf8},
      {"\x12\x02\x00\x00\x00\x00\xd8\x41\x00"s, replacement + "A"},    // a lone surrogate
      {"\x14\x05\x00\x00\x00\xf4\x90\x80\x80Z"s, replacement + "Z"},   // U+110000
      {"\x14\x05\x00\x00\x00\xf8\x88\x80\x80\x80"s, replacement},      // obsolete five-byte form
      {"\x14\x04\x00\x00\x00\xf4\x8f\xbf\xbf"s, "\xf4\x8f\xbf\xbf"}};  // the last code point
  for (const auto& [bytes, text] : cases) {
    TStringStream in(bytes);
    EXPECT_EQ(TBinaryReader(in).ReadString(), text);
  }
  // A sequence cut off by the end of the string is a range error.
  TStringStream cut("\x14\x02\x00\x00\x00\xe2\x82"s);
  EXPECT_THROW(TBinaryReader(cut).ReadString(), ERangeError);
}

TEST(BinaryArchive, LengthsAndRawBlocksAreCheckedAgainstTheData) {
  const std::pair<std::string, std::string> cases[] = {
      {"\x0c\x10\x00\x00\x00short"s, "TBinaryReader, invalid string length 16"},
      {"\x0c\xff\xff\xff\xff"s, "TBinaryReader, invalid string length -1"},
      {"\x12\x00\x00\x00\x40"s, "TBinaryReader, invalid string length 1073741824"},
      {"\x06\x05\x61\x62"s, "Stream read error"},  // "ab", three bytes short
      {"\x04\x01\x02"s, "Stream read error"},
      {""s, "Stream read error"}};
  for (const auto& [bytes, message] : cases) {
    TStringStream in(bytes);
    TBinaryReader reader(in);
    ExpectError<EReadError>(
        [&] { reader.NextValue() == vaInt32 ? reader.ReadInteger() : reader.ReadString().size(); }, message);
  }
  TStringStream fits("\x0c\x05\x00\x00\x00short"s);  // exactly the bytes left
  EXPECT_EQ(TBinaryReader(fits).ReadString(), "short");
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
  // Version, begin, the class name once, the list (1, 2, 3), (4, 5, 6), class index 0, the list
  // (-1.5, 0.25, 8), false and the integer 0 for nil, end.
  const std::string golden = test::ReadBytes(test::DataPath("scene/object_list.bin"));
  ASSERT_EQ(golden.size(), 80u);
  TPersistentObjectList list;
  list.LoadFromString(golden);
  ASSERT_EQ(list.Count(), 3);
  const auto* second = dynamic_cast<TAffineVectorList*>(list.Get(1));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->GetItem(0), (TAffineVector{-1.5f, 0.25f, 8}));
  EXPECT_EQ(static_cast<TAffineVectorList*>(list.Get(0))->GetItem(1), (TAffineVector{4, 5, 6}));
  EXPECT_EQ(list.Get(2), nullptr);
  EXPECT_EQ(list.SaveToString(), golden);
}

TEST_F(ArchiveTest, ReadingFreesTheOldItemsFirstAndKeepsWhatWasReadBeforeAFault) {
  const std::string head = "\x02\x00\x01\x06\x08TCounted\x02\x00\x06\x04kept"s;  // one item read fine
  TPersistentObjectList list;
  list.Add(std::make_unique<TCounted>());
  list.Add(std::make_unique<TCounted>());
  list.LoadFromString(head + "\x00"s);
  EXPECT_EQ(TCounted::live, 1);
  EXPECT_EQ(static_cast<TCounted*>(list.Get(0))->text, "kept");
  // A class index beyond the table or negative, a pointer value, an item that starts with a float or
  // a wide string.
  for (const std::string& rest :
       {"\x02\x01"s, "\x02\xff"s, "\x08\x04\x78\x56\x34\x12"s, "\x05"s, "\x12\x01\x00\x00\x00\x41\x00"s}) {
    ExpectError<Exception>([&] { list.LoadFromString(head + rest); }, "Broken ObjectList archive");
    EXPECT_EQ(list.Count(), 1);
  }
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
  // Only persistent objects and nil can be archived.
  list.Add(std::make_unique<TObject>());
  ExpectError<EFilerException>([&] { list.SaveToString(); },
                               "TPersistentObjectList : cannot archive a TObject");
}

TEST_F(ArchiveTest, AssignCopiesThroughTheArchive) {
  TCounted a, b;
  a.text = "original";
  b.Assign(&a);
  EXPECT_EQ(b.text, "original");
  const std::unique_ptr<TPersistentObject> clone = a.CreateClone();
  ASSERT_NE(dynamic_cast<TCounted*>(clone.get()), nullptr);
  EXPECT_EQ(static_cast<TCounted*>(clone.get())->text, "original");
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
  test::TempDir dir;
  s.SaveToFile(dir.File("signed.bin"));
  EXPECT_EQ(test::ReadBytes(dir.File("signed.bin")), saved);
  TSigned back;
  back.LoadFromFile(dir.File("signed.bin"));
  for (const char* wrong : {"ZSIX\x02\x00\x06\x00", "ZS"})
    ExpectError<EInvalidFileSignature>([&] { back.LoadFromString(wrong); }, "Invalid file signature");
  EXPECT_EQ(back.text, "payload");
  ExpectError<EFilerException>([&] { s.RaiseArchiveVersionError(3); }, "TSigned : unknown archive version 3");
}

TEST_F(ArchiveTest, ObjectListOwnsItsItems) {
  TPersistentObjectList list;
  TObject* items[4];
  for (TObject*& item : items) item = list.Get(list.Add(std::make_unique<TCounted>()));
  list.Insert(4, std::make_unique<TCounted>());  // at Count
  list.Insert(0, nullptr);
  EXPECT_EQ(list.IndexOf(items[2]), 3);
  // Remove and Delete free; Extract, Put and Pop hand the item back.
  EXPECT_EQ(list.Remove(items[2]), 3);
  EXPECT_EQ(list.Remove(items[2]), -1);
  list.Delete(0);
  EXPECT_EQ(TCounted::live, 4);
  std::unique_ptr<TObject> extracted = list.Extract(0);
  EXPECT_EQ(extracted.get(), items[0]);
  EXPECT_EQ(list.Put(0, std::move(extracted)).get(), items[1]);  // freed at the end of the statement
  EXPECT_EQ(list.Pop()->ClassName(), std::string("TCounted"));   // so is the popped one
  EXPECT_EQ(TCounted::live, 2);
  for (int index : {-1, 2}) ExpectError<EListError>([&] { list.Put(index, nullptr); }, "Invalid list index");
  ExpectError<EListError>([&] { list.Insert(3, nullptr); }, "Invalid list index");
  // Cutting the count or the capacity frees what is cut off.
  list.SetCount(4);
  EXPECT_EQ(list.Get(3), nullptr);
  list.SetCapacity(1);
  EXPECT_EQ(TCounted::live, 1);
  list.Clear();
  EXPECT_TRUE(list.Capacity() == 0 && TCounted::live == 0);
  EXPECT_EQ(list.Pop(), nullptr);
  for (int i = 0; i < 17; ++i) list.Add(std::make_unique<TCounted>());
  EXPECT_EQ(list.Capacity(), 32);  // grown by 16
  list.FreeItems();                // the slots stay
  EXPECT_EQ(list.Get(16), nullptr);
}

TEST(PersistentObjectList, SortOrdersByTheCompareFunction) {
  TPersistentObjectList list;
  const auto key = [](const TObject* item) { return static_cast<const TSingleList*>(item)->GetItem(0); };
  for (float k : {5.0f, 1.0f, 4.0f, 1.0f, 3.0f, 9.0f, 0.0f}) {
    list.Add(std::make_unique<TSingleList>());
    static_cast<TSingleList*>(list.Get(list.Count() - 1))->Add(k);
  }
  list.Sort(
      [&](const TObject* x, const TObject* y) { return key(x) < key(y) ? -1 : (key(x) > key(y) ? 1 : 0); });
  std::vector<float> sorted;
  for (int i = 0; i < list.Count(); ++i) sorted.push_back(key(list.Get(i)));
  EXPECT_EQ(sorted, (std::vector<float>{0, 1, 1, 3, 4, 5, 9}));
}

TEST(ClassRegistry, NamesOfTheBaseLayer) {
  for (const char* name :
       {"TPersistentObjectList", "TAffineVectorList", "TVectorList", "TTexPointList", "TSingleList"})
    EXPECT_NE(GetClass(name), nullptr) << name;
  for (const char* name : {"TIntegerList", "TByteList", "TQuaternionList", "taffinevectorlist"})
    EXPECT_EQ(GetClass(name), nullptr) << name;
  EXPECT_STREQ(FindClass("TTexPointList")()->ClassName(), "TTexPointList");
  ExpectError<EClassNotFound>([] { FindClass("TMissing"); }, "Class TMissing not found");
}

}  // namespace
}  // namespace zentrova
