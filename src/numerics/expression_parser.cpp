#include "numerics/expression_parser.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <typeinfo>
#include <utility>

#include "numerics/expression_vocabulary.h"
#include "platform/number_text.h"
#include "platform/settings.h"
#include "platform/strings.h"

namespace zentrova {

namespace {

constexpr const char* kSyntaxPrefix = "Error in math expression: ";

// Compiling walks the expression tree recursively, except along chains of first arguments (the terms of
// a sum, which group from the left, lie along one): this bound on the nesting keeps the stack small for
// any text, while a sum of any number of terms compiles.
constexpr int kMaxTreeHeight = 2000;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsHexDigit(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f');
}
bool IsIdentifierChar(char c) {
  return IsDigit(c) || c == '_' || (c >= 'a' && c <= 'z');
}

bool IsLeftBracket(const TExprWord* w) {
  return w->ResultType() == kResultLeftBracket;
}
bool IsRightBracket(const TExprWord* w) {
  return w->ResultType() == kResultRightBracket;
}
bool IsListSeparator(const TExprWord* w) {
  return w->ResultType() == kResultListSeparator;
}
bool IsNamed(const TExprWord* w, std::string_view name) {
  return w->Name() == name;
}
bool IsSign(const TExprWord* w) {
  return IsNamed(w, "+") || IsNamed(w, "-");
}
bool IsBinaryOperator(const TExprWord* w) {
  return w->IsOperator() && w->NFunctionArg() == 2;
}

int PrecedenceOf(const TExprWord* w) {
  const auto* f = dynamic_cast<const TFunction*>(w);
  return f != nullptr ? f->Precedence() : 0;
}

// A literal exponent that the integer power computes exactly: a whole number of 32 bits.
bool IsIntegerExponent(TExprWord* w, char decimal_sep) {
  if (typeid(*w) != typeid(TFloatConstant)) return false;
  if (w->Name().find(decimal_sep) != std::string::npos) return false;
  const long double v = *w->ValuePointer();
  return v == std::nearbyint(v) && v >= std::numeric_limits<std::int32_t>::min() &&
         v <= std::numeric_limits<std::int32_t>::max();
}

// A refused expression: the language's message prefix, then what is wrong.
EParserException ExpressionError(const std::string& detail) {
  return EParserException(kSyntaxPrefix + detail);
}

EParserException TooDeep() {
  return ExpressionError("Expression nested too deeply (more than " + std::to_string(kMaxTreeHeight) +
                         " levels)");
}

EParserException SyntaxError(const std::string& text) {
  return ExpressionError("Syntax error in expression " + text);
}

}  // namespace

// The expression tree exists only while compiling; the chain is made from it.
struct TCustomExpressionParser::TreeNode {
  TreeNode() = default;
  TreeNode(const TreeNode&) = delete;
  TreeNode& operator=(const TreeNode&) = delete;
  // The chain of first arguments is freed in a loop, the other arguments recursively.
  ~TreeNode() {
    std::unique_ptr<TreeNode> next = std::move(Args[0]);
    while (next != nullptr) next = std::move(next->Args[0]);
  }

  TExprWord* Word = nullptr;
  std::unique_ptr<TreeNode> Args[kMaxFunctionArgs];
  // Of the sub-tree: the recursion depth of everything that walks it. A first argument is walked in the
  // loop of its parent and adds no depth; every other argument adds one level.
  int Height = 1;
  // The word or a word of the arguments it takes can change its value between evaluations.
  bool Varies = false;

  // The height and Varies from the word and the arguments.
  void Measure() {
    Height = 1;
    Varies = Word->CanVary();
    for (int i = 0; i < kMaxFunctionArgs; ++i) {
      if (Args[i] == nullptr) continue;
      Height = std::max(Height, Args[i]->Height + (i == 0 ? 0 : 1));
      // Arguments beyond the word's count are dropped: they are never evaluated.
      if (i < Word->NFunctionArg()) Varies = Varies || Args[i]->Varies;
    }
  }
};

namespace {

// The nodes from `node` down its chain of first arguments, as long as the words take arguments.
template <typename Node>
std::vector<Node*> FirstArgumentChain(Node* node) {
  std::vector<Node*> chain;
  for (; node != nullptr; node = node->Word->NFunctionArg() > 0 ? node->Args[0].get() : nullptr) {
    chain.push_back(node);
  }
  return chain;
}

}  // namespace

// --- TCustomExpressionParser ---

TCustomExpressionParser::TCustomExpressionParser()
    : decimal_sep_(DecimalSeparator()), list_sep_(ListSeparator()) {}

TCustomExpressionParser::~TCustomExpressionParser() = default;

void TCustomExpressionParser::CheckReplacement(TExprWord* old_word, TExprWord* new_word) const {
  if (old_word->NFunctionArg() != new_word->NFunctionArg()) {
    throw Exception(std::string(kSyntaxPrefix) +
                    "Cannot replace variable/function NFuntionArg doesn't match");
  }
  // Compiled chains read the old word's value through its address; a word without one cannot take over.
  if (old_word->ValuePointer() != nullptr && new_word->ValuePointer() == nullptr) {
    throw Exception(std::string(kSyntaxPrefix) + "Cannot replace variable " + old_word->Name() +
                    " by a word without a value");
  }
}

void TCustomExpressionParser::ReplaceInConstantWords(const TExprWord* old_word, TExprWord* new_word) {
  for (TExprWord* word : constant_words_) {
    if (auto* f = dynamic_cast<TSimpleStringFunction*>(word)) f->ReplaceOperand(old_word, new_word);
  }
}

void TCustomExpressionParser::ReplaceFunction(TExprWord* old_word, TExprWord* new_word) {
  CheckReplacement(old_word, new_word);
  ReplaceInConstantWords(old_word, new_word);
  if (current_ != nullptr) {
    current_->Replace(old_word, new_word, old_word->ValuePointer(), new_word->ValuePointer());
  }
}

int TCustomExpressionParser::AddExpression(const std::string& text) {
  if (text.empty()) return -1;
  own_chain_ = Compile(text);
  current_ = own_chain_.get();
  return 0;
}

void TCustomExpressionParser::ClearExpressions() {
  if (current_ == own_chain_.get()) current_ = nullptr;
  own_chain_.reset();
}

void TCustomExpressionParser::DefineVariable(std::string_view name, long double* address) {
  AddWord(std::make_unique<TFloatVariable>(name, address));
}

void TCustomExpressionParser::DefineStringFunction(std::string_view name, std::string description,
                                                   TStringRoutine routine) {
  AddWord(std::make_unique<TSimpleStringFunction>(name, std::move(description), routine, nullptr, nullptr));
}

void TCustomExpressionParser::AddWord(std::unique_ptr<TExprWord> word) {
  int index = 0;
  if (words_.Search(word->Name(), index)) {
    TExprWord* old_word = words_.At(index);
    ReplaceFunction(old_word, word.get());
    words_.AtFree(index);
  }
  if (words_.Insert(word.get())) (void)word.release();
}

TExprWord* TCustomExpressionParser::FindWord(std::string_view name) const {
  TExprWord* word = words_.Find(name);
  if (word == nullptr) {
    throw ExpressionError("the word " + std::string(name) + " is missing");
  }
  return word;
}

// --- compiling ---

std::unique_ptr<TEvalChain> TCustomExpressionParser::Compile(const std::string& text) {
  const std::string s = LowerCase(text);
  TokenList tokens = Tokenise(s);
  Preprocess(tokens, s);
  Tree tree = BuildTree(std::move(tokens), s, 1);
  if (!CheckArguments(tree.get())) {
    throw ExpressionError("Syntax error: function or operand has too few arguments");
  }
  if (optimize_) FoldConstants(tree);
  if (tree->Word->IsCopyWord()) {
    auto chain = std::make_unique<TEvalChain>(1);
    TEvalNode* node = chain->Append();
    node->Word = tree->Word;
    node->Routine = tree->Word->Routine();
    node->Args[0] = tree->Word->ValuePointer();
    chain->Prepare();
    return chain;
  }
  // Counted first: the chain is allocated once and never moves.
  auto chain = std::make_unique<TEvalChain>(ChainLength(tree.get()));
  Link(tree.get(), *chain);
  chain->Prepare();
  return chain;
}

TCustomExpressionParser::TokenList TCustomExpressionParser::Tokenise(const std::string& text) {
  const std::string s = Trim(text);
  TokenList tokens;
  std::size_t p = 0;
  while (p < s.size()) {
    bool constant = false;
    std::string token = Trim(ScanToken(s, p, constant));
    if (token.empty()) continue;
    if (!constant) {
      TExprWord* word = words_.Find(token);
      if (word == nullptr) {
        // A new name is one shared variable for this and every later expression of the parser.
        auto generated = std::make_unique<TGeneratedVariable>(token);
        word = generated.get();
        if (words_.Insert(word)) (void)generated.release();
      }
      tokens.push_back(word);
      continue;
    }
    if (token[0] == hex_prefix_) {
      token[0] = '$';
      std::int32_t value = 0;
      if (!TryTextToInt(token, value)) {
        throw EConvertError("'" + token + "' is not a valid integer");
      }
      token = IntToText(value);
    }
    std::unique_ptr<TExprWord> word;
    if (token[0] == '\'') {
      word = std::make_unique<TStringConstant>(token);
    } else {
      word = std::make_unique<TFloatConstant>(token, token, decimal_sep_);
    }
    tokens.push_back(word.get());
    constant_words_.Add(word.release());
  }
  return tokens;
}

void TCustomExpressionParser::ScanNumber(const std::string& s, std::size_t& p, bool hexadecimal) const {
  const auto digit = [hexadecimal](char c) { return hexadecimal ? IsHexDigit(c) : IsDigit(c); };
  while (p < s.size() && digit(s[p])) ++p;
  if (p < s.size() && s[p] == decimal_sep_) {
    ++p;
    while (p < s.size() && digit(s[p])) ++p;
  }
  if (p < s.size() && s[p] == 'e') {
    ++p;
    if (p < s.size() && (s[p] == '+' || s[p] == '-')) ++p;
    while (p < s.size() && IsDigit(s[p])) ++p;
  }
}

std::string TCustomExpressionParser::ScanToken(const std::string& s, std::size_t& p, bool& constant) const {
  const std::size_t n = s.size();
  while (p + 1 < n && s[p] == ' ') ++p;
  const std::size_t start = p;
  const char c = s[p];
  const auto uc = static_cast<unsigned char>(c);
  const auto next_is = [&](auto predicate) { return p + 1 < n && predicate(s[p + 1]); };
  if (c == hex_prefix_) {
    ++p;
    if (p < n && IsHexDigit(s[p])) {
      ScanNumber(s, p, true);
      constant = true;
    } else {
      while (p < n && IsIdentifierChar(s[p])) ++p;
    }
  } else if (c == decimal_sep_) {
    ScanNumber(s, p, false);
    constant = true;
  } else if (uc < '!' || uc > '~') {
    ++p;
  } else if (c == '!' || c == ':') {
    p += next_is([](char d) { return d == '='; }) ? 2 : 1;
  } else if (c == '&' || c == '|') {
    p += next_is([c](char d) { return d == c; }) ? 2 : 1;
  } else if (c == '<' || c == '=' || c == '>') {
    p += next_is([](char d) { return d == '<' || d == '=' || d == '>'; }) ? 2 : 1;
  } else if (c == '\'') {
    const std::size_t close = s.find('\'', p + 1);
    p = close == std::string::npos ? n : close + 1;
    constant = true;
  } else if (c == '+' || c == '-') {
    const char* doubled = c == '+' ? "++" : "--";
    p += next_is([c](char d) { return d == c; }) && words_.Find(doubled) != nullptr ? 2 : 1;
  } else if (IsDigit(c)) {
    ScanNumber(s, p, false);
    constant = true;
  } else if (c == '_' || (c >= 'a' && c <= 'z')) {
    while (p < n && IsIdentifierChar(s[p])) ++p;
  } else {
    ++p;
  }
  return s.substr(start, p - start);
}

void TCustomExpressionParser::Preprocess(TokenList& tokens, const std::string& text) {
  int balance = 0;
  for (const TExprWord* t : tokens) {
    if (IsLeftBracket(t)) ++balance;
    if (IsRightBracket(t)) --balance;
  }
  if (balance != 0) throw EParserException("Unequal brackets");

  TExprWord* const unary_minus = FindWord("-@");
  TExprWord* const unary_plus = FindWord("+@");
  TExprWord* const int_power = FindWord("^@");
  const auto erase = [&tokens](std::size_t from, std::size_t to) {
    tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(from),
                 tokens.begin() + static_cast<std::ptrdiff_t>(to));
  };

  std::size_t i = 0;
  while (i < tokens.size()) {
    const TExprWord* previous = i > 0 ? tokens[i - 1] : nullptr;
    // A run of signs where an operand begins is one unary sign.
    if (IsSign(tokens[i]) && (previous == nullptr || IsListSeparator(previous) || IsLeftBracket(previous) ||
                              IsBinaryOperator(previous))) {
      int sign = IsNamed(tokens[i], "-") ? -1 : 1;
      while (i + 1 < tokens.size() && IsSign(tokens[i + 1])) {
        if (IsNamed(tokens[i + 1], "-")) sign = -sign;
        erase(i + 1, i + 2);
      }
      tokens[i] = sign < 0 ? unary_minus : unary_plus;
    }
    // "not not" cancels.
    if (IsNamed(tokens[i], "not") &&
        (previous == nullptr || IsLeftBracket(previous) || previous->IsOperator())) {
      std::size_t end = i;
      while (end < tokens.size() && IsNamed(tokens[end], "not")) ++end;
      if ((end - i) % 2 == 0) {
        erase(i, end);
        continue;  // the token that moved up gets the same treatment
      }
      erase(i + 1, end);
    }

    TExprWord* const t = tokens[i];
    TExprWord* const next = i + 1 < tokens.size() ? tokens[i + 1] : nullptr;
    if (next != nullptr && t->IsCopyWord() && next->IsCopyWord()) {
      throw ExpressionError(t->Name() + " two space limited variables/constants");
    }
    if (next != nullptr && dynamic_cast<TGeneratedVariable*>(t) != nullptr && IsLeftBracket(next)) {
      throw ExpressionError(t->Name() + " is an unknown function");
    }
    if (IsLeftBracket(t) && (next == nullptr || IsRightBracket(next))) {
      throw ExpressionError("Empty brackets ()");
    }
    if (IsRightBracket(t) && next != nullptr && IsLeftBracket(next)) {
      throw ExpressionError("Missing operand between )(");
    }
    if (IsRightBracket(t) && next != nullptr && next->IsCopyWord()) {
      throw ExpressionError("Missing operand between ) and constant/variable");
    }
    if (IsLeftBracket(t) && previous != nullptr && previous->IsCopyWord()) {
      throw ExpressionError("Missing operand between constant/variable and (");
    }
    if (IsNamed(t, "^") && next != nullptr && IsIntegerExponent(next, decimal_sep_)) tokens[i] = int_power;
    ++i;
  }

  // String operands: f(s1, s2) or f(s1) becomes one bound string function, s1 op s2 one comparison.
  for (std::ptrdiff_t k = static_cast<std::ptrdiff_t>(tokens.size()) - 2; k >= 0; --k) {
    const auto u = static_cast<std::size_t>(k);
    if (tokens[u]->ResultType() != kResultString) continue;
    const bool string_follows = u + 2 < tokens.size() && tokens[u + 2]->ResultType() == kResultString;
    auto* function = u >= 2 ? dynamic_cast<TSimpleStringFunction*>(tokens[u - 2]) : nullptr;
    if (function != nullptr) {
      if (string_follows && u + 3 >= tokens.size()) throw SyntaxError(text);
      TExprWord* const s2 = string_follows ? tokens[u + 2] : nullptr;
      std::unique_ptr<TExprWord> bound;
      if (function->CanVary()) {
        bound = std::make_unique<TVaryingStringFunction>(function->Name(), function->Description(),
                                                         function->StringRoutine(), tokens[u], s2);
      } else {
        bound = std::make_unique<TSimpleStringFunction>(function->Name(), function->Description(),
                                                        function->StringRoutine(), tokens[u], s2);
      }
      tokens[u - 2] = bound.get();
      constant_words_.Add(bound.release());
      erase(u - 1, u - 1 + (string_follows ? 5 : 3));
      --k;
    } else if (string_follows) {
      auto comparison = std::make_unique<TLogicalStringOper>(tokens[u + 1]->Name(), tokens[u], tokens[u + 2]);
      tokens[u] = comparison.get();
      constant_words_.Add(comparison.release());
      erase(u + 1, u + 3);
    }
  }
}

TCustomExpressionParser::Tree TCustomExpressionParser::BuildTree(TokenList tokens, const std::string& text,
                                                                int level) {
  if (level > kMaxTreeHeight) throw TooDeep();
  // Outer brackets around the whole list go.
  while (tokens.size() >= 2 && IsLeftBracket(tokens.front())) {
    int depth = 0;
    std::size_t match = 0;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
      if (IsLeftBracket(tokens[i])) ++depth;
      if (IsRightBracket(tokens[i]) && --depth == 0) {
        match = i;
        break;
      }
    }
    if (match != tokens.size() - 1) break;
    tokens.pop_back();
    tokens.erase(tokens.begin());
  }
  if (tokens.empty()) return nullptr;

  if (tokens.size() == 1) {
    TExprWord* const word = tokens[0];
    if (word->Routine() == nullptr || (word->IsCopyWord() && word->ValuePointer() == nullptr)) {
      throw SyntaxError(text);  // a bracket, a separator or a string where a value belongs
    }
    auto leaf = std::make_unique<TreeNode>();
    leaf->Word = word;
    leaf->Measure();
    return leaf;
  }

  const std::size_t count = tokens.size();
  // The bracket depth before each token, counted from the start of the list once: the searches below
  // begin where the last one ended, so that a list of many terms is read in one pass.
  std::vector<int> depth_before(count);
  int depth = 0;
  for (std::size_t i = 0; i < count; ++i) {
    depth_before[i] = depth;
    if (IsLeftBracket(tokens[i])) ++depth;
    if (IsRightBracket(tokens[i])) --depth;
  }
  // Function positions (words that take arguments) outside every bracket, at or after `from`.
  const auto next_position = [&tokens, &depth_before, count](std::size_t from, int min_precedence,
                                                             bool any_precedence) {
    for (std::size_t i = from; i < count; ++i) {
      const TExprWord* w = tokens[i];
      if (!IsLeftBracket(w) && !IsRightBracket(w) && depth_before[i] == 0 && w->NFunctionArg() > 0 &&
          (any_precedence || PrecedenceOf(w) >= min_precedence)) {
        return i;
      }
    }
    return count;
  };
  const auto slice = [&tokens](std::size_t from, std::size_t to) {
    return to > from ? TokenList(tokens.begin() + static_cast<std::ptrdiff_t>(from),
                                 tokens.begin() + static_cast<std::ptrdiff_t>(to))
                     : TokenList();
  };

  Tree result;
  std::size_t start = 0;
  do {
    auto node = std::make_unique<TreeNode>();
    int k = 0;
    if (result != nullptr) {
      node->Args[0] = std::move(result);
      k = 1;
    }
    std::size_t i = next_position(start, 0, true);
    if (i == count) throw SyntaxError(text);
    TExprWord* const word = tokens[i];
    node->Word = word;
    if (word->IsOperator()) {
      if (i > start) node->Args[k++] = BuildTree(slice(0, i), text, level + 1);
    } else {
      // Operands before a function call, or a second call right after one, would be dropped.
      if (k > 0 || i > start) throw ExpressionError("Missing operator before function " + word->Name());
      if (i + 1 >= count || !IsLeftBracket(tokens[i + 1])) {
        throw ExpressionError("Function " + word->Name() + " needs its arguments in brackets");
      }
      start = i + 1;
      i = start;
      int depth = 1;
      while (i < count - 1 && depth > 0) {
        ++i;
        if (IsLeftBracket(tokens[i])) {
          ++depth;
        } else if (IsRightBracket(tokens[i])) {
          --depth;
        } else if (IsListSeparator(tokens[i]) && depth == 1) {
          if (k >= kMaxFunctionArgs - 1) {
            throw ExpressionError("Too many arguments in function " + word->Name());
          }
          node->Args[k++] = BuildTree(slice(start + 1, i), text, level + 1);
          start = i;
        }
      }
      if (depth != 0) throw SyntaxError(text);
      node->Args[k++] = BuildTree(slice(start + 1, i), text, level + 1);
    }
    start = i + 1;
    const std::size_t j = start < count ? next_position(start, PrecedenceOf(word), false) : count;
    if (j != start) {
      if (!word->IsOperator()) {
        throw ExpressionError("Missing operator after function " + word->Name());
      }
      node->Args[k] = BuildTree(slice(start, j), text, level + 1);
    }
    start = j;
    node->Measure();
    if (node->Height > kMaxTreeHeight) throw TooDeep();
    result = std::move(node);
  } while (start < count);
  return result;
}

// The walks below go down the chain of first arguments in a loop and recurse into the other arguments
// only, in the order of a plain recursion over all arguments.

bool TCustomExpressionParser::CheckArguments(const TreeNode* node) {
  for (; node != nullptr; node = node->Args[0].get()) {
    const int n_args = node->Word->NFunctionArg();
    for (int i = 1; i < n_args; ++i) {
      if (!CheckArguments(node->Args[i].get())) return false;
    }
    if (n_args == 0) return true;
  }
  return false;
}

std::size_t TCustomExpressionParser::ChainLength(const TreeNode* node) {
  std::size_t length = 0;
  for (const TreeNode* n : FirstArgumentChain(node)) {
    if (n->Word->IsCopyWord()) break;
    ++length;
    for (int i = 1; i < n->Word->NFunctionArg(); ++i) length += ChainLength(n->Args[i].get());
  }
  return length;
}

bool TCustomExpressionParser::CanVary(const TreeNode* node) {
  return node->Varies;
}

void TCustomExpressionParser::FoldConstants(Tree& node) {
  // Down the first arguments while the sub-tree varies; the first one that does not is folded, then the
  // other arguments of the nodes above it, from the bottom up.
  std::vector<Tree*> varying;
  Tree* bottom = &node;
  while ((*bottom)->Varies) {
    varying.push_back(bottom);
    if ((*bottom)->Word->NFunctionArg() == 0) break;
    bottom = &(*bottom)->Args[0];
  }
  if (!(*bottom)->Varies) FoldConstantTree(*bottom);
  for (auto it = varying.rbegin(); it != varying.rend(); ++it) {
    TreeNode& n = ***it;
    for (int i = 1; i < n.Word->NFunctionArg(); ++i) FoldConstants(n.Args[i]);
  }
}

void TCustomExpressionParser::FoldConstantTree(Tree& node) {
  if (node->Word->IsCopyWord()) return;
  long double value = 0;
  std::uint8_t result_type = kResultFloat;
  try {
    TEvalChain chain(ChainLength(node.get()));
    Link(node.get(), chain);
    chain.Prepare();
    value = chain.Evaluate();
    result_type = chain.LastNode()->Word->ResultType();
  } catch (const EMathError&) {
    return;  // left to run time, where the masked floating-point unit gives NaN or infinity
  }
  std::unique_ptr<TFloatConstant> constant;
  if (result_type == kResultBoolean) {
    constant = std::make_unique<TBooleanConstant>(value);
  } else {
    constant = std::make_unique<TFloatConstant>(value);
  }
  auto leaf = std::make_unique<TreeNode>();
  leaf->Word = constant.get();
  leaf->Measure();
  constant_words_.Add(constant.release());
  node = std::move(leaf);
}

long double* TCustomExpressionParser::Link(const TreeNode* node, TEvalChain& chain) const {
  // The bottom of the chain of first arguments first, then each node above it: its other arguments,
  // then the node itself.
  const std::vector<const TreeNode*> nodes = FirstArgumentChain(node);
  long double* first = nullptr;
  for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
    TExprWord* const word = (*it)->Word;
    long double* args[kMaxFunctionArgs] = {};
    const int n_args = word->NFunctionArg();
    if (n_args > 0) args[0] = first;
    for (int i = 1; i < n_args; ++i) args[i] = Link((*it)->Args[i].get(), chain);
    if (word->IsCopyWord()) {
      first = word->ValuePointer();
      continue;
    }
    if (word->Routine() == nullptr) {
      throw ExpressionError(word->Name() + " cannot be evaluated");
    }
    TEvalNode* const e = chain.Append();
    e->Word = word;
    e->Routine = word->Routine();
    for (int i = 0; i < n_args; ++i) e->Args[i] = args[i];
    first = &e->Value;
  }
  return first;
}

// --- TExpressionParser ---

TExpressionParser::TExpressionParser() {
  FillExpressList();
}

TExpressionParser::~TExpressionParser() {
  ClearExpressions();
}

void TExpressionParser::FillExpressList() {
  FillVocabulary(Words(), ListSep());
}

void TExpressionParser::ReplaceFunction(TExprWord* old_word, TExprWord* new_word) {
  CheckReplacement(old_word, new_word);
  ReplaceInConstantWords(old_word, new_word);
  long double* const old_value = old_word->ValuePointer();
  long double* const new_value = new_word->ValuePointer();
  for (CachedExpression& e : expressions_) e.chain->Replace(old_word, new_word, old_value, new_value);
}

std::string TExpressionParser::GetCurrentExpression() const {
  if (current_index_ < 0 || current_index_ >= ExpressionCount()) return {};
  return expressions_[static_cast<std::size_t>(current_index_)].text;
}

int TExpressionParser::AddExpression(const std::string& text) {
  if (text.empty()) {
    current_index_ = -1;
    return -1;
  }
  for (std::size_t i = 0; i < expressions_.size(); ++i) {
    if (SameText(expressions_[i].text, text)) {
      SetCurrentChain(expressions_[i].chain.get());
      current_index_ = static_cast<int>(i);
      return current_index_;
    }
  }
  std::unique_ptr<TEvalChain> chain = Compile(text);
  expressions_.push_back({text, std::move(chain)});
  SetCurrentChain(expressions_.back().chain.get());
  current_index_ = ExpressionCount() - 1;
  return current_index_;
}

void TExpressionParser::ClearExpressions() {
  SetCurrentChain(nullptr);
  expressions_.clear();
  current_index_ = -1;
}

}  // namespace zentrova
