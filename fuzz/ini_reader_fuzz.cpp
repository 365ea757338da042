// Fuzzes the INI reader and writer: any text parses, and a value written
// under plain names is read back.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "library/files/file_read.h"
#include "library/files/ini_file.h"
#include "support/codepage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qv::library;
  if (size < 2) return 0;
  std::string_view bytes(reinterpret_cast<const char*>(data + 2), size - 2);
  IniFile ini(qv::DecodeTextBytes(bytes));
  std::u16string section(1, static_cast<char16_t>(u'A' + data[0] % 26));
  std::u16string key(1, static_cast<char16_t>(u'a' + data[1] % 26));
  ini.Get(section, key);
  ini.Set(section, key, u"value");
  IniFile again(ini.Text());
  auto got = again.Get(section, key);
  if (!got || *got != u"value") abort();
  return 0;
}
