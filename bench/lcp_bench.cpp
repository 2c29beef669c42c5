// One LCP solve (w = M z + q, w >= 0, z >= 0, w^T z = 0) of random symmetric positive definite
// problems of sizes 3, 5, 10, 20 and 50: SolveLCP (extended reals, explicit basis inverse) beside Siconos'
// lexicographic Lemke solver (doubles, full tableau) when Siconos numerics is found. Both solve the same
// problems, cycling through a fixed set per size; every solution is checked before timing starts, since
// a solver can report success on a non-solution. Each iteration also copies q, which SolveLCP may change.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/contact/linear_complementarity.h"
#include "engine/engine_constants.h"
#include "engine/world/model.h"
#include "engine/world/world.h"
#include "numerics/float_list.h"
#include "numerics/matrix.h"

#ifdef ZENTROVA_BENCH_SICONOS
#include <siconos/numerics/LCP_Solvers.h>
#include <siconos/numerics/LinearComplementarityProblem.h>
#include <siconos/numerics/NumericsMatrix.h>
#include <siconos/numerics/SolverOptions.h>
#include <siconos/numerics/lcp_cst.h>
#endif

namespace zentrova {
namespace {

constexpr int kProblemsPerSize = 16;

// M = A A^T + n I (A uniform in [-1, 1]), q uniform in [-1, 1]: about half of the contacts close.
struct RandomLCP {
  int n = 0;
  std::vector<long double> m;  // row by row
  std::vector<long double> q;
};

std::vector<RandomLCP> Problems(int n) {
  std::mt19937_64 random(static_cast<std::uint64_t>(n) * 104729u);
  std::uniform_real_distribution<double> real(-1, 1);
  std::vector<RandomLCP> problems(kProblemsPerSize);
  for (RandomLCP& p : problems) {
    p.n = n;
    std::vector<long double> a(static_cast<std::size_t>(n) * n);
    for (long double& x : a) x = real(random);
    p.m.assign(a.size(), 0.0L);
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < n; ++j) {
        long double sum = i == j ? n : 0;
        for (int k = 0; k < n; ++k) sum += a[i * n + k] * a[j * n + k];
        p.m[static_cast<std::size_t>(i) * n + j] = sum;
      }
    }
    p.q.resize(static_cast<std::size_t>(n));
    for (long double& x : p.q) x = real(random);
  }
  return problems;
}

// Largest violation of w = M z + q, w >= 0, z >= 0 and w_i z_i = 0, relative to the size of the data.
template <typename Real>
double Violation(const RandomLCP& p, const Real* w, const Real* z) {
  const int n = p.n;
  long double worst = 0;
  for (int i = 0; i < n; ++i) {
    long double sum = p.q[i];
    for (int j = 0; j < n; ++j) sum += p.m[static_cast<std::size_t>(i) * n + j] * z[j];
    worst = std::max({worst, std::fabs(sum - w[i]), -static_cast<long double>(w[i]),
                      -static_cast<long double>(z[i]), std::fabs(static_cast<long double>(w[i]) * z[i])});
  }
  return static_cast<double>(worst);
}

struct OurSolver {
  explicit OurSolver(const RandomLCP& p) {
    const auto n = static_cast<std::uint32_t>(p.n);
    m.Dim(n);
    for (std::uint32_t i = 0; i < n; ++i) {
      for (std::uint32_t j = 0; j < n; ++j) m.RowData(i)[j] = p.m[std::size_t{i} * n + j];
    }
    q.Dim(n);
    w.Dim(n);
    z.Dim(n);
    world.SetLCPPivotToleranceMin(kDefaultLCPPivotToleranceMin);
    world.SetLCPPivotToleranceMax(kDefaultLCPPivotToleranceMax);
    world.SetLCPLexicoZeroTolerance(kDefaultLCPLexicoZeroTolerance);
    settings = world.LCPSettings();
  }
  // The settings are read once, as Siconos' options are made once: a caller reads them once per step.
  bool Solve(const RandomLCP& p) {
    std::copy(p.q.begin(), p.q.end(), q.Data());
    return SolveLCP(settings, 0, m, q, w, z);
  }
  TWorld world;
  TLCPSettings settings;
  TSqrMatrix m;
  TFloatList q, w, z;
};

void BM_SolveLCP(benchmark::State& state) {
  const std::vector<RandomLCP> problems = Problems(static_cast<int>(state.range(0)));
  std::vector<std::unique_ptr<OurSolver>> solvers;
  for (const RandomLCP& p : problems) {
    solvers.push_back(std::make_unique<OurSolver>(p));
    if (!solvers.back()->Solve(p)) state.SkipWithError("SolveLCP failed");
    const double violation = Violation(p, solvers.back()->w.Data(), solvers.back()->z.Data());
    if (!(violation <= 1e-12)) state.SkipWithError(("not a solution: " + std::to_string(violation)).c_str());
  }
  std::size_t k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(solvers[k]->Solve(problems[k]));
    benchmark::ClobberMemory();
    k = (k + 1) % problems.size();
  }
}

BENCHMARK(BM_SolveLCP)->Arg(3)->Arg(5)->Arg(10)->Arg(20)->Arg(50);

#ifdef ZENTROVA_BENCH_SICONOS

// The same problem for Siconos: a dense column-major matrix of doubles.
struct SiconosSolver {
  explicit SiconosSolver(const RandomLCP& p) : q(p.q.begin(), p.q.end()), w(q.size()), z(q.size()) {
    const int n = p.n;
    problem.size = n;
    problem.M = NM_create(NM_DENSE, n, n);
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < n; ++j) {
        problem.M->matrix0[j * n + i] = static_cast<double>(p.m[static_cast<std::size_t>(i) * n + j]);
      }
    }
    problem.q = q.data();
    options = solver_options_create(SICONOS_LCP_LEMKE);
  }
  SiconosSolver(const SiconosSolver&) = delete;
  SiconosSolver& operator=(const SiconosSolver&) = delete;
  ~SiconosSolver() {
    solver_options_delete(options);
    NM_clear(problem.M);
    free(problem.M);
  }
  bool Solve() {
    std::fill(z.begin(), z.end(), 0.0);
    int info = -1;
    lcp_lexicolemke(&problem, z.data(), w.data(), &info, options);
    return info == 0;
  }
  LinearComplementarityProblem problem{};
  SolverOptions* options = nullptr;
  std::vector<double> q, w, z;
};

void BM_SiconosLexicoLemke(benchmark::State& state) {
  const std::vector<RandomLCP> problems = Problems(static_cast<int>(state.range(0)));
  std::vector<std::unique_ptr<SiconosSolver>> solvers;
  for (const RandomLCP& p : problems) {
    solvers.push_back(std::make_unique<SiconosSolver>(p));
    SiconosSolver& s = *solvers.back();
    if (!s.Solve()) state.SkipWithError("lcp_lexicolemke failed");
    const double violation = Violation(p, s.w.data(), s.z.data());
    if (!(violation <= 1e-9)) state.SkipWithError(("not a solution: " + std::to_string(violation)).c_str());
    // The same solution as ours, to the precision of doubles.
    OurSolver ours(p);
    ours.Solve(p);
    double difference = 0;
    for (int i = 0; i < p.n; ++i) {
      difference = std::max(difference, std::fabs(static_cast<double>(ours.z.Data()[i]) - s.z[i]));
    }
    if (!(difference <= 1e-9)) state.SkipWithError(("solutions differ by " + std::to_string(difference)).c_str());
  }
  std::size_t k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(solvers[k]->Solve());
    benchmark::ClobberMemory();
    k = (k + 1) % problems.size();
  }
}

BENCHMARK(BM_SiconosLexicoLemke)->Arg(3)->Arg(5)->Arg(10)->Arg(20)->Arg(50);

#endif

}  // namespace
}  // namespace zentrova
