// What a formula's expression may be in the hook file: one table of accepted
// and refused expressions with the exact reason, and Python itself reading
// every accepted one as the single value argument of the hook's call.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <pugixml.hpp>

#include "CapturingSink.h"
#include "LoaderXml.h"
#include "ScopedIni.h"
#include "TavikEngine/Config/FormuaLoader.h"
#include "TavikEngine/Config/FormulaSyntax.h"
#include "TavikEngine/LogLevels.h"

namespace {

using tavik_test::formulaXml;

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
    {"self.A.get(Parameter.Property.x) * sqrt(abs(-1))", ""},
    // Keyword, starred and double-starred arguments, lambda, comprehensions,
    // displays, ":=" and format strings.
    {"round(a, ndigits=1) + max(*a, b, key=abs, *c, **d, e=1) + f(x for x in y)", ""},
    {"lambda: lambda a, /, b=1, *c, d, e=2, **f: (x := a) + b + (lambda *, a,: a)", ""},
    {"[x for x in y if x for z in x if z] + [*a, *b] + [(q := 1) for r in s]", ""},
    {"{k: v for k, *v in w} | {*a, b} | {**a, 'b': 1} | {x for x.y in z} | {}", ""},
    {"(x for [x, *(y, z)] in w) and (*a, b) and (a := 1, b) and [a := 1]", ""},
    {"x[a := 1, 1:2] + x[lambda: 1:2] + (y := lambda: (z := 1))", ""},
    {"a := (b := 1) if c else d", ""},
    {"f'{a!r:>{w}} {b=} {c = !s:{d}} {{}} {\"x\"}' F\"{'<A>.V'}\" rf'\\{x}' Fr''' '''", ""},
    {"f'{x for x in y}' f\"{(a := 1)}\" f'{a, *b}' f'{x:{y}}}}'", ""},
    {repeated("(", 63) + "1" + repeated(")", 63), ""},
    {repeated("-", 63) + "1", ""},
    {repeated("[x for x in y if ", 63) + "z" + repeated("]", 63), ""},
    {repeated("f(x for x in ", 63) + "z" + repeated(")", 63), ""},
    {repeated("[*", 31) + repeated("{**", 32) + "a" + repeated("}", 32) + repeated("]", 31), ""},
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
    {"*a", kNot + "\"*\" cannot start it"},
    {"x for x in y", kNot + "\"for\" cannot stand after \"x\""},
    {"f(a=1, b)", kNot + "\"b\" cannot stand after \",\""},
    {"f(**a, *b)", kNot + "\"*\" cannot stand after \",\""},
    {"(*a)", kNot + "\")\" cannot stand after \"a\""},
    {"x[*a]", kNot + "\"*\" cannot stand after \"[\""},
    {"lambda a=1, b: 1", kNot + "\"b\" cannot stand after \",\""},
    {"lambda *: 1", kNot + "\":\" cannot stand after \"*\""},
    {"lambda /: 1", kNot + "\"/\" cannot stand after \"lambda\""},
    {"[x for f() in y]", kNot + "\"in\" cannot stand after \")\""},
    {"await a", kNot + "\"await\" cannot start it"},
    {"(yield)", kNot + "\"yield\" cannot stand after \"(\""},
    {"f'{(yield)}'", kNot + "\"yield\" cannot stand after \"(\""},
    {"[x async for x in y]", kNot + "\"async\" cannot stand after \"x\""},
    // What Python reads but would not compile, or what would change the
    // method's other lines.
    {"lambda a, a: 1", kNot + "\"a\" cannot stand after \",\""},
    {"f(a=1, a=2)", kNot + "\"a\" cannot stand after \",\""},
    {"f(__debug__=1)", kNot + "\"__debug__\" cannot stand after \"(\""},
    {"[x for *a, *b in y]", kNot + "\"*\" cannot stand after \",\""},
    {"[x for *a in y]", kNot + "\"in\" cannot stand after \"a\""},
    {"[x for a.__debug__ in y]", kNot + "\"__debug__\" cannot stand after \".\""},
    {"[x for (" + repeated("a", 256, ", ") + ", *b) in y]", kNot + "\"*\" cannot stand after \",\""},
    {"[(i := 0) for i in x]", kNot + "\":=\" cannot stand after \"i\""},
    {"[(k := 1) for i[k] in x]", kNot + "\":=\" cannot stand after \"k\""},
    {"[[(j := 1) for a in b] for j in c]", kNot + "\":=\" cannot stand after \"j\""},
    {"[j for i in x if (j := i) for j in y]", kNot + "\"j\" cannot stand after \"for\""},
    {"[x for x in [(lambda: (w := 1)) for q in r]]", kNot + "\":=\" cannot stand after \"w\""},
    {"(self := 1)", kNot + "\":=\" cannot stand after \"self\""},
    {"f(Parameter := 1)", kNot + "\":=\" cannot stand after \"Parameter\""},
    // Format strings as Python reads them.
    {"f'{}'", "a format string field is empty"},
    {"f'}'", "a format string holds a single \"}\""},
    {"f'{x:{y:{z}}}'", "a format string nests fields too deeply"},
    {"f'{a[\\'x\\']}'", "a format string field holds a backslash"},
    {"f'{a#}'", "a format string field holds \"#\""},
    {"f'{a)}'", "a format string field does not pair its brackets or quotes"},
    {"f'{x!z}'", "a format string field has a conversion other than !s, !r and !a"},
    {"f'{x!r=}'", "a format string field is not closed"},
    {"f'{a $ b}'", "it holds \"$\" outside a string literal"},
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
    // Comprehensions in iterables and conditions, and starred items, nest
    // too: Python stops at 200 brackets, and the parser's stack must hold.
    {repeated("[x for x in y if ", 64) + "z" + repeated("]", 64),
     "it nests brackets or operators more than 64 deep"},
    {repeated("(x for x in ", 64) + "z" + repeated(")", 64),
     "it nests brackets or operators more than 64 deep"},
    {repeated("[*", 32) + repeated("{**", 32) + "a" + repeated("}", 32) + repeated("]", 32),
     "it nests brackets or operators more than 64 deep"},
    {repeated("{x for x in ", 100000) + "z" + repeated("}", 100000),
     "it nests brackets or operators more than 64 deep"},
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

// Expressions from a small grammar of every form a formula may take, and
// broken variants of them; "$" stands for a parameter reference.
class ExpressionGenerator {
 public:
  explicit ExpressionGenerator(unsigned seed) : rng_(seed) {}
  std::string next() {
    const std::string e = expression(1 + pick(3));
    return chance(20) ? broken(e) : e;
  }

 private:
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  bool chance(int percent) { return pick(100) < percent; }
  template <size_t N>
  std::string any(const char* const (&items)[N]) { return items[pick(N)]; }

  std::string name() { return any({"a", "b", "x", "n", "_k", "match"}); }
  std::string binding() { return chance(97) ? name() : any({"self", "Parameter", "__debug__"}); }
  std::string leaf() {
    switch (pick(6)) {
      case 0: return name();
      case 1: return "$";
      case 2: return any({"0", "7", "1_000", "0x1F", "0XA_b", "0o17", "0b1_0", "00", "1.5", "1.",
                          ".5", "1e-3", "1E+3_0", "2.5e3j", "3J", "1_0.0_1", "09.5", "0e0"});
      case 3: return any({"True", "False", "None", "..."});
      default: return string(1);
    }
  }
  // A literal of any prefix and quotes; a format string holds fields. In a
  // field no backslash and no quote of an enclosing literal may stand.
  std::string string(int d) {
    std::string quotes;
    for (char q : {'\'', '"'})
      if (used_.find(q) == std::string::npos) quotes += q;
    if (quotes.empty()) return "1";
    const std::string quote(pick(2) ? 1 : 3, quotes[pick(static_cast<int>(quotes.size()))]);
    const std::string prefix = any({"", "r", "u", "b", "R", "B", "br", "Rb", "f", "F", "fr", "rF"});
    std::string body = any({"a", "<A>.V", "#;)", " ", ""});
    if (!inField_ && chance(30)) body += any({"\\'", "\\\\", "\\x41"});
    if (prefix.find_first_of("fF") != std::string::npos && d > 0) {
      used_.push_back(quote[0]);
      const bool wasInField = inField_;
      inField_ = true;
      body += "{" + expression(d - 1) + any({"", "!r", "=", ":>4", "!a:{n}", " = !s"}) + "}";
      inField_ = wasInField;
      used_.pop_back();
      body += any({"", "{{}}", "}"});
    }
    return prefix + quote + body + quote;
  }
  std::string operand(int d) {
    const std::string e = expression(d - 1);
    return chance(80) ? "(" + e + ")" : e;
  }
  std::string primary(int d) { return chance(50) ? leaf() : "(" + expression(d - 1) + ")"; }
  // Up to three of `item`, joined by commas, with a trailing comma at times.
  template <typename Item>
  std::string list(Item item, int least = 0) {
    std::string text;
    for (int i = 0, n = least + pick(4 - least); i < n; ++i) text += (i ? ", " : "") + item();
    return chance(20) ? text + "," : text;
  }
  std::string targets(int d) {
    switch (pick(7)) {
      case 0: return name() + ", " + name();
      case 1: return "(" + name() + ", *" + name() + ")";
      case 2: return "[" + name() + ", " + name() + "]";
      case 3: return name() + "." + name();
      case 4: return name() + "[" + expression(d - 1) + "]";
      case 5: return "*" + name() + (chance(50) ? "," : "");
      default: return name();
    }
  }
  // Clauses of a comprehension, with a ":=" in its iterable at times.
  std::string clauses(int d) {
    std::string text;
    for (int i = 0, n = 1 + pick(2); i < n; ++i) {
      text += " for " + targets(d) + " in " + (chance(10) ? "(" + binding() + " := $)" : operand(d));
      if (chance(40)) text += " if " + operand(d);
    }
    return text;
  }
  std::string element(int d) {
    return chance(25) ? "(" + binding() + " := " + expression(d - 1) + ")" : operand(d);
  }
  std::string expression(int d) {
    if (d <= 0) return leaf();
    const auto e = [&] { return expression(d - 1); };
    switch (pick(20)) {
      case 0: return leaf();
      case 1:
        return operand(d) + " " +
               any({"+", "-", "*", "/", "//", "%", "**", "@", "|", "^", "&", "<<", ">>", "==",
                    "!=", "<", ">=", "in", "not in", "is", "is not", "and", "or"}) +
               " " + operand(d);
      case 2: return any({"-", "+", "~", "not "}) + operand(d);
      case 3: return operand(d) + " if " + operand(d) + " else " + operand(d);
      case 4: {
        const auto parameter = [&] {
          return any({"", "", "*", "**", "/,"}) + name() + (chance(30) ? "=" + e() : "");
        };
        return "lambda " + list(parameter) + ": " + e();
      }
      case 5: {
        const auto argument = [&] {
          switch (pick(5)) {
            case 0: return "*" + e();
            case 1: return "**" + e();
            case 2: return name() + "=" + e();
            case 3: return binding() + " := " + e();
            default: return e();
          }
        };
        return primary(d) + "(" + (chance(15) ? element(d) + clauses(d) : list(argument)) + ")";
      }
      case 6: return primary(d) + "." + any({"real", "imag", "x"});
      case 7: {
        const auto slice = [&] {
          return any({"", "", "*"}) + e() + (chance(20) ? ":" + name() : any({"", ":", "::2", ": :"}));
        };
        return primary(d) + "[" + (chance(10) ? binding() + " := 1" : list(slice, 1)) + "]";
      }
      case 8: return "(" + e() + ")";
      case 9: case 10: {
        const auto item = [&] { return chance(20) ? "*" + e() : chance(10) ? element(d) : e(); };
        return pick(2) ? "(" + list(item) + ")" : "[" + list(item) + "]";
      }
      case 11: return "{" + list([&] { return chance(20) ? "*" + e() : e(); }, 1) + "}";
      case 12: return "{" + list([&] { return chance(20) ? "**" + e() : e() + ": " + e(); }) + "}";
      case 13: return "[" + element(d) + clauses(d) + "]";
      case 14: return "{" + element(d) + (chance(50) ? ": " + e() : "") + clauses(d) + "}";
      case 15: return "(" + element(d) + clauses(d) + ")";
      case 16: return (chance(70) ? "(" : "") + binding() + " := " + e() + (chance(70) ? ")" : "");
      case 17: return string(d) + " " + string(d);
      default: return operand(d) + " < " + operand(d) + " <= " + operand(d);
    }
  }
  std::string broken(std::string e) {
    const size_t at = static_cast<size_t>(pick(static_cast<int>(e.size())));
    switch (pick(10)) {
      case 0: {
        const size_t bracket = e.find_first_of("()[]{}", at);
        if (bracket != std::string::npos) e.erase(bracket, 1);
        return e;
      }
      case 1: return e.insert(at, 1, "()[]{}"[pick(6)]);
      case 2: return e + ", 1";
      case 3: return any({"a = ", "k=", "*", "**", "yield ", "await ", "return ", "import ",
                          "async ", "pass; ", "lambda: "}) + e;
      case 4: return e + any({"; a", " #", ")", " for a in b", " = 1", ") + (2", ",)"});
      case 5: return e.erase(at, 1);
      case 6: return e.insert(at, 1, ",:=;*.'\"\\ "[pick(10)]);
      default: return e.insert(at, e.substr(at, 1 + pick(3)));
    }
  }

  std::mt19937 rng_;
  std::string used_;  // the quotes of the format strings being written
  bool inField_ = false;
};

std::string xmlEscaped(const std::string& text) {
  std::string out;
  for (char c : text)
    out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
  return out;
}

// The Python side: whether Python 3 compiles the expression as the one
// argument of both hook calls, under the two rules of the hook file. A
// reference stands for " v() ", and "v" is no other name.
const char kJudge[] = R"PY(import ast, io, sys, tokenize, warnings
def parenthesized(text):
    tokens = [t.string for t in tokenize.generate_tokens(io.StringIO(text).readline)
              if t.type not in (tokenize.NEWLINE, tokenize.NL, tokenize.ENDMARKER)]
    depth = 0
    for i, t in enumerate(tokens):
        depth += (t in ('(', '[', '{')) - (t in (')', ']', '}'))
        if depth == 0:
            return tokens[0] == '(' and i == len(tokens) - 1
def one_argument(e):
    line = '        self.T.set(Parameter.Property.V, %s)\n'
    source = ('class PropertyHook():\n    def execute(self):\n' + line % e +
              line % ('self.calculate(%s, 1, 2)' % e))
    try:
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter('always')
            compile(source, 'hook', 'exec')
        tree = ast.parse(source)
    except (SyntaxError, ValueError, RecursionError, MemoryError):
        return False
    # "1if" and the like: later Pythons refuse them.
    if any(str(w.message).startswith('invalid ') and str(w.message).endswith(' literal')
           for w in caught):
        return False
    calls = [s.value for s in tree.body[0].body[0].body]
    if len(calls) != 2 or not all(isinstance(c, ast.Call) and len(c.args) == 2 and
                                  not c.keywords for c in calls):
        return False
    clamp = calls[1].args[1]
    if not (isinstance(clamp, ast.Call) and len(clamp.args) == 3 and not clamp.keywords):
        return False
    argument = calls[0].args[1]
    if isinstance(argument, ast.Starred):
        return False
    for node in ast.walk(argument):
        if isinstance(node, (ast.Yield, ast.YieldFrom, ast.Await)):
            return False  # the method would change
        if isinstance(node, ast.NamedExpr) and node.target.id in ('self', 'Parameter'):
            return False  # every line of the method reads these
        if (isinstance(node, ast.Subscript) and isinstance(node.slice, ast.Tuple) and
                any(isinstance(s, ast.Starred) for s in node.slice.elts) and
                not parenthesized(ast.get_source_segment(source, node.slice))):
            return False  # Python 3.11 only
        if isinstance(node, ast.FormattedValue) and any(
                isinstance(n, ast.Name) and n.id == 'v' for n in ast.walk(node.value)):
            return False  # a reference in a string literal stays as written
    return True
warnings.simplefilter('ignore')
wrong = 0
for row in open('expressions.txt').read().split('\n')[:-1]:
    if (row[0] == '1') != one_argument(row[2:]):
        wrong += 1
        print('loader ' + ('keeps' if row[0] == '1' else 'refuses') + ': ' + row[2:])
hook = open(sys.argv[1]).read()
compile(hook, 'PropertyHook.py', 'exec')
execute = ast.parse(hook).body[2].body[2]
print('%d wrong, hook file of %d execute lines' % (wrong, len(execute.body)))
)PY";

// A few thousand generated formulas, loaded as a configuration: the loader
// keeps exactly those that Python compiles as the one argument of both hook
// calls and refuses the others with one WARNING each; the hook file it then
// writes compiles, with one execute line per formula kept.
TEST(FormulaGrammar, KeepsExactlyTheFormulasPythonReadsAsOneArgument) {
#ifndef TAVIK_PYTHON3
  GTEST_SKIP() << "no python3 was found when the build was configured";
#else
  const char* given = std::getenv("TAVIK_FORMULA_SEED");
  const unsigned seed = given ? static_cast<unsigned>(std::stoul(given)) : std::random_device{}();
  std::cout << "seed " << seed << " (TAVIK_FORMULA_SEED repeats a run)\n";
  ExpressionGenerator generator(seed);
  const char* const references[] = {" <Engine Speed>.Value ", " <Speed, filtered>.Value ",
                                    " <Oil Temp-1>.Max_2 "};
  constexpr size_t kCount = 3000;
  std::vector<std::string> judged;
  std::string formulas;
  for (size_t i = 0; i < kCount; ++i) {
    std::string e = generator.next(), formula;
    std::string judge;
    for (char c : e) {
      formula += c == '$' ? references[i % 3] : std::string(1, c);
      judge += c == '$' ? " v() " : std::string(1, c);
    }
    judged.push_back(judge);
    formulas += formulaXml("F" + std::to_string(i), xmlEscaped(formula),
                           i % 2 ? "<UseMinMaxFlag>1</UseMinMaxFlag>" : "");
  }

  tavik_test::ScopedIni ini("");
  tavik_test::CapturingSink sink;
  FormuaLoader loader;
  pugi::xml_document doc;
  loader.load(tavik_test::parseXml(&doc, tavik_test::definitionXml(formulas, "")));
  std::string kept(kCount, '0');
  for (const FormulaEntry& formula : loader.get_formulas()) {
    kept[std::stoul(pugi::as_utf8(formula.name.substr(1)))] = '1';
    FormulaEntry use = formula;
    use.variable = use.target = L"T";
    use.setter = L"T.set(Parameter.Property.V, ";
    use.parameter_bound = true;
    loader.get_formula_uses().push_back(use);
  }
  const size_t accepted = loader.get_formulas().size();
  EXPECT_EQ(kCount - accepted, sink.messages(WARNING.value).size());
  loader.create_file();

  std::string rows;
  for (size_t i = 0; i < kCount; ++i) rows += kept[i] + (" " + judged[i]) + "\n";
  tavik_test::ScopedTempDir dir;
  dir.write("expressions.txt", rows);
  dir.write("judge.py", kJudge);
  const std::string command = "cd '" + dir.path().string() + "' && " TAVIK_PYTHON3 +
                              std::string(" -B -E -s judge.py '") + ini.hookFile().string() +
                              "' > out.txt 2>&1";
  const int status = std::system(command.c_str());
  std::ifstream in(dir.path() / "out.txt");
  const std::string output{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_EQ(0, status);
  EXPECT_EQ("0 wrong, hook file of " + std::to_string(accepted) + " execute lines\n", output);
  // Both sides are well represented.
  EXPECT_GT(accepted, kCount / 4);
  EXPECT_LT(accepted, kCount * 3 / 4);
#endif
}

}  // namespace
