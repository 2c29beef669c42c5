#include "numerics/matrix.h"

#include <gtest/gtest.h>

#include <vector>

#include "numerics/float_list.h"
#include "numerics/int_list.h"
#include "numerics_test_support.h"
#include "test_support.h"

namespace zentrova {
namespace {

using test::DataPath;
using test::Elements;
using test::Fill;
using test::Get;
using test::LoadText;
using test::NumericsTest;
using test::ReadBytes;
using test::Rows;
using test::Set;
using test::TempDir;

using MatrixTest = NumericsTest;

TEST_F(MatrixTest, ShapeFromRowsAndCols) {
  TMatrixArray m;
  EXPECT_EQ(m.ID, -600);
  EXPECT_EQ(TMatrix().ID, -600);
  EXPECT_EQ(TSqrMatrix().ID, -600);
  EXPECT_EQ(TMatrix().C, 1.0L);
  m.Cols(3);  // no rows yet: only the count
  EXPECT_EQ(m.ColCount(), 3u);
  EXPECT_EQ(m.RowCount(), 0u);
  m.Rows(2);
  EXPECT_EQ(Get(m), (Rows{{0, 0, 0}, {0, 0, 0}}));
  m.SetAt(1, 2, 5);
  m.Cols(4);
  m.Rows(3);
  EXPECT_EQ(Get(m), (Rows{{0, 0, 0, 0}, {0, 0, 5, 0}, {0, 0, 0, 0}}));
  m.Cols(2);
  m.Rows(1);
  EXPECT_EQ(Get(m), (Rows{{0, 0}}));
  EXPECT_EQ(m.RowList(1), nullptr);
  EXPECT_EQ(m.RowData(1), nullptr);
  m.Clear();
  EXPECT_EQ(m.RowCount(), 0u);
  EXPECT_EQ(m.ColCount(), 2u);
  EXPECT_EQ(Code(), 0);

  m.Rows(TMatrixArray::MaxRows + 1);
  ExpectError(-600, -605, "TMatrixArray.Rows: Rows too big");
  m.Cols(TMatrixArray::MaxCols + 1);
  ExpectError(-600, -607, "TMatrixArray.Cols: Cols too big");
}

// Running out of memory half-way leaves the matrix as it was, every row at ColCount elements.
TEST_F(MatrixTest, OutOfMemoryInRowsAndColsUndoesTheHalfDoneResize) {
  TMatrixArray m;
  Set(m, {{1, 2}, {3, 4}, {5, 6}});
  FailNumericsAllocationsAfter(1);  // the first row grows, the second cannot
  m.Cols(5);
  ExpectError(-600, -608, "TMatrixArray.Cols: Out of memory");
  EXPECT_EQ(Get(m), (Rows{{1, 2}, {3, 4}, {5, 6}}));

  FailNumericsAllocationsAfter(4);  // pointer array, one whole new row, then the next row's elements
  m.Rows(6);
  ExpectError(-600, -606, "TMatrixArray.Rows: Out of memory");
  EXPECT_EQ(Get(m), (Rows{{1, 2}, {3, 4}, {5, 6}}));

  FailNumericsAllocationsAfter(0);
  m.Cols(1);  // shrinking needs nothing
  m.Rows(2);
  EXPECT_EQ(Code(), 0);
  EXPECT_EQ(Get(m), (Rows{{1}, {3}}));

  TSqrMatrix s;
  s.Dim(3);
  ExpectError(-600, -804, "TSqrMatrix.Rows: Out of memory");
  EXPECT_EQ(s.RowCount(), 0u);
}

TEST_F(MatrixTest, ElementAccessErrors) {
  TMatrixArray m;
  Set(m, {{1, 2}, {3, 4}});
  EXPECT_EQ(m.At(1, 0), 3.0L);
  EXPECT_EQ(m.El(1, 2), 2.0L);
  EXPECT_EQ(m.At(2, 5), 0.0L);
  ExpectError(-600, -601, "TMatrixArray.At: Row index out of bounds");
  EXPECT_EQ(m.At(1, 2), 0.0L);
  ExpectError(-600, -602, "TMatrixArray.At: Col index out of bounds");
  m.SetAt(2, 0, 9);
  ExpectError(-600, -601, "TMatrixArray.At: Row index out of bounds");
  m.SetAt(0, 2, 9);
  ExpectError(-600, -602, "TMatrixArray.At: Col index out of bounds");
  EXPECT_EQ(m.El(0, 1), 0.0L);
  ExpectError(-600, -603, "TMatrixArray.El: Row index out of bounds");
  EXPECT_EQ(m.El(1, 0), 0.0L);
  ExpectError(-600, -604, "TMatrixArray.El: Col index out of bounds");
  EXPECT_EQ(m.El(3, 1), 0.0L);
  ExpectError(-600, -601, "TMatrixArray.At: Row index out of bounds");

  TMatrix t;
  Set(t, {{1, 2}, {3, 4}});
  EXPECT_EQ(t.El(5, 1), 0.0L);
  ExpectError(-600, -701, "TMatrix.At: Row index out of bounds");
  EXPECT_EQ(t.El(1, 3), 0.0L);
  ExpectError(-600, -702, "TMatrix.At: Col index out of bounds");
  t.SetAt(0, 7, 1);
  ExpectError(-600, -702, "TMatrix.At: Col index out of bounds");
  EXPECT_EQ(Get(t), (Rows{{1, 2}, {3, 4}}));
}

TEST_F(MatrixTest, SwitchRowsAndCols) {
  TMatrixArray m;
  m.SwitchRows(2, 2);
  m.SwitchCols(5, 5);
  EXPECT_EQ(Code(), 0);
  Set(m, {{1, 2, 3}});
  m.SwitchRows(0, 1);
  ExpectError(-600, -610, "TMatrixArray.SwitchRows: Index out of bounds");
  m.SwitchCols(0, 3);
  ExpectError(-600, -611, "TMatrixArray.SwitchCols: Index out of bounds");
  Set(m, {{1, 2, 3}, {4, 5, 6}});
  m.SwitchRows(1, 0);
  m.SwitchCols(0, 2);
  EXPECT_EQ(Get(m), (Rows{{6, 5, 4}, {3, 2, 1}}));
  m.Zero();
  EXPECT_EQ(Get(m), (Rows{{0, 0, 0}, {0, 0, 0}}));
}

TEST_F(MatrixTest, AddAndInsertRows) {
  TMatrixArray m;
  Set(m, {{1, 2}});
  TVector row;
  Fill(row, {3, 4, 5});  // cut to the column count
  row.ShowErrors = true;
  m.AddRow(row);
  EXPECT_EQ(m.RowList(1)->ID, -300);  // the row list is a copy of the row, identity included
  EXPECT_TRUE(m.RowList(1)->ShowErrors);
  TFloatList short_row;
  Fill(short_row, {6});  // zero-filled
  m.InsertRow(short_row, 0);
  m.InsertRow(short_row, 3);
  m.InsertRow(row, 2);
  EXPECT_EQ(Get(m), (Rows{{6, 0}, {1, 2}, {3, 4}, {3, 4}, {6, 0}}));
  m.InsertRow(row, 6);
  ExpectError(-600, -615, "TMatrixArray.InsertRow: Index out of bounds");
  // A row of the matrix itself.
  m.AddRow(*m.RowList(1));
  EXPECT_EQ(Get(m).back(), (std::vector<long double>{1, 2}));

  TMatrixArray empty;
  empty.AddRow(row);
  EXPECT_EQ(empty.RowCount(), 1u);
  EXPECT_EQ(empty.ColCount(), 0u);
  EXPECT_EQ(Code(), 0);

  TFloatList long_row;
  Fill(long_row, {1, 2, 3, 4, 5, 6, 7, 8});
  FailNumericsAllocationsAfter(3);  // pointer array, row object, its elements; the copy cannot grow
  m.AddRow(long_row);
  ExpectError(-200, -204, "TFloatList.Dim: Out of memory");
  EXPECT_EQ(m.RowCount(), 6u);
  FailNumericsAllocationsAfter(-1);

  // A standing resize error of a matrix stops the editing of every matrix; one of a list stops the
  // copy of the row, and then no row of zeros is added in its place.
  TMatrixArray other;
  other.Rows(TMatrixArray::MaxRows + 1);
  m.AddRow(row);
  m.InsertRow(row, 0);
  EXPECT_EQ(m.RowCount(), 6u);
  ClearNumericsError();
  long_row.Dim(TFloatList::MaxCount + 1);
  m.AddRow(row);
  m.InsertRow(row, 1);
  EXPECT_EQ(m.RowCount(), 6u);
  EXPECT_EQ(Code(), -203);
}

TEST_F(MatrixTest, AddAndInsertColumns) {
  TMatrixArray m;
  Set(m, {{1, 2}, {3, 4}, {5, 6}});
  TFloatList col;
  Fill(col, {7, 8});
  m.AddCol(col);
  EXPECT_EQ(Get(m), (Rows{{1, 2, 7}, {3, 4, 8}, {5, 6, 0}}));

  Set(m, {{1, 2}, {3, 4}, {5, 6}});
  m.InsertCol(col, 0);
  // The row beyond the column's count keeps its old value at the index (now also at index + 1).
  EXPECT_EQ(Get(m), (Rows{{7, 1, 2}, {8, 3, 4}, {5, 5, 6}}));
  m.InsertCol(col, 3);
  EXPECT_EQ(Get(m), (Rows{{7, 1, 2, 7}, {8, 3, 4, 8}, {5, 5, 6, 0}}));
  m.InsertCol(col, 5);
  ExpectError(-600, -617, "TMatrixArray.InsertCol: Index out of bounds");
  TFloatList empty;
  m.InsertCol(empty, 1);
  EXPECT_EQ(Get(m), (Rows{{7, 1, 1, 2, 7}, {8, 3, 3, 4, 8}, {5, 5, 5, 6, 0}}));
  EXPECT_EQ(Code(), 0);
}

TEST_F(MatrixTest, DeleteRowsAndColumns) {
  TMatrixArray m;
  m.DeleteRow(0);
  ExpectError(-600, -618, "TMatrixArray.DeleteRow: Index out of bounds");
  m.Cols(2);
  m.DeleteCol(0);
  ExpectError(-600, -619, "TMatrixArray.DeleteCol: Index out of bounds");
  Set(m, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
  m.DeleteRow(3);
  ExpectError(-600, -618, "TMatrixArray.DeleteRow: Index out of bounds");
  m.DeleteCol(3);
  ExpectError(-600, -619, "TMatrixArray.DeleteCol: Index out of bounds");
  m.DeleteRow(1);
  m.DeleteCol(0);
  EXPECT_EQ(Get(m), (Rows{{2, 3}, {8, 9}}));
  m.DeleteCol(1);
  m.DeleteRow(0);
  EXPECT_EQ(Get(m), (Rows{{8}}));
  EXPECT_EQ(Code(), 0);
}

TEST_F(MatrixTest, ExtractRowAndColumn) {
  TMatrix m;
  Set(m, {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}});
  m.C = 2;
  TVector dest;
  m.ExtractRow(7, dest);
  ExpectError(-600, -620, "TMatrixArray.ExtractRow: Index out of bounds");
  EXPECT_EQ(dest.Count(), 4u);  // sized before the refusal
  EXPECT_EQ(dest.C, 1.0L);
  m.ExtractRow(1, dest);
  EXPECT_EQ(Elements(dest), (std::vector<long double>{5, 6, 7, 8}));
  EXPECT_EQ(dest.C, 2.0L);
  m.C = 3;
  m.ExtractCol(2, dest);
  EXPECT_EQ(Elements(dest), (std::vector<long double>{3, 7, 11}));
  EXPECT_EQ(dest.C, 3.0L);
  m.ExtractCol(4, dest);
  ExpectError(-600, -622, "TMatrixArray.ExtractCol: Index out of bounds");

  TMatrixArray no_rows, no_cols;
  TFloatList list;
  no_rows.Cols(3);
  no_rows.ExtractCol(0, list);
  ExpectError(-600, -622, "TMatrixArray.ExtractCol: Index out of bounds");
  no_cols.Rows(2);
  no_cols.ExtractCol(0, list);
  ExpectError(-600, -623, "TMatrixArray.ExtractCol: Out of memory");
  EXPECT_EQ(list.Count(), 2u);
  no_rows.ExtractRow(0, list);
  ExpectError(-600, -620, "TMatrixArray.ExtractRow: Index out of bounds");
}

TEST_F(MatrixTest, ExtractSubMatrix) {
  TMatrix m;
  Set(m, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
  m.C = 5;
  TMatrix dest;
  m.ExtractSubMatrix(1, 2, 0, 1, dest);
  EXPECT_EQ(Get(dest), (Rows{{4, 5}, {7, 8}}));
  EXPECT_EQ(dest.C, 5.0L);
  for (auto [r1, r2, c1, c2] : std::vector<std::array<std::uint32_t, 4>>{
           {3, 2, 0, 0}, {0, 3, 0, 0}, {0, 0, 3, 0}, {0, 0, 0, 3}, {2, 1, 0, 0}, {0, 0, 2, 1}}) {
    m.ExtractSubMatrix(r1, r2, c1, c2, dest);
    ExpectError(-600, -624, "TMatrixArray.ExtractSubMatrix: Index out of bounds");
  }
  EXPECT_EQ(Get(dest), (Rows{{4, 5}, {7, 8}}));
  TMatrixArray no_rows, no_cols;
  no_rows.ExtractSubMatrix(0, 0, 0, 0, dest);
  ExpectError(-600, -624, "TMatrixArray.ExtractSubMatrix: Index out of bounds");
  no_cols.Rows(2);
  no_cols.ExtractSubMatrix(0, 1, 0, 0, dest);
  ExpectError(-600, -625, "TMatrixArray.ExtractSubMatrix: Out of memory");
  // Into itself: the block is taken before the matrix is cut.
  m.ExtractSubMatrix(1, 2, 1, 2, m);
  EXPECT_EQ(Get(m), (Rows{{5, 6}, {8, 9}}));
  EXPECT_EQ(Code(), 0);
}

TEST_F(MatrixTest, AssignAndIsEqual) {
  TMatrix source;
  Set(source, {{1, 2}, {3, 4}, {5, 6}});
  source.ID = -650;
  source.C = 0.25;
  TMatrix m;
  Set(m, {{9}});
  m.Assign(&source);
  EXPECT_EQ(Get(m), Get(source));
  EXPECT_EQ(m.ID, -650);
  EXPECT_EQ(m.C, 0.25L);
  EXPECT_TRUE(m.IsEqual(&source));
  m.SetAt(2, 1, 7);
  EXPECT_FALSE(m.IsEqual(&source));
  m.SetAt(2, 1, 6);
  m.C = 1;
  EXPECT_FALSE(m.IsEqual(&source));

  TMatrixArray plain;
  plain.Assign(&source);
  EXPECT_EQ(Get(plain), Get(source));
  EXPECT_FALSE(plain.IsEqual(&source));
  TSqrMatrix square;
  square.Assign(&source);
  EXPECT_EQ(square.C, 0.25L);
  m.Assign(&plain);  // not a TMatrix: the factor stays
  EXPECT_EQ(m.C, 1.0L);

  // Any standing error stops the copy of the elements.
  Set(m, {{9}});
  m.At(5, 5);
  m.Assign(&source);
  EXPECT_EQ(Get(m), (Rows{{9}}));
  EXPECT_EQ(m.ID, -650);
  ClearNumericsError();
  TMatrix empty;
  m.Assign(&empty);
  EXPECT_EQ(m.RowCount(), 0u);
}

TEST_F(MatrixTest, SavedMatrixMatchesTheGoldenFile) {
  TempDir dir;
  TMatrix m;
  Set(m, {{1, -2.5, 300}, {0, 1e-10L, -7}});
  m.C = 0.5;
  ASSERT_TRUE(m.Save(dir.File("m.txt")));
  EXPECT_EQ(ReadBytes(dir.File("m.txt")), ReadBytes(DataPath("numerics/matrix.txt")));
  ASSERT_TRUE(m.SaveData(dir.File("d.txt"), 8, 2));
  EXPECT_EQ(ReadBytes(dir.File("d.txt")), ReadBytes(DataPath("numerics/matrix_data.txt")));

  TMatrix loaded;
  ASSERT_TRUE(test::LoadFile(loaded, DataPath("numerics/matrix.txt")));
  EXPECT_TRUE(loaded.IsEqual(&m));
  EXPECT_EQ(Code(), 0);
}

TEST_F(MatrixTest, SaveAndLoadOfSpecialShapes) {
  TempDir dir;
  TMatrixArray m;
  m.Cols(4);
  ASSERT_TRUE(m.Save(dir.File("a.txt")));
  EXPECT_EQ(ReadBytes(dir.File("a.txt")), "-600\r\nfalse\r\n4\r\n0\r\n");
  ASSERT_TRUE(m.SaveData(dir.File("b.txt"), 3, 0));
  EXPECT_EQ(ReadBytes(dir.File("b.txt")), "Rows = 0\r\nCols = 4\r\n");

  Set(m, {{1.5}, {-2}});
  ASSERT_TRUE(m.Save(dir.File("c.txt")));
  EXPECT_EQ(ReadBytes(dir.File("c.txt")),
            "-600\r\nfalse\r\n1\r\n2\r\n 1.50000000000000E+0000\r\n-2.00000000000000E+0000\r\n");
  TMatrixArray loaded;
  ASSERT_TRUE(LoadText(loaded, ReadBytes(dir.File("c.txt"))));
  EXPECT_TRUE(loaded.IsEqual(&m));

  TMatrix no_cols;
  no_cols.Rows(2);
  no_cols.ShowErrors = true;
  ASSERT_TRUE(no_cols.Save(dir.File("d.txt")));
  EXPECT_EQ(ReadBytes(dir.File("d.txt")), "-600\r\ntrue\r\n0\r\n2\r\n\r\n\r\n 1.00000000000000E+0000\r\n");
  TMatrix back;
  ASSERT_TRUE(LoadText(back, ReadBytes(dir.File("d.txt"))));
  EXPECT_TRUE(back.IsEqual(&no_cols));

  // Numbers of a row may run over several lines; the rest of a row's last line is skipped.
  ASSERT_TRUE(LoadText(loaded, "-1\nfalse\n3\n2\n1 2\n3 junk\n4 5 6\n"));
  EXPECT_EQ(Get(loaded), (Rows{{1, 2, 3}, {4, 5, 6}}));
  EXPECT_EQ(Code(), 0);
}

TEST_F(MatrixTest, FileErrors) {
  TempDir dir;
  const std::string bad = dir.File("none/m.txt");
  TMatrixArray a;
  TMatrix m;
  EXPECT_FALSE(m.Save(bad));
  ExpectError(-600, -102, "TBase.Save: Can not access the file");
  EXPECT_FALSE(a.SaveData(bad, 1, 1));
  ExpectError(-600, -627, "TMatrixArray.SaveData: Can not access the file");
  EXPECT_FALSE(m.SaveData(bad, 1, 1));
  ExpectError(-600, -706, "TMatrix.SaveData: Can not access the file");

  Set(a, {{1}});
  EXPECT_FALSE(LoadText(a, "-600\r\nfalse\r\n2\r\n2\r\n1 2\r\n3\r\n"));
  ExpectError(-600, -628, "TMatrixArray.InternalLoad: Error loading the file");
  EXPECT_FALSE(LoadText(a, "-600\r\nfalse\r\n-2\r\n1\r\n"));
  ExpectError(-600, -628, "TMatrixArray.InternalLoad: Error loading the file");
  EXPECT_FALSE(LoadText(a, "-600\r\nfalse\r\n214748364\r\n1\r\n"));
  ExpectError(-600, -628, "TMatrixArray.InternalLoad: Error loading the file");
  // Huge counts that the file does not hold are found out before any memory is taken.
  EXPECT_FALSE(LoadText(a, "-600\r\nfalse\r\n0\r\n214748363\r\n\r\n"));
  ExpectError(-600, -628, "TMatrixArray.InternalLoad: Error loading the file");
  EXPECT_FALSE(LoadText(a, "-600\r\nfalse\r\n214748363\r\n214748363\r\n1 2 3\r\n"));
  ExpectError(-600, -628, "TMatrixArray.InternalLoad: Error loading the file");
  EXPECT_EQ(Get(a), (Rows{{1}}));
  EXPECT_FALSE(LoadText(m, "-600\r\nfalse\r\n1\r\n1\r\n4\r\n"));
  ExpectError(-600, -704, "TMatrix.InternalLoad: Error loading the file");
  EXPECT_EQ(Get(m), (Rows{{4}}));
}

TEST_F(MatrixTest, MultByVector) {
  TMatrix m;
  Set(m, {{1, 2}, {3, 4}, {5, 6}});
  m.C = 3;
  TVector v;
  Fill(v, {1, -1});
  v.C = 2;
  v.ID = -333;
  v.ShowErrors = true;
  ASSERT_TRUE(m.MultByVector(v, true));
  EXPECT_EQ(Elements(v), (std::vector<long double>{-1, -1, -1}));
  EXPECT_EQ(v.C, 6.0L);
  EXPECT_EQ(v.ID, -300);  // the temporary's identity
  EXPECT_FALSE(v.ShowErrors);
  EXPECT_FALSE(m.MultByVector(v, true));
  ExpectError(-600, -711, "TMatrix.MultByVector: Not compatible");

  Fill(v, {1, 1});
  v.C = 0;
  ASSERT_TRUE(m.MultByVector(v, true));
  EXPECT_EQ(Elements(v), (std::vector<long double>{0, 0, 0}));
  EXPECT_EQ(v.C, 1.0L);

  // A one-row matrix: this := V · this, the outer product.
  EXPECT_FALSE(m.MultByVector(v, false));
  ExpectError(-600, -711, "TMatrix.MultByVector: Not compatible");
  TMatrix row;
  Set(row, {{1, 2, 3}});
  row.C = 0.5;
  Fill(v, {2, -1});
  v.C = 4;
  ASSERT_TRUE(row.MultByVector(v, false));
  EXPECT_EQ(Get(row), (Rows{{2, 4, 6}, {-1, -2, -3}}));
  EXPECT_EQ(row.C, 2.0L);
  EXPECT_EQ(Elements(v), (std::vector<long double>{2, -1}));

  Fill(v, {1, 1});
  FailNumericsAllocationsAfter(0);
  EXPECT_FALSE(m.MultByVector(v, true));
  ExpectError(-600, -710, "TMatrix.MultByVector: Float overflow");
}

TEST_F(MatrixTest, MultByMatrix) {
  TMatrix a, b;
  Set(a, {{1, 2}, {3, 4}});
  a.C = 2;
  Set(b, {{5, 6, 7}, {8, 9, 10}});
  b.C = 0.5;
  ASSERT_TRUE(a.MultByMatrix(b, true));
  EXPECT_EQ(Get(b), (Rows{{21, 24, 27}, {47, 54, 61}}));
  EXPECT_EQ(b.C, 1.0L);
  EXPECT_FALSE(a.MultByMatrix(b, false));
  ExpectError(-600, -713, "TMatrix.MultByMatrix: Not compatible");

  TMatrix c;
  Set(c, {{1, 0}, {0, 1}, {1, 1}});
  ASSERT_TRUE(a.MultByMatrix(c, false));  // c := c · a
  EXPECT_EQ(Get(c), (Rows{{1, 2}, {3, 4}, {4, 6}}));
  EXPECT_EQ(c.C, 2.0L);
  TMatrix d;
  Set(d, {{1, 2, 3}});
  EXPECT_FALSE(a.MultByMatrix(d, true));
  ExpectError(-600, -713, "TMatrix.MultByMatrix: Not compatible");

  // A factor product of exactly 0: an all-zero matrix of the product's shape with factor 1.
  Set(b, {{5, 6, 7}, {8, 9, 10}});
  b.C = 0;
  ASSERT_TRUE(a.MultByMatrix(b, true));
  EXPECT_EQ(Get(b), (Rows{{0, 0, 0}, {0, 0, 0}}));
  EXPECT_EQ(b.C, 1.0L);

  // A matrix times itself.
  a.C = 1;
  ASSERT_TRUE(a.MultByMatrix(a, true));
  EXPECT_EQ(Get(a), (Rows{{7, 10}, {15, 22}}));
  EXPECT_EQ(Code(), 0);
}

TEST_F(MatrixTest, SquareMatrixDimAndRefusedEditing) {
  TSqrMatrix s;
  s.Dim(2);
  s.SetAt(1, 1, 4);
  s.Dim(3);
  EXPECT_EQ(Get(s), (Rows{{0, 0, 0}, {0, 4, 0}, {0, 0, 0}}));
  s.Dim(1);
  EXPECT_EQ(Get(s), (Rows{{0}}));
  s.Dim(TSqrMatrix::MaxRows + 1);
  ExpectError(-600, -803, "TSqrMatrix.Dim: Dim too big");
  // A non-square shape left by the inherited Rows is made square.
  s.Rows(3);
  s.Dim(1);
  EXPECT_EQ(Get(s), (Rows{{0}}));

  TFloatList list;
  Fill(list, {1});
  s.AddRow(list);
  ExpectError(-600, -807, "TSqrMatrix.AddRow: Function call not allowed here");
  s.AddCol(list);
  ExpectError(-600, -808, "TSqrMatrix.AddCol: Function call not allowed here");
  s.InsertRow(list, 0);
  ExpectError(-600, -809, "TSqrMatrix.InsertRow: Function call not allowed here");
  s.InsertCol(list, 0);
  ExpectError(-600, -810, "TSqrMatrix.InsertCol: Function call not allowed here");
  s.DeleteRow(0);
  ExpectError(-600, -811, "TSqrMatrix.DeleteRow: Function call not allowed here");
  s.DeleteCol(0);
  ExpectError(-600, -812, "TSqrMatrix.DeleteCol: Function call not allowed here");
  EXPECT_EQ(Get(s), (Rows{{0}}));
}

}  // namespace
}  // namespace zentrova
