#include "TavikEngine/Config/FormulaGrammar.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

#include "TavikEngine/Config/PythonText.h"
#include "TavikEngine/Config/XmlText.h"

namespace tavik {
namespace {

using Kind = FormulaToken::Kind;
constexpr std::uint64_t code(const char* text) { return formulaTokenCode(text); }

// Thrown at the first fault; caught where the check starts.
struct Refusal {
  std::string why;
};

class Parser {
 public:
  Parser(const std::wstring& text, const std::vector<FormulaToken>& tokens)
      : text_(text), tokens_(tokens) {}

  std::string fault() {
    try {
      expression();
      if (at_ < tokens_.size()) refuse();
    } catch (const Refusal& refusal) {
      return refusal.why;
    }
    return std::string();
  }

 private:
  // One more level of the parser's recursion while it lives.
  class Nest {
   public:
    explicit Nest(Parser* parser) : parser_(parser) {
      if (++parser_->nesting_ > kMaxFormulaNesting)
        throw Refusal{"it nests brackets or operators more than " +
                      std::to_string(kMaxFormulaNesting) + " deep"};
    }
    ~Nest() { --parser_->nesting_; }
    Nest(const Nest&) = delete;
    Nest& operator=(const Nest&) = delete;

   private:
    Parser* parser_;
  };

  std::wstring_view tokenText(std::size_t i) const {
    return std::wstring_view(text_).substr(tokens_[i].at, tokens_[i].length);
  }
  // Whether the token `offset` places after the current one is of `kind`
  // and has the code `wanted`.
  bool is(Kind kind, std::uint64_t wanted, std::size_t offset = 0) const {
    const std::size_t i = at_ + offset;
    return i < tokens_.size() && tokens_[i].kind == kind && tokens_[i].code == wanted;
  }
  bool isOperator(std::uint64_t wanted) const { return is(Kind::Operator, wanted); }
  // Whether the current token is one of `codes` (ending with 0).
  bool isAnyOperator(const std::uint64_t* codes) const {
    for (; *codes != 0; ++codes)
      if (isOperator(*codes)) return true;
    return false;
  }
  bool isWord(std::uint64_t wanted, std::size_t offset = 0) const {
    return is(Kind::Name, wanted, offset);
  }
  // Every keyword has at most 8 characters, so a name without a code is none.
  bool isKeyword() const {
    return tokens_[at_].kind == Kind::Name && tokens_[at_].code != 0 &&
           isPythonKeyword(tokenText(at_));
  }

  std::string quoted(std::size_t i) const {
    std::wstring token(tokenText(i));
    if (token.size() > 32) token = token.substr(0, 32) + L"...";
    return "\"" + utf8Text(token) + "\"";
  }
  [[noreturn]] void refuse() const {
    std::string why = "it is not one expression: ";
    if (at_ >= tokens_.size())
      why += "it ends after " + quoted(at_ - 1);
    else if (at_ == 0)
      why += quoted(at_) + " cannot start it";
    else
      why += quoted(at_) + " cannot stand after " + quoted(at_ - 1);
    throw Refusal{why};
  }
  void expectOperator(std::uint64_t op) {
    if (!isOperator(op)) refuse();
    ++at_;
  }
  // The depth of a node over children of depth `depth`.
  static int node(int depth) {
    if (depth + 1 > kMaxFormulaDepth)
      throw Refusal{"its expression is more than " + std::to_string(kMaxFormulaDepth) +
                    " operations deep"};
    return depth + 1;
  }

  // Each rule returns the depth of the tree it read.
  int expression() {
    const Nest nest(this);
    int depth = disjunction();
    if (!isWord(code("if"))) return depth;
    ++at_;
    depth = std::max(depth, disjunction());
    if (!isWord(code("else"))) refuse();
    ++at_;
    return node(std::max(depth, expression()));
  }
  int disjunction() { return chain(code("or"), &Parser::conjunction); }
  int conjunction() { return chain(code("and"), &Parser::inversion); }
  // `operand` ("word" operand)*: one node for the whole chain.
  int chain(std::uint64_t word, int (Parser::*operand)()) {
    int depth = (this->*operand)();
    bool joined = false;
    while (isWord(word)) {
      ++at_;
      depth = std::max(depth, (this->*operand)());
      joined = true;
    }
    return joined ? node(depth) : depth;
  }
  int inversion() {
    if (!isWord(code("not"))) return comparison();
    ++at_;
    const Nest nest(this);
    return node(inversion());
  }
  int comparison() {
    int depth = binary(0);
    bool compared = false;
    for (;;) {
      static constexpr std::uint64_t kComparisons[] = {code("=="), code("!="), code("<"),
                                                       code("<="), code(">"),  code(">="), 0};
      if (isAnyOperator(kComparisons) || isWord(code("in"))) {
        ++at_;
      } else if (isWord(code("not")) && isWord(code("in"), 1)) {
        at_ += 2;
      } else if (isWord(code("is"))) {
        at_ += isWord(code("not"), 1) ? 2 : 1;
      } else {
        break;
      }
      depth = std::max(depth, binary(0));
      compared = true;
    }
    return compared ? node(depth) : depth;
  }
  // The binary operators from the loosest to the tightest, each level
  // joining from left to right; unary operators and "**" lie below.
  int binary(std::size_t level) {
    static constexpr std::uint64_t kLevels[][6] = {
        {code("|")},           {code("^")},
        {code("&")},           {code("<<"), code(">>")},
        {code("+"), code("-")}, {code("*"), code("/"), code("//"), code("%"), code("@")}};
    if (level == std::size(kLevels)) return factor();
    int depth = binary(level + 1);
    while (isAnyOperator(kLevels[level])) {
      ++at_;
      depth = node(std::max(depth, binary(level + 1)));
    }
    return depth;
  }
  int factor() {
    static constexpr std::uint64_t kUnary[] = {code("+"), code("-"), code("~"), 0};
    if (!isAnyOperator(kUnary)) return power();
    ++at_;
    const Nest nest(this);
    return node(factor());
  }
  int power() {
    int depth = primary();
    if (!isOperator(code("**"))) return depth;
    ++at_;
    const Nest nest(this);
    return node(std::max(depth, factor()));
  }
  int primary() {
    int depth = atom();
    for (;;) {
      if (isOperator(code("."))) {
        ++at_;
        if (at_ >= tokens_.size() || tokens_[at_].kind != Kind::Name || isKeyword()) refuse();
        ++at_;
        depth = node(depth);
      } else if (isOperator(code("("))) {
        ++at_;
        depth = node(std::max(depth, sequence(code(")"), &Parser::expression, true)));
      } else if (isOperator(code("["))) {
        ++at_;
        depth = node(std::max(depth, sequence(code("]"), &Parser::slice, false)));
      } else {
        return depth;
      }
    }
  }
  // `item` ("," `item`)* [","] up to and with `close`; when `empty` is false
  // there must be at least one item. The depth of the deepest item.
  int sequence(std::uint64_t close, int (Parser::*item)(), bool empty) {
    int depth = 0;
    if (empty && isOperator(close)) {
      ++at_;
      return depth;
    }
    for (;;) {
      depth = std::max(depth, (this->*item)());
      if (!isOperator(code(","))) break;
      ++at_;
      if (isOperator(close)) break;
    }
    expectOperator(close);
    return depth;
  }
  // expression | [expression] ":" [expression] [":" [expression]]
  int slice() {
    const auto ends = [&] {
      return isOperator(code(":")) || isOperator(code(",")) || isOperator(code("]"));
    };
    int depth = 0;
    if (!isOperator(code(":"))) {
      depth = expression();
      if (!isOperator(code(":"))) return depth;
    }
    ++at_;
    if (!ends()) depth = std::max(depth, expression());
    if (isOperator(code(":"))) {
      ++at_;
      if (!ends()) depth = std::max(depth, expression());
    }
    return node(depth);
  }
  int atom() {
    if (at_ >= tokens_.size()) refuse();
    const FormulaToken& token = tokens_[at_];
    switch (token.kind) {
      case Kind::Name:
        if (isKeyword() && !isWord(code("True")) && !isWord(code("False")) &&
            !isWord(code("None")))
          refuse();
        ++at_;
        return 1;
      case Kind::Number:
        ++at_;
        return 1;
      case Kind::String:
        // Adjacent literals are one; Python refuses to join bytes and text.
        for (++at_; at_ < tokens_.size() && tokens_[at_].kind == Kind::String; ++at_)
          if (tokens_[at_].bytes != token.bytes)
            throw Refusal{"it joins a bytes literal and a text literal"};
        return 1;
      case Kind::Operator:
        break;
    }
    if (isOperator(code("..."))) {
      ++at_;
      return 1;
    }
    if (isOperator(code("["))) {
      ++at_;
      return node(sequence(code("]"), &Parser::expression, true));
    }
    if (!isOperator(code("("))) refuse();
    ++at_;
    if (isOperator(code(")"))) {  // the empty tuple
      ++at_;
      return 1;
    }
    const int depth = expression();
    if (isOperator(code(")"))) {  // only parenthesised
      ++at_;
      return depth;
    }
    if (!isOperator(code(","))) refuse();
    ++at_;
    if (isOperator(code(")"))) {
      ++at_;
      return node(depth);
    }
    return node(std::max(depth, sequence(code(")"), &Parser::expression, false)));
  }

  const std::wstring& text_;
  const std::vector<FormulaToken>& tokens_;
  std::size_t at_ = 0;
  int nesting_ = 0;
};

}  // namespace

std::string formulaGrammarFault(const std::wstring& expression,
                                const std::vector<FormulaToken>& tokens) {
  return Parser(expression, tokens).fault();
}

}  // namespace tavik
