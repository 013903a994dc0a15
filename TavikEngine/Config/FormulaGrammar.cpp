#include "TavikEngine/Config/FormulaGrammar.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "TavikEngine/Config/PythonText.h"
#include "TavikEngine/Config/XmlText.h"

namespace tavik {
namespace {

using Kind = FormulaToken::Kind;
constexpr std::uint64_t code(const char* text) { return formulaTokenCode(text); }
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// Thrown at the first fault; caught where the check starts.
struct Refusal {
  std::string why;
};

// Where ":=" and "for" bind names, as Python's symbol table sees it: the
// method or a lambda (a function), or a comprehension. Python compiles a
// ":=" only when no comprehension it binds through (up to the function) has
// its name as an iteration variable, and a comprehension's "for" target
// only when no ":=" in that comprehension bound the name before.
struct Scope {
  Scope(bool comprehension, Scope* parent) : comprehension(comprehension), parent(parent) {}
  const bool comprehension;
  Scope* const parent;
  // The names met in this comprehension's "for" targets, and those that a
  // ":=" directly in it binds.
  std::unordered_set<std::wstring> iterationNames, walrusNames;
  bool inTarget = false;  // reading a "for" target of this comprehension
  // The element is read before the clauses, which Python reads first: while
  // it is read, each ":=" that binds through this comprehension waits here
  // with the reason to give should a clause's variable have its name.
  bool readingElement = false;
  std::vector<std::pair<std::wstring, std::string>> pending;
};

// The position of the bracket that closes each opening bracket of `tokens`
// (which pair up); kNone for other tokens.
std::vector<std::size_t> closingBrackets(const std::vector<FormulaToken>& tokens) {
  std::vector<std::size_t> closing(tokens.size(), kNone), open;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].kind != Kind::Operator) continue;
    const std::uint64_t c = tokens[i].code;
    if (c == code("(") || c == code("[") || c == code("{")) {
      open.push_back(i);
    } else if ((c == code(")") || c == code("]") || c == code("}")) && !open.empty()) {
      closing[open.back()] = i;
      open.pop_back();
    }
  }
  return closing;
}

class Parser {
 public:
  Parser(const std::wstring& text, const std::vector<FormulaToken>& tokens)
      : text_(&text), tokens_(&tokens), closing_(closingBrackets(tokens)) {}

  std::string fault() {
    try {
      Scope method(false, nullptr);
      scope_ = &method;
      namedExpression();
      if (at_ < tokens_->size()) refuse();
    } catch (const Refusal& refusal) {
      return refusal.why;
    }
    return std::string();
  }

 private:
  enum class Trailer { None, Attribute, Call, Subscript };

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

  std::size_t size() const { return tokens_->size(); }
  std::wstring_view tokenText(std::size_t i) const {
    return std::wstring_view(*text_).substr((*tokens_)[i].at, (*tokens_)[i].length);
  }
  // Whether the token `offset` places after the current one is of `kind`
  // and has the code `wanted`.
  bool is(Kind kind, std::uint64_t wanted, std::size_t offset = 0) const {
    const std::size_t i = at_ + offset;
    return i < size() && (*tokens_)[i].kind == kind && (*tokens_)[i].code == wanted;
  }
  bool isOperator(std::uint64_t wanted, std::size_t offset = 0) const {
    return is(Kind::Operator, wanted, offset);
  }
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
  bool isKeyword(std::size_t i) const {
    return (*tokens_)[i].kind == Kind::Name && (*tokens_)[i].code != 0 &&
           isPythonKeyword(tokenText(i));
  }
  // Whether the token `offset` places after the current one is a name that
  // is no keyword.
  bool isName(std::size_t offset = 0) const {
    const std::size_t i = at_ + offset;
    return i < size() && (*tokens_)[i].kind == Kind::Name && !isKeyword(i);
  }
  bool isWalrus() const { return isName() && isOperator(code(":="), 1); }
  // Whether a ".", "(" or "[" follows the token at `i`.
  bool trailerFollows(std::size_t i) const {
    if (i + 1 >= size() || (*tokens_)[i + 1].kind != Kind::Operator) return false;
    const std::uint64_t c = (*tokens_)[i + 1].code;
    return c == code(".") || c == code("(") || c == code("[");
  }

  std::string quoted(std::size_t i) const {
    std::wstring token(tokenText(i));
    if (token.size() > 32) token = token.substr(0, 32) + L"...";
    return "\"" + utf8Text(token) + "\"";
  }
  std::string reasonAt(std::size_t i) const {
    std::string why = "it is not one expression: ";
    if (i >= size())
      why += "it ends after " + quoted(i - 1);
    else if (i == 0)
      why += quoted(i) + " cannot start it";
    else
      why += quoted(i) + " cannot stand after " + quoted(i - 1);
    return why;
  }
  [[noreturn]] void refuseAt(std::size_t i) const { throw Refusal{reasonAt(i)}; }
  [[noreturn]] void refuse() const { refuseAt(at_); }
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

  // A name that the current scope reads or binds, at `i`. Inside a
  // comprehension's "for" target every name counts as its variable.
  void useName(std::size_t i) {
    if (!scope_->inTarget) return;
    std::wstring name(tokenText(i));
    if (scope_->walrusNames.count(name) != 0) refuseAt(i);
    scope_->iterationNames.insert(std::move(name));
  }
  // A ":=" binding `name` from `scope` outwards through comprehensions.
  static void bindThrough(Scope* scope, const std::wstring& name, const std::string& why) {
    for (; scope != nullptr && scope->comprehension; scope = scope->parent) {
      if (scope->readingElement) {
        scope->pending.emplace_back(name, why);
        return;
      }
      if (scope->iterationNames.count(name) != 0) throw Refusal{why};
    }
  }

  // (NAME ":=" expression) | expression
  int namedExpression() {
    if (!isWalrus()) return expression();
    const std::size_t target = at_;
    const std::wstring name(tokenText(target));
    const std::string why = reasonAt(target + 1);
    if (inIterable_ > 0 || name == L"__debug__" || name == L"self" || name == L"Parameter")
      throw Refusal{why};
    if (scope_->comprehension) {
      bindThrough(scope_, name, why);
      // Python reads the element last: its bindings meet no later target.
      if (!scope_->readingElement) scope_->walrusNames.insert(name);
    }
    at_ += 2;
    const int depth = expression();
    useName(target);
    return node(depth);
  }

  // Each rule returns the depth of the tree it read.
  int expression() {
    const Nest nest(this);
    if (isWord(code("lambda"))) return lambda();
    int depth = disjunction();
    if (!isWord(code("if"))) return depth;
    ++at_;
    depth = std::max(depth, disjunction());
    if (!isWord(code("else"))) refuse();
    ++at_;
    return node(std::max(depth, expression()));
  }
  // "lambda" [parameters] ":" expression, the parameters as Python 3.10
  // takes them: [positional "/"] positional ["*" [name] keyword-only]
  // ["**" name], each name once; once a positional parameter has a default,
  // every later one has; a bare "*" needs a keyword-only parameter. The
  // defaults are read where the lambda stands, the body in its own scope.
  int lambda() {
    ++at_;
    Scope function(false, scope_);
    std::unordered_set<std::wstring> names;
    const auto parameter = [&] {
      if (!isName() || tokenText(at_) == L"__debug__" ||
          !names.emplace(tokenText(at_)).second)
        refuse();
      ++at_;
    };
    int depth = 0;
    bool any = false, slash = false, star = false, bareStar = false, keywordOnly = false,
         defaults = false;
    while (!isOperator(code(":"))) {
      if (isOperator(code("**"))) {
        ++at_;
        parameter();
        if (isOperator(code(","))) ++at_;
        if (!isOperator(code(":"))) refuse();
        break;
      }
      if (isOperator(code("*"))) {
        if (star) refuse();
        ++at_;
        star = true;
        if (isName()) {
          parameter();
        } else {
          bareStar = true;
          if (!isOperator(code(","))) refuse();
        }
      } else if (isOperator(code("/"))) {
        if (!any || slash || star) refuse();
        ++at_;
        slash = true;
      } else {
        const bool withDefault = isOperator(code("="), 1);
        if (!withDefault && defaults && !star) refuse();
        parameter();
        any = true;
        keywordOnly = keywordOnly || star;
        if (withDefault) {
          ++at_;
          depth = std::max(depth, expression());
          defaults = defaults || !star;
        }
      }
      if (isOperator(code(":"))) break;
      expectOperator(code(","));
    }
    if (bareStar && !keywordOnly) refuse();
    ++at_;
    scope_ = &function;
    depth = std::max(depth, expression());
    scope_ = function.parent;
    return node(depth);
  }
  int disjunction() { return chain(code("or"), &Parser::conjunction); }
  // A disjunction that no expression() holds (a comprehension's iterable or
  // condition): it nests like one, or brackets there would go unbounded.
  int nestedDisjunction() {
    const Nest nest(this);
    return disjunction();
  }
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
    int depth = bitwiseOr();
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
      depth = std::max(depth, bitwiseOr());
      compared = true;
    }
    return compared ? node(depth) : depth;
  }
  int bitwiseOr() { return binary(0); }
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
  // An atom and its trailers; lastTrailer_ tells the last one read.
  int primary() {
    int depth = atom();
    lastTrailer_ = Trailer::None;
    for (;;) {
      Trailer trailer;
      if (isOperator(code("."))) {
        ++at_;
        if (!isName()) refuse();
        lastAttribute_ = at_++;
        depth = node(depth);
        trailer = Trailer::Attribute;
      } else if (isOperator(code("("))) {
        depth = node(std::max(depth, arguments()));
        trailer = Trailer::Call;
      } else if (isOperator(code("["))) {
        ++at_;
        depth = node(std::max(depth, sequence(code("]"), &Parser::slice)));
        trailer = Trailer::Subscript;
      } else {
        return depth;
      }
      lastTrailer_ = trailer;
    }
  }
  // "(" [arguments | generator expression] ")": positional arguments and
  // "*" ones, then keyword arguments mixed with "*" ones, then "**" ones
  // mixed with keyword arguments; no keyword twice.
  int arguments() {
    int depth = 0;
    if (openBrackets(code(")"), &Parser::namedExpression, 0, &depth)) return depth;
    std::unordered_set<std::wstring> keywords;
    bool keyword = false, unpacked = false;
    for (;;) {
      if (isOperator(code("*"))) {
        if (unpacked) refuse();
        ++at_;
        depth = std::max(depth, expression());
      } else if (isOperator(code("**"))) {
        ++at_;
        depth = std::max(depth, expression());
        unpacked = true;
      } else if (isName() && isOperator(code("="), 1)) {
        if (tokenText(at_) == L"__debug__" || !keywords.emplace(tokenText(at_)).second) refuse();
        at_ += 2;
        depth = std::max(depth, expression());
        keyword = true;
      } else {
        if (keyword || unpacked) refuse();
        depth = std::max(depth, namedExpression());
      }
      if (!isOperator(code(","))) break;
      ++at_;
      if (isOperator(code(")"))) break;
    }
    expectOperator(code(")"));
    return depth;
  }
  // `item` ("," `item`)* [","] up to and with `close`. The depth of the
  // deepest item.
  int sequence(std::uint64_t close, int (Parser::*item)()) {
    int depth = 0;
    for (;;) {
      depth = std::max(depth, (this->*item)());
      if (!isOperator(code(","))) break;
      ++at_;
      if (isOperator(close)) break;
    }
    expectOperator(close);
    return depth;
  }
  // NAME ":=" expression | [expression] ":" [expression] [":" [expression]]
  // | expression
  int slice() {
    if (isWalrus()) return namedExpression();
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
  // "*" bitwise_or | named expression: an item of a tuple, list or set.
  int starItem() {
    if (!isOperator(code("*"))) return namedExpression();
    ++at_;
    const Nest nest(this);
    return node(bitwiseOr());
  }
  // "**" bitwise_or | expression ":" expression: an item of a dict.
  int dictItem() {
    if (isOperator(code("**"))) {
      ++at_;
      const Nest nest(this);
      return node(bitwiseOr());
    }
    int depth = expression();
    expectOperator(code(":"));
    return node(std::max(depth, expression()));
  }
  // The element of a set or dict comprehension.
  int braceElement() {
    if (isWalrus()) return namedExpression();
    int depth = expression();
    if (!isOperator(code(":"))) return depth;
    ++at_;
    return node(std::max(depth, expression()));
  }

  int atom() {
    if (at_ >= size()) refuse();
    const FormulaToken& token = (*tokens_)[at_];
    switch (token.kind) {
      case Kind::Name:
        if (isKeyword(at_) && !isWord(code("True")) && !isWord(code("False")) &&
            !isWord(code("None")))
          refuse();
        useName(at_++);
        return 1;
      case Kind::Number:
        ++at_;
        return 1;
      case Kind::String:
        return strings();
      case Kind::Operator:
        break;
    }
    if (isOperator(code("..."))) {
      ++at_;
      return 1;
    }
    int depth = 1;
    if (isOperator(code("["))) {
      if (openBrackets(code("]"), &Parser::namedExpression, 1, &depth)) return depth;
      return node(sequence(code("]"), &Parser::starItem));
    }
    if (isOperator(code("{"))) return braces();
    if (!isOperator(code("("))) refuse();
    if (openBrackets(code(")"), &Parser::namedExpression, 1, &depth)) return depth;
    const bool starred = isOperator(code("*"));
    depth = starItem();
    if (isOperator(code(")"))) {  // only parenthesised
      if (starred) refuse();
      ++at_;
      return depth;
    }
    expectOperator(code(","));
    if (isOperator(code(")"))) {
      ++at_;
      return node(depth);
    }
    return node(std::max(depth, sequence(code(")"), &Parser::starItem)));
  }
  // "{" ... "}": a dict or set display, or a comprehension of either.
  int braces() {
    int depth = 1;
    if (openBrackets(code("}"), &Parser::braceElement, 1, &depth)) return depth;
    bool dict = isOperator(code("**"));
    if (dict || isOperator(code("*")) || isWalrus()) {
      depth = dict ? dictItem() : starItem();
    } else {
      depth = expression();
      dict = isOperator(code(":"));
      if (dict) {
        ++at_;
        depth = node(std::max(depth, expression()));
      }
    }
    if (isOperator(code(","))) {
      ++at_;
      if (!isOperator(code("}")))
        depth = std::max(depth, sequence(code("}"), dict ? &Parser::dictItem : &Parser::starItem));
      else
        ++at_;
    } else {
      expectOperator(code("}"));
    }
    return node(depth);
  }
  // Adjacent string literals are one; Python refuses to join bytes and text.
  int strings() {
    const FormulaToken& first = (*tokens_)[at_];
    int depth = 1;
    for (; at_ < size() && (*tokens_)[at_].kind == Kind::String; ++at_) {
      if ((*tokens_)[at_].bytes != first.bytes)
        throw Refusal{"it joins a bytes literal and a text literal"};
      if ((*tokens_)[at_].format) depth = std::max(depth, formatFields((*tokens_)[at_]));
    }
    return depth;
  }
  // Reads each field of a format string as Python does, "(" + field + ")",
  // with this parser's scopes and bounds: a field is code of the line.
  int formatFields(const FormulaToken& literal) {
    std::vector<FormulaSpan> fields;
    formatStringFields(*text_, {literal.at, literal.length}, &fields);
    int depth = 1;
    for (const FormulaSpan& field : fields) {
      const std::wstring text = L"(" + text_->substr(field.at, field.length) + L")";
      std::vector<FormulaToken> tokens;
      const std::string fault = formulaTokens(text, &tokens);
      if (!fault.empty()) throw Refusal{fault};
      const std::wstring* outerText = text_;
      const std::vector<FormulaToken>* outerTokens = tokens_;
      std::vector<std::size_t> outerClosing = std::move(closing_);
      const std::size_t outerAt = at_;
      text_ = &text;
      tokens_ = &tokens;
      closing_ = closingBrackets(tokens);
      at_ = 0;
      depth = std::max(depth, node(atom()));
      if (at_ < size()) refuse();
      text_ = outerText;
      tokens_ = outerTokens;
      closing_ = std::move(outerClosing);
      at_ = outerAt;
    }
    return depth;
  }

  // Reads the opening bracket at the current token. When the brackets are
  // empty (of depth `emptyDepth`) or hold a comprehension of `element`,
  // reads them whole, sets `depth` and returns true.
  bool openBrackets(std::uint64_t close, int (Parser::*element)(), int emptyDepth, int* depth) {
    const std::size_t open = at_++;
    if (isOperator(close)) {
      ++at_;
      *depth = emptyDepth;
      return true;
    }
    if (!startsComprehension(open)) return false;
    *depth = comprehension(close, element);
    return true;
  }
  // Whether the brackets opening at `open` hold a comprehension: a "for"
  // (or "async") before any "," of theirs, nested brackets and lambda
  // parameters passed over. Each token is looked at for the brackets that
  // directly hold it only.
  bool startsComprehension(std::size_t open) const {
    int lambdas = 0;
    for (std::size_t i = open + 1; i < closing_[open]; ++i) {
      const FormulaToken& token = (*tokens_)[i];
      const std::uint64_t c = token.code;
      if (token.kind == Kind::Name) {
        if (c == code("for") || c == code("async")) return true;
        if (c == code("lambda")) ++lambdas;
      } else if (token.kind == Kind::Operator) {
        if (c == code("(") || c == code("[") || c == code("{"))
          i = closing_[i];
        else if (c == code(":") && lambdas > 0)
          --lambdas;
        else if (c == code(",") && lambdas == 0)
          return false;
      }
    }
    return false;
  }
  // `element` ("for" targets "in" disjunction ("if" disjunction)*)+ `close`,
  // the brackets' opening one read. The first iterable is evaluated where
  // the comprehension stands, the rest in its own scope; no ":=" may stand
  // in any iterable.
  int comprehension(std::uint64_t close, int (Parser::*element)()) {
    Scope* const outer = scope_;
    Scope inner(true, outer);
    scope_ = &inner;
    inner.readingElement = true;
    int depth = (this->*element)();
    inner.readingElement = false;
    if (!isWord(code("for"))) refuse();
    for (bool first = true; isWord(code("for")); first = false) {
      ++at_;
      inner.inTarget = true;
      depth = std::max(depth, targets(Kind::Name, code("in"), false));
      inner.inTarget = false;
      ++at_;
      ++inIterable_;
      scope_ = first ? outer : &inner;
      depth = std::max(depth, nestedDisjunction());
      scope_ = &inner;
      --inIterable_;
      while (isWord(code("if"))) {
        ++at_;
        depth = std::max(depth, nestedDisjunction());
      }
    }
    expectOperator(close);
    for (const auto& [name, why] : inner.pending) {
      if (inner.iterationNames.count(name) != 0) throw Refusal{why};
      bindThrough(outer, name, why);
    }
    scope_ = outer;
    return node(depth);
  }
  // The targets of a "for", or those inside "(...)" or "[...]" (`list`),
  // up to the token of `kind` and `end`, which is left; a tuple when there
  // is a ",". Python compiles one starred target per tuple or list, with
  // fewer than 256 targets before it, and not a lone one.
  int targets(Kind kind, std::uint64_t end, bool list) {
    int depth = 0;
    std::size_t count = 0, before = kNone;
    bool tuple = false;
    for (;;) {
      if (isOperator(code("*"))) {
        if (before != kNone || count >= 256) refuse();
        before = count;
        ++at_;
      }
      depth = std::max(depth, target());
      ++count;
      if (!isOperator(code(","))) break;
      ++at_;
      tuple = true;
      if (is(kind, end)) break;
    }
    if (!is(kind, end) || (before != kNone && !tuple && !list) ||
        (before != kNone && count - before - 1 >= (INT_MAX >> 8)))
      refuse();
    return depth;
  }
  // A name, "(...)" or "[...]" of targets, or a primary that ends in an
  // attribute or a subscript.
  int target() {
    const Nest nest(this);
    if (at_ < size() && (isOperator(code("(")) || isOperator(code("["))) &&
        !trailerFollows(closing_[at_])) {
      const bool list = isOperator(code("["));
      const std::uint64_t close = list ? code("]") : code(")");
      ++at_;
      int depth = 0;
      if (!isOperator(close)) depth = targets(Kind::Operator, close, list);
      ++at_;
      return node(depth);
    }
    if (isName() && !trailerFollows(at_)) {
      if (tokenText(at_) == L"__debug__") refuse();
      useName(at_++);
      return 1;
    }
    const int depth = primary();
    if (lastTrailer_ == Trailer::Attribute) {
      if (tokenText(lastAttribute_) == L"__debug__") refuseAt(lastAttribute_);
    } else if (lastTrailer_ != Trailer::Subscript) {
      refuse();
    }
    return depth;
  }

  const std::wstring* text_;
  const std::vector<FormulaToken>* tokens_;
  std::vector<std::size_t> closing_;
  std::size_t at_ = 0;
  int nesting_ = 0;
  Scope* scope_ = nullptr;
  int inIterable_ = 0;  // how many comprehension iterables hold the current token
  Trailer lastTrailer_ = Trailer::None;
  std::size_t lastAttribute_ = 0;
};

}  // namespace

std::string formulaGrammarFault(const std::wstring& expression,
                                const std::vector<FormulaToken>& tokens) {
  return Parser(expression, tokens).fault();
}

}  // namespace tavik
