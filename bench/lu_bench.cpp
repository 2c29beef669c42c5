// LU decomposition and inverse of extended-precision matrices: TSqrMatrix against Eigen's
// PartialPivLU on Matrix<long double, Dynamic, Dynamic>, for the sizes of the engine's mass matrices
// (3, 10) and of a large contact system (30). Every iteration starts from the same matrix, so both
// sides pay for one copy of it; Eigen's copy is the one PartialPivLU makes of its argument.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "numerics/int_list.h"
#include "numerics/matrix.h"

#ifdef ZENTROVA_BENCH_EIGEN
#include <Eigen/Dense>
#endif

namespace zentrova {
namespace {

// A well-conditioned test matrix: uniform entries in [-1, 1] with a dominant diagonal, the same for
// both libraries.
std::vector<long double> TestMatrix(int n) {
  std::mt19937_64 random(static_cast<std::uint64_t>(n) * 7919u);
  std::uniform_real_distribution<double> real(-1, 1);
  std::vector<long double> a(static_cast<std::size_t>(n) * n);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) a[static_cast<std::size_t>(i) * n + j] = real(random) + (i == j ? n : 0);
  }
  return a;
}

void CopyInto(TSqrMatrix& m, const std::vector<long double>& a, int n) {
  for (int i = 0; i < n; ++i) {
    std::memcpy(m.RowData(static_cast<std::uint32_t>(i)), a.data() + static_cast<std::size_t>(i) * n,
                static_cast<std::size_t>(n) * sizeof(long double));
  }
}

void BM_TSqrMatrix_LUD(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<long double> a = TestMatrix(n);
  TSqrMatrix m;
  m.Dim(static_cast<std::uint32_t>(n));
  TIntList indx;
  bool even = true;
  for (auto _ : state) {
    CopyInto(m, a, n);
    benchmark::DoNotOptimize(m.LUD(&indx, even));
    benchmark::ClobberMemory();
  }
}

void BM_TSqrMatrix_LUDInverse(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<long double> a = TestMatrix(n);
  TSqrMatrix m;
  m.Dim(static_cast<std::uint32_t>(n));
  for (auto _ : state) {
    CopyInto(m, a, n);
    benchmark::DoNotOptimize(m.LUDInverse());
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_TSqrMatrix_LUD)->Arg(3)->Arg(10)->Arg(30);
BENCHMARK(BM_TSqrMatrix_LUDInverse)->Arg(3)->Arg(10)->Arg(30);

#ifdef ZENTROVA_BENCH_EIGEN

// Both storage orders: Eigen's own column-major default and the row-major order of our rows.
using EigenColMajor = Eigen::Matrix<long double, Eigen::Dynamic, Eigen::Dynamic, Eigen::ColMajor>;
using EigenRowMajor = Eigen::Matrix<long double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;

template <typename EigenMatrix>
EigenMatrix EigenTestMatrix(int n) {
  const std::vector<long double> a = TestMatrix(n);
  EigenMatrix m(n, n);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) m(i, j) = a[static_cast<std::size_t>(i) * n + j];
  }
  return m;
}

template <typename EigenMatrix>
void BM_Eigen_PartialPivLU(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const EigenMatrix a = EigenTestMatrix<EigenMatrix>(n);
  Eigen::PartialPivLU<EigenMatrix> lu(n);
  for (auto _ : state) {
    lu.compute(a);
    benchmark::DoNotOptimize(lu.matrixLU().data());
    benchmark::ClobberMemory();
  }
}

template <typename EigenMatrix>
void BM_Eigen_PartialPivLUInverse(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const EigenMatrix a = EigenTestMatrix<EigenMatrix>(n);
  Eigen::PartialPivLU<EigenMatrix> lu(n);
  EigenMatrix inverse(n, n);
  for (auto _ : state) {
    lu.compute(a);
    inverse = lu.inverse();
    benchmark::DoNotOptimize(inverse.data());
    benchmark::ClobberMemory();
  }
}

BENCHMARK_TEMPLATE(BM_Eigen_PartialPivLU, EigenColMajor)->Arg(3)->Arg(10)->Arg(30);
BENCHMARK_TEMPLATE(BM_Eigen_PartialPivLU, EigenRowMajor)->Arg(3)->Arg(10)->Arg(30);
BENCHMARK_TEMPLATE(BM_Eigen_PartialPivLUInverse, EigenColMajor)->Arg(3)->Arg(10)->Arg(30);
BENCHMARK_TEMPLATE(BM_Eigen_PartialPivLUInverse, EigenRowMajor)->Arg(3)->Arg(10)->Arg(30);

#endif

}  // namespace
}  // namespace zentrova
