// zentrova-expr: evaluates each argument as an expression and prints one value per line.
// All arguments share one parser, so a name assigned with ":=" keeps its value for the later ones.
// A refused expression prints the parser's message and ends with exit status 1.
#include <cstdio>
#include <exception>
#include <limits>
#include <string>

#include "numerics/expression_parser.h"
#include "platform/number_text.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: zentrova-expr EXPRESSION...\n");
    return 2;
  }
  try {
    zentrova::TExpressionParser parser;
    for (int i = 1; i < argc; ++i) {
      if (parser.AddExpression(argv[i]) < 0) {
        std::printf("%s\n", zentrova::FloatToText(std::numeric_limits<long double>::quiet_NaN()).c_str());
        continue;
      }
      std::printf("%s\n", zentrova::FloatToText(parser.Evaluate()).c_str());
    }
  } catch (const std::exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
