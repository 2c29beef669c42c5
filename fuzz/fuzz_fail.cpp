#include "fuzz_fail.h"

#include <cstdio>
#include <cstdlib>

namespace zentrova::fuzz {

void Fail(const std::string& text) {
  std::fprintf(stderr, "fuzz: %s\n", text.c_str());
  std::fflush(stderr);
  std::abort();
}

}  // namespace zentrova::fuzz
