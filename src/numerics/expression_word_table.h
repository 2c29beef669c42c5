// The parser's word table: every word it knows, sorted by name.
#pragma once

#include <string_view>

#include "numerics/expression_collections.h"
#include "numerics/expression_words.h"

namespace zentrova {

// Owns its words. Names compare byte by byte with only 'a'..'z' folded to upper case, so "_" sorts
// after the letters.
class TExpressList : public TSortedCollection<TExprWord, std::string_view> {
 public:
  TExpressList() : TSortedCollection(30) {}

  int Compare(std::string_view key1, std::string_view key2) const override;
  std::string_view KeyOf(const TExprWord* word) const override { return word->Name(); }

  // The word of that name (letter case ignored), or null.
  TExprWord* Find(std::string_view name) const;
};

}  // namespace zentrova
