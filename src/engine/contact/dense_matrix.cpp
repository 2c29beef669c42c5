#include "engine/contact/dense_matrix.h"

#include <algorithm>
#include <cmath>
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

namespace {

// The columns of b's non-zero elements, row by row: row k's are columns[starts[k]] up to
// columns[starts[k + 1]]. Kept between calls, so that a step's products allocate nothing.
struct TRowNonZeros {
  std::vector<std::uint32_t> starts, columns;
  void Find(const TDenseMatrix& b) {
    starts.resize(static_cast<std::size_t>(b.Rows()) + 1);
    columns.clear();
    for (std::uint32_t k = 0; k < b.Rows(); ++k) {
      starts[k] = static_cast<std::uint32_t>(columns.size());
      const long double* row = b.Row(k);
      for (std::uint32_t c = 0; c < b.Cols(); ++c) {
        if (row[c] != 0) columns.push_back(c);
      }
    }
    starts[b.Rows()] = static_cast<std::uint32_t>(columns.size());
  }
};

// out(r, .) += x times row k of b, over b's non-zeros when x is finite. A sum that starts at +0 never
// becomes -0 (x + -x rounds to +0), so the terms x * 0 = +-0 left out change no bit of it; x not finite
// makes them NaN, and then every column takes its term.
void AddRowMultiple(long double x, const TDenseMatrix& b, std::uint32_t k, const TRowNonZeros& nonzeros,
                    long double* out) {
  const long double* row = b.Row(k);
  if (std::isfinite(x)) {
    for (std::uint32_t i = nonzeros.starts[k]; i < nonzeros.starts[k + 1]; ++i) {
      const std::uint32_t c = nonzeros.columns[i];
      out[c] += x * row[c];
    }
    return;
  }
  for (std::uint32_t c = 0; c < b.Cols(); ++c) out[c] += x * row[c];
}

// out := op(a) . b, op(a)(r, k) being a(r, k), or a(k, r) when `transposed`.
void MultiplyInto(const TDenseMatrix& a, bool transposed, const TDenseMatrix& b, TDenseMatrix& out) {
  const std::uint32_t rows = transposed ? a.Cols() : a.Rows();
  const std::uint32_t inner = transposed ? a.Rows() : a.Cols();
  out.Reset(rows, b.Cols());
  thread_local TRowNonZeros nonzeros;
  nonzeros.Find(b);
  for (std::uint32_t r = 0; r < rows; ++r) {
    for (std::uint32_t k = 0; k < inner; ++k) {
      const long double x = transposed ? a(k, r) : a(r, k);
      if (x != 0) AddRowMultiple(x, b, k, nonzeros, out.Row(r));
    }
  }
}

}  // namespace

void Multiply(const TDenseMatrix& a, const TDenseMatrix& b, TDenseMatrix& out) {
  if (a.Cols() != b.Rows()) throw EListError("Multiply: the inner dimensions differ");
  MultiplyInto(a, false, b, out);
}

void MultiplyTransposed(const TDenseMatrix& a, const TDenseMatrix& b, TDenseMatrix& out) {
  if (a.Rows() != b.Rows()) throw EListError("MultiplyTransposed: the inner dimensions differ");
  MultiplyInto(a, true, b, out);
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
