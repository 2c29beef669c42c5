// Variable keys: the letter b, a body's name and a component joined by backquotes, as in b`Arm`Rz for
// the rotation of the body named Arm or b`Arm`m for its mass. Model files use them to name body
// coordinates (generalized and dependent coordinates) and, inside expressions, mass properties.
//
// Components: the coordinates "x", "y", "z", "Rx", "Ry", "Rz" and the mass properties "m", "Jxx",
// "Jyy", "Jzz", "Jxy", "Jxz", "Jyz". Every part compares exactly, letter case included.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zentrova {

struct TModelBinding;
class TBody;
enum class TCoordinateComponent : std::uint8_t;

// The mass properties a key can name, in the order the expression lists substitute them.
inline constexpr std::array<const char*, 7> kMassPropertyNames = {"m",   "Jxx", "Jyy", "Jzz",
                                                                  "Jxy", "Jxz", "Jyz"};

// The value of a body's mass property named like a key's third part; none for any other name.
std::optional<long double> MassPropertyOf(const TBody& body, std::string_view name);

// A short-lived key: create it, fill it, ask it, drop it. It resolves bodies in the name table of the
// binding it was made with; the operations report failure as one log line and change nothing then.
class TKey {
 public:
  explicit TKey(const TModelBinding& binding) : binding_(binding) {}

  // Splits the text at every backquote and appends the parts (possibly empty); an empty text adds none.
  // Always true. The parts of an earlier text stay: clear the key before reusing it.
  bool SetKeyText(std::string_view text);
  void Clear() { parts_.clear(); }

  std::int32_t Count() const { return static_cast<std::int32_t>(parts_.size()); }
  const std::vector<std::string>& Parts() const { return parts_; }
  // Part i, or "" for a part the key does not have.
  const std::string& Part(std::int32_t i) const;
  // The parts joined by "." the way a string list writes its delimited text: a part holding a blank, a
  // control character, a double quote or the "." itself is quoted.
  std::string DelimitedText() const;

  // Ties the body coordinate named by the key to generalized coordinate i: its position, velocity and
  // acceleration read element i of the working q, q', q'' lists. False without a message when part 0
  // is not "b" (the name is no body key).
  bool LinkBodyCoordinates(std::uint32_t i);
  // Element i of the working q, q', q'' := the coordinate's own position, velocity and acceleration
  // (the start values of the body file, and 0).
  bool CopyStartValues(std::uint32_t i);
  // The body's mass property named by the key.
  bool LinkMassProperty(long double& value) const;

  // The body named by part 1 when part 0 is "b"; nullptr otherwise (`is_key` tells which failed).
  TBody* FindBody(bool& is_key) const;
  // The body coordinate that part 2 names; none, after "[Error] Body position pointer of <the delimited
  // text> was not set: <part 2> is none of x, y, z, Rx, Ry, Rz[ in <place>].", when it names none.
  std::optional<TCoordinateComponent> CoordinateComponent() const;

  const TModelBinding& Binding() const { return binding_; }

  // Where the key was written ("generalized coordinates file box.gc line 3"): the messages of a body or a
  // coordinate that is not found end with it.
  void SetPlace(std::string place) { place_ = std::move(place); }

 private:
  // " in <place>" when the place is known, else "".
  std::string InPlace() const;
  // The names of the world's bodies, a body file that names none shown as such.
  std::string BodyNames() const;

  const TModelBinding& binding_;
  std::vector<std::string> parts_;
  std::string place_;
};

}  // namespace zentrova
