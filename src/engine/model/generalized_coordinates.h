// The generalized coordinates q_1..q_n of the equations of motion: their names from the generalized
// coordinates file (.gc). Their values live in the world's step state.
//
// Generalized coordinates file, plain text: one name per line in index order (line 1 is q_1), each a
// body-coordinate key such as b`Arm`Rz, optionally marked "[t]". Blanks and tabs are removed from every
// line; every line counts against n, and none may be blank.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zentrova {

struct TModelBinding;

class TGeneralizedCoordinates {
 public:
  // Links and start values come from the binding's bodies, the values live in its state.
  explicit TGeneralizedCoordinates(const TModelBinding& binding) : binding_(binding) {}
  TGeneralizedCoordinates(const TGeneralizedCoordinates&) = delete;
  TGeneralizedCoordinates& operator=(const TGeneralizedCoordinates&) = delete;

  // Count := n, and the binding's state sized to n (new values 0).
  void SetCount(std::uint32_t n);
  // Reads the names, sizes the state to n (SetCount) once the file has n lines, ties each named body
  // coordinate to its generalized coordinate and copies the body file's start values into the working
  // set. False after one error line when
  // - the file is missing: "[Error] No generalized coordinates file found.";
  // - its line count is not n: "[Error] Number of generalized coordinates defined in world file does
  //   not match the generalized coordinates file. ";
  // - a line holds a NUL byte or is blank (its own error line);
  // - a key names a body or a coordinate that does not exist (the key's own error line).
  // A name that is no body key (its first part is not "b") is a coordinate without a body: skipped.
  bool Load(const std::string& FileName, std::uint32_t n);
  // The first name equal to `name` (letter case counts); false leaves `index` unchanged.
  bool IndexOf(const std::string& name, std::uint32_t& index) const;

  std::uint32_t Count = 0;
  std::vector<std::string> Names;  // file order, without blanks, tabs and "[t]"

 private:
  const TModelBinding& binding_;
};

}  // namespace zentrova
