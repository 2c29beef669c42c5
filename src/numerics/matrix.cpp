#include "numerics/matrix.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "numerics/allocation.h"
#include "numerics/float_list.h"
#include "numerics/int_list.h"
#include "numerics/numerics_error.h"
#include "platform/number_text.h"
#include "platform/text_file.h"

namespace zentrova {

namespace {

// Row and column editing stop while the record holds a resize error of a matrix, also one left by an
// earlier operation, as the lists' Add does.
bool MatrixResizeErrorStands() {
  const std::int32_t code = NumericsErrorCode();
  return code >= -608 && code <= -605;
}

// The editing limits on rows come from the integer lists' limit, not from Rows.
constexpr std::uint32_t kEditRowLimit = 536870910;

}  // namespace

// ---------------------------------------------------------------------------------------------------
// TMatrixArray

TMatrixArray::TMatrixArray() {
  ID = -600;
}

TMatrixArray::~TMatrixArray() {
  Reshape(0, col_count_);
}

const TFloatList* TMatrixArray::RowList(std::uint32_t Index) const {
  return Index < row_count_ ? data_[Index] : nullptr;
}

bool TMatrixArray::Reshape(std::uint32_t NewRowCount, std::uint32_t NewColCount) {
  if (NewRowCount == row_count_ && NewColCount == col_count_) return true;
  const std::uint32_t old_rows = row_count_;
  const std::uint32_t old_cols = col_count_;
  const std::uint32_t kept = std::min(old_rows, NewRowCount);
  constexpr std::size_t kPointer = sizeof(data_[0]);  // NOLINT(bugprone-sizeof-expression): row pointers
  // Everything that can fail comes first, so that a failure can be undone by shrinking alone.
  if (NewRowCount > old_rows) {
    void* block =
        NumericsRealloc(data_, std::size_t{old_rows} * kPointer, std::size_t{NewRowCount} * kPointer);
    if (block == nullptr) return false;
    data_ = static_cast<TFloatList**>(block);
    for (std::uint32_t i = old_rows; i < NewRowCount; ++i) {
      TFloatList* row = NumericsAllocationAllowed() ? new (std::nothrow) TFloatList : nullptr;
      if (row == nullptr || !row->Resize(NewColCount)) {
        delete row;
        for (std::uint32_t k = old_rows; k < i; ++k) delete data_[k];
        return false;
      }
      data_[i] = row;
    }
  }
  if (NewColCount > old_cols) {
    for (std::uint32_t i = 0; i < kept; ++i) {
      if (!data_[i]->Resize(NewColCount)) {
        for (std::uint32_t k = 0; k < i; ++k) data_[k]->Resize(old_cols);
        for (std::uint32_t k = old_rows; k < NewRowCount; ++k) delete data_[k];
        return false;
      }
    }
  } else if (NewColCount < old_cols) {
    for (std::uint32_t i = 0; i < kept; ++i) data_[i]->Resize(NewColCount);
  }
  if (NewRowCount < old_rows) {
    for (std::uint32_t i = NewRowCount; i < old_rows; ++i) delete data_[i];
    data_ = static_cast<TFloatList**>(
        NumericsRealloc(data_, std::size_t{old_rows} * kPointer, std::size_t{NewRowCount} * kPointer));
  }
  row_count_ = NewRowCount;
  col_count_ = NewColCount;
  return true;
}

void TMatrixArray::Rows(std::uint32_t NewRowCount) {
  if (NewRowCount == row_count_) return;
  if (NewRowCount > MaxRows) {
    Error(-605, "TMatrixArray.Rows: Rows too big");
    return;
  }
  if (!Reshape(NewRowCount, col_count_)) Error(-606, "TMatrixArray.Rows: Out of memory");
}

void TMatrixArray::Cols(std::uint32_t NewColCount) {
  if (NewColCount == col_count_) return;
  if (NewColCount > MaxCols) {
    Error(-607, "TMatrixArray.Cols: Cols too big");
    return;
  }
  if (!Reshape(row_count_, NewColCount)) Error(-608, "TMatrixArray.Cols: Out of memory");
}

long double TMatrixArray::At(std::uint32_t Row, std::uint32_t Col) const {
  if (Row >= row_count_) {
    Error(-601, "TMatrixArray.At: Row index out of bounds");
    return 0;
  }
  if (Col >= col_count_) {
    Error(-602, "TMatrixArray.At: Col index out of bounds");
    return 0;
  }
  return data_[Row]->data_[Col];
}

void TMatrixArray::SetAt(std::uint32_t Row, std::uint32_t Col, long double Value) {
  if (Row >= row_count_) {
    Error(-601, "TMatrixArray.At: Row index out of bounds");
    return;
  }
  if (Col >= col_count_) {
    Error(-602, "TMatrixArray.At: Col index out of bounds");
    return;
  }
  data_[Row]->data_[Col] = Value;
}

long double TMatrixArray::El(std::uint32_t Row, std::uint32_t Col) const {
  if (Row == 0) {
    Error(-603, "TMatrixArray.El: Row index out of bounds");
    return 0;
  }
  if (Col == 0) {
    Error(-604, "TMatrixArray.El: Col index out of bounds");
    return 0;
  }
  return At(Row - 1, Col - 1);
}

void TMatrixArray::Zero() {
  for (std::uint32_t i = 0; i < row_count_; ++i) data_[i]->Zero();
}

void TMatrixArray::SwitchRows(std::uint32_t I, std::uint32_t J) {
  if (I == J) return;
  if (I >= row_count_ || J >= row_count_) {
    Error(-610, "TMatrixArray.SwitchRows: Index out of bounds");
    return;
  }
  std::swap(data_[I], data_[J]);
}

void TMatrixArray::SwitchCols(std::uint32_t I, std::uint32_t J) {
  if (I == J) return;
  if (I >= col_count_ || J >= col_count_) {
    Error(-611, "TMatrixArray.SwitchCols: Index out of bounds");
    return;
  }
  for (std::uint32_t r = 0; r < row_count_; ++r) std::swap(data_[r]->data_[I], data_[r]->data_[J]);
}

void TMatrixArray::PlaceNewRow(const TFloatList& Row, std::uint32_t Index) {
  // Tested before as well as after the resize, so that a standing error does not leave a stray row.
  if (MatrixResizeErrorStands()) return;
  const std::uint32_t old_rows = row_count_;
  Rows(old_rows + 1);
  if (MatrixResizeErrorStands() || row_count_ != old_rows + 1) return;
  TFloatList* row = data_[old_rows];
  row->Assign(&Row);  // takes ID and ShowErrors of Row as well
  if (!TFloatList::ResizeErrorStands()) row->Dim(col_count_);
  if (TFloatList::ResizeErrorStands() || row->count_ != col_count_) {
    // The row could not be copied or sized: its resize error stands, and no row of zeros or of the
    // wrong length is left in the matrix.
    Rows(old_rows);
    return;
  }
  for (std::uint32_t i = old_rows; i > Index; --i) data_[i] = data_[i - 1];
  data_[Index] = row;
}

void TMatrixArray::AddRow(const TFloatList& Row) {
  if (row_count_ >= kEditRowLimit) {
    Error(-612, "TMatrixArray.AddRow: Max length of array has already been reached");
    return;
  }
  PlaceNewRow(Row, row_count_);
}

void TMatrixArray::InsertRow(const TFloatList& Row, std::uint32_t Index) {
  if (row_count_ >= kEditRowLimit) {
    Error(-614, "TMatrixArray.InsertRow: Max length of array has already been reached");
    return;
  }
  if (Index > row_count_) {
    Error(-615, "TMatrixArray.InsertRow: Index out of bounds");
    return;
  }
  PlaceNewRow(Row, Index);
}

void TMatrixArray::AddCol(const TFloatList& Col) {
  if (col_count_ >= MaxCols) {
    Error(-613, "TMatrixArray.AddCol: Max length of array has already been reached");
    return;
  }
  if (MatrixResizeErrorStands()) return;
  const std::uint32_t old_cols = col_count_;
  Cols(old_cols + 1);
  if (MatrixResizeErrorStands() || col_count_ != old_cols + 1) return;
  // Col is read after the resize: it may be one of this matrix's rows.
  const std::uint32_t n = std::min(row_count_, Col.count_);
  for (std::uint32_t i = 0; i < n; ++i) data_[i]->data_[old_cols] = Col.data_[i];
}

void TMatrixArray::InsertCol(const TFloatList& Col, std::uint32_t Index) {
  if (col_count_ >= MaxCols) {
    Error(-616, "TMatrixArray.InsertCol: Max length of array has already been reached");
    return;
  }
  if (Index > col_count_) {
    Error(-617, "TMatrixArray.InsertCol: Index out of bounds");
    return;
  }
  if (MatrixResizeErrorStands()) return;
  const std::uint32_t old_cols = col_count_;
  Cols(old_cols + 1);
  if (MatrixResizeErrorStands() || col_count_ != old_cols + 1) return;
  for (std::uint32_t r = 0; r < row_count_; ++r) {
    long double* row = data_[r]->data_;
    std::memmove(row + Index + 1, row + Index, std::size_t{old_cols - Index} * sizeof(long double));
  }
  // Rows beyond Col's count keep at Index what stood there before (now also at Index + 1).
  const std::uint32_t n = std::min(row_count_, Col.count_);
  for (std::uint32_t i = 0; i < n; ++i) data_[i]->data_[Index] = Col.data_[i];
}

void TMatrixArray::DeleteRow(std::uint32_t Index) {
  if (row_count_ == 0 || Index >= row_count_) {
    Error(-618, "TMatrixArray.DeleteRow: Index out of bounds");
    return;
  }
  TFloatList* row = data_[Index];
  for (std::uint32_t i = Index; i + 1 < row_count_; ++i) data_[i] = data_[i + 1];
  data_[row_count_ - 1] = row;
  Rows(row_count_ - 1);
}

void TMatrixArray::DeleteCol(std::uint32_t Index) {
  if (row_count_ == 0 || Index >= col_count_) {
    Error(-619, "TMatrixArray.DeleteCol: Index out of bounds");
    return;
  }
  for (std::uint32_t r = 0; r < row_count_; ++r) {
    long double* row = data_[r]->data_;
    std::memmove(row + Index, row + Index + 1, std::size_t{col_count_ - Index - 1} * sizeof(long double));
  }
  Cols(col_count_ - 1);
}

bool TMatrixArray::ExtractRowTo(std::uint32_t Index, TFloatList& Dest) const {
  Dest.Dim(col_count_);
  if (row_count_ == 0 || Index >= row_count_) {
    Error(-620, "TMatrixArray.ExtractRow: Index out of bounds");
    return false;
  }
  if (Dest.count_ != col_count_) return false;  // Dest's resize error stands
  if (col_count_ != 0) {
    std::memmove(Dest.data_, data_[Index]->data_, std::size_t{col_count_} * sizeof(long double));
  }
  return true;
}

bool TMatrixArray::ExtractColTo(std::uint32_t Index, TFloatList& Dest) const {
  Dest.Dim(row_count_);
  if (row_count_ == 0) {
    Error(-622, "TMatrixArray.ExtractCol: Index out of bounds");
    return false;
  }
  if (col_count_ == 0) {
    // The column bound ColCount - 1 does not exist: the original arithmetic failure of this case.
    Error(-623, "TMatrixArray.ExtractCol: Out of memory");
    return false;
  }
  if (Index >= col_count_) {
    Error(-622, "TMatrixArray.ExtractCol: Index out of bounds");
    return false;
  }
  if (Dest.count_ != row_count_) return false;
  for (std::uint32_t i = 0; i < row_count_; ++i) Dest.data_[i] = data_[i]->data_[Index];
  return true;
}

bool TMatrixArray::ExtractSubMatrixTo(std::uint32_t Row1, std::uint32_t Row2, std::uint32_t Col1,
                                      std::uint32_t Col2, TMatrixArray& Dest) const {
  if (row_count_ == 0 || Row1 >= row_count_ || Row2 >= row_count_) {
    Error(-624, "TMatrixArray.ExtractSubMatrix: Index out of bounds");
    return false;
  }
  if (col_count_ == 0) {
    Error(-625, "TMatrixArray.ExtractSubMatrix: Out of memory");
    return false;
  }
  if (Col1 >= col_count_ || Col2 >= col_count_ || Row1 > Row2 || Col1 > Col2) {
    Error(-624, "TMatrixArray.ExtractSubMatrix: Index out of bounds");
    return false;
  }
  const std::uint32_t rows = Row2 - Row1 + 1;
  const std::uint32_t cols = Col2 - Col1 + 1;
  // Copied out first: Dest may be this matrix, which the resize below would cut.
  std::vector<long double> block;
  try {
    block.resize(std::size_t{rows} * cols);
  } catch (const std::bad_alloc&) {
    Error(-625, "TMatrixArray.ExtractSubMatrix: Out of memory");
    return false;
  }
  for (std::uint32_t i = 0; i < rows; ++i) {
    std::memcpy(block.data() + std::size_t{i} * cols, data_[Row1 + i]->data_ + Col1,
                cols * sizeof(long double));
  }
  Dest.Rows(rows);
  Dest.Cols(cols);
  if (Dest.row_count_ != rows || Dest.col_count_ != cols) return false;  // Dest's resize error stands
  for (std::uint32_t i = 0; i < rows; ++i) {
    std::memcpy(Dest.data_[i]->data_, block.data() + std::size_t{i} * cols, cols * sizeof(long double));
  }
  return true;
}

void TMatrixArray::ExtractRow(std::uint32_t Index, TFloatList& Dest) const {
  ExtractRowTo(Index, Dest);
}

void TMatrixArray::ExtractCol(std::uint32_t Index, TFloatList& Dest) const {
  ExtractColTo(Index, Dest);
}

void TMatrixArray::ExtractSubMatrix(std::uint32_t Row1, std::uint32_t Row2, std::uint32_t Col1,
                                    std::uint32_t Col2, TMatrixArray& Dest) const {
  ExtractSubMatrixTo(Row1, Row2, Col1, Col2, Dest);
}

void TMatrixArray::Assign(const TBase* Source) {
  TBase::Assign(Source);
  const auto* source = dynamic_cast<const TMatrixArray*>(Source);
  if (source == nullptr || source == this) return;
  // Any error standing in the record stops the copy of the rows; tested before the resize as well,
  // so that the matrix is not reshaped for elements that never come.
  if (NumericsErrorCode() != 0) return;
  Rows(source->row_count_);
  Cols(source->col_count_);
  if (NumericsErrorCode() != 0 || source->row_count_ == 0) return;
  if (col_count_ == 0) return;
  for (std::uint32_t i = 0; i < row_count_; ++i) {
    std::memcpy(data_[i]->data_, source->data_[i]->data_, std::size_t{col_count_} * sizeof(long double));
  }
}

bool TMatrixArray::IsEqual(const TBase* Other) const {
  if (!TBase::IsEqual(Other)) return false;
  const auto* other = dynamic_cast<const TMatrixArray*>(Other);
  if (other == nullptr || other->row_count_ != row_count_ || other->col_count_ != col_count_) return false;
  for (std::uint32_t i = 0; i < row_count_; ++i) {
    const long double* a = data_[i]->data_;
    const long double* b = other->data_[i]->data_;
    for (std::uint32_t j = 0; j < col_count_; ++j) {
      if (!(a[j] == b[j])) return false;
    }
  }
  return true;
}

bool TMatrixArray::Save(const std::string& FileName) const {
  if (!TBase::Save(FileName)) return false;
  TTextWriter writer;
  if (OpenForAppend(writer, FileName)) {
    writer.WriteLine(IntToText(col_count_));
    writer.WriteLine(IntToText(row_count_));
    std::string line;
    for (std::uint32_t i = 0; i < row_count_; ++i) {
      line.clear();
      for (std::uint32_t j = 0; j < col_count_; ++j) {
        if (j != 0) line += "  ";
        line += FloatToSci23(data_[i]->data_[j]);
      }
      writer.WriteLine(line);
    }
    if (writer.Close()) return true;
  }
  Error(-626, "TMatrixArray.Save: Can not access the file");
  return false;
}

bool TMatrixArray::SaveData(const std::string& FileName, int Width, int Decimals) const {
  TTextWriter writer;
  if (OpenForAppend(writer, FileName)) {
    writer.WriteLine("Rows = " + IntToText(row_count_));
    writer.WriteLine("Cols = " + IntToText(col_count_));
    std::string line;
    for (std::uint32_t i = 0; i < row_count_; ++i) {
      line.clear();
      for (std::uint32_t j = 0; j < col_count_; ++j) {
        line += FloatToTextChosen(data_[i]->data_[j], Width, Decimals);
        line += "  ";
      }
      writer.WriteLine(line);
    }
    if (writer.Close()) return true;
  }
  Error(-627, "TMatrixArray.SaveData: Can not access the file");
  return false;
}

bool TMatrixArray::InternalLoad(TTextReader& F) {
  const bool base_ok = TBase::InternalLoad(F);
  bool ok = false;
  try {
    std::int64_t cols = 0;
    std::int64_t rows = 0;
    if (ReadIntLine(F, 0, MaxCols, cols) && ReadIntLine(F, 0, MaxRows, rows)) {
      // Read before sizing the matrix, so that counts a damaged file claims cost no more memory than
      // the file really holds; a row without columns must still have its (empty) line.
      std::vector<long double> values;
      ok = true;
      for (std::int64_t r = 0; r < rows && ok; ++r) {
        if (cols == 0) {
          std::string empty;
          ok = F.ReadLine(empty);
          continue;
        }
        for (std::int64_t c = 0; c < cols && ok; ++c) {
          long double value = 0;
          ok = F.ReadFloat(value);
          if (ok) values.push_back(value);
        }
        F.SkipLine();
      }
      if (ok) {
        Cols(static_cast<std::uint32_t>(cols));
        Rows(static_cast<std::uint32_t>(rows));
        if (row_count_ != rows || col_count_ != cols) return false;  // the resize error stands
        for (std::uint32_t i = 0; i < row_count_ && col_count_ != 0; ++i) {
          std::memcpy(data_[i]->data_, values.data() + std::size_t{i} * col_count_,
                      std::size_t{col_count_} * sizeof(long double));
        }
      }
    }
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  if (!ok) Error(-628, "TMatrixArray.InternalLoad: Error loading the file");
  return base_ok && ok;
}

// ---------------------------------------------------------------------------------------------------
// TMatrix

long double TMatrix::At(std::uint32_t Row, std::uint32_t Col) const {
  if (Row >= row_count_) {
    Error(-701, "TMatrix.At: Row index out of bounds");
    return 0;
  }
  if (Col >= col_count_) {
    Error(-702, "TMatrix.At: Col index out of bounds");
    return 0;
  }
  return data_[Row]->Data()[Col];
}

void TMatrix::SetAt(std::uint32_t Row, std::uint32_t Col, long double Value) {
  if (Row >= row_count_) {
    Error(-701, "TMatrix.At: Row index out of bounds");
    return;
  }
  if (Col >= col_count_) {
    Error(-702, "TMatrix.At: Col index out of bounds");
    return;
  }
  data_[Row]->Data()[Col] = Value;
}

void TMatrix::Zero() {
  TMatrixArray::Zero();
  C = 1.0L;
}

void TMatrix::Assign(const TBase* Source) {
  TMatrixArray::Assign(Source);
  if (const auto* source = dynamic_cast<const TMatrix*>(Source)) C = source->C;
}

bool TMatrix::IsEqual(const TBase* Other) const {
  if (!TMatrixArray::IsEqual(Other)) return false;
  const auto* other = dynamic_cast<const TMatrix*>(Other);
  return other != nullptr && other->C == C;
}

void TMatrix::ExtractRow(std::uint32_t Index, TFloatList& Dest) const {
  if (!ExtractRowTo(Index, Dest)) return;
  if (auto* dest = dynamic_cast<TVector*>(&Dest)) dest->C = C;
}

void TMatrix::ExtractCol(std::uint32_t Index, TFloatList& Dest) const {
  if (!ExtractColTo(Index, Dest)) return;
  if (auto* dest = dynamic_cast<TVector*>(&Dest)) dest->C = C;
}

void TMatrix::ExtractSubMatrix(std::uint32_t Row1, std::uint32_t Row2, std::uint32_t Col1, std::uint32_t Col2,
                               TMatrixArray& Dest) const {
  const long double c = C;  // Dest may be this matrix
  if (!ExtractSubMatrixTo(Row1, Row2, Col1, Col2, Dest)) return;
  if (auto* dest = dynamic_cast<TMatrix*>(&Dest)) dest->C = c;
}

bool TMatrix::Save(const std::string& FileName) const {
  if (!TMatrixArray::Save(FileName)) return false;
  TTextWriter writer;
  if (OpenForAppend(writer, FileName)) {
    writer.WriteLine(FloatToSci23(C));
    if (writer.Close()) return true;
  }
  Error(-705, "TMatrix.Save: Can not access the file");
  return false;
}

bool TMatrix::SaveData(const std::string& FileName, int Width, int Decimals) const {
  TTextWriter writer;
  if (OpenForAppend(writer, FileName)) {
    // The factor always in the 23-character form, whatever form the elements take.
    writer.WriteLine("C = " + FloatToSci23(C));
    if (writer.Close()) return TMatrixArray::SaveData(FileName, Width, Decimals);
  }
  Error(-706, "TMatrix.SaveData: Can not access the file");
  return false;
}

bool TMatrix::InternalLoad(TTextReader& F) {
  const bool matrix_ok = TMatrixArray::InternalLoad(F);
  long double c = 0;
  if (!ReadFloatLine(F, c)) {
    Error(-704, "TMatrix.InternalLoad: Error loading the file");
    return false;
  }
  C = c;
  return matrix_ok;
}

bool TMatrix::MultByVector(TVector& V, bool Premultiply) {
  if (Premultiply) {
    if (V.Count() != col_count_) {
      Error(-711, "TMatrix.MultByVector: Not compatible");
      return false;
    }
    TVector product;
    product.Dim(row_count_);
    if (product.Count() != row_count_) {
      Error(-710, "TMatrix.MultByVector: Float overflow");
      return false;
    }
    // T = (V.C * C) * (raw rows · raw V): the factors are multiplied once, the elements raw.
    product.C = V.C * C;
    const long double* v = V.Data();
    long double* t = product.Data();
    for (std::uint32_t i = 0; i < row_count_; ++i) {
      const long double* row = data_[i]->Data();
      long double sum = 0;
      for (std::uint32_t j = 0; j < col_count_; ++j) sum = sum + row[j] * v[j];
      t[i] = sum;
    }
    V.Assign(&product);  // V also takes the temporary's ID and ShowErrors
    if (V.C == 0) V.Zero();
    return true;
  }
  if (row_count_ != 1) {
    Error(-711, "TMatrix.MultByVector: Not compatible");
    return false;
  }
  // The outer product V · (this one-row matrix) replaces this matrix.
  TMatrix product;
  product.Rows(V.Count());
  product.Cols(col_count_);
  if (product.RowCount() != V.Count() || product.ColCount() != col_count_) {
    Error(-710, "TMatrix.MultByVector: Float overflow");
    return false;
  }
  product.C = V.C * C;
  const long double* row = data_[0]->Data();
  for (std::uint32_t i = 0; i < V.Count(); ++i) {
    long double* t = product.RowData(i);
    for (std::uint32_t j = 0; j < col_count_; ++j) t[j] = V.Data()[i] * row[j];
  }
  Assign(&product);
  if (C == 0) Zero();
  return true;
}

bool TMatrix::MultByMatrix(TMatrix& B, bool Premultiply) {
  const TMatrix& A = *this;
  const bool compatible = Premultiply ? B.RowCount() == A.ColCount() : B.ColCount() == A.RowCount();
  if (!compatible) {
    Error(-713, "TMatrix.MultByMatrix: Not compatible");
    return false;
  }
  // Premultiply: T = A·B (A.RowCount x B.ColCount); otherwise T = B·A (B.RowCount x A.ColCount).
  const TMatrix& left = Premultiply ? A : B;
  const TMatrix& right = Premultiply ? B : A;
  const std::uint32_t rows = left.RowCount();
  const std::uint32_t cols = right.ColCount();
  const std::uint32_t inner = left.ColCount();
  TMatrix product;
  product.Rows(rows);
  product.Cols(cols);
  if (product.RowCount() != rows || product.ColCount() != cols) return false;  // its resize error stands
  product.C = B.C * A.C;
  if (product.C == 0) {
    product.Zero();
  } else {
    for (std::uint32_t i = 0; i < rows; ++i) {
      for (std::uint32_t j = 0; j < cols; ++j) {
        long double sum = 0;
        for (std::uint32_t k = 0; k < inner; ++k) sum = sum + left.At(i, k) * right.At(k, j);
        product.SetAt(i, j, sum);
      }
    }
  }
  B.Assign(&product);
  return true;
}

// ---------------------------------------------------------------------------------------------------
// TSqrMatrix

namespace {

// Scratch memory of the LU routines: on the stack for the small systems of the engine, on the heap
// beyond. Both ask the allocation seam, so that tests reach the out-of-memory paths at any size.
class Scratch {
 public:
  explicit Scratch(std::size_t bytes) {
    if (!NumericsAllocationAllowed()) return;
    if (bytes <= sizeof(inline_)) {
      block_ = inline_;
    } else {
      block_ = NumericsRealloc(nullptr, 0, bytes);
      on_heap_ = block_ != nullptr;
    }
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  ~Scratch() {
    if (on_heap_) NumericsFree(block_);
  }
  unsigned char* Bytes() const { return static_cast<unsigned char*>(block_); }
  explicit operator bool() const { return block_ != nullptr; }

 private:
  alignas(16) unsigned char inline_[8192];
  void* block_ = nullptr;
  bool on_heap_ = false;
};

// Layout of the scratch of the decomposition: scaling list, column j of U, row pointers; rounded up so
// that what follows it is aligned for extended reals again.
constexpr std::size_t DecomposeScratchBytes(std::uint32_t n) {
  const std::size_t bytes = std::size_t{n} * (2 * sizeof(long double) + sizeof(long double*));
  return (bytes + alignof(long double) - 1) / alignof(long double) * alignof(long double);
}

// The solve of LUSolve through the 1-based element access, for factors, pivots or right-hand sides
// whose sizes do not fit together: every out-of-range access then records its error as it happens.
// An index that the runtime's overflow and range checks would reject ends the solve with false.
bool SolveThroughElements(const TSqrMatrix& LU, const TIntList& Indx, TFloatList& B) {
  const std::int64_t n = LU.RowCount();
  std::int64_t ii = 0;
  for (std::int64_t i = 1; i <= n; ++i) {
    const std::int64_t ip = std::int64_t{Indx.El(static_cast<std::uint32_t>(i))} + 1;
    if (ip < 0 || ip > INT32_MAX) return false;
    long double s = B.El(static_cast<std::uint32_t>(ip));
    B.SetEl(static_cast<std::uint32_t>(ip), B.El(static_cast<std::uint32_t>(i)));
    if (ii != 0) {
      for (std::int64_t j = ii; j <= i - 1; ++j) {
        s -= LU.El(static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(j)) *
             B.El(static_cast<std::uint32_t>(j));
      }
    } else if (s != 0) {
      ii = i;
    }
    B.SetEl(static_cast<std::uint32_t>(i), s);
  }
  for (std::int64_t i = n; i >= 1; --i) {
    const auto row = static_cast<std::uint32_t>(i);
    long double s = B.El(row);
    for (std::int64_t j = i + 1; j <= n; ++j) {
      s -= LU.El(row, static_cast<std::uint32_t>(j)) * B.El(static_cast<std::uint32_t>(j));
    }
    B.SetEl(row, s / LU.El(row, row));
  }
  return true;
}

// Crout's method with implicit scaled partial pivoting, on the leading n x n block:
//   for every column j:  U(i,j) = A(i,j) - sum_{k<i} L(i,k) U(k,j)            for i < j
//                        s_i    = A(i,j) - sum_{k<j} L(i,k) U(k,j)            for i >= j
//   the pivot is the row i >= j with the largest vv[i]·|s_i| (vv[i] = 1 / largest |A(i,.)|, later row
//   on ties), swapped into row j; then L(i,j) = s_i · (1 / U(j,j)) below it.
// Each sum subtracts its terms one by one in ascending k. Independent sums are interleaved four at a
// time for the processor's sake; the order of the operations within each sum is the plain one, so the
// results are those of the element-by-element loops.
template <std::uint32_t kSize>
bool DecomposeRows(TFloatList** rows, std::uint32_t size, std::int32_t* indx, bool& even,
                   long double* scratch) {
  const std::uint32_t n = kSize != 0 ? kSize : size;
  long double* vv = scratch;
  long double* col = scratch + n;
  auto** a = reinterpret_cast<long double**>(scratch + 2 * std::size_t{n});
  for (std::uint32_t i = 0; i < n; ++i) a[i] = rows[i]->Data();

  for (std::uint32_t i = 0; i < n; ++i) {
    long double big = 0;
    for (std::uint32_t j = 0; j < n; ++j) {
      const long double t = std::fabs(a[i][j]);
      if (t > big) big = t;
    }
    if (big == 0) return false;
    vv[i] = 1.0L / big;
  }

  even = true;
  for (std::uint32_t j = 0; j < n; ++j) {
    // Rows above the diagonal: a forward substitution down column j, col[] holding U(0..j-1, j).
    std::uint32_t i = 0;
    for (; i + 4 <= j; i += 4) {
      const long double* r0 = a[i];
      const long double* r1 = a[i + 1];
      const long double* r2 = a[i + 2];
      const long double* r3 = a[i + 3];
      long double s0 = r0[j], s1 = r1[j], s2 = r2[j], s3 = r3[j];
      for (std::uint32_t k = 0; k < i; ++k) {
        const long double c = col[k];
        s0 -= r0[k] * c;
        s1 -= r1[k] * c;
        s2 -= r2[k] * c;
        s3 -= r3[k] * c;
      }
      s1 -= r1[i] * s0;
      s2 -= r2[i] * s0;
      s2 -= r2[i + 1] * s1;
      s3 -= r3[i] * s0;
      s3 -= r3[i + 1] * s1;
      s3 -= r3[i + 2] * s2;
      col[i] = s0;
      col[i + 1] = s1;
      col[i + 2] = s2;
      col[i + 3] = s3;
    }
    for (; i < j; ++i) {
      const long double* r = a[i];
      long double s = r[j];
      for (std::uint32_t k = 0; k < i; ++k) s -= r[k] * col[k];
      col[i] = s;
    }
    for (i = 0; i < j; ++i) a[i][j] = col[i];

    // Rows on and below the diagonal, then the pivot search in row order.
    long double big = 0;
    std::uint32_t imax = j;  // stays j only when every candidate is NaN
    auto candidate = [&](std::uint32_t row, long double s) {
      a[row][j] = s;
      const long double dum = vv[row] * std::fabs(s);
      if (dum >= big) {
        big = dum;
        imax = row;
      }
    };
    i = j;
    for (; i + 4 <= n; i += 4) {
      const long double* r0 = a[i];
      const long double* r1 = a[i + 1];
      const long double* r2 = a[i + 2];
      const long double* r3 = a[i + 3];
      long double s0 = r0[j], s1 = r1[j], s2 = r2[j], s3 = r3[j];
      for (std::uint32_t k = 0; k < j; ++k) {
        const long double c = col[k];
        s0 -= r0[k] * c;
        s1 -= r1[k] * c;
        s2 -= r2[k] * c;
        s3 -= r3[k] * c;
      }
      candidate(i, s0);
      candidate(i + 1, s1);
      candidate(i + 2, s2);
      candidate(i + 3, s3);
    }
    for (; i < n; ++i) {
      const long double* r = a[i];
      long double s = r[j];
      for (std::uint32_t k = 0; k < j; ++k) s -= r[k] * col[k];
      candidate(i, s);
    }

    if (imax != j) {
      std::swap(a[imax], a[j]);
      std::swap(rows[imax], rows[j]);
      even = !even;
      vv[imax] = vv[j];
    }
    indx[j] = static_cast<std::int32_t>(imax);
    // A zero pivot is replaced by a tiny one: a singular matrix without a zero row is not refused.
    if (a[j][j] == 0) a[j][j] = 1e-15L;
    if (j != n - 1) {
      const long double dum = 1.0L / a[j][j];
      for (i = j + 1; i < n; ++i) a[i][j] *= dum;
    }
  }
  return true;
}

// The unit columns through the factors, as LUDInverse describes; z receives the columns indexed by the
// position t of their 1, p maps t back to the column.
template <std::uint32_t kSize>
void InvertFactors(long double* const* a, const std::int32_t* indx, std::uint32_t size, long double* z,
                   std::int32_t* p) {
  const std::uint32_t n = kSize != 0 ? kSize : size;
  for (std::uint32_t k = 0; k < n; ++k) p[k] = static_cast<std::int32_t>(k);
  for (std::uint32_t i = 0; i < n; ++i) std::swap(p[i], p[indx[i]]);

  // Forward: z(i,t) = 0 - sum_{k=t..i-1} L(i,k) z(k,t) for t < i, z(i,i) = 1, z(i,t) = 0 for t > i.
  for (std::uint32_t i = 0; i < n; ++i) {
    long double* zi = z + std::size_t{i} * n;
    const long double* li = a[i];
    std::uint32_t t = 0;
    for (; t + 4 <= i; t += 4) {
      const long double* zt = z + std::size_t{t} * n + t;  // z(t, t)
      long double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
      long double l = li[t];
      s0 -= l * zt[0];
      zt += n;
      l = li[t + 1];
      s0 -= l * zt[0];
      s1 -= l * zt[1];
      zt += n;
      l = li[t + 2];
      s0 -= l * zt[0];
      s1 -= l * zt[1];
      s2 -= l * zt[2];
      for (std::uint32_t k = t + 3; k < i; ++k) {
        zt += n;
        l = li[k];
        s0 -= l * zt[0];
        s1 -= l * zt[1];
        s2 -= l * zt[2];
        s3 -= l * zt[3];
      }
      zi[t] = s0;
      zi[t + 1] = s1;
      zi[t + 2] = s2;
      zi[t + 3] = s3;
    }
    for (; t < i; ++t) {
      long double s = 0;
      for (std::uint32_t k = t; k < i; ++k) s -= li[k] * z[std::size_t{k} * n + t];
      zi[t] = s;
    }
    zi[i] = 1;
    for (t = i + 1; t < n; ++t) zi[t] = 0;
  }

  // Back: x(i,t) = (z(i,t) - sum_{k=i+1..n-1} U(i,k) x(k,t)) / U(i,i), in place, rows upwards.
  for (std::uint32_t i = n; i-- > 0;) {
    long double* xi = z + std::size_t{i} * n;
    const long double* ui = a[i];
    const long double d = ui[i];
    std::uint32_t t = 0;
    for (; t + 4 <= n; t += 4) {
      long double s0 = xi[t], s1 = xi[t + 1], s2 = xi[t + 2], s3 = xi[t + 3];
      const long double* xk = xi + t;
      for (std::uint32_t k = i + 1; k < n; ++k) {
        xk += n;
        const long double u = ui[k];
        s0 -= u * xk[0];
        s1 -= u * xk[1];
        s2 -= u * xk[2];
        s3 -= u * xk[3];
      }
      xi[t] = s0 / d;
      xi[t + 1] = s1 / d;
      xi[t + 2] = s2 / d;
      xi[t + 3] = s3 / d;
    }
    for (; t < n; ++t) {
      long double s = xi[t];
      for (std::uint32_t k = i + 1; k < n; ++k) s -= ui[k] * z[std::size_t{k} * n + t];
      xi[t] = s / d;
    }
  }
}

}  // namespace

void TSqrMatrix::Dim(std::uint32_t N) {
  if (N == col_count_ && N == row_count_) return;
  if (N > MaxRows) {
    Error(-803, "TSqrMatrix.Dim: Dim too big");
    return;
  }
  if (!Reshape(N, N)) Error(-804, "TSqrMatrix.Rows: Out of memory");
}

void TSqrMatrix::AddRow(const TFloatList&) {
  Error(-807, "TSqrMatrix.AddRow: Function call not allowed here");
}

void TSqrMatrix::AddCol(const TFloatList&) {
  Error(-808, "TSqrMatrix.AddCol: Function call not allowed here");
}

void TSqrMatrix::InsertRow(const TFloatList&, std::uint32_t) {
  Error(-809, "TSqrMatrix.InsertRow: Function call not allowed here");
}

void TSqrMatrix::InsertCol(const TFloatList&, std::uint32_t) {
  Error(-810, "TSqrMatrix.InsertCol: Function call not allowed here");
}

void TSqrMatrix::DeleteRow(std::uint32_t) {
  Error(-811, "TSqrMatrix.DeleteRow: Function call not allowed here");
}

void TSqrMatrix::DeleteCol(std::uint32_t) {
  Error(-812, "TSqrMatrix.DeleteCol: Function call not allowed here");
}

bool TSqrMatrix::Decompose(std::int32_t* indx, bool& even, long double* scratch) {
  // The small systems of the engine get the same code with the size known at compile time.
  switch (row_count_) {
    case 2:
      return DecomposeRows<2>(data_, 2, indx, even, scratch);
    case 3:
      return DecomposeRows<3>(data_, 3, indx, even, scratch);
    default:
      return DecomposeRows<0>(data_, row_count_, indx, even, scratch);
  }
}

bool TSqrMatrix::LUD(TIntList* Indx, bool& EvenPermutation) {
  if (Indx == nullptr) {
    Error(-815, "TSqrMatrix.LUD: Nil input");
    return false;
  }
  const std::uint32_t n = row_count_;
  Indx->Dim(n);
  if (Indx->Count() != n) {
    Error(-818, "TSqrMatrix.LUD: Out of memory");
    return false;
  }
  Indx->Zero();
  if (n <= 1) return true;
  if (col_count_ < n) {
    // Refused rather than decomposed with the missing columns read as 0.
    Error(-702, "TMatrix.At: Col index out of bounds");
    return false;
  }
  Scratch scratch(DecomposeScratchBytes(n));
  if (!scratch) {
    Error(-818, "TSqrMatrix.LUD: Out of memory");
    return false;
  }
  bool even = true;
  if (!Decompose(Indx->Data(), even, reinterpret_cast<long double*>(scratch.Bytes()))) {
    Error(-816, "TSqrMatrix.LUD: Singular matrix");
    return false;
  }
  EvenPermutation = even;
  return true;
}

// Forward substitution with the row interchanges, then back substitution:
//   for i = 1..n:  s = B[Indx(i)]; B[Indx(i)] = B[i]; B[i] = s - sum_{j=ii..i-1} LU(i,j) B[j]
//                  (ii = the first i with a non-zero s; before it no sum is formed)
//   for i = n..1:  B[i] = (B[i] - sum_{j=i+1..n} LU(i,j) B[j]) / LU(i,i)
bool TSqrMatrix::LUSolve(const TSqrMatrix* LU, const TIntList* Indx, TFloatList* B) const {
  if (LU == nullptr || Indx == nullptr || B == nullptr) return false;
  const std::uint32_t n = LU->RowCount();
  bool direct = LU->ColCount() >= n && Indx->Count() >= n && B->Count() >= n;
  for (std::uint32_t i = 0; direct && i < n; ++i) {
    const std::int32_t e = Indx->Data()[i];
    direct = e >= 0 && static_cast<std::uint32_t>(e) < B->Count();
  }
  if (!direct) return SolveThroughElements(*LU, *Indx, *B);

  long double* b = B->Data();
  const std::int32_t* indx = Indx->Data();
  bool started = false;
  std::uint32_t ii = 0;
  for (std::uint32_t i = 0; i < n; ++i) {
    const auto ip = static_cast<std::uint32_t>(indx[i]);
    long double s = b[ip];
    b[ip] = b[i];
    if (started) {
      const long double* r = LU->data_[i]->Data();
      for (std::uint32_t k = ii; k < i; ++k) s -= r[k] * b[k];
    } else if (s != 0) {
      started = true;
      ii = i;
    }
    b[i] = s;
  }
  for (std::uint32_t i = n; i-- > 0;) {
    const long double* r = LU->data_[i]->Data();
    long double s = b[i];
    for (std::uint32_t k = i + 1; k < n; ++k) s -= r[k] * b[k];
    b[i] = s / r[i];
  }
  return true;
}

// The inverse solves LU·x = e_c for every unit column c, as LUSolve would, and replaces the matrix by
// the columns. Two observations make it cheap without changing a single operation:
// - the row interchanges only move the 1 of e_c to a position t (a permutation p maps t back to c);
//   the forward substitution then yields 0 above t, 1 at t, and below it sums that start at t. These
//   columns are computed directly, indexed by t, with no terms for the leading zeros (LUSolve skips
//   them too).
// - the back substitutions of all columns run side by side, row by row.
bool TSqrMatrix::LUDInverse() {
  const std::uint32_t n = row_count_;
  if (n == 0 || C == 0) {
    Error(-821, "TSqrMatrix.LUDInverse: Singular matrix");
    return false;
  }
  // The value of the matrix is C·M, its inverse (1/C)·M^-1: the factor is inverted with the elements.
  if (n == 1) {
    const long double x = At(0, 0);
    if (x == 0) {
      Error(-821, "TSqrMatrix.LUDInverse: Singular matrix");
      return false;
    }
    SetAt(0, 0, 1.0L / x);
    C = 1.0L / C;
    return true;
  }
  if (col_count_ < n) {
    Error(-702, "TMatrix.At: Col index out of bounds");
    return false;
  }

  const std::size_t nn = std::size_t{n} * n;
  const std::size_t decompose_bytes = DecomposeScratchBytes(n);
  Scratch scratch(decompose_bytes + nn * sizeof(long double) + 2 * std::size_t{n} * sizeof(std::int32_t));
  if (!scratch) {
    Error(-823, "TSqrMatrix.LUDInverse: Out of memory");
    return false;
  }
  auto* decompose_scratch = reinterpret_cast<long double*>(scratch.Bytes());
  auto* z = reinterpret_cast<long double*>(scratch.Bytes() + decompose_bytes);
  auto* indx = reinterpret_cast<std::int32_t*>(scratch.Bytes() + decompose_bytes + nn * sizeof(long double));
  std::int32_t* p = indx + n;

  bool even = true;
  if (!Decompose(indx, even, decompose_scratch)) {
    Error(-816, "TSqrMatrix.LUD: Singular matrix");
    return false;
  }
  const auto* a = reinterpret_cast<long double* const*>(decompose_scratch + 2 * std::size_t{n});

  switch (n) {
    case 2:
      InvertFactors<2>(a, indx, n, z, p);
      break;
    case 3:
      InvertFactors<3>(a, indx, n, z, p);
      break;
    default:
      InvertFactors<0>(a, indx, n, z, p);
  }

  // The columns replace the matrix as an Assign from a fresh square matrix would: identity and
  // message flag of a new matrix, and no elements while an error stands in the record.
  ID = -600;
  ShowErrors = false;
  C = 1.0L / C;
  if (NumericsErrorCode() != 0) return true;
  if (col_count_ != n) Reshape(n, n);
  for (std::uint32_t i = 0; i < n; ++i) {
    long double* row = data_[i]->Data();
    const long double* xi = z + std::size_t{i} * n;
    for (std::uint32_t t = 0; t < n; ++t) row[p[t]] = xi[t];
  }
  return true;
}

}  // namespace zentrova
