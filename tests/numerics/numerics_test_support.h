// Fixtures shared by the numerics tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "numerics/allocation.h"
#include "numerics/float_list.h"
#include "numerics/int_list.h"
#include "numerics/matrix.h"
#include "numerics/numerics_error.h"
#include "platform/text_file.h"
#include "test_support.h"

namespace zentrova::test {

// Every test starts with a clear error record and must leave none that it did not expect; allocations
// are allowed again at its end.
class NumericsTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearNumericsError(); }
  void TearDown() override {
    FailNumericsAllocationsAfter(-1);
    EXPECT_EQ(NumericsError().Message, "") << "an error the test did not expect stands";
    ClearNumericsError();
  }
  static std::int32_t Code() { return NumericsErrorCode(); }
  // Expects the record to hold exactly this error, then clears it.
  static void ExpectError(std::int32_t id, std::int32_t code, const std::string& message) {
    const TNumericsError e = NumericsError();
    EXPECT_EQ(e.Code, code);
    EXPECT_EQ(e.ObjectOrUnitID, id);
    EXPECT_EQ(e.Message, message);
    ClearNumericsError();
  }
};

using Reals = std::vector<long double>;
using Ints = std::vector<std::int32_t>;

// One refused operation and the error it must leave in the record; id 0 stands for the table's.
struct ErrorCase {
  std::function<void()> act;
  std::int32_t code;
  std::string message;
  std::int32_t id = 0;
};

// Runs the cases in order, each from a clear record, and expects exactly each one's error.
inline void ExpectErrors(std::int32_t id, const std::vector<ErrorCase>& cases) {
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(::testing::Message() << "case " << i << " (" << cases[i].message << ")");
    ClearNumericsError();
    cases[i].act();
    const TNumericsError e = NumericsError();
    EXPECT_EQ(e.Code, cases[i].code);
    EXPECT_EQ(e.ObjectOrUnitID, cases[i].id != 0 ? cases[i].id : id);
    EXPECT_EQ(e.Message, cases[i].message);
  }
  ClearNumericsError();
}

inline void Fill(TFloatList& list, const std::vector<long double>& values) {
  list.Clear();
  for (long double v : values) list.Add(v);
}

inline void Fill(TVector& v, const std::vector<long double>& values, long double c) {
  Fill(v, values);
  v.C = c;
}

inline void Fill(TIntList& list, std::initializer_list<std::int32_t> values) {
  list.Clear();
  for (std::int32_t v : values) list.Add(v);
}

inline std::vector<long double> Elements(const TFloatList& list) {
  return {list.Data(), list.Data() + list.Count()};
}

inline std::vector<std::int32_t> Elements(const TIntList& list) {
  return {list.Data(), list.Data() + list.Count()};
}

using Rows = std::vector<std::vector<long double>>;

// Gives the matrix the shape of `rows` and their elements.
inline void Set(TMatrixArray& m, const Rows& rows) {
  m.Rows(0);
  m.Cols(rows.empty() ? 0 : static_cast<std::uint32_t>(rows[0].size()));
  m.Rows(static_cast<std::uint32_t>(rows.size()));
  for (std::uint32_t i = 0; i < rows.size(); ++i) {
    for (std::uint32_t j = 0; j < rows[i].size(); ++j) m.SetAt(i, j, rows[i][j]);
  }
}

inline void Set(TMatrix& m, const Rows& rows, long double c) {
  Set(m, rows);
  m.C = c;
}

// The stored elements, row by row; every row list must hold ColCount elements.
inline Rows Get(const TMatrixArray& m) {
  Rows rows(m.RowCount());
  for (std::uint32_t i = 0; i < m.RowCount(); ++i) {
    EXPECT_EQ(m.RowList(i)->Count(), m.ColCount());
    rows[i].assign(m.RowData(i), m.RowData(i) + m.ColCount());
  }
  return rows;
}

// Loads an object from a file.
inline bool LoadFile(TBase& object, const std::string& file_name) {
  TTextReader reader;
  return reader.Open(file_name) && object.InternalLoad(reader);
}

// Loads an object from the text of a file.
inline bool LoadText(TBase& object, const std::string& text) {
  TTextReader reader;
  reader.OpenText(text);
  return object.InternalLoad(reader);
}

// The 80 bits of two extended reals are the same: the sign of a zero and the payload of a NaN count.
inline bool SameBits(long double x, long double y) {
  return std::memcmp(&x, &y, 10) == 0;
}

inline bool SameBits(const Rows& x, const Rows& y) {
  for (std::size_t i = 0; i < x.size() && i < y.size(); ++i) {
    for (std::size_t j = 0; j < x[i].size() && j < y[i].size(); ++j) {
      if (!SameBits(x[i][j], y[i][j])) return false;
    }
    if (x[i].size() != y[i].size()) return false;
  }
  return x.size() == y.size();
}

}  // namespace zentrova::test
