// The mass matrix M(q, t) of M q'' = h(q, q', t), read from the mass matrix file (.mmx).
//
// Mass matrix file, plain text: exactly n lines (blank ones count), line i being row i, laid out the way
// an algebra system prints a matrix: cells separated by three blanks, products as juxtaposition with
// single blanks, e.g. "m1 + m2   m2 l cos[q2]". A line holding "[t]" (any letter case) marks the matrix
// as time-dependent.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/model/expression_list.h"
#include "numerics/matrix.h"

namespace zentrova {

struct TModelBinding;

// The line of a mass matrix that cannot be inverted, at the load and before a step.
inline constexpr const char* kMassMatrixInversionError =
    "[Error] Error in mass matrix inversion (possibly singular).";

// One compiled expression list per row, in row order, and the file's lines as read.
class TMassMatrixExpressionRowList {
 public:
  std::int32_t Count() const { return static_cast<std::int32_t>(items_.size()); }
  TExpressionList& Items(std::int32_t index) { return *items_.at(static_cast<std::size_t>(index)); }
  const TExpressionList& Items(std::int32_t index) const {
    return *items_.at(static_cast<std::size_t>(index));
  }
  void Add(std::unique_ptr<TExpressionList> row) { items_.push_back(std::move(row)); }
  void Clear() { items_.clear(); }

  std::vector<std::string> Lines;

 private:
  std::vector<std::unique_ptr<TExpressionList>> items_;
};

// A row's cells after the file's layout is rewritten: "   " -> ",", " + " -> "+", " - " -> "-",
// " / " -> "/", every other blank -> "*"; then split at "," (control characters end a cell too, a
// trailing "," adds an empty cell, double quotes enclose a cell).
std::vector<std::string> MassMatrixCells(const std::string& line);

class TMassMatrix : public TSqrMatrix {
 public:
  explicit TMassMatrix(const TModelBinding& binding) : binding_(binding) {}
  TMassMatrix(const TMassMatrix&) = delete;
  TMassMatrix& operator=(const TMassMatrix&) = delete;

  // Sizes the matrix to n x n, reads and compiles the rows, evaluates once. False after one error line
  // when the file is missing ("[Error] No mass matrix file found."), does not have n lines ("[Error]
  // Number of rows in mass matrix file does not match the number of generalized coordinates."), or a row
  // does not have n non-empty cells ("[Error] Cannot read mass matrix expression. Check mass matrix
  // file."); a line with a NUL byte, and a row with the imaginary unit, an unknown variable or a cell that
  // does not compile, fail with their own error lines.
  bool Load(const std::string& FileName, std::uint32_t n);
  // Re-evaluates the rows that vary and copies every cell into the matrix.
  void Evaluate();

  TMassMatrixExpressionRowList Rows;
  // Some row mentions the time or a generalized coordinate: the world re-evaluates and re-inverts M
  // before every step.
  bool TimeDependent = false;

 private:
  const TModelBinding& binding_;
};

}  // namespace zentrova
