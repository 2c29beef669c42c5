// Text files: written with CR LF line ends, read accepting LF or CR LF. A UTF-8 byte-order mark at the
// start of a file is no part of its first line: editors put it there without showing it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace zentrova {

// Reads every line of a file (a trailing CR is stripped from each); false when it cannot be read.
bool ReadTextLines(const std::string& file_name, std::vector<std::string>& lines);
// The number (from 1) of the first line that holds a NUL byte, 0 when none does. Such a line is text
// no editor shows whole: the model readers refuse it rather than read up to the NUL.
std::size_t FirstLineWithNul(const std::vector<std::string>& lines);
// Writes the lines, each followed by CR LF, replacing the file; false on any failure.
bool WriteTextLines(const std::string& file_name, const std::vector<std::string>& lines);

// Splits a line into reals written with "." separated by blanks or tabs; false when a token is not a
// real (the reals before it stay in `values`).
bool ParseFloats(std::string_view line, std::vector<long double>& values);

class TTextWriter {
 public:
  enum class Mode { Create, Append };

  TTextWriter() = default;
  TTextWriter(const TTextWriter&) = delete;
  TTextWriter& operator=(const TTextWriter&) = delete;
  ~TTextWriter();

  // Create truncates or creates the file; Append creates it when missing.
  bool Open(const std::string& file_name, Mode mode);
  bool IsOpen() const { return file_ != nullptr; }
  void Write(std::string_view text);
  void WriteLine(std::string_view text = {});  // text, then CR LF
  bool Flush();
  // Closes the file; false when any write since Open failed.
  bool Close();
  bool Ok() const { return ok_; }

 private:
  std::FILE* file_ = nullptr;
  bool ok_ = false;
};

// Reads a whole text file into memory and hands it out line by line or token by token, like the
// runtime's Read and ReadLn on a text file.
class TTextReader {
 public:
  bool Open(const std::string& file_name);
  void OpenText(std::string text);  // reads from a string instead of a file
  bool Eof() const { return pos_ >= text_.size(); }
  // The rest of the current line (without its line end), moving to the next line; false at the end.
  bool ReadLine(std::string& line);
  // Skips the rest of the current line.
  void SkipLine();
  // Skips blanks, tabs and line ends, then reads up to the next blank, tab or line end.
  bool ReadToken(std::string& token);
  // A token read as a real with "." or as an integer; false when there is none or it is malformed.
  bool ReadFloat(long double& value);
  bool ReadInt(std::int64_t& value);
  // The number (from 1) of the line that holds the end of what was read last (0 before any reading):
  // for messages that name where a token or line stands. Counts the lines up to there on each call.
  std::size_t LastReadLine() const;
  // FirstLineWithNul of the whole text.
  std::size_t FirstLineWithNul() const;

 private:
  std::string text_;
  std::size_t pos_ = 0;
};

}  // namespace zentrova
