#include "support/codepage.h"

#include <langinfo.h>
#include <locale.h>
#include <unicode/ucnv.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "support/text.h"

namespace qv {

namespace {

// Windows numbers with their ICU names, tried in order when a number has no
// entry of its own: "windows-N", "cpN", "ibm-N".
struct KnownPage {
  uint32_t id;
  const char* icu;
};
constexpr KnownPage kKnownPages[] = {
    {65001, "UTF-8"},       {1200, "UTF-16LE"},     {1201, "UTF-16BE"},     {936, "windows-936"},
    {950, "windows-950"},   {54936, "gb18030"},     {932, "windows-31j"},   {949, "windows-949"},
    {874, "windows-874"},   {20127, "US-ASCII"},    {28591, "ISO-8859-1"},  {28592, "ISO-8859-2"},
    {28593, "ISO-8859-3"},  {28594, "ISO-8859-4"},  {28595, "ISO-8859-5"},  {28596, "ISO-8859-6"},
    {28597, "ISO-8859-7"},  {28598, "ISO-8859-8"},  {28599, "ISO-8859-9"},  {28603, "ISO-8859-13"},
    {28605, "ISO-8859-15"}, {20866, "KOI8-R"},      {21866, "KOI8-U"},      {51932, "EUC-JP"},
    {51949, "EUC-KR"},      {50220, "ISO-2022-JP"}, {52936, "HZ-GB-2312"},  {20936, "GB2312"},
    {12000, "UTF-32LE"},    {12001, "UTF-32BE"},    {1250, "windows-1250"}, {1251, "windows-1251"},
    {1252, "windows-1252"}, {1253, "windows-1253"}, {1254, "windows-1254"}, {1255, "windows-1255"},
    {1256, "windows-1256"}, {1257, "windows-1257"}, {1258, "windows-1258"},
};

// Aliases resolved without asking ICU (lower case).
struct Alias {
  const char* name;
  uint32_t id;
};
constexpr Alias kAliases[] = {
    {"utf-8", 65001},     {"utf8", 65001},       {"gbk", 936},       {"gb2312", 936},     {"cp936", 936},
    {"windows-936", 936}, {"x-gbk", 936},        {"big5", 950},      {"cp950", 950},      {"big-5", 950},
    {"windows-950", 950}, {"gb18030", 54936},    {"utf-16le", 1200}, {"utf-16", 1200},    {"unicode", 1200},
    {"utf-16be", 1201},   {"iso-8859-1", 28591}, {"latin1", 28591},  {"us-ascii", 20127}, {"ascii", 20127},
    {"shift_jis", 932},   {"sjis", 932},         {"cp932", 932},     {"euc-kr", 51949},   {"euc-jp", 51932},
    {"koi8-r", 20866},
};

constexpr uint32_t kDynamicBase = 0x10000;

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

// Code pages named only by an ICU name, and the cache of name look-ups.
struct Registry {
  std::mutex mu;
  std::vector<std::string> dynamicNames;             // id kDynamicBase + i
  std::unordered_map<std::string, uint32_t> byName;  // lower-cased name -> id (0: unknown)
};
Registry& TheRegistry() {
  static Registry r;
  return r;
}

std::string IcuNameOf(uint32_t id) {
  for (const auto& k : kKnownPages)
    if (k.id == id) return k.icu;
  if (id >= kDynamicBase) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mu);
    size_t i = id - kDynamicBase;
    return i < r.dynamicNames.size() ? r.dynamicNames[i] : std::string();
  }
  return "windows-" + std::to_string(id);
}

UConverter* OpenConverter(uint32_t id) {
  UErrorCode err = U_ZERO_ERROR;
  std::string name = IcuNameOf(id);
  if (name.empty()) return nullptr;
  UConverter* cv = ucnv_open(name.c_str(), &err);
  if (U_FAILURE(err) && id < kDynamicBase) {
    for (const char* prefix : {"cp", "ibm-"}) {
      err = U_ZERO_ERROR;
      cv = ucnv_open((prefix + std::to_string(id)).c_str(), &err);
      if (U_SUCCESS(err)) break;
    }
  }
  if (U_FAILURE(err)) return nullptr;
  UErrorCode subErr = U_ZERO_ERROR;
  ucnv_setSubstChars(cv, "?", 1, &subErr);  // best effort; some converters refuse
  return cv;
}

// Converters are not thread-safe: each thread keeps its own.
class ConverterCache {
 public:
  ~ConverterCache() {
    for (auto& [id, cv] : map_)
      if (cv) ucnv_close(cv);
  }
  UConverter* Get(uint32_t id) {
    auto it = map_.find(id);
    if (it != map_.end()) return it->second;
    UConverter* cv = OpenConverter(id);
    map_.emplace(id, cv);
    return cv;
  }

 private:
  std::unordered_map<uint32_t, UConverter*> map_;
};

UConverter* ThreadConverter(uint32_t id) {
  thread_local ConverterCache cache;
  return cache.Get(id);
}

// Resolves a name without the cache; 0 when ICU knows none.
uint32_t LookUpName(const std::string& lower) {
  for (const auto& a : kAliases)
    if (lower == a.name) return a.id;
  // "936", "cp936" and "windows-936" name Windows numbers.
  std::string_view digits = lower;
  for (std::string_view prefix : {"windows-", "cp"})
    if (digits.substr(0, prefix.size()) == prefix) digits.remove_prefix(prefix.size());
  bool numeric = !digits.empty() && digits.size() <= 5;
  for (char c : digits) numeric = numeric && c >= '0' && c <= '9';
  if (numeric) {
    uint32_t id = static_cast<uint32_t>(std::stoul(std::string(digits)));
    if (id == 0 || id >= kDynamicBase || !ThreadConverter(id)) return 0;
    return id;
  }
  UErrorCode err = U_ZERO_ERROR;
  UConverter* cv = ucnv_open(lower.c_str(), &err);
  if (U_FAILURE(err)) return 0;
  std::string canonical = ucnv_getName(cv, &err);
  ucnv_close(cv);
  if (U_FAILURE(err)) return 0;
  // A name that is another spelling of a known page gets that page's number.
  for (const auto& k : kKnownPages) {
    UErrorCode e = U_ZERO_ERROR;
    UConverter* known = ThreadConverter(k.id);
    if (known && canonical == ucnv_getName(known, &e)) return k.id;
  }
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mu);
  for (size_t i = 0; i < r.dynamicNames.size(); ++i)
    if (r.dynamicNames[i] == canonical) return static_cast<uint32_t>(kDynamicBase + i);
  r.dynamicNames.push_back(canonical);
  return static_cast<uint32_t>(kDynamicBase + r.dynamicNames.size() - 1);
}

// The character set part of a locale name such as "zh_CN.GBK@euro".
std::string CodesetOfLocaleName(const char* name) {
  const char* dot = std::strchr(name, '.');
  if (!dot) return {};
  std::string cs(dot + 1);
  size_t at = cs.find('@');
  if (at != std::string::npos) cs.resize(at);
  return cs;
}

bool IsAsciiCodeset(const std::string& lower) {
  return lower == "ansi_x3.4-1968" || lower == "ascii" || lower == "us-ascii" || lower.empty();
}

CodePage LocaleCodePage() {
  std::string codeset;
  if (locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0))) {
    codeset = nl_langinfo_l(CODESET, loc);
    freelocale(loc);
  }
  if (IsAsciiCodeset(Lower(codeset))) {
    // The locale may not be installed: read its name instead.
    codeset.clear();
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
      const char* v = std::getenv(var);
      if (v && *v) {
        codeset = CodesetOfLocaleName(v);
        break;
      }
    }
  }
  if (IsAsciiCodeset(Lower(codeset))) return kCpUtf8;
  return CodePageFromName(codeset).value_or(kCpUtf8);
}

CodePage ComputeAnsiCodePage() {
  if (const char* v = std::getenv("QUORVINT_CODEPAGE"); v && *v) {
    if (auto cp = CodePageFromName(v)) return *cp;
  }
  return LocaleCodePage();
}

std::atomic<uint32_t> g_ansi{0};

std::u16string DecodeUtf16(std::string_view bytes, bool bigEndian) {
  std::u16string out;
  out.reserve(bytes.size() / 2 + 1);
  size_t n = bytes.size() / 2;
  for (size_t i = 0; i < n; ++i) {
    unsigned char a = static_cast<unsigned char>(bytes[2 * i]);
    unsigned char b = static_cast<unsigned char>(bytes[2 * i + 1]);
    out += bigEndian ? static_cast<char16_t>((a << 8) | b) : static_cast<char16_t>((b << 8) | a);
  }
  if (bytes.size() % 2) out += u'\uFFFD';
  return out;
}

std::string EncodeUtf16(std::u16string_view text, bool bigEndian) {
  std::string out(text.size() * 2, '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    char hi = static_cast<char>(text[i] >> 8), lo = static_cast<char>(text[i] & 0xFF);
    out[2 * i] = bigEndian ? hi : lo;
    out[2 * i + 1] = bigEndian ? lo : hi;
  }
  return out;
}

std::u16string DecodeIcu(std::string_view bytes, UConverter* cv) {
  std::u16string out(bytes.size() + 16, u'\0');
  ucnv_resetToUnicode(cv);
  const char* src = bytes.data();
  const char* srcEnd = src + bytes.size();
  size_t used = 0;
  for (;;) {
    UErrorCode err = U_ZERO_ERROR;
    UChar* dst = out.data() + used;
    ucnv_toUnicode(cv, &dst, out.data() + out.size(), &src, srcEnd, nullptr, true, &err);
    used = static_cast<size_t>(dst - out.data());
    if (err != U_BUFFER_OVERFLOW_ERROR) break;
    out.resize(out.size() * 2);
  }
  out.resize(used);
  return out;
}

std::string EncodeIcu(std::u16string_view text, UConverter* cv) {
  std::string out(text.size() * static_cast<size_t>(ucnv_getMaxCharSize(cv)) + 16, '\0');
  ucnv_resetFromUnicode(cv);
  const UChar* src = text.data();
  const UChar* srcEnd = src + text.size();
  size_t used = 0;
  for (;;) {
    UErrorCode err = U_ZERO_ERROR;
    char* dst = out.data() + used;
    ucnv_fromUnicode(cv, &dst, out.data() + out.size(), &src, srcEnd, nullptr, true, &err);
    used = static_cast<size_t>(dst - out.data());
    if (err != U_BUFFER_OVERFLOW_ERROR) break;
    out.resize(out.size() * 2);
  }
  out.resize(used);
  return out;
}

}  // namespace

CodePage AnsiCodePage() {
  uint32_t id = g_ansi.load(std::memory_order_acquire);
  if (id != 0) return CodePage{id};
  id = ComputeAnsiCodePage().id;
  uint32_t expected = 0;
  g_ansi.compare_exchange_strong(expected, id, std::memory_order_acq_rel);
  return CodePage{g_ansi.load(std::memory_order_acquire)};
}

void SetAnsiCodePage(CodePage cp) {
  g_ansi.store(cp.id == 0 ? ComputeAnsiCodePage().id : cp.id, std::memory_order_release);
}

CodePage ResolveCodePage(CodePage cp) { return cp.id == 0 ? AnsiCodePage() : cp; }

std::optional<CodePage> CodePageFromName(std::string_view name) {
  std::string lower = Lower(name);
  while (!lower.empty() && (lower.back() == ' ' || lower.back() == '\t')) lower.pop_back();
  while (!lower.empty() && (lower.front() == ' ' || lower.front() == '\t')) lower.erase(0, 1);
  if (lower.empty() || lower.find('\0') != std::string::npos) return std::nullopt;
  Registry& r = TheRegistry();
  {
    std::lock_guard<std::mutex> lock(r.mu);
    auto it = r.byName.find(lower);
    if (it != r.byName.end()) {
      if (it->second == 0) return std::nullopt;
      return CodePage{it->second};
    }
  }
  uint32_t id = LookUpName(lower);
  std::lock_guard<std::mutex> lock(r.mu);
  if (r.byName.size() < 4096) r.byName.emplace(lower, id);  // bounded: names may come from the web
  if (id == 0) return std::nullopt;
  return CodePage{id};
}

std::string CodePageName(CodePage cp) {
  cp = ResolveCodePage(cp);
  if (UConverter* cv = ThreadConverter(cp.id)) {
    UErrorCode err = U_ZERO_ERROR;
    const char* name = ucnv_getName(cv, &err);
    if (U_SUCCESS(err)) return name;
  }
  return IcuNameOf(cp.id);
}

std::u16string DecodeBytes(std::string_view bytes, CodePage cp) {
  cp = ResolveCodePage(cp);
  switch (cp.id) {
    case kCpUtf8.id:
      return FromUtf8(bytes);
    case kCpUtf16LE.id:
      return DecodeUtf16(bytes, false);
    case kCpUtf16BE.id:
      return DecodeUtf16(bytes, true);
    case kCpLatin1.id:
      return FromAscii(bytes);
    default:
      break;
  }
  UConverter* cv = ThreadConverter(cp.id);
  if (!cv) return FromUtf8(bytes);  // an unknown page reads as UTF-8
  return DecodeIcu(bytes, cv);
}

std::string EncodeText(std::u16string_view text, CodePage cp) {
  cp = ResolveCodePage(cp);
  switch (cp.id) {
    case kCpUtf8.id:
      return ToUtf8(text);
    case kCpUtf16LE.id:
      return EncodeUtf16(text, false);
    case kCpUtf16BE.id:
      return EncodeUtf16(text, true);
    default:
      break;
  }
  UConverter* cv = ThreadConverter(cp.id);
  if (!cv) return ToUtf8(text);
  return EncodeIcu(text, cv);
}

namespace {
constexpr std::string_view kBomUtf8 = "\xEF\xBB\xBF";
constexpr std::string_view kBomUtf16LE = "\xFF\xFE";
constexpr std::string_view kBomUtf16BE = "\xFE\xFF";
}  // namespace

std::u16string DecodeTextBytes(std::string_view bytes, TextEncoding* found) {
  TextEncoding enc = TextEncoding::Ansi;
  std::string_view body = bytes;
  CodePage cp = kCpAnsi;
  if (bytes.starts_with(kBomUtf8)) {
    enc = TextEncoding::Utf8, cp = kCpUtf8, body.remove_prefix(kBomUtf8.size());
  } else if (bytes.starts_with(kBomUtf16LE)) {
    enc = TextEncoding::Utf16LE, cp = kCpUtf16LE, body.remove_prefix(kBomUtf16LE.size());
  } else if (bytes.starts_with(kBomUtf16BE)) {
    enc = TextEncoding::Utf16BE, cp = kCpUtf16BE, body.remove_prefix(kBomUtf16BE.size());
  }
  if (found) *found = enc;
  return DecodeBytes(body, cp);
}

std::string EncodeTextBytes(std::u16string_view text, TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Utf8:
      return std::string(kBomUtf8) + EncodeText(text, kCpUtf8);
    case TextEncoding::Utf16LE:
      return std::string(kBomUtf16LE) + EncodeText(text, kCpUtf16LE);
    case TextEncoding::Utf16BE:
      return std::string(kBomUtf16BE) + EncodeText(text, kCpUtf16BE);
    case TextEncoding::Ansi:
      break;
  }
  std::string bytes = EncodeText(text, kCpAnsi);
  if (DecodeBytes(bytes, kCpAnsi) != text) return std::string(kBomUtf8) + EncodeText(text, kCpUtf8);
  return bytes;
}

}  // namespace qv
