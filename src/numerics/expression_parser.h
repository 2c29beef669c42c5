// The expression compiler: an expression text becomes a flat chain of evaluation nodes whose operands
// are addresses fixed at compile time, so that evaluating allocates nothing and looks nothing up.
#pragma once

#include <cstddef>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "numerics/expression_chain.h"
#include "numerics/expression_collections.h"
#include "numerics/expression_word_table.h"
#include "numerics/expression_words.h"

namespace zentrova {

class TCustomExpressionParser {
 public:
  TCustomExpressionParser(const TCustomExpressionParser&) = delete;
  TCustomExpressionParser& operator=(const TCustomExpressionParser&) = delete;
  virtual ~TCustomExpressionParser();

  // Rebinds compiled expressions from one word to another with the same number of arguments; a
  // different number raises Exception "Error in math expression: Cannot replace variable/function
  // NFuntionArg doesn't match". This version rebinds the current chain.
  virtual void ReplaceFunction(TExprWord* old_word, TExprWord* new_word);
  // Registers the vocabulary; a derived parser calls it from its constructor.
  virtual void FillExpressList() = 0;
  virtual std::string GetCurrentExpression() const = 0;
  // Compiles the text into the current chain: 0, or -1 for an empty text (nothing compiled). Syntax
  // errors raise EParserException.
  virtual int AddExpression(const std::string& text);
  virtual void ClearExpressions();

  // The value of the current chain; NaN when there is none.
  long double Evaluate() {
    return current_ != nullptr ? current_->Evaluate() : std::numeric_limits<long double>::quiet_NaN();
  }

  // The same value by calling every node's routine along the chain, each node keeping its value.
  long double EvaluateNodes() {
    return current_ != nullptr ? current_->EvaluateNodes() : std::numeric_limits<long double>::quiet_NaN();
  }

  // A variable read through `address` at every evaluation; it replaces a word of the same name.
  void DefineVariable(std::string_view name, long double* address);
  void DefineStringFunction(std::string_view name, std::string description, TStringRoutine routine);
  // Takes the word into the table. A word of the same name is replaced in every compiled expression
  // (ReplaceFunction), then freed.
  void AddWord(std::unique_ptr<TExprWord> word);

  char HexPrefix() const { return hex_prefix_; }
  char DecimalSep() const { return decimal_sep_; }
  char ListSep() const { return list_sep_; }
  bool Optimize() const { return optimize_; }
  void SetOptimize(bool optimize) { optimize_ = optimize; }

  TExpressList& Words() { return words_; }
  const TOCollection<TExprWord>& ConstantWords() const { return constant_words_; }
  TEvalNode* FirstNode() const { return current_ != nullptr ? current_->FirstNode() : nullptr; }
  TEvalNode* LastNode() const { return current_ != nullptr ? current_->LastNode() : nullptr; }

 protected:
  // The separators are the process settings at creation.
  TCustomExpressionParser();

  // Compiles a text into a new chain. On failure nothing changes except that new names stay in the
  // word table as generated variables.
  std::unique_ptr<TEvalChain> Compile(const std::string& text);
  // Raises when new_word cannot stand in for old_word.
  void CheckReplacement(TExprWord* old_word, TExprWord* new_word) const;
  // Rebinds the string functions made while compiling whose operand was old_word.
  void ReplaceInConstantWords(const TExprWord* old_word, TExprWord* new_word);
  void SetCurrentChain(TEvalChain* chain) { current_ = chain; }
  TEvalChain* CurrentChain() const { return current_; }

 private:
  struct TreeNode;
  using Tree = std::unique_ptr<TreeNode>;
  using TokenList = std::vector<TExprWord*>;

  // The text comes lower-cased from Compile.
  TokenList Tokenise(const std::string& text);
  std::string ScanToken(const std::string& s, std::size_t& p, bool& constant) const;
  void ScanNumber(const std::string& s, std::size_t& p, bool hexadecimal) const;
  void Preprocess(TokenList& tokens, const std::string& text);
  Tree BuildTree(TokenList tokens, const std::string& text, int level);
  static bool CheckArguments(const TreeNode* node);
  static std::size_t ChainLength(const TreeNode* node);  // the nodes that Link appends
  static bool CanVary(const TreeNode* node);
  void FoldConstants(Tree& node);
  // Replaces a sub-tree that cannot vary by the constant of its value.
  void FoldConstantTree(Tree& node);
  long double* Link(const TreeNode* node, TEvalChain& chain) const;
  TExprWord* FindWord(std::string_view name) const;

  char hex_prefix_ = '$';
  char decimal_sep_;
  char list_sep_;
  bool optimize_ = true;
  TOCollection<TExprWord> constant_words_{10};
  TExpressList words_;
  TEvalChain* current_ = nullptr;
  std::unique_ptr<TEvalChain> own_chain_;  // the chain of the base AddExpression
};

// The parser the engine uses: the built-in vocabulary, and a cache of compiled texts.
class TExpressionParser : public TCustomExpressionParser {
 public:
  TExpressionParser();
  ~TExpressionParser() override;

  // Rebinds every cached chain; the current expression stays current.
  void ReplaceFunction(TExprWord* old_word, TExprWord* new_word) override;
  void FillExpressList() override;
  // The text at CurrentIndex, empty when there is none.
  std::string GetCurrentExpression() const override;
  // Empty text: -1, CurrentIndex -1, the current chain unchanged. A text compiled before (letter case
  // ignored) becomes current again without compiling; a new one is compiled and cached. Returns the
  // index of the text.
  int AddExpression(const std::string& text) override;
  void ClearExpressions() override;

  int CurrentIndex() const { return current_index_; }
  int ExpressionCount() const { return static_cast<int>(expressions_.size()); }

 private:
  struct CachedExpression {
    std::string text;
    std::unique_ptr<TEvalChain> chain;
  };
  std::vector<CachedExpression> expressions_;
  int current_index_ = -1;
};

}  // namespace zentrova
