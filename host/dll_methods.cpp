#include "host/dll_methods.h"

#include <fcntl.h>
#include <gelf.h>
#include <libelf.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <memory>
#include <mutex>

#include "library/files/paths.h"
#include "support/codepage.h"
#include "support/text.h"

namespace qv::host {

namespace {

bool LibElfReady() {
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] { ready = elf_version(EV_CURRENT) != EV_NONE; });
  return ready;
}

// Exported functions: defined, global or weak, visible from outside.
// Indirect functions (the resolvers behind memcpy and friends) count too.
bool IsExportedFunction(const GElf_Sym& sym) {
  int type = GELF_ST_TYPE(sym.st_info);
  int bind = GELF_ST_BIND(sym.st_info);
  int visibility = GELF_ST_VISIBILITY(sym.st_other);
  return (type == STT_FUNC || type == STT_GNU_IFUNC) && sym.st_shndx != SHN_UNDEF && bind != STB_LOCAL &&
         (visibility == STV_DEFAULT || visibility == STV_PROTECTED);
}

// Symbol names are UTF-8 as a rule; a name that is not is read in the ANSI
// code page, as names of such libraries were written.
std::u16string NameText(std::string_view name) {
  return IsValidUtf8(name) ? FromUtf8(name) : DecodeAnsi(name);
}

void AppendFunctions(Elf* elf, Elf_Scn* section, const GElf_Shdr& header,
                     std::vector<std::u16string>& names) {
  size_t entry = gelf_fsize(elf, ELF_T_SYM, 1, EV_CURRENT);
  Elf_Data* data = elf_getdata(section, nullptr);
  if (entry == 0 || data == nullptr) return;
  size_t count = data->d_size / entry;
  for (size_t i = 0; i < count && i <= INT_MAX; ++i) {
    GElf_Sym sym;
    if (gelf_getsym(data, static_cast<int>(i), &sym) == nullptr) return;
    if (!IsExportedFunction(sym)) continue;
    const char* name = elf_strptr(elf, header.sh_link, sym.st_name);
    if (name != nullptr && *name != '\0') names.push_back(NameText(name));
  }
}

std::vector<std::u16string> FunctionsOf(Elf* elf) {
  std::vector<std::u16string> names;
  if (elf == nullptr || elf_kind(elf) != ELF_K_ELF) return names;
  Elf_Scn* section = nullptr;
  while ((section = elf_nextscn(elf, section)) != nullptr) {
    GElf_Shdr header;
    if (gelf_getshdr(section, &header) == nullptr) break;
    if (header.sh_type != SHT_DYNSYM) continue;
    AppendFunctions(elf, section, header, names);
    break;
  }
  return names;
}

struct ElfCloser {
  void operator()(Elf* elf) const { elf_end(elf); }
};
using ElfHandle = std::unique_ptr<Elf, ElfCloser>;

}  // namespace

std::vector<std::u16string> GetDllMethods(std::u16string_view file) {
  if (!LibElfReady()) return {};
  std::filesystem::path path = library::ExpandName(file);
  // Non-blocking, so that a FIFO cannot hang the script; only regular
  // files are read.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return {};
  std::vector<std::u16string> names;
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    // Read, not mapped: a file that shrinks meanwhile must not fault.
    ElfHandle elf(elf_begin(fd, ELF_C_READ, nullptr));
    names = FunctionsOf(elf.get());
  }
  close(fd);
  return names;
}

std::vector<std::u16string> GetDllMethodsOfImage(std::string_view image) {
  if (!LibElfReady()) return {};
  // elf_memory wants a writable buffer; it is only read here.
  std::string copy(image);
  ElfHandle elf(elf_memory(copy.data(), copy.size()));
  return FunctionsOf(elf.get());
}

}  // namespace qv::host
