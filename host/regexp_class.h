// TRegExp: the regular-expression object as scripts see it. Scripts make
// one with TRegExp.Create (no options) or CreateReg, and the thread keeps
// a shared one as _RegExp (both case-insensitive and multi-line).
//
//   r := TRegExp.Create;
//   if r.Match('a1b22', '(?<n>\d+)') then lg(r.SubMatchs['n']);   // "1"
//   lg(r.Matchs[1]);                  // "22": the second match
//   lg(r[1]);                         // "1": indexing reads SubMatchs
//   r.Free;
//
// Texts go to the object as UTF-8 and come back as UTF-16. Reading the
// current match without one raises "REQUIRE: There must be a successful
// match first", a run-time error the script can catch.
#pragma once

#include <memory>
#include <string_view>

#include "engine/engine.h"
#include "support/regex.h"

namespace qv::host {

extern const HostClass kTRegExpClass;

class RegExpObject : public HostObject {
 public:
  // No pattern, no subject, no options.
  RegExpObject() : regex_(std::make_unique<TRegExp>()) {}
  explicit RegExpObject(std::unique_ptr<TRegExp> regex) : regex_(std::move(regex)) {}

  const HostClass& Class() const override { return kTRegExpClass; }
  TRegExp& Regex() noexcept { return *regex_; }

 private:
  std::unique_ptr<TRegExp> regex_;
};

// A new object with `pattern` and `subject` (each set when not empty); with
// `defaultOptions` case-insensitive and multi-line, otherwise without
// options. The caller adopts it (TfsScript::AdoptObject) or keeps it.
std::unique_ptr<RegExpObject> NewRegExp(std::u16string_view pattern, std::u16string_view subject,
                                        bool defaultOptions);

// Registers the class TRegExp with its members on a script thread's program.
void RegisterRegExpClass(TfsScript& prog);

}  // namespace qv::host
