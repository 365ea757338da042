// Text streams of the string lists. How their bytes become text and back
// (the byte-order-mark rules) lives in support/codepage.h.
#pragma once

#include <string>

#include "support/codepage.h"

namespace qv {

class Stream;

// Reads from the stream's position to its end.
std::string ReadRestOfStream(Stream& stream);

}  // namespace qv
