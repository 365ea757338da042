// qvjs: runs one piece of JavaScript for RunJs in a process of its own, so
// that code which never ends can be killed (the engine has no interrupt
// hook) and a crash or memory exhaustion cannot reach the script host.
//
// Reads a request from standard input, writes the reply to standard output
// (see host/js_wire.h). The engine's heap is capped; past the cap an
// allocation fails, the engine raises an error and the reply is a failure.
#include <duktape.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/js_wire.h"

namespace {

constexpr size_t kHeapLimit = size_t{256} << 20;

// Each block carries its size in front, so that the total can be kept.
struct alignas(std::max_align_t) BlockHeader {
  size_t size;
};

size_t g_allocated = 0;

void* Allocate(void*, duk_size_t size) {
  if (size == 0) return nullptr;
  if (size > kHeapLimit - g_allocated) return nullptr;
  auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
  if (header == nullptr) return nullptr;
  header->size = size;
  g_allocated += size;
  return header + 1;
}

void Release(void*, void* ptr) {
  if (ptr == nullptr) return;
  BlockHeader* header = static_cast<BlockHeader*>(ptr) - 1;
  g_allocated -= header->size;
  std::free(header);
}

void* Reallocate(void* udata, void* ptr, duk_size_t size) {
  if (ptr == nullptr) return Allocate(udata, size);
  if (size == 0) {
    Release(udata, ptr);
    return nullptr;
  }
  BlockHeader* header = static_cast<BlockHeader*>(ptr) - 1;
  size_t old = header->size;
  if (size > old && size - old > kHeapLimit - g_allocated) return nullptr;
  auto* grown = static_cast<BlockHeader*>(std::realloc(header, sizeof(BlockHeader) + size));
  if (grown == nullptr) return nullptr;
  g_allocated = g_allocated - old + size;
  grown->size = size;
  return grown + 1;
}

// Uncaught errors outside a protected call end up here; the host reads the
// exit status as a failure.
void Fatal(void*, const char*) { _exit(3); }

bool ReadExactly(void* buffer, size_t size) {
  auto* p = static_cast<char*>(buffer);
  while (size > 0) {
    ssize_t got = read(STDIN_FILENO, p, size);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    p += got;
    size -= static_cast<size_t>(got);
  }
  return true;
}

bool ReadField(std::string& field) {
  uint64_t size = 0;
  if (!ReadExactly(&size, sizeof size) || size > kHeapLimit) return false;
  field.resize(static_cast<size_t>(size));
  return ReadExactly(field.data(), field.size());
}

bool WriteAll(const char* p, size_t size) {
  while (size > 0) {
    ssize_t put = write(STDOUT_FILENO, p, size);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    p += put;
    size -= static_cast<size_t>(put);
  }
  return true;
}

// The value on top of the stack as the result text: undefined and null
// read as empty text, Booleans as "True" and "False" like every other
// Boolean that scripts turn into text, anything else as String() makes it.
duk_ret_t ResultText(duk_context* ctx, void*) {
  if (duk_is_null_or_undefined(ctx, -1)) {
    duk_push_string(ctx, "");
  } else if (duk_is_boolean(ctx, -1)) {
    duk_push_string(ctx, duk_get_boolean(ctx, -1) ? "True" : "False");
  } else {
    duk_to_string(ctx, -1);
  }
  return 1;
}

// Runs the code, then evaluates the expression; the result text is left on
// top of the stack. False on any error.
bool Run(duk_context* ctx, const std::string& code, const std::string& expression) {
  if (duk_peval_lstring(ctx, code.data(), code.size()) != 0) return false;
  duk_pop(ctx);
  if (duk_peval_lstring(ctx, expression.data(), expression.size()) != 0) return false;
  return duk_safe_call(ctx, ResultText, nullptr, 1, 1) == DUK_EXEC_SUCCESS;
}

// Dies with the host: a loop that never ends must not outlive a host that
// was killed. argv[1] is the host's process id, to catch a host that died
// before the request for a signal was made.
void FollowHost(int argc, char** argv) {
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (argc > 1 && getppid() != static_cast<pid_t>(std::strtol(argv[1], nullptr, 10))) _exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  FollowHost(argc, argv);
  std::string code, expression;
  if (!ReadField(code) || !ReadField(expression)) return 2;
  duk_context* ctx = duk_create_heap(Allocate, Reallocate, Release, nullptr, Fatal);
  if (ctx == nullptr) return 2;
  // The reply is written straight from the engine's string: a result near
  // the heap cap is not copied.
  const char status = static_cast<char>(Run(ctx, code, expression) ? qv::host::kJsOk : qv::host::kJsFailed);
  bool written = WriteAll(&status, 1);
  if (written && status == static_cast<char>(qv::host::kJsOk)) {
    duk_size_t size = 0;
    const char* text = duk_get_lstring(ctx, -1, &size);
    if (text != nullptr) written = WriteAll(text, size);
  }
  duk_destroy_heap(ctx);
  return written ? 0 : 2;
}
