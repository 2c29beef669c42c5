#include "numerics/expression_word_table.h"

#include <algorithm>

namespace zentrova {

namespace {
unsigned char Folded(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b >= 'a' && b <= 'z' ? static_cast<unsigned char>(b - 'a' + 'A') : b;
}
}  // namespace

int TExpressList::Compare(std::string_view key1, std::string_view key2) const {
  const std::size_t n = std::min(key1.size(), key2.size());
  for (std::size_t i = 0; i < n; ++i) {
    const int d = static_cast<int>(Folded(key1[i])) - static_cast<int>(Folded(key2[i]));
    if (d != 0) return d;
  }
  if (key1.size() == key2.size()) return 0;
  return key1.size() < key2.size() ? -1 : 1;
}

TExprWord* TExpressList::Find(std::string_view name) const {
  int index = 0;
  return Search(name, index) ? At(index) : nullptr;
}

}  // namespace zentrova
