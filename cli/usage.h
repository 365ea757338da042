// qvrun's options that answer a question instead of running a script:
// --help, --version and --functions [TEXT].
#pragma once

#include <functional>
#include <optional>
#include <ostream>

namespace qv::cli {

// The lines of these options, for the usage text.
void PrintInfoOptions(std::ostream& out);

// When argv is one of these options, prints the answer to standard output
// and gives the exit status; std::nullopt otherwise. `usage` prints the
// whole usage text.
std::optional<int> InfoOption(int argc, char** argv, const std::function<void(std::ostream&)>& usage);

}  // namespace qv::cli
