// Evaluation speed of compiled expressions over bound variables: the mass-matrix cell of a double
// pendulum, a generalized force, the force on a double pendulum's first link (five sines and cosines
// of three arguments, angles past pi/4) and a polynomial without functions, each against the same
// formula written in long double C++ and, when available, against muParser (double).
//
// Every evaluation moves one input a little, so that no variant can reuse an earlier result: each
// sine or cosine of a moved angle is computed anew, and only repeats within one evaluation come from
// the table of the expressions' sine and cosine.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "numerics/expression_parser.h"

#ifdef ZENTROVA_HAVE_MUPARSER
#include <muParser.h>
#endif

namespace {

const char* const kMassCell = "m1*l1^2+m2*(l1^2+l2^2+2*l1*l2*cos(q2))";
const char* const kForce = "-m*g*l*sin(q1)+k*(q2-q1)";
const char* const kPendulumForce =
    "-m2*l1*l2*(w2^2*sin(q3-q4)+w1*w2*cos(q3-q4)*sin(q3-q4))-(m1+m2)*g*l1*sin(q3)+m2*g*l2*cos(q3-q4)*sin(q4)";
const char* const kPolynomial = "c0+c1*x+c2*x^2+c3*x^3+c4*x^4";

template <typename Real>
struct Inputs {
  Real m1 = 1.5, m2 = 0.75, l1 = 0.8, l2 = 0.6, q1 = 0.3, q2 = 0.7, q3 = 1.2, q4 = 2.1, w1 = 0.4, w2 = -1.1;
  Real m = 2, g = 9.81, l = 0.5, k = 12;
  Real c0 = 1, c1 = -0.5, c2 = 0.25, c3 = -0.125, c4 = 0.0625, x = 0.3;
};

template <typename Real, typename Define>
void DefineAll(Inputs<Real>& in, Define define) {
  define("m1", &in.m1);
  define("m2", &in.m2);
  define("l1", &in.l1);
  define("l2", &in.l2);
  define("q1", &in.q1);
  define("q2", &in.q2);
  define("q3", &in.q3);
  define("q4", &in.q4);
  define("w1", &in.w1);
  define("w2", &in.w2);
  define("m", &in.m);
  define("g", &in.g);
  define("l", &in.l);
  define("k", &in.k);
  define("c0", &in.c0);
  define("c1", &in.c1);
  define("c2", &in.c2);
  define("c3", &in.c3);
  define("c4", &in.c4);
  define("x", &in.x);
}

// The input that each expression moves between evaluations.
template <typename Real>
Real& Moving(Inputs<Real>& in, const char* text) {
  if (text == kMassCell) return in.q2;
  if (text == kForce) return in.q1;
  if (text == kPendulumForce) return in.q3;
  return in.x;
}

void Zentrova(benchmark::State& state, const char* text) {
  Inputs<long double> in;
  zentrova::TExpressionParser parser;
  DefineAll(in, [&parser](const char* name, long double* v) { parser.DefineVariable(name, v); });
  parser.AddExpression(text);
  long double& moving = Moving(in, text);
  for (auto _ : state) {
    moving += 1e-9L;
    benchmark::DoNotOptimize(parser.Evaluate());
  }
  state.counters["nodes"] = parser.LastNode() - parser.FirstNode() + 1;
}

// The same formulas as the compiler sees them, in long double.
template <typename Real>
Real HandWritten(const Inputs<Real>& v, const char* text) {
  if (text == kMassCell) {
    return v.m1 * (v.l1 * v.l1) + v.m2 * ((v.l1 * v.l1) + (v.l2 * v.l2) + 2 * v.l1 * v.l2 * std::cos(v.q2));
  }
  if (text == kForce) return -v.m * v.g * v.l * std::sin(v.q1) + v.k * (v.q2 - v.q1);
  if (text == kPendulumForce) {
    const Real d = v.q3 - v.q4;
    return -v.m2 * v.l1 * v.l2 * ((v.w2 * v.w2) * std::sin(d) + v.w1 * v.w2 * std::cos(d) * std::sin(d)) -
           (v.m1 + v.m2) * v.g * v.l1 * std::sin(v.q3) + v.m2 * v.g * v.l2 * std::cos(d) * std::sin(v.q4);
  }
  const Real x2 = v.x * v.x;
  return v.c0 + v.c1 * v.x + v.c2 * x2 + v.c3 * (v.x * x2) + v.c4 * (x2 * x2);
}

void Native(benchmark::State& state, const char* text) {
  Inputs<long double> in;
  long double& moving = Moving(in, text);
  for (auto _ : state) {
    moving += 1e-9L;
    benchmark::DoNotOptimize(&in);
    benchmark::DoNotOptimize(HandWritten(in, text));
  }
}

void Compile(benchmark::State& state, const char* text) {
  Inputs<long double> in;
  for (auto _ : state) {
    zentrova::TExpressionParser parser;
    DefineAll(in, [&parser](const char* name, long double* v) { parser.DefineVariable(name, v); });
    benchmark::DoNotOptimize(parser.AddExpression(text));
  }
}

#ifdef ZENTROVA_HAVE_MUPARSER
void MuParser(benchmark::State& state, const char* text) {
  Inputs<double> in;
  mu::Parser parser;
  DefineAll(in, [&parser](const char* name, double* v) { parser.DefineVar(name, v); });
  parser.SetExpr(text);
  double& moving = Moving(in, text);
  for (auto _ : state) {
    moving += 1e-9;
    benchmark::DoNotOptimize(parser.Eval());
  }
}
#endif

}  // namespace

BENCHMARK_CAPTURE(Zentrova, mass_cell, kMassCell);
BENCHMARK_CAPTURE(Native, mass_cell, kMassCell);
BENCHMARK_CAPTURE(Zentrova, force, kForce);
BENCHMARK_CAPTURE(Native, force, kForce);
BENCHMARK_CAPTURE(Zentrova, pendulum_force, kPendulumForce);
BENCHMARK_CAPTURE(Native, pendulum_force, kPendulumForce);
BENCHMARK_CAPTURE(Zentrova, polynomial, kPolynomial);
BENCHMARK_CAPTURE(Native, polynomial, kPolynomial);
BENCHMARK_CAPTURE(Compile, mass_cell, kMassCell);
#ifdef ZENTROVA_HAVE_MUPARSER
BENCHMARK_CAPTURE(MuParser, mass_cell, kMassCell);
BENCHMARK_CAPTURE(MuParser, force, kForce);
BENCHMARK_CAPTURE(MuParser, pendulum_force, kPendulumForce);
BENCHMARK_CAPTURE(MuParser, polynomial, kPolynomial);
#endif
