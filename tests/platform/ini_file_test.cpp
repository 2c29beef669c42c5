#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/settings.h"
#include "test_support.h"

namespace zentrova {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

const char* kIni =
    "; a model file\r\n"
    "[Main]\r\n"
    "count = 12\r\n"
    "hex=$1F\r\n"
    "hex2 = 0x1F\r\n"
    "flag=True\r\n"
    "on=1\r\n"
    "off=0\r\n"
    "name = \"  quoted value \"\r\n"
    "single='x'\r\n"
    "blank=\"\"\r\n"
    "half=\"open\r\n"
    "empty=\r\n"
    "Count=99\r\n"
    "  ; indented comment=5\r\n"
    "real=0.25\r\n"
    "bad=12abc\r\n"
    "\r\n"
    "[Empty]\n"
    "[main]\n"
    "count=100\n"
    "extra=1\n";

TEST(IniFile, ReadsWithProfileSemantics) {
  TempDir dir;
  WriteBytes(dir.File("m.wld"), kIni);
  TIniFile ini(dir.File("m.wld"));
  EXPECT_TRUE(ini.Loaded());
  EXPECT_EQ(ini.ReadInteger("MAIN", "COUNT", 0), 12);  // case-insensitive, first occurrence wins
  EXPECT_EQ(ini.ReadInteger("Main", "missing", -7), -7);
  EXPECT_EQ(ini.ReadInteger("Main", "hex", 0), 31);
  EXPECT_EQ(ini.ReadInteger("Main", "hex2", 0), 31);
  EXPECT_EQ(ini.ReadInteger("Main", "bad", 5), 5);
  EXPECT_EQ(ini.ReadInteger("Main", "empty", 5), 5);
  EXPECT_TRUE(ini.ReadBool("Main", "flag", true));    // "True" is not an integer: the default
  EXPECT_FALSE(ini.ReadBool("Main", "flag", false));
  EXPECT_TRUE(ini.ReadBool("Main", "on", false));
  EXPECT_FALSE(ini.ReadBool("Main", "off", true));
  EXPECT_EQ(ini.ReadString("Main", "name", ""), "  quoted value ");
  EXPECT_EQ(ini.ReadString("Main", "single", ""), "x");
  EXPECT_EQ(ini.ReadString("Main", "blank", "def"), "");  // a pair of quotes alone is an empty value
  EXPECT_EQ(ini.ReadString("Main", "half", ""), "\"open");
  EXPECT_EQ(ini.ReadString("Main", "empty", "def"), "");  // present but empty is not missing
  EXPECT_FALSE(ini.ValueExists("Main", "; indented comment"));
  EXPECT_FALSE(ini.ValueExists("Main", "extra"));  // the later duplicate section is ignored
  EXPECT_TRUE(ini.SectionExists("empty"));          // a header without keys is a section
  EXPECT_FALSE(ini.SectionExists("Bodies"));
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Main", "Empty"}));
  EXPECT_TRUE(ini.ReadSection("Empty").empty());
  const auto keys = ini.ReadSection("Main");
  ASSERT_EQ(keys.size(), 13u);
  EXPECT_EQ(keys.front(), "count");
  EXPECT_EQ(keys.back(), "bad");
}

TEST(IniFile, FloatsFollowTheDecimalSeparator) {
  TempDir dir;
  WriteBytes(dir.File("f.ini"), "[A]\nx=0.25\ny=0,5\n");
  TIniFile ini(dir.File("f.ini"));
  EXPECT_EQ(ini.ReadFloat("A", "x", -1), 0.25L);
  EXPECT_EQ(ini.ReadFloat("A", "y", -1), -1.0L);
  SetDecimalSeparator(',');
  EXPECT_EQ(ini.ReadFloat("A", "x", -1), -1.0L);
  EXPECT_EQ(ini.ReadFloat("A", "y", -1), 0.5L);
  SetDecimalSeparator('.');
}

TEST(IniFile, MissingFileGivesDefaults) {
  TempDir dir;
  TIniFile ini(dir.File("none.ini"));
  EXPECT_FALSE(ini.Loaded());
  EXPECT_EQ(ini.ReadString("Main", "x", "d"), "d");
  EXPECT_FALSE(ini.SectionExists("Main"));
}

TEST(IniFile, WritingKeepsTheRestOfTheFile) {
  TempDir dir;
  const std::string file = dir.File("w.ini");
  WriteBytes(file, "; keep me\n[Main]\nA=1\n; note\nB=2\n\n[Other]\nC=3\n");
  TIniFile ini(file);
  ASSERT_TRUE(ini.WriteString("main", "b", "20"));
  ASSERT_TRUE(ini.WriteInteger("Main", "D", 4));
  ASSERT_TRUE(ini.WriteString("New", "E", "five"));
  EXPECT_EQ(ReadBytes(file),
            "; keep me\r\n[Main]\r\nA=1\r\n; note\r\nb=20\r\nD=4\r\n\r\n[Other]\r\nC=3\r\n\r\n[New]\r\nE=five\r\n");
  TIniFile again(file);
  EXPECT_EQ(again.ReadInteger("Main", "B", 0), 20);
  EXPECT_EQ(again.ReadString("New", "e", ""), "five");
  ASSERT_TRUE(again.DeleteKey("Main", "A"));
  ASSERT_TRUE(again.EraseSection("Other"));
  EXPECT_EQ(ReadBytes(file), "; keep me\r\n[Main]\r\n; note\r\nb=20\r\nD=4\r\n\r\n[New]\r\nE=five\r\n");
}

TEST(IniFile, KeyOfAnEmptySectionFollowsItsHeader) {
  TempDir dir;
  const std::string file = dir.File("e.ini");
  WriteBytes(file, "[Main]\nA=1\n[Empty]\n[Next]\nB=2\n\n");
  TIniFile ini(file);
  ASSERT_TRUE(ini.WriteString("empty", "k", "v"));
  ASSERT_TRUE(ini.WriteString("New", "n", "1"));  // the blank line that ends the file is not doubled
  EXPECT_EQ(ReadBytes(file), "[Main]\r\nA=1\r\n[Empty]\r\nk=v\r\n[Next]\r\nB=2\r\n\r\n[New]\r\nn=1\r\n");
}

// Every look-up answers as a search of the file from its top would: names without regard to case and
// trimmed, the first section of a name and the first key of a name in it, keys of a later section of the
// same name never seen; after a write the answers follow the file as it stands.
TEST(IniFile, LookUpsFindTheFirstOccurrenceOfEachName) {
  TempDir dir;
  const std::string file = dir.File("dup.ini");
  WriteBytes(file,
             "[Main]\nKey=1\nkey=2\n[main]\nkey=3\nother=4\n[ Second ]\n A = x \n[SECOND]\nb=y\n"
             "[Third]\n[second]\na=z\n");
  TIniFile ini(file);
  const struct {
    const char* section;
    const char* key;
    const char* value;  // nullptr: the key is missing
    std::size_t line;
  } cases[] = {{"MAIN", "KEY", "1", 2},   {" main\t", " kEy ", "1", 2}, {"Main", "other", nullptr, 0},
               {"second", "a", "x", 8},   {"Second", "B", nullptr, 0},  {"Third", "a", nullptr, 0},
               {"Fourth", "a", nullptr, 0}, {"Main ", "", nullptr, 0}};
  const auto check = [&](const TIniFile& read, const std::string& when) {
    for (const auto& c : cases) {
      SCOPED_TRACE(when + ": [" + c.section + "] " + c.key);
      EXPECT_EQ(read.ValueExists(c.section, c.key), c.value != nullptr);
      EXPECT_EQ(read.ReadString(c.section, c.key, "-"), c.value != nullptr ? c.value : "-");
      EXPECT_EQ(read.LineOf(c.section, c.key), c.line);
    }
  };
  check(ini, "read");
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Main", "Second", "Third"}));
  EXPECT_EQ(ini.ReadSection("MAIN"), (std::vector<std::string>{"Key"}));
  EXPECT_EQ(std::tuple(ini.SectionExists("third"), ini.SectionExists("fourth")), std::tuple(true, false));

  // Writing to a key that exists changes the first one; the duplicate section keeps its own.
  ASSERT_TRUE(ini.WriteString("MAIN", "KEY", "1"));
  check(ini, "written");
  check(TIniFile(file), "read again");
  // Erased, the first [Main] gives way to the second, whose keys now answer; the sections after it have
  // moved up, and are found where they stand now.
  ASSERT_TRUE(ini.EraseSection("main"));
  EXPECT_EQ(std::tuple(ini.ReadString("Main", "key", "-"), ini.ReadString("Main", "other", "-"),
                       ini.LineOf("MAIN", "Other"), ini.ReadString("second", "a", "-"), ini.LineOf("Second", "A")),
            std::tuple("3", "4", std::size_t{3}, "x", std::size_t{5}));
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"main", "Second", "Third"}));
  ASSERT_TRUE(ini.WriteString("fourth", "a", "w"));
  EXPECT_EQ(std::tuple(ini.ReadString("FOURTH", "A", "-"), ini.ReadSections().back()), std::tuple("w", "fourth"));
}

// A file of a thousand sections, every third one repeated later under another case: each name finds its
// first section.
TEST(IniFile, ManySectionsEachFindTheirFirst) {
  std::vector<std::string> lines;
  for (int i = 0; i < 1000; ++i) {
    lines.push_back("[Body" + std::to_string(i) + "-Body" + std::to_string(i + 1) + "]");
    lines.push_back("n=" + std::to_string(i));
    if (i % 3 == 0) {
      lines.push_back("[BODY" + std::to_string(i) + "-body" + std::to_string(i + 1) + "]");
      lines.push_back("n=-1");
      lines.push_back("m=-1");
    }
  }
  const TIniFile ini("many.ini", lines);
  for (int i = 0; i < 1000; ++i) {
    const std::string section = "body" + std::to_string(i) + "-BODY" + std::to_string(i + 1);
    ASSERT_EQ(std::tuple(ini.ReadInteger(section, "N", -2), ini.ValueExists(section, "m")), std::tuple(i, false))
        << section;
  }
  EXPECT_EQ(ini.ReadSections().size(), 1000u);
  EXPECT_FALSE(ini.SectionExists("Body1000-Body1001"));
}

TEST(IniFile, WriteToUnwritablePlaceFails) {
  TIniFile ini("/nonexistent-folder/x.ini");
  EXPECT_FALSE(ini.WriteString("A", "b", "c"));
}

}  // namespace
}  // namespace zentrova
