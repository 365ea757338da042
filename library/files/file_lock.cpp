#include "library/files/file_lock.h"

namespace qv::library {

std::mutex& GlobalFileLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace qv::library
