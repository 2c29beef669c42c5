// Root of the numerics classes: the identity written into the error record and the text-file header
// that every saved numerics object starts with.
#pragma once

#include <cstdint>
#include <string>

namespace zentrova {

class TTextReader;
class TTextWriter;

class TBase {
 public:
  TBase() = default;
  // Numerics objects are handed around by reference and copied with Assign, which decides what travels.
  TBase(const TBase&) = delete;
  TBase& operator=(const TBase&) = delete;
  virtual ~TBase() = default;

  // Reads what Save wrote from an open file positioned at the object's first line.
  virtual bool InternalLoad(TTextReader& F);
  // Copies ID and ShowErrors: the identity travels with a copy.
  virtual void Assign(const TBase* Source);
  // Same class, same ID, same ShowErrors.
  virtual bool IsEqual(const TBase* Other) const;
  // Creates (or truncates) the file and writes the header; derived levels append their own lines.
  virtual bool Save(const std::string& FileName) const;

  // Records Code and Message under this object's ID.
  void Error(std::int32_t Code, const std::string& Message) const;

  std::int32_t ID = -100;
  bool ShowErrors = false;

 protected:
  // The readers of every level: a token, then the rest of its line, like the runtime's Read + ReadLn.
  static bool ReadIntLine(TTextReader& F, std::int64_t lowest, std::int64_t highest, std::int64_t& value);
  static bool ReadFloatLine(TTextReader& F, long double& value);
  // Opens the file for appending the lines of a derived level.
  static bool OpenForAppend(TTextWriter& writer, const std::string& FileName);
};

}  // namespace zentrova
