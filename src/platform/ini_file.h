// INI profile files with the semantics of the Windows profile functions that model and job files rely on.
//
// - Section and key names compare without regard to letter case; the first occurrence of a section or
//   key wins, later duplicates are ignored. Names are looked up through an index built with the
//   file's lines, so a file of thousands of sections costs no more per look-up than a small one.
// - Names and values are trimmed; a value enclosed in one pair of matching quotes ('…' or "…") loses them.
// - Lines whose first non-blank character is ';' are comments.
// - Integers are decimal, "$hex" or "0xhex"; a missing, empty or malformed value gives the default.
// - Booleans are read as integers (0 = false): "True" is malformed and gives the default.
// - A section exists when its header is present in the file, even with no keys under it.
// - Writing changes only the line of the key (or appends it to its section, or appends the section to
//   the file) and keeps every other line as it was. Files are written with CR LF line ends.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zentrova {

class TIniFile {
 public:
  // Reads the file at once; a missing or unreadable file reads as empty (every key gives its default).
  explicit TIniFile(std::string file_name);
  // The lines of a file read already (a text the caller has decoded); writes go to `file_name`.
  TIniFile(std::string file_name, std::vector<std::string> lines);

  const std::string& FileName() const { return file_name_; }
  bool Loaded() const { return loaded_; }

  bool SectionExists(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& key) const;

  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  std::int32_t ReadInteger(const std::string& section, const std::string& key, std::int32_t def) const;
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;
  // Reals with the process-wide decimal separator; malformed text gives the default.
  long double ReadFloat(const std::string& section, const std::string& key, long double def) const;

  // The keys of a section in file order (first occurrences only), or empty.
  std::vector<std::string> ReadSection(const std::string& section) const;
  // "key=value" of every key of a section, in file order.
  std::vector<std::string> ReadSectionValues(const std::string& section) const;
  // The section names in file order (first occurrences only).
  std::vector<std::string> ReadSections() const;
  // The number (from 1) of the line that gives the key, 0 when the key is missing.
  std::size_t LineOf(const std::string& section, const std::string& key) const;
  // The number (from 1) of the first line that holds a NUL byte, 0 when none does.
  std::size_t FirstLineWithNul() const;

  // Writers update the file on disk at once; they return false when the file could not be written.
  bool WriteString(const std::string& section, const std::string& key, const std::string& value);
  bool WriteInteger(const std::string& section, const std::string& key, std::int32_t value);
  bool WriteBool(const std::string& section, const std::string& key, bool value);
  bool WriteFloat(const std::string& section, const std::string& key, long double value);
  bool EraseSection(const std::string& section);
  bool DeleteKey(const std::string& section, const std::string& key);

 private:
  struct Entry {
    std::string key;
    std::string value;
    std::size_t line;  // index into lines_
  };
  // Names hash and compare as SameText compares them; a look-up takes a string_view as it stands.
  struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const;
  };
  struct NameEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };
  // Each name once, with the index of its first occurrence.
  using NameIndex = std::unordered_map<std::string, std::size_t, NameHash, NameEqual>;
  struct Section {
    std::string name;
    std::size_t header_line;
    std::vector<Entry> entries;
    NameIndex keys;  // into entries
  };

  void Parse();
  bool Save() const;
  const Section* FindSection(const std::string& name) const;
  const Entry* FindEntry(const std::string& section, const std::string& key) const;

  std::string file_name_;
  bool loaded_ = false;
  std::vector<std::string> lines_;
  std::vector<Section> sections_;
  NameIndex section_index_;  // into sections_
};

}  // namespace zentrova
