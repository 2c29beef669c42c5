#include "engine/model/model_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_test_support.h"
#include "platform/ini_file.h"
#include "platform/settings.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;

// The places the readers add to their messages: the file without its folder, the line when there is one,
// and what stands there; a text that keeps its trailing blank takes no second one.
TEST(ModelText, PlacesFollowTheTextAsASentence) {
  const struct {
    std::string text;
    std::string path;
    std::size_t line;
    std::string what;
    std::string expected;
  } cases[] = {
      {"[Error] No hVector file found.", "/m/000/a.hv", 0, "", "[Error] No hVector file found. File a.hv."},
      {"[Error] Cannot find definition of q in dependent coordinate file.", "m/a.dc", 5, "%%Definition",
       "[Error] Cannot find definition of q in dependent coordinate file. Line 5 of file a.dc: %%Definition."},
      {"[Error] Mechanical energy should be writen in one line only; see .me file. ", "a.me", 1, "a blank line",
       "[Error] Mechanical energy should be writen in one line only; see .me file. Line 1 of file a.me: a blank "
       "line."},
  };
  for (const auto& c : cases) EXPECT_EQ(WithPlace(c.text, c.path, c.line, c.what), c.expected);
  EXPECT_EQ(PlaceOf("sub\\b.bdy", 12), "line 12 of file b.bdy");
  EXPECT_EQ(SentencePlaceOf("b.bdy"), "File b.bdy");
  EXPECT_EQ(AppendSentence("Ends. ", "Next."), "Ends. Next.");
  EXPECT_EQ(AppendSentence("Ends.", "Next."), "Ends. Next.");
}

TEST(ModelText, CountMismatchGivesBothCountsAndWhereNIsGiven) {
  EXPECT_EQ(CountMismatch("/m/a.gc", 4, "line", 3, "line 2 of file a.wld"),
            "File a.gc has 4 lines where numberOfGeneralizedCoodinates gives 3 (line 2 of file a.wld).");
  EXPECT_EQ(CountMismatch("a.mmx", 1, "line", 2, ""), "File a.mmx has 1 line where numberOfGeneralizedCoodinates gives 2.");
  EXPECT_EQ(CountMismatch("a.hv", 0, "line", 1, "the default of file a.wld"),
            "File a.hv has 0 lines where numberOfGeneralizedCoodinates gives 1 (the default of file a.wld).");
}

// Only a "." that the separator in force cannot read is explained, with where the separator was set.
TEST(ModelText, DecimalSeparatorHintOnlyForAPointTheSeparatorCannotRead) {
  SetDecimalSeparatorSource("line 2 of file a.wld");
  SetDecimalSeparator('.');
  EXPECT_EQ(DecimalSeparatorHint("0.5"), "");
  SetDecimalSeparator(',');
  EXPECT_EQ(DecimalSeparatorHint("0,5 x"), "");
  EXPECT_EQ(DecimalSeparatorHint("0.5"),
            " Numbers are read with the decimal separator \",\" that decimalSeparator sets on line 2 of file a.wld.");
  SetDecimalSeparatorSource("");
  EXPECT_EQ(DecimalSeparatorHint("0.5"), " Numbers are read with the decimal separator \",\".");
  SetDecimalSeparator('.');
}

// A quoted text of a few hundred bytes stays whole; a longer one keeps its first 200 bytes, or fewer where
// the 201st would split a UTF-8 sequence, and says how many it left out.
TEST(ModelText, EchoedTextCutsALongTextAndSaysHowMuchIsLeft) {
  const std::string a199(199, 'a');
  const struct {
    std::string text;
    std::string expected;
  } cases[] = {
      {"", ""},
      {"g = 9.81", "g = 9.81"},
      {std::string(200, 'x'), std::string(200, 'x')},
      {std::string(201, 'x'), std::string(200, 'x') + "[... 1 more bytes]"},
      {std::string(4000000, 'x'), std::string(200, 'x') + "[... 3999800 more bytes]"},
      // "\xC3\xA9" (e acute) takes bytes 200 and 201: it goes whole.
      {a199 + "\xC3\xA9" + "b", a199 + "[... 3 more bytes]"},
      // A three-byte sequence whose last byte is the 200th stays.
      {std::string(197, 'a') + "\xE2\x82\xAC" + "cd", std::string(197, 'a') + "\xE2\x82\xAC" + "[... 2 more bytes]"},
  };
  for (const auto& c : cases) EXPECT_EQ(EchoedText(c.text), c.expected) << c.text.size();
}

class SettingsReaderTest : public test::EngineTest {};

// A refused or unreadable value names the key's line; a default that does not fit, given by no line,
// names none.
TEST_F(SettingsReaderTest, MessagesNameTheLineOfTheKey) {
  test::TempDir dir;
  test::WriteBytes(dir.File("b.bdy"), "[Main]\r\n; a comment\r\ndensity=-1\r\n\r\n[Mass properties]\r\nmass=heavy\r\n");
  const TIniFile ini(dir.File("b.bdy"));
  TSettingsReader r(ini, "bdy", dir.File("b.bdy"), log_);
  EXPECT_FALSE(r.Check("Main", "density", r.Float("Main", "density", 0), TValueRule::Positive));
  EXPECT_EQ(r.Float("Mass properties", "mass", 0), 0);
  EXPECT_FALSE(r.Refuse("Main", "thickness", "a finite number above 0", "0"));
  EXPECT_EQ(Logged(), (Strings{"[Error] density in bdy file b.bdy line 3 must be a finite number above 0: -1.",
                               "[Alert] mass in bdy file b.bdy line 6 is not a number: heavy. The default 0 is used.",
                               "[Error] thickness in bdy file b.bdy must be a finite number above 0: 0."}));
}

}  // namespace
}  // namespace zentrova
