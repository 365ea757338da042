#include "library/encode/md5.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <memory>
#include <vector>

#include "library/encode/hex.h"
#include "library/files/file_read.h"
#include "support/loaded_library.h"
#include "support/text.h"

namespace qv::library {

namespace {

// OpenSSL's libcrypto, loaded by the first digest: linked, it added a
// millisecond to the start of every run.
struct Crypto {
  decltype(&::EVP_MD_CTX_new) ctxNew;
  decltype(&::EVP_MD_CTX_free) ctxFree;
  decltype(&::EVP_md5) md5;
  decltype(&::EVP_DigestInit_ex) init;
  decltype(&::EVP_DigestUpdate) update;
  decltype(&::EVP_DigestFinal_ex) final;
};

const Crypto& LibCrypto() {
  static const Crypto crypto = [] {
    void* library = LoadLibraryOrExit("libcrypto.so.3");
    Crypto c{};
    ResolveOrExit(library, "EVP_MD_CTX_new", c.ctxNew);
    ResolveOrExit(library, "EVP_MD_CTX_free", c.ctxFree);
    ResolveOrExit(library, "EVP_md5", c.md5);
    ResolveOrExit(library, "EVP_DigestInit_ex", c.init);
    ResolveOrExit(library, "EVP_DigestUpdate", c.update);
    ResolveOrExit(library, "EVP_DigestFinal_ex", c.final);
    return c;
  }();
  return crypto;
}

struct CtxFree {
  void operator()(EVP_MD_CTX* c) const { LibCrypto().ctxFree(c); }
};
using Md5Ctx = std::unique_ptr<EVP_MD_CTX, CtxFree>;

Md5Ctx NewMd5() {
  const Crypto& crypto = LibCrypto();
  Md5Ctx ctx(crypto.ctxNew());
  if (ctx && crypto.init(ctx.get(), crypto.md5(), nullptr) != 1) ctx.reset();
  return ctx;
}

std::u16string Finish(EVP_MD_CTX* ctx, int len) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (LibCrypto().final(ctx, digest, &size) != 1) return {};
  std::u16string hex;
  for (unsigned i = 0; i < size; ++i) {
    hex += static_cast<char16_t>(kLowerHex[digest[i] >> 4]);
    hex += static_cast<char16_t>(kLowerHex[digest[i] & 15]);
  }
  if (len <= 0) return {};
  if (static_cast<size_t>(len) < hex.size()) hex.resize(static_cast<size_t>(len));
  return hex;
}

}  // namespace

std::u16string Md5Bytes(std::string_view bytes, int len) {
  Md5Ctx ctx = NewMd5();
  if (!ctx || LibCrypto().update(ctx.get(), bytes.data(), bytes.size()) != 1) return {};
  return Finish(ctx.get(), len);
}

std::u16string Md5Text(std::u16string_view text, int len) { return Md5Bytes(ToUtf8(text), len); }

std::u16string Md5File(const std::filesystem::path& path, int len) {
  int fd = OpenRegularFile(path);
  if (fd < 0) return {};
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  Md5Ctx ctx = NewMd5();
  if (!ctx) return {};
  std::vector<char> block(1 << 20);
  for (;;) {
    ssize_t n = ::read(fd, block.data(), block.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return {};  // a read error
    }
    if (n == 0) break;
    if (LibCrypto().update(ctx.get(), block.data(), static_cast<size_t>(n)) != 1) return {};
  }
  return Finish(ctx.get(), len);
}

}  // namespace qv::library
