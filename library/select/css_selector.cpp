// CSS selectors to XPath 1.0.
//
// The parser reads a selector list into compounds joined by combinators; each
// compound becomes a small path value (path so far, element test,
// conditions). Every selector kind has one short function, found in a table
// by name: the attribute operators, the pseudo-classes, the functional
// pseudo-classes and the combinators. A new pseudo-class is one row and one
// function.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "library/select/select.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv::library {

namespace {

// The path built so far: `path` ends where the next step begins.
struct XPathExpr {
  std::u16string path;
  std::u16string element = u"*";
  std::vector<std::u16string> conditions;

  std::u16string Text() const {
    std::u16string out = path + element;
    if (!conditions.empty()) {
      out += u'[';
      for (size_t i = 0; i < conditions.size(); ++i) {
        if (i) out += u" and ";
        out += conditions[i];
      }
      out += u']';
    }
    return out;
  }
  // The element test becomes a condition, so positional tests count
  // siblings of any name.
  void AddNameTest() {
    if (element == u"*") return;
    conditions.insert(conditions.begin(), u"name() = " + XPathLiteral(element));
    element = u"*";
  }
};

[[noreturn]] void Fail(size_t pos, std::u16string_view what) {
  throw ScriptError(u"Invalid selector at " + IntToText(static_cast<long long>(pos + 1)) + u": " +
                    std::u16string(what));
}

std::u16string Num(long long v) { return IntToText(v); }

// A name XPath can take as a name test as it is: lower-case ASCII letters,
// digits, "-" and "_", not starting with a digit or "-". Any other name
// (escapes allow anything) is compared as text.
bool IsPlainName(std::u16string_view name) {
  if (name.empty() || name[0] == u'-' || (name[0] >= u'0' && name[0] <= u'9')) return false;
  for (char16_t c : name)
    if (!((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u'_')) return false;
  return true;
}

// The element test for a sibling axis.
std::u16string ElementTest(const std::u16string& element) {
  return IsPlainName(element) || element == u"*" ? element : u"*[name() = " + XPathLiteral(element) + u"]";
}

// ---- attribute operators: (attribute, value) -> condition

std::u16string AttrExists(const std::u16string& a, const std::u16string&) { return a; }
std::u16string AttrEquals(const std::u16string& a, const std::u16string& v) {
  return a + u" = " + XPathLiteral(v);
}
std::u16string AttrIncludes(const std::u16string& a, const std::u16string& v) {
  if (v.empty() || v.find_first_of(u" \t\r\n\f") != std::u16string::npos) return u"0";
  return a + u" and contains(concat(' ', normalize-space(" + a + u"), ' '), " +
         XPathLiteral(u" " + v + u" ") + u")";
}
std::u16string AttrDashMatch(const std::u16string& a, const std::u16string& v) {
  return a + u" and (" + a + u" = " + XPathLiteral(v) + u" or starts-with(" + a + u", " +
         XPathLiteral(v + u"-") + u"))";
}
std::u16string AttrPrefix(const std::u16string& a, const std::u16string& v) {
  if (v.empty()) return u"0";
  return a + u" and starts-with(" + a + u", " + XPathLiteral(v) + u")";
}
std::u16string AttrSuffix(const std::u16string& a, const std::u16string& v) {
  if (v.empty()) return u"0";
  return a + u" and substring(" + a + u", string-length(" + a + u")-" +
         Num(static_cast<long long>(v.size()) - 1) + u") = " + XPathLiteral(v);
}
std::u16string AttrSubstring(const std::u16string& a, const std::u16string& v) {
  if (v.empty()) return u"0";
  return a + u" and contains(" + a + u", " + XPathLiteral(v) + u")";
}

struct AttrOperator {
  const char16_t* op;
  std::u16string (*make)(const std::u16string&, const std::u16string&);
};
constexpr AttrOperator kAttrOperators[] = {
    {u"=", AttrEquals},  {u"~=", AttrIncludes}, {u"|=", AttrDashMatch},
    {u"^=", AttrPrefix}, {u"$=", AttrSuffix},   {u"*=", AttrSubstring},
};

// ---- pseudo-classes without arguments

// The of-type tests count siblings by name, so they need one.
void NeedsType(const XPathExpr& x, size_t pos, std::u16string_view name) {
  if (x.element == u"*") Fail(pos, u"*:" + std::u16string(name) + u" needs an element name");
}

void FirstChild(XPathExpr& x, size_t) { x.conditions.push_back(u"not(preceding-sibling::*)"); }
void LastChild(XPathExpr& x, size_t) { x.conditions.push_back(u"not(following-sibling::*)"); }
void OnlyChild(XPathExpr& x, size_t) {
  x.conditions.push_back(u"not(preceding-sibling::*) and not(following-sibling::*)");
}
void FirstOfType(XPathExpr& x, size_t pos) {
  NeedsType(x, pos, u"first-of-type");
  x.conditions.push_back(u"not(preceding-sibling::" + ElementTest(x.element) + u")");
}
void LastOfType(XPathExpr& x, size_t pos) {
  NeedsType(x, pos, u"last-of-type");
  x.conditions.push_back(u"not(following-sibling::" + ElementTest(x.element) + u")");
}
void OnlyOfType(XPathExpr& x, size_t pos) {
  NeedsType(x, pos, u"only-of-type");
  x.conditions.push_back(u"not(preceding-sibling::" + ElementTest(x.element) +
                         u") and not(following-sibling::" + ElementTest(x.element) + u")");
}
void Empty(XPathExpr& x, size_t) { x.conditions.push_back(u"not(*) and not(string-length())"); }
void Root(XPathExpr& x, size_t) { x.conditions.push_back(u"not(parent::*)"); }

struct Pseudo {
  const char16_t* name;
  void (*apply)(XPathExpr&, size_t pos);
};
constexpr Pseudo kPseudoClasses[] = {
    {u"first-child", FirstChild},
    {u"last-child", LastChild},
    {u"only-child", OnlyChild},
    {u"first-of-type", FirstOfType},
    {u"last-of-type", LastOfType},
    {u"only-of-type", OnlyOfType},
    {u"empty", Empty},
    {u"root", Root},
};

// ---- functional pseudo-classes: an+b counts

struct Nth {
  long long a = 0, b = 0;
};

// The 1-based index i of the element among the counted siblings is
// count(siblings) + 1; it matches when i = a*n + b for some n >= 0.
std::u16string NthCondition(const Nth& nth, const std::u16string& siblings) {
  const std::u16string count = u"count(" + siblings + u")";
  const long long b1 = nth.b - 1;  // compare against count = i - 1
  if (nth.a == 0) return count + u" = " + Num(b1);
  std::vector<std::u16string> parts;
  if (nth.a > 0) {
    if (b1 > 0) parts.push_back(count + u" >= " + Num(b1));
    if (nth.a != 1) {
      parts.push_back(u"(" + count + (b1 >= 0 ? u" - " + Num(b1) : u" + " + Num(-b1)) + u") mod " +
                      Num(nth.a) + u" = 0");
    }
  } else {
    if (b1 < 0) return u"0";
    parts.push_back(count + u" <= " + Num(b1));
    if (nth.a != -1) parts.push_back(u"(" + Num(b1) + u" - " + count + u") mod " + Num(-nth.a) + u" = 0");
  }
  if (parts.empty()) return u"1";
  std::u16string out;
  for (size_t i = 0; i < parts.size(); ++i) out += (i ? u" and " : u"") + parts[i];
  return out;
}

void NthChild(XPathExpr& x, const Nth& n, size_t) {
  x.conditions.push_back(NthCondition(n, u"preceding-sibling::*"));
}
void NthLastChild(XPathExpr& x, const Nth& n, size_t) {
  x.conditions.push_back(NthCondition(n, u"following-sibling::*"));
}
void NthOfType(XPathExpr& x, const Nth& n, size_t pos) {
  NeedsType(x, pos, u"nth-of-type");
  x.conditions.push_back(NthCondition(n, u"preceding-sibling::" + ElementTest(x.element)));
}
void NthLastOfType(XPathExpr& x, const Nth& n, size_t pos) {
  NeedsType(x, pos, u"nth-last-of-type");
  x.conditions.push_back(NthCondition(n, u"following-sibling::" + ElementTest(x.element)));
}

struct NthPseudo {
  const char16_t* name;
  void (*apply)(XPathExpr&, const Nth&, size_t pos);
};
constexpr NthPseudo kNthPseudoClasses[] = {
    {u"nth-child", NthChild},
    {u"nth-last-child", NthLastChild},
    {u"nth-of-type", NthOfType},
    {u"nth-last-of-type", NthLastOfType},
};

// ---- combinators: left path, right compound -> joined path

void Descendant(XPathExpr& left, XPathExpr& right) { right.path = left.Text() + u"/descendant-or-self::*/"; }
void Child(XPathExpr& left, XPathExpr& right) { right.path = left.Text() + u"/"; }
void DirectAdjacent(XPathExpr& left, XPathExpr& right) {
  right.path = left.Text() + u"/following-sibling::";
  right.AddNameTest();
  right.conditions.push_back(u"position() = 1");
}
void IndirectAdjacent(XPathExpr& left, XPathExpr& right) {
  right.path = left.Text() + u"/following-sibling::";
}

struct Combinator {
  char16_t symbol;
  void (*join)(XPathExpr& left, XPathExpr& right);
};
constexpr Combinator kCombinators[] = {
    {u' ', Descendant}, {u'>', Child}, {u'+', DirectAdjacent}, {u'~', IndirectAdjacent}};

// ---- the parser

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f'; }
bool IsNameStart(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c >= 0x80 || c == u'\\';
}
bool IsNameChar(char16_t c) { return IsNameStart(c) || (c >= u'0' && c <= u'9') || c == u'-'; }
int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}
std::u16string AsciiLower(std::u16string s) {
  for (char16_t& c : s)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  return s;
}

class SelectorParser {
 public:
  SelectorParser(std::u16string_view s, bool indexed) : s_(s), indexed_(indexed) {}

  // selector-list: complex ("," complex)*
  std::u16string SelectorList() {
    std::vector<std::u16string> parts;
    for (;;) {
      SkipSpace();
      parts.push_back(Complex());
      SkipSpace();
      if (AtEnd()) break;
      if (Peek() != u',') Fail(pos_, u"unexpected '" + std::u16string(1, Peek()) + u"'");
      ++pos_;
    }
    std::u16string out;
    for (size_t i = 0; i < parts.size(); ++i) out += (i ? u" | " : u"") + parts[i];
    return out;
  }

 private:
  std::u16string_view s_;
  bool indexed_;
  size_t pos_ = 0;
  int notDepth_ = 0;

  bool AtEnd() const { return pos_ >= s_.size(); }
  char16_t Peek(size_t ahead = 0) const { return pos_ + ahead < s_.size() ? s_[pos_ + ahead] : u'\0'; }
  bool SkipSpace() {
    const size_t start = pos_;
    while (!AtEnd() && IsSpace(Peek())) ++pos_;
    return pos_ > start;
  }

  // complex: compound (combinator compound)*
  std::u16string Complex() {
    XPathExpr x = Compound();
    x.path = u"descendant-or-self::";
    if (indexed_) StartFromIndex(x);
    for (;;) {
      const bool space = SkipSpace();
      if (AtEnd() || Peek() == u',' || Peek() == u')') break;
      char16_t symbol = u' ';
      if (Peek() == u'>' || Peek() == u'+' || Peek() == u'~') {
        symbol = Peek();
        ++pos_;
        SkipSpace();
      } else if (!space) {
        Fail(pos_, u"unexpected '" + std::u16string(1, Peek()) + u"'");
      }
      XPathExpr right = Compound();
      for (const Combinator& c : kCombinators)
        if (c.symbol == symbol) c.join(x, right);
      x = std::move(right);
    }
    return x.Text();
  }

  // The first step as a variable holding the page's elements of that name
  // (or all of them), which the caller supplies from an index.
  static void StartFromIndex(XPathExpr& x) {
    if (x.element == u"*") {
      x.element = std::u16string(kAllElementsVariable);
    } else {
      x.element = std::u16string(kElementsVariablePrefix) + x.element;
    }
    x.path = u"$";
  }

  // compound: (type | "*")? (#id | .class | [attr] | :pseudo)*
  XPathExpr Compound() {
    XPathExpr x;
    const size_t start = pos_;
    if (Peek() == u'*') {
      ++pos_;
    } else if (IsNameStart(Peek())) {
      x.element = AsciiLower(Ident());
    }
    for (;;) {
      const char16_t c = Peek();
      if (c == u'#') {
        ++pos_;
        x.conditions.push_back(u"@id = " + XPathLiteral(Name(u"an id")));
      } else if (c == u'.') {
        ++pos_;
        const std::u16string cls = Ident(u"a class name");
        x.conditions.push_back(u"@class and contains(concat(' ', normalize-space(@class), ' '), " +
                               XPathLiteral(u" " + cls + u" ") + u")");
      } else if (c == u'[') {
        x.conditions.push_back(Attribute());
      } else if (c == u':') {
        PseudoClass(x);
      } else {
        break;
      }
    }
    if (pos_ == start)
      Fail(pos_, AtEnd() ? u"selector expected" : u"unexpected '" + std::u16string(1, Peek()) + u"'");
    if (x.element != u"*" && !IsPlainName(x.element)) x.AddNameTest();
    return x;
  }

  // attribute: "[" name (op (ident | string))? "]"
  std::u16string Attribute() {
    ++pos_;
    SkipSpace();
    const std::u16string name = AsciiLower(Ident(u"an attribute name"));
    const std::u16string attr = IsPlainName(name) ? u"@" + name : u"@*[name() = " + XPathLiteral(name) + u"]";
    SkipSpace();
    if (Peek() == u']') {
      ++pos_;
      return AttrExists(attr, {});
    }
    const size_t opPos = pos_;
    if (AtEnd()) Fail(pos_, u"']' expected");
    for (const AttrOperator& op : kAttrOperators) {
      const std::u16string_view sym = op.op;
      if (s_.substr(pos_, sym.size()) != sym) continue;
      pos_ += sym.size();
      SkipSpace();
      const std::u16string value = (Peek() == u'"' || Peek() == u'\'') ? String() : Ident(u"a value");
      SkipSpace();
      if (Peek() != u']') Fail(pos_, u"']' expected");
      ++pos_;
      return op.make(attr, value);
    }
    Fail(opPos, u"attribute operator expected");
  }

  void PseudoClass(XPathExpr& x) {
    const size_t at = pos_;
    ++pos_;
    if (Peek() == u':') Fail(at, u"pseudo-elements are not supported");
    const std::u16string name = AsciiLower(Ident(u"a pseudo-class"));
    if (Peek() != u'(') {
      for (const Pseudo& p : kPseudoClasses)
        if (name == p.name) return p.apply(x, at);
      Fail(at, u"unknown pseudo-class ':" + name + u"'");
    }
    ++pos_;
    SkipSpace();
    if (name == u"not") return Not(x, at);
    if (name == u"contains") {
      const std::u16string text = (Peek() == u'"' || Peek() == u'\'') ? String() : Ident(u"a text");
      CloseParen();
      x.conditions.push_back(u"contains(., " + XPathLiteral(text) + u")");
      return;
    }
    for (const NthPseudo& p : kNthPseudoClasses) {
      if (name != p.name) continue;
      const Nth n = NthArgument();
      CloseParen();
      return p.apply(x, n, at);
    }
    Fail(at, u"unknown function ':" + name + u"()'");
  }

  // :not(compound): a compound without combinators, not nested.
  void Not(XPathExpr& x, size_t at) {
    if (notDepth_ > 0) Fail(at, u":not() cannot be nested");
    ++notDepth_;
    XPathExpr inner = Compound();
    --notDepth_;
    CloseParen();
    inner.AddNameTest();
    if (inner.conditions.empty()) {
      x.conditions.push_back(u"0");
      return;
    }
    std::u16string cond;
    for (size_t i = 0; i < inner.conditions.size(); ++i) cond += (i ? u" and " : u"") + inner.conditions[i];
    x.conditions.push_back(u"not(" + cond + u")");
  }

  void CloseParen() {
    SkipSpace();
    if (Peek() != u')') Fail(pos_, u"')' expected");
    ++pos_;
  }

  // an+b | odd | even, with optional blanks around the sign of b.
  Nth NthArgument() {
    const size_t start = pos_;
    std::u16string t;
    while (!AtEnd() && Peek() != u')') {
      if (!IsSpace(Peek())) t += AsciiLower(std::u16string(1, Peek()));
      ++pos_;
    }
    if (t == u"odd") return {2, 1};
    if (t == u"even") return {2, 0};
    Nth n;
    size_t i = 0;
    auto number = [&](long long& out) {
      size_t digits = 0;
      out = 0;
      while (i < t.size() && t[i] >= u'0' && t[i] <= u'9') {
        if (out < 100000000) out = out * 10 + (t[i] - u'0');
        ++i, ++digits;
      }
      return digits > 0;
    };
    long long sign = 1;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) sign = t[i++] == u'-' ? -1 : 1;
    long long v = 0;
    const bool hasNumber = number(v);
    if (i < t.size() && t[i] == u'n') {
      ++i;
      n.a = sign * (hasNumber ? v : 1);
      if (i < t.size()) {
        if (t[i] != u'+' && t[i] != u'-') Fail(start, u"invalid an+b");
        const long long bsign = t[i++] == u'-' ? -1 : 1;
        if (!number(v)) Fail(start, u"invalid an+b");
        n.b = bsign * v;
      }
    } else {
      if (!hasNumber) Fail(start, u"invalid an+b");
      n.b = sign * v;
    }
    if (i != t.size()) Fail(start, u"invalid an+b");
    return n;
  }

  // An escape: "\" and up to six hex digits (and one blank after them), or
  // "\" and any other character as itself.
  void Escape(std::u16string& out) {
    ++pos_;
    if (AtEnd()) Fail(pos_, u"escape at end");
    if (HexValue(Peek()) < 0) {
      out += Peek();
      ++pos_;
      return;
    }
    char32_t cp = 0;
    for (int k = 0; k < 6 && !AtEnd() && HexValue(Peek()) >= 0; ++k) cp = cp * 16 + HexValue(s_[pos_++]);
    if (!AtEnd() && IsSpace(Peek())) ++pos_;
    if (cp == 0 || cp > 0x10FFFF || IsSurrogate(cp)) cp = 0xFFFD;
    AppendCodePoint(out, cp);
  }

  std::u16string Ident(std::u16string_view what = u"a name") {
    if (Peek() == u'-' && (IsNameStart(Peek(1)) || Peek(1) == u'-')) {
      std::u16string out(1, u'-');
      ++pos_;
      return out + Name(what);
    }
    if (!IsNameStart(Peek())) Fail(pos_, std::u16string(what) + u" expected");
    return Name(what);
  }

  std::u16string Name(std::u16string_view what) {
    std::u16string out;
    while (!AtEnd() && IsNameChar(Peek())) {
      if (Peek() == u'\\') {
        Escape(out);
      } else {
        out += s_[pos_++];
      }
    }
    if (out.empty()) Fail(pos_, std::u16string(what) + u" expected");
    return out;
  }

  std::u16string String() {
    const size_t start = pos_;
    const char16_t quote = s_[pos_++];
    std::u16string out;
    for (;;) {
      if (AtEnd()) Fail(start, u"unterminated string");
      const char16_t c = Peek();
      if (c == quote) break;
      if (c == u'\\') {
        if (Peek(1) == u'\n') {
          pos_ += 2;
          continue;
        }
        Escape(out);
      } else {
        out += c;
        ++pos_;
      }
    }
    ++pos_;
    return out;
  }
};

}  // namespace

std::u16string XPathLiteral(std::u16string_view raw) {
  // XPath takes only XML characters in a literal; the others cannot occur
  // in a parsed page anyway.
  std::u16string clean(raw);
  for (char16_t& c : clean)
    if ((c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0xFFFE || c == 0xFFFF) c = 0xFFFD;
  const std::u16string_view text = clean;
  if (text.find(u'\'') == std::u16string_view::npos) return u"'" + std::u16string(text) + u"'";
  if (text.find(u'"') == std::u16string_view::npos) return u"\"" + std::u16string(text) + u"\"";
  // Both quotes: concat the pieces between the single quotes.
  std::u16string out = u"concat(";
  size_t start = 0;
  for (;;) {
    const size_t q = text.find(u'\'', start);
    const std::u16string_view piece = text.substr(start, q - start);
    if (!piece.empty()) out += u"'" + std::u16string(piece) + u"', ";
    if (q == std::u16string_view::npos) break;
    out += u"\"'\", ";
    start = q + 1;
  }
  out.resize(out.size() - 2);
  return out + u")";
}

std::u16string CssToXPath(std::u16string_view selector) {
  if (TrimBlanks(selector).empty()) Fail(0, u"empty selector");
  return SelectorParser(selector, false).SelectorList();
}

std::u16string CssToIndexedXPath(std::u16string_view selector) {
  if (TrimBlanks(selector).empty()) Fail(0, u"empty selector");
  return SelectorParser(selector, true).SelectorList();
}

}  // namespace qv::library
