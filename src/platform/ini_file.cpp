#include "platform/ini_file.h"

#include "platform/number_text.h"
#include "platform/strings.h"
#include "platform/text_file.h"

namespace zentrova {

namespace {

std::string Unquote(std::string value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Trim without a copy: names are looked up as often as sections are read.
std::string_view TrimmedView(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::size_t TIniFile::NameHash::operator()(std::string_view name) const { return HashText(name); }

bool TIniFile::NameEqual::operator()(std::string_view a, std::string_view b) const { return SameText(a, b); }

TIniFile::TIniFile(std::string file_name) : file_name_(std::move(file_name)) {
  loaded_ = ReadTextLines(file_name_, lines_);
  if (!loaded_) lines_.clear();
  Parse();
}

TIniFile::TIniFile(std::string file_name, std::vector<std::string> lines)
    : file_name_(std::move(file_name)), loaded_(true), lines_(std::move(lines)) {
  Parse();
}

void TIniFile::Parse() {
  sections_.clear();
  section_index_.clear();
  Section* current = nullptr;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const std::string line = Trim(lines_[i]);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      const std::size_t close = line.find(']');
      std::string name = Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
      sections_.push_back(Section{std::move(name), i, {}, {}});
      current = &sections_.back();
      continue;
    }
    if (current == nullptr) continue;  // keys before the first section belong to no section
    const std::size_t eq = line.find('=');
    std::string key = Trim(line.substr(0, eq));
    std::string value = eq == std::string::npos ? std::string() : Unquote(Trim(line.substr(eq + 1)));
    current->entries.push_back(Entry{std::move(key), std::move(value), i});
  }
  // try_emplace keeps the first occurrence of a name.
  for (std::size_t s = 0; s < sections_.size(); ++s) {
    Section& section = sections_[s];
    section_index_.try_emplace(section.name, s);
    for (std::size_t e = 0; e < section.entries.size(); ++e) section.keys.try_emplace(section.entries[e].key, e);
  }
}

const TIniFile::Section* TIniFile::FindSection(const std::string& name) const {
  const auto it = section_index_.find(TrimmedView(name));
  return it != section_index_.end() ? &sections_[it->second] : nullptr;
}

const TIniFile::Entry* TIniFile::FindEntry(const std::string& section, const std::string& key) const {
  // Later sections with the same name are ignored, like their keys.
  const Section* s = FindSection(section);
  if (s == nullptr) return nullptr;
  const auto it = s->keys.find(TrimmedView(key));
  return it != s->keys.end() ? &s->entries[it->second] : nullptr;
}

bool TIniFile::SectionExists(const std::string& section) const { return FindSection(section) != nullptr; }

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
  return FindEntry(section, key) != nullptr;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
  const Entry* e = FindEntry(section, key);
  return e != nullptr ? e->value : def;
}

std::int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key,
                                   std::int32_t def) const {
  const Entry* e = FindEntry(section, key);
  return e != nullptr ? TextToIntDef(e->value, def) : def;
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

long double TIniFile::ReadFloat(const std::string& section, const std::string& key, long double def) const {
  const Entry* e = FindEntry(section, key);
  return e != nullptr ? TextToFloatDef(e->value, def) : def;
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const {
  std::vector<std::string> keys;
  if (const Section* s = FindSection(section)) {
    for (std::size_t e = 0; e < s->entries.size(); ++e) {
      if (s->keys.find(s->entries[e].key)->second == e) keys.push_back(s->entries[e].key);
    }
  }
  return keys;
}

std::vector<std::string> TIniFile::ReadSectionValues(const std::string& section) const {
  std::vector<std::string> values;
  for (const std::string& key : ReadSection(section)) values.push_back(key + "=" + ReadString(section, key, ""));
  return values;
}

std::vector<std::string> TIniFile::ReadSections() const {
  std::vector<std::string> names;
  for (std::size_t s = 0; s < sections_.size(); ++s) {
    if (section_index_.find(sections_[s].name)->second == s) names.push_back(sections_[s].name);
  }
  return names;
}

std::size_t TIniFile::LineOf(const std::string& section, const std::string& key) const {
  const Entry* e = FindEntry(section, key);
  return e != nullptr ? e->line + 1 : 0;
}

std::size_t TIniFile::FirstLineWithNul() const {
  return zentrova::FirstLineWithNul(lines_);
}

bool TIniFile::Save() const { return WriteTextLines(file_name_, lines_); }

bool TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  std::string line = Trim(key);
  line.push_back('=');
  line.append(value);
  if (const Entry* e = FindEntry(section, key)) {
    lines_[e->line] = line;
  } else if (const Section* s = FindSection(section)) {
    // After the last key line of the section (or right after its header when it has none).
    std::size_t at = s->entries.empty() ? s->header_line + 1 : s->entries.back().line + 1;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), line);
  } else {
    if (!lines_.empty() && !Trim(lines_.back()).empty()) lines_.emplace_back();
    std::string header = "[";
    header.append(Trim(section));
    header.push_back(']');
    lines_.push_back(std::move(header));
    lines_.push_back(line);
  }
  Parse();
  return Save();
}

bool TIniFile::WriteInteger(const std::string& section, const std::string& key, std::int32_t value) {
  return WriteString(section, key, IntToText(value));
}

bool TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  return WriteString(section, key, value ? "1" : "0");
}

bool TIniFile::WriteFloat(const std::string& section, const std::string& key, long double value) {
  return WriteString(section, key, FloatToText(value));
}

bool TIniFile::EraseSection(const std::string& section) {
  const Section* s = FindSection(section);
  if (s == nullptr) return true;
  std::size_t end = s + 1 < sections_.data() + sections_.size() ? (s + 1)->header_line : lines_.size();
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(s->header_line),
               lines_.begin() + static_cast<std::ptrdiff_t>(end));
  Parse();
  return Save();
}

bool TIniFile::DeleteKey(const std::string& section, const std::string& key) {
  const Entry* e = FindEntry(section, key);
  if (e == nullptr) return true;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(e->line));
  Parse();
  return Save();
}

}  // namespace zentrova
