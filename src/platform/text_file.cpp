#include "platform/text_file.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "platform/number_text.h"

namespace zentrova {

bool ReadTextLines(const std::string& file_name, std::vector<std::string>& lines) {
  TTextReader reader;
  if (!reader.Open(file_name)) return false;
  lines.clear();
  std::string line;
  while (reader.ReadLine(line)) lines.push_back(line);
  return true;
}

std::size_t FirstLineWithNul(const std::vector<std::string>& lines) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].find('\0') != std::string::npos) return i + 1;
  }
  return 0;
}

bool WriteTextLines(const std::string& file_name, const std::vector<std::string>& lines) {
  TTextWriter writer;
  if (!writer.Open(file_name, TTextWriter::Mode::Create)) return false;
  for (const std::string& line : lines) writer.WriteLine(line);
  return writer.Close();
}

bool ParseFloats(std::string_view line, std::vector<long double>& values) {
  TTextReader reader;
  reader.OpenText(std::string(line));
  std::string token;
  while (reader.ReadToken(token)) {
    long double v = 0;
    if (!TryTextToFloatDot(token, v)) return false;
    values.push_back(v);
  }
  return true;
}

TTextWriter::~TTextWriter() { Close(); }

bool TTextWriter::Open(const std::string& file_name, Mode mode) {
  Close();
  file_ = std::fopen(file_name.c_str(), mode == Mode::Create ? "wb" : "ab");
  ok_ = file_ != nullptr;
  return ok_;
}

void TTextWriter::Write(std::string_view text) {
  if (file_ == nullptr) {
    ok_ = false;
    return;
  }
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file_) != text.size()) ok_ = false;
}

void TTextWriter::WriteLine(std::string_view text) {
  Write(text);
  Write("\r\n");
}

bool TTextWriter::Flush() {
  if (file_ == nullptr || std::fflush(file_) != 0) ok_ = false;
  return ok_;
}

bool TTextWriter::Close() {
  if (file_ == nullptr) return ok_;
  if (std::fclose(file_) != 0) ok_ = false;
  file_ = nullptr;
  return ok_;
}

bool TTextReader::Open(const std::string& file_name) {
  std::ifstream in(file_name, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) return false;
  text_ = buffer.str();
  pos_ = 0;
  static constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text_.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0) pos_ = kByteOrderMark.size();
  return true;
}

namespace {

// The number (from 1) of the line that holds the character at `offset`.
std::size_t LineOfOffset(const std::string& text, std::size_t offset) {
  const auto end = text.begin() + static_cast<std::ptrdiff_t>(offset);
  return static_cast<std::size_t>(std::count(text.begin(), end, '\n')) + 1;
}

}  // namespace

std::size_t TTextReader::FirstLineWithNul() const {
  const std::size_t nul = text_.find('\0');
  return nul == std::string::npos ? 0 : LineOfOffset(text_, nul);
}

std::size_t TTextReader::LastReadLine() const {
  return pos_ == 0 ? 0 : LineOfOffset(text_, pos_ - 1);
}

void TTextReader::OpenText(std::string text) {
  text_ = std::move(text);
  pos_ = 0;
}

bool TTextReader::ReadLine(std::string& line) {
  if (Eof()) return false;
  std::size_t end = text_.find('\n', pos_);
  if (end == std::string::npos) end = text_.size();
  std::size_t stop = end;
  if (stop > pos_ && text_[stop - 1] == '\r') --stop;
  line.assign(text_, pos_, stop - pos_);
  pos_ = end < text_.size() ? end + 1 : end;
  return true;
}

void TTextReader::SkipLine() {
  std::string ignored;
  ReadLine(ignored);
}

bool TTextReader::ReadToken(std::string& token) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (pos_ < text_.size() && blank(text_[pos_])) ++pos_;
  if (Eof()) return false;
  const std::size_t start = pos_;
  while (pos_ < text_.size() && !blank(text_[pos_])) ++pos_;
  token.assign(text_, start, pos_ - start);
  return true;
}

bool TTextReader::ReadFloat(long double& value) {
  std::string token;
  return ReadToken(token) && TryTextToFloatDot(token, value);
}

bool TTextReader::ReadInt(std::int64_t& value) {
  std::string token;
  return ReadToken(token) && TryTextToInt64(token, value);
}

}  // namespace zentrova
