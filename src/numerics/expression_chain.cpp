#include "numerics/expression_chain.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "numerics/expression_vocabulary.h"

namespace zentrova {

namespace {

// Step codes: a built-in operation with its operand sources. "M" reads an address, "A" the register
// that holds the previous node's value, "R" the register that holds a value kept for a later step.
// A binary operation has four codes in the order MM, AM, MA, RA; a unary one two, M and A.
enum StepOp : std::uint8_t {
  kCallStep,
  kAddMM,
  kAddAM,
  kAddMA,
  kAddRA,
  kSubtractMM,
  kSubtractAM,
  kSubtractMA,
  kSubtractRA,
  kMultiplyMM,
  kMultiplyAM,
  kMultiplyMA,
  kMultiplyRA,
  kDivideMM,
  kDivideAM,
  kDivideMA,
  kDivideRA,
  kIntPowerMM,
  kIntPowerAM,
  kIntPowerMA,
  kIntPowerRA,
  kNegateM,
  kNegateA,
  kUnaryPlusM,
  kUnaryPlusA,
  kSqrM,
  kSqrA,
  kSqrtM,
  kSqrtA,
  kAbsM,
  kAbsA,
  kSinM,
  kSinA,
  kCosM,
  kCosA,
  kSquareM,
  kSquareA,
  kCubeM,
  kCubeA,
  kFourthM,
  kFourthA,
};

// Offsets of the operand sources from a binary operation's first code.
constexpr int kModeMM = 0, kModeAM = 1, kModeMA = 2, kModeRA = 3;

constexpr int kKeptRegisters = 3;

// Where a step's value goes besides the accumulator.
enum Destination : std::uint8_t { kAccumulatorOnly, kStoreInNode, kKeepInRegister };

StepOp BinaryBase(TFastOp op) {
  switch (op) {
    case TFastOp::kAdd:
      return kAddMM;
    case TFastOp::kSubtract:
      return kSubtractMM;
    case TFastOp::kMultiply:
      return kMultiplyMM;
    case TFastOp::kDivide:
      return kDivideMM;
    case TFastOp::kIntPower:
      return kIntPowerMM;
    default:
      return kCallStep;
  }
}

StepOp UnaryBase(TFastOp op) {
  switch (op) {
    case TFastOp::kNegate:
      return kNegateM;
    case TFastOp::kUnaryPlus:
      return kUnaryPlusM;
    case TFastOp::kSqr:
      return kSqrM;
    case TFastOp::kSqrt:
      return kSqrtM;
    case TFastOp::kAbs:
      return kAbsM;
    case TFastOp::kSin:
      return kSinM;
    case TFastOp::kCos:
      return kCosM;
    default:
      return kCallStep;
  }
}

}  // namespace

TEvalNode* TEvalChain::Append() {
  if (nodes_.size() == nodes_.capacity()) {
    // Growing would move the nodes whose value addresses are already handed out.
    throw std::logic_error("TEvalChain.Append: more nodes than counted");
  }
  TEvalNode* previous = nodes_.empty() ? nullptr : &nodes_.back();
  nodes_.emplace_back();
  if (previous != nullptr) previous->Next = &nodes_.back();
  return &nodes_.back();
}

void TEvalChain::Prepare() {
  const std::size_t n = nodes_.size();
  constexpr std::ptrdiff_t kNone = -1, kMany = -2;
  // The node whose value an address is, or kNone.
  const auto node_of = [this, n](const long double* address) -> std::ptrdiff_t {
    for (std::size_t i = 0; i < n; ++i) {
      if (&nodes_[i].Value == address) return static_cast<std::ptrdiff_t>(i);
    }
    return kNone;
  };
  // In a tree every node's value has one reader; a value with several is always read from its node.
  std::vector<std::ptrdiff_t> reader(n, kNone);
  bool pure = true;
  for (std::size_t j = 0; j < n; ++j) {
    if (FastOpOf(nodes_[j].Routine) == TFastOp::kCall) pure = false;
    for (const long double* arg : nodes_[j].Args) {
      const std::ptrdiff_t i = arg != nullptr ? node_of(arg) : kNone;
      if (i == kNone) continue;
      auto& r = reader[static_cast<std::size_t>(i)];
      r = r == kNone ? static_cast<std::ptrdiff_t>(j) : kMany;
    }
  }

  // Library calls clear the floating-point register stack, so the registers that hold waiting values
  // would be saved and restored around each one. When nothing in the chain writes a variable (every
  // node is inline arithmetic), the calls on variables run first, on their own, and store their values;
  // running side-effect-free work earlier changes no result.
  prefix_.clear();
  std::vector<std::size_t> order;  // the nodes of the main steps
  order.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    const TFastOp op = FastOpOf(nodes_[i].Routine);
    const bool call = op == TFastOp::kSin || op == TFastOp::kCos;
    if (pure && call && n > 1 && node_of(nodes_[i].Args[0]) == kNone) {
      prefix_.push_back(Step{static_cast<std::uint8_t>(UnaryBase(op)), kStoreInNode, &nodes_[i],
                             nodes_[i].Args[0], nullptr});
    } else {
      order.push_back(i);
    }
  }
  const std::size_t m = order.size();
  std::vector<std::ptrdiff_t> position(n, kNone);
  for (std::size_t k = 0; k < m; ++k) position[order[k]] = static_cast<std::ptrdiff_t>(k);

  steps_.assign(m, Step{kCallStep, kStoreInNode, nullptr, nullptr, nullptr});
  std::vector<bool> reads_previous(m, false);
  for (std::size_t k = 0; k < m; ++k) {
    const std::size_t j = order[k];
    TEvalNode& node = nodes_[j];
    Step& step = steps_[k];
    step.node = &node;
    step.a = node.Args[0];
    step.b = node.Args[1];
    const TFastOp op = FastOpOf(node.Routine);
    // An operand is the value of the step just before, and only this node reads it.
    const auto from_previous = [&](const long double* arg) {
      if (k == 0) return false;
      const std::size_t p = order[k - 1];
      return arg == &nodes_[p].Value && reader[p] == static_cast<std::ptrdiff_t>(j);
    };
    // The exponent of an integer power that is no node's value is the literal that followed "^", and
    // nothing writes a literal: small exponents become squares, cubes and fourth powers.
    StepOp power = kCallStep;
    if (op == TFastOp::kIntPower && node.Args[1] != nullptr && node_of(node.Args[1]) == kNone) {
      const long double y = *node.Args[1];
      power = y == 2 ? kSquareM : (y == 3 ? kCubeM : (y == 4 ? kFourthM : kCallStep));
    }
    if (power != kCallStep && node.Args[0] != nullptr) {
      const bool a = from_previous(node.Args[0]);
      step.op = static_cast<std::uint8_t>(power + (a ? 1 : 0));
      reads_previous[k] = a;
    } else if (const StepOp base = BinaryBase(op);
               base != kCallStep && node.Args[0] != nullptr && node.Args[1] != nullptr) {
      const bool a = from_previous(node.Args[0]);
      const bool b = from_previous(node.Args[1]);
      const int source = a && !b ? kModeAM : (b && !a ? kModeMA : kModeMM);
      step.op = static_cast<std::uint8_t>(base + source);
      reads_previous[k] = source != kModeMM;
    } else if (const StepOp unary = UnaryBase(op); unary != kCallStep && node.Args[0] != nullptr) {
      const bool a = from_previous(node.Args[0]);
      step.op = static_cast<std::uint8_t>(unary + (a ? 1 : 0));
      reads_previous[k] = a;
    }
  }

  // Registers hold, as a little stack, values that wait over later steps for their reader: the left
  // operand of a binary word whose right operand is the step just before it. Post-order keeps these
  // lifetimes nested, so the reader finds its value on top. Further waiting values go to their nodes.
  int depth = 0;
  for (std::size_t k = 0; k < m; ++k) {
    const std::uint8_t op = steps_[k].op;
    if (op >= kAddMM && op < kNegateM && (op - kAddMM) % 4 == kModeRA) --depth;
    const std::size_t i = order[k];
    if (reader[i] < 0 || depth == kKeptRegisters) continue;
    const std::ptrdiff_t q = position[static_cast<std::size_t>(reader[i])];
    if (q < 0) continue;
    const auto uq = static_cast<std::size_t>(q);
    const TEvalNode& r = nodes_[order[uq]];
    const StepOp base = BinaryBase(FastOpOf(r.Routine));
    if (uq < k + 2 || base == kCallStep || steps_[uq].op != base + kModeMA || r.Args[0] != &nodes_[i].Value)
      continue;
    steps_[k].destination = kKeepInRegister;
    steps_[uq].op = static_cast<std::uint8_t>(base + kModeRA);
    ++depth;
  }

  for (std::size_t k = 0; k < m; ++k) {
    Step& step = steps_[k];
    if (step.destination == kKeepInRegister) continue;
    // The last value is the result: Evaluate returns it without a store. A routine stores its own.
    const bool read_next = k + 1 < m ? reads_previous[k + 1] : true;
    step.destination = read_next || step.op == kCallStep ? kAccumulatorOnly : kStoreInNode;
  }
}

long double TEvalChain::Evaluate() {
  for (const Step& call : prefix_) {
    call.node->Value = call.op == kSinM ? std::sin(*call.a) : std::cos(*call.a);
  }
  long double acc = 0;
  long double kept1 = 0, kept2 = 0, kept3 = 0;  // the stack of waiting values, kept1 on top
  const Step* step = steps_.data();
  const Step* const end = step + steps_.size();
  for (; step != end; ++step) {
    switch (step->op) {
#define ZENTROVA_BINARY(NAME, EXPR)               \
  case NAME##MM: {                                \
    const long double x = *step->a, y = *step->b; \
    acc = (EXPR);                                 \
    break;                                        \
  }                                               \
  case NAME##AM: {                                \
    const long double x = acc, y = *step->b;      \
    acc = (EXPR);                                 \
    break;                                        \
  }                                               \
  case NAME##MA: {                                \
    const long double x = *step->a, y = acc;      \
    acc = (EXPR);                                 \
    break;                                        \
  }                                               \
  case NAME##RA: {                                \
    const long double x = kept1, y = acc;         \
    kept1 = kept2;                                \
    kept2 = kept3;                                \
    acc = (EXPR);                                 \
    break;                                        \
  }
#define ZENTROVA_UNARY(NAME, EXPR)  \
  case NAME##M: {                   \
    const long double x = *step->a; \
    acc = (EXPR);                   \
    break;                          \
  }                                 \
  case NAME##A: {                   \
    const long double x = acc;      \
    acc = (EXPR);                   \
    break;                          \
  }
      ZENTROVA_BINARY(kAdd, x + y)
      ZENTROVA_BINARY(kSubtract, x - y)
      ZENTROVA_BINARY(kMultiply, x * y)
      ZENTROVA_BINARY(kDivide, x / y)
      ZENTROVA_BINARY(kIntPower, IntPowerOf(x, y))
      ZENTROVA_UNARY(kNegate, -x)
      ZENTROVA_UNARY(kUnaryPlus, x)
      ZENTROVA_UNARY(kSqr, x * x)
      ZENTROVA_UNARY(kSqrt, std::sqrt(x))
      ZENTROVA_UNARY(kAbs, std::fabs(x))
      ZENTROVA_UNARY(kSin, std::sin(x))
      ZENTROVA_UNARY(kCos, std::cos(x))
      ZENTROVA_UNARY(kSquare, x * x)
      ZENTROVA_UNARY(kCube, x * (x * x))
      ZENTROVA_UNARY(kFourth, (x * x) * (x * x))
#undef ZENTROVA_BINARY
#undef ZENTROVA_UNARY
      default:
        step->node->Routine(step->node);
        acc = step->node->Value;
        break;
    }
    if (step->destination == kStoreInNode) {
      step->node->Value = acc;
    } else if (step->destination == kKeepInRegister) {
      kept3 = kept2;
      kept2 = kept1;
      kept1 = acc;
    }
  }
  return acc;
}

long double TEvalChain::EvaluateNodes() {
  for (TEvalNode* node = FirstNode(); node != nullptr; node = node->Next) node->Routine(node);
  return nodes_.back().Value;
}

void TEvalChain::Replace(const TExprWord* old_word, TExprWord* new_word, const long double* old_value,
                         long double* new_value) {
  for (TEvalNode& node : nodes_) {
    if (node.Word == old_word) {
      node.Word = new_word;
      node.Routine = new_word->Routine();
    }
    if (old_value == nullptr) continue;
    for (long double*& arg : node.Args) {
      if (arg == old_value) arg = new_value;
    }
  }
  Prepare();
}

}  // namespace zentrova
