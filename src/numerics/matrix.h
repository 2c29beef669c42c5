// Matrices of extended reals stored as lists of row lists: TMatrixArray (row and column editing),
// TMatrix (adds the scalar factor C and the products) and TSqrMatrix (square, with LU decomposition,
// LU solution and inversion).
#pragma once

#include <cstdint>
#include <string>

#include "numerics/base.h"
#include "numerics/float_list.h"

namespace zentrova {

class TIntList;
class TVector;

class TMatrixArray : public TBase {
 public:
  static constexpr std::uint32_t MaxRows = 214748363;
  static constexpr std::uint32_t MaxCols = 214748363;

  TMatrixArray();
  ~TMatrixArray() override;

  std::uint32_t RowCount() const { return row_count_; }
  std::uint32_t ColCount() const { return col_count_; }
  // Row list `Index` (it has exactly ColCount elements), nullptr beyond the last row. Rows are handed
  // out read-only so that nobody resizes one behind the matrix's back; RowData gives writable elements.
  const TFloatList* RowList(std::uint32_t Index) const;
  long double* RowData(std::uint32_t Index) { return Index < row_count_ ? data_[Index]->Data() : nullptr; }
  const long double* RowData(std::uint32_t Index) const {
    return Index < row_count_ ? data_[Index]->Data() : nullptr;
  }

  bool InternalLoad(TTextReader& F) override;
  void Assign(const TBase* Source) override;
  bool IsEqual(const TBase* Other) const override;
  bool Save(const std::string& FileName) const override;

  // 0-based; a row index too large records -601, else a column index too large -602 (getter: 0).
  virtual long double At(std::uint32_t Row, std::uint32_t Col) const;
  virtual void SetAt(std::uint32_t Row, std::uint32_t Col, long double Value);
  // 1-based getter through the virtual At.
  long double El(std::uint32_t Row, std::uint32_t Col) const;

  void Rows(std::uint32_t NewRowCount);
  void Cols(std::uint32_t NewColCount);
  void Clear() { Rows(0); }

  virtual void Zero();
  virtual void SwitchRows(std::uint32_t I, std::uint32_t J);
  virtual void SwitchCols(std::uint32_t I, std::uint32_t J);
  virtual void AddRow(const TFloatList& Row);
  virtual void AddCol(const TFloatList& Col);
  virtual void InsertRow(const TFloatList& Row, std::uint32_t Index);
  virtual void InsertCol(const TFloatList& Col, std::uint32_t Index);
  virtual void DeleteRow(std::uint32_t Index);
  virtual void DeleteCol(std::uint32_t Index);
  virtual void ExtractRow(std::uint32_t Index, TFloatList& Dest) const;
  virtual void ExtractCol(std::uint32_t Index, TFloatList& Dest) const;
  virtual void ExtractSubMatrix(std::uint32_t Row1, std::uint32_t Row2, std::uint32_t Col1,
                                std::uint32_t Col2, TMatrixArray& Dest) const;
  // Appends "Rows = ", "Cols = " and the rows in the chosen form, each element followed by two blanks.
  virtual bool SaveData(const std::string& FileName, int Width, int Decimals) const;

 protected:
  // Gives the matrix its shape without recording anything. On a memory failure it returns false and
  // leaves the matrix as it was: every row list always holds exactly ColCount elements.
  bool Reshape(std::uint32_t NewRowCount, std::uint32_t NewColCount);
  // The extractions without the factor of a TMatrix; true when Dest received the elements.
  bool ExtractRowTo(std::uint32_t Index, TFloatList& Dest) const;
  bool ExtractColTo(std::uint32_t Index, TFloatList& Dest) const;
  bool ExtractSubMatrixTo(std::uint32_t Row1, std::uint32_t Row2, std::uint32_t Col1, std::uint32_t Col2,
                          TMatrixArray& Dest) const;
  // Appends a new row made from `Row` (its copy, sized to ColCount) and moves it to `Index`.
  void PlaceNewRow(const TFloatList& Row, std::uint32_t Index);

  TFloatList** data_ = nullptr;
  std::uint32_t row_count_ = 0;
  std::uint32_t col_count_ = 0;
};

// The matrix's value is C times the stored elements, as for TVector.
class TMatrix : public TMatrixArray {
 public:
  TMatrix() = default;

  bool InternalLoad(TTextReader& F) override;
  void Assign(const TBase* Source) override;
  bool IsEqual(const TBase* Other) const override;
  bool Save(const std::string& FileName) const override;
  long double At(std::uint32_t Row, std::uint32_t Col) const override;
  void SetAt(std::uint32_t Row, std::uint32_t Col, long double Value) override;
  void Zero() override;
  void ExtractRow(std::uint32_t Index, TFloatList& Dest) const override;
  void ExtractCol(std::uint32_t Index, TFloatList& Dest) const override;
  void ExtractSubMatrix(std::uint32_t Row1, std::uint32_t Row2, std::uint32_t Col1, std::uint32_t Col2,
                        TMatrixArray& Dest) const override;
  bool SaveData(const std::string& FileName, int Width, int Decimals) const override;

  // Premultiply: V := this·V; otherwise (a one-row matrix) this := V·this, the outer product.
  bool MultByVector(TVector& V, bool Premultiply);
  // Premultiply: B := this·B; otherwise B := B·this.
  bool MultByMatrix(TMatrix& B, bool Premultiply);

  long double C = 1.0L;
};

class TSqrMatrix : public TMatrix {
 public:
  TSqrMatrix() = default;

  // Makes the matrix N x N, keeping the elements that remain and filling with 0.
  virtual void Dim(std::uint32_t N);

  // Editing that would break squareness is refused.
  void AddRow(const TFloatList& Row) override;
  void AddCol(const TFloatList& Col) override;
  void InsertRow(const TFloatList& Row, std::uint32_t Index) override;
  void InsertCol(const TFloatList& Col, std::uint32_t Index) override;
  void DeleteRow(std::uint32_t Index) override;
  void DeleteCol(std::uint32_t Index) override;

  // In place: L below the diagonal (unit diagonal implied) and U on and above it, of the row-permuted
  // matrix; Indx receives the 0-based pivot row of every column.
  bool LUD(TIntList* Indx, bool& EvenPermutation);
  // Solves LU·x = B with the factors and pivots of LUD; B is replaced by the solution.
  bool LUSolve(const TSqrMatrix* LU, const TIntList* Indx, TFloatList* B) const;
  // Replaces the matrix by its inverse.
  bool LUDInverse();

 private:
  // The decomposition on the row arrays; false with the matrix unchanged when a row is all zeros.
  bool Decompose(std::int32_t* indx, bool& even, long double* scratch);
};

}  // namespace zentrova
