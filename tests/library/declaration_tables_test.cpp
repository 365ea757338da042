// The families registered after the first hundred: every declaration has
// its branch and the words the reference shows.
#include <gtest/gtest.h>

#include <string>

#include "library/branches.h"
#include "support/text.h"

namespace qv::library {
namespace {

// "function jsonget(Json:..." gives "JSONGET".
std::u16string UpperName(std::u16string_view declaration) {
  const size_t begin = declaration.find(u' ') + 1;
  return UpperCase(declaration.substr(begin, declaration.find(u'(') - begin));
}

TEST(DeclarationTables, EveryDeclarationHasABranchAndDescriptions) {
  const struct {
    std::span<const Declaration> declarations;
    std::span<const Branch> branches;
  } families[] = {{JsonDeclarations(), JsonBranches()}, {CsvDeclarations(), CsvBranches()}};
  for (const auto& f : families) {
    EXPECT_EQ(f.declarations.size(), f.branches.size());
    for (const Declaration& d : f.declarations) {
      const std::u16string name = UpperName(d.text);
      bool found = false;
      for (const Branch& b : f.branches) found = found || name == b.upperName;
      EXPECT_TRUE(found) << ToUtf8(name);
      for (const char16_t* words : {d.summary, d.detail, d.example}) EXPECT_GT(std::u16string_view(words).size(), 10u);
    }
  }
}

}  // namespace
}  // namespace qv::library
