#include "engine/contact/dense_matrix.h"

#include <algorithm>
#include <cstring>

#include "numerics/matrix.h"
#include "platform/exception.h"

namespace zentrova {


void TDenseMatrix::Reset(std::uint32_t rows, std::uint32_t cols) {
  rows_ = rows;
  cols_ = cols;
  // Zeros written as bytes (all bits clear is +0): the solvers reset their matrices every step, and an
  // extended store costs the x87 unit several times an integer one.
  a_.resize(static_cast<std::size_t>(rows) * cols);
  if (!a_.empty()) std::memset(a_.data(), 0, a_.size() * sizeof(long double));
}

void TDenseMatrix::Assign(const TMatrix& m) {
  Reset(m.RowCount(), m.ColCount());
  for (std::uint32_t r = 0; r < rows_; ++r) {
    const long double* row = m.RowData(r);
    for (std::uint32_t c = 0; c < cols_; ++c) (*this)(r, c) = m.C * row[c];
  }
}

bool SameBits(const std::vector<long double>& a, const std::vector<long double>& b) {
  return a.size() == b.size() && SameBits(a.data(), b.data(), a.size());
}

bool SameBits(const TDenseMatrix& a, const TDenseMatrix& b) {
  return a.Rows() == b.Rows() && a.Cols() == b.Cols() &&
         SameBits(a.Data(), b.Data(), static_cast<std::size_t>(a.Rows()) * a.Cols());
}

void Multiply(const TDenseMatrix& a, const TDenseMatrix& b, TDenseMatrix& out) {
  if (a.Cols() != b.Rows()) throw EListError("Multiply: the inner dimensions differ");
  out.Reset(a.Rows(), b.Cols());
  for (std::uint32_t r = 0; r < a.Rows(); ++r) {
    for (std::uint32_t k = 0; k < a.Cols(); ++k) {
      const long double x = a(r, k);
      if (x == 0) continue;
      const long double* row = b.Row(k);
      for (std::uint32_t c = 0; c < b.Cols(); ++c) out(r, c) += x * row[c];
    }
  }
}

void MultiplyTransposed(const TDenseMatrix& a, const TDenseMatrix& b, TDenseMatrix& out) {
  if (a.Rows() != b.Rows()) throw EListError("MultiplyTransposed: the inner dimensions differ");
  out.Reset(a.Cols(), b.Cols());
  for (std::uint32_t r = 0; r < a.Cols(); ++r) {
    for (std::uint32_t k = 0; k < a.Rows(); ++k) {
      const long double x = a(k, r);
      if (x == 0) continue;
      const long double* row = b.Row(k);
      for (std::uint32_t c = 0; c < b.Cols(); ++c) out(r, c) += x * row[c];
    }
  }
}

void Multiply(const TDenseMatrix& a, const std::vector<long double>& v, std::vector<long double>& out) {
  if (v.size() != a.Cols()) throw EListError("Multiply: the vector does not fit the columns");
  out.resize(a.Rows());  // every element is written below
  for (std::uint32_t r = 0; r < a.Rows(); ++r) {
    const long double* row = a.Row(r);
    long double sum = 0;
    for (std::uint32_t c = 0; c < a.Cols(); ++c) sum += row[c] * v[c];
    out[r] = sum;
  }
}

}  // namespace zentrova
