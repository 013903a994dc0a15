// What a formula's expression may be in the hook file: one table of accepted
// and refused expressions with the exact reason, and Python itself reading
// every accepted one as the single value argument of the hook's call.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <pugixml.hpp>

#include "ScopedIni.h"
#include "TavikEngine/Config/FormulaSyntax.h"

namespace {

std::string repeated(const std::string& piece, int times, const std::string& join = "") {
  std::string text;
  for (int i = 0; i < times; ++i) text += (i > 0 ? join : "") + piece;
  return text;
}

const std::string kNot = "it is not one expression: ";

// Expression (UTF-8) and the reason it is refused; empty when accepted.
const std::vector<std::pair<std::string, std::string>> kRows = {
    // Every form the hook file allows.
    {"a if b else c if d else e", ""},
    {"not a == b and c or not not d", ""},
    {"a < b <= c != d == e > f >= g", ""},
    {"a in b and a not in c and a is None and a is not b", ""},
    {"-a ** -b ** ~c + +d", ""},
    {"a | b ^ c & d << 1 >> 2", ""},
    {"a // b % c @ d / e * f - g + h", ""},
    {"f(a, b,)(c)()[1][1:2][::3][1:, :2][a:b:c][:][1,].real", ""},
    {"(1,) + (1, 2) + () + [] + [1, [2,]] + [x,] + (a)", ""},
    {"0x_1F + 0o17 + 0b1_0 + 1_000 + 00 + 0_0 + .5 + 1. + 1e-3 + 1.E+3 + 1j + 09.5 + 01e1 + 07j",
     ""},
    {"'a' 'b' r'\\c' u'd' + b'x' B\"y\" + '''t''' + \"\"\"u\"\"\" + 'x\\'y'", ""},
    {"True + False + None + 1 .real + 1..real + 1e5.real + ...", ""},
    {"(a)if(b)else(c)\t+\t1", ""},
    {"self.A.get(Parameter.Property.x,y) * sqrt(abs(-1))", ""},
    {repeated("(", 63) + "1" + repeated(")", 63), ""},
    {repeated("-", 63) + "1", ""},
    {repeated("1", 500, "+"), ""},
    // Not one expression: what would leave the call or no longer parse.
    {"a=b", kNot + "\"=\" cannot stand after \"a\""},
    {"x * 2 + <Engine Speed&gt+.Value", kNot + "\"<\" cannot stand after \"+\""},
    {"a + * b", kNot + "\"*\" cannot stand after \"+\""},
    {"1 +", kNot + "it ends after \"+\""},
    {"a <", kNot + "it ends after \"<\""},
    {"a if b", kNot + "it ends after \"b\""},
    {"a, b", kNot + "\",\" cannot stand after \"a\""},
    {"1 2", kNot + "\"2\" cannot stand after \"1\""},
    {"f(a=1)", kNot + "\"=\" cannot stand after \"a\""},
    {"f(*a)", kNot + "\"*\" cannot stand after \"(\""},
    {"f(**a)", kNot + "\"**\" cannot stand after \"(\""},
    {"(a := 1)", kNot + "\":=\" cannot stand after \"a\""},
    {"x[a:=1]", kNot + "\":=\" cannot stand after \"a\""},
    {"lambda: 1", kNot + "\"lambda\" cannot start it"},
    {"await a", kNot + "\"await\" cannot start it"},
    {"(yield)", kNot + "\"yield\" cannot stand after \"(\""},
    {"[x for x in y]", kNot + "\"for\" cannot stand after \"x\""},
    {"{1: 2}", kNot + "\"{\" cannot start it"},
    {"a.if", kNot + "\"if\" cannot stand after \".\""},
    {"a <> b", kNot + "\"<>\" cannot stand after \"a\""},
    {"a -> b", kNot + "\"->\" cannot stand after \"a\""},
    {"a += 1", kNot + "\"+=\" cannot stand after \"a\""},
    {"a not b", kNot + "\"not\" cannot stand after \"a\""},
    {"a + not b", kNot + "\"not\" cannot stand after \"+\""},
    {"x[]", kNot + "\"]\" cannot stand after \"[\""},
    {"x[1:2:3:4]", kNot + "\":\" cannot stand after \"3\""},
    {"(,)", kNot + "\",\" cannot stand after \"(\""},
    {"a..b", kNot + "\".\" cannot stand after \".\""},
    {"f '" + std::string(40, 'a') + "'",
     kNot + "\"'" + std::string(31, 'a') + "...\" cannot stand after \"f\""},
    {"'a' b'c'", "it joins a bytes literal and a text literal"},
    {"0x + 1", "a number has no digits after its base prefix"},
    {"01 + 1", "a decimal number starts with a zero"},
    {"1_ + 1", "a number runs into a name"},
    {"0b12", "a number runs into a name"},
    {"1.e", "a number runs into a name"},
    {repeated("(", 64) + "1" + repeated(")", 64),
     "it nests brackets or operators more than 64 deep"},
    {repeated("-", 64) + "1", "it nests brackets or operators more than 64 deep"},
    {repeated("1", 501, "+"), "its expression is more than 500 operations deep"},
    {"a" + repeated(".b", 500), "its expression is more than 500 operations deep"},
};

TEST(FormulaGrammar, AcceptsTheHookFilesFormsAndNamesTheFirstTokenOfAnyOther) {
  for (const auto& [expression, reason] : kRows) {
    EXPECT_EQ(reason, tavik::formulaExpressionFault(pugi::as_wide(expression)))
        << expression.substr(0, 80);
  }
}

// Python reads each accepted expression, in the hook's call and inside the
// clamping call, as exactly the one argument it stands for.
TEST(FormulaGrammar, PythonReadsEveryAcceptedExpressionAsOneArgument) {
  if (std::system("python3 -c pass > /dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
  tavik_test::ScopedTempDir dir;
  std::string lines;
  int accepted = 0;
  for (const auto& [expression, reason] : kRows) {
    if (!reason.empty()) continue;
    lines += "        self.T.set(Parameter.Property.V, " + expression + ")\n";
    lines += "        self.T.set(Parameter.Property.V, self.calculate(" + expression + ", 1, 2))\n";
    ++accepted;
  }
  dir.write("hook.py", "class PropertyHook():\n    def execute(self):\n" + lines);
  dir.write("check.py",
            "import ast\n"
            "calls = [s.value for s in ast.parse(open('hook.py').read()).body[0].body[0].body]\n"
            "inner = [c.args[1] for c in calls[1::2]]\n"
            "assert all(len(c.args) == 2 and not c.keywords for c in calls)\n"
            "assert all(len(c.args) == 3 and not c.keywords for c in inner)\n"
            "compile(open('hook.py').read(), 'hook.py', 'exec')\n"
            "print(len(calls))\n");
  const std::string command = "cd '" + dir.path().string() +
                              "' && python3 -B -E -s check.py > out.txt 2>&1";
  const int status = std::system(command.c_str());
  std::ifstream in(dir.path() / "out.txt");
  const std::string output{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_EQ(0, status) << output;
  EXPECT_EQ(std::to_string(2 * accepted) + "\n", output);
}

}  // namespace
