// Code pages: the one place where bytes in a legacy character set become
// UTF-16 text and back. Everything goes through ICU's converters (ucnv),
// except UTF-8 and UTF-16, which have fast paths of their own.
//
// A code page is named by its Windows number (936, 950, 1252, 65001, ...),
// because that is how scripts and stored files name them. Character-set
// names ("GBK", "Big5", "ISO-8859-1", "Shift_JIS") are resolved by
// CodePageFromName; a name with no Windows number gets a number of its own
// above 0xFFFF for the life of the process.
//
// The system ANSI code page is one process setting: the
// environment variable QUORVINT_CODEPAGE when set (a number or a name), else
// the character set of the locale (LC_ALL, LC_CTYPE, LANG), else UTF-8. The
// plain "C"/"POSIX" locale, whose character set is ASCII, counts as no
// setting, so it gives UTF-8 rather than a code page that loses every
// non-ASCII character.
//
//   std::u16string t = DecodeBytes("\xD6\xD0", kCpGbk);   // u"中"
//   std::string b = EncodeText(u"中", kCpAnsi);           // in the ANSI code page
//
// Conversions never fail: undecodable bytes become U+FFFD, characters the
// code page cannot hold become "?". Converters are cached per thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

struct CodePage {
  uint32_t id = 0;
  friend bool operator==(CodePage, CodePage) = default;
};

inline constexpr CodePage kCpAnsi{0};    // the system ANSI code page, resolved at use
inline constexpr CodePage kCpGbk{936};   // GBK (GB2312 superset)
inline constexpr CodePage kCpBig5{950};  // Big5
inline constexpr CodePage kCpUtf16LE{1200};
inline constexpr CodePage kCpUtf16BE{1201};
inline constexpr CodePage kCpWestern{1252};  // Windows Latin 1
inline constexpr CodePage kCpLatin1{28591};  // ISO-8859-1
inline constexpr CodePage kCpAscii{20127};
inline constexpr CodePage kCpGb18030{54936};
inline constexpr CodePage kCpUtf8{65001};

// The system ANSI code page (never kCpAnsi itself). Computed once, on first
// use, unless SetAnsiCodePage chose it before.
CodePage AnsiCodePage();

// Replaces the process setting; for the host's start-up and for tests.
// kCpAnsi recomputes it from the environment.
void SetAnsiCodePage(CodePage cp);

// kCpAnsi becomes AnsiCodePage(); anything else is returned unchanged.
CodePage ResolveCodePage(CodePage cp);

// A Windows number ("936"), or a character-set name known to ICU ("GBK",
// "utf8", "windows-1252", "cp950"), matched without regard to case. Empty
// when ICU knows no such converter.
std::optional<CodePage> CodePageFromName(std::string_view name);

// The ICU converter name used for `cp` ("UTF-8", "windows-936-2000", ...).
std::string CodePageName(CodePage cp);

// Bytes in code page `cp` to UTF-16 text. A byte-order mark is not removed.
std::u16string DecodeBytes(std::string_view bytes, CodePage cp);

// UTF-16 text to bytes in code page `cp`; no byte-order mark is written.
std::string EncodeText(std::u16string_view text, CodePage cp);

// Shorthands for the ANSI code page.
inline std::u16string DecodeAnsi(std::string_view bytes) { return DecodeBytes(bytes, kCpAnsi); }
inline std::string EncodeAnsi(std::u16string_view text) { return EncodeText(text, kCpAnsi); }

// Text files. On reading, a byte-order mark (UTF-8 EF BB BF, UTF-16 LE FF FE,
// UTF-16 BE FE FF) picks the encoding and is dropped; without one the bytes
// are in the ANSI code page. On writing, the text goes out in the encoding
// it was read with, its mark first, so a file saves back the way it came.
//
//   TextEncoding enc;
//   std::u16string t = DecodeTextBytes("\xEF\xBB\xBFhi", &enc);   // u"hi", Utf8
//   std::string b = EncodeTextBytes(t, enc);                      // "\xEF\xBB\xBFhi"
enum class TextEncoding { Ansi, Utf8, Utf16LE, Utf16BE };

std::u16string DecodeTextBytes(std::string_view bytes, TextEncoding* found = nullptr);

// ANSI text that the code page cannot hold is written as UTF-8 with its mark
// instead, so that saving never turns characters into "?".
std::string EncodeTextBytes(std::u16string_view text, TextEncoding encoding);

}  // namespace qv
