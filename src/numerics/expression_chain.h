// A compiled expression: its evaluation nodes in order, each one's operands computed before it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "numerics/expression_words.h"

namespace zentrova {

class TEvalChain {
 public:
  // The nodes never move once appended: later nodes and the caller hold the addresses of their values.
  explicit TEvalChain(std::size_t capacity);
  TEvalChain(const TEvalChain&) = delete;
  TEvalChain& operator=(const TEvalChain&) = delete;

  // A new zeroed node after the last one; refused past the capacity given at creation.
  TEvalNode* Append();
  int Count() const { return static_cast<int>(nodes_.size()); }
  TEvalNode* FirstNode() { return nodes_.empty() ? nullptr : &nodes_.front(); }
  TEvalNode* LastNode() { return nodes_.empty() ? nullptr : &nodes_.back(); }

  // Derives the evaluation steps from the nodes; called once the chain is complete and after every
  // change of its nodes.
  void Prepare();

  // Runs every node once and returns the last node's value. The arithmetic of the common built-in
  // words runs inline, a value that a later step reads waits in a register instead of its node (an
  // 80-bit store and load cost more than the arithmetic), and when no node writes a variable the sine
  // and cosine of variables run first. Each dispatch costs about as much as the arithmetic, so the
  // square of a variable is taken by the word that reads it, and two arithmetic words in a row on the
  // value before make one step. Every node's value comes from the same operations in the same order
  // as in its routine, so the result is that of calling every node's routine in order, to the bit;
  // a node's Value is written only where a later step reads it from there: EvaluateNodes fills all.
  long double Evaluate();

  // The same by calling every node's routine along Next: every node then holds its value.
  long double EvaluateNodes();

  // Nodes of old_word take new_word and its routine; operand addresses of old_value become new_value.
  void Replace(const TExprWord* old_word, TExprWord* new_word, const long double* old_value,
               long double* new_value);

 private:
  struct Step {
    std::uint16_t code;  // the operation, its operand sources and where its value goes
    TEvalNode* node;
    // The operands read through addresses: x and y of a binary word, or the second operands of two
    // words in a row.
    const long double* x_address;
    const long double* y_address;
  };

  // A sine or cosine of a variable, run before the steps.
  struct Call {
    bool sine;
    const long double* x;
    long double* value;
  };

  std::vector<TEvalNode> nodes_;
  std::vector<Call> calls_;
  std::size_t stored_calls_ = 0;  // the first calls, which store their values
  bool holds_call_ = false;       // a last call keeps its value in a register
  std::vector<Step> steps_;
};

}  // namespace zentrova
