// Dependent coordinates: body coordinates that are functions of the generalized coordinates and of
// time, read from the dependent coordinates file (.dc) with their Jacobians.
//
// Dependent coordinates file, plain text; a sequence of records, text outside records ignored:
//   %%%new%%%
//   <key of a body coordinate, e.g. b`Link`x[t]>
//   %%definition
//   <position>
//   <velocity>
//   <acceleration>
//   %%J
//   <n lines: the Jacobian vector, q_1 first>
//   %%j
//   <the Jacobian scalar>
// A record starts only where a non-empty line directly follows "%%%new%%%"; the markers compare exactly.
// Only records whose name line carries "[t]" give Jacobians. A file must hold at least one of the two
// markers "%%%new%%%" and "%%definition": one for a model without dependent coordinates is
//   %%%new%%%
//   <an empty line: no name, so no record>
//   %%definition
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/model/expression_list.h"

namespace zentrova {

struct TModelBinding;

class TDependentCoordinates {
 public:
  explicit TDependentCoordinates(const TModelBinding& binding) : Definitions(binding), binding_(binding) {}
  TDependentCoordinates(const TDependentCoordinates&) = delete;
  TDependentCoordinates& operator=(const TDependentCoordinates&) = delete;

  // Reads the records, compiles their definitions, aims the named body coordinates at the computed
  // values and gives the Jacobians to the coordinate links. False after its error lines when the file
  // is missing, holds neither marker or a NUL byte, or is malformed, when a name is no body coordinate,
  // when an expression does not compile, when a dependent Rz is refused, or when a coordinate's
  // Jacobian is missing or has other than n rows. A second record for the same name replaces the first.
  bool Load(const std::string& FileName);
  // Re-evaluates the definitions when they vary.
  void Evaluate();

  // Three values per name: position 3k, velocity 3k+1, acceleration 3k+2. Body coordinates point here.
  TExpressionList Definitions;
  std::vector<std::string> Names;  // file order, without "[t]"

 private:
  struct TDefinitionLine {
    std::string Text;
    std::size_t Number = 0;  // its line of the file, from 1
  };
  bool ReadDefinitions(const std::vector<std::string>& file, std::vector<TDefinitionLine>& definitions);
  bool LinkBodies(const std::vector<TDefinitionLine>& definitions);
  bool ReadJacobians(const std::vector<std::string>& file);

  const TModelBinding& binding_;
  std::string file_name_;  // of the file read last, for the error lines
};

}  // namespace zentrova
