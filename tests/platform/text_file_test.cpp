#include "platform/text_file.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>

#include "platform/paths.h"
#include "test_support.h"

namespace zentrova {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

TEST(TextFile, WritesCrLfAndReadsBothLineEnds) {
  TempDir dir;
  ASSERT_TRUE(WriteTextLines(dir.File("a.txt"), {"one", "", "three"}));
  EXPECT_EQ(ReadBytes(dir.File("a.txt")), "one\r\n\r\nthree\r\n");
  WriteBytes(dir.File("b.txt"), "x\ny\r\nz");
  std::vector<std::string> lines;
  ASSERT_TRUE(ReadTextLines(dir.File("b.txt"), lines));
  EXPECT_EQ(lines, (std::vector<std::string>{"x", "y", "z"}));
  EXPECT_FALSE(ReadTextLines(dir.File("missing.txt"), lines));
}

TEST(TextFile, WriterAppendsAndReportsFailure) {
  TempDir dir;
  TTextWriter w;
  ASSERT_TRUE(w.Open(dir.File("c.txt"), TTextWriter::Mode::Append));
  w.WriteLine("a");
  ASSERT_TRUE(w.Close());
  ASSERT_TRUE(w.Open(dir.File("c.txt"), TTextWriter::Mode::Append));
  w.Write("b ");
  w.WriteLine();
  ASSERT_TRUE(w.Close());
  EXPECT_EQ(ReadBytes(dir.File("c.txt")), "a\r\nb \r\n");
  EXPECT_FALSE(w.Open(dir.File("no/such/folder.txt"), TTextWriter::Mode::Create));
  w.WriteLine("lost");
  EXPECT_FALSE(w.Close());
}

TEST(TextReader, TokensAcrossLinesLikeRead) {
  TTextReader r;
  r.OpenText("  -100 rest of line\r\nfalse\r\n\r\n 1.5E+0000  \t2\n3");
  std::int64_t id = 0;
  ASSERT_TRUE(r.ReadInt(id));
  EXPECT_EQ(id, -100);
  r.SkipLine();
  std::string line;
  ASSERT_TRUE(r.ReadLine(line));
  EXPECT_EQ(line, "false");
  long double a = 0, b = 0, c = 0;
  ASSERT_TRUE(r.ReadFloat(a));  // skips the empty line
  ASSERT_TRUE(r.ReadFloat(b));
  ASSERT_TRUE(r.ReadFloat(c));
  EXPECT_EQ(a, 1.5L);
  EXPECT_EQ(b, 2.0L);
  EXPECT_EQ(c, 3.0L);
  EXPECT_TRUE(r.Eof());
  EXPECT_FALSE(r.ReadFloat(a));
  EXPECT_FALSE(r.ReadLine(line));
}

// The line a message names: where the token or line read last stands, line ends of either kind.
TEST(TextReader, LastReadLineIsWhereTheLastTokenOrLineStands) {
  TTextReader r;
  r.OpenText("a b\r\n\r\n  c\nd\n\ne");
  EXPECT_EQ(r.LastReadLine(), 0u);
  std::string text;
  // The rest of the line of "c" is read as a line of its own.
  const std::pair<bool, std::size_t> steps[] = {{true, 1}, {true, 1}, {true, 3}, {false, 3}, {false, 4}, {true, 6}};
  for (const auto& [token, line] : steps) {
    ASSERT_TRUE(token ? r.ReadToken(text) : r.ReadLine(text));
    EXPECT_EQ(r.LastReadLine(), line) << text;
  }
  EXPECT_EQ(text, "e");
  r.OpenText("x\ny\n");
  ASSERT_TRUE(r.ReadLine(text));
  EXPECT_EQ(r.LastReadLine(), 1u);  // the line end belongs to the line it ends
  ASSERT_TRUE(r.ReadLine(text));
  EXPECT_EQ(r.LastReadLine(), 2u);
}

TEST(TextReader, MalformedTokenFails) {
  TTextReader r;
  r.OpenText("1.0 abc");
  long double v = 0;
  EXPECT_TRUE(r.ReadFloat(v));
  EXPECT_FALSE(r.ReadFloat(v));
}

TEST(ParseFloats, LineOfReals) {
  std::vector<long double> values;
  EXPECT_TRUE(ParseFloats(" 1.0\t-2.5E-0001  Nan ", values));
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(values[1], -0.25L);
  values.clear();
  EXPECT_FALSE(ParseFloats("1 2 x 4", values));
  EXPECT_EQ(values.size(), 2u);
}

TEST(Paths, NamesAndCaseInsensitiveLookup) {
  EXPECT_EQ(ToNativeSeparators("models\\box\\box.wld"), "models/box/box.wld");
  EXPECT_EQ(ExtractFilePath("/a/b/c.wld"), "/a/b/");
  EXPECT_EQ(ExtractFileName("/a/b/c.wld"), "c.wld");
  EXPECT_EQ(ExtractFileExt("/a/b.d/c"), "");
  EXPECT_EQ(ExtractFileExt("c.tar.gz"), ".gz");
  EXPECT_EQ(ChangeFileExt("/a/box.wld", ".cns"), "/a/box.cns");
  EXPECT_EQ(ChangeFileExt("/a/box", ".cns"), "/a/box.cns");
  EXPECT_EQ(ExtractFileBaseName("/a/box.wld"), "box");
  EXPECT_EQ(IncludeTrailingSeparator("/a"), "/a/");
  EXPECT_EQ(JoinPath("/a/", "b"), "/a/b");

  TempDir dir;
  WriteBytes(dir.File("Box.EXS"), "x");
  EXPECT_EQ(FindFile(dir.File("Box.EXS")), dir.File("Box.EXS"));
  EXPECT_EQ(FindFile(dir.File("box.exs")), dir.Path() + "Box.EXS");
  EXPECT_EQ(FindFile(dir.File("other.exs")), "");
  EXPECT_EQ(FileSize(dir.File("Box.EXS")), 1);
  EXPECT_EQ(FileSize(dir.File("none")), -1);
}

TEST(Paths, FoldersCopyDelete) {
  TempDir dir;
  const std::string sub = dir.Path() + "000";
  EXPECT_TRUE(CreateDir(sub));
  EXPECT_FALSE(CreateDir(sub));
  EXPECT_TRUE(DirectoryExists(sub));
  EXPECT_TRUE(ForceDirectories(dir.Path() + "x/y/z"));
  WriteBytes(dir.File("f.txt"), "abc");
  EXPECT_TRUE(CopyFile(dir.File("f.txt"), sub + "/g.txt", true));
  EXPECT_FALSE(CopyFile(dir.File("f.txt"), sub + "/g.txt", true));
  EXPECT_TRUE(CopyFile(dir.File("f.txt"), sub + "/g.txt", false));
  EXPECT_FALSE(CopyFile(dir.File("missing"), sub + "/h.txt", false));
  EXPECT_EQ(ListDirectory(dir.Path(), true), (std::vector<std::string>{"000", "x"}));
  EXPECT_EQ(ListDirectory(dir.Path(), false), (std::vector<std::string>{"f.txt"}));
  EXPECT_FALSE(RemoveDir(sub));  // not empty
  EXPECT_TRUE(DeleteFile(sub + "/g.txt"));
  EXPECT_FALSE(DeleteFile(sub + "/g.txt"));
  EXPECT_TRUE(RemoveDir(sub));
  EXPECT_TRUE(RemoveTree(dir.Path() + "x"));
  EXPECT_FALSE(DirectoryExists(dir.Path() + "x"));
}

}  // namespace
}  // namespace zentrova
