#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <sys/wait.h>

#include "test_support.h"

namespace zentrova::test {
namespace {

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

ToolRun RunExpr(const std::string& arguments) {
  TempDir dir;
  const std::string command = std::string(ZENTROVA_BIN_DIR) + "/zentrova-expr " + arguments + " >" +
                              dir.File("out.txt") + " 2>" + dir.File("err.txt");
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadBytes(dir.File("out.txt")),
          ReadBytes(dir.File("err.txt"))};
}

TEST(ExpressionTool, PrintsOneValuePerLineFromOneParserAndStopsAtAnError) {
  ToolRun run =
      RunExpr("'2^3^2' '-3^2' 'max(1,5,9)' '7.5 div 2' '--3' 'x := 1/8' 'x * 3' 'sqrt(2)' '1/0' 'y'");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "64\n9\n5\n4\n2\n0.125\n0.375\n1.4142135623731\nINF\nNAN\n");
  EXPECT_EQ(run.err, "");
  run = RunExpr("'1+1' 'sin x' '2'");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "2\n");
  EXPECT_EQ(run.err, "Error in math expression: Function sin needs its arguments in brackets\n");
  EXPECT_EQ(RunExpr("'(1'").err, "Unequal brackets\n");
  EXPECT_EQ(RunExpr("'1 div 0'").status, 1);
}

}  // namespace
}  // namespace zentrova::test
