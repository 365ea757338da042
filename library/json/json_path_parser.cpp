// The JSONPath parser: one function per rule of RFC 9535's grammar, the
// rule above it. It reads UTF-16 text, so positions in messages count what
// the script counts.
#include <string>

#include "library/json/json_path_ast.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv::library::jsonpath {

void Fail(size_t pos, std::u16string_view reason) {
  throw ScriptError(u"Invalid JSONPath at " + IntToText(static_cast<long long>(pos)) + u": " +
                    std::u16string(reason));
}

namespace {

// I-JSON's exact integers bound indexes and slice parameters.
constexpr int64_t kMaxExactInt = (int64_t{1} << 53) - 1;
constexpr int kMaxNesting = 256;

bool IsDigit(char32_t c) { return c >= '0' && c <= '9'; }
bool IsAlpha(char32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsLcAlpha(char32_t c) { return c >= 'a' && c <= 'z'; }

class Parser {
 public:
  explicit Parser(std::u16string_view text) : t_(text) {}

  std::unique_ptr<Query> Whole() {
    auto q = JsonPathQuery();
    if (i_ < t_.size()) Fail(Pos(), u"unexpected text");
    return q;
  }

 private:
  size_t Pos() const { return i_ + 1; }
  char16_t Peek(size_t ahead = 0) const { return i_ + ahead < t_.size() ? t_[i_ + ahead] : 0; }
  bool Eat(char16_t c) {
    if (Peek() != c) return false;
    ++i_;
    return true;
  }
  void Expect(char16_t c, std::u16string_view what) {
    if (!Eat(c)) Fail(Pos(), u"expected " + std::u16string(what));
  }
  bool EatWord(std::u16string_view w) {
    if (t_.substr(i_, w.size()) != w) return false;
    i_ += w.size();
    return true;
  }

  // B = %x20 / %x09 / %x0A / %x0D
  // S = *B
  void S() {
    while (i_ < t_.size() && (t_[i_] == ' ' || t_[i_] == '\t' || t_[i_] == '\n' || t_[i_] == '\r')) ++i_;
  }

  // jsonpath-query = root-identifier segments
  std::unique_ptr<Query> JsonPathQuery() {
    Expect(u'$', u"\"$\"");
    auto q = std::make_unique<Query>();
    Segments(*q);
    return q;
  }

  // rel-query = current-node-identifier segments
  std::unique_ptr<Query> RelQuery() {
    Expect(u'@', u"\"@\"");
    auto q = std::make_unique<Query>();
    q->relative = true;
    Segments(*q);
    return q;
  }

  // segments = *(S segment)
  void Segments(Query& q) {
    for (;;) {
      const size_t save = i_;
      S();
      if (Peek() != u'[' && Peek() != u'.') {
        i_ = save;
        return;
      }
      q.segments.push_back(SegmentRule());
    }
  }

  // segment = child-segment / descendant-segment
  // child-segment = bracketed-selection /
  //                 ("." (wildcard-selector / member-name-shorthand))
  // descendant-segment = ".." (bracketed-selection / wildcard-selector /
  //                            member-name-shorthand)
  Segment SegmentRule() {
    Segment seg;
    if (Peek() == u'[') {
      BracketedSelection(seg);
      return seg;
    }
    Expect(u'.', u"\".\"");
    if (Eat(u'.')) {
      seg.descendant = true;
      if (Peek() == u'[') {
        BracketedSelection(seg);
        return seg;
      }
    }
    if (Eat(u'*')) {
      seg.selectors.push_back(Selector{SelectorKind::Wildcard});
    } else {
      Selector s{SelectorKind::Name};
      s.name = MemberNameShorthand();
      seg.selectors.push_back(std::move(s));
    }
    return seg;
  }

  // bracketed-selection = "[" S selector *(S "," S selector) S "]"
  void BracketedSelection(Segment& seg) {
    Expect(u'[', u"\"[\"");
    S();
    seg.selectors.push_back(SelectorRule());
    for (;;) {
      S();
      if (Eat(u']')) return;
      Expect(u',', u"\",\" or \"]\"");
      S();
      seg.selectors.push_back(SelectorRule());
    }
  }

  // selector = name-selector / wildcard-selector / slice-selector /
  //            index-selector / filter-selector
  Selector SelectorRule() {
    const char16_t c = Peek();
    if (c == u'\'' || c == u'"') {
      // name-selector = string-literal
      Selector s{SelectorKind::Name};
      s.name = StringLiteral();
      return s;
    }
    if (Eat(u'*')) return Selector{SelectorKind::Wildcard};
    if (c == u'?') return FilterSelector();
    if (c == u'-' || c == u':' || IsDigit(c)) return IndexOrSlice();
    Fail(Pos(), u"expected a selector");
  }

  // index-selector = int
  // slice-selector = [start S] ":" S [end S] [":" [S step ]]
  Selector IndexOrSlice() {
    std::optional<int64_t> first;
    if (Peek() != u':') first = Int();
    const size_t save = i_;
    S();
    if (!Eat(u':')) {
      i_ = save;
      Selector s{SelectorKind::Index};
      s.index = *first;
      return s;
    }
    Selector s{SelectorKind::Slice};
    s.start = first;
    S();
    if (Peek() == u'-' || IsDigit(Peek())) {
      s.end = Int();
      S();
    }
    if (Eat(u':')) {
      S();
      if (Peek() == u'-' || IsDigit(Peek())) s.step = Int();
    }
    return s;
  }

  // int = "0" / (["-"] DIGIT1 *DIGIT)
  int64_t Int() {
    const size_t at = Pos();
    const bool negative = Eat(u'-');
    if (!IsDigit(Peek())) Fail(Pos(), u"expected a digit");
    if (Peek() == u'0') {
      ++i_;
      if (negative) Fail(at, u"\"-0\" is not an index");
      if (IsDigit(Peek())) Fail(at, u"leading zero");
      return 0;
    }
    int64_t v = 0;
    while (IsDigit(Peek())) {
      v = v * 10 + (t_[i_++] - u'0');
      if (v > kMaxExactInt) Fail(at, u"integer out of range");
    }
    return negative ? -v : v;
  }

  // member-name-shorthand = name-first *name-char
  // name-first = ALPHA / "_" / %x80-D7FF / %xE000-10FFFF
  // name-char  = name-first / DIGIT
  std::string MemberNameShorthand() {
    std::u16string name;
    for (;;) {
      const size_t at = i_;
      if (at >= t_.size()) break;
      size_t next = at;
      const char32_t c = NextCodePoint(t_, next);
      const bool first = IsAlpha(c) || c == '_' || (c >= 0x80 && !IsSurrogate(c));
      if (!(first || (!name.empty() && IsDigit(c)))) break;
      name.append(t_.substr(at, next - at));
      i_ = next;
    }
    if (name.empty()) Fail(Pos(), u"expected a member name");
    return ToUtf8(name);
  }

  // string-literal = %x22 *double-quoted %x22 / %x27 *single-quoted %x27
  // double-quoted  = unescaped / %x27 / ESC %x22 / ESC escapable
  // single-quoted  = unescaped / %x22 / ESC %x27 / ESC escapable
  // unescaped      = %x20-21 / %x23-26 / %x28-5B / %x5D-D7FF / %xE000-10FFFF
  std::string StringLiteral() {
    const char16_t quote = t_[i_++];
    std::u16string value;
    for (;;) {
      if (i_ >= t_.size()) Fail(Pos(), u"unterminated string");
      const size_t at = i_;
      const char32_t c = NextCodePoint(t_, i_);
      if (c == quote) break;
      if (c == u'\\') {
        Escapable(quote, value);
      } else if (c < 0x20 || IsSurrogate(c)) {
        Fail(at + 1, u"character not allowed in a string");
      } else {
        AppendCodePoint(value, c);
      }
    }
    return ToUtf8(value);
  }

  // escapable = %x62 / %x66 / %x6E / %x72 / %x74 / "/" / "\" /
  //             (%x75 hexchar)
  // hexchar   = non-surrogate / (high-surrogate "\" %x75 low-surrogate)
  void Escapable(char16_t quote, std::u16string& out) {
    const size_t at = i_;
    const char16_t c = Peek();
    ++i_;
    switch (c) {
      case u'b':
        out += u'\b';
        return;
      case u'f':
        out += u'\f';
        return;
      case u'n':
        out += u'\n';
        return;
      case u'r':
        out += u'\r';
        return;
      case u't':
        out += u'\t';
        return;
      case u'/':
        out += u'/';
        return;
      case u'\\':
        out += u'\\';
        return;
      case u'u': {
        const char32_t unit = Hex4();
        if (IsLowSurrogate(unit)) Fail(at, u"lone low surrogate");
        if (IsHighSurrogate(unit)) {
          if (!EatWord(u"\\u")) Fail(Pos(), u"high surrogate without its low surrogate");
          const char32_t low = Hex4();
          if (!IsLowSurrogate(low)) Fail(Pos(), u"high surrogate without its low surrogate");
          AppendCodePoint(out, CombineSurrogates(unit, low));
        } else {
          AppendCodePoint(out, unit);
        }
        return;
      }
      default:
        if (c == quote && c != 0) {
          out += c;
          return;
        }
        Fail(at, u"invalid escape");
    }
  }

  char32_t Hex4() {
    char32_t v = 0;
    for (int k = 0; k < 4; ++k) {
      const char16_t c = Peek();
      int d;
      if (c >= u'0' && c <= u'9') {
        d = c - u'0';
      } else if (c >= u'a' && c <= u'f') {
        d = c - u'a' + 10;
      } else if (c >= u'A' && c <= u'F') {
        d = c - u'A' + 10;
      } else {
        Fail(Pos(), u"expected four hexadecimal digits");
      }
      v = v * 16 + d;
      ++i_;
    }
    return v;
  }

  // filter-selector = "?" S logical-expr
  Selector FilterSelector() {
    Expect(u'?', u"\"?\"");
    S();
    Selector s{SelectorKind::Filter};
    s.filter = LogicalExpr();
    return s;
  }

  // logical-expr = logical-or-expr
  // logical-or-expr = logical-and-expr *(S "||" S logical-and-expr)
  std::unique_ptr<Expr> LogicalExpr() {
    const size_t at = Pos();
    // Parentheses, nested filters and function arguments recurse through
    // here; bounding them bounds the type pass and the evaluator too.
    if (++depth_ > kMaxNesting) Fail(at, u"expression nested too deeply");
    struct Leave {
      int& depth;
      ~Leave() { --depth; }
    } leave{depth_};
    auto first = LogicalAndExpr();
    size_t save = i_;
    S();
    if (!EatWord(u"||")) {
      i_ = save;
      return first;
    }
    auto e = NewExpr(ExprKind::Or, at);
    e->operands.push_back(std::move(first));
    do {
      S();
      e->operands.push_back(LogicalAndExpr());
      save = i_;
      S();
    } while (EatWord(u"||"));
    i_ = save;
    return e;
  }

  // logical-and-expr = basic-expr *(S "&&" S basic-expr)
  std::unique_ptr<Expr> LogicalAndExpr() {
    const size_t at = Pos();
    auto first = BasicExpr();
    size_t save = i_;
    S();
    if (!EatWord(u"&&")) {
      i_ = save;
      return first;
    }
    auto e = NewExpr(ExprKind::And, at);
    e->operands.push_back(std::move(first));
    do {
      S();
      e->operands.push_back(BasicExpr());
      save = i_;
      S();
    } while (EatWord(u"&&"));
    i_ = save;
    return e;
  }

  // basic-expr = paren-expr / comparison-expr / test-expr
  // paren-expr = [logical-not-op S] "(" S logical-expr S ")"
  // test-expr  = [logical-not-op S] (filter-query / function-expr)
  // comparison-expr = comparable S comparison-op S comparable
  std::unique_ptr<Expr> BasicExpr() {
    const size_t at = Pos();
    if (Eat(u'!')) {
      S();
      auto e = NewExpr(ExprKind::Not, at);
      if (Peek() == u'(') {
        e->operands.push_back(ParenExpr());
      } else {
        auto test = Comparable();
        if (test->kind == ExprKind::Literal) Fail(test->pos, u"a literal cannot be a test");
        e->operands.push_back(std::move(test));
      }
      return e;
    }
    if (Peek() == u'(') return ParenExpr();
    auto left = Comparable();
    const size_t save = i_;
    S();
    const auto op = ComparisonOp();
    if (!op) {
      i_ = save;
      if (left->kind == ExprKind::Literal) Fail(left->pos, u"a literal must be compared");
      return left;
    }
    S();
    auto right = Comparable();
    for (const auto* side : {left.get(), right.get()})
      if (side->kind == ExprKind::Query && !side->query->Singular())
        Fail(side->pos, u"a query in a comparison must be singular");
    auto e = NewExpr(ExprKind::Compare, at);
    e->op = *op;
    e->operands.push_back(std::move(left));
    e->operands.push_back(std::move(right));
    return e;
  }

  std::unique_ptr<Expr> ParenExpr() {
    Expect(u'(', u"\"(\"");
    S();
    auto inner = LogicalExpr();
    S();
    Expect(u')', u"\")\"");
    inner->grouped = true;
    return inner;
  }

  // comparison-op = "==" / "!=" / "<=" / ">=" / "<" / ">"
  std::optional<CompareOp> ComparisonOp() {
    if (EatWord(u"==")) return CompareOp::Eq;
    if (EatWord(u"!=")) return CompareOp::Ne;
    if (EatWord(u"<=")) return CompareOp::Le;
    if (EatWord(u">=")) return CompareOp::Ge;
    if (Eat(u'<')) return CompareOp::Lt;
    if (Eat(u'>')) return CompareOp::Gt;
    return std::nullopt;
  }

  // comparable = literal / singular-query / function-expr
  // (also the operand of a test: filter-query / function-expr)
  // filter-query = rel-query / jsonpath-query
  std::unique_ptr<Expr> Comparable() {
    const size_t at = Pos();
    const char16_t c = Peek();
    if (c == u'@' || c == u'$') {
      auto e = NewExpr(ExprKind::Query, at);
      e->query = c == u'@' ? RelQuery() : JsonPathQuery();
      return e;
    }
    if (IsLcAlpha(c)) {
      size_t end = i_;
      while (end < t_.size() && (IsLcAlpha(t_[end]) || IsDigit(t_[end]) || t_[end] == u'_')) ++end;
      if (end < t_.size() && t_[end] == u'(') return FunctionExpr();
    }
    return Literal();
  }

  // literal = number / string-literal / true / false / null
  std::unique_ptr<Expr> Literal() {
    const size_t at = Pos();
    auto e = NewExpr(ExprKind::Literal, at);
    const char16_t c = Peek();
    if (c == u'\'' || c == u'"') {
      e->literal = JsonDocument::Scalar(JsonKind::String, StringLiteral());
    } else if (c == u'-' || IsDigit(c)) {
      e->literal = JsonDocument::Scalar(JsonKind::Number, Number());
    } else if (EatWord(u"true")) {
      e->literal = JsonDocument::Scalar(JsonKind::True);
    } else if (EatWord(u"false")) {
      e->literal = JsonDocument::Scalar(JsonKind::False);
    } else if (EatWord(u"null")) {
      e->literal = JsonDocument::Scalar(JsonKind::Null);
    } else {
      Fail(at, u"expected a query, a function or a literal");
    }
    return e;
  }

  // number = (int / "-0") [ frac ] [ exp ]
  // frac   = "." 1*DIGIT
  // exp    = "e" [ "-" / "+" ] 1*DIGIT
  std::string Number() {
    const size_t begin = i_;
    Eat(u'-');
    if (!IsDigit(Peek())) Fail(Pos(), u"expected a digit");
    if (Eat(u'0')) {
      if (IsDigit(Peek())) Fail(Pos(), u"leading zero");
    } else {
      while (IsDigit(Peek())) ++i_;
    }
    if (Eat(u'.')) {
      if (!IsDigit(Peek())) Fail(Pos(), u"expected a digit");
      while (IsDigit(Peek())) ++i_;
    }
    if (Eat(u'e') || Eat(u'E')) {
      if (!Eat(u'-')) Eat(u'+');
      if (!IsDigit(Peek())) Fail(Pos(), u"expected a digit");
      while (IsDigit(Peek())) ++i_;
    }
    return ToUtf8(t_.substr(begin, i_ - begin));
  }

  // function-expr = function-name "(" S [function-argument
  //                 *(S "," S function-argument)] S ")"
  // function-name = function-name-first *function-name-char
  std::unique_ptr<Expr> FunctionExpr() {
    const size_t at = Pos();
    auto e = NewExpr(ExprKind::Function, at);
    while (IsLcAlpha(Peek()) || IsDigit(Peek()) || Peek() == u'_') e->functionName += t_[i_++];
    Expect(u'(', u"\"(\"");
    S();
    if (Eat(u')')) return e;
    for (;;) {
      e->operands.push_back(FunctionArgument());
      S();
      if (Eat(u')')) return e;
      Expect(u',', u"\",\" or \")\"");
      S();
    }
  }

  // function-argument = literal / filter-query / logical-expr / function-expr
  // A literal stands alone; a query or function that stands alone is a
  // query or function argument, anything else a logical expression.
  std::unique_ptr<Expr> FunctionArgument() {
    const size_t save = i_;
    const char16_t c = Peek();
    if (c == u'\'' || c == u'"' || c == u'-' || IsDigit(c) || c == u't' || c == u'f' || c == u'n') {
      const bool word = IsLcAlpha(c);
      const size_t wordEnd = [&] {
        size_t end = i_;
        while (end < t_.size() && (IsLcAlpha(t_[end]) || IsDigit(t_[end]) || t_[end] == u'_')) ++end;
        return end;
      }();
      if (!word || wordEnd >= t_.size() || t_[wordEnd] != u'(') {
        auto literal = Literal();
        const size_t after = i_;
        S();
        if (Peek() == u',' || Peek() == u')') {
          i_ = after;
          return literal;
        }
        i_ = save;
      }
    }
    return LogicalExpr();
  }

  static std::unique_ptr<Expr> NewExpr(ExprKind kind, size_t pos) {
    auto e = std::make_unique<Expr>();
    e->kind = kind;
    e->pos = pos;
    return e;
  }

  std::u16string_view t_;
  size_t i_ = 0;
  int depth_ = 0;
};

}  // namespace

bool Query::Singular() const {
  for (const Segment& s : segments) {
    if (s.descendant || s.selectors.size() != 1) return false;
    const SelectorKind k = s.selectors[0].kind;
    if (k != SelectorKind::Name && k != SelectorKind::Index) return false;
  }
  return true;
}

std::unique_ptr<Query> Parse(std::u16string_view text) { return Parser(text).Whole(); }

}  // namespace qv::library::jsonpath
