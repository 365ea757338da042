// Fuzzes the reading of script files (plain, gzip, damaged compiled
// containers) and the template conversion. Checks that ASCII intermediate
// code survives every container version, and that the conversion keeps
// every line break of the template (one more for the directive line it
// puts in front when the template has none).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/compiled_script.h"
#include "host/template_source.h"
#include "library/encode/gzip.h"
#include "support/codepage.h"
#include "support/errors.h"

namespace {

using qv::host::CompiledScriptFile;
using qv::host::ConvertTemplate;
using qv::host::ScriptFileSource;

void Read(const std::string& bytes) {
  try {
    ScriptFileSource(bytes);
  } catch (const qv::ScriptError&) {
    // A damaged container is a clear error.
  }
}

size_t CountCrLf(std::u16string_view text) {
  size_t n = 0;
  for (size_t at = text.find(u"\r\n"); at != std::u16string_view::npos; at = text.find(u"\r\n", at + 2)) ++n;
  return n;
}

// The bytes as text with CR LF line ends only: a LF byte is a line break,
// CR bytes are dropped; pairs of high bytes give wider code units.
std::u16string TemplateText(std::string_view in) {
  std::u16string text;
  for (size_t i = 0; i < in.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(in[i]);
    if (c == '\n') {
      text += u"\r\n";
    } else if (c == '\r') {
      continue;
    } else if (c >= 0xF0 && i + 1 < in.size()) {
      text += static_cast<char16_t>((c << 8) | static_cast<unsigned char>(in[++i]));
    } else {
      text += static_cast<char16_t>(c);
    }
  }
  return text;
}

void CheckTemplate(std::string_view in) {
  std::u16string text = TemplateText(in);
  std::u16string out = ConvertTemplate(text);
  bool known = false;
  for (std::u16string_view head :
       {u"#language js\r\n", u"#language pascal\r\n", u"#language c\r\n", u"#language basic\r\n"})
    known = known || out.starts_with(head);
  size_t added = CountCrLf(out) - CountCrLf(text);
  if (!known || CountCrLf(out) < CountCrLf(text) || added > 1) abort();
}

void CheckRoundTrip(std::string_view in) {
  std::u16string il;
  for (char c : in) il += static_cast<char16_t>(c & 0x7F);
  for (int version = 1; version <= 3; ++version)
    if (ScriptFileSource(CompiledScriptFile(il, version)) != il) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool once = (qv::SetAnsiCodePage(qv::kCpUtf8), true);
  (void)once;
  if (size == 0) return 0;
  std::string_view in(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 6) {
    case 0:
      Read(std::string(in));
      break;
    case 1:
      Read("QUORVINTER1.0" + std::string(in));
      break;
    case 2:
      Read("QUORVINTER3.0" + std::string(in));
      break;
    case 3:
      Read(qv::library::GzipBytes("QUORVINTER3.0" + std::string(in)));
      break;
    case 4:
      CheckTemplate(in);
      break;
    case 5:
      CheckRoundTrip(in);
      break;
  }
  return 0;
}
