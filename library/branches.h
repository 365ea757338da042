// The dispatcher's branches, one table per family of functions. Each family
// file lists its functions by upper-case name; the dispatcher joins the
// tables into one lookup. A branch reads its arguments by position from the
// Caller, writes `var` parameters back with SetParam, and returns the result.
#pragma once

#include <span>

#include "engine/engine.h"

namespace qv::library {

using BranchFunction = Value (*)(Caller&);

struct Branch {
  const char16_t* upperName;
  BranchFunction function;
};

// What a branch returns when its function assigns no result.
inline Value NoResult() { return Value::Int(0); }

std::span<const Branch> CoreBranches();
std::span<const Branch> StringBranches();
std::span<const Branch> EncoderBranches();
std::span<const Branch> MaskBranches();
std::span<const Branch> HtmlBranches();
std::span<const Branch> UrlBranches();
std::span<const Branch> ChineseBranches();
std::span<const Branch> FileBranches();
// Functions beyond the specified library, registered after it.
std::span<const Branch> SelectBranches();
std::span<const Branch> JsonBranches();
std::span<const Branch> CsvBranches();

}  // namespace qv::library
