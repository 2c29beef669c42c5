// Fuzzes the expression compiler and both evaluators. Every line of the input is one expression,
// compiled by two parsers alike: the first evaluates with the fast evaluator, the second walks the
// chain node by node. Their results and the variables they leave must agree to the bit (NaN agrees
// with any NaN), and a refusal of one must be the refusal of the other, with the same message.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "numerics/expression_parser.h"
#include "platform/exception.h"
#include "platform/number_text.h"
#include "platform/random.h"

namespace {

using zentrova::Exception;
using zentrova::TExpressionParser;

constexpr std::size_t kMaxInput = 4096;
constexpr int kMaxLines = 32;
constexpr std::uint64_t kSeed = 20240917;

// Variable values of the two evaluations of every expression: ordinary, then extreme.
constexpr long double kValues[2][3] = {{0.5L, -3.0L, 0.0L}, {2.5e300L, -7.25L, 1e-4940L}};

bool SameBits(long double a, long double b) {
  if (std::isnan(a) && std::isnan(b)) return true;
  // The 80-bit value fills the first ten bytes; the rest is padding.
  return std::memcmp(&a, &b, 10) == 0;
}

// The value and its ten bytes, most significant first: two values can differ below the digits shown.
std::string Show(long double value) {
  unsigned char bytes[10];
  std::memcpy(bytes, &value, sizeof bytes);
  char hex[24];
  for (int i = 0; i < 10; ++i) std::snprintf(hex + 2 * i, 3, "%02x", bytes[9 - i]);
  return zentrova::FloatToText(value) + " (" + hex + ")";
}

struct Side {
  TExpressionParser parser;
  long double variables[3] = {};
  Side() {
    parser.DefineVariable("x", &variables[0]);
    parser.DefineVariable("y", &variables[1]);
    parser.DefineVariable("t", &variables[2]);
  }
};

// The result of one compile or evaluation: a value, or the message of the exception it raised.
struct Outcome {
  bool raised = false;
  std::string message;
  long double value = 0;
};

template <typename F>
Outcome Run(F&& f) {
  Outcome outcome;
  try {
    outcome.value = f();
  } catch (const Exception& e) {
    outcome.raised = true;
    outcome.message = e.what();
  }
  return outcome;
}

void Compare(const Outcome& fast, const Outcome& plain, const std::string& what, const std::string& line) {
  if (fast.raised != plain.raised || fast.message != plain.message) {
    zentrova::fuzz::Fail(what + " of \"" + line + "\": fast " + (fast.raised ? "raised " + fast.message : "did not raise") +
                         ", plain " + (plain.raised ? "raised " + plain.message : "did not raise"));
  }
  if (!fast.raised && !SameBits(fast.value, plain.value)) {
    zentrova::fuzz::Fail(what + " of \"" + line + "\": fast " + Show(fast.value) + ", plain " + Show(plain.value));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return -1;
  zentrova::fuzz::ResetProcessState();
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Side fast;
  Side plain;
  std::size_t start = 0;
  for (int lines = 0; lines < kMaxLines && start <= text.size(); ++lines) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string line(text.substr(start, end - start));
    start = end + 1;

    const Outcome compiled_fast = Run([&] { return static_cast<long double>(fast.parser.AddExpression(line)); });
    const Outcome compiled_plain = Run([&] { return static_cast<long double>(plain.parser.AddExpression(line)); });
    Compare(compiled_fast, compiled_plain, "compile", line);
    if (compiled_fast.raised || compiled_fast.value < 0) continue;

    for (const auto& values : kValues) {
      for (int i = 0; i < 3; ++i) fast.variables[i] = plain.variables[i] = values[i];
      // Both draw the same random numbers.
      zentrova::SetRandomSeed(kSeed);
      const Outcome fast_value = Run([&] { return fast.parser.Evaluate(); });
      zentrova::SetRandomSeed(kSeed);
      const Outcome plain_value = Run([&] { return plain.parser.EvaluateNodes(); });
      Compare(fast_value, plain_value, "value", line);
      for (int i = 0; i < 3; ++i) {
        Compare({false, {}, fast.variables[i]}, {false, {}, plain.variables[i]}, "variable " + std::to_string(i), line);
      }
    }
  }
  return 0;
}
