#include "numerics/matrix.h"

#include <gtest/gtest.h>

#include <vector>

#include "numerics/float_list.h"
#include "numerics/int_list.h"
#include "numerics_test_support.h"

namespace zentrova::test {
namespace {

using MatrixTest = NumericsTest;

std::string Refused(const char* where, const char* what = "Index out of bounds") {
  return std::string(where) + ": " + what;
}

TEST_F(MatrixTest, RefusedOperationsRecordTheirErrorAndChangeNothing) {
  const std::string bad = "/nonexistent-folder/m.txt";
  TMatrixArray m, no_rows, no_cols, dest;
  TMatrix t;
  TSqrMatrix s;
  TFloatList list;
  Set(m, {{1, 2, 3}, {4, 5, 6}});
  Set(t, {{1, 2}, {3, 4}});
  Set(s, {{0}});
  no_rows.Cols(3);
  no_cols.Rows(2);
  const std::string row = "TMatrixArray.At: Row index out of bounds",
                    col = "TMatrixArray.At: Col index out of bounds";
  const std::string sub = Refused("TMatrixArray.ExtractSubMatrix"),
                    load = "TMatrixArray.InternalLoad: Error loading the file";
  const std::string denied = "Function call not allowed here";
  // clang-format off
  ExpectErrors(-600, {
      {[&] { m.Rows(TMatrixArray::MaxRows + 1); }, -605, "TMatrixArray.Rows: Rows too big"},
      {[&] { m.Cols(TMatrixArray::MaxCols + 1); }, -607, "TMatrixArray.Cols: Cols too big"},
      {[&] { EXPECT_EQ(m.At(2, 5), 0.0L); }, -601, row}, {[&] { EXPECT_EQ(m.At(1, 3), 0.0L); }, -602, col},
      {[&] { m.SetAt(2, 0, 9); }, -601, row},           {[&] { m.SetAt(0, 3, 9); }, -602, col},
      {[&] { EXPECT_EQ(m.El(0, 1), 0.0L); }, -603, "TMatrixArray.El: Row index out of bounds"},
      {[&] { EXPECT_EQ(m.El(1, 0), 0.0L); }, -604, "TMatrixArray.El: Col index out of bounds"},
      {[&] { EXPECT_EQ(m.El(3, 1), 0.0L); }, -601, row},
      {[&] { EXPECT_EQ(t.El(5, 1), 0.0L); }, -701, "TMatrix.At: Row index out of bounds"},
      {[&] { EXPECT_EQ(t.El(1, 3), 0.0L); }, -702, "TMatrix.At: Col index out of bounds"},
      {[&] { t.SetAt(0, 7, 1); }, -702, "TMatrix.At: Col index out of bounds"},
      {[&] { m.SwitchRows(0, 2); }, -610, Refused("TMatrixArray.SwitchRows")},
      {[&] { m.SwitchCols(0, 3); }, -611, Refused("TMatrixArray.SwitchCols")},
      {[&] { m.InsertRow(list, 3); }, -615, Refused("TMatrixArray.InsertRow")},
      {[&] { m.InsertCol(list, 4); }, -617, Refused("TMatrixArray.InsertCol")},
      {[&] { m.DeleteRow(2); }, -618, Refused("TMatrixArray.DeleteRow")},
      {[&] { m.DeleteCol(3); }, -619, Refused("TMatrixArray.DeleteCol")},
      {[&] { no_rows.DeleteCol(0); }, -619, Refused("TMatrixArray.DeleteCol")},
      {[&] { no_rows.ExtractRow(0, list); }, -620, Refused("TMatrixArray.ExtractRow")},
      {[&] { m.ExtractCol(3, list); }, -622, Refused("TMatrixArray.ExtractCol")},
      {[&] { no_rows.ExtractCol(0, list); }, -622, Refused("TMatrixArray.ExtractCol")},
      {[&] { no_cols.ExtractCol(0, list); }, -623, Refused("TMatrixArray.ExtractCol", "Out of memory")},
      {[&] { m.ExtractSubMatrix(2, 1, 0, 0, dest); }, -624, sub},
      {[&] { m.ExtractSubMatrix(0, 2, 0, 0, dest); }, -624, sub},
      {[&] { m.ExtractSubMatrix(0, 0, 3, 0, dest); }, -624, sub},
      {[&] { m.ExtractSubMatrix(0, 0, 0, 3, dest); }, -624, sub},
      {[&] { m.ExtractSubMatrix(1, 0, 0, 0, dest); }, -624, sub},
      {[&] { m.ExtractSubMatrix(0, 0, 2, 1, dest); }, -624, sub},
      {[&] { no_rows.ExtractSubMatrix(0, 0, 0, 0, dest); }, -624, sub},
      {[&] { no_cols.ExtractSubMatrix(0, 1, 0, 0, dest); }, -625,
       Refused("TMatrixArray.ExtractSubMatrix", "Out of memory")},
      {[&] { EXPECT_FALSE(t.Save(bad)); }, -102, "TBase.Save: Can not access the file"},
      {[&] { EXPECT_FALSE(m.SaveData(bad, 1, 1)); }, -627, "TMatrixArray.SaveData: Can not access the file"},
      {[&] { EXPECT_FALSE(t.SaveData(bad, 1, 1)); }, -706, "TMatrix.SaveData: Can not access the file"},
      {[&] { EXPECT_FALSE(LoadText(m, "-600\r\nfalse\r\n3\r\n2\r\n1 2 3\r\n4\r\n")); }, -628, load},
      {[&] { EXPECT_FALSE(LoadText(m, "-600\r\nfalse\r\n-2\r\n1\r\n")); }, -628, load},
      {[&] { EXPECT_FALSE(LoadText(m, "-600\r\nfalse\r\n214748364\r\n1\r\n")); }, -628, load},
      // Huge counts that the file does not hold are found out before any memory is taken.
      {[&] { EXPECT_FALSE(LoadText(m, "-600\r\nfalse\r\n0\r\n214748363\r\n\r\n")); }, -628, load},
      {[&] { EXPECT_FALSE(LoadText(m, "-600\r\nfalse\r\n214748363\r\n214748363\r\n1 2\r\n")); }, -628, load},
      {[&] { EXPECT_FALSE(LoadText(t, "-600\r\nfalse\r\n1\r\n1\r\n4\r\n")); }, -704,
       "TMatrix.InternalLoad: Error loading the file"},
      {[&] { s.Dim(TSqrMatrix::MaxRows + 1); }, -803, "TSqrMatrix.Dim: Dim too big"},
      {[&] { s.AddRow(list); }, -807, Refused("TSqrMatrix.AddRow", denied.c_str())},
      {[&] { s.AddCol(list); }, -808, Refused("TSqrMatrix.AddCol", denied.c_str())},
      {[&] { s.InsertRow(list, 0); }, -809, Refused("TSqrMatrix.InsertRow", denied.c_str())},
      {[&] { s.InsertCol(list, 0); }, -810, Refused("TSqrMatrix.InsertCol", denied.c_str())},
      {[&] { s.DeleteRow(0); }, -811, Refused("TSqrMatrix.DeleteRow", denied.c_str())},
      {[&] { s.DeleteCol(0); }, -812, Refused("TSqrMatrix.DeleteCol", denied.c_str())}});
  // clang-format on
  EXPECT_EQ(Get(m), (Rows{{1, 2, 3}, {4, 5, 6}}));
  EXPECT_EQ(Get(t), (Rows{{4}}));  // the elements were read, the factor was missing
  EXPECT_EQ(Get(s), (Rows{{0}}));
  EXPECT_EQ(dest.RowCount(), 0u);
  EXPECT_EQ(list.Count(), 2u);  // sized before the last refusal
}

TEST_F(MatrixTest, ShapeElementsAndSwitches) {
  TMatrixArray m;
  m.SwitchRows(2, 2);
  m.SwitchCols(5, 5);
  m.Cols(3);  // no rows yet: only the count
  m.Rows(2);
  m.SetAt(1, 2, 5);
  m.Cols(4);
  m.Rows(3);
  EXPECT_EQ(Get(m), (Rows{{0, 0, 0, 0}, {0, 0, 5, 0}, {0, 0, 0, 0}}));
  EXPECT_EQ(m.El(2, 3), 5.0L);
  Set(m, {{1, 2, 3}, {4, 5, 6}});
  m.SwitchRows(1, 0);
  m.SwitchCols(0, 2);
  EXPECT_EQ(Get(m), (Rows{{6, 5, 4}, {3, 2, 1}}));
  m.Cols(2);
  m.Rows(1);
  EXPECT_EQ(Get(m), (Rows{{6, 5}}));
  EXPECT_EQ(m.RowList(1), nullptr);
  m.Zero();
  EXPECT_EQ(Get(m), (Rows{{0, 0}}));
  TSqrMatrix s;
  s.Dim(2);
  s.SetAt(1, 1, 4);
  s.Dim(3);
  EXPECT_EQ(Get(s), (Rows{{0, 0, 0}, {0, 4, 0}, {0, 0, 0}}));
  s.Rows(4);  // a non-square shape left by the inherited Rows is made square
  s.Dim(2);
  EXPECT_EQ(Get(s), (Rows{{0, 0}, {0, 4}}));

  // Running out of memory half-way leaves the matrix as it was, every row at ColCount elements.
  Set(m, {{1, 2}, {3, 4}, {5, 6}});
  FailNumericsAllocationsAfter(1);  // the first row grows, the second cannot
  m.Cols(5);
  ExpectError(-600, -608, "TMatrixArray.Cols: Out of memory");
  FailNumericsAllocationsAfter(4);  // pointer array, one whole new row, then the next row's elements
  m.Rows(6);
  ExpectError(-600, -606, "TMatrixArray.Rows: Out of memory");
  EXPECT_EQ(Get(m), (Rows{{1, 2}, {3, 4}, {5, 6}}));
  FailNumericsAllocationsAfter(0);
  m.Cols(1);  // shrinking needs nothing
  m.Rows(2);
  EXPECT_EQ(Get(m), (Rows{{1}, {3}}));
  s.Dim(3);
  ExpectError(-600, -804, "TSqrMatrix.Rows: Out of memory");
  m.Clear();
  EXPECT_EQ(m.RowCount() + s.RowCount(), 2u);
  EXPECT_EQ(m.ColCount(), 1u);
}

TEST_F(MatrixTest, AddInsertAndDeleteRowsAndColumns) {
  TMatrixArray m, no_cols;
  Set(m, {{1, 2}});
  TVector row;
  Fill(row, {3, 4, 5});  // cut to the column count
  row.ShowErrors = true;
  m.AddRow(row);
  EXPECT_EQ(m.RowList(1)->ID, -300);  // the row list is a copy of the row, identity included
  EXPECT_TRUE(m.RowList(1)->ShowErrors);
  TFloatList short_row, empty, col;
  Fill(short_row, {6});  // zero-filled
  m.InsertRow(short_row, 0);
  m.InsertRow(short_row, 3);
  m.InsertRow(row, 2);
  m.AddRow(*m.RowList(1));  // a row of the matrix itself
  EXPECT_EQ(Get(m), (Rows{{6, 0}, {1, 2}, {3, 4}, {3, 4}, {6, 0}, {1, 2}}));
  no_cols.AddRow(row);
  EXPECT_EQ(no_cols.RowCount(), 1u);
  EXPECT_EQ(no_cols.ColCount(), 0u);

  Fill(col, {7, 8});
  Set(m, {{1, 2}, {3, 4}, {5, 6}});
  m.AddCol(col);
  EXPECT_EQ(Get(m), (Rows{{1, 2, 7}, {3, 4, 8}, {5, 6, 0}}));
  // The row beyond the column's count keeps its old value at the index (now also at index + 1).
  m.InsertCol(col, 0);
  m.InsertCol(col, 4);
  m.InsertCol(empty, 1);
  EXPECT_EQ(Get(m), (Rows{{7, 1, 1, 2, 7, 7}, {8, 3, 3, 4, 8, 8}, {5, 5, 5, 6, 0, 0}}));
  m.DeleteRow(1);
  m.DeleteCol(0);
  m.DeleteCol(4);
  EXPECT_EQ(Get(m), (Rows{{1, 1, 2, 7}, {5, 5, 6, 0}}));
  m.DeleteRow(0);
  m.DeleteCol(2);
  EXPECT_EQ(Get(m), (Rows{{5, 5, 0}}));

  // A row that cannot be copied leaves no row behind. A standing resize error of a matrix stops the
  // editing of every matrix; one of a list stops the copy of the row, and no row of zeros comes instead.
  TFloatList long_row;
  Fill(long_row, {1, 2, 3, 4, 5, 6, 7, 8});
  FailNumericsAllocationsAfter(3);  // pointer array, row object, its elements; the copy cannot grow
  m.AddRow(long_row);
  ExpectError(-200, -204, "TFloatList.Dim: Out of memory");
  FailNumericsAllocationsAfter(-1);
  TMatrixArray other;
  other.Rows(TMatrixArray::MaxRows + 1);
  m.AddRow(col);
  m.InsertRow(col, 0);
  m.AddCol(col);
  m.InsertCol(col, 0);
  ClearNumericsError();
  long_row.Dim(TFloatList::MaxCount + 1);
  m.AddRow(col);
  m.InsertRow(col, 1);
  EXPECT_EQ(Get(m), (Rows{{5, 5, 0}}));
  ExpectError(-200, -203, "TFloatList.Dim: Dim too big");
}

TEST_F(MatrixTest, ExtractionsAndAssignmentsCarryTheFactor) {
  TMatrix m, dest, empty;
  Set(m, {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}}, 2);
  TVector v;
  m.ExtractRow(1, v);
  EXPECT_EQ(Elements(v), (Reals{5, 6, 7, 8}));
  EXPECT_EQ(v.C, 2.0L);
  m.C = 3;
  m.ExtractCol(2, v);
  EXPECT_EQ(Elements(v), (Reals{3, 7, 11}));
  EXPECT_EQ(v.C, 3.0L);
  m.C = 5;
  m.ExtractSubMatrix(1, 2, 0, 1, dest);
  EXPECT_EQ(Get(dest), (Rows{{5, 6}, {9, 10}}));
  EXPECT_EQ(dest.C, 5.0L);
  m.ExtractSubMatrix(1, 2, 2, 3, m);  // into itself: the block is taken before the matrix is cut
  EXPECT_EQ(Get(m), (Rows{{7, 8}, {11, 12}}));

  // Any standing error stops the copy of the elements, even the reshape, not that of the identity.
  m.ID = -650;
  dest.Rows(1);
  dest.At(5, 5);
  dest.Assign(&m);
  EXPECT_EQ(Get(dest), (Rows{{5, 6}}));
  EXPECT_EQ(dest.ID, -650);
  ExpectError(-600, -701, "TMatrix.At: Row index out of bounds");
  dest.Assign(&m);
  EXPECT_TRUE(dest.IsEqual(&m));
  dest.SetAt(1, 1, 7);
  EXPECT_FALSE(dest.IsEqual(&m));
  dest.Assign(&m);
  dest.C = 1;
  EXPECT_FALSE(dest.IsEqual(&m));
  TMatrixArray plain;
  plain.Assign(&m);
  EXPECT_EQ(Get(plain), Get(m));
  EXPECT_FALSE(plain.IsEqual(&m));
  dest.Assign(&plain);  // not a TMatrix: the factor stays
  EXPECT_EQ(dest.C, 1.0L);
  dest.Assign(&empty);
  EXPECT_EQ(dest.RowCount(), 0u);
}

TEST_F(MatrixTest, SavedMatricesMatchTheGoldenFilesAndLoadBack) {
  TempDir dir;
  TMatrix m, loaded, no_cols, back;
  Set(m, {{1, -2.5, 300}, {0, 1e-10L, -7}}, 0.5);
  ASSERT_TRUE(m.Save(dir.File("m.txt")));
  ASSERT_TRUE(m.SaveData(dir.File("d.txt"), 8, 2));
  EXPECT_EQ(ReadBytes(dir.File("m.txt")), ReadBytes(DataPath("numerics/matrix.txt")));
  EXPECT_EQ(ReadBytes(dir.File("d.txt")), ReadBytes(DataPath("numerics/matrix_data.txt")));
  ASSERT_TRUE(LoadFile(loaded, DataPath("numerics/matrix.txt")));
  EXPECT_TRUE(loaded.IsEqual(&m));
  TMatrixArray a, b;
  a.Cols(4);
  ASSERT_TRUE(a.Save(dir.File("a.txt")));
  ASSERT_TRUE(a.SaveData(dir.File("b.txt"), 3, 0));
  EXPECT_EQ(ReadBytes(dir.File("a.txt")), "-600\r\nfalse\r\n4\r\n0\r\n");
  EXPECT_EQ(ReadBytes(dir.File("b.txt")), "Rows = 0\r\nCols = 4\r\n");
  no_cols.Rows(2);
  no_cols.ShowErrors = true;
  ASSERT_TRUE(no_cols.Save(dir.File("d.txt")));
  EXPECT_EQ(ReadBytes(dir.File("d.txt")), "-600\r\ntrue\r\n0\r\n2\r\n\r\n\r\n 1.00000000000000E+0000\r\n");
  ASSERT_TRUE(LoadText(back, ReadBytes(dir.File("d.txt"))));
  EXPECT_TRUE(back.IsEqual(&no_cols));
  // Numbers of a row may run over several lines; the rest of a row's last line is skipped.
  ASSERT_TRUE(LoadText(b, "-1\nfalse\n3\n2\n1 2\n3 junk\n4 5 6\n"));
  EXPECT_EQ(Get(b), (Rows{{1, 2, 3}, {4, 5, 6}}));
}

TEST_F(MatrixTest, Products) {
  TMatrix m, row, a, b, c;
  TVector v;
  Set(m, {{1, 2}, {3, 4}, {5, 6}}, 3);
  Fill(v, {1, -1}, 2);
  v.ID = -333;
  ASSERT_TRUE(m.MultByVector(v, true));
  EXPECT_EQ(Elements(v), (Reals{-1, -1, -1}));
  EXPECT_EQ(v.C, 6.0L);
  EXPECT_EQ(v.ID, -300);  // the temporary's identity
  Fill(v, {1, 1}, 0);
  ASSERT_TRUE(m.MultByVector(v, true));
  EXPECT_EQ(Elements(v), (Reals{0, 0, 0}));
  EXPECT_EQ(v.C, 1.0L);
  // A one-row matrix: this := V · this, the outer product.
  Set(row, {{1, 2, 3}}, 0.5);
  Fill(v, {2, -1}, 4);
  ASSERT_TRUE(row.MultByVector(v, false));
  EXPECT_EQ(Get(row), (Rows{{2, 4, 6}, {-1, -2, -3}}));
  EXPECT_EQ(row.C, 2.0L);
  EXPECT_EQ(Elements(v), (Reals{2, -1}));

  Set(a, {{1, 2}, {3, 4}}, 2);
  Set(b, {{5, 6, 7}, {8, 9, 10}}, 0.5);
  Set(c, {{1, 0}, {0, 1}, {1, 1}});
  ASSERT_TRUE(a.MultByMatrix(b, true));
  ASSERT_TRUE(a.MultByMatrix(c, false));  // c := c · a
  EXPECT_EQ(Get(b), (Rows{{21, 24, 27}, {47, 54, 61}}));
  EXPECT_EQ(b.C, 1.0L);
  EXPECT_EQ(Get(c), (Rows{{1, 2}, {3, 4}, {4, 6}}));
  EXPECT_EQ(c.C, 2.0L);
  // A factor product of exactly 0: an all-zero matrix of the product's shape with factor 1.
  b.C = 0;
  ASSERT_TRUE(a.MultByMatrix(b, true));
  EXPECT_EQ(Get(b), (Rows{{0, 0, 0}, {0, 0, 0}}));
  EXPECT_EQ(b.C, 1.0L);
  a.C = 1;
  ASSERT_TRUE(a.MultByMatrix(a, true));  // a matrix times itself
  EXPECT_EQ(Get(a), (Rows{{7, 10}, {15, 22}}));
  const std::string vector = "TMatrix.MultByVector: Not compatible",
                    matrix = "TMatrix.MultByMatrix: Not compatible";
  // clang-format off
  ExpectErrors(-600, {
      {[&] { EXPECT_FALSE(m.MultByVector(v, false)); }, -711, vector},
      {[&] { EXPECT_FALSE(a.MultByMatrix(b, false)); }, -713, matrix},
      {[&] { EXPECT_FALSE(a.MultByMatrix(c, true)); }, -713, matrix},
      {[&] { Fill(v, {1, 2, 3}); EXPECT_FALSE(m.MultByVector(v, true)); }, -711, vector},
      {[&] { Fill(v, {1, 1}); FailNumericsAllocationsAfter(0); EXPECT_FALSE(m.MultByVector(v, true)); }, -710,
       "TMatrix.MultByVector: Float overflow"}});
  // clang-format on
}

}  // namespace
}  // namespace zentrova::test
