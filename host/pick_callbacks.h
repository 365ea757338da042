// The regular-expression and split callbacks of scripts.
#pragma once

#include <string>
#include <string_view>

#include "engine/engine.h"

namespace qv::host {

class TQuorvint;

// regpick/regcallback(CallBack, Source, Pattern, Para): the callback gets
// the regular-expression object standing on each match and the match.
void RegPick(TQuorvint& thread, Caller& c);
// splitpick/splitcallback(CallBack, Source, separator, Para): the callback
// gets each piece's number (from 0) and the piece.
void SplitPick(TQuorvint& thread, Caller& c);

// "check it regex:" + pattern + ";" + the message without its first
// "TQvRegEx.Compile() - ".
std::u16string RegexErrorLine(std::u16string_view pattern, std::u16string message);

}  // namespace qv::host
