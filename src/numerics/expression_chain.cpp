#include "numerics/expression_chain.h"

#include <cmath>
#include <iterator>
#include <stdexcept>

#include "numerics/expression_vocabulary.h"
#include "numerics/fast_trig.h"

namespace zentrova {

namespace {

// Where a step takes an operand from: an address, the accumulator (the value of the step just
// before), the top of the kept registers, the square of an address (a square folded into its
// reader), or the register that holds a sine or cosine run before the steps.
enum Source : std::uint8_t { kFromMemory, kFromAccumulator, kFromKept, kFromSquare, kFromHoisted };

// Where a step's value goes besides the accumulator.
enum Destination : std::uint8_t { kAccumulatorOnly, kStoreInNode, kKeepInRegister };
constexpr int kDestinations = 3;

// The operand sources of a binary step, x then y, by the letters M, A, R, S and H of Source. The
// four arithmetic words take all pairs, the integer power the first four.
#define ZENTROVA_PAIRS(NAME)                                                                          \
  NAME##MM, NAME##AM, NAME##MA, NAME##RA, NAME##MS, NAME##SM, NAME##SS, NAME##AS, NAME##SA, NAME##HM, \
      NAME##MH, NAME##AH, NAME##HA
constexpr Source kPairs[][2] = {
    {kFromMemory, kFromMemory},       {kFromAccumulator, kFromMemory}, {kFromMemory, kFromAccumulator},
    {kFromKept, kFromAccumulator},    {kFromMemory, kFromSquare},      {kFromSquare, kFromMemory},
    {kFromSquare, kFromSquare},       {kFromAccumulator, kFromSquare}, {kFromSquare, kFromAccumulator},
    {kFromHoisted, kFromMemory},      {kFromMemory, kFromHoisted},     {kFromAccumulator, kFromHoisted},
    {kFromHoisted, kFromAccumulator},
};
constexpr int kArithmeticPairs = static_cast<int>(std::size(kPairs)), kIntPowerPairs = 4;

// Step forms: a built-in operation with its operand sources. A unary operation has two, M and A.
// The chained forms run two arithmetic words on the accumulator, (acc op1 *a) op2 *b, and follow
// kChained in the order 4 * op1 + op2 with the arithmetic words in the order add, subtract,
// multiply, divide; from kChainedHoisted on the same with the hoisted register for *b.
enum StepForm : std::uint8_t {
  kCallStep,
  ZENTROVA_PAIRS(kAdd),
  ZENTROVA_PAIRS(kSubtract),
  ZENTROVA_PAIRS(kMultiply),
  ZENTROVA_PAIRS(kDivide),
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
  kChained,
  kChainedHoisted = kChained + 16,
  kFormCount = kChainedHoisted + 16,
};
#undef ZENTROVA_PAIRS
static_assert(kSubtractMM - kAddMM == kArithmeticPairs && kIntPowerMM - kDivideMM == kArithmeticPairs,
              "every arithmetic word has a form for each pair of sources");

// A step's code is its form and its destination, so that one dispatch does both; the code after the
// last form ends the run.
constexpr int kEndCode = kFormCount * kDestinations;
static_assert(kEndCode <= 0xffff, "step codes are 16 bits");

constexpr std::uint16_t CodeOf(int form, Destination destination) {
  return static_cast<std::uint16_t>(form * kDestinations + destination);
}

constexpr int kKeptRegisters = 3;

// The position of an arithmetic word among add, subtract, multiply, divide; -1 for any other.
int ArithmeticIndex(TFastOp op) {
  switch (op) {
    case TFastOp::kAdd:
      return 0;
    case TFastOp::kSubtract:
      return 1;
    case TFastOp::kMultiply:
      return 2;
    case TFastOp::kDivide:
      return 3;
    default:
      return -1;
  }
}

// The first form of a binary operation and the number of source pairs it has, 0 for none.
int BinaryBase(TFastOp op, int& pairs) {
  pairs = kArithmeticPairs;
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
      pairs = kIntPowerPairs;
      return kIntPowerMM;
    default:
      pairs = 0;
      return kCallStep;
  }
}

int UnaryBase(TFastOp op) {
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

// The form of a binary operation with the given sources, kCallStep when it has none.
int BinaryForm(TFastOp op, Source x, Source y) {
  int pairs = 0;
  const int base = BinaryBase(op, pairs);
  for (int p = 0; p < pairs; ++p) {
    if (kPairs[p][0] == x && kPairs[p][1] == y) return base + p;
  }
  return kCallStep;
}

// What Prepare decides for one step before it becomes a code.
struct Plan {
  std::size_t node;  // the node whose value the step computes
  TFastOp op;
  int form;
  Source x, y;
  Destination destination;
  const long double* a;
  const long double* b;
};

}  // namespace

TEvalChain::TEvalChain(std::size_t capacity) {
  nodes_.reserve(capacity);
  steps_.push_back(Step{static_cast<std::uint16_t>(kEndCode), nullptr, nullptr, nullptr});
}

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
  std::vector<TFastOp> ops(n);
  for (std::size_t i = 0; i < n; ++i) ops[i] = FastOpOf(nodes_[i].Routine);
  // In a tree every node's value has one reader; a value with several is always read from its node.
  std::vector<std::ptrdiff_t> reader(n, kNone);
  bool pure = true;
  for (std::size_t j = 0; j < n; ++j) {
    if (ops[j] == TFastOp::kCall) pure = false;
    for (const long double* arg : nodes_[j].Args) {
      const std::ptrdiff_t i = arg != nullptr ? node_of(arg) : kNone;
      if (i == kNone) continue;
      auto& r = reader[static_cast<std::size_t>(i)];
      r = r == kNone ? static_cast<std::ptrdiff_t>(j) : kMany;
    }
  }
  // Only a routine may write a variable; inline arithmetic writes nothing but its node.
  const auto calls_between = [&ops](std::size_t from, std::size_t to) {
    for (std::size_t i = from + 1; i < to; ++i) {
      if (ops[i] == TFastOp::kCall) return true;
    }
    return false;
  };

  // Calls clear the floating-point register stack, so the registers that hold waiting values would be
  // saved and restored around each one; a sine or cosine calls out when its table misses. When nothing in the chain writes a variable (every
  // node is inline arithmetic), the calls on variables run first, on their own, and store their values;
  // running side-effect-free work earlier changes no result. The last node stays a step: it is the
  // result.
  calls_.clear();
  std::vector<bool> in_prefix(n, false);
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const TFastOp op = ops[i];
    if (pure && (op == TFastOp::kSin || op == TFastOp::kCos) && node_of(nodes_[i].Args[0]) == kNone) {
      calls_.push_back(Call{op == TFastOp::kSin, nodes_[i].Args[0], &nodes_[i].Value});
      in_prefix[i] = true;
    }
  }

  // The square of an address whose one reader is an arithmetic word folds into that reader, which
  // squares the operand itself: one step less, and the same product. The square then runs later than
  // its node, which is sound as long as no routine between them can write the operand.
  std::vector<bool> folded(n, false);
  std::vector<Source> x_source(n, kFromMemory), y_source(n, kFromMemory);
  std::vector<const long double*> a(n), b(n);
  for (std::size_t i = 0; i < n; ++i) {
    a[i] = nodes_[i].Args[0];
    b[i] = nodes_[i].Args[1];
  }
  for (std::size_t i = 0; i < n; ++i) {
    const TEvalNode& node = nodes_[i];
    const bool square =
        (ops[i] == TFastOp::kSqr || (ops[i] == TFastOp::kIntPower && node.Args[1] != nullptr &&
                                     node_of(node.Args[1]) == kNone && *node.Args[1] == 2)) &&
        node.Args[0] != nullptr && node_of(node.Args[0]) == kNone;
    if (!square || reader[i] < 0) continue;
    const auto r = static_cast<std::size_t>(reader[i]);
    const TEvalNode& user = nodes_[r];
    if (ArithmeticIndex(ops[r]) < 0 || user.Args[0] == nullptr || user.Args[1] == nullptr ||
        calls_between(i, r)) {
      continue;
    }
    folded[i] = true;
    if (user.Args[0] == &node.Value) {
      x_source[r] = kFromSquare;
      a[r] = node.Args[0];
    } else {
      y_source[r] = kFromSquare;
      b[r] = node.Args[0];
    }
  }

  std::vector<std::size_t> order;  // the nodes of the main steps
  order.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    if (!in_prefix[i] && !folded[i]) order.push_back(i);
  }
  const std::size_t m = order.size();
  std::vector<std::ptrdiff_t> position(n, kNone);
  for (std::size_t k = 0; k < m; ++k) position[order[k]] = static_cast<std::ptrdiff_t>(k);

  std::vector<Plan> plan(m);
  for (std::size_t k = 0; k < m; ++k) {
    const std::size_t j = order[k];
    const TEvalNode& node = nodes_[j];
    Plan& p = plan[k];
    p = Plan{j, ops[j], kCallStep, x_source[j], y_source[j], kStoreInNode, a[j], b[j]};
    // An operand is the value of the step just before, and only this node reads it.
    const auto from_previous = [&](const long double* arg) {
      if (k == 0 || arg == nullptr) return false;
      const std::size_t q = order[k - 1];
      return arg == &nodes_[q].Value && reader[q] == static_cast<std::ptrdiff_t>(j);
    };
    // The exponent of an integer power that is no node's value is the literal that followed "^", and
    // nothing writes a literal: small exponents become squares, cubes and fourth powers.
    int power = kCallStep;
    if (p.op == TFastOp::kIntPower && node.Args[1] != nullptr && node_of(node.Args[1]) == kNone) {
      const long double y = *node.Args[1];
      power = y == 2 ? kSquareM : (y == 3 ? kCubeM : (y == 4 ? kFourthM : kCallStep));
    }
    if (power != kCallStep && node.Args[0] != nullptr) {
      p.x = from_previous(p.a) ? kFromAccumulator : kFromMemory;
      p.form = power + (p.x == kFromAccumulator ? 1 : 0);
    } else if (int pairs = 0;
               BinaryBase(p.op, pairs) != kCallStep && node.Args[0] != nullptr && node.Args[1] != nullptr) {
      const bool x = p.x == kFromMemory && from_previous(p.a);
      const bool y = p.y == kFromMemory && from_previous(p.b);
      if (x != y) {
        if (x) p.x = kFromAccumulator;
        if (y) p.y = kFromAccumulator;
      }
      p.form = BinaryForm(p.op, p.x, p.y);
    } else if (const int unary = UnaryBase(p.op); unary != kCallStep && node.Args[0] != nullptr) {
      p.x = from_previous(p.a) ? kFromAccumulator : kFromMemory;
      p.form = unary + (p.x == kFromAccumulator ? 1 : 0);
    }
  }
  // One hoisted value waits in a register instead of its node when its one reader is an arithmetic
  // word that can take it from there: the 80-bit store and load lie on the path from the call to the
  // result. It runs last among the calls, so that no call clears the register.
  stored_calls_ = calls_.size();
  holds_call_ = false;
  for (std::size_t c = 0; c < calls_.size(); ++c) {
    const long double* hoisted = calls_[c].value;
    const std::ptrdiff_t r = reader[static_cast<std::size_t>(node_of(hoisted))];
    if (r < 0 || position[static_cast<std::size_t>(r)] < 0) continue;
    Plan& user = plan[static_cast<std::size_t>(position[static_cast<std::size_t>(r)])];
    if (ArithmeticIndex(user.op) < 0 || user.form == kCallStep) continue;
    Source x = user.x, y = user.y;
    if (x == kFromMemory && user.a == hoisted) {
      x = kFromHoisted;
    } else if (y == kFromMemory && user.b == hoisted) {
      y = kFromHoisted;
    }
    const int form = BinaryForm(user.op, x, y);
    if (form == kCallStep || (x == user.x && y == user.y)) continue;
    user.x = x;
    user.y = y;
    user.form = form;
    const Call held = calls_[c];
    calls_.erase(calls_.begin() + static_cast<std::ptrdiff_t>(c));
    calls_.push_back(held);
    --stored_calls_;
    holds_call_ = true;
    break;
  }

  const auto reads_accumulator = [](const Plan& p) {
    return p.form != kCallStep && (p.x == kFromAccumulator || p.y == kFromAccumulator);
  };

  // Registers hold, as a little stack, values that wait over later steps for their reader: the left
  // operand of a binary word whose right operand is the step just before it. Post-order keeps these
  // lifetimes nested, so the reader finds its value on top. Further waiting values go to their nodes.
  int depth = 0;
  for (std::size_t k = 0; k < m; ++k) {
    if (plan[k].x == kFromKept) --depth;
    const std::size_t i = order[k];
    if (reader[i] < 0 || depth == kKeptRegisters) continue;
    const std::ptrdiff_t q = position[static_cast<std::size_t>(reader[i])];
    if (q < 0) continue;
    Plan& user = plan[static_cast<std::size_t>(q)];
    if (static_cast<std::size_t>(q) < k + 2 || user.form == kCallStep || user.x != kFromMemory ||
        user.y != kFromAccumulator || user.a != &nodes_[i].Value) {
      continue;
    }
    const int form = BinaryForm(user.op, kFromKept, kFromAccumulator);
    if (form == kCallStep) continue;
    plan[k].destination = kKeepInRegister;
    user.x = kFromKept;
    user.form = form;
    ++depth;
  }

  for (std::size_t k = 0; k < m; ++k) {
    Plan& p = plan[k];
    if (p.destination == kKeepInRegister) continue;
    // The last value is the result: Evaluate returns it without a store. A routine stores its own.
    const bool read_next = k + 1 < m ? reads_accumulator(plan[k + 1]) : true;
    p.destination = read_next || p.form == kCallStep ? kAccumulatorOnly : kStoreInNode;
  }

  // Two arithmetic words in a row, each reading the accumulator and an address, make one step.
  steps_.clear();
  steps_.reserve(m + 1);
  const auto chains = [](const Plan& p, bool hoisted) {
    return ArithmeticIndex(p.op) >= 0 && p.x == kFromAccumulator &&
           (p.y == kFromMemory || (hoisted && p.y == kFromHoisted));
  };
  for (std::size_t k = 0; k < m; ++k) {
    const Plan& p = plan[k];
    if (k + 1 < m && chains(p, false) && chains(plan[k + 1], true)) {
      const Plan& second = plan[k + 1];
      const int form = (second.y == kFromHoisted ? kChainedHoisted : kChained) + 4 * ArithmeticIndex(p.op) +
                       ArithmeticIndex(second.op);
      steps_.push_back(Step{CodeOf(form, second.destination), &nodes_[second.node], p.b, second.b});
      ++k;
      continue;
    }
    steps_.push_back(Step{CodeOf(p.form, p.destination), &nodes_[p.node], p.a, p.b});
  }
  steps_.push_back(Step{static_cast<std::uint16_t>(kEndCode), nullptr, nullptr, nullptr});
}

long double TEvalChain::Evaluate() {
  // The call whose value waits in a register comes last, so that no other call clears it.
  const Call* call = calls_.data();
  const auto run = [](const Call* c) { return c->sine ? CachedSin(*c->x) : CachedCos(*c->x); };
  for (const Call* const stored_end = call + stored_calls_; call != stored_end; ++call) {
    *call->value = run(call);
  }
  const long double hoisted = holds_call_ ? run(call) : 0;
  long double acc = 0;
  long double kept1 = 0, kept2 = 0, kept3 = 0;  // the stack of waiting values, kept1 on top
  // One dispatch per step, and every case goes straight back to it: the destination is part of the
  // code, and the end is a code of its own.
  for (const Step* step = steps_.data();; ++step) {
    switch (step->code) {
#define ZENTROVA_FORM(FORM, ...)       \
  case CodeOf(FORM, kAccumulatorOnly): \
    __VA_ARGS__;                       \
    continue;                          \
  case CodeOf(FORM, kStoreInNode):     \
    __VA_ARGS__;                       \
    step->node->Value = acc;           \
    continue;                          \
  case CodeOf(FORM, kKeepInRegister):  \
    __VA_ARGS__;                       \
    kept3 = kept2;                     \
    kept2 = kept1;                     \
    kept1 = acc;                       \
    continue;
// x and y by the letters of the form's name.
#define ZENTROVA_M(P) const long double P = *step->P##_address
#define ZENTROVA_A(P) const long double P = acc
#define ZENTROVA_R(P)          \
  const long double P = kept1; \
  kept1 = kept2;               \
  kept2 = kept3
#define ZENTROVA_H(P) const long double P = hoisted
#define ZENTROVA_S(P)                              \
  const long double P##_root = *step->P##_address; \
  const long double P = P##_root * P##_root
#define ZENTROVA_BINARY_PAIR(NAME, X, Y, EXPR) \
  ZENTROVA_FORM(NAME##X##Y, {                  \
    ZENTROVA_##X(x);                           \
    ZENTROVA_##Y(y);                           \
    acc = (EXPR);                              \
  })
#define ZENTROVA_BINARY(NAME, EXPR)      \
  ZENTROVA_BINARY_PAIR(NAME, M, M, EXPR) \
  ZENTROVA_BINARY_PAIR(NAME, A, M, EXPR) \
  ZENTROVA_BINARY_PAIR(NAME, M, A, EXPR) \
  ZENTROVA_BINARY_PAIR(NAME, R, A, EXPR)
#define ZENTROVA_ARITHMETIC(NAME, EXPR)  \
  ZENTROVA_BINARY(NAME, EXPR)            \
  ZENTROVA_BINARY_PAIR(NAME, M, S, EXPR) \
  ZENTROVA_BINARY_PAIR(NAME, S, M, EXPR) \
  ZENTROVA_BINARY_PAIR(NAME, S, S, EXPR) \
  ZENTROVA_BINARY_PAIR(NAME, A, S, EXPR) \
  ZENTROVA_BINARY_PAIR(NAME, S, A, EXPR) \
  ZENTROVA_BINARY_PAIR(NAME, H, M, EXPR) \
  ZENTROVA_BINARY_PAIR(NAME, M, H, EXPR) \
  ZENTROVA_BINARY_PAIR(NAME, A, H, EXPR) \
  ZENTROVA_BINARY_PAIR(NAME, H, A, EXPR)
#define ZENTROVA_UNARY(NAME, EXPR) \
  ZENTROVA_FORM(NAME##M, {         \
    ZENTROVA_M(x);                 \
    acc = (EXPR);                  \
  })                               \
  ZENTROVA_FORM(NAME##A, {         \
    ZENTROVA_A(x);                 \
    acc = (EXPR);                  \
  })
#define ZENTROVA_CHAINED(FIRST, OP1, SECOND, OP2)           \
  ZENTROVA_FORM(kChained + 4 * (FIRST) + (SECOND), {        \
    const long double first = acc OP1 * step->x_address;    \
    acc = first OP2 * step->y_address;                      \
  })                                                        \
  ZENTROVA_FORM(kChainedHoisted + 4 * (FIRST) + (SECOND), { \
    const long double first = acc OP1 * step->x_address;    \
    acc = first OP2 hoisted;                                \
  })
#define ZENTROVA_CHAINED4(FIRST, OP1) \
  ZENTROVA_CHAINED(FIRST, OP1, 0, +)  \
  ZENTROVA_CHAINED(FIRST, OP1, 1, -)  \
  ZENTROVA_CHAINED(FIRST, OP1, 2, *)  \
  ZENTROVA_CHAINED(FIRST, OP1, 3, /)
      ZENTROVA_FORM(kCallStep, {
        step->node->Routine(step->node);
        acc = step->node->Value;
      })
      ZENTROVA_ARITHMETIC(kAdd, x + y)
      ZENTROVA_ARITHMETIC(kSubtract, x - y)
      ZENTROVA_ARITHMETIC(kMultiply, x * y)
      ZENTROVA_ARITHMETIC(kDivide, x / y)
      ZENTROVA_BINARY(kIntPower, IntPowerOf(x, y))
      ZENTROVA_UNARY(kNegate, -x)
      ZENTROVA_UNARY(kUnaryPlus, x)
      ZENTROVA_UNARY(kSqr, x * x)
      ZENTROVA_UNARY(kSqrt, std::sqrt(x))
      ZENTROVA_UNARY(kAbs, std::fabs(x))
      ZENTROVA_UNARY(kSin, CachedSin(x))
      ZENTROVA_UNARY(kCos, CachedCos(x))
      ZENTROVA_UNARY(kSquare, x * x)
      ZENTROVA_UNARY(kCube, x * (x * x))
      ZENTROVA_UNARY(kFourth, (x * x) * (x * x))
      ZENTROVA_CHAINED4(0, +)
      ZENTROVA_CHAINED4(1, -)
      ZENTROVA_CHAINED4(2, *)
      ZENTROVA_CHAINED4(3, /)
#undef ZENTROVA_CHAINED4
#undef ZENTROVA_CHAINED
#undef ZENTROVA_UNARY
#undef ZENTROVA_ARITHMETIC
#undef ZENTROVA_BINARY
#undef ZENTROVA_BINARY_PAIR
#undef ZENTROVA_S
#undef ZENTROVA_H
#undef ZENTROVA_R
#undef ZENTROVA_A
#undef ZENTROVA_M
#undef ZENTROVA_FORM
      case kEndCode:
        return acc;
      default:
        // Prepare makes no other code.
        __builtin_unreachable();
    }
  }
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
