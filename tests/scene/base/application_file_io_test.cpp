#include "scene/base/application_file_io.h"

#include <gtest/gtest.h>

#include <array>

#include "scene/base/gl_utils.h"
#include "scene/base/scene_errors.h"
#include "test_support.h"

namespace zentrova {
namespace {

// A format that reads its whole stream as text and cannot export.
class TTextFile : public TDataFile {
 public:
  using TDataFile::TDataFile;
  const char* ClassName() const override { return "TTextFile"; }
  std::unique_ptr<TDataFile> CreateCopy(TPersistent* owner) const override { return nullptr; }
  void LoadFromStream(TStream& stream) override {
    text.resize(static_cast<std::size_t>(stream.Size()));
    stream.ReadBuffer(text.data(), static_cast<std::int64_t>(text.size()));
  }
  std::string text;
};

TEST(ApplicationFileIO, PlainFilesWithoutHooks) {
  test::TempDir dir;
  const std::string missing = dir.File("missing.dat");
  EXPECT_FALSE(ApplicationFileIODefined());
  EXPECT_FALSE(DataStreamExists(missing));
  test::ExpectError<Exception>([&] { OpenDataStream(missing, fmOpenRead | fmShareDenyWrite); },
                               "File not found: \"" + missing + "\"");
  OpenDataStream(missing, fmCreate)->WriteBuffer("abc", 3);  // creating opens a missing file
  EXPECT_TRUE(DataStreamExists(missing));
  EXPECT_EQ(test::ReadBytes(missing), "abc");
  EXPECT_FALSE(DataStreamExists(dir.Path()));  // a folder is no data stream
}

TEST(ApplicationFileIO, HooksAndTheFileAccessComponentRedirect) {
  SetFileStreamHooks(
      [](const std::string& name, std::uint16_t) { return std::make_unique<TMemoryStream>("hook:" + name); },
      [](const std::string& name) { return name == "virtual"; });
  EXPECT_TRUE(ApplicationFileIODefined() && DataStreamExists("virtual"));
  EXPECT_EQ(ReadStringFile("virtual"), "hook:virtual");
  SetFileStreamHooks(nullptr, nullptr);
  {
    TApplicationFileIO io;
    EXPECT_TRUE(ApplicationFileIODefined());
    io.OnFileStream = [](const std::string& name, std::uint16_t) -> std::unique_ptr<TStream> {
      return name == "packed" ? std::make_unique<TMemoryStream>("from the package") : nullptr;
    };
    io.OnFileStreamExists = [](const std::string& name) { return name == "packed"; };
    EXPECT_EQ(ReadStringFile("packed"), "from the package");
    // The event declines: the file system answers.
    EXPECT_THROW(OpenDataStream("not-packed", fmOpenRead), Exception);
  }
  EXPECT_FALSE(ApplicationFileIODefined());
}

TEST(ApplicationFileIO, DataFileNamesAndExport) {
  test::TempDir dir;
  test::WriteBytes(dir.File("model.txt"), "hello");
  TTextFile file(nullptr);
  file.LoadFromFile(dir.File("model.txt"));
  EXPECT_EQ(file.text, "hello");
  EXPECT_EQ(file.ResourceName(), "model.txt");
  TMemoryStream out;
  try {
    file.SaveToStream(out);
    FAIL() << "no exception";
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Text(), "Export for TTextFile to TMemoryStream not available.");
  }
  EXPECT_THROW(file.SaveToFile(dir.File("out.txt")), EAssertionFailed);
  EXPECT_EQ(file.ResourceName(), "out.txt");
}

TEST(GLUtils, PowersOfTwoStringFilesAndTheSqrtTable) {
  for (auto [n, power] : {std::pair{0, 1}, {1, 1}, {2, 2}, {3, 4}, {64, 64}, {65, 128}, {-5, 1}})
    EXPECT_EQ(NextPowerOfTwo(n), power) << n;
  test::TempDir dir;
  EXPECT_TRUE(ReadStringFile(dir.File("none")).empty() && FileSize64(dir.File("none")) == 0);
  const std::string bytes("a\0b\r\n", 5);
  WriteStringFile(dir.File("s.bin"), bytes);
  EXPECT_EQ(ReadStringFile(dir.File("s.bin")), bytes);
  EXPECT_EQ(FileSize64(dir.File("s.bin")), 5);
  // sqrt(64/255) × 255 = 127.75 is truncated.
  EXPECT_EQ((std::array{SqrtByteTable()[1], SqrtByteTable()[64], SqrtByteTable()[255]}),
            (std::array<std::uint8_t, 3>{15, 127, 255}));
}

TEST(Streams, MemoryAndFileStreams) {
  TMemoryStream m;
  m.WriteBuffer("hello", 5);
  m.SetPosition(1);
  char buf[8] = {};
  EXPECT_EQ(m.Read(buf, 8), 4);
  EXPECT_STREQ(buf, "ello");
  EXPECT_THROW(m.ReadBuffer(buf, 1), EReadError);
  m.Seek(-2, TSeekOrigin::soEnd);
  m.WriteBuffer("LOWORLD", 7);
  EXPECT_EQ(m.DataString(), "helLOWORLD");

  test::TempDir dir;
  test::ExpectError<EFOpenError>(
      [&] { TFileStream(dir.File("absent"), fmOpenRead); },
      "Cannot open file \"" + dir.File("absent") + "\". No such file or directory");
  {
    TFileStream f(dir.File("f"), fmCreate);
    f.WriteBuffer("12345", 5);
    f.SetPosition(1);
    EXPECT_EQ(f.Read(buf, 2), 2);
    f.WriteBuffer("x", 1);  // a write right after a read lands where the read stopped
    EXPECT_EQ(f.Size(), 5);
  }
  EXPECT_EQ(test::ReadBytes(dir.File("f")), "123x5");
}

}  // namespace
}  // namespace zentrova
