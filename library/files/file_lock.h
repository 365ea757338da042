// The process-wide lock of file writing: savefile and save hold it while they
// write, and the script host holds it around the start callbacks of child
// scripts. It is not recursive: code that holds it must not call a function
// that takes it again.
#pragma once

#include <mutex>

namespace qv::library {

std::mutex& GlobalFileLock();

}  // namespace qv::library
