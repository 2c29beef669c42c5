// What the readers of the model files check before they believe a file: that no line hides text behind
// a NUL byte, and that the numbers of the world and body files are numbers in their range.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "engine/log_sink.h"

namespace zentrova {

class TIniFile;

// "line <n> of file <name>", or "file <name>" when `line` is 0 (unknown, or the fault is the whole
// file's); the file is named without its folder.
std::string PlaceOf(const std::string& path, std::size_t line = 0);
// The same capitalised, to begin a sentence: "Line 3 of file a.bdy", "File a.bdy".
std::string SentencePlaceOf(const std::string& path, std::size_t line = 0);
// `text` followed by its place, capitalised, and by what stands there when given: "<text> Line 3 of file
// a.bdy: <what>." The readers append this to their messages, whose own words stay first; a text that
// ends in a blank takes no second one.
std::string WithPlace(const std::string& text, const std::string& path, std::size_t line = 0,
                      const std::string& what = "");
// `text`, a blank unless it ends in one, and `sentence`.
std::string AppendSentence(const std::string& text, const std::string& sentence);
// The sentence a count that differs from n adds to its message: "File <name> has <count> <unit>[s] where
// numberOfGeneralizedCoodinates gives <n> (<source>)." `source` is where the world file gives n.
std::string CountMismatch(const std::string& path, std::size_t count, const std::string& unit, std::uint32_t n,
                          const std::string& source);

// Where the process's decimal separator was last set ("line 2 of file a.wld"); a world load sets it
// with the separator, as process-wide as the separator itself.
void SetDecimalSeparatorSource(const std::string& source);
// For a number text that could not be read: when it holds a "." while the decimal separator is another
// character, the sentence that says so and where the separator was set; otherwise "". A world file that
// sets "," makes every "." of the body and constants files unreadable, and the message of the file that
// fails must point at the world file's line.
std::string DecimalSeparatorHint(const std::string& text);

// Text of a file that a message quotes: a longer one is cut after kEchoedCharacters and the cut marked
// with how much was left out ("<first bytes>[... 3999800 more bytes]"), so that a line of
// megabytes neither floods stderr nor hides the message's own words. A cut never splits a UTF-8 sequence.
inline constexpr std::size_t kEchoedCharacters = 200;
std::string EchoedText(const std::string& text);

// True when `line` is 0 (no line of the file holds a NUL byte); otherwise false after "[Error] Line
// <line> of file <name> holds a NUL byte." A NUL ends a C string: whatever follows it on the line would
// be dropped or misread without a word.
bool AcceptNulFreeText(std::size_t line, const std::string& path, ILogSink& log);

// What a number of a settings file must be.
enum class TValueRule : std::uint8_t {
  Finite,       // any number but NaN and the infinities
  NotNegative,  // finite and at least 0
  Positive      // finite and above 0
};

// Reads the numbers of one INI file as the profile functions do (a missing or empty key gives the
// default; so does a value that is no number, which is no longer passed over in silence), and checks
// their range. Messages name the key, the file (by `kind`, e.g. "wld", and its name), the key's line
// when the file gives the key, and the value as the file writes it:
//   "[Alert] <key> in <kind> file <name> line <n> is not a number: <text>. The default <default> is used."
//   "[Error] <key> in <kind> file <name> line <n> must be <requirement>: <text>."
// Every refusal is logged, so that one load names every bad value of the file; Ok() tells whether any
// was refused.
class TSettingsReader {
 public:
  // `said`, when given, holds the alerts an earlier reading of the same load has logged (a world file is
  // read twice, the user's and the history's copy): such a line is not logged again, and new ones join it.
  TSettingsReader(const TIniFile& ini, std::string kind, const std::string& path, ILogSink& log,
                  std::set<std::string>* said = nullptr);

  long double Float(const char* section, const char* key, long double def);
  // A whole number that does not fit 32 bits is refused (the default is returned then).
  std::int32_t Integer(const char* section, const char* key, std::int32_t def);
  // An integer, 0 meaning false.
  bool Bool(const char* section, const char* key, bool def);

  // False after the error line when `value`, read from the key, breaks the rule.
  bool Check(const char* section, const char* key, long double value, TValueRule rule);
  // Logs "[Error] <key> in <kind> file <name>[ line <n>] must be <requirement>: <text>." and returns false; the
  // text is `value_text` when the file does not give the key (a default that does not fit the model).
  bool Refuse(const char* section, const char* key, const std::string& requirement,
              const std::string& value_text = "");
  // The key's text as the file writes it, or `fallback` when the file does not give the key.
  std::string Text(const char* section, const char* key, const std::string& fallback) const;

  // Logs an "[Alert] " line unless this load has already said it.
  void Alert(const std::string& line) const;

  bool Ok() const { return ok_; }
  // "<kind> file <name>", as the messages name the file.
  const std::string& FileLabel() const { return label_; }
  // "<key> in <kind> file <name> line <n>", or without the line when the file does not give the key.
  std::string KeyLabel(const char* section, const char* key) const;

 private:
  void NotANumber(const char* section, const char* key, const std::string& text, const std::string& def) const;

  const TIniFile& ini_;
  std::string label_;
  ILogSink& log_;
  std::set<std::string>* said_;
  bool ok_ = true;
};

}  // namespace zentrova
