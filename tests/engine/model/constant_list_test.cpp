#include "engine/model/constant_list.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/model/model_text.h"
#include "engine_test_support.h"
#include "platform/settings.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;
using Items = std::vector<std::pair<std::string, long double>>;
using ConstantListTest = test::EngineTest;

Items ItemsOf(const TConstantList& list) {
  Items items;
  for (const auto& c : list) items.emplace_back(c.Name, c.Value);
  return items;
}

TEST_F(ConstantListTest, ReadsNamesAndValuesInFileOrder) {
  TConstantList list;
  ASSERT_TRUE(list.Load(Data("constants/model.cns")));
  // Blanks anywhere in the line go first (in the value too); the whole value text counts, so a long
  // mantissa keeps its exponent; duplicates stay in order.
  const Items::value_type a{"a", 1};
  EXPECT_EQ(
      ItemsOf(list),
      (Items{
          a, a, a, {"m1", 2.5L}, {"big", 1000}, {"l", 1.234e-17L}, {"pendulumLength", -1.5e-3L}, {"a", 7}}));
  EXPECT_TRUE(Logged().empty());
  SetDecimalSeparator(',');
  TConstantList comma;
  ASSERT_TRUE(comma.Load(Data("constants/comma.cns")));
  EXPECT_EQ(ItemsOf(comma), (Items{{"m", 2.5L}, {"k", 1500}}));
}

// A "." that the world's separator makes unreadable: the refusal names where the separator was set.
TEST_F(ConstantListTest, ValueRefusedForTheWorldsSeparatorNamesIt) {
  test::TempDir dir;
  test::WriteBytes(dir.File("c.cns"), "g = 9.81\r\n");
  SetDecimalSeparator(',');
  SetDecimalSeparatorSource("line 2 of file w.wld");
  TConstantList list;
  EXPECT_FALSE(list.Load(dir.File("c.cns")));
  SetDecimalSeparatorSource("");
  EXPECT_EQ(Logged(), Strings{"[Error] Line 1 of constant file c.cns gives g a value that is not a number: 9.81. Numbers "
                              "are read with the decimal separator \",\" that decimalSeparator sets on line 2 of file "
                              "w.wld."});
}

TEST_F(ConstantListTest, RefusedFilesLogTheirLineAndShowTheMessageBox) {
  const struct {
    const char* text;  // nullptr: no file
    const char* line;
    int kept;  // the constants read before the refused line stay
  } cases[] = {
      {nullptr, "[Error] No constant list file found. File c.cns.", 0},
      {"m = 2\r\nk = 12x\r\n",
       "[Error] Line 2 of constant file c.cns gives k a value that is not a number: 12x", 1},
      {"x = NaN\r\n", "[Error] Line 1 of constant file c.cns gives x a value that is not a number: NaN", 0},
      {"m = 2\r\nlength 3\r\n",
       "[Error] Line 2 of constant file c.cns is not of the form name = value: length3", 1},
      {"= 2\r\n", "[Error] Line 1 of constant file c.cns is not of the form name = value: =2", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    SetDecimalSeparatorSource("");
    test::TempDir dir;
    if (c.text != nullptr) test::WriteBytes(dir.File("c.cns"), c.text);
    log_.Clear();
    test::RecordingMessages messages;
    TConstantList list;
    EXPECT_FALSE(list.Load(dir.File("c.cns")));
    EXPECT_EQ(Logged(), Strings{c.line});
    EXPECT_EQ(messages.texts, Strings{"[Error] Cannot read constant file. File c.cns."});
    EXPECT_EQ(list.Count(), c.kept);
  }
}

}  // namespace
}  // namespace zentrova
