#include <mutex>
#include <string>
#include <unordered_map>

#include "library/branches.h"
#include "library/functions.h"
#include "support/text.h"

namespace qv {

namespace {

using library::Branch;
using library::BranchFunction;

// The branch of every function by upper-case name. A name listed twice keeps
// its first branch, as a chain of compares would.
const std::unordered_map<std::u16string, BranchFunction>& Branches() {
  static const auto table = [] {
    std::unordered_map<std::u16string, BranchFunction> map;
    for (auto family : {library::CoreBranches(), library::StringBranches(), library::EncoderBranches(),
                        library::MaskBranches(), library::HtmlBranches(), library::UrlBranches(),
                        library::ChineseBranches(), library::FileBranches(), library::SelectBranches(),
                        library::JsonBranches(), library::CsvBranches()})
      for (const Branch& b : family) map.emplace(b.upperName, b.function);
    return map;
  }();
  return table;
}

}  // namespace

Value TFunctions::CallMethod(HostObject*, const HostClass*, const std::u16string& methodName,
                             Caller& caller) {
  const auto& table = Branches();
  auto it = table.find(methodName);
  if (it == table.end()) it = table.find(UpperCase(methodName));
  if (it == table.end()) return Value::Int(0);
  return it->second(caller);
}

void RegisterFunctionsModule() {
  static std::once_flag once;
  std::call_once(once, [] {
    ModuleRegistry::Instance().Add(u"TFunctions", ModuleRegistry::kPublicLibraryOrder,
                                   [](TfsScript& s) { return std::make_unique<TFunctions>(s); });
  });
}

namespace {
// Linking the library in is enough to enter it in the registry.
[[maybe_unused]] const bool kRegistered = (RegisterFunctionsModule(), true);
}  // namespace

}  // namespace qv
