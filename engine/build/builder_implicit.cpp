// Names the builder declared as variables by itself. The script keeps its
// meaning; what is noted here lets a runner tell the user about a name that
// is called like a routine or read before anything is assigned to it,
// which is most often a misspelling.
#include <algorithm>

#include "engine/build/builder.h"
#include "support/text.h"

namespace qv {

namespace {

// The intermediate code places a name's position after its last character.
std::u16string StartOfName(const std::u16string& pos, size_t length) {
  const size_t colon = pos.find(u':');
  int32_t col = 0;
  if (colon == std::u16string::npos || !TextToInt32(pos.substr(colon + 1), col)) return pos;
  const int64_t start = static_cast<int64_t>(col) - static_cast<int64_t>(length);
  return pos.substr(0, colon + 1) + IntToText(start >= 1 ? start : col);
}

}  // namespace

void TfsBuilder::NoteNameUse(TfsCustomVariable* item, TfsScript& prog, NameUse use,
                             const std::u16string& pos) {
  auto it = implicit_.find(item);
  if (it == implicit_.end()) return;
  ImplicitState& state = it->second;
  const std::u16string start = StartOfName(pos, item->Name().size());
  const bool writtenHere =
      std::find(state.writeScopes.begin(), state.writeScopes.end(), &prog) != state.writeScopes.end();
  switch (use) {
    case NameUse::Write:
      if (!writtenHere) state.writeScopes.push_back(&prog);
      break;
    case NameUse::Call:
      if (state.callPos.empty()) state.callPos = start;
      break;
    case NameUse::Read:
      if (!writtenHere && state.firstReadPos.empty()) {
        state.firstReadPos = start;
        state.firstReadScope = &prog;
      }
      break;
  }
}

void TfsBuilder::ReportImplicitNames() {
  for (TfsCustomVariable* item : implicitOrder_) {
    ImplicitState& state = implicit_[item];
    std::u16string pos = state.callPos;
    // A write in another scope (a routine, or the main program around it)
    // may well run first: only a read nothing can have preceded counts.
    if (pos.empty() && !state.firstReadPos.empty()) {
      const bool writtenElsewhere = std::any_of(state.writeScopes.begin(), state.writeScopes.end(),
                                                [&](TfsScript* s) { return s != state.firstReadScope; });
      if (!writtenElsewhere) pos = state.firstReadPos;
    }
    if (!pos.empty()) program_.ImplicitNames().push_back({item->Name(), state.unit, std::move(pos)});
  }
  implicit_.clear();
  implicitOrder_.clear();
}

void TfsBuilder::ReportImplicitCall(TfsCustomVariable* item, const std::u16string& pos) {
  if (implicit_.find(item) == implicit_.end()) return;
  program_.ImplicitNames().push_back({item->Name(), unitName_, StartOfName(pos, item->Name().size())});
}

}  // namespace qv
