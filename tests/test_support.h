// Fixtures shared by the test programs.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/message_sink.h"
#include "platform/settings.h"

namespace zentrova::test {

// Sets the process-wide decimal separator for one test and puts the old one back.
class DecimalSeparatorScope {
 public:
  explicit DecimalSeparatorScope(char separator) : old_(DecimalSeparator()) {
    SetDecimalSeparator(separator);
  }
  ~DecimalSeparatorScope() { SetDecimalSeparator(old_); }
  DecimalSeparatorScope(const DecimalSeparatorScope&) = delete;
  DecimalSeparatorScope& operator=(const DecimalSeparatorScope&) = delete;

 private:
  char old_;
};

// Collects the texts that would go to a message box, installed for its lifetime.
class RecordingMessages : public IMessageSink {
 public:
  RecordingMessages() { previous_ = SetMessageSink(this); }
  RecordingMessages(const RecordingMessages&) = delete;
  RecordingMessages& operator=(const RecordingMessages&) = delete;
  ~RecordingMessages() override { SetMessageSink(previous_); }
  void ShowMessage(const std::string& text) override { texts.push_back(text); }
  std::vector<std::string> texts;

 private:
  IMessageSink* previous_ = nullptr;
};

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
 public:
  TempDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "zentrova-";
    if (info != nullptr) name += std::string(info->test_suite_name()) + "-" + info->name() + "-";
    for (char& c : name) {
      if (c == '/') c = '_';
    }
    std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int i = 0;; ++i) {
      path_ = base / (name + std::to_string(::getpid()) + "-" + std::to_string(i));
      if (std::filesystem::create_directory(path_)) break;
    }
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  // The folder with a trailing "/".
  std::string Path() const { return path_.string() + "/"; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline std::string ReadBytes(const std::string& file_name) {
  std::ifstream in(file_name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& file_name, const std::string& bytes) {
  std::ofstream out(file_name, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// Expects `f` to throw E whose Message() is exactly `message`.
template <typename E, typename F>
void ExpectError(F&& f, const std::string& message) {
  try {
    f();
    FAIL() << "no exception, expected: " << message;
  } catch (const E& e) {
    EXPECT_EQ(e.Message(), message);
  }
}

inline std::string DataPath(const std::string& relative) { return std::string(ZENTROVA_TEST_DATA) + "/" + relative; }

}  // namespace zentrova::test
