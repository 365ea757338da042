// Script files as the host reads them, and the compiled script files that
// encryptscript writes: a gzip stream holding "QUORVINTER1.0" (or 2.0,
// 3.0), a 32-digit key and the intermediate XML under the text cipher.
// The cipher and the container only obscure the program for distribution;
// anyone with this code reads it back, so they protect nothing.
//
//   std::string file = CompiledScriptFile(il, 3);
//   ScriptFileSource(file) == il            // when the ANSI code page holds il
//   ScriptFileSource("A<?=1?>") == u"A<?=1?>"
#pragma once

#include <string>
#include <string_view>

namespace qv::host {

// The source text of a script file: the bytes, gunzipped when they are a
// gzip stream, decoded in the ANSI code page (a byte-order mark is kept as
// the characters it decodes to); a compiled container gives the
// intermediate XML it holds. A container too short to hold its key, or a
// version 3 body that is not Base64 of a gzip stream, raises ScriptError
// (the damaged file is named in the message by the caller).
std::u16string ScriptFileSource(std::string_view fileBytes);

// The file bytes of a compiled container of version 1, 2 or 3 for the
// intermediate XML `il`; empty for any other version. Version 3 keeps every
// character the ANSI code page holds; versions 1 and 2 cipher the text
// itself, so a character survives only when the code page also holds it
// combined with the key (always in UTF-8).
std::string CompiledScriptFile(std::u16string_view il, int version);

}  // namespace qv::host
