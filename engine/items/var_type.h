// The static kind of an engine item. The numbering is stored in type
// records, so it must not change.
#pragma once

#include <cstdint>

namespace qv {

enum TfsVarType : uint8_t {
  fvtInt = 0,
  fvtBool = 1,
  fvtFloat = 2,
  fvtChar = 3,
  fvtString = 4,
  fvtClass = 5,
  fvtArray = 6,
  fvtVariant = 7,
  fvtEnum = 8,
  fvtConstructor = 9
};

}  // namespace qv
