// The I-Regexp grammar, one function per rule, writing PCRE2 syntax as it
// reads. A pattern outside the grammar gives nothing; groups nested deeper
// than kMaxDepth are refused, so no pattern exhausts the stack.
#include "library/json/i_regexp.h"

#include <cstdio>
#include <optional>

#include "support/text.h"

namespace qv::library {

namespace {

constexpr int kMaxDepth = 200;

struct Invalid {};

class Translator {
 public:
  explicit Translator(std::string_view pattern) : text_(FromUtf8(pattern)) {}

  std::string Run() {
    IRegexp(0);
    if (i_ < text_.size()) throw Invalid{};
    return out_;
  }

 private:
  bool AtEnd() const { return i_ >= text_.size(); }
  char32_t Peek() const {
    size_t j = i_;
    return AtEnd() ? 0 : NextCodePoint(text_, j);
  }
  char32_t Next() {
    if (AtEnd()) throw Invalid{};
    const char32_t c = NextCodePoint(text_, i_);
    if (IsSurrogate(c)) throw Invalid{};
    return c;
  }
  bool Eat(char32_t c) {
    if (AtEnd() || Peek() != c) return false;
    Next();
    return true;
  }

  void Literal(char32_t c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "\\x{%x}", static_cast<unsigned>(c));
    out_ += buf;
  }

  // i-regexp = branch *( "|" branch )
  void IRegexp(int depth) {
    if (depth > kMaxDepth) throw Invalid{};
    Branch(depth);
    while (Eat('|')) {
      out_ += '|';
      Branch(depth);
    }
  }

  // branch = *piece
  void Branch(int depth) {
    while (!AtEnd() && Peek() != '|' && Peek() != ')') Piece(depth);
  }

  // piece = atom [ quantifier ]
  void Piece(int depth) {
    Atom(depth);
    Quantifier();
  }

  // quantifier = ( "*" / "+" / "?" ) / range-quantifier
  // range-quantifier = "{" QuantExact [ "," [ QuantExact ] ] "}"
  void Quantifier() {
    const char32_t c = Peek();
    if (c == '*' || c == '+' || c == '?') {
      out_ += static_cast<char>(Next());
      return;
    }
    if (!Eat('{')) return;
    const long low = QuantExact();
    out_ += '{' + std::to_string(low);
    if (Eat(',')) {
      out_ += ',';
      if (Peek() != '}') {
        const long high = QuantExact();
        if (high < low) throw Invalid{};
        out_ += std::to_string(high);
      }
    }
    if (!Eat('}')) throw Invalid{};
    out_ += '}';
  }

  // QuantExact = 1*%x30-39
  long QuantExact() {
    if (!(Peek() >= '0' && Peek() <= '9')) throw Invalid{};
    long v = 0;
    while (Peek() >= '0' && Peek() <= '9') {
      v = v * 10 + static_cast<long>(Next() - '0');
      if (v > 1'000'000) throw Invalid{};
    }
    return v;
  }

  // atom = NormalChar / charClass / ( "(" i-regexp ")" )
  // charClass = "." / SingleCharEsc / charClassEsc / charClassExpr
  void Atom(int depth) {
    const char32_t c = Peek();
    if (c == '(') {
      Next();
      out_ += "(?:";
      IRegexp(depth + 1);
      if (!Eat(')')) throw Invalid{};
      out_ += ')';
    } else if (c == '.') {
      Next();
      out_ += "[^\\n\\r]";
    } else if (c == '\\') {
      Escape();
    } else if (c == '[') {
      CharClassExpr();
    } else {
      NormalChar();
    }
  }

  // NormalChar = ( %x00-27 / "," / "-" / %x2F-3E / %x40-5A / %x5E-7A /
  //               %x7E-D7FF / %xE000-10FFFF )
  void NormalChar() {
    const char32_t c = Next();
    switch (c) {
      case '(':
      case ')':
      case '*':
      case '+':
      case '.':
      case '?':
      case '[':
      case '\\':
      case ']':
      case '{':
      case '|':
      case '}':
        throw Invalid{};
      default:
        Literal(c);
    }
  }

  // SingleCharEsc = "\" ( %x28-2B / "-" / "." / "?" / %x5B-5E /
  //                      %s"n" / %s"r" / %s"t" / %x7B-7D )
  // charClassEsc  = catEsc / complEsc
  // catEsc = %s"\p{" charProp "}"   complEsc = %s"\P{" charProp "}"
  void Escape() {
    Next();  // the backslash
    const char32_t c = Next();
    if (std::optional<char32_t> single = SingleCharEsc(c)) {
      Literal(*single);
      return;
    }
    switch (c) {
      case 'p':
      case 'P':
        out_ += '\\';
        out_ += static_cast<char>(c);
        out_ += '{';
        if (!Eat('{')) throw Invalid{};
        CharProp();
        if (!Eat('}')) throw Invalid{};
        out_ += '}';
        return;
      default:
        throw Invalid{};
    }
  }

  // charProp = IsCategory: a general category letter, optionally with its
  // subcategory letter.
  void CharProp() {
    static const char* const kCategories[] = {"L",  "Lu", "Ll", "Lt", "Lm", "Lo", "M",  "Mn", "Mc",
                                              "Me", "N",  "Nd", "Nl", "No", "P",  "Pc", "Pd", "Ps",
                                              "Pe", "Pi", "Pf", "Po", "Z",  "Zs", "Zl", "Zp", "S",
                                              "Sm", "Sc", "Sk", "So", "C",  "Cc", "Cf", "Co", "Cn"};
    std::string name;
    while (!AtEnd() && Peek() != '}' && name.size() < 3) {
      const char32_t c = Next();
      if (c >= 0x80) throw Invalid{};
      name += static_cast<char>(c);
    }
    for (const char* k : kCategories) {
      if (name == k) {
        out_ += name;
        return;
      }
    }
    throw Invalid{};
  }

  // charClassExpr = "[" [ "^" ] ( "-" / CCE1 ) *CCE1 [ "-" ] "]"
  // CCE1 = ( CCchar [ "-" CCchar ] ) / charClassEsc
  void CharClassExpr() {
    Next();
    out_ += '[';
    if (Eat('^')) out_ += '^';
    if (Eat('-')) {
      Literal('-');
    } else {
      CCE1();
    }
    for (;;) {
      if (Eat(']')) break;
      if (Peek() == '-') {
        Next();
        if (!Eat(']')) throw Invalid{};
        Literal('-');
        break;
      }
      CCE1();
    }
    out_ += ']';
  }

  void CCE1() {
    if (Peek() == '\\') {
      const size_t save = i_;
      Next();
      const char32_t c = Peek();
      i_ = save;
      if (c == 'p' || c == 'P') {
        Escape();
        return;
      }
    }
    const char32_t low = CCchar();
    Literal(low);
    // A "-" that is not the class's last character starts a range.
    if (Peek() == '-') {
      const size_t save = i_;
      Next();
      if (Peek() == ']') {
        i_ = save;
        return;
      }
      const char32_t high = CCchar();
      if (high < low) throw Invalid{};
      out_ += '-';
      Literal(high);
    }
  }

  // CCchar = ( %x00-2C / %x2E-5A / %x5E-D7FF / %xE000-10FFFF ) / SingleCharEsc
  char32_t CCchar() {
    const char32_t c = Next();
    if (c == '-' || c == '[' || c == ']') throw Invalid{};
    if (c != '\\') return c;
    if (std::optional<char32_t> single = SingleCharEsc(Next())) return *single;
    throw Invalid{};
  }

  // The character a SingleCharEsc stands for (after its backslash), or none.
  static std::optional<char32_t> SingleCharEsc(char32_t e) {
    switch (e) {
      case 'n':
        return U'\n';
      case 'r':
        return U'\r';
      case 't':
        return U'\t';
      case '(':
      case ')':
      case '*':
      case '+':
      case '-':
      case '.':
      case '?':
      case '[':
      case '\\':
      case ']':
      case '^':
      case '{':
      case '|':
      case '}':
        return e;
      default:
        return std::nullopt;
    }
  }

  std::u16string text_;
  size_t i_ = 0;
  std::string out_;
};

}  // namespace

std::optional<std::string> IRegexpToPcre(std::string_view pattern) {
  try {
    return Translator(pattern).Run();
  } catch (const Invalid&) {
    return std::nullopt;
  }
}

}  // namespace qv::library
