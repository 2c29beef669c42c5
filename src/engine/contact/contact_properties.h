// Which pairs of bodies can touch, which body of a pair resists penetration, the pair's contact
// temperature and its four contact coefficients, from the contact properties file (.cop).
//
// The file is an INI file (section and key names without regard to letter case; body names written
// exactly as the body files give them):
//   [name:all]           settings for every pair of this body with any other body
//   [nameA-nameB]        settings for one pair, the two in either order; with sections in both orders the
//                        one that names the lower-index body first is used
// Keys of both: initialTemperature (real, 0), resistingPenetration ("T:T": the first character for the
// first body of the section, the third for the second; "F" does not resist, any other character or a
// missing one resists; in a ":all" section the first is the named body), and the coefficient
// expressions friction, restitutionNormal, restitutionTangent, parameterNi ("0").
//
// A section exists when its header stands in the file, even with no key under it: an empty "[A-B]"
// enables the pair with every default.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/contact/contact_coefficients.h"
#include "numerics/float_list.h"

namespace zentrova {

class TIniFile;

// Pairs of N bodies are numbered row by row, (0,1), (0,2), ... (0,N-1), (1,2), ... (N-2,N-1):
//   k = b + a*N - (a+1)(a+2)/2 for a < b.
std::uint32_t PairCount(std::uint32_t n);
// False, k untouched, when a = b or either index is not below n; the arguments are swapped when a > b.
bool PairIndexOf(std::uint32_t a, std::uint32_t b, std::uint32_t n, std::uint32_t& k);

// How a pair resists penetration. A body that resists has its edges tested against the other body's
// points.
enum TResistingMode : std::int32_t {
  kBothResist = 0,
  kLowerResists = 1,   // only the body with the lower index
  kHigherResists = 2,  // only the body with the higher index
  kNeitherResists = 3  // "F:F": nothing is tested, the pair is not enabled
};

// Whether the lower- or the higher-index body of a pair with this mode has its edges tested.
bool LowerBodyResists(std::int32_t mode);
bool HigherBodyResists(std::int32_t mode);

class TContactProperties {
 public:
  TContactProperties();
  TContactProperties(const TContactProperties&) = delete;
  TContactProperties& operator=(const TContactProperties&) = delete;

  // With fewer than two bodies nothing is read. Otherwise LoadPairs, then the four coefficients in the
  // order Friction, RestitutionNormal, RestitutionTangent, ParameterNi. A missing file is logged (once
  // here, once by every coefficient) and leaves every pair disabled. False after the error line when a
  // line of the file holds a NUL byte or the file holds no section, or when a pair's friction or
  // normal restitution is negative at the start (see CheckCoefficients). A coefficient text that does not
  // compile raises EParserException, its message led by the key's place.
  bool Load(const std::string& FileName, const TContactModel& model);

  bool PairIndex(std::uint32_t a, std::uint32_t b, std::uint32_t& k) const;
  // 1 when the pair is tested for contact; 0 for a disabled or unknown pair.
  std::uint8_t PairEnabled(std::uint32_t a, std::uint32_t b) const;
  // The mode of a resistingPenetration text for a section naming body a first and body b second; false
  // when a = b. Modes 1 and 2 always name the lower- and the higher-index body whichever the section
  // names first, so the swap applies to them alone: "both" stays 0 and "neither" stays 3.
  static bool ParseResisting(std::uint32_t a, std::uint32_t b, const std::string& text, std::int32_t& mode);

  std::uint32_t BodyCount() const { return body_count_; }

  // Declared before the coefficients, which keep a reference to it.
  TFloatList Temperatures;  // per pair, read by the coefficients as "temp"
  TCoefficientOfContact Friction;
  TCoefficientOfContact RestitutionNormal;
  TCoefficientOfContact RestitutionTangent;
  TCoefficientOfContact ParameterNi;
  std::vector<std::uint8_t> Enabled;               // per pair
  std::vector<std::int32_t> ResistingPenetration;  // per pair, a TResistingMode

 private:
  // Every enabled pair's friction and restitutions at the start (vRel = 0): a negative one would turn a
  // blow or a slide into a push and is refused; a restitution above 1 (a blow that adds energy) is allowed
  // with an alert. False after the first refusal's error line.
  bool CheckCoefficients();
  bool LoadPairs(const TIniFile& ini, const TContactModel& model);
  void ReadAllSettings(const TIniFile& ini, const TContactModel& model);
  void ReadPairSettings(const TIniFile& ini, const TContactModel& model);
  void SetPair(const TIniFile& ini, const std::string& section, std::uint32_t a, std::uint32_t b);
  void WarnIfNeitherResists(const TIniFile& ini, const std::string& section);

  std::uint32_t body_count_ = 0;
  ILogSink* log_ = &ProgramLog();  // the model's, from the last Load
};

}  // namespace zentrova
