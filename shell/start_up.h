// What the process sets up before the window is made: the registration
// modules every program gets, and the starter script of a fresh
// application folder.
#pragma once

#include <string>

namespace qv::shell {

// The system library, the built-in classes and the public function
// library, in that order; once per process.
void RegisterModules();

// The qv.qvs a new application folder gets.
std::string StarterScript();

}  // namespace qv::shell
