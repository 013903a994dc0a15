#include "TavikEngine/Config/FormulaGrammar.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "TavikEngine/Config/PythonText.h"
#include "TavikEngine/Config/XmlText.h"

namespace tavik {
namespace {

using Kind = FormulaToken::Kind;

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
  bool isOperator(std::wstring_view op) const {
    return at_ < tokens_.size() && tokens_[at_].kind == Kind::Operator && tokenText(at_) == op;
  }
  // Whether the current token is one of `ops` (ending with a null pointer).
  bool isAnyOperator(const wchar_t* const* ops) const {
    for (; *ops != nullptr; ++ops)
      if (isOperator(*ops)) return true;
    return false;
  }
  bool isWord(std::wstring_view word, std::size_t offset = 0) const {
    const std::size_t i = at_ + offset;
    return i < tokens_.size() && tokens_[i].kind == Kind::Name && tokenText(i) == word;
  }
  bool isKeyword() const {
    return tokens_[at_].kind == Kind::Name && !isPythonAttributeName(std::wstring(tokenText(at_)));
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
  void expectOperator(std::wstring_view op) {
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
    if (!isWord(L"if")) return depth;
    ++at_;
    depth = std::max(depth, disjunction());
    if (!isWord(L"else")) refuse();
    ++at_;
    return node(std::max(depth, expression()));
  }
  int disjunction() { return chain(L"or", &Parser::conjunction); }
  int conjunction() { return chain(L"and", &Parser::inversion); }
  // `operand` ("word" operand)*: one node for the whole chain.
  int chain(std::wstring_view word, int (Parser::*operand)()) {
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
    if (!isWord(L"not")) return comparison();
    ++at_;
    const Nest nest(this);
    return node(inversion());
  }
  int comparison() {
    int depth = binary(0);
    bool compared = false;
    for (;;) {
      static const wchar_t* const kComparisons[] = {L"==", L"!=", L"<", L"<=", L">", L">=", nullptr};
      if (isAnyOperator(kComparisons) || isWord(L"in")) {
        ++at_;
      } else if (isWord(L"not") && isWord(L"in", 1)) {
        at_ += 2;
      } else if (isWord(L"is")) {
        at_ += isWord(L"not", 1) ? 2 : 1;
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
    static const wchar_t* const kLevels[][6] = {
        {L"|", nullptr}, {L"^", nullptr}, {L"&", nullptr}, {L"<<", L">>", nullptr},
        {L"+", L"-", nullptr}, {L"*", L"/", L"//", L"%", L"@", nullptr}};
    if (level == std::size(kLevels)) return factor();
    int depth = binary(level + 1);
    while (isAnyOperator(kLevels[level])) {
      ++at_;
      depth = node(std::max(depth, binary(level + 1)));
    }
    return depth;
  }
  int factor() {
    static const wchar_t* const kUnary[] = {L"+", L"-", L"~", nullptr};
    if (!isAnyOperator(kUnary)) return power();
    ++at_;
    const Nest nest(this);
    return node(factor());
  }
  int power() {
    int depth = primary();
    if (!isOperator(L"**")) return depth;
    ++at_;
    const Nest nest(this);
    return node(std::max(depth, factor()));
  }
  int primary() {
    int depth = atom();
    for (;;) {
      if (isOperator(L".")) {
        ++at_;
        if (at_ >= tokens_.size() || tokens_[at_].kind != Kind::Name || isKeyword()) refuse();
        ++at_;
        depth = node(depth);
      } else if (isOperator(L"(")) {
        ++at_;
        depth = node(std::max(depth, sequence(L")", &Parser::expression, true)));
      } else if (isOperator(L"[")) {
        ++at_;
        depth = node(std::max(depth, sequence(L"]", &Parser::slice, false)));
      } else {
        return depth;
      }
    }
  }
  // `item` ("," `item`)* [","] up to and with `close`; when `empty` is false
  // there must be at least one item. The depth of the deepest item.
  int sequence(std::wstring_view close, int (Parser::*item)(), bool empty) {
    int depth = 0;
    if (empty && isOperator(close)) {
      ++at_;
      return depth;
    }
    for (;;) {
      depth = std::max(depth, (this->*item)());
      if (!isOperator(L",")) break;
      ++at_;
      if (isOperator(close)) break;
    }
    expectOperator(close);
    return depth;
  }
  // expression | [expression] ":" [expression] [":" [expression]]
  int slice() {
    const auto ends = [&] { return isOperator(L":") || isOperator(L",") || isOperator(L"]"); };
    int depth = 0;
    if (!isOperator(L":")) {
      depth = expression();
      if (!isOperator(L":")) return depth;
    }
    ++at_;
    if (!ends()) depth = std::max(depth, expression());
    if (isOperator(L":")) {
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
        if (isKeyword() && !isWord(L"True") && !isWord(L"False") && !isWord(L"None")) refuse();
        ++at_;
        return 1;
      case Kind::Number:
        ++at_;
        return 1;
      case Kind::String:
        // Adjacent literals are one; Python refuses to join bytes and text.
        for (++at_; at_ < tokens_.size() && tokens_[at_].kind == Kind::String; ++at_)
          if (tokens_[at_].bytes != token.bytes) throw Refusal{"it joins a bytes literal and a text literal"};
        return 1;
      case Kind::Operator:
        break;
    }
    if (isOperator(L"...")) {
      ++at_;
      return 1;
    }
    if (isOperator(L"[")) {
      ++at_;
      return node(sequence(L"]", &Parser::expression, true));
    }
    if (!isOperator(L"(")) refuse();
    ++at_;
    if (isOperator(L")")) {  // the empty tuple
      ++at_;
      return 1;
    }
    const int depth = expression();
    if (isOperator(L")")) {  // only parenthesised
      ++at_;
      return depth;
    }
    if (!isOperator(L",")) refuse();
    ++at_;
    if (isOperator(L")")) {
      ++at_;
      return node(depth);
    }
    return node(std::max(depth, sequence(L")", &Parser::expression, false)));
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
