#include "engine/classes/object.h"

#include "engine/run/run_messages.h"
#include "support/errors.h"

namespace qv {

const HostClass& TObject::StaticClass() {
  static const HostClass cls = MakeHostClass<TObject>(u"TObject", nullptr);
  return cls;
}

const HostClass& TPersistent::StaticClass() {
  static const HostClass cls = MakeHostClass<TPersistent>(u"TPersistent", &TObject::StaticClass());
  return cls;
}

void TPersistent::Assign(const HostObject* source) { AssignError(source); }

void TPersistent::AssignError(const HostObject* source) const {
  std::u16string from = source ? source->Class().name : u"nil";
  throw ConvertError(run_msg::kCannotAssign + from + u" to a " + std::u16string(ClassName()));
}

}  // namespace qv
