// Translation speed and memory: a generated script of about 1 MB per syntax
// (declarations, routines, loops, conditionals, expressions, strings and
// comments) through TfsILParser::MakeILScript, the document included.
//
// Counters: bytes_per_second (of UTF-8 source), peak_x (the most heap the
// translation held at once, the resulting document included, over the
// source size), result_x (what the finished translator holds, mostly the
// document, over the source size) and elements (of the intermediate code).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "engine/program/program.h"
#include "engine/translate/source_lines.h"
#include "engine/translate/translator.h"
#include "engine/xml/xml.h"
#include "support/text.h"

// --- Heap accounting ---------------------------------------------------------

namespace {
std::atomic<long long> g_live{0};
std::atomic<long long> g_peak{0};

void* Track(void* p) {
  if (!p) throw std::bad_alloc();
  long long now = g_live += static_cast<long long>(malloc_usable_size(p));
  long long peak = g_peak.load();
  while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
  }
  return p;
}
void Untrack(void* p) {
  if (p) g_live -= static_cast<long long>(malloc_usable_size(p));
  std::free(p);
}
}  // namespace

// The replacements below pair malloc with free on purpose.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(size_t n) { return Track(std::malloc(n ? n : 1)); }
void* operator new[](size_t n) { return Track(std::malloc(n ? n : 1)); }
void operator delete(void* p) noexcept { Untrack(p); }
void operator delete[](void* p) noexcept { Untrack(p); }
void operator delete(void* p, size_t) noexcept { Untrack(p); }
void operator delete[](void* p, size_t) noexcept { Untrack(p); }

namespace {

// --- Generated scripts -------------------------------------------------------

std::string Fill(const char* pattern, int i) {
  std::string out;
  const std::string n = std::to_string(i);
  for (const char* p = pattern; *p; ++p) {
    if (*p == '#') {
      out += n;
    } else {
      out += *p;
    }
  }
  return out;
}

constexpr size_t kTarget = 1 << 20;

const char* const kJsBlock =
    "// block # : a routine with a loop\n"
    "var total# = 0, name# = \"item#\", list#[10];\n"
    "function calc#(a, b) {\n"
    "  var r = a * b + (a - b) / 2;\n"
    "  if (r > 100 && a != b) { r = r - 100; } else { r = r + 1; }\n"
    "  for (var k = 0; k < 10; k++) { list#[k] = k * r; total# += k; }\n"
    "  while (r > 0) r--;\n"
    "  /* a block comment */\n"
    "  return r + total#;\n"
    "}\n"
    "x# = calc#(3, 4) + \"text\" + name#;\n";

const char* const kPascalBlock =
    "// block #\n"
    "const c# = #;\n"
    "var v#, w#: integer;\n"
    "    s#: string = 'item#';\n"
    "function calc#(a, b: integer): integer;\n"
    "var r: integer;\n"
    "begin\n"
    "  r := a * b + (a - b) div 2;\n"
    "  if (r > 100) and (a <> b) then r := r - 100 else r := r + 1;\n"
    "  for v# := 0 to 9 do w# := w# + v# * r;\n"
    "  while r > 0 do r := r - 1;\n"
    "  { a block comment }\n"
    "  result := r + w# + Length(s# + 'text');\n"
    "end;\n";

const char* const kCBlock =
    "// block #\n"
    "int v# = #, w#[10];\n"
    "int calc#(int a, int b) {\n"
    "  int r = a * b + (a - b) / 2;\n"
    "  if (r > 100 && a != b) { r = r - 100; } else { r = r + 1; }\n"
    "  for (k = 0; k < 10; k++) { w#[k] = k * r; v# += k; }\n"
    "  while (r > 0) r--;\n"
    "  /* a block comment */\n"
    "  return r + v# + strlen(\"text\");\n"
    "}\n";

const char* const kBasicBlock =
    "' block #\n"
    "dim v#, w#[10] as integer = #\n"
    "function calc#(a, b) as integer\n"
    "  dim r = a * b + (a - b) \\ 2\n"
    "  if r > 100 and a <> b then\n"
    "    r = r - 100\n"
    "  else\n"
    "    r = r + 1\n"
    "  end if\n"
    "  for k = 0 to 9 step 1\n"
    "    w#[k] = k * r\n"
    "  next\n"
    "  while r > 0\n"
    "    r = r - 1\n"
    "  wend\n"
    "  return r + v# & \"text\"\n"
    "end function\n";

struct Script {
  std::string source;  // UTF-8
  int routines = 0;
};

Script Generate(std::u16string_view language) {
  Script s;
  const char* block = language == u"js"       ? kJsBlock
                      : language == u"Pascal" ? kPascalBlock
                      : language == u"C"      ? kCBlock
                                              : kBasicBlock;
  while (s.source.size() < kTarget) s.source += Fill(block, s.routines++);
  if (language == u"Pascal") s.source += "begin x := calc0(3, 4) end.\n";
  if (language == u"C") s.source += "{ x = calc0(3, 4); }\n";
  return s;
}

int CountElements(const qv::TfsXMLItem& item, std::u16string_view name, int& all) {
  ++all;
  int n = item.NameIs(name) ? 1 : 0;
  for (const auto& c : item.Children()) n += CountElements(*c, name, all);
  return n;
}

// One translation; false (with the reason in `error`) when it failed or
// stopped before the end of the script.
bool TranslateOnce(const Script& script, const std::u16string& text, std::u16string_view language,
                   int& elements, long long& kept, std::string& error) {
  const long long before = g_live.load();
  qv::TfsScript prog;
  qv::TfsILParser translator(prog);
  translator.SelectLanguage(language);
  if (!translator.MakeILScript(text)) {
    error = "translation failed: " + qv::ToUtf8(prog.ErrorMsg()) + " at " + qv::ToUtf8(prog.ErrorPos());
    return false;
  }
  kept = g_live.load() - before;
  elements = 0;
  if (CountElements(*translator.ILScript().Root(), u"function", elements) != script.routines) {
    error = "the translation stopped early";
    return false;
  }
  return true;
}

void BM_Translate(benchmark::State& state, std::u16string language) {
  const Script script = Generate(language);
  const std::u16string text = qv::JoinLines(qv::SplitLines(qv::FromUtf8(script.source)));
  // A checked run first, which also measures the peak heap.
  int elements = 0;
  std::string error;
  const long long base = g_live.load();
  g_peak = base;
  long long kept = 0;
  if (!TranslateOnce(script, text, language, elements, kept, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  const long long peak = g_peak.load() - base;
  qv::TfsScript prog;
  for (auto _ : state) {
    qv::TfsILParser translator(prog);
    translator.SelectLanguage(language);
    benchmark::DoNotOptimize(translator.MakeILScript(text));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * script.source.size()));
  state.counters["peak_x"] = static_cast<double>(peak) / static_cast<double>(script.source.size());
  state.counters["result_x"] = static_cast<double>(kept) / static_cast<double>(script.source.size());
  state.counters["elements"] = elements;
  state.counters["source_kb"] = static_cast<double>(script.source.size()) / 1024.0;
}

BENCHMARK_CAPTURE(BM_Translate, Pascal, std::u16string(u"Pascal"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Translate, Basic, std::u16string(u"Basic"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Translate, js, std::u16string(u"js"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Translate, C, std::u16string(u"C"))->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
