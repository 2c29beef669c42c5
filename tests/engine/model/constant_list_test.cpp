#include "engine/model/constant_list.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine_test_support.h"
#include "platform/settings.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;
using ConstantListTest = test::EngineTest;

std::vector<std::pair<std::string, long double>> Items(const TConstantList& list) {
  std::vector<std::pair<std::string, long double>> items;
  for (const auto& c : list) items.emplace_back(c.Name, c.Value);
  return items;
}

TEST_F(ConstantListTest, ReadsNamesAndValuesInFileOrder) {
  test::RecordingMessages messages;
  TConstantList list;
  ASSERT_TRUE(list.Load(Data("constants/model.cns")));
  const std::vector<std::pair<std::string, long double>> expected{
      {"a", 1},
      {"a", 1},
      {"a", 1},  // blanks anywhere in the line are removed first
      {"m1", 2.5L},
      {"big", 1000},  // in the value too
      // 36 characters of value text: the whole text counts, so the exponent is not lost.
      {"l", 1.234e-17L},
      {"pendulumLength", -1.5e-3L},
      {"a", 7},  // duplicates stay, in order
  };
  EXPECT_EQ(Items(list), expected);
  EXPECT_EQ(list.Count(), 8);
  EXPECT_EQ(list.Items(3).Name, "m1");
  EXPECT_TRUE(Logged().empty());
  EXPECT_TRUE(messages.texts.empty());
}

TEST_F(ConstantListTest, OnlyEmptyLinesGiveAnEmptyList) {
  TConstantList list;
  EXPECT_TRUE(list.Load(Data("constants/empty_lines.cns")));
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(ConstantListTest, ValuesFollowTheDecimalSeparator) {
  SetDecimalSeparator(',');
  TConstantList list;
  ASSERT_TRUE(list.Load(Data("constants/comma.cns")));
  EXPECT_EQ(Items(list), (std::vector<std::pair<std::string, long double>>{{"m", 2.5L}, {"k", 1500}}));
}

TEST_F(ConstantListTest, MissingFileLogsAndShowsTheMessageBox) {
  test::RecordingMessages messages;
  TConstantList list;
  EXPECT_FALSE(list.Load(Data("constants/nothere.cns")));
  EXPECT_EQ(Logged(), Strings{"[Error] No constant list file found."});
  EXPECT_EQ(messages.texts, Strings{"[Error] Cannot read constant file."});

  EXPECT_FALSE(list.ReadConstantFile(Data("constants/nothere.cns")));  // the reader alone shows no box
  EXPECT_EQ(messages.texts.size(), 1u);
}

TEST_F(ConstantListTest, MalformedLinesFailTheLoadWithoutAnException) {
  struct Case {
    const char* file;
    const char* line;
    int kept;
  };
  const Case cases[] = {
      {"constants/bad_value.cns",
       "[Error] Line 2 of constant file bad_value.cns gives k a value that is not a number: 12x", 1},
      {"constants/no_equals.cns",
       "[Error] Line 2 of constant file no_equals.cns is not of the form name = value: length3", 1},
      {"constants/no_name.cns",
       "[Error] Line 1 of constant file no_name.cns is not of the form name = value: =2", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TLog log;
    TLog* const fixture_log = SetGlobalLog(&log);
    test::RecordingMessages messages;
    TConstantList list;
    EXPECT_FALSE(list.Load(Data(c.file)));
    SetGlobalLog(fixture_log);
    EXPECT_EQ(log.Lines(), Strings{c.line});
    EXPECT_EQ(messages.texts, Strings{"[Error] Cannot read constant file."});
    EXPECT_EQ(list.Count(), c.kept);  // the constants before the line stay
  }
}

TEST_F(ConstantListTest, NonFiniteValuesAreRefused) {
  test::TempDir dir;
  test::WriteBytes(dir.File("n.cns"), "x = NaN\r\n");
  TConstantList list;
  EXPECT_FALSE(list.ReadConstantFile(dir.File("n.cns")));
  EXPECT_EQ(Logged(),
            Strings{"[Error] Line 1 of constant file n.cns gives x a value that is not a number: NaN"});
}

TEST_F(ConstantListTest, TabsStayInTheName) {
  test::TempDir dir;
  test::WriteBytes(dir.File("t.cns"), "k\t= 3\r\n");
  TConstantList list;
  ASSERT_TRUE(list.ReadConstantFile(dir.File("t.cns")));
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Items(0).Name, "k\t");
  EXPECT_EQ(list.Items(0).Value, 3);
}

}  // namespace
}  // namespace zentrova
