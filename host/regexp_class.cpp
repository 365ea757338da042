#include "host/regexp_class.h"

#include <string>

#include "host/class_rows.h"
#include "library/strings/array_values.h"
#include "library/strings/split_text.h"
#include "support/text.h"

namespace qv::host {

const HostClass kTRegExpClass{u"TRegExp", nullptr, [] { return std::make_unique<RegExpObject>(); }, {}};

std::unique_ptr<RegExpObject> NewRegExp(std::u16string_view pattern, std::u16string_view subject,
                                        bool defaultOptions) {
  if (defaultOptions) return std::make_unique<RegExpObject>(CreateRegEx(pattern, subject));
  auto object = std::make_unique<RegExpObject>();
  if (!pattern.empty()) object->Regex().SetRegEx(pattern);
  if (!subject.empty()) object->Regex().SetSubject(subject);
  return object;
}

namespace {

using C = Caller;
using H = HostObject;

TRegExp& Rx(H* self) { return Self<RegExpObject>(self).Regex(); }
std::u16string TextArg(const C& call, int i) { return ToText(call.GetParam(i)); }

// Puts the current match and the search position back when a look-ahead
// over the whole subject is done, whatever happened during it.
class KeepMatch {
 public:
  explicit KeepMatch(TQvRegEx& rx) : rx_(rx), saved_(rx.SaveMatch()) {}
  ~KeepMatch() { rx_.RestoreMatch(saved_); }
  KeepMatch(const KeepMatch&) = delete;
  KeepMatch& operator=(const KeepMatch&) = delete;

 private:
  TQvRegEx& rx_;
  TQvRegEx::MatchState saved_;
};

// Raises the object's own "REQUIRE: ..." error when there is no current match.
void RequireMatch(const TQvRegEx& rx) {
  if (!rx.FoundMatch()) static_cast<void>(rx.MatchedText());
}

Value GroupCount(H* self, C&) {
  TRegExp& rx = Rx(self);
  RequireMatch(rx);
  return Value::Int(rx.GroupCount());
}

Value MatchCount(H* self, C&) {
  TRegExp& rx = Rx(self);
  KeepMatch keep(rx);
  int32_t n = 0;
  for (bool found = rx.Match(); found; found = rx.MatchAgain()) ++n;
  return Value::Int(n);
}

// The i-th match (0 = first) from the subject's start; empty when there are
// fewer.
Value NthMatch(H* self, C& call) {
  TRegExp& rx = Rx(self);
  const int32_t wanted = ToInt32(call.GetParam(0));
  if (wanted < 0) return Value::Text(u"");
  KeepMatch keep(rx);
  bool found = rx.Match();
  for (int32_t i = 0; found && i < wanted; ++i) found = rx.MatchAgain();
  return Value::Text(found ? rx.MatchedTextU16() : std::u16string());
}

// A group of the current match by number, or by name when the index is text.
Value SubMatch(H* self, C& call) {
  TRegExp& rx = Rx(self);
  const Value& index = call.GetParam(0);
  int group;
  if (index.is_string()) {
    group = rx.NamedGroup(ToText(index));
    if (group < 0) return Value::Text(u"");
  } else {
    group = ToInt32(index);
  }
  return Value::Text(rx.GroupsU16(group));
}

Value Replace(H* self, C& call) {
  TRegExp& rx = Rx(self);
  rx.SetSubject(TextArg(call, 0));
  if (!rx.ReplaceAll(TextArg(call, 1))) return Value::Text(TextArg(call, 0));
  return Value::Text(rx.SubjectU16());
}

// Match and test: the subject, a new pattern when one is given, the first match.
Value MatchFirst(H* self, C& call) {
  TRegExp& rx = Rx(self);
  rx.SetSubject(TextArg(call, 0));
  std::u16string pattern = TextArg(call, 1);
  if (!pattern.empty()) rx.SetRegEx(pattern);
  return Value::Bool(rx.Match());
}

// A pattern that does not begin with "/" is taken as "/" + pattern + "/is".
Value Split(H* self, C& call) {
  TRegExp& rx = Rx(self);
  std::u16string pattern(TrimBlanks(TextArg(call, 1)));
  if (!pattern.starts_with(u'/')) pattern = u"/" + pattern + u"/is";
  return library::TextListValue(library::SplitText(TextArg(call, 0), pattern, &rx));
}

// Table order decides the default property: SubMatchs, registered last,
// is what `r[i]` reads.
const HostMember kMembers[] = {
    {RowKind::Property, u"Pattern", u"string", u"", [](H* o, C&) { return Value::Text(Rx(o).RegExU16()); },
     [](H* o, const Value& v, C&) { Rx(o).SetRegEx(ToText(v)); }},
    {RowKind::Property, u"MatchString", u"string", u"",
     [](H* o, C&) { return Value::Text(Rx(o).MatchedTextU16()); },
     [](H*, const Value&, C&) {}},  // the match is not writable
    {RowKind::Property, u"FoundMatch", u"boolean", u"",
     [](H* o, C&) { return Value::Bool(Rx(o).FoundMatch()); }},
    {RowKind::Property, u"MatchNext", u"boolean", u"",
     [](H* o, C&) { return Value::Bool(Rx(o).MatchAgain()); }},
    {RowKind::Property, u"MatchCount", u"integer", u"", MatchCount},
    {RowKind::Property, u"SubMatchCount", u"integer", u"", GroupCount},
    {RowKind::Property, u"GroupCount", u"integer", u"", GroupCount},
    {RowKind::Constructor, u"constructor Create(regex:string=';source:String=')", u"", u"",
     [](H* o, C&) { return Value::Object(Self<RegExpObject>(o).ObjectId()); }},
    {RowKind::Method, u"procedure Free", u"", u"", FreeMember},
    {RowKind::DefaultProperty, u"Matchs", u"string", u"integer", NthMatch},
    {RowKind::DefaultProperty, u"SubMatchs", u"string", u"variant", SubMatch},
    {RowKind::Method, u"function Replace(Source,ReplaceTo:string):String", u"", u"", Replace},
    {RowKind::Method, u"function Match(Source:string;pattern:string=''):boolean", u"", u"", MatchFirst},
    {RowKind::Method, u"function test(Source:string;pattern:string=''):boolean", u"", u"", MatchFirst},
    {RowKind::Method, u"function Split(Source:string;Pattern:String=''):ArrayString", u"", u"", Split},
};

}  // namespace

void RegisterRegExpClass(TfsScript& prog) { RegisterHostClass(prog, kTRegExpClass, u"TObject", kMembers); }

}  // namespace qv::host
