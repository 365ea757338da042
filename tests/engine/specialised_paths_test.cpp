// Generated programs run twice, once built from the general statement and
// expression classes only and once with the specialised ones; both runs must
// log the same lines and end with the same error raised at the same place.
// A failure prints the seed and the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine/run/specialised.h"
#include "support/errors.h"
#include "support/text.h"
#include "tests/engine/script_run_util.h"

namespace qv::testing {
namespace {

enum class Syntax { Pascal, Js, C };

const char16_t* SyntaxName(Syntax s) {
  switch (s) {
    case Syntax::Pascal:
      return u"Pascal";
    case Syntax::Js:
      return u"js";
    case Syntax::C:
      return u"C";
  }
  return u"js";
}

// Puts the switch back on however the test ends.
class SpecialisedSwitch {
 public:
  ~SpecialisedSwitch() { SetSpecialisedPaths(true); }
};

struct Outcome {
  std::vector<std::u16string> lines;
  std::u16string error;  // class, message and place of an error that left the program
};

std::u16string Describe(const ScriptError& e) {
  std::u16string text = e.className() + u": " + e.message();
  if (const ErrorPlace* place = e.place()) {
    text += u" at " + place->unit + u"(" + place->pos + u")";
    for (const auto& call : place->calls)
      text += u" in " + call.routine + u" called at " + call.unit + u"(" + call.pos + u")";
    if (place->callPending) text += u" pending";
  }
  return text;
}

Outcome RunOnce(Syntax syntax, const std::string& source, bool specialised) {
  SetSpecialisedPaths(specialised);
  ScriptRun run(SyntaxName(syntax));
  Outcome out;
  if (!run.Compile(FromUtf8(source))) {
    out.error = u"compile: " + run.prog.ErrorMsg() + u" at " + run.prog.ErrorPos();
    return out;
  }
  try {
    run.prog.Execute();
  } catch (const ScriptError& e) {
    out.error = Describe(e);
  }
  out.lines = std::move(run.lines);
  return out;
}

// Where the two runs part, for the failure message.
std::string Difference(const Outcome& general, const Outcome& special) {
  std::string text;
  size_t n = std::min(general.lines.size(), special.lines.size());
  size_t i = 0;
  while (i < n && general.lines[i] == special.lines[i]) ++i;
  if (i < n || general.lines.size() != special.lines.size()) {
    text += "first different line " + std::to_string(i) + " (of " + std::to_string(general.lines.size()) +
            " / " + std::to_string(special.lines.size()) + ")\n";
    for (size_t j = i >= 2 ? i - 2 : 0; j < i + 2; ++j) {
      text += "  general:     " + (j < general.lines.size() ? ToUtf8(general.lines[j]) : "-") + "\n";
      text += "  specialised: " + (j < special.lines.size() ? ToUtf8(special.lines[j]) : "-") + "\n";
    }
  }
  if (general.error != special.error) {
    text += "errors differ\n  general:     " + ToUtf8(general.error) +
            "\n  specialised: " + ToUtf8(special.error) + "\n";
  }
  return text;
}

// Runs the program both ways; false (with a failure naming the seed) when they differ.
bool SameBothWays(Syntax syntax, const std::string& source, const std::string& label,
                  Outcome* general = nullptr) {
  Outcome a = RunOnce(syntax, source, false);
  Outcome b = RunOnce(syntax, source, true);
  SetSpecialisedPaths(true);
  std::string diff = Difference(a, b);
  if (!diff.empty()) {
    ADD_FAILURE() << label << "\n" << diff << "program:\n" << source;
    return false;
  }
  if (general) *general = std::move(a);
  return true;
}

// One array variable: its bounds per dimension and its element type.
struct ArrayVar {
  std::string name;
  std::vector<std::pair<int, int>> bounds;
  char kind;  // of the elements, as in ProgramGen
};

// Writes one random program. Every loop holds a guard that breaks it after at
// most 60 passes, so whatever the counters and bounds hold it ends.
class ProgramGen {
 public:
  ProgramGen(Syntax syntax, uint32_t seed) : syn_(syntax), rng_(seed) {
    if (!typed()) return;
    for (const char* name : {"i1", "i2", "k", "n", "l1", "lk", "p1"}) kinds_[name] = 'i';
    for (const char* name : {"d1", "d2", "l4", "p3"}) kinds_[name] = 'f';
    for (const char* name : {"s1", "s2", "l3"}) kinds_[name] = 's';
    kinds_["b1"] = 'b';
  }

  std::string Program() {
    out_.clear();
    if (syn_ == Syntax::Pascal) return PascalProgram();
    return BraceProgram();
  }

 private:
  // ---- randomness
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  bool Chance(int percent) { return Pick(100) < percent; }
  template <class T>
  const T& One(const std::vector<T>& v) {
    return v[Pick(static_cast<int>(v.size()))];
  }
  bool pas() const { return syn_ == Syntax::Pascal; }
  bool typed() const { return syn_ != Syntax::Js; }

  // ---- output
  void Line(const std::string& s) { out_ += std::string(indent_ * 2, ' ') + s + "\n"; }
  void Open(const std::string& head) {
    Line(head);
    ++indent_;
  }
  void Close(const std::string& tail) {
    --indent_;
    Line(tail);
  }
  std::string Quote(const std::string& s) const { return pas() ? "'" + s + "'" : "\"" + s + "\""; }
  std::string Assign(const std::string& lhs, const std::string& rhs) const {
    return lhs + (pas() ? " := " : " = ") + rhs + ";";
  }
  std::string BlockClose() const { return pas() ? "end;" : "}"; }
  std::string ReportLine() const {
    return "lg(" + Quote("E ") + " + ExceptionClassName + " + Quote(": ") + " + ExceptionMessage);";
  }

  // ---- values
  // Static kinds: i Integer, f Double, s String, b Boolean, v Variant. The
  // Pascal-like and C-like translators reject mixed kinds such as 'a' + 1
  // or an Integer receiving a Double, so expressions are built by kind.
  static std::string Number(int n) { return n < 0 ? "(" + std::to_string(n) + ")" : std::to_string(n); }
  char KindOf(const std::string& name) const {
    auto it = kinds_.find(name);
    return it == kinds_.end() ? 'v' : it->second;
  }
  std::string IntLiteral() {
    // clang-format off
    static const std::vector<std::string> kInts = {
        "0", "1", "2", "3", "7", "10", "100", "65536", "46341", "2147483647", "2147483646",
        "3000000000", "4294967296", "(-1)", "(-7)", "(-2147483647)", "(-2147483648)", "(-3000000000)"};
    // clang-format on
    return One(kInts);
  }
  std::string Literal(char kind) {
    static const std::vector<std::string> kFloats = {"1.5",    "2.5",          "0.5",     "0.1", "1e10",
                                                     "(-2.5)", "2147483647.5", "(-0.75)", "3.0"};
    static const std::vector<std::string> kTexts = {"12", "abc", "1.5", "", " 3", "-7", "2147483648", "0"};
    switch (kind) {
      case 'i':
        return IntLiteral();
      case 'f':
        return One(kFloats);
      case 's':
        return Quote(One(kTexts));
      case 'b':
        return Chance(50) ? (pas() ? "True" : "true") : (pas() ? "False" : "false");
      default:
        return Literal("iifssb"[Pick(6)]);
    }
  }
  // A literal that may be stored in a variable of kind `target`.
  std::string LiteralFor(char target) {
    switch (target) {
      case 'f':
        return Literal("if"[Pick(2)]);
      case 's':
        return Literal("ssif"[Pick(4)]);
      default:
        return Literal(target);
    }
  }
  // A starting value that fits a variable of kind `target`.
  std::string InitialValue(char target) {
    static const std::vector<std::string> kInts = {
        "0", "1", "7", "2147483647", "2147483646", "(-2147483648)", "(-5)"};
    return target == 'i' ? One(kInts) : LiteralFor(target);
  }
  // A kind whose values may be stored in a variable of kind `target`.
  char SourceKind(char target) {
    switch (target) {
      case 'i':
        return Chance(80) ? 'i' : 'v';
      case 'f':
        return "iifv"[Pick(4)];
      case 's':
        return "sssv"[Pick(4)];
      case 'b':
        return Chance(80) ? 'b' : 'v';
      default:
        return "iifsbv"[Pick(6)];
    }
  }
  std::string Source(char target, int depth) {
    // A String takes numbers from constants only, not from typed variables.
    if (target == 's' && Chance(15)) return Literal("if"[Pick(2)]);
    return Expr(SourceKind(target), depth);
  }

  std::string Index(const ArrayVar& a, size_t dim) {
    auto [lo, hi] = a.bounds[dim];
    switch (Pick(12)) {
      case 0:
        return Number(lo - 1);
      case 1:
        return Number(hi + 1);
      case 2:
        return One(std::vector<std::string>{"1.5", "2.5", "0.5"});
      case 3:
        return Quote(std::to_string(lo + 1));
      case 4:
        return One(scope_.counters);
      case 5:
        return Apart([&] { return Expr('i', 1); });
      default:
        return std::to_string(lo + Pick(hi - lo + 1));
    }
  }
  std::string Element(const ArrayVar& a) {
    std::string text = a.name + "[";
    bool cStyle = syn_ == Syntax::C && Chance(50);
    for (size_t d = 0; d < a.bounds.size(); ++d) {
      if (d) text += cStyle ? "][" : ", ";
      text += Index(a, d);
    }
    return text + "]";
  }
  // A variable or array element of `kind` (in the JS-like syntax all are Variant).
  std::string Place(char kind, bool scalarOnly = false) {
    if (!typed()) kind = 'v';
    std::vector<std::string> names;
    for (const auto& n : scope_.scalars)
      if (KindOf(n) == kind) names.push_back(n);
    std::vector<const ArrayVar*> arrays;
    for (const auto& a : scope_.arrays)
      if (a.kind == kind || !typed()) arrays.push_back(&a);
    if (!scalarOnly && !arrays.empty() && (names.empty() || Chance(25)))
      return Element(*arrays[Pick(arrays.size())]);
    if (names.empty()) return "";
    return One(names);
  }
  // A call whose result has static `kind`, or empty.
  std::string Call(char kind) {
    if (kind == 'i' || !typed()) {
      if (Chance(50)) return "fib(" + std::to_string(Pick(loopDepth_ > 0 ? 8 : 14)) + ")";
      if (kind == 'i') return "setg(" + Expr('v', 1) + ")";
    }
    if (kind != 'v' && typed()) return "";
    switch (Pick(scope_.callRandom && loopDepth_ == 0 ? 5 : 4)) {
      case 0:
        return "fact(" + (Chance(80) ? std::to_string(Pick(25)) : Expr('i', 1)) + ")";
      case 1:
        return "early(" + Expr('v', 1) + ")";
      case 2:
        if (NoGrowth()) return "early(" + std::to_string(Pick(12)) + ")";
        return "suma(" + One(scope_.arrays).name + ")";
      case 3:
        return "deep(" + std::to_string(Pick(loopDepth_ > 0 ? 3 : 7)) + ", " + Expr('v', 1) + ")";
      default:
        return "r1(" + Source('i', 1) + ", " + Source('v', 1) + ", " + Source('f', 1) + ")";
    }
  }
  // Inside loops and routines an expression reads at most one variable that
  // may hold text, so no text can double on every pass.
  bool NoGrowth() const { return loopDepth_ > 0 || scope_.inRoutine; }
  bool MayGrow(char kind) {
    if (kind != 's' && kind != 'v' && typed()) return true;
    if (NoGrowth() && growthRefs_ >= 1) return false;
    ++growthRefs_;
    return true;
  }
  // Parts whose value is not stored (conditions, indexes) count on their own.
  template <class F>
  std::string Apart(F make) {
    int saved = growthRefs_;
    growthRefs_ = 0;
    std::string text = make();
    growthRefs_ = saved;
    return text;
  }
  std::string Leaf(char kind) {
    if (!MayGrow(kind)) return kind == 's' ? Literal('s') : "fact(" + std::to_string(Pick(6)) + ")";
    if (kind == 'v') {
      if (syn_ == Syntax::Js && Chance(5)) return "null";
      // Variant leaves only: a literal here would give its own kind.
      int r = Pick(100);
      if (r < 15) {
        std::string call = Call('v');
        if (!call.empty()) return call;
      }
      return Place('v');
    }
    int r = Pick(100);
    if (r < 45) return Literal(kind);
    if (r < 55) {
      std::string call = Call(kind);
      if (!call.empty()) return call;
    }
    if (r < 70 || !typed()) {
      std::string place = Place(typed() ? kind : 'v');
      if (!place.empty()) return place;
    }
    return Place('v');
  }
  std::string Binary(const std::string& a, const std::string& op, const std::string& b) {
    return "(" + a + " " + op + " " + b + ")";
  }
  std::string Op(const char* pascal, const char* brace) const { return pas() ? pascal : brace; }
  std::string Expr(char kind, int depth) {
    if (depth <= 0 || Chance(25)) return Leaf(kind);
    if (Chance(8)) return Leaf('v');
    int d = depth - 1;
    switch (kind) {
      case 'i': {
        static const std::vector<std::pair<const char*, const char*>> kOps = {
            {"+", "+"},   {"-", "-"},    {"*", "*"},   {"div", "div"},
            {"mod", "%"}, {"and", "&&"}, {"or", "||"}, {"xor", "^"}};
        if (Chance(10)) return "(-" + Expr('i', d) + ")";
        auto [p, b] = One(kOps);
        return Binary(Expr('i', d), Op(p, b), Expr('i', d));
      }
      case 'f': {
        static const std::vector<std::string> kOps = {"+", "-", "*", "/", "/", "div"};
        if (Chance(10)) return "(-" + Expr('f', d) + ")";
        return Binary(Expr('f', d), One(kOps), Expr('f', d));
      }
      case 's':
        return Binary(Expr('s', d), "+", Expr('s', d));
      case 'b':
        return BoolExpr(d);
      default: {
        // A comparison gives a Boolean and a Variant beside a typed operand
        // takes that operand's kind, so a Variant result needs Variants only.
        static const std::vector<std::pair<const char*, const char*>> kOps = {
            {"+", "+"},   {"-", "-"},    {"*", "*"},   {"/", "/"}, {"div", "div"},
            {"mod", "%"}, {"and", "&&"}, {"or", "||"}, {"+", "+"}, {"xor", "^"}};
        if (Chance(8))
          return Chance(50) ? "(-" + Expr('v', d) + ")" : "(" + Op("not ", "!") + Expr('v', d) + ")";
        auto [p, b] = One(kOps);
        return Binary(Expr('v', d), Op(p, b), Expr('v', d));
      }
    }
  }
  std::string Compare(const std::string& a, const std::string& b) {
    static const std::vector<std::pair<const char*, const char*>> kOps = {
        {"=", "=="}, {"<>", "!="}, {"<", "<"}, {"<=", "<="}, {">", ">"}, {">=", ">="}};
    auto [p, c] = One(kOps);
    return Binary(a, Op(p, c), b);
  }
  std::string CompareApart(char ka, char kb, int d) {
    std::string a = Apart([&] { return Expr(ka, d); });
    std::string b = Apart([&] { return Expr(kb, d); });
    return Compare(a, b);
  }
  std::string BoolExpr(int d) {
    switch (Pick(7)) {
      case 0:
      case 1:
        return CompareApart('f', 'f', d);
      case 2:
        return CompareApart('s', 's', d);
      case 3: {
        // Booleans have no order.
        char other = "iifsbv"[Pick(6)];
        if (other == 'b') return Binary(Expr('v', d), Op("=", "=="), Expr('b', d));
        return CompareApart('v', other, d);
      }
      case 4:
        return Binary(Expr('b', d), Op(Chance(50) ? "=" : "<>", Chance(50) ? "==" : "!="), Expr('b', d));
      case 5:
        return "(" + Op("not ", "!") + Expr('b', d) + ")";
      default: {
        static const std::vector<std::pair<const char*, const char*>> kOps = {
            {"and", "&&"}, {"or", "||"}, {"xor", "^"}};
        auto [p, c] = One(kOps);
        return Binary(Expr('b', d), Op(p, c), Expr('b', d));
      }
    }
  }
  std::string Condition() { return Expr('b', 2); }

  // ---- statements
  void Show(const std::string& e) { Line("show(" + e + ");"); }
  std::string AnyExpr(int depth) { return Expr("iifsbvv"[Pick(7)], depth); }

  // A statement that may raise: usually wrapped so the error is logged and
  // the program goes on, sometimes left to end the program.
  void Guarded(int depth) {
    if (Chance(scope_.wrapPercent)) {
      Open(pas() ? "try" : "try {");
      Statement(depth);
      Close(pas() ? "except" : "} except {");
      ++indent_;
      Line(ReportLine());
      Close(BlockClose());
    } else {
      Statement(depth);
    }
  }

  void Statement(int depth) {
    growthRefs_ = 0;
    int r = Pick(depth >= 2 ? 70 : 100);
    if (r < 18) return AssignScalar();
    if (r < 30) return Show(AnyExpr(3));
    if (r < 40) return SelfUpdate();
    if (r < 52) return AssignElement();
    if (r < 58) return Show(Element(One(scope_.arrays)));
    if (r < 62) return ArrayCopy();
    if (r < 66) return Calls();
    if (r < 70) return LoopExit();
    if (r < 78) return If(depth);
    if (r < 90) return ForLoop(depth);
    return WhileLoop(depth);
  }

  void AssignScalar() {
    const std::string& target = One(scope_.scalars);
    Line(Assign(target, Source(KindOf(target), 3)));
  }
  void AssignElement() {
    const ArrayVar& a = One(scope_.arrays);
    Line(Assign(Element(a), Source(typed() ? a.kind : 'v', 2)));
  }

  // x := x op e, x += e, x++: the shapes of counters and accumulators.
  void SelfUpdate() {
    char kind = "iifsbvvv"[Pick(8)];
    std::string target = Place(typed() ? kind : 'v', Chance(70));
    if (target.empty()) target = Place('v');
    std::string op =
        kind == 's' ? "+" : One(std::vector<std::string>{"+", "-", "*", kind == 'i' ? "+" : "/"});
    if (kind == 'b') {
      if (pas()) return Line(Assign(target, "not " + target));
      return Line(Assign(target, "!" + target));
    }
    MayGrow(kind);  // the target is read too
    std::string operand = Chance(50) ? Literal(kind) : Expr(kind, 1);
    if (pas()) return Line(Assign(target, Binary(target, op, operand)));
    int r = Pick(10);
    if (r < 4) {
      // The compound form checks only that the operand could be stored.
      if (kind == 'i' && Chance(30)) op = "/";
      return Line(target + " " + op + "= " + Source(kind, 1) + ";");
    }
    if (r < 8) return Line(target + (Chance(50) ? "++;" : "--;"));
    Line(Assign(target, Binary(target, op, operand)));
  }

  void ArrayCopy() {
    if (Chance(50)) {
      Line(Assign("ib", "ia"));
      Line(Assign("ib[" + std::to_string(Pick(10)) + "]", Source('i', 1)));
      int i = Pick(10);
      Show("ia[" + std::to_string(i) + "]");
      Show("ib[" + std::to_string(i) + "]");
      return;
    }
    const ArrayVar& a = One(scope_.arrays);
    Line(Assign("vc", a.name));
    std::string e = Element(a);
    std::string copyElement = "vc" + e.substr(a.name.size());
    Line(Assign(copyElement, AnyExpr(1)));
    Show(e);
    Show(copyElement);
  }

  void Calls() {
    switch (Pick(4)) {
      case 0:
        return Line("bump(" + Place('i', true) + ", " + Source('i', 1) + ");");
      case 1:
        return Line("setg(" + AnyExpr(1) + ");");
      case 2:
        if (!scope_.inRoutine && loopDepth_ == 0) {
          return Line("r2(" + Place('i', true) + ", " + AnyExpr(1) + ", " + Place('v', true) + ");");
        }
        [[fallthrough]];
      default:
        return Show(Call('v'));
    }
  }

  // break, continue and exit inside a loop; exit or return elsewhere.
  void LoopExit() {
    std::string cond = Condition();
    if (loopDepth_ > 0 && Chance(70)) {
      return Line((pas() ? "if " + cond + " then " : "if (" + cond + ") ") +
                  (Chance(50) ? "break;" : "continue;"));
    }
    if (!scope_.inRoutine && Chance(80)) return;  // an exit from the main block ends the program
    std::string leave = pas() ? "exit;" : (scope_.inFunction ? "return " + AnyExpr(1) + ";" : "return;");
    Line((pas() ? "if " + cond + " then " : "if (" + cond + ") ") + leave);
  }

  void Body(int depth, int count) {
    for (int i = 0; i < count; ++i) {
      if (Chance(60))
        Statement(depth);
      else
        Guarded(depth);
    }
  }

  void If(int depth) {
    std::string cond = Condition();
    if (pas()) {
      Open("if " + cond + " then begin");
      Body(depth + 1, 1 + Pick(2));
      if (Chance(50)) {
        Close("end else begin");
        ++indent_;
        Body(depth + 1, 1 + Pick(2));
      }
      Close("end;");
    } else {
      Open("if (" + cond + ") {");
      Body(depth + 1, 1 + Pick(2));
      if (Chance(50)) {
        Close("} else {");
        ++indent_;
        Body(depth + 1, 1 + Pick(2));
      }
      Close("}");
    }
  }

  std::string GuardName() const { return scope_.guardPrefix + std::to_string(loopDepth_ + 1); }

  // The guard holds an outer loop to 60 passes and an inner one to 8: enough
  // to cross the limits the loops start near, and errors raised in every pass
  // stay cheap.
  void LoopGuard(const std::string& guard) {
    std::string limit = loopDepth_ == 0 ? "60" : "8";
    Line(Assign(guard, guard + " + 1"));
    Line(pas() ? "if " + guard + " > " + limit + " then break;"
               : "if (" + guard + " > " + limit + ") break;");
  }

  void LoopBody(int depth, const std::string& guard, const std::string& counter) {
    LoopGuard(guard);
    ++loopDepth_;
    int r = Pick(10);
    if (r == 0 && !counter.empty()) Line(Assign(counter, counter + " + " + std::to_string(1 + Pick(2))));
    if (r == 1) Line(Assign(scope_.boundVar, scope_.boundVar + " - 1"));
    if (!counter.empty()) Line(Assign(scope_.accumulator, scope_.accumulator + " + " + counter));
    Body(depth + 1, 1 + Pick(3));
    --loopDepth_;
  }

  std::pair<std::string, std::string> ForBounds(bool down) {
    static const std::vector<std::pair<std::string, std::string>> kUp = {{"1", "5"},
                                                                         {"0", "0"},
                                                                         {"5", "1"},
                                                                         {"(-2)", "2"},
                                                                         {"2147483645", "2147483647"},
                                                                         {"(-2147483648)", "(-2147483646)"},
                                                                         {"1", "300"},
                                                                         {"0", "2147483647"}};
    if (Chance(35)) {
      auto [lo, hi] = One(kUp);
      return down ? std::make_pair(hi, lo) : std::make_pair(lo, hi);
    }
    auto bound = [&] { return Chance(40) ? scope_.boundVar : Source('i', Chance(50) ? 0 : 1); };
    return {bound(), bound()};
  }

  void ForLoop(int depth) {
    if (loopDepth_ >= 2) return Line(Assign(scope_.accumulator, AnyExpr(2)));
    std::string guard = GuardName();
    Line(Assign(guard, "0"));
    if (Chance(30)) Line(Assign(scope_.boundVar, IntLiteral()));
    std::string counter = One(scope_.counters);
    if (pas()) {
      bool down = Chance(30);
      auto [from, to] = ForBounds(down);
      Open("for " + counter + " := " + from + (down ? " downto " : " to ") + to + " do begin");
      LoopBody(depth, guard, counter);
      Close("end;");
    } else {
      if (Chance(30)) Line(Assign(counter, LiteralFor(KindOf(counter))));
      bool down = Chance(30);
      auto [from, to] = ForBounds(down);
      static const std::vector<std::string> kUp = {"<", "<=", "!="};
      static const std::vector<std::string> kDown = {">", ">=", "!="};
      std::string step;
      switch (Pick(4)) {
        case 0:
          step = counter + (down ? " -= " : " += ") + std::to_string(1 + Pick(3));
          break;
        case 1:
          step = Assign(counter, counter + (down ? " - 1" : " + 1"));
          step.pop_back();
          break;
        default:
          step = counter + (down ? "--" : "++");
      }
      std::string init = Chance(85) ? Assign(counter, from) : ";";
      if (init.back() == ';') init.pop_back();
      Open("for (" + init + "; " + counter + " " + One(down ? kDown : kUp) + " " + to + "; " + step + ") {");
      LoopBody(depth, guard, counter);
      Close("}");
    }
    Show(counter);
  }

  void WhileLoop(int depth) {
    if (loopDepth_ >= 2) return Line(Assign(scope_.accumulator, AnyExpr(2)));
    std::string guard = GuardName();
    Line(Assign(guard, "0"));
    std::string counter = One(scope_.counters);
    Line(Assign(counter, Chance(70) ? std::to_string(Pick(5)) : LiteralFor(KindOf(counter))));
    std::string limit = Chance(60) ? std::to_string(Pick(40)) : Expr('f', 1);
    std::string cond = Compare(counter, limit);
    std::string step = Assign(
        counter, counter + " + " + (Chance(80) ? std::to_string(1 + Pick(3)) : LiteralFor(KindOf(counter))));
    if (!pas() && Chance(50)) step = counter + "++;";
    bool bottom = Chance(40);
    if (pas()) {
      if (bottom)
        Open("repeat");
      else
        Open("while " + cond + " do begin");
      LoopBody(depth, guard, "");
      Line(step);
      Close(bottom ? "until not " + cond + ";" : "end;");
    } else {
      if (bottom)
        Open("do {");
      else
        Open("while (" + cond + ") {");
      LoopBody(depth, guard, "");
      Line(step);
      Close(bottom ? "} while (" + cond + ");" : "}");
    }
    Show(counter);
  }

  // ---- declarations and program frame
  struct Scope {
    std::vector<std::string> scalars;   // any kind
    std::vector<std::string> counters;  // loop counters
    std::vector<ArrayVar> arrays;
    std::string boundVar;
    std::string accumulator;
    std::string guardPrefix;
    bool inRoutine = false;
    bool inFunction = false;
    bool callRandom = false;  // may call r1 (and r2)
    int wrapPercent = 85;
  };

  // Only the Pascal-like syntax declares lower bounds other than 0.
  static std::vector<ArrayVar> GlobalArrays(Syntax syntax) {
    int low = syntax == Syntax::Pascal ? 1 : 0;
    return {{"ia", {{0, 9}}, 'i'}, {"ib", {{0, 9}}, 'i'}, {"dm", {{0, 4}, {low, low + 2}}, 'f'},
            {"sa", {{0, 4}}, 's'}, {"va", {{0, 5}}, 'v'}, {"c3", {{0, 2}, {0, 2}, {0, 2}}, 'i'}};
  }

  Scope MainScope() {
    Scope s;
    s.scalars = {"i1", "i2", "d1", "d2", "s1", "s2", "b1", "v1", "v2", "v3", "k", "n", "acc"};
    s.counters = typed() ? std::vector<std::string>{"k", "n", "i2", "v2"}
                         : std::vector<std::string>{"k", "n", "v1", "d1", "s1", "i2"};
    s.arrays = GlobalArrays(syn_);
    s.boundVar = "n";
    s.accumulator = "acc";
    s.guardPrefix = "g";
    s.callRandom = true;
    s.wrapPercent = 90;
    return s;
  }

  Scope RoutineScope(bool function, bool mayCallR1) {
    Scope s = MainScope();
    for (const char* name : {"p1", "p2", "p3", "l1", "l2", "l3", "l4"}) s.scalars.push_back(name);
    s.counters =
        typed() ? std::vector<std::string>{"lk", "l1", "l2"} : std::vector<std::string>{"lk", "l2", "p1"};
    if (pas() && function) s.scalars.push_back("Result");
    s.arrays.push_back({"la", {{0, 3}}, 'v'});
    s.boundVar = "l1";
    s.accumulator = "l2";
    s.guardPrefix = "h";
    s.inRoutine = true;
    s.inFunction = function;
    s.callRandom = mayCallR1;
    s.wrapPercent = 60;
    return s;
  }

  std::string TypeOf(char kind) const {
    static const char* kPascal[] = {"Integer", "Double", "String", "Boolean", "Variant"};
    static const char* kC[] = {"int", "double", "string", "bool", "variant"};
    int i = static_cast<int>(std::string("ifsbv").find(kind));
    return pas() ? kPascal[i] : kC[i];
  }

  // Fixed library of routines the statements call: recursion, an exit from
  // a loop, a var parameter, a global changed, an array passed by value.
  void FixedRoutines() {
    if (pas()) {
      out_ +=
          "procedure show(x: Variant);\nbegin\n  lg(VarType(x));\n  lg(x);\nend;\n\n"
          "function fib(n: Integer): Integer;\nbegin\n  if n < 2 then Result := n else Result := fib(n - 1) "
          "+ "
          "fib(n - 2);\nend;\n\n"
          "function fact(n: Integer): Variant;\nbegin\n  if n <= 1 then Result := 1 else Result := n * "
          "fact(n - "
          "1);\nend;\n\n"
          "function early(x: Variant): Variant;\nvar t: Integer;\nbegin\n  Result := 0;\n  for t := 1 to 10 "
          "do\n"
          "  begin\n    if t > x then exit;\n    Result := Result + t;\n  end;\nend;\n\n"
          "procedure bump(var x: Integer; d: Integer);\nbegin\n  x := x + d;\nend;\n\n"
          "function setg(x: Variant): Integer;\nbegin\n  v3 := x;\n  k := k + 1;\n  Result := k;\nend;\n\n"
          "function suma(x: Variant): Variant;\nvar t: Integer;\nbegin\n  Result := 0;\n  for t := 0 to 3 do "
          "Result := Result + x[t];\n  x[0] := 99;\nend;\n\n"
          "function deep(n: Integer; x: Variant): Variant;\n"
          "var t, u: Integer; loc: array[0..2] of Variant;\nbegin\n  u := n * 10;\n  loc[n mod 3] := x;\n"
          "  if n > 0 then Result := deep(n - 1, x) else Result := x + 1;\n"
          "  for t := 0 to 2 do Result := Result + u + t;\n  Result := Result + loc[n mod 3];\nend;\n\n";
    } else {
      std::string t = syn_ == Syntax::C ? "int " : "";
      auto typed = [&](const char* c) { return syn_ == Syntax::C ? std::string(c) + " " : std::string(); };
      std::string fn = syn_ == Syntax::C ? "" : "function ";
      out_ +=
          (syn_ == Syntax::C ? "void " : fn) + "show(" + typed("variant") + "x) { lg(VarType(x)); lg(x); }\n";
      out_ += (syn_ == Syntax::C ? "int " : fn) + "fib(" + t +
              "n) { if (n < 2) return n; return fib(n - 1) + fib(n - 2); }\n";
      out_ += (syn_ == Syntax::C ? "variant " : fn) + "fact(" + t +
              "n) { if (n <= 1) return 1; return n * fact(n - 1); }\n";
      out_ += (syn_ == Syntax::C ? "variant " : fn) + "early(" + typed("variant") + "x) {\n  " +
              (syn_ == Syntax::C ? "variant r = 0; int t;" : "var r = 0, t;") +
              "\n  for (t = 1; t <= 10; t++) { if (t > x) return r; r += t; }\n  return r;\n}\n";
      out_ += (syn_ == Syntax::C ? "void " : fn) + "bump(" + (syn_ == Syntax::C ? "int &x, int d" : "&x, d") +
              ") { x += d; }\n";
      out_ +=
          (syn_ == Syntax::C ? "int " : fn) + "setg(" + typed("variant") + "x) { v3 = x; k++; return k; }\n";
      out_ += (syn_ == Syntax::C ? "variant " : fn) + "suma(" + typed("variant") + "x) {\n  " +
              (syn_ == Syntax::C ? "variant r = 0; int t;" : "var r = 0, t;") +
              "\n  for (t = 0; t < 4; t++) r = r + x[t];\n  x[0] = 99;\n  return r;\n}\n";
      // Recursion keeps each call's locals, arrays included.
      out_ += (syn_ == Syntax::C ? "variant " : fn) + "deep(" + t + "n, " + typed("variant") + "x) {\n  " +
              (syn_ == Syntax::C ? "int t, u = n * 10; variant r; variant loc[3];"
                                 : "var t, u = n * 10, r; var loc[3];") +
              "\n  loc[n % 3] = x;\n  if (n > 0) r = deep(n - 1, x); else r = x + 1;\n"
              "  for (t = 0; t < 3; t++) r += u + t;\n  return r + loc[n % 3];\n}\n\n";
    }
  }

  void RandomRoutine(bool function) {
    Scope saved = scope_;
    scope_ = RoutineScope(function, !function);
    const char* name = function ? "r1" : "r2";
    if (pas()) {
      Line(std::string(function ? "function " : "procedure ") + name +
           (function ? "(p1: Integer; p2: Variant; p3: Double): Variant;"
                     : "(var p1: Integer; p2: Variant; var p3: Variant);"));
      Line("var l1, lk, h1, h2: Integer; l2: Variant; l3: String; l4: Double; la: array[0..3] of Variant;");
      Open("begin");
    } else if (syn_ == Syntax::C) {
      Open(std::string(function ? "variant " : "void ") + name +
           (function ? "(int p1, variant p2, double p3) {" : "(int &p1, variant p2, variant &p3) {"));
      Line("int l1, lk, h1, h2; variant l2; string l3; double l4; variant la[4];");
    } else {
      Open(std::string("function ") + name + (function ? "(p1, p2, p3) {" : "(&p1, p2, &p3) {"));
      Line("var l1, lk, h1, h2, l2, l3, l4; var la[4];");
    }
    for (const char* local : {"l1", "l2", "l3", "l4"}) Line(Assign(local, InitialValue(KindOf(local))));
    if (pas() && function) Line(Assign("Result", Literal('v')));
    Body(0, 2 + Pick(4));
    if (function && !pas()) Line("return " + AnyExpr(2) + ";");
    Close(pas() ? "end;" : "}");
    out_ += "\n";
    scope_ = saved;
  }

  void Initialise() {
    for (const std::string& v : scope_.scalars) Line(Assign(v, InitialValue(KindOf(v))));
  }

  // Every global at the end, so a wrong value stored anywhere shows.
  void Dump() {
    for (const std::string& v : scope_.scalars) Show(v);
    for (const ArrayVar& a : scope_.arrays) {
      std::string element = a.name + "[";
      std::vector<std::string> counters = {"k", "n", "i1"};
      for (size_t d = 0; d < a.bounds.size(); ++d) {
        auto [lo, hi] = a.bounds[d];
        if (pas())
          Open("for " + counters[d] + " := " + std::to_string(lo) + " to " + std::to_string(hi) +
               " do begin");
        else
          Open("for (" + counters[d] + " = " + std::to_string(lo) + "; " + counters[d] +
               " <= " + std::to_string(hi) + "; " + counters[d] + "++) {");
        element += (d ? ", " : "") + counters[d];
      }
      Show(element + "]");
      for (size_t d = 0; d < a.bounds.size(); ++d) Close(BlockClose());
    }
  }

  void MainStatements() {
    int count = 8 + Pick(14);
    for (int i = 0; i < count; ++i) Guarded(0);
    // Often the last statement lets an error out of nested calls, so the
    // call chain of its place is compared too.
    if (Chance(35)) {
      std::string arg = Chance(40) ? Quote(Chance(50) ? "abc" : "") : Place('v', true);
      Show("deep(" + std::to_string(2 + Pick(5)) + ", " + arg + ")");
    }
  }

  void MainWithDump() {
    if (Chance(70)) {
      Open(pas() ? "try" : "try {");
      MainStatements();
      Close(pas() ? "finally" : "} finally {");
      ++indent_;
      Dump();
      Close(BlockClose());
    } else {
      MainStatements();
      Dump();
    }
  }

  std::string PascalProgram() {
    scope_ = MainScope();
    out_ +=
        "var\n  i1, i2, k, n, g1, g2: Integer;\n  d1, d2: Double;\n  s1, s2: String;\n  b1: Boolean;\n"
        "  v1, v2, v3, vc, acc: Variant;\n";
    for (const ArrayVar& a : scope_.arrays) {
      std::string dims;
      for (auto [lo, hi] : a.bounds)
        dims += (dims.empty() ? "" : ", ") + std::to_string(lo) + ".." + std::to_string(hi);
      out_ += "  " + a.name + ": array[" + dims + "] of " + TypeOf(a.kind) + ";\n";
    }
    out_ += "\n";
    FixedRoutines();
    RandomRoutine(true);
    RandomRoutine(false);
    Open("begin");
    Initialise();
    MainWithDump();
    Close("end.");
    return out_;
  }

  std::string BraceProgram() {
    scope_ = MainScope();
    bool c = syn_ == Syntax::C;
    if (c) {
      out_ +=
          "int i1, i2, k, n, g1, g2;\ndouble d1, d2;\nstring s1, s2;\nbool b1;\nvariant v1, v2, v3, vc, "
          "acc;\n";
    } else {
      out_ += "var i1, i2, k, n, g1, g2, d1, d2, s1, s2, b1, v1, v2, v3, vc, acc;\n";
    }
    for (const ArrayVar& a : scope_.arrays) {
      std::string dims;
      for (auto [lo, hi] : a.bounds)
        dims += (c ? "[" : (dims.empty() ? "" : ", ")) + std::to_string(hi - lo + 1) + (c ? "]" : "");
      out_ += c ? TypeOf(a.kind) + " " + a.name + dims + ";\n" : "var " + a.name + "[" + dims + "];\n";
    }
    FixedRoutines();
    RandomRoutine(true);
    RandomRoutine(false);
    if (c) Open("{");
    Initialise();
    MainWithDump();
    if (c) Close("}");
    return out_;
  }

  Syntax syn_;
  std::mt19937 rng_;
  std::string out_;
  int indent_ = 0;
  int loopDepth_ = 0;
  int growthRefs_ = 0;  // variables that may hold text read by the expression being built
  Scope scope_;
  std::map<std::string, char> kinds_;  // of the typed variables; any other is a Variant
};

// QV_SPECIALISED_SHOW=seed prints that program and what it logs.
void ShowProgram(Syntax syntax, uint32_t seed) {
  std::string source = ProgramGen(syntax, seed).Program();
  Outcome out = RunOnce(syntax, source, true);
  SetSpecialisedPaths(true);
  std::printf("%s\n----\n", source.c_str());
  for (const auto& l : out.lines) std::printf("%s\n", ToUtf8(l).c_str());
  std::printf("error: %s\n", ToUtf8(out.error).c_str());
}

// QV_SPECIALISED_PROGRAMS=n runs more (or fewer) programs per syntax.
int ProgramsPerSyntax() {
  if (const char* n = std::getenv("QV_SPECIALISED_PROGRAMS")) return std::atoi(n);
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  return 60;  // the same first seeds, at a sanitizer's pace
#else
  return 300;
#endif
}

void RunGenerated(Syntax syntax, uint32_t firstSeed) {
  SpecialisedSwitch restore;
  if (const char* show = std::getenv("QV_SPECIALISED_SHOW")) {
    uint32_t seed = static_cast<uint32_t>(std::atol(show));
    if (seed >= firstSeed && seed < firstSeed + 10000) ShowProgram(syntax, seed);
    return;
  }
  int failures = 0, escaped = 0, compileErrors = 0;
  size_t lines = 0;
  const int count = ProgramsPerSyntax();
  for (int i = 0; i < count && failures < 3; ++i) {
    uint32_t seed = firstSeed + static_cast<uint32_t>(i);
    std::string source = ProgramGen(syntax, seed).Program();
    Outcome general;
    if (!SameBothWays(syntax, source, "seed " + std::to_string(seed), &general)) {
      ++failures;
      continue;
    }
    if (general.error.rfind(u"compile:", 0) == 0) {
      if (++compileErrors == 1)
        ADD_FAILURE() << "seed " << seed << ": " << ToUtf8(general.error) << "\n" << source;
    } else if (!general.error.empty()) {
      ++escaped;
    }
    lines += general.lines.size();
  }
  // Enough programs must run to the end, and enough must end in an error,
  // for both halves of the comparison to mean something.
  EXPECT_EQ(compileErrors, 0);
  EXPECT_GT(escaped, count / 10);
  EXPECT_LT(escaped, count * 9 / 10);
  std::printf("%d programs, %d ended by an error, %d not compiled, %zu lines logged\n", count, escaped,
              compileErrors, lines);
}

// Edges the generator reaches rarely. Each must compile and log something.
struct HandCase {
  Syntax syntax;
  const char* source;
};

const HandCase kHandCases[] = {
    // Counted loops at the 32-bit limits, empty ranges, counter and bound changed in the body.
    {Syntax::Pascal,
     "var i, n: Integer; v: Variant;\n"
     "begin\n"
     "  for i := 2147483645 to 2147483647 do lg(i); lg(i);\n"
     "  for i := -2147483646 downto -2147483648 do lg(i); lg(i);\n"
     "  i := 5; for i := 1 to 0 do lg('never'); lg(i);\n"
     "  n := 3; for i := 1 to n do begin n := n + 10; lg(n); end; lg(i);\n"
     "  for i := 1 to 5 do begin if i = 2 then continue; i := i + 1; lg(i); if i > 3 then break; end; "
     "lg(i);\n"
     "  for v := '2' to 4 do lg(VarType(v)); lg(v);\n"
     "  n := 0; repeat n := n + 1; if n = 2 then continue; until n >= 3; lg(n);\n"
     "end.\n"},
    // ++ and -- on every kind a Variant holds, 32-bit overflow going to Int64 or floating point.
    {Syntax::Js,
     "var a = \"5\", b = 1.5, c = 2147483647, d = 3000000000, e = \"x\", f = -2147483648, g = true, h;\n"
     "a++; b++; c++; d++; f--; g++; h++;\n"
     "lg(a); lg(VarType(a)); lg(b); lg(c); lg(VarType(c)); lg(d); lg(f); lg(VarType(f)); lg(g); lg(h);\n"
     "try { e++; } except { lg(ExceptionClassName + \": \" + ExceptionMessage); }\n"
     "var i, n = 0; for (i = 2147483640; i <= 2147483647; i += 3) { n++; if (n > 99) break; } lg(n); lg(i); "
     "lg(VarType(i));\n"
     "for (i = 2147483645; i <= 2147483647; i++) { n++; if (n > 99) break; } lg(n); lg(i); lg(VarType(i));\n"
     "for (i = 10; i > 0; i -= 4) lg(i);\n"
     "var m = 3000000000 * 2; lg(m); lg(VarType(m)); lg(2147483647 + 1); lg(-2147483648 - 1); lg(65536 * "
     "65536);\n"
     "lg(7 % 0);\n"},
    // Compound assignments on text, numbers held as text, and division by zero.
    {Syntax::Js,
     "var s = \"ab\", t = \"12\", u = 1.5, z = 0;\n"
     "s += \"x\"; lg(s); t += 3; lg(t); t -= 2; lg(t); lg(VarType(t)); t *= \"3\"; lg(t); u /= 2; lg(u);\n"
     "try { s -= 1; } except { lg(ExceptionClassName + \": \" + ExceptionMessage); }\n"
     "try { u /= z; } except { lg(ExceptionClassName + \": \" + ExceptionMessage); }\n"
     "try { lg(1 div z); } except { lg(ExceptionClassName + \": \" + ExceptionMessage); }\n"
     "try { lg(s * 2); } except { lg(ExceptionClassName + \": \" + ExceptionMessage); }\n"
     "var ten = \"10\", nine = 9, none = null, empty = \"\";\n"
     "lg(ten > nine); lg(ten > \"9\"); lg(empty == 0); lg(none == 0); lg(VarType(none + 1));\n"
     "s += 1;\n"},
    // Typed compound assignments and ++ in the C-like syntax.
    {Syntax::C,
     "int i, j; double d; string s; bool b;\n"
     "{\n"
     "  i = 2147483646; i++; lg(i);\n"
     "  d = 1; d /= 4; lg(d); d *= 2147483648; lg(d);\n"
     "  s = \"a\"; s += \"b\"; lg(s);\n"
     "  j = 7; j /= 2; lg(j); j -= 10; lg(j); j *= -3; lg(j);\n"
     "  try { s += 1; } except { lg(ExceptionClassName + \": \" + ExceptionMessage); }\n"
     "  try { s++; } except { lg(ExceptionClassName + \": \" + ExceptionMessage); }\n"
     "  try { j /= 0; } except { lg(ExceptionClassName + \": \" + ExceptionMessage); }\n"
     "  for (j = 0; j < 3; j++) i--; lg(i);\n"
     "  i = 2147483647; i++;\n"
     "}\n"},
    // Arrays: odd indexes, reads and writes out of bounds, kinds converted on write.
    {Syntax::Js,
     "var a[5, 5], v[3], k = \"3\";\n"
     "a[1.5, 2.5] = 1; lg(a[1, 2]); lg(a[2, 3]); lg(a[2, 2]);\n"
     "a[k, 0] = \"x\"; lg(a[3, 0]); lg(VarType(a[-1, 0])); lg(VarType(a[5, 0]));\n"
     "v[0] = 2147483647; v[0]++; lg(v[0]); v[1] = \"7\"; v[1] += 1; lg(v[1]);\n"
     "var c = v; c[2] = 9; lg(VarType(v[2])); lg(c[2]);\n"
     "try { a[5, 0] = 1; } except { lg(ExceptionClassName + \": \" + ExceptionMessage); }\n"
     "a[0, -1] = 2;\n"},
    {Syntax::Pascal,
     "var a, b: array[0..9] of Integer; m: array[0..4, 1..3] of Double; s: array[0..2] of String;\n"
     "  v: Variant; i, j: Integer;\n"
     "function Sum(x: Variant): Variant; var t: Integer; begin Result := 0;\n"
     "  for t := 0 to 9 do Result := Result + x[t]; x[0] := 100; end;\n"
     "procedure Fill(var x: Variant); begin x[1] := 'set'; end;\n"
     "begin\n"
     "  for i := 0 to 9 do a[i] := i * i;\n"
     "  b := a; b[0] := 42; lg(a[0]); lg(b[0]); lg(Sum(a)); lg(a[0]);\n"
     "  v := '12'; a[1] := v; lg(a[1]); m[0, 1] := 7 div 2; m[0, 2] := 7 / 2; m[1, 1] := v; lg(m[0, 1] + "
     "m[0, 2]);\n"
     "  s[0] := 12; s[1] := 1.5; lg(s[0] + s[1]); lg(VarType(a[10])); lg(VarType(m[0, 0]));\n"
     "  lg(a[1.5]); lg(a[2.5]); lg(a['3']);\n"
     "  v := s; Fill(v); lg(v[1]); lg(s[1]);\n"
     "  for i := 0 to 4 do for j := 1 to 3 do m[i, j] := m[i, j] + i * j; lg(m[4, 3]);\n"
     "  v := 'abc';\n"
     "  try a[2] := v; except lg(ExceptionClassName + ': ' + ExceptionMessage); end;\n"
     "  a[10] := 1;\n"
     "end.\n"},
    // Recursion, var parameters, globals changed by functions, early exit.
    {Syntax::Pascal,
     "var g: Integer; x: Variant;\n"
     "function Fib(n: Integer): Integer; begin if n < 2 then Result := n else Result := Fib(n - 1) + Fib(n - "
     "2); end;\n"
     "function Fact(n: Integer): Variant; begin if n <= 1 then Result := 1 else Result := n * Fact(n - 1); "
     "end;\n"
     "procedure Twice(var a: Integer; var b: Variant); begin a := a * 2; b := b + b; g := g + 1; end;\n"
     "function First(a, b, c: Integer): Integer; begin Result := a; if b > a then begin Result := b; exit; "
     "end;\n"
     "  Result := c; end;\n"
     "begin\n"
     "  lg(Fib(20)); lg(Fact(12)); lg(Fact(13)); lg(Fact(21)); lg(VarType(Fact(21)));\n"
     "  g := 1073741824; x := 'ab'; Twice(g, x); lg(g); lg(x); Twice(g, x);\n"
     "end.\n"},
    {Syntax::Js,
     "var g = 0;\n"
     "function fib(n) { if (n < 2) return n; return fib(n - 1) + fib(n - 2); }\n"
     "function fact(n) { if (n <= 1) return 1; return n * fact(n - 1); }\n"
     "function swap(&a, &b) { var t = a; a = b; b = t; g++; }\n"
     "function pick(a, b, c) { if (a > b) return a; for (var i = 0; i < 10; i++) if (i == c) return i * 10; "
     "}\n"
     "lg(fib(20)); lg(fact(13)); lg(fact(25));\n"
     "var p = \"x\", q = 2; swap(p, q); lg(p); lg(q); lg(g);\n"
     "lg(pick(3, 1, 0)); lg(pick(1, 3, 4)); lg(VarType(pick(1, 3, 40)));\n"
     "lg(fact(\"abc\"));\n"},
};

TEST(SpecialisedPaths, HandWrittenEdges) {
  SpecialisedSwitch restore;
  int n = 0;
  for (const HandCase& c : kHandCases) {
    Outcome general;
    if (!SameBothWays(c.syntax, c.source, "case " + std::to_string(n), &general)) continue;
    EXPECT_EQ(general.error.rfind(u"compile:", 0), std::u16string::npos) << ToUtf8(general.error) << "\n"
                                                                         << c.source;
    EXPECT_FALSE(general.lines.empty()) << c.source;
    if (std::getenv("QV_SPECIALISED_SHOW")) {
      for (const auto& l : general.lines) std::printf("%s|", ToUtf8(l).c_str());
      std::printf("\nerror: %s\n", ToUtf8(general.error).c_str());
    }
    ++n;
  }
}

TEST(SpecialisedPaths, GeneratedPascalPrograms) { RunGenerated(Syntax::Pascal, 10000); }
TEST(SpecialisedPaths, GeneratedJsPrograms) { RunGenerated(Syntax::Js, 20000); }
TEST(SpecialisedPaths, GeneratedCPrograms) { RunGenerated(Syntax::C, 30000); }

}  // namespace
}  // namespace qv::testing
